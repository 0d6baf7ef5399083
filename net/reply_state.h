#pragma once
// The requests the client socket has under way and how each one ended. Every request gets an id and a record
// of its own; a message changes a request only when it can be that request's answer (reply_judge.h) and the
// request is still pending, so a stray reply, a reply naming another data set, a second reply in the same
// read or a login sent from inside a reconnect never completes or fails a request that is not its own.
// Records nest only when a request is sent from inside another one's wait (the login after a reconnect).
//
// The socket-wide fields the design publishes (PendingError, ErrorArrived, RequestWaiting, ...) stay here too,
// for the events and properties that read them; no decision about a request is taken from them.
#include <cstdint>
#include <string>
#include <vector>

#include "net/reply_judge.h"
#include "net/request_outcome.h"

namespace ordo {

class TOrdoReplyState {
public:
    // --- requests --------------------------------------------------------------------------------
    /// A request is about to be sent. `collects`: it collects the server's error text itself after the wait.
    /// With `raisePendingError` an SQL error that arrives while no request collects is raised at once.
    std::uint64_t Begin(TRequestKind kind, std::int32_t dataSetId, bool collects, bool raisePendingError);
    /// The request is over, however it ended: its outcome. Ends the requests begun inside it too.
    TOrdoRequestOutcome End(std::uint64_t id);
    /// The request was sent and its reply is awaited.
    void Expect() noexcept;
    /// The request could not be sent at all.
    void NotSent() noexcept;
    /// The wait of the innermost request ended without its reply: by its limit, or abandoned.
    void WaitGaveUp(bool timedOut) noexcept;
    /// The connection is gone: every request still pending is lost. True (a running wait is to end).
    bool Lost() noexcept;

    // --- messages ----------------------------------------------------------------------------------
    /// True when `reply` answers the innermost request and that request is still pending, or already
    /// ended by this very message (its handler may still add the text that came with it).
    [[nodiscard]] bool Answers(const TIncomingReply& reply) const noexcept;
    /// A reply was dispatched: when it answers the request, one reply fewer is owed. True when the wait is
    /// to end (nothing owed any more, or forced).
    bool Arrived(const TIncomingReply& reply, bool force) noexcept;
    /// An error reply: when it answers the request, the request is refused with this text.
    void Fail(const TIncomingReply& reply, std::string text);
    /// The server said there was no error after all.
    void ClearError(const TIncomingReply& reply) noexcept;
    /// An error arrived that is not to be reported as one: its rows are ignored, no text is collected.
    void Unreported(const TIncomingReply& reply) noexcept;
    /// A text the answer carries (a coded list, error text or blob message), kept for the request.
    void KeepText(const TIncomingReply& reply, std::string text);
    /// A message arrived that could not be read or handled. An undecoded one (seq 0) and one that answers
    /// the request fail the pending request with `text`; true when it did.
    bool FailedLocally(const TIncomingReply& reply, std::string text);

    // --- what the design's properties show ---------------------------------------------------------
    [[nodiscard]] bool RequestWaiting() const noexcept;
    [[nodiscard]] bool RaisePendingError() const noexcept { return raisePendingError_; }
    /// After a raise the flag is spent.
    void ClearRaisePendingError() noexcept { raisePendingError_ = false; }
    [[nodiscard]] int OutstandingReplies() const noexcept;
    /// How the request last ended (or rePending while one runs).
    [[nodiscard]] TRequestEnd LastEnd() const noexcept;
    /// A request is open.
    [[nodiscard]] bool InFlight() const noexcept { return !open_.empty(); }
    /// The innermost request still awaits its answer.
    [[nodiscard]] bool Pending() const noexcept;
    [[nodiscard]] bool ErrorArrived() const noexcept { return errorArrived_; }
    [[nodiscard]] const std::string& PendingError() const noexcept { return pendingError_; }
    /// Keeps a text without marking a failure (for senders outside any request).
    void SetPendingError(std::string text) { pendingError_ = std::move(text); }
    /// An SQL error outside any request: kept as the design keeps it.
    void FailOutside(std::string text);
    /// Hands out the kept text and forgets it.
    std::string TakePendingError() noexcept;
    /// The failure text of the request just finished, tagged; empty when it did not fail (or its error is
    /// not reported). Forgets it.
    std::string TakeServerError();
    /// Forgets the kept text, as before a fresh exchange.
    void Reset() noexcept;

private:
    struct TRecord {
        std::uint64_t id = 0;
        TRequestKind kind = TRequestKind::rkData;
        std::int32_t dataSetId = 0;
        bool collects = false;
        bool raiseSet = false;
        int owed = 0;
        TRequestEnd end = TRequestEnd::rePending;
        std::uint64_t answeredBy = 0;  ///< the message that ended it
        bool refused = false;
        std::string text;
    };
    [[nodiscard]] TRecord* Innermost() noexcept { return open_.empty() ? nullptr : &open_.back(); }
    [[nodiscard]] const TRecord* Innermost() const noexcept { return open_.empty() ? nullptr : &open_.back(); }
    /// The innermost request when `reply` answers it, else none.
    TRecord* AnsweredBy(const TIncomingReply& reply) noexcept;

    std::vector<TRecord> open_;
    std::uint64_t nextId_ = 1;
    TRequestEnd lastEnd_ = TRequestEnd::reNone;
    std::string pendingError_;
    bool errorArrived_ = false;
    bool raisePendingError_ = false;
};

}  // namespace ordo
