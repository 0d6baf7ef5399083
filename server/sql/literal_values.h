#pragma once
// Finds the statements whose only varying parts are the literals of one VALUES list:
//
//   INSERT INTO T (A, B) VALUES ('x', 12.50)
//   UPDATE OR INSERT INTO T (A, B) VALUES ('x', -3) MATCHING (A)
//
// Such a statement is the same statement for every row it writes; with the literals taken out
// it is a shape that can be prepared once and run with the literals as its parameters.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordo::server {

enum class SqlLiteralKind {
    String,       // '...': text holds the value, doubled quotes undone
    Exact,        // digits with an optional point: unscaled * 10^-scale, sign included
    Approximate,  // a number with an exponent: text holds it as written, sign included
};

struct SqlLiteral {
    SqlLiteralKind kind = SqlLiteralKind::String;
    std::string text;
    std::int64_t unscaled = 0;
    int scale = 0;  // digits after the point
};

struct LiteralValues {
    /// The statement with each literal replaced by "?", so that each marker takes its column's
    /// type; NULL stays as it is.
    std::string shape;
    std::vector<SqlLiteral> literals;  // in the order of the markers in `shape`
    bool upsert = false;               // UPDATE OR INSERT: the values are compared as well as assigned
};

/// The shape and literals of an INSERT or UPDATE OR INSERT whose VALUES list holds only
/// literals and NULL, or nothing for any other statement: expressions, q'...' strings,
/// introducers, numbers beyond BIGINT, markers, RETURNING, or no literal at all.
std::optional<LiteralValues> FindLiteralValues(std::string_view sql);

}  // namespace ordo::server
