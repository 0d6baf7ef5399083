#pragma once
// Row text: the rows of a select reply. Each row is its field texts, each followed by 0x02,
// then 0x04. A field text of the single byte 0x03 is NULL. Numbers may travel as tagged binary
// escapes (0x05 double, 0x08 currency, 0x07 BCD) that the receiver turns into text, and byte
// values travel as 0x06 + 32-bit length + bytes, replaced in the row by an index into a side
// list. A row that reads "NULL" ends the payload.
//
// Server side:
//   TOrdoRowTextWriter w;
//   w.AddInteger(42); w.AddText("abc"); w.AddNull(); w.EndRow();
//   w.EndOfData();                    // optional "NULL" row
//   reply(w.Take());
// Client side:
//   DecodeRows(text, rows, blobs, hooks);
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/bcd.h"
#include "core/bytes.h"
#include "core/currency.h"

namespace ordo {

class TOrdoDBList;
class TOrdoBlobList;

/// The bytes that shape row text, the same for the writer and the decoder.
inline constexpr char kRowFieldEnd = '\x02';
inline constexpr char kRowNull = '\x03';
inline constexpr char kRowEnd = '\x04';
inline constexpr char kRowDouble = '\x05';   ///< + 8 bytes
inline constexpr char kRowBinary = '\x06';   ///< + 32-bit length + bytes
inline constexpr char kRowBcd = '\x07';      ///< + the BCD record
inline constexpr char kRowCurrency = '\x08'; ///< + 8 bytes
/// A byte that starts a row's end or an escape: a text value cannot carry it.
constexpr bool IsRowEscapeByte(char c) noexcept { return c >= kRowEnd && c <= kRowCurrency; }

class TOrdoRowTextWriter {
public:
    /// Raises EOrdoProtocolError when the text holds 0x02 or 0x04 .. 0x08, or is the single
    /// byte 0x03: either would be read back as something else.
    void AddText(std::string_view text);
    void AddNull();
    void AddInteger(std::int64_t value);
    /// "1" or "0".
    void AddBoolean(bool value);
    /// As a tagged double, so no decimal separator travels.
    void AddFloat(double value);
    /// A date-time number (days since 1899-12-30), for date, time and timestamp columns.
    void AddDateTime(double value) { AddFloat(value); }
    void AddCurrency(Currency value);
    void AddBcd(const TBcd& value);
    /// For byte and blob columns; empty bytes read back as NULL.
    void AddBinary(ByteView bytes);
    void EndRow();
    /// The "NULL" row that tells the receiver no rows follow.
    void EndOfData();

    [[nodiscard]] const std::string& Text() const noexcept { return out_; }
    [[nodiscard]] std::size_t Size() const noexcept { return out_.size(); }
    /// Hands the text over and starts again empty.
    std::string Take() noexcept;
    void Reserve(std::size_t bytes) { out_.reserve(bytes); }

private:
    std::string out_;
};

/// What DecodeRows asks of the data set it fills.
struct TOrdoRowHooks {
    /// Adds a row (AddRow with the data set's next RowId) and returns its index; the row's record
    /// must be all zero bytes, as AddRow makes it. When empty, the row is appended with RowId =
    /// row count + 1.
    std::function<int(TOrdoDBList& rows)> AppendRow;
    /// Called after a row's fields have been written.
    std::function<void(int rowIndex)> RowDecoded;
    /// Called after each row with the payload offset reached.
    std::function<void(std::size_t bytePos)> Progress;
};

struct TOrdoRowsDecoded {
    int Rows = 0;            ///< rows added
    bool EndOfData = false;  ///< the payload held the "NULL" row
};

/// Decodes every row of `text` into `rows` (whose layout must be computed) and `blobs`.
/// Bad numbers and dates give 0. A side-list index that names no entry raises EListError
/// "List index out of bounds (i)"; the rows decoded before stay, and so does the row being
/// decoded, with the fields written so far.
TOrdoRowsDecoded DecodeRows(std::string_view text, TOrdoDBList& rows, TOrdoBlobList& blobs,
                            const TOrdoRowHooks& hooks = {});

}  // namespace ordo
