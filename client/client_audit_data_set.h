#pragma once
// The change log under cached updates: every insert, edit and delete of a row is recorded
// with the row's bookmark, and for edits and deletes with the row as it stood before, so
// that update statements can still find the row on the server.
#include <cstdint>
#include <utility>
#include <vector>

#include "core/bytes.h"
#include "dataset/custom_data_set.h"

namespace ordo {

enum TOrdoChangeKind : std::uint8_t { ckInsert = 0, ckEdit = 1, ckDelete = 2 };

/// One entry of the change log ("Delta" and "BookMark").
struct TOrdoChange {
    TOrdoChangeKind Delta = ckInsert;
    std::int32_t BookMark = 0;  ///< the row's RowId
    Bytes OldRow;               ///< the row record before the first edit, or before a delete
};

class TOrdo2CustomAuditDataSet : public TOrdoCustomDataSet {
public:
    /// While off (the default) nothing is recorded.
    [[nodiscard]] bool LogChanges() const noexcept { return logChanges_; }
    void SetLogChanges(bool value) noexcept { logChanges_ = value; }
    [[nodiscard]] const std::vector<TOrdoChange>& ChangeLog() const noexcept { return changes_; }
    [[nodiscard]] bool HasChanges() const noexcept { return !changes_.empty(); }
    void ClearChangeLog() noexcept { changes_.clear(); }

    /// The change log as a data set stream of its own (columns Delta, BookMark and OldRow, the
    /// row as it stood before, as a blob), as it follows the rows in a saved stream.
    void WriteChangeLog(TStream& stream) const;
    /// Reads what WriteChangeLog wrote; raises EReadError on anything else.
    [[nodiscard]] static std::vector<TOrdoChange> ReadChangeLog(TStream& stream);
    void SetChangeLog(std::vector<TOrdoChange> changes) noexcept { changes_ = std::move(changes); }

protected:
    void InternalPost() override;
    void InternalDelete() override;
    void InternalClose() override;

private:
    [[nodiscard]] int CurrentRowIndex() const noexcept;
    [[nodiscard]] TOrdoChange* FindChange(std::int32_t bookmark) noexcept;
    void Record(TOrdoChangeKind kind, std::int32_t bookmark, Bytes oldRow);

    bool logChanges_ = false;
    std::vector<TOrdoChange> changes_;
};

}  // namespace ordo
