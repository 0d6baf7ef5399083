#include "server/ordo_server.h"

#include <unistd.h>

#include <system_error>

#include "server/fb/database_setup.h"
#include "server/log.h"
#include "server/session/replay_journal.h"
#include "platform/files.h"

namespace ordo::server {

OrdoServer::OrdoServer(ServerOptions options)
    : options_(std::move(options)),
      networks_(options_.allow.empty() ? ClientNetworks::LoopbackOnly() : ClientNetworks::Parse(options_.allow)),
      fullRefusals_([](const std::string& line) { Log(LogLevel::Warn, line); }),
      stop_(WakePipe::Create()),
      clientsStop_(WakePipe::Create()) {}

OrdoServer::~OrdoServer() {
    clientsStop_.write.Reset();
    Reap(true);
}

int OrdoServer::Start() {
    if (!options_.usersFile.empty()) {
        logins_ = LoginList::Load(options_.usersFile);
        Log(LogLevel::Info, "Login list " + options_.usersFile + ": " + std::to_string(logins_->Size()) + " logins");
    }
    PrepareEngineEnvironment(options_.database.database);
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
    LogWhoMayConnect();
    return port;
}

void OrdoServer::LogWhoMayConnect() const {
    if (IsLoopbackAddress(options_.bind)) {
        Log(LogLevel::Info, "Serving this machine only (listening on " + options_.bind + ")");
        return;
    }
    if (!networks_.ReachesBeyondLoopback()) {
        Log(LogLevel::Warn, "Listening on " + options_.bind +
                                " but serving this machine only: other machines are refused until --allow names "
                                "their networks");
        return;
    }
    Log(LogLevel::Info, "Serving clients from " + networks_.Text() + "; others are refused unread");
    if (!logins_ && networks_.AdmitsEveryone())
        Log(LogLevel::Warn, "Listening on " + options_.bind + " for every address (--allow " + networks_.Text() +
                                ") without --users: anyone who reaches this port can run SQL on the database");
}

bool OrdoServer::Admit(const PeerName& peer) {
    const auto address = IpAddress::Parse(peer.address);
    if (!address || !networks_.Admits(*address)) {
        Log(LogLevel::Warn, peer.text + ": refused, not in the allowed networks (" + networks_.Text() + ")");
        return false;
    }
    const auto now = RefusalLog::Clock::now();
    if (static_cast<int>(clients_.size()) >= options_.maxClients) {
        fullRefusals_.Refused(now, peer.text,
                              std::to_string(clients_.size()) + " clients connected already (--max-clients " +
                                  std::to_string(options_.maxClients) + ")");
        return false;
    }
    fullRefusals_.Flush(now);
    return true;
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
        PeerName peer;
        UniqueFd fd = AcceptTcp(listen_.Get(), stop_.read.Get(), peer);
        if (!fd.Valid()) break;
        Reap(false);
        if (!Admit(peer)) continue;  // closed unread as `fd` goes
        Client& c = clients_.emplace_back();
        try {
            c.thread = std::thread([this, &c, peer = peer.text, sock = std::move(fd)]() mutable {
                ServeClient(std::move(sock), peer, connection_, clientsStop_.read.Get());
                c.done = true;
            });
        } catch (const std::system_error& e) {
            // The system has no thread to spare (its limit on threads or memory): this client is
            // turned away as one beyond --max-clients would be, and the others go on.
            clients_.pop_back();
            fullRefusals_.Refused(RefusalLog::Clock::now(), peer.text, std::string("no thread: ") + e.what());
        }
    }
    fullRefusals_.Flush(RefusalLog::Clock::now(), true);
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
