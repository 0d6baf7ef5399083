#pragma once
// A TCP proxy between fqreplay and ordo-server that cuts the traffic into frames (4-byte length,
// then the body) and lets a test decide, frame by frame, what reaches the other side: the frame
// as it is, the frame one byte per write, nothing at all, half of it and then a reset, or a
// length prefix no receiver may accept.
//
//   FaultProxy proxy(server.Port(), [](const FrameSeen& f) {
//       return f.fromServer && f.index == 0 ? FrameAction::kResetMidway : FrameAction::kForward;
//   });
//   fixture.WriteIni(proxy.Port());
//
// Frames are read as they travel (no compression or encryption is configured in these tests);
// the first body byte is the message code.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ordo::test {

/// The text a kMalformedError frame carries: 0x02, then text whose first four bytes, read as a record length,
/// claim far more than follows.
inline const std::string kMalformedErrorText = "\x02ORA-00001: unique constraint violated";

enum class FrameAction {
    kForward,      ///< pass the frame on unchanged
    kTrickle,      ///< pass it on one byte per write
    kSwallow,      ///< drop it: the other side never sees it, the connection stays open
    kResetMidway,  ///< pass on half of it, then reset both connections
    kOversize,     ///< send a length prefix above the frame limit in its place
    kHold,         ///< keep it back until Release(), then pass it on
    kResetOnArrival,  ///< reset both connections as soon as its length and code are read, its body still on the way
    kMalformedError,  ///< send in its place an SQL error (code 6) whose text begins with 0x02 but is no parameter list
};

struct FrameSeen {
    bool fromServer = false;
    int connection = 0;  ///< 0 for the first connection the proxy accepted
    int index = 0;       ///< frames seen so far in this direction on this connection
    std::uint8_t code = 0;
    std::size_t size = 0;  ///< body bytes
    /// The body is still arriving: asked once per frame that takes more than one read, before it is whole.
    /// Only kResetOnArrival acts then; any other answer waits for the whole frame.
    bool partial = false;
};

class FaultProxy {
public:
    using Policy = std::function<FrameAction(const FrameSeen&)>;

    FaultProxy(int upstreamPort, Policy policy);
    ~FaultProxy();
    FaultProxy(const FaultProxy&) = delete;
    FaultProxy& operator=(const FaultProxy&) = delete;

    [[nodiscard]] int Port() const noexcept { return port_; }
    /// Every frame seen so far, in arrival order, both directions.
    [[nodiscard]] std::vector<FrameSeen> Seen() const;
    /// Frames seen from the client with this message code.
    [[nodiscard]] int RequestsWithCode(std::uint8_t code) const;
    /// Lets the held frames go.
    void Release();

private:
    struct Link;
    void AcceptLoop();
    void Pump(int client, int upstream, int connection);

    int upstreamPort_;
    Policy policy_;
    int listen_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> released_{false};
    std::thread acceptor_;
    mutable std::mutex mutex_;
    std::vector<std::thread> pumps_;
    std::vector<FrameSeen> seen_;
};

}  // namespace ordo::test
