#include "client/client_update_data_set.h"

#include "client/client_requests.h"
#include "client/client_update_sql.h"
#include "core/errors.h"
#include "core/text_convert.h"
#include "net/client_socket.h"

namespace ordo {
namespace {

bool Holds(const std::vector<std::string>& names, const std::string& name) {
    for (const auto& n : names)
        if (SameText(Trim(n), name)) return true;
    return false;
}

std::string ListText(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    return text;
}

}  // namespace

void TOrdoUpdateClientDataSet::SetUpdateMethod(TOrdoUpdateMethod value) noexcept {
    updateMethod_ = value;
    SetLogChanges(value != umManual);
}

void TOrdoUpdateClientDataSet::SetSQLGenerateLocation(TGenerateSQLLocation value) noexcept {
    generateLocation_ = value;
    if (value == gsServer) SetUpdateMethod(umCached);
}

void TOrdoUpdateClientDataSet::ExecuteSQL() {
    // Cleared first: an execute refused before it is sent must not show the count of the one before.
    rowsAffected_ = 0;
    if (!StoredProcedure().empty()) {
        SetSQLOptions(SQLOptions().Include(soExecStoredProc));
        if (Active()) Close();
        Open();
        return;
    }
    // An execute that never reaches the server must not look like one that did.
    RequestSocket();
    if (!SocketUsable()) throw EDatabaseError(SocketNotActiveText());
    const Bytes info = UpdateInformation();
    TOrdoStringLine line = ExecRequest(DataSetId(), PlainText(SQL().Lines()), Params(), DataBase(), info);
    std::string error = SendCollecting(line, true, false);
    if (!error.empty()) throw EDatabaseError(error);
}

int TOrdoUpdateClientDataSet::RefetchMode() const {
    if (!autoIncrementField_.empty() && Holds(primeFields_, autoIncrementField_) &&
        Holds(refetchOnInsert_, autoIncrementField_))
        return 1;
    if (!primeFields_.empty() && !refetchOnInsert_.empty()) return 2;
    return 0;
}

Bytes TOrdoUpdateClientDataSet::UpdateInformation() const {
    const int mode = RefetchMode();
    if (mode == 0 || !HasChanges()) return {};
    TOrdoParamList info;
    info.FastAdd(Variant(updateTableName_));
    info.FastAdd(Variant(DataBase()));
    info.FastAdd(Variant(autoIncrementField_));
    info.FastAdd(Variant(ListText(refetchOnInsert_)));
    info.FastAdd(Variant(ListText(primeFields_)));
    info.FastAdd(Variant(static_cast<std::uint8_t>(mode)));
    info.FastAdd(Variant(oracleSequence_));
    const std::vector<std::string> statements = GenerateUpdateStatements();
    const auto& log = ChangeLog();
    for (std::size_t i = 0; i < log.size(); ++i) {
        info.FastAdd(Variant(log[i].Delta == ckDelete ? std::string("delete") : statements[i]));
        info.FastAdd(Variant(log[i].BookMark));
    }
    return info.SaveToString(false);
}

std::vector<std::string> TOrdoUpdateClientDataSet::GenerateUpdateStatements() const {
    std::vector<std::string> out;
    const TOrdoDBList* rows = RowList();
    if (rows == nullptr) return out;
    TOrdoUpdateSQLSettings s;
    s.TableName = updateTableName_.empty() ? TableName() : updateTableName_;
    s.UpdateMode = updateMode_;
    s.PrimeFields = primeFields_;
    s.NoSQLFields = noSQLFields_;
    s.AutoIncrementField = autoIncrementField_;
    s.SQLOptions = SQLOptions();
    s.BooleanAsInteger = OrdoClientSocket() != nullptr && OrdoClientSocket()->SQLOptions().Contains(ssBooleanAsInteger);
    const TOrdoFieldList& fields = rows->FieldList();
    for (const TOrdoChange& c : ChangeLog()) {
        const int index = rows->IndexOfRowId(c.BookMark);
        TOrdoRowReader old(c.OldRow, rows->BitmapOffset());
        if (c.Delta == ckDelete) {
            out.push_back(DeleteStatement(fields, old, s));
        } else if (index < 0) {
            out.emplace_back();
        } else if (c.Delta == ckInsert) {
            out.push_back(InsertStatement(fields, rows->Reader(index), s));
        } else {
            out.push_back(UpdateStatement(fields, old, rows->Reader(index), s));
        }
    }
    return out;
}

void TOrdoUpdateClientDataSet::ApplyUpdates() {
    if (!HasChanges() || applying_) return;
    applying_ = true;
    try {
        TOrdoClientSocket& socket = RequestSocket();
        std::string text = socket.SQLTransactionStart() + "\r\n";
        for (const std::string& st : GenerateUpdateStatements())
            if (!st.empty()) text += st + ";\r\n";
        text += socket.SQLTransactionEnd() + "\r\n";
        TOrdoParamList none;
        TOrdoStringLine line = ExecRequest(DataSetId(), text, none, DataBase(), UpdateInformation());
        std::string error = SendCollecting(line, true, false);
        if (!error.empty()) throw EDatabaseError(error);
        ClearChangeLog();
    } catch (...) {
        applying_ = false;
        throw;
    }
    applying_ = false;
}

void TOrdoUpdateClientDataSet::InternalPost() {
    TOrdoBaseClientDataSet::InternalPost();
    if (updateMethod_ == umAfterPost) ApplyUpdates();
}

}  // namespace ordo
