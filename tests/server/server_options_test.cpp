// ordo-server's command line and configuration file: exit statuses, the database login's sources,
// listening addresses and the database names that reach a Firebird server.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "server/config/client_networks.h"
#include "server/config/server_options.h"
#include "server/fb/fb_client.h"
#include "server/net/posix_socket.h"
#include "server/net/refusal_log.h"

namespace ordo::server {
namespace {

namespace fs = std::filesystem;

/// Parses a command line with stdout and stderr captured; `code` is -1 when parsing gave options.
struct Parsed {
    std::optional<ServerOptions> options;
    int code = -1;
    std::string out;
    std::string err;
};

Parsed Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "ordo-server");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    std::ostringstream out, err;
    auto* oldOut = std::cout.rdbuf(out.rdbuf());
    auto* oldErr = std::cerr.rdbuf(err.rdbuf());
    Parsed p;
    p.options = ParseServerOptions(static_cast<int>(argv.size()), argv.data(), p.code);
    std::cout.rdbuf(oldOut);
    std::cerr.rdbuf(oldErr);
    if (p.options) p.code = -1;
    p.out = out.str();
    p.err = err.str();
    return p;
}

/// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) ::setenv(name, value, 1);
        else ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
private:
    const char* name_;
    std::optional<std::string> old_;
};

class ServerOptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ordo-options-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    fs::path dir_;
    ScopedEnv user_{"ISC_USER", nullptr};
    ScopedEnv password_{"ISC_PASSWORD", nullptr};
};

TEST_F(ServerOptionsTest, HelpAndVersionEndWithZeroOnStandardOutput) {
    const Parsed version = Parse({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, std::string("ordo-server ") + "1.0.0\n");

    const Parsed help = Parse({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("{none,zlib}"), std::string::npos) << help.out;
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    for (char c : help.out) {  // the choices once came out as their enum values, control bytes
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte == '\n' || (byte >= 0x20 && byte < 0x7F)) << "byte " << int(byte) << " in the help";
    }
}

TEST_F(ServerOptionsTest, UsageErrorsEndWithTwoAndSayWhy) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--port", "0"},                                     // no database
             {"--database", "x.fdb", "--bogus"},                  // unknown option
             {"--database", "x.fdb", "--port", "70000"},          // out of range
             {"--database", "x.fdb", "--encryption", "des"},      // no key
             {"--database", "x.fdb", "--bind", "localhost"},      // names are not listened on
             {"--database", "x.fdb", "--compression", "gzip"},
             {"--database", "x.fdb", "--allow", "10.0.0.0/33"},
             {"--database", "x.fdb", "--des-key-file", (dir_ / "missing.key").string()},
             {"--database", "x.fdb", "--journal-days", "0"},      // a journal that keeps nothing guards nothing
             {"--database", "x.fdb", "--config", (dir_ / "missing.conf").string()}}) {
        const Parsed p = Parse(args);
        EXPECT_EQ(p.code, kExitUsage) << args.back();
        EXPECT_FALSE(p.err.empty()) << args.back();
    }
}

TEST_F(ServerOptionsTest, ChoicesIgnoreLetterCase) {
    const Parsed p = Parse({"--database", "x.fdb", "--compression", "ZLIB", "--encryption", "Des", "--des-key",
                            "12345678", "--log-level", "WARN"});
    ASSERT_TRUE(p.options) << p.err;
    EXPECT_EQ(p.options->compression, acOrdoZLib);
    EXPECT_EQ(p.options->encryption, etDESEncrypt);
    EXPECT_EQ(p.options->logLevel, LogLevel::Warn);
}

