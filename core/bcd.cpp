#include "core/bcd.h"

#include <cmath>

#include "core/decimal_digits.h"
#include "core/errors.h"
#include "core/text_convert.h"

namespace ordo {
namespace {

constexpr int kMaxPlaces = 63;

/// The record's value as significant digits and a point position.
detail::ParsedNumber ToDigits(const TBcd& b) {
    detail::ParsedNumber r;
    const int precision = b.Precision > kMaxBcdDigits ? kMaxBcdDigits : b.Precision;
    std::string all;
    for (int i = 0; i < precision; ++i) all.push_back(static_cast<char>('0' + b.Digit(i)));
    int pointPos = precision - b.Places();
    std::size_t lead = 0;
    while (lead < all.size() && all[lead] == '0') ++lead;
    pointPos -= static_cast<int>(lead);
    r.Digits = all.substr(lead);
    while (!r.Digits.empty() && r.Digits.back() == '0') r.Digits.pop_back();
    r.PointPos = r.Digits.empty() ? 0 : pointPos;
    r.Negative = b.IsNegative() && !r.Digits.empty();
    return r;
}

bool FromDigits(const std::string& digits, int pointPos, bool negative, TBcd& out) {
    TBcd b;
    if (digits.empty()) {
        b.Precision = 1;
        out = b;
        return true;
    }
    const int intDigits = pointPos > 0 ? pointPos : 0;
    const int places = static_cast<int>(digits.size()) - pointPos > 0 ? static_cast<int>(digits.size()) - pointPos : 0;
    if (places > kMaxPlaces || intDigits + places > kMaxBcdDigits) return false;
    // Lay the digits out as intDigits + places nibbles, padding with zeros on either side.
    std::string laid(static_cast<std::size_t>(intDigits + places), '0');
    const int firstAt = intDigits - pointPos;
    for (std::size_t k = 0; k < digits.size(); ++k) laid[static_cast<std::size_t>(firstAt) + k] = digits[k];
    b.Precision = static_cast<std::uint8_t>(laid.size());
    b.SignSpecialPlaces = static_cast<std::uint8_t>((negative ? 0x80 : 0) | places);
    for (std::size_t i = 0; i < laid.size(); ++i) {
        const auto d = static_cast<std::uint8_t>(laid[i] - '0');
        b.Fraction[i / 2] |= (i % 2 == 0) ? static_cast<std::uint8_t>(d << 4) : d;
    }
    out = b;
    return true;
}

bool TextToBcd(std::string_view text, char sep, TBcd& out) {
    detail::ParsedNumber p;
    if (!detail::ParseNumberText(text, sep, p)) return false;
    return FromDigits(p.Digits, p.PointPos, p.Negative, out);
}

std::string DigitsToText(const detail::ParsedNumber& p, char sep) {
    if (p.Digits.empty()) return "0";
    std::string s = p.Negative ? "-" : "";
    const auto n = static_cast<int>(p.Digits.size());
    if (p.PointPos <= 0) {
        s += '0';
        s += sep;
        s.append(static_cast<std::size_t>(-p.PointPos), '0');
        s += p.Digits;
    } else if (p.PointPos >= n) {
        s += p.Digits;
        s.append(static_cast<std::size_t>(p.PointPos - n), '0');
    } else {
        s.append(p.Digits, 0, static_cast<std::size_t>(p.PointPos));
        s += sep;
        s.append(p.Digits, static_cast<std::size_t>(p.PointPos));
    }
    return s;
}

}  // namespace

int TBcd::Digit(int i) const noexcept {
    if (i < 0 || i >= kMaxBcdDigits) return 0;
    const std::uint8_t byte = Fraction[static_cast<std::size_t>(i / 2)];
    const int nibble = (i % 2 == 0) ? byte >> 4 : byte & 0x0F;
    return nibble > 9 ? 0 : nibble;
}

bool TBcd::IsNull() const noexcept { return *this == TBcd{}; }

int BcdCompare(const TBcd& a, const TBcd& b) noexcept {
    const detail::ParsedNumber x = ToDigits(a);
    const detail::ParsedNumber y = ToDigits(b);
    if (x.Negative != y.Negative) return x.Negative ? -1 : 1;
    const int sign = x.Negative ? -1 : 1;
    if (x.Digits.empty() || y.Digits.empty()) {
        if (x.Digits.empty() && y.Digits.empty()) return 0;
        return x.Digits.empty() ? -sign : sign;
    }
    if (x.PointPos != y.PointPos) return x.PointPos < y.PointPos ? -sign : sign;
    const int c = x.Digits.compare(y.Digits);
    return c == 0 ? 0 : (c < 0 ? -sign : sign);
}

std::string BcdToStr(const TBcd& value) { return BcdToStr(value, DecimalSeparator()); }
std::string BcdToStr(const TBcd& value, char decimalSeparator) { return DigitsToText(ToDigits(value), decimalSeparator); }

bool TryStrToBcd(std::string_view text, TBcd& out) noexcept {
    const char sep = DecimalSeparator();
    return TextToBcd(text, sep, out) || (sep != '.' && TextToBcd(text, '.', out));
}

TBcd StrToBcd(std::string_view text) {
    TBcd b;
    if (!TryStrToBcd(text, b)) throw EConvertError("'" + std::string(text) + "' is not a valid BCD value");
    return b;
}

double BcdToDouble(const TBcd& value) noexcept {
    double v = 0;
    TryStrToFloat(DigitsToText(ToDigits(value), '.'), v, '.');
    return v;
}

bool TryDoubleToBcd(double value, TBcd& out) noexcept {
    if (!std::isfinite(value)) return false;
    detail::DecimalDigits d = detail::ToSignificantDigits(value, 15);
    if (static_cast<int>(d.Digits.size()) - d.Exponent > kMaxPlaces) d = detail::ToFixedDigits(value, kMaxPlaces);
    return FromDigits(d.Digits, d.Exponent, d.Negative && !d.Digits.empty(), out);
}

TBcd DoubleToBcd(double value) {
    TBcd b;
    if (!TryDoubleToBcd(value, b)) throw EConvertError("'" + FloatToStr(value) + "' is not a valid BCD value");
    return b;
}

bool TryBcdToCurr(const TBcd& value, Currency& out) noexcept {
    return TryStrToCurr(DigitsToText(ToDigits(value), '.'), out, '.');
}

Currency BcdToCurr(const TBcd& value) {
    Currency c;
    if (!TryBcdToCurr(value, c)) throw EConvertError("BCD overflow: " + BcdToStr(value) + " does not fit a currency value");
    return c;
}

TBcd CurrToBcd(Currency value) noexcept {
    TBcd b;
    TextToBcd(CurrToStr(value, '.'), '.', b);
    return b;
}

TBcd IntegerToBcd(std::int64_t value) noexcept {
    TBcd b;
    TextToBcd(IntToStr(value), '.', b);
    return b;
}

void StoreBcd(std::uint8_t* p, const TBcd& value) noexcept {
    p[0] = value.Precision;
    p[1] = value.SignSpecialPlaces;
    for (std::size_t i = 0; i < value.Fraction.size(); ++i) p[2 + i] = value.Fraction[i];
}

TBcd LoadBcd(const std::uint8_t* p) noexcept {
    TBcd b;
    b.Precision = p[0];
    b.SignSpecialPlaces = p[1];
    for (std::size_t i = 0; i < b.Fraction.size(); ++i) b.Fraction[i] = p[2 + i];
    return b;
}

}  // namespace ordo
