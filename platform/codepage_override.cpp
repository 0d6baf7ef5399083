// The pinned code page, alike on every system.
#include "platform/codepage_override.h"

#include <mutex>

#include "platform/codepage.h"

namespace ordo {
namespace {

// Reached through a function so that texts built while other files' globals are constructed (a
// constant holding a Korean literal) find it ready, whatever order the linker chose.
struct CodePageOverride {
    std::mutex mutex;
    std::string codeset;  // guarded by mutex
};

CodePageOverride& Override() {
    static CodePageOverride state;
    return state;
}

}  // namespace

void OverrideAnsiCodePage(std::string_view codeset) {
    auto& o = Override();
    std::lock_guard lock(o.mutex);
    o.codeset = std::string(codeset);
}

namespace detail {

std::string OverriddenAnsiCodePage() {
    auto& o = Override();
    std::lock_guard lock(o.mutex);
    return o.codeset;
}

}  // namespace detail
}  // namespace ordo
