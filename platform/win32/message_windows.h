#pragma once
// The hidden message-only windows behind AllocateHWnd. Include after the platform headers
// and before windows_api.h's users need HWND (it includes windows_api.h itself).
#include <exception>

#include "platform/message_queue.h"
#include "platform/win32/windows_api.h"

namespace ordo::detail {

/// A message-only window on the calling thread whose posted messages go to `proc`.
HWND CreateMessageWindow(WindowProc proc);
/// Destroys the window after dropping what is still queued for it; unknown handles are ignored.
void DestroyMessageWindow(HWND hwnd);
/// Calls the procedure of one of our windows; false when `hwnd` is not one of them.
bool DeliverToMessageWindow(HWND hwnd, const TMessage& msg);
/// An exception that left a procedure while a loop not ours (a message box's) dispatched to it
/// is kept and raised here, by the next DispatchMessage of our own loop.
void RethrowPendingWindowException();
/// Keeps the exception that is leaving a window procedure for RethrowPendingWindowException.
void KeepWindowException(std::exception_ptr e) noexcept;

}  // namespace ordo::detail
