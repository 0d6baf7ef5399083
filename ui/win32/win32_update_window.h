#pragma once
// The window a client update shows on Windows while the new program arrives: a top-most form
// without title-bar buttons, a read-only memo, a bold navy status line and a common-controls
// progress bar along the bottom. Include after the platform headers.
#include <memory>

#include "platform/win32/windows_api.h"
#include "ui/ui.h"

namespace ordo::detail {

/// Client size of the update form.
inline constexpr int kUpdateFormWidth = 407;
inline constexpr int kUpdateFormHeight = 260;
/// Colour of the status line: navy.
inline constexpr COLORREF kUpdateStatusColor = RGB(0, 0, 128);

/// A new, hidden update window.
std::unique_ptr<IUiUpdateWindow> MakeWin32UpdateWindow();

/// The windows behind an update window of this backend (all null for another backend's).
struct TWin32UpdateHandles {
    HWND Form = nullptr;
    HWND Memo = nullptr;
    HWND Status = nullptr;
    HWND Bar = nullptr;
};
TWin32UpdateHandles Win32UpdateHandles(IUiUpdateWindow& window);

}  // namespace ordo::detail
