// The INI format itself, on text in memory; reading the file is the backend's part.
#include "core/ini_file.h"
#include "core/text_convert.h"

namespace ordo {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view Unquote(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        return v.substr(1, v.size() - 2);
    return v;
}

std::string Deliver(std::string_view value, std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    return std::string(value.substr(0, bufferSize - 1));
}

// Calls onLine for every line without its terminator (LF, CR LF or a lone CR); stops when it says so.
template <class F>
void ForEachLine(std::string_view text, F onLine) {
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        if (!onLine(line) || end == std::string_view::npos) return;
        std::size_t next = end + 1;
        if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
        text.remove_prefix(next);
    }
}

}  // namespace

std::string ReadProfileText(std::string_view iniText, std::string_view section, std::string_view key,
                            std::string_view defaultValue, std::size_t bufferSize) {
    // A UTF-8 byte-order mark would otherwise become part of the first section's name.
    if (iniText.substr(0, 3) == "\xEF\xBB\xBF") iniText.remove_prefix(3);
    section = TrimBlanks(section);
    key = TrimBlanks(key);
    bool inSection = false;
    bool found = false;
    std::string_view value;
    ForEachLine(iniText, [&](std::string_view raw) {
        std::string_view line = TrimBlanks(raw);
        if (line.empty() || line.front() == ';') return true;
        if (line.front() == '[') {
            if (inSection) return false;  // the first matching section is the one that counts
            std::size_t close = line.find(']');
            inSection = SameText(TrimBlanks(line.substr(1, close == std::string_view::npos ? close : close - 1)), section);
            return true;
        }
        if (!inSection) return true;
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || !SameText(TrimBlanks(line.substr(0, eq)), key)) return true;
        value = Unquote(TrimBlanks(line.substr(eq + 1)));
        found = true;
        return false;
    });
    if (found) return Deliver(value, bufferSize);
    while (!defaultValue.empty() && IsBlank(defaultValue.back())) defaultValue.remove_suffix(1);
    return Deliver(defaultValue, bufferSize);
}

}  // namespace ordo
