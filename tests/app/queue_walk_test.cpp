// One pass over the queue folder: order, classification, deletion only on success, the repeat rule, progress.
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

struct QueueFixture : ::testing::Test {
    fs::path dir;
    FakeSocket socket;
    FakeView view;
    FakeDataSet ds;
    bool connected = true;
    std::vector<TRebuildCommand> rebuilds;
    std::function<bool(const TRebuildCommand&)> rebuildResult = [](const TRebuildCommand&) { return true; };
    TStatementRunner runner{{socket, view, [this] { return connected; },
                             [] { return std::string("u"); }}};

    void SetUp() override {
        dir = fs::temp_directory_path() / ("fq-walk-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    void Put(const std::string& name, const std::string& text) { std::ofstream(dir / name, std::ios::binary) << text; }
    bool Has(const std::string& name) { return fs::exists(dir / name); }

    void Walk() {
        TQueueWalk walk({dir.string() + "/", runner, ds, view,
                         [this](const TRebuildCommand& c) {
                             rebuilds.push_back(c);
                             return rebuildResult(c);
                         },
                         nullptr});
        walk.ReplayQueue();
    }
};

TEST_F(QueueFixture, EmptyFolderNeverShowsTheBarAndClosesTheWindow) {
    Walk();
    EXPECT_EQ(view.events, std::vector<std::string>{"hide"});
    EXPECT_EQ(view.closed, 1);
}

TEST_F(QueueFixture, MissingFolderEndsTheWalkWithAnErrorAndStillCloses) {
    fs::remove_all(dir);
    EXPECT_ANY_THROW(Walk());
    EXPECT_EQ(view.closed, 1);
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
}

TEST_F(QueueFixture, AnExceptionKeepsTheFailingFileAndThoseAfterIt) {
    Put("1.txt", "UPDATE T SET A = 1");
    Put("2.txt", "UPDATE BROKEN");
    Put("3.txt", "UPDATE T SET A = 3");
    ds.onRequest = [](const std::string& sql) {
        if (sql.find("BROKEN") != std::string::npos) throw EDatabaseError("Token unknown");
    };
    EXPECT_THROW(Walk(), EDatabaseError);
    EXPECT_FALSE(Has("1.txt"));
    EXPECT_TRUE(Has("2.txt"));
    EXPECT_TRUE(Has("3.txt"));
    EXPECT_FALSE(view.visible);
    EXPECT_EQ(view.closed, 1);
}

TEST_F(QueueFixture, UnconfirmedStatementStaysAndTheWalkGoesOn) {
    Put("1.txt", "UPDATE T SET A = 1");
    Put("2.txt", "   ");
    Put("3.txt", "UPDATE T SET A = 3");
    ds.onRequest = [this](const std::string& sql) {
        if (sql.find("A = 1") != std::string::npos) connected = false;
    };
    Walk();
    EXPECT_TRUE(Has("1.txt"));
    EXPECT_TRUE(Has("2.txt"));
    EXPECT_TRUE(Has("3.txt"));  // the connection is gone: nothing more is sent
    EXPECT_EQ(ds.executed.size(), 1u);
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

TEST_F(QueueFixture, AFailedCommandIsKeptAndIsNoReferenceForRepeats) {
    Put("1.txt", "SetGRNY,B001,Kim,2024-01-05\n");
    Put("2.txt", "SetGRNY,B001,Kim,2024-01-05\n");
    int calls = 0;
    rebuildResult = [&calls](const TRebuildCommand&) { return ++calls > 1; };
    Walk();
    EXPECT_EQ(rebuilds.size(), 2u);
    EXPECT_TRUE(Has("1.txt"));
    EXPECT_FALSE(Has("2.txt"));
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
    rebuildResult = [](const TRebuildCommand&) { return false; };
    Walk();
    EXPECT_TRUE(ds.executed.empty());
    EXPECT_EQ(rebuilds.size(), 1u);
    EXPECT_TRUE(Has("1.txt"));
}

}  // namespace
}  // namespace ordo
