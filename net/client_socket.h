#pragma once
// The client socket component: the one connection through which the application and its
// client data sets reach the middleware server. It frames and sends message lines, waits for
// their replies while pumping only its own notifications, logs in after every connect and hands
// incoming replies to the data set they name.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <mutex>
#include <string>
#include <vector>

#include "codec/message_codes.h"
#include "codec/message_pipeline.h"
#include "codec/string_line.h"
#include "codec/transforms.h"
#include "net/client_socket_types.h"
#include "net/client_update_hook.h"
#include "net/custom_client_socket.h"
#include "net/login.h"
#include "net/receive_progress.h"
#include "net/reply_state.h"
#include "net/request_outcome.h"
#include "net/smart_wait.h"
#include "net/socket_data_set.h"
#include "net/socket_errors.h"
#include "params/param_list.h"

namespace ordo {

class IUiBackend;

class TOrdoClientSocket : public TOrdoCustomClientSocket {
public:
    using Event = std::function<void(TOrdoClientSocket& sender)>;
    using TextEvent = std::function<void(TOrdoClientSocket& sender, const std::string& text)>;
    using ParamsEvent = std::function<void(TOrdoClientSocket& sender, int code, TOrdoParamList& params)>;
    using BytesEvent = std::function<void(TOrdoClientSocket& sender, std::int64_t bytes, std::int64_t total,
                                          std::int64_t count)>;

    TOrdoClientSocket();
    ~TOrdoClientSocket() override;

    // --- connection -----------------------------------------------------------------------
    /// Open, then process messages until connected, failed, given up on or the program ends.
    void OpenAndWait();
    /// Close, then process messages until inactive.
    void CloseAndWait();
    /// Runs the connect action; call once the properties are set (as after loading from a form).
    void Loaded();

    [[nodiscard]] TOrdoConnectAction ConnectAction() const noexcept { return connectAction_; }
    void SetConnectAction(TOrdoConnectAction value) noexcept { connectAction_ = value; }
    [[nodiscard]] TClientAnchorStatus AnchorStatus() const noexcept { return anchorStatus_; }
    /// The text of the current status.
    [[nodiscard]] std::string StatusText() const;
    [[nodiscard]] int LastSocketError() const noexcept { return lastSocketError_; }
    [[nodiscard]] int KeepAlivePing() const noexcept { return keepAlivePing_; }
    /// Minutes between keep-alive messages; 0 switches them off.
    void SetKeepAlivePing(int minutes);
    [[nodiscard]] IOrdoStatusBar* StatusBar() const noexcept { return statusBar_; }
    void SetStatusBar(IOrdoStatusBar* value) noexcept { statusBar_ = value; }
    /// Message boxes and the waiting cursor; without one assigned the platform's default backend is used.
    void SetUi(IUiBackend* ui) noexcept;
    [[nodiscard]] IUiBackend& Ui();
    [[nodiscard]] bool DesignMode() const noexcept { return designMode_; }
    void SetDesignMode(bool value) noexcept { designMode_ = value; }
    /// The program's arguments the connect action reads its switches from (without the program).
    void SetCommandLine(std::vector<std::string> args) { commandLine_ = std::move(args); }
    /// Ends the program: the assigned handler, or the quit message.
    void TerminateApplication();
    [[nodiscard]] bool Terminated() const noexcept { return terminated_; }

