// The X11 screen: one undecorated X window per top-level window, our surface
// shown with XPutImage (through MIT-SHM when the server offers it), mouse and
// keyboard events handed to the window layer, file drops by XDND, and the
// CLIPBOARD selection (UTF8_STRING both ways) held by a hidden window.
//
// A reader thread takes events off the connection. It never calls the window
// layer while it holds a lock of its own, so a GUI thread that holds the
// layer's lock may always draw.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <mutex>
#include <thread>

#include "platform/gdi/surface.h"
#include "platform/screen/screen.h"

namespace {

constexpr int kVkPacket = 0xE7;

int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

struct TXWindow {
    Window Xid = 0;
    TGdiSurface* Surface = nullptr;
    RECT Rect{};
    bool Mapped = false;
    std::size_t PutBytes = 0;  // put through the connection so far
    XShmSegmentInfo Shm{};
    XImage* ShmImage = nullptr;
    int ShmW = 0, ShmH = 0;
    // Bytes of the segment handed to the server since it was last known to
    // have read them all: each put takes the next free part.
    std::size_t ShmUsed = 0;
    std::vector<RECT> Damage;  // changed since the last put, in window coordinates
};

bool Contains(const RECT& Outer, const RECT& Inner) {
    return Outer.left <= Inner.left && Outer.top <= Inner.top && Outer.right >= Inner.right &&
           Outer.bottom >= Inner.bottom;
}

// Adds a changed rectangle; rectangles inside others are dropped, and many
// become their bounding box.
void AddDamage(std::vector<RECT>& Damage, const RECT& R) {
    if (R.right <= R.left || R.bottom <= R.top) return;
    for (const RECT& D : Damage)
        if (Contains(D, R)) return;
    Damage.erase(std::remove_if(Damage.begin(), Damage.end(), [&](const RECT& D) { return Contains(R, D); }),
                 Damage.end());
    Damage.push_back(R);
    if (Damage.size() > 16) {
        RECT B = Damage[0];
        for (const RECT& D : Damage) {
            B.left = std::min(B.left, D.left);
            B.top = std::min(B.top, D.top);
            B.right = std::max(B.right, D.right);
            B.bottom = std::max(B.bottom, D.bottom);
        }
        Damage.assign(1, B);
    }
}

int KeysymToVk(KeySym k) {
    if (k >= XK_a && k <= XK_z) return static_cast<int>('A' + (k - XK_a));
    if (k >= XK_A && k <= XK_Z) return static_cast<int>('A' + (k - XK_A));
    if (k >= XK_0 && k <= XK_9) return static_cast<int>('0' + (k - XK_0));
    if (k >= XK_F1 && k <= XK_F12) return static_cast<int>(0x70 + (k - XK_F1));
    if (k >= XK_KP_0 && k <= XK_KP_9) return static_cast<int>(0x60 + (k - XK_KP_0));
    switch (k) {
    case XK_BackSpace: return 0x08;
    case XK_Tab: case XK_ISO_Left_Tab: return 0x09;
    case XK_Return: case XK_KP_Enter: return 0x0D;
    case XK_Shift_L: return 0xA0;
    case XK_Shift_R: return 0xA1;
    case XK_Control_L: return 0xA2;
    case XK_Control_R: return 0xA3;
    case XK_Alt_L: case XK_Meta_L: return 0xA4;
    case XK_Alt_R: case XK_Meta_R: case XK_ISO_Level3_Shift: return 0xA5;
    case XK_Pause: return 0x13;
    case XK_Caps_Lock: return 0x14;
    case XK_Escape: return 0x1B;
    case XK_space: return 0x20;
    case XK_Prior: case XK_KP_Prior: return 0x21;
    case XK_Next: case XK_KP_Next: return 0x22;
    case XK_End: case XK_KP_End: return 0x23;
    case XK_Home: case XK_KP_Home: return 0x24;
    case XK_Left: case XK_KP_Left: return 0x25;
    case XK_Up: case XK_KP_Up: return 0x26;
    case XK_Right: case XK_KP_Right: return 0x27;
    case XK_Down: case XK_KP_Down: return 0x28;
    case XK_Print: return 0x2C;
    case XK_Insert: case XK_KP_Insert: return 0x2D;
    case XK_Delete: case XK_KP_Delete: return 0x2E;
    case XK_Super_L: return 0x5B;
    case XK_Super_R: return 0x5C;
    case XK_Menu: return 0x5D;
    case XK_KP_Multiply: return 0x6A;
    case XK_KP_Add: return 0x6B;
    case XK_KP_Subtract: return 0x6D;
    case XK_KP_Decimal: return 0x6E;
    case XK_KP_Divide: return 0x6F;
    case XK_Num_Lock: return 0x90;
    case XK_Scroll_Lock: return 0x91;
    case XK_semicolon: case XK_colon: return 0xBA;
    case XK_equal: case XK_plus: return 0xBB;
    case XK_comma: case XK_less: return 0xBC;
    case XK_minus: case XK_underscore: return 0xBD;
    case XK_period: case XK_greater: return 0xBE;
    case XK_slash: case XK_question: return 0xBF;
    case XK_grave: case XK_asciitilde: return 0xC0;
    case XK_bracketleft: case XK_braceleft: return 0xDB;
    case XK_backslash: case XK_bar: return 0xDC;
    case XK_bracketright: case XK_braceright: return 0xDD;
    case XK_apostrophe: case XK_quotedbl: return 0xDE;
    default: return 0;
    }
}

// The character the window layer makes from a key code (the US layout), 0 for none.
unsigned long UsChar(int vk, bool shift) {
    if (vk >= 'A' && vk <= 'Z') return shift ? vk : vk + 32;
    static const char* digitsShift = ")!@#$%^&*(";
    if (vk >= '0' && vk <= '9') return shift ? digitsShift[vk - '0'] : vk;
    if (vk >= 0x60 && vk <= 0x69) return '0' + vk - 0x60;
    switch (vk) {
    case 0x20: return ' ';
    case 0x6A: return '*';
    case 0x6B: return '+';
    case 0x6D: return '-';
    case 0x6E: return '.';
    case 0x6F: return '/';
    case 0xBA: return shift ? ':' : ';';
    case 0xBB: return shift ? '+' : '=';
    case 0xBC: return shift ? '<' : ',';
    case 0xBD: return shift ? '_' : '-';
    case 0xBE: return shift ? '>' : '.';
    case 0xBF: return shift ? '?' : '/';
    case 0xC0: return shift ? '~' : '`';
    case 0xDB: return shift ? '{' : '[';
    case 0xDC: return shift ? '|' : '\\';
    case 0xDD: return shift ? '}' : ']';
    case 0xDE: return shift ? '"' : '\'';
    default: return 0;
    }
}

std::string DecodeUri(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out.push_back(static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16)));
            i += 2;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

