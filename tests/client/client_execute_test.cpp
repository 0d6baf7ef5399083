// Executing statements, parameters following the statement text, deferred opening and the
// failures that have no server behind them.
#include <gtest/gtest.h>

#include "client_peer_support.h"
#include "core/errors.h"
#include "params/param_errors.h"
#include "platform/codepage.h"

namespace ordo {
namespace {

using namespace test;

TEST_F(ClientPeerFixture, ExecuteReportsAffectedRowsAndTheNextExecuteStartsAtZero) {
    std::vector<std::string> items;
    int rowsWhenSecondArrived = -1;
    Connect([&](PeerConn& c) {
        TOrdoStringLine first = Expect(c, mcExecSQL);
        for (int i = 0; i < 4; ++i) items.push_back(first.ReadString());
        SendRowsAffected(c, first.DataSetId(), 5);
        TOrdoStringLine second = Expect(c, mcExecSQL);
        // The data set has cleared its count before sending; this reply carries none.
        SendSQLError(c, second.DataSetId(), "lock conflict on no wait transaction");
        c.Silent(3000);
    });
    Statement("UPDATE SAL_JAINFO SET CURRMISU = 0");
    ds->ExecuteSQL();
    EXPECT_EQ(ds->RowsAffected(), 5);
    EXPECT_FALSE(ds->Active()) << "an execute leaves a closed data set closed";
    Statement("DELETE FROM SAL_JAINFO");
    try {
        ds->ExecuteSQL();
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        rowsWhenSecondArrived = ds->RowsAffected();
        EXPECT_EQ(e.what(), AnsiLiteral("[서버 에러]lock conflict on no wait transaction"));
    }
    Finish();
    EXPECT_EQ(rowsWhenSecondArrived, 0);
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0], "UPDATE SAL_JAINFO SET CURRMISU = 0\r\n");
    EXPECT_EQ(items[1], "") << "no parameters";
    EXPECT_EQ(items[2], "") << "no database name";
    EXPECT_EQ(items[3], "") << "no update information";
}

TEST_F(ClientPeerFixture, ExecuteSendsEveryParameterAndKeepsTheirValuesAcrossTextChanges) {
    TOrdoParamList sent;
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcExecSQL);
        req.ReadString();
        sent = TOrdoParamList::CreateFromString(req.ReadBytes());
        SendRowsAffected(c, req.DataSetId(), 1);
        c.Silent(3000);
    });
    ds->SQL().Add("UPDATE BAS_MCBUYER SET CURRMISU = :AMOUNT");
    ds->ParamByName("AMOUNT").SetAsFloat(12.5);
    ds->SQL().Add("WHERE BUYERCODE = :CODE");  // rebuilt; AMOUNT keeps its value
    ds->ParamByName("CODE").SetAsString("B001");
    ds->ParamByName("CODE").SetParamType(ptOutput);
    ds->ExecuteSQL();
    Finish();
    ASSERT_EQ(sent.Count(), 2) << "an execute sends output items too";
    EXPECT_EQ(sent[0].Name(), "AMOUNT");
    EXPECT_DOUBLE_EQ(sent[0].AsFloat(), 12.5);
    EXPECT_EQ(sent[1].Name(), "CODE");
    EXPECT_EQ(sent[1].AsString(), "B001");
}

TEST_F(ClientPeerFixture, OutputParametersReplaceTheirNamesakesOrAreAppended) {
    int received = 0;
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcExecSQL);
        TOrdoParamList out;
        out.CreateParam(ftInteger, "N", ptOutput).SetAsInteger(9);
        out.CreateParam(ftString, "EXTRA", ptOutput).SetAsString("e");
        TOrdoStringLine l = Line(mcOutputParams, req.DataSetId());
        l.AddInteger(0);
        l.AddItem(out.SaveToString(false), itString);
        l.AddInteger(0);
        c.Send(std::move(l));
        SendRowsAffected(c, req.DataSetId(), 0);
        c.Silent(3000);
    });
    ds->OnReceiveParams = [&](TOrdoBaseClientDataSet&) { ++received; };
    ds->SQL().Add("EXECUTE BLOCK RETURNS (N INTEGER) AS BEGIN N = :N; END");
    ds->ParamByName("N").SetAsInteger(1);
    ds->ExecuteSQL();
    EXPECT_EQ(received, 1);
    ASSERT_EQ(ds->Params().Count(), 2);
    EXPECT_EQ(ds->ParamByName("N").AsInteger(), 9);
    EXPECT_EQ(ds->ParamByName("N").ParamType(), ptOutput);
    EXPECT_EQ(ds->ParamByName("EXTRA").AsString(), "e");
}

