#include "server/session/statement_cache.h"

namespace ordo::server {

CachedStatement& StatementCache::Get(FbAttachment& att, FbTransaction& tra, const std::string& sql) {
    if (auto it = index_.find(sql); it != index_.end()) {
        if (DefinitionEpoch::Unchanged(it->second->prepared)) {
            entries_.splice(entries_.begin(), entries_, it->second);
            return it->second->value;
        }
        entries_.erase(it->second);  // let it go first: it holds what the definition may still wait for
        index_.erase(it);
    }
    const DefinitionEpoch::Stamp stamp = DefinitionEpoch::Now();
    FbStatement statement = FbStatement::Prepare(att, tra, sql);
    if (entries_.size() >= capacity_) {
        index_.erase(entries_.back().sql);
        entries_.pop_back();
    }
    entries_.push_front(Entry{sql, stamp, CachedStatement{std::move(statement), std::nullopt, std::nullopt}});
    index_.emplace(sql, entries_.begin());
    return entries_.front().value;
}

void StatementCache::ForgetStatements() noexcept {
    index_.clear();
    entries_.clear();
    noPad_.reset();
}

void StatementCache::Clear() noexcept {
    ForgetStatements();
    charset_.reset();
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

bool StatementCache::NoPad(FbAttachment& att, FbTransaction& tra, unsigned charset, unsigned collation) {
    if (!noPad_ || !DefinitionEpoch::Unchanged(noPad_->read)) {
        NoPadCollations read{DefinitionEpoch::Now(), {}};
        // Attribute bit 1 is PAD SPACE; the engine's own collations all have it.
        FbStatement st = FbStatement::Prepare(att, tra,
                                              "SELECT RDB$CHARACTER_SET_ID, RDB$COLLATION_ID FROM RDB$COLLATIONS "
                                              "WHERE BIN_AND(COALESCE(RDB$COLLATION_ATTRIBUTES, 1), 1) = 0");
        FbCursor cur = st.Open(tra, {});
        FbRow row;
        while (cur.Fetch(row))
            read.ids.emplace(static_cast<unsigned>(row[0].integer), static_cast<unsigned>(row[1].integer));
        cur.Close();
        noPad_ = std::move(read);
    }
    return noPad_->ids.count({charset, collation}) > 0;
}

}  // namespace ordo::server
