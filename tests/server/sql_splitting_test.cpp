#include <gtest/gtest.h>

#include "server/sql/named_params.h"
#include "server/sql/script_splitter.h"
#include "server/sql/statement_splitter.h"

namespace ordo::server {
namespace {

using Statements = std::vector<std::string>;

TEST(SplitStatements, BatchJoinedByCrLfGivesOneStatementPerLine) {
    // The balance rebuild's batch: ledger rows and the balance, joined by CR LF.
    std::string batch =
        "UPDATE OR INSERT INTO SAL_JAINFO (SALEDT, JAGB) VALUES ('2024-01-01','MC') \r\n"
        "UPDATE OR INSERT INTO SAL_JAINFO (SALEDT, JAGB) VALUES ('2024-01-02','MC') \r\n"
        "UPDATE OR INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B1',1500) MATCHING (BUYERCD)";
    Statements s = SplitStatements(batch);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0], "UPDATE OR INSERT INTO SAL_JAINFO (SALEDT, JAGB) VALUES ('2024-01-01','MC')");
    EXPECT_EQ(s[2], "UPDATE OR INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('B1',1500) MATCHING (BUYERCD)");
}

TEST(SplitStatements, LeadingLineBreakAndTrailingCrLfAreDropped) {
    // The walk-in command sends its single statement behind a CR LF; opens end with CR LF.
    Statements s = SplitStatements("\r\nDelete From SAL_JAINFO Where SALEDT = '2024-01-01' \r\n");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0], "Delete From SAL_JAINFO Where SALEDT = '2024-01-01'");
    EXPECT_TRUE(SplitStatements("\r\n  \r\n-- nothing\r\n").empty());
}

TEST(SplitStatements, StatementSpreadOverLinesStaysWhole) {
    std::string text =
        "UPDATE T\r\n"
        "SET A = 1,\r\n"
        "    B = (SELECT MAX(X)\r\n"
        "         FROM U)\r\n"
        "WHERE C IN (1,\r\n"
        "  2)";
    EXPECT_EQ(SplitStatements(text).size(), 1u);
    std::string insertSelect = "INSERT INTO T (A)\nSELECT A FROM U\nWHERE A > 0";
    EXPECT_EQ(SplitStatements(insertSelect).size(), 1u);
}

TEST(SplitStatements, LineStartingAStatementInsideParenthesesDoesNotSplit) {
    std::string text = "INSERT INTO T (A, B) VALUES (1,\nDELETE_ME)";  // a word, not DELETE FROM
    EXPECT_EQ(SplitStatements(text).size(), 1u);
    std::string nested = "UPDATE T SET A = (\nSELECT 1 FROM RDB$DATABASE)\nDELETE FROM U";
    Statements s = SplitStatements(nested);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[1], "DELETE FROM U");
}

TEST(SplitStatements, QuotesAndCommentsHideLineBreaks) {
    std::string text =
        "INSERT INTO T (A) VALUES ('first line\r\nINSERT INTO T (A) VALUES (2)')\r\n"
        "/* a comment\r\nDELETE FROM T\r\n*/ INSERT INTO T (A) VALUES (3)\r\n"
        "INSERT INTO \"Odd\r\nUPDATE X\" (A) VALUES (4)";
    Statements s = SplitStatements(text);
    ASSERT_EQ(s.size(), 3u);
    EXPECT_NE(s[0].find("first line\r\nINSERT"), std::string::npos);
    EXPECT_EQ(s[1].rfind("/* a comment", 0), 0u);
}

TEST(SplitStatements, MergeBranchesContinueTheMerge) {
    std::string text =
        "MERGE INTO T USING U ON T.A = U.A\n"
        "WHEN MATCHED THEN\n"
        "  UPDATE SET B = U.B\n"
        "WHEN NOT MATCHED THEN\n"
        "  INSERT (A, B) VALUES (U.A, U.B)\n"
        "MERGE INTO T USING V ON T.A = V.A\n"
        "WHEN MATCHED THEN\n"
        "  DELETE";
    Statements s = SplitStatements(text);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[1].rfind("MERGE INTO T USING V", 0), 0u);
}

TEST(SplitStatements, SemicolonsEndStatementsOutsideBlocks) {
    Statements s = SplitStatements("INSERT INTO T VALUES (1); INSERT INTO T VALUES (';');;");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0], "INSERT INTO T VALUES (1)");
    EXPECT_EQ(s[1], "INSERT INTO T VALUES (';')");
}

