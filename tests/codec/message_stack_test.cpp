#include "codec/message_stack.h"

#include <gtest/gtest.h>

#include <random>

#include "core/wire.h"

namespace ordo {
namespace {

using Frames = std::vector<Bytes>;

Bytes Body(std::size_t n, std::uint8_t seed) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(seed + i * 7);
    return b;
}

Bytes Prefix(std::int32_t n) {
    Bytes b;
    AppendI32LE(b, n);
    return b;
}

Bytes Wire(const Frames& parts, bool framed = true) {
    Bytes out;
    for (const Bytes& p : parts) {
        const Bytes f = framed ? PrefixFrame(p) : p;
        out.insert(out.end(), f.begin(), f.end());
    }
    return out;
}

// Feeds `wire` in reads of `read` bytes and collects what comes out.
Frames FeedInReads(TOrdoMessageStack& stack, const Bytes& wire, std::size_t read) {
    Frames got;
    for (std::size_t pos = 0; pos < wire.size(); pos += read) {
        stack.AddData(ByteView(wire).subspan(pos, std::min(read, wire.size() - pos)));
        while (stack.HasMessages()) got.push_back(stack.PopMessage());
    }
    return got;
}

// Mixed sizes with an empty frame in the middle: it is cut once a byte stands behind it.
const Frames kBodies{Body(1, 1), Body(50, 2), Body(0, 3), Body(4096, 4), Body(3, 5), Body(9000, 6)};

TEST(TOrdoMessageStack, FramesArriveWholeInOrderHoweverTheReadsFall) {
    const Bytes wire = Wire(kBodies);
    for (std::size_t read : {wire.size(), std::size_t{1}, std::size_t{7}, std::size_t{4096}}) {
        TOrdoMessageStack stack;
        EXPECT_EQ(FeedInReads(stack, wire, read), kBodies) << "reads of " << read;
        EXPECT_EQ(stack.Buffered(), 0u);
    }
    for (std::size_t cut = 0; cut <= wire.size(); cut += (cut < 200 ? 1 : 97)) {
        TOrdoMessageStack stack;
        stack.AddData(ByteView(wire).first(cut));
        stack.AddData(ByteView(wire).subspan(cut));
        Frames got;
        while (stack.HasMessages()) got.push_back(stack.PopMessage());
        ASSERT_EQ(got, kBodies) << "split at " << cut;
    }
}

TEST(TOrdoMessageStack, RandomFramesAndReadSizes) {
    std::mt19937 rng(20240611);
    Frames bodies;
    for (int i = 0; i < 300; ++i) bodies.push_back(Body(rng() % (i % 10 == 0 ? 100'000 : 40), std::uint8_t(i)));
    Bytes wire = Wire(bodies);
    wire.push_back(0);  // lets a last empty frame be cut
    TOrdoMessageStack stack;
    Frames got;
    for (std::size_t pos = 0; pos < wire.size();) {
        const std::size_t n = std::min<std::size_t>(wire.size() - pos, 1 + rng() % 9000);
        stack.AddData(ByteView(wire).subspan(pos, n));
        pos += n;
        while (stack.HasMessages()) got.push_back(stack.PopMessage());
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
    EXPECT_THROW(stack.PopMessage(), EListError);
}

TEST(TOrdoMessageStack, BadLengthDiscardsEverythingBufferedAndCuttingStartsAfresh) {
    TOrdoMessageStack atLimit;
    Bytes big = Prefix(TOrdoMessageStack::kMaxFrameLength);
    big.resize(5000, 1);
    atLimit.AddData(big);
    EXPECT_EQ(atLimit.Buffered(), 5000u) << "the limit itself is a length to wait for";
    EXPECT_EQ(atLimit.DiscardCount(), 0u);

    for (std::int32_t bad : {TOrdoMessageStack::kMaxFrameLength + 1, -3, -100, INT32_MIN}) {
        SCOPED_TRACE(bad);
        const Bytes wire = Wire({PrefixFrame(Body(3, 1)), Prefix(bad), Bytes{1, 2}, PrefixFrame(Body(2, 9))}, false);
        for (std::size_t read : {wire.size(), std::size_t{1}}) {
            TOrdoMessageStack stack;
            EXPECT_EQ(FeedInReads(stack, wire, read), Frames{Body(3, 1)}) << "only frames before the bad prefix";
            if (read == wire.size()) {
                EXPECT_EQ(stack.Buffered(), 0u) << "the rest of that read is gone";
            }
            EXPECT_GE(stack.DiscardCount(), 1u);
            stack.Clear();
            EXPECT_EQ(FeedInReads(stack, PrefixFrame(Body(2, 9)), 100), Frames{Body(2, 9)});
        }
    }
    // A bad prefix behind a pending frame, and half a prefix buffered whose second half is bad.
    const Bytes frame = PrefixFrame(Body(100, 3));
    TOrdoMessageStack stack;
    stack.AddData(ByteView(frame).first(60));
    EXPECT_EQ(FeedInReads(stack, Wire({Bytes(frame.begin() + 60, frame.end()), Prefix(-9), PrefixFrame(Body(4, 4))}, false),
                          1000),
              Frames{Body(100, 3)});
    const Bytes bad = Prefix(-9);
    stack.AddData(ByteView(bad).first(2));
    stack.AddData(Wire({Bytes(bad.begin() + 2, bad.end()), PrefixFrame(Body(4, 4))}, false));
    EXPECT_FALSE(stack.HasMessages());
    EXPECT_EQ(stack.Buffered(), 0u);
}

TEST(TOrdoMessageStack, MarkersAreSkipped) {
    TOrdoMessageStack stack;
    const Bytes wire = Wire({Prefix(-1), Prefix(-2), PrefixFrame(Body(5, 1)), Prefix(-2), PrefixFrame(Body(2, 2))}, false);
    EXPECT_EQ(FeedInReads(stack, wire, wire.size()), (Frames{Body(5, 1), Body(2, 2)}));
    EXPECT_EQ(stack.DiscardCount(), 0u);
}

TEST(TOrdoMessageStack, PartialFramesGrowTheBufferInWholeStepsByDoubling) {
    const Bytes frame = PrefixFrame(Body(TOrdoMessageStack::kLargeFrame - 1, 8));
    TOrdoMessageStack stack;
    std::size_t growths = 0, last = 0;
    for (std::size_t pos = 0; pos < frame.size(); pos += 1000) {
        stack.AddData(ByteView(frame).subspan(pos, std::min<std::size_t>(1000, frame.size() - pos)));
        ASSERT_EQ(stack.Capacity() % TOrdoMessageStack::kGrowthStep, 0u);
        growths += stack.Capacity() != last;
        last = stack.Capacity();
    }
    EXPECT_GT(growths, 1u);
    EXPECT_LE(growths, 6u) << "not one step per read";
    EXPECT_EQ(stack.QueuedCount(), 1u);
}

TEST(TOrdoMessageStack, LargeFramesSplitAnywhereArriveWhole) {
    const Frames bodies{Body(300'000, 1), Body(10, 2), Body(TOrdoMessageStack::kLargeFrame, 3)};
    const Bytes wire = Wire(bodies);
    for (std::size_t read : {1u, 3u, 4096u, 65'539u, 300'003u, 800'000u}) {
        TOrdoMessageStack stack;
        EXPECT_EQ(FeedInReads(stack, wire, read), bodies) << "reads of " << read;
        EXPECT_EQ(stack.Buffered(), 0u);
    }
    TOrdoMessageStack stack;
    stack.AddData(ByteView(wire).first(1000));
    EXPECT_EQ(stack.Buffered(), 1000u);
}

}  // namespace
}  // namespace ordo
