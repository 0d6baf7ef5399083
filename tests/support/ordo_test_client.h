#pragma once
// A small blocking client of ordo-server for tests, built from the project's codec: message
// lines, frames and transforms from codec/, parameter lists from params/, result texts from resultset/.
//
//   OrdoTestClient c(server.Port());
//   auto r = c.Select("SELECT A, B FROM T ORDER BY A");
//   ASSERT_TRUE(r.error.empty());
//   DecodedRows rows(r);
//   EXPECT_EQ(rows.Text(0, 1), "abc");
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "codec/message_codes.h"
#include "codec/message_pipeline.h"
#include "codec/zlib_codec.h"
#include "params/param_list.h"
#include "platform/tcp_socket.h"
#include "resultset/blob_list.h"
#include "resultset/db_list.h"
#include "resultset/field_defs_codec.h"
#include "resultset/row_text_codec.h"

namespace ordo::test {

/// What the server answered to one request.
struct OrdoReply {
    std::vector<TOrdoStringLine> lines;  // every message, in arrival order
    std::string error;                   // text of an SQL error (code 6), else empty
    std::string fieldDefs;               // field definitions text (code 1)
    std::int32_t cursorId = 0;           // code 32, 0 when none came
    std::int32_t packetState = 0;        // item 1 of the row packet (code 5)
    std::string rows;                    // row text of the row packet, inflated when it came deflated
    bool gotRows = false;
    bool rowsDeflated = false;           // item 3 of the row packet
    std::int32_t rowsAffected = -1;      // from the execute reply (code 28), -1 when none came
    bool Ok() const { return error.empty(); }
};

class OrdoTestClient {
public:
    using Configure = std::function<void(TOrdoTransforms&)>;

    explicit OrdoTestClient(int port, const Configure& configure = {}, int timeoutMs = 30000)
        : timeoutMs_(timeoutMs) {
        if (configure) configure(pipeline_.Transforms());
        pipeline_.OnUnhandled = [this](TOrdoStringLine& line) { inbox_.push_back(line); };
        stream_.Connect("127.0.0.1", port, 5000);
    }

    void Send(TOrdoStringLine line) {
        Bytes frame = pipeline_.EncodeFrame(line);
        ahead_.insert(ahead_.end(), frame.begin(), frame.end());
        stream_.SendAll(ahead_);
        ahead_.clear();
    }
    /// A message that goes out in one write with the next Send, as a client that sends it without awaiting a
    /// reply does (two small writes in a row would wait for the delayed acknowledgement of the first).
    void SendAhead(TOrdoStringLine line) {
        Bytes frame = pipeline_.EncodeFrame(line);
        ahead_.insert(ahead_.end(), frame.begin(), frame.end());
    }
    /// Bytes as they stand, for malformed input.
    void SendRaw(ByteView bytes) { stream_.SendAll(bytes); }

