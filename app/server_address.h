#pragma once
// Finding the server: configuration values, the dotted-number test and host lookups.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace ordo {

/// The configuration file beside the executable.
inline constexpr const char* kEnvFileName = "Environment.ini";

/// One key of the INI file `exeFolder + fileName`; empty when missing; at most 254 characters, trimmed.
std::string ReadEnvValue(const std::string& exeFolder, const std::string& fileName, std::string_view section,
                         std::string_view key);

/// True for any run of integers joined by dots ("192.168.0.10", "1.2", "999.1"); the integers follow the
/// platform's text-to-integer rule, so a sign or a "$" hexadecimal prefix is accepted too.
bool IsDottedNumber(std::string_view text);

/// The first address of `name` in dotted form; an empty name resolves the machine's own name.
std::optional<std::string> ResolveHostName(std::string_view name);

/// The dotted address of `name` (empty for an empty name). Raises EOSError naming the name and the
/// resolver's reason when it does not resolve, so that a run says at once why it cannot connect. Names
/// longer than 100 characters are refused rather than cut short, so a long name never resolves to some
/// other host.
std::string LookupHostAddress(std::string_view name);

/// The last address of this machine's own name, or empty.
std::string GetLocalIP();

/// A text worked out again only once it is a second old. The user name that every statement carries is the
/// machine's address and a value of Environment.ini: looking both up before each of a thousand statements of
/// a rebuild read the hosts file and the INI file each time, while a changed address or operator shows within
/// a second all the same.
class TRecentText {
public:
    static constexpr std::uint32_t kKeepMs = 1000;

    /// The text as of at most a second before `nowMs` (a millisecond tick count that may wrap).
    std::string Get(std::uint32_t nowMs, const std::function<std::string()>& compute);

private:
    bool known_ = false;
    std::string text_;
    std::uint32_t since_ = 0;
};

}  // namespace ordo
