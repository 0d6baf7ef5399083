#include "server/log.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace ordo::server {
namespace {

std::atomic<int> g_level{static_cast<int>(LogLevel::Info)};
std::mutex g_mutex;

/// True when standard error is the systemd journal's stream (it names that stream in JOURNAL_STREAM as
/// "device:inode"): each line then starts with its syslog priority, so `journalctl -p warning` finds it.
bool StderrIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    struct stat st {};
    if (!stream || ::fstat(STDERR_FILENO, &st) != 0) return false;
    unsigned long long device = 0, inode = 0;
    return std::sscanf(stream, "%llu:%llu", &device, &inode) == 2 && device == st.st_dev && inode == st.st_ino;
}

const char* Priority(LogLevel l) {
    switch (l) {
        case LogLevel::Error: return "<3>";
        case LogLevel::Warn: return "<4>";
        case LogLevel::Info: return "<6>";
        case LogLevel::Debug: return "<7>";
    }
    return "";
}

const char* Tag(LogLevel l) {
    switch (l) {
        case LogLevel::Error: return "ERROR";
        case LogLevel::Warn: return "WARN ";
        case LogLevel::Info: return "INFO ";
        case LogLevel::Debug: return "DEBUG";
    }
    return "?";
}

}  // namespace

void SetLogLevel(LogLevel level) noexcept { g_level = static_cast<int>(level); }

bool LogEnabled(LogLevel level) noexcept { return static_cast<int>(level) <= g_level.load(); }

void Log(LogLevel level, std::string_view text) {
    if (!LogEnabled(level)) return;
    auto now = std::chrono::system_clock::now();
    std::time_t secs = std::chrono::system_clock::to_time_t(now);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    localtime_r(&secs, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    static const bool journal = StderrIsJournal();
    std::lock_guard lock(g_mutex);
    std::fprintf(stderr, "%s%s.%03d %s %.*s\n", journal ? Priority(level) : "", stamp, static_cast<int>(ms),
                 Tag(level), static_cast<int>(text.size()), text.data());
    std::fflush(stderr);
}

bool ParseLogLevel(std::string_view name, LogLevel& level) noexcept {
    if (name == "error") level = LogLevel::Error;
    else if (name == "warn" || name == "warning") level = LogLevel::Warn;
    else if (name == "info") level = LogLevel::Info;
    else if (name == "debug") level = LogLevel::Debug;
    else return false;
    return true;
}

}  // namespace ordo::server
