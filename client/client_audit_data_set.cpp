#include "client/client_audit_data_set.h"

#include <algorithm>

#include "resultset/dataset_stream.h"
#include "resultset/row_rebind.h"
#include "resultset/stream_filer.h"

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

namespace {

constexpr int kDelta = 0;
constexpr int kBookMark = 1;
constexpr int kOldRow = 2;

TOrdoDBList ChangeLogRows() {
    TOrdoDBList rows;
    rows.AddField("Delta", ftInteger, 0);
    rows.AddField("BookMark", ftInteger, 0);
    rows.AddField("OldRow", ftBlob, 0);
    rows.ComputeLayout();
    return rows;
}

}  // namespace

void TOrdo2CustomAuditDataSet::WriteChangeLog(TStream& stream) const {
    TOrdoDBList rows = ChangeLogRows();
    TOrdoBlobList blobs;
    const TOrdoFieldList& f = rows.FieldList();
    for (std::size_t i = 0; i < changes_.size(); ++i) {
        const TOrdoChange& c = changes_[i];
        const int at = rows.AddRow(static_cast<std::int32_t>(i + 1));
        TOrdoRowWriter w = rows.Writer(at);
        w.WriteInt32(kDelta, f.Items(kDelta).Slot(), c.Delta, false);
        w.WriteInt32(kBookMark, f.Items(kBookMark).Slot(), c.BookMark, false);
        if (!c.OldRow.empty())
            w.WriteInt32(kOldRow, f.Items(kOldRow).Slot(), blobs.AddBlob(c.OldRow, kOldRow + 1), false);
    }
    WriteStreamHeader(stream, {});
    TOrdoFilerWriter writer(stream);
    rows.FieldList().WriteSection(writer);
    rows.WriteRowSection(writer);
    blobs.WriteSection(writer);
    writer.FlushBuffer();
}

std::vector<TOrdoChange> TOrdo2CustomAuditDataSet::ReadChangeLog(TStream& stream) {
    if (ReadStreamHeader(stream).Contains(ssOrdoLegacy))
        throw EReadError("The change log after the rows has no header");
    TOrdoDBList rows;
    TOrdoBlobList blobs;
    {
        TOrdoFilerReader reader(stream);
        rows.ReadFieldSection(reader);
        rows.ReadRowSection(reader);
        blobs.ReadSection(reader);
        reader.FlushBuffer();
    }
    if (!SameLayout(rows.FieldList(), ChangeLogRows().FieldList()))
        throw EReadError("The change log after the rows has other columns than Delta, BookMark and OldRow");
    const TOrdoFieldList& f = rows.FieldList();
    std::vector<TOrdoChange> changes;
    for (int i = 0; i < rows.Count(); ++i) {
        const TOrdoRowReader r = rows.Reader(i);
        TOrdoChange c;
        const std::int32_t delta = r.Int32(f.Items(kDelta).Slot());
        if (delta < ckInsert || delta > ckDelete)
            throw EReadError("Change log entry of unknown kind " + std::to_string(delta));
        c.Delta = static_cast<TOrdoChangeKind>(delta);
        c.BookMark = r.Int32(f.Items(kBookMark).Slot());
        if (r.HasValue(kOldRow)) {
            const TMemoryStream* old = blobs.FindBlob(r.Int32(f.Items(kOldRow).Slot()), kOldRow + 1);
            if (old == nullptr) throw EReadError("Change log entry without its old row");
            c.OldRow.assign(old->Memory().begin(), old->Memory().end());
        }
        changes.push_back(std::move(c));
    }
    return changes;
}

void TOrdo2CustomAuditDataSet::InternalClose() {
    changes_.clear();
    TOrdoCustomDataSet::InternalClose();
}

}  // namespace ordo
