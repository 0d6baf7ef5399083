// Starting ordo-server: init scripts, a failing script, bad command lines.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>

#include "tests/server/ordo_test_client.h"
#include "tests/server/server_fixture.h"

namespace ordo::test {
namespace {

class ServerStartup : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("ordo-startup-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Write(const std::string& name, const std::string& text) {
        std::string path = dir_ + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    /// Exit status of the server run with these options, without waiting for a port line.
    int RunToExit(const std::string& args) {
        int status = std::system((OrdoServerProcess::Binary() + " " + args + " >/dev/null 2>&1").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string dir_;
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

TEST_F(ServerStartup, BadCommandLinesEndAtOnce) {
    std::string db = dir_ + "/y.fdb";
    EXPECT_NE(RunToExit("--database " + db + " --create --port 0 --encryption des"), 0);    // no key
    EXPECT_NE(RunToExit("--database " + db + " --init " + Write("i.sql", "") + " --port 0"), 0);  // no --create
    EXPECT_NE(RunToExit("--database " + db + " --create --port 70000"), 0);
    EXPECT_NE(RunToExit("--port 0"), 0);  // no database
    EXPECT_EQ(RunToExit("--database " + dir_ + "/missing.fdb --port 0"), 1);  // not there, not created
    EXPECT_FALSE(std::filesystem::exists(db));
}

}  // namespace
}  // namespace ordo::test
