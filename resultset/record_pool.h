#pragma once
// Fixed-size row records carved from chunks of fresh zeroed pages, so that a hundred thousand rows cost a
// hundred allocations instead of one each and a record never moves once it exists. Chunks start small and
// double up to a ceiling, so a data set of a few rows does not take megabytes it never uses.
#include <bit>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/zeroed_pages.h"

namespace ordo::detail {

class TRecordPool {
public:
    /// Forgets every record and takes a new record size.
    void Reset(std::size_t recordSize);
    /// A zero-filled record; its handle stays valid until Release or Reset.
    std::uint32_t Acquire();
    void Release(std::uint32_t handle);
    [[nodiscard]] std::span<std::uint8_t> Record(std::uint32_t handle) noexcept {
        const TPlace p = Locate(handle);
        return {chunks_[p.chunk].Data() + p.index * recordSize_, recordSize_};
    }
    [[nodiscard]] std::span<const std::uint8_t> Record(std::uint32_t handle) const noexcept {
        const TPlace p = Locate(handle);
        return {chunks_[p.chunk].Data() + p.index * recordSize_, recordSize_};
    }
    [[nodiscard]] std::size_t RecordSize() const noexcept { return recordSize_; }
    /// Bytes held by the chunks, for memory accounting.
    [[nodiscard]] std::size_t CapacityBytes() const noexcept { return capacityBytes_; }

private:
    struct TPlace {
        std::size_t chunk;
        std::size_t index;  // within the chunk
    };
    /// Chunk k holds first_ << min(k, doublings_) records.
    [[nodiscard]] TPlace Locate(std::size_t handle) const noexcept {
        const std::size_t growing = first_ * ((std::size_t{1} << doublings_) - 1);  // records before the ceiling
        if (handle < growing) {
            const std::size_t k = static_cast<std::size_t>(std::bit_width(handle / first_ + 1)) - 1;
            return {k, handle - first_ * ((std::size_t{1} << k) - 1)};
        }
        const std::size_t full = first_ << doublings_;
        return {doublings_ + (handle - growing) / full, (handle - growing) % full};
    }
    [[nodiscard]] std::size_t ChunkRecords(std::size_t chunk) const noexcept {
        return first_ << (chunk < doublings_ ? chunk : doublings_);
    }

    std::size_t recordSize_ = 0;
    std::size_t first_ = 1;      // records in the first chunk
    std::size_t doublings_ = 0;  // chunks that double before the size stays
    std::size_t capacityBytes_ = 0;
    std::uint32_t next_ = 0;  // first never-used handle
    std::vector<TZeroedPages> chunks_;
    std::vector<std::uint32_t> free_;
};

}  // namespace ordo::detail
