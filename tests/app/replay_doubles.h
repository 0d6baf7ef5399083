#pragma once
// Doubles at the boundary between the application and the socket, data sets and window.
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/replay_ports.h"
#include "core/errors.h"

namespace ordo::testing {

class FakeSocket : public IReplaySocket {
public:
    void SetUserName(const std::string& name) override { userNames.push_back(name); }
    void SetReplyTimeLimit(std::uint32_t ms) override { timeLimits.push_back(ms); }

    std::vector<std::string> userNames;
    std::vector<std::uint32_t> timeLimits;
};

using FakeRow = std::map<std::string, std::optional<std::string>>;

/// Records what it is asked to do; Open loads the rows `rowsFor` returns for the SQL. Every Open and ExecuteSQL is a
/// request with a new id that ends as `endFor` says (confirmed when unset); `onRequest` may run a side effect or
/// raise, which makes the request one the server refused with that text.
class FakeDataSet : public IReplayDataSet {
public:
    void UseProgramSocket() override { calls.push_back("UseProgramSocket"); }
    void ClearSQL() override {
        calls.push_back("ClearSQL");
        sql.clear();
    }
    void AddSQL(const std::string& text) override {
        calls.push_back("AddSQL");
        sql += text;
    }
    void SetActive(bool active) override { calls.push_back(active ? "Active:true" : "Active:false"); }
    void Close() override {
        calls.push_back("Close");
        rows.clear();
        pos = 0;
    }
    void Open() override {
        calls.push_back("Open");
        opened.push_back(sql);
        Request(sql);
        rows = rowsFor ? rowsFor(sql) : std::vector<FakeRow>{};
        pos = 0;
    }
    void ExecuteSQL() override {
        calls.push_back("ExecuteSQL");
        executed.push_back(sql);
        Request(sql);
    }
    TOrdoRequestOutcome LastRequestOutcome() override { return last; }
    int RecordCount() override { return static_cast<int>(rows.size()); }
    void First() override { pos = 0; }
    void Next() override {
        if (pos < rows.size()) ++pos;
    }
    bool Eof() override { return pos >= rows.size(); }
    int RecNo() override { return static_cast<int>(pos) + 1; }
    std::string FieldAsString(const std::string& name) override { return Field(name).value_or(""); }
    double FieldAsFloat(const std::string& name) override {
        auto v = Field(name);
        if (!v) throw EVariantError("Could not convert variant of type (Null) into type (Double)");
        return std::stod(*v);
    }

    std::function<std::vector<FakeRow>(const std::string&)> rowsFor;
    std::function<void(const std::string&)> onRequest;
    std::function<TRequestEnd(const std::string&)> endFor;
    TOrdoRequestOutcome last;
    std::vector<std::string> calls, opened, executed;
    std::string sql;
    std::vector<FakeRow> rows;
    std::size_t pos = 0;

private:
    void Request(const std::string& text) {
        last = TOrdoRequestOutcome{last.id + 1, endFor ? endFor(text) : TRequestEnd::reReplied, {}};
        if (!onRequest) return;
        try {
            onRequest(text);
        } catch (const std::exception& e) {
            last.end = TRequestEnd::reRefused;
            last.text = e.what();
            throw;
        }
    }
    std::optional<std::string> Field(const std::string& name) {
        if (pos >= rows.size()) throw std::out_of_range("no current row");
        auto it = rows[pos].find(name);
        if (it == rows[pos].end()) return std::string("0");  // columns a fixture leaves out read as 0
        return it->second;
    }
};

class FakeView : public IReplayView {
public:
    void SetProgressMax(int max) override { events.push_back("max:" + std::to_string(max)); }
    void SetProgressPosition(int p) override { positions.push_back(p); }
    void SetProgressVisible(bool v) override {
        visible = v;
        events.push_back(v ? "show" : "hide");
    }
    void RepaintProgress() override { ++repaints; }
    void SetDefaultCursor() override { ++defaultCursor; }
    void CloseWindow() override { ++closed; }

    std::vector<std::string> events;
    std::vector<int> positions;
    bool visible = false;
    int repaints = 0, defaultCursor = 0, closed = 0;
};

}  // namespace ordo::testing
