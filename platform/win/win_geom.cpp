// The window tree, z-order and geometry: SetWindowPos and ShowWindow with
// their messages, parents and owners, coordinates, hit tests by point.
#include <algorithm>
#include <cstring>

#include "platform/system/process.h"
#include "platform/win/win_internal.h"

using namespace winimpl;

namespace {

int W(const RECT& r) { return r.right - r.left; }
int H(const RECT& r) { return r.bottom - r.top; }

// Moves h in its parent's list: after `after`, or to the top or bottom.
void Restack(TWnd* w, HWND after) {
    TWnd* p = Find(w->Parent);
    if (!p || w->MessageOnly) return;
    auto& v = p->Children;
    v.erase(std::remove(v.begin(), v.end(), w->Handle), v.end());
    bool topLevel = IsTopLevel(w);
    if (after == HWND_TOPMOST) {
        if (topLevel) w->ExStyle |= WS_EX_TOPMOST;
        after = HWND_TOP;
    } else if (after == HWND_NOTOPMOST) {
        if (topLevel) w->ExStyle &= ~WS_EX_TOPMOST;
        after = HWND_TOP;
    }
    auto firstNonTopmost = [&]() {
        auto it = v.begin();
        if (topLevel)
            while (it != v.end()) {
                TWnd* s = Find(*it);
                if (!s || !(s->ExStyle & WS_EX_TOPMOST)) break;
                ++it;
            }
        return it;
    };
    if (after == HWND_TOP) {
        if (topLevel && !(w->ExStyle & WS_EX_TOPMOST))
            v.insert(firstNonTopmost(), w->Handle);
        else
            v.insert(v.begin(), w->Handle);
    } else if (after == HWND_BOTTOM) {
        if (topLevel && (w->ExStyle & WS_EX_TOPMOST))
            v.insert(firstNonTopmost(), w->Handle);
        else
            v.push_back(w->Handle);
    } else {
        auto it = std::find(v.begin(), v.end(), after);
        if (it == v.end())
            v.insert(v.begin(), w->Handle);
        else
            v.insert(it + 1, w->Handle);
    }
    // Owned windows stay above their owner.
    if (topLevel) {
        std::vector<HWND> owned;
        for (HWND t : v)
            if (TWnd* o = Find(t); o && o->Owner == w->Handle) owned.push_back(t);
        auto pos = std::find(v.begin(), v.end(), w->Handle) - v.begin();
        for (HWND o : owned) {
            auto oi = std::find(v.begin(), v.end(), o) - v.begin();
            if (oi > pos) {
                v.erase(v.begin() + oi);
                v.insert(v.begin() + pos, o);
                ++pos;
            }
        }
    }
}

WPARAM SizeType(const TWnd* w) {
    if (w->Style & WS_MINIMIZE) return SIZE_MINIMIZED;
    if (w->Style & WS_MAXIMIZE) return SIZE_MAXIMIZED;
    return SIZE_RESTORED;
}

}  // namespace

