#include "codec/des.h"

#include <algorithm>
#include <bit>
#include <string>

#include "codec/transforms.h"
#include "core/wire.h"

namespace ordo {
namespace {

// Bit numbers as the standard writes them: 1 is the most significant bit.
constexpr std::uint8_t kIP[64] = {
    58, 50, 42, 34, 26, 18, 10, 2, 60, 52, 44, 36, 28, 20, 12, 4,
    62, 54, 46, 38, 30, 22, 14, 6, 64, 56, 48, 40, 32, 24, 16, 8,
    57, 49, 41, 33, 25, 17, 9,  1, 59, 51, 43, 35, 27, 19, 11, 3,
    61, 53, 45, 37, 29, 21, 13, 5, 63, 55, 47, 39, 31, 23, 15, 7};

constexpr std::uint8_t kP[32] = {16, 7, 20, 21, 29, 12, 28, 17, 1,  15, 23, 26, 5,  18, 31, 10,
                                 2,  8, 24, 14, 32, 27, 3,  9,  19, 13, 30, 6,  22, 11, 4,  25};

constexpr std::uint8_t kPC1[56] = {57, 49, 41, 33, 25, 17, 9,  1,  58, 50, 42, 34, 26, 18,
                                   10, 2,  59, 51, 43, 35, 27, 19, 11, 3,  60, 52, 44, 36,
                                   63, 55, 47, 39, 31, 23, 15, 7,  62, 54, 46, 38, 30, 22,
                                   14, 6,  61, 53, 45, 37, 29, 21, 13, 5,  28, 20, 12, 4};

constexpr std::uint8_t kPC2[48] = {14, 17, 11, 24, 1,  5,  3,  28, 15, 6,  21, 10,
                                   23, 19, 12, 4,  26, 8,  16, 7,  27, 20, 13, 2,
                                   41, 52, 31, 37, 47, 55, 30, 40, 51, 45, 33, 48,
                                   44, 49, 39, 56, 34, 53, 46, 42, 50, 36, 29, 32};

constexpr std::uint8_t kShifts[16] = {1, 1, 2, 2, 2, 2, 2, 2, 1, 2, 2, 2, 2, 2, 2, 1};

constexpr std::uint8_t kS[8][4][16] = {
    {{14, 4, 13, 1, 2, 15, 11, 8, 3, 10, 6, 12, 5, 9, 0, 7},
     {0, 15, 7, 4, 14, 2, 13, 1, 10, 6, 12, 11, 9, 5, 3, 8},
     {4, 1, 14, 8, 13, 6, 2, 11, 15, 12, 9, 7, 3, 10, 5, 0},
     {15, 12, 8, 2, 4, 9, 1, 7, 5, 11, 3, 14, 10, 0, 6, 13}},
    {{15, 1, 8, 14, 6, 11, 3, 4, 9, 7, 2, 13, 12, 0, 5, 10},
     {3, 13, 4, 7, 15, 2, 8, 14, 12, 0, 1, 10, 6, 9, 11, 5},
     {0, 14, 7, 11, 10, 4, 13, 1, 5, 8, 12, 6, 9, 3, 2, 15},
     {13, 8, 10, 1, 3, 15, 4, 2, 11, 6, 7, 12, 0, 5, 14, 9}},
    {{10, 0, 9, 14, 6, 3, 15, 5, 1, 13, 12, 7, 11, 4, 2, 8},
     {13, 7, 0, 9, 3, 4, 6, 10, 2, 8, 5, 14, 12, 11, 15, 1},
     {13, 6, 4, 9, 8, 15, 3, 0, 11, 1, 2, 12, 5, 10, 14, 7},
     {1, 10, 13, 0, 6, 9, 8, 7, 4, 15, 14, 3, 11, 5, 2, 12}},
    {{7, 13, 14, 3, 0, 6, 9, 10, 1, 2, 8, 5, 11, 12, 4, 15},
     {13, 8, 11, 5, 6, 15, 0, 3, 4, 7, 2, 12, 1, 10, 14, 9},
     {10, 6, 9, 0, 12, 11, 7, 13, 15, 1, 3, 14, 5, 2, 8, 4},
     {3, 15, 0, 6, 10, 1, 13, 8, 9, 4, 5, 11, 12, 7, 2, 14}},
    {{2, 12, 4, 1, 7, 10, 11, 6, 8, 5, 3, 15, 13, 0, 14, 9},
     {14, 11, 2, 12, 4, 7, 13, 1, 5, 0, 15, 10, 3, 9, 8, 6},
     {4, 2, 1, 11, 10, 13, 7, 8, 15, 9, 12, 5, 6, 3, 0, 14},
     {11, 8, 12, 7, 1, 14, 2, 13, 6, 15, 0, 9, 10, 4, 5, 3}},
    {{12, 1, 10, 15, 9, 2, 6, 8, 0, 13, 3, 4, 14, 7, 5, 11},
     {10, 15, 4, 2, 7, 12, 9, 5, 6, 1, 13, 14, 0, 11, 3, 8},
     {9, 14, 15, 5, 2, 8, 12, 3, 7, 0, 4, 10, 1, 13, 11, 6},
     {4, 3, 2, 12, 9, 5, 15, 10, 11, 14, 1, 7, 6, 0, 8, 13}},
    {{4, 11, 2, 14, 15, 0, 8, 13, 3, 12, 9, 7, 5, 10, 6, 1},
     {13, 0, 11, 7, 4, 9, 1, 10, 14, 3, 5, 12, 2, 15, 8, 6},
     {1, 4, 11, 13, 12, 3, 7, 14, 10, 15, 6, 8, 0, 5, 9, 2},
     {6, 11, 13, 8, 1, 4, 10, 7, 9, 5, 0, 15, 14, 2, 3, 12}},
    {{13, 2, 8, 4, 6, 15, 11, 1, 10, 9, 3, 14, 5, 0, 12, 7},
     {1, 15, 13, 8, 10, 3, 7, 4, 12, 5, 6, 11, 0, 14, 9, 2},
     {7, 11, 4, 1, 9, 12, 14, 2, 0, 6, 10, 13, 15, 3, 5, 8},
     {2, 1, 14, 7, 4, 10, 8, 13, 15, 12, 9, 0, 3, 5, 6, 11}}};

constexpr int Bit64(std::uint64_t v, int n) noexcept { return static_cast<int>(v >> (64 - n)) & 1; }

// Byte-wise lookup tables: a 64-bit permutation becomes eight lookups and ORs.
struct Tables {
    std::uint64_t ip[8][256];
    std::uint64_t fp[8][256];
    std::uint32_t sp[8][64];  // S-box j then P, for each 6-bit input

