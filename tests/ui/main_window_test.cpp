#include <cstdlib>
#include <gtest/gtest.h>

#include "net/smart_wait.h"
#include "platform/codepage.h"
#include "tests/ui/window_test_support.h"
#include "ui/ui.h"

namespace ordo::test {
namespace {

constexpr int kClientW = 120, kClientH = 57, kBarH = 17;

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ui = CreateUiBackend();
        ASSERT_EQ(ui->Name(), "fltk") << "a display is open, so the desktop backend serves";
        window = ui->CreateWindow();
    }
    void TearDown() override {
        window.reset();
        PumpUntil([] { return false; }, 30);  // lets the display settle before the next test
    }

    /// Shows the window as the program does (caption, size, bottom-right corner of the work
    /// area) and returns its X window once the server has mapped it and FLTK has drawn it.
    Window ShowInCorner(const std::string& utf8Caption) {
        window->SetCaption(utf8Caption);
        window->SetClientSize(kClientW, kClientH);
        const TRect area = ui->WorkArea();
        window->SetPosition(area.Right - window->Width(), area.Bottom - window->Height());
        window->Show();
        std::optional<Window> xid;
        EXPECT_TRUE(PumpUntil([&] {
            xid = probe.FindByName(utf8Caption);
            if (!xid || !probe.Geometry(*xid).viewable) return false;
            const TGeometry g = probe.Geometry(*xid);
            return probe.Grab(g.x, g.y, g.width, g.height).Count(0, 0, g.width, g.height, kWindowGrey) > 0;
        })) << "the window appears and is drawn";
        return xid.value_or(0);
    }
    [[nodiscard]] TImage GrabBar(Window xid) {
        const TGeometry g = probe.Geometry(xid);
        return probe.Grab(g.x, g.y + g.height - kBarH, g.width, kBarH);
    }

    TXProbe probe;
    std::unique_ptr<IUiBackend> ui;
    std::unique_ptr<IUiWindow> window;
};

TEST_F(MainWindow, SitsInTheWorkAreaCornerWithItsCaptionSizeAndFixedBorder) {
    const auto [screenW, screenH] = probe.ScreenSize();
    const std::vector<long> desktop = probe.Property32(probe.Root(), "_NET_WORKAREA");
    ASSERT_EQ(desktop.size(), 4u) << "the test display announces a work area";
    const TRect area = ui->WorkArea();
    EXPECT_EQ(area.Left, desktop[0]);
    EXPECT_EQ(area.Top, desktop[1]);
    EXPECT_EQ(area.Right, desktop[0] + desktop[2]);
    EXPECT_EQ(area.Bottom, desktop[1] + desktop[3]);
    EXPECT_EQ(area.Right, screenW);
    EXPECT_LT(area.Bottom, screenH) << "the panel along the bottom is not part of the work area";

    // The program's texts are in the machine's code page; the window must show them as Korean.
    OverrideAnsiCodePage("CP949");
    const std::string ansiCaption = AnsiLiteral("쿼리 기록");
    window->SetCaption(ansiCaption);
    OverrideAnsiCodePage("");
    EXPECT_EQ(window->Caption(), ansiCaption);
    window->SetClientSize(kClientW, kClientH);
    window->SetPosition(area.Right - window->Width(), area.Bottom - window->Height());
    window->Show();
    std::optional<Window> xid;
    ASSERT_TRUE(PumpUntil([&] { return (xid = probe.FindByName("쿼리 기록")) && probe.Geometry(*xid).viewable; }))
        << "the X server knows the window by its Korean caption";

    const TGeometry g = probe.Geometry(*xid);
    EXPECT_EQ(g.width, kClientW);
    EXPECT_EQ(g.height, kClientH);
    EXPECT_EQ(g.x + g.width, area.Right) << "right edge on the work area's right edge";
    EXPECT_EQ(g.y + g.height, area.Bottom) << "bottom edge on the work area's bottom edge";
    EXPECT_EQ(window->Left(), g.x);
    EXPECT_EQ(window->Top(), g.y);
    EXPECT_TRUE(window->Shown());

    EXPECT_EQ(probe.SizeLimits(*xid), (std::vector<int>{kClientW, kClientH, kClientW, kClientH}))
        << "the border does not resize";
    const std::vector<long> motif = probe.Property32(*xid, "_MOTIF_WM_HINTS");
    ASSERT_GE(motif.size(), 3u);
    constexpr long kFuncResize = 2, kFuncMinimize = 8, kFuncMaximize = 16, kFuncClose = 32;
    constexpr long kDecorMenu = 16, kDecorMinimize = 32, kDecorMaximize = 64;
    EXPECT_EQ(motif[1] & (kFuncResize | kFuncMinimize | kFuncMaximize), 0) << "no resizing, minimizing, maximizing";
    EXPECT_NE(motif[1] & kFuncClose, 0) << "the system menu closes it";
    EXPECT_NE(motif[2] & kDecorMenu, 0);
    EXPECT_EQ(motif[2] & (kDecorMinimize | kDecorMaximize), 0);
}

