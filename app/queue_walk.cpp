#include "app/queue_walk.h"

#include "app/field_splitter.h"
#include "core/errors.h"
#include "core/text_convert.h"
#include "platform/files.h"

namespace ordo {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

TFileVerdict Stays(TFailureKind kind, std::string reason) { return TFileVerdict{false, kind, false, std::move(reason)}; }

}  // namespace

bool IsCommandText(std::string_view content) { return content.find("SetGRNY") != std::string_view::npos; }

TRebuildCommand ParseCommand(std::string_view content) {
    return {GetField(content, ",", 1), GetField(content, ",", 2), GetField(content, ",", 3)};
}

std::string QueueText(std::string_view bytes) {
    // An editor's byte-order mark is no part of the statement; the server would read it as three stray bytes.
    if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) bytes.remove_prefix(kUtf8Mark.size());
    std::string text;
    text.reserve(bytes.size() + 2);
    for (const auto& line : SplitTextLines(bytes)) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TQueueWalk::ReplayQueue() {
    struct Finish {  // whatever ends the walk, the bar goes away and the window closes
        IReplayView& view;
        ~Finish() {
            try {
                view.SetProgressVisible(false);
                view.CloseWindow();
            } catch (const std::exception&) {
                // The window is going away with the program; its bar matters no more.
            }
        }
    } finish{ctx_.view};

    lastCommand_.reset();
    failedBuyers_.clear();
    summary_ = TRunSummary{};
    currentFile_.clear();
    const std::vector<std::string> names = ctx_.folder.List("*.txt");
    if (names.empty()) return;
    ctx_.view.SetProgressMax(static_cast<int>(names.size()));
    ctx_.view.SetProgressVisible(true);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (ctx_.stopping && ctx_.stopping()) {
            summary_.stoppedBySignal = true;
            return;
        }
        currentFile_ = names[i];
        if (!ReplayFile(names[i])) return;
        ctx_.view.SetProgressPosition(static_cast<int>(i));
        ctx_.view.RepaintProgress();
    }
}

bool TQueueWalk::ReplayFile(const std::string& name) {
    std::optional<TQueuedFile> file;
    try {
        file = ctx_.folder.Read(name);
    } catch (const EOSError& e) {
        Note(name, Stays(TFailureKind::fkLasting, std::string("cannot be read: ") + e.what()));
        return true;
    }
    if (!file) return true;  // taken away since the listing
    // Work whose file could not be deleted afterwards would run again at every start.
    if (auto why = ctx_.folder.WhyCannotDelete(name)) {
        Note(name, Stays(TFailureKind::fkLasting, "not sent: " + *why));
        return true;
    }
    const std::string text = QueueText(file->bytes);
    TFileVerdict verdict = IsCommandText(text) ? ReplayCommand(text) : ReplayStatement(*file, text);
    return Settle(*file, std::move(verdict));
}

TFileVerdict TQueueWalk::ReplayStatement(const TQueuedFile& file, const std::string& text) {
    if (Trim(text).empty()) return Stays(TFailureKind::fkLasting, "the file holds no statement");
    struct TAfter {
        const std::function<void()>& hook;
        ~TAfter() {
            if (hook) hook();
        }
    } after{ctx_.afterStatement};
    if (ctx_.beforeStatement) ctx_.beforeStatement(file);
    return StatementVerdict(ctx_.runner.Run(text, ctx_.dataSet));
}

TFileVerdict TQueueWalk::ReplayCommand(std::string_view text) {
    TRebuildCommand command = ParseCommand(text);
    if (failedBuyers_.count(command.buyerCode) != 0)
        return Stays(TFailureKind::fkNone, "an earlier rebuild of the same buyer failed in this run");
    if (lastCommand_ && lastCommand_->first == command.buyerCode && lastCommand_->second == command.startDate)
        return TFileVerdict{true, TFailureKind::fkNone, false, {}};  // the same rebuild already ran in this pass
    if (!ctx_.rebuild) return Stays(TFailureKind::fkLasting, "no rebuild is available");
    TFileVerdict verdict = RebuildVerdict(ctx_.rebuild(command));
    if (verdict.done)
        lastCommand_.emplace(command.buyerCode, command.startDate);
    else
        failedBuyers_.insert(command.buyerCode);
    return verdict;
}

bool TQueueWalk::Settle(const TQueuedFile& file, TFileVerdict verdict) {
    if (verdict.done) {
        std::string why;
        switch (ctx_.folder.DeleteIfUnchanged(file, why)) {
            case TDeleteResult::drDeleted:
            case TDeleteResult::drGone:
                return true;
            case TDeleteResult::drChanged:
                verdict = Stays(TFailureKind::fkPassing,
                                "it was rewritten while its work ran; the new text stays for the next run");
                break;
            case TDeleteResult::drFailed:
                verdict = TFileVerdict{false, TFailureKind::fkLasting, true,
                                       "its work is done but it cannot be deleted (" + why +
                                           "); remove it by hand, or the next run applies it again"};
                break;
        }
    }
    Note(file.name, verdict);
    return !verdict.endsWalk;
}

void TQueueWalk::Note(const std::string& name, const TFileVerdict& verdict) {
    if (verdict.failure == TFailureKind::fkLasting) summary_.lastingFailure = true;
    if (verdict.failure == TFailureKind::fkPassing) summary_.passingFailure = true;
    if (ctx_.report && !verdict.reason.empty()) ctx_.report(name, verdict);
}

}  // namespace ordo
