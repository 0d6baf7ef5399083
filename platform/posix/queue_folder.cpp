// The POSIX queue folder: one descriptor of the folder, flock() on it, and every name resolved relative to it
// (openat, fstatat, unlinkat), so a path replaced after the open changes nothing for this copy.
#include "platform/queue_folder.h"

#include <dirent.h>
#ifdef __linux__
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "core/errors.h"
#include "core/file_names.h"
#include "platform/files.h"

namespace ordo {
namespace {

std::string Reason(int err) { return std::strerror(err); }

[[noreturn]] void ThrowNamed(const std::string& what, const std::string& path, int err) {
    throw EOSError(what + " '" + path + "': " + Reason(err), err);
}

std::int64_t Nanoseconds(const struct stat& st) noexcept {
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

/// A descriptor that closes itself.
struct TFd {
    int fd = -1;
    explicit TFd(int value) noexcept : fd(value) {}
    ~TFd() {
        if (fd >= 0) ::close(fd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
};

}  // namespace

TQueueFolder TQueueFolder::Open(const std::string& path) {
    std::string folder = ToNativePath(path);
    if (folder.empty() || folder.back() != '/') folder += '/';
    // Close-on-exec: the script that restarts the program after an update must not inherit the lock, or the
    // restarted copy would find its own queue taken.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) ThrowNamed("Cannot open the folder", folder, errno);
    return TQueueFolder(folder, fd);
}

void TQueueFolder::Release() noexcept {
    if (handle_ == kNone) return;
    ::close(static_cast<int>(handle_));
    handle_ = kNone;
}

bool TQueueFolder::TryLock() {
    // A flock belongs to the open folder, so a second open of the same folder conflicts even inside one process.
    while (::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EINTR) continue;
        if (err == EWOULDBLOCK) return false;
        ThrowNamed("Cannot lock the folder", path_, err);
    }
    return true;
}

std::vector<std::string> TQueueFolder::List(std::string_view mask) const {
    // fdopendir takes the descriptor over: hand it a copy, which shares the position, so rewind first.
    const int copy = ::openat(static_cast<int>(handle_), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (copy < 0) ThrowNamed("Cannot list folder", path_, errno);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(copy), ::closedir);
    if (!dir) {
        const int err = errno;
        ::close(copy);
        ThrowNamed("Cannot list folder", path_, err);
    }
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir.get())) {
        std::string name = e->d_name;
        if (name.empty() || name.front() == '.' || !MatchesMask(name, mask)) continue;
        struct stat st {};
        if (::fstatat(static_cast<int>(handle_), name.c_str(), &st, 0) == 0 && S_ISREG(st.st_mode))
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), detail::LessWithoutCase);
    return names;
}

std::optional<TQueuedFile> TQueueFolder::Read(const std::string& name) const {
    TFd file(::openat(static_cast<int>(handle_), name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (file.fd < 0) {
        if (errno == ENOENT) return std::nullopt;
        ThrowNamed("Cannot open file", path_ + name, errno);
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0) ThrowNamed("Cannot read file", path_ + name, errno);
    if (!S_ISREG(st.st_mode)) return std::nullopt;
    TQueuedFile out;
    out.name = name;
    out.modified = Nanoseconds(st);
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(file.fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowNamed("Cannot read file", path_ + name, errno);
        if (n == 0) break;
        out.bytes.append(chunk, static_cast<std::size_t>(n));
    }
    out.size = static_cast<std::int64_t>(out.bytes.size());
    return out;
}

TDeleteResult TQueueFolder::DeleteIfUnchanged(const TQueuedFile& file, std::string& why) const {
    std::optional<TQueuedFile> now;
    try {
        now = Read(file.name);
    } catch (const EOSError& e) {
        why = e.what();
        return TDeleteResult::drFailed;
    }
    if (!now) return TDeleteResult::drGone;
    if (!now->SameVersion(file)) return TDeleteResult::drChanged;
    if (::unlinkat(static_cast<int>(handle_), file.name.c_str(), 0) == 0) return TDeleteResult::drDeleted;
    const int err = errno;
    if (err == ENOENT) return TDeleteResult::drGone;
    why = Reason(err);
    return TDeleteResult::drFailed;
}

std::optional<std::string> TQueueFolder::WhyCannotDelete() const {
    // Asking the permission bits would miss a read-only mount, access lists and immutable folders: a file of
    // our own that is made and removed again tells the truth. Its name starts with a dot, so no listing
    // (ours or the suite's) takes it for queued work.
    const std::string probe = ".fqreplay-probe-" + std::to_string(::getpid());
    const int fd = ::openat(static_cast<int>(handle_), probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return "cannot create files in " + path_ + ": " + Reason(errno);
    ::close(fd);
    if (::unlinkat(static_cast<int>(handle_), probe.c_str(), 0) != 0)
        return "cannot delete files in " + path_ + ": " + Reason(errno);
    return std::nullopt;
}

std::optional<std::string> TQueueFolder::WhyCannotDelete(const std::string& name) const {
#ifdef __linux__
    // An immutable or append-only file cannot be removed, not even by root.
    TFd opened(::openat(static_cast<int>(handle_), name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    int flags = 0;
    if (opened.fd >= 0 && ::ioctl(opened.fd, FS_IOC_GETFLAGS, &flags) == 0 &&
        (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0)
        return name + " is marked immutable or append-only, so it could not be deleted after its work";
#endif
    struct stat folder {};
    struct stat file {};
    if (::fstat(static_cast<int>(handle_), &folder) != 0) return std::nullopt;
    if (::fstatat(static_cast<int>(handle_), name.c_str(), &file, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    const uid_t me = ::geteuid();
    if ((folder.st_mode & S_ISVTX) == 0 || me == 0 || file.st_uid == me || folder.st_uid == me) return std::nullopt;
    return "the folder " + path_ + " lets only its owner and the file's owner delete " + name +
           " (sticky bit), and this run's user is neither";
}

}  // namespace ordo
