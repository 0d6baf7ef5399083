#pragma once
// Fixed-size row records carved from large chunks, so that a hundred thousand rows cost a
// few allocations instead of one each and a record never moves once it exists.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace ordo::detail {

class TRecordPool {
public:
    /// Forgets every record and takes a new record size.
    void Reset(std::size_t recordSize);
    /// A zero-filled record; its handle stays valid until Release or Reset.
    std::uint32_t Acquire();
    void Release(std::uint32_t handle);
    [[nodiscard]] std::span<std::uint8_t> Record(std::uint32_t handle) noexcept {
        return {chunks_[handle / perChunk_].get() + (handle % perChunk_) * recordSize_, recordSize_};
    }
    [[nodiscard]] std::span<const std::uint8_t> Record(std::uint32_t handle) const noexcept {
        return {chunks_[handle / perChunk_].get() + (handle % perChunk_) * recordSize_, recordSize_};
    }
    [[nodiscard]] std::size_t RecordSize() const noexcept { return recordSize_; }
    /// Bytes held by the chunks, for memory accounting.
    [[nodiscard]] std::size_t CapacityBytes() const noexcept { return chunks_.size() * perChunk_ * recordSize_; }

private:
    std::size_t recordSize_ = 0;
    std::size_t perChunk_ = 1;
    std::uint32_t next_ = 0;  // first never-used handle
    struct TChunkFree {
        void operator()(std::uint8_t* p) const noexcept;
    };
    std::vector<std::unique_ptr<std::uint8_t[], TChunkFree>> chunks_;
    std::vector<std::uint32_t> free_;
};

}  // namespace ordo::detail
