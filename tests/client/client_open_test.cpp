// Opening a client data set against a scripted server: the request it sends and the rows it holds.
#include <gtest/gtest.h>

#include "client_peer_support.h"
#include "core/errors.h"
#include "platform/codepage.h"

namespace ordo {
namespace {

using namespace test;

struct SelectRequestSeen {
    std::string sql;
    int rows = 0;
    int options = 0;
    std::string last;
    int id = 0;
};

SelectRequestSeen Read(TOrdoStringLine& l) {
    SelectRequestSeen s;
    s.id = l.DataSetId();
    s.sql = l.ReadString();
    s.rows = l.ReadInteger();
    s.options = l.ReadInteger();
    s.last = l.ReadString();
    return s;
}

TEST_F(ClientPeerFixture, SelectBringsItsRowsIntoTheDataSet) {
    SelectRequestSeen seen;
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcSelectSQL);
        seen = Read(req);
        SendFieldDefs(c, seen.id, {{"CODE", ftString, 10}, {"AMOUNT", ftFloat, 8}, {"N", ftInteger, 4}});
        TOrdoRowTextWriter w;
        w.AddText("B001");
        w.AddFloat(1500.25);
        w.AddInteger(1);
        w.EndRow();
        w.AddText("B002");
        w.AddFloat(-3);
        w.AddNull();
        w.EndRow();
        w.EndOfData();
        SendRows(c, seen.id, 0, w.Take());
        c.Silent(3000);
    });
    Statement("SELECT CODE, AMOUNT, N FROM SAL_JAINFO");
    ds->Open();
    EXPECT_TRUE(ds->Active());
    ASSERT_EQ(ds->RecordCount(), 2);
    ds->First();
    EXPECT_EQ(ds->RecNo(), 1);
    EXPECT_EQ(ds->FieldByName("CODE").AsString(), "B001");
    EXPECT_DOUBLE_EQ(ds->FieldByName("AMOUNT").AsFloat(), 1500.25);
    ds->Next();
    EXPECT_FALSE(ds->Eof());
    EXPECT_EQ(ds->RecNo(), 2);
    EXPECT_EQ(ds->FieldByName("CODE").AsString(), "B002");
    EXPECT_DOUBLE_EQ(ds->FieldByName("AMOUNT").AsFloat(), -3);
    EXPECT_TRUE(ds->FieldByName("N").IsNull());
    ds->Next();
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->ServerCursorId(), 0);
    Finish();
    EXPECT_EQ(seen.sql, "SELECT CODE, AMOUNT, N FROM SAL_JAINFO\r\n");
    EXPECT_EQ(seen.rows, -1);
    EXPECT_EQ(seen.options, 3);
    EXPECT_EQ(seen.last, "\x05") << "no database name, no parameters";
    EXPECT_EQ(seen.id, 1) << "the first request registers the data set under 1";
}

TEST_F(ClientPeerFixture, ServerErrorOnOpenLeavesTheDataSetClosedAndRaisesTheSocketText) {
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcSelectSQL);
        SendSQLError(c, req.DataSetId(), "Table unknown SAL_NONE");
        c.Silent(3000);
    });
    Statement("SELECT * FROM SAL_NONE");
    try {
        ds->Open();
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.what(), AnsiLiteral("[서버 에러]Table unknown SAL_NONE"));
    }
    EXPECT_FALSE(ds->Active());
    EXPECT_FALSE(ds->Opening());
    EXPECT_FALSE(socket->RaisePendingError()) << "only for the duration of the request";
    EXPECT_FALSE(socket->RequestWaiting());
}

TEST_F(ClientPeerFixture, SelectWithoutRowsOpensWithFieldsAndEndOfData) {
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcSelectSQL);
        SendFieldDefs(c, req.DataSetId(), kIdName);
        SendRows(c, req.DataSetId(), 0, "NULL\x04");
        c.Silent(3000);
    });
    Statement("SELECT ID, NAME FROM T WHERE 1 = 0");
    ds->Open();
    EXPECT_TRUE(ds->Active());
    EXPECT_EQ(ds->FieldCount(), 2);
    EXPECT_EQ(ds->RecordCount(), 0);
    ds->First();
    EXPECT_TRUE(ds->Eof());
    EXPECT_TRUE(ds->Bof());
    EXPECT_TRUE(ds->FieldByName("NAME").Value().IsNull());
}

