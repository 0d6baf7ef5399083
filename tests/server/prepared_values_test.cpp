// The same statements run by two servers on two fresh databases: one runs every statement as text
// (--statement-cache 0), the other runs literal VALUES lists as prepared shapes, with fewer places
// in its cache than there are shapes. Replies, errors and the rows written must be the same.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "app/ledger_statements.h"
#include "codec/message_codes.h"
#include "tests/support/ordo_test_client.h"
#include "tests/support/server_process.h"

namespace ordo::test {
namespace {

/// Korean syllables in the connection's character set.
std::string Korean(const std::string& charset, int syllables) {
    const bool euc = charset == "KSC_5601";
    const std::string han = euc ? "\xC7\xD1" : "\xED\x95\x9C";
    const std::string geul = euc ? "\xB1\xDB" : "\xEA\xB8\x80";
    std::string out;
    for (int i = 0; i < syllables; ++i) out += i % 2 ? geul : han;
    return out;
}

constexpr const char* kWideTable =
    "CREATE TABLE W (ID INTEGER NOT NULL PRIMARY KEY, V10 VARCHAR(10), C5 CHAR(5), VK VARCHAR(4), SI SMALLINT, "
    "I INTEGER, BI BIGINT, N2 NUMERIC(18,2), N4 NUMERIC(9,4), D3 DECIMAL(10,3), F FLOAT, DP DOUBLE PRECISION, "
    "DT DATE, TS TIMESTAMP, TM TIME, BO BOOLEAN, TX BLOB SUB_TYPE TEXT, NN VARCHAR(5) DEFAULT 'd' NOT NULL)";

/// Every column type of the wide table, with the values whose conversion is easy to get wrong.
std::vector<std::string> InsertCorpus(const std::string& charset) {
    const std::string k2 = Korean(charset, 2), k4 = Korean(charset, 4), k5 = Korean(charset, 5);
    std::vector<std::string> v{
        "INSERT INTO W (ID, V10) VALUES (1, 'abc')",
        "INSERT INTO W (ID, V10) VALUES (2, 'it''s ''q''')",
        "INSERT INTO W (ID, V10) VALUES (3, '')",
        "INSERT INTO W (ID, V10) VALUES (4, 'abcdefghijk')",
        "INSERT INTO W (ID, V10) VALUES (5, 'abcdefghij   ')",
        "INSERT INTO W (ID, C5) VALUES (6, 'ab')",
        "INSERT INTO W (ID, C5) VALUES (7, 'abcdef')",
        "INSERT INTO W (ID, C5) VALUES (8, '" + k2 + "')",
        "INSERT INTO W (ID, VK) VALUES (9, '" + k4 + "')",
        "INSERT INTO W (ID, VK) VALUES (10, '" + k5 + "')",
        "INSERT INTO W (ID, V10, C5) VALUES (11, '" + k4 + " " + k2 + "', '" + k4 + "')",
        "INSERT INTO W (ID, SI) VALUES (12, 32767)",
        "INSERT INTO W (ID, SI) VALUES (13, -32768)",
        "INSERT INTO W (ID, SI) VALUES (14, 32768)",
        "INSERT INTO W (ID, SI) VALUES (15, '123')",
        "INSERT INTO W (ID, SI) VALUES (16, 'abc')",
        "INSERT INTO W (ID, SI) VALUES (17, 12.5)",
        "INSERT INTO W (ID, SI) VALUES (18, 1.5E2)",
        "INSERT INTO W (ID, I) VALUES (19, 2147483647)",
        "INSERT INTO W (ID, I) VALUES (20, -2147483648)",
        "INSERT INTO W (ID, I) VALUES (21, 2147483648)",
        "INSERT INTO W (ID, I) VALUES (22, '" + k2 + "')",
        "INSERT INTO W (ID, BI) VALUES (23, 9223372036854775807)",
        "INSERT INTO W (ID, BI) VALUES (24, -9223372036854775807)",
        "INSERT INTO W (ID, BI) VALUES (25, -9223372036854775808)",
        "INSERT INTO W (ID, BI) VALUES (26, 9223372036854775808)",
        "INSERT INTO W (ID, N2) VALUES (27, 12.345)",
        "INSERT INTO W (ID, N2) VALUES (28, -12.345)",
        "INSERT INTO W (ID, N2) VALUES (29, '12.345')",
        "INSERT INTO W (ID, N2) VALUES (30, 1.005E0)",
        "INSERT INTO W (ID, N2) VALUES (31, 92233720368547758.07)",
        "INSERT INTO W (ID, N2) VALUES (32, 92233720368547758.08)",
        "INSERT INTO W (ID, N2) VALUES (33, 1E17)",
        "INSERT INTO W (ID, N2) VALUES (34, 0.125)",
        "INSERT INTO W (ID, N2) VALUES (35, ' 7.5 ')",
        "INSERT INTO W (ID, N4) VALUES (36, 12345.67895)",
        "INSERT INTO W (ID, N4) VALUES (37, 214749)",
        "INSERT INTO W (ID, N4) VALUES (38, 0.00005)",
        "INSERT INTO W (ID, D3) VALUES (39, 0.0005)",
        "INSERT INTO W (ID, D3) VALUES (40, -0.0005)",
        "INSERT INTO W (ID, D3) VALUES (41, .5)",
        "INSERT INTO W (ID, D3) VALUES (42, 5.)",
        "INSERT INTO W (ID, D3) VALUES (43, 1234567.8915)",
        "INSERT INTO W (ID, F) VALUES (44, 0.1)",
        "INSERT INTO W (ID, F) VALUES (45, 3.4E38)",
        "INSERT INTO W (ID, F) VALUES (46, 3.5E38)",
        "INSERT INTO W (ID, F) VALUES (47, 16777217)",
        "INSERT INTO W (ID, DP) VALUES (48, 0.1)",
        "INSERT INTO W (ID, DP) VALUES (49, -0E0)",
        "INSERT INTO W (ID, DP) VALUES (50, 1.7976931348623157E308)",
        "INSERT INTO W (ID, DP) VALUES (51, 1E309)",
        "INSERT INTO W (ID, DP) VALUES (52, 123456789012345678)",
        "INSERT INTO W (ID, DP) VALUES (53, 0.30000000000000004)",
        "INSERT INTO W (ID, DP) VALUES (54, '1.5E3')",
        "INSERT INTO W (ID, DP) VALUES (55, 2.2250738585072014E-308)",
        "INSERT INTO W (ID, DP) VALUES (56, 4.9E-324)",
        "INSERT INTO W (ID, DP) VALUES (57, 0.1000000000000000055511151231257827)",
        "INSERT INTO W (ID, DP) VALUES (58, 9007199254740993)",
        "INSERT INTO W (ID, DP) VALUES (59, 1.23456789012345678E5)",
        "INSERT INTO W (ID, DT) VALUES (60, '2024-02-29')",
        "INSERT INTO W (ID, DT) VALUES (61, '2023-02-29')",
        "INSERT INTO W (ID, DT) VALUES (62, '29.02.2024')",
        "INSERT INTO W (ID, DT) VALUES (63, 'abc')",
        "INSERT INTO W (ID, DT) VALUES (64, 20240101)",
        "INSERT INTO W (ID, TS) VALUES (65, '2024-01-01 12:34:56.7891')",
        "INSERT INTO W (ID, TS) VALUES (66, '2024-01-01')",
        "INSERT INTO W (ID, TM) VALUES (67, '12:34:56')",
        "INSERT INTO W (ID, BO) VALUES (68, 'TRUE')",
        "INSERT INTO W (ID, BO) VALUES (69, 1)",
        "INSERT INTO W (ID, V10, I) VALUES (70, NULL, 5)",
        "INSERT INTO W (ID, V10) VALUES (NULL, 'x')",
        "INSERT INTO W (ID, NN) VALUES (71, NULL)",
        "INSERT INTO W (ID, V10) VALUES (1, 'duplicate')",
        "INSERT INTO W (ID, I, N2) VALUES (72, - 5, + 5)",
        "INSERT INTO W (ID, V10) VALUES (73)",
        "INSERT INTO NO_SUCH_TABLE (A) VALUES (1)",
        "INSERT INTO W (ID, NO_SUCH_COLUMN) VALUES (74, 1)",
        "INSERT INTO W (ID, I) VALUES (75, 1 + 1)",
        "INSERT INTO W (ID, TX) VALUES (76, 'blob text " + k2 + "')",
        "INSERT INTO W (ID, V10) VALUES (77, 12.50)",
        "INSERT INTO W (ID, V10) VALUES (78, 1.5E3)",
        "INSERT INTO W (ID, V10) VALUES (79, -0.00)",
        "INSERT INTO W (ID, C5) VALUES (80, 123456)",
        "INSERT INTO W (ID, I) VALUES (81, '  42  ')",
        "INSERT INTO W (ID, N2) VALUES (82, 99999999999999999999)",
        "INSERT INTO W (ID, V10) VALUES (84, '\xFF\xFE')",  // not text in either character set
        "INSERT INTO W (ID, V10) VALUES (85, '" + Korean(charset == "UTF8" ? "KSC_5601" : "UTF8", 2) + "')",
        "INSERT INTO W VALUES (83, 'all', 'c', 'v', 1, 2, 3, 4.5, 5.25, 6.125, 7, 8.5, '2000-01-01', "
        "'2000-01-01 00:00:01', '00:00:02', FALSE, 'b', 'n')",
    };
    return v;
}

/// Rows matched and missed by the values they compare, so that conversion before the match shows.
std::vector<std::string> UpsertCorpus(const std::string& charset) {
    const std::string k2 = Korean(charset, 2), k5 = Korean(charset, 5);
    return {
        "UPDATE OR INSERT INTO W (ID, V10) VALUES (1, 'updated') MATCHING (ID)",
        "UPDATE OR INSERT INTO W (ID, N2) VALUES (100, 1.5) MATCHING (ID)",
        "UPDATE OR INSERT INTO W (ID, N2) VALUES (101, 12.345) MATCHING (N2)",
        "UPDATE OR INSERT INTO W (ID, N2) VALUES (102, 12.35) MATCHING (N2)",
        "UPDATE OR INSERT INTO W (ID, N2) VALUES (103, '12.35') MATCHING (N2)",
        "UPDATE OR INSERT INTO W (ID, V10) VALUES (104, 'abc') MATCHING (V10)",
        "UPDATE OR INSERT INTO W (ID, V10) VALUES (105, 'abc   ') MATCHING (V10)",
        "UPDATE OR INSERT INTO W (ID, C5) VALUES (106, 'ab') MATCHING (C5)",
        "UPDATE OR INSERT INTO W (ID, I) VALUES (5, 7)",
        "UPDATE OR INSERT INTO W (ID, I) VALUES ('5', 8)",
        "UPDATE OR INSERT INTO W (ID, V10) VALUES (107, 'abcdefghijk') MATCHING (ID)",
        "UPDATE OR INSERT INTO W (ID, VK) VALUES (108, '" + k5 + "') MATCHING (ID)",
        "UPDATE OR INSERT INTO W (ID, VK) VALUES (109, '" + k2 + "') MATCHING (VK)",
        "UPDATE OR INSERT INTO W (ID, DP) VALUES (110, 1E3) MATCHING (ID)",
        "UPDATE OR INSERT INTO W (ID, I) VALUES (111, 12.5) MATCHING (I)",
        "UPDATE OR INSERT INTO W (ID, V10) VALUES (112, 5) MATCHING (V10)",
        "UPDATE OR INSERT INTO W (ID, NN) VALUES (113, NULL) MATCHING (ID)",
        "UPDATE OR INSERT INTO W (ID, SI) VALUES (114, 40000) MATCHING (ID)",
    };
}

/// The balance rebuild's own statements: many days of one buyer, the walk-in rows, the opening row
/// and the balance, interleaved so that the shapes keep pushing each other out of a small cache.
std::vector<std::string> RebuildBatches(const std::string& charset) {
    const std::string name = QuoteLiteral("O'Brien " + Korean(charset, 3));
    std::vector<std::string> batches;
    std::string batch;
    double balance = 1000000;
    for (int day = 0; day < 240; ++day) {
        TLedgerDay d;
        d.date = "2024-" + std::string(day / 30 + 1 < 10 ? "0" : "") + std::to_string(day / 30 + 1) + "-" +
                 std::string(day % 30 + 1 < 10 ? "0" : "") + std::to_string(day % 30 + 1);
        d.opening = balance;
        d.sales = (day % 7) * 1234.5 + 0.1 * (day % 3);
        d.returns = -(day % 5) * 0.7;
        d.received = day % 4 == 0 ? 333333333.33 : (day % 11) * 100.05;
        d.discount = day % 9 == 0 ? 1e-5 : 0;  // written as 1E-5: an approximate number, run as text
        d.cut = day % 10 == 5 ? 0.125 : (day % 13) * 3.3;  // three decimals: compared only as text
        d.igCash = d.received;
        balance = d.opening + d.sales + d.returns - d.received - (day % 10 == 5 ? 0 : d.cut);
        d.closing = balance;
        if (!batch.empty()) batch += "\r\n";
        AppendLedgerRowStatement(batch, d, "B0001", name);
        switch (day % 4) {
            case 0: batch += "\r\n" + WalkInRowStatement(d); break;
            case 1: batch += "\r\n" + OpeningRowStatement(d.date, "B0002", name, d.opening, d.closing); break;
            case 2: batch += "\r\n" + BalanceStatement("B0001", balance); break;
            default: batch += "\r\nINSERT INTO W (ID, N2, V10) VALUES (" + std::to_string(1000 + day) + ", " +
                              std::to_string(day) + ".25, '" + name.substr(0, 3) + "')";
        }
        if (day % 50 == 49) {
            batches.push_back(batch);
            batch.clear();
        }
    }
    batches.push_back(batch);
    // A failing statement in the middle rolls the whole request back and is named in the error.
    batches.push_back(BalanceStatement("B0003", 1) + "\r\n" + BalanceStatement(std::string(45, '4'), 2) +
                      "\r\n" + BalanceStatement("B0005", 3));
    batches.push_back(BuyerDeleteStatement("B0001", "2024-03-01") + "\r\n" + BalanceStatement("B0001", 0.5));
    return batches;
}

/// Sums "N prepared, M retried" over the exec lines of a server log.
std::pair<long, long> PreparedAndRetried(const std::string& log) {
    static const std::regex line(R"((\d+) prepared, (\d+) retried as text)");
    long prepared = 0, retried = 0;
    for (std::sregex_iterator it(log.begin(), log.end(), line), end; it != end; ++it) {
        prepared += std::stol((*it)[1]);
        retried += std::stol((*it)[2]);
    }
    return {prepared, retried};
}

class PreparedValues : public ::testing::TestWithParam<const char*> {
protected:
    PreparedValues()
        : textServer_(OrdoServerProcessOptions::WithArgs({"--charset", GetParam(), "--statement-cache", "0"})),
          shapeServer_(OrdoServerProcessOptions::WithArgs({"--charset", GetParam(), "--statement-cache", "3"})),
          text_(textServer_.Port()),
          shape_(shapeServer_.Port()) {}

