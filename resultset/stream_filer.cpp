#include "resultset/stream_filer.h"

#include <cstring>

#include "core/wire.h"
#include "platform/codepage.h"

namespace ordo {

// ---- writer ----

TOrdoFilerWriter::TOrdoFilerWriter(TStream& stream) : stream_(stream) {}

TOrdoFilerWriter::~TOrdoFilerWriter() {
    try {
        FlushBuffer();
    } catch (...) {  // a destructor must not throw; callers that care flush first
    }
}

void TOrdoFilerWriter::FlushBuffer() {
    if (used_ == 0) return;
    const std::size_t n = used_;
    used_ = 0;
    stream_.WriteBuffer(buf_, n);
}

void TOrdoFilerWriter::PutBytes(const std::uint8_t* p, std::size_t n) {
    if (n == 0) return;  // an empty value may come without any buffer behind it
    if (n > sizeof buf_ - used_) {
        FlushBuffer();
        if (n >= sizeof buf_) {  // large values go straight through
            stream_.WriteBuffer(p, n);
            return;
        }
    }
    std::memcpy(buf_ + used_, p, n);
    used_ += n;
}

void TOrdoFilerWriter::WriteInteger(std::int32_t value) {
    std::uint8_t b[5];
    if (value >= -128 && value <= 127) {
        b[0] = vaInt8;
        b[1] = static_cast<std::uint8_t>(value);
        PutBytes(b, 2);
    } else if (value >= -32768 && value <= 32767) {
        b[0] = vaInt16;
        StoreI16LE(b + 1, static_cast<std::int16_t>(value));
        PutBytes(b, 3);
    } else {
        b[0] = vaInt32;
        StoreI32LE(b + 1, value);
        PutBytes(b, 5);
    }
}

void TOrdoFilerWriter::WriteString(ByteView bytes) {
    if (bytes.size() > 0x7FFFFFFF) throw EWriteError("String of " + std::to_string(bytes.size()) + " bytes is too long for a stream");
    std::uint8_t head[5];
    if (bytes.size() < 256) {
        head[0] = vaString;
        head[1] = static_cast<std::uint8_t>(bytes.size());
        PutBytes(head, 2);
    } else {
        head[0] = vaLString;
        StoreU32LE(head + 1, static_cast<std::uint32_t>(bytes.size()));
        PutBytes(head, 5);
    }
    PutBytes(bytes.data(), bytes.size());
}

// ---- reader ----

TOrdoFilerReader::~TOrdoFilerReader() {
    try {
        FlushBuffer();
    } catch (...) {
    }
}

void TOrdoFilerReader::FlushBuffer() {
    if (pos_ < end_) stream_.Seek(-static_cast<std::int64_t>(end_ - pos_), TSeekOrigin::soCurrent);
    pos_ = end_ = 0;
}

bool TOrdoFilerReader::Fill() {
    pos_ = 0;
    end_ = stream_.Read(buf_, sizeof buf_);
    return end_ > 0;
}

void TOrdoFilerReader::InvalidValue() { throw EReadError("Invalid property value"); }

void TOrdoFilerReader::ReadRaw(void* dest, std::size_t n) {
    auto* out = static_cast<std::uint8_t*>(dest);
    const std::size_t have = std::min(n, end_ - pos_);
    std::memcpy(out, buf_ + pos_, have);
    pos_ += have;
    n -= have;
    if (n == 0) return;
    out += have;
    if (n >= sizeof buf_) {
        stream_.ReadBuffer(out, n);
        return;
    }
    if (!Fill() || end_ < n) {
        FlushBuffer();
        throw EReadError("Stream read error");
    }
    std::memcpy(out, buf_, n);
    pos_ = n;
}

std::uint8_t TOrdoFilerReader::PeekTag() {
    if (pos_ == end_ && !Fill()) throw EReadError("Stream read error");
    return buf_[pos_];
}

std::uint8_t TOrdoFilerReader::ReadTag() {
    const std::uint8_t t = PeekTag();
    ++pos_;
    return t;
}

void TOrdoFilerReader::ReadListBegin() {
    if (ReadTag() != vaList) InvalidValue();
}

void TOrdoFilerReader::ReadListEnd() {
    if (ReadTag() != vaNull) InvalidValue();
}

bool TOrdoFilerReader::EndOfList() { return PeekTag() == vaNull; }

std::int32_t TOrdoFilerReader::ReadInteger() {
    std::uint8_t b[4];
    switch (ReadTag()) {
        case vaInt8:
            ReadRaw(b, 1);
            return static_cast<std::int8_t>(b[0]);
        case vaInt16:
            ReadRaw(b, 2);
            return LoadI16LE(b);
        case vaInt32:
            ReadRaw(b, 4);
            return LoadI32LE(b);
        default:
            InvalidValue();
    }
}

std::uint32_t TOrdoFilerReader::ReadLength() {
    std::uint8_t b[4];
    ReadRaw(b, 4);
    const std::uint32_t n = LoadU32LE(b);
    // A length beyond the stream's end would only allocate memory before failing.
    const std::int64_t left = stream_.Size() - stream_.Position() + static_cast<std::int64_t>(end_ - pos_);
    if (n > 0x7FFFFFFF || static_cast<std::int64_t>(n) > left) throw EReadError("Stream read error");
    return n;
}

void TOrdoFilerReader::ReadString(Bytes& out) {
    const std::uint8_t tag = ReadTag();
    if (tag == vaString || tag == vaLString) {
        std::uint32_t n = 0;
        if (tag == vaString) {
            std::uint8_t b;
            ReadRaw(&b, 1);
            n = b;
        } else {
            n = ReadLength();
        }
        out.resize(n);
        if (n) ReadRaw(out.data(), n);
        return;
    }
    if (tag == vaWString) {
        const std::uint32_t units = ReadLength();
        Bytes raw(static_cast<std::size_t>(units) * 2);
        if (!raw.empty()) ReadRaw(raw.data(), raw.size());
        std::u16string wide(units, u'\0');
        for (std::uint32_t i = 0; i < units; ++i) wide[i] = static_cast<char16_t>(LoadU16LE(raw.data() + 2 * i));
        const std::string ansi = WideToAnsi(wide);
        out.assign(ansi.begin(), ansi.end());
        return;
    }
    if (tag == vaUTF8String) {
        const std::uint32_t n = ReadLength();
        std::string utf8(n, '\0');
        if (n) ReadRaw(utf8.data(), n);
        const std::string ansi = Utf8ToAnsi(utf8);
        out.assign(ansi.begin(), ansi.end());
        return;
    }
    InvalidValue();
}

std::string TOrdoFilerReader::ReadString() {
    Bytes b;
    ReadString(b);
    return std::string(b.begin(), b.end());
}

// ---- plain values ----

void WritePlainInt32(TStream& stream, std::int32_t value) {
    std::uint8_t b[4];
    StoreI32LE(b, value);
    stream.WriteBuffer(b, 4);
}

void WritePlainByte(TStream& stream, std::uint8_t value) { stream.WriteBuffer(&value, 1); }

void WritePlainString(TStream& stream, std::string_view text) {
    WritePlainInt32(stream, static_cast<std::int32_t>(text.size()));
    stream.WriteBuffer(text.data(), text.size());
}

std::int32_t ReadPlainInt32(TStream& stream) {
    std::uint8_t b[4];
    stream.ReadBuffer(b, 4);
    return LoadI32LE(b);
}

std::uint8_t ReadPlainByte(TStream& stream) {
    std::uint8_t b;
    stream.ReadBuffer(&b, 1);
    return b;
}

std::string ReadPlainString(TStream& stream) {
    const std::int32_t n = ReadPlainInt32(stream);
    if (n < 0 || n > stream.Size() - stream.Position()) throw EReadError("Stream read error");
    std::string out(static_cast<std::size_t>(n), '\0');
    stream.ReadBuffer(out.data(), out.size());
    return out;
}

}  // namespace ordo