TEST(SplitStatements, BlockBodyKeepsItsLinesAndSemicolons) {
    std::string block =
        "EXECUTE BLOCK AS\n"
        "DECLARE VARIABLE I INTEGER = 0;\n"
        "BEGIN\n"
        "  WHILE (I < 3) DO BEGIN\n"
        "    INSERT INTO T VALUES (:I);\n"
        "    I = CASE WHEN I > 5 THEN 0 ELSE I + 1 END;\n"
        "  END\n"
        "  DELETE FROM U;\n"
        "END\n"
        "INSERT INTO T VALUES (9)";
    Statements s = SplitStatements(block);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].substr(s[0].size() - 3), "END");
    EXPECT_EQ(s[1], "INSERT INTO T VALUES (9)");
}

TEST(SplitStatements, BlockHeaderWithoutBodyStillEndsAtTheNextStatement) {
    Statements s = SplitStatements("ALTER TRIGGER TR1 INACTIVE\nINSERT INTO T VALUES (1)");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0], "ALTER TRIGGER TR1 INACTIVE");
}

TEST(SplitStatements, UpdateOfAndUpdateSetContinue) {
    EXPECT_EQ(SplitStatements("SELECT A FROM T FOR\nUPDATE OF A").size(), 1u);
    EXPECT_EQ(SplitStatements("UPDATE T\nSET A = 1").size(), 1u);
    EXPECT_EQ(SplitStatements("UPDATE T SET A = 1\nUPDATE \"U\" SET A = 2").size(), 2u);
}

TEST(SplitScript, SetTermAllowsSemicolonsInBodies) {
    std::string script =
        "CREATE TABLE T (A INTEGER);\n"
        "SET TERM ^ ;\n"
        "CREATE PROCEDURE P AS BEGIN INSERT INTO T VALUES (1); END^\n"
        "SET TERM ; ^\n"
        "COMMIT WORK;\n"
        "SET SQL DIALECT 3;\n"
        "INSERT INTO T VALUES (2);\n"
        "-- a trailing comment";
    auto steps = SplitScript(script);
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[0].text, "CREATE TABLE T (A INTEGER)");
    EXPECT_EQ(steps[1].text, "CREATE PROCEDURE P AS BEGIN INSERT INTO T VALUES (1); END");
    EXPECT_EQ(steps[1].kind, ScriptStepKind::Sql);
    EXPECT_EQ(steps[1].line, 3);
    EXPECT_EQ(steps[2].kind, ScriptStepKind::Commit);
    EXPECT_EQ(steps[3].kind, ScriptStepKind::Setting);
    EXPECT_EQ(steps[4].text, "INSERT INTO T VALUES (2)");
    EXPECT_EQ(steps[4].line, 7);
}

TEST(SplitScript, TerminatorInsideStringsAndCommentsIsText) {
    auto steps = SplitScript("INSERT INTO T VALUES ('a;b'); /* ; */ SET GENERATOR G TO 5;");
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0].text, "INSERT INTO T VALUES ('a;b')");
    EXPECT_EQ(steps[1].kind, ScriptStepKind::Sql);  // SET GENERATOR is SQL, not an isql setting
}

TEST(ToPositional, KnownNamesBecomeMarkersInOrder) {
    PositionalSql p = ToPositional("SELECT * FROM T WHERE A = :a AND B = :B AND C = :a AND D = ':a'", {"A", "b"});
    EXPECT_EQ(p.sql, "SELECT * FROM T WHERE A = ? AND B = ? AND C = ? AND D = ':a'");
    EXPECT_EQ(p.order, (std::vector<std::size_t>{0, 1, 0}));
}

TEST(ToPositional, UnknownNamesAndBareMarkersStay) {
    PositionalSql p = ToPositional("EXECUTE BLOCK (X INT = ?) AS BEGIN IF (:X > :LIMIT) THEN EXIT; END", {"limit"});
    EXPECT_EQ(p.sql, "EXECUTE BLOCK (X INT = ?) AS BEGIN IF (:X > ?) THEN EXIT; END");
    EXPECT_EQ(p.order, (std::vector<std::size_t>{PositionalSql::kBare, 0}));
    EXPECT_EQ(ToPositional("SELECT 1 FROM T WHERE A = :", {"A"}).sql, "SELECT 1 FROM T WHERE A = :");
}

}  // namespace
}  // namespace ordo::server
