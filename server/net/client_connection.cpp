#include "server/net/client_connection.h"

#include <cerrno>
#include <exception>
#include <vector>

#include "codec/message_pipeline.h"
#include "server/log.h"

namespace ordo::server {
namespace {

void Configure(TOrdoTransforms& t, const ConnectionSettings& s) {
    if (!s.desKey.empty()) t.SetEncryptKeyIn(s.desKey);
    t.SetEncryption(s.encryption);
    if (s.compression != acNoCompression) t.SetCompression(s.compression);
}

void Serve(int fd, const std::string& peer, const ConnectionSettings& settings, int stopFd) {
    TOrdoMessagePipeline pipeline;
    Configure(pipeline.Transforms(), settings);
    ClientSession session(settings.session, peer, [&](TOrdoStringLine& line) {
        Bytes frame = pipeline.EncodeFrame(line);
        WriteAll(fd, stopFd, frame, settings.writeStallMs);
    });
    session.Install(pipeline);
    std::vector<std::uint8_t> buffer(64 * 1024);
    for (;;) {
        std::size_t got = 0;
        ReadResult r = ReadSome(fd, stopFd, buffer.data(), buffer.size(), got);
        if (r == ReadResult::Closed) {
            Log(LogLevel::Info, peer + ": disconnected");
            return;
        }
        if (r == ReadResult::Stopped) {
            Log(LogLevel::Info, peer + ": closed, server stopping");
            return;
        }
        std::size_t discards = pipeline.Stack().DiscardCount();
        pipeline.Feed(ByteView(buffer.data(), got));
        if (pipeline.Stack().DiscardCount() != discards)
            throw EOrdoProtocolError("frame length outside 0.." + std::to_string(TOrdoMessageStack::kMaxFrameLength));
    }
}

}  // namespace

void ServeClient(UniqueFd fd, const std::string& peer, const ConnectionSettings& settings, int stopFd) {
    Log(LogLevel::Info, peer + ": connected");
    try {
        Serve(fd.Get(), peer, settings, stopFd);
    } catch (const EOSError& e) {
        // A client that hangs up while its last reply is on the way has simply left: fqreplay ends
        // as soon as it has what it waited for.
        const bool leftUs = e.Code() == EPIPE || e.Code() == ECONNRESET;
        Log(leftUs ? LogLevel::Info : LogLevel::Warn,
            peer + (leftUs ? ": disconnected while a reply was sent: " : ": connection dropped: ") + e.what());
    } catch (const EOrdoError& e) {
        Log(LogLevel::Warn, peer + ": closing, bad input: " + e.what());
    } catch (const std::exception& e) {
        Log(LogLevel::Error, peer + ": closing after an internal error: " + e.what());
    }
}

}  // namespace ordo::server
