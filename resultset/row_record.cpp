#include "resultset/row_record.h"

#include <algorithm>
#include <cstring>

#include "core/errors.h"
#include "core/wire.h"

namespace ordo {

std::int64_t SlotSize(TFieldType type, std::int64_t size) noexcept { return FieldSlotSize(type, size); }

int DeclaredSizeFromSlot(TFieldType type, int dataSize) noexcept {
    switch (type) {
        case ftString: case ftBytes: case ftVarBytes: case ftFixedChar: case ftDataSet: case ftGuid:
            return dataSize;
        case ftWideString:
            return dataSize / 2;
        default:
            return 0;
    }
}

bool IsBlobType(TFieldType type) noexcept {
    switch (type) {
        case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftTypedBinary:
        case ftDataSet: case ftOraBlob: case ftOraClob:
            return true;
        default:
            return false;
    }
}

bool IsSizedType(TFieldType type) noexcept { return IsSizedFieldType(type); }

void TOrdoRowReader::SlotOutside(TOrdoSlot slot) const {
    throw EListError("Slot of " + std::to_string(slot.Size) + " bytes at offset " + std::to_string(slot.Offset) +
                     " lies outside a record of " + std::to_string(record_.size()) + " bytes");
}

std::int16_t TOrdoRowReader::Int16(TOrdoSlot slot) const {
    CheckSlot(slot, 2);
    return LoadI16LE(record_.data() + slot.Offset);
}
std::uint16_t TOrdoRowReader::UInt16(TOrdoSlot slot) const {
    CheckSlot(slot, 2);
    return LoadU16LE(record_.data() + slot.Offset);
}
std::int32_t TOrdoRowReader::Int32(TOrdoSlot slot) const {
    CheckSlot(slot, 4);
    return LoadI32LE(record_.data() + slot.Offset);
}
std::int64_t TOrdoRowReader::Int64(TOrdoSlot slot) const {
    CheckSlot(slot, 8);
    return LoadI64LE(record_.data() + slot.Offset);
}
double TOrdoRowReader::Double(TOrdoSlot slot) const {
    CheckSlot(slot, 8);
    return LoadF64LE(record_.data() + slot.Offset);
}

std::string_view TOrdoRowReader::Text(TOrdoSlot slot) const {
    const std::string_view all = AsText(Slot(slot));
    return all.substr(0, std::min(all.size(), all.find('\0')));
}

std::u16string TOrdoRowReader::WideText(TOrdoSlot slot) const {
    const ByteView b = Slot(slot);
    std::u16string out;
    for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
        const char16_t unit = static_cast<char16_t>(LoadU16LE(b.data() + i));
        if (unit == 0) break;
        out.push_back(unit);
    }
    return out;
}

TBcd TOrdoRowReader::Bcd(TOrdoSlot slot) const {
    CheckSlot(slot, static_cast<int>(kBcdSize));
    return LoadBcd(record_.data() + slot.Offset);
}

TSQLTimeStamp TOrdoRowReader::TimeStamp(TOrdoSlot slot) const {
    CheckSlot(slot, static_cast<int>(kSQLTimeStampSize));
    return LoadSQLTimeStamp(record_.data() + slot.Offset);
}

std::span<std::uint8_t> TOrdoRowWriter::MutableSlot(TOrdoSlot slot) {
    CheckSlot(slot, 0);
    return data_.subspan(static_cast<std::size_t>(slot.Offset), static_cast<std::size_t>(slot.Size));
}

void TOrdoRowWriter::SetNull(int index, bool isNull) {
    const std::size_t at = static_cast<std::size_t>(bitmap_) + static_cast<std::size_t>(index) / 8;
    if (index < 0 || bitmap_ < 0 || at >= data_.size())
        throw EListError("Field index " + std::to_string(index) + " has no null bit in a record of " +
                         std::to_string(data_.size()) + " bytes");
    const auto mask = static_cast<std::uint8_t>(1u << (index % 8));
    if (isNull)
        data_[at] = static_cast<std::uint8_t>(data_[at] & ~mask);
    else
        data_[at] = static_cast<std::uint8_t>(data_[at] | mask);
}

void TOrdoRowWriter::WriteBytes(int index, TOrdoSlot slot, ByteView bytes, bool isNull) {
    const std::span<std::uint8_t> s = MutableSlot(slot);
    const std::size_t n = std::min(bytes.size(), s.size());
    if (n != 0) std::memcpy(s.data(), bytes.data(), n);
    std::fill(s.begin() + static_cast<std::ptrdiff_t>(n), s.end(), std::uint8_t{0});
    SetNull(index, isNull);
}

void TOrdoRowWriter::WriteText(int index, TOrdoSlot slot, std::string_view text, bool isNull) {
    WriteBytes(index, slot, AsBytes(text), isNull);
}

void TOrdoRowWriter::WriteTextIntoZeroed(int index, TOrdoSlot slot, std::string_view text, bool isNull) {
    const std::span<std::uint8_t> s = MutableSlot(slot);
    const std::size_t n = std::min(text.size(), s.size());
    if (n != 0) std::memcpy(s.data(), text.data(), n);
    SetNull(index, isNull);
}

void TOrdoRowWriter::WriteWideText(int index, TOrdoSlot slot, std::u16string_view text, bool isNull) {
    const std::span<std::uint8_t> s = MutableSlot(slot);
    std::fill(s.begin(), s.end(), std::uint8_t{0});
    const std::size_t units = std::min(text.size(), s.size() / 2);
    for (std::size_t i = 0; i < units; ++i) StoreU16LE(s.data() + 2 * i, static_cast<std::uint16_t>(text[i]));
    SetNull(index, isNull);
}

void TOrdoRowWriter::WriteInt16(int index, TOrdoSlot slot, std::int16_t value, bool isNull) {
    std::uint8_t b[2];
    StoreI16LE(b, value);
    WriteBytes(index, slot, b, isNull);
}
void TOrdoRowWriter::WriteInt32(int index, TOrdoSlot slot, std::int32_t value, bool isNull) {
    std::uint8_t b[4];
    StoreI32LE(b, value);
    WriteBytes(index, slot, b, isNull);
}
void TOrdoRowWriter::WriteInt64(int index, TOrdoSlot slot, std::int64_t value, bool isNull) {
    std::uint8_t b[8];
    StoreI64LE(b, value);
    WriteBytes(index, slot, b, isNull);
}
void TOrdoRowWriter::WriteDouble(int index, TOrdoSlot slot, double value, bool isNull) {
    std::uint8_t b[8];
    StoreF64LE(b, value);
    WriteBytes(index, slot, b, isNull);
}
void TOrdoRowWriter::WriteBcd(int index, TOrdoSlot slot, const TBcd& value, bool isNull) {
    std::uint8_t b[kBcdSize];
    StoreBcd(b, value);
    WriteBytes(index, slot, b, isNull);
}
void TOrdoRowWriter::WriteTimeStamp(int index, TOrdoSlot slot, const TSQLTimeStamp& value, bool isNull) {
    std::uint8_t b[kSQLTimeStampSize];
    StoreSQLTimeStamp(b, value);
    WriteBytes(index, slot, b, isNull);
}

}  // namespace ordo
