#pragma once
// An execute request: every statement of its text, in order, in one transaction.
#include <cstdint>
#include <string_view>

#include "params/param_list.h"
#include "server/fb/fb_client.h"

namespace ordo::server {

/// Runs the statements of `text` (see SplitStatements) and commits; on the first failure rolls
/// everything back and raises it, naming the statement when the text held several.
/// Returns the rows inserted, updated or deleted by all of them together.
std::uint64_t RunStatements(FbAttachment& att, std::string_view text, const TOrdoParamList& params,
                            int lockTimeoutSeconds);

}  // namespace ordo::server
