// The in-memory data set written to and read from data set streams and files.
#include <exception>

#include "dataset/custom_data_set.h"
#include "platform/files.h"
#include "resultset/field_defs_codec.h"
#include "resultset/row_rebind.h"
#include "resultset/stream_filer.h"

namespace ordo {

void TOrdoCustomDataSet::SaveToStream(TStream& stream) {
    if (auto* m = dynamic_cast<TMemoryStream*>(&stream); m && rows_) {
        const auto rowBytes = static_cast<std::size_t>(rows_->Count()) * static_cast<std::size_t>(rows_->RecordSize() + 10);
        m->Reserve(static_cast<std::size_t>(m->Position()) + rowBytes + static_cast<std::size_t>(blobs_.TotalBytes()) + 4096);
    }
    // A legacy data set reads streams without a header, so it writes them so too: what it saves
    // must load back into it.
    if (!streamOptions_.Contains(ssOrdoLegacy)) WriteStreamHeader(stream, streamOptions_);
    if (TracksAutoIncrement()) WritePlainInt32(stream, NextAutoIncrement());
    if (rows_) {
        TOrdoFilerWriter writer(stream);
        rows_->FieldList().WriteSection(writer);
        rows_->WriteRowSection(writer);
        blobs_.WriteSection(writer);
        writer.FlushBuffer();
        if (streamOptions_.Contains(ssIndexes)) WriteIndexesSection(stream, IndexesToSave());
        if (streamOptions_.Contains(ssAggregates)) WriteAggregatesSection(stream, aggregates_);
        WriteStreamTrailer(stream);
    }
    if (!streamOptions_.Contains(ssBlobOnlyStreamEvent) && OnStreamEvent) OnStreamEvent(*this, stream, false);
}

TOrdoIndexesSection TOrdoCustomDataSet::IndexesToSave() const {
    TOrdoIndexesSection out = indexes_;
    const int rowCount = rows_ ? rows_->Count() : 0;
    for (TOrdoIndexDef& ix : out.Indexes) {
        if (ix.Options & kIndexNatural) continue;
        bool exact = static_cast<int>(ix.RowIds.size()) == rowCount;
        for (std::size_t i = 0; exact && i < ix.RowIds.size(); ++i) exact = rows_->IndexOfRowId(ix.RowIds[i]) >= 0;
        if (!exact) ix.State &= static_cast<std::uint8_t>(~kIndexOrderValid);
    }
    return out;
}

void TOrdoCustomDataSet::ReadLoadedIndexes(TStream& stream, TLoadedStream& loaded) {
    if (loaded.options.Contains(ssIndexes)) loaded.indexes = ReadIndexesSection(stream);
    if (loaded.options.Contains(ssAggregates)) loaded.aggregates = ReadAggregatesSection(stream);
    if (!loaded.indexes) return;
    // An index that names a row the stream does not hold has lost its order.
    for (TOrdoIndexDef& ix : loaded.indexes->Indexes)
        for (const std::int32_t id : ix.RowIds)
            if (loaded.rows.IndexOfRowId(id) < 0) {
                ix.State &= static_cast<std::uint8_t>(~kIndexOrderValid);
                break;
            }
}

TOrdoCustomDataSet::TLoadedStream TOrdoCustomDataSet::ReadStreamAside(TStream& stream, bool withRows) {
    TLoadedStream loaded;
    // A data set that holds the legacy option reads streams of the old form, which have no
    // header; its options stay as they are.
    if (streamOptions_.Contains(ssOrdoLegacy)) {
        loaded.options = streamOptions_;
    } else {
        if (!streamOptions_.Contains(ssBlobOnlyStreamEvent) && OnStreamEvent) {
            OnStreamEvent(*this, stream, true);
            stream.SetPosition(0);
        }
        loaded.options = ReadStreamHeader(stream);
    }
    if (TracksAutoIncrement()) loaded.nextAutoIncrement = ReadPlainInt32(stream);
    if (!withRows) return loaded;
    TOrdoFilerReader reader(stream);
    loaded.rows.ReadFieldSection(reader);
    loaded.rows.ReadRowSection(reader);
    loaded.blobs.ReadSection(reader);
    reader.FlushBuffer();
    ReadLoadedIndexes(stream, loaded);
    ReadStreamTrailer(stream, loaded.options);
    return loaded;
}

void TOrdoCustomDataSet::TakeLoaded(TLoadedStream& loaded) {
    streamOptions_ = loaded.options;
    if (TracksAutoIncrement()) SetNextAutoIncrement(loaded.nextAutoIncrement);
    if (!rows_) return;
    *rows_ = std::move(loaded.rows);
    blobs_.TakeItems(std::move(loaded.blobs));
    cursor_.Attach(rows_.get());
    rowIdCounter_ = rows_->MaxRowId();
    if (loaded.indexes) indexes_ = std::move(*loaded.indexes);
    if (loaded.aggregates) aggregates_ = std::move(*loaded.aggregates);
    TakeStreamTrailer();
}

void TOrdoCustomDataSet::LoadFromStream(TStream& stream) {
    if (Active() && (State() == dsEdit || State() == dsInsert)) Cancel();
    // Read whole before anything is replaced: a stream that fails half-way leaves the rows as they were.
    TLoadedStream loaded = ReadStreamAside(stream, rows_ != nullptr);
    if (rows_ && rows_->FieldList().Count() > 0 && !SameLayout(rows_->FieldList(), loaded.rows.FieldList())) {
        try {
            loaded.rows = RebindByName(loaded.rows, loaded.blobs, rows_->FieldList());
        } catch (const EDatabaseError& e) {
            throw EDatabaseError(NamePrefix() + e.what());
        }
    }
    TakeLoaded(loaded);
    if (Active()) {
        // The records may have another size now; the buffers follow the loaded layout.
        ActiveBuffer() = AllocRecordBuffer();
        First();
    }
}

void TOrdoCustomDataSet::LoadDataSetFromStream(TStream& stream) {
    TLoadedStream loaded = ReadStreamAside(stream, true);
    DisableControls();
    SuppressEvents(true);
    try {
        Close();
        descriptions_.clear();
        rows_ = std::make_unique<TOrdoDBList>();
        ownsRows_ = false;
        cursor_.Attach(rows_.get());
        TakeLoaded(loaded);
        for (const TOrdoFieldItem& f : rows_->FieldList()) {
            const TFieldType t = f.Type();
            descriptions_.push_back(FieldDescription({f.FieldName, t, t == ftGuid ? kGuidTextSize : f.DeclaredSize()}));
        }
        FieldDefs().Clear();
        CreateRowList(true);
        Open();
    } catch (...) {
        SuppressEvents(false);
        EnableControls();
        throw;
    }
    SuppressEvents(false);
    EnableControls();
}

void TOrdoCustomDataSet::SaveToFile(const std::string& fileName) {
    TMemoryStream stream;
    SaveToStream(stream);
    WriteFileBytes(fileName, stream.Memory());
}

Bytes TOrdoCustomDataSet::ReadFileForLoad(const std::string& fileName) {
    try {
        // Only a path with nothing behind it "does not exist"; for anything else the reader's own reason tells more.
        if (DirectoryExists(fileName)) throw EOrdoError(fileName + " is a folder, not a file.");
        if (!FileExists(fileName)) throw EOrdoError(fileName + " does not exist.");
        return ReadFileBytes(fileName);
    } catch (const std::exception&) {
        std::throw_with_nested(EDatabaseError(NamePrefix() + "Unable to load from " + fileName));
    }
}

void TOrdoCustomDataSet::LoadFromFile(const std::string& fileName) {
    TMemoryStream stream(ReadFileForLoad(fileName));
    LoadFromStream(stream);
}

void TOrdoCustomDataSet::LoadDataSetFromFile(const std::string& fileName) {
    TMemoryStream stream(ReadFileForLoad(fileName));
    LoadDataSetFromStream(stream);
    Refresh();
}

}  // namespace ordo
