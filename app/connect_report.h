#pragma once
// What a run that cannot reach its server says about it: the first failed attempt at once, then at most one
// line a minute, so a program left retrying all night tells where it tried and why without filling a log.
#include <cstdint>
#include <ostream>
#include <string>

namespace ordo {

class TConnectReport {
public:
    static constexpr std::uint32_t kQuietMs = 60000;

    /// `retrySeconds` is how often the program tries again, for the line to say so.
    TConnectReport(std::ostream& out, unsigned retrySeconds) : out_(out), retrySeconds_(retrySeconds) {}

    /// One failed attempt at `nowMs` (a millisecond tick that may wrap) to connect to `where`, for `why`.
    void Failed(std::uint32_t nowMs, const std::string& where, const std::string& why);

private:
    std::ostream& out_;
    unsigned retrySeconds_;
    bool said_ = false;
    std::uint32_t saidAt_ = 0;
    unsigned unsaid_ = 0;  // failures since the last line
};

}  // namespace ordo
