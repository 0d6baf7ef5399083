#include "app/connect_report.h"

namespace ordo {

void TConnectReport::Failed(std::uint32_t nowMs, const std::string& where, const std::string& why) {
    if (said_ && nowMs - saidAt_ < kQuietMs) {
        ++unsaid_;
        return;
    }
    out_ << "fqreplay: cannot connect to " << where << ": " << why;
    if (unsaid_ > 0) out_ << " (" << unsaid_ + 1 << " attempts failed since the last line)";
    out_ << "; trying again every " << retrySeconds_ << " s\n" << std::flush;
    said_ = true;
    saidAt_ = nowMs;
    unsaid_ = 0;
}

}  // namespace ordo
