#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "core/errors.h"

namespace ordo {
namespace {

// "쿼리 기록" in UTF-8 and in code page 949.
const std::string kUtf8 = "\xEC\xBF\xBC\xEB\xA6\xAC \xEA\xB8\xB0\xEB\xA1\x9D";
const std::string kCp949 = "\xC4\xF5\xB8\xAE \xB1\xE2\xB7\xCF";
const std::u16string kWide = u"\uCFFC\uB9AC \uAE30\uB85D";

/// Pins the ANSI code page for one test.
struct PinnedCodePage {
    explicit PinnedCodePage(std::string_view cs) { OverrideAnsiCodePage(cs); }
    ~PinnedCodePage() { OverrideAnsiCodePage(""); }
};

TEST(CodePage, PlainLocaleCountsAsUtf8) {
    // The test runs under the C locale (or a UTF-8 one): either way literals pass unchanged.
    EXPECT_TRUE(AnsiCodePageIsUtf8()) << AnsiCodePage();
    EXPECT_EQ(AnsiLiteral("쿼리 기록"), kUtf8);
    EXPECT_EQ(AnsiToUtf8(kUtf8), kUtf8);
    EXPECT_EQ(WideToAnsi(kWide), kUtf8);
    EXPECT_EQ(AnsiToWide(kUtf8), kWide);
}

TEST(CodePage, KoreanCodePageRoundTrips) {
    PinnedCodePage pin("CP949");
    EXPECT_FALSE(AnsiCodePageIsUtf8());
    EXPECT_EQ(AnsiLiteral("쿼리 기록"), kCp949);
    EXPECT_EQ(AnsiToUtf8(kCp949), kUtf8);
    EXPECT_EQ(WideToAnsi(kWide), kCp949);
    EXPECT_EQ(AnsiToWide(kCp949), kWide);
    EXPECT_EQ(Utf8ToAnsi("plain ASCII 123"), "plain ASCII 123");
}

TEST(CodePage, UnrepresentableAndInvalidInputIsReplacedOncePerCharacter) {
    PinnedCodePage pin("CP949");
    EXPECT_EQ(Utf8ToAnsi("a\xF0\x9F\x98\x80z"), "a?z") << "an emoji has no code in 949";
    EXPECT_EQ(Utf8ToAnsi("a\xFFz"), "a?z") << "a stray byte";
    EXPECT_EQ(Utf8ToAnsi("a\xEC\xBF"), "a?") << "a character cut off at the end";
    EXPECT_EQ(AnsiToUtf8("x\xC4"), "x\xEF\xBF\xBD");
    EXPECT_EQ(AnsiToWide("x\xFF\xFFy"), u"x\uFFFD\uFFFDy") << "each stray byte of 949 is one character";
}

TEST(CodePage, ConvertCodesetHandlesLongTextAndUnknownNames) {
    std::string big;
    for (int i = 0; i < 3000; ++i) big += kUtf8;  // several iconv output buffers' worth
    std::string ansi = ConvertCodeset(big, "UTF-8", "CP949");
    EXPECT_EQ(ansi.size(), kCp949.size() * 3000);
    EXPECT_EQ(ConvertCodeset(ansi, "CP949", "UTF-8"), big);
    EXPECT_EQ(ConvertCodeset("", "UTF-8", "CP949"), "");
    EXPECT_EQ(ConvertCodeset("\xFFraw", "utf8", "UTF-8"), "\xFFraw") << "same codeset: bytes untouched";
    EXPECT_THROW(ConvertCodeset("x", "UTF-8", "NO-SUCH-CODESET"), EConvertError);
}

}  // namespace
}  // namespace ordo
