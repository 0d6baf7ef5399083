#include "dataset/custom_data_set.h"

#include <algorithm>
#include <cstring>

#include "core/wire.h"
#include "platform/codepage.h"
#include "resultset/field_defs_codec.h"

namespace ordo {

namespace {

bool IsIntegerType(TFieldType t) {
    return t == ftSmallint || t == ftInteger || t == ftWord || t == ftAutoInc || t == ftLargeint;
}

TFieldType TypeOf(const TOrdoFieldDef& d) {
    return IsValidFieldType(d.DataType) ? static_cast<TFieldType>(d.DataType) : ftUnknown;
}

/// True when `defs` name the fields of `current` with the same types, whatever the sizes.
bool SameColumns(const TOrdoFieldList& current, const std::vector<TOrdoFieldDef>& defs) {
    if (current.Count() != static_cast<int>(defs.size())) return false;
    for (std::size_t i = 0; i < defs.size(); ++i) {
        const TOrdoFieldItem& f = current.Items(static_cast<int>(i));
        if (f.FieldName != defs[i].Name || f.DataType != TypeOf(defs[i])) return false;
    }
    return true;
}

/// The rows of `from` in a list whose fields are `defs`: the same columns with other slot
/// sizes. Each value is cut to or zero-padded into its new slot.
TOrdoDBList CarryRows(const TOrdoDBList& from, const std::vector<TOrdoFieldDef>& defs) {
    TOrdoDBList to;
    for (const TOrdoFieldDef& d : defs) to.AddField(d.Name, d.DataType, d.Size);
    to.ComputeLayout();
    const int fields = from.FieldList().Count();
    for (int i = 0; i < from.Count(); ++i) {
        const int at = to.AddRow(from.RowId(i));
        const TOrdoRowReader r = from.Reader(i);
        TOrdoRowWriter w = to.Writer(at);
        for (int k = 0; k < fields; ++k)
            if (r.HasValue(k)) w.WriteBytes(k, to.FieldList().Items(k).Slot(), r.Slot(from.FieldList().Items(k).Slot()), false);
    }
    return to;
}

}  // namespace

TOrdoCustomDataSet::TOrdoCustomDataSet() = default;

TOrdoCustomDataSet::~TOrdoCustomDataSet() {
    try {
        if (Active()) Close();
    } catch (...) {  // closing only releases memory here; nothing is lost by ignoring it
    }
}

// ---- descriptions and the row list ----

void TOrdoCustomDataSet::AddFieldDescription(std::string_view name, int dataType, int size) {
    if (dataType == ftGuid) size = kGuidTextSize;
    descriptions_.push_back(FieldDescription({std::string(name), dataType, size}));
}

std::vector<TOrdoFieldDef> TOrdoCustomDataSet::WantedFields() const {
    std::vector<TOrdoFieldDef> defs;
    if (!descriptions_.empty()) {
        for (const std::string& e : descriptions_) defs.push_back(ParseFieldDescription(e));
    } else if (HasPersistentFields()) {
        for (int i = 0; i < FieldCount(); ++i) {
            const TField& f = Fields(i);
            if (f.FieldKind() == fkData) defs.push_back({f.FieldName(), f.DataType(), f.Size()});
        }
    } else {
        for (const TFieldDef& d : FieldDefs()) defs.push_back({d.Name, d.DataType, d.Size});
    }
    return defs;
}

void TOrdoCustomDataSet::BuildFieldList(const std::vector<TOrdoFieldDef>& defs) {
    // Rows already held keep their records when the columns come out the same, and are carried
    // into the new layout when only slot sizes differ (a GUID column saved with a slot other
    // than 38 bytes, say).
    const TOrdoFieldList& current = rows_->FieldList();
    if (SameColumns(current, defs)) {
        bool sameSizes = true;
        for (std::size_t i = 0; sameSizes && i < defs.size(); ++i)
            sameSizes = current.Items(static_cast<int>(i)).DataSize == SlotSize(TypeOf(defs[i]), defs[i].Size);
        if (sameSizes) return;
        if (rows_->Count() > 0) {
            *rows_ = CarryRows(*rows_, defs);
            cursor_.Attach(rows_.get());
            return;
        }
    }
    rows_->ClearAll();
    blobs_.Clear();
    for (const TOrdoFieldDef& d : defs) rows_->AddField(d.Name, d.DataType, d.Size);
}

void TOrdoCustomDataSet::CreateRowList(bool clearFieldDefs) {
    if (!rows_) {
        rows_ = std::make_unique<TOrdoDBList>();
        cursor_.Attach(rows_.get());
    }
    const bool fromFields = descriptions_.empty() && HasPersistentFields();
    const bool fromDescriptions = !descriptions_.empty() && (FieldCount() == 0 || rows_->FieldList().Count() == 0);
    const bool fromDefs = descriptions_.empty() && !HasPersistentFields() && FieldDefs().Count() > 0;
    if (fromFields || fromDescriptions || fromDefs) {
        const std::vector<TOrdoFieldDef> defs = WantedFields();
        if (clearFieldDefs && !fromDefs) FieldDefs().Clear();
        BuildFieldList(defs);
    }
    rows_->ComputeLayout();
}

void TOrdoCustomDataSet::DiscardRows() {
    rows_.reset();
    ownsRows_ = false;
    cursor_.Attach(nullptr);
    blobs_.Clear();
    RowsEmptied();
}

void TOrdoCustomDataSet::EmptyDataSet() {
    // Also used while rows arrive during an open, before the data set is active.
    if (Active()) CheckBrowseMode();
    if (rows_) rows_->Clear();
    blobs_.Clear();
    cursor_.SetPosition(-1);
    rowIdCounter_ = 0;
    RowsEmptied();
    ClearBuffers();
    if (Active()) Resync();
}

void TOrdoCustomDataSet::SetCounterAboveRows() {
    rowIdCounter_ = rows_ ? std::max(rowIdCounter_, rows_->MaxRowId()) : rowIdCounter_;
}

int TOrdoCustomDataSet::AppendDecodedRow() {
    if (!rows_) CreateRowList(false);
    SetCounterAboveRows();
    ++rowIdCounter_;
    return rows_->AddRow(rowIdCounter_);
}

TOrdoRowsDecoded TOrdoCustomDataSet::DecodeRowText(std::string_view text, std::function<void(std::size_t)> progress) {
    if (!rows_) CreateRowList(false);
    TOrdoRowHooks hooks;
    hooks.AppendRow = [this](TOrdoDBList&) { return AppendDecodedRow(); };
    hooks.RowDecoded = [this](int index) { DecodedRowDone(index); };
    hooks.Progress = std::move(progress);
    return DecodeRows(text, *rows_, blobs_, hooks);
}

// ---- open and close ----

void TOrdoCustomDataSet::InternalInitFieldDefs() {
    FieldDefs().Clear();
    if (!rows_) return;
    for (const TOrdoFieldItem& f : rows_->FieldList()) {
        const TFieldType t = f.Type();
        FieldDefs().Add(f.FieldName, t, t == ftGuid ? kGuidTextSize : f.DeclaredSize(), false);
    }
}

void TOrdoCustomDataSet::CheckPersistentFields() {
    for (int i = FieldCount() - 1; i >= 0; --i) {
        const TField& f = Fields(i);
        if (f.FieldKind() != fkData) continue;
        const TFieldDef* d = FieldDefs().Find(f.FieldName());
        if (d && (d->DataType == f.DataType() || (IsIntegerType(d->DataType) && IsIntegerType(f.DataType())))) continue;
        const std::string text = Name() + ":Field '" + f.FieldName() + "' not found";
        InternalClose();
        throw EDatabaseError(text);
    }
}

void TOrdoCustomDataSet::InternalOpen() {
    if (!rows_ || FieldDefs().Count() == 0) CreateRowList(true);
    cursor_.Attach(rows_.get());
    // The next RowId (counter + 1) must be free.
    rowIdCounter_ = rows_->Count();
    while (rows_->IndexOfRowId(rowIdCounter_ + 1) >= 0) ++rowIdCounter_;
    SetCounterAboveRows();
    if (FieldDefs().Count() == 0) InternalInitFieldDefs();
    if (!HasPersistentFields()) {
        DestroyDefaultFields();
        CreateFields();
    } else if (FieldDefs().Count() == 0) {
        ClearFields();
    } else {
        CheckPersistentFields();
    }
    BindFields(true);
    cursorOpen_ = FieldCount() > 0;
}

void TOrdoCustomDataSet::InternalClose() {
    if (ownsRows_) DiscardRows();
    rowIdCounter_ = 0;
    cursor_.SetPosition(-1);
    BindFields(false);
    DestroyDefaultFields();
    FieldDefs().Clear();
    cursorOpen_ = false;
    filterBuffer_ = nullptr;
}

// ---- record buffers and navigation ----

int TOrdoCustomDataSet::RecordBufferSize() const noexcept { return RecordSize() + 4 + 1 + CalcFieldsSize(); }

TRecordBuffer TOrdoCustomDataSet::AllocRecordBuffer() { return TRecordBuffer(static_cast<std::size_t>(RecordBufferSize()), 0); }

TOrdoRowWriter TOrdoCustomDataSet::RowWriter(TRecordBuffer& buffer) {
    const std::size_t r = std::min(buffer.size(), static_cast<std::size_t>(RecordSize()));
    return {std::span<std::uint8_t>(buffer.data(), r), rows_ ? rows_->BitmapOffset() : 0};
}

TOrdoRowReader TOrdoCustomDataSet::RowReader(const TRecordBuffer& buffer) const {
    const std::size_t r = std::min(buffer.size(), static_cast<std::size_t>(RecordSize()));
    return {ByteView(buffer.data(), r), rows_ ? rows_->BitmapOffset() : 0};
}

void TOrdoCustomDataSet::FillBuffer(TRecordBuffer& buffer, int rowIndex) {
    if (buffer.size() != static_cast<std::size_t>(RecordBufferSize())) buffer.assign(static_cast<std::size_t>(RecordBufferSize()), 0);
    const ByteView row = rows_->RowData(rowIndex);
    std::memcpy(buffer.data(), row.data(), row.size());
    StoreI32LE(buffer.data() + row.size(), rows_->RowId(rowIndex));
    buffer[row.size() + 4] = bfCurrent;
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(row.size() + 5), buffer.end(), std::uint8_t{0});
}

