#pragma once
// Tells a service manager (systemd's Type=notify) how the server is doing, through the datagram
// socket named by NOTIFY_SOCKET. Without that variable nothing happens.
#include <string_view>

namespace ordo::server {

/// Sends `state` ("READY=1", "STOPPING=1", "STATUS=..." lines). Returns false when there is no
/// service manager to tell or it could not be reached; the server runs on either way.
bool NotifyServiceManager(std::string_view state) noexcept;

}  // namespace ordo::server
