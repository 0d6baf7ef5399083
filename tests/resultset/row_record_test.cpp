#include <gtest/gtest.h>

#include <algorithm>

#include "core/errors.h"
#include "resultset/db_list.h"

namespace ordo {
namespace {

TOrdoDBList ThreeFields() {
    TOrdoDBList l;
    l.AddField("ID", ftInteger, 0);
    l.AddField("NAME", ftString, 10);
    l.AddField("OK", ftBoolean, 0);
    l.ComputeLayout();
    return l;
}

TEST(TOrdoDBListLayout, IntegerStringBooleanExample) {
    TOrdoDBList l;
    l.AddField("ID", ftInteger, 0);
    l.AddField("NAME", ftString, 10);
    l.AddField("OK", ftBoolean, 0);
    l.ComputeLayout();
    EXPECT_EQ(l.FieldList().Items(0).Offset, 0);
    EXPECT_EQ(l.FieldList().Items(1).Offset, 4);
    EXPECT_EQ(l.FieldList().Items(2).Offset, 14);
    EXPECT_EQ(l.SlotsSize(), 16);
    EXPECT_EQ(l.BitmapOffset(), 17);
    EXPECT_EQ(l.RecordSize(), 24);
    const int row = l.AddRow(1);
    l.Writer(row).SetNull(2, false);
    EXPECT_EQ(l.RowData(row)[17], 0x04);  // field 2 is bit 2 of byte 17
    EXPECT_EQ(l.FieldList().Items(2).FieldNo, 3);
}

TEST(TOrdoDBListLayout, ThirtyTwoAndThirtyThreeFields) {
    TOrdoDBList l32;
    for (int i = 0; i < 32; ++i) l32.AddField("F" + std::to_string(i), ftInteger, 0);
    l32.ComputeLayout();
    EXPECT_EQ(l32.SlotsSize(), 128);
    EXPECT_EQ(l32.RecordSize(), 128 + 12);

    TOrdoDBList l33;
    for (int i = 0; i < 33; ++i) l33.AddField("F" + std::to_string(i), ftSmallint, 0);
    l33.ComputeLayout();
    const int s = l33.SlotsSize();
    EXPECT_EQ(s, 66);
    EXPECT_EQ(l33.RecordSize(), s + 12);
    const int row = l33.AddRow(1);
    l33.Writer(row).SetNull(32, false);
    EXPECT_EQ(l33.RowData(row)[static_cast<std::size_t>(s + 5)], 0x01);
    EXPECT_TRUE(l33.Reader(row).HasValue(32));
    EXPECT_FALSE(l33.Reader(row).HasValue(31));
}

TEST(TOrdoDBListLayout, SlotSizesByType) {
    EXPECT_EQ(SlotSize(ftWideString, 5), 10);
    EXPECT_EQ(SlotSize(ftBlob, 100), 4);
    EXPECT_EQ(SlotSize(ftDate, 0), 8);
    EXPECT_EQ(SlotSize(ftTime, 0), 4);
    EXPECT_EQ(SlotSize(ftTimeStamp, 0), 16);
    EXPECT_EQ(SlotSize(ftFMTBcd, 0), 34);
    EXPECT_EQ(SlotSize(ftVariant, 9), 0);
    EXPECT_EQ(DeclaredSizeFromSlot(ftWideString, 10), 5);
    EXPECT_EQ(DeclaredSizeFromSlot(ftInteger, 4), 0);
    EXPECT_EQ(DeclaredSizeFromSlot(ftGuid, 38), 38);
}

TEST(TOrdoDBListLayout, RefusesHugeDeclaredSizesAndLayoutChangesWithRows) {
    TOrdoDBList l;
    EXPECT_THROW(l.AddField("BIG", ftWideString, 2000000000), EDatabaseError);
    l.AddField("A", ftInteger, 0);
    l.ComputeLayout();
    l.AddRow(1);
    EXPECT_THROW(l.AddField("B", ftInteger, 0), EDatabaseError);
    EXPECT_NO_THROW(l.ComputeLayout());  // same layout: nothing changes
}

TEST(TOrdoDBListLayout, UnknownTypeCodeHasNoSlot) {
    TOrdoDBList l;
    const TOrdoFieldItem& f = l.AddField("X", 99, 10);
    EXPECT_EQ(f.DataType, ftUnknown);
    EXPECT_EQ(f.DataSize, 0);
}

TEST(TOrdoRowWriter, TextIsCutToTheSlotAndFillsItWithoutTerminator) {
    TOrdoDBList l = ThreeFields();
    const int row = l.AddRow(1);
    TOrdoRowWriter w = l.Writer(row);
    const TOrdoSlot name = l.FieldList().Items(1).Slot();
    w.WriteText(1, name, "abcdefghijKLM", false);
    EXPECT_EQ(l.Reader(row).Text(name), "abcdefghij");
    EXPECT_EQ(l.RowData(row)[14], 0);  // the boolean slot after it is untouched
    w.WriteText(1, name, "0123456789", false);
    EXPECT_EQ(l.Reader(row).Text(name), "0123456789");
    w.WriteText(1, name, "ab", false);
    EXPECT_EQ(l.Reader(row).Slot(name)[2], 0);  // the rest of the slot zeroed again
    EXPECT_EQ(l.Reader(row).Text(name), "ab");
}

// Decoding writes texts into rows just added; the record must come out as the general writer makes it.
TEST(TOrdoRowWriter, TextIntoAFreshRowGivesTheSameRecordAsTheGeneralWriter) {
    TOrdoDBList l = ThreeFields();
    const TOrdoSlot name = l.FieldList().Items(1).Slot();
    for (const char* text : {"", "ab", "0123456789", "abcdefghijKLM"}) {
        SCOPED_TRACE(text);
        const int general = l.AddRow(1), fresh = l.AddRow(2);
        l.Writer(general).WriteText(1, name, text, false);
        l.Writer(fresh).WriteTextIntoZeroed(1, name, text, false);
        const ByteView a = l.RowData(general), b = l.RowData(fresh);
        EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin(), b.end()));
        EXPECT_TRUE(l.Reader(fresh).HasValue(1));
    }
    const int null = l.AddRow(3);
    l.Writer(null).WriteTextIntoZeroed(1, name, "", true);
    EXPECT_FALSE(l.Reader(null).HasValue(1));
}

