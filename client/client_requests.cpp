#include "client/client_requests.h"

#include "codec/message_codes.h"
#include "params/param_list.h"

namespace ordo {
namespace {

TOrdoStringLine Line(TOrdoMessageCode code, std::int32_t dataSetId) {
    return TOrdoStringLine(code, dataSetId);
}

}  // namespace

TOrdoStringLine SelectRequest(std::int32_t dataSetId, std::string_view sql, std::int32_t rowsToReturn,
                              TOrdoSelectSQLOptions options, std::string_view database,
                              const TOrdoParamList& params) {
    TOrdoStringLine line = Line(mcSelectSQL, dataSetId);
    line.AddString(sql);
    line.AddInteger(rowsToReturn);
    line.AddInteger(OptionsNumber(options));
    Bytes last(database.begin(), database.end());
    last.push_back(static_cast<std::uint8_t>(kDatabaseParamsSeparator));
    const Bytes input = params.SaveToString(true);
    last.insert(last.end(), input.begin(), input.end());
    line.AddItem(last, itString);
    return line;
}

TOrdoStringLine ExecRequest(std::int32_t dataSetId, std::string_view sql, const TOrdoParamList& params,
                            std::string_view database, ByteView updateInfo) {
    TOrdoStringLine line = Line(mcExecSQL, dataSetId);
    line.AddString(sql);
    line.AddItem(params.SaveToString(false), itString);
    line.AddString(database);
    line.AddItem(updateInfo, itString);
    return line;
}

TOrdoStringLine StoredProcRequest(std::int32_t dataSetId, std::string_view procedure,
                                  const TOrdoParamList& params, std::string_view database,
                                  std::int32_t rowsToReturn, TOrdoSelectSQLOptions options) {
    TOrdoStringLine line = Line(mcStoredProc, dataSetId);
    line.AddString(procedure);
    line.AddItem(params.SaveToString(false), itString);
    line.AddString(database);
    line.AddInteger(rowsToReturn);
    line.AddInteger(OptionsNumber(options));
    return line;
}

TOrdoStringLine RawSelectRequest(std::int32_t dataSetId, std::string_view database, std::string_view sql,
                                 std::int32_t rowsToReturn, TOrdoSelectSQLOptions options) {
    TOrdoStringLine line = Line(mcRawSelect, dataSetId);
    line.AddString(database);
    line.AddString(sql);
    line.AddInteger(rowsToReturn);
    options.Include(soFetchMemos).Include(soFetchBlobs);
    line.AddInteger(OptionsNumber(options));
    return line;
}

TOrdoStringLine MetaDataRequest(std::int32_t dataSetId, std::string_view objectName, ByteView second,
                                std::string_view database, std::int32_t kind) {
    TOrdoStringLine line = Line(mcMetaData, dataSetId);
    line.AddString(objectName);
    line.AddItem(second, itString);
    line.AddString(database);
    line.AddInteger(kind);
    return line;
}

TOrdoStringLine FetchPacketRequest(std::int32_t dataSetId, std::int32_t cursorId, std::int32_t rowsToReturn,
                                   TOrdoSelectSQLOptions options) {
    TOrdoStringLine line = Line(mcFetchPacket, dataSetId);
    line.AddInteger(cursorId);
    line.AddInteger(rowsToReturn);
    options.Include(soPackets);
    line.AddInteger(OptionsNumber(options));
    return line;
}

TOrdoStringLine CloseCursorRequest(std::int32_t dataSetId) {
    TOrdoStringLine line = Line(mcCloseCursor, dataSetId);
    line.AddInteger(dataSetId);
    line.AddInteger(0);
    return line;
}

std::string PlainText(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) {
        text += l;
        text += "\r\n";
    }
    return text;
}

std::string OpenText(const std::vector<std::string>& lines, std::string_view orderBy, bool ascending) {
    std::string text = PlainText(lines);
    if (!orderBy.empty()) {
        text += " ORDER BY ";
        text += orderBy;
        text += ascending ? " ASC" : " DESC";
    }
    return text;
}

}  // namespace ordo
