// Throughput of the receive path's pieces: frame cutting, DES and zlib.
#include <benchmark/benchmark.h>

#include <random>

#include "codec/des.h"
#include "codec/message_stack.h"
#include "codec/zlib_codec.h"

namespace ordo {
namespace {

Bytes RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

Bytes FrameStream(std::size_t frames, std::size_t bodySize) {
    const Bytes frame = PrefixFrame(RandomBytes(bodySize, 1));
    Bytes wire;
    wire.reserve(frames * frame.size() + 1);
    for (std::size_t i = 0; i < frames; ++i) wire.insert(wire.end(), frame.begin(), frame.end());
    return wire;
}

// Many small frames fed in reads of `range(1)` bytes: the cost per byte must not grow with
// the number of frames one read brings.
void BM_CutSmallFrames(benchmark::State& state) {
    const auto frames = static_cast<std::size_t>(state.range(0));
    const auto readSize = static_cast<std::size_t>(state.range(1));
    const Bytes wire = FrameStream(frames, 60);
    for (auto _ : state) {
        TOrdoMessageStack stack;
        for (std::size_t pos = 0; pos < wire.size(); pos += readSize)
            stack.AddData(ByteView(wire).subspan(pos, std::min(readSize, wire.size() - pos)));
        while (stack.HasMessages()) benchmark::DoNotOptimize(stack.PopMessage());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(wire.size()));
}
BENCHMARK(BM_CutSmallFrames)->Args({10'000, 4096})->Args({100'000, 4096})->Args({100'000, 1 << 20})
    ->Args({100'000, 64 << 20});

// Large frames arriving in 4096-byte reads, as the socket reads them.
void BM_CutLargeFrames(benchmark::State& state) {
    const auto bodySize = static_cast<std::size_t>(state.range(0));
    const auto readSize = static_cast<std::size_t>(state.range(1));
    const Bytes wire = FrameStream(4, bodySize);
    for (auto _ : state) {
        TOrdoMessageStack stack;
        for (std::size_t pos = 0; pos < wire.size(); pos += readSize)
            stack.AddData(ByteView(wire).subspan(pos, std::min(readSize, wire.size() - pos)));
        while (stack.HasMessages()) benchmark::DoNotOptimize(stack.PopMessage());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(wire.size()));
}
BENCHMARK(BM_CutLargeFrames)->Args({8 << 20, 4096})->Args({8 << 20, 1 << 20})->Args({64 << 20, 64 << 20})
    ->Unit(benchmark::kMillisecond);

void BM_DESEncrypt(benchmark::State& state) {
    const TOrdoDESKey key("bench-key");
    const Bytes data = RandomBytes(static_cast<std::size_t>(state.range(0)), 2);
    for (auto _ : state) benchmark::DoNotOptimize(DESEncryptBody(key, data));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_DESEncrypt)->Arg(64)->Arg(1 << 20);

void BM_DESDecrypt(benchmark::State& state) {
    const TOrdoDESKey key("bench-key");
    const Bytes body = DESEncryptBody(key, RandomBytes(static_cast<std::size_t>(state.range(0)), 3));
    for (auto _ : state) benchmark::DoNotOptimize(DESDecryptBody(key, body));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(body.size() - 4));
}
BENCHMARK(BM_DESDecrypt)->Arg(1 << 20);

void BM_DESKeySchedule(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(TOrdoDESKey("bench-key"));
}
BENCHMARK(BM_DESKeySchedule);

// Row texts: repetitive, like the tab-separated rows the server sends.
Bytes RowsLikeText(std::size_t n) {
    std::mt19937 rng(4);
    std::string s;
    while (s.size() < n) s += std::to_string(rng() % 100000) + "\t홍길동\t2024-03-0" + std::to_string(rng() % 9) + "\r\n";
    s.resize(n);
    return ToBytes(s);
}

void BM_ZLibCompress(benchmark::State& state) {
    const Bytes data = RowsLikeText(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(ZLibCompress(data));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_ZLibCompress)->Arg(4096)->Arg(4 << 20);

void BM_ZLibDecompress(benchmark::State& state) {
    const Bytes data = RowsLikeText(static_cast<std::size_t>(state.range(0)));
    const Bytes z = ZLibCompress(data);
    for (auto _ : state) benchmark::DoNotOptimize(ZLibDecompress(z));
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_ZLibDecompress)->Arg(4096)->Arg(4 << 20);

}  // namespace
}  // namespace ordo

BENCHMARK_MAIN();
