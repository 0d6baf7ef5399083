#pragma once
// What the client socket knows about the request in flight: how many replies are still owed, the
// server's error text kept for the request, and how the request ended. One request at a time travels,
// so there is one such state per socket; the data sets reach it only through the socket's Request.
#include <cstdint>
#include <string>

namespace ordo {

/// How the request last sent ended.
enum class TRequestEnd : std::uint8_t {
    reNone = 0,    ///< no request yet
    rePending,     ///< sent; its reply is still awaited
    reReplied,     ///< its reply arrived (an error reply too: see ErrorArrived)
    reLost,        ///< the connection ended, or the request could not be written whole
    reTimedOut,    ///< the wait's time limit passed first
    reAbandoned,   ///< the wait ended for another reason (the quit message)
    reNotSent,     ///< nothing was sent: no connection, or another wait owned it
};

class TOrdoReplyState {
public:
    // --- the request that collects its own error ----------------------------------------------
    /// A request is about to be sent: no error has arrived for it yet; it collects its text itself.
    /// With `raisePendingError` an SQL error that arrives while it is not collecting is raised at once.
    void BeginRequest(bool raisePendingError) noexcept;
    /// The request is over, however it ended.
    void EndRequest() noexcept;
    [[nodiscard]] bool RequestWaiting() const noexcept { return requestWaiting_; }
    [[nodiscard]] bool RaisePendingError() const noexcept { return raisePendingError_; }
    /// After a raise the flag is spent.
    void ClearRaisePendingError() noexcept { raisePendingError_ = false; }

    // --- replies owed ------------------------------------------------------------------------
    /// One more reply is awaited.
    void Expect() noexcept;
    /// A reply was dispatched; true when the wait is to end (no reply owed any more, or forced).
    /// Ends the request's collecting.
    bool Arrived(bool force) noexcept;
    /// The connection is gone: nothing owed will come. True (the wait is to end).
    bool Lost() noexcept;
    /// The request could not be sent at all.
    void NotSent() noexcept { end_ = TRequestEnd::reNotSent; }
    /// The wait ended without a reply: by its limit, or abandoned.
    void WaitGaveUp(bool timedOut) noexcept;
    [[nodiscard]] int OutstandingReplies() const noexcept { return outstanding_; }
    [[nodiscard]] TRequestEnd LastEnd() const noexcept { return end_; }
    /// A request or a reply wait is under way.
    [[nodiscard]] bool InFlight() const noexcept { return requestWaiting_ || outstanding_ > 0; }

    // --- the server's error text ----------------------------------------------------------------
    /// The request failed with this text (an SQL error, a server exception, a reply that did not decode).
    void Fail(std::string text);
    /// The server said there was no error after all: the request carries none.
    void ClearError() noexcept;
    /// An error arrived that is not to be reported as one (the error handling asks for no exceptions):
    /// its rows are ignored, and the request collects no text.
    void Unreported() noexcept;
    [[nodiscard]] bool ErrorArrived() const noexcept { return errorArrived_; }
    [[nodiscard]] const std::string& PendingError() const noexcept { return pendingError_; }
    /// Keeps a text for the request without marking it failed (error text and coded replies).
    void SetPendingError(std::string text) { pendingError_ = std::move(text); }
    /// Hands out the kept text and forgets it.
    std::string TakePendingError() noexcept;
    /// The failure text of the request just finished, tagged; empty when it did not fail (or its error is
    /// not reported). Forgets it.
    std::string TakeServerError();
    /// Forgets everything of the last request, as before a fresh exchange.
    void Reset() noexcept;

private:
    int outstanding_ = 0;
    std::string pendingError_;
    bool errorArrived_ = false;
    bool requestWaiting_ = false;
    bool raisePendingError_ = false;
    bool raiseSetByRequest_ = false;
    TRequestEnd end_ = TRequestEnd::reNone;
};

}  // namespace ordo
