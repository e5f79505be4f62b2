// Input: the screen's mouse and keyboard events become messages (hit test,
// capture, activation by click, double clicks, focus), focus and activation,
// capture, mouse tracking, key state, cursors, and the screen the layer drives.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/resources.h"
#include "platform/system/process.h"
#include "platform/system/shell.h"
#include "platform/win/win_internal.h"
#include "platform/win/winscreen.h"

namespace winimpl {

namespace {

struct TRawEvent {
    enum TKind { Mouse, Key, Close, Drop, Moved, Activation } Kind = Mouse;
    TScreenMouseEvent MouseEv;
    TScreenKeyEvent KeyEv;
    HWND Window = nullptr;
    POINT Pos{};
    bool Active = false;
    std::vector<std::string> Files;
    // The button and key state when the event happened (later events may change it first).
    WPARAM Keys = 0;
    bool Alt = false, Ctrl = false;
};

struct TTracking {
    HWND Hwnd = nullptr;
    DWORD Flags = 0;  // TME_LEAVE, TME_HOVER, TME_NONCLIENT
    DWORD HoverTime = 400;
    POINT HoverStart{};
    uint64_t HoverDue = UINT64_MAX;
};

struct TInputState {
    HWND Active = nullptr;
    HWND Focus = nullptr;
    HWND Capture = nullptr;
    POINT Cursor{640, 512};
    BYTE Async[256]{};
    std::deque<TRawEvent> Raw;
    // Double clicks.
    DWORD LastDownTime = 0;
    POINT LastDownPos{};
    HWND LastDownWnd = nullptr;
    UINT LastDownMsg = 0;
    bool LastWasDouble = false;
    // Window under the mouse and its hit area, for leave tracking.
    HWND MouseWnd = nullptr;
    bool MouseNonClient = false;
    TTracking Track;
    HCURSOR CursorHandle = nullptr;
    int CursorCount = 0;
};

TInputState& In() {
    static TInputState s;
    return s;
}

std::unique_ptr<TScreen>& ScreenPtr() {
    static std::unique_ptr<TScreen> s;
    return s;
}

class TSink : public TScreenInputSink {
public:
    void Push(TRawEvent e) {
        Lock lk(UserMutex());
        In().Raw.push_back(std::move(e));
        WakeAll();
    }
    void MouseInput(const TScreenMouseEvent& ev) override {
        TRawEvent e;
        e.Kind = TRawEvent::Mouse;
        e.MouseEv = ev;
        if (!e.MouseEv.Time) e.MouseEv.Time = Tick();
        Lock lk(UserMutex());
        In().Cursor = ev.Pos;
        int vk = ev.Button == TScreenButton::Left ? VK_LBUTTON : ev.Button == TScreenButton::Right ? VK_RBUTTON
                 : ev.Button == TScreenButton::Middle ? VK_MBUTTON : 0;
        if (vk && ev.Kind == TScreenMouseKind::Down) In().Async[vk] |= 0x80;
        if (vk && ev.Kind == TScreenMouseKind::Up) In().Async[vk] &= ~0x80;
        e.Keys = MouseKeyFlags();
        // A move not taken yet is replaced by the newer one, as a pointer reports only where it is.
        auto& raw = In().Raw;
        if (ev.Kind == TScreenMouseKind::Move && !raw.empty() && raw.back().Kind == TRawEvent::Mouse &&
            raw.back().MouseEv.Kind == TScreenMouseKind::Move && raw.back().Keys == e.Keys) {
            raw.back() = std::move(e);
            WakeAll();
            return;
        }
        Push(std::move(e));
    }
    void KeyInput(const TScreenKeyEvent& ev) override {
        TRawEvent e;
        e.Kind = TRawEvent::Key;
        e.KeyEv = ev;
        if (!e.KeyEv.Time) e.KeyEv.Time = Tick();
        Lock lk(UserMutex());
        int vk = ev.VirtualKey & 0xFF;
        auto set = [&](int k) {
            if (ev.Down) {
                if (!(In().Async[k] & 0x80)) In().Async[k] ^= 1;
                In().Async[k] |= 0x80;
            } else {
                In().Async[k] &= ~0x80;
            }
        };
        if (vk != VK_PACKET) {
            set(vk);
            if (vk == VK_LSHIFT || vk == VK_RSHIFT) set(VK_SHIFT);
            if (vk == VK_LCONTROL || vk == VK_RCONTROL) set(VK_CONTROL);
            if (vk == VK_LMENU || vk == VK_RMENU) set(VK_MENU);
        }
        e.Alt = (In().Async[VK_MENU] & 0x80) != 0;
        e.Ctrl = (In().Async[VK_CONTROL] & 0x80) != 0;
        e.Keys = MouseKeyFlags();
        Push(std::move(e));
    }
    void CloseRequest(HWND w) override {
        TRawEvent e;
        e.Kind = TRawEvent::Close;
        e.Window = w;
        Push(std::move(e));
    }
    void FilesDropped(HWND w, POINT p, const std::vector<std::string>& files) override {
        TRawEvent e;
        e.Kind = TRawEvent::Drop;
        e.Window = w;
        e.Pos = p;
        e.Files = files;
        Push(std::move(e));
    }
    void MovedByScreen(HWND w, POINT p) override {
        TRawEvent e;
        e.Kind = TRawEvent::Moved;
        e.Window = w;
        e.Pos = p;
        Push(std::move(e));
    }
    void ActivationChanged(HWND w, bool active) override {
        TRawEvent e;
        e.Kind = TRawEvent::Activation;
        e.Window = w;
        e.Active = active;
        Push(std::move(e));
    }
};

TSink& Sink() {
    static TSink s;
    return s;
}

DWORD ThreadOf(HWND h) {
    TWnd* w = Find(h);
    return w ? w->ThreadId : 0;
}

LPARAM PointParam(POINT p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

// The US layout: the character a key types with the given shift state.
char16_t KeyChar(int vk, bool shift, bool caps, bool ctrl) {
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return static_cast<char16_t>(vk - 'A' + 1);
        bool upper = shift != caps;
        return static_cast<char16_t>(upper ? vk : vk + 32);
    }
    if (ctrl) return 0;
    static const char* digitsShift = ")!@#$%^&*(";
    if (vk >= '0' && vk <= '9') return static_cast<char16_t>(shift ? digitsShift[vk - '0'] : vk);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return static_cast<char16_t>('0' + vk - VK_NUMPAD0);
    switch (vk) {
    case VK_SPACE: return u' ';
    case VK_RETURN: return u'\r';
    case VK_BACK: return 8;
    case VK_TAB: return u'\t';
    case VK_ESCAPE: return 27;
    case VK_MULTIPLY: return u'*';
    case VK_ADD: return u'+';
    case VK_SUBTRACT: return u'-';
    case VK_DECIMAL: return u'.';
    case VK_DIVIDE: return u'/';
    case VK_OEM_1: return shift ? u':' : u';';
    case VK_OEM_PLUS: return shift ? u'+' : u'=';
    case VK_OEM_COMMA: return shift ? u'<' : u',';
    case VK_OEM_MINUS: return shift ? u'_' : u'-';
    case VK_OEM_PERIOD: return shift ? u'>' : u'.';
    case VK_OEM_2: return shift ? u'?' : u'/';
    case VK_OEM_3: return shift ? u'~' : u'`';
    case VK_OEM_4: return shift ? u'{' : u'[';
    case VK_OEM_5: return shift ? u'|' : u'\\';
    case VK_OEM_6: return shift ? u'}' : u']';
    case VK_OEM_7: return shift ? u'"' : u'\'';
    default: return 0;
    }
}

void PostInput(HWND h, UINT msg, WPARAM w, LPARAM l, DWORD time, POINT pt) {
    TWnd* wnd = Find(h);
    if (!wnd || !wnd->Queue) return;
    // Mouse moves not taken yet merge into the newest one, so a slow window is not
    // flooded by a fast pointer.
    auto& posted = wnd->Queue->Posted;
    if ((msg == WM_MOUSEMOVE || msg == WM_NCMOUSEMOVE) && !posted.empty()) {
        MSG& last = posted.back().Msg;
        if (posted.back().Input && last.hwnd == h && last.message == msg && last.wParam == w) {
            last = MSG{h, msg, w, l, time, pt};
            return;
        }
    }
    PostToQueue(wnd->Queue.get(), MSG{h, msg, w, l, time, pt}, /*input=*/true);
}

void PostLeave(HWND h, bool nonClient) {
    In().Track.Flags &= ~(TME_LEAVE | TME_HOVER);
    In().Track.HoverDue = UINT64_MAX;
    if (Find(h)) PostInput(h, nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0, Tick(), In().Cursor);
}

// Leave tracking after the mouse went to Target (hit area NonClient).
void UpdateTracking(HWND target, bool nonClient) {
    auto& t = In().Track;
    In().MouseWnd = target;
    In().MouseNonClient = nonClient;
    if (!t.Hwnd || !(t.Flags & (TME_LEAVE | TME_HOVER))) return;
    bool trackNc = (t.Flags & TME_NONCLIENT) != 0;
    if (target != t.Hwnd || nonClient != trackNc) {
        if (t.Flags & TME_LEAVE)
            PostLeave(t.Hwnd, trackNc);
        else
            t.Flags &= ~TME_HOVER;
        return;
    }
    if (t.Flags & TME_HOVER) {
        POINT c = In().Cursor;
        int dx = GetSystemMetrics(SM_CXDOUBLECLK) / 2, dy = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
        if (std::abs(c.x - t.HoverStart.x) > dx || std::abs(c.y - t.HoverStart.y) > dy) {
            t.HoverStart = c;
            t.HoverDue = NowMs() + t.HoverTime;
        }
    }
}

UINT ButtonMsg(TScreenButton b, bool down, bool dbl, bool nc) {
    UINT base = b == TScreenButton::Left ? WM_LBUTTONDOWN : b == TScreenButton::Right ? WM_RBUTTONDOWN : WM_MBUTTONDOWN;
    UINT m = down ? (dbl ? base + 2 : base) : base + 1;
    if (nc) m = m - WM_LBUTTONDOWN + WM_NCLBUTTONDOWN;
    return m;
}

// Converts the mouse event at the front. False: it waits for another thread.
bool ConvertMouse(const TRawEvent& e, Lock& lk) {
    auto& in = In();
    const TScreenMouseEvent& ev = e.MouseEv;
    POINT pt = ev.Pos;
    DWORD me = GetCurrentThreadId();
    if (ev.Kind == TScreenMouseKind::Wheel) {
        HWND target = in.Focus ? in.Focus : in.Active;
        if (!target) {
            in.Raw.pop_front();
            return true;
        }
        if (ThreadOf(target) != me) return false;
        in.Raw.pop_front();
        PostInput(target, WM_MOUSEWHEEL, MAKEWPARAM(static_cast<WORD>(e.Keys), static_cast<WORD>(ev.WheelDelta)),
                  PointParam(pt), ev.Time, pt);
        return true;
    }
    HWND target = nullptr;
    LRESULT hit = HTCLIENT;
    if (in.Capture && Find(in.Capture)) {
        target = in.Capture;
        if (ThreadOf(target) != me) return false;
        in.Raw.pop_front();
    } else {
        lk.unlock();
        target = WindowAt(pt, {});
        lk.lock();
        if (target && ThreadOf(target) != me) return false;
        // The event is ours from here on: taken off before any message is sent, so
        // a loop run by a window procedure meanwhile sees the events after it.
        in.Raw.pop_front();
        std::vector<HWND> skip;
        while (target) {
            lk.unlock();
            hit = SendW(target, WM_NCHITTEST, 0, PointParam(pt));
            lk.lock();
            if (hit != HTTRANSPARENT || skip.size() >= 64) break;
            skip.push_back(target);
            lk.unlock();
            target = WindowAt(pt, skip);
            lk.lock();
            if (target && ThreadOf(target) != me) target = nullptr;
        }
        if (!target) {
            UpdateTracking(/*target=*/nullptr, /*nonClient=*/false);
            return true;
        }
    }
    bool nc = hit != HTCLIENT && !(in.Capture == target);
    TWnd* w = Find(target);
    if (!w) return true;
    POINT client = pt;
    RECT cr = ClientOnScreen(w);
    client.x -= cr.left;
    client.y -= cr.top;
    TWnd* top = TopLevelOf(w);
    bool disabledTop = top && (top->Style & WS_DISABLED);

    if (ev.Kind == TScreenMouseKind::Move) {
        UpdateTracking(target, nc);
        if (!in.Capture) {
            lk.unlock();
            SendW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                  MAKELPARAM(static_cast<WORD>(disabledTop ? HTERROR : hit), WM_MOUSEMOVE));
            lk.lock();
        }
        if (disabledTop || !Find(target)) return true;
        if (nc)
            PostInput(target, WM_NCMOUSEMOVE, static_cast<WPARAM>(hit), PointParam(pt), ev.Time, pt);
        else
            PostInput(target, WM_MOUSEMOVE, e.Keys, PointParam(client), ev.Time, pt);
        return true;
    }

