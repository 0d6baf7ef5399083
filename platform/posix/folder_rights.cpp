#include "platform/folder_rights.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/errors.h"

namespace ordo {

TFolderRights FolderRights(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        const int err = errno;
        throw EOSError(folder + ": " + std::strerror(err), err);
    }
    TFolderRights rights;
    rights.ownedByUs = st.st_uid == ::geteuid();
    rights.writable = ::access(folder.c_str(), W_OK | X_OK) == 0;
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(st.st_uid, &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
        rights.owner = found->pw_name;
    else
        rights.owner = std::to_string(st.st_uid);
    return rights;
}

bool RunsAsSuperUser() noexcept { return ::geteuid() == 0; }

}  // namespace ordo
