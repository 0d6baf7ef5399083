#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <algorithm>
#include <functional>
#include <optional>

#include "platform/codepage.h"
#include "ui/fltk_progress.h"
#include "ui/fltk_windows.h"

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
        form_.OnCreated = [this] {
            SetFrameHints(form_, true);
            UseStaticGravity(form_);
        };
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
    [[nodiscard]] int Width() const override {
        const TFrameExtents f = Frame();
        return form_.w() + f.Left + f.Right;
    }
    [[nodiscard]] int Height() const override {
        const TFrameExtents f = Frame();
        return form_.h() + f.Top + f.Bottom;
    }
    void SetPosition(int left, int top) override;
    [[nodiscard]] int Left() const override { return form_.x() - Frame().Left; }
    [[nodiscard]] int Top() const override { return form_.y() - Frame().Top; }
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
    [[nodiscard]] TFrameExtents Frame() const;

    std::shared_ptr<TFltkSession> session_;
    TFormWindow form_;
    TFltkProgressBar progress_;
    std::string caption_;
    // What the window manager will add around the client area, asked before the window is
    // placed: the program places the outer frame, which exists only once the window is shown.
    mutable std::optional<TFrameExtents> predicted_;
    bool closed_ = false;
};

void TFltkWindow::SetClientSize(int width, int height) {
    width = std::max(1, width);
    height = std::max(1, height);
    form_.size(width, height);
    // A single, fixed border: the window manager offers no resizing.
    form_.size_range(width, height, width, height);
    form_.Bar().resize(0, height - kBarHeight, width, kBarHeight);
    predicted_.reset();
    UseStaticGravity(form_);  // FLTK wrote the size hints anew
    session_->Invalidate();
}

void TFltkWindow::SetPosition(int left, int top) {
    const TFrameExtents f = Frame();
    form_.position(left + f.Left, top + f.Top);
    form_.ForcePosition();
    if (form_.shown()) {
        // FLTK rewrote the size hints, and with them the gravity, before its move went out.
        UseStaticGravity(form_);
        PlaceExactly(form_);
    }
}

void TFltkWindow::Show() {
    if (closed_) return;
    form_.show();
    PlaceExactly(form_);
    session_->ApplyCursor(form_);
    // The map request goes out now; the first drawing follows the display's exposure event.
    session_->FlushNow();
    session_->Invalidate();
}

TFrameExtents TFltkWindow::Frame() const {
    auto& form = const_cast<TFormWindow&>(form_);  // FLTK's queries are not const
    if (form.shown()) {
        if (auto reported = FrameExtents(form)) return *reported;
        // A manager that does not report its frame: the sides are taken as equal, the rest is the title bar.
        const int extraW = form.decorated_w() - form.w(), extraH = form.decorated_h() - form.h();
        if (extraW > 0 || extraH > 0) {
            const int side = std::max(0, extraW) / 2;
            return TFrameExtents{side, std::max(0, extraW) - side, std::max(0, extraH) - side, side};
        }
    }
    if (!predicted_) {
        predicted_ = PredictFrameExtents(form_.w(), form_.h(), true);
        // Waiting for the answer read the display's events into Xlib's queue, where only we look.
        session_->Invalidate();
    }
    return *predicted_;
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
