#include "net/reply_judge.h"

#include "codec/message_codes.h"

namespace ordo {
namespace {

/// The server's refusals: they answer whatever request is waiting, a login included.
bool IsRefusal(std::uint8_t code) noexcept {
    return code == mcSQLError || code == mcServerException || code == mcErrorText || code == mcErrorText61;
}

/// Codes whose handlers end a data request's wait.
bool IsDataAnswer(std::uint8_t code) noexcept {
    switch (code) {
        case mcFieldDefs:  // the whole answer of a select that asked for no rows
        case mcFieldDefs10:
        case mcAck:
        case mcAck62:
        case mcAck69:
        case mcAck70:
        case mcRowPacket:
        case mcRowPacket11:
        case mcBlobError:
        case mcBlobData:
        case mcCodedParamList:
        case mcOutputParams:
        case mcStateStream:
        case mcCustomObject:
            return true;
        default:
            return IsRefusal(code);
    }
}

}  // namespace

bool CanAnswer(TRequestKind kind, std::int32_t requestDataSetId, const TIncomingReply& reply) noexcept {
    if (kind == TRequestKind::rkLogin)
        // A pushed build arrives in place of the login's own answer and ends its wait.
        return reply.code == mcLogin || reply.code == mcUpdateFile || IsRefusal(reply.code);
    if (!IsDataAnswer(reply.code)) return false;
    return reply.dataSetId == 0 || reply.dataSetId == requestDataSetId;
}

TRequestKind KindOfRequest(std::uint8_t code) noexcept {
    return code == mcLogin ? TRequestKind::rkLogin : TRequestKind::rkData;
}

}  // namespace ordo
