#pragma once
// Everything between a message line and the bytes of the connection, without the connection:
// outgoing lines become frames; received bytes become lines handed to one handler per code.
// The client socket and the server session each own one.
#include <array>
#include <cstdint>
#include <functional>
#include <mutex>

#include "codec/message_stack.h"
#include "codec/string_line.h"
#include "codec/transforms.h"
#include "core/bytes.h"

namespace ordo {

class TOrdoMessagePipeline {
public:
    using Handler = std::function<void(TOrdoStringLine& line)>;
    /// (sender, bytes of this message, running total, message count).
    using BytesEvent = std::function<void(TOrdoMessagePipeline& sender, std::size_t bytes,
                                          std::int64_t total, std::int64_t count)>;

    explicit TOrdoMessagePipeline(int transportMode = 0) : stack_(transportMode) {}

    [[nodiscard]] TOrdoTransforms& Transforms() noexcept { return transforms_; }
    [[nodiscard]] const TOrdoTransforms& Transforms() const noexcept { return transforms_; }
    [[nodiscard]] TOrdoMessageStack& Stack() noexcept { return stack_; }

    /// Encodes the line (leaving it empty), counts it, applies the outgoing transforms and
    /// puts the length in front. Transform errors reach the caller; nothing is counted then
    /// as sent beyond the encode step.
    Bytes EncodeFrame(TOrdoStringLine& line);

    /// Cuts frames from received bytes and delivers each. An exception from a transform, the
    /// decoder or a handler stops delivery there and propagates; the frames behind it stay
    /// queued for the next Feed or DeliverQueued. The failed frame is lost.
    void Feed(ByteView received);
    void DeliverQueued();
    /// One popped frame body: incoming transforms, decode, dispatch under the dispatch lock.
    void DeliverBody(Bytes body);
    /// Decodes a transformed-back body and hands it to its code's handler.
    void Dispatch(TOrdoStringLine& line);

    void SetHandler(std::uint8_t code, Handler handler) { handlers_[code] = std::move(handler); }
    void ClearHandler(std::uint8_t code) { handlers_[code] = nullptr; }
    [[nodiscard]] bool HasHandler(std::uint8_t code) const noexcept { return bool(handlers_[code]); }
    /// Called for codes without a handler; those messages are otherwise ignored.
    Handler OnUnhandled;
    /// Every decoded line, before its handler: the owner learns which message the handler works for.
    Handler OnBeforeDispatch;

    /// Fired after a line is encoded, before the transforms (as the socket's OnBytesOutEvent).
    BytesEvent OnBytesOut;
    /// Fired for each frame cut, before the transforms (as the socket's OnBytesInEvent).
    BytesEvent OnBytesIn;

    [[nodiscard]] std::int64_t MessagesSent() const noexcept { return sentCount_; }
    [[nodiscard]] std::int64_t BytesOut() const noexcept { return bytesOut_; }
    [[nodiscard]] std::int64_t MessagesReceived() const noexcept { return receivedCount_; }
    [[nodiscard]] std::int64_t BytesIn() const noexcept { return bytesIn_; }
    /// The size, length prefix included, of the frame last handed to a handler (during the handler: its own).
    [[nodiscard]] std::int64_t DeliveredFrameSize() const noexcept { return deliveredFrameSize_; }
    /// At every successful connect.
    void ResetTotals() noexcept { bytesOut_ = bytesIn_ = 0; }

    /// Held while one incoming message is decoded and dispatched; recursive, because a
    /// handler may pump the connection and deliver a nested message on the same thread.
    [[nodiscard]] std::recursive_mutex& DispatchLock() noexcept { return dispatchLock_; }

private:
    TOrdoTransforms transforms_;
    TOrdoMessageStack stack_;
    std::array<Handler, 256> handlers_{};
    std::recursive_mutex dispatchLock_;
    std::int64_t sentCount_ = 0;
    std::int64_t bytesOut_ = 0;
    std::int64_t receivedCount_ = 0;
    std::int64_t bytesIn_ = 0;
    std::int64_t deliveredFrameSize_ = 0;
};

}  // namespace ordo
