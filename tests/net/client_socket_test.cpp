// The client socket against a scripted server on a loopback listener.
#include "net/client_socket.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/process.h"

#include "codec/zlib_codec.h"
#include "tests/net/recording_data_set.h"
#include "tests/support/message_pump.h"
#include "tests/support/recording_ui.h"
#include "tests/support/socket_peer.h"

namespace ordo {
namespace {

using test::AnswerLogin;
using test::DrainQuit;
using test::FakePeer;
using test::Line;
using test::ListBytes;
using test::PeerConn;
using test::PumpUntil;
using test::RecordingDataSet;
using test::RecordingUi;
using test::Text;

struct SocketFixture : ::testing::Test {
    void SetUp() override {
        socket = std::make_unique<TOrdoClientSocket>();
        socket->SetUi(&ui);
        socket->SetAddress("127.0.0.1");
        socket->SetPort(peer.Port());
        socket->SetReplyTimeLimit(3000);  // a broken script must not hang the suite
        socket->OnTerminateApplication = [this](TOrdoClientSocket&) { ++terminations; };
        socket->OnDisconnect = [this](TOrdoClientSocket&) { ++disconnects; };
    }
    void TearDown() override {
        socket.reset();
        peer.Join();
        EXPECT_EQ(peer.Failure(), "");
        DrainQuit();
    }
    /// Connects through the login; the script then runs on the server side.
    void ConnectLoggedIn(std::function<void(PeerConn&)> script) {
        peer.Run([script](PeerConn& c, int) {
            AnswerLogin(c);
            script(c);
        });
        socket->Open();
        ASSERT_TRUE(PumpUntil([&] { return socket->Active() && socket->LoginAttempts() == 1; }));
    }
    /// Sends a request that collects its error and waits for the reply.
    std::string Request(std::uint8_t code = mcExecSQL, std::int32_t dataSetId = 0) {
        TOrdoStringLine l = Line(code, dataSetId);
        l.AddString("UPDATE T SET A = 1");
        return socket->Request(l, {.wait = true, .raisePendingError = false}).text;
    }

