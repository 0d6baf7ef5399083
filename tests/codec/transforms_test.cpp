#include "codec/transforms.h"

#include <gtest/gtest.h>

#include <string>

#include "codec/zlib_codec.h"
#include "tests/support/error_text.h"

namespace ordo {
namespace {

using test::ErrorText;

Bytes Encrypted(TOrdoTransforms& t, Bytes data) {
    t.Encrypt(data);
    return data;
}

TEST(TOrdoTransforms, OrdoEncryptShiftsBytesAndAESOrNoneLeaveThem) {
    TOrdoTransforms t;
    t.SetEncryption(etOrdoEncrypt);
    Bytes data = Encrypted(t, {0xFE, 0x00, 0xFC, 0x41});
    EXPECT_EQ(data, (Bytes{0x02, 0x04, 0x00, 0x45}));
    t.Decrypt(data);
    EXPECT_EQ(data, (Bytes{0xFE, 0x00, 0xFC, 0x41}));
    for (TOrdoEncryption e : {etNoEncryption, etAESEncrypt}) {
        t.SetEncryption(e);
        EXPECT_EQ(Encrypted(t, {1, 2, 3}), (Bytes{1, 2, 3}));
    }
}

TEST(TOrdoTransforms, DESWithoutAKeyFails) {
    TOrdoTransforms t;
    t.SetEncryptKeyIn("");
    t.SetEncryption(etDESEncrypt);
    EXPECT_FALSE(t.HasDESKey());
    Bytes data{1};
    EXPECT_EQ(ErrorText<EDESError>([&] { t.Encrypt(data); }), "DES key not set");
    EXPECT_EQ(ErrorText<EDESError>([&] { t.Decrypt(data); }), "DES key not set");
}

TEST(TOrdoTransforms, DESKeyPropertiesFollowEachOther) {
    TOrdoTransforms in;
    in.SetEncryptKeyIn("first");
    EXPECT_EQ(in.EncryptKeyOut(), "") << "only stored while another encryption is chosen";
    in.SetEncryption(etDESEncrypt);
    EXPECT_EQ(in.EncryptKeyOut(), "first");
    TOrdoTransforms out;
    out.SetEncryptKeyOut("first");
    out.SetEncryption(etDESEncrypt);
    EXPECT_EQ(out.EncryptKeyIn(), "first");

    const Bytes body = Encrypted(out, ToBytes("nine byte"));
    EXPECT_EQ(body.size(), 4u + 16u);
    Bytes copy = body;
    in.Decrypt(copy);
    EXPECT_EQ(AsText(copy), "nine byte");
    in.SetEncryptKeyOut("second");
    EXPECT_EQ(in.EncryptKeyIn(), "second");
    copy = body;
    in.Decrypt(copy);
    EXPECT_NE(AsText(copy), "nine byte") << "the schedule was rebuilt from the new key";

    out.SetEncryptKeyIn("firstXXXyyy");
    TOrdoTransforms eight;
    eight.SetEncryptKeyIn("firstXXX");
    eight.SetEncryption(etDESEncrypt);
    EXPECT_EQ(Encrypted(out, ToBytes("abcdefgh")), Encrypted(eight, ToBytes("abcdefgh")));
}

TEST(TOrdoTransforms, UserDefinedTransformsNeedTheirHandlers) {
    TOrdoTransforms t;
    t.SetEncryption(etUserDefined);
    t.SetCompression(acUserDefined);
    Bytes d{1};
    EXPECT_EQ(ErrorText<EUserDefinedEncComp>([&] { t.Encrypt(d); }),
              "The Application is set for UserDefined Encryption, but there is no code assigned to the OnEncrypt "
              "event handler.");
    EXPECT_EQ(ErrorText<EUserDefinedEncComp>([&] { t.Decrypt(d); }),
              "You have selected UserDefined Encryption, but you have not assinged the OnDecrypt event handler.");
    EXPECT_EQ(ErrorText<EUserDefinedEncComp>([&] { t.Compress(d); }),
              "The Application is set for UserDefined Compression, but there is no code assigned to the OnCompress "
              "event handler");
    EXPECT_EQ(ErrorText<EUserDefinedEncComp>([&] { t.Decompress(d); }),
              "The Application is set for UserDefined Compression, but there is no code assigned to the OnDecompress "
              "event handler.");

    std::string calls;
    t.OnEncrypt = [&](TOrdoTransforms& s, Bytes& b) { EXPECT_EQ(&s, &t); calls += 'E'; b.push_back('e'); };
    t.OnCompress = [&](TOrdoTransforms&, Bytes& b) { calls += 'C'; b.push_back('c'); };
    t.OnStatelessPacketEvent = [&](TOrdoTransforms&, Bytes&, bool outgoing) { calls += outgoing ? 'S' : 's'; };
    Bytes data;
    t.ApplyOutgoing(data);
    EXPECT_EQ(calls, "CSE");
    EXPECT_EQ(AsText(data), "ce");
}

TEST(TOrdoTransforms, LzhCompressionIsRefused) {
    TOrdoTransforms t;
    EXPECT_EQ(ErrorText<EOrdoTransformError>([&] { t.SetCompression(acOrdoCompress); }),
              "Lzh compression only supported Ordo Custom Compression\rUse OrdoZLib!");
    EXPECT_EQ(t.Compression(), acOrdoCompress) << "stored before the refusal";
    Bytes d{5, 6};
    EXPECT_EQ(ErrorText<EOrdoTransformError>([&] { t.Compress(d); }),
              "Use OrdoZLib Compression. LZH compression must be implemetned as userdefined");
    t.Decompress(d);
    EXPECT_EQ(d, (Bytes{5, 6}));
}

TEST(TOrdoTransforms, OrderSwitchReversesBothSides) {
    const Bytes line = ToBytes(std::string(200, 'x'));
    for (bool reversed : {false, true}) {
        SetTransformOrderReversed(reversed);
        TOrdoTransforms t;
        t.SetCompression(acOrdoZLib);
        t.SetEncryption(etOrdoEncrypt);
        Bytes data = line;
        t.ApplyOutgoing(data);
        Bytes expected = reversed ? line : ZLibCompress(line);
        OrdoEncryptBytes(expected);
        if (reversed) expected = ZLibCompress(expected);
        EXPECT_EQ(data, expected) << reversed;
        t.ApplyIncoming(data);
        EXPECT_EQ(data, line) << reversed;
    }
    SetTransformOrderReversed(false);
}

TEST(TOrdoTransforms, WorkingEncryptionIsWhatTheTransformsUse) {
    TOrdoTransforms t;
    t.SetEncryption(etOrdoEncrypt);
    t.SetWorkingEncryption(etNoEncryption);
    EXPECT_EQ(Encrypted(t, {10}), Bytes{10});
    t.ResetWorkingEncryption();
    EXPECT_EQ(Encrypted(t, {10}), Bytes{14});
}

}  // namespace
}  // namespace ordo
