#pragma once
// The program's command line: what it asks of this run, and the usage text that `--help` prints.
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ordo {

/// The exit statuses a scheduler sees.
inline constexpr int kExitDone = 0;         ///< the walk ran and the queue is empty
inline constexpr int kExitWalkError = 1;    ///< something will fail the same way again until someone acts
inline constexpr int kExitUsage = 2;        ///< a usage or configuration error; nothing was touched
inline constexpr int kExitTryLater = 75;    ///< work is left for a later run

struct TCommandLine {
    bool help = false;
    bool version = false;
    /// Seconds to wait for a connection before giving up; none: retry until one comes up.
    std::optional<unsigned> connectTimeout;
    /// Seconds any one reply may take, selects and the rebuild's query included; none: the program's own limits.
    std::optional<unsigned> replyTimeout;
};

/// A command line that cannot be understood; its text says why.
struct TUsageError {
    std::string text;
};

/// Reads the arguments that follow the program name. No arguments ask for what the program has always done.
/// Returns the usage error instead when an option is unknown, a value is bad or an argument is left over.
[[nodiscard]] std::variant<TCommandLine, TUsageError> ParseCommandLine(const std::vector<std::string>& args);

/// The usage text `--help` prints, exit statuses included. Kept here only, so that the manual page is made
/// from the same words.
[[nodiscard]] std::string_view UsageText();

}  // namespace ordo
