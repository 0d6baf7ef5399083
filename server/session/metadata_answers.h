#pragma once
// Answers to the metadata requests of client data sets, read from Firebird's system tables:
// the names of tables, views and procedures, a table's fields and a procedure's parameters.
// A client data set that names a stored procedure asks for its parameters before it can
// build its parameter list, so this is on the road of every stored-procedure call.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "resultset/field_defs_codec.h"
#include "server/fb/fb_client.h"

namespace ordo::server {

/// The request kinds: 99 + the ordinal of the client's metadata request.
enum class MetaDataKind : std::int32_t {
    TableNames = 100,
    TableColumns = 101,
    StoredProcNames = 104,
    StoredProcColumns = 105,
    ViewNames = 106,
};

/// A metadata answer travels as a result set: its columns, and all its rows as row text.
struct MetaDataAnswer {
    std::vector<TOrdoFieldDef> columns;
    std::string rows;
};

/// Raises EDatabaseError for a kind this server does not answer and for an object that does
/// not exist.
///
/// The rows, by kind: names: NAME. Table columns: FIELD_NAME, DATA_TYPE (the client's type
/// code), FIELD_SIZE (declared size), REQUIRED (1 for NOT NULL), in the table's order.
/// Procedure parameters: PARAM_NAME, PARAM_TYPE (1 input, 2 output), DATA_TYPE, FIELD_SIZE,
/// inputs first, each in declared order; the first three make the client's parameter list.
MetaDataAnswer AnswerMetaData(FbAttachment& att, std::int32_t kind, std::string_view objectName);

}  // namespace ordo::server
