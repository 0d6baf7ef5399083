#pragma once
#include <functional>
#include <string>
#include <string_view>

#include "app/replay_ports.h"

namespace ordo {

/// How a statement travels: opened for its rows, or executed.
enum class TStatementKind { skReturnsRows, skExecute };

/// A statement returns rows when it begins with SELECT, or begins with EXECUTE and holds RETURN or DECLARE
/// (upper-cased, after trimming).
TStatementKind ClassifyStatement(std::string_view sql);

/// The one road by which the program sends SQL to the server.
class TStatementRunner {
public:
    struct Context {
        IReplaySocket& socket;
        IReplayView& view;
        /// True while the socket is connected; read before and after each statement.
        std::function<bool()> connected;
        /// The user name the server sees: the local address and the installation's DMGID.
        std::function<std::string()> userName;
    };

    explicit TStatementRunner(Context context) : ctx_(std::move(context)) {}

    /// Sends one statement on `dataSet`: 0 when the server confirmed it, -1 when it was not sent or not confirmed.
    /// Server errors pass through as exceptions. Rows of an opened statement stay in the data set.
    int RunStatement(const std::string& sql, IReplayDataSet& dataSet);

private:
    int Outcome();
    Context ctx_;
};

}  // namespace ordo
