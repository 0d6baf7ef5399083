#pragma once
// The machine's ANSI code page and conversions into and out of it. Text in the program is bytes
// in that code page; the locale's codeset stands for it, and the plain C/POSIX locale counts as
// UTF-8. Conversions never fail: a character the target cannot hold becomes '?' (toward 8-bit
// text) or U+FFFD (toward UTF-16), and an invalid input byte is replaced the same way.
//
// Usage:
//   InitLocale();                              // once, at program start
//   std::string shown = AnsiLiteral("쿼리 기록");   // source literals are UTF-8
#include <string>
#include <string_view>

namespace ordo {

/// setlocale(LC_ALL, "") once; later calls do nothing. Every other function here calls it.
void InitLocale();
/// The codeset name that stands for the ANSI code page ("UTF-8", "EUC-KR", "CP949", ...).
std::string AnsiCodePage();
bool AnsiCodePageIsUtf8();
/// Tests pin the codeset (e.g. "CP949") regardless of the locale; an empty name restores it.
void OverrideAnsiCodePage(std::string_view codeset);

/// Converts between two iconv codesets, replacing what cannot be converted (see above).
std::string ConvertCodeset(std::string_view text, std::string_view fromCodeset, std::string_view toCodeset);

std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
/// A program literal (UTF-8 source) in the ANSI code page.
inline std::string AnsiLiteral(std::string_view utf8) { return Utf8ToAnsi(utf8); }
/// UTF-16LE wide strings to and from the ANSI code page.
std::string WideToAnsi(std::u16string_view wide);
std::u16string AnsiToWide(std::string_view ansi);

}  // namespace ordo
