// What a data set holds comes back whole: a stream it saved loads again into it, a column keeps
// its slot from arrival to reload, an edit that is cancelled leaves nothing changed (issue 24).
#include <gtest/gtest.h>

#include "core/wire.h"
#include "dataset/ordo_data_set.h"
#include "platform/codepage.h"
#include "test_rows.h"

namespace ordo {
namespace {

using namespace std::string_literals;
using test::Arrive;

constexpr const char* kGuid = "{3F2504E0-4F89-11D3-9A0C-0305E82C3301}";

/// A field list and rows with no header in front, as writers before the header wrote them.
TMemoryStream HeaderlessStream() {
    TOrdoCustomDataSet source;
    Arrive(source, {{"ID", ftInteger, 0}, {"N", ftString, 3}}, "7\x02" "abc\x02\x04" "8\x02" "de\x02\x04"s);
    TMemoryStream legacy;
    source.RowList()->SaveToStream(legacy);
    source.BlobList().SaveToStream(legacy);
    legacy.SetPosition(0);
    return legacy;
}

std::vector<std::string> Column(TDataSet& ds, const std::string& name) {
    std::vector<std::string> out;
    for (ds.First(); !ds.Eof(); ds.Next()) out.push_back(ds.FieldByName(name).AsString());
    return out;
}

// A data set holding the legacy option reads and writes streams without a header and keeps its
// options, so what it saves loads back into it; it does not look for a header.
TEST(DataSetRoundTrip, HeaderlessStreamLoadedSavedAndLoadedAgainIntoTheSameDataSet) {
    TMemoryStream legacy = HeaderlessStream();
    TOrdoCustomDataSet ds;
    ds.LoadDataSetFromStream(legacy);
    EXPECT_EQ(ds.StreamOptions(), TOrdoStreamSaveOptions({ssOrdoLegacy}));

    TMemoryStream saved;
    ds.SaveToStream(saved);
    EXPECT_EQ(saved.Memory()[0], 0x06) << "no header: the field list section comes first";
    saved.SetPosition(0);
    ds.LoadDataSetFromStream(saved);
    EXPECT_EQ(Column(ds, "N"), (std::vector<std::string>{"abc", "de"}));
    EXPECT_EQ(saved.Position(), saved.Size());
    saved.SetPosition(0);
    ds.LoadFromStream(saved);
    EXPECT_EQ(Column(ds, "ID"), (std::vector<std::string>{"7", "8"}));

    // The options a program gave it stay through headerless loads.
    const TOrdoStreamSaveOptions options{ssOrdoLegacy, ssCustom};
    ds.SetStreamOptions(options);
    legacy.SetPosition(0);
    ds.LoadFromStream(legacy);
    EXPECT_EQ(ds.StreamOptions(), options);
    EXPECT_EQ(ds.RecordCount(), 2);

    TOrdoCustomDataSet headed;
    Arrive(headed, {{"ID", ftInteger, 0}, {"N", ftString, 3}}, "9\x02" "x\x02\x04"s);
    TMemoryStream withHeader;
    headed.SaveToStream(withHeader);
    withHeader.SetPosition(0);
    EXPECT_THROW(ds.LoadFromStream(withHeader), EReadError) << "a legacy data set does not look for a header";
    EXPECT_EQ(ds.RecordCount(), 2);
}

TEST(DataSetRoundTrip, AStreamThatFailsHalfWayLeavesTheDataSetAsItWas) {
    TOrdoCustomDataSet other;
    Arrive(other, {{"ID", ftInteger, 0}, {"N", ftString, 3}}, "1\x02" "xyz\x02\x04"s);
    TMemoryStream full;
    other.SaveToStream(full);
    // Cut inside the row section: the header and field list read, the rows do not.
    const Bytes cut(full.Memory().begin(), full.Memory().end() - 60);

    TOrdoCustomDataSet ds;
    Arrive(ds, {{"ID", ftInteger, 0}, {"N", ftString, 3}}, "7\x02" "abc\x02\x04"s);
    ds.Open();
    const TOrdoStreamSaveOptions before = ds.StreamOptions();
    for (bool whole : {false, true}) {
        SCOPED_TRACE(whole ? "structure-replacing load" : "plain load");
        TMemoryStream s(cut);
        EXPECT_THROW(whole ? ds.LoadDataSetFromStream(s) : ds.LoadFromStream(s), EOrdoError);
        EXPECT_TRUE(ds.Active());
        EXPECT_EQ(Column(ds, "N"), std::vector<std::string>{"abc"});
        EXPECT_EQ(ds.StreamOptions(), before);
    }
}

TEST(DataSetRoundTrip, GuidColumnSavedWithAnotherSlotKeepsItsRows) {
    // Streams saved before GUID columns arriving got their 38 bytes hold a narrower slot.
    TOrdoCustomDataSet old;
    old.SetFieldDescriptions({"ID,3,0", "G,35,25"});
    old.CreateRowList(true);
    old.DecodeRowText("5\x02{3F2504E0-4F89-11D3-9A0\x02\x04" "6\x02\x03\x02\x04"s);
    TMemoryStream saved;
    old.SaveToStream(saved);

    saved.SetPosition(0);
    TOrdoCustomDataSet ds;
    ds.LoadDataSetFromStream(saved);
    EXPECT_EQ(ds.FieldDefs().Find("G")->Size, 38);
    EXPECT_EQ(Column(ds, "ID"), (std::vector<std::string>{"5", "6"}));
    EXPECT_EQ(Column(ds, "G"), (std::vector<std::string>{"{3F2504E0-4F89-11D3-9A0", ""}));
    ds.Last();
    EXPECT_TRUE(ds.FieldByName("G").IsNull());
}

void Notes(TOrdoDataSet& ds) {
    ds.AddFieldDescription("ID", ftInteger, 0);
    ds.AddFieldDescription("NOTE", ftMemo, 0);
    ds.Open();
    ds.Append();
    ds.FieldByName("ID").SetAsInteger(1);
    ds.FieldByName("NOTE").SetAsString("old text");
    ds.Post();
}

TEST(DataSetRoundTrip, MemoEditedAndCancelledKeepsTheOldContents) {
    TOrdoDataSet ds;
    Notes(ds);
    ds.Edit();
    ds.FieldByName("NOTE").SetAsString("new text");
    ds.FieldByName("NOTE").SetAsString("newer text");
    EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "newer text");
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "old text");
    EXPECT_EQ(ds.BlobList().Count(), 1) << "the edit's own blob went with the cancel";