TEST(TOrdoRowWriter, WideTextStopsAtTheSlot) {
    TOrdoDBList l;
    l.AddField("W", ftWideString, 5);
    l.AddField("N", ftInteger, 0);
    l.ComputeLayout();
    const int row = l.AddRow(1);
    TOrdoRowWriter w = l.Writer(row);
    w.WriteInt32(1, l.FieldList().Items(1).Slot(), 0x11223344, false);
    w.WriteWideText(0, l.FieldList().Items(0).Slot(), u"abcdefghijkl", false);
    EXPECT_EQ(l.Reader(row).WideText(l.FieldList().Items(0).Slot()), u"abcde");
    EXPECT_EQ(l.Reader(row).Int32(l.FieldList().Items(1).Slot()), 0x11223344);
}

TEST(TOrdoRowWriter, NullFlagClearsTheBitButReadersGoByTheBit) {
    TOrdoDBList l = ThreeFields();
    const int row = l.AddRow(1);
    TOrdoRowWriter w = l.Writer(row);
    const TOrdoSlot id = l.FieldList().Items(0).Slot();
    w.WriteInt32(0, id, 42, false);
    EXPECT_TRUE(l.Reader(row).HasValue(0));
    w.SetNull(0, true);
    EXPECT_FALSE(l.Reader(row).HasValue(0));
    EXPECT_EQ(l.Reader(row).Int32(id), 42);  // the old slot bytes stay
    w.WriteInt32(0, id, 7, true);
    EXPECT_FALSE(l.Reader(row).HasValue(0));
}

TEST(TOrdoRowWriter, SlotsOutsideTheRecordRaise) {
    TOrdoDBList l = ThreeFields();
    const int row = l.AddRow(1);
    TOrdoRowWriter w = l.Writer(row);
    EXPECT_THROW(w.WriteInt32(0, TOrdoSlot{22, 4}, 1, false), EListError);
    w.WriteInt64(0, TOrdoSlot{0, 4}, 0x0000000500000007LL, false);  // cut to the slot, never past it
    EXPECT_EQ(l.Reader(row).Int32(TOrdoSlot{0, 4}), 7);
    EXPECT_EQ(l.RowData(row)[4], 0);
    EXPECT_THROW((void)l.Reader(row).Int64(TOrdoSlot{0, 4}), EListError);
    EXPECT_THROW(w.SetNull(200, false), EListError);
    EXPECT_FALSE(l.Reader(row).HasValue(200));
}

TEST(TOrdoDBList, RowsInsertDeleteAndFindByRowId) {
    TOrdoDBList l = ThreeFields();
    for (int id = 1; id <= 3; ++id) l.AddRow(id);
    l.InsertRow(1, 10);
    EXPECT_EQ(l.Count(), 4);
    EXPECT_EQ(l.RowId(1), 10);
    EXPECT_EQ(l.IndexOfRowId(2), 2);
    EXPECT_EQ(l.IndexOfRowId(10), 1);
    EXPECT_EQ(l.IndexOfRowId(99), -1);
    EXPECT_EQ(l.MaxRowId(), 10);
    l.Writer(1).WriteInt32(0, l.FieldList().Items(0).Slot(), -1, false);
    l.Delete(1);
    EXPECT_EQ(l.IndexOfRowId(10), -1);
    const int fresh = l.AddRow(11);
    for (std::uint8_t b : l.RowData(fresh)) EXPECT_EQ(b, 0);  // a reused record comes back zeroed
    EXPECT_THROW((void)l.RowId(4), EListError);
    EXPECT_THROW(l.InsertRow(6, 1), EListError);
}

}  // namespace
}  // namespace ordo
