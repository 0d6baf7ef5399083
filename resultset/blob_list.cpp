#include "resultset/blob_list.h"

#include <algorithm>
#include <limits>

#include "resultset/stream_filer.h"

namespace ordo {

const TOrdoBlobListItem& TOrdoBlobList::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return *items_[static_cast<std::size_t>(index)];
}

TOrdoBlobListItem& TOrdoBlobList::Append(std::int32_t blobId, std::int32_t fieldNo) {
    auto item = std::make_unique<TOrdoBlobListItem>();
    item->BlobId = blobId;
    item->FieldNo = fieldNo;
    TOrdoBlobListItem& ref = *item;
    items_.push_back(std::move(item));
    index_.try_emplace(Key(blobId, fieldNo), &ref);
    return ref;
}

std::int32_t TOrdoBlobList::AddBlob(ByteView bytes, std::int32_t fieldNo) {
    if (lastId_ == std::numeric_limits<std::int32_t>::max()) throw EListError("Blob numbers are exhausted");
    const std::int32_t id = lastId_ + 1;
    TOrdoBlobListItem& item = Append(id, fieldNo);
    lastId_ = id;
    item.Data.Assign(bytes);
    return id;
}

TMemoryStream* TOrdoBlobList::FindBlob(std::int32_t blobId, std::int32_t fieldNo) noexcept {
    const auto it = index_.find(Key(blobId, fieldNo));
    return it == index_.end() ? nullptr : &it->second->Data;
}

const TMemoryStream* TOrdoBlobList::FindBlob(std::int32_t blobId, std::int32_t fieldNo) const noexcept {
    return const_cast<TOrdoBlobList*>(this)->FindBlob(blobId, fieldNo);
}

bool TOrdoBlobList::DeleteBlob(std::int32_t blobId, std::int32_t fieldNo) {
    const auto it = index_.find(Key(blobId, fieldNo));
    if (it == index_.end()) return false;
    const TOrdoBlobListItem* doomed = it->second;
    index_.erase(it);
    const auto pos = std::find_if(items_.begin(), items_.end(), [&](const auto& p) { return p.get() == doomed; });
    items_.erase(pos);
    // A duplicate pair from a loaded stream becomes reachable once the first is gone.
    for (const auto& p : items_)
        if (p->BlobId == blobId && p->FieldNo == fieldNo) {
            index_.emplace(Key(blobId, fieldNo), p.get());
            break;
        }
    return true;
}

void TOrdoBlobList::RenumberFields(const std::vector<std::int32_t>& newFieldNo) {
    std::erase_if(items_, [&](const auto& p) {
        const auto at = static_cast<std::size_t>(p->FieldNo - 1);
        return p->FieldNo < 1 || at >= newFieldNo.size() || newFieldNo[at] < 1;
    });
    index_.clear();
    for (const auto& p : items_) {
        p->FieldNo = newFieldNo[static_cast<std::size_t>(p->FieldNo - 1)];
        index_.try_emplace(Key(p->BlobId, p->FieldNo), p.get());
    }
}

void TOrdoBlobList::Clear() noexcept {
    index_.clear();
    items_.clear();
}

void TOrdoBlobList::TakeItems(TOrdoBlobList&& loaded) noexcept {
    items_ = std::move(loaded.items_);
    index_ = std::move(loaded.index_);
    loaded.items_.clear();
    loaded.index_.clear();
    lastId_ = std::max(lastId_, loaded.lastId_);
}

std::int64_t TOrdoBlobList::TotalBytes() const noexcept {
    std::int64_t n = 0;
    for (const auto& p : items_) n += p->Data.Size();
    return n;
}

void TOrdoBlobList::WriteSection(TOrdoFilerWriter& writer) const {
    writer.WriteString("TOrdoBlobList");
    writer.WriteListBegin();
    for (const auto& p : items_) {
        writer.WriteInteger(p->BlobId);
        writer.WriteInteger(p->FieldNo);
        writer.WriteString(p->Data.Memory());
    }
    writer.WriteListEnd();
}

void TOrdoBlobList::ReadSection(TOrdoFilerReader& reader) {
    Clear();
    (void)reader.ReadString();  // class name, not checked
    reader.ReadListBegin();
    Bytes data;
    while (!reader.EndOfList()) {
        const std::int32_t blobId = reader.ReadInteger();
        const std::int32_t fieldNo = reader.ReadInteger();
        reader.ReadString(data);
        Append(blobId, fieldNo).Data.Assign(data);
        lastId_ = std::max(lastId_, blobId);
    }
    reader.ReadListEnd();
}

void TOrdoBlobList::SaveToStream(TStream& stream) const {
    TOrdoFilerWriter writer(stream);
    WriteSection(writer);
    writer.FlushBuffer();
}

void TOrdoBlobList::LoadFromStream(TStream& stream) {
    TOrdoFilerReader reader(stream);
    ReadSection(reader);
    reader.FlushBuffer();
}

}  // namespace ordo
