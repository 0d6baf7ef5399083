#pragma once
// A stored procedure request as a statement: selectable procedures are read with SELECT,
// executable ones run with EXECUTE PROCEDURE.
#include <string_view>

#include "params/param_list.h"
#include "server/fb/fb_client.h"
#include "server/session/param_binding.h"

namespace ordo::server {

struct ProcedureCall {
    BoundStatement bound;
    bool selectable = false;
};

/// Looks the procedure up (an unquoted name in upper case, a "quoted" one as written) and binds
/// its input parameters: by name when the list has every one of them, else the list's input
/// items in order. Raises EDatabaseError when there is no such procedure.
ProcedureCall PrepareProcedureCall(FbAttachment& att, std::string_view name, const TOrdoParamList& params);

}  // namespace ordo::server
