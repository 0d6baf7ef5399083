// The client data set on the client socket against a real ordo-server on an embedded database.
#include <gtest/gtest.h>

#include <memory>

#include "client/client_data_set.h"
#include "core/errors.h"
#include "net/client_socket.h"
#include "platform/codepage.h"
#include "tests/support/message_pump.h"
#include "tests/support/recording_ui.h"
#include "tests/support/server_process.h"

namespace ordo {
namespace {

using test::PumpUntil;

class ClientOnServer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        OrdoServerProcessOptions options;
        options.ledgerSchema = false;
        server_ = new test::OrdoServerProcess(options);
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override {
        socket_ = std::make_unique<TOrdoClientSocket>();
        socket_->SetUi(&ui_);
        socket_->SetAddress("127.0.0.1");
        socket_->SetPort(server_->Port());
        socket_->SetReplyTimeLimit(30000);  // a wedged server must not hang the suite
        socket_->Open();
        ASSERT_TRUE(PumpUntil([&] { return socket_->Active() && socket_->LoginAttempts() == 1; }, 20000));
        ds_.SetName("dsDB");
        ds_.SetSQLOptions({soFetchMemos, soFetchBlobs});
        ds_.SetOrdoClientSocket(socket_.get());
    }
    void TearDown() override {
        ds_.SetOrdoClientSocket(nullptr);
        socket_.reset();
        test::DrainQuit();
    }
    /// Loads one statement as the statement runner does.
    void Statement(const std::string& sql) {
        ds_.SQL().Clear();
        ds_.SetActive(false);
        ds_.Close();
        ds_.SQL().Add(sql);
    }
    void Execute(const std::string& sql) {
        Statement(sql);
        ds_.ExecuteSQL();
        ASSERT_FALSE(socket_->TimedOut()) << sql;
    }

    using OrdoServerProcessOptions = test::OrdoServerProcessOptions;
    static test::OrdoServerProcess* server_;
    test::RecordingUi ui_;
    std::unique_ptr<TOrdoClientSocket> socket_;
    TOrdoClientDataSet ds_;  // after the socket: it leaves the socket's registry first
};

test::OrdoServerProcess* ClientOnServer::server_ = nullptr;

TEST_F(ClientOnServer, InsertedRowsComeBackThroughASelect) {
    Execute("CREATE TABLE BUYER (CODE VARCHAR(10), NAME VARCHAR(20), CURRMISU DOUBLE PRECISION)");
    Execute("INSERT INTO BUYER VALUES ('B001', '김철수', 1500.5);\r\n"
            "INSERT INTO BUYER VALUES ('B002', NULL, -20);\r\n"
            "INSERT INTO BUYER VALUES ('B003', 'Lee', 0)");
    EXPECT_EQ(ds_.RowsAffected(), 3);
    Statement("SELECT CODE, NAME, CURRMISU FROM BUYER ORDER BY CODE");
    ds_.Open();
    ASSERT_TRUE(ds_.Active());
    ASSERT_EQ(ds_.RecordCount(), 3);
    std::vector<std::string> codes;
    double total = 0;
    for (ds_.First(); !ds_.Eof(); ds_.Next()) {
        codes.push_back(ds_.FieldByName("CODE").AsString());
        total += ds_.FieldByName("CURRMISU").AsFloat();
    }
    EXPECT_EQ(codes, (std::vector<std::string>{"B001", "B002", "B003"}));
    EXPECT_DOUBLE_EQ(total, 1480.5);
    ds_.First();
    EXPECT_EQ(ds_.FieldByName("NAME").AsString(), "김철수");
    ds_.Next();
    EXPECT_TRUE(ds_.FieldByName("NAME").IsNull());
}

TEST_F(ClientOnServer, AnSQLErrorIsRaisedAsADatabaseError) {
    Statement("SELECT * FROM NO_SUCH_TABLE");
    try {
        ds_.Open();
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind(AnsiLiteral("[서버 에러]"), 0), 0u) << text;
        EXPECT_NE(text.find("NO_SUCH_TABLE"), std::string::npos) << text;
    }
    EXPECT_FALSE(ds_.Active());
    Statement("UPDATE NO_SUCH_TABLE SET A = 1");
    EXPECT_THROW(ds_.ExecuteSQL(), EDatabaseError);
    Statement("SELECT 1 AS ONE FROM RDB$DATABASE");
    ds_.Open();
    EXPECT_EQ(ds_.FieldByName("ONE").AsInteger(), 1) << "the connection serves on after an error";
}

