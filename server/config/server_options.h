#pragma once
// The server's settings, from its command line and an optional configuration file.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "codec/transforms.h"
#include "server/fb/fb_client.h"
#include "server/log.h"

namespace ordo::server {

struct ServerOptions {
    FbConnectSpec database;
    bool create = false;
    std::string initScript;
    std::string bind = "127.0.0.1";
    int port = 55200;
    std::string allow;  // the client networks served (--allow); empty: this machine only
    std::string usersFile;
    TOrdoCompression compression = acNoCompression;
    TOrdoEncryption encryption = etNoEncryption;
    std::string desKey;
    LogLevel logLevel = LogLevel::Info;
    int lockTimeout = 10;  // seconds a statement waits for a row another client has locked
    // Connections served at once; more are closed at once. A chain's shops run their timers at the
    // same minute, so a thousand connect together and each must be served rather than sent away.
    int maxClients = 2000;
    int statementCache = 32;  // prepared statements kept per attachment; 0 runs every statement as text
    int journalDays = 30;     // days a replay journal key is kept
    std::string pushUpdate;  // a new client program sent after every accepted login
    std::vector<std::pair<std::string, std::string>> pushFiles;  // (local file, client's name), in segments
};

/// How the program ends when it stops before serving.
inline constexpr int kExitFailure = 1;  // the database, a file or the socket failed at start
inline constexpr int kExitUsage = 2;    // a bad option, value or configuration file

/// Parses the command line (and the file named by --config). Returns the options, or nothing
/// when the program should end at once with `exitCode` (0 after --help or --version, kExitUsage
/// after a bad option), with the message printed.
std::optional<ServerOptions> ParseServerOptions(int argc, const char* const* argv, int& exitCode);

}  // namespace ordo::server
