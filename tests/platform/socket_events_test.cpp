#include <chrono>
#include <gtest/gtest.h>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "platform/message_queue.h"
#include "platform/tcp_socket.h"

namespace ordo {
namespace {

using namespace std::chrono_literals;
constexpr std::uint32_t WM_SOCK = WM_USER + 100;

/// Collects the socket notifications that reach one window.
struct SocketWindow {
    std::vector<std::pair<long, int>> events;  // (event, error)
    WindowHandle hwnd = AllocateHWnd([this](const TMessage& m) {
        if (m.message == WM_SOCK) events.emplace_back(SelectEvent(m.lParam), SelectError(m.lParam));
    });
    ~SocketWindow() { DeallocateHWnd(hwnd); }

    /// Pumps until `n` notifications arrived or the time is up.
    void PumpUntil(std::size_t n, std::chrono::milliseconds limit = 2000ms) {
        auto end = std::chrono::steady_clock::now() + limit;
        TMessage m;
        while (events.size() < n && std::chrono::steady_clock::now() < end) {
            if (PeekMessage(m, TMessageFilter{hwnd, 0}, true)) DispatchMessage(m);
            else WaitMessage(TMessageFilter{hwnd, 0}, 20);
        }
    }
    /// Pumps for a while and returns how many notifications came meanwhile.
    std::size_t QuietFor(std::chrono::milliseconds d) {
        std::size_t before = events.size();
        PumpUntil(events.size() + 1, d);
        return events.size() - before;
    }
};

struct SocketPair {
    int fd[2];
    SocketPair() { EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, fd), 0); }
    ~SocketPair() {
        AsyncSelect(fd[0], 0, 0, 0);
        for (int f : fd)
            if (f >= 0) close(f);
    }
};

TEST(AsyncSelect, ReadIsPostedOnceUntilReenabled) {
    SocketWindow w;
    SocketPair p;
    AsyncSelect(p.fd[0], w.hwnd, WM_SOCK, FD_READ | FD_CLOSE);
    ASSERT_EQ(write(p.fd[1], "abc", 3), 3);
    w.PumpUntil(1);
    ASSERT_EQ(w.events.size(), 1u);
    EXPECT_EQ(w.events[0], std::make_pair(FD_READ, 0));
    EXPECT_EQ(w.QuietFor(60ms), 0u) << "unread data must not repeat the notification";

    ReenableSocketEvents(p.fd[0], FD_READ);
    w.PumpUntil(2);
    ASSERT_EQ(w.events.size(), 2u);
    EXPECT_EQ(w.events[1].first, FD_READ);
}

TEST(AsyncSelect, PeerCloseAfterReadingGivesOneClose) {
    SocketWindow w;
    SocketPair p;
    AsyncSelect(p.fd[0], w.hwnd, WM_SOCK, FD_READ | FD_CLOSE);
    ASSERT_EQ(write(p.fd[1], "z", 1), 1);
    close(p.fd[1]);
    p.fd[1] = -1;
    w.PumpUntil(1);
    ASSERT_EQ(w.events.size(), 1u);
    EXPECT_EQ(w.events[0].first, FD_READ);
    char c;
    ASSERT_EQ(read(p.fd[0], &c, 1), 1);
    ReenableSocketEvents(p.fd[0], FD_READ);
    w.PumpUntil(2);
    ASSERT_EQ(w.events.size(), 2u);
    EXPECT_EQ(w.events[1], std::make_pair(FD_CLOSE, 0));
    EXPECT_EQ(w.QuietFor(50ms), 0u);
}

TEST(AsyncSelect, CloseIsSeenWithoutReadInterest) {
    SocketWindow w;
    SocketPair p;
    AsyncSelect(p.fd[0], w.hwnd, WM_SOCK, FD_CLOSE);
    ASSERT_EQ(write(p.fd[1], "data", 4), 4);
    close(p.fd[1]);
    p.fd[1] = -1;
    w.PumpUntil(1);
    ASSERT_EQ(w.events.size(), 1u);
    EXPECT_EQ(w.events[0].first, FD_CLOSE);
}

