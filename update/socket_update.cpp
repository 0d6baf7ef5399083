// The update's part of the client socket: the patch program, putting the update in place and
// files sent in segments.
#include "update/socket_update.h"

#include <memory>

#include "net/client_socket.h"
#include "ui/ui.h"

namespace ordo {

std::optional<std::string> TOrdoSocketUpdate::Refusal() const { return guard_(update_.Program().Folder()); }

void TOrdoSocketUpdate::SayRefused(TOrdoClientSocket& socket, const std::string& what, const std::string& why) const {
    socket.Ui().ShowMessage(update_.Program().Name() + ": " + what + " from the server is refused: " + why +
                            "; update the program through its package or by hand");
}

void TOrdoSocketUpdate::DeliverPatcher(const TOrdoParamList& params) {
    // The patch program would be started by the update that follows, which says the refusal.
    if (auto why = Refusal()) throw EOrdoClientUpdateError("Patch program delivery refused: " + *why);
    const TOrdoParamItem* patcher = params.FindParam("Patcher");
    // An empty file under the patch program's name would pass for one and fail at the update.
    if (patcher == nullptr || patcher->ValueBytes().empty())
        throw EOrdoClientUpdateError("Patch program delivery without a \"Patcher\" value");
    update_.SavePatcher(patcher->ValueBytes());
}

void TOrdoSocketUpdate::PutInPlace(TOrdoClientSocket& socket, const Bytes& stream) {
    // Refused, the program goes on with its work as the build it is.
    if (auto why = Refusal()) return SayRefused(socket, "a new build of the program", *why);
    if (!socket.PatchFile().empty()) {
        RunPatchUpdate(socket, stream);
    } else {
        RunPlainUpdate(socket, stream);
    }
}

void TOrdoSocketUpdate::RunPlainUpdate(TOrdoClientSocket& socket, const Bytes& stream) {
    const std::string script = update_.SavePlainUpdate(stream);
    update_.Launch(script);
    socket.TerminateApplication();
}

void TOrdoSocketUpdate::RunPatchUpdate(TOrdoClientSocket& socket, const Bytes& stream) {
    const std::string& patchFile = socket.PatchFile();
    update_.SavePatchUpdate(stream, patchFile);
    std::vector<std::string> lines = PatchRestartLines(update_.Program(), patchFile);
    bool handled = false;
    if (socket.OnAutoClientUpgrade) socket.OnAutoClientUpgrade(socket, stream, handled, lines);
    const std::string script = update_.SaveRestartScript(lines);
    if (handled) return;
    update_.Launch(script);
    socket.TerminateApplication();
}

void TOrdoSocketUpdate::ArriveSegment(TOrdoClientSocket& socket, const TOrdoParamList& segment) {
    if (auto why = Refusal()) {
        const TOrdoParamItem* name = segment.FindParam("LocalFileName");
        const std::string file = name != nullptr ? name->AsString() : std::string("?");
        if (refusedFiles_.insert(file).second) SayRefused(socket, "the file \"" + file + "\"", *why);
        return;
    }
    TOrdoFileSegments::ArriveEvent onArrive;
    if (socket.OnFileSegmentArrive)
        onArrive = [&socket](const std::string& name, std::int64_t size, std::int64_t received, std::int64_t total) {
            socket.OnFileSegmentArrive(socket, name, size, received, total);
        };
    segments_.Arrive(segment, update_.Program().Folder(), onArrive);
}

TOrdoSocketUpdate& AttachClientUpdate(TOrdoClientSocket& socket) {
    auto update = std::make_unique<TOrdoSocketUpdate>();
    TOrdoSocketUpdate& attached = *update;
    socket.SetClientUpdate(std::move(update));
    return attached;
}

}  // namespace ordo
