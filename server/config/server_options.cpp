#include "server/config/server_options.h"

#include <CLI/CLI.hpp>

#include <map>

namespace ordo::server {

std::optional<ServerOptions> ParseServerOptions(int argc, const char* const* argv, int& exitCode) {
    ServerOptions o;
    std::string level = "info";
    CLI::App app{"ordo-server: runs the SQL of middleware clients on a Firebird database"};
    app.add_option("--database", o.database.database,
                   "Database: a file path (embedded engine) or host[/port]:path (Firebird server)")
        ->required();
    auto* create = app.add_flag("--create", o.create, "Create the database when it does not exist");
    app.add_option("--init", o.initScript, "SQL script to run after creating the database")
        ->check(CLI::ExistingFile)
        ->needs(create);
    app.add_option("--user", o.database.user, "Database user")->capture_default_str();
    app.add_option("--password", o.database.password, "Database password");
    app.add_option("--charset", o.database.charset, "Character set the clients' texts are in")
        ->capture_default_str();
    app.add_option("--bind", o.bind, "Address to listen on")->capture_default_str()->check(CLI::ValidIPV4);
    app.add_option("--port", o.port, "Port to listen on; 0 picks a free one")
        ->capture_default_str()
        ->check(CLI::Range(0, 65535));
    app.add_option("--users", o.usersFile, "Login list, one user:password a line; without it every login is accepted")
        ->check(CLI::ExistingFile);
    const std::map<std::string, TOrdoCompression> compressions{{"none", acNoCompression}, {"zlib", acOrdoZLib}};
    app.add_option("--compression", o.compression, "Message compression: none or zlib")
        ->transform(CLI::CheckedTransformer(compressions, CLI::ignore_case));
    const std::map<std::string, TOrdoEncryption> encryptions{
        {"none", etNoEncryption}, {"ordo", etOrdoEncrypt}, {"aes", etAESEncrypt}, {"des", etDESEncrypt}};
    app.add_option("--encryption", o.encryption, "Message encryption: none, ordo, aes (sent as is) or des")
        ->transform(CLI::CheckedTransformer(encryptions, CLI::ignore_case));
    app.add_option("--des-key", o.desKey, "DES key text (first 8 bytes used) for --encryption des");
    app.add_option("--log-level", level, "error, warn, info or debug")
        ->capture_default_str()
        ->check(CLI::IsMember({"error", "warn", "info", "debug"}, CLI::ignore_case));
    app.add_option("--lock-timeout", o.lockTimeout, "Seconds a statement waits for a row locked by another client")
        ->capture_default_str()
        ->check(CLI::Range(1, 3600));
    app.add_option("--max-clients", o.maxClients, "Connections served at once; further ones are closed")
        ->capture_default_str()
        ->check(CLI::Range(1, 10000));
    app.add_option("--statement-cache", o.statementCache,
                   "Prepared statements each connection keeps for INSERT and UPDATE OR INSERT statements "
                   "that differ only in their literals; 0 runs every statement as text")
        ->capture_default_str()
        ->check(CLI::Range(0, 100000));
    app.add_option("--push-update", o.pushUpdate,
                   "Send this file to every client after its login as a new build of its program")
        ->check(CLI::ExistingFile);
    app.add_option("--push-file", o.pushFiles,
                   "Send LOCAL to every client after its login, in segments, as REMOTE in its program's folder "
                   "(may be given more than once)")
        ->type_name("LOCAL REMOTE");
    try {
        app.parse(argc, argv);
        for (const auto& [local, remote] : o.pushFiles) {
            if (!CLI::ExistingFile(local).empty())
                throw CLI::ValidationError("--push-file", "no such file: " + local);
            if (remote.empty()) throw CLI::ValidationError("--push-file", "the client's file name is empty");
        }
        if (o.encryption == etDESEncrypt && o.desKey.empty())
            throw CLI::ValidationError("--des-key", "--encryption des needs a key");
    } catch (const CLI::ParseError& e) {
        exitCode = app.exit(e);
        return std::nullopt;
    }
    for (char& c : level) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    ParseLogLevel(level, o.logLevel);
    return o;
}

}  // namespace ordo::server
