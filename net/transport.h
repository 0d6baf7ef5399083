#pragma once
// What the client socket needs of its connection: start connecting, offer and take bytes, close.
// Readiness (the connect's outcome, bytes to read, the peer's close) is posted to the socket's own
// window as its notification message, so a transport that scripts its peer drives the socket through
// the same message road as TCP does, reply waits included.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "core/bytes.h"
#include "platform/message_queue.h"

namespace ordo {

class IOrdoTransport {
public:
    virtual ~IOrdoTransport() = default;

    /// Starts connecting to a dotted IPv4 address. 0 or WSAEWOULDBLOCK: FD_CONNECT follows with the
    /// outcome, posted as `message` to `window` with wParam = Handle(), as do FD_READ and FD_CLOSE later.
    /// Anything else is the failure, and nothing follows. May raise ESocketError when no connection
    /// can even be set up.
    virtual int Connect(WindowHandle window, std::uint32_t message, std::string_view ipv4Address, int port) = 0;
    /// The connection is up.
    virtual void Established() noexcept {}
    /// Bytes taken, or -1 with LastError() (WSAEWOULDBLOCK: it cannot take them now). `moreFollows`:
    /// the rest of the same message comes next.
    virtual std::ptrdiff_t Send(ByteView data, bool moreFollows) = 0;
    /// Bytes read, 0 when the peer has closed, or -1 with LastError() (WSAEWOULDBLOCK: nothing waiting).
    virtual std::ptrdiff_t Recv(std::span<std::uint8_t> buffer) = 0;
    [[nodiscard]] virtual int LastError() const noexcept = 0;
    /// The number the notifications carry in wParam.
    [[nodiscard]] virtual std::uintptr_t Handle() const noexcept = 0;
    [[nodiscard]] virtual bool IsOpen() const noexcept = 0;
    /// Ends the connection; no notification of it is handled afterwards.
    virtual void Close() noexcept = 0;
};

/// Makes the transport of each new connection.
using TOrdoTransportFactory = std::function<std::unique_ptr<IOrdoTransport>()>;

/// The non-blocking TCP connection of the platform.
std::unique_ptr<IOrdoTransport> CreateTcpTransport();

}  // namespace ordo
