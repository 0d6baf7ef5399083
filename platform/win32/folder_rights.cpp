#include "platform/folder_rights.h"

#include "core/errors.h"
#include "platform/win32/windows_api.h"

namespace ordo {

TFolderRights FolderRights(const std::string& folder) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD err = GetLastError();
        throw EOSError(folder + ": cannot be examined (error " + std::to_string(err) + ")", static_cast<int>(err));
    }
    return {};  // a folder's read-only mark means nothing to the files in it
}

bool RunsAsSuperUser() noexcept { return false; }

}  // namespace ordo
