#include "server/fb/database_setup.h"

#include <unistd.h>

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

bool UsableFolder(const fs::path& dir) {
    std::error_code ec;
    if (!fs::exists(dir, ec)) {
        if (!fs::create_directories(dir, ec)) return false;
    }
    return ::access(dir.c_str(), R_OK | W_OK | X_OK) == 0;
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

void PrepareEngineEnvironment() {
    if (std::getenv("FIREBIRD_LOCK")) return;
    if (UsableFolder("/tmp/firebird")) return;
    fs::path own = fs::temp_directory_path() / ("firebird-" + std::to_string(::getuid()));
    if (!UsableFolder(own)) throw EOrdoError("No usable folder for the engine's lock files: " + own.string());
    ::setenv("FIREBIRD_LOCK", own.c_str(), 1);
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
    if (create && !IsRemoteDatabase(connect.database)) {
        std::error_code ec;
        missing = !fs::exists(connect.database, ec);
    } else if (create) {
        try {
            FbAttachment::Attach(connect);
        } catch (const FbError& e) {
            Log(LogLevel::Info, std::string("Attach failed, creating the database: ") + e.what());
            missing = true;
        }
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
