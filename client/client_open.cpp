// Opening a client data set: the request that fills it, and the steps around the in-memory open.
#include "client/client_base_data_set.h"
#include "client/client_requests.h"
#include "core/errors.h"
#include "net/client_socket.h"

namespace ordo {

void TOrdoBaseClientDataSet::DoBeforeOpen() {
    opening_ = true;
    if (sqlOptions_.Contains(soDelayed)) delayed_ = true;
    TOrdo2CustomAuditDataSet::DoBeforeOpen();
}

void TOrdoBaseClientDataSet::InternalOpen() {
    if (!offline_.Active && !stateStream_) {
        if (socket_ == nullptr) throw EDatabaseError(NoClientSocketText());
        std::string error = Fetch();
        // The framework closes the data set again when the open step fails.
        if (!error.empty()) throw EDatabaseError(error);
    }
    TOrdo2CustomAuditDataSet::InternalOpen();
}

std::string TOrdoBaseClientDataSet::Fetch() {
    if (openPending_) return {};
    if (!SocketUsable()) return {};
    if (sql_.Empty() && metaDataRequest_ == mdNormalQuery && storedProcedure_.empty() && serverMethod_.empty() &&
        serverDataSet_.empty())
        return {};
    if (metaDataRequest_ != mdNormalQuery) {
        std::string error = SendMetaDataOpen();
        if (!error.empty()) offline_ = TOfflineData{};
        return error;
    }
    if (!serverDataSet_.empty()) return SendServerObjectOpen(serverDataSet_, mdCustomDataSets);
    if (!serverMethod_.empty()) return SendServerObjectOpen(serverMethod_, mdServerMethods);
    if (!storedProcedure_.empty()) {
        TOrdoStringLine line =
            StoredProcRequest(DataSetId(), storedProcedure_, params_, dataBase_, rowsToReturn_, WireOptions(sqlOptions_));
        awaitingOutput_ = sqlOptions_.Contains(soExecStoredProc);
        std::string error;
        try {
            error = SendCollecting(line, true, true);
        } catch (...) {
            awaitingOutput_ = false;
            throw;
        }
        awaitingOutput_ = false;
        return error;
    }
    if (sqlOptions_.Contains(soRawSQL)) {
        TOrdoStringLine line =
            RawSelectRequest(DataSetId(), dataBase_, sql_.Text(), rowsToReturn_, WireOptions(sqlOptions_));
        return SendCollecting(line, true, false);
    }
    return SendOpenRequest();
}

std::string TOrdoBaseClientDataSet::SendOpenRequest() {
    const std::string text = TextForOpen();
    TOrdoStringLine line =
        SelectRequest(DataSetId(), text, rowsToReturn_, WireOptions(sqlOptions_), dataBase_, params_);
    // With 0 rows asked for, the socket hands the field definitions to the row loader too.
    zeroRowsMark_ = rowsToReturn_ == 0;
    const bool wait = !sqlOptions_.Contains(soNoWait);
    try {
        return SendCollecting(line, wait, true);
    } catch (...) {
        zeroRowsMark_ = false;
        throw;
    }
}

std::string TOrdoBaseClientDataSet::SendMetaDataOpen() {
    const Bytes params = params_.SaveToString(false);
    TOrdoStringLine line = ordo::MetaDataRequest(DataSetId(), tableName_, params, dataBase_, MetaDataKind(metaDataRequest_));
    return SendCollecting(line, !sqlOptions_.Contains(soNoWait), true);
}

// A server data set or server method stands in for the statement: the server learns how to
// answer from a parameter list with the packet size and the options.
std::string TOrdoBaseClientDataSet::SendServerObjectOpen(std::string_view name, TOrdoMetaData kind) {
    TOrdoParamList request;
    request.FastAdd("ServerActionInt", Variant(std::int32_t{0}));
    request.FastAdd("OrdoPacketRecords", Variant(rowsToReturn_));
    request.FastAdd("OrdoSQLOptions", Variant(OptionsNumber(WireOptions(sqlOptions_))));
    request.FastAdd("Provider", Variant(providerName_));
    request.FastAdd("Proxy", Variant(std::string()));
    params_.CopyParams(request, false);
    TOrdoStringLine line = ordo::MetaDataRequest(DataSetId(), name, request.SaveToString(false), dataBase_, MetaDataKind(kind));
    return SendCollecting(line, !sqlOptions_.Contains(soNoWait), true);
}

void TOrdoBaseClientDataSet::DoAfterOpen() {
    TOrdo2CustomAuditDataSet::DoAfterOpen();
    if (offline_.Active && !offline_.FileName.empty()) LoadFromFile(offline_.FileName);
    // Streamed field components belong to a form designer this library does not have; the
    // text is held until here and then let go.
    fieldProperties_.clear();
    if (SocketUsable() || (offline_.Active && !offline_.FileName.empty())) {
        if (!delayed_) {
            AfterPopulate();
        } else if ((!providerName_.empty() || !serverMethod_.empty()) && broadcast_.RegisterForBroadCast &&
                   !registered_) {
            RegisterForBroadcasts(true);
        }
    }
    if (!offline_.Active && socket_ != nullptr && !SocketUsable()) DeferOpenUntilConnected();
    opening_ = false;
    ReplayQueuedRows();
}

void TOrdoBaseClientDataSet::AfterPopulate() {
    if (OnAfterPopulate && !Filtered()) OnAfterPopulate(*this);
    if ((!providerName_.empty() || !serverMethod_.empty()) && broadcast_.RegisterForBroadCast && !registered_)
        RegisterForBroadcasts(true);
}

// An open before the connection is up completes empty; the data set closes again and asks
// the socket to reopen it after connecting. A blocking socket is never "connected" between
// requests, so it counts as usable above and never comes here.
void TOrdoBaseClientDataSet::DeferOpenUntilConnected() {
    SetActive(false);
    if (noDeferredOpen_ || socket_ == nullptr) return;
    openPending_ = true;
    if (!reopenRequested_) {
        socket_->AddReopenDataSet(*this);
        reopenRequested_ = true;
    }
}

void TOrdoBaseClientDataSet::ReopenAfterConnect() {
    openPending_ = false;
    reopenRequested_ = false;
    if (!Active()) Open();
}

void TOrdoBaseClientDataSet::StateStreamAnnounced() { stateStream_ = true; }

void TOrdoBaseClientDataSet::ReplayQueuedRows() {
    if (queuedRows_.empty()) {
        stateStream_ = false;
        return;
    }
    std::vector<std::pair<std::string, std::int32_t>> queued;
    queued.swap(queuedRows_);
    stateStream_ = false;
    for (auto& [text, packet] : queued) LoadRows(packet, text);
    Refresh();
}

}  // namespace ordo
