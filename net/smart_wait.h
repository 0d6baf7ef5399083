#pragma once
// The reply wait: a local message loop that lets only one window's messages through (the
// socket's notifications) and holds back every other message until the wait ends.
#include <cstdint>
#include <functional>
#include <string>

#include "net/client_socket_types.h"
#include "net/wait_clock.h"
#include "platform/message_queue.h"

namespace ordo {

class IUiBackend;

/// How the last wait ended.
enum class TWaitEnd : std::uint8_t {
    weNone = 0,     ///< no wait has run yet
    weStopped,      ///< StopWait: a reply or a disconnect ended it
    weTimedOut,     ///< the time limit passed
    weQuit,         ///< the quit message arrived (it is put back for the outer loop)
    weFailed,       ///< a dispatched message raised an exception
};

/// One per socket. Waits do not nest: a Wait while one runs returns at once.
class TOrdoSmartWait {
public:
    /// Message posted by StopWait (the first user message number + 1).
    static constexpr std::uint32_t kStopWaitMessage = WM_USER + 1;

    explicit TOrdoSmartWait(WindowHandle targetWindow = 0) noexcept : target_(targetWindow) {}

    /// Runs the loop until StopWait, the time limit, the quit message or a failing dispatch.
    void Wait();
    /// Lets the loop end at its next test, waking it (with message 1025) when it is blocked.
    void StopWait();

    [[nodiscard]] std::uint32_t TimeLimit() const noexcept { return timeLimit_; }
    /// Milliseconds; 0 waits without limit.
    void SetTimeLimit(std::uint32_t ms) noexcept { timeLimit_ = ms; }
    [[nodiscard]] TWaitingCursor WaitingCursor() const noexcept { return cursor_; }
    void SetWaitingCursor(TWaitingCursor value) noexcept { cursor_ = value; }
    [[nodiscard]] bool KillKeyboardInput() const noexcept { return killKeyboard_; }
    void SetKillKeyboardInput(bool value) noexcept { killKeyboard_ = value; }
    [[nodiscard]] bool ProcessSynchronize() const noexcept { return processSync_; }
    void SetProcessSynchronize(bool value) noexcept { processSync_ = value; }
    [[nodiscard]] WindowHandle TargetWindow() const noexcept { return target_; }
    void SetTargetWindow(WindowHandle value) noexcept { target_ = value; }
    /// Where the waiting cursor is shown; none: the cursor is left alone.
    void SetUi(IUiBackend* ui) noexcept { ui_ = ui; }
    /// The clock the time limit is measured with; the system's unless replaced (it must outlive the wait).
    void SetClock(IOrdoWaitClock& clock) noexcept { clock_ = &clock; }
    [[nodiscard]] IOrdoWaitClock& Clock() const noexcept { return *clock_; }

    [[nodiscard]] bool Waiting() const noexcept { return waiting_; }
    /// Set by the first wait that runs out of time and never cleared: the caller of any later
    /// request still sees that a reply was given up on.
    [[nodiscard]] bool TimedOut() const noexcept { return timedOut_; }
    [[nodiscard]] TWaitEnd LastWaitEnd() const noexcept { return lastEnd_; }
    /// What the dispatch that ended the last weFailed wait raised.
    [[nodiscard]] const std::string& LastFailure() const noexcept { return lastFailure_; }

    std::function<void(TOrdoSmartWait& sender)> OnStartOfWait;
    /// Kept for handlers that expect it; the loop never calls it.
    std::function<void(TOrdoSmartWait& sender)> OnWaitTick;
    std::function<void(TOrdoSmartWait& sender)> OnEndOfWait;

private:
    bool Pass();
    [[nodiscard]] bool LimitPassed() const noexcept;
    [[nodiscard]] int PollTimeout() const noexcept;
    void SetWaitCursor();
    void RestoreCursor();

    std::uint32_t timeLimit_ = 0;
    TWaitingCursor cursor_ = cqNoChange;
    bool killKeyboard_ = true;
    bool processSync_ = true;
    bool waiting_ = false;
    bool dispatching_ = false;
    bool timedOut_ = false;
    TWaitEnd lastEnd_ = TWaitEnd::weNone;
    WindowHandle target_ = 0;
    std::uint32_t startTick_ = 0;
    int savedCursor_ = 0;
    IUiBackend* ui_ = nullptr;
    std::string lastFailure_;
    IOrdoWaitClock* clock_ = &SystemWaitClock();
};

}  // namespace ordo
