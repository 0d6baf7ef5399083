// The ledger walk and the statements it sends, against data-set doubles; amounts worked out by hand.
#include <gtest/gtest.h>

#include "app/balance_rebuild.h"
#include "replay_doubles.h"

namespace ordo {
namespace {

using testing::FakeDataSet;
using testing::FakeRow;
using testing::FakeSocket;
using testing::FakeView;

const std::string kColumns =
    "UPDATE OR INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, BUYERNM, JIJA, PMIAMT1, PMIAMT2, BPAMT1, BPAMT2, "
    "IGTOTAMT, DCAMT, CUTAMT, IGCASH, IGCARD, IGBANK, IGEE, IGSPG, IGJRG, IGCP1, IGCP2, DIJA) VALUES ('";

struct RebuildFixture : ::testing::Test {
    FakeSocket socket;
    FakeView view;
    FakeDataSet query, writes;
    std::vector<FakeRow> rows;
    std::string querySql;
    TStatementRunner runner{{socket, view, [] { return true; }, [] { return std::string("u"); }}};
    TBalanceRebuild rebuild{runner, query, writes};

    void SetUp() override {
        query.rowsFor = [this](const std::string& sql) {
            querySql = sql;
            return rows;
        };
    }
    static FakeRow Voucher(const std::string& gb, const std::string& date, FakeRow amounts) {
        amounts["GB"] = gb;
        amounts["ILJA"] = date;
        return amounts;
    }
    std::vector<std::string> Lines(std::size_t batch) {
        std::vector<std::string> out;
        const std::string& text = writes.executed.at(batch);
        std::size_t start = 0;
        for (std::size_t p; (p = text.find("\r\n", start)) != std::string::npos; start = p + 2)
            out.push_back(text.substr(start, p - start));
        out.push_back(text.substr(start));
        return out;
    }
};

TEST_F(RebuildFixture, CarriedInBalanceWithoutVouchersOnlyStoresTheBalance) {
    rows = {Voucher("11", "2024-01-05", {{"HMSAMT", "1500"}})};
    ASSERT_TRUE(rebuild.RebuildBalance("B001", "Kim", "2024-01-05"));
    EXPECT_NE(querySql.find("WHERE (JPNO >= '20240105-0-00000') AND (MCGB IN ('SM', 'DM')) AND (BUYERCD = 'B001')"),
              std::string::npos);
    ASSERT_EQ(writes.executed.size(), 2u);
    EXPECT_EQ(writes.executed[0], "DELETE FROM SAL_JAINFO WHERE BUYERCD = 'B001' And SALEDT >= '2024-01-05' And JAGB = 'MC'");
    EXPECT_EQ(writes.executed[1], "UPDATE OR INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B001',1500) MATCHING (BUYERCD)");
}

TEST_F(RebuildFixture, DaysAccumulateAndCarryTheirClosingBalance) {
    rows = {Voucher("11", "2024-01-05", {{"HMSAMT", "100"}}),
            Voucher("21", "2024-01-05", {{"SALEAMT", "50"}}),
            Voucher("21", "2024-01-05", {{"SALEAMT", "30"}, {"BPAMT", "-10"}}),
            Voucher("31", "2024-01-06", {{"IGCASH", "20"}, {"DCAMT", "5"}}),
            Voucher("21", "2024-01-06", {{"SALEAMT", "2300.5"}, {"IGCARD", "0.25"}, {"IGBANK", "1"}})};
    ASSERT_TRUE(rebuild.RebuildBalance("B001", "Kim", "2024-01-05"));
    ASSERT_EQ(writes.executed.size(), 2u);
    const auto lines = Lines(1);
    ASSERT_EQ(lines.size(), 3u);
    // Day 1: 100 carried in, sales 50 + 30, returns -10 counted by their absolute value: 100 + 80 - 10 = 170.
    EXPECT_EQ(lines[0], kColumns + "2024-01-05','MC','B001','Kim', 100,80, 0, -10, 0, 0,0,0,0,0,0,0,0,0, 0, 0, 170) ");
    // Day 2 opens at 170: received 20 + 0.25 + 1 (cash, card, bank), discount 5, sales 2300.5.
    EXPECT_EQ(lines[1],
              kColumns + "2024-01-06','MC','B001','Kim', 170,2300.5, 0, 0, 0, 21.25,5,0,20,0.25,1,0,0,0, 0, 0, 2444.25) ");
    EXPECT_EQ(lines[2], "UPDATE OR INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B001',2444.25) MATCHING (BUYERCD)");
}

TEST_F(RebuildFixture, EmptyStartDateWritesTheOpeningRowAtTheFloorDate) {
    rows = {Voucher("21", "2001-03-02", {{"SALEAMT", "10"}})};
    ASSERT_TRUE(rebuild.RebuildBalance("B001", "Kim", ""));
    EXPECT_NE(querySql.find("(JPNO >= '20010101-0-00000')"), std::string::npos);
    const auto lines = Lines(1);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], kColumns + "2001-01-01','MC','B001','Kim', 0,0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0) ");
    EXPECT_NE(lines[1].find("'2001-03-02','MC','B001','Kim', 0,10, 0, 0, 0, 0,0,0,0,0,0,0,0,0, 0, 0, 10) "),
              std::string::npos);
}

