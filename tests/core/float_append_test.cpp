// The general float text written onto the end of a string, as statements are built: every shortcut it takes
// (whole numbers, amounts of up to four decimals) must spell what the 15-digit digit search spells, and nothing
// already in the string may be lost.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/text_convert.h"
#include "tests/support/decimal_separator.h"

namespace ordo {
namespace {

/// printf's 15 significant digits, which choose fixed or exponent form at the same bounds (1E15, 1E-4), put
/// into the platform's spelling: "E" with a bare exponent, the given separator, "0" for a negative zero.
std::string Reference(double v, char sep) {
    if (std::isnan(v)) return "NAN";
    if (std::isinf(v)) return v < 0 ? "-INF" : "INF";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string s = buf;
    if (s == "-0") return "0";
    if (const auto e = s.find('e'); e != std::string::npos)
        s = s.substr(0, e) + "E" + std::to_string(std::stoi(s.substr(e + 1)));
    if (const auto p = s.find('.'); p != std::string::npos) s[p] = sep;
    return s;
}

std::vector<double> TrickyValues() {
    return {0.0, -0.0, 1, -1, 0.5, 9.5, 0.1, 0.1 + 0.2, 1.0 / 3, -2.0 / 3, 2.675,
            // the edge of the whole-number shortcut and of the fixed form
            1e15, -1e15, 1e15 - 1, 1e15 - 0.5, 1e15 + 2, 999999999999999.4, 1e14 + 0.5, 9007199254740993.0,
            123456789012345678.0, 1e20, 1e100,
            // the edge of the four-decimal shortcut
            1e11, 1e11 - 0.0001, -(1e11 - 0.0001), 1e11 + 0.25, 99999999999.99995, 12345.6789, -12345.6789,
            0.0001, -0.0001, 0.00015, 100.25, -0.05, 1234567.125, 0.30000000000000004,
            // small values and the exponent form below 1E-4
            9.99999999999999e-5, 0.000099999999999999995, 1e-5, -1.5e-7, 5e-324, DBL_MIN,
            DBL_MAX, -DBL_MAX, std::numeric_limits<double>::quiet_NaN(), INFINITY, -INFINITY};
}

class FloatAppend : public ::testing::Test {
protected:
    test::DecimalSeparatorGuard separator_{DecimalSeparator()};  // the cases set their own

    /// Appends onto a short and onto a long text (one within the string's own buffer, one on the heap).
    static void ExpectAppended(double v, char sep) {
        SCOPED_TRACE(Reference(v, '.'));
        for (const std::string& prefix : {std::string("(1,"), std::string(300, 'x') + "VALUES ('B01', "}) {
            std::string s = prefix;
            AppendFloatToStr(s, v, sep);
            ASSERT_EQ(s, prefix + Reference(v, sep));
        }
        EXPECT_EQ(FloatToStr(v, sep), Reference(v, sep));
    }
};

TEST_F(FloatAppend, TrickyValuesSpellTheFifteenDigitText) {
    for (double v : TrickyValues()) {
        ExpectAppended(v, '.');
        ExpectAppended(v, ',');
    }
}

TEST_F(FloatAppend, RandomAmountsWholeNumbersAndDoublesSpellTheFifteenDigitText) {
    std::mt19937_64 rng(20240105);
    for (int i = 0; i < 20000; ++i) {
        // amounts of 0 to 6 decimals, whole numbers around 2^53 and 1e15, and doubles of any magnitude
        const auto units = static_cast<std::int64_t>(rng() % 20'000'000'000'000'000ULL) - 10'000'000'000'000'000LL;
        ExpectAppended(static_cast<double>(units >> (i % 50)) / std::pow(10.0, i % 7), '.');
        ExpectAppended(std::trunc(static_cast<double>(units) / std::pow(10.0, i % 5)), '.');
        ExpectAppended(std::ldexp(static_cast<double>(rng() >> 11), static_cast<int>(rng() % 200) - 150), ',');
    }
}

TEST_F(FloatAppend, TheMachinesSeparatorIsUsedWhenNoneIsGiven) {
    for (char sep : {',', '.'}) {
        SetDecimalSeparator(sep);
        std::string s = "x=";
        AppendFloatToStr(s, -2300.5);
        AppendFloatToStr(s, 1.5e-7);
        AppendFloatToStr(s, 1.0 / 3);
        EXPECT_EQ(s, std::string("x=-2300") + sep + "51" + sep + "5E-70" + sep + "333333333333333");
    }
}

}  // namespace
}  // namespace ordo
