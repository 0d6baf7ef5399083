#pragma once
// Shared by the desktop window tests: where screenshots go, and the colours the windows draw with.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/message_queue.h"
#include "tests/support/message_pump.h"
#include "tests/ui/x_probe.h"

namespace ordo::test {

inline constexpr TRgb kBarBlue{0, 0, 128};
inline constexpr TRgb kWindowGrey{192, 192, 192};

/// Folder for screenshots: $ORDO_WINDOW_ARTIFACTS, else the working directory.
inline std::string ArtifactPath(const std::string& fileName) {
    const char* dir = std::getenv("ORDO_WINDOW_ARTIFACTS");
    std::filesystem::path folder = dir != nullptr && *dir != '\0' ? dir : ".";
    std::filesystem::create_directories(folder);
    return (folder / fileName).string();
}

}  // namespace ordo::test
