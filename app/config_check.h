#pragma once
// The settings without which the program cannot connect, checked before it starts waiting for a connection.
#include <optional>
#include <string>
#include <string_view>

namespace ordo {

/// The port a DBDSPort value stands for: its first comma-separated field, unscrambled and read as a number
/// (-1 when a pair of the field is not hexadecimal). Raises EConvertError when the unscrambled text is no number.
[[nodiscard]] int DecodeConfiguredPort(std::string_view value);

/// One line naming the file and the key when Environment.ini in `exeFolder` is missing, its DBDSPort does not
/// decode to a port (1 to 65535), neither SvrIP nor SvrNM is set ("Null" counts as not set), or [FQREPLAY]
/// ExactlyOnce is neither 0 nor 1.
[[nodiscard]] std::optional<std::string> ConfigurationProblem(const std::string& exeFolder);

}  // namespace ordo
