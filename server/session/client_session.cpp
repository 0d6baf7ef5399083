#include "server/session/client_session.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "codec/message_codes.h"
#include "resultset/field_defs_codec.h"
#include "codec/zlib_codec.h"
#include "params/param_list.h"
#include "params/replay_identity.h"
#include "server/log.h"
#include "server/session/exec_runner.h"
#include "server/session/metadata_answers.h"
#include "server/session/procedure_call.h"
#include "server/session/result_encoder.h"

namespace ordo::server {
namespace {

/// The code of the reply that carries an execute request's row count.
constexpr std::int32_t kRowsAffectedCode = -75007;
/// Packet states of row replies: all rows, a further packet, the last packet.
constexpr std::int32_t kAllRows = 0;
constexpr std::int32_t kMorePackets = -1;
constexpr std::int32_t kLastPacket = -2;
constexpr std::int32_t kVersionKind = 6;
/// The select option that asks for deflated row texts.
constexpr std::int32_t kCompressOption = 1 << 5;
/// The option of a stored-procedure request that executes it (the client then waits for its output parameters).
constexpr std::int32_t kExecStoredProcOption = 1 << 7;

/// Client text for a log line: cut short, control bytes blanked so one event stays one line.
std::string Shorten(std::string_view text, std::size_t limit = 200) {
    std::string s(text.substr(0, limit));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return text.size() > limit ? s + "..." : s;
}

/// The first line that holds something: enough to find the statement in the client's queue.
std::string FirstLine(std::string_view sql) {
    const auto begin = sql.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) return {};
    sql.remove_prefix(begin);
    return Shorten(sql.substr(0, sql.find_first_of("\r\n")));
}

TOrdoParamList ParamsOf(ByteView bytes) { return TOrdoParamList::CreateFromString(bytes); }

}  // namespace

ClientSession::ClientSession(const SessionSettings& settings, std::string peer, Sender send)
    : settings_(settings), peer_(std::move(peer)), send_(std::move(send)), statements_(settings.statementCache),
      journal_(peer_, settings.journalDays) {}

ClientSession::~ClientSession() {
    for (auto& [id, open] : cursors_) {
        try {
            open.cursor->Finish(false);
        } catch (const EOrdoError& e) {
            Log(LogLevel::Debug, peer_ + ": closing cursor " + std::to_string(id) + ": " + e.what());
        }
    }
    cursors_.clear();
}

void ClientSession::Install(TOrdoMessagePipeline& p) {
    pipeline_ = &p;
    auto on = [&](std::uint8_t code, void (ClientSession::*fn)(TOrdoStringLine&)) {
        p.SetHandler(code, [this, fn](TOrdoStringLine& line) { (this->*fn)(line); });
    };
    on(mcLogin, &ClientSession::OnLogin);
    on(mcUtilityInfo, &ClientSession::OnUtilityInfo);
    on(mcSelectSQL, &ClientSession::OnSelect);
    on(mcRawSelect, &ClientSession::OnRawSelect);
    on(mcStoredProc, &ClientSession::OnStoredProc);
    on(mcExecSQL, &ClientSession::OnExec);
    on(mcFetchPacket, &ClientSession::OnFetch);
    on(mcCloseCursor, &ClientSession::OnCloseCursor);
    on(mcCodedParamList, &ClientSession::OnCodedParamList);
    on(mcMetaData, &ClientSession::OnMetaData);
    for (std::uint8_t code : {mcProviderApply, mcProviderCall, mcProviderTransaction})
        p.SetHandler(code, [this](TOrdoStringLine& l) { OnUnsupported(l, "Provider requests"); });
    // Keep-alives (15), provider registrations (44) and anything unknown need no answer.
    p.OnUnhandled = [this](TOrdoStringLine& l) {
        Log(LogLevel::Debug, peer_ + ": ignored message " + std::to_string(l.Token()));
    };
}

