#include "platform/tcp_address.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/socket.h>

#include "core/socket_errors.h"
#include "platform/net_info.h"

namespace ordo::detail {

int MakeSockAddr(std::string_view ipv4Address, int port, sockaddr_in& sa) {
    auto addr = ParseIPv4(ipv4Address);
    if (!addr) return WSAEINVAL;
    // Port 0 and anything beyond 16 bits would silently become another port; refuse them.
    if (port < 1 || port > 65535) return WSAEADDRNOTAVAIL;
    sa = sockaddr_in{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    sa.sin_addr.s_addr = htonl(*addr);
    return 0;
}

namespace {
bool Endpoint(int fd, bool peer, sockaddr_in& sa) {
    if (fd < 0) return false;
    socklen_t len = sizeof sa;
    auto* p = reinterpret_cast<sockaddr*>(&sa);
    int rc = peer ? ::getpeername(fd, p, &len) : ::getsockname(fd, p, &len);
    return rc == 0 && sa.sin_family == AF_INET;
}
}  // namespace

std::string EndpointAddress(int fd, bool peer) {
    sockaddr_in sa{};
    if (!Endpoint(fd, peer, sa)) return {};
    return FormatIPv4(ntohl(sa.sin_addr.s_addr));
}

int EndpointPort(int fd, bool peer) {
    sockaddr_in sa{};
    if (!Endpoint(fd, peer, sa)) return 0;
    return ntohs(sa.sin_port);
}

int PollOne(int fd, short events, int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        pollfd p{fd, events, 0};
        int left = timeoutMs;
        if (timeoutMs >= 0) {
            auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            left = ms < 0 ? 0 : static_cast<int>(ms);
        }
        int rc = ::poll(&p, 1, left);
        if (rc >= 0) return rc > 0 ? 1 : 0;
        if (errno != EINTR) return -1;
    }
}

}  // namespace ordo::detail
