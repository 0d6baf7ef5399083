#include "core/memory_stream.h"

#include <algorithm>
#include <cstring>

namespace ordo {

void TStream::ReadBuffer(void* buffer, std::size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::size_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::uint8_t chunk[64 * 1024];
    std::int64_t left = count;
    while (left > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(left, sizeof chunk));
        source.ReadBuffer(chunk, n);
        WriteBuffer(chunk, n);
        left -= static_cast<std::int64_t>(n);
    }
    return count;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    if (pos_ >= data_.size()) return 0;
    const std::size_t n = std::min(count, data_.size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, n);
    pos_ += n;
    return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return 0;
    const auto* p = static_cast<const std::uint8_t*>(buffer);
    if (pos_ == data_.size()) {  // appending: copy once, without zero-filling first
        data_.insert(data_.end(), p, p + count);
        pos_ += count;
        return count;
    }
    if (pos_ + count > data_.size()) {
        if (pos_ + count > data_.capacity()) data_.reserve(std::max(pos_ + count, data_.capacity() * 2));
        data_.resize(pos_ + count);
    }
    std::memcpy(data_.data() + pos_, buffer, count);
    pos_ += count;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    std::int64_t base = 0;
    if (origin == TSeekOrigin::soCurrent) base = static_cast<std::int64_t>(pos_);
    if (origin == TSeekOrigin::soEnd) base = Size();
    pos_ = static_cast<std::size_t>(std::max<std::int64_t>(0, base + offset));
    return static_cast<std::int64_t>(pos_);
}

void TMemoryStream::SetSize(std::int64_t size) {
    data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, size)));
    pos_ = std::min(pos_, data_.size());
}

void TMemoryStream::Assign(ByteView data) {
    data_.assign(data.begin(), data.end());
    pos_ = 0;
}

Bytes TMemoryStream::Release() noexcept {
    Bytes out = std::move(data_);
    data_.clear();
    pos_ = 0;
    return out;
}

}  // namespace ordo
