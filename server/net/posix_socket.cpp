#include "server/net/posix_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/errors.h"

namespace ordo::server {
namespace {

[[noreturn]] void Fail(const std::string& what) {
    int err = errno;
    throw EOSError(what + ": " + std::strerror(err), err);
}

void SetNonBlocking(int fd) {
    int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) Fail("fcntl");
}

/// poll() on the socket and the stop pipe; returns the socket's revents, 0 on time-out, -1 on stop.
int WaitFor(int fd, short events, int stopFd, int timeoutMs) {
    for (;;) {
        pollfd p[2] = {{fd, events, 0}, {stopFd, POLLIN, 0}};
        int n = ::poll(p, stopFd >= 0 ? 2 : 1, timeoutMs);
        if (n < 0) {
            if (errno == EINTR) continue;
            Fail("poll");
        }
        if (n == 0) return 0;
        if (stopFd >= 0 && p[1].revents) return -1;
        return p[0].revents;
    }
}

PeerName NameOf(const sockaddr_storage& sa) {
    char text[INET6_ADDRSTRLEN] = "?";
    int port = 0;
    if (sa.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(sa);
        ::inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(sa);
        if (IN6_IS_ADDR_V4MAPPED(&v6.sin6_addr)) {  // an IPv4 client of a socket on "::"
            ::inet_ntop(AF_INET, &v6.sin6_addr.s6_addr[12], text, sizeof text);
        } else {
            ::inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        }
        port = ntohs(v6.sin6_port);
    }
    return {EndpointText(text, port), text};
}

}  // namespace

WakePipe WakePipe::Create() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) < 0) Fail("pipe");
    return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

bool IsIpAddress(const std::string& address) {
    in6_addr any{};
    return ::inet_pton(AF_INET, address.c_str(), &any) == 1 || ::inet_pton(AF_INET6, address.c_str(), &any) == 1;
}

bool IsLoopbackAddress(const std::string& address) {
    in_addr v4{};
    if (::inet_pton(AF_INET, address.c_str(), &v4) == 1) return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return ::inet_pton(AF_INET6, address.c_str(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

std::string EndpointText(const std::string& address, int port) {
    const bool v6 = address.find(':') != std::string::npos;
    return (v6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

UniqueFd ListenTcp(const std::string& address, int port, int& boundPort) {
    sockaddr_storage ss{};
    socklen_t size = 0;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&ss);
    auto* v6 = reinterpret_cast<sockaddr_in6*>(&ss);
    if (::inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(static_cast<std::uint16_t>(port));
        size = sizeof *v4;
    } else if (::inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(static_cast<std::uint16_t>(port));
        size = sizeof *v6;
    } else {
        throw EOSError("Not an IPv4 or IPv6 address: " + address, EINVAL);
    }
    UniqueFd fd(::socket(ss.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) Fail("socket");
    int one = 1;
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (ss.ss_family == AF_INET6) {
        // A system whose default is IPv6 only would leave "::" deaf to IPv4 clients.
        int off = 0;
        ::setsockopt(fd.Get(), IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    }
    if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&ss), size) < 0)
        Fail("bind " + EndpointText(address, port));
    // A chain's shops connect in the same second when their timers fire together: a short queue
    // of pending connections would drop most of them before the server could take them.
    if (::listen(fd.Get(), SOMAXCONN) < 0) Fail("listen");
    socklen_t len = sizeof ss;
    if (::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&ss), &len) < 0) Fail("getsockname");
    boundPort = ntohs(ss.ss_family == AF_INET6 ? v6->sin6_port : v4->sin_port);
    SetNonBlocking(fd.Get());
    return fd;
}

UniqueFd AcceptTcp(int listenFd, int stopFd, PeerName& peer) {
    for (;;) {
        int ready = WaitFor(listenFd, POLLIN, stopFd, -1);
        if (ready < 0) return UniqueFd();
        sockaddr_storage sa{};
        socklen_t len = sizeof sa;
        int fd = ::accept4(listenFd, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            // A connection reset before it was taken, or a passing shortage: wait for the next.
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED ||
                errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM || errno == EPROTO)
                continue;
            Fail("accept");
        }
        int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        peer = NameOf(sa);
        return UniqueFd(fd);
    }
}

ReadResult ReadSome(int fd, int stopFd, std::uint8_t* buffer, std::size_t size, std::size_t& got) {
    for (;;) {
        ssize_t n = ::recv(fd, buffer, size, 0);
        if (n > 0) {
            got = static_cast<std::size_t>(n);
            return ReadResult::Data;
        }
        if (n == 0) return ReadResult::Closed;
        if (errno == EINTR) continue;
        if (errno == ECONNRESET || errno == ETIMEDOUT || errno == EPIPE) return ReadResult::Closed;
        if (errno != EAGAIN && errno != EWOULDBLOCK) Fail("recv");
        if (WaitFor(fd, POLLIN, stopFd, -1) < 0) return ReadResult::Stopped;
    }
}

void WriteAll(int fd, int stopFd, ByteView data, int stallMs) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) Fail("send");
        int ready = WaitFor(fd, POLLOUT, stopFd, stallMs);
        if (ready < 0) throw EOSError("server stopping", ECANCELED);
        if (ready == 0) throw EOSError("client took no data for " + std::to_string(stallMs) + " ms", ETIMEDOUT);
    }
}

}  // namespace ordo::server
