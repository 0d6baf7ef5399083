#pragma once
// Where the number separators of the user's settings come from; each backend reads its own.

namespace ordo::detail {

/// Sets `decimal` and `thousand` to the single-character separators the user's settings name;
/// leaves either as it is when the settings name none (or a longer one).
void ReadLocaleSeparators(char& decimal, char& thousand) noexcept;

}  // namespace ordo::detail
