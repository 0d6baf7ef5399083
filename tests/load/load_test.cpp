// Many fqreplay processes at once against one ordo-server: every statement applied exactly once,
// every file deleted, and the server's memory flat from one round to the next. Prints the figures.
//   ORDO_LOAD_PROCESSES (20), ORDO_LOAD_FILES (200 per process), ORDO_LOAD_ROUNDS (2)
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/replay_fixture.h"

namespace ordo::test {
namespace {

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

/// The process whose command line names `needle` (the server's own database path), or 0.
pid_t FindProcess(const std::string& needle) {
    for (const auto& e : fs::directory_iterator("/proc")) {
        const std::string name = e.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
        std::ifstream in(e.path() / "cmdline", std::ios::binary);
        std::string cmd((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (cmd.find(needle) != std::string::npos && cmd.find("ordo-server") != std::string::npos)
            return static_cast<pid_t>(std::stoi(name));
    }
    return 0;
}

/// Resident memory of a process in KiB (VmRSS), 0 when it is gone.
long ResidentKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

/// Samples a process's resident memory in the background; the peak and the last value.
class MemorySampler {
public:
    explicit MemorySampler(pid_t pid) : pid_(pid), thread_([this] { Run(); }) {}
    ~MemorySampler() {
        stop_ = true;
        thread_.join();
    }
    long Peak() const { return peak_; }
    long Now() const { return ResidentKiB(pid_); }

private:
    void Run() {
        while (!stop_) {
            peak_ = std::max(peak_.load(), ResidentKiB(pid_));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    pid_t pid_;
    std::atomic<bool> stop_{false};
    std::atomic<long> peak_{0};
    std::thread thread_;
};

struct Client {
    fs::path folder;
    int status = -1;
    long maxRssKiB = 0;
};

/// Runs every client to its end (killing any still running at the deadline); their peak memory
/// comes from the kernel's accounting of each child.
void RunAll(std::vector<Client>& clients, int deadlineMs) {
    std::vector<ChildProcess> children;
    for (const Client& c : clients) {
        ChildProcessOptions io;
        io.stderrPath = (c.folder / "fqreplay.err").string();
        children.emplace_back(std::vector<std::string>{(c.folder / "fqreplay").string()}, io);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(deadlineMs);
    std::size_t running = clients.size();
    while (running > 0) {
        for (std::size_t i = 0; i < clients.size(); ++i) {
            if (!children[i].Running()) continue;
            if (const auto status = children[i].Poll()) {
                clients[i].status = *status;
                clients[i].maxRssKiB = children[i].MaxResidentKiB();
                --running;
            } else if (std::chrono::steady_clock::now() > deadline) {
                children[i].Signal(SIGKILL);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST(Load, ConcurrentReplaysApplyEveryStatementOnceDeleteEveryFileAndKeepServerMemoryFlat) {
    const int processes = EnvInt("ORDO_LOAD_PROCESSES", 20);
    const int files = EnvInt("ORDO_LOAD_FILES", 200);
    const int rounds = std::max(1, EnvInt("ORDO_LOAD_ROUNDS", 2));

    OrdoServerProcess server;
    {
        OrdoTestClient c(server.Port());
        ASSERT_TRUE(c.Exec("CREATE TABLE LOAD_ITEMS (ROUND_NO INTEGER NOT NULL, PROC INTEGER NOT NULL, "
                           "SEQ INTEGER NOT NULL, NAME VARCHAR(40), PRIMARY KEY (ROUND_NO, PROC, SEQ))")
                        .Ok());
    }
    const pid_t serverPid = FindProcess(server.DatabasePath());
    ASSERT_GT(serverPid, 0);
    MemorySampler sampler(serverPid);

    std::vector<Client> clients(static_cast<std::size_t>(processes));
    for (int p = 0; p < processes; ++p) {
        Client& c = clients[static_cast<std::size_t>(p)];
        c.folder = fs::path(server.Folder()) / ("client" + std::to_string(p));
        fs::create_directories(c.folder / "temp" / "FQ");
        fs::copy_file(ReplayFixture::Binary(), c.folder / "fqreplay");
        std::ofstream(c.folder / "Environment.ini") << "[SYSTEM]\r\nSvrIP=127.0.0.1\r\nDBDSPort="
                                                    << ScramblePort(server.Port()) << "\r\n[SYSSETUP]\r\nDMGID=LOAD"
                                                    << p << "\r\n";
    }

    std::vector<long> serverAfterRound;
    for (int round = 1; round <= rounds; ++round) {
        for (int p = 0; p < processes; ++p) {
            for (int s = 1; s <= files; ++s) {
                char name[32];
                std::snprintf(name, sizeof name, "%05d.txt", s);
                std::ofstream(clients[static_cast<std::size_t>(p)].folder / "temp" / "FQ" / name)
                    << "INSERT INTO LOAD_ITEMS (ROUND_NO, PROC, SEQ, NAME) VALUES (" << round << ", " << p << ", " << s
                    << ", 'statement " << s << " of client " << p << "')";
            }
        }
        const auto start = std::chrono::steady_clock::now();
        RunAll(clients, 300000);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        long clientPeak = 0;
        for (const Client& c : clients) {
            EXPECT_EQ(c.status, 0) << c.folder;
            clientPeak = std::max(clientPeak, c.maxRssKiB);
            std::size_t left = 0;
            for ([[maybe_unused]] const auto& e : fs::directory_iterator(c.folder / "temp" / "FQ")) ++left;
            EXPECT_EQ(left, 0u) << c.folder << " kept files";
        }
        OrdoTestClient check(server.Port());
        const DecodedRows counts(check.Select("SELECT COUNT(*), COUNT(DISTINCT PROC * 100000 + SEQ) FROM LOAD_ITEMS "
                                              "WHERE ROUND_NO = " + std::to_string(round)));
        ASSERT_EQ(counts.Count(), 1);
        EXPECT_EQ(counts.Int(0, 0), static_cast<std::int64_t>(processes) * files);
        EXPECT_EQ(counts.Int(0, 1), static_cast<std::int64_t>(processes) * files);

        serverAfterRound.push_back(sampler.Now());
        const int statements = processes * files;
        std::printf("load round %d: %d processes x %d statements in %.2f s = %.0f statements/s; "
                    "client peak RSS %ld KiB; server RSS after round %ld KiB, peak so far %ld KiB\n",
                    round, processes, files, seconds, statements / seconds, clientPeak, serverAfterRound.back(),
                    sampler.Peak());
        std::fflush(stdout);
    }
    // Flat: a later round holds the server at no more than a small margin above the first one.
    if (serverAfterRound.size() >= 2) {
        const long first = serverAfterRound.front();
        const long last = serverAfterRound.back();
        EXPECT_LE(last, first + first / 10 + 8192) << "server memory grew from " << first << " to " << last << " KiB";
    }
}

}  // namespace
}  // namespace ordo::test
