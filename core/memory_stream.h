#pragma once
// Byte streams in the platform's shape: a position, a size, reads that may come up short and
// ReadBuffer/WriteBuffer that raise when they do. Data set streams, blob values and the filer
// sections all go through TStream so a handler can swap in any kind of stream.
#include <cstddef>
#include <cstdint>

#include "core/bytes.h"
#include "core/errors.h"

namespace ordo {

/// Failures of a stream or of a reader working on one (the platform's EStreamError tree).
class EStreamError : public EOrdoProtocolError {
public:
    using EOrdoProtocolError::EOrdoProtocolError;
};
/// A stream that ended early ("Stream read error") or holds a value of the wrong shape
/// ("Invalid property value").
class EReadError : public EStreamError {
public:
    using EStreamError::EStreamError;
};
class EWriteError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

enum class TSeekOrigin : std::uint8_t { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    /// Copies up to `count` bytes; returns how many there were.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    /// The new position; a target before 0 is clamped to 0.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
    [[nodiscard]] virtual std::int64_t Size() const = 0;
    [[nodiscard]] virtual std::int64_t Position() const = 0;
    void SetPosition(std::int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }

    /// Raises EReadError "Stream read error" when fewer than `count` bytes are left.
    void ReadBuffer(void* buffer, std::size_t count);
    /// Raises EWriteError "Stream write error" when the stream took fewer bytes.
    void WriteBuffer(const void* buffer, std::size_t count);
    void WriteBytes(ByteView data) { WriteBuffer(data.data(), data.size()); }
    /// Copies `count` bytes from the current position of `source`; 0 copies the whole of
    /// `source` from its start. Returns the number copied.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

/// A stream over bytes it owns.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(Bytes data) : data_(std::move(data)) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    [[nodiscard]] std::int64_t Size() const override { return static_cast<std::int64_t>(data_.size()); }
    [[nodiscard]] std::int64_t Position() const override { return static_cast<std::int64_t>(pos_); }

    /// Grows with zero bytes or cuts; the position stays unless it lies past the new end.
    void SetSize(std::int64_t size);
    void Clear() noexcept {
        data_.clear();
        pos_ = 0;
    }
    [[nodiscard]] ByteView Memory() const noexcept { return data_; }
    /// Replaces the contents and rewinds.
    void Assign(ByteView data);
    /// Hands the bytes over, leaving the stream empty.
    Bytes Release() noexcept;
    /// Reserve room ahead of many small writes.
    void Reserve(std::size_t bytes) { data_.reserve(bytes); }

private:
    Bytes data_;
    std::size_t pos_ = 0;
};

}  // namespace ordo
