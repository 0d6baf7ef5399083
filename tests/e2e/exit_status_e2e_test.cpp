// What a scheduler learns from fqreplay: each exit status from a real run, the line on stderr that goes with it,
// and the runs that must touch neither the network nor the queue.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "ordo_version.h"
#include "tests/support/replay_fixture.h"
#include "tests/support/scramble_port.h"

namespace ordo::test {
namespace {

constexpr int kEndsWithinMs = 30000;

/// A port that listens but never answers, to find out whether anybody connected to it.
class Listener {
public:
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            throw std::runtime_error("cannot listen");
        port_ = ntohs(a.sin_port);
    }
    ~Listener() { Close(); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    [[nodiscard]] int Port() const noexcept { return port_; }
    /// True when a connection has come in (the kernel completes it without an accept).
    [[nodiscard]] bool Connected() const {
        const int c = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) return false;
        ::close(c);
        return true;
    }
    /// Stops listening: the port now refuses connections.
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

/// A fixture whose Environment.ini points at a listener instead of the server, with one file queued.
struct Untouched {
    ReplayFixture f;
    Listener listener;
    Untouched() {
        f.WriteIni(listener.Port());
        f.Put("a.txt", "INSERT INTO ITEMS (ID) VALUES (1)");
    }
    void ExpectNothingTouched() {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(listener.Connected());
        EXPECT_EQ(f.Remaining(), std::vector<std::string>{"a.txt"});
    }
};

TEST(ExitStatus, ZeroWhenTheWalkRanAndEmptiedTheQueue) {
    ReplayFixture f;
    f.Exec("CREATE TABLE ITEMS (ID INTEGER NOT NULL PRIMARY KEY)");
    f.Put("a.txt", "INSERT INTO ITEMS (ID) VALUES (1)");
    f.Put("b.txt", "SELECT * FROM ITEMS");
    EXPECT_EQ(f.Run(kEndsWithinMs), 0) << f.Stderr();
    EXPECT_TRUE(f.Remaining().empty());
    EXPECT_EQ(f.Stderr(), "");
}

TEST(ExitStatus, OneWhenAServerErrorEndsTheWalkAndTheLineNamesTheFileAndTheServersText) {
    ReplayFixture f;
    f.Put("a.txt", "CREATE TABLE ITEMS (ID INTEGER NOT NULL PRIMARY KEY)");
    f.Put("b.txt", "INSERT INTO NO_SUCH_TABLE VALUES (1)");
    f.Put("c.txt", "INSERT INTO ITEMS (ID) VALUES (3)");
    EXPECT_EQ(f.Run(kEndsWithinMs), 1);
    const std::string err = f.Stderr();
    const std::string file = (f.Queue() / "b.txt").string();
    const auto at = err.find("fqreplay: " + file + ": ");
    ASSERT_NE(at, std::string::npos) << err;
    EXPECT_NE(err.find("NO_SUCH_TABLE", at), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "the server's lines become one\n" << err;
    EXPECT_EQ(f.Remaining(), (std::vector<std::string>{"b.txt", "c.txt"}));
}

TEST(ExitStatus, HelpAndVersionPrintOnStdoutAndTouchNothing) {
    Untouched u;
    EXPECT_EQ(u.f.Start({"--help"}).Wait(kEndsWithinMs), 0);
    const std::string usage = u.f.Stdout();
    EXPECT_EQ(usage.rfind("Usage: fqreplay", 0), 0u) << usage;
    for (const char* part : {"--connect-timeout SECONDS", "--version", "\n  75  ", "\n  2   ", "\n  1   "})
        EXPECT_NE(usage.find(part), std::string::npos) << part;
    u.ExpectNothingTouched();

    EXPECT_EQ(u.f.Start({"--version"}).Wait(kEndsWithinMs), 0);
    EXPECT_EQ(u.f.Stdout(), std::string("fqreplay ") + kOrdoVersion + "\n");
    u.ExpectNothingTouched();
}

TEST(ExitStatus, TwoForABadCommandLineWhichTouchesNothing) {
    Untouched u;
    const std::vector<std::vector<std::string>> bad{{"--bogus"},
                                                    {"queue"},
                                                    {"--connect-timeout"},
                                                    {"--connect-timeout", "0"},
                                                    {"--connect-timeout", "soon"},
                                                    {"--connect-timeout", "-5"},
                                                    {"--connect-timeout", "86401"},
                                                    {"--help", "--bogus"}};
    for (const auto& args : bad) {
        SCOPED_TRACE(args.back());
        EXPECT_EQ(u.f.Start(args).Wait(kEndsWithinMs), 2);
        EXPECT_NE(u.f.Stderr().find("fqreplay --help"), std::string::npos) << u.f.Stderr();
        EXPECT_EQ(u.f.Stdout(), "");
        u.ExpectNothingTouched();
    }
}

TEST(ExitStatus, TwoAtOnceForABrokenEnvironmentIniNamingTheFileAndTheKey) {
    Untouched u;
    const fs::path ini = u.f.AppFolder() / "Environment.ini";
    const std::string port = ScramblePort(u.listener.Port());
    struct Case {
        const char* what;
        std::string text;  // empty: no file at all
        std::vector<std::string> named;
    };
    const std::vector<Case> cases{
        {"no file", "", {"Environment.ini", "not found"}},
        {"port not hexadecimal", "[SYSTEM]\r\nSvrIP=127.0.0.1\r\nDBDSPort=ZZ\r\n", {"DBDSPort", "\"ZZ\""}},
        {"port decodes to letters", "[SYSTEM]\r\nSvrIP=127.0.0.1\r\nDBDSPort=" + ScramblePortText("ab") + "\r\n",
         {"DBDSPort"}},
        {"port out of range", "[SYSTEM]\r\nSvrIP=127.0.0.1\r\nDBDSPort=" + ScramblePortText("70000") + "\r\n",
         {"DBDSPort"}},
        {"inline comment kept in the value",
         "[SYSTEM]\r\nSvrIP=127.0.0.1\r\nDBDSPort=" + port + "   ; the port\r\n", {"DBDSPort"}},
        {"no address", "[SYSTEM]\r\nSvrIP=\r\nSvrNM=Null\r\nDBDSPort=" + port + "\r\n", {"SvrIP", "SvrNM"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(ini);
        if (!c.text.empty()) std::ofstream(ini, std::ios::binary) << c.text;
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(u.f.Run(kEndsWithinMs), 2);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3)) << "it waited";
        const std::string err = u.f.Stderr();
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
        EXPECT_NE(err.find(ini.string()), std::string::npos) << err;
        for (const std::string& word : c.named) EXPECT_NE(err.find(word), std::string::npos) << err;
        u.ExpectNothingTouched();
    }
}

TEST(ExitStatus, TwoWithoutAQueueFolder) {
    Untouched u;
    fs::remove_all(u.f.Queue());
    EXPECT_EQ(u.f.Run(kEndsWithinMs), 2);
    EXPECT_NE(u.f.Stderr().find(u.f.Queue().string()), std::string::npos) << u.f.Stderr();
    EXPECT_FALSE(u.listener.Connected());
}

TEST(ExitStatus, SeventyFiveWhenNoConnectionComesUpWithinTheTimeout) {
    ReplayFixture f;
    Listener refused;
    const int port = refused.Port();
    refused.Close();
    f.WriteIni(port);
    f.Put("a.txt", "INSERT INTO ITEMS (ID) VALUES (1)");
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(f.Run(kEndsWithinMs, {"--connect-timeout", "2"}), 75);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(1900));
    EXPECT_LT(took, std::chrono::seconds(2 + 5));  // the limit plus one retry period at most
    EXPECT_TRUE(f.Has("a.txt"));
    const std::string err = f.Stderr();
    const std::string where = "127.0.0.1:" + std::to_string(port);
    EXPECT_NE(err.find("fqreplay: cannot connect to " + where + ": Connection refused"), std::string::npos) << err;
    EXPECT_NE(err.find("fqreplay: no connection to " + where + " within 2 s"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << "one line for the attempt, one for giving up\n"
                                                            << err;
}

// A rebuild the server refuses will be refused again: 1, with its file named; the walk still goes on.
TEST(ExitStatus, OneWhenARebuildsQueryIsRefusedAndTheWalkGoesOn) {
    ReplayFixture f;
    f.Exec("DROP TABLE SAL_JAINFO");
    f.Exec("CREATE TABLE ITEMS (ID INTEGER NOT NULL PRIMARY KEY)");
    f.Put("1.txt", "SetGRNY,B001,Buyer,2023-01-01");
    f.Put("2.txt", "INSERT INTO ITEMS (ID) VALUES (2)");
    EXPECT_EQ(f.Run(kEndsWithinMs), 1) << f.Stderr();
    EXPECT_EQ(f.Remaining(), std::vector<std::string>{"1.txt"});
    EXPECT_EQ(f.Select("SELECT ID FROM ITEMS").Count(), 1);
    EXPECT_NE(f.Stderr().find((f.Queue() / "1.txt").string() + ": stays: the ledger query failed"), std::string::npos)
        << f.Stderr();
}

// The first signal lets the statement in flight have its reply, so that work the server commits is never left
// queued to run twice; a second one stops at once.
TEST(ExitStatus, ASignalLetsTheStatementInFlightEndAndASecondStopsAtOnce) {
    for (int signals : {1, 2}) {
        SCOPED_TRACE(signals);
        ReplayFixture f;
        f.Exec("CREATE TABLE ITEMS (ID INTEGER NOT NULL PRIMARY KEY)");
        // Keeps the server busy while the signals arrive.
        f.Put("1.txt",
              "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 40000000) DO I = I + 1; "
              "INSERT INTO ITEMS (ID) VALUES (1); END");
        f.Put("2.txt", "INSERT INTO ITEMS (ID) VALUES (2)");
        ReplayProcess p = f.Start();
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        p.Signal(SIGTERM);
        if (signals == 2) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            p.Signal(SIGHUP);
            EXPECT_EQ(p.Wait(3000), 75) << "the second signal must end the run at once\n" << f.Stderr();
            EXPECT_TRUE(f.Has("1.txt")) << "its reply never came";
        } else {
            EXPECT_EQ(p.Wait(35000), 75) << f.Stderr();
            EXPECT_FALSE(f.Has("1.txt")) << "the statement in flight was confirmed, so its file went";
            EXPECT_EQ(f.Select("SELECT ID FROM ITEMS WHERE ID = 1").Count(), 1);
        }
        EXPECT_TRUE(f.Has("2.txt")) << "the walk stopped before the next file";
        EXPECT_NE(f.Stderr().find("stopped by SIGTERM"), std::string::npos) << f.Stderr();
    }
}

}  // namespace
}  // namespace ordo::test