    // --- login ----------------------------------------------------------------------------
    [[nodiscard]] const std::string& ApplicationName() const noexcept { return applicationName_; }
    void SetApplicationName(const std::string& v) { applicationName_ = v; }
    [[nodiscard]] const std::string& ApplicationVersion() const noexcept { return applicationVersion_; }
    void SetApplicationVersion(const std::string& v) { applicationVersion_ = v; }
    [[nodiscard]] const std::string& UserName() const noexcept { return userName_; }
    void SetUserName(const std::string& v) { userName_ = v; }
    [[nodiscard]] const std::string& Password() const noexcept { return password_; }
    void SetPassword(const std::string& v) { password_ = v; }
    [[nodiscard]] int LoginMaxAttempts() const noexcept { return loginMaxAttempts_; }
    void SetLoginMaxAttempts(int v) noexcept { loginMaxAttempts_ = v; }
    [[nodiscard]] TLoginType AutoLoginDlg() const noexcept { return autoLoginDlg_; }
    void SetAutoLoginDlg(TLoginType v) noexcept { autoLoginDlg_ = v; }
    [[nodiscard]] int LoginAttempts() const noexcept { return loginAttempts_; }
    /// Sent with every login; the client update and triggers add items.
    [[nodiscard]] TOrdoParamList& ClientParams() noexcept { return clientParams_; }
    /// Asked for user name and password with ltLoginDlg; none: the login counts as cancelled.
    void SetLoginDialog(IOrdoLoginDialog* dialog) noexcept { loginDialog_ = dialog; }
    /// The server's version, 0 until it has told it.
    [[nodiscard]] double ServerVersion() const noexcept { return serverVersion_; }
    /// Builds and sends the login message and waits for its reply.
    virtual void SendLogin();
    /// When present, every login carries its parameter list string as the item "~OrdoTrigger".
    [[nodiscard]] const TOrdoParamList* TriggerList() const noexcept { return triggerList_ ? &*triggerList_ : nullptr; }
    void SetTriggerList(TOrdoParamList list) { triggerList_ = std::move(list); }
    void ClearTriggerList() noexcept { triggerList_.reset(); }
    /// The list the next login sends: the client's own one after the update's preparation
    /// ("NeedPatcher" while the patch way lacks its patch program), with the trigger item.
    TOrdoParamList LoginParams();

    // --- client update pushed by the server ---------------------------------------------------
    /// Not empty: updates go through the patch program and are saved under this path.
    [[nodiscard]] const std::string& PatchFile() const noexcept { return patchFile_; }
    void SetPatchFile(const std::string& v) { patchFile_ = v; }
    /// The update that puts a pushed build in place and writes segment files; the owner attaches
    /// it (update/socket_update.h). Without one the update's messages raise kNoClientUpdateText.
    void SetClientUpdate(std::unique_ptr<IOrdoClientUpdateHook> update) noexcept;
    [[nodiscard]] IOrdoClientUpdateHook* ClientUpdateHook() const noexcept { return update_.get(); }

    // --- SQL settings used by the data sets -------------------------------------------------
    [[nodiscard]] const std::string& SQLTransactionStart() const noexcept { return sqlTransactionStart_; }
    void SetSQLTransactionStart(const std::string& v) { sqlTransactionStart_ = v; }
    [[nodiscard]] const std::string& SQLTransactionEnd() const noexcept { return sqlTransactionEnd_; }
    void SetSQLTransactionEnd(const std::string& v) { sqlTransactionEnd_ = v; }
    [[nodiscard]] TSQLDialect SQLDialect() const noexcept { return sqlDialect_; }
    void SetSQLDialect(TSQLDialect value);
    [[nodiscard]] TOrdoServerSQLOptions SQLOptions() const noexcept { return sqlOptions_; }
    void SetSQLOptions(TOrdoServerSQLOptions v) noexcept { sqlOptions_ = v; }
    [[nodiscard]] TOrdoUpdateSQL UpdateSQLSyntax() const noexcept { return updateSQLSyntax_; }
    void SetUpdateSQLSyntax(TOrdoUpdateSQL v) noexcept { updateSQLSyntax_ = v; }
    [[nodiscard]] const std::string& DateMaskForSQL() const noexcept { return dateMask_; }
    void SetDateMaskForSQL(const std::string& v) { dateMask_ = v; }
    [[nodiscard]] const std::string& DateTimeMaskForSQL() const noexcept { return dateTimeMask_; }
    void SetDateTimeMaskForSQL(const std::string& v) { dateTimeMask_ = v; }
    [[nodiscard]] const std::string& TimeMaskForSQL() const noexcept { return timeMask_; }
    void SetTimeMaskForSQL(const std::string& v) { timeMask_ = v; }
    [[nodiscard]] TOrdoSQLErrorSet SQLErrorHandling() const noexcept { return sqlErrorHandling_; }
    void SetSQLErrorHandling(TOrdoSQLErrorSet v) noexcept { sqlErrorHandling_ = v; }
    [[nodiscard]] TServerMetaCacheOptions CacheMetaDataOptions() const noexcept { return cacheMetaData_; }
    void SetCacheMetaDataOptions(TServerMetaCacheOptions v) noexcept { cacheMetaData_ = v; }

