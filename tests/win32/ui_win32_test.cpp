// The Windows form window: its frame and client area, the bottom-right placement in the work
// area, the common-controls bar, the Korean caption in code page 949, and closing.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/message_queue.h"
#include "ui/ui.h"
#include "ui/win32/win32_ui.h"
#include "ui/win32/win32_window.h"

#include <commctrl.h>

namespace ordo {
namespace {

class Win32Ui : public ::testing::Test {
protected:
    void SetUp() override {
        ui_ = detail::CreateWin32Ui();
        if (!ui_) GTEST_SKIP() << "no visible desktop in this session";
        window_ = ui_->CreateWindow();
    }
    std::unique_ptr<IUiBackend> ui_;
    std::unique_ptr<IUiWindow> window_;
};

TEST_F(Win32Ui, TheWindowSitsInTheBottomRightCornerOfTheWorkArea) {
    window_->SetClientSize(120, 57);
    EXPECT_EQ(window_->ClientWidth(), 120);
    EXPECT_EQ(window_->ClientHeight(), 57);
    EXPECT_GT(window_->Width(), 120);   // the frame is outside the client area
    EXPECT_GT(window_->Height(), 57);
    const TRect area = ui_->WorkArea();
    ASSERT_GT(area.Width(), 0);
    ASSERT_GT(area.Height(), 0);
    RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_LE(area.Right, screen.right);
    EXPECT_LE(area.Bottom, screen.bottom);
    window_->SetPosition(area.Right - window_->Width(), area.Bottom - window_->Height());
    window_->Show();
    RECT r{};
    ::GetWindowRect(detail::Win32WindowHandle(*window_), &r);
    EXPECT_EQ(r.right, area.Right);
    EXPECT_EQ(r.bottom, area.Bottom);
    EXPECT_TRUE(window_->Shown());
    EXPECT_EQ(ui_->Name(), "win32");
}

TEST_F(Win32Ui, TheFrameIsFixedWithOnlyTheSystemMenu) {
    const LONG style = ::GetWindowLongA(detail::Win32WindowHandle(*window_), GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
}

TEST_F(Win32Ui, TheBarLiesAlongTheBottomAndClampsItsPosition) {
    window_->SetClientSize(120, 57);
    HWND bar = detail::Win32ProgressHandle(*window_);
    char cls[64] = {};
    ::GetClassNameA(bar, cls, sizeof cls);
    EXPECT_STREQ(cls, PROGRESS_CLASSA);
    RECT br{};
    ::GetWindowRect(bar, &br);
    POINT corner{br.right, br.bottom};
    ::ScreenToClient(detail::Win32WindowHandle(*window_), &corner);
    EXPECT_EQ(corner.x, 120);
    EXPECT_EQ(corner.y, 57);
    EXPECT_EQ(br.bottom - br.top, detail::kBarHeight);

    IUiProgressBar& p = window_->Progress();
    EXPECT_EQ(p.Max(), 100);
    EXPECT_FALSE(p.Visible());
    p.SetMax(10);
    p.SetPosition(15);
    EXPECT_EQ(p.Position(), 10);
    EXPECT_EQ(::SendMessageA(bar, PBM_GETPOS, 0, 0), 10);
    EXPECT_EQ(::SendMessageA(bar, PBM_GETRANGE, FALSE, 0), 10);
    p.SetPosition(-3);
    EXPECT_EQ(::SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
    window_->Show();
    p.SetVisible(true);
    EXPECT_TRUE(::IsWindowVisible(bar));
    p.SetPosition(4);
    p.Repaint();
    EXPECT_FALSE(::GetUpdateRect(bar, nullptr, FALSE));  // painted at once, nothing left for the loop
    p.SetVisible(false);
    EXPECT_FALSE(::IsWindowVisible(bar));
}

TEST_F(Win32Ui, TheKoreanCaptionIsKeptInTheAnsiCodePage) {
    OverrideAnsiCodePage("CP949");
    const std::string caption = AnsiLiteral("쿼리 기록");
    OverrideAnsiCodePage("");
    window_->SetCaption(caption);
    EXPECT_EQ(window_->Caption(), caption);
    if (::GetACP() == 949) {
        wchar_t wide[32] = {};
        ::GetWindowTextW(detail::Win32WindowHandle(*window_), wide, 32);
        EXPECT_EQ(std::wstring(wide), L"쿼리 기록");
    }
}

TEST_F(Win32Ui, ClosingRunsOnCloseOnceWhoeverAsks) {
    int closes = 0;
    window_->OnClose = [&](IUiWindow& sender) {
        EXPECT_EQ(&sender, window_.get());
        ++closes;
    };
    window_->Show();
    // The user's close arrives as WM_CLOSE through the queue.
    ::PostMessageA(detail::Win32WindowHandle(*window_), WM_CLOSE, 0, 0);
    ProcessMessages();
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(window_->Closed());
    EXPECT_FALSE(window_->Shown());
    window_->Close();
    window_->Show();
    EXPECT_EQ(closes, 1);
    EXPECT_FALSE(window_->Shown());
}

TEST_F(Win32Ui, AReplyWaitHoldsTheUsersCloseBack) {
    int closes = 0;
    window_->OnClose = [&](IUiWindow&) { ++closes; };
    WindowHandle socketWindow = AllocateHWnd([](const TMessage&) {});
    ::PostMessageA(detail::Win32WindowHandle(*window_), WM_CLOSE, 0, 0);
    PostMessage(socketWindow, WM_USER + 5);
    TMessage m;
    while (PeekMessage(m, TMessageFilter{socketWindow, 0}, true)) DispatchMessage(m);
    EXPECT_EQ(closes, 0);
    ProcessMessages();
    EXPECT_EQ(closes, 1);
    DeallocateHWnd(socketWindow);
}

TEST_F(Win32Ui, TheCursorFollowsTheShapeAsked) {
    EXPECT_EQ(ui_->ScreenCursor(), crDefault);
    ui_->SetScreenCursor(crHourGlass);
    EXPECT_EQ(ui_->ScreenCursor(), crHourGlass);
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, IDC_WAIT));
    ui_->SetScreenCursor(crDefault);
    EXPECT_EQ(::GetCursor(), ::LoadCursorA(nullptr, IDC_ARROW));
}

}  // namespace
}  // namespace ordo
