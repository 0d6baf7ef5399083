#include "dataset/data_set.h"

#include <utility>

#include "core/errors.h"
#include "core/text_convert.h"
#include "resultset/field_list.h"

namespace ordo {

TDataSet::~TDataSet() = default;

std::string TDataSet::NamePrefix() const { return name_.empty() ? std::string() : name_ + ": "; }

void TDataSet::CheckActive() const {
    if (!Active()) throw EDatabaseError(NamePrefix() + "Cannot perform this operation on a closed dataset");
}

// ---- open and close ----

void TDataSet::SetActive(bool value) {
    if (value == Active()) return;
    if (value) {
        DoBeforeOpen();
        state_ = dsOpening;
        try {
            OpenCursor();
        } catch (...) {
            state_ = dsInactive;
            CloseCursor();
            throw;
        }
        state_ = dsBrowse;
        First();
        DoAfterOpen();
    } else {
        DoBeforeClose();
        state_ = dsInactive;
        CloseCursor();
        DoAfterClose();
    }
}

void TDataSet::OpenCursor() {
    InternalOpen();
    ComputeCalcLayout();
    active_ = AllocRecordBuffer();
}

void TDataSet::CloseCursor() {
    try {
        InternalClose();
    } catch (...) {
        ClearBuffers();
        throw;
    }
    ClearBuffers();
    FreeRecordBuffer(active_);
    FreeRecordBuffer(saved_);
    FreeRecordBuffer(spare_);
    eof_ = bof_ = true;
}

void TDataSet::ComputeCalcLayout() {
    calcFieldsSize_ = 0;
    for (const auto& f : fields_) {
        if (f->FieldKind() == fkData || f->IsBlob()) continue;
        f->offset_ = calcFieldsSize_;
        calcFieldsSize_ += 1 + f->DataSize();
    }
}

void TDataSet::ClearBuffers() noexcept { hasRecord_ = false; }

// ---- fields ----

TField& TDataSet::Fields(int index) const {
    if (index < 0 || index >= FieldCount()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return *fields_[static_cast<std::size_t>(index)];
}

TField* TDataSet::FindField(std::string_view name) const noexcept {
    for (const auto& f : fields_)
        if (SameText(f->FieldName(), name)) return f.get();
    return nullptr;
}

TField& TDataSet::FieldByName(std::string_view name) const {
    if (TField* f = FindField(name)) return *f;
    throw EDatabaseError(NamePrefix() + "Field '" + std::string(name) + "' not found");
}

TField& TDataSet::AddField(std::string_view name, TFieldType type, int size, TFieldKind kind) {
    if (Active()) throw EDatabaseError(NamePrefix() + "Cannot perform this operation on an open dataset");
    fields_.push_back(std::make_unique<TField>(*this, name, type, size, kind));
    return *fields_.back();
}

bool TDataSet::HasPersistentFields() const noexcept {
    for (const auto& f : fields_)
        if (!f->default_) return true;
    return false;
}

void TDataSet::CreateFields() {
    for (const TFieldDef& d : fieldDefs_) {
        auto f = std::make_unique<TField>(*this, d.Name, d.DataType, d.Size, fkData);
        f->default_ = true;
        fields_.push_back(std::move(f));
    }
}

void TDataSet::DestroyDefaultFields() {
    std::erase_if(fields_, [](const auto& f) { return f->default_; });
}

void TDataSet::BindFields(bool binding) {
    for (const auto& f : fields_) {
        f->fieldNo_ = 0;
        if (!binding || f->FieldKind() != fkData) continue;
        if (const TFieldDef* d = fieldDefs_.Find(f->FieldName())) f->fieldNo_ = d->FieldNo;
    }
}

void TDataSet::CalculateFields(TRecordBuffer& buffer) {
    if (calcFieldsSize_ == 0 && !OnCalcFields) return;
    const TDataSetState saved = state_;
    TRecordBuffer* savedBuf = calcBuffer_;
    state_ = dsCalcFields;
    calcBuffer_ = &buffer;
    try {
        if (OnCalcFields) OnCalcFields(*this);  // runs even while other events are suppressed
    } catch (...) {
        state_ = saved;
        calcBuffer_ = savedBuf;
        throw;
    }
    state_ = saved;
    calcBuffer_ = savedBuf;
}

// ---- navigation ----

void TDataSet::CheckBrowseMode() {
    CheckActive();
    if (state_ == dsEdit || state_ == dsInsert) Post();
}

void TDataSet::UpdateCursorPos() {
    // A record being inserted has no row yet; the cursor stays where the insert began.
    if (hasRecord_ && GetBookmarkFlag(active_) == bfCurrent) InternalSetToRecord(active_);
}

void TDataSet::First() {
    CheckBrowseMode();
    Fire(BeforeScroll);
    ClearBuffers();
    InternalFirst();
    hasRecord_ = GetRecord(active_, gmNext, true) == grOK;
    bof_ = true;
    eof_ = !hasRecord_;
    Fire(AfterScroll);
}

void TDataSet::Last() {
    CheckBrowseMode();
    Fire(BeforeScroll);
    ClearBuffers();
    InternalLast();
    hasRecord_ = GetRecord(active_, gmPrior, true) == grOK;
    eof_ = true;
    bof_ = !hasRecord_;
    Fire(AfterScroll);
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    if (distance == 0 || (distance > 0 && eof_) || (distance < 0 && bof_)) return 0;
    Fire(BeforeScroll);
    bof_ = eof_ = false;
    UpdateCursorPos();
    const TGetMode mode = distance > 0 ? gmNext : gmPrior;
    int moved = 0;
    if (spare_.size() != active_.size()) spare_ = AllocRecordBuffer();
    while (moved != distance) {
        if (!hasRecord_ || GetRecord(spare_, mode, true) != grOK) {
            (distance > 0 ? eof_ : bof_) = true;
            break;
        }
        std::swap(active_, spare_);
        moved += distance > 0 ? 1 : -1;
    }
    if (!hasRecord_) eof_ = bof_ = true;
    Fire(AfterScroll);
    return moved;
}

int TDataSet::RecordCount() {
    CheckActive();
    return GetRecordCount();
}

int TDataSet::RecNo() {
    if (!Active()) return 0;
    UpdateCursorPos();
    return GetRecNo();
}

void TDataSet::SetRecNo(int value) {
    CheckBrowseMode();
    SetRecNoImpl(value);
}

void TDataSet::Resync() {
    hasRecord_ = GetRecord(active_, gmCurrent, false) == grOK || GetRecord(active_, gmNext, false) == grOK ||
                 GetRecord(active_, gmPrior, false) == grOK;
    bof_ = eof_ = !hasRecord_;
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync();
}

// ---- bookmarks ----

TBookmark TDataSet::GetBookmark() {
    if (!Active() || !hasRecord_) return {};
    return GetBookmarkData(active_);
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    if (bookmark.empty()) return;
    CheckBrowseMode();
    Fire(BeforeScroll);
    InternalGotoBookmark(bookmark);
    Resync();
    Fire(AfterScroll);
}

bool TDataSet::BookmarkValid(const TBookmark& bookmark) { return !bookmark.empty(); }

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
    (void)a;
    (void)b;
    return 0;
}

// ---- editing ----

void TDataSet::BeginInsertAppend(bool append) {
    CheckBrowseMode();
    if (!CanModify()) throw EDatabaseError(NamePrefix() + "Cannot modify a read-only dataset");
    Fire(BeforeInsert);
    Fire(BeforeScroll);
    UpdateCursorPos();
    saved_ = active_;
    savedHadRecord_ = hasRecord_;
    InternalInsert();
    InternalInitRecord(active_);
    SetBookmarkFlag(active_, append ? bfEOF : bfInserted);
    hasRecord_ = true;
    bof_ = eof_ = false;
    state_ = dsInsert;
    try {
        Fire(OnNewRecord);
    } catch (...) {
        Cancel();
        throw;
    }
    Fire(AfterInsert);
    Fire(AfterScroll);
}

void TDataSet::Append() { BeginInsertAppend(true); }
void TDataSet::Insert() { BeginInsertAppend(false); }

void TDataSet::Edit() {
    if (state_ == dsEdit || state_ == dsInsert) return;
    CheckActive();
    if (!CanModify()) throw EDatabaseError(NamePrefix() + "Cannot modify a read-only dataset");
    if (!hasRecord_) {
        Insert();
        return;
    }
    Fire(BeforeEdit);
    UpdateCursorPos();
    InternalEdit();
    GetRecord(active_, gmCurrent, false);
    saved_ = active_;
    savedHadRecord_ = true;
    state_ = dsEdit;
    Fire(AfterEdit);
}

void TDataSet::Post() {
    if (state_ != dsEdit && state_ != dsInsert) return;
    RaisePendingError();
    Fire(BeforePost);
    InternalPost();
    state_ = dsBrowse;
    Resync();
    Fire(AfterPost);
}

void TDataSet::Cancel() {
    if (state_ != dsEdit && state_ != dsInsert) return;
    pendingError_ = nullptr;  // the record whose value failed is given up
    Fire(BeforeCancel);
    InternalCancel();
    active_ = saved_;
    hasRecord_ = savedHadRecord_;
    state_ = dsBrowse;
    if (hasRecord_) {
        InternalSetToRecord(active_);
        Resync();
    } else {
        bof_ = eof_ = true;
    }
    Fire(AfterCancel);
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (!hasRecord_) throw EDatabaseError(NamePrefix() + "Cannot perform this operation on an empty dataset");
    if (!CanModify()) throw EDatabaseError(NamePrefix() + "Cannot modify a read-only dataset");
    if (state_ == dsEdit) Cancel();
    Fire(BeforeDelete);
    Fire(BeforeScroll);
    UpdateCursorPos();
    InternalDelete();
    Resync();
    Fire(AfterDelete);
    Fire(AfterScroll);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
    (void)field;
    (void)mode;
    throw EDatabaseError(NamePrefix() + "Blob streams are not supported by this dataset");
}

void TDataSet::InternalHandleException(std::exception_ptr error) {
    if (OnHandleException) {
        OnHandleException(*this, std::move(error));
        return;
    }
    if (!pendingError_) pendingError_ = std::move(error);
}

void TDataSet::RaisePendingError() {
    if (!pendingError_) return;
    std::exception_ptr error = std::exchange(pendingError_, nullptr);
    std::rethrow_exception(error);
}

}  // namespace ordo
