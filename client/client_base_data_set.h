#pragma once
// The server-backed data set: it turns opening into a request to the middleware server and
// receives the reply (field descriptions, row packets, cursor id, output parameters) from
// the socket while the socket waits for it. It never touches the network itself.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "client/client_audit_data_set.h"
#include "net/request_outcome.h"
#include "client/client_options.h"
#include "client/client_sql_list.h"
#include "codec/string_line.h"
#include "net/socket_data_set.h"
#include "params/param_list.h"

namespace ordo {

class TOrdoClientSocket;
class IUiWindow;

/// "할당된 클라이언트 소켓이 없습니다" in the ANSI code page: no client socket assigned.
std::string NoClientSocketText();
/// "소켓이 없거나 활성화 되어 있지 않습니다" in the ANSI code page: no socket, or it is not active.
std::string SocketNotActiveText();
/// Raised when a request cannot go out because the socket is still waiting for another reply.
extern const char* const kRequestPendingText;

/// The file-backed offline copy of the rows (kept as settings; the copy itself is outline).
struct TOfflineData {
    bool Active = false;
    std::string FileName;
    double LastUpdate = 0;  ///< date-time number of the last save
    bool SaveCachedUpdates = false;
};

class TOrdoBaseClientDataSet : public TOrdo2CustomAuditDataSet, public IOrdoSocketDataSet {
public:
    /// How this data set's last request to the server ended (its id tells one request from the next).
    [[nodiscard]] const TOrdoRequestOutcome& LastRequestOutcome() const noexcept { return lastOutcome_; }
    TOrdoBaseClientDataSet();
    ~TOrdoBaseClientDataSet() override;

    // ---- socket and statement ----
    [[nodiscard]] TOrdoClientSocket* OrdoClientSocket() const noexcept { return socket_; }
    /// A plain reference; the data set leaves the old socket's registry.
    void SetOrdoClientSocket(TOrdoClientSocket* socket);
    /// The statement text, edited in place; every change refreshes `Params`.
    [[nodiscard]] TOrdoSQLStrings& SQL() noexcept { return sql_; }
    [[nodiscard]] const TOrdoSQLStrings& SQL() const noexcept { return sql_; }
    [[nodiscard]] TOrdoParamList& Params() noexcept { return params_; }
    [[nodiscard]] const TOrdoParamList& Params() const noexcept { return params_; }
    /// Raises EOrdoParamException "Parameter Not Found: <name>".
    [[nodiscard]] TOrdoParamItem& ParamByName(std::string_view name) { return params_.ParamByName(name); }

    [[nodiscard]] TOrdoSelectSQLOptions SQLOptions() const noexcept { return sqlOptions_; }
    void SetSQLOptions(TOrdoSelectSQLOptions value) noexcept { sqlOptions_ = value; }
    [[nodiscard]] const std::string& DataBase() const noexcept { return dataBase_; }
    void SetDataBase(std::string_view value) { dataBase_ = std::string(value); }
    [[nodiscard]] std::int32_t RowsToReturn() const noexcept { return rowsToReturn_; }
    void SetRowsToReturn(std::int32_t value) noexcept { rowsToReturn_ = value; }
    [[nodiscard]] TOrdoMetaData MetaDataRequest() const noexcept { return metaDataRequest_; }
    void SetMetaDataRequest(TOrdoMetaData value) noexcept { metaDataRequest_ = value; }
    [[nodiscard]] const std::string& StoredProcedure() const noexcept { return storedProcedure_; }
    [[nodiscard]] const std::string& ServerMethod() const noexcept { return serverMethod_; }
    [[nodiscard]] const std::string& ServerDataSet() const noexcept { return serverDataSet_; }
    [[nodiscard]] const std::string& ProviderName() const noexcept { return providerName_; }
    void SetProviderName(std::string_view value) { providerName_ = std::string(value); }
    [[nodiscard]] const std::string& TableName() const noexcept { return tableName_; }
    [[nodiscard]] const std::string& OrderBy() const noexcept { return orderBy_; }
    [[nodiscard]] bool Ascending() const noexcept { return ascending_; }
    void SetAscending(bool value) noexcept { ascending_ = value; }
    [[nodiscard]] bool AutoFetchPackets() const noexcept { return autoFetchPackets_; }
    void SetAutoFetchPackets(bool value) noexcept { autoFetchPackets_ = value; }
    [[nodiscard]] TShowQueryProgressType ShowQueryProgress() const noexcept { return showQueryProgress_; }
    void SetShowQueryProgress(TShowQueryProgressType value) noexcept { showQueryProgress_ = value; }
    [[nodiscard]] TOfflineData& OfflineData() noexcept { return offline_; }
    [[nodiscard]] TProviderBroadCastOptions& ProviderBroadCast() noexcept { return broadcast_; }
    /// Off by default: an open while the socket is not connected waits for the connection and
    /// opens again after it. When on, such an open just ends closed.
    [[nodiscard]] bool NoDeferredOpen() const noexcept { return noDeferredOpen_; }
    void SetNoDeferredOpen(bool value) noexcept { noDeferredOpen_ = value; }
    /// While set, arriving field descriptions are ignored.
    [[nodiscard]] bool FreezeFieldDescriptions() const noexcept { return freezeDescriptions_; }
    void SetFreezeFieldDescriptions(bool value) noexcept { freezeDescriptions_ = value; }

