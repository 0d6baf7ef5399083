// Row text decoding and data set stream throughput on ledger-shaped rows: 30 columns of codes,
// dates and amounts, 100 000 rows. Memory figures come from the allocator's own accounting plus the pages
// the row records are mapped in: "held" is what the row list and blobs keep after decoding, "peak" the most
// in use while it ran, both over the ideal of R bytes per row plus the blob bytes. Every round maps fresh
// pages for its records, as a program that opens one large result does.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "dataset/custom_data_set.h"
#include "resultset/field_defs_codec.h"
#include "resultset/row_text_codec.h"

namespace ordo {
namespace {

constexpr int kRows = 100000;

std::vector<TOrdoFieldDef> LedgerFields() {
    std::vector<TOrdoFieldDef> defs;
    const int codeSizes[12] = {4, 8, 10, 10, 12, 15, 20, 6, 6, 10, 4, 20};
    for (int i = 0; i < 12; ++i) defs.push_back({"CODE" + std::to_string(i), ftString, codeSizes[i]});
    for (int i = 0; i < 6; ++i) defs.push_back({"DATE" + std::to_string(i), ftString, 8});
    for (int i = 0; i < 12; ++i) defs.push_back({"AMT" + std::to_string(i), ftBCD, 19});
    return defs;
}

std::string LedgerRows() {
    TOrdoRowTextWriter w;
    w.Reserve(static_cast<std::size_t>(kRows) * 220);
    char buf[32];
    for (int r = 0; r < kRows; ++r) {
        for (int i = 0; i < 12; ++i) {
            if (i == 7 && r % 10 == 0) {
                w.AddNull();
                continue;
            }
            std::snprintf(buf, sizeof buf, "B%d", (r * 31 + i * 7) % 100000);
            w.AddText(buf);
        }
        for (int i = 0; i < 6; ++i) {
            const int day = (r + i) % 365;
            std::snprintf(buf, sizeof buf, "2024%02d%02d", 1 + day / 31 % 12, 1 + day % 28);
            w.AddText(buf);
        }
        for (int i = 0; i < 12; ++i) {
            const long long cents = (static_cast<long long>(r) * 7919 + i * 104729) % 100000000;
            std::snprintf(buf, sizeof buf, "%lld.%02lld", cents / 100, cents % 100);
            w.AddText(buf);
        }
        w.EndRow();
    }
    w.EndOfData();
    return w.Take();
}

const std::string& Payload() {
    static const std::string text = LedgerRows();
    return text;
}

std::size_t HeapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

void Fill(TOrdoCustomDataSet& ds, const std::function<void(std::size_t)>& progress = {}) {
    std::vector<std::string> entries;
    for (const TOrdoFieldDef& d : LedgerFields()) entries.push_back(FieldDescription(d));
    ds.Close();
    ds.SetFieldDescriptions(entries);
    ds.DiscardRows();
    ds.CreateRowList(true);
    ds.SetOwnsRowList(true);
    ds.DecodeRowText(Payload(), progress);
}

void BM_DecodeLedgerRows(benchmark::State& state) {
    const std::string& text = Payload();
    double held = 0;
    double peak = 0;
    double ideal = 0;
    for (auto _ : state) {
        TOrdoCustomDataSet ds;
        const std::size_t before = HeapInUse();
        std::size_t top = before;
        int rows = 0;
        const auto inUse = [&ds] { return HeapInUse() + (ds.RowList() ? ds.RowList()->RecordBytesHeld() : 0); };
        Fill(ds, [&](std::size_t) {
            if ((++rows & 1023) == 0) top = std::max(top, inUse());
        });
        state.PauseTiming();
        const std::size_t after = inUse();
        top = std::max(top, after);
        ideal = static_cast<double>(ds.RowList()->Count()) * ds.RowList()->RecordSize() + static_cast<double>(ds.BlobList().TotalBytes());
        held = static_cast<double>(after - before) / ideal;
        peak = static_cast<double>(top - before) / ideal;
        state.ResumeTiming();
    }
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows), benchmark::Counter::kIsIterationInvariantRate);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
    state.counters["payload_MB"] = static_cast<double>(text.size()) / 1e6;
    state.counters["records_MB"] = ideal / 1e6;
    state.counters["held_x"] = held;
    state.counters["peak_x"] = peak;
}
BENCHMARK(BM_DecodeLedgerRows)->Unit(benchmark::kMillisecond);

void BM_SaveDataSetStream(benchmark::State& state) {
    TOrdoCustomDataSet ds;
    Fill(ds);
    ds.Open();
    std::int64_t size = 0;
    for (auto _ : state) {
        TMemoryStream s;
        ds.SaveToStream(s);
        size = s.Size();
        benchmark::DoNotOptimize(s.Memory().data());
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["stream_MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(BM_SaveDataSetStream)->Unit(benchmark::kMillisecond);

void BM_LoadDataSetStream(benchmark::State& state) {
    TOrdoCustomDataSet source;
    Fill(source);
    source.Open();
    TMemoryStream s;
    source.SaveToStream(s);
    for (auto _ : state) {
        TOrdoCustomDataSet ds;
        s.SetPosition(0);
        ds.LoadDataSetFromStream(s);
        benchmark::DoNotOptimize(ds.RecordCount());
    }
    state.SetBytesProcessed(state.iterations() * s.Size());
}
BENCHMARK(BM_LoadDataSetStream)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ordo

BENCHMARK_MAIN();
