#include <gtest/gtest.h>

#include "core/bcd.h"
#include "core/errors.h"
#include "core/text_convert.h"
#include "tests/support/decimal_separator.h"

namespace ordo {
namespace {

class Bcd : public ::testing::Test {
protected:
    test::DecimalSeparatorGuard separator_{'.'};
};

TEST_F(Bcd, PacksDigitsHighNibbleFirst) {
    const TBcd b = StrToBcd("-12.345");
    EXPECT_EQ(b.Precision, 5);
    EXPECT_EQ(b.SignSpecialPlaces, 0x80 | 3);
    EXPECT_EQ(b.Fraction[0], 0x12);
    EXPECT_EQ(b.Fraction[1], 0x34);
    EXPECT_EQ(b.Fraction[2], 0x50);
    EXPECT_EQ(b.Fraction[3], 0x00);
    std::uint8_t raw[34];
    StoreBcd(raw, b);
    EXPECT_EQ(raw[0], 5);
    EXPECT_EQ(raw[1], 0x83);
    EXPECT_EQ(raw[2], 0x12);
    EXPECT_EQ(LoadBcd(raw), b);
}

TEST_F(Bcd, TextRoundTrips) {
    for (const char* text : {"0", "1", "-1", "12.5", "0.001", "100", "-0.5", "123456789012345678901234567890.123456789"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(BcdToStr(StrToBcd(text)), text);
    }
    EXPECT_EQ(BcdToStr(StrToBcd("007.2500")), "7.25");
    EXPECT_EQ(BcdToStr(StrToBcd("1.5e3")), "1500");
    EXPECT_EQ(BcdToStr(TBcd{}), "0") << "the null record reads as 0";
    SetDecimalSeparator(',');
    EXPECT_EQ(BcdToStr(StrToBcd("2,5")), "2,5");
    EXPECT_EQ(BcdToStr(StrToBcd("2.5")), "2,5") << "a point is read as well";
}

TEST_F(Bcd, LimitsAndBadInput) {
    const std::string digits64(64, '9');
    EXPECT_EQ(BcdToStr(StrToBcd(digits64)), digits64);
    TBcd b;
    EXPECT_FALSE(TryStrToBcd(digits64 + "9", b));
    EXPECT_FALSE(TryStrToBcd("0." + std::string(63, '0') + "1", b));
    EXPECT_FALSE(TryStrToBcd("1,2", b));
    EXPECT_THROW((void)StrToBcd("x"), EConvertError);
    // A hostile record from the wire: nibbles above 9 and a precision above 64 do not crash.
    TBcd wild;
    wild.Precision = 200;
    wild.SignSpecialPlaces = 0x3F;
    wild.Fraction.fill(0xFA);
    EXPECT_NO_THROW((void)BcdToStr(wild));
    TBcd places;
    places.Precision = 1;
    places.SignSpecialPlaces = 3;
    places.Fraction[0] = 0x50;
    EXPECT_EQ(BcdToStr(places), "0.005") << "places beyond the precision are leading zeros";
}

TEST_F(Bcd, NumericConversions) {
    EXPECT_EQ(BcdToDouble(StrToBcd("-12.345")), -12.345);
    EXPECT_EQ(BcdToStr(DoubleToBcd(0.1)), "0.1");
    EXPECT_EQ(BcdToStr(DoubleToBcd(-2.5e-70)), "0") << "below 63 places rounds away";
    EXPECT_THROW((void)DoubleToBcd(1e70), EConvertError);
    EXPECT_EQ(BcdToCurr(StrToBcd("12.34565")).Raw(), 123456);
    EXPECT_THROW((void)BcdToCurr(StrToBcd("1e20")), EConvertError);
    EXPECT_EQ(BcdToStr(CurrToBcd(Currency::FromRaw(-15))), "-0.0015");
    EXPECT_EQ(BcdToStr(IntegerToBcd(INT64_MIN)), "-9223372036854775808");
    EXPECT_EQ(BcdCompare(StrToBcd("1.50"), StrToBcd("1.5")), 0);
    EXPECT_LT(BcdCompare(StrToBcd("-3"), StrToBcd("2")), 0);
    EXPECT_LT(BcdCompare(StrToBcd("0.09"), StrToBcd("0.1")), 0);
    EXPECT_GT(BcdCompare(StrToBcd("-0.09"), StrToBcd("-0.1")), 0);
    EXPECT_EQ(BcdCompare(StrToBcd("0"), TBcd{}), 0);
}

}  // namespace
}  // namespace ordo
