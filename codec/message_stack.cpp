#include "codec/message_stack.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/errors.h"
#include "core/wire.h"

namespace ordo {
namespace {

constexpr std::size_t kPrefixSize = 4;
// Past this an empty buffer gives its memory back, so one huge frame does not pin it forever.
constexpr std::size_t kKeepCapacity = 1 << 20;

constexpr std::size_t RoundUpToStep(std::size_t n) noexcept {
    return (n + TOrdoMessageStack::kGrowthStep - 1) / TOrdoMessageStack::kGrowthStep *
           TOrdoMessageStack::kGrowthStep;
}

}  // namespace

Bytes PrefixFrame(ByteView body) {
    if (body.size() > static_cast<std::size_t>(TOrdoMessageStack::kMaxFrameLength))
        throw EOrdoProtocolError("Frame body of " + std::to_string(body.size()) + " bytes exceeds limit " +
                                 std::to_string(TOrdoMessageStack::kMaxFrameLength));
    Bytes frame;
    frame.reserve(kPrefixSize + body.size());
    AppendI32LE(frame, static_cast<std::int32_t>(body.size()));
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

// One step of the cutting loop over `avail` bytes at `p`. Like the loop it serves, it waits for
// at least 5 bytes, so an empty frame is cut only once a byte stands behind it.
TOrdoMessageStack::CutResult TOrdoMessageStack::CutOne(const std::uint8_t* p, std::size_t avail,
                                                       std::size_t& used) {
    if (avail < kPrefixSize + 1) return CutResult::kNeedMore;
    const std::int32_t n = LoadI32LE(p);
    if (n == kMarkerA || n == kMarkerB) {
        used = kPrefixSize;
        return CutResult::kSkipped;
    }
    if (n < 0 || n > kMaxFrameLength) return CutResult::kDiscard;
    const std::size_t total = kPrefixSize + static_cast<std::size_t>(n);
    if (avail < total) return CutResult::kNeedMore;
    frames_.emplace_back(p + kPrefixSize, p + total);
    used = total;
    return CutResult::kFrame;
}

void TOrdoMessageStack::AddData(ByteView data) {
    while (!data.empty()) {
        if (largeNeed_ != 0) {
            data = data.subspan(FillLarge(data));
            continue;
        }
        if (Unread() == 0) {
            // Nothing pending: cut straight from the input and buffer only the incomplete tail.
            const ByteView rest = data.subspan(CutFromInput(data));
            if (rest.empty()) return;
            if (!BeginLarge(rest)) Append(rest);
            return;
        }
        // A partial frame is pending: top it up with just the bytes it lacks, so the rest of
        // a large read is cut from the input directly instead of passing through the buffer.
        const std::size_t want = std::min(data.size(), MissingBytes());
        Append(data.first(want));
        data = data.subspan(want);
        if (!CutFromBuffer()) return;  // the rest of this read went with the discarded bytes
        if (Unread() >= kPrefixSize && BeginLarge({buf_.get() + begin_, Unread()})) DropBuffered();
    }
}

// A large frame collects in its own storage, reserved once for the announced length, so its
// bytes are copied exactly once and the result is handed out without another copy. Untouched
// pages of the reservation cost next to nothing until bytes arrive, and the length is capped.
bool TOrdoMessageStack::BeginLarge(ByteView pending) {
    if (pending.size() < kPrefixSize) return false;
    const std::int32_t n = LoadI32LE(pending.data());
    if (n < static_cast<std::int32_t>(kLargeFrame) || n > kMaxFrameLength) return false;
    if (pending.size() >= kPrefixSize + static_cast<std::size_t>(n)) return false;
    largeNeed_ = static_cast<std::size_t>(n);
    large_.reserve(largeNeed_);
    large_.assign(pending.begin() + kPrefixSize, pending.end());
    return true;
}

std::size_t TOrdoMessageStack::FillLarge(ByteView data) {
    const std::size_t take = std::min(data.size(), largeNeed_ - large_.size());
    large_.insert(large_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(take));
    if (large_.size() == largeNeed_) {
        frames_.push_back(std::move(large_));
        large_ = Bytes();
        largeNeed_ = 0;
    }
    return take;
}

// Bytes the buffered partial frame needs before the cutting loop can decide on it; never 0.
std::size_t TOrdoMessageStack::MissingBytes() const noexcept {
    const std::size_t pending = Unread();
    if (pending < kPrefixSize) return kPrefixSize - pending;
    const std::int32_t n = LoadI32LE(buf_.get() + begin_);
    if (n < 0 || n > kMaxFrameLength) return 1;  // the fifth byte settles a marker or a discard
    const std::size_t total = kPrefixSize + static_cast<std::size_t>(n);
    return total > pending ? total - pending : 1;  // an empty frame waits for one byte behind it
}

std::size_t TOrdoMessageStack::CutFromInput(ByteView data) {
    std::size_t pos = 0;
    for (;;) {
        std::size_t used = 0;
        switch (CutOne(data.data() + pos, data.size() - pos, used)) {
            case CutResult::kNeedMore: return pos;
            case CutResult::kDiscard: ++discards_; return data.size();
            case CutResult::kFrame:
            case CutResult::kSkipped: pos += used; break;
        }
    }
}

bool TOrdoMessageStack::CutFromBuffer() {
    for (;;) {
        std::size_t used = 0;
        switch (CutOne(buf_.get() + begin_, Unread(), used)) {
            case CutResult::kNeedMore:
                if (begin_ == end_) DropBuffered();
                return true;
            case CutResult::kDiscard: DiscardAll(); return false;
            case CutResult::kFrame:
            case CutResult::kSkipped: begin_ += used; break;
        }
    }
}

void TOrdoMessageStack::Append(ByteView data) {
    if (capacity_ - end_ < data.size()) Reserve(Unread() + data.size());
    std::memcpy(buf_.get() + end_, data.data(), data.size());
    end_ += data.size();
}

// Makes room for `needed` unread bytes. The unread rest moves to the front only here, when the
// tail is too short, so cutting many frames from one read never moves bytes per frame.
void TOrdoMessageStack::Reserve(std::size_t needed) {
    const std::size_t unread = Unread();
    if (needed <= capacity_) {
        std::memmove(buf_.get(), buf_.get() + begin_, unread);
    } else {
        // Doubling keeps a large frame arriving in small reads linear; the size stays a whole
        // number of growth steps.
        const std::size_t cap = RoundUpToStep(std::max(needed, capacity_ * 2));
        auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(cap);
        if (unread) std::memcpy(grown.get(), buf_.get() + begin_, unread);
        buf_ = std::move(grown);
        capacity_ = cap;
    }
    begin_ = 0;
    end_ = unread;
}

void TOrdoMessageStack::DiscardAll() noexcept {
    ++discards_;
    DropBuffered();
}

void TOrdoMessageStack::DropBuffered() noexcept {
    begin_ = end_ = 0;
    if (capacity_ > kKeepCapacity) {
        buf_.reset();
        capacity_ = 0;
    }
}

Bytes TOrdoMessageStack::PopMessage() {
    if (frames_.empty()) throw EListError("No received message is queued");
    Bytes frame = std::move(frames_.front());
    frames_.pop_front();
    return frame;
}

void TOrdoMessageStack::Clear() noexcept {
    frames_.clear();
    large_ = Bytes();
    largeNeed_ = 0;
    DropBuffered();
}

}  // namespace ordo
