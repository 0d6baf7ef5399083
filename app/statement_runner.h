#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/replay_ports.h"
#include "net/request_outcome.h"

namespace ordo {

/// How a statement travels: opened for its rows, or executed.
enum class TStatementKind { skReturnsRows, skExecute };

/// A statement returns rows when it begins with SELECT, or begins with EXECUTE and holds RETURN or DECLARE
/// (upper-cased, after trimming).
TStatementKind ClassifyStatement(std::string_view sql);

/// What became of one statement: how its own request ended, and what the data set raised, if anything.
struct [[nodiscard]] TStatementResult {
    TOrdoRequestOutcome request;
    /// The data set's exception text (a refusal as the data set raises it, or a failure before sending).
    std::string error;

    [[nodiscard]] bool Confirmed() const noexcept { return request.Confirmed(); }
    /// The server confirmed it and its rows arrived whole.
    [[nodiscard]] bool RowsUsable() const noexcept { return request.Confirmed() && error.empty(); }
};

/// The one road by which the program sends SQL to the server.
class TStatementRunner {
public:
    struct Context {
        IReplaySocket& socket;
        IReplayView& view;
        /// True while the socket is connected; nothing is sent without a connection.
        std::function<bool()> connected;
        /// The user name the server sees: the local address and the installation's DMGID.
        std::function<std::string()> userName;
        /// When set, no reply is awaited longer than this, selects included.
        std::optional<std::uint32_t> replyTimeLimit = std::nullopt;
    };

    explicit TStatementRunner(Context context) : ctx_(std::move(context)) {}

    /// Sends one statement on `dataSet` and says how its request ended. Rows of an opened statement stay in
    /// the data set. Raises nothing the request itself raised: a refusal comes back in the result.
    TStatementResult Run(const std::string& sql, IReplayDataSet& dataSet);

    /// The program's own form of Run: 0 when the server confirmed the statement, -1 when it was not sent or not
    /// confirmed; what the data set raised passes through as an exception.
    int RunStatement(const std::string& sql, IReplayDataSet& dataSet);

    /// Caps every reply wait from now on (none: the program's own limits alone).
    void SetReplyTimeLimit(std::optional<std::uint32_t> milliseconds) noexcept { ctx_.replyTimeLimit = milliseconds; }

private:
    /// Sets the socket's limit as the program always has, lowered to the cap when one is set.
    void ApplyTimeLimit(bool programSetsOne);
    Context ctx_;
    std::uint32_t programLimit_ = 0;  ///< what the socket's limit is without the cap (it stays set between waits)
};

}  // namespace ordo
