#include "tests/support/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

extern char** environ;

namespace ordo::test {

std::string FromEnvironment(const char* name, const char* builtIn) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : builtIn;
}

std::string ReadOutput(const std::string& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

ChildProcess::ChildProcess(std::vector<std::string> argv, const ChildProcessOptions& options) {
    if (argv.empty()) throw std::invalid_argument("no program to start");
    std::vector<char*> args;
    for (std::string& a : argv) args.push_back(a.data());
    args.push_back(nullptr);

    int pipeFds[2] = {-1, -1};
    if (options.pipeStdout && ::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    const int mode = O_WRONLY | O_CREAT | (options.append ? O_APPEND : O_TRUNC);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    if (options.pipeStdout) {
        posix_spawn_file_actions_adddup2(&fa, pipeFds[1], 1);
    } else {
        posix_spawn_file_actions_addopen(&fa, 1, options.stdoutPath.c_str(), mode, 0644);
    }
    posix_spawn_file_actions_addopen(&fa, 2, options.stderrPath.c_str(), mode, 0644);
    // A bare name (isql-fb) is looked up on PATH, as a shell would.
    const int rc = ::posix_spawnp(&pid_, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (options.pipeStdout) {
        ::close(pipeFds[1]);
        stdout_ = pipeFds[0];
    }
    if (rc != 0) {
        pid_ = -1;
        CloseOutput();
        throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(rc));
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) Kill();
    CloseOutput();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      stdout_(std::exchange(other.stdout_, -1)),
      status_(other.status_),
      maxRssKiB_(other.maxRssKiB_) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        if (pid_ > 0) Kill();
        CloseOutput();
        pid_ = std::exchange(other.pid_, -1);
        stdout_ = std::exchange(other.stdout_, -1);
        status_ = other.status_;
        maxRssKiB_ = other.maxRssKiB_;
    }
    return *this;
}

void ChildProcess::Signal(int signo) {
    if (pid_ > 0) ::kill(pid_, signo);
}

std::optional<int> ChildProcess::Poll() {
    if (pid_ <= 0) return status_;
    int status = 0;
    rusage use{};
    const pid_t r = ::wait4(pid_, &status, WNOHANG, &use);
    if (r == 0) return std::nullopt;
    if (r == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        maxRssKiB_ = use.ru_maxrss;
    } else {
        status_ = 255;  // reaped elsewhere or never ours: nothing more to learn
    }
    pid_ = -1;
    return status_;
}

int ChildProcess::Wait(int timeoutMs) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (auto status = Poll()) return *status;
        if (timeoutMs >= 0 && std::chrono::steady_clock::now() - start > std::chrono::milliseconds(timeoutMs))
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int ChildProcess::Kill() {
    if (pid_ <= 0) return status_;
    ::kill(pid_, SIGKILL);
    return Wait(-1);
}

std::string ChildProcess::ReadLine(int timeoutMs) {
    std::string line;
    if (stdout_ < 0) return line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{stdout_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char c = 0;
        if (::read(stdout_, &c, 1) <= 0) break;  // the child closed its output
        if (c == '\n') return line;
        line.push_back(c);
    }
    return line;
}

void ChildProcess::CloseOutput() noexcept {
    if (stdout_ >= 0) ::close(stdout_);
    stdout_ = -1;
}

}  // namespace ordo::test
