#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "core/errors.h"
#include "core/file_names.h"

namespace ordo {

namespace {

[[noreturn]] void ThrowFileError(const std::string& what, const std::string& path, int err) {
    throw EOSError(what + " '" + path + "': " + std::strerror(err), err);
}

}  // namespace

void detail::CloseFileHandle(int handle) noexcept { ::close(handle); }

std::vector<std::string> ListFiles(const std::string& folder, std::string_view mask) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) ThrowFileError("Cannot list folder", folder, errno);
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir.get())) {
        std::string name = e->d_name;
        if (name.empty() || name.front() == '.' || !MatchesMask(name, mask)) continue;
        if (FileExists(detail::JoinPath(folder, name))) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(), detail::LessWithoutCase);
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

TAppendFile::~TAppendFile() { Close(); }

void TAppendFile::Create(const std::string& path) {
    Close();
    fd_.Reset(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!fd_.Valid()) ThrowFileError("Cannot create file", path, errno);
    path_ = path;
    size_ = 0;
}

void TAppendFile::Append(ByteView data) {
    if (!fd_.Valid()) throw EOSError("Cannot write: no file is open", EBADF);
    std::size_t done = 0;
    while (done < data.size()) {
        auto n = ::write(fd_.Get(), data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFileError("Cannot write file", path_, errno);
        done += static_cast<std::size_t>(n);
    }
    size_ += static_cast<std::int64_t>(data.size());
}

void TAppendFile::Close() noexcept {
    fd_.Reset();
}

}  // namespace ordo
