#pragma once
// Finds the string and character literals of C++ source text that hold characters outside
// ASCII without going through the program's code-page conversion: such a literal would reach
// the user as UTF-8 bytes on a machine whose code page is another. A literal passes when it is
// the argument of AnsiLiteral(...) (adjacent literals joined into it count with it), or when
// its line carries the comment "codepage: utf-8" (texts a toolkit draws as UTF-8 itself).
// Escapes such as "\xEC" are bytes the author chose and are not looked at.
#include <string>
#include <string_view>
#include <vector>

namespace ordo::test {

struct TLiteralFinding {
    int line = 0;          ///< 1-based
    std::string literal;   ///< as written, quotes and prefix included
};

/// The literals of `source` that bypass the conversion, in order.
std::vector<TLiteralFinding> FindUnconvertedLiterals(std::string_view source);

}  // namespace ordo::test
