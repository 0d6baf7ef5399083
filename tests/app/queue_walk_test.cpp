// One pass over the queue folder: order, classification, deletion only of confirmed work, the repeat rule,
// what stays and why, progress.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "app/queue_walk.h"
#include "replay_doubles.h"

namespace ordo {
namespace {

namespace fs = std::filesystem;
using testing::FakeDataSet;
using testing::FakeSocket;
using testing::FakeView;

TRebuildResult Succeeded() { return {}; }
TRebuildResult FailedToCompute() {
    TRebuildResult r;
    r.failedAt = TRebuildResult::TStage::rsCompute;
    r.reason = "NULL amount";
    return r;
}

struct QueueFixture : ::testing::Test {
    fs::path dir;
    FakeSocket socket;
    FakeView view;
    FakeDataSet ds;
    bool connected = true;
    std::vector<TRebuildCommand> rebuilds;
    std::function<TRebuildResult(const TRebuildCommand&)> rebuildResult = [](const TRebuildCommand&) {
        return Succeeded();
    };
    std::vector<std::pair<std::string, TFileVerdict>> reports;
    std::vector<std::string> hooks;  // what the walk told around each statement's request
    TStatementRunner runner{{socket, view, [this] { return connected; },
                             [] { return std::string("u"); }}};
    TRunSummary summary;

