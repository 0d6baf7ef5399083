#include "core/field_type.h"

#include <algorithm>

namespace ordo {

const char* FieldTypeName(TFieldType t) noexcept {
    static const char* const names[kFieldTypeCount] = {
        "ftUnknown", "ftString", "ftSmallint", "ftInteger", "ftWord", "ftBoolean", "ftFloat",
        "ftCurrency", "ftBCD", "ftDate", "ftTime", "ftDateTime", "ftBytes", "ftVarBytes",
        "ftAutoInc", "ftBlob", "ftMemo", "ftGraphic", "ftFmtMemo", "ftParadoxOle", "ftDBaseOle",
        "ftTypedBinary", "ftCursor", "ftFixedChar", "ftWideString", "ftLargeint", "ftADT",
        "ftArray", "ftReference", "ftDataSet", "ftOraBlob", "ftOraClob", "ftVariant",
        "ftInterface", "ftIDispatch", "ftGuid", "ftTimeStamp", "ftFMTBcd"};
    return IsValidFieldType(t) ? names[t] : "ftInvalid";
}

namespace {

/// One row per type code: the slot bytes and value bytes of a fixed-size type, or the bytes per
/// unit of declared size of a sized one. Blob-like types hold the 4-byte number of their blob.
struct TFieldTypeSize {
    std::uint8_t slot;
    std::uint8_t value;
    std::uint8_t perUnit;
};

constexpr TFieldTypeSize kSizes[kFieldTypeCount] = {
    {0, 0, 0},   {0, 0, 1},  {2, 2, 0},  {4, 4, 0},  {2, 2, 0},  {2, 2, 0},  {8, 8, 0},   // 0 .. 6
    {8, 8, 0},   {8, 8, 0},  {8, 4, 0},  {4, 4, 0},  {8, 8, 0},  {0, 0, 1},  {0, 0, 1},   // 7 .. 13
    {4, 4, 0},   {4, 4, 0},  {4, 4, 0},  {4, 4, 0},  {4, 4, 0},  {0, 0, 0},  {0, 0, 0},   // 14 .. 20
    {4, 4, 0},   {0, 0, 0},  {0, 0, 1},  {0, 0, 2},  {8, 8, 0},  {0, 0, 0},  {0, 0, 0},   // 21 .. 27
    {0, 0, 0},   {4, 4, 0},  {4, 4, 0},  {4, 4, 0},  {0, 0, 0},  {0, 0, 0},  {0, 0, 0},   // 28 .. 34
    {0, 0, 1},   {16, 16, 0}, {34, 34, 0},                                                 // 35 .. 37
};

const TFieldTypeSize& SizeOf(TFieldType t) noexcept { return kSizes[IsValidFieldType(t) ? t : ftUnknown]; }

}  // namespace

std::int64_t FieldSlotSize(TFieldType t, std::int64_t declaredSize) noexcept {
    const TFieldTypeSize& s = SizeOf(t);
    return s.perUnit != 0 ? s.perUnit * std::max<std::int64_t>(declaredSize, 0) : s.slot;
}

int FieldValueSize(TFieldType t, int declaredSize) noexcept {
    const TFieldTypeSize& s = SizeOf(t);
    return s.perUnit != 0 ? s.perUnit * std::max(declaredSize, 0) : s.value;
}

bool IsSizedFieldType(TFieldType t) noexcept { return SizeOf(t).perUnit != 0; }

}  // namespace ordo
