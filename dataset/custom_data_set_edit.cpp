// Field data and editing of the in-memory data set.
#include <algorithm>
#include <cstring>

#include "core/wire.h"
#include "dataset/custom_data_set.h"
#include "platform/codepage.h"

namespace ordo {

const TOrdoFieldItem* TOrdoCustomDataSet::BoundItem(const TField& field) const noexcept {
    if (!rows_ || field.FieldKind() != fkData) return nullptr;
    const int index = field.FieldNo() - 1;
    if (index < 0 || index >= rows_->FieldList().Count()) return nullptr;
    return &rows_->FieldList().Items(index);
}

// ---- reading ----

void TOrdoCustomDataSet::CopyFieldData(const TField& field, const TOrdoFieldItem& item, const TRecordBuffer& buffer,
                                       Bytes& target) {
    try {
        const ByteView slot = RowReader(buffer).Slot(item.Slot());
        // Text stops at its first zero byte, looked for in the slot already found: fields are read a dozen
        // times a row, and the text's own reader would find and check the slot again.
        const TFieldType t = item.Type();
        std::size_t n = static_cast<std::size_t>(FieldValueSize(t, item.DeclaredSize()));
        if (t == ftString || t == ftFixedChar || t == ftGuid)
            n = static_cast<std::size_t>(std::find(slot.begin(), slot.end(), std::uint8_t{0}) - slot.begin());
        if (n > slot.size()) throw EListError("slot too small");
        target.assign(slot.begin(), slot.begin() + static_cast<std::ptrdiff_t>(n));
    } catch (const EListError&) {
        throw EDatabaseError("Field Offset Error " + field.FieldName());
    }
}

bool TOrdoCustomDataSet::GetFieldData(const TField& field, Bytes* target) {
    TRecordBuffer* buffer = SourceBuffer();
    if (field.FieldKind() != fkData) {
        const std::size_t at = static_cast<std::size_t>(RecordSize()) + 5 + static_cast<std::size_t>(field.Offset());
        if (!buffer || at + 1 + static_cast<std::size_t>(field.DataSize()) > buffer->size()) return false;
        const bool present = (*buffer)[at] == 1;
        if (target && present)
            target->assign(buffer->begin() + static_cast<std::ptrdiff_t>(at + 1),
                           buffer->begin() + static_cast<std::ptrdiff_t>(at + 1 + static_cast<std::size_t>(field.DataSize())));
        return present;
    }
    if (!cursorOpen_ || !buffer) return false;
    const TOrdoFieldItem* item = BoundItem(field);
    if (!item) return false;
    const int index = field.FieldNo() - 1;
    const bool present = RowReader(*buffer).HasValue(index);
    if (!target) return present;
    if (SlotSize(item->Type(), 1) == 0) return false;  // records hold no value of this type (blobs hold an id)
    CopyFieldData(field, *item, *buffer, *target);
    return present;
}

// ---- writing ----

void TOrdoCustomDataSet::WriteCalcData(TField& field, const Bytes* value) {
    TRecordBuffer* buffer = SourceBuffer();
    const std::size_t at = static_cast<std::size_t>(RecordSize()) + 5 + static_cast<std::size_t>(field.Offset());
    const auto size = static_cast<std::size_t>(field.DataSize());
    if (!buffer || at + 1 + size > buffer->size()) return;
    (*buffer)[at] = value ? 1 : 0;
    std::fill_n(buffer->begin() + static_cast<std::ptrdiff_t>(at + 1), size, std::uint8_t{0});
    if (value) std::copy_n(value->begin(), std::min(size, value->size()), buffer->begin() + static_cast<std::ptrdiff_t>(at + 1));
}

void TOrdoCustomDataSet::CheckFieldWritable(const TField& field) {
    switch (State()) {
        case dsEdit: case dsInsert: case dsCalcFields: case dsFilter: case dsNewValue: case dsInternalCalc:
            return;
        case dsSetKey:  // no local indexes: no field is an index field
            throw EDatabaseError("Field '" + field.DisplayName() + "' is not indexed and cannot be modified");
        default:
            throw EDatabaseError(AnsiLiteral("데이터셋이 수정 또는 저장 모드가 아닙니다"));
    }
}

void TOrdoCustomDataSet::SetFieldData(TField& field, const Bytes* value) {
    CheckFieldWritable(field);
    if ((State() == dsEdit || State() == dsInsert) && field.OnValidate) field.OnValidate(field);
    if (field.FieldKind() != fkData) {
        WriteCalcData(field, value);
    } else {
        TRecordBuffer* buffer = SourceBuffer();
        const TOrdoFieldItem* item = BoundItem(field);
        if (!buffer || !item) throw EDatabaseError("Field Offset Error " + field.FieldName());
        TOrdoRowWriter w = RowWriter(*buffer);
        const int index = field.FieldNo() - 1;
        try {
            if (value) w.WriteBytes(index, item->Slot(), *value, false);
            else w.SetNull(index, true);
        } catch (const EListError&) {
            throw EDatabaseError("Field Offset Error " + field.FieldName());
        }
    }
    if (field.OnChange) field.OnChange(field);
}

// ---- editing ----

void TOrdoCustomDataSet::InternalInitRecord(TRecordBuffer& buffer) {
    buffer.assign(static_cast<std::size_t>(RecordBufferSize()), 0);
}

void TOrdoCustomDataSet::DeleteRowBlobs(const TRecordBuffer& buffer) {
    if (!rows_) return;
    const TOrdoRowReader r = RowReader(buffer);
    for (const TOrdoFieldItem& f : rows_->FieldList()) {
        if (!IsBlobType(f.Type())) continue;
        const std::int32_t id = r.Int32(f.Slot());
        if (id != 0) blobs_.DeleteBlob(id, f.FieldNo);
    }
}

ByteView TOrdoCustomDataSet::StoredRowOf(const TRecordBuffer& buffer) const {
    if (!rows_ || buffer.size() < static_cast<std::size_t>(RecordSize()) + 4) return {};
    const int index = rows_->IndexOfRowId(LoadI32LE(buffer.data() + RecordSize()));
    return index < 0 ? ByteView{} : rows_->RowData(index);
}

void TOrdoCustomDataSet::DeleteReplacedBlobs(ByteView keep, ByteView drop) {
    if (!rows_ || drop.empty()) return;
    const TOrdoRowReader kept(keep, rows_->BitmapOffset());
    const TOrdoRowReader dropped(drop, rows_->BitmapOffset());
    for (const TOrdoFieldItem& f : rows_->FieldList()) {
        if (!IsBlobType(f.Type())) continue;
        const std::int32_t id = dropped.Int32(f.Slot());
        if (id != 0 && (keep.empty() || kept.Int32(f.Slot()) != id)) blobs_.DeleteBlob(id, f.FieldNo);
    }
}

void TOrdoCustomDataSet::InternalCancel() {
    // Blobs made for a record that is never stored would otherwise stay behind; an edited
    // row keeps the blobs it had.
    if (State() == dsInsert) DeleteRowBlobs(ActiveBuffer());
    if (State() == dsEdit) DeleteReplacedBlobs(StoredRowOf(ActiveBuffer()), RowReader(ActiveBuffer()).Record());
}

void TOrdoCustomDataSet::InternalPost() {
    if (!rows_) CreateRowList(false);
    TRecordBuffer& buffer = ActiveBuffer();
    const auto r = static_cast<std::size_t>(rows_->RecordSize());
    if (buffer.size() < r) throw EDatabaseError("Direct read buffer length mismatch");
    if (State() == dsEdit) {
        InternalSetToRecord(buffer);
        const int index = cursor_.RowIndexAt(cursor_.Position());
        if (index < 0) throw EDatabaseError("No record at position " + std::to_string(cursor_.Position()));
        // The blobs the edit replaced go now; until the post they were the row's way back.
        DeleteReplacedBlobs(RowReader(buffer).Record(), rows_->RowData(index));
        std::memcpy(rows_->RowData(index).data(), buffer.data(), r);
        return;
    }
    BeforeInsertPost(buffer);
    SetCounterAboveRows();
    ++rowIdCounter_;
    const int at = cursor_.RowIndexAt(cursor_.Position());
    const bool append = GetBookmarkFlag(buffer) == bfEOF || at < 0;
    const int index = append ? rows_->AddRow(rowIdCounter_) : rows_->InsertRow(at, rowIdCounter_);
    std::memcpy(rows_->RowData(index).data(), buffer.data(), r);
    StoreI32LE(buffer.data() + r, rowIdCounter_);
    SetBookmarkFlag(buffer, bfCurrent);
    cursor_.SetPosition(cursor_.PositionOfRowId(rowIdCounter_));
}

void TOrdoCustomDataSet::InternalDelete() {
    const int index = cursor_.RowIndexAt(cursor_.Position());
    if (index < 0) throw EDatabaseError("No record at position " + std::to_string(cursor_.Position()));
    const ByteView row = rows_->RowData(index);
    DeleteRowBlobs(TRecordBuffer(row.begin(), row.end()));
    rows_->Delete(index);
}

// ---- blob streams ----

std::unique_ptr<TStream> TOrdoCustomDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    return std::make_unique<TOrdoBlobStream>(*this, field, mode);
}

