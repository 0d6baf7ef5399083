// Requests against a real ordo-server on an embedded database, answered as client data sets expect.
#include <gtest/gtest.h>

#include <tuple>

#include <cmath>

#include "tests/support/ordo_test_client.h"
#include "tests/support/server_process.h"

namespace ordo::test {
namespace {

class ServerRequests : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = std::make_unique<OrdoServerProcess>();
        client_ = std::make_unique<OrdoTestClient>(server_->Port());
    }
    OrdoTestClient& C() { return *client_; }
    /// Runs an execute request that must succeed.
    void Run(const std::string& sql, const TOrdoParamList* params = nullptr) {
        OrdoReply r = C().Exec(sql, params);
        ASSERT_TRUE(r.Ok()) << sql << "\n" << r.error;
    }
    std::int64_t Count(const std::string& sqlCount) {
        OrdoReply r = C().Select(sqlCount);
        EXPECT_TRUE(r.Ok()) << r.error;
        DecodedRows rows(r);
        return rows.Count() == 1 ? rows.Int(0, 0) : -1;
    }

    std::unique_ptr<OrdoServerProcess> server_;
    std::unique_ptr<OrdoTestClient> client_;
};

TEST_F(ServerRequests, LoginWithoutListIsAcceptedAndVersionIsReported) {
    EXPECT_TRUE(C().Login("anyone", "anything"));
    EXPECT_EQ(C().Version(), "1.0");
}

TEST_F(ServerRequests, SelectMapsEveryColumnTypeWithNullsAndBlobs) {
    Run("CREATE TABLE ALLT (VC VARCHAR(10), CH CHAR(3), SI SMALLINT, I INTEGER, BI BIGINT, F FLOAT, "
        "D DOUBLE PRECISION, N NUMERIC(18,2), DC DECIMAL(9,3), DT DATE, TM TIME, TS TIMESTAMP, BO BOOLEAN, "
        "TB BLOB SUB_TYPE 1, BB BLOB SUB_TYPE 0)");
    TOrdoParamList p;
    TOrdoParamItem& memo = p.Add();
    memo.SetName("TB");
    memo.SetAsMemo("메모 text");
    TOrdoParamItem& bin = p.Add();
    bin.SetName("BB");
    bin.SetAsBlob(AsBytes(std::string("\x00\x04\x06\xFF", 4)));
    Run("INSERT INTO ALLT VALUES ('가나다', 'ab', -3, 70000, 9000000000, 1.5, -2.25, 1500.75, -0.125, "
        "'2024-01-01', '06:00:00', '2024-01-01 18:00:00', TRUE, :TB, :BB)",
        &p);
    Run("INSERT INTO ALLT (VC) VALUES (NULL)");

    OrdoReply r = C().Select("SELECT * FROM ALLT ORDER BY I NULLS LAST\r\n");
    ASSERT_TRUE(r.Ok()) << r.error;
    EXPECT_EQ(r.packetState, 0);
    EXPECT_EQ(r.cursorId, 0);
    DecodedRows rows(r);
    const std::vector<std::pair<int, int>> expected = {
        {ftString, 40}, {ftString, 12}, {ftSmallint, 0}, {ftInteger, 0}, {ftLargeint, 0},
        {ftFloat, 0},   {ftFloat, 0},   {ftBCD, 2},      {ftBCD, 3},     {ftDate, 0},
        {ftTime, 0},    {ftDateTime, 0}, {ftBoolean, 0}, {ftMemo, 0},    {ftBlob, 0}};
    ASSERT_EQ(rows.Defs().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(rows.Defs()[i].Name);
        EXPECT_EQ(rows.Defs()[i].DataType, expected[i].first);
        if (expected[i].second) {
            EXPECT_EQ(rows.Defs()[i].Size, expected[i].second);
        }
    }
    ASSERT_EQ(rows.Count(), 2);
    EXPECT_EQ(rows.Text(0, 0), "가나다");
    EXPECT_EQ(rows.Text(0, 1), "ab ");  // CHAR(3) keeps its padding to three characters only
    EXPECT_EQ(rows.Int(0, 2), -3);
    EXPECT_EQ(rows.Int(0, 3), 70000);
    EXPECT_EQ(rows.Int(0, 4), 9000000000);
    EXPECT_DOUBLE_EQ(rows.Double(0, 5), 1.5);
    EXPECT_DOUBLE_EQ(rows.Double(0, 6), -2.25);
    EXPECT_DOUBLE_EQ(rows.Amount(0, 7), 1500.75);
    EXPECT_DOUBLE_EQ(rows.Amount(0, 8), -0.125);
    EXPECT_EQ(rows.Int(0, 9) & 0xFFFFFFFF, 738886);          // day number of 2024-01-01
    EXPECT_EQ(rows.Int(0, 10), 6 * 3600 * 1000);              // milliseconds since midnight
    EXPECT_DOUBLE_EQ(rows.Double(0, 11), (738886.0 * 86400 + 18 * 3600) * 1000);
    EXPECT_TRUE(rows.Bool(0, 12));
    EXPECT_EQ(rows.Blob(0, 13), "메모 text");
    EXPECT_EQ(rows.Blob(0, 14), std::string("\x00\x04\x06\xFF", 4));
    for (int c = 0; c < 15; ++c) EXPECT_TRUE(rows.IsNull(1, c)) << "column " << c;
    EXPECT_FALSE(rows.IsNull(0, 14));
}

