#pragma once
// Getting a database ready before the server listens: the embedded engine's environment,
// creating a missing database and running its initialisation script.
#include <string>
#include <string_view>

#include "server/fb/fb_client.h"

namespace ordo::server {

/// The folder the embedded engine keeps its lock files in, unless FIREBIRD_LOCK names one: under
/// the service's state folder (STATE_DIRECTORY, set by systemd) or else beside the database file,
/// never the engine's default in /tmp, which any local user could have made first. Empty for a
/// database on a Firebird server outside a service: the engine is not used then.
std::string EngineLockFolder(const std::string& database);

/// Points the embedded engine at EngineLockFolder, creating it for this user alone. Raises
/// EOrdoError when the folder exists but another user owns it or others may write in it. Call
/// before any other engine call.
void PrepareEngineEnvironment(const std::string& database);

/// Checks that the database can be attached. With `create`, a database file that does not exist
/// yet is created first and `initScript` (a file path, may be empty) is run in it. A database on a
/// Firebird server is never created: an attach that fails there (a network fault, a wrong password,
/// a server restarting) must not become a new, empty ledger. Returns true when the database was
/// created by this call.
bool EnsureDatabase(const FbConnectSpec& connect, bool create, const std::string& initScript);

/// Runs an isql-style script: statements end with the terminator, SET TERM changes it, COMMIT
/// commits, definitions are committed as they run so later statements can use them.
void RunScript(FbAttachment& att, std::string_view script);

}  // namespace ordo::server
