#pragma once
// A second, independent connection to the test display: what the X server itself holds about
// our windows (names, geometry, hints, pixels), and a few things a user or a window manager
// would do to them (cover them, ask them to close).
#include <X11/Xlib.h>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ordo::test {

struct TRgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

struct TImage {
    int width = 0, height = 0;
    std::vector<TRgb> pixels;  // row by row
    [[nodiscard]] const TRgb& At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    /// Pixels in the rectangle whose colour is within `tolerance` of `colour` on every channel.
    [[nodiscard]] int Count(int x, int y, int w, int h, TRgb colour, int tolerance = 24) const;
};

struct TGeometry {
    int x = 0, y = 0, width = 0, height = 0;  // root coordinates
    bool viewable = false;
};

class TXProbe {
public:
    TXProbe();
    ~TXProbe();
    TXProbe(const TXProbe&) = delete;
    TXProbe& operator=(const TXProbe&) = delete;

    /// The program's window whose _NET_WM_NAME (UTF-8) is `name`, mapped or not, also when a
    /// window manager has put it into a frame.
    [[nodiscard]] std::optional<Window> FindByName(const std::string& utf8Name);
    [[nodiscard]] TGeometry Geometry(Window w);
    /// The child of the root that holds `w`: the window manager's frame, or `w` itself.
    [[nodiscard]] Window OuterWindow(Window w);
    [[nodiscard]] std::string NetWmName(Window w);
    [[nodiscard]] std::vector<long> Property32(Window w, const char* name);
    /// Minimum and maximum size from WM_NORMAL_HINTS: {minW, minH, maxW, maxH}, zeros when unset.
    [[nodiscard]] std::vector<int> SizeLimits(Window w);
    void SetProperty32(Window w, const char* name, const char* type, const std::vector<long>& values);
    [[nodiscard]] long AtomOf(const char* name);
    [[nodiscard]] std::pair<int, int> ScreenSize();
    [[nodiscard]] Window Root() const { return DefaultRootWindow(display_); }

    /// What the screen shows in the rectangle (root coordinates).
    [[nodiscard]] TImage Grab(int x, int y, int w, int h);
    /// Puts a white window over the rectangle and takes it away again, as another program's
    /// window passing by would: the part of ours below it needs drawing anew.
    void CoverAndUncover(int x, int y, int w, int h);
    /// The window manager's close request (the close box).
    void RequestClose(Window w);
    void MovePointer(int x, int y);
    /// Serial number of the cursor image that the pointer shows now.
    [[nodiscard]] unsigned long CursorSerial();
    void Sync();

private:
    [[nodiscard]] std::optional<Window> FindByNameBelow(Window parent, const std::string& utf8Name, int depth);
    Display* display_;
};

/// Writes the image as an RGB PNG file; false when the file cannot be written.
bool WritePng(const TImage& image, const std::string& path);

}  // namespace ordo::test
