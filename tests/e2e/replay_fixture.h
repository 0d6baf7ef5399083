#pragma once
// fqreplay end to end: a copy of the program in a folder of its own, its Environment.ini pointing at an
// ordo-server on an embedded database, a queue to lay down, and the database read back through the server.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "server_fixture.h"
#include "ordo_test_client.h"
#include "tests/support/scramble_port.h"

namespace ordo::test {

namespace fs = std::filesystem;

inline std::string ScramblePort(int port) { return ScramblePortText(std::to_string(port)); }

/// A started fqreplay process.
class ReplayProcess {
public:
    ReplayProcess(const std::string& binary, const std::string& errPath, std::vector<std::string> args = {},
                  const std::string& outPath = "/dev/null") {
        args.insert(args.begin(), binary);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int rc = ::posix_spawn(&pid_, binary.c_str(), &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        if (rc != 0) throw std::runtime_error("cannot start " + binary);
    }
    ~ReplayProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void Signal(int signo) {
        if (pid_ > 0) ::kill(pid_, signo);
    }
    /// The exit status, or -1 when the program is still running after `timeoutMs` (it is then killed).
    int Wait(int timeoutMs) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > deadline) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

private:
    pid_t pid_ = -1;
};

class ReplayFixture {
public:
    explicit ReplayFixture(OrdoServerProcessOptions options = {}) : server_(std::move(options)) {
        app_ = fs::path(server_.Folder()) / "app";
        fs::create_directories(app_ / "temp" / "FQ");
        fs::copy_file(Binary(), app_ / "fqreplay");
        WriteIni(server_.Port());
    }

    void WriteIni(int port, const std::string& dmgid = "TEST01") {
        std::ofstream(app_ / "Environment.ini") << "[SYSTEM]\r\nSvrIP=127.0.0.1\r\nSvrNM=\r\nDBDSPort="
                                                << ScramblePort(port) << "\r\n[SYSSETUP]\r\nDMGID=" << dmgid
                                                << "\r\n";
    }
    void Put(const std::string& name, const std::string& text) {
        std::ofstream(Queue() / name, std::ios::binary) << text;
    }
    [[nodiscard]] bool Has(const std::string& name) const { return fs::exists(Queue() / name); }
    [[nodiscard]] std::vector<std::string> Remaining() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(Queue())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    [[nodiscard]] fs::path Queue() const { return app_ / "temp" / "FQ"; }
    [[nodiscard]] fs::path AppFolder() const { return app_; }

    /// Starts fqreplay with `args`; `tag` keeps the output of several copies apart.
    ReplayProcess Start(const std::vector<std::string>& args = {}, const std::string& tag = "") {
        return ReplayProcess((app_ / "fqreplay").string(), ErrPath(tag), args, OutPath(tag));
    }
    /// Runs fqreplay to its end; -1 when it had not ended after `timeoutMs`.
    int Run(int timeoutMs = 60000, const std::vector<std::string>& args = {}) { return Start(args).Wait(timeoutMs); }
    [[nodiscard]] std::string Stderr(const std::string& tag = "") const { return ReadAll(ErrPath(tag)); }
    [[nodiscard]] std::string Stdout(const std::string& tag = "") const { return ReadAll(OutPath(tag)); }

    OrdoServerProcess& Server() { return server_; }
    /// Runs statements on the server (fixtures), failing the test on an error.
    void Exec(const std::string& sql) {
        OrdoTestClient c(server_.Port());
        const OrdoReply r = c.Exec(sql);
        if (!r.Ok()) throw std::runtime_error("fixture statement failed: " + r.error + "\n" + sql);
    }
    DecodedRows Select(const std::string& sql) {
        OrdoTestClient c(server_.Port());
        const OrdoReply r = c.Select(sql);
        if (!r.Ok()) throw std::runtime_error("fixture query failed: " + r.error + "\n" + sql);
        return DecodedRows(r);
    }

    static std::string Binary() {
        if (const char* env = std::getenv("ORDO_FQREPLAY_BINARY")) return env;
        return ORDO_FQREPLAY_BINARY;
    }

private:
    [[nodiscard]] std::string ErrPath(const std::string& tag = "") const {
        return (fs::path(server_.Folder()) / ("fqreplay" + tag + ".err")).string();
    }
    [[nodiscard]] std::string OutPath(const std::string& tag) const {
        return (fs::path(server_.Folder()) / ("fqreplay" + tag + ".out")).string();
    }
    static std::string ReadAll(const std::string& path) {
        std::ifstream in(path);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    OrdoServerProcess server_;
    fs::path app_;
};

}  // namespace ordo::test
