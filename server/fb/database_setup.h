#pragma once
// Getting a database ready before the server listens: the embedded engine's environment,
// creating a missing database and running its initialisation script.
#include <string>
#include <string_view>

#include "server/fb/fb_client.h"

namespace ordo::server {

/// The embedded engine keeps its lock files in FIREBIRD_LOCK (default /tmp/firebird); when that
/// folder cannot be used by this user, point the engine at a private one. Call before any
/// other engine call.
void PrepareEngineEnvironment();

/// Checks that the database can be attached. With `create`, a database that does not exist yet
/// is created first and `initScript` (a file path, may be empty) is run in it.
/// Returns true when the database was created by this call.
bool EnsureDatabase(const FbConnectSpec& connect, bool create, const std::string& initScript);

/// Runs an isql-style script: statements end with the terminator, SET TERM changes it, COMMIT
/// commits, definitions are committed as they run so later statements can use them.
void RunScript(FbAttachment& att, std::string_view script);

}  // namespace ordo::server
