#include <gtest/gtest.h>

#include "core/errors.h"
#include "core/text_convert.h"
#include "core/variant.h"
#include "tests/support/decimal_separator.h"

namespace ordo {
namespace {

class VariantTest : public ::testing::Test {
protected:
    test::DecimalSeparatorGuard separator_{'.'};
};

std::string CastMessage(const std::function<void()>& f) {
    try {
        f();
    } catch (const EVariantError& e) {
        return e.what();
    }
    return "no EVariantError";
}

TEST_F(VariantTest, KindsFollowTheStoredType) {
    EXPECT_EQ(Variant().VarType(), varEmpty);
    EXPECT_EQ(Variant::Null().VarType(), varNull);
    EXPECT_EQ(Variant(std::int8_t{1}).VarType(), varShortInt);
    EXPECT_EQ(Variant(std::uint8_t{1}).VarType(), varByte);
    EXPECT_EQ(Variant(std::int16_t{1}).VarType(), varSmallint);
    EXPECT_EQ(Variant(std::uint16_t{1}).VarType(), varWord);
    EXPECT_EQ(Variant(1).VarType(), varInteger);
    EXPECT_EQ(Variant(1u).VarType(), varLongWord);
    EXPECT_EQ(Variant(std::int64_t{1}).VarType(), varInt64);
    EXPECT_EQ(Variant(1.0f).VarType(), varSingle);
    EXPECT_EQ(Variant(1.0).VarType(), varDouble);
    EXPECT_EQ(Variant(Currency::FromRaw(1)).VarType(), varCurrency);
    EXPECT_EQ(Variant::FromDate(1).VarType(), varDate);
    EXPECT_EQ(Variant("x").VarType(), varString);
    EXPECT_EQ(Variant(true).VarType(), varBoolean);
    EXPECT_EQ(Variant(Bytes{1, 2}).VarType(), varByteArray);
    EXPECT_EQ(Variant(TSQLTimeStamp{}).VarType(), varSQLTimeStamp);
    EXPECT_EQ(Variant(TBcd{}).VarType(), varFMTBcd);
    EXPECT_EQ(Variant::FromDispatch(5).VarType(), varDispatch);
    EXPECT_EQ(Variant(Bytes{1, 2, 3}).ArrayHighBound(), 2);
}

TEST_F(VariantTest, NullRaisesAndEmptyReadsAsZero) {
    EXPECT_EQ(CastMessage([] { (void)Variant::Null().AsDouble(); }),
              "Could not convert variant of type (Null) into type (Double)");
    EXPECT_EQ(CastMessage([] { (void)Variant::Null().AsInt(); }),
              "Could not convert variant of type (Null) into type (Integer)");
    EXPECT_EQ(CastMessage([] { (void)Variant::Null().AsString(); }),
              "Could not convert variant of type (Null) into type (String)");
    EXPECT_EQ(Variant().AsInt(), 0);
    EXPECT_EQ(Variant().AsString(), "");
    EXPECT_FALSE(Variant().AsBool());
    EXPECT_EQ(VarToStr(Variant::Null()), "");
}

TEST_F(VariantTest, TextToNumbers) {
    EXPECT_EQ(Variant("42").AsInt(), 42);
    EXPECT_EQ(Variant("$10").AsInt(), 16);
    EXPECT_EQ(Variant("2.5").AsInt(), 2) << "halves round to even";
    EXPECT_EQ(Variant("3.5").AsInt(), 4);
    EXPECT_EQ(Variant("true").AsInt(), -1);
    EXPECT_EQ(Variant("1.25").AsDouble(), 1.25);
    EXPECT_EQ(Variant("12.3456").AsCurrency().Raw(), 123456);
    EXPECT_EQ(CastMessage([] { (void)Variant("abc").AsInt(); }),
              "Could not convert variant of type (String) into type (Integer)");
    EXPECT_THROW((void)Variant("abc").AsDouble(), EConvertError) << "cast errors are conversion errors";
    EXPECT_THROW((void)Variant("70000").AsSmallint(), EVariantError);
    EXPECT_THROW((void)Variant(1e300).AsInt64(), EVariantError);
    EXPECT_EQ(Variant(-1.5).AsInt(), -2);
    EXPECT_EQ(Variant(Currency::FromRaw(25000)).AsInt(), 2);
    EXPECT_EQ(Variant(Currency::FromRaw(35000)).AsInt(), 4);
}

TEST_F(VariantTest, BooleansAndDates) {
    EXPECT_EQ(Variant(true).AsString(), "True");
    EXPECT_EQ(Variant(false).AsString(), "False");
    EXPECT_TRUE(Variant("TRUE").AsBool());
    EXPECT_FALSE(Variant(" false ").AsBool());
    EXPECT_TRUE(Variant("2").AsBool());
    EXPECT_TRUE(Variant(0.5).AsBool());
    EXPECT_THROW((void)Variant("maybe").AsBool(), EVariantError);
    EXPECT_EQ(Variant(true).AsInt(), -1);
    EXPECT_EQ(Variant::FromDate(45292.75).AsString(), "2024-01-01 18:00:00");
    EXPECT_EQ(Variant("2024-01-01").AsDateTime(), 45292);
    EXPECT_THROW((void)Variant("tomorrow").AsDateTime(), EVariantError);
    EXPECT_EQ(Variant::FromDate(45292.5).AsSQLTimeStamp().Hour, 12);
    EXPECT_EQ(Variant("2024-01-01 12:00").AsSQLTimeStamp().Day, 1);
}

TEST_F(VariantTest, NumbersToText) {
    EXPECT_EQ(Variant(std::int16_t{-5}).AsString(), "-5");
    EXPECT_EQ(Variant(std::uint32_t{4000000000u}).AsString(), "4000000000");
    EXPECT_EQ(Variant(1.1f).AsString(), "1.1") << "a single prints its own precision";
    EXPECT_EQ(Variant(-2300.5).AsString(), "-2300.5");
    EXPECT_EQ(Variant(Currency::FromRaw(125000)).AsString(), "12.5");
    EXPECT_EQ(Variant(StrToBcd("-0.25")).AsString(), "-0.25");
    EXPECT_EQ(Variant(StrToBcd("-0.25")).AsCurrency().Raw(), -2500);
    EXPECT_EQ(Variant(std::int64_t{12}).AsBcd(), StrToBcd("12"));
    EXPECT_THROW((void)Variant(Bytes{1}).AsString(), EVariantError);
    EXPECT_THROW((void)Variant("x").AsBytes(), EVariantError);
}

TEST_F(VariantTest, EqualityIsSameKindAndValue) {
    EXPECT_EQ(Variant(1), Variant(1));
    EXPECT_NE(Variant(1), Variant(std::int64_t{1}));
    EXPECT_NE(Variant(1.0), Variant::FromDate(1.0));
    EXPECT_EQ(Variant("ab"), Variant(std::string("ab")));
    EXPECT_EQ(Variant::Null(), Variant::Null());
    EXPECT_NE(Variant::Null(), Variant());
    EXPECT_EQ(Variant(Bytes{1, 2}), Variant(Bytes{1, 2}));
}

}  // namespace
}  // namespace ordo