TEST_F(ClientPeerFixture, OpenBeforeTheConnectionWaitsAndRunsAfterTheLogin) {
    std::string sqlSeen;
    bool sentBeforeConnect = false;
    Statement("SELECT ID, NAME FROM T");
    ds->Open();  // the socket exists but has not connected yet
    EXPECT_FALSE(ds->Active());
    EXPECT_TRUE(ds->OpenPending());
    peer.Run([&](PeerConn& c, int) {
        auto login = c.ReadLine();
        sentBeforeConnect = !login || login->Token() != mcLogin;
        TOrdoStringLine reply = Line(mcLogin);
        reply.AddString("1");
        reply.AddString("");
        c.Send(std::move(reply));
        TOrdoStringLine req = Expect(c, mcSelectSQL);
        sqlSeen = req.ReadString();
        SendFieldDefs(c, req.DataSetId(), kIdName);
        SendRows(c, req.DataSetId(), 0, IntTextRows({{1, "a"}}));
        Expect(c, mcUtilityInfo);
        c.Silent(3000);
    });
    socket->Open();
    ASSERT_TRUE(PumpUntil([&] { return ds->Active(); }));
    EXPECT_FALSE(ds->OpenPending());
    EXPECT_EQ(ds->RecordCount(), 1);
    Finish();
    EXPECT_FALSE(sentBeforeConnect);
    EXPECT_EQ(sqlSeen, "SELECT ID, NAME FROM T\r\n");
}

TEST_F(ClientPeerFixture, BroadcastRegistrationFollowsTheOpenAndEndsWithTheClose) {
    std::vector<std::pair<int, std::string>> registrations;
    bool reloadSilent = false;
    std::string method;
    std::vector<std::string> requestNames;
    int kind = 0;
    Connect([&](PeerConn& c) {
        // A server method stands in for the statement.
        TOrdoStringLine req = Expect(c, mcMetaData);
        method = req.ReadString();
        for (const auto& item : TOrdoParamList::CreateFromString(req.ReadBytes())) requestNames.push_back(item->Name());
        req.ReadString();
        kind = req.ReadInteger();
        SendFieldDefs(c, req.DataSetId(), kIdName);
        SendRows(c, req.DataSetId(), 0, IntTextRows({{1, "a"}}));
        for (int i = 0; i < 2; ++i) {
            TOrdoStringLine reg = Expect(c, mcProviderRegister);
            const int flag = reg.ReadInteger();
            reg.ReadInteger();
            registrations.emplace_back(flag, reg.ReadString());
        }
        reloadSilent = c.Silent(1000);
    });
    ds->SetProviderName("BUYERS");
    ds->SetServerMethod("GetBuyers");
    ds->ProviderBroadCast().RegisterForBroadCast = true;
    Statement("SELECT ID, NAME FROM T");
    ds->Open();
    EXPECT_TRUE(ds->RegisteredForBroadcasts());
    TMemoryStream saved;
    ds->SaveToStream(saved);
    ds->Close();
    EXPECT_FALSE(ds->RegisteredForBroadcasts());
    saved.SetPosition(0);
    ds->ProviderBroadCast().RegisterForBroadCast = false;
    ds->LoadDataSetFromStream(saved);  // reopens from the stream alone
    EXPECT_TRUE(ds->Active());
    EXPECT_EQ(ds->RecordCount(), 1);
    Finish();
    ASSERT_EQ(registrations.size(), 2u);
    EXPECT_EQ(registrations[0], (std::pair<int, std::string>{1, "BUYERS\x02GetBuyers"}));
    EXPECT_EQ(registrations[1].first, 0);
    EXPECT_TRUE(reloadSilent) << "loading a stream asks the server nothing";
    EXPECT_EQ(method, "GetBuyers");
    EXPECT_EQ(kind, 99 + mdServerMethods);
    EXPECT_EQ(requestNames,
              (std::vector<std::string>{"ServerActionInt", "OrdoPacketRecords", "OrdoSQLOptions", "Provider", "Proxy"}));
}

TEST_F(ClientPeerFixture, BroadcastRegistrationNeedsASocketAndAProvider) {
    try {
        ds->RegisterForBroadcasts(true);
        ADD_FAILURE() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.what(), AnsiLiteral("소켓이 없거나 활성화 되어 있지 않습니다"));
    }
    Connect([](PeerConn& c) { c.Silent(3000); });
    try {
        ds->RegisterForBroadcasts(true);
        ADD_FAILURE() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Provider required!");
    }
}

