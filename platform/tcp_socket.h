#pragma once
// TCP for the client socket and for tests: a non-blocking client whose readiness arrives as
// window messages, a small blocking stream, and a listener for fake peers.
//
// Usage (non-blocking):
//   TAsyncTcpSocket s;
//   s.Create();
//   s.AsyncSelect(window, WM_SOCKET, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE);
//   int err = s.Connect("127.0.0.1", 55200);   // 0 or WSAEWOULDBLOCK: wait for FD_CONNECT
// A window must exist on the calling thread; the registration lives in that thread's queue.
//   ... on FD_READ: while ((n = s.Recv(buf)) > 0) ...; n == -1 && s.LastError() == WSAEWOULDBLOCK
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/bytes.h"
#include "core/socket_errors.h"
#include "platform/message_queue.h"
#include "platform/owned_handle.h"

namespace ordo {

enum class TShutdownHow { shRead = 0, shWrite = 1, shBoth = 2 };

/// Non-blocking IPv4 TCP client. Owns its descriptor; Close (or the destructor) also ends its
/// message registration. Operations return Windows Sockets numbers instead of raising, because
/// the caller routes them through its own error event.
class TAsyncTcpSocket {
public:
    TAsyncTcpSocket() = default;
    ~TAsyncTcpSocket();
    TAsyncTcpSocket(const TAsyncTcpSocket&) = delete;
    TAsyncTcpSocket& operator=(const TAsyncTcpSocket&) = delete;

    /// Opens a fresh non-blocking descriptor (closing any previous one); throws ESocketError.
    void Create();
    [[nodiscard]] bool IsOpen() const noexcept { return fd_.Valid(); }
    [[nodiscard]] int Handle() const noexcept { return fd_.Get(); }

    /// Readiness of this socket arrives as `message` to `hwnd` (see ordo::AsyncSelect); 0 events stop it.
    void AsyncSelect(WindowHandle hwnd, std::uint32_t message, long events);
    /// Starts connecting to a dotted IPv4 address. 0 (connected at once) or WSAEWOULDBLOCK: FD_CONNECT
    /// follows either way, with the outcome. Anything else is the failure, and no FD_CONNECT
    /// follows (WSAEINVAL for a bad address, WSAEADDRNOTAVAIL for a port outside 1..65535).
    int Connect(std::string_view ipv4Address, int port);

    /// Bytes sent, or -1 with LastError() (WSAEWOULDBLOCK: FD_WRITE follows when there is room).
    /// `moreFollows`: the caller sends the rest of the same message next, so the system may hold
    /// these bytes back and put them on the wire together with it (where it cannot, no effect).
    std::ptrdiff_t Send(ByteView data, bool moreFollows = false);
    /// Bytes read, 0 when the peer has closed, or -1 with LastError(). Re-arms FD_READ.
    std::ptrdiff_t Recv(std::span<std::uint8_t> buffer);
    /// Bytes that a Recv would return now without blocking.
    [[nodiscard]] std::size_t ReceiveLength() const;
    [[nodiscard]] int LastError() const noexcept { return lastError_; }

    void Shutdown(TShutdownHow how) noexcept;
    void Close() noexcept;
    bool SetKeepAlive(bool on) noexcept;
    /// Sends small writes at once instead of holding them back until the peer acknowledges earlier ones.
    bool SetNoDelay(bool on) noexcept;
    /// "a.b.c.d" of the local and remote end (empty when unknown) and the ports.
    [[nodiscard]] std::string LocalAddress() const;
    [[nodiscard]] int LocalPort() const;
    [[nodiscard]] std::string RemoteAddress() const;
    [[nodiscard]] int RemotePort() const;

private:
    TSocketHandle fd_;
    int lastError_ = 0;
    bool connectStarted_ = false;
    WindowHandle hwnd_ = 0;
    std::uint32_t message_ = 0;
    long events_ = 0;
};

/// A blocking TCP connection with per-operation time limits; every failure raises ESocketError
/// (WSAETIMEDOUT when a limit passes). Also what TTcpListener::Accept hands out.
class TBlockingTcpStream {
public:
    TBlockingTcpStream() = default;
    explicit TBlockingTcpStream(int connectedFd) noexcept : fd_(connectedFd) {}
    ~TBlockingTcpStream();
    TBlockingTcpStream(TBlockingTcpStream&& other) noexcept = default;
    TBlockingTcpStream& operator=(TBlockingTcpStream&& other) noexcept = default;
    TBlockingTcpStream(const TBlockingTcpStream&) = delete;
    TBlockingTcpStream& operator=(const TBlockingTcpStream&) = delete;

    /// Connects to a dotted IPv4 address or a host name within timeoutMs.
    void Connect(std::string_view address, int port, int timeoutMs);
    [[nodiscard]] bool IsConnected() const noexcept { return fd_.Valid(); }
    [[nodiscard]] int Handle() const noexcept { return fd_.Get(); }
    void SetTimeout(int timeoutMs) noexcept { timeoutMs_ = timeoutMs; }  ///< -1: none
    [[nodiscard]] int Timeout() const noexcept { return timeoutMs_; }

    /// Writes everything or raises.
    void SendAll(ByteView data);
    /// True when data (or the peer's close) is there within timeoutMs.
    bool WaitReadable(int timeoutMs);
    /// Reads what is there (blocking up to Timeout()); 0 when the peer has closed.
    std::size_t Recv(std::span<std::uint8_t> buffer);
    /// Reads exactly buffer.size() bytes; false when the peer closed first.
    bool RecvExact(std::span<std::uint8_t> buffer);
    /// Reads until the peer closes.
    Bytes RecvAll();
    void Shutdown(TShutdownHow how) noexcept;
    void Close() noexcept;

private:
    TSocketHandle fd_;
    int timeoutMs_ = 5000;
};

/// A listening IPv4 socket for tests and fake peers.
class TTcpListener {
public:
    TTcpListener() = default;
    ~TTcpListener();
    TTcpListener(const TTcpListener&) = delete;
    TTcpListener& operator=(const TTcpListener&) = delete;

    /// Binds and listens; port 0 picks a free one (see Port()). Throws ESocketError.
    void Listen(std::string_view ipv4Address = "127.0.0.1", int port = 0, int backlog = 16);
    [[nodiscard]] int Port() const noexcept { return port_; }
    [[nodiscard]] int Handle() const noexcept { return fd_.Get(); }
    /// Waits up to timeoutMs (-1: no limit) for a connection; raises WSAETIMEDOUT when none came.
    TBlockingTcpStream Accept(int timeoutMs = -1);
    void Close() noexcept;

private:
    TSocketHandle fd_;
    int port_ = 0;
};

}  // namespace ordo
