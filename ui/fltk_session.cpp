#include "ui/fltk_session.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <algorithm>
#include <cstdlib>
#include <poll.h>
#include <thread>

namespace ordo::detail {

namespace {

// FLTK keeps one display for the process; it is opened once and stays open, since FLTK cannot
// be started a second time after being shut down.
bool OpenDisplayOnce() {
    static bool opened = false;
    if (opened) return true;
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0') return false;
    // FLTK's own opener ends the process when the display is missing; ours lets the program
    // fall back to the text interface instead.
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    fl_open_display(display);
    UseKoreanCapableFonts();
    opened = true;
    return true;
}

struct SessionSlot {
    std::weak_ptr<TFltkSession> session;
    std::thread::id owner;
};

SessionSlot& Slot() {
    static SessionSlot slot;
    return slot;
}

Fl_Cursor ToFltkCursor(TCursor cursor) {
    switch (cursor) {
        case crNone: return FL_CURSOR_NONE;
        case crArrow: return FL_CURSOR_ARROW;
        case crCross: return FL_CURSOR_CROSS;
        case crIBeam: return FL_CURSOR_INSERT;
        case crHourGlass:
        case crSQLWait:
        case crAppStart: return FL_CURSOR_WAIT;
        case crHelp: return FL_CURSOR_HELP;
        case crHandPoint: return FL_CURSOR_HAND;
        default: return FL_CURSOR_DEFAULT;
    }
}

}  // namespace

std::shared_ptr<TFltkSession> TFltkSession::Acquire() {
    SessionSlot& slot = Slot();
    if (auto existing = slot.session.lock()) {
        // FLTK is not thread-safe: only the thread that drives it may have it.
        return slot.owner == std::this_thread::get_id() ? existing : nullptr;
    }
    if (!OpenDisplayOnce()) return nullptr;
    std::shared_ptr<TFltkSession> session(new TFltkSession());
    slot.session = session;
    slot.owner = std::this_thread::get_id();
    return session;
}

TFltkSession::TFltkSession() : fd_(ConnectionNumber(fl_display)) {
    hwnd_ = AllocateHWnd([this](const TMessage& msg) {
        if (msg.message == kGuiEventsMessage) Pump();
    });
    // Events may already wait in the connection's queue, read while the display was opened.
    Arm();
}

TFltkSession::~TFltkSession() {
    StopWatching();
    DeallocateHWnd(hwnd_);
    // Nothing of ours may be left half-drawn or unsent when the last window goes.
    if (fl_display != nullptr) XFlush(fl_display);
}

void TFltkSession::Pump() {
    pending_ = false;
    Fl::check();
    Arm();
}

// Waits for the display's descriptor, or posts at once when Xlib already holds events that it
// read along with some reply; those would not make the descriptor readable again.
void TFltkSession::Arm() {
    if (XQLength(fl_display) > 0) {
        Schedule();
        return;
    }
    if (watching_ || pending_) return;
    watching_ = true;
    // The watch comes off once it fired: while our message waits in the queue (during a reply
    // wait, say) the still readable descriptor must not keep the loop spinning.
    WatchDescriptor(fd_, POLLIN, [this](short) { Schedule(); });
}

void TFltkSession::Schedule() {
    StopWatching();
    if (pending_) return;
    pending_ = PostMessage(hwnd_, kGuiEventsMessage);
}

void TFltkSession::StopWatching() {
    if (!watching_) return;
    UnwatchDescriptor(fd_);
    watching_ = false;
}

void TFltkSession::Invalidate() { Schedule(); }

void TFltkSession::FlushNow() {
    Fl::flush();
    // "At once" means on the screen: wait until the X server has carried the drawing out, not just received it.
    XSync(fl_display, False);
    if (XQLength(fl_display) > 0) Schedule();
}

void TFltkSession::SetCursor(TCursor cursor) {
    cursor_ = cursor;
    for (Fl_Window* w : windows_) ApplyCursor(*w);
    // The shape changes now, as a busy cursor must show before the work starts, not after.
    XSync(fl_display, False);
    if (XQLength(fl_display) > 0) Schedule();
}

void TFltkSession::AddWindow(Fl_Window& window) { windows_.push_back(&window); }

void TFltkSession::RemoveWindow(Fl_Window& window) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), &window), windows_.end());
}

void TFltkSession::ApplyCursor(Fl_Window& window) const {
    if (window.shown()) window.cursor(ToFltkCursor(cursor_));
}

}  // namespace ordo::detail
