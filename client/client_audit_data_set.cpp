#include "client/client_audit_data_set.h"

#include <algorithm>

namespace ordo {

int TOrdo2CustomAuditDataSet::CurrentRowIndex() const noexcept {
    return Cursor().RowIndexAt(Cursor().Position());
}

TOrdoChange* TOrdo2CustomAuditDataSet::FindChange(std::int32_t bookmark) noexcept {
    auto it = std::find_if(changes_.begin(), changes_.end(), [&](const TOrdoChange& c) { return c.BookMark == bookmark; });
    return it == changes_.end() ? nullptr : &*it;
}

// Several changes to one row fold into one entry: the server only needs to learn the row's
// final state, and an edit must keep the values the row had when it was fetched.
void TOrdo2CustomAuditDataSet::Record(TOrdoChangeKind kind, std::int32_t bookmark, Bytes oldRow) {
    TOrdoChange* known = FindChange(bookmark);
    if (known == nullptr) {
        changes_.push_back({kind, bookmark, std::move(oldRow)});
        return;
    }
    if (kind != ckDelete) return;  // an edit after an insert or edit changes nothing in the log
    if (known->Delta == ckInsert) {
        std::erase_if(changes_, [&](const TOrdoChange& c) { return c.BookMark == bookmark; });
        return;  // the server never saw the row
    }
    known->Delta = ckDelete;
}

void TOrdo2CustomAuditDataSet::InternalPost() {
    const TDataSetState state = State();
    Bytes before;
    if (logChanges_ && state == dsEdit && RowList() != nullptr) {
        const int index = CurrentRowIndex();
        if (index >= 0) {
            ByteView row = RowList()->RowData(index);
            before.assign(row.begin(), row.end());
        }
    }
    TOrdoCustomDataSet::InternalPost();
    if (!logChanges_ || RowList() == nullptr) return;
    const int index = CurrentRowIndex();
    if (index < 0) return;
    const std::int32_t bookmark = RowList()->RowId(index);
    Record(state == dsInsert ? ckInsert : ckEdit, bookmark, std::move(before));
}

void TOrdo2CustomAuditDataSet::InternalDelete() {
    if (logChanges_ && RowList() != nullptr) {
        const int index = CurrentRowIndex();
        if (index >= 0) {
            ByteView row = RowList()->RowData(index);
            Record(ckDelete, RowList()->RowId(index), Bytes(row.begin(), row.end()));
        }
    }
    TOrdoCustomDataSet::InternalDelete();
}

void TOrdo2CustomAuditDataSet::InternalClose() {
    changes_.clear();
    TOrdoCustomDataSet::InternalClose();
}

}  // namespace ordo
