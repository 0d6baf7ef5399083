#include "platform/headless_ui.h"

#include <algorithm>
#include <istream>
#include <ostream>
#include <string>

namespace ordo::detail {

namespace {

class THeadlessProgressBar : public IUiProgressBar {
public:
    THeadlessProgressBar(std::ostream& err, bool isTerminal) : err_(err), isTerminal_(isTerminal) {}
    ~THeadlessProgressBar() override { Erase(); }

    void SetMax(int value) override {
        max_ = std::max(0, value);
        position_ = std::min(position_, max_);
    }
    [[nodiscard]] int Max() const override { return max_; }
    void SetPosition(int value) override { position_ = std::clamp(value, 0, max_); }
    [[nodiscard]] int Position() const override { return position_; }
    void SetVisible(bool value) override {
        if (!value) Erase();
        visible_ = value;
    }
    [[nodiscard]] bool Visible() const override { return visible_; }
    void Repaint() override {
        // A redirected stderr is a log: a bar redrawn with carriage returns would only litter it.
        if (!visible_ || !isTerminal_) return;
        constexpr int kCells = 30;
        int filled = max_ > 0 ? static_cast<int>(static_cast<long long>(position_) * kCells / max_) : 0;
        err_ << '\r' << '[' << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(kCells - filled), ' ') << "] " << position_ << '/' << max_
             << std::flush;
        drawn_ = true;
    }

private:
    void Erase() {
        if (!drawn_) return;
        err_ << "\r\033[K" << std::flush;
        drawn_ = false;
    }
    std::ostream& err_;
    bool isTerminal_;
    int max_ = 100;
    int position_ = 0;
    bool visible_ = false;
    bool drawn_ = false;
};

class THeadlessWindow : public IUiWindow {
public:
    THeadlessWindow(std::ostream& err, bool isTerminal) : progress_(err, isTerminal) {}

    void SetCaption(std::string_view text) override { caption_ = text; }
    [[nodiscard]] std::string Caption() const override { return caption_; }
    void SetClientSize(int width, int height) override {
        clientWidth_ = std::max(0, width);
        clientHeight_ = std::max(0, height);
    }
    [[nodiscard]] int ClientWidth() const override { return clientWidth_; }
    [[nodiscard]] int ClientHeight() const override { return clientHeight_; }
    [[nodiscard]] int Width() const override { return clientWidth_ + kFrameWidth; }
    [[nodiscard]] int Height() const override { return clientHeight_ + kFrameHeight; }
    void SetPosition(int left, int top) override {
        left_ = left;
        top_ = top;
    }
    [[nodiscard]] int Left() const override { return left_; }
    [[nodiscard]] int Top() const override { return top_; }
    void Show() override { shown_ = !closed_; }
    void Hide() override { shown_ = false; }
    [[nodiscard]] bool Shown() const override { return shown_; }
    void Close() override {
        if (closed_) return;
        closed_ = true;
        shown_ = false;
        progress_.SetVisible(false);
        if (OnClose) OnClose(*this);
    }
    [[nodiscard]] bool Closed() const override { return closed_; }
    IUiProgressBar& Progress() override { return progress_; }

private:
    THeadlessProgressBar progress_;
    std::string caption_;
    int clientWidth_ = 0, clientHeight_ = 0, left_ = 0, top_ = 0;
    bool shown_ = false;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<IUiWindow> THeadlessUi::CreateWindow() {
    return std::make_unique<THeadlessWindow>(err_, errIsTerminal_);
}

void THeadlessUi::ShowMessage(std::string_view text) { err_ << text << '\n' << std::flush; }

bool THeadlessUi::Confirm(std::string_view question, bool defaultAnswer) {
    const char* choices = defaultAnswer ? " [Y/n] " : " [y/N] ";
    err_ << question << choices << std::flush;
    if (in_ == nullptr || !inIsTerminal_) {
        // Nobody at the keyboard: take the default and say so, so the log tells what happened.
        err_ << (defaultAnswer ? "yes" : "no") << '\n' << std::flush;
        return defaultAnswer;
    }
    std::string line;
    if (!std::getline(*in_, line)) return defaultAnswer;
    auto start = line.find_first_not_of(" \t\r");
    if (start == std::string::npos) return defaultAnswer;
    char c = line[start];
    if (c == 'y' || c == 'Y') return true;
    if (c == 'n' || c == 'N') return false;
    return defaultAnswer;
}

}  // namespace ordo::detail