    // --- transforms -----------------------------------------------------------------------
    /// Compression, encryption, keys and the user-defined transform events.
    [[nodiscard]] TOrdoTransforms& Transforms() noexcept { return pipeline_.Transforms(); }
    [[nodiscard]] TOrdoCompression Compression() const noexcept { return pipeline_.Transforms().Compression(); }
    void SetCompression(TOrdoCompression v) { pipeline_.Transforms().SetCompression(v); }
    [[nodiscard]] TOrdoEncryption Encryption() const noexcept { return pipeline_.Transforms().Encryption(); }
    void SetEncryption(TOrdoEncryption v) { pipeline_.Transforms().SetEncryption(v); }
    [[nodiscard]] bool ProgressBar() const noexcept { return progressBar_; }
    void SetProgressBar(bool v) noexcept { progressBar_ = v; }

    // --- requests and replies ---------------------------------------------------------------
    /// Frames and sends the line, then waits for the reply when asked. Sends nothing while a
    /// reply wait runs. Transform errors reach the caller and nothing is written. A frame the
    /// connection does not take whole ends the connection, and the request with it, unanswered.
    void SendMessageLine(TOrdoStringLine& line, bool waitForReply);
    /// Code 15 with a code and a text, not awaited. The blocking client type exchanges it at
    /// once and raises the error text the server answered with.
    void SendCodedMessage(std::int32_t code, const std::string& text);
    /// Code 28 with a code, the list (all items; none: empty) and the wait flag. Waiting, it
    /// returns the list text the reply carried. Raises "Not Connected to Server" when the
    /// connection is not up (non-blocking client type).
    std::string SendCodedParamList(std::int32_t code, const TOrdoParamList* params, bool waitForReply);
    /// Counts one more awaited reply and waits for it (not in blocking mode).
    void WaitForReply();
    /// A reply was dispatched: counts it down and ends the wait when none is awaited any more,
    /// or at once when forced.
    void ReplyArrived(bool force = false);
    /// Sets the wait's time limit (0: none).
    void SetReplyTimeLimit(std::uint32_t milliseconds);
    /// The handler SetReplyTimeLimit hands to the wait as its end-of-wait event.
    void SetEndOfWaitHandler(std::function<void(TOrdoSmartWait&)> handler) { endOfWait_ = std::move(handler); }
    /// An options number for a select, fetch, stored procedure or raw select as it may travel:
    /// without soDelayed in design mode, without soCompress under acOrdoCompress or acUserDefined.
    [[nodiscard]] std::uint32_t SelectOptionsForWire(std::uint32_t options) const noexcept;
    /// The server's error text for the request just made, tagged "[서버 에러]"; empty when none.
    /// Empties the kept text either way.
    std::string TakeServerError();
    [[nodiscard]] TOrdoSmartWait& WaitObject() noexcept { return wait_; }
    [[nodiscard]] const TOrdoSmartWait& WaitObject() const noexcept { return wait_; }
    [[nodiscard]] bool TimedOut() const noexcept { return wait_.TimedOut(); }
    [[nodiscard]] TWaitingCursor CursorOnQueries() const noexcept { return cursorOnQueries_; }
    void SetCursorOnQueries(TWaitingCursor v) noexcept;

