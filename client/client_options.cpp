#include "client/client_options.h"

namespace ordo {

const char* UpdateMethodName(TOrdoUpdateMethod method) noexcept {
    switch (method) {
        case umCached: return "umCached";
        case umAfterPost: return "umAfterPost";
        case umManual: break;
    }
    return "umManual";
}

TOrdoUpdateMethod UpdateMethodFromName(const std::string& name) noexcept {
    if (name == "umCached") return umCached;
    if (name == "umAfterPost") return umAfterPost;
    return umManual;
}

}  // namespace ordo
