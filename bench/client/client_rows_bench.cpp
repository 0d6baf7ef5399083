// Rows arriving into a client data set and read back through its fields, as a select reply does.
#include <benchmark/benchmark.h>

#include "client/client_data_set.h"
#include "resultset/field_defs_codec.h"
#include "resultset/row_text_codec.h"

namespace ordo {
namespace {

std::string Rows(int count) {
    TOrdoRowTextWriter w;
    for (int i = 0; i < count; ++i) {
        w.AddText("B" + std::to_string(i));
        w.AddText("2024-01-01");
        w.AddFloat(i * 1.25);
        w.EndRow();
    }
    w.EndOfData();
    return w.Take();
}

const std::string kDefs = EncodeFieldDefinitions(
    std::vector<TOrdoFieldDef>{{"CODE", ftString, 10}, {"DAY", ftString, 10}, {"AMOUNT", ftFloat, 8}});

void BM_RowsArriveAndAreRead(benchmark::State& state) {
    const std::string rows = Rows(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TOrdoClientDataSet ds;
        ds.FieldDefsArrived(kDefs);
        ds.RowsArrived(0, rows);
        ds.OfflineData().Active = true;
        ds.Open();
        double total = 0;
        for (ds.First(); !ds.Eof(); ds.Next()) total += ds.FieldByName("AMOUNT").AsFloat();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(rows.size()));
}
BENCHMARK(BM_RowsArriveAndAreRead)->Arg(100)->Arg(10000);

}  // namespace
}  // namespace ordo

BENCHMARK_MAIN();
