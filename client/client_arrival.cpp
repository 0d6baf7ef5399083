// What the socket delivers into a client data set while a request waits, and the row packets
// fetched afterwards.
#include "client/client_base_data_set.h"
#include "client/client_requests.h"
#include "core/errors.h"
#include "net/client_socket.h"
#include "resultset/field_defs_codec.h"
#include "ui/ui.h"

namespace ordo {
namespace {

void MapFieldType(TOrdoSelectSQLOptions options, int& type) {
    if (type == ftAutoInc && options.Contains(soMapAutoIncToInteger)) type = ftInteger;
    else if (type == ftWideString && options.Contains(soMapWideStringtoString)) type = ftString;
    else if (type == ftBCD && options.Contains(soMapBCDtoFloat)) type = ftFloat;
}

}  // namespace

void TOrdoBaseClientDataSet::FieldDefsArrived(const std::string& fieldDefsText) {
    if (freezeDescriptions_) return;
    if (Active()) Close();
    std::vector<std::string> entries;
    for (TOrdoFieldDef def : DecodeFieldDefinitions(fieldDefsText)) {
        if (OnFieldType) OnFieldType(*this, def.Name, def.DataType, def.Size);
        MapFieldType(sqlOptions_, def.DataType);
        // A GUID's text is 38 characters whatever the server declares; a slot of another size
        // would cut values and would not load again from a saved stream, which asks for 38.
        if (def.DataType == ftGuid) def.Size = kGuidTextSize;
        entries.push_back(FieldDescription(def));
    }
    SetFieldDescriptions(std::move(entries));
    if (OnFieldsArrived) OnFieldsArrived(*this);
    DiscardRows();
    CreateRowList(true);
    SetOwnsRowList(true);
}

// The socket hands the field definitions text itself to the row loader after a select that
// asked for no rows; it is no row text, so that delivery only means "no rows".
bool TOrdoBaseClientDataSet::TakeZeroRowsMark() {
    const bool mark = zeroRowsMark_;
    zeroRowsMark_ = false;
    zeroRowsLoad_ = mark;
    return mark;
}

void TOrdoBaseClientDataSet::RowsArrived(std::int32_t packetState, std::string_view rowsText) {
    if (socket_ != nullptr && socket_->ErrorArrived()) return;
    delayed_ = false;
    if (zeroRowsLoad_) {
        zeroRowsLoad_ = false;
        if (RowList() != nullptr && RowList()->Count() > 0) EmptyDataSet();
        // Nothing follows the definitions of a select that asked for no rows; they are the
        // whole reply, and the wait must end with them rather than run into its time limit.
        if (socket_ != nullptr) socket_->ReplyArrived();
        return;
    }
    if (opening_ && stateStream_) {
        queuedRows_.emplace_back(std::string(rowsText), packetState);
        return;
    }
    LoadRows(packetState, rowsText);
}

void TOrdoBaseClientDataSet::LoadRows(std::int32_t packetState, std::string_view rowsText) {
    if (packetState > 0) cursorId_ = packetState;
    if (packetState >= 0 && RowList() != nullptr && RowList()->Count() > 0) EmptyDataSet();
    const bool further = packetState == -1 || packetState == -2;
    if (packetState == -2) cursorId_ = -1;
    const int before = RowList() != nullptr ? RowList()->Count() : 0;
    if (RowList() == nullptr) {
        CreateRowList(false);
        SetOwnsRowList(true);
    }
    DecodeWithProgress(rowsText);
    if (further) packetRows_ = RowList()->Count() - before;
}

void TOrdoBaseClientDataSet::DecodeWithProgress(std::string_view rowsText) {
    const bool show = (showQueryProgress_ == sqShowOnly || showQueryProgress_ == sqShowAllowCancel) &&
                      socket_ != nullptr;
    if (!show) {
        DecodeRowText(rowsText);
        return;
    }
    progress_ = socket_->Ui().CreateWindow();
    IUiProgressBar& bar = progress_->Progress();
    bar.SetMax(static_cast<int>(rowsText.size()));
    bar.SetPosition(0);
    bar.SetVisible(true);
    progress_->Show();
    try {
        DecodeRowText(rowsText, [&bar](std::size_t pos) { bar.SetPosition(static_cast<int>(pos)); });
    } catch (...) {
        progress_.reset();
        throw;
    }
    progress_.reset();
}

void TOrdoBaseClientDataSet::OutputParamsArrived(const TOrdoParamList& params) {
    awaitingOutput_ = false;
    for (const auto& item : params) {
        TOrdoParamItem* own = params_.FindParam(item->Name());
        if (own == nullptr) own = &params_.Add();
        own->Assign(*item);
    }
    if (OnReceiveParams) OnReceiveParams(*this);
}

void TOrdoBaseClientDataSet::BlobStreamArrived(const std::string& tableName, ByteView blob, const std::string& key) {
    if (OnReceiveBlobStream) OnReceiveBlobStream(*this, tableName, blob, key);
}

// ---- packets --------------------------------------------------------------------------------

bool TOrdoBaseClientDataSet::CanFetchPacket() const noexcept {
    return cursorId_ > 0 && rowsToReturn_ > 0 && Active() && SocketUsable();
}

bool TOrdoBaseClientDataSet::FetchPacket() {
    if (!CanFetchPacket()) return false;
    packetRows_ = 0;
    TOrdoStringLine line = FetchPacketRequest(DataSetId(), cursorId_, rowsToReturn_, WireOptions(sqlOptions_));
    // A failed fetch must not pass for the end of the rows.
    std::string error = SendCollecting(line, true, false);
    if (!error.empty()) throw EDatabaseError(error);
    if (OnAfterPacketFetch) OnAfterPacketFetch(*this, packetRows_);
    return true;
}

TGetResult TOrdoBaseClientDataSet::GetRecord(TRecordBuffer& buffer, TGetMode mode, bool doCheck) {
    TGetResult result = TOrdo2CustomAuditDataSet::GetRecord(buffer, mode, doCheck);
    if (result == grEOF && mode == gmNext && CanFetchPacket() && FetchPacket())
        result = TOrdo2CustomAuditDataSet::GetRecord(buffer, mode, doCheck);
    return result;
}

void TOrdoBaseClientDataSet::InternalLast() {
    if (autoFetchPackets_) FetchPacket();
    TOrdo2CustomAuditDataSet::InternalLast();
}

}  // namespace ordo
