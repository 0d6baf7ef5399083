// The Windows message queue behind the platform's loop: real message windows, system timers,
// cross-thread posts and the filtered waits of a reply.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/message_queue.h"
#include "platform/win32/windows_api.h"

namespace ordo {
namespace {

constexpr std::uint32_t kPing = WM_USER + 1;
constexpr std::uint32_t kPong = WM_USER + 2;

struct Recorder {
    std::vector<TMessage> seen;
    WindowHandle window = AllocateHWnd([this](const TMessage& m) { seen.push_back(m); });
    ~Recorder() { DeallocateHWnd(window); }
};

void DrainQueue() {
    TMessage m;
    while (PeekMessage(m, TMessageFilter{}, true)) {
    }
}

TEST(Win32MessageQueue, WindowsAreRealMessageOnlyWindows) {
    Recorder r;
    ASSERT_NE(r.window, 0u);
    EXPECT_TRUE(IsWindow(r.window));
    HWND h = detail::ToHwnd(r.window);
    EXPECT_TRUE(::IsWindow(h));
    EXPECT_EQ(::GetParent(h), nullptr);
    EXPECT_FALSE(::IsWindowVisible(h));
    DeallocateHWnd(r.window);
    EXPECT_FALSE(IsWindow(r.window));
    DeallocateHWnd(r.window);  // a second time is ignored
}

TEST(Win32MessageQueue, PostedMessagesArriveInOrderWithTheirParameters) {
    Recorder r;
    ASSERT_TRUE(PostMessage(r.window, kPing, 1, -5));
    ASSERT_TRUE(PostMessage(r.window, kPong, 2, 7));
    EXPECT_TRUE(ProcessMessages());
    ASSERT_EQ(r.seen.size(), 2u);
    EXPECT_EQ(r.seen[0].message, kPing);
    EXPECT_EQ(r.seen[0].wParam, 1u);
    EXPECT_EQ(r.seen[0].lParam, -5);
    EXPECT_EQ(r.seen[1].message, kPong);
    EXPECT_EQ(r.seen[1].hwnd, r.window);
}

TEST(Win32MessageQueue, PostingToAVanishedWindowFails) {
    WindowHandle w = AllocateHWnd([](const TMessage&) {});
    DeallocateHWnd(w);
    EXPECT_FALSE(PostMessage(w, kPing));
}

TEST(Win32MessageQueue, DestroyingAWindowDropsWhatWasQueuedForIt) {
    int calls = 0;
    WindowHandle w = AllocateHWnd([&](const TMessage&) { ++calls; });
    Recorder other;
    PostMessage(w, kPing);
    PostMessage(other.window, kPong);
    DeallocateHWnd(w);
    TMessage m;
    int taken = 0;
    while (PeekMessage(m, TMessageFilter{}, true)) {
        EXPECT_NE(m.hwnd, w);
        DispatchMessage(m);
        ++taken;
    }
    EXPECT_EQ(taken, 1);
    EXPECT_EQ(calls, 0);
    ASSERT_EQ(other.seen.size(), 1u);
}

TEST(Win32MessageQueue, AWindowFilterLeavesOtherMessagesQueued) {
    Recorder a, b;
    PostMessage(a.window, kPing);
    PostMessage(b.window, kPong);
    TMessage m;
    ASSERT_TRUE(PeekMessage(m, TMessageFilter{b.window, 0}, true));
    EXPECT_EQ(m.message, kPong);
    EXPECT_FALSE(PeekMessage(m, TMessageFilter{b.window, 0}, true));
    // The extra message number matches whatever window it is for.
    ASSERT_TRUE(PeekMessage(m, TMessageFilter{b.window, kPing}, false));
    EXPECT_EQ(m.hwnd, a.window);
    DrainQueue();
}

TEST(Win32MessageQueue, AFilteredWaitSleepsThroughRejectedMessages) {
    Recorder a, b;
    PostMessage(a.window, kPing);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(WaitMessage(TMessageFilter{b.window, 0}, 150));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(140));
    EXPECT_TRUE(WaitMessage(TMessageFilter{a.window, 0}, 0));
    DrainQueue();
}

TEST(Win32MessageQueue, APostFromAnotherThreadEndsTheWait) {
    Recorder r;
    std::thread poster([w = r.window] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessage(w, kPing, 42);
    });
    EXPECT_TRUE(WaitMessage(TMessageFilter{r.window, 0}, 5000));
    poster.join();
    TMessage m;
    ASSERT_TRUE(PeekMessage(m, r.window, true));
    EXPECT_EQ(m.wParam, 42u);
}

TEST(Win32MessageQueue, QuitEndsTheLoopAndIsSeenAgainByTheOuterOne) {
    Recorder r;
    PostMessage(r.window, kPing);
    PostQuitMessage(3);
    EXPECT_FALSE(ProcessMessages());
    EXPECT_EQ(r.seen.size(), 1u);
    EXPECT_EQ(RunMessageLoop(), 3);
}

TEST(Win32MessageQueue, SystemTimersTickAndStop) {
    int ticks = 0;
    WindowHandle w = 0;
    w = AllocateHWnd([&](const TMessage& m) {
        if (m.message != WM_TIMER || m.wParam != 7) return;
        if (++ticks == 3) {
            KillTimer(w, 7);
            PostQuitMessage(0);
        }
    });
    ASSERT_EQ(SetTimer(w, 7, 20), 7u);
    std::uint32_t start = GetTickCount();
    EXPECT_EQ(RunMessageLoop(), 0);
    EXPECT_EQ(ticks, 3);
    EXPECT_GE(GetTickCount() - start, 40u);
    EXPECT_FALSE(WaitMessage(TMessageFilter{w, 0}, 60));  // no tick after KillTimer
    DeallocateHWnd(w);
    EXPECT_EQ(SetTimer(w, 1, 10), 0u);
}

TEST(Win32MessageQueue, AnExceptionOfAProcedureReachesTheDispatcher) {
    WindowHandle w = AllocateHWnd([](const TMessage&) { throw std::runtime_error("from the procedure"); });
    PostMessage(w, kPing);
    TMessage m;
    ASSERT_TRUE(PeekMessage(m, w, true));
    EXPECT_THROW(DispatchMessage(m), std::runtime_error);
    DeallocateHWnd(w);
}

TEST(Win32MessageQueue, MainThreadCallsRunWhileTheMainThreadWaits) {
    std::atomic<bool> ran{false};
    std::thread other([&] { QueueMainThreadCall([&] { ran = true; }); });
    other.join();
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!ran && std::chrono::steady_clock::now() < deadline) WaitMessage(50);
    EXPECT_TRUE(ran);
    std::thread notMain([] { EXPECT_FALSE(CheckSynchronize()); });
    notMain.join();
}

TEST(Win32MessageQueue, WatchedHandlesRunTheirCallbackInsideTheLoop) {
    HANDLE event = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    const int key = detail::FromHandle(event);
    int calls = 0;
    short got = 0;
    WatchDescriptor(key, 1, [&](short revents) {
        ++calls;
        got = revents;
    });
    std::thread setter([event] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ::SetEvent(event);
    });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (calls == 0 && std::chrono::steady_clock::now() < deadline) WaitMessage(100);
    setter.join();
    UnwatchDescriptor(key);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(got, 1);
    ::SetEvent(event);
    WaitMessage(20);
    EXPECT_EQ(calls, 1);  // unwatched: no more calls
    ::CloseHandle(event);
}

}  // namespace
}  // namespace ordo