    bool down = ev.Kind == TScreenMouseKind::Down;
    if (disabledTop) {
        // A click on a window disabled by a modal one brings the modal one forward.
        if (down && top) {
            HWND popup = nullptr;
            for (HWND t : TopLevels())
                if (TWnd* o = Find(t); o && o->Owner == top->Handle && (o->Style & WS_VISIBLE) &&
                                       !(o->Style & WS_DISABLED))
                    popup = t;
            if (popup) {
                lk.unlock();
                ActivateWindow(popup, WA_CLICKACTIVE);
                lk.lock();
            }
        }
        return true;
    }
    bool dbl = false;
    UINT msgPlain = ButtonMsg(ev.Button, down, /*dbl=*/false, /*nc=*/false);
    if (down) {
        bool dblClass = nc || (w->Class && (w->Class->Style & CS_DBLCLKS));
        int dx = GetSystemMetrics(SM_CXDOUBLECLK) / 2, dy = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
        dbl = dblClass && !in.LastWasDouble && in.LastDownWnd == target && in.LastDownMsg == msgPlain &&
              ev.Time - in.LastDownTime <= GetDoubleClickTime() && std::abs(pt.x - in.LastDownPos.x) <= dx &&
              std::abs(pt.y - in.LastDownPos.y) <= dy;
        in.LastWasDouble = dbl;
        in.LastDownWnd = target;
        in.LastDownMsg = msgPlain;
        in.LastDownTime = ev.Time;
        in.LastDownPos = pt;
        UINT msg = ButtonMsg(ev.Button, /*down=*/true, dbl, nc);
        if (top && top->Handle != in.Active && !in.Capture) {
            HWND topH = top->Handle;
            lk.unlock();
            LRESULT r = SendW(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(topH),
                              MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(msg)));
            if (r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT) ActivateWindow(topH, WA_CLICKACTIVE);
            lk.lock();
            if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT) return true;
        }
        if (!in.Capture && Find(target)) {
            lk.unlock();
            SendW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                  MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(msg)));
            lk.lock();
        }
        if (!Find(target)) return true;
        PostInput(target, msg, nc ? static_cast<WPARAM>(hit) : e.Keys, PointParam(nc ? pt : client), ev.Time,
                  pt);
        return true;
    }
    UINT msg = ButtonMsg(ev.Button, /*down=*/false, /*dbl=*/false, nc);
    PostInput(target, msg, nc ? static_cast<WPARAM>(hit) : e.Keys, PointParam(nc ? pt : client), ev.Time,
              pt);
    return true;
}