TEST_F(RebuildFixture, FloorDateWithACarriedInRowWritesNoOpeningRow) {
    rows = {Voucher("11", "2001-01-01", {{"HMSAMT", "7"}}), Voucher("21", "2001-01-01", {{"SALEAMT", "3"}})};
    ASSERT_TRUE(rebuild.RebuildBalance("B001", "Kim", "2001-01-01"));
    const auto lines = Lines(1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("'2001-01-01','MC','B001','Kim', 7,3,"), std::string::npos);
    EXPECT_NE(lines[1].find("VALUES ('B001',10)"), std::string::npos);
}

TEST_F(RebuildFixture, ADayWithoutMovementGetsNoRowAndTheBalanceRunsOn) {
    rows = {Voucher("21", "2024-01-05", {{"SALEAMT", "40"}}), Voucher("21", "2024-01-06", {}),
            Voucher("21", "2024-01-07", {{"SALEAMT", "2"}})};
    ASSERT_TRUE(rebuild.RebuildBalance("B001", "Kim", "2024-01-05"));
    const auto lines = Lines(1);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("'2024-01-05'"), std::string::npos);
    EXPECT_NE(lines[1].find("'2024-01-07','MC','B001','Kim', 40,2,"), std::string::npos);
    EXPECT_NE(lines[2].find("VALUES ('B001',42)"), std::string::npos);
}

TEST_F(RebuildFixture, BatchesGoOutEveryHundredQueryRowsAndAtTheEnd) {
    for (int d = 0; d < 250; ++d) {
        char date[16];
        std::snprintf(date, sizeof date, "2024-%02d-%02d", 1 + d / 28, 1 + d % 28);
        rows.push_back(Voucher("21", date, {{"SALEAMT", "1"}}));
    }
    ASSERT_TRUE(rebuild.RebuildBalance("B001", "Kim", "2024-01-01"));
    ASSERT_EQ(writes.executed.size(), 4u);  // the delete, then three batches
    EXPECT_EQ(Lines(1).size(), 99u);        // rows 2..100 each closed the day before them
    EXPECT_EQ(Lines(2).size(), 100u);
    EXPECT_EQ(Lines(3).size(), 52u);        // days 200..250 and the balance
    EXPECT_NE(Lines(3).back().find("VALUES ('B001',250)"), std::string::npos);
}

TEST_F(RebuildFixture, WalkInDayWithSalesWritesOneRowBehindALineBreak) {
    rows = {{{"PMIAMT1", "100"}, {"BPAMT1", "-20"}, {"IGTOTAMT", "50"}, {"IGCASH", "30"}, {"IGCARD", "20"},
             {"DCAMT", "5"}, {"CUTAMT", "1"}}};
    ASSERT_TRUE(rebuild.RebuildBalance("", "Ignored Name", "2024-01-05"));
    EXPECT_EQ(querySql.rfind("SELECT sum(saleamt) as PMIAMT1", 0), 0u);
    EXPECT_NE(querySql.find("where ilja = '2024-01-05' and BUYERCD = ''  group by BUYERCD "), std::string::npos);
    ASSERT_EQ(writes.executed.size(), 1u);
    EXPECT_EQ(writes.executed[0], "\r\n" + kColumns +
                                      "2024-01-05','MC','','', 0,100, 0, -20, 0, 50,5,1,30,20,0,0,0,0, 0, 0, 24) "
                                      "MATCHING (SALEDT, JAGB, BUYERCD)");
}

TEST_F(RebuildFixture, WalkInDayWithoutSalesDeletesThatDaysRow) {
    ASSERT_TRUE(rebuild.RebuildBalance("", "", "2024-01-05"));
    ASSERT_EQ(writes.executed.size(), 1u);
    EXPECT_EQ(writes.executed[0],
              "\r\nDelete From SAL_JAINFO Where SALEDT = '2024-01-05' and JAGB = 'MC' and BUYERCD = '' and BUYERNM = '' ");
}

TEST_F(RebuildFixture, BuyerWithoutAnyRowsLeavesTheWalkInLedgerAlone) {
    ASSERT_TRUE(rebuild.RebuildBalance("B009", "Lee", "2024-01-05"));
    ASSERT_EQ(writes.executed.size(), 2u);
    EXPECT_EQ(writes.executed[0].rfind("DELETE FROM SAL_JAINFO WHERE BUYERCD = 'B009'", 0), 0u);
    EXPECT_EQ(writes.executed[1], "UPDATE OR INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B009',0) MATCHING (BUYERCD)");
}

