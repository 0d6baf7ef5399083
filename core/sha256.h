#pragma once
// SHA-256 (FIPS 180-4), small and dependency-free: the Windows build has no OpenSSL, and the replay identity must
// hash alike on both builds.
//
//   TSha256 h;
//   h.Update(AsBytes(text));
//   std::string hex = ToHex(h.Finish());
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/bytes.h"

namespace ordo {

using TSha256Digest = std::array<std::uint8_t, 32>;

class TSha256 {
public:
    TSha256() noexcept;
    /// May be called any number of times before Finish.
    void Update(ByteView data) noexcept;
    /// The digest of everything given; the object starts over afterwards.
    [[nodiscard]] TSha256Digest Finish() noexcept;

private:
    void Reset() noexcept;
    void Block(const std::uint8_t* p) noexcept;

    std::array<std::uint32_t, 8> state_{};
    std::array<std::uint8_t, 64> buffer_{};
    std::size_t buffered_ = 0;
    std::uint64_t length_ = 0;  // bytes so far
};

/// Lower-case hexadecimal, two digits a byte.
[[nodiscard]] std::string ToHex(ByteView bytes);
/// The lower-case hexadecimal SHA-256 of `data`.
[[nodiscard]] std::string Sha256Hex(ByteView data);
inline std::string Sha256Hex(std::string_view text) { return Sha256Hex(AsBytes(text)); }

}  // namespace ordo
