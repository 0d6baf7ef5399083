#include "server/session/exec_runner.h"

#include <string>
#include <vector>

#include "server/fb/fb_statement.h"
#include "server/session/param_binding.h"
#include "server/sql/statement_splitter.h"

namespace ordo::server {
namespace {

std::uint64_t RunOne(FbAttachment& att, FbTransaction& tra, const BoundStatement& bound) {
    FbStatement st = FbStatement::Prepare(att, tra, bound.sql);
    switch (st.Kind()) {
        case FbStatementKind::TransactionControl:
            // The request is the transaction: a COMMIT inside it would end it half-way.
            throw FbError("Transaction statements are not accepted here: all statements of a request "
                          "are committed together, or none",
                          0);
        case FbStatementKind::Select: {
            FbCursor cur = st.Open(tra, bound.values);
            FbRow row;
            while (cur.Fetch(row)) {
            }
            cur.Close();
            return 0;
        }
        default: return st.Execute(tra, bound.values, nullptr);
    }
}

}  // namespace

std::uint64_t RunStatements(FbAttachment& att, std::string_view text, const TOrdoParamList& params,
                            int lockTimeoutSeconds) {
    std::vector<std::string> statements = SplitStatements(text);
    ParamBinder binder(params);
    std::vector<BoundStatement> bound;
    bound.reserve(statements.size());
    for (const auto& s : statements) bound.push_back(binder.Bind(s));

    FbTransaction tra = att.StartTransaction(false, lockTimeoutSeconds);
    std::uint64_t affected = 0;
    for (std::size_t i = 0; i < bound.size(); ++i) {
        try {
            affected += RunOne(att, tra, bound[i]);
        } catch (const FbError& e) {
            tra.Rollback();
            if (bound.size() == 1) throw;
            throw FbError("Statement " + std::to_string(i + 1) + " of " + std::to_string(bound.size()) +
                              " (none applied): " + e.what(),
                          e.Code());
        }
    }
    tra.Commit();
    return affected;
}

}  // namespace ordo::server
