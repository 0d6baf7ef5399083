#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "core/wire.h"
#include "platform/files.h"
#include "platform/process.h"
#include "resultset/stream_filer.h"
#include "test_rows.h"

namespace ordo {
namespace {

using namespace std::string_literals;
using test::Arrive;

Bytes Text(std::string_view s) { return ToBytes(s); }

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

TEST(DataSetStream, OneIntegerFieldByteForByte) {
    TOrdoDataSet ds;
    ds.AddFieldDescription("ID", ftInteger, 0);
    ds.Open();
    TMemoryStream s;
    ds.SaveToStream(s);
    const Bytes expected = Join({
        {0x69, 0xA8, 0xFE, 0x26, 0x88, 0x00, 0x00, 0x00},
        {0x06, 0x0E}, Text("TOrdoFieldList"), {0x01, 0x02, 0x01, 0x02, 0x04, 0x02, 0x00, 0x02, 0x03, 0x06, 0x02, 0x49, 0x44, 0x00},
        {0x06, 0x0B}, Text("TOrdoDBList"), {0x01, 0x00},
        {0x06, 0x0D}, Text("TOrdoBlobList"), {0x01, 0x00},
        {0x0C, 0x00, 0x00, 0x00}, Text("TOrdoIndexes"), {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
        {0x0F, 0x00, 0x00, 0x00}, Text("TOrdoAggregates"), {0x01, 0x00, 0x00, 0x00, 0x00},
    });
    EXPECT_EQ(Bytes(s.Memory().begin(), s.Memory().end()), expected);
}

std::vector<TOrdoFieldDef> AllTypes() {
    return {{"S", ftString, 6}, {"SI", ftSmallint, 0}, {"I", ftInteger, 0}, {"W", ftWord, 0}, {"B", ftBoolean, 0},
            {"F", ftFloat, 0}, {"C", ftCurrency, 0}, {"BC", ftBCD, 0}, {"D", ftDate, 0}, {"T", ftTime, 0},
            {"DT", ftDateTime, 0}, {"BY", ftBytes, 3}, {"VB", ftVarBytes, 4}, {"AI", ftAutoInc, 0}, {"BL", ftBlob, 0},
            {"M", ftMemo, 0}, {"FC", ftFixedChar, 2}, {"WS", ftWideString, 3}, {"L", ftLargeint, 0},
            {"G", ftGuid, 38}, {"TS", ftTimeStamp, 0}, {"FB", ftFMTBcd, 0}};
}

std::string AllTypeRows() {
    TOrdoRowTextWriter w;
    auto full = [&](int k) {
        w.AddText("s" + std::to_string(k));
        w.AddInteger(-k);
        w.AddInteger(100000 * k);
        w.AddInteger(k);
        w.AddBoolean(k % 2 == 1);
        w.AddFloat(k / 3.0);
        w.AddFloat(k * 1.25);
        w.AddCurrency(Currency::FromRaw(12345 * k));
        w.AddDateTime(45292 + k);
        w.AddDateTime(0.125 * k);
        w.AddDateTime(45292.5 + k);
        w.AddBinary(ToBytes("\x80\x81\x82"s));
        w.AddBinary(ToBytes("\xFF\x00"s));
        w.AddInteger(k);
        w.AddBinary(Bytes(300, static_cast<std::uint8_t>(0x80 + k)));
        w.AddBinary(ToBytes("memo " + std::to_string(k)));
        w.AddText("fc");
        w.AddText("wid");
        w.AddInteger(-(1LL << 40) * k);
        w.AddText("{00000000-0000-0000-0000-00000000000" + std::to_string(k) + "}");
        w.AddDateTime(45292.75);
        w.AddBcd(StrToBcd("-" + std::to_string(k) + ".5"));
        w.EndRow();
    };
    full(1);
    for (int i = 0; i < 22; ++i) w.AddNull();  // a row of NULLs between
    w.EndRow();
    full(2);
    return w.Take();
}

void ExpectSameRows(TOrdoCustomDataSet& a, TOrdoCustomDataSet& b) {
    ASSERT_EQ(a.RecordCount(), b.RecordCount());
    ASSERT_EQ(a.FieldCount(), b.FieldCount());
    a.First();
    b.First();
    for (int r = 0; !a.Eof(); ++r, a.Next(), b.Next()) {
        ASSERT_FALSE(b.Eof());
        for (int f = 0; f < a.FieldCount(); ++f) {
            SCOPED_TRACE("row " + std::to_string(r) + " field " + a.Fields(f).FieldName());
            EXPECT_EQ(a.Fields(f).FieldName(), b.Fields(f).FieldName());
            EXPECT_EQ(a.Fields(f).DataType(), b.Fields(f).DataType());
            EXPECT_EQ(a.Fields(f).IsNull(), b.Fields(f).IsNull());
            EXPECT_EQ(a.Fields(f).Value(), b.Fields(f).Value());
        }
    }
}

TEST(DataSetStream, EveryTypeRoundTripsWithNullsAndBlobs) {
    TOrdoCustomDataSet source;
    Arrive(source, AllTypes(), AllTypeRows());
    source.Open();
    ASSERT_EQ(source.RecordCount(), 3);
    source.First();
    EXPECT_EQ(source.FieldByName("BL").AsBytes(), Bytes(300, 0x81));
    source.Next();
    for (int f = 0; f < source.FieldCount(); ++f) EXPECT_TRUE(source.Fields(f).IsNull()) << source.Fields(f).FieldName();

    TMemoryStream s;
    source.SaveToStream(s);
    s.SetPosition(0);
    TOrdoCustomDataSet copy;
    copy.LoadDataSetFromStream(s);
    EXPECT_TRUE(copy.Active());
    EXPECT_EQ(copy.FieldByName("G").Size(), 38);
    EXPECT_EQ(copy.FieldByName("WS").Size(), 3);
    ExpectSameRows(source, copy);
    EXPECT_EQ(copy.BlobList().Count(), 4);
    EXPECT_EQ(copy.BlobList().NextBlobId(), 5);

    // Saved again, the copy gives the same bytes.
    TMemoryStream again;
    copy.SaveToStream(again);
    EXPECT_TRUE(std::equal(s.Memory().begin(), s.Memory().end(), again.Memory().begin(), again.Memory().end()));
}

TEST(DataSetStream, PlainLoadReplacesTheRowsOfAnOpenDataSet) {
    TOrdoCustomDataSet source;
    Arrive(source, {{"ID", ftInteger, 0}}, "5\x02\x04" "6\x02\x04"s);
    source.Open();
    TMemoryStream s;
    source.SaveToStream(s);

    TOrdoCustomDataSet target;
    Arrive(target, {{"ID", ftInteger, 0}}, "1\x02\x04"s);
    target.Open();
    s.SetPosition(0);
    target.LoadFromStream(s);
    EXPECT_EQ(target.RecordCount(), 2);
    EXPECT_EQ(target.RecNo(), 1);
    EXPECT_EQ(target.FieldByName("ID").AsInteger(), 5);
    target.Last();
    EXPECT_EQ(target.FieldByName("ID").AsInteger(), 6);
}

TEST(DataSetStream, AStreamWithoutHeaderLoadsAsLegacy) {
    TOrdoCustomDataSet source;
    Arrive(source, {{"ID", ftInteger, 0}, {"N", ftString, 3}}, "7\x02" "abc\x02\x04"s);
    TMemoryStream legacy;
    source.RowList()->SaveToStream(legacy);  // field list and rows, no header
    source.BlobList().SaveToStream(legacy);
    EXPECT_EQ(legacy.Memory()[0], 0x06);

    legacy.SetPosition(0);
    TOrdoCustomDataSet ds;
    ds.LoadDataSetFromStream(legacy);
    EXPECT_EQ(ds.StreamOptions(), TOrdoStreamSaveOptions({ssOrdoLegacy}));
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(ds.FieldByName("N").AsString(), "abc");
}

TEST(DataSetStream, TheHeaderDecidesWhichSectionsFollow) {
    TOrdoCustomDataSet source;
    source.SetStreamOptions({ssAggregates, ssCustom});
    Arrive(source, {{"ID", ftInteger, 0}}, "1\x02\x04"s);
    source.Open();
    TMemoryStream s;
    source.SaveToStream(s);
    EXPECT_EQ(LoadU32LE(s.Memory().data() + 4), 0x180u);

    s.SetPosition(0);
    TOrdoCustomDataSet ds;  // [ssIndexes, ssAggregates]
    ds.LoadDataSetFromStream(s);
    EXPECT_EQ(ds.StreamOptions(), TOrdoStreamSaveOptions({ssAggregates, ssCustom}));
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_EQ(s.Position(), s.Size());
}

// A stream's index and aggregate definitions travel with the data set: loaded by either form
// and saved again, the stream comes back byte for byte.
TEST(DataSetStream, IndexesAndAggregatesSurviveALoadAndASave) {
    TOrdoCustomDataSet source;
    Arrive(source, {{"ID", ftInteger, 0}}, "1\x02\x04" "2\x02\x04"s);
    source.Indexes().SelectedIndex = "BYID";
    source.Indexes().Indexes.push_back({"BYID", "ID", 1u << 1, kIndexOrderValid, {2, 1}});
    source.Indexes().Indexes.push_back({"NAT", "", kIndexNatural, kIndexOrderValid, {}});
    source.Aggregates().Aggregates.push_back({"TOTAL", "ID", 0, "BYID", 1, true});
    TMemoryStream s;
    source.SaveToStream(s);
    const Bytes saved(s.Memory().begin(), s.Memory().end());

    TOrdoCustomDataSet whole;
    s.SetPosition(0);
    whole.LoadDataSetFromStream(s);
    EXPECT_EQ(s.Position(), s.Size());
    TOrdoCustomDataSet rowsOnly;
    Arrive(rowsOnly, {{"ID", ftInteger, 0}}, "9\x02\x04"s);
    rowsOnly.Open();
    s.SetPosition(0);
    rowsOnly.LoadFromStream(s);
    for (TOrdoCustomDataSet* ds : {&whole, &rowsOnly}) {
        EXPECT_EQ(ds->Indexes().SelectedIndex, "BYID");
        ASSERT_EQ(ds->Aggregates().Aggregates.size(), 1u);
        EXPECT_EQ(ds->Aggregates().Aggregates[0].IndexName, "BYID");
        TMemoryStream again;
        ds->SaveToStream(again);
        EXPECT_EQ(Bytes(again.Memory().begin(), again.Memory().end()), saved);
    }

    // An index whose rows are no longer the data set's rows keeps its definition, not its order.
    whole.Append();
    whole.FieldByName("ID").SetAsInteger(3);
    whole.Post();
    TMemoryStream changed;
    whole.SaveToStream(changed);
    changed.SetPosition(0);
    TOrdoCustomDataSet back;
    back.LoadDataSetFromStream(changed);
    ASSERT_EQ(back.Indexes().Indexes.size(), 2u);
    EXPECT_EQ(back.Indexes().Indexes[0].State & kIndexOrderValid, 0);
    EXPECT_EQ(back.Indexes().Indexes[1].State & kIndexOrderValid, kIndexOrderValid) << "a natural index has no order";
}

// Another writer's index naming a row the stream does not hold loads without its valid mark.
TEST(DataSetStream, AnIndexNamingAMissingRowLoadsInvalid) {
    TOrdoCustomDataSet source;
    Arrive(source, {{"ID", ftInteger, 0}}, "1\x02\x04"s);
    source.Indexes().Indexes.push_back({"BYID", "ID", 0, kIndexOrderValid, {1, 99}});
    TMemoryStream s;
    source.SaveToStream(s);
    s.SetPosition(0);
    TOrdoCustomDataSet ds;
    ds.LoadDataSetFromStream(s);
    ASSERT_EQ(ds.Indexes().Indexes.size(), 1u);
    EXPECT_EQ(ds.Indexes().Indexes[0].State & kIndexOrderValid, 0);
    EXPECT_EQ(ds.Indexes().Indexes[0].RowIds, (std::vector<std::int32_t>{1, 99}));
}

// A plain load into an open data set binds the stream's values by column name; columns that do
// not match by name and type are refused before anything changes.
TEST(DataSetStream, APlainLoadBindsColumnsByName) {
    struct Case {
        const char* name;
        std::vector<TOrdoFieldDef> target;
        std::string error;  // empty: loads
    };
    TOrdoCustomDataSet source;
    TOrdoRowTextWriter row;
    row.AddInteger(7);
    row.AddText("abc");
    row.AddBinary(ToBytes("memo"s));
    row.EndRow();
    Arrive(source, {{"QTY", ftInteger, 0}, {"CODE", ftString, 3}, {"NOTE", ftMemo, 0}}, row.Take());
    TMemoryStream s;
    source.SaveToStream(s);
    const std::string refused = "dsT: Cannot load the stream's rows: ";
    for (const Case& c : {
             Case{"reordered", {{"CODE", ftString, 3}, {"NOTE", ftMemo, 0}, {"QTY", ftInteger, 0}}, ""},
             Case{"other case and sizes", {{"note", ftMemo, 0}, {"code", ftString, 10}, {"Qty", ftInteger, 0}}, ""},
             Case{"a column the stream lacks",
                  {{"CODE", ftString, 3}, {"QTY", ftInteger, 0}, {"NOTE", ftMemo, 0}, {"PRICE", ftFloat, 0}},
                  refused + "the data set's field 'PRICE' is not in the stream"},
             Case{"a column the data set lacks", {{"CODE", ftString, 3}, {"QTY", ftInteger, 0}},
                  refused + "the stream's field 'NOTE' is not in the data set"},
             Case{"another type", {{"CODE", ftString, 3}, {"NOTE", ftMemo, 0}, {"QTY", ftString, 5}},
                  refused + "field 'QTY' is ftString in the data set but ftInteger in the stream"},
         }) {
        SCOPED_TRACE(c.name);
        TOrdoCustomDataSet ds;
        ds.SetName("dsT");
        TOrdoRowTextWriter w;
        for (std::size_t i = 0; i < c.target.size(); ++i) w.AddNull();
        w.EndRow();
        Arrive(ds, c.target, w.Take());
        ds.Open();
        s.SetPosition(0);
        try {
            ds.LoadFromStream(s);
            EXPECT_EQ(c.error, "");
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.what(), c.error);
        }
        ASSERT_EQ(ds.RecordCount(), 1);
        ds.First();
        if (c.error.empty()) {
            EXPECT_EQ(ds.FieldByName("QTY").AsInteger(), 7);
            EXPECT_EQ(ds.FieldByName("CODE").AsString(), "abc");
            EXPECT_EQ(ds.FieldByName("NOTE").AsString(), "memo");
        } else {
            EXPECT_TRUE(ds.FieldByName("CODE").IsNull()) << "a refused load changes nothing";
        }
    }
}

TEST(DataSetStream, SectionsNamedOtherwiseCountAsAbsent) {
    TMemoryStream s;
    WritePlainString(s, "TOrdoIndexez");
    s.SetPosition(0);
    EXPECT_FALSE(ReadIndexesSection(s).has_value());
    EXPECT_EQ(s.Position(), 0);
    TMemoryStream shortOne(Bytes{0x0F, 0x00});
    EXPECT_FALSE(ReadAggregatesSection(shortOne).has_value());
    EXPECT_EQ(shortOne.Position(), 0);
    TMemoryStream lying;
    WritePlainString(lying, "TOrdoIndexes");
    WritePlainByte(lying, 1);
    WritePlainString(lying, "");
    WritePlainInt32(lying, 1000000);
    lying.SetPosition(0);
    EXPECT_THROW(ReadIndexesSection(lying), EReadError);
}

Bytes SavedOneRow() {
    TOrdoCustomDataSet source;
    Arrive(source, {{"ID", ftInteger, 0}, {"N", ftString, 3}}, "7\x02" "abc\x02\x04"s);
    TMemoryStream s;
    source.SaveToStream(s);
    return s.Release();
}

TEST(DataSetStream, RowsThatDoNotFitTheLayoutAreRejected) {
    // Layout: ID at 0 (4 bytes), N at 4 (3 bytes): S = 7, R = 15. The field list section starts at 8.
    const Bytes good = SavedOneRow();
    {
        Bytes bad = good;
        // Cut the row record to 14 bytes: find "0x06 0x0F" (string of 15) and shorten it.
        for (std::size_t i = 0; i + 1 < bad.size(); ++i)
            if (bad[i] == 0x06 && bad[i + 1] == 15 && i > 30) {
                bad[i + 1] = 14;
                bad.erase(bad.begin() + static_cast<std::ptrdiff_t>(i + 2));
                break;
            }
        TMemoryStream s(bad);
        TOrdoCustomDataSet ds;
        try {
            ds.LoadDataSetFromStream(s);
            FAIL() << "no exception";
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), "Row 1 has a record of 14 bytes; the field list gives 15");
        }
    }
    {
        Bytes bad = good;
        // The second field's Offset (02 04) becomes 5.
        for (std::size_t i = 8; i + 3 < bad.size(); ++i)
            if (bad[i] == 0x02 && bad[i + 1] == 0x04 && bad[i + 2] == 0x02 && bad[i + 3] == 0x01) {
                bad[i + 1] = 0x05;
                break;
            }
        TMemoryStream s(bad);
        TOrdoCustomDataSet ds;
        try {
            ds.LoadDataSetFromStream(s);
            FAIL() << "no exception";
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), "Field 'N' lies at offset 5; the fields before it end at 4");
        }
    }
    {
        Bytes bad = good;
        bad[8 + 16] = 0x05;  // the tag of the first FieldNo
        TMemoryStream s(bad);
        TOrdoCustomDataSet ds;
        try {
            ds.LoadDataSetFromStream(s);
            FAIL() << "no exception";
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), "Invalid property value");
        }
    }
    {
        Bytes cut(good.begin(), good.begin() + 40);
        TMemoryStream s(cut);
        TOrdoCustomDataSet ds;
        try {
            ds.LoadDataSetFromStream(s);
            FAIL() << "no exception";
        } catch (const EReadError& e) {
            EXPECT_STREQ(e.what(), "Stream read error");
        }
    }
}

