// The client data set off the replayer's road, against a scripted server: stored procedures, raw
// SQL and metadata opens, re-query, the offline copy, cached updates, the handlers, and the rows a
// reply brings that must not (or must) replace what the data set holds.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>

#include "client_peer_support.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/process.h"
#include "tests/support/line_frame.h"
#include "tests/support/scripted_transport.h"

namespace ordo {
namespace {

using test::Frame;
using test::Line;
using test::RecordingUi;
using test::Settle;
using test::TManualClock;
using test::TScriptedPeer;

TOrdoStringLine DefsLine(std::int32_t id, const std::vector<TOrdoFieldDef>& defs) {
    TOrdoStringLine l = Line(mcFieldDefs, id);
    l.AddString(EncodeFieldDefinitions(defs));
    return l;
}

TOrdoStringLine RowsLine(std::int32_t id, std::int32_t packet, const std::string& rows) {
    TOrdoStringLine l = Line(mcRowPacket, id);
    l.AddInteger(packet);
    l.AddString(rows);
    l.AddInteger(0);
    return l;
}

TOrdoStringLine ErrorLine(std::int32_t id, const std::string& text) {
    TOrdoStringLine l = Line(mcSQLError, id);
    l.AddString(text);
    return l;
}

TOrdoStringLine OutputParamsLine(std::int32_t id, const TOrdoParamList& params) {
    TOrdoStringLine l = Line(mcOutputParams, id);
    l.AddInteger(0);
    l.AddItem(params.SaveToString(false), itString);
    l.AddInteger(0);
    return l;
}

TOrdoStringLine RowsAffectedLine(std::int32_t id, std::int32_t rows) {
    TOrdoParamList list;
    list.CreateParam(ftInteger, "DatasetId", ptInput).SetAsInteger(id);
    list.CreateParam(ftInteger, "RowsAffected", ptInput).SetAsInteger(rows);
    TOrdoStringLine l = Line(mcCodedParamList, id);
    l.AddInteger(-75007);
    l.AddItem(list.SaveToString(false), itString);
    l.AddInteger(1);
    return l;
}

struct ClientFeatures : ::testing::Test {
    using Reply = std::function<std::vector<TOrdoStringLine>(std::int32_t id)>;

    void SetUp() override {
        socket = std::make_unique<TOrdoClientSocket>();
        socket->SetUi(&ui);
        socket->SetTransportFactory(peer.Factory());
        socket->WaitObject().SetClock(clock);
        socket->SetReplyTimeLimit(30000);
        ds = std::make_unique<TOrdoClientDataSet>();
        ds->SetName("dsDB");
        ds->SetSQLOptions({soFetchMemos, soFetchBlobs});
        ds->SetOrdoClientSocket(socket.get());
        peer.OnRequest = [this](TOrdoStringLine& request) {
            requests.push_back(request);
            if (answers.empty()) return;
            Reply reply = std::move(answers.front());
            answers.pop_front();
            // Every line of one answer arrives in one read, as a server's burst does.
            Bytes burst;
            for (TOrdoStringLine& l : reply(request.DataSetId())) {
                const Bytes f = Frame(std::move(l));
                burst.insert(burst.end(), f.begin(), f.end());
            }
            peer.Deliver(std::move(burst));
        };
        socket->Open();
        Settle();
        ASSERT_TRUE(socket->Active());
    }
    void TearDown() override {
        ds.reset();
        socket.reset();
        EXPECT_EQ(clock.Stalls(), 0) << "a wait that nothing could end";
    }
    void Answer(Reply reply) { answers.push_back(std::move(reply)); }
    /// Field definitions and all rows, as a select is answered.
    void AnswerRows(const std::string& rows, std::vector<TOrdoFieldDef> defs = test::kIdName) {
        Answer([=](std::int32_t id) { return std::vector<TOrdoStringLine>{DefsLine(id, defs), RowsLine(id, 0, rows)}; });
    }
    void AnswerError(const std::string& text) {
        Answer([=](std::int32_t id) { return std::vector<TOrdoStringLine>{ErrorLine(id, text)}; });
    }
    void Statement(const std::string& sql) {
        ds->SQL().Clear();
        ds->SQL().Add(sql);
    }
    std::string RaisedBy(const std::function<void()>& call) {
        try {
            call();
        } catch (const EDatabaseError& e) {
            return e.what();
        }
        return "";
    }
    std::vector<std::string> Names() {
        std::vector<std::string> out;
        for (ds->First(); !ds->Eof(); ds->Next()) out.push_back(ds->FieldByName("NAME").AsString());
        return out;
    }