class TX11Screen : public TScreen {
public:
    bool Open() {
        XInitThreads();
        Dpy = XOpenDisplay(nullptr);
        if (!Dpy) return false;
        XSetErrorHandler(IgnoreXErrors);
        Scr = DefaultScreen(Dpy);
        Root = RootWindow(Dpy, Scr);
        Vis = DefaultVisual(Dpy, Scr);
        Depth = DefaultDepth(Dpy, Scr);
        if (Depth != 24 && Depth != 32) {
            XCloseDisplay(Dpy);
            Dpy = nullptr;
            return false;
        }
        int major, minor;
        Bool pixmaps;
        UseShm = XShmQueryVersion(Dpy, &major, &minor, &pixmaps) && std::getenv("TESSARO_NO_SHM") == nullptr;
        // All names in one request: one round trip to the server instead of one each.
        static const struct {
            const char* Name;
            Atom TX11Screen::*Slot;
        } AtomTable[] = {
            {"WM_DELETE_WINDOW", &TX11Screen::WmDelete},
            {"WM_PROTOCOLS", &TX11Screen::WmProtocols},
            {"_MOTIF_WM_HINTS", &TX11Screen::MotifHints},
            {"_NET_WM_NAME", &TX11Screen::NetWmName},
            {"UTF8_STRING", &TX11Screen::Utf8String},
            {"XdndAware", &TX11Screen::XdndAware},
            {"XdndEnter", &TX11Screen::XdndEnter},
            {"XdndPosition", &TX11Screen::XdndPosition},
            {"XdndStatus", &TX11Screen::XdndStatus},
            {"XdndLeave", &TX11Screen::XdndLeave},
            {"XdndDrop", &TX11Screen::XdndDrop},
            {"XdndFinished", &TX11Screen::XdndFinished},
            {"XdndSelection", &TX11Screen::XdndSelection},
            {"XdndActionCopy", &TX11Screen::XdndActionCopy},
            {"text/uri-list", &TX11Screen::UriList},
            {"TESSARO_DROP", &TX11Screen::DropProperty},
            {"CLIPBOARD", &TX11Screen::Clipboard},
            {"TARGETS", &TX11Screen::Targets},
            {"TESSARO_CLIP", &TX11Screen::ClipProperty},
        };
        constexpr std::size_t AtomCount = std::size(AtomTable);
        char* Names[AtomCount];
        Atom Atoms[AtomCount] = {};
        for (std::size_t i = 0; i < AtomCount; ++i) Names[i] = const_cast<char*>(AtomTable[i].Name);
        XInternAtoms(Dpy, Names, static_cast<int>(AtomCount), False, Atoms);
        for (std::size_t i = 0; i < AtomCount; ++i) this->*AtomTable[i].Slot = Atoms[i];
        // Never mapped: it owns the selection and receives conversions.
        ClipWindow = XCreateSimpleWindow(Dpy, Root, -10, -10, 1, 1, 0, 0, 0);
        if (pipe(WakePipe) != 0) WakePipe[0] = WakePipe[1] = -1;
        Reader = std::thread([this] { ReadLoop(); });
        return true;
    }

    ~TX11Screen() override {
        Stop = true;
        if (WakePipe[1] >= 0) {
            char c = 1;
            (void)!write(WakePipe[1], &c, 1);
        }
        if (Reader.joinable()) {
            // The X library ends the program from the reader thread when the server goes
            // away, so the exit's cleanup can run here: the connection is dead, leave it.
            if (Reader.get_id() == std::this_thread::get_id()) {
                Reader.detach();
                return;
            }
            Reader.join();
        }
        {
            std::lock_guard<std::mutex> g(M);
            for (auto& [h, w] : Windows) FreeWindow(w);
            Windows.clear();
        }
        for (auto& [id, c] : Cursors) XFreeCursor(Dpy, c);
        if (Dpy && ClipWindow) XDestroyWindow(Dpy, ClipWindow);
        if (Dpy) XCloseDisplay(Dpy);
        if (WakePipe[0] >= 0) close(WakePipe[0]);
        if (WakePipe[1] >= 0) close(WakePipe[1]);
    }