TEST_F(ServerRequests, ZeroRowsSendsFieldDefinitionsOnly) {
    Run("INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B1', 10)");
    OrdoReply r = C().Select("SELECT BUYERCD, CURRMISU FROM BAS_MCBUYER", 0);
    ASSERT_TRUE(r.Ok()) << r.error;
    EXPECT_EQ(r.lines.size(), 1u);
    EXPECT_FALSE(r.gotRows);
    EXPECT_EQ(DecodedRows(r.fieldDefs, "").Defs().size(), 2u);
    // Nothing else is on its way: the next reply is the next request's.
    EXPECT_EQ(C().Version(), "1.0");
}

TEST_F(ServerRequests, PacketsCarryACursorUntilTheLastOne) {
    Run("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 25) DO BEGIN "
        "INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES (LPAD(:I, 3, '0'), :I); I = I + 1; END END");
    OrdoReply first = C().Select("SELECT BUYERCD FROM BAS_MCBUYER ORDER BY BUYERCD", 10);
    ASSERT_TRUE(first.Ok()) << first.error;
    ASSERT_GT(first.cursorId, 0);
    EXPECT_EQ(first.packetState, first.cursorId);  // the first packet names the cursor too
    DecodedRows rows(first);
    EXPECT_EQ(rows.Count(), 10);

    OrdoReply second = C().Fetch(first.cursorId, 10);
    EXPECT_EQ(second.packetState, -1);
    rows.Append(second.rows);
    OrdoReply last = C().Fetch(first.cursorId, 10);
    EXPECT_EQ(last.packetState, -2);
    rows.Append(last.rows);
    ASSERT_EQ(rows.Count(), 25);
    for (int i = 0; i < 25; ++i) EXPECT_EQ(std::stoi(rows.Text(i, 0)), i + 1);

    // The cursor is gone: asking again gets an empty last packet, not a hang.
    OrdoReply after = C().Fetch(first.cursorId, 10);
    EXPECT_EQ(after.packetState, -2);
    EXPECT_EQ(DecodedRows(first.fieldDefs, after.rows).Count(), 0);

    // Exactly one packet's worth: no cursor is kept, since nothing follows.
    OrdoReply exact = C().Select("SELECT FIRST 10 BUYERCD FROM BAS_MCBUYER", 10);
    EXPECT_EQ(exact.packetState, 0);
    EXPECT_EQ(exact.cursorId, 0);
}

