// The thread's own Windows message queue. A window of the platform layer is a hidden
// message-only window whose procedure hands posted messages to the WindowProc; timers are the
// system's, socket readiness arrives through WSAAsyncSelect, and waits sleep in
// MsgWaitForMultipleObjectsEx together with the watched handles and the main thread's calls.
#include "platform/message_queue.h"

#include <chrono>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "core/errors.h"
#include "platform/message_loop_backend.h"
#include "platform/win32/message_windows.h"
#include "platform/win32/windows_api.h"

namespace ordo {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait that holds messages back looks at the queue again.
constexpr DWORD kRecheckMs = 10;

struct WatchEntry {
    short events = 0;
    std::shared_ptr<std::function<void(short)>> onReady;
};

struct MainThreadCalls {
    std::mutex mutex;
    std::vector<std::function<void()>> calls;
    HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);  // auto-reset
};

MainThreadCalls& MainCalls() {
    static MainThreadCalls* calls = new MainThreadCalls;  // outlives every thread
    return *calls;
}

thread_local std::map<int, WatchEntry> tWatches;

bool OnMainThread() { return ::GetCurrentThreadId() == detail::MainThreadId(); }

int MillisecondsUntil(Clock::time_point when) {
    auto now = Clock::now();
    if (when <= now) return 0;
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(when - now).count();
    auto ms = (us + 999) / 1000;  // rounded up: a wait never ends early
    return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
}

// The handles a wait sleeps on besides the queue: watched handles, and the main thread's calls.
std::vector<HANDLE> WaitHandles(std::vector<int>& watchKeys) {
    std::vector<HANDLE> handles;
    watchKeys.clear();
    for (const auto& [fd, w] : tWatches) {
        if (handles.size() + 1 >= MAXIMUM_WAIT_OBJECTS) break;
        handles.push_back(detail::ToHandle(fd));
        watchKeys.push_back(fd);
    }
    if (OnMainThread()) handles.push_back(MainCalls().event);
    return handles;
}

void RunWatch(int fd) {
    auto it = tWatches.find(fd);
    if (it == tWatches.end()) return;
    auto fn = it->second.onReady;  // the callback may unwatch itself
    short events = it->second.events;
    if (fn && *fn) (*fn)(events);
}

// What a poll pass does on Linux: signalled handles run their callbacks, the main thread's
// queued calls run. Never blocks.
void RunReadyHandles() {
    std::vector<int> keys;
    std::vector<HANDLE> handles = WaitHandles(keys);
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (::WaitForSingleObject(handles[i], 0) == WAIT_OBJECT_0) RunWatch(keys[i]);
    if (OnMainThread()) CheckSynchronize();
}

bool PeekNative(MSG& m, HWND h, UINT first, UINT last, bool remove) {
    return ::PeekMessageA(&m, h, first, last, remove ? PM_REMOVE : PM_NOREMOVE) != 0;
}

bool PeekFiltered(MSG& m, const TMessageFilter& filter, bool remove) {
    if (filter.window == 0) return PeekNative(m, nullptr, 0, 0, remove);
    HWND h = detail::ToHwnd(filter.window);
    if (::IsWindow(h) && PeekNative(m, h, 0, 0, remove)) return true;
    if (filter.alsoMessage != 0 && PeekNative(m, nullptr, filter.alsoMessage, filter.alsoMessage, remove))
        return true;
    return PeekNative(m, nullptr, WM_QUIT, WM_QUIT, remove);
}

TMessage FromNative(const MSG& m) {
    return TMessage{detail::FromHwnd(m.hwnd), m.message, m.wParam, m.lParam};
}

}  // namespace

WindowHandle AllocateHWnd(WindowProc proc) { return detail::FromHwnd(detail::CreateMessageWindow(std::move(proc))); }

void DeallocateHWnd(WindowHandle hwnd) { detail::DestroyMessageWindow(detail::ToHwnd(hwnd)); }

bool IsWindow(WindowHandle hwnd) { return hwnd != 0 && ::IsWindow(detail::ToHwnd(hwnd)) != 0; }

bool PostMessage(WindowHandle hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    if (hwnd == 0) return ::PostThreadMessageA(::GetCurrentThreadId(), message, wParam, lParam) != 0;
    return ::PostMessageA(detail::ToHwnd(hwnd), message, wParam, lParam) != 0;
}

void PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

