// Exit statuses that need a fault between fqreplay and ordo-server, and one walker per queue: a second copy
// started while the first one waits for slow replies sends nothing, and every statement is applied once.
#include <gtest/gtest.h>

#include "fault_proxy.h"
#include "fault_support.h"

namespace ordo::test {
namespace {

constexpr int kEndsWithinMs = 60000;

/// Waits until the proxy has seen a request, that is until the copy behind it is walking the queue.
bool WaitForARequest(const FaultProxy& proxy) {
    for (int i = 0; i < 400; ++i) {
        for (const FrameSeen& s : proxy.Seen())
            if (!s.fromServer) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

TEST(ExitStatusFault, SeventyFiveWhenTheConnectionIsLostAndFilesStay) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    for (int id = 1; id <= 10; ++id) f.Put(ItemFile(id), ItemInsert(id));
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return s.fromServer && s.index == 3 ? FrameAction::kResetMidway : FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    EXPECT_EQ(f.Run(kEndsWithinMs), 75) << f.Stderr();
    EXPECT_FALSE(f.Remaining().empty());
    ExpectNothingDeletedUnapplied(f, ItemIds(f.Server().Port()), 10);
}

TEST(OneWalkerPerQueue, ASecondCopyFindsTheQueueTakenSendsNothingAndEveryStatementIsAppliedOnce) {
    ReplayFixture f;
    f.Exec("CREATE TABLE HITS (ID INTEGER)");  // no key: a statement applied twice shows as two rows
    constexpr int kFiles = 20;
    for (int id = 1; id <= kFiles; ++id)
        f.Put(ItemFile(id), "INSERT INTO HITS (ID) VALUES (" + std::to_string(id) + ")");
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return s.fromServer && s.index == 0 ? FrameAction::kHold : FrameAction::kForward;  // a slow first reply
    });
    f.WriteIni(proxy.Port());

    ReplayProcess first = f.Start({}, "first");
    ASSERT_TRUE(WaitForARequest(proxy)) << f.Stderr("first");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(f.Start({}, "second").Wait(kEndsWithinMs), 75);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5)) << "the second copy waited";
    const std::string err = f.Stderr("second");
    EXPECT_NE(err.find("another copy"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    for (const FrameSeen& s : proxy.Seen()) EXPECT_EQ(s.connection, 0) << "the second copy connected";

    proxy.Release();
    EXPECT_EQ(first.Wait(kEndsWithinMs), 0) << f.Stderr("first");
    EXPECT_TRUE(f.Remaining().empty());
    const DecodedRows rows = f.Select("SELECT ID, COUNT(*) FROM HITS GROUP BY ID");
    EXPECT_EQ(rows.Count(), kFiles);
    for (int i = 0; i < rows.Count(); ++i) EXPECT_EQ(rows.Int(i, 1), 1) << "ID " << rows.Int(i, 0);
}

TEST(OneWalkerPerQueue, ACopyThatWasKilledLeavesNoLockBehind) {
    ReplayFixture f;
    f.Put("a.txt", "SELECT 1 FROM RDB$DATABASE");
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return s.fromServer ? FrameAction::kHold : FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    ReplayProcess killed = f.Start({}, "killed");
    ASSERT_TRUE(WaitForARequest(proxy));
    killed.Signal(SIGKILL);
    EXPECT_EQ(killed.Wait(kEndsWithinMs), 128 + SIGKILL);

    f.WriteIni(f.Server().Port());
    EXPECT_EQ(f.Run(kEndsWithinMs), 0) << f.Stderr();
    EXPECT_TRUE(f.Remaining().empty());
}

}  // namespace
}  // namespace ordo::test
