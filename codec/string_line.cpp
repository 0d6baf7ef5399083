#include "codec/string_line.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "core/memory_stream.h"
#include "core/wire.h"
#include "platform/codepage.h"

namespace ordo {
namespace {

constexpr bool IsKnownItemType(std::uint8_t type) noexcept {
    return type == itString || type == itObject || type == itObject2 || type == itStream || type == itInteger;
}

// The platform's integer conversion: optional leading blanks, an optional sign, decimal digits
// within 32 bits. Anything else is the conversion error a caller can show.
std::int32_t ParseInt32(std::string_view text) {
    auto fail = [&]() -> std::int32_t {
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    };
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.front() < '0' || s.front() > '9') return fail();
    std::int64_t magnitude = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), magnitude);
    if (ec != std::errc{} || ptr != s.data() + s.size()) return fail();
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        return fail();
    return static_cast<std::int32_t>(value);
}

}  // namespace

TOrdoStringLine::TOrdoStringLine(std::uint8_t token, std::int32_t dataSetId) : dataSetId_(dataSetId) {
    SetToken(token);
}

void TOrdoStringLine::SetToken(int value) {
    if (value < 0 || value > 70) throw EStringLineException("BAD TOKEN VALUE");
    token_ = static_cast<std::uint8_t>(value);
}

void TOrdoStringLine::AddItem(ByteView raw, std::uint8_t type) {
    if (!IsKnownItemType(type)) throw EStringLineException(AnsiLiteral("문자열 에러: 잘못된 테이다타입."));
    if (count_ >= kMaxItems) throw EStringLineException(AnsiLiteral("문자열 에러: 최대 필드를 초과하였습니다."));
    if (count_ == 0) Clear();
    if (payload_.size() + raw.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max() - 1))
        throw EStringLineException("Message line item of " + std::to_string(raw.size()) + " bytes is too large");
    Item& item = items_[count_++];
    item.type = type;
    item.start = static_cast<std::int32_t>(payload_.size() + 1);
    payload_.insert(payload_.end(), raw.begin(), raw.end());
    item.end = static_cast<std::int32_t>(payload_.size() + 1);
}

void TOrdoStringLine::AddInteger(std::int32_t value) {
    AddItem(AsBytes(std::to_string(value)), itInteger);
}

void TOrdoStringLine::AddStream(TStream& stream) {
    stream.SetPosition(0);
    Bytes content(static_cast<std::size_t>(stream.Size()));
    stream.ReadBuffer(content.data(), content.size());
    AddItem(content, itStream);
}

void TOrdoStringLine::AddObject(const TOrdoLineObject& object, std::uint8_t type) {
    if (type != itObject && type != itObject2) throw EStringLineException(AnsiLiteral("문자열 에러: 잘못된 테이다타입."));
    const std::string text = object.LineText();
    AddItem(AsBytes(text), type);
}

Bytes TOrdoStringLine::EncodeToText() {
    Bytes out(kHeaderSize + payload_.size());
    out[0] = token_;
    StoreI32LE(&out[1], dataSetId_);
    for (std::size_t i = 0; i < kMaxItems; ++i) {
        std::uint8_t* entry = &out[5 + i * kEntrySize];
        entry[0] = items_[i].type;
        StoreI32LE(entry + 1, items_[i].start);
        StoreI32LE(entry + 5, items_[i].end);
    }
    if (!payload_.empty()) std::memcpy(out.data() + kHeaderSize, payload_.data(), payload_.size());
    Clear();
    return out;
}

void TOrdoStringLine::DecodeFromText(ByteView bytes) {
    const std::size_t at = DecodeHeader(bytes);
    payload_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
}

// A received body is not needed once decoded: moving its buffer over spares a result of tens of
// megabytes a second copy into fresh memory.
void TOrdoStringLine::DecodeFromText(Bytes&& bytes) {
    const std::size_t at = DecodeHeader(bytes);
    bytes.erase(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
    payload_ = std::move(bytes);
}

std::size_t TOrdoStringLine::DecodeHeader(ByteView bytes) {
    if (bytes.size() >= 4 && LoadI32LE(bytes.data()) == kMarkerValue) {
        Clear();
        token_ = 43;
        dataSetId_ = 0;
        return 4;
    }
    if (bytes.size() < kHeaderSize)
        throw EOrdoProtocolError("Message line of " + std::to_string(bytes.size()) +
                                 " bytes is shorter than its 50-byte header");
    ByteReader r(bytes);
    token_ = r.U8();
    dataSetId_ = r.I32();
    for (Item& item : items_) {
        item.type = r.U8();
        item.start = r.I32();
        item.end = r.I32();
    }
    count_ = 0;
    cursor_ = 0;
    return kHeaderSize;
}

std::size_t TOrdoStringLine::ItemCount() const noexcept {
    if (count_ > 0) return count_;
    std::size_t n = 0;
    while (n < kMaxItems && items_[n].start != 0) ++n;
    return n;
}

ByteView TOrdoStringLine::ItemView(const Item& item) const {
    if (item.start == 0 && item.end == 0) return {};
    const auto size = static_cast<std::int64_t>(payload_.size());
    if (item.start < 1 || item.end < item.start || item.end - 1 > size)
        throw EOrdoProtocolError("Message line item range " + std::to_string(item.start) + ".." +
                                 std::to_string(item.end) + " lies outside the " + std::to_string(size) +
                                 "-byte payload");
    return ByteView(payload_).subspan(static_cast<std::size_t>(item.start - 1),
                                      static_cast<std::size_t>(item.end - item.start));
}

ByteView TOrdoStringLine::ReadBytes() {
    const Item& item = items_[cursor_];
    ++cursor_;
    // After the last present item (or the fifth) the next read starts again at the first.
    if (cursor_ >= kMaxItems || items_[cursor_].start == 0) cursor_ = 0;
    return ItemView(item);
}

std::string TOrdoStringLine::ReadString() { return ToString(ReadBytes()); }

std::int32_t TOrdoStringLine::ReadInteger() { return ParseInt32(AsText(ReadBytes())); }

Bytes TOrdoStringLine::ReadStream() {
    ByteView v = ReadBytes();
    return Bytes(v.begin(), v.end());
}

void TOrdoStringLine::Clear() noexcept {
    payload_.clear();
    items_ = {};
    count_ = 0;
    cursor_ = 0;
}

}  // namespace ordo
