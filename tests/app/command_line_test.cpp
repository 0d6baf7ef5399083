// The command line: what each argument asks for, and what is refused before anything is touched.
#include <gtest/gtest.h>

#include "app/command_line.h"

namespace ordo {
namespace {

TCommandLine Parsed(const std::vector<std::string>& args) {
    auto result = ParseCommandLine(args);
    if (auto* error = std::get_if<TUsageError>(&result)) ADD_FAILURE() << error->text;
    return std::get_if<TCommandLine>(&result) ? std::get<TCommandLine>(result) : TCommandLine{};
}

TEST(CommandLine, NoArgumentsAskForWhatTheProgramAlwaysDid) {
    const TCommandLine c = Parsed({});
    EXPECT_FALSE(c.help);
    EXPECT_FALSE(c.version);
    EXPECT_FALSE(c.connectTimeout.has_value());
}

TEST(CommandLine, OptionsAndTheirValues) {
    EXPECT_TRUE(Parsed({"--help"}).help);
    EXPECT_TRUE(Parsed({"--version"}).version);
    EXPECT_EQ(Parsed({"--connect-timeout", "30"}).connectTimeout, 30u);
    EXPECT_EQ(Parsed({"--connect-timeout=1"}).connectTimeout, 1u);
    EXPECT_EQ(Parsed({"--connect-timeout", "86400"}).connectTimeout, 86400u);
    const TCommandLine both = Parsed({"--connect-timeout", "5", "--help"});
    EXPECT_TRUE(both.help);
    EXPECT_EQ(both.connectTimeout, 5u);
}

TEST(CommandLine, UsageErrorsSayWhatWasWrong) {
    struct Case {
        std::vector<std::string> args;
        const char* named;  // a word the error text must carry
    };
    const std::vector<Case> cases{
        {{"--bogus"}, "--bogus"},
        {{"-h"}, "-h"},
        {{"queue"}, "queue"},
        {{"--connect-timeout"}, "connect-timeout"},
        {{"--connect-timeout", "0"}, "0"},
        {{"--connect-timeout", "86401"}, "86401"},
        {{"--connect-timeout", "-3"}, "connect-timeout"},
        {{"--connect-timeout", "1.5"}, "1.5"},
        {{"--connect-timeout", "ten"}, "ten"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.front() + (c.args.size() > 1 ? " " + c.args[1] : ""));
        auto result = ParseCommandLine(c.args);
        const auto* error = std::get_if<TUsageError>(&result);
        ASSERT_NE(error, nullptr);
        EXPECT_NE(error->text.find(c.named), std::string::npos) << error->text;
    }
}

TEST(CommandLine, UsageTextListsEveryOptionAndExitStatus) {
    const std::string_view usage = UsageText();
    for (const char* part : {"--help", "--version", "--connect-timeout SECONDS", "Exit status:", "\n  0   ",
                             "\n  1   ", "\n  2   ", "\n  75  ", "Environment.ini", "temp/FQ"})
        EXPECT_NE(usage.find(part), std::string_view::npos) << part;
    // A terminal of 80 columns shows it without wrapping (the manual page is made from it as well).
    std::size_t start = 0;
    for (std::size_t end = usage.find('\n'); end != std::string_view::npos; end = usage.find('\n', start)) {
        EXPECT_LE(end - start, 79u) << usage.substr(start, end - start);
        start = end + 1;
    }
}

}  // namespace
}  // namespace ordo
