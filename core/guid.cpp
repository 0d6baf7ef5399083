#include "core/guid.h"

#include "core/errors.h"

namespace ordo {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendHex(std::string& out, std::uint64_t value, int digits) {
    for (int i = digits - 1; i >= 0; --i) out += kHex[(value >> (4 * i)) & 0xF];
}

int HexDigit(char c) noexcept {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool ReadHex(std::string_view s, std::size_t at, int digits, std::uint64_t& out) noexcept {
    out = 0;
    for (int i = 0; i < digits; ++i) {
        const int d = HexDigit(s[at + static_cast<std::size_t>(i)]);
        if (d < 0) return false;
        out = out << 4 | static_cast<std::uint64_t>(d);
    }
    return true;
}

}  // namespace

std::string GUIDToString(const TGuid& guid) {
    std::string s;
    s.reserve(38);
    s += '{';
    AppendHex(s, guid.D1, 8);
    s += '-';
    AppendHex(s, guid.D2, 4);
    s += '-';
    AppendHex(s, guid.D3, 4);
    s += '-';
    AppendHex(s, guid.D4[0], 2);
    AppendHex(s, guid.D4[1], 2);
    s += '-';
    for (int i = 2; i < 8; ++i) AppendHex(s, guid.D4[static_cast<std::size_t>(i)], 2);
    s += '}';
    return s;
}

bool TryStringToGUID(std::string_view text, TGuid& out) noexcept {
    if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
        text[19] != '-' || text[24] != '-')
        return false;
    std::uint64_t v = 0;
    TGuid g;
    if (!ReadHex(text, 1, 8, v)) return false;
    g.D1 = static_cast<std::uint32_t>(v);
    if (!ReadHex(text, 10, 4, v)) return false;
    g.D2 = static_cast<std::uint16_t>(v);
    if (!ReadHex(text, 15, 4, v)) return false;
    g.D3 = static_cast<std::uint16_t>(v);
    static constexpr std::size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (std::size_t i = 0; i < 8; ++i) {
        if (!ReadHex(text, kByteAt[i], 2, v)) return false;
        g.D4[i] = static_cast<std::uint8_t>(v);
    }
    out = g;
    return true;
}

TGuid StringToGUID(std::string_view text) {
    TGuid g;
    if (!TryStringToGUID(text, g)) throw EConvertError("'" + std::string(text) + "' is not a valid GUID value");
    return g;
}

}  // namespace ordo
