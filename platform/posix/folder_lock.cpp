// The POSIX folder lock: flock() on the folder itself, so no file appears among the queue's. A flock belongs
// to the open file, so a second open of the folder conflicts even inside one process, and the lock goes when
// the last descriptor closes.
#include "platform/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/errors.h"

namespace ordo {

std::optional<TFolderLock> TFolderLock::TryTake(const std::string& folder) {
    // Close-on-exec: the script that restarts the program after an update must not inherit the lock, or the
    // restarted copy would find its own queue taken.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        throw EOSError("Cannot open the folder '" + folder + "': " + std::strerror(err), err);
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EINTR) continue;
        ::close(fd);
        if (err == EWOULDBLOCK) return std::nullopt;
        throw EOSError("Cannot lock the folder '" + folder + "': " + std::strerror(err), err);
    }
    return TFolderLock(fd);
}

void TFolderLock::Release() noexcept {
    if (handle_ == kNone) return;
    ::close(static_cast<int>(handle_));
    handle_ = kNone;
}

}  // namespace ordo
