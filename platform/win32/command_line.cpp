#include "platform/win32/command_line.h"

namespace ordo::detail {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The program name: quotes group, nothing escapes.
std::size_t ReadProgram(std::string_view line, std::string& out) {
    std::size_t i = 0;
    bool quoted = false;
    for (; i < line.size(); ++i) {
        char c = line[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (IsBlank(c) && !quoted) {
            break;
        } else {
            out += c;
        }
    }
    return i;
}

std::size_t ReadArgument(std::string_view line, std::size_t i, std::string& out) {
    bool quoted = false;
    while (i < line.size()) {
        char c = line[i];
        if (c == '\\') {
            std::size_t n = 0;
            while (i < line.size() && line[i] == '\\') {
                ++n;
                ++i;
            }
            if (i < line.size() && line[i] == '"') {
                out.append(n / 2, '\\');
                if (n % 2 == 1) {
                    out += '"';
                    ++i;
                }
            } else {
                out.append(n, '\\');
            }
            continue;
        }
        if (c == '"') {
            // "" inside quotes is a literal quote (and the quoting goes on).
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                out += '"';
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        if (IsBlank(c) && !quoted) break;
        out += c;
        ++i;
    }
    return i;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    if (line.empty()) return args;
    std::string program;
    std::size_t i = ReadProgram(line, program);
    args.push_back(std::move(program));
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        std::string arg;
        i = ReadArgument(line, i, arg);
        args.push_back(std::move(arg));
    }
    return args;
}

std::string QuoteCommandLineArgument(std::string_view arg) {
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string_view::npos) return std::string(arg);
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
        } else {
            out.append(backslashes, '\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, '\\');  // they stand before the closing quote
    out += '"';
    return out;
}

}  // namespace ordo::detail
