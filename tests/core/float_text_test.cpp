#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "core/text_convert.h"
#include "tests/support/decimal_separator.h"

namespace ordo {
namespace {

/// Pins the separator so the results do not depend on the machine running the tests.
class FloatText : public ::testing::Test {
protected:
    test::DecimalSeparatorGuard separator_{'.'};
};

TEST_F(FloatText, GeneralFormPicksFixedOrExponent) {
    struct Case { double value; const char* want; } cases[] = {
        {0, "0"}, {1500, "1500"}, {-2300.5, "-2300.5"}, {1e15, "1E15"}, {1e-5, "1E-5"}, {0.0001, "0.0001"},
        {999999999999999.0, "999999999999999"}, {1.0 / 3, "0.333333333333333"}, {0.1 + 0.2, "0.3"},
        {123456789012345678.0, "1.23456789012346E17"}, {-1.5e-7, "-1.5E-7"}, {2.5, "2.5"}, {1e100, "1E100"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.want);
        EXPECT_EQ(FloatToStr(c.value), c.want);
    }
    EXPECT_EQ(FloatToStr(NAN), "NAN");
    EXPECT_EQ(FloatToStr(-INFINITY), "-INF");
}

// Amounts of a few decimals take a shortcut; it must spell exactly what the 15-digit general form
// spells, which printf's %.15g gives for this range.
TEST_F(FloatText, AmountsWithFewDecimalsMatchTheFifteenDigitForm) {
    auto reference = [](double v) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.15g", v);
        return std::string(buf);
    };
    std::mt19937_64 rng(7);
    std::vector<double> values = {0.0001, -0.0001, 0.5, 12345.5, 99999999999.9999, -99999999999.9999,
                                  100000000000.5, 0.30000000000000004, 1234567.125, 0.1 + 0.7, 1e-4 * 3};
    for (int i = 0; i < 20000; ++i) {
        const auto units = static_cast<std::int64_t>(rng() % 1'000'000'000'000'000ULL) - 500'000'000'000'000LL;
        values.push_back(static_cast<double>(units >> (i % 40)) / 10000.0);
        values.push_back(static_cast<double>(units % 100000) / 100.0);
    }
    for (double v : values) {
        SCOPED_TRACE(reference(v));
        if (v == std::trunc(v)) continue;  // whole numbers have a test of their own above
        EXPECT_EQ(FloatToStr(v), reference(v));
    }
    SetDecimalSeparator(',');
    EXPECT_EQ(FloatToStr(-12345.25), "-12345,25");
}

TEST_F(FloatText, UsesTheDecimalSeparator) {
    SetDecimalSeparator(',');
    EXPECT_EQ(FloatToStr(-2300.5), "-2300,5");
    EXPECT_EQ(FloatToStr(1.5e-7), "1,5E-7");
    double v = 0;
    EXPECT_TRUE(TryStrToFloat("12,25", v));
    EXPECT_EQ(v, 12.25);
    EXPECT_FALSE(TryStrToFloat("12.25", v)) << "only the machine's separator is a decimal point";
    EXPECT_TRUE(TryStrToFloat("12.25", v, '.'));
}

TEST_F(FloatText, ParsesAndRoundTrips) {
    struct Case { const char* text; double want; } cases[] = {
        {"0", 0}, {" -1.5 ", -1.5}, {".5", 0.5}, {"5.", 5}, {"+3", 3}, {"1e3", 1000}, {"2.5E-2", 0.025},
        {"007.50", 7.5}, {"1e-400", 0}, {"0.000000000000000000001", 1e-21},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        double v = -99;
        ASSERT_TRUE(TryStrToFloat(c.text, v));
        EXPECT_EQ(v, c.want);
    }
    for (const char* bad : {"", ".", "-", "1e", "1e+", "1,5", "1.2.3", "abc", "1 2", "1e400", "0x10"}) {
        SCOPED_TRACE(bad);
        double v = 0;
        EXPECT_FALSE(TryStrToFloat(bad, v));
    }
    try {
        (void)StrToFloat("x1");
        ADD_FAILURE() << "no exception";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "'x1' is not a valid floating point value");
    }
    // Whatever FloatToStr writes reads back to the same double within its 15 digits.
    for (double d : {3.141592653589793, -0.000123456, 6.02214076e23, 1.0 / 7, 1e-300}) {
        const double back = StrToFloat(FloatToStr(d));
        EXPECT_NEAR(back, d, std::fabs(d) * 1e-14);
    }
}

TEST_F(FloatText, CurrencyText) {
    EXPECT_EQ(CurrToStr(Currency::FromRaw(125000)), "12.5");
    EXPECT_EQ(CurrToStr(Currency::FromRaw(1000000)), "100");
    EXPECT_EQ(CurrToStr(Currency::FromRaw(-1)), "-0.0001");
    EXPECT_EQ(CurrToStr(Currency::FromRaw(INT64_MIN)), "-922337203685477.5808");
    SetDecimalSeparator(',');
    EXPECT_EQ(CurrToStr(Currency::FromRaw(15)), "0,0015");
}

TEST_F(FloatText, CurrencyParseIsExactAndRoundsHalfToEven) {
    struct Case { const char* text; std::int64_t raw; } cases[] = {
        {"12.5", 125000}, {"-0.0001", -1}, {"12.34565", 123456}, {"12.34575", 123458}, {"12.345651", 123457},
        {"0.00004", 0}, {"1e2", 1000000}, {"922337203685477.5807", INT64_MAX}, {"-922337203685477.5808", INT64_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Currency v;
        ASSERT_TRUE(TryStrToCurr(c.text, v));
        EXPECT_EQ(v.Raw(), c.raw);
    }
    Currency v;
    EXPECT_FALSE(TryStrToCurr("922337203685477.5808", v));
    EXPECT_FALSE(TryStrToCurr("1e20", v));
    EXPECT_FALSE(TryStrToCurr("12,5", v));
    EXPECT_THROW((void)StrToCurr("x"), EConvertError);
    EXPECT_EQ(Currency::FromDouble(1.23456).Raw(), 12346);
    EXPECT_THROW((void)Currency::FromDouble(1e300), EConvertError);
    EXPECT_THROW((void)Currency::FromDouble(NAN), EConvertError);
}

}  // namespace
}  // namespace ordo
