#include "resultset/record_pool.h"

#include <algorithm>
#include <cstring>

namespace ordo::detail {

namespace {
constexpr std::size_t kFirstChunkBytes = 16 * 1024;
// Each chunk's pages are mapped and zeroed at once; a chunk that fits the core's cache is still warm when
// its rows are written into it (measured: 512 KiB chunks decode faster than 2 MiB ones).
constexpr std::size_t kLargestChunkBytes = 512 * 1024;
}  // namespace

void TRecordPool::Reset(std::size_t recordSize) {
    chunks_.clear();
    free_.clear();
    next_ = 0;
    capacityBytes_ = 0;
    recordSize_ = recordSize;
    const std::size_t r = std::max<std::size_t>(1, recordSize);
    first_ = std::max<std::size_t>(1, kFirstChunkBytes / r);
    doublings_ = 0;
    while ((first_ << (doublings_ + 1)) * r <= kLargestChunkBytes) ++doublings_;
}

std::uint32_t TRecordPool::Acquire() {
    if (!free_.empty()) {
        const std::uint32_t h = free_.back();
        free_.pop_back();
        auto r = Record(h);
        if (!r.empty()) std::memset(r.data(), 0, r.size());
        return h;
    }
    // A record never handed out lies in fresh pages, zero already (a hundred thousand ledger rows are
    // some 200 MB of them), so only reused records are cleared.
    const std::uint32_t h = next_;
    if (Locate(h).chunk >= chunks_.size()) {
        const std::size_t bytes = ChunkRecords(chunks_.size()) * std::max<std::size_t>(1, recordSize_);
        chunks_.emplace_back(bytes);
        capacityBytes_ += bytes;
    }
    ++next_;
    return h;
}

void TRecordPool::Release(std::uint32_t handle) { free_.push_back(handle); }

}  // namespace ordo::detail