    /// Runs one request on both; the replies must be the same.
    void Both(const std::string& sql) {
        OrdoReply a = text_.Exec(sql);
        OrdoReply b = shape_.Exec(sql);
        EXPECT_EQ(a.error, b.error) << sql;
        EXPECT_EQ(a.rowsAffected, b.rowsAffected) << sql;
        if (!a.Ok()) ++errors_;
    }

    /// The table's rows on both, byte for byte, and each row on its own when they differ.
    void SameRows(const std::string& table, const std::string& key) {
        const std::string all = "SELECT * FROM " + table + " ORDER BY " + key;
        OrdoReply a = text_.Select(all);
        OrdoReply b = shape_.Select(all);
        ASSERT_TRUE(a.Ok()) << a.error;
        ASSERT_TRUE(b.Ok()) << b.error;
        EXPECT_EQ(a.fieldDefs, b.fieldDefs) << table;
        ASSERT_EQ(DecodedRows(a).Count(), DecodedRows(b).Count()) << table;
        if (a.rows == b.rows) return;
        OrdoReply rowsA = text_.Select("SELECT " + key + " FROM " + table + " ORDER BY " + key);
        DecodedRows keys(rowsA);
        for (int r = 0; r < keys.Count(); ++r) {
            const std::string one = "SELECT * FROM " + table + " ORDER BY " + key + " ROWS " +
                                    std::to_string(r + 1) + " TO " + std::to_string(r + 1);
            EXPECT_EQ(text_.Select(one).rows, shape_.Select(one).rows) << table << " row " << r + 1;
        }
        ADD_FAILURE() << table << ": the rows differ";
    }