TEST_F(ClientPeerFixture, ZeroRowsToReturnGivesFieldsButNoRows) {
    int rowsAsked = -5;
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcSelectSQL);
        req.ReadString();
        rowsAsked = req.ReadInteger();
        // Only the field definitions come back; the socket hands their text to the row loader too.
        SendFieldDefs(c, req.DataSetId(), kIdName);
        c.Silent(3000);
    });
    ds->SetRowsToReturn(0);
    Statement("SELECT ID, NAME FROM T");
    ds->Open();
    EXPECT_TRUE(ds->Active());
    EXPECT_EQ(ds->FieldCount(), 2);
    EXPECT_EQ(ds->RecordCount(), 0) << "the definitions text must not be read as rows";
    Finish();
    EXPECT_EQ(rowsAsked, 0);
}

TEST_F(ClientPeerFixture, OrderByParametersAndDatabaseTravelWithTheSelect) {
    SelectRequestSeen seen;
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcSelectSQL);
        seen = Read(req);
        SendFieldDefs(c, seen.id, kIdName);
        SendRows(c, seen.id, 0, IntTextRows({{7, "x"}}));
        c.Silent(3000);
    });
    ds->SetDataBase("LEDGER");
    ds->SetOrderBy("  NAME  ");
    ds->SetAscending(false);
    Statement("SELECT ID, NAME FROM T WHERE ID = :ID");
    ds->ParamByName("ID").SetAsInteger(7);
    ds->Open();
    EXPECT_EQ(ds->RecordCount(), 1);
    Finish();
    EXPECT_EQ(seen.sql, "SELECT ID, NAME FROM T WHERE ID = :ID\r\n ORDER BY NAME DESC");
    ASSERT_EQ(seen.last.substr(0, 7), std::string("LEDGER\x05"));
    TOrdoParamList sent = TOrdoParamList::CreateFromString(AsBytes(seen.last).subspan(7));
    ASSERT_EQ(sent.Count(), 1);
    EXPECT_EQ(sent[0].Name(), "ID");
    EXPECT_EQ(sent[0].AsInteger(), 7);
}

TEST_F(ClientPeerFixture, PacketsAreFetchedWhileReadingAndCloseLetsTheCursorGo) {
    std::vector<std::vector<int>> fetches;
    std::vector<int> closeItems;
    int closeId = -1;
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcSelectSQL);
        const int id = req.DataSetId();
        SendFieldDefs(c, id, kIdName);
        TOrdoStringLine cursor = Line(mcCursorId, id);
        cursor.AddInteger(41);
        c.Send(std::move(cursor));
        SendRows(c, id, 41, IntTextRows({{1, "a"}, {2, "b"}}, false));
        for (int packet : {-1, -2}) {
            TOrdoStringLine f = Expect(c, mcFetchPacket);
            fetches.push_back({f.ReadInteger(), f.ReadInteger(), f.ReadInteger()});
            SendRows(c, f.DataSetId(), packet,
                     packet == -1 ? IntTextRows({{3, "c"}, {4, "d"}}, false) : IntTextRows({{5, "e"}}));
        }
        TOrdoStringLine close = Expect(c, mcCloseCursor);
        closeId = close.DataSetId();
        closeItems = {close.ReadInteger(), close.ReadInteger()};
        c.Silent(3000);
    });
    ds->SetRowsToReturn(2);
    Statement("SELECT ID, NAME FROM T");
    std::vector<int> added;
    ds->OnAfterPacketFetch = [&](TOrdoBaseClientDataSet&, int rows) { added.push_back(rows); };
    ds->Open();
    EXPECT_EQ(ds->RecordCount(), 2) << "the first packet only";
    EXPECT_EQ(ds->ServerCursorId(), 41);
    std::vector<int> ids;
    for (ds->First(); !ds->Eof(); ds->Next()) {
        ids.push_back(ds->FieldByName("ID").AsInteger());
    }
    EXPECT_EQ(ids, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(added, (std::vector<int>{2, 1}));
    EXPECT_EQ(ds->ServerCursorId(), -1) << "packet -2 was the last";
    EXPECT_FALSE(ds->FetchPacket());
    ds->Close();
    EXPECT_EQ(ds->ServerCursorId(), 0);
    Finish();
    ASSERT_EQ(fetches.size(), 2u);
    EXPECT_EQ(fetches[0], (std::vector<int>{41, 2, 3 + 4}));
    EXPECT_EQ(closeId, 1);
    EXPECT_EQ(closeItems, (std::vector<int>{1, 0}));
}

