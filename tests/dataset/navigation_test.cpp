#include <gtest/gtest.h>

#include <optional>

#include "platform/codepage.h"
#include "test_rows.h"

namespace ordo {
namespace {

using namespace std::string_literals;
using test::Arrive;

std::string ThreeRows() {
    TOrdoRowTextWriter w;
    for (int i = 1; i <= 3; ++i) {
        w.AddText("C" + std::to_string(i));
        w.AddFloat(i * 1.5);
        if (i == 2) w.AddNull(); else w.AddInteger(i * 10);
        w.EndRow();
    }
    w.EndOfData();
    return w.Take();
}

const std::vector<TOrdoFieldDef> kDefs = {{"CODE", ftString, 10}, {"AMT", ftFloat, 0}, {"QTY", ftInteger, 0}};

TEST(TOrdoCustomDataSet, ColumnsWithoutRows) {
    TOrdoCustomDataSet ds;
    Arrive(ds, kDefs, "NULL\x04");
    ds.Open();
    EXPECT_TRUE(ds.Active());
    EXPECT_EQ(ds.FieldCount(), 3);
    EXPECT_EQ(ds.RecordCount(), 0);
    EXPECT_TRUE(ds.Eof());
    EXPECT_TRUE(ds.Bof());
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.FieldByName("CODE").IsNull());
    EXPECT_TRUE(ds.FieldByName("amt").Value().IsNull());
    EXPECT_EQ(ds.FieldByName("CODE").AsString(), "");
    ds.Next();
    EXPECT_TRUE(ds.Eof());
}

TEST(TOrdoCustomDataSet, WalksTheRowsInArrivalOrder) {
    TOrdoCustomDataSet ds;
    Arrive(ds, kDefs, ThreeRows());
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 3);
    std::vector<std::string> seen;
    std::vector<int> recNos;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        seen.push_back(ds.FieldByName("CODE").AsString());
        recNos.push_back(ds.RecNo());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"C1", "C2", "C3"}));
    EXPECT_EQ(recNos, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ds.FieldByName("CODE").AsString(), "C3");  // past the end the last row stays current
    ds.Prior();
    EXPECT_EQ(ds.FieldByName("CODE").AsString(), "C2");
    EXPECT_FALSE(ds.Eof());
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 3);
    ds.Prior();
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 1);
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.FieldByName("CODE").AsString(), "C1");
    EXPECT_EQ(ds.MoveBy(5), 2);
    EXPECT_TRUE(ds.Eof());
}

TEST(TOrdoCustomDataSet, FieldValuesAndNulls) {
    TOrdoCustomDataSet ds;
    Arrive(ds, kDefs, ThreeRows());
    ds.Open();
    ds.First();
    EXPECT_EQ(ds.FieldByName("AMT").AsFloat(), 1.5);
    EXPECT_EQ(ds.FieldByName("QTY").AsInteger(), 10);
    EXPECT_EQ(ds.FieldByName("QTY").Value().VarType(), varInteger);
    ds.Next();
    TField& qty = ds.FieldByName("QTY");
    EXPECT_TRUE(qty.IsNull());
    EXPECT_TRUE(qty.Value().IsNull());
    EXPECT_EQ(qty.AsString(), "");
    EXPECT_THROW((void)qty.AsFloat(), EVariantError);
    EXPECT_THROW((void)ds.FieldByName("NOPE"), EDatabaseError);
    ds.SetName("dsDB");
    try {
        (void)ds.FieldByName("NOPE");
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "dsDB: Field 'NOPE' not found");
    }
}

