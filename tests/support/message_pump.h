#pragma once
// The test thread's message queue served as the program's main loop serves it.
#include <functional>

namespace ordo::test {

/// Dispatches queued messages until `done` holds; false when `timeoutMs` passed first. A quit
/// message stops the dispatch and stays queued, as in the program (DrainQuit takes it).
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000);

/// Removes a quit message a test left behind, so that the next test's pump is not cut short;
/// true when there was one.
bool DrainQuit();

}  // namespace ordo::test