    /// How a request that collects its own error is sent.
    struct TRequestOptions {
        bool wait;               ///< wait for the reply (the blocking client type always exchanges)
        bool raisePendingError;  ///< an SQL error that arrives while the request is not collecting is raised
    };
    /// One request that collects its own error: gives it an id and a record, sends the line, waits for its
    /// reply when asked (the blocking client type exchanges it instead) and returns how it ended. The
    /// outcome's text is the server's error text for it, tagged, as a data set raises it; empty when none
    /// came. Sending nothing while a wait runs, it raises nothing either (the outcome says reNotSent).
    TOrdoRequestOutcome Request(TOrdoStringLine& line, TRequestOptions options);
    /// A line that travels in the same write just ahead of the next select or execute request (and of no
    /// other message), so that nothing can come between the two on the connection: the replay identity of a
    /// queued file. It goes with that request or not at all: when the request is not sent (no connection, a
    /// wait running) the line is dropped, and the next request does not take it.
    void AttachToNextRequest(TOrdoStringLine line) { nextRequestPrefix_.emplace(std::move(line)); }
    [[nodiscard]] bool HasAttachedLine() const noexcept { return nextRequestPrefix_.has_value(); }
    void DropAttachedLine() noexcept { nextRequestPrefix_.reset(); }
    /// How the last request sent by SendMessageLine with a wait (a login, a coded list) ended.
    [[nodiscard]] const TOrdoRequestOutcome& LastLineOutcome() const noexcept { return lastOutcome_; }
    /// The request in flight: replies owed, the error kept for it, how the last one ended.
    [[nodiscard]] const TOrdoReplyState& Replies() const noexcept { return replies_; }

    [[nodiscard]] int OutstandingReplies() const noexcept { return replies_.OutstandingReplies(); }
    [[nodiscard]] const std::string& PendingError() const noexcept { return replies_.PendingError(); }
    [[nodiscard]] bool ErrorArrived() const noexcept { return replies_.ErrorArrived(); }
    [[nodiscard]] bool RequestWaiting() const noexcept { return replies_.RequestWaiting(); }
    [[nodiscard]] bool RaisePendingError() const noexcept { return replies_.RaisePendingError(); }
    /// What the last incoming message that could not be decoded or handled raised, when no request was
    /// in flight to fail with it (one in flight fails with it instead). OnDispatchError hears of each.
    [[nodiscard]] const std::string& LastDispatchError() const noexcept { return lastDispatchError_; }
    [[nodiscard]] bool DesignConnect() const noexcept { return designConnect_; }
    void SetDesignConnect(bool v) noexcept { designConnect_ = v; }

    /// Blocking client type: connects, sends the queued frames, reads and dispatches the answer,
    /// disconnects. Returns the request's error text (and empties it).
    std::string BlockingExchange();
    [[nodiscard]] std::size_t QueuedFrames() const noexcept { return sendQueue_.size(); }

    [[nodiscard]] std::int64_t BytesIn() const noexcept { return pipeline_.BytesIn(); }
    [[nodiscard]] std::int64_t BytesOut() const noexcept { return pipeline_.BytesOut(); }
    [[nodiscard]] std::int64_t MessagesSent() const noexcept { return pipeline_.MessagesSent(); }
    [[nodiscard]] std::int64_t MessagesReceived() const noexcept { return pipeline_.MessagesReceived(); }

    // --- data sets ------------------------------------------------------------------------
    /// The data set's id, registering it under the next number (from 1) when it is new.
    int RegisterDataSet(IOrdoSocketDataSet& dataSet);
    /// Takes the data set out of the registry and the reopen list; its next request gets a new id.
    void UnregisterDataSet(IOrdoSocketDataSet& dataSet);
    [[nodiscard]] IOrdoSocketDataSet* FindDataSet(std::int32_t id) const;
    /// Reopens the data set once after the next connect.
    void AddReopenDataSet(IOrdoSocketDataSet& dataSet);
    /// Held around provider parameters and broadcasts handed to a data set; always taken after
    /// the dispatch lock.
    [[nodiscard]] std::recursive_mutex& DataSetLock() noexcept { return dataSetLock_; }
    [[nodiscard]] std::recursive_mutex& DispatchLock() noexcept { return pipeline_.DispatchLock(); }

