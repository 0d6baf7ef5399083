// Request/reply round trips through the client socket against a server that answers at once,
// next to a plain blocking ping-pong of the same byte counts over loopback.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "core/wire.h"
#include "net/client_socket.h"
#include "platform/tcp_socket.h"

namespace ordo {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kSql = "UPDATE SAL_JAINFO SET MISU = 0 WHERE BUYERCD = '000123'";

Bytes Frame(TOrdoStringLine line) {
    Bytes body = line.EncodeToText();
    Bytes frame;
    AppendI32LE(frame, static_cast<std::int32_t>(body.size()));
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

Bytes RequestFrame() {
    TOrdoStringLine line(mcExecSQL, 1);
    line.AddString(kSql);
    line.AddString("");
    return Frame(std::move(line));
}

/// Answers every frame at once: the login with "accepted", the version request not at all,
/// anything else with an acknowledgement. Ends when the client closes.
void ServeFrames(TBlockingTcpStream stream) {
    const Bytes ack = Frame(TOrdoStringLine(mcAck, 0));
    TOrdoStringLine accepted(mcLogin, 0);
    accepted.AddString("1");
    const Bytes loginReply = Frame(std::move(accepted));
    std::uint8_t prefix[4];
    Bytes body;
    while (stream.RecvExact(prefix)) {
        body.resize(static_cast<std::size_t>(LoadI32LE(prefix)));
        if (!stream.RecvExact(body)) break;
        if (body[0] == mcUtilityInfo) continue;
        stream.SendAll(body[0] == mcLogin ? loginReply : ack);
    }
}

/// Echoes fixed-size requests with fixed-size replies, as the framed server does.
void ServeRaw(TBlockingTcpStream stream, std::size_t requestSize, std::size_t replySize) {
    Bytes request(requestSize);
    const Bytes reply(replySize, 0x04);
    while (stream.RecvExact(request)) stream.SendAll(reply);
}

void ReportLatencies(benchmark::State& state, std::vector<double>& us) {
    if (us.empty()) return;
    std::sort(us.begin(), us.end());
    state.counters["median_us"] = us[us.size() / 2];
    state.counters["p99_us"] = us[std::min(us.size() - 1, us.size() * 99 / 100)];
    state.counters["requests_per_s"] = benchmark::Counter(static_cast<double>(us.size()), benchmark::Counter::kIsRate);
}

void BM_ClientSocketRoundTrip(benchmark::State& state) {
    TTcpListener listener;
    listener.Listen("127.0.0.1", 0);
    std::thread server([&] { ServeFrames(listener.Accept(5000)); });
    std::vector<double> us;
    {
        TOrdoClientSocket socket;
        socket.SetAddress("127.0.0.1");
        socket.SetPort(listener.Port());
        socket.SetApplicationName("bench");
        socket.OpenAndWait();
        while (socket.Active() && socket.LoginAttempts() == 0) ProcessMessages();
        us.reserve(200000);
        for (auto _ : state) {
            auto start = Clock::now();
            TOrdoStringLine line(mcExecSQL, 1);
            line.AddString(kSql);
            line.AddString("");
            socket.SendMessageLine(line, true);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
        if (socket.TimedOut()) state.SkipWithError("a reply was lost");
    }
    server.join();
    ReportLatencies(state, us);
}
BENCHMARK(BM_ClientSocketRoundTrip)->UseRealTime()->MinTime(2.0);

void BM_RawPingPong(benchmark::State& state) {
    const Bytes request = RequestFrame();
    const std::size_t replySize = Frame(TOrdoStringLine(mcAck, 0)).size();
    TTcpListener listener;
    listener.Listen("127.0.0.1", 0);
    std::thread server([&] { ServeRaw(listener.Accept(5000), request.size(), replySize); });
    std::vector<double> us;
    {
        TBlockingTcpStream client;
        client.Connect("127.0.0.1", listener.Port(), 5000);
        Bytes reply(replySize);
        us.reserve(200000);
        for (auto _ : state) {
            auto start = Clock::now();
            client.SendAll(request);
            client.RecvExact(reply);
            us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        }
    }
    server.join();
    ReportLatencies(state, us);
}
BENCHMARK(BM_RawPingPong)->UseRealTime()->MinTime(2.0);

}  // namespace
}  // namespace ordo

BENCHMARK_MAIN();
