// Floating-point and currency texts.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "core/decimal_digits.h"
#include "core/errors.h"
#include "core/text_convert.h"

namespace ordo {
namespace {

constexpr int kFloatPrecision = 15;

// The texts below append to the caller's string: statements are built from many numbers, and a string per
// number would be made and thrown away for each.

void AppendInteger(std::string& out, std::int64_t value) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, r.ptr);
}

void AppendScientific(std::string& out, const detail::DecimalDigits& d, char sep) {
    if (d.Negative) out += '-';
    out += d.Digits[0];
    if (d.Digits.size() > 1) {
        out += sep;
        out.append(d.Digits, 1);
    }
    out += 'E';
    AppendInteger(out, d.Exponent - 1);
}

void AppendFixed(std::string& out, const detail::DecimalDigits& d, char sep) {
    if (d.Negative) out += '-';
    const auto n = static_cast<int>(d.Digits.size());
    if (d.Exponent <= 0) {
        out += '0';
        out += sep;
        out.append(static_cast<std::size_t>(-d.Exponent), '0');
        out += d.Digits;
        return;
    }
    if (n <= d.Exponent) {
        out += d.Digits;
        out.append(static_cast<std::size_t>(d.Exponent - n), '0');
        return;
    }
    out.append(d.Digits, 0, static_cast<std::size_t>(d.Exponent));
    out += sep;
    out.append(d.Digits, static_cast<std::size_t>(d.Exponent));
}

/// A count of ten-thousandths as a decimal: the whole part, then the separator and the fraction without its
/// trailing zeros when there is one. Currency amounts and short amounts in doubles are both spelled this way.
void AppendTenThousandths(std::string& out, bool negative, std::uint64_t units, char sep) {
    if (negative) out += '-';
    AppendInteger(out, static_cast<std::int64_t>(units / 10000));  // below 2^64 / 10^4
    if (auto frac = static_cast<unsigned>(units % 10000); frac != 0) {
        char digits[4];
        for (int i = 3; i >= 0; --i, frac /= 10) digits[i] = static_cast<char>('0' + frac % 10);
        int n = 4;
        while (digits[n - 1] == '0') --n;
        out += sep;
        out.append(digits, static_cast<std::size_t>(n));
    }
}

/// Amounts with at most four decimals below 10^11 are exactly the decimal r / 10^4 whose nearest double
/// they are, and that decimal has at most 15 significant digits: rounding to 15 digits gives it back,
/// so it is spelled directly instead of by the digit search. Appends nothing when the value is not one.
bool AppendFewDecimals(std::string& out, double value, char sep) {
    if (!(std::fabs(value) < 1e11)) return false;
    const double scaled = std::nearbyint(value * 1e4);
    if (scaled / 1e4 != value) return false;
    AppendTenThousandths(out, value < 0, static_cast<std::uint64_t>(std::fabs(scaled)), sep);
    return true;
}

void AppendGeneralFloatText(std::string& out, double value, int precision, char separator) {
    if (std::isnan(value)) {
        out += "NAN";
        return;
    }
    if (std::isinf(value)) {
        out += value < 0 ? "-INF" : "INF";
        return;
    }
    // Whole numbers that fit the precision are spelled as they are, without the digit search: most amounts
    // written into statements are whole, and this text is built many times per query row.
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (precision >= 1 && std::fabs(value) < kPowersOfTen[std::min(precision, 15)] && value == std::trunc(value)) {
        AppendInteger(out, static_cast<std::int64_t>(value));  // -0.0 converts to 0 and reads "0"
        return;
    }
    if (precision == kFloatPrecision && AppendFewDecimals(out, value, separator)) return;
    const detail::DecimalDigits d = detail::ToSignificantDigits(value, precision);
    if (d.Digits.empty())
        out += '0';
    else if (d.Exponent > precision || d.Exponent < -3)
        AppendScientific(out, d, separator);
    else
        AppendFixed(out, d, separator);
}

/// Magnitude of a parsed number as a power of ten, to tell underflow from overflow.
bool IsUnderflow(const detail::ParsedNumber& p) noexcept { return p.PointPos < 0; }

}  // namespace

// --- Currency ------------------------------------------------------------------------------

Currency Currency::FromInt(std::int64_t value) {
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max() / kScale;
    if (value > limit || value < -limit)
        throw EConvertError("Currency value out of range: " + IntToStr(value));
    return Currency(value * kScale);
}

bool Currency::TryFromDouble(double value, Currency& out) noexcept {
    double scaled = std::nearbyint(value * kScale);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (!std::isfinite(scaled) || scaled >= 9223372036854775808.0 || scaled < -9223372036854775808.0)
        return false;
    out = Currency(static_cast<std::int64_t>(scaled));
    return true;
}

Currency Currency::FromDouble(double value) {
    Currency c;
    if (!TryFromDouble(value, c)) throw EConvertError("Currency value out of range: " + FloatToStr(value));
    return c;
}

