#include "dataset/ordo_data_set.h"

namespace ordo {

void TOrdoDataSet::InternalInitRecord(TRecordBuffer& buffer) {
    TOrdoCustomDataSet::InternalInitRecord(buffer);
    if (!autoIncrement_ || !RowList()) return;
    TOrdoRowWriter w = RowWriter(buffer);
    const TOrdoFieldList& fields = RowList()->FieldList();
    for (int i = 0; i < fields.Count(); ++i)
        if (fields.Items(i).Type() == ftAutoInc) w.WriteInt32(i, fields.Items(i).Slot(), 0, false);
}

void TOrdoDataSet::BeforeInsertPost(TRecordBuffer& buffer) {
    if (!autoIncrement_ || !RowList()) return;
    TOrdoRowWriter w = RowWriter(buffer);
    const TOrdoFieldList& fields = RowList()->FieldList();
    for (int i = 0; i < fields.Count(); ++i) {
        if (fields.Items(i).Type() != ftAutoInc) continue;
        w.WriteInt32(i, fields.Items(i).Slot(), nextAutoInc_, false);
        ++nextAutoInc_;
    }
}

}  // namespace ordo
