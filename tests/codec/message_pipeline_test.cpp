#include "codec/message_pipeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/message_codes.h"
#include "core/wire.h"

namespace ordo {
namespace {

using Seen = std::vector<std::string>;

void Configure(TOrdoMessagePipeline& p, TOrdoCompression c, TOrdoEncryption e) {
    p.Transforms().SetCompression(c);
    p.Transforms().SetEncryptKeyIn("k3y");
    p.Transforms().SetEncryption(e);
}

Bytes Frame(TOrdoMessagePipeline& p, std::uint8_t code, std::int32_t id, const std::string& text) {
    TOrdoStringLine line(code, id);
    line.AddString(text);
    line.AddInteger(static_cast<std::int32_t>(text.size()));
    return p.EncodeFrame(line);
}

// Records "code/id:text#int" for each line its codes receive.
void Record(TOrdoMessagePipeline& p, Seen& seen, std::initializer_list<std::uint8_t> codes) {
    for (std::uint8_t code : codes)
        p.SetHandler(code, [&seen, code](TOrdoStringLine& l) {
            std::string text = l.ReadString();
            seen.push_back(std::to_string(code) + "/" + std::to_string(l.DataSetId()) + ":" + text + "#" +
                           std::to_string(l.ReadInteger()));
        });
}

TEST(TOrdoMessagePipeline, EmptyLineMakesThe54ByteFrame) {
    TOrdoMessagePipeline p;
    TOrdoStringLine line(mcAck);
    const Bytes frame = p.EncodeFrame(line);
    ASSERT_EQ(frame.size(), 54u);
    EXPECT_EQ(LoadI32LE(frame.data()), 50);
    EXPECT_EQ(frame[4], mcAck);
}

TEST(TOrdoMessagePipeline, EveryTransformCombinationRoundTrips) {
    for (TOrdoCompression c : {acNoCompression, acOrdoZLib}) {
        for (TOrdoEncryption e : {etNoEncryption, etOrdoEncrypt, etDESEncrypt, etAESEncrypt}) {
            SCOPED_TRACE(std::to_string(c) + "/" + std::to_string(e));
            TOrdoMessagePipeline client, server;
            Configure(client, c, e);
            Configure(server, c, e);
            Seen seen;
            Record(server, seen, {mcExecSQL});
            server.Feed(Frame(client, mcExecSQL, 3, "DELETE FROM SAL_JAINFO"));
            EXPECT_EQ(seen, Seen{"29/3:DELETE FROM SAL_JAINFO#22"});
        }
    }
}

TEST(TOrdoMessagePipeline, FramesInOneReadOrByteByByteAreDeliveredInOrderOnce) {
    TOrdoMessagePipeline client;
    Configure(client, acOrdoZLib, etDESEncrypt);
    Bytes wire;
    for (int i = 0; i < 4; ++i) {
        const Bytes f = Frame(client, i % 2 ? mcRowPacket : mcFieldDefs, i, "row " + std::to_string(i));
        wire.insert(wire.end(), f.begin(), f.end());
    }
    for (bool byteByByte : {false, true}) {
        TOrdoMessagePipeline server;
        Configure(server, acOrdoZLib, etDESEncrypt);
        Seen seen;
        Record(server, seen, {mcFieldDefs, mcRowPacket});
        if (byteByByte)
            for (std::uint8_t b : wire) server.Feed(Bytes{b});
        else
            server.Feed(wire);
        EXPECT_EQ(seen, (Seen{"1/0:row 0#5", "5/1:row 1#5", "1/2:row 2#5", "5/3:row 3#5"}));
    }
}

TEST(TOrdoMessagePipeline, UnhandledAndMarkerLinesAreIgnored) {
    TOrdoMessagePipeline p;
    Seen seen;
    Record(p, seen, {mcAck});
    std::vector<int> unhandled;
    p.OnUnhandled = [&](TOrdoStringLine& l) { unhandled.push_back(l.Token()); };
    Bytes marker;
    AppendI32LE(marker, -3);
    marker.resize(60, 0);
    p.Feed(PrefixFrame(marker));
    p.Feed(Frame(p, mcBroadcast, 0, "hello"));
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(unhandled, (std::vector<int>{mcMarker, mcBroadcast}));
}

TEST(TOrdoMessagePipeline, AFailingMessageStopsDeliveryAndLeavesTheRestQueued) {
    TOrdoMessagePipeline p;
    Seen seen;
    Record(p, seen, {mcAck});
    p.SetHandler(mcSQLError, [](TOrdoStringLine& l) { throw EDatabaseError(l.ReadString()); });
    Bytes wire;
    for (const Bytes& f : {Frame(p, mcAck, 1, "a"), Frame(p, mcSQLError, 1, "boom"), Frame(p, mcAck, 2, "b")})
        wire.insert(wire.end(), f.begin(), f.end());
    EXPECT_THROW(p.Feed(wire), EDatabaseError);
    EXPECT_EQ(seen, Seen{"4/1:a#1"});
    EXPECT_EQ(p.Stack().QueuedCount(), 1u);
    p.DeliverQueued();
    EXPECT_EQ(seen, (Seen{"4/1:a#1", "4/2:b#1"}));

    TOrdoMessagePipeline plain, zlib;
    Configure(zlib, acOrdoZLib, etNoEncryption);  // the ends disagree on compression
    EXPECT_THROW(zlib.Feed(Frame(plain, mcAck, 0, "x")), EOrdoTransformError);
    TOrdoMessagePipeline noKey;
    noKey.Transforms().SetEncryption(etDESEncrypt);
    TOrdoStringLine line(mcAck);
    EXPECT_THROW(noKey.EncodeFrame(line), EDESError);
}

TEST(TOrdoMessagePipeline, CountsAndReportsLineBytesBeforeTheTransforms) {
    TOrdoMessagePipeline p;
    Configure(p, acOrdoZLib, etNoEncryption);
    std::vector<std::int64_t> out, in;
    auto recorder = [](std::vector<std::int64_t>& v) {
        return [&v](TOrdoMessagePipeline&, std::size_t n, std::int64_t total, std::int64_t count) {
            v.insert(v.end(), {static_cast<std::int64_t>(n), total, count});
        };
    };
    p.OnBytesOut = recorder(out);
    p.OnBytesIn = recorder(in);
    const Bytes f1 = Frame(p, mcAck, 0, "abc");  // 50 + 3 + 1 line bytes
    (void)Frame(p, mcAck, 0, "");                // 50 + 0 + 1
    EXPECT_EQ(out, (std::vector<std::int64_t>{54, 54, 1, 51, 105, 2}));
    p.Feed(f1);
    const auto body = static_cast<std::int64_t>(f1.size() - 4);
    EXPECT_EQ(in, (std::vector<std::int64_t>{body, body, 1}));
    p.ResetTotals();
    EXPECT_EQ(p.BytesOut(), 0);
    EXPECT_EQ(p.MessagesSent(), 2);
}

}  // namespace
}  // namespace ordo
