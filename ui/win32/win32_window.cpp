#include "core/errors.h"
#include "platform/win32/message_windows.h"
#include "ui/win32/win32_window.h"

#include <mutex>

#include <commctrl.h>

namespace ordo::detail {

namespace {

constexpr char kClassName[] = "TfrmPellow";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

LRESULT CALLBACK FormProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<TWin32Window*>(::GetWindowLongPtrA(h, GWLP_USERDATA));
    if (self != nullptr) {
        switch (m) {
            case WM_CLOSE:
                // The user's close goes the same way as the program's: once, through OnClose.
                try {
                    self->Close();
                } catch (...) {
                    KeepWindowException(std::current_exception());  // must not unwind through user32
                }
                return 0;
            case WM_SIZE:
                self->LayOut();
                return 0;
            case WM_GETMINMAXINFO: {
                // The system's smallest captioned window is wider than this form; the form keeps
                // the size it was designed with.
                LRESULT rc = ::DefWindowProcA(h, m, w, l);
                auto* info = reinterpret_cast<MINMAXINFO*>(l);
                info->ptMinTrackSize = POINT{1, 1};
                return rc;
            }
            default:
                break;
        }
    }
    return ::DefWindowProcA(h, m, w, l);
}

void RegisterFormClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&icc);
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = FormProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
        wc.lpszClassName = kClassName;
        if (::RegisterClassExA(&wc) == 0)
            throw EOSError("Cannot register the window class: " + SystemErrorText(::GetLastError()),
                           static_cast<int>(::GetLastError()));
    });
}

RECT WindowRect(HWND h) {
    RECT r{};
    ::GetWindowRect(h, &r);
    return r;
}

}  // namespace

void TWin32ProgressBar::SetMax(int value) {
    max_ = value < 0 ? 0 : value;
    ::SendMessageA(bar_, PBM_SETRANGE32, 0, max_);
    SetPosition(position_);
}

void TWin32ProgressBar::SetPosition(int value) {
    position_ = value < 0 ? 0 : value > max_ ? max_ : value;
    ::SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(position_), 0);
}

void TWin32ProgressBar::SetVisible(bool value) {
    visible_ = value;
    ::ShowWindow(bar_, value ? SW_SHOWNA : SW_HIDE);
}

void TWin32ProgressBar::Repaint() {
    // Painted now, not when the loop next gets to WM_PAINT: a reply wait holds that back.
    ::RedrawWindow(bar_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

TWin32Window::TWin32Window() {
    RegisterFormClass();
    RECT r{0, 0, 120, 57};
    ::AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    hwnd_ = ::CreateWindowExA(kExStyle, kClassName, "", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, r.right - r.left,
                              r.bottom - r.top, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (hwnd_ == nullptr)
        throw EOSError("Cannot create the window: " + SystemErrorText(::GetLastError()),
                       static_cast<int>(::GetLastError()));
    // No sizing and no maximising from the system menu: the border is a fixed one.
    if (HMENU menu = ::GetSystemMenu(hwnd_, FALSE)) {
        ::DeleteMenu(menu, SC_SIZE, MF_BYCOMMAND);
        ::DeleteMenu(menu, SC_MAXIMIZE, MF_BYCOMMAND);
    }
    HWND bar = ::CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 0, 0, hwnd_, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
    if (bar == nullptr) {
        ::DestroyWindow(hwnd_);
        throw EOSError("Cannot create the progress bar: " + SystemErrorText(::GetLastError()),
                       static_cast<int>(::GetLastError()));
    }
    progress_ = std::make_unique<TWin32ProgressBar>(bar);
    progress_->SetMax(100);
    ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    LayOut();
}

TWin32Window::~TWin32Window() {
    ::SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
}

void TWin32Window::LayOut() {
    RECT c{};
    ::GetClientRect(hwnd_, &c);
    ::MoveWindow(progress_->Handle(), 0, c.bottom - kBarHeight, c.right, kBarHeight, TRUE);
}

void TWin32Window::SetCaption(std::string_view text) { ::SetWindowTextA(hwnd_, std::string(text).c_str()); }

std::string TWin32Window::Caption() const {
    int n = ::GetWindowTextLengthA(hwnd_);
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    n = ::GetWindowTextA(hwnd_, out.data(), n + 1);
    out.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
    return out;
}

void TWin32Window::SetClientSize(int width, int height) {
    RECT r{0, 0, width, height};
    ::AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    LayOut();
}

int TWin32Window::ClientWidth() const {
    RECT c{};
    ::GetClientRect(hwnd_, &c);
    return c.right;
}

int TWin32Window::ClientHeight() const {
    RECT c{};
    ::GetClientRect(hwnd_, &c);
    return c.bottom;
}

int TWin32Window::Width() const {
    RECT r = WindowRect(hwnd_);
    return r.right - r.left;
}

int TWin32Window::Height() const {
    RECT r = WindowRect(hwnd_);
    return r.bottom - r.top;
}

void TWin32Window::SetPosition(int left, int top) {
    ::SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TWin32Window::Left() const { return WindowRect(hwnd_).left; }
int TWin32Window::Top() const { return WindowRect(hwnd_).top; }

void TWin32Window::Show() {
    if (closed_) return;
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    ::UpdateWindow(hwnd_);
}

void TWin32Window::Hide() { ::ShowWindow(hwnd_, SW_HIDE); }

bool TWin32Window::Shown() const { return ::IsWindowVisible(hwnd_) != FALSE; }

void TWin32Window::Close() {
    if (closed_) return;
    closed_ = true;
    ::ShowWindow(hwnd_, SW_HIDE);
    if (OnClose) OnClose(*this);
}

HWND Win32WindowHandle(IUiWindow& window) {
    auto* w = dynamic_cast<TWin32Window*>(&window);
    return w != nullptr ? w->Handle() : nullptr;
}

HWND Win32ProgressHandle(IUiWindow& window) {
    auto* w = dynamic_cast<TWin32Window*>(&window);
    return w != nullptr ? static_cast<TWin32ProgressBar&>(w->Progress()).Handle() : nullptr;
}

}  // namespace ordo::detail
