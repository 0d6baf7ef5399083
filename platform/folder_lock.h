#pragma once
// One process at a time in a folder: an exclusive lock held for as long as the object lives. POSIX locks the
// folder itself; Windows, which cannot, holds a hidden lock file inside it. Either way the operating system
// drops the lock with the process, so a copy that crashed never blocks the next one, and a lock file left
// behind means nothing by itself.
//
//   auto lock = TFolderLock::TryTake(queueFolder);   // nullopt: another process holds the folder
//   if (!lock) return kExitTryLater;
#include <cstdint>
#include <optional>
#include <string>

namespace ordo {

class TFolderLock {
public:
    /// Takes the folder's lock without waiting: nullopt when another holder has it (another process, or another
    /// TFolderLock of this one). Raises EOSError when the folder cannot be opened (no such folder, no rights).
    [[nodiscard]] static std::optional<TFolderLock> TryTake(const std::string& folder);

    TFolderLock(TFolderLock&& other) noexcept : handle_(other.handle_) { other.handle_ = kNone; }
    TFolderLock& operator=(TFolderLock&& other) noexcept {
        if (this != &other) {
            Release();
            handle_ = other.handle_;
            other.handle_ = kNone;
        }
        return *this;
    }
    TFolderLock(const TFolderLock&) = delete;
    TFolderLock& operator=(const TFolderLock&) = delete;
    ~TFolderLock() { Release(); }

private:
    static constexpr std::intptr_t kNone = -1;
    explicit TFolderLock(std::intptr_t handle) noexcept : handle_(handle) {}
    void Release() noexcept;

    std::intptr_t handle_ = kNone;  // a descriptor, or a Windows handle
};

}  // namespace ordo
