#pragma once
// The data type codes that travel in parameter lists, field definitions and data set streams.
#include <cstdint>

namespace ordo {

enum TFieldType : std::uint8_t {
    ftUnknown = 0, ftString = 1, ftSmallint = 2, ftInteger = 3, ftWord = 4, ftBoolean = 5,
    ftFloat = 6, ftCurrency = 7, ftBCD = 8, ftDate = 9, ftTime = 10, ftDateTime = 11,
    ftBytes = 12, ftVarBytes = 13, ftAutoInc = 14, ftBlob = 15, ftMemo = 16, ftGraphic = 17,
    ftFmtMemo = 18, ftParadoxOle = 19, ftDBaseOle = 20, ftTypedBinary = 21, ftCursor = 22,
    ftFixedChar = 23, ftWideString = 24, ftLargeint = 25, ftADT = 26, ftArray = 27,
    ftReference = 28, ftDataSet = 29, ftOraBlob = 30, ftOraClob = 31, ftVariant = 32,
    ftInterface = 33, ftIDispatch = 34, ftGuid = 35, ftTimeStamp = 36, ftFMTBcd = 37,
};

inline constexpr int kFieldTypeCount = 38;
/// The declared size of every ftGuid column: the braces-and-hyphens text of a GUID.
inline constexpr int kGuidTextSize = 38;

/// Codes outside 0..37 arriving from the wire are not types; callers map them before casting.
constexpr bool IsValidFieldType(int code) noexcept { return code >= 0 && code < kFieldTypeCount; }

const char* FieldTypeName(TFieldType t) noexcept;

/// The bytes of a value of the type in a row record's slot, `declaredSize` being the declared
/// size of a sized type (characters, bytes); 0 for a type that records hold nothing of.
std::int64_t FieldSlotSize(TFieldType t, std::int64_t declaredSize) noexcept;
/// The bytes of the value a field of the type hands out (a date's day number: 4 of its slot's 8).
int FieldValueSize(TFieldType t, int declaredSize) noexcept;
/// True for the types whose slot grows with the declared size.
bool IsSizedFieldType(TFieldType t) noexcept;

}  // namespace ordo
