#include "server/config/server_options.h"

#include <CLI/CLI.hpp>

#include <map>

#include "core/text_convert.h"
#include "ordo_version.h"
#include "server/config/client_networks.h"
#include "server/config/config_file.h"
#include "server/config/database_login.h"
#include "server/net/posix_socket.h"

namespace ordo::server {
namespace {

const std::map<std::string, TOrdoCompression> kCompressions{{"none", acNoCompression}, {"zlib", acOrdoZLib}};
const std::map<std::string, TOrdoEncryption> kEncryptions{
    {"none", etNoEncryption}, {"ordo", etOrdoEncrypt}, {"aes", etAESEncrypt}, {"des", etDESEncrypt}};

template <class Map>
std::vector<std::string> NamesOf(const Map& map) {
    std::vector<std::string> names;
    for (const auto& entry : map) names.push_back(entry.first);
    return names;
}

const CLI::Validator kIpAddress(
    [](std::string& text) { return IsIpAddress(text) ? std::string() : "not an IPv4 or IPv6 address: " + text; },
    "ADDRESS");

}  // namespace

std::optional<ServerOptions> ParseServerOptions(int argc, const char* const* argv, int& exitCode) {
    ServerOptions o;
    std::string level = "info";
    std::string compression = "none";
    std::string encryption = "none";
    std::string passwordFile;
    std::string desKeyFile;
    CLI::App app{"ordo-server: runs the SQL of middleware clients on a Firebird database"};
    app.set_version_flag("--version", std::string("ordo-server ") + kOrdoVersion, "Print the version and exit");
    app.set_config("--config", "", "Read options from this file: one 'name = value' a line, the long option names")
        ->type_name("FILE");
    app.allow_config_extras(CLI::config_extras_mode::error);  // a misspelt setting would go unnoticed
    app.config_formatter(std::make_shared<LastValueWinsConfig>(std::set<std::string>{"push-file"}));
    app.footer(
        "Exit status: 0 after a clean stop (SIGINT, SIGTERM), --help or --version; 1 when the database, a file\n"
        "or the listening socket failed at start; 2 for a bad option or configuration file.");
    app.add_option("--database", o.database.database,
                   "Database: a file path (embedded engine) or host[/port]:path (Firebird server)")
        ->required();
    auto* create = app.add_flag("--create", o.create, "Create the database when it does not exist");
    app.add_option("--init", o.initScript, "SQL script to run after creating the database")
        ->check(CLI::ExistingFile)
        ->needs(create);
    auto* user = app.add_option("--user", o.database.user, "Database user (else ISC_USER, else SYSDBA)");
    auto* password = app.add_option("--password", o.database.password,
                                    "Database password; prefer --password-file or ISC_PASSWORD, which others "
                                    "cannot read in the process list");
    app.add_option("--password-file", passwordFile, "Read the database password from this file's first line")
        ->check(CLI::ExistingFile)
        ->excludes(password);
    app.add_option("--charset", o.database.charset, "Character set the clients' texts are in")
        ->capture_default_str();
    app.add_option("--bind", o.bind, "Address to listen on: IPv4 or IPv6 (:: takes both)")
        ->capture_default_str()
        ->check(kIpAddress);
    app.add_option("--port", o.port, "Port to listen on; 0 picks a free one")
        ->capture_default_str()
        ->check(CLI::Range(0, 65535));
    app.add_option("--allow", o.allow,
                   "Client networks served, comma-separated (10.1.0.0/16,192.168.7.12; '!' before one refuses "
                   "it); the first that holds a client's address decides. Default: this machine only")
        ->type_name("CIDR[,CIDR...]");
    app.add_option("--users", o.usersFile, "Login list, one user:password a line; without it every login is accepted")
        ->check(CLI::ExistingFile);
    app.add_option("--compression", compression, "Message compression")
        ->capture_default_str()
        ->check(CLI::IsMember(NamesOf(kCompressions), CLI::ignore_case));
    app.add_option("--encryption", encryption, "Message encryption (aes is sent as is)")
        ->capture_default_str()
        ->check(CLI::IsMember(NamesOf(kEncryptions), CLI::ignore_case));
    auto* desKey = app.add_option("--des-key", o.desKey, "DES key text (first 8 bytes used) for --encryption des");
    app.add_option("--des-key-file", desKeyFile,
                   "Read the DES key text from this file's first line; others cannot read it in the process list")
        ->check(CLI::ExistingFile)
        ->excludes(desKey);
    app.add_option("--log-level", level, "How much goes to standard error")
        ->capture_default_str()
        ->check(CLI::IsMember({"error", "warn", "info", "debug"}, CLI::ignore_case));
    app.add_option("--lock-timeout", o.lockTimeout, "Seconds a statement waits for a row locked by another client")
        ->capture_default_str()
        ->check(CLI::Range(1, 3600));
    app.add_option("--max-clients", o.maxClients, "Connections served at once; further ones are closed")
        ->capture_default_str()
        ->check(CLI::Range(1, 100000));
    app.add_option("--statement-cache", o.statementCache,
                   "Prepared statements one execute request keeps for INSERT and UPDATE OR INSERT statements "
                   "that differ only in their literals; 0 runs every statement as text")
        ->capture_default_str()
        ->check(CLI::Range(0, 100000));
    app.add_option("--journal-days", o.journalDays,
                   "Days the replay journal keeps the key of each queued file it ran; a file replayed again within "
                   "them is answered as done")
        ->capture_default_str()
        ->check(CLI::Range(1, 36500));
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
        try {
            if (!o.allow.empty()) ClientNetworks::Parse(o.allow);
        } catch (const EOrdoError& e) {
            throw CLI::ValidationError("--allow", e.what());
        }
        try {
            if (!desKeyFile.empty()) o.desKey = ReadPasswordFile(desKeyFile, "key");
        } catch (const EOrdoError& e) {
            throw CLI::ValidationError("--des-key-file", e.what());
        }
        o.compression = kCompressions.at(LowerCase(compression));
        o.encryption = kEncryptions.at(LowerCase(encryption));
        if (o.encryption == etDESEncrypt && o.desKey.empty())
            throw CLI::ValidationError("--des-key", "--encryption des needs a key");
        if (user->count() == 0 && !FirebirdEnvironment("ISC_USER").empty())
            o.database.user = FirebirdEnvironment("ISC_USER");
        if (password->count() == 0) {
            try {
                o.database.password =
                    passwordFile.empty() ? FirebirdEnvironment("ISC_PASSWORD") : ReadPasswordFile(passwordFile);
            } catch (const EOrdoError& e) {
                throw CLI::ValidationError("--password-file", e.what());
            }
        }
    } catch (const CLI::ParseError& e) {
        exitCode = app.exit(e) == 0 ? 0 : kExitUsage;
        return std::nullopt;
    }
    ParseLogLevel(LowerCase(level), o.logLevel);
    return o;
}

}  // namespace ordo::server
