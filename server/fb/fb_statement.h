#pragma once
// A prepared statement, its cursor and the conversion of its buffers to and from cells.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "server/fb/fb_cell.h"
#include "server/fb/fb_client.h"
#include "server/fb/fb_message.h"

namespace ordo::server {

/// One column of a result or one parameter, as the engine describes it.
struct FbColumn {
    std::string name;      // the alias the select list gives, else the field name
    unsigned type = 0;     // SQL_* code without the nullable bit
    int subType = 0;
    unsigned length = 0;   // bytes in the buffer (text: without the length word)
    int scale = 0;
    unsigned charSet = 0;    // text and blobs: the character set's id
    unsigned collation = 0;  // text: the collation's id within its character set (0: its default)
    unsigned offset = 0;
    unsigned nullOffset = 0;
};

enum class FbStatementKind {
    Select,            // opens a cursor
    ExecProcedure,     // runs once, may return one row
    Modify,            // insert, update, delete, merge; may return one row with RETURNING
    Definition,        // DDL
    TransactionControl,// commit, rollback, set transaction, savepoints
    Other,
};

class FbCursor;

class FbStatement {
public:
    static FbStatement Prepare(FbAttachment& att, FbTransaction& tra, std::string_view sql);
    FbStatement(FbStatement&&) noexcept = default;
    FbStatement& operator=(FbStatement&&) noexcept = default;
    ~FbStatement();

    [[nodiscard]] FbStatementKind Kind() const noexcept { return kind_; }
    [[nodiscard]] const std::vector<FbColumn>& Inputs() const noexcept { return inputs_; }
    [[nodiscard]] const std::vector<FbColumn>& Outputs() const noexcept { return outputs_; }

    /// Runs a statement without a cursor; its single output row, if any, lands in *row.
    /// Returns the number of rows it inserted, updated or deleted.
    std::uint64_t Execute(FbTransaction& tra, const FbRow& params, FbRow* row);
    FbCursor Open(FbTransaction& tra, const FbRow& params);
    /// Runs a statement without outputs on a message laid out by the caller.
    std::uint64_t Execute(FbTransaction& tra, FbInputMessage& message);

private:
    FbStatement(FbAttachment& att, Firebird::IStatement* st);
    struct Input;
    Input BindInputs(FbTransaction& tra, const FbRow& params);

    FbAttachment* att_;
    detail::FbPtr<Firebird::IStatement> stmt_;
    detail::FbPtr<Firebird::IMessageMetadata> outMeta_;
    detail::FbPtr<Firebird::IMessageMetadata> inMeta_;
    std::vector<FbColumn> inputs_, outputs_;
    unsigned outLength_ = 0;
    FbStatementKind kind_ = FbStatementKind::Other;
    friend class FbCursor;
};

/// An open result set; closed when dropped. Keeps no reference to its statement's buffers
/// beyond the statement itself, which must outlive it.
class FbCursor {
public:
    FbCursor(FbCursor&&) noexcept = default;
    FbCursor& operator=(FbCursor&&) noexcept = default;
    ~FbCursor();
    /// The next row, or false at the end.
    bool Fetch(FbRow& row);
    void Close();
private:
    friend class FbStatement;
    FbCursor(FbStatement& st, FbTransaction& tra, Firebird::IResultSet* rs);
    FbStatement* st_;
    FbTransaction* tra_;
    detail::FbPtr<Firebird::IResultSet> rs_;
    std::vector<unsigned char> buf_;
};

/// Reads every column of an engine output buffer; blobs are read whole.
FbRow ReadRow(FbAttachment& att, FbTransaction& tra, const std::vector<FbColumn>& cols,
              const unsigned char* buf);

/// CHAR values come padded to the byte width of their character set (four bytes a character in
/// UTF8); cut the padding back to the declared number of characters.
std::string TrimCharPadding(std::string_view value, unsigned declaredChars, unsigned bytesPerChar);

}  // namespace ordo::server
