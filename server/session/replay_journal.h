#pragma once
// The replay journal: the keys of queued files whose work is done, recorded in the database in the same
// transaction as that work, so a file whose reply was lost is answered as done when it comes again instead of
// being applied a second time. Several servers on one database share the table.
#include <cstdint>
#include <optional>
#include <string>

#include "params/replay_identity.h"
#include "server/fb/fb_client.h"
#include "server/fb/fb_statement.h"

namespace ordo::server {

inline constexpr const char* kReplayJournalTable = "ORDO_REPLAY_JOURNAL";

/// Creates the journal table when missing (another server may be creating them at the same moment)
/// and removes the rows older than `days`. Raises FbError when the database refuses.
void PrepareReplayJournal(const FbConnectSpec& connect, int days);

/// One connection's side of the journal: the identity that arrived for its next request, and the prepared insert.
class ReplayJournal {
public:
    ReplayJournal(std::string peer, int days) : peer_(std::move(peer)), days_(days) {}

    /// The identity belongs to the request that is message number `messageIndex` of the connection.
    void Hold(TReplayIdentity identity, std::int64_t messageIndex);
    /// The identity held for message `messageIndex`; any identity held is forgotten either way, so one that
    /// was followed by some other request never attaches to a later one.
    [[nodiscard]] std::optional<TReplayIdentity> Take(std::int64_t messageIndex);

    /// Records the key in `tra`, before the request's work runs in it. A key that another transaction recorded
    /// and has not finished waits for it (up to the lock time-out, which raises). False when the key was recorded
    /// and committed before: the work is done and must not run again (said in the log at info level).
    [[nodiscard]] bool Record(FbAttachment& att, FbTransaction& tra, const TReplayIdentity& identity);

    /// The attachment is gone, and its prepared insert with it.
    void Reset() noexcept { insert_.reset(); }

private:
    void PruneIfDue(FbAttachment& att);

    std::string peer_;
    int days_;
    std::optional<TReplayIdentity> held_;
    std::int64_t heldFor_ = 0;
    std::optional<FbStatement> insert_;
};

}  // namespace ordo::server
