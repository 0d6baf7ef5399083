#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdint>
#include <set>

#include "resultset/record_pool.h"

namespace ordo {
namespace {

bool AllZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// Records span several chunks; each keeps its own bytes, none
// overlaps another, and every record starts zeroed, fresh or reused.
TEST(TRecordPool, RecordsAcrossChunksAreDistinctZeroedAndStable) {
    detail::TRecordPool pool;
    const std::size_t size = 2099;  // a ledger row: not a divisor of any chunk
    pool.Reset(size);
    const std::uint32_t count = 6000;  // tens of chunks of such rows
    std::vector<std::uint32_t> handles;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t h = pool.Acquire();
        auto r = pool.Record(h);
        ASSERT_EQ(r.size(), size);
        ASSERT_TRUE(AllZero(r)) << "record " << i;
        std::memset(r.data(), static_cast<int>(1 + i % 250), r.size());
        handles.push_back(h);
    }
    EXPECT_EQ(std::set<std::uint32_t>(handles.begin(), handles.end()).size(), count);
    EXPECT_GE(pool.CapacityBytes(), count * size);
    for (std::uint32_t i = 0; i < count; ++i) {
        auto r = pool.Record(handles[i]);
        ASSERT_EQ(r.front(), 1 + i % 250) << "record " << i;
        ASSERT_EQ(r.back(), 1 + i % 250) << "record " << i;
    }

    pool.Release(handles[10]);
    pool.Release(handles[5000]);
    const std::uint32_t again = pool.Acquire();
    EXPECT_TRUE(again == handles[10] || again == handles[5000]);
    EXPECT_TRUE(AllZero(pool.Record(again))) << "a reused record is zeroed again";

    pool.Reset(8);
    EXPECT_EQ(pool.CapacityBytes(), 0u);
    EXPECT_TRUE(AllZero(pool.Record(pool.Acquire())));
}

// Chunks grow from a few records to a ceiling; the handles on either side of every chunk boundary must
// land in distinct, adjacent-free places, and a small data set must not hold megabytes.
TEST(TRecordPool, GrowingChunksKeepEveryRecordInItsOwnPlace) {
    for (const std::size_t size : {std::size_t{1}, std::size_t{24}, std::size_t{2099}, std::size_t{70000},
                                   std::size_t{5u << 20}}) {
        SCOPED_TRACE(size);
        detail::TRecordPool pool;
        pool.Reset(size);
        const auto address = [&pool](std::uint32_t h) { return reinterpret_cast<std::uintptr_t>(pool.Record(h).data()); };
        std::vector<std::uintptr_t> starts = {address(pool.Acquire())};
        EXPECT_LE(pool.CapacityBytes(), std::max<std::size_t>(size, 16 * 1024));
        const std::uint32_t count = size > 100000 ? 4 : static_cast<std::uint32_t>(std::min<std::size_t>(12000, (8u << 20) / size));
        for (std::uint32_t i = 1; i < count; ++i) starts.push_back(address(pool.Acquire()));
        // No two records share a byte: sorted by address, each starts at least a record after the previous.
        std::sort(starts.begin(), starts.end());
        for (std::size_t i = 1; i < starts.size(); ++i)
            ASSERT_GE(starts[i] - starts[i - 1], size) << "record " << i;
        EXPECT_GE(pool.CapacityBytes(), count * size);
        EXPECT_LE(pool.CapacityBytes(), count * size + std::max<std::size_t>(size, 2u << 20));
    }
}

}  // namespace
}  // namespace ordo
