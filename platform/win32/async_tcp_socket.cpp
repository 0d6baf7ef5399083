// The non-blocking client socket on Windows Sockets; its readiness arrives through WSAAsyncSelect.
#include "platform/tcp_socket.h"
#include "platform/win32/tcp_endpoint.h"

namespace ordo {

TAsyncTcpSocket::~TAsyncTcpSocket() { Close(); }

void TAsyncTcpSocket::Create() {
    Close();
    SOCKET s = detail::OpenTcpSocket();
    if (s == INVALID_SOCKET) throw ESocketError(::WSAGetLastError(), "socket");
    fd_.Reset(detail::FromSocket(s));
    lastError_ = 0;
    connectStarted_ = false;
}

void TAsyncTcpSocket::AsyncSelect(WindowHandle hwnd, std::uint32_t message, long events) {
    hwnd_ = hwnd;
    message_ = message;
    events_ = events;
    // Unlike poll(), WSAAsyncSelect may be armed before the connect: FD_CONNECT reports its end.
    if (fd_.Valid()) ordo::AsyncSelect(fd_.Get(), hwnd, message, events, connectStarted_);
}

int TAsyncTcpSocket::Connect(std::string_view ipv4Address, int port) {
    if (!fd_.Valid()) return lastError_ = WSAENOTSOCK;
    sockaddr_in sa{};
    if (int err = detail::MakeSockAddr(ipv4Address, port, sa); err != 0) return lastError_ = err;
    int rc = ::connect(detail::ToSocket(fd_.Get()), reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (rc != 0) {
        int err = ::WSAGetLastError();
        if (err != WSAEWOULDBLOCK) return lastError_ = err;
    }
    connectStarted_ = true;
    lastError_ = rc == 0 ? 0 : WSAEWOULDBLOCK;
    return lastError_;
}

std::ptrdiff_t TAsyncTcpSocket::Send(ByteView data, bool /*moreFollows: Winsock has no such hint*/) {
    if (!fd_.Valid()) {
        lastError_ = WSAENOTSOCK;
        return -1;
    }
    // One call sends at most what an int can count; the caller sends the rest as it does after
    // any partial send.
    int len = data.size() > 0x40000000u ? 0x40000000 : static_cast<int>(data.size());
    int n = ::send(detail::ToSocket(fd_.Get()), reinterpret_cast<const char*>(data.data()), len, 0);
    if (n >= 0) return n;
    lastError_ = ::WSAGetLastError();
    return -1;
}

std::ptrdiff_t TAsyncTcpSocket::Recv(std::span<std::uint8_t> buffer) {
    if (!fd_.Valid()) {
        lastError_ = WSAENOTSOCK;
        return -1;
    }
    int len = buffer.size() > 0x40000000u ? 0x40000000 : static_cast<int>(buffer.size());
    int n = ::recv(detail::ToSocket(fd_.Get()), reinterpret_cast<char*>(buffer.data()), len, 0);
    if (n >= 0) return n;
    lastError_ = ::WSAGetLastError();
    return -1;
}

std::size_t TAsyncTcpSocket::ReceiveLength() const {
    u_long n = 0;
    if (!fd_.Valid() || ::ioctlsocket(detail::ToSocket(fd_.Get()), FIONREAD, &n) != 0) return 0;
    return static_cast<std::size_t>(n);
}

void TAsyncTcpSocket::Shutdown(TShutdownHow how) noexcept {
    if (fd_.Valid()) ::shutdown(detail::ToSocket(fd_.Get()), static_cast<int>(how));
}

void TAsyncTcpSocket::Close() noexcept {
    if (!fd_.Valid()) return;
    ordo::AsyncSelect(fd_.Get(), 0, 0, 0, false);
    fd_.Reset();
}

bool TAsyncTcpSocket::SetKeepAlive(bool on) noexcept {
    BOOL v = on ? TRUE : FALSE;
    return fd_.Valid() && ::setsockopt(detail::ToSocket(fd_.Get()), SOL_SOCKET, SO_KEEPALIVE,
                                    reinterpret_cast<const char*>(&v), sizeof v) == 0;
}

bool TAsyncTcpSocket::SetNoDelay(bool on) noexcept {
    BOOL v = on ? TRUE : FALSE;
    return fd_.Valid() && ::setsockopt(detail::ToSocket(fd_.Get()), IPPROTO_TCP, TCP_NODELAY,
                                    reinterpret_cast<const char*>(&v), sizeof v) == 0;
}

std::string TAsyncTcpSocket::LocalAddress() const { return detail::EndpointAddress(fd_.Get(), false); }
int TAsyncTcpSocket::LocalPort() const { return detail::EndpointPort(fd_.Get(), false); }
std::string TAsyncTcpSocket::RemoteAddress() const { return detail::EndpointAddress(fd_.Get(), true); }
int TAsyncTcpSocket::RemotePort() const { return detail::EndpointPort(fd_.Get(), true); }

}  // namespace ordo
