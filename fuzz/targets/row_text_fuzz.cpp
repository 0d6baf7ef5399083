// A select reply as the client data set takes it: the field definitions text, then the row text
// decoded into the rows, then every field of every row read back.
//   input: uint16 LE length of the definitions text | definitions text | row text
#include <algorithm>

#include "core/wire.h"
#include "dataset/field.h"
#include "dataset/ordo_data_set.h"
#include "fuzz/fuzz_input.h"
#include "resultset/field_defs_codec.h"

namespace {

constexpr std::size_t kMaxFields = 64;

void ReadAllRows(ordo::TOrdoDataSet& ds) {
    int seen = 0;
    for (ds.First(); !ds.Eof() && seen < 10000; ds.Next(), ++seen) {
        for (int i = 0; i < ds.FieldCount(); ++i) {
            ordo::TField& field = ds.Fields(i);
            ordo::fuzz::Tolerant([&] { (void)field.AsString(); });
            ordo::fuzz::Tolerant([&] { (void)field.Value(); });
            ordo::fuzz::Tolerant([&] { (void)field.AsBytes(); });
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::size_t defsLen = std::min<std::size_t>(ordo::LoadU16LE(data), size - 2);
    const std::string_view all(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::string_view defsText = all.substr(0, defsLen);
    const std::string_view rowText = all.substr(defsLen);

    auto defs = ordo::DecodeFieldDefinitions(defsText);
    if (defs.size() > kMaxFields) defs.resize(kMaxFields);
    std::vector<std::string> entries;
    for (const auto& def : defs) entries.push_back(ordo::FieldDescription(def));

    ordo::TOrdoDataSet ds;
    ds.SetFieldDescriptions(std::move(entries));
    try {
        ds.CreateRowList(true);
    } catch (const ordo::EOrdoError&) {
        return 0;  // a layout the row list refuses (a slot too large for a record)
    }
    const int before = ds.RowList()->Count();
    ordo::TOrdoRowsDecoded decoded;
    ordo::fuzz::Tolerant([&] { decoded = ds.DecodeRowText(rowText); });
    ordo::fuzz::Require(ds.RowList()->Count() - before >= decoded.Rows,
                        "every decoded row is in the list");
    ordo::fuzz::Tolerant([&] {
        ds.Open();
        ReadAllRows(ds);
    });
    return 0;
}