// Look-ups by name are asked in every order on every row; a join may bring two columns of one name,
// and the first of them is the one a name finds.
TEST(TOrdoCustomDataSet, FieldsByNameInAnyOrderAndTheFirstOfTwins) {
    TOrdoRowTextWriter w;
    for (int i = 1; i <= 2; ++i) {
        w.AddText("A" + std::to_string(i));
        w.AddInteger(i);
        w.AddText("B" + std::to_string(i));
        w.AddInteger(i * 100);
        w.EndRow();
    }
    w.EndOfData();
    TOrdoCustomDataSet ds;
    Arrive(ds, {{"CODE", ftString, 4}, {"N", ftInteger, 0}, {"CODE", ftString, 4}, {"M", ftInteger, 0}}, w.Take());
    ds.Open();
    for (int i = 1; i <= 2; ++i, ds.Next()) {
        EXPECT_EQ(ds.FieldByName("M").AsInteger(), i * 100);
        EXPECT_EQ(ds.FieldByName("N").AsInteger(), i);
        EXPECT_EQ(&ds.FieldByName("code"), &ds.Fields(0)) << "the first CODE, after N was found";
        EXPECT_EQ(ds.FieldByName("code").AsString(), "A" + std::to_string(i));
        EXPECT_EQ(ds.FieldByName("m").AsInteger(), i * 100);
    }

    TOrdoCustomDataSet single;
    Arrive(single, kDefs, ThreeRows());
    single.Open();
    for (const char* name : {"QTY", "CODE", "AMT", "QTY", "AMT", "CODE"})
        EXPECT_EQ(single.FieldByName(name).FieldName(), name);
    EXPECT_EQ(single.FindField("NOPE"), nullptr);
    EXPECT_EQ(single.FieldByName("qty").AsInteger(), 10);
}

// Reading a number takes a short road for number fields; it must give what the value itself converts to,
// and a NULL must still refuse to be a number.
TEST(TOrdoCustomDataSet, AsFloatOfEveryNumberTypeIsTheValueAsDouble) {
    const std::vector<TOrdoFieldDef> defs = {{"SI", ftSmallint, 0}, {"W", ftWord, 0},     {"I", ftInteger, 0},
                                             {"L", ftLargeint, 0},  {"F", ftFloat, 0},    {"C", ftCurrency, 0},
                                             {"B", ftBCD, 4},       {"A", ftAutoInc, 0},  {"S", ftString, 10}};
    TOrdoRowTextWriter w;
    w.AddInteger(-1234);
    w.AddInteger(65000);
    w.AddInteger(-2000000000);
    w.AddInteger(9007199254740993LL);
    w.AddFloat(-0.1);
    w.AddFloat(12345.67);
    w.AddCurrency(Currency::FromRaw(-1234567890123));
    w.AddInteger(7);
    w.AddText("2.5");
    w.EndRow();
    for (int i = 0; i < 9; ++i) w.AddNull();
    w.EndRow();
    w.EndOfData();
    TOrdoCustomDataSet ds;
    Arrive(ds, defs, w.Take());
    ds.Open();
    for (const TOrdoFieldDef& d : defs) {
        SCOPED_TRACE(d.Name);
        const TField& f = ds.FieldByName(d.Name);
        EXPECT_EQ(f.AsFloat(), f.Value().AsDouble());
    }
    EXPECT_EQ(ds.FieldByName("SI").AsFloat(), -1234);
    EXPECT_EQ(ds.FieldByName("W").AsFloat(), 65000);
    EXPECT_EQ(ds.FieldByName("B").AsFloat(), -123456789.0123);
    EXPECT_EQ(ds.FieldByName("L").AsFloat(), 9007199254740992.0);
    ds.Next();
    for (const TOrdoFieldDef& d : defs) {
        SCOPED_TRACE(d.Name);
        EXPECT_THROW((void)ds.FieldByName(d.Name).AsFloat(), EVariantError);
    }
}

