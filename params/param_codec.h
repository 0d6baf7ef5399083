#pragma once
// The parameter list string: one record per item, no header, count or terminator.
//   int32 N | Name 06 DataType 06 ParamType 06 IsNull 06 L 06 | L value bytes
// with the numbers as decimal ASCII. The codec does no I/O, so plain byte arrays test it.
#include <cstddef>

#include "core/bytes.h"

namespace ordo {
class TOrdoParamItem;
class TOrdoParamList;
}  // namespace ordo

namespace ordo::detail {

inline constexpr std::uint8_t kParamFieldSeparator = 0x06;

/// The output buffer's growth: it starts at 256 bytes; each growth adds a step that starts
/// at 512 and doubles per growth up to 32 768, after which every growth adds 32 768.
class ParamBufferGrowth {
public:
    static constexpr std::size_t kInitial = 256;
    static constexpr std::size_t kFirstStep = 512;
    static constexpr std::size_t kMaxStep = 32768;

    [[nodiscard]] std::size_t Capacity() const noexcept { return capacity_; }
    /// Grows, step by step, until `needed` bytes fit; returns whether it grew.
    bool Ensure(std::size_t needed) noexcept;

private:
    std::size_t capacity_ = kInitial;
    std::size_t step_ = kFirstStep;
};

/// Bytes of one item's record, length prefix included. Raises EOrdoParamException for a
/// name holding the separator byte or a record too long for its 32-bit length.
std::size_t EncodedRecordSize(const TOrdoParamItem& item);
/// Writes the record of EncodedRecordSize bytes (`recordSize`) at `out`; returns the end.
std::uint8_t* EncodeRecord(const TOrdoParamItem& item, std::size_t recordSize, std::uint8_t* out) noexcept;

Bytes EncodeParamList(const TOrdoParamList& list, bool inputOnly);
/// Appends the decoded items to `list`; on malformed input raises EOrdoParamException
/// after the well-formed records before it were added.
void DecodeParamList(ByteView data, TOrdoParamList& list);

}  // namespace ordo::detail
