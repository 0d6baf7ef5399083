// The parts of file handling that never touch the file system: masks, line splitting, paths.
#include <algorithm>

#include "core/file_names.h"
#include "core/text_convert.h"
#include "platform/files.h"

namespace ordo {

namespace detail {

bool LessWithoutCase(const std::string& a, const std::string& b) {
    auto cmp = [](char x, char y) {
        return static_cast<unsigned char>(ToLowerAscii(x)) < static_cast<unsigned char>(ToLowerAscii(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), cmp)) return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), cmp)) return false;
    return a < b;  // names equal but for case still get one fixed order
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace detail

bool MatchesMask(std::string_view name, std::string_view mask) {
    // Iterative wildcard match: remember the last '*' and retry from one character further.
    std::size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || ToLowerAscii(mask[m]) == ToLowerAscii(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starM = m++;
            starN = n;
        } else if (starM != std::string_view::npos) {
            m = starM + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    while (!text.empty()) {
        std::size_t end = text.find_first_of("\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        std::size_t next = end + 1;
        if (text[end] == '\r' && next < text.size() && text[next] == '\n') ++next;
        text.remove_prefix(next);
    }
    return lines;
}

std::vector<std::string> LoadTextLines(const std::string& path) {
    Bytes b = ReadFileBytes(path);
    return SplitTextLines(AsText(b));
}

std::string LoadTextFile(const std::string& path) {
    std::string text;
    for (const auto& line : LoadTextLines(path)) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void WriteFileBytes(const std::string& path, ByteView data) {
    TAppendFile f;
    f.Create(path);
    f.Append(data);
    f.Close();
}

void SaveTextLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    WriteFileBytes(path, AsBytes(text));
}

std::string ToNativePath(std::string_view path) {
    std::string p(path);
    std::replace(p.begin(), p.end(), '\\', '/');
    return p;
}

std::string ExtractFileName(std::string_view path) {
    std::size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view path) {
    std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

}  // namespace ordo