    TManualClock clock;
    TScriptedPeer peer{clock};
    RecordingUi ui;
    std::deque<Reply> answers;
    std::vector<TOrdoStringLine> requests;
    std::unique_ptr<TOrdoClientSocket> socket;
    std::unique_ptr<TOrdoClientDataSet> ds;
};

const std::string kServerError = AnsiLiteral("[서버 에러]");
/// The columns of the server's answer describing a procedure's parameters.
const std::vector<TOrdoFieldDef> kProcedureColumns{{"PARAM_NAME", ftString, 31}, {"PARAM_TYPE", ftInteger, 0},
                                                   {"DATA_TYPE", ftInteger, 0}};

// Each way of opening sends its own request and, on a server error, raises the server's text and
// leaves the data set closed.
TEST_F(ClientFeatures, EveryKindOfOpenSendsItsRequestAndRaisesItsError) {
    struct Case {
        const char* name;
        std::function<void(TOrdoClientDataSet&)> setUp;
        std::uint8_t code;
        std::function<void(TOrdoStringLine&)> check;
    };
    const std::vector<Case> cases = {
        {"stored procedure", [](TOrdoClientDataSet& d) { d.SetStoredProcedure("GET_BUYERS"); }, mcStoredProc,
         [](TOrdoStringLine& l) {
             EXPECT_EQ(l.ReadString(), "GET_BUYERS");
             l.ReadBytes();
             EXPECT_EQ(l.ReadString(), "LEDGER");
             EXPECT_EQ(l.ReadInteger(), -1);
             EXPECT_EQ(l.ReadInteger(), 3);
         }},
        {"raw SQL",
         [](TOrdoClientDataSet& d) {
             d.SetSQLOptions({soRawSQL});
             d.SetOrderBy("NAME");
             d.SQL().Add("SELECT ID, NAME FROM T");
         },
         mcRawSelect,
         [](TOrdoStringLine& l) {
             EXPECT_EQ(l.ReadString(), "LEDGER");
             EXPECT_EQ(l.ReadString(), "SELECT ID, NAME FROM T\r\n") << "no ORDER BY on raw SQL";
             EXPECT_EQ(l.ReadInteger(), -1);
             EXPECT_EQ(l.ReadInteger(), (1 << soRawSQL) | 3);
         }},
        {"metadata",
         [](TOrdoClientDataSet& d) {
             d.SetMetaDataRequest(mdTableColumns);
             d.SetTableName("BAS_MCBUYER");
         },
         mcMetaData,
         [](TOrdoStringLine& l) {
             EXPECT_EQ(l.ReadString(), "BAS_MCBUYER");
             l.ReadBytes();
             EXPECT_EQ(l.ReadString(), "LEDGER");
             EXPECT_EQ(l.ReadInteger(), 99 + mdTableColumns);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ds = std::make_unique<TOrdoClientDataSet>();
        ds->SetSQLOptions({soFetchMemos, soFetchBlobs});
        ds->SetOrdoClientSocket(socket.get());
        ds->SetDataBase("LEDGER");
        ds->OfflineData().FileName = "kept.dat";
        if (c.code == mcStoredProc) AnswerRows("NULL\x04", kProcedureColumns);  // setting it asks for its parameters
        c.setUp(*ds);
        requests.clear();
        AnswerRows(test::IntTextRows({{1, "Kim"}, {2, "Lee"}}));
        ds->Open();
        EXPECT_EQ(Names(), (std::vector<std::string>{"Kim", "Lee"}));
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].Token(), c.code);
        c.check(requests[0]);
        ds->Close();
        AnswerError("no such object");
        EXPECT_EQ(RaisedBy([&] { ds->Open(); }), kServerError + "no such object");
        EXPECT_FALSE(ds->Active());
        // A failed metadata open empties the offline copy's settings.
        EXPECT_EQ(ds->OfflineData().FileName, c.code == mcMetaData ? "" : "kept.dat");
    }
}

// Executing a stored procedure waits for its output parameters, which come into Params.
TEST_F(ClientFeatures, AnExecutedProcedureTakesItsOutputParameters) {
    AnswerRows("NULL\x04", kProcedureColumns);  // setting it asks for its parameters: none
    Answer([](std::int32_t id) {
        TOrdoParamList out;
        out.CreateParam(ftInteger, "TOTAL", ptOutput).SetAsInteger(42);
        return std::vector<TOrdoStringLine>{DefsLine(id, {{"TOTAL", ftInteger, 0}}), RowsLine(id, 0, "NULL\x04"),
                                            OutputParamsLine(id, out)};
    });
    int received = 0;
    ds->OnReceiveParams = [&](TOrdoBaseClientDataSet&) { ++received; };
    ds->SetStoredProcedure("SUM_BUYER");
    const std::uint32_t start = clock.Ticks();
    ds->ExecuteSQL();
    EXPECT_EQ(clock.Ticks(), start) << "ended by the output parameters, not by the time limit";
    EXPECT_TRUE(ds->SQLOptions().Contains(soExecStoredProc));
    EXPECT_EQ(ds->ParamByName("TOTAL").AsInteger(), 42);
    EXPECT_EQ(received, 1);
}

// A procedure whose parameters the server cannot describe is not set.
TEST_F(ClientFeatures, AProcedureThatCannotBeDescribedIsNotSet) {
    TOrdoRowTextWriter described;
    described.AddText("A_IN");
    described.AddInteger(ptInput);
    described.AddInteger(ftInteger);
    described.EndRow();
    described.EndOfData();
    AnswerRows(described.Take(), kProcedureColumns);
    AnswerError("Metadata requests are not supported by this server");
    ds->SQL().Add("EXECUTE PROCEDURE X :A_IN");
    ds->SetStoredProcedure("FIRST_PROC");
    ASSERT_EQ(ds->Params().Count(), 1);
    EXPECT_EQ(ds->Params().Items(0).Name(), "A_IN");
    EXPECT_EQ(ds->Params().Items(0).ParamType(), ptInput);
    EXPECT_EQ(requests.back().Token(), mcMetaData);
    EXPECT_EQ(RaisedBy([&] { ds->SetStoredProcedure("OTHER"); }),
              kServerError + "Metadata requests are not supported by this server");
    EXPECT_EQ(ds->StoredProcedure(), "FIRST_PROC");
    ASSERT_EQ(ds->Params().Count(), 1);
    EXPECT_EQ(ds->Params().Items(0).Name(), "A_IN");
}

// Re-query closes and opens again with the filter off meanwhile; the new rows replace the old.
TEST_F(ClientFeatures, ReQueryReopensWithTheFilterOffAndRestoresIt) {
    AnswerRows(test::IntTextRows({{1, "Kim"}, {2, "Lee"}}));
    AnswerRows(test::IntTextRows({{3, "Park"}, {4, "Choi"}, {5, "Han"}}));
    Statement("SELECT ID, NAME FROM T");
    ds->Open();
    bool filterRanWhileOpening = false;
    ds->OnFilterRecord = [&](TDataSet& sender, bool& accept) {
        filterRanWhileOpening = filterRanWhileOpening || ds->Opening();
        accept = sender.FieldByName("ID").AsInteger() != 4;
    };
    ds->SetFiltered(true);
    ds->ReQuery();
    EXPECT_EQ(requests.size(), 2u);
    EXPECT_TRUE(ds->Filtered());
    EXPECT_FALSE(filterRanWhileOpening);
    EXPECT_EQ(ds->RecordCount(), 3);
    EXPECT_EQ(Names(), (std::vector<std::string>{"Park", "Han"}));
    EXPECT_FALSE(ds->ControlsDisabled());

    socket->Close();
    Settle();
    EXPECT_EQ(RaisedBy([&] { ds->ReQuery(); }), SocketNotActiveText());
}

// Re-open-if-empty keeps an open data set with rows unless forced; otherwise it reopens from an
// empty statement, which asks the server nothing.
TEST_F(ClientFeatures, ReOpenIfEmpty) {
    AnswerRows(test::IntTextRows({{1, "Kim"}}));
    Statement("SELECT ID, NAME FROM T");
    ds->Open();
    ds->ReOpenIfEmpty();
    EXPECT_EQ(ds->SQL().Count(), 1);
    EXPECT_EQ(ds->RecordCount(), 1);
    ds->ReOpenIfEmpty(true);
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_TRUE(ds->SQL().Empty());
    EXPECT_TRUE(ds->Active());
    EXPECT_EQ(ds->RecordCount(), 0);
}

// The offline copy is read after open, bound by column name whatever order it was saved in.
TEST_F(ClientFeatures, TheOfflineCopyIsBoundByName) {
    const std::string dir = testing::TempDir() + "ordo_offline_" + std::to_string(CurrentProcessId());
    ASSERT_TRUE(ForceDirectories(dir));
    const std::string file = dir + "/copy.dat";
    {
        TOrdoCustomDataSet older;  // saved under an older column list: QTY before CODE
        TOrdoRowTextWriter w;
        w.AddInteger(7);
        w.AddText("abc");
        w.EndRow();
        older.SetFieldDescriptions({"QTY,3,0", "CODE,1,3"});
        older.CreateRowList(true);
        older.DecodeRowText(w.Take());
        older.SaveToFile(file);
    }
    ds->SetFieldDescriptions({"CODE,1,3", "QTY,3,0"});
    ds->OfflineData().Active = true;
    ds->OfflineData().FileName = file;
    ds->Open();
    EXPECT_TRUE(requests.empty()) << "the offline copy asks the server nothing";
    ASSERT_EQ(ds->RecordCount(), 1);
    EXPECT_EQ(ds->FieldByName("CODE").AsString(), "abc");
    EXPECT_EQ(ds->FieldByName("QTY").AsInteger(), 7);
    std::filesystem::remove_all(dir);
}

// Cached updates are sent by ApplyUpdates, after-post updates by every post; a refused apply
// keeps the change log for the next attempt.
TEST_F(ClientFeatures, CachedAndAfterPostUpdatesReachTheServer) {
    for (const TOrdoUpdateMethod method : {umCached, umAfterPost}) {
        SCOPED_TRACE(UpdateMethodName(method));
        ds = std::make_unique<TOrdoClientDataSet>();
        ds->SetOrdoClientSocket(socket.get());
        ds->SetUpdateMethod(method);
        ds->SetTableName("T");
        ds->PrimeFields() = {"ID"};
        requests.clear();
        AnswerRows(test::IntTextRows({{1, "Kim"}}));
        ds->Open();
        if (method == umCached) AnswerError("lock conflict");
        Answer([](std::int32_t id) { return std::vector<TOrdoStringLine>{RowsAffectedLine(id, 1)}; });
        ds->Edit();
        ds->FieldByName("NAME").SetAsString("Lee");
        ds->Post();
        if (method == umCached) {
            EXPECT_EQ(requests.size(), 1u) << "a cached change waits for ApplyUpdates";
            EXPECT_EQ(RaisedBy([&] { ds->ApplyUpdates(); }), kServerError + "lock conflict");
            EXPECT_TRUE(ds->HasChanges());
            ds->ApplyUpdates();
        }
        ASSERT_EQ(requests.size(), method == umCached ? 3u : 2u);
        TOrdoStringLine& apply = requests.back();
        EXPECT_EQ(apply.Token(), mcExecSQL);
        EXPECT_EQ(apply.ReadString(), "BEGIN TRANSACTION\r\nUPDATE T SET NAME = 'Lee' WHERE ID = 1;\r\nCOMMIT\r\n");
        EXPECT_FALSE(ds->HasChanges());
    }
}

// Handlers between the reply and the rows: the field-type handler and the options' type mapping
// shape the columns; the rewrite handler changes the text sent and the statement kept.
TEST_F(ClientFeatures, FieldTypeAndRewriteHandlers) {
    Answer([](std::int32_t id) {
        return std::vector<TOrdoStringLine>{
            DefsLine(id, {{"ID", ftAutoInc, 0}, {"NAME", ftWideString, 5}, {"AMT", ftBCD, 0}, {"CODE", ftString, 2}}),
            RowsLine(id, 0, "1\x02" "kim\x02" "2.5\x02" "abcdef\x02\x04")};
    });
    ds->SetSQLOptions({soMapAutoIncToInteger, soMapWideStringtoString, soMapBCDtoFloat});
    ds->OnFieldType = [](TOrdoBaseClientDataSet&, const std::string& name, int&, int& size) {
        if (name == "CODE") size = 6;
    };
    ds->OnRewriteSQL = [](TOrdoBaseClientDataSet&, std::string& sql) { sql = "SELECT * FROM T2"; };
    Statement("SELECT * FROM T");
    ds->Open();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].ReadString(), "SELECT * FROM T2\r\n");
    EXPECT_EQ(ds->SQL().Lines(), (std::vector<std::string>{"SELECT * FROM T2"}));
    EXPECT_EQ(ds->FieldByName("ID").DataType(), ftInteger);
    EXPECT_EQ(ds->FieldByName("NAME").DataType(), ftString);
    EXPECT_EQ(ds->FieldByName("AMT").DataType(), ftFloat);
    EXPECT_DOUBLE_EQ(ds->FieldByName("AMT").AsFloat(), 2.5);
    EXPECT_EQ(ds->FieldByName("CODE").AsString(), "abcdef");
}

