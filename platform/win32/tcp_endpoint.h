#pragma once
// Address and wait helpers shared by the Win32 TCP classes.
#include <string>
#include <string_view>

#include "platform/win32/windows_api.h"

namespace ordo::detail {

/// Fills `sa` for a dotted IPv4 address and port; 0, or the Windows Sockets number of the fault.
int MakeSockAddr(std::string_view ipv4Address, int port, sockaddr_in& sa);
std::string EndpointAddress(int fd, bool peer);
int EndpointPort(int fd, bool peer);
/// Waits until the socket can be read (or, with `write`, written; a failed connect counts as
/// ready); 1 ready, 0 timed out (-1 ms: no limit), -1 failed (WSAGetLastError tells).
int WaitSocket(int fd, bool write, int timeoutMs);
/// A fresh non-blocking, non-inherited TCP socket, or INVALID_SOCKET.
SOCKET OpenTcpSocket();
/// Makes `s` non-blocking and keeps it from programs this one starts (the client update's).
void MakeNonBlockingAndPrivate(SOCKET s);

}  // namespace ordo::detail
