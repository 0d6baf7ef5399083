#include "dataset/field.h"

#include <cstring>

#include "core/date_time.h"
#include "core/text_convert.h"
#include "core/wire.h"
#include "dataset/data_set.h"
#include "platform/codepage.h"
#include "resultset/field_list.h"

namespace ordo {

// ---- definitions ----

TFieldDef& TFieldDefs::Add(std::string_view name, TFieldType type, int size, bool required) {
    TFieldDef d;
    d.Name = std::string(name);
    d.DataType = type;
    d.Size = size;
    d.FieldNo = Count() + 1;
    d.Required = required;
    return defs_.emplace_back(std::move(d));
}

const TFieldDef& TFieldDefs::Items(int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return defs_[static_cast<std::size_t>(index)];
}

const TFieldDef* TFieldDefs::Find(std::string_view name) const noexcept {
    for (const TFieldDef& d : defs_)
        if (SameText(d.Name, name)) return &d;
    return nullptr;
}

// ---- fields ----

TField::TField(TDataSet& dataSet, std::string_view name, TFieldType type, int size, TFieldKind kind)
    : dataSet_(&dataSet), name_(name), type_(type), size_(size), kind_(kind) {}

int TField::DataSize() const noexcept { return FieldValueSize(type_, size_); }

bool TField::IsBlob() const noexcept { return IsBlobType(type_); }

bool TField::IsNull() const { return !dataSet_->GetFieldData(*this, nullptr); }

const Bytes& TField::ReadRaw(bool& present) const {
    scratch_.clear();
    present = dataSet_->GetFieldData(*this, &scratch_);
    return scratch_;
}

namespace {

bool IsMemoType(TFieldType t) { return t == ftMemo || t == ftFmtMemo || t == ftOraClob; }

// A value of full width is loaded where it lies: copying it into a padded buffer first made every amount read
// (a dozen a ledger row) wait for that copy. Only a shorter value is padded with zeros.
std::int64_t LoadIntLE(const Bytes& raw, std::size_t width) {
    std::uint8_t b[8] = {};
    const std::uint8_t* p = raw.data();
    if (raw.size() < width) {
        if (!raw.empty()) std::memcpy(b, raw.data(), raw.size());  // an empty value has no buffer
        p = b;
    }
    switch (width) {
        case 2: return LoadI16LE(p);
        case 4: return LoadI32LE(p);
        default: return LoadI64LE(p);
    }
}

double LoadDoubleLE(const Bytes& raw) {
    if (raw.size() >= 8) return LoadF64LE(raw.data());
    std::uint8_t b[8] = {};
    if (!raw.empty()) std::memcpy(b, raw.data(), raw.size());
    return LoadF64LE(b);
}

std::string TextUpToZero(const Bytes& raw) {
    const std::string_view all = AsText(raw);
    return std::string(all.substr(0, std::min(all.size(), all.find('\0'))));
}

std::string WideBytesToAnsi(const Bytes& raw) {
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        const auto unit = static_cast<char16_t>(LoadU16LE(raw.data() + i));
        if (unit == 0) break;
        wide.push_back(unit);
    }
    return WideToAnsi(wide);
}

Bytes Le(std::int64_t v, std::size_t width) {
    Bytes b(width);
    for (std::size_t i = 0; i < width; ++i) b[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(v) >> (8 * i));
    return b;
}

Bytes LeDouble(double v) {
    Bytes b(8);
    StoreF64LE(b.data(), v);
    return b;
}

}  // namespace

