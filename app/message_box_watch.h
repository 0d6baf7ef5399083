#pragma once
// The user interface as the socket sees it, with a count of the message boxes open right now. A box's own loop
// goes on dispatching timer ticks; the reconnect timer asks this count so that a connect failure that is still
// on screen is not followed by another attempt whose failure would open a second box on top of it.
#include <memory>
#include <string>
#include <string_view>

#include "ui/ui.h"

namespace ordo {

class TMessageBoxWatch final : public IUiBackend {
public:
    explicit TMessageBoxWatch(IUiBackend& ui) : ui_(ui) {}

    /// True while a message box or a question shown through this backend waits for its answer.
    [[nodiscard]] bool BoxOpen() const noexcept { return open_ > 0; }

    [[nodiscard]] std::string Name() const override { return ui_.Name(); }
    std::unique_ptr<IUiWindow> CreateWindow() override { return ui_.CreateWindow(); }
    [[nodiscard]] TRect WorkArea() const override { return ui_.WorkArea(); }
    void ShowMessage(std::string_view text) override {
        const Open open(open_);
        ui_.ShowMessage(text);
    }
    bool Confirm(std::string_view question, bool defaultAnswer) override {
        const Open open(open_);
        return ui_.Confirm(question, defaultAnswer);
    }
    void SetScreenCursor(TCursor cursor) override { ui_.SetScreenCursor(cursor); }
    [[nodiscard]] TCursor ScreenCursor() const override { return ui_.ScreenCursor(); }
    std::unique_ptr<IUiUpdateWindow> CreateUpdateWindow() override { return ui_.CreateUpdateWindow(); }

private:
    struct Open {
        explicit Open(int& count) : count_(count) { ++count_; }
        ~Open() { --count_; }
        Open(const Open&) = delete;
        Open& operator=(const Open&) = delete;
        int& count_;
    };

    IUiBackend& ui_;
    int open_ = 0;
};

}  // namespace ordo
