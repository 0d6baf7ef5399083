#pragma once
// The program's only window and everything it owns: the socket, the two data sets, the reconnect timer.
#include <memory>
#include <optional>
#include <string>

#include "app/balance_rebuild.h"
#include "app/component_ports.h"
#include "app/queue_walk.h"
#include "app/server_address.h"
#include "app/statement_runner.h"
#include "dataset/client_data_set.h"
#include "net/client_socket.h"
#include "platform/message_queue.h"
#include "platform/ui.h"

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

    /// Chooses the socket's address and port from the configuration and opens it when the machine is online.
    void SetupServer(const std::string& svrIp);
    void ReplayQueue();
    int RunStatement(const std::string& sql, IReplayDataSet& dataSet);
    bool RebuildBalance(const std::string& buyerCode, const std::string& buyerName, const std::string& startDate);

    /// Asks the program to end: the walk stops before its next file and the window closes.
    void Terminate();
    /// Shows the window, runs the message loop until the window closes; 0, or 1 when an error ended the walk.
    int Run();

    [[nodiscard]] const std::string& ExePath() const noexcept { return sExePath_; }
    [[nodiscard]] bool Connected() const noexcept { return bConnected_; }
    [[nodiscard]] bool WalkDone() const noexcept { return walkDone_; }
    /// The message of the exception that ended the walk, if one did.
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

    IUiBackend& ui_;
    std::unique_ptr<IUiWindow> window_;
    WindowHandle hwnd_ = 0;
    std::string sExePath_;
    bool bConnected_ = false;
    bool walkDone_ = false;
    bool stopping_ = false;
    bool timerEnabled_ = false;
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