TEST(AsyncSelect, RemovingARegistrationDropsItsQueuedNotifications) {
    SocketWindow w;
    SocketPair p;
    AsyncSelect(p.fd[0], w.hwnd, WM_SOCK, FD_READ | FD_CLOSE);
    ASSERT_EQ(write(p.fd[1], "x", 1), 1);
    ASSERT_TRUE(WaitMessage(TMessageFilter{w.hwnd, 0}, 1000));  // FD_READ is queued now
    PostMessage(w.hwnd, WM_USER, 0, 0);
    AsyncSelect(p.fd[0], w.hwnd, WM_SOCK, 0);
    TMessage m;
    ASSERT_TRUE(PeekMessage(m, w.hwnd, true));
    EXPECT_EQ(m.message, WM_USER) << "only the socket's own notifications go";
    EXPECT_FALSE(PeekMessage(m, w.hwnd, true));
}

TEST(AsyncSelect, RemovedRegistrationPostsNothing) {
    SocketWindow w;
    SocketPair p;
    AsyncSelect(p.fd[0], w.hwnd, WM_SOCK, FD_READ);
    AsyncSelect(p.fd[0], w.hwnd, WM_SOCK, 0);
    ASSERT_EQ(write(p.fd[1], "x", 1), 1);
    EXPECT_EQ(w.QuietFor(50ms), 0u);
}

TEST(TAsyncTcpSocket, ConnectWriteReadAndPeerClose) {
    TTcpListener listener;
    listener.Listen("127.0.0.1", 0);
    SocketWindow w;
    TAsyncTcpSocket s;
    s.Create();
    s.AsyncSelect(w.hwnd, WM_SOCK, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE);
    int rc = s.Connect("127.0.0.1", listener.Port());
    ASSERT_TRUE(rc == 0 || rc == WSAEWOULDBLOCK) << rc;
    TBlockingTcpStream peer = listener.Accept(2000);
    w.PumpUntil(2);
    ASSERT_EQ(w.events.size(), 2u);
    EXPECT_EQ(w.events[0], std::make_pair(FD_CONNECT, 0));
    EXPECT_EQ(w.events[1], std::make_pair(FD_WRITE, 0));
    EXPECT_EQ(s.RemotePort(), listener.Port());
    EXPECT_EQ(s.RemoteAddress(), "127.0.0.1");
    EXPECT_TRUE(s.SetKeepAlive(true));

    ASSERT_EQ(s.Send(AsBytes("ping")), 4);
    std::uint8_t got[4];
    ASSERT_TRUE(peer.RecvExact(got));
    EXPECT_EQ(AsText(got), "ping");
    // Pieces sent with more to follow must still all arrive once the last piece is sent.
    peer.SetTimeout(2000);
    ASSERT_EQ(s.Send(AsBytes("pi"), true), 2);
    ASSERT_EQ(s.Send(AsBytes("ng"), false), 2);
    ASSERT_TRUE(peer.RecvExact(got));
    EXPECT_EQ(AsText(got), "ping");

    peer.SendAll(AsBytes("pong!"));
    w.PumpUntil(3);
    ASSERT_EQ(w.events.size(), 3u);
    EXPECT_EQ(w.events[2].first, FD_READ);
    EXPECT_EQ(s.ReceiveLength(), 5u);
    std::uint8_t buf[16];
    ASSERT_EQ(s.Recv(buf), 5);
    EXPECT_EQ(AsText(ByteView(buf, 5)), "pong!");
    EXPECT_EQ(s.Recv(buf), -1);
    EXPECT_EQ(s.LastError(), WSAEWOULDBLOCK);

    peer.Close();
    w.PumpUntil(4);
    ASSERT_EQ(w.events.size(), 4u);
    EXPECT_EQ(w.events[3], std::make_pair(FD_CLOSE, 0));
    EXPECT_EQ(s.Recv(buf), 0);
}

TEST(TAsyncTcpSocket, SelectionMadeAfterConnectStillLearnsTheOutcome) {
    TTcpListener listener;
    listener.Listen();
    SocketWindow w;
    TAsyncTcpSocket s;
    s.Create();
    int rc = s.Connect("127.0.0.1", listener.Port());
    ASSERT_TRUE(rc == 0 || rc == WSAEWOULDBLOCK) << rc;
    TBlockingTcpStream peer = listener.Accept(2000);
    s.AsyncSelect(w.hwnd, WM_SOCK, FD_CONNECT | FD_READ | FD_CLOSE);
    w.PumpUntil(1);
    ASSERT_EQ(w.events.size(), 1u);
    EXPECT_EQ(w.events[0], std::make_pair(FD_CONNECT, 0));

    // A new selection on the connected socket must not report the connect a second time.
    s.AsyncSelect(w.hwnd, WM_SOCK, FD_CONNECT | FD_READ | FD_CLOSE);
    peer.SendAll(AsBytes("x"));
    w.PumpUntil(2);
    ASSERT_EQ(w.events.size(), 2u);
    EXPECT_EQ(w.events[1].first, FD_READ);
}

