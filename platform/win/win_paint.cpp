// Painting: backing surfaces of top-level windows, update regions and
// WM_PAINT, DCs clipped to what a window may draw, scrolling.
#include <algorithm>
#include <cstring>

#include "platform/win/win_internal.h"

using namespace winimpl;

namespace {

int W(const RECT& r) { return r.right - r.left; }
int H(const RECT& r) { return r.bottom - r.top; }

struct TDCRecord {
    HWND Hwnd = nullptr;
    HWND Top = nullptr;
    RECT Bounds{};  // what the DC can reach, in the top-level's window coordinates
};
std::map<HDC, TDCRecord>& DCs() {
    static std::map<HDC, TDCRecord> m;
    return m;
}
TGdiSurface* gScratch = nullptr;  // behind DCs of the desktop

// Offset of a window's rectangle inside its top-level's surface.
POINT OffsetInTop(TWnd* w, TWnd* top) {
    RECT a = WindowOnScreen(w), b = WindowOnScreen(top);
    return POINT{a.left - b.left, a.top - b.top};
}

HRGN RectRgn(const RECT& r) { return CreateRectRgn(r.left, r.top, r.right, r.bottom); }

// Takes away what window s shows: its shape within its parent's client area
// (parentClient, top-level coordinates), as no child shows outside that.
void SubtractShape(HRGN rgn, TWnd* s, POINT topOrigin, const RECT& parentClient) {
    RECT r = WindowOnScreen(s);
    OffsetRect(&r, -topOrigin.x, -topOrigin.y);
    HRGN sr;
    if (s->WindowRgn) {
        sr = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(sr, s->WindowRgn, /*Src2=*/nullptr, RGN_COPY);
        OffsetRgn(sr, r.left, r.top);
    } else {
        sr = RectRgn(r);
    }
    HRGN pc = RectRgn(parentClient);
    CombineRgn(sr, sr, pc, RGN_AND);
    DeleteObject(pc);
    CombineRgn(rgn, rgn, sr, RGN_DIFF);
    DeleteObject(sr);
}

}  // namespace

