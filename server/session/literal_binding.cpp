#include "server/session/literal_binding.h"

#include <ibase.h>

#include <algorithm>
#include <bit>
#include <limits>

namespace ordo::server {
namespace {

constexpr unsigned kCharsetNone = 0;
constexpr unsigned kCharsetOctets = 1;
constexpr unsigned kMaxVarying = 32765;
constexpr unsigned kMinRoom = 64;

bool IsText(const FbColumn& c) { return c.type == SQL_TEXT || c.type == SQL_VARYING; }
/// Text a parameter reaches without the checks the literal gets: a literal's bytes must be text of the
/// connection's character set, while a parameter declared in that set is copied into NONE and OCTETS
/// as it comes.
bool IsUnchecked(const FbColumn& c) {
    return IsText(c) && (c.charSet == kCharsetNone || c.charSet == kCharsetOctets);
}
bool IsExact(const FbColumn& c) {
    return (c.type == SQL_SHORT || c.type == SQL_LONG || c.type == SQL_INT64) && c.scale <= 0;
}
/// The column types whose conversion from text, an exact number or a double is the engine's
/// assignment and nothing else. Blobs and arrays are written by other means.
bool IsAssignable(const FbColumn& c) {
    switch (c.type) {
        case SQL_TEXT:
        case SQL_VARYING:
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
        case SQL_TYPE_DATE:
        case SQL_TYPE_TIME:
        case SQL_TIMESTAMP:
        case SQL_BOOLEAN: return true;
        default: return false;
    }
}

/// unscaled * 10^by, or nothing when it leaves BIGINT.
std::optional<std::int64_t> Rescale(std::int64_t unscaled, int by) {
    for (int i = 0; i < by; ++i) {
        if (unscaled > std::numeric_limits<std::int64_t>::max() / 10 ||
            unscaled < std::numeric_limits<std::int64_t>::min() / 10)
            return std::nullopt;
        unscaled *= 10;
    }
    return unscaled;
}

std::optional<FbParamSlot> TextSlot(const std::string& text, unsigned charset) {
    if (text.size() > kMaxVarying) return std::nullopt;
    return FbParamSlot{SQL_VARYING, static_cast<unsigned>(text.size()), 0, charset};
}

std::optional<FbParamSlot> PlanOne(const SqlLiteral& lit, const FbColumn& col, bool compared, unsigned charset) {
    if (IsUnchecked(col)) return std::nullopt;
    switch (lit.kind) {
        case SqlLiteralKind::String:
            if (compared ? !IsText(col) : !IsAssignable(col)) return std::nullopt;
            return TextSlot(lit.text, charset);
        case SqlLiteralKind::Exact:
            // Into an exact column with at least the literal's decimals the value travels at the column's
            // scale, the same for every row; the conversion there is exact either way.
            if (IsExact(col) && lit.scale <= -col.scale) {
                if (!Rescale(lit.unscaled, -col.scale - lit.scale)) return std::nullopt;
                return FbParamSlot{SQL_INT64, 8, col.scale, 0};
            }
            if (compared || !IsAssignable(col)) return std::nullopt;
            return FbParamSlot{SQL_INT64, 8, -lit.scale, 0};
        case SqlLiteralKind::Approximate:
            // The literal is a DOUBLE PRECISION, and the engine reads its text into a DOUBLE PRECISION
            // column as it reads the literal. Into any other column the double would be converted
            // again (rounded into an exact column or a FLOAT, spelled into text), so that runs as text.
            if (compared || col.type != SQL_DOUBLE) return std::nullopt;
            return TextSlot(lit.text, charset);
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::vector<FbParamSlot>> PlanLiteralSlots(const LiteralValues& values,
                                                         const std::vector<FbColumn>& inputs,
                                                         unsigned connectionCharset) {
    if (inputs.size() != values.literals.size()) return std::nullopt;
    std::vector<FbParamSlot> slots;
    slots.reserve(inputs.size());
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        auto slot = PlanOne(values.literals[i], inputs[i], values.upsert, connectionCharset);
        if (!slot) return std::nullopt;
        slots.push_back(*slot);
    }
    return slots;
}

bool SlotsFit(const std::vector<FbParamSlot>& laid, const std::vector<FbParamSlot>& planned) noexcept {
    if (laid.size() != planned.size()) return false;
    for (std::size_t i = 0; i < laid.size(); ++i) {
        const FbParamSlot& a = laid[i];
        const FbParamSlot& b = planned[i];
        if (a.type != b.type || a.scale != b.scale || a.charSet != b.charSet || a.length < b.length) return false;
    }
    return true;
}

std::vector<FbParamSlot> WithRoom(std::vector<FbParamSlot> planned) {
    for (FbParamSlot& s : planned)
        if (s.type == SQL_VARYING) s.length = std::min(kMaxVarying, std::max(kMinRoom, std::bit_ceil(s.length)));
    return planned;
}

void FillLiterals(FbInputMessage& message, const LiteralValues& values, const std::vector<FbParamSlot>& planned) {
    for (std::size_t i = 0; i < planned.size(); ++i) {
        const SqlLiteral& lit = values.literals[i];
        if (planned[i].type == SQL_VARYING) message.SetText(i, lit.text);
        else message.SetInt64(i, *Rescale(lit.unscaled, -planned[i].scale - lit.scale));
    }
}

}  // namespace ordo::server
