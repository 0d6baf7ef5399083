// The blocking side of TCP on Windows Sockets. Sockets stay non-blocking underneath so that
// every wait can be bounded with select().
#include "platform/net_info.h"
#include "platform/tcp_socket.h"
#include "platform/win32/tcp_endpoint.h"

namespace ordo {

namespace {

[[noreturn]] void ThrowLast(std::string_view operation) { throw ESocketError(::WSAGetLastError(), operation); }

void WaitFor(int fd, bool write, int timeoutMs, std::string_view operation) {
    int rc = detail::WaitSocket(fd, write, timeoutMs);
    if (rc < 0) ThrowLast(operation);
    if (rc == 0) throw ESocketError(WSAETIMEDOUT, operation);
}

int SocketError(SOCKET s) {
    int err = 0;
    int len = sizeof err;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len) != 0) return ::WSAGetLastError();
    return err;
}

int ChunkSize(std::size_t n) { return n > 0x40000000u ? 0x40000000 : static_cast<int>(n); }

}  // namespace

void detail::CloseSocketHandle(int handle) noexcept { ::closesocket(detail::ToSocket(handle)); }

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
    SOCKET s = detail::OpenTcpSocket();
    if (s == INVALID_SOCKET) ThrowLast("socket");
    const int fd = detail::FromSocket(s);
    try {
        if (::connect(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
            if (::WSAGetLastError() != WSAEWOULDBLOCK) ThrowLast("connect");
            WaitFor(fd, true, timeoutMs, "connect");
            if (int err = SocketError(s); err != 0) throw ESocketError(err, "connect");
        }
    } catch (...) {
        ::closesocket(s);
        throw;
    }
    fd_.Reset(fd);
}

void TBlockingTcpStream::SendAll(ByteView data) {
    if (!fd_.Valid()) throw ESocketError(WSAENOTCONN, "send");
    std::size_t done = 0;
    while (done < data.size()) {
        int n = ::send(detail::ToSocket(fd_.Get()), reinterpret_cast<const char*>(data.data() + done),
                       ChunkSize(data.size() - done), 0);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && ::WSAGetLastError() == WSAEWOULDBLOCK) {
            WaitFor(fd_.Get(), true, timeoutMs_, "send");
        } else if (n < 0) {
            ThrowLast("send");
        }
    }
}

bool TBlockingTcpStream::WaitReadable(int timeoutMs) {
    if (!fd_.Valid()) throw ESocketError(WSAENOTCONN, "recv");
    int rc = detail::WaitSocket(fd_.Get(), false, timeoutMs);
    if (rc < 0) ThrowLast("select");
    return rc > 0;
}

std::size_t TBlockingTcpStream::Recv(std::span<std::uint8_t> buffer) {
    if (!fd_.Valid()) throw ESocketError(WSAENOTCONN, "recv");
    for (;;) {
        int n = ::recv(detail::ToSocket(fd_.Get()), reinterpret_cast<char*>(buffer.data()), ChunkSize(buffer.size()), 0);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (::WSAGetLastError() != WSAEWOULDBLOCK) ThrowLast("recv");
        WaitFor(fd_.Get(), false, timeoutMs_, "recv");
    }
}

void TBlockingTcpStream::Shutdown(TShutdownHow how) noexcept {
    if (fd_.Valid()) ::shutdown(detail::ToSocket(fd_.Get()), static_cast<int>(how));
}

void TBlockingTcpStream::Close() noexcept {
    fd_.Reset();
}

TTcpListener::~TTcpListener() { Close(); }

void TTcpListener::Listen(std::string_view ipv4Address, int port, int backlog) {
    Close();
    auto addr = ParseIPv4(ipv4Address);
    if (!addr || port < 0 || port > 65535) throw ESocketError(WSAEINVAL, "bind");
    SOCKET s = detail::OpenTcpSocket();
    if (s == INVALID_SOCKET) ThrowLast("socket");
    // No SO_REUSEADDR: on Windows it would let another program take over the port.
    BOOL exclusive = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = ::htons(static_cast<u_short>(port));
    sa.sin_addr.s_addr = ::htonl(*addr);
    if (::bind(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 || ::listen(s, backlog) != 0) {
        int err = ::WSAGetLastError();
        ::closesocket(s);
        throw ESocketError(err, "listen");
    }
    fd_.Reset(detail::FromSocket(s));
    port_ = detail::EndpointPort(fd_.Get(), false);
}

TBlockingTcpStream TTcpListener::Accept(int timeoutMs) {
    if (!fd_.Valid()) throw ESocketError(WSAEINVAL, "accept");
    for (;;) {
        WaitFor(fd_.Get(), false, timeoutMs, "accept");
        SOCKET s = ::accept(detail::ToSocket(fd_.Get()), nullptr, nullptr);
        if (s != INVALID_SOCKET) {
            detail::MakeNonBlockingAndPrivate(s);
            return TBlockingTcpStream(detail::FromSocket(s));
        }
        int err = ::WSAGetLastError();
        if (err != WSAEWOULDBLOCK && err != WSAECONNRESET && err != WSAEINTR) throw ESocketError(err, "accept");
    }
}

void TTcpListener::Close() noexcept {
    fd_.Reset();
    port_ = 0;
}

}  // namespace ordo