// Text fields take a short road to their text as well; it must be the value's own text, up to the slot's end
// when the text fills it, and empty for NULL. Wide text is converted and must keep the general road.
TEST(TOrdoCustomDataSet, AsStringOfTextFieldsIsTheValuesText) {
    const std::vector<TOrdoFieldDef> defs = {
        {"S", ftString, 8}, {"FC", ftFixedChar, 4}, {"G", ftGuid, 38}, {"WS", ftWideString, 4}};
    const std::string guid = "{0F8FAD5B-D9CB-469F-A165-70867728950E}";
    const std::vector<std::vector<std::optional<std::string>>> rows = {
        {"", "", "", ""},
        {"12345678", "abcd", guid, "wide"},                       // every slot filled to its last byte
        {"123456789", "abcde", guid + "X", "wider"},              // longer than declared: cut to the slot
        {" 2001-1 ", "a  ", guid.substr(0, 10), "w "},            // blanks are kept
        {AnsiLiteral("전미수"), AnsiLiteral("매"), "-", AnsiLiteral("전미수")},  // the code page's bytes
        {std::nullopt, std::nullopt, std::nullopt, std::nullopt},
    };
    TOrdoRowTextWriter w;
    for (const auto& row : rows) {
        for (const auto& text : row)
            if (text) w.AddText(*text); else w.AddNull();
        w.EndRow();
    }
    w.EndOfData();
    TOrdoCustomDataSet ds;
    Arrive(ds, defs, w.Take());
    ds.Open();
    for (std::size_t r = 0; r < rows.size(); ++r, ds.Next()) {
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(testing::Message() << "row " << r << ", field " << i);
            const TField& f = ds.Fields(i);
            const Variant v = f.Value();
            EXPECT_EQ(f.AsString(), v.IsNull() ? std::string() : v.AsString());
            if (i < 3) {
                EXPECT_EQ(AsText(f.AsBytes()), f.AsString()) << "a read receives the text, not the padding";
            }
        }
    }
    ds.First();
    ds.Next();
    EXPECT_EQ(ds.FieldByName("S").AsString(), "12345678");
    ds.Next();
    EXPECT_EQ(ds.FieldByName("FC").AsString(), "abcd");
    ds.Last();
    EXPECT_TRUE(ds.FieldByName("S").IsNull());
    EXPECT_EQ(ds.FieldByName("S").AsString(), "");
    // A value cleared while editing keeps its bytes in the slot; only the NULL bit tells it is gone.
    ds.First();
    ds.Edit();
    ds.FieldByName("FC").SetAsString("abc");
    ds.FieldByName("FC").Clear();
    EXPECT_EQ(ds.FieldByName("FC").AsString(), "");
    ds.Cancel();
}

TEST(TOrdoCustomDataSet, EmptyTextIsNotNull) {
    TOrdoCustomDataSet ds;
    Arrive(ds, {{"S", ftString, 5}, {"N", ftString, 5}}, "\x02\x03\x02\x04"s);
    ds.Open();
    EXPECT_FALSE(ds.FieldByName("S").IsNull());
    EXPECT_EQ(ds.FieldByName("S").Value(), Variant(""));
    EXPECT_TRUE(ds.FieldByName("N").IsNull());
    EXPECT_THROW((void)ds.FieldByName("S").AsFloat(), EConvertError);
}

TEST(TOrdoCustomDataSet, EveryTypeReadsBackThroughItsField) {
    TOrdoCustomDataSet ds;
    const std::vector<TOrdoFieldDef> defs = {
        {"S", ftString, 8}, {"SI", ftSmallint, 0}, {"W", ftWord, 0}, {"B", ftBoolean, 0}, {"I", ftInteger, 0},
        {"F", ftFloat, 0}, {"BC", ftBCD, 0}, {"D", ftDate, 0}, {"T", ftTime, 0}, {"DT", ftDateTime, 0},
        {"L", ftLargeint, 0}, {"M", ftMemo, 0}, {"WS", ftWideString, 4}, {"TS", ftTimeStamp, 0}, {"FB", ftFMTBcd, 0},
        {"VB", ftVarBytes, 4}};
    TOrdoRowTextWriter w;
    w.AddText("text");
    w.AddInteger(-5);
    w.AddInteger(65535);
    w.AddBoolean(true);
    w.AddInteger(123456);
    w.AddFloat(-2.25);
    w.AddCurrency(Currency::FromRaw(1234567));
    w.AddDateTime(45292);
    w.AddDateTime(0.5);
    w.AddDateTime(45292.25);
    w.AddInteger(-9000000000LL);
    w.AddBinary(ToBytes("memo text"));
    w.AddText("wide text");
    w.AddDateTime(45292.5);
    w.AddBcd(StrToBcd("-7.125"));
    w.AddBinary(ToBytes("\x01\x02\x03\x04\x05"s));
    w.EndRow();
    Arrive(ds, defs, w.Take());
    ds.Open();
    EXPECT_EQ(ds.FieldByName("S").AsString(), "text");
    EXPECT_EQ(ds.FieldByName("SI").AsInteger(), -5);
    EXPECT_EQ(ds.FieldByName("W").AsInteger(), 65535);
    EXPECT_TRUE(ds.FieldByName("B").AsBoolean());
    EXPECT_EQ(ds.FieldByName("B").AsString(), "True");
    EXPECT_EQ(ds.FieldByName("I").AsInteger(), 123456);
    EXPECT_EQ(ds.FieldByName("F").AsFloat(), -2.25);
    EXPECT_EQ(ds.FieldByName("BC").AsCurrency(), Currency::FromRaw(1234567));
    EXPECT_EQ(ds.FieldByName("D").AsDateTime(), 45292.0);
    EXPECT_EQ(ds.FieldByName("D").AsString(), "2024-01-01");
    EXPECT_EQ(ds.FieldByName("T").AsDateTime(), 0.5);
    EXPECT_EQ(ds.FieldByName("DT").AsDateTime(), 45292.25);
    EXPECT_EQ(ds.FieldByName("L").AsLargeInt(), -9000000000LL);
    EXPECT_EQ(ds.FieldByName("M").AsString(), "memo text");
    EXPECT_EQ(ds.FieldByName("WS").AsString(), "wide");  // four characters declared
    EXPECT_EQ(SQLTimeStampToStr(ds.FieldByName("TS").Value().AsSQLTimeStamp()), "2024-01-01 12:00:00");
    EXPECT_EQ(BcdToStr(ds.FieldByName("FB").Value().AsBcd(), '.'), "-7.125");
    EXPECT_EQ(ds.FieldByName("VB").AsBytes(), (Bytes{1, 2, 3, 4}));
}

