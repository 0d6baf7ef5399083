#pragma once
// The current order of rows and the cursor's place in it. Without local indexes the order is
// the row list's own; an index would answer the same three questions for its order.
#include <cstdint>

#include "resultset/db_list.h"

namespace ordo {

class TOrdoCursorOrder {
public:
    void Attach(TOrdoDBList* rows) noexcept {
        rows_ = rows;
        position_ = -1;
    }
    /// -1 before the first row, RowCount() after the last.
    [[nodiscard]] int Position() const noexcept { return position_; }
    void SetPosition(int position) noexcept { position_ = position; }
    [[nodiscard]] int RowCount() const noexcept { return rows_ ? rows_->Count() : 0; }
    /// The row list index of the row at `position`, or -1.
    [[nodiscard]] int RowIndexAt(int position) const noexcept {
        return position >= 0 && position < RowCount() ? position : -1;
    }
    /// The position of the row with that RowId, or -1.
    [[nodiscard]] int PositionOfRowId(std::int32_t rowId) const noexcept {
        return rows_ ? rows_->IndexOfRowId(rowId) : -1;
    }

private:
    TOrdoDBList* rows_ = nullptr;
    int position_ = -1;
};

}  // namespace ordo
