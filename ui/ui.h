#pragma once
// The user-interface services the program needs, behind a backend-neutral interface: one small
// window with a progress bar, message boxes and yes/no questions, the screen cursor, the
// desktop work area and the window that shows a client update arriving. The headless backend
// reports on stderr; the graphical one (FLTK) serves when a display can be opened.
//
// Usage:
//   auto ui = CreateUiBackend();                 // headless when DISPLAY is unset
//   auto win = ui->CreateWindow();
//   win->SetCaption(AnsiLiteral("쿼리 기록"));
//   win->SetClientSize(120, 57);
//   TRect wa = ui->WorkArea();
//   win->SetPosition(wa.Right - win->Width(), wa.Bottom - win->Height());
//   win->Progress().SetMax(10); win->Progress().SetVisible(true);
//   win->Show();
//   ... win->Progress().SetPosition(5); win->Progress().Repaint();   // drawn now, even mid-wait
//
// A graphical backend's events (input, exposure, close requests) are messages of its own hidden
// window in the thread's message queue: the main loop handles them, a reply wait holds them back.
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>

namespace ordo {

/// Screen cursor shapes, numbered as the cursor constants of the original platform.
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    [[nodiscard]] int Width() const noexcept { return Right - Left; }
    [[nodiscard]] int Height() const noexcept { return Bottom - Top; }
};

/// A progress bar inside a window.
class IUiProgressBar {
public:
    virtual ~IUiProgressBar() = default;
    virtual void SetMax(int value) = 0;
    [[nodiscard]] virtual int Max() const = 0;
    /// Clamped to 0..Max().
    virtual void SetPosition(int value) = 0;
    [[nodiscard]] virtual int Position() const = 0;
    virtual void SetVisible(bool value) = 0;
    [[nodiscard]] virtual bool Visible() const = 0;
    /// Draws the bar now instead of at the next idle moment.
    virtual void Repaint() = 0;
};

/// A top-level window. Sizes are pixels; Width()/Height() include the frame.
class IUiWindow {
public:
    virtual ~IUiWindow() = default;
    virtual void SetCaption(std::string_view text) = 0;   ///< ANSI text
    [[nodiscard]] virtual std::string Caption() const = 0;
    virtual void SetClientSize(int width, int height) = 0;
    [[nodiscard]] virtual int ClientWidth() const = 0;
    [[nodiscard]] virtual int ClientHeight() const = 0;
    [[nodiscard]] virtual int Width() const = 0;
    [[nodiscard]] virtual int Height() const = 0;
    /// Places the outer frame's top-left corner.
    virtual void SetPosition(int left, int top) = 0;
    [[nodiscard]] virtual int Left() const = 0;
    [[nodiscard]] virtual int Top() const = 0;
    virtual void Show() = 0;
    virtual void Hide() = 0;
    [[nodiscard]] virtual bool Shown() const = 0;
    /// Closes the window once: it disappears and OnClose runs (the program ends its loop there).
    virtual void Close() = 0;
    [[nodiscard]] virtual bool Closed() const = 0;
    virtual IUiProgressBar& Progress() = 0;

    std::function<void(IUiWindow& sender)> OnClose;
};

/// The window shown while a new build of the program arrives from the server: stays on top of
/// the others, centred on the screen, without title-bar buttons (the user cannot close it), a
/// read-only memo above, a status line and a progress bar along the bottom. It starts empty;
/// the update code fills in its texts. Texts are ANSI.
class IUiUpdateWindow {
public:
    virtual ~IUiUpdateWindow() = default;
    virtual void SetCaption(std::string_view text) = 0;
    [[nodiscard]] virtual std::string Caption() const = 0;
    virtual void SetMemoText(std::string_view text) = 0;
    [[nodiscard]] virtual std::string MemoText() const = 0;
    virtual void SetStatusText(std::string_view text) = 0;
    [[nodiscard]] virtual std::string StatusText() const = 0;
    /// Range 0..100 and visible when the window is created.
    virtual IUiProgressBar& Progress() = 0;
    virtual void Show() = 0;
    [[nodiscard]] virtual bool Shown() const = 0;
    /// Hides the window for good; later Show calls do nothing.
    virtual void Close() = 0;
    [[nodiscard]] virtual bool Closed() const = 0;
    /// Draws the whole window (caption, status line and bar) now.
    virtual void Repaint() = 0;
};

/// The whole user-interface backend; one per program.
class IUiBackend {
public:
    virtual ~IUiBackend() = default;
    [[nodiscard]] virtual std::string Name() const = 0;
    virtual std::unique_ptr<IUiWindow> CreateWindow() = 0;
    /// The desktop without the task bar.
    [[nodiscard]] virtual TRect WorkArea() const = 0;
    /// A message box with an OK button (ANSI text).
    virtual void ShowMessage(std::string_view text) = 0;
    /// A question with Yes and No; `defaultAnswer` is taken when nobody can answer.
    virtual bool Confirm(std::string_view question, bool defaultAnswer) = 0;
    virtual void SetScreenCursor(TCursor cursor) = 0;
    [[nodiscard]] virtual TCursor ScreenCursor() const = 0;
    /// A new, hidden update window. Backends without one of their own report on stderr.
    virtual std::unique_ptr<IUiUpdateWindow> CreateUpdateWindow();
};

/// The headless backend: a nominal 1920 x 1080 screen whose work area leaves 40 pixels for a
/// task bar, messages and questions on `err`, answers read from `in` when it is a terminal.
/// The progress bar is drawn on `err` only when `errIsTerminal`.
std::unique_ptr<IUiBackend> CreateHeadlessUi(std::ostream& err, std::istream* in, bool errIsTerminal,
                                             bool inIsTerminal);
/// The headless backend on stderr/stdin, asking only when they are terminals.
std::unique_ptr<IUiBackend> CreateTextUi();
/// The backend for this session: the graphical one when it is built in, DISPLAY is set and that
/// display opens; otherwise headless on stderr/stdin.
std::unique_ptr<IUiBackend> CreateUiBackend();

}  // namespace ordo