    /// The next message; nothing when the server closed the connection or the time ran out.
    std::optional<TOrdoStringLine> Next(int timeoutMs = -1) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? timeoutMs_ : timeoutMs);
        while (inbox_.empty()) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (closed_ || left.count() <= 0) return std::nullopt;
            if (!stream_.WaitReadable(static_cast<int>(left.count()))) continue;
            std::uint8_t buf[65536];
            std::size_t n = 0;
            try {
                n = stream_.Recv(buf);
            } catch (const EOrdoError&) {
                n = 0;  // a reset counts as closed
            }
            if (n == 0) {
                closed_ = true;
                continue;
            }
            pipeline_.Feed(ByteView(buf, n));
        }
        TOrdoStringLine line = std::move(inbox_.front());
        inbox_.pop_front();
        return line;
    }

    /// True when the server closes the connection within the time, reading past any messages.
    bool ClosedByServer(int timeoutMs) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!closed_ && std::chrono::steady_clock::now() < deadline) Next(50);
        return closed_;
    }

    /// Reads messages until one whose code is in `final` (or an SQL error) arrives.
    OrdoReply Collect(std::initializer_list<std::uint8_t> final) {
        OrdoReply r;
        for (;;) {
            auto line = Next();
            if (!line) throw std::runtime_error("no reply from ordo-server");
            r.lines.push_back(*line);
            TOrdoStringLine& l = *line;
            std::uint8_t code = l.Token();
            if (code == mcSQLError) {
                r.error = l.ReadString();
                return r;
            }
            if (code == mcFieldDefs) r.fieldDefs = l.ReadString();
            if (code == mcCursorId) r.cursorId = l.ReadInteger();
            if (code == mcRowPacket) {
                r.packetState = l.ReadInteger();
                r.rows = l.ReadString();
                r.rowsDeflated = l.ReadInteger() != 0;
                if (r.rowsDeflated) r.rows = InflateRowsText(r.rows);
                r.gotRows = true;
            }
            if (code == mcCodedParamList) {
                l.ReadInteger();
                auto list = TOrdoParamList::CreateFromString(l.ReadBytes());
                if (auto* p = list.FindParam("RowsAffected")) r.rowsAffected = p->AsInteger();
            }
            for (std::uint8_t f : final)
                if (code == f) return r;
        }
    }

    bool Login(const std::string& user, const std::string& password) {
        TOrdoStringLine l(mcLogin, 0);
        l.AddInteger(2);
        l.AddString(user);
        l.AddString(password);
        l.AddString("tests");
        l.AddString(std::string("1.0\x02", 4));
        Send(std::move(l));
        auto r = Collect({mcLogin});
        return r.lines.back().ReadInteger() == 1;
    }

    /// Options 3 are the application's [soFetchMemos, soFetchBlobs].
    OrdoReply Select(const std::string& sql, std::int32_t rows = -1, const TOrdoParamList* params = nullptr,
                     std::int32_t dataSetId = 1, std::int32_t options = 3) {
        TOrdoStringLine l(mcSelectSQL, dataSetId);
        l.AddString(sql);
        l.AddInteger(rows);
        l.AddInteger(options);
        Bytes tail{0x05};
        if (params) {
            Bytes p = params->SaveToString(true);
            tail.insert(tail.end(), p.begin(), p.end());
        }
        l.AddItem(tail, itString);
        Send(std::move(l));
        if (rows == 0) return Collect({mcFieldDefs});
        return Collect({mcRowPacket});
    }

    OrdoReply Exec(const std::string& sql, const TOrdoParamList* params = nullptr, std::int32_t dataSetId = 1) {
        TOrdoStringLine l(mcExecSQL, dataSetId);
        l.AddString(sql);
        Bytes p = params ? params->SaveToString(false) : Bytes{};
        l.AddItem(p, itString);
        l.AddString("");
        l.AddString("");
        Send(std::move(l));
        return Collect({mcCodedParamList});
    }

    OrdoReply Fetch(std::int32_t cursorId, std::int32_t rows, std::int32_t dataSetId = 1, std::int32_t options = 3) {
        TOrdoStringLine l(mcFetchPacket, dataSetId);
        l.AddInteger(cursorId);
        l.AddInteger(rows);
        l.AddInteger(options | 4);  // soPackets
        Send(std::move(l));
        return Collect({mcRowPacket});
    }

    void CloseCursor(std::int32_t dataSetId) {
        TOrdoStringLine l(mcCloseCursor, dataSetId);
        l.AddInteger(dataSetId);
        l.AddInteger(0);
        Send(std::move(l));
    }

    /// A stored procedure request. Executed (soExecStoredProc), every call, selectable or not, ends with the
    /// output parameters (code 30), an empty list when the procedure has none; opened, it ends with its rows.
    OrdoReply StoredProc(const std::string& name, const TOrdoParamList& params, std::int32_t rows = -1,
                         std::int32_t dataSetId = 1, bool execute = true) {
        constexpr std::int32_t kExecStoredProc = 1 << 7;
        TOrdoStringLine l(mcStoredProc, dataSetId);
        l.AddString(name);
        Bytes p = params.SaveToString(false);
        l.AddItem(p, itString);
        l.AddString("");
        l.AddInteger(rows);
        l.AddInteger(execute ? 3 | kExecStoredProc : 3);
        Send(std::move(l));
        return Collect({execute ? mcOutputParams : mcRowPacket});
    }

    std::string Version() {
        TOrdoStringLine l(mcUtilityInfo, 0);
        l.AddInteger(6);
        l.AddString("");
        Send(std::move(l));
        auto r = Collect({mcUtilityInfo});
        TOrdoStringLine& reply = r.lines.back();
        reply.ReadInteger();
        auto list = TOrdoParamList::CreateFromString(reply.ReadBytes());
        return list.Count() > 0 ? list[0].AsString() : std::string();
    }

