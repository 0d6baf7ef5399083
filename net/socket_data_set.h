#pragma once
// The boundary between the client socket and the data sets it serves. The socket knows a data set
// only through this interface: it registers it under an id, finds it again by the id in a reply's
// header and hands it what the reply carried. Every callback runs on the socket's thread, inside the
// dispatch of one incoming message, usually while the data set's own open or execute is still
// waiting for that reply; a callback may throw, which ends the dispatch of that message.
#include <cstdint>
#include <string>

#include "core/bytes.h"

namespace ordo {

class TOrdoClientSocket;
class TOrdoParamList;

/// Implemented by every data set that sends requests through a `TOrdoClientSocket`.
/// All callbacks have empty defaults so that a data set implements only what it uses.
class IOrdoSocketDataSet {
public:
    virtual ~IOrdoSocketDataSet() = default;

    /// Field definitions text of a select reply (codes 1 and 10).
    virtual void FieldDefsArrived(const std::string& fieldDefsText) { (void)fieldDefsText; }

    /// True once after a select that asked for 0 rows; the socket then hands the field definitions
    /// text to `RowsArrived` with packet state 0 as well. Reading the mark clears it.
    virtual bool TakeZeroRowsMark() { return false; }

    /// A row packet (codes 5 and 11): the packet state (0 whole result, >0 cursor id with more to
    /// come, -1 further packet, -2 last packet) and the rows text, already inflated when it came
    /// compressed. The text lives only for the call.
    virtual void RowsArrived(std::int32_t packetState, std::string_view rowsText) {
        (void)packetState;
        (void)rowsText;
    }

    /// True while the data set still expects output parameter values (code 30) for its request;
    /// the wait then goes on after the rows and ends with the parameters.
    [[nodiscard]] virtual bool AwaitsOutputParams() const { return false; }

    /// Output parameter values of a stored procedure or execute (code 30).
    virtual void OutputParamsArrived(const TOrdoParamList& params) { (void)params; }

    /// Rows affected by an execute (a coded parameter list with code -75007).
    virtual void RowsAffectedArrived(std::int32_t rowsAffected) { (void)rowsAffected; }

    /// The server opened a cursor for further packets (code 32).
    virtual void CursorIdArrived(std::int32_t cursorId) { (void)cursorId; }

    /// A blob the data set asked for (code 22): the table name, the blob's bytes and the key text.
    virtual void BlobStreamArrived(const std::string& tableName, ByteView blob, const std::string& key) {
        (void)tableName;
        (void)blob;
        (void)key;
    }

    /// Streamed field properties (code 26), to be applied after the data set has opened.
    virtual void FieldPropertiesArrived(const std::string& streamText) { (void)streamText; }

    /// The server announces a state stream (code 42) that later messages fill.
    virtual void StateStreamAnnounced() {}

    /// Provider parameters (code 35); called under the socket's data set lock.
    virtual void ProviderParamsArrived(const TOrdoParamList& params) { (void)params; }

    /// A provider broadcast: a data set stream text to merge (codes 44 and 55). Code 44 calls it
    /// under the socket's data set lock, code 55 without.
    virtual void ProviderBroadcastArrived(const std::string& dataSetStreamText) { (void)dataSetStreamText; }

    /// The data set was open when the connection dropped and asked to be reopened; called once
    /// after the next successful connect.
    virtual void ReopenAfterConnect() {}

    /// The socket is being destroyed: forget every reference to it. No request may be sent from here.
    virtual void SocketFreed(TOrdoClientSocket& socket) { (void)socket; }
};

}  // namespace ordo
