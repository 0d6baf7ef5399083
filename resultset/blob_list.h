#pragma once
// Blob and memo values kept beside the rows; a row slot holds the blob's number, and a blob is
// found by that number together with the field it belongs to.
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/memory_stream.h"

namespace ordo {

class TOrdoFilerReader;
class TOrdoFilerWriter;

struct TOrdoBlobListItem {
    std::int32_t BlobId = -1;
    std::int32_t FieldNo = -1;  ///< 1-based field number
    TMemoryStream Data;
};

class TOrdoBlobList {
public:
    [[nodiscard]] int Count() const noexcept { return static_cast<int>(items_.size()); }
    /// Raises EListError "List index out of bounds (i)".
    [[nodiscard]] const TOrdoBlobListItem& Items(int index) const;

    /// Stores a copy of `bytes` under a new number and returns it. Numbers start at 1, continue
    /// above the highest number loaded, and are never given twice, not even after Clear.
    std::int32_t AddBlob(ByteView bytes, std::int32_t fieldNo);
    /// The blob's stream (owned by the list), or nullptr.
    [[nodiscard]] TMemoryStream* FindBlob(std::int32_t blobId, std::int32_t fieldNo) noexcept;
    [[nodiscard]] const TMemoryStream* FindBlob(std::int32_t blobId, std::int32_t fieldNo) const noexcept;
    /// Frees the matching item; false when there is none.
    bool DeleteBlob(std::int32_t blobId, std::int32_t fieldNo);
    /// Drops every blob; the numbering goes on where it was.
    void Clear() noexcept;
    /// Replaces the items with those of `loaded` (left empty); numbering goes on above the
    /// higher of both lists' numbers.
    void TakeItems(TOrdoBlobList&& loaded) noexcept;
    /// Moves every blob to the field number `newFieldNo[old FieldNo - 1]`; a blob whose old
    /// number the table does not cover, or maps to 0, is dropped.
    void RenumberFields(const std::vector<std::int32_t>& newFieldNo);
    /// The number the next AddBlob returns.
    [[nodiscard]] std::int32_t NextBlobId() const noexcept { return lastId_ + 1; }
    /// Bytes held by all blobs.
    [[nodiscard]] std::int64_t TotalBytes() const noexcept;

    void SaveToStream(TStream& stream) const;
    /// Replaces the items with the section read; numbering continues above the highest BlobId.
    void LoadFromStream(TStream& stream);
    void WriteSection(TOrdoFilerWriter& writer) const;
    void ReadSection(TOrdoFilerReader& reader);

private:
    static std::uint64_t Key(std::int32_t blobId, std::int32_t fieldNo) noexcept {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(blobId)) << 32 | static_cast<std::uint32_t>(fieldNo);
    }
    TOrdoBlobListItem& Append(std::int32_t blobId, std::int32_t fieldNo);

    std::vector<std::unique_ptr<TOrdoBlobListItem>> items_;
    std::unordered_map<std::uint64_t, TOrdoBlobListItem*> index_;  // first item of each pair
    std::int32_t lastId_ = 0;
};

}  // namespace ordo
