// ordo-server: serves middleware clients from a Firebird database.
#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>

#include "platform/locale_separators.h"
#include "server/config/server_options.h"
#include "server/log.h"
#include "server/net/posix_socket.h"
#include "server/net/service_notify.h"
#include "server/ordo_server.h"

namespace {

ordo::server::OrdoServer* g_server = nullptr;

extern "C" void OnStopSignal(int) {
    if (g_server) g_server->Stop();
}

void InstallStopHandlers() {
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

/// Each client takes a socket and the database attachment's files; the usual soft limit of 1,024
/// open files would stop the server well short of --max-clients. The hard limit is the system's
/// say, so the soft one goes up to it (the server polls, it never uses select()).
void RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
        ordo::server::Log(ordo::server::LogLevel::Warn, "Could not raise the limit of open files");
}

}  // namespace

int main(int argc, char** argv) {
    using namespace ordo::server;
    ordo::ApplyLocaleSeparators();
    int exitCode = 0;
    auto options = ParseServerOptions(argc, argv, exitCode);
    if (!options) return exitCode;
    SetLogLevel(options->logLevel);
    RaiseOpenFileLimit();
    try {
        std::string bind = options->bind;
        OrdoServer server(std::move(*options));
        int port = server.Start();
        g_server = &server;
        InstallStopHandlers();
        const std::string where = EndpointText(bind, port);
        std::printf("ordo-server listening on %s\n", where.c_str());
        std::fflush(stdout);
        NotifyServiceManager("READY=1\nSTATUS=listening on " + where);
        server.Run();
        g_server = nullptr;
        Log(LogLevel::Info, "Stopped");
        return 0;
    } catch (const std::exception& e) {
        Log(LogLevel::Error, e.what());
        return kExitFailure;
    }
}
