#include "ui/headless_ui.h"

#include <algorithm>
#include <iostream>
#include <istream>
#include <ostream>
#include <string>
#include <unistd.h>

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

// The update window's bar: every change is kept, drawing is the window's job.
class THeadlessUpdateBar : public IUiProgressBar {
public:
    explicit THeadlessUpdateBar(std::function<void()> repaint) : repaint_(std::move(repaint)) {}
    void SetMax(int value) override {
        max_ = std::max(0, value);
        position_ = std::min(position_, max_);
    }
    [[nodiscard]] int Max() const override { return max_; }
    void SetPosition(int value) override { position_ = std::clamp(value, 0, max_); }
    [[nodiscard]] int Position() const override { return position_; }
    void SetVisible(bool value) override { visible_ = value; }
    [[nodiscard]] bool Visible() const override { return visible_; }
    void Repaint() override { repaint_(); }
    /// 0..10: how many tenths of the range are done.
    [[nodiscard]] int Tenths() const {
        return max_ > 0 ? static_cast<int>(static_cast<long long>(position_) * 10 / max_) : 0;
    }

private:
    std::function<void()> repaint_;
    int max_ = 100;
    int position_ = 0;
    bool visible_ = true;
};

// The status line changes with every chunk of the update (" Received 8192 of 901234 bytes"):
// on a terminal it is redrawn in place, to a log it is written only when its kind of message
// changes or another tenth of the bar is done, so a large update stays a few lines.
class THeadlessUpdateWindow : public IUiUpdateWindow {
public:
    THeadlessUpdateWindow(std::ostream& err, bool isTerminal)
        : err_(err), isTerminal_(isTerminal), bar_([this] { Repaint(); }) {}
    ~THeadlessUpdateWindow() override { EraseLine(); }

    void SetCaption(std::string_view text) override { caption_ = text; }
    [[nodiscard]] std::string Caption() const override { return caption_; }
    void SetMemoText(std::string_view text) override { memo_ = text; }
    [[nodiscard]] std::string MemoText() const override { return memo_; }
    void SetStatusText(std::string_view text) override {
        status_ = text;
        if (shown_ && !isTerminal_) LogStatus(false);
    }
    [[nodiscard]] std::string StatusText() const override { return status_; }
    IUiProgressBar& Progress() override { return bar_; }
    void Show() override {
        if (closed_ || shown_) return;
        shown_ = true;
        err_ << caption_ << '\n';
        if (!memo_.empty()) err_ << memo_ << '\n';
        if (isTerminal_) {
            Repaint();
        } else {
            LogStatus(true);
        }
        err_ << std::flush;
    }
    [[nodiscard]] bool Shown() const override { return shown_; }
    void Close() override {
        if (closed_) return;
        EraseLine();
        closed_ = true;
        shown_ = false;
    }
    [[nodiscard]] bool Closed() const override { return closed_; }
    void Repaint() override {
        if (!shown_) return;
        if (!isTerminal_) {
            LogStatus(false);
            return;
        }
        constexpr int kCells = 20;
        const int filled = bar_.Tenths() * kCells / 10;
        err_ << "\r\033[K" << status_;
        if (bar_.Visible())
            err_ << " [" << std::string(static_cast<std::size_t>(filled), '#')
                 << std::string(static_cast<std::size_t>(kCells - filled), ' ') << ']';
        err_ << std::flush;
        drawn_ = true;
    }

private:
    static std::string Skeleton(std::string_view text) {
        std::string out;
        for (char c : text) {
            const bool digit = c >= '0' && c <= '9';
            if (!digit || out.empty() || out.back() != '#') out += digit ? '#' : c;
        }
        return out;
    }
    void LogStatus(bool force) {
        const std::string skeleton = Skeleton(status_);
        const int tenths = bar_.Tenths();
        if (!force && skeleton == loggedSkeleton_ && tenths <= loggedTenths_) return;
        loggedSkeleton_ = skeleton;
        loggedTenths_ = tenths;
        if (!status_.empty()) err_ << status_ << '\n' << std::flush;
    }
    void EraseLine() {
        if (!drawn_) return;
        err_ << "\r\033[K" << std::flush;
        drawn_ = false;
    }

    std::ostream& err_;
    bool isTerminal_;
    THeadlessUpdateBar bar_;
    std::string caption_, memo_, status_;
    std::string loggedSkeleton_;
    int loggedTenths_ = -1;
    bool shown_ = false;
    bool closed_ = false;
    bool drawn_ = false;
};

}  // namespace

std::unique_ptr<IUiUpdateWindow> MakeHeadlessUpdateWindow(std::ostream& err, bool errIsTerminal) {
    return std::make_unique<THeadlessUpdateWindow>(err, errIsTerminal);
}

std::unique_ptr<IUiUpdateWindow> THeadlessUi::CreateUpdateWindow() {
    return MakeHeadlessUpdateWindow(err_, errIsTerminal_);
}

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

namespace ordo {

std::unique_ptr<IUiBackend> CreateHeadlessUi(std::ostream& err, std::istream* in, bool errIsTerminal,
                                             bool inIsTerminal) {
    return std::make_unique<detail::THeadlessUi>(err, in, errIsTerminal, inIsTerminal);
}

std::unique_ptr<IUiBackend> CreateTextUi() {
    return CreateHeadlessUi(std::cerr, &std::cin, ::isatty(STDERR_FILENO) == 1, ::isatty(STDIN_FILENO) == 1);
}

std::unique_ptr<IUiUpdateWindow> IUiBackend::CreateUpdateWindow() {
    return detail::MakeHeadlessUpdateWindow(std::cerr, ::isatty(STDERR_FILENO) == 1);
}

}  // namespace ordo
