#include "net/smart_wait.h"

#include <algorithm>

#include "ui/ui.h"

namespace ordo {
namespace {

class TSystemWaitClock final : public IOrdoWaitClock {
public:
    std::uint32_t Ticks() override { return GetTickCount(); }
    bool WaitFor(const TMessageFilter& filter, int timeoutMs) override { return WaitMessage(filter, timeoutMs); }
    void Pause(std::uint32_t ms) override { Sleep(ms); }
};

}  // namespace

IOrdoWaitClock& SystemWaitClock() noexcept {
    static TSystemWaitClock clock;
    return clock;
}

void TOrdoSmartWait::Wait() {
    if (waiting_) return;
    if (timeLimit_ != 0) startTick_ = clock_->Ticks();
    SetWaitCursor();
    if (OnStartOfWait) OnStartOfWait(*this);
    waiting_ = true;
    lastEnd_ = TWaitEnd::weStopped;
    while (waiting_) {
        if (!Pass()) break;
        if (processSync_) CheckSynchronize();
        // A reply that arrived in time counts, however long its handling took.
        if (!waiting_) break;
        if (LimitPassed()) {
            timedOut_ = true;
            lastEnd_ = TWaitEnd::weTimedOut;
            break;
        }
    }
    if (OnEndOfWait) OnEndOfWait(*this);
    waiting_ = false;
    RestoreCursor();
}

// One pass: block until a message for the target window, the stop message or the quit message
// is queued (or the time runs out) and dispatch it. Every other message stays queued untouched
// and is handled in order once the wait is over. False ends the loop.
bool TOrdoSmartWait::Pass() {
    const TMessageFilter filter{target_, kStopWaitMessage};
    TMessage msg;
    try {
        if (!clock_->WaitFor(filter, PollTimeout())) return true;
        if (!PeekMessage(msg, filter, true)) return true;
        if (msg.message == WM_QUIT) {
            // The outer loop must still learn that the program is to end.
            PostQuitMessage(static_cast<int>(msg.wParam));
            lastEnd_ = TWaitEnd::weQuit;
            return false;
        }
        dispatching_ = true;
        DispatchMessage(msg);
        dispatching_ = false;
    } catch (const std::exception& e) {
        dispatching_ = false;
        lastEnd_ = TWaitEnd::weFailed;
        lastFailure_ = e.what();
        return false;
    }
    return true;
}

void TOrdoSmartWait::StopWait() {
    // The wake-up is for a loop blocked in its queue. Called from inside the loop's own dispatch
    // (a reply handler), the loop sees the flag as soon as the dispatch returns, and a posted
    // wake-up would only linger and cost the next wait a pass.
    if (waiting_ && !dispatching_ && target_ != 0) PostMessage(target_, kStopWaitMessage, 0, 0);
    waiting_ = false;
}

bool TOrdoSmartWait::LimitPassed() const noexcept {
    return timeLimit_ != 0 && static_cast<std::uint32_t>(clock_->Ticks() - startTick_) > timeLimit_;
}

int TOrdoSmartWait::PollTimeout() const noexcept {
    // Queued cross-thread calls wake the wait by themselves; only the time limit bounds it.
    int timeout = -1;
    if (timeLimit_ != 0) {
        std::uint32_t elapsed = clock_->Ticks() - startTick_;
        // One past the limit, so that the test after the pass sees it exceeded.
        std::uint32_t left = elapsed > timeLimit_ ? 0 : timeLimit_ - elapsed + 1;
        int leftMs = static_cast<int>(std::min<std::uint32_t>(left, 0x7FFFFFFF));
        timeout = leftMs;
    }
    return timeout;
}

void TOrdoSmartWait::SetWaitCursor() {
    if (ui_ == nullptr) return;
    savedCursor_ = ui_->ScreenCursor();
    if (cursor_ == cqHourGlass && savedCursor_ != crHourGlass) ui_->SetScreenCursor(crHourGlass);
    if (cursor_ == cqSQLHourGlass && savedCursor_ != crSQLWait) ui_->SetScreenCursor(crSQLWait);
}

void TOrdoSmartWait::RestoreCursor() {
    if (ui_ == nullptr || cursor_ == cqNoChange) return;
    if (ui_->ScreenCursor() != savedCursor_) ui_->SetScreenCursor(savedCursor_);
}

}  // namespace ordo
