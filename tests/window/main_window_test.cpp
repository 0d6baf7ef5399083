#include <gtest/gtest.h>

#include "net/smart_wait.h"
#include "platform/codepage.h"
#include "platform/ui.h"
#include "tests/window/window_test_support.h"

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

}  // namespace
}  // namespace ordo::test
