// The Win32 queue folder: a handle on the folder itself, opened without delete sharing, so the folder can be
// neither renamed nor removed while this copy runs and its path keeps naming the folder that is locked. The lock
// is TFolderLock's hidden file inside it; files are reached by path under the pinned folder.
#include "platform/queue_folder.h"

#include "core/errors.h"
#include "platform/files.h"
#include "platform/win32/windows_api.h"

namespace ordo {
namespace {

std::string WindowsReason(DWORD err) { return "Windows error " + std::to_string(err); }

std::int64_t FileTimeValue(const FILETIME& t) noexcept {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}

/// A handle that closes itself.
struct THandle {
    HANDLE h = INVALID_HANDLE_VALUE;
    explicit THandle(HANDLE value) noexcept : h(value) {}
    ~THandle() {
        if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
};

}  // namespace

TQueueFolder TQueueFolder::Open(const std::string& path) {
    std::string folder = path;
    if (folder.empty() || (folder.back() != '/' && folder.back() != '\\')) folder += '/';
    HANDLE h = ::CreateFileA(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        throw EOSError("Cannot open the folder '" + folder + "': " + WindowsReason(err), static_cast<int>(err));
    }
    return TQueueFolder(folder, reinterpret_cast<std::intptr_t>(h));
}

void TQueueFolder::Release() noexcept {
    lock_.reset();
    if (handle_ == kNone) return;
    ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kNone;
}

bool TQueueFolder::TryLock() {
    if (lock_) return true;
    lock_ = TFolderLock::TryTake(path_);
    return lock_.has_value();
}

std::vector<std::string> TQueueFolder::List(std::string_view mask) const { return ListFiles(path_, mask); }

std::optional<TQueuedFile> TQueueFolder::Read(const std::string& name) const {
    const std::string path = path_ + name;
    THandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.h == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND) return std::nullopt;
        throw EOSError("Cannot open file '" + path + "': " + WindowsReason(err), static_cast<int>(err));
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.h, &info)) {
        const DWORD err = ::GetLastError();
        throw EOSError("Cannot read file '" + path + "': " + WindowsReason(err), static_cast<int>(err));
    }
    TQueuedFile out;
    out.name = name;
    out.modified = FileTimeValue(info.ftLastWriteTime);
    char chunk[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file.h, chunk, sizeof chunk, &n, nullptr)) {
            const DWORD err = ::GetLastError();
            throw EOSError("Cannot read file '" + path + "': " + WindowsReason(err), static_cast<int>(err));
        }
        if (n == 0) break;
        out.bytes.append(chunk, n);
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
    if (::DeleteFileA((path_ + file.name).c_str())) return TDeleteResult::drDeleted;
    const DWORD err = ::GetLastError();
    if (err == ERROR_FILE_NOT_FOUND) return TDeleteResult::drGone;
    why = WindowsReason(err);
    return TDeleteResult::drFailed;
}

std::optional<std::string> TQueueFolder::WhyCannotDelete() const {
    const std::string probe = path_ + "fqreplay-probe-" + std::to_string(::GetCurrentProcessId()) + ".tmp";
    HANDLE h = ::CreateFileA(probe.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "cannot create files in " + path_ + ": " + WindowsReason(::GetLastError());
    ::CloseHandle(h);
    return std::nullopt;
}

std::optional<std::string> TQueueFolder::WhyCannotDelete(const std::string&) const { return std::nullopt; }

}  // namespace ordo