namespace winimpl {

void BringToTopSilently(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return;
    Restack(w, HWND_TOP);
    if (IsTopLevel(w)) ScreenZOrder();
}

BOOL SetWindowPosInternal(HWND h, HWND after, int x, int y, int cx, int cy, UINT flags) {
    WINDOWPOS wp{h, after, x, y, cx, cy, flags};
    bool wasVisible;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w || w->Desktop) return FALSE;
        wasVisible = (w->Style & WS_VISIBLE) != 0;
        if (wasVisible) wp.flags &= ~SWP_SHOWWINDOW;
        if (!wasVisible) wp.flags &= ~SWP_HIDEWINDOW;
        if (wp.flags & SWP_NOMOVE) {
            wp.x = w->Window.left;
            wp.y = w->Window.top;
        }
        if (wp.flags & SWP_NOSIZE) {
            wp.cx = W(w->Window);
            wp.cy = H(w->Window);
        }
        if (!(wp.flags & SWP_NOZORDER) && wp.hwndInsertAfter == h) wp.flags |= SWP_NOZORDER;
    }
    if (!(wp.flags & SWP_NOSENDCHANGING)) SendW(h, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (wp.cx < 0) wp.cx = 0;
    if (wp.cy < 0) wp.cy = 0;

    RECT oldWindow, oldClient, newWindow;
    bool topLevel, sized, moved;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return FALSE;
        oldWindow = w->Window;
        oldClient = w->Client;
        newWindow = RECT{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
        topLevel = IsTopLevel(w);
        sized = W(newWindow) != W(oldWindow) || H(newWindow) != H(oldWindow);
        moved = newWindow.left != oldWindow.left || newWindow.top != oldWindow.top;
    }
    RECT newClient;
    if (sized || (wp.flags & SWP_FRAMECHANGED)) {
        NCCALCSIZE_PARAMS p{};
        p.rgrc[0] = newWindow;
        p.rgrc[1] = oldWindow;
        p.rgrc[2] = oldClient;
        p.lppos = &wp;
        SendW(h, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
        newClient = p.rgrc[0];
    } else {
        newClient = oldClient;
        OffsetRect(&newClient, newWindow.left - oldWindow.left, newWindow.top - oldWindow.top);
    }

    bool activate = false;
    UINT changedFlags;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return FALSE;
        TWnd* parent = Find(w->Parent);
        w->Window = newWindow;
        w->Client = newClient;
        if (!(w->Style & (WS_MINIMIZE | WS_MAXIMIZE))) w->NormalRect = newWindow;
        bool zChanged = false;
        if (!(wp.flags & SWP_NOZORDER)) {
            auto before = parent ? parent->Children : std::vector<HWND>();
            Restack(w, wp.hwndInsertAfter);
            zChanged = parent && before != parent->Children;
        }
        if (wp.flags & SWP_SHOWWINDOW) w->Style |= WS_VISIBLE;
        if (wp.flags & SWP_HIDEWINDOW) w->Style &= ~WS_VISIBLE;
        bool clientSized = W(newClient) != W(oldClient) || H(newClient) != H(oldClient);
        bool clientMoved = newClient.left != oldClient.left || newClient.top != oldClient.top;
        changedFlags = wp.flags;
        if (!clientSized) changedFlags |= SWP_NOCLIENTSIZE;
        if (!clientMoved) changedFlags |= SWP_NOCLIENTMOVE;
        if (!sized) changedFlags |= SWP_NOSIZE;
        if (!moved) changedFlags |= SWP_NOMOVE;
        // Once a WM_SIZE went out the first showing need not tell the size again.
        if (!(changedFlags & SWP_NOCLIENTSIZE)) w->NeedSizeMove = false;

        if (topLevel && !w->MessageOnly) {
            if (sized && w->Surface) ScreenResizeSurface(w, W(newWindow), H(newWindow));
            ScreenTopLevelChanged(w, moved || sized, (wp.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) != 0, zChanged);
        }
        bool nowVisible = (w->Style & WS_VISIBLE) != 0;
        if (!(wp.flags & SWP_NOREDRAW)) {
            if (nowVisible && (!wasVisible || sized || (!topLevel && (moved || zChanged)) ||
                               (wp.flags & SWP_FRAMECHANGED)))
                InvalidateInternal(w, /*rgnClient=*/nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
            if (!topLevel && parent && wasVisible && (!nowVisible || moved || sized))
                ExposeParentArea(parent, oldWindow, h);
            if (!topLevel && parent && !wasVisible && nowVisible) {
                // Siblings below the shown window lose that area: nothing to repaint there.
            }
        }
        if ((wp.flags & SWP_FRAMECHANGED) && nowVisible) w->FramePending = true;
        activate = topLevel && !w->MessageOnly && (wp.flags & SWP_SHOWWINDOW) && !(wp.flags & SWP_NOACTIVATE) &&
                   !(w->ExStyle & WS_EX_NOACTIVATE);
        wp.x = newWindow.left;
        wp.y = newWindow.top;
        wp.cx = W(newWindow);
        wp.cy = H(newWindow);
    }
    if (activate) ActivateWindow(h, WA_ACTIVE);
    if ((wp.flags & SWP_HIDEWINDOW) && topLevel && GetActiveWindow() == h) ActivateWindow(/*h=*/nullptr, WA_INACTIVE);
    wp.flags = changedFlags;
    SendW(h, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    return TRUE;
}

}  // namespace winimpl

BOOL SetWindowPos(HWND h, HWND after, int x, int y, int cx, int cy, UINT flags) {
    return SetWindowPosInternal(h, after, x, y, cx, cy, flags);
}

BOOL MoveWindow(HWND h, int x, int y, int w, int hgt, BOOL repaint) {
    return SetWindowPos(h, /*hWndInsertAfter=*/nullptr, x, y, w, hgt,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND h) { return SetWindowPos(h, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL ShowWindow(HWND h, int cmd) {
    bool wasVisible, child, minimized, maximized;
    RECT normal;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w || w->Desktop) return FALSE;
        wasVisible = (w->Style & WS_VISIBLE) != 0;
        child = (w->Style & WS_CHILD) != 0;
        minimized = (w->Style & WS_MINIMIZE) != 0;
        maximized = (w->Style & WS_MAXIMIZE) != 0;
        normal = w->NormalRect;
    }
    UINT flags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER;
    int x = 0, y = 0, cx = 0, cy = 0;
    bool show = true;
    bool noActivate = child;
    DWORD setState = 0, clearState = 0;
    switch (cmd) {
    case SW_HIDE:
        if (!wasVisible) return FALSE;
        show = false;
        flags |= SWP_HIDEWINDOW | SWP_NOACTIVATE;
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        if (!minimized) {
            // Minimised windows park far outside the desktop, where nothing composes them.
            setState = WS_MINIMIZE;
            clearState = WS_MAXIMIZE;
            flags = SWP_NOZORDER | SWP_FRAMECHANGED;
            x = -32000;
            y = -32000;
            cx = GetSystemMetrics(SM_CXMINIMIZED);
            cy = GetSystemMetrics(SM_CYMINIMIZED);
        }
        noActivate = noActivate || cmd != SW_SHOWMINIMIZED;
        break;
    case SW_SHOWMAXIMIZED:
        if (!maximized && !child) {
            setState = WS_MAXIMIZE;
            clearState = WS_MINIMIZE;
            flags = SWP_NOZORDER | SWP_FRAMECHANGED;
            int fx = GetSystemMetrics(SM_CXFRAME), fy = GetSystemMetrics(SM_CYFRAME);
            x = -fx;
            y = -fy;
            cx = GDI_DESKTOP_WIDTH + 2 * fx;
            cy = GDI_DESKTOP_HEIGHT + 2 * fy;
        }
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
        if (minimized || maximized) {
            clearState = WS_MINIMIZE | WS_MAXIMIZE;
            flags = SWP_NOZORDER | SWP_FRAMECHANGED;
            x = normal.left;
            y = normal.top;
            cx = normal.right - normal.left;
            cy = normal.bottom - normal.top;
        }
        break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
        noActivate = true;
        break;
    case SW_SHOW:
    default:
        break;
    }
    if (show && !wasVisible) {
        SendW(h, WM_SHOWWINDOW, TRUE, 0);
        flags |= SWP_SHOWWINDOW;
    } else if (!show) {
        SendW(h, WM_SHOWWINDOW, FALSE, 0);
    }
    if (!IsWindow(h)) return wasVisible;
    if (noActivate) flags |= SWP_NOACTIVATE;
    if (show && !noActivate && !child) flags &= ~SWP_NOZORDER;
    if (setState || clearState) {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return wasVisible;
        if (!(w->Style & (WS_MINIMIZE | WS_MAXIMIZE))) w->NormalRect = w->Window;
        w->Style = (w->Style & ~clearState) | setState;
    }
    if (setState || clearState || (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) || !(flags & SWP_NOZORDER))
        SetWindowPosInternal(h, HWND_TOP, x, y, cx, cy, flags);
    else if (show && !noActivate && !child)
        ActivateWindow(h, WA_ACTIVE);

    // The first showing tells the window its size and place.
    bool needSize = false;
    RECT client{};
    WPARAM type = SIZE_RESTORED;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (w && (w->Style & WS_VISIBLE) && w->NeedSizeMove) {
            w->NeedSizeMove = false;
            needSize = true;
            client = w->Client;
            type = SizeType(w);
        }
    }
    if (needSize) {
        SendW(h, WM_SIZE, type, MAKELPARAM(static_cast<WORD>(W(client)), static_cast<WORD>(H(client))));
        SendW(h, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(client.left), static_cast<WORD>(client.top)));
    }
    return wasVisible;
}

