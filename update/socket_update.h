#pragma once
// The client update attached to a client socket: the socket hands it the update's messages, and
// it puts the new build in place the way the socket's properties ask (PatchFile,
// OnAutoClientUpgrade) and writes the files the server sends in segments.
#include "net/client_update_hook.h"
#include "update/client_update.h"
#include "update/file_segments.h"
#include "update/update_guard.h"

#include <set>
#include <string>

namespace ordo {

class TOrdoSocketUpdate : public IOrdoClientUpdateHook {
public:
    /// The program being updated, the clock of the update window and the script launcher.
    [[nodiscard]] TOrdoClientUpdate& ClientUpdate() noexcept { return update_; }
    [[nodiscard]] const TOrdoFileSegments& FileSegments() const noexcept { return segments_; }
    /// Decides whether the server may write beside the program (PushRefusal unless replaced).
    void SetPushGuard(TPushGuard guard) { guard_ = std::move(guard); }

    [[nodiscard]] bool PatcherPresent() const override { return update_.PatcherPresent(); }
    void DeliverPatcher(const TOrdoParamList& params) override;
    [[nodiscard]] bool Updating() const override { return update_.Updating(); }
    void Begin(IUiBackend& ui) override { update_.Begin(ui); }
    void FrameStarted(std::int64_t frameSize) override { update_.FrameStarted(frameSize); }
    void FrameProgress(std::int64_t received) override { update_.FrameProgress(received); }
    void ShowFrameIfUnseen(std::int64_t frameSize) override { update_.ShowFrameIfUnseen(frameSize); }
    void Finish() override { update_.Finish(); }
    void PutInPlace(TOrdoClientSocket& socket, const Bytes& stream) override;
    void ArriveSegment(TOrdoClientSocket& socket, const TOrdoParamList& segment) override;

private:
    void RunPlainUpdate(TOrdoClientSocket& socket, const Bytes& stream);
    void RunPatchUpdate(TOrdoClientSocket& socket, const Bytes& stream);
    /// Why nothing may be written beside the program now, or nothing.
    [[nodiscard]] std::optional<std::string> Refusal() const;
    /// Says the refusal through the socket's user interface (standard error when headless).
    void SayRefused(TOrdoClientSocket& socket, const std::string& what, const std::string& why) const;

    TOrdoClientUpdate update_;
    TOrdoFileSegments segments_;
    TPushGuard guard_ = PushRefusal;
    std::set<std::string> refusedFiles_;  // pushed files already said to be refused, said once each
};

/// Gives the socket its client update (replacing any attached before); the socket owns it.
TOrdoSocketUpdate& AttachClientUpdate(TOrdoClientSocket& socket);

}  // namespace ordo
