// What a run's outcomes mean to a scheduler: which failures pass by themselves, and the exit status of a run.
#include <gtest/gtest.h>

#include <sstream>

#include "app/command_line.h"
#include "app/replay_verdict.h"
#include "app/run_log.h"

namespace ordo {
namespace {

TEST(ReplayVerdict, ABusyDatabaseIsAPassingFailureAndAWrongStatementALastingOne) {
    struct Case {
        const char* text;
        bool passing;
    } cases[] = {
        {"lock conflict on no wait transaction", true},
        {"[서버 에러]Lock time-out on wait transaction", true},
        {"deadlock\nupdate conflicts with concurrent update", true},
        {"lock time-out on wait transaction; object TABLE \"ITEMS\" is in use", true},
        {"database is busy: another process holds /srv/ledger.fdb", true},
        {"Dynamic SQL Error\nTable unknown\nITEMS", false},
        {"violation of PRIMARY or UNIQUE KEY constraint", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(IsPassingServerError(c.text), c.passing);
        TStatementResult refused;
        refused.request = {7, TRequestEnd::reRefused, {}};
        refused.error = c.text;
        const TFileVerdict v = StatementVerdict(refused);
        EXPECT_FALSE(v.done);
        EXPECT_TRUE(v.endsWalk) << "the files after a refused statement may depend on it";
        EXPECT_EQ(v.failure, c.passing ? TFailureKind::fkPassing : TFailureKind::fkLasting);
    }
}

TEST(ReplayVerdict, ARebuildFailureNamesWhereItStoppedAndOnlyAnUnknownEndStopsTheWalk) {
    struct Case {
        TRebuildResult::TStage stage;
        TRequestEnd end;
        TFailureKind failure;
        bool endsWalk;
        const char* said;
    } cases[] = {
        {TRebuildResult::TStage::rsCompute, TRequestEnd::reReplied, TFailureKind::fkLasting, false, "nothing was written"},
        {TRebuildResult::TStage::rsQuery, TRequestEnd::reRefused, TFailureKind::fkLasting, false, "query failed"},
        {TRebuildResult::TStage::rsQuery, TRequestEnd::reTimedOut, TFailureKind::fkPassing, true, "time limit"},
        {TRebuildResult::TStage::rsWrite, TRequestEnd::reRefused, TFailureKind::fkLasting, false, "write 2 of 3"},
        {TRebuildResult::TStage::rsWrite, TRequestEnd::reLost, TFailureKind::fkPassing, true, "connection was lost"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        TRebuildResult r;
        r.failedAt = c.stage;
        r.request.request = {1, c.end, {}};
        r.request.error = c.end == TRequestEnd::reRefused ? "Column unknown" : "";
        r.reason = "NULL amount";
        r.writesConfirmed = 1;
        r.writesPlanned = 3;
        const TFileVerdict v = RebuildVerdict(r);
        EXPECT_FALSE(v.done);
        EXPECT_EQ(v.failure, c.failure);
        EXPECT_EQ(v.endsWalk, c.endsWalk);
        EXPECT_NE(v.reason.find(c.said), std::string::npos) << v.reason;
    }
    EXPECT_TRUE(RebuildVerdict(TRebuildResult{}).done);
}

TEST(ReplayVerdict, ExitStatusSaysWhetherSomeoneMustAct) {
    struct Case {
        TRunSummary summary;
        int status;
    } cases[] = {
        {{}, kExitDone},
        {{.stoppedBySignal = true}, kExitDone},  // stopped after the last file: nothing is left
        {{.filesLeft = 2}, kExitTryLater},       // files queued while the walk ran
        {{.passingFailure = true, .filesLeft = 1}, kExitTryLater},
        {{.gaveUpConnecting = true, .filesLeft = 3}, kExitTryLater},
        {{.stoppedBySignal = true, .filesLeft = 3}, kExitTryLater},
        {{.lastingFailure = true, .filesLeft = 1}, kExitWalkError},
        {{.lastingFailure = true, .passingFailure = true, .filesLeft = 2}, kExitWalkError},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ExitStatusOf(cases[i].summary), cases[i].status);
    }
}

TEST(RunLog, OneLinePerMessageWithThePriorityOnlyUnderTheJournal) {
    std::ostringstream plain, journal;
    TRunLog(plain, false).Line(TRunPriority::rpError, "a.txt: stays: the server refused it: Dynamic SQL Error\r\nTable unknown");
    TRunLog(journal, true).Line(TRunPriority::rpWarning, "2 files stay");
    EXPECT_EQ(plain.str(), "fqreplay: a.txt: stays: the server refused it: Dynamic SQL Error Table unknown\n");
    EXPECT_EQ(journal.str(), "<4>fqreplay: 2 files stay\n");
}

}  // namespace
}  // namespace ordo
