#pragma once
// The identity of one queued statement file, as it travels ahead of the file's request: a coded parameter list
// (message 28) with the code kReplayIdentityCode, this list as its second item and the wait flag 0. A server that
// keeps a replay journal runs the request that follows at most once per key; any other server ignores a coded
// list it has no use for and runs the request as always.
#include <cstdint>
#include <string>

#include "core/bytes.h"

namespace ordo {

/// The code of the coded parameter list that carries a replay identity; no other message of the protocol uses it.
inline constexpr std::int32_t kReplayIdentityCode = -75290;

struct TReplayIdentity {
    /// 64 lower-case hexadecimal digits; the only part the server relies on, the rest is for its log.
    std::string key;
    std::string installation;  ///< DMGID
    std::string fileName;
    std::int64_t fileSize = 0;
    std::int64_t fileTime = 0;  ///< modification time, nanoseconds since 1970-01-01 00:00 UTC
    std::string contentHash;    ///< SHA-256 of the content, hexadecimal
};

/// The parameter list string of the identity: Key, DMGID, FileName, FileSize, FileTime, ContentHash.
[[nodiscard]] Bytes SaveReplayIdentity(const TReplayIdentity& identity);
/// Reads the list back. Raises EOrdoProtocolError when it holds no Key of 64 hexadecimal digits.
[[nodiscard]] TReplayIdentity LoadReplayIdentity(ByteView list);

}  // namespace ordo
