#include "resultset/db_list.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "platform/files.h"
#include "resultset/stream_filer.h"

namespace ordo {

void TOrdoDBList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

void TOrdoDBList::CheckNoRows(const char* what) const {
    if (!rows_.empty())
        throw EDatabaseError(std::string("Cannot ") + what + " while the row list holds " + std::to_string(rows_.size()) + " rows");
}

const TOrdoFieldItem& TOrdoDBList::AddField(std::string_view name, int dataType, int size) {
    CheckNoRows("add a field");
    const TFieldType type = IsValidFieldType(dataType) ? static_cast<TFieldType>(dataType) : ftUnknown;
    const std::int64_t slot = SlotSize(type, size);
    if (slot > kMaxRecordSize)
        throw EDatabaseError("Field '" + std::string(name) + "' of size " + std::to_string(size) +
                             " exceeds the row record limit of " + std::to_string(kMaxRecordSize) + " bytes");
    TOrdoFieldItem item;
    item.FieldNo = fields_.Count() + 1;
    item.DataType = type;
    item.DataSize = static_cast<std::int32_t>(slot);
    item.FieldName = std::string(name);
    return fields_.Add(std::move(item));
}

void TOrdoDBList::ComputeLayout() {
    std::int64_t offset = 0;
    for (int i = 0; i < fields_.Count(); ++i) offset += std::max(0, fields_.Items(i).DataSize);
    const std::int64_t r = RecordSizeFor(offset, fields_.Count());
    if (r > kMaxRecordSize)
        throw EDatabaseError("Row record of " + std::to_string(r) + " bytes exceeds the limit of " +
                             std::to_string(kMaxRecordSize) + " bytes");
    if (!rows_.empty() && r != recordSize_) CheckNoRows("change the row layout");
    offset = 0;
    for (int i = 0; i < fields_.Count(); ++i) {
        TOrdoFieldItem& f = fields_.Items(i);
        f.FieldNo = i + 1;
        f.Offset = static_cast<std::int32_t>(offset);
        offset += std::max(0, f.DataSize);
    }
    slotsSize_ = static_cast<int>(offset);
    fieldCount_ = fields_.Count();
    recordSize_ = static_cast<int>(r);
    if (rows_.empty()) pool_.Reset(static_cast<std::size_t>(recordSize_));
}

void TOrdoDBList::ClearAll() {
    Clear();
    fields_.Clear();
    ComputeLayout();
}

int TOrdoDBList::AddRow(std::int32_t rowId) { return InsertRow(Count(), rowId); }

int TOrdoDBList::InsertRow(int index, std::int32_t rowId) {
    if (index < 0 || index > Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    if (rows_.empty() && pool_.RecordSize() != static_cast<std::size_t>(recordSize_))
        pool_.Reset(static_cast<std::size_t>(recordSize_));
    const std::uint32_t h = pool_.Acquire();
    try {
        rows_.insert(rows_.begin() + index, Entry{rowId, h});
        maxRowId_ = std::max(maxRowId_, rowId);
    } catch (...) {
        pool_.Release(h);
        throw;
    }
    return index;
}

void TOrdoDBList::Delete(int index) {
    CheckIndex(index);
    pool_.Release(rows_[static_cast<std::size_t>(index)].handle);
    rows_.erase(rows_.begin() + index);
}

void TOrdoDBList::Clear() noexcept {
    rows_.clear();
    rows_.shrink_to_fit();
    maxRowId_ = 0;
    pool_.Reset(static_cast<std::size_t>(recordSize_));
}

TOrdoDBListItem TOrdoDBList::Items(int index) { return {RowId(index), RowData(index)}; }

std::int32_t TOrdoDBList::RowId(int index) const {
    CheckIndex(index);
    return rows_[static_cast<std::size_t>(index)].rowId;
}

void TOrdoDBList::SetRowId(int index, std::int32_t rowId) {
    CheckIndex(index);
    rows_[static_cast<std::size_t>(index)].rowId = rowId;
    maxRowId_ = std::max(maxRowId_, rowId);
}

std::span<std::uint8_t> TOrdoDBList::RowData(int index) {
    CheckIndex(index);
    return pool_.Record(rows_[static_cast<std::size_t>(index)].handle);
}

ByteView TOrdoDBList::RowData(int index) const {
    CheckIndex(index);
    return pool_.Record(rows_[static_cast<std::size_t>(index)].handle);
}

int TOrdoDBList::IndexOfRowId(std::int32_t rowId) const noexcept {
    const std::int64_t guess = static_cast<std::int64_t>(rowId) - 1;
    if (guess >= 0 && guess < Count() && rows_[static_cast<std::size_t>(guess)].rowId == rowId)
        return static_cast<int>(guess);
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].rowId == rowId) return static_cast<int>(i);
    return -1;
}

