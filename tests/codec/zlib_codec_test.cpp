#include "codec/zlib_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <string>

#include "codec/transforms.h"
#include "tests/support/error_text.h"

namespace ordo {
namespace {

std::string ErrorOf(ByteView data, std::size_t max = kMaxInflatedSize) {
    return test::ErrorText<EOrdoTransformError>([&] { (void)ZLibDecompress(data, max); });
}

// The system zlib, called directly, as a second opinion on our streams.
Bytes SystemInflate(const Bytes& z, std::size_t size) {
    Bytes out(size + 1);
    uLongf len = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(out.data(), &len, z.data(), static_cast<uLong>(z.size())), Z_OK);
    out.resize(len);
    return out;
}

TEST(ZLibCodec, RoundTripsTextAndBinaryAsOneLevel1Stream) {
    std::mt19937 rng(77);
    Bytes binary(100'000);
    for (auto& b : binary) b = static_cast<std::uint8_t>(rng());
    const Bytes text = ToBytes(std::string(5000, 'a') + "SELECT * FROM SAL_JAINFO 한글");
    for (const Bytes* data : {static_cast<const Bytes*>(&binary), &text}) {
        const Bytes z = ZLibCompress(*data);
        ASSERT_GE(z.size(), 2u);
        EXPECT_EQ(z[0], 0x78) << "zlib wrapper, 32 KiB window";
        EXPECT_EQ(z[1], 0x01) << "header level bits of the fastest setting";
        EXPECT_EQ(ZLibDecompress(z), *data);
        EXPECT_EQ(SystemInflate(z, data->size()), *data);
    }
}

TEST(ZLibCodec, EmptyInputMakesAValidStreamThatInflatesToEmpty) {
    const Bytes z = ZLibCompress({});
    EXPECT_FALSE(z.empty());
    EXPECT_TRUE(ZLibDecompress(z).empty());
    EXPECT_TRUE(SystemInflate(z, 0).empty());
    const std::string rows = "1\t홍길동\t2024-01-02\r\n";
    EXPECT_EQ(InflateRowsText(AsText(ZLibCompress(AsBytes(rows)))), rows);
}

TEST(ZLibCodec, HighlyCompressedBodyInflatesFully) {
    const Bytes zeros(30'000'000, 0);
    const Bytes z = ZLibCompress(zeros);
    EXPECT_LT(z.size(), zeros.size() / 100);
    EXPECT_EQ(ZLibDecompress(z), zeros);
    EXPECT_EQ(ErrorOf(z, 1'000'000), "Decompression error: output exceeds 1000000 bytes");
}

TEST(ZLibCodec, BadStreamsRaiseZlibsOwnTexts) {
    const Bytes z = ZLibCompress(ToBytes(std::string(1000, 'q') + "tail"));
    EXPECT_EQ(ErrorOf(ByteView(z).first(z.size() - 5)), "Decompression error: buffer error");
    EXPECT_EQ(ErrorOf(ByteView(z).first(1)), "Decompression error: buffer error");
    EXPECT_EQ(ErrorOf({}), "Decompression error: buffer error");
    Bytes corrupt = z;
    corrupt[0] = 0x00;
    EXPECT_EQ(ErrorOf(corrupt), "Decompression error: data error");

    // A stream that needs a preset dictionary cannot be inflated here; it must not spin.
    z_stream s{};
    ASSERT_EQ(deflateInit(&s, 1), Z_OK);
    const Bytef dict[] = "dictionary";
    deflateSetDictionary(&s, dict, sizeof dict);
    Bytes withDict(64);
    Bytef in[] = "dictionary";
    s.next_in = in;
    s.avail_in = sizeof in;
    s.next_out = withDict.data();
    s.avail_out = static_cast<uInt>(withDict.size());
    ASSERT_EQ(deflate(&s, Z_FINISH), Z_STREAM_END);
    withDict.resize(s.total_out);
    deflateEnd(&s);
    EXPECT_EQ(ErrorOf(withDict), "Decompression error: need dictionary");
}


}  // namespace
}  // namespace ordo