TOrdoBlobStream::TOrdoBlobStream(TOrdoCustomDataSet& dataSet, TField& field, TBlobStreamMode mode)
    : dataSet_(dataSet), field_(field) {
    if (mode == bmWrite) {
        dataSet.CheckFieldWritable(field);
        modified_ = true;
        return;
    }
    TRecordBuffer* buffer = dataSet.Active() ? dataSet.SourceBuffer() : nullptr;
    const TOrdoFieldItem* item = dataSet.BoundItem(field);
    if (!buffer || !item || !IsBlobType(item->Type())) return;
    TOrdoRowWriter w = dataSet.RowWriter(*buffer);
    const std::int32_t id = w.Int32(item->Slot());
    const TMemoryStream* stored = id != 0 ? dataSet.blobs_.FindBlob(id, item->FieldNo) : nullptr;
    if (!stored) {
        if (dataSet.State() == dsInsert) {
            const std::int32_t newId = dataSet.blobs_.AddBlob({}, item->FieldNo);
            StoreI32LE(w.MutableSlot(item->Slot()).data(), newId);
        }
        return;
    }
    if (dataSet.StreamOptions().Contains(ssBlobOnlyStreamEvent) && dataSet.OnStreamEvent) {
        TMemoryStream copy(Bytes(stored->Memory().begin(), stored->Memory().end()));
        dataSet.OnStreamEvent(dataSet, copy, true);
        Assign(copy.Memory());
    } else {
        Assign(stored->Memory());
    }
}

