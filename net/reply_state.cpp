#include "net/reply_state.h"

#include "platform/codepage.h"

namespace ordo {
namespace {

// A request marked failed must never read as a success, even when its failure came without words.
constexpr const char* kWordlessFailure = "Server Error";

}  // namespace

void TOrdoReplyState::BeginRequest(bool raisePendingError) noexcept {
    errorArrived_ = false;
    pendingError_.clear();
    requestWaiting_ = true;
    raiseSetByRequest_ = raisePendingError;
    if (raisePendingError) raisePendingError_ = true;
    end_ = TRequestEnd::rePending;
}

void TOrdoReplyState::EndRequest() noexcept {
    requestWaiting_ = false;
    if (raiseSetByRequest_) raisePendingError_ = false;
    raiseSetByRequest_ = false;
}

void TOrdoReplyState::Expect() noexcept {
    ++outstanding_;
    end_ = TRequestEnd::rePending;
}

bool TOrdoReplyState::Arrived(bool force) noexcept {
    if (outstanding_ > 0) --outstanding_;
    const bool stop = force || outstanding_ == 0;
    if (stop && end_ == TRequestEnd::rePending) end_ = TRequestEnd::reReplied;
    requestWaiting_ = false;
    return stop;
}

bool TOrdoReplyState::Lost() noexcept {
    // Replies owed on a connection that is gone never come; counting them on would stall the next wait.
    outstanding_ = 0;
    requestWaiting_ = false;
    if (end_ == TRequestEnd::rePending) end_ = TRequestEnd::reLost;
    return true;
}

void TOrdoReplyState::WaitGaveUp(bool timedOut) noexcept {
    if (end_ == TRequestEnd::rePending) end_ = timedOut ? TRequestEnd::reTimedOut : TRequestEnd::reAbandoned;
}

void TOrdoReplyState::Fail(std::string text) {
    errorArrived_ = true;
    pendingError_ = text.empty() ? std::string(kWordlessFailure) : std::move(text);
}

void TOrdoReplyState::ClearError() noexcept {
    errorArrived_ = false;
    pendingError_.clear();
}

void TOrdoReplyState::Unreported() noexcept {
    errorArrived_ = true;
    pendingError_.clear();
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
