#pragma once
// Codeset names, as the rest of the program uses them ("UTF-8", "CP949", "EUC-KR"), and the
// Windows code page numbers behind them.
#include <optional>
#include <string>
#include <string_view>

namespace ordo::detail {

/// The code page number Windows gives UTF-16LE; conversions treat it as the wide form itself.
inline constexpr unsigned kUtf16CodePage = 1200;

/// The code page of a codeset name, without regard to case: "UTF-8" 65001, "UTF-16LE" 1200,
/// "CP949" / "WINDOWS-949" / "EUC-KR" 949 (the Korean code page is a superset of EUC-KR),
/// "ISO-8859-n" 28590 + n, "ASCII" 20127, a plain number as itself. Nothing for an unknown name.
std::optional<unsigned> CodePageOfName(std::string_view name);
/// "UTF-8" for 65001, otherwise "CP" and the number.
std::string NameOfCodePage(unsigned codePage);

}  // namespace ordo::detail
