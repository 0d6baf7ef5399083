#pragma once
// The prepared statements of one attachment, by the text they were prepared from. Bounded: the
// least recently used goes when a new one needs its place.
#include <atomic>
#include <cstdint>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "server/fb/fb_message.h"
#include "server/fb/fb_statement.h"

namespace ordo::server {

/// A prepared statement and the message its last execution was laid out in, kept for the next.
struct CachedStatement {
    FbStatement statement;
    std::optional<FbInputMessage> message;
};

class StatementCache {
public:
    /// A capacity of 0 keeps nothing: every statement runs as text.
    explicit StatementCache(std::size_t capacity);
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;
    ~StatementCache();

    /// Held while a request uses the cache; meanwhile no other attachment clears it.
    [[nodiscard]] std::unique_lock<std::mutex> Use() { return std::unique_lock<std::mutex>(busy_); }

    [[nodiscard]] bool Enabled() const noexcept { return capacity_ > 0; }
    [[nodiscard]] std::size_t Size() const noexcept { return entries_.size(); }

    /// The statement prepared from `sql`, prepared now when it is not kept yet. Raises FbError
    /// when it cannot be prepared; nothing is kept then.
    CachedStatement& Get(FbAttachment& att, FbTransaction& tra, const std::string& sql);
    /// Lets every statement go: they hold the tables they use, and a definition may change them.
    void Clear() noexcept;

    /// The character set the attachment's literals have, asked once.
    unsigned ConnectionCharset(FbAttachment& att, FbTransaction& tra);

    /// A definition is about to run on this cache's attachment. Every other cache lets its statements go,
    /// at once when it is idle, at the end of its request when it is busy: a kept statement would hold
    /// the tables the definition changes, and stay compiled for their old form. Call it again after
    /// the commit, for the caches that prepared from the old definitions meanwhile.
    void NoteDefinition() noexcept;
    /// Clears the cache when a definition began on another attachment since the last call.
    void DropIfStale() noexcept;

private:
    struct Entry {
        std::string sql;
        CachedStatement value;
    };
    std::size_t capacity_;
    std::list<Entry> entries_;  // most recently used first
    std::unordered_map<std::string, std::list<Entry>::iterator> index_;
    std::optional<unsigned> charset_;
    std::uint64_t generation_ = Generation().load();
    std::mutex busy_;

    static std::atomic<std::uint64_t>& Generation() noexcept;
    struct Registry;
    static Registry& All() noexcept;
};

}  // namespace ordo::server
