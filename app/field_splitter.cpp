#include "app/field_splitter.h"

#include "core/text_convert.h"

namespace ordo {

// Positions are not kept in 8 bits here: a line longer than 255 characters still splits where its separators are,
// instead of wrapping around and returning a field from the wrong place.
std::string GetField(std::string_view line, std::string_view separator, unsigned index) {
    if (separator.empty()) return index == 0 ? std::string(Trim(line)) : std::string();
    std::string_view rest = line;
    unsigned n = 0;
    std::size_t p = rest.find(separator);
    while (p != std::string_view::npos) {
        if (n == index) return std::string(Trim(rest.substr(0, p)));
        rest.remove_prefix(p + separator.size());
        if (rest.empty()) return {};
        if (rest.front() == '"') {
            rest.remove_prefix(1);
            std::size_t q = rest.find('"');
            if (q != std::string_view::npos) rest.remove_prefix(q + 1);
        }
        p = rest.find(separator);
        ++n;
    }
    return n == index ? std::string(Trim(rest)) : std::string();
}

}  // namespace ordo
