#pragma once
// Shared by the desktop window tests: the thread's queue served as the main loop serves it,
// where screenshots go, and the colours the windows draw with.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/message_queue.h"
#include "tests/ui/x_probe.h"

namespace ordo::test {

inline constexpr TRgb kBarBlue{0, 0, 128};
inline constexpr TRgb kWindowGrey{192, 192, 192};

/// Dispatches queued messages, as the main loop would, until `done` holds; false when
/// `timeoutMs` passed first.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    const std::uint32_t start = GetTickCount();
    while (!done()) {
        if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
        WaitMessage(20);
        TMessage msg;
        while (PeekMessage(msg, TMessageFilter{}, true))
            if (msg.message != WM_QUIT) DispatchMessage(msg);
    }
    return true;
}

/// Folder for screenshots: $ORDO_WINDOW_ARTIFACTS, else the working directory.
inline std::string ArtifactPath(const std::string& fileName) {
    const char* dir = std::getenv("ORDO_WINDOW_ARTIFACTS");
    std::filesystem::path folder = dir != nullptr && *dir != '\0' ? dir : ".";
    std::filesystem::create_directories(folder);
    return (folder / fileName).string();
}

}  // namespace ordo::test