bool ConvertKey(const TRawEvent& e) {
    auto& in = In();
    HWND target = (in.Focus && Find(in.Focus)) ? in.Focus : in.Active;
    if (!target || !Find(target)) {
        in.Raw.pop_front();
        return true;
    }
    if (ThreadOf(target) != GetCurrentThreadId()) return false;
    TRawEvent ev = e;
    in.Raw.pop_front();
    const TScreenKeyEvent& k = ev.KeyEv;
    LPARAM l;
    if (k.VirtualKey == VK_PACKET) {
        l = static_cast<LPARAM>(static_cast<DWORD>(1) | (static_cast<DWORD>(k.Char) << 16));
    } else {
        bool alt = ev.Alt;
        DWORD bits = 1;
        bits |= static_cast<DWORD>(k.VirtualKey & 0xFF) << 16;  // stands in for the scan code
        if (alt) bits |= 1u << 29;
        if (!k.Down) bits |= (1u << 30) | (1u << 31);
        l = static_cast<LPARAM>(bits);
    }
    bool alt = ev.Alt && !ev.Ctrl;
    bool sys = alt || k.VirtualKey == VK_MENU || k.VirtualKey == VK_F10 || !in.Focus;
    UINT msg = k.Down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    PostInput(target, msg, static_cast<WPARAM>(k.VirtualKey), l, k.Time, in.Cursor);
    return true;
}

}  // namespace

