// The live send and receive paths of the client socket and the reply wait around them.
#include <algorithm>

#include "core/wire.h"
#include "net/client_socket.h"

namespace ordo {
namespace {

constexpr std::size_t kChunkSize = 4096;
constexpr std::uint32_t kOptionCompress = 1u << 5;
constexpr std::uint32_t kOptionDelayed = 1u << 9;

}  // namespace

std::uint32_t TOrdoClientSocket::SelectOptionsForWire(std::uint32_t options) const noexcept {
    if (designMode_) options &= ~kOptionDelayed;
    if (Compression() == acOrdoCompress || Compression() == acUserDefined) options &= ~kOptionCompress;
    return options;
}

void TOrdoClientSocket::SendMessageLine(TOrdoStringLine& line, bool waitForReply) {
    // One request at a time: a reply wait in progress owns the connection.
    if (wait_.Waiting()) return;
    // Nothing can answer on a connection that is not there; waiting would only hang.
    if (ClientType() == ctNonBlocking && !Active()) {
        if (waitForReply) replies_.NotSent();
        return;
    }
    Bytes frame = pipeline_.EncodeFrame(line);
    if (ClientType() == ctBlocking) {
        if (BlockingStream() == nullptr) {
            sendQueue_.emplace_back(std::move(frame), waitForReply);
            return;
        }
        WriteFrame(frame);
        return;
    }
    if (!WriteFrame(frame)) {
        // The server holds a cut frame, and would read whatever comes next as its rest: this connection
        // is done. The request ends as a lost connection ends it, without a reply and without a wait
        // that nothing could end any more.
        if (waitForReply) replies_.Expect();
        if (Active()) Close();
        ReleaseLost();
        return;
    }
    if (waitForReply) WaitForReply();
}

std::string TOrdoClientSocket::Request(TOrdoStringLine& line, TRequestOptions options) {
    /// Ends the request's collecting however the sending ends.
    struct TInFlight {
        explicit TInFlight(TOrdoReplyState& r, bool raise) noexcept : replies(r) { replies.BeginRequest(raise); }
        ~TInFlight() { replies.EndRequest(); }
        TInFlight(const TInFlight&) = delete;
        TInFlight& operator=(const TInFlight&) = delete;
        TOrdoReplyState& replies;
    } inFlight(replies_, options.raisePendingError);
    if (ClientType() == ctBlocking) {
        SendMessageLine(line, false);
        return BlockingExchange();
    }
    SendMessageLine(line, options.wait);
    return options.wait ? TakeServerError() : std::string();
}

void TOrdoClientSocket::SendCodedMessage(std::int32_t code, const std::string& text) {
    TOrdoStringLine line(mcCodedMessage, 0);
    line.AddInteger(code);
    line.AddString(text);
    SendMessageLine(line, false);
    if (ClientType() != ctBlocking) return;
    std::string error = BlockingExchange();
    if (!error.empty()) throw EOrdoSocketError(error);
}

std::string TOrdoClientSocket::SendCodedParamList(std::int32_t code, const TOrdoParamList* params,
                                                  bool waitForReply) {
    if (ClientType() == ctNonBlocking && !Active()) throw EOrdoSocketError("Not Connected to Server");
    TOrdoStringLine line(mcCodedParamList, 0);
    line.AddInteger(code);
    line.AddItem(params != nullptr ? params->SaveToString(false) : Bytes{}, itString);
    line.AddInteger(waitForReply ? 1 : 0);
    replies_.SetPendingError({});
    SendMessageLine(line, waitForReply);
    if (ClientType() == ctBlocking && waitForReply) return BlockingExchange();
    return waitForReply ? replies_.TakePendingError() : std::string();
}

bool TOrdoClientSocket::WriteFrame(const Bytes& frame) {
    const auto total = static_cast<std::int64_t>(frame.size());
    const bool progress = progressBar_ && OnReadProgress;
    if (progress) OnReadProgress(*this, total, 0);
    // A peer that stops reading would hold the writer here for ever; the reply time limit bounds the
    // time without progress as it bounds the wait for the reply.
    IOrdoWaitClock& clock = wait_.Clock();
    std::uint32_t lastProgress = clock.Ticks();
    std::size_t sent = 0;
    while (sent < frame.size()) {
        std::size_t chunk = std::min(kChunkSize, frame.size() - sent);
        std::ptrdiff_t n = WriteSome(ByteView(frame).subspan(sent, chunk), sent + chunk < frame.size());
        if (n < 0) {
            const std::uint32_t limit = wait_.TimeLimit();
            if (limit != 0 && static_cast<std::uint32_t>(clock.Ticks() - lastProgress) > limit) break;
            clock.Pause(1);  // the connection cannot take more now: give the peer time to read
            continue;
        }
        if (n == 0) break;
        if (progress) OnReadProgress(*this, total, static_cast<std::int64_t>(sent));
        sent += static_cast<std::size_t>(n);
        lastProgress = clock.Ticks();
    }
    if (progress) OnReadProgress(*this, 0, 0);
    return sent == frame.size();
}

void TOrdoClientSocket::DoReadReady() {
    const std::size_t discards = pipeline_.Stack().DiscardCount();
    bool received = false;
    std::uint8_t buffer[kChunkSize];
    for (;;) {
        std::ptrdiff_t n = ReadSome(buffer);
        if (n <= 0) break;
        ByteView chunk(buffer, static_cast<std::size_t>(n));
        TrackReadProgress(chunk);
        // Each chunk goes straight to the frame cutter, which keeps only the bytes of frames not yet
        // whole: a result of tens of megabytes is copied once, into its frame, and not first through
        // a buffer growing behind it. Delivery still waits until everything available has been read.
        try {
            pipeline_.Stack().AddData(chunk);
        } catch (const std::exception& e) {
            // No room for the frame: the stream is out of step from here on, and only a fresh connection is in
            // step again.
            ReportDispatchFailure(e.what());
            pipeline_.Stack().Clear();
            if (Active()) Close();
            return;
        }
        received = true;
        // A short read emptied the socket; bytes arriving later raise a read notification of
        // their own, so asking again now would only cost a call that finds nothing.
        if (static_cast<std::size_t>(n) < sizeof buffer) break;
    }
    if (received) DeliverReceived(discards);
}

// A failing message must not hold back the ones behind it: with nothing more arriving they
// would wait for a read notification that never comes. Every queued frame is delivered now;
// a frame whose decoding or handling fails is dropped.
void TOrdoClientSocket::DeliverReceived(std::size_t discardsBefore) {
    while (pipeline_.Stack().HasMessages()) {
        try {
            pipeline_.DeliverQueued();
        } catch (const std::exception& e) {
            ReportDispatchFailure(e.what());
        }
    }
    // A length no frame may have means the start of the next frame is lost: whatever follows
    // would be cut in the wrong places, and a stray piece could even pass for a reply. Only a
    // fresh connection is in step again, so this one ends here, which also ends a running wait.
    if (pipeline_.Stack().DiscardCount() != discardsBefore && Active()) Close();
}

// Followed for every chunk, shown or not: a chunk can end one frame and begin the next, and
// progress switched on between two frames must still find the next one's length prefix.
void TOrdoClientSocket::TrackReadProgress(ByteView chunk) {
    receiveProgress_.Feed(
        chunk,
        [this](std::int64_t frameSize) {
            if (progressBar_ && UpdateArriving()) update_->FrameStarted(frameSize);
        },
        [this](std::int64_t frameSize, std::int64_t received) {
            if (progressBar_) ReportReadProgress(frameSize, received);
        });
}

void TOrdoClientSocket::ReportReadProgress(std::int64_t size, std::int64_t done) {
    // While an update arrives its window shows the progress instead.
    if (UpdateArriving()) {
        update_->FrameProgress(done);
    } else if (OnReadProgress) {
        OnReadProgress(*this, size, done);
    }
}

void TOrdoClientSocket::WaitForReply() {
    if (designMode_ || ClientType() == ctBlocking) return;
    // A wait already running cannot take this one over; counting it would leave a reply owed
    // that never comes and stall the next wait.
    if (wait_.Waiting()) return;
    replies_.Expect();
    wait_.Wait();
    if (wait_.LastWaitEnd() != TWaitEnd::weStopped) replies_.WaitGaveUp(wait_.LastWaitEnd() == TWaitEnd::weTimedOut);
}

void TOrdoClientSocket::ReplyArrived(bool force) {
    connectWait_ = false;
    if (replies_.Arrived(force)) wait_.StopWait();
}

void TOrdoClientSocket::ReleaseLost() {
    connectWait_ = false;
    if (replies_.Lost()) wait_.StopWait();
}

// A frame that is cut cleanly but does not decode, or whose handler fails, is the reply the request in
// flight waited for as far as anyone can tell: the request fails with it now rather than at its time limit,
// and never passes for a success.
void TOrdoClientSocket::ReportDispatchFailure(const std::string& text) {
    if (replies_.InFlight()) {
        replies_.Fail(text);
        ReplyArrived(true);
    } else {
        lastDispatchError_ = text;
    }
    if (OnDispatchError) OnDispatchError(*this, text);
}

void TOrdoClientSocket::SetReplyTimeLimit(std::uint32_t milliseconds) {
    wait_.SetTimeLimit(milliseconds);
    if (milliseconds > 0) wait_.OnEndOfWait = endOfWait_;
}

std::string TOrdoClientSocket::TakeServerError() { return replies_.TakeServerError(); }

}  // namespace ordo
