#include "app/replay_verdict.h"

#include <array>

#include "app/command_line.h"
#include "core/text_convert.h"

namespace ordo {
namespace {

/// Phrases of a busy database: lock conflicts and time-outs, deadlocks, a database file another process holds.
constexpr std::array<std::string_view, 5> kBusyPhrases = {"LOCK CONFLICT", "LOCK TIME-OUT", "DEADLOCK", "IS IN USE",
                                                          "DATABASE IS BUSY"};

std::string_view WithoutTag(std::string_view text) {
    // The data set's text carries the socket's tag in front of the server's words.
    const std::size_t close = text.find(']');
    if (!text.empty() && text.front() == '[' && close != std::string_view::npos) text.remove_prefix(close + 1);
    return Trim(text);
}

TFileVerdict Kept(TFailureKind kind, bool endsWalk, std::string reason) {
    return TFileVerdict{false, kind, endsWalk, std::move(reason)};
}

/// A request that did not end confirmed: whether it may pass, whether the walk can go on, and why.
TFileVerdict Unconfirmed(const TStatementResult& result, bool refusalEndsWalk) {
    const TOrdoRequestOutcome& r = result.request;
    const std::string said = result.error.empty() ? std::string(WithoutTag(r.text)) : std::string(WithoutTag(result.error));
    switch (r.end) {
        case TRequestEnd::reRefused: {
            const TFailureKind kind = IsPassingServerError(said) ? TFailureKind::fkPassing : TFailureKind::fkLasting;
            return Kept(kind, refusalEndsWalk, "the server refused it: " + said);
        }
        case TRequestEnd::reFailed:
            return Kept(TFailureKind::fkLasting, true, "its reply could not be read: " + said);
        case TRequestEnd::reLost:
            return Kept(TFailureKind::fkPassing, true, "the connection was lost before the server confirmed it");
        case TRequestEnd::reTimedOut:
            return Kept(TFailureKind::fkPassing, true, "no reply came within the time limit");
        case TRequestEnd::reAbandoned:
            return Kept(TFailureKind::fkPassing, true, "the run was stopped before the server's reply came");
        case TRequestEnd::reNotSent:
            return Kept(TFailureKind::fkPassing, true,
                        said.empty() ? std::string("not sent: there is no connection") : "not sent: " + said);
        case TRequestEnd::reNone:
        case TRequestEnd::rePending:
        case TRequestEnd::reReplied:
            break;
    }
    return Kept(TFailureKind::fkPassing, true, "the server did not confirm it");
}

}  // namespace

bool IsPassingServerError(std::string_view text) {
    const std::string upper = UpperCase(text);
    for (std::string_view phrase : kBusyPhrases)
        if (upper.find(phrase) != std::string::npos) return true;
    return false;
}

TFileVerdict StatementVerdict(const TStatementResult& result) {
    if (result.Confirmed()) return TFileVerdict{true, TFailureKind::fkNone, false, {}};
    // A statement the server refused ends the walk: the files after it may depend on it.
    return Unconfirmed(result, true);
}

TFileVerdict RebuildVerdict(const TRebuildResult& result) {
    using TStage = TRebuildResult::TStage;
    switch (result.failedAt) {
        case TStage::rsDone:
            return TFileVerdict{true, TFailureKind::fkNone, false, {}};
        case TStage::rsCompute:
            return Kept(TFailureKind::fkLasting, false,
                        "the ledger could not be computed (" + result.reason + "); nothing was written");
        case TStage::rsQuery: {
            TFileVerdict v = Unconfirmed(result.request, false);
            v.reason = "the ledger query failed, nothing was written: " + v.reason;
            return v;
        }
        case TStage::rsWrite: {
            TFileVerdict v = Unconfirmed(result.request, false);
            v.reason = "write " + std::to_string(result.writesConfirmed + 1) + " of " +
                       std::to_string(result.writesPlanned) + " failed, the next run rebuilds the ledger again: " +
                       v.reason;
            return v;
        }
    }
    return Kept(TFailureKind::fkLasting, false, "the rebuild ended in an unknown state");
}

int ExitStatusOf(const TRunSummary& summary) noexcept {
    if (summary.lastingFailure) return kExitWalkError;
    if (summary.passingFailure || summary.gaveUpConnecting || summary.filesLeft > 0) return kExitTryLater;
    return kExitDone;
}

}  // namespace ordo
