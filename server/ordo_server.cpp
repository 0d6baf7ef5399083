#include "server/ordo_server.h"

#include <unistd.h>

#include "server/fb/database_setup.h"
#include "server/log.h"
#include "server/session/replay_journal.h"
#include "platform/files.h"

namespace ordo::server {

OrdoServer::OrdoServer(ServerOptions options)
    : options_(std::move(options)), stop_(WakePipe::Create()), clientsStop_(WakePipe::Create()) {}

OrdoServer::~OrdoServer() {
    clientsStop_.write.Reset();
    Reap(true);
}

int OrdoServer::Start() {
    if (!options_.usersFile.empty()) {
        logins_ = LoginList::Load(options_.usersFile);
        Log(LogLevel::Info, "Login list " + options_.usersFile + ": " + std::to_string(logins_->Size()) + " logins");
    }
    PrepareEngineEnvironment();
    EnsureDatabase(options_.database, options_.create, options_.initScript);
    try {
        PrepareReplayJournal(options_.database, options_.journalDays);
    } catch (const FbError& e) {
        // Clients that send no file identities are served as always; those that do get this error per request.
        Log(LogLevel::Warn, std::string("Replay journal ") + kReplayJournalTable + " unavailable: " + e.what());
    }
    connection_.session.database = options_.database;
    connection_.session.logins = logins_ ? &*logins_ : nullptr;
    connection_.session.lockTimeout = options_.lockTimeout;
    connection_.session.statementCache = static_cast<std::size_t>(options_.statementCache);
    connection_.session.journalDays = options_.journalDays;
    connection_.compression = options_.compression;
    connection_.session.rowCompression = options_.compression == acNoCompression;
    connection_.encryption = options_.encryption;
    connection_.desKey = options_.desKey;
    LoadPushes();
    int port = 0;
    listen_ = ListenTcp(options_.bind, options_.port, port);
    if (!logins_ && !IsLoopbackAddress(options_.bind))
        Log(LogLevel::Warn, "Listening on " + options_.bind +
                                " without --users: anyone who reaches this port can run SQL on the database");
    return port;
}

void OrdoServer::LoadPushes() {
    if (!options_.pushUpdate.empty()) {
        auto program = std::make_shared<const Bytes>(ReadFileBytes(options_.pushUpdate));
        if (program->size() > MaxUpdateSize())
            throw EOrdoError("--push-update " + options_.pushUpdate + ": " + std::to_string(program->size()) +
                             " bytes do not fit one message (at most " + std::to_string(MaxUpdateSize()) + ")");
        if (program->empty()) throw EOrdoError("--push-update " + options_.pushUpdate + ": the file is empty");
        connection_.session.pushUpdate = std::move(program);
        Log(LogLevel::Info, "Pushing " + options_.pushUpdate + " to every client as its new program");
    }
    for (const auto& [local, remote] : options_.pushFiles) {
        connection_.session.pushFiles.push_back({local, remote});
        Log(LogLevel::Info, "Pushing " + local + " to every client as " + remote);
    }
}

void OrdoServer::Run() {
    for (;;) {
        std::string peer;
        UniqueFd fd = AcceptTcp(listen_.Get(), stop_.read.Get(), peer);
        if (!fd.Valid()) break;
        Reap(false);
        if (static_cast<int>(clients_.size()) >= options_.maxClients) {
            Log(LogLevel::Warn, peer + ": refused, " + std::to_string(clients_.size()) + " clients connected already");
            continue;
        }
        Client& c = clients_.emplace_back();
        c.thread = std::thread([this, &c, peer, sock = std::move(fd)]() mutable {
            ServeClient(std::move(sock), peer, connection_, clientsStop_.read.Get());
            c.done = true;
        });
    }
    Log(LogLevel::Info, "Stopping: closing " + std::to_string(clients_.size()) + " connections");
    listen_.Reset();
    clientsStop_.write.Reset();
    Reap(true);
}

void OrdoServer::Stop() noexcept {
    char byte = 1;
    [[maybe_unused]] auto n = ::write(stop_.write.Get(), &byte, 1);
}

void OrdoServer::Reap(bool all) {
    for (auto it = clients_.begin(); it != clients_.end();) {
        if (all || it->done) {
            if (it->thread.joinable()) it->thread.join();
            it = clients_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace ordo::server
