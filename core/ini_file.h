#pragma once
// Reading Windows private-profile (INI) files the way GetPrivateProfileStringA does.
//
// Usage:
//   std::string ip = GetPrivateProfileString("SYSTEM", "SvrIP", "", exeFolder + "Environment.ini");
#include <cstddef>
#include <string>
#include <string_view>

namespace ordo {

/// The value of `key` in `section` of the INI file `fileName`, or `defaultValue` when the file,
/// the section or the key is missing. Section and key names match without regard to ASCII case;
/// lines end in CR LF or LF; blanks around names and values are dropped, and a value enclosed
/// in a pair of matching quotes (" or ') loses them. The first matching section and key win.
/// Like the Windows call with a buffer of `bufferSize` characters, at most bufferSize - 1
/// characters are delivered (254 for the usual 255). A bufferSize of 0 delivers nothing.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::string& fileName,
                                    std::size_t bufferSize = 255);

/// The same lookup on INI text already in memory.
std::string ReadProfileText(std::string_view iniText, std::string_view section, std::string_view key,
                            std::string_view defaultValue, std::size_t bufferSize = 255);

}  // namespace ordo
