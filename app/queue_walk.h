#pragma once
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "app/replay_ports.h"
#include "app/statement_runner.h"

namespace ordo {

/// The three fields a "SetGRNY" command line carries.
struct TRebuildCommand {
    std::string buyerCode;
    std::string buyerName;
    std::string startDate;
};

/// True when a queue file's content is a balance rebuild command rather than a statement.
bool IsCommandText(std::string_view content);
/// The buyer code, buyer name and start date of a command line (fields 1, 2 and 3, trimmed).
TRebuildCommand ParseCommand(std::string_view content);

/// One pass over the queue folder: statements are run, commands rebuild a ledger, and a file is deleted only
/// when its work succeeded.
class TQueueWalk {
public:
    struct Context {
        std::string queueFolder;  ///< ends with '/'
        TStatementRunner& runner;
        IReplayDataSet& dataSet;  ///< the data set statements are run on
        IReplayView& view;
        std::function<bool(const TRebuildCommand&)> rebuildBalance;
        /// Checked between files, so a stop request ends the pass before the next file starts.
        std::function<bool()> stopping;
    };

    explicit TQueueWalk(Context context) : ctx_(std::move(context)) {}

    /// Walks the queue once. The bar is hidden and the window closed whatever happens; an exception of a statement
    /// ends the walk at its file and passes on, leaving that file and those after it in place.
    void ReplayQueue();

    /// The name of the file whose work is under way, or was when the walk ended; empty before the first file.
    [[nodiscard]] const std::string& CurrentFile() const noexcept { return currentFile_; }

private:
    void ReplayFile(const std::string& name);
    void ReplayCommand(const std::string& path, std::string_view content);

    Context ctx_;
    std::string currentFile_;
    /// The last command that succeeded in this pass; none at the start, so an empty command is never taken for a
    /// repeat of nothing.
    std::optional<std::pair<std::string, std::string>> lastCommand_;
};

}  // namespace ordo
