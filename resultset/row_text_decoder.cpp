#include "resultset/row_text_codec.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "core/text_convert.h"
#include "core/wire.h"
#include "platform/codepage.h"
#include "resultset/blob_list.h"
#include "resultset/db_list.h"

namespace ordo {

namespace {

// A double escape turned into text. The shortest form that reads back to the same double,
// with the machine's decimal separator, so the field's own parse sees what a typed value gives.
void AppendDoubleText(std::string& out, double value) {
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (r.ec != std::errc{}) return;  // cannot happen for a finite double in 400 bytes
    const char sep = DecimalSeparator();
    for (char* p = buf; p != r.ptr; ++p)
        if (*p == '.') *p = sep;
    out.append(buf, r.ptr);
}

struct Column {
    TFieldType type;
    TOrdoSlot slot;
};

// A number escape of the row being gathered, kept as its value at the row-buffer offset where its text
// belongs. Amounts are most of a ledger row's bytes: a field that is nothing but one escape and whose
// column keeps that value as it came (a currency into a BCD slot, a double into a float slot) gets the
// value directly, which is what spelling it out and parsing it back gives. Every other field has the
// texts put in at their places first.
struct PendingNumber {
    enum Kind : std::uint8_t { kDouble, kCurrency };
    std::size_t at;
    Kind kind;
    std::int64_t bits;  // the escape's eight bytes

    [[nodiscard]] double Double() const noexcept { return std::bit_cast<double>(bits); }
    void AppendText(std::string& out) const {
        if (kind == kDouble) AppendDoubleText(out, Double());
        else out += CurrToStr(Currency::FromRaw(bits));
    }
};

class RowDecoder {
public:
    RowDecoder(const TOrdoDBList& rows, TOrdoBlobList& blobs) : blobs_(blobs) {
        const TOrdoFieldList& fl = rows.FieldList();
        columns_.reserve(static_cast<std::size_t>(fl.Count()));
        for (const TOrdoFieldItem& f : fl) columns_.push_back({f.Type(), f.Slot()});
    }

    std::vector<ByteView> side;
    std::vector<PendingNumber> numbers;

    void Decode(std::string_view row, TOrdoRowWriter& w) {
        std::size_t pos = 0;
        std::size_t next = 0;  // first number escape not yet given to a field
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            const int index = static_cast<int>(i);
            const void* hit = pos <= row.size() ? std::memchr(row.data() + pos, kRowFieldEnd, row.size() - pos) : nullptr;
            if (!hit) {
                // This field and all after it read as empty, whatever text or escapes trail without an end.
                pos = row.size() + 1;
                next = numbers.size();
                WriteField(index, columns_[i], {}, false, w);
                continue;
            }
            const auto end = static_cast<std::size_t>(static_cast<const char*>(hit) - row.data());
            const std::string_view text = row.substr(pos, end - pos);
            std::size_t last = next;  // this field's escapes are [next, last)
            while (last < numbers.size() && numbers[last].at <= end) ++last;
            if (last == next) {
                const bool isNull = text.size() == 1 && text[0] == kRowNull;
                WriteField(index, columns_[i], isNull ? std::string_view{} : text, isNull, w);
            } else if (!(last == next + 1 && text.empty() && WriteNumber(index, columns_[i], numbers[next], w))) {
                Splice(row, pos, end, next, last);
                WriteField(index, columns_[i], spliced_, false, w);
            }
            next = last;
            pos = end + 1;
        }
    }

private:
    /// A field that is exactly one number escape, written from its value when its column keeps the value
    /// as it came; false when the field has to go by its text.
    static bool WriteNumber(int i, const Column& c, const PendingNumber& n, TOrdoRowWriter& w) {
        if (n.kind == PendingNumber::kCurrency && c.type == ftBCD && n.bits != std::numeric_limits<std::int64_t>::min()) {
            w.WriteInt64(i, c.slot, n.bits, false);
            return true;
        }
        if (n.kind == PendingNumber::kDouble && (c.type == ftFloat || c.type == ftCurrency) && std::isfinite(n.Double())) {
            w.WriteDouble(i, c.slot, n.Double(), false);
            return true;
        }
        return false;
    }

    /// The field text of row[pos, end) with the texts of numbers[first, last) put in at their offsets.
    void Splice(std::string_view row, std::size_t pos, std::size_t end, std::size_t first, std::size_t last) {
        spliced_.clear();
        std::size_t from = pos;
        for (std::size_t k = first; k < last; ++k) {
            spliced_.append(row.substr(from, numbers[k].at - from));
            numbers[k].AppendText(spliced_);
            from = numbers[k].at;
        }
        if (from < end) spliced_.append(row.substr(from, end - from));
    }

    ByteView SideEntry(std::string_view text) const {
        const std::int32_t index = StrToIntDef(text, -1);
        if (index < 0 || static_cast<std::size_t>(index) >= side.size())
            throw EListError("List index out of bounds (" + std::to_string(index) + ")");
        return side[static_cast<std::size_t>(index)];
    }

    static double ParseFloat(std::string_view text) {
        double v = 0;
        return TryStrToFloat(text, v) ? v : 0.0;
    }

    void WriteDate(int i, const Column& c, std::string_view text, bool isNull, TOrdoRowWriter& w) {
        double v = 0;
        if (!(text.empty() || text == "0")) v = ParseFloat(text);
        if (v == 0) {
            w.WriteInt64(i, c.slot, 0, isNull);
            return;
        }
        const TTimeStamp ts = DateTimeToTimeStamp(v);
        if (c.type == ftDate) w.WriteInt32(i, c.slot, ts.Date, isNull);
        else if (c.type == ftTime) w.WriteInt32(i, c.slot, ts.Time, isNull);
        else w.WriteDouble(i, c.slot, TimeStampToMSecs(ts), isNull);
    }

