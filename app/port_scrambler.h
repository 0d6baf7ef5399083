#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace ordo {

/// Hex-pair decoding of a configuration value: one byte per pair, an odd trailing character ignored.
/// Any pair that is not hexadecimal makes the whole result the text "-1".
std::string HexToStr(std::string_view text);

/// Unscrambles the port text of `Environment.ini` (the program's own scrambling; the start-up passes key 846).
/// The key stream advances with the scrambled byte, not with the result byte.
std::string DecodePortText(std::string_view text, std::uint16_t key);

/// The key the program unscrambles its port with.
inline constexpr std::uint16_t kPortKey = 846;

}  // namespace ordo
