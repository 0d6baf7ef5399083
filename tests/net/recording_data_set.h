#pragma once
// A data set that keeps what the socket handed it, registered with the socket like a real one.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/client_socket.h"
#include "params/param_list.h"

namespace ordo::test {

class RecordingDataSet : public IOrdoSocketDataSet {
public:
    RecordingDataSet() = default;
    /// Registers with the socket and leaves its registry when destroyed first, as a data set must.
    explicit RecordingDataSet(TOrdoClientSocket& socket) : owner(&socket), id(socket.RegisterDataSet(*this)) {}
    ~RecordingDataSet() override {
        if (owner != nullptr) owner->UnregisterDataSet(*this);
    }
    RecordingDataSet(const RecordingDataSet&) = delete;
    RecordingDataSet& operator=(const RecordingDataSet&) = delete;

    void FieldDefsArrived(const std::string& text) override { fieldDefs.push_back(text); }
    bool TakeZeroRowsMark() override { return std::exchange(zeroRows, false); }
    void RowsArrived(std::int32_t state, std::string_view text) override { rows.emplace_back(state, std::string(text)); }
    bool AwaitsOutputParams() const override { return awaitsOutput; }
    void OutputParamsArrived(const TOrdoParamList& params) override { outputParams = params.Count(); }
    void RowsAffectedArrived(std::int32_t n) override { rowsAffected = n; }
    void CursorIdArrived(std::int32_t value) override { cursorId = value; }
    void SocketFreed(TOrdoClientSocket&) override {
        socketFreed = true;
        owner = nullptr;
    }

    TOrdoClientSocket* owner = nullptr;
    int id = 0;

    std::vector<std::string> fieldDefs;
    std::vector<std::pair<std::int32_t, std::string>> rows;
    bool zeroRows = false;
    bool awaitsOutput = false;
    int outputParams = -1;
    int rowsAffected = -1;
    int cursorId = 0;
    bool socketFreed = false;
};

}  // namespace ordo::test
