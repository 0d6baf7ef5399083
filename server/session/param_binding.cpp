#include "server/session/param_binding.h"

#include "core/bcd.h"
#include "params/param_errors.h"
#include "server/session/result_encoder.h"
#include "server/sql/named_params.h"

namespace ordo::server {
namespace {

std::string ValueText(const TOrdoParamItem& item) { return ToString(item.ValueBytes()); }

FbCell ConvertParam(const TOrdoParamItem& item) {
    switch (item.DataType()) {
        case ftSmallint: return FbCell::Int(item.AsSmallint());
        case ftWord: return FbCell::Int(item.AsWord());
        case ftInteger:
        case ftAutoInc: return FbCell::Int(item.AsInteger());
        case ftLargeint: return FbCell::Int(item.AsLargeInt());
        case ftBoolean: return FbCell::Bool(item.AsBoolean());
        case ftFloat: return FbCell::Dbl(item.AsFloat());
        case ftCurrency: return FbCell::Dec(item.AsCurrency().Raw(), 4);
        case ftBCD: return FbCell::Dec(item.AsBCD().Raw(), 4);
        case ftFMTBcd: return FbCell::Txt(BcdToStr(item.AsFMTBCD(), '.'));  // the engine parses it exactly
        case ftDate: return FbCell::DateTime(FbCellKind::Date, item.AsDateTime());
        case ftTime: return FbCell::DateTime(FbCellKind::Time, item.AsDateTime());
        case ftDateTime:
        case ftTimeStamp: return FbCell::DateTime(FbCellKind::Timestamp, item.AsDateTime());
        case ftBytes:
        case ftVarBytes:
        case ftBlob:
        case ftGraphic:
        case ftTypedBinary:
        case ftOraBlob:
        case ftDataSet: return FbCell::Bin(ValueText(item));
        default: return FbCell::Txt(ValueText(item));  // strings, memos, GUIDs and untyped values
    }
}

}  // namespace

FbCell CellFromParam(const TOrdoParamItem& item) {
    if (item.IsNull()) return FbCell::Null();
    try {
        return ConvertParam(item);
    } catch (const EOrdoError& e) {
        throw EDatabaseError("Parameter " + item.Name() + " cannot be read: " + e.what());
    }
}

ParamBinder::ParamBinder(const TOrdoParamList& params) : params_(params) {
    for (int i = 0; i < params.Count(); ++i) {
        names_.push_back(params[i].Name());
        if (params[i].IsInput()) inputs_.push_back(i);
    }
}

BoundStatement ParamBinder::Bind(std::string_view sql) {
    PositionalSql pos = ToPositional(sql, names_);
    BoundStatement out{std::move(pos.sql), {}};
    for (std::size_t index : pos.order) {
        if (index != PositionalSql::kBare) {
            out.values.push_back(CellFromParam(params_[static_cast<int>(index)]));
        } else if (nextInput_ < inputs_.size()) {
            out.values.push_back(CellFromParam(params_[inputs_[nextInput_++]]));
        }
        // A bare "?" without a value left: the statement reports the missing value.
    }
    return out;
}

void SetParamFromCell(TOrdoParamItem& item, const FbColumn& column, const FbCell& v) {
    auto type = static_cast<TFieldType>(FieldDefFor(column).DataType);
    if (v.IsNull()) {
        item.SetDataType(type);
        item.Clear();
        return;
    }
    auto raw = [&](TFieldType t) {  // keeps an empty text a non-NULL empty value
        item.SetValueBytes(AsBytes(v.bytes));
        item.SetDataType(t);
        item.SetIsNull(false);
    };
    switch (v.kind) {
        case FbCellKind::Integer:
            if (type == ftSmallint) item.SetAsSmallint(static_cast<std::int32_t>(v.integer));
            else if (type == ftInteger) item.SetAsInteger(static_cast<std::int32_t>(v.integer));
            else if (type == ftBCD) item.SetAsBCD(Currency::FromInt(v.integer));
            else item.SetAsLargeInt(v.integer);
            break;
        case FbCellKind::Decimal: {
            Currency money;
            if (DecimalToCurrency(v.integer, v.scale, money)) item.SetAsBCD(money);
            else item.SetAsFMTBCD(StrToBcd(DecimalText(v.integer, v.scale)));
            break;
        }
        case FbCellKind::Real: item.SetAsFloat(v.real); break;
        case FbCellKind::Date: item.SetAsDate(v.real); break;
        case FbCellKind::Time: item.SetAsTime(v.real); break;
        case FbCellKind::Timestamp: item.SetAsDateTime(v.real); break;
        case FbCellKind::Boolean: item.SetAsBoolean(v.integer != 0); break;
        case FbCellKind::Text: raw(type == ftMemo ? ftMemo : ftString); break;
        case FbCellKind::Binary: raw(type == ftVarBytes ? ftVarBytes : ftBlob); break;
        case FbCellKind::Null: break;
    }
}

}  // namespace ordo::server
