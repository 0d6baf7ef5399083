#include "server/session/statement_cache.h"

#include <algorithm>
#include <vector>

namespace ordo::server {

struct StatementCache::Registry {
    std::mutex mutex;
    std::vector<StatementCache*> caches;
};

StatementCache::Registry& StatementCache::All() noexcept {
    static Registry registry;
    return registry;
}

StatementCache::StatementCache(std::size_t capacity) : capacity_(capacity) {
    Registry& all = All();
    std::lock_guard<std::mutex> lock(all.mutex);
    all.caches.push_back(this);
}

StatementCache::~StatementCache() {
    Registry& all = All();
    std::lock_guard<std::mutex> lock(all.mutex);
    all.caches.erase(std::remove(all.caches.begin(), all.caches.end(), this), all.caches.end());
}

std::atomic<std::uint64_t>& StatementCache::Generation() noexcept {
    static std::atomic<std::uint64_t> generation{0};
    return generation;
}

CachedStatement& StatementCache::Get(FbAttachment& att, FbTransaction& tra, const std::string& sql) {
    if (auto it = index_.find(sql); it != index_.end()) {
        entries_.splice(entries_.begin(), entries_, it->second);
        return it->second->value;
    }
    FbStatement statement = FbStatement::Prepare(att, tra, sql);
    if (entries_.size() >= capacity_) {
        index_.erase(entries_.back().sql);
        entries_.pop_back();
    }
    entries_.push_front(Entry{sql, CachedStatement{std::move(statement), std::nullopt}});
    index_.emplace(sql, entries_.begin());
    return entries_.front().value;
}

void StatementCache::Clear() noexcept {
    index_.clear();
    entries_.clear();
}

unsigned StatementCache::ConnectionCharset(FbAttachment& att, FbTransaction& tra) {
    if (!charset_) {
        FbStatement st = FbStatement::Prepare(att, tra,
                                              "SELECT MON$CHARACTER_SET_ID FROM MON$ATTACHMENTS "
                                              "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION");
        FbCursor cur = st.Open(tra, {});
        FbRow row;
        if (!cur.Fetch(row) || row.empty() || row[0].IsNull())
            throw FbError("The attachment's character set is not known", 0);
        cur.Close();
        charset_ = static_cast<unsigned>(row[0].integer);
    }
    return *charset_;
}

void StatementCache::NoteDefinition() noexcept {
    Generation().fetch_add(1);
    Clear();
    generation_ = Generation().load();
    Registry& all = All();
    std::lock_guard<std::mutex> lock(all.mutex);
    for (StatementCache* other : all.caches) {
        if (other == this || !other->busy_.try_lock()) continue;
        other->Clear();  // the engine serialises the calls on that attachment with its own thread's
        other->busy_.unlock();
    }
}

void StatementCache::DropIfStale() noexcept {
    const std::uint64_t now = Generation().load();
    if (now == generation_) return;
    generation_ = now;
    Clear();
}

}  // namespace ordo::server
