#pragma once
// The in-memory data set: rows kept as fixed-size records in a TOrdoDBList, large values in a
// TOrdoBlobList, columns described by "name,type,size" entries. It is the base of the
// stand-alone TOrdoDataSet and of the server-backed client data set, which fills it while a
// request waits: field descriptions first (SetFieldDescriptions + CreateRowList), then row
// text (DecodeRowText), then the framework's open binds fields to what arrived.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/cursor_order.h"
#include "dataset/data_set.h"
#include "resultset/blob_list.h"
#include "resultset/dataset_stream.h"
#include "resultset/field_defs_codec.h"
#include "resultset/db_list.h"
#include "resultset/row_text_codec.h"

namespace ordo {

class TOrdoCustomDataSet;

/// (sender, stream, loading): may rewrite the whole stream, or one blob with ssBlobOnlyStreamEvent.
using TOrdoStreamEvent = std::function<void(TOrdoCustomDataSet& sender, TStream& stream, bool loading)>;

class TOrdoCustomDataSet : public TDataSet {
public:
    TOrdoCustomDataSet();
    ~TOrdoCustomDataSet() override;

    // ---- published properties ----
    [[nodiscard]] TOrdoStreamSaveOptions StreamOptions() const noexcept { return streamOptions_; }
    void SetStreamOptions(TOrdoStreamSaveOptions value) noexcept { streamOptions_ = value; }
    TOrdoStreamEvent OnStreamEvent;
    [[nodiscard]] bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value) noexcept { readOnly_ = value; }
    [[nodiscard]] bool AutoCalcFields() const noexcept { return autoCalcFields_; }
    void SetAutoCalcFields(bool value) noexcept { autoCalcFields_ = value; }
    [[nodiscard]] const std::string& About() const noexcept { return about_; }
    void SetAbout(std::string_view value) { about_ = std::string(value); }
    /// The record filter: with Filtered on, OnFilterRecord decides which rows are seen.
    [[nodiscard]] bool Filtered() const noexcept { return filtered_; }
    void SetFiltered(bool value);
    std::function<void(TDataSet& sender, bool& accept)> OnFilterRecord;

    // ---- column descriptions ("FastFields") ----
    [[nodiscard]] const std::vector<std::string>& FieldDescriptions() const noexcept { return descriptions_; }
    void SetFieldDescriptions(std::vector<std::string> entries) { descriptions_ = std::move(entries); }
    /// Appends "name,type,size"; a GUID column (type 35) always gets size 38.
    void AddFieldDescription(std::string_view name, int dataType, int size);
    void ClearFieldDescriptions() noexcept { descriptions_.clear(); }

    // ---- rows ----
    [[nodiscard]] TOrdoDBList* RowList() noexcept { return rows_.get(); }
    [[nodiscard]] const TOrdoDBList* RowList() const noexcept { return rows_.get(); }
    [[nodiscard]] TOrdoBlobList& BlobList() noexcept { return blobs_; }
    /// An owned row list is discarded at close; one built otherwise survives it.
    [[nodiscard]] bool OwnsRowList() const noexcept { return ownsRows_; }
    void SetOwnsRowList(bool value) noexcept { ownsRows_ = value; }
    /// Makes the row list when there is none and gives it the fields of the descriptions (or
    /// of the persistent fields when there are no descriptions), then computes the layout.
    /// Rows already held survive when the fields come out the same.
    void CreateRowList(bool clearFieldDefs);
    /// Frees the row list and the blobs.
    void DiscardRows();
    /// Drops every row and blob, keeps the columns.
    void EmptyDataSet();
    /// Appends a row with the next RowId (announced as arriving); returns its index.
    virtual int AppendDecodedRow();
    /// The row at `index` has had its fields written (where local indexes would take it in).
    virtual void DecodedRowDone(int index) { (void)index; }
    /// Decodes row text into the row list (made from the descriptions when missing).
    TOrdoRowsDecoded DecodeRowText(std::string_view text, std::function<void(std::size_t)> progress = {});
    [[nodiscard]] std::int32_t RowIdCounter() const noexcept { return rowIdCounter_; }
    [[nodiscard]] const TOrdoCursorOrder& Cursor() const noexcept { return cursor_; }

