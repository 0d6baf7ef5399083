#include "ui/fltk_ui.h"

#include <FL/Fl.H>

#include "ui/fltk_session.h"
#include "ui/fltk_windows.h"

namespace ordo::detail {

namespace {

class TFltkUi : public IUiBackend {
public:
    explicit TFltkUi(std::shared_ptr<TFltkSession> session) : session_(std::move(session)) {}

    [[nodiscard]] std::string Name() const override { return "fltk"; }
    std::unique_ptr<IUiWindow> CreateWindow() override { return MakeFltkWindow(session_); }
    [[nodiscard]] TRect WorkArea() const override {
        // The primary screen without the panels that the desktop reserves.
        int x = 0, y = 0, w = 0, h = 0;
        Fl::screen_work_area(x, y, w, h, 0);
        return TRect{x, y, x + w, y + h};
    }
    void ShowMessage(std::string_view text) override { RunFltkDialog(*session_, text, false, true); }
    bool Confirm(std::string_view question, bool defaultAnswer) override {
        return RunFltkDialog(*session_, question, true, defaultAnswer);
    }
    void SetScreenCursor(TCursor cursor) override { session_->SetCursor(cursor); }
    [[nodiscard]] TCursor ScreenCursor() const override { return session_->Cursor(); }
    std::unique_ptr<IUiUpdateWindow> CreateUpdateWindow() override { return MakeFltkUpdateWindow(session_); }

private:
    std::shared_ptr<TFltkSession> session_;
};

}  // namespace

std::unique_ptr<IUiBackend> CreateFltkUi() {
    auto session = TFltkSession::Acquire();
    if (!session) return nullptr;
    return std::make_unique<TFltkUi>(std::move(session));
}

}  // namespace ordo::detail
