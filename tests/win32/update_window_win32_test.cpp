// The client update's window on Windows: what its controls hold and show, where it sits, and
// that only the program can close it.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/message_queue.h"
#include "ui/ui.h"
#include "ui/win32/win32_ui.h"
#include "ui/win32/win32_update_window.h"
#include "ui/win32/win32_window.h"

#include <commctrl.h>

namespace ordo {
namespace {

using detail::TWin32UpdateHandles;

std::string ClassOf(HWND h) {
    char cls[64] = {};
    ::GetClassNameA(h, cls, sizeof cls);
    return cls;
}

std::wstring WideText(HWND h) {
    wchar_t wide[128] = {};
    ::GetWindowTextW(h, wide, 128);
    return wide;
}

// A child's rectangle in its form's client coordinates.
RECT ClientRectOf(HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class Win32UpdateWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ui_ = detail::CreateWin32Ui();
        if (!ui_) GTEST_SKIP() << "no visible desktop in this session";
        window_ = ui_->CreateUpdateWindow();
        h_ = detail::Win32UpdateHandles(*window_);
        ASSERT_NE(h_.Form, nullptr) << "the Win32 backend fell back to another update window";
    }
    std::unique_ptr<IUiBackend> ui_;
    std::unique_ptr<IUiUpdateWindow> window_;
    TWin32UpdateHandles h_;
};

TEST_F(Win32UpdateWindow, AFormOfItsOwnWithMemoStatusLineAndBar) {
    EXPECT_EQ(ClassOf(h_.Form), "TClientUpdateForm");
    EXPECT_EQ(ClassOf(h_.Memo), "Edit");
    EXPECT_EQ(ClassOf(h_.Status), "Static");
    EXPECT_EQ(ClassOf(h_.Bar), PROGRESS_CLASSA);
    for (HWND child : {h_.Memo, h_.Status, h_.Bar}) EXPECT_EQ(::GetParent(child), h_.Form);
    RECT c{};
    ::GetClientRect(h_.Form, &c);
    EXPECT_EQ(c.right, detail::kUpdateFormWidth);
    EXPECT_EQ(c.bottom, detail::kUpdateFormHeight);
    // Memo above the status line above the bar, which spans the bottom edge.
    const RECT memo = ClientRectOf(h_.Memo), status = ClientRectOf(h_.Status), bar = ClientRectOf(h_.Bar);
    EXPECT_LE(memo.bottom, status.top);
    EXPECT_LE(status.bottom, bar.top);
    EXPECT_EQ(bar.left, 0);
    EXPECT_EQ(bar.right, detail::kUpdateFormWidth);
    EXPECT_EQ(bar.bottom, detail::kUpdateFormHeight);
    EXPECT_EQ(bar.bottom - bar.top, detail::kBarHeight);
    EXPECT_FALSE(window_->Shown());  // hidden until the update shows it
    EXPECT_EQ(window_->StatusText(), "");
}

TEST_F(Win32UpdateWindow, NoTitleBarButtonsAndAlwaysOnTop) {
    const LONG style = ::GetWindowLongA(h_.Form, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_FALSE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME));
    window_->Show();
    EXPECT_TRUE(::GetWindowLongA(h_.Form, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(Win32UpdateWindow, ShownInTheMiddleOfTheScreen) {
    window_->Show();
    EXPECT_TRUE(window_->Shown());
    EXPECT_TRUE(::IsWindowVisible(h_.Memo));
    EXPECT_TRUE(::IsWindowVisible(h_.Bar));
    RECT r{};
    ::GetWindowRect(h_.Form, &r);
    EXPECT_NEAR(r.left + r.right, ::GetSystemMetrics(SM_CXSCREEN), 1);
    EXPECT_NEAR(r.top + r.bottom, ::GetSystemMetrics(SM_CYSCREEN), 1);
}

TEST_F(Win32UpdateWindow, TextsAreHeldByTheControlsInTheAnsiCodePage) {
    window_->SetCaption("Program Update In Progress . . . ");
    window_->SetMemoText("This software program must be updated.\r\n\r\nPlease wait.\r\n\r\nThank you.");
    OverrideAnsiCodePage("CP949");
    const std::string status = AnsiLiteral("서버가 업데이트를 준비하고 있습니다");
    OverrideAnsiCodePage("");
    window_->SetStatusText(status);

    char caption[64] = {};
    ::GetWindowTextA(h_.Form, caption, sizeof caption);
    EXPECT_STREQ(caption, "Program Update In Progress . . . ");
    EXPECT_EQ(window_->Caption(), "Program Update In Progress . . . ");
    // CR LF breaks the memo's lines: five of them, two empty.
    EXPECT_EQ(::SendMessageA(h_.Memo, EM_GETLINECOUNT, 0, 0), 5);
    EXPECT_EQ(window_->MemoText(), "This software program must be updated.\r\n\r\nPlease wait.\r\n\r\nThank you.");
    EXPECT_EQ(window_->StatusText(), status);
    if (::GetACP() == 949) {
        EXPECT_EQ(WideText(h_.Status), L"서버가 업데이트를 준비하고 있습니다");
    }

    // An ampersand is shown, not taken for a shortcut.
    window_->SetStatusText(" Received 10 & 20");
    EXPECT_TRUE(::GetWindowLongA(h_.Status, GWL_STYLE) & SS_NOPREFIX);
    EXPECT_EQ(window_->StatusText(), " Received 10 & 20");
}

TEST_F(Win32UpdateWindow, TheUserCannotTypeIntoTheMemo) {
    window_->SetMemoText("fixed");
    window_->Show();
    ::SetFocus(h_.Memo);
    ::SendMessageA(h_.Memo, WM_CHAR, 'x', 0);
    ::SendMessageA(h_.Memo, WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(window_->MemoText(), "fixed");
}

TEST_F(Win32UpdateWindow, TheStatusLineIsBoldNavyAndTheMemoWhite) {
    LOGFONTA font{};
    auto statusFont = reinterpret_cast<HFONT>(::SendMessageA(h_.Status, WM_GETFONT, 0, 0));
    ASSERT_NE(statusFont, nullptr);
    ::GetObjectA(statusFont, sizeof font, &font);
    EXPECT_GE(font.lfWeight, FW_BOLD);
    auto memoFont = reinterpret_cast<HFONT>(::SendMessageA(h_.Memo, WM_GETFONT, 0, 0));
    ASSERT_NE(memoFont, nullptr);
    ::GetObjectA(memoFont, sizeof font, &font);
    EXPECT_LT(font.lfWeight, FW_BOLD);

    // The colours the form hands its controls when they paint.
    HDC dc = ::CreateCompatibleDC(nullptr);
    auto ask = [&](HWND control) {
        return reinterpret_cast<HBRUSH>(::SendMessageA(h_.Form, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(control)));
    };
    EXPECT_EQ(ask(h_.Status), ::GetSysColorBrush(COLOR_BTNFACE));
    EXPECT_EQ(::GetTextColor(dc), detail::kUpdateStatusColor);
    EXPECT_EQ(ask(h_.Memo), ::GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(::GetTextColor(dc), ::GetSysColor(COLOR_WINDOWTEXT));
    ::DeleteDC(dc);
}

TEST_F(Win32UpdateWindow, TheBarStartsAt0Of100AndFollowsTheStream) {
    IUiProgressBar& p = window_->Progress();
    EXPECT_EQ(p.Max(), 100);
    EXPECT_EQ(p.Position(), 0);
    EXPECT_TRUE(p.Visible());
    EXPECT_TRUE(::GetWindowLongA(h_.Bar, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(::SendMessageA(h_.Bar, PBM_GETRANGE, FALSE, 0), 100);

    // A program of several megabytes: the range is the frame's size in bytes.
    p.SetMax(5'000'000);
    p.SetPosition(2'500'000);
    EXPECT_EQ(::SendMessageA(h_.Bar, PBM_GETRANGE, FALSE, 0), 5'000'000);
    EXPECT_EQ(::SendMessageA(h_.Bar, PBM_GETPOS, 0, 0), 2'500'000);
    p.SetPosition(6'000'000);
    EXPECT_EQ(::SendMessageA(h_.Bar, PBM_GETPOS, 0, 0), 5'000'000);
    p.SetMax(1000);
    EXPECT_EQ(::SendMessageA(h_.Bar, PBM_GETPOS, 0, 0), 1000);
    EXPECT_EQ(p.Position(), 1000);
}

TEST_F(Win32UpdateWindow, RepaintDrawsEverythingAtOnce) {
    window_->Show();
    window_->SetStatusText(" Received 512 of 1024 bytes");
    window_->Progress().SetMax(1024);
    window_->Progress().SetPosition(512);
    ::InvalidateRect(h_.Form, nullptr, TRUE);
    window_->Repaint();
    // Nothing is left for a WM_PAINT the reply wait would hold back.
    for (HWND h : {h_.Form, h_.Memo, h_.Status, h_.Bar}) EXPECT_FALSE(::GetUpdateRect(h, nullptr, FALSE));
}

TEST_F(Win32UpdateWindow, OnlyTheProgramClosesIt) {
    window_->Show();
    // The user's close (Alt+F4) arrives as WM_CLOSE and changes nothing.
    ::PostMessageA(h_.Form, WM_CLOSE, 0, 0);
    ProcessMessages();
    EXPECT_TRUE(window_->Shown());
    EXPECT_FALSE(window_->Closed());
    EXPECT_TRUE(::IsWindow(h_.Form));

    window_->Close();
    EXPECT_TRUE(window_->Closed());
    EXPECT_FALSE(window_->Shown());
    EXPECT_FALSE(::IsWindowVisible(h_.Form));
    window_->Show();
    EXPECT_FALSE(::IsWindowVisible(h_.Form));

    const HWND form = h_.Form;
    window_.reset();
    EXPECT_FALSE(::IsWindow(form));
}

}  // namespace
}  // namespace ordo
