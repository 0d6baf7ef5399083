#pragma once
// DES (FIPS 46-3) block cipher in ECB mode, and the body form the wire uses: the plain length
// as a signed 32-bit little-endian number, then the blocks, the last one filled with zeros.
#include <array>
#include <cstdint>
#include <string_view>

#include "core/bytes.h"

namespace ordo {

/// One key's schedule, built once: 16 subkeys of 48 bits, one byte per bit (768 bytes),
/// plus the same subkeys packed for the block function.
class TOrdoDESKey {
public:
    static constexpr std::size_t kScheduleSize = 768;

    /// The first 8 bytes of `keyText`, a shorter text filled with zero bytes; parity ignored.
    explicit TOrdoDESKey(std::string_view keyText);
    explicit TOrdoDESKey(const std::array<std::uint8_t, 8>& key);

    [[nodiscard]] const std::array<std::uint8_t, kScheduleSize>& Schedule() const noexcept { return schedule_; }

    void EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const noexcept;
    void DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const noexcept;

private:
    void Build(const std::array<std::uint8_t, 8>& key);
    std::uint64_t Crypt(std::uint64_t block, bool decrypt) const noexcept;

    std::array<std::uint8_t, kScheduleSize> schedule_{};
    std::array<std::array<std::uint8_t, 8>, 16> packed_{};  // per round: eight 6-bit groups
};

/// 4-byte length, then the data in 8-byte ECB blocks with zero fill: 4 + 8 * ceil(n / 8) bytes.
Bytes DESEncryptBody(const TOrdoDESKey& key, ByteView data);
/// The reverse; a block part that is not a multiple of 8, or a length header that does not fit
/// it, raises EDESError.
Bytes DESDecryptBody(const TOrdoDESKey& key, ByteView body);

}  // namespace ordo
