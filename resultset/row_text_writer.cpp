#include "resultset/row_text_codec.h"

#include "core/errors.h"
#include "core/wire.h"

namespace ordo {

void TOrdoRowTextWriter::AddText(std::string_view text) {
    for (const char c : text) {
        if (c == kRowFieldEnd || IsRowEscapeByte(c))
            throw EOrdoProtocolError("Text value holds the control byte " +
                                     std::to_string(static_cast<unsigned char>(c)) + ", which row text cannot carry");
    }
    if (text.size() == 1 && text[0] == kRowNull)
        throw EOrdoProtocolError("Text value of the single byte 3 would read as NULL");
    out_.append(text);
    out_ += kRowFieldEnd;
}

void TOrdoRowTextWriter::AddNull() {
    out_ += kRowNull;
    out_ += kRowFieldEnd;
}

void TOrdoRowTextWriter::AddInteger(std::int64_t value) {
    out_ += std::to_string(value);
    out_ += kRowFieldEnd;
}

void TOrdoRowTextWriter::AddBoolean(bool value) {
    out_ += value ? '1' : '0';
    out_ += kRowFieldEnd;
}

void TOrdoRowTextWriter::AddFloat(double value) {
    out_ += kRowDouble;
    AppendF64LE(out_, value);
    out_ += kRowFieldEnd;
}

void TOrdoRowTextWriter::AddCurrency(Currency value) {
    out_ += kRowCurrency;
    AppendI64LE(out_, value.Raw());
    out_ += kRowFieldEnd;
}

void TOrdoRowTextWriter::AddBcd(const TBcd& value) {
    std::uint8_t rec[kBcdSize];
    StoreBcd(rec, value);
    out_ += kRowBcd;
    out_.append(reinterpret_cast<const char*>(rec), kBcdSize);
    out_ += kRowFieldEnd;
}

void TOrdoRowTextWriter::AddBinary(ByteView bytes) {
    if (bytes.size() > 0x7FFFFFFF) throw EOrdoProtocolError("Binary value of " + std::to_string(bytes.size()) + " bytes is too long");
    out_ += kRowBinary;
    AppendI32LE(out_, static_cast<std::int32_t>(bytes.size()));
    out_.append(AsText(bytes));
    out_ += kRowFieldEnd;
}

void TOrdoRowTextWriter::EndRow() { out_ += kRowEnd; }

void TOrdoRowTextWriter::EndOfData() {
    out_ += "NULL";
    out_ += kRowEnd;
}

std::string TOrdoRowTextWriter::Take() noexcept {
    std::string s = std::move(out_);
    out_.clear();
    return s;
}

}  // namespace ordo
