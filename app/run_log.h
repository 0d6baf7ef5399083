#pragma once
// The program's lines on standard error: one line each, "fqreplay: " in front, and under the systemd journal
// the syslog priority before that, so `journalctl -p err` shows a run that failed and `-p warning` one that
// left work behind.
#include <ostream>
#include <string_view>

namespace ordo {

enum class TRunPriority : int { rpError = 3, rpWarning = 4, rpNotice = 5, rpInfo = 6 };

class TRunLog {
public:
    /// `journal`: prefix each line with its priority (see StderrIsJournal()).
    TRunLog(std::ostream& out, bool journal) noexcept : out_(out), journal_(journal) {}
    /// Writes one line; line breaks inside the text (a server's message often has them) become blanks.
    void Line(TRunPriority priority, std::string_view text);
    [[nodiscard]] std::ostream& Stream() noexcept { return out_; }

private:
    std::ostream& out_;
    bool journal_;
};

}  // namespace ordo