    const char* Name() const override { return "x11"; }
    SIZE DesktopSize() const override {
        return SIZE{DisplayWidth(Dpy, Scr), DisplayHeight(Dpy, Scr)};
    }
    void SetInputSink(TScreenInputSink* s) override { Sink = s; }

    // The reader thread copies exposed parts from the surface under M.
    void ResizeSurface(HWND, TGdiSurface* s, int width, int height) override {
        std::lock_guard<std::mutex> g(M);
        GdiResizeSurface(s, width, height);
    }

    void WindowCreated(HWND h, TGdiSurface* s, const RECT& r, bool topMost) override {
        XSetWindowAttributes a{};
        a.background_pixel = 0;
        a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                       KeyReleaseMask | StructureNotifyMask | FocusChangeMask;
        a.override_redirect = False;
        a.bit_gravity = NorthWestGravity;
        int w = std::max<int>(r.right - r.left, 1), hgt = std::max<int>(r.bottom - r.top, 1);
        Window x = XCreateWindow(Dpy, Root, r.left, r.top, w, hgt, 0, Depth, InputOutput, Vis,
                                 CWBackPixel | CWEventMask | CWBitGravity, &a);
        // No decorations: our layer draws the frame.
        long hints[5] = {2, 0, 0, 0, 0};
        XChangeProperty(Dpy, x, MotifHints, MotifHints, 32, PropModeReplace, reinterpret_cast<unsigned char*>(hints), 5);
        XSetWMProtocols(Dpy, x, &WmDelete, 1);
        long version = 5;
        XChangeProperty(Dpy, x, XdndAware, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&version), 1);
        XSizeHints sh{};
        sh.flags = PPosition | USPosition;
        sh.x = r.left;
        sh.y = r.top;
        XSetWMNormalHints(Dpy, x, &sh);
        (void)topMost;
        if (CurrentCursor) XDefineCursor(Dpy, x, CurrentCursor);
        std::lock_guard<std::mutex> g(M);
        TXWindow& e = Windows[h];
        e.Xid = x;
        e.Surface = s;
        e.Rect = r;
        ByXid[x] = h;
        SendLater();
    }
    void WindowDestroyed(HWND h) override {
        std::lock_guard<std::mutex> g(M);
        auto it = Windows.find(h);
        if (it == Windows.end()) return;
        ByXid.erase(it->second.Xid);
        FreeWindow(it->second);
        Windows.erase(it);
        SendLater();
    }
    void WindowMoved(HWND h, const RECT& r) override {
        std::lock_guard<std::mutex> g(M);
        auto it = Windows.find(h);
        if (it == Windows.end()) return;
        it->second.Rect = r;
        XMoveResizeWindow(Dpy, it->second.Xid, r.left, r.top, std::max<int>(r.right - r.left, 1),
                          std::max<int>(r.bottom - r.top, 1));
        SendLater();
    }
    void WindowShown(HWND h, bool visible) override {
        std::lock_guard<std::mutex> g(M);
        auto it = Windows.find(h);
        if (it == Windows.end()) return;
        it->second.Mapped = visible;
        if (!visible) it->second.Damage.clear();
        if (visible) {
            XMapWindow(Dpy, it->second.Xid);
            // Without a window manager the position is ours; with one, ask again after mapping.
            XMoveWindow(Dpy, it->second.Xid, it->second.Rect.left, it->second.Rect.top);
        } else {
            XUnmapWindow(Dpy, it->second.Xid);
        }
        XFlush(Dpy);
    }
    void WindowZOrder(const std::vector<HWND>& top) override {
        std::lock_guard<std::mutex> g(M);
        std::vector<Window> ids;
        for (HWND h : top)
            if (auto it = Windows.find(h); it != Windows.end()) ids.push_back(it->second.Xid);
        // Restacking leaves the first window where it is: raise it first, so
        // the server's order is ours from the top.
        if (!ids.empty()) {
            XRaiseWindow(Dpy, ids[0]);
            XRestackWindows(Dpy, ids.data(), static_cast<int>(ids.size()));
        }
        SendLater();
    }
    // Changes are gathered until the drawing thread goes idle: a window's
    // controls paint one after another, and each put and flush costs the
    // server and us a wake-up. A thread that draws on without going idle
    // still shows its changes every SendDelay.
    void WindowDamaged(HWND h, const RECT& r) override {
        std::lock_guard<std::mutex> g(M);
        auto it = Windows.find(h);
        if (it == Windows.end() || !it->second.Mapped) return;
        AddDamage(it->second.Damage, r);
        SendLater();
    }
    void Idle() override {
        if (!Waiting.load()) return;
        std::lock_guard<std::mutex> g(M);
        SendWaiting();
    }
    void WindowShape(HWND h, bool shaped, const std::vector<RECT>& rects) override {
        std::lock_guard<std::mutex> g(M);
        auto it = Windows.find(h);
        if (it == Windows.end()) return;
        if (!shaped) {
            XShapeCombineMask(Dpy, it->second.Xid, ShapeBounding, 0, 0, None, ShapeSet);
        } else {
            std::vector<XRectangle> xr;
            for (const RECT& r : rects)
                xr.push_back(XRectangle{static_cast<short>(r.left), static_cast<short>(r.top),
                                        static_cast<unsigned short>(r.right - r.left),
                                        static_cast<unsigned short>(r.bottom - r.top)});
            XShapeCombineRectangles(Dpy, it->second.Xid, ShapeBounding, 0, 0, xr.data(), static_cast<int>(xr.size()),
                                    ShapeSet, Unsorted);
        }
        SendLater();
    }
    void WindowTitle(HWND h, const std::string& t) override {
        std::lock_guard<std::mutex> g(M);
        auto it = Windows.find(h);
        if (it == Windows.end()) return;
        XStoreName(Dpy, it->second.Xid, t.c_str());
        XChangeProperty(Dpy, it->second.Xid, NetWmName, Utf8String, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(t.data()), static_cast<int>(t.size()));
        SendLater();
    }
    void WindowActivated(HWND h) override {
        std::lock_guard<std::mutex> g(M);
        auto it = Windows.find(h);
        if (it == Windows.end() || !it->second.Mapped) return;
        XRaiseWindow(Dpy, it->second.Xid);
        XSetInputFocus(Dpy, it->second.Xid, RevertToParent, CurrentTime);
        XFlush(Dpy);
    }
    void SetPointerShape(int id) override {
        unsigned shape;
        switch (id) {
        case 32513: shape = XC_xterm; break;
        case 32514: case 32650: shape = XC_watch; break;
        case 32515: shape = XC_crosshair; break;
        case 32516: shape = XC_sb_up_arrow; break;
        case 32640: case 32646: shape = XC_fleur; break;
        case 32642: shape = XC_bottom_right_corner; break;
        case 32643: shape = XC_bottom_left_corner; break;
        case 32644: shape = XC_sb_h_double_arrow; break;
        case 32645: shape = XC_sb_v_double_arrow; break;
        case 32648: shape = XC_X_cursor; break;
        case 32649: shape = XC_hand2; break;
        case 32651: shape = XC_question_arrow; break;
        default: shape = XC_left_ptr; break;
        }
        std::lock_guard<std::mutex> g(M);
        Cursor& c = Cursors[shape];
        if (!c) c = XCreateFontCursor(Dpy, shape);
        CurrentCursor = c;
        for (auto& [h, w] : Windows) XDefineCursor(Dpy, w.Xid, c);
        XFlush(Dpy);
    }
    POINT PointerPos() const override {
        Window r, c;
        int rx = 0, ry = 0, wx, wy;
        unsigned mask;
        XQueryPointer(Dpy, Root, &r, &c, &rx, &ry, &wx, &wy, &mask);
        return POINT{rx, ry};
    }
    void SetPointerPos(POINT p) override {
        XWarpPointer(Dpy, None, Root, 0, 0, 0, 0, p.x, p.y);
        XFlush(Dpy);
    }
    void Flush() override {
        {
            std::lock_guard<std::mutex> g(M);
            SendWaiting();
        }
        XSync(Dpy, False);
    }

    void OfferClipboardText(const std::string& utf8) override {
        {
            std::lock_guard<std::mutex> g(ClipM);
            ClipText = utf8;
            ClipOwned = true;
        }
        XSetSelectionOwner(Dpy, Clipboard, ClipWindow, CurrentTime);
        XFlush(Dpy);
    }
    void ReleaseClipboard() override {
        bool owned;
        {
            std::lock_guard<std::mutex> g(ClipM);
            owned = ClipOwned;
            ClipOwned = false;
            ClipText.clear();
        }
        if (owned && XGetSelectionOwner(Dpy, Clipboard) == ClipWindow) {
            XSetSelectionOwner(Dpy, Clipboard, None, CurrentTime);
            XFlush(Dpy);
        }
    }
    bool ForeignClipboardText(std::string& utf8) override {
        utf8.clear();
        const Window owner = XGetSelectionOwner(Dpy, Clipboard);
        if (owner == None || owner == ClipWindow) return false;
        std::unique_lock<std::mutex> g(ClipM);
        ++ClipAsked;
        const unsigned long asked = ClipAsked;
        XConvertSelection(Dpy, Clipboard, Utf8String, ClipProperty, ClipWindow, CurrentTime);
        XFlush(Dpy);
        // The reader thread takes the answer; a program that never answers
        // leaves the clipboard empty rather than the program stuck.
        if (ClipCv.wait_for(g, std::chrono::seconds(2), [&] { return ClipAnswered >= asked; })) utf8 = ClipReply;
        return true;
    }

    bool ReadBack(HWND h, std::vector<uint32_t>& out, int& w, int& hgt) {
        std::lock_guard<std::mutex> g(M);
        auto it = Windows.find(h);
        if (it == Windows.end()) return false;
        SendWaiting();
        XSync(Dpy, False);
        XWindowAttributes attr;
        if (!XGetWindowAttributes(Dpy, it->second.Xid, &attr) || attr.map_state != IsViewable) return false;
        XImage* img = XGetImage(Dpy, it->second.Xid, 0, 0, attr.width, attr.height, AllPlanes, ZPixmap);
        if (!img) return false;
        w = attr.width;
        hgt = attr.height;
        out.resize(static_cast<std::size_t>(w) * hgt);
        for (int y = 0; y < hgt; ++y)
            for (int x = 0; x < w; ++x) out[static_cast<std::size_t>(y) * w + x] = XGetPixel(img, x, y) & 0x00FFFFFF;
        XDestroyImage(img);
        return true;
    }

