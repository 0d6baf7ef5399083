// ordo-server pushing to real clients: a copy of the probe program replaced by a new build and
// started again, the same push refused where the program is not its user's own, and a file sent
// in segments.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "net/client_socket.h"
#include "platform/process.h"
#include "tests/support/child_process.h"
#include "tests/support/message_pump.h"
#include "tests/support/server_process.h"
#include "update/socket_update.h"
#include "update_probe_marker.h"
#include "update_test_support.h"

namespace ordo {
namespace {

using test::FileText;
using test::OrdoServerProcess;
using test::OrdoServerProcessOptions;
using test::PumpUntil;
using test::TempFolder;

std::string ProbeBinary() { return test::FromEnvironment("UPDATE_PROBE_BINARY", UPDATE_PROBE_BINARY); }

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

constexpr uid_t kNobody = 65534;

/// `argv` run as `uid`: through setpriv when that is not this process's user.
std::vector<std::string> AsUser(uid_t uid, std::vector<std::string> argv) {
    if (uid == ::geteuid()) return argv;
    const std::string id = std::to_string(uid);
    argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups", "--"});
    return argv;
}

/// The user a test client runs as: one of no rights when the tests run as root, who would never be
/// offered an update; the tests' own user otherwise.
uid_t ProbeUser() { return ::geteuid() == 0 ? kNobody : ::geteuid(); }

TEST(UpdateEndToEnd, APushedBuildReplacesTheProgramWhichStartsAgainWithTheSameArguments) {
    TempFolder dir;
    const uid_t user = ProbeUser();
    if (user != ::geteuid()) {
        ASSERT_EQ(::chown(dir.Path().c_str(), user, user), 0);  // the program's own folder
    }
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
    test::ChildProcessOptions io;
    io.stdoutPath = io.stderrPath = dir / "probe.log";
    io.append = true;
    test::ChildProcess probe(AsUser(user, argv), io);
    const pid_t old = probe.Pid();
    ASSERT_EQ(probe.Wait(60000), 0) << FileText(dir / "probe.log");

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

// A program folder like the package's (root's, not writable by others) or a copy run as root: the
// push is refused with a line saying why, the program stays as it was and goes on running.
TEST(UpdateEndToEnd, APushIsRefusedWhereTheProgramIsNotItsUsersOwn) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the probe as other users";
    struct Case {
        uid_t runAs;
        uid_t folderOwner;
        mode_t folderMode;
        const char* why;
    };
    for (const Case& c : {Case{0, 0, 0755, "the program runs as root"},
                          Case{kNobody, 0, 0755, "belongs to root, not to the user running the program"},
                          Case{kNobody, kNobody, 0555, "is not writable by the user running the program"}}) {
        TempFolder dir;
        ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
        const std::string home = dir / "lib";
        const std::string records = dir / "rec";
        ForceDirectories(home);
        ForceDirectories(records);
        ASSERT_EQ(::chmod(records.c_str(), 0777), 0);
        const Bytes original = ReadFileBytes(ProbeBinary());
        const std::string exe = home + "/update_probe";
        WriteFileBytes(exe, original);
        MakeExecutable(exe);
        WriteFileBytes(dir / "new-build", AsBytes(std::string("#!/bin/sh\necho replaced\n")));
        ASSERT_EQ(::chown(home.c_str(), c.folderOwner, c.folderOwner), 0);
        ASSERT_EQ(::chmod(home.c_str(), c.folderMode), 0);

        OrdoServerProcess server(OrdoServerProcessOptions::WithArgs({"--push-update", dir / "new-build"}));
        test::ChildProcessOptions io;
        io.stdoutPath = io.stderrPath = dir / "probe.log";
        test::ChildProcess probe(
            AsUser(c.runAs, {exe, "--record", records + "/record.txt", "--port", std::to_string(server.Port())}), io);
        for (int i = 0; i < 300 && FileText(dir / "probe.log").find("refused") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_TRUE(probe.Poll() == std::nullopt) << "the program goes on: " << FileText(dir / "probe.log");
        probe.Kill();
        const std::string said = FileText(dir / "probe.log");
        EXPECT_NE(said.find("update_probe: a new build of the program from the server is refused: "), std::string::npos)
            << said;
        EXPECT_NE(said.find(c.why), std::string::npos) << said;
        EXPECT_EQ(ReadFileBytes(exe), original);
        EXPECT_FALSE(FileExists(home + "/TempFile"));
        EXPECT_FALSE(FileExists(home + "/ReStart.sh"));
        EXPECT_EQ(Starts(records + "/record.txt").size(), 1u) << "started once, never again as a new build";
        ::chmod(home.c_str(), 0755);  // so that the folder can go
    }
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
    TOrdoSocketUpdate& update = AttachClientUpdate(socket);
    update.ClientUpdate().SetProgram({dir / "client/fqreplay", {}});
    // In-process, the test's own user is the client's; run as root it would refuse (the test above).
    update.SetPushGuard([](const std::string&) { return std::nullopt; });
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
