#pragma once
// The window classes of the Windows user interface. Include after the platform headers.
#include <memory>
#include <string>

#include "platform/win32/windows_api.h"
#include "ui/ui.h"

namespace ordo::detail {

/// Height of the bar along the bottom edge, as the form lays it out.
inline constexpr int kBarHeight = 17;

/// A common-controls progress bar, a child of its window.
class TWin32ProgressBar : public IUiProgressBar {
public:
    explicit TWin32ProgressBar(HWND bar) : bar_(bar) {}
    void SetMax(int value) override;
    [[nodiscard]] int Max() const override { return max_; }
    void SetPosition(int value) override;
    [[nodiscard]] int Position() const override { return position_; }
    void SetVisible(bool value) override;
    [[nodiscard]] bool Visible() const override { return visible_; }
    void Repaint() override;
    [[nodiscard]] HWND Handle() const noexcept { return bar_; }

private:
    HWND bar_;
    int max_ = 100;
    int position_ = 0;
    bool visible_ = false;
};

/// A small fixed-size top-level window: single border, the system menu as its only title-bar
/// icon, a progress bar aligned to the bottom edge, hidden at first.
class TWin32Window : public IUiWindow {
public:
    TWin32Window();
    ~TWin32Window() override;
    TWin32Window(const TWin32Window&) = delete;
    TWin32Window& operator=(const TWin32Window&) = delete;

    void SetCaption(std::string_view text) override;
    [[nodiscard]] std::string Caption() const override;
    void SetClientSize(int width, int height) override;
    [[nodiscard]] int ClientWidth() const override;
    [[nodiscard]] int ClientHeight() const override;
    [[nodiscard]] int Width() const override;
    [[nodiscard]] int Height() const override;
    void SetPosition(int left, int top) override;
    [[nodiscard]] int Left() const override;
    [[nodiscard]] int Top() const override;
    void Show() override;
    void Hide() override;
    [[nodiscard]] bool Shown() const override;
    void Close() override;
    [[nodiscard]] bool Closed() const override { return closed_; }
    IUiProgressBar& Progress() override { return *progress_; }

    [[nodiscard]] HWND Handle() const noexcept { return hwnd_; }
    /// Lays the bar along the bottom edge of the client area.
    void LayOut();

private:
    HWND hwnd_ = nullptr;
    std::unique_ptr<TWin32ProgressBar> progress_;
    bool closed_ = false;
};

/// The handle behind a window of this backend (nullptr for another backend's window).
HWND Win32WindowHandle(IUiWindow& window);
HWND Win32ProgressHandle(IUiWindow& window);

}  // namespace ordo::detail
