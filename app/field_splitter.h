#pragma once
#include <string>
#include <string_view>

namespace ordo {

/// The field splitter of configuration values and command lines: the field at `index` (from 0) of `line` split at
/// `separator`, trimmed. A field that begins with a double quote skips the quoted text, so a separator inside quotes
/// does not split; what such a field yields is the text between its closing quote and the next separator.
std::string GetField(std::string_view line, std::string_view separator, unsigned index);

}  // namespace ordo