TEST(DataSetStream, AutoIncrementNumberFollowsTheHeader) {
    TOrdoDataSet ds;
    ds.AddFieldDescription("ID", ftAutoInc, 0);
    ds.SetAutoIncrement(true);
    ds.Open();
    for (int i = 0; i < 3; ++i) {
        ds.Append();
        ds.Post();
    }
    TMemoryStream s;
    ds.SaveToStream(s);
    EXPECT_EQ(LoadI32LE(s.Memory().data() + 8), 4);

    TOrdoDataSet back;
    back.SetAutoIncrement(true);
    s.SetPosition(0);
    back.LoadDataSetFromStream(s);
    EXPECT_EQ(back.NextAutoIncValue(), 4);
    back.Append();
    back.Post();
    EXPECT_EQ(back.FieldByName("ID").AsInteger(), 4);
    EXPECT_EQ(back.GetBookmark(), (TBookmark{4, 0, 0, 0}));  // RowIds continue above the loaded ones
}

TEST(DataSetStream, WholeStreamEvent) {
    TOrdoCustomDataSet ds;
    Arrive(ds, {{"ID", ftInteger, 0}}, "1\x02\x04"s);
    std::vector<std::string> log;
    ds.OnStreamEvent = [&](TOrdoCustomDataSet&, TStream& s, bool loading) {
        log.push_back(std::string(loading ? "load " : "save ") + std::to_string(s.Size()));
        s.SetPosition(s.Size());  // wherever a handler leaves it, loading starts at 0
    };
    TMemoryStream s;
    ds.SaveToStream(s);
    ds.LoadFromStream(s);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0], "save " + std::to_string(s.Size()));
    EXPECT_EQ(log[1], "load " + std::to_string(s.Size()));
    EXPECT_EQ(ds.RowList()->Count(), 1);
}

