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
    /// Shows the window, runs the message loop until the window closes; the exit status of the run: 0 when the
    /// walk ran and left the queue empty, 1 when an error ended the walk, 75 when work is left for a later run.
    int Run();

    /// Where the program says what went wrong (failed connection attempts, giving up); none by default.
    void SetMessages(std::ostream& out);
    /// Gives up when no connection has come up within `seconds` after FormCreate; none: retry for ever.
    void SetConnectTimeout(std::optional<unsigned> seconds) noexcept { connectTimeout_ = seconds; }

    [[nodiscard]] const std::string& ExePath() const noexcept { return sExePath_; }
    [[nodiscard]] bool Connected() const noexcept { return bConnected_; }
    [[nodiscard]] bool WalkDone() const noexcept { return walkDone_; }
    [[nodiscard]] bool GaveUpConnecting() const noexcept { return gaveUp_; }
    /// The queue files left when Run() returned.
    [[nodiscard]] std::size_t FilesLeft() const noexcept { return filesLeft_; }
    /// The queue file whose work failed and the message of the exception that ended the walk, if one did.
    [[nodiscard]] const std::optional<std::string>& WalkError() const noexcept { return walkError_; }
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
    void ReportConnectFailure(const std::string& why);
    [[nodiscard]] std::string QueueFolder() const { return sExePath_ + "temp/FQ/"; }
    [[nodiscard]] std::size_t CountQueueFiles() const;

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
    TRecentText userName_;  // the user name statements carry

    TSocketPort socketPort_{ACSocket};
    TDataSetPort dbPort_{dsDB, ACSocket};
    TDataSetPort tempPort_{dsTemp, ACSocket};
    std::unique_ptr<TWindowView> view_;
    std::unique_ptr<TStatementRunner> runner_;
    std::unique_ptr<TBalanceRebuild> rebuild_;
};

}  // namespace ordo
