#include "net/string_line.h"
#include "net/message_codes.h"

#include <gtest/gtest.h>

#include "params/memory_stream.h"
#include "platform/wire.h"

namespace ordo {
namespace {

class Named : public TOrdoLineObject {
public:
    std::string LineText() const override { return "named"; }
};

TEST(TOrdoStringLine, LineWithoutItemsIsExactlyTheHeader) {
    TOrdoStringLine line(mcAck, 0);
    const Bytes bytes = line.EncodeToText();
    ASSERT_EQ(bytes.size(), 50u);
    EXPECT_EQ(bytes[0], 4);
    for (std::size_t i = 1; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], 0) << "offset " << i;
}

TEST(TOrdoStringLine, HeaderLayoutOfThreeItems) {
    TOrdoStringLine line(3, 0x01020304);
    line.AddString("SELECT 1");
    line.AddInteger(-25);
    line.AddStream(Bytes{0, 0xFF, 0});
    const Bytes b = line.EncodeToText();
    ASSERT_EQ(b.size(), 50u + 8 + 3 + 3);
    EXPECT_EQ(b[0], 3);
    EXPECT_EQ(LoadI32LE(&b[1]), 0x01020304);
    struct Entry { std::size_t at; std::uint8_t type; std::int32_t start, end; };
    const Entry entries[] = {{5, 0, 1, 9}, {14, 6, 9, 12}, {23, 3, 12, 15}, {32, 0, 0, 0}, {41, 0, 0, 0}};
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.at);
        EXPECT_EQ(b[e.at], e.type);
        EXPECT_EQ(LoadI32LE(&b[e.at + 1]), e.start);
        EXPECT_EQ(LoadI32LE(&b[e.at + 5]), e.end);
    }
    EXPECT_EQ(AsText(ByteView(b).subspan(50, 11)), "SELECT 1-25");
}

TEST(TOrdoStringLine, DecodeReadsBackEveryItemKind) {
    TOrdoStringLine out(29, 12);
    out.AddString("UPDATE T SET A = 1");
    out.AddInteger(-2147483647 - 1);
    TMemoryStream stream(Bytes{1, 0, 2});
    stream.Seek(0, TSeekOrigin::soEnd);
    out.AddStream(stream);
    out.AddString("");
    out.AddObject(Named{}, itObject2);
    TOrdoStringLine in;
    in.DecodeFromText(out.EncodeToText());
    EXPECT_EQ(in.Token(), 29);
    EXPECT_EQ(in.DataSetId(), 12);
    EXPECT_EQ(in.ItemCount(), 5u);
    EXPECT_EQ(in.ReadString(), "UPDATE T SET A = 1");
    EXPECT_EQ(in.ReadInteger(), -2147483647 - 1);
    EXPECT_EQ(in.ReadStream(), (Bytes{1, 0, 2}));
    EXPECT_EQ(in.ReadString(), "");
    EXPECT_EQ(in.ReadString(), "named");
    EXPECT_EQ(in.ReadString(), "UPDATE T SET A = 1") << "the sixth read wraps to the first item";
}

TEST(TOrdoStringLine, ReadsWrapAfterTheLastPresentItem) {
    TOrdoStringLine out(15);
    out.AddInteger(7);
    out.AddString("seven");
    TOrdoStringLine in;
    in.DecodeFromText(out.EncodeToText());
    EXPECT_EQ(in.ReadInteger(), 7);
    EXPECT_EQ(in.ReadString(), "seven");
    EXPECT_EQ(in.ReadInteger(), 7);
    EXPECT_EQ(in.ReadCursor(), 1u);
    in.DecodeFromText(TOrdoStringLine(4).EncodeToText());
    EXPECT_EQ(in.ReadString(), "") << "a line without items reads as empty";
}

TEST(TOrdoStringLine, EncodingEmptiesTheLineAndTheNextItemStartsAfresh) {
    TOrdoStringLine line(3);
    line.AddString("first");
    (void)line.EncodeToText();
    EXPECT_EQ(line.EncodeToText().size(), 50u);
    line.AddString("ab");
    const Bytes b = line.EncodeToText();
    EXPECT_EQ(b.size(), 52u);
    EXPECT_EQ(LoadI32LE(&b[6]), 1);
}

TEST(TOrdoStringLine, MisuseRaisesTheExactTexts) {
    TOrdoStringLine line;
    EXPECT_NO_THROW(line.SetToken(70));
    for (int bad : {71, 255, -1}) {
        try {
            line.SetToken(bad);
            ADD_FAILURE() << bad;
        } catch (const EStringLineException& e) {
            EXPECT_STREQ(e.what(), "BAD TOKEN VALUE");
        }
    }
    EXPECT_EQ(line.Token(), 70);
    for (int i = 0; i < 5; ++i) line.AddInteger(i);
    try {
        line.AddString("six");
        ADD_FAILURE();
    } catch (const EStringLineException& e) {
        EXPECT_STREQ(e.what(), "문자열 에러: 최대 필드를 초과하였습니다.");
    }
    TOrdoStringLine typed;
    for (std::uint8_t type : {4, 5, 7, 255}) {
        try {
            typed.AddItem(AsBytes("x"), type);
            ADD_FAILURE() << int(type);
        } catch (const EStringLineException& e) {
            EXPECT_STREQ(e.what(), "문자열 에러: 잘못된 테이다타입.");
        }
    }
    EXPECT_EQ(typed.ItemCount(), 0u);
}

TEST(TOrdoStringLine, MarkerLineDecodesAsCode43) {
    Bytes body;
    AppendI32LE(body, -3);
    body.push_back('z');
    TOrdoStringLine in(5, 9);
    in.DecodeFromText(body);
    EXPECT_EQ(in.Token(), 43);
    EXPECT_EQ(in.Payload(), (Bytes{'z'}));
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
    const char* cases[] = {"abc", "", "12x", "2147483648", "--1"};
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        TOrdoStringLine out(6);
        out.AddString(text);
        TOrdoStringLine in;
        in.DecodeFromText(out.EncodeToText());
        try {
            (void)in.ReadInteger();
            ADD_FAILURE();
        } catch (const EConvertError& e) {
            EXPECT_EQ(std::string(e.what()), std::string("'") + text + "' is not a valid integer value");
        }
    }
}

}  // namespace
}  // namespace ordo
