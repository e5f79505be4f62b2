// "ScrollBar": horizontal and vertical bars and the size grip.
#include <algorithm>

#include "platform/commctl/cc_internal.h"

namespace cc {

bool ScrollThumb(const RECT& r, bool vert, int min, int max, int page, int pos, RECT& thumb) {
    int len = vert ? r.bottom - r.top : r.right - r.left;
    int breadth = vert ? r.right - r.left : r.bottom - r.top;
    int arrow = std::min(breadth, len / 2);
    int track = len - 2 * arrow;
    int range = max - min + 1;
    if (track < 8 || range <= 0 || (page > 0 && page >= range)) return false;
    int tlen = page > 0 ? std::max(8, track * page / range) : std::max(8, breadth);
    tlen = std::min(tlen, track);
    int span = range - std::max(page, 1);
    int off = span > 0 ? (track - tlen) * (pos - min) / span : 0;
    off = std::clamp(off, 0, track - tlen);
    if (vert)
        thumb = RECT{r.left, r.top + arrow + off, r.right, r.top + arrow + off + tlen};
    else
        thumb = RECT{r.left + arrow + off, r.top, r.left + arrow + off + tlen, r.bottom};
    return true;
}

void DrawScrollBarCtl(HDC dc, const RECT& r, bool vert, int min, int max, int page, int pos, bool enabled,
                      int pressedPart) {
    int len = vert ? r.bottom - r.top : r.right - r.left;
    int breadth = vert ? r.right - r.left : r.bottom - r.top;
    int arrow = std::min(breadth, len / 2);
    RECT a1 = vert ? RECT{r.left, r.top, r.right, r.top + arrow} : RECT{r.left, r.top, r.left + arrow, r.bottom};
    RECT a2 = vert ? RECT{r.left, r.bottom - arrow, r.right, r.bottom} : RECT{r.right - arrow, r.top, r.right, r.bottom};
    RECT track = vert ? RECT{r.left, a1.bottom, r.right, a2.top} : RECT{a1.right, r.top, a2.left, r.bottom};
    // The classic track is a dither of face and highlight.
    HBRUSH brush;
    {
        WORD bits[8];
        for (int i = 0; i < 8; ++i) bits[i] = (i & 1) ? 0xAAAA : 0x5555;
        HBITMAP pat = CreateBitmap(8, 8, 1, 1, bits);
        brush = CreatePatternBrush(pat);
        DeleteObject(pat);
    }
    COLORREF oldText = SetTextColor(dc, Sys(COLOR_BTNFACE));
    COLORREF oldBk = SetBkColor(dc, Sys(COLOR_BTNHIGHLIGHT));
    FillRect(dc, &track, brush);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
    DeleteObject(brush);
    UINT dis = enabled ? 0 : DFCS_INACTIVE;
    DrawFrameControl(dc, &a1, DFC_SCROLL, (vert ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | dis | (pressedPart == 1 ? DFCS_PUSHED | DFCS_FLAT : 0));
    DrawFrameControl(dc, &a2, DFC_SCROLL, (vert ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | dis | (pressedPart == 2 ? DFCS_PUSHED | DFCS_FLAT : 0));
    RECT thumb;
    if (enabled && ScrollThumb(r, vert, min, max, page, pos, thumb)) {
        FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
    }
}

namespace {

constexpr UINT_PTR kRepeatTimer = 1;

struct TScrollState {
    int Min = 0, Max = 100, Page = 0, Pos = 0, TrackPos = 0;
    bool Enabled = true;
    int Pressed = 0;  // 1 first arrow, 2 second arrow, 3 page before, 4 page after, 5 thumb
    int DragOffset = 0;
};

bool Vert(HWND h) { return (Style(h) & SBS_VERT) != 0; }
bool Grip(HWND h) { return (Style(h) & (SBS_SIZEGRIP | SBS_SIZEBOX)) != 0; }

int MaxPos(TScrollState* st) { return std::max(st->Min, st->Max - std::max(st->Page - 1, 0)); }

void Notify(HWND h, WORD code, int pos) {
    HWND p = Parent(h);
    if (!p) return;
    SendMessageW(p, Vert(h) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(h));
}

int PartAt(HWND h, TScrollState* st, POINT p) {
    RECT r = ClientRect(h);
    bool vert = Vert(h);
    int len = vert ? r.bottom : r.right, breadth = vert ? r.right : r.bottom;
    int arrow = std::min(breadth, len / 2);
    int c = vert ? p.y : p.x;
    if (c < arrow) return 1;
    if (c >= len - arrow) return 2;
    RECT thumb;
    if (!ScrollThumb(r, vert, st->Min, st->Max, st->Page, st->Pos, thumb)) return 0;
    int t0 = vert ? thumb.top : thumb.left, t1 = vert ? thumb.bottom : thumb.right;
    if (c < t0) return 3;
    if (c >= t1) return 4;
    return 5;
}

int PosFromPixel(HWND h, TScrollState* st, int c) {
    RECT r = ClientRect(h);
    bool vert = Vert(h);
    RECT thumb;
    if (!ScrollThumb(r, vert, st->Min, st->Max, st->Page, st->Pos, thumb)) return st->Pos;
    int len = vert ? r.bottom : r.right, breadth = vert ? r.right : r.bottom;
    int arrow = std::min(breadth, len / 2);
    int tlen = vert ? thumb.bottom - thumb.top : thumb.right - thumb.left;
    int track = len - 2 * arrow - tlen;
    if (track <= 0) return st->Min;
    int span = st->Max - st->Min + 1 - std::max(st->Page, 1);
    int off = std::clamp(c - arrow, 0, track);
    return st->Min + (off * span + track / 2) / track;
}

void PaintBar(HWND h, HDC dc) {
    auto* st = State<TScrollState>(h);
    RECT rc = ClientRect(h);
    if (Grip(h)) {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
        if (Style(h) & SBS_SIZEGRIP) DrawFrameControl(dc, &rc, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
        return;
    }
    DrawScrollBarCtl(dc, rc, Vert(h), st->Min, st->Max, st->Page, st->Pos, st->Enabled && IsWindowEnabled(h),
                     st->Pressed == 1 || st->Pressed == 2 ? st->Pressed : 0);
}

void Step(HWND h, TScrollState* st, int part) {
    static const WORD codes[] = {0, SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN};
    if (part >= 1 && part <= 4) Notify(h, codes[part], 0);
}

}  // namespace

LRESULT CALLBACK ScrollBarProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = State<TScrollState>(h);
    if (!st && m != WM_NCCREATE) return DefWindowProcW(h, m, wp, lp);
    switch (m) {
    case WM_NCCREATE:
        NewState<TScrollState>(h);
        return DefWindowProcW(h, m, wp, lp);
    case WM_NCDESTROY:
        FreeState<TScrollState>(h);
        return DefWindowProcW(h, m, wp, lp);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, PaintBar); return 0;
    case WM_PRINTCLIENT: PaintBar(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SETCURSOR:
        if (Grip(h)) {
            SetCursor(LoadCursorA(/*hInstance=*/nullptr, IDC_SIZENWSE));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (Grip(h)) {
            // The grip sizes the top-level window it sits in.
            HWND top = GetAncestor(h, GA_ROOT);
            POINT p = PointOf(lp);
            ClientToScreen(h, &p);
            SendMessageW(top, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
            return 0;
        }
        if (!st->Enabled || !IsWindowEnabled(h)) return 0;
        POINT p = PointOf(lp);
        st->Pressed = PartAt(h, st, p);
        if (!st->Pressed) return 0;
        SetCapture(h);
        if (st->Pressed == 5) {
            RECT thumb;
            ScrollThumb(ClientRect(h), Vert(h), st->Min, st->Max, st->Page, st->Pos, thumb);
            st->DragOffset = (Vert(h) ? p.y - thumb.top : p.x - thumb.left);
            st->TrackPos = st->Pos;
        } else {
            Step(h, st, st->Pressed);
            SetTimer(h, kRepeatTimer, 400, /*lpTimerFunc=*/nullptr);  // held: repeats after a pause
        }
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return 0;
    }
    case WM_TIMER:
        if (wp == kRepeatTimer) {
            POINT p;
            GetCursorPos(&p);
            ScreenToClient(h, &p);
            if (st->Pressed >= 1 && st->Pressed <= 4 && PartAt(h, st, p) == st->Pressed) Step(h, st, st->Pressed);
            if (st->Pressed >= 1 && st->Pressed <= 4)
                SetTimer(h, kRepeatTimer, 50, /*lpTimerFunc=*/nullptr);
            else
                KillTimer(h, kRepeatTimer);
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (st->Pressed == 5) {
            POINT p = PointOf(lp);
            int pos = std::clamp(PosFromPixel(h, st, (Vert(h) ? p.y : p.x) - st->DragOffset), st->Min, MaxPos(st));
            if (pos != st->TrackPos) {
                st->TrackPos = pos;
                Notify(h, SB_THUMBTRACK, pos);
            }
        }
        return 0;
    case WM_LBUTTONUP:
        if (st->Pressed) {
            int part = st->Pressed;
            st->Pressed = 0;
            KillTimer(h, kRepeatTimer);
            ReleaseCapture();
            if (part == 5) Notify(h, SB_THUMBPOSITION, st->TrackPos);
            Notify(h, SB_ENDSCROLL, 0);
            InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        }
        return 0;
    case WM_CAPTURECHANGED:
        st->Pressed = 0;
        KillTimer(h, kRepeatTimer);
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return 0;
    case WM_KEYDOWN: {
        WORD code;
        switch (wp) {
        case VK_UP:
        case VK_LEFT: code = SB_LINEUP; break;
        case VK_DOWN:
        case VK_RIGHT: code = SB_LINEDOWN; break;
        case VK_PRIOR: code = SB_PAGEUP; break;
        case VK_NEXT: code = SB_PAGEDOWN; break;
        case VK_HOME: code = SB_TOP; break;
        case VK_END: code = SB_BOTTOM; break;
        default: return 0;
        }
        Notify(h, code, 0);
        Notify(h, SB_ENDSCROLL, 0);
        return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_ENABLE: InvalidateRect(h, /*lpRect=*/nullptr, FALSE); return 0;
    case SBM_SETPOS: {
        int old = st->Pos;
        st->Pos = std::clamp(static_cast<int>(wp), st->Min, MaxPos(st));
        if (lp) InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return old;
    }
    case SBM_GETPOS: return st->Pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
        int old = st->Pos;
        st->Min = static_cast<int>(wp);
        st->Max = static_cast<int>(lp);
        if (st->Max < st->Min) std::swap(st->Min, st->Max);
        st->Pos = std::clamp(st->Pos, st->Min, MaxPos(st));
        if (m == SBM_SETRANGEREDRAW) InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return old;
    }
    case SBM_GETRANGE:
        if (wp) *reinterpret_cast<int*>(wp) = st->Min;
        if (lp) *reinterpret_cast<int*>(lp) = st->Max;
        return 0;
    case SBM_ENABLE_ARROWS:
        st->Enabled = wp != ESB_DISABLE_BOTH;
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return TRUE;
    case SBM_SETSCROLLINFO: {
        auto* si = reinterpret_cast<SCROLLINFO*>(lp);
        if (!si) return st->Pos;
        if (si->fMask & SIF_RANGE) {
            st->Min = si->nMin;
            st->Max = std::max(si->nMax, si->nMin);
        }
        if (si->fMask & SIF_PAGE) st->Page = std::clamp(static_cast<int>(si->nPage), 0, st->Max - st->Min + 1);
        if (si->fMask & SIF_POS) st->Pos = si->nPos;
        st->Pos = std::clamp(st->Pos, st->Min, MaxPos(st));
        if (wp) InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return st->Pos;
    }
    case SBM_GETSCROLLINFO: {
        auto* si = reinterpret_cast<SCROLLINFO*>(lp);
        if (!si) return FALSE;
        if (si->fMask & SIF_RANGE) {
            si->nMin = st->Min;
            si->nMax = st->Max;
        }
        if (si->fMask & SIF_PAGE) si->nPage = static_cast<UINT>(st->Page);
        if (si->fMask & SIF_POS) si->nPos = st->Pos;
        if (si->fMask & SIF_TRACKPOS) si->nTrackPos = st->Pressed == 5 ? st->TrackPos : st->Pos;
        return TRUE;
    }
    case SBM_GETSCROLLBARINFO: {
        auto* sbi = reinterpret_cast<SCROLLBARINFO*>(lp);
        if (!sbi) return FALSE;
        GetWindowRect(h, &sbi->rcScrollBar);
        RECT rc = ClientRect(h), thumb{};
        ScrollThumb(rc, Vert(h), st->Min, st->Max, st->Page, st->Pos, thumb);
        sbi->dxyLineButton = Vert(h) ? rc.right : rc.bottom;
        sbi->xyThumbTop = Vert(h) ? thumb.top : thumb.left;
        sbi->xyThumbBottom = Vert(h) ? thumb.bottom : thumb.right;
        return TRUE;
    }
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

}  // namespace cc
