#pragma once
// The receive buffer: bytes in as they come off the connection, whole frames out.
// It knows nothing about sockets, so the client and the server cut frames with the same code.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "core/bytes.h"

namespace ordo {

/// Builds a frame: the body's length as a signed 32-bit little-endian number, then the body.
/// Raises EOrdoProtocolError for a body larger than TOrdoMessageStack::kMaxFrameLength.
Bytes PrefixFrame(ByteView body);

class TOrdoMessageStack {
public:
    /// Largest body length a frame may announce; a longer one discards the buffered bytes.
    static constexpr std::int32_t kMaxFrameLength = 104'857'600;
    /// The buffer's capacity is always a whole multiple of this.
    static constexpr std::size_t kGrowthStep = 4096;
    /// Prefix values that are not lengths; each is skipped and cutting goes on behind it.
    static constexpr std::int32_t kMarkerA = -1;
    static constexpr std::int32_t kMarkerB = -2;
    /// Frames from this body length on collect in storage of their own instead of the buffer.
    static constexpr std::size_t kLargeFrame = 64 * 1024;

    /// 0 is direct TCP; 1..3 are the HTTP transports, whose headers their transport strips.
    explicit TOrdoMessageStack(int transportMode = 0) : transportMode_(transportMode) {}

    /// Appends received bytes and cuts every whole frame they complete.
    void AddData(ByteView data);
    [[nodiscard]] bool HasMessages() const noexcept { return !frames_.empty(); }
    /// The oldest whole frame without its length prefix; EListError when none is queued.
    Bytes PopMessage();

    [[nodiscard]] std::size_t QueuedCount() const noexcept { return frames_.size(); }
    /// Received bytes not yet cut into a frame.
    [[nodiscard]] std::size_t Buffered() const noexcept {
        return largeNeed_ != 0 ? large_.size() + 4 : end_ - begin_;
    }
    /// Capacity of the buffer that collects partial frames below kLargeFrame bytes.
    [[nodiscard]] std::size_t Capacity() const noexcept { return capacity_; }
    /// How many times a bad length prefix made the buffer throw its content away.
    [[nodiscard]] std::size_t DiscardCount() const noexcept { return discards_; }
    [[nodiscard]] int TransportMode() const noexcept { return transportMode_; }
    void SetTransportMode(int mode) noexcept { transportMode_ = mode; }
    /// Drops queued frames and buffered bytes, as after a lost connection.
    void Clear() noexcept;

private:
    enum class CutResult { kNeedMore, kFrame, kSkipped, kDiscard };
    CutResult CutOne(const std::uint8_t* p, std::size_t avail, std::size_t& used);
    bool CutFromBuffer();
    std::size_t MissingBytes() const noexcept;
    std::size_t CutFromInput(ByteView data);
    [[nodiscard]] std::size_t Unread() const noexcept { return end_ - begin_; }
    bool BeginLarge(ByteView pending);
    std::size_t FillLarge(ByteView data);
    void Append(ByteView data);
    void Reserve(std::size_t needed);
    void DiscardAll() noexcept;
    void DropBuffered() noexcept;

    std::deque<Bytes> frames_;
    std::unique_ptr<std::uint8_t[]> buf_;
    std::size_t capacity_ = 0;
    std::size_t begin_ = 0;  // read offset: compacted lazily, not after every frame
    std::size_t end_ = 0;
    Bytes large_;              // body of the large frame being collected
    std::size_t largeNeed_ = 0;  // its announced length; 0 when none is being collected
    std::size_t discards_ = 0;
    int transportMode_ = 0;
};

}  // namespace ordo
