// Environment.ini and its like through GetPrivateProfileStringA itself.
#include <vector>

#include "core/ini_file.h"
#include "platform/win32/windows_api.h"

namespace ordo {

std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& fileName,
                                    std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    // A name without a full path would be looked for in the Windows folder; callers mean the
    // current folder, as with every other file.
    char full[MAX_PATH * 4] = {};
    DWORD n = ::GetFullPathNameA(fileName.c_str(), sizeof full, full, nullptr);
    std::string path = n > 0 && n < sizeof full ? std::string(full, n) : fileName;
    for (char& c : path)
        if (c == '/') c = '\\';
    const std::string sec(section), k(key), def(defaultValue);
    const DWORD size = bufferSize > 0x7FFFFFFFu ? 0x7FFFFFFFu : static_cast<DWORD>(bufferSize);
    std::vector<char> buf(size, '\0');
    DWORD got = ::GetPrivateProfileStringA(sec.c_str(), k.c_str(), def.c_str(), buf.data(), size, path.c_str());
    return std::string(buf.data(), got < size ? got : size - 1);
}

}  // namespace ordo
