// What the reply wait pays per message: a post and its dispatch on one thread, a wake-up from
// another thread, and a loopback round trip whose answer arrives as FD_READ.
#include <atomic>
#include <benchmark/benchmark.h>
#include <thread>

#include "platform/message_queue.h"
#include "platform/tcp_socket.h"

namespace ordo {
namespace {

void BM_PostPeekDispatch(benchmark::State& state) {
    int seen = 0;
    WindowHandle w = AllocateHWnd([&](const TMessage&) { ++seen; });
    TMessage m;
    for (auto _ : state) {
        PostMessage(w, WM_USER, 1, 2);
        PeekMessage(m, TMessageFilter{w, WM_USER + 1}, true);
        DispatchMessage(m);
    }
    benchmark::DoNotOptimize(seen);
    DeallocateHWnd(w);
}
BENCHMARK(BM_PostPeekDispatch);

// A filtered peek must skip what it holds back; this is its cost with 100 foreign messages queued.
void BM_FilteredPeekPastHeldBackMessages(benchmark::State& state) {
    WindowHandle mine = AllocateHWnd([](const TMessage&) {});
    WindowHandle other = AllocateHWnd([](const TMessage&) {});
    for (int i = 0; i < 100; ++i) PostMessage(other, WM_USER, 0, 0);
    TMessage m;
    for (auto _ : state) {
        PostMessage(mine, WM_USER, 0, 0);
        PeekMessage(m, mine, true);
    }
    DeallocateHWnd(mine);
    DeallocateHWnd(other);
}
BENCHMARK(BM_FilteredPeekPastHeldBackMessages);

void BM_CrossThreadWake(benchmark::State& state) {
    WindowHandle w = AllocateHWnd([](const TMessage&) {});
    std::atomic<bool> go{false}, stop{false};
    std::thread poster([&] {
        while (!stop) {
            if (go.exchange(false)) PostMessage(w, WM_USER, 0, 0);
            else std::this_thread::yield();
        }
    });
    TMessage m;
    for (auto _ : state) {
        go = true;
        GetMessage(m, w);
    }
    stop = true;
    poster.join();
    DeallocateHWnd(w);
}
BENCHMARK(BM_CrossThreadWake)->UseRealTime();

void BM_LoopbackEchoAsFdRead(benchmark::State& state) {
    constexpr std::uint32_t WM_SOCK = WM_USER + 1;
    bool readable = false;
    WindowHandle w = AllocateHWnd([&](const TMessage& m) {
        if (m.message == WM_SOCK && SelectEvent(m.lParam) == FD_READ) readable = true;
    });
    TTcpListener l;
    l.Listen();
    TAsyncTcpSocket s;
    s.Create();
    s.AsyncSelect(w, WM_SOCK, FD_CONNECT | FD_READ | FD_CLOSE);
    s.Connect("127.0.0.1", l.Port());
    TBlockingTcpStream peer = l.Accept(2000);
    std::atomic<bool> stop{false};
    std::thread echo([&] {
        std::uint8_t b[64];
        while (!stop) {
            if (!peer.WaitReadable(50)) continue;
            std::size_t n = peer.Recv(b);
            if (n == 0) return;
            peer.SendAll(ByteView(b, n));
        }
    });
    std::uint8_t buf[64];
    TMessage m;
    for (auto _ : state) {
        s.Send(AsBytes("ping"));
        readable = false;
        while (!readable && GetMessage(m, w)) DispatchMessage(m);
        while (s.Recv(buf) > 0) {}
    }
    stop = true;
    echo.join();
    DeallocateHWnd(w);
}
BENCHMARK(BM_LoopbackEchoAsFdRead)->UseRealTime();

}  // namespace
}  // namespace ordo

BENCHMARK_MAIN();
