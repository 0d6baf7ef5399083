#include "codec/transforms.h"

#include <atomic>

#include "codec/des.h"
#include "codec/zlib_codec.h"

namespace ordo {
namespace {

std::atomic<bool> gOrderReversed{false};

}  // namespace

bool TransformOrderReversed() noexcept { return gOrderReversed.load(std::memory_order_relaxed); }
void SetTransformOrderReversed(bool reversed) noexcept { gOrderReversed.store(reversed, std::memory_order_relaxed); }

void OrdoEncryptBytes(Bytes& data) noexcept {
    for (auto& b : data) b = static_cast<std::uint8_t>(b + 4);
}

void OrdoDecryptBytes(Bytes& data) noexcept {
    for (auto& b : data) b = static_cast<std::uint8_t>(b - 4);
}

TOrdoTransforms::TOrdoTransforms() = default;
TOrdoTransforms::~TOrdoTransforms() = default;

void TOrdoTransforms::SetCompression(TOrdoCompression value) {
    compression_ = value;
    if (value == acOrdoCompress)
        throw EOrdoTransformError("Lzh compression only supported Ordo Custom Compression\rUse OrdoZLib!");
}

void TOrdoTransforms::SetEncryption(TOrdoEncryption value) {
    encryption_ = value;
    working_ = value;
    if (value != etDESEncrypt) return;
    if (!keyIn_.empty()) {
        BuildKey(keyIn_);
        keyOut_ = keyIn_;
    } else if (!keyOut_.empty()) {
        BuildKey(keyOut_);
        keyIn_ = keyOut_;
    }
}

void TOrdoTransforms::SetEncryptKeyIn(const std::string& value) { SetKey(keyIn_, keyOut_, value); }
void TOrdoTransforms::SetEncryptKeyOut(const std::string& value) { SetKey(keyOut_, keyIn_, value); }

void TOrdoTransforms::SetKey(std::string& target, std::string& other, const std::string& value) {
    if (value == target) return;
    target = value;
    if (encryption_ != etDESEncrypt) return;
    BuildKey(value);
    other = value;
}

void TOrdoTransforms::BuildKey(const std::string& text) {
    if (des_)
        *des_ = TOrdoDESKey(text);
    else
        des_ = std::make_unique<TOrdoDESKey>(text);
}

void TOrdoTransforms::Compress(Bytes& data) {
    switch (compression_) {
        case acNoCompression: return;
        case acOrdoCompress:
            throw EOrdoTransformError("Use OrdoZLib Compression. LZH compression must be implemetned as userdefined");
        case acUserDefined:
            if (!OnCompress)
                throw EUserDefinedEncComp(
                    "The Application is set for UserDefined Compression, but there is no code assigned to the "
                    "OnCompress event handler");
            OnCompress(*this, data);
            return;
        case acOrdoZLib: data = ZLibCompress(data); return;
    }
}

void TOrdoTransforms::Decompress(Bytes& data) {
    switch (compression_) {
        case acNoCompression:
        case acOrdoCompress: return;
        case acUserDefined:
            if (!OnDecompress)
                throw EUserDefinedEncComp(
                    "The Application is set for UserDefined Compression, but there is no code assigned to the "
                    "OnDecompress event handler.");
            OnDecompress(*this, data);
            return;
        case acOrdoZLib: data = ZLibDecompress(data); return;
    }
}

void TOrdoTransforms::Encrypt(Bytes& data) {
    if (OnStatelessPacketEvent) OnStatelessPacketEvent(*this, data, true);
    switch (working_) {
        case etNoEncryption:
        case etAESEncrypt: return;
        case etOrdoEncrypt: OrdoEncryptBytes(data); return;
        case etUserDefined:
            if (!OnEncrypt)
                throw EUserDefinedEncComp(
                    "The Application is set for UserDefined Encryption, but there is no code assigned to the "
                    "OnEncrypt event handler.");
            OnEncrypt(*this, data);
            return;
        case etDESEncrypt:
            if (!des_) throw EDESError("DES key not set");
            data = DESEncryptBody(*des_, data);
            return;
    }
}

void TOrdoTransforms::Decrypt(Bytes& data) {
    if (OnStatelessPacketEvent) OnStatelessPacketEvent(*this, data, false);
    switch (working_) {
        case etNoEncryption:
        case etAESEncrypt: return;
        case etOrdoEncrypt: OrdoDecryptBytes(data); return;
        case etUserDefined:
            if (!OnDecrypt)
                throw EUserDefinedEncComp(
                    "You have selected UserDefined Encryption, but you have not assinged the OnDecrypt event "
                    "handler.");
            OnDecrypt(*this, data);
            return;
        case etDESEncrypt:
            if (!des_) throw EDESError("DES key not set");
            data = DESDecryptBody(*des_, data);
            return;
    }
}

void TOrdoTransforms::ApplyOutgoing(Bytes& data) {
    if (TransformOrderReversed()) {
        Encrypt(data);
        Compress(data);
    } else {
        Compress(data);
        Encrypt(data);
    }
}

void TOrdoTransforms::ApplyIncoming(Bytes& data) {
    if (TransformOrderReversed()) {
        Decompress(data);
        Decrypt(data);
    } else {
        Decrypt(data);
        Decompress(data);
    }
}

}  // namespace ordo
