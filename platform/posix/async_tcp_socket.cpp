#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/tcp_address.h"
#include "platform/tcp_socket.h"

namespace ordo {

TAsyncTcpSocket::~TAsyncTcpSocket() { Close(); }

void TAsyncTcpSocket::Create() {
    Close();
    fd_.Reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd_.Valid()) throw ESocketError(WinSockErrorFromErrno(errno), "socket");
    lastError_ = 0;
    connectStarted_ = false;
}

void TAsyncTcpSocket::AsyncSelect(WindowHandle hwnd, std::uint32_t message, long events) {
    hwnd_ = hwnd;
    message_ = message;
    events_ = events;
    if (!fd_.Valid()) return;
    // Before a connect there is nothing to watch: an unconnected socket polls as hung up. After
    // one, a first selection still learns the outcome as FD_CONNECT.
    if (connectStarted_ || events == 0) ordo::AsyncSelect(fd_.Get(), hwnd, message, events, true);
}

int TAsyncTcpSocket::Connect(std::string_view ipv4Address, int port) {
    if (!fd_.Valid()) return lastError_ = WSAENOTSOCK;
    sockaddr_in sa{};
    if (int err = detail::MakeSockAddr(ipv4Address, port, sa); err != 0) return lastError_ = err;
    int rc;
    do {
        rc = ::connect(fd_.Get(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0 && errno != EINPROGRESS) return lastError_ = WinSockErrorFromErrno(errno);
    // Connected at once or under way: either way the outcome arrives as FD_CONNECT.
    connectStarted_ = true;
    if (events_ != 0) ordo::AsyncSelect(fd_.Get(), hwnd_, message_, events_, true);
    lastError_ = rc == 0 ? 0 : WSAEWOULDBLOCK;
    return lastError_;
}

std::ptrdiff_t TAsyncTcpSocket::Send(ByteView data, bool moreFollows) {
    if (!fd_.Valid()) {
        lastError_ = WSAENOTSOCK;
        return -1;
    }
    for (;;) {
        // Held-back bytes go out with the first send that has no more to follow; on loopback that
        // spares the receiving side's work for every small piece of a large message.
        auto n = ::send(fd_.Get(), data.data(), data.size(), MSG_NOSIGNAL | (moreFollows ? MSG_MORE : 0));
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        lastError_ = WinSockErrorFromErrno(errno);
        if (lastError_ == WSAEWOULDBLOCK) ReenableSocketEvents(fd_.Get(), FD_WRITE);
        return -1;
    }
}

std::ptrdiff_t TAsyncTcpSocket::Recv(std::span<std::uint8_t> buffer) {
    if (!fd_.Valid()) {
        lastError_ = WSAENOTSOCK;
        return -1;
    }
    // Like recv on Windows, every read call lets the next FD_READ through.
    ReenableSocketEvents(fd_.Get(), FD_READ);
    for (;;) {
        auto n = ::recv(fd_.Get(), buffer.data(), buffer.size(), 0);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        lastError_ = WinSockErrorFromErrno(errno);
        return -1;
    }
}

std::size_t TAsyncTcpSocket::ReceiveLength() const {
    int n = 0;
    if (!fd_.Valid() || ::ioctl(fd_.Get(), FIONREAD, &n) != 0 || n < 0) return 0;
    return static_cast<std::size_t>(n);
}

void TAsyncTcpSocket::Shutdown(TShutdownHow how) noexcept {
    if (fd_.Valid()) ::shutdown(fd_.Get(), static_cast<int>(how));
}

void TAsyncTcpSocket::Close() noexcept {
    if (!fd_.Valid()) return;
    ordo::AsyncSelect(fd_.Get(), 0, 0, 0, false);
    fd_.Reset();
}

bool TAsyncTcpSocket::SetKeepAlive(bool on) noexcept {
    int v = on ? 1 : 0;
    return fd_.Valid() && ::setsockopt(fd_.Get(), SOL_SOCKET, SO_KEEPALIVE, &v, sizeof v) == 0;
}

bool TAsyncTcpSocket::SetNoDelay(bool on) noexcept {
    int v = on ? 1 : 0;
    return fd_.Valid() && ::setsockopt(fd_.Get(), IPPROTO_TCP, TCP_NODELAY, &v, sizeof v) == 0;
}

std::string TAsyncTcpSocket::LocalAddress() const { return detail::EndpointAddress(fd_.Get(), false); }
int TAsyncTcpSocket::LocalPort() const { return detail::EndpointPort(fd_.Get(), false); }
std::string TAsyncTcpSocket::RemoteAddress() const { return detail::EndpointAddress(fd_.Get(), true); }
int TAsyncTcpSocket::RemotePort() const { return detail::EndpointPort(fd_.Get(), true); }

}  // namespace ordo
