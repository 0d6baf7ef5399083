#pragma once
// Between the client's parameter lists and the engine's positional parameters.
#include <string>
#include <string_view>
#include <vector>

#include "params/param_list.h"
#include "server/fb/fb_cell.h"
#include "server/fb/fb_statement.h"

namespace ordo::server {

/// The value of a parameter item as the engine takes it. Raises EDatabaseError naming
/// the item when its bytes do not read as its type.
FbCell CellFromParam(const TOrdoParamItem& item);

/// A statement ready to prepare and the values of its "?" markers.
struct BoundStatement {
    std::string sql;
    FbRow values;
    bool procedureCall = false;  // a stored procedure request's call, which may define something
};

/// Hands out parameter values to the statements of one request. A ":NAME" that names an item
/// becomes "?" bound to that item; a bare "?" takes the next input item not yet taken by a
/// bare "?" of this or an earlier statement of the request.
class ParamBinder {
public:
    explicit ParamBinder(const TOrdoParamList& params);
    BoundStatement Bind(std::string_view sql);

private:
    const TOrdoParamList& params_;
    std::vector<std::string> names_;
    std::vector<int> inputs_;  // indexes of the input items, in list order
    std::size_t nextInput_ = 0;
};

/// An output parameter item holding the cell, typed as the column's field definition says.
void SetParamFromCell(TOrdoParamItem& item, const FbColumn& column, const FbCell& cell);

}  // namespace ordo::server
