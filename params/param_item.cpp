// Item state and the typed setters, which store each type's own byte form.
#include "params/param_item.h"

#include <charconv>

#include "core/text_convert.h"
#include "core/wire.h"
#include "params/param_list.h"

namespace ordo {
namespace {

template <class Int>
void StoreDecimal(Bytes& out, Int value) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    out.assign(buf, r.ptr);
}

}  // namespace

bool IsSizeBearingType(TFieldType type) noexcept {
    switch (type) {
        case ftString: case ftBytes: case ftVarBytes: case ftBlob: case ftMemo: case ftGraphic:
        case ftFixedChar: case ftWideString: case ftOraBlob: case ftOraClob: case ftGuid:
            return true;
        default:
            return false;
    }
}

void TOrdoParamItem::SetDisplayName(std::string_view name) {
    if (SameText(name, name_)) return;
    if (list_ != nullptr) {
        for (const auto& other : *list_)
            if (other.get() != this && SameText(other->Name(), name))
                throw EOrdoParamException("Error: Duplicate Param Name");
    }
    name_.assign(name);
}

void TOrdoParamItem::SetIsNull(bool value) noexcept {
    if (value) Clear();
    else isNull_ = false;
}

void TOrdoParamItem::SetSize(std::int32_t value) noexcept {
    if (value >= 0 && value != size_ && IsSizeBearingType(dataType_)) size_ = value;
}

void TOrdoParamItem::Clear() noexcept {
    value_.clear();
    isNull_ = true;
}

void TOrdoParamItem::Assign(const TOrdoParamItem& source) {
    if (&source == this) return;
    name_ = source.name_;
    value_ = source.value_;
    paramType_ = source.paramType_;
    dataType_ = source.dataType_;
    isNull_ = source.isNull_;
    size_ = source.size_;
}

void TOrdoParamItem::StoreText(std::string_view text, TFieldType type) {
    dataType_ = type;
    if (text.empty()) {
        Clear();
        return;
    }
    value_.assign(text.begin(), text.end());
    isNull_ = false;
}

void TOrdoParamItem::StoreTagged(std::uint8_t tag, const std::uint8_t* body, std::size_t n, TFieldType type) {
    value_.resize(n + 1);
    value_[0] = tag;
    std::copy(body, body + n, value_.begin() + 1);
    dataType_ = type;
    isNull_ = false;
}

void TOrdoParamItem::StoreDouble(double value, TFieldType type) {
    std::uint8_t body[8];
    StoreF64LE(body, value);
    StoreTagged(kTagDouble, body, sizeof body, type);
}

void TOrdoParamItem::SetAsString(std::string_view text) { StoreText(text, ftString); }
void TOrdoParamItem::SetAsMemo(std::string_view text) { StoreText(text, ftMemo); }
void TOrdoParamItem::SetAsBlob(ByteView bytes) { StoreText(ordo::AsText(bytes), ftBlob); }

void TOrdoParamItem::SetAsGuid(const TGuid& guid) { StoreText(GUIDToString(guid), ftGuid); }

void TOrdoParamItem::SetAsBoolean(bool value) { StoreText(value ? "True" : "False", ftBoolean); }

void TOrdoParamItem::SetAsSmallint(std::int32_t value) {
    StoreDecimal(value_, static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
    dataType_ = ftSmallint;
    isNull_ = false;
}

void TOrdoParamItem::SetAsWord(std::int32_t value) {
    StoreDecimal(value_, static_cast<std::uint16_t>(value));
    dataType_ = ftWord;
    isNull_ = false;
}

void TOrdoParamItem::SetAsInteger(std::int32_t value) {
    StoreDecimal(value_, value);
    dataType_ = ftInteger;
    isNull_ = false;
}

void TOrdoParamItem::SetAsLargeInt(std::int64_t value) {
    StoreDecimal(value_, value);
    dataType_ = ftLargeint;
    isNull_ = false;
}

void TOrdoParamItem::SetAsFloat(double value) { StoreDouble(value, ftFloat); }
void TOrdoParamItem::SetAsDate(TDateTime value) { StoreDouble(value, ftDate); }
void TOrdoParamItem::SetAsTime(TDateTime value) { StoreDouble(value, ftTime); }
void TOrdoParamItem::SetAsDateTime(TDateTime value) { StoreDouble(value, ftDateTime); }

void TOrdoParamItem::SetAsCurrency(Currency value) {
    std::uint8_t body[8];
    StoreI64LE(body, value.Raw());
    StoreTagged(kTagCurrency, body, sizeof body, ftCurrency);
}

void TOrdoParamItem::SetAsBCD(Currency value) {
    SetAsCurrency(value);
    dataType_ = ftBCD;
}

void TOrdoParamItem::SetAsFMTBCD(const TBcd& value) {
    std::uint8_t body[kBcdSize];
    StoreBcd(body, value);
    StoreTagged(kTagBcd, body, sizeof body, ftFMTBcd);
}

void TOrdoParamItem::SetAsSQLTimeStamp(const TSQLTimeStamp& value) {
    std::uint8_t body[kSQLTimeStampSize];
    StoreSQLTimeStamp(body, value);
    StoreTagged(kTagTimeStamp, body, sizeof body, ftTimeStamp);
}

}  // namespace ordo
