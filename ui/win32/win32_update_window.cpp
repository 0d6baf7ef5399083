// The client update's window on Windows. Nobody may close it: the update ends it once the new
// program has arrived, so the user's close request is swallowed.
#include "core/errors.h"
#include "ui/win32/win32_update_window.h"
#include "ui/win32/win32_window.h"

#include <mutex>
#include <type_traits>

#include <commctrl.h>

namespace ordo::detail {

namespace {

constexpr char kClassName[] = "TClientUpdateForm";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;  // a caption, no buttons
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
constexpr int kMargin = 8;
constexpr int kStatusHeight = 22;
constexpr int kMemoHeight = kUpdateFormHeight - kBarHeight - kStatusHeight - 3 * kMargin;
constexpr int kMemoId = 1;
constexpr int kStatusId = 2;
constexpr int kBarId = 3;

struct FontDeleter {
    void operator()(HFONT font) const noexcept { ::DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// The system's message font, bold when asked; the stock GUI font stands in when there is none.
FontHandle MessageFont(bool bold) {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTA font{};
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font = metrics.lfMessageFont;
    else
        ::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    if (bold) font.lfWeight = FW_BOLD;
    return FontHandle(::CreateFontIndirectA(&font));
}

LRESULT CALLBACK UpdateFormProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    switch (m) {
        case WM_CLOSE:
            return 0;
        case WM_CTLCOLORSTATIC: {
            // A read-only edit asks here too; the memo keeps the white of an editable one.
            auto dc = reinterpret_cast<HDC>(w);
            const bool status = ::GetDlgCtrlID(reinterpret_cast<HWND>(l)) == kStatusId;
            const int background = status ? COLOR_BTNFACE : COLOR_WINDOW;
            ::SetTextColor(dc, status ? kUpdateStatusColor : ::GetSysColor(COLOR_WINDOWTEXT));
            ::SetBkColor(dc, ::GetSysColor(background));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(background));
        }
        default:
            return ::DefWindowProcA(h, m, w, l);
    }
}

void RegisterUpdateFormClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_PROGRESS_CLASS};
        ::InitCommonControlsEx(&icc);
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = UpdateFormProc;
        wc.hInstance = ::GetModuleHandleA(nullptr);
        wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kClassName;
        if (::RegisterClassExA(&wc) == 0)
            throw EOSError("Cannot register the update window class: " + SystemErrorText(::GetLastError()),
                           static_cast<int>(::GetLastError()));
    });
}

[[noreturn]] void ThrowCreateError(const char* what) {
    const DWORD code = ::GetLastError();
    throw EOSError(std::string("Cannot create the update window's ") + what + ": " + SystemErrorText(code),
                   static_cast<int>(code));
}

std::string WindowText(HWND h) {
    const int n = ::GetWindowTextLengthA(h);
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    const int got = ::GetWindowTextA(h, out.data(), n + 1);
    out.resize(static_cast<std::size_t>(got < 0 ? 0 : got));
    return out;
}

// Owns the form; DestroyWindow takes its children with it.
struct FormHandle {
    HWND hwnd = nullptr;
    FormHandle() = default;
    FormHandle(const FormHandle&) = delete;
    FormHandle& operator=(const FormHandle&) = delete;
    ~FormHandle() {
        if (hwnd != nullptr) ::DestroyWindow(hwnd);
    }
};

class TWin32UpdateWindow : public IUiUpdateWindow {
public:
    TWin32UpdateWindow();

