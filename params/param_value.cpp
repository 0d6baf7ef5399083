// The variant view of an item, and setting an item from a variant or from text.
#include "params/param_item.h"
#include "params/param_value_forms.h"

namespace ordo {

using detail::ReadDecimal;

Variant TOrdoParamItem::Value() const {
    if (isNull_) return Variant::Null();
    switch (dataType_) {
        case ftString: case ftFixedChar: case ftWideString: case ftGuid: case ftBlob: case ftMemo:
        case ftOraBlob: case ftOraClob:
            return Variant(ToString(value_));
        case ftSmallint: return Variant(ReadDecimal<std::int16_t>(value_));
        case ftInteger: case ftAutoInc: return Variant(ReadDecimal<std::int32_t>(value_));
        case ftIDispatch: {
            // References are pointer-wide; a 32-bit view would cut them on 64-bit hosts.
            const auto ref = ReadDecimal<std::int64_t>(value_);
            if (ref >= INT32_MIN && ref <= INT32_MAX) return Variant(static_cast<std::int32_t>(ref));
            return Variant(ref);
        }
        case ftWord: return Variant(ReadDecimal<std::uint16_t>(value_));
        case ftBoolean: return Variant(SameText(ordo::AsText(value_), "True"));
        case ftFloat: return Variant(detail::ReadTaggedDouble(value_));
        case ftCurrency: case ftBCD: return Variant(detail::ReadTaggedCurrency(value_));
        case ftDate: case ftTime: case ftDateTime: return Variant::FromDate(detail::ReadTaggedDouble(value_));
        case ftBytes: case ftVarBytes: return Variant(Bytes(value_));
        case ftLargeint: return Variant(ReadDecimal<std::int64_t>(value_));
        case ftTimeStamp: return Variant(detail::ReadTaggedTimeStamp(value_));
        case ftFMTBcd: return Variant(detail::ReadTaggedBcd(value_));
        default: return Variant::Null();
    }
}

void TOrdoParamItem::SetValue(const Variant& value) {
    switch (value.VarType()) {
        case varNull: Clear(); return;
        case varShortInt: case varByte: case varSmallint:
            if (dataType_ == ftInteger) SetAsInteger(value.AsInt());
            else SetAsSmallint(value.AsInt());
            return;
        case varInteger: SetAsInteger(value.AsInt()); return;
        case varSingle: case varDouble: SetAsFloat(value.AsDouble()); return;
        case varCurrency: SetAsCurrency(value.AsCurrency()); return;
        case varDate: SetAsDateTime(value.AsDateTime()); return;
        case varString: SetAsString(*value.TryGet<std::string>()); return;
        case varBoolean: SetAsBoolean(value.AsBool()); return;
        case varWord: SetAsWord(value.AsWord()); return;
        case varLongWord: case varInt64: SetAsLargeInt(value.AsInt64()); return;
        case varFMTBcd: SetAsFMTBCD(value.AsBcd()); return;
        case varSQLTimeStamp: SetAsSQLTimeStamp(value.AsSQLTimeStamp()); return;
        case varDispatch:
            // The whole pointer-wide reference, so it can be read back on 64-bit hosts.
            SetAsLargeInt(value.AsDispatch());
            dataType_ = ftIDispatch;
            return;
        case varByteArray:
            value_ = value.AsBytes();
            isNull_ = false;
            if (dataType_ != ftBytes && dataType_ != ftVarBytes) dataType_ = ftBytes;
            return;
        default:
            dataType_ = ftUnknown;
            Clear();
            return;
    }
}

void TOrdoParamItem::SetAsText(std::string_view text) {
    try {
        SetFromText(text);
    } catch (const EOrdoError&) {
        throw EOrdoParamException("Unable to call SetAsText for " + name_);
    }
}

void TOrdoParamItem::SetFromText(std::string_view text) {
    if (dataType_ == ftUnknown) dataType_ = ftString;
    Clear();
    if (text.empty()) return;
    switch (dataType_) {
        case ftString: case ftBytes: case ftVarBytes: case ftFixedChar: case ftWideString: case ftGuid:
            SetAsString(text);
            break;
        case ftSmallint: SetAsSmallint(StrToInt(text)); break;
        case ftInteger: case ftAutoInc: SetAsInteger(StrToInt(text)); break;
        case ftWord: SetAsWord(StrToInt(text)); break;
        case ftBoolean: SetAsBoolean(UpperCase(Trim(text)) == "TRUE"); break;
        case ftFloat: SetAsFloat(StrToFloat(text)); break;
        case ftCurrency: SetAsCurrency(StrToCurr(text)); break;
        case ftBCD: SetAsBCD(StrToCurr(text)); break;
        case ftDate: SetAsDate(StrToDateTime(text)); break;
        case ftTime: SetAsTime(StrToDateTime(text)); break;
        case ftDateTime: SetAsDateTime(StrToDateTime(text)); break;
        case ftBlob: SetAsBlob(AsBytes(text)); break;
        case ftMemo: SetAsMemo(text); break;
        case ftLargeint: SetAsLargeInt(StrToInt64(text)); break;
        case ftOraBlob: SetAsBlob(AsBytes(text)); dataType_ = ftOraBlob; break;
        case ftOraClob: SetAsMemo(text); dataType_ = ftOraClob; break;
        case ftTimeStamp: {
            TSQLTimeStamp ts;
            if (!TryStrToSQLTimeStamp(text, ts)) throw EConvertError("'" + std::string(text) + "' is not a valid timestamp");
            SetAsSQLTimeStamp(ts);
            break;
        }
        case ftFMTBcd: SetAsFMTBCD(StrToBcd(text)); break;
        default: break;
    }
}

}  // namespace ordo
