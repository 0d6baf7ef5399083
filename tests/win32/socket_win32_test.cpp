// Winsock readiness as window messages: connect, read, close and the end of a registration,
// against a loopback listener of the blocking classes.
#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "platform/message_queue.h"
#include "platform/tcp_socket.h"

namespace ordo {
namespace {

constexpr std::uint32_t kSocketMessage = WM_USER + 10;

struct Notifications {
    std::vector<long> events;
    std::vector<int> errors;
    WindowHandle window = AllocateHWnd([this](const TMessage& m) {
        if (m.message != kSocketMessage) return;
        events.push_back(SelectEvent(m.lParam));
        errors.push_back(SelectError(m.lParam));
    });
    ~Notifications() { DeallocateHWnd(window); }

    // Dispatches until `event` has arrived (true) or the time is up.
    bool WaitFor(long event, int timeoutMs = 5000) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            for (long e : events)
                if (e == event) return true;
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            WaitMessage(TMessageFilter{window, 0}, static_cast<int>(left.count()));
            ProcessMessages();
        }
    }
};

constexpr long kAll = FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE;

TEST(Win32Socket, ConnectReadAndPeerCloseArriveAsMessages) {
    TTcpListener listener;
    listener.Listen("127.0.0.1", 0);
    Notifications n;
    TAsyncTcpSocket s;
    s.Create();
    s.AsyncSelect(n.window, kSocketMessage, kAll);
    int rc = s.Connect("127.0.0.1", listener.Port());
    ASSERT_TRUE(rc == 0 || rc == WSAEWOULDBLOCK) << rc;
    TBlockingTcpStream peer = listener.Accept(5000);
    ASSERT_TRUE(n.WaitFor(FD_CONNECT));
    EXPECT_EQ(n.errors.front(), 0);
    EXPECT_TRUE(n.WaitFor(FD_WRITE));
    EXPECT_EQ(s.RemotePort(), listener.Port());
    EXPECT_EQ(s.RemoteAddress(), "127.0.0.1");

    const std::uint8_t hello[] = {'h', 'e', 'l', 'l', 'o'};
    peer.SendAll(hello);
    ASSERT_TRUE(n.WaitFor(FD_READ));
    std::uint8_t buf[16];
    EXPECT_EQ(s.Recv(buf), 5);
    EXPECT_EQ(buf[0], 'h');
    EXPECT_EQ(s.Recv(buf), -1);
    EXPECT_EQ(s.LastError(), WSAEWOULDBLOCK);

    const std::uint8_t reply[] = {1, 2, 3};
    EXPECT_EQ(s.Send(reply), 3);
    std::uint8_t got[3];
    ASSERT_TRUE(peer.RecvExact(got));
    EXPECT_EQ(got[2], 3);

    peer.Close();
    ASSERT_TRUE(n.WaitFor(FD_CLOSE));
    EXPECT_EQ(s.Recv(buf), 0);
}

TEST(Win32Socket, ARefusedConnectReportsItsErrorInTheConnectNotification) {
    int port = 0;
    {
        TTcpListener probe;
        probe.Listen("127.0.0.1", 0);
        port = probe.Port();
    }  // closed: nobody listens there now
    Notifications n;
    TAsyncTcpSocket s;
    s.Create();
    s.AsyncSelect(n.window, kSocketMessage, kAll);
    int rc = s.Connect("127.0.0.1", port);
    if (rc == WSAECONNREFUSED) return;  // refused at once is the other lawful answer
    ASSERT_EQ(rc, WSAEWOULDBLOCK);
    ASSERT_TRUE(n.WaitFor(FD_CONNECT, 10000));
    EXPECT_EQ(n.errors.front(), WSAECONNREFUSED);
}

TEST(Win32Socket, ClosingDropsNotificationsStillQueued) {
    TTcpListener listener;
    listener.Listen("127.0.0.1", 0);
    Notifications n;
    TAsyncTcpSocket s;
    s.Create();
    s.AsyncSelect(n.window, kSocketMessage, kAll);
    s.Connect("127.0.0.1", listener.Port());
    TBlockingTcpStream peer = listener.Accept(5000);
    ASSERT_TRUE(n.WaitFor(FD_WRITE));
    const std::uint8_t data[] = {9};
    peer.SendAll(data);
    peer.Close();
    // Winsock queues FD_READ (and FD_CLOSE) for the window; nobody dispatches them.
    ASSERT_TRUE(WaitMessage(TMessageFilter{n.window, 0}, 5000));
    Sleep(100);
    s.Close();
    EXPECT_FALSE(s.IsOpen());
    n.events.clear();
    ProcessMessages();
    EXPECT_TRUE(n.events.empty()) << n.events.size() << " notification(s) of a closed socket";
}

TEST(Win32Socket, BadAddressesFailWithoutANotification) {
    TAsyncTcpSocket s;
    EXPECT_EQ(s.Connect("127.0.0.1", 80), WSAENOTSOCK);
    s.Create();
    EXPECT_EQ(s.Connect("not-an-address", 80), WSAEINVAL);
    EXPECT_EQ(s.Connect("127.0.0.1", 0), WSAEADDRNOTAVAIL);
    EXPECT_EQ(s.Connect("127.0.0.1", 70000), WSAEADDRNOTAVAIL);
}

TEST(Win32Socket, BlockingStreamsTimeOutAndSeeTheEnd) {
    TTcpListener listener;
    listener.Listen("127.0.0.1", 0);
    EXPECT_THROW(listener.Accept(50), ESocketError);
    TBlockingTcpStream client;
    client.Connect("127.0.0.1", listener.Port(), 5000);
    TBlockingTcpStream server = listener.Accept(5000);
    client.SetTimeout(50);
    std::uint8_t buf[4];
    try {
        client.Recv(buf);
        ADD_FAILURE() << "a read with nothing sent returned";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.Code(), WSAETIMEDOUT);
    }
    const std::uint8_t bytes[] = {5, 6, 7};
    server.SendAll(bytes);
    server.Shutdown(TShutdownHow::shWrite);
    client.SetTimeout(5000);
    Bytes all = client.RecvAll();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[1], 6);
}

}  // namespace
}  // namespace ordo