TEST(TAsyncTcpSocket, RefusedConnectReportsWindowsCode) {
    int port;
    {
        TTcpListener l;
        l.Listen("127.0.0.1", 0);
        port = l.Port();
    }  // closed again: nobody listens there now
    SocketWindow w;
    TAsyncTcpSocket s;
    s.Create();
    s.AsyncSelect(w.hwnd, WM_SOCK, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE);
    int rc = s.Connect("127.0.0.1", port);
    if (rc == WSAECONNREFUSED) GTEST_SKIP() << "refused synchronously";
    ASSERT_EQ(rc, WSAEWOULDBLOCK);
    w.PumpUntil(1);
    ASSERT_EQ(w.events.size(), 1u);
    EXPECT_EQ(w.events[0], std::make_pair(FD_CONNECT, WSAECONNREFUSED));
    EXPECT_EQ(w.QuietFor(50ms), 0u) << "a failed connect posts nothing more";
}

TEST(TAsyncTcpSocket, BadAddressOrPortFailsAtOnce) {
    TAsyncTcpSocket s;
    s.Create();
    EXPECT_EQ(s.Connect("not.an.address", 80), WSAEINVAL);
    EXPECT_EQ(s.Connect("127.0.0.1", -1), WSAEADDRNOTAVAIL);
    EXPECT_EQ(s.Connect("127.0.0.1", 65536), WSAEADDRNOTAVAIL);
    TAsyncTcpSocket closed;
    EXPECT_EQ(closed.Connect("127.0.0.1", 80), WSAENOTSOCK);
    EXPECT_EQ(closed.Send(AsBytes("x")), -1);
}

TEST(TBlockingTcpStream, TimesOutAndRefusesWithWindowsCodes) {
    TTcpListener l;
    l.Listen();
    TBlockingTcpStream c;
    c.Connect("127.0.0.1", l.Port(), 2000);
    TBlockingTcpStream server = l.Accept(2000);
    c.SetTimeout(30);
    std::uint8_t b[4];
    try {
        c.Recv(b);
        FAIL() << "no data, so the read must time out";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.Code(), WSAETIMEDOUT);
    }
    EXPECT_FALSE(c.WaitReadable(10));
    server.SendAll(AsBytes("abc"));
    server.Close();
    EXPECT_TRUE(c.WaitReadable(1000));
    EXPECT_EQ(ToString(c.RecvAll()), "abc");

    int port = l.Port();
    l.Close();
    try {
        TBlockingTcpStream d;
        d.Connect("127.0.0.1", port, 1000);
        FAIL() << "nobody listens";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.Code(), WSAECONNREFUSED);
        EXPECT_NE(std::string(e.what()).find("10061"), std::string::npos);
    }
}

TEST(TTcpListener, AcceptTimesOut) {
    TTcpListener l;
    l.Listen();
    EXPECT_GT(l.Port(), 0);
    try {
        l.Accept(20);
        FAIL();
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.Code(), WSAETIMEDOUT);
    }
}

TEST(WinSockErrorFromErrno, MapsTheConnectionFailures) {
    EXPECT_EQ(WinSockErrorFromErrno(0), 0);
    EXPECT_EQ(WinSockErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(WinSockErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(WinSockErrorFromErrno(ECONNABORTED), 10053);
    EXPECT_EQ(WinSockErrorFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(WinSockErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(WinSockErrorFromErrno(EAGAIN), WSAEWOULDBLOCK);
    EXPECT_EQ(WinSockErrorFromErrno(EPIPE), 10053);
    EXPECT_EQ(WinSockErrorFromResolver(EAI_NONAME), 11001);
    EXPECT_EQ(WinSockErrorFromErrno(ENOENT), 10000 + ENOENT) << "unknown values stay apart";
}

}  // namespace
}  // namespace ordo
