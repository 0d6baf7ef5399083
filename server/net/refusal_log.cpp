#include "server/net/refusal_log.h"

namespace ordo::server {

void RefusalLog::Refused(Clock::time_point now, const std::string& peer, const std::string& why) {
    lastWhy_ = why;
    if (said_ && now - saidAt_ < kInterval) {
        ++unsaid_;
        return;
    }
    std::string line = peer + ": refused, " + why;
    if (unsaid_ > 0) line += " (and " + std::to_string(unsaid_) + " more refused since the last line)";
    write_(line);
    said_ = true;
    saidAt_ = now;
    unsaid_ = 0;
}

void RefusalLog::Flush(Clock::time_point now, bool force) {
    if (unsaid_ == 0 || (!force && now - saidAt_ < kInterval)) return;
    write_(std::to_string(unsaid_) + " more connections refused since the last line: " + lastWhy_);
    saidAt_ = now;
    unsaid_ = 0;
}

}  // namespace ordo::server
