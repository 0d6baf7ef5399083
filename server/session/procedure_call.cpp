#include "server/session/procedure_call.h"

#include <string>
#include <vector>

#include "core/text_convert.h"
#include "server/fb/fb_statement.h"

namespace ordo::server {
namespace {

std::string CanonicalName(std::string_view name) {
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
        std::string inner;
        for (std::size_t i = 1; i + 1 < name.size(); ++i) {
            inner.push_back(name[i]);
            if (name[i] == '"' && name[i + 1] == '"') ++i;
        }
        return inner;
    }
    return UpperCase(name);
}

std::string Quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    return out + "\"";
}

std::vector<FbRow> Query(FbAttachment& att, const char* sql, const FbRow& values) {
    FbTransaction tra = att.StartTransaction(true);
    FbStatement st = FbStatement::Prepare(att, tra, sql);
    std::vector<FbRow> rows;
    {
        FbCursor cur = st.Open(tra, values);
        FbRow row;
        while (cur.Fetch(row)) rows.push_back(row);
        cur.Close();
    }
    tra.Commit();
    return rows;
}

}  // namespace

ProcedureCall PrepareProcedureCall(FbAttachment& att, std::string_view name, const TOrdoParamList& params) {
    std::string proc = CanonicalName(name);
    auto found = Query(att,
                       "SELECT RDB$PROCEDURE_TYPE FROM RDB$PROCEDURES "
                       "WHERE RDB$PROCEDURE_NAME = ? AND RDB$PACKAGE_NAME IS NULL",
                       {FbCell::Txt(proc)});
    if (found.empty()) throw EDatabaseError("Procedure " + std::string(name) + " does not exist");
    ProcedureCall call;
    call.selectable = found[0][0].kind == FbCellKind::Integer && found[0][0].integer == 1;

    auto inputs = Query(att,
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
    call.bound.sql = (call.selectable ? "SELECT * FROM " : "EXECUTE PROCEDURE ") + Quoted(proc) + args;
    call.bound.procedureCall = true;
    return call;
}

}  // namespace ordo::server
