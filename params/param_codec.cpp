#include "params/param_codec.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "core/text_convert.h"
#include "core/wire.h"
#include "params/param_list.h"

namespace ordo::detail {
namespace {

constexpr std::uint8_t kSep = kParamFieldSeparator;

std::size_t DecimalWidth(std::size_t v) noexcept {
    if (v < 10) return 1;
    if (v < 100) return 2;
    std::size_t n = 3;
    for (v /= 1000; v != 0; v /= 10) ++n;
    return n;
}

/// Bytes after the length prefix.
std::size_t RecordBody(const TOrdoParamItem& item) noexcept {
    return item.Name().size() + 1 + DecimalWidth(item.DataType()) + 1 + DecimalWidth(item.ParamType()) + 1 + 1 +
           1 + DecimalWidth(item.ValueBytes().size()) + 1 + item.ValueBytes().size();
}

std::uint8_t* PutDecimal(std::uint8_t* p, std::size_t v) noexcept {
    char* c = reinterpret_cast<char*>(p);
    return reinterpret_cast<std::uint8_t*>(std::to_chars(c, c + 20, v).ptr);
}

/// Decimal field text; anything else (hexadecimal included) through the platform's parse, bad text 0.
int ParseField(std::string_view s) noexcept {
    if (!s.empty() && s.size() <= 9) {
        int v = 0;
        bool plain = true;
        for (char c : s) {
            if (c < '0' || c > '9') {
                plain = false;
                break;
            }
            v = v * 10 + (c - '0');
        }
        if (plain) return v;
    }
    return StrToIntDef(s, 0);
}

/// Splits the next field off `rest`: up to the next separator, or all of it when none is left.
std::string_view NextField(std::string_view& rest, bool& terminated) noexcept {
    const std::size_t at = rest.find(static_cast<char>(kSep));
    terminated = at != std::string_view::npos;
    std::string_view field = rest.substr(0, terminated ? at : rest.size());
    rest.remove_prefix(terminated ? at + 1 : rest.size());
    return field;
}

void DecodeRecord(std::string_view record, std::size_t offset, TOrdoParamList& list, TOrdoParamItem& item) {
    std::string_view rest = record;
    bool terminated = false;
    item.SetName(NextField(rest, terminated));
    const int dataType = ParseField(NextField(rest, terminated));
    const int paramType = ParseField(NextField(rest, terminated));
    const int isNull = ParseField(NextField(rest, terminated));
    const int length = ParseField(NextField(rest, terminated));
    // Each code is one byte, as the platform's fields hold it. A code that names no type (or no
    // parameter kind) of ours is kept as it came, so the list goes out again in the same bytes.
    item.SetDataType(static_cast<TFieldType>(static_cast<std::uint8_t>(dataType)));
    item.SetParamType(static_cast<TOrdoParamType>(static_cast<std::uint8_t>(paramType)));
    item.SetIsNull(false);
    if (isNull != 0) item.SetIsNull(true);
    if (length <= 0) return;
    if (!terminated || static_cast<std::size_t>(length) > rest.size()) {
        const std::string name = item.Name();
        list.Delete(list.Count() - 1);
        throw EOrdoParamException("Parameter list record at offset " + std::to_string(offset) + " ('" + name +
                                  "') claims a value of " + std::to_string(length) + " bytes, only " +
                                  std::to_string(terminated ? rest.size() : 0) + " left in the record");
    }
    item.SetValueBytes(AsBytes(rest.substr(0, static_cast<std::size_t>(length))));
}

}  // namespace

bool ParamBufferGrowth::Ensure(std::size_t needed) noexcept {
    bool grew = false;
    while (capacity_ < needed) {
        capacity_ += step_;
        if (step_ < kMaxStep) step_ *= 2;
        grew = true;
    }
    return grew;
}

std::size_t EncodedRecordSize(const TOrdoParamItem& item) {
    if (item.Name().find(static_cast<char>(kSep)) != std::string::npos)
        throw EOrdoParamException("Parameter name '" + item.Name() +
                                  "' holds the byte 0x06, which separates the fields of the encoding");
    const std::size_t body = RecordBody(item);
    if (body > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        throw EOrdoParamException("Parameter '" + item.Name() + "' is too large to encode: " +
                                  std::to_string(body) + " bytes");
    return 4 + body;
}

std::uint8_t* EncodeRecord(const TOrdoParamItem& item, std::size_t recordSize, std::uint8_t* p) noexcept {
    StoreI32LE(p, static_cast<std::int32_t>(recordSize - 4));
    p += 4;
    const std::string& name = item.Name();
    if (!name.empty()) std::memcpy(p, name.data(), name.size());
    p += name.size();
    *p++ = kSep;
    p = PutDecimal(p, item.DataType());
    *p++ = kSep;
    p = PutDecimal(p, item.ParamType());
    *p++ = kSep;
    *p++ = item.IsNull() ? '1' : '0';
    *p++ = kSep;
    const Bytes& value = item.ValueBytes();
    p = PutDecimal(p, value.size());
    *p++ = kSep;
    if (!value.empty()) std::memcpy(p, value.data(), value.size());
    return p + value.size();
}

Bytes EncodeParamList(const TOrdoParamList& list, bool inputOnly) {
    Bytes out;
    ParamBufferGrowth growth;
    std::size_t used = 0;
    for (const auto& item : list) {
        if (inputOnly && !item->IsInput()) continue;
        const std::size_t n = EncodedRecordSize(*item);
        // Resize only when the growth rule moves, so the buffer is touched once per step.
        const bool grew = growth.Ensure(used + n);
        if (grew || out.empty()) out.resize(growth.Capacity());
        EncodeRecord(*item, n, out.data() + used);
        used += n;
    }
    out.resize(used);
    return out;
}

void DecodeParamList(ByteView data, TOrdoParamList& list) {
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::size_t left = data.size() - pos;
        if (left < 4)
            throw EOrdoParamException("Parameter list truncated: a record length needs 4 bytes at offset " +
                                      std::to_string(pos) + ", " + std::to_string(left) + " left");
        const std::int32_t n = LoadI32LE(data.data() + pos);
        if (n < 0 || static_cast<std::size_t>(n) > left - 4)
            throw EOrdoParamException("Parameter list record at offset " + std::to_string(pos) + " claims " +
                                      std::to_string(n) + " bytes, " + std::to_string(left - 4) + " left");
        const std::string_view record = AsText(data.subspan(pos + 4, static_cast<std::size_t>(n)));
        DecodeRecord(record, pos, list, list.AddUnnamed());
        pos += 4 + static_cast<std::size_t>(n);
    }
}

}  // namespace ordo::detail
