#pragma once
// GUIDs and their 38-character text "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/errors.h"

namespace ordo {

struct TGuid {
    std::uint32_t D1 = 0;
    std::uint16_t D2 = 0;
    std::uint16_t D3 = 0;
    std::array<std::uint8_t, 8> D4{};
    friend bool operator==(const TGuid&, const TGuid&) = default;
};

/// Upper-case hexadecimal in braces, grouped 8-4-4-4-12.
std::string GUIDToString(const TGuid& guid);
/// Exactly the 38-character form (either case of hexadecimal digits).
bool TryStringToGUID(std::string_view text, TGuid& out) noexcept;
/// Raises EConvertError "'<text>' is not a valid GUID value".
TGuid StringToGUID(std::string_view text);

}  // namespace ordo