TEST_F(ServerRequests, RowTextTravelsDeflatedWhenAsked) {
    Run("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 30) DO BEGIN "
        "INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('BUYER-' || :I, :I); I = I + 1; END END");
    constexpr std::int32_t kCompress = 1 << 5;
    OrdoReply first = C().Select("SELECT BUYERCD, CURRMISU FROM BAS_MCBUYER ORDER BY CURRMISU", 20, nullptr, 1, 3 | kCompress);
    ASSERT_TRUE(first.Ok()) << first.error;
    EXPECT_TRUE(first.rowsDeflated);
    DecodedRows rows(first);
    OrdoReply rest = C().Fetch(first.cursorId, 20, 1, 3 | kCompress);
    EXPECT_TRUE(rest.rowsDeflated);
    rows.Append(rest.rows);
    ASSERT_EQ(rows.Count(), 30);
    EXPECT_EQ(rows.Text(29, 0), "BUYER-30");
    EXPECT_DOUBLE_EQ(rows.Amount(29, 1), 30);
    EXPECT_FALSE(C().Select("SELECT BUYERCD FROM BAS_MCBUYER").rowsDeflated);
}

TEST_F(ServerRequests, ClosingACursorEndsItsPackets) {
    Run("EXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN WHILE (I <= 5) DO BEGIN "
        "INSERT INTO BAS_MCBUYER (BUYERCD) VALUES (:I); I = I + 1; END END");
    OrdoReply first = C().Select("SELECT BUYERCD FROM BAS_MCBUYER", 2, nullptr, 7);
    ASSERT_GT(first.cursorId, 0);
    C().CloseCursor(7);
    EXPECT_EQ(C().Fetch(first.cursorId, 2, 7).packetState, -2);
    // Reopening the same data set replaces its cursor.
    OrdoReply again = C().Select("SELECT BUYERCD FROM BAS_MCBUYER", 2, nullptr, 7);
    OrdoReply reopened = C().Select("SELECT BUYERCD FROM BAS_MCBUYER", 2, nullptr, 7);
    EXPECT_EQ(C().Fetch(again.cursorId, 2, 7).packetState, -2);
    EXPECT_EQ(C().Fetch(reopened.cursorId, 2, 7).packetState, -1);
}

TEST_F(ServerRequests, ExecRunsEveryStatementInOrderAndCountsRows) {
    std::string batch =
        "\r\nINSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B1', 100)\r\n"
        "UPDATE BAS_MCBUYER SET CURRMISU = CURRMISU * 2 WHERE BUYERCD = 'B1'\r\n"
        "UPDATE OR INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B1',-2300.5) MATCHING (BUYERCD)\r\n"
        "INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B2', 1)\r\n";
    OrdoReply r = C().Exec(batch, nullptr, 5);
    ASSERT_TRUE(r.Ok()) << r.error;
    EXPECT_EQ(r.rowsAffected, 4);
    TOrdoStringLine& reply = r.lines.back();
    EXPECT_EQ(reply.ReadInteger(), -75007);
    auto list = TOrdoParamList::CreateFromString(reply.ReadBytes());
    ASSERT_NE(list.FindParam("DatasetId"), nullptr);
    EXPECT_EQ(list.FindParam("DatasetId")->AsInteger(), 5);
    EXPECT_EQ(reply.ReadInteger(), 1);  // reply flag: ends the client's wait

    OrdoReply check = C().Select("SELECT CURRMISU FROM BAS_MCBUYER WHERE BUYERCD = 'B1'");
    DecodedRows rows(check);
    ASSERT_EQ(rows.Count(), 1);
    EXPECT_DOUBLE_EQ(rows.Amount(0, 0), -2300.5);

    // Ledger rows name no MATCHING columns: the primary key decides, so a second write updates.
    std::string ledger =
        "UPDATE OR INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, BUYERNM, JIJA, DIJA) VALUES "
        "('2024-01-02','MC','B1','', 0, ";
    ASSERT_TRUE(C().Exec(ledger + "100) \r\n" + ledger + "250) ").Ok());
    DecodedRows ledgerRows(C().Select("SELECT DIJA FROM SAL_JAINFO"));
    ASSERT_EQ(ledgerRows.Count(), 1);
    EXPECT_DOUBLE_EQ(ledgerRows.Amount(0, 0), 250);
}

