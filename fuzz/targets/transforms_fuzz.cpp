// The receive transforms: an inflated body, a decrypted DES body, and both in either order as
// the connection's settings give them.
#include "codec/des.h"
#include "codec/transforms.h"
#include "codec/zlib_codec.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr std::size_t kOutputCap = 1 << 22;  // keeps each run fast; the cap itself is under test too

void InflateAndCheck(ordo::ByteView body) {
    ordo::Bytes plain;
    try {
        plain = ordo::ZLibDecompress(body, kOutputCap);
    } catch (const ordo::EOrdoError&) {
        return;
    }
    ordo::fuzz::Require(plain.size() <= kOutputCap, "inflated size stays under the cap");
    ordo::fuzz::Require(ordo::ZLibDecompress(ordo::ZLibCompress(plain)) == plain, "zlib round trip");
}

void DecryptAndCheck(ordo::ByteView body, const ordo::TOrdoDESKey& key) {
    ordo::Bytes plain;
    try {
        plain = ordo::DESDecryptBody(key, body);
    } catch (const ordo::EOrdoError&) {
        return;
    }
    ordo::fuzz::Require(plain.size() + 4 <= body.size(), "decrypted body is no longer than its blocks");
    ordo::fuzz::Require(ordo::DESDecryptBody(key, ordo::DESEncryptBody(key, plain)) == plain, "DES round trip");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ordo::fuzz::Input in(data, size);
    const std::uint8_t mode = in.TakeByte();
    const ordo::ByteView body = in.Rest();
    static const ordo::TOrdoDESKey key(std::string_view("ordo-key"));

    InflateAndCheck(body);
    DecryptAndCheck(body, key);
    ordo::fuzz::Tolerant([&] { (void)ordo::InflateRowsText(in.RestText()); });

    ordo::TOrdoTransforms transforms;
    transforms.SetCompression((mode & 1) ? ordo::acOrdoZLib : ordo::acNoCompression);
    const ordo::TOrdoEncryption enc = (mode & 2)   ? ordo::etDESEncrypt
                                      : (mode & 4) ? ordo::etOrdoEncrypt
                                                   : ordo::etNoEncryption;
    ordo::fuzz::Tolerant([&] {
        transforms.SetEncryptKeyIn("ordo-key");
        transforms.SetEncryption(enc);
    });
    ordo::SetTransformOrderReversed((mode & 8) != 0);
    ordo::Bytes received(body.begin(), body.end());
    ordo::fuzz::Tolerant([&] { transforms.ApplyIncoming(received); });
    ordo::SetTransformOrderReversed(false);
    return 0;
}
