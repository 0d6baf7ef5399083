#include "codec/string_line.h"

#include <gtest/gtest.h>

#include "codec/message_codes.h"
#include "core/memory_stream.h"
#include "core/wire.h"
#include "tests/support/error_text.h"

namespace ordo {
namespace {

using test::ErrorText;

class Named : public TOrdoLineObject {
public:
    std::string LineText() const override { return "named"; }
};

TOrdoStringLine Decoded(TOrdoStringLine& out) {
    TOrdoStringLine in;
    in.DecodeFromText(out.EncodeToText());
    return in;
}

TEST(TOrdoStringLine, LineWithoutItemsIsExactlyTheHeader) {
    TOrdoStringLine line(mcAck);
    const Bytes bytes = line.EncodeToText();
    ASSERT_EQ(bytes.size(), 50u);
    EXPECT_EQ(bytes[0], 4);
    EXPECT_EQ(Bytes(bytes.begin() + 1, bytes.end()), Bytes(49, 0));
}

TEST(TOrdoStringLine, HeaderLayoutOfThreeItems) {
    TOrdoStringLine line(3, 0x01020304);
    line.AddString("SELECT 1");
    line.AddInteger(-25);
    line.AddStream(Bytes{0, 0xFF, 0});
    const Bytes b = line.EncodeToText();
    ASSERT_EQ(b.size(), 50u + 8 + 3 + 3);
    EXPECT_EQ(LoadI32LE(&b[1]), 0x01020304);
    struct Entry { std::size_t at; std::uint8_t type; std::int32_t start, end; };
    for (const Entry& e : {Entry{5, 0, 1, 9}, {14, 6, 9, 12}, {23, 3, 12, 15}, {32, 0, 0, 0}, {41, 0, 0, 0}}) {
        SCOPED_TRACE(e.at);
        EXPECT_EQ(b[e.at], e.type);
        EXPECT_EQ(LoadI32LE(&b[e.at + 1]), e.start);
        EXPECT_EQ(LoadI32LE(&b[e.at + 5]), e.end);
    }
    EXPECT_EQ(AsText(ByteView(b).subspan(50, 11)), "SELECT 1-25");
    EXPECT_EQ(line.EncodeToText().size(), 50u) << "encoding leaves the line empty";
}

TEST(TOrdoStringLine, DecodeReadsEveryItemKindAndWrapsAround) {
    TOrdoStringLine out(29, 12);
    out.AddString("UPDATE T SET A = 1");
    out.AddInteger(-2147483647 - 1);
    TMemoryStream stream(Bytes{1, 0, 2});
    stream.Seek(0, TSeekOrigin::soEnd);
    out.AddStream(stream);  // taken from position 0 wherever the stream stands
    out.AddString("");
    out.AddObject(Named{}, itObject2);
    TOrdoStringLine in = Decoded(out);
    EXPECT_EQ(in.Token(), 29);
    EXPECT_EQ(in.DataSetId(), 12);
    EXPECT_EQ(in.ReadString(), "UPDATE T SET A = 1");
    EXPECT_EQ(in.ReadInteger(), -2147483647 - 1);
    EXPECT_EQ(in.ReadStream(), (Bytes{1, 0, 2}));
    EXPECT_EQ(in.ReadString(), "");
    EXPECT_EQ(in.ReadString(), "named");
    EXPECT_EQ(in.ReadString(), "UPDATE T SET A = 1") << "the sixth read wraps to the first item";

    TOrdoStringLine two(15);
    two.AddInteger(7);
    two.AddString("seven");
    in = Decoded(two);
    EXPECT_EQ(in.ReadInteger(), 7);
    EXPECT_EQ(in.ReadString(), "seven");
    EXPECT_EQ(in.ReadInteger(), 7) << "wraps after the last present item";
}

TEST(TOrdoStringLine, AnItemAfterEncodingStartsAFreshPayload) {
    TOrdoStringLine line(3);
    line.AddString("first");
    (void)line.EncodeToText();
    line.AddString("ab");
    const Bytes b = line.EncodeToText();
    EXPECT_EQ(b.size(), 52u);
    EXPECT_EQ(LoadI32LE(&b[6]), 1);
}

TEST(TOrdoStringLine, MisuseRaisesTheExactTexts) {
    TOrdoStringLine line;
    EXPECT_NO_THROW(line.SetToken(70));
    for (int bad : {71, 255, -1})
        EXPECT_EQ(ErrorText<EStringLineException>([&] { line.SetToken(bad); }), "BAD TOKEN VALUE") << bad;
    EXPECT_EQ(line.Token(), 70);
    for (int i = 0; i < 5; ++i) line.AddInteger(i);
    EXPECT_EQ(ErrorText<EStringLineException>([&] { line.AddString("six"); }),
              "문자열 에러: 최대 필드를 초과하였습니다.");
    TOrdoStringLine typed;
    for (std::uint8_t type : std::initializer_list<std::uint8_t>{4, 5, 7, 255})
        EXPECT_EQ(ErrorText<EStringLineException>([&] { typed.AddItem(AsBytes("x"), type); }),
                  "문자열 에러: 잘못된 테이다타입.");
    EXPECT_EQ(typed.ItemCount(), 0u);
}

TEST(TOrdoStringLine, MarkerLineDecodesAsCode43) {
    Bytes body;
    AppendI32LE(body, -3);
    body.push_back('z');
    TOrdoStringLine in(5, 9);
    in.DecodeFromText(body);
    EXPECT_EQ(in.Token(), mcMarker);
    EXPECT_EQ(in.Payload(), (Bytes{'z'}));
}

TEST(TOrdoStringLine, ABufferTakenOverDecodesLikeACopiedOne) {
    TOrdoStringLine out(7, 3);
    out.AddString("first");
    out.AddInteger(-12);
    out.AddStream(AsBytes(std::string(5000, 'r')));
    const Bytes body = out.EncodeToText();
    TOrdoStringLine copied, moved;
    copied.DecodeFromText(ByteView(body));
    moved.DecodeFromText(Bytes(body));
    EXPECT_EQ(moved.Token(), 7);
    EXPECT_EQ(moved.DataSetId(), 3);
    EXPECT_EQ(moved.Payload(), copied.Payload());
    EXPECT_EQ(moved.ReadString(), "first");
    EXPECT_EQ(moved.ReadInteger(), -12);
    EXPECT_EQ(moved.ReadStream().size(), 5000u);

    Bytes marker;
    AppendI32LE(marker, -3);
    marker.push_back('z');
    moved.DecodeFromText(std::move(marker));
    EXPECT_EQ(moved.Token(), mcMarker);
    EXPECT_EQ(moved.Payload(), (Bytes{'z'}));
    EXPECT_THROW(moved.DecodeFromText(Bytes(49)), EOrdoProtocolError);
}

TEST(TOrdoStringLine, MalformedInputRaisesInsteadOfReadingPastTheEnd) {
    TOrdoStringLine in;
    EXPECT_THROW(in.DecodeFromText(Bytes(49)), EOrdoProtocolError);
    TOrdoStringLine out(6);
    out.AddString("abc");
    Bytes b = out.EncodeToText();
    StoreI32LE(&b[10], 40);  // item 1 claims to end far behind the 3-byte payload
    in.DecodeFromText(b);
    EXPECT_THROW(in.ReadString(), EOrdoProtocolError);
    StoreI32LE(&b[6], 3);
    StoreI32LE(&b[10], 2);  // ends before it starts
    in.DecodeFromText(b);
    EXPECT_THROW(in.ReadString(), EOrdoProtocolError);
}

TEST(TOrdoStringLine, NonNumericIntegerItemIsAConversionError) {
    for (const char* text : {"abc", "", "12x", "2147483648", "--1"}) {
        TOrdoStringLine out(6);
        out.AddString(text);
        TOrdoStringLine in = Decoded(out);
        EXPECT_EQ(ErrorText<EConvertError>([&] { (void)in.ReadInteger(); }),
                  std::string("'") + text + "' is not a valid integer value");
    }
}

}  // namespace
}  // namespace ordo
