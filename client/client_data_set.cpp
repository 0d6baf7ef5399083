#include "client/client_data_set.h"

#include "core/text_convert.h"

namespace ordo {

void TOrdoClientDataSet::SetSQL(const std::vector<std::string>& lines) {
    SetMetaDataRequest(mdNormalQuery);
    if (!lines.empty() && lines == SQL().Lines()) return;
    Close();
    SQL().Assign(lines);
    SetTableNameValue("");
}

void TOrdoClientDataSet::SetParams(const TOrdoParamList& params) { params.CopyParams(Params(), true); }

void TOrdoClientDataSet::SetTableName(std::string_view name) {
    if (name == TableName()) return;
    SetStoredProcedureValue("");
    Params().Clear();
    if (MetaDataRequest() == mdNormalQuery) {
        Close();
        SQL().Assign({"SELECT * FROM " + std::string(name)});
    }
    SetTableNameValue(name);
}

void TOrdoClientDataSet::SetOrderBy(std::string_view orderBy) { SetOrderByValue(Trim(orderBy)); }

void TOrdoClientDataSet::SetStoredProcedure(std::string_view name) {
    if (name == StoredProcedure()) return;
    Close();
    // A procedure whose parameters could not be learned is not set: the data set keeps the
    // procedure and parameters it had, rather than a name that would run with the wrong ones.
    const std::string oldName = StoredProcedure();
    TOrdoParamList oldParams = Params().Clone();
    SetStoredProcedureValue(name);
    try {
        if (name.empty()) RefreshParams();
        else RefreshProcedureParams();
    } catch (...) {
        SetStoredProcedureValue(oldName);
        oldParams.CopyParams(Params(), true);
        throw;
    }
}

}  // namespace ordo
