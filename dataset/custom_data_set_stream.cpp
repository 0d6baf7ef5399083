// The in-memory data set written to and read from data set streams and files.
#include <exception>

#include "dataset/custom_data_set.h"
#include "params/field_defs_codec.h"
#include "params/stream_filer.h"
#include "platform/files.h"

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

void TOrdoCustomDataSet::ReadLoadedIndexes(TStream& stream) {
    // Indexes and aggregates of another writer are read past; without local indexes of our
    // own there is nothing to activate.
    if (streamOptions_.Contains(ssIndexes)) (void)ReadIndexesSection(stream);
    if (streamOptions_.Contains(ssAggregates)) (void)ReadAggregatesSection(stream);
}

void TOrdoCustomDataSet::LoadSections(TStream& stream) {
    if (!streamOptions_.Contains(ssOrdoLegacy)) {
        if (!streamOptions_.Contains(ssBlobOnlyStreamEvent) && OnStreamEvent) {
            OnStreamEvent(*this, stream, true);
            stream.SetPosition(0);
        }
        streamOptions_ = ReadStreamHeader(stream);
    }
    if (TracksAutoIncrement()) SetNextAutoIncrement(ReadPlainInt32(stream));
    if (!rows_) return;
    rows_->Clear();
    blobs_.Clear();
    cursor_.Attach(rows_.get());
    {
        TOrdoFilerReader reader(stream);
        rows_->ReadFieldSection(reader);
        rows_->ReadRowSection(reader);
        blobs_.ReadSection(reader);
        reader.FlushBuffer();
    }
    ReadLoadedIndexes(stream);
    rowIdCounter_ = rows_->MaxRowId();
}

void TOrdoCustomDataSet::LoadFromStream(TStream& stream) {
    if (Active() && (State() == dsEdit || State() == dsInsert)) Cancel();
    LoadSections(stream);
    if (Active()) {
        // The records may have another size now; the buffers follow the loaded layout.
        ActiveBuffer() = AllocRecordBuffer();
        First();
    }
}

void TOrdoCustomDataSet::LoadDataSetFromStream(TStream& stream) {
    DisableControls();
    SuppressEvents(true);
    try {
        Close();
        descriptions_.clear();
        rows_ = std::make_unique<TOrdoDBList>();
        ownsRows_ = false;
        cursor_.Attach(rows_.get());
        LoadSections(stream);
        for (const TOrdoFieldItem& f : rows_->FieldList()) {
            const TFieldType t = f.Type();
            descriptions_.push_back(FieldDescription({f.FieldName, t, t == ftGuid ? 38 : f.DeclaredSize()}));
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
