// The live send and receive paths of the client socket and the reply wait around them.
#include <algorithm>

#include "core/wire.h"
#include "net/client_socket.h"

namespace ordo {
namespace {

constexpr std::size_t kChunkSize = 4096;
constexpr std::uint32_t kOptionCompress = 1u << 5;
constexpr std::uint32_t kOptionDelayed = 1u << 9;
/// A handle no window has: a filter on it lets only the quit message through.
constexpr WindowHandle kNoWindow = ~WindowHandle{0};

}  // namespace

std::uint32_t TOrdoClientSocket::SelectOptionsForWire(std::uint32_t options) const noexcept {
    if (designMode_) options &= ~kOptionDelayed;
    if (Compression() == acOrdoCompress || Compression() == acUserDefined) options &= ~kOptionCompress;
    return options;
}

void TOrdoClientSocket::SendMessageLine(TOrdoStringLine& line, bool waitForReply) {
    // The blocking client type's callers run the exchange themselves.
    if (!waitForReply || ClientType() == ctBlocking) {
        Transmit(line, waitForReply);
        return;
    }
    lastOutcome_ = Exchange(line, {.wait = true, .raisePendingError = false}, false);
}

TOrdoRequestOutcome TOrdoClientSocket::Request(TOrdoStringLine& line, TRequestOptions options) {
    return Exchange(line, options, true);
}

TOrdoRequestOutcome TOrdoClientSocket::Exchange(TOrdoStringLine& line, TRequestOptions options, bool collects) {
    /// Ends the request's record however the sending ends, an exception included.
    struct TRecordScope {
        TRecordScope(TOrdoReplyState& r, std::uint64_t requestId) noexcept : replies(r), id(requestId) {}
        ~TRecordScope() {
            if (id != 0) (void)replies.End(id);
        }
        TRecordScope(const TRecordScope&) = delete;
        TRecordScope& operator=(const TRecordScope&) = delete;
        TOrdoReplyState& replies;
        std::uint64_t id;
    } scope(replies_, replies_.Begin(KindOfRequest(line.Token()), line.DataSetId(), collects,
                                     options.raisePendingError));
    // Taken whether or not the request goes out: a line meant for this request must not ride on a later one.
    std::optional<TOrdoStringLine> prefix;
    if (nextRequestPrefix_ && (line.Token() == mcSelectSQL || line.Token() == mcExecSQL)) {
        prefix = std::move(nextRequestPrefix_);
        nextRequestPrefix_.reset();
    }
    TOrdoStringLine* const ahead = prefix ? &*prefix : nullptr;
    std::string blockingText;
    if (ClientType() == ctBlocking) {
        Transmit(line, false, ahead);
        blockingText = BlockingExchange();
    } else {
        Transmit(line, options.wait, ahead);
    }
    TOrdoRequestOutcome outcome = replies_.End(scope.id);
    scope.id = 0;
    if (ClientType() == ctBlocking) {
        // The exchange read until the server closed: what came is all there is.
        if (outcome.end == TRequestEnd::rePending) outcome.end = TRequestEnd::reReplied;
        if (!blockingText.empty()) outcome.end = TRequestEnd::reRefused;
        if (collects) outcome.text = std::move(blockingText);
    } else if (collects && options.wait) {
        // The text the request collected, as the data set raises it; a text that reached the socket after the
        // request's own answer (a second error in the same read) is not this request's failure.
        std::string collected = TakeServerError();
        if (outcome.end == TRequestEnd::reRefused || outcome.end == TRequestEnd::reFailed)
            outcome.text = std::move(collected);
        else
            outcome.text.clear();
    }
    return outcome;
}

void TOrdoClientSocket::Transmit(TOrdoStringLine& line, bool waitForReply, TOrdoStringLine* prefix) {
    // One request at a time: a reply wait in progress owns the connection.
    if (wait_.Waiting()) {
        if (waitForReply) replies_.NotSent();
        return;
    }
    // Nothing can answer on a connection that is not there; waiting would only hang.
    if (ClientType() == ctNonBlocking && !Active()) {
        if (waitForReply) replies_.NotSent();
        return;
    }
    // One write for both: a connection that breaks in between carries neither whole, and the request then
    // ends unsent or lost like any other.
    Bytes frame = prefix != nullptr ? pipeline_.EncodeFrame(*prefix) : Bytes{};
    Bytes request = pipeline_.EncodeFrame(line);
    if (frame.empty())
        frame = std::move(request);
    else
        frame.insert(frame.end(), request.begin(), request.end());
    if (ClientType() == ctBlocking) {
        if (BlockingStream() == nullptr) {
            sendQueue_.emplace_back(std::move(frame), waitForReply);
            return;
        }
        (void)WriteFrame(frame);
        return;
    }
    if (waitForReply) replies_.Expect();
    const TWriteEnd written = WriteFrame(frame);
    if (written == TWriteEnd::weWhole) {
        if (waitForReply) WaitForSentReply();
        return;
    }
    // The server holds a cut frame, and would read whatever comes next as its rest: this connection is done.
    // The request ends without a reply and without a wait that nothing could end any more.
    if (written == TWriteEnd::weAbandoned && waitForReply) replies_.WaitGaveUp(false);
    if (Active()) Close();
    ReleaseLost();
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

TOrdoClientSocket::TWriteEnd TOrdoClientSocket::WriteFrame(const Bytes& frame) {
    const auto total = static_cast<std::int64_t>(frame.size());
    const bool progress = progressBar_ && OnReadProgress;
    if (progress) OnReadProgress(*this, total, 0);
    // A peer that stops reading would hold the writer here for ever; the reply time limit bounds the time
    // without progress as it bounds the wait for the reply. Waiting for room also lets the process's signal
    // handlers run, and a quit message (the program must end now) gives the frame up.
    const TMessageFilter quitOnly{kNoWindow, 0};
    IOrdoWaitClock& clock = wait_.Clock();
    std::uint32_t lastProgress = clock.Ticks();
    std::size_t sent = 0;
    TWriteEnd end = TWriteEnd::weWhole;
    while (sent < frame.size()) {
        std::size_t chunk = std::min(kChunkSize, frame.size() - sent);
        std::ptrdiff_t n = WriteSome(ByteView(frame).subspan(sent, chunk), sent + chunk < frame.size());
        if (n < 0) {
            const std::uint32_t limit = wait_.TimeLimit();
            if (limit != 0 && static_cast<std::uint32_t>(clock.Ticks() - lastProgress) > limit) {
                end = TWriteEnd::wePartial;
                break;
            }
            if (clock.WaitFor(quitOnly, 1)) {
                end = TWriteEnd::weAbandoned;
                break;
            }
            continue;
        }
        if (n == 0) {
            end = TWriteEnd::wePartial;
            break;
        }
        if (progress) OnReadProgress(*this, total, static_cast<std::int64_t>(sent));
        sent += static_cast<std::size_t>(n);
        lastProgress = clock.Ticks();
    }
    if (progress) OnReadProgress(*this, 0, 0);
    return end;
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
        currentReply_ = {};  // a failure here belongs to no message
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
        currentReply_ = {};  // until the frame decodes, its failure could be any message's
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
    WaitForSentReply();
}

void TOrdoClientSocket::WaitForSentReply() {
    if (designMode_) return;
    wait_.Wait();
    const TWaitEnd end = wait_.LastWaitEnd();
    if (end == TWaitEnd::weStopped) return;
    replies_.WaitGaveUp(end == TWaitEnd::weTimedOut);
    // There is no request id on the wire: the reply given up on may still come and would pass for the
    // answer of the next request. Only a fresh connection is in step again. A quit sends no next data request
    // (the program is ending), and what the server still sends (the login's reply, a pushed update that must
    // be refused aloud) is read on the same connection.
    if (end == TWaitEnd::weTimedOut && Active()) Close();
}

void TOrdoClientSocket::ReplyArrived(bool force) {
    connectWait_ = false;
    if (replies_.Arrived(currentReply_, force)) wait_.StopWait();
}

void TOrdoClientSocket::ReleaseLost() {
    connectWait_ = false;
    if (replies_.Lost()) wait_.StopWait();
}

// A frame that is cut cleanly but does not decode, or whose handler fails, is the reply the request in
// flight waited for as far as anyone can tell: the request fails with it now rather than at its time limit,
// and never passes for a success.
void TOrdoClientSocket::ReportDispatchFailure(const std::string& text) {
    if (replies_.FailedLocally(currentReply_, text))
        wait_.StopWait();
    else
        lastDispatchError_ = text;
    if (OnDispatchError) OnDispatchError(*this, text);
}

void TOrdoClientSocket::SetReplyTimeLimit(std::uint32_t milliseconds) {
    wait_.SetTimeLimit(milliseconds);
    if (milliseconds > 0) wait_.OnEndOfWait = endOfWait_;
}

std::string TOrdoClientSocket::TakeServerError() { return replies_.TakeServerError(); }

}  // namespace ordo
