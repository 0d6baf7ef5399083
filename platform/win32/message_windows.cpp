#include "platform/win32/message_windows.h"

#include <exception>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "core/errors.h"

namespace ordo::detail {

namespace {

constexpr char kClassName[] = "OrdoMessageWindow";

struct WindowTable {
    std::mutex mutex;
    std::unordered_map<HWND, std::shared_ptr<WindowProc>> procs;
};

WindowTable& Windows() {
    static WindowTable* table = new WindowTable;  // outlives every thread
    return *table;
}

thread_local std::exception_ptr tPendingException;

std::shared_ptr<WindowProc> FindProc(HWND h) {
    auto& t = Windows();
    std::lock_guard lock(t.mutex);
    auto it = t.procs.find(h);
    return it == t.procs.end() ? nullptr : it->second;
}

// Posted traffic is the procedure's; what the system sends itself (creation, sizing,
// destruction) keeps its default handling, as it did not exist for the Linux queue either.
bool IsPostedKind(UINT m) { return m == WM_NULL || m == WM_CLOSE || m == WM_TIMER || m >= WM_USER; }

LRESULT CALLBACK MessageWindowProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (IsPostedKind(m)) {
        if (auto proc = FindProc(h); proc && *proc) {
            try {
                (*proc)(TMessage{FromHwnd(h), m, w, l});
            } catch (...) {
                KeepWindowException(std::current_exception());
            }
        }
        return 0;  // a WM_CLOSE must not destroy the window behind its owner's back
    }
    return ::DefWindowProcA(h, m, w, l);
}

void RegisterClassOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = MessageWindowProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        if (::RegisterClassExA(&wc) == 0)
            throw EOSError("Cannot register the message window class: " + SystemErrorText(::GetLastError()),
                           static_cast<int>(::GetLastError()));
    });
}

}  // namespace

HWND CreateMessageWindow(WindowProc proc) {
    RegisterClassOnce();
    HWND h = ::CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               ::GetModuleHandleA(nullptr), nullptr);
    if (h == nullptr)
        throw EOSError("Cannot create a message window: " + SystemErrorText(::GetLastError()),
                       static_cast<int>(::GetLastError()));
    auto& t = Windows();
    std::lock_guard lock(t.mutex);
    t.procs[h] = std::make_shared<WindowProc>(std::move(proc));
    return h;
}

void DestroyMessageWindow(HWND h) {
    {
        auto& t = Windows();
        std::lock_guard lock(t.mutex);
        if (t.procs.erase(h) == 0) return;
    }
    // What is still queued for the window goes with it, whatever the system would keep.
    MSG m;
    while (::PeekMessageA(&m, h, 0, 0, PM_REMOVE | PM_NOYIELD)) {
        if (m.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(m.wParam));
            break;
        }
    }
    ::DestroyWindow(h);
}

bool DeliverToMessageWindow(HWND h, const TMessage& msg) {
    auto proc = FindProc(h);
    if (!proc) return false;
    if (*proc) (*proc)(msg);  // runs unlocked: it may post, create or destroy windows, even its own
    return true;
}

void KeepWindowException(std::exception_ptr e) noexcept {
    if (!tPendingException) tPendingException = std::move(e);
}

void RethrowPendingWindowException() {
    if (!tPendingException) return;
    std::exception_ptr e = tPendingException;
    tPendingException = nullptr;
    std::rethrow_exception(e);
}

}  // namespace ordo::detail
