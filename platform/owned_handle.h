#pragma once
// One operating-system handle owned by one object: a descriptor, a socket or a file handle, kept
// as an int with -1 for none (the Win32 backend maps its handles onto that number). How a handle
// is closed is the backend's, by its kind.
#include <utility>

namespace ordo {

namespace detail {
void CloseFileHandle(int handle) noexcept;
void CloseSocketHandle(int handle) noexcept;
}  // namespace detail

template <void (*CloseFn)(int) noexcept>
class TOwnedHandle {
public:
    TOwnedHandle() = default;
    explicit TOwnedHandle(int handle) noexcept : handle_(handle) {}
    TOwnedHandle(TOwnedHandle&& other) noexcept : handle_(other.Release()) {}
    TOwnedHandle& operator=(TOwnedHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    TOwnedHandle(const TOwnedHandle&) = delete;
    TOwnedHandle& operator=(const TOwnedHandle&) = delete;
    ~TOwnedHandle() { Reset(); }

    [[nodiscard]] int Get() const noexcept { return handle_; }
    [[nodiscard]] bool Valid() const noexcept { return handle_ >= 0; }
    /// Hands the handle over; this object owns none afterwards.
    int Release() noexcept { return std::exchange(handle_, -1); }
    /// Closes the handle held, if any, and takes `handle`.
    void Reset(int handle = -1) noexcept {
        if (handle_ >= 0) CloseFn(handle_);
        handle_ = handle;
    }

private:
    int handle_ = -1;
};

using TFileHandle = TOwnedHandle<detail::CloseFileHandle>;
using TSocketHandle = TOwnedHandle<detail::CloseSocketHandle>;

}  // namespace ordo