TEST_F(ServerRequests, ErrorInTheMiddleRollsTheWholeRequestBack) {
    std::string batch =
        "INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B1', 100)\r\n"
        "INSERT INTO NO_SUCH_TABLE (A) VALUES (1)\r\n"
        "INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B3', 300)";
    OrdoReply r = C().Exec(batch);
    ASSERT_FALSE(r.Ok());
    EXPECT_NE(r.error.find("Statement 2 of 3"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("Table unknown"), std::string::npos) << r.error;
    EXPECT_NE(r.error.find("NO_SUCH_TABLE"), std::string::npos) << r.error;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM BAS_MCBUYER"), 0);

    // A key violation half-way is a database error too, and takes the first row back with it.
    Run("INSERT INTO BAS_MCBUYER (BUYERCD) VALUES ('K')");
    OrdoReply dup = C().Exec("INSERT INTO BAS_MCBUYER (BUYERCD) VALUES ('L')\r\nINSERT INTO BAS_MCBUYER (BUYERCD) VALUES ('K')");
    EXPECT_NE(dup.error.find("PK_BAS_MCBUYER"), std::string::npos) << dup.error;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM BAS_MCBUYER"), 1);
}

TEST_F(ServerRequests, StatementSpreadOverLinesRunsAsOne) {
    std::string text =
        "INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD,\r\n"
        "  BUYERNM, DIJA)\r\n"
        "VALUES ('2024-01-02', 'MC', 'B1',\r\n"
        "  '상호 (주)',\r\n"
        "  1500)\r\n";
    OrdoReply r = C().Exec(text);
    ASSERT_TRUE(r.Ok()) << r.error;
    EXPECT_EQ(r.rowsAffected, 1);
    DecodedRows rows(C().Select("SELECT BUYERNM FROM SAL_JAINFO"));
    ASSERT_EQ(rows.Count(), 1);
    EXPECT_EQ(rows.Text(0, 0), "상호 (주)");
}

TEST_F(ServerRequests, NamedParametersBindBothWays) {
    TOrdoParamList p;
    TOrdoParamItem& cd = p.Add();
    cd.SetName("CD");
    cd.SetAsString("B9");
    TOrdoParamItem& amt = p.Add();
    amt.SetName("AMT");
    amt.SetAsCurrency(Currency::FromRaw(12345));
    Run("INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES (:CD, :AMT)", &p);
    TOrdoParamList q;
    TOrdoParamItem& key = q.Add();
    key.SetName("cd");
    key.SetAsString("B9");
    DecodedRows rows(C().Select("SELECT CURRMISU FROM BAS_MCBUYER WHERE BUYERCD = :CD", -1, &q));
    ASSERT_EQ(rows.Count(), 1);
    EXPECT_DOUBLE_EQ(rows.Amount(0, 0), 1.23);  // NUMERIC(18,2) keeps two decimals
}

TEST_F(ServerRequests, StoredProceduresSelectableAndExecutable) {
    Run("CREATE PROCEDURE DOUBLED (X INTEGER) RETURNS (Y INTEGER, NOTE VARCHAR(10)) AS BEGIN "
        "Y = X * 2; NOTE = 'ok'; END");
    Run("CREATE PROCEDURE UPTO (N INTEGER) RETURNS (I INTEGER) AS BEGIN I = 1; "
        "WHILE (I <= N) DO BEGIN SUSPEND; I = I + 1; END END");
    TOrdoParamList p;
    TOrdoParamItem& x = p.Add();
    x.SetName("X");
    x.SetAsInteger(21);
    OrdoReply exec = C().StoredProc("doubled", p);
    ASSERT_TRUE(exec.Ok()) << exec.error;
    TOrdoStringLine& out = exec.lines.back();
    out.ReadInteger();
    auto outputs = TOrdoParamList::CreateFromString(out.ReadBytes());
    ASSERT_NE(outputs.FindParam("Y"), nullptr);
    EXPECT_EQ(outputs.FindParam("Y")->AsInteger(), 42);
    EXPECT_EQ(outputs.FindParam("NOTE")->AsString(), "ok");
    EXPECT_EQ(outputs.FindParam("Y")->ParamType(), ptOutput);

    TOrdoParamList n;
    n.Add().SetAsInteger(4);  // no name: taken by position
    OrdoReply sel = C().StoredProc("UPTO", n);
    ASSERT_TRUE(sel.Ok()) << sel.error;
    EXPECT_EQ(DecodedRows(sel).Count(), 4);
    // A client executing it waits for the output parameters: they come, as an empty list.
    TOrdoStringLine& none = sel.lines.back();
    none.ReadInteger();
    EXPECT_EQ(TOrdoParamList::CreateFromString(none.ReadBytes()).Count(), 0);
    // Opened, both end with their rows: a list behind them would answer the data set's next execute.
    for (const char* proc : {"UPTO", "DOUBLED"}) {
        SCOPED_TRACE(proc);
        OrdoReply open = C().StoredProc(proc, std::string(proc) == "UPTO" ? n : p, -1, 1, false);
        ASSERT_TRUE(open.Ok()) << open.error;
        EXPECT_EQ(open.lines.back().Token(), mcRowPacket);
        OrdoReply next = C().Exec("UPDATE RDB$DATABASE SET RDB$DESCRIPTION = NULL WHERE 1 = 0");
        ASSERT_FALSE(next.lines.empty());
        EXPECT_NE(next.lines.front().Token(), mcOutputParams) << "an output list trailed the open";
    }

    EXPECT_NE(C().StoredProc("NOPE", n).error.find("NOPE"), std::string::npos);
}

TEST_F(ServerRequests, LedgerQueryOfTheBalanceRebuildRuns) {
    Run("INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, DIJA) VALUES ('2023-12-31', 'MC', 'B1', 500)");
    Run("INSERT INTO SAL_SALEMASTER (JPNO, JPGB, ILJA, BUYERCD, SALEAMT, MCGB, GJGB) "
        "VALUES ('20240105-0-00001', 'MJ', '2024-01-05', 'B1', 1000, 'SM', '')");
    Run("INSERT INTO SAL_IGJG (JPNO, ILJA, BUYERCD, IGCASH, IOGB) VALUES ('20240106-0-00001', '2024-01-06', 'B1', 300, 'IG')");
    const std::string start = "2024-01-01", buyer = "B1", low = "20240101-0-00000";
    std::string q =
        "SELECT a.GB, a.JPNO, a.JPGB, a.JPNY, case when a.JPNO = '' then a.ILJA else (substring(a.JPNO From 1 for "
        "4)||'-'||substring(a.JPNO From 5 for 2)||'-'||substring(a.JPNO From 7 for 2)) end ILJA, a.BUYERCD, "
        "a.BUYERNM, a.DEPTNM, a.SALEAMT, a.BPAMT, a.MSAMT, a.TOTALAMT, a.GGGAMT, a.TAXAMT, a.IGCASH, a.IGCARD, "
        "a.IGSPG, a.IGJRG, a.IGCP1, a.IGCP2, a.MISUAMT, a.DCAMT, a.CUTAMT, a.BELAMT, a.IGBANK, a.IGEE, a.HMSAMT, "
        "a.CASHYSJBH, a.TAXBHGB, 'N' AS SEL FROM (SELECT FIRST 1 '11' GB, ' ' AS JPNO, '' AS JPGB, '전미수' AS "
        "JPNY, '" + start + "' AS ILJA, '' AS BUYERCD, '' AS BUYERNM, '' AS DEPTNM, "
        "0 AS SALEAMT, 0 AS BPAMT, 0 AS MSAMT, 0 AS TOTALAMT, 0 AS GGGAMT, 0 AS TAXAMT, 0 AS IGCASH, 0 AS IGCARD, "
        "0 AS IGSPG, 0 AS IGJRG, 0 AS IGCP1, 0 AS IGCP2, 0 AS MISUAMT, 0 AS DCAMT, 0 AS CUTAMT, 0 AS BELAMT, 0 AS "
        "IGBANK, 0 AS IGEE, COALESCE((SELECT FIRST 1 DIJA FROM SAL_JAINFO WHERE (BUYERCD = '" + buyer +
        "' ) AND (JAGB IN ('MC', 'CA')) AND (SALEDT = (SELECT MAX(SALEDT) FROM SAL_JAINFO WHERE (BUYERCD = '" +
        buyer + "') AND (SALEDT < '" + start + "') AND (JAGB IN ('MC', 'CA')) )) ),0) AS HMSAMT, "
        "'N' AS CASHYSJBH, 'N' AS TAXBHGB FROM SAL_JAINFO WHERE (SALEDT < '" + start + "') and (SALEDT <> '') "
        "UNION ALL SELECT '21' GB, JPNO, JPGB, JPNY, ILJA, BUYERCD, BUYERNM, DEPTNM, "
        "(CASE WHEN ((JPGB = 'MJBP') or (JPGB = 'MIBP') or (JPGB = 'CIBP')) And (ABS(SALEAMT) = ABS(BPAMT)) THEN 0 "
        "ELSE SALEAMT END) SALEAMT, (CASE WHEN (JPGB = 'MJBP') or (JPGB = 'MIBP') or (JPGB = 'CIBP') THEN BPAMT ELSE "
        "ABS(BPAMT) END) BPAMT, MSAMT, TOTALAMT, GGGAMT, TAXAMT, (IGCASH + DMIGAMT) AS IGCASH, IGCARD, IGSPG, IGJRG, "
        "IGCP1, IGCP2, MISUAMT, DCAMT, CUTAMT, BELAMT, 0 AS IGBANK, 0 AS IGEE, 0 AS HMSAMT, CASHYSJBH, TAXBHGB "
        "FROM SAL_SALEMASTER WHERE (JPNO >= '" + low + "') AND (MCGB IN ('SM', 'DM')) AND (BUYERCD = '" + buyer +
        "') AND (GJGB <> 'WAIT') UNION ALL SELECT '31' GB, JPNO, 'IGJG' AS JPGB, (CASE WHEN (BIGO01 IS NULL) or "
        "(BIGO01 = '') THEN '외상수금' ELSE '외상수금('||BIGO01||')' END) AS JPNY, ILJA, BUYERCD, BUYERNM, DEPTNM, "
        "0 AS SALEAMT, 0 AS BPAMT, 0 AS MSAMT, TOTALAMT, 0 AS GGGAMT, 0 AS TAXAMT, IGCASH, IGCARD, 0 AS IGSPG, 0 "
        "AS IGJRG, 0 AS IGCP1, 0 AS IGCP2, 0 AS MISUAMT, DCAMT, CUTAMT, 0 AS BELAMT, IGBANK, IGEE, 0 AS HMSAMT, "
        "CASHYSJBH, 'N' AS TAXBHGB FROM SAL_IGJG WHERE (JPNO >= '" + low + "' ) AND (BUYERCD = '" + buyer +
        "' ) AND (IOGB = 'IG') ) a ORDER BY a.JPNO, a.GB\r\n";
    OrdoReply r = C().Select(q);
    ASSERT_TRUE(r.Ok()) << r.error;
    DecodedRows rows(r);
    ASSERT_EQ(rows.Count(), 3);
    int gb = rows.Column("GB"), ilja = rows.Column("ILJA"), hms = rows.Column("HMSAMT"), jpny = rows.Column("JPNY");
    EXPECT_EQ(rows.Text(0, gb), "11");  // not padded: the rebuild compares it exactly
    EXPECT_EQ(rows.Text(0, ilja), "2024-01-01");
    EXPECT_DOUBLE_EQ(rows.Amount(0, hms), 500);
    EXPECT_EQ(rows.Text(0, jpny), "전미수");
    EXPECT_EQ(rows.Text(1, gb), "21");
    EXPECT_EQ(rows.Text(1, ilja), "2024-01-05");
    EXPECT_DOUBLE_EQ(rows.Amount(1, rows.Column("SALEAMT")), 1000);
    EXPECT_EQ(rows.Text(2, jpny), "외상수금");
    EXPECT_DOUBLE_EQ(rows.Amount(2, rows.Column("IGCASH")), 300);
}

TEST_F(ServerRequests, TransactionStatementsAndUnsupportedRequestsAreRefused) {
    OrdoReply commit = C().Exec("INSERT INTO BAS_MCBUYER (BUYERCD) VALUES ('X');\r\nCOMMIT");
    EXPECT_NE(commit.error.find("Transaction statements"), std::string::npos) << commit.error;
    EXPECT_EQ(Count("SELECT COUNT(*) FROM BAS_MCBUYER"), 0);

    TOrdoStringLine provider(mcProviderApply, 3);
    provider.AddString("");
    C().Send(std::move(provider));
    OrdoReply r = C().Collect({});
    EXPECT_NE(r.error.find("not supported"), std::string::npos) << r.error;
}

// Metadata requests are answered from the catalog as a select is; a kind the server does not
// answer, or an object that does not exist, is an SQL error.
TEST_F(ServerRequests, MetadataRequestsAnswerFromTheCatalog) {
    Run("CREATE PROCEDURE ADD_ONE (X INTEGER, NOTE VARCHAR(5)) RETURNS (Y INTEGER) AS BEGIN Y = X + 1; END");
    auto meta = [&](std::int32_t kind, const std::string& name) {
        TOrdoStringLine l(mcMetaData, 3);
        l.AddString(name);
        l.AddString("");
        l.AddString("");
        l.AddInteger(kind);
        C().Send(std::move(l));
        return C().Collect({mcRowPacket});
    };
    OrdoReply tables = meta(100, "");
    ASSERT_TRUE(tables.Ok()) << tables.error;
    DecodedRows names(tables);
    bool buyer = false;
    for (int i = 0; i < names.Count(); ++i) buyer = buyer || names.Text(i, names.Column("NAME")) == "BAS_MCBUYER";
    EXPECT_TRUE(buyer);

    OrdoReply params = meta(105, "add_one");
    ASSERT_TRUE(params.Ok()) << params.error;
    DecodedRows p(params);
    ASSERT_EQ(p.Count(), 3);
    const int name = p.Column("PARAM_NAME"), type = p.Column("PARAM_TYPE"), data = p.Column("DATA_TYPE");
    auto line = [&](int row) {
        return p.Text(row, name) + "," + std::to_string(p.Int(row, type)) + "," + std::to_string(p.Int(row, data));
    };
    EXPECT_EQ(line(0), "X,1,3");
    EXPECT_EQ(line(1), "NOTE,1,1");
    EXPECT_EQ(line(2), "Y,2,3");

    OrdoReply fields = meta(101, "BAS_MCBUYER");
    ASSERT_TRUE(fields.Ok()) << fields.error;
    DecodedRows f(fields);
    ASSERT_GT(f.Count(), 0);
    EXPECT_EQ(f.Text(0, f.Column("FIELD_NAME")), "BUYERCD");

    for (const auto& [kind, object, words] : {std::tuple{105, "NO_PROC", "NO_PROC"}, std::tuple{101, "NO_TABLE", "NO_TABLE"},
                                              std::tuple{108, "", "not supported"}}) {
        OrdoReply refused = meta(kind, object);
        EXPECT_NE(refused.error.find(words), std::string::npos) << kind << ": " << refused.error;
    }
}

TEST_F(ServerRequests, KeepAliveAndUnknownMessagesAreIgnored) {
    TOrdoStringLine ping(mcCodedMessage, 0);
    ping.AddInteger(-1);
    ping.AddString("");
    C().Send(std::move(ping));
    C().Send(TOrdoStringLine(60, 0));
    EXPECT_EQ(C().Version(), "1.0");  // the first answer is the version's
}

}  // namespace
}  // namespace ordo::test
