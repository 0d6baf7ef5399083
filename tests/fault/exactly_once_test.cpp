// Exactly once across a lost reply: with ExactlyOnce=1 a statement whose reply never reached fqreplay is not
// applied again by the next run, whatever lost the reply; without it, it is (the window the journal closes).
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <optional>

#include "codec/message_codes.h"
#include "fault_proxy.h"
#include "fault_support.h"
#include "params/param_list.h"
#include "params/replay_identity.h"
#include "tests/support/socket_peer.h"

namespace ordo::test {
namespace {

constexpr int kEndsWithinMs = 60000;
constexpr const char* kBump = "UPDATE COUNTER SET N = N + 1";

void TurnExactlyOnce(const ReplayFixture& f, bool on) {
    std::ofstream(f.AppFolder() / "Environment.ini", std::ios::app)
        << "[FQREPLAY]\r\nExactlyOnce=" << (on ? "1" : "0") << "\r\n";
}

int Counter(ReplayFixture& f) {
    const DecodedRows rows = f.Select("SELECT N FROM COUNTER");
    return rows.Count() == 1 ? static_cast<int>(rows.Int(0, 0)) : -1;
}

void AddCounter(ReplayFixture& f) {
    f.Exec("CREATE TABLE COUNTER (N INTEGER NOT NULL)");
    f.Exec("INSERT INTO COUNTER (N) VALUES (0)");
}

/// The server's answer to the statement never reaches fqreplay; the next run goes straight to the server.
TEST(ExactlyOnce, AReplyLostAfterTheCommitIsNotAppliedAgainByTheNextRun) {
    enum class Loss { kReset, kSilence, kKilled };
    struct Case {
        const char* name;
        Loss loss;
        bool journal;
        int firstStatus;  // the first run's exit status (-1: killed)
        int counter;      // after the second run
    } cases[] = {
        {"reset after the commit", Loss::kReset, true, 75, 1},
        {"reply time limit passes", Loss::kSilence, true, 75, 1},
        {"fqreplay killed between the commit and the deletion", Loss::kKilled, true, -1, 1},
        // Without the journal the same loss applies the statement twice: the window the README describes.
        {"reset, journal off", Loss::kReset, false, 75, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReplayFixture f;
        AddCounter(f);
        f.Put("001.txt", kBump);
        std::optional<ReplayProcess> run;
        FaultProxy proxy(f.Server().Port(), [&c, &run](const FrameSeen& s) {
            if (!s.fromServer || s.code != mcCodedParamList) return FrameAction::kForward;
            switch (c.loss) {
                case Loss::kReset: return FrameAction::kResetOnArrival;
                case Loss::kSilence: return FrameAction::kSwallow;
                case Loss::kKilled: (void)run->Kill(); return FrameAction::kSwallow;
            }
            return FrameAction::kForward;
        });
        f.WriteIni(proxy.Port());
        TurnExactlyOnce(f, c.journal);
        run.emplace(f.Start({"--reply-timeout", "3"}));
        const int status = run->Wait(kEndsWithinMs);
        if (c.loss != Loss::kKilled) {
            EXPECT_EQ(status, c.firstStatus) << f.Stderr();
        }
        ASSERT_TRUE(f.Has("001.txt"));
        EXPECT_EQ(Counter(f), 1) << "the server committed the first time";

        f.WriteIni(f.Server().Port());
        TurnExactlyOnce(f, c.journal);
        EXPECT_EQ(f.Run(kEndsWithinMs), 0) << f.Stderr();
        EXPECT_FALSE(f.Has("001.txt"));
        EXPECT_EQ(Counter(f), c.counter);
    }
}

/// The statement still runs on the server when the client's limit passes; the retry meets the first one running
/// and waits for its outcome instead of running the work a second time.
TEST(ExactlyOnce, TheReplyLimitPassingWhileTheServerStillRunsLeavesOneApplication) {
    ReplayFixture f;
    AddCounter(f);
    // Three seconds of work before the write ('NOW' is read anew each time), so the client gives up first.
    f.Put("001.txt",
          "EXECUTE BLOCK AS DECLARE T0 TIMESTAMP; DECLARE I INTEGER = 0; BEGIN T0 = CAST('NOW' AS TIMESTAMP); "
          "WHILE (DATEDIFF(MILLISECOND FROM T0 TO CAST('NOW' AS TIMESTAMP)) < 3000) DO I = I + 1; "
          "UPDATE COUNTER SET N = N + 1; END");
    TurnExactlyOnce(f, true);
    EXPECT_EQ(f.Run(kEndsWithinMs, {"--reply-timeout", "1"}), 75) << f.Stderr();
    ASSERT_TRUE(f.Has("001.txt"));
    // At once: the first request is still running or has just committed.
    EXPECT_EQ(f.Run(kEndsWithinMs, {"--reply-timeout", "60"}), 0) << f.Stderr();
    EXPECT_FALSE(f.Has("001.txt"));
    EXPECT_EQ(Counter(f), 1);
}

/// Two ordo-servers on one Firebird server database: the run whose reply the first one's answer lost retries on the
/// second, which finds the key the first committed.
TEST(ExactlyOnce, ARetryOnAnotherServerOfTheSameDatabaseIsAnsweredAsDone) {
    if (OrdoServerProcess::FirebirdServer().empty())
        GTEST_SKIP() << "the embedded engine keeps a database to one process; runs with ORDO_TEST_FIREBIRD_SERVER";
    const TempFolder dir("ordo-exactly-once-shared");
    ReplayFixture f(OrdoServerProcessOptions::InFolder(dir.Path()));
    AddCounter(f);
    OrdoServerProcess other(OrdoServerProcessOptions::InFolder(dir.Path()));
    f.Put("001.txt", kBump);
    FaultProxy proxy(f.Server().Port(), [](const FrameSeen& s) {
        return s.fromServer && s.code == mcCodedParamList ? FrameAction::kResetOnArrival : FrameAction::kForward;
    });
    f.WriteIni(proxy.Port());
    TurnExactlyOnce(f, true);
    EXPECT_EQ(f.Run(kEndsWithinMs), 75) << f.Stderr();
    ASSERT_TRUE(f.Has("001.txt"));
    f.WriteIni(other.Port());
    TurnExactlyOnce(f, true);
    EXPECT_EQ(f.Run(kEndsWithinMs), 0) << f.Stderr();
    EXPECT_FALSE(f.Has("001.txt"));
    EXPECT_EQ(Counter(f), 1);
}

/// A file queued again later under the same name with the same text is new work.
TEST(ExactlyOnce, TheSameNameAndTextQueuedAgainLaterRunsAgain) {
    ReplayFixture f;
    AddCounter(f);
    TurnExactlyOnce(f, true);
    f.Put("001.txt", kBump);
    const auto firstTime = fs::last_write_time(f.Queue() / "001.txt");
    EXPECT_EQ(f.Run(kEndsWithinMs), 0) << f.Stderr();
    f.Put("001.txt", kBump);
    fs::last_write_time(f.Queue() / "001.txt", firstTime + std::chrono::seconds(2));
    EXPECT_EQ(f.Run(kEndsWithinMs), 0) << f.Stderr();
    EXPECT_FALSE(f.Has("001.txt"));
    EXPECT_EQ(Counter(f), 2);
}

/// A server that knows nothing of the identity reads a coded list it has no use for and answers the statement as
/// always; with ExactlyOnce off the statement's frame is the same, byte for byte, and nothing goes ahead of it.
TEST(ExactlyOnce, AServerWithoutTheJournalRunsTheFileAsAlways) {
    std::vector<Bytes> execFrames;  // the statement's frame, journal on and off
    for (const bool on : {true, false}) {
        SCOPED_TRACE(on ? "on" : "off");
        ReplayFixture f;
        f.Put("Q0001.txt", kBump);
        std::vector<std::uint8_t> codes;
        std::vector<std::string> identityKeys;
        FakePeer peer;
        peer.Run([&](PeerConn& c, int) {
            // The queue's work may come before the login: the login is answered wherever it comes. The program
            // may reset the connection as it ends; what it sent before is all the test asks about.
            const auto next = [&c]() -> std::optional<TOrdoStringLine> {
                try {
                    return c.ReadLine(5000);
                } catch (const EOSError&) {
                    return std::nullopt;
                }
            };
            while (auto line = next()) {
                if (line->Token() == mcLogin) {
                    TOrdoStringLine accepted = Line(mcLogin);
                    accepted.AddString("1");
                    accepted.AddString("");
                    c.Send(std::move(accepted));
                    continue;
                }
                if (line->Token() == mcUtilityInfo) continue;
                codes.push_back(line->Token());
                if (line->Token() == mcCodedParamList) {
                    const std::int32_t code = line->ReadInteger();
                    const ByteView list = line->ReadBytes();
                    if (code != kReplayIdentityCode || line->ReadInteger() != 0)
                        throw std::runtime_error("an unexpected coded list");
                    identityKeys.push_back(LoadReplayIdentity(list).key);
                    continue;  // wait flag 0: nobody answers it
                }
                if (line->Token() != mcExecSQL) continue;
                execFrames.push_back(line->EncodeToText());
                TOrdoParamList result;
                TOrdoParamItem& id = result.Add();
                id.SetName("DatasetId");
                id.SetAsInteger(line->DataSetId());
                TOrdoParamItem& count = result.Add();
                count.SetName("RowsAffected");
                count.SetAsInteger(1);
                TOrdoStringLine reply(mcCodedParamList, line->DataSetId());
                reply.AddInteger(-75007);
                reply.AddItem(result.SaveToString(false), itString);
                reply.AddInteger(1);
                c.Send(std::move(reply));
            }
        });
        f.WriteIni(peer.Port());
        TurnExactlyOnce(f, on);
        EXPECT_EQ(f.Run(kEndsWithinMs), 0) << f.Stderr();
        peer.Join();
        EXPECT_EQ(peer.Failure(), "");
        EXPECT_FALSE(f.Has("Q0001.txt"));
        const std::vector<std::uint8_t> expected =
            on ? std::vector<std::uint8_t>{mcCodedParamList, mcExecSQL} : std::vector<std::uint8_t>{mcExecSQL};
        EXPECT_EQ(codes, expected);
        EXPECT_EQ(identityKeys.size(), on ? 1u : 0u);
        if (on) {
            EXPECT_EQ(identityKeys[0].size(), 64u);
        }
    }
    ASSERT_EQ(execFrames.size(), 2u);
    EXPECT_EQ(execFrames[0], execFrames[1]);
}

}  // namespace
}  // namespace ordo::test
