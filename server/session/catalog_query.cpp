#include "server/session/catalog_query.h"

#include "core/text_convert.h"
#include "server/fb/fb_statement.h"

namespace ordo::server {

std::string CatalogName(std::string_view name) {
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

std::string QuotedName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    return out + "\"";
}

std::vector<FbRow> CatalogRows(FbAttachment& att, const char* sql, const FbRow& values) {
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

}  // namespace ordo::server
