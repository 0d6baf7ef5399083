#include "net/message_stack.h"

#include <gtest/gtest.h>

#include <random>

#include "platform/wire.h"

namespace ordo {
namespace {

Bytes Body(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7);
    return b;
}

Bytes Concat(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Prefix(std::int32_t n) {
    Bytes b;
    AppendI32LE(b, n);
    return b;
}

std::vector<Bytes> Drain(TOrdoMessageStack& stack) {
    std::vector<Bytes> out;
    while (stack.HasMessages()) out.push_back(stack.PopMessage());
    return out;
}

// Frames of mixed sizes, an empty one among them, plus one trailing byte so it can be cut.
struct Stream {
    std::vector<Bytes> bodies{Body(1, 1), Body(50, 2), Body(0, 3), Body(4096, 4), Body(3, 5), Body(9000, 6)};
    Bytes wire;
    Stream() {
        for (const Bytes& b : bodies) {
            const Bytes f = PrefixFrame(b);
            wire.insert(wire.end(), f.begin(), f.end());
        }
    }
};

TEST(TOrdoMessageStack, WholeStreamInOneReadDeliversEveryFrameInOrder) {
    Stream s;
    TOrdoMessageStack stack;
    stack.AddData(s.wire);
    EXPECT_EQ(Drain(stack), s.bodies);
    EXPECT_EQ(stack.Buffered(), 0u);
}

TEST(TOrdoMessageStack, ByteByByteDeliversEachFrameOnceAfterItsLastByte) {
    Stream s;
    TOrdoMessageStack stack;
    std::vector<Bytes> got;
    for (std::size_t i = 0; i < s.wire.size(); ++i) {
        stack.AddData(ByteView(s.wire).subspan(i, 1));
        for (Bytes& b : Drain(stack)) got.push_back(std::move(b));
    }
    EXPECT_EQ(got, s.bodies);
}

TEST(TOrdoMessageStack, SplitAtEveryOffsetGivesTheSameFrames) {
    Stream s;
    for (std::size_t cut = 0; cut <= s.wire.size(); cut += (cut < 200 ? 1 : 97)) {
        SCOPED_TRACE(cut);
        TOrdoMessageStack stack;
        stack.AddData(ByteView(s.wire).first(cut));
        stack.AddData(ByteView(s.wire).subspan(cut));
        ASSERT_EQ(Drain(stack), s.bodies);
    }
}

TEST(TOrdoMessageStack, RandomReadSizesGiveTheSameFrames) {
    std::mt19937 rng(20240611);
    std::vector<Bytes> bodies;
    Bytes wire;
    for (int i = 0; i < 300; ++i) {
        bodies.push_back(Body(rng() % (i % 10 == 0 ? 20000 : 40), static_cast<std::uint8_t>(i)));
        const Bytes f = PrefixFrame(bodies.back());
        wire.insert(wire.end(), f.begin(), f.end());
    }
    wire.push_back(0);  // lets a last empty frame be cut
    TOrdoMessageStack stack;
    std::vector<Bytes> got;
    for (std::size_t pos = 0; pos < wire.size();) {
        const std::size_t n = std::min<std::size_t>(wire.size() - pos, 1 + rng() % 6000);
        stack.AddData(ByteView(wire).subspan(pos, n));
        pos += n;
        for (Bytes& b : Drain(stack)) got.push_back(std::move(b));
    }
    EXPECT_EQ(got, bodies);
    EXPECT_EQ(stack.Buffered(), 1u);
}

TEST(TOrdoMessageStack, EmptyFrameWaitsForOneMoreByte) {
    TOrdoMessageStack stack;
    stack.AddData(Prefix(0));
    EXPECT_FALSE(stack.HasMessages());
    stack.AddData(Bytes{7});
    ASSERT_TRUE(stack.HasMessages());
    EXPECT_TRUE(stack.PopMessage().empty());
    EXPECT_EQ(stack.Buffered(), 1u);
}

TEST(TOrdoMessageStack, LengthAtTheLimitWaitsAndBeyondItDiscards) {
    TOrdoMessageStack stack;
    Bytes atLimit = Prefix(TOrdoMessageStack::kMaxFrameLength);
    atLimit.resize(5000, 1);
    stack.AddData(atLimit);
    EXPECT_EQ(stack.Buffered(), 5000u);
    EXPECT_EQ(stack.DiscardCount(), 0u);

    for (std::int32_t bad : {TOrdoMessageStack::kMaxFrameLength + 1, -3, -100, INT32_MIN}) {
        SCOPED_TRACE(bad);
        TOrdoMessageStack s2;
        s2.AddData(Concat({PrefixFrame(Body(3, 1)), Prefix(bad), Bytes{1, 2}, PrefixFrame(Body(2, 9))}));
        EXPECT_EQ(Drain(s2), std::vector<Bytes>{Body(3, 1)}) << "only frames before the bad prefix";
        EXPECT_EQ(s2.Buffered(), 0u) << "the rest of that read is gone";
        EXPECT_EQ(s2.DiscardCount(), 1u);
        s2.AddData(PrefixFrame(Body(2, 9)));
        EXPECT_EQ(Drain(s2), std::vector<Bytes>{Body(2, 9)}) << "cutting starts fresh afterwards";
    }
}

TEST(TOrdoMessageStack, BadPrefixInALaterReadDiscardsWhatWasBuffered) {
    const Bytes frame = PrefixFrame(Body(100, 3));
    TOrdoMessageStack stack;
    stack.AddData(ByteView(frame).first(60));
    // The read that completes the pending frame goes on with a bad prefix and a good frame.
    stack.AddData(Concat({Bytes(frame.begin() + 60, frame.end()), Prefix(-9), PrefixFrame(Body(4, 4))}));
    EXPECT_EQ(Drain(stack), std::vector<Bytes>{Body(100, 3)});
    EXPECT_EQ(stack.Buffered(), 0u);

    // Half a prefix buffered, the other half arrives bad: the buffered half goes too.
    const Bytes bad = Prefix(-9);
    stack.AddData(ByteView(bad).first(2));
    stack.AddData(Concat({Bytes(bad.begin() + 2, bad.end()), PrefixFrame(Body(4, 4))}));
    EXPECT_FALSE(stack.HasMessages());
    EXPECT_EQ(stack.Buffered(), 0u);
    EXPECT_EQ(stack.DiscardCount(), 2u);
}

TEST(TOrdoMessageStack, MarkersAreSkipped) {
    TOrdoMessageStack stack;
    stack.AddData(Concat({Prefix(-1), Prefix(-2), PrefixFrame(Body(5, 1)), Prefix(-2), PrefixFrame(Body(2, 2))}));
    EXPECT_EQ(Drain(stack), (std::vector<Bytes>{Body(5, 1), Body(2, 2)}));
    EXPECT_EQ(stack.DiscardCount(), 0u);
}

TEST(TOrdoMessageStack, PartialFramesGrowTheBufferInWholeSteps) {
    const Bytes body = Body(TOrdoMessageStack::kLargeFrame - 1, 8);
    const Bytes frame = PrefixFrame(body);
    TOrdoMessageStack stack;
    std::size_t grew = 0, last = 0;
    for (std::size_t pos = 0; pos < frame.size(); pos += 1000) {
        stack.AddData(ByteView(frame).subspan(pos, std::min<std::size_t>(1000, frame.size() - pos)));
        ASSERT_EQ(stack.Capacity() % TOrdoMessageStack::kGrowthStep, 0u);
        grew += stack.Capacity() != last;
        last = stack.Capacity();
    }
    EXPECT_GT(grew, 1u);
    EXPECT_LE(grew, 6u) << "growth doubles rather than adding one step per read";
    ASSERT_TRUE(stack.HasMessages());
    EXPECT_EQ(stack.PopMessage(), body);
    EXPECT_THROW(stack.PopMessage(), EListError);
}

TEST(TOrdoMessageStack, LargeFramesSplitAnywhereArriveWhole) {
    const std::vector<Bytes> bodies{Body(300'000, 1), Body(10, 2), Body(TOrdoMessageStack::kLargeFrame, 3)};
    Bytes wire;
    for (const Bytes& b : bodies) {
        const Bytes f = PrefixFrame(b);
        wire.insert(wire.end(), f.begin(), f.end());
    }
    for (std::size_t read : {1u, 2u, 3u, 4096u, 65'539u, 300'003u, 800'000u}) {
        SCOPED_TRACE(read);
        TOrdoMessageStack stack;
        std::vector<Bytes> got;
        for (std::size_t pos = 0; pos < wire.size(); pos += read) {
            stack.AddData(ByteView(wire).subspan(pos, std::min(read, wire.size() - pos)));
            if (pos == 2 * read && read < 100) {
                EXPECT_EQ(stack.Buffered(), 3 * read);
            }
            for (Bytes& b : Drain(stack)) got.push_back(std::move(b));
        }
        ASSERT_EQ(got, bodies);
        EXPECT_EQ(stack.Buffered(), 0u);
    }
}

TEST(PrefixFrame, PutsTheLittleEndianLengthInFront) {
    EXPECT_EQ(PrefixFrame(Bytes{9, 8}), (Bytes{2, 0, 0, 0, 9, 8}));
    EXPECT_EQ(PrefixFrame(Bytes(300)).size(), 304u);
    EXPECT_EQ(LoadI32LE(PrefixFrame(Bytes(300)).data()), 300);
}

}  // namespace
}  // namespace ordo
