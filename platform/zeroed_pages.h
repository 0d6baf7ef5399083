#pragma once
// Zero-filled memory straight from the system, for bulk row storage: fresh pages are zero already, so
// nothing is cleared twice, and the whole block is faulted in at once instead of a page at a time as
// rows are written into it.
#include <cstddef>
#include <cstdint>

namespace ordo {

class TZeroedPages {
public:
    TZeroedPages() noexcept = default;
    /// At least `bytes` zero bytes; raises std::bad_alloc when the system has none.
    explicit TZeroedPages(std::size_t bytes);
    ~TZeroedPages() { Release(); }
    TZeroedPages(TZeroedPages&& other) noexcept : data_(other.data_), size_(other.size_) {
        other.data_ = nullptr;
        other.size_ = 0;
    }
    TZeroedPages& operator=(TZeroedPages&& other) noexcept {
        if (this != &other) {
            Release();
            data_ = other.data_;
            size_ = other.size_;
            other.data_ = nullptr;
            other.size_ = 0;
        }
        return *this;
    }
    TZeroedPages(const TZeroedPages&) = delete;
    TZeroedPages& operator=(const TZeroedPages&) = delete;

    [[nodiscard]] std::uint8_t* Data() const noexcept { return data_; }
    [[nodiscard]] std::size_t Size() const noexcept { return size_; }

private:
    void Release() noexcept;
    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace ordo
