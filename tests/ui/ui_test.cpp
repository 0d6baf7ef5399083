#include "ui/ui.h"

#include <gtest/gtest.h>
#include <sstream>

namespace ordo {
namespace {

TEST(HeadlessUi, WindowGeometryFitsTheWorkAreaCorner) {
    std::ostringstream err;
    auto ui = CreateHeadlessUi(err, nullptr, false, false);
    auto win = ui->CreateWindow();
    win->SetCaption("쿼리 기록");
    win->SetClientSize(120, 57);
    EXPECT_EQ(win->ClientWidth(), 120);
    EXPECT_GT(win->Width(), 120) << "the frame is part of the outer size";
    EXPECT_GT(win->Height(), 57);
    TRect wa = ui->WorkArea();
    EXPECT_LT(wa.Height(), 1080) << "the task bar is left out";
    win->SetPosition(wa.Right - win->Width(), wa.Bottom - win->Height());
    EXPECT_EQ(win->Left() + win->Width(), wa.Right);
    EXPECT_EQ(win->Top() + win->Height(), wa.Bottom);
    EXPECT_EQ(win->Caption(), "쿼리 기록");
}

TEST(HeadlessUi, CloseHappensOnceAndHidesTheWindow) {
    std::ostringstream err;
    auto ui = CreateHeadlessUi(err, nullptr, false, false);
    auto win = ui->CreateWindow();
    int closes = 0;
    win->OnClose = [&](IUiWindow& sender) {
        ++closes;
        EXPECT_EQ(&sender, win.get());
    };
    win->Show();
    EXPECT_TRUE(win->Shown());
    win->Close();
    win->Close();
    EXPECT_EQ(closes, 1);
    EXPECT_TRUE(win->Closed());
    EXPECT_FALSE(win->Shown());
    win->Show();
    EXPECT_FALSE(win->Shown()) << "a closed window stays gone";
}

TEST(HeadlessUi, ProgressIsDrawnOnlyOnATerminal) {
    std::ostringstream log, tty;
    auto quiet = CreateHeadlessUi(log, nullptr, false, false);
    auto loud = CreateHeadlessUi(tty, nullptr, true, false);
    auto w1 = quiet->CreateWindow();
    auto w2 = loud->CreateWindow();
    for (auto* w : {w1.get(), w2.get()}) {
        auto& bar = w->Progress();
        EXPECT_FALSE(bar.Visible());
        bar.SetMax(4);
        bar.SetVisible(true);
        bar.SetPosition(3);
        bar.Repaint();
    }
    EXPECT_EQ(log.str(), "");
    EXPECT_NE(tty.str().find("3/4"), std::string::npos) << tty.str();
    auto beforeHide = tty.str().size();
    w2->Progress().SetVisible(false);
    EXPECT_GT(tty.str().size(), beforeHide) << "hiding erases the drawn bar";
    w2->Progress().Repaint();
    EXPECT_EQ(tty.str().find("3/4", beforeHide), std::string::npos) << "a hidden bar is not drawn";
}

TEST(HeadlessUi, ProgressPositionStaysWithinRange) {
    std::ostringstream err;
    auto ui = CreateHeadlessUi(err, nullptr, false, false);
    auto w = ui->CreateWindow();
    auto& bar = w->Progress();
    EXPECT_EQ(bar.Max(), 100);
    bar.SetPosition(150);
    EXPECT_EQ(bar.Position(), 100);
    bar.SetPosition(-1);
    EXPECT_EQ(bar.Position(), 0);
    bar.SetPosition(80);
    bar.SetMax(10);
    EXPECT_EQ(bar.Position(), 10);
}

TEST(HeadlessUi, MessagesAndQuestionsGoToStderr) {
    std::ostringstream err;
    std::istringstream answers("n\n  yes\n\nmaybe\n");
    auto unattended = CreateHeadlessUi(err, &answers, false, false);
    unattended->ShowMessage("Bad Login Attempt.");
    EXPECT_TRUE(unattended->Confirm("Exit?", true)) << "nobody at a terminal: the default";
    EXPECT_FALSE(unattended->Confirm("Exit?", false));
    EXPECT_NE(err.str().find("Bad Login Attempt.\n"), std::string::npos);
    EXPECT_NE(err.str().find("Exit?"), std::string::npos);

    auto attended = CreateHeadlessUi(err, &answers, false, true);
    EXPECT_FALSE(attended->Confirm("Q1", true));
    EXPECT_TRUE(attended->Confirm("Q2", false));
    EXPECT_TRUE(attended->Confirm("Q3", true)) << "an empty answer takes the default";
    EXPECT_FALSE(attended->Confirm("Q4", false)) << "an unclear answer takes the default";
    EXPECT_TRUE(attended->Confirm("Q5", true)) << "end of input takes the default";
}

TEST(HeadlessUi, ScreenCursorIsRemembered) {
    std::ostringstream err;
    auto ui = CreateHeadlessUi(err, nullptr, false, false);
    EXPECT_EQ(ui->ScreenCursor(), crDefault);
    ui->SetScreenCursor(crSQLWait);
    EXPECT_EQ(ui->ScreenCursor(), crSQLWait);
    EXPECT_EQ(CreateUiBackend()->Name(), "headless");
}

}  // namespace
}  // namespace ordo
