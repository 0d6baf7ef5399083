// The one fault whose only way out is the reply time limit of 30 s: a reply that never comes.
#include <gtest/gtest.h>

#include "codec/message_codes.h"
#include "fault_proxy.h"
#include "fault_support.h"

namespace ordo::test {
namespace {

constexpr int kEndsWithinMs = 90000;

TEST(ReplyTimeLimit, AReplyThatNeverComesEndsOnTheTimeLimitAndDeletesNothingAfterIt) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    f.Put(ItemFile(1), ItemInsert(1));
    f.Put(ItemFile(2), ItemInsert(2));
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return s.fromServer && s.index == 0 ? FrameAction::kSwallow : FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(f.Run(kEndsWithinMs), -1) << "fqreplay hung on a reply that never came";
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(29));
    EXPECT_TRUE(f.Has(ItemFile(1)));
    EXPECT_TRUE(f.Has(ItemFile(2)));
    // After the wait gave up nothing can be confirmed any more; a statement sent anyway would be applied now
    // and, its file kept, applied again at the next start.
    EXPECT_EQ(proxy.RequestsWithCode(mcExecSQL), 1);
    EXPECT_EQ(ItemIds(f.Server().Port()), (std::set<int>{1}));  // the lost reply's statement did run
}

// A rebuild first in the queue opens its ledger query, which the program itself gives no limit: --reply-timeout
// bounds it too, and the run ends with 75 and nothing written.
TEST(ReplyTimeLimit, TheReplyTimeoutBoundsTheRebuildsQuery) {
    ReplayFixture f;
    f.Put("1.txt", "SetGRNY,B001,Kim,2024-01-01\r\n");
    // TCP loses no frame in the middle of a stream: the query's field descriptions and rows never come.
    FaultProxy proxy(f.Server().Port(),
                     [](const FrameSeen& s) { return s.fromServer ? FrameAction::kSwallow : FrameAction::kForward; });
    f.WriteIni(proxy.Port());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(f.Start({"--connect-timeout", "20", "--reply-timeout", "3"}).Wait(kEndsWithinMs), 75) << f.Stderr();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(f.Has("1.txt"));
    EXPECT_EQ(proxy.RequestsWithCode(mcExecSQL), 0) << "no write after a query that did not answer";
    EXPECT_NE(f.Stderr().find("no reply came within the time limit"), std::string::npos) << f.Stderr();
}

}  // namespace
}  // namespace ordo::test
