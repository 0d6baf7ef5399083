#pragma once
// A connection whose far end is a script, and a clock that moves only when the wait idles. The client
// socket runs over them exactly as over TCP (its notifications still travel through its window), but every
// byte split, failed write, reset or silence happens when the test says, on the test's own thread, so
// failure paths are tested without sockets, threads or deadlines.
//
// Usage:
//   TManualClock clock;
//   TScriptedPeer peer(clock);
//   socket.SetTransportFactory(peer.Factory());
//   socket.WaitObject().SetClock(clock);
//   peer.OnRequest = [&](TOrdoStringLine& request) { peer.Reply(Line(mcAck)); };
//   socket.Open(); Settle();                       // connected and logged in
#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "codec/message_codes.h"
#include "codec/message_stack.h"
#include "codec/string_line.h"
#include "core/socket_errors.h"
#include "core/wire.h"
#include "net/transport.h"
#include "net/wait_clock.h"
#include "platform/message_queue.h"
#include "tests/support/line_frame.h"

namespace ordo::test {

/// Time that passes only while a reply wait idles: it jumps to the next scheduled action (or to the end
/// of the wait's limit) at once. A wait with no limit and nothing scheduled would hang the real program;
/// here it is ended with the quit message and recorded as a stall.
class TManualClock final : public IOrdoWaitClock {
public:
    std::uint32_t Ticks() override { return now_; }

    bool WaitFor(const TMessageFilter& filter, int timeoutMs) override {
        const std::optional<std::uint32_t> deadline =
            timeoutMs < 0 ? std::nullopt : std::optional<std::uint32_t>(now_ + static_cast<std::uint32_t>(timeoutMs));
        for (;;) {
            TMessage m;
            if (PeekMessage(m, filter, false)) return true;
            if (due_.empty()) {
                if (!deadline) {
                    ++stalls_;
                    PostQuitMessage(0);
                    return true;
                }
                now_ = *deadline;
                return false;
            }
            auto next = due_.begin();
            if (deadline && next->first > *deadline) {
                now_ = *deadline;
                return false;
            }
            now_ = std::max(now_, next->first);
            std::function<void()> action = std::move(next->second);
            due_.erase(next);
            action();
        }
    }

    /// Runs `action` once the clock reaches now + ms.
    void After(std::uint32_t ms, std::function<void()> action) { due_.emplace(now_ + ms, std::move(action)); }
    void Pause(std::uint32_t ms) override { Advance(ms); }
    /// Moves the clock on by ms, running what falls due.
    void Advance(std::uint32_t ms) {
        const std::uint32_t until = now_ + ms;
        while (!due_.empty() && due_.begin()->first <= until) {
            auto next = due_.begin();
            now_ = std::max(now_, next->first);
            std::function<void()> action = std::move(next->second);
            due_.erase(next);
            action();
        }
        now_ = until;
    }
    /// Waits that nothing could have ended.
    [[nodiscard]] int Stalls() const noexcept { return stalls_; }

private:
    std::uint32_t now_ = 1000;
    std::multimap<std::uint32_t, std::function<void()>> due_;
    int stalls_ = 0;
};

/// The far end of one scripted connection at a time, and the factory that hands the socket its transports.
class TScriptedPeer {
public:
    explicit TScriptedPeer(TManualClock& clock) : clock_(clock) {}
    TScriptedPeer(const TScriptedPeer&) = delete;
    TScriptedPeer& operator=(const TScriptedPeer&) = delete;

    /// Called with every request frame the client has written whole, in order (the login too, unless
    /// AcceptLogin handles it).
    std::function<void(TOrdoStringLine& request)> OnRequest;
    /// The login is answered as accepted and the version request behind it taken, without OnRequest.
    bool AcceptLogin = true;
    /// 0: connects; anything else: the connect fails with this code (FD_CONNECT carries it).
    int ConnectError = 0;

    TOrdoTransportFactory Factory() {
        return [this]() -> std::unique_ptr<IOrdoTransport> { return std::make_unique<Transport>(*this); };
    }

    // --- what the far end does ----------------------------------------------------------------
    /// Sends bytes to the client now (one read notification).
    void Deliver(Bytes bytes) {
        if (!connection_ || reset_ || closed_) return;
        incoming_.push_back(std::move(bytes));
        Notify(FD_READ, 0);
    }
    /// Sends a line as one frame.
    void Reply(TOrdoStringLine line) { Deliver(Frame(std::move(line))); }
    /// Sends bytes cut into pieces of the given sizes (the rest as a last piece), each its own read.
    void DeliverSplit(const Bytes& bytes, const std::vector<std::size_t>& sizes) {
        std::size_t at = 0;
        for (std::size_t size : sizes) {
            size = std::min(size, bytes.size() - at);
            Deliver(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                          bytes.begin() + static_cast<std::ptrdiff_t>(at + size)));
            at += size;
        }
        if (at < bytes.size()) Deliver(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end()));
    }
    /// The connection is reset: reads and writes fail with WSAECONNRESET, FD_CLOSE carries it.
    void Reset() {
        if (!connection_ || reset_ || closed_) return;
        reset_ = true;
        Notify(FD_CLOSE, WSAECONNRESET);
    }
    /// The far end closes in order: what was sent is still read, then reads return 0.
    void Close() {
        if (!connection_ || reset_ || closed_) return;
        closed_ = true;
        Notify(FD_CLOSE, 0);
    }
    /// Writes take this many more bytes in all, then fail with `code` (and the connection is reset).
    void FailWritesAfter(std::size_t bytes, int code = WSAECONNRESET) {
        writeBudget_ = bytes;
        writeFailure_ = code;
    }
    /// Writes take nothing (WSAEWOULDBLOCK), as when the far end stops reading.
    void StopReading() { stopReading_ = true; }

    // --- what the far end saw ----------------------------------------------------------------
    [[nodiscard]] const std::vector<std::uint8_t>& Tokens() const noexcept { return tokens_; }
    [[nodiscard]] std::size_t BytesWritten() const noexcept { return written_; }
    [[nodiscard]] int Connections() const noexcept { return connections_; }
    [[nodiscard]] bool Connected() const noexcept { return connection_ != nullptr && !reset_ && !closed_; }


