#include "core/text_convert.h"

#include <atomic>
#include <charconv>
#include <limits>

#include "core/errors.h"

namespace ordo {
namespace {

// '.' until the program sets the user's separator at start-up (ApplyLocaleSeparators in
// platform/locale_separators.h): reading the settings is a system call, which values do not make.
struct Separators {
    std::atomic<char> decimal{'.'};
};

Separators& Seps() noexcept {
    static Separators seps;
    return seps;
}


int HexValue(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/// Parses the platform's integer syntax into a magnitude and sign; `hexBits` limits how
/// many bits a hexadecimal text may use, `decLimit` bounds the decimal magnitude.
bool ParseInteger(std::string_view s, int hexBits, std::uint64_t posLimit, std::uint64_t& mag, bool& neg,
                  bool& hex) noexcept {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    neg = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
    hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == s.size()) return false;
    mag = 0;
    if (hex) {
        const std::uint64_t maxHex = hexBits >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << hexBits) - 1;
        for (; i < s.size(); ++i) {
            int v = HexValue(s[i]);
            if (v < 0 || mag > (maxHex >> 4)) return false;
            mag = mag << 4 | static_cast<std::uint64_t>(v);
        }
        return true;
    }
    const std::uint64_t limit = neg ? posLimit + 1 : posLimit;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        auto d = static_cast<std::uint64_t>(s[i] - '0');
        if (mag > (limit - d) / 10) return false;
        mag = mag * 10 + d;
    }
    return true;
}

[[noreturn]] void InvalidInteger(std::string_view text) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace

char DecimalSeparator() noexcept { return Seps().decimal.load(std::memory_order_relaxed); }
void SetDecimalSeparator(char separator) noexcept { Seps().decimal.store(separator, std::memory_order_relaxed); }

bool SameText(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (ToUpperAscii(a[i]) != ToUpperAscii(b[i])) return false;
    return true;
}

std::string_view Trim(std::string_view s) noexcept {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

std::string UpperCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = ToUpperAscii(c);
    return r;
}

std::string LowerCase(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = ToLowerAscii(c);
    return r;
}

bool TryStrToInt(std::string_view text, std::int32_t& out) noexcept {
    std::uint64_t mag = 0;
    bool neg = false;
    bool hex = false;
    if (!ParseInteger(text, 32, std::numeric_limits<std::int32_t>::max(), mag, neg, hex)) return false;
    // Hexadecimal texts name bit patterns, so "$FFFFFFFF" wraps to -1.
    auto bits = static_cast<std::uint32_t>(mag);
    if (neg) bits = 0u - bits;
    out = static_cast<std::int32_t>(bits);
    return true;
}

std::int32_t StrToInt(std::string_view text) {
    std::int32_t v = 0;
    if (!TryStrToInt(text, v)) InvalidInteger(text);
    return v;
}

std::int32_t StrToIntDef(std::string_view text, std::int32_t def) noexcept {
    std::int32_t v = 0;
    return TryStrToInt(text, v) ? v : def;
}

bool TryStrToInt64(std::string_view text, std::int64_t& out) noexcept {
    std::uint64_t mag = 0;
    bool neg = false;
    bool hex = false;
    if (!ParseInteger(text, 64, std::numeric_limits<std::int64_t>::max(), mag, neg, hex)) return false;
    if (neg) mag = 0 - mag;
    out = static_cast<std::int64_t>(mag);
    return true;
}

std::int64_t StrToInt64(std::string_view text) {
    std::int64_t v = 0;
    if (!TryStrToInt64(text, v)) InvalidInteger(text);
    return v;
}

std::int64_t StrToInt64Def(std::string_view text, std::int64_t def) noexcept {
    std::int64_t v = 0;
    return TryStrToInt64(text, v) ? v : def;
}

std::string IntToStr(std::int64_t value) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string IntToHex(std::uint64_t value, int digits) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value, 16);
    std::string s(buf, r.ptr);
    for (char& c : s) c = ToUpperAscii(c);
    if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<std::size_t>(digits) - s.size(), '0');
    return s;
}

}  // namespace ordo
