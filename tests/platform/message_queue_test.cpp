#include "platform/message_queue.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <gtest/gtest.h>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ordo {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

/// A window that records what reaches its procedure, and goes away with the test.
struct RecordingWindow {
    std::vector<TMessage> got;
    WindowHandle hwnd = AllocateHWnd([this](const TMessage& m) { got.push_back(m); });
    ~RecordingWindow() { DeallocateHWnd(hwnd); }
};

void DrainQueue() {
    TMessage m;
    while (PeekMessage(m, 0, true)) {}
}

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1000.0 + static_cast<double>(ts.tv_nsec) / 1e6;
}

TEST(TMessageQueue, PostedMessagesReachTheirWindowInOrder) {
    RecordingWindow a, b;
    ASSERT_TRUE(PostMessage(a.hwnd, WM_USER + 1, 7, -3));
    ASSERT_TRUE(PostMessage(b.hwnd, WM_USER + 2, 8, 9));
    ASSERT_TRUE(PostMessage(a.hwnd, WM_USER + 3, 0, 0));
    EXPECT_TRUE(ProcessMessages());
    ASSERT_EQ(a.got.size(), 2u);
    EXPECT_EQ(a.got[0].message, WM_USER + 1);
    EXPECT_EQ(a.got[0].wParam, 7u);
    EXPECT_EQ(a.got[0].lParam, -3);
    EXPECT_EQ(a.got[0].hwnd, a.hwnd);
    EXPECT_EQ(a.got[1].message, WM_USER + 3);
    ASSERT_EQ(b.got.size(), 1u);
    EXPECT_EQ(b.got[0].lParam, 9);
}

TEST(TMessageQueue, PeekWithWindowFilterLeavesOtherMessagesQueued) {
    RecordingWindow a, b;
    PostMessage(b.hwnd, WM_USER, 1, 0);
    PostMessage(a.hwnd, WM_USER, 2, 0);
    PostMessage(b.hwnd, WM_USER, 3, 0);
    TMessage m;
    ASSERT_TRUE(PeekMessage(m, a.hwnd, false));
    EXPECT_EQ(m.wParam, 2u);
    ASSERT_TRUE(PeekMessage(m, a.hwnd, true));  // still there after a look without remove
    EXPECT_EQ(m.wParam, 2u);
    EXPECT_FALSE(PeekMessage(m, a.hwnd, true));
    ASSERT_TRUE(PeekMessage(m, 0, true));
    EXPECT_EQ(m.wParam, 1u);
    ASSERT_TRUE(PeekMessage(m, 0, true));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessage(m, 0, true));
}

TEST(TMessageQueue, FilterAcceptsTheExtraMessageNumberAndQuitForAnyWindow) {
    RecordingWindow a, b;
    PostMessage(b.hwnd, WM_USER, 0, 0);
    PostMessage(b.hwnd, WM_USER + 1, 0, 0);
    TMessage m;
    TMessageFilter f{a.hwnd, WM_USER + 1};
    ASSERT_TRUE(PeekMessage(m, f, true));
    EXPECT_EQ(m.message, WM_USER + 1);
    EXPECT_FALSE(PeekMessage(m, f, true));
    PostQuitMessage(4);
    ASSERT_TRUE(PeekMessage(m, f, true));
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 4u);
    DrainQueue();
}

TEST(TMessageQueue, QuitEndsTheLoopAfterEarlierMessagesWithItsExitCode) {
    RecordingWindow a;
    PostMessage(a.hwnd, WM_USER, 0, 0);
    PostQuitMessage(3);
    PostMessage(a.hwnd, WM_USER + 1, 0, 0);
    EXPECT_EQ(RunMessageLoop(), 3);
    ASSERT_EQ(a.got.size(), 1u);
    EXPECT_EQ(a.got[0].message, WM_USER);
    DrainQueue();
}

TEST(TMessageQueue, ProcessMessagesStopsAtQuitAndLeavesItForTheOuterLoop) {
    RecordingWindow a;
    PostQuitMessage(0);
    PostMessage(a.hwnd, WM_USER, 0, 0);
    EXPECT_FALSE(ProcessMessages());
    TMessage m;
    EXPECT_FALSE(GetMessage(m));
    EXPECT_EQ(m.message, WM_QUIT);
    DrainQueue();
}

TEST(TMessageQueue, DestroyedWindowLosesItsMessagesAndRefusesPosts) {
    auto a = std::make_unique<RecordingWindow>();
    WindowHandle h = a->hwnd;
    PostMessage(h, WM_USER, 0, 0);
    DeallocateHWnd(h);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(PostMessage(h, WM_USER, 0, 0));
    TMessage m;
    EXPECT_FALSE(PeekMessage(m, 0, true));
    DispatchMessage(TMessage{h, WM_USER, 0, 0});  // a stale message is ignored
    EXPECT_TRUE(a->got.empty());
}

TEST(TMessageQueue, WindowProcedureMayDestroyItsOwnWindow) {
    WindowHandle h = 0;
    int calls = 0;
    h = AllocateHWnd([&](const TMessage&) {
        ++calls;
        DeallocateHWnd(h);
    });
    PostMessage(h, WM_USER, 0, 0);
    PostMessage(h, WM_USER, 0, 0);
    ProcessMessages();
    EXPECT_EQ(calls, 1);
}

