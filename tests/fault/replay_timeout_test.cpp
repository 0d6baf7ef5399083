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

}  // namespace
}  // namespace ordo::test
