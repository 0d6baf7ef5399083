// The ANSI code page of the system, conversions through it, and command lines split as the
// C runtime splits them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/errors.h"
#include "platform/codepage.h"
#include "platform/win32/codepage_names.h"
#include "platform/win32/command_line.h"

namespace ordo {
namespace {

class PinnedCodePage {
public:
    explicit PinnedCodePage(std::string_view cs) { OverrideAnsiCodePage(cs); }
    ~PinnedCodePage() { OverrideAnsiCodePage(""); }
    PinnedCodePage(const PinnedCodePage&) = delete;
    PinnedCodePage& operator=(const PinnedCodePage&) = delete;
};

TEST(Win32CodePage, TheSystemCodePageIsTheOneTheSessionRunsIn) {
    // The test script starts Wine in a Korean locale and says so here.
    const char* expected = std::getenv("ORDO_EXPECT_ACP");
    if (expected == nullptr) GTEST_SKIP() << "ORDO_EXPECT_ACP not set";
    EXPECT_EQ(AnsiCodePage(), "CP" + std::string(expected));
    if (std::string(expected) == "949") {
        EXPECT_EQ(AnsiLiteral("쿼리 기록"), "\xC4\xF5\xB8\xAE \xB1\xE2\xB7\xCF");
    }
}

TEST(Win32CodePage, KoreanTextTravelsInCodePage949) {
    PinnedCodePage pin("CP949");
    EXPECT_FALSE(AnsiCodePageIsUtf8());
    const std::string ansi = Utf8ToAnsi("쿼리 기록");
    EXPECT_EQ(ansi, "\xC4\xF5\xB8\xAE \xB1\xE2\xB7\xCF");
    EXPECT_EQ(AnsiToUtf8(ansi), "쿼리 기록");
    // An extended syllable that EUC-KR lacks: the Windows code page holds it.
    EXPECT_EQ(Utf8ToAnsi("똠"), "\x8C\x63");
    EXPECT_EQ(ConvertCodeset("\x8C\x63", "EUC-KR", "UTF-8"), "똠");
    EXPECT_EQ(AnsiToWide("\xC7\xD1\xB1\xDB"), u"한글");
    EXPECT_EQ(WideToAnsi(u"한글"), "\xC7\xD1\xB1\xDB");
}

TEST(Win32CodePage, WhatCannotBeConvertedBecomesOneReplacement) {
    PinnedCodePage pin("CP949");
    EXPECT_EQ(Utf8ToAnsi("a\xE2\x82\xAC" "b"), "a\xA2\xE6" "b");  // the euro sign exists in 949
    EXPECT_EQ(Utf8ToAnsi("x\xF0\x9F\x98\x80y"), "x?y");          // an emoji does not: one '?'
    EXPECT_EQ(Utf8ToAnsi("\xC3\xA9"), "?");                      // no best-fit 'e' for 'é'
    EXPECT_EQ(AnsiToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");       // not a character of 949
    EXPECT_EQ(ConvertCodeset("a\xFF\xFF" "b", "UTF-8", "UTF-16LE"),
              std::string("a\0\xFD\xFF\xFD\xFF" "b\0", 8));
    EXPECT_EQ(ConvertCodeset(std::string("A\0B", 3), "UTF-16LE", "UTF-8"), "A\xEF\xBF\xBD");  // half a character
}

TEST(Win32CodePage, SameCodesetsAndUnknownOnes) {
    EXPECT_EQ(ConvertCodeset("\xFF\xFE", "CP949", "cp949"), "\xFF\xFE");
    EXPECT_EQ(ConvertCodeset("", "NO-SUCH", "UTF-8"), "");
    EXPECT_THROW(ConvertCodeset("x", "NO-SUCH", "UTF-8"), EConvertError);
    EXPECT_THROW(ConvertCodeset("x", "UTF-8", "CP99999"), EConvertError);
}

TEST(Win32CodePage, CodesetNamesAndCodePageNumbers) {
    using detail::CodePageOfName;
    EXPECT_EQ(CodePageOfName("utf-8"), 65001u);
    EXPECT_EQ(CodePageOfName("CP949"), 949u);
    EXPECT_EQ(CodePageOfName("windows-1252"), 1252u);
    EXPECT_EQ(CodePageOfName("EUC-KR"), 949u);
    EXPECT_EQ(CodePageOfName("ISO-8859-2"), 28592u);
    EXPECT_EQ(CodePageOfName("UTF-16LE"), detail::kUtf16CodePage);
    EXPECT_EQ(CodePageOfName("949"), 949u);
    EXPECT_FALSE(CodePageOfName("CP").has_value());
    EXPECT_FALSE(CodePageOfName("CP12x").has_value());
    EXPECT_FALSE(CodePageOfName("ISO-8859-99").has_value());
    EXPECT_EQ(detail::NameOfCodePage(949), "CP949");
    EXPECT_EQ(detail::NameOfCodePage(65001), "UTF-8");
}

TEST(Win32CommandLine, SplitsAsTheRuntimeDoes) {
    using detail::SplitCommandLine;
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitCommandLine("C:\\Pellow\\fqreplay.exe"), V{"C:\\Pellow\\fqreplay.exe"});
    EXPECT_EQ(SplitCommandLine("\"C:\\Program Files\\fq.exe\"  a  \"b c\""),
              (V{"C:\\Program Files\\fq.exe", "a", "b c"}));
    EXPECT_EQ(SplitCommandLine("p a\\\\\\\"b c\\d"), (V{"p", "a\\\"b", "c\\d"}));
    EXPECT_EQ(SplitCommandLine("p \"a\\\\\" b"), (V{"p", "a\\", "b"}));
    EXPECT_EQ(SplitCommandLine("p \"say \"\"hi\"\"\""), (V{"p", "say \"hi\""}));
    EXPECT_EQ(SplitCommandLine("p \"\""), (V{"p", ""}));
    EXPECT_EQ(SplitCommandLine("p   "), V{"p"});
    EXPECT_TRUE(SplitCommandLine("").empty());
}

TEST(Win32CommandLine, QuotedArgumentsComeBackUnchanged) {
    const std::vector<std::string> args{"plain", "with blank", "", "quote\"inside", "trailing\\",
                                        "C:\\dir with blank\\", "a\\\\\"b", "tab\there"};
    std::string line = "prog.exe";
    for (const auto& a : args) {
        line += ' ';
        line += detail::QuoteCommandLineArgument(a);
    }
    auto back = detail::SplitCommandLine(line);
    ASSERT_EQ(back.size(), args.size() + 1);
    for (std::size_t i = 0; i < args.size(); ++i) EXPECT_EQ(back[i + 1], args[i]) << line;
    EXPECT_EQ(detail::QuoteCommandLineArgument("plain"), "plain");
}

}  // namespace
}  // namespace ordo
