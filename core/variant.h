#pragma once
// A dynamically typed value with the platform's conversion rules. Each kind keeps its
// own C++ type, so an int16 stays an int16 until someone asks for something else.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "core/bcd.h"
#include "core/bytes.h"
#include "core/currency.h"
#include "core/date_time.h"
#include "core/errors.h"

namespace ordo {

/// Kind codes; the numbers are the platform's variant type codes.
enum TVarType : std::uint16_t {
    varEmpty = 0x0000,
    varNull = 0x0001,
    varSmallint = 0x0002,   // int16
    varInteger = 0x0003,    // int32
    varSingle = 0x0004,
    varDouble = 0x0005,
    varCurrency = 0x0006,
    varDate = 0x0007,
    varDispatch = 0x0009,   // an object reference, meaningful inside the process only
    varBoolean = 0x000B,
    varShortInt = 0x0010,   // int8
    varByte = 0x0011,       // uint8
    varWord = 0x0012,       // uint16
    varLongWord = 0x0013,   // uint32
    varInt64 = 0x0014,
    varString = 0x0100,     // 8-bit text
    varSQLTimeStamp = 0x0110,
    varFMTBcd = 0x0111,
    varByteArray = 0x2011,  // one-dimensional array of bytes, bounds 0 .. n - 1
};

/// The platform's names in messages: "Empty", "Null", "Smallint", "Integer", "Double",
/// "String", "Array Byte" …
const char* VarTypeName(TVarType type) noexcept;

/// A value of one of the kinds above. Default-constructed it is Empty (unassigned).
///
/// Conversions: Empty reads as 0, "", false; Null raises EVariantError
/// "Could not convert variant of type (Null) into type (Double)" for every target;
/// text to a number parses with the machine's rules ("True"/"False" read as -1/0) and
/// raises EVariantError (an EConvertError) on bad text; floats to integers round half to
/// even and must fit; booleans read as -1/0 and write "True"/"False"; dates read and write
/// through the machine's date format; byte arrays convert only to byte arrays.
class Variant {
public:
    struct DateValue {
        TDateTime days = 0;
        friend bool operator==(const DateValue&, const DateValue&) = default;
    };
    struct DispatchValue {
        std::intptr_t ref = 0;
        friend bool operator==(const DispatchValue&, const DispatchValue&) = default;
    };
    struct NullValue {
        friend bool operator==(const NullValue&, const NullValue&) = default;
    };

    Variant() noexcept = default;
    Variant(std::int8_t v) noexcept : v_(v) {}
    Variant(std::uint8_t v) noexcept : v_(v) {}
    Variant(std::int16_t v) noexcept : v_(v) {}
    Variant(std::uint16_t v) noexcept : v_(v) {}
    Variant(std::int32_t v) noexcept : v_(v) {}
    Variant(std::uint32_t v) noexcept : v_(v) {}
    Variant(std::int64_t v) noexcept : v_(v) {}
    Variant(float v) noexcept : v_(v) {}
    Variant(double v) noexcept : v_(v) {}
    Variant(bool v) noexcept : v_(v) {}
    Variant(Currency v) noexcept : v_(v) {}
    Variant(std::string v) noexcept : v_(std::move(v)) {}
    Variant(std::string_view v) : v_(std::string(v)) {}
    Variant(const char* v) : v_(std::string(v)) {}
    Variant(Bytes v) noexcept : v_(std::move(v)) {}
    Variant(const TSQLTimeStamp& v) noexcept : v_(v) {}
    Variant(const TBcd& v) noexcept : v_(v) {}

    static Variant Null() noexcept { return Variant(NullValue{}); }
    static Variant FromDate(TDateTime days) noexcept { return Variant(DateValue{days}); }
    static Variant FromDispatch(std::intptr_t ref) noexcept { return Variant(DispatchValue{ref}); }

    [[nodiscard]] TVarType VarType() const noexcept;
    [[nodiscard]] bool IsEmpty() const noexcept { return v_.index() == 0; }
    [[nodiscard]] bool IsNull() const noexcept { return std::holds_alternative<NullValue>(v_); }
    [[nodiscard]] bool IsArray() const noexcept { return std::holds_alternative<Bytes>(v_); }
    /// For a byte array n - 1 (so -1 when empty); raises EVariantError for other kinds.
    [[nodiscard]] std::int64_t ArrayHighBound() const;

    [[nodiscard]] std::string AsString() const;
    [[nodiscard]] std::int8_t AsShortInt() const;
    [[nodiscard]] std::uint8_t AsByte() const;
    [[nodiscard]] std::int16_t AsSmallint() const;
    [[nodiscard]] std::uint16_t AsWord() const;
    [[nodiscard]] std::int32_t AsInt() const;
    [[nodiscard]] std::uint32_t AsLongWord() const;
    [[nodiscard]] std::int64_t AsInt64() const;
    [[nodiscard]] double AsDouble() const;
    [[nodiscard]] Currency AsCurrency() const;
    [[nodiscard]] bool AsBool() const;
    [[nodiscard]] TDateTime AsDateTime() const;
    [[nodiscard]] const Bytes& AsBytes() const;
    [[nodiscard]] TSQLTimeStamp AsSQLTimeStamp() const;
    [[nodiscard]] TBcd AsBcd() const;
    [[nodiscard]] std::intptr_t AsDispatch() const;

    /// The stored value when the variant holds exactly that C++ type, else null.
    template <class T>
    [[nodiscard]] const T* TryGet() const noexcept { return std::get_if<T>(&v_); }

    /// Same kind and same value (text compared byte for byte; NaN never equal).
    friend bool operator==(const Variant& a, const Variant& b) noexcept { return a.v_ == b.v_; }

private:
    using Storage = std::variant<std::monostate, NullValue, std::int8_t, std::uint8_t, std::int16_t,
                                 std::uint16_t, std::int32_t, std::uint32_t, std::int64_t, float, double,
                                 Currency, DateValue, std::string, bool, Bytes, TSQLTimeStamp, TBcd,
                                 DispatchValue>;
    explicit Variant(NullValue v) noexcept : v_(v) {}
    explicit Variant(DateValue v) noexcept : v_(v) {}
    explicit Variant(DispatchValue v) noexcept : v_(v) {}
    [[noreturn]] void CastError(TVarType target) const;
    /// The value as a 64-bit integer; failures name `target` as the type asked for.
    [[nodiscard]] std::int64_t IntegerValue(TVarType target) const;
    Storage v_;
};

/// The platform's VarToStr: Null and Empty give "", everything else AsString().
std::string VarToStr(const Variant& v);
/// Raises EVariantError "Could not convert variant of type (<from>) into type (<to>)".
[[noreturn]] void RaiseVarCastError(TVarType from, TVarType to);

}  // namespace ordo
