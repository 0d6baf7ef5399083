#include "platform/zeroed_pages.h"

#include <sys/mman.h>

#include <new>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels refuse it and the pages fault in as used
#endif

namespace ordo {

TZeroedPages::TZeroedPages(std::size_t bytes) {
    if (bytes == 0) return;
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    // One call maps every page, which costs the kernel less than a fault per page; a refusal only loses that.
    (void)::madvise(p, bytes, MADV_POPULATE_WRITE);
    data_ = static_cast<std::uint8_t*>(p);
    size_ = bytes;
}

void TZeroedPages::Release() noexcept {
    if (data_) ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace ordo
