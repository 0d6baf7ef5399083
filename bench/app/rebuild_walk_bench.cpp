// The balance rebuild's own processing, without the network: the ledger query's 100,001 rows (one buyer, one
// voucher a day, the carried-in balance first) decoded into a real client data set with the field sizes
// ordo-server declares for that query over UTF-8, then the rebuild walking them and writing every statement,
// its requests answered at once. Two figures a query row: decoding the rows, and the walk with its texts.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/balance_rebuild.h"
#include "app/component_ports.h"
#include "bench/support/rebuild_stubs.h"
#include "dataset/ordo_data_set.h"
#include "resultset/field_defs_codec.h"
#include "resultset/row_text_codec.h"

namespace ordo {
namespace {

constexpr int kVouchers = 100000;

std::vector<TOrdoFieldDef> LedgerQueryFields() {
    std::vector<TOrdoFieldDef> defs = {{"GB", ftString, 8},      {"JPNO", ftString, 80},    {"JPGB", ftString, 40},
                                       {"JPNY", ftString, 824},  {"ILJA", ftString, 40},    {"BUYERCD", ftString, 80},
                                       {"BUYERNM", ftString, 400}, {"DEPTNM", ftString, 400}};
    for (const char* amount : {"SALEAMT", "BPAMT", "MSAMT", "TOTALAMT", "GGGAMT", "TAXAMT", "IGCASH", "IGCARD",
                               "IGSPG", "IGJRG", "IGCP1", "IGCP2", "MISUAMT", "DCAMT", "CUTAMT", "BELAMT", "IGBANK",
                               "IGEE", "HMSAMT"})
        defs.push_back({amount, ftBCD, 2});
    defs.push_back({"CASHYSJBH", ftString, 40});
    defs.push_back({"TAXBHGB", ftString, 40});
    defs.push_back({"SEL", ftString, 4});
    return defs;
}

std::string Date(int day) {
    // Days from 1750-01-01 on; the walk only compares them, so a plain counter spelled as a date will do.
    char buf[24];  // room for any int, so the compiler can see nothing is cut
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", 1750 + day / 336, 1 + day / 28 % 12, 1 + day % 28);
    return buf;
}

std::string LedgerQueryRows() {
    TOrdoRowTextWriter w;
    w.Reserve(static_cast<std::size_t>(kVouchers + 1) * 200);
    const auto money = [&](long long cents) { w.AddCurrency(Currency::FromRaw(cents * 100)); };
    for (int i = -1; i < kVouchers; ++i) {
        const bool carried = i < 0, collection = i % 10 == 9, sale = !carried && !collection;
        w.AddText(carried ? "11" : collection ? "31" : "21");
        w.AddText(carried ? " " : Date(i) + "-1");
        w.AddText(carried ? "" : collection ? "IGJG" : "MJSL");
        w.AddText(carried ? "전미수" : collection ? "외상수금" : "매출");
        w.AddText(Date(i));
        w.AddText("B0001");
        w.AddText("BIGBUYER");
        w.AddNull();
        const long long amounts[19] = {sale ? 1000000 + i % 5000 * 100 + 50 : 0, 0, 0, sale ? 1000050 : 0, 0, 0,
                                       collection ? 2000000 : i % 4 * 100000, sale ? i % 7 * 50000 : 0, 0, 0, 0, 0,
                                       0, i % 5 * 1000, i % 2 * 500, 0, collection ? 1000000 : 0, 0,
                                       carried ? 100000000 : 0};
        for (long long a : amounts) money(a);
        w.AddText("N");
        w.AddText("N");
        w.AddText("N");
        w.EndRow();
    }
    w.EndOfData();
    return w.Take();
}

const std::string& Rows() {
    static const std::string rows = LedgerQueryRows();
    return rows;
}

void Fill(TOrdoCustomDataSet& ds) {
    std::vector<std::string> entries;
    for (const TOrdoFieldDef& d : DecodeFieldDefinitions(EncodeFieldDefinitions(LedgerQueryFields())))
        entries.push_back(FieldDescription(d));
    ds.Close();
    ds.SetFieldDescriptions(entries);
    ds.DiscardRows();
    ds.CreateRowList(true);
    ds.SetOwnsRowList(true);
    ds.DecodeRowText(Rows());
}

/// The query data set: already holding the rows the server would send.
class TFilledQuery final : public TDataSetReader {
public:
    explicit TFilledQuery(TOrdoCustomDataSet& ds) : TDataSetReader(ds), ds_(ds) {}
    void UseProgramSocket() override {}
    void ClearSQL() override {}
    void AddSQL(const std::string&) override {}
    void SetActive(bool) override {}
    void Close() override {}
    void Open() override {
        if (!ds_.Active()) ds_.Open();
        confirmed_.Confirm();
    }
    void ExecuteSQL() override {}
    TOrdoRequestOutcome LastRequestOutcome() override { return confirmed_.Confirmed(); }

private:
    TOrdoCustomDataSet& ds_;
    bench::TConfirmedRequests confirmed_;
};

/// The write data set: keeps the size of what it was asked to send, so nothing is optimised away.
class TCountingWrites final : public bench::TWriteOnlyDataSet {
public:
    void Open() override {}
    void ExecuteSQL() override {
        confirmed_.Confirm();
        bytes += Sql().size();
        ++requests;
    }
    std::size_t bytes = 0;
    int requests = 0;
};

void BM_DecodeLedgerQueryRows(benchmark::State& state) {
    for (auto _ : state) {
        TOrdoCustomDataSet ds;
        Fill(ds);
        benchmark::DoNotOptimize(ds.RowList()->Count());
    }
    state.counters["ns_per_row"] = benchmark::Counter(static_cast<double>(kVouchers + 1),
                                                      benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
}

void BM_LedgerWalk(benchmark::State& state) {
    TOrdoCustomDataSet ds;
    Fill(ds);
    TFilledQuery query(ds);
    bench::TConfirmingSocket socket;
    bench::TNoView view;
    TStatementRunner runner(
        {socket, view, [] { return true; }, [] { return std::string("127.0.0.1(BENCH)"); }});
    TCountingWrites writes;
    for (auto _ : state) {
        TBalanceRebuild rebuild(runner, query, writes);
        if (!rebuild.RebuildBalance("B0001", "BIGBUYER", "1750-01-01")) state.SkipWithError("the rebuild failed");
    }
    state.counters["ns_per_row"] = benchmark::Counter(static_cast<double>(kVouchers + 1),
                                                      benchmark::Counter::kIsIterationInvariantRate |
                                                          benchmark::Counter::kInvert);
    state.counters["requests"] = static_cast<double>(writes.requests) / static_cast<double>(state.iterations());
    state.counters["MB_sent"] = static_cast<double>(writes.bytes) / 1e6 / static_cast<double>(state.iterations());
}

BENCHMARK(BM_DecodeLedgerQueryRows)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_LedgerWalk)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
}  // namespace ordo

BENCHMARK_MAIN();
