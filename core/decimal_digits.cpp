#include "core/decimal_digits.h"

#include <charconv>
#include <cmath>

namespace ordo::detail {
namespace {

/// Reads "d.dddde±x" as produced by to_chars(scientific) into digits and point position.
DecimalDigits FromScientific(const char* first, const char* last, bool negative) {
    DecimalDigits r;
    r.Negative = negative;
    const char* e = first;
    while (e != last && *e != 'e') ++e;
    for (const char* p = first; p != e; ++p)
        if (*p >= '0' && *p <= '9') r.Digits.push_back(*p);
    int exp10 = 0;
    if (e != last) std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), last, exp10);
    r.Exponent = exp10 + 1;
    while (!r.Digits.empty() && r.Digits.back() == '0') r.Digits.pop_back();
    if (r.Digits.empty()) r.Exponent = 0;
    return r;
}

}  // namespace

DecimalDigits ToSignificantDigits(double value, int significant) {
    if (value == 0 || !std::isfinite(value)) return {};
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific,
                             significant - 1);
    return FromScientific(buf, res.ptr, value < 0);
}

DecimalDigits ToFixedDigits(double value, int decimals) {
    DecimalDigits sig = ToSignificantDigits(value, 15);
    // When all 15 significant digits lie before the last place shown, nothing more to round.
    if (sig.Digits.empty() || sig.Exponent + decimals >= 15) return sig;
    // Fewer places than the 15-digit precision allows: round at the last place shown.
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed, decimals);
    DecimalDigits r;
    r.Negative = value < 0;
    int intDigits = 0;
    bool seenPoint = false;
    for (const char* p = buf; p != res.ptr; ++p) {
        if (*p == '.') {
            seenPoint = true;
            continue;
        }
        if (r.Digits.empty() && *p == '0') {
            if (seenPoint) --intDigits;
            continue;
        }
        r.Digits.push_back(*p);
        if (!seenPoint) ++intDigits;
    }
    r.Exponent = intDigits;
    while (!r.Digits.empty() && r.Digits.back() == '0') r.Digits.pop_back();
    if (r.Digits.empty()) r.Exponent = 0;
    return r;
}

bool ParseNumberText(std::string_view text, char separator, ParsedNumber& out) noexcept {
    std::size_t i = 0;
    std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    while (n > i && text[n - 1] == ' ') --n;
    out = ParsedNumber{};
    if (i < n && (text[i] == '+' || text[i] == '-')) out.Negative = text[i++] == '-';
    int digitCount = 0;
    int pointPos = 0;
    bool seenPoint = false;
    for (; i < n; ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digitCount;
            if (out.Digits.empty() && c == '0') {
                if (seenPoint) --pointPos;
                continue;
            }
            out.Digits.push_back(c);
            if (!seenPoint) ++pointPos;
        } else if (c == separator && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (digitCount == 0) return false;
    if (i < n) {
        if (text[i] != 'e' && text[i] != 'E') return false;
        ++i;
        bool expNeg = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) expNeg = text[i++] == '-';
        if (i == n) return false;
        long exp = 0;
        for (; i < n; ++i) {
            if (text[i] < '0' || text[i] > '9') return false;
            // Past any double's range either way; capping keeps the sum from overflowing.
            if (exp < 100000) exp = exp * 10 + (text[i] - '0');
        }
        pointPos += static_cast<int>(expNeg ? -exp : exp);
    }
    while (!out.Digits.empty() && out.Digits.back() == '0') out.Digits.pop_back();
    out.PointPos = out.Digits.empty() ? 0 : pointPos;
    return true;
}

}  // namespace ordo::detail