// soDelayed: an open whose rows have not come yet skips the after-populate step; rows clear it.
TEST_F(ClientFeatures, DelayedOpensPopulateOnlyWhenRowsCame) {
    struct Case {
        const char* name;
        TOrdoSelectSQLOptions options;
        int populated;
    };
    for (const Case& c : {Case{"plain", {}, 1}, Case{"delayed, rows came", {soDelayed}, 1},
                          Case{"delayed, rows still to come", {soDelayed, soNoWait}, 0},
                          Case{"not delayed, rows still to come", {soNoWait}, 1}}) {
        SCOPED_TRACE(c.name);
        ds = std::make_unique<TOrdoClientDataSet>();
        ds->SetOrdoClientSocket(socket.get());
        ds->SetSQLOptions(c.options);
        int populated = 0;
        ds->OnAfterPopulate = [&](TOrdoBaseClientDataSet&) { ++populated; };
        if (!c.options.Contains(soNoWait)) AnswerRows(test::IntTextRows({{1, "Kim"}}));
        Statement("SELECT ID, NAME FROM T");
        ds->Open();
        EXPECT_EQ(populated, c.populated);
    }
}

// Rows in the reply of a request that failed are not the data set's; rows of a new result (packet
// state 0) replace those the data set holds, further packets append.
TEST_F(ClientFeatures, WhichArrivingRowsReplaceTheStoredOnes) {
    Answer([](std::int32_t id) {
        return std::vector<TOrdoStringLine>{DefsLine(id, test::kIdName),
                                            RowsLine(id, 0, test::IntTextRows({{1, "Kim"}, {2, "Lee"}}))};
    });
    Statement("SELECT ID, NAME FROM T");
    ds->Open();
    Answer([](std::int32_t id) {
        return std::vector<TOrdoStringLine>{ErrorLine(id, "deadlock"), RowsLine(id, 0, test::IntTextRows({{9, "Stray"}}))};
    });
    EXPECT_EQ(RaisedBy([&] { ds->ExecuteSQL(); }), kServerError + "deadlock");
    Settle();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Kim", "Lee"})) << "rows after an error are ignored";

    Answer([](std::int32_t id) {
        return std::vector<TOrdoStringLine>{RowsAffectedLine(id, 0), RowsLine(id, 0, test::IntTextRows({{3, "Park"}})),
                                            RowsLine(id, -1, test::IntTextRows({{4, "Choi"}}))};
    });
    ds->ExecuteSQL();
    Settle();
    EXPECT_EQ(Names(), (std::vector<std::string>{"Park", "Choi"})) << "a new result replaces, a further packet appends";
}

