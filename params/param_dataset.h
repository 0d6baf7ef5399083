#pragma once
// Parameters meet data sets: item from field, field from item, a list from a data set of
// definitions, and a data set from an item's bytes. Templates, so that the parameter
// library does not depend on the data set library, which depends on it; any data set and
// field class with the usual framework members fit (TDataSet / TField / TOrdoDataSet).
#include <memory>

#include "core/memory_stream.h"
#include "params/param_list.h"

namespace ordo {

/// Name (only when the item has none), DataType and Size from the field, then the value
/// through the setter of the field's type. Text, memo and blob setters give the item the
/// field's own type back, so ftFixedChar, ftWideString, ftGuid, ftOraBlob and ftOraClob
/// survive; types without a setter of their own (ftAutoInc included) go through Value.
template <class Field>
void AssignFromField(TOrdoParamItem& item, const Field& field) {
    if (item.Name().empty()) item.SetName(field.FieldName());
    const TFieldType type = field.DataType();
    item.SetDataType(type);
    item.SetSize(field.Size());
    if (field.IsNull()) {
        item.Clear();
        return;
    }
    switch (type) {
        case ftString: case ftFixedChar: case ftWideString: case ftGuid:
            item.SetAsString(field.AsString());
            break;
        case ftMemo: case ftOraClob:
            item.SetAsMemo(field.AsString());
            break;
        case ftBlob: case ftOraBlob:
            item.SetAsBlob(field.AsBytes());
            break;
        case ftBoolean: item.SetAsBoolean(field.AsBoolean()); return;
        case ftSmallint: item.SetAsSmallint(field.AsInteger()); return;
        case ftWord: item.SetAsWord(field.AsInteger()); return;
        case ftInteger: item.SetAsInteger(field.AsInteger()); return;
        case ftLargeint: item.SetAsLargeInt(field.AsLargeInt()); return;
        case ftFloat: item.SetAsFloat(field.AsFloat()); return;
        case ftCurrency: item.SetAsCurrency(field.AsCurrency()); return;
        case ftBCD: item.SetAsBCD(field.AsCurrency()); return;
        case ftFMTBcd: item.SetAsFMTBCD(field.Value().AsBcd()); return;
        case ftTimeStamp: item.SetAsSQLTimeStamp(field.Value().AsSQLTimeStamp()); return;
        case ftDate: item.SetAsDate(field.AsDateTime()); return;
        case ftTime: item.SetAsTime(field.AsDateTime()); return;
        case ftDateTime: item.SetAsDateTime(field.AsDateTime()); return;
        default: item.SetValue(field.Value()); return;
    }
    // The text and blob setters typed the item as string, memo or blob.
    item.SetDataType(type);
}

/// The field's value becomes the item's Value.
template <class Field>
void AssignToField(const TOrdoParamItem& item, Field& field) {
    field.SetValue(item.Value());
}

/// Rebuilds `list` from a data set of definitions: one CreateParam per row, from the
/// integer field "Datatype", the text field "Name" and the integer field "ParamType".
/// Without a data set the list is only cleared.
template <class DataSet>
void ParamsFromDataSet(TOrdoParamList& list, DataSet* dataSet) {
    list.Clear();
    if (dataSet == nullptr) return;
    for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
        const int dataType = dataSet->FieldByName("Datatype").AsInteger();
        const int paramType = dataSet->FieldByName("ParamType").AsInteger();
        list.CreateParam(IsValidFieldType(dataType) ? static_cast<TFieldType>(dataType) : ftUnknown,
                         dataSet->FieldByName("Name").AsString(),
                         paramType >= 0 && paramType < kParamTypeCount ? static_cast<TOrdoParamType>(paramType)
                                                                       : ptUnknown);
    }
}

/// A new in-memory data set loaded from the item's bytes as a data set stream, or null
/// when the item holds no bytes. The caller owns it.
template <class DataSet>
std::unique_ptr<DataSet> AsDataSet(const TOrdoParamItem& item) {
    if (item.ValueBytes().empty()) return nullptr;
    auto dataSet = std::make_unique<DataSet>();
    TMemoryStream stream(item.ValueBytes());
    dataSet->LoadDataSetFromStream(stream);
    return dataSet;
}

}  // namespace ordo
