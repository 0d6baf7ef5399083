#pragma once
// A per-thread message queue in the shape of the Windows one: windows are a handle plus a
// procedure, messages are posted to a window and dispatched to its procedure, timers and
// socket readiness arrive as messages. The loop blocks in poll() until something is due.
//
// Usage:
//   WindowHandle w = AllocateHWnd([](const TMessage& m) { ... });
//   SetTimer(w, 1, 5000);
//   TMessage m;
//   while (GetMessage(m)) DispatchMessage(m);      // ends on WM_QUIT
//   DeallocateHWnd(w);
//
// A window belongs to the thread that allocated it; PostMessage may be called from any thread.
// Every other function works on the calling thread's own queue.
#include <cstdint>
#include <functional>

namespace ordo {

/// Identifies a window; 0 is "no window" (a message posted to the thread itself).
using WindowHandle = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

struct TMessage {
    WindowHandle hwnd = 0;
    std::uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

inline constexpr std::uint32_t WM_NULL = 0x0000;
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t WM_USER = 0x0400;

/// Socket readiness bits, as in the lParam of a socket notification message.
inline constexpr long FD_READ = 0x01;
inline constexpr long FD_WRITE = 0x02;
inline constexpr long FD_OOB = 0x04;
inline constexpr long FD_ACCEPT = 0x08;
inline constexpr long FD_CONNECT = 0x10;
inline constexpr long FD_CLOSE = 0x20;

/// lParam of a socket notification: event in the low word, Windows-style error code in the high word.
inline constexpr LPARAM MakeSelectLParam(long event, int error) noexcept {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(error) & 0xFFFFu) << 16 |
                               (static_cast<std::uint32_t>(event) & 0xFFFFu));
}
inline constexpr long SelectEvent(LPARAM lParam) noexcept { return static_cast<long>(lParam & 0xFFFF); }
inline constexpr int SelectError(LPARAM lParam) noexcept { return static_cast<int>((lParam >> 16) & 0xFFFF); }

/// The procedure of a window; it runs on the window's thread, inside DispatchMessage.
using WindowProc = std::function<void(const TMessage&)>;

/// Which queued messages a peek or a wait is interested in. WM_QUIT always matches.
struct TMessageFilter {
    WindowHandle window = 0;        ///< 0: messages of every window and of the thread
    std::uint32_t alsoMessage = 0;  ///< when not 0: this message number matches for any window
    [[nodiscard]] bool Matches(const TMessage& m) const noexcept {
        return m.message == WM_QUIT || window == 0 || m.hwnd == window ||
               (alsoMessage != 0 && m.message == alsoMessage);
    }
};

/// Creates a window on the calling thread's queue.
WindowHandle AllocateHWnd(WindowProc proc);
/// Destroys the window: its timers and socket registrations end and messages still queued for it
/// are dropped. Must be called on the owning thread; unknown handles are ignored.
void DeallocateHWnd(WindowHandle hwnd);
/// True while the window exists (on any thread).
bool IsWindow(WindowHandle hwnd);

/// Queues a message for the window (or, with hwnd 0, for the calling thread) and wakes the
/// owning thread's poll. Thread-safe. False when the window does not exist.
bool PostMessage(WindowHandle hwnd, std::uint32_t message, WPARAM wParam = 0, LPARAM lParam = 0);
/// Queues WM_QUIT (wParam = exit code) for the calling thread.
void PostQuitMessage(int exitCode = 0);

/// Takes (remove) or looks at the oldest queued message that the filter accepts; never blocks,
/// but first turns due timers and ready descriptors into messages.
bool PeekMessage(TMessage& msg, const TMessageFilter& filter, bool remove);
inline bool PeekMessage(TMessage& msg, WindowHandle filterWindow = 0, bool remove = true) {
    return PeekMessage(msg, TMessageFilter{filterWindow, 0}, remove);
}
/// Blocks until a message passes the filter and takes it; false when it is WM_QUIT.
bool GetMessage(TMessage& msg, WindowHandle filterWindow = 0);
/// Calls the window's procedure; messages of vanished windows or of the thread (hwnd 0) are ignored.
void DispatchMessage(const TMessage& msg);

/// Blocks until some message is queued or the timeout passes (-1: no timeout). True when a
/// message is queued. Returns at once when one is already there.
bool WaitMessage(int timeoutMs = -1);
/// Blocks until a message that the filter accepts is queued (messages it rejects stay queued and
/// do not wake it up) or the timeout passes. True when such a message is queued.
bool WaitMessage(const TMessageFilter& filter, int timeoutMs);

/// Dispatches every message queued now. False when WM_QUIT was met; it is put back so the
/// outer loop sees it too.
bool ProcessMessages();
/// The main loop: dispatches messages until WM_QUIT and returns its exit code.
int RunMessageLoop();

/// Starts or restarts timer `id` of the window: WM_TIMER (wParam = id) every intervalMs ms.
/// Like the Windows one, at most one WM_TIMER per timer waits in the queue at a time.
/// Returns id, or 0 when the window does not exist.
std::uintptr_t SetTimer(WindowHandle hwnd, std::uintptr_t id, std::uint32_t intervalMs);
bool KillTimer(WindowHandle hwnd, std::uintptr_t id);

/// Milliseconds since an arbitrary start, wrapping at 2^32; subtract in unsigned 32-bit arithmetic.
std::uint32_t GetTickCount();
/// Suspends the calling thread; no messages are processed meanwhile.
void Sleep(std::uint32_t ms);

/// Socket-style readiness reporting for a descriptor, like WSAAsyncSelect: `message` is posted
/// to the window with wParam = fd and lParam = MakeSelectLParam(event, error).
/// FD_CONNECT is posted once, when a pending connect finishes (with its error code), followed
/// by FD_WRITE when it succeeded. FD_READ is posted once and again only after ReenableSocketEvents
/// (the socket's recv does that); FD_WRITE likewise after a send that would block; FD_CLOSE once,
/// when the peer closed or the connection failed. `events` = 0 removes the registration.
/// Removing a registration also drops its notifications still queued, since the descriptor
/// number will be reused. A new selection for a registered fd re-arms every chosen event and
/// keeps the connection's phase; `connecting` (a non-blocking connect is in progress) counts
/// only for a first registration. Calling thread's queue only.
void AsyncSelect(int fd, WindowHandle hwnd, std::uint32_t message, long events, bool connecting = false);
/// Arms the given readiness events again after the socket consumed the previous notification.
void ReenableSocketEvents(int fd, long events);

/// A plain descriptor watch: `onReady(revents)` runs inside the loop (from PeekMessage/Wait...)
/// whenever poll() reports one of `pollEvents`. Used for pipes and signal wake-ups.
void WatchDescriptor(int fd, short pollEvents, std::function<void(short revents)> onReady);
void UnwatchDescriptor(int fd);

/// Queues a call for the main thread (the process's first thread); it runs in CheckSynchronize.
void QueueMainThreadCall(std::function<void()> call);
/// Runs the queued main-thread calls when called on the main thread; true when any ran.
bool CheckSynchronize();

}  // namespace ordo
