#pragma once
// One client connection's conversation: its login, its database attachment, its open cursors,
// and a handler per request code that answers as the client's data sets expect.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "codec/message_pipeline.h"
#include "codec/string_line.h"
#include "server/config/login_list.h"
#include "server/fb/fb_client.h"
#include "server/session/client_pushes.h"
#include "server/session/param_binding.h"
#include "server/session/replay_journal.h"
#include "server/session/exec_runner.h"
#include "server/session/result_cursor.h"
#include "server/session/statement_cache.h"

namespace ordo::server {

struct SessionSettings {
    FbConnectSpec database;
    const LoginList* logins = nullptr;  // none: every login is accepted and none is required
    int lockTimeout = 10;
    std::size_t statementCache = 32;  // prepared shapes one execute request keeps; 0: none
    int journalDays = 30;             // replay journal keys older than this are removed
    std::string version = "1.0";        // the server version reported to clients
    /// Row texts of clients that ask for it (soCompress) travel deflated; off when the whole
    /// connection is compressed already.
    bool rowCompression = true;
    /// Sent to the client after every accepted login: a new build of its program, then files.
    std::shared_ptr<const Bytes> pushUpdate;
    std::vector<PushFile> pushFiles;
};

/// Handlers raise EOrdoError for input that does not have the protocol's shape (the
/// connection is then dropped); database failures are answered with an SQL error instead.
class ClientSession {
public:
    using Sender = std::function<void(TOrdoStringLine& line)>;

    ClientSession(const SessionSettings& settings, std::string peer, Sender send);
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;
    /// Open cursors are rolled back, then the attachment is detached.
    ~ClientSession();

    /// Installs the request handlers on the connection's pipeline.
    void Install(TOrdoMessagePipeline& pipeline);

    /// Largest row text one reply may carry: frames above the protocol limit are dropped by clients.
    static constexpr std::size_t kRowTextLimit = 100'000'000;

private:
    void OnLogin(TOrdoStringLine& line);
    void PushToClient();
    void OnUtilityInfo(TOrdoStringLine& line);
    void OnSelect(TOrdoStringLine& line);
    void OnRawSelect(TOrdoStringLine& line);
    void OnStoredProc(TOrdoStringLine& line);
    void OnMetaData(TOrdoStringLine& line);
    void OnExec(TOrdoStringLine& line);
    void OnFetch(TOrdoStringLine& line);
    void LogTimings(const ExecTimings& timings);
    void OnCloseCursor(TOrdoStringLine& line);
    void OnCodedParamList(TOrdoStringLine& line);
    void OnUnsupported(TOrdoStringLine& line, const char* what);

    /// Runs `body`; a database failure goes back to the client as an SQL error and into the log
    /// with `statement`'s first line.
    void Answer(std::int32_t dataSetId, std::string_view statement, const std::function<void()>& body);
    [[nodiscard]] bool LoginMissing(std::int32_t dataSetId);
    FbAttachment& Database();

    void RunSelect(std::int32_t dataSetId, const BoundStatement& bound, std::int32_t rows, std::int32_t options,
                   const TransactionGate& gate = {});
    /// Records the identity that came ahead of this request, if one did, in the request's transaction.
    TransactionGate JournalGate();
    /// An executable procedure's outputs as one row, and as output parameters when the request executes it.
    void RunProcedure(std::int32_t dataSetId, const BoundStatement& bound, bool withOutputs);
    /// Every stored-procedure call ends with this reply, an empty list when there are no
    /// output parameters: the client's execute waits for it.
    void SendOutputParams(std::int32_t dataSetId, const TOrdoParamList& outputs);
    void CloseCursorsOf(std::int32_t dataSetId, bool commit);

    void Send(TOrdoStringLine& line) { send_(line); }
    void SendError(std::int32_t dataSetId, const std::string& text);
    void SendFieldDefs(std::int32_t dataSetId, const ResultCursor& cursor);
    void SendRows(std::int32_t dataSetId, std::int32_t state, const std::string& rows, std::int32_t options = 0);

    SessionSettings settings_;
    std::string peer_;
    Sender send_;
    bool loggedIn_ = false;
    std::optional<FbAttachment> db_;  // attached at the first request that needs it
    StatementCache statements_;       // of db_'s running request; declared after it, so freed first
    ReplayJournal journal_;           // holds a statement of db_ too
    const TOrdoMessagePipeline* pipeline_ = nullptr;  // counts the connection's messages
    struct Open {
        std::int32_t dataSetId;
        std::unique_ptr<ResultCursor> cursor;
    };
    std::map<std::int32_t, Open> cursors_;  // by cursor id; declared after db_, so closed first
    std::int32_t nextCursorId_ = 1;
};

}  // namespace ordo::server
