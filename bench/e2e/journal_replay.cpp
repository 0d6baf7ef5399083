// journal_replay: the requests fqreplay makes for COUNT queued single-row UPDATE files, sent to ordo-server by the
// test client, each with its file identity ahead of it (on) or alone (off); prints the wall-clock seconds. The
// journal's benchmark (journal.sh) runs both against fresh copies of one database and compares them.
//
//   journal_replay PORT COUNT on|off
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "app/file_identity.h"
#include "tests/support/ordo_test_client.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: journal_replay PORT COUNT on|off\n");
        return 2;
    }
    try {
        const int port = std::stoi(argv[1]);
        const int count = std::stoi(argv[2]);
        const bool journal = std::string(argv[3]) == "on";
        ordo::test::OrdoTestClient client(port);
        const auto start = std::chrono::steady_clock::now();
        for (int i = 1; i <= count; ++i) {
            char name[32], sql[128];
            std::snprintf(name, sizeof name, "U%05d.txt", i);
            std::snprintf(sql, sizeof sql, "UPDATE BAS_MCBUYER SET CURRMISU = %d.25 WHERE BUYERCD = 'C%05d'", i * 13, i);
            const std::string content = std::string(sql) + "\r\n";
            if (journal) {
                const auto id = ordo::FileIdentity("BENCH01", name, static_cast<std::int64_t>(content.size()),
                                                   1'700'000'000'000'000'000 + i, content);
                client.SendAhead(ordo::ReplayIdentityLine(id));
            }
            const ordo::test::OrdoReply reply = client.Exec(content);
            if (!reply.Ok() || reply.rowsAffected != 1) {
                std::fprintf(stderr, "%s: %s (rows %d)\n", name, reply.error.c_str(), reply.rowsAffected);
                return 1;
            }
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        std::printf("%.3f\n", took.count());
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "journal_replay: %s\n", e.what());
        return 1;
    }
}
