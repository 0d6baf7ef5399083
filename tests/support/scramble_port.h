#pragma once
// The installer's scrambling of the port text of Environment.ini: the inverse of the program's unscrambling.
// The key stream advances with the scrambled byte.
#include <cstdint>
#include <cstdio>
#include <string>

namespace ordo::test {

inline std::string ScramblePortText(const std::string& plain, std::uint16_t key = 846) {
    std::string hex;
    std::uint32_t k = key;
    for (const char ch : plain) {
        const auto c = static_cast<unsigned char>(ch);
        const auto s = static_cast<std::uint8_t>(c ^ static_cast<std::uint8_t>(k >> 8));
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", s);
        hex += pair;
        k = ((k + s) * 5209u + 29347u) & 0xFFFFu;
    }
    return hex;
}

}  // namespace ordo::test
