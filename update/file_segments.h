#pragma once
// Files that the server sends in segments: each segment names its file, carries the next bytes
// and says whether it is the last. Files are kept open from their first segment to their last.
// Names come from the server, so only names inside the program's folder are taken.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "core/errors.h"
#include "platform/files.h"

namespace ordo {

class TOrdoParamList;

/// A segment that was not taken: a refused name, or a file whose earlier segment failed.
class EOrdoFileSegmentError : public EOrdoError {
public:
    using EOrdoError::EOrdoError;
};

/// The path a segment's file name stands for inside `baseFolder` (which ends with '/'). Windows
/// separators are read as '/'. Raises EOrdoFileSegmentError for an empty name, an absolute one
/// (also "C:..."), one with a ".." part, one that ends in a separator, or one holding a NUL byte.
std::string ResolveSegmentPath(std::string_view name, const std::string& baseFolder);

class TOrdoFileSegments {
public:
    /// (file name as sent, segment size, bytes received once it is written, announced file
    /// size); after the last segment once more with -1 for the three numbers.
    using ArriveEvent = std::function<void(const std::string& fileName, std::int64_t segmentSize,
                                           std::int64_t received, std::int64_t fileSize)>;

    /// One segment: the list's "LocalFileName", "Data", "FileSize" and "Finished". The file is
    /// created (folders too, an older file replaced) at its first segment. Errors of the file
    /// system are raised as EOSError; a file that failed stays refused until its last segment,
    /// which removes the incomplete file instead of reporting it as complete.
    void Arrive(const TOrdoParamList& segment, const std::string& baseFolder, const ArriveEvent& onArrive);

    /// Files between their first and last segment.
    [[nodiscard]] std::size_t OpenCount() const noexcept { return files_.size(); }

private:
    struct Entry {
        TAppendFile file;
        bool failed = false;
    };
    Entry& Open(const std::string& path, bool finished);
    void Finish(const std::string& path, const std::string& name, const ArriveEvent& onArrive);

    std::map<std::string, Entry> files_;  // by resolved path
};

}  // namespace ordo
