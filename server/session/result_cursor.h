#pragma once
// A statement opened for a select request: its transaction, its engine cursor and the row
// read ahead to know whether another packet follows.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "resultset/row_text_codec.h"
#include "server/fb/fb_statement.h"
#include "server/session/definition_epoch.h"
#include "server/session/param_binding.h"

namespace ordo::server {

class ResultCursor {
public:
    /// Prepares and opens the statement. A statement that returns at most one row (EXECUTE
    /// PROCEDURE, RETURNING) runs at once and holds that row. A `gate` that says no leaves the statement
    /// prepared but unrun: its columns without rows.
    ResultCursor(FbAttachment& att, const BoundStatement& bound, int lockTimeoutSeconds,
                 const TransactionGate& gate = {});
    ResultCursor(const ResultCursor&) = delete;
    ResultCursor& operator=(const ResultCursor&) = delete;
    ~ResultCursor();

    [[nodiscard]] const std::vector<FbColumn>& Columns() const noexcept { return stmt_->Outputs(); }
    [[nodiscard]] FbStatementKind Kind() const noexcept { return stmt_->Kind(); }

    /// Appends up to `count` rows (all when count < 0) to the writer and tells whether the
    /// rows are exhausted. Raises EDatabaseError when the text would grow beyond `byteLimit`.
    bool Fill(TOrdoRowTextWriter& writer, int count, std::size_t byteLimit);
    /// Rows whose text values had control bytes replaced, so far.
    [[nodiscard]] int ReplacedTexts() const noexcept { return replaced_; }
    /// The single row of a statement that ran at once (empty otherwise).
    [[nodiscard]] const std::optional<FbRow>& ImmediateRow() const noexcept { return immediate_; }

    /// Ends the transaction: commit keeps what the statement did (a selectable procedure may write).
    void Finish(bool commit);

private:
    bool Next(FbRow& row);

    // Open while a statement that may define something has its transaction; declared before it, so
    // that it closes after the transaction has ended.
    std::optional<DefinitionEpoch::Window> defining_;
    FbTransaction tra_;
    std::unique_ptr<FbStatement> stmt_;
    std::optional<FbCursor> cursor_;
    std::optional<FbRow> ahead_;
    std::optional<FbRow> immediate_;
    bool drained_ = false;
    int replaced_ = 0;
};

}  // namespace ordo::server