BOOL IsWindowVisible(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    return w && VisibleOnScreen(w);
}
BOOL IsIconic(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    return w && (w->Style & WS_MINIMIZE);
}
BOOL IsZoomed(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    return w && (w->Style & WS_MAXIMIZE);
}

BOOL EnableWindow(HWND h, BOOL enable) {
    bool wasDisabled;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return FALSE;
        wasDisabled = (w->Style & WS_DISABLED) != 0;
        if (wasDisabled == !enable) return wasDisabled;
        if (enable)
            w->Style &= ~WS_DISABLED;
        else
            w->Style |= WS_DISABLED;
    }
    if (!enable) {
        // A disabled window keeps neither focus nor capture.
        HWND f = GetFocus();
        if (f && (f == h || IsChild(h, f))) SetFocus(nullptr);
        if (GetCapture() == h) ReleaseCapture();
    }
    SendW(h, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
}
BOOL IsWindowEnabled(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    return w && !(w->Style & WS_DISABLED);
}

BOOL GetWindowRect(HWND h, LPRECT r) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !r) return FALSE;
    *r = w->Desktop ? w->Window : WindowOnScreen(w);
    return TRUE;
}
BOOL GetClientRect(HWND h, LPRECT r) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !r) return FALSE;
    *r = RECT{0, 0, W(w->Client), H(w->Client)};
    return TRUE;
}

