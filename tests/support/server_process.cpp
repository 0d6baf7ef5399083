#include "tests/support/server_process.h"

#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace ordo::test {

namespace fs = std::filesystem;

OrdoServerProcess::OrdoServerProcess(OrdoServerProcessOptions options) : options_(std::move(options)) {
    if (options_.folder.empty()) ownFolder_.emplace("ordo-server");
    folder_ = ownFolder_ ? ownFolder_->Path() : options_.folder;
    while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
    fs::create_directories(folder_);
    if (!FirebirdServer().empty()) {  // the server's own user creates the database file in here
        fs::permissions(folder_, fs::perms::all, fs::perm_options::add);
    }
    Launch();
}

OrdoServerProcess::~OrdoServerProcess() {
    Stop();  // before the folder of its database goes
}

std::string OrdoServerProcess::DatabaseName() const {
    const std::string server = FirebirdServer();
    return server.empty() ? DatabasePath() : server + ":" + DatabasePath();
}

std::string OrdoServerProcess::FirebirdServer() {
    const char* env = std::getenv("ORDO_TEST_FIREBIRD_SERVER");
    return env != nullptr ? env : "";
}

std::string OrdoServerProcess::LogText() const { return ReadOutput(LogPath()); }

int OrdoServerProcess::Stop() {
    if (!Running()) return status_;
    process_->Signal(SIGTERM);
    status_ = process_->Wait(30000);
    if (status_ < 0) status_ = process_->Kill();
    process_.reset();
    return status_;
}

int OrdoServerProcess::Kill() {
    if (!Running()) return status_;
    status_ = process_->Kill();
    process_.reset();
    return status_;
}

std::string OrdoServerProcess::Binary() { return FromEnvironment("ORDO_SERVER_BINARY", ORDO_SERVER_BINARY); }

std::string OrdoServerProcess::LedgerSchema() { return FromEnvironment("ORDO_LEDGER_SCHEMA", ORDO_LEDGER_SCHEMA); }

void OrdoServerProcess::CreateOnFirebirdServer(const std::string& script) const {
    // ordo-server creates only database files of its own machine; on a Firebird server the
    // database is made as an administrator would, with isql (which reads the login from
    // ISC_USER and ISC_PASSWORD).
    const std::string input = folder_ + "/create.sql";
    // ordo-server creates a local database in its connection's character set; the same here, so that a test
    // reads the same rows on either road.
    std::string charset = "UTF8";
    for (std::size_t i = 0; i + 1 < options_.args.size(); ++i)
        if (options_.args[i] == "--charset") charset = options_.args[i + 1];
    std::string sql =
        "CREATE DATABASE '" + DatabaseName() + "' PAGE_SIZE 8192 DEFAULT CHARACTER SET " + charset + ";\n";
    if (!script.empty()) sql += "INPUT '" + script + "';\n";
    std::ofstream(input, std::ios::binary) << sql;
    ChildProcessOptions io;
    io.stdoutPath = LogPath();
    io.stderrPath = LogPath();
    io.append = true;
    ChildProcess isql({FromEnvironment("ORDO_ISQL_BINARY", "isql-fb"), "-q", "-bail", "-i", input}, io);
    if (isql.Wait(120000) != 0)
        throw std::runtime_error("isql could not create " + DatabaseName() + "; the log:\n" + LogText());
}

void OrdoServerProcess::Launch() {
    std::vector<std::string> args{Binary(), "--database", DatabaseName(), "--port", "0", "--log-level", "debug"};
    const std::string script = !options_.initScript.empty() ? options_.initScript
                               : options_.ledgerSchema      ? LedgerSchema()
                                                            : std::string();
    if (!FirebirdServer().empty()) {
        // A second server on the same folder (a restart, two servers on one database) attaches what the first made.
        if (!created_ && !fs::exists(DatabasePath())) CreateOnFirebirdServer(script);
        created_ = true;
    } else {
        args.push_back("--create");
        if (!script.empty()) args.insert(args.end(), {"--init", script});
    }
    args.insert(args.end(), options_.args.begin(), options_.args.end());

    ChildProcessOptions io;
    io.pipeStdout = true;
    io.stderrPath = LogPath();
    io.append = true;
    process_.emplace(std::move(args), io);
    const std::string line = process_->ReadLine(options_.startTimeoutMs);
    const auto colon = line.rfind(':');
    if (line.find("listening") == std::string::npos || colon == std::string::npos) {
        const int status = Stop();
        throw std::runtime_error("ordo-server did not start (status " + std::to_string(status) + "); its log:\n" +
                                 LogText());
    }
    port_ = std::stoi(line.substr(colon + 1));
}

}  // namespace ordo::test
