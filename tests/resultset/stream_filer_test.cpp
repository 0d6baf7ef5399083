#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "resultset/stream_filer.h"

namespace ordo {
namespace {

using namespace std::string_literals;

Bytes Written(const std::function<void(TOrdoFilerWriter&)>& f) {
    TMemoryStream s;
    {
        TOrdoFilerWriter w(s);
        f(w);
        w.FlushBuffer();
    }
    return s.Release();
}

TEST(TOrdoFilerWriter, IntegersTakeTheShortestTag) {
    struct Case {
        std::int32_t value;
        Bytes bytes;
    } cases[] = {
        {127, {0x02, 0x7F}},
        {-128, {0x02, 0x80}},
        {128, {0x03, 0x80, 0x00}},
        {-129, {0x03, 0x7F, 0xFF}},
        {-32768, {0x03, 0x00, 0x80}},
        {40000, {0x04, 0x40, 0x9C, 0x00, 0x00}},
        {-40000, {0x04, 0xC0, 0x63, 0xFF, 0xFF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        const Bytes b = Written([&](TOrdoFilerWriter& w) { w.WriteInteger(c.value); });
        EXPECT_EQ(b, c.bytes);
        TMemoryStream s(b);
        TOrdoFilerReader r(s);
        EXPECT_EQ(r.ReadInteger(), c.value);
    }
}

TEST(TOrdoFilerWriter, StringsOfTwoLengthForms) {
    const std::string s255(255, 'a');
    const std::string s300(300, 'b');
    const Bytes b255 = Written([&](TOrdoFilerWriter& w) { w.WriteString(s255); });
    ASSERT_EQ(b255.size(), 257u);
    EXPECT_EQ(b255[0], 0x06);
    EXPECT_EQ(b255[1], 0xFF);
    const Bytes b300 = Written([&](TOrdoFilerWriter& w) { w.WriteString(s300); });
    ASSERT_EQ(b300.size(), 305u);
    EXPECT_EQ(Bytes(b300.begin(), b300.begin() + 5), (Bytes{0x0C, 0x2C, 0x01, 0x00, 0x00}));
    TMemoryStream s(b300);
    TOrdoFilerReader r(s);
    EXPECT_EQ(r.ReadString(), s300);
}

TEST(TOrdoFilerReader, WideAndUtf8StringsAreConverted) {
    // "AB" then the Hangul syllable U+AC00 as UTF-16LE and as UTF-8.
    Bytes b = {0x12, 0x03, 0x00, 0x00, 0x00, 'A', 0, 'B', 0, 0x00, 0xAC};
    const Bytes utf8 = {0x14, 0x05, 0x00, 0x00, 0x00, 'A', 'B', 0xEA, 0xB0, 0x80};
    b.insert(b.end(), utf8.begin(), utf8.end());
    TMemoryStream s(b);
    TOrdoFilerReader r(s);
    const std::string expected = Utf8ToAnsi("AB\xEA\xB0\x80");
    EXPECT_EQ(r.ReadString(), expected);
    EXPECT_EQ(r.ReadString(), expected);
}

TEST(TOrdoFilerReader, WrongTagsAndShortStreams) {
    auto expectError = [](Bytes bytes, const std::function<void(TOrdoFilerReader&)>& f, const char* text) {
        TMemoryStream s(std::move(bytes));
        TOrdoFilerReader r(s);
        try {
            f(r);
            ADD_FAILURE() << "no exception";
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), text);
        }
    };
    expectError({0x06, 0x00}, [](TOrdoFilerReader& r) { (void)r.ReadInteger(); }, "Invalid property value");
    expectError({0x02, 0x01}, [](TOrdoFilerReader& r) { (void)r.ReadString(); }, "Invalid property value");
    expectError({0x00}, [](TOrdoFilerReader& r) { r.ReadListBegin(); }, "Invalid property value");
    expectError({0x01}, [](TOrdoFilerReader& r) { r.ReadListEnd(); }, "Invalid property value");
    expectError({0x05, 0x00}, [](TOrdoFilerReader& r) { (void)r.ReadInteger(); }, "Invalid property value");
    expectError({0x04, 0x01, 0x02}, [](TOrdoFilerReader& r) { (void)r.ReadInteger(); }, "Stream read error");
    expectError({0x06, 0x05, 'a'}, [](TOrdoFilerReader& r) { (void)r.ReadString(); }, "Stream read error");
    expectError({0x0C, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}, [](TOrdoFilerReader& r) { (void)r.ReadString(); },
                "Stream read error");
    expectError({}, [](TOrdoFilerReader& r) { (void)r.EndOfList(); }, "Stream read error");
}

TEST(TOrdoFilerReader, GivesUnreadBytesBack) {
    Bytes b = {0x01, 0x02, 0x05, 0x00};
    for (int i = 0; i < 2000; ++i) b.push_back(static_cast<std::uint8_t>(i));
    TMemoryStream s(b);
    {
        TOrdoFilerReader r(s);
        r.ReadListBegin();
        EXPECT_FALSE(r.EndOfList());
        EXPECT_EQ(r.ReadInteger(), 5);
        EXPECT_TRUE(r.EndOfList());
        r.ReadListEnd();
        r.FlushBuffer();
    }
    EXPECT_EQ(s.Position(), 4);
}

TEST(PlainValues, CountedStringsAndTheirLimits) {
    TMemoryStream s;
    WritePlainString(s, "abc");
    WritePlainString(s, "");
    WritePlainInt32(s, -2);
    EXPECT_EQ(s.Size(), 4 + 3 + 4 + 4);
    s.SetPosition(0);
    EXPECT_EQ(ReadPlainString(s), "abc");
    EXPECT_EQ(ReadPlainString(s), "");
    EXPECT_EQ(ReadPlainInt32(s), -2);
    TMemoryStream lying(Bytes{0x10, 0x00, 0x00, 0x00, 'a'});
    EXPECT_THROW(ReadPlainString(lying), EReadError);
}

}  // namespace
}  // namespace ordo
