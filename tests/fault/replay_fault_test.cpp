// fqreplay against ordo-server with faults in between: the server dying, the connection cut or
// corrupted, replies dribbling in or never coming. Whatever happens, the program ends, and no
// queue file goes whose work the server did not confirm.
#include <gtest/gtest.h>

#include <atomic>

#include "codec/message_codes.h"
#include "fault_proxy.h"
#include "fault_support.h"

namespace ordo::test {
namespace {

constexpr int kEndsWithinMs = 60000;

TEST(ServerDeath, KilledBeforeAStatementReachesItKeepsThatFileAndTheRestAndTheRerunAppliesEachOnce) {
    TempFolder dir;
    std::set<int> applied;
    {
        ReplayFixture f(OrdoServerProcessOptions::InFolder(dir.Path()));
        f.Exec(kItemsTable);
        for (int id = 1; id <= 30; ++id) f.Put(ItemFile(id), ItemInsert(id));
        FaultProxy proxy(f.Server().Port(), [&f](const FrameSeen& s) {
            if (!s.fromServer && s.code == mcExecSQL && s.index == 9) {
                f.Server().Kill();  // the tenth statement never reaches a live server
                return FrameAction::kSwallow;
            }
            return FrameAction::kForward;
        });
        f.WriteIni(proxy.Port());
        EXPECT_NE(f.Run(kEndsWithinMs), -1) << "fqreplay hung after the server died";

        OrdoServerProcess second(OrdoServerProcessOptions::InFolder(dir.Path()));
        applied = ItemIds(second.Port());
        EXPECT_EQ(applied, (std::set<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}));
        ExpectNothingDeletedUnapplied(f, applied, 30);
        EXPECT_TRUE(f.Has(ItemFile(10)));
        EXPECT_TRUE(f.Has(ItemFile(30)));

        // The next start against the new server finishes the queue, each statement exactly once.
        f.WriteIni(second.Port());
        EXPECT_EQ(f.Run(kEndsWithinMs), 0) << f.Stderr();
        EXPECT_TRUE(f.Remaining().empty()) << f.Stderr();
        EXPECT_EQ(ItemIds(second.Port()).size(), 30u);
    }
}

void InsertSales(ReplayFixture& f, const std::string& buyer, int days) {
    std::string batch;
    for (int d = 0; d < days; ++d) {
        char jpno[32];
        std::snprintf(jpno, sizeof jpno, "2023%02d%02d-1-00001", 1 + d / 28, 1 + d % 28);
        const std::string date = std::string(jpno, 4) + "-" + std::string(jpno + 4, 2) + "-" + std::string(jpno + 6, 2);
        batch += (batch.empty() ? "" : "\r\n") +
                 ("INSERT INTO SAL_SALEMASTER (JPNO, JPGB, ILJA, BUYERCD, BUYERNM, SALEAMT, MCGB) VALUES ('" +
                  std::string(jpno) + "', 'MJSL', '" + date + "', '" + buyer + "', 'x', 2, 'SM')");
    }
    f.Exec(batch);
}

double Balance(int port, const std::string& buyer) {
    OrdoTestClient c(port);
    const OrdoReply r = c.Select("SELECT CURRMISU FROM BAS_MCBUYER WHERE BUYERCD = '" + buyer + "'");
    const DecodedRows rows(r);
    return rows.Count() == 0 ? -1 : rows.Amount(0, 0);
}

TEST(ServerDeath, KilledWhileARebuildBatchIsUnderWayKeepsTheCommandAndTheRerunCompletesTheLedger) {
    TempFolder dir;
    ReplayFixture f(OrdoServerProcessOptions::InFolder(dir.Path()));
    InsertSales(f, "B2", 250);  // three batches of ledger rows
    f.Put("cmd.txt", "SetGRNY,B2,Lee,2023-01-01\r\n");
    std::atomic<int> execs{0};
    FaultProxy proxy(f.Server().Port(), [&](const FrameSeen& s) {
        // The delete goes first, then the batches: the third request is the second batch.
        if (!s.fromServer && s.code == mcExecSQL && ++execs == 3) f.Server().Kill();
        return FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    EXPECT_NE(f.Run(kEndsWithinMs), -1) << "fqreplay hung after the server died";
    EXPECT_TRUE(f.Has("cmd.txt")) << "a rebuild that was cut off counted as done";
    EXPECT_EQ(execs.load(), 3);

    OrdoServerProcess second(OrdoServerProcessOptions::InFolder(dir.Path()));
    EXPECT_EQ(Balance(second.Port(), "B2"), -1) << "the balance was stored although the rebuild never finished";
    f.WriteIni(second.Port());
    EXPECT_EQ(f.Run(kEndsWithinMs), 0) << f.Stderr();
    EXPECT_FALSE(f.Has("cmd.txt"));
    EXPECT_EQ(Balance(second.Port(), "B2"), 500);  // 250 days of 2 on account
    OrdoTestClient c(second.Port());
    EXPECT_EQ(DecodedRows(c.Select("SELECT SALEDT FROM SAL_JAINFO WHERE BUYERCD = 'B2' AND JAGB = 'MC'")).Count(), 250);
}

TEST(BrokenConnection, ResetInTheMiddleOfAReplyEndsTheProgramAndKeepsThatFile) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    for (int id = 1; id <= 3; ++id) f.Put(ItemFile(id), ItemInsert(id));
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return s.fromServer && s.index == 1 ? FrameAction::kResetMidway : FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    EXPECT_NE(f.Run(kEndsWithinMs), -1) << "fqreplay hung after the connection was reset";
    EXPECT_FALSE(f.Has(ItemFile(1)));
    EXPECT_TRUE(f.Has(ItemFile(2))) << "deleted although its reply never arrived whole";
    EXPECT_TRUE(f.Has(ItemFile(3)));
    ExpectNothingDeletedUnapplied(f, ItemIds(f.Server().Port()), 3);
}

TEST(BrokenConnection, ResetWhileAMultiMegabyteStatementIsWrittenEndsTheProgramByItselfAndKeepsTheFile) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    // A select: the first statement of a run waits for its reply without a time limit.
    f.Put("1.txt", "SELECT * FROM ITEMS WHERE NAME <> '" + std::string(8 * 1024 * 1024, 'x') + "'");
    f.Put("2.txt", ItemInsert(2));
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return !s.fromServer && s.partial && s.size > 1024 * 1024 ? FrameAction::kResetOnArrival
                                                                   : FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(f.Run(20000), -1) << "fqreplay hung after its request could not be written";
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_TRUE(f.Has("1.txt")) << "deleted although the server never had it whole";
    EXPECT_TRUE(f.Has("2.txt")) << f.Stderr();
    EXPECT_TRUE(ItemIds(f.Server().Port()).empty());
    EXPECT_EQ(proxy.RequestsWithCode(mcExecSQL), 0) << "the second statement went out on a connection that was gone";
}

TEST(BrokenConnection, ResetDuringTheRowsOfASelectKeepsTheSelectFile) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    std::string rows;
    for (int id = 1; id <= 200; ++id) rows += (rows.empty() ? "" : "\r\n") + ItemInsert(id);
    f.Exec(rows);
    f.Put("1.txt", "SELECT * FROM ITEMS");
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return s.fromServer && s.code != mcFieldDefs && s.code != mcFieldDefs10 ? FrameAction::kResetMidway
                                                                                : FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    EXPECT_NE(f.Run(kEndsWithinMs), -1) << "fqreplay hung after the connection was reset";
    EXPECT_TRUE(f.Has("1.txt"));
}

