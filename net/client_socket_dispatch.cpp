// What the client socket does with each incoming message code.
#include "net/client_socket.h"

#include <optional>

#include "codec/zlib_codec.h"
#include "core/text_convert.h"
#include "ui/ui.h"

namespace ordo {
namespace {

constexpr std::int32_t kCodeUserStatus = -75022;
constexpr std::int32_t kCodeInstantMessage = -75014;
constexpr std::int32_t kCodeContactLists = -75013;
constexpr std::int32_t kCodeContactAndMailLists = -75011;
constexpr std::int32_t kCodeFileSegment = -75008;
constexpr std::int32_t kCodeRowsAffected = -75007;
constexpr std::int32_t kCodeCookieError = -75016;
constexpr std::int32_t kCustomObjectRaise = 2000;

TOrdoParamList ReadParams(TOrdoStringLine& line) { return TOrdoParamList::CreateFromString(line.ReadBytes()); }

std::string ListText(const TOrdoParamList& list) { return ToString(list.SaveToString(true)); }

/// Bytes as a message: empty when they hold control bytes other than line breaks and tabs.
std::string ReadableText(ByteView bytes) {
    for (std::uint8_t b : bytes)
        if (b < 0x20 && b != '\r' && b != '\n' && b != '\t') return {};
    return ToString(bytes);
}

}  // namespace

void TOrdoClientSocket::InstallHandlers() {
    pipeline_.OnBeforeDispatch = [this](TOrdoStringLine& l) {
        currentReply_ = TIncomingReply{++messageSeq_, l.Token(), l.DataSetId()};
    };
    pipeline_.OnBytesOut = [this](TOrdoMessagePipeline&, std::size_t bytes, std::int64_t total, std::int64_t count) {
        if (OnBytesOutEvent) OnBytesOutEvent(*this, static_cast<std::int64_t>(bytes), total, count);
    };
    pipeline_.OnBytesIn = [this](TOrdoMessagePipeline&, std::size_t bytes, std::int64_t total, std::int64_t count) {
        if (progressBar_) ReportReadProgress(0, 0);
        if (OnBytesInEvent) OnBytesInEvent(*this, static_cast<std::int64_t>(bytes), total, count);
    };
    auto ack = [this](TOrdoStringLine&) { ReplyArrived(); };
    for (std::uint8_t code : {mcAck, mcAck62, mcAck69, mcAck70}) pipeline_.SetHandler(code, ack);
    for (std::uint8_t code : {mcFieldDefs, mcFieldDefs10})
        pipeline_.SetHandler(code, [this](TOrdoStringLine& l) { HandleFieldDefs(l); });
    for (std::uint8_t code : {mcRowPacket, mcRowPacket11})
        pipeline_.SetHandler(code, [this](TOrdoStringLine& l) { HandleRowPacket(l); });
    for (std::uint8_t code : {mcCodedParamList, mcOutputParams})
        pipeline_.SetHandler(code, [this](TOrdoStringLine& l) { HandleCodedParamList(l); });
    pipeline_.SetHandler(mcSQLError, [this](TOrdoStringLine& l) { HandleSQLError(l); });
    pipeline_.SetHandler(mcServerException, [this](TOrdoStringLine& l) { HandleServerException(l); });
    pipeline_.SetHandler(mcLogin, [this](TOrdoStringLine& l) { HandleLoginReply(l); });
    pipeline_.SetHandler(mcUtilityInfo, [this](TOrdoStringLine& l) {
        int kind = l.ReadInteger();
        TOrdoParamList params = ReadParams(l);
        HandleUtilityInfo(kind, params);
    });
    InstallDataSetHandlers();
    InstallServerHandlers();
}

void TOrdoClientSocket::InstallDataSetHandlers() {
    pipeline_.SetHandler(mcDataSetStream, [this](TOrdoStringLine& l) {
        IOrdoSocketDataSet* ds = FindDataSet(l.DataSetId());
        if (!designMode_ && ds != nullptr) ds->FieldPropertiesArrived(l.ReadString());
    });
    pipeline_.SetHandler(mcCursorId, [this](TOrdoStringLine& l) {
        if (IOrdoSocketDataSet* ds = FindDataSet(l.DataSetId())) ds->CursorIdArrived(l.ReadInteger());
    });
    pipeline_.SetHandler(mcProviderParams, [this](TOrdoStringLine& l) {
        IOrdoSocketDataSet* ds = FindDataSet(l.DataSetId());
        if (ds == nullptr) return;
        TOrdoParamList params = ReadParams(l);
        std::lock_guard lock(dataSetLock_);
        ds->ProviderParamsArrived(params);
    });
    pipeline_.SetHandler(mcStateStream, [this](TOrdoStringLine& l) {
        ReplyArrived();
        if (IOrdoSocketDataSet* ds = FindDataSet(l.DataSetId())) ds->StateStreamAnnounced();
    });
    pipeline_.SetHandler(mcProviderBroadcast, [this](TOrdoStringLine& l) {
        IOrdoSocketDataSet* ds = FindDataSet(l.DataSetId());
        if (ds == nullptr) return;
        std::string text = l.ReadString();
        std::lock_guard lock(dataSetLock_);
        ds->ProviderBroadcastArrived(text);
    });
    pipeline_.SetHandler(mcMultiBroadcast, [this](TOrdoStringLine& l) {
        TOrdoParamList params = ReadParams(l);
        for (const auto& item : params)
            if (IOrdoSocketDataSet* ds = FindDataSet(StrToIntDef(item->Name(), 0)))
                ds->ProviderBroadcastArrived(item->AsString());
    });
    pipeline_.SetHandler(mcBlobData, [this](TOrdoStringLine& l) { HandleBlobData(l); });
    pipeline_.SetHandler(mcBlobError, [this](TOrdoStringLine& l) {
        std::string text = l.ReadString();
        ReplyArrived();
        if (!text.empty()) throw EOrdoSQLException("Blob Did Not Update On the Server\r" + text);
    });
}

void TOrdoClientSocket::InstallServerHandlers() {
    auto text = [this](TextEvent TOrdoClientSocket::*event) {
        return [this, event](TOrdoStringLine& l) {
            std::string t = l.ReadString();
            if (this->*event) (this->*event)(*this, t);
        };
    };
    pipeline_.SetHandler(mcChatMessage, text(&TOrdoClientSocket::OnChatMessage));
    pipeline_.SetHandler(mcBroadcast, text(&TOrdoClientSocket::OnServerBroadcast));
    pipeline_.SetHandler(mcApplicationText, text(&TOrdoClientSocket::OnApplicationText));
    pipeline_.SetHandler(mcMetaData, text(&TOrdoClientSocket::OnApplicationMetaText));
    for (std::uint8_t code : {mcShowMessage, mcShowMessage14})
        pipeline_.SetHandler(code, [this](TOrdoStringLine& l) { Ui().ShowMessage(l.ReadString()); });
    pipeline_.SetHandler(mcCodedMessage, [this](TOrdoStringLine& l) {
        int code = l.ReadInteger();
        std::string t = l.ReadString();
        if (OnCodedMessage) OnCodedMessage(*this, code, t);
    });
    pipeline_.SetHandler(mcCodedStream, [this](TOrdoStringLine& l) {
        if (!OnCodedStream) return;
        int code = l.ReadInteger();
        Bytes stream = l.ReadStream();
        OnCodedStream(*this, code, stream);
    });
    pipeline_.SetHandler(mcCustomObject, [this](TOrdoStringLine& l) { HandleCustomObject(l); });
    auto errorText = [this](TOrdoStringLine& l) {
        std::string message = l.ReadString();
        replies_.KeepText(currentReply_, std::move(message));
        ReplyArrived();
    };
    pipeline_.SetHandler(mcErrorText, errorText);
    pipeline_.SetHandler(mcErrorText61, errorText);
    pipeline_.SetHandler(mcTerminate, [this](TOrdoStringLine& l) {
        std::string t = l.ReadString();
        bool handled = false;
        if (OnTerminateMessageFromServer) OnTerminateMessageFromServer(*this, t, handled);
        if (handled) return;
        SetActive(false);
        TerminateApplication();
    });
    pipeline_.SetHandler(mcReconnect, [this](TOrdoStringLine&) { HandleReconnect(); });
    pipeline_.SetHandler(mcAnchorRedirect, [this](TOrdoStringLine&) {
        CloseAndWait();
        OpenAndWait();
        SetStatus(TACConnectedToServer);
    });
    pipeline_.SetHandler(mcUpdateBegin, [this](TOrdoStringLine&) { HandleUpdateBegin(); });
    pipeline_.SetHandler(mcUpdateFile, [this](TOrdoStringLine& l) {
        Bytes stream;
        try {
            stream = l.ReadStream();
        } catch (const EOrdoProtocolError&) {
            // A damaged stream is no update; the update must still end, its window close.
        }
        HandleUpdateStream(std::move(stream));
    });
}

void TOrdoClientSocket::HandleFieldDefs(TOrdoStringLine& line) {
    IOrdoSocketDataSet* ds = FindDataSet(line.DataSetId());
    if (ds == nullptr) return;
    std::string text = line.ReadString();
    ds->FieldDefsArrived(text);
    if (ds->TakeZeroRowsMark()) ds->RowsArrived(0, text);
}

void TOrdoClientSocket::HandleRowPacket(TOrdoStringLine& line) {
    std::int32_t state = line.ReadInteger();
    // A whole result can run to tens of megabytes: the rows are read where the message holds them.
    std::string_view rows = AsText(line.ReadBytes());
    std::int32_t compressed = line.ReadInteger();
    IOrdoSocketDataSet* ds = FindDataSet(line.DataSetId());
    if (ds == nullptr) {
        ReplyArrived();
        return;
    }
    try {
        std::string inflated;
        if (compressed != 0 && Compression() != acOrdoCompress && Compression() != acUserDefined) {
            inflated = InflateRowsText(rows);
            rows = inflated;
        }
        ds->RowsArrived(state, rows);
    } catch (const std::exception& e) {
        // Rows that cannot be loaded fail the request; the wait must not go on for them.
        replies_.Fail(currentReply_, e.what());
        ReplyArrived();
        throw;
    }
    if (!ds->AwaitsOutputParams()) ReplyArrived();
}

void TOrdoClientSocket::HandleSQLError(TOrdoStringLine& line) {
    const TIncomingReply reply = currentReply_;
    // An error that cannot be the answer of the request in flight (it names another data set) is not its
    // failure: only the events hear of it.
    const bool ours = replies_.Answers(reply);
    const bool foreign = !ours && replies_.Pending();
    const bool requestWaiting = replies_.RequestWaiting();
    // The request has failed before anything below can: a text that cannot be read must not leave it
    // looking like a success.
    replies_.Fail(reply, "SQL error reply without a readable text");
    std::string text = line.ReadString();
    replies_.Fail(reply, text);
    ReplyArrived(false);
    if (text.find('\x02') != std::string::npos) {
        std::optional<TOrdoParamList> params;
        try {
            params = TOrdoParamList::CreateFromString(AsBytes(text).subspan(1));
        } catch (const EOrdoError&) {
            // Not a parameter list after all: the text is reported as it came.
        }
        if (params) {
            if (OnCustomSQLError) {
                replies_.ClearError(reply);  // the handler has taken the error over
                OnCustomSQLError(*this, *params);
                return;
            }
            text = params->Count() > 0 ? params->Items(0).AsString() : std::string();
        }
    }
    // An empty text or "NULL" + 0x04 is how the server says that there was no error.
    if (text.empty() || text == std::string("NULL\x04", 5)) {
        replies_.ClearError(reply);
        return;
    }
    if (sqlErrorHandling_.Contains(seAsExceptions) && sqlErrorHandling_.Contains(seToStatusBar) &&
        statusBar_ != nullptr)
        statusBar_->SetPanelText(1, text);
    if (OnSQLError) OnSQLError(*this, text);
    if (foreign) return;
    if (!sqlErrorHandling_.Contains(seAsExceptions)) {
        replies_.Unreported(reply);  // the request must not pick up an older text instead
        return;
    }
    if (ours)
        replies_.Fail(reply, text);
    else
        replies_.FailOutside(text);
    if (requestWaiting || !replies_.RaisePendingError()) return;
    replies_.ClearError(reply);
    replies_.ClearRaisePendingError();
    throw EOrdoSQLException(text);
}

void TOrdoClientSocket::HandleServerException(TOrdoStringLine& line) {
    // Failed first: whatever below cannot be read, the request does not pass for a success.
    replies_.Fail(currentReply_, "Server Error");
    ReplyArrived(false);
    const ByteView listBytes = line.ReadBytes();
    TOrdoParamList params;
    std::string message;
    try {
        params = TOrdoParamList::CreateFromString(listBytes);
    } catch (const EOrdoError&) {
        // The list does not parse: its text is the message, as far as it reads as text at all.
        message = ReadableText(listBytes);
    }
    std::int32_t code = 0;
    try {
        code = line.ReadInteger();
    } catch (const EOrdoError&) {
        code = 0;  // bad numbers in received data read as 0
    }
    if (code == kCodeCookieError && sqlErrorHandling_.Contains(seRouteCookieErrorsToLogin) && OnLoginParamsAttempt) {
        OnLoginParamsAttempt(*this, false, params);
        return;
    }
    bool handled = false;
    if (OnServerAsyncException) OnServerAsyncException(*this, code, handled, params);
    if (handled) return;
    for (const auto& item : params) {
        if (!message.empty()) message += '\r';
        message += item->AsString();
    }
    if (message.empty()) message = "Server Error";
    // The request in progress fails with it, even where the exception itself goes unseen.
    replies_.Fail(currentReply_, message);
    throw EOrdoServerException(message, code);
}

void TOrdoClientSocket::HandleCodedParamList(TOrdoStringLine& line) {
    if (designMode_ || designConnect_) {
        ReplyArrived(true);
        return;
    }
    std::int32_t code = line.ReadInteger();
    TOrdoParamList params = ReadParams(line);
    std::int32_t replyFlag = line.ReadInteger();
    const bool reserved = code == kCodeUserStatus || code == kCodeInstantMessage || code == kCodeContactLists ||
                          code == kCodeContactAndMailLists || code == kCodeFileSegment || code == kCodeRowsAffected;
    if (code == kCodeInstantMessage && OnInstantMessage) {
        OnInstantMessage(*this, params.GetParamVariant("Msgid").AsString(), params);
    } else if (code == kCodeFileSegment) {
        HandleFileSegment(params);
    } else if (code == kCodeRowsAffected) {
        const TOrdoParamItem* id = params.FindParam("DatasetId");
        const TOrdoParamItem* rows = params.FindParam("RowsAffected");
        // The count names its data set in the list, not in the header: the reply answers that one's request.
        if (id != nullptr) currentReply_.dataSetId = StrToIntDef(id->AsString(), 0);
        if (id != nullptr && rows != nullptr)
            if (IOrdoSocketDataSet* ds = FindDataSet(StrToIntDef(id->AsString(), 0)))
                ds->RowsAffectedArrived(StrToIntDef(rows->AsString(), 0));
    }
    if (!reserved && line.Token() == mcOutputParams) {
        IOrdoSocketDataSet* ds = FindDataSet(line.DataSetId());
        if (ds == nullptr) return;
        if (ds->AwaitsOutputParams()) ReplyArrived();
        ds->OutputParamsArrived(params);
        return;
    }
    if (replyFlag > 0) {
        ReplyArrived();
        replies_.KeepText(currentReply_, ListText(params));
    } else if (code != kCodeFileSegment && code != kCodeRowsAffected && OnCodedParamList) {
        OnCodedParamList(*this, code, params);
    }
}

void TOrdoClientSocket::HandleCustomObject(TOrdoStringLine& line) {
    std::int32_t code = line.ReadInteger();
    TOrdoParamList params = ReadParams(line);
    std::string text = line.ReadString();
    std::int32_t state = line.ReadInteger();
    if (state < 1) {
        if (OnCustomObject) OnCustomObject(*this, code, params, text);
        return;
    }
    ReplyArrived();
    if (state == kCustomObjectRaise)
        throw EOrdoServerException(params.Count() > 0 ? params.Items(0).AsString() : std::string(), code);
    replies_.KeepText(currentReply_, ListText(params));
}

void TOrdoClientSocket::HandleBlobData(TOrdoStringLine& line) {
    std::string tableName = line.ReadString();
    std::string key = line.ReadString();
    std::int32_t flag = line.ReadInteger();
    Bytes stream = line.ReadStream();
    if (flag == 1) {
        replies_.KeepText(currentReply_, ToString(stream));
    } else if (IOrdoSocketDataSet* ds = FindDataSet(line.DataSetId())) {
        ds->BlobStreamArrived(tableName, stream, key);
    }
    ReplyArrived();
}

void TOrdoClientSocket::HandleReconnect() {
    // The request in flight was sent on the connection that ends here: whatever the new connection's login
    // brings back is not its answer.
    ReleaseLost();
    ++loginAttempts_;
    SetStatus(TACNoAnchor);
    CloseAndWait();
    OpenAndWait();
}

}  // namespace ordo