void ClientSession::OnLogin(TOrdoStringLine& line) {
    line.ReadInteger();  // the client's login dialog type
    std::string user = line.ReadString();
    std::string password = line.ReadString();
    std::string application = line.ReadString();
    bool accepted = !settings_.logins || settings_.logins->Accepts(user, password);
    loggedIn_ = loggedIn_ || accepted;
    Log(accepted ? LogLevel::Info : LogLevel::Warn,
        peer_ + ": login of '" + Shorten(user) + "' (" + Shorten(application) + ") " +
            (accepted ? "accepted" : "refused"));
    TOrdoStringLine reply(mcLogin, 0);
    reply.AddInteger(accepted ? 1 : 0);
    reply.AddString("");
    Send(reply);
    if (accepted) PushToClient();
}

void ClientSession::PushToClient() {
    if (settings_.pushUpdate) {
        Log(LogLevel::Info, peer_ + ": pushing a program update of " + std::to_string(settings_.pushUpdate->size()) +
                                " bytes");
        PushUpdate(send_, *settings_.pushUpdate);
    }
    for (const PushFile& file : settings_.pushFiles) {
        try {
            PushFileSegments(send_, file);
            Log(LogLevel::Info, peer_ + ": pushed " + file.localPath + " as " + file.remoteName);
        } catch (const EOSError& e) {
            // A file gone since the start fails that push only; the connection goes on.
            Log(LogLevel::Warn, peer_ + ": push of " + file.localPath + " failed: " + e.what());
        }
    }
}

void ClientSession::OnUtilityInfo(TOrdoStringLine& line) {
    std::int32_t kind = line.ReadInteger();
    if (kind != kVersionKind) return;
    TOrdoParamList info;
    TOrdoParamItem& v = info.Add();
    v.SetName("Version");
    v.SetAsString(settings_.version);
    TOrdoStringLine reply(mcUtilityInfo, 0);
    reply.AddInteger(kVersionKind);
    Bytes list = info.SaveToString(false);
    reply.AddItem(list, itString);
    Send(reply);
}

void ClientSession::OnSelect(TOrdoStringLine& line) {
    std::int32_t ds = line.DataSetId();
    std::string sql = line.ReadString();
    std::int32_t rows = line.ReadInteger();
    std::int32_t options = line.ReadInteger();  // of them only soCompress matters: every column is sent
    ByteView tail = line.ReadBytes();
    auto sep = std::find(tail.begin(), tail.end(), std::uint8_t{0x05});
    TOrdoParamList params =
        sep == tail.end() ? TOrdoParamList{} : ParamsOf(tail.subspan(static_cast<std::size_t>(sep - tail.begin()) + 1));
    if (LoginMissing(ds)) return;
    Log(LogLevel::Debug, peer_ + ": select " + Shorten(sql));
    Answer(ds, sql, [&, gate = JournalGate()] { RunSelect(ds, ParamBinder(params).Bind(sql), rows, options, gate); });
}

void ClientSession::OnRawSelect(TOrdoStringLine& line) {
    std::int32_t ds = line.DataSetId();
    line.ReadString();  // database name: the server has one
    std::string sql = line.ReadString();
    std::int32_t rows = line.ReadInteger();
    std::int32_t options = line.ReadInteger();
    if (LoginMissing(ds)) return;
    Log(LogLevel::Debug, peer_ + ": raw select " + Shorten(sql));
    Answer(ds, sql, [&] { RunSelect(ds, BoundStatement{sql, {}}, rows, options); });
}