TEST_F(ClientOnServer, ASelectWithoutRowsOpensEmpty) {
    Execute("CREATE TABLE EMPTYT (A INTEGER, B VARCHAR(5))");
    Statement("SELECT A, B FROM EMPTYT");
    ds_.Open();
    EXPECT_TRUE(ds_.Active());
    EXPECT_EQ(ds_.FieldCount(), 2);
    EXPECT_EQ(ds_.RecordCount(), 0);
    EXPECT_TRUE(ds_.Eof());
    ds_.SetRowsToReturn(0);
    Statement("SELECT A, B FROM EMPTYT");
    ds_.Open();
    EXPECT_EQ(ds_.FieldCount(), 2);
    EXPECT_EQ(ds_.RecordCount(), 0);
}

TEST_F(ClientOnServer, PacketsBringEveryRowAndCloseLetsTheCursorGo) {
    Execute("CREATE TABLE MANY (N INTEGER)");
    std::string inserts;
    for (int i = 1; i <= 7; ++i) inserts += "INSERT INTO MANY VALUES (" + std::to_string(i) + ");\r\n";
    Execute(inserts);
    EXPECT_EQ(ds_.RowsAffected(), 7);
    ds_.SetRowsToReturn(3);
    Statement("SELECT N FROM MANY ORDER BY N");
    ds_.Open();
    EXPECT_EQ(ds_.RecordCount(), 3);
    EXPECT_GT(ds_.ServerCursorId(), 0);
    int sum = 0, count = 0;
    for (ds_.First(); !ds_.Eof(); ds_.Next()) {
        sum += ds_.FieldByName("N").AsInteger();
        ++count;
    }
    EXPECT_EQ(count, 7);
    EXPECT_EQ(sum, 28);
    EXPECT_EQ(ds_.ServerCursorId(), -1);

    // A cursor given up half way is closed on the server: the table can be dropped afterwards.
    Statement("SELECT N FROM MANY ORDER BY N");
    ds_.Open();
    EXPECT_GT(ds_.ServerCursorId(), 0);
    ds_.Close();
    EXPECT_EQ(ds_.ServerCursorId(), 0);
    ds_.SetRowsToReturn(-1);
    Execute("DROP TABLE MANY");
}

TEST_F(ClientOnServer, AnExecuteOfFiveRowsReportsFiveAndTheNextResets) {
    Execute("CREATE TABLE FIVE (N INTEGER)");
    Execute("INSERT INTO FIVE SELECT 1 FROM RDB$DATABASE UNION ALL SELECT 2 FROM RDB$DATABASE UNION ALL "
            "SELECT 3 FROM RDB$DATABASE UNION ALL SELECT 4 FROM RDB$DATABASE UNION ALL SELECT 5 FROM RDB$DATABASE");
    Execute("UPDATE FIVE SET N = N + 1");
    EXPECT_EQ(ds_.RowsAffected(), 5);
    Execute("DELETE FROM FIVE WHERE N > 100");
    EXPECT_EQ(ds_.RowsAffected(), 0);
    EXPECT_FALSE(ds_.Active());
}

