#pragma once
// The program's one connection to the X display, shared by every FLTK window and dialog, and
// joined to the thread's message queue: when the display has events for us (or a widget asked
// to be redrawn), a message is posted to the session's own hidden window, and FLTK handles its
// events only when that message is dispatched. The main loop therefore keeps the window alive,
// while a reply wait, which dispatches nothing but its socket's messages, holds input, close
// requests and exposure back until the reply is in. Explicit repaints bypass the queue.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/message_queue.h"
#include "ui/ui.h"

class Fl_Window;

namespace ordo::detail {

class TFltkSession {
public:
    /// Posted to the session's hidden window: FLTK has work to do.
    static constexpr std::uint32_t kGuiEventsMessage = WM_USER + 0x300;

    /// The session of the calling thread, opening the display on first use. Null when DISPLAY
    /// is unset or does not open, or when another thread already drives the display.
    static std::shared_ptr<TFltkSession> Acquire();

    TFltkSession(const TFltkSession&) = delete;
    TFltkSession& operator=(const TFltkSession&) = delete;
    ~TFltkSession();

    /// A widget changed: it is drawn when the queue reaches the session's message (not during a
    /// reply wait), as a window's paint message would be.
    void Invalidate();
    /// Draws every damaged window at once and sends what is buffered to the display.
    void FlushNow();
    [[nodiscard]] WindowHandle Handle() const noexcept { return hwnd_; }

    /// The screen cursor applies to every window of the program, present and future.
    void SetCursor(TCursor cursor);
    [[nodiscard]] TCursor Cursor() const noexcept { return cursor_; }
    void AddWindow(Fl_Window& window);
    void RemoveWindow(Fl_Window& window);
    /// Gives a window that has just been shown the current cursor.
    void ApplyCursor(Fl_Window& window) const;

private:
    TFltkSession();
    void Pump();
    void Arm();
    void Schedule();
    void StopWatching();

    WindowHandle hwnd_ = 0;
    int fd_ = -1;
    bool watching_ = false;
    bool pending_ = false;
    TCursor cursor_ = crDefault;
    std::vector<Fl_Window*> windows_;  // not owned: each window removes itself
};

/// Points FLTK's sans-serif faces at a family that holds Hangul, when the machine has one.
void UseKoreanCapableFonts();
/// Title-bar decorations and functions a window manager should offer (Motif hints, which the
/// common window managers honour): `closeBox` false leaves no title-bar button at all.
void SetFrameHints(Fl_Window& window, bool closeBox);
/// What a window manager puts around a window's client area, in pixels.
struct TFrameExtents {
    int Left = 0, Right = 0, Top = 0, Bottom = 0;
};
/// The frame the running window manager will give a fixed-size window of this client size and
/// these decorations (see SetFrameHints), asked before the window exists. No frame without a
/// window manager, or when the manager cannot say in advance.
TFrameExtents PredictFrameExtents(int clientWidth, int clientHeight, bool closeBox);
/// The frame the window manager reports for a shown window; nothing while it has not framed it.
std::optional<TFrameExtents> FrameExtents(Fl_Window& window);
/// Positions given to the window manager are those of the client area, not of the frame, so a
/// position keeps one meaning whether or not a manager runs. Set before the window is mapped.
void UseStaticGravity(Fl_Window& window);
/// Moves a just shown window to the position it was given. FLTK nudges new windows so that an
/// assumed border stays on the screen, which takes a window off an exact screen corner.
void PlaceExactly(Fl_Window& window);
/// Asks the window manager to keep the window above the others.
void SetStayOnTop(Fl_Window& window);

}  // namespace ordo::detail
