// Every Korean (or other non-ASCII) text of the program goes through the one code-page
// conversion: a literal that bypasses it reaches a Korean Windows as UTF-8 and shows garbled.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "literal_scan.h"

namespace ordo::test {
namespace {

std::vector<int> Lines(std::string_view source) {
    std::vector<int> out;
    for (const TLiteralFinding& f : FindUnconvertedLiterals(source)) out.push_back(f.line);
    return out;
}

TEST(LiteralScan, FindsWhatBypassesTheConversion) {
    struct Case { const char* name; const char* source; std::vector<int> lines; } cases[] = {
        {"plain argument", "Show(\"쿼리\");", {1}},
        {"converted", "Show(AnsiLiteral(\"쿼리\"));", {}},
        {"converted across lines", "x = AnsiLiteral (\n  \"쿼리\");", {}},
        {"adjacent pieces join the conversion", "AnsiLiteral(\"a\"\n \"쿼리\")", {}},
        {"adjacent pieces outside it", "s = \"a\"\n \"쿼리\";", {2}},
        {"another function", "s += Ansi(\"쿼리\");", {1}},
        {"second argument", "f(AnsiLiteral(\"a\"), \"쿼리\");", {1}},
        {"raw string", "auto s = R\"x(쿼리 \" )\" )x\";", {1}},
        {"converted raw string", "AnsiLiteral(R\"(쿼리)\")", {}},
        {"prefixed", "auto s = u8\"쿼리\";", {1}},
        {"character literal", "char c = '가';", {1}},
        {"escaped bytes are chosen bytes", "s = \"\\xEC\\xBF\\xBC\";", {}},
        {"escaped quote inside", "s = \"a\\\"쿼리\";", {1}},
        {"comments", "// \"쿼리\"\n/* \"쿼리\"\n */ int x;", {}},
        {"marked line", "label(\"확인\");  // codepage: utf-8 for the toolkit", {}},
        {"the mark covers its line only", "label(\"확인\");  // codepage: utf-8\nlabel(\"예\");", {2}},
        {"digit separators", "int n = 1'000'000;\nShow(\"쿼리\");", {2}},
        {"ASCII only", "Show(\"plain\"); char c = 'x';", {}},
        {"after a block comment", "/* a\nb */ Show(\"쿼리\");", {2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Lines(c.source), c.lines);
    }
    const auto found = FindUnconvertedLiterals("x(\n\"가\");");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].literal, "\"가\"");
}

// Issue 24: socket, message line, data set and parameter scan texts went out as UTF-8.
TEST(SourceLiterals, EveryNonAsciiTextOfTheProgramGoesThroughTheCodePage) {
    namespace fs = std::filesystem;
    const fs::path root = ORDO_SOURCE_DIR;
    int files = 0;
    std::ostringstream report;
    for (const char* dir : {"app", "client", "dataset", "net", "codec", "update", "params", "resultset", "core", "platform", "ui"}) {
        ASSERT_TRUE(fs::is_directory(root / dir)) << (root / dir);
        for (const auto& entry : fs::recursive_directory_iterator(root / dir)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            ++files;
            for (const TLiteralFinding& f : FindUnconvertedLiterals(text))
                report << fs::relative(entry.path(), root).string() << ':' << f.line << ": " << f.literal << '\n';
        }
    }
    EXPECT_GT(files, 100) << "the source tree was not found under " << root;
    EXPECT_EQ(report.str(), "") << "wrap these in AnsiLiteral(...), or mark a text a toolkit draws as UTF-8 "
                                   "with the comment \"codepage: utf-8\" on its line";
}

}  // namespace
}  // namespace ordo::test