Variant TField::FromRaw(const Bytes& raw) const {
    switch (type_) {
        case ftString: case ftFixedChar: case ftGuid:
            return Variant(TextUpToZero(raw));
        case ftWideString:
            return Variant(WideBytesToAnsi(raw));
        case ftSmallint: return Variant(static_cast<std::int16_t>(LoadIntLE(raw, 2)));
        case ftWord: return Variant(static_cast<std::uint16_t>(LoadIntLE(raw, 2)));
        case ftBoolean: return Variant(LoadIntLE(raw, 2) != 0);
        case ftInteger: case ftAutoInc: return Variant(static_cast<std::int32_t>(LoadIntLE(raw, 4)));
        case ftDate: return Variant::FromDate(static_cast<double>(LoadIntLE(raw, 4) - DateDelta));
        case ftTime: return Variant::FromDate(static_cast<double>(LoadIntLE(raw, 4)) / MSecsPerDay);
        case ftDateTime: return Variant::FromDate(TimeStampToDateTime(MSecsToTimeStamp(LoadDoubleLE(raw))));
        case ftFloat: case ftCurrency: return Variant(LoadDoubleLE(raw));
        case ftBCD: return Variant(Currency::FromRaw(LoadIntLE(raw, 8)));
        case ftLargeint: return Variant(LoadIntLE(raw, 8));
        case ftBytes: case ftVarBytes: return Variant(raw);
        case ftTimeStamp:
            if (raw.size() < kSQLTimeStampSize) return Variant::Null();
            return Variant(LoadSQLTimeStamp(raw.data()));
        case ftFMTBcd:
            if (raw.size() < kBcdSize) return Variant::Null();
            return Variant(LoadBcd(raw.data()));
        default:
            return Variant::Null();
    }
}

Variant TField::Value() const {
    if (IsBlob()) {
        if (IsNull()) return Variant::Null();
        Bytes data = AsBytes();
        if (IsMemoType(type_)) return Variant(std::string(data.begin(), data.end()));
        return Variant(std::move(data));
    }
    bool present = false;
    const Bytes& raw = ReadRaw(present);
    return present ? FromRaw(raw) : Variant::Null();
}

Bytes TField::AsBytes() const {
    if (!IsBlob()) {
        bool present = false;
        const Bytes& raw = ReadRaw(present);
        return present ? raw : Bytes{};
    }
    std::unique_ptr<TStream> s = dataSet_->CreateBlobStream(const_cast<TField&>(*this), bmRead);
    if (!s) return {};
    Bytes out(static_cast<std::size_t>(s->Size()));
    s->SetPosition(0);
    s->ReadBuffer(out.data(), out.size());
    return out;
}

std::string TField::AsString() const {
    // Text is what walks read besides amounts (kinds, dates, codes): it is taken from the slot as the value
    // would hold it, without building the value and copying the text out of it again.
    if (type_ == ftString || type_ == ftFixedChar || type_ == ftGuid) {
        bool present = false;
        const Bytes& raw = ReadRaw(present);
        return present ? TextUpToZero(raw) : std::string();
    }
    const Variant v = Value();
    if (v.IsNull()) return {};
    switch (type_) {
        case ftDate: return DateToStr(v.AsDateTime());
        case ftTime: return TimeToStr(v.AsDateTime());
        case ftDateTime: return DateTimeToStr(v.AsDateTime());
        case ftBoolean: return v.AsBool() ? "True" : "False";
        case ftFloat: case ftCurrency: return FloatToStr(v.AsDouble());
        case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: case ftTypedBinary:
        case ftDataSet: case ftOraBlob: {
            const Bytes& b = v.AsBytes();
            return std::string(b.begin(), b.end());
        }
        default: return v.AsString();
    }
}

double TField::AsFloat() const {
    // Amounts are read a dozen to a row over many rows: the number comes straight from the slot, as the value's
    // own conversion would give it. Other types, and NULL (which cannot be a number), go the general way.
    switch (type_) {
        case ftFloat: case ftCurrency: case ftBCD: case ftLargeint: case ftInteger: case ftAutoInc: case ftSmallint:
        case ftWord: {
            bool present = false;
            const Bytes& raw = ReadRaw(present);
            if (!present) break;
            switch (type_) {
                case ftFloat: case ftCurrency: return LoadDoubleLE(raw);
                case ftBCD: return Currency::FromRaw(LoadIntLE(raw, 8)).ToDouble();
                case ftLargeint: return static_cast<double>(LoadIntLE(raw, 8));
                case ftWord: return static_cast<double>(static_cast<std::uint16_t>(LoadIntLE(raw, 2)));
                case ftSmallint: return static_cast<double>(static_cast<std::int16_t>(LoadIntLE(raw, 2)));
                default: return static_cast<double>(static_cast<std::int32_t>(LoadIntLE(raw, 4)));
            }
        }
        default: break;
    }
    return Value().AsDouble();
}
std::int32_t TField::AsInteger() const { return Value().AsInt(); }
std::int64_t TField::AsLargeInt() const { return Value().AsInt64(); }
bool TField::AsBoolean() const { return Value().AsBool(); }
TDateTime TField::AsDateTime() const { return Value().AsDateTime(); }
Currency TField::AsCurrency() const { return Value().AsCurrency(); }

