// "SetGRNY" commands through fqreplay, ordo-server and Firebird; ledgers worked out by hand.
#include <gtest/gtest.h>

#include <map>

#include "tests/support/replay_fixture.h"

namespace ordo::test {
namespace {

struct LedgerRow {
    double jija = 0, sales = 0, returns = 0, received = 0, discount = 0, cut = 0;
    double cash = 0, card = 0, bank = 0, ee = 0, dija = 0;
    std::string name;
};

struct Ledger : ReplayFixture {
    /// Collects fixture statements instead of sending each at once; Flush sends them as one request.
    void Batch(bool on) {
        if (!on && !batch_.empty()) {
            Exec(batch_);
            batch_.clear();
        }
        batching_ = on;
    }
    void Add(const std::string& sql) {
        if (!batching_) return Exec(sql);
        batch_ += (batch_.empty() ? "" : "\r\n") + sql;
    }
    void Sale(const std::string& jpno, const std::string& buyer, const std::string& amounts,
              const std::string& kind = "MJSL", const std::string& mcgb = "SM", const std::string& gjgb = "") {
        // amounts: "SALEAMT, BPAMT, IGCASH, IGCARD, DCAMT, CUTAMT"
        const std::string date = jpno.substr(0, 4) + "-" + jpno.substr(4, 2) + "-" + jpno.substr(6, 2);
        Add("INSERT INTO SAL_SALEMASTER (JPNO, JPGB, ILJA, BUYERCD, BUYERNM, SALEAMT, BPAMT, IGCASH, IGCARD, DCAMT, "
             "CUTAMT, MCGB, GJGB) VALUES ('" + jpno + "', '" + kind + "', '" + date + "', '" + buyer + "', 'x', " +
             amounts + ", '" + mcgb + "', '" + gjgb + "')");
    }
    void Collection(const std::string& jpno, const std::string& buyer, const std::string& amounts) {
        // amounts: "IGCASH, IGCARD, IGBANK, IGEE, DCAMT, CUTAMT"
        const std::string date = jpno.substr(0, 4) + "-" + jpno.substr(4, 2) + "-" + jpno.substr(6, 2);
        Exec("INSERT INTO SAL_IGJG (JPNO, ILJA, BUYERCD, IGCASH, IGCARD, IGBANK, IGEE, DCAMT, CUTAMT, IOGB) VALUES ('" +
             jpno + "', '" + date + "', '" + buyer + "', " + amounts + ", 'IG')");
    }
    void LedgerEntry(const std::string& date, const std::string& buyer, double dija, const std::string& kind = "MC") {
        Exec("INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, DIJA) VALUES ('" + date + "', '" + kind + "', '" +
             buyer + "', " + std::to_string(dija) + ")");
    }
    std::map<std::string, LedgerRow> Rows(const std::string& buyer) {
        const DecodedRows r = Select(
            "SELECT SALEDT, BUYERNM, JIJA, PMIAMT1, BPAMT1, IGTOTAMT, DCAMT, CUTAMT, IGCASH, IGCARD, IGBANK, IGEE, "
            "DIJA FROM SAL_JAINFO WHERE BUYERCD = '" + buyer + "' AND JAGB = 'MC' ORDER BY SALEDT");
        std::map<std::string, LedgerRow> out;
        for (int i = 0; i < r.Count(); ++i) {
            auto a = [&](const char* c) { return r.Amount(i, r.Column(c)); };
            out[r.Text(i, r.Column("SALEDT"))] = {a("JIJA"),   a("PMIAMT1"), a("BPAMT1"), a("IGTOTAMT"),
                                                  a("DCAMT"),  a("CUTAMT"),  a("IGCASH"), a("IGCARD"),
                                                  a("IGBANK"), a("IGEE"),    a("DIJA"),   r.Text(i, r.Column("BUYERNM"))};
        }
        return out;
    }
    std::string batch_;
    bool batching_ = false;

    std::optional<double> Balance(const std::string& buyer) {
        const DecodedRows r = Select("SELECT CURRMISU FROM BAS_MCBUYER WHERE BUYERCD = '" + buyer + "'");
        if (r.Count() == 0) return std::nullopt;
        return r.Amount(0, 0);
    }
    void Replay(const std::string& command) {
        Put("cmd.txt", command + "\r\n");
        ASSERT_EQ(Run(), 0) << Stderr();
        ASSERT_FALSE(Has("cmd.txt")) << Stderr();
    }
};

TEST(RebuildEndToEnd, CarriedInBalanceWithoutVouchers) {
    Ledger f;
    f.LedgerEntry("2024-01-20", "B1", 500);
    f.LedgerEntry("2024-02-10", "B1", 999);  // stale: rebuilt away
    f.LedgerEntry("2024-01-25", "B2", 7);    // another buyer's balance does not count
    f.Replay("SetGRNY,B1,Kim,2024-02-01");
    const auto rows = f.Rows("B1");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows.count("2024-01-20"));
    EXPECT_EQ(f.Balance("B1"), 500);
}

TEST(RebuildEndToEnd, EmptyStartDateOpensTheLedgerAtTheFloorDate) {
    Ledger f;
    f.Sale("20240105-1-00001", "B1", "100, 0, 0, 0, 0, 0");
    f.Replay("SetGRNY,B1,Kim,");
    const auto rows = f.Rows("B1");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows.at("2001-01-01").jija, 0);
    EXPECT_EQ(rows.at("2001-01-01").dija, 0);
    EXPECT_EQ(rows.at("2024-01-05").sales, 100);
    EXPECT_EQ(rows.at("2024-01-05").dija, 100);
    EXPECT_EQ(rows.at("2024-01-05").name, "Kim");
    EXPECT_EQ(f.Balance("B1"), 100);
}

