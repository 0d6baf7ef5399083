// The Windows build end to end: fqreplay.exe under Wine replays a small queue, a plain statement
// and a "SetGRNY" rebuild among it, against ordo-server on this Linux machine. The test is told
// where the cross-built program is by ORDO_FQREPLAY_EXE and where Wine is by ORDO_WINE.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/ordo_test_client.h"
#include "tests/support/scramble_port.h"
#include "tests/support/server_process.h"

namespace ordo::test {
namespace {

namespace fs = std::filesystem;

class WineReplay : public ::testing::Test {
protected:
    void SetUp() override {
        const char* exe = std::getenv("ORDO_FQREPLAY_EXE");
        const char* wine = std::getenv("ORDO_WINE");
        if (exe == nullptr || wine == nullptr) GTEST_SKIP() << "ORDO_FQREPLAY_EXE and ORDO_WINE name the Windows run";
        wine_ = wine;
        // The program's own Korean literals reach the server in code page 949, as from a Korean Windows.
        server_ = std::make_unique<OrdoServerProcess>(OrdoServerProcessOptions::WithArgs({"--charset", "KSC_5601"}));
        app_ = fs::path(server_->Folder()) / "shop";
        fs::create_directories(app_ / "temp" / "FQ");
        fs::copy_file(exe, app_ / "fqreplay.exe");
        std::ofstream(app_ / "Environment.ini", std::ios::binary)
            << "[SYSTEM]\r\nSvrIP=127.0.0.1\r\nSvrNM=\r\nDBDSPort=" << ScramblePortText(std::to_string(server_->Port()))
            << "\r\n[SYSSETUP]\r\nDMGID=WINE01\r\n";
    }

    void Put(const std::string& name, const std::string& text) {
        std::ofstream(app_ / "temp" / "FQ" / name, std::ios::binary) << text;
    }
    [[nodiscard]] bool Queued(const std::string& name) const { return fs::exists(app_ / "temp" / "FQ" / name); }

    void Exec(const std::string& sql) {
        OrdoTestClient c(server_->Port());
        const OrdoReply r = c.Exec(sql);
        ASSERT_TRUE(r.Ok()) << r.error << "\n" << sql;
    }
    DecodedRows Select(const std::string& sql) {
        OrdoTestClient c(server_->Port());
        const OrdoReply r = c.Select(sql);
        if (!r.Ok()) ADD_FAILURE() << r.error << "\n" << sql;
        return DecodedRows(r);
    }

    /// Runs the program under Wine from its own folder; its exit status, or -1 when it did not end in time.
    int RunUnderWine(int timeoutSeconds) {
        const std::string log = (fs::path(server_->Folder()) / "wine.log").string();
        const std::string command = "cd '" + app_.string() + "' && timeout " + std::to_string(timeoutSeconds) + " '" +
                                    wine_ + "' ./fqreplay.exe </dev/null >'" + log + "' 2>&1";
        const int status = std::system(command.c_str());
        std::ifstream in(log);
        std::ostringstream text;
        text << in.rdbuf();
        output_ = text.str();
        if (!WIFEXITED(status)) return -1;
        return WEXITSTATUS(status) == 124 ? -1 : WEXITSTATUS(status);
    }

    std::string wine_;
    std::unique_ptr<OrdoServerProcess> server_;
    fs::path app_;
    std::string output_;
};

TEST_F(WineReplay, AStatementAndALedgerRebuildReplayAndLeaveTheQueue) {
    Exec("INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, DIJA) VALUES ('2024-02-28', 'MC', 'W1', 1000)");
    Exec("INSERT INTO SAL_JAINFO (SALEDT, JAGB, BUYERCD, DIJA) VALUES ('2024-03-09', 'MC', 'W1', 4242)");  // stale
    Put("0001.txt",
        "INSERT INTO SAL_SALEMASTER (JPNO, JPGB, ILJA, BUYERCD, BUYERNM, SALEAMT, BPAMT, IGCASH, IGCARD, DCAMT,\r\n"
        "  CUTAMT, MCGB, GJGB) VALUES ('20240301-1-00001', 'MJSL', '2024-03-01', 'W1', 'x', 300, 0, 100, 0, 0, 0,\r\n"
        "  'SM', '')\r\n");
    Put("0002.txt", "SetGRNY,W1,Park,2024-03-01\r\n");

    ASSERT_EQ(RunUnderWine(180), 0) << output_;
    EXPECT_FALSE(Queued("0001.txt")) << output_;
    EXPECT_FALSE(Queued("0002.txt")) << output_;

    const DecodedRows rows =
        Select("SELECT SALEDT, DIJA FROM SAL_JAINFO WHERE BUYERCD = 'W1' AND JAGB = 'MC' ORDER BY SALEDT");
    ASSERT_EQ(rows.Count(), 2);  // the carried-in row and the day of the sale; the stale row is gone
    EXPECT_EQ(rows.Text(1, rows.Column("SALEDT")), "2024-03-01");
    EXPECT_EQ(rows.Amount(1, rows.Column("DIJA")), 1200);  // 1000 + 300 - 100
    const DecodedRows balance = Select("SELECT CURRMISU FROM BAS_MCBUYER WHERE BUYERCD = 'W1'");
    ASSERT_EQ(balance.Count(), 1);
    EXPECT_EQ(balance.Amount(0, 0), 1200);
}

TEST_F(WineReplay, AFailingStatementStaysQueued) {
    Put("0001.txt", "UPDATE NO_SUCH_TABLE SET X = 1\r\n");
    RunUnderWine(180);
    EXPECT_TRUE(Queued("0001.txt")) << output_;
}

}  // namespace
}  // namespace ordo::test