std::size_t TOrdoBlobStream::Write(const void* buffer, std::size_t count) {
    if (!modified_) dataSet_.CheckFieldWritable(field_);
    modified_ = true;
    return TMemoryStream::Write(buffer, count);
}

TOrdoBlobStream::~TOrdoBlobStream() {
    if (!modified_ || (dataSet_.State() != dsEdit && dataSet_.State() != dsInsert)) return;
    try {
        Save();
    } catch (...) {
        dataSet_.HandleException(std::current_exception());
    }
}

void TOrdoBlobStream::Save() {
    const TOrdoFieldItem* item = dataSet_.BoundItem(field_);
    TRecordBuffer* buffer = dataSet_.SourceBuffer();
    if (!item || !buffer || !IsBlobType(item->Type())) return;
    if (dataSet_.StreamOptions().Contains(ssBlobOnlyStreamEvent) && dataSet_.OnStreamEvent) {
        SetPosition(0);
        dataSet_.OnStreamEvent(dataSet_, *this, false);
    }
    TOrdoRowWriter w = dataSet_.RowWriter(*buffer);
    const int index = field_.FieldNo() - 1;
    const std::int32_t id = w.Int32(item->Slot());
    TMemoryStream* stored = id != 0 ? dataSet_.blobs_.FindBlob(id, item->FieldNo) : nullptr;
    // While the stored row still refers to that blob, an edit gets a blob of its own, so a
    // cancel finds the old contents untouched.
    if (stored && dataSet_.State() == dsEdit) {
        const ByteView row = dataSet_.StoredRowOf(*buffer);
        if (!row.empty() && TOrdoRowReader(row, dataSet_.rows_->BitmapOffset()).Int32(item->Slot()) == id)
            stored = nullptr;
    }
    const bool empty = Size() == 0;
    if (stored) {
        stored->Assign(Memory());
    } else if (!(empty && dataSet_.State() == dsInsert)) {
        const std::int32_t newId = dataSet_.blobs_.AddBlob(Memory(), item->FieldNo);
        StoreI32LE(w.MutableSlot(item->Slot()).data(), newId);
    }
    w.SetNull(index, empty);
    if (field_.OnChange) field_.OnChange(field_);
}

}  // namespace ordo