TEST_F(MainWindow, TheBarIsHiddenUntilShownAndAnExplicitRepaintDrawsItAtOnce) {
    const Window xid = ShowInCorner("막대 시험");
    ASSERT_NE(xid, 0u);
    const int half = kClientW / 2;
    EXPECT_EQ(GrabBar(xid).Count(0, 0, kClientW, kBarH, kBarBlue), 0) << "the bar is hidden at first";

    auto& bar = window->Progress();
    bar.SetMax(100);
    bar.SetPosition(50);
    bar.SetVisible(true);
    bar.Repaint();
    // No message is dispatched between the repaint and the look at the screen.
    const TImage drawn = GrabBar(xid);
    EXPECT_GT(drawn.Count(2, 2, half - 4, kBarH - 4, kBarBlue), (half - 4) * (kBarH - 4) / 2)
        << "the first half is filled";
    EXPECT_EQ(drawn.Count(half + 2, 0, half - 2, kBarH, kBarBlue), 0) << "the second half is empty";
    const TGeometry g = probe.Geometry(xid);
    EXPECT_TRUE(WritePng(probe.Grab(g.x, g.y, g.width, g.height), ArtifactPath("main_window_half.png")));

    // A position change alone is drawn when the loop comes round, as a paint message would be.
    bar.SetPosition(100);
    EXPECT_EQ(GrabBar(xid).Count(half + 2, 0, half - 2, kBarH, kBarBlue), 0);
    EXPECT_TRUE(PumpUntil([&] { return GrabBar(xid).Count(half + 2, 2, half - 4, kBarH - 4, kBarBlue) > 0; }));

    bar.SetVisible(false);
    EXPECT_TRUE(PumpUntil([&] { return GrabBar(xid).Count(0, 0, kClientW, kBarH, kBarBlue) == 0; }))
        << "hiding the bar uncovers the window's background";
}

// A reply wait as the client socket runs it: only the socket window's messages get through.
// The "reply" is a timer of that window; what the screen shows is looked at from inside it.
class ReplyWait {
public:
    explicit ReplyWait(std::function<void()> onReply) : onReply_(std::move(onReply)) {
        socketWindow_ = AllocateHWnd([this](const TMessage& m) {
            if (m.message != WM_TIMER) return;
            KillTimer(socketWindow_, 1);
            onReply_();
            wait_.StopWait();
        });
        wait_.SetTargetWindow(socketWindow_);
    }
    ~ReplyWait() { DeallocateHWnd(socketWindow_); }
    /// Runs `duringWait` once the wait has started, then waits for the reply due in `replyMs`.
    void Run(std::function<void()> duringWait, std::uint32_t replyMs) {
        wait_.OnStartOfWait = [&](TOrdoSmartWait&) { duringWait(); };
        SetTimer(socketWindow_, 1, replyMs);
        wait_.Wait();
    }
    [[nodiscard]] TWaitEnd End() const { return wait_.LastWaitEnd(); }

private:
    std::function<void()> onReply_;
    WindowHandle socketWindow_ = 0;
    TOrdoSmartWait wait_;
};

