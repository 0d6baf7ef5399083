// Which message answers which request, and how each request ends, decided without any I/O: decoded messages and
// socket events go in, outcomes come out.
#include <gtest/gtest.h>

#include "codec/message_codes.h"
#include "net/reply_state.h"

namespace ordo {
namespace {

TEST(ReplyJudge, WhichMessageCanAnswerWhichRequest) {
    constexpr std::int32_t kMine = 3;
    struct Case {
        TRequestKind kind;
        std::uint8_t code;
        std::int32_t dataSetId;
        bool answers;
    } cases[] = {
        {TRequestKind::rkData, mcAck, kMine, true},
        {TRequestKind::rkData, mcAck, 0, true},  // the server's generic answers name no data set
        {TRequestKind::rkData, mcAck, 4, false},
        {TRequestKind::rkData, mcRowPacket, kMine, true},
        {TRequestKind::rkData, mcRowPacket11, 99, false},
        {TRequestKind::rkData, mcSQLError, 0, true},
        {TRequestKind::rkData, mcSQLError, 4, false},
        {TRequestKind::rkData, mcCodedParamList, 0, true},
        {TRequestKind::rkData, mcServerException, 0, true},
        {TRequestKind::rkData, mcLogin, 0, false},  // a reconnect's login never answers a statement
        {TRequestKind::rkData, mcTerminate, 0, false},
        {TRequestKind::rkData, mcChatMessage, kMine, false},
        {TRequestKind::rkData, mcUpdateFile, 0, false},
        {TRequestKind::rkLogin, mcLogin, 0, true},
        {TRequestKind::rkLogin, mcSQLError, 0, true},
        {TRequestKind::rkLogin, mcAck, 0, false},
        {TRequestKind::rkLogin, mcRowPacket, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "kind " << static_cast<int>(c.kind) << " code " << int{c.code}
                                          << " id " << c.dataSetId);
        EXPECT_EQ(CanAnswer(c.kind, kMine, TIncomingReply{1, c.code, c.dataSetId}), c.answers);
    }
}

/// One event the socket reports to the state.
struct Event {
    enum Kind { kAck, kError, kOtherAck, kLost, kTimeout, kQuit, kUndecodable, kLoginInside } kind;
};

/// A data request on data set 3, sent with a wait, then the events in order: how it ends and with what text.
TOrdoRequestOutcome Play(std::initializer_list<Event::Kind> events) {
    TOrdoReplyState state;
    std::uint64_t seq = 0;
    const std::uint64_t id = state.Begin(TRequestKind::rkData, 3, true, false);
    state.Expect();
    for (Event::Kind e : events) {
        const TIncomingReply ack{++seq, mcAck, 3};
        switch (e) {
            case Event::kAck: state.Arrived(ack, false); break;
            case Event::kError: {
                const TIncomingReply error{++seq, mcSQLError, 0};
                state.Fail(error, "boom");
                state.Arrived(error, false);
                break;
            }
            case Event::kOtherAck: state.Arrived(TIncomingReply{++seq, mcAck, 4}, false); break;
            case Event::kLost: state.Lost(); break;
            case Event::kTimeout: state.WaitGaveUp(true); break;
            case Event::kQuit: state.WaitGaveUp(false); break;
            case Event::kUndecodable: state.FailedLocally(TIncomingReply{}, "no header"); break;
            case Event::kLoginInside: {
                // The reconnect's login, sent from inside this request's wait, and its reply.
                const std::uint64_t login = state.Begin(TRequestKind::rkLogin, 0, false, false);
                state.Expect();
                state.Arrived(TIncomingReply{++seq, mcLogin, 0}, false);
                EXPECT_EQ(state.End(login).end, TRequestEnd::reReplied);
                break;
            }
        }
    }
    return state.End(id);
}

TEST(ReplyState, EachRequestEndsByItsOwnEventsOnly) {
    struct Case {
        const char* name;
        std::initializer_list<Event::Kind> events;
        TRequestEnd end;
        const char* text;
    } cases[] = {
        {"its reply", {Event::kAck}, TRequestEnd::reReplied, ""},
        {"its error", {Event::kError}, TRequestEnd::reRefused, "boom"},
        {"another data set's reply, then its own", {Event::kOtherAck, Event::kAck}, TRequestEnd::reReplied, ""},
        {"another data set's reply only", {Event::kOtherAck, Event::kTimeout}, TRequestEnd::reTimedOut, ""},
        {"a second reply in the same read", {Event::kAck, Event::kError}, TRequestEnd::reReplied, ""},
        {"a disconnect after the reply", {Event::kAck, Event::kLost}, TRequestEnd::reReplied, ""},
        {"a bad frame after the reply", {Event::kAck, Event::kUndecodable}, TRequestEnd::reReplied, ""},
        {"a time-out after the reply", {Event::kAck, Event::kTimeout}, TRequestEnd::reReplied, ""},
        {"a reconnect's login", {Event::kLost, Event::kLoginInside}, TRequestEnd::reLost, ""},
        {"the limit", {Event::kTimeout}, TRequestEnd::reTimedOut, ""},
        {"a quit", {Event::kQuit}, TRequestEnd::reAbandoned, ""},
        {"a bad frame", {Event::kUndecodable}, TRequestEnd::reFailed, "no header"},
        {"its reply after a loss", {Event::kLost, Event::kAck}, TRequestEnd::reLost, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TOrdoRequestOutcome outcome = Play(c.events);
        EXPECT_EQ(outcome.end, c.end);
        EXPECT_EQ(outcome.text, c.text);
    }
}

TEST(ReplyState, IdsAreNewAndAnEndedRequestIsForgotten) {
    TOrdoReplyState state;
    const std::uint64_t first = state.Begin(TRequestKind::rkData, 1, true, true);
    EXPECT_TRUE(state.RaisePendingError());
    state.NotSent();
    EXPECT_EQ(state.End(first).end, TRequestEnd::reNotSent);
    EXPECT_FALSE(state.RaisePendingError()) << "only for the duration of the request";
    const std::uint64_t second = state.Begin(TRequestKind::rkData, 1, true, false);
    EXPECT_NE(first, second);
    EXPECT_EQ(state.End(first).id, 0u) << "an ended request has no outcome to hand out twice";
    EXPECT_EQ(state.End(second).end, TRequestEnd::rePending) << "sent without a wait, nothing answered it";
    EXPECT_FALSE(state.InFlight());
}

}  // namespace
}  // namespace ordo
