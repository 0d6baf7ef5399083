#pragma once
// Finding the ":name" parameters of SQL text.
#include <string>
#include <string_view>
#include <vector>

namespace ordo::detail {

/// Why a scan stopped before the end of the text.
enum class SqlScanStop { None, UnclosedQuote, DoubleColon };

struct SqlParamScan {
    std::vector<std::string> names;  // in order of first appearance, each once (letter case ignored)
    SqlScanStop stop = SqlScanStop::None;  // the names found before the stop are kept
};

/// Never raises: the caller decides what a stop means (ParamsFromSQL raises for a double colon).
SqlParamScan ScanSqlParams(std::string_view sql);

}  // namespace ordo::detail
