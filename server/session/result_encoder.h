#pragma once
// What a result set looks like to a client: the field definitions of the engine's columns and
// the row text of their values.
#include <cstdint>
#include <string>
#include <vector>

#include "core/currency.h"
#include "resultset/field_defs_codec.h"
#include "resultset/row_text_codec.h"
#include "server/fb/fb_cell.h"
#include "server/fb/fb_statement.h"

namespace ordo::server {

/// The data type code and declared size a client uses for the column. Text sizes are in bytes
/// of the connection character set, so a text of multi-byte characters is never cut.
TOrdoFieldDef FieldDefFor(const FbColumn& column);
std::vector<TOrdoFieldDef> FieldDefsFor(const std::vector<FbColumn>& columns);

/// Appends one row to the writer. Returns the number of text values whose control bytes had
/// to be replaced, because row text cannot carry them.
int AppendRow(TOrdoRowTextWriter& writer, const std::vector<FbColumn>& columns, const FbRow& row);

/// Decimal text of unscaled × 10^-scale with '.' as the separator ("-0.05", "1500.00").
std::string DecimalText(std::int64_t unscaled, int scale);

/// The amount as currency when four decimals hold it exactly and it fits; false otherwise.
bool DecimalToCurrency(std::int64_t unscaled, int scale, Currency& out) noexcept;

/// The bytes 0x02 and 0x04..0x08 separate and escape row text; a text that holds them (or is
/// the single byte 0x03, the NULL mark) gets '?' in their place. Returns true when it changed.
bool ReplaceRowTextControls(std::string& text);

}  // namespace ordo::server
