#pragma once
// The parts of the program a balance rebuild measured on its own does without: a socket whose every request
// counts as answered, no window, and the reading half of a data set the rebuild only writes through.
#include <string>

#include "app/replay_ports.h"

namespace ordo::bench {

class TConfirmingSocket final : public IReplaySocket {
public:
    void SetUserName(const std::string&) override {}
    void SetReplyTimeLimit(std::uint32_t) override {}
};

/// Every request a stub data set makes counts as confirmed: each gets the next id.
class TConfirmedRequests {
public:
    void Confirm() noexcept { ++id_; }
    [[nodiscard]] TOrdoRequestOutcome Confirmed() const noexcept { return {id_, TRequestEnd::reReplied, {}}; }

private:
    std::uint64_t id_ = 0;
};

class TNoView final : public IReplayView {
public:
    void SetProgressMax(int) override {}
    void SetProgressPosition(int) override {}
    void SetProgressVisible(bool) override {}
    void RepaintProgress() override {}
    void SetDefaultCursor() override {}
    void CloseWindow() override {}
};

/// A data set the rebuild only executes statements on: it gathers the SQL text and has no rows.
class TWriteOnlyDataSet : public IReplayDataSet {
public:
    void UseProgramSocket() override {}
    void ClearSQL() override { sql_.clear(); }
    void AddSQL(const std::string& text) override { sql_ += text; }
    void SetActive(bool) override {}
    void Close() override {}
    int RecordCount() override { return 0; }
    void First() override {}
    void Next() override {}
    bool Eof() override { return true; }
    int RecNo() override { return 0; }
    std::string FieldAsString(const std::string&) override { return {}; }
    double FieldAsFloat(const std::string&) override { return 0; }
    TOrdoRequestOutcome LastRequestOutcome() override { return confirmed_.Confirmed(); }

protected:
    TConfirmedRequests confirmed_;
    [[nodiscard]] const std::string& Sql() const noexcept { return sql_; }

private:
    std::string sql_;
};

}  // namespace ordo::bench
