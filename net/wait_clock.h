#pragma once
// Time as the reply wait sees it: a millisecond tick count, and blocking until a message the wait
// takes is queued or its time runs out. The system's clock is the real one; a test hands the wait a
// clock of its own that moves only when told, so time limits are tested without waiting them out.
#include <cstdint>

#include "platform/message_queue.h"

namespace ordo {

class IOrdoWaitClock {
public:
    virtual ~IOrdoWaitClock() = default;
    /// Milliseconds since an arbitrary start, wrapping at 2^32.
    [[nodiscard]] virtual std::uint32_t Ticks() = 0;
    /// Blocks until a message that the filter accepts is queued or timeoutMs passes (-1: no limit).
    /// True when such a message is queued.
    virtual bool WaitFor(const TMessageFilter& filter, int timeoutMs) = 0;
    /// Lets ms pass without processing messages.
    virtual void Pause(std::uint32_t ms) = 0;
};

/// The thread's message queue and the system's tick count.
IOrdoWaitClock& SystemWaitClock() noexcept;

}  // namespace ordo