    FakePeer peer;  // declared first: the socket closes before the server thread is joined
    RecordingUi ui;
    std::unique_ptr<TOrdoClientSocket> socket;
    int terminations = 0;
    int disconnects = 0;
};

TEST_F(SocketFixture, LoginFollowsTheConnectHandlerAndCarriesTheExactItems) {
    std::vector<int> tokens;
    std::vector<std::string> loginItems;
    peer.Run([&](PeerConn& c, int) {
        auto first = c.ReadLine();
        tokens.push_back(first->Token());
        c.Send(Line(mcAck));
        auto login = c.ReadLine();
        tokens.push_back(login->Token());
        for (int i = 0; i < 5; ++i) loginItems.push_back(login->ReadString());
        TOrdoStringLine reply = Line(mcLogin);
        reply.AddString("1");
        c.Send(std::move(reply));
        auto version = c.ReadLine();
        tokens.push_back(version->Token());
        tokens.push_back(version->ReadInteger());
        TOrdoStringLine info = Line(mcUtilityInfo);
        info.AddInteger(6);
        info.AddItem(ListBytes({{"Version", "3.5"}}), itString);
        c.Send(std::move(info));
        c.Silent(3000);
    });
    bool loginSentDuringHandler = true;
    socket->OnConnect = [&](TOrdoClientSocket& s) {
        TOrdoStringLine l = Line(mcExecSQL);
        l.AddString("DELETE FROM T");
        s.SendMessageLine(l, true);
        loginSentDuringHandler = s.LoginAttempts() > 0;
    };
    socket->Open();
    ASSERT_TRUE(PumpUntil([&] { return socket->ServerVersion() > 0; }));
    socket.reset();
    peer.Join();
    EXPECT_FALSE(loginSentDuringHandler);
    EXPECT_EQ(tokens, (std::vector<int>{mcExecSQL, mcLogin, mcUtilityInfo, 6}));
    ASSERT_EQ(loginItems.size(), 5u);
    EXPECT_EQ(loginItems[0], "2");  // ltNoChallenge
    EXPECT_EQ(loginItems[3], ExtractFileName(ExeFileName()));  // the program's own file name
    EXPECT_EQ(loginItems[4], std::string(1, '\x02'));
}

TEST_F(SocketFixture, WaitEndsOnItsReply) {
    ConnectLoggedIn([](PeerConn& c) {
        c.ReadLine();
        c.Send(Line(mcAck));
        c.Silent(3000);
    });
    Request();
    EXPECT_EQ(socket->WaitObject().LastWaitEnd(), TWaitEnd::weStopped);
    EXPECT_FALSE(socket->TimedOut());
    EXPECT_EQ(socket->OutstandingReplies(), 0);
}

TEST_F(SocketFixture, DisconnectEndsTheWaitAndSwitchesKeepAliveOff) {
    ConnectLoggedIn([](PeerConn& c) {
        c.ReadLine();
        c.stream.Close();
    });
    socket->SetKeepAlivePing(5);
    Request();
    EXPECT_EQ(socket->WaitObject().LastWaitEnd(), TWaitEnd::weStopped);
    EXPECT_FALSE(socket->Active());
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(socket->KeepAlivePing(), 0);
    EXPECT_EQ(socket->StatusText(), "Disconnected from Server");
    EXPECT_FALSE(socket->TimedOut());
}

TEST_F(SocketFixture, RepliesReachTheDataSetTheyName) {
    RecordingDataSet ds(*socket);
    const int id = ds.id;
    ConnectLoggedIn([id](PeerConn& c) {
        c.ReadLine();
        c.Send(Text(mcFieldDefs, "A,1,10", id));
        TOrdoStringLine cursor = Line(mcCursorId, id);
        cursor.AddInteger(7);
        c.Send(std::move(cursor));
        TOrdoStringLine rows = Line(mcRowPacket, id);
        rows.AddInteger(0);
        rows.AddItem(ZLibCompress(AsBytes("packed rows")), itString);
        rows.AddInteger(1);
        c.Send(std::move(rows));
        c.ReadLine();
        TOrdoStringLine affected = Line(mcCodedParamList);
        affected.AddInteger(-75007);
        affected.AddItem(ListBytes({{"DatasetId", std::to_string(id).c_str()}, {"RowsAffected", "5"}}), itString);
        affected.AddInteger(1);
        c.Send(std::move(affected));
        c.Silent(3000);
    });
    ds.zeroRows = true;
    Request(mcSelectSQL, id);
    EXPECT_EQ(ds.fieldDefs, (std::vector<std::string>{"A,1,10"}));
    ASSERT_EQ(ds.rows.size(), 2u);
    EXPECT_EQ(ds.rows[0], std::make_pair(0, std::string("A,1,10")));
    EXPECT_EQ(ds.rows[1], std::make_pair(0, std::string("packed rows")));
    EXPECT_EQ(ds.cursorId, 7);
    Request(mcExecSQL, id);
    EXPECT_EQ(ds.rowsAffected, 5);
    EXPECT_EQ(socket->TakeServerError(), "");
}

TEST_F(SocketFixture, SendProgressIsReportedPerChunk) {
    ConnectLoggedIn([](PeerConn& c) {
        c.ReadLine();
        c.Silent(3000);
    });
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
    socket->SetProgressBar(true);
    socket->OnReadProgress = [&](TOrdoClientSocket&, std::int64_t size, std::int64_t done) {
        progress.emplace_back(size, done);
    };
    TOrdoStringLine l = Text(mcExecSQL, std::string(10000, 'x'));
    socket->SendMessageLine(l, false);
    const std::int64_t n = 4 + 50 + 10000;
    EXPECT_EQ(progress, (std::vector<std::pair<std::int64_t, std::int64_t>>{
                            {n, 0}, {n, 0}, {n, 4096}, {n, 8192}, {0, 0}}));
}

}  // namespace
}  // namespace ordo

namespace ordo {
namespace {

TEST_F(SocketFixture, CodedParamListReturnsTheListTheReplyCarried) {
    std::vector<std::string> sent;
    ConnectLoggedIn([&](PeerConn& c) {
        auto request = c.ReadLine();
        sent.push_back(request->ReadString());
        sent.push_back(std::to_string(TOrdoParamList::CreateFromString(request->ReadBytes()).Count()));
        sent.push_back(request->ReadString());
        TOrdoStringLine reply = Line(mcCodedParamList);
        reply.AddInteger(12);
        reply.AddItem(ListBytes({{"Answer", "42"}}), itString);
        reply.AddInteger(1);
        c.Send(std::move(reply));
        c.Silent(3000);
    });
    TOrdoParamList params;
    params.CreateParam(ftString, "Question", ptInput).SetAsString("?");
    std::string answer = socket->SendCodedParamList(12, &params, true);
    EXPECT_EQ(answer, ToString(ListBytes({{"Answer", "42"}})));
    EXPECT_EQ(socket->PendingError(), "");
    socket.reset();
    peer.Join();
    EXPECT_EQ(sent, (std::vector<std::string>{"12", "1", "1"}));
}

TEST(TOrdoClientSocketRequests, CodedParamListNeedsTheConnection) {
    TOrdoClientSocket s;
    try {
        s.SendCodedParamList(1, nullptr, false);
        FAIL() << "sending on no connection must raise";
    } catch (const EOrdoSocketError& e) {
        EXPECT_STREQ(e.what(), "Not Connected to Server");
    }
}

}  // namespace
}  // namespace ordo
