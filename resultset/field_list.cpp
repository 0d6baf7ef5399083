#include "resultset/field_list.h"

#include "core/text_convert.h"
#include "platform/files.h"
#include "resultset/stream_filer.h"

namespace ordo {

const TOrdoFieldItem& TOrdoFieldList::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<std::size_t>(index)];
}

TOrdoFieldItem& TOrdoFieldList::Items(int index) {
    return const_cast<TOrdoFieldItem&>(static_cast<const TOrdoFieldList&>(*this).Items(index));
}

TOrdoFieldItem& TOrdoFieldList::Add(TOrdoFieldItem item) { return items_.emplace_back(std::move(item)); }

int TOrdoFieldList::IndexOf(std::string_view name) const noexcept {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (SameText(items_[i].FieldName, name)) return static_cast<int>(i);
    return -1;
}

void TOrdoFieldList::WriteSection(TOrdoFilerWriter& writer) const {
    writer.WriteString("TOrdoFieldList");
    writer.WriteListBegin();
    for (const TOrdoFieldItem& f : items_) {
        writer.WriteInteger(f.FieldNo);
        writer.WriteInteger(f.DataSize);
        writer.WriteInteger(f.Offset);
        writer.WriteInteger(f.DataType);
        writer.WriteString(f.FieldName);
    }
    writer.WriteListEnd();
}

void TOrdoFieldList::ReadSection(TOrdoFilerReader& reader) {
    items_.clear();
    (void)reader.ReadString();  // class name, not checked
    reader.ReadListBegin();
    while (!reader.EndOfList()) {
        TOrdoFieldItem f;
        f.FieldNo = reader.ReadInteger();
        f.DataSize = reader.ReadInteger();
        f.Offset = reader.ReadInteger();
        f.DataType = reader.ReadInteger();
        f.FieldName = reader.ReadString();
        items_.push_back(std::move(f));
    }
    reader.ReadListEnd();
}

void TOrdoFieldList::SaveToStream(TStream& stream) const {
    TOrdoFilerWriter writer(stream);
    WriteSection(writer);
    writer.FlushBuffer();
}

void TOrdoFieldList::LoadFromStream(TStream& stream) {
    TOrdoFilerReader reader(stream);
    ReadSection(reader);
    reader.FlushBuffer();
}

void TOrdoFieldList::SaveToFile(const std::string& fileName) const {
    TMemoryStream s;
    SaveToStream(s);
    WriteFileBytes(fileName, s.Memory());
}

void TOrdoFieldList::LoadFromFile(const std::string& fileName) {
    TMemoryStream s(ReadFileBytes(fileName));
    LoadFromStream(s);
}

}  // namespace ordo
