#include "server/sql/named_params.h"

#include "core/text_convert.h"
#include "server/sql/sql_lexer.h"

namespace ordo::server {
namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

}  // namespace

PositionalSql ToPositional(std::string_view sql, const std::vector<std::string>& names) {
    PositionalSql out;
    auto toks = TokenizeSql(sql);
    std::size_t copied = 0;
    for (std::size_t i = 0; i < toks.size(); ++i) {
        if (toks[i].kind == SqlTokenKind::Symbol && sql[toks[i].begin] == '?') {
            out.order.push_back(PositionalSql::kBare);
            continue;
        }
        if (i + 1 == toks.size()) break;
        const SqlToken& colon = toks[i];
        const SqlToken& word = toks[i + 1];
        if (colon.kind != SqlTokenKind::Symbol || sql[colon.begin] != ':' || word.kind != SqlTokenKind::Word ||
            word.begin != colon.end)
            continue;
        std::string_view ref = word.Text(sql);
        for (std::size_t n = 0; n < names.size(); ++n) {
            if (!SameText(TrimBlanks(names[n]), ref)) continue;
            out.sql.append(sql.substr(copied, colon.begin - copied));
            out.sql.push_back('?');
            out.order.push_back(n);
            copied = word.end;
            break;
        }
        ++i;
    }
    out.sql.append(sql.substr(copied));
    return out;
}

}  // namespace ordo::server
