// Several clients, bad clients, logins, transforms and stopping, against a real ordo-server.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "codec/message_stack.h"
#include "params/replay_identity.h"
#include "tests/support/ordo_test_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_folder.h"

namespace ordo::test {
namespace {

std::int64_t CountRows(OrdoTestClient& c, const std::string& sql) {
    OrdoReply r = c.Select(sql);
    EXPECT_TRUE(r.Ok()) << r.error;
    DecodedRows rows(r);
    return rows.Count() == 1 ? rows.Int(0, 0) : -1;
}

TEST(ServerConnections, ConcurrentClientsEachGetTheirOwnAnswers) {
    OrdoServerProcess server;
    constexpr int kClients = 4, kRounds = 15;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kClients; ++t) {
        threads.emplace_back([&, t] {
            OrdoTestClient c(server.Port());
            for (int i = 0; i < kRounds; ++i) {
                std::string key = "C" + std::to_string(t) + "-" + std::to_string(i);
                if (!c.Exec("INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('" + key + "', " +
                            std::to_string(i) + ")")
                         .Ok())
                    ++failures;
                OrdoReply r = c.Select("SELECT COUNT(*) FROM BAS_MCBUYER WHERE BUYERCD STARTING WITH 'C" +
                                       std::to_string(t) + "-'");
                if (!r.Ok() || DecodedRows(r).Int(0, 0) != i + 1) ++failures;
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(failures, 0);
    OrdoTestClient c(server.Port());
    EXPECT_EQ(CountRows(c, "SELECT COUNT(*) FROM BAS_MCBUYER"), kClients * kRounds);
}

TEST(ServerConnections, StalledOrReadingClientsDoNotHoldOthersUp) {
    OrdoServerProcess server;
    OrdoTestClient stalled(server.Port());
    stalled.SendRaw(AsBytes(std::string("\x40\x00\x00\x00\x03partial", 11)));  // a frame never finished
    OrdoTestClient reader(server.Port());
    ASSERT_TRUE(reader.Exec("INSERT INTO BAS_MCBUYER (BUYERCD) VALUES ('A')\r\nINSERT INTO BAS_MCBUYER (BUYERCD) VALUES ('B')").Ok());
    OrdoReply open = reader.Select("SELECT BUYERCD FROM BAS_MCBUYER", 1);  // keeps a cursor open
    ASSERT_GT(open.cursorId, 0);

    OrdoTestClient writer(server.Port());
    OrdoReply w = writer.Exec("UPDATE BAS_MCBUYER SET CURRMISU = 5");
    EXPECT_TRUE(w.Ok()) << w.error;
    EXPECT_EQ(w.rowsAffected, 2);
    EXPECT_EQ(reader.Fetch(open.cursorId, 5).packetState, -2);
}

struct BadInput {
    const char* name;
    std::string bytes;
};

TEST(ServerConnections, MalformedInputDropsOnlyThatClient) {
    OrdoServerProcess server;
    OrdoTestClient good(server.Port());
    ASSERT_TRUE(good.Exec("INSERT INTO BAS_MCBUYER (BUYERCD) VALUES ('G')").Ok());

    TOrdoStringLine badList(mcExecSQL, 1);
    badList.AddString("INSERT INTO BAS_MCBUYER (BUYERCD) VALUES ('X')");
    badList.AddString(std::string("\xFF\x00\x00\x00Name", 8));  // a record longer than the list
    Bytes badListBody = badList.EncodeToText();

    TOrdoStringLine badItem(mcSelectSQL, 1);
    badItem.AddString("SELECT 1 FROM RDB$DATABASE");
    badItem.AddString("not a number");  // rows to return
    Bytes badItemBody = badItem.EncodeToText();

    TOrdoStringLine badIdentity(mcCodedParamList, 0);
    badIdentity.AddInteger(kReplayIdentityCode);
    badIdentity.AddString("");  // a replay identity without its key: the request after it must not run unjournaled
    badIdentity.AddInteger(0);
    Bytes badIdentityBody = badIdentity.EncodeToText();

    const BadInput cases[] = {
        {"negative length", std::string("\xF0\xFF\xFF\xFF\x00", 5)},
        {"length over the limit", std::string("\x01\x00\x40\x06\x00", 5)},
        {"body shorter than a header", std::string("\x03\x00\x00\x00\x03\x01\x00", 7)},
        {"bad parameter list", ToString(PrefixFrame(badListBody))},
        {"bad integer item", ToString(PrefixFrame(badItemBody))},
        {"replay identity without a key", ToString(PrefixFrame(badIdentityBody))},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.name);
        OrdoTestClient victim(server.Port());
        victim.SendRaw(AsBytes(bad.bytes));
        EXPECT_TRUE(victim.ClosedByServer(10000));
        EXPECT_EQ(CountRows(good, "SELECT COUNT(*) FROM BAS_MCBUYER"), 1);
    }
    EXPECT_NE(server.LogText().find("closing, bad input"), std::string::npos);
    EXPECT_TRUE(server.Running());
}

TEST(ServerConnections, ConnectionsBeyondTheLimitAreClosed) {
    OrdoServerProcess server(OrdoServerProcessOptions::WithArgs({"--max-clients", "1"}));
    {
        OrdoTestClient first(server.Port());
        EXPECT_EQ(first.Version(), "1.0");
        OrdoTestClient second(server.Port());
        EXPECT_TRUE(second.ClosedByServer(5000));
        EXPECT_EQ(first.Version(), "1.0");
    }
    // Once the first has left there is room again (its thread may take a moment to end).
    bool served = false;
    for (int attempt = 0; attempt < 50 && !served; ++attempt) {
        OrdoTestClient later(server.Port(), {}, 2000);
        TOrdoStringLine l(mcUtilityInfo, 0);
        l.AddInteger(6);
        later.Send(std::move(l));
        served = later.Next().has_value();
        if (!served) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_TRUE(served);
    EXPECT_NE(server.LogText().find("refused, 1 clients connected already"), std::string::npos);
}

TEST(ServerConnections, LoginListAcceptsRefusesAndGuardsRequests) {
    const TempFolder dir("ordo-users");
    dir.Write("users", "# test logins\nclerk:pa:ss\n");
    OrdoServerProcess server(OrdoServerProcessOptions::WithArgs({"--users", dir / "users"}));

    OrdoTestClient stranger(server.Port());
    OrdoReply early = stranger.Select("SELECT 1 FROM RDB$DATABASE");
    EXPECT_NE(early.error.find("Not logged in"), std::string::npos) << early.error;
    EXPECT_FALSE(stranger.Login("clerk", "wrong"));
    EXPECT_FALSE(stranger.Select("SELECT 1 FROM RDB$DATABASE").Ok());

    OrdoTestClient clerk(server.Port());
    EXPECT_TRUE(clerk.Login("CLERK", "pa:ss"));
    EXPECT_TRUE(clerk.Select("SELECT 1 FROM RDB$DATABASE").Ok());
}

TEST(ServerConnections, CompressedAndEncryptedClientsMatchTheServer) {
    OrdoServerProcess server(
        OrdoServerProcessOptions::WithArgs({"--compression", "zlib", "--encryption", "des", "--des-key", "K3y!long"}));
    auto configure = [](TOrdoTransforms& t) {
        t.SetEncryptKeyIn("K3y!long");
        t.SetEncryption(etDESEncrypt);
        t.SetCompression(acOrdoZLib);
    };
    OrdoTestClient c(server.Port(), configure);
    ASSERT_TRUE(c.Exec("INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('Z', 7)").Ok());
    EXPECT_EQ(CountRows(c, "SELECT COUNT(*) FROM BAS_MCBUYER"), 1);

    OrdoTestClient plain(server.Port());  // configured otherwise: its frames do not decrypt
    TOrdoStringLine l(mcUtilityInfo, 0);
    l.AddInteger(6);
    plain.Send(std::move(l));
    EXPECT_TRUE(plain.ClosedByServer(10000));
    EXPECT_EQ(CountRows(c, "SELECT COUNT(*) FROM BAS_MCBUYER"), 1);
}

TEST(ServerConnections, StopsCleanlyAndKeepsCommittedWork) {
    const TempFolder dir("ordo-kept");
    const std::string folder = dir.Path();
    {
        OrdoServerProcess first(OrdoServerProcessOptions::InFolder(folder));
        OrdoTestClient c(first.Port());
        ASSERT_TRUE(c.Exec("INSERT INTO BAS_MCBUYER (BUYERCD, CURRMISU) VALUES ('KEEP', 1)").Ok());
        ASSERT_GT(c.Select("SELECT RDB$RELATION_NAME FROM RDB$RELATIONS", 1).cursorId, 0);  // left open
        EXPECT_EQ(first.Stop(), 0);
        EXPECT_TRUE(c.ClosedByServer(5000));
        EXPECT_NE(first.LogText().find("Stopped"), std::string::npos);
    }
    {
        OrdoServerProcess again(OrdoServerProcessOptions::InFolder(folder));  // the same file: created once, opened now
        OrdoTestClient c(again.Port());
        EXPECT_EQ(CountRows(c, "SELECT COUNT(*) FROM BAS_MCBUYER WHERE BUYERCD = 'KEEP'"), 1);
        EXPECT_EQ(again.Stop(), 0);
        EXPECT_EQ(again.LogText().find("Created database"), again.LogText().rfind("Created database"));
    }
}

}  // namespace
}  // namespace ordo::test
