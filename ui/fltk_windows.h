#pragma once
// The FLTK windows behind the UI interfaces; all of them live on the session's thread.
#include <memory>
#include <string>
#include <string_view>

#include "ui/fltk_session.h"
#include "ui/ui.h"

namespace ordo::detail {

/// Height of the progress bar along a window's bottom edge.
inline constexpr int kBarHeight = 17;
/// Client size of the update window.
inline constexpr int kUpdateWidth = 407;
inline constexpr int kUpdateHeight = 260;

std::unique_ptr<IUiWindow> MakeFltkWindow(std::shared_ptr<TFltkSession> session);
std::unique_ptr<IUiUpdateWindow> MakeFltkUpdateWindow(std::shared_ptr<TFltkSession> session);

/// A modal message box (OK) or question (yes, no). While it is up the thread's queue is served
/// as the main loop would, so the connection keeps working; the quit message ends it with
/// `defaultAnswer`, and the quit message is left for the main loop.
bool RunFltkDialog(TFltkSession& session, std::string_view ansiText, bool question, bool defaultAnswer);

/// The program's texts are ANSI; FLTK draws UTF-8.
std::string ToUtf8(std::string_view ansi);

}  // namespace ordo::detail