// Rows read one after another (a walk over a large result) come from memory the cache has not seen: the
// next one is asked for while the caller works on this one, so its copy does not wait for it.
void TOrdoCustomDataSet::PrefetchRow(int rowIndex) const noexcept {
    if (rowIndex < 0) return;
    const ByteView row = rows_->RowData(rowIndex);
    constexpr std::size_t kLine = 64;
    for (std::size_t at = 0; at < row.size(); at += kLine) __builtin_prefetch(row.data() + at);
}

bool TOrdoCustomDataSet::AcceptRecord(TRecordBuffer& buffer) {
    if (!filtered_ || !OnFilterRecord) return true;
    const TDataSetState saved = State();
    SetState(dsFilter);
    filterBuffer_ = &buffer;
    bool accept = true;
    try {
        OnFilterRecord(*this, accept);
    } catch (...) {
        SetState(saved);
        filterBuffer_ = nullptr;
        filtered_ = false;
        throw;
    }
    SetState(saved);
    filterBuffer_ = nullptr;
    return accept;
}

TGetResult TOrdoCustomDataSet::GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) {
    (void)doCheck;
    const int n = cursor_.RowCount();
    if (n < 1) return grEOF;
    for (;;) {
        int pos = std::min(cursor_.Position(), n);
        switch (mode) {
            case gmCurrent:
                if (pos < 0) return grBOF;
                if (pos >= n) return grEOF;
                break;
            case gmNext:
                if (pos >= n - 1) return grEOF;
                ++pos;
                break;
            case gmPrior:
                if (pos < 1) return grBOF;
                --pos;
                break;
        }
        cursor_.SetPosition(pos);
        const int index = cursor_.RowIndexAt(pos);
        if (index < 0) throw EDatabaseError("No record at position " + std::to_string(pos));
        FillBuffer(buffer, index);
        if (mode == gmNext) PrefetchRow(cursor_.RowIndexAt(pos + 1));
        CalculateFields(buffer);
        if (AcceptRecord(buffer)) return grOK;
        if (mode == gmCurrent) return grError;
    }
}

