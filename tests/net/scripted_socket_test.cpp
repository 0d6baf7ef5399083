// The client socket's reply waits and failure paths over a scripted connection and a manual clock:
// every split, reset, failed write and silence happens exactly when the script says.
#include <gtest/gtest.h>

#include <deque>

#include "net/client_socket.h"
#include "net/login.h"
#include "platform/codepage.h"
#include "tests/net/recording_data_set.h"
#include "tests/support/message_pump.h"
#include "tests/support/recording_ui.h"
#include "tests/support/scripted_transport.h"
#include "tests/support/socket_peer.h"

namespace ordo {
namespace {

using test::DrainQuit;
using test::Line;
using test::ListBytes;
using test::RecordingDataSet;
using test::RecordingUi;
using test::Settle;
using test::TManualClock;
using test::TScriptedPeer;
using test::Text;

constexpr std::uint32_t kLimit = 30000;

TOrdoStringLine RowPacket(std::int32_t id, const std::string& state, const std::string& rows) {
    TOrdoStringLine l = Line(mcRowPacket, id);
    l.AddString(state);
    l.AddString(rows);
    l.AddInteger(0);
    return l;
}

struct ScriptedSocket : ::testing::Test {
    void SetUp() override {
        socket = std::make_unique<TOrdoClientSocket>();
        socket->SetUi(&ui);
        socket->SetTransportFactory(peer.Factory());
        socket->WaitObject().SetClock(clock);
        socket->OnTerminateApplication = [this](TOrdoClientSocket&) { ++terminations; };
        socket->OnDisconnect = [this](TOrdoClientSocket&) { ++disconnects; };
        peer.OnRequest = [this](TOrdoStringLine& request) {
            if (answers.empty()) return;  // silence
            auto answer = std::move(answers.front());
            answers.pop_front();
            answer(request);
        };
    }
    void TearDown() override {
        socket.reset();
        EXPECT_EQ(clock.Stalls(), 0) << "a wait that nothing could end";
        DrainQuit();
    }
    void Connect() {
        const int logins = socket->LoginAttempts();
        socket->Open();
        Settle();
        ASSERT_TRUE(socket->Active());
        ASSERT_EQ(socket->LoginAttempts(), logins + 1);
    }
    /// The next request is answered by `answer`; requests without an answer meet silence.
    void Answer(std::function<void(TOrdoStringLine&)> answer) { answers.push_back(std::move(answer)); }
    void AnswerWith(TOrdoStringLine line) {
        auto frame = std::make_shared<Bytes>(test::Frame(std::move(line)));
        Answer([this, frame](TOrdoStringLine&) { peer.Deliver(*frame); });
    }
    std::string Request(std::uint8_t code = mcExecSQL, std::int32_t dataSetId = 0,
                        const std::string& sql = "UPDATE T SET A = 1") {
        TOrdoStringLine l = Line(code, dataSetId);
        l.AddString(sql);
        return socket->Request(l, {.wait = true, .raisePendingError = false}).text;
    }
    [[nodiscard]] TRequestEnd End() const { return socket->Replies().LastEnd(); }

