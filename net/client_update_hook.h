#pragma once
// The client update the server pushes, as the socket sees it. The update writes files and
// scripts and starts processes, so it lives in its own library above this one; the socket's
// owner attaches it (update/socket_update.h). The socket keeps the messages, the properties
// and the progress of the receive path; the update keeps its window, its files and the restart.
#include <cstdint>

#include "core/bytes.h"

namespace ordo {

class IUiBackend;
class TOrdoClientSocket;
class TOrdoParamList;

/// What a socket without an attached update raises at the update's messages.
inline constexpr const char* kNoClientUpdateText = "No client update attached to the socket";

class IOrdoClientUpdateHook {
public:
    virtual ~IOrdoClientUpdateHook() = default;

    /// The patch program is beside the program being updated (the login asks for it otherwise).
    [[nodiscard]] virtual bool PatcherPresent() const = 0;
    /// Utility information kind 15: the list carrying the patch program.
    virtual void DeliverPatcher(const TOrdoParamList& params) = 0;

    /// True from "update begins" until the update stream.
    [[nodiscard]] virtual bool Updating() const = 0;
    /// "Update begins": the window opens.
    virtual void Begin(IUiBackend& ui) = 0;
    virtual void FrameStarted(std::int64_t frameSize) = 0;
    virtual void FrameProgress(std::int64_t received) = 0;
    virtual void ShowFrameIfUnseen(std::int64_t frameSize) = 0;
    /// The stream has come: the window closes.
    virtual void Finish() = 0;
    /// Puts the received build in place the socket's way (PatchFile, OnAutoClientUpgrade) and ends
    /// the program unless the handler took the restart over.
    virtual void PutInPlace(TOrdoClientSocket& socket, const Bytes& stream) = 0;

    /// One file segment (code -75008), reported through the socket's OnFileSegmentArrive.
    virtual void ArriveSegment(TOrdoClientSocket& socket, const TOrdoParamList& segment) = 0;
};

}  // namespace ordo
