#pragma once
// Starts ordo-server as a child process on an embedded database in a folder of its own, reads
// the port from the line it prints when it listens, and stops it with SIGTERM.
//
//   ordo::test::OrdoServerProcess server;                 // fresh database with the ledger tables
//   OrdoTestClient client(server.Port());
//   ...
//   int status = server.Stop();                           // 0 after a clean stop
//
// The binary is ORDO_SERVER_BINARY (the environment variable, else the build's own); the ledger
// script is ORDO_LEDGER_SCHEMA likewise. The embedded engine keeps the database file to one
// process, so read results back through the server, or after Stop().
//
// With ORDO_TEST_FIREBIRD_SERVER set to a Firebird server's "host" or "host/port", the database
// is created through that server instead (its login from ISC_USER and ISC_PASSWORD).
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_folder.h"

namespace ordo::test {

struct OrdoServerProcessOptions {
    /// Create the database with the ledger tables (server/schema/ledger.sql).
    bool ledgerSchema = true;
    /// A script to run instead of the ledger tables when the database is created.
    std::string initScript;
    /// Further options: "--users", file, "--compression", "zlib", ...
    std::vector<std::string> args;
    /// Run in this folder (its database is kept, so a second server can read it); empty: a
    /// fresh temporary folder, removed with the fixture.
    std::string folder;
    /// Milliseconds to wait for the port line.
    int startTimeoutMs = 60000;

    static OrdoServerProcessOptions WithArgs(std::vector<std::string> more) {
        OrdoServerProcessOptions o;
        o.args = std::move(more);
        return o;
    }
    static OrdoServerProcessOptions InFolder(std::string dir) {
        OrdoServerProcessOptions o;
        o.folder = std::move(dir);
        return o;
    }
};

class OrdoServerProcess {
public:
    explicit OrdoServerProcess(OrdoServerProcessOptions options = {});
    ~OrdoServerProcess();
    OrdoServerProcess(const OrdoServerProcess&) = delete;
    OrdoServerProcess& operator=(const OrdoServerProcess&) = delete;

    [[nodiscard]] int Port() const noexcept { return port_; }
    [[nodiscard]] const std::string& Folder() const noexcept { return folder_; }
    [[nodiscard]] std::string DatabasePath() const { return folder_ + "/test.fdb"; }
    /// The name ordo-server is given: the path, or the path on the Firebird server under test.
    [[nodiscard]] std::string DatabaseName() const;
    /// ORDO_TEST_FIREBIRD_SERVER: "host" or "host/port" of a Firebird server; empty for the embedded engine.
    static std::string FirebirdServer();
    [[nodiscard]] std::string LogPath() const { return folder_ + "/server.log"; }
    [[nodiscard]] bool Running() const noexcept { return process_ && process_->Running(); }
    /// What the server has logged so far.
    [[nodiscard]] std::string LogText() const;

    /// Sends SIGTERM and waits for the exit (SIGKILL after 30 s); returns the exit status
    /// (128 + signal when killed). A second call returns the first one's result.
    int Stop();
    /// Kills the server at once (SIGKILL), as a crash or a power cut would; returns its exit status.
    int Kill();

    static std::string Binary();
    static std::string LedgerSchema();

private:
    void Launch();
    void CreateOnFirebirdServer(const std::string& script) const;

    OrdoServerProcessOptions options_;
    std::optional<TempFolder> ownFolder_;  // when no folder was given
    std::string folder_;
    std::optional<ChildProcess> process_;
    int port_ = 0;
    bool created_ = false;  // the database on a Firebird server exists
    int status_ = -1;
};

}  // namespace ordo::test