bool PeekMessage(TMessage& msg, const TMessageFilter& filter, bool remove) {
    RunReadyHandles();
    MSG m{};
    if (!PeekFiltered(m, filter, remove)) return false;
    msg = FromNative(m);
    return true;
}

void DispatchMessage(const TMessage& msg) {
    if (msg.hwnd == 0) return;
    HWND h = detail::ToHwnd(msg.hwnd);
    // Our own windows get the call directly, so that an exception of the procedure reaches the
    // caller of DispatchMessage as it does on Linux, instead of unwinding through user32.
    if (detail::DeliverToMessageWindow(h, msg)) return;
    if (!::IsWindow(h)) return;
    MSG m{};
    m.hwnd = h;
    m.message = msg.message;
    m.wParam = msg.wParam;
    m.lParam = msg.lParam;
    m.time = static_cast<DWORD>(::GetMessageTime());
    ::TranslateMessage(&m);
    ::DispatchMessageA(&m);
    detail::RethrowPendingWindowException();
}

bool WaitMessage(const TMessageFilter& filter, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    std::vector<int> keys;
    for (;;) {
        RunReadyHandles();
        MSG m{};
        if (PeekFiltered(m, filter, false)) return true;
        int left = timeoutMs < 0 ? -1 : MillisecondsUntil(deadline);
        if (left == 0) return false;
        // With nothing queued, any arrival ends the sleep. Messages the filter rejects (input held
        // back during a reply wait) must not keep waking it; then only new input does, and the
        // queue is looked at again every few milliseconds, because whether input counts as new
        // is not kept alike by every implementation of the system.
        const bool rejectedQueued = HIWORD(::GetQueueStatus(QS_ALLINPUT)) != 0;
        DWORD wait = left < 0 ? INFINITE : static_cast<DWORD>(left);
        if (rejectedQueued && wait > kRecheckMs) wait = kRecheckMs;
        std::vector<HANDLE> handles = WaitHandles(keys);
        DWORD rc = ::MsgWaitForMultipleObjectsEx(static_cast<DWORD>(handles.size()),
                                                 handles.empty() ? nullptr : handles.data(), wait, QS_ALLINPUT,
                                                 rejectedQueued ? 0 : MWMO_INPUTAVAILABLE);
        if (rc == WAIT_FAILED)
            throw EOSError("MsgWaitForMultipleObjectsEx failed: " + detail::SystemErrorText(::GetLastError()),
                           static_cast<int>(::GetLastError()));
        // The wait has taken an auto-reset signal: its callback runs now, or never.
        if (rc >= WAIT_OBJECT_0 && rc < WAIT_OBJECT_0 + keys.size()) RunWatch(keys[rc - WAIT_OBJECT_0]);
        else if (rc == WAIT_OBJECT_0 + keys.size() && OnMainThread()) CheckSynchronize();
    }
}

void detail::RequeueQuit(const TMessage& quit) { ::PostQuitMessage(static_cast<int>(quit.wParam)); }

std::uintptr_t SetTimer(WindowHandle hwnd, std::uintptr_t id, std::uint32_t intervalMs) {
    if (!IsWindow(hwnd)) return 0;
    return ::SetTimer(detail::ToHwnd(hwnd), id, intervalMs, nullptr) != 0 ? id : 0;
}

bool KillTimer(WindowHandle hwnd, std::uintptr_t id) {
    return hwnd != 0 && ::KillTimer(detail::ToHwnd(hwnd), id) != 0;
}

std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(::GetTickCount()); }

void Sleep(std::uint32_t ms) { ::Sleep(ms); }

void WatchDescriptor(int fd, short pollEvents, std::function<void(short)> onReady) {
    tWatches[fd] = WatchEntry{pollEvents, std::make_shared<std::function<void(short)>>(std::move(onReady))};
}

void UnwatchDescriptor(int fd) { tWatches.erase(fd); }

void QueueMainThreadCall(std::function<void()> call) {
    auto& mc = MainCalls();
    {
        std::lock_guard lock(mc.mutex);
        mc.calls.push_back(std::move(call));
    }
    ::SetEvent(mc.event);
}

bool CheckSynchronize() {
    if (!OnMainThread()) return false;
    std::vector<std::function<void()>> calls;
    {
        auto& mc = MainCalls();
        std::lock_guard lock(mc.mutex);
        calls.swap(mc.calls);
    }
    for (auto& c : calls) c();
    return !calls.empty();
}

}  // namespace ordo
