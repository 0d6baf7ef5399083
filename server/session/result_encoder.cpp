#include "server/session/result_encoder.h"

#include <ibase.h>

#include <cstdint>
#include <limits>

#include "core/bcd.h"
#include "core/currency.h"
#include "core/field_type.h"

namespace ordo::server {
namespace {

constexpr unsigned kCharsetOctets = 1;

bool IsNumericSubtype(const FbColumn& c) { return c.scale < 0 || c.subType == 1 || c.subType == 2; }

TFieldType TypeFor(const FbColumn& c) {
    switch (c.type) {
        case SQL_TEXT:
        case SQL_VARYING: return c.charSet == kCharsetOctets ? ftVarBytes : ftString;
        case SQL_SHORT: return IsNumericSubtype(c) ? ftBCD : ftSmallint;
        case SQL_LONG: return IsNumericSubtype(c) ? ftBCD : ftInteger;
        case SQL_INT64: return IsNumericSubtype(c) ? ftBCD : ftLargeint;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT: return ftFloat;
        case SQL_TYPE_DATE: return ftDate;
        case SQL_TYPE_TIME: return ftTime;
        case SQL_TIMESTAMP: return ftDateTime;
        case SQL_BOOLEAN: return ftBoolean;
        case SQL_BLOB: return c.subType == 1 ? ftMemo : ftBlob;
        default: return ftString;  // arrays and the like travel as NULL text
    }
}

std::int64_t Pow10(int n) {
    std::int64_t v = 1;
    while (n-- > 0) v *= 10;
    return v;
}

}  // namespace

std::string DecimalText(std::int64_t unscaled, int scale) {
    bool negative = unscaled < 0;
    std::uint64_t mag = negative ? 0 - static_cast<std::uint64_t>(unscaled) : static_cast<std::uint64_t>(unscaled);
    std::string digits = std::to_string(mag);
    if (scale > 0) {
        if (digits.size() <= static_cast<std::size_t>(scale))
            digits.insert(0, static_cast<std::size_t>(scale) + 1 - digits.size(), '0');
        digits.insert(digits.size() - static_cast<std::size_t>(scale), 1, '.');
    }
    return negative ? "-" + digits : digits;
}

bool DecimalToCurrency(std::int64_t unscaled, int scale, Currency& out) noexcept {
    if (scale < 0 || scale > 4) return false;
    std::int64_t factor = Pow10(4 - scale);
    std::int64_t limit = std::numeric_limits<std::int64_t>::max() / factor;
    if (unscaled > limit || unscaled < -limit) return false;
    out = Currency::FromRaw(unscaled * factor);
    return true;
}

namespace {

/// Amounts travel as currency (four decimals) when that holds them exactly, else as BCD.
void AddDecimal(TOrdoRowTextWriter& w, std::int64_t unscaled, int scale) {
    Currency money;
    if (DecimalToCurrency(unscaled, scale, money)) {
        w.AddCurrency(money);
        return;
    }
    TBcd bcd;
    if (TryStrToBcd(DecimalText(unscaled, scale), bcd)) {
        w.AddBcd(bcd);
    } else {
        w.AddFloat(static_cast<double>(unscaled) / static_cast<double>(Pow10(scale)));
    }
}

}  // namespace

TOrdoFieldDef FieldDefFor(const FbColumn& c) {
    TOrdoFieldDef def;
    def.Name = c.name;
    TFieldType t = TypeFor(c);
    def.DataType = t;
    switch (t) {
        case ftString:
        case ftVarBytes: def.Size = static_cast<int>(c.length == 0 ? 1 : c.length); break;
        case ftBCD: def.Size = c.scale < 0 ? -c.scale : 0; break;
        default: def.Size = 0; break;
    }
    return def;
}

std::vector<TOrdoFieldDef> FieldDefsFor(const std::vector<FbColumn>& columns) {
    std::vector<TOrdoFieldDef> defs;
    defs.reserve(columns.size());
    for (const auto& c : columns) defs.push_back(FieldDefFor(c));
    return defs;
}

bool ReplaceRowTextControls(std::string& text) {
    bool changed = false;
    if (text == "\x03") {
        text = "?";
        return true;
    }
    for (char& ch : text) {
        if (ch == '\x02' || (ch >= '\x04' && ch <= '\x08')) {
            ch = '?';
            changed = true;
        }
    }
    return changed;
}

int AppendRow(TOrdoRowTextWriter& w, const std::vector<FbColumn>& columns, const FbRow& row) {
    int replaced = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const FbCell& v = i < row.size() ? row[i] : FbCell{};
        TFieldType t = TypeFor(columns[i]);
        switch (v.kind) {
            case FbCellKind::Null: w.AddNull(); break;
            case FbCellKind::Integer:
                if (t == ftBCD) AddDecimal(w, v.integer, 0);
                else w.AddInteger(v.integer);
                break;
            case FbCellKind::Decimal: AddDecimal(w, v.integer, v.scale); break;
            case FbCellKind::Real: w.AddFloat(v.real); break;
            case FbCellKind::Date:
            case FbCellKind::Time:
            case FbCellKind::Timestamp: w.AddDateTime(v.real); break;
            case FbCellKind::Boolean: w.AddBoolean(v.integer != 0); break;
            case FbCellKind::Binary: w.AddBinary(AsBytes(v.bytes)); break;
            case FbCellKind::Text:
                if (t == ftMemo) {
                    w.AddBinary(AsBytes(v.bytes));
                } else {
                    std::string text = v.bytes;
                    if (ReplaceRowTextControls(text)) ++replaced;
                    w.AddText(text);
                }
                break;
        }
    }
    w.EndRow();
    return replaced;
}

}  // namespace ordo::server