TEST_F(MainWindow, ExposedPartsWaitForTheEndOfAReplyWaitWhileAnExplicitRepaintDoesNot) {
    const Window xid = ShowInCorner("대기 시험");
    ASSERT_NE(xid, 0u);
    auto& bar = window->Progress();
    bar.SetMax(100);
    bar.SetPosition(50);
    bar.SetVisible(true);
    bar.Repaint();
    const int half = kClientW / 2;
    const int filledHalf = GrabBar(xid).Count(0, 0, half, kBarH, kBarBlue);
    ASSERT_GT(filledHalf, 0);
    const TGeometry g = probe.Geometry(xid);

    int blueWhileHeld = -1, blueAfterRepaint = -1, greyWhileHeld = -1;
    ReplyWait wait([&] {
        // By now the display has long told us that the window was uncovered.
        const TImage held = probe.Grab(g.x, g.y, g.width, g.height);
        blueWhileHeld = held.Count(0, 0, g.width, g.height, kBarBlue);
        greyWhileHeld = held.Count(0, 0, g.width, g.height - kBarH, kWindowGrey);
        bar.SetPosition(75);
        bar.Repaint();
        blueAfterRepaint = GrabBar(xid).Count(0, 0, kClientW, kBarH, kBarBlue);
    });
    wait.Run([&] { probe.CoverAndUncover(g.x, g.y, g.width, g.height); }, 150);
    EXPECT_EQ(wait.End(), TWaitEnd::weStopped);
    EXPECT_EQ(blueWhileHeld, 0) << "the uncovered window was not redrawn during the wait";
    EXPECT_EQ(greyWhileHeld, 0);
    EXPECT_GT(blueAfterRepaint, filledHalf) << "the explicit repaint drew the bar, at 75 %, at once";

    EXPECT_TRUE(PumpUntil([&] {
        return probe.Grab(g.x, g.y, g.width, g.height).Count(0, 0, g.width, g.height - kBarH, kWindowGrey) >
               g.width * (g.height - kBarH) / 2;
    })) << "after the wait the main loop redraws the rest";
}

TEST_F(MainWindow, TheCloseBoxActsAfterAReplyWaitAndEscapeDoesNotClose) {
    const Window xid = ShowInCorner("닫기 시험");
    ASSERT_NE(xid, 0u);
    int closes = 0;
    window->OnClose = [&](IUiWindow& sender) {
        EXPECT_EQ(&sender, window.get());
        ++closes;
    };

    ASSERT_EQ(std::system(("xdotool windowfocus --sync " + std::to_string(xid) + " key Escape").c_str()), 0);
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(closes, 0) << "Escape leaves the window open";
    EXPECT_FALSE(window->Closed());

    int closesDuringWait = -1;
    ReplyWait wait([&] { closesDuringWait = closes; });
    wait.Run([&] { probe.RequestClose(xid); }, 150);
    EXPECT_EQ(closesDuringWait, 0) << "the close request waits while the reply is awaited";
    EXPECT_TRUE(PumpUntil([&] { return closes == 1; })) << "and is handled by the main loop";
    EXPECT_TRUE(window->Closed());
    EXPECT_TRUE(PumpUntil([&] { return !probe.Geometry(xid).viewable; }));
    window->Show();
    EXPECT_FALSE(window->Shown()) << "a closed window stays gone";
    EXPECT_EQ(closes, 1);
}

TEST_F(MainWindow, TheBusyCursorShowsOverTheProgramsWindows) {
    const Window xid = ShowInCorner("커서 시험");
    ASSERT_NE(xid, 0u);
    const TGeometry g = probe.Geometry(xid);
    probe.MovePointer(g.x + g.width / 2, g.y + 10);
    const unsigned long normal = probe.CursorSerial();
    ui->SetScreenCursor(crHourGlass);
    probe.Sync();
    EXPECT_EQ(ui->ScreenCursor(), crHourGlass);
    const unsigned long busy = probe.CursorSerial();
    EXPECT_NE(busy, normal) << "the pointer over the window shows another shape";
    ui->SetScreenCursor(crDefault);
    probe.Sync();
    const unsigned long restored = probe.CursorSerial();
    EXPECT_EQ(restored, normal);

    // A window shown while the program is busy shows the busy cursor too.
    ui->SetScreenCursor(crSQLWait);
    auto second = ui->CreateWindow();
    second->SetCaption("둘째 창");
    second->SetClientSize(80, 40);
    second->SetPosition(10, 10);
    second->Show();
    std::optional<Window> other;
    ASSERT_TRUE(PumpUntil([&] { return (other = probe.FindByName("둘째 창")) && probe.Geometry(*other).viewable; }));
    probe.MovePointer(40, 30);
    // The busy shape may be animated, its frames numbered anew: it only has to differ.
    EXPECT_NE(probe.CursorSerial(), normal);
    ui->SetScreenCursor(crDefault);
}

}  // namespace
}  // namespace ordo::test