    // ---- local indexes and aggregates ----
    /// Their definitions and saved row orders, as streams carry them. They travel with the
    /// data set (a load keeps what a stream holds, a save writes it back); the rows are never
    /// ordered or summed by them here.
    [[nodiscard]] TOrdoIndexesSection& Indexes() noexcept { return indexes_; }
    [[nodiscard]] const TOrdoIndexesSection& Indexes() const noexcept { return indexes_; }
    [[nodiscard]] TOrdoAggregatesSection& Aggregates() noexcept { return aggregates_; }
    [[nodiscard]] const TOrdoAggregatesSection& Aggregates() const noexcept { return aggregates_; }

    // ---- streams and files ----
    void SaveToStream(TStream& stream);
    /// Loads the rows into the existing row list; the fields stay as they are. Values follow
    /// their column's name: a stream whose columns differ in name or type from the row list's
    /// is refused with EDatabaseError before anything changes.
    void LoadFromStream(TStream& stream);
    /// Closes, replaces the whole structure from the stream, and opens again.
    void LoadDataSetFromStream(TStream& stream);
    void SaveToFile(const std::string& fileName);
    /// Rows only / whole data set. A missing or unreadable file raises EDatabaseError
    /// "Unable to load from <name>" with the reason nested inside it.
    void LoadFromFile(const std::string& fileName);
    void LoadDataSetFromFile(const std::string& fileName);

    // ---- framework ----
    [[nodiscard]] bool BookmarkValid(const TBookmark& bookmark) override;
    [[nodiscard]] int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
    [[nodiscard]] bool CanModify() const override { return !readOnly_; }
    [[nodiscard]] std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
    [[nodiscard]] bool GetFieldData(const TField& field, Bytes* target) override;
    void SetFieldData(TField& field, const Bytes* value) override;

    /// Length of the row area of a record buffer (R).
    [[nodiscard]] int RecordSize() const noexcept { return rows_ ? rows_->RecordSize() : 0; }
    /// The record that field reads see in the current state, or nullptr.
    [[nodiscard]] TRecordBuffer* SourceBuffer() noexcept;

protected:
    TRecordBuffer AllocRecordBuffer() override;
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    [[nodiscard]] bool IsCursorOpen() const override { return cursorOpen_; }
    TBookmark GetBookmarkData(const TRecordBuffer& buffer) override;
    void SetBookmarkData(TRecordBuffer& buffer, const TBookmark& bookmark) override;
    [[nodiscard]] TBookmarkFlag GetBookmarkFlag(const TRecordBuffer& buffer) override;
    void SetBookmarkFlag(TRecordBuffer& buffer, TBookmarkFlag flag) override;
    void InternalGotoBookmark(const TBookmark& bookmark) override;
    void InternalSetToRecord(const TRecordBuffer& buffer) override;
    [[nodiscard]] int GetRecordCount() override { return cursor_.RowCount(); }
    [[nodiscard]] int GetRecNo() override { return cursor_.Position() + 1; }
    void SetRecNoImpl(int value) override;
    void InternalInitRecord(TRecordBuffer& buffer) override;
    void InternalCancel() override;
    void InternalPost() override;
    void InternalDelete() override;

    // ---- hooks for the stand-alone variant ----
    [[nodiscard]] virtual bool TracksAutoIncrement() const { return false; }
    [[nodiscard]] virtual std::int32_t NextAutoIncrement() const { return 1; }
    virtual void SetNextAutoIncrement(std::int32_t value) { (void)value; }
    /// Just before an inserted record is stored.
    virtual void BeforeInsertPost(TRecordBuffer& buffer) { (void)buffer; }
    /// After the rows were emptied or discarded.
    virtual void RowsEmptied() {}
    /// What a derived data set appends to its stream after the data set's own sections, and
    /// reads back: ReadStreamTrailer keeps what it read aside (`options` are the stream's),
    /// TakeStreamTrailer makes it the data set's once the whole stream has been read.
    virtual void WriteStreamTrailer(TStream& stream) { (void)stream; }
    virtual void ReadStreamTrailer(TStream& stream, TOrdoStreamSaveOptions options) { (void)stream, (void)options; }
    virtual void TakeStreamTrailer() {}

