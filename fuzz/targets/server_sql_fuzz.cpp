// The SQL text of an execute request, as ordo-server cuts it into statements, turns its
// ":NAME" references into positional markers and takes the literals out of VALUES lists.
#include <algorithm>

#include "fuzz/fuzz_input.h"
#include "server/sql/literal_values.h"
#include "server/sql/named_params.h"
#include "server/sql/script_splitter.h"
#include "server/sql/statement_splitter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ordo::fuzz::Input in(data, size);
    const std::string_view text = in.RestText();

    for (const std::string& statement : ordo::server::SplitStatements(text)) {
        ordo::fuzz::Require(!statement.empty() && statement.size() <= text.size(), "statements come from the text");
        const auto values = ordo::server::FindLiteralValues(statement);
        if (!values) continue;
        ordo::fuzz::Require(!values->literals.empty(), "a shape has a literal to bind");
        const auto markers = static_cast<std::size_t>(std::count(values->shape.begin(), values->shape.end(), '?'));
        ordo::fuzz::Require(markers >= values->literals.size(), "every literal has its marker");
        for (const auto& literal : values->literals)
            ordo::fuzz::Require(literal.scale >= 0 && literal.scale <= 18, "exact numbers keep BIGINT scales");
    }
    for (const auto& step : ordo::server::SplitScript(text))
        ordo::fuzz::Require(step.line >= 1, "script lines count from 1");

    const std::vector<std::string> names{"ID", "NAME", "BUYERCD"};
    const ordo::server::PositionalSql positional = ordo::server::ToPositional(text, names);
    const auto markers = static_cast<std::size_t>(std::count(positional.sql.begin(), positional.sql.end(), '?'));
    ordo::fuzz::Require(positional.order.size() <= markers, "one order entry per marker at most");
    for (std::size_t index : positional.order)
        ordo::fuzz::Require(index == ordo::server::PositionalSql::kBare || index < names.size(), "marker names a parameter");
    return 0;
}
