#pragma once
// An execute request: every statement of its text, in order, in one transaction.
#include <cstdint>
#include <string_view>

#include "params/param_list.h"
#include "server/fb/fb_client.h"
#include "server/session/statement_cache.h"

namespace ordo::server {

/// Where one request's processor time went, counted when the timing is switched on.
struct ExecTimings {
    bool enabled = false;
    double prepare = 0, execute = 0, commit = 0;  // seconds of processor time
    unsigned statements = 0;
    unsigned prepared = 0;   // run as a prepared shape with their literals bound
    unsigned retried = 0;    // failed as a prepared shape and run again as text
};

/// Runs the statements of `text` (see SplitStatements) and commits; on the first failure rolls
/// everything back and raises it, naming the statement when the text held several.
/// Returns the rows inserted, updated or deleted by all of them together.
///
/// INSERT and UPDATE OR INSERT statements whose VALUES hold only literals run as the statement of
/// their shape with the literals bound, prepared once per request (`cache` keeps them for the
/// request only). A statement whose literals do not convert to its parameters runs again as text,
/// so its error text is the text's; one that fails once it ran answers with its own error.
///
/// A `gate` that says no leaves the statements unrun (returning 0) and the transaction rolled back.
std::uint64_t RunStatements(FbAttachment& att, StatementCache& cache, std::string_view text,
                            const TOrdoParamList& params, int lockTimeoutSeconds, ExecTimings& timings,
                            const TransactionGate& gate = {});

}  // namespace ordo::server