TEST(SlowReplies, RepliesArrivingOneByteAtATimeAreTakenWhole) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    f.Put("1.txt", ItemInsert(1));
    f.Put("2.txt", "UPDATE ITEMS SET NAME = '한글 이름' WHERE ID = 1");
    f.Put("3.txt", "SELECT ID, NAME FROM ITEMS");
    f.Put("4.txt", "INSERT INTO NO_SUCH_TABLE VALUES (1)");  // an error text, dribbled in too
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return s.fromServer ? FrameAction::kTrickle : FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    EXPECT_EQ(f.Run(kEndsWithinMs), 1) << f.Stderr();
    EXPECT_NE(f.Stderr().find("NO_SUCH_TABLE"), std::string::npos) << f.Stderr();
    EXPECT_EQ(f.Remaining(), (std::vector<std::string>{"4.txt"}));
    const DecodedRows r = f.Select("SELECT NAME FROM ITEMS WHERE ID = 1");
    ASSERT_EQ(r.Count(), 1);
    EXPECT_EQ(r.Text(0, 0), "한글 이름");
}

TEST(CorruptReply, AnErrorReplyWhoseTextDoesNotParseKeepsTheFileAndEndsTheWalk) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    f.Put(ItemFile(1), ItemInsert(1));
    f.Put(ItemFile(2), "INSERT INTO NO_SUCH_TABLE VALUES (1)");
    f.Put(ItemFile(3), ItemInsert(3));
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return s.fromServer && s.code == mcSQLError ? FrameAction::kMalformedError : FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    EXPECT_EQ(f.Run(kEndsWithinMs), 1) << f.Stderr();
    EXPECT_NE(f.Stderr().find("unique constraint violated"), std::string::npos) << f.Stderr();
    EXPECT_EQ(f.Remaining(), (std::vector<std::string>{ItemFile(2), ItemFile(3)}))
        << "the refused statement counted as done";
    EXPECT_EQ(ItemIds(f.Server().Port()), (std::set<int>{1}));
}

TEST(CorruptReply, ALengthPrefixOverTheLimitEndsTheConnectionAndKeepsTheFile) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    f.Put(ItemFile(1), ItemInsert(1));
    f.Put(ItemFile(2), ItemInsert(2));
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return s.fromServer && s.index == 0 ? FrameAction::kOversize : FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(f.Run(kEndsWithinMs), -1) << "fqreplay hung on a corrupt length prefix";
    // Nothing after the bad length can be cut right, so the program need not sit out the reply limit.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_TRUE(f.Has(ItemFile(1))) << "deleted on a reply that could not be read";
    EXPECT_TRUE(f.Has(ItemFile(2)));
    ExpectNothingDeletedUnapplied(f, ItemIds(f.Server().Port()), 2);
}

TEST(CorruptReply, ALengthPrefixOverTheLimitOnASelectWithoutTimeLimitDoesNotHang) {
    ReplayFixture f;
    f.Exec(kItemsTable);
    f.Put("1.txt", "SELECT * FROM ITEMS");  // the first statement of a run waits without a limit
    f.Put(ItemFile(2), ItemInsert(2));
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return s.fromServer && s.index == 0 ? FrameAction::kOversize : FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    EXPECT_NE(f.Run(20000), -1) << "fqreplay hung on a corrupt length prefix";
    EXPECT_TRUE(f.Has("1.txt"));
    ExpectNothingDeletedUnapplied(f, ItemIds(f.Server().Port()), 2, 2);
}

}  // namespace
}  // namespace ordo::test