void TOrdoCustomDataSet::SetFiltered(bool value) {
    if (value == filtered_) return;
    filtered_ = value;
    if (Active()) First();
}

void TOrdoCustomDataSet::InternalFirst() { cursor_.SetPosition(-1); }
void TOrdoCustomDataSet::InternalLast() { cursor_.SetPosition(cursor_.RowCount()); }

void TOrdoCustomDataSet::SetRecNoImpl(int value) {
    // The cursor moves and the active record follows it, so RecNo and the fields agree.
    const int n = cursor_.RowCount();
    if (n == 0) return;
    cursor_.SetPosition(std::clamp(value, 1, n) - 1);
    Resync();
}

TRecordBuffer* TOrdoCustomDataSet::SourceBuffer() noexcept {
    switch (State()) {
        case dsBrowse: return HasActiveRecord() ? &ActiveBuffer() : nullptr;
        case dsEdit: case dsInsert: case dsNewValue: case dsOldValue: case dsCurValue: return &ActiveBuffer();
        case dsCalcFields: case dsInternalCalc: return CalcBuffer();
        case dsFilter: return filterBuffer_;
        default: return nullptr;
    }
}

// ---- bookmarks ----

TBookmark TOrdoCustomDataSet::GetBookmarkData(const TRecordBuffer& buffer) {
    const std::size_t at = static_cast<std::size_t>(RecordSize());
    if (buffer.size() < at + 4) return {};
    return TBookmark(buffer.begin() + static_cast<std::ptrdiff_t>(at), buffer.begin() + static_cast<std::ptrdiff_t>(at + 4));
}

