// Login outcomes, connection errors, the blocking client type and the socket's own settings.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "core/wire.h"
#include "net/client_socket.h"
#include "net/login.h"
#include "platform/codepage.h"
#include "tests/net/recording_data_set.h"
#include "tests/support/line_frame.h"
#include "tests/support/message_pump.h"
#include "tests/support/recording_ui.h"
#include "tests/support/socket_peer.h"

namespace ordo {
namespace {

using test::DrainQuit;
using test::FakePeer;
using test::Line;
using test::PeerConn;
using test::PumpUntil;
using test::RecordingDataSet;
using test::RecordingUi;

/// Refuses the login and waits for the client to drop the connection.
void RefuseLogin(PeerConn& c) {
    auto login = c.ReadLine();
    if (!login || login->Token() != mcLogin) throw std::runtime_error("no login");
    TOrdoStringLine reply = Line(mcLogin);
    reply.AddString("0");
    c.Send(std::move(reply));
    while (c.ReadLine()) {
    }
}

struct LoginFixture : ::testing::Test {
    void SetUp() override {
        socket = std::make_unique<TOrdoClientSocket>();
        socket->SetUi(&ui);
        socket->SetAddress("127.0.0.1");
        socket->SetPort(peer.Port());
        socket->SetReplyTimeLimit(3000);
        socket->OnTerminateApplication = [this](TOrdoClientSocket&) { ++terminations; };
    }
    void TearDown() override {
        socket.reset();
        peer.Join();
        EXPECT_EQ(peer.Failure(), "");
        DrainQuit();
    }