TEST(RebuildEndToEnd, FloorDateWithACarriedInRowWritesNoOpeningRow) {
    Ledger f;
    f.LedgerEntry("2000-12-31", "B1", 50);
    f.Sale("20010105-1-00001", "B1", "10, 0, 0, 0, 0, 0");
    f.Replay("SetGRNY,B1,Kim,2001-01-01");
    const auto rows = f.Rows("B1");
    EXPECT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows.count("2001-01-01"));
    EXPECT_EQ(rows.at("2001-01-05").jija, 50);
    EXPECT_EQ(rows.at("2001-01-05").dija, 60);
    EXPECT_EQ(f.Balance("B1"), 60);
}

TEST(RebuildEndToEnd, AMonthOfSalesCollectionsAndReturns) {
    Ledger f;
    f.LedgerEntry("2024-02-28", "B1", 1000);
    f.LedgerEntry("2024-03-04", "B1", 12345);  // stale
    f.Sale("20240301-1-00001", "B1", "1000, 0, 0, 0, 0, 0");
    f.Sale("20240301-1-00002", "B1", "500, 0, 200, 0, 0, 0");
    f.Sale("20240301-1-00003", "B1", "300, 0, 0, 0, 0, 0");
    f.Sale("20240302-1-00001", "B1", "400, 0, 0, 0, 0, 0");
    f.Collection("20240302-1-00001", "B1", "100, 50, 30, 20, 10, 5");
    f.Sale("20240303-1-00001", "B1", "-250, -250, 0, 0, 0, 0", "MJBP");  // a return: its sale part is dropped
    f.Sale("20240304-1-00001", "B1", "0, 0, 0, 0, 0, 0");                 // no movement, no row
    f.Sale("20240305-1-00001", "B1", "777, 0, 0, 0, 0, 0", "MJSL", "SM", "WAIT");  // not confirmed yet
    f.Sale("20240305-1-00002", "B1", "888, 0, 0, 0, 0, 0", "MJSL", "XX");          // not on account
    f.Replay("SetGRNY,B1,Kim,2024-03-01");

    const auto rows = f.Rows("B1");
    ASSERT_EQ(rows.size(), 4u);  // 02-28 carried in, 03-01, 03-02, 03-03
    const LedgerRow& d1 = rows.at("2024-03-01");
    EXPECT_EQ(d1.jija, 1000);
    EXPECT_EQ(d1.sales, 1800);
    EXPECT_EQ(d1.received, 200);
    EXPECT_EQ(d1.cash, 200);
    EXPECT_EQ(d1.dija, 2600);  // 1000 + 1800 - 200
    const LedgerRow& d2 = rows.at("2024-03-02");
    EXPECT_EQ(d2.jija, 2600);
    EXPECT_EQ(d2.sales, 400);
    EXPECT_EQ(d2.received, 200);  // cash 100, card 50, bank 30, ee 20
    EXPECT_EQ(d2.cash, 100);
    EXPECT_EQ(d2.card, 50);
    EXPECT_EQ(d2.bank, 30);
    EXPECT_EQ(d2.ee, 20);
    EXPECT_EQ(d2.discount, 10);
    EXPECT_EQ(d2.cut, 5);
    EXPECT_EQ(d2.dija, 2785);  // 2600 + 400 - 200 - 10 - 5
    const LedgerRow& d3 = rows.at("2024-03-03");
    EXPECT_EQ(d3.sales, 0);
    EXPECT_EQ(d3.returns, -250);
    EXPECT_EQ(d3.dija, 2535);
    EXPECT_EQ(f.Balance("B1"), 2535);
}

TEST(RebuildEndToEnd, TwoHundredFiftyRowsGoOutInBatches) {
    Ledger f;
    f.Batch(true);
    for (int d = 0; d < 250; ++d) {
        char jpno[32];
        std::snprintf(jpno, sizeof jpno, "2023%02d%02d-1-00001", 1 + d / 28, 1 + d % 28);
        f.Sale(jpno, "B2", "2, 0, 1, 0, 0, 0");
    }
    f.Batch(false);
    f.Replay("SetGRNY,B2,Lee,2023-01-01");
    const auto rows = f.Rows("B2");
    ASSERT_EQ(rows.size(), 250u);
    EXPECT_EQ(rows.begin()->second.dija, 1);
    EXPECT_EQ(rows.rbegin()->second.dija, 250);
    EXPECT_EQ(f.Balance("B2"), 250);
}

