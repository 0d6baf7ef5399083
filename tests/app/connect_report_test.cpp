// What a run that cannot reach its server writes: the first failure at once, then at most a line a minute.
#include <gtest/gtest.h>

#include <sstream>

#include "app/connect_report.h"

namespace ordo {
namespace {

int Lines(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

TEST(ConnectReport, TheFirstFailureAtOnceThenOneLineAMinute) {
    std::ostringstream out;
    TConnectReport report(out, 5);
    const std::uint32_t start = 0xFFFF0000u;  // the tick wraps during the run
    report.Failed(start, "10.0.0.1:3050", "Connection refused");
    EXPECT_EQ(out.str(), "fqreplay: cannot connect to 10.0.0.1:3050: Connection refused; trying again every 5 s\n");

    for (std::uint32_t t = 5000; t < TConnectReport::kQuietMs; t += 5000) report.Failed(start + t, "10.0.0.1:3050", "x");
    EXPECT_EQ(Lines(out.str()), 1) << out.str();

    report.Failed(start + TConnectReport::kQuietMs, "10.0.0.1:3050", "Connection timed out");
    EXPECT_EQ(Lines(out.str()), 2);
    EXPECT_NE(out.str().find("Connection timed out (12 attempts failed since the last line)"), std::string::npos)
        << out.str();

    report.Failed(start + TConnectReport::kQuietMs + 1000, "10.0.0.1:3050", "x");
    EXPECT_EQ(Lines(out.str()), 2);
}

}  // namespace
}  // namespace ordo
