// Following frame boundaries across chunks for the receive progress.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/wire.h"
#include "net/receive_progress.h"

namespace ordo {
namespace {

Bytes Frame(std::size_t bodySize) {
    Bytes f;
    AppendI32LE(f, static_cast<std::int32_t>(bodySize));
    f.resize(4 + bodySize, 0xAB);
    return f;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

/// Feeds the bytes cut at the given offsets; returns "S<size>" and "P<size>/<received>" events.
std::vector<std::string> FeedCut(TReceiveProgress& progress, const Bytes& bytes, std::vector<std::size_t> cuts) {
    std::vector<std::string> events;
    cuts.push_back(bytes.size());
    std::size_t from = 0;
    for (std::size_t to : cuts) {
        progress.Feed(
            ByteView(bytes).subspan(from, to - from),
            [&](std::int64_t size) { events.push_back("S" + std::to_string(size)); },
            [&](std::int64_t size, std::int64_t got) {
                events.push_back("P" + std::to_string(size) + "/" + std::to_string(got));
            });
        from = to;
    }
    return events;
}

TEST(ReceiveProgress, AFrameStartsAtItsFirstChunkAndGrowsWithEachFurtherOne) {
    TReceiveProgress p;
    EXPECT_EQ(FeedCut(p, Frame(10000), {4096, 8192}), (std::vector<std::string>{"S10004", "P10004/8192", "P10004/10004"}));
    EXPECT_EQ(p.FrameSize(), -1);
}

TEST(ReceiveProgress, AChunkThatEndsOneFrameAndBeginsTheNextIsReadAtTheRealBoundary) {
    TReceiveProgress p;
    const Bytes bytes = Join({Frame(50), Frame(9000)});
    // The first chunk holds the small frame and the big one's start; a prefix split over chunks too.
    EXPECT_EQ(FeedCut(p, bytes, {100, 4096}), (std::vector<std::string>{"S54", "S9004", "P9004/4042", "P9004/9004"}));
    TReceiveProgress q;
    EXPECT_EQ(FeedCut(q, bytes, {56, 4000}), (std::vector<std::string>{"S54", "S9004", "P9004/9004"}));
    EXPECT_EQ(q.FrameSize(), -1);
}

TEST(ReceiveProgress, MarkersAndEmptyFramesAreStepsOverAndABadPrefixStopsUntilReset) {
    TReceiveProgress p;
    Bytes marker;
    AppendI32LE(marker, -1);
    EXPECT_EQ(FeedCut(p, Join({marker, Frame(0), Frame(3)}), {}), (std::vector<std::string>{"S4", "S7"}));
    Bytes bad;
    AppendI32LE(bad, -7);
    EXPECT_EQ(FeedCut(p, Join({bad, Frame(3)}), {}), std::vector<std::string>{});
    p.Reset();
    EXPECT_EQ(FeedCut(p, Frame(3), {}), (std::vector<std::string>{"S7"}));
}

TEST(ReceiveProgress, KnowsTheFrameUnderWayBetweenChunks) {
    TReceiveProgress p;
    FeedCut(p, Frame(1000), {300});  // all of it: between frames again
    EXPECT_EQ(p.FrameSize(), -1);
    const Bytes big = Frame(1000);
    p.Feed(ByteView(big).subspan(0, 300), nullptr, nullptr);
    EXPECT_EQ(p.FrameSize(), 1004);
    EXPECT_EQ(p.Received(), 300);
}

}  // namespace
}  // namespace ordo