    /// The row area of a record buffer, and a writer over it.
    [[nodiscard]] TOrdoRowWriter RowWriter(TRecordBuffer& buffer);
    [[nodiscard]] TOrdoRowReader RowReader(const TRecordBuffer& buffer) const;
    /// The field list item a data field is bound to, or nullptr.
    [[nodiscard]] const TOrdoFieldItem* BoundItem(const TField& field) const noexcept;

private:
    friend class TOrdoBlobStream;
    [[nodiscard]] int RecordBufferSize() const noexcept;
    void FillBuffer(TRecordBuffer& buffer, int rowIndex);
    void PrefetchRow(int rowIndex) const noexcept;
    [[nodiscard]] bool AcceptRecord(TRecordBuffer& buffer);
    void CheckPersistentFields();
    void BuildFieldList(const std::vector<TOrdoFieldDef>& defs);
    [[nodiscard]] std::vector<TOrdoFieldDef> WantedFields() const;
    /// What a data set stream holds, read before any of it replaces the data set's own.
    struct TLoadedStream {
        TOrdoStreamSaveOptions options;
        std::int32_t nextAutoIncrement = 0;
        TOrdoDBList rows;
        TOrdoBlobList blobs;
        std::optional<TOrdoIndexesSection> indexes;
        std::optional<TOrdoAggregatesSection> aggregates;
    };
    [[nodiscard]] TLoadedStream ReadStreamAside(TStream& stream, bool withRows);
    void TakeLoaded(TLoadedStream& loaded);
    void ReadLoadedIndexes(TStream& stream, TLoadedStream& loaded);
    /// The indexes as they may be saved now: an index whose rows are no longer exactly the
    /// data set's rows loses its valid mark.
    [[nodiscard]] TOrdoIndexesSection IndexesToSave() const;
    void CopyFieldData(const TField& field, const TOrdoFieldItem& item, const TRecordBuffer& buffer, Bytes& target);
    void WriteCalcData(TField& field, const Bytes* value);
    void DeleteRowBlobs(const TRecordBuffer& buffer);
    /// Raises the error of a field written outside an editing state.
    void CheckFieldWritable(const TField& field);
    /// The stored row a record buffer's bookmark names; empty when there is none.
    [[nodiscard]] ByteView StoredRowOf(const TRecordBuffer& buffer) const;
    /// Deletes each blob `drop` refers to that `keep` does not.
    void DeleteReplacedBlobs(ByteView keep, ByteView drop);
    void SetCounterAboveRows();
    Bytes ReadFileForLoad(const std::string& fileName);

    TOrdoStreamSaveOptions streamOptions_{ssIndexes, ssAggregates};
    TOrdoIndexesSection indexes_;
    TOrdoAggregatesSection aggregates_;
    bool readOnly_ = false;
    bool autoCalcFields_ = true;
    bool filtered_ = false;
    std::string about_;
    std::vector<std::string> descriptions_;
    std::unique_ptr<TOrdoDBList> rows_;
    bool ownsRows_ = false;
    TOrdoBlobList blobs_;
    std::int32_t rowIdCounter_ = 0;
    TOrdoCursorOrder cursor_;
    bool cursorOpen_ = false;
    TRecordBuffer* filterBuffer_ = nullptr;
};

/// A blob field's value as a memory stream. Reading modes start with a copy of the stored
/// blob; a modified stream stores itself into the record when it is destroyed while the data
/// set is editing or inserting.
class TOrdoBlobStream : public TMemoryStream {
public:
    TOrdoBlobStream(TOrdoCustomDataSet& dataSet, TField& field, TBlobStreamMode mode);
    ~TOrdoBlobStream() override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    [[nodiscard]] bool Modified() const noexcept { return modified_; }

private:
    void Save();
    TOrdoCustomDataSet& dataSet_;
    TField& field_;
    bool modified_ = false;
};

}  // namespace ordo
