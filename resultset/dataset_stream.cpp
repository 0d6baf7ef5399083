#include "resultset/dataset_stream.h"

#include <cstring>
#include <string_view>

#include "core/wire.h"
#include "resultset/stream_filer.h"

namespace ordo {

namespace {

// Reads the counted class name at the stream's position; on any mismatch (or too few bytes
// to tell) the stream goes back to where it was.
bool ExpectClassName(TStream& stream, std::string_view name) {
    const std::int64_t start = stream.Position();
    std::uint8_t len[4];
    bool match = stream.Read(len, 4) == 4 && LoadU32LE(len) == name.size();
    if (match) {
        std::string got(name.size(), '\0');
        match = stream.Read(got.data(), got.size()) == got.size() && got == name;
    }
    if (!match) stream.SetPosition(start);
    return match;
}

// A count from the stream, checked against what is left so a lie cannot allocate.
std::int32_t ReadCount(TStream& stream, std::int64_t bytesEach) {
    const std::int32_t n = ReadPlainInt32(stream);
    if (n < 0 || n * bytesEach > stream.Size() - stream.Position()) throw EReadError("Stream read error");
    return n;
}

}  // namespace

void WriteStreamHeader(TStream& stream, TOrdoStreamSaveOptions options) {
    std::uint8_t b[8];
    StoreU32LE(b, kDataSetStreamMagic);
    StoreU32LE(b + 4, options.Bits());
    stream.WriteBuffer(b, sizeof b);
}

TOrdoStreamSaveOptions ReadStreamHeader(TStream& stream) {
    std::uint8_t b[4];
    const std::size_t got = stream.Read(b, 4);
    if (got == 4 && LoadU32LE(b) == kDataSetStreamMagic) {
        stream.ReadBuffer(b, 4);
        return TOrdoStreamSaveOptions::FromBits(LoadU32LE(b));
    }
    stream.Seek(-static_cast<std::int64_t>(got), TSeekOrigin::soCurrent);
    return {ssOrdoLegacy};
}

void WriteIndexesSection(TStream& stream, const TOrdoIndexesSection& section) {
    WritePlainString(stream, "TOrdoIndexes");
    WritePlainByte(stream, section.Maintain ? 1 : 0);
    WritePlainString(stream, section.SelectedIndex);
    WritePlainInt32(stream, static_cast<std::int32_t>(section.Indexes.size()));
    for (const TOrdoIndexDef& ix : section.Indexes) {
        WritePlainString(stream, "TOrdoIndex");
        WritePlainString(stream, ix.Name);
        WritePlainString(stream, ix.Fields);
        WritePlainByte(stream, ix.Options);
        WritePlainByte(stream, ix.State);
        if (ix.Options & kIndexNatural) continue;
        WritePlainInt32(stream, static_cast<std::int32_t>(ix.RowIds.size()));
        for (const std::int32_t id : ix.RowIds) WritePlainInt32(stream, id);
    }
}

std::optional<TOrdoIndexesSection> ReadIndexesSection(TStream& stream) {
    if (!ExpectClassName(stream, "TOrdoIndexes")) return std::nullopt;
    TOrdoIndexesSection s;
    s.Maintain = ReadPlainByte(stream) != 0;
    s.SelectedIndex = ReadPlainString(stream);
    const std::int32_t count = ReadCount(stream, 4 * 4 + 2);
    for (std::int32_t i = 0; i < count; ++i) {
        TOrdoIndexDef ix;
        (void)ReadPlainString(stream);  // class name, not checked
        ix.Name = ReadPlainString(stream);
        ix.Fields = ReadPlainString(stream);
        ix.Options = ReadPlainByte(stream);
        ix.State = ReadPlainByte(stream);
        if (!(ix.Options & kIndexNatural)) {
            const std::int32_t rows = ReadCount(stream, 4);
            ix.RowIds.resize(static_cast<std::size_t>(rows));
            for (std::int32_t& id : ix.RowIds) id = ReadPlainInt32(stream);
        }
        s.Indexes.push_back(std::move(ix));
    }
    return s;
}

void WriteAggregatesSection(TStream& stream, const TOrdoAggregatesSection& section) {
    WritePlainString(stream, "TOrdoAggregates");
    WritePlainByte(stream, section.Created ? 1 : 0);
    WritePlainInt32(stream, static_cast<std::int32_t>(section.Aggregates.size()));
    for (const TOrdoAggregateDef& a : section.Aggregates) {
        WritePlainString(stream, "TOrdoAggregate");
        WritePlainString(stream, a.Name);
        WritePlainString(stream, a.FieldName);
        WritePlainByte(stream, a.AggKind);
        WritePlainString(stream, a.IndexName);
        WritePlainInt32(stream, a.Level);
        WritePlainByte(stream, a.Active ? 1 : 0);
    }
}

std::optional<TOrdoAggregatesSection> ReadAggregatesSection(TStream& stream) {
    if (!ExpectClassName(stream, "TOrdoAggregates")) return std::nullopt;
    TOrdoAggregatesSection s;
    s.Created = ReadPlainByte(stream) != 0;
    const std::int32_t count = ReadCount(stream, 4 * 5 + 2);
    for (std::int32_t i = 0; i < count; ++i) {
        TOrdoAggregateDef a;
        (void)ReadPlainString(stream);  // class name, not checked
        a.Name = ReadPlainString(stream);
        a.FieldName = ReadPlainString(stream);
        a.AggKind = ReadPlainByte(stream);
        a.IndexName = ReadPlainString(stream);
        a.Level = ReadPlainInt32(stream);
        a.Active = ReadPlainByte(stream) != 0;
        s.Aggregates.push_back(std::move(a));
    }
    return s;
}

}  // namespace ordo
