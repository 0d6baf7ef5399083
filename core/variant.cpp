#include "core/variant.h"

#include <cmath>
#include <iterator>
#include <limits>

#include "core/decimal_digits.h"
#include "core/errors.h"
#include "core/text_convert.h"

namespace ordo {
namespace {

// Index of each alternative in Variant's storage, in declaration order.
constexpr TVarType kKinds[] = {varEmpty,    varNull,  varShortInt, varByte,   varSmallint, varWord,
                               varInteger,  varLongWord, varInt64, varSingle, varDouble,   varCurrency,
                               varDate,     varString, varBoolean, varByteArray, varSQLTimeStamp, varFMTBcd,
                               varDispatch};

/// "True"/"False" in any letter case, as the platform's variant text reads them.
bool TextToBool(std::string_view s, bool& out) {
    const std::string_view t = Trim(s);
    if (SameText(t, "True")) out = true;
    else if (SameText(t, "False")) out = false;
    else return false;
    return true;
}

/// Rounds half to even and checks the target range.
bool DoubleToInt64(double v, std::int64_t& out) {
    if (!std::isfinite(v)) return false;
    const double r = std::nearbyint(v);
    if (r >= 9223372036854775808.0 || r < -9223372036854775808.0) return false;
    out = static_cast<std::int64_t>(r);
    return true;
}

std::int64_t CurrencyToInt(Currency c) {
    // Whole units rounded half to even, without going through a double.
    const std::int64_t q = c.Raw() / Currency::kScale;
    const std::int64_t rem = c.Raw() % Currency::kScale;
    const std::int64_t half = Currency::kScale / 2;
    if (rem > half || (rem == half && (q & 1) != 0)) return q + 1;
    if (rem < -half || (rem == -half && (q & 1) != 0)) return q - 1;
    return q;
}

}  // namespace

const char* VarTypeName(TVarType type) noexcept {
    switch (type) {
        case varEmpty: return "Empty";
        case varNull: return "Null";
        case varSmallint: return "Smallint";
        case varInteger: return "Integer";
        case varSingle: return "Single";
        case varDouble: return "Double";
        case varCurrency: return "Currency";
        case varDate: return "Date";
        case varDispatch: return "Dispatch";
        case varBoolean: return "Boolean";
        case varShortInt: return "ShortInt";
        case varByte: return "Byte";
        case varWord: return "Word";
        case varLongWord: return "LongWord";
        case varInt64: return "Int64";
        case varString: return "String";
        case varSQLTimeStamp: return "SQLTimeStamp";
        case varFMTBcd: return "FMTBcd";
        case varByteArray: return "Array Byte";
    }
    return "Unknown";
}

void RaiseVarCastError(TVarType from, TVarType to) {
    throw EVariantError(std::string("Could not convert variant of type (") + VarTypeName(from) + ") into type (" +
                        VarTypeName(to) + ")");
}

TVarType Variant::VarType() const noexcept {
    static_assert(std::size(kKinds) == std::variant_size_v<Storage>, "one kind per stored type");
    return kKinds[v_.index()];
}

void Variant::CastError(TVarType target) const { RaiseVarCastError(VarType(), target); }

std::int64_t Variant::ArrayHighBound() const {
    if (const Bytes* b = TryGet<Bytes>()) return static_cast<std::int64_t>(b->size()) - 1;
    CastError(varByteArray);
}

std::string Variant::AsString() const {
    switch (VarType()) {
        case varEmpty: return {};
        case varShortInt: return IntToStr(std::get<std::int8_t>(v_));
        case varByte: return IntToStr(std::get<std::uint8_t>(v_));
        case varSmallint: return IntToStr(std::get<std::int16_t>(v_));
        case varWord: return IntToStr(std::get<std::uint16_t>(v_));
        case varInteger: return IntToStr(std::get<std::int32_t>(v_));
        case varLongWord: return IntToStr(std::get<std::uint32_t>(v_));
        case varInt64: return IntToStr(std::get<std::int64_t>(v_));
        // A single has about 7 significant digits; more would print its binary noise.
        case varSingle: return detail::GeneralFloatText(std::get<float>(v_), 7, DecimalSeparator());
        case varDouble: return FloatToStr(std::get<double>(v_));
        case varCurrency: return CurrToStr(std::get<Currency>(v_));
        case varDate: return DateTimeToStr(std::get<DateValue>(v_).days);
        case varString: return std::get<std::string>(v_);
        case varBoolean: return std::get<bool>(v_) ? "True" : "False";
        case varSQLTimeStamp: return SQLTimeStampToStr(std::get<TSQLTimeStamp>(v_));
        case varFMTBcd: return BcdToStr(std::get<TBcd>(v_));
        default: CastError(varString);
    }
}

std::int64_t Variant::AsInt64() const { return IntegerValue(varInt64); }

std::int64_t Variant::IntegerValue(TVarType target) const {
    std::int64_t r = 0;
    switch (VarType()) {
        case varEmpty: return 0;
        case varShortInt: return std::get<std::int8_t>(v_);
        case varByte: return std::get<std::uint8_t>(v_);
        case varSmallint: return std::get<std::int16_t>(v_);
        case varWord: return std::get<std::uint16_t>(v_);
        case varInteger: return std::get<std::int32_t>(v_);
        case varLongWord: return std::get<std::uint32_t>(v_);
        case varInt64: return std::get<std::int64_t>(v_);
        case varBoolean: return std::get<bool>(v_) ? -1 : 0;
        case varCurrency: return CurrencyToInt(std::get<Currency>(v_));
        case varString: {
            const std::string& s = std::get<std::string>(v_);
            double d = 0;
            bool b = false;
            if (TryStrToInt64(s, r)) return r;
            if (TryStrToFloat(s, d) && DoubleToInt64(d, r)) return r;
            if (TextToBool(s, b)) return b ? -1 : 0;
            break;
        }
        case varFMTBcd:
            if (TryStrToInt64(BcdToStr(std::get<TBcd>(v_), '.'), r)) return r;
            if (DoubleToInt64(BcdToDouble(std::get<TBcd>(v_)), r)) return r;
            break;
        case varSingle: case varDouble: case varDate: case varSQLTimeStamp:
            if (DoubleToInt64(AsDouble(), r)) return r;
            break;
        default: break;
    }
    CastError(target);
}

namespace {
template <class T>
T NarrowOrFail(std::int64_t v, TVarType from, TVarType to) {
    // Out of the target's range is a failed conversion, never a silent wrap.
    if (v < std::numeric_limits<T>::min() || v > static_cast<std::int64_t>(std::numeric_limits<T>::max()))
        RaiseVarCastError(from, to);
    return static_cast<T>(v);
}
}  // namespace

std::int8_t Variant::AsShortInt() const { return NarrowOrFail<std::int8_t>(IntegerValue(varShortInt), VarType(), varShortInt); }
std::uint8_t Variant::AsByte() const { return NarrowOrFail<std::uint8_t>(IntegerValue(varByte), VarType(), varByte); }
std::int16_t Variant::AsSmallint() const { return NarrowOrFail<std::int16_t>(IntegerValue(varSmallint), VarType(), varSmallint); }
std::uint16_t Variant::AsWord() const { return NarrowOrFail<std::uint16_t>(IntegerValue(varWord), VarType(), varWord); }
std::int32_t Variant::AsInt() const { return NarrowOrFail<std::int32_t>(IntegerValue(varInteger), VarType(), varInteger); }
std::uint32_t Variant::AsLongWord() const { return NarrowOrFail<std::uint32_t>(IntegerValue(varLongWord), VarType(), varLongWord); }

double Variant::AsDouble() const {
    switch (VarType()) {
        case varEmpty: return 0;
        case varSingle: return std::get<float>(v_);
        case varDouble: return std::get<double>(v_);
        case varDate: return std::get<DateValue>(v_).days;
        case varCurrency: return std::get<Currency>(v_).ToDouble();
        case varBoolean: return std::get<bool>(v_) ? -1 : 0;
        case varFMTBcd: return BcdToDouble(std::get<TBcd>(v_));
        case varSQLTimeStamp: return SQLTimeStampToDateTime(std::get<TSQLTimeStamp>(v_));
        case varString: {
            const std::string& s = std::get<std::string>(v_);
            double d = 0;
            bool b = false;
            if (TryStrToFloat(s, d)) return d;
            if (TextToBool(s, b)) return b ? -1 : 0;
            break;
        }
        case varShortInt: case varByte: case varSmallint: case varWord: case varInteger: case varLongWord:
        case varInt64:
            return static_cast<double>(AsInt64());
        default: break;
    }
    CastError(varDouble);
}

Currency Variant::AsCurrency() const {
    Currency c;
    switch (VarType()) {
        case varEmpty: return c;
        case varCurrency: return std::get<Currency>(v_);
        case varFMTBcd:
            if (TryBcdToCurr(std::get<TBcd>(v_), c)) return c;
            break;
        case varString: {
            const std::string& s = std::get<std::string>(v_);
            bool b = false;
            if (TryStrToCurr(s, c)) return c;
            if (TextToBool(s, b)) return Currency::FromInt(b ? -1 : 0);
            break;
        }
        case varShortInt: case varByte: case varSmallint: case varWord: case varInteger: case varLongWord:
        case varInt64: case varBoolean: {
            const std::int64_t v = AsInt64();
            constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max() / Currency::kScale;
            if (v <= limit && v >= -limit) return Currency::FromInt(v);
            break;
        }
        case varSingle: case varDouble: case varDate: case varSQLTimeStamp:
            if (Currency::TryFromDouble(AsDouble(), c)) return c;
            break;
        default: break;
    }
    CastError(varCurrency);
}

bool Variant::AsBool() const {
    switch (VarType()) {
        case varEmpty: return false;
        case varBoolean: return std::get<bool>(v_);
        case varCurrency: return std::get<Currency>(v_).Raw() != 0;
        case varFMTBcd: return BcdCompare(std::get<TBcd>(v_), IntegerToBcd(0)) != 0;
        case varString: {
            const std::string& s = std::get<std::string>(v_);
            bool b = false;
            double d = 0;
            if (TextToBool(s, b)) return b;
            if (TryStrToFloat(s, d)) return d != 0;
            break;
        }
        case varShortInt: case varByte: case varSmallint: case varWord: case varInteger: case varLongWord:
        case varInt64:
            return AsInt64() != 0;
        case varSingle: case varDouble: case varDate:
            return AsDouble() != 0;
        default: break;
    }
    CastError(varBoolean);
}

TDateTime Variant::AsDateTime() const {
    switch (VarType()) {
        case varEmpty: return 0;
        case varDate: return std::get<DateValue>(v_).days;
        case varSQLTimeStamp: return SQLTimeStampToDateTime(std::get<TSQLTimeStamp>(v_));
        case varString: {
            TDateTime d = 0;
            if (TryStrToDateTime(std::get<std::string>(v_), d)) return d;
            break;
        }
        case varShortInt: case varByte: case varSmallint: case varWord: case varInteger: case varLongWord:
        case varInt64: case varSingle: case varDouble: case varCurrency: case varFMTBcd:
            return AsDouble();
        default: break;
    }
    CastError(varDate);
}

const Bytes& Variant::AsBytes() const {
    if (const Bytes* b = TryGet<Bytes>()) return *b;
    CastError(varByteArray);
}

TSQLTimeStamp Variant::AsSQLTimeStamp() const {
    switch (VarType()) {
        case varEmpty: return {};
        case varSQLTimeStamp: return std::get<TSQLTimeStamp>(v_);
        case varString: {
            TSQLTimeStamp ts;
            if (TryStrToSQLTimeStamp(std::get<std::string>(v_), ts)) return ts;
            break;
        }
        case varShortInt: case varByte: case varSmallint: case varWord: case varInteger: case varLongWord:
        case varInt64: case varSingle: case varDouble: case varCurrency: case varDate: case varFMTBcd:
            return DateTimeToSQLTimeStamp(AsDateTime());
        default: break;
    }
    CastError(varSQLTimeStamp);
}

TBcd Variant::AsBcd() const {
    TBcd b;
    switch (VarType()) {
        case varEmpty: return IntegerToBcd(0);
        case varFMTBcd: return std::get<TBcd>(v_);
        case varCurrency: return CurrToBcd(std::get<Currency>(v_));
        case varString:
            if (TryStrToBcd(std::get<std::string>(v_), b)) return b;
            break;
        case varShortInt: case varByte: case varSmallint: case varWord: case varInteger: case varLongWord:
        case varInt64: case varBoolean:
            return IntegerToBcd(AsInt64());
        case varSingle: case varDouble: case varDate:
            if (TryDoubleToBcd(AsDouble(), b)) return b;
            break;
        default: break;
    }
    CastError(varFMTBcd);
}

std::intptr_t Variant::AsDispatch() const {
    if (IsEmpty()) return 0;
    if (const DispatchValue* d = TryGet<DispatchValue>()) return d->ref;
    CastError(varDispatch);
}

std::string VarToStr(const Variant& v) { return v.IsNull() || v.IsEmpty() ? std::string() : v.AsString(); }

}  // namespace ordo
