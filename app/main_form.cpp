#include "app/main_form.h"

#include <exception>

#include "app/command_line.h"
#include "app/config_check.h"
#include "app/file_identity.h"
#include "app/server_address.h"
#include "core/socket_errors.h"
#include "core/text_convert.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/net_info.h"
#include "platform/process.h"
#include "update/socket_update.h"

namespace ordo {
namespace {

constexpr std::uintptr_t kConnectTimerId = 1;
constexpr std::uintptr_t kConnectDeadlineTimerId = 2;
constexpr std::uint32_t kConnectTimerInterval = 5000;
constexpr std::uintptr_t kLingerTimerId = 3;
/// The login goes out only after the walk, and a server's push follows its reply: the window stays this long
/// after the walk so that what the server sends then is read (a pushed update refused aloud), not cut off.
constexpr std::uint32_t kLingerAfterWalk = 300;

}  // namespace

TfrmPellow::TfrmPellow(IUiBackend& ui, std::string exeFolder) : ui_(ui), sExePath_(std::move(exeFolder)) {
    window_ = ui_.CreateWindow();
    window_->OnClose = [](IUiWindow&) { PostQuitMessage(0); };
    hwnd_ = AllocateHWnd([this](const TMessage& msg) { WindowProc(msg); });
    view_ = std::make_unique<TWindowView>(*window_, ui_);
    view_->OnCloseWindow = [this] {
        if (stopping_) {
            window_->Close();  // a signal or a given-up connect: end now
            return;
        }
        SetTimer(hwnd_, kLingerTimerId, kLingerAfterWalk);
    };
    runner_ = std::make_unique<TStatementRunner>(TStatementRunner::Context{
        socketPort_, *view_, [this] { return bConnected_; },
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
        KillTimer(hwnd_, kConnectDeadlineTimerId);
        KillTimer(hwnd_, kLingerTimerId);
        DeallocateHWnd(hwnd_);
    }
}

// The settings the window's components carry from design time.
void TfrmPellow::ConfigureComponents() {
    window_->SetCaption(AnsiLiteral("쿼리 기록"));
    window_->SetClientSize(120, 57);
    window_->Progress().SetMax(100);
    window_->Progress().SetVisible(false);

    ACSocket.SetUi(&socketUi_);
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
    return ReadEnvValue(sExePath_, kEnvFileName, section, key);
}

void TfrmPellow::FormCreate() {
    SetupServer(std::string(Trim(ReadEnv("SYSTEM", "SvrIP"))));
    // Unattended: a connection that does not come up is tried again every 5 s until the walk has run.
    EnableConnectTimer();
    if (connectTimeout_) SetTimer(hwnd_, kConnectDeadlineTimerId, *connectTimeout_ * 1000U);
}

void TfrmPellow::SetMessages(std::ostream& out, bool journal) {
    messages_ = &out;
    log_.emplace(out, journal);
    connectReport_.emplace(out, kConnectTimerInterval / 1000);
}

void TfrmPellow::SetReplyTimeout(std::optional<unsigned> seconds) {
    runner_->SetReplyTimeLimit(seconds ? std::optional<std::uint32_t>(*seconds * 1000U) : std::nullopt);
}

void TfrmPellow::ReportConnectFailure(const std::string& why) {
    if (connectReport_)
        connectReport_->Failed(GetTickCount(), ACSocket.Address() + ":" + std::to_string(ACSocket.Port()), why);
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
        ACSocket.SetPort(DecodeConfiguredPort(ReadEnv("SYSTEM", "DBDSPort")));
        if (IsNetworkConnected())
            ACSocket.Open();
        else
            ReportConnectFailure("the machine reports no network connection");
    } catch (const std::exception& e) {
        // A bad configuration leaves the socket closed; the reconnect timer tries again.
        ReportConnectFailure(e.what());
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

void TfrmPellow::ACSocketDisconnect(TOrdoClientSocket&) {
    // Before the walk a disconnect is an attempt that failed; the socket's error says why.
    if (!bConnected_ && !walkDone_) ReportConnectFailure(WinSockErrorDescription(ACSocket.LastSocketError()));
    bConnected_ = false;
}

void TfrmPellow::tmrConnectTimer() {
    if (ACSocket.Active() || ACSocket.Connecting() || walkDone_) return;
    EnableConnectTimer();
    // The last failure's message box is still waiting for its OK: another attempt now would stack a second one.
    if (socketUi_.BoxOpen()) return;
    if (!IsNetworkConnected()) return;
    ACSocket.Close();
    ACSocket.SetActive(false);
    SetupServer(std::string(Trim(ReadEnv("SYSTEM", "SvrIP"))));
}

void TfrmPellow::ConnectDeadline() {
    KillTimer(hwnd_, kConnectDeadlineTimerId);
    if (walkDone_ || stopping_) return;  // the walk has begun: it runs to its end
    gaveUp_ = true;
    if (log_)
        log_->Line(TRunPriority::rpWarning, "no connection to " + ACSocket.Address() + ":" +
                                                std::to_string(ACSocket.Port()) + " within " +
                                                std::to_string(*connectTimeout_) +
                                                " s; giving up, the queue stays for a later run");
    ACSocket.Close();
    Terminate();
}

void TfrmPellow::EnableConnectTimer() {
    if (timerEnabled_) return;
    SetTimer(hwnd_, kConnectTimerId, kConnectTimerInterval);
    timerEnabled_ = true;
}

void TfrmPellow::WindowProc(const TMessage& msg) {
    if (msg.message != WM_TIMER) return;
    if (msg.wParam == kConnectTimerId) tmrConnectTimer();
    if (msg.wParam == kConnectDeadlineTimerId) ConnectDeadline();
    if (msg.wParam == kLingerTimerId) {
        KillTimer(hwnd_, kLingerTimerId);
        if (!window_->Closed()) window_->Close();
    }
}

TQueueFolder& TfrmPellow::Folder() {
    if (folder_ != nullptr) return *folder_;
    if (!ownFolder_) ownFolder_.emplace(TQueueFolder::Open(QueueFolder()));
    return *ownFolder_;
}

void TfrmPellow::ReportFile(const std::string& name, const TFileVerdict& verdict) {
    if (!log_) return;
    const TRunPriority priority = verdict.failure == TFailureKind::fkLasting   ? TRunPriority::rpError
                                  : verdict.failure == TFailureKind::fkPassing ? TRunPriority::rpWarning
                                                                               : TRunPriority::rpNotice;
    log_->Line(priority, ToNativePath(Folder().Path() + name) + ": stays: " + verdict.reason);
}

std::function<void(const TQueuedFile&)> TfrmPellow::StatementHook() {
    if (!ReadExactlyOnce(sExePath_)) return beforeStatement_;
    return [this, installation = ReadEnv("SYSSETUP", "DMGID")](const TQueuedFile& file) {
        if (beforeStatement_) beforeStatement_(file);
        ACSocket.AttachToNextRequest(
            ReplayIdentityLine(FileIdentity(installation, file.name, file.size, file.modified, file.bytes)));
    };
}

void TfrmPellow::ReplayQueue() {
    TQueueWalk walk({Folder(), *runner_, dbPort_, *view_,
                     [this](const TRebuildCommand& c) {
                         return rebuild_->Rebuild(c.buyerCode, c.buyerName, c.startDate);
                     },
                     [this] { return stopping_; },
                     [this](const std::string& name, const TFileVerdict& v) { ReportFile(name, v); },
                     StatementHook(),
                     // A request the runner never sent leaves the identity behind; it must not ride on the next.
                     [this] { ACSocket.DropAttachedLine(); }});
    walking_ = true;
    struct TWalking {
        bool& flag;
        ~TWalking() { flag = false; }
    } walking{walking_};
    try {
        walk.ReplayQueue();
        summary_ = walk.Summary();
    } catch (const std::exception& e) {
        summary_ = walk.Summary();
        summary_.lastingFailure = true;
        // Whoever reads the error must find the file: the text alone does not say which one it concerns.
        if (walk.CurrentFile().empty()) throw;
        throw EOrdoError(ToNativePath(Folder().Path() + walk.CurrentFile()) + ": " + e.what());
    }
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

void TfrmPellow::StopSignal(int signo) {
    ++signalsSeen_;
    if (!stopSignal_) stopSignal_ = signo;
    stopping_ = true;
    if (!walking_) {
        Terminate();  // nothing is in flight: end now
        return;
    }
    if (signalsSeen_ == 1) {
        if (log_)
            log_->Line(TRunPriority::rpNotice, TTerminationSignals::Name(signo) +
                                                   ": stopping once the statement in flight has its reply "
                                                   "(a second signal stops at once)");
        return;
    }
    // The reply given up on may still be committed by the server: its file stays, and the next run applies it
    // unless the server's journal recognises it.
    if (log_) log_->Line(TRunPriority::rpWarning, TTerminationSignals::Name(signo) + " again: stopping at once");
    Terminate();
}

int TfrmPellow::Run() {
    FormShow();
    // The loop ends with the window, not only with the quit message: a reply wait running when the window closes
    // (the login that follows the walk) takes the quit message for itself.
    TMessage msg;
    while (!window_->Closed() && GetMessage(msg)) DispatchMessage(msg);
    filesLeft_ = CountQueueFiles();
    TRunSummary summary = summary_;
    summary.gaveUpConnecting = gaveUp_;
    summary.stoppedBySignal = summary.stoppedBySignal || stopSignal_.has_value();
    summary.filesLeft = filesLeft_;
    if (walkError_) summary.lastingFailure = true;
    summary_ = summary;
    return ExitStatusOf(summary);
}

std::size_t TfrmPellow::CountQueueFiles() {
    try {
        return Folder().List("*.txt").size();
    } catch (const EOSError&) {
        return 0;  // no folder: nothing was queued, and the start-up check has said so
    }
}

}  // namespace ordo