// ---- stream sections ----

namespace {

void CheckLoadedField(const TOrdoFieldItem& f, std::int64_t expectedOffset) {
    const std::string who = "Field '" + f.FieldName + "'";
    if (!IsValidFieldType(f.DataType))
        throw EReadError(who + " has the unknown type code " + std::to_string(f.DataType));
    const TFieldType type = static_cast<TFieldType>(f.DataType);
    // A GUID slot is text read up to its zero byte: any size fits its type. Streams written
    // before GUID columns from the server were widened to 38 hold narrower ones; they load,
    // and a data set carries their rows into the 38-byte slot.
    const std::int64_t want = type == ftGuid ? f.DataSize : SlotSize(type, DeclaredSizeFromSlot(type, f.DataSize));
    if (f.DataSize < 0 || f.DataSize != want)
        throw EReadError(who + " of type " + std::to_string(f.DataType) + " has a slot of " +
                         std::to_string(f.DataSize) + " bytes; its type needs " + std::to_string(want));
    if (f.Offset != expectedOffset)
        throw EReadError(who + " lies at offset " + std::to_string(f.Offset) + "; the fields before it end at " +
                         std::to_string(expectedOffset));
}

}  // namespace

void TOrdoDBList::ReadFieldSection(TOrdoFilerReader& reader) {
    Clear();
    TOrdoFieldList loaded;
    std::exception_ptr failure;
    try {
        loaded.ReadSection(reader);
    } catch (...) {
        failure = std::current_exception();
    }
    // Only fields that fit the layout are kept, so a bad item can never size a record.
    fields_.Clear();
    std::int64_t offset = 0;
    for (const TOrdoFieldItem& f : loaded) {
        try {
            CheckLoadedField(f, offset);
            if (RecordSizeFor(offset + f.DataSize, fields_.Count() + 1) > kMaxRecordSize)
                throw EReadError("Field '" + f.FieldName + "' takes the row record past " +
                                 std::to_string(kMaxRecordSize) + " bytes");
        } catch (...) {
            if (!failure) failure = std::current_exception();
            break;
        }
        offset += f.DataSize;
        fields_.Add(f);
    }
    ComputeLayout();
    if (failure) std::rethrow_exception(failure);
}

void TOrdoDBList::WriteRowSection(TOrdoFilerWriter& writer) const {
    writer.WriteString("TOrdoDBList");
    writer.WriteListBegin();
    for (const Entry& e : rows_) {
        writer.WriteInteger(e.rowId);
        writer.WriteString(pool_.Record(e.handle));
    }
    writer.WriteListEnd();
}

void TOrdoDBList::ReadRowSection(TOrdoFilerReader& reader) {
    (void)reader.ReadString();  // class name, not checked
    reader.ReadListBegin();
    Bytes record;
    while (!reader.EndOfList()) {
        const std::int32_t rowId = reader.ReadInteger();
        reader.ReadString(record);
        if (record.size() != static_cast<std::size_t>(recordSize_))
            throw EReadError("Row " + std::to_string(rowId) + " has a record of " + std::to_string(record.size()) +
                             " bytes; the field list gives " + std::to_string(recordSize_));
        const int at = AddRow(rowId);
        std::memcpy(RowData(at).data(), record.data(), record.size());
    }
    reader.ReadListEnd();
}

void TOrdoDBList::SaveToStream(TStream& stream) const {
    TOrdoFilerWriter writer(stream);
    fields_.WriteSection(writer);
    WriteRowSection(writer);
    writer.FlushBuffer();
}

void TOrdoDBList::LoadFromStream(TStream& stream) {
    TOrdoFilerReader reader(stream);
    ReadFieldSection(reader);
    ReadRowSection(reader);
    reader.FlushBuffer();
}

void TOrdoDBList::SaveToFile(const std::string& fileName) const {
    TMemoryStream s;
    SaveToStream(s);
    WriteFileBytes(fileName, s.Memory());
}

void TOrdoDBList::LoadFromFile(const std::string& fileName) {
    TMemoryStream s(ReadFileBytes(fileName));
    LoadFromStream(s);
}

}  // namespace ordo
