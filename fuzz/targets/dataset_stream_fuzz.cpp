// A whole data set stream, as loaded from a file or from a parameter value, and its sections
// read on their own. What loads must save again and load to the same stream.
#include "core/memory_stream.h"
#include "dataset/field.h"
#include "dataset/ordo_data_set.h"
#include "fuzz/fuzz_input.h"
#include "resultset/blob_list.h"
#include "resultset/dataset_stream.h"
#include "resultset/db_list.h"
#include "resultset/field_list.h"

namespace {

using ordo::fuzz::Tolerant;

void ReadAllRows(ordo::TOrdoDataSet& ds) {
    int seen = 0;
    for (ds.First(); !ds.Eof() && seen < 10000; ds.Next(), ++seen)
        for (int i = 0; i < ds.FieldCount(); ++i) Tolerant([&] { (void)ds.Fields(i).AsString(); });
}

void WholeDataSet(ordo::ByteView bytes) {
    ordo::TOrdoDataSet ds;
    ordo::TMemoryStream stream(ordo::Bytes(bytes.begin(), bytes.end()));
    try {
        ds.LoadDataSetFromStream(stream);
    } catch (const ordo::EOrdoError&) {
        return;
    }
    Tolerant([&] { ReadAllRows(ds); });

    ordo::TMemoryStream saved;
    try {
        ds.SaveToStream(saved);
    } catch (const ordo::EOrdoError&) {
        return;
    }
    // The stream goes back into a data set set up as its writer was: a legacy one writes no
    // header, so the options it saved under are the reader's to know.
    ordo::TOrdoDataSet second;
    second.SetStreamOptions(ds.StreamOptions());
    saved.SetPosition(0);
    second.LoadDataSetFromStream(saved);
    ordo::TMemoryStream savedAgain;
    second.SaveToStream(savedAgain);
    ordo::fuzz::Require(ordo::Bytes(saved.Memory().begin(), saved.Memory().end()) ==
                            ordo::Bytes(savedAgain.Memory().begin(), savedAgain.Memory().end()),
                        "a loaded data set saves to a stable stream");
}

void OneSection(std::uint8_t which, ordo::ByteView bytes) {
    ordo::TMemoryStream stream(ordo::Bytes(bytes.begin(), bytes.end()));
    switch (which % 6) {
        case 0: Tolerant([&] { ordo::TOrdoFieldList().LoadFromStream(stream); }); break;
        case 1: Tolerant([&] { ordo::TOrdoDBList().LoadFromStream(stream); }); break;
        case 2: Tolerant([&] { ordo::TOrdoBlobList().LoadFromStream(stream); }); break;
        case 3: Tolerant([&] { (void)ordo::ReadIndexesSection(stream); }); break;
        case 4: Tolerant([&] { (void)ordo::ReadAggregatesSection(stream); }); break;
        default: Tolerant([&] { (void)ordo::ReadStreamHeader(stream); }); break;
    }
    ordo::fuzz::Require(stream.Position() <= stream.Size(), "a reader stays inside its stream");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ordo::fuzz::Input in(data, size);
    const std::uint8_t which = in.TakeByte();
    WholeDataSet(in.All());
    OneSection(which, in.Rest());
    return 0;
}
