#include "net/transforms.h"

#include <gtest/gtest.h>

#include <string>

#include "net/des.h"
#include "net/zlib_codec.h"

namespace ordo {
namespace {

template <class F>
std::string ErrorText(F&& f) {
    try {
        f();
    } catch (const EOrdoError& e) {
        return e.what();
    }
    return "no error";
}

TEST(TOrdoTransforms, OrdoEncryptShiftsEveryByteByFour) {
    TOrdoTransforms t;
    t.SetEncryption(etOrdoEncrypt);
    Bytes data{0xFE, 0x00, 0xFC, 0x41};
    t.Encrypt(data);
    EXPECT_EQ(data, (Bytes{0x02, 0x04, 0x00, 0x45}));
    t.Decrypt(data);
    EXPECT_EQ(data, (Bytes{0xFE, 0x00, 0xFC, 0x41}));
}

TEST(TOrdoTransforms, NoEncryptionAndAESLeaveDataAlone) {
    TOrdoTransforms t;
    for (TOrdoEncryption e : {etNoEncryption, etAESEncrypt}) {
        t.SetEncryption(e);
        Bytes data{1, 2, 3};
        t.Encrypt(data);
        t.Decrypt(data);
        EXPECT_EQ(data, (Bytes{1, 2, 3}));
    }
}

TEST(TOrdoTransforms, DESNeedsAKey) {
    TOrdoTransforms t;
    t.SetEncryption(etDESEncrypt);
    EXPECT_FALSE(t.HasDESKey());
    Bytes data{1};
    EXPECT_EQ(ErrorText([&] { t.Encrypt(data); }), "DES key not set");
    EXPECT_EQ(ErrorText([&] { t.Decrypt(data); }), "DES key not set");
    t.SetEncryptKeyIn("");
    EXPECT_FALSE(t.HasDESKey()) << "setting the same empty text does nothing";
}

TEST(TOrdoTransforms, DESKeyPropertiesFollowEachOther) {
    TOrdoTransforms in;
    in.SetEncryptKeyIn("first");
    EXPECT_EQ(in.EncryptKeyOut(), "") << "only stored while another encryption is chosen";
    EXPECT_FALSE(in.HasDESKey());
    in.SetEncryption(etDESEncrypt);
    EXPECT_EQ(in.EncryptKeyOut(), "first");
    EXPECT_TRUE(in.HasDESKey());

    TOrdoTransforms out;
    out.SetEncryptKeyOut("first");
    out.SetEncryption(etDESEncrypt);
    EXPECT_EQ(out.EncryptKeyIn(), "first");

    Bytes data = ToBytes("nine byte");
    out.Encrypt(data);
    EXPECT_EQ(data.size(), 4u + 16u);
    Bytes copy = data;
    in.Decrypt(copy);
    EXPECT_EQ(AsText(copy), "nine byte");

    in.SetEncryptKeyOut("second");
    EXPECT_EQ(in.EncryptKeyIn(), "second");
    copy = data;
    in.Decrypt(copy);
    EXPECT_NE(AsText(copy), "nine byte") << "the schedule was rebuilt from the new key";

    TOrdoTransforms longKey;
    longKey.SetEncryption(etDESEncrypt);
    longKey.SetEncryptKeyIn("firstXXXyyy");
    Bytes a = ToBytes("abcdefgh"), b = a;
    longKey.Encrypt(a);
    TOrdoTransforms eight;
    eight.SetEncryptKeyIn("firstXXX");
    eight.SetEncryption(etDESEncrypt);
    eight.Encrypt(b);
    EXPECT_EQ(a, b);
}

TEST(TOrdoTransforms, UserDefinedTransformsNeedTheirHandlers) {
    TOrdoTransforms t;
    t.SetEncryption(etUserDefined);
    t.SetCompression(acUserDefined);
    Bytes d{1};
    EXPECT_EQ(ErrorText([&] { t.Encrypt(d); }),
              "The Application is set for UserDefined Encryption, but there is no code assigned to the OnEncrypt "
              "event handler.");
    EXPECT_EQ(ErrorText([&] { t.Decrypt(d); }),
              "You have selected UserDefined Encryption, but you have not assinged the OnDecrypt event handler.");
    EXPECT_EQ(ErrorText([&] { t.Compress(d); }),
              "The Application is set for UserDefined Compression, but there is no code assigned to the OnCompress "
              "event handler");
    EXPECT_EQ(ErrorText([&] { t.Decompress(d); }),
              "The Application is set for UserDefined Compression, but there is no code assigned to the OnDecompress "
              "event handler.");
    EXPECT_THROW(t.Encrypt(d), EUserDefinedEncComp);

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
    EXPECT_EQ(ErrorText([&] { t.SetCompression(acOrdoCompress); }),
              "Lzh compression only supported Ordo Custom Compression\rUse OrdoZLib!");
    EXPECT_EQ(t.Compression(), acOrdoCompress) << "stored before the refusal";
    Bytes d{5, 6};
    EXPECT_EQ(ErrorText([&] { t.Compress(d); }),
              "Use OrdoZLib Compression. LZH compression must be implemetned as userdefined");
    t.Decompress(d);
    EXPECT_EQ(d, (Bytes{5, 6}));
}

TEST(TOrdoTransforms, OrderSwitchReversesBothSides) {
    const Bytes line = ToBytes(std::string(200, 'x'));
    for (bool reversed : {false, true}) {
        SCOPED_TRACE(reversed);
        SetTransformOrderReversed(reversed);
        TOrdoTransforms t;
        t.SetCompression(acOrdoZLib);
        t.SetEncryption(etOrdoEncrypt);
        Bytes data = line;
        t.ApplyOutgoing(data);
        Bytes expected = line;
        if (reversed) {
            OrdoEncryptBytes(expected);
            expected = ZLibCompress(expected);
        } else {
            expected = ZLibCompress(expected);
            OrdoEncryptBytes(expected);
        }
        EXPECT_EQ(data, expected);
        t.ApplyIncoming(data);
        EXPECT_EQ(data, line);
    }
    SetTransformOrderReversed(false);
}

TEST(TOrdoTransforms, WorkingEncryptionIsWhatTheTransformsUse) {
    TOrdoTransforms t;
    t.SetEncryption(etOrdoEncrypt);
    t.SetWorkingEncryption(etNoEncryption);
    Bytes d{10};
    t.Encrypt(d);
    EXPECT_EQ(d, Bytes{10});
    t.ResetWorkingEncryption();
    t.Encrypt(d);
    EXPECT_EQ(d, Bytes{14});
}

}  // namespace
}  // namespace ordo
