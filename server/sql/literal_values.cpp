#include "server/sql/literal_values.h"

#include <limits>

#include "server/sql/sql_lexer.h"

namespace ordo::server {
namespace {

// Firebird's exact numerics hold at most 18 decimals, and an unscaled value beyond BIGINT is no exact literal.
constexpr int kMaxScale = 18;
constexpr int kMaxDigits = 19;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

/// Walks the significant tokens of one statement.
class TokenWalk {
public:
    explicit TokenWalk(std::string_view sql) : sql_(sql) {
        for (const SqlToken& t : TokenizeSql(sql))
            if (t.Significant()) tokens_.push_back(t);
    }
    [[nodiscard]] bool AtEnd() const { return pos_ >= tokens_.size(); }
    [[nodiscard]] const SqlToken& Current() const { return tokens_[pos_]; }
    [[nodiscard]] std::string_view Text() const { return AtEnd() ? std::string_view() : Current().Text(sql_); }
    void Next() { ++pos_; }
    bool Keyword(std::string_view upper) {
        if (AtEnd() || Current().kind != SqlTokenKind::Word || !IsKeyword(Text(), upper)) return false;
        Next();
        return true;
    }
    bool Symbol(char c) {
        if (AtEnd() || Current().kind != SqlTokenKind::Symbol || Text()[0] != c) return false;
        Next();
        return true;
    }
    bool Name() {
        if (AtEnd() || (Current().kind != SqlTokenKind::Word && Current().kind != SqlTokenKind::QuotedName))
            return false;
        Next();
        return true;
    }
    /// "(" name {"," name} ")"
    bool NameList() {
        if (!Symbol('(')) return false;
        do {
            if (!Name()) return false;
        } while (Symbol(','));
        return Symbol(')');
    }
    /// Moves past the tokens that begin before `end`; false when one of them runs past it.
    bool SkipTo(std::size_t end) {
        while (!AtEnd() && Current().begin < end) {
            if (Current().end > end) return false;
            Next();
        }
        return true;
    }
    [[nodiscard]] std::string_view Sql() const { return sql_; }

private:
    std::string_view sql_;
    std::vector<SqlToken> tokens_;
    std::size_t pos_ = 0;
};

/// The value of a '...' token with doubled quotes undone; nothing when it is not closed.
std::optional<std::string> StringValue(std::string_view token) {
    if (token.size() < 2 || token.front() != '\'') return std::nullopt;
    std::string value;
    value.reserve(token.size() - 2);
    for (std::size_t i = 1; i < token.size(); ++i) {
        if (token[i] != '\'') {
            value += token[i];
        } else if (i + 1 == token.size()) {
            return value;
        } else if (token[i + 1] == '\'') {
            value += '\'';
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

/// Reads a number as the server's lexer does: digits with at most one point, at least one digit,
/// then an optional exponent. Sets `end` to the byte after it.
std::optional<SqlLiteral> ReadNumber(std::string_view sql, std::size_t begin, bool negative, std::size_t& end) {
    std::size_t i = begin;
    int digits = 0, scale = 0;
    bool point = false, overflow = false;
    std::uint64_t value = 0;
    for (; i < sql.size(); ++i) {
        char c = sql[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!IsDigit(c)) break;
        ++digits;
        if (point) ++scale;
        auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) overflow = true;
        else value = value * 10 + digit;
    }
    if (digits == 0) return std::nullopt;
    SqlLiteral lit;
    if (i < sql.size() && (sql[i] == 'e' || sql[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < sql.size() && (sql[j] == '+' || sql[j] == '-')) ++j;
        std::size_t expDigits = j;
        while (j < sql.size() && IsDigit(sql[j])) ++j;
        if (j == expDigits) return std::nullopt;
        lit.kind = SqlLiteralKind::Approximate;
        lit.text = std::string(negative ? "-" : "") + std::string(sql.substr(begin, j - begin));
        end = j;
        return lit;
    }
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    if (overflow || digits > kMaxDigits || scale > kMaxScale || value > kMax) return std::nullopt;
    lit.kind = SqlLiteralKind::Exact;
    lit.unscaled = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
    lit.scale = scale;
    lit.text = std::string(negative ? "-" : "") + std::string(sql.substr(begin, i - begin));
    end = i;
    return lit;
}

struct Item {
    std::size_t begin = 0, end = 0;
    std::optional<SqlLiteral> literal;  // none: NULL
};

/// One element of the VALUES list, when it is a literal or NULL.
std::optional<Item> ReadItem(TokenWalk& w) {
    if (w.AtEnd()) return std::nullopt;
    Item item;
    item.begin = w.Current().begin;
    if (w.Keyword("NULL")) {
        item.end = item.begin + 4;
        return item;
    }
    if (w.Current().kind == SqlTokenKind::String) {
        auto value = StringValue(w.Text());
        if (!value) return std::nullopt;
        item.end = w.Current().end;
        item.literal = SqlLiteral{SqlLiteralKind::String, std::move(*value), 0, 0};
        w.Next();
        return item;
    }
    bool negative = false;
    if (w.Text() == "-" || w.Text() == "+") {
        negative = w.Text() == "-";
        w.Next();
        if (w.AtEnd()) return std::nullopt;
    }
    const std::size_t begin = w.Current().begin;
    if (w.Current().kind != SqlTokenKind::Word && w.Text() != ".") return std::nullopt;
    item.literal = ReadNumber(w.Sql(), begin, negative, item.end);
    if (!item.literal || !w.SkipTo(item.end)) return std::nullopt;
    return item;
}

/// Whether the text can begin an INSERT or UPDATE OR INSERT at all, before it is taken apart: most
/// statements that are not (the replayed UPDATE files) end here.
bool MayInsert(std::string_view sql) {
    std::size_t i = sql.find_first_not_of(" \t\r\n");
    if (i == std::string_view::npos || sql.size() - i < 6) return false;
    std::string_view word = sql.substr(i, 6);
    return IsKeyword(word, "INSERT") || IsKeyword(word, "UPDATE");
}

}  // namespace

std::optional<LiteralValues> FindLiteralValues(std::string_view sql) {
    if (!MayInsert(sql)) return std::nullopt;
    TokenWalk w(sql);
    LiteralValues out;
    if (w.Keyword("UPDATE")) {
        if (!w.Keyword("OR")) return std::nullopt;
        out.upsert = true;
    }
    if (!w.Keyword("INSERT") || !w.Keyword("INTO") || !w.Name()) return std::nullopt;
    if (!w.AtEnd() && w.Text() == "(" && !w.NameList()) return std::nullopt;
    if (!w.Keyword("VALUES") || !w.Symbol('(')) return std::nullopt;
    std::vector<Item> items;
    do {
        auto item = ReadItem(w);
        if (!item) return std::nullopt;
        items.push_back(std::move(*item));
    } while (w.Symbol(','));
    if (!w.Symbol(')')) return std::nullopt;
    if (out.upsert && w.Keyword("MATCHING") && !w.NameList()) return std::nullopt;
    if (!w.AtEnd()) return std::nullopt;  // RETURNING, or no statement we know

    std::size_t copied = 0;
    for (Item& item : items) {
        if (!item.literal) continue;
        out.shape.append(sql.substr(copied, item.begin - copied));
        out.shape.append("?");
        copied = item.end;
        out.literals.push_back(std::move(*item.literal));
    }
    if (out.literals.empty()) return std::nullopt;
    out.shape.append(sql.substr(copied));
    return out;
}

}  // namespace ordo::server
