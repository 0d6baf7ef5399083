// The client socket's part of the update the server pushes: the login's preparation, the
// patch program, update begins and update stream, and files sent in segments.
#include "net/client_socket.h"
#include "platform/ui.h"

namespace ordo {
namespace {

constexpr const char* kNeedPatcherName = "NeedPatcher";
constexpr const char* kTriggerName = "~OrdoTrigger";

}  // namespace

TOrdoParamList TOrdoClientSocket::LoginParams() {
    // Set in the client's own list and never taken out again: later logins still ask.
    if (!patchFile_.empty() && !update_.PatcherPresent()) {
        TOrdoParamItem* item = clientParams_.FindParam(kNeedPatcherName);
        if (item == nullptr) {
            item = &clientParams_.Add();
            item->SetName(kNeedPatcherName);
        }
        item->SetAsString("");
    }
    TOrdoParamList params = clientParams_.Clone();
    if (triggerList_) {
        TOrdoParamItem& trigger = params.Add();
        trigger.SetName(kTriggerName);
        trigger.SetAsString(ToString(triggerList_->SaveToString(false)));
    }
    return params;
}

void TOrdoClientSocket::HandlePatcherDelivery(TOrdoParamList& params) {
    const TOrdoParamItem* patcher = params.FindParam("Patcher");
    // An empty file under the patch program's name would pass for one and fail at the update.
    if (patcher == nullptr || patcher->ValueBytes().empty())
        throw EOrdoClientUpdateError("Patch program delivery without a \"Patcher\" value");
    update_.SavePatcher(patcher->ValueBytes());
}

void TOrdoClientSocket::HandleUpdateBegin() {
    update_.Begin(Ui());
    progressBar_ = true;
    // The stream may have begun in the chunk that brought this message: its start was passed
    // before there was a window to show it.
    if (receiveProgress_.FrameSize() > 0) update_.FrameStarted(receiveProgress_.FrameSize());
}

void TOrdoClientSocket::HandleUpdateStream(Bytes stream) {
    update_.ShowFrameIfUnseen(pipeline_.DeliveredFrameSize());
    update_.Finish();
    ReplyArrived(true);
    // Also when the update fails: the receive path must not keep reporting to a closed window.
    struct ProgressOff {
        bool& flag;
        ~ProgressOff() { flag = false; }
    } progressOff{progressBar_};
    if (!patchFile_.empty()) {
        RunPatchUpdate(stream);
    } else {
        RunPlainUpdate(stream);
    }
}

void TOrdoClientSocket::RunPlainUpdate(const Bytes& stream) {
    const std::string script = update_.SavePlainUpdate(stream);
    update_.Launch(script);
    TerminateApplication();
}

void TOrdoClientSocket::RunPatchUpdate(const Bytes& stream) {
    update_.SavePatchUpdate(stream, patchFile_);
    std::vector<std::string> lines = PatchRestartLines(update_.Program(), patchFile_);
    bool handled = false;
    if (OnAutoClientUpgrade) OnAutoClientUpgrade(*this, stream, handled, lines);
    const std::string script = update_.SaveRestartScript(lines);
    if (handled) return;
    update_.Launch(script);
    TerminateApplication();
}

void TOrdoClientSocket::HandleFileSegment(TOrdoParamList& params) {
    TOrdoFileSegments::ArriveEvent onArrive;
    if (OnFileSegmentArrive)
        onArrive = [this](const std::string& name, std::int64_t segment, std::int64_t received, std::int64_t size) {
            OnFileSegmentArrive(*this, name, segment, received, size);
        };
    segments_.Arrive(params, update_.Program().Folder(), onArrive);
}

}  // namespace ordo
