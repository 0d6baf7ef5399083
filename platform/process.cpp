#include "platform/process.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <iterator>
#include <spawn.h>
#include <unistd.h>

#include "platform/errors.h"
#include "platform/message_queue.h"

extern char** environ;

namespace ordo {

std::string ExeFileName() {
    char buf[PATH_MAX];
    auto n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n < 0) throw EOSError(std::string("Cannot find the executable: ") + std::strerror(errno), errno);
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string ExeFolder() {
    std::string exe = ExeFileName();
    return exe.substr(0, exe.rfind('/') + 1);
}

std::vector<std::string> CommandLineArgs() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> args;
    std::size_t start = 0;
    while (start < raw.size()) {
        std::size_t end = raw.find('\0', start);
        if (end == std::string::npos) end = raw.size();
        args.push_back(raw.substr(start, end - start));
        start = end + 1;
    }
    return args;
}

std::string CommandLine() {
    std::string line;
    for (const auto& a : CommandLineArgs()) {
        if (!line.empty()) line += ' ';
        if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) {
            line += a;
            continue;
        }
        line += '"';
        for (char c : a) {
            if (c == '"' || c == '\\') line += '\\';
            line += c;
        }
        line += '"';
    }
    return line;
}

bool StartDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) return false;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&fa);
    posix_spawnattr_init(&attr);
    for (int fd = 0; fd < 3; ++fd) posix_spawn_file_actions_addopen(&fa, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
    // Its own session, so the child outlives us and our terminal's signals leave it alone.
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    int rc = ::posix_spawnp(&pid, args[0], &fa, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    return rc == 0;
}

namespace {
// The handler can only write to a descriptor; it finds the current one here.
volatile std::sig_atomic_t gSignalWriteFd = -1;
struct sigaction gOldInt, gOldTerm;

extern "C" void OnTerminationSignal(int signo) {
    int saved = errno;
    unsigned char b = static_cast<unsigned char>(signo);
    if (gSignalWriteFd >= 0) {
        [[maybe_unused]] auto n = ::write(gSignalWriteFd, &b, 1);
    }
    errno = saved;
}
}  // namespace

TTerminationSignals::TTerminationSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    if (gSignalWriteFd >= 0) throw EOSError("Termination signals are already being watched", EBUSY);
    int p[2];
    if (::pipe2(p, O_NONBLOCK | O_CLOEXEC) != 0)
        throw EOSError(std::string("pipe failed: ") + std::strerror(errno), errno);
    readFd_ = p[0];
    writeFd_ = p[1];
    gSignalWriteFd = writeFd_;
    WatchDescriptor(readFd_, POLLIN, [this](short) { Drain(); });
    struct sigaction sa {};
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &sa, &gOldInt);
    ::sigaction(SIGTERM, &sa, &gOldTerm);
}

TTerminationSignals::~TTerminationSignals() {
    ::sigaction(SIGINT, &gOldInt, nullptr);
    ::sigaction(SIGTERM, &gOldTerm, nullptr);
    gSignalWriteFd = -1;
    UnwatchDescriptor(readFd_);
    ::close(readFd_);
    ::close(writeFd_);
}

void TTerminationSignals::Drain() {
    unsigned char buf[16];
    for (;;) {
        auto n = ::read(readFd_, buf, sizeof buf);
        if (n <= 0) return;
        for (ssize_t i = 0; i < n; ++i)
            if (onSignal_) onSignal_(buf[i]);
    }
}

}  // namespace ordo