TEST(TOrdoCustomDataSet, DescriptionsParsedFromTheRight) {
    TOrdoDataSet ds;
    ds.AddFieldDescription("A,B", ftString, 20);
    ds.AddFieldDescription("G", ftGuid, 5);
    EXPECT_EQ(ds.FieldDescriptions(), (std::vector<std::string>{"A,B,1,20", "G,35,38"}));
    ds.Open();
    ASSERT_EQ(ds.FieldCount(), 2);
    EXPECT_EQ(ds.Fields(0).FieldName(), "A,B");
    EXPECT_EQ(ds.Fields(0).DataType(), ftString);
    EXPECT_EQ(ds.Fields(0).Size(), 20);
    EXPECT_EQ(ds.Fields(1).Size(), 38);
    EXPECT_EQ(ds.FieldDefs().Items(1).FieldNo, 2);
}

TEST(TOrdoCustomDataSet, ReopeningWithNewRowsNumbersFromOne) {
    TOrdoCustomDataSet ds;
    Arrive(ds, kDefs, ThreeRows());
    ds.Open();
    ds.Last();
    EXPECT_EQ(ds.GetBookmark(), (TBookmark{3, 0, 0, 0}));
    Arrive(ds, {{"X", ftInteger, 0}}, "7\x02\x04" "8\x02\x04"s);
    ds.Open();
    EXPECT_EQ(ds.RecordCount(), 2);
    EXPECT_EQ(ds.FieldCount(), 1);
    EXPECT_EQ(ds.GetBookmark(), (TBookmark{1, 0, 0, 0}));
    EXPECT_EQ(ds.FieldByName("X").AsInteger(), 7);
    ds.Close();
    EXPECT_EQ(ds.RowList(), nullptr);  // an owned row list goes with the close
}

TEST(TOrdoCustomDataSet, Bookmarks) {
    TOrdoCustomDataSet ds;
    Arrive(ds, kDefs, ThreeRows());
    ds.Open();
    ds.Next();
    const TBookmark second = ds.GetBookmark();
    ds.Last();
    ds.GotoBookmark(second);
    EXPECT_EQ(ds.FieldByName("CODE").AsString(), "C2");
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_TRUE(ds.BookmarkValid(second));
    EXPECT_FALSE(ds.BookmarkValid(TBookmark{9, 0, 0, 0}));
    EXPECT_EQ(ds.CompareBookmarks(second, TBookmark{3, 0, 0, 0}), -1);
    EXPECT_EQ(ds.CompareBookmarks(second, second), 0);
    EXPECT_EQ(ds.CompareBookmarks({}, {}), 0);
    EXPECT_EQ(ds.CompareBookmarks(second, {}), -1);
    EXPECT_EQ(ds.CompareBookmarks({}, second), 1);
    try {
        ds.GotoBookmark(TBookmark{9, 0, 0, 0});
        FAIL() << "no exception";
    } catch (const EOrdoBookMarkError& e) {
        EXPECT_EQ(e.what(), AnsiLiteral("북마크가 없습니다"));
    }
}