    /// A select request on both (a definition sent as a select, the state triggers left behind).
    void BothSelect(const std::string& sql) {
        OrdoReply a = text_.Select(sql);
        OrdoReply b = shape_.Select(sql);
        EXPECT_EQ(a.error, b.error) << sql;
        EXPECT_EQ(a.rows, b.rows) << sql;
    }

    /// The first column of the first row, read on the server that runs shapes.
    std::string ShapeValue(const std::string& sql) {
        OrdoReply r = shape_.Select(sql);
        EXPECT_TRUE(r.Ok()) << sql << ": " << r.error;
        DecodedRows rows(r);
        return rows.Count() > 0 ? rows.Text(0, 0) : std::string("(no row)");
    }

    OrdoServerProcess textServer_, shapeServer_;
    OrdoTestClient text_, shape_;
    int errors_ = 0;
};

TEST_P(PreparedValues, CorpusWritesTheSameRowsAndErrorsAsText) {
    Both(kWideTable);
    for (const std::string& sql : InsertCorpus(GetParam())) Both(sql);
    SameRows("W", "ID");
    for (const std::string& sql : UpsertCorpus(GetParam())) Both(sql);
    SameRows("W", "ID");
    EXPECT_GT(errors_, 20);  // the corpus reaches the failures it was written for

    auto [prepared, retried] = PreparedAndRetried(shapeServer_.LogText());
    EXPECT_GT(prepared, 50);  // the values really ran as parameters
    EXPECT_GT(retried, 5);    // and failures there came back through the text
    EXPECT_EQ(PreparedAndRetried(textServer_.LogText()).first, 0);
}

TEST_P(PreparedValues, RebuildStatementsWriteTheSameLedger) {
    Both(kWideTable);
    for (const std::string& batch : RebuildBatches(GetParam())) Both(batch);
    SameRows("SAL_JAINFO", "SALEDT, JAGB, BUYERCD");
    SameRows("BAS_MCBUYER", "BUYERCD");
    SameRows("W", "ID");
    EXPECT_EQ(errors_, 1);  // the batch with the buyer code too long in both character sets
    EXPECT_GT(PreparedAndRetried(shapeServer_.LogText()).first, 400);
}

TEST_P(PreparedValues, DefinitionsByEveryRoadReachTheStatementsAfterThem) {
    // Each case inserts a row with a shape, lets a definition commit by one road, then inserts two more
    // rows of the same shape in the same request. The definition changes what those must do: convert
    // into a new type, fill a new column's default, fire a new trigger, refuse by a new CHECK. A
    // statement kept from before it would miss that; the text never does.
    enum class Road {
        SameRequest,           // a statement of the request itself
        SelectBetween,         // a select request on the same connection, between two requests
        SelectElsewhere,       // a select request on another connection, while the request waits
        ExecElsewhere,         // an execute request on another connection, while the request waits
    };
    struct Case {
        Road road;
        std::string definition;  // "%" stands for the case's table
        std::string probe;       // a query of the case's table, one text value
        std::string expected;
    };
    const std::vector<Case> cases{
        {Road::SameRequest,
         "EXECUTE BLOCK AS BEGIN IF (NOT EXISTS(SELECT 1 FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = '%' "
         "AND RDB$FIELD_NAME = 'W')) THEN EXECUTE STATEMENT 'ALTER TABLE % ADD W VARCHAR(5) DEFAULT ''new''' "
         "WITH AUTONOMOUS TRANSACTION; END",
         "SELECT W FROM % WHERE ID = 2", "new"},
        {Road::SameRequest,
         "EXECUTE BLOCK AS BEGIN IN AUTONOMOUS TRANSACTION DO EXECUTE STATEMENT "
         "'ALTER TABLE % ALTER V TYPE NUMERIC(18, 4)'; END",
         "SELECT CAST(V AS VARCHAR(30)) FROM % WHERE ID = 2", "1.5000"},
        {Road::SelectBetween, "CREATE TRIGGER %_BI FOR % BEFORE INSERT AS BEGIN NEW.V = NEW.V + 100; END",
         "SELECT CAST(V AS VARCHAR(30)) FROM % WHERE ID = 2", "102"},
        {Road::SelectElsewhere, "ALTER TABLE % ALTER V TYPE NUMERIC(18, 4)",
         "SELECT CAST(V AS VARCHAR(30)) FROM % WHERE ID = 2", "1.5000"},
        {Road::SelectElsewhere,
         "EXECUTE BLOCK AS BEGIN EXECUTE STATEMENT 'ALTER TABLE % ADD W VARCHAR(5) DEFAULT ''new'''; END",
         "SELECT W FROM % WHERE ID = 2", "new"},
        {Road::ExecElsewhere, "CREATE TRIGGER %_BI FOR % BEFORE INSERT AS BEGIN NEW.V = NEW.V + 100; END",
         "SELECT CAST(V AS VARCHAR(30)) FROM % WHERE ID = 2", "102"},
        {Road::ExecElsewhere, "ALTER TABLE % ADD CONSTRAINT %_SMALL CHECK (V < 5)",
         "SELECT CAST(COUNT(*) AS VARCHAR(5)) FROM %", "0"},  // row 3 is refused: nothing is kept
        {Road::ExecElsewhere,
         "EXECUTE BLOCK AS BEGIN EXECUTE STATEMENT 'ALTER TABLE % ALTER V TYPE NUMERIC(18, 4)'; END",
         "SELECT CAST(V AS VARCHAR(30)) FROM % WHERE ID = 2", "1.5000"},
    };
    auto named = [](std::string text, const std::string& table) {
        for (std::size_t at; (at = text.find('%')) != std::string::npos;) text.replace(at, 1, table);
        return text;
    };
    Both("CREATE TABLE L (ID INTEGER NOT NULL PRIMARY KEY, X INTEGER)");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const std::string table = "D" + std::to_string(i);
        SCOPED_TRACE(table + ": " + c.definition);
        const std::string locked = std::to_string(i) + ", " + std::to_string(1000 + i);
        Both("CREATE TABLE " + table + " (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER)\r\n"
             "INSERT INTO L (ID, X) VALUES (" + std::to_string(i) + ", 0)\r\n"
             "INSERT INTO L (ID, X) VALUES (" + std::to_string(1000 + i) + ", 0)");
        const std::string before = "INSERT INTO " + table + " (ID, V) VALUES (1, 1.50)";
        const std::string after =
            "INSERT INTO " + table + " (ID, V) VALUES (2, 1.50)\r\nINSERT INTO " + table + " (ID, V) VALUES (3, 7)";
        const std::string definition = named(c.definition, table);
        switch (c.road) {
            case Road::SameRequest: Both(before + "\r\n" + definition + "\r\n" + after); break;
            case Road::SelectBetween:
                Both(before);
                BothSelect(definition);
                Both(after);
                break;
            case Road::SelectElsewhere:
            case Road::ExecElsewhere: {
                // The request waits on a row another connection locked, between the rows it inserts.
                const std::string request =
                    before + "\r\nUPDATE L SET X = X + 1 WHERE ID = " + std::to_string(i) + "\r\n" + after;
                std::vector<OrdoReply> replies;
                for (OrdoServerProcess* server : {&textServer_, &shapeServer_}) {
                    OrdoTestClient writer(server->Port());
                    OrdoReply defined;
                    {
                        OrdoTestClient locker(server->Port());
                        // Two rows, one asked for: the cursor, its transaction and its locks stay open.
                        OrdoReply lock =
                            locker.Select("SELECT ID FROM L WHERE ID IN (" + locked + ") FOR UPDATE WITH LOCK", 1);
                        ASSERT_TRUE(lock.Ok()) << lock.error;
                        ASSERT_GT(lock.cursorId, 0);
                        TOrdoStringLine exec(mcExecSQL, 1);
                        exec.AddString(request);
                        exec.AddItem(Bytes{}, itString);
                        exec.AddString("");
                        exec.AddString("");
                        writer.Send(std::move(exec));
                        std::this_thread::sleep_for(std::chrono::milliseconds(800));  // the writer is waiting
                        OrdoTestClient definer(server->Port());
                        defined = c.road == Road::ExecElsewhere ? definer.Exec(definition) : definer.Select(definition);
                    }  // the locker goes, its transaction rolls back, and the request goes on
                    EXPECT_TRUE(defined.Ok()) << defined.error;
                    replies.push_back(writer.Collect({mcCodedParamList}));
                }
                EXPECT_EQ(replies[0].error, replies[1].error);
                EXPECT_EQ(replies[0].rowsAffected, replies[1].rowsAffected);
                break;
            }
        }
        SameRows(table, "ID");
        EXPECT_EQ(ShapeValue(named(c.probe, table)), c.expected);
    }
    // the rows before each definition, and after it where nothing refused them, ran as shapes
    EXPECT_GT(PreparedAndRetried(shapeServer_.LogText()).first, static_cast<long>(2 * cases.size()));
}

TEST_P(PreparedValues, TriggerSideEffectsHappenOnceWhenTheStatementFails) {
    // A failure after the statement began is its answer: running it again as text would advance the
    // sequence, the context variable and the autonomous audit once more.
    Both("CREATE SEQUENCE S");
    Both("CREATE TABLE AUDIT (ID INTEGER, N BIGINT)");
    Both("CREATE EXCEPTION E13 'thirteen'");
    Both("CREATE TABLE TR (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER CHECK (V >= 0), N BIGINT)");
    Both("CREATE TRIGGER TR_BI FOR TR BEFORE INSERT AS BEGIN\n"
         "  NEW.N = GEN_ID(S, 1);\n"
         "  RDB$SET_CONTEXT('USER_SESSION', 'TRIGGERED',\n"
         "      COALESCE(CAST(RDB$GET_CONTEXT('USER_SESSION', 'TRIGGERED') AS INTEGER), 0) + 1);\n"
         "  IN AUTONOMOUS TRANSACTION DO INSERT INTO AUDIT (ID, N) VALUES (NEW.ID, NEW.N);\n"
         "  IF (NEW.V = 13) THEN EXCEPTION E13;\n"
         "END");
    for (const char* sql : {"INSERT INTO TR (ID, V) VALUES (1, 5)",
                            "INSERT INTO TR (ID, V) VALUES (1, 6)",    // unique violation
                            "INSERT INTO TR (ID, V) VALUES (2, -1)",   // check violation
                            "INSERT INTO TR (ID, V) VALUES (3, 13)",   // the trigger's exception
                            "INSERT INTO TR (ID, V) VALUES (4, 'x')",  // a literal that does not convert
                            "INSERT INTO TR (ID, V) VALUES (5, 7)"})
        Both(sql);
    Both("INSERT INTO TR (ID, V) VALUES (6, 1)\r\nINSERT INTO TR (ID, V) VALUES (6, 2)");  // the second fails
    BothSelect("SELECT GEN_ID(S, 0), RDB$GET_CONTEXT('USER_SESSION', 'TRIGGERED'), "
               "(SELECT COUNT(*) FROM AUDIT) FROM RDB$DATABASE");
    SameRows("TR", "ID");
    EXPECT_EQ(ShapeValue("SELECT CAST(GEN_ID(S, 0) AS VARCHAR(20)) FROM RDB$DATABASE"), "7");
    EXPECT_EQ(ShapeValue("SELECT CAST(COUNT(*) AS VARCHAR(20)) FROM AUDIT"), "7");
    EXPECT_EQ(errors_, 5);
    auto [prepared, retried] = PreparedAndRetried(shapeServer_.LogText());
    EXPECT_GE(prepared, 3);
    EXPECT_EQ(retried, 1);  // the literal 'x' alone, which stopped before the trigger
}

TEST_P(PreparedValues, TargetsThatBindUnlikeTheTextRunAsText) {
    // NONE and OCTETS take a parameter's bytes unchecked, where the text refuses bytes that are not
    // text of the connection's character set; under NO PAD a bind that trimmed trailing blanks to fit
    // would match another row than the text's.
    Both("CREATE COLLATION UNP FOR UTF8 FROM UNICODE NO PAD");
    Both("CREATE TABLE NB (ID INTEGER NOT NULL PRIMARY KEY, N VARCHAR(10) CHARACTER SET NONE, "
         "O VARCHAR(10) CHARACTER SET OCTETS, C CHAR(3) CHARACTER SET OCTETS)");
    for (const std::string& sql : {std::string("INSERT INTO NB (ID, N) VALUES (1, '\xFF\xFE')"),
                                   std::string("INSERT INTO NB (ID, O) VALUES (2, '\xC3\x28')"),
                                   std::string("INSERT INTO NB (ID, C) VALUES (3, '\xFF')"),
                                   std::string("INSERT INTO NB (ID, N, O, C) VALUES (4, 'abc', 'def', 'g')"),
                                   std::string("INSERT INTO NB (ID, N, O) VALUES (5, 12, 1.50)")})
        Both(sql);
    EXPECT_GE(errors_, 2);
    SameRows("NB", "ID");
    Both("CREATE TABLE NP (ID INTEGER NOT NULL PRIMARY KEY, K VARCHAR(10) CHARACTER SET UTF8 COLLATE UNP, "
         "P CHAR(5) CHARACTER SET UTF8 COLLATE UNICODE_CI)");
    Both("INSERT INTO NP (ID, K) VALUES (1, 'abcdefghij')\r\nINSERT INTO NP (ID, K) VALUES (2, 'abc')\r\n"
         "INSERT INTO NP (ID, K, P) VALUES (3, 'abc ', 'ab')");
    for (const char* sql : {"UPDATE OR INSERT INTO NP (ID, K) VALUES (10, 'abcdefghij ') MATCHING (K)",
                            "UPDATE OR INSERT INTO NP (ID, K) VALUES (11, 'abc ') MATCHING (K)",
                            "UPDATE OR INSERT INTO NP (ID, K) VALUES (12, 'abc  ') MATCHING (K)",
                            "UPDATE OR INSERT INTO NP (ID, P) VALUES (13, 'AB') MATCHING (P)"})
        Both(sql);
    SameRows("NP", "ID");
    // row 3 matched 'abc ' exactly (NO PAD), then 'AB' under the case-blind collation
    EXPECT_EQ(ShapeValue("SELECT P FROM NP WHERE ID = 13"), "AB   ");
}

INSTANTIATE_TEST_SUITE_P(Charsets, PreparedValues, ::testing::Values("UTF8", "KSC_5601"));

TEST(PreparedValuesCache, KeptStatementsDoNotHoldUpDefinitions) {
    // A kept statement holds its table; another client's DROP or a changed table must not notice it.
    OrdoServerProcess server;
    OrdoTestClient writer(server.Port());
    OrdoTestClient owner(server.Port());
    ASSERT_TRUE(owner.Exec("CREATE TABLE T2 (A INTEGER)").Ok());
    ASSERT_TRUE(writer.Exec("INSERT INTO T2 (A) VALUES (1)").Ok());
    ASSERT_TRUE(writer.Exec("INSERT INTO T2 (A) VALUES (2)").Ok());
    OrdoReply dropped = owner.Exec("DROP TABLE T2");
    EXPECT_TRUE(dropped.Ok()) << dropped.error;
    OrdoReply gone = writer.Exec("INSERT INTO T2 (A) VALUES (3)");
    EXPECT_NE(gone.error.find("T2"), std::string::npos) << gone.error;
    ASSERT_TRUE(owner.Exec("CREATE TABLE T2 (B VARCHAR(5) DEFAULT 'new', A VARCHAR(5))").Ok());
    ASSERT_TRUE(writer.Exec("INSERT INTO T2 (A) VALUES (4)").Ok());
    OrdoReply rows = writer.Select("SELECT B, A FROM T2");
    ASSERT_TRUE(rows.Ok()) << rows.error;
    DecodedRows decoded(rows);
    ASSERT_EQ(decoded.Count(), 1);
    EXPECT_EQ(decoded.Text(0, 0), "new");
    EXPECT_EQ(decoded.Text(0, 1), "4");
}

}  // namespace
}  // namespace ordo::test
