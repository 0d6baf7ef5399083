// The Win32 folder lock: a hidden lock file opened with no sharing at all. Any second open fails with a sharing
// violation until the handle closes, which Windows does for a process that crashed. Hidden, so that neither the
// queue's listing nor Explorer shows it among the queued files; it stays, as removing it could let a copy that
// opened it a moment earlier lock a name nobody else sees.
#include "platform/folder_lock.h"

#include "core/errors.h"
#include "platform/win32/windows_api.h"

namespace ordo {
namespace {

constexpr const char* kLockFileName = "fqreplay.lock";

}  // namespace

std::optional<TFolderLock> TFolderLock::TryTake(const std::string& folder) {
    const bool endsWithSeparator = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
    const std::string path = folder + (endsWithSeparator ? "" : "\\") + kLockFileName;
    // Not inheritable: the batch file that restarts the program after an update must not hold the lock.
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_SHARING_VIOLATION) return std::nullopt;
        throw EOSError("Cannot open the lock file '" + path + "' (Windows error " + std::to_string(err) + ")",
                       static_cast<int>(err));
    }
    return TFolderLock(reinterpret_cast<std::intptr_t>(h));
}

void TFolderLock::Release() noexcept {
    if (handle_ == kNone) return;
    ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
    handle_ = kNone;
}

}  // namespace ordo