namespace winimpl {

void CreateSurfaceFor(TWnd* w) {
    if (w->Surface) return;
    w->Surface = GdiCreateSurface(std::max(W(w->Window), 1), std::max(H(w->Window), 1));
    if (TScreen* s = Screen()) {
        s->WindowCreated(w->Handle, w->Surface, w->Window, (w->ExStyle & WS_EX_TOPMOST) != 0);
        s->WindowTitle(w->Handle, Utf16ToUtf8(w->Text));
    }
    ScreenZOrder();
}

void DestroySurfaceFor(TWnd* w) {
    if (!w->Surface) return;
    if (TScreen* s = ScreenIfOpen()) s->WindowDestroyed(w->Handle);
    for (auto it = DCs().begin(); it != DCs().end();) {
        if (it->second.Top == w->Handle) {
            GdiReleaseSurfaceDC(it->first);
            it = DCs().erase(it);
        } else {
            ++it;
        }
    }
    GdiDestroySurface(w->Surface);
    w->Surface = nullptr;
}

HRGN VisibleRegion(TWnd* w, bool client, bool clipChildren, bool clipSiblings) {
    TWnd* top = TopLevelOf(w);
    if (!top || !VisibleOnScreen(w)) return CreateRectRgn(0, 0, 0, 0);
    POINT origin{WindowOnScreen(top).left, WindowOnScreen(top).top};
    RECT base = client ? ClientOnScreen(w) : WindowOnScreen(w);
    OffsetRect(&base, -origin.x, -origin.y);
    HRGN rgn = RectRgn(base);
    for (TWnd* cur = w; cur; cur = (cur == top) ? nullptr : Find(cur->Parent)) {
        RECT wr = WindowOnScreen(cur);
        OffsetRect(&wr, -origin.x, -origin.y);
        if (cur != w) {
            RECT cr = ClientOnScreen(cur);
            OffsetRect(&cr, -origin.x, -origin.y);
            HRGN c = RectRgn(cr);
            CombineRgn(rgn, rgn, c, RGN_AND);
            DeleteObject(c);
        }
        if (cur->WindowRgn) {
            HRGN s = CreateRectRgn(0, 0, 0, 0);
            CombineRgn(s, cur->WindowRgn, /*Src2=*/nullptr, RGN_COPY);
            OffsetRgn(s, wr.left, wr.top);
            CombineRgn(rgn, rgn, s, RGN_AND);
            DeleteObject(s);
        } else {
            HRGN s = RectRgn(wr);
            CombineRgn(rgn, rgn, s, RGN_AND);
            DeleteObject(s);
        }
        if (cur != top && clipSiblings) {
            TWnd* p = Find(cur->Parent);
            if (p) {
                RECT pc = ClientOnScreen(p);
                OffsetRect(&pc, -origin.x, -origin.y);
                for (HWND sib : p->Children) {
                    if (sib == cur->Handle) break;  // only those above
                    TWnd* s = Find(sib);
                    if (s && (s->Style & WS_VISIBLE)) SubtractShape(rgn, s, origin, pc);
                }
            }
        }
    }
    if (clipChildren) {
        // Children cover only the client area: a window's frame stays its own.
        RECT wc = ClientOnScreen(w);
        OffsetRect(&wc, -origin.x, -origin.y);
        for (HWND ch : w->Children) {
            TWnd* c = Find(ch);
            if (c && (c->Style & WS_VISIBLE)) SubtractShape(rgn, c, origin, wc);
        }
    }
    return rgn;
}

void InvalidateInternal(TWnd* w, HRGN rgnClient, UINT flags) {
    if (!w || w->Desktop) return;
    RECT cr{0, 0, W(w->Client), H(w->Client)};
    HRGN area = RectRgn(cr);
    if (rgnClient) CombineRgn(area, area, rgnClient, RGN_AND);
    if (flags & RDW_INVALIDATE) {
        RECT box;
        if (GetRgnBox(area, &box) != NULLREGION) {
            if (!w->UpdateRgn) w->UpdateRgn = CreateRectRgn(0, 0, 0, 0);
            CombineRgn(w->UpdateRgn, w->UpdateRgn, area, RGN_OR);
            if (flags & RDW_ERASE) w->ErasePending = true;
        }
        if (flags & RDW_FRAME) w->FramePending = true;
        if (flags & RDW_INTERNALPAINT) w->InternalPaint = true;
    }
    if (flags & RDW_VALIDATE) {
        if (w->UpdateRgn) {
            CombineRgn(w->UpdateRgn, w->UpdateRgn, area, RGN_DIFF);
            RECT box;
            if (GetRgnBox(w->UpdateRgn, &box) == NULLREGION) {
                DeleteObject(w->UpdateRgn);
                w->UpdateRgn = nullptr;
                w->ErasePending = false;
            }
        }
        if (flags & RDW_NOERASE) w->ErasePending = false;
        if (flags & RDW_NOFRAME) w->FramePending = false;
        if (flags & RDW_NOINTERNALPAINT) w->InternalPaint = false;
    }
    bool children = (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->Style & WS_CLIPCHILDREN));
    if (children)
        for (HWND ch : w->Children) {
            TWnd* c = Find(ch);
            if (!c || !(c->Style & WS_VISIBLE)) continue;
            // The child's part of the area, in the child's client coordinates.
            HRGN part = CreateRectRgn(0, 0, 0, 0);
            CombineRgn(part, area, /*Src2=*/nullptr, RGN_COPY);
            OffsetRgn(part, -c->Client.left, -c->Client.top);
            RECT box;
            HRGN wnd = RectRgn(RECT{c->Window.left - c->Client.left, c->Window.top - c->Client.top,
                                    c->Window.right - c->Client.left, c->Window.bottom - c->Client.top});
            CombineRgn(wnd, wnd, part, RGN_AND);
            if (GetRgnBox(wnd, &box) != NULLREGION) {
                UINT childFlags = flags;
                // The child's frame is invalid when the area reaches it.
                RECT ccr{0, 0, W(c->Client), H(c->Client)};
                RECT inner;
                if ((flags & RDW_INVALIDATE) && !(IntersectRect(&inner, &box, &ccr) && EqualRect(&inner, &box)))
                    childFlags |= RDW_FRAME;
                InvalidateInternal(c, part, childFlags);
            }
            DeleteObject(wnd);
            DeleteObject(part);
        }
    DeleteObject(area);
    if (flags & RDW_INVALIDATE) WakeAll();
}

