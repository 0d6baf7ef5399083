#pragma once
// The rows of a result set: a field list, the record layout computed from it, and one
// fixed-size row record per row, in display order. Records live in a pool and never move,
// so a row's bytes may be held while other rows are added or removed.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "resultset/field_list.h"
#include "resultset/record_pool.h"
#include "resultset/row_record.h"

namespace ordo {

class TOrdoFilerReader;
class TOrdoFilerWriter;

/// One row as the list hands it out: its number and a view of its record.
struct TOrdoDBListItem {
    std::int32_t RowId = 0;
    std::span<std::uint8_t> RowData;
};

class TOrdoDBList {
public:
    TOrdoDBList() = default;
    TOrdoDBList(const TOrdoDBList&) = delete;
    TOrdoDBList& operator=(const TOrdoDBList&) = delete;
    TOrdoDBList(TOrdoDBList&&) noexcept = default;
    TOrdoDBList& operator=(TOrdoDBList&&) noexcept = default;

    [[nodiscard]] TOrdoFieldList& FieldList() noexcept { return fields_; }
    [[nodiscard]] const TOrdoFieldList& FieldList() const noexcept { return fields_; }

    /// Appends a field with FieldNo = new count and the slot size of its type. A type code
    /// outside 0..37 is kept as ftUnknown (no slot). Raises EDatabaseError while rows exist
    /// or when the slot would pass the record size limit.
    const TOrdoFieldItem& AddField(std::string_view name, int dataType, int size);
    /// Gives every field its offset and fixes S, F and R. Raises EDatabaseError when rows
    /// exist and the record size would change, or when R would pass kMaxRecordSize.
    void ComputeLayout();
    /// Drops rows and fields.
    void ClearAll();

    [[nodiscard]] int FieldCount() const noexcept { return fieldCount_; }
    [[nodiscard]] int SlotsSize() const noexcept { return slotsSize_; }
    [[nodiscard]] int RecordSize() const noexcept { return recordSize_; }
    /// Byte S + 1, where the null bitmap starts.
    [[nodiscard]] int BitmapOffset() const noexcept { return slotsSize_ + 1; }
    /// Bytes the row records occupy, pages mapped for them but not yet used included: they are taken from
    /// the system directly, so the allocator's own figures do not show them.
    [[nodiscard]] std::size_t RecordBytesHeld() const noexcept { return pool_.CapacityBytes(); }

    [[nodiscard]] int Count() const noexcept { return static_cast<int>(rows_.size()); }
    /// Appends a zeroed record (every field NULL); returns its index.
    int AddRow(std::int32_t rowId);
    /// Places a zeroed record at `index` (0 .. Count()); returns `index`.
    int InsertRow(int index, std::int32_t rowId);
    void Delete(int index);
    /// Drops the rows; the fields and layout stay.
    void Clear() noexcept;

    /// Each raises EListError "List index out of bounds (i)" for a bad index.
    [[nodiscard]] TOrdoDBListItem Items(int index);
    [[nodiscard]] std::int32_t RowId(int index) const;
    void SetRowId(int index, std::int32_t rowId);
    [[nodiscard]] std::span<std::uint8_t> RowData(int index);
    [[nodiscard]] ByteView RowData(int index) const;
    [[nodiscard]] TOrdoRowReader Reader(int index) const { return {RowData(index), BitmapOffset()}; }
    [[nodiscard]] TOrdoRowWriter Writer(int index) { return {RowData(index), BitmapOffset()}; }

    /// Index of the row with that RowId, or -1. Tries the index RowId - 1 first, which is
    /// where rows numbered on arrival sit.
    [[nodiscard]] int IndexOfRowId(std::int32_t rowId) const noexcept;
    /// The highest RowId given to a row since the list was last cleared (deleting rows does
    /// not lower it), 0 for a fresh list; a number above it is free.
    [[nodiscard]] std::int32_t MaxRowId() const noexcept { return maxRowId_; }

    /// Field list section, then row section.
    void SaveToStream(TStream& stream) const;
    void LoadFromStream(TStream& stream);
    void SaveToFile(const std::string& fileName) const;
    void LoadFromFile(const std::string& fileName);

    /// Reads a field list section and makes it this list's fields, checked against the layout
    /// its types give: an unknown type code, a slot size that does not fit the type, or an
    /// offset that disagrees with the computed one raises EReadError and leaves no rows.
    void ReadFieldSection(TOrdoFilerReader& reader);
    void WriteRowSection(TOrdoFilerWriter& writer) const;
    /// Appends the rows of a row section; a record whose length is not R raises EReadError
    /// (the rows read before it stay).
    void ReadRowSection(TOrdoFilerReader& reader);

private:
    struct Entry {
        std::int32_t rowId;
        std::uint32_t handle;
    };
    void CheckIndex(int index) const;
    void CheckNoRows(const char* what) const;

    TOrdoFieldList fields_;
    int fieldCount_ = 0;
    int slotsSize_ = 0;
    int recordSize_ = RecordSizeFor(0, 0);
    std::vector<Entry> rows_;
    std::int32_t maxRowId_ = 0;
    detail::TRecordPool pool_;
};

}  // namespace ordo
