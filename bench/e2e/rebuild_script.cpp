// rebuild_script: runs one buyer's balance rebuild with fqreplay's own rebuild code, its ledger query answered by
// ordo-server, and prints what it would have sent as an isql script instead of sending it: the query, then the
// statements of each write request followed by COMMIT. The direct side of the end-to-end benchmark replays that
// script with isql-fb, so both sides do the same work in the same transactions.
//
//   rebuild_script PORT BUYERCD BUYERNM STARTDATE > rebuild.sql
//
// Standard error gets one line: "requests N" (the query and every write request the rebuild made).
#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

#include "app/balance_rebuild.h"
#include "app/statement_runner.h"
#include "bench/support/rebuild_stubs.h"
#include "tests/support/ordo_test_client.h"

namespace ordo::bench {
namespace {

/// The query data set: opening asks the server, the rows are read the way the client data set reads them.
class TServerQuery final : public IReplayDataSet {
public:
    TServerQuery(test::OrdoTestClient& client, std::ostream& script, int& requests)
        : client_(client), script_(script), requests_(requests) {}

    void UseProgramSocket() override {}
    void ClearSQL() override { sql_.clear(); }
    void AddSQL(const std::string& text) override { sql_ += text; }
    void SetActive(bool) override {}
    void Close() override {}
    void Open() override {
        ++requests_;
        const test::OrdoReply reply = client_.Select(sql_);
        if (!reply.Ok()) throw std::runtime_error("the ledger query failed: " + reply.error);
        rows_.emplace(reply);
        row_ = 0;
        script_ << sql_ << ";\nCOMMIT;\n";
        confirmed_.Confirm();
    }
    TOrdoRequestOutcome LastRequestOutcome() override { return confirmed_.Confirmed(); }
    void ExecuteSQL() override { throw std::logic_error("the rebuild writes on its other data set"); }

    int RecordCount() override { return rows_ ? rows_->Count() : 0; }
    void First() override { row_ = 0; }
    void Next() override { ++row_; }
    bool Eof() override { return row_ >= RecordCount(); }
    int RecNo() override { return row_ + 1; }
    std::string FieldAsString(const std::string& name) override { return rows_->Text(row_, rows_->Column(name)); }
    double FieldAsFloat(const std::string& name) override {
        const int col = rows_->Column(name);
        if (rows_->IsNull(row_, col)) throw std::runtime_error("NULL amount in " + name);
        switch (rows_->Defs()[static_cast<std::size_t>(col)].DataType) {
            case ftBCD: case ftCurrency: return rows_->Amount(row_, col);
            case ftFloat: return rows_->Double(row_, col);
            case ftSmallint: case ftInteger: case ftLargeint: return static_cast<double>(rows_->Int(row_, col));
            default: return std::stod(rows_->Text(row_, col));
        }
    }

private:
    test::OrdoTestClient& client_;
    std::ostream& script_;
    int& requests_;
    std::string sql_;
    std::optional<test::DecodedRows> rows_;
    int row_ = 0;
    TConfirmedRequests confirmed_;
};

/// The write data set: each execute request becomes its statements, one a line, and a COMMIT.
class TScriptWrites final : public TWriteOnlyDataSet {
public:
    TScriptWrites(std::ostream& script, int& requests) : script_(script), requests_(requests) {}

    void Open() override { throw std::logic_error("the rebuild only executes on its write data set"); }
    void ExecuteSQL() override {
        confirmed_.Confirm();
        ++requests_;
        const std::string_view sql = Sql();
        std::size_t start = 0;
        while (start <= sql.size()) {
            std::size_t end = sql.find("\r\n", start);
            if (end == std::string_view::npos) end = sql.size();
            if (end > start) script_ << sql.substr(start, end - start) << ";\n";
            start = end + 2;
        }
        script_ << "COMMIT;\n";
    }

private:
    std::ostream& script_;
    int& requests_;
};

int Run(int port, const std::string& code, const std::string& name, const std::string& date) {
    test::OrdoTestClient client(port, {}, 600000);
    int requests = 0;
    std::ostream& script = std::cout;
    TServerQuery query(client, script, requests);
    TScriptWrites writes(script, requests);
    TConfirmingSocket socket;
    TNoView view;
    TStatementRunner runner({socket, view, [] { return true; }, [] { return std::string(); }});
    TBalanceRebuild rebuild(runner, query, writes);
    if (!rebuild.RebuildBalance(code, name, date)) {
        std::cerr << "rebuild_script: the rebuild failed\n";
        return 1;
    }
    std::cerr << "requests " << requests << '\n';
    return 0;
}

}  // namespace
}  // namespace ordo::bench

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: rebuild_script PORT BUYERCD BUYERNM STARTDATE\n";
        return 2;
    }
    try {
        return ordo::bench::Run(std::stoi(argv[1]), argv[2], argv[3], argv[4]);
    } catch (const std::exception& e) {
        std::cerr << "rebuild_script: " << e.what() << '\n';
        return 1;
    }
}
