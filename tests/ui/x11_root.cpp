// Kept apart from the tests: Xlib's names clash with the window layer's.
#include "tests/ui/x11_root.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace xvfbtest {

bool SetRootColour(uint32_t Rgb) {
    Display* D = XOpenDisplay(nullptr);
    if (!D) return false;
    const int S = DefaultScreen(D);
    XColor C{};
    C.red = static_cast<unsigned short>(((Rgb >> 16) & 0xFF) * 257);
    C.green = static_cast<unsigned short>(((Rgb >> 8) & 0xFF) * 257);
    C.blue = static_cast<unsigned short>((Rgb & 0xFF) * 257);
    C.flags = DoRed | DoGreen | DoBlue;
    const bool Ok = XAllocColor(D, DefaultColormap(D, S), &C) != 0;
    if (Ok) {
        XSetWindowBackground(D, RootWindow(D, S), C.pixel);
        XClearWindow(D, RootWindow(D, S));
        XSync(D, False);
    }
    XCloseDisplay(D);
    return Ok;
}

bool ScreenPixel(int X, int Y, uint32_t& Rgb) {
    Display* D = XOpenDisplay(nullptr);
    if (!D) return false;
    const int S = DefaultScreen(D);
    XImage* Image = XGetImage(D, RootWindow(D, S), X, Y, 1, 1, AllPlanes, ZPixmap);
    bool Ok = Image != nullptr;
    if (Ok) {
        XColor C{};
        C.pixel = XGetPixel(Image, 0, 0);
        XQueryColor(D, DefaultColormap(D, S), &C);
        Rgb = (static_cast<uint32_t>(C.red >> 8) << 16) | (static_cast<uint32_t>(C.green >> 8) << 8) | (C.blue >> 8);
        XDestroyImage(Image);
    }
    XCloseDisplay(D);
    return Ok;
}

}  // namespace xvfbtest
