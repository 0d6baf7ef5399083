#include "net/custom_client_socket.h"

#include "core/socket_errors.h"
#include "platform/net_info.h"

namespace ordo {

TOrdoCustomClientSocket::TOrdoCustomClientSocket()
    : window_(AllocateHWnd([this](const TMessage& msg) { WindowProc(msg); })) {}

TOrdoCustomClientSocket::~TOrdoCustomClientSocket() {
    ClosePlatformSocket();
    DeallocateHWnd(window_);
}

void TOrdoCustomClientSocket::SetActive(bool value) {
    if (value) {
        Open();
    } else {
        Close();
    }
}

std::string TOrdoCustomClientSocket::ConnectTarget() {
    if (host_.empty()) return address_;
    std::optional<std::string> ip = ResolveHostFirstAddress(host_);
    if (!ip) {
        RaiseSocketError(eeLookup, WSAHOST_NOT_FOUND, "gethostbyname");
        return {};
    }
    return *ip;
}

void TOrdoCustomClientSocket::Open() {
    if (active_ || connecting_) return;
    std::string target = ConnectTarget();
    if (target.empty()) return;
    if (clientType_ == ctBlocking) {
        OpenBlocking(target);
        return;
    }
    transport_ = transportFactory_();
    int result = transport_->Connect(window_, kSocketMessage, target, port_);
    if (result == 0 || result == WSAEWOULDBLOCK) {
        connecting_ = true;  // FD_CONNECT follows with the outcome
        return;
    }
    transport_.reset();
    RaiseSocketError(eeConnect, result, "connect");
}

void TOrdoCustomClientSocket::OpenBlocking(const std::string& target) {
    auto stream = std::make_unique<TBlockingTcpStream>();
    try {
        stream->Connect(target, port_, blockingTimeout_);
    } catch (const ESocketError& e) {
        RaiseSocketError(eeConnect, e.Code(), "connect");
        return;
    }
    stream->SetTimeout(blockingTimeout_);
    blocking_ = std::move(stream);
    active_ = true;
    DoConnected();
}

void TOrdoCustomClientSocket::Close() {
    bool wasActive = active_;
    ClosePlatformSocket();
    if (wasActive) DoDisconnected();
}

void TOrdoCustomClientSocket::ClosePlatformSocket() noexcept {
    // Notifications of this connection still queued find no transport of theirs and are dropped.
    if (transport_) transport_->Close();
    transport_.reset();
    blocking_.reset();
    connecting_ = false;
    active_ = false;
}

void TOrdoCustomClientSocket::RaiseSocketError(TErrorEvent event, int code, const char* operation) {
    DoSocketError(event, code);
    if (code != 0) throw ESocketError(code, operation);
}

std::ptrdiff_t TOrdoCustomClientSocket::ReadSome(std::span<std::uint8_t> buffer) {
    if (!transport_ || !transport_->IsOpen()) return 0;
    std::ptrdiff_t n = transport_->Recv(buffer);
    if (n < 0 && transport_->LastError() != WSAEWOULDBLOCK) return 0;
    return n;
}

std::ptrdiff_t TOrdoCustomClientSocket::WriteSome(ByteView data, bool moreFollows) {
    if (blocking_) {
        try {
            blocking_->SendAll(data);
            return static_cast<std::ptrdiff_t>(data.size());
        } catch (const ESocketError& e) {
            int code = e.Code();
            DoSocketError(eeSend, code);
            return 0;
        }
    }
    if (!transport_ || !transport_->IsOpen()) return 0;
    std::ptrdiff_t n = transport_->Send(data, moreFollows);
    if (n >= 0) return n;
    int code = transport_->LastError();
    if (code == WSAEWOULDBLOCK) return -1;
    DoSocketError(eeSend, code);
    if (code != 0) DoUnhandledAsyncError(code);
    return 0;
}

void TOrdoCustomClientSocket::WindowProc(const TMessage& msg) {
    if (msg.message == WM_TIMER) {
        DoTimer(msg.wParam);
        return;
    }
    if (msg.message != kSocketMessage || !transport_ || msg.wParam != transport_->Handle()) return;
    HandleSocketMessage(SelectEvent(msg.lParam), SelectError(msg.lParam));
}

void TOrdoCustomClientSocket::HandleSocketMessage(long event, int error) {
    if (event & FD_CONNECT) HandleConnect(error);
    if ((event & FD_READ) && active_) {
        if (error != 0) {
            DoSocketError(eeReceive, error);
            if (error != 0) DoUnhandledAsyncError(error);
        } else {
            DoReadReady();
        }
    }
    if (event & FD_CLOSE) HandleClose(error);
}

void TOrdoCustomClientSocket::HandleConnect(int error) {
    if (!connecting_) return;
    connecting_ = false;
    if (error != 0) {
        DoSocketError(eeConnect, error);
        if (error != 0) DoUnhandledAsyncError(error);
        return;
    }
    transport_->Established();
    active_ = true;
    DoConnected();
}

void TOrdoCustomClientSocket::HandleClose(int error) {
    if (!active_) return;
    if (error != 0) {
        DoSocketError(eeDisconnect, error);
        if (error != 0) DoUnhandledAsyncError(error);
    } else {
        // A reply sent just before the peer closed is still delivered.
        DoReadReady();
    }
    // The connection is gone whatever the error handling chose to show.
    Close();
}

}  // namespace ordo
