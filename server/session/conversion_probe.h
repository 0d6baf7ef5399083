#pragma once
// Tells a statement that failed while binding its parameters from one that failed while it ran.
//
// The engine converts an input message to the statement's parameter types before the statement
// starts; a failure there leaves nothing behind. Once it runs, triggers may have advanced sequences,
// set context variables and written in autonomous transactions, none of which a failure takes back,
// so running it again as text would do them twice. The probe makes the same conversions alone: an
// EXECUTE BLOCK whose input parameters have the statement's parameter types and whose body is empty.
#include <vector>

#include "server/fb/fb_message.h"
#include "server/fb/fb_statement.h"

namespace ordo::server {

/// True when converting `message` to parameters typed as `inputs` fails, which is then where the
/// statement failed; false when the conversion succeeds or cannot be tried. Raises FbError only for
/// a lost connection.
bool BindingFails(FbAttachment& att, FbTransaction& tra, const std::vector<FbColumn>& inputs,
                  FbInputMessage& message);

}  // namespace ordo::server
