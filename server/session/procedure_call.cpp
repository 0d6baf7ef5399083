#include "server/session/procedure_call.h"

#include <string>
#include <vector>

#include "server/session/catalog_query.h"

namespace ordo::server {

ProcedureCall PrepareProcedureCall(FbAttachment& att, std::string_view name, const TOrdoParamList& params) {
    std::string proc = CatalogName(name);
    auto found = CatalogRows(att,
                             "SELECT RDB$PROCEDURE_TYPE FROM RDB$PROCEDURES "
                             "WHERE RDB$PROCEDURE_NAME = ? AND RDB$PACKAGE_NAME IS NULL",
                             {FbCell::Txt(proc)});
    if (found.empty()) throw EDatabaseError("Procedure " + std::string(name) + " does not exist");
    ProcedureCall call;
    call.selectable = found[0][0].kind == FbCellKind::Integer && found[0][0].integer == 1;

    auto inputs = CatalogRows(att,
                              "SELECT TRIM(RDB$PARAMETER_NAME) FROM RDB$PROCEDURE_PARAMETERS "
                              "WHERE RDB$PROCEDURE_NAME = ? AND RDB$PARAMETER_TYPE = 0 AND RDB$PACKAGE_NAME IS NULL "
                              "ORDER BY RDB$PARAMETER_NUMBER",
                              {FbCell::Txt(proc)});
    bool byName = true;
    for (const auto& row : inputs) byName = byName && params.FindParam(row[0].bytes) != nullptr;
    std::vector<const TOrdoParamItem*> positional;
    for (const auto& item : params)
        if (item->IsInput()) positional.push_back(item.get());

    std::string marks;
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const TOrdoParamItem* item = byName ? params.FindParam(inputs[i][0].bytes)
                                            : (i < positional.size() ? positional[i] : nullptr);
        call.bound.values.push_back(item ? CellFromParam(*item) : FbCell::Null());
        marks += i == 0 ? "?" : ", ?";
    }
    std::string args = marks.empty() ? std::string() : "(" + marks + ")";
    call.bound.sql = (call.selectable ? "SELECT * FROM " : "EXECUTE PROCEDURE ") + QuotedName(proc) + args;
    call.bound.procedureCall = true;
    return call;
}

}  // namespace ordo::server
