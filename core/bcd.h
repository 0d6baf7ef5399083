#pragma once
// The packed decimal record that formatted-BCD values travel in.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/currency.h"
#include "core/errors.h"

namespace ordo {

/// 34 bytes: precision (number of digits), sign and scale (bit 7 = negative, low 6 bits =
/// decimal places), then up to 64 digits packed two per byte, high nibble first. The
/// all-zero record is the null BCD and reads as 0.
struct TBcd {
    std::uint8_t Precision = 0;
    std::uint8_t SignSpecialPlaces = 0;
    std::array<std::uint8_t, 32> Fraction{};

    [[nodiscard]] bool IsNegative() const noexcept { return (SignSpecialPlaces & 0x80) != 0; }
    [[nodiscard]] int Places() const noexcept { return SignSpecialPlaces & 0x3F; }
    /// Digit i (0-based, most significant first) of the packed digits.
    [[nodiscard]] int Digit(int i) const noexcept;
    [[nodiscard]] bool IsNull() const noexcept;
    friend bool operator==(const TBcd&, const TBcd&) = default;
};
inline constexpr std::size_t kBcdSize = 34;
inline constexpr int kMaxBcdDigits = 64;

/// Equal numeric values compare equal whatever their precision and scale.
int BcdCompare(const TBcd& a, const TBcd& b) noexcept;

/// Decimal text with the locale decimal separator, no exponent, no needless zeros
/// ("-12.5", "0"). The record may come from the wire, so nothing in it raises: a precision
/// above 64 counts as 64, a nibble above 9 reads as 0, and decimal places beyond the
/// precision stand for leading zeros of the fraction.
std::string BcdToStr(const TBcd& value);
std::string BcdToStr(const TBcd& value, char decimalSeparator);
/// Optional sign, digits with one decimal separator (the locale's, '.' also accepted),
/// optional exponent; at most 64 significant digits, at most 63 decimal places.
bool TryStrToBcd(std::string_view text, TBcd& out) noexcept;
/// Raises EConvertError "'<text>' is not a valid BCD value".
TBcd StrToBcd(std::string_view text);

double BcdToDouble(const TBcd& value) noexcept;
/// The double rounded to 15 significant digits (and to 63 decimal places); NaN, infinities
/// and values of more than 64 integer digits fail.
bool TryDoubleToBcd(double value, TBcd& out) noexcept;
TBcd DoubleToBcd(double value);  // raises EConvertError
/// Rounds beyond four decimals half to even; fails when the amount does not fit Currency.
bool TryBcdToCurr(const TBcd& value, Currency& out) noexcept;
Currency BcdToCurr(const TBcd& value);  // raises EConvertError
TBcd CurrToBcd(Currency value) noexcept;
TBcd IntegerToBcd(std::int64_t value) noexcept;

void StoreBcd(std::uint8_t* p, const TBcd& value) noexcept;
TBcd LoadBcd(const std::uint8_t* p) noexcept;

}  // namespace ordo