void TOrdoCustomDataSet::SetBookmarkData(TRecordBuffer& buffer, const TBookmark& bookmark) {
    const std::size_t at = static_cast<std::size_t>(RecordSize());
    if (buffer.size() >= at + 4 && bookmark.size() >= 4) std::memcpy(buffer.data() + at, bookmark.data(), 4);
}

TBookmarkFlag TOrdoCustomDataSet::GetBookmarkFlag(const TRecordBuffer& buffer) {
    const std::size_t at = static_cast<std::size_t>(RecordSize()) + 4;
    return at < buffer.size() ? static_cast<TBookmarkFlag>(buffer[at]) : bfCurrent;
}

void TOrdoCustomDataSet::SetBookmarkFlag(TRecordBuffer& buffer, TBookmarkFlag flag) {
    const std::size_t at = static_cast<std::size_t>(RecordSize()) + 4;
    if (at < buffer.size()) buffer[at] = flag;
}

void TOrdoCustomDataSet::InternalGotoBookmark(const TBookmark& bookmark) {
    const std::int32_t rowId = bookmark.size() >= 4 ? LoadI32LE(bookmark.data()) : 0;
    const int cur = cursor_.RowIndexAt(cursor_.Position());
    if (cur >= 0 && rows_->RowId(cur) == rowId) return;
    const int pos = cursor_.PositionOfRowId(rowId);
    if (pos < 0) throw EOrdoBookMarkError(AnsiLiteral("북마크가 없습니다"));
    cursor_.SetPosition(pos);
}

void TOrdoCustomDataSet::InternalSetToRecord(const TRecordBuffer& buffer) { InternalGotoBookmark(GetBookmarkData(buffer)); }

bool TOrdoCustomDataSet::BookmarkValid(const TBookmark& bookmark) {
    return bookmark.size() >= 4 && cursor_.PositionOfRowId(LoadI32LE(bookmark.data())) >= 0;
}

int TOrdoCustomDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    const bool hasA = a.size() >= 4;
    const bool hasB = b.size() >= 4;
    if (!hasA && !hasB) return 0;
    if (!hasB) return -1;
    if (!hasA) return 1;
    const std::int64_t d = static_cast<std::int64_t>(LoadI32LE(a.data())) - LoadI32LE(b.data());
    return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

}  // namespace ordo
