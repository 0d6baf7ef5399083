#pragma once
// The one place where multi-byte numbers meet bytes: little-endian, built from shifts,
// so alignment and host byte order never matter.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "core/bytes.h"
#include "core/errors.h"

namespace ordo {

inline std::uint16_t LoadU16LE(const std::uint8_t* p) noexcept {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t LoadU32LE(const std::uint8_t* p) noexcept {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
inline std::uint64_t LoadU64LE(const std::uint8_t* p) noexcept {
    return std::uint64_t{LoadU32LE(p)} | std::uint64_t{LoadU32LE(p + 4)} << 32;
}
inline std::int16_t LoadI16LE(const std::uint8_t* p) noexcept { return static_cast<std::int16_t>(LoadU16LE(p)); }
inline std::int32_t LoadI32LE(const std::uint8_t* p) noexcept { return static_cast<std::int32_t>(LoadU32LE(p)); }
inline std::int64_t LoadI64LE(const std::uint8_t* p) noexcept { return static_cast<std::int64_t>(LoadU64LE(p)); }
inline double LoadF64LE(const std::uint8_t* p) noexcept {
    std::uint64_t u = LoadU64LE(p);
    double d;
    std::memcpy(&d, &u, sizeof d);
    return d;
}

inline void StoreU16LE(std::uint8_t* p, std::uint16_t v) noexcept {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void StoreU32LE(std::uint8_t* p, std::uint32_t v) noexcept {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void StoreU64LE(std::uint8_t* p, std::uint64_t v) noexcept {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void StoreI16LE(std::uint8_t* p, std::int16_t v) noexcept { StoreU16LE(p, static_cast<std::uint16_t>(v)); }
inline void StoreI32LE(std::uint8_t* p, std::int32_t v) noexcept { StoreU32LE(p, static_cast<std::uint32_t>(v)); }
inline void StoreI64LE(std::uint8_t* p, std::int64_t v) noexcept { StoreU64LE(p, static_cast<std::uint64_t>(v)); }
inline void StoreF64LE(std::uint8_t* p, double v) noexcept {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    StoreU64LE(p, u);
}

/// Appending writers for byte strings and text buffers alike. Byte by byte on purpose: GCC 12 at -O2 reports a
/// false buffer overflow for a range insert into an empty vector.
template <class Buf>
void AppendLE(Buf& out, std::uint64_t v, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<typename Buf::value_type>(v >> (8 * i)));
}
template <class Buf>
void AppendU16LE(Buf& out, std::uint16_t v) { AppendLE(out, v, 2); }
template <class Buf>
void AppendU32LE(Buf& out, std::uint32_t v) { AppendLE(out, v, 4); }
template <class Buf>
void AppendI32LE(Buf& out, std::int32_t v) { AppendU32LE(out, static_cast<std::uint32_t>(v)); }
template <class Buf>
void AppendU64LE(Buf& out, std::uint64_t v) { AppendLE(out, v, 8); }
template <class Buf>
void AppendI64LE(Buf& out, std::int64_t v) { AppendU64LE(out, static_cast<std::uint64_t>(v)); }
template <class Buf>
void AppendF64LE(Buf& out, double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, sizeof u);
    AppendU64LE(out, u);
}

/// A bounds-checked read cursor over bytes it does not own. Every read checks what is left
/// first, so a short or lying input raises EOrdoProtocolError instead of reading past the end.
class ByteReader {
public:
    explicit ByteReader(ByteView data) noexcept : data_(data) {}
    explicit ByteReader(std::string_view text) noexcept : data_(AsBytes(text)) {}

    [[nodiscard]] std::size_t Remaining() const noexcept { return data_.size() - pos_; }
    [[nodiscard]] std::size_t Position() const noexcept { return pos_; }
    [[nodiscard]] bool AtEnd() const noexcept { return pos_ == data_.size(); }

    std::uint8_t U8() { return *Need(1); }
    std::uint16_t U16() { return LoadU16LE(Need(2)); }
    std::int16_t I16() { return LoadI16LE(Need(2)); }
    std::uint32_t U32() { return LoadU32LE(Need(4)); }
    std::int32_t I32() { return LoadI32LE(Need(4)); }
    std::uint64_t U64() { return LoadU64LE(Need(8)); }
    std::int64_t I64() { return LoadI64LE(Need(8)); }
    double F64() { return LoadF64LE(Need(8)); }
    ByteView Take(std::size_t n) { return {Need(n), n}; }
    std::string_view TakeText(std::size_t n) { return AsText(Take(n)); }
    void Skip(std::size_t n) { Need(n); }
    [[nodiscard]] std::uint8_t Peek() const {
        if (Remaining() < 1) Fail(1);
        return data_[pos_];
    }
    void ExpectEnd() const {
        if (!AtEnd())
            throw EOrdoProtocolError(std::to_string(Remaining()) + " unexpected bytes after the end of the data");
    }

private:
    const std::uint8_t* Need(std::size_t n) {
        if (Remaining() < n) Fail(n);
        const std::uint8_t* p = data_.data() + pos_;
        pos_ += n;
        return p;
    }
    [[noreturn]] void Fail(std::size_t n) const {
        throw EOrdoProtocolError("Data truncated: " + std::to_string(n) + " bytes needed at offset " +
                                 std::to_string(pos_) + ", " + std::to_string(Remaining()) + " left");
    }
    ByteView data_;
    std::size_t pos_ = 0;
};

}  // namespace ordo
