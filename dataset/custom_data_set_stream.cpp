// The in-memory data set written to and read from data set streams and files.
#include <exception>

#include "dataset/custom_data_set.h"
#include "platform/files.h"
#include "resultset/field_defs_codec.h"
#include "resultset/stream_filer.h"

namespace ordo {

void TOrdoCustomDataSet::SaveToStream(TStream& stream) {
    if (auto* m = dynamic_cast<TMemoryStream*>(&stream); m && rows_) {
        const auto rowBytes = static_cast<std::size_t>(rows_->Count()) * static_cast<std::size_t>(rows_->RecordSize() + 10);
        m->Reserve(static_cast<std::size_t>(m->Position()) + rowBytes + static_cast<std::size_t>(blobs_.TotalBytes()) + 4096);
    }
    WriteStreamHeader(stream, streamOptions_);
    if (TracksAutoIncrement()) WritePlainInt32(stream, NextAutoIncrement());
    if (rows_) {
        TOrdoFilerWriter writer(stream);
        rows_->FieldList().WriteSection(writer);
        rows_->WriteRowSection(writer);
        blobs_.WriteSection(writer);
        writer.FlushBuffer();
        // We keep no local indexes or aggregates: their sections are written empty.
        if (streamOptions_.Contains(ssIndexes)) WriteIndexesSection(stream, {});
        if (streamOptions_.Contains(ssAggregates)) WriteAggregatesSection(stream, {});
    }
    if (!streamOptions_.Contains(ssBlobOnlyStreamEvent) && OnStreamEvent) OnStreamEvent(*this, stream, false);
}

void TOrdoCustomDataSet::ReadLoadedIndexes(TStream& stream, TOrdoStreamSaveOptions options) {
    // Indexes and aggregates of another writer are read past; without local indexes of our
    // own there is nothing to activate.
    if (options.Contains(ssIndexes)) (void)ReadIndexesSection(stream);
    if (options.Contains(ssAggregates)) (void)ReadAggregatesSection(stream);
}

TOrdoCustomDataSet::TLoadedStream TOrdoCustomDataSet::ReadStreamAside(TStream& stream, bool withRows) {
    if (!streamOptions_.Contains(ssOrdoLegacy) && !streamOptions_.Contains(ssBlobOnlyStreamEvent) && OnStreamEvent) {
        OnStreamEvent(*this, stream, true);
        stream.SetPosition(0);
    }
    TLoadedStream loaded;
    // The header is looked for even after a stream without one: this data set's own saves
    // write it, and a stream without a header cannot begin with the magic number.
    loaded.options = ReadStreamHeader(stream);
    if (TracksAutoIncrement()) loaded.nextAutoIncrement = ReadPlainInt32(stream);
    if (!withRows) return loaded;
    TOrdoFilerReader reader(stream);
    loaded.rows.ReadFieldSection(reader);
    loaded.rows.ReadRowSection(reader);
    loaded.blobs.ReadSection(reader);
    reader.FlushBuffer();
    ReadLoadedIndexes(stream, loaded.options);
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
}

void TOrdoCustomDataSet::LoadFromStream(TStream& stream) {
    if (Active() && (State() == dsEdit || State() == dsInsert)) Cancel();
    // Read whole before anything is replaced: a stream that fails half-way leaves the rows as they were.
    TLoadedStream loaded = ReadStreamAside(stream, rows_ != nullptr);
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
