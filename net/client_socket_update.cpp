// The client socket's part of the update the server pushes: the login's preparation and the
// messages of the patch program, update begins, update stream and files sent in segments, handed
// to the attached update.
#include "net/client_socket.h"

namespace ordo {
namespace {

constexpr const char* kNeedPatcherName = "NeedPatcher";
constexpr const char* kTriggerName = "~OrdoTrigger";

}  // namespace

void TOrdoClientSocket::SetClientUpdate(std::unique_ptr<IOrdoClientUpdateHook> update) noexcept {
    update_ = std::move(update);
}

IOrdoClientUpdateHook& TOrdoClientSocket::AttachedUpdate() {
    if (!update_) throw EOrdoError(kNoClientUpdateText);
    return *update_;
}

bool TOrdoClientSocket::UpdateArriving() const noexcept { return update_ && update_->Updating(); }

TOrdoParamList TOrdoClientSocket::LoginParams() {
    // Set in the client's own list and never taken out again: later logins still ask.
    if (!patchFile_.empty() && !(update_ && update_->PatcherPresent())) {
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

void TOrdoClientSocket::HandlePatcherDelivery(TOrdoParamList& params) { AttachedUpdate().DeliverPatcher(params); }

void TOrdoClientSocket::HandleUpdateBegin() {
    IOrdoClientUpdateHook& update = AttachedUpdate();
    update.Begin(Ui());
    progressBar_ = true;
    // The stream may have begun in the chunk that brought this message: its start was passed
    // before there was a window to show it.
    if (receiveProgress_.FrameSize() > 0) update.FrameStarted(receiveProgress_.FrameSize());
}

void TOrdoClientSocket::HandleUpdateStream(Bytes stream) {
    if (update_) {
        update_->ShowFrameIfUnseen(pipeline_.DeliveredFrameSize());
        update_->Finish();
    }
    ReplyArrived(true);
    // Also when the update fails: the receive path must not keep reporting to a closed window.
    struct ProgressOff {
        bool& flag;
        ~ProgressOff() { flag = false; }
    } progressOff{progressBar_};
    AttachedUpdate().PutInPlace(*this, stream);
}

void TOrdoClientSocket::HandleFileSegment(TOrdoParamList& params) { AttachedUpdate().ArriveSegment(*this, params); }

}  // namespace ordo
