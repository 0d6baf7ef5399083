// The update window: its texts, the bar following each frame, and the elapsed-time caption.
#include <gtest/gtest.h>

#include "update/client_update.h"
#include "platform/codepage.h"
#include "update_test_support.h"

namespace ordo {
namespace {

using test::UpdateRecordingUi;
using test::UpdateWindowLog;

constexpr TDateTime kStart = 45000.5;  // an afternoon in 2023
constexpr TDateTime Seconds(double s) { return s / SecsPerDay; }

TEST(UpdateCaption, MinutesAppearOnceAMinuteHasPassedAndHoursNever) {
    EXPECT_EQ(UpdateCaption("fqreplay", Seconds(75)), "Update of fqreplay in progress . . . 1 Min 15 Secs");
    EXPECT_EQ(UpdateCaption("fqreplay", Seconds(40)), "Update of fqreplay in progress . . . 40 Secs");
    EXPECT_EQ(UpdateCaption("fqreplay", Seconds(0)), "Update of fqreplay in progress . . . 0 Secs");
    EXPECT_EQ(UpdateCaption("fqreplay", Seconds(60)), "Update of fqreplay in progress . . . 1 Min 0 Secs");
    // 1 h 0 min 5 s: the minutes are 0, so the seconds form, without the hour.
    EXPECT_EQ(UpdateCaption("fqreplay", Seconds(3605)), "Update of fqreplay in progress . . . 5 Secs");
    EXPECT_EQ(UpdateCaption("fqreplay", Seconds(3675)), "Update of fqreplay in progress . . . 1 Min 15 Secs");
    // A clock set back during the update does not give negative numbers.
    EXPECT_EQ(UpdateCaption("fqreplay", Seconds(-3)), "Update of fqreplay in progress . . . 0 Secs");
}

TEST(UpdateCaption, DifferencesOfLargeDateTimesStillGiveWholeSeconds) {
    // Differences of date-times near 45000 days are not exact in binary; 75 s must not read 74.
    for (int s = 0; s < 600; ++s) {
        TDateTime now = kStart + Seconds(s);
        int expectMin = s / 60 % 60, expectSec = s % 60;
        std::string tail = expectMin != 0 ? std::to_string(expectMin) + " Min " + std::to_string(expectSec) + " Secs"
                                          : std::to_string(expectSec) + " Secs";
        ASSERT_EQ(UpdateCaption("p", now - kStart), "Update of p in progress . . . " + tail) << s;
    }
}

struct UpdateWindowFixture : ::testing::Test {
    void SetUp() override {
        update.SetProgram({"/opt/shop/fqreplay", {}});
        update.SetClock([this] { return now; });
    }
    UpdateWindowLog& Log() { return *ui.windows.at(0); }

    UpdateRecordingUi ui;
    TOrdoClientUpdate update;
    TDateTime now = kStart;
};

TEST_F(UpdateWindowFixture, BeginShowsTheWindowWithItsTexts) {
    update.Begin(ui);
    ASSERT_TRUE(update.Updating());
    ASSERT_EQ(ui.windows.size(), 1u);
    EXPECT_TRUE(Log().shown);
    EXPECT_EQ(Log().captions.back(), "Program Update In Progress . . . ");
    EXPECT_EQ(Log().memo,
              "This software program must be updated.\r\n\r\nYou are not required to take any action.  This program "
              "has an intelligent update feature and it knows how to update itself.  Please wait while the update "
              "progresses.\r\n\r\nWhen the updated program has been received by your machine, it will start "
              "automatically and you can continue with your work.  Thank you.");
    EXPECT_EQ(Log().statuses.back(), AnsiLiteral("서버가 업데이트를 준비하고 있습니다"));
    EXPECT_EQ(Log().max, 100);
    EXPECT_EQ(Log().position, 0);
    EXPECT_DOUBLE_EQ(update.Form()->StartTime(), kStart);
}

TEST_F(UpdateWindowFixture, EachChunkReportsThePositionBeforeItThenMovesTheBar) {
    update.Begin(ui);
    update.FrameStarted(10004);
    EXPECT_EQ(Log().statuses.back(), AnsiLiteral("업데이트를 수신 중입니다"));
    EXPECT_EQ(Log().max, 10004);
    EXPECT_EQ(Log().position, 0);

    now = kStart + Seconds(40);
    update.FrameProgress(4096);
    EXPECT_EQ(Log().captions.back(), "Update of fqreplay in progress . . . 40 Secs");
    EXPECT_EQ(Log().statuses.back(), " Received 0 of 10004 bytes");
    now = kStart + Seconds(75);
    update.FrameProgress(8192);
    EXPECT_EQ(Log().captions.back(), "Update of fqreplay in progress . . . 1 Min 15 Secs");
    EXPECT_EQ(Log().statuses.back(), " Received 4096 of 10004 bytes");
    // Delivered: the same report with 0.
    update.FrameProgress(0);
    EXPECT_EQ(Log().statuses.back(), " Received 8192 of 10004 bytes");
    EXPECT_EQ(Log().positions, (std::vector<int>{4096, 8192, 0}));  // redrawn at every step

    // The next frame starts the bar over with its own size.
    update.FrameStarted(54);
    EXPECT_EQ(Log().max, 54);
    EXPECT_EQ(Log().position, 0);
}

TEST_F(UpdateWindowFixture, FinishClosesTheWindowAndASecondBeginOpensAFreshOne) {
    update.Begin(ui);
    now = kStart + Seconds(30);
    update.Begin(ui);  // announced again: the window and its start time start over
    ASSERT_EQ(ui.windows.size(), 2u);
    EXPECT_TRUE(ui.windows[0]->closed);
    now = kStart + Seconds(70);
    update.FrameStarted(100);
    update.FrameProgress(50);
    EXPECT_EQ(ui.windows[1]->captions.back(), "Update of fqreplay in progress . . . 40 Secs");

    update.Finish();
    EXPECT_FALSE(update.Updating());
    EXPECT_EQ(update.Form(), nullptr);
    EXPECT_TRUE(ui.windows[1]->closed);
    update.FrameProgress(60);  // nothing left to report to
    EXPECT_EQ(ui.windows[1]->positions.size(), 1u);
}

}  // namespace
}  // namespace ordo
