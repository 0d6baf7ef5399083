#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>

#include "ui/fltk_progress.h"
#include "ui/fltk_windows.h"

namespace ordo::detail {

namespace {

constexpr int kMargin = 8;
constexpr int kStatusHeight = 22;

// Memo, status line and bar as members of the window; they leave its children before the
// window would delete them.
class TUpdateForm : public Fl_Double_Window {
public:
    TUpdateForm()
        : Fl_Double_Window(kUpdateWidth, kUpdateHeight),
          memo_(kMargin, kMargin, kUpdateWidth - 2 * kMargin, MemoHeight()),
          status_(kMargin, kMargin + MemoHeight() + 4, kUpdateWidth - 2 * kMargin, kStatusHeight),
          bar_(0, kUpdateHeight - kBarHeight, kUpdateWidth, kBarHeight) {
        end();
        memo_.buffer(&text_);
        memo_.wrap_mode(Fl_Text_Display::WRAP_AT_BOUNDS, 0);
        memo_.textsize(13);
        status_.align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
        status_.labelfont(FL_HELVETICA_BOLD);
        status_.labelsize(13);
        status_.labelcolor(fl_rgb_color(0, 0, 128));
        size_range(kUpdateWidth, kUpdateHeight, kUpdateWidth, kUpdateHeight);
    }
    ~TUpdateForm() override {
        memo_.buffer(nullptr);
        remove(memo_);
        remove(status_);
        remove(bar_);
    }
    Fl_Text_Buffer& Text() { return text_; }
    Fl_Box& StatusLine() { return status_; }
    TFltkBarWidget& Bar() { return bar_; }
    void ForcePosition() { force_position(1); }

private:
    static constexpr int MemoHeight() { return kUpdateHeight - kBarHeight - kStatusHeight - 3 * kMargin; }

    Fl_Text_Buffer text_;
    Fl_Text_Display memo_;
    Fl_Box status_;
    TFltkBarWidget bar_;
};

std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

class TFltkUpdateWindow : public IUiUpdateWindow {
public:
    explicit TFltkUpdateWindow(std::shared_ptr<TFltkSession> session)
        : session_(std::move(session)), progress_(form_.Bar(), *session_, 100, true) {
        // Nobody may close it: the update ends it when the new program has arrived.
        form_.callback([](Fl_Widget*, void*) {});
        session_->AddWindow(form_);
    }
    ~TFltkUpdateWindow() override {
        session_->RemoveWindow(form_);
        form_.hide();
    }

    void SetCaption(std::string_view text) override {
        caption_ = text;
        form_.copy_label(ToUtf8(text).c_str());
    }
    [[nodiscard]] std::string Caption() const override { return caption_; }
    void SetMemoText(std::string_view text) override {
        memo_ = text;
        // Lines end in CR LF; the memo shows a bare CR as a glyph.
        form_.Text().text(WithoutCarriageReturns(ToUtf8(text)).c_str());
        session_->Invalidate();
    }
    [[nodiscard]] std::string MemoText() const override { return memo_; }
    void SetStatusText(std::string_view text) override {
        status_ = text;
        form_.StatusLine().copy_label(ToUtf8(text).c_str());
        session_->Invalidate();
    }
    [[nodiscard]] std::string StatusText() const override { return status_; }
    IUiProgressBar& Progress() override { return progress_; }
    void Show() override;
    [[nodiscard]] bool Shown() const override { return form_.visible() != 0; }
    void Close() override {
        if (closed_) return;
        closed_ = true;
        form_.hide();
        session_->FlushNow();
    }
    [[nodiscard]] bool Closed() const override { return closed_; }
    void Repaint() override {
        form_.redraw();
        session_->FlushNow();
    }

private:
    std::shared_ptr<TFltkSession> session_;
    TUpdateForm form_;
    TFltkProgressBar progress_;
    std::string caption_, memo_, status_;
    bool closed_ = false;
};

void TFltkUpdateWindow::Show() {
    if (closed_ || Shown()) return;
    int x = 0, y = 0, w = 0, h = 0;
    Fl::screen_xywh(x, y, w, h, 0);
    form_.position(x + (w - form_.w()) / 2, y + (h - form_.h()) / 2);
    form_.ForcePosition();
    form_.show();
    SetFrameHints(form_, false);
    SetStayOnTop(form_);
    session_->ApplyCursor(form_);
    session_->FlushNow();
    session_->Invalidate();
}

}  // namespace

std::unique_ptr<IUiUpdateWindow> MakeFltkUpdateWindow(std::shared_ptr<TFltkSession> session) {
    return std::make_unique<TFltkUpdateWindow>(std::move(session));
}

}  // namespace ordo::detail
