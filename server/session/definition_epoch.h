#pragma once
// The definitions committed through this server, counted, so that a statement prepared before one of
// them is prepared again before it runs once more. A definition commits with its transaction (or, in
// an autonomous transaction, while its statement runs), so a statement that may define something
// holds a window from before it runs until its transaction has ended; while any window is open no
// prepared statement is trusted.
#include <cstdint>
#include <string_view>

#include "server/fb/fb_statement.h"

namespace ordo::server {

class DefinitionEpoch {
public:
    using Stamp = std::uint64_t;

    /// The stamp to keep with a statement about to be prepared: one that is never current while a
    /// definition may be committing.
    [[nodiscard]] static Stamp Now() noexcept;
    /// True when no definition has begun committing since `since` was taken.
    [[nodiscard]] static bool Unchanged(Stamp since) noexcept;

    /// Open from before a statement that may define something runs until its transaction has ended
    /// (committed, rolled back or lost: counted as a definition either way).
    class Window {
    public:
        Window() noexcept;
        Window(const Window&) = delete;
        Window& operator=(const Window&) = delete;
        ~Window();
    };
};

/// False only for plain DML, whose effect on definitions is none: INSERT, UPDATE, DELETE, MERGE and a
/// SELECT or WITH query. EXECUTE BLOCK, procedure calls and anything the engine calls neither may run
/// a definition (EXECUTE STATEMENT inside a block is the usual "add the column if missing").
[[nodiscard]] bool MayDefine(FbStatementKind kind, std::string_view sql);

}  // namespace ordo::server