BOOL GetWindowPlacement(HWND h, WINDOWPLACEMENT* p) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !p) return FALSE;
    p->length = sizeof(WINDOWPLACEMENT);
    p->flags = 0;
    p->showCmd = !(w->Style & WS_VISIBLE) ? SW_HIDE
                 : (w->Style & WS_MINIMIZE) ? SW_SHOWMINIMIZED
                 : (w->Style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                                            : SW_SHOWNORMAL;
    p->ptMinPosition = POINT{-1, -1};
    p->ptMaxPosition = POINT{-1, -1};
    p->rcNormalPosition = (w->Style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->NormalRect : w->Window;
    return TRUE;
}
BOOL SetWindowPlacement(HWND h, const WINDOWPLACEMENT* p) {
    if (!p || !IsWindow(h)) return FALSE;
    {
        Lock lk(UserMutex());
        Find(h)->NormalRect = p->rcNormalPosition;
    }
    if (!IsIconic(h) && !IsZoomed(h)) {
        const RECT& r = p->rcNormalPosition;
        SetWindowPos(h, /*hWndInsertAfter=*/nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(h, static_cast<int>(p->showCmd));
    return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT r, DWORD style, BOOL menu, DWORD ex) {
    if (!r) return FALSE;
    RECT client = RECT{0, 0, 1000, 1000};
    RECT frame = client;
    ComputeFrame(style, ex, menu != 0, frame);  // frame -> client rectangle of a 1000x1000 window
    r->left -= frame.left;
    r->top -= frame.top;
    r->right += 1000 - frame.right;
    r->bottom += 1000 - frame.bottom;
    return TRUE;
}
BOOL AdjustWindowRect(LPRECT r, DWORD style, BOOL menu) { return AdjustWindowRectEx(r, style, menu, 0); }

BOOL ClientToScreen(HWND h, LPPOINT p) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !p) return FALSE;
    if (w->Desktop) return TRUE;
    RECT c = ClientOnScreen(w);
    p->x += c.left;
    p->y += c.top;
    return TRUE;
}
BOOL ScreenToClient(HWND h, LPPOINT p) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !p) return FALSE;
    if (w->Desktop) return TRUE;
    RECT c = ClientOnScreen(w);
    p->x -= c.left;
    p->y -= c.top;
    return TRUE;
}
int MapWindowPoints(HWND from, HWND to, LPPOINT pts, UINT n) {
    Lock lk(UserMutex());
    POINT a{0, 0}, b{0, 0};
    if (from && !Find(from)) return 0;
    if (to && !Find(to)) return 0;
    if (TWnd* f = Find(from); f && !f->Desktop) {
        RECT c = ClientOnScreen(f);
        a = POINT{c.left, c.top};
    }
    if (TWnd* t = Find(to); t && !t->Desktop) {
        RECT c = ClientOnScreen(t);
        b = POINT{c.left, c.top};
    }
    int dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; i < n; ++i) {
        pts[i].x += dx;
        pts[i].y += dy;
    }
    return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

