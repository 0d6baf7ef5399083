#pragma once
// A client data set on a real client socket, connected to a scripted server on a loopback
// listener: the script sees every request the data set makes and answers as the server would.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "client/client_data_set.h"
#include "net/client_socket.h"
#include "resultset/field_defs_codec.h"
#include "resultset/row_text_codec.h"
#include "tests/support/message_pump.h"
#include "tests/support/recording_ui.h"
#include "tests/support/socket_peer.h"

namespace ordo::test {

/// The next request, or a failure of the script when none comes.
inline TOrdoStringLine Expect(PeerConn& c, std::uint8_t code) {
    auto line = c.ReadLine();
    if (!line) throw std::runtime_error("no request with code " + std::to_string(code));
    if (line->Token() != code)
        throw std::runtime_error("code " + std::to_string(line->Token()) + " instead of " + std::to_string(code));
    return *line;
}

inline void SendFieldDefs(PeerConn& c, std::int32_t id, const std::vector<TOrdoFieldDef>& defs) {
    TOrdoStringLine l = Line(mcFieldDefs, id);
    l.AddString(EncodeFieldDefinitions(defs));
    c.Send(std::move(l));
}

inline void SendRows(PeerConn& c, std::int32_t id, std::int32_t packet, const std::string& rows) {
    TOrdoStringLine l = Line(mcRowPacket, id);
    l.AddInteger(packet);
    l.AddString(rows);
    l.AddInteger(0);
    c.Send(std::move(l));
}

inline void SendSQLError(PeerConn& c, std::int32_t id, const std::string& text) {
    TOrdoStringLine l = Line(mcSQLError, id);
    l.AddString(text);
    c.Send(std::move(l));
}

/// The execute reply: a coded parameter list naming the data set and its affected rows.
inline void SendRowsAffected(PeerConn& c, std::int32_t id, std::int32_t rows) {
    TOrdoParamList list;
    list.CreateParam(ftInteger, "DatasetId", ptInput).SetAsInteger(id);
    list.CreateParam(ftInteger, "RowsAffected", ptInput).SetAsInteger(rows);
    TOrdoStringLine l = Line(mcCodedParamList, id);
    l.AddInteger(-75007);
    l.AddItem(list.SaveToString(false), itString);
    l.AddInteger(1);
    c.Send(std::move(l));
}

/// Rows of (integer, text) pairs, ended by the "NULL" row when `last`.
inline std::string IntTextRows(const std::vector<std::pair<int, std::string>>& rows, bool last = true) {
    TOrdoRowTextWriter w;
    for (const auto& [n, t] : rows) {
        w.AddInteger(n);
        w.AddText(t);
        w.EndRow();
    }
    if (last) w.EndOfData();
    return w.Take();
}

inline const std::vector<TOrdoFieldDef> kIdName{{"ID", ftInteger, 4}, {"NAME", ftString, 20}};

struct ClientPeerFixture : ::testing::Test {
    void SetUp() override {
        socket = std::make_unique<TOrdoClientSocket>();
        socket->SetUi(&ui);
        socket->SetAddress("127.0.0.1");
        socket->SetPort(peer.Port());
        socket->SetReplyTimeLimit(5000);  // a broken script must not hang the suite
        ds = std::make_unique<TOrdoClientDataSet>();
        ds->SetName("dsDB");
        ds->SetSQLOptions({soFetchMemos, soFetchBlobs});
        ds->SetOrdoClientSocket(socket.get());
    }
    void TearDown() override {
        ds.reset();
        socket.reset();
        peer.Join();
        EXPECT_EQ(peer.Failure(), "");
        DrainQuit();
    }
    /// Connects through the login; the script then runs on the server side.
    void Connect(std::function<void(PeerConn&)> script) {
        peer.Run([script](PeerConn& c, int) {
            AnswerLogin(c);
            script(c);
        });
        socket->Open();
        ASSERT_TRUE(PumpUntil([&] { return socket->Active() && socket->LoginAttempts() == 1; }));
    }
    /// Puts one statement into the data set as the statement runner does.
    void Statement(const std::string& sql) {
        ds->SQL().Clear();
        ds->SetActive(false);
        ds->Close();
        ds->SQL().Add(sql);
    }
    /// Closes the link from the client side and lets the script finish.
    void Finish() {
        ds.reset();
        socket.reset();
        peer.Join();
    }

    FakePeer peer;  // first: the socket closes before the server thread is joined
    RecordingUi ui;
    std::unique_ptr<TOrdoClientSocket> socket;
    std::unique_ptr<TOrdoClientDataSet> ds;
};

}  // namespace ordo::test
