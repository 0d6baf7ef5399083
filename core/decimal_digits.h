#pragma once
// Internal: a double split into decimal digits, the shared ground of the float, format and
// BCD texts. Not for use outside platform/.
#include <string>
#include <string_view>

namespace ordo::detail {

/// value = 0.d1d2d3... × 10^Exponent, digits without leading or trailing zeros; zero has no digits.
struct DecimalDigits {
    std::string Digits;
    int Exponent = 0;
    bool Negative = false;
};

/// Rounded to `significant` digits (1..17), correctly from the binary value.
DecimalDigits ToSignificantDigits(double value, int significant);
/// Rounded to `decimals` places after the point (at most 15 significant digits kept).
DecimalDigits ToFixedDigits(double value, int decimals);

/// The general float text with `precision` significant digits (15 for doubles, 7 for singles).
std::string GeneralFloatText(double value, int precision, char separator);

/// A syntactically checked decimal number text: sign, digits around one separator, exponent.
struct ParsedNumber {
    std::string Digits;   // all mantissa digits, leading zeros removed
    int PointPos = 0;     // digits of `Digits` before the decimal point (may be negative or > size)
    bool Negative = false;
};
/// Blanks around the number are allowed; `separator` is the only decimal point accepted.
bool ParseNumberText(std::string_view text, char separator, ParsedNumber& out) noexcept;

}  // namespace ordo::detail