void ClientSession::OnStoredProc(TOrdoStringLine& line) {
    std::int32_t ds = line.DataSetId();
    std::string name = line.ReadString();
    TOrdoParamList params = ParamsOf(line.ReadBytes());
    line.ReadString();
    std::int32_t rows = line.ReadInteger();
    std::int32_t options = line.ReadInteger();
    if (LoginMissing(ds)) return;
    Log(LogLevel::Debug, peer_ + ": procedure " + Shorten(name));
    // Only an execute waits for the output parameters; after an open (its rows are its answer) they would arrive
    // behind the request and pass for the answer of the data set's next execute.
    const bool execute = (options & kExecStoredProcOption) != 0;
    Answer(ds, "EXECUTE PROCEDURE " + name, [&] {
        ProcedureCall call = PrepareProcedureCall(Database(), name, params);
        if (!call.selectable) {
            RunProcedure(ds, call.bound, execute);
            return;
        }
        RunSelect(ds, call.bound, rows, options);
        if (execute) SendOutputParams(ds, {});
    });
}

void ClientSession::OnMetaData(TOrdoStringLine& line) {
    std::int32_t ds = line.DataSetId();
    std::string name = line.ReadString();
    line.ReadBytes();   // the object's parameters: none of the answered kinds takes any
    line.ReadString();  // database name: the server has one
    std::int32_t kind = line.ReadInteger();
    if (LoginMissing(ds)) return;
    Log(LogLevel::Debug, peer_ + ": metadata " + std::to_string(kind) + " of " + Shorten(name));
    Answer(ds, "metadata request " + std::to_string(kind) + " of " + name, [&] {
        MetaDataAnswer answer = AnswerMetaData(Database(), kind, name);
        TOrdoStringLine defs(mcFieldDefs, ds);
        defs.AddString(EncodeFieldDefinitions(answer.columns));
        Send(defs);
        SendRows(ds, kAllRows, answer.rows);
    });
}

void ClientSession::OnExec(TOrdoStringLine& line) {
    std::int32_t ds = line.DataSetId();
    std::string sql = line.ReadString();
    TOrdoParamList params = ParamsOf(line.ReadBytes());
    if (LoginMissing(ds)) return;
    Log(LogLevel::Debug, peer_ + ": exec " + Shorten(sql));
    Answer(ds, sql, [&, gate = JournalGate()] {
        ExecTimings timings;
        timings.enabled = LogEnabled(LogLevel::Debug);
        std::uint64_t affected = 0;
        try {
            affected = RunStatements(Database(), statements_, sql, params, settings_.lockTimeout, timings, gate);
        } catch (const EDatabaseError&) {
            if (timings.enabled) LogTimings(timings);
            throw;
        }
        if (timings.enabled) LogTimings(timings);
        TOrdoParamList result;
        TOrdoParamItem& id = result.Add();
        id.SetName("DatasetId");
        id.SetAsInteger(ds);
        TOrdoParamItem& count = result.Add();
        count.SetName("RowsAffected");
        count.SetAsInteger(static_cast<std::int32_t>(
            std::min<std::uint64_t>(affected, static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()))));
        TOrdoStringLine reply(mcCodedParamList, ds);
        reply.AddInteger(kRowsAffectedCode);
        Bytes list = result.SaveToString(false);
        reply.AddItem(list, itString);
        reply.AddInteger(1);
        Send(reply);
    });
}

void ClientSession::LogTimings(const ExecTimings& t) {
    char line[200];
    std::snprintf(line, sizeof line,
                  ": exec cpu: prepare %.6f s, execute %.6f s, commit %.6f s; %u statements, %u prepared, %u "
                  "retried as text",
                  t.prepare, t.execute, t.commit, t.statements, t.prepared, t.retried);
    Log(LogLevel::Debug, peer_ + line);
}

void ClientSession::OnFetch(TOrdoStringLine& line) {
    std::int32_t ds = line.DataSetId();
    std::int32_t cursorId = line.ReadInteger();
    std::int32_t rows = line.ReadInteger();
    std::int32_t options = line.ReadInteger();
    if (LoginMissing(ds)) return;
    auto it = cursors_.find(cursorId);
    if (it == cursors_.end()) {  // already exhausted or closed: there is nothing more to send
        SendRows(ds, kLastPacket, {});
        return;
    }
    Answer(ds, "fetch of cursor " + std::to_string(cursorId), [&] {
        TOrdoRowTextWriter writer;
        bool last = false;
        try {
            last = it->second.cursor->Fill(writer, rows > 0 ? rows : -1, kRowTextLimit);
        } catch (const EDatabaseError&) {
            cursors_.erase(it);
            throw;
        }
        if (last) {
            it->second.cursor->Finish(true);
            cursors_.erase(it);
        }
        SendRows(ds, last ? kLastPacket : kMorePackets, writer.Text(), options);
    });
}

