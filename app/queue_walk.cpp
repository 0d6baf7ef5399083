#include "app/queue_walk.h"

#include "app/field_splitter.h"
#include "platform/files.h"

namespace ordo {

bool IsCommandText(std::string_view content) { return content.find("SetGRNY") != std::string_view::npos; }

TRebuildCommand ParseCommand(std::string_view content) {
    return {GetField(content, ",", 1), GetField(content, ",", 2), GetField(content, ",", 3)};
}

void TQueueWalk::ReplayQueue() {
    struct Finish {  // whatever ends the walk, the bar goes away and the window closes
        IReplayView& view;
        ~Finish() {
            try {
                view.SetProgressVisible(false);
                view.CloseWindow();
            } catch (...) {
            }
        }
    } finish{ctx_.view};

    lastCommand_.reset();
    currentFile_.clear();
    const std::vector<std::string> names = ListFiles(ctx_.queueFolder, "*.txt");
    if (names.empty()) return;
    ctx_.view.SetProgressMax(static_cast<int>(names.size()));
    ctx_.view.SetProgressVisible(true);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (ctx_.stopping && ctx_.stopping()) return;
        currentFile_ = names[i];
        ReplayFile(names[i]);
        ctx_.view.SetProgressPosition(static_cast<int>(i));
        ctx_.view.RepaintProgress();
    }
}

void TQueueWalk::ReplayFile(const std::string& name) {
    const std::string path = ctx_.queueFolder + name;
    if (!FileExists(path)) return;  // taken away since the listing
    const std::string content = LoadTextFile(path);
    if (IsCommandText(content)) {
        ReplayCommand(path, content);
        return;
    }
    if (ctx_.runner.RunStatement(content, ctx_.dataSet) >= 0) DeleteFile(path);
}

void TQueueWalk::ReplayCommand(const std::string& path, std::string_view content) {
    TRebuildCommand command = ParseCommand(content);
    if (lastCommand_ && lastCommand_->first == command.buyerCode && lastCommand_->second == command.startDate) {
        DeleteFile(path);  // the same rebuild already ran in this pass
        return;
    }
    if (ctx_.rebuildBalance && ctx_.rebuildBalance(command)) {
        DeleteFile(path);
        lastCommand_.emplace(command.buyerCode, command.startDate);
    }
}

}  // namespace ordo
