// The running process on Windows: its module file, the command line as GetCommandLineA gives
// it, programs started through the shell, and console break events delivered to the loop.
#include "platform/process.h"

#include <atomic>
#include <csignal>

#include "core/errors.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/win32/command_line.h"
#include "platform/win32/windows_api.h"
#include <shellapi.h>

namespace ordo {

std::string ExeFileName() {
    std::string buf(MAX_PATH, '\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            throw EOSError("Cannot find the executable: " + detail::SystemErrorText(::GetLastError()),
                           static_cast<int>(::GetLastError()));
        if (n < buf.size()) {
            buf.resize(n);
            // One separator throughout the program; Windows takes '/' as well as '\\'.
            return ToNativePath(buf);
        }
        buf.resize(buf.size() * 2);
    }
}

std::string ExeFolder() { return ExtractFilePath(ExeFileName()); }

std::string CommandLine() {
    const char* line = ::GetCommandLineA();
    return line != nullptr ? std::string(line) : std::string();
}

std::vector<std::string> CommandLineArgs() { return detail::SplitCommandLine(CommandLine()); }

bool StartDetached(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) return false;
    std::string params;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        if (i > 1) params += ' ';
        params += detail::QuoteCommandLineArgument(argv[i]);
    }
    std::string file = argv[0];
    for (char& c : file)
        if (c == '/') c = '\\';
    // The shell starts it as if opened from Explorer, hidden, outliving this process.
    HINSTANCE rc = ::ShellExecuteA(nullptr, "open", file.c_str(), params.empty() ? nullptr : params.c_str(),
                                   nullptr, SW_HIDE);
    return reinterpret_cast<std::intptr_t>(rc) > 32;
}

int CurrentProcessId() noexcept { return static_cast<int>(::GetCurrentProcessId()); }

void SaveShellScript(const std::string& path, const std::vector<std::string>& lines) {
    // A batch file: CR LF after every line, as cmd.exe reads it best.
    SaveTextLines(path, lines);
}

void StartRestartScript(const std::string& path) {
    if (!FileExists(path)) throw EOSError("Cannot start '" + path + "': no such file", ERROR_FILE_NOT_FOUND);
    // cmd.exe runs it in a window of its own, hidden; it outlives this process.
    if (!StartDetached({path})) {
        DWORD err = ::GetLastError();
        throw EOSError("Cannot start '" + path + "': " + detail::SystemErrorText(err), static_cast<int>(err));
    }
}

void MakeExecutable(const std::string& path) {
    // Windows runs a file by its name's extension; there are no bits to set, only the file to check.
    if (!FileExists(path)) throw EOSError("Cannot make executable '" + path + "': no such file", ERROR_FILE_NOT_FOUND);
}

namespace {

// Console break events run on a thread of their own; they reach the owner's loop as messages.
constexpr std::uint32_t kSignalMessage = WM_USER + 0x51;
std::atomic<WindowHandle> gSignalWindow{0};

BOOL WINAPI OnConsoleEvent(DWORD event) {
    WindowHandle w = gSignalWindow.load();
    if (w == 0) return FALSE;
    int signo = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    return ordo::PostMessage(w, kSignalMessage, static_cast<WPARAM>(signo)) ? TRUE : FALSE;
}

}  // namespace

// readFd_ holds the message window that receives the events; writeFd_ is not needed here.
TTerminationSignals::TTerminationSignals(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    if (gSignalWindow.load() != 0) throw EOSError("Termination signals are already being watched", ERROR_BUSY);
    WindowHandle w = AllocateHWnd([this](const TMessage& m) {
        if (m.message == kSignalMessage && onSignal_) onSignal_(static_cast<int>(m.wParam));
    });
    readFd_ = static_cast<int>(w);
    gSignalWindow.store(w);
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

TTerminationSignals::~TTerminationSignals() {
    ::SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    gSignalWindow.store(0);
    DeallocateHWnd(static_cast<WindowHandle>(readFd_));
}

std::string TTerminationSignals::Name(int signo) {
    return signo == SIGINT ? std::string("Ctrl+C") : std::string("a console break or close");
}

void TTerminationSignals::Drain() {}

}  // namespace ordo