TEST(RebuildEndToEnd, WalkInDaysAreWrittenOrDeletedAndBuyersLeaveThemAlone) {
    Ledger f;
    f.Sale("20240401-9-00001", "", "700, -100, 300, 100, 20, 5", "MJSL", "");
    f.Exec("INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, BUYERNM, DIJA) VALUES ('2024-04-02', 'MC', '', '', 9)");
    f.Replay("SetGRNY,,Someone,2024-04-01");
    auto rows = f.Rows("");
    ASSERT_EQ(rows.size(), 2u);
    const LedgerRow& w = rows.at("2024-04-01");
    EXPECT_EQ(w.jija, 0);
    EXPECT_EQ(w.sales, 700);
    EXPECT_EQ(w.returns, -100);
    EXPECT_EQ(w.received, 400);
    EXPECT_EQ(w.dija, 175);  // 700 - 100 - 400 - 20 - 5
    EXPECT_EQ(w.name, "");
    EXPECT_FALSE(f.Balance("").has_value());

    f.Replay("SetGRNY,,,2024-04-02");  // no sales that day: its row goes
    rows = f.Rows("");
    EXPECT_EQ(rows.size(), 1u);

    f.Replay("SetGRNY,B9,Nobody,2024-04-01");  // a buyer without any rows
    EXPECT_EQ(f.Rows("").size(), 1u);
    EXPECT_EQ(f.Balance("B9"), 0);
}

TEST(RebuildEndToEnd, QuotesInTheCommandAreSafe) {
    Ledger f;
    f.Sale("20240501-1-00001", "B''3", "40, 0, 0, 0, 0, 0");
    f.Replay("SetGRNY,B'3,O'Brien,2024-05-01");
    const auto rows = f.Rows("B''3");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.begin()->second.name, "O'Brien");
    EXPECT_EQ(f.Balance("B''3"), 40);
}

TEST(RebuildEndToEnd, RepeatedCommandsGiveTheSameLedger) {
    Ledger f;
    f.LedgerEntry("2024-02-28", "B1", 10);
    f.Sale("20240301-1-00001", "B1", "5, 0, 1, 0, 0, 0");
    f.Sale("20240302-1-00001", "B1", "7, 0, 0, 0, 0, 0");
    f.Put("1.txt", "SetGRNY,B1,Kim,2024-03-01\r\n");
    f.Put("2.txt", "SetGRNY,B1,Kim again,2024-03-01\r\n");  // a repeat: deleted without running
    ASSERT_EQ(f.Run(), 0) << f.Stderr();
    EXPECT_TRUE(f.Remaining().empty());
    const auto first = f.Rows("B1");
    EXPECT_EQ(first.at("2024-03-01").name, "Kim");
    f.Replay("SetGRNY,B1,Kim,2024-03-01");
    const auto second = f.Rows("B1");
    ASSERT_EQ(second.size(), first.size());
    for (const auto& [date, row] : first) EXPECT_EQ(second.at(date).dija, row.dija) << date;
    EXPECT_EQ(f.Balance("B1"), 21);  // 10 + 5 - 1 + 7
}

// A sale whose amount is NULL: the rebuild cannot be computed, so it writes nothing; the ledger keeps its rows and
// the balance its value, and a later command for the same buyer in the same pass waits instead of building on it.
TEST(RebuildEndToEnd, ARebuildThatCannotBeComputedLeavesTheLedgerAsItWas) {
    Ledger f;
    f.Sale("20240301-1-00001", "B1", "5, 0, 0, 0, 0, 0");
    f.Replay("SetGRNY,B1,Kim,2024-03-01");
    const auto before = f.Rows("B1");
    ASSERT_EQ(before.size(), 1u);
    f.Sale("20240302-1-00001", "B1", "NULL, 0, 0, 0, 0, 0");
    f.Put("1.txt", "SetGRNY,B1,Kim,2024-03-01\r\n");
    f.Put("2.txt", "SetGRNY,B1,Kim,2024-03-02\r\n");
    EXPECT_EQ(f.Run(), 1) << f.Stderr();
    EXPECT_EQ(f.Remaining(), (std::vector<std::string>{"1.txt", "2.txt"}));
    const auto after = f.Rows("B1");
    ASSERT_EQ(after.size(), before.size()) << "the ledger rows from the start date must still be there";
    EXPECT_EQ(after.at("2024-03-01").dija, before.at("2024-03-01").dija);
    EXPECT_EQ(f.Balance("B1"), 5);
    EXPECT_NE(f.Stderr().find("1.txt: stays: the ledger could not be computed"), std::string::npos) << f.Stderr();
}

}  // namespace
}  // namespace ordo::test
