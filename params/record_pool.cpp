#include "params/record_pool.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace ordo::detail {

namespace {
constexpr std::size_t kChunkBytes = 256 * 1024;
}

void TRecordPool::Reset(std::size_t recordSize) {
    chunks_.clear();
    free_.clear();
    next_ = 0;
    recordSize_ = recordSize;
    perChunk_ = std::max<std::size_t>(1, kChunkBytes / std::max<std::size_t>(1, recordSize));
}

std::uint32_t TRecordPool::Acquire() {
    std::uint32_t h;
    if (!free_.empty()) {
        h = free_.back();
        free_.pop_back();
    } else {
        h = next_++;
        if (h / perChunk_ >= chunks_.size()) {
            // Chunks come zeroed from calloc, which skips the zeroing for fresh pages from the system (a
            // hundred thousand rows are some 200 MB of them); reused records are zeroed below.
            std::unique_ptr<std::uint8_t[], TChunkFree> chunk(
                static_cast<std::uint8_t*>(std::calloc(perChunk_, std::max<std::size_t>(1, recordSize_))));
            try {
                if (!chunk) throw std::bad_alloc();
                chunks_.push_back(std::move(chunk));
            } catch (...) {
                --next_;
                throw;
            }
            return h;
        }
    }
    auto r = Record(h);
    if (!r.empty()) std::memset(r.data(), 0, r.size());
    return h;
}

void TRecordPool::Release(std::uint32_t handle) { free_.push_back(handle); }

void TRecordPool::TChunkFree::operator()(std::uint8_t* p) const noexcept { std::free(p); }

}  // namespace ordo::detail
