#include "server/sql/sql_lexer.h"

#include "core/text_convert.h"

namespace ordo::server {
namespace {

bool IsWordByte(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
           c >= 0x80;
}

/// Position just past a quoted run that starts at `pos` with `quote`; a doubled quote stays inside.
std::size_t SkipQuoted(std::string_view s, std::size_t pos, char quote) {
    for (std::size_t i = pos + 1; i < s.size(); ++i) {
        if (s[i] != quote) continue;
        if (i + 1 < s.size() && s[i + 1] == quote) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return s.size();
}

/// q'<...>' strings: the character after the quote opens, its mirror closes.
std::size_t SkipQString(std::string_view s, std::size_t pos) {
    char open = s[pos + 2];
    char close = open == '(' ? ')' : open == '[' ? ']' : open == '{' ? '}' : open == '<' ? '>' : open;
    for (std::size_t i = pos + 3; i + 1 < s.size(); ++i)
        if (s[i] == close && s[i + 1] == '\'') return i + 2;
    return s.size();
}

}  // namespace

bool IsKeyword(std::string_view word, std::string_view upperKeyword) noexcept {
    return SameText(word, upperKeyword);
}

std::vector<SqlToken> TokenizeSql(std::string_view s) {
    std::vector<SqlToken> out;
    std::size_t i = 0;
    while (i < s.size()) {
        std::size_t start = i;
        auto c = static_cast<unsigned char>(s[i]);
        SqlTokenKind kind;
        if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
            kind = SqlTokenKind::Space;
            while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\f' || s[i] == '\v')) ++i;
        } else if (c == '\r' || c == '\n') {
            kind = SqlTokenKind::Newline;
            i += (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ? 2u : 1u;
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            kind = SqlTokenKind::LineComment;
            while (i < s.size() && s[i] != '\r' && s[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            kind = SqlTokenKind::BlockComment;
            auto close = s.find("*/", i + 2);
            i = close == std::string_view::npos ? s.size() : close + 2;
        } else if ((c == 'q' || c == 'Q') && i + 2 < s.size() && s[i + 1] == '\'') {
            kind = SqlTokenKind::String;
            i = SkipQString(s, i);
        } else if (c == '\'') {
            kind = SqlTokenKind::String;
            i = SkipQuoted(s, i, '\'');
        } else if (c == '"') {
            kind = SqlTokenKind::QuotedName;
            i = SkipQuoted(s, i, '"');
        } else if (IsWordByte(c)) {
            kind = SqlTokenKind::Word;
            while (i < s.size() && IsWordByte(static_cast<unsigned char>(s[i]))) ++i;
        } else {
            kind = SqlTokenKind::Symbol;
            ++i;
        }
        out.push_back({kind, start, i});
    }
    return out;
}

}  // namespace ordo::server
