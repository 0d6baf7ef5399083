// The Windows user interface: the form window, the update window, message boxes with the
// program's title, the screen cursor, and the work area that leaves the task bar free.
#include "platform/files.h"
#include "platform/process.h"
#include "ui/win32/win32_ui.h"
#include "ui/win32/win32_update_window.h"
#include "ui/win32/win32_window.h"

namespace ordo::detail {

namespace {

// The shapes behind the cursor numbers; crDefault and crNone leave the window class's own.
LPCSTR SystemCursor(TCursor cursor) {
    switch (cursor) {
        case crArrow: return IDC_ARROW;
        case crCross: return IDC_CROSS;
        case crIBeam: return IDC_IBEAM;
        case crHourGlass: return IDC_WAIT;
        case crSQLWait: return IDC_WAIT;
        case crNoDrop: case crNo: return IDC_NO;
        case crAppStart: return IDC_APPSTARTING;
        case crHelp: return IDC_HELP;
        case crHandPoint: return IDC_HAND;
        default: return nullptr;
    }
}

// What message boxes show in their title bar: the program's name, as the application's title.
std::string ProgramTitle() {
    std::string name = ExtractFileName(ExeFileName());
    if (name.size() > 4 && (name.ends_with(".exe") || name.ends_with(".EXE"))) name.resize(name.size() - 4);
    return name;
}

class TWin32Ui : public IUiBackend {
public:
    [[nodiscard]] std::string Name() const override { return "win32"; }
    std::unique_ptr<IUiWindow> CreateWindow() override { return std::make_unique<TWin32Window>(); }
    std::unique_ptr<IUiUpdateWindow> CreateUpdateWindow() override { return MakeWin32UpdateWindow(); }

    [[nodiscard]] TRect WorkArea() const override {
        RECT r{};
        if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0))
            r = RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
        return TRect{r.left, r.top, r.right, r.bottom};
    }

    void ShowMessage(std::string_view text) override {
        ::MessageBoxA(::GetActiveWindow(), std::string(text).c_str(), ProgramTitle().c_str(), MB_OK | MB_TASKMODAL);
    }

    bool Confirm(std::string_view question, bool defaultAnswer) override {
        UINT flags = MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL | (defaultAnswer ? MB_DEFBUTTON1 : MB_DEFBUTTON2);
        int answer = ::MessageBoxA(::GetActiveWindow(), std::string(question).c_str(), ProgramTitle().c_str(), flags);
        if (answer == 0) return defaultAnswer;  // no box could be shown
        return answer == IDYES;
    }

    void SetScreenCursor(TCursor cursor) override {
        cursor_ = cursor;
        LPCSTR shape = SystemCursor(cursor);
        if (cursor == crNone) ::SetCursor(nullptr);
        else ::SetCursor(::LoadCursorA(nullptr, shape != nullptr ? shape : IDC_ARROW));
    }
    [[nodiscard]] TCursor ScreenCursor() const override { return cursor_; }

private:
    TCursor cursor_ = crDefault;
};

// A service or a disconnected session has a window station nobody sees: windows there would
// wait for a user who never comes.
bool HasVisibleDesktop() {
    HWINSTA station = ::GetProcessWindowStation();
    if (station == nullptr) return false;
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    if (!::GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

std::unique_ptr<IUiBackend> CreateWin32Ui() {
    if (!HasVisibleDesktop()) return nullptr;
    return std::make_unique<TWin32Ui>();
}

}  // namespace ordo::detail
