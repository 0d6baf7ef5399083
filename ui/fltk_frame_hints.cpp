#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <chrono>
#include <optional>
#include <poll.h>
#include <vector>

#include "ui/fltk_session.h"

namespace ordo::detail {

namespace {

// The Motif window manager hints: five 32-bit fields, of which we fill the first three.
constexpr long kHintsFunctions = 1L << 0;
constexpr long kHintsDecorations = 1L << 1;
constexpr long kFuncMove = 1L << 2;
constexpr long kFuncClose = 1L << 5;
constexpr long kDecorBorder = 1L << 1;
constexpr long kDecorTitle = 1L << 3;
constexpr long kDecorMenu = 1L << 4;

constexpr long kNetWmStateAdd = 1;
constexpr long kSourceApplication = 1;

// How long a window manager that offers to tell the frame in advance gets to answer.
constexpr int kFrameAnswerMs = 2000;

Atom Intern(const char* name) { return XInternAtom(fl_display, name, False); }

void WriteFrameHints(Window xid, bool closeBox) {
    long hints[5] = {kHintsFunctions | kHintsDecorations, kFuncMove, kDecorBorder | kDecorTitle, 0, 0};
    if (closeBox) {
        hints[1] |= kFuncClose;
        hints[2] |= kDecorMenu;
    }
    const Atom atom = Intern("_MOTIF_WM_HINTS");
    XChangeProperty(fl_display, xid, atom, atom, 32, PropModeReplace, reinterpret_cast<unsigned char*>(hints), 5);
}

std::vector<long> ReadLongs(Window xid, Atom property, Atom type) {
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(fl_display, xid, property, 0, 1024, False, type, &actualType, &format, &count, &after,
                           &data) == Success &&
        data != nullptr && format == 32) {
        const long* longs = reinterpret_cast<const long*>(data);  // Xlib hands 32-bit items as longs
        values.assign(longs, longs + count);
    }
    if (data != nullptr) XFree(data);
    return values;
}

std::optional<TFrameExtents> ReadFrameExtents(Window xid) {
    const std::vector<long> v = ReadLongs(xid, Intern("_NET_FRAME_EXTENTS"), XA_CARDINAL);
    if (v.size() != 4) return std::nullopt;
    return TFrameExtents{static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]),
                         static_cast<int>(v[3])};
}

// Asks about windows of other clients, which may be gone by the time the server answers (a
// window manager that ended without tidying up leaves its check window's id behind).
class TIgnoreXErrors {
public:
    TIgnoreXErrors() {
        XSync(fl_display, False);  // errors of earlier requests still go to the usual handler
        previous_ = XSetErrorHandler(&Ignore);
    }
    ~TIgnoreXErrors() {
        XSync(fl_display, False);
        XSetErrorHandler(previous_);
    }
    TIgnoreXErrors(const TIgnoreXErrors&) = delete;
    TIgnoreXErrors& operator=(const TIgnoreXErrors&) = delete;

private:
    static int Ignore(Display*, XErrorEvent*) { return 0; }
    XErrorHandler previous_ = nullptr;
};

// A window manager is running when the root names its check window and that window names itself.
bool WindowManagerRunning() {
    const TIgnoreXErrors guard;
    const Atom check = Intern("_NET_SUPPORTING_WM_CHECK");
    const std::vector<long> fromRoot = ReadLongs(RootWindow(fl_display, fl_screen), check, XA_WINDOW);
    if (fromRoot.size() != 1) return false;
    const std::vector<long> fromCheck = ReadLongs(static_cast<Window>(fromRoot[0]), check, XA_WINDOW);
    return fromCheck.size() == 1 && fromCheck[0] == fromRoot[0];
}

bool WindowManagerSupports(const char* name) {
    const std::vector<long> supported =
        ReadLongs(RootWindow(fl_display, fl_screen), Intern("_NET_SUPPORTED"), XA_ATOM);
    return std::find(supported.begin(), supported.end(), static_cast<long>(Intern(name))) != supported.end();
}

void RequestFrameExtents(Window xid) {
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = xid;
    request.xclient.message_type = Intern("_NET_REQUEST_FRAME_EXTENTS");
    request.xclient.format = 32;
    XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XFlush(fl_display);
}

