#include <cstdlib>
#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/ui/window_test_support.h"
#include "ui/ui.h"

namespace ordo::test {
namespace {

constexpr const char* kProgramName = "window_test";  // a message box's caption
constexpr TRgb kText{0, 0, 0};

// Plays the user in front of a modal dialog: every 20 ms it looks for the dialog on the display,
// and once it is there and drawn it looks at it and acts (a key, or the quit message). Gives up
// after 5 s with a quit message, so that a dialog that never shows cannot hang the test.
class TUser {
public:
    TUser(TXProbe& probe, std::string caption, std::function<void(Window)> act)
        : probe_(probe), caption_(std::move(caption)), act_(std::move(act)) {
        hwnd_ = AllocateHWnd([this](const TMessage& m) {
            if (m.message == WM_TIMER) Tick();
        });
        start_ = GetTickCount();
        SetTimer(hwnd_, 1, 20);
    }
    ~TUser() { DeallocateHWnd(hwnd_); }
    [[nodiscard]] bool Acted() const { return acted_; }
    [[nodiscard]] const TGeometry& Seen() const { return seen_; }
    [[nodiscard]] const TImage& Shot() const { return shot_; }

private:
    void Tick() {
        if (acted_) return;
        if (GetTickCount() - start_ > 5000) {
            KillTimer(hwnd_, 1);
            PostQuitMessage(99);
            return;
        }
        auto xid = probe_.FindByName(caption_);
        if (!xid) return;
        const TGeometry g = probe_.Geometry(*xid);
        if (!g.viewable) return;
        TImage shot = probe_.Grab(g.x, g.y, g.width, g.height);
        if (shot.Count(0, 0, g.width, g.height, kWindowGrey, 8) == 0) return;  // not drawn yet
        KillTimer(hwnd_, 1);
        seen_ = g;
        shot_ = std::move(shot);
        acted_ = true;
        act_(*xid);
    }

    TXProbe& probe_;
    std::string caption_;
    std::function<void(Window)> act_;
    WindowHandle hwnd_ = 0;
    std::uint32_t start_ = 0;
    bool acted_ = false;
    TGeometry seen_;
    TImage shot_;
};

std::function<void(Window)> PressKey(const std::string& key) {
    return [key](Window xid) {
        const std::string command = "xdotool windowfocus --sync " + std::to_string(xid) + " key " + key;
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    };
}

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ui = CreateUiBackend();
        ASSERT_EQ(ui->Name(), "fltk");
    }
    TXProbe probe;
    std::unique_ptr<IUiBackend> ui;
};

TEST_F(Dialogs, AMessageBoxShowsItsTextCentredWhileTheQueueKeepsRunningAndEnterEndsIt) {
    int ticks = 0;
    const WindowHandle other = AllocateHWnd([&](const TMessage& m) { ticks += m.message == WM_TIMER; });
    SetTimer(other, 1, 10);
    TUser user(probe, kProgramName, PressKey("Return"));
    ui->ShowMessage(AnsiLiteral("서버 주소와 포트가 유효하지 않습니다"));
    DeallocateHWnd(other);

    ASSERT_TRUE(user.Acted()) << "the message box appeared";
    const TGeometry& g = user.Seen();
    const auto [screenW, screenH] = probe.ScreenSize();
    EXPECT_NEAR(g.x + g.width / 2, screenW / 2, 1);
    EXPECT_NEAR(g.y + g.height / 2, screenH / 2, 1);
    EXPECT_GT(user.Shot().Count(0, 0, g.width, g.height / 2, kText, 60), 50) << "the text is drawn";
    EXPECT_TRUE(WritePng(user.Shot(), ArtifactPath("message_box.png")));
    EXPECT_GT(ticks, 0) << "other windows' messages were served while the box was up";
    EXPECT_TRUE(PumpUntil([&] {
        auto xid = probe.FindByName(kProgramName);
        return !xid || !probe.Geometry(*xid).viewable;
    })) << "the box is gone once answered";
}

TEST_F(Dialogs, AQuestionIsAnsweredByItsKeysEnterTakesTheDefaultAndEscapeDeclines) {
    struct Case {
        bool defaultAnswer;
        const char* key;
        bool expected;
    };
    for (const Case& c : {Case{true, "Return", true}, Case{false, "Return", false}, Case{true, "n", false},
                          Case{false, "y", true}, Case{true, "Escape", false}}) {
        TUser user(probe, kProgramName, PressKey(c.key));
        const bool answer = ui->Confirm("로그인을 취소하시겠습니까?", c.defaultAnswer);
        ASSERT_TRUE(user.Acted());
        EXPECT_EQ(answer, c.expected) << "default " << c.defaultAnswer << ", key " << c.key;
        PumpUntil([&] {
            auto xid = probe.FindByName(kProgramName);
            return !xid || !probe.Geometry(*xid).viewable;
        });
    }
}

