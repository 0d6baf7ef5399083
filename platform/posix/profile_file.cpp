#include <fstream>
#include <iterator>

#include "core/ini_file.h"

namespace ordo {

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& fileName,
                                    std::size_t bufferSize) {
    std::ifstream in(fileName, std::ios::binary);
    std::string text;
    if (in) text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return ReadProfileText(text, section, key, defaultValue, bufferSize);
}

}  // namespace ordo
