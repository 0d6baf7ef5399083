#include <gtest/gtest.h>

#include "core/text_convert.h"
#include "core/wire.h"
#include "params/param_list.h"
#include "tests/support/decimal_separator.h"

#include <utility>

namespace ordo {
namespace {

std::string Text(const TOrdoParamItem& item) { return ToString(item.ValueBytes()); }

class ParamItem : public ::testing::Test {
protected:
    test::DecimalSeparatorGuard separator_{'.'};
    TOrdoParamItem item;
};

TEST_F(ParamItem, FreshItemAndStateSetters) {
    EXPECT_TRUE(item.IsNull());
    EXPECT_EQ(item.ParamType(), ptUnknown);
    EXPECT_EQ(item.DataType(), ftUnknown);
    EXPECT_EQ(item.Size(), 0);
    item.SetSize(10);
    EXPECT_EQ(item.Size(), 0) << "ftUnknown bears no size";
    item.SetDataType(ftString);
    item.SetSize(10);
    item.SetSize(-1);
    EXPECT_EQ(item.Size(), 10);
    item.SetAsString("abc");
    item.SetIsNull(false);
    EXPECT_EQ(Text(item), "abc");
    item.SetIsNull(true);
    EXPECT_TRUE(item.ValueBytes().empty());
}

TEST_F(ParamItem, SettersStoreTheTypesOwnForm) {
    item.SetAsSmallint(70000);
    EXPECT_EQ(Text(item), "4464");
    EXPECT_EQ(item.DataType(), ftSmallint);
    item.SetAsWord(-1);
    EXPECT_EQ(Text(item), "65535");
    item.SetAsInteger(-42);
    EXPECT_EQ(Text(item), "-42");
    item.SetAsLargeInt(INT64_MIN);
    EXPECT_EQ(Text(item), "-9223372036854775808");
    item.SetAsBoolean(true);
    EXPECT_EQ(Text(item), "True");
    item.SetAsFloat(1.0);
    EXPECT_EQ(item.ValueBytes(), (Bytes{0x05, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
    item.SetAsCurrency(Currency::FromRaw(0x0102));
    EXPECT_EQ(item.ValueBytes(), (Bytes{0x08, 0x02, 0x01, 0, 0, 0, 0, 0, 0}));
    item.SetAsBCD(Currency::FromRaw(1));
    EXPECT_EQ(item.DataType(), ftBCD);
    EXPECT_EQ(item.ValueBytes()[0], 0x08);
    item.SetAsFMTBCD(StrToBcd("1.5"));
    ASSERT_EQ(item.ValueBytes().size(), 35u);
    EXPECT_EQ(item.ValueBytes()[0], 0x07);
    EXPECT_EQ(item.ValueBytes()[3], 0x15);
    item.SetAsSQLTimeStamp(DateTimeToSQLTimeStamp(45292));
    ASSERT_EQ(item.ValueBytes().size(), 17u);
    EXPECT_EQ(item.ValueBytes()[0], 0x09);
    item.SetAsTime(0.5);
    EXPECT_EQ(item.DataType(), ftTime);
    EXPECT_EQ(item.AsDateTime(), 0.5);
    EXPECT_FALSE(item.IsNull());
    item.SetAsString("");
    EXPECT_TRUE(item.IsNull());
    EXPECT_EQ(item.DataType(), ftString);
    item.SetAsBlob({});
    EXPECT_TRUE(item.IsNull());
    EXPECT_EQ(item.DataType(), ftBlob);
}

TEST_F(ParamItem, GettersReadOwnTypeAndConvertOthers) {
    item.SetAsInteger(42);
    EXPECT_EQ(item.AsInteger(), 42);
    EXPECT_EQ(item.AsFloat(), 42.0);
    EXPECT_EQ(item.AsString(), "42");
    item.SetAsFloat(-2300.5);
    EXPECT_EQ(item.AsString(), "-2300.5");
    EXPECT_EQ(item.AsInteger(), -2300) << "through the variant, halves to even";
    item.SetAsString("abc");
    EXPECT_THROW((void)item.AsInteger(), EConvertError);
    // Bad text of the item's own type reads as 0 instead of failing.
    item.SetDataType(ftInteger);
    EXPECT_EQ(item.AsInteger(), 0);
    item.SetAsBoolean(false);
    item.SetValueBytes(ToBytes("tRUE"));
    EXPECT_TRUE(item.AsBoolean());
    item.Clear();
    EXPECT_EQ(item.AsInteger(), 0);
    EXPECT_EQ(item.AsFMTBCD(), TBcd{});
    EXPECT_EQ(item.AsSQLTimeStamp(), TSQLTimeStamp{});
}

TEST_F(ParamItem, TaggedReadersAcceptBareRecordsOnly) {
    item.SetAsFloat(0);
    Bytes bare(8);
    StoreF64LE(bare.data(), 3.25);
    item.SetValueBytes(bare);
    EXPECT_EQ(item.AsFloat(), 3.25);
    item.SetValueBytes(Bytes{0x06, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
    EXPECT_EQ(item.AsFloat(), 0) << "nine bytes without the tag";
    item.SetValueBytes(Bytes{1, 2, 3});
    EXPECT_EQ(item.AsFloat(), 0);
    item.SetAsSQLTimeStamp(DateTimeToSQLTimeStamp(45292.5));
    EXPECT_EQ(item.AsDateTime(), 45292.5) << "timestamps read through the record";
    item.SetValueBytes(Bytes(16, 0xFF));
    EXPECT_EQ(item.AsDateTime(), 0) << "a record naming no date reads as 0";
}

TEST_F(ParamItem, AsStringSpecialCases) {
    EXPECT_EQ(item.AsString(), "");
    EXPECT_EQ(item.DataType(), ftString) << "the getter types a fresh item";
    TOrdoParamItem guid;
    guid.SetDataType(ftGuid);
    EXPECT_EQ(guid.AsString(), "{00000000-0000-0000-0000-000000000000}");
    const TOrdoParamItem& constItem = guid;
    TOrdoParamItem fresh;
    EXPECT_EQ(std::as_const(fresh).AsString(), "");
    EXPECT_EQ(fresh.DataType(), ftUnknown) << "reading a const item changes nothing";
    EXPECT_EQ(constItem.AsGuid(), TGuid{});
    item.SetAsDateTime(45292.75);
    EXPECT_EQ(item.AsString(), "2024-01-01 18:00:00");
    item.SetAsCurrency(Currency::FromRaw(125000));
    EXPECT_EQ(item.AsString(), "12.5");
    item.SetDataType(ftGraphic);
    item.SetValueBytes(ToBytes("xyz"));
    EXPECT_EQ(item.AsString(), "") << "types without a form of their own view as Null";
}

TEST_F(ParamItem, VariantViewAndSetter) {
    item.SetAsSmallint(-3);
    EXPECT_EQ(item.Value(), Variant(std::int16_t{-3}));
    item.SetAsWord(7);
    EXPECT_EQ(item.Value(), Variant(std::uint16_t{7}));
    item.SetAsDate(45292);
    EXPECT_EQ(item.Value(), Variant::FromDate(45292));
    item.SetDataType(ftBytes);
    item.SetValueBytes(Bytes{0, 6, 255});
    EXPECT_EQ(item.Value().ArrayHighBound(), 2);

    TOrdoParamItem v;
    v.SetValue(Variant(std::int8_t{5}));
    EXPECT_EQ(v.DataType(), ftSmallint);
    v.SetDataType(ftInteger);
    v.SetValue(Variant(std::uint8_t{5}));
    EXPECT_EQ(v.DataType(), ftInteger);
    v.SetValue(Variant(std::uint32_t{4000000000u}));
    EXPECT_EQ(v.DataType(), ftLargeint);
    EXPECT_EQ(v.AsLargeInt(), 4000000000);
    v.SetValue(Variant(Currency::FromRaw(5)));
    EXPECT_EQ(v.DataType(), ftCurrency);
    v.SetValue(Variant("hi"));
    EXPECT_EQ(v.DataType(), ftString);
    v.SetValue(Variant(Bytes{}));
    EXPECT_EQ(v.DataType(), ftBytes);
    EXPECT_FALSE(v.IsNull()) << "an empty array is a value";
    v.SetDataType(ftVarBytes);
    v.SetValue(Variant(Bytes{1}));
    EXPECT_EQ(v.DataType(), ftVarBytes);
    const std::intptr_t ref = std::intptr_t{1} << 40;
    v.SetValue(Variant::FromDispatch(ref));
    EXPECT_EQ(v.DataType(), ftIDispatch);
    EXPECT_EQ(v.Value().AsInt64(), ref) << "a 64-bit reference survives";
    v.SetValue(Variant());
    EXPECT_EQ(v.DataType(), ftUnknown);
    EXPECT_TRUE(v.IsNull());
    v.SetAsInteger(1);
    v.SetValue(Variant::Null());
    EXPECT_TRUE(v.IsNull());
    EXPECT_EQ(v.DataType(), ftInteger);
}

TEST_F(ParamItem, SetAsTextParsesForTheType) {
    item.SetName("P");
    item.SetAsText("x");
    EXPECT_EQ(item.DataType(), ftString);
    item.SetDataType(ftVarBytes);
    item.SetAsText("x");
    EXPECT_EQ(item.DataType(), ftString);
    item.SetDataType(ftAutoInc);
    item.SetAsText("12");
    EXPECT_EQ(item.DataType(), ftInteger);
    item.SetDataType(ftBoolean);
    item.SetAsText(" true ");
    EXPECT_TRUE(item.AsBoolean());
    item.SetAsText("yes");
    EXPECT_FALSE(item.AsBoolean());
    item.SetDataType(ftBCD);
    item.SetAsText("1.25");
    EXPECT_EQ(item.AsBCD().Raw(), 12500);
    item.SetDataType(ftDate);
    item.SetAsText("2024-01-01");
    EXPECT_EQ(item.AsDateTime(), 45292);
    EXPECT_EQ(item.DataType(), ftDate);
    item.SetDataType(ftOraClob);
    item.SetAsText("memo");
    EXPECT_EQ(item.DataType(), ftOraClob);
    item.SetDataType(ftTimeStamp);
    item.SetAsText("2024-01-01 12:00");
    EXPECT_EQ(item.AsSQLTimeStamp().Hour, 12);
    item.SetDataType(ftGraphic);
    item.SetAsText("ignored");
    EXPECT_TRUE(item.IsNull());
    item.SetDataType(ftInteger);
    item.SetAsText("");
    EXPECT_TRUE(item.IsNull());
    try {
        item.SetAsText("12abc");
        ADD_FAILURE() << "no exception";
    } catch (const EOrdoParamException& e) {
        EXPECT_STREQ(e.what(), "Unable to call SetAsText for P");
    }
    EXPECT_TRUE(item.IsNull());
}

}  // namespace
}  // namespace ordo