    TManualClock clock;  // declared first: the socket and its transport go before the peer and the clock
    TScriptedPeer peer{clock};
    RecordingUi ui;
    std::deque<std::function<void(TOrdoStringLine&)>> answers;
    std::unique_ptr<TOrdoClientSocket> socket;
    int terminations = 0;
    int disconnects = 0;
};

// --- login ------------------------------------------------------------------------------------

struct ScriptedLogin : ScriptedSocket {
    void SetUp() override {
        ScriptedSocket::SetUp();
        peer.AcceptLogin = false;
        peer.OnRequest = [this](TOrdoStringLine& request) {
            if (request.Token() != mcLogin) return;
            TOrdoStringLine reply = Line(mcLogin);
            reply.AddString("0");
            peer.Reply(std::move(reply));
        };
    }
};

TEST_F(ScriptedLogin, ARefusedLoginWithoutEventsShowsTheMessageOnceAndEnds) {
    socket->Open();
    Settle();
    EXPECT_EQ(terminations, 1);
    EXPECT_EQ(ui.messages, (std::vector<std::string>{kBadLoginText}));
}

TEST_F(ScriptedLogin, ARefusedLoginWithTheEventIsLeftToTheApplication) {
    std::vector<bool> outcomes;
    socket->OnLoginAttempt = [&](TOrdoClientSocket&, bool accepted) { outcomes.push_back(accepted); };
    socket->Open();
    Settle();
    EXPECT_EQ(outcomes, (std::vector<bool>{false}));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(socket->Active());
}

// --- waits ---------------------------------------------------------------------------------------

// A reply given up on may still come, and there is no request id on the wire to tell it from the next request's:
// the connection ends with the wait, so a late reply can never be counted against a later request.
TEST_F(ScriptedSocket, TimeLimitEndsTheWaitAndTheConnection) {
    Connect();
    socket->SetReplyTimeLimit(kLimit);
    Answer([this](TOrdoStringLine&) { clock.After(kLimit + 500, [this] { peer.Reply(Line(mcAck)); }); });
    const std::uint32_t start = clock.Ticks();
    EXPECT_EQ(Request(), "");
    EXPECT_GT(clock.Ticks() - start, kLimit);
    EXPECT_TRUE(socket->TimedOut());
    EXPECT_EQ(End(), TRequestEnd::reTimedOut);
    EXPECT_FALSE(socket->Active());
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(socket->OutstandingReplies(), 0) << "no reply is owed into the next request";
    Request();
    EXPECT_EQ(End(), TRequestEnd::reNotSent);
    EXPECT_TRUE(socket->TimedOut()) << "the wait object's flag stays set";
}

TEST_F(ScriptedSocket, QuitMessageEndsTheWaitAndStaysForTheOuterLoop) {
    Connect();
    PostQuitMessage(0);
    Request();
    EXPECT_EQ(socket->WaitObject().LastWaitEnd(), TWaitEnd::weQuit);
    EXPECT_EQ(End(), TRequestEnd::reAbandoned);
    EXPECT_FALSE(socket->TimedOut());
    EXPECT_TRUE(DrainQuit());
}

TEST_F(ScriptedSocket, NothingIsSentWhileAWaitRuns) {
    Connect();
    Answer([this](TOrdoStringLine&) {
        peer.Reply(Text(mcChatMessage, "hello"));
        clock.After(200, [this] { peer.Reply(Line(mcAck)); });
    });
    std::int64_t sentInHandler = -1;
    socket->OnChatMessage = [&](TOrdoClientSocket& s, const std::string&) {
        const std::int64_t before = s.MessagesSent();
        TOrdoStringLine l = Text(mcCodedMessage, "second");
        s.SendMessageLine(l, true);
        sentInHandler = s.MessagesSent() - before;
    };
    const std::size_t tokensBefore = peer.Tokens().size();
    Request();
    EXPECT_EQ(sentInHandler, 0);
    EXPECT_EQ(peer.Tokens().size(), tokensBefore + 1);
    EXPECT_EQ(End(), TRequestEnd::reReplied);
}

TEST_F(ScriptedSocket, AReplyInAnyByteSplitIsDeliveredOnceInOrder) {
    RecordingDataSet ds(*socket);
    Connect();
    Bytes reply = test::Frame(Text(mcFieldDefs, "A,1,10", ds.id));
    const Bytes rows = test::Frame(RowPacket(ds.id, "0", "r1"));  // the rows end the wait
    reply.insert(reply.end(), rows.begin(), rows.end());
    for (const std::vector<std::size_t>& split : std::vector<std::vector<std::size_t>>{
             {1, 1, 1, 1, 1}, {4}, {3, 50}, {reply.size() - 1}, {reply.size()}, std::vector<std::size_t>(200, 1)}) {
        SCOPED_TRACE(testing::Message() << split.size() << " pieces, first " << split.front());
        ds.fieldDefs.clear();
        ds.rows.clear();
        Answer([&, split](TOrdoStringLine&) {
            // Each piece arrives 10 ms after the one before.
            std::size_t at = 0;
            std::uint32_t when = 0;
            std::vector<std::size_t> sizes = split;
            sizes.push_back(reply.size());
            for (std::size_t size : sizes) {
                size = std::min(size, reply.size() - at);
                if (size == 0) break;
                Bytes piece(reply.begin() + static_cast<std::ptrdiff_t>(at),
                            reply.begin() + static_cast<std::ptrdiff_t>(at + size));
                clock.After(when += 10, [this, piece] { peer.Deliver(piece); });
                at += size;
            }
        });
        Request(mcSelectSQL, ds.id);
        EXPECT_EQ(End(), TRequestEnd::reReplied);
        EXPECT_EQ(ds.fieldDefs, (std::vector<std::string>{"A,1,10"}));
        EXPECT_EQ(ds.rows, (std::vector<std::pair<std::int32_t, std::string>>{{0, "r1"}}));
        EXPECT_EQ(socket->OutstandingReplies(), 0);
    }
}

TEST_F(ScriptedSocket, RowsForAnAwaitedOutputWaitForTheParameters) {
    RecordingDataSet ds(*socket);
    const int id = ds.id;
    Connect();
    Answer([&](TOrdoStringLine&) {
        peer.Reply(RowPacket(id, "0", "r"));
        clock.After(150, [&] {
            TOrdoStringLine out = Line(mcOutputParams, id);
            out.AddInteger(0);
            out.AddItem(ListBytes({{"OUT1", "9"}}), itString);
            out.AddInteger(0);
            peer.Reply(std::move(out));
        });
    });
    Answer([&](TOrdoStringLine&) {
        peer.Reply(RowPacket(99, "0", "other"));  // rows naming another data set are not this request's answer
        clock.After(50, [&] { peer.Reply(RowPacket(id, "0", "mine")); });
    });
    ds.awaitsOutput = true;
    Request(mcStoredProc, id);
    EXPECT_EQ(ds.outputParams, 1);  // -1 had the wait ended with the rows
    ds.awaitsOutput = false;
    const std::uint32_t start = clock.Ticks();
    Request(mcSelectSQL, id);
    EXPECT_EQ(End(), TRequestEnd::reReplied);
    EXPECT_GE(clock.Ticks() - start, 50u) << "the wait ended with its own rows";
    EXPECT_EQ(ds.rows.size(), 2u);
}

TEST_F(ScriptedSocket, UtilityInfoPingAndServerSettings) {
    std::vector<std::string> ping;
    peer.OnRequest = [&](TOrdoStringLine& answer) {
        ping.push_back(std::to_string(answer.Token()));
        ping.push_back(answer.ReadString());
        ping.push_back(answer.ReadString());
    };
    Connect();
    TOrdoStringLine settings = Line(mcUtilityInfo);
    settings.AddInteger(14);
    settings.AddItem(ListBytes({{"DateMaskForSQL", "YYYY/MM/DD"}, {"SQLOptions", "9"}, {"UpdateSQLSyntax", "4"}}),
                     itString);
    peer.Reply(std::move(settings));
    TOrdoStringLine p = Line(mcUtilityInfo);
    p.AddInteger(19);
    p.AddString("");
    peer.Reply(std::move(p));
    Settle();
    EXPECT_EQ(socket->UpdateSQLSyntax(), usOracle);
    EXPECT_EQ(socket->DateMaskForSQL(), "YYYY/MM/DD");
    EXPECT_EQ(socket->SQLOptions(), (TOrdoServerSQLOptions{ssUseQuotesInFieldNames, ssBooleanAsInteger}));
    EXPECT_EQ(ping, (std::vector<std::string>{"15", "-99999999", "ping"}));
}

// --- error replies ------------------------------------------------------------------------------

TEST_F(ScriptedSocket, SqlErrorTextsReachTheRequestWithTheTag) {
    Bytes listError = ListBytes({{"Message", "bad column"}});
    listError.insert(listError.begin(), 0x02);
    Connect();
    AnswerWith(Text(mcSQLError, "boom"));
    AnswerWith(Text(mcSQLError, std::string("NULL\x04", 5)));
    AnswerWith(Text(mcSQLError, ToString(listError)));
    std::vector<std::string> shown;
    socket->OnSQLError = [&](TOrdoClientSocket&, const std::string& t) { shown.push_back(t); };
    EXPECT_EQ(Request(), AnsiLiteral("[서버 에러]boom"));
    EXPECT_EQ(socket->TakeServerError(), "") << "taken once";
    EXPECT_EQ(Request(), "");
    EXPECT_FALSE(socket->ErrorArrived());
    EXPECT_EQ(Request(), AnsiLiteral("[서버 에러]bad column"));
    EXPECT_EQ(shown, (std::vector<std::string>{"boom", "bad column"}));
}

TEST_F(ScriptedSocket, AnErrorTextThatDoesNotParseFailsTheRequestWithTheRawText) {
    Bytes cut = ListBytes({{"Message", "bad column"}});
    cut.resize(cut.size() - 4);
    cut.insert(cut.begin(), 0x02);
    const std::string garbled = std::string("\x02", 1) + "ORA-1: unique constraint";
    Connect();
    AnswerWith(Text(mcSQLError, garbled));
    AnswerWith(Text(mcSQLError, ToString(cut)));
    std::vector<std::string> shown;
    socket->OnSQLError = [&](TOrdoClientSocket&, const std::string& t) { shown.push_back(t); };
    EXPECT_EQ(Request(), AnsiLiteral("[서버 에러]") + garbled);
    EXPECT_EQ(End(), TRequestEnd::reRefused);
    EXPECT_EQ(Request(), AnsiLiteral("[서버 에러]") + ToString(cut));
    EXPECT_EQ(shown, (std::vector<std::string>{garbled, ToString(cut)}));
    EXPECT_EQ(socket->LastDispatchError(), "");
}

TEST_F(ScriptedSocket, ServerExceptionsFailTheRequestWhateverTheirItemsHold) {
    Connect();
    TOrdoStringLine empty = Line(mcServerException);
    empty.AddString("");
    empty.AddInteger(-5);
    AnswerWith(std::move(empty));
    TOrdoStringLine unreadable = Line(mcServerException);
    unreadable.AddItem(Bytes{0x07, 0x00, 0x00}, itString);  // a list cut short
    unreadable.AddString("not a number");
    AnswerWith(std::move(unreadable));
    TOrdoStringLine plain = Line(mcServerException);
    plain.AddString("deadlock");  // text where the list belongs
    plain.AddInteger(-9);
    AnswerWith(std::move(plain));
    int exceptionCode = 0;
    socket->OnServerAsyncException = [&](TOrdoClientSocket&, int code, bool&, TOrdoParamList&) { exceptionCode = code; };
    EXPECT_EQ(Request(), AnsiLiteral("[서버 에러]Server Error"));
    EXPECT_EQ(exceptionCode, -5);
    EXPECT_EQ(Request(), AnsiLiteral("[서버 에러]Server Error"));
    EXPECT_EQ(exceptionCode, 0) << "bad numbers read as 0";
    EXPECT_EQ(Request(), AnsiLiteral("[서버 에러]deadlock"));
    EXPECT_EQ(End(), TRequestEnd::reRefused);
}

// --- replies that do not decode ------------------------------------------------------------------

TEST_F(ScriptedSocket, AReplyThatDoesNotDecodeFailsTheRequestAtOnce) {
    Bytes shortLine{10, 0, 0, 0, mcAck, 0, 0, 0, 0, 0, 0, 0, 0, 0};  // a frame of 10 bytes: no 50-byte header
    Bytes outside = test::Frame(Text(mcSQLError, "boom"));
    StoreI32LE(&outside[4 + 5 + 5], 9999);  // the first item ends far behind the payload
    Connect();
    socket->SetReplyTimeLimit(kLimit);
    Answer([&](TOrdoStringLine&) { peer.Deliver(shortLine); });
    Answer([&](TOrdoStringLine&) { peer.Deliver(outside); });
    AnswerWith(RowPacket(0, "x", "rows"));  // a packet state that is no number
    // The header that does not decode and the packet state that is no number fail it on our side; the error
    // whose text cannot be read is still the server's refusal.
    const TRequestEnd ends[] = {TRequestEnd::reFailed, TRequestEnd::reRefused, TRequestEnd::reFailed};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const std::uint32_t start = clock.Ticks();
        EXPECT_NE(Request(), "");
        EXPECT_EQ(clock.Ticks(), start) << "released at once, not by the time limit";
        EXPECT_EQ(End(), ends[i]);
        EXPECT_FALSE(socket->TimedOut());
        EXPECT_EQ(socket->OutstandingReplies(), 0);
    }
    EXPECT_TRUE(socket->Active());
}

TEST_F(ScriptedSocket, AFailingMessageHoldsBackNothingBehindIt) {
    Connect();
    Answer([this](TOrdoStringLine&) {
        Bytes both = test::Frame(RowPacket(0, "x", ""));
        Bytes chat = test::Frame(Text(mcChatMessage, "after"));
        both.insert(both.end(), chat.begin(), chat.end());
        peer.Deliver(both);
    });
    std::vector<std::string> chats;
    socket->OnChatMessage = [&](TOrdoClientSocket&, const std::string& t) { chats.push_back(t); };
    EXPECT_NE(Request(), "");
    Settle();
    EXPECT_EQ(chats, (std::vector<std::string>{"after"}));
}

TEST_F(ScriptedSocket, AMessageThatFailsWithNoRequestInFlightIsReported) {
    Connect();
    std::vector<std::string> reported;
    socket->OnDispatchError = [&](TOrdoClientSocket&, const std::string& t) { reported.push_back(t); };
    peer.Reply(RowPacket(0, "x", ""));
    Settle();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(socket->LastDispatchError(), reported[0]);
    EXPECT_NE(reported[0].find("'x'"), std::string::npos) << reported[0];
    EXPECT_FALSE(socket->ErrorArrived()) << "the next request does not inherit it";
    AnswerWith(Line(mcAck));
    EXPECT_EQ(Request(), "");
}

// --- lost connections ----------------------------------------------------------------------------

TEST_F(ScriptedSocket, AResetDuringTheWaitEndsTheRequestAsLost) {
    Connect();
    socket->SetKeepAlivePing(5);
    Answer([this](TOrdoStringLine&) { peer.Reset(); });
    EXPECT_EQ(Request(), "");
    EXPECT_EQ(End(), TRequestEnd::reLost);
    EXPECT_FALSE(socket->Active());
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(socket->KeepAlivePing(), 0);
    EXPECT_EQ(socket->StatusText(), "Disconnected from Server");
    EXPECT_FALSE(socket->TimedOut());
}

TEST_F(ScriptedSocket, AWriteThatFailsMidFrameEndsTheRequestWithoutAWait) {
    for (bool errorEvent : {false, true}) {
        SCOPED_TRACE(errorEvent);
        disconnects = 0;
        std::vector<int> codes;
        if (errorEvent)
            socket->OnError = [&](TOrdoClientSocket&, TErrorEvent, int& code) { codes.push_back(code); };
        Connect();
        socket->SetReplyTimeLimit(0);  // nothing but the socket itself can end this wait
        peer.FailWritesAfter(100'000);
        EXPECT_EQ(Request(mcExecSQL, 0, std::string(3'000'000, 'x')), "");
        EXPECT_EQ(End(), TRequestEnd::reLost);
        EXPECT_FALSE(socket->Active());
        EXPECT_EQ(disconnects, 1);
        EXPECT_EQ(socket->OutstandingReplies(), 0);
        EXPECT_EQ(socket->WaitObject().LastWaitEnd(), TWaitEnd::weStopped) << "the login's wait, none since";
        if (errorEvent) {
            EXPECT_EQ(codes, (std::vector<int>{WSAECONNRESET}));
        }
    }
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ScriptedSocket, APeerThatStopsReadingHoldsTheWriterNoLongerThanTheLimit) {
    Connect();
    socket->SetReplyTimeLimit(kLimit);
    peer.StopReading();
    const std::uint32_t start = clock.Ticks();
    Request(mcExecSQL, 0, std::string(100'000, 'x'));
    EXPECT_EQ(End(), TRequestEnd::reLost);
    EXPECT_GT(clock.Ticks() - start, kLimit);
    EXPECT_LT(clock.Ticks() - start, kLimit + 100);
    EXPECT_FALSE(socket->Active());
}

// What follows a reply in the same read, or what its handling costs, never undoes it.
TEST_F(ScriptedSocket, AReplyStaysTheAnswerWhateverFollowsItInTheSameRead) {
    struct Case {
        const char* name;
        Bytes after;
        bool stillConnected;
    } cases[] = {
        {"a terminate", test::Frame(Text(mcTerminate, "bye")), false},
        {"a length no frame may have", Bytes{0xFF, 0xFF, 0xFF, 0x7F, 0x00}, false},
        {"an error naming the request's data set", test::Frame(Text(mcSQLError, "late", 1)), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        socket->OnTerminateMessageFromServer = [](TOrdoClientSocket&, const std::string&, bool& handled) {
            handled = false;
        };
        if (!socket->Active()) Connect();
        Answer([this, &c](TOrdoStringLine&) {
            Bytes both = test::Frame(Line(mcAck));
            both.insert(both.end(), c.after.begin(), c.after.end());
            peer.Deliver(both);
        });
        EXPECT_EQ(Request(mcExecSQL, 1), "");
        EXPECT_EQ(End(), TRequestEnd::reReplied);
        Settle();
        EXPECT_EQ(socket->Active(), c.stillConnected);
    }
}

TEST_F(ScriptedSocket, AReplyReadBeforeTheLimitCountsHoweverLongItsHandlingTakes) {
    Connect();
    socket->SetReplyTimeLimit(kLimit);
    Answer([this](TOrdoStringLine&) { clock.After(kLimit - 5, [this] { peer.Reply(Line(mcAck)); }); });
    socket->OnBytesInEvent = [this](TOrdoClientSocket&, std::int64_t, std::int64_t, std::int64_t) { clock.Advance(100); };
    Request();
    EXPECT_EQ(End(), TRequestEnd::reReplied);
    EXPECT_FALSE(socket->TimedOut());
    EXPECT_TRUE(socket->Active());
}

// The server asks for a reconnect instead of answering: the statement's connection is gone, and the new
// connection's login reply is no answer to it.
TEST_F(ScriptedSocket, AReconnectRequestLosesTheRequestInFlight) {
    Connect();
    Answer([this](TOrdoStringLine&) { peer.Reply(Line(mcReconnect)); });
    Request(mcExecSQL, 1);
    EXPECT_EQ(End(), TRequestEnd::reLost);
    Settle();
    EXPECT_TRUE(socket->Active()) << "the reconnect itself went through";
}

TEST_F(ScriptedSocket, AQuitWhileTheFrameIsWrittenGivesItUpAtOnce) {
    Connect();
    peer.StopReading();  // and no time limit: only the quit can end the write
    clock.After(1000, [] { PostQuitMessage(0); });
    const std::uint32_t start = clock.Ticks();
    Request(mcExecSQL, 0, std::string(100'000, 'x'));
    EXPECT_EQ(End(), TRequestEnd::reAbandoned);
    EXPECT_LT(clock.Ticks() - start, 1100u);
    EXPECT_FALSE(socket->Active()) << "the server holds a cut frame: the connection cannot go on";
}

TEST_F(ScriptedSocket, NoConnectionNoRequest) {
    EXPECT_EQ(Request(), "");
    EXPECT_EQ(End(), TRequestEnd::reNotSent);
    EXPECT_EQ(peer.Connections(), 0);
}

// A line attached to the next request (a queued file's identity) must never reach the server on its own or ahead
// of other work: it goes in the same write as the next select or execute, or it is gone.
TEST_F(ScriptedSocket, AnAttachedLineTravelsOnlyInTheSameWriteAsTheNextSelectOrExecute) {
    struct Case {
        const char* name;
        bool connected;
        std::uint8_t firstRequest;           // sent before the statement (0: none)
        std::size_t failWritesAfter;         // 0: writes succeed
        std::vector<std::uint8_t> tokens;    // what the server read whole, in order
        TRequestEnd end;                     // how the statement's request ended
    } cases[] = {
        {"execute", true, 0, 0, {mcCodedParamList, mcExecSQL}, TRequestEnd::reReplied},
        {"select", true, 0, 0, {mcCodedParamList, mcSelectSQL}, TRequestEnd::reReplied},
        {"a fetch first passes it by", true, mcFetchPacket, 0, {mcFetchPacket, mcCodedParamList, mcExecSQL},
         TRequestEnd::reReplied},
        {"no connection: dropped", false, 0, 0, {}, TRequestEnd::reNotSent},
        {"broken inside the line: neither arrives", true, 0, 10, {}, TRequestEnd::reLost},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        peer.OnRequest = [this](TOrdoStringLine& request) {
            if (request.Token() != mcCodedParamList) peer.Reply(Line(mcAck, request.DataSetId()));
        };
        if (c.connected) Connect();
        const std::size_t before = peer.Tokens().size();
        if (c.firstRequest != 0) (void)Request(c.firstRequest, 1, "");
        TOrdoStringLine identity = Line(mcCodedParamList, 0);
        identity.AddInteger(-75290);
        socket->AttachToNextRequest(std::move(identity));
        if (c.failWritesAfter != 0) peer.FailWritesAfter(c.failWritesAfter);
        const std::uint8_t code = c.name[0] == 's' ? mcSelectSQL : mcExecSQL;
        (void)Request(code, 1);
        EXPECT_FALSE(socket->HasAttachedLine());
        EXPECT_EQ(std::vector<std::uint8_t>(peer.Tokens().begin() + static_cast<std::ptrdiff_t>(before),
                                            peer.Tokens().end()),
                  c.tokens);
        EXPECT_NE(End(), TRequestEnd::reNone);
        EXPECT_EQ(End(), c.end);
        TearDown();
    }
}

// --- the update's messages without the update library ------------------------------------------

TEST_F(ScriptedSocket, WithoutAnAttachedUpdateItsMessagesAreRefusedAndTheProgramGoesOn) {
    std::vector<std::string> errors;
    socket->OnDispatchError = [&](TOrdoClientSocket&, const std::string& text) { errors.push_back(text); };
    Connect();
    socket->SetProgressBar(true);
    TOrdoParamList segment;
    segment.FastAdd("LocalFileName", Variant("data.bin"));
    TOrdoStringLine segmentLine = Line(mcCodedParamList);
    segmentLine.AddInteger(-75008);
    segmentLine.AddItem(segment.SaveToString(false), itString);
    segmentLine.AddInteger(0);
    TOrdoStringLine stream = Line(mcUpdateFile);
    stream.AddStream(Bytes{1, 2, 3});
    peer.Reply(Line(mcUpdateBegin));
    peer.Reply(std::move(segmentLine));
    peer.Reply(std::move(stream));
    Settle();
    EXPECT_EQ(errors, std::vector<std::string>(3, kNoClientUpdateText));
    // The stream's end still switches the progress off, as it does after an update that fails.
    EXPECT_FALSE(socket->ProgressBar());
    EXPECT_EQ(terminations, 0);
    EXPECT_TRUE(socket->Active());
}

}  // namespace
}  // namespace ordo