// An execute refused before it is sent leaves no count of the execute before it.
TEST_F(ClientFeatures, RowsAffectedIsClearedWhenAnExecuteIsRefused) {
    Answer([](std::int32_t id) { return std::vector<TOrdoStringLine>{RowsAffectedLine(id, 5)}; });
    Statement("UPDATE T SET NAME = 'x'");
    ds->ExecuteSQL();
    EXPECT_EQ(ds->RowsAffected(), 5);
    socket->Close();
    Settle();
    EXPECT_EQ(RaisedBy([&] { ds->ExecuteSQL(); }), SocketNotActiveText());
    EXPECT_EQ(ds->RowsAffected(), 0);
}

// Pending cached updates travel with a saved stream and come back with a load.
TEST_F(ClientFeatures, PendingCachedUpdatesSurviveASaveAndALoad) {
    AnswerRows(test::IntTextRows({{1, "Kim"}, {2, "Lee"}}));
    ds->SetUpdateMethod(umCached);
    ds->OfflineData().SaveCachedUpdates = true;
    Statement("SELECT ID, NAME FROM T");
    ds->Open();
    ds->Edit();
    ds->FieldByName("NAME").SetAsString("Park");
    ds->Post();
    ds->Last();
    ds->Delete();
    ASSERT_EQ(ds->ChangeLog().size(), 2u);
    TMemoryStream saved;
    ds->SaveToStream(saved);

    TOrdoClientDataSet back;
    back.OfflineData().SaveCachedUpdates = true;
    back.SetTableName("T");
    back.PrimeFields() = {"ID"};
    saved.SetPosition(0);
    back.LoadDataSetFromStream(saved);
    EXPECT_EQ(saved.Position(), saved.Size());
    ASSERT_EQ(back.ChangeLog().size(), 2u);
    EXPECT_EQ(back.GenerateUpdateStatements(),
              (std::vector<std::string>{"UPDATE T SET NAME = 'Park' WHERE ID = 1", "DELETE FROM T WHERE ID = 2"}));
    TMemoryStream again;
    back.SaveToStream(again);
    EXPECT_TRUE(std::equal(saved.Memory().begin(), saved.Memory().end(), again.Memory().begin(), again.Memory().end()));

    // With ssCachedUpdates set, or SaveCachedUpdates off, the log is not part of the stream.
    ds->SetStreamOptions({ssIndexes, ssAggregates, ssCachedUpdates});
    TMemoryStream without;
    ds->SaveToStream(without);
    EXPECT_LT(without.Size(), saved.Size());
}

}  // namespace
}  // namespace ordo