private:
    static constexpr std::chrono::milliseconds SendDelay{30};

    // Requests that need no answer wait, with the changes, for the thread to
    // go idle (or for SendDelay): a window's creation, title, stacking and
    // shape each flushed on their own cost a wake-up of the server. Under M.
    void SendLater() {
        const auto Now = std::chrono::steady_clock::now();
        if (!Waiting.exchange(true))
            WaitingSince = Now;
        else if (Now - WaitingSince >= SendDelay)
            SendWaiting();
    }

    // Puts every window's gathered changes and sends them with the requests
    // that wait. Under M.
    void SendWaiting() {
        if (!Waiting.exchange(false)) return;
        for (auto& [h, w] : Windows) {
            if (w.Mapped)
                for (const RECT& r : w.Damage) Put(w, r);
            w.Damage.clear();
        }
        XFlush(Dpy);
    }

    void FreeWindow(TXWindow& w) {
        if (w.ShmImage) {
            XShmDetach(Dpy, &w.Shm);
            XDestroyImage(w.ShmImage);
            shmdt(w.Shm.shmaddr);
            w.ShmImage = nullptr;
        }
        XDestroyWindow(Dpy, w.Xid);
    }

    // A window's puts go through a segment of at most this many bytes, in
    // bands of rows when a rectangle is larger. A new page of the segment
    // costs a fault on both sides when first written and read; a segment as
    // large as the window was written whole on the way to the first picture.
    static constexpr std::size_t ShmBytes = std::size_t(512) * 1024;

    // The segment for puts of rows up to width pixels.
    bool EnsureShm(TXWindow& w, int width, int height) {
        if (!UseShm) return false;
        const int rows = static_cast<int>(std::clamp<std::size_t>(ShmBytes / (static_cast<std::size_t>(width) * 4), 1,
                                                                  static_cast<std::size_t>(height)));
        // A narrower window keeps a segment that is still large enough.
        if (w.ShmImage && w.ShmW >= width &&
            (w.ShmH >= rows || static_cast<std::size_t>(w.ShmImage->bytes_per_line) * w.ShmH >= ShmBytes / 2))
            return true;
        if (w.ShmImage) {
            XShmDetach(Dpy, &w.Shm);
            XDestroyImage(w.ShmImage);
            shmdt(w.Shm.shmaddr);
            w.ShmImage = nullptr;
            w.ShmUsed = 0;  // the server detaches the old segment after the puts from it
        }
        XImage* img = XShmCreateImage(Dpy, Vis, Depth, ZPixmap, nullptr, &w.Shm, width, rows);
        if (!img) {
            UseShm = false;
            return false;
        }
        w.Shm.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(img->bytes_per_line) * rows, IPC_CREAT | 0600);
        if (w.Shm.shmid < 0) {
            XDestroyImage(img);
            UseShm = false;
            return false;
        }
        w.Shm.shmaddr = img->data = static_cast<char*>(shmat(w.Shm.shmid, nullptr, 0));
        w.Shm.readOnly = False;
        bool ok = w.Shm.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(Dpy, &w.Shm);
        XSync(Dpy, False);
        shmctl(w.Shm.shmid, IPC_RMID, nullptr);  // gone once both sides detach
        if (!ok) {
            if (w.Shm.shmaddr != reinterpret_cast<char*>(-1)) shmdt(w.Shm.shmaddr);
            img->data = nullptr;
            XDestroyImage(img);
            UseShm = false;
            return false;
        }
        w.ShmImage = img;
        w.ShmW = width;
        w.ShmH = rows;
        return true;
    }

    // Shows a rectangle (window coordinates) of the window's surface.
    void Put(TXWindow& w, const RECT& r0) {
        int sw = GdiSurfaceWidth(w.Surface), sh = GdiSurfaceHeight(w.Surface), stride = GdiSurfaceStride(w.Surface);
        RECT r{std::max<LONG>(r0.left, 0), std::max<LONG>(r0.top, 0), std::min<LONG>(r0.right, sw),
               std::min<LONG>(r0.bottom, sh)};
        if (r.right <= r.left || r.bottom <= r.top) return;
        int rw = r.right - r.left, rh = r.bottom - r.top;
        uint32_t* px = GdiSurfacePixels(w.Surface);
        // A window's first pictures go through the connection: a new segment's
        // pages cost both sides a fault each when first written and read,
        // more than sending a picture or two. Later changes use the segment.
        const std::size_t WindowBytes = static_cast<std::size_t>(sw) * sh * 4;
        if (w.PutBytes >= 2 * WindowBytes && EnsureShm(w, sw, sh)) {
            // Each band of rows is copied into the next free part of the
            // segment, so a part the server may still be reading is never
            // written; the server is waited for only when the segment is used
            // up. A window's controls paint one after another on the way to
            // the first picture: a wait after each put cost a round trip each.
            const std::size_t Row = static_cast<std::size_t>(rw) * 4;
            const std::size_t Capacity = static_cast<std::size_t>(w.ShmImage->bytes_per_line) * w.ShmImage->height;
            for (int y0 = 0; y0 < rh;) {
                int band = static_cast<int>(std::min<std::size_t>(rh - y0, (Capacity - w.ShmUsed) / Row));
                if (band == 0) {
                    XSync(Dpy, False);
                    w.ShmUsed = 0;
                    band = static_cast<int>(std::min<std::size_t>(rh - y0, Capacity / Row));
                }
                char* Part = w.ShmImage->data + w.ShmUsed;
                for (int y = 0; y < band; ++y)
                    std::memcpy(Part + static_cast<std::ptrdiff_t>(y) * Row,
                                px + static_cast<std::ptrdiff_t>(r.top + y0 + y) * stride + r.left, Row);
                // The server takes the part's offset and row length from the image.
                XImage Image = *w.ShmImage;
                Image.width = rw;
                Image.height = band;
                Image.bytes_per_line = static_cast<int>(Row);
                Image.data = Part;
                XShmPutImage(Dpy, w.Xid, DefaultGC(Dpy, Scr), &Image, 0, 0, r.left, r.top + y0, rw, band, False);
                w.ShmUsed += Row * band;
                y0 += band;
            }
            return;
        }
        w.PutBytes += static_cast<std::size_t>(rw) * rh * 4;
        XImage* img = XCreateImage(Dpy, Vis, Depth, ZPixmap, 0, reinterpret_cast<char*>(px), sw, sh, 32, stride * 4);
        if (!img) return;
        XPutImage(Dpy, w.Xid, DefaultGC(Dpy, Scr), img, r.left, r.top, r.left, r.top, rw, rh);
        img->data = nullptr;  // the pixels are the surface's
        XDestroyImage(img);
    }

    HWND HwndOf(Window x) {
        auto it = ByXid.find(x);
        return it == ByXid.end() ? nullptr : it->second;
    }

    void ReadLoop() {
        int fd = ConnectionNumber(Dpy);
        while (!Stop) {
            pollfd p[2] = {{fd, POLLIN, 0}, {WakePipe[0], POLLIN, 0}};
            poll(p, WakePipe[0] >= 0 ? 2 : 1, Waiting.load() ? static_cast<int>(SendDelay.count()) : 200);
            if (Stop) break;
            // Events are taken first and handled afterwards: handling takes the window
            // map's lock before any display call, the order every other thread keeps.
            std::vector<XEvent> events;
            while (XPending(Dpy)) {
                XEvent ev;
                XNextEvent(Dpy, &ev);
                events.push_back(ev);
            }
            // Changes a busy drawing thread has not shown yet.
            if (Waiting.load()) {
                std::lock_guard<std::mutex> g(M);
                if (std::chrono::steady_clock::now() - WaitingSince >= SendDelay) SendWaiting();
            }
            std::vector<std::function<void()>> calls;
            for (XEvent& ev : events) Handle(ev, calls);
            // The window layer is called with no lock of ours held.
            for (auto& c : calls) c();
        }
    }

    void Handle(XEvent& ev, std::vector<std::function<void()>>& calls) {
        TScreenInputSink* sink = Sink;
        HWND h;
        {
            std::lock_guard<std::mutex> g(M);
            h = HwndOf(ev.xany.window);
            if (ev.type == Expose && h) {
                auto& w = Windows[h];
                RECT r{ev.xexpose.x, ev.xexpose.y, ev.xexpose.x + ev.xexpose.width, ev.xexpose.y + ev.xexpose.height};
                // While a thread is drawing (a window just mapped paints whole),
                // the exposed part goes out once with its changes.
                if (Waiting.load())
                    AddDamage(w.Damage, r);
                else
                    Put(w, r);
                return;
            }
            if (ev.type == ConfigureNotify && h && ev.xconfigure.send_event) {
                auto& w = Windows[h];
                if (ev.xconfigure.x != w.Rect.left || ev.xconfigure.y != w.Rect.top) {
                    POINT p{ev.xconfigure.x, ev.xconfigure.y};
                    w.Rect = RECT{p.x, p.y, p.x + (w.Rect.right - w.Rect.left), p.y + (w.Rect.bottom - w.Rect.top)};
                    calls.push_back([sink, h, p] {
                        if (sink) sink->MovedByScreen(h, p);
                    });
                }
                return;
            }
        }
        if (ev.type == SelectionRequest || ev.type == SelectionClear ||
            (ev.type == SelectionNotify && ev.xselection.requestor == ClipWindow)) {
            HandleClipboard(ev);
            return;
        }
        // Keys are looked up with the client's copy of the key map: take a changed
        // map before the key events that follow it.
        if (ev.type == MappingNotify) {
            if (ev.xmapping.request != MappingPointer) XRefreshKeyboardMapping(&ev.xmapping);
            return;
        }
        if (!sink) return;
        switch (ev.type) {
        case MotionNotify: {
            TScreenMouseEvent e;
            e.Kind = TScreenMouseKind::Move;
            e.Pos = POINT{ev.xmotion.x_root, ev.xmotion.y_root};
            calls.push_back([sink, e] { sink->MouseInput(e); });
            break;
        }
        case ButtonPress:
        case ButtonRelease: {
            TScreenMouseEvent e;
            e.Pos = POINT{ev.xbutton.x_root, ev.xbutton.y_root};
            unsigned b = ev.xbutton.button;
            if (b == 4 || b == 5) {
                if (ev.type == ButtonRelease) break;
                e.Kind = TScreenMouseKind::Wheel;
                e.WheelDelta = b == 4 ? 120 : -120;
            } else {
                e.Kind = ev.type == ButtonPress ? TScreenMouseKind::Down : TScreenMouseKind::Up;
                e.Button = b == 1 ? TScreenButton::Left : b == 3 ? TScreenButton::Right : TScreenButton::Middle;
            }
            calls.push_back([sink, e] { sink->MouseInput(e); });
            break;
        }
        case KeyPress:
        case KeyRelease: {
            char buf[16] = {};
            KeySym ks = 0;
            int n = XLookupString(&ev.xkey, buf, sizeof buf - 1, &ks, nullptr);
            KeySym base = XLookupKeysym(&ev.xkey, 0);
            int vk = KeysymToVk(base);
            if (!vk) vk = KeysymToVk(ks);
            bool down = ev.type == KeyPress;
            unsigned long ucs = 0;
            if (ks >= 0x01000100 && ks <= 0x0110FFFF) ucs = ks - 0x01000000;
            else if ((ks >= 0x20 && ks <= 0x7E) || (ks >= 0xA0 && ks <= 0xFF)) ucs = ks;
            else if (n == 1 && static_cast<unsigned char>(buf[0]) >= 0x20) ucs = static_cast<unsigned char>(buf[0]);
            // A key typing what the US layout would not (other layouts, AltGr, dead keys)
            // comes as a character packet alone, so no second character is made from its code.
            bool shift = (ev.xkey.state & ShiftMask) != 0;
            bool caps = (ev.xkey.state & LockMask) != 0 && vk >= 'A' && vk <= 'Z';
            bool packet = ucs && ucs != UsChar(vk, shift != caps);
            if (vk && !packet) {
                TScreenKeyEvent e;
                e.Down = down;
                e.VirtualKey = vk;
                calls.push_back([sink, e] { sink->KeyInput(e); });
            }
            if (down && packet) {
                std::u16string chars;
                if (ucs >= 0x10000) {
                    ucs -= 0x10000;
                    chars.push_back(static_cast<char16_t>(0xD800 + (ucs >> 10)));
                    chars.push_back(static_cast<char16_t>(0xDC00 + (ucs & 0x3FF)));
                } else if (ucs) {
                    chars.push_back(static_cast<char16_t>(ucs));
                }
                for (char16_t c : chars) {
                    TScreenKeyEvent e;
                    e.VirtualKey = kVkPacket;
                    e.Char = c;
                    e.Down = true;
                    calls.push_back([sink, e] { sink->KeyInput(e); });
                    e.Down = false;
                    calls.push_back([sink, e] { sink->KeyInput(e); });
                }
            }
            break;
        }
        case FocusIn:
            if (h) calls.push_back([sink, h] { sink->ActivationChanged(h, /*Active=*/true); });
            break;
        case ClientMessage:
            HandleClient(ev.xclient, h, calls);
            break;
        case SelectionNotify:
            HandleSelection(ev.xselection, calls);
            break;
        default: break;
        }
    }

    // Other programs asking for the text, the answer to our own asking, and
    // the loss of the selection to another program.
    void HandleClipboard(const XEvent& ev) {
        if (ev.type == SelectionClear) {
            if (ev.xselectionclear.selection != Clipboard) return;
            std::lock_guard<std::mutex> g(ClipM);
            ClipOwned = false;
            ClipText.clear();
            return;
        }
        if (ev.type == SelectionNotify) {
            std::string text;
            if (ev.xselection.property != None) {
                Atom type;
                int format;
                unsigned long count, after;
                unsigned char* data = nullptr;
                if (XGetWindowProperty(Dpy, ClipWindow, ev.xselection.property, 0, 1 << 24, True, AnyPropertyType,
                                       &type, &format, &count, &after, &data) == Success &&
                    data) {
                    // Only text in one piece: an INCR transfer reads as none.
                    if (type == Utf8String && format == 8) text.assign(reinterpret_cast<char*>(data), count);
                    XFree(data);
                }
            }
            std::lock_guard<std::mutex> g(ClipM);
            ClipReply = text;
            ClipAnswered = ClipAsked;
            ClipCv.notify_all();
            return;
        }
        const XSelectionRequestEvent& r = ev.xselectionrequest;
        XEvent reply{};
        reply.xselection.type = SelectionNotify;
        reply.xselection.display = Dpy;
        reply.xselection.requestor = r.requestor;
        reply.xselection.selection = r.selection;
        reply.xselection.target = r.target;
        reply.xselection.time = r.time;
        reply.xselection.property = None;  // refused unless answered below
        // Old clients name no property: the target's name serves.
        const Atom property = r.property != None ? r.property : r.target;
        std::string text;
        bool owned;
        {
            std::lock_guard<std::mutex> g(ClipM);
            owned = ClipOwned;
            text = ClipText;
        }
        if (r.selection == Clipboard && owned) {
            if (r.target == Targets) {
                Atom offered[2] = {Targets, Utf8String};
                XChangeProperty(Dpy, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                                reinterpret_cast<unsigned char*>(offered), 2);
                reply.xselection.property = property;
            } else if (r.target == Utf8String && text.size() < static_cast<size_t>(XMaxRequestSize(Dpy)) * 4 - 64) {
                XChangeProperty(Dpy, r.requestor, property, Utf8String, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
                reply.xselection.property = property;
            }
        }
        XSendEvent(Dpy, r.requestor, False, NoEventMask, &reply);
        XFlush(Dpy);
    }

    void SendXdnd(Window target, Atom type, long l1, long l2, long l3, long l4) {
        XEvent r{};
        r.xclient.type = ClientMessage;
        r.xclient.display = Dpy;
        r.xclient.window = target;
        r.xclient.message_type = type;
        r.xclient.format = 32;
        r.xclient.data.l[0] = static_cast<long>(DropTarget);
        r.xclient.data.l[1] = l1;
        r.xclient.data.l[2] = l2;
        r.xclient.data.l[3] = l3;
        r.xclient.data.l[4] = l4;
        XSendEvent(Dpy, target, False, NoEventMask, &r);
    }

    void HandleClient(const XClientMessageEvent& c, HWND h, std::vector<std::function<void()>>& calls) {
        TScreenInputSink* sink = Sink;
        if (c.message_type == WmProtocols && static_cast<Atom>(c.data.l[0]) == WmDelete) {
            if (h) calls.push_back([sink, h] { sink->CloseRequest(h); });
        } else if (c.message_type == XdndEnter) {
            DropSource = static_cast<Window>(c.data.l[0]);
        } else if (c.message_type == XdndPosition) {
            DropSource = static_cast<Window>(c.data.l[0]);
            DropTarget = c.window;
            DropPos = POINT{static_cast<LONG>((c.data.l[2] >> 16) & 0xFFFF), static_cast<LONG>(c.data.l[2] & 0xFFFF)};
            SendXdnd(DropSource, XdndStatus, 1, 0, 0, static_cast<long>(XdndActionCopy));
        } else if (c.message_type == XdndDrop) {
            DropSource = static_cast<Window>(c.data.l[0]);
            DropTarget = c.window;
            XConvertSelection(Dpy, XdndSelection, UriList, DropProperty, c.window, static_cast<Time>(c.data.l[2]));
        } else if (c.message_type == XdndLeave) {
            DropSource = 0;
        }
    }

    void HandleSelection(const XSelectionEvent& s, std::vector<std::function<void()>>& calls) {
        if (s.property != DropProperty) return;
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        std::vector<std::string> files;
        if (XGetWindowProperty(Dpy, s.requestor, DropProperty, 0, 1 << 20, True, AnyPropertyType, &type, &format,
                               &count, &after, &data) == Success &&
            data) {
            std::string list(reinterpret_cast<char*>(data), count);
            XFree(data);
            std::size_t start = 0;
            while (start < list.size()) {
                std::size_t end = list.find('\n', start);
                std::string line = list.substr(start, end == std::string::npos ? std::string::npos : end - start);
                start = end == std::string::npos ? list.size() : end + 1;
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (line.empty() || line[0] == '#') continue;
                if (line.rfind("file://", 0) == 0) {
                    std::string rest = line.substr(7);
                    std::size_t slash = rest.find('/');
                    if (slash != std::string::npos) files.push_back(DecodeUri(rest.substr(slash)));
                }
            }
        }
        HWND h;
        {
            std::lock_guard<std::mutex> g(M);
            h = HwndOf(s.requestor);
        }
        if (DropSource) SendXdnd(DropSource, XdndFinished, files.empty() ? 0 : 1, 0,
                                 files.empty() ? 0 : static_cast<long>(XdndActionCopy), 0);
        TScreenInputSink* sink = Sink;
        POINT p = DropPos;
        if (h && !files.empty()) calls.push_back([sink, h, p, files] { sink->FilesDropped(h, p, files); });
    }

    Display* Dpy = nullptr;
    int Scr = 0;
    Window Root = 0;
    Visual* Vis = nullptr;
    int Depth = 24;
    bool UseShm = false;
    Atom WmDelete = 0, WmProtocols = 0, MotifHints = 0, NetWmName = 0, Utf8String = 0;
    Atom XdndAware = 0, XdndEnter = 0, XdndPosition = 0, XdndStatus = 0, XdndLeave = 0, XdndDrop = 0,
         XdndFinished = 0, XdndSelection = 0, XdndActionCopy = 0, UriList = 0, DropProperty = 0;
    Atom Clipboard = 0, Targets = 0, ClipProperty = 0;
    Window ClipWindow = 0;
    std::mutex ClipM;  // never held while the window map's lock is taken
    std::condition_variable ClipCv;
    std::string ClipText, ClipReply;
    bool ClipOwned = false;
    unsigned long ClipAsked = 0, ClipAnswered = 0;
    Window DropSource = 0, DropTarget = 0;
    POINT DropPos{};
    std::mutex M;
    std::map<HWND, TXWindow> Windows;
    std::map<Window, HWND> ByXid;
    std::map<unsigned, Cursor> Cursors;
    Cursor CurrentCursor = 0;
    TScreenInputSink* Sink = nullptr;
    std::thread Reader;
    std::atomic<bool> Stop{false};
    std::atomic<bool> Waiting{false};  // changes or requests wait to be sent
    std::chrono::steady_clock::time_point WaitingSince;  // since when (under M)
    int WakePipe[2] = {-1, -1};
};

}  // namespace

std::unique_ptr<TScreen> OpenX11Screen() {
    auto s = std::make_unique<TX11Screen>();
    if (!s->Open()) return nullptr;
    return s;
}

bool X11ReadBack(TScreen* screen, HWND window, std::vector<uint32_t>& pixels, int& width, int& height) {
    auto* x = dynamic_cast<TX11Screen*>(screen);
    return x && x->ReadBack(window, pixels, width, height);
}
