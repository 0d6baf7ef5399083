#pragma once
// The few socket calls the server makes, over plain POSIX descriptors.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "platform/owned_handle.h"

namespace ordo::server {

/// Owns a descriptor and closes it.
using UniqueFd = TFileHandle;

/// A pipe whose read end becomes readable once something is written to it, or once its write
/// end is closed: the latter wakes every thread that polls the read end.
struct WakePipe {
    UniqueFd read;
    UniqueFd write;
    static WakePipe Create();
};

/// True for a literal IPv4 or IPv6 address (no host names: the server listens where it is told).
bool IsIpAddress(const std::string& address);
/// True for an address only this machine reaches: 127.0.0.0/8 or ::1.
bool IsLoopbackAddress(const std::string& address);
/// "address:port", with an IPv6 address in brackets.
std::string EndpointText(const std::string& address, int port);

/// A listening socket on an IPv4 or IPv6 address; port 0 picks a free port. On "::" it takes
/// IPv4 clients too, where the system allows it. Raises EOSError.
UniqueFd ListenTcp(const std::string& address, int port, int& boundPort);

/// A connection's far end: "address:port" for the log, and the address alone (an IPv4 client of
/// an IPv6 socket shows as IPv4).
struct PeerName {
    std::string text;
    std::string address;
};

/// Waits for a connection or for `stopFd` to become readable; returns an invalid fd on stop.
/// Nothing is read from the connection. Raises EOSError when accept fails for good.
UniqueFd AcceptTcp(int listenFd, int stopFd, PeerName& peer);

enum class ReadResult { Data, Closed, Stopped };

/// Waits until the socket has data (read into `buffer`, size in `got`), the peer closed, or
/// `stopFd` became readable.
ReadResult ReadSome(int fd, int stopFd, std::uint8_t* buffer, std::size_t size, std::size_t& got);

/// Writes everything; raises EOSError when the peer is gone, `stopFd` fires, or the peer has
/// taken nothing for `stallMs` milliseconds.
void WriteAll(int fd, int stopFd, ByteView data, int stallMs);

}  // namespace ordo::server