namespace winimpl {
// The window region, when set, decides which points belong to the window.
bool PointInWindowShape(TWnd* w, POINT screen) {
    RECT r = w->Desktop ? w->Window : WindowOnScreen(w);
    if (!PtInRect(&r, screen)) return false;
    if (w->WindowRgn && !PtInRegion(w->WindowRgn, screen.x - r.left, screen.y - r.top)) return false;
    return true;
}

// The deepest visible window under a screen point; disabled children are
// passed over (their parent gets the point), as are the windows in Skip.
HWND WindowAt(POINT screen, const std::vector<HWND>& skip) {
    Lock lk(UserMutex());
    TWnd* d = DesktopWnd();
    HWND found = nullptr;
    for (HWND t : d->Children) {
        TWnd* w = Find(t);
        if (!w || !(w->Style & WS_VISIBLE) || std::count(skip.begin(), skip.end(), t)) continue;
        // A layered window that is also transparent lets the mouse through (drag images).
        if ((w->ExStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) == (WS_EX_LAYERED | WS_EX_TRANSPARENT)) continue;
        if (!PointInWindowShape(w, screen)) continue;
        found = t;
        break;
    }
    if (!found) return nullptr;
    for (;;) {
        TWnd* w = Find(found);
        if (w->Style & WS_MINIMIZE) return found;
        RECT c = ClientOnScreen(w);
        if (!PtInRect(&c, screen)) return found;
        HWND next = nullptr;
        for (HWND ch : w->Children) {
            TWnd* cw = Find(ch);
            if (!cw || !(cw->Style & WS_VISIBLE) || (cw->Style & WS_DISABLED) ||
                std::count(skip.begin(), skip.end(), ch))
                continue;
            if (!PointInWindowShape(cw, screen)) continue;
            next = ch;
            break;
        }
        if (!next) return found;
        found = next;
    }
}
}  // namespace winimpl

HWND WindowFromPoint(POINT p) { return WindowAt(p, {}); }

HWND ChildWindowFromPointEx(HWND parent, POINT pt, UINT flags) {
    Lock lk(UserMutex());
    TWnd* w = Find(parent);
    if (!w) return nullptr;
    RECT cr{0, 0, W(w->Client), H(w->Client)};
    if (!PtInRect(&cr, pt)) return nullptr;
    POINT screen = pt;
    if (!w->Desktop) {
        RECT c = ClientOnScreen(w);
        screen.x += c.left;
        screen.y += c.top;
    }
    for (HWND ch : w->Children) {
        TWnd* cw = Find(ch);
        if (!cw) continue;
        if ((flags & CWP_SKIPINVISIBLE) && !(cw->Style & WS_VISIBLE)) continue;
        if ((flags & CWP_SKIPDISABLED) && (cw->Style & WS_DISABLED)) continue;
        if ((flags & CWP_SKIPTRANSPARENT) && (cw->ExStyle & WS_EX_TRANSPARENT)) continue;
        if (PointInWindowShape(cw, screen)) return ch;
    }
    return parent;
}
HWND ChildWindowFromPoint(HWND parent, POINT pt) { return ChildWindowFromPointEx(parent, pt, CWP_ALL); }
HWND RealChildWindowFromPoint(HWND parent, POINT pt) {
    return ChildWindowFromPointEx(parent, pt, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
}

// ---- Tree -----------------------------------------------------------------
HWND GetParent(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || w->Desktop) return nullptr;
    if (w->Style & WS_CHILD) return w->Parent;
    if (w->Style & WS_POPUP) return w->Owner;
    return nullptr;
}

