// Dotted IPv4 text, shared by every backend.
#include "platform/net_info.h"

namespace ordo {

std::optional<std::uint32_t> ParseIPv4(std::string_view text) {
    std::uint32_t result = 0;
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        std::size_t start = i;
        unsigned value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 3)
            value = value * 10 + static_cast<unsigned>(text[i++] - '0');
        if (i == start || value > 255) return std::nullopt;
        result = result << 8 | value;
        if (++parts < 4) {
            if (i >= text.size() || text[i] != '.') return std::nullopt;
            ++i;
        }
    }
    if (i != text.size()) return std::nullopt;
    return result;
}

std::string FormatIPv4(std::uint32_t address) {
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

}  // namespace ordo
