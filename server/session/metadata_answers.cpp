#include "server/session/metadata_answers.h"

#include <algorithm>

#include "core/errors.h"
#include "core/field_type.h"
#include "resultset/row_text_codec.h"
#include "server/fb/fb_statement.h"
#include "server/session/catalog_query.h"
#include "server/session/result_encoder.h"

namespace ordo::server {
namespace {

constexpr int kNameSize = 252;  // 63 characters of an identifier, in bytes of a multi-byte character set

std::string CellText(const FbCell& c) { return c.kind == FbCellKind::Null ? std::string() : c.bytes; }

MetaDataAnswer Names(FbAttachment& att, const char* sql) {
    MetaDataAnswer a{{{"NAME", ftString, kNameSize}}, {}};
    TOrdoRowTextWriter w;
    for (const FbRow& row : CatalogRows(att, sql, {})) {
        w.AddText(CellText(row.at(0)));
        w.EndRow();
    }
    w.EndOfData();
    a.rows = w.Take();
    return a;
}

/// The engine's own description of a statement's columns, so a metadata answer gives each
/// column the type and size a select of it would.
std::vector<FbColumn> Describe(FbAttachment& att, const std::string& sql, bool inputs) {
    FbTransaction tra = att.StartTransaction(true);
    FbStatement st = FbStatement::Prepare(att, tra, sql);
    std::vector<FbColumn> columns = inputs ? st.Inputs() : st.Outputs();
    tra.Commit();
    return columns;
}

MetaDataAnswer TableColumns(FbAttachment& att, std::string_view objectName) {
    const std::string table = CatalogName(objectName);
    const auto fields =
            CatalogRows(att,
                        "SELECT TRIM(RF.RDB$FIELD_NAME), COALESCE(RF.RDB$NULL_FLAG, F.RDB$NULL_FLAG, 0) "
                        "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
                        "WHERE RF.RDB$RELATION_NAME = ? ORDER BY RF.RDB$FIELD_POSITION",
                        {FbCell::Txt(table)});
    if (fields.empty()) throw EDatabaseError("Table " + std::string(objectName) + " does not exist");
    const std::vector<FbColumn> described = Describe(att, "SELECT * FROM " + QuotedName(table), false);
    MetaDataAnswer a{{{"FIELD_NAME", ftString, kNameSize}, {"DATA_TYPE", ftInteger, 0}, {"FIELD_SIZE", ftInteger, 0},
                      {"REQUIRED", ftInteger, 0}},
                     {}};
    TOrdoRowTextWriter w;
    for (const FbRow& field : fields) {
        const std::string name = CellText(field.at(0));
        const auto column =
                std::find_if(described.begin(), described.end(), [&](const FbColumn& c) { return c.name == name; });
        if (column == described.end()) continue;  // a field the engine does not select (none known)
        const TOrdoFieldDef def = FieldDefFor(*column);
        w.AddText(name);
        w.AddInteger(def.DataType);
        w.AddInteger(def.Size);
        w.AddInteger(field.at(1).integer != 0 ? 1 : 0);
        w.EndRow();
    }
    w.EndOfData();
    a.rows = w.Take();
    return a;
}

MetaDataAnswer ProcedureColumns(FbAttachment& att, std::string_view objectName) {
    const std::string proc = CatalogName(objectName);
    const auto found = CatalogRows(att,
                                   "SELECT RDB$PROCEDURE_TYPE FROM RDB$PROCEDURES "
                                   "WHERE RDB$PROCEDURE_NAME = ? AND RDB$PACKAGE_NAME IS NULL",
                                   {FbCell::Txt(proc)});
    if (found.empty()) throw EDatabaseError("Procedure " + std::string(objectName) + " does not exist");
    const bool selectable = found[0].at(0).kind == FbCellKind::Integer && found[0].at(0).integer == 1;
    const auto params = CatalogRows(att,
                                    "SELECT TRIM(RDB$PARAMETER_NAME), RDB$PARAMETER_TYPE FROM RDB$PROCEDURE_PARAMETERS "
                                    "WHERE RDB$PROCEDURE_NAME = ? AND RDB$PACKAGE_NAME IS NULL "
                                    "ORDER BY RDB$PARAMETER_TYPE, RDB$PARAMETER_NUMBER",
                                    {FbCell::Txt(proc)});
    std::string marks;
    for (const FbRow& p : params)
        if (p.at(1).integer == 0) marks += marks.empty() ? "?" : ", ?";
    const std::string call = QuotedName(proc) + (marks.empty() ? "" : "(" + marks + ")");
    const std::string sql = (selectable ? "SELECT * FROM " : "EXECUTE PROCEDURE ") + call;
    const std::vector<FbColumn> inputs = Describe(att, sql, true);
    const std::vector<FbColumn> outputs = Describe(att, sql, false);

    MetaDataAnswer a{{{"PARAM_NAME", ftString, kNameSize}, {"PARAM_TYPE", ftInteger, 0}, {"DATA_TYPE", ftInteger, 0},
                      {"FIELD_SIZE", ftInteger, 0}},
                     {}};
    TOrdoRowTextWriter w;
    std::size_t in = 0;
    std::size_t out = 0;
    for (const FbRow& p : params) {
        const bool input = p.at(1).integer == 0;
        const std::vector<FbColumn>& side = input ? inputs : outputs;
        std::size_t& at = input ? in : out;
        if (at >= side.size())
            throw EDatabaseError("Procedure " + proc +
                                 ": the engine describes fewer parameters than its catalog lists");
        const TOrdoFieldDef def = FieldDefFor(side[at++]);
        w.AddText(CellText(p.at(0)));
        w.AddInteger(input ? 1 : 2);  // ptInput, ptOutput
        w.AddInteger(def.DataType);
        w.AddInteger(def.Size);
        w.EndRow();
    }
    w.EndOfData();
    a.rows = w.Take();
    return a;
}

}  // namespace

MetaDataAnswer AnswerMetaData(FbAttachment& att, std::int32_t kind, std::string_view objectName) {
    switch (static_cast<MetaDataKind>(kind)) {
        case MetaDataKind::TableNames:
            return Names(att,
                         "SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS "
                         "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$VIEW_BLR IS NULL ORDER BY 1");
        case MetaDataKind::ViewNames:
            return Names(att,
                         "SELECT TRIM(RDB$RELATION_NAME) FROM RDB$RELATIONS "
                         "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$VIEW_BLR IS NOT NULL ORDER BY 1");
        case MetaDataKind::StoredProcNames:
            return Names(att,
                         "SELECT TRIM(RDB$PROCEDURE_NAME) FROM RDB$PROCEDURES "
                         "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 AND RDB$PACKAGE_NAME IS NULL ORDER BY 1");
        case MetaDataKind::TableColumns: return TableColumns(att, objectName);
        case MetaDataKind::StoredProcColumns: return ProcedureColumns(att, objectName);
    }
    throw EDatabaseError("Metadata request kind " + std::to_string(kind) + " is not supported by this server");
}

}  // namespace ordo::server
