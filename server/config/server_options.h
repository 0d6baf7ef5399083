#pragma once
// The server's settings, from its command line.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "net/transforms.h"
#include "server/fb/fb_client.h"
#include "server/log.h"

namespace ordo::server {

struct ServerOptions {
    FbConnectSpec database;
    bool create = false;
    std::string initScript;
    std::string bind = "127.0.0.1";
    int port = 55200;
    std::string usersFile;
    TOrdoCompression compression = acNoCompression;
    TOrdoEncryption encryption = etNoEncryption;
    std::string desKey;
    LogLevel logLevel = LogLevel::Info;
    int lockTimeout = 10;  // seconds a statement waits for a row another client has locked
    int maxClients = 256;  // connections served at once; more are closed at once
    int statementCache = 32;  // prepared statements kept per attachment; 0 runs every statement as text
    std::string pushUpdate;  // a new client program sent after every accepted login
    std::vector<std::pair<std::string, std::string>> pushFiles;  // (local file, client's name), in segments
};

/// Parses the command line. Returns the options, or nothing when the program should end at
/// once with `exitCode` (0 after --help, 1 after a bad option, with the message printed).
std::optional<ServerOptions> ParseServerOptions(int argc, const char* const* argv, int& exitCode);

}  // namespace ordo::server
