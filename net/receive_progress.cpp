#include "net/receive_progress.h"

#include <algorithm>

#include "codec/message_stack.h"
#include "core/wire.h"

namespace ordo {

void TReceiveProgress::Feed(ByteView chunk, const StartEvent& onStart, const ProgressEvent& onProgress) {
    std::size_t at = 0;
    bool first = true;  // only the frame that was under way before this chunk gets a progress report
    while (at < chunk.size() && !lost_) {
        if (!inBody_) {
            TakePrefixByte(chunk[at++], onStart);
            first = false;
            continue;
        }
        const auto take = static_cast<std::size_t>(
            std::min<std::int64_t>(frameSize_ - received_, static_cast<std::int64_t>(chunk.size() - at)));
        at += take;
        received_ += static_cast<std::int64_t>(take);
        if (first && onProgress) onProgress(frameSize_, received_);
        first = false;
        if (received_ == frameSize_) inBody_ = false;
    }
}

void TReceiveProgress::TakePrefixByte(std::uint8_t byte, const StartEvent& onStart) {
    prefix_[prefixHave_++] = byte;
    if (prefixHave_ < 4) return;
    prefixHave_ = 0;
    const std::int32_t length = LoadI32LE(prefix_);
    if (length == TOrdoMessageStack::kMarkerA || length == TOrdoMessageStack::kMarkerB) return;
    if (length < 0 || length > TOrdoMessageStack::kMaxFrameLength) {
        lost_ = true;
        return;
    }
    frameSize_ = std::int64_t{length} + 4;
    received_ = 4;
    inBody_ = length > 0;
    if (onStart) onStart(frameSize_);
}

void TReceiveProgress::Reset() noexcept {
    prefixHave_ = 0;
    inBody_ = false;
    lost_ = false;
    frameSize_ = 0;
    received_ = 0;
}

}  // namespace ordo
