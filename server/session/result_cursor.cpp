#include "server/session/result_cursor.h"

#include "server/session/result_encoder.h"

namespace ordo::server {

ResultCursor::ResultCursor(FbAttachment& att, const BoundStatement& bound, int lockTimeoutSeconds,
                           const TransactionGate& gate)
    : tra_(att.StartTransaction(false, lockTimeoutSeconds)),
      stmt_(std::make_unique<FbStatement>(FbStatement::Prepare(att, tra_, bound.sql))) {
    if (stmt_->Kind() == FbStatementKind::TransactionControl)
        throw FbError("Transaction statements are not accepted here", 0);
    if (bound.procedureCall || MayDefine(stmt_->Kind(), bound.sql)) defining_.emplace();
    if (gate && !gate(tra_)) {
        drained_ = true;
    } else if (stmt_->Kind() == FbStatementKind::Select) {
        cursor_.emplace(stmt_->Open(tra_, bound.values));
    } else {
        FbRow row;
        stmt_->Execute(tra_, bound.values, &row);
        if (!stmt_->Outputs().empty()) {
            immediate_ = row;
            ahead_ = std::move(row);
        }
        drained_ = true;
    }
}

ResultCursor::~ResultCursor() {
    cursor_.reset();  // before the transaction it reads in
}

bool ResultCursor::Next(FbRow& row) {
    if (ahead_) {
        row = std::move(*ahead_);
        ahead_.reset();
        return true;
    }
    if (drained_ || !cursor_) return false;
    if (cursor_->Fetch(row)) return true;
    drained_ = true;
    return false;
}

bool ResultCursor::Fill(TOrdoRowTextWriter& writer, int count, std::size_t byteLimit) {
    FbRow row;
    for (int n = 0; count < 0 || n < count; ++n) {
        if (!Next(row)) return true;
        replaced_ += AppendRow(writer, Columns(), row) > 0 ? 1 : 0;
        if (writer.Size() > byteLimit)
            throw EDatabaseError("The result is larger than " + std::to_string(byteLimit) +
                             " bytes; ask for it in packets");
    }
    // Read one row ahead: the packet is the last one exactly when nothing follows.
    if (!Next(row)) return true;
    ahead_ = std::move(row);
    return false;
}

void ResultCursor::Finish(bool commit) {
    if (cursor_) {
        cursor_->Close();
        cursor_.reset();
    }
    if (tra_.Active()) {
        if (commit) tra_.Commit();
        else tra_.Rollback();
    }
    defining_.reset();
}

}  // namespace ordo::server
