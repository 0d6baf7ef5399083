#pragma once
// Internal: reading the value bytes of an item in each type's own form.
#include <cstdint>
#include <limits>
#include <string_view>

#include "core/text_convert.h"
#include "core/wire.h"
#include "params/param_item.h"

namespace ordo::detail {

/// A decimal value text, 0 when it does not parse or does not fit T.
template <class T>
T ReadDecimal(const Bytes& value) noexcept {
    std::int64_t v = 0;
    if (!TryStrToInt64(AsText(value), v)) return 0;
    if (v < static_cast<std::int64_t>(std::numeric_limits<T>::min()) ||
        v > static_cast<std::int64_t>(std::numeric_limits<T>::max()))
        return 0;
    return static_cast<T>(v);
}

/// The body of a tagged form: after the tag when the value is tag + record, the whole value
/// when it is the bare record (and does not start with the tag); null otherwise.
inline const std::uint8_t* TaggedBody(const Bytes& value, std::uint8_t tag, std::size_t recordSize) noexcept {
    if (value.size() == recordSize + 1 && value[0] == tag) return value.data() + 1;
    if (value.size() == recordSize && recordSize > 0 && value[0] != tag) return value.data();
    return nullptr;
}

inline double ReadTaggedDouble(const Bytes& value) noexcept {
    const std::uint8_t* p = TaggedBody(value, kTagDouble, 8);
    return p != nullptr ? LoadF64LE(p) : 0.0;
}

inline Currency ReadTaggedCurrency(const Bytes& value) noexcept {
    const std::uint8_t* p = TaggedBody(value, kTagCurrency, 8);
    return Currency::FromRaw(p != nullptr ? LoadI64LE(p) : 0);
}

inline TBcd ReadTaggedBcd(const Bytes& value) noexcept {
    const std::uint8_t* p = TaggedBody(value, kTagBcd, kBcdSize);
    return p != nullptr ? LoadBcd(p) : TBcd{};
}

inline TSQLTimeStamp ReadTaggedTimeStamp(const Bytes& value) noexcept {
    const std::uint8_t* p = TaggedBody(value, kTagTimeStamp, kSQLTimeStampSize);
    return p != nullptr ? LoadSQLTimeStamp(p) : TSQLTimeStamp{};
}

/// Types whose value bytes are handed out as text just as they stand.
constexpr bool IsRawTextType(TFieldType t) noexcept {
    switch (t) {
        case ftString: case ftBytes: case ftVarBytes: case ftBlob: case ftMemo: case ftFixedChar:
        case ftWideString: case ftOraBlob: case ftOraClob: case ftGuid:
            return true;
        default:
            return false;
    }
}

}  // namespace ordo::detail
