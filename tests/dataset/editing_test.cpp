#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "test_rows.h"

namespace ordo {
namespace {

using namespace std::string_literals;

void People(TOrdoDataSet& ds) {
    ds.AddFieldDescription("ID", ftAutoInc, 0);
    ds.AddFieldDescription("NAME", ftString, 10);
    ds.AddFieldDescription("NOTE", ftMemo, 0);
    ds.SetAutoIncrement(true);
    ds.Open();
}

std::vector<std::string> Names(TOrdoDataSet& ds) {
    std::vector<std::string> out;
    for (ds.First(); !ds.Eof(); ds.Next()) out.push_back(ds.FieldByName("NAME").AsString());
    return out;
}

void AppendPerson(TOrdoDataSet& ds, const std::string& name) {
    ds.Append();
    ds.FieldByName("NAME").SetAsString(name);
    ds.Post();
}

TEST(TOrdoDataSetEditing, AppendNumbersAutoIncrementColumns) {
    TOrdoDataSet ds;
    ds.AddFieldDescription("ID", ftAutoInc, 0);
    ds.AddFieldDescription("NAME", ftString, 10);
    ds.SetAutoIncrement(true);
    ds.Open();
    ds.Append();
    EXPECT_EQ(ds.State(), dsInsert);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 0);  // a new record holds 0 until it is posted
    ds.FieldByName("NAME").SetAsString("kim");
    ds.Post();
    AppendPerson(ds, "lee");
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 2);
    EXPECT_EQ(ds.NextAutoIncValue(), 3);
    EXPECT_EQ(Names(ds), (std::vector<std::string>{"kim", "lee"}));
    ds.EmptyDataSet();
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_EQ(ds.NextAutoIncValue(), 1);
    EXPECT_TRUE(ds.Eof());
    AppendPerson(ds, "park");
    ds.Close();  // the row list was not built from arriving descriptions: it survives
    ds.EmptyDataSet();
    EXPECT_EQ(ds.RowList()->Count(), 0);
}

TEST(TOrdoDataSetEditing, InsertGoesBeforeTheCurrentRow) {
    TOrdoDataSet ds;
    ds.AddFieldDescription("NAME", ftString, 10);
    ds.Open();
    AppendPerson(ds, "a");
    AppendPerson(ds, "c");
    ds.Last();
    ds.Insert();
    EXPECT_EQ(ds.RecNo(), 2);  // a record being inserted has no row of its own yet
    ds.FieldByName("NAME").SetAsString("b");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "b");
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(Names(ds), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(TOrdoDataSetEditing, EditPostAndCancel) {
    TOrdoDataSet ds;
    People(ds);
    AppendPerson(ds, "kim");
    AppendPerson(ds, "lee");
    ds.First();
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("park");
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "park");
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "kim");
    ds.Edit();
    ds.FieldByName("NAME").Clear();
    ds.Post();
    EXPECT_TRUE(ds.FieldByName("NAME").IsNull());
    ds.Edit();
    ds.FieldByName("NAME").SetAsString("");
    ds.Post();
    EXPECT_FALSE(ds.FieldByName("NAME").IsNull());  // an empty string is a value
    ds.Append();
    ds.Cancel();
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 1);  // back on the row that was current
}

TEST(TOrdoDataSetEditing, DeleteMovesToTheNextRowAndFreesBlobs) {
    TOrdoDataSet ds;
    People(ds);
    for (const char* n : {"a", "b", "c"}) {
        ds.Append();
        ds.FieldByName("NAME").SetAsString(n);
        ds.FieldByName("NOTE").SetAsString(std::string("note ") + n);
        ds.Post();
    }
    EXPECT_EQ(ds.BlobList().Count(), 3);
    ds.First();
    ds.Next();
    ds.Delete();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "c");
    EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "note c");
    EXPECT_EQ(ds.BlobList().Count(), 2);
    ds.Delete();
    EXPECT_EQ(ds.FieldByName("NAME").AsString(), "a");  // the last row gone: the one before it
    ds.Delete();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Eof() && ds.Bof());
    EXPECT_THROW(ds.Delete(), EDatabaseError);
}

TEST(TOrdoDataSetEditing, BlobStreams) {
    TOrdoDataSet ds;
    People(ds);
    ds.Append();
    {
        auto s = ds.CreateBlobStream(ds.FieldByName("NOTE"), bmWrite);
        s->WriteBytes(ToBytes("\x80\xFFz"s));
    }
    ds.Post();
    EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "\x80\xFFz"s);
    {
        auto s = ds.CreateBlobStream(ds.FieldByName("NOTE"), bmRead);
        EXPECT_EQ(s->Size(), 3);
        EXPECT_EQ(s->Position(), 0);
    }
    ds.Edit();
    ds.FieldByName("NOTE").SetAsString("");  // an empty stream makes the column NULL
    ds.Post();
    EXPECT_TRUE(ds.FieldByName("NOTE").IsNull());
    ds.Edit();
    ds.FieldByName("NOTE").SetAsString("again");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("NOTE").Value(), Variant("again"));
    EXPECT_EQ(ds.BlobList().Count(), 1);  // the stored blob was replaced, not duplicated
}

