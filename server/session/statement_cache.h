#pragma once
// The statements one attachment prepared for the shapes of the request it is running, by the text
// they were prepared from. They live no longer than that request: a kept statement holds its tables
// against definitions and stays compiled for the definitions it was prepared under. Within the
// request, one prepared before a definition committed through this server is prepared again before
// it runs once more. Bounded: the least recently used goes when a new one needs its place.
#include <cstdint>
#include <list>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "server/fb/fb_message.h"
#include "server/fb/fb_statement.h"
#include "server/session/definition_epoch.h"

namespace ordo::server {

/// A prepared statement and the message its last execution was laid out in, kept for the next.
struct CachedStatement {
    FbStatement statement;
    std::optional<FbInputMessage> message;
    /// Whether literals may travel as its parameters at all, worked out at its first use.
    std::optional<bool> bindable;
};

class StatementCache {
public:
    /// A capacity of 0 keeps nothing: every statement runs as text.
    explicit StatementCache(std::size_t capacity) : capacity_(capacity) {}
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;
    ~StatementCache() = default;

    [[nodiscard]] bool Enabled() const noexcept { return capacity_ > 0; }
    [[nodiscard]] std::size_t Size() const noexcept { return entries_.size(); }

    /// The statement prepared from `sql`, prepared now when it is not kept yet or a definition has
    /// committed since it was. Raises FbError when it cannot be prepared; nothing is kept then.
    CachedStatement& Get(FbAttachment& att, FbTransaction& tra, const std::string& sql);
    /// Lets every statement go: at the end of each request, and before a statement that may define
    /// something runs in it (a kept statement would hold the tables the definition changes).
    void ForgetStatements() noexcept;
    /// Forgets everything of the attachment, for one that is gone.
    void Clear() noexcept;

    /// The character set the attachment's literals have, asked once per attachment.
    unsigned ConnectionCharset(FbAttachment& att, FbTransaction& tra);
    /// True when the collation compares without padding the shorter text with blanks (NO PAD).
    bool NoPad(FbAttachment& att, FbTransaction& tra, unsigned charset, unsigned collation);

private:
    struct Entry {
        std::string sql;
        DefinitionEpoch::Stamp prepared;
        CachedStatement value;
    };
    std::size_t capacity_;
    std::list<Entry> entries_;  // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> index_;
    std::optional<unsigned> charset_;
    struct NoPadCollations {
        DefinitionEpoch::Stamp read;
        std::set<std::pair<unsigned, unsigned>> ids;  // (character set, collation)
    };
    std::optional<NoPadCollations> noPad_;  // read at the first collated text of a request
};

}  // namespace ordo::server
