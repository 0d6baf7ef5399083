#include "platform/zeroed_pages.h"

#include <new>

#include "platform/win32/windows_api.h"

namespace ordo {

TZeroedPages::TZeroedPages(std::size_t bytes) {
    if (bytes == 0) return;
    // Committed pages read as zero until written.
    void* p = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!p) throw std::bad_alloc();
    data_ = static_cast<std::uint8_t*>(p);
    size_ = bytes;
}

void TZeroedPages::Release() noexcept {
    if (data_) ::VirtualFree(data_, 0, MEM_RELEASE);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace ordo
