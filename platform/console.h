#pragma once
// Where a windowed program's messages go when it was started from a console.

namespace ordo {

/// Windows builds the program as a windowed one, which has no console of its own: started from a command prompt,
/// its output would go nowhere. This sends standard output and standard error that were not redirected to the
/// console of the process that started it, if that one has a console. Elsewhere there is nothing to do.
void UseParentConsole() noexcept;

/// True when standard error is the systemd journal's stream (JOURNAL_STREAM names it as "device:inode"): lines
/// may then start with their syslog priority ("<3>"), so `journalctl -p err` finds a failed run.
[[nodiscard]] bool StderrIsJournal() noexcept;

}  // namespace ordo
