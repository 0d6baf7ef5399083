#include "params/record_pool.h"

#include <algorithm>
#include <cstring>

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
            // Chunks are zeroed once when made; reused records are zeroed below.
            chunks_.push_back(std::make_unique<std::uint8_t[]>(perChunk_ * std::max<std::size_t>(1, recordSize_)));
            return h;
        }
    }
    auto r = Record(h);
    if (!r.empty()) std::memset(r.data(), 0, r.size());
    return h;
}

void TRecordPool::Release(std::uint32_t handle) { free_.push_back(handle); }

}  // namespace ordo::detail
