#pragma once
// Where the received bytes stand in the frame being received, for progress reports only: the
// message stack cuts the frames. It follows every length prefix itself, so a chunk that ends
// one frame and begins the next is read right, and it runs whether or not progress is shown,
// so reports switched on between two frames still start at a frame's beginning.
#include <cstdint>
#include <functional>

#include "core/bytes.h"

namespace ordo {

class TReceiveProgress {
public:
    /// A frame's length prefix is complete: its size with the prefix.
    using StartEvent = std::function<void(std::int64_t frameSize)>;
    /// A later chunk brought more of a frame started before it: its size and the bytes so far.
    using ProgressEvent = std::function<void(std::int64_t frameSize, std::int64_t received)>;

    /// One chunk as read from the connection. A prefix out of the frame range stops the
    /// tracking until Reset (the connection is dropped for it anyway).
    void Feed(ByteView chunk, const StartEvent& onStart, const ProgressEvent& onProgress);
    /// A new connection starts at a frame boundary.
    void Reset() noexcept;

    /// The size of the frame under way with its prefix; -1 between frames.
    [[nodiscard]] std::int64_t FrameSize() const noexcept { return inBody_ ? frameSize_ : -1; }
    [[nodiscard]] std::int64_t Received() const noexcept { return inBody_ ? received_ : 0; }

private:
    void TakePrefixByte(std::uint8_t byte, const StartEvent& onStart);

    std::uint8_t prefix_[4] = {};
    int prefixHave_ = 0;
    bool inBody_ = false;
    bool lost_ = false;
    std::int64_t frameSize_ = 0;
    std::int64_t received_ = 0;
};

}  // namespace ordo
