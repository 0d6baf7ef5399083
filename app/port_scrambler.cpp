#include "app/port_scrambler.h"

#include "core/text_convert.h"

namespace ordo {

std::string HexToStr(std::string_view text) {
    std::string result(text.size() / 2, '\0');
    for (std::size_t i = 0; i < result.size(); ++i) {
        std::string pair = "$";
        pair.append(text.substr(2 * i, 2));
        int value = 0;
        if (!TryStrToInt(pair, value)) return "-1";
        result[i] = static_cast<char>(value & 0xFF);
    }
    return result;
}

std::string DecodePortText(std::string_view text, std::uint16_t key) {
    const std::string bytes = HexToStr(text);
    if (bytes == "-1") return bytes;
    std::string result(bytes.size(), '\0');
    std::uint32_t k = key;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        result[i] = static_cast<char>(b ^ static_cast<std::uint8_t>(k >> 8));
        k = ((k + b) * 5209u + 29347u) & 0xFFFFu;
    }
    return result;
}

}  // namespace ordo