// Asks the window manager for the frame extents of a window that selected property changes and
// waits for the answer; only that window's events are taken off the queue. A manager that has
// just started announces itself before it listens, so the question is repeated until it answers.
std::optional<TFrameExtents> AskFrameExtents(Window xid) {
    constexpr auto kRepeat = std::chrono::milliseconds(250);
    const Atom extents = Intern("_NET_FRAME_EXTENTS");
    const int fd = ConnectionNumber(fl_display);
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + std::chrono::milliseconds(kFrameAnswerMs);
    auto nextAsk = start;
    for (;;) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextAsk) {
            RequestFrameExtents(xid);
            nextAsk = now + kRepeat;
        }
        XEvent event;
        while (XCheckTypedWindowEvent(fl_display, xid, PropertyNotify, &event))
            if (event.xproperty.atom == extents) return ReadFrameExtents(xid);
        if (now >= deadline) return std::nullopt;
        pollfd readable{fd, POLLIN, 0};
        poll(&readable, 1, 10);
        XEventsQueued(fl_display, QueuedAfterReading);
    }
}

}  // namespace

void SetFrameHints(Fl_Window& window, bool closeBox) {
    if (!window.shown()) return;
    WriteFrameHints(fl_xid(&window), closeBox);
}

TFrameExtents PredictFrameExtents(int clientWidth, int clientHeight, bool closeBox) {
    if (!WindowManagerRunning() || !WindowManagerSupports("_NET_REQUEST_FRAME_EXTENTS")) return {};
    // The manager measures a window that is never mapped, with the hints ours will carry: the
    // frame depends on the decorations and on whether the window can be resized.
    const Window root = RootWindow(fl_display, fl_screen);
    XSetWindowAttributes attrs{};
    attrs.event_mask = PropertyChangeMask;
    const Window probe = XCreateWindow(fl_display, root, 0, 0, static_cast<unsigned>(clientWidth),
                                       static_cast<unsigned>(clientHeight), 0, CopyFromParent, InputOnly,
                                       CopyFromParent, CWEventMask, &attrs);
    WriteFrameHints(probe, closeBox);
    XSizeHints size{};
    size.flags = PMinSize | PMaxSize;
    size.min_width = size.max_width = clientWidth;
    size.min_height = size.max_height = clientHeight;
    XSetWMNormalHints(fl_display, probe, &size);
    const std::optional<TFrameExtents> extents = AskFrameExtents(probe);
    XDestroyWindow(fl_display, probe);
    XFlush(fl_display);
    return extents.value_or(TFrameExtents{});
}

std::optional<TFrameExtents> FrameExtents(Fl_Window& window) {
    if (!window.shown()) return std::nullopt;
    return ReadFrameExtents(fl_xid(&window));
}

void UseStaticGravity(Fl_Window& window) {
    if (!window.shown()) return;
    XSizeHints hints{};
    long supplied = 0;
    XGetWMNormalHints(fl_display, fl_xid(&window), &hints, &supplied);
    hints.flags |= PWinGravity;
    hints.win_gravity = StaticGravity;
    XSetWMNormalHints(fl_display, fl_xid(&window), &hints);
}

void PlaceExactly(Fl_Window& window) {
    if (!window.shown()) return;
    XMoveWindow(fl_display, fl_xid(&window), window.x(), window.y());
}

void SetStayOnTop(Fl_Window& window) {
    if (!window.shown()) return;
    const Window xid = fl_xid(&window);
    const Atom state = Intern("_NET_WM_STATE");
    const Atom above = Intern("_NET_WM_STATE_ABOVE");
    // The property is what a window manager reads when it takes the window on; the message is
    // how it learns of the change for a window it already manages.
    long value = static_cast<long>(above);
    XChangeProperty(fl_display, xid, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&value),
                    1);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = xid;
    event.xclient.message_type = state;
    event.xclient.format = 32;
    event.xclient.data.l[0] = kNetWmStateAdd;
    event.xclient.data.l[1] = static_cast<long>(above);
    event.xclient.data.l[3] = kSourceApplication;
    XSendEvent(fl_display, RootWindow(fl_display, fl_screen), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

}  // namespace ordo::detail
