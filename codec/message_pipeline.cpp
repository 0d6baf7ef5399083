#include "codec/message_pipeline.h"

#include <utility>

namespace ordo {

Bytes TOrdoMessagePipeline::EncodeFrame(TOrdoStringLine& line) {
    Bytes body = line.EncodeToText();
    ++sentCount_;
    bytesOut_ += static_cast<std::int64_t>(body.size());
    if (OnBytesOut) OnBytesOut(*this, body.size(), bytesOut_, sentCount_);
    transforms_.ApplyOutgoing(body);
    return PrefixFrame(body);
}

void TOrdoMessagePipeline::Feed(ByteView received) {
    if (received.empty()) return;
    stack_.AddData(received);
    DeliverQueued();
}

void TOrdoMessagePipeline::DeliverQueued() {
    while (stack_.HasMessages()) DeliverBody(stack_.PopMessage());
}

void TOrdoMessagePipeline::DeliverBody(Bytes body) {
    ++receivedCount_;
    bytesIn_ += static_cast<std::int64_t>(body.size());
    deliveredFrameSize_ = static_cast<std::int64_t>(body.size()) + 4;
    if (OnBytesIn) OnBytesIn(*this, body.size(), bytesIn_, receivedCount_);
    // An empty frame carries no line, whatever the transforms would make of it.
    if (body.empty()) return;
    transforms_.ApplyIncoming(body);
    if (body.empty()) return;
    std::lock_guard lock(dispatchLock_);
    TOrdoStringLine line;
    line.DecodeFromText(std::move(body));
    Dispatch(line);
}

void TOrdoMessagePipeline::Dispatch(TOrdoStringLine& line) {
    if (OnBeforeDispatch) OnBeforeDispatch(line);
    const Handler& handler = handlers_[line.Token()];
    if (handler)
        handler(line);
    else if (OnUnhandled)
        OnUnhandled(line);
}

}  // namespace ordo
