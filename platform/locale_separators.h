#pragma once
// Where the number separators of the user's settings come from; each backend reads its own.
#include "core/text_convert.h"

namespace ordo::detail {

/// Sets `decimal` to the single-character decimal separator the user's settings name; leaves
/// it as it is when the settings name none (or a longer one).
void ReadLocaleSeparators(char& decimal) noexcept;

}  // namespace ordo::detail

namespace ordo {

/// Gives the number texts (core/text_convert.h) the user's decimal separator; each program
/// calls it once at start-up, before it formats or parses a number.
inline void ApplyLocaleSeparators() noexcept {
    char decimal = DecimalSeparator();
    detail::ReadLocaleSeparators(decimal);
    if (decimal != '\0') SetDecimalSeparator(decimal);
}

}  // namespace ordo