private:
    int timeoutMs_;
    TOrdoMessagePipeline pipeline_;
    TBlockingTcpStream stream_;
    std::deque<TOrdoStringLine> inbox_;
    Bytes ahead_;  // frames waiting for the next Send
    bool closed_ = false;
};

/// A reply's rows decoded the way a client data set decodes them.
class DecodedRows {
public:
    explicit DecodedRows(const OrdoReply& reply) : DecodedRows(reply.fieldDefs, reply.rows) {}
    DecodedRows(const std::string& fieldDefs, const std::string& rowText) {
        defs_ = DecodeFieldDefinitions(fieldDefs);
        for (const auto& d : defs_) rows_.AddField(d.Name, d.DataType, d.Size);
        rows_.ComputeLayout();
        Append(rowText);
    }
    /// Adds the rows of a further packet.
    void Append(const std::string& rowText) { DecodeRows(rowText, rows_, blobs_); }

    [[nodiscard]] const std::vector<TOrdoFieldDef>& Defs() const noexcept { return defs_; }
    [[nodiscard]] int Count() const noexcept { return rows_.Count(); }
    [[nodiscard]] int Column(const std::string& name) const {
        for (std::size_t i = 0; i < defs_.size(); ++i)
            if (defs_[i].Name == name) return static_cast<int>(i);
        throw std::runtime_error("no column " + name);
    }
    [[nodiscard]] bool IsNull(int row, int col) const { return !rows_.Reader(row).HasValue(col); }
    [[nodiscard]] std::string Text(int row, int col) const { return std::string(rows_.Reader(row).Text(Slot(col))); }
    [[nodiscard]] std::int64_t Int(int row, int col) const {
        auto slot = Slot(col);
        auto r = rows_.Reader(row);
        switch (slot.Size) {
            case 2: return r.Int16(slot);
            case 4: return r.Int32(slot);
            default: return r.Int64(slot);
        }
    }
    [[nodiscard]] double Double(int row, int col) const { return rows_.Reader(row).Double(Slot(col)); }
    /// ftBCD slots hold value × 10 000.
    [[nodiscard]] double Amount(int row, int col) const { return static_cast<double>(Int(row, col)) / 10000.0; }
    [[nodiscard]] bool Bool(int row, int col) const { return rows_.Reader(row).Int16(Slot(col)) != 0; }
    [[nodiscard]] std::string Blob(int row, int col) const {
        std::int32_t id = rows_.Reader(row).Int32(Slot(col));
        const TMemoryStream* s = blobs_.FindBlob(id, col + 1);
        return s ? std::string(AsText(s->Memory())) : std::string();
    }

private:
    [[nodiscard]] TOrdoSlot Slot(int col) const { return rows_.FieldList().Items(col).Slot(); }
    std::vector<TOrdoFieldDef> defs_;
    TOrdoDBList rows_;
    TOrdoBlobList blobs_;
};

}  // namespace ordo::test