TEST(TOrdoCustomDataSet, PersistentFieldsMustMatchAColumn) {
    TOrdoCustomDataSet ds;
    ds.SetName("dsDB");
    ds.AddField("QTY", ftLargeint);  // integer kinds match each other
    ds.AddField("CODE", ftString, 10);
    Arrive(ds, kDefs, ThreeRows());
    ds.Open();
    EXPECT_EQ(ds.FieldCount(), 2);
    EXPECT_EQ(ds.FieldByName("CODE").AsString(), "C1");
    ds.Close();

    TOrdoCustomDataSet bad;
    bad.SetName("dsDB");
    bad.AddField("AMT", ftString, 10);
    Arrive(bad, kDefs, ThreeRows());
    try {
        bad.Open();
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "dsDB:Field 'AMT' not found");
    }
    EXPECT_FALSE(bad.Active());
}

TEST(TOrdoCustomDataSet, EventsAroundOpenCloseAndScrolling) {
    TOrdoCustomDataSet ds;
    Arrive(ds, kDefs, ThreeRows());
    std::vector<std::string> log;
    ds.BeforeOpen = [&](TDataSet&) { log.push_back("before open"); };
    ds.AfterOpen = [&](TDataSet& s) { log.push_back("after open " + std::to_string(s.RecordCount())); };
    ds.AfterScroll = [&](TDataSet&) { log.push_back("scroll"); };
    ds.BeforeClose = [&](TDataSet&) { log.push_back("before close"); };
    ds.AfterClose = [&](TDataSet& s) { log.push_back(s.Active() ? "still active" : "after close"); };
    ds.Open();
    ds.Next();
    ds.Close();
    ds.Close();  // already closed: nothing
    EXPECT_EQ(log, (std::vector<std::string>{"before open", "scroll", "after open 3", "scroll", "before close",
                                             "after close"}));
}

}  // namespace
}  // namespace ordo

namespace ordo {
namespace {

// The record filter: the handler reads the row being tested through the fields, the walk in
// either direction sees only accepted rows, and the record count stays the row count.
TEST(TOrdoCustomDataSet, OnFilterRecordDecidesWhichRowsAreSeen) {
    TOrdoCustomDataSet ds;
    TOrdoRowTextWriter w;
    for (int i = 1; i <= 5; ++i) {
        w.AddInteger(i);
        w.EndRow();
    }
    test::Arrive(ds, {{"ID", ftInteger, 0}}, w.Take());
    ds.Open();
    int tested = 0;
    bool raise = false;
    ds.OnFilterRecord = [&](TDataSet& sender, bool& accept) {
        ++tested;
        EXPECT_EQ(sender.State(), dsFilter);
        if (raise) throw EOrdoError("bad filter");
        accept = sender.FieldByName("ID").AsInteger() % 2 == 1;
    };
    auto walk = [&] {
        std::vector<int> seen;
        for (ds.First(); !ds.Eof(); ds.Next()) seen.push_back(ds.FieldByName("ID").AsInteger());
        return seen;
    };
    EXPECT_EQ(walk(), (std::vector<int>{1, 2, 3, 4, 5})) << "the handler runs only while Filtered";
    EXPECT_EQ(tested, 0);
    ds.SetFiltered(true);
    EXPECT_EQ(walk(), (std::vector<int>{1, 3, 5}));
    EXPECT_GT(tested, 0);
    ds.Last();
    ds.Prior();
    EXPECT_EQ(ds.FieldByName("ID").AsInteger(), 3);
    EXPECT_EQ(ds.State(), dsBrowse);
    EXPECT_EQ(ds.RecordCount(), 5);
    raise = true;
    EXPECT_THROW(ds.Next(), EOrdoError);
    EXPECT_FALSE(ds.Filtered()) << "a filter that fails is switched off";
    raise = false;
    EXPECT_EQ(walk(), (std::vector<int>{1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace ordo
