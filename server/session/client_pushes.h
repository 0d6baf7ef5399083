#pragma once
// What the server sends a client unasked once its login is accepted: a new build of the client
// program (update begins, then the file as one stream) and files in segments.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "codec/string_line.h"
#include "core/bytes.h"

namespace ordo::server {

struct PushFile {
    std::string localPath;   ///< read on this machine at every push
    std::string remoteName;  ///< the client's name for it, inside its program's folder
};

using LineSender = std::function<void(TOrdoStringLine& line)>;

/// The code of the coded parameter lists that carry file segments.
inline constexpr std::int32_t kFileSegmentCode = -75008;
inline constexpr std::size_t kDefaultSegmentSize = 64 * 1024;

/// Update begins (39), then the program file as the stream of code 38.
void PushUpdate(const LineSender& send, ByteView program);

/// The file as segments of at most `segmentSize` bytes ("LocalFileName", "Data", "FileSize",
/// "Finished"), the last one marked finished; an empty file is one empty finished segment.
/// Raises EOSError when the file cannot be read; what was sent before stays sent.
void PushFileSegments(const LineSender& send, const PushFile& file, std::size_t segmentSize = kDefaultSegmentSize);

/// The largest program file one update stream can carry.
std::size_t MaxUpdateSize();

}  // namespace ordo::server
