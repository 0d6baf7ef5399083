#include "tests/ui/x_probe.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <cstdlib>
#include <stdexcept>

namespace ordo::test {

namespace {

// Windows of the program under test come and go while we look at them: errors on the probe's
// own connection are expected, everybody else's go to the handler that was there before.
Display* gProbeDisplay = nullptr;
XErrorHandler gPreviousHandler = nullptr;

int ProbeErrorHandler(Display* display, XErrorEvent* event) {
    if (display == gProbeDisplay) return 0;
    return gPreviousHandler != nullptr ? gPreviousHandler(display, event) : 0;
}

void GuardErrors(Display* display) {
    gProbeDisplay = display;
    XErrorHandler previous = XSetErrorHandler(&ProbeErrorHandler);
    if (previous != &ProbeErrorHandler) gPreviousHandler = previous;
}

}  // namespace

int TImage::Count(int x, int y, int w, int h, TRgb colour, int tolerance) const {
    auto near = [tolerance](int a, int b) { return std::abs(a - b) <= tolerance; };
    int n = 0;
    for (int row = y; row < y + h && row < height; ++row)
        for (int col = x; col < x + w && col < width; ++col) {
            const TRgb& p = At(col, row);
            if (near(p.r, colour.r) && near(p.g, colour.g) && near(p.b, colour.b)) ++n;
        }
    return n;
}

TXProbe::TXProbe() : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) throw std::runtime_error("the test display does not open");
}

TXProbe::~TXProbe() {
    if (gProbeDisplay == display_) gProbeDisplay = nullptr;
    XCloseDisplay(display_);
}

long TXProbe::AtomOf(const char* name) { return static_cast<long>(XInternAtom(display_, name, False)); }

std::string TXProbe::NetWmName(Window w) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
    std::string name;
    if (XGetWindowProperty(display_, w, XInternAtom(display_, "_NET_WM_NAME", False), 0, 1024, False, utf8, &type,
                           &format, &count, &after, &data) == Success &&
        data != nullptr) {
        name.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data != nullptr) XFree(data);
    return name;
}

std::optional<Window> TXProbe::FindByName(const std::string& utf8Name) {
    GuardErrors(display_);
    // A frame nests the client a level or two below the root.
    return FindByNameBelow(DefaultRootWindow(display_), utf8Name, 3);
}

std::optional<Window> TXProbe::FindByNameBelow(Window parent, const std::string& utf8Name, int depth) {
    Window root = 0, itsParent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    std::optional<Window> found;
    if (XQueryTree(display_, parent, &root, &itsParent, &children, &count) == 0) return found;
    for (unsigned int i = 0; i < count && !found; ++i)
        if (NetWmName(children[i]) == utf8Name) found = children[i];
    for (unsigned int i = 0; i < count && !found && depth > 1; ++i)
        found = FindByNameBelow(children[i], utf8Name, depth - 1);
    if (children != nullptr) XFree(children);
    return found;
}

Window TXProbe::OuterWindow(Window w) {
    GuardErrors(display_);
    const Window rootWindow = DefaultRootWindow(display_);
    for (;;) {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display_, w, &root, &parent, &children, &count) == 0) return w;
        if (children != nullptr) XFree(children);
        if (parent == rootWindow || parent == 0) return w;
        w = parent;
    }
}

TGeometry TXProbe::Geometry(Window w) {
    GuardErrors(display_);
    XWindowAttributes attrs{};
    TGeometry g;
    if (XGetWindowAttributes(display_, w, &attrs) == 0) return g;
    Window child = 0;
    XTranslateCoordinates(display_, w, DefaultRootWindow(display_), 0, 0, &g.x, &g.y, &child);
    g.width = attrs.width;
    g.height = attrs.height;
    g.viewable = attrs.map_state == IsViewable;
    return g;
}

std::vector<long> TXProbe::Property32(Window w, const char* name) {
    GuardErrors(display_);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> values;
    if (XGetWindowProperty(display_, w, XInternAtom(display_, name, False), 0, 64, False, AnyPropertyType, &type,
                           &format, &count, &after, &data) == Success &&
        data != nullptr && format == 32) {
        const long* longs = reinterpret_cast<const long*>(data);  // Xlib hands 32-bit items as longs
        values.assign(longs, longs + count);
    }
    if (data != nullptr) XFree(data);
    return values;
}

void TXProbe::SetProperty32(Window w, const char* name, const char* type, const std::vector<long>& values) {
    XChangeProperty(display_, w, XInternAtom(display_, name, False), XInternAtom(display_, type, False), 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(values.data()),
                    static_cast<int>(values.size()));
    XSync(display_, False);
}

std::vector<int> TXProbe::SizeLimits(Window w) {
    XSizeHints hints{};
    long supplied = 0;
    if (XGetWMNormalHints(display_, w, &hints, &supplied) == 0) return {0, 0, 0, 0};
    std::vector<int> limits{0, 0, 0, 0};
    if (hints.flags & PMinSize) limits[0] = hints.min_width, limits[1] = hints.min_height;
    if (hints.flags & PMaxSize) limits[2] = hints.max_width, limits[3] = hints.max_height;
    return limits;
}

std::pair<int, int> TXProbe::ScreenSize() {
    return {DisplayWidth(display_, DefaultScreen(display_)), DisplayHeight(display_, DefaultScreen(display_))};
}

TImage TXProbe::Grab(int x, int y, int w, int h) {
    XImage* image = XGetImage(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (image == nullptr) throw std::runtime_error("XGetImage failed");
    TImage out{w, h, {}};
    out.pixels.reserve(static_cast<std::size_t>(w * h));
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) {
            const unsigned long p = XGetPixel(image, col, row);
            out.pixels.push_back(TRgb{static_cast<std::uint8_t>((p >> 16) & 0xFF), static_cast<std::uint8_t>((p >> 8) & 0xFF),
                                      static_cast<std::uint8_t>(p & 0xFF)});
        }
    XDestroyImage(image);
    return out;
}

void TXProbe::CoverAndUncover(int x, int y, int w, int h) {
    XSetWindowAttributes attrs{};
    attrs.override_redirect = True;
    attrs.background_pixel = WhitePixel(display_, DefaultScreen(display_));
    Window cover = XCreateWindow(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(w),
                                 static_cast<unsigned>(h), 0, CopyFromParent, InputOutput, CopyFromParent,
                                 CWOverrideRedirect | CWBackPixel, &attrs);
    XMapRaised(display_, cover);
    XSync(display_, False);
    XDestroyWindow(display_, cover);
    XSync(display_, False);
}

void TXProbe::RequestClose(Window w) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = w;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, w, False, NoEventMask, &event);
    XSync(display_, False);
}

void TXProbe::MovePointer(int x, int y) {
    XWarpPointer(display_, None, DefaultRootWindow(display_), 0, 0, 0, 0, x, y);
    XSync(display_, False);
}

unsigned long TXProbe::CursorSerial() {
    XFixesCursorImage* image = XFixesGetCursorImage(display_);
    if (image == nullptr) return 0;
    const unsigned long serial = image->cursor_serial;
    XFree(image);
    return serial;
}

void TXProbe::Sync() { XSync(display_, False); }

}  // namespace ordo::test
