#pragma once
// A scripted server on a real loopback listener: it accepts the client's connections one after
// the other and runs a script on each, reading the client's frames as lines and answering with
// lines built as the server builds them.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "codec/string_line.h"
#include "core/bytes.h"
#include "platform/tcp_socket.h"

namespace ordo::test {

/// One accepted connection as the scripted server sees it.
class PeerConn {
public:
    explicit PeerConn(TBlockingTcpStream s);

    /// The next frame decoded as a line; nothing when the client closed or nothing came in time.
    std::optional<TOrdoStringLine> ReadLine(int timeoutMs = 3000);
    /// True when the client sends nothing (or closes) within the time.
    bool Silent(int ms);
    void Send(TOrdoStringLine line);
    void SendRaw(const Bytes& bytes);

    TBlockingTcpStream stream;
};

/// Accepts `connections` connections one after the other and runs the script on each, in a thread.
class FakePeer {
public:
    using Script = std::function<void(PeerConn& conn, int index)>;

    FakePeer();
    ~FakePeer();
    FakePeer(const FakePeer&) = delete;
    FakePeer& operator=(const FakePeer&) = delete;

    [[nodiscard]] int Port() const noexcept { return listener_.Port(); }

    void Run(Script script, int connections = 1);
    void Join();
    /// What went wrong inside the script, empty when nothing did.
    std::string Failure();

private:
    TTcpListener listener_;
    std::thread thread_;
    std::mutex mutex_;
    std::string failure_;
};

/// Answers the login the socket sends after connecting and takes the version request behind it.
void AnswerLogin(PeerConn& c);

/// A line as the server builds it.
inline TOrdoStringLine Line(std::uint8_t code, std::int32_t dataSetId = 0) { return TOrdoStringLine(code, dataSetId); }

/// A line carrying one text item, as most replies do.
TOrdoStringLine Text(std::uint8_t code, const std::string& text, std::int32_t dataSetId = 0);

/// The wire string of a parameter list of named text values.
Bytes ListBytes(std::initializer_list<std::pair<const char*, const char*>> items);

}  // namespace ordo::test
