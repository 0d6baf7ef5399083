#include <gtest/gtest.h>
#include <sstream>

#include "ui/ui.h"

namespace ordo {
namespace {

std::unique_ptr<IUiUpdateWindow> MakeUpdateWindow(std::ostringstream& err, bool terminal) {
    return CreateHeadlessUi(err, nullptr, terminal, false)->CreateUpdateWindow();
}

int CountLines(const std::string& text, const std::string& needle) {
    int n = 0;
    for (auto at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
}

TEST(HeadlessUpdateWindow, ALogGetsTheTextsOnceAndTheStatusSparingly) {
    std::ostringstream err;
    auto win = MakeUpdateWindow(err, false);
    EXPECT_EQ(win->Progress().Max(), 100);
    EXPECT_TRUE(win->Progress().Visible());
    win->SetCaption("Program Update In Progress . . . ");
    win->SetMemoText("This software program must be updated.");
    win->SetStatusText("서버가 업데이트를 준비하고 있습니다");
    EXPECT_EQ(err.str(), "") << "nothing shows before Show";
    win->Show();
    win->Show();
    EXPECT_EQ(CountLines(err.str(), "Program Update In Progress"), 1);
    EXPECT_EQ(CountLines(err.str(), "must be updated"), 1);
    EXPECT_EQ(CountLines(err.str(), "서버가 업데이트를"), 1);

    // A 1000-chunk update: one line when the kind of message changes, then one per tenth.
    auto& bar = win->Progress();
    bar.SetMax(100000);
    bar.SetPosition(0);
    win->SetStatusText("업데이트를 수신 중입니다");
    for (int received = 100; received <= 100000; received += 100) {
        win->SetCaption("Update of fqreplay in progress . . . " + std::to_string(received / 1000) + " Secs");
        win->SetStatusText(" Received " + std::to_string(bar.Position()) + " of 100004 bytes");
        bar.SetPosition(received);
        win->Repaint();
    }
    const std::string log = err.str();
    EXPECT_EQ(CountLines(log, "업데이트를 수신 중입니다"), 1);
    const int received = CountLines(log, " Received ");
    EXPECT_GE(received, 10);
    EXPECT_LE(received, 12) << log;
    EXPECT_EQ(CountLines(log, "Update of fqreplay"), 0) << "the ticking caption stays out of the log";
    EXPECT_EQ(win->StatusText(), " Received 99900 of 100004 bytes");
}

TEST(HeadlessUpdateWindow, ATerminalRedrawsTheStatusInPlaceAndClosingEndsIt) {
    std::ostringstream err;
    auto win = MakeUpdateWindow(err, true);
    win->SetCaption("Program Update In Progress . . . ");
    win->Show();
    win->SetStatusText(" Received 0 of 10 bytes");
    win->Progress().SetMax(10);
    win->Progress().SetPosition(5);
    win->Repaint();
    const std::string drawn = err.str();
    EXPECT_NE(drawn.rfind("\r\033[K Received 0 of 10 bytes [##########          ]"), std::string::npos) << drawn;
    EXPECT_EQ(CountLines(drawn, "\n"), 1) << "only the caption takes a line of its own";

    win->Close();
    EXPECT_TRUE(win->Closed());
    EXPECT_FALSE(win->Shown());
    EXPECT_EQ(err.str().substr(err.str().size() - 4), "\r\033[K") << "the status line is wiped";
    const std::size_t before = err.str().size();
    win->Show();
    win->Repaint();
    EXPECT_EQ(err.str().size(), before) << "a closed window stays gone";
    EXPECT_FALSE(win->Shown());
}

TEST(HeadlessUpdateWindow, TheBarKeepsItsPositionInsideItsRange) {
    std::ostringstream err;
    auto win = MakeUpdateWindow(err, false);
    auto& bar = win->Progress();
    bar.SetPosition(150);
    EXPECT_EQ(bar.Position(), 100);
    bar.SetPosition(-3);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(80);
    bar.SetMax(40);
    EXPECT_EQ(bar.Position(), 40) << "a smaller range pulls the position in";
    bar.SetMax(-5);
    EXPECT_EQ(bar.Max(), 0);
}

// A backend written before the update window existed still hands out a working one.
class TMinimalUi : public IUiBackend {
public:
    std::string Name() const override { return "minimal"; }
    std::unique_ptr<IUiWindow> CreateWindow() override { return nullptr; }
    TRect WorkArea() const override { return {}; }
    void ShowMessage(std::string_view) override {}
    bool Confirm(std::string_view, bool answer) override { return answer; }
    void SetScreenCursor(TCursor) override {}
    TCursor ScreenCursor() const override { return crDefault; }
};

TEST(HeadlessUpdateWindow, BackendsWithoutOneOfTheirOwnFallBackToTheTextWindow) {
    TMinimalUi ui;
    auto win = ui.CreateUpdateWindow();
    ASSERT_NE(win, nullptr);
    win->SetStatusText("업데이트를 수신 중입니다");
    EXPECT_EQ(win->StatusText(), "업데이트를 수신 중입니다");
    EXPECT_EQ(win->Progress().Max(), 100);
}

}  // namespace
}  // namespace ordo
