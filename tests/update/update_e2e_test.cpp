// ordo-server pushing to real clients: a copy of the probe program replaced by a new build and
// started again, and a file sent in segments.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "net/client_socket.h"
#include "platform/process.h"
#include "tests/server/server_fixture.h"
#include "update/socket_update.h"
#include "update_probe_marker.h"
#include "update_test_support.h"

extern char** environ;

namespace ordo {
namespace {

using test::FileText;
using test::OrdoServerProcess;
using test::OrdoServerProcessOptions;
using test::PumpUntil;
using test::TempFolder;

std::string ProbeBinary() {
    if (const char* env = std::getenv("UPDATE_PROBE_BINARY")) return env;
    return UPDATE_PROBE_BINARY;
}

std::string Unhex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

/// One "start" line of the probe's record: its fields, the arguments decoded.
struct ProbeStart {
    std::map<std::string, std::string> fields;
    std::vector<std::string> args;
};

std::vector<ProbeStart> Starts(const std::string& record, std::vector<std::string>* all = nullptr) {
    std::ifstream in(record);
    std::vector<ProbeStart> starts;
    std::string line;
    while (std::getline(in, line)) {
        if (all) all->push_back(line);
        if (line.rfind("start ", 0) != 0) continue;
        ProbeStart s;
        std::istringstream words(line.substr(6));
        std::string word;
        while (words >> word) {
            auto eq = word.find('=');
            s.fields[word.substr(0, eq)] = word.substr(eq + 1);
        }
        std::string args = s.fields["args"];
        std::size_t from = 0;
        while (from <= args.size() && !args.empty()) {
            std::size_t comma = args.find(',', from);
            if (comma == std::string::npos) comma = args.size();
            s.args.push_back(Unhex(args.substr(from, comma - from)));
            from = comma + 1;
        }
        starts.push_back(std::move(s));
    }
    return starts;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& logPath) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_addopen(&fa, 2, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    pid_t pid = -1;
    int rc = posix_spawn(&pid, args[0], &fa, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    return rc == 0 ? pid : -1;
}

/// The exit status, or -1 when the process is still running after the time.
int WaitExit(pid_t pid, int timeoutMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

TEST(UpdateEndToEnd, APushedBuildReplacesTheProgramWhichStartsAgainWithTheSameArguments) {
    TempFolder dir;
    const Bytes original = ReadFileBytes(ProbeBinary());
    Bytes newBuild = original;
    const std::string marker = test::kNewBuildMarker;
    newBuild.insert(newBuild.end(), marker.begin(), marker.end());
    const std::string exe = dir / "update_probe";
    WriteFileBytes(exe, original);
    MakeExecutable(exe);
    WriteFileBytes(dir / "new-build", newBuild);

    OrdoServerProcess server(OrdoServerProcessOptions::WithArgs({"--push-update", dir / "new-build"}));
    const std::string record = dir / "record.txt";
    const std::vector<std::string> args{"--record", record, "--port", std::to_string(server.Port()),
                                        "--linger-ms", "700", "two  words", "it's \"quoted\"", "", "$(id)"};
    std::vector<std::string> argv{exe};
    argv.insert(argv.end(), args.begin(), args.end());
    pid_t old = Spawn(argv, dir / "probe.log");
    ASSERT_GT(old, 0);
    ASSERT_EQ(WaitExit(old, 60000), 0) << FileText(dir / "probe.log");

    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Starts(record).size() < 2 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::vector<std::string> lines;
    std::vector<ProbeStart> starts = Starts(record, &lines);
    ASSERT_EQ(starts.size(), 2u) << "record:\n" << FileText(record) << "server log:\n" << server.LogText();

    EXPECT_EQ(starts[0].fields["new"], "0");
    EXPECT_EQ(starts[1].fields["new"], "1");
    EXPECT_EQ(starts[0].args, args);
    EXPECT_EQ(starts[1].args, args);
    EXPECT_EQ(starts[0].fields["pid"], std::to_string(old));
    EXPECT_NE(starts[1].fields["pid"], starts[0].fields["pid"]);
    // The old program had ended (it lingered 700 ms after its end was asked) before the new one began.
    EXPECT_EQ(starts[1].fields["previous-ended"], "yes");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "end pid=" + std::to_string(old) + " quit");

    EXPECT_EQ(ReadFileBytes(exe), newBuild);
    EXPECT_EQ(ReadFileBytes(exe + ".OLD"), original);
    EXPECT_FALSE(FileExists(dir / "TempFile"));
    EXPECT_FALSE(FileExists(dir / "ReStart.sh"));
    EXPECT_NE(server.LogText().find("pushing a program update of " + std::to_string(newBuild.size()) + " bytes"),
              std::string::npos);
}

TEST(UpdateEndToEnd, AFilePushedInSegmentsArrivesWhole) {
    TempFolder dir;
    Bytes content(200'000);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<std::uint8_t>((i * 31) ^ (i >> 9));
    WriteFileBytes(dir / "source.bin", content);
    OrdoServerProcess server(OrdoServerProcessOptions::WithArgs({"--push-file", dir / "source.bin", "recv\\data.bin"}));

    test::RecordingUi ui;
    TOrdoClientSocket socket;
    socket.SetUi(&ui);
    socket.SetConnectAction(caNone);
    socket.SetAddress("127.0.0.1");
    socket.SetPort(server.Port());
    AttachClientUpdate(socket).ClientUpdate().SetProgram({dir / "client/fqreplay", {}});
    std::vector<std::pair<std::int64_t, std::int64_t>> calls;
    socket.OnFileSegmentArrive = [&](TOrdoClientSocket&, const std::string& name, std::int64_t seg, std::int64_t got,
                                     std::int64_t size) {
        EXPECT_EQ(name, "recv\\data.bin");
        EXPECT_EQ(size, seg < 0 ? -1 : 200'000);
        calls.emplace_back(seg, got);
    };
    socket.Open();
    ASSERT_TRUE(PumpUntil([&] { return !calls.empty() && calls.back().first == -1; }, 20000)) << server.LogText();
    EXPECT_EQ(calls, (std::vector<std::pair<std::int64_t, std::int64_t>>{
                         {65536, 65536}, {65536, 131072}, {65536, 196608}, {3392, 200000}, {-1, -1}}));
    EXPECT_EQ(ReadFileBytes(dir / "client/recv/data.bin"), content);
    socket.Close();
    test::DrainQuit();
}

}  // namespace
}  // namespace ordo
