#include "codec/zlib_codec.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <string>

#include "codec/transforms.h"

namespace ordo {
namespace {

constexpr std::size_t kStep = 256;
// zlib counts in 32-bit units; one call never gets more than this.
constexpr std::size_t kChunkMax = std::numeric_limits<uInt>::max() / 2;

std::size_t RoundUp256(std::size_t n) noexcept { return (n + kStep - 1) / kStep * kStep; }

[[noreturn]] void Fail(const char* prefix, int code) {
    throw EOrdoTransformError(std::string(prefix) + zError(code));
}

// Ends the zlib stream whatever way the function leaves.
template <int (*End)(z_stream*)>
struct StreamGuard {
    z_stream* s;
    ~StreamGuard() { End(s); }
};

uInt Chunk(std::size_t n) noexcept { return static_cast<uInt>(std::min(n, kChunkMax)); }

}  // namespace

Bytes ZLibCompress(ByteView data) {
    z_stream s{};
    int rc = deflateInit2(&s, 1, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY);
    if (rc != Z_OK) Fail("Compression error: ", rc);
    StreamGuard<deflateEnd> guard{&s};
    Bytes out(RoundUp256(data.size() + data.size() / 10 + 12));
    s.next_in = const_cast<Bytef*>(data.data());
    std::size_t inLeft = data.size();
    std::size_t produced = 0;
    for (;;) {
        if (produced == out.size()) out.resize(out.size() + std::max(kStep, RoundUp256(out.size() / 2)));
        const uInt inChunk = Chunk(inLeft);
        const uInt outChunk = Chunk(out.size() - produced);
        s.avail_in = inChunk;
        s.next_out = out.data() + produced;
        s.avail_out = outChunk;
        rc = deflate(&s, inLeft == inChunk ? Z_FINISH : Z_NO_FLUSH);
        inLeft -= inChunk - s.avail_in;
        produced += outChunk - s.avail_out;
        if (rc == Z_STREAM_END) break;
        if (rc < 0 && rc != Z_BUF_ERROR) Fail("Compression error: ", rc);
    }
    out.resize(produced);
    return out;
}

Bytes ZLibDecompress(ByteView data, std::size_t maxOutput) {
    z_stream s{};
    int rc = inflateInit2(&s, 15);
    if (rc != Z_OK) Fail("Decompression error: ", rc);
    StreamGuard<inflateEnd> guard{&s};
    const std::size_t step = std::max(kStep, RoundUp256(data.size()));
    Bytes out(std::min(step, std::max(maxOutput, std::size_t{1})));
    s.next_in = const_cast<Bytef*>(data.data());
    std::size_t inLeft = data.size();
    std::size_t produced = 0;
    for (;;) {
        if (produced == out.size()) {
            if (out.size() >= maxOutput)
                throw EOrdoTransformError("Decompression error: output exceeds " + std::to_string(maxOutput) + " bytes");
            // Doubling: a highly compressed body grows its buffer a few times, not once per step.
            out.resize(std::min(maxOutput, out.size() + std::max(step, out.size())));
        }
        const uInt inChunk = Chunk(inLeft);
        const uInt outChunk = Chunk(out.size() - produced);
        s.avail_in = inChunk;
        s.next_out = out.data() + produced;
        s.avail_out = outChunk;
        rc = inflate(&s, Z_NO_FLUSH);
        const std::size_t consumed = inChunk - s.avail_in;
        const std::size_t made = outChunk - s.avail_out;
        inLeft -= consumed;
        produced += made;
        if (rc == Z_STREAM_END) break;
        // A preset dictionary is never agreed on this wire; waiting for one would loop forever.
        if (rc == Z_NEED_DICT) Fail("Decompression error: ", rc);
        if (rc < 0 && rc != Z_BUF_ERROR) Fail("Decompression error: ", rc);
        // No progress with all input offered and room left: the stream is cut short.
        if (consumed == 0 && made == 0 && produced < out.size()) Fail("Decompression error: ", Z_BUF_ERROR);
    }
    out.resize(produced);
    return out;
}

std::string InflateRowsText(std::string_view compressed) {
    return ToString(ZLibDecompress(AsBytes(compressed)));
}

}  // namespace ordo