// Stored procedures as a client data set calls them: the server describes their parameters from
// its catalog, executing a selectable procedure ends with its (empty) output parameters instead
// of waiting out the time limit, an executable one returns its outputs; metadata answers too.
TEST_F(ClientOnServer, StoredProceduresAndMetadataAnswer) {
    Execute("CREATE TABLE STOCK (CODE VARCHAR(10) NOT NULL, QTY INTEGER)");
    Execute("INSERT INTO STOCK VALUES ('A', 5);\r\nINSERT INTO STOCK VALUES ('B', 7)");
    // The bodies' variables are no parameters of the request.
    for (const char* body : {"CREATE PROCEDURE STOCK_OVER (MINQTY INTEGER) RETURNS (OCODE VARCHAR(10), OQTY INTEGER) AS "
                             "BEGIN FOR SELECT CODE, QTY FROM STOCK WHERE QTY > :MINQTY INTO :OCODE, :OQTY DO SUSPEND; END",
                             "CREATE PROCEDURE STOCK_TOTAL (MINQTY INTEGER) RETURNS (TOTAL INTEGER) AS "
                             "BEGIN SELECT SUM(QTY) FROM STOCK WHERE QTY > :MINQTY INTO :TOTAL; END"}) {
        Statement(body);
        ds_.Params().Clear();
        ds_.ExecuteSQL();
    }
    ds_.SQL().Clear();
    socket_->SetReplyTimeLimit(10000);

    ds_.SetStoredProcedure("STOCK_OVER");
    ASSERT_EQ(ds_.Params().Count(), 3);
    EXPECT_EQ(ds_.Params().Items(0).Name(), "MINQTY");
    EXPECT_EQ(ds_.Params().Items(0).ParamType(), ptInput);
    EXPECT_EQ(ds_.Params().Items(0).DataType(), ftInteger);
    EXPECT_EQ(ds_.Params().Items(1).Name(), "OCODE");
    EXPECT_EQ(ds_.Params().Items(1).ParamType(), ptOutput);
    EXPECT_EQ(ds_.Params().Items(1).DataType(), ftString);
    ds_.ParamByName("MINQTY").SetAsInteger(6);
    ds_.Open();
    ASSERT_EQ(ds_.RecordCount(), 1);
    EXPECT_EQ(ds_.FieldByName("OCODE").AsString(), "B");
    ds_.ExecuteSQL();
    EXPECT_FALSE(socket_->TimedOut()) << "a selectable procedure's execute ends with its output parameters";
    EXPECT_EQ(ds_.RecordCount(), 1);

    ds_.SetStoredProcedure("STOCK_TOTAL");
    ds_.ParamByName("MINQTY").SetAsInteger(0);
    ds_.ExecuteSQL();
    EXPECT_FALSE(socket_->TimedOut());
    EXPECT_EQ(ds_.ParamByName("TOTAL").AsInteger(), 12);

    EXPECT_THROW(ds_.SetStoredProcedure("NO_SUCH_PROC"), EDatabaseError);
    EXPECT_EQ(ds_.StoredProcedure(), "STOCK_TOTAL") << "a procedure the server cannot describe is not set";

    TOrdoClientDataSet meta;
    meta.SetOrdoClientSocket(socket_.get());
    meta.SetMetaDataRequest(mdTableColumns);
    meta.SetTableName("stock");
    meta.Open();
    ASSERT_EQ(meta.RecordCount(), 2);
    meta.First();
    EXPECT_EQ(meta.FieldByName("FIELD_NAME").AsString(), "CODE");
    EXPECT_EQ(meta.FieldByName("DATA_TYPE").AsInteger(), ftString);
    EXPECT_EQ(meta.FieldByName("REQUIRED").AsInteger(), 1);
    meta.Next();
    EXPECT_EQ(meta.FieldByName("FIELD_NAME").AsString(), "QTY");
    EXPECT_EQ(meta.FieldByName("DATA_TYPE").AsInteger(), ftInteger);
    EXPECT_EQ(meta.FieldByName("REQUIRED").AsInteger(), 0);
    meta.Close();
    meta.SetMetaDataRequest(mdStoredProcNames);
    meta.Open();
    std::vector<std::string> names;
    for (meta.First(); !meta.Eof(); meta.Next()) names.push_back(meta.FieldByName("NAME").AsString());
    EXPECT_EQ(names, (std::vector<std::string>{"STOCK_OVER", "STOCK_TOTAL"}));
    meta.Close();
    meta.SetMetaDataRequest(mdServerMethods);
    EXPECT_THROW(meta.Open(), EDatabaseError) << "a kind the server does not answer is refused in words";
    meta.SetOrdoClientSocket(nullptr);
}

}  // namespace
}  // namespace ordo
