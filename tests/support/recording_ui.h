#pragma once
// A user interface that answers questions with a fixed answer and keeps every text it was shown,
// for tests of what the socket, the data sets and the update tell the user.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/ui.h"

namespace ordo::test {

class RecordingUi : public IUiBackend {
public:
    std::string Name() const override { return "recording"; }
    std::unique_ptr<IUiWindow> CreateWindow() override { return nullptr; }
    TRect WorkArea() const override { return {0, 0, 1920, 1040}; }
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }
    bool Confirm(std::string_view question, bool) override {
        questions.emplace_back(question);
        return answer;
    }
    void SetScreenCursor(TCursor c) override {
        cursor = c;
        cursorHistory.push_back(c);
    }
    TCursor ScreenCursor() const override { return cursor; }

    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<TCursor> cursorHistory;
    TCursor cursor = crDefault;
    bool answer = true;
};

}  // namespace ordo::test
