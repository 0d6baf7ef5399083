#include "server/session/client_pushes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <limits>
#include <vector>

#include "codec/message_codes.h"
#include "codec/message_stack.h"
#include "core/errors.h"
#include "params/param_list.h"

namespace ordo::server {
namespace {

Bytes SegmentList(const std::string& name, ByteView data, std::int64_t fileSize, bool finished) {
    TOrdoParamList list;
    TOrdoParamItem& n = list.Add();
    n.SetName("LocalFileName");
    n.SetAsString(name);
    TOrdoParamItem& d = list.Add();
    d.SetName("Data");
    d.SetAsBlob(data);
    TOrdoParamItem& s = list.Add();
    s.SetName("FileSize");
    if (fileSize <= std::numeric_limits<std::int32_t>::max()) {
        s.SetAsInteger(static_cast<std::int32_t>(fileSize));
    } else {
        s.SetAsLargeInt(fileSize);
    }
    TOrdoParamItem& f = list.Add();
    f.SetName("Finished");
    f.SetAsBoolean(finished);
    return list.SaveToString(false);
}

void SendSegment(const LineSender& send, const std::string& name, ByteView data, std::int64_t fileSize,
                 bool finished) {
    TOrdoStringLine line(mcCodedParamList, 0);
    line.AddInteger(kFileSegmentCode);
    Bytes list = SegmentList(name, data, fileSize, finished);
    line.AddItem(list, itString);
    line.AddInteger(0);  // no reply awaited
    send(line);
}

[[noreturn]] void ThrowReadError(const std::string& path) {
    throw EOSError("Cannot read file '" + path + "': " + std::strerror(errno), errno);
}

}  // namespace

std::size_t MaxUpdateSize() {
    // The frame holds the line's header and item table besides the file.
    return static_cast<std::size_t>(TOrdoMessageStack::kMaxFrameLength) - 1024;
}

void PushUpdate(const LineSender& send, ByteView program) {
    TOrdoStringLine begin(mcUpdateBegin, 0);
    send(begin);
    TOrdoStringLine stream(mcUpdateFile, 0);
    stream.AddStream(program);
    send(stream);
}

void PushFileSegments(const LineSender& send, const PushFile& file, std::size_t segmentSize) {
    std::ifstream in(file.localPath, std::ios::binary | std::ios::ate);
    if (!in) ThrowReadError(file.localPath);
    const std::int64_t size = in.tellg();
    in.seekg(0);
    if (size < 0 || !in) ThrowReadError(file.localPath);
    std::vector<std::uint8_t> buffer(std::max<std::size_t>(segmentSize, 1));
    std::int64_t sent = 0;
    do {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(buffer.size()), size - sent));
        in.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(want));
        if (static_cast<std::size_t>(in.gcount()) != want) ThrowReadError(file.localPath);
        sent += static_cast<std::int64_t>(want);
        SendSegment(send, file.remoteName, ByteView(buffer.data(), want), size, sent >= size);
    } while (sent < size);
}

}  // namespace ordo::server
