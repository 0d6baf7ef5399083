#include "platform/message_queue.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <unordered_map>

#include "platform/message_loop_backend.h"
#include "platform/thread_queue.h"

namespace ordo {

namespace {

using detail::ThreadQueue;

struct WindowEntry {
    std::weak_ptr<ThreadQueue> owner;
    std::shared_ptr<WindowProc> proc;
};

// Windows are looked up from any thread (PostMessage), so the table is global and locked.
struct WindowTable {
    std::mutex mutex;
    std::unordered_map<WindowHandle, WindowEntry> windows;
    std::atomic<WindowHandle> next{1};
};

WindowTable& Windows() {
    static WindowTable* table = new WindowTable;  // outlives every thread's queue
    return *table;
}

struct MainThreadCalls {
    std::mutex mutex;
    std::vector<std::function<void()>> calls;
    std::weak_ptr<ThreadQueue> mainQueue;
};

MainThreadCalls& MainCalls() {
    static MainThreadCalls* calls = new MainThreadCalls;
    return *calls;
}

bool OnMainThread() {
    // A thread's answer never changes; asking the kernel cost a system call per message.
    thread_local const bool main = ::gettid() == ::getpid();
    return main;
}

ThreadQueue& Queue() {
    auto q = ThreadQueue::CurrentShared();
    if (OnMainThread()) {
        auto& mc = MainCalls();
        std::lock_guard lock(mc.mutex);
        if (mc.mainQueue.expired()) mc.mainQueue = q;
    }
    return *q;
}

// One poll pass plus the main thread's queued calls, which run wherever the main loop waits.
void Pump(int timeoutMs) {
    Queue().Pump(timeoutMs);
    if (OnMainThread()) CheckSynchronize();
}

}  // namespace

WindowHandle AllocateHWnd(WindowProc proc) {
    auto& t = Windows();
    WindowHandle h = t.next.fetch_add(1);
    Queue();  // the window's thread gets its queue now, so posts from elsewhere find it
    std::lock_guard lock(t.mutex);
    t.windows[h] = WindowEntry{ThreadQueue::CurrentShared(), std::make_shared<WindowProc>(std::move(proc))};
    return h;
}

void DeallocateHWnd(WindowHandle hwnd) {
    std::shared_ptr<ThreadQueue> owner;
    {
        auto& t = Windows();
        std::lock_guard lock(t.mutex);
        auto it = t.windows.find(hwnd);
        if (it == t.windows.end()) return;
        owner = it->second.owner.lock();
        t.windows.erase(it);
    }
    if (owner) owner->DropWindow(hwnd);
}

bool IsWindow(WindowHandle hwnd) {
    auto& t = Windows();
    std::lock_guard lock(t.mutex);
    return t.windows.count(hwnd) != 0;
}

bool PostMessage(WindowHandle hwnd, std::uint32_t message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<ThreadQueue> owner;
    if (hwnd == 0) {
        owner = ThreadQueue::CurrentShared();
    } else {
        auto& t = Windows();
        std::lock_guard lock(t.mutex);
        auto it = t.windows.find(hwnd);
        if (it == t.windows.end()) return false;
        owner = it->second.owner.lock();
    }
    if (!owner) return false;
    owner->Post(TMessage{hwnd, message, wParam, lParam});
    return true;
}

void PostQuitMessage(int exitCode) {
    Queue().Post(TMessage{0, WM_QUIT, static_cast<WPARAM>(exitCode), 0});
}

bool PeekMessage(TMessage& msg, const TMessageFilter& filter, bool remove) {
    Pump(0);
    return Queue().Take(msg, filter, remove);
}

void DispatchMessage(const TMessage& msg) {
    if (msg.hwnd == 0) return;
    std::shared_ptr<WindowProc> proc;
    {
        auto& t = Windows();
        std::lock_guard lock(t.mutex);
        auto it = t.windows.find(msg.hwnd);
        if (it == t.windows.end()) return;
        proc = it->second.proc;
    }
    // The procedure runs unlocked: it may post, create or destroy windows, even its own.
    if (proc && *proc) (*proc)(msg);
}

bool WaitMessage(const TMessageFilter& filter, int timeoutMs) {
    auto deadline = detail::Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    Pump(0);
    for (;;) {
        if (Queue().HasMatch(filter)) return true;
        int left = timeoutMs < 0 ? -1 : detail::MillisecondsUntil(deadline);
        if (left == 0) return false;
        Pump(left);
    }
}

void detail::RequeueQuit(const TMessage& quit) { Queue().PostFront(quit); }

std::uintptr_t SetTimer(WindowHandle hwnd, std::uintptr_t id, std::uint32_t intervalMs) {
    if (!IsWindow(hwnd)) return 0;
    return Queue().SetTimer(hwnd, id, intervalMs);
}

bool KillTimer(WindowHandle hwnd, std::uintptr_t id) { return Queue().KillTimer(hwnd, id); }

std::uint32_t GetTickCount() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
    return static_cast<std::uint32_t>(ms.count());
}

void Sleep(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void AsyncSelect(int fd, WindowHandle hwnd, std::uint32_t message, long events, bool connecting) {
    Queue().RegisterSocket(fd, hwnd, message, events, connecting);
}

void ReenableSocketEvents(int fd, long events) { Queue().ReenableSocket(fd, events); }

void WatchDescriptor(int fd, short pollEvents, std::function<void(short)> onReady) {
    Queue().Watch(fd, pollEvents, std::move(onReady));
}

void UnwatchDescriptor(int fd) { Queue().Unwatch(fd); }

void QueueMainThreadCall(std::function<void()> call) {
    auto& mc = MainCalls();
    std::shared_ptr<ThreadQueue> main;
    {
        std::lock_guard lock(mc.mutex);
        mc.calls.push_back(std::move(call));
        main = mc.mainQueue.lock();
    }
    if (main) main->Wake();
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
