#include "app/statement_runner.h"


#include "core/text_convert.h"

namespace ordo {
namespace {

constexpr std::uint32_t kStatementTimeLimit = 30000;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

TStatementKind ClassifyStatement(std::string_view sql) {
    const std::string_view text = Trim(sql);
    // The first word decides unless it is EXECUTE. A rebuild batch runs to some 30 KB: upper-casing all of it for
    // every request cost more than building it.
    const std::string head = UpperCase(text.substr(0, 7));
    if (StartsWith(head, "SELECT")) return TStatementKind::skReturnsRows;
    if (!StartsWith(head, "EXECUTE")) return TStatementKind::skExecute;
    const std::string u = UpperCase(text);
    if (u.find("RETURN") != std::string::npos || u.find("DECLARE") != std::string::npos)
        return TStatementKind::skReturnsRows;
    return TStatementKind::skExecute;
}

// A wait that ends without its reply (time limit, lost connection, a stop request) returns normally; only a reply
// that really arrived counts as success, or the walk would delete a file whose work never reached the server.
// A stop request that came while the reply was on its way does not undo the reply: the work is done, and keeping
// its file would apply it a second time at the next start.
int TStatementRunner::Outcome() {
    const bool confirmed = !ctx_.socket.TimedOut() && ctx_.socket.LastWaitCompleted() && ctx_.connected();
    if (confirmed) return 0;
    ctx_.view.SetDefaultCursor();
    return -1;
}

int TStatementRunner::RunStatement(const std::string& sql, IReplayDataSet& dataSet) {
    // Once a wait has given up, no later statement of this run can count as confirmed, so sending one would
    // only apply work whose file stays queued and is applied a second time at the next start.
    if (!ctx_.connected() || ctx_.socket.TimedOut() || Trim(sql).empty()) {
        ctx_.view.SetDefaultCursor();
        return -1;
    }
    ctx_.socket.SetUserName(ctx_.userName());
    dataSet.UseProgramSocket();

    const bool executeText = StartsWith(UpperCase(Trim(sql).substr(0, 7)), "EXECUTE");
    if (ClassifyStatement(sql) == TStatementKind::skReturnsRows) {
        if (executeText) ctx_.socket.SetReplyTimeLimit(kStatementTimeLimit);
        try {
            dataSet.ClearSQL();
            dataSet.SetActive(false);
            dataSet.Close();
            dataSet.AddSQL(sql);
            dataSet.Open();
            const int result = Outcome();
            dataSet.ClearSQL();
            return result;
        } catch (...) {
            try { dataSet.ClearSQL(); } catch (...) {}  // the server's error is the one to report
            throw;
        }
    }

    ctx_.socket.SetReplyTimeLimit(kStatementTimeLimit);
    auto cleanUp = [&dataSet] {
        dataSet.Close();
        dataSet.ClearSQL();
        dataSet.SetActive(false);
    };
    try {
        dataSet.ClearSQL();
        dataSet.SetActive(false);
        dataSet.Close();
        dataSet.AddSQL(sql);
        dataSet.ExecuteSQL();
        const int result = Outcome();
        cleanUp();
        return result;
    } catch (...) {
        try { cleanUp(); } catch (...) {}  // the server's error is the one to report
        throw;
    }
}

}  // namespace ordo
