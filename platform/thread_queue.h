#pragma once
// The state behind one thread's message queue. Posted messages are shared with other threads
// (under a mutex, with an eventfd to wake the owner's poll); timers, socket registrations and
// descriptor watches belong to the owning thread alone.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <poll.h>
#include <utility>
#include <vector>

#include "platform/message_queue.h"

namespace ordo::detail {

using Clock = std::chrono::steady_clock;

struct TimerEntry {
    std::chrono::milliseconds interval{};
    Clock::time_point due{};
};

enum class SocketPhase { Connecting, Connected, Dead };

struct SocketEntry {
    WindowHandle hwnd = 0;
    std::uint32_t message = 0;
    long events = 0;  // what the window asked for
    long armed = 0;   // which of those may be posted next
    SocketPhase phase = SocketPhase::Connected;
};

struct WatchEntry {
    short events = 0;
    std::shared_ptr<std::function<void(short)>> onReady;
};

class ThreadQueue {
public:
    ThreadQueue();
    ~ThreadQueue();
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    /// The calling thread's queue, created on first use.
    static ThreadQueue& Current();
    static std::shared_ptr<ThreadQueue> CurrentShared();

    // Any thread.
    void Post(const TMessage& msg);
    void PostFront(const TMessage& msg);
    void Wake() noexcept;

    // Owning thread only.
    bool Take(TMessage& msg, const TMessageFilter& filter, bool remove);
    [[nodiscard]] bool HasMatch(const TMessageFilter& filter);
    /// One poll pass: waits up to timeoutMs (0: just look) and turns what became ready into messages.
    void Pump(int timeoutMs);
    void DropWindow(WindowHandle hwnd);

    std::uintptr_t SetTimer(WindowHandle hwnd, std::uintptr_t id, std::uint32_t intervalMs);
    bool KillTimer(WindowHandle hwnd, std::uintptr_t id);

    void RegisterSocket(int fd, WindowHandle hwnd, std::uint32_t message, long events, bool connecting);
    void ReenableSocket(int fd, long events);
    void Watch(int fd, short events, std::function<void(short)> onReady);
    void Unwatch(int fd);

private:
    /// Owner-thread post that needs no wake-up: the owner looks at the queue next anyway.
    void PushLocal(const TMessage& msg);
    [[nodiscard]] bool TimerQueued(WindowHandle hwnd, std::uintptr_t id);
    [[nodiscard]] int TimeoutUntilNextTimer(int timeoutMs) const;
    void FireDueTimers();
    void DrainWake() noexcept;
    void CollectPollSet(std::vector<pollfd>& set) const;
    void HandleSocket(int fd, short revents);
    void HandleConnecting(int fd, SocketEntry& entry);
    void PostSocket(const SocketEntry& entry, int fd, long event, int error);

    std::mutex mutex_;
    std::deque<TMessage> posted_;
    int wakeFd_ = -1;
    bool wakeSignalled_ = false;  // guarded by mutex_

    std::map<std::pair<WindowHandle, std::uintptr_t>, TimerEntry> timers_;
    std::map<int, SocketEntry> sockets_;
    std::map<int, WatchEntry> watches_;
};

/// Millisecond poll timeout for a time point, rounded up so that a wait never ends early.
int MillisecondsUntil(Clock::time_point when);

}  // namespace ordo::detail
