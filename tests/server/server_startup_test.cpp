// Starting ordo-server: init scripts, a failing script, bad command lines, where it listens and what
// it tells the service manager and the log.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "core/text_convert.h"
#include "server/fb/fb_client.h"
#include "tests/support/ordo_test_client.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_folder.h"

namespace ordo::test {
namespace {

class ServerStartup : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& text) {
        folder_.Write(name, text);
        return folder_ / name;
    }
    /// Exit status of the server run with these options, without waiting for a port line.
    int RunToExit(const std::string& args) {
        int status = std::system((OrdoServerProcess::Binary() + " " + args + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    /// Waits until the server's log holds `text` (it logs from its own threads).
    static void WaitForLog(const OrdoServerProcess& server, const std::string& text) {
        for (int i = 0; i < 500 && server.LogText().find(text) == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_NE(server.LogText().find(text), std::string::npos) << server.LogText();
    }
    const TempFolder folder_{"ordo-startup"};
    const std::string dir_ = std::filesystem::path(folder_.Path()).parent_path().string();  // without the last '/'
};

struct UniqueFdForTest {
    explicit UniqueFdForTest(int f) : fd(f) {}
    ~UniqueFdForTest() {
        if (fd >= 0) ::close(fd);
    }
    UniqueFdForTest(const UniqueFdForTest&) = delete;
    UniqueFdForTest& operator=(const UniqueFdForTest&) = delete;
    int fd;
};

TEST_F(ServerStartup, InitScriptWithSetTermDefinesProcedures) {
    OrdoServerProcessOptions o;
    o.initScript = Write("init.sql",
                         "SET SQL DIALECT 3;\n"
                         "CREATE TABLE T (A INTEGER);\n"
                         "INSERT INTO T VALUES (20);\n"  // right after the table: definitions commit as they run
                         "SET TERM ^ ;\n"
                         "CREATE PROCEDURE ADD_ONE (X INTEGER) RETURNS (Y INTEGER) AS\n"
                         "BEGIN\n"
                         "  Y = X + 1;\n"
                         "  SUSPEND;\n"
                         "END^\n"
                         "SET TERM ; ^\n"
                         "COMMIT;\n");
    OrdoServerProcess server(o);
    OrdoTestClient c(server.Port());
    OrdoReply r = c.Select("SELECT Y FROM T CROSS JOIN ADD_ONE(T.A)");
    ASSERT_TRUE(r.Ok()) << r.error;
    DecodedRows rows(r);
    ASSERT_EQ(rows.Count(), 1);
    EXPECT_EQ(rows.Int(0, 0), 21);
}

TEST_F(ServerStartup, FailingInitScriptLeavesNoDatabaseBehind) {
    std::string script = Write("bad.sql", "CREATE TABLE T (A INTEGER);\nCREATE TABLE T (A INTEGER);\n");
    std::string db = dir_ + "/x.fdb";
    EXPECT_EQ(RunToExit("--database " + db + " --create --init " + script + " --port 0"), 1);
    EXPECT_FALSE(std::filesystem::exists(db));
}

TEST_F(ServerStartup, BadCommandLinesEndAtOnceWithTwoAndFailuresAtStartWithOne) {
    std::string db = dir_ + "/y.fdb";
    EXPECT_EQ(RunToExit("--database " + db + " --create --port 0 --encryption des"), 2);    // no key
    EXPECT_EQ(RunToExit("--database " + db + " --init " + Write("i.sql", "") + " --port 0"), 2);  // no --create
    EXPECT_EQ(RunToExit("--database " + db + " --create --port 70000"), 2);
    EXPECT_EQ(RunToExit("--port 0"), 2);  // no database
    EXPECT_EQ(RunToExit("--database " + dir_ + "/missing.fdb --port 0"), 1);  // not there, not created
    EXPECT_FALSE(std::filesystem::exists(db));
}

TEST_F(ServerStartup, ListensOnIPv6AndTakesIPv4ClientsThereToo) {
    UniqueFdForTest probe(::socket(AF_INET6, SOCK_STREAM, 0));
    if (probe.fd < 0) GTEST_SKIP() << "no IPv6 on this machine";
    OrdoServerProcess server(OrdoServerProcessOptions::WithArgs({"--bind", "::"}));

    OrdoTestClient v4(server.Port());
    OrdoReply r = v4.Select("SELECT COUNT(*) FROM SAL_JAINFO");
    ASSERT_TRUE(r.Ok()) << r.error;

    sockaddr_in6 sa{};
    sa.sin6_family = AF_INET6;
    sa.sin6_port = htons(static_cast<std::uint16_t>(server.Port()));
    sa.sin6_addr = in6addr_loopback;
    ASSERT_EQ(::connect(probe.fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0) << std::strerror(errno);
    WaitForLog(server, "[::1]:");
    const std::string log = server.LogText();
    EXPECT_NE(log.find("127.0.0.1:"), std::string::npos) << "an IPv4 client shows as such:\n" << log;
    EXPECT_EQ(log.find("refused, not in"), std::string::npos) << "both are this machine's:\n" << log;
}

TEST_F(ServerStartup, ClientsFromNetworksNotAllowedAreClosedUnreadAndLogged) {
    struct Case {
        std::vector<std::string> args;
        bool served;  // a client on 127.0.0.1
        const char* logged;
    };
    for (const Case& c : std::vector<Case>{
             {{}, true, "INFO  Serving this machine only"},
             {{"--bind", "0.0.0.0"}, true, "WARN  Listening on 0.0.0.0 but serving this machine only"},
             {{"--allow", "10.0.0.0/8"}, false, "refused, not in the allowed networks (10.0.0.0/8)"},
             {{"--allow", "!127.0.0.1,127.0.0.0/8"}, false, "127.0.0.1:"},
             {{"--bind", "0.0.0.0", "--allow", "10.0.0.0/8,127.0.0.1"}, true,
              "INFO  Serving clients from 10.0.0.0/8,127.0.0.1"},
             {{"--bind", "0.0.0.0", "--allow", "0.0.0.0/0"}, true, "WARN  Listening on 0.0.0.0 for every address"},
         }) {
        OrdoServerProcess server(OrdoServerProcessOptions::WithArgs(c.args));
        OrdoTestClient client(server.Port(), {}, 5000);
        if (c.served) {
            EXPECT_EQ(client.Version(), "1.0") << c.args.back();
        } else {
            TOrdoStringLine l(mcUtilityInfo, 0);
            l.AddInteger(6);
            client.Send(std::move(l));
            EXPECT_TRUE(client.ClosedByServer(5000)) << c.args.back();
            WaitForLog(server, "refused, not in the allowed networks");
            EXPECT_EQ(server.LogText().find("connected"), std::string::npos) << "never served:\n" << server.LogText();
        }
        EXPECT_NE(server.LogText().find(c.logged), std::string::npos) << server.LogText();
    }
    OrdoServerProcess guarded(OrdoServerProcessOptions::WithArgs(
        {"--bind", "0.0.0.0", "--allow", "0.0.0.0/0", "--users", Write("users", "clerk:pw\n")}));
    EXPECT_EQ(guarded.LogText().find("without --users"), std::string::npos) << guarded.LogText();
}

TEST_F(ServerStartup, TheEngineLockFolderIsTheServersOwnNeverOneAnotherUserMade) {
    if (!OrdoServerProcess::FirebirdServer().empty()) GTEST_SKIP() << "the embedded engine is not used";
    {
        OrdoServerProcess server;
        struct stat st {};
        const std::string own = std::filesystem::path(server.DatabasePath()).parent_path().string() +
                                "/firebird-lock-" + std::to_string(::geteuid());
        ASSERT_EQ(::lstat(own.c_str(), &st), 0) << own;
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }
    const std::string state = dir_ + "/state";
    std::filesystem::create_directories(state);
    ::setenv("STATE_DIRECTORY", state.c_str(), 1);
    {
        OrdoServerProcess underSystemd;
        EXPECT_TRUE(std::filesystem::is_directory(state + "/firebird-lock"));
    }
    ::unsetenv("STATE_DIRECTORY");

    // A folder made beforehand by someone else, or open to others, is refused, not used.
    const std::string db = dir_ + "/made/x.fdb";
    const std::string lock = dir_ + "/made/firebird-lock-" + std::to_string(::geteuid());
    std::filesystem::create_directories(lock);
    ::chmod(lock.c_str(), 0777);
    EXPECT_EQ(RunToExit("--database " + db + " --create --port 0"), 1);
    EXPECT_FALSE(std::filesystem::exists(db));
    if (::geteuid() == 0) {
        ::chmod(lock.c_str(), 0700);
        ASSERT_EQ(::chown(lock.c_str(), 65534, 65534), 0);
        EXPECT_EQ(RunToExit("--database " + db + " --create --port 0"), 1);
        EXPECT_FALSE(std::filesystem::exists(db));
    }
}

TEST_F(ServerStartup, ADatabaseFileAnotherProgramHoldsIsReportedBusy) {
    if (!OrdoServerProcess::FirebirdServer().empty()) GTEST_SKIP() << "a Firebird server shares its files";
    OrdoServerProcess server;
    {
        // Another program, as an administrator's isql would, opens the file while no client is served.
        server::FbConnectSpec spec;
        spec.database = server.DatabasePath();
        server::FbAttachment held = server::FbAttachment::Attach(spec);
        OrdoTestClient c(server.Port());
        OrdoReply r = c.Select("SELECT COUNT(*) FROM SAL_JAINFO");
        ASSERT_FALSE(r.Ok());
        EXPECT_NE(LowerCase(r.error).find("database is busy"), std::string::npos) << r.error;
    }
    OrdoTestClient after(server.Port());
    EXPECT_TRUE(after.Select("SELECT COUNT(*) FROM SAL_JAINFO").Ok()) << "served again once it let go";
}

TEST_F(ServerStartup, TellsTheServiceManagerOnceItListens) {
    const std::string path = dir_ + "/notify";
    UniqueFdForTest manager(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_un sa{};
    sa.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof sa.sun_path);
    std::memcpy(sa.sun_path, path.c_str(), path.size());
    ASSERT_EQ(::bind(manager.fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa), 0) << std::strerror(errno);
    ::setenv("NOTIFY_SOCKET", path.c_str(), 1);
    OrdoServerProcess server;
    ::unsetenv("NOTIFY_SOCKET");

    pollfd p{manager.fd, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 10000), 1) << "no word to the service manager";
    char buf[512] = {};
    const ssize_t n = ::recv(manager.fd, buf, sizeof buf - 1, 0);
    ASSERT_GT(n, 0);
    const std::string state(buf, static_cast<std::size_t>(n));
    EXPECT_EQ(state, "READY=1\nSTATUS=listening on 127.0.0.1:" + std::to_string(server.Port()));
}

TEST_F(ServerStartup, LogLinesCarryTheirPriorityOnlyWhenStandardErrorIsTheJournal) {
    const std::string folder = dir_ + "/journal";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/server.log").flush();  // the fixture appends its stderr to this very file
    struct stat st {};
    ASSERT_EQ(::stat((folder + "/server.log").c_str(), &st), 0);
    const std::string stream = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
    {
        ::setenv("JOURNAL_STREAM", stream.c_str(), 1);
        OrdoServerProcess server(OrdoServerProcessOptions::InFolder(folder));
        ::unsetenv("JOURNAL_STREAM");
        OrdoTestClient c(server.Port());
        ASSERT_FALSE(c.Exec("UPDATE NO_SUCH_TABLE SET A = 1").Ok());
        const std::string log = server.LogText();
        EXPECT_EQ(log.rfind("<6>", 0), 0u) << log;
        EXPECT_NE(log.find("\n<4>"), std::string::npos) << "the SQL error as a warning:\n" << log;
        EXPECT_NE(log.find("\n<7>"), std::string::npos) << log;
    }
    ::setenv("JOURNAL_STREAM", "1:2", 1);  // the journal is somewhere else: stderr was redirected
    OrdoServerProcess elsewhere;
    ::unsetenv("JOURNAL_STREAM");
    EXPECT_EQ(elsewhere.LogText().find('<'), std::string::npos) << elsewhere.LogText();
}

TEST_F(ServerStartup, SqlErrorsAreLoggedAsWarningsWithTheClientAndTheStatementsFirstLine) {
    OrdoServerProcess server;
    OrdoTestClient c(server.Port());
    OrdoReply r = c.Exec("\r\nUPDATE NO_SUCH_TABLE SET A = 1\r\nWHERE B = 2");
    ASSERT_FALSE(r.Ok());
    const std::string log = server.LogText();
    const auto at = log.find("WARN  127.0.0.1:");
    ASSERT_NE(at, std::string::npos) << log;
    const std::string line = log.substr(at, log.find('\n', at) - at);
    EXPECT_NE(line.find(": SQL error in \"UPDATE NO_SUCH_TABLE SET A = 1\": "), std::string::npos) << line;
    EXPECT_NE(line.find("NO_SUCH_TABLE"), line.rfind("NO_SUCH_TABLE")) << "the database's message follows: " << line;
}

}  // namespace
}  // namespace ordo::test
