#include "update/file_segments.h"

#include "params/param_list.h"

namespace ordo {
namespace {

std::string Refusal(std::string_view name, const char* why) {
    return "File segment name \"" + std::string(name) + "\" refused: " + why;
}

/// Bad numbers in received data read as 0, a bad flag as false.
std::int64_t LargeIntOf(const TOrdoParamItem* item) {
    if (item == nullptr) return 0;
    try {
        return item->AsLargeInt();
    } catch (const EOrdoError&) {
        return 0;
    }
}

bool BooleanOf(const TOrdoParamItem* item) {
    if (item == nullptr) return false;
    try {
        return item->AsBoolean();
    } catch (const EOrdoError&) {
        return false;
    }
}

}  // namespace

std::string ResolveSegmentPath(std::string_view name, const std::string& baseFolder) {
    if (name.empty()) throw EOrdoFileSegmentError(Refusal(name, "it is empty"));
    if (name.find('\0') != std::string_view::npos) throw EOrdoFileSegmentError(Refusal(name, "it holds a NUL byte"));
    const std::string path = ToNativePath(name);
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (path.front() == '/' || drive) throw EOrdoFileSegmentError(Refusal(name, "it is an absolute path"));
    if (path.back() == '/') throw EOrdoFileSegmentError(Refusal(name, "it names a folder"));
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (path.compare(start, end - start, "..") == 0)
            throw EOrdoFileSegmentError(Refusal(name, "it climbs out of the program's folder"));
        start = end + 1;
    }
    return baseFolder + path;
}

void TOrdoFileSegments::Arrive(const TOrdoParamList& segment, const std::string& baseFolder,
                               const ArriveEvent& onArrive) {
    const TOrdoParamItem* nameItem = segment.FindParam("LocalFileName");
    const std::string name = nameItem != nullptr ? nameItem->AsString() : std::string();
    const std::string path = ResolveSegmentPath(name, baseFolder);
    const TOrdoParamItem* dataItem = segment.FindParam("Data");
    const ByteView data = dataItem != nullptr ? ByteView(dataItem->ValueBytes()) : ByteView();
    const std::int64_t fileSize = LargeIntOf(segment.FindParam("FileSize"));
    const bool finished = BooleanOf(segment.FindParam("Finished"));

    Entry& entry = Open(path, finished);
    if (entry.failed) {
        if (finished) {
            files_.erase(path);
            DeleteFile(path);
            throw EOrdoFileSegmentError("File \"" + name + "\" is incomplete and was removed: a segment could not be written");
        }
        throw EOrdoFileSegmentError("Segment of \"" + name + "\" dropped: an earlier segment could not be written");
    }
    try {
        const auto size = static_cast<std::int64_t>(data.size());
        if (onArrive) onArrive(name, size, entry.file.Size() + size, fileSize);
        entry.file.Append(data);
    } catch (...) {
        // The bytes behind a gap would make a file that looks complete and is not.
        entry.failed = true;
        entry.file.Close();
        if (finished) {
            files_.erase(path);
            DeleteFile(path);
        }
        throw;
    }
    if (finished) Finish(path, name, onArrive);
}

TOrdoFileSegments::Entry& TOrdoFileSegments::Open(const std::string& path, bool finished) {
    auto it = files_.find(path);
    if (it != files_.end()) return it->second;
    Entry entry;
    try {
        const std::string folder = ExtractFilePath(path);
        if (!folder.empty()) ForceDirectories(folder);  // a failure shows as the create's error
        entry.file.Create(path);
    } catch (const std::exception&) {
        // The file's later segments must not make a file that lacks its beginning and reads as complete:
        // it stays refused until its last segment.
        if (!finished) {
            Entry refused;
            refused.failed = true;
            files_.emplace(path, std::move(refused));
        }
        throw;
    }
    return files_.emplace(path, std::move(entry)).first->second;
}

void TOrdoFileSegments::Finish(const std::string& path, const std::string& name, const ArriveEvent& onArrive) {
    files_.erase(path);  // closes the file
    if (onArrive) onArrive(name, -1, -1, -1);
}

}  // namespace ordo
