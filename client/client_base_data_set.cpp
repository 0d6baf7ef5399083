#include "client/client_base_data_set.h"

#include "client/client_requests.h"
#include "codec/message_codes.h"
#include "core/errors.h"
#include "net/client_socket.h"
#include "params/show_message.h"
#include "platform/codepage.h"
#include "ui/ui.h"

namespace ordo {

std::string NoClientSocketText() { return AnsiLiteral("할당된 클라이언트 소켓이 없습니다"); }
std::string SocketNotActiveText() { return AnsiLiteral("소켓이 없거나 활성화 되어 있지 않습니다"); }
const char* const kRequestPendingText = "The socket is still waiting for the reply of another request";

TOrdoBaseClientDataSet::TOrdoBaseClientDataSet() {
    sql_.OnChange = [this](TOrdoSQLStrings&) { RefreshParams(); };
    // What the parameter scan has to say reaches the user through the socket's message service.
    params_.OnShowMessage = [this](TOrdoParamList&, const std::string& text) {
        if (socket_ != nullptr) {
            socket_->Ui().ShowMessage(text);
        } else {
            ShowLibraryMessage(text);
        }
    };
}

TOrdoBaseClientDataSet::~TOrdoBaseClientDataSet() {
    // The socket keeps a plain pointer to every data set it has served: drop out of its list
    // before the object goes away, and let a held server cursor go.
    try {
        if (Active()) Close();
    } catch (...) {
    }
    if (socket_ != nullptr) socket_->UnregisterDataSet(*this);
}

void TOrdoBaseClientDataSet::SetOrdoClientSocket(TOrdoClientSocket* socket) {
    if (socket == socket_) return;
    if (socket_ != nullptr) socket_->UnregisterDataSet(*this);
    socket_ = socket;
    reopenRequested_ = false;
}

void TOrdoBaseClientDataSet::SocketFreed(TOrdoClientSocket& socket) {
    if (&socket != socket_) return;
    socket_ = nullptr;
    openPending_ = false;
    reopenRequested_ = false;
}

bool TOrdoBaseClientDataSet::SocketUsable() const noexcept {
    return socket_ != nullptr && (socket_->Active() || socket_->ClientType() == ctBlocking);
}

std::int32_t TOrdoBaseClientDataSet::DataSetId() { return socket_ != nullptr ? socket_->RegisterDataSet(*this) : 0; }

TOrdoSelectSQLOptions TOrdoBaseClientDataSet::WireOptions(TOrdoSelectSQLOptions options) const noexcept {
    if (socket_ == nullptr) return options;
    return TOrdoSelectSQLOptions::FromBits(socket_->SelectOptionsForWire(options.Bits()));
}

// ---- statement text and parameters --------------------------------------------------------

void TOrdoBaseClientDataSet::RefreshParams() {
    if (sql_.Text().find(':') == std::string::npos) {
        params_.Clear();
        return;
    }
    if (!storedProcedure_.empty()) {
        RefreshProcedureParams();
        return;
    }
    TOrdoParamList old = params_.Clone();
    try {
        params_.ParamsFromSQL(sql_.Lines());
    } catch (const EOrdoParamException&) {
        old.AssignMatching(params_);  // the names found before the failure keep their values
        throw;
    }
    old.AssignMatching(params_);
}

void TOrdoBaseClientDataSet::RefreshProcedureParams() {
    TOrdoParamList old = params_.Clone();
    std::vector<std::string> lines = ProcedureParamLines();
    params_.ParamsFromDesignList(&lines);
    old.AssignMatching(params_);
}

// The procedure's parameter descriptions come from the server as rows of a metadata request;
// without a usable socket there is nobody to ask, and the list stays empty.
std::vector<std::string> TOrdoBaseClientDataSet::ProcedureParamLines() {
    std::vector<std::string> lines;
    if (!SocketUsable() || socket_->WaitObject().Waiting()) return lines;
    TOrdoBaseClientDataSet columns;
    columns.SetName(Name() + "Params");
    columns.SetOrdoClientSocket(socket_);
    columns.SetDataBase(dataBase_);
    columns.SetMetaDataRequest(mdStoredProcColumns);
    columns.SetTableNameValue(storedProcedure_);
    columns.Open();
    for (columns.First(); !columns.Eof(); columns.Next()) {
        std::string line;
        for (int i = 0; i < 3 && i < columns.FieldCount(); ++i) {
            line += columns.Fields(i).AsString();
            line += '\x06';
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string TOrdoBaseClientDataSet::TextForOpen() {
    std::string text = sql_.Text();
    if (OnRewriteSQL) {
        std::string rewritten = text;
        OnRewriteSQL(*this, rewritten);
        if (rewritten != text) {
            sql_.SetText(rewritten);
            text = sql_.Text();
        }
    }
    return OpenText(sql_.Lines(), orderBy_, ascending_);
}

// ---- requests -------------------------------------------------------------------------------

TOrdoClientSocket& TOrdoBaseClientDataSet::RequestSocket() {
    if (socket_ == nullptr) throw EDatabaseError(NoClientSocketText());
    // The socket would drop the line without a word; a request that silently never went out
    // would look like one that succeeded.
    if (socket_->WaitObject().Waiting()) throw EDatabaseError(kRequestPendingText);
    return *socket_;
}

std::string TOrdoBaseClientDataSet::SendCollecting(TOrdoStringLine& line, bool wait, bool raisePendingError) {
    lastOutcome_ = RequestSocket().Request(line, {.wait = wait, .raisePendingError = raisePendingError});
    return lastOutcome_.text;
}

// ---- close ----------------------------------------------------------------------------------

void TOrdoBaseClientDataSet::CloseServerCursor() {
    if (cursorId_ != 0 && SocketUsable() && !socket_->WaitObject().Waiting()) {
        TOrdoStringLine line = CloseCursorRequest(DataSetId());
        socket_->SendMessageLine(line, false);
        // The server forgets the id with the cursor; the next request registers anew.
        socket_->UnregisterDataSet(*this);
        reopenRequested_ = false;
    }
    cursorId_ = 0;
}

void TOrdoBaseClientDataSet::RegisterForBroadcasts(bool registering) {
    if (!SocketUsable()) throw EDatabaseError(SocketNotActiveText());
    if (providerName_.empty()) throw EDatabaseError("Provider required!");
    std::string name = providerName_;
    if (!serverMethod_.empty()) name += '\x02' + serverMethod_;
    TOrdoStringLine line(mcProviderRegister, DataSetId());
    line.AddInteger(registering ? 1 : 0);
    line.AddInteger(0);
    line.AddString(name);
    line.AddString(broadcast_.ProviderFilter);
    socket_->SendMessageLine(line, false);
    registered_ = registering;
}

void TOrdoBaseClientDataSet::ProviderBroadcastArrived(const std::string& dataSetStreamText) {
    if (broadcast_.BroadCastAction == baIgnore) return;
    if (OnProviderBroadCast) OnProviderBroadCast(*this, dataSetStreamText);
}

template <class Load>
void TOrdoBaseClientDataSet::LoadOffline(Load load) {
    const bool active = offline_.Active;
    std::string fileName = offline_.FileName;
    offline_.Active = true;
    offline_.FileName.clear();
    try {
        load();
    } catch (...) {
        offline_.Active = active;
        offline_.FileName = std::move(fileName);
        throw;
    }
    offline_.Active = active;
    offline_.FileName = std::move(fileName);
}

void TOrdoBaseClientDataSet::LoadDataSetFromStream(TStream& stream) {
    LoadOffline([&] { TOrdo2CustomAuditDataSet::LoadDataSetFromStream(stream); });
}

void TOrdoBaseClientDataSet::LoadDataSetFromFile(const std::string& fileName) {
    LoadOffline([&] { TOrdo2CustomAuditDataSet::LoadDataSetFromFile(fileName); });
}

void TOrdoBaseClientDataSet::WriteStreamTrailer(TStream& stream) {
    if (offline_.SaveCachedUpdates && !StreamOptions().Contains(ssCachedUpdates)) WriteChangeLog(stream);
}

void TOrdoBaseClientDataSet::ReadStreamTrailer(TStream& stream, TOrdoStreamSaveOptions options) {
    loadedChanges_.reset();
    // A stream saved without its change log ends with the rows.
    if (!offline_.SaveCachedUpdates || options.Contains(ssCachedUpdates) || stream.Position() >= stream.Size()) return;
    loadedChanges_ = ReadChangeLog(stream);
}

void TOrdoBaseClientDataSet::TakeStreamTrailer() {
    if (!loadedChanges_) return;
    SetChangeLog(std::move(*loadedChanges_));
    loadedChanges_.reset();
}

void TOrdoBaseClientDataSet::InternalClose() {
    if (registered_) {
        try {
            if (SocketUsable() && !socket_->WaitObject().Waiting()) RegisterForBroadcasts(false);
        } catch (...) {
        }
        registered_ = false;
    }
    opening_ = false;
    packetRows_ = 0;
    queuedRows_.clear();
    progress_.reset();
    try {
        CloseServerCursor();
    } catch (...) {
        TOrdo2CustomAuditDataSet::InternalClose();
        throw;
    }
    TOrdo2CustomAuditDataSet::InternalClose();
}

// ---- re-query -------------------------------------------------------------------------------

void TOrdoBaseClientDataSet::ReQuery() {
    if (socket_ == nullptr || !SocketUsable()) throw EDatabaseError(SocketNotActiveText());
    if (socket_->WaitObject().Waiting()) return;
    DisableControls();
    const bool filtered = Filtered();
    try {
        Close();
        SetFiltered(false);
        Open();
        SetFiltered(filtered);
    } catch (...) {
        SetFiltered(filtered);
        EnableControls();
        throw;
    }
    EnableControls();
}

void TOrdoBaseClientDataSet::ReOpenIfEmpty(bool force) {
    if (!force && Active() && RecordCount() > 0) return;
    Close();
    sql_.Clear();
    Open();
    First();
}

}  // namespace ordo
