#pragma once
// A small data-access framework: the data set base that owns the record buffer, the state,
// the fields and the events, and drives navigation and editing through virtual operations
// that a concrete data set (the in-memory one) implements.
//
// Reading:
//   ds.Open();
//   for (ds.First(); !ds.Eof(); ds.Next()) use(ds.FieldByName("CODE").AsString());
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/memory_stream.h"
#include "dataset/field.h"

namespace ordo {

enum TDataSetState : std::uint8_t {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
    dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening,
};
enum TGetMode : std::uint8_t { gmCurrent, gmNext, gmPrior };
enum TGetResult : std::uint8_t { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag : std::uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TBlobStreamMode : std::uint8_t { bmRead, bmWrite, bmReadWrite };

/// A bookmark: the bytes a data set uses to find a record again (empty = none).
using TBookmark = Bytes;
/// One record buffer; its layout belongs to the concrete data set.
using TRecordBuffer = Bytes;

class TDataSet {
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet& sender)>;

    TDataSet() = default;
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    [[nodiscard]] const std::string& Name() const noexcept { return name_; }
    void SetName(std::string_view name) { name_ = std::string(name); }

    [[nodiscard]] bool Active() const noexcept { return state_ != dsInactive && state_ != dsOpening; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    [[nodiscard]] TDataSetState State() const noexcept { return state_; }

    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    /// Moves up to `distance` records (negative: backward); returns how far it got.
    int MoveBy(int distance);
    [[nodiscard]] bool Eof() const noexcept { return eof_; }
    [[nodiscard]] bool Bof() const noexcept { return bof_; }
    [[nodiscard]] bool IsEmpty() const noexcept { return !hasRecord_ && Active(); }
    [[nodiscard]] int RecordCount();
    /// 1 for the first record.
    [[nodiscard]] int RecNo();
    void SetRecNo(int value);
    /// Re-reads the current record from the data set's store.
    void Refresh();

    [[nodiscard]] TFieldDefs& FieldDefs() noexcept { return fieldDefs_; }
    [[nodiscard]] const TFieldDefs& FieldDefs() const noexcept { return fieldDefs_; }
    [[nodiscard]] int FieldCount() const noexcept { return static_cast<int>(fields_.size()); }
    /// Raises EListError "List index out of bounds (i)".
    [[nodiscard]] TField& Fields(int index) const;
    [[nodiscard]] TField* FindField(std::string_view name) const noexcept;
    /// Raises EDatabaseError "Field '<name>' not found", with "<data set name>: " in front when named.
    [[nodiscard]] TField& FieldByName(std::string_view name) const;
    /// A persistent field, made by the program before open; raises EDatabaseError while active.
    TField& AddField(std::string_view name, TFieldType type, int size = 0, TFieldKind kind = fkData);
    /// True when the program made fields of its own.
    [[nodiscard]] bool HasPersistentFields() const noexcept;

    [[nodiscard]] TBookmark GetBookmark();
    void GotoBookmark(const TBookmark& bookmark);
    [[nodiscard]] virtual bool BookmarkValid(const TBookmark& bookmark);
    [[nodiscard]] virtual int CompareBookmarks(const TBookmark& a, const TBookmark& b);

    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    /// Posts or cancels nothing: raises when the data set is not browsing an open cursor.
    void CheckBrowseMode();
    [[nodiscard]] virtual bool CanModify() const { return true; }

    /// A stream over a blob field of the current record; the caller owns it.
    [[nodiscard]] virtual std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode);

    void DisableControls() noexcept { ++disableCount_; }
    void EnableControls() noexcept {
        if (disableCount_ > 0) --disableCount_;
    }
    [[nodiscard]] bool ControlsDisabled() const noexcept { return disableCount_ > 0; }

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;
    std::function<void(TDataSet& sender, std::exception_ptr error)> OnHandleException;

