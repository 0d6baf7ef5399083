#include "resultset/field_defs_codec.h"

#include "core/errors.h"
#include "core/text_convert.h"

namespace ordo {

namespace {

constexpr char kTokenEnd = '\x02';
constexpr char kRecordEnd = '\x04';

// Token k of a record: the text between the k-th and (k+1)-th 0x02; empty when that 0x02 is missing.
std::string_view Token(std::string_view record, int k) {
    std::size_t start = 0;
    for (int i = 0; i < k; ++i) {
        const std::size_t end = record.find(kTokenEnd, start);
        if (end == std::string_view::npos) return {};
        start = end + 1;
    }
    const std::size_t end = record.find(kTokenEnd, start);
    return end == std::string_view::npos ? std::string_view{} : record.substr(start, end - start);
}

}  // namespace

std::vector<TOrdoFieldDef> DecodeFieldDefinitions(std::string_view text) {
    std::vector<TOrdoFieldDef> defs;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(kRecordEnd, start);
        if (end == std::string_view::npos) break;
        const std::string_view record = text.substr(start, end - start);
        TOrdoFieldDef d;
        d.Name = std::string(Token(record, 0));
        d.DataType = StrToIntDef(Token(record, 1), 0);
        if (d.DataType < 1) d.DataType = 1;
        d.Size = StrToIntDef(Token(record, 2), 0);
        if (d.Size < 1) d.Size = 25;
        defs.push_back(std::move(d));
        start = end + 1;
    }
    return defs;
}

std::string EncodeFieldDefinitions(std::span<const TOrdoFieldDef> defs) {
    std::string out;
    for (const TOrdoFieldDef& d : defs) {
        if (d.Name.find_first_of(std::string_view("\x02\x04", 2)) != std::string::npos)
            throw EOrdoProtocolError("Field name '" + d.Name + "' holds a separator byte");
        std::string record = d.Name;
        record += kTokenEnd;
        record += std::to_string(d.DataType);
        record += kTokenEnd;
        record += std::to_string(d.Size);
        record += kTokenEnd;
        if (record.size() >= 256)
            throw EOrdoProtocolError("Field definition of '" + d.Name + "' is " + std::to_string(record.size()) +
                                     " bytes long; at most 255 can be sent");
        out += record;
        out += kRecordEnd;
    }
    return out;
}

std::string FieldDescription(const TOrdoFieldDef& def) {
    return def.Name + "," + std::to_string(def.DataType) + "," + std::to_string(def.Size);
}

TOrdoFieldDef ParseFieldDescription(std::string_view entry) {
    TOrdoFieldDef d;
    const std::size_t last = entry.rfind(',');
    if (last == std::string_view::npos) {
        d.Name = std::string(entry);
        d.DataType = 0;
        d.Size = 0;
        return d;
    }
    d.Size = StrToIntDef(entry.substr(last + 1), 0);
    const std::string_view head = entry.substr(0, last);
    const std::size_t mid = head.rfind(',');
    if (mid == std::string_view::npos) {
        d.Name = std::string(head);
        d.DataType = 0;
        return d;
    }
    d.DataType = StrToIntDef(head.substr(mid + 1), 0);
    d.Name = std::string(head.substr(0, mid));
    return d;
}

}  // namespace ordo
