#pragma once
// The text-only user interface: for machines without a display and for unattended runs.
#include <iosfwd>
#include <memory>

#include "ui/ui.h"

namespace ordo::detail {

/// Room the headless window frame takes around the client area, as a typical Windows frame does.
inline constexpr int kFrameWidth = 16;
inline constexpr int kFrameHeight = 39;
inline constexpr int kScreenWidth = 1920;
inline constexpr int kScreenHeight = 1080;
inline constexpr int kTaskBarHeight = 40;

/// The update window on `err`: caption, memo and status when shown, then the status line as it
/// changes (in place on a terminal, sparingly to a log).
std::unique_ptr<IUiUpdateWindow> MakeHeadlessUpdateWindow(std::ostream& err, bool errIsTerminal);

class THeadlessUi : public IUiBackend {
public:
    THeadlessUi(std::ostream& err, std::istream* in, bool errIsTerminal, bool inIsTerminal)
        : err_(err), in_(in), errIsTerminal_(errIsTerminal), inIsTerminal_(inIsTerminal) {}

    [[nodiscard]] std::string Name() const override { return "headless"; }
    std::unique_ptr<IUiWindow> CreateWindow() override;
    [[nodiscard]] TRect WorkArea() const override {
        return TRect{0, 0, kScreenWidth, kScreenHeight - kTaskBarHeight};
    }
    void ShowMessage(std::string_view text) override;
    bool Confirm(std::string_view question, bool defaultAnswer) override;
    void SetScreenCursor(TCursor cursor) override { cursor_ = cursor; }
    [[nodiscard]] TCursor ScreenCursor() const override { return cursor_; }
    std::unique_ptr<IUiUpdateWindow> CreateUpdateWindow() override;

private:
    std::ostream& err_;
    std::istream* in_;
    bool errIsTerminal_;
    bool inIsTerminal_;
    TCursor cursor_ = crDefault;
};

}  // namespace ordo::detail
