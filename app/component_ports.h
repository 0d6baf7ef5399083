#pragma once
// The real components behind the ports the walk is written against.
#include "app/replay_ports.h"
#include "client/client_data_set.h"
#include "net/client_socket.h"
#include "ui/ui.h"

namespace ordo {

class TSocketPort final : public IReplaySocket {
public:
    explicit TSocketPort(TOrdoClientSocket& socket) : socket_(socket) {}
    void SetUserName(const std::string& name) override { socket_.SetUserName(name); }
    void SetReplyTimeLimit(std::uint32_t ms) override { socket_.SetReplyTimeLimit(ms); }

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

/// The reading half of a data set port, over any open data set: moving through its rows and reading fields.
class TDataSetReader : public IReplayDataSet {
public:
    explicit TDataSetReader(TDataSet& dataSet) : rows_(dataSet) {}
    int RecordCount() override { return rows_.RecordCount(); }
    void First() override { rows_.First(); }
    void Next() override { rows_.Next(); }
    bool Eof() override { return rows_.Eof(); }
    int RecNo() override { return rows_.RecNo(); }
    std::string FieldAsString(const std::string& name) override { return rows_.FieldByName(name).AsString(); }
    double FieldAsFloat(const std::string& name) override { return rows_.FieldByName(name).AsFloat(); }
    int FieldHandle(const std::string& name) override { return FieldPosition(rows_, name); }
    std::string HandleAsString(int handle) override { return rows_.Fields(handle).AsString(); }
    double HandleAsFloat(int handle) override { return rows_.Fields(handle).AsFloat(); }

private:
    TDataSet& rows_;
};

class TDataSetPort final : public TDataSetReader {
public:
    TDataSetPort(TOrdoClientDataSet& dataSet, TOrdoClientSocket& socket)
        : TDataSetReader(dataSet), ds_(dataSet), socket_(socket) {}
    void UseProgramSocket() override { ds_.SetOrdoClientSocket(&socket_); }
    void ClearSQL() override { ds_.SQL().Clear(); }
    void AddSQL(const std::string& text) override { ds_.SQL().Add(text); }
    void SetActive(bool active) override { ds_.SetActive(active); }
    void Close() override { ds_.Close(); }
    void Open() override { ds_.Open(); }
    void ExecuteSQL() override { ds_.ExecuteSQL(); }
    TOrdoRequestOutcome LastRequestOutcome() override { return ds_.LastRequestOutcome(); }

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
    void CloseWindow() override {
        if (OnCloseWindow)
            OnCloseWindow();
        else
            window_.Close();
    }
    /// Takes the walk's closing of the window over, when set.
    std::function<void()> OnCloseWindow;

private:
    IUiWindow& window_;
    IUiBackend& ui_;
};

}  // namespace ordo
