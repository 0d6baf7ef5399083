#include "server/fb/database_setup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "server/fb/fb_statement.h"
#include "server/log.h"
#include "server/sql/script_splitter.h"

namespace ordo::server {
namespace fs = std::filesystem;

namespace {

/// Creates `dir` for this user alone, or checks that the one there is this user's and closed to
/// others: a lock folder someone else made could be used to disturb or spy on the engine.
void MakePrivateFolder(const fs::path& dir) {
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        throw EOrdoError("Cannot make the engine's lock folder " + dir.string() + ": " + std::strerror(errno));
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0)
        throw EOrdoError("Cannot use the engine's lock folder " + dir.string() + ": " + std::strerror(errno));
    if (!S_ISDIR(st.st_mode))
        throw EOrdoError("The engine's lock folder " + dir.string() + " is not a folder");
    if (st.st_uid != ::geteuid())
        throw EOrdoError("The engine's lock folder " + dir.string() + " belongs to another user (uid " +
                         std::to_string(st.st_uid) + "); remove it or set FIREBIRD_LOCK");
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throw EOrdoError("The engine's lock folder " + dir.string() + " is writable by others; remove it or set "
                         "FIREBIRD_LOCK");
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EOrdoError("Cannot read the script " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void RunStep(FbAttachment& att, FbTransaction& tra, const ScriptStep& step) {
    FbStatement st = FbStatement::Prepare(att, tra, step.text);
    if (st.Kind() == FbStatementKind::Select) {
        FbCursor cur = st.Open(tra, {});
        FbRow row;
        while (cur.Fetch(row)) {
        }
        cur.Close();
    } else {
        st.Execute(tra, {}, nullptr);
    }
    if (st.Kind() == FbStatementKind::Definition) {  // later statements may use what it defined
        tra.Commit();
        tra = att.StartTransaction(false);
    }
}

}  // namespace

std::string EngineLockFolder(const std::string& database) {
    if (const char* state = std::getenv("STATE_DIRECTORY"); state && *state) {
        const std::string first(state, std::strcspn(state, ":"));  // systemd lists several with ':'
        return (fs::path(first) / "firebird-lock").string();
    }
    if (IsRemoteDatabase(database)) return {};
    const fs::path folder = fs::absolute(fs::path(database)).parent_path();
    return (folder / ("firebird-lock-" + std::to_string(::geteuid()))).string();
}

void PrepareEngineEnvironment(const std::string& database) {
    if (std::getenv("FIREBIRD_LOCK")) return;  // the administrator's choice
    const std::string folder = EngineLockFolder(database);
    if (folder.empty()) return;
    MakePrivateFolder(folder);
    ::setenv("FIREBIRD_LOCK", folder.c_str(), 1);
}

void RunScript(FbAttachment& att, std::string_view script) {
    FbTransaction tra = att.StartTransaction(false);
    for (const ScriptStep& step : SplitScript(script)) {
        try {
            if (step.kind == ScriptStepKind::Commit) {
                tra.Commit();
                tra = att.StartTransaction(false);
            } else if (step.kind == ScriptStepKind::Sql) {
                RunStep(att, tra, step);
            }
        } catch (const FbError& e) {
            throw FbError("Script line " + std::to_string(step.line) + ": " + e.what(), e.Code());
        }
    }
    tra.Commit();
}

bool EnsureDatabase(const FbConnectSpec& connect, bool create, const std::string& initScript) {
    bool missing = false;
    if (create && IsRemoteDatabase(connect.database)) {
        Log(LogLevel::Info, "create applies to a database file on this machine; " + connect.database +
                                " is on a Firebird server and is only attached");
    } else if (create) {
        std::error_code ec;
        missing = !fs::exists(connect.database, ec);
    }
    if (!missing) {
        FbAttachment::Attach(connect);
        return false;
    }
    std::string script = initScript.empty() ? std::string() : ReadFile(initScript);
    FbAttachment att = FbAttachment::Create(connect);
    Log(LogLevel::Info, "Created database " + connect.database);
    if (!script.empty()) {
        try {
            RunScript(att, script);
        } catch (const EOrdoError&) {
            // A half-initialised database would be taken as ready by the next start.
            att.Drop();
            throw;
        }
        Log(LogLevel::Info, "Ran " + initScript);
    }
    return true;
}

}  // namespace ordo::server