WPARAM MouseKeyFlags() {
    auto& a = In().Async;
    WPARAM f = 0;
    if (a[VK_LBUTTON] & 0x80) f |= MK_LBUTTON;
    if (a[VK_RBUTTON] & 0x80) f |= MK_RBUTTON;
    if (a[VK_MBUTTON] & 0x80) f |= MK_MBUTTON;
    if (a[VK_SHIFT] & 0x80) f |= MK_SHIFT;
    if (a[VK_CONTROL] & 0x80) f |= MK_CONTROL;
    return f;
}

// Input is turned into messages one event at a time, when the thread has
// none waiting: where a click goes depends on what the messages before it did
// (a capture taken, a window moved).
namespace {
bool InputWaiting(TThreadQueue* q) {
    for (auto& m : q->Posted)
        if (m.Input) return true;
    return false;
}
}  // namespace

bool RawButtonUpPending() {
    Lock lk(UserMutex());
    for (auto& e : In().Raw)
        if (e.Kind == TRawEvent::Mouse && e.MouseEv.Kind == TScreenMouseKind::Up &&
            e.MouseEv.Button == TScreenButton::Left)
            return true;
    return false;
}

void ProcessRawInput() {
    TThreadQueue* q = CurrentQueue();
    Lock lk(UserMutex());
    auto& in = In();
    DWORD me = GetCurrentThreadId();
    while (!in.Raw.empty() && !InputWaiting(q)) {
        TRawEvent e = in.Raw.front();
        switch (e.Kind) {
        case TRawEvent::Mouse:
            if (!ConvertMouse(e, lk)) return;
            break;
        case TRawEvent::Key:
            if (!ConvertKey(e)) return;
            break;
        default: {
            TWnd* w = Find(e.Window);
            if (w && w->ThreadId != me) return;
            in.Raw.pop_front();
            if (!w) break;
            if (e.Kind == TRawEvent::Close) {
                PostInput(e.Window, WM_SYSCOMMAND, SC_CLOSE, 0, Tick(), in.Cursor);
            } else if (e.Kind == TRawEvent::Moved) {
                lk.unlock();
                SetWindowPos(e.Window, /*hWndInsertAfter=*/nullptr, e.Pos.x, e.Pos.y, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                lk.lock();
            } else if (e.Kind == TRawEvent::Activation) {
                if (e.Active && in.Active != e.Window) {
                    lk.unlock();
                    // The screen may hand its focus to the disabled owner of a
                    // modal dialog (late, after a window went): the dialog stays
                    // the active window, and the screen is told so again.
                    if (IsWindowEnabled(e.Window)) {
                        ActivateWindow(e.Window, WA_ACTIVE);
                    } else if (HWND a = GetActiveWindow(); a && IsWindow(a)) {
                        if (TScreen* s = ScreenIfOpen()) s->WindowActivated(a);
                    }
                    lk.lock();
                }
            } else if (e.Kind == TRawEvent::Drop) {
                // The deepest window under the point that takes files (WS_EX_ACCEPTFILES),
                // else the top-level window: DragAcceptFiles records nothing here.
                lk.unlock();
                HWND target = WindowAt(e.Pos, {});
                lk.lock();
                while (target && Find(target) && !(Find(target)->ExStyle & WS_EX_ACCEPTFILES) &&
                       (Find(target)->Style & WS_CHILD))
                    target = Find(target)->Parent;
                TWnd* tw = Find(target);
                if (!tw || !(tw->ExStyle & WS_EX_ACCEPTFILES) || TopLevelOf(tw) != w) tw = w;
                RECT cr = ClientOnScreen(tw);
                POINT cp{e.Pos.x - cr.left, e.Pos.y - cr.top};
                HDROP drop = CreateDropFiles(e.Files, cp, /*Wide=*/false);
                if (drop)
                    PostToQueue(tw->Queue.get(),
                                MSG{tw->Handle, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0, Tick(), e.Pos},
                                /*input=*/false);
            }
            break;
        }
        }
    }
}

void CheckHover() {
    Lock lk(UserMutex());
    auto& t = In().Track;
    if (!(t.Flags & TME_HOVER) || t.HoverDue > NowMs()) return;
    TWnd* w = Find(t.Hwnd);
    if (!w || w->ThreadId != GetCurrentThreadId()) return;
    t.Flags &= ~TME_HOVER;
    t.HoverDue = UINT64_MAX;
    POINT c = In().Cursor;
    if (t.Flags & TME_NONCLIENT) {
        PostInput(t.Hwnd, WM_NCMOUSEHOVER, static_cast<WPARAM>(HTCLIENT), PointParam(c), Tick(), c);
    } else {
        RECT cr = ClientOnScreen(w);
        PostInput(t.Hwnd, WM_MOUSEHOVER, MouseKeyFlags(), PointParam(POINT{c.x - cr.left, c.y - cr.top}), Tick(), c);
    }
}
uint64_t NextHoverDue() {
    Lock lk(UserMutex());
    // Only the thread of the tracked window posts its hover.
    TWnd* w = Find(In().Track.Hwnd);
    if (!w || w->ThreadId != GetCurrentThreadId()) return UINT64_MAX;
    return In().Track.HoverDue;
}
void CancelMouseTracking(HWND h) {
    if (In().Track.Hwnd == h) In().Track = TTracking{};
}

void WindowGoneFromInput(HWND h) {
    Lock lk(UserMutex());
    auto& in = In();
    auto gone = [&](HWND x) { return x && (x == h || IsDescendant(h, x)); };
    if (gone(in.Focus)) in.Focus = nullptr;
    if (gone(in.Capture)) in.Capture = nullptr;
    if (gone(in.Active)) in.Active = nullptr;
    if (gone(in.MouseWnd)) in.MouseWnd = nullptr;
    if (gone(in.LastDownWnd)) in.LastDownWnd = nullptr;
    if (gone(in.Track.Hwnd)) in.Track = TTracking{};
}

// ---- Activation -----------------------------------------------------------
namespace {
HWND NextToActivate(HWND leaving) {
    TWnd* l = Find(leaving);
    if (l && l->Owner) {
        TWnd* o = Find(l->Owner);
        if (o && (o->Style & WS_VISIBLE) && !(o->Style & WS_DISABLED)) return o->Handle;
    }
    for (HWND t : TopLevels()) {
        TWnd* w = Find(t);
        if (!w || t == leaving || !(w->Style & WS_VISIBLE) || (w->Style & (WS_DISABLED | WS_MINIMIZE))) continue;
        if (w->ExStyle & (WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW)) continue;
        if (w->ThreadId != GetCurrentThreadId()) continue;
        return t;
    }
    return nullptr;
}
}  // namespace

void ActivateWindow(HWND h, WORD how) {
    HWND old;
    {
        Lock lk(UserMutex());
        old = In().Active;
        if (h) {
            TWnd* w = Find(h);
            if (!w) return;
            TWnd* top = TopLevelOf(w);
            if (!top) return;
            h = top->Handle;
        } else {
            // The window that takes over is activated, whatever left.
            h = NextToActivate(old);
            how = WA_ACTIVE;
        }
        if (h == old) return;
    }
    if (h && HasHooks(WH_CBT)) {
        CBTACTIVATESTRUCT cas{how == WA_CLICKACTIVE, old};
        if (CallHooks(WH_CBT, HCBT_ACTIVATE, reinterpret_cast<WPARAM>(h), reinterpret_cast<LPARAM>(&cas),
                      reinterpret_cast<LPARAM>(&cas)))
            return;
    }
    if (old && IsWindow(old)) {
        SendW(old, WM_NCACTIVATE, FALSE, reinterpret_cast<LPARAM>(h));
        SendW(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0), reinterpret_cast<LPARAM>(h));
    }
    HWND lostFocus = nullptr;
    {
        Lock lk(UserMutex());
        if (In().Active != old) return;  // activation changed meanwhile
        In().Active = h;
        HWND f = In().Focus;
        if (f && old && (f == old || IsDescendant(old, f))) {
            lostFocus = f;
            In().Focus = nullptr;
        }
    }
    if (lostFocus) SendW(lostFocus, WM_KILLFOCUS, 0, 0);
    if (!h) return;
    BringToTopSilently(h);
    if (TScreen* s = ScreenIfOpen()) s->WindowActivated(h);
    SendW(h, WM_NCACTIVATE, TRUE, reinterpret_cast<LPARAM>(old));
    SendW(h, WM_ACTIVATE, MAKEWPARAM(how, IsIconic(h) ? 1 : 0), reinterpret_cast<LPARAM>(old));
}

}  // namespace winimpl

