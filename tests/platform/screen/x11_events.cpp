// X events sent to whatever X window lies under a root point, for the x11
// screen test (kept apart: X11's macros clash with the test framework's names).
#include <X11/Xlib.h>
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
