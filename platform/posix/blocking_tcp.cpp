// The blocking side of TCP: a connection with time limits on every operation, and a listener.
// Descriptors stay non-blocking underneath so each wait can be bounded with poll().
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/net_info.h"
#include "platform/tcp_address.h"
#include "platform/tcp_socket.h"

namespace ordo {

namespace {

[[noreturn]] void ThrowErrno(std::string_view operation) {
    throw ESocketError(WinSockErrorFromErrno(errno), operation);
}

void WaitFor(int fd, short events, int timeoutMs, std::string_view operation) {
    int rc = detail::PollOne(fd, events, timeoutMs);
    if (rc < 0) ThrowErrno(operation);
    if (rc == 0) throw ESocketError(WSAETIMEDOUT, operation);
}

int OpenSocket() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) ThrowErrno("socket");
    return fd;
}

}  // namespace

void detail::CloseSocketHandle(int handle) noexcept { ::close(handle); }

TBlockingTcpStream::~TBlockingTcpStream() { Close(); }

void TBlockingTcpStream::Connect(std::string_view address, int port, int timeoutMs) {
    Close();
    std::string ip(address);
    if (!ParseIPv4(ip)) {
        auto resolved = ResolveHostFirstAddress(address);
        if (!resolved) throw ESocketError(WSAHOST_NOT_FOUND, "connect to " + ip);
        ip = *resolved;
    }
    sockaddr_in sa{};
    if (int err = detail::MakeSockAddr(ip, port, sa); err != 0) throw ESocketError(err, "connect");
    int fd = OpenSocket();
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    } while (rc != 0 && errno == EINTR);
    try {
        if (rc != 0 && errno != EINPROGRESS) ThrowErrno("connect");
        if (rc != 0) {
            WaitFor(fd, POLLOUT, timeoutMs, "connect");
            int err = 0;
            socklen_t len = sizeof err;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len);
            if (err != 0) throw ESocketError(WinSockErrorFromErrno(err), "connect");
        }
    } catch (...) {
        ::close(fd);
        throw;
    }
    fd_.Reset(fd);
}

void TBlockingTcpStream::SendAll(ByteView data) {
    if (!fd_.Valid()) throw ESocketError(WSAENOTCONN, "send");
    std::size_t done = 0;
    while (done < data.size()) {
        auto n = ::send(fd_.Get(), data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            WaitFor(fd_.Get(), POLLOUT, timeoutMs_, "send");
        } else if (n < 0 && errno != EINTR) {
            ThrowErrno("send");
        }
    }
}

bool TBlockingTcpStream::WaitReadable(int timeoutMs) {
    if (!fd_.Valid()) throw ESocketError(WSAENOTCONN, "recv");
    int rc = detail::PollOne(fd_.Get(), POLLIN, timeoutMs);
    if (rc < 0) ThrowErrno("poll");
    return rc > 0;
}

std::size_t TBlockingTcpStream::Recv(std::span<std::uint8_t> buffer) {
    if (!fd_.Valid()) throw ESocketError(WSAENOTCONN, "recv");
    for (;;) {
        auto n = ::recv(fd_.Get(), buffer.data(), buffer.size(), 0);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno == EAGAIN || errno == EWOULDBLOCK) WaitFor(fd_.Get(), POLLIN, timeoutMs_, "recv");
        else if (errno != EINTR) ThrowErrno("recv");
    }
}

void TBlockingTcpStream::Shutdown(TShutdownHow how) noexcept {
    if (fd_.Valid()) ::shutdown(fd_.Get(), static_cast<int>(how));
}

void TBlockingTcpStream::Close() noexcept {
    fd_.Reset();
}

TTcpListener::~TTcpListener() { Close(); }

void TTcpListener::Listen(std::string_view ipv4Address, int port, int backlog) {
    Close();
    auto addr = ParseIPv4(ipv4Address);
    if (!addr || port < 0 || port > 65535) throw ESocketError(WSAEINVAL, "bind");
    int fd = OpenSocket();
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr.s_addr = htonl(*addr);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 || ::listen(fd, backlog) != 0) {
        int err = errno;
        ::close(fd);
        throw ESocketError(WinSockErrorFromErrno(err), "listen");
    }
    fd_.Reset(fd);
    port_ = detail::EndpointPort(fd, false);
}

TBlockingTcpStream TTcpListener::Accept(int timeoutMs) {
    if (!fd_.Valid()) throw ESocketError(WSAEINVAL, "accept");
    for (;;) {
        WaitFor(fd_.Get(), POLLIN, timeoutMs, "accept");
        int fd = ::accept4(fd_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) return TBlockingTcpStream(fd);
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR && errno != ECONNABORTED)
            ThrowErrno("accept");
    }
}

void TTcpListener::Close() noexcept {
    fd_.Reset();
    port_ = 0;
}

}  // namespace ordo
