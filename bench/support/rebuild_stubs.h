#pragma once
// The parts of the program a balance rebuild measured on its own does without: a socket whose every request
// counts as answered, and no window.
#include "app/replay_ports.h"

namespace ordo::bench {

class TConfirmingSocket final : public IReplaySocket {
public:
    void SetUserName(const std::string&) override {}
    void SetReplyTimeLimit(std::uint32_t) override {}
    bool TimedOut() const override { return false; }
    bool LastWaitCompleted() const override { return true; }
};

class TNoView final : public IReplayView {
public:
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    void SetProgressVisible(bool) override {}
    void RepaintProgress() override {}
    void SetDefaultCursor() override {}
    void CloseWindow() override {}
};

}  // namespace ordo::bench
