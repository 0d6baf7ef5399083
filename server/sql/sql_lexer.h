#pragma once
// A lexer that knows just enough SQL to find statement boundaries: strings, quoted names,
// comments, words, line breaks. It never fails; an unterminated string or comment runs to the end.
#include <cstddef>
#include <string_view>
#include <vector>

namespace ordo::server {

enum class SqlTokenKind {
    Space,        // blanks and tabs
    Newline,      // CR, LF or CR LF
    LineComment,  // -- up to the line break
    BlockComment, // /* ... */
    String,       // '...', q'{...}'
    QuotedName,   // "..."
    Word,         // letters, digits, _ and $ (and any byte above 0x7F)
    Symbol,       // any other single byte
};

struct SqlToken {
    SqlTokenKind kind;
    std::size_t begin;
    std::size_t end;
    [[nodiscard]] std::string_view Text(std::string_view sql) const { return sql.substr(begin, end - begin); }
    [[nodiscard]] bool Significant() const noexcept {
        return kind != SqlTokenKind::Space && kind != SqlTokenKind::Newline &&
               kind != SqlTokenKind::LineComment && kind != SqlTokenKind::BlockComment;
    }
};

std::vector<SqlToken> TokenizeSql(std::string_view sql);

/// Case-insensitive comparison of a word with an upper-case keyword.
bool IsKeyword(std::string_view word, std::string_view upperKeyword) noexcept;

}  // namespace ordo::server
