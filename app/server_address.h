#pragma once
// Finding the server: configuration values, the dotted-number test and host lookups.
#include <optional>
#include <string>
#include <string_view>

namespace ordo {

/// One key of the INI file `exeFolder + fileName`; empty when missing; at most 254 characters, trimmed.
std::string ReadEnvValue(const std::string& exeFolder, const std::string& fileName, std::string_view section,
                         std::string_view key);

/// True for any run of integers joined by dots ("192.168.0.10", "1.2", "999.1"); the integers follow the
/// platform's text-to-integer rule, so a sign or a "$" hexadecimal prefix is accepted too.
bool IsDottedNumber(std::string_view text);

/// The first address of `name` in dotted form; an empty name resolves the machine's own name.
std::optional<std::string> ResolveHostName(std::string_view name);

/// The dotted address of `name`, or empty when it cannot be resolved. Names longer than 100 characters
/// are refused (empty) rather than cut short, so a long name never resolves to some other host.
std::string LookupHostAddress(std::string_view name);

/// The last address of this machine's own name, or empty.
std::string GetLocalIP();

}  // namespace ordo
