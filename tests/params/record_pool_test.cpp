#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "params/record_pool.h"

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

}  // namespace
}  // namespace ordo