    // --- events ---------------------------------------------------------------------------
    Event OnConnect;
    Event OnDisconnect;
    std::function<void(TOrdoClientSocket& sender, TErrorEvent event, int& errorCode)> OnError;
    TextEvent OnConnectStatusChange;
    std::function<void(TOrdoClientSocket& sender, bool accepted)> OnLoginAttempt;
    std::function<void(TOrdoClientSocket& sender, bool accepted, TOrdoParamList& params)> OnLoginParamsAttempt;
    ParamsEvent OnServerUtilityInfoEvent;
    Event OnCustomConnect;
    /// Asked for the server address by caFastConnect and caFastConnectCombo; none keeps the stored one.
    std::function<std::optional<std::string>(TOrdoClientSocket& sender)> OnAskServerAddress;
    /// Ends the program instead of the quit message.
    Event OnTerminateApplication;
    /// (sender, size expected, bytes so far); (0, 0) resets.
    std::function<void(TOrdoClientSocket& sender, std::int64_t size, std::int64_t done)> OnReadProgress;
    BytesEvent OnBytesInEvent;
    BytesEvent OnBytesOutEvent;
    TextEvent OnSQLError;
    /// An incoming message could not be decoded or handled: what it raised.
    TextEvent OnDispatchError;
    std::function<void(TOrdoClientSocket& sender, TOrdoParamList& params)> OnCustomSQLError;
    std::function<void(TOrdoClientSocket& sender, int code, bool& handled, TOrdoParamList& params)>
        OnServerAsyncException;
    TextEvent OnChatMessage;
    TextEvent OnServerBroadcast;
    std::function<void(TOrdoClientSocket& sender, int code, const std::string& text)> OnCodedMessage;
    std::function<void(TOrdoClientSocket& sender, int code, Bytes& stream)> OnCodedStream;
    ParamsEvent OnCodedParamList;
    std::function<void(TOrdoClientSocket& sender, int code, TOrdoParamList& params, const std::string& text)>
        OnCustomObject;
    std::function<void(TOrdoClientSocket& sender, const std::string& text, bool& handled)>
        OnTerminateMessageFromServer;
    std::function<void(TOrdoClientSocket& sender, const std::string& msgId, TOrdoParamList& params)>
        OnInstantMessage;
    /// The patch way's script before it is saved: the handler sees the saved update and may
    /// change the lines; setting handled leaves the restart (and the program's end) to it.
    std::function<void(TOrdoClientSocket& sender, ByteView update, bool& handled, std::vector<std::string>& lines)>
        OnAutoClientUpgrade;
    /// (file name as sent, segment size, bytes received once it is written, announced size);
    /// once more with -1 for the numbers when the file is complete.
    std::function<void(TOrdoClientSocket& sender, const std::string& fileName, std::int64_t segmentSize,
                       std::int64_t received, std::int64_t fileSize)>
        OnFileSegmentArrive;
    /// Texts of message codes 20 and 23, for the application's own use.
    TextEvent OnApplicationText;
    TextEvent OnApplicationMetaText;

protected:
    void DoConnected() override;
    void DoDisconnected() override;
    void DoReadReady() override;
    void DoSocketError(TErrorEvent event, int& code) override;
    void DoUnhandledAsyncError(int code) override;
    void DoTimer(std::uintptr_t id) override;

    /// Utility information (code 48).
    virtual void HandleUtilityInfo(int kind, TOrdoParamList& params);
    /// Client update hooks: code 39, code 38, utility kind 15 and file segments (-75008).
    virtual void HandleUpdateBegin();
    virtual void HandleUpdateStream(Bytes stream);
    virtual void HandlePatcherDelivery(TOrdoParamList& params);
    virtual void HandleFileSegment(TOrdoParamList& params);
    /// Receive progress; the client update routes it to its own window.
    virtual void ReportReadProgress(std::int64_t size, std::int64_t done);

private:
    void InstallHandlers();
    void InstallDataSetHandlers();
    void InstallServerHandlers();
    void SetStatus(TClientAnchorStatus status);
    void PostConnect();
    void ErrorCleanup();
    /// How writing a frame ended: whole, cut (the peer stopped taking bytes within the reply time limit, or the
    /// connection ended), or given up because the program must end now.
    enum class TWriteEnd : std::uint8_t { weWhole, wePartial, weAbandoned };
    [[nodiscard]] TWriteEnd WriteFrame(const Bytes& frame);
    /// Frames and writes the line and, when asked, waits for the reply of the request in progress.
    void Transmit(TOrdoStringLine& line, bool waitForReply, TOrdoStringLine* prefix = nullptr);
    /// A request of its own around Transmit: its record, its wait, its outcome.
    TOrdoRequestOutcome Exchange(TOrdoStringLine& line, TRequestOptions options, bool collects);
    /// Waits for the reply of a request already counted as owed; a wait given up ends the connection.
    void WaitForSentReply();
    /// The request in flight ends without its reply: the connection is gone.
    void ReleaseLost();
    /// What an incoming message raised: the request in flight fails with it, or it is reported.
    void ReportDispatchFailure(const std::string& text);
    void TrackReadProgress(ByteView chunk);
    void DeliverReceived(std::size_t discardsBefore);
    void ConnectWithAddress();
    void HandleSQLError(TOrdoStringLine& line);
    void HandleServerException(TOrdoStringLine& line);
    void HandleCodedParamList(TOrdoStringLine& line);
    void HandleRowPacket(TOrdoStringLine& line);
    void HandleFieldDefs(TOrdoStringLine& line);
    void HandleLoginReply(TOrdoStringLine& line);
    void HandleCustomObject(TOrdoStringLine& line);
    void HandleBlobData(TOrdoStringLine& line);
    void HandleReconnect();
    void ApplyServerSettings(TOrdoParamList& params);
    void StartReconnectTimer();
    void RunLoginDialog();
    void SendLoginLine();
    void ClearRegistry() noexcept;
    IOrdoClientUpdateHook& AttachedUpdate();
    [[nodiscard]] bool UpdateArriving() const noexcept;

