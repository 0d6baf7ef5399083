#pragma once
// Binary data has its own types so a signature tells text from bytes.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ordo {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline ByteView AsBytes(std::string_view s) noexcept {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}
inline std::string_view AsText(ByteView b) noexcept {
    return {reinterpret_cast<const char*>(b.data()), b.size()};
}
inline Bytes ToBytes(std::string_view s) { return Bytes(s.begin(), s.end()); }
inline std::string ToString(ByteView b) { return std::string(AsText(b)); }

}  // namespace ordo
