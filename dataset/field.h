#pragma once
// Field definitions and field objects of the data-access framework. A field holds no value of
// its own: it asks its data set for the bytes of the current record and turns them into a
// Variant, so reading a field always shows the record the data set stands on.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/bytes.h"
#include "core/field_type.h"
#include "core/variant.h"

namespace ordo {

class TDataSet;

enum TFieldKind : std::uint8_t { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

struct TFieldDef {
    std::string Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    int FieldNo = 0;  ///< 1-based
    bool Required = false;
};

class TFieldDefs {
public:
    /// Appends a definition numbered Count() + 1.
    TFieldDef& Add(std::string_view name, TFieldType type, int size = 0, bool required = false);
    [[nodiscard]] int Count() const noexcept { return static_cast<int>(defs_.size()); }
    /// Raises EListError "List index out of bounds (i)".
    [[nodiscard]] const TFieldDef& Items(int index) const;
    /// The first definition of that name without regard to case, or nullptr.
    [[nodiscard]] const TFieldDef* Find(std::string_view name) const noexcept;
    void Clear() noexcept { defs_.clear(); }
    [[nodiscard]] auto begin() const noexcept { return defs_.begin(); }
    [[nodiscard]] auto end() const noexcept { return defs_.end(); }

private:
    std::vector<TFieldDef> defs_;
};

class TField {
public:
    TField(TDataSet& dataSet, std::string_view name, TFieldType type, int size, TFieldKind kind);

    [[nodiscard]] TDataSet& DataSet() const noexcept { return *dataSet_; }
    [[nodiscard]] const std::string& FieldName() const noexcept { return name_; }
    [[nodiscard]] const std::string& DisplayName() const noexcept { return name_; }
    [[nodiscard]] TFieldType DataType() const noexcept { return type_; }
    [[nodiscard]] int Size() const noexcept { return size_; }
    [[nodiscard]] TFieldKind FieldKind() const noexcept { return kind_; }
    /// 1-based number of the bound definition; 0 while unbound or for calculated fields.
    [[nodiscard]] int FieldNo() const noexcept { return fieldNo_; }
    /// Bytes a GetFieldData target receives for this field.
    [[nodiscard]] int DataSize() const noexcept;
    /// Offset of the value's presence byte inside the calculated-field area.
    [[nodiscard]] int Offset() const noexcept { return offset_; }
    [[nodiscard]] bool IsBlob() const noexcept;
    /// True when the data set created the field from its definitions at open.
    [[nodiscard]] bool IsDefault() const noexcept { return default_; }

    [[nodiscard]] bool IsNull() const;
    /// Null for a NULL value; otherwise the kind that fits the type (text, integers, double,
    /// currency for BCD, date for date and time types, byte arrays for bytes and binary blobs).
    [[nodiscard]] Variant Value() const;
    /// Empty text for NULL; dates, times and numbers in the machine's formats.
    [[nodiscard]] std::string AsString() const;
    /// These go through Value(): a NULL value raises EVariantError, text parses or raises.
    [[nodiscard]] double AsFloat() const;
    [[nodiscard]] std::int32_t AsInteger() const;
    [[nodiscard]] std::int64_t AsLargeInt() const;
    [[nodiscard]] bool AsBoolean() const;
    [[nodiscard]] TDateTime AsDateTime() const;
    [[nodiscard]] Currency AsCurrency() const;
    /// The raw bytes of byte fields and blobs (empty for NULL).
    [[nodiscard]] Bytes AsBytes() const;

    /// A Null (or Empty) variant clears the value; other kinds convert to the field's type.
    void SetValue(const Variant& value);
    void SetAsString(std::string_view text);
    void SetAsFloat(double value) { SetValue(Variant(value)); }
    void SetAsInteger(std::int32_t value) { SetValue(Variant(value)); }
    void SetAsLargeInt(std::int64_t value) { SetValue(Variant(value)); }
    void SetAsBoolean(bool value) { SetValue(Variant(value)); }
    void SetAsDateTime(TDateTime value) { SetValue(Variant::FromDate(value)); }
    void SetAsCurrency(Currency value) { SetValue(Variant(value)); }
    void SetAsBytes(ByteView bytes);
    void Clear();

    std::function<void(TField& sender)> OnValidate;
    std::function<void(TField& sender)> OnChange;

private:
    friend class TDataSet;
    /// The slot bytes of the current record, in a buffer of the field's own that the next read
    /// reuses: fields are read a dozen times per row over many rows.
    [[nodiscard]] const Bytes& ReadRaw(bool& present) const;
    [[nodiscard]] Variant FromRaw(const Bytes& raw) const;
    [[nodiscard]] Bytes ToRaw(const Variant& value) const;
    void WriteRaw(const Bytes* raw);

    TDataSet* dataSet_;
    std::string name_;
    TFieldType type_;
    int size_;
    mutable Bytes scratch_;  // see ReadRaw
    TFieldKind kind_;
    int fieldNo_ = 0;
    int offset_ = 0;
    bool default_ = false;
};

}  // namespace ordo