    void SetUp() override {
        dir = fs::temp_directory_path() / ("fq-walk-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        fs::remove_all(dir);
        fs::remove_all(dir.string() + ".moved");
    }

    void Put(const std::string& name, const std::string& text) { Put(dir, name, text); }
    static void Put(const fs::path& folder, const std::string& name, const std::string& text) {
        std::ofstream(folder / name, std::ios::binary) << text;
    }
    bool Has(const std::string& name) { return fs::exists(dir / name); }

    void Walk() {
        TQueueFolder folder = TQueueFolder::Open(dir.string());
        Walk(folder);
    }
    void Walk(TQueueFolder& folder) {
        TQueueWalk walk({folder, runner, ds, view,
                         [this](const TRebuildCommand& c) {
                             rebuilds.push_back(c);
                             return rebuildResult(c);
                         },
                         nullptr, [this](const std::string& name, const TFileVerdict& v) { reports.emplace_back(name, v); },
                         [this](const TQueuedFile& f) { hooks.push_back("before " + f.name); },
                         [this] { hooks.emplace_back("after"); }});
        walk.ReplayQueue();
        summary = walk.Summary();
    }
};

TEST_F(QueueFixture, EmptyFolderNeverShowsTheBarAndClosesTheWindow) {
    Walk();
    EXPECT_EQ(view.events, std::vector<std::string>{"hide"});
    EXPECT_EQ(view.closed, 1);
}

TEST_F(QueueFixture, TheFolderOpenedIsTheFolderWalkedWhateverHappensToItsPath) {
    Put("a.txt", "UPDATE T SET A = 1");
    TQueueFolder folder = TQueueFolder::Open(dir.string());
    // Moved away and made anew while the copy waited to connect: another copy would lock the new one.
    // Windows refuses to move a folder held open, which keeps the same promise.
    std::error_code moved;
    fs::rename(dir, dir.string() + ".moved", moved);
    if (moved) {
#ifndef _WIN32
        FAIL() << moved.message();
#endif
        Walk(folder);
        EXPECT_EQ(ds.executed, std::vector<std::string>{"UPDATE T SET A = 1\r\n"});
        return;
    }
    fs::create_directories(dir);
    Put("b.txt", "UPDATE T SET B = 1");
    Walk(folder);
    EXPECT_EQ(ds.executed, std::vector<std::string>{"UPDATE T SET A = 1\r\n"});
    EXPECT_FALSE(fs::exists(dir.string() + ".moved/a.txt"));
    EXPECT_TRUE(Has("b.txt"));
}

TEST_F(QueueFixture, StatementsRunInCaseInsensitiveOrderAndAreDeletedOnSuccess) {
    Put("b.txt", "UPDATE T SET A = 2");
    Put("A.TXT", "UPDATE T SET A = 1\nWHERE B = 3");
    Put("c.txt", "select * from t");
    Put("notes.ini", "UPDATE T SET A = 9");
    Walk();
    const std::vector<std::string> sent = {"UPDATE T SET A = 1\r\nWHERE B = 3\r\n", "UPDATE T SET A = 2\r\n"};
    EXPECT_EQ(ds.executed, sent);
    EXPECT_EQ(ds.opened, std::vector<std::string>{"select * from t\r\n"});
    EXPECT_FALSE(Has("A.TXT"));
    EXPECT_FALSE(Has("b.txt"));
    EXPECT_FALSE(Has("c.txt"));
    EXPECT_TRUE(Has("notes.ini"));
    EXPECT_EQ(view.events, (std::vector<std::string>{"max:3", "show", "hide"}));
    EXPECT_EQ(view.positions, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(view.repaints, 3);
    // Each statement's request is bracketed for its identity, the select's too; a file never sent is not.
    EXPECT_EQ(hooks, (std::vector<std::string>{"before A.TXT", "after", "before b.txt", "after", "before c.txt",
                                               "after"}));
}

// How the second of three statements ends decides the fate of all three and of the run.
TEST_F(QueueFixture, FaultMatrixOfTheMiddleFile) {
    struct Case {
        const char* name;
        TRequestEnd end;         // how file 2's request ends (reRefused: the data set raises the server's text)
        const char* serverText;  // for a refusal
        bool has1, has2, has3;   // files left
        std::size_t sent;        // requests made
        TFailureKind kind;       // what file 2's failure is
    } cases[] = {
        {"confirmed", TRequestEnd::reReplied, "", false, false, false, 3, TFailureKind::fkNone},
        {"refused", TRequestEnd::reRefused, "Table unknown", false, true, true, 2, TFailureKind::fkLasting},
        {"busy database", TRequestEnd::reRefused, "lock conflict on no wait transaction", false, true, true, 2,
         TFailureKind::fkPassing},
        {"reply unreadable", TRequestEnd::reFailed, "", false, true, true, 2, TFailureKind::fkLasting},
        {"connection lost", TRequestEnd::reLost, "", false, true, true, 2, TFailureKind::fkPassing},
        {"timed out", TRequestEnd::reTimedOut, "", false, true, true, 2, TFailureKind::fkPassing},
        {"abandoned", TRequestEnd::reAbandoned, "", false, true, true, 2, TFailureKind::fkPassing},
        {"not sent", TRequestEnd::reNotSent, "", false, true, true, 2, TFailureKind::fkPassing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Put("1.txt", "UPDATE T SET A = 1");
        Put("2.txt", "UPDATE T SET A = 2");
        Put("3.txt", "UPDATE T SET A = 3");
        ds = FakeDataSet{};
        reports.clear();
        hooks.clear();
        ds.endFor = [&c](const std::string& sql) {
            return sql.find("A = 2") != std::string::npos && c.end != TRequestEnd::reRefused ? c.end
                                                                                               : TRequestEnd::reReplied;
        };
        ds.onRequest = [&c](const std::string& sql) {
            if (sql.find("A = 2") != std::string::npos && c.end == TRequestEnd::reRefused)
                throw EDatabaseError(std::string("[서버 에러]") + c.serverText);
        };
        Walk();
        EXPECT_EQ(Has("1.txt"), c.has1);
        EXPECT_EQ(Has("2.txt"), c.has2);
        EXPECT_EQ(Has("3.txt"), c.has3);
        EXPECT_EQ(ds.executed.size(), c.sent);
        // However the request ended, what was attached to it is taken back before the next file.
        ASSERT_EQ(hooks.size(), 2 * c.sent);
        EXPECT_EQ(hooks.back(), "after");
        EXPECT_EQ(summary.lastingFailure, c.kind == TFailureKind::fkLasting);
        EXPECT_EQ(summary.passingFailure, c.kind == TFailureKind::fkPassing);
        if (c.kind != TFailureKind::fkNone) {
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0].first, "2.txt");
            EXPECT_FALSE(reports[0].second.reason.empty());
            if (*c.serverText) {
                EXPECT_NE(reports[0].second.reason.find(c.serverText), std::string::npos);
            }
        }
        for (const char* n : {"1.txt", "2.txt", "3.txt"}) fs::remove(dir / n);
    }
}

TEST_F(QueueFixture, AnEmptyFileStaysAsALastingFailureAndTheWalkGoesOn) {
    Put("1.txt", "   \r\n");
    Put("2.txt", "UPDATE T SET A = 2");
    Walk();
    EXPECT_TRUE(Has("1.txt"));
    EXPECT_FALSE(Has("2.txt"));
    EXPECT_TRUE(summary.lastingFailure);
}

TEST_F(QueueFixture, AByteOrderMarkIsNoPartOfTheStatement) {
    Put("1.txt", "\xEF\xBB\xBFUPDATE T SET A = 1");
    Walk();
    EXPECT_EQ(ds.executed, std::vector<std::string>{"UPDATE T SET A = 1\r\n"});
}

// The suite may write a file anew while its old text is on the server: the new work must not be deleted unsent.
TEST_F(QueueFixture, AFileRewrittenWhileItsWorkRanStays) {
    Put("1.txt", "UPDATE T SET A = 1");
    ds.onRequest = [this](const std::string&) { Put("1.txt", "UPDATE T SET A = 100"); };
    Walk();
    EXPECT_TRUE(Has("1.txt"));
    EXPECT_TRUE(summary.passingFailure);
    ds.onRequest = nullptr;
    Walk();
    EXPECT_EQ(ds.executed.back(), "UPDATE T SET A = 100\r\n");
    EXPECT_FALSE(Has("1.txt"));
}

TEST_F(QueueFixture, CommandsAreParsedAndARepeatOfTheLastSuccessIsDeletedUnrun) {
    Put("1.txt", "SetGRNY,B001,Kim,2024-01-05\n");
    Put("2.txt", "SetGRNY,B001,Kim Other Name,2024-01-05\n");
    Put("3.txt", "SetGRNY,B001,Kim,2024-02-01\n");
    Walk();
    ASSERT_EQ(rebuilds.size(), 2u);
    EXPECT_EQ(rebuilds[0].buyerCode, "B001");
    EXPECT_EQ(rebuilds[0].buyerName, "Kim");
    EXPECT_EQ(rebuilds[0].startDate, "2024-01-05");
    EXPECT_EQ(rebuilds[1].startDate, "2024-02-01");
    EXPECT_FALSE(Has("1.txt"));
    EXPECT_FALSE(Has("2.txt"));
    EXPECT_FALSE(Has("3.txt"));
    EXPECT_TRUE(ds.executed.empty());
}

TEST_F(QueueFixture, AfterAFailedRebuildTheSameBuyersLaterCommandsWaitAndOthersRun) {
    Put("1.txt", "SetGRNY,B001,Kim,2024-01-05\n");
    Put("2.txt", "SetGRNY,B001,Kim,2024-03-01\n");
    Put("3.txt", "SetGRNY,B002,Lee,2024-01-05\n");
    rebuildResult = [](const TRebuildCommand& c) { return c.buyerCode == "B001" ? FailedToCompute() : Succeeded(); };
    Walk();
    ASSERT_EQ(rebuilds.size(), 2u) << "the second B001 command must not build on a ledger the first left unrepaired";
    EXPECT_EQ(rebuilds[1].buyerCode, "B002");
    EXPECT_TRUE(Has("1.txt"));
    EXPECT_TRUE(Has("2.txt"));
    EXPECT_FALSE(Has("3.txt"));
    EXPECT_TRUE(summary.lastingFailure);
}

TEST_F(QueueFixture, AnEmptyCommandRunsEvenBeforeAnyCommandSucceeded) {
    Put("1.txt", "SetGRNY,,,\n");
    Put("2.txt", "SetGRNY,,,\n");
    Walk();
    EXPECT_EQ(rebuilds.size(), 1u);  // the first runs; the second repeats it
    EXPECT_FALSE(Has("1.txt"));
    EXPECT_FALSE(Has("2.txt"));
}

TEST_F(QueueFixture, SetGRNYInsideAStatementMakesItACommand) {
    Put("1.txt", "UPDATE T SET NOTE = 'SetGRNY,X,Y,2024-01-01'");
    rebuildResult = [](const TRebuildCommand&) { return FailedToCompute(); };
    Walk();
    EXPECT_TRUE(ds.executed.empty());
    EXPECT_EQ(rebuilds.size(), 1u);
    EXPECT_TRUE(Has("1.txt"));
}

}  // namespace
}  // namespace ordo
