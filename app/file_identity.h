#pragma once
// The identity of a queued statement file, for a server that runs each file's work at most once.
//
// How the program uses it, with [FQREPLAY] ExactlyOnce=1 (ReadExactlyOnce): right before a statement file's request
//
//   socket.AttachToNextRequest(ReplayIdentityLine(FileIdentity(dmgid, name, size, modified, content)));
//
// and the socket writes the identity in the same write as that select or execute request, so nothing can come
// between the two; after the request, whatever became of it, the program drops an identity still attached.
//
// Every statement file's request carries one, selects included; rebuild commands carry none (a rebuild computes
// the same ledger again). Without ExactlyOnce nothing is sent, so the traffic is what it always was.
#include <cstdint>
#include <string>
#include <string_view>

#include "codec/string_line.h"
#include "params/replay_identity.h"

namespace ordo {

/// The key covers the installation, the file's name, size and modification time and a hash of its content, so the
/// same name queued again later (another time stamp) is new work even with the same text, while a file left in
/// place by a lost reply keeps its key across runs. `content` is the file's content as the walk loaded it.
[[nodiscard]] TReplayIdentity FileIdentity(std::string_view installation, std::string_view fileName,
                                           std::int64_t fileSize, std::int64_t modifiedNs, std::string_view content);

/// The coded parameter list (28, data set 0) that carries the identity, wait flag 0.
[[nodiscard]] TOrdoStringLine ReplayIdentityLine(const TReplayIdentity& identity);

/// [FQREPLAY] ExactlyOnce of Environment.ini in `exeFolder`: "1" on; "0", empty or missing off. Raises
/// EConvertError naming the file and the key for any other value: a misspelt setting must not turn the journal off
/// unnoticed.
[[nodiscard]] bool ReadExactlyOnce(const std::string& exeFolder);

}  // namespace ordo
