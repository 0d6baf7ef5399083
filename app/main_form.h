#pragma once
// The program's only window and everything it owns: the socket, the two data sets, the reconnect timer.
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "app/balance_rebuild.h"
#include "app/component_ports.h"
#include "app/connect_report.h"
#include "app/message_box_watch.h"
#include "app/queue_walk.h"
#include "app/replay_verdict.h"
#include "app/run_log.h"
#include "app/server_address.h"
#include "app/statement_runner.h"
#include "client/client_data_set.h"
#include "net/client_socket.h"
#include "platform/message_queue.h"
#include "ui/ui.h"

namespace ordo {

class TfrmPellow {
public:
    /// `exeFolder` ends with '/'; every path of the program is built from it.
    TfrmPellow(IUiBackend& ui, std::string exeFolder);
    ~TfrmPellow();
    TfrmPellow(const TfrmPellow&) = delete;
    TfrmPellow& operator=(const TfrmPellow&) = delete;

    // Handlers, named after their component and event.
    void FormCreate();
    void FormShow();
    void ACSocketConnect(TOrdoClientSocket& sender);
    void ACSocketDisconnect(TOrdoClientSocket& sender);
    void tmrConnectTimer();
    /// The end of the time `SetConnectTimeout` allows for a connection.
    void ConnectDeadline();

    /// Chooses the socket's address and port from the configuration and opens it when the machine is online.
    void SetupServer(const std::string& svrIp);
    void ReplayQueue();
    int RunStatement(const std::string& sql, IReplayDataSet& dataSet);
    bool RebuildBalance(const std::string& buyerCode, const std::string& buyerName, const std::string& startDate);

    /// Asks the program to end: the walk stops before its next file and the window closes.
    void Terminate();
    /// A stop signal: the first lets the statement in flight end and stops before the next file (at once when
    /// the walk has not begun); a second gives up the reply awaited and stops at once.
    void StopSignal(int signo);
    /// Shows the window, runs the message loop until the window closes; the exit status of the run: 0 when the
    /// walk ran and left the queue empty, 1 when something will fail again, 75 when work is left for a later run.
    int Run();

    /// Where the program says what went wrong (failed connection attempts, giving up, each file that stays);
    /// none by default. `journal`: each line carries its syslog priority.
    void SetMessages(std::ostream& out, bool journal = false);
    /// Gives up when no connection has come up within `seconds` after FormCreate; none: retry for ever.
    void SetConnectTimeout(std::optional<unsigned> seconds) noexcept { connectTimeout_ = seconds; }
    /// Gives up on any one reply after `seconds`; none: the program's own limits.
    void SetReplyTimeout(std::optional<unsigned> seconds);
    /// The queue folder this run holds (opened and locked); without one the form opens the folder itself.
    void SetQueueFolder(TQueueFolder& folder) noexcept { folder_ = &folder; }
    /// Runs right before each statement file's request is sent.
    void SetBeforeStatement(std::function<void(const TQueuedFile&)> hook) { beforeStatement_ = std::move(hook); }

    [[nodiscard]] const std::string& ExePath() const noexcept { return sExePath_; }
    [[nodiscard]] bool Connected() const noexcept { return bConnected_; }
    [[nodiscard]] bool WalkDone() const noexcept { return walkDone_; }
    [[nodiscard]] bool GaveUpConnecting() const noexcept { return gaveUp_; }
    /// The queue files left when Run() returned.
    [[nodiscard]] std::size_t FilesLeft() const noexcept { return filesLeft_; }
    /// The message of an exception that ended the walk (naming the file), if one did.
    [[nodiscard]] const std::optional<std::string>& WalkError() const noexcept { return walkError_; }
    /// What the walk met (failures that pass or last, a stop), once Run() has returned.
    [[nodiscard]] const TRunSummary& Summary() const noexcept { return summary_; }
    /// The signal that stopped the run, if one did.
    [[nodiscard]] std::optional<int> StoppedBy() const noexcept { return stopSignal_; }
    [[nodiscard]] IUiWindow& Window() noexcept { return *window_; }
    [[nodiscard]] bool TimerEnabled() const noexcept { return timerEnabled_; }

    TOrdoClientSocket ACSocket;
    TOrdoClientDataSet dsDB;
    TOrdoClientDataSet dsTemp;

private:
    void ConfigureComponents();
    void EnableConnectTimer();
    void WindowProc(const TMessage& msg);
    std::string ReadEnv(std::string_view section, std::string_view key) const;
    /// What the walk calls before each statement file's request: with ExactlyOnce on, it attaches the file's
    /// identity to that request.
    std::function<void(const TQueuedFile&)> StatementHook();
    void ReportConnectFailure(const std::string& why);
    [[nodiscard]] std::string QueueFolder() const { return sExePath_ + "temp/FQ/"; }
    [[nodiscard]] std::size_t CountQueueFiles();
    TQueueFolder& Folder();
    void ReportFile(const std::string& name, const TFileVerdict& verdict);

    IUiBackend& ui_;
    TMessageBoxWatch socketUi_{ui_};
    std::unique_ptr<IUiWindow> window_;
    WindowHandle hwnd_ = 0;
    std::string sExePath_;
    bool bConnected_ = false;
    bool walkDone_ = false;
    bool stopping_ = false;
    bool timerEnabled_ = false;
    bool gaveUp_ = false;
    std::size_t filesLeft_ = 0;
    std::optional<unsigned> connectTimeout_;
    std::ostream* messages_ = nullptr;
    std::optional<TConnectReport> connectReport_;
    std::optional<std::string> walkError_;
    std::optional<TRunLog> log_;
    TQueueFolder* folder_ = nullptr;
    std::optional<TQueueFolder> ownFolder_;
    TRunSummary summary_;
    std::optional<int> stopSignal_;
    int signalsSeen_ = 0;
    bool walking_ = false;
    std::function<void(const TQueuedFile&)> beforeStatement_;
    TRecentText userName_;  // the user name statements carry

    TSocketPort socketPort_{ACSocket};
    TDataSetPort dbPort_{dsDB, ACSocket};
    TDataSetPort tempPort_{dsTemp, ACSocket};
    std::unique_ptr<TWindowView> view_;
    std::unique_ptr<TStatementRunner> runner_;
    std::unique_ptr<TBalanceRebuild> rebuild_;
};

}  // namespace ordo