// --- general float text -----------------------------------------------------------------

std::string FloatToStr(double value) { return FloatToStr(value, DecimalSeparator()); }

std::string FloatToStr(double value, char decimalSeparator) {
    std::string s;
    AppendGeneralFloatText(s, value, kFloatPrecision, decimalSeparator);
    return s;
}

void AppendFloatToStr(std::string& out, double value) { AppendFloatToStr(out, value, DecimalSeparator()); }

void AppendFloatToStr(std::string& out, double value, char decimalSeparator) {
    AppendGeneralFloatText(out, value, kFloatPrecision, decimalSeparator);
}

std::string detail::GeneralFloatText(double value, int precision, char separator) {
    std::string s;
    AppendGeneralFloatText(s, value, precision, separator);
    return s;
}

bool TryStrToFloat(std::string_view text, double& out) noexcept {
    return TryStrToFloat(text, out, DecimalSeparator());
}

bool TryStrToFloat(std::string_view text, double& out, char decimalSeparator) noexcept {
    detail::ParsedNumber p;
    if (!detail::ParseNumberText(text, decimalSeparator, p)) return false;
    if (p.Digits.empty()) {
        out = p.Negative ? -0.0 : 0.0;
        return true;
    }
    // Re-spell as "0.<digits>e<pos>" so from_chars does the correctly rounded conversion.
    std::string norm = "0.";
    norm += p.Digits;
    norm += 'e';
    norm += IntToStr(p.PointPos);
    double v = 0;
    auto res = std::from_chars(norm.data(), norm.data() + norm.size(), v);
    if (res.ec == std::errc::result_out_of_range) {
        if (!IsUnderflow(p)) return false;
        v = 0;
    } else if (res.ec != std::errc()) {
        return false;
    }
    out = p.Negative ? -v : v;
    return true;
}

double StrToFloat(std::string_view text) {
    double v = 0;
    if (!TryStrToFloat(text, v))
        throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
    return v;
}

double StrToFloatDef(std::string_view text, double def) noexcept {
    double v = 0;
    return TryStrToFloat(text, v) ? v : def;
}

// --- currency text ----------------------------------------------------------------------

std::string CurrToStr(Currency value) { return CurrToStr(value, DecimalSeparator()); }

std::string CurrToStr(Currency value, char decimalSeparator) {
    static_assert(Currency::kScale == 10000);
    const std::int64_t raw = value.Raw();
    const std::uint64_t mag = raw < 0 ? 0 - static_cast<std::uint64_t>(raw) : static_cast<std::uint64_t>(raw);
    std::string s;
    AppendTenThousandths(s, raw < 0, mag, decimalSeparator);
    return s;
}

bool TryStrToCurr(std::string_view text, Currency& out) noexcept {
    return TryStrToCurr(text, out, DecimalSeparator());
}

bool TryStrToCurr(std::string_view text, Currency& out, char decimalSeparator) noexcept {
    detail::ParsedNumber p;
    if (!detail::ParseNumberText(text, decimalSeparator, p)) return false;
    // The scaled amount's integer part is the first PointPos + 4 digits.
    const int intLen = p.Digits.empty() ? 0 : p.PointPos + 4;
    if (intLen > 19) return false;
    std::uint64_t mag = 0;
    for (int k = 0; k < intLen; ++k) {
        auto d = static_cast<std::uint64_t>(k < static_cast<int>(p.Digits.size()) ? p.Digits[static_cast<std::size_t>(k)] - '0' : 0);
        if (mag > (std::numeric_limits<std::uint64_t>::max() - d) / 10) return false;
        mag = mag * 10 + d;
    }
    // Round half to even on the digits beyond the fourth decimal.
    // (With intLen < 0 the amount is below a tenth of the last unit and stays 0.)
    const auto first = static_cast<std::size_t>(intLen < 0 ? 0 : intLen);
    if (intLen >= 0 && first < p.Digits.size()) {
        int roundDigit = p.Digits[first] - '0';
        bool sticky = p.Digits.size() > first + 1;
        if (roundDigit > 5 || (roundDigit == 5 && (sticky || (mag & 1) != 0))) ++mag;
    }
    const std::uint64_t limit = p.Negative ? std::uint64_t{1} << 63 : (std::uint64_t{1} << 63) - 1;
    if (mag > limit) return false;
    out = Currency::FromRaw(p.Negative ? static_cast<std::int64_t>(0 - mag) : static_cast<std::int64_t>(mag));
    return true;
}

Currency StrToCurr(std::string_view text) {
    Currency c;
    if (!TryStrToCurr(text, c))
        throw EConvertError("'" + std::string(text) + "' is not a valid currency value");
    return c;
}

Currency StrToCurrDef(std::string_view text, Currency def) noexcept {
    Currency c;
    return TryStrToCurr(text, c) ? c : def;
}

}  // namespace ordo
