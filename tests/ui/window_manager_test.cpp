// The program's window under a real window manager (openbox) on the test display: the manager
// adds a frame, and the frame, not just the client area, belongs in the work area's corner.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

#include "platform/process.h"
#include "tests/ui/window_test_support.h"
#include "ui/ui.h"

namespace ordo::test {
namespace {

constexpr int kShotMargin = 20;
const std::string kCaption = "쿼리 기록";

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':'))
        if (!folder.empty() && std::filesystem::exists(std::filesystem::path(folder) / program)) return true;
    return false;
}

class UnderOpenbox : public ::testing::Test {
protected:
    void SetUp() override {
        if (!OnPath("openbox"))
            GTEST_SKIP() << "openbox is not installed: the window is not tried under a window manager";
        savedWorkArea_ = probe.Property32(probe.Root(), "_NET_WORKAREA");
        // Whatever work area is announced from now on is openbox's.
        probe.SetProperty32(probe.Root(), "_NET_WORKAREA", "CARDINAL", {});
        // The title bar the window asks for: its icon (the system menu), the caption and the close
        // box. Openbox's default layout adds iconify and maximize whatever the window's hints say,
        // and on so narrow a window they crowd out the caption.
        const std::string config = ArtifactPath("openbox-rc.xml");
        std::ofstream(config) << "<?xml version=\"1.0\"?>\n"
                                 "<openbox_config xmlns=\"http://openbox.org/3.4/rc\">\n"
                                 "  <theme><titleLayout>NLC</titleLayout></theme>\n"
                                 "</openbox_config>\n";
        ASSERT_TRUE(StartDetached({"openbox", "--sm-disable", "--config-file", config})) << "openbox starts";
        started_ = true;
        ASSERT_TRUE(PumpUntil([&] { return ManagerRunning(); }, 10000)) << "openbox takes the display";
        ASSERT_TRUE(PumpUntil([&] { return probe.Property32(probe.Root(), "_NET_WORKAREA").size() >= 4; }))
            << "openbox announces its work area";
        ui = CreateUiBackend();
        ASSERT_EQ(ui->Name(), "fltk");
    }
    void TearDown() override {
        window.reset();
        ui.reset();
        if (started_) {
            EXPECT_TRUE(StartDetached({"openbox", "--exit"}));
            EXPECT_TRUE(PumpUntil([&] { return !ManagerRunning(); }, 10000)) << "openbox leaves the display";
        }
        // The other tests expect the display as the runner made it: no manager, the runner's work area.
        if (savedWorkArea_.size() >= 4) probe.SetProperty32(probe.Root(), "_NET_WORKAREA", "CARDINAL", savedWorkArea_);
    }

    bool ManagerRunning() {
        const std::vector<long> check = probe.Property32(probe.Root(), "_NET_SUPPORTING_WM_CHECK");
        return check.size() == 1 &&
               probe.Property32(static_cast<Window>(check[0]), "_NET_SUPPORTING_WM_CHECK") == check;
    }

    TXProbe probe;
    std::unique_ptr<IUiBackend> ui;
    std::unique_ptr<IUiWindow> window;

private:
    std::vector<long> savedWorkArea_;
    bool started_ = false;
};

TEST_F(UnderOpenbox, TheFramedWindowSitsInTheWorkAreaCorner) {
    // The manager announced its work area after the display was opened (by earlier tests): the
    // backend follows the change.
    const std::vector<long> announced = probe.Property32(probe.Root(), "_NET_WORKAREA");
    TRect area;
    ASSERT_TRUE(PumpUntil([&] {
        area = ui->WorkArea();
        return area.Left == announced[0] && area.Top == announced[1] && area.Width() == announced[2] &&
               area.Height() == announced[3];
    })) << "the backend reads the manager's work area, not the one the display started with";

    window = ui->CreateWindow();
    window->SetCaption(kCaption);
    window->SetClientSize(120, 57);
    EXPECT_GT(window->Height(), window->ClientHeight()) << "the frame to come counts before the window is shown";
    window->SetPosition(area.Right - window->Width(), area.Bottom - window->Height());
    window->Show();

    // Framed: the client sits inside a window of the manager's, and the manager said how thick the frame is.
    std::optional<Window> client;
    Window outer = 0;
    ASSERT_TRUE(PumpUntil([&] {
        client = probe.FindByName(kCaption);
        if (!client || !probe.Geometry(*client).viewable) return false;
        outer = probe.OuterWindow(*client);
        return outer != *client && probe.Property32(*client, "_NET_FRAME_EXTENTS").size() == 4;
    })) << "openbox frames the window";
    // The manager may still be settling the frame.
    TGeometry frame;
    PumpUntil([&] {
        frame = probe.Geometry(outer);
        return frame.x + frame.width == area.Right && frame.y + frame.height == area.Bottom;
    });
    EXPECT_GE(frame.x, area.Left);
    EXPECT_GE(frame.y, area.Top);
    EXPECT_EQ(frame.x + frame.width, area.Right) << "the frame's right edge is the work area's";
    EXPECT_EQ(frame.y + frame.height, area.Bottom) << "the frame's bottom edge is the work area's";
    EXPECT_EQ(window->Left(), frame.x);
    EXPECT_EQ(window->Top(), frame.y);
    EXPECT_EQ(window->Width(), frame.width);
    EXPECT_EQ(window->Height(), frame.height);

    const TGeometry inside = probe.Geometry(*client);
    EXPECT_EQ(inside.width, 120);
    EXPECT_EQ(inside.height, 57);
    EXPECT_GT(inside.y, frame.y) << "the title bar is above the client area";

    // Moved while framed, a position still means the frame's corner.
    window->SetPosition(area.Left, area.Top);
    EXPECT_TRUE(PumpUntil([&] {
        // The window must have heard of the move too: a position equal to the one it still believes in
        // would not be sent, and the move back would never happen.
        const TGeometry moved = probe.Geometry(outer);
        return moved.x == area.Left && moved.y == area.Top && window->Left() == area.Left &&
               window->Top() == area.Top;
    })) << "the frame moves to the work area's top-left corner";
    window->SetPosition(area.Right - window->Width(), area.Bottom - window->Height());
    ASSERT_TRUE(PumpUntil([&] {
        const TGeometry back = probe.Geometry(outer);
        return back.x == frame.x && back.y == frame.y;
    })) << "and back into the bottom-right corner";

    // The README's picture: the frame with the desktop above and left of it, up to the screen's corner.
    const auto [screenW, screenH] = probe.ScreenSize();
    const int shotX = frame.x - kShotMargin, shotY = frame.y - kShotMargin;
    EXPECT_TRUE(WritePng(probe.Grab(shotX, shotY, screenW - shotX, screenH - shotY),
                         ArtifactPath("main_window_openbox.png")));
}

}  // namespace
}  // namespace ordo::test
