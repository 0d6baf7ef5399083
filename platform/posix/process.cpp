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
#include <sys/stat.h>
#include <unistd.h>

#include "core/errors.h"
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

int CurrentProcessId() noexcept { return static_cast<int>(::getpid()); }

namespace {

[[noreturn]] void ThrowPathError(const std::string& what, const std::string& path, int err) {
    throw EOSError(what + " '" + path + "': " + std::strerror(err), err);
}

void WriteWhole(int fd, const std::string& text, const std::string& path) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int err = n < 0 ? errno : EIO;
            ::close(fd);
            ThrowPathError("Cannot write file", path, err);
        }
        done += static_cast<std::size_t>(n);
    }
}

/// Owns the spawn attributes for the one call that needs them.
struct SpawnSetup {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attr{};
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attr);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

/// The script, and the program it starts again, begin with default signal handling and no
/// blocked signals, whatever this program had changed for itself.
void ResetSignals(posix_spawnattr_t& attr) {
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int s : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGCHLD, SIGUSR1, SIGUSR2}) sigaddset(&defaults, s);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
}

}  // namespace

void SaveShellScript(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += '\n';
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0700);
    if (fd < 0) ThrowPathError("Cannot create file", path, errno);
    WriteWhole(fd, text, path);
    // An older file of that name keeps its mode through O_TRUNC.
    if (::fchmod(fd, 0700) != 0) {
        int err = errno;
        ::close(fd);
        ThrowPathError("Cannot make executable", path, err);
    }
    if (::close(fd) != 0) ThrowPathError("Cannot write file", path, errno);
}

void StartRestartScript(const std::string& path) {
    int p[2];
    if (::pipe2(p, O_CLOEXEC) != 0) ThrowPathError("Cannot start", path, errno);
    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, p[0], 0);
    posix_spawn_file_actions_addopen(&setup.actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, 2, "/dev/null", O_WRONLY, 0);
    ResetSignals(setup.attr);
    std::string shell = "/bin/sh";
    std::vector<char*> argv{shell.data(), const_cast<char*>(path.c_str()), nullptr};
    pid_t pid = 0;
    int rc = ::posix_spawn(&pid, shell.c_str(), &setup.actions, &setup.attr, argv.data(), environ);
    ::close(p[0]);
    if (rc != 0) {
        ::close(p[1]);
        ThrowPathError("Cannot start", path, rc);
    }
    // The write end stays open on purpose: the kernel closes it when this process ends, which is
    // the moment the script waits for. It is close-on-exec, so no other child holds it.
}

void MakeExecutable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) ThrowPathError("Cannot make executable", path, errno);
    mode_t mode = st.st_mode & 07777;
    if (mode & S_IRUSR) mode |= S_IXUSR;
    if (mode & S_IRGRP) mode |= S_IXGRP;
    if (mode & S_IROTH) mode |= S_IXOTH;
    if (::chmod(path.c_str(), mode) != 0) ThrowPathError("Cannot make executable", path, errno);
}

namespace {
// The handler can only write to a descriptor; it finds the current one here.
volatile std::sig_atomic_t gSignalWriteFd = -1;
struct sigaction gOldInt, gOldTerm, gOldHup;

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
    // A terminal that goes away, or a supervisor's reload, must not kill a run between a commit and its delete.
    ::sigaction(SIGHUP, &sa, &gOldHup);
}

TTerminationSignals::~TTerminationSignals() {
    ::sigaction(SIGINT, &gOldInt, nullptr);
    ::sigaction(SIGTERM, &gOldTerm, nullptr);
    ::sigaction(SIGHUP, &gOldHup, nullptr);
    gSignalWriteFd = -1;
    UnwatchDescriptor(readFd_);
    ::close(readFd_);
    ::close(writeFd_);
}

std::string TTerminationSignals::Name(int signo) {
    switch (signo) {
        case SIGINT: return "SIGINT";
        case SIGTERM: return "SIGTERM";
        case SIGHUP: return "SIGHUP";
        default: return "signal " + std::to_string(signo);
    }
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
