#include "server/session/replay_journal.h"

#include <ibase.h>

#include <atomic>
#include <chrono>
#include <cstdio>

#include "server/log.h"

namespace ordo::server {
namespace {

using Clock = std::chrono::steady_clock;

/// A server that runs for months prunes as it goes, not only at its start; once an hour is plenty for a retention
/// counted in days.
constexpr auto kPruneEvery = std::chrono::hours(1);
/// When the next prune is due, shared by every connection of the process (in ticks of Clock).
std::atomic<Clock::rep> nextPrune{0};

void SchedulePrune() { nextPrune = (Clock::now() + kPruneEvery).time_since_epoch().count(); }

bool Exists(FbAttachment& att, const std::string& sql) {
    FbTransaction tra = att.StartTransaction(true);
    FbStatement st = FbStatement::Prepare(att, tra, sql);
    FbCursor cur = st.Open(tra, {});
    FbRow row;
    const bool found = cur.Fetch(row);
    cur.Close();
    tra.Commit();
    return found;
}

/// Runs one definition in a transaction of its own, unless `exists` says another server got there first.
void Define(FbAttachment& att, const std::string& existsSql, const std::string& ddl) {
    if (Exists(att, existsSql)) return;
    try {
        FbTransaction tra = att.StartTransaction(false);
        FbStatement::Prepare(att, tra, ddl).Execute(tra, {}, nullptr);
        tra.Commit();
        Log(LogLevel::Info, "Replay journal: " + ddl.substr(0, ddl.find(" (")));
    } catch (const FbError&) {
        if (!Exists(att, existsSql)) throw;  // not a lost race: the database refused
    }
}

std::uint64_t Prune(FbAttachment& att, int days) {
    FbTransaction tra = att.StartTransaction(false, 1);
    const std::string sql = std::string("DELETE FROM ") + kReplayJournalTable +
                            " WHERE RECORDED_AT < CURRENT_TIMESTAMP - " + std::to_string(days);
    const std::uint64_t n = FbStatement::Prepare(att, tra, sql).Execute(tra, {}, nullptr);
    tra.Commit();
    return n;
}

/// Read committed: a key another transaction recorded and has not committed is not seen.
bool Committed(FbAttachment& att, FbTransaction& tra, const std::string& key) {
    FbStatement st = FbStatement::Prepare(
        att, tra, std::string("SELECT 1 FROM ") + kReplayJournalTable + " WHERE REPLAY_KEY = ?");
    FbCursor cur = st.Open(tra, FbRow{FbCell::Txt(key)});
    FbRow row;
    const bool found = cur.Fetch(row);
    cur.Close();
    return found;
}

void LogPruned(std::uint64_t n, int days) {
    if (n > 0)
        Log(LogLevel::Info, "Replay journal: removed " + std::to_string(n) + " keys older than " +
                                std::to_string(days) + " days");
}

/// The modification time as a UTC date and time, for the administrator who looks the file up.
std::string UtcText(std::int64_t ns) {
    using namespace std::chrono;
    const sys_time<nanoseconds> t{nanoseconds{ns}};
    const auto day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> hms{floor<seconds>(t - day)};
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02lld:%02lld:%02lld UTC", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<long long>(hms.hours().count()), static_cast<long long>(hms.minutes().count()),
                  static_cast<long long>(hms.seconds().count()));
    return buf;
}

/// A client's text in a log line: control bytes blanked and cut short, so one event stays one line.
std::string Printable(std::string_view text) {
    std::string s(text.substr(0, 200));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return s;
}

std::string Describe(const TReplayIdentity& id) {
    return "'" + Printable(id.fileName) + "' of installation '" + Printable(id.installation) + "' (" +
           std::to_string(id.fileSize) +
           " bytes, modified " + UtcText(id.fileTime) + ", key " + id.key.substr(0, 16) + ")";
}

}  // namespace

// No index on RECORDED_AT: with the database's synchronous writes every index page a request touches is one more
// write at its commit, while the hourly prune reads the whole table in a moment.
void PrepareReplayJournal(const FbConnectSpec& connect, int days) {
    FbAttachment att = FbAttachment::Attach(connect);
    const std::string table = kReplayJournalTable;
    Define(att, "SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = '" + table + "'",
           "CREATE TABLE " + table +
               " (REPLAY_KEY CHAR(64) CHARACTER SET ASCII NOT NULL, RECORDED_AT TIMESTAMP NOT NULL, "
               "CONSTRAINT PK_" + table + " PRIMARY KEY (REPLAY_KEY))");
    LogPruned(Prune(att, days), days);
    SchedulePrune();
}

void ReplayJournal::Hold(TReplayIdentity identity, std::int64_t messageIndex) {
    held_ = std::move(identity);
    heldFor_ = messageIndex;
}

std::optional<TReplayIdentity> ReplayJournal::Take(std::int64_t messageIndex) {
    std::optional<TReplayIdentity> id = std::move(held_);
    held_.reset();
    if (id && heldFor_ != messageIndex) {
        Log(LogLevel::Warn, peer_ + ": replay identity of " + Describe(*id) +
                                " was not followed by its request; the request that came runs without it");
        return std::nullopt;
    }
    return id;
}

bool ReplayJournal::Record(FbAttachment& att, FbTransaction& tra, const TReplayIdentity& identity) {
    PruneIfDue(att);
    if (!insert_)
        insert_.emplace(FbStatement::Prepare(
            att, tra, std::string("INSERT INTO ") + kReplayJournalTable + " (REPLAY_KEY, RECORDED_AT) VALUES (?, CURRENT_TIMESTAMP)"));
    try {
        insert_->Execute(tra, FbRow{FbCell::Txt(identity.key)}, nullptr);
    } catch (const FbError& e) {
        if (e.Code() != isc_unique_key_violation && e.Code() != isc_no_dup) throw;
        // The engine reports a wait for another transaction's key that ran out of time as a duplicate too. Only a
        // key that is committed means done: the first run may still roll back.
        if (!Committed(att, tra, identity.key))
            throw FbError("The same file is being run by another request (key " + identity.key.substr(0, 16) +
                              ") that has not finished within the lock time-out; the file stays for a later run (" +
                              e.what() + ")",
                          isc_lock_timeout);
        Log(LogLevel::Info, peer_ + ": " + Describe(identity) + " was applied before; answered as done without running it again");
        return false;
    }
    Log(LogLevel::Debug, peer_ + ": replay journal records " + Describe(identity));
    return true;
}

void ReplayJournal::PruneIfDue(FbAttachment& att) {
    Clock::rep due = nextPrune.load();
    const Clock::rep now = Clock::now().time_since_epoch().count();
    if (now < due || !nextPrune.compare_exchange_strong(due, (Clock::now() + kPruneEvery).time_since_epoch().count()))
        return;  // not due, or another connection took it
    try {
        LogPruned(Prune(att, days_), days_);
    } catch (const FbError& e) {
        // Another server pruning the same rows at the same moment: they go at the next turn.
        Log(LogLevel::Debug, peer_ + ": replay journal not pruned: " + e.what());
    }
}

}  // namespace ordo::server
