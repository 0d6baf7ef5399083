#include "server/session/exec_runner.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "server/fb/fb_statement.h"
#include "server/log.h"
#include "server/session/literal_binding.h"
#include "server/session/param_binding.h"
#include "server/sql/literal_values.h"
#include "server/sql/statement_splitter.h"

namespace ordo::server {
namespace {

/// Adds the processor time of its lifetime to one of the request's counters.
class CpuSpan {
public:
    CpuSpan(const ExecTimings& timings, double& into)
        : into_(timings.enabled ? &into : nullptr), start_(into_ ? std::clock() : 0) {}
    CpuSpan(const CpuSpan&) = delete;
    CpuSpan& operator=(const CpuSpan&) = delete;
    ~CpuSpan() {
        if (into_) *into_ += static_cast<double>(std::clock() - start_) / CLOCKS_PER_SEC;
    }

private:
    double* into_;
    std::clock_t start_;
};

std::uint64_t RunAsText(FbAttachment& att, StatementCache& cache, FbTransaction& tra, const BoundStatement& bound,
                        ExecTimings& timings, bool& defined) {
    std::optional<FbStatement> st;
    {
        CpuSpan span(timings, timings.prepare);
        st.emplace(FbStatement::Prepare(att, tra, bound.sql));
    }
    CpuSpan span(timings, timings.execute);
    switch (st->Kind()) {
        case FbStatementKind::TransactionControl:
            // The request is the transaction: a COMMIT inside it would end it half-way.
            throw FbError("Transaction statements are not accepted here: all statements of a request "
                          "are committed together, or none",
                          0);
        case FbStatementKind::Select: {
            FbCursor cur = st->Open(tra, bound.values);
            FbRow row;
            while (cur.Fetch(row)) {
            }
            cur.Close();
            return 0;
        }
        case FbStatementKind::Definition:
            cache.NoteDefinition();
            defined = true;
            return st->Execute(tra, bound.values, nullptr);
        default: return st->Execute(tra, bound.values, nullptr);
    }
}

/// The statement of the literals' shape with the literals bound, when they can be bound with the
/// outcome of the text.
std::optional<std::pair<CachedStatement*, std::vector<FbParamSlot>>> PrepareShape(FbAttachment& att,
                                                                                 StatementCache& cache,
                                                                                 FbTransaction& tra,
                                                                                 const LiteralValues& values) {
    try {
        CachedStatement& entry = cache.Get(att, tra, values.shape);
        if (entry.statement.Kind() != FbStatementKind::Modify || !entry.statement.Outputs().empty())
            return std::nullopt;
        auto planned = PlanLiteralSlots(values, entry.statement.Inputs(), cache.ConnectionCharset(att, tra));
        if (!planned) return std::nullopt;
        return std::make_pair(&entry, std::move(*planned));
    } catch (const FbError& e) {
        if (e.ConnectionLost()) throw;
        Log(LogLevel::Debug, std::string("not prepared as a shape, run as text: ") + e.what());
        return std::nullopt;  // the text says what is wrong with it
    }
}

std::optional<std::uint64_t> RunAsShape(FbAttachment& att, StatementCache& cache, FbTransaction& tra,
                                        const BoundStatement& bound, ExecTimings& timings) {
    if (!cache.Enabled() || !bound.values.empty()) return std::nullopt;
    std::optional<LiteralValues> values;
    std::optional<std::pair<CachedStatement*, std::vector<FbParamSlot>>> shape;
    {
        CpuSpan span(timings, timings.prepare);
        values = FindLiteralValues(bound.sql);
        if (!values) return std::nullopt;
        shape = PrepareShape(att, cache, tra, *values);
        if (!shape) return std::nullopt;
    }
    CpuSpan span(timings, timings.execute);
    auto& [entry, planned] = *shape;
    if (!entry->message || !SlotsFit(entry->message->Slots(), planned)) entry->message.emplace(WithRoom(planned));
    FillLiterals(*entry->message, *values, planned);
    try {
        std::uint64_t n = entry->statement.Execute(tra, *entry->message);
        ++timings.prepared;
        return n;
    } catch (const FbError& e) {
        // A failed statement leaves the transaction as it was; the text run says what the client reads.
        // Lock conflicts and a lost connection are no matter of how the values were written.
        if (e.ConnectionLost() || e.LockConflict()) throw;
        Log(LogLevel::Debug, std::string("failed as a shape, run again as text: ") + e.what());
        ++timings.retried;
        return std::nullopt;
    }
}

}  // namespace

std::uint64_t RunStatements(FbAttachment& att, StatementCache& cache, std::string_view text,
                            const TOrdoParamList& params, int lockTimeoutSeconds, ExecTimings& timings,
                            const TransactionGate& gate) {
    std::vector<std::string> statements = SplitStatements(text);
    ParamBinder binder(params);
    std::vector<BoundStatement> bound;
    bound.reserve(statements.size());
    for (const auto& s : statements) bound.push_back(binder.Bind(s));

    auto inUse = cache.Use();
    cache.DropIfStale();
    // A definition that another attachment began meanwhile waits for the tables this request's statements
    // hold: they go at its end, not at the next request.
    struct DropAtEnd {
        StatementCache& cache;
        ~DropAtEnd() { cache.DropIfStale(); }
    } dropAtEnd{cache};
    FbTransaction tra = att.StartTransaction(false, lockTimeoutSeconds);
    if (gate && !gate(tra)) return 0;
    std::uint64_t affected = 0;
    bool defined = false;
    timings.statements += static_cast<unsigned>(bound.size());
    for (std::size_t i = 0; i < bound.size(); ++i) {
        try {
            std::optional<std::uint64_t> n = RunAsShape(att, cache, tra, bound[i], timings);
            affected += n ? *n : RunAsText(att, cache, tra, bound[i], timings, defined);
        } catch (const FbError& e) {
            tra.Rollback();
            if (bound.size() == 1) throw;
            throw FbError("Statement " + std::to_string(i + 1) + " of " + std::to_string(bound.size()) +
                              " (none applied): " + e.what(),
                          e.Code());
        }
    }
    {
        CpuSpan span(timings, timings.commit);
        tra.Commit();
    }
    // Other attachments may have prepared from the old definitions while this one was open.
    if (defined) cache.NoteDefinition();
    return affected;
}

}  // namespace ordo::server
