#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/errors.h"

namespace ordo {

namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

[[noreturn]] void ThrowFileError(const std::string& what, const std::string& path, int err) {
    throw EOSError(what + " '" + path + "': " + std::strerror(err), err);
}

bool LessWithoutCase(const std::string& a, const std::string& b) {
    auto cmp = [](char x, char y) {
        return static_cast<unsigned char>(Fold(x)) < static_cast<unsigned char>(Fold(y));
    };
    if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), cmp)) return true;
    if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), cmp)) return false;
    return a < b;  // names equal but for case still get one fixed order
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    // Iterative wildcard match: remember the last '*' and retry from one character further.
    std::size_t n = 0, m = 0, starM = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || Fold(mask[m]) == Fold(name[n]))) {
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

std::vector<std::string> ListFiles(const std::string& folder, std::string_view mask) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) ThrowFileError("Cannot list folder", folder, errno);
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir.get())) {
        std::string name = e->d_name;
        if (name.empty() || name.front() == '.' || !MatchesMask(name, mask)) continue;
        if (FileExists(JoinPath(folder, name))) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), LessWithoutCase);
    return names;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool DirectoryExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& path) {
    std::string p = ToNativePath(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p.empty() || DirectoryExists(p)) return !p.empty();
    std::size_t slash = p.rfind('/');
    if (slash != std::string::npos && slash > 0 && !ForceDirectories(p.substr(0, slash))) return false;
    return ::mkdir(p.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(p));
}

bool DeleteFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

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

Bytes ReadFileBytes(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) ThrowFileError("Cannot open file", path, errno);
    Bytes out;
    std::uint8_t chunk[65536];
    for (;;) {
        auto n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            ThrowFileError("Cannot read file", path, err);
        }
        out.insert(out.end(), chunk, chunk + n);
    }
    ::close(fd);
    return out;
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

TAppendFile::~TAppendFile() { Close(); }

TAppendFile::TAppendFile(TAppendFile&& other) noexcept
    : fd_(other.fd_), size_(other.size_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

TAppendFile& TAppendFile::operator=(TAppendFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        size_ = other.size_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

void TAppendFile::Create(const std::string& path) {
    Close();
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) ThrowFileError("Cannot create file", path, errno);
    path_ = path;
    size_ = 0;
}

void TAppendFile::Append(ByteView data) {
    if (fd_ < 0) throw EOSError("Cannot write: no file is open", EBADF);
    std::size_t done = 0;
    while (done < data.size()) {
        auto n = ::write(fd_, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFileError("Cannot write file", path_, errno);
        done += static_cast<std::size_t>(n);
    }
    size_ += static_cast<std::int64_t>(data.size());
}

void TAppendFile::Close() noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
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
