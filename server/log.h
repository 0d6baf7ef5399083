#pragma once
// The server's log: one line per event on standard error, safe to call from any thread.
#include <string>
#include <string_view>

namespace ordo::server {

enum class LogLevel { Error = 0, Warn = 1, Info = 2, Debug = 3 };

void SetLogLevel(LogLevel level) noexcept;
[[nodiscard]] bool LogEnabled(LogLevel level) noexcept;
void Log(LogLevel level, std::string_view text);

/// "error", "warn", "info" or "debug"; false for anything else.
bool ParseLogLevel(std::string_view name, LogLevel& level) noexcept;

}  // namespace ordo::server
