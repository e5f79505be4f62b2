// X events sent to whatever X window lies under a root point, and the colour
// another client sees there, for the x11 screen test (kept apart: X11's
// macros clash with the test framework's names).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

bool SendClickAndKeyAt(int RootX, int RootY, int WinX, int WinY) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    Window root = DefaultRootWindow(d), target = 0;
    int x, y;
    XTranslateCoordinates(d, root, root, RootX, RootY, &x, &y, &target);
    if (!target) {
        XCloseDisplay(d);
        return false;
    }
    XEvent ev{};
    ev.xbutton.type = ButtonPress;
    ev.xbutton.display = d;
    ev.xbutton.window = target;
    ev.xbutton.root = root;
    ev.xbutton.x = WinX;
    ev.xbutton.y = WinY;
    ev.xbutton.x_root = RootX;
    ev.xbutton.y_root = RootY;
    ev.xbutton.button = 1;
    ev.xbutton.same_screen = True;
    XSendEvent(d, target, True, ButtonPressMask, &ev);
    ev.xbutton.type = ButtonRelease;
    XSendEvent(d, target, True, ButtonReleaseMask, &ev);
    XEvent key{};
    key.xkey.type = KeyPress;
    key.xkey.display = d;
    key.xkey.window = target;
    key.xkey.root = root;
    key.xkey.keycode = XKeysymToKeycode(d, XK_q);
    key.xkey.same_screen = True;
    XSendEvent(d, target, True, KeyPressMask, &key);
    key.xkey.type = KeyRelease;
    XSendEvent(d, target, True, KeyReleaseMask, &key);
    XSync(d, False);
    XCloseDisplay(d);
    return true;
}

#include <X11/Xatom.h>
#include <poll.h>

#include <chrono>
#include <cstring>

namespace {
// Waits (at most TimeoutMs) for an event that Want accepts; false on time-out.
template <class F>
bool WaitEvent(Display* d, XEvent& ev, int TimeoutMs, F Want) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        while (XPending(d)) {
            XNextEvent(d, &ev);
            if (Want(ev)) return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        poll(&p, 1, static_cast<int>(left));
    }
}
}  // namespace

// Plays a drag source dropping UriList (text/uri-list) at a root point, by the
// XDND protocol. True when the target took the drop and said it finished.
bool DropUrisAt(int RootX, int RootY, const char* UriList) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return false;
    Window root = DefaultRootWindow(d), target = 0;
    int x, y;
    XTranslateCoordinates(d, root, root, RootX, RootY, &x, &y, &target);
    Window src = XCreateSimpleWindow(d, root, 0, 0, 1, 1, 0, 0, 0);
    auto atom = [&](const char* n) { return XInternAtom(d, n, False); };
    Atom selection = atom("XdndSelection"), uri = atom("text/uri-list"), copy = atom("XdndActionCopy");
    XSetSelectionOwner(d, selection, src, CurrentTime);
    auto send = [&](const char* type, long l1, long l2, long l3, long l4) {
        XEvent e{};
        e.xclient.type = ClientMessage;
        e.xclient.display = d;
        e.xclient.window = target;
        e.xclient.message_type = atom(type);
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(src);
        e.xclient.data.l[1] = l1;
        e.xclient.data.l[2] = l2;
        e.xclient.data.l[3] = l3;
        e.xclient.data.l[4] = l4;
        XSendEvent(d, target, False, NoEventMask, &e);
        XFlush(d);
    };
    bool ok = target != 0;
    XEvent ev;
    if (ok) {
        send("XdndEnter", 5L << 24, static_cast<long>(uri), 0, 0);
        send("XdndPosition", 0, (static_cast<long>(RootX) << 16) | RootY, CurrentTime, static_cast<long>(copy));
        ok = WaitEvent(d, ev, 5000, [&](const XEvent& e) {
            return e.type == ClientMessage && e.xclient.message_type == atom("XdndStatus");
        }) && (ev.xclient.data.l[1] & 1);
    }
    if (ok) {
        send("XdndDrop", 0, CurrentTime, 0, 0);
        ok = WaitEvent(d, ev, 5000, [](const XEvent& e) { return e.type == SelectionRequest; });
    }
    if (ok) {
        XSelectionRequestEvent& r = ev.xselectionrequest;
        XChangeProperty(d, r.requestor, r.property, uri, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(UriList), static_cast<int>(std::strlen(UriList)));
        XEvent n{};
        n.xselection.type = SelectionNotify;
        n.xselection.requestor = r.requestor;
        n.xselection.selection = r.selection;
        n.xselection.target = r.target;
        n.xselection.property = r.property;
        n.xselection.time = r.time;
        XSendEvent(d, r.requestor, False, NoEventMask, &n);
        XFlush(d);
        ok = WaitEvent(d, ev, 5000, [&](const XEvent& e) {
            return e.type == ClientMessage && e.xclient.message_type == atom("XdndFinished");
        }) && (ev.xclient.data.l[1] & 1);
    }
    XDestroyWindow(d, src);
    XCloseDisplay(d);
    return ok;
}

// The colour at a root point as another client of the server sees it (0xRRGGBB),
// or -1 when it cannot be read.
long ServerPixelAt(int RootX, int RootY) {
    Display* d = XOpenDisplay(nullptr);
    if (!d) return -1;
    XImage* img = XGetImage(d, DefaultRootWindow(d), RootX, RootY, 1, 1, AllPlanes, ZPixmap);
    long pixel = img ? static_cast<long>(XGetPixel(img, 0, 0) & 0xFFFFFF) : -1;
    if (img) XDestroyImage(img);
    XCloseDisplay(d);
    return pixel;
}
