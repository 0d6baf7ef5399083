#pragma once
// A scripted server on a real loopback listener, a user interface that records what it was asked
// to show, a data set that records what the socket handed it, and a message pump for the test thread.
#include <atomic>
#include <chrono>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/wire.h"
#include "net/client_socket.h"
#include "codec/string_line.h"
#include "params/param_list.h"
#include "platform/message_queue.h"
#include "platform/tcp_socket.h"
#include "ui/ui.h"
#include "tests/support/line_frame.h"

namespace ordo::test {

/// One accepted connection as the scripted server sees it.
class PeerConn {
public:
    explicit PeerConn(TBlockingTcpStream s) : stream(std::move(s)) { stream.SetTimeout(3000); }

    /// The next frame decoded as a line; nothing when the client closed or nothing came in time.
    std::optional<TOrdoStringLine> ReadLine(int timeoutMs = 3000) {
        if (!stream.WaitReadable(timeoutMs)) return std::nullopt;
        std::uint8_t prefix[4];
        if (!stream.RecvExact(prefix)) return std::nullopt;
        std::int32_t length = LoadI32LE(prefix);
        if (length < 0) throw std::runtime_error("frame length " + std::to_string(length));
        Bytes body(static_cast<std::size_t>(length));
        if (!body.empty() && !stream.RecvExact(body)) return std::nullopt;
        TOrdoStringLine line;
        line.DecodeFromText(body);
        return line;
    }
    /// True when the client sends nothing (or closes) within the time.
    bool Silent(int ms) {
        if (!stream.WaitReadable(ms)) return true;
        std::uint8_t b;
        return stream.Recv(std::span<std::uint8_t>(&b, 1)) == 0;
    }
    void Send(TOrdoStringLine line) { stream.SendAll(Frame(std::move(line))); }
    void SendRaw(const Bytes& bytes) { stream.SendAll(bytes); }

    TBlockingTcpStream stream;
};

/// Accepts `connections` connections one after the other and runs the script on each, in a thread.
class FakePeer {
public:
    using Script = std::function<void(PeerConn& conn, int index)>;

    FakePeer() { listener_.Listen("127.0.0.1", 0); }
    ~FakePeer() { Join(); }

    [[nodiscard]] int Port() const noexcept { return listener_.Port(); }

    void Run(Script script, int connections = 1) {
        thread_ = std::thread([this, script = std::move(script), connections] {
            try {
                for (int i = 0; i < connections; ++i) {
                    PeerConn conn(listener_.Accept(5000));
                    script(conn, i);
                }
            } catch (const std::exception& e) {
                std::lock_guard lock(mutex_);
                failure_ = e.what();
            }
        });
    }
    void Join() {
        if (thread_.joinable()) thread_.join();
    }
    /// What went wrong inside the script, empty when nothing did.
    std::string Failure() {
        std::lock_guard lock(mutex_);
        return failure_;
    }

private:
    TTcpListener listener_;
    std::thread thread_;
    std::mutex mutex_;
    std::string failure_;
};

/// A line as the server builds it.
inline TOrdoStringLine Line(std::uint8_t code, std::int32_t dataSetId = 0) { return TOrdoStringLine(code, dataSetId); }

/// A line carrying one text item, as most replies do.
inline TOrdoStringLine Text(std::uint8_t code, const std::string& text, std::int32_t dataSetId = 0) {
    TOrdoStringLine l = Line(code, dataSetId);
    l.AddString(text);
    return l;
}

/// The wire string of a parameter list of named text values.
inline Bytes ListBytes(std::initializer_list<std::pair<const char*, const char*>> items) {
    TOrdoParamList list;
    for (auto [name, value] : items) list.CreateParam(ftString, name, ptInput).SetAsString(value);
    return list.SaveToString(false);
}

/// Dispatches messages on the test thread until `done` or the time runs out.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 3000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        WaitMessage(static_cast<int>(std::min<long long>(left.count(), 20)));
        ProcessMessages();
    }
    return true;
}

/// Removes a quit message a test left behind, so that the next test's pump is not cut short.
inline bool DrainQuit() {
    TMessage m;
    bool found = false;
    while (PeekMessage(m, TMessageFilter{0, 0}, true))
        if (m.message == WM_QUIT) found = true;
    return found;
}

/// A user interface that answers questions with a fixed answer and keeps every text it was shown.
class RecordingUi : public IUiBackend {
public:
    std::string Name() const override { return "recording"; }
    std::unique_ptr<IUiWindow> CreateWindow() override { return nullptr; }
    TRect WorkArea() const override { return {0, 0, 1920, 1040}; }
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    bool Confirm(std::string_view question, bool) override {
        questions.emplace_back(question);
        return answer;
    }
    void SetScreenCursor(TCursor c) override {
        cursor = c;
        cursorHistory.push_back(c);
    }
    TCursor ScreenCursor() const override { return cursor; }

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<TCursor> cursorHistory;
    TCursor cursor = crDefault;
    bool answer = true;
};

/// A data set that keeps what the socket handed it.
class RecordingDataSet : public IOrdoSocketDataSet {
public:
    RecordingDataSet() = default;
    /// Registers with the socket and leaves its registry when destroyed first, as a data set must.
    explicit RecordingDataSet(TOrdoClientSocket& socket) : owner(&socket), id(socket.RegisterDataSet(*this)) {}
    ~RecordingDataSet() override {
        if (owner != nullptr) owner->UnregisterDataSet(*this);
    }
    RecordingDataSet(const RecordingDataSet&) = delete;
    RecordingDataSet& operator=(const RecordingDataSet&) = delete;

    void FieldDefsArrived(const std::string& text) override { fieldDefs.push_back(text); }
    bool TakeZeroRowsMark() override { return std::exchange(zeroRows, false); }
    void RowsArrived(std::int32_t state, std::string_view text) override { rows.emplace_back(state, std::string(text)); }
    bool AwaitsOutputParams() const override { return awaitsOutput; }
    void OutputParamsArrived(const TOrdoParamList& params) override { outputParams = params.Count(); }
    void RowsAffectedArrived(std::int32_t n) override { rowsAffected = n; }
    void CursorIdArrived(std::int32_t value) override { cursorId = value; }
    void SocketFreed(TOrdoClientSocket&) override {
        socketFreed = true;
        owner = nullptr;
    }

    TOrdoClientSocket* owner = nullptr;
    int id = 0;

    std::vector<std::string> fieldDefs;
    std::vector<std::pair<std::int32_t, std::string>> rows;
    bool zeroRows = false;
    bool awaitsOutput = false;
    int outputParams = -1;
    int rowsAffected = -1;
    int cursorId = 0;
    bool socketFreed = false;
};

}  // namespace ordo::test
