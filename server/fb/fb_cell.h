#pragma once
// The value of one column or parameter as the server handles it, independent of both the
// engine's buffer layout and the wire's text forms.
#include <cstdint>
#include <string>
#include <vector>

namespace ordo::server {

enum class FbCellKind : std::uint8_t {
    Null,
    Integer,    // integer
    Decimal,    // integer scaled by 10^-scale
    Real,       // real
    Text,       // bytes in the connection character set
    Binary,     // bytes
    Date,       // real: date-time number (days since 1899-12-30), no fraction
    Time,       // real: fraction of a day
    Timestamp,  // real: date-time number
    Boolean,    // integer 0 or 1
};

struct FbCell {
    FbCellKind kind = FbCellKind::Null;
    std::int64_t integer = 0;
    int scale = 0;
    double real = 0;
    std::string bytes;

    [[nodiscard]] bool IsNull() const noexcept { return kind == FbCellKind::Null; }
    static FbCell Null() { return {}; }
    static FbCell Int(std::int64_t v) { return {FbCellKind::Integer, v, 0, 0, {}}; }
    static FbCell Dec(std::int64_t unscaled, int scale) { return {FbCellKind::Decimal, unscaled, scale, 0, {}}; }
    static FbCell Dbl(double v) { return {FbCellKind::Real, 0, 0, v, {}}; }
    static FbCell Txt(std::string v) { return {FbCellKind::Text, 0, 0, 0, std::move(v)}; }
    static FbCell Bin(std::string v) { return {FbCellKind::Binary, 0, 0, 0, std::move(v)}; }
    static FbCell Bool(bool v) { return {FbCellKind::Boolean, v ? 1 : 0, 0, 0, {}}; }
    static FbCell DateTime(FbCellKind k, double v) { return {k, 0, 0, v, {}}; }
};

using FbRow = std::vector<FbCell>;

/// Date-time numbers count days from 1899-12-30; the engine counts from 1858-11-17.
inline constexpr std::int32_t kEngineDateOffset = 15018;
/// The engine keeps times in units of 1/10000 second.
inline constexpr double kEngineTimeUnitsPerDay = 864000000.0;

}  // namespace ordo::server
