#pragma once
// One named, typed value of a parameter list. The value lives as the bytes that go on
// the wire (decimal text for integers, tagged binary for floats, currency, BCD and
// timestamps), so encoding needs no per-type writer; Value() is a variant view of them.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/bcd.h"
#include "core/bytes.h"
#include "core/currency.h"
#include "core/date_time.h"
#include "core/field_type.h"
#include "core/guid.h"
#include "core/memory_stream.h"
#include "core/variant.h"
#include "params/param_errors.h"

namespace ordo {

enum TOrdoParamType : std::uint8_t {
    ptUnknown = 0, ptInput = 1, ptOutput = 2, ptInputOutput = 3, ptResult = 4,
};
inline constexpr int kParamTypeCount = 5;

/// First bytes of the tagged binary forms.
inline constexpr std::uint8_t kTagDouble = 0x05;
inline constexpr std::uint8_t kTagBcd = 0x07;
inline constexpr std::uint8_t kTagCurrency = 0x08;
inline constexpr std::uint8_t kTagTimeStamp = 0x09;

/// Types whose declared Size is kept.
bool IsSizeBearingType(TFieldType type) noexcept;

class TOrdoParamList;

/// A parameter: Name, value bytes, ParamType, DataType, IsNull and Size.
/// A fresh item is NULL, ptUnknown, type 0 (ftUnknown), size 0.
class TOrdoParamItem {
public:
    /// A free-standing item; items of a list are made by the list.
    TOrdoParamItem() = default;
    TOrdoParamItem(const TOrdoParamItem&) = delete;
    TOrdoParamItem& operator=(const TOrdoParamItem&) = delete;

    /// The list that owns the item, or null for a free-standing one.
    [[nodiscard]] TOrdoParamList* Collection() const noexcept { return list_; }

    [[nodiscard]] const std::string& Name() const noexcept { return name_; }
    void SetName(std::string_view name) { name_.assign(name); }
    /// Renames as a collection editor does: "Error: Duplicate Param Name" when another
    /// item of the list already has the name (letter case ignored).
    void SetDisplayName(std::string_view name);
    [[nodiscard]] TOrdoParamType ParamType() const noexcept { return paramType_; }
    void SetParamType(TOrdoParamType type) noexcept { paramType_ = type; }
    [[nodiscard]] TFieldType DataType() const noexcept { return dataType_; }
    void SetDataType(TFieldType type) noexcept { dataType_ = type; }
    [[nodiscard]] bool IsNull() const noexcept { return isNull_; }
    /// True clears the value; false only lowers the flag.
    void SetIsNull(bool value) noexcept;
    [[nodiscard]] std::int32_t Size() const noexcept { return size_; }
    /// Kept only for size-bearing types and values >= 0.
    void SetSize(std::int32_t value) noexcept;

    [[nodiscard]] bool IsInput() const noexcept { return paramType_ == ptInput || paramType_ == ptInputOutput; }
    [[nodiscard]] bool IsOutput() const noexcept {
        return paramType_ == ptOutput || paramType_ == ptInputOutput || paramType_ == ptResult;
    }

    /// The value bytes exactly as encoded; empty when NULL.
    [[nodiscard]] const Bytes& ValueBytes() const noexcept { return value_; }
    /// Stores bytes as they stand, without any setter rule (used by the decoder).
    void SetValueBytes(ByteView bytes) { value_.assign(bytes.begin(), bytes.end()); }
    void SetValueBytes(Bytes&& bytes) noexcept { value_ = std::move(bytes); }

    /// Empties the value and makes the item NULL.
    void Clear() noexcept;
    /// Copies Name, value, ParamType, DataType, IsNull and Size.
    void Assign(const TOrdoParamItem& source);

    // Variant view.
    [[nodiscard]] Variant Value() const;
    void SetValue(const Variant& value);

    // Typed setters: store the type's form, set DataType, lower IsNull.
    void SetAsString(std::string_view text);  // empty text makes the item NULL
    void SetAsMemo(std::string_view text);    // empty text makes the item NULL
    void SetAsBlob(ByteView bytes);           // empty bytes make the item NULL
    void SetAsGuid(const TGuid& guid);
    void SetAsBoolean(bool value);
    void SetAsSmallint(std::int32_t value);   // low 16 bits as signed
    void SetAsWord(std::int32_t value);       // low 16 bits as unsigned
    void SetAsInteger(std::int32_t value);
    void SetAsLargeInt(std::int64_t value);
    void SetAsFloat(double value);
    void SetAsCurrency(Currency value);
    void SetAsBCD(Currency value);
    void SetAsFMTBCD(const TBcd& value);
    void SetAsSQLTimeStamp(const TSQLTimeStamp& value);
    void SetAsDate(TDateTime value);
    void SetAsTime(TDateTime value);
    void SetAsDateTime(TDateTime value);
    /// Parses the text for the item's type; raises EOrdoParamException
    /// "Unable to call SetAsText for <Name>" when it cannot.
    void SetAsText(std::string_view text);

    // Typed getters: NULL reads as zero, false, "", the null BCD or timestamp; the own type
    // is read from the bytes (bad text is 0); other types convert through Value() and may
    // raise EConvertError / EVariantError.
    /// Sets DataType to ftString first when it is ftUnknown, as the platform does.
    std::string AsString();
    /// The same text without changing the item.
    [[nodiscard]] std::string AsString() const;
    [[nodiscard]] std::string AsText() const { return AsString(); }
    [[nodiscard]] std::string AsMemo() const { return AsString(); }
    [[nodiscard]] Bytes AsBlob() const { return value_; }
    /// A new memory stream holding the value bytes (empty when NULL); the caller owns it.
    [[nodiscard]] std::unique_ptr<TMemoryStream> AsStream() const { return std::make_unique<TMemoryStream>(value_); }
    /// The all-zero GUID when NULL or not a GUID text.
    [[nodiscard]] TGuid AsGuid() const;
    [[nodiscard]] bool AsBoolean() const;
    [[nodiscard]] std::int16_t AsSmallint() const;
    [[nodiscard]] std::uint16_t AsWord() const;
    [[nodiscard]] std::int32_t AsInteger() const;
    [[nodiscard]] std::int64_t AsLargeInt() const;
    [[nodiscard]] double AsFloat() const;
    [[nodiscard]] Currency AsCurrency() const;
    [[nodiscard]] Currency AsBCD() const;
    [[nodiscard]] TBcd AsFMTBCD() const;
    [[nodiscard]] TSQLTimeStamp AsSQLTimeStamp() const;
    [[nodiscard]] TDateTime AsDateTime() const;
    [[nodiscard]] TDateTime AsDate() const { return AsDateTime(); }
    [[nodiscard]] TDateTime AsTime() const { return AsDateTime(); }

private:
    friend class TOrdoParamList;
    void StoreText(std::string_view text, TFieldType type);
    void StoreTagged(std::uint8_t tag, const std::uint8_t* body, std::size_t n, TFieldType type);
    void StoreDouble(double value, TFieldType type);
    void SetFromText(std::string_view text);

    TOrdoParamList* list_ = nullptr;
    std::string name_;
    Bytes value_;
    TOrdoParamType paramType_ = ptUnknown;
    TFieldType dataType_ = ftUnknown;
    bool isNull_ = true;
    std::int32_t size_ = 0;
};

}  // namespace ordo
