#pragma once
// Who may change a folder's files: the owner of the folder and whether the running process may
// write in it. The pushed update of the client program asks before it writes beside the program.
//
//   const TFolderRights rights = FolderRights(programFolder);
//   if (!rights.ownedByUs) ...   // the folder is another user's (a packaged program is root's)
#include <string>

namespace ordo {

struct TFolderRights {
    bool ownedByUs = true;   ///< the folder's owner is the process's effective user
    bool writable = true;    ///< the process may create and remove files in it
    std::string owner;       ///< the owner's name (its number when the system has no name for it)
};

/// Raises EOSError (with the system's reason) when the folder cannot be examined. Windows keeps no
/// owner the program could compare, so there the folder counts as the process's own.
TFolderRights FolderRights(const std::string& folder);

/// True when the process runs with the system's full rights (root on POSIX): whatever it writes
/// or starts does so too. Always false on Windows, whose program runs as the logged-on user.
bool RunsAsSuperUser() noexcept;

}  // namespace ordo
