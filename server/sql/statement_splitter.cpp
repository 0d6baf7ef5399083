#include "server/sql/statement_splitter.h"

#include <cstddef>

#include "server/sql/sql_lexer.h"

namespace ordo::server {
namespace {

class Splitter {
public:
    explicit Splitter(std::string_view text) : text_(text), toks_(TokenizeSql(text)) {}

    std::vector<std::string> Run() {
        for (std::size_t i = 0; i < toks_.size(); ++i) Step(i);
        Cut(text_.size());
        return std::move(out_);
    }

private:
    void Step(std::size_t i) {
        const SqlToken& t = toks_[i];
        if (t.kind == SqlTokenKind::Newline) {
            std::size_t next = NextSignificant(i + 1);
            if (next < toks_.size() && BreakAllowedBefore(next) && StartsStatement(next)) Cut(t.end);
            return;
        }
        if (!t.Significant()) return;
        if (!inStatement_) {
            inStatement_ = true;
            block_ = IsBlockStatement(i);
        }
        if (t.kind == SqlTokenKind::Symbol) {
            char c = text_[t.begin];
            if (c == '(') ++parens_;
            if (c == ')' && parens_ > 0) --parens_;
            if (c == ';' && AtTopLevel()) Cut(t.begin, t.end);
            return;
        }
        if (t.kind != SqlTokenKind::Word || parens_ > 0) return;
        std::string_view w = t.Text(text_);
        if (IsKeyword(w, "BEGIN") || IsKeyword(w, "CASE")) {
            if (IsKeyword(w, "BEGIN")) bodyOpened_ = true;
            ++depth_;
        } else if (IsKeyword(w, "END") && depth_ > 0) {
            if (--depth_ == 0) bodyClosed_ = true;
        }
    }

    [[nodiscard]] bool AtTopLevel() const noexcept {
        return parens_ == 0 && depth_ == 0 && (!block_ || bodyClosed_);
    }

    /// A block statement without a body yet (ALTER TRIGGER t INACTIVE) still ends at a line that
    /// starts a statement, except at its own DECLARE lines.
    [[nodiscard]] bool BreakAllowedBefore(std::size_t next) const {
        if (AtTopLevel()) return true;
        return parens_ == 0 && depth_ == 0 && block_ && !bodyOpened_ && !IsKeyword(WordAt(next), "DECLARE");
    }

    /// Ends the running statement before `end`; the text resumes at `resume`.
    void Cut(std::size_t end) { Cut(end, end); }
    void Cut(std::size_t end, std::size_t resume) {
        std::string_view piece = text_.substr(start_, end - start_);
        if (inStatement_) {
            piece = Trim(piece);
            while (!piece.empty() && piece.back() == ';') piece = Trim(piece.substr(0, piece.size() - 1));
            if (!piece.empty()) out_.emplace_back(piece);
        }
        start_ = resume;
        inStatement_ = block_ = bodyOpened_ = bodyClosed_ = false;
        parens_ = depth_ = 0;
    }

    static std::string_view Trim(std::string_view s) {
        auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; };
        while (!s.empty() && blank(s.front())) s.remove_prefix(1);
        while (!s.empty() && blank(s.back())) s.remove_suffix(1);
        return s;
    }

    [[nodiscard]] std::size_t NextSignificant(std::size_t i) const {
        while (i < toks_.size() && !toks_[i].Significant()) ++i;
        return i;
    }
    [[nodiscard]] std::string_view WordAt(std::size_t i) const {
        return i < toks_.size() && toks_[i].kind == SqlTokenKind::Word ? toks_[i].Text(text_) : std::string_view{};
    }
    /// The significant token after i, as a word (empty when it is not one).
    [[nodiscard]] std::string_view NextWord(std::size_t i) const { return WordAt(NextSignificant(i + 1)); }

    [[nodiscard]] bool StartsStatement(std::size_t i) const {
        std::string_view w = WordAt(i);
        if (w.empty()) return false;
        std::string_view n = NextWord(i);
        if (IsKeyword(w, "INSERT") || IsKeyword(w, "MERGE")) return IsKeyword(n, "INTO");
        if (IsKeyword(w, "DELETE")) return IsKeyword(n, "FROM");
        if (IsKeyword(w, "EXECUTE")) return IsKeyword(n, "PROCEDURE") || IsKeyword(n, "BLOCK");
        if (IsKeyword(w, "UPDATE")) {
            // MERGE's "WHEN MATCHED THEN UPDATE SET" and "FOR UPDATE OF" continue a statement.
            std::size_t k = NextSignificant(i + 1);
            bool name = k < toks_.size() && (toks_[k].kind == SqlTokenKind::Word || toks_[k].kind == SqlTokenKind::QuotedName);
            return name && !IsKeyword(n, "SET") && !IsKeyword(n, "OF");
        }
        if (IsKeyword(w, "SET")) return IsKeyword(n, "GENERATOR") || IsKeyword(n, "STATISTICS");
        if (IsKeyword(w, "COMMENT")) return IsKeyword(n, "ON");
        for (std::string_view k : {"CREATE", "RECREATE", "ALTER", "DROP", "DECLARE", "GRANT", "REVOKE"})
            if (IsKeyword(w, k)) return true;
        return false;
    }

    /// Statements whose body holds semicolons of its own.
    [[nodiscard]] bool IsBlockStatement(std::size_t i) const {
        std::string_view w = WordAt(i);
        if (IsKeyword(w, "EXECUTE")) return IsKeyword(NextWord(i), "BLOCK");
        if (!IsKeyword(w, "CREATE") && !IsKeyword(w, "ALTER") && !IsKeyword(w, "RECREATE")) return false;
        std::size_t k = NextSignificant(i + 1);
        for (int skipped = 0; skipped < 2; ++skipped) {  // CREATE OR ALTER
            std::string_view n = WordAt(k);
            if (IsKeyword(n, "OR") || IsKeyword(n, "ALTER")) k = NextSignificant(k + 1);
        }
        std::string_view what = WordAt(k);
        return IsKeyword(what, "PROCEDURE") || IsKeyword(what, "TRIGGER") || IsKeyword(what, "FUNCTION") ||
               IsKeyword(what, "PACKAGE");
    }

    std::string_view text_;
    std::vector<SqlToken> toks_;
    std::vector<std::string> out_;
    std::size_t start_ = 0;
    bool inStatement_ = false;
    bool block_ = false;
    bool bodyOpened_ = false;
    bool bodyClosed_ = false;
    int parens_ = 0;
    int depth_ = 0;
};

}  // namespace

std::vector<std::string> SplitStatements(std::string_view text) { return Splitter(text).Run(); }

}  // namespace ordo::server