using namespace winimpl;

HWND SetActiveWindow(HWND h) {
    HWND old = GetActiveWindow();
    if (h && !IsWindow(h)) return nullptr;
    ActivateWindow(h, WA_ACTIVE);
    return old;
}
HWND GetActiveWindow() {
    Lock lk(UserMutex());
    return In().Active;
}
BOOL SetForegroundWindow(HWND h) {
    if (!IsWindow(h)) return FALSE;
    ActivateWindow(h, WA_ACTIVE);
    return TRUE;
}
HWND GetForegroundWindow() { return GetActiveWindow(); }

HWND SetFocus(HWND h) {
    HWND old;
    {
        Lock lk(UserMutex());
        old = In().Focus;
        if (h) {
            TWnd* w = Find(h);
            if (!w || w->ThreadId != GetCurrentThreadId()) return nullptr;
            if (w->Style & WS_DISABLED) return nullptr;
        }
    }
    if (h) {
        HWND top = GetAncestor(h, GA_ROOT);
        if (top && top != GetActiveWindow()) {
            ActivateWindow(top, WA_ACTIVE);
            if (GetActiveWindow() != top) return nullptr;
            Lock lk(UserMutex());
            old = In().Focus;
        }
    }
    if (old == h) return old;
    if (HasHooks(WH_CBT) &&
        CallHooks(WH_CBT, HCBT_SETFOCUS, reinterpret_cast<WPARAM>(h), reinterpret_cast<LPARAM>(old),
                  reinterpret_cast<LPARAM>(old)))
        return nullptr;
    if (old && IsWindow(old)) SendW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(h), 0);
    {
        Lock lk(UserMutex());
        if (h && !Find(h)) return old;
        In().Focus = h;
    }
    if (h) SendW(h, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}
