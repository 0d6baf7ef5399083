// Process-wide pieces the Win32 backend shares: Windows Sockets start-up, error texts, the main thread.
#include <mutex>

#include "core/errors.h"
#include "platform/win32/windows_api.h"

namespace ordo::detail {

namespace {

// Dynamic initialisation runs before main, on the process's first thread.
const DWORD gMainThreadId = ::GetCurrentThreadId();

struct WinsockSession {
    WinsockSession() {
        WSADATA data{};
        if (int rc = ::WSAStartup(MAKEWORD(2, 2), &data); rc != 0)
            throw EOSError("Windows Sockets could not start: " + SystemErrorText(static_cast<DWORD>(rc)), rc);
    }
    ~WinsockSession() { ::WSACleanup(); }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
};

}  // namespace

std::string SystemErrorText(DWORD code) {
    char* text = nullptr;
    DWORD n = ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n != 0 && text != nullptr ? std::string(text, n) : "error " + std::to_string(code);
    if (text != nullptr) ::LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
    return out;
}

void EnsureWinsock() {
    static WinsockSession session;  // cleaned up at exit, after every socket of static lifetime
}

DWORD MainThreadId() noexcept { return gMainThreadId; }

}  // namespace ordo::detail
