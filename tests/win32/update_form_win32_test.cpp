// The update form of the client socket drawn in the Windows update window: the texts it puts
// in, the bar following a program as it arrives, and the window gone when the update ends.
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "ui/win32/win32_ui.h"
#include "ui/win32/win32_update_window.h"
#include "update/client_update.h"

#include <commctrl.h>

namespace ordo {
namespace {

std::wstring WideText(HWND h) {
    wchar_t wide[256] = {};
    ::GetWindowTextW(h, wide, 256);
    return wide;
}

TEST(Win32UpdateForm, TheFormFillsTheWindowAndFollowsTheArrivingProgram) {
    auto ui = detail::CreateWin32Ui();
    if (!ui) GTEST_SKIP() << "no visible desktop in this session";
    constexpr TDateTime kStart = 46000.5;
    TClientUpdateForm form(ui->CreateUpdateWindow(), "fqreplay.exe", kStart);
    const detail::TWin32UpdateHandles h = detail::Win32UpdateHandles(form.Window());
    ASSERT_NE(h.Form, nullptr);
    form.Window().Show();

    EXPECT_EQ(WideText(h.Form), L"Program Update In Progress . . . ");
    EXPECT_EQ(WideText(h.Memo).rfind(L"This software program must be updated.\r\n\r\n", 0), 0u);
    EXPECT_GT(::SendMessageA(h.Memo, EM_GETLINECOUNT, 0, 0), 5);  // three paragraphs, wrapped to the memo
    if (::GetACP() == 949) {
        EXPECT_EQ(WideText(h.Status), L"서버가 업데이트를 준비하고 있습니다");
    }
    EXPECT_EQ(::SendMessageA(h.Bar, PBM_GETRANGE, FALSE, 0), 100);

    form.FrameStarted(3'000'000);
    EXPECT_EQ(::SendMessageA(h.Bar, PBM_GETRANGE, FALSE, 0), 3'000'000);
    EXPECT_EQ(::SendMessageA(h.Bar, PBM_GETPOS, 0, 0), 0);
    if (::GetACP() == 949) {
        EXPECT_EQ(WideText(h.Status), L"업데이트를 수신 중입니다");
    }
    form.FrameProgress(1'000'000, kStart + 75.0 / 86400);
    form.FrameProgress(1'500'000, kStart + 75.0 / 86400);
    EXPECT_EQ(WideText(h.Form), L"Update of fqreplay.exe in progress . . . 1 Min 15 Secs");
    EXPECT_EQ(WideText(h.Status), L" Received 1000000 of 3000000 bytes");
    EXPECT_EQ(::SendMessageA(h.Bar, PBM_GETPOS, 0, 0), 1'500'000);
    EXPECT_FALSE(::GetUpdateRect(h.Bar, nullptr, FALSE));  // drawn while the frame still arrives

    form.Close();
    EXPECT_FALSE(::IsWindowVisible(h.Form));
}

}  // namespace
}  // namespace ordo