    ds.Edit();
    ds.FieldByName("NOTE").Clear();
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "old text");

    ds.Edit();
    ds.FieldByName("NOTE").SetAsString("posted text");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "posted text");
    EXPECT_EQ(ds.BlobList().Count(), 1) << "the replaced blob went with the post";

    // Saved and loaded, the row holds what was posted.
    TMemoryStream s;
    ds.SaveToStream(s);
    s.SetPosition(0);
    TOrdoCustomDataSet copy;
    copy.LoadDataSetFromStream(s);
    EXPECT_EQ(copy.FieldByName("NOTE").AsString(), "posted text");
}

TEST(DataSetRoundTrip, BlobWritesOutsideAnEditingStateRaiseLikeAnyField) {
    TOrdoDataSet ds;
    Notes(ds);
    const std::string expected = AnsiLiteral("데이터셋이 수정 또는 저장 모드가 아닙니다");
    for (const char* how : {"SetAsString", "Clear", "stream"}) {
        SCOPED_TRACE(how);
        try {
            const std::string_view h = how;
            if (h == "SetAsString") ds.FieldByName("NOTE").SetAsString("lost");
            if (h == "Clear") ds.FieldByName("NOTE").Clear();
            if (h == "stream") ds.CreateBlobStream(ds.FieldByName("NOTE"), bmReadWrite)->WriteBytes(ToBytes("lost"s));
            ADD_FAILURE() << "no exception";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.what(), expected);
        }
        EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "old text");
    }
    // Reading in browse state is still fine.
    EXPECT_EQ(ds.CreateBlobStream(ds.FieldByName("NOTE"), bmReadWrite)->Size(), 8);
}

}  // namespace
}  // namespace ordo
