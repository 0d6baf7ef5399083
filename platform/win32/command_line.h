#pragma once
// Windows command lines are one text; programs split it themselves, by the C runtime's rules.
#include <string>
#include <string_view>
#include <vector>

namespace ordo::detail {

/// The arguments of a command line as the C runtime splits it: blanks separate, double quotes
/// group, 2n backslashes before a quote give n and leave the quote working, 2n+1 give n and a
/// literal quote, other backslashes are themselves. The program name (first) ends at the first
/// blank outside quotes and keeps its backslashes.
std::vector<std::string> SplitCommandLine(std::string_view line);
/// One argument of a Win32 command line (CreateProcess, ShellExecute), quoted so that
/// SplitCommandLine gives it back unchanged; cmd.exe operators are not its concern.
std::string QuoteCommandLineArgument(std::string_view arg);

}  // namespace ordo::detail
