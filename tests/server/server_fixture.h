#pragma once
// Starts ordo-server as a child process on an embedded database in a folder of its own, reads
// the port from the line it prints when it listens, and stops it with SIGTERM.
//
//   ordo::test::OrdoServerProcess server;                 // fresh database with the ledger tables
//   OrdoTestClient client(server.Port());
//   ...
//   int status = server.Stop();                           // 0 after a clean stop
//
// The binary is ORDO_SERVER_BINARY (a compile definition, or the environment variable of that
// name); the ledger script is ORDO_LEDGER_SCHEMA. The embedded engine keeps the database file
// to one process, so read results back through the server, or after Stop().
//
// With ORDO_TEST_FIREBIRD_SERVER set to a Firebird server's "host" or "host/port", the database
// is created through that server instead (its login from ISC_USER and ISC_PASSWORD).
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

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
    explicit OrdoServerProcess(OrdoServerProcessOptions options = {}) : options_(std::move(options)) {
        if (options_.folder.empty()) {
            std::string pattern = (std::filesystem::temp_directory_path() / "ordo-server-XXXXXX").string();
            if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
            folder_ = pattern;
            ownsFolder_ = true;
        } else {
            folder_ = options_.folder;
            std::filesystem::create_directories(folder_);
        }
        if (!FirebirdServer().empty()) {  // the server's own user creates the database file in here
            std::filesystem::permissions(folder_, std::filesystem::perms::all, std::filesystem::perm_options::add);
        }
        Launch();
    }
    OrdoServerProcess(const OrdoServerProcess&) = delete;
    OrdoServerProcess& operator=(const OrdoServerProcess&) = delete;
    ~OrdoServerProcess() {
        try {
            Stop();
        } catch (...) {
        }
        if (ownsFolder_ && !std::getenv("ORDO_KEEP_TEST_DB")) {
            std::error_code ec;
            std::filesystem::remove_all(folder_, ec);
        }
    }

    [[nodiscard]] int Port() const noexcept { return port_; }
    [[nodiscard]] const std::string& Folder() const noexcept { return folder_; }
    [[nodiscard]] std::string DatabasePath() const { return folder_ + "/test.fdb"; }
    /// The name ordo-server is given: the path, or the path on the Firebird server under test.
    [[nodiscard]] std::string DatabaseName() const {
        const std::string server = FirebirdServer();
        return server.empty() ? DatabasePath() : server + ":" + DatabasePath();
    }
    /// ORDO_TEST_FIREBIRD_SERVER: "host" or "host/port" of a Firebird server; empty for the embedded engine.
    static std::string FirebirdServer() {
        const char* env = std::getenv("ORDO_TEST_FIREBIRD_SERVER");
        return env ? env : "";
    }
    [[nodiscard]] std::string LogPath() const { return folder_ + "/server.log"; }
    [[nodiscard]] bool Running() const noexcept { return pid_ > 0; }
    /// What the server has logged so far.
    [[nodiscard]] std::string LogText() const {
        std::ifstream in(LogPath());
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    /// Sends SIGTERM and waits for the exit (SIGKILL after 30 s); returns the exit status
    /// (128 + signal when killed). A second call returns the first one's result.
    int Stop() {
        if (pid_ <= 0) return status_;
        ::kill(pid_, SIGTERM);
        status_ = WaitExit(30000);
        if (status_ < 0) {
            ::kill(pid_, SIGKILL);
            status_ = WaitExit(-1);
        }
        pid_ = -1;
        if (stdout_ >= 0) ::close(stdout_);
        stdout_ = -1;
        return status_;
    }

    /// Kills the server at once (SIGKILL), as a crash or a power cut would; returns its exit status.
    int Kill() {
        if (pid_ <= 0) return status_;
        ::kill(pid_, SIGKILL);
        status_ = WaitExit(-1);
        pid_ = -1;
        if (stdout_ >= 0) ::close(stdout_);
        stdout_ = -1;
        return status_;
    }

    static std::string Binary() {
        if (const char* env = std::getenv("ORDO_SERVER_BINARY")) return env;
#ifdef ORDO_SERVER_BINARY
        return ORDO_SERVER_BINARY;
#else
        return "ordo-server";
#endif
    }
    static std::string LedgerSchema() {
        if (const char* env = std::getenv("ORDO_LEDGER_SCHEMA")) return env;
#ifdef ORDO_LEDGER_SCHEMA
        return ORDO_LEDGER_SCHEMA;
#else
        return "server/schema/ledger.sql";
#endif
    }

private:
    void Launch() {
        std::vector<std::string> args{Binary(), "--database", DatabaseName(), "--create", "--port", "0",
                                      "--log-level", "debug"};
        std::string script = !options_.initScript.empty() ? options_.initScript
                             : options_.ledgerSchema      ? LedgerSchema()
                                                          : std::string();
        if (!script.empty()) args.insert(args.end(), {"--init", script});
        args.insert(args.end(), options_.args.begin(), options_.args.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);

        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        std::string log = LogPath();
        posix_spawn_file_actions_addopen(&fa, 2, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        pid_t pid = 0;
        int rc = ::posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        stdout_ = out[0];
        if (rc != 0) {
            ::close(stdout_);
            stdout_ = -1;
            throw std::runtime_error("cannot start " + args[0] + ": " + std::to_string(rc));
        }
        pid_ = pid;
        std::string line = ReadLine();
        auto colon = line.rfind(':');
        if (line.find("listening") == std::string::npos || colon == std::string::npos) {
            int status = Stop();
            throw std::runtime_error("ordo-server did not start (status " + std::to_string(status) +
                                     "); its log:\n" + LogText());
        }
        port_ = std::stoi(line.substr(colon + 1));
    }

    std::string ReadLine() {
        std::string line;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.startTimeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{stdout_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            char c;
            ssize_t n = ::read(stdout_, &c, 1);
            if (n <= 0) break;  // the server ended before it listened
            if (c == '\n') return line;
            line.push_back(c);
        }
        return line;
    }

    int WaitExit(int timeoutMs) {
        auto start = std::chrono::steady_clock::now();
        for (;;) {
            int status = 0;
            pid_t r = ::waitpid(pid_, &status, timeoutMs < 0 ? 0 : WNOHANG);
            if (r == pid_) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            if (r < 0) return 255;
            if (timeoutMs >= 0 && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(timeoutMs))
                return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    OrdoServerProcessOptions options_;
    std::string folder_;
    bool ownsFolder_ = false;
    pid_t pid_ = -1;
    int stdout_ = -1;
    int port_ = 0;
    int status_ = -1;
};

}  // namespace ordo::test
