#pragma once
// fqreplay end to end: a copy of the program in a folder of its own, its Environment.ini pointing at an
// ordo-server on an embedded database, a queue to lay down, and the database read back through the server.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/ordo_test_client.h"
#include "tests/support/server_process.h"

namespace ordo::test {

namespace fs = std::filesystem;

/// A started fqreplay process: Wait gives its exit status, -1 while it still runs (it is killed
/// when the object goes).
using ReplayProcess = ChildProcess;

/// The port text Environment.ini holds for `port`.
std::string ScramblePort(int port);

class ReplayFixture {
public:
    explicit ReplayFixture(OrdoServerProcessOptions options = {});

    void WriteIni(int port, const std::string& dmgid = "TEST01");
    void Put(const std::string& name, const std::string& text);
    [[nodiscard]] bool Has(const std::string& name) const;
    /// The names left in the queue, sorted.
    [[nodiscard]] std::vector<std::string> Remaining() const;
    [[nodiscard]] std::filesystem::path Queue() const { return app_ / "temp" / "FQ"; }
    [[nodiscard]] std::filesystem::path AppFolder() const { return app_; }

    /// Starts fqreplay with `args`; `tag` keeps the output of several copies apart.
    ReplayProcess Start(const std::vector<std::string>& args = {}, const std::string& tag = "");
    /// Runs fqreplay to its end; -1 when it had not ended after `timeoutMs`.
    int Run(int timeoutMs = 60000, const std::vector<std::string>& args = {}) { return Start(args).Wait(timeoutMs); }
    [[nodiscard]] std::string Stderr(const std::string& tag = "") const;
    [[nodiscard]] std::string Stdout(const std::string& tag = "") const;

    OrdoServerProcess& Server() { return server_; }
    /// Runs statements on the server (fixtures), failing the test on an error.
    void Exec(const std::string& sql);
    DecodedRows Select(const std::string& sql);

    /// ORDO_FQREPLAY_BINARY (the environment variable, else the build's own).
    static std::string Binary();

private:
    [[nodiscard]] std::string ErrPath(const std::string& tag) const;
    [[nodiscard]] std::string OutPath(const std::string& tag) const;

    OrdoServerProcess server_;
    std::filesystem::path app_;
};

}  // namespace ordo::test