TEST_F(ClientPeerFixture, ExecuteWithoutAConnectionFailsInsteadOfPassingForDone) {
    Statement("DELETE FROM T");
    try {
        ds->ExecuteSQL();
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.what(), AnsiLiteral("소켓이 없거나 활성화 되어 있지 않습니다"));
    }
}

TEST(TOrdoClientDataSet, WithoutASocketOpenAndExecuteRaiseTheNoSocketText) {
    TOrdoClientDataSet ds;
    ds.SQL().Add("SELECT 1 FROM RDB$DATABASE");
    for (auto run : {+[](TOrdoClientDataSet& d) { d.Open(); }, +[](TOrdoClientDataSet& d) { d.ExecuteSQL(); }}) {
        try {
            run(ds);
            ADD_FAILURE() << "no exception";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.what(), AnsiLiteral("할당된 클라이언트 소켓이 없습니다"));
        }
        EXPECT_FALSE(ds.Active());
    }
    EXPECT_THROW(ds.ReQuery(), EDatabaseError);
}

TEST(TOrdoClientDataSet, ParametersFollowTheStatementText) {
    TOrdoClientDataSet ds;
    ds.SQL().Add("select * from t where a = :A and b = :b and c = :A");
    ASSERT_EQ(ds.Params().Count(), 2);
    EXPECT_EQ(ds.Params()[0].Name(), "A");
    EXPECT_EQ(ds.Params()[1].Name(), "b");
    EXPECT_EQ(ds.Params()[0].ParamType(), ptInput);
    ds.ParamByName("b").SetAsInteger(3);
    ds.SQL().Put(0, "select * from t where b = :B");
    ASSERT_EQ(ds.Params().Count(), 1);
    EXPECT_EQ(ds.Params()[0].Name(), "b") << "the old item of that name is copied in whole";
    EXPECT_EQ(ds.Params()[0].AsInteger(), 3);
    ds.SQL().Clear();
    EXPECT_EQ(ds.Params().Count(), 0);
    ds.SQL().Add("update t set x = 1");
    EXPECT_EQ(ds.Params().Count(), 0);
    EXPECT_THROW((void)ds.ParamByName("x"), EOrdoParamException);
}

TEST(TOrdoClientDataSet, AFailingParameterScanFailsTheAddButKeepsTheLine) {
    TOrdoClientDataSet ds;
    EXPECT_THROW(ds.SQL().Add("select * from t where a = :x::y"), EOrdoParamException);
    EXPECT_EQ(ds.SQL().Count(), 1);
    // Issue 24: the parameters found before the failure stay, with the values they had.
    ds.SQL().Clear();
    ds.SQL().Add("select * from t where a = :a");
    ds.ParamByName("a").SetAsInteger(7);
    EXPECT_THROW(ds.SQL().Add("and b = :b and c = :c::d"), EOrdoParamException);
    ASSERT_EQ(ds.Params().Count(), 2);
    EXPECT_EQ(ds.Params()[0].AsInteger(), 7);
    EXPECT_EQ(ds.Params()[1].Name(), "b");
}

TEST(TOrdoClientDataSet, SettersKeepStatementTableAndParametersConsistent) {
    TOrdoClientDataSet ds;
    ds.SQL().Add("select * from t where a = :A");
    ds.SetTableName("SAL_IGJG");
    EXPECT_EQ(ds.SQL().Lines(), (std::vector<std::string>{"SELECT * FROM SAL_IGJG"}));
    EXPECT_EQ(ds.Params().Count(), 0);
    EXPECT_EQ(ds.TableName(), "SAL_IGJG");
    ds.SetMetaDataRequest(mdTableNames);
    ds.SetSQL({"SELECT X FROM Y WHERE Z = :Z"});
    EXPECT_EQ(ds.MetaDataRequest(), mdNormalQuery);
    EXPECT_EQ(ds.TableName(), "") << "assigning the statement forgets the table";
    ASSERT_EQ(ds.Params().Count(), 1);
    ds.ParamByName("Z").SetAsInteger(4);
    ds.SetSQL({"SELECT X FROM Y WHERE Z = :Z"});
    EXPECT_EQ(ds.ParamByName("Z").AsInteger(), 4) << "the same text again changes nothing";
    TOrdoParamList given;
    given.CreateParam(ftString, "P", ptInput).SetAsString("v");
    ds.SetParams(given);
    ASSERT_EQ(ds.Params().Count(), 1);
    EXPECT_EQ(ds.Params()[0].AsString(), "v");
    ds.SetOrderBy("  CODE ");
    EXPECT_EQ(ds.OrderBy(), "CODE");
}

}  // namespace
}  // namespace ordo
