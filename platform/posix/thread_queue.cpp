#include "platform/thread_queue.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>

#include "core/errors.h"

namespace ordo::detail {

namespace {
// Windows raises intervals below this to it; a 0 ms timer would otherwise never let the loop rest.
constexpr std::uint32_t kMinTimerInterval = 10;

thread_local std::shared_ptr<ThreadQueue> tCurrent;
}  // namespace

int MillisecondsUntil(Clock::time_point when) {
    auto now = Clock::now();
    if (when <= now) return 0;
    auto us = std::chrono::duration_cast<std::chrono::microseconds>(when - now).count();
    auto ms = (us + 999) / 1000;
    return ms > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(ms);
}

ThreadQueue::ThreadQueue() {
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) throw EOSError(std::string("eventfd failed: ") + std::strerror(errno), errno);
}

ThreadQueue::~ThreadQueue() {
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

std::shared_ptr<ThreadQueue> ThreadQueue::CurrentShared() {
    if (!tCurrent) tCurrent = std::make_shared<ThreadQueue>();
    return tCurrent;
}

ThreadQueue& ThreadQueue::Current() { return *CurrentShared(); }

void ThreadQueue::Post(const TMessage& msg) {
    std::lock_guard lock(mutex_);
    posted_.push_back(msg);
    if (!wakeSignalled_) {
        wakeSignalled_ = true;
        Wake();
    }
}

void ThreadQueue::PushLocal(const TMessage& msg) {
    std::lock_guard lock(mutex_);
    posted_.push_back(msg);
}

void ThreadQueue::PostFront(const TMessage& msg) {
    std::lock_guard lock(mutex_);
    posted_.push_front(msg);
}

void ThreadQueue::Wake() noexcept {
    std::uint64_t one = 1;
    // A full counter still leaves the descriptor readable, which is all a wake-up needs.
    [[maybe_unused]] auto n = ::write(wakeFd_, &one, sizeof one);
}

void ThreadQueue::DrainWake() noexcept {
    std::uint64_t value = 0;
    [[maybe_unused]] auto n = ::read(wakeFd_, &value, sizeof value);
    std::lock_guard lock(mutex_);
    wakeSignalled_ = false;
}

bool ThreadQueue::Take(TMessage& msg, const TMessageFilter& filter, bool remove) {
    std::lock_guard lock(mutex_);
    for (auto it = posted_.begin(); it != posted_.end(); ++it) {
        if (!filter.Matches(*it)) continue;
        msg = *it;
        if (remove) posted_.erase(it);
        return true;
    }
    return false;
}

bool ThreadQueue::HasMatch(const TMessageFilter& filter) {
    std::lock_guard lock(mutex_);
    for (const auto& m : posted_)
        if (filter.Matches(m)) return true;
    return false;
}

void ThreadQueue::DropWindow(WindowHandle hwnd) {
    {
        std::lock_guard lock(mutex_);
        std::erase_if(posted_, [hwnd](const TMessage& m) { return m.hwnd == hwnd; });
    }
    std::erase_if(timers_, [hwnd](const auto& t) { return t.first.first == hwnd; });
    std::erase_if(sockets_, [hwnd](const auto& s) { return s.second.hwnd == hwnd; });
}

std::uintptr_t ThreadQueue::SetTimer(WindowHandle hwnd, std::uintptr_t id, std::uint32_t intervalMs) {
    if (intervalMs < kMinTimerInterval) intervalMs = kMinTimerInterval;
    TimerEntry& t = timers_[{hwnd, id}];
    t.interval = std::chrono::milliseconds(intervalMs);
    t.due = Clock::now() + t.interval;
    return id;
}

bool ThreadQueue::KillTimer(WindowHandle hwnd, std::uintptr_t id) {
    bool existed = timers_.erase({hwnd, id}) > 0;
    // A tick already queued belongs to the timer that no longer exists.
    std::lock_guard lock(mutex_);
    std::erase_if(posted_, [&](const TMessage& m) {
        return m.hwnd == hwnd && m.message == WM_TIMER && m.wParam == id;
    });
    return existed;
}

bool ThreadQueue::TimerQueued(WindowHandle hwnd, std::uintptr_t id) {
    std::lock_guard lock(mutex_);
    for (const auto& m : posted_)
        if (m.hwnd == hwnd && m.message == WM_TIMER && m.wParam == id) return true;
    return false;
}

int ThreadQueue::TimeoutUntilNextTimer(int timeoutMs) const {
    for (const auto& [key, t] : timers_) {
        int ms = MillisecondsUntil(t.due);
        if (timeoutMs < 0 || ms < timeoutMs) timeoutMs = ms;
    }
    return timeoutMs;
}

void ThreadQueue::FireDueTimers() {
    auto now = Clock::now();
    for (auto& [key, t] : timers_) {
        if (t.due > now) continue;
        // The next tick counts from now: a loop that was held up gets one tick, not a burst.
        t.due = now + t.interval;
        if (!TimerQueued(key.first, key.second)) PushLocal(TMessage{key.first, WM_TIMER, key.second, 0});
    }
}

void ThreadQueue::Watch(int fd, short events, std::function<void(short)> onReady) {
    watches_[fd] = WatchEntry{events, std::make_shared<std::function<void(short)>>(std::move(onReady))};
}

void ThreadQueue::Unwatch(int fd) { watches_.erase(fd); }

void ThreadQueue::Pump(int timeoutMs) {
    std::vector<pollfd> set;
    set.push_back(pollfd{wakeFd_, POLLIN, 0});
    CollectPollSet(set);
    for (const auto& [fd, w] : watches_) set.push_back(pollfd{fd, w.events, 0});
    timeoutMs = TimeoutUntilNextTimer(timeoutMs);

    int n = ::poll(set.data(), set.size(), timeoutMs);
    if (n < 0 && errno != EINTR) throw EOSError(std::string("poll failed: ") + std::strerror(errno), errno);
    if (n > 0) {
        if (set[0].revents != 0) DrainWake();
        std::vector<std::pair<std::shared_ptr<std::function<void(short)>>, short>> ready;
        for (std::size_t i = 1; i < set.size(); ++i) {
            if (set[i].revents == 0) continue;
            if (sockets_.count(set[i].fd) != 0) {
                HandleSocket(set[i].fd, set[i].revents);
            } else if (auto w = watches_.find(set[i].fd); w != watches_.end()) {
                ready.emplace_back(w->second.onReady, set[i].revents);
            }
        }
        // Callbacks run last: they may add or remove watches and sockets.
        for (auto& [fn, revents] : ready) (*fn)(revents);
    }
    FireDueTimers();
}

}  // namespace ordo::detail
