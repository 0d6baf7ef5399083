#pragma once
// The field definitions text of a select reply: per column the name, the type code and the
// declared size, each followed by 0x02, the column closed by 0x04. Both directions live here:
// the client decodes it, the stand-in server encodes it.
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ordo {

struct TOrdoFieldDef {
    std::string Name;
    int DataType = 1;  ///< data type code
    int Size = 25;     ///< declared size (characters for strings)
    friend bool operator==(const TOrdoFieldDef&, const TOrdoFieldDef&) = default;
};

/// One definition per record closed by 0x04; bytes after the last 0x04 are ignored. A type that
/// is not a number or below 1 reads as 1 (string), a size that is not a number or below 1 as 25.
/// Records of any length are read whole.
std::vector<TOrdoFieldDef> DecodeFieldDefinitions(std::string_view text);

/// The text that DecodeFieldDefinitions reads back to `defs`. Raises EOrdoProtocolError for a
/// name holding 0x02 or 0x04 (it would split the record) or for a record of 256 bytes or more,
/// which receivers that count token positions in one byte cannot read.
std::string EncodeFieldDefinitions(std::span<const TOrdoFieldDef> defs);

/// "name,type,size", the entry of a data set's field description list.
std::string FieldDescription(const TOrdoFieldDef& def);
/// Splits at the last two commas, so a name may hold commas; numbers that do not parse read as 0.
TOrdoFieldDef ParseFieldDescription(std::string_view entry);

}  // namespace ordo