HWND GetAncestor(HWND h, UINT flags) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || w->Desktop) return nullptr;
    switch (flags) {
    case GA_PARENT: return w->Parent;
    case GA_ROOT: {
        TWnd* t = TopLevelOf(w);
        return t ? t->Handle : nullptr;
    }
    case GA_ROOTOWNER: {
        TWnd* t = TopLevelOf(w);
        while (t && t->Owner && Find(t->Owner)) t = Find(t->Owner);
        return t ? t->Handle : nullptr;
    }
    default: return nullptr;
    }
}

HWND SetParent(HWND h, HWND newParent) {
    HWND old;
    bool visible;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w || w->Desktop) return nullptr;
        if (!newParent) newParent = DesktopHandle();
        TWnd* np = Find(newParent);
        if (!np || newParent == h || IsDescendant(h, newParent)) return nullptr;
        old = w->Parent;
        visible = (w->Style & WS_VISIBLE) != 0;
    }
    if (visible) ShowWindow(h, SW_HIDE);
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        TWnd* np = Find(newParent);
        if (!w || !np) return nullptr;
        bool wasTop = IsTopLevel(w);
        if (TWnd* op = Find(w->Parent))
            op->Children.erase(std::remove(op->Children.begin(), op->Children.end(), h), op->Children.end());
        w->Parent = newParent;
        np->Children.insert(np->Children.begin(), h);
        bool isTop = IsTopLevel(w);
        if (wasTop && !isTop) DestroySurfaceFor(w);
        if (!wasTop && isTop) CreateSurfaceFor(w);
    }
    if (visible) ShowWindow(h, SW_SHOWNA);
    return old == DesktopHandle() ? DesktopHandle() : old;
}

HWND GetWindow(HWND h, UINT cmd) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return nullptr;
    if (cmd == GW_CHILD) return w->Children.empty() ? nullptr : w->Children.front();
    if (cmd == GW_OWNER) return w->Owner;
    if (cmd == GW_ENABLEDPOPUP) {
        for (HWND t : TopLevels())
            if (TWnd* o = Find(t); o && o->Owner == h && (o->Style & WS_VISIBLE) && !(o->Style & WS_DISABLED))
                return t;
        return nullptr;
    }
    TWnd* p = Find(w->Parent);
    if (!p || w->MessageOnly) return nullptr;
    auto& v = p->Children;
    auto it = std::find(v.begin(), v.end(), h);
    if (it == v.end()) return nullptr;
    switch (cmd) {
    case GW_HWNDFIRST: return v.front();
    case GW_HWNDLAST: return v.back();
    case GW_HWNDNEXT: return (it + 1 == v.end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV: return it == v.begin() ? nullptr : *(it - 1);
    default: return nullptr;
    }
}
HWND GetTopWindow(HWND h) {
    if (!h) h = DesktopHandle();
    return GetWindow(h, GW_CHILD);
}
HWND GetNextWindow(HWND h, UINT cmd) { return GetWindow(h, cmd); }

