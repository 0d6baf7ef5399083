#pragma once
// The columns of a result set: one item per field with its slot in the row record.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/field_type.h"
#include "core/memory_stream.h"
#include "resultset/row_record.h"

namespace ordo {

class TOrdoFilerReader;
class TOrdoFilerWriter;

struct TOrdoFieldItem {
    std::int32_t FieldNo = 0;   ///< 1-based position in the list
    std::int32_t DataSize = 0;  ///< slot bytes
    std::int32_t Offset = 0;    ///< slot offset in a row record
    std::int32_t DataType = 0;  ///< 0 .. 37
    std::string FieldName;

    [[nodiscard]] TFieldType Type() const noexcept {
        return IsValidFieldType(DataType) ? static_cast<TFieldType>(DataType) : ftUnknown;
    }
    [[nodiscard]] TOrdoSlot Slot() const noexcept { return {Offset, DataSize}; }
    /// The size a data set shows: characters for strings, bytes for byte fields, else 0.
    [[nodiscard]] int DeclaredSize() const noexcept { return DeclaredSizeFromSlot(Type(), DataSize); }
};

class TOrdoFieldList {
public:
    [[nodiscard]] int Count() const noexcept { return static_cast<int>(items_.size()); }
    /// Raises EListError "List index out of bounds (i)".
    [[nodiscard]] const TOrdoFieldItem& Items(int index) const;
    TOrdoFieldItem& Items(int index);
    /// Appends an item as it stands (no slot size computed: that is the row list's AddField).
    TOrdoFieldItem& Add(TOrdoFieldItem item);
    void Clear() noexcept { items_.clear(); }
    /// Index of the first field named so (without regard to ASCII case), or -1.
    [[nodiscard]] int IndexOf(std::string_view name) const noexcept;

    [[nodiscard]] auto begin() const noexcept { return items_.begin(); }
    [[nodiscard]] auto end() const noexcept { return items_.end(); }

    /// The field list section of a data set stream.
    void SaveToStream(TStream& stream) const;
    /// Replaces the items with the section read at the stream's position; the items read
    /// before a failure stay.
    void LoadFromStream(TStream& stream);
    void SaveToFile(const std::string& fileName) const;
    void LoadFromFile(const std::string& fileName);

    void WriteSection(TOrdoFilerWriter& writer) const;
    void ReadSection(TOrdoFilerReader& reader);

private:
    std::vector<TOrdoFieldItem> items_;
};

}  // namespace ordo
