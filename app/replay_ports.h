#pragma once
// The operations the queue walk, the statement runner and the balance rebuild need of the client socket, the client
// data sets and the window. The program wires them to the real components; tests drive the walk through doubles.
#include <cstdint>
#include <string>
#include <vector>

#include "net/request_outcome.h"

namespace ordo {

/// What the statement runner needs of the client socket.
class IReplaySocket {
public:
    virtual ~IReplaySocket() = default;
    virtual void SetUserName(const std::string& name) = 0;
    /// Sets the time limit of the socket's reply wait (0 = none); it stays set for later waits.
    virtual void SetReplyTimeLimit(std::uint32_t milliseconds) = 0;
};

/// What the runner and the rebuild need of a client data set: load SQL, open or execute, then read rows.
class IReplayDataSet {
public:
    virtual ~IReplayDataSet() = default;
    /// Points the data set at the program's socket (the runner does this before every statement).
    virtual void UseProgramSocket() = 0;
    virtual void ClearSQL() = 0;
    virtual void AddSQL(const std::string& text) = 0;
    virtual void SetActive(bool active) = 0;
    virtual void Close() = 0;
    virtual void Open() = 0;
    virtual void ExecuteSQL() = 0;
    /// How the data set's last request ended; a new request has a new id.
    [[nodiscard]] virtual TOrdoRequestOutcome LastRequestOutcome() = 0;

    [[nodiscard]] virtual int RecordCount() = 0;
    virtual void First() = 0;
    virtual void Next() = 0;
    [[nodiscard]] virtual bool Eof() = 0;
    [[nodiscard]] virtual int RecNo() = 0;
    [[nodiscard]] virtual std::string FieldAsString(const std::string& name) = 0;
    /// Raises when the field is NULL: a NULL amount cannot be taken as a number.
    [[nodiscard]] virtual double FieldAsFloat(const std::string& name) = 0;

    /// A handle for reading a field of the open rows many times without finding it by name each time; it
    /// stays good while those rows stay open. Raises when there is no such field, as reading it by name would.
    /// By default a handle stands for the name; a data set that can find a field faster overrides all three.
    [[nodiscard]] virtual int FieldHandle(const std::string& name) {
        for (std::size_t i = 0; i < handleNames_.size(); ++i)
            if (handleNames_[i] == name) return static_cast<int>(i);
        handleNames_.push_back(name);
        return static_cast<int>(handleNames_.size()) - 1;
    }
    [[nodiscard]] virtual std::string HandleAsString(int handle) { return FieldAsString(HandleName(handle)); }
    [[nodiscard]] virtual double HandleAsFloat(int handle) { return FieldAsFloat(HandleName(handle)); }

protected:
    [[nodiscard]] const std::string& HandleName(int handle) const {
        return handleNames_.at(static_cast<std::size_t>(handle));
    }

private:
    std::vector<std::string> handleNames_;
};

/// The parts of the window the walk touches.
class IReplayView {
public:
    virtual ~IReplayView() = default;
    virtual void SetProgressMax(int max) = 0;
    virtual void SetProgressPosition(int position) = 0;
    virtual void SetProgressVisible(bool visible) = 0;
    /// Paints the bar now, without waiting for the message loop.
    virtual void RepaintProgress() = 0;
    virtual void SetDefaultCursor() = 0;
    virtual void CloseWindow() = 0;
};

}  // namespace ordo
