#pragma once
// How one request ended, as a value its caller keeps. Every request the socket sends gets an id of its own,
// and nothing that happens after its end (a later message, a disconnect, another request) changes what the
// caller was handed: a queue file is deleted or kept on this value alone.
#include <cstdint>
#include <string>

namespace ordo {

/// How a request ended.
enum class TRequestEnd : std::uint8_t {
    reNone = 0,   ///< no request yet
    rePending,    ///< sent; its reply is still awaited
    reReplied,    ///< the server answered it without an error
    reRefused,    ///< the server answered it with an error (its text in the outcome)
    reFailed,     ///< its reply arrived but could not be read or handled (the reason in the outcome)
    reLost,       ///< the connection ended before the reply, or the request could not be written whole
    reTimedOut,   ///< the time limit passed before the reply
    reAbandoned,  ///< the wait was given up for another reason (the program is ending)
    reNotSent,    ///< nothing was sent: no connection, or another wait owned it
};

/// A short English name of the end, for messages and test output.
const char* RequestEndName(TRequestEnd end) noexcept;

struct [[nodiscard]] TOrdoRequestOutcome {
    std::uint64_t id = 0;  ///< 0: no request was made
    TRequestEnd end = TRequestEnd::reNone;
    /// The server's text for a refused request, or why a reply could not be read; empty otherwise.
    std::string text;

    /// The server confirmed the work.
    [[nodiscard]] bool Confirmed() const noexcept { return end == TRequestEnd::reReplied; }
    /// The server may have run the work without the client learning it (lost, timed out, abandoned).
    [[nodiscard]] bool Unknown() const noexcept {
        return end == TRequestEnd::reLost || end == TRequestEnd::reTimedOut || end == TRequestEnd::reAbandoned;
    }
};

}  // namespace ordo
