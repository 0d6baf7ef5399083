#include "codec/des.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <random>
#include <string>

#include "codec/transforms.h"
#include "core/wire.h"
#include "tests/support/error_text.h"

namespace ordo {
namespace {

std::array<std::uint8_t, 8> Hex8(const char* hex) {
    std::array<std::uint8_t, 8> out{};
    for (int i = 0; i < 8; ++i) out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::stoi(std::string(hex + 2 * i, 2), nullptr, 16));
    return out;
}

// Known answers: the worked example of the standard's textbooks and entries of the NBS
// validation tables (variable plaintext, variable key, permutation and S-box tests).
struct Vector { const char* key; const char* plain; const char* cipher; };
constexpr Vector kVectors[] = {
    {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
    {"0101010101010101", "2000000000000000", "2E8653104F3834EA"},
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"4001010101010101", "0000000000000000", "0EEC1487DD8C26D5"},
    {"1046913489980131", "0000000000000000", "88D55E54F54C97B4"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "7A389D10354BD271"},
    {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
};

TEST(TOrdoDESKey, KnownAnswerVectorsBothWays) {
    for (const Vector& v : kVectors) {
        SCOPED_TRACE(v.key);
        const TOrdoDESKey key(Hex8(v.key));
        const auto plain = Hex8(v.plain), cipher = Hex8(v.cipher);
        std::array<std::uint8_t, 8> out{};
        key.EncryptBlock(plain.data(), out.data());
        EXPECT_EQ(out, cipher);
        key.DecryptBlock(cipher.data(), out.data());
        EXPECT_EQ(out, plain);
    }
}

// OpenSSL's DES-ECB, from its legacy provider, as an independent oracle.
class OpenSSLDes {
public:
    OpenSSLDes() {
        legacy_ = OSSL_PROVIDER_load(nullptr, "legacy");
        default_ = OSSL_PROVIDER_load(nullptr, "default");
        cipher_ = EVP_CIPHER_fetch(nullptr, "DES-ECB", nullptr);
    }
    ~OpenSSLDes() {
        EVP_CIPHER_free(cipher_);
        if (legacy_) OSSL_PROVIDER_unload(legacy_);
        if (default_) OSSL_PROVIDER_unload(default_);
    }
    bool Ready() const { return cipher_ != nullptr; }
    Bytes Encrypt(const std::array<std::uint8_t, 8>& key, const Bytes& blocks) const {
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        Bytes out(blocks.size() + 8);
        int n1 = 0, n2 = 0;
        EVP_EncryptInit_ex(ctx, cipher_, nullptr, key.data(), nullptr);
        EVP_CIPHER_CTX_set_padding(ctx, 0);
        EVP_EncryptUpdate(ctx, out.data(), &n1, blocks.data(), static_cast<int>(blocks.size()));
        EVP_EncryptFinal_ex(ctx, out.data() + n1, &n2);
        EVP_CIPHER_CTX_free(ctx);
        out.resize(static_cast<std::size_t>(n1 + n2));
        return out;
    }

private:
    OSSL_PROVIDER* legacy_ = nullptr;
    OSSL_PROVIDER* default_ = nullptr;
    EVP_CIPHER* cipher_ = nullptr;
};

TEST(TOrdoDESKey, AgreesWithOpenSSLOnRandomKeysAndData) {
    OpenSSLDes oracle;
    ASSERT_TRUE(oracle.Ready()) << "OpenSSL legacy provider with DES-ECB not available";
    std::mt19937 rng(4663);
    for (int round = 0; round < 200; ++round) {
        std::array<std::uint8_t, 8> k{};
        for (auto& b : k) b = static_cast<std::uint8_t>(rng());
        Bytes data(static_cast<std::size_t>(rng() % 70));
        for (auto& b : data) b = static_cast<std::uint8_t>(rng());
        const Bytes body = DESEncryptBody(TOrdoDESKey(k), data);
        Bytes padded = data;
        padded.resize((data.size() + 7) / 8 * 8, 0);
        ASSERT_EQ(LoadI32LE(body.data()), static_cast<std::int32_t>(data.size()));
        ASSERT_EQ(Bytes(body.begin() + 4, body.end()), oracle.Encrypt(k, padded)) << "round " << round;
        ASSERT_EQ(DESDecryptBody(TOrdoDESKey(k), body), data);
    }
}

TEST(TOrdoDESKey, KeyTextUsesItsFirstEightBytesZeroFilledAndIgnoresParity) {
    EXPECT_EQ(TOrdoDESKey("abcdefghXYZ").Schedule(), TOrdoDESKey("abcdefgh").Schedule());
    EXPECT_EQ(TOrdoDESKey("abc").Schedule(), TOrdoDESKey(std::array<std::uint8_t, 8>{'a', 'b', 'c'}).Schedule());
    // 'h' (0x68) and 'i' (0x69) differ only in the parity bit.
    EXPECT_EQ(TOrdoDESKey("abcdefgh").Schedule(), TOrdoDESKey("abcdefgi").Schedule());
    EXPECT_NE(TOrdoDESKey("abcdefgh").Schedule(), TOrdoDESKey("abcdefgj").Schedule());
    const TOrdoDESKey key("key");
    for (std::uint8_t bit : key.Schedule()) ASSERT_LE(bit, 1);
}

TEST(DESBody, LengthsFollowTheBlockRule) {
    const TOrdoDESKey key("secret");
    for (std::size_t n : {0u, 1u, 7u, 8u, 9u, 16u, 17u}) {
        SCOPED_TRACE(n);
        const Bytes data(n, 0xA5);
        const Bytes body = DESEncryptBody(key, data);
        EXPECT_EQ(body.size(), 4 + 8 * ((n + 7) / 8));
        EXPECT_EQ(DESDecryptBody(key, body), data);
    }
}

TEST(DESBody, MalformedBodiesRaise) {
    const TOrdoDESKey key("secret");
    Bytes body = DESEncryptBody(key, Bytes(9, 1));  // 4 + 16
    auto error = [&](const Bytes& b) { return test::ErrorText<EDESError>([&] { (void)DESDecryptBody(key, b); }); };
    EXPECT_EQ(error(Bytes(body.begin(), body.end() - 1)), "Invalid buffer size for decryption");
    EXPECT_EQ(error(Bytes(3)), "Invalid buffer size for decryption");
    for (std::int32_t n : {17, -1, 8}) {
        StoreI32LE(body.data(), n);
        EXPECT_EQ(error(body), "Length " + std::to_string(n) + " in the header does not fit 16 encrypted bytes");
    }
}

}  // namespace
}  // namespace ordo
