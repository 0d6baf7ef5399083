#pragma once
// Where the number separators of the user's settings come from; each backend reads its own.

namespace ordo::detail {

/// Sets `decimal` to the single-character decimal separator the user's settings name; leaves
/// it as it is when the settings name none (or a longer one).
void ReadLocaleSeparators(char& decimal) noexcept;

}  // namespace ordo::detail