    Tables() {
        std::uint8_t fpPerm[64];
        for (int i = 0; i < 64; ++i) fpPerm[kIP[i] - 1] = static_cast<std::uint8_t>(i + 1);
        BuildPermutation(kIP, ip);
        BuildPermutation(fpPerm, fp);
        for (int j = 0; j < 8; ++j)
            for (int g = 0; g < 64; ++g) sp[j][g] = SBoxThenP(j, g);
    }

    static void BuildPermutation(const std::uint8_t* perm, std::uint64_t (&table)[8][256]) {
        for (int b = 0; b < 8; ++b)
            for (int v = 0; v < 256; ++v) {
                const std::uint64_t in = std::uint64_t(v) << (56 - 8 * b);
                std::uint64_t out = 0;
                for (int i = 0; i < 64; ++i)
                    if (Bit64(in, perm[i])) out |= std::uint64_t{1} << (63 - i);
                table[b][v] = out;
            }
    }

    static std::uint32_t SBoxThenP(int j, int g) {
        const int row = ((g >> 4) & 2) | (g & 1);
        const int col = (g >> 1) & 15;
        const std::uint32_t s = std::uint32_t{kS[j][row][col]} << (28 - 4 * j);
        std::uint32_t out = 0;
        for (int i = 0; i < 32; ++i)
            if ((s >> (32 - kP[i])) & 1) out |= std::uint32_t{1} << (31 - i);
        return out;
    }
};

const Tables& T() {
    static const Tables tables;
    return tables;
}

inline std::uint64_t Permute(const std::uint64_t (&table)[8][256], std::uint64_t v) noexcept {
    std::uint64_t out = 0;
    for (int b = 0; b < 8; ++b) out |= table[b][(v >> (56 - 8 * b)) & 0xFF];
    return out;
}

inline std::uint64_t LoadBE64(const std::uint8_t* p) noexcept {
    std::uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = v << 8 | p[i];
    return v;
}

inline void StoreBE64(std::uint8_t* p, std::uint64_t v) noexcept {
    for (int i = 7; i >= 0; --i, v >>= 8) p[i] = static_cast<std::uint8_t>(v);
}

}  // namespace

TOrdoDESKey::TOrdoDESKey(std::string_view keyText) {
    std::array<std::uint8_t, 8> key{};
    std::copy_n(keyText.begin(), std::min<std::size_t>(8, keyText.size()), key.begin());
    Build(key);
}

TOrdoDESKey::TOrdoDESKey(const std::array<std::uint8_t, 8>& key) { Build(key); }

void TOrdoDESKey::Build(const std::array<std::uint8_t, 8>& key) {
    const std::uint64_t k = LoadBE64(key.data());
    std::uint32_t c = 0, d = 0;
    for (int i = 0; i < 28; ++i) c = c << 1 | static_cast<std::uint32_t>(Bit64(k, kPC1[i]));
    for (int i = 28; i < 56; ++i) d = d << 1 | static_cast<std::uint32_t>(Bit64(k, kPC1[i]));
    auto rot28 = [](std::uint32_t v, int n) { return ((v << n) | (v >> (28 - n))) & 0x0FFFFFFFu; };
    for (int r = 0; r < 16; ++r) {
        c = rot28(c, kShifts[r]);
        d = rot28(d, kShifts[r]);
        const std::uint64_t cd = std::uint64_t{c} << 28 | d;  // bit 1 of the 56 is bit 55 here
        for (int i = 0; i < 48; ++i)
            schedule_[static_cast<std::size_t>(r * 48 + i)] = static_cast<std::uint8_t>((cd >> (56 - kPC2[i])) & 1);
        for (int j = 0; j < 8; ++j) {
            std::uint8_t g = 0;
            for (int b = 0; b < 6; ++b)
                g = static_cast<std::uint8_t>(g << 1 | schedule_[static_cast<std::size_t>(r * 48 + j * 6 + b)]);
            packed_[static_cast<std::size_t>(r)][static_cast<std::size_t>(j)] = g;
        }
    }
}

std::uint64_t TOrdoDESKey::Crypt(std::uint64_t block, bool decrypt) const noexcept {
    const Tables& t = T();
    const std::uint64_t x = Permute(t.ip, block);
    std::uint32_t l = static_cast<std::uint32_t>(x >> 32);
    std::uint32_t r = static_cast<std::uint32_t>(x);
    for (int round = 0; round < 16; ++round) {
        const auto& k = packed_[static_cast<std::size_t>(decrypt ? 15 - round : round)];
        // The expansion's j-th group is six bits of R starting one bit before bit 4j + 1.
        const std::uint32_t rr = std::rotr(r, 1);
        std::uint32_t f = 0;
        for (int j = 0; j < 8; ++j) {
            const std::uint32_t g = (std::rotl(rr, 4 * j) >> 26) & 63;
            f |= t.sp[j][g ^ k[static_cast<std::size_t>(j)]];
        }
        const std::uint32_t next = l ^ f;
        l = r;
        r = next;
    }
    return Permute(t.fp, std::uint64_t{r} << 32 | l);
}

void TOrdoDESKey::EncryptBlock(const std::uint8_t* in, std::uint8_t* out) const noexcept {
    StoreBE64(out, Crypt(LoadBE64(in), false));
}

void TOrdoDESKey::DecryptBlock(const std::uint8_t* in, std::uint8_t* out) const noexcept {
    StoreBE64(out, Crypt(LoadBE64(in), true));
}

Bytes DESEncryptBody(const TOrdoDESKey& key, ByteView data) {
    if (data.size() > 0x7FFFFFF0u) throw EDESError("Data too large for encryption");
    const std::size_t blocks = (data.size() + 7) / 8;
    Bytes out(4 + blocks * 8);
    StoreI32LE(out.data(), static_cast<std::int32_t>(data.size()));
    const std::size_t whole = data.size() / 8;
    for (std::size_t i = 0; i < whole; ++i) key.EncryptBlock(data.data() + i * 8, out.data() + 4 + i * 8);
    if (whole < blocks) {
        std::uint8_t last[8] = {};
        std::copy(data.begin() + static_cast<std::ptrdiff_t>(whole * 8), data.end(), last);
        key.EncryptBlock(last, out.data() + 4 + whole * 8);
    }
    return out;
}

Bytes DESDecryptBody(const TOrdoDESKey& key, ByteView body) {
    if (body.size() < 4 || (body.size() - 4) % 8 != 0) throw EDESError("Invalid buffer size for decryption");
    const std::int32_t n = LoadI32LE(body.data());
    const std::size_t cipher = body.size() - 4;
    // The header must describe these blocks: a length the blocks cannot hold, or one that
    // leaves a whole block unused, is not what an encrypting peer writes.
    if (n < 0 || static_cast<std::size_t>(n) > cipher || cipher - static_cast<std::size_t>(n) >= 8)
        throw EDESError("Length " + std::to_string(n) + " in the header does not fit " + std::to_string(cipher) +
                        " encrypted bytes");
    Bytes out(cipher);
    for (std::size_t i = 0; i < cipher; i += 8) key.DecryptBlock(body.data() + 4 + i, out.data() + i);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace ordo
