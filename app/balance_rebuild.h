#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/ledger_statements.h"
#include "app/replay_ports.h"
#include "app/statement_runner.h"

namespace ordo {

/// How a rebuild ended, and where it stopped when it failed.
struct [[nodiscard]] TRebuildResult {
    enum class TStage : std::uint8_t {
        rsDone,     ///< every statement was confirmed
        rsQuery,    ///< the ledger query was not answered with its rows: nothing was written
        rsCompute,  ///< the ledger could not be computed from the rows (a NULL amount): nothing was written
        rsWrite,    ///< a write was not confirmed; those before it were
    };
    TStage failedAt = TStage::rsDone;
    TStatementResult request;  ///< the request that failed (query or write)
    std::string reason;        ///< why the computation failed
    std::size_t writesConfirmed = 0;
    std::size_t writesPlanned = 0;

    [[nodiscard]] bool Succeeded() const noexcept { return failedAt == TStage::rsDone; }
};

/// Rebuilds one buyer's day-by-day receivable ledger (or the walk-in day row) from a start date and stores the
/// buyer's balance. Queries run on the query data set, writes on the write data set, collected into batches.
class TBalanceRebuild {
public:
    TBalanceRebuild(TStatementRunner& runner, IReplayDataSet& query, IReplayDataSet& writes)
        : runner_(runner), query_(query), writes_(writes) {}

    /// True when the whole rebuild ran and every statement it sent was confirmed by the server.
    bool RebuildBalance(std::string buyerCode, std::string buyerName, std::string startDate);
    /// The rebuild, with how it ended. Every write is computed from the query's rows before the first one is
    /// sent, so a rebuild that cannot be computed writes nothing and leaves the ledger as it was.
    TRebuildResult Rebuild(std::string buyerCode, std::string buyerName, std::string startDate);

private:
    /// The writes of the rebuild, in the order they go out, computed from the query's rows.
    void PlanWrites();
    void LedgerWalk();
    void WalkInDayTotal();
    /// The amounts of the query row the walk stands on, as one day's movements.
    [[nodiscard]] TLedgerDay RowAmounts();
    void StartDay(const std::string& date, double opening);
    void AddToDay(const TLedgerDay& row);
    void ComputeClosing();
    [[nodiscard]] bool DayHasMovement() const;
    void Append(const std::string& statement);
    /// The batch with the line of one more statement begun, for the statement to be written onto.
    std::string& NextStatement();
    /// Ends the batch being written: it becomes the next planned write.
    void SendBatch();
    double Amount(const char* column) { return query_.FieldAsFloat(column); }
    void FindLedgerColumns();

    /// The ledger query's columns, found once per walk rather than by name on every row.
    struct TLedgerColumns {
        int kind, date, carried, sales, returns, discount, cut, igCash, igCard, igBank, igEe, igSpg, igJrg, igCp1;
    };

    TStatementRunner& runner_;
    IReplayDataSet& query_;
    IReplayDataSet& writes_;

    std::string code_, name_, date_, lowKey_;  // already quoted for SQL
    std::string batch_;
    std::vector<std::string> plan_;
    std::string lastKind_;
    std::string currentDay_;  // as the query gave it, for comparing days
    TLedgerDay day_;
    TLedgerColumns col_{};
};

}  // namespace ordo
