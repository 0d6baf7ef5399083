#pragma once
// Finding the server: configuration values, the dotted-number test and host lookups.
#include <cstdint>
#include <functional>
#include <mutex>
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

/// The last address of this machine's own name, or empty. It goes into the user name of every statement, so
/// an answer is reused while the machine's name stays and for at most a second (`TLocalAddressMemo`).
std::string GetLocalIP();

/// One looked-up address, kept for a second: looking the machine's name up before each of a thousand
/// statements read the hosts file (and could ask the name server) each time, while an address that
/// changes shows in the next second all the same.
class TLocalAddressMemo {
public:
    using TResolver = std::function<std::string(const std::string& host)>;
    static constexpr std::uint32_t kKeepMs = 1000;

    /// The address of `host` at `nowMs` (a millisecond tick count that may wrap).
    std::string Get(const std::string& host, std::uint32_t nowMs, const TResolver& resolve);

private:
    bool known_ = false;
    std::string host_;
    std::string address_;
    std::uint32_t since_ = 0;
};

}  // namespace ordo