    void WriteBlob(int i, const Column& c, std::string_view text, TOrdoRowWriter& w) {
        if (text.empty()) {
            w.WriteInt32(i, c.slot, 0, true);
            return;
        }
        const ByteView bytes = SideEntry(text);
        if (bytes.empty()) {
            w.WriteInt32(i, c.slot, 0, true);
            return;
        }
        w.WriteInt32(i, c.slot, blobs_.AddBlob(bytes, i + 1), false);
    }

    void WriteField(int i, const Column& c, std::string_view text, bool isNull, TOrdoRowWriter& w) {
        switch (c.type) {
            case ftString: case ftFixedChar: case ftGuid:
                w.WriteTextIntoZeroed(i, c.slot, text, isNull);  // the row was just added
                break;
            case ftWideString:
                w.WriteWideText(i, c.slot, AnsiToWide(text), isNull);
                break;
            case ftSmallint: case ftWord:
                w.WriteInt16(i, c.slot, static_cast<std::int16_t>(StrToIntDef(text, 0)), isNull);
                break;
            case ftInteger: case ftAutoInc:
                w.WriteInt32(i, c.slot, StrToIntDef(text, 0), isNull);
                break;
            case ftBoolean:
                w.WriteInt16(i, c.slot, text == "1" ? -1 : 0, isNull);
                break;
            case ftFloat: case ftCurrency:
                w.WriteDouble(i, c.slot, ParseFloat(text), isNull);
                break;
            case ftBCD: {
                Currency cur;
                w.WriteInt64(i, c.slot, TryStrToCurr(text, cur) ? cur.Raw() : 0, isNull);
                break;
            }
            case ftDate: case ftTime: case ftDateTime:
                WriteDate(i, c, text, isNull, w);
                break;
            case ftTimeStamp: {
                const double v = ParseFloat(text);
                w.WriteTimeStamp(i, c.slot, v == 0 ? TSQLTimeStamp{} : DateTimeToSQLTimeStamp(v), isNull);
                break;
            }
            case ftFMTBcd: {
                TBcd bcd;
                if (!TryStrToBcd(text, bcd)) bcd = TBcd{};
                w.WriteBcd(i, c.slot, bcd, isNull);
                break;
            }
            case ftLargeint:
                w.WriteInt64(i, c.slot, StrToInt64Def(text, 0), isNull);
                break;
            case ftBytes: case ftVarBytes:
                if (text.empty()) w.WriteBytes(i, c.slot, {}, true);
                else w.WriteBytes(i, c.slot, SideEntry(text), false);
                break;
            case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftTypedBinary:
            case ftDataSet: case ftOraBlob: case ftOraClob:
                WriteBlob(i, c, text, w);
                break;
            default:
                break;
        }
    }

    TOrdoBlobList& blobs_;
    std::vector<Column> columns_;
    std::string spliced_;
};

}  // namespace

TOrdoRowsDecoded DecodeRows(std::string_view text, TOrdoDBList& rows, TOrdoBlobList& blobs,
                            const TOrdoRowHooks& hooks) {
    TOrdoRowsDecoded result;
    RowDecoder decoder(rows, blobs);
    std::string buf;
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        std::size_t run = i;
        while (run < n && !IsRowEscapeByte(static_cast<char>(p[run]))) ++run;
        buf.append(text.data() + i, run - i);
        if (run == n) break;
        i = run;
        switch (static_cast<char>(p[i])) {
            case kRowEnd: {
                if (buf == "NULL" && decoder.numbers.empty()) {
                    result.EndOfData = true;
                    return result;
                }
                const int at = hooks.AppendRow ? hooks.AppendRow(rows) : rows.AddRow(rows.Count() + 1);
                ++result.Rows;
                TOrdoRowWriter w = rows.Writer(at);
                decoder.Decode(buf, w);
                decoder.side.clear();
                decoder.numbers.clear();
                buf.clear();
                ++i;
                if (hooks.RowDecoded) hooks.RowDecoded(at);
                if (hooks.Progress) hooks.Progress(i);
                break;
            }
            case kRowDouble:
                if (n - i < 9) return result;  // a cut escape: no complete row can follow
                decoder.numbers.push_back({buf.size(), PendingNumber::kDouble, LoadI64LE(p + i + 1)});
                i += 9;
                break;
            case kRowCurrency:
                if (n - i < 9) return result;
                decoder.numbers.push_back({buf.size(), PendingNumber::kCurrency, LoadI64LE(p + i + 1)});
                i += 9;
                break;
            case kRowBcd:
                if (n - i < 35) return result;
                buf += BcdToStr(LoadBcd(p + i + 1));
                i += 35;
                break;
            case kRowBinary: {
                if (n - i < 5) return result;
                const std::int32_t len = LoadI32LE(p + i + 1);
                i += 5;
                if (len > 0) {
                    if (static_cast<std::size_t>(len) > n - i) return result;
                    buf += std::to_string(decoder.side.size());
                    decoder.side.emplace_back(p + i, static_cast<std::size_t>(len));
                    i += static_cast<std::size_t>(len);
                }
                break;
            }
        }
    }
    return result;
}

}  // namespace ordo
