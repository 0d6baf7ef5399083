#include "app/main_form.h"

#include <exception>

#include "app/field_splitter.h"
#include "app/port_scrambler.h"
#include "app/server_address.h"
#include "platform/codepage.h"
#include "platform/net_info.h"
#include "platform/text_convert.h"
#include "update/socket_update.h"

namespace ordo {
namespace {

constexpr const char* kEnvFile = "Environment.ini";
constexpr std::uintptr_t kConnectTimerId = 1;
constexpr std::uint32_t kConnectTimerInterval = 5000;

}  // namespace

TfrmPellow::TfrmPellow(IUiBackend& ui, std::string exeFolder) : ui_(ui), sExePath_(std::move(exeFolder)) {
    window_ = ui_.CreateWindow();
    window_->OnClose = [](IUiWindow&) { PostQuitMessage(0); };
    hwnd_ = AllocateHWnd([this](const TMessage& msg) { WindowProc(msg); });
    view_ = std::make_unique<TWindowView>(*window_, ui_);
    runner_ = std::make_unique<TStatementRunner>(TStatementRunner::Context{
        socketPort_, *view_, [this] { return bConnected_; }, [this] { return stopping_; },
        [this] {
            return userName_.Get(GetTickCount(),
                                 [this] { return GetLocalIP() + "(" + ReadEnv("SYSSETUP", "DMGID") + ")"; });
        }});
    rebuild_ = std::make_unique<TBalanceRebuild>(*runner_, dbPort_, tempPort_);
    ConfigureComponents();
}

TfrmPellow::~TfrmPellow() {
    if (hwnd_) {
        KillTimer(hwnd_, kConnectTimerId);
        DeallocateHWnd(hwnd_);
    }
}

// The settings the window's components carry from design time.
void TfrmPellow::ConfigureComponents() {
    window_->SetCaption(AnsiLiteral("쿼리 기록"));
    window_->SetClientSize(120, 57);
    window_->Progress().SetMax(100);
    window_->Progress().SetVisible(false);

    ACSocket.SetUi(&ui_);
    AttachClientUpdate(ACSocket);
    ACSocket.SetAddress("127.0.0.1");
    ACSocket.SetPort(55200);
    ACSocket.SetClientType(ctNonBlocking);
    ACSocket.SetConnectAction(caNone);
    ACSocket.SetLoginMaxAttempts(0);
    ACSocket.SetApplicationName("Vantrel");
    ACSocket.SetSQLTransactionStart("BEGIN TRANSACTION");
    ACSocket.SetSQLTransactionEnd("COMMIT");
    ACSocket.SetProgressBar(true);
    ACSocket.SetCacheMetaDataOptions(smNoCache);
    ACSocket.OnConnect = [this](TOrdoClientSocket& s) { ACSocketConnect(s); };
    ACSocket.OnDisconnect = [this](TOrdoClientSocket& s) { ACSocketDisconnect(s); };
    ACSocket.OnTerminateApplication = [this](TOrdoClientSocket&) { Terminate(); };

    for (TOrdoClientDataSet* ds : {&dsDB, &dsTemp}) {
        ds->SetOrdoClientSocket(&ACSocket);
        ds->SetEditMode("Read Only");
        ds->SetUpdateMethod(umManual);
        ds->SetSQLOptions({soFetchMemos, soFetchBlobs});
        ds->SetStreamOptions({ssAggregates, ssIndexes});
    }
    dsDB.SetName("dsDB");
    dsTemp.SetName("dsTemp");
}

std::string TfrmPellow::ReadEnv(std::string_view section, std::string_view key) const {
    return ReadEnvValue(sExePath_, kEnvFile, section, key);
}

void TfrmPellow::FormCreate() {
    SetupServer(std::string(Trim(ReadEnv("SYSTEM", "SvrIP"))));
    // Unattended: a connection that does not come up is tried again every 5 s until the walk has run.
    EnableConnectTimer();
}

void TfrmPellow::FormShow() {
    const TRect area = ui_.WorkArea();
    window_->SetPosition(area.Right - window_->Width(), area.Bottom - window_->Height());
    window_->Show();
}

void TfrmPellow::SetupServer(const std::string& svrIp) {
    try {
        const std::string svrNm = ReadEnv("SYSTEM", "SvrNM");
        const bool nameWay = (!svrIp.empty() && svrIp.find('.') == std::string::npos) ||
                             (!svrNm.empty() && svrNm != "Null");
        if (nameWay) {
            if (auto address = ResolveHostName(svrNm))
                ACSocket.SetAddress(*address);
            else
                ACSocket.SetAddress(ReadEnv("SYSTEM", "SvrIP"));
        } else {
            if (svrIp.empty()) return;
            ACSocket.SetAddress(IsDottedNumber(svrIp) ? svrIp : LookupHostAddress(svrIp));
        }
        const std::string portValue(Trim(ReadEnv("SYSTEM", "DBDSPort")));
        const std::string portText =
            portValue.find(',') != std::string::npos ? GetField(portValue, ",", 0) : portValue;
        ACSocket.SetPort(StrToInt(DecodePortText(portText, kPortKey)));
        if (IsNetworkConnected()) ACSocket.Open();
    } catch (...) {
        // A bad configuration leaves the socket closed, silently; the reconnect timer tries again.
    }
}

void TfrmPellow::ACSocketConnect(TOrdoClientSocket&) {
    bConnected_ = true;
    if (walkDone_) return;  // one pass per program run
    walkDone_ = true;
    try {
        ReplayQueue();
    } catch (const std::exception& e) {
        walkError_ = e.what();
    } catch (...) {
        walkError_ = "The queue walk ended with an unknown error";
    }
}

void TfrmPellow::ACSocketDisconnect(TOrdoClientSocket&) { bConnected_ = false; }

void TfrmPellow::tmrConnectTimer() {
    if (ACSocket.Active() || ACSocket.Connecting() || walkDone_) return;
    EnableConnectTimer();
    if (!IsNetworkConnected()) return;
    ACSocket.Close();
    ACSocket.SetActive(false);
    SetupServer(std::string(Trim(ReadEnv("SYSTEM", "SvrIP"))));
}

void TfrmPellow::EnableConnectTimer() {
    if (timerEnabled_) return;
    SetTimer(hwnd_, kConnectTimerId, kConnectTimerInterval);
    timerEnabled_ = true;
}

void TfrmPellow::WindowProc(const TMessage& msg) {
    if (msg.message == WM_TIMER && msg.wParam == kConnectTimerId) tmrConnectTimer();
}

void TfrmPellow::ReplayQueue() {
    TQueueWalk walk({sExePath_ + "temp/FQ/", *runner_, dbPort_, *view_,
                     [this](const TRebuildCommand& c) { return RebuildBalance(c.buyerCode, c.buyerName, c.startDate); },
                     [this] { return stopping_; }});
    walk.ReplayQueue();
}

int TfrmPellow::RunStatement(const std::string& sql, IReplayDataSet& dataSet) {
    return runner_->RunStatement(sql, dataSet);
}

bool TfrmPellow::RebuildBalance(const std::string& buyerCode, const std::string& buyerName,
                                const std::string& startDate) {
    return rebuild_->RebuildBalance(buyerCode, buyerName, startDate);
}

void TfrmPellow::Terminate() {
    stopping_ = true;
    // A reply wait takes the quit message for itself; the walk sees `stopping_` and closes the window, which
    // posts the quit message again for the main loop.
    PostQuitMessage(0);
    if (!window_->Closed()) window_->Close();
}

int TfrmPellow::Run() {
    FormShow();
    // The loop ends with the window, not only with the quit message: a reply wait running when the window closes
    // (the login that follows the walk) takes the quit message for itself.
    TMessage msg;
    while (!window_->Closed() && GetMessage(msg)) DispatchMessage(msg);
    return walkError_ ? 1 : 0;
}

}  // namespace ordo
