// Zero-filled blocks on Windows: zero bytes however large, writable to the last byte, and given
// back to the system with the block.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/zeroed_memory.h"
#include "platform/win32/windows_api.h"

namespace ordo {
namespace {

TEST(Win32ZeroedMemory, BlocksAreZeroWritableAndReleased) {
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4097}, HugePageSize() * 2 + 5}) {
        TZeroedBlock block = AllocateZeroed(size);
        ASSERT_NE(block.get(), nullptr);
        const std::size_t n = std::max<std::size_t>(size, 1);
        EXPECT_TRUE(std::all_of(block.get(), block.get() + n, [](std::uint8_t b) { return b == 0; })) << size;
        block[n - 1] = 0xAB;
        EXPECT_EQ(block[n - 1], 0xAB);
        void* base = block.get();
        block.reset();
        MEMORY_BASIC_INFORMATION info{};
        ASSERT_NE(::VirtualQuery(base, &info, sizeof info), 0u);
        EXPECT_EQ(info.State, static_cast<DWORD>(MEM_FREE)) << size;
    }
}

}  // namespace
}  // namespace ordo