TEST_F(ServerOptionsTest, ConfigurationFileGivesOptionsAndTheCommandLineWins) {
    const std::string local = Write("prices.csv", "1,2\n");
    const std::string conf = Write("server.conf",
                                   "# the service's settings\n"
                                   "database = \"db1/3050:/data/ledger.fdb\"\n"
                                   "create = true\n"
                                   "bind = \"::\"\n"
                                   "port = 55300\n"
                                   "compression = \"zlib\"\n"
                                   "log-level = \"debug\"\n"
                                   "journal-days = 90\n"
                                   "push-file = [\"" + local + "\", \"data\\prices.csv\"]\n");  // taken as written
    const Parsed p = Parse({"--config", conf, "--port", "55301"});
    ASSERT_TRUE(p.options) << p.err;
    EXPECT_EQ(p.options->database.database, "db1/3050:/data/ledger.fdb");
    EXPECT_TRUE(p.options->create);
    EXPECT_EQ(p.options->bind, "::");
    EXPECT_EQ(p.options->port, 55301);
    EXPECT_EQ(p.options->compression, acOrdoZLib);
    EXPECT_EQ(p.options->logLevel, LogLevel::Debug);
    EXPECT_EQ(p.options->journalDays, 90);
    ASSERT_EQ(p.options->pushFiles.size(), 1u);
    EXPECT_EQ(p.options->pushFiles[0].second, "data\\prices.csv");

    // A setting written twice takes its last value, as other servers' files do; push-file keeps
    // every value, in order. The command line still wins over either.
    const std::string second = Write("second.csv", "3\n");
    const Parsed twice = Parse({"--config", Write("twice.conf",
                                                  "database = \"first.fdb\"\nport = 1\nallow = \"10.0.0.0/8\"\n"
                                                  "push-file = [\"" + local + "\", \"a\"]\n"
                                                  "database = \"last.fdb\"\nport = 2\nallow = \"192.168.0.0/16\"\n"
                                                  "push-file = [\"" + second + "\", \"b\"]\n"),
                                "--port", "3"});
    ASSERT_TRUE(twice.options) << twice.err;
    EXPECT_EQ(twice.options->database.database, "last.fdb");
    EXPECT_EQ(twice.options->allow, "192.168.0.0/16");
    EXPECT_EQ(twice.options->port, 3);
    ASSERT_EQ(twice.options->pushFiles.size(), 2u);
    EXPECT_EQ(twice.options->pushFiles[0].second, "a");
    EXPECT_EQ(twice.options->pushFiles[1].second, "b");

    const Parsed typo = Parse({"--config", Write("typo.conf", "database = \"x.fdb\"\nprot = 1\n")});
    EXPECT_EQ(typo.code, kExitUsage);  // a misspelt setting must not be dropped without a word
    EXPECT_NE(typo.err.find("prot"), std::string::npos) << typo.err;
}

TEST_F(ServerOptionsTest, PasswordComesFromTheFileThenIscPasswordAndNeverBoth) {
    ScopedEnv env("ISC_PASSWORD", "from-env");
    const Parsed fromEnv = Parse({"--database", "h:/x.fdb"});
    ASSERT_TRUE(fromEnv.options);
    EXPECT_EQ(fromEnv.options->database.password, "from-env");

    const std::string file = Write("db.password", "s3cret word\r\nsecond line\n");
    const Parsed fromFile = Parse({"--database", "h:/x.fdb", "--password-file", file});
    ASSERT_TRUE(fromFile.options) << fromFile.err;
    EXPECT_EQ(fromFile.options->database.password, "s3cret word");

    const Parsed given = Parse({"--database", "h:/x.fdb", "--password", "typed"});
    ASSERT_TRUE(given.options);
    EXPECT_EQ(given.options->database.password, "typed");

    EXPECT_EQ(Parse({"--database", "h:/x.fdb", "--password", "a", "--password-file", file}).code, kExitUsage);
    const Parsed empty = Parse({"--database", "h:/x.fdb", "--password-file", Write("empty", "\n")});
    EXPECT_EQ(empty.code, kExitUsage);
    EXPECT_NE(empty.err.find("no password"), std::string::npos) << empty.err;
}

TEST_F(ServerOptionsTest, UserComesFromTheOptionThenIscUserThenSysdba) {
    EXPECT_EQ(Parse({"--database", "x.fdb"}).options->database.user, "SYSDBA");
    ScopedEnv env("ISC_USER", "ledger");
    EXPECT_EQ(Parse({"--database", "x.fdb"}).options->database.user, "ledger");
    EXPECT_EQ(Parse({"--database", "x.fdb", "--user", "clerk"}).options->database.user, "clerk");
}

TEST(ListenAddress, LiteralAddressesOfBothFamilies) {
    for (const char* a : {"127.0.0.1", "0.0.0.0", "::", "::1", "fe80::1", "::ffff:10.0.0.1"})
        EXPECT_TRUE(IsIpAddress(a)) << a;
    for (const char* a : {"", "localhost", "1.2.3", "[::1]", "::1%", "1.2.3.4:5"}) EXPECT_FALSE(IsIpAddress(a)) << a;

    for (const char* a : {"127.0.0.1", "127.4.5.6", "::1"}) EXPECT_TRUE(IsLoopbackAddress(a)) << a;
    for (const char* a : {"0.0.0.0", "::", "10.0.0.1", "128.0.0.1", "::ffff:10.0.0.1"})
        EXPECT_FALSE(IsLoopbackAddress(a)) << a;

    EXPECT_EQ(EndpointText("10.1.2.3", 55200), "10.1.2.3:55200");
    EXPECT_EQ(EndpointText("::", 55200), "[::]:55200");
}

