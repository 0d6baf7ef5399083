#include "tests/support/socket_peer.h"

#include <stdexcept>

#include "codec/message_codes.h"
#include "core/wire.h"
#include "params/param_list.h"
#include "tests/support/line_frame.h"

namespace ordo::test {

PeerConn::PeerConn(TBlockingTcpStream s) : stream(std::move(s)) { stream.SetTimeout(3000); }

std::optional<TOrdoStringLine> PeerConn::ReadLine(int timeoutMs) {
    if (!stream.WaitReadable(timeoutMs)) return std::nullopt;
    std::uint8_t prefix[4];
    if (!stream.RecvExact(prefix)) return std::nullopt;
    const std::int32_t length = LoadI32LE(prefix);
    if (length < 0) throw std::runtime_error("frame length " + std::to_string(length));
    Bytes body(static_cast<std::size_t>(length));
    if (!body.empty() && !stream.RecvExact(body)) return std::nullopt;
    TOrdoStringLine line;
    line.DecodeFromText(body);
    return line;
}

bool PeerConn::Silent(int ms) {
    if (!stream.WaitReadable(ms)) return true;
    std::uint8_t b = 0;
    return stream.Recv(std::span<std::uint8_t>(&b, 1)) == 0;
}

void PeerConn::Send(TOrdoStringLine line) { stream.SendAll(Frame(std::move(line))); }

void PeerConn::SendRaw(const Bytes& bytes) { stream.SendAll(bytes); }

FakePeer::FakePeer() { listener_.Listen("127.0.0.1", 0); }

FakePeer::~FakePeer() { Join(); }

void FakePeer::Run(Script script, int connections) {
    thread_ = std::thread([this, script = std::move(script), connections] {
        try {
            for (int i = 0; i < connections; ++i) {
                PeerConn conn(listener_.Accept(5000));
                script(conn, i);
            }
        } catch (const std::exception& e) {
            // The test thread reads it through Failure(); a script has no other way to fail the test.
            std::lock_guard lock(mutex_);
            failure_ = e.what();
        }
    });
}

void FakePeer::Join() {
    if (thread_.joinable()) thread_.join();
}

std::string FakePeer::Failure() {
    std::lock_guard lock(mutex_);
    return failure_;
}

void AnswerLogin(PeerConn& c) {
    auto login = c.ReadLine();
    if (!login || login->Token() != mcLogin) throw std::runtime_error("no login");
    TOrdoStringLine reply = Line(mcLogin);
    reply.AddString("1");
    reply.AddString("");
    c.Send(std::move(reply));
    auto version = c.ReadLine();
    if (!version || version->Token() != mcUtilityInfo) throw std::runtime_error("no version request");
}

TOrdoStringLine Text(std::uint8_t code, const std::string& text, std::int32_t dataSetId) {
    TOrdoStringLine l = Line(code, dataSetId);
    l.AddString(text);
    return l;
}

Bytes ListBytes(std::initializer_list<std::pair<const char*, const char*>> items) {
    TOrdoParamList list;
    for (auto [name, value] : items) list.CreateParam(ftString, name, ptInput).SetAsString(value);
    return list.SaveToString(false);
}

}  // namespace ordo::test
