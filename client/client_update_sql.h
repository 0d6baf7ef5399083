#pragma once
// Update statements generated from row records: an INSERT for a new row, an UPDATE for a
// changed one, a DELETE for a removed one. Values become SQL literals; columns that have no
// literal form (blobs, byte columns) are left out.
#include <optional>
#include <string>
#include <vector>

#include "client/client_options.h"
#include "resultset/field_list.h"
#include "resultset/row_record.h"

namespace ordo {

struct TOrdoUpdateSQLSettings {
    std::string TableName;
    TOrdoUpdateMode UpdateMode = upWhereKeyOnly;
    std::vector<std::string> PrimeFields;
    std::vector<std::string> NoSQLFields;
    std::string AutoIncrementField;
    TOrdoSelectSQLOptions SQLOptions;
    /// Booleans as 1 and 0 instead of TRUE and FALSE.
    bool BooleanAsInteger = false;
};

/// The field's value as an SQL literal ("NULL" for a NULL value), or none when the type has
/// no literal form. Text is quoted with inner quotes doubled; numbers use '.' as separator;
/// dates are 'yyyy-mm-dd', times 'hh:nn:ss', date-times both.
std::optional<std::string> SQLLiteral(const TOrdoFieldItem& field, int index, const TOrdoRowReader& row,
                                      bool booleanAsInteger);

std::string InsertStatement(const TOrdoFieldList& fields, const TOrdoRowReader& row, const TOrdoUpdateSQLSettings& s);
/// Empty when no written column changed.
std::string UpdateStatement(const TOrdoFieldList& fields, const TOrdoRowReader& oldRow, const TOrdoRowReader& newRow,
                            const TOrdoUpdateSQLSettings& s);
std::string DeleteStatement(const TOrdoFieldList& fields, const TOrdoRowReader& oldRow, const TOrdoUpdateSQLSettings& s);

}  // namespace ordo