void ExposeParentArea(TWnd* parent, const RECT& rect, HWND) {
    if (!parent || parent->Desktop) return;
    HRGN r = RectRgn(rect);
    InvalidateInternal(parent, r, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    DeleteObject(r);
}

HWND NextWindowToPaint(TThreadQueue* q, HWND filter) {
    for (HWND h : AllWindows()) {
        TWnd* w = Find(h);
        if (!w || w->ThreadId != q->ThreadId) continue;
        if (!(w->PaintPending() || w->FramePending)) continue;
        if (!VisibleOnScreen(w)) continue;
        if (filter && filter != reinterpret_cast<HWND>(-1) && h != filter && !IsDescendant(filter, h)) continue;
        if (filter == reinterpret_cast<HWND>(-1)) continue;
        return h;
    }
    return nullptr;
}

void NotifyScreenDamage(TWnd* top, const RECT& rect) {
    if (!top || !top->Surface || !(top->Style & WS_VISIBLE)) return;
    RECT r = rect;
    RECT all{0, 0, W(top->Window), H(top->Window)};
    if (!IntersectRect(&r, &r, &all)) return;
    if (TScreen* s = ScreenIfOpen()) s->WindowDamaged(top->Handle, r);
}

}  // namespace winimpl

// ---- DCs ------------------------------------------------------------------
HDC GetDCEx(HWND h, HRGN clip, DWORD flags) {
    Lock lk(UserMutex());
    TWnd* w = h ? Find(h) : DesktopWnd();
    if (!w) return nullptr;
    if (w->Desktop || w->MessageOnly) {
        if (!gScratch) gScratch = GdiCreateSurface(1, 1);
        HRGN empty = CreateRectRgn(0, 0, 0, 0);
        HDC dc = GdiCreateSurfaceDC(gScratch, POINT{0, 0}, empty);
        DeleteObject(empty);
        DCs()[dc] = TDCRecord{w->Handle, nullptr, RECT{}};
        return dc;
    }
    TWnd* top = TopLevelOf(w);
    if (!top || !top->Surface) return nullptr;
    bool client = !(flags & DCX_WINDOW);
    bool clipChildren = (flags & DCX_CLIPCHILDREN) || (w->Style & WS_CLIPCHILDREN);
    HRGN vis = VisibleRegion(w, client, clipChildren, /*clipSiblings=*/true);
    POINT off = OffsetInTop(w, top);
    POINT origin = off;
    if (client) {
        origin.x += w->Client.left - w->Window.left;
        origin.y += w->Client.top - w->Window.top;
    }
    if (clip && clip != reinterpret_cast<HRGN>(1) && (flags & (DCX_INTERSECTRGN | DCX_EXCLUDERGN))) {
        HRGN c = CreateRectRgn(0, 0, 0, 0);
        CombineRgn(c, clip, /*Src2=*/nullptr, RGN_COPY);
        RECT topOnScreen = WindowOnScreen(top);
        OffsetRgn(c, -topOnScreen.left, -topOnScreen.top);
        CombineRgn(vis, vis, c, (flags & DCX_INTERSECTRGN) ? RGN_AND : RGN_DIFF);
        DeleteObject(c);
    }
    RECT bounds;
    GetRgnBox(vis, &bounds);
    HDC dc = GdiCreateSurfaceDC(top->Surface, origin, vis);
    DeleteObject(vis);
    if (dc) DCs()[dc] = TDCRecord{h, top->Handle, bounds};
    return dc;
}
HDC GetDC(HWND h) { return GetDCEx(h, /*hrgnClip=*/nullptr, 0); }
HDC GetWindowDC(HWND h) { return GetDCEx(h, /*hrgnClip=*/nullptr, DCX_WINDOW); }

int ReleaseDC(HWND, HDC dc) {
    Lock lk(UserMutex());
    auto it = DCs().find(dc);
    if (it == DCs().end()) return 0;
    TDCRecord rec = it->second;
    DCs().erase(it);
    GdiReleaseSurfaceDC(dc);
    if (rec.Top) NotifyScreenDamage(Find(rec.Top), rec.Bounds);
    return 1;
}

HWND WindowFromDC(HDC dc) {
    Lock lk(UserMutex());
    auto it = DCs().find(dc);
    return it == DCs().end() ? nullptr : it->second.Hwnd;
}

BOOL LockWindowUpdate(HWND) { return TRUE; }

// ---- Invalidation ---------------------------------------------------------
static HRGN RgnFromRect(const RECT* r) { return r ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : nullptr; }