HWND GetFocus() {
    Lock lk(UserMutex());
    HWND f = In().Focus;
    TWnd* w = Find(f);
    return (w && w->ThreadId == GetCurrentThreadId()) ? f : nullptr;
}

HWND SetCapture(HWND h) {
    HWND old;
    {
        Lock lk(UserMutex());
        if (!Find(h)) return nullptr;
        old = In().Capture;
        In().Capture = h;
    }
    if (old && old != h && IsWindow(old)) SendW(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(h));
    return old;
}
BOOL ReleaseCapture() {
    HWND old;
    {
        Lock lk(UserMutex());
        old = In().Capture;
        In().Capture = nullptr;
    }
    if (old && IsWindow(old)) SendW(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}
HWND GetCapture() {
    Lock lk(UserMutex());
    return In().Capture;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* t) {
    if (!t) return FALSE;
    Lock lk(UserMutex());
    auto& tr = In().Track;
    if (t->dwFlags & TME_QUERY) {
        t->dwFlags = tr.Hwnd ? tr.Flags : 0;
        t->hwndTrack = tr.Hwnd;
        t->dwHoverTime = tr.HoverTime;
        return TRUE;
    }
    if (!Find(t->hwndTrack)) return FALSE;
    if (t->dwFlags & TME_CANCEL) {
        if (tr.Hwnd == t->hwndTrack) {
            tr.Flags &= ~(t->dwFlags & (TME_LEAVE | TME_HOVER));
            if (!(tr.Flags & TME_HOVER)) tr.HoverDue = UINT64_MAX;
        }
        return TRUE;
    }
    bool nc = (t->dwFlags & TME_NONCLIENT) != 0;
    if (tr.Hwnd != t->hwndTrack) tr = TTracking{};
    tr.Hwnd = t->hwndTrack;
    tr.Flags = (tr.Flags & (TME_LEAVE | TME_HOVER)) | (t->dwFlags & (TME_LEAVE | TME_HOVER | TME_NONCLIENT));
    if (t->dwFlags & TME_HOVER) {
        tr.HoverTime = (t->dwHoverTime == HOVER_DEFAULT || t->dwHoverTime == 0) ? 400 : t->dwHoverTime;
        tr.HoverStart = In().Cursor;
        tr.HoverDue = NowMs() + tr.HoverTime;
        WakeAll();
    }
    // Not over the window (or its other area) now: the leave comes at once.
    if ((t->dwFlags & TME_LEAVE) && (In().MouseWnd != t->hwndTrack || In().MouseNonClient != nc))
        PostLeave(t->hwndTrack, nc);
    return TRUE;
}

SHORT GetKeyState(int vk) {
    TThreadQueue* q = CurrentQueue();
    Lock lk(UserMutex());
    BYTE b = q->KeyState[vk & 0xFF];
    return static_cast<SHORT>(((b & 0x80) ? 0x8000 : 0) | (b & 1));
}
SHORT GetAsyncKeyState(int vk) {
    Lock lk(UserMutex());
    return static_cast<SHORT>((In().Async[vk & 0xFF] & 0x80) ? 0x8000 : 0);
}
BOOL GetKeyboardState(BYTE* s) {
    if (!s) return FALSE;
    TThreadQueue* q = CurrentQueue();
    Lock lk(UserMutex());
    std::memcpy(s, q->KeyState, 256);
    return TRUE;
}
UINT GetDoubleClickTime() { return 500; }

BOOL GetCursorPos(LPPOINT p) {
    if (!p) return FALSE;
    Lock lk(UserMutex());
    *p = In().Cursor;
    return TRUE;
}
BOOL SetCursorPos(int x, int y) {
    {
        Lock lk(UserMutex());
        In().Cursor = POINT{x, y};
    }
    if (TScreen* s = Screen()) s->SetPointerPos(POINT{x, y});
    return TRUE;
}

BOOL TranslateMessage(const MSG* m) {
    if (!m || (m->message != WM_KEYDOWN && m->message != WM_SYSKEYDOWN)) return FALSE;
    char16_t ch;
    int vk = static_cast<int>(m->wParam);
    if (vk == VK_PACKET) {
        ch = static_cast<char16_t>((static_cast<DWORD>(m->lParam) >> 16) & 0xFFFF);
    } else {
        bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
        bool caps = (GetKeyState(VK_CAPITAL) & 1) != 0;
        ch = KeyChar(vk, shift, caps, ctrl);
    }
    if (!ch) return FALSE;
    TWnd* w;
    Lock lk(UserMutex());
    w = Find(m->hwnd);
    if (!w || !w->Queue) return FALSE;
    // The character comes right after its key, before anything queued later.
    PostToQueue(w->Queue.get(),
                MSG{m->hwnd, m->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, ch, m->lParam, m->time, m->pt},
                /*input=*/true,
                /*front=*/true);
    return TRUE;
}

// ---- Cursors --------------------------------------------------------------
namespace {
struct TCursor {
    int StandardId = 0;
    POINT HotSpot{};
    int Width = 32, Height = 32;
    bool FromResource = false;
};
std::vector<std::unique_ptr<TCursor>>& Cursors() {
    static std::vector<std::unique_ptr<TCursor>> c;
    return c;
}
TCursor* CursorOf(HCURSOR h) {
    for (auto& c : Cursors())
        if (reinterpret_cast<HCURSOR>(c.get()) == h) return c.get();
    return nullptr;
}
HCURSOR StandardCursor(int id) {
    static const int known[] = {32512, 32513, 32514, 32515, 32516, 32640, 32641, 32642, 32643,
                                32644, 32645, 32646, 32648, 32649, 32650, 32651};
    if (std::find(std::begin(known), std::end(known), id) == std::end(known)) return nullptr;
    for (auto& c : Cursors())
        if (!c->FromResource && c->StandardId == id) return reinterpret_cast<HCURSOR>(c.get());
    auto c = std::make_unique<TCursor>();
    c->StandardId = id;
    Cursors().push_back(std::move(c));
    return reinterpret_cast<HCURSOR>(Cursors().back().get());
}
}  // namespace

HCURSOR LoadCursorA(HINSTANCE inst, LPCSTR name) {
    Lock lk(UserMutex());
    if (IS_INTRESOURCE(name)) return StandardCursor(static_cast<int>(reinterpret_cast<uintptr_t>(name)));
    lk.unlock();
    (void)inst;
    return LoadCursorFromResource(name);
}
HCURSOR LoadCursorW(HINSTANCE inst, LPCWSTR name) {
    if (IS_INTRESOURCE(name)) return LoadCursorA(inst, reinterpret_cast<LPCSTR>(name));
    std::string n = Utf16ToUtf8(WideOfW(name));
    return LoadCursorA(inst, n.c_str());
}

HCURSOR LoadCursorFromResource(const char* name) {
    if (!name) return nullptr;
    TResourceData data;
    if (!FindEmbeddedResource("cursors", name, data) && !FindEmbeddedResource("cursor", name, data)) return nullptr;
    // A .cur file: ICONDIR (reserved 0, type 2, count) and entries with the hot spot.
    const unsigned char* p = data.Data;
    if (data.Size < 22 || p[0] != 0 || p[1] != 0 || p[2] != 2 || p[3] != 0 || (p[4] | (p[5] << 8)) == 0) return nullptr;
    auto c = std::make_unique<TCursor>();
    c->FromResource = true;
    c->Width = p[6] ? p[6] : 256;
    c->Height = p[7] ? p[7] : 256;
    c->HotSpot = POINT{p[10] | (p[11] << 8), p[12] | (p[13] << 8)};
    Lock lk(UserMutex());
    Cursors().push_back(std::move(c));
    return reinterpret_cast<HCURSOR>(Cursors().back().get());
}

int WinCursorStandardId(HCURSOR h) {
    Lock lk(UserMutex());
    TCursor* c = CursorOf(h);
    return (c && !c->FromResource) ? c->StandardId : 0;
}

HCURSOR SetCursor(HCURSOR h) {
    HCURSOR old;
    int id;
    {
        Lock lk(UserMutex());
        old = In().CursorHandle;
        In().CursorHandle = h;
        TCursor* c = CursorOf(h);
        // Cursors of our own resources show as the arrow on screens without their images.
        id = !h ? 0 : (c && !c->FromResource) ? c->StandardId : 32512;
    }
    if (old != h)
        if (TScreen* s = Screen()) s->SetPointerShape(id);
    return old;
}
HCURSOR GetCursor() {
    Lock lk(UserMutex());
    return In().CursorHandle;
}
int ShowCursor(BOOL show) {
    Lock lk(UserMutex());
    In().CursorCount += show ? 1 : -1;
    return In().CursorCount;
}
BOOL DestroyCursor(HCURSOR h) {
    Lock lk(UserMutex());
    auto& v = Cursors();
    for (auto it = v.begin(); it != v.end(); ++it)
        if (reinterpret_cast<HCURSOR>(it->get()) == h) {
            if (!(*it)->FromResource) return TRUE;  // shared standard cursors stay
            v.erase(it);
            return TRUE;
        }
    return FALSE;
}

// ---- The screen -----------------------------------------------------------
namespace winimpl {

TScreen* ScreenIfOpen() {
    Lock lk(UserMutex());
    return ScreenPtr().get();
}

TScreen* Screen() {
    Lock lk(UserMutex());
    auto& s = ScreenPtr();
    if (!s) {
        s = OpenScreen();
        if (s) s->SetInputSink(&Sink());
    }
    return s.get();
}

static std::vector<RECT> RegionRects(HRGN rgn) {
    std::vector<RECT> out;
    DWORD size = GetRegionData(rgn, 0, /*Data=*/nullptr);
    if (!size) return out;
    std::vector<unsigned char> buf(size);
    auto* data = reinterpret_cast<RGNDATA*>(buf.data());
    if (!GetRegionData(rgn, size, data)) return out;
    auto* rects = reinterpret_cast<RECT*>(data->Buffer);
    out.assign(rects, rects + data->rdh.nCount);
    return out;
}

void ScreenTopLevelChanged(TWnd* w, bool moved, bool shown, bool zorder) {
    TScreen* s = ScreenIfOpen();
    if (!s || !w->Surface) return;
    if (moved) s->WindowMoved(w->Handle, w->Window);
    if (shown) s->WindowShown(w->Handle, (w->Style & WS_VISIBLE) != 0);
    if (zorder) ScreenZOrder();
    if (!moved && !shown && !zorder) s->WindowShape(w->Handle, w->WindowRgn != nullptr,
                                                    w->WindowRgn ? RegionRects(w->WindowRgn) : std::vector<RECT>());
}

void ScreenResizeSurface(TWnd* w, int width, int height) {
    if (TScreen* s = ScreenIfOpen())
        s->ResizeSurface(w->Handle, w->Surface, width, height);
    else
        GdiResizeSurface(w->Surface, width, height);
}

void ScreenZOrder() {
    TScreen* s = ScreenIfOpen();
    if (!s) return;
    std::vector<HWND> tops;
    for (HWND t : TopLevels())
        if (TWnd* w = Find(t); w && w->Surface) tops.push_back(t);
    s->WindowZOrder(tops);
}

}  // namespace winimpl

TScreen* WinCurrentScreen() { return Screen(); }
THeadlessScreen* WinHeadlessScreen() { return dynamic_cast<THeadlessScreen*>(Screen()); }

void WinStartup() {
    DesktopHandle();
    Screen();
}

void WinShutdown() {
    std::vector<HWND> tops;
    {
        Lock lk(UserMutex());
        DesktopHandle();
        for (HWND t : TopLevels())
            if (Find(t)->ThreadId == GetCurrentThreadId()) tops.push_back(t);
    }
    for (HWND t : tops) DestroyWindow(t);
    std::unique_ptr<TScreen> closing;
    {
        Lock lk(UserMutex());
        closing = std::move(ScreenPtr());
    }
    // Closed without the lock: the screen's reader thread may be handing input in.
    closing.reset();
}
