#include "app/balance_rebuild.h"

#include <cmath>

#include <exception>

#include "core/errors.h"
#include "core/text_convert.h"

namespace ordo {
namespace {

constexpr const char* kFloorDate = "2001-01-01";
constexpr int kRowsPerBatch = 100;

}  // namespace

bool TBalanceRebuild::RebuildBalance(std::string buyerCode, std::string buyerName, std::string startDate) {
    return Rebuild(std::move(buyerCode), std::move(buyerName), std::move(startDate)).Succeeded();
}

TRebuildResult TBalanceRebuild::Rebuild(std::string buyerCode, std::string buyerName, std::string startDate) {
    if (startDate.empty()) startDate = kFloorDate;
    if (buyerCode.empty()) buyerName.clear();
    code_ = QuoteLiteral(buyerCode);
    name_ = QuoteLiteral(buyerName);
    date_ = QuoteLiteral(startDate);
    // From the raw date: built from the quoted one, every quote in it would be doubled twice.
    lowKey_ = QuoteLiteral(LowVoucherKey(startDate));
    batch_.clear();
    plan_.clear();
    lastKind_.clear();
    currentDay_.clear();
    day_ = TLedgerDay{};

    TRebuildResult result;
    const std::string query = code_.empty() ? WalkInDayQuery(date_) : BuyerLedgerQuery(code_, date_, lowKey_);
    result.request = runner_.Run(query, query_);
    if (!result.request.RowsUsable()) {
        result.failedAt = TRebuildResult::TStage::rsQuery;
        return result;
    }
    try {
        PlanWrites();
    } catch (const std::exception& e) {
        result.failedAt = TRebuildResult::TStage::rsCompute;
        result.reason = e.what();
        return result;
    }
    result.writesPlanned = plan_.size();
    for (const std::string& write : plan_) {
        if (Trim(write).empty()) continue;  // an empty batch sends nothing
        result.request = runner_.Run(write, writes_);
        if (!result.request.Confirmed()) {
            result.failedAt = TRebuildResult::TStage::rsWrite;
            return result;
        }
        ++result.writesConfirmed;
    }
    return result;
}

void TBalanceRebuild::PlanWrites() {
    const bool buyer = !code_.empty();
    if (buyer) plan_.push_back(BuyerDeleteStatement(code_, date_));

    const bool hasRows = query_.RecordCount() > 0;
    if (buyer && hasRows) {
        LedgerWalk();
    } else if (buyer) {
        // Nothing carried in and nothing moved: the buyer owes nothing from the start date on. The walk-in
        // ledger is no business of this command and stays as it is.
        plan_.push_back(BalanceStatement(code_, 0));
    } else {
        WalkInDayTotal();
    }
}

void TBalanceRebuild::FindLedgerColumns() {
    const auto h = [this](const char* name) { return query_.FieldHandle(name); };
    col_ = TLedgerColumns{h("GB"),     h("ILJA"),   h("HMSAMT"), h("SALEAMT"), h("BPAMT"),  h("DCAMT"), h("CUTAMT"),
                          h("IGCASH"), h("IGCARD"), h("IGBANK"), h("IGEE"),    h("IGSPG"),  h("IGJRG"), h("IGCP1")};
}

void TBalanceRebuild::LedgerWalk() {
    query_.First();
    FindLedgerColumns();
    while (!query_.Eof()) {
        const int recNo = query_.RecNo();
        lastKind_ = query_.HandleAsString(col_.kind);
        const std::string date = query_.HandleAsString(col_.date);
        if (recNo == 1) {
            const double carried = query_.HandleAsFloat(col_.carried);
            if (lastKind_ != "11" && date_ == kFloorDate)
                Append(OpeningRowStatement(date_, code_, name_, carried, carried));
            StartDay(date, carried);
        } else if (date != currentDay_) {
            if (DayHasMovement()) AppendLedgerRowStatement(NextStatement(), day_, code_, name_);
            StartDay(date, day_.closing);
        } else {
            AddToDay(RowAmounts());
        }
        ComputeClosing();
        if (recNo % kRowsPerBatch == 0) SendBatch();
        query_.Next();
    }
    if (DayHasMovement()) AppendLedgerRowStatement(NextStatement(), day_, code_, name_);
    Append(BalanceStatement(code_, day_.closing));
    SendBatch();
}

TLedgerDay TBalanceRebuild::RowAmounts() {
    const auto amount = [this](int column) { return query_.HandleAsFloat(column); };
    TLedgerDay row;
    row.sales = amount(col_.sales);
    row.returns = amount(col_.returns);
    row.discount = amount(col_.discount);
    row.cut = amount(col_.cut);
    row.igCash = amount(col_.igCash);
    row.igCard = amount(col_.igCard);
    row.igBank = amount(col_.igBank);
    row.igEe = amount(col_.igEe);
    row.igSpg = amount(col_.igSpg);
    row.igJrg = amount(col_.igJrg);
    row.igCp1 = amount(col_.igCp1);
    row.received = row.igCash + row.igCard + row.igBank + row.igEe + row.igSpg + row.igCp1 + row.igJrg;
    return row;
}

void TBalanceRebuild::StartDay(const std::string& date, double opening) {
    day_ = RowAmounts();
    day_.date = QuoteLiteral(date);
    day_.opening = opening;
    currentDay_ = date;
}

void TBalanceRebuild::AddToDay(const TLedgerDay& row) {
    day_.sales += row.sales;
    day_.returns += row.returns;
    day_.discount += row.discount;
    day_.cut += row.cut;
    day_.igCash += row.igCash;
    day_.igCard += row.igCard;
    day_.igBank += row.igBank;
    day_.igEe += row.igEe;
    day_.igSpg += row.igSpg;
    day_.igJrg += row.igJrg;
    day_.igCp1 += row.igCp1;
    day_.received += row.received;
}

void TBalanceRebuild::ComputeClosing() {
    if (lastKind_ == "11") {
        day_.closing = day_.opening;
        return;
    }
    day_.closing = day_.opening + day_.sales - std::fabs(day_.returns) - day_.received - day_.discount - day_.cut;
}

bool TBalanceRebuild::DayHasMovement() const {
    if (day_.date.empty()) return false;
    const double amounts[] = {day_.sales,  day_.returns, day_.received, day_.discount, day_.cut,   day_.igCash,
                              day_.igCard, day_.igBank,  day_.igEe,     day_.igSpg,    day_.igJrg, day_.igCp1};
    for (double a : amounts)
        if (a != 0) return true;
    return false;
}

void TBalanceRebuild::WalkInDayTotal() {
    std::string statement;
    if (query_.RecordCount() > 0) {
        query_.First();
        while (!query_.Eof()) {
            day_ = TLedgerDay{};
            day_.date = date_;
            day_.sales = Amount("PMIAMT1");
            day_.returns = Amount("BPAMT1");
            day_.discount = Amount("DCAMT");
            day_.cut = Amount("CUTAMT");
            day_.igCash = Amount("IGCASH");
            day_.igCard = Amount("IGCARD");
            day_.igSpg = Amount("IGSPG");
            day_.igJrg = Amount("IGJRG");
            day_.igCp1 = Amount("IGCP1");
            day_.received = Amount("IGTOTAMT");
            lastKind_.clear();
            ComputeClosing();
            statement = WalkInRowStatement(day_);
            query_.Next();
        }
    } else {
        statement = WalkInDeleteStatement(date_);
    }
    batch_ = "\r\n" + statement;  // the walk-in text always goes out with a line break in front
    SendBatch();
}

std::string& TBalanceRebuild::NextStatement() {
    if (!batch_.empty()) batch_ += "\r\n";
    return batch_;
}

void TBalanceRebuild::Append(const std::string& statement) { NextStatement() += statement; }

void TBalanceRebuild::SendBatch() {
    plan_.push_back(std::move(batch_));
    batch_.clear();
}

}  // namespace ordo