Bytes TField::ToRaw(const Variant& v) const {
    switch (type_) {
        case ftString: case ftFixedChar: case ftGuid: {
            std::string s = v.AsString();
            if (s.size() > static_cast<std::size_t>(std::max(0, size_))) s.resize(static_cast<std::size_t>(std::max(0, size_)));
            return Bytes(s.begin(), s.end());
        }
        case ftWideString: {
            const std::u16string w = AnsiToWide(v.AsString());
            Bytes b;
            for (std::size_t i = 0; i < w.size() && i < static_cast<std::size_t>(std::max(0, size_)); ++i)
                AppendU16LE(b, static_cast<std::uint16_t>(w[i]));
            return b;
        }
        case ftSmallint: return Le(v.AsSmallint(), 2);
        case ftWord: return Le(v.AsWord(), 2);
        case ftBoolean: return Le(v.AsBool() ? -1 : 0, 2);
        case ftInteger: case ftAutoInc: return Le(v.AsInt(), 4);
        case ftDate: return Le(DateTimeToTimeStamp(v.AsDateTime()).Date, 4);
        case ftTime: return Le(DateTimeToTimeStamp(v.AsDateTime()).Time, 4);
        case ftDateTime: return LeDouble(TimeStampToMSecs(DateTimeToTimeStamp(v.AsDateTime())));
        case ftFloat: case ftCurrency: return LeDouble(v.AsDouble());
        case ftBCD: return Le(v.AsCurrency().Raw(), 8);
        case ftLargeint: return Le(v.AsInt64(), 8);
        case ftBytes: case ftVarBytes: {
            if (v.IsArray()) return v.AsBytes();
            const std::string s = v.AsString();
            return Bytes(s.begin(), s.end());
        }
        case ftTimeStamp: {
            Bytes b(kSQLTimeStampSize);
            StoreSQLTimeStamp(b.data(), v.AsSQLTimeStamp());
            return b;
        }
        case ftFMTBcd: {
            Bytes b(kBcdSize);
            StoreBcd(b.data(), v.AsBcd());
            return b;
        }
        default:
            return {};
    }
}

void TField::WriteRaw(const Bytes* raw) { dataSet_->SetFieldData(*this, raw); }

void TField::SetValue(const Variant& value) {
    if (value.IsNull() || value.IsEmpty()) {
        Clear();
        return;
    }
    if (IsBlob()) {
        if (value.IsArray()) {
            SetAsBytes(value.AsBytes());
        } else {
            const std::string s = value.AsString();
            SetAsBytes(ordo::AsBytes(s));
        }
        return;
    }
    const Bytes raw = ToRaw(value);
    WriteRaw(&raw);
}

void TField::SetAsString(std::string_view text) {
    switch (type_) {
        case ftString: case ftFixedChar: case ftGuid: case ftWideString: case ftBytes: case ftVarBytes:
            SetValue(Variant(text));
            return;
        default:
            if (IsBlob()) {
                SetAsBytes(ordo::AsBytes(text));
                return;
            }
            if (text.empty()) {
                Clear();
                return;
            }
            SetValue(Variant(text));
    }
}

void TField::SetAsBytes(ByteView bytes) {
    if (!IsBlob()) {
        const Bytes raw(bytes.begin(), bytes.end());
        WriteRaw(&raw);
        return;
    }
    std::unique_ptr<TStream> s = dataSet_->CreateBlobStream(*this, bmWrite);
    if (!s) return;
    s->WriteBytes(bytes);
    s.reset();  // the stream stores itself as it is freed
    dataSet_->RaisePendingError();
}

void TField::Clear() {
    if (IsBlob()) {
        SetAsBytes({});
        return;
    }
    WriteRaw(nullptr);
}

}  // namespace ordo
