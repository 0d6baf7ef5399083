#pragma once
// What the walk does with a queue file once its work has ended, and what the run's exit status is. Decided from
// values alone (how each request ended, what the rebuild reached), so every case is a row in a table.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/balance_rebuild.h"
#include "app/statement_runner.h"

namespace ordo {

/// Whether a failure will pass by itself.
enum class TFailureKind : std::uint8_t {
    fkNone,     ///< no failure
    fkPassing,  ///< a later run may get past it without anyone acting (exit status 75)
    fkLasting,  ///< it will fail the same way again until someone acts (exit status 1)
};

/// What becomes of one queue file.
struct TFileVerdict {
    bool done = false;      ///< its work is confirmed: the file goes (when it is still the version that was sent)
    TFailureKind failure = TFailureKind::fkNone;
    bool endsWalk = false;  ///< nothing after it can succeed in this run
    std::string reason;     ///< why it stays, for the file's line on stderr
};

/// A server error that a later run may get past by itself: the database was busy (a lock, another process
/// holding it), not wrong.
[[nodiscard]] bool IsPassingServerError(std::string_view text);

/// A statement file's verdict from how its request ended.
[[nodiscard]] TFileVerdict StatementVerdict(const TStatementResult& result);
/// A "SetGRNY" file's verdict from how its rebuild ended.
[[nodiscard]] TFileVerdict RebuildVerdict(const TRebuildResult& result);

/// What a run leaves behind, for its exit status.
struct TRunSummary {
    bool lastingFailure = false;  ///< some file failed in a way that will repeat
    bool passingFailure = false;  ///< some file failed in a way that may pass
    bool gaveUpConnecting = false;
    bool stoppedBySignal = false;
    std::size_t filesLeft = 0;    ///< queue files still there when the run ended
};

/// 0: the queue is empty; 1: something will fail again until someone acts; 75: work is left that a later
/// run may do by itself.
[[nodiscard]] int ExitStatusOf(const TRunSummary& summary) noexcept;

}  // namespace ordo
