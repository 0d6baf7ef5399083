// Zero-filled blocks from VirtualAlloc: committed pages come zeroed. Large pages would need the
// lock-memory privilege, which a shop's user account does not hold, so blocks use plain pages.
#include "platform/zeroed_memory.h"
#include "platform/win32/windows_api.h"

#include <new>

namespace ordo {

std::size_t HugePageSize() noexcept { return std::size_t{2} << 20; }

TZeroedBlock AllocateZeroed(std::size_t size) {
    if (size == 0) size = 1;
    void* p = ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (p == nullptr) throw std::bad_alloc();
    return TZeroedBlock(static_cast<std::uint8_t*>(p), detail::TZeroedBlockRelease{size});
}

void detail::TZeroedBlockRelease::operator()(std::uint8_t* p) const noexcept {
    if (p != nullptr) ::VirtualFree(p, 0, MEM_RELEASE);
}

}  // namespace ordo