TEST_F(RebuildFixture, QuotesInValuesAreDoubled) {
    rows = {Voucher("21", "2024-01-05", {{"SALEAMT", "5"}})};
    ASSERT_TRUE(rebuild.RebuildBalance("B'1", "O'Brien", "2024-01-05"));
    EXPECT_NE(querySql.find("(BUYERCD = 'B''1')"), std::string::npos);
    EXPECT_EQ(querySql.find("'B'1'"), std::string::npos);
    EXPECT_NE(writes.executed[0].find("WHERE BUYERCD = 'B''1' And"), std::string::npos);
    EXPECT_NE(Lines(1)[0].find("'2024-01-05','MC','B''1','O''Brien', 0,5,"), std::string::npos);
}

TEST_F(RebuildFixture, AQuoteInTheStartDateIsDoubledOnceInTheVoucherKeyToo) {
    rows = {Voucher("11", "2024-01-05", {{"HMSAMT", "0"}})};
    ASSERT_TRUE(rebuild.RebuildBalance("B001", "Kim", "2024-01-0'5"));
    EXPECT_NE(querySql.find("(JPNO >= '2024010''5-0-00000')"), std::string::npos) << querySql;
    EXPECT_EQ(querySql.find("''''"), std::string::npos);
    EXPECT_NE(writes.executed[0].find("SALEDT >= '2024-01-0''5'"), std::string::npos);
}

// A NULL amount is met on one of three roads: on the first row, on a row that starts a new day, or on one that adds
// to the day of the row before. On each, nothing is written: the ledger stays as it was, not deleted and half built.
TEST_F(RebuildFixture, ANullAmountWritesNothing) {
    const std::vector<std::vector<FakeRow>> roads = {
        {Voucher("21", "2024-01-05", {{"SALEAMT", std::nullopt}})},
        {Voucher("21", "2024-01-05", {{"SALEAMT", "5"}}), Voucher("21", "2024-01-06", {{"IGCP1", std::nullopt}})},
        {Voucher("21", "2024-01-05", {{"SALEAMT", "5"}}), Voucher("21", "2024-01-05", {{"IGCP1", std::nullopt}})},
    };
    for (std::size_t i = 0; i < roads.size(); ++i) {
        SCOPED_TRACE(i);
        rows = roads[i];
        writes.executed.clear();
        const TRebuildResult result = rebuild.Rebuild("B001", "Kim", "2024-01-05");
        EXPECT_EQ(result.failedAt, TRebuildResult::TStage::rsCompute);
        EXPECT_FALSE(result.reason.empty());
        EXPECT_TRUE(writes.executed.empty());
    }
}

TEST_F(RebuildFixture, AWriteThatIsNotConfirmedStopsTheRebuildThere) {
    rows = {Voucher("21", "2024-01-05", {{"SALEAMT", "5"}})};
    for (TRequestEnd end : {TRequestEnd::reTimedOut, TRequestEnd::reLost, TRequestEnd::reRefused}) {
        SCOPED_TRACE(RequestEndName(end));
        writes.executed.clear();
        writes.endFor = [end](const std::string& sql) {
            return sql.find("BAS_MCBUYER") != std::string::npos ? end : TRequestEnd::reReplied;
        };
        const TRebuildResult result = rebuild.Rebuild("B001", "Kim", "2024-01-05");
        EXPECT_EQ(result.failedAt, TRebuildResult::TStage::rsWrite);
        EXPECT_EQ(result.request.request.end, end);
        EXPECT_EQ(result.writesConfirmed, 1u) << "the delete went, the batch with the balance did not";
        EXPECT_EQ(result.writesPlanned, 2u);
    }
}

TEST_F(RebuildFixture, AQueryWithoutItsRowsWritesNothing) {
    for (TRequestEnd end : {TRequestEnd::reTimedOut, TRequestEnd::reLost, TRequestEnd::reRefused}) {
        SCOPED_TRACE(RequestEndName(end));
        query.endFor = [end](const std::string&) { return end; };
        EXPECT_FALSE(rebuild.RebuildBalance("B001", "Kim", "2024-01-05"));
        EXPECT_TRUE(writes.executed.empty());
    }
    query.endFor = nullptr;
    query.onRequest = [](const std::string&) { throw EDatabaseError("Column unknown"); };
    EXPECT_EQ(rebuild.Rebuild("B001", "Kim", "2024-01-05").request.error, "Column unknown");
    EXPECT_TRUE(writes.executed.empty());
}

}  // namespace
}  // namespace ordo
