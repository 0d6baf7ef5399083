#pragma once
// Numbers to text and back with the platform's rules: the machine's decimal separator,
// "$" or "0x" hexadecimal integers, the general 15-digit float text, currency text.
// Parsers never consult the C locale (std::from_chars / to_chars underneath), so a
// program that calls setlocale() gets the same results.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/bcd.h"
#include "core/currency.h"
#include "core/date_time.h"
#include "core/errors.h"

namespace ordo {

// --- the machine's separators -------------------------------------------------------------

/// The decimal separator of the user's locale (LC_NUMERIC of the environment), read once
/// and cached; '.' when the locale names none.
char DecimalSeparator() noexcept;
/// Replaces the cached separator for the whole process (tests, or a program that wants
/// fixed formats whatever the machine says).
void SetDecimalSeparator(char separator) noexcept;

// --- plain text helpers ----------------------------------------------------------------

/// ASCII letters only: bytes of code page 949 and every other byte stay as they are.
constexpr char ToUpperAscii(char c) noexcept { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
constexpr char ToLowerAscii(char c) noexcept { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }
/// Case-insensitive comparison of ASCII letters; other bytes (code page 949 included) compare as they are.
bool SameText(std::string_view a, std::string_view b) noexcept;
/// Removes bytes <= ' ' at both ends, as the platform's Trim.
std::string_view Trim(std::string_view s) noexcept;
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);

// --- integers --------------------------------------------------------------------------

/// Leading blanks, an optional sign, then decimal digits, or "$", "0x", "0X", "x" and
/// hexadecimal digits. Decimal must fit the type; hexadecimal may use all its bits
/// ("$FFFFFFFF" is -1). Nothing may follow.
bool TryStrToInt(std::string_view text, std::int32_t& out) noexcept;
/// Raises EConvertError "'<text>' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);
/// The default is what bad text reads as ("bad numbers read as 0" is StrToIntDef(s, 0)).
std::int32_t StrToIntDef(std::string_view text, std::int32_t def) noexcept;
bool TryStrToInt64(std::string_view text, std::int64_t& out) noexcept;
std::int64_t StrToInt64(std::string_view text);
std::int64_t StrToInt64Def(std::string_view text, std::int64_t def) noexcept;
std::string IntToStr(std::int64_t value);
/// Upper-case hexadecimal, at least `digits` wide.
std::string IntToHex(std::uint64_t value, int digits);

// --- floating point --------------------------------------------------------------------

/// The general float text: rounded to 15 significant digits, trailing zeros dropped,
/// "-" for negatives, the decimal separator, exponent form ("1E15", "1.5E-7") only when
/// the value has more than 15 integer digits or is below 1E-4 in magnitude. NaN and
/// infinities read "NAN", "INF", "-INF".
std::string FloatToStr(double value);
std::string FloatToStr(double value, char decimalSeparator);
/// FloatToStr's text appended to `out`, for texts built from many numbers.
void AppendFloatToStr(std::string& out, double value);
void AppendFloatToStr(std::string& out, double value, char decimalSeparator);
/// Blanks around, optional sign, digits with at most one decimal separator (at least one
/// digit in all), optional exponent "E"/"e" with optional sign. No grouping separators.
bool TryStrToFloat(std::string_view text, double& out) noexcept;
bool TryStrToFloat(std::string_view text, double& out, char decimalSeparator) noexcept;
/// Raises EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view text);
double StrToFloatDef(std::string_view text, double def) noexcept;

// --- currency --------------------------------------------------------------------------

/// Up to four decimals, trailing zeros dropped ("12.5", "-0.0001", "100").
std::string CurrToStr(Currency value);
std::string CurrToStr(Currency value, char decimalSeparator);
/// As TryStrToFloat, but exact to four decimals (more are rounded half to even) and
/// failing when the amount does not fit.
bool TryStrToCurr(std::string_view text, Currency& out) noexcept;
bool TryStrToCurr(std::string_view text, Currency& out, char decimalSeparator) noexcept;
/// Raises EConvertError "'<text>' is not a valid currency value".
Currency StrToCurr(std::string_view text);
Currency StrToCurrDef(std::string_view text, Currency def) noexcept;

}  // namespace ordo
