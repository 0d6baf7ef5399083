// The live send and receive paths of the client socket and the reply wait around them.
#include <algorithm>

#include "net/client_socket.h"
#include "platform/codepage.h"
#include "platform/wire.h"

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
    if (ClientType() == ctNonBlocking && !Active()) return;
    Bytes frame = pipeline_.EncodeFrame(line);
    if (ClientType() == ctBlocking) {
        if (BlockingStream() == nullptr) {
            sendQueue_.emplace_back(std::move(frame), waitForReply);
            return;
        }
        WriteFrame(frame);
        return;
    }
    WriteFrame(frame);
    if (waitForReply) WaitForReply();
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
    pendingError_.clear();
    SendMessageLine(line, waitForReply);
    if (ClientType() == ctBlocking && waitForReply) return BlockingExchange();
    std::string reply;
    if (waitForReply) reply.swap(pendingError_);
    return reply;
}

void TOrdoClientSocket::WriteFrame(const Bytes& frame) {
    const auto total = static_cast<std::int64_t>(frame.size());
    const bool progress = progressBar_ && OnReadProgress;
    if (progress) OnReadProgress(*this, total, 0);
    std::size_t sent = 0;
    while (sent < frame.size()) {
        std::size_t chunk = std::min(kChunkSize, frame.size() - sent);
        std::ptrdiff_t n = WriteSome(ByteView(frame).subspan(sent, chunk), sent + chunk < frame.size());
        if (n < 0) {
            Sleep(1);  // the connection cannot take more now: give the peer time to read
            continue;
        }
        if (n == 0) break;
        if (progress) OnReadProgress(*this, total, static_cast<std::int64_t>(sent));
        sent += static_cast<std::size_t>(n);
    }
    if (progress) OnReadProgress(*this, 0, 0);
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
        } catch (...) {
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
        } catch (...) {
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
            if (progressBar_ && update_.Updating()) update_.FrameStarted(frameSize);
        },
        [this](std::int64_t frameSize, std::int64_t received) {
            if (progressBar_) ReportReadProgress(frameSize, received);
        });
}

void TOrdoClientSocket::ReportReadProgress(std::int64_t size, std::int64_t done) {
    // While an update arrives its window shows the progress instead.
    if (update_.Updating()) {
        update_.FrameProgress(done);
    } else if (OnReadProgress) {
        OnReadProgress(*this, size, done);
    }
}

void TOrdoClientSocket::WaitForReply() {
    if (designMode_ || ClientType() == ctBlocking) return;
    // A wait already running cannot take this one over; counting it would leave a reply owed
    // that never comes and stall the next wait.
    if (wait_.Waiting()) return;
    ++outstandingReplies_;
    wait_.Wait();
}

void TOrdoClientSocket::ReplyArrived(bool force) {
    connectWait_ = false;
    if (outstandingReplies_ > 0) --outstandingReplies_;
    if (force || outstandingReplies_ == 0) wait_.StopWait();
    requestWaiting_ = false;
}

void TOrdoClientSocket::SetReplyTimeLimit(std::uint32_t milliseconds) {
    wait_.SetTimeLimit(milliseconds);
    if (milliseconds > 0) wait_.OnEndOfWait = endOfWait_;
}

std::string TOrdoClientSocket::TakeServerError() {
    std::string text;
    if (errorArrived_ && !pendingError_.empty()) text = AnsiLiteral("[서버 에러]") + pendingError_;
    // Whatever a reply left behind belongs to the request just finished, not to the next.
    pendingError_.clear();
    errorArrived_ = false;
    return text;
}

}  // namespace ordo
