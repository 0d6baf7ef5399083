#pragma once
// The client data set the application uses: the last class of the chain, with the setters
// that keep the statement, the parameters and the table name consistent with each other.
#include <string>
#include <string_view>
#include <vector>

#include "client/client_update_data_set.h"

namespace ordo {

class TOrdoClientDataSet : public TOrdoUpdateClientDataSet {
public:
    TOrdoClientDataSet() = default;

    /// Replaces the whole statement: back to a normal query, closed, the table name
    /// forgotten. The same non-empty text again changes nothing.
    void SetSQL(const std::vector<std::string>& lines);
    /// Copies the given items into the owned list.
    void SetParams(const TOrdoParamList& params);
    /// A new name clears `StoredProcedure` and `Params` and, for a normal query, makes the
    /// statement "SELECT * FROM <name>".
    void SetTableName(std::string_view name);
    /// Stored trimmed.
    void SetOrderBy(std::string_view orderBy);
    /// When set, opening runs the procedure with `Params`, which are fetched from the server's
    /// description of the procedure.
    void SetStoredProcedure(std::string_view name);
    void SetServerMethod(std::string_view name) { SetServerMethodValue(name); }
    void SetServerDataSet(std::string_view name) { SetServerDataSetValue(name); }
};

}  // namespace ordo
