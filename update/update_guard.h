#pragma once
// When the server's pushes may write beside the program. A pushed build replaces the program and
// runs; a pushed file lands in the program's folder, under any name the server chooses. Either
// is accepted only where the program is its running user's own: a copy in a folder that user
// owns and may write in, run without the system's full rights. A packaged program (root's folder)
// is updated through its package, and a run as root never starts code that came over the network.
#include <functional>
#include <optional>
#include <string>

namespace ordo {

/// Why the server may not write into `folder` for this process, in a phrase that completes
/// "refused: ..."; nothing when it may.
std::optional<std::string> PushRefusal(const std::string& folder);

/// The check a socket's update makes; tests put in another.
using TPushGuard = std::function<std::optional<std::string>(const std::string& folder)>;

}  // namespace ordo