static void PaintNow(HWND h, bool children, bool eraseOnly) {
    bool pending, erase, frame;
    std::vector<HWND> kids;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w || !VisibleOnScreen(w)) return;
        pending = w->PaintPending();
        erase = w->ErasePending;
        frame = w->FramePending;
        if (children) kids = w->Children;
    }
    if (eraseOnly) {
        if (frame) {
            {
                Lock lk(UserMutex());
                if (TWnd* w = Find(h)) w->FramePending = false;
            }
            SendW(h, WM_NCPAINT, 1, 0);
        }
        if (erase) {
            HRGN upd = CreateRectRgn(0, 0, 0, 0);
            GetUpdateRgn(h, upd, FALSE);
            POINT org{0, 0};
            ClientToScreen(h, &org);
            OffsetRgn(upd, org.x, org.y);
            HDC dc = GetDCEx(h, upd, DCX_INTERSECTRGN);
            {
                Lock lk(UserMutex());
                if (TWnd* w = Find(h)) w->ErasePending = false;
            }
            if (dc) {
                SendW(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
                ReleaseDC(h, dc);
            }
            DeleteObject(upd);
        }
    } else if (pending || frame) {
        SendW(h, WM_PAINT, 0, 0);
    }
    for (HWND c : kids) PaintNow(c, /*children=*/true, eraseOnly);
}

BOOL RedrawWindow(HWND h, const RECT* r, HRGN rgn, UINT flags) {
    std::vector<HWND> targets;
    {
        Lock lk(UserMutex());
        if (!h) {
            targets = TopLevels();
        } else {
            if (!Find(h)) return FALSE;
            targets.push_back(h);
        }
        HRGN area = rgn ? rgn : RgnFromRect(r);
        for (HWND t : targets)
            if (TWnd* w = Find(t)) InvalidateInternal(w, area, flags);
        if (area && area != rgn) DeleteObject(area);
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW))
        for (HWND t : targets) PaintNow(t, !(flags & RDW_NOCHILDREN), !(flags & RDW_UPDATENOW));
    return TRUE;
}

BOOL InvalidateRect(HWND h, const RECT* r, BOOL erase) {
    return RedrawWindow(h, r, /*hrgnUpdate=*/nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}
BOOL InvalidateRgn(HWND h, HRGN rgn, BOOL erase) {
    return RedrawWindow(h, /*lprcUpdate=*/nullptr, rgn, RDW_INVALIDATE | (erase ? RDW_ERASE : 0));
}
BOOL ValidateRect(HWND h, const RECT* r) {
    return RedrawWindow(h, r, /*hrgnUpdate=*/nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}
BOOL ValidateRgn(HWND h, HRGN rgn) {
    return RedrawWindow(h, /*lprcUpdate=*/nullptr, rgn, RDW_VALIDATE | RDW_NOCHILDREN);
}

BOOL UpdateWindow(HWND h) {
    if (!IsWindow(h)) return FALSE;
    PaintNow(h, /*children=*/false, /*eraseOnly=*/false);
    return TRUE;
}

int GetUpdateRgn(HWND h, HRGN rgn, BOOL erase) {
    int result;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w || !rgn) return ERROR;
        if (!w->UpdateRgn) {
            SetRectRgn(rgn, 0, 0, 0, 0);
            return NULLREGION;
        }
        result = CombineRgn(rgn, w->UpdateRgn, /*Src2=*/nullptr, RGN_COPY);
    }
    if (erase) PaintNow(h, /*children=*/false, /*eraseOnly=*/true);
    return result;
}
BOOL GetUpdateRect(HWND h, LPRECT r, BOOL erase) {
    RECT box{};
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return FALSE;
        if (w->UpdateRgn) GetRgnBox(w->UpdateRgn, &box);
    }
    if (r) *r = box;
    if (erase && !IsRectEmpty(&box)) PaintNow(h, /*children=*/false, /*eraseOnly=*/true);
    return !IsRectEmpty(&box);
}

HDC BeginPaint(HWND h, LPPAINTSTRUCT ps) {
    if (!ps) return nullptr;
    std::memset(ps, 0, sizeof *ps);
    HRGN upd = CreateRectRgn(0, 0, 0, 0);
    bool erase, frame;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) {
            DeleteObject(upd);
            return nullptr;
        }
        if (w->UpdateRgn) CombineRgn(upd, w->UpdateRgn, /*Src2=*/nullptr, RGN_COPY);
        erase = w->ErasePending;
        frame = w->FramePending;
        if (w->UpdateRgn) DeleteObject(w->UpdateRgn);
        w->UpdateRgn = nullptr;
        w->ErasePending = false;
        w->FramePending = false;
        w->InternalPaint = false;
    }
    if (frame) SendW(h, WM_NCPAINT, 1, 0);
    RECT box{};
    GetRgnBox(upd, &box);
    POINT org{0, 0};
    ClientToScreen(h, &org);
    OffsetRgn(upd, org.x, org.y);
    HDC dc = GetDCEx(h, upd, DCX_INTERSECTRGN);
    DeleteObject(upd);
    ps->hdc = dc;
    ps->rcPaint = box;
    if (erase && dc) ps->fErase = SendW(h, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    return dc;
}
BOOL EndPaint(HWND h, const PAINTSTRUCT* ps) {
    if (!ps || !ps->hdc) return FALSE;
    ReleaseDC(h, ps->hdc);
    return TRUE;
}

