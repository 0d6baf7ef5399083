// Classifying statements and running them through a data set: what is sent, and when it counts as done.
#include <gtest/gtest.h>

#include "app/statement_runner.h"
#include "replay_doubles.h"

namespace ordo {
namespace {

using testing::FakeDataSet;
using testing::FakeSocket;
using testing::FakeView;

TEST(ClassifyStatement, RowsOnlyForSelectAndExecuteBlocks) {
    struct Case {
        const char* sql;
        TStatementKind kind;
    } cases[] = {
        {"SELECT * FROM T", TStatementKind::skReturnsRows},
        {"select 1 from rdb$database", TStatementKind::skReturnsRows},
        {" \r\n\tSELECT 1 FROM X", TStatementKind::skReturnsRows},
        {"EXECUTE BLOCK RETURNS (N INT) AS BEGIN END", TStatementKind::skReturnsRows},
        {"execute block as declare x int; begin end", TStatementKind::skReturnsRows},
        {"EXECUTE PROCEDURE P_FIX(1)", TStatementKind::skExecute},
        {"UPDATE T SET A = 1", TStatementKind::skExecute},
        {"INSERT INTO T SELECT * FROM U", TStatementKind::skExecute},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        EXPECT_EQ(ClassifyStatement(c.sql), c.kind);
    }
}

struct RunnerFixture : ::testing::Test {
    FakeSocket socket;
    FakeView view;
    FakeDataSet ds;
    bool connected = true;
    TStatementRunner runner{{socket, view, [this] { return connected; },
                             [] { return std::string("10.0.0.7(SHOP1)"); }}};
};

TEST_F(RunnerFixture, ExecuteSetsTheLimitAndCleansUpAfter) {
    EXPECT_EQ(runner.RunStatement("UPDATE T SET A = 1\r\n", ds), 0);
    EXPECT_EQ(socket.userNames, std::vector<std::string>{"10.0.0.7(SHOP1)"});
    EXPECT_EQ(socket.timeLimits, std::vector<std::uint32_t>{30000});
    const std::vector<std::string> expected = {"UseProgramSocket", "ClearSQL", "Active:false", "Close", "AddSQL",
                                               "ExecuteSQL",       "Close",    "ClearSQL",     "Active:false"};
    EXPECT_EQ(ds.calls, expected);
    EXPECT_EQ(ds.executed, std::vector<std::string>{"UPDATE T SET A = 1\r\n"});
}

TEST_F(RunnerFixture, SelectOpensWithoutLimitAndKeepsItsRows) {
    ds.rowsFor = [](const std::string&) { return std::vector<testing::FakeRow>{{{"A", "1"}}}; };
    EXPECT_EQ(runner.RunStatement("  select a from t", ds), 0);
    EXPECT_TRUE(socket.timeLimits.empty());
    EXPECT_EQ(ds.opened, std::vector<std::string>{"  select a from t"});  // sent as it came, untrimmed
    EXPECT_EQ(ds.calls.back(), "ClearSQL");
    EXPECT_EQ(ds.RecordCount(), 1);
}

TEST_F(RunnerFixture, ExecuteBlockWithRowsIsOpenedUnderTheLimit) {
    EXPECT_EQ(runner.RunStatement("EXECUTE BLOCK RETURNS (X INT) AS BEGIN X = 1; SUSPEND; END", ds), 0);
    EXPECT_EQ(socket.timeLimits, std::vector<std::uint32_t>{30000});
    EXPECT_EQ(ds.opened.size(), 1u);
}

TEST_F(RunnerFixture, NothingIsSentWhileDisconnectedOrForBlankText) {
    EXPECT_EQ(runner.RunStatement(" \r\n ", ds), -1);
    connected = false;
    EXPECT_EQ(runner.RunStatement("UPDATE T SET A = 1", ds), -1);
    EXPECT_TRUE(ds.calls.empty());
    EXPECT_EQ(view.defaultCursor, 2);
}

// Success is this request's own end and nothing else: a confirmed request counts even when the connection
// is gone by the time the runner looks, and every other end counts as not done, for later statements too.
TEST_F(RunnerFixture, EachStatementCountsByItsOwnRequestsEnd) {
    struct Case {
        TRequestEnd end;
        bool disconnectAfter;
        int status;
    } cases[] = {
        {TRequestEnd::reReplied, false, 0},   {TRequestEnd::reReplied, true, 0},
        {TRequestEnd::reLost, false, -1},     {TRequestEnd::reTimedOut, false, -1},
        {TRequestEnd::reAbandoned, false, -1}, {TRequestEnd::reFailed, false, -1},
        {TRequestEnd::reNotSent, false, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(RequestEndName(c.end));
        connected = true;
        ds.endFor = [&c](const std::string&) { return c.end; };
        ds.onRequest = [this, &c](const std::string&) {
            if (c.disconnectAfter) connected = false;
        };
        EXPECT_EQ(runner.RunStatement("UPDATE T SET A = 1", ds), c.status);
        connected = true;
        ds.endFor = nullptr;
        ds.onRequest = nullptr;
        EXPECT_EQ(runner.RunStatement("UPDATE T SET A = 2", ds), 0) << "an earlier end must not taint the next";
    }
}

TEST_F(RunnerFixture, AFailureBeforeAnythingWentOutIsNotSent) {
    FakeDataSet refusing;
    (void)runner.Run("UPDATE T SET A = 1", refusing);  // one request, so the id is not 0
    struct TRaisesBeforeSending : FakeDataSet {
        void ExecuteSQL() override { throw EDatabaseError("Socket not active"); }
    } broken;
    broken.last = refusing.LastRequestOutcome();
    const TStatementResult result = runner.Run("UPDATE T SET A = 2", broken);
    EXPECT_EQ(result.request.end, TRequestEnd::reNotSent) << "the old outcome must not be taken for this one's";
    EXPECT_EQ(result.error, "Socket not active");
}

TEST_F(RunnerFixture, TheReplyTimeoutCapsEveryWaitQueriesIncluded) {
    runner.SetReplyTimeLimit(5000);
    EXPECT_EQ(runner.RunStatement("SELECT 1 FROM T", ds), 0);
    EXPECT_EQ(runner.RunStatement("UPDATE T SET A = 1", ds), 0);
    runner.SetReplyTimeLimit(60000);
    EXPECT_EQ(runner.RunStatement("SELECT 1 FROM T", ds), 0);
    EXPECT_EQ(socket.timeLimits, (std::vector<std::uint32_t>{5000, 5000, 30000}))
        << "a cap above the program's own 30 s leaves it as it was";
}

TEST_F(RunnerFixture, ServerErrorPassesThroughAfterCleanUp) {
    ds.onRequest = [](const std::string&) { throw EDatabaseError("[서버 에러]Table unknown"); };
    const TStatementResult refused = runner.Run("UPDATE NOPE SET A = 1", ds);
    EXPECT_EQ(refused.request.end, TRequestEnd::reRefused);
    EXPECT_EQ(refused.error, "[서버 에러]Table unknown");
    EXPECT_THROW(runner.RunStatement("UPDATE NOPE SET A = 1", ds), EOrdoError);
    EXPECT_EQ(ds.calls.back(), "Active:false");
    EXPECT_TRUE(ds.sql.empty());
    EXPECT_THROW(runner.RunStatement("SELECT * FROM NOPE", ds), EOrdoError);
    EXPECT_TRUE(ds.sql.empty());
}

}  // namespace
}  // namespace ordo
