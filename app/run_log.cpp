#include "app/run_log.h"

#include <string>

namespace ordo {

void TRunLog::Line(TRunPriority priority, std::string_view text) {
    std::string line;
    if (journal_) line = "<" + std::to_string(static_cast<int>(priority)) + ">";
    line += "fqreplay: ";
    bool blank = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank && line.back() != ' ') line += ' ';
        blank = false;
        line += c;
    }
    line += '\n';
    out_ << line << std::flush;
}

}  // namespace ordo
