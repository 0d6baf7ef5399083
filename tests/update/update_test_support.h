#pragma once
// A recording update window, a user interface that hands it out, and a file's text.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "platform/files.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_folder.h"
#include "ui/ui.h"

namespace ordo::test {

/// What an update window was told, kept beyond the window's life.
struct UpdateWindowLog {
    std::vector<std::string> captions;
    std::vector<std::string> statuses;
    std::string memo;
    std::vector<int> positions;  // after each repaint
    std::vector<int> maxima;     // after each repaint
    int max = 0;
    int position = 0;
    bool shown = false;
    bool closed = false;
};

class RecordingUpdateBar : public IUiProgressBar {
public:
    explicit RecordingUpdateBar(std::shared_ptr<UpdateWindowLog> log) : log_(std::move(log)) {}
    void SetMax(int value) override { log_->max = value; }
    int Max() const override { return log_->max; }
    void SetPosition(int value) override { log_->position = value < 0 ? 0 : (value > log_->max ? log_->max : value); }
    int Position() const override { return log_->position; }
    void SetVisible(bool) override {}
    bool Visible() const override { return true; }
    void Repaint() override {}

private:
    std::shared_ptr<UpdateWindowLog> log_;
};

class RecordingUpdateWindow : public IUiUpdateWindow {
public:
    explicit RecordingUpdateWindow(std::shared_ptr<UpdateWindowLog> log) : log_(log), bar_(log) { log_->max = 100; }
    void SetCaption(std::string_view text) override { log_->captions.emplace_back(text); }
    std::string Caption() const override { return log_->captions.empty() ? "" : log_->captions.back(); }
    void SetMemoText(std::string_view text) override { log_->memo = text; }
    std::string MemoText() const override { return log_->memo; }
    void SetStatusText(std::string_view text) override { log_->statuses.emplace_back(text); }
    std::string StatusText() const override { return log_->statuses.empty() ? "" : log_->statuses.back(); }
    IUiProgressBar& Progress() override { return bar_; }
    void Show() override { log_->shown = !log_->closed; }
    bool Shown() const override { return log_->shown; }
    void Close() override {
        log_->closed = true;
        log_->shown = false;
    }
    bool Closed() const override { return log_->closed; }
    void Repaint() override {
        log_->positions.push_back(log_->position);
        log_->maxima.push_back(log_->max);
    }

private:
    std::shared_ptr<UpdateWindowLog> log_;
    RecordingUpdateBar bar_;
};

/// Hands out recording update windows; `windows` keeps the log of each one made.
class UpdateRecordingUi : public RecordingUi {
public:
    std::unique_ptr<IUiUpdateWindow> CreateUpdateWindow() override {
        windows.push_back(std::make_shared<UpdateWindowLog>());
        return std::make_unique<RecordingUpdateWindow>(windows.back());
    }
    std::vector<std::shared_ptr<UpdateWindowLog>> windows;
};

inline std::string FileText(const std::string& path) { return ToString(ReadFileBytes(path)); }

}  // namespace ordo::test