TEST(TMessageQueue, PostFromAnotherThreadWakesABlockedWait) {
    RecordingWindow a;
    auto start = Clock::now();
    std::thread t([h = a.hwnd] {
        std::this_thread::sleep_for(30ms);
        PostMessage(h, WM_USER + 5, 42, 0);
    });
    TMessage m;
    ASSERT_TRUE(GetMessage(m));
    t.join();
    auto waited = Clock::now() - start;
    EXPECT_EQ(m.message, WM_USER + 5);
    EXPECT_EQ(m.wParam, 42u);
    EXPECT_GE(waited, 25ms);
    EXPECT_LT(waited, 2s);
}

TEST(TMessageQueue, FilteredWaitSleepsWhileOtherWindowsMessagesWait) {
    RecordingWindow target, other;
    PostMessage(other.hwnd, WM_USER, 0, 0);
    double cpuBefore = ThreadCpuMs();
    auto start = Clock::now();
    EXPECT_FALSE(WaitMessage(TMessageFilter{target.hwnd, 0}, 150));
    auto waited = Clock::now() - start;
    EXPECT_GE(waited, 145ms);
    EXPECT_LT(ThreadCpuMs() - cpuBefore, 40.0) << "the wait must block, not spin";

    std::thread t([h = target.hwnd] {
        std::this_thread::sleep_for(20ms);
        PostMessage(h, WM_USER + 1, 0, 0);
    });
    EXPECT_TRUE(WaitMessage(TMessageFilter{target.hwnd, 0}, 2000));
    t.join();
    TMessage m;
    ASSERT_TRUE(PeekMessage(m, 0, true));
    EXPECT_EQ(m.hwnd, other.hwnd) << "the held-back message keeps its place";
    DrainQueue();
}

TEST(TMessageQueue, WaitWithTimeoutReturnsFalseWhenNothingCame) {
    auto start = Clock::now();
    EXPECT_FALSE(WaitMessage(30));
    EXPECT_GE(Clock::now() - start, 29ms);
}

TEST(TMessageQueue, TimerTicksRepeatAndStopWhenKilled) {
    RecordingWindow a;
    ASSERT_EQ(SetTimer(a.hwnd, 9, 15), 9u);
    auto start = Clock::now();
    TMessage m;
    while (a.got.size() < 3 && Clock::now() - start < 2s)
        if (GetMessage(m)) DispatchMessage(m);
    ASSERT_EQ(a.got.size(), 3u);
    for (const auto& t : a.got) {
        EXPECT_EQ(t.message, WM_TIMER);
        EXPECT_EQ(t.wParam, 9u);
    }
    EXPECT_GE(Clock::now() - start, 40ms);
    EXPECT_TRUE(KillTimer(a.hwnd, 9));
    EXPECT_FALSE(WaitMessage(60));
    EXPECT_FALSE(KillTimer(a.hwnd, 9));
}

TEST(TMessageQueue, HeldBackTimerQueuesOnlyOneTick) {
    RecordingWindow a;
    SetTimer(a.hwnd, 1, 10);
    std::this_thread::sleep_for(80ms);
    WaitMessage(0);
    std::this_thread::sleep_for(30ms);
    int ticks = 0;
    TMessage m;
    while (PeekMessage(m, a.hwnd, true)) ticks += m.message == WM_TIMER;
    EXPECT_EQ(ticks, 1);
    KillTimer(a.hwnd, 1);
}

TEST(TMessageQueue, SetTimerOnUnknownWindowFails) { EXPECT_EQ(SetTimer(999999, 1, 10), 0u); }

TEST(TMessageQueue, TickCountFollowsTheClock) {
    std::uint32_t t0 = GetTickCount();
    Sleep(25);
    std::uint32_t elapsed = GetTickCount() - t0;
    EXPECT_GE(elapsed, 24u);
    EXPECT_LT(elapsed, 1000u);
}

TEST(TMessageQueue, DescriptorWatchRunsInsideTheLoop) {
    int p[2];
    ASSERT_EQ(pipe(p), 0);
    short seen = 0;
    WatchDescriptor(p[0], POLLIN, [&](short revents) {
        seen = revents;
        char c;
        EXPECT_EQ(read(p[0], &c, 1), 1);
    });
    ASSERT_EQ(write(p[1], "x", 1), 1);
    WaitMessage(50);
    EXPECT_TRUE(seen & POLLIN);
    UnwatchDescriptor(p[0]);
    close(p[0]);
    close(p[1]);
}

TEST(TMessageQueue, CallsQueuedForTheMainThreadRunInItsLoop) {
    ASSERT_EQ(gettid(), getpid()) << "test runs on the main thread";
    std::atomic<bool> ran{false};
    std::thread t([&] {
        std::this_thread::sleep_for(10ms);
        QueueMainThreadCall([&] { ran = true; });
    });
    auto start = Clock::now();
    while (!ran && Clock::now() - start < 2s) WaitMessage(50);
    t.join();
    EXPECT_TRUE(ran);
}

TEST(TMessageQueue, EachThreadHasItsOwnQueue) {
    RecordingWindow mine;
    std::atomic<WindowHandle> theirs{0};
    std::atomic<int> received{0};
    std::thread t([&] {
        WindowHandle h = AllocateHWnd([&](const TMessage& m) {
            received = static_cast<int>(m.wParam);
            PostQuitMessage(0);
        });
        theirs = h;
        RunMessageLoop();
        DeallocateHWnd(h);
    });
    while (theirs == 0) std::this_thread::yield();
    PostMessage(theirs, WM_USER, 77, 0);
    t.join();
    EXPECT_EQ(received, 77);
    TMessage m;
    EXPECT_FALSE(PeekMessage(m, 0, true)) << "nothing leaked into this thread's queue";
}

}  // namespace
}  // namespace ordo