TEST_F(Dialogs, TheQuitMessageEndsAQuestionWithItsDefaultAndStaysForTheMainLoop) {
    TUser user(probe, kProgramName, [](Window) { PostQuitMessage(7); });
    EXPECT_TRUE(ui->Confirm("Exit?", true));
    ASSERT_TRUE(user.Acted());
    TMessage msg;
    ASSERT_TRUE(PeekMessage(msg, TMessageFilter{}, true));
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(Dialogs, TheUpdateWindowIsCentredOnTopWithoutButtonsAndShowsItsTexts) {
    auto win = ui->CreateUpdateWindow();
    win->SetCaption("Program Update In Progress . . . ");
    win->SetMemoText(
        "This software program must be updated.\r\n\r\nYou are not required to take any action.  This program has "
        "an intelligent update feature and it knows how to update itself.  Please wait while the update "
        "progresses.\r\n\r\nWhen the updated program has been received by your machine, it will start "
        "automatically and you can continue with your work.  Thank you.");
    win->SetStatusText(AnsiLiteral("서버가 업데이트를 준비하고 있습니다"));
    EXPECT_EQ(win->Progress().Max(), 100);
    win->Progress().SetPosition(50);
    EXPECT_FALSE(win->Shown());
    win->Show();
    std::optional<Window> xid;
    ASSERT_TRUE(PumpUntil([&] {
        xid = probe.FindByName("Program Update In Progress . . . ");
        if (!xid || !probe.Geometry(*xid).viewable) return false;
        const TGeometry g = probe.Geometry(*xid);
        return probe.Grab(g.x, g.y, g.width, g.height).Count(0, 0, g.width, g.height, kBarBlue) > 0;
    }));
    const TGeometry g = probe.Geometry(*xid);
    const auto [screenW, screenH] = probe.ScreenSize();
    EXPECT_EQ(g.width, 407);
    EXPECT_EQ(g.height, 260);
    EXPECT_EQ(g.x, (screenW - 407) / 2);
    EXPECT_EQ(g.y, (screenH - 260) / 2);
    const std::vector<long> state = probe.Property32(*xid, "_NET_WM_STATE");
    EXPECT_NE(std::find(state.begin(), state.end(), probe.AtomOf("_NET_WM_STATE_ABOVE")), state.end())
        << "kept above the other windows";
    const std::vector<long> motif = probe.Property32(*xid, "_MOTIF_WM_HINTS");
    ASSERT_GE(motif.size(), 3u);
    constexpr long kFuncClose = 32, kDecorMenu = 16;
    EXPECT_EQ(motif[1] & kFuncClose, 0);
    EXPECT_EQ(motif[2] & kDecorMenu, 0) << "no title-bar buttons";

    const TImage shot = probe.Grab(g.x, g.y, g.width, g.height);
    EXPECT_TRUE(WritePng(shot, ArtifactPath("update_window.png")));
    EXPECT_GT(shot.Count(0, 0, g.width, 200, kText, 60), 200) << "the memo's text";
    EXPECT_GT(shot.Count(0, 205, g.width, 30, kBarBlue, 60), 30) << "the navy status line";
    const int barTop = g.height - 17;
    EXPECT_GT(shot.Count(2, barTop + 2, g.width / 2 - 4, 13, kBarBlue), 0);
    EXPECT_EQ(shot.Count(g.width / 2 + 4, barTop, g.width / 2 - 4, 17, kBarBlue), 0);

    // Nobody can close it; the update closes it.
    probe.RequestClose(*xid);
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(probe.Geometry(*xid).viewable);
    EXPECT_FALSE(win->Closed());

    win->SetCaption("Update of window_test in progress . . . 3 Secs");
    win->Progress().SetPosition(100);
    win->Repaint();
    probe.Sync();
    EXPECT_EQ(probe.NetWmName(*xid), "Update of window_test in progress . . . 3 Secs");
    EXPECT_GT(probe.Grab(g.x, g.y, g.width, g.height).Count(g.width / 2 + 4, barTop + 2, g.width / 2 - 8, 13, kBarBlue),
              0)
        << "drawn at once";

    win->Close();
    EXPECT_TRUE(win->Closed());
    EXPECT_TRUE(PumpUntil([&] { return !probe.FindByName("Update of window_test in progress . . . 3 Secs"); }));
    win->Show();
    EXPECT_FALSE(win->Shown());
}

}  // namespace
}  // namespace ordo::test
