// The client socket's transport over the platform's non-blocking TCP socket.
#include "net/transport.h"
#include "platform/tcp_socket.h"

namespace ordo {
namespace {

class TOrdoTcpTransport final : public IOrdoTransport {
public:
    int Connect(WindowHandle window, std::uint32_t message, std::string_view ipv4Address, int port) override {
        socket_.Create();
        socket_.AsyncSelect(window, message, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE);
        int result = socket_.Connect(ipv4Address, port);
        if (result != 0 && result != WSAEWOULDBLOCK) socket_.Close();
        return result;
    }
    void Established() noexcept override {
        // A request longer than one write chunk goes out in several writes and then waits for its reply. Were
        // small writes held back until the earlier ones are acknowledged, its tail would wait out the server's
        // delayed acknowledgement, some 40 ms, on every such request.
        socket_.SetNoDelay(true);
    }
    std::ptrdiff_t Send(ByteView data, bool moreFollows) override { return socket_.Send(data, moreFollows); }
    std::ptrdiff_t Recv(std::span<std::uint8_t> buffer) override { return socket_.Recv(buffer); }
    [[nodiscard]] int LastError() const noexcept override { return socket_.LastError(); }
    [[nodiscard]] std::uintptr_t Handle() const noexcept override {
        return static_cast<std::uintptr_t>(socket_.Handle());
    }
    [[nodiscard]] bool IsOpen() const noexcept override { return socket_.IsOpen(); }
    void Close() noexcept override { socket_.Close(); }

private:
    TAsyncTcpSocket socket_;
};

}  // namespace

std::unique_ptr<IOrdoTransport> CreateTcpTransport() { return std::make_unique<TOrdoTcpTransport>(); }

}  // namespace ordo
