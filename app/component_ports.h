#pragma once
// The real components behind the ports the walk is written against.
#include "app/replay_ports.h"
#include "dataset/client_data_set.h"
#include "net/client_socket.h"
#include "platform/ui.h"

namespace ordo {

class TSocketPort final : public IReplaySocket {
public:
    explicit TSocketPort(TOrdoClientSocket& socket) : socket_(socket) {}
    void SetUserName(const std::string& name) override { socket_.SetUserName(name); }
    void SetReplyTimeLimit(std::uint32_t ms) override { socket_.SetReplyTimeLimit(ms); }
    [[nodiscard]] bool TimedOut() const override { return socket_.TimedOut(); }
    [[nodiscard]] bool LastWaitCompleted() const override {
        return socket_.WaitObject().LastWaitEnd() == TWaitEnd::weStopped;
    }

private:
    TOrdoClientSocket& socket_;
};

/// The position of a field among the data set's fields, for reading it by position; raises as FieldByName does.
inline int FieldPosition(const TDataSet& ds, const std::string& name) {
    const TField& field = ds.FieldByName(name);
    int i = 0;
    while (&ds.Fields(i) != &field) ++i;  // found by name, so it is among them
    return i;
}

class TDataSetPort final : public IReplayDataSet {
public:
    TDataSetPort(TOrdoClientDataSet& dataSet, TOrdoClientSocket& socket) : ds_(dataSet), socket_(socket) {}
    void UseProgramSocket() override { ds_.SetOrdoClientSocket(&socket_); }
    void ClearSQL() override { ds_.SQL().Clear(); }
    void AddSQL(const std::string& text) override { ds_.SQL().Add(text); }
    void SetActive(bool active) override { ds_.SetActive(active); }
    void Close() override { ds_.Close(); }
    void Open() override { ds_.Open(); }
    void ExecuteSQL() override { ds_.ExecuteSQL(); }
    int RecordCount() override { return ds_.RecordCount(); }
    void First() override { ds_.First(); }
    void Next() override { ds_.Next(); }
    bool Eof() override { return ds_.Eof(); }
    int RecNo() override { return ds_.RecNo(); }
    std::string FieldAsString(const std::string& name) override { return ds_.FieldByName(name).AsString(); }
    double FieldAsFloat(const std::string& name) override { return ds_.FieldByName(name).AsFloat(); }
    int FieldHandle(const std::string& name) override { return FieldPosition(ds_, name); }
    std::string HandleAsString(int handle) override { return ds_.Fields(handle).AsString(); }
    double HandleAsFloat(int handle) override { return ds_.Fields(handle).AsFloat(); }

private:
    TOrdoClientDataSet& ds_;
    TOrdoClientSocket& socket_;
};

class TWindowView final : public IReplayView {
public:
    TWindowView(IUiWindow& window, IUiBackend& ui) : window_(window), ui_(ui) {}
    void SetProgressMax(int max) override { window_.Progress().SetMax(max); }
    void SetProgressPosition(int position) override { window_.Progress().SetPosition(position); }
    void SetProgressVisible(bool visible) override { window_.Progress().SetVisible(visible); }
    void RepaintProgress() override { window_.Progress().Repaint(); }
    void SetDefaultCursor() override { ui_.SetScreenCursor(crDefault); }
    void CloseWindow() override { window_.Close(); }

private:
    IUiWindow& window_;
    IUiBackend& ui_;
};

}  // namespace ordo