    void SetCaption(std::string_view text) override { ::SetWindowTextA(form_.hwnd, std::string(text).c_str()); }
    [[nodiscard]] std::string Caption() const override { return WindowText(form_.hwnd); }
    void SetMemoText(std::string_view text) override { ::SetWindowTextA(memo_, std::string(text).c_str()); }
    [[nodiscard]] std::string MemoText() const override { return WindowText(memo_); }
    void SetStatusText(std::string_view text) override { ::SetWindowTextA(status_, std::string(text).c_str()); }
    [[nodiscard]] std::string StatusText() const override { return WindowText(status_); }
    IUiProgressBar& Progress() override { return *progress_; }
    void Show() override;
    [[nodiscard]] bool Shown() const override { return ::IsWindowVisible(form_.hwnd) != FALSE; }
    void Close() override {
        closed_ = true;
        ::ShowWindow(form_.hwnd, SW_HIDE);
    }
    [[nodiscard]] bool Closed() const override { return closed_; }
    void Repaint() override {
        // Drawn now: while the stream arrives the loop does not get to WM_PAINT.
        ::RedrawWindow(form_.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

    [[nodiscard]] TWin32UpdateHandles Handles() const {
        return TWin32UpdateHandles{form_.hwnd, memo_, status_, progress_->Handle()};
    }

private:
    HWND Child(const char* cls, DWORD style, DWORD exStyle, int id, RECT r, const char* what);

    // Fonts outlive the form, whose controls draw with them until it is destroyed.
    FontHandle memoFont_ = MessageFont(false);
    FontHandle statusFont_ = MessageFont(true);
    FormHandle form_;
    HWND memo_ = nullptr;
    HWND status_ = nullptr;
    std::unique_ptr<TWin32ProgressBar> progress_;
    bool closed_ = false;
};

TWin32UpdateWindow::TWin32UpdateWindow() {
    RegisterUpdateFormClass();
    RECT frame{0, 0, kUpdateFormWidth, kUpdateFormHeight};
    ::AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    form_.hwnd = ::CreateWindowExA(kExStyle, kClassName, "", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                                   frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                   ::GetModuleHandleA(nullptr), nullptr);
    if (form_.hwnd == nullptr) ThrowCreateError("form");
    constexpr int inner = kUpdateFormWidth - 2 * kMargin;
    memo_ = Child("EDIT", ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE, kMemoId,
                  RECT{kMargin, kMargin, inner, kMemoHeight}, "memo");
    status_ = Child("STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE, 0, kStatusId,
                    RECT{kMargin, 2 * kMargin + kMemoHeight, inner, kStatusHeight}, "status line");
    HWND bar = Child(PROGRESS_CLASSA, 0, 0, kBarId,
                     RECT{0, kUpdateFormHeight - kBarHeight, kUpdateFormWidth, kBarHeight}, "progress bar");
    ::SendMessageA(memo_, WM_SETFONT, reinterpret_cast<WPARAM>(memoFont_.get()), FALSE);
    ::SendMessageA(status_, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont_.get()), FALSE);
    progress_ = std::make_unique<TWin32ProgressBar>(bar);
    progress_->SetMax(100);
    progress_->SetVisible(true);
}

// `r` holds left, top, width and height.
HWND TWin32UpdateWindow::Child(const char* cls, DWORD style, DWORD exStyle, int id, RECT r, const char* what) {
    HWND h = ::CreateWindowExA(exStyle, cls, "", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right, r.bottom,
                               form_.hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               ::GetModuleHandleA(nullptr), nullptr);
    if (h == nullptr) ThrowCreateError(what);
    return h;
}

void TWin32UpdateWindow::Show() {
    if (closed_ || Shown()) return;
    RECT r{};
    ::GetWindowRect(form_.hwnd, &r);
    const int left = (::GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    const int top = (::GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    ::SetWindowPos(form_.hwnd, HWND_TOPMOST, left, top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    ::UpdateWindow(form_.hwnd);
}

}  // namespace

std::unique_ptr<IUiUpdateWindow> MakeWin32UpdateWindow() { return std::make_unique<TWin32UpdateWindow>(); }

TWin32UpdateHandles Win32UpdateHandles(IUiUpdateWindow& window) {
    auto* w = dynamic_cast<TWin32UpdateWindow*>(&window);
    return w != nullptr ? w->Handles() : TWin32UpdateHandles{};
}

}  // namespace ordo::detail