TEST(ClientNetworksTable, TheFirstNetworkHoldingAnAddressDecides) {
    struct Case {
        const char* list;
        const char* address;
        bool admitted;
    };
    for (const Case& c : std::vector<Case>{
             {"10.1.0.0/16", "10.1.255.3", true},
             {"10.1.0.0/16", "10.2.0.1", false},
             {"10.1.0.0/16", "127.0.0.1", false},       // a list given replaces the loopback default
             {"10.1.0.0/16", "::ffff:10.1.0.9", true},  // an IPv4 client of a socket on "::"
             {"!10.1.9.0/24,10.1.0.0/16", "10.1.9.7", false},
             {"!10.1.9.0/24,10.1.0.0/16", "10.1.8.7", true},
             {"10.1.0.0/16,!10.1.9.0/24", "10.1.9.7", true},  // first match decides, as in pg_hba.conf
             {"192.168.7.12", "192.168.7.12", true},
             {"192.168.7.12", "192.168.7.13", false},
             {"10.0.0.0/9", "10.127.0.1", true},
             {"10.0.0.0/9", "10.128.0.1", false},
             {"0.0.0.0/0", "203.0.113.5", true},
             {"0.0.0.0/0", "2001:db8::1", false},
             {"2001:db8::/32", "2001:db8:ffff::1", true},
             {"2001:db8::/32", "2001:db9::1", false},
             {" 10.0.0.1 , ::1 ", "::1", true},
         }) {
        const auto address = IpAddress::Parse(c.address);
        ASSERT_TRUE(address) << c.address;
        EXPECT_EQ(ClientNetworks::Parse(c.list).Admits(*address), c.admitted) << c.list << " / " << c.address;
    }
    const ClientNetworks loopback = ClientNetworks::LoopbackOnly();
    for (const char* a : {"127.0.0.1", "127.8.9.10", "::1"}) EXPECT_TRUE(loopback.Admits(*IpAddress::Parse(a))) << a;
    for (const char* a : {"10.0.0.1", "::2", "128.0.0.1"}) EXPECT_FALSE(loopback.Admits(*IpAddress::Parse(a))) << a;
    EXPECT_FALSE(loopback.ReachesBeyondLoopback());
    EXPECT_TRUE(ClientNetworks::Parse("127.0.0.1,10.0.0.0/8").ReachesBeyondLoopback());
    EXPECT_TRUE(ClientNetworks::Parse("::/0").AdmitsEveryone());
    EXPECT_FALSE(ClientNetworks::Parse("!0.0.0.0/0,::1").AdmitsEveryone());

    for (const char* bad : {"", ",", "10.0.0.0/33", "::/129", "10.0.0.0/", "10.0.0.0/x", "10.0.0.0/-1",
                            "10.1.2.3/8", "host.example", "10.0.0.1:80", "[::1]", "!"}) {
        EXPECT_THROW(ClientNetworks::Parse(bad), EOrdoError) << bad;
    }
}

TEST(RefusalLogLines, OneLineAnIntervalCountingTheRest) {
    std::vector<std::string> lines;
    RefusalLog log([&](const std::string& line) { lines.push_back(line); });
    const auto t0 = RefusalLog::Clock::time_point{} + std::chrono::hours(1);
    log.Refused(t0, "10.0.0.1:1", "full");
    for (int i = 2; i <= 500; ++i) log.Refused(t0 + std::chrono::milliseconds(i), "10.0.0.1:" + std::to_string(i), "full");
    log.Flush(t0 + std::chrono::seconds(1));  // a connection taken within the interval says nothing yet
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "10.0.0.1:1: refused, full");
    log.Refused(t0 + RefusalLog::kInterval, "10.0.0.2:7", "full");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "10.0.0.2:7: refused, full (and 499 more refused since the last line)");
    log.Refused(t0 + RefusalLog::kInterval + std::chrono::seconds(1), "10.0.0.3:1", "full");
    log.Flush(t0 + RefusalLog::kInterval + std::chrono::seconds(2), true);  // the server stops
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], "1 more connections refused since the last line: full");
    log.Flush(t0 + std::chrono::hours(1), true);
    EXPECT_EQ(lines.size(), 3u);
}

TEST(DatabaseName, ServerNamesAreRemoteAndPathsLocal) {
    for (const char* name : {"db1:/data/ledger.fdb", "db1/3050:/data/ledger.fdb", "localhost/gds_db:ledger",
                             "10.0.0.5/3051:C:\\data\\ledger.fdb", "[::1]:/data/ledger.fdb",
                             "[fe80::1]/3050:/data/x.fdb", "inet://db1:3050//data/ledger.fdb", "inet6://[::1]/x.fdb"})
        EXPECT_TRUE(IsRemoteDatabase(name)) << name;
    for (const char* name : {"/var/lib/ordo-server/ledger.fdb", "ledger.fdb", "data/ledger.fdb",
                             "/tmp/odd:name.fdb", "./odd:name.fdb", ":ledger.fdb", "[::1"})
        EXPECT_FALSE(IsRemoteDatabase(name)) << name;
}

}  // namespace
}  // namespace ordo::server
