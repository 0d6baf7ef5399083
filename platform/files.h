#pragma once
// File-system services: folder listing by mask, text files as lines, whole-file writes.
// Paths are plain POSIX paths; ToNativePath turns the Windows-style separators of stored
// paths into '/'.
//
// Usage:
//   for (const auto& name : ListFiles(exeFolder + "temp/FQ", "*.txt")) ...
//   std::string sql = LoadTextFile(path);   // every line followed by CR LF
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "platform/owned_handle.h"

namespace ordo {

/// The names (without folder) of the plain files in `folder` whose names match `mask`
/// ('*' any run, '?' one character, without regard to ASCII case), hidden files left out (on Windows
/// hidden and system files by their attributes, elsewhere names starting with '.'), in ascending order
/// without regard to case. Throws EOSError when the folder cannot be read.
std::vector<std::string> ListFiles(const std::string& folder, std::string_view mask);
/// The wildcard match used by ListFiles.
bool MatchesMask(std::string_view name, std::string_view mask);

bool FileExists(const std::string& path);        ///< a plain file (or a link to one)
bool DirectoryExists(const std::string& path);
/// Creates the folder with all missing parents; true when it exists afterwards.
bool ForceDirectories(const std::string& path);
/// Removes a file; false (and nothing raised) when it cannot be removed.
bool DeleteFile(const std::string& path);

/// The lines of a text file, split at CR LF, LF or a lone CR; a final line break adds no empty
/// line. Bytes are kept as they are. Throws EOSError when the file cannot be read.
std::vector<std::string> LoadTextLines(const std::string& path);
/// The lines of the file joined with CR LF after each one (so a non-empty result ends with CR LF).
std::string LoadTextFile(const std::string& path);
/// Splits text into lines by the same rule as LoadTextLines.
std::vector<std::string> SplitTextLines(std::string_view text);

Bytes ReadFileBytes(const std::string& path);                       ///< throws EOSError
void WriteFileBytes(const std::string& path, ByteView data);        ///< replaces; throws EOSError
/// Writes every line followed by CR LF, replacing the file; throws EOSError.
void SaveTextLines(const std::string& path, const std::vector<std::string>& lines);

/// A file kept open for appending; created (an existing file replaced) by Create.
class TAppendFile {
public:
    TAppendFile() = default;
    ~TAppendFile();
    TAppendFile(TAppendFile&& other) noexcept = default;
    TAppendFile& operator=(TAppendFile&& other) noexcept = default;
    TAppendFile(const TAppendFile&) = delete;
    TAppendFile& operator=(const TAppendFile&) = delete;

    void Create(const std::string& path);   ///< throws EOSError
    void Append(ByteView data);             ///< throws EOSError (also when not open)
    [[nodiscard]] std::int64_t Size() const noexcept { return size_; }
    [[nodiscard]] bool IsOpen() const noexcept { return fd_.Valid(); }
    void Close() noexcept;

private:
    TFileHandle fd_;
    std::int64_t size_ = 0;
    std::string path_;
};

/// '\\' separators become '/'.
std::string ToNativePath(std::string_view path);
/// The part after the last '/' (or '\\').
std::string ExtractFileName(std::string_view path);
/// Everything up to and including the last '/' (or '\\'); empty when there is none.
std::string ExtractFilePath(std::string_view path);

}  // namespace ordo
