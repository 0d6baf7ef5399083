#include "net/reply_state.h"

#include <algorithm>

#include "platform/codepage.h"

namespace ordo {
namespace {

// A request marked failed must never read as a success, even when its failure came without words.
constexpr const char* kWordlessFailure = "Server Error";

}  // namespace

const char* RequestEndName(TRequestEnd end) noexcept {
    switch (end) {
        case TRequestEnd::reNone: return "no request";
        case TRequestEnd::rePending: return "pending";
        case TRequestEnd::reReplied: return "confirmed";
        case TRequestEnd::reRefused: return "refused by the server";
        case TRequestEnd::reFailed: return "reply could not be read";
        case TRequestEnd::reLost: return "connection lost";
        case TRequestEnd::reTimedOut: return "timed out";
        case TRequestEnd::reAbandoned: return "abandoned";
        case TRequestEnd::reNotSent: return "not sent";
    }
    return "unknown";
}

std::uint64_t TOrdoReplyState::Begin(TRequestKind kind, std::int32_t dataSetId, bool collects,
                                     bool raisePendingError) {
    TRecord record;
    record.id = nextId_++;
    record.kind = kind;
    record.dataSetId = dataSetId;
    record.collects = collects;
    if (collects) {
        errorArrived_ = false;
        pendingError_.clear();
    }
    if (raisePendingError) {
        record.raiseSet = true;
        raisePendingError_ = true;
    }
    open_.push_back(std::move(record));
    lastEnd_ = TRequestEnd::rePending;
    return open_.back().id;
}

TOrdoRequestOutcome TOrdoReplyState::End(std::uint64_t id) {
    auto it = std::find_if(open_.begin(), open_.end(), [id](const TRecord& r) { return r.id == id; });
    if (it == open_.end()) return {};
    TOrdoRequestOutcome outcome{it->id, it->end, it->text};
    if (outcome.end == TRequestEnd::reReplied && it->refused) outcome.end = TRequestEnd::reRefused;
    if (outcome.end != TRequestEnd::reRefused && outcome.end != TRequestEnd::reFailed) outcome.text.clear();
    // Requests begun inside this one and never ended (an exception went through them) end with it.
    for (auto r = it; r != open_.end(); ++r)
        if (r->raiseSet) raisePendingError_ = false;
    open_.erase(it, open_.end());
    lastEnd_ = outcome.end;
    return outcome;
}

void TOrdoReplyState::Expect() noexcept {
    if (TRecord* r = Innermost(); r != nullptr && r->end == TRequestEnd::rePending) ++r->owed;
}

void TOrdoReplyState::NotSent() noexcept {
    if (TRecord* r = Innermost(); r != nullptr && r->end == TRequestEnd::rePending) r->end = TRequestEnd::reNotSent;
}

void TOrdoReplyState::WaitGaveUp(bool timedOut) noexcept {
    if (TRecord* r = Innermost(); r != nullptr && r->end == TRequestEnd::rePending)
        r->end = timedOut ? TRequestEnd::reTimedOut : TRequestEnd::reAbandoned;
}

bool TOrdoReplyState::Lost() noexcept {
    // Whatever was owed on a connection that is gone never comes, for the outer requests as much as the inner.
    for (TRecord& r : open_) {
        if (r.end == TRequestEnd::rePending) r.end = TRequestEnd::reLost;
        r.owed = 0;
    }
    return true;
}

bool TOrdoReplyState::Answers(const TIncomingReply& reply) const noexcept {
    const TRecord* r = Innermost();
    if (r == nullptr || !CanAnswer(r->kind, r->dataSetId, reply)) return false;
    return r->end == TRequestEnd::rePending || (reply.seq != 0 && r->answeredBy == reply.seq);
}

TOrdoReplyState::TRecord* TOrdoReplyState::AnsweredBy(const TIncomingReply& reply) noexcept {
    return Answers(reply) ? Innermost() : nullptr;
}

bool TOrdoReplyState::Arrived(const TIncomingReply& reply, bool force) noexcept {
    TRecord* r = AnsweredBy(reply);
    if (r == nullptr || r->end != TRequestEnd::rePending) return false;
    if (r->owed > 0) --r->owed;
    if (!force && r->owed > 0) return false;
    r->end = TRequestEnd::reReplied;
    r->answeredBy = reply.seq;
    return true;
}

void TOrdoReplyState::Fail(const TIncomingReply& reply, std::string text) {
    TRecord* r = AnsweredBy(reply);
    if (r == nullptr) return;
    if (text.empty()) text = kWordlessFailure;
    r->refused = true;
    r->text = text;
    errorArrived_ = true;
    pendingError_ = std::move(text);
}

void TOrdoReplyState::FailOutside(std::string text) {
    errorArrived_ = true;
    pendingError_ = text.empty() ? std::string(kWordlessFailure) : std::move(text);
}

void TOrdoReplyState::ClearError(const TIncomingReply& reply) noexcept {
    TRecord* r = AnsweredBy(reply);
    if (r == nullptr && InFlight()) return;
    if (r != nullptr) {
        r->refused = false;
        r->text.clear();
    }
    errorArrived_ = false;
    pendingError_.clear();
}

void TOrdoReplyState::Unreported(const TIncomingReply& reply) noexcept {
    TRecord* r = AnsweredBy(reply);
    if (r == nullptr && InFlight()) return;
    if (r != nullptr) {
        r->refused = true;
        r->text.clear();
    }
    errorArrived_ = true;
    pendingError_.clear();
}

void TOrdoReplyState::KeepText(const TIncomingReply& reply, std::string text) {
    TRecord* r = AnsweredBy(reply);
    if (r == nullptr && InFlight()) return;
    if (r != nullptr) r->text = text;
    pendingError_ = std::move(text);
}

bool TOrdoReplyState::FailedLocally(const TIncomingReply& reply, std::string text) {
    // Bytes that never became a message could have been anything, the awaited reply included.
    TRecord* r = reply.seq == 0 ? Innermost() : AnsweredBy(reply);
    if (r == nullptr) return false;
    const bool answeredHere = reply.seq != 0 && r->answeredBy == reply.seq;
    if (r->end != TRequestEnd::rePending && !answeredHere) return false;
    r->answeredBy = reply.seq;
    if (r->refused) {  // the server's own refusal says more than what failed after it
        r->end = TRequestEnd::reReplied;
        return true;
    }
    r->end = TRequestEnd::reFailed;
    r->text = text.empty() ? std::string(kWordlessFailure) : text;
    errorArrived_ = true;
    pendingError_ = r->text;
    return true;
}

bool TOrdoReplyState::Pending() const noexcept {
    const TRecord* r = Innermost();
    return r != nullptr && r->end == TRequestEnd::rePending;
}

bool TOrdoReplyState::RequestWaiting() const noexcept {
    const TRecord* r = Innermost();
    return r != nullptr && r->collects && r->end == TRequestEnd::rePending;
}

int TOrdoReplyState::OutstandingReplies() const noexcept {
    int owed = 0;
    for (const TRecord& r : open_)
        if (r.end == TRequestEnd::rePending) owed += r.owed;
    return owed;
}

TRequestEnd TOrdoReplyState::LastEnd() const noexcept {
    const TRecord* r = Innermost();
    return r != nullptr ? r->end : lastEnd_;
}

std::string TOrdoReplyState::TakePendingError() noexcept {
    std::string text;
    text.swap(pendingError_);
    return text;
}

std::string TOrdoReplyState::TakeServerError() {
    std::string text;
    if (errorArrived_ && !pendingError_.empty()) text = AnsiLiteral("[서버 에러]") + pendingError_;
    // Whatever a reply left behind belongs to the request just finished, not to the next.
    pendingError_.clear();
    errorArrived_ = false;
    return text;
}

void TOrdoReplyState::Reset() noexcept {
    pendingError_.clear();
    errorArrived_ = false;
}

}  // namespace ordo
