#include "core/socket_errors.h"
#include "platform/net_info.h"
#include "platform/win32/tcp_endpoint.h"

#include <chrono>

namespace ordo::detail {

int MakeSockAddr(std::string_view ipv4Address, int port, sockaddr_in& sa) {
    auto addr = ParseIPv4(ipv4Address);
    if (!addr) return WSAEINVAL;
    // Port 0 and anything beyond 16 bits would silently become another port; refuse them.
    if (port < 1 || port > 65535) return WSAEADDRNOTAVAIL;
    sa = sockaddr_in{};
    sa.sin_family = AF_INET;
    sa.sin_port = ::htons(static_cast<u_short>(port));
    sa.sin_addr.s_addr = ::htonl(*addr);
    return 0;
}

namespace {
bool Endpoint(int fd, bool peer, sockaddr_in& sa) {
    if (fd < 0) return false;
    int len = sizeof sa;
    auto* p = reinterpret_cast<sockaddr*>(&sa);
    int rc = peer ? ::getpeername(ToSocket(fd), p, &len) : ::getsockname(ToSocket(fd), p, &len);
    return rc == 0 && sa.sin_family == AF_INET;
}
}  // namespace

std::string EndpointAddress(int fd, bool peer) {
    sockaddr_in sa{};
    if (!Endpoint(fd, peer, sa)) return {};
    return FormatIPv4(::ntohl(sa.sin_addr.s_addr));
}

int EndpointPort(int fd, bool peer) {
    sockaddr_in sa{};
    if (!Endpoint(fd, peer, sa)) return 0;
    return ::ntohs(sa.sin_port);
}

int WaitSocket(int fd, bool write, int timeoutMs) {
    fd_set set;
    fd_set failed;
    FD_ZERO(&set);
    FD_ZERO(&failed);
    FD_SET(ToSocket(fd), &set);
    FD_SET(ToSocket(fd), &failed);  // where Windows reports a connect that failed
    timeval tv{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    int rc = ::select(0, write ? nullptr : &set, write ? &set : nullptr, &failed, timeoutMs < 0 ? nullptr : &tv);
    if (rc == SOCKET_ERROR) return -1;
    return rc > 0 ? 1 : 0;
}

SOCKET OpenTcpSocket() {
    EnsureWinsock();
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    MakeNonBlockingAndPrivate(s);
    return s;
}

void MakeNonBlockingAndPrivate(SOCKET s) {
    u_long nonBlocking = 1;
    // The headers spell the command as an unsigned value with the top bit set; the call takes a long.
    ::ioctlsocket(s, static_cast<long>(FIONBIO), &nonBlocking);
    // A program started by the client update must not inherit the connection.
    ::SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
}

}  // namespace ordo::detail
