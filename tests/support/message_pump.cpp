#include "tests/support/message_pump.h"

#include <algorithm>
#include <chrono>

#include "platform/message_queue.h"

namespace ordo::test {

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        WaitMessage(static_cast<int>(std::min<long long>(left.count(), 20)));
        ProcessMessages();
    }
    return true;
}

bool DrainQuit() {
    TMessage m;
    bool found = false;
    while (PeekMessage(m, TMessageFilter{0, 0}, true))
        if (m.message == WM_QUIT) found = true;
    return found;
}

}  // namespace ordo::test
