// The data set's requests when the reply is not what a request may take for an answer: an error text
// that does not parse, rows that do not decode, a request that cannot be written. None may pass for done.
#include <gtest/gtest.h>

#include <deque>

#include "client_peer_support.h"
#include "platform/codepage.h"
#include "tests/support/scripted_transport.h"

namespace ordo {
namespace {

using test::Line;
using test::RecordingUi;
using test::Settle;
using test::TManualClock;
using test::TScriptedPeer;

struct ClientFailures : ::testing::Test {
    void SetUp() override {
        socket = std::make_unique<TOrdoClientSocket>();
        socket->SetUi(&ui);
        socket->SetTransportFactory(peer.Factory());
        socket->WaitObject().SetClock(clock);
        ds = std::make_unique<TOrdoClientDataSet>();
        ds->SetSQLOptions({soFetchMemos, soFetchBlobs});
        ds->SetOrdoClientSocket(socket.get());
        peer.OnRequest = [this](TOrdoStringLine& request) {
            if (answers.empty()) return;
            auto answer = std::move(answers.front());
            answers.pop_front();
            answer(request);
        };
        socket->Open();
        Settle();
        ASSERT_TRUE(socket->Active());
    }
    void TearDown() override {
        ds.reset();
        socket.reset();
        EXPECT_EQ(clock.Stalls(), 0) << "a wait that nothing could end";
    }
    void Statement(const std::string& sql) {
        ds->SQL().Clear();
        ds->SQL().Add(sql);
    }
    /// Answers the next request with one line built for the requesting data set.
    void Answer(std::function<TOrdoStringLine(std::int32_t id)> reply) {
        answers.emplace_back([this, reply](TOrdoStringLine& request) { peer.Reply(reply(request.DataSetId())); });
    }
    std::string RaisedBy(const std::function<void()>& request) {
        try {
            request();
        } catch (const EDatabaseError& e) {
            return e.what();
        }
        return "(nothing raised)";
    }

    TManualClock clock;
    TScriptedPeer peer{clock};
    RecordingUi ui;
    std::deque<std::function<void(TOrdoStringLine&)>> answers;
    std::unique_ptr<TOrdoClientSocket> socket;
    std::unique_ptr<TOrdoClientDataSet> ds;
};

TEST_F(ClientFailures, AnErrorTextThatDoesNotParseIsRaisedAsItCame) {
    const std::string garbled = "\x02" "ORA-00001: unique constraint violated";
    Answer([&](std::int32_t id) {
        TOrdoStringLine l = Line(mcSQLError, id);
        l.AddString(garbled);
        return l;
    });
    Answer([&](std::int32_t id) {
        TOrdoStringLine l = Line(mcSQLError, id);
        l.AddString(garbled);
        return l;
    });
    Statement("INSERT INTO T VALUES (1)");
    EXPECT_EQ(RaisedBy([&] { ds->ExecuteSQL(); }), AnsiLiteral("[서버 에러]") + garbled);
    Statement("SELECT * FROM T");
    EXPECT_EQ(RaisedBy([&] { ds->Open(); }), AnsiLiteral("[서버 에러]") + garbled);
    EXPECT_FALSE(ds->Active());
    EXPECT_FALSE(socket->RequestWaiting());
    EXPECT_FALSE(socket->RaisePendingError());
}

TEST_F(ClientFailures, RowsThatDoNotDecodeFailTheOpenAtOnce) {
    socket->SetReplyTimeLimit(30000);
    answers.emplace_back([this](TOrdoStringLine& request) {
        TOrdoStringLine defs = Line(mcFieldDefs, request.DataSetId());
        defs.AddString(EncodeFieldDefinitions(test::kIdName));
        peer.Reply(std::move(defs));
        TOrdoStringLine rows = Line(mcRowPacket, request.DataSetId());
        rows.AddString("no number");  // where the packet state belongs
        rows.AddString("");
        rows.AddString("0");
        peer.Reply(std::move(rows));
    });
    Statement("SELECT * FROM T");
    const std::uint32_t start = clock.Ticks();
    const std::string raised = RaisedBy([&] { ds->Open(); });
    EXPECT_EQ(raised.rfind(AnsiLiteral("[서버 에러]"), 0), 0u) << raised;
    EXPECT_NE(raised.find("no number"), std::string::npos) << raised;
    EXPECT_EQ(clock.Ticks(), start) << "failed by the reply, not by the time limit";
    EXPECT_FALSE(ds->Active());
    EXPECT_FALSE(socket->TimedOut());
}

TEST_F(ClientFailures, AnExecuteThatCannotBeWrittenRaisesNothingAndEndsAsLost) {
    peer.FailWritesAfter(64 * 1024);
    Statement("UPDATE T SET NAME = '" + std::string(4'000'000, 'n') + "'");
    EXPECT_EQ(RaisedBy([&] { ds->ExecuteSQL(); }), "(nothing raised)");
    EXPECT_EQ(socket->Replies().LastEnd(), TRequestEnd::reLost);
    EXPECT_FALSE(socket->Active());
    EXPECT_EQ(ds->RowsAffected(), 0);
}

}  // namespace
}  // namespace ordo
