#include "client/client_update_sql.h"

#include <charconv>
#include <cstdio>

#include "core/date_time.h"
#include "core/errors.h"
#include "core/text_convert.h"
#include "platform/codepage.h"

namespace ordo {
namespace {

constexpr int kDayOfDelphiEpoch = 693594;  // day number of 1899-12-30 when 0001-01-01 is day 1
constexpr double kMsPerDay = 86400000.0;

bool Contains(const std::vector<std::string>& names, const std::string& name) {
    for (const auto& n : names)
        if (SameText(Trim(n), name)) return true;
    return false;
}

std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    out += '\'';
    return out;
}

std::string NumberText(double value) {
    char buf[64];
    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    if (ec != std::errc()) return "0";
    return std::string(buf, end);
}

std::string ScaledText(std::int64_t raw) {
    const bool negative = raw < 0;
    const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(raw) : static_cast<std::uint64_t>(raw);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "", static_cast<unsigned long long>(magnitude / 10000),
                  static_cast<unsigned long long>(magnitude % 10000));
    return buf;
}

std::string DateText(TDateTime value) {
    int y = 0, m = 0, d = 0;
    DecodeDate(value, y, m, d);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", y, m, d);
    return buf;
}

std::string TimeText(TDateTime value) {
    int h = 0, n = 0, s = 0, ms = 0;
    DecodeTime(value, h, n, s, ms);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", h, n, s);
    return buf;
}

std::optional<std::string> ValueLiteral(const TOrdoFieldItem& f, const TOrdoRowReader& row, bool booleanAsInteger) {
    const TOrdoSlot slot = f.Slot();
    switch (f.Type()) {
        case ftString: case ftFixedChar: case ftGuid: return Quoted(row.Text(slot));
        case ftWideString: return Quoted(WideToAnsi(row.WideText(slot)));
        case ftSmallint: return IntToStr(row.Int16(slot));
        case ftWord: return IntToStr(row.UInt16(slot));
        case ftInteger: case ftAutoInc: return IntToStr(row.Int32(slot));
        case ftLargeint: return IntToStr(row.Int64(slot));
        case ftBoolean: {
            const bool v = row.Int16(slot) != 0;
            return booleanAsInteger ? std::string(v ? "1" : "0") : std::string(v ? "TRUE" : "FALSE");
        }
        case ftFloat: case ftCurrency: return NumberText(row.Double(slot));
        case ftBCD: return ScaledText(row.Int64(slot));
        case ftDate: return Quoted(DateText(row.Int32(slot) - kDayOfDelphiEpoch));
        case ftTime: return Quoted(TimeText(row.Int32(slot) / kMsPerDay));
        case ftDateTime: {
            const TDateTime v = row.Double(slot) / kMsPerDay - kDayOfDelphiEpoch;
            return Quoted(DateText(v) + " " + TimeText(v));
        }
        case ftTimeStamp: {
            TDateTime v = 0;
            if (!TrySQLTimeStampToDateTime(row.TimeStamp(slot), v)) return "NULL";
            return Quoted(DateText(v) + " " + TimeText(v));
        }
        default: return std::nullopt;
    }
}

bool Written(const TOrdoFieldItem& f, const TOrdoUpdateSQLSettings& s) {
    if (Contains(s.NoSQLFields, f.FieldName)) return false;
    const bool autoInc = f.Type() == ftAutoInc || SameText(f.FieldName, s.AutoIncrementField);
    return !autoInc || s.SQLOptions.Contains(soIgnoreAutoIncrement);
}

std::string Condition(const TOrdoFieldItem& f, int index, const TOrdoRowReader& row, const TOrdoUpdateSQLSettings& s) {
    std::optional<std::string> v = SQLLiteral(f, index, row, s.BooleanAsInteger);
    if (!v) return {};
    return *v == "NULL" ? f.FieldName + " IS NULL" : f.FieldName + " = " + *v;
}

bool Changed(const TOrdoFieldItem& f, int index, const TOrdoRowReader& a, const TOrdoRowReader& b) {
    if (a.HasValue(index) != b.HasValue(index)) return true;
    if (!a.HasValue(index)) return false;
    ByteView x = a.Slot(f.Slot()), y = b.Slot(f.Slot());
    return !std::equal(x.begin(), x.end(), y.begin(), y.end());
}

// The WHERE clause finds the row by its values as fetched: the prime fields, every column, or
// the prime fields and the changed columns.
std::string WhereClause(const TOrdoFieldList& fields, const TOrdoRowReader& oldRow, const TOrdoRowReader* newRow,
                        const TOrdoUpdateSQLSettings& s) {
    std::string where;
    for (int i = 0; i < fields.Count(); ++i) {
        const TOrdoFieldItem& f = fields.Items(i);
        const bool prime = Contains(s.PrimeFields, f.FieldName);
        bool use = prime;
        if (s.UpdateMode == upWhereAll || s.PrimeFields.empty()) use = true;
        if (s.UpdateMode == upWhereChanged && newRow != nullptr && Changed(f, i, oldRow, *newRow)) use = true;
        if (!use) continue;
        std::string c = Condition(f, i, oldRow, s);
        if (c.empty()) continue;
        where += where.empty() ? " WHERE " : " AND ";
        where += c;
    }
    if (where.empty()) throw EDatabaseError("No column can identify the row of " + s.TableName);
    return where;
}

}  // namespace

std::optional<std::string> SQLLiteral(const TOrdoFieldItem& field, int index, const TOrdoRowReader& row,
                                      bool booleanAsInteger) {
    std::optional<std::string> v = ValueLiteral(field, row, booleanAsInteger);
    if (v && !row.HasValue(index)) return std::string("NULL");
    return v;
}

std::string InsertStatement(const TOrdoFieldList& fields, const TOrdoRowReader& row, const TOrdoUpdateSQLSettings& s) {
    std::string names, values;
    for (int i = 0; i < fields.Count(); ++i) {
        const TOrdoFieldItem& f = fields.Items(i);
        if (!Written(f, s)) continue;
        std::optional<std::string> v = SQLLiteral(f, i, row, s.BooleanAsInteger);
        if (!v) continue;
        if (!names.empty()) {
            names += ", ";
            values += ", ";
        }
        names += f.FieldName;
        values += *v;
    }
    return "INSERT INTO " + s.TableName + " (" + names + ") VALUES (" + values + ")";
}

std::string UpdateStatement(const TOrdoFieldList& fields, const TOrdoRowReader& oldRow, const TOrdoRowReader& newRow,
                            const TOrdoUpdateSQLSettings& s) {
    std::string sets;
    for (int i = 0; i < fields.Count(); ++i) {
        const TOrdoFieldItem& f = fields.Items(i);
        if (!Written(f, s) || !Changed(f, i, oldRow, newRow)) continue;
        std::optional<std::string> v = SQLLiteral(f, i, newRow, s.BooleanAsInteger);
        if (!v) continue;
        sets += sets.empty() ? "" : ", ";
        sets += f.FieldName + " = " + *v;
    }
    if (sets.empty()) return {};
    return "UPDATE " + s.TableName + " SET " + sets + WhereClause(fields, oldRow, &newRow, s);
}

std::string DeleteStatement(const TOrdoFieldList& fields, const TOrdoRowReader& oldRow, const TOrdoUpdateSQLSettings& s) {
    return "DELETE FROM " + s.TableName + WhereClause(fields, oldRow, nullptr, s);
}

}  // namespace ordo