static BOOL EnumList(const std::vector<HWND>& list, WNDENUMPROC fn, LPARAM l) {
    for (HWND c : list)
        if (IsWindow(c) && !fn(c, l)) return FALSE;
    return TRUE;
}
BOOL EnumChildWindows(HWND parent, WNDENUMPROC fn, LPARAM l) {
    if (!fn) return FALSE;
    std::vector<HWND> all;
    {
        Lock lk(UserMutex());
        if (!parent) parent = DesktopHandle();
        TWnd* w = Find(parent);
        if (!w) return FALSE;
        // Every descendant, each window before its own children.
        std::vector<HWND> stack(w->Children.rbegin(), w->Children.rend());
        while (!stack.empty()) {
            HWND c = stack.back();
            stack.pop_back();
            all.push_back(c);
            if (TWnd* cw = Find(c)) stack.insert(stack.end(), cw->Children.rbegin(), cw->Children.rend());
        }
    }
    return EnumList(all, fn, l);
}
BOOL EnumWindows(WNDENUMPROC fn, LPARAM l) {
    if (!fn) return FALSE;
    std::vector<HWND> tops;
    {
        Lock lk(UserMutex());
        DesktopHandle();
        tops = TopLevels();
    }
    return EnumList(tops, fn, l);
}
BOOL EnumThreadWindows(DWORD tid, WNDENUMPROC fn, LPARAM l) {
    if (!fn) return FALSE;
    std::vector<HWND> tops;
    {
        Lock lk(UserMutex());
        DesktopHandle();
        for (HWND t : TopLevels())
            if (Find(t)->ThreadId == tid) tops.push_back(t);
    }
    return EnumList(tops, fn, l);
}

static HWND FindInternal(HWND parent, HWND after, const std::u16string* cls, const std::u16string* name) {
    Lock lk(UserMutex());
    TWnd* p = parent ? Find(parent) : DesktopWnd();
    if (!p) return nullptr;
    bool started = after == nullptr;
    TClass* c = cls ? FindClass(*cls) : nullptr;
    if (cls && !c) return nullptr;
    for (HWND h : p->Children) {
        if (!started) {
            started = h == after;
            continue;
        }
        TWnd* w = Find(h);
        if (!w) continue;
        if (c && w->Class != c) continue;
        if (name && w->Text != *name) continue;
        return h;
    }
    return nullptr;
}
HWND FindWindowA(LPCSTR cls, LPCSTR name) {
    return FindWindowExA(/*hWndParent=*/nullptr, /*hWndChildAfter=*/nullptr, cls, name);
}
HWND FindWindowW(LPCWSTR cls, LPCWSTR name) {
    return FindWindowExW(/*hWndParent=*/nullptr, /*hWndChildAfter=*/nullptr, cls, name);
}
HWND FindWindowExA(HWND parent, HWND after, LPCSTR cls, LPCSTR name) {
    std::u16string c = ClassKeyA(cls), n = name ? WideOf(name) : std::u16string();
    return FindInternal(parent, after, cls ? &c : nullptr, name ? &n : nullptr);
}
HWND FindWindowExW(HWND parent, HWND after, LPCWSTR cls, LPCWSTR name) {
    std::u16string c = ClassKeyW(cls), n = name ? WideOfW(name) : std::u16string();
    return FindInternal(parent, after, cls ? &c : nullptr, name ? &n : nullptr);
}

// ---- Window regions -------------------------------------------------------
int SetWindowRgn(HWND h, HRGN rgn, BOOL redraw) {
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return 0;
        if (w->WindowRgn) DeleteObject(w->WindowRgn);
        w->WindowRgn = rgn;
        if (IsTopLevel(w) && !w->MessageOnly)
            ScreenTopLevelChanged(w, /*moved=*/false, /*shown=*/false, /*zorder=*/false);
    }
    SetWindowPos(h, /*hWndInsertAfter=*/nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (redraw ? 0 : SWP_NOREDRAW) |
                     SWP_FRAMECHANGED);
    if (redraw) {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (w && !IsTopLevel(w)) {
            if (TWnd* p = Find(w->Parent)) ExposeParentArea(p, w->Window, /*except=*/nullptr);
        }
    }
    return 1;
}
int GetWindowRgn(HWND h, HRGN rgn) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !w->WindowRgn || !rgn) return ERROR;
    return CombineRgn(rgn, w->WindowRgn, /*Src2=*/nullptr, RGN_COPY);
}
int GetWindowRgnBox(HWND h, LPRECT r) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !w->WindowRgn || !r) return ERROR;
    return GetRgnBox(w->WindowRgn, r);
}