void ClientSession::OnCloseCursor(TOrdoStringLine& line) {
    std::int32_t ds = line.ItemCount() > 0 ? line.ReadInteger() : line.DataSetId();
    CloseCursorsOf(ds, true);
}

void ClientSession::OnCodedParamList(TOrdoStringLine& line) {
    std::int32_t code = line.ReadInteger();
    ByteView list = line.ReadBytes();
    if (code == kReplayIdentityCode) {  // for the request that comes next: it is never answered itself
        journal_.Hold(LoadReplayIdentity(list), pipeline_->MessagesReceived() + 1);
        return;
    }
    if (line.ItemCount() < 3 || line.ReadInteger() != 1) return;
    // Nothing is coded here; the empty answer ends the client's wait.
    TOrdoStringLine reply(mcCodedParamList, line.DataSetId());
    reply.AddInteger(code);
    reply.AddString("");
    reply.AddInteger(1);
    Send(reply);
}

void ClientSession::OnUnsupported(TOrdoStringLine& line, const char* what) {
    Log(LogLevel::Debug, peer_ + ": unsupported message " + std::to_string(line.Token()));
    SendError(line.DataSetId(), std::string(what) + " are not supported by this server");
}

void ClientSession::Answer(std::int32_t dataSetId, std::string_view statement, const std::function<void()>& body) {
    // Said at warning level: an administrator looks for these first when a shop's work stays queued.
    auto logFailure = [&](const char* what) {
        Log(LogLevel::Warn, peer_ + ": SQL error in \"" + FirstLine(statement) + "\": " + Shorten(what, 1000));
    };
    try {
        body();
    } catch (const FbError& e) {
        logFailure(e.what());
        if (e.ConnectionLost()) {  // the next request attaches anew
            Log(LogLevel::Warn, peer_ + ": database connection lost; attaching again at the next request");
            cursors_.clear();
            statements_.Clear();
            journal_.Reset();
            db_.reset();
        }
        SendError(dataSetId, e.what());
    } catch (const EDatabaseError& e) {
        logFailure(e.what());
        SendError(dataSetId, e.what());
    }
}

bool ClientSession::LoginMissing(std::int32_t dataSetId) {
    if (!settings_.logins || loggedIn_) return false;
    SendError(dataSetId, "Not logged in: the server takes requests only after an accepted login");
    return true;
}

FbAttachment& ClientSession::Database() {
    if (!db_) {
        db_.emplace(FbAttachment::Attach(settings_.database));
        Log(LogLevel::Debug, peer_ + ": attached " + settings_.database.database);
    }
    return *db_;
}

TransactionGate ClientSession::JournalGate() {
    std::optional<TReplayIdentity> identity = journal_.Take(pipeline_ ? pipeline_->MessagesReceived() : 0);
    if (!identity) return {};
    return [this, id = std::move(*identity)](FbTransaction& tra) { return journal_.Record(Database(), tra, id); };
}

