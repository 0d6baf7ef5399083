#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/guid.h"
#include "core/text_convert.h"

namespace ordo {
namespace {

TEST(StrToInt, AcceptsThePlatformSyntax) {
    struct Case { const char* text; std::int32_t want; } cases[] = {
        {"0", 0}, {"42", 42}, {"-17", -17}, {"+5", 5}, {"  12", 12}, {"$FF", 255}, {"0x1f", 31},
        {"x10", 16}, {"$FFFFFFFF", -1}, {"-$10", -16}, {"2147483647", 2147483647}, {"-2147483648", INT32_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::int32_t v = 7;
        ASSERT_TRUE(TryStrToInt(c.text, v));
        EXPECT_EQ(v, c.want);
    }
}

TEST(StrToInt, RejectsWhatIsNoInteger) {
    for (const char* text : {"", " ", "-", "$", "0x", "12 ", "1.5", "abc", "2147483648", "-2147483649", "$100000000",
                             "1e3", "١"}) {
        SCOPED_TRACE(text);
        std::int32_t v = 7;
        EXPECT_FALSE(TryStrToInt(text, v));
        EXPECT_EQ(v, 7) << "a failed parse must not touch the output";
        EXPECT_EQ(StrToIntDef(text, -3), -3);
    }
    try {
        (void)StrToInt("abc");
        ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'abc' is not a valid integer value");
    }
}

TEST(StrToInt64, CoversTheFullRange) {
    EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64Def("9223372036854775808", 0), 0);
    EXPECT_THROW((void)StrToInt64("12x"), EConvertError);
    EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(IntToHex(0xABC, 6), "000ABC");
}

TEST(TextHelpers, CaseAndBlanks) {
    EXPECT_TRUE(SameText("Param1", "pARAM1"));
    EXPECT_FALSE(SameText("Param1", "Param2"));
    EXPECT_FALSE(SameText("ab", "abc"));
    // Bytes of code page 949 text are compared as they are, not folded.
    EXPECT_FALSE(SameText("\xB0\xA1", "\xB0\xC1"));
    EXPECT_EQ(Trim("\t  x y \r\n"), "x y");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(UpperCase("true1"), "TRUE1");
}

TEST(Guid, TextRoundTrip) {
    TGuid g;
    g.D1 = 0x01234567;
    g.D2 = 0x89AB;
    g.D3 = 0xCDEF;
    g.D4 = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
    const std::string text = GUIDToString(g);
    EXPECT_EQ(text, "{01234567-89AB-CDEF-1032-547698BADCFE}");
    TGuid back;
    ASSERT_TRUE(TryStringToGUID("{01234567-89ab-cdef-1032-547698badcfe}", back));
    EXPECT_EQ(back, g);
    EXPECT_EQ(GUIDToString(TGuid{}), "{00000000-0000-0000-0000-000000000000}");
    EXPECT_FALSE(TryStringToGUID("{01234567-89AB-CDEF-1032-547698BADCF}", back));
    EXPECT_FALSE(TryStringToGUID("{01234567+89AB-CDEF-1032-547698BADCFE}", back));
    EXPECT_FALSE(TryStringToGUID("{0123456G-89AB-CDEF-1032-547698BADCFE}", back));
}

}  // namespace
}  // namespace ordo
