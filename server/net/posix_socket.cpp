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

#include "platform/errors.h"

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

}  // namespace

WakePipe WakePipe::Create() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) < 0) Fail("pipe");
    return {UniqueFd(fds[0]), UniqueFd(fds[1])};
}

UniqueFd ListenTcp(const std::string& address, int port, int& boundPort) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) Fail("socket");
    int one = 1;
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1)
        throw EOSError("Not an IPv4 address: " + address, EINVAL);
    if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&sa), sizeof sa) < 0)
        Fail("bind " + address + ":" + std::to_string(port));
    if (::listen(fd.Get(), 64) < 0) Fail("listen");
    socklen_t len = sizeof sa;
    if (::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&sa), &len) < 0) Fail("getsockname");
    boundPort = ntohs(sa.sin_port);
    SetNonBlocking(fd.Get());
    return fd;
}

UniqueFd AcceptTcp(int listenFd, int stopFd, std::string& peer) {
    for (;;) {
        int ready = WaitFor(listenFd, POLLIN, stopFd, -1);
        if (ready < 0) return UniqueFd();
        sockaddr_in sa{};
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
        char text[INET_ADDRSTRLEN] = "?";
        ::inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text);
        peer = std::string(text) + ":" + std::to_string(ntohs(sa.sin_port));
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
