#pragma once
// Address plumbing shared by the TCP classes.
#include <netinet/in.h>
#include <string>
#include <string_view>

namespace ordo::detail {

/// Fills `sa` for a dotted IPv4 address and port; 0, or the Windows Sockets number of the fault.
int MakeSockAddr(std::string_view ipv4Address, int port, sockaddr_in& sa);
std::string EndpointAddress(int fd, bool peer);
int EndpointPort(int fd, bool peer);
/// Waits for `events` on fd; 1 ready, 0 timed out, -1 failed (errno set).
int PollOne(int fd, short events, int timeoutMs);

}  // namespace ordo::detail
