// The file system through the Win32 file API. Paths may use '/' or '\\'; names are ANSI.
#include "platform/files.h"

#include <algorithm>

#include "core/errors.h"
#include "core/file_names.h"
#include "platform/win32/windows_api.h"

namespace ordo {

namespace {

[[noreturn]] void ThrowFileError(const std::string& what, const std::string& path, DWORD err) {
    throw EOSError(what + " '" + path + "': " + detail::SystemErrorText(err), static_cast<int>(err));
}

DWORD Attributes(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }

bool IsDirectoryAttr(DWORD a) { return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0; }

// A root ("C:", "C:/", "/", "//server/share") needs no creating and has no parent to create.
bool IsRoot(const std::string& p) { return p.empty() || (p.size() == 2 && p[1] == ':'); }

}  // namespace

void detail::CloseFileHandle(int handle) noexcept { ::CloseHandle(detail::ToHandle(handle)); }

std::vector<std::string> ListFiles(const std::string& folder, std::string_view mask) {
    WIN32_FIND_DATAA data{};
    const std::string pattern = detail::JoinPath(folder.empty() ? std::string(".") : folder, "*");
    HANDLE find = ::FindFirstFileA(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        DWORD err = ::GetLastError();
        if (err == ERROR_FILE_NOT_FOUND && IsDirectoryAttr(Attributes(folder))) return {};
        ThrowFileError("Cannot list folder", folder, err);
    }
    std::vector<std::string> names;
    do {
        std::string name = data.cFileName;
        // The mask is matched here, not by the system: its 8.3 short names would let "*.txt"
        // catch "a.txt1" as well.
        // Folders, hidden and system files stay out by their attributes, as the system's own listings keep them
        // out; a name that begins with a dot is an ordinary file here.
        constexpr DWORD kNotListed = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        if (name.empty() || (data.dwFileAttributes & kNotListed) != 0) continue;
        if (MatchesMask(name, mask)) names.push_back(std::move(name));
    } while (::FindNextFileA(find, &data));
    ::FindClose(find);
    std::sort(names.begin(), names.end(), detail::LessWithoutCase);
    return names;
}

bool FileExists(const std::string& path) {
    DWORD a = Attributes(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool DirectoryExists(const std::string& path) { return IsDirectoryAttr(Attributes(path)); }

bool ForceDirectories(const std::string& path) {
    std::string p = ToNativePath(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    if (p.empty()) return false;
    if (DirectoryExists(p)) return true;
    if (IsRoot(p)) return false;
    std::size_t slash = p.rfind('/');
    if (slash != std::string::npos && slash > 0 && !ForceDirectories(p.substr(0, slash))) return false;
    return ::CreateDirectoryA(p.c_str(), nullptr) != 0 || DirectoryExists(p);
}

bool DeleteFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != 0; }

Bytes ReadFileBytes(const std::string& path) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) ThrowFileError("Cannot open file", path, ::GetLastError());
    Bytes out;
    std::uint8_t chunk[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(h, chunk, sizeof chunk, &n, nullptr)) {
            DWORD err = ::GetLastError();
            ::CloseHandle(h);
            ThrowFileError("Cannot read file", path, err);
        }
        if (n == 0) break;
        out.insert(out.end(), chunk, chunk + n);
    }
    ::CloseHandle(h);
    return out;
}

TAppendFile::~TAppendFile() { Close(); }

void TAppendFile::Create(const std::string& path) {
    Close();
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) ThrowFileError("Cannot create file", path, ::GetLastError());
    fd_.Reset(detail::FromHandle(h));
    path_ = path;
    size_ = 0;
}

void TAppendFile::Append(ByteView data) {
    if (!fd_.Valid()) throw EOSError("Cannot write: no file is open", ERROR_INVALID_HANDLE);
    std::size_t done = 0;
    while (done < data.size()) {
        std::size_t left = data.size() - done;
        DWORD chunk = left > 0x40000000u ? 0x40000000u : static_cast<DWORD>(left);
        DWORD n = 0;
        if (!::WriteFile(detail::ToHandle(fd_.Get()), data.data() + done, chunk, &n, nullptr))
            ThrowFileError("Cannot write file", path_, ::GetLastError());
        done += n;
    }
    size_ += static_cast<std::int64_t>(data.size());
}

void TAppendFile::Close() noexcept {
    fd_.Reset();
}

}  // namespace ordo
