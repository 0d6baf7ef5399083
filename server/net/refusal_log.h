#pragma once
// The log of connections the server turns away because it is full. When a chain's shops all
// connect at the same minute, hundreds may be refused in a second; one line per interval says how
// many and why instead of one line each.
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace ordo::server {

class RefusalLog {
public:
    using Clock = std::chrono::steady_clock;
    using Writer = std::function<void(const std::string& line)>;

    static constexpr std::chrono::seconds kInterval{10};

    explicit RefusalLog(Writer write) : write_(std::move(write)) {}

    /// A connection from `peer` was refused for `why` at `now`: said at once when no line was
    /// written in the last interval, counted otherwise.
    void Refused(Clock::time_point now, const std::string& peer, const std::string& why);
    /// A connection was taken again: the refusals counted since the last line are said once the
    /// interval has passed (at once with `force`, as when the server stops).
    void Flush(Clock::time_point now, bool force = false);

private:
    Writer write_;
    bool said_ = false;
    Clock::time_point saidAt_{};
    std::size_t unsaid_ = 0;
    std::string lastWhy_;
};

}  // namespace ordo::server
