#pragma once
// The queue folder, opened once. Its lock and every listing, read and delete go through the one handle, so the
// folder that is locked is the folder that is walked: moving the path away and making it anew, or pointing a
// link elsewhere, while a copy waits to connect cannot let two copies walk one folder. (POSIX works relative
// to the folder's descriptor; Windows holds the folder open without delete sharing, so it cannot be moved or
// removed while the copy runs, and locks it with a file inside as TFolderLock does.)
//
//   TQueueFolder folder = TQueueFolder::Open(exeFolder + "temp/FQ");   // EOSError: cannot open it
//   if (!folder.TryLock()) return kExitTryLater;                       // another copy holds it
//   for (const auto& name : folder.List("*.txt")) {
//       std::optional<TQueuedFile> file = folder.Read(name);            // nullopt: gone since the listing
//       ...
//       folder.DeleteIfUnchanged(*file);
//   }
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folder_lock.h"

namespace ordo {

/// A queue file as it was read: its bytes and what tells this version of it from a later one.
struct TQueuedFile {
    std::string name;
    std::string bytes;  ///< the content, unchanged
    std::int64_t size = 0;
    std::int64_t modified = 0;  ///< modification time, nanoseconds (Windows: 100 ns units) since the epoch

    [[nodiscard]] bool SameVersion(const TQueuedFile& other) const noexcept {
        return size == other.size && modified == other.modified && bytes == other.bytes;
    }
};

/// What DeleteIfUnchanged did.
enum class TDeleteResult : std::uint8_t {
    drDeleted,  ///< it was the version read, and is gone
    drChanged,  ///< it was rewritten since it was read: it stays
    drGone,     ///< somebody else removed it already
    drFailed,   ///< the system refused (the reason in `why`)
};

class TQueueFolder {
public:
    /// Opens the folder. Throws EOSError naming the folder and the system's reason.
    [[nodiscard]] static TQueueFolder Open(const std::string& path);

    TQueueFolder(TQueueFolder&& other) noexcept;
    TQueueFolder& operator=(TQueueFolder&& other) noexcept;
    TQueueFolder(const TQueueFolder&) = delete;
    TQueueFolder& operator=(const TQueueFolder&) = delete;
    ~TQueueFolder();

    /// The path the folder was opened by, ending with '/'.
    [[nodiscard]] const std::string& Path() const noexcept { return path_; }
    /// Takes the folder's lock without waiting; false when another holder has it. Throws EOSError.
    [[nodiscard]] bool TryLock();

    /// The plain files whose names match the mask (as ListFiles: hidden files left out, ascending without
    /// regard to case). Throws EOSError.
    [[nodiscard]] std::vector<std::string> List(std::string_view mask) const;
    /// The file as it is now; nullopt when it is not there (any more). Throws EOSError when it cannot be read.
    [[nodiscard]] std::optional<TQueuedFile> Read(const std::string& name) const;
    /// Removes the file only when it is still the version `file` was read as.
    [[nodiscard]] TDeleteResult DeleteIfUnchanged(const TQueuedFile& file, std::string& why) const;

    /// Why this run could not delete files in the folder (tried with a file of its own); none when it can.
    [[nodiscard]] std::optional<std::string> WhyCannotDelete() const;
    /// Why this run could not delete this file although it can delete in the folder (a folder with the
    /// sticky bit keeps other users' files); none when it can.
    [[nodiscard]] std::optional<std::string> WhyCannotDelete(const std::string& name) const;

private:
    TQueueFolder(std::string path, std::intptr_t handle) noexcept : path_(std::move(path)), handle_(handle) {}
    void Release() noexcept;

    static constexpr std::intptr_t kNone = -1;
    std::string path_;
    std::intptr_t handle_ = kNone;       // the folder's descriptor, or a Windows handle holding it
    std::optional<TFolderLock> lock_;    // Windows only: the lock file inside
};

}  // namespace ordo
