#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <algorithm>
#include <functional>

#include "platform/codepage.h"
#include "platform/fltk_progress.h"
#include "platform/fltk_windows.h"

namespace ordo::detail {

std::string ToUtf8(std::string_view ansi) { return AnsiToUtf8(ansi); }

namespace {

// The window and its bar as FLTK widgets; the bar is a member, so it is taken out of the
// window's children before the window would delete it.
class TFormWindow : public Fl_Double_Window {
public:
    TFormWindow() : Fl_Double_Window(120, 57), bar_(0, 57 - kBarHeight, 120, kBarHeight) { end(); }
    ~TFormWindow() override { remove(bar_); }
    TFltkBarWidget& Bar() { return bar_; }
    void ForcePosition() { force_position(1); }
    /// Runs when FLTK has created the X window, before a window manager takes it on: hints
    /// given later are not read by every window manager.
    std::function<void()> OnCreated;

protected:
    int handle(int event) override {
        if (event == FL_SHOW && shown() && OnCreated) OnCreated();
        return Fl_Double_Window::handle(event);
    }

private:
    TFltkBarWidget bar_;
};

class TFltkWindow : public IUiWindow {
public:
    explicit TFltkWindow(std::shared_ptr<TFltkSession> session)
        : session_(std::move(session)), progress_(form_.Bar(), *session_, 100, false) {
        form_.callback([](Fl_Widget*, void* self) { static_cast<TFltkWindow*>(self)->CloseRequested(); }, this);
        SetClientSize(form_.w(), form_.h());
        form_.OnCreated = [this] { SetFrameHints(form_, true); };
        session_->AddWindow(form_);
    }
    ~TFltkWindow() override {
        session_->RemoveWindow(form_);
        form_.hide();
    }

    void SetCaption(std::string_view text) override {
        caption_ = text;
        form_.copy_label(ToUtf8(text).c_str());
    }
    [[nodiscard]] std::string Caption() const override { return caption_; }
    void SetClientSize(int width, int height) override;
    [[nodiscard]] int ClientWidth() const override { return form_.w(); }
    [[nodiscard]] int ClientHeight() const override { return form_.h(); }
    [[nodiscard]] int Width() const override { return form_.w() + frameW_; }
    [[nodiscard]] int Height() const override { return form_.h() + frameH_; }
    void SetPosition(int left, int top) override;
    [[nodiscard]] int Left() const override { return form_.x() - frameLeft_; }
    [[nodiscard]] int Top() const override { return form_.y() - frameTop_; }
    void Show() override;
    void Hide() override {
        form_.hide();
        session_->FlushNow();
    }
    [[nodiscard]] bool Shown() const override { return form_.visible() != 0; }
    void Close() override;
    [[nodiscard]] bool Closed() const override { return closed_; }
    IUiProgressBar& Progress() override { return progress_; }

private:
    void CloseRequested();
    void LearnFrame();

    std::shared_ptr<TFltkSession> session_;
    TFormWindow form_;
    TFltkProgressBar progress_;
    std::string caption_;
    // What the window manager adds around the client area, known once the window is shown.
    int frameLeft_ = 0, frameTop_ = 0, frameW_ = 0, frameH_ = 0;
    bool closed_ = false;
};

void TFltkWindow::SetClientSize(int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    form_.size(width, height);
    // A single, fixed border: the window manager offers no resizing.
    form_.size_range(width, height, width, height);
    form_.Bar().resize(0, height - kBarHeight, width, kBarHeight);
    session_->Invalidate();
}

void TFltkWindow::SetPosition(int left, int top) {
    form_.position(left + frameLeft_, top + frameTop_);
    form_.ForcePosition();
}

void TFltkWindow::Show() {
    if (closed_) return;
    form_.show();
    PlaceExactly(form_);
    session_->ApplyCursor(form_);
    LearnFrame();
    // The map request goes out now; the first drawing follows the display's exposure event.
    session_->FlushNow();
    session_->Invalidate();
}

void TFltkWindow::LearnFrame() {
    const int decoratedW = form_.decorated_w(), decoratedH = form_.decorated_h();
    if (decoratedW <= form_.w() && decoratedH <= form_.h()) return;
    frameW_ = decoratedW - form_.w();
    frameH_ = decoratedH - form_.h();
    frameLeft_ = frameW_ / 2;
    frameTop_ = frameH_ - frameLeft_;
}

void TFltkWindow::Close() {
    if (closed_) return;
    closed_ = true;
    form_.hide();
    session_->FlushNow();
    if (OnClose) OnClose(*this);
}

void TFltkWindow::CloseRequested() {
    // FLTK closes a window on Escape; a desktop window closes only by its close box.
    if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
    Close();
}

}  // namespace

std::unique_ptr<IUiWindow> MakeFltkWindow(std::shared_ptr<TFltkSession> session) {
    return std::make_unique<TFltkWindow>(std::move(session));
}

}  // namespace ordo::detail