TEST_F(ClientPeerFixture, MovingToTheLastRowFetchesOnePacketFirst) {
    int fetchCount = 0;
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcSelectSQL);
        SendFieldDefs(c, req.DataSetId(), kIdName);
        SendRows(c, req.DataSetId(), 9, IntTextRows({{1, "a"}}, false));
        Expect(c, mcFetchPacket);
        ++fetchCount;
        SendRows(c, req.DataSetId(), -1, IntTextRows({{2, "b"}}, false));
        Expect(c, mcCloseCursor);
        c.Silent(3000);
    });
    ds->SetRowsToReturn(1);
    Statement("SELECT ID, NAME FROM T");
    ds->Open();
    ds->Last();
    EXPECT_EQ(ds->FieldByName("ID").AsInteger(), 2);
    EXPECT_EQ(ds->RecordCount(), 2);
    ds->Close();
    Finish();
    EXPECT_EQ(fetchCount, 1);
}

TEST_F(ClientPeerFixture, ClosingWithoutACursorSendsNothing) {
    bool silent = false;
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcSelectSQL);
        SendFieldDefs(c, req.DataSetId(), kIdName);
        SendRows(c, req.DataSetId(), 0, IntTextRows({{1, "a"}}));
        silent = c.Silent(1000);
    });
    Statement("SELECT ID, NAME FROM T");
    ds->Open();
    ds->Close();
    ds->Close();
    ds->SetActive(false);
    peer.Join();
    EXPECT_TRUE(silent);
}

TEST_F(ClientPeerFixture, NoWaitSendsOptionsWithBitElevenAndReturnsAtOnce) {
    SelectRequestSeen seen;
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcSelectSQL);
        seen = Read(req);
        c.Silent(1000);
    });
    ds->SetSQLOptions({soFetchMemos, soFetchBlobs, soNoWait});
    Statement("SELECT 1 FROM RDB$DATABASE");
    ds->Open();
    EXPECT_EQ(socket->OutstandingReplies(), 0) << "nothing waits for the reply";
    peer.Join();
    EXPECT_EQ(seen.options, 2051);
}

TEST_F(ClientPeerFixture, ArrivingColumnsAreMappedByTheOptions) {
    Connect([&](PeerConn& c) {
        TOrdoStringLine req = Expect(c, mcSelectSQL);
        SendFieldDefs(c, req.DataSetId(), {{"ID", ftAutoInc, 4}, {"W", ftWideString, 5}, {"B", ftBCD, 8}});
        SendRows(c, req.DataSetId(), 0, "NULL\x04");
        c.Silent(3000);
    });
    ds->SetSQLOptions({soMapAutoIncToInteger, soMapWideStringtoString, soMapBCDtoFloat});
    Statement("SELECT ID, W, B FROM T");
    ds->Open();
    EXPECT_EQ(ds->FieldDescriptions(), (std::vector<std::string>{"ID,3,4", "W,1,5", "B,6,8"}));
    EXPECT_EQ(ds->FieldByName("ID").DataType(), ftInteger);
    EXPECT_EQ(ds->FieldByName("W").DataType(), ftString);
    EXPECT_EQ(ds->FieldByName("B").DataType(), ftFloat);
}

}  // namespace
}  // namespace ordo
