#pragma once
// The platform half of the client socket: one TCP connection, non-blocking with readiness
// arriving as messages to the socket's own window, or blocking. It turns the platform's
// notifications into calls of the virtual Do... operations and knows nothing of the protocol.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/bytes.h"
#include "net/client_socket_types.h"
#include "net/transport.h"
#include "platform/message_queue.h"
#include "platform/tcp_socket.h"

namespace ordo {

class TOrdoCustomClientSocket {
public:
    /// The notification message of the platform socket on the socket's window.
    static constexpr std::uint32_t kSocketMessage = WM_USER + 0x200;

    TOrdoCustomClientSocket();
    virtual ~TOrdoCustomClientSocket();
    TOrdoCustomClientSocket(const TOrdoCustomClientSocket&) = delete;
    TOrdoCustomClientSocket& operator=(const TOrdoCustomClientSocket&) = delete;

    /// True from the connect notification until the connection closes.
    [[nodiscard]] bool Active() const noexcept { return active_; }
    /// true: Open; false: Close.
    void SetActive(bool value);
    /// Starts connecting to Host (when set) or Address at Port. A failure that the error
    /// handling leaves standing is raised as ESocketError.
    void Open();
    /// Disconnects; the disconnect notification runs when the socket was active.
    void Close();
    /// A connect has been started and has not finished yet.
    [[nodiscard]] bool Connecting() const noexcept { return connecting_; }

    [[nodiscard]] const std::string& Address() const noexcept { return address_; }
    void SetAddress(const std::string& value) { address_ = value; }
    [[nodiscard]] const std::string& Host() const noexcept { return host_; }
    void SetHost(const std::string& value) { host_ = value; }
    [[nodiscard]] int Port() const noexcept { return port_; }
    void SetPort(int value) noexcept { port_ = value; }
    [[nodiscard]] TClientType ClientType() const noexcept { return clientType_; }
    void SetClientType(TClientType value) noexcept { clientType_ = value; }
    /// Milliseconds a blocking connect, write or read may take.
    [[nodiscard]] int BlockingTimeout() const noexcept { return blockingTimeout_; }
    void SetBlockingTimeout(int ms) noexcept { blockingTimeout_ = ms; }

    /// The socket's own window: its notifications, its timers and the reply wait's wake-up go there.
    [[nodiscard]] WindowHandle Handle() const noexcept { return window_; }

    /// Makes the connection of every later Open (non-blocking client type); TCP unless replaced.
    void SetTransportFactory(TOrdoTransportFactory factory) { transportFactory_ = std::move(factory); }

protected:
    /// The connection is up; Active() is already true.
    virtual void DoConnected() = 0;
    /// The connection went down; Active() is already false.
    virtual void DoDisconnected() = 0;
    /// Bytes are waiting to be read.
    virtual void DoReadReady() = 0;
    /// A failure of the platform socket. Setting `code` to 0 marks it handled.
    virtual void DoSocketError(TErrorEvent event, int& code) = 0;
    /// A failure left standing in a notification, where there is no caller to raise it to.
    virtual void DoUnhandledAsyncError(int code) { (void)code; }
    /// WM_TIMER of the socket's window.
    virtual void DoTimer(std::uintptr_t id) { (void)id; }

    /// Reads what is there: bytes read, 0 when the peer has closed, -1 when nothing is waiting.
    std::ptrdiff_t ReadSome(std::span<std::uint8_t> buffer);
    /// Offers bytes to the connection: bytes taken, 0 when it took nothing, -1 when it cannot
    /// take them now; a failure goes through DoSocketError and gives 0.
    std::ptrdiff_t WriteSome(ByteView data, bool moreFollows = false);
    /// Closes the platform socket without any notification.
    void ClosePlatformSocket() noexcept;
    /// The open blocking connection, or null.
    [[nodiscard]] TBlockingTcpStream* BlockingStream() noexcept { return blocking_.get(); }

    /// Runs the error handling and raises what it leaves standing.
    void RaiseSocketError(TErrorEvent event, int code, const char* operation);

private:
    void WindowProc(const TMessage& msg);
    void HandleSocketMessage(long event, int error);
    void HandleConnect(int error);
    void HandleClose(int error);
    void OpenBlocking(const std::string& target);
    [[nodiscard]] std::string ConnectTarget();

    std::string address_ = "127.0.0.1";
    std::string host_;
    int port_ = 9000;
    TClientType clientType_ = ctNonBlocking;
    int blockingTimeout_ = 5000;
    bool active_ = false;
    bool connecting_ = false;
    TOrdoTransportFactory transportFactory_ = CreateTcpTransport;
    std::unique_ptr<IOrdoTransport> transport_;
    std::unique_ptr<TBlockingTcpStream> blocking_;
    WindowHandle window_ = 0;
};

}  // namespace ordo