    // ---- used by fields and blob streams ----
    /// Reports a failure that cannot be thrown to a caller.
    void HandleException(std::exception_ptr error) { InternalHandleException(std::move(error)); }
    /// Raises (once) a failure HandleException kept because no OnHandleException was set: the
    /// call that wrote the value raises it, or else the next Post, so no failed save passes
    /// in silence.
    void RaisePendingError();
    /// With a null target: whether the field has a value in the current source record.
    /// Otherwise copies the field's bytes into `target` and returns the same.
    [[nodiscard]] virtual bool GetFieldData(const TField& field, Bytes* target) = 0;
    /// Null `value` marks the field NULL.
    virtual void SetFieldData(TField& field, const Bytes* value) = 0;

protected:
    // ---- operations the concrete data set implements ----
    [[nodiscard]] virtual TRecordBuffer AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(TRecordBuffer& buffer) { buffer.clear(); }
    virtual TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual void InternalInitFieldDefs() = 0;
    [[nodiscard]] virtual bool IsCursorOpen() const = 0;
    /// Failures that have no caller to go to (a blob stream saving as it is freed); passed to
    /// OnHandleException, or kept for RaisePendingError when none is set.
    virtual void InternalHandleException(std::exception_ptr error);
    virtual TBookmark GetBookmarkData(const TRecordBuffer& buffer) = 0;
    virtual void SetBookmarkData(TRecordBuffer& buffer, const TBookmark& bookmark) = 0;
    [[nodiscard]] virtual TBookmarkFlag GetBookmarkFlag(const TRecordBuffer& buffer) = 0;
    virtual void SetBookmarkFlag(TRecordBuffer& buffer, TBookmarkFlag flag) = 0;
    virtual void InternalGotoBookmark(const TBookmark& bookmark) = 0;
    virtual void InternalSetToRecord(const TRecordBuffer& buffer) = 0;
    [[nodiscard]] virtual int GetRecordCount() = 0;
    [[nodiscard]] virtual int GetRecNo() = 0;
    virtual void SetRecNoImpl(int value) = 0;
    virtual void InternalInitRecord(TRecordBuffer& buffer) = 0;
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalCancel() {}
    /// Stores the active buffer: back into its row (edit) or as a new row (insert), and
    /// leaves the cursor on that row.
    virtual void InternalPost() = 0;
    /// Removes the current row and leaves the cursor where the next row now stands.
    virtual void InternalDelete() = 0;
    virtual void InternalRefresh() {}
    [[nodiscard]] virtual bool IsSequenced() { return true; }
    /// Size of the calculated-field area the record buffers need.
    [[nodiscard]] int CalcFieldsSize() const noexcept { return calcFieldsSize_; }

    // ---- services for the concrete data set ----
    [[nodiscard]] TRecordBuffer& ActiveBuffer() noexcept { return active_; }
    [[nodiscard]] bool HasActiveRecord() const noexcept { return hasRecord_; }
    /// The buffer a calculated-fields pass fills, valid during OnCalcFields.
    [[nodiscard]] TRecordBuffer* CalcBuffer() noexcept { return calcBuffer_; }
    void SetState(TDataSetState value) noexcept { state_ = value; }
    /// Fields from the definitions, when the program made none (marked default).
    void CreateFields();
    void DestroyDefaultFields();
    /// Binds each data field to the definition of its name; unbinds when `binding` is false.
    void BindFields(bool binding);
    /// Removes and frees every field.
    void ClearFields() noexcept { fields_.clear(); }
    /// Re-reads the record under the cursor (or the one before it when the cursor ran off
    /// the end) into the active buffer.
    void Resync();
    /// Runs OnCalcFields over `buffer` in the calc-fields state.
    void CalculateFields(TRecordBuffer& buffer);
    void ClearBuffers() noexcept;
    /// Events are skipped while suppressed (internal copies and rebuilds).
    void SuppressEvents(bool on) noexcept { suppressEvents_ = on; }
    [[nodiscard]] bool EventsSuppressed() const noexcept { return suppressEvents_; }
    void Fire(const TDataSetNotifyEvent& event) {
        if (event && !suppressEvents_) event(*this);
    }
    void CheckActive() const;
    /// "<name>: " when the data set has a name, for error texts.
    [[nodiscard]] std::string NamePrefix() const;

    /// The steps around open and close; each fires its event by default, and a derived
    /// class extends them (calling the base) to add work of its own.
    virtual void DoBeforeOpen() { Fire(BeforeOpen); }
    virtual void DoAfterOpen() { Fire(AfterOpen); }
    virtual void DoBeforeClose() { Fire(BeforeClose); }
    virtual void DoAfterClose() { Fire(AfterClose); }

private:
    void OpenCursor();
    void CloseCursor();
    void BeginInsertAppend(bool append);
    void UpdateCursorPos();
    void ComputeCalcLayout();

    std::string name_;
    TDataSetState state_ = dsInactive;
    TFieldDefs fieldDefs_;
    std::vector<std::unique_ptr<TField>> fields_;
    TRecordBuffer active_;
    TRecordBuffer saved_;       // the record before an edit or insert began
    TRecordBuffer spare_;       // the next record while moving, swapped in when it is read
    bool savedHadRecord_ = false;
    TRecordBuffer* calcBuffer_ = nullptr;
    bool hasRecord_ = false;
    bool eof_ = true;
    bool bof_ = true;
    bool suppressEvents_ = false;
    int disableCount_ = 0;
    int calcFieldsSize_ = 0;
    std::exception_ptr pendingError_;
};

/// Raised by GotoBookmark when the row no longer exists.
class EOrdoBookMarkError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

}  // namespace ordo
