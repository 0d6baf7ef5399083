#pragma once
// Texts the socket shows for connection failures and for its connection status.
#include <optional>
#include <string>

#include "core/errors.h"
#include "net/client_socket_types.h"

namespace ordo {

/// A failure raised by the client socket itself (not by the platform or the server).
class EOrdoSocketError : public EOrdoError {
public:
    using EOrdoError::EOrdoError;
};

/// An SQL error the server reported while no request was there to collect it.
class EOrdoSQLException : public EOrdoError {
public:
    using EOrdoError::EOrdoError;
};

/// An exception the server raised on its side (message code 64).
class EOrdoServerException : public EOrdoError {
public:
    EOrdoServerException(const std::string& what, int code) : EOrdoError(what), code_(code) {}
    [[nodiscard]] int Code() const noexcept { return code_; }
private:
    int code_;
};

/// Windows socket error codes the socket explains to the user itself.
inline constexpr int kWsaConnAborted = 10053;
inline constexpr int kWsaConnReset = 10054;
inline constexpr int kWsaConnRefused = 10061;
inline constexpr int kWsaHostUnreach = 10065;

/// The user-facing text for the connection errors the socket handles itself; empty for any other code.
std::optional<std::string> SocketErrorText(int code);

/// "%s at %s on Port:%d" filled with the error text, the address and the port.
std::string SocketErrorMessage(const std::string& text, const std::string& address, int port);

/// The status text shown for a connection status.
std::string AnchorStatusText(TClientAnchorStatus status, bool active, const std::string& address, int port);

}  // namespace ordo
