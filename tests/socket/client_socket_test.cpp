// The client socket against a scripted server on a loopback listener.
#include "net/client_socket.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/process.h"

#include "net/zlib_codec.h"
#include "socket_test_support.h"

namespace ordo {
namespace {

using test::DrainQuit;
using test::FakePeer;
using test::Line;
using test::PeerConn;
using test::PumpUntil;
using test::RecordingDataSet;
using test::RecordingUi;

Bytes ListBytes(std::initializer_list<std::pair<const char*, const char*>> items) {
    TOrdoParamList list;
    for (auto [name, value] : items) list.CreateParam(ftString, name, ptInput).SetAsString(value);
    return list.SaveToString(false);
}

TOrdoStringLine Text(std::uint8_t code, const std::string& text, std::int32_t dataSetId = 0) {
    TOrdoStringLine l = Line(code, dataSetId);
    l.AddString(text);
    return l;
}

/// Answers the login the socket sends after connecting and takes the version request behind it.
void AcceptLogin(PeerConn& c) {
    auto login = c.ReadLine();
    if (!login || login->Token() != mcLogin) throw std::runtime_error("no login");
    TOrdoStringLine reply = Line(mcLogin);
    reply.AddString("1");
    reply.AddString("");
    c.Send(std::move(reply));
    auto version = c.ReadLine();
    if (!version || version->Token() != mcUtilityInfo) throw std::runtime_error("no version request");
}

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
            AcceptLogin(c);
            script(c);
        });
        socket->Open();
        ASSERT_TRUE(PumpUntil([&] { return socket->Active() && socket->LoginAttempts() == 1; }));
    }
    /// Sends a request that collects its error and waits for the reply.
    void Request(std::uint8_t code = mcExecSQL, std::int32_t dataSetId = 0) {
        socket->SetErrorArrived(false);
        socket->SetRequestWaiting(true);
        TOrdoStringLine l = Line(code, dataSetId);
        l.AddString("UPDATE T SET A = 1");
        socket->SendMessageLine(l, true);
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

TEST_F(SocketFixture, TimeOutSetsTimedOutForGood) {
    ConnectLoggedIn([](PeerConn& c) {
        c.ReadLine();  // no answer to the first request
        c.ReadLine();
        c.Send(Line(mcAck));
        c.Send(Line(mcAck));
        c.Silent(3000);
    });
    socket->SetReplyTimeLimit(100);
    Request();
    EXPECT_TRUE(socket->TimedOut());
    EXPECT_EQ(socket->WaitObject().LastWaitEnd(), TWaitEnd::weTimedOut);
    socket->SetReplyTimeLimit(3000);
    Request();  // the late reply and this one's both count
    EXPECT_EQ(socket->WaitObject().LastWaitEnd(), TWaitEnd::weStopped);
    EXPECT_TRUE(socket->TimedOut());
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

TEST_F(SocketFixture, QuitMessageEndsTheWait) {
    ConnectLoggedIn([](PeerConn& c) {
        c.ReadLine();
        c.Silent(3000);
    });
    PostQuitMessage(0);
    Request();
    EXPECT_EQ(socket->WaitObject().LastWaitEnd(), TWaitEnd::weQuit);
    EXPECT_FALSE(socket->TimedOut());
    EXPECT_TRUE(DrainQuit());
}

TEST_F(SocketFixture, NothingIsSentWhileAWaitRuns) {
    bool quietDuringWait = false;
    ConnectLoggedIn([&](PeerConn& c) {
        c.ReadLine();
        c.Send(Text(mcChatMessage, "hello"));
        quietDuringWait = c.Silent(200);
        c.Send(Line(mcAck));
        c.Silent(3000);
    });
    std::int64_t sentInHandler = -1;
    socket->OnChatMessage = [&](TOrdoClientSocket& s, const std::string&) {
        std::int64_t before = s.MessagesSent();
        TOrdoStringLine l = Text(mcCodedMessage, "second");
        s.SendMessageLine(l, true);
        sentInHandler = s.MessagesSent() - before;
    };
    Request();
    EXPECT_EQ(sentInHandler, 0);
    socket.reset();
    peer.Join();
    EXPECT_TRUE(quietDuringWait);
}

TEST_F(SocketFixture, SqlErrorTextsReachTheRequestWithTheTag) {
    Bytes listError = ListBytes({{"Message", "bad column"}});
    listError.insert(listError.begin(), 0x02);
    ConnectLoggedIn([&](PeerConn& c) {
        c.ReadLine();
        c.Send(Text(mcSQLError, "boom"));
        c.ReadLine();
        c.Send(Text(mcSQLError, std::string("NULL\x04", 5)));
        c.ReadLine();
        c.Send(Text(mcSQLError, ToString(listError)));
        c.Silent(3000);
    });
    std::vector<std::string> shown;
    socket->OnSQLError = [&](TOrdoClientSocket&, const std::string& t) { shown.push_back(t); };
    Request();
    EXPECT_EQ(socket->TakeServerError(), AnsiLiteral("[서버 에러]boom"));
    EXPECT_EQ(socket->TakeServerError(), "");

    socket->SetPendingError("left over");
    Request();
    EXPECT_FALSE(socket->ErrorArrived());
    EXPECT_EQ(socket->TakeServerError(), "");

    Request();
    EXPECT_EQ(socket->TakeServerError(), AnsiLiteral("[서버 에러]bad column"));
    EXPECT_EQ(shown, (std::vector<std::string>{"boom", "bad column"}));
}

TEST_F(SocketFixture, ServerExceptionFailsTheRequestAndAFailingMessageHoldsNothingBack) {
    ConnectLoggedIn([](PeerConn& c) {
        c.ReadLine();
        TOrdoStringLine ex = Line(mcServerException);
        ex.AddString("");
        ex.AddInteger(-5);
        c.Send(std::move(ex));
        c.ReadLine();
        // A row packet whose state is no number fails; the acknowledgement behind it still counts.
        TOrdoStringLine bad = Line(mcRowPacket);
        bad.AddString("x");
        bad.AddString("");
        bad.AddString("0");
        Bytes both = PeerConn::Frame(std::move(bad));
        Bytes ack = PeerConn::Frame(Line(mcAck));
        both.insert(both.end(), ack.begin(), ack.end());
        c.SendRaw(both);
        c.Silent(3000);
    });
    int exceptionCode = 0;
    socket->OnServerAsyncException = [&](TOrdoClientSocket&, int code, bool&, TOrdoParamList&) { exceptionCode = code; };
    Request();
    EXPECT_EQ(exceptionCode, -5);
    EXPECT_EQ(socket->TakeServerError(), AnsiLiteral("[서버 에러]Server Error"));
    Request();
    EXPECT_EQ(socket->WaitObject().LastWaitEnd(), TWaitEnd::weStopped);
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

TEST_F(SocketFixture, RowsForAnAwaitedOutputWaitForTheParameters) {
    RecordingDataSet ds(*socket);
    const int id = ds.id;
    ConnectLoggedIn([&](PeerConn& c) {
        c.ReadLine();
        TOrdoStringLine rows = Line(mcRowPacket, id);
        rows.AddInteger(0);
        rows.AddString("r");
        rows.AddInteger(0);
        c.Send(std::move(rows));
        c.Silent(150);
        TOrdoStringLine out = Line(mcOutputParams, id);
        out.AddInteger(0);
        out.AddItem(ListBytes({{"OUT1", "9"}}), itString);
        out.AddInteger(0);
        c.Send(std::move(out));
        // Rows for an id nobody registered still end the wait.
        c.ReadLine();
        TOrdoStringLine stray = Line(mcRowPacket, 99);
        stray.AddInteger(0);
        stray.AddString("r");
        stray.AddInteger(0);
        c.Send(std::move(stray));
        c.Silent(3000);
    });
    ds.awaitsOutput = true;
    Request(mcStoredProc, id);
    EXPECT_EQ(ds.outputParams, 1);  // -1 had the wait ended with the rows
    ds.awaitsOutput = false;
    Request(mcSelectSQL, id);
    EXPECT_EQ(socket->WaitObject().LastWaitEnd(), TWaitEnd::weStopped);
    EXPECT_EQ(ds.rows.size(), 1u);
}

TEST_F(SocketFixture, UtilityInfoPingAndServerSettings) {
    std::vector<std::string> ping;
    ConnectLoggedIn([&](PeerConn& c) {
        TOrdoStringLine settings = Line(mcUtilityInfo);
        settings.AddInteger(14);
        settings.AddItem(ListBytes({{"DateMaskForSQL", "YYYY/MM/DD"}, {"SQLOptions", "9"}, {"UpdateSQLSyntax", "4"}}),
                         itString);
        c.Send(std::move(settings));
        TOrdoStringLine p = Line(mcUtilityInfo);
        p.AddInteger(19);
        p.AddString("");
        c.Send(std::move(p));
        auto answer = c.ReadLine();
        if (answer) {
            ping.push_back(std::to_string(answer->Token()));
            ping.push_back(answer->ReadString());
            ping.push_back(answer->ReadString());
        }
        c.Silent(3000);
    });
    ASSERT_TRUE(PumpUntil([&] { return socket->UpdateSQLSyntax() == usOracle; }));
    EXPECT_EQ(socket->DateMaskForSQL(), "YYYY/MM/DD");
    EXPECT_EQ(socket->SQLOptions(), (TOrdoServerSQLOptions{ssUseQuotesInFieldNames, ssBooleanAsInteger}));
    PumpUntil([] { return false; }, 200);
    socket.reset();
    peer.Join();
    EXPECT_EQ(ping, (std::vector<std::string>{"15", "-99999999", "ping"}));
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
