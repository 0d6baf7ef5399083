#include "server/sql/script_splitter.h"

#include <algorithm>

#include "server/sql/sql_lexer.h"

namespace ordo::server {
namespace {

std::string_view Trim(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

/// The significant words of a statement, upper-cased comparisons done by the caller.
std::vector<std::string_view> Words(std::string_view stmt, std::size_t max) {
    std::vector<std::string_view> out;
    for (const SqlToken& t : TokenizeSql(stmt)) {
        if (!t.Significant()) continue;
        out.push_back(t.Text(stmt));
        if (out.size() == max) break;
    }
    return out;
}

ScriptStepKind Classify(std::string_view stmt) {
    auto w = Words(stmt, 3);
    if (w.empty()) return ScriptStepKind::Setting;
    if (IsKeyword(w[0], "COMMIT") && (w.size() == 1 || (w.size() == 2 && IsKeyword(w[1], "WORK"))))
        return ScriptStepKind::Commit;
    if (IsKeyword(w[0], "SET") && w.size() > 1 && !IsKeyword(w[1], "GENERATOR") && !IsKeyword(w[1], "STATISTICS") &&
        !IsKeyword(w[1], "TRANSACTION"))
        return ScriptStepKind::Setting;
    return ScriptStepKind::Sql;
}

/// "SET TERM x": the new terminator, or empty when the statement is something else.
std::string NewTerminator(std::string_view stmt) {
    auto toks = TokenizeSql(stmt);
    std::size_t seen = 0;
    for (const SqlToken& t : toks) {
        if (!t.Significant()) continue;
        std::string_view w = t.Text(stmt);
        if (seen == 0 && !IsKeyword(w, "SET")) return {};
        if (seen == 1) {
            if (!IsKeyword(w, "TERM") && !IsKeyword(w, "TERMINATOR")) return {};
            return std::string(Trim(stmt.substr(t.end)));
        }
        ++seen;
    }
    return {};
}

}  // namespace

std::vector<ScriptStep> SplitScript(std::string_view script) {
    std::vector<ScriptStep> out;
    std::string term = ";";
    auto toks = TokenizeSql(script);
    std::size_t start = 0;
    int line = 1, startLine = 1;
    bool seenCode = false;
    auto finish = [&](std::size_t end) {
        std::string_view stmt = Trim(script.substr(start, end - start));
        if (seenCode && !stmt.empty()) {
            std::string next = NewTerminator(stmt);
            if (!next.empty()) {
                term = next;
            } else {
                out.push_back({Classify(stmt), std::string(stmt), startLine});
            }
        }
        seenCode = false;
    };
    for (std::size_t i = 0; i < toks.size(); ++i) {
        const SqlToken& t = toks[i];
        if (t.kind == SqlTokenKind::Newline) ++line;
        if (t.kind == SqlTokenKind::BlockComment || t.kind == SqlTokenKind::String)
            line += static_cast<int>(std::count(script.begin() + static_cast<std::ptrdiff_t>(t.begin),
                                                script.begin() + static_cast<std::ptrdiff_t>(t.end), '\n'));
        if (!t.Significant()) continue;
        bool atTerm = (t.kind == SqlTokenKind::Symbol || t.kind == SqlTokenKind::Word) &&
                      script.substr(t.begin).starts_with(term) &&
                      (t.kind == SqlTokenKind::Symbol || t.Text(script).size() == term.size());
        if (!atTerm) {
            if (!seenCode) startLine = line;
            seenCode = true;
            continue;
        }
        // Measured before finish(): a SET TERM statement ending here changes the terminator.
        const std::size_t end = t.begin + term.size();
        finish(t.begin);
        while (i + 1 < toks.size() && toks[i + 1].begin < end) ++i;  // a terminator of several symbols
        start = end;
    }
    finish(script.size());
    return out;
}

}  // namespace ordo::server