    // ---- state ----
    /// 0: no cursor on the server; > 0: more packets can be fetched; -1: the last one came.
    [[nodiscard]] std::int32_t ServerCursorId() const noexcept { return cursorId_; }
    [[nodiscard]] int RowsAddedByLastPacket() const noexcept { return packetRows_; }
    /// The open waits for the socket to connect.
    [[nodiscard]] bool OpenPending() const noexcept { return openPending_; }
    [[nodiscard]] bool Opening() const noexcept { return opening_; }
    /// The socket is there and can carry a request now.
    [[nodiscard]] bool SocketUsable() const noexcept;

    // ---- operations ----
    /// Fetches one more packet of a packet-wise open; false when there is nothing to fetch.
    bool FetchPacket();
    /// Closes and opens again, the filter off meanwhile. Raises SocketNotActiveText() without a
    /// connected socket; does nothing while the socket waits for another reply.
    void ReQuery();
    /// Unless forced, keeps an open data set that has rows; otherwise reopens it from an
    /// empty statement and moves to the first row.
    void ReOpenIfEmpty(bool force = false);
    /// Asks the server for (or stops) the change broadcasts of `ProviderName`. Raises
    /// SocketNotActiveText() without a connected socket and "Provider required!" without a name.
    void RegisterForBroadcasts(bool registering);
    [[nodiscard]] bool RegisteredForBroadcasts() const noexcept { return registered_; }

    /// Loading replaces the data set from the file or stream alone: the reopening inside the
    /// load must not ask the server.
    void LoadDataSetFromStream(TStream& stream);
    void LoadDataSetFromFile(const std::string& fileName);

    // ---- events ----
    /// (sender, name, type, size): may change the type and size of an arriving column.
    std::function<void(TOrdoBaseClientDataSet& sender, const std::string& name, int& dataType, int& size)>
        OnFieldType;
    std::function<void(TOrdoBaseClientDataSet& sender)> OnFieldsArrived;
    /// (sender, rows the packet added).
    std::function<void(TOrdoBaseClientDataSet& sender, int rowsAdded)> OnAfterPacketFetch;
    std::function<void(TOrdoBaseClientDataSet& sender)> OnReceiveParams;
    std::function<void(TOrdoBaseClientDataSet& sender)> OnAfterPopulate;
    /// (sender, full SQL text): may rewrite the text sent on open.
    std::function<void(TOrdoBaseClientDataSet& sender, std::string& sql)> OnRewriteSQL;
    std::function<void(TOrdoBaseClientDataSet& sender, const std::string& tableName, ByteView blob,
                       const std::string& key)>
        OnReceiveBlobStream;
    /// (sender, data set stream text of the changed rows) for a provider broadcast.
    std::function<void(TOrdoBaseClientDataSet& sender, const std::string& rows)> OnProviderBroadCast;

