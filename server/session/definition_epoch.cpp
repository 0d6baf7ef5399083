#include "server/session/definition_epoch.h"

#include <atomic>
#include <limits>

#include "server/sql/sql_lexer.h"

namespace ordo::server {
namespace {

constexpr DefinitionEpoch::Stamp kNeverCurrent = std::numeric_limits<DefinitionEpoch::Stamp>::max();

// Sequentially consistent on purpose: a window opens (open++) before its definition can commit and
// closes by counting (committed++) before open--, and a reader looks at open before committed. So a
// reader that finds no window open also finds every definition that committed before its look.
std::atomic<std::uint64_t> open{0};
std::atomic<std::uint64_t> committed{0};

}  // namespace

DefinitionEpoch::Stamp DefinitionEpoch::Now() noexcept {
    if (open.load() != 0) return kNeverCurrent;
    return committed.load();
}

bool DefinitionEpoch::Unchanged(Stamp since) noexcept {
    return since != kNeverCurrent && open.load() == 0 && committed.load() == since;
}

DefinitionEpoch::Window::Window() noexcept { open.fetch_add(1); }

DefinitionEpoch::Window::~Window() {
    committed.fetch_add(1);
    open.fetch_sub(1);
}

bool MayDefine(FbStatementKind kind, std::string_view sql) {
    if (kind == FbStatementKind::Modify) return false;
    if (kind != FbStatementKind::Select) return true;
    for (const SqlToken& t : TokenizeSql(sql)) {
        if (!t.Significant() || (t.kind == SqlTokenKind::Symbol && t.Text(sql) == "(")) continue;
        const std::string_view word = t.Text(sql);
        return t.kind != SqlTokenKind::Word || !(IsKeyword(word, "SELECT") || IsKeyword(word, "WITH"));
    }
    return true;
}

}  // namespace ordo::server
