#include "platform/console.h"

#include <cstdio>

#include "platform/win32/windows_api.h"

namespace ordo {
namespace {

// A windowed program started without redirection has no standard handle at all.
bool Redirected(DWORD which) {
    const HANDLE h = ::GetStdHandle(which);
    return h != nullptr && h != INVALID_HANDLE_VALUE && ::GetFileType(h) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void UseParentConsole() noexcept {
    const bool out = Redirected(STD_OUTPUT_HANDLE);
    const bool err = Redirected(STD_ERROR_HANDLE);
    if (out && err) return;  // a scheduled task or a batch file that keeps the output: leave it there
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    if (!out && !std::freopen("CONOUT$", "w", stdout)) return;
    if (!err) (void)std::freopen("CONOUT$", "w", stderr);
}

// Windows has no journal; its event log is not fed through standard error.
bool StderrIsJournal() noexcept { return false; }

}  // namespace ordo