    // ---- what the socket calls while it waits ----
    void FieldDefsArrived(const std::string& fieldDefsText) override;
    bool TakeZeroRowsMark() override;
    void RowsArrived(std::int32_t packetState, std::string_view rowsText) override;
    /// An executed stored procedure ends its reply with the output parameters.
    [[nodiscard]] bool AwaitsOutputParams() const override { return awaitingOutput_; }
    void OutputParamsArrived(const TOrdoParamList& params) override;
    void CursorIdArrived(std::int32_t cursorId) override { cursorId_ = cursorId; }
    void BlobStreamArrived(const std::string& tableName, ByteView blob, const std::string& key) override;
    void FieldPropertiesArrived(const std::string& streamText) override { fieldProperties_ = streamText; }
    void StateStreamAnnounced() override;
    void ProviderBroadcastArrived(const std::string& dataSetStreamText) override;
    void ReopenAfterConnect() override;
    void SocketFreed(TOrdoClientSocket& socket) override;

protected:
    void DoBeforeOpen() override;
    void DoAfterOpen() override;
    void InternalOpen() override;
    void InternalClose() override;
    TGetResult GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) override;
    void InternalLast() override;
    /// With OfflineData's SaveCachedUpdates on (and ssCachedUpdates off), the change log
    /// follows the rows in a saved stream, and a load takes it back.
    void WriteStreamTrailer(TStream& stream) override;
    void ReadStreamTrailer(TStream& stream, TOrdoStreamSaveOptions options) override;
    void TakeStreamTrailer() override;

    /// Sends a request that collects the server's error text, and returns that text (empty
    /// when the server reported none, or when the request does not wait). Its outcome is kept.
    std::string SendCollecting(TOrdoStringLine& line, bool wait, bool raisePendingError);
    /// The socket, checked: NoClientSocketText() without one, kRequestPendingText while it waits.
    TOrdoClientSocket& RequestSocket();
    [[nodiscard]] std::int32_t DataSetId();
    /// The options number as it may travel on this socket.
    [[nodiscard]] TOrdoSelectSQLOptions WireOptions(TOrdoSelectSQLOptions options) const noexcept;

    void SetStoredProcedureValue(std::string_view value) { storedProcedure_ = std::string(value); }
    void SetServerMethodValue(std::string_view value) { serverMethod_ = std::string(value); }
    void SetServerDataSetValue(std::string_view value) { serverDataSet_ = std::string(value); }
    void SetTableNameValue(std::string_view value) { tableName_ = std::string(value); }
    void SetOrderByValue(std::string_view value) { orderBy_ = std::string(value); }
    /// Rebuilds `Params` from the statement text, keeping the values of names that stay.
    void RefreshParams();
    /// Rebuilds `Params` from the stored procedure's parameter descriptions on the server.
    void RefreshProcedureParams();

private:
    std::string Fetch();
    std::string SendOpenRequest();
    std::string SendMetaDataOpen();
    std::string SendServerObjectOpen(std::string_view name, TOrdoMetaData kind);
    [[nodiscard]] std::string TextForOpen();
    [[nodiscard]] std::vector<std::string> ProcedureParamLines();
    void AfterPopulate();
    template <class Load>
    void LoadOffline(Load load);
    void DeferOpenUntilConnected();
    void CloseServerCursor();
    void ReplayQueuedRows();
    void LoadRows(std::int32_t packetState, std::string_view rowsText);
    void DecodeWithProgress(std::string_view rowsText);
    [[nodiscard]] bool CanFetchPacket() const noexcept;

    TOrdoClientSocket* socket_ = nullptr;
    TOrdoSQLStrings sql_;
    TOrdoParamList params_;
    TOrdoSelectSQLOptions sqlOptions_;
    std::string dataBase_;
    std::int32_t rowsToReturn_ = -1;
    TOrdoMetaData metaDataRequest_ = mdNormalQuery;
    std::string storedProcedure_;
    std::string serverMethod_;
    std::string serverDataSet_;
    std::string providerName_;
    std::string tableName_;
    std::string orderBy_;
    bool ascending_ = true;
    bool autoFetchPackets_ = true;
    TShowQueryProgressType showQueryProgress_ = sqDontShow;
    TOfflineData offline_;
    TProviderBroadCastOptions broadcast_;
    bool noDeferredOpen_ = false;
    bool freezeDescriptions_ = false;

    std::int32_t cursorId_ = 0;
    TOrdoRequestOutcome lastOutcome_;
    int packetRows_ = 0;
    bool opening_ = false;
    bool delayed_ = false;
    bool openPending_ = false;
    bool reopenRequested_ = false;
    bool awaitingOutput_ = false;
    bool zeroRowsMark_ = false;
    bool zeroRowsLoad_ = false;
    bool stateStream_ = false;
    bool registered_ = false;
    std::string fieldProperties_;
    std::optional<std::vector<TOrdoChange>> loadedChanges_;
    std::vector<std::pair<std::string, std::int32_t>> queuedRows_;
    std::unique_ptr<IUiWindow> progress_;
};

}  // namespace ordo
