// The blocking client type: one connection per exchange, every queued frame sent at once,
// the answer read until the server closes.
#include "net/client_socket.h"
#include "platform/codepage.h"

namespace ordo {
namespace {

constexpr std::size_t kChunkSize = 4096;

/// Leaves nothing of an exchange for the next one, however it ends: the send queue, the exchange's
/// connection, frames cut short or left undelivered, and the error text.
class TExchangeScope {
public:
    TExchangeScope(std::vector<std::pair<Bytes, bool>>& queue, TBlockingTcpStream& stream, TOrdoMessageStack& stack,
                   TOrdoReplyState& replies) noexcept
        : queue_(queue), stream_(stream), stack_(stack), replies_(replies) {}
    ~TExchangeScope() {
        queue_.clear();
        stream_.Close();
        stack_.Clear();
        replies_.Reset();
    }
    TExchangeScope(const TExchangeScope&) = delete;
    TExchangeScope& operator=(const TExchangeScope&) = delete;

private:
    std::vector<std::pair<Bytes, bool>>& queue_;
    TBlockingTcpStream& stream_;
    TOrdoMessageStack& stack_;
    TOrdoReplyState& replies_;
};

}  // namespace

std::string TOrdoClientSocket::BlockingExchange() {
    if (sendQueue_.empty()) throw EOrdoSocketError(AnsiLiteral("전송될 자료가 없습니다"));
    TBlockingTcpStream stream;
    stream.SetTimeout(BlockingTimeout());
    // A text or a half frame an earlier exchange left behind is not this one's.
    pipeline_.Stack().Clear();
    replies_.Reset();
    TExchangeScope scope(sendQueue_, stream, pipeline_.Stack(), replies_);

    Bytes request{0xFF, 0xFF, 0xFF, 0xFF};
    for (const auto& [frame, wait] : sendQueue_) request.insert(request.end(), frame.begin(), frame.end());

    try {
        stream.Connect(Host().empty() ? Address() : Host(), Port(), BlockingTimeout());
    } catch (const std::exception& e) {
        // The connect failure is the request's error text; it reaches the request as this exception.
        throw EOrdoSocketError(e.what());
    }
    stream.SendAll(request);
    if (!stream.WaitReadable(BlockingTimeout())) throw EOrdoSocketError("Blocking Socket Time out");

    // Handlers run here as on the caller's own stack: what they raise reaches the caller.
    std::uint8_t buffer[kChunkSize];
    for (;;) {
        std::size_t n = 0;
        try {
            n = stream.Recv(buffer);
        } catch (const ESocketError&) {
            break;  // the connection dropped: dispatch what came
        }
        if (n == 0) break;
        pipeline_.Feed(ByteView(buffer, n));
    }
    return replies_.TakePendingError();
}

}  // namespace ordo
