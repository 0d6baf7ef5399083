#pragma once
// Tagged values of the list sections of a data set stream. Each value starts with a tag byte;
// integers take the shortest of three widths and strings a one-byte or four-byte length.
// Sections go through a 1 024-byte buffer; a reader hands unread buffered bytes back to the
// stream when it finishes, so the next section starts on the right byte.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/memory_stream.h"

namespace ordo {

enum TOrdoValueTag : std::uint8_t {
    vaNull = 0x00, vaList = 0x01, vaInt8 = 0x02, vaInt16 = 0x03, vaInt32 = 0x04,
    vaString = 0x06, vaLString = 0x0C, vaWString = 0x12, vaUTF8String = 0x14,
};

class TOrdoFilerWriter {
public:
    explicit TOrdoFilerWriter(TStream& stream);
    ~TOrdoFilerWriter();  // flushes; a failure there is lost, so call FlushBuffer yourself
    TOrdoFilerWriter(const TOrdoFilerWriter&) = delete;
    TOrdoFilerWriter& operator=(const TOrdoFilerWriter&) = delete;

    void WriteListBegin() { Put(vaList); }
    void WriteListEnd() { Put(vaNull); }
    void WriteInteger(std::int32_t value);
    void WriteString(std::string_view text) { WriteString(AsBytes(text)); }
    void WriteString(ByteView bytes);
    void FlushBuffer();

private:
    void Put(std::uint8_t b) {
        if (used_ == sizeof buf_) FlushBuffer();
        buf_[used_++] = b;
    }
    void PutBytes(const std::uint8_t* p, std::size_t n);
    TStream& stream_;
    std::uint8_t buf_[1024];
    std::size_t used_ = 0;
};

class TOrdoFilerReader {
public:
    explicit TOrdoFilerReader(TStream& stream) : stream_(stream) {}
    ~TOrdoFilerReader();  // gives unread bytes back
    TOrdoFilerReader(const TOrdoFilerReader&) = delete;
    TOrdoFilerReader& operator=(const TOrdoFilerReader&) = delete;

    /// Each raises EReadError "Invalid property value" on another tag and "Stream read
    /// error" when the stream ends early.
    void ReadListBegin();
    void ReadListEnd();
    /// True when the next tag ends a list; the tag stays unread.
    bool EndOfList();
    std::int32_t ReadInteger();
    /// Raw bytes for 0x06 and 0x0C; wide and UTF-8 strings converted to the ANSI code page.
    std::string ReadString();
    /// As ReadString, reusing `out`'s storage.
    void ReadString(Bytes& out);
    /// Seeks the stream back over the bytes read ahead but not used.
    void FlushBuffer();

private:
    std::uint8_t ReadTag();
    std::uint8_t PeekTag();
    void ReadRaw(void* dest, std::size_t n);
    std::uint32_t ReadLength();
    bool Fill();
    [[noreturn]] static void InvalidValue();
    TStream& stream_;
    std::uint8_t buf_[1024];
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

/// Section writers of the plain (untagged) values: 32-bit integers, bytes, counted strings.
void WritePlainInt32(TStream& stream, std::int32_t value);
void WritePlainByte(TStream& stream, std::uint8_t value);
void WritePlainString(TStream& stream, std::string_view text);
std::int32_t ReadPlainInt32(TStream& stream);
std::uint8_t ReadPlainByte(TStream& stream);
/// Refuses a negative length or one longer than what is left of the stream.
std::string ReadPlainString(TStream& stream);

}  // namespace ordo