    FakePeer peer;
    RecordingUi ui;
    std::unique_ptr<TOrdoClientSocket> socket;
    int terminations = 0;
};

TEST_F(LoginFixture, RefusedLoginsReconnectUntilTheLimit) {
    peer.Run([](PeerConn& c, int) { RefuseLogin(c); }, 3);
    int attempts = 0;
    socket->OnLoginAttempt = [&](TOrdoClientSocket&, bool) { ++attempts; };
    socket->SetLoginMaxAttempts(3);
    auto start = std::chrono::steady_clock::now();
    socket->Open();
    ASSERT_TRUE(PumpUntil([&] { return terminations > 0; }, 6000));
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(attempts, 3);
    EXPECT_EQ(socket->LoginAttempts(), 3);
    EXPECT_GE(took, std::chrono::milliseconds(1000));  // two reconnects, 500 ms each
    EXPECT_EQ(ui.messages, (std::vector<std::string>{kBadLoginText}));
}

TEST_F(LoginFixture, CancelledLoginDialogAsksAndEndsOnYes) {
    struct Cancelling : IOrdoLoginDialog {
        std::optional<TOrdoLoginCredentials> Execute(const std::string&) override {
            ++shown;
            return std::nullopt;
        }
        int shown = 0;
    } dialog;
    peer.Run([](PeerConn& c, int) { c.Silent(3000); });
    socket->SetLoginDialog(&dialog);
    socket->SetAutoLoginDlg(ltLoginDlg);
    ui.answer = false;  // No: show the dialog again, up to the third cancel
    socket->Open();
    ASSERT_TRUE(PumpUntil([&] { return terminations > 0; }));
    EXPECT_EQ(dialog.shown, 3);
    EXPECT_EQ(ui.questions.size(), 2u);
    EXPECT_EQ(ui.messages, (std::vector<std::string>{kLoginCancelledThreeTimesText}));
}

int ClosedPort() {
    TTcpListener l;
    l.Listen("127.0.0.1", 0);
    return l.Port();
}

TEST_F(LoginFixture, RefusedConnectionRaisesNothingAndReportsTheStatus) {
    socket->SetPort(ClosedPort());
    std::vector<std::string> statuses;
    socket->OnConnectStatusChange = [&](TOrdoClientSocket&, const std::string& t) { statuses.push_back(t); };
    EXPECT_NO_THROW(socket->Open());
    ASSERT_TRUE(PumpUntil([&] { return socket->LastSocketError() == 10061; }));
    EXPECT_FALSE(socket->Active());
    EXPECT_EQ(statuses, (std::vector<std::string>{"Disconnected from Server"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LoginFixture, RefusedConnectionWithoutExceptionsShowsWhereItWent) {
    const int port = ClosedPort();
    socket->SetPort(port);
    socket->SetSQLErrorHandling({seAsExceptions, seSocketErrorNoException});
    socket->Open();
    ASSERT_TRUE(PumpUntil([&] { return !ui.messages.empty(); }));
    EXPECT_EQ(ui.messages.front(), AnsiLiteral("10061: 연결이 거부되었습니다. 서버가 활성화 되어 있는지 확인하십시오 at 127.0.0.1 on Port:") +
                                       std::to_string(port));
    EXPECT_EQ(socket->StatusText(), "Disconnected from Server");
}

TEST_F(LoginFixture, InvalidAddressRaisesToTheCallerOfOpen) {
    socket->SetAddress("999.1.1.1");
    try {
        socket->Open();
        FAIL() << "an address that is none must raise";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.Code(), WSAEINVAL);
    }
    EXPECT_FALSE(socket->Active());
    EXPECT_FALSE(socket->Connecting());
}

TEST_F(LoginFixture, OpenAndWaitReturnsWhenTheConnectFails) {
    socket->SetPort(ClosedPort());
    socket->OpenAndWait();
    EXPECT_FALSE(socket->Active());
    EXPECT_EQ(socket->LastSocketError(), 10061);
}

TEST_F(LoginFixture, BlockingClientConnectsWithoutLogin) {
    bool silent = false;
    peer.Run([&](PeerConn& c, int) { silent = c.Silent(300); });
    int connects = 0;
    socket->OnConnect = [&](TOrdoClientSocket&) { ++connects; };
    socket->SetClientType(ctBlocking);
    socket->Open();
    EXPECT_TRUE(socket->Active());
    EXPECT_EQ(connects, 1);
    peer.Join();
    EXPECT_TRUE(silent);
}

TEST_F(LoginFixture, BlockingExchangeSendsTheQueueAndReturnsTheError) {
    std::vector<int> seen;
    peer.Run([&](PeerConn& c, int) {
        std::uint8_t marker[4];
        c.stream.RecvExact(marker);
        seen.push_back(LoadI32LE(marker));
        auto request = c.ReadLine();
        seen.push_back(request ? request->Token() : -1);
        TOrdoStringLine error = Line(mcSQLError);
        error.AddString("bad sql");
        c.Send(std::move(error));
        c.stream.Close();
    });
    socket->SetClientType(ctBlocking);
    TOrdoStringLine l = Line(mcExecSQL);
    l.AddString("UPDATE T SET A = 1");
    EXPECT_EQ(socket->Request(l, {.wait = true, .raisePendingError = false}).text, "bad sql");
    EXPECT_EQ(socket->QueuedFrames(), 0u);
    EXPECT_EQ(socket->PendingError(), "");
    peer.Join();
    EXPECT_EQ(seen, (std::vector<int>{-1, mcExecSQL}));
}

TEST_F(LoginFixture, BlockingExchangeRaisesAnErrorNoRequestCollects) {
    peer.Run([](PeerConn& c, int) {
        std::uint8_t marker[4];
        c.stream.RecvExact(marker);
        c.ReadLine();
        // The first error is the request's; the second comes when the request no longer collects.
        for (const char* text : {"first", "oops"}) {
            TOrdoStringLine error = Line(mcSQLError);
            error.AddString(text);
            c.Send(std::move(error));
        }
        c.stream.Close();
    });
    socket->SetClientType(ctBlocking);
    TOrdoStringLine l = Line(mcSelectSQL);
    try {
        (void)socket->Request(l, {.wait = true, .raisePendingError = true});
        FAIL() << "the error must reach the caller";
    } catch (const EOrdoSQLException& e) {
        EXPECT_STREQ(e.what(), "oops");
    }
    EXPECT_FALSE(socket->RaisePendingError());
    EXPECT_FALSE(socket->RequestWaiting());
    EXPECT_EQ(socket->QueuedFrames(), 0u);
}

TEST_F(LoginFixture, BlockingExchangeLeavesNothingForTheNextOne) {
    peer.Run(
        [](PeerConn& c, int index) {
            std::uint8_t marker[4];
            c.stream.RecvExact(marker);
            c.ReadLine();
            if (index == 0) {
                // A server exception raises out of the exchange, and half a frame follows it.
                TOrdoStringLine ex = Line(mcServerException);
                ex.AddString("");
                ex.AddInteger(-3);
                c.Send(std::move(ex));
                TOrdoStringLine coded = Line(mcCodedMessage);
                coded.AddInteger(1);
                coded.AddString("from the first exchange");
                Bytes half = test::Frame(std::move(coded));
                half.resize(half.size() / 2);
                c.SendRaw(half);
            } else {
                c.Send(Line(mcAck));
            }
            c.stream.Close();
        },
        2);
    socket->SetClientType(ctBlocking);
    TOrdoStringLine first = Line(mcExecSQL);
    first.AddString("UPDATE T SET A = 1");
    EXPECT_THROW(socket->Request(first, {.wait = true, .raisePendingError = false}), EOrdoServerException);
    EXPECT_EQ(socket->PendingError(), "");
    EXPECT_FALSE(socket->ErrorArrived());
    int codedMessages = 0;
    socket->OnCodedMessage = [&](TOrdoClientSocket&, int, const std::string&) { ++codedMessages; };
    TOrdoStringLine second = Line(mcExecSQL);
    second.AddString("UPDATE T SET A = 2");
    EXPECT_EQ(socket->Request(second, {.wait = true, .raisePendingError = false}).text, "");
    EXPECT_EQ(socket->PendingError(), "");
    EXPECT_EQ(codedMessages, 0) << "a half frame of the first exchange and bytes of the second made a message";
    peer.Join();
}

TEST_F(LoginFixture, BlockingExchangeFailures) {
    socket->SetClientType(ctBlocking);
    try {
        socket->BlockingExchange();
        FAIL() << "an empty queue must raise";
    } catch (const EOrdoSocketError& e) {
        EXPECT_EQ(e.what(), AnsiLiteral("전송될 자료가 없습니다"));
    }
    peer.Run([](PeerConn& c, int) {
        std::uint8_t marker[4];
        c.stream.RecvExact(marker);
        c.ReadLine();  // holds the connection open without answering
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
    });
    socket->SetBlockingTimeout(100);
    TOrdoStringLine l = Line(mcExecSQL);
    socket->SendMessageLine(l, true);
    try {
        socket->BlockingExchange();
        FAIL() << "a silent server must time out";
    } catch (const EOrdoSocketError& e) {
        EXPECT_STREQ(e.what(), "Blocking Socket Time out");
    }
    EXPECT_EQ(socket->QueuedFrames(), 0u);
}

TEST(TOrdoClientSocketSettings, DataSetRegistryGivesStableIdsAndTellsOfTheSocketsEnd) {
    RecordingDataSet a, b;
    {
        TOrdoClientSocket s;
        EXPECT_EQ(s.RegisterDataSet(a), 1);
        EXPECT_EQ(s.RegisterDataSet(b), 2);
        EXPECT_EQ(s.RegisterDataSet(a), 1);
        s.UnregisterDataSet(a);
        EXPECT_EQ(s.FindDataSet(1), nullptr);
        EXPECT_EQ(s.RegisterDataSet(a), 3);
        EXPECT_EQ(s.FindDataSet(2), &b);
    }
    EXPECT_TRUE(a.socketFreed);
    EXPECT_TRUE(b.socketFreed);
}

TEST(TOrdoClientSocketSettings, DefaultsAfterConstruction) {
    TOrdoClientSocket s;
    EXPECT_EQ(s.Address(), "127.0.0.1");
    EXPECT_EQ(s.Port(), 9000);
    EXPECT_FALSE(s.Active());
    EXPECT_EQ(s.ConnectAction(), caFastConnectCombo);
    EXPECT_EQ(s.AutoLoginDlg(), ltNoChallenge);
    EXPECT_EQ(s.SQLTransactionStart(), "BEGIN TRANSACTION");
    EXPECT_EQ(s.SQLTransactionEnd(), "COMMIT");
    EXPECT_TRUE(s.SQLErrorHandling() == TOrdoSQLErrorSet{seAsExceptions});
    EXPECT_EQ(s.StatusText(), "No Connection");
}

TEST(TOrdoClientSocketSettings, SqlDialectSetsOptionsAndMasks) {
    TOrdoClientSocket s;
    s.SetSQLDialect(sqlMSSQLServer);
    EXPECT_TRUE(s.SQLOptions() == (TOrdoServerSQLOptions{ssBooleanAsInteger, ssUseISInNuLLcompares}));
    s.SetSQLDialect(sqlOracle);  // leaves the options as they were
    EXPECT_TRUE(s.SQLOptions() == (TOrdoServerSQLOptions{ssBooleanAsInteger, ssUseISInNuLLcompares}));
    EXPECT_EQ(s.DateMaskForSQL(), "DD-MMM-YYYY");
    EXPECT_EQ(s.DateTimeMaskForSQL(), "DD-MMM-YYYY HH:NN:SS");
    s.SetSQLDialect(sqlAdvantage);
    EXPECT_TRUE(s.SQLOptions() == (TOrdoServerSQLOptions{ssUseQuotesInFieldNames, ssNoTableNameInUpdateStatements}));
    EXPECT_EQ(s.DateMaskForSQL(), "YYYY-MM-DD");
    s.SetSQLDialect(sqlNone);
    EXPECT_TRUE(s.SQLOptions().Empty());
    EXPECT_EQ(s.DateMaskForSQL(), "YYYY-MM-DD");
}

TEST(TOrdoClientSocketSettings, CustomConnectWithoutAnAddressEndsTheProgram) {
    TOrdoClientSocket s;
    RecordingUi ui;
    s.SetUi(&ui);
    int ended = 0;
    s.OnTerminateApplication = [&](TOrdoClientSocket&) { ++ended; };
    s.SetConnectAction(caCustomConnect);
    s.Loaded();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(ui.messages, (std::vector<std::string>{AnsiLiteral("서버 주소와 포트가 유효하지 않습니다")}));
}

TEST(TOrdoClientSocketSettings, SelectOptionsLoseWhatTheSocketCannotHonour) {
    TOrdoClientSocket s;
    const std::uint32_t compressAndDelayed = (1u << 5) | (1u << 9) | 3u;
    EXPECT_EQ(s.SelectOptionsForWire(compressAndDelayed), compressAndDelayed);
    s.SetCompression(acUserDefined);
    s.SetDesignMode(true);
    EXPECT_EQ(s.SelectOptionsForWire(compressAndDelayed), 3u);
}

TEST(ParseServerVersion, ReadsTheServersSeparatorWhenTheLocalOneIsMissing) {
    EXPECT_DOUBLE_EQ(ParseServerVersion("3.5", ','), 3.5);
    EXPECT_DOUBLE_EQ(ParseServerVersion("3,5", ','), 3.5);
    EXPECT_DOUBLE_EQ(ParseServerVersion("12.25", ','), 12.25);
    EXPECT_DOUBLE_EQ(ParseServerVersion("7", '.'), 7.0);
    EXPECT_DOUBLE_EQ(ParseServerVersion("v2", '.'), 0.0);
    EXPECT_DOUBLE_EQ(ParseServerVersion("", '.'), 0.0);
}

TEST(BuildLoginLine, FifthItemJoinsVersionAndClientParams) {
    TOrdoParamList params;
    params.CreateParam(ftString, "NeedPatcher", ptInput);
    TOrdoStringLine line = BuildLoginLine(ltLoginNoDlg, "kim", "pw", "Vantrel", "1.2", params);
    Bytes bytes = line.EncodeToText();
    TOrdoStringLine back;
    back.DecodeFromText(bytes);
    EXPECT_EQ(back.Token(), mcLogin);
    EXPECT_EQ(back.ReadInteger(), 1);
    EXPECT_EQ(back.ReadString(), "kim");
    EXPECT_EQ(back.ReadString(), "pw");
    EXPECT_EQ(back.ReadString(), "Vantrel");
    Bytes expected = ToBytes("1.2");
    expected.push_back(0x02);
    Bytes list = params.SaveToString(false);
    expected.insert(expected.end(), list.begin(), list.end());
    EXPECT_EQ(back.ReadStream(), expected);
}

}  // namespace
}  // namespace ordo
