// Faults on the database and queue-folder side: a statement failing in the middle of a request,
// a queue file that cannot be deleted, a queue folder nobody may change.
#include <gtest/gtest.h>

#include "codec/message_codes.h"
#include "fault_proxy.h"
#include "fault_support.h"

namespace ordo::test {
namespace {

constexpr int kEndsWithinMs = 60000;

TEST(DatabaseError, AFailingStatementInTheMiddleOfARequestLeavesNothingOfItApplied) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    OrdoTestClient c(f.Server().Port());
    const OrdoReply r = c.Exec(ItemInsert(1) + "\r\nINSERT INTO NO_SUCH_TABLE VALUES (1)\r\n" + ItemInsert(3));
    EXPECT_FALSE(r.Ok());
    EXPECT_TRUE(ItemIds(f.Server().Port()).empty());

    // The same as a queue file of three statements: the file stays, and so does the database.
    f.Put("multi.txt", ItemInsert(1) + "\r\n" + ItemInsert(2) + "\r\nINSERT INTO ITEMS (ID) VALUES (1)\r\n");
    EXPECT_EQ(f.Run(kEndsWithinMs), 1) << f.Stderr();
    EXPECT_TRUE(f.Has("multi.txt"));
    EXPECT_TRUE(ItemIds(f.Server().Port()).empty()) << "part of a failed request was committed";
}

TEST(DatabaseError, ARebuildBatchThatFailsHalfWayWritesNoneOfItsRowsAndNoBalance) {
    ReplayFixture f;
    std::string sales;
    for (int d = 1; d <= 20; ++d) {
        char jpno[32];
        std::snprintf(jpno, sizeof jpno, "202401%02d-1-00001", d);
        char date[16];
        std::snprintf(date, sizeof date, "2024-01-%02d", d);
        sales += (sales.empty() ? "" : "\r\n") +
                 ("INSERT INTO SAL_SALEMASTER (JPNO, JPGB, ILJA, BUYERCD, BUYERNM, SALEAMT, MCGB) VALUES ('" +
                  std::string(jpno) + "', 'MJSL', '" + date + "', 'B1', 'x', 10, 'SM')");
    }
    f.Exec(sales);
    // The twelfth ledger day is refused by the database, in the middle of the only batch.
    f.Exec("CREATE EXCEPTION E_REFUSED 'refused ledger day'");
    f.Exec("CREATE TRIGGER T_REFUSE FOR SAL_JAINFO BEFORE INSERT OR UPDATE AS BEGIN "
           "IF (NEW.SALEDT = '2024-01-12') THEN EXCEPTION E_REFUSED; END");
    f.Exec("INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, DIJA) VALUES ('2023-12-31', 'MC', 'B1', 5)");
    f.Put("cmd.txt", "SetGRNY,B1,Kim,2024-01-01\r\n");
    EXPECT_NE(f.Run(kEndsWithinMs), -1);
    EXPECT_TRUE(f.Has("cmd.txt")) << "a rebuild whose batch failed counted as done";
    const DecodedRows rows = f.Select("SELECT SALEDT FROM SAL_JAINFO WHERE BUYERCD = 'B1' AND SALEDT >= '2024-01-01'");
    EXPECT_EQ(rows.Count(), 0) << "rows of the failed batch were committed";
    EXPECT_EQ(f.Select("SELECT CURRMISU FROM BAS_MCBUYER WHERE BUYERCD = 'B1'").Count(), 0);
}

// Work whose file cannot be deleted afterwards would run again at every start: such a file is not sent, and the
// run says so with 1 (someone has to act); the other files still go.
TEST(QueueFolder, AFileThatCannotBeDeletedIsNotSentAndTheOthersStillGo) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    for (int id = 1; id <= 3; ++id) f.Put(ItemFile(id), ItemInsert(id));
    Immutable locked(f.Queue() / ItemFile(2));
    if (!locked.Ok()) GTEST_SKIP() << "this file system does not take the immutable attribute";
    EXPECT_EQ(f.Run(kEndsWithinMs), 1) << f.Stderr();
    EXPECT_EQ(f.Remaining(), (std::vector<std::string>{ItemFile(2)}));
    EXPECT_EQ(ItemIds(f.Server().Port()), (std::set<int>{1, 3}));
    EXPECT_NE(f.Stderr().find((f.Queue() / ItemFile(2)).string() + ": stays: not sent"), std::string::npos)
        << f.Stderr();
}

// The suite rewrites a queue file while its old statement is on the server: the old work is done, the new is not,
// so the file stays (75) and the next run sends the new statement.
TEST(QueueFolder, AFileRewrittenWhileItsWorkRunsStaysWithItsNewWork) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    f.Put(ItemFile(1), ItemInsert(1));
    bool rewritten = false;
    FaultProxy proxy(f.Server().Port(), [&](const FrameSeen& s) {
        if (s.fromServer && s.code == mcCodedParamList && !rewritten) {
            rewritten = true;
            f.Put(ItemFile(1), ItemInsert(2));  // committed already; its reply is on the way
        }
        return FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    EXPECT_EQ(f.Run(kEndsWithinMs), 75) << f.Stderr();
    ASSERT_TRUE(rewritten);
    EXPECT_TRUE(f.Has(ItemFile(1)));
    EXPECT_NE(f.Stderr().find("rewritten while its work ran"), std::string::npos) << f.Stderr();
    EXPECT_EQ(f.Run(kEndsWithinMs), 0) << f.Stderr();
    EXPECT_FALSE(f.Has(ItemFile(1)));
    EXPECT_EQ(ItemIds(f.Server().Port()), (std::set<int>{1, 2}));
}

// A folder the run cannot delete in: nothing is sent at all, rather than every file applied again at every start.
TEST(QueueFolder, AFolderThatTakesNoDeletesSendsNothing) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    for (int id = 1; id <= 3; ++id) f.Put(ItemFile(id), ItemInsert(id));
    f.Put("4.txt", "SetGRNY,,,2024-04-02\r\n");
    {
        Immutable locked(f.Queue());
        if (!locked.Ok()) GTEST_SKIP() << "this file system does not take the immutable attribute";
        EXPECT_EQ(f.Run(kEndsWithinMs), 1) << f.Stderr();
        EXPECT_EQ(f.Remaining().size(), 4u);
        EXPECT_NE(f.Stderr().find("nothing was sent"), std::string::npos) << f.Stderr();
    }
    EXPECT_TRUE(ItemIds(f.Server().Port()).empty());
}

}  // namespace
}  // namespace ordo::test
