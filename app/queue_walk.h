#pragma once
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "app/balance_rebuild.h"
#include "app/replay_ports.h"
#include "app/replay_verdict.h"
#include "app/statement_runner.h"
#include "platform/queue_folder.h"

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
/// A queue file's text as it is sent: a UTF-8 byte-order mark dropped, every line ended by CR LF.
std::string QueueText(std::string_view bytes);

/// One pass over the queue folder: statements are run, commands rebuild a ledger, and a file is deleted only
/// when the server confirmed its own work and it is still the version that was sent.
class TQueueWalk {
public:
    struct Context {
        TQueueFolder& folder;
        TStatementRunner& runner;
        IReplayDataSet& dataSet;  ///< the data set statements are run on
        IReplayView& view;
        std::function<TRebuildResult(const TRebuildCommand&)> rebuild;
        /// Checked between files, so a stop request ends the pass before the next file starts.
        std::function<bool()> stopping;
        /// Told of every file that stays for a reason (the file's name and the verdict).
        std::function<void(const std::string& name, const TFileVerdict&)> report;
        /// Runs right before a statement file's request is sent (the file as read).
        std::function<void(const TQueuedFile&)> beforeStatement;
        /// Runs when that request has ended, however it ended (an exception included).
        std::function<void()> afterStatement;
    };

    explicit TQueueWalk(Context context) : ctx_(std::move(context)) {}

    /// Walks the queue once. The bar is hidden and the window closed whatever happens. A verdict that ends the
    /// walk leaves its file and those after it in place.
    void ReplayQueue();

    /// The name of the file whose work is under way, or was when the walk ended; empty before the first file.
    [[nodiscard]] const std::string& CurrentFile() const noexcept { return currentFile_; }
    /// What the walk met: failures that pass, failures that last, a stop request.
    [[nodiscard]] const TRunSummary& Summary() const noexcept { return summary_; }

private:
    /// False when the walk is to end here.
    bool ReplayFile(const std::string& name);
    TFileVerdict ReplayStatement(const TQueuedFile& file, const std::string& text);
    TFileVerdict ReplayCommand(std::string_view text);
    /// Deletes a done file and records what stays; false when the walk is to end.
    bool Settle(const TQueuedFile& file, TFileVerdict verdict);
    void Note(const std::string& name, const TFileVerdict& verdict);

    Context ctx_;
    std::string currentFile_;
    TRunSummary summary_;
    /// The last command that succeeded in this pass; none at the start, so an empty command is never taken for a
    /// repeat of nothing.
    std::optional<std::pair<std::string, std::string>> lastCommand_;
    /// Buyers whose rebuild failed in this pass: their later commands wait for the next run, which repairs first.
    std::set<std::string> failedBuyers_;
};

}  // namespace ordo
