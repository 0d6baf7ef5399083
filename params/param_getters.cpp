// Typed getters: the item's own type is read from its bytes, anything else goes through Value().
#include "params/param_item.h"
#include "params/param_value_forms.h"

#include <utility>

namespace ordo {

using detail::ReadDecimal;

std::string TOrdoParamItem::AsString() {
    if (dataType_ == ftUnknown) dataType_ = ftString;
    return std::as_const(*this).AsString();
}

std::string TOrdoParamItem::AsString() const {
    const TFieldType type = dataType_ == ftUnknown ? ftString : dataType_;
    if (isNull_) return type == ftGuid ? GUIDToString(TGuid{}) : std::string();
    if (detail::IsRawTextType(type)) return ToString(value_);
    // Types without a form of their own view as Null, which reads as the empty text.
    return VarToStr(Value());
}

TGuid TOrdoParamItem::AsGuid() const {
    TGuid g;
    if (!isNull_) TryStringToGUID(AsString(), g);
    return g;
}

bool TOrdoParamItem::AsBoolean() const {
    if (isNull_) return false;
    if (dataType_ == ftBoolean) return SameText(ordo::AsText(value_), "True");
    return Value().AsBool();
}

std::int16_t TOrdoParamItem::AsSmallint() const {
    if (isNull_) return 0;
    if (dataType_ == ftSmallint) return ReadDecimal<std::int16_t>(value_);
    return Value().AsSmallint();
}

std::uint16_t TOrdoParamItem::AsWord() const {
    if (isNull_) return 0;
    if (dataType_ == ftWord) return ReadDecimal<std::uint16_t>(value_);
    return Value().AsWord();
}

std::int32_t TOrdoParamItem::AsInteger() const {
    if (isNull_) return 0;
    if (dataType_ == ftInteger || dataType_ == ftAutoInc || dataType_ == ftLargeint)
        return ReadDecimal<std::int32_t>(value_);
    return Value().AsInt();
}

std::int64_t TOrdoParamItem::AsLargeInt() const {
    if (isNull_) return 0;
    if (dataType_ == ftLargeint) return ReadDecimal<std::int64_t>(value_);
    return Value().AsInt64();
}

double TOrdoParamItem::AsFloat() const {
    if (isNull_) return 0;
    if (dataType_ == ftFloat) return detail::ReadTaggedDouble(value_);
    return Value().AsDouble();
}

Currency TOrdoParamItem::AsCurrency() const {
    if (isNull_) return {};
    if (dataType_ == ftCurrency) return detail::ReadTaggedCurrency(value_);
    return Value().AsCurrency();
}

Currency TOrdoParamItem::AsBCD() const {
    if (isNull_) return {};
    if (dataType_ == ftBCD) return detail::ReadTaggedCurrency(value_);
    return Value().AsCurrency();
}

TBcd TOrdoParamItem::AsFMTBCD() const {
    if (isNull_) return {};
    if (dataType_ == ftFMTBcd) return detail::ReadTaggedBcd(value_);
    return Value().AsBcd();
}

TSQLTimeStamp TOrdoParamItem::AsSQLTimeStamp() const {
    if (isNull_) return {};
    if (dataType_ == ftTimeStamp) return detail::ReadTaggedTimeStamp(value_);
    return Value().AsSQLTimeStamp();
}

TDateTime TOrdoParamItem::AsDateTime() const {
    if (isNull_) return 0;
    switch (dataType_) {
        case ftDate: case ftTime: case ftDateTime:
            return detail::ReadTaggedDouble(value_);
        case ftTimeStamp: {
            // A record that names no real date reads as 0, like bad text of the own type.
            TDateTime d = 0;
            return TrySQLTimeStampToDateTime(detail::ReadTaggedTimeStamp(value_), d) ? d : 0;
        }
        default:
            return Value().AsDateTime();
    }
}

}  // namespace ordo
