#include "server/session/exec_runner.h"

#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include <ibase.h>

#include "server/fb/fb_statement.h"
#include "server/log.h"
#include "server/session/conversion_probe.h"
#include "server/session/definition_epoch.h"
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

/// Set while the request has run a statement that may define something: until its transaction has
/// ended, no other attachment of this server trusts what it prepared.
using DefinitionWindow = std::optional<DefinitionEpoch::Window>;

std::uint64_t RunAsText(FbAttachment& att, StatementCache& cache, FbTransaction& tra, const BoundStatement& bound,
                        ExecTimings& timings, DefinitionWindow& defining) {
    std::optional<FbStatement> st;
    {
        CpuSpan span(timings, timings.prepare);
        st.emplace(FbStatement::Prepare(att, tra, bound.sql));
    }
    CpuSpan span(timings, timings.execute);
    if (st->Kind() == FbStatementKind::TransactionControl) {
        // The request is the transaction: a COMMIT inside it would end it half-way.
        throw FbError("Transaction statements are not accepted here: all statements of a request "
                      "are committed together, or none",
                      0);
    }
    if (MayDefine(st->Kind(), bound.sql)) {
        // Its own kept statements would hold the tables a definition changes, and were compiled before it.
        cache.ForgetStatements();
        if (!defining) defining.emplace();
    }
    if (st->Kind() == FbStatementKind::Select) {
        FbCursor cur = st->Open(tra, bound.values);
        FbRow row;
        while (cur.Fetch(row)) {
        }
        cur.Close();
        return 0;
    }
    return st->Execute(tra, bound.values, nullptr);
}

/// Whether literals may travel as the statement's parameters at all: a plain INSERT or UPDATE OR INSERT
/// without outputs, none of whose text columns compares without padding (NO PAD), where a value whose
/// trailing blanks the bind trimmed to fit would match other rows than the text's.
bool Bindable(FbAttachment& att, StatementCache& cache, FbTransaction& tra, const FbStatement& st) {
    if (st.Kind() != FbStatementKind::Modify || !st.Outputs().empty()) return false;
    for (const FbColumn& c : st.Inputs())
        if ((c.type == SQL_TEXT || c.type == SQL_VARYING) && c.collation != 0 &&
            cache.NoPad(att, tra, c.charSet, c.collation))
            return false;
    return true;
}

/// The statement of the literals' shape with the literals bound, when they can be bound with the
/// outcome of the text.
std::optional<std::pair<CachedStatement*, std::vector<FbParamSlot>>> PrepareShape(FbAttachment& att,
                                                                                 StatementCache& cache,
                                                                                 FbTransaction& tra,
                                                                                 const LiteralValues& values) {
    try {
        CachedStatement& entry = cache.Get(att, tra, values.shape);
        if (!entry.bindable) entry.bindable = Bindable(att, cache, tra, entry.statement);
        if (!*entry.bindable) return std::nullopt;
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
        // Once the statement ran, its error is its answer: the text would run the same triggers to the
        // same error, and running it again would repeat what they did that no failure takes back.
        // Only a literal that did not convert to its parameter (nothing ran) goes to the text, whose
        // literal converts by the text's own rules and says what is wrong with it.
        if (e.ConnectionLost() || e.LockConflict() ||
            !BindingFails(att, tra, entry->statement.Inputs(), *entry->message))
            throw;
        Log(LogLevel::Debug, std::string("a literal did not bind, run again as text: ") + e.what());
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

    // Declared before the transaction, so that the window closes after it has ended.
    DefinitionWindow defining;
    FbTransaction tra = att.StartTransaction(false, lockTimeoutSeconds);
    // The shapes prepared for this request go with it: the next request prepares again.
    struct ForgetAtEnd {
        StatementCache& cache;
        ~ForgetAtEnd() { cache.ForgetStatements(); }
    } forgetAtEnd{cache};
    if (gate && !gate(tra)) return 0;
    std::uint64_t affected = 0;
    timings.statements += static_cast<unsigned>(bound.size());
    for (std::size_t i = 0; i < bound.size(); ++i) {
        try {
            std::optional<std::uint64_t> n = RunAsShape(att, cache, tra, bound[i], timings);
            affected += n ? *n : RunAsText(att, cache, tra, bound[i], timings, defining);
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
    return affected;
}

}  // namespace ordo::server
