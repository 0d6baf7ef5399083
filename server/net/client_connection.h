#pragma once
// One client's connection: bytes in, frames cut and transformed back, requests handled by its
// session, replies framed and written. Runs on a thread of its own.
#include <string>

#include "codec/transforms.h"
#include "server/net/posix_socket.h"
#include "server/session/client_session.h"

namespace ordo::server {

struct ConnectionSettings {
    SessionSettings session;
    TOrdoCompression compression = acNoCompression;
    TOrdoEncryption encryption = etNoEncryption;
    std::string desKey;
    int writeStallMs = 30000;  // a client that takes no reply bytes for this long is dropped
};

/// Serves the client until it leaves, sends something that is not the protocol (the connection
/// is then closed with a log line), or `stopFd` becomes readable.
void ServeClient(UniqueFd fd, const std::string& peer, const ConnectionSettings& settings, int stopFd);

}  // namespace ordo::server
