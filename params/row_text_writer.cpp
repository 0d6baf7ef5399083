#include "params/row_text_codec.h"

#include "platform/errors.h"
#include "platform/wire.h"

namespace ordo {

namespace {
constexpr char kFieldEnd = '\x02';
constexpr char kNull = '\x03';
constexpr char kRowEnd = '\x04';
}  // namespace

void TOrdoRowTextWriter::AddText(std::string_view text) {
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0x02 || (b >= 0x04 && b <= 0x08))
            throw EOrdoProtocolError("Text value holds the control byte " + std::to_string(b) +
                                     ", which row text cannot carry");
    }
    if (text.size() == 1 && text[0] == kNull)
        throw EOrdoProtocolError("Text value of the single byte 3 would read as NULL");
    out_.append(text);
    out_ += kFieldEnd;
}

void TOrdoRowTextWriter::AddNull() {
    out_ += kNull;
    out_ += kFieldEnd;
}

void TOrdoRowTextWriter::AddInteger(std::int64_t value) {
    out_ += std::to_string(value);
    out_ += kFieldEnd;
}

void TOrdoRowTextWriter::AddBoolean(bool value) {
    out_ += value ? '1' : '0';
    out_ += kFieldEnd;
}

void TOrdoRowTextWriter::AddFloat(double value) {
    out_ += '\x05';
    AppendF64LE(out_, value);
    out_ += kFieldEnd;
}

void TOrdoRowTextWriter::AddCurrency(Currency value) {
    out_ += '\x08';
    AppendI64LE(out_, value.Raw());
    out_ += kFieldEnd;
}

void TOrdoRowTextWriter::AddBcd(const TBcd& value) {
    std::uint8_t rec[kBcdSize];
    StoreBcd(rec, value);
    out_ += '\x07';
    out_.append(reinterpret_cast<const char*>(rec), kBcdSize);
    out_ += kFieldEnd;
}

void TOrdoRowTextWriter::AddBinary(ByteView bytes) {
    if (bytes.size() > 0x7FFFFFFF) throw EOrdoProtocolError("Binary value of " + std::to_string(bytes.size()) + " bytes is too long");
    out_ += '\x06';
    AppendI32LE(out_, static_cast<std::int32_t>(bytes.size()));
    out_.append(AsText(bytes));
    out_ += kFieldEnd;
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
