#pragma once
// Firebird's SQL takes positional "?" markers only; clients name their parameters ":NAME".
#include <string>
#include <string_view>
#include <vector>

namespace ordo::server {

struct PositionalSql {
    static constexpr std::size_t kBare = static_cast<std::size_t>(-1);
    std::string sql;                  // the text with each known ":NAME" replaced by "?"
    std::vector<std::size_t> order;   // for each "?" in the result: the index of the name it
                                      // replaced, or kBare for a "?" that was there already
};

/// Replaces the references to the given names (compared without regard to case) outside
/// quotes and comments. References to other names stay as they are: inside a block they are
/// the block's own variables.
PositionalSql ToPositional(std::string_view sql, const std::vector<std::string>& names);

}  // namespace ordo::server
