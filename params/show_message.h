#pragma once
// Messages the library layers show the user as the platform's modal message. The program hands
// them to its own message service; until it does, they go to stderr, so none is ever dropped.
// The layers below the user interface know nothing of it: the sink is set from above.
//
// Usage:
//   TShowMessageSink previous = SetShowMessageSink([&ui](const std::string& t) { ui.ShowMessage(t); });
//   ShowLibraryMessage(AnsiLiteral("..."));
#include <functional>
#include <string>

namespace ordo {

/// Receives one message text (ANSI code page).
using TShowMessageSink = std::function<void(const std::string& text)>;

/// Replaces the process's sink and returns the one it replaced; an empty sink restores the
/// stderr default.
TShowMessageSink SetShowMessageSink(TShowMessageSink sink);
/// Shows `text` through the current sink.
void ShowLibraryMessage(const std::string& text);

}  // namespace ordo
