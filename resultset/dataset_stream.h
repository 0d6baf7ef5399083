#pragma once
// The framing of a whole data set stream around the list sections: the header with its
// options, and the indexes and aggregates sections in their plain-value form.
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "core/memory_stream.h"

namespace ordo {

enum TOrdoStreamSaveOption : std::uint8_t {
    ssOrdoLegacy = 0, ssZlibCompression = 1, ssEncrypted = 2, ssIndexes = 3, ssCachedUpdates = 4,
    ssExtendedFieldProperties = 5, ssBlobOnlyStreamEvent = 6, ssAggregates = 7, ssCustom = 8,
};

/// A set of stream options; bit n stands for the option of ordinal n.
class TOrdoStreamSaveOptions {
public:
    static constexpr std::uint32_t kAllBits = 0x1FF;
    constexpr TOrdoStreamSaveOptions() noexcept = default;
    constexpr TOrdoStreamSaveOptions(std::initializer_list<TOrdoStreamSaveOption> options) noexcept {
        for (auto o : options) bits_ |= 1u << o;
    }
    static constexpr TOrdoStreamSaveOptions FromBits(std::uint32_t bits) noexcept {
        TOrdoStreamSaveOptions s;
        s.bits_ = bits & kAllBits;
        return s;
    }
    [[nodiscard]] constexpr std::uint32_t Bits() const noexcept { return bits_; }
    [[nodiscard]] constexpr bool Contains(TOrdoStreamSaveOption o) const noexcept { return (bits_ >> o) & 1; }
    constexpr void Include(TOrdoStreamSaveOption o) noexcept { bits_ |= 1u << o; }
    constexpr void Exclude(TOrdoStreamSaveOption o) noexcept { bits_ &= ~(1u << o); }
    friend constexpr bool operator==(TOrdoStreamSaveOptions, TOrdoStreamSaveOptions) noexcept = default;

private:
    std::uint32_t bits_ = 0;
};

inline constexpr std::uint32_t kDataSetStreamMagic = 0x26FEA869;

void WriteStreamHeader(TStream& stream, TOrdoStreamSaveOptions options);
/// Reads the header when the stream starts with the magic number and returns its options;
/// otherwise moves back over what it read and returns [ssOrdoLegacy].
TOrdoStreamSaveOptions ReadStreamHeader(TStream& stream);

/// Bit 5 of an index's options: ioNatural, an index in row-list order, which saves no row order.
inline constexpr std::uint8_t kIndexNatural = 1u << 5;
/// Bit 0 of an index's state flags: its saved row order is valid.
inline constexpr std::uint8_t kIndexOrderValid = 1u << 0;

struct TOrdoIndexDef {
    std::string Name;
    std::string Fields;
    std::uint8_t Options = 0;  ///< bit n: the index option of ordinal n (ioPrimary 0 .. ioNatural 5)
    std::uint8_t State = kIndexOrderValid;
    std::vector<std::int32_t> RowIds;
};
struct TOrdoIndexesSection {
    bool Maintain = true;
    std::string SelectedIndex;
    std::vector<TOrdoIndexDef> Indexes;
};

struct TOrdoAggregateDef {
    std::string Name;
    std::string FieldName;
    std::uint8_t AggKind = 0;  ///< akSum 0, akAvg 1, akCount 2, akMin 3, akMax 4
    std::string IndexName;
    std::int32_t Level = 0;
    bool Active = false;
};
struct TOrdoAggregatesSection {
    bool Created = true;
    std::vector<TOrdoAggregateDef> Aggregates;
};

void WriteIndexesSection(TStream& stream, const TOrdoIndexesSection& section);
/// Absent (and the stream back where it was) when the section's class name does not match;
/// a section that names itself right but ends early raises EReadError "Stream read error".
std::optional<TOrdoIndexesSection> ReadIndexesSection(TStream& stream);
void WriteAggregatesSection(TStream& stream, const TOrdoAggregatesSection& section);
std::optional<TOrdoAggregatesSection> ReadAggregatesSection(TStream& stream);

}  // namespace ordo
