#pragma once
// Fills a data set the way replies do: field definitions first, then row text.
#include <string>
#include <vector>

#include "dataset/ordo_data_set.h"
#include "resultset/field_defs_codec.h"
#include "resultset/row_text_codec.h"

namespace ordo::test {

inline void Arrive(TOrdoCustomDataSet& ds, const std::vector<TOrdoFieldDef>& defs, const std::string& rowText) {
    std::vector<std::string> entries;
    for (const TOrdoFieldDef& d : DecodeFieldDefinitions(EncodeFieldDefinitions(defs))) entries.push_back(FieldDescription(d));
    ds.Close();
    ds.SetFieldDescriptions(entries);
    ds.DiscardRows();
    ds.CreateRowList(true);
    ds.SetOwnsRowList(true);
    ds.DecodeRowText(rowText);
}

}  // namespace ordo::test
