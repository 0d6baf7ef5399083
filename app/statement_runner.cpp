#include "app/statement_runner.h"

#include <algorithm>
#include <exception>

#include "core/errors.h"
#include "core/text_convert.h"

namespace ordo {
namespace {

constexpr std::uint32_t kStatementTimeLimit = 30000;

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

/// Runs the clean-up steps after a request; a failure among them must not hide how the request ended.
template <class Steps>
void CleanUp(Steps steps) noexcept {
    try {
        steps();
    } catch (const std::exception&) {
        // The data set is reset again before its next statement; the request's own end is what counts.
    }
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

void TStatementRunner::ApplyTimeLimit(bool programSetsOne) {
    if (programSetsOne) programLimit_ = kStatementTimeLimit;
    if (!ctx_.replyTimeLimit) {
        if (programSetsOne) ctx_.socket.SetReplyTimeLimit(kStatementTimeLimit);
        return;
    }
    const std::uint32_t cap = *ctx_.replyTimeLimit;
    ctx_.socket.SetReplyTimeLimit(programLimit_ == 0 ? cap : std::min(programLimit_, cap));
}

// Success is decided by this request's own outcome alone: its id tells it from whatever the data set sent
// before, and nothing that happens after its reply (a disconnect, a terminate, a later stray message) changes it.
TStatementResult TStatementRunner::Run(const std::string& sql, IReplayDataSet& dataSet) {
    TStatementResult result;
    if (Trim(sql).empty() || !ctx_.connected()) {
        result.request.end = TRequestEnd::reNotSent;
        ctx_.view.SetDefaultCursor();
        return result;
    }
    ctx_.socket.SetUserName(ctx_.userName());
    dataSet.UseProgramSocket();

    const bool executeText = StartsWith(UpperCase(Trim(sql).substr(0, 7)), "EXECUTE");
    const bool opens = ClassifyStatement(sql) == TStatementKind::skReturnsRows;
    ApplyTimeLimit(!opens || executeText);
    const std::uint64_t before = dataSet.LastRequestOutcome().id;
    try {
        dataSet.ClearSQL();
        dataSet.SetActive(false);
        dataSet.Close();
        dataSet.AddSQL(sql);
        if (opens)
            dataSet.Open();
        else
            dataSet.ExecuteSQL();
    } catch (const std::exception& e) {
        result.error = e.what();
    }
    result.request = dataSet.LastRequestOutcome();
    if (result.request.id == before) {
        // Raised before anything went out: no request of this statement exists.
        result.request = TOrdoRequestOutcome{};
        result.request.end = TRequestEnd::reNotSent;
    }
    if (opens)
        CleanUp([&dataSet] { dataSet.ClearSQL(); });
    else
        CleanUp([&dataSet] {
            dataSet.Close();
            dataSet.ClearSQL();
            dataSet.SetActive(false);
        });
    if (!result.Confirmed()) ctx_.view.SetDefaultCursor();
    return result;
}

int TStatementRunner::RunStatement(const std::string& sql, IReplayDataSet& dataSet) {
    TStatementResult result = Run(sql, dataSet);
    if (!result.error.empty() && !result.Confirmed()) throw EOrdoError(result.error);
    return result.Confirmed() ? 0 : -1;
}

}  // namespace ordo
