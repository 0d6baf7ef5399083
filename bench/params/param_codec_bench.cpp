// Parameter list string encode and decode: a typical request's mixed list, and one large blob.
#include <benchmark/benchmark.h>

#include "params/param_list.h"

namespace ordo {
namespace {

TOrdoParamList MixedList() {
    TOrdoParamList list;
    list.CreateParam(ftInteger, "BUYERCD", ptInput).SetAsInteger(104233);
    list.CreateParam(ftString, "BUYERNM", ptInput).SetAsString("Walk-in customer");
    list.CreateParam(ftFloat, "RATE", ptInput).SetAsFloat(0.125);
    list.CreateParam(ftCurrency, "AMOUNT", ptInput).SetAsCurrency(Currency::FromRaw(123456789));
    list.CreateParam(ftDate, "ILJA", ptInput).SetAsDate(45292);
    list.CreateParam(ftBoolean, "CLOSED", ptInput).SetAsBoolean(false);
    list.CreateParam(ftLargeint, "JPNO", ptInput).SetAsLargeInt(20240101000123);
    list.CreateParam(ftString, "DEPTNM", ptInput);
    list.CreateParam(ftMemo, "NOTE", ptInput).SetAsMemo("delivered before noon; invoice follows");
    list.CreateParam(ftInteger, "ROWS", ptOutput);
    return list;
}

TOrdoParamList BlobList(std::size_t size) {
    TOrdoParamList list;
    Bytes blob(size);
    for (std::size_t i = 0; i < size; ++i) blob[i] = static_cast<std::uint8_t>(i * 131 + 7);
    list.CreateParam(ftBlob, "DATA", ptInput).SetAsBlob(blob);
    return list;
}

void BM_EncodeMixed10(benchmark::State& state) {
    const TOrdoParamList list = MixedList();
    for (auto _ : state) {
        Bytes out = list.SaveToString();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel("items = lists");
}
BENCHMARK(BM_EncodeMixed10);

void BM_DecodeMixed10(benchmark::State& state) {
    const Bytes data = MixedList().SaveToString();
    for (auto _ : state) {
        TOrdoParamList list = TOrdoParamList::CreateFromString(data);
        benchmark::DoNotOptimize(list.Count());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_DecodeMixed10);

void BM_EncodeBlob(benchmark::State& state) {
    const TOrdoParamList list = BlobList(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        Bytes out = list.SaveToString();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_EncodeBlob)->Arg(1 << 20);

void BM_DecodeBlob(benchmark::State& state) {
    const Bytes data = BlobList(static_cast<std::size_t>(state.range(0))).SaveToString();
    for (auto _ : state) {
        TOrdoParamList list = TOrdoParamList::CreateFromString(data);
        benchmark::DoNotOptimize(list[0].ValueBytes().data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DecodeBlob)->Arg(1 << 20);

}  // namespace
}  // namespace ordo

BENCHMARK_MAIN();
