#pragma once
// Finding the ":name" parameters of SQL text.
#include <string>
#include <string_view>
#include <vector>

namespace ordo::detail {

struct SqlParamScan {
    std::vector<std::string> names;  // in order of first appearance, each once (letter case ignored)
    bool unclosedQuote = false;      // the scan stopped at a quote that never closes
};

/// Raises EOrdoParamException ":param 구문을 체크하세요" for a second ':' inside a name.
SqlParamScan ScanSqlParams(std::string_view sql);

}  // namespace ordo::detail