private:
    class Transport final : public IOrdoTransport {
    public:
        explicit Transport(TScriptedPeer& peer) : peer_(peer), handle_(NextHandle()) {}
        ~Transport() override { Close(); }

        int Connect(WindowHandle window, std::uint32_t message, std::string_view, int) override {
            window_ = window;
            message_ = message;
            open_ = true;
            peer_.Attach(this);
            PostMessage(window_, message_, handle_, MakeSelectLParam(FD_CONNECT, peer_.ConnectError));
            return WSAEWOULDBLOCK;
        }
        std::ptrdiff_t Send(ByteView data, bool) override { return peer_.Take(this, data, lastError_); }
        std::ptrdiff_t Recv(std::span<std::uint8_t> buffer) override { return peer_.Give(this, buffer, lastError_); }
        [[nodiscard]] int LastError() const noexcept override { return lastError_; }
        [[nodiscard]] std::uintptr_t Handle() const noexcept override { return handle_; }
        [[nodiscard]] bool IsOpen() const noexcept override { return open_; }
        void Close() noexcept override {
            if (!open_) return;
            open_ = false;
            peer_.Detach(this);
        }
        void Notify(long event, int error) const { PostMessage(window_, message_, handle_, MakeSelectLParam(event, error)); }

    private:
        static std::uintptr_t NextHandle() {
            static std::uintptr_t next = 0x7000'0000;
            return ++next;
        }
        TScriptedPeer& peer_;
        std::uintptr_t handle_;
        WindowHandle window_ = 0;
        std::uint32_t message_ = 0;
        int lastError_ = 0;
        bool open_ = false;
    };

    void Attach(Transport* t) {
        connection_ = t;
        ++connections_;
        reset_ = closed_ = stopReading_ = false;
        incoming_.clear();
        requests_.Clear();
        loginState_ = 0;
    }
    void Detach(Transport* t) {
        if (connection_ == t) connection_ = nullptr;
    }
    void Notify(long event, int error) {
        if (connection_ != nullptr) connection_->Notify(event, error);
    }

    std::ptrdiff_t Take(Transport* t, ByteView data, int& error) {
        if (t != connection_ || reset_) {
            error = WSAECONNRESET;
            return -1;
        }
        if (stopReading_) {
            error = WSAEWOULDBLOCK;
            return -1;
        }
        std::size_t n = data.size();
        if (writeBudget_) {
            n = std::min(n, *writeBudget_);
            *writeBudget_ -= n;
            if (n == 0) {
                error = writeFailure_;
                writeBudget_.reset();
                reset_ = true;
                Notify(FD_CLOSE, writeFailure_);
                return -1;
            }
        }
        written_ += n;
        requests_.AddData(data.first(n));
        while (requests_.HasMessages()) {
            TOrdoStringLine line;
            line.DecodeFromText(requests_.PopMessage());
            tokens_.push_back(line.Token());
            if (Answered(line)) continue;
            if (OnRequest) OnRequest(line);
        }
        return static_cast<std::ptrdiff_t>(n);
    }

    std::ptrdiff_t Give(Transport* t, std::span<std::uint8_t> buffer, int& error) {
        if (t != connection_ || reset_) {
            error = WSAECONNRESET;
            return -1;
        }
        if (incoming_.empty()) {
            if (closed_) return 0;
            error = WSAEWOULDBLOCK;
            return -1;
        }
        Bytes& front = incoming_.front();
        const std::size_t n = std::min(buffer.size(), front.size());
        std::copy_n(front.begin(), n, buffer.begin());
        front.erase(front.begin(), front.begin() + static_cast<std::ptrdiff_t>(n));
        if (front.empty()) incoming_.pop_front();
        return static_cast<std::ptrdiff_t>(n);
    }

    // The login and the version request after it, when the script leaves them to the peer.
    bool Answered(const TOrdoStringLine& line) {
        if (!AcceptLogin) return false;
        if (line.Token() == mcLogin && loginState_ == 0) {
            loginState_ = 1;
            TOrdoStringLine reply(mcLogin, 0);
            reply.AddString("1");
            reply.AddString("");
            Reply(std::move(reply));
            return true;
        }
        if (line.Token() == mcUtilityInfo && loginState_ == 1) {
            loginState_ = 2;
            return true;
        }
        return false;
    }

    TManualClock& clock_;
    Transport* connection_ = nullptr;
    std::deque<Bytes> incoming_;
    TOrdoMessageStack requests_;
    std::vector<std::uint8_t> tokens_;
    std::size_t written_ = 0;
    std::optional<std::size_t> writeBudget_;
    int writeFailure_ = WSAECONNRESET;
    int connections_ = 0;
    int loginState_ = 0;
    bool reset_ = false;
    bool closed_ = false;
    bool stopReading_ = false;

public:
    /// The clock the peer's timed actions run on.
    [[nodiscard]] TManualClock& Clock() noexcept { return clock_; }
};

/// Dispatches queued messages until none is left (or the quit message is met), as the program's loop would
/// between two events.
inline void Settle(int rounds = 1000) {
    for (int i = 0; i < rounds; ++i) {
        TMessage m;
        if (!PeekMessage(m, TMessageFilter{0, 0}, false) || m.message == WM_QUIT) return;
        if (!ProcessMessages()) return;
    }
}

}  // namespace ordo::test
