// The replay journal against a real ordo-server: a queued file's identity sent ahead of its request makes the
// server run that request's work at most once, across repeats, races, restarts and servers sharing a database.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "app/file_identity.h"
#include "tests/support/ordo_test_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_folder.h"

namespace ordo::test {
namespace {

const std::string kBump = "UPDATE BAS_MCBUYER SET CURRMISU = CURRMISU + 1 WHERE BUYERCD = 'K'";
/// Writes and returns a value: travels as a select, as fqreplay sends it.
const std::string kBumpAndRead =
    "EXECUTE BLOCK RETURNS (V NUMERIC(18,2)) AS BEGIN\r\n"
    "  UPDATE BAS_MCBUYER SET CURRMISU = CURRMISU + 1 WHERE BUYERCD = 'K';\r\n"
    "  SELECT CURRMISU FROM BAS_MCBUYER WHERE BUYERCD = 'K' INTO :V; SUSPEND;\r\nEND";

TReplayIdentity Id(const std::string& name, std::int64_t modified = 1'700'000'000'000'000'000) {
    return FileIdentity("SHOP01", name, 70, modified, kBump + "\r\n");
}

double Counter(OrdoTestClient& c) {
    OrdoReply r = c.Select("SELECT CURRMISU FROM BAS_MCBUYER WHERE BUYERCD = 'K'");
    EXPECT_TRUE(r.Ok()) << r.error;
    DecodedRows rows(r);
    return rows.Count() == 1 ? rows.Amount(0, 0) : -1;
}

OrdoReply ExecWith(OrdoTestClient& c, const std::optional<TReplayIdentity>& id, const std::string& sql) {
    if (id) c.SendAhead(ReplayIdentityLine(*id));
    return c.Exec(sql);
}

void AddCounter(OrdoTestClient& c) {
    ASSERT_TRUE(c.Exec("INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('K', 0)").Ok());
}

std::size_t Occurrences(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(ReplayJournal, EachIdentityRunsOnceAndARepeatIsAnsweredAsDone) {
    OrdoServerProcess server;
    OrdoTestClient c(server.Port());
    AddCounter(c);
    struct Step {
        const char* name;
        std::optional<TReplayIdentity> id;
        std::string sql;
        int rowsAffected;  // -1: an SQL error
        double counter;
    };
    const Step steps[] = {
        {"first run", Id("U1.txt"), kBump, 1, 1},
        {"the same file again: done, not run", Id("U1.txt"), kBump, 0, 1},
        {"the same name and text queued later: new work", Id("U1.txt", 1'700'000'100'000'000'000), kBump, 1, 2},
        {"no identity: runs every time", std::nullopt, kBump, 1, 3},
        {"no identity again", std::nullopt, kBump, 1, 4},
        {"a failing statement records nothing", Id("U2.txt"), "UPDATE NO_SUCH_TABLE SET X = 1", -1, 4},
        {"so its file runs when it comes again", Id("U2.txt"), kBump, 1, 5},
        {"a name with a line break is logged on one line", Id("U3\nX.txt"), kBump, 1, 6},
        {"and its repeat is done", Id("U3\nX.txt"), kBump, 0, 6},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        OrdoReply r = ExecWith(c, s.id, s.sql);
        if (s.rowsAffected < 0) {
            EXPECT_FALSE(r.Ok());
        } else {
            EXPECT_TRUE(r.Ok()) << r.error;
            EXPECT_EQ(r.rowsAffected, s.rowsAffected);
        }
        EXPECT_EQ(Counter(c), s.counter);
    }
    // An identity not followed at once by its request attaches to nothing later.
    c.SendAhead(ReplayIdentityLine(Id("U1.txt")));
    EXPECT_EQ(c.Version(), "1.0");
    EXPECT_EQ(c.Exec(kBump).rowsAffected, 1);
    EXPECT_EQ(Counter(c), 7);

    const std::string log = server.LogText();
    EXPECT_EQ(Occurrences(log, "was applied before; answered as done"), 2u) << log;
    EXPECT_NE(log.find("'U3 X.txt' of installation"), std::string::npos);
    EXPECT_NE(log.find("'U1.txt' of installation 'SHOP01' (70 bytes, modified 2023-11-14 22:13:20 UTC"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("was not followed by its request"), std::string::npos);
}

TEST(ReplayJournal, ASelectCarriesItsIdentityAndItsRepeatGetsColumnsWithoutRows) {
    OrdoServerProcess server;
    OrdoTestClient c(server.Port());
    AddCounter(c);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "first run" : "repeat");
        c.SendAhead(ReplayIdentityLine(Id("S1.txt")));
        OrdoReply r = c.Select(kBumpAndRead);
        ASSERT_TRUE(r.Ok()) << r.error;
        EXPECT_EQ(r.packetState, 0);
        DecodedRows rows(r);
        ASSERT_EQ(rows.Defs().size(), 1u);
        EXPECT_EQ(rows.Defs()[0].Name, "V");
        ASSERT_EQ(rows.Count(), round == 0 ? 1 : 0);
        if (round == 0) {
            EXPECT_EQ(rows.Amount(0, 0), 1);
        }
        EXPECT_EQ(Counter(c), 1);
    }
}

/// The first run of a key holds its transaction open while a repeat of the same key comes on another connection.
TEST(ReplayJournal, ARepeatWhileTheFirstRunsWaitsForItsOutcome) {
    OrdoServerProcess server(OrdoServerProcessOptions::WithArgs({"--lock-timeout", "3"}));
    OrdoTestClient setup(server.Port());
    AddCounter(setup);
    ASSERT_TRUE(setup.Exec("INSERT INTO BAS_MCBUYER (BUYERCD) VALUES ('X1')\r\n"
                           "INSERT INTO BAS_MCBUYER (BUYERCD) VALUES ('X2')")
                    .Ok());
    enum class End { kCommit, kRollback, kOutlast };
    struct Case {
        const char* name;
        End firstEnds;
        const char* expectError;  // in the repeat's reply; null: it succeeds
        int repeatRows;
        double counter;
    };
    const Case cases[] = {
        {"the first commits: the repeat is done", End::kCommit, nullptr, 0, 0},
        {"the first rolls back: the repeat runs", End::kRollback, nullptr, 1, 1},
        {"the first outlasts the lock time-out: the repeat fails", End::kOutlast, "has not finished within the lock time-out", -1, 1},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const TReplayIdentity id = Id(std::string("R-") + k.name);
        std::optional<OrdoTestClient> first(std::in_place, server.Port());
        first->SendAhead(ReplayIdentityLine(id));
        OrdoReply open = first->Select("SELECT BUYERCD FROM BAS_MCBUYER", 1);  // its transaction stays open
        ASSERT_GT(open.cursorId, 0) << open.error;

        std::atomic<bool> answered{false};
        OrdoReply repeat;
        std::thread second([&] {
            OrdoTestClient c(server.Port());
            repeat = ExecWith(c, id, kBump);
            answered = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(k.firstEnds == End::kOutlast ? 4000 : 700));
        EXPECT_EQ(answered.load(), k.firstEnds == End::kOutlast);
        if (k.firstEnds == End::kCommit) {
            EXPECT_EQ(first->Fetch(open.cursorId, -1).packetState, -2);
        }
        if (k.firstEnds != End::kCommit) first.reset();  // the server rolls back what a dropped client left
        second.join();
        if (k.expectError) {
            EXPECT_NE(repeat.error.find(k.expectError), std::string::npos) << repeat.error;
        } else {
            EXPECT_TRUE(repeat.Ok()) << repeat.error;
            EXPECT_EQ(repeat.rowsAffected, k.repeatRows);
        }
        EXPECT_EQ(Counter(setup), k.counter);
    }
}

TEST(ReplayJournal, KeysOlderThanTheRetentionAreRemovedAtStart) {
    const TempFolder dir("ordo-journal");
    const auto options = [&] {
        OrdoServerProcessOptions o = OrdoServerProcessOptions::InFolder(dir.Path());
        o.args = {"--journal-days", "1"};
        return o;
    };
    const TReplayIdentity old = Id("OLD.txt"), recent = Id("RECENT.txt");
    {
        OrdoServerProcess server(options());
        OrdoTestClient c(server.Port());
        AddCounter(c);
        ASSERT_EQ(ExecWith(c, old, kBump).rowsAffected, 1);
        ASSERT_EQ(ExecWith(c, recent, kBump).rowsAffected, 1);
        OrdoReply aged = c.Exec("UPDATE ORDO_REPLAY_JOURNAL SET RECORDED_AT = CURRENT_TIMESTAMP - 2 WHERE REPLAY_KEY = '" +
                                old.key + "'\r\nUPDATE ORDO_REPLAY_JOURNAL SET RECORDED_AT = CURRENT_TIMESTAMP - 0.9 "
                                          "WHERE REPLAY_KEY = '" + recent.key + "'");
        ASSERT_EQ(aged.rowsAffected, 2) << aged.error;
    }
    OrdoServerProcess server(options());
    OrdoTestClient c(server.Port());
    EXPECT_EQ(ExecWith(c, old, kBump).rowsAffected, 1);
    EXPECT_EQ(ExecWith(c, recent, kBump).rowsAffected, 0);
    EXPECT_EQ(Counter(c), 3);
    EXPECT_NE(server.LogText().find("removed 1 keys older than 1 days"), std::string::npos) << server.LogText();
}

TEST(ReplayJournal, TwoServersOnOneDatabaseShareTheJournal) {
    if (OrdoServerProcess::FirebirdServer().empty())
        GTEST_SKIP() << "the embedded engine keeps a database to one process; runs with ORDO_TEST_FIREBIRD_SERVER";
    const TempFolder dir("ordo-journal-shared");
    {
        OrdoServerProcess seed(OrdoServerProcessOptions::InFolder(dir.Path()));
        OrdoTestClient c(seed.Port());
        AddCounter(c);
        ASSERT_TRUE(c.Exec("DROP TABLE ORDO_REPLAY_JOURNAL").Ok());
    }
    // Both start at once on a database without the journal, and both try to create it.
    std::optional<OrdoServerProcess> one, two;
    std::string failures;
    auto start = [&](std::optional<OrdoServerProcess>& server) {
        try {
            server.emplace(OrdoServerProcessOptions::InFolder(dir.Path()));
        } catch (const std::exception& e) {
            failures += e.what();
        }
    };
    std::thread first([&] { start(one); });
    start(two);
    first.join();
    ASSERT_TRUE(one && two) << failures;
    for (const OrdoServerProcess* s : {&*one, &*two})
        EXPECT_EQ(s->LogText().find("unavailable"), std::string::npos) << s->LogText();
    OrdoTestClient a(one->Port()), b(two->Port());
    // The reply from the first server is lost to the client, which retries on the second.
    EXPECT_EQ(ExecWith(a, Id("T1.txt"), kBump).rowsAffected, 1);
    EXPECT_EQ(ExecWith(b, Id("T1.txt"), kBump).rowsAffected, 0);
    EXPECT_EQ(ExecWith(b, Id("T2.txt"), kBump).rowsAffected, 1);
    EXPECT_EQ(ExecWith(a, Id("T2.txt"), kBump).rowsAffected, 0);
    EXPECT_EQ(Counter(b), 2);
    EXPECT_NE(two->LogText().find("'T1.txt' of installation 'SHOP01'"), std::string::npos);
}

}  // namespace
}  // namespace ordo::test
