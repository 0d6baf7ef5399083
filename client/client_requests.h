#pragma once
// The request lines a client data set hands to its socket. Building them does no I/O, so the
// exact contents of every request can be checked without a connection.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "client/client_options.h"
#include "codec/string_line.h"
#include "core/bytes.h"

namespace ordo {

class TOrdoParamList;

/// Joins the database name to the parameter list string in the last item of a select.
inline constexpr char kDatabaseParamsSeparator = '\x05';

/// Code 3: SQL text, rows to return, options number, database + 0x05 + input parameters.
TOrdoStringLine SelectRequest(std::int32_t dataSetId, std::string_view sql, std::int32_t rowsToReturn,
                              TOrdoSelectSQLOptions options, std::string_view database,
                              const TOrdoParamList& params);
/// Code 29: SQL text, all parameters, database, update information.
TOrdoStringLine ExecRequest(std::int32_t dataSetId, std::string_view sql, const TOrdoParamList& params,
                            std::string_view database, ByteView updateInfo);
/// Code 27: procedure name, all parameters, database, rows to return, options number.
TOrdoStringLine StoredProcRequest(std::int32_t dataSetId, std::string_view procedure,
                                  const TOrdoParamList& params, std::string_view database,
                                  std::int32_t rowsToReturn, TOrdoSelectSQLOptions options);
/// Code 46: database, SQL text, rows to return, options number with memos and blobs added.
TOrdoStringLine RawSelectRequest(std::int32_t dataSetId, std::string_view database, std::string_view sql,
                                 std::int32_t rowsToReturn, TOrdoSelectSQLOptions options);
/// Code 23: object name, its parameters or a second name, database, request kind.
TOrdoStringLine MetaDataRequest(std::int32_t dataSetId, std::string_view objectName, ByteView second,
                                std::string_view database, std::int32_t kind);
/// The request kind of a metadata open: 99 + the ordinal.
constexpr std::int32_t MetaDataKind(TOrdoMetaData what) noexcept {
    return kMetaDataKindBase + static_cast<std::int32_t>(what);
}
/// Code 33: cursor id, rows to return, options number with soPackets added.
TOrdoStringLine FetchPacketRequest(std::int32_t dataSetId, std::int32_t cursorId, std::int32_t rowsToReturn,
                                   TOrdoSelectSQLOptions options);
/// Code 34: the data set id again, then 0.
TOrdoStringLine CloseCursorRequest(std::int32_t dataSetId);

/// The statement as sent on open: every line followed by CR LF, then, when `orderBy` is not
/// empty, " ORDER BY " + orderBy + " ASC" or " DESC".
std::string OpenText(const std::vector<std::string>& lines, std::string_view orderBy, bool ascending);
/// The statement as sent by an execute or a raw select: every line followed by CR LF.
std::string PlainText(const std::vector<std::string>& lines);

}  // namespace ordo