void ClientSession::RunSelect(std::int32_t ds, const BoundStatement& bound, std::int32_t rows,
                              std::int32_t options, const TransactionGate& gate) {
    CloseCursorsOf(ds, true);  // a data set that opens again has let its old cursor go
    auto cursor = std::make_unique<ResultCursor>(Database(), bound, settings_.lockTimeout, gate);
    if (rows == 0) {
        cursor->Finish(true);
        SendFieldDefs(ds, *cursor);
        return;
    }
    TOrdoRowTextWriter writer;
    bool last = cursor->Fill(writer, rows > 0 ? rows : -1, kRowTextLimit);
    if (cursor->ReplacedTexts() > 0)
        Log(LogLevel::Warn, peer_ + ": " + std::to_string(cursor->ReplacedTexts()) +
                                " rows held control bytes that row text cannot carry; sent as '?'");
    SendFieldDefs(ds, *cursor);
    if (last) {
        cursor->Finish(true);
        SendRows(ds, kAllRows, writer.Text(), options);
        return;
    }
    std::int32_t id = nextCursorId_++;
    TOrdoStringLine idLine(mcCursorId, ds);
    idLine.AddInteger(id);
    Send(idLine);
    SendRows(ds, id, writer.Text(), options);
    cursors_.emplace(id, Open{ds, std::move(cursor)});
}

void ClientSession::RunProcedure(std::int32_t ds, const BoundStatement& bound, bool withOutputs) {
    ResultCursor cursor(Database(), bound, settings_.lockTimeout);
    TOrdoRowTextWriter writer;
    cursor.Fill(writer, -1, kRowTextLimit);
    TOrdoParamList outputs;
    if (const auto& row = cursor.ImmediateRow()) {
        for (std::size_t i = 0; i < cursor.Columns().size() && i < row->size(); ++i) {
            TOrdoParamItem& item = outputs.Add();
            item.SetName(cursor.Columns()[i].name);
            item.SetParamType(ptOutput);
            SetParamFromCell(item, cursor.Columns()[i], (*row)[i]);
        }
    }
    cursor.Finish(true);
    SendFieldDefs(ds, cursor);
    SendRows(ds, kAllRows, writer.Text());
    if (withOutputs) SendOutputParams(ds, outputs);
}

void ClientSession::SendOutputParams(std::int32_t ds, const TOrdoParamList& outputs) {
    TOrdoStringLine reply(mcOutputParams, ds);
    reply.AddInteger(0);
    Bytes list = outputs.SaveToString(false);
    reply.AddItem(list, itString);
    reply.AddInteger(0);
    Send(reply);
}

void ClientSession::CloseCursorsOf(std::int32_t dataSetId, bool commit) {
    for (auto it = cursors_.begin(); it != cursors_.end();) {
        if (it->second.dataSetId != dataSetId) {
            ++it;
            continue;
        }
        try {
            it->second.cursor->Finish(commit);
        } catch (const EOrdoError& e) {
            Log(LogLevel::Warn, peer_ + ": closing cursor " + std::to_string(it->first) + ": " + e.what());
        }
        it = cursors_.erase(it);
    }
}

void ClientSession::SendError(std::int32_t dataSetId, const std::string& text) {
    TOrdoStringLine reply(mcSQLError, dataSetId);
    reply.AddString(text);
    Send(reply);
}

void ClientSession::SendFieldDefs(std::int32_t ds, const ResultCursor& cursor) {
    std::string text;
    try {
        text = EncodeFieldDefinitions(FieldDefsFor(cursor.Columns()));
    } catch (const EOrdoProtocolError& e) {  // a column name the text cannot carry
        throw EDatabaseError(e.what());
    }
    TOrdoStringLine reply(mcFieldDefs, ds);
    reply.AddString(text);
    Send(reply);
}

void ClientSession::SendRows(std::int32_t ds, std::int32_t state, const std::string& rows, std::int32_t options) {
    TOrdoStringLine reply(mcRowPacket, ds);
    reply.AddInteger(state);
    bool deflate = settings_.rowCompression && (options & kCompressOption) != 0;
    if (deflate) {
        Bytes packed = ZLibCompress(AsBytes(rows));
        reply.AddItem(packed, itString);
    } else {
        reply.AddString(rows);
    }
    reply.AddInteger(deflate ? 1 : 0);
    Send(reply);
}

}  // namespace ordo::server
