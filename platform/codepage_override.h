#pragma once
// The code page a test pinned (OverrideAnsiCodePage), kept once for both backends.
#include <string>

namespace ordo::detail {

/// The pinned codeset, or an empty string when the system's stands.
std::string OverriddenAnsiCodePage();

}  // namespace ordo::detail
