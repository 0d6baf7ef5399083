#pragma once
// The SQL texts of the balance rebuild. Values arrive already quoted with QuoteLiteral.
#include <string>
#include <string_view>

namespace ordo {

/// One ledger day as the walk accumulates it; the amounts become the columns of one SAL_JAINFO row.
struct TLedgerDay {
    std::string date;
    double opening = 0;   // JIJA
    double sales = 0;     // PMIAMT1
    double returns = 0;   // BPAMT1
    double received = 0;  // IGTOTAMT
    double discount = 0;  // DCAMT
    double cut = 0;       // CUTAMT
    double igCash = 0, igCard = 0, igBank = 0, igEe = 0, igSpg = 0, igJrg = 0, igCp1 = 0;
    double closing = 0;   // DIJA
};

/// Doubles every single quote, so a value such as O'Brien stays one SQL literal.
std::string QuoteLiteral(std::string_view value);
/// The start date without its dashes, followed by "-0-00000": vouchers of the start date and later sort at or above it.
std::string LowVoucherKey(std::string_view startDate);

std::string BuyerLedgerQuery(const std::string& code, const std::string& date, const std::string& lowKey);
std::string WalkInDayQuery(const std::string& date);
std::string BuyerDeleteStatement(const std::string& code, const std::string& date);
std::string LedgerRowStatement(const TLedgerDay& day, const std::string& code, const std::string& name);
/// LedgerRowStatement written onto the end of `out`: the walk writes one a day straight into its batch.
void AppendLedgerRowStatement(std::string& out, const TLedgerDay& day, const std::string& code,
                              const std::string& name);
std::string OpeningRowStatement(const std::string& date, const std::string& code, const std::string& name,
                                double opening, double closing);
std::string BalanceStatement(const std::string& code, double closing);
std::string WalkInRowStatement(const TLedgerDay& day);
std::string WalkInDeleteStatement(const std::string& date);

}  // namespace ordo
