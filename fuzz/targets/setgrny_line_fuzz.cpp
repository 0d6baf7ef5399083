// A "SetGRNY" line's fields become SQL literals in the rebuild's statements. Whatever a field
// holds, each statement must stay one statement with the field inside its literal: the server
// must never find a second statement smuggled in through a buyer's name or code.
#include <algorithm>

#include "app/field_splitter.h"
#include "app/ledger_statements.h"
#include "app/queue_walk.h"
#include "fuzz/fuzz_input.h"
#ifdef ORDO_FUZZ_WITH_SERVER
#include "server/sql/statement_splitter.h"
#endif

namespace {

std::size_t Quotes(std::string_view s) { return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\'')); }

void CheckOneStatement(const std::string& sql) {
#ifdef ORDO_FUZZ_WITH_SERVER
    const auto parts = ordo::server::SplitStatements(sql);
    ordo::fuzz::Require(parts.size() == 1, "a rebuild statement stays one statement");
#else
    (void)sql;
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ordo::fuzz::Input in(data, size);
    const std::string_view line = in.RestText();
    for (unsigned i = 0; i < 5; ++i) (void)ordo::GetField(line, ",", i);
    if (!ordo::IsCommandText(line)) return 0;

    const ordo::TRebuildCommand command = ordo::ParseCommand(line);
    const std::string code = ordo::QuoteLiteral(command.buyerCode);
    const std::string name = ordo::QuoteLiteral(command.buyerName);
    const std::string date = ordo::QuoteLiteral(command.startDate);
    ordo::fuzz::Require(Quotes(code) == 2 * Quotes(command.buyerCode), "quotes doubled in the code");
    ordo::fuzz::Require(Quotes(name) == 2 * Quotes(command.buyerName), "quotes doubled in the name");
    const std::string lowKey = ordo::QuoteLiteral(ordo::LowVoucherKey(date));

    ordo::TLedgerDay day;
    day.date = date;
    CheckOneStatement(ordo::BuyerLedgerQuery(code, date, lowKey));
    CheckOneStatement(ordo::WalkInDayQuery(date));
    CheckOneStatement(ordo::BuyerDeleteStatement(code, date));
    CheckOneStatement(ordo::LedgerRowStatement(day, code, name));
    CheckOneStatement(ordo::OpeningRowStatement(date, code, name, 1.5, -2.25));
    CheckOneStatement(ordo::BalanceStatement(code, 10));
    CheckOneStatement(ordo::WalkInRowStatement(day));
    CheckOneStatement(ordo::WalkInDeleteStatement(date));
    return 0;
}
