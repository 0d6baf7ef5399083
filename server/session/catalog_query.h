#pragma once
// Reading Firebird's system tables: object names as the engine stores them, and the small
// read-only queries that look objects up.
#include <string>
#include <string_view>
#include <vector>

#include "server/fb/fb_cell.h"
#include "server/fb/fb_client.h"

namespace ordo::server {

/// The name as the engine stores it: an unquoted name in upper case, a "quoted" one as
/// written (its doubled quotes made single); blanks around it dropped.
std::string CatalogName(std::string_view name);
/// The stored name quoted for use in a statement.
std::string QuotedName(const std::string& name);
/// Every row of a query, run in a read-only transaction of its own.
std::vector<FbRow> CatalogRows(FbAttachment& att, const char* sql, const FbRow& values);

}  // namespace ordo::server
