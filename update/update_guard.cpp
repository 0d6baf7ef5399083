#include "update/update_guard.h"

#include "core/errors.h"
#include "platform/folder_rights.h"

namespace ordo {

std::optional<std::string> PushRefusal(const std::string& folder) {
    if (RunsAsSuperUser())
        return "the program runs as root, and what the server sends would run or be read with every right";
    try {
        const TFolderRights rights = FolderRights(folder);
        if (!rights.ownedByUs) return folder + " belongs to " + rights.owner + ", not to the user running the program";
        if (!rights.writable) return folder + " is not writable by the user running the program";
    } catch (const EOSError& e) {
        return e.what();
    }
    return std::nullopt;
}

}  // namespace ordo