TEST(TOrdoDataSetEditing, BlobOnlyStreamEventSeesEveryBlob) {
    TOrdoDataSet ds;
    People(ds);
    ds.SetStreamOptions({ssBlobOnlyStreamEvent});
    ds.OnStreamEvent = [](TOrdoCustomDataSet&, TStream& s, bool loading) {
        auto& m = static_cast<TMemoryStream&>(s);
        Bytes b(m.Memory().begin(), m.Memory().end());
        for (auto& c : b) c ^= 0x20;  // the same both ways
        (void)loading;
        m.Assign(b);
    };
    ds.Append();
    ds.FieldByName("NOTE").SetAsString("abc");
    ds.Post();
    const std::int32_t id = 1;
    EXPECT_EQ(AsText(ds.BlobList().FindBlob(id, 3)->Memory()), "ABC");  // stored transformed
    EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "abc");                 // read back through the event
}

TEST(TOrdoDataSetEditing, FieldWritesNeedAnEditingState) {
    TOrdoDataSet ds;
    People(ds);
    AppendPerson(ds, "kim");
    try {
        ds.FieldByName("NAME").SetAsString("x");
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.what(), AnsiLiteral("데이터셋이 수정 또는 저장 모드가 아닙니다"));
    }
    ds.SetReadOnly(true);
    EXPECT_THROW(ds.Edit(), EDatabaseError);
    EXPECT_THROW(ds.Append(), EDatabaseError);
}

TEST(TOrdoDataSetEditing, ValidateAndChangeHooksRun) {
    TOrdoDataSet ds;
    People(ds);
    std::vector<std::string> log;
    ds.FieldByName("NAME").OnValidate = [&](TField& f) { log.push_back("validate " + f.FieldName()); };
    ds.FieldByName("NAME").OnChange = [&](TField&) { log.push_back("change"); };
    ds.OnNewRecord = [&](TDataSet&) { log.push_back("new"); };
    ds.BeforePost = [&](TDataSet&) { log.push_back("before post"); };
    AppendPerson(ds, "kim");
    EXPECT_EQ(log, (std::vector<std::string>{"new", "validate NAME", "change", "before post"}));
}

TEST(TOrdoDataSetEditing, CalculatedFieldsHaveTheirOwnArea) {
    TOrdoDataSet ds;
    ds.AddFieldDescription("N", ftInteger, 0);
    ds.AddField("N", ftInteger);
    TField& twice = ds.AddField("TWICE", ftInteger, 0, fkCalculated);
    ds.OnCalcFields = [&](TDataSet& s) {
        if (!s.FieldByName("N").IsNull()) twice.SetAsInteger(2 * s.FieldByName("N").AsInteger());
    };
    ds.Open();
    ds.Append();
    ds.FieldByName("N").SetAsInteger(21);
    ds.Post();
    EXPECT_EQ(twice.AsInteger(), 42);
    ds.Append();
    ds.Post();
    EXPECT_TRUE(twice.IsNull());
}

}  // namespace
}  // namespace ordo

namespace ordo {
namespace {

// A blob that cannot be stored must never leave a NULL behind a Post that succeeded: it goes to
// the application's handler when one is set, else it is raised by the call that wrote it, or,
// for a stream the program freed itself, by the next Post.
TEST(TOrdoDataSetEditing, ABlobSaveThatFailsIsNeverSilent) {
    enum class Road { SetAsString, OwnStreamThenPost };
    struct Case {
        const char* name;
        Road road;
        bool handler;
    };
    for (const Case& c : {Case{"field write, no handler", Road::SetAsString, false},
                          Case{"field write, handler", Road::SetAsString, true},
                          Case{"own stream, no handler", Road::OwnStreamThenPost, false},
                          Case{"own stream, handler", Road::OwnStreamThenPost, true}}) {
        SCOPED_TRACE(c.name);
        TOrdoDataSet ds;
        People(ds);
        ds.SetStreamOptions({ssBlobOnlyStreamEvent});
        ds.OnStreamEvent = [](TOrdoCustomDataSet&, TStream&, bool loading) {
            if (!loading) throw EOrdoError("disk full");
        };
        std::vector<std::string> handled;
        if (c.handler)
            ds.OnHandleException = [&](TDataSet&, std::exception_ptr e) {
                try {
                    std::rethrow_exception(e);
                } catch (const EOrdoError& x) {
                    handled.push_back(x.what());
                }
            };
        ds.Append();
        ds.FieldByName("NAME").SetAsString("kim");
        std::string raised;
        try {
            if (c.road == Road::SetAsString) {
                ds.FieldByName("NOTE").SetAsString("note");
            } else {
                auto s = ds.CreateBlobStream(ds.FieldByName("NOTE"), bmWrite);
                s->WriteBytes(ToBytes("note"s));
                s.reset();
                ds.Post();
            }
        } catch (const EOrdoError& e) {
            raised = e.what();
        }
        EXPECT_EQ(raised, c.handler ? "" : "disk full");
        EXPECT_EQ(handled, c.handler ? std::vector<std::string>{"disk full"} : std::vector<std::string>{});
        if (!c.handler) {
            EXPECT_EQ(ds.State(), dsInsert) << "the record whose value failed is not stored";
            ds.Cancel();
            EXPECT_EQ(ds.RecordCount(), 0);
            ds.OnStreamEvent = nullptr;
            AppendPerson(ds, "lee");  // the failure was raised once and is gone
            EXPECT_EQ(ds.RecordCount(), 1);
        }
    }
}

}  // namespace
}  // namespace ordo
