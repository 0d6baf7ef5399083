// Frames cut from received bytes. The same bytes must give the same frames however the network
// happened to split them, as long as no bad length made either run throw its buffer away.
#include <deque>

#include "codec/message_stack.h"
#include "fuzz/fuzz_input.h"

namespace {

std::deque<ordo::Bytes> Cut(ordo::ByteView bytes, std::uint8_t chunkSeed, std::size_t& discards,
                            std::size_t& buffered) {
    ordo::TOrdoMessageStack stack;
    std::deque<ordo::Bytes> frames;
    std::size_t pos = 0;
    std::uint32_t state = chunkSeed;
    while (pos < bytes.size()) {
        std::size_t chunk = bytes.size() - pos;
        if (chunkSeed != 0) {
            state = state * 1103515245u + 12345u;
            chunk = std::min<std::size_t>(chunk, 1 + (state >> 16) % 97);
        }
        stack.AddData(bytes.subspan(pos, chunk));
        pos += chunk;
        while (stack.HasMessages()) frames.push_back(stack.PopMessage());
    }
    discards = stack.DiscardCount();
    buffered = stack.Buffered();
    ordo::fuzz::Require(stack.Capacity() % ordo::TOrdoMessageStack::kGrowthStep == 0, "buffer growth step");
    return frames;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ordo::fuzz::Input in(data, size);
    const std::uint8_t chunkSeed = in.TakeByte() | 1;
    const ordo::ByteView bytes = in.Rest();

    std::size_t wholeDiscards = 0, wholeBuffered = 0, splitDiscards = 0, splitBuffered = 0;
    const auto whole = Cut(bytes, 0, wholeDiscards, wholeBuffered);
    const auto split = Cut(bytes, chunkSeed, splitDiscards, splitBuffered);

    std::size_t framed = 0;
    for (const auto& f : whole) framed += 4 + f.size();
    ordo::fuzz::Require(framed <= bytes.size(), "frames hold no more than was received");
    if (wholeDiscards == 0 && splitDiscards == 0) {
        ordo::fuzz::Require(whole == split, "frames do not depend on how the bytes arrived");
        ordo::fuzz::Require(wholeBuffered == splitBuffered, "left-over bytes do not depend on the split");
    }
    return 0;
}