    TOrdoMessagePipeline pipeline_;
    TOrdoSmartWait wait_;
    std::function<void(TOrdoSmartWait&)> endOfWait_;
    std::recursive_mutex dataSetLock_;

    TOrdoConnectAction connectAction_ = caFastConnectCombo;
    TClientAnchorStatus anchorStatus_ = TACNoAnchor;
    int lastSocketError_ = 0;
    int keepAlivePing_ = 0;
    bool keepAliveTimer_ = false;
    IOrdoStatusBar* statusBar_ = nullptr;
    IUiBackend* ui_ = nullptr;
    std::unique_ptr<IUiBackend> ownUi_;
    bool designMode_ = false;
    std::vector<std::string> commandLine_;
    bool terminated_ = false;

    std::string applicationName_;
    std::string applicationVersion_;
    std::string userName_;
    std::string password_;
    int loginMaxAttempts_ = 0;
    TLoginType autoLoginDlg_ = ltNoChallenge;
    int loginAttempts_ = 0;
    TOrdoParamList clientParams_;
    std::optional<TOrdoParamList> triggerList_;
    std::string patchFile_;
    std::unique_ptr<IOrdoClientUpdateHook> update_;
    IOrdoLoginDialog* loginDialog_ = nullptr;
    double serverVersion_ = 0;

    std::string sqlTransactionStart_ = "BEGIN TRANSACTION";
    std::string sqlTransactionEnd_ = "COMMIT";
    TSQLDialect sqlDialect_ = sqlNone;
    TOrdoServerSQLOptions sqlOptions_;
    TOrdoUpdateSQL updateSQLSyntax_ = usBDE;
    std::string dateMask_;
    std::string dateTimeMask_;
    std::string timeMask_;
    TOrdoSQLErrorSet sqlErrorHandling_{seAsExceptions};
    TServerMetaCacheOptions cacheMetaData_ = smNoCache;
    TWaitingCursor cursorOnQueries_ = cqNoChange;
    bool progressBar_ = false;
    TReceiveProgress receiveProgress_;

    TOrdoReplyState replies_;
    /// The message whose handler runs now (seq 0 between messages).
    TIncomingReply currentReply_;
    std::uint64_t messageSeq_ = 0;
    TOrdoRequestOutcome lastOutcome_;
    std::optional<TOrdoStringLine> nextRequestPrefix_;
    std::string lastDispatchError_;
    bool connectWait_ = false;
    bool designConnect_ = false;
    /// Frames waiting for the blocking exchange, each with its wait flag.
    std::vector<std::pair<Bytes, bool>> sendQueue_;

    std::map<std::int32_t, IOrdoSocketDataSet*> dataSets_;
    std::int32_t nextDataSetId_ = 1;
    std::vector<IOrdoSocketDataSet*> reopenList_;
};

}  // namespace ordo
