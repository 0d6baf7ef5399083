#include "net/client_socket.h"

#include <algorithm>

#include "platform/process.h"
#include "ui/ui.h"

namespace ordo {
namespace {

constexpr std::uintptr_t kKeepAliveTimer = 1;
constexpr std::uintptr_t kReconnectTimer = 2;
constexpr std::uint32_t kReconnectDelayMs = 500;
constexpr std::int32_t kKeepAliveCode = -1;

}  // namespace

TOrdoClientSocket::TOrdoClientSocket() : wait_(Handle()) {
    InstallHandlers();
}

TOrdoClientSocket::~TOrdoClientSocket() {
    ReleaseLost();
    KillTimer(Handle(), kKeepAliveTimer);
    KillTimer(Handle(), kReconnectTimer);
    // Data sets outlive nothing of ours: tell them before the registry goes.
    std::map<std::int32_t, IOrdoSocketDataSet*> dataSets;
    dataSets.swap(dataSets_);
    reopenList_.clear();
    for (auto& [id, dataSet] : dataSets) dataSet->SocketFreed(*this);
    ClosePlatformSocket();
}

void TOrdoClientSocket::SetUi(IUiBackend* ui) noexcept {
    ui_ = ui;
    wait_.SetUi(ui);
}

IUiBackend& TOrdoClientSocket::Ui() {
    if (ui_ != nullptr) return *ui_;
    if (!ownUi_) {
        // The windowed backends belong to the program that owns the socket (it sets one);
        // left alone, the socket talks on the console and links no GUI library.
        ownUi_ = CreateTextUi();
        wait_.SetUi(ownUi_.get());
    }
    return *ownUi_;
}

void TOrdoClientSocket::TerminateApplication() {
    terminated_ = true;
    if (OnTerminateApplication) {
        OnTerminateApplication(*this);
    } else {
        PostQuitMessage(0);
    }
}

void TOrdoClientSocket::SetCursorOnQueries(TWaitingCursor v) noexcept {
    cursorOnQueries_ = v;
    wait_.SetWaitingCursor(v);
}

void TOrdoClientSocket::SetSQLDialect(TSQLDialect value) {
    sqlDialect_ = value;
    switch (value) {
        case sqlNone: sqlOptions_ = {}; break;
        case sqlLocalSQL:
        case sqlDBISAM: sqlOptions_ = {ssUseQuotesInFieldNames, ssUSDatesForLocalSQL}; break;
        case sqlAccess: sqlOptions_ = {ssTerminateWithSemiColon}; break;
        case sqlMSSQLServer: sqlOptions_ = {ssBooleanAsInteger, ssUseISInNuLLcompares}; break;
        case sqlOracle:
            dateMask_ = "DD-MMM-YYYY";
            dateTimeMask_ = "DD-MMM-YYYY HH:NN:SS";
            break;
        case sqlAdvantage:
            sqlOptions_ = {ssUseQuotesInFieldNames, ssNoTableNameInUpdateStatements};
            dateMask_ = "YYYY-MM-DD";
            dateTimeMask_ = "YYYY-MM-DD HH:NN:SS";
            break;
        case sqlSQLAnywhere:
        case sqlInterbase:
        case sqlCustom: break;
    }
}

void TOrdoClientSocket::SetKeepAlivePing(int minutes) {
    keepAlivePing_ = minutes;
    if (minutes > 0 && !designMode_) {
        SetTimer(Handle(), kKeepAliveTimer, static_cast<std::uint32_t>(minutes) * 60000u);
        keepAliveTimer_ = true;
    } else if (minutes <= 0 && keepAliveTimer_) {
        KillTimer(Handle(), kKeepAliveTimer);
        keepAliveTimer_ = false;
    }
}

void TOrdoClientSocket::DoTimer(std::uintptr_t id) {
    if (id == kReconnectTimer) {
        KillTimer(Handle(), kReconnectTimer);  // fires once
        try {
            SetActive(true);
        } catch (const ESocketError& e) {
            DoUnhandledAsyncError(e.Code());  // a timer has no caller to raise to
        }
    } else if (id == kKeepAliveTimer) {
        if (!Active()) {
            KillTimer(Handle(), kKeepAliveTimer);
            keepAliveTimer_ = false;
            return;
        }
        TOrdoStringLine line(mcCodedMessage, 0);
        line.AddInteger(kKeepAliveCode);
        line.AddString("");
        SendMessageLine(line, false);
    }
}

void TOrdoClientSocket::StartReconnectTimer() {
    SetTimer(Handle(), kReconnectTimer, kReconnectDelayMs);
}

// --- status -------------------------------------------------------------------------------

std::string TOrdoClientSocket::StatusText() const {
    return AnchorStatusText(anchorStatus_, Active(), Address(), Port());
}

void TOrdoClientSocket::SetStatus(TClientAnchorStatus status) {
    anchorStatus_ = status;
    std::string text = StatusText();
    if (OnConnectStatusChange) OnConnectStatusChange(*this, text);
    if (statusBar_ == nullptr) return;
    if (statusBar_->SimplePanel()) {
        statusBar_->SetSimpleText(text);
    } else {
        statusBar_->SetPanelText(0, text);
    }
}

// --- data set registry ----------------------------------------------------------------------

int TOrdoClientSocket::RegisterDataSet(IOrdoSocketDataSet& dataSet) {
    for (auto& [id, ds] : dataSets_)
        if (ds == &dataSet) return id;
    std::int32_t id = nextDataSetId_++;
    dataSets_[id] = &dataSet;
    return id;
}

void TOrdoClientSocket::UnregisterDataSet(IOrdoSocketDataSet& dataSet) {
    std::erase_if(dataSets_, [&](const auto& entry) { return entry.second == &dataSet; });
    std::erase(reopenList_, &dataSet);
}

IOrdoSocketDataSet* TOrdoClientSocket::FindDataSet(std::int32_t id) const {
    auto it = dataSets_.find(id);
    return it == dataSets_.end() ? nullptr : it->second;
}

void TOrdoClientSocket::AddReopenDataSet(IOrdoSocketDataSet& dataSet) {
    if (std::find(reopenList_.begin(), reopenList_.end(), &dataSet) == reopenList_.end())
        reopenList_.push_back(&dataSet);
}

// --- connect and disconnect -------------------------------------------------------------------

void TOrdoClientSocket::DoConnected() {
    if (OnConnect) OnConnect(*this);
    pipeline_.ResetTotals();
    SetStatus(TACConnectedToServer);
    if (ClientType() == ctNonBlocking && Active()) PostConnect();
}

void TOrdoClientSocket::PostConnect() {
    Transforms().ResetWorkingEncryption();
    if (applicationName_.empty()) {
        std::string exe = ExeFileName();
        applicationName_ = exe.substr(exe.find_last_of('/') + 1);
    }
    SendLogin();
    // Each data set is reopened once; one that needs it again registers again.
    std::vector<IOrdoSocketDataSet*> reopen;
    reopen.swap(reopenList_);
    for (IOrdoSocketDataSet* dataSet : reopen)
        if (Active()) dataSet->ReopenAfterConnect();
    if (Active()) {
        TOrdoStringLine line(mcUtilityInfo, 0);
        line.AddInteger(6);
        line.AddString("");
        SendMessageLine(line, false);
    }
}

void TOrdoClientSocket::DoDisconnected() {
    if (OnDisconnect) OnDisconnect(*this);
    SetKeepAlivePing(0);
    Transforms().ResetWorkingEncryption();
    SetStatus(TACDisconnectedFromServer);
    ReleaseLost();
    pipeline_.ResetTotals();
    // Bytes of a frame cut short by the disconnect must not prefix the next connection's.
    pipeline_.Stack().Clear();
    receiveProgress_.Reset();
}

void TOrdoClientSocket::DoSocketError(TErrorEvent event, int& code) {
    lastSocketError_ = code;
    if (OnError) {
        OnError(*this, event, code);
        code = 0;
        return;
    }
    std::optional<std::string> text = SocketErrorText(code);
    ErrorCleanup();
    if (!text) return;  // the platform raises its own error
    if (sqlErrorHandling_.Contains(seSocketErrorNoException)) {
        Ui().ShowMessage(SocketErrorMessage(*text, Address(), Port()));
    } else {
        SetActive(false);
    }
    code = 0;
}

void TOrdoClientSocket::ErrorCleanup() {
    ReleaseLost();
    if (Active()) return;
    ClosePlatformSocket();
    DoDisconnected();
}

void TOrdoClientSocket::DoUnhandledAsyncError(int code) {
    // A notification has no caller to raise to; the user is told instead, as the platform would.
    Ui().ShowMessage(ESocketError(code, "socket").what());
}

void TOrdoClientSocket::OpenAndWait() {
    SetActive(true);
    lastSocketError_ = 0;
    connectWait_ = true;
    while (!Active() && lastSocketError_ == 0 && connectWait_ && !terminated_ && (Connecting() || Active())) {
        if (!WaitMessage(-1)) break;
        if (!ProcessMessages()) break;
    }
    connectWait_ = false;
}

void TOrdoClientSocket::CloseAndWait() {
    SetActive(false);
    while (Active()) {
        if (!ProcessMessages()) break;
    }
    ClosePlatformSocket();
}

}  // namespace ordo
