#pragma once
// The fixed-size row record: one slot per field at a fixed offset, a zero byte, then a null
// bitmap with one bit per field (set = has a value). Fields are read by offset without parsing,
// so every reader and writer here checks the slot against the record before touching it.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/bcd.h"
#include "core/bytes.h"
#include "core/date_time.h"
#include "core/field_type.h"

namespace ordo {

/// Largest row record accepted; a declared size from the wire beyond this is refused rather
/// than allocated.
inline constexpr std::int64_t kMaxRecordSize = 16 * 1024 * 1024;

/// Slot bytes of a field of `type` with declared size `size` (0 for types without a slot).
/// 64-bit so that a hostile size cannot overflow before it is checked.
std::int64_t SlotSize(TFieldType type, std::int64_t size) noexcept;
/// The declared size a data set shows for a slot of `dataSize` bytes.
int DeclaredSizeFromSlot(TFieldType type, int dataSize) noexcept;
/// True for the types whose slot holds a blob number.
bool IsBlobType(TFieldType type) noexcept;
/// True for the types whose declared size says how long the slot is.
bool IsSizedType(TFieldType type) noexcept;

/// R for F fields whose slots add up to S bytes.
constexpr std::int64_t RecordSizeFor(std::int64_t slotsSize, std::int64_t fieldCount) noexcept {
    return slotsSize + 4 * (fieldCount / 32 + 2);
}

/// Where one field lives inside a record.
struct TOrdoSlot {
    int Offset = 0;
    int Size = 0;
};

/// Read access to one record. The view does not own the bytes; it must not outlive them.
class TOrdoRowReader {
public:
    /// `bitmapOffset` is S + 1; the record must be at least `bitmapOffset` + one bit per field long.
    TOrdoRowReader(ByteView record, int bitmapOffset) noexcept : record_(record), bitmap_(bitmapOffset) {}

    /// True when field `index` (0-based) has a value. An index whose bit lies outside the
    /// record reads as NULL.
    [[nodiscard]] bool HasValue(int index) const noexcept {
        if (index < 0 || bitmap_ < 0) return false;
        const std::size_t at = static_cast<std::size_t>(bitmap_) + static_cast<std::size_t>(index) / 8;
        return at < record_.size() && ((record_[at] >> (index % 8)) & 1) != 0;
    }
    /// The slot bytes; raises EListError when the slot does not lie inside the record.
    [[nodiscard]] ByteView Slot(TOrdoSlot slot) const {
        CheckSlot(slot, 0);
        return record_.subspan(static_cast<std::size_t>(slot.Offset), static_cast<std::size_t>(slot.Size));
    }

    [[nodiscard]] std::int16_t Int16(TOrdoSlot slot) const;
    [[nodiscard]] std::uint16_t UInt16(TOrdoSlot slot) const;
    [[nodiscard]] std::int32_t Int32(TOrdoSlot slot) const;
    [[nodiscard]] std::int64_t Int64(TOrdoSlot slot) const;
    [[nodiscard]] double Double(TOrdoSlot slot) const;
    /// Text up to the first zero byte, at most the slot.
    [[nodiscard]] std::string_view Text(TOrdoSlot slot) const;
    /// UTF-16 code units up to the first zero unit.
    [[nodiscard]] std::u16string WideText(TOrdoSlot slot) const;
    [[nodiscard]] TBcd Bcd(TOrdoSlot slot) const;
    [[nodiscard]] TSQLTimeStamp TimeStamp(TOrdoSlot slot) const;

    [[nodiscard]] ByteView Record() const noexcept { return record_; }

protected:
    // Inline: a walk over a large result reads a dozen fields a row, and the check is most of each read.
    void CheckSlot(TOrdoSlot slot, int need) const {
        if (slot.Offset < 0 || slot.Size < need ||
            static_cast<std::size_t>(slot.Offset) + static_cast<std::size_t>(slot.Size) > record_.size())
            SlotOutside(slot);
    }
    [[noreturn]] void SlotOutside(TOrdoSlot slot) const;
    ByteView record_;
    int bitmap_;
};

/// Write access: every writer fills the slot (cut to it, the rest zeroed) and then sets the
/// field's bit when `isNull` is false and clears it when true.
class TOrdoRowWriter : public TOrdoRowReader {
public:
    TOrdoRowWriter(std::span<std::uint8_t> record, int bitmapOffset) noexcept
        : TOrdoRowReader(record, bitmapOffset), data_(record) {}

    void SetNull(int index, bool isNull);
    void WriteText(int index, TOrdoSlot slot, std::string_view text, bool isNull);
    /// WriteText for a slot known to be all zero bytes (a row just added): the rest of the slot is left as it
    /// is, which saves writing the unused part of wide text slots on every decoded row.
    void WriteTextIntoZeroed(int index, TOrdoSlot slot, std::string_view text, bool isNull);
    void WriteWideText(int index, TOrdoSlot slot, std::u16string_view text, bool isNull);
    void WriteBytes(int index, TOrdoSlot slot, ByteView bytes, bool isNull);
    void WriteInt16(int index, TOrdoSlot slot, std::int16_t value, bool isNull);
    void WriteInt32(int index, TOrdoSlot slot, std::int32_t value, bool isNull);
    void WriteInt64(int index, TOrdoSlot slot, std::int64_t value, bool isNull);
    void WriteDouble(int index, TOrdoSlot slot, double value, bool isNull);
    void WriteBcd(int index, TOrdoSlot slot, const TBcd& value, bool isNull);
    void WriteTimeStamp(int index, TOrdoSlot slot, const TSQLTimeStamp& value, bool isNull);

    [[nodiscard]] std::span<std::uint8_t> MutableSlot(TOrdoSlot slot);

private:
    std::span<std::uint8_t> data_;
};

}  // namespace ordo
