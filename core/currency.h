#pragma once
// Money travels as a scaled 64-bit integer so sums of amounts never pick up binary
// fractions; four decimal places, as the platform's Currency type.
#include <compare>
#include <cstdint>

#include "core/errors.h"

namespace ordo {

/// A fixed-point amount held as value × 10 000.
class Currency {
public:
    static constexpr std::int64_t kScale = 10000;

    constexpr Currency() noexcept = default;
    /// The amount whose scaled form is `raw` (so FromRaw(15000) is 1.5).
    static constexpr Currency FromRaw(std::int64_t raw) noexcept { return Currency(raw); }
    /// A whole amount; raises EConvertError when value × 10 000 does not fit 64 bits.
    static Currency FromInt(std::int64_t value);
    /// Rounds to four decimals, halves to even as the FPU does; raises EConvertError
    /// for NaN, infinities and amounts outside the 64-bit scaled range.
    static Currency FromDouble(double value);
    static bool TryFromDouble(double value, Currency& out) noexcept;

    [[nodiscard]] constexpr std::int64_t Raw() const noexcept { return raw_; }
    [[nodiscard]] double ToDouble() const noexcept { return static_cast<double>(raw_) / kScale; }

    friend constexpr auto operator<=>(Currency, Currency) noexcept = default;

private:
    constexpr explicit Currency(std::int64_t raw) noexcept : raw_(raw) {}
    std::int64_t raw_ = 0;
};

}  // namespace ordo