TEST(DataSetStream, Files) {
    // The test framework's temporary folder ends in the system's own separator.
    const std::string dir = testing::TempDir() + "ordo_ds_" + std::to_string(CurrentProcessId());
    ASSERT_TRUE(ForceDirectories(dir));
    const std::string file = dir + "/rows.dat";
    TOrdoCustomDataSet ds;
    Arrive(ds, {{"ID", ftInteger, 0}}, "3\x02\x04"s);
    ds.Open();
    ds.SaveToFile(file);
    TOrdoCustomDataSet back;
    back.LoadDataSetFromFile(file);
    EXPECT_EQ(back.FieldByName("ID").AsInteger(), 3);

    const std::string missing = dir + "/none.dat";
    back.SetName("dsTemp");
    try {
        back.LoadDataSetFromFile(missing);
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "dsTemp: Unable to load from " + missing);
        try {
            std::rethrow_if_nested(e);
            FAIL() << "no inner error";
        } catch (const EOrdoError& inner) {
            EXPECT_EQ(std::string(inner.what()), missing + " does not exist.");
        }
    }
    try {
        back.LoadFromFile(dir);
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "dsTemp: Unable to load from " + dir);
        try {
            std::rethrow_if_nested(e);
        } catch (const EOrdoError& inner) {
            EXPECT_EQ(std::string(inner.what()), dir + " is a folder, not a file.");
        }
    }
    EXPECT_TRUE(back.Active());  // a failed load leaves the data set as it was
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace ordo

