#pragma once
// The server: a listening socket, one thread per client connection, an orderly stop.
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "server/config/client_networks.h"
#include "server/config/login_list.h"
#include "server/config/server_options.h"
#include "server/net/client_connection.h"
#include "server/net/posix_socket.h"
#include "server/net/refusal_log.h"

namespace ordo::server {

class OrdoServer {
public:
    explicit OrdoServer(ServerOptions options);
    OrdoServer(const OrdoServer&) = delete;
    OrdoServer& operator=(const OrdoServer&) = delete;
    ~OrdoServer();

    /// Readies the database (creating it when asked), loads the login list and listens.
    /// Returns the port. Raises EOrdoError (database, file or socket failures).
    int Start();
    /// Serves clients until Stop; then closes every connection and waits for them to end.
    void Run();
    /// Async-signal-safe: may be called from a signal handler.
    void Stop() noexcept;

private:
    struct Client {
        std::thread thread;
        std::atomic<bool> done{false};
    };
    void Reap(bool all);
    void LoadPushes();
    void LogWhoMayConnect() const;
    /// True when the connection may be served; otherwise it is logged and closed unread.
    bool Admit(const PeerName& peer);

    ServerOptions options_;
    std::optional<LoginList> logins_;
    ClientNetworks networks_;
    RefusalLog fullRefusals_;  // connections beyond --max-clients, one line an interval
    ConnectionSettings connection_;
    UniqueFd listen_;
    WakePipe stop_;        // written to by Stop
    WakePipe clientsStop_; // its write end is closed to wake every client thread
    std::list<Client> clients_;
};

}  // namespace ordo::server