// ---- Scrolling ------------------------------------------------------------
int ScrollWindowEx(HWND h, int dx, int dy, const RECT* prcScroll, const RECT* prcClip, HRGN hrgnUpdate,
                   LPRECT prcUpdate, UINT flags) {
    std::vector<HWND> moveKids;
    RECT area;
    HRGN exposed;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return ERROR;
        RECT cr{0, 0, W(w->Client), H(w->Client)};
        area = cr;
        if (prcScroll) IntersectRect(&area, &area, prcScroll);
        if (prcClip) IntersectRect(&area, &area, prcClip);
        RECT moved = area;
        OffsetRect(&moved, dx, dy);
        RECT kept;
        if (!IntersectRect(&kept, &moved, &area)) SetRectEmpty(&kept);
        exposed = RectRgn(area);
        HRGN keptRgn = RectRgn(kept);
        TWnd* top = TopLevelOf(w);
        // Copy the pixels when every pixel of the area is ours to move; otherwise repaint it all.
        HRGN vis = VisibleRegion(w, /*client=*/true, (w->Style & WS_CLIPCHILDREN) != 0, /*clipSiblings=*/true);
        POINT off = OffsetInTop(w, top);
        off.x += w->Client.left - w->Window.left;
        off.y += w->Client.top - w->Window.top;
        HRGN areaTop = RectRgn(area);
        OffsetRgn(areaTop, off.x, off.y);
        HRGN test = CreateRectRgn(0, 0, 0, 0);
        int outside = CombineRgn(test, areaTop, vis, RGN_DIFF);
        bool whole = outside == NULLREGION && top && top->Surface && !IsRectEmpty(&kept) && !(flags & SW_SCROLLCHILDREN);
        if (whole) {
            uint32_t* px = GdiSurfacePixels(top->Surface);
            int stride = GdiSurfaceStride(top->Surface);
            RECT src = kept;
            OffsetRect(&src, -dx, -dy);
            int width = W(kept);
            int rows = H(kept);
            for (int i = 0; i < rows; ++i) {
                int row = dy > 0 ? rows - 1 - i : i;
                std::memmove(px + static_cast<std::ptrdiff_t>(kept.top + row + off.y) * stride + kept.left + off.x,
                             px + static_cast<std::ptrdiff_t>(src.top + row + off.y) * stride + src.left + off.x,
                             static_cast<std::size_t>(width) * sizeof(uint32_t));
            }
            CombineRgn(exposed, exposed, keptRgn, RGN_DIFF);
            RECT damage = area;
            OffsetRect(&damage, off.x, off.y);
            NotifyScreenDamage(top, damage);
        }
        DeleteObject(test);
        DeleteObject(areaTop);
        DeleteObject(vis);
        DeleteObject(keptRgn);
        // What was invalid moves along with the pixels.
        if (w->UpdateRgn) OffsetRgn(w->UpdateRgn, dx, dy);
        if (flags & SW_INVALIDATE)
            InvalidateInternal(w, exposed, RDW_INVALIDATE | ((flags & SW_ERASE) ? RDW_ERASE : 0) |
                                               ((flags & SW_SCROLLCHILDREN) ? RDW_ALLCHILDREN : 0));
        if (flags & SW_SCROLLCHILDREN) moveKids = w->Children;
    }
    for (HWND c : moveKids) {
        RECT r;
        {
            Lock lk(UserMutex());
            TWnd* cw = Find(c);
            if (!cw) continue;
            r = cw->Window;
        }
        SetWindowPos(c, /*hWndInsertAfter=*/nullptr, r.left + dx, r.top + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT box{};
    int kind = GetRgnBox(exposed, &box);
    if (hrgnUpdate) CombineRgn(hrgnUpdate, exposed, /*Src2=*/nullptr, RGN_COPY);
    if (prcUpdate) *prcUpdate = box;
    DeleteObject(exposed);
    return kind;
}
BOOL ScrollWindow(HWND h, int dx, int dy, const RECT* r, const RECT* clip) {
    return ScrollWindowEx(h, dx, dy, r, clip, /*hrgnUpdate=*/nullptr, /*prcUpdate=*/nullptr,
                          SW_INVALIDATE | SW_ERASE | (r ? 0 : SW_SCROLLCHILDREN)) != ERROR;
}
