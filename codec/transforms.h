#pragma once
// The optional transforms between an encoded message line and its frame: compression and
// encryption. Nothing in a frame says which were applied, so both ends must be set alike.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/bytes.h"
#include "core/errors.h"

namespace ordo {

class TOrdoDESKey;

enum TOrdoCompression : std::uint8_t {
    acNoCompression = 0,
    acOrdoCompress = 1,
    acUserDefined = 2,
    acOrdoZLib = 3,
};

enum TOrdoEncryption : std::uint8_t {
    etNoEncryption = 0,
    etOrdoEncrypt = 1,
    etUserDefined = 2,
    etAESEncrypt = 3,
    etDESEncrypt = 4,
};

/// A transform that cannot run: a missing key or handler, bad input, a zlib failure.
class EOrdoTransformError : public EOrdoError {
public:
    using EOrdoError::EOrdoError;
};

/// A user-defined transform is selected but its event handler is not assigned.
class EUserDefinedEncComp : public EOrdoTransformError {
public:
    using EOrdoTransformError::EOrdoTransformError;
};

/// DES: no key, or an encrypted body of the wrong shape.
class EDESError : public EOrdoTransformError {
public:
    using EOrdoTransformError::EOrdoTransformError;
};

/// The process-wide order switch. false: compress then encrypt on sending and decrypt then
/// decompress on receiving; true: the reverse order on both sides.
[[nodiscard]] bool TransformOrderReversed() noexcept;
void SetTransformOrderReversed(bool reversed) noexcept;

/// The transform settings of one connection and the transforms themselves. Owned by the socket
/// (or a server session); its events take this object as sender, so the owner forwards them.
class TOrdoTransforms {
public:
    using DataEvent = std::function<void(TOrdoTransforms& sender, Bytes& data)>;
    using StatelessEvent = std::function<void(TOrdoTransforms& sender, Bytes& data, bool outgoing)>;

    TOrdoTransforms();
    ~TOrdoTransforms();
    TOrdoTransforms(const TOrdoTransforms&) = delete;
    TOrdoTransforms& operator=(const TOrdoTransforms&) = delete;

    [[nodiscard]] TOrdoCompression Compression() const noexcept { return compression_; }
    /// acOrdoCompress is stored and then refused with an exception telling to use zlib.
    void SetCompression(TOrdoCompression value);

    [[nodiscard]] TOrdoEncryption Encryption() const noexcept { return encryption_; }
    /// Also sets the working encryption; etDESEncrypt builds the key schedule from a key set.
    void SetEncryption(TOrdoEncryption value);
    /// The value the transforms use; the socket resets it at disconnect and before login.
    [[nodiscard]] TOrdoEncryption WorkingEncryption() const noexcept { return working_; }
    void SetWorkingEncryption(TOrdoEncryption value) noexcept { working_ = value; }
    void ResetWorkingEncryption() noexcept { working_ = encryption_; }

    [[nodiscard]] const std::string& EncryptKeyIn() const noexcept { return keyIn_; }
    [[nodiscard]] const std::string& EncryptKeyOut() const noexcept { return keyOut_; }
    /// Under etDESEncrypt a new text rebuilds the schedule and is copied to the other key.
    void SetEncryptKeyIn(const std::string& value);
    void SetEncryptKeyOut(const std::string& value);
    [[nodiscard]] bool HasDESKey() const noexcept { return des_ != nullptr; }

    /// Each replaces `data` with its result.
    void Compress(Bytes& data);
    void Decompress(Bytes& data);
    void Encrypt(Bytes& data);
    void Decrypt(Bytes& data);
    /// Both transforms in the order the process-wide switch gives.
    void ApplyOutgoing(Bytes& data);
    void ApplyIncoming(Bytes& data);

    DataEvent OnEncrypt;
    DataEvent OnDecrypt;
    DataEvent OnCompress;
    DataEvent OnDecompress;
    StatelessEvent OnStatelessPacketEvent;

private:
    void BuildKey(const std::string& text);
    void SetKey(std::string& target, std::string& other, const std::string& value);

    TOrdoCompression compression_ = acNoCompression;
    TOrdoEncryption encryption_ = etNoEncryption;
    TOrdoEncryption working_ = etNoEncryption;
    std::string keyIn_;
    std::string keyOut_;
    std::unique_ptr<TOrdoDESKey> des_;
};

/// etOrdoEncrypt: every byte moves up by 4 (mod 256) on sending and back on receiving.
void OrdoEncryptBytes(Bytes& data) noexcept;
void OrdoDecryptBytes(Bytes& data) noexcept;

}  // namespace ordo
