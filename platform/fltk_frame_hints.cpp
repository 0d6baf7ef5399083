#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include "platform/fltk_session.h"

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

Atom Intern(const char* name) { return XInternAtom(fl_display, name, False); }

}  // namespace

void SetFrameHints(Fl_Window& window, bool closeBox) {
    if (!window.shown()) return;
    long hints[5] = {kHintsFunctions | kHintsDecorations, kFuncMove, kDecorBorder | kDecorTitle, 0, 0};
    if (closeBox) {
        hints[1] |= kFuncClose;
        hints[2] |= kDecorMenu;
    }
    const Atom atom = Intern("_MOTIF_WM_HINTS");
    XChangeProperty(fl_display, fl_xid(&window), atom, atom, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(hints), 5);
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