namespace ordo {
namespace {

// Every single-byte corruption of a stream either loads or fails with one of our errors;
// none may crash or touch memory outside a record (the sanitizer build watches for that).
TEST(DataSetStream, CorruptedStreamsFailCleanly) {
    TOrdoCustomDataSet source;
    Arrive(source, {{"ID", ftInteger, 0}, {"N", ftString, 3}, {"M", ftMemo, 0}, {"W", ftWideString, 2}},
           "7\x02" "abc\x02\x06\x02\x00\x00\x00zz\x02" "ab\x02\x04"s);
    TMemoryStream good;
    source.SaveToStream(good);
    int loaded = 0;
    int failed = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(good.Size()); ++i) {
        for (const std::uint8_t v : {std::uint8_t{0x00}, std::uint8_t{0x7F}, std::uint8_t{0xFF}}) {
            Bytes bad(good.Memory().begin(), good.Memory().end());
            bad[i] = v;
            TMemoryStream s(bad);
            TOrdoCustomDataSet ds;
            try {
                ds.LoadDataSetFromStream(s);
                for (ds.First(); !ds.Eof(); ds.Next())
                    for (int f = 0; f < ds.FieldCount(); ++f) (void)ds.Fields(f).AsString();
                ++loaded;
            } catch (const EOrdoError&) {
                ++failed;
            }
        }
    }
    EXPECT_GT(loaded, 0);
    EXPECT_GT(failed, 0);
}

}  // namespace
}  // namespace ordo
