#include "net/smart_wait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/message_pump.h"
#include "tests/support/recording_ui.h"
#include "tests/support/scripted_transport.h"

namespace ordo {
namespace {

using test::DrainQuit;
using test::RecordingUi;

constexpr std::uint32_t kPing = WM_USER + 7;

/// A target window whose procedure runs the given action for each message it gets.
struct WaitFixture : ::testing::Test {
    void SetUp() override {
        target = AllocateHWnd([this](const TMessage& m) {
            received.push_back(m.message);
            if (onMessage) onMessage(m);
        });
        other = AllocateHWnd([this](const TMessage& m) { otherReceived.push_back(m.message); });
        wait.SetTargetWindow(target);
    }
    void TearDown() override {
        DrainQuit();
        DeallocateHWnd(target);
        DeallocateHWnd(other);
    }

    WindowHandle target = 0;
    WindowHandle other = 0;
    TOrdoSmartWait wait;
    std::vector<std::uint32_t> received;
    std::vector<std::uint32_t> otherReceived;
    std::function<void(const TMessage&)> onMessage;
};

TEST_F(WaitFixture, EndsWhenADispatchedMessageStopsIt) {
    onMessage = [this](const TMessage& m) {
        if (m.message == kPing) wait.StopWait();
    };
    PostMessage(target, kPing);
    wait.Wait();
    EXPECT_FALSE(wait.Waiting());
    EXPECT_FALSE(wait.TimedOut());
    EXPECT_EQ(wait.LastWaitEnd(), TWaitEnd::weStopped);
    EXPECT_EQ(received.front(), kPing);
}

TEST_F(WaitFixture, HoldsBackOtherWindowsMessagesInTheirOrder) {
    PostMessage(other, kPing, 1);
    PostMessage(other, kPing + 1, 2);
    onMessage = [this](const TMessage& m) {
        if (m.message == kPing) wait.StopWait();
    };
    PostMessage(target, kPing);
    wait.Wait();
    EXPECT_TRUE(otherReceived.empty());
    ProcessMessages();
    EXPECT_EQ(otherReceived, (std::vector<std::uint32_t>{kPing, kPing + 1}));
}

TEST_F(WaitFixture, TimeLimitEndsTheWaitAndTimedOutStaysSet) {
    test::TManualClock clock;
    wait.SetClock(clock);
    wait.SetTimeLimit(30000);
    clock.After(29000, [&] { PostMessage(other, kPing); });  // held back: it does not end the wait
    const std::uint32_t start = clock.Ticks();
    wait.Wait();
    EXPECT_GT(clock.Ticks() - start, 30000u);
    EXPECT_LE(clock.Ticks() - start, 30001u) << "the wait ends as soon as its limit has passed";
    EXPECT_TRUE(otherReceived.empty());
    EXPECT_TRUE(wait.TimedOut());
    EXPECT_EQ(wait.LastWaitEnd(), TWaitEnd::weTimedOut);

    // A later wait that gets its reply does not clear the flag.
    onMessage = [this](const TMessage&) { wait.StopWait(); };
    PostMessage(target, kPing);
    wait.Wait();
    EXPECT_EQ(wait.LastWaitEnd(), TWaitEnd::weStopped);
    EXPECT_TRUE(wait.TimedOut());
}

TEST_F(WaitFixture, QuitMessageEndsTheWaitAndIsLeftForTheOuterLoop) {
    PostQuitMessage(3);
    wait.Wait();
    EXPECT_EQ(wait.LastWaitEnd(), TWaitEnd::weQuit);
    EXPECT_FALSE(wait.TimedOut());
    TMessage m;
    ASSERT_TRUE(PeekMessage(m, TMessageFilter{0, 0}, true));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
}

TEST_F(WaitFixture, ASecondWaitInsideAWaitReturnsAtOnce) {
    int starts = 0;
    wait.OnStartOfWait = [&](TOrdoSmartWait&) { ++starts; };
    bool nestedReturned = false;
    onMessage = [&](const TMessage&) {
        wait.Wait();  // must not block or restart the loop
        nestedReturned = true;
        wait.StopWait();
    };
    PostMessage(target, kPing);
    wait.Wait();
    EXPECT_TRUE(nestedReturned);
    EXPECT_EQ(starts, 1);
}

TEST_F(WaitFixture, CrossThreadCallsRunDuringTheWait) {
    std::thread t([this] { QueueMainThreadCall([this] { wait.StopWait(); }); });
    wait.SetTimeLimit(2000);
    wait.Wait();
    t.join();
    EXPECT_EQ(wait.LastWaitEnd(), TWaitEnd::weStopped);
    EXPECT_FALSE(wait.TimedOut());
}

TEST_F(WaitFixture, ExceptionInADispatchedMessageEndsTheWait) {
    onMessage = [](const TMessage&) { throw std::runtime_error("handler failed"); };
    PostMessage(target, kPing);
    wait.Wait();
    EXPECT_EQ(wait.LastWaitEnd(), TWaitEnd::weFailed);
    EXPECT_EQ(wait.LastFailure(), "handler failed");
    EXPECT_FALSE(wait.Waiting());
}

TEST_F(WaitFixture, WaitingCursorIsShownAndRestored) {
    RecordingUi ui;
    wait.SetUi(&ui);
    wait.SetWaitingCursor(cqSQLHourGlass);
    TCursor during = crDefault;
    onMessage = [&](const TMessage&) {
        during = ui.ScreenCursor();
        wait.StopWait();
    };
    PostMessage(target, kPing);
    wait.Wait();
    EXPECT_EQ(during, crSQLWait);
    EXPECT_EQ(ui.ScreenCursor(), crDefault);

    ui.cursorHistory.clear();
    wait.SetWaitingCursor(cqNoChange);
    PostMessage(target, kPing);
    wait.Wait();
    EXPECT_TRUE(ui.cursorHistory.empty());
}

}  // namespace
}  // namespace ordo
