// DefWindowProc: the standard frame and caption drawn with the classic system
// colours, non-client sizes and hit tests, moving and sizing by the mouse,
// system commands, activation defaults, text, cursors and background.
#include <algorithm>
#include <cstring>

#include "platform/win/win_internal.h"

using namespace winimpl;

namespace {

int W(const RECT& r) { return r.right - r.left; }
int H(const RECT& r) { return r.bottom - r.top; }

TMenuBarPainter gMenuBarPainter = nullptr;
TMenuBarTracker gMenuBarTracker = nullptr;

bool HasCaption(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION; }

int FrameWidth(DWORD style, DWORD ex) {
    if (style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
    if ((style & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME)) return GetSystemMetrics(SM_CXDLGFRAME);
    if (style & WS_BORDER) return GetSystemMetrics(SM_CXBORDER);
    return 0;
}
int EdgeWidth(DWORD ex) { return (ex & WS_EX_CLIENTEDGE) ? 2 : (ex & WS_EX_STATICEDGE) ? 1 : 0; }
int CaptionHeight(DWORD ex) {
    return (ex & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
}

// The parts of a window's non-client area, in window coordinates.
struct TNcLayout {
    RECT Window{};
    int Frame = 0;
    RECT Caption{};  // empty without a caption
    RECT MenuBar{};  // empty without a menu
    RECT Edge{};     // inside the client edge
    RECT VBar{}, HBar{}, Grip{};
    RECT Client{};
    RECT Close{}, Max{}, Min{};
};

TNcLayout Layout(const TWnd* w) {
    TNcLayout l;
    l.Window = RECT{0, 0, W(w->Window), H(w->Window)};
    RECT r = l.Window;
    l.Frame = FrameWidth(w->Style, w->ExStyle);
    InflateRect(&r, -l.Frame, -l.Frame);
    if (HasCaption(w->Style)) {
        int ch = CaptionHeight(w->ExStyle);
        l.Caption = RECT{r.left, r.top, r.right, r.top + ch - 1};
        r.top += ch;
        if (w->Style & WS_SYSMENU) {
            int bw = ((w->ExStyle & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CXSMSIZE) : GetSystemMetrics(SM_CXSIZE)) - 2;
            int bh = H(l.Caption) - 4;
            int right = l.Caption.right - 2;
            l.Close = RECT{right - bw, l.Caption.top + 2, right, l.Caption.top + 2 + bh};
            if ((w->Style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) && !(w->ExStyle & WS_EX_TOOLWINDOW)) {
                l.Max = RECT{l.Close.left - 2 - bw, l.Close.top, l.Close.left - 2, l.Close.bottom};
                l.Min = RECT{l.Max.left - bw, l.Close.top, l.Max.left, l.Close.bottom};
            }
        }
    }
    if (w->Menu && !(w->Style & WS_CHILD)) {
        int mh = GetSystemMetrics(SM_CYMENU);
        l.MenuBar = RECT{r.left, r.top, r.right, r.top + mh - 1};
        r.top += mh;
    }
    int e = EdgeWidth(w->ExStyle);
    InflateRect(&r, -e, -e);
    l.Edge = r;
    if (w->VScroll.Shown) {
        int sw = GetSystemMetrics(SM_CXVSCROLL);
        if (w->ExStyle & WS_EX_LEFTSCROLLBAR) {
            l.VBar = RECT{r.left, r.top, r.left + sw, r.bottom};
            r.left += sw;
        } else {
            l.VBar = RECT{r.right - sw, r.top, r.right, r.bottom};
            r.right -= sw;
        }
    }
    if (w->HScroll.Shown) {
        int sh = GetSystemMetrics(SM_CYHSCROLL);
        l.HBar = RECT{r.left, r.bottom - sh, r.right, r.bottom};
        r.bottom -= sh;
        if (w->VScroll.Shown) {
            l.VBar.bottom -= sh;
            l.Grip = RECT{l.VBar.left, l.HBar.top, l.VBar.right, l.HBar.bottom};
        }
    }
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    l.Client = r;
    return l;
}

HFONT CaptionFont() {
    static HFONT f = nullptr;
    if (!f) f = CreateFontW(-11, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"Tahoma");
    return f;
}

// Scroll bar geometry: arrows at both ends, the thumb in the track between.
struct TBarParts {
    RECT Up{}, Down{}, Track{}, Thumb{};
    bool Vertical = true;
};
TBarParts BarParts(const RECT& bar, const TScrollBar& sb, bool vertical) {
    TBarParts p;
    p.Vertical = vertical;
    int len = vertical ? H(bar) : W(bar);
    int arrow = vertical ? std::min(W(bar), len / 2) : std::min(H(bar), len / 2);
    if (vertical) {
        p.Up = RECT{bar.left, bar.top, bar.right, bar.top + arrow};
        p.Down = RECT{bar.left, bar.bottom - arrow, bar.right, bar.bottom};
        p.Track = RECT{bar.left, p.Up.bottom, bar.right, p.Down.top};
    } else {
        p.Up = RECT{bar.left, bar.top, bar.left + arrow, bar.bottom};
        p.Down = RECT{bar.right - arrow, bar.top, bar.right, bar.bottom};
        p.Track = RECT{p.Up.right, bar.top, p.Down.left, bar.bottom};
    }
    int track = vertical ? H(p.Track) : W(p.Track);
    int range = sb.Max - sb.Min + 1;
    if (sb.Disabled == ESB_DISABLE_BOTH || range <= 0 || track < 8 || (sb.Page > 0 && sb.Page >= range)) return p;
    int thumb = sb.Page > 0 ? std::max(8, static_cast<int>(static_cast<int64_t>(track) * sb.Page / range))
                            : std::min(GetSystemMetrics(SM_CYVTHUMB), track);
    int span = range - std::max(sb.Page, 1);
    int pos = span > 0 ? static_cast<int>(static_cast<int64_t>(track - thumb) * (sb.Pos - sb.Min) / span) : 0;
    pos = std::clamp(pos, 0, track - thumb);
    if (vertical)
        p.Thumb = RECT{bar.left, p.Track.top + pos, bar.right, p.Track.top + pos + thumb};
    else
        p.Thumb = RECT{p.Track.left + pos, bar.top, p.Track.left + pos + thumb, bar.bottom};
    return p;
}

void PaintBar(HDC dc, const RECT& bar, const TScrollBar& sb, bool vertical) {
    if (IsRectEmpty(&bar)) return;
    TBarParts p = BarParts(bar, sb, vertical);
    UINT dis = sb.Disabled == ESB_DISABLE_BOTH ? DFCS_INACTIVE : 0;
    RECT up = p.Up, down = p.Down;
    DrawFrameControl(dc, &up, DFC_SCROLL, (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | dis);
    DrawFrameControl(dc, &down, DFC_SCROLL, (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | dis);
    FillRect(dc, &p.Track, GetSysColorBrush(COLOR_SCROLLBAR));
    if (!IsRectEmpty(&p.Thumb)) {
        RECT t = p.Thumb;
        FillRect(dc, &t, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &t, EDGE_RAISED, BF_RECT);
    }
}

void PaintFrameInto(HWND h, HDC dc) {
    TNcLayout l;
    DWORD style, ex;
    bool active;
    std::u16string text;
    TScrollBar vs, hs;
    HICON icon = nullptr;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return;
        l = Layout(w);
        icon = w->IconSmall ? w->IconSmall : w->IconBig;
        if (!icon && w->Class) icon = w->Class->IconSm ? w->Class->IconSm : w->Class->Icon;
        style = w->Style;
        ex = w->ExStyle;
        active = w->NcActive;
        text = w->Text;
        vs = w->VScroll;
        hs = w->HScroll;
    }
    RECT r = l.Window;
    // Frame.
    if (style & WS_THICKFRAME) {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        HBRUSH b = GetSysColorBrush(active ? COLOR_ACTIVEBORDER : COLOR_INACTIVEBORDER);
        for (int i = 2; i < l.Frame; ++i) {
            FrameRect(dc, &r, b);
            InflateRect(&r, -1, -1);
        }
    } else if ((style & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME)) {
        DrawEdge(dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
        for (int i = 2; i < l.Frame; ++i) {
            FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
            InflateRect(&r, -1, -1);
        }
    } else if (style & WS_BORDER) {
        FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&r, -1, -1);
    }
    // Caption.
    if (!IsRectEmpty(&l.Caption)) {
        RECT c = l.Caption;
        FillRect(dc, &c, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
        RECT line{c.left, c.bottom, c.right, c.bottom + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNFACE));
        RECT t = c;
        t.left += (style & WS_SYSMENU) ? 20 : 3;
        t.right = (!IsRectEmpty(&l.Min) ? l.Min.left : !IsRectEmpty(&l.Close) ? l.Close.left : c.right) - 2;
        if (icon && (style & WS_SYSMENU) && !(ex & WS_EX_TOOLWINDOW))
            DrawIconEx(dc, c.left + 2, c.top + (H(c) - 16) / 2, icon, 16, 16, 0, /*hbrFlickerFreeDraw=*/nullptr,
                       DI_NORMAL);
        HGDIOBJ old = SelectObject(dc, CaptionFont());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &t,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_END_ELLIPSIS | DT_NOPREFIX);
        SelectObject(dc, old);
        if (!IsRectEmpty(&l.Close)) {
            RECT b = l.Close;
            DrawFrameControl(dc, &b, DFC_CAPTION, DFCS_CAPTIONCLOSE);
        }
        if (!IsRectEmpty(&l.Max)) {
            RECT b = l.Max;
            DrawFrameControl(dc, &b, DFC_CAPTION,
                             ((style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX) |
                                 ((style & WS_MAXIMIZEBOX) ? 0 : DFCS_INACTIVE));
            b = l.Min;
            DrawFrameControl(dc, &b, DFC_CAPTION,
                             ((style & WS_MINIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMIN) |
                                 ((style & WS_MINIMIZEBOX) ? 0 : DFCS_INACTIVE));
        }
    }
    // Menu bar: drawn by the menu code when it installed its painter.
    if (!IsRectEmpty(&l.MenuBar)) {
        RECT m = l.MenuBar;
        if (gMenuBarPainter)
            gMenuBarPainter(h, dc, m, active);
        else
            FillRect(dc, &m, GetSysColorBrush(COLOR_MENU));
        RECT line{m.left, m.bottom, m.right, m.bottom + 1};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNFACE));
    }
    // Client edge.
    int e = EdgeWidth(ex);
    if (e) {
        RECT er = l.Edge;
        InflateRect(&er, e, e);
        DrawEdge(dc, &er, e == 2 ? EDGE_SUNKEN : BDR_SUNKENOUTER, BF_RECT);
    }
    PaintBar(dc, l.VBar, vs, /*vertical=*/true);
    PaintBar(dc, l.HBar, hs, /*vertical=*/false);
    if (!IsRectEmpty(&l.Grip)) FillRect(dc, &l.Grip, GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT HitTestLayout(const TWnd* w, const TNcLayout& l, POINT p) {
    if (!PtInRect(&l.Window, p)) return HTNOWHERE;
    if (w->Style & WS_MINIMIZE) return HTCAPTION;
    if (PtInRect(&l.Client, p)) return HTCLIENT;
    if (!IsRectEmpty(&l.VBar) && PtInRect(&l.VBar, p)) return HTVSCROLL;
    if (!IsRectEmpty(&l.HBar) && PtInRect(&l.HBar, p)) return HTHSCROLL;
    if (!IsRectEmpty(&l.Grip) && PtInRect(&l.Grip, p)) return (w->Style & WS_THICKFRAME) ? HTSIZE : HTNOWHERE;
    RECT inner = l.Window;
    InflateRect(&inner, -l.Frame, -l.Frame);
    if (!PtInRect(&inner, p)) {
        if (!(w->Style & WS_THICKFRAME) || (w->Style & WS_MAXIMIZE)) return HTBORDER;
        int corner = GetSystemMetrics(SM_CYCAPTION) + l.Frame;
        bool left = p.x < inner.left, right = p.x >= inner.right, top = p.y < inner.top, bottom = p.y >= inner.bottom;
        bool nearLeft = p.x < l.Window.left + corner, nearRight = p.x >= l.Window.right - corner;
        bool nearTop = p.y < l.Window.top + corner, nearBottom = p.y >= l.Window.bottom - corner;
        if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
        if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
        if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
        if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
        if (top) return HTTOP;
        if (bottom) return HTBOTTOM;
        if (left) return HTLEFT;
        return HTRIGHT;
    }
    if (!IsRectEmpty(&l.Caption) && p.y < l.Caption.bottom + 1 && p.y >= l.Caption.top) {
        if (PtInRect(&l.Close, p)) return HTCLOSE;
        if (PtInRect(&l.Max, p)) return HTMAXBUTTON;
        if (PtInRect(&l.Min, p)) return HTMINBUTTON;
        if ((w->Style & WS_SYSMENU) && p.x < l.Caption.left + 18) return HTSYSMENU;
        return HTCAPTION;
    }
    if (!IsRectEmpty(&l.MenuBar) && p.y >= l.MenuBar.top && p.y <= l.MenuBar.bottom) return HTMENU;
    return HTNOWHERE;  // between the frame parts and the client area (the client edge, a wider frame)
}

POINT ToWindow(const TWnd* w, POINT screen) {
    RECT r = WindowOnScreen(w);
    return POINT{screen.x - r.left, screen.y - r.top};
}

POINT PointFromParam(LPARAM l) { return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }

bool IsMoveOrRelease(const MSG& m) {
    return m.message == WM_MOUSEMOVE || m.message == WM_NCMOUSEMOVE || m.message == WM_LBUTTONUP ||
           m.message == WM_NCLBUTTONUP;
}
bool IsRelease(const MSG& m) { return m.message == WM_LBUTTONUP || m.message == WM_NCLBUTTONUP; }

// The button is still down, or its release is on its way: a mouse loop may start.
bool ButtonHeldOrReleasePending() {
    if ((GetAsyncKeyState(VK_LBUTTON) & 0x8000) || RawButtonUpPending()) return true;
    MSG m;
    return PeekMessageW(&m, /*hWnd=*/nullptr, WM_LBUTTONUP, WM_LBUTTONUP, PM_NOREMOVE) ||
           PeekMessageW(&m, /*hWnd=*/nullptr, WM_NCLBUTTONUP, WM_NCLBUTTONUP, PM_NOREMOVE);
}

// The modal loop behind SC_MOVE and SC_SIZE: follows the mouse with the
// capture until the button goes up; every other message is dispatched, so
// timers and posted work go on meanwhile.
void MoveSizeLoop(HWND h, bool sizing, int edge, LPARAM where) {
    RECT start;
    HWND parent;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return;
        start = w->Window;
        parent = (w->Style & WS_CHILD) ? w->Parent : nullptr;
    }
    if (HasHooks(WH_CBT) &&
        CallHooks(WH_CBT, HCBT_MOVESIZE, reinterpret_cast<WPARAM>(h), reinterpret_cast<LPARAM>(&start),
                  reinterpret_cast<LPARAM>(&start)))
        return;
    // Where the button went down: the command's point, else the current message's.
    DWORD pos = where ? static_cast<DWORD>(where) : GetMessagePos();
    POINT origin{static_cast<SHORT>(LOWORD(pos)), static_cast<SHORT>(HIWORD(pos))};
    SetCapture(h);
    if (!ButtonHeldOrReleasePending()) {
        ReleaseCapture();
        return;
    }
    SendW(h, WM_ENTERSIZEMOVE, 0, 0);
    RECT cur = start;
    MSG m;
    bool quit = false;
    while (GetCapture() == h && IsWindow(h)) {
        if (!GetMessageW(&m, /*hWnd=*/nullptr, 0, 0)) {
            quit = true;
            break;
        }
        bool mouse = IsMoveOrRelease(m);
        if (m.message == WM_KEYDOWN && (m.wParam == VK_ESCAPE || m.wParam == VK_RETURN)) {
            if (m.wParam == VK_ESCAPE) {
                cur = start;
                SetWindowPos(h, /*hWndInsertAfter=*/nullptr, start.left, start.top, W(start), H(start),
                             SWP_NOZORDER | SWP_NOACTIVATE);
            }
            break;
        }
        if (!mouse) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
            continue;
        }
        POINT pt = m.pt;
        int dx = pt.x - origin.x, dy = pt.y - origin.y;
        RECT r = start;
        if (!sizing) {
            OffsetRect(&r, dx, dy);
            SendW(h, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
        } else {
            if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT) r.left += dx;
            if (edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT) r.right += dx;
            if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT) r.top += dy;
            if (edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT) r.bottom += dy;
            SendW(h, WM_SIZING, static_cast<WPARAM>(edge), reinterpret_cast<LPARAM>(&r));
        }
        if (!EqualRect(&r, &cur)) {
            cur = r;
            SetWindowPos(h, /*hWndInsertAfter=*/nullptr, r.left, r.top, W(r), H(r),
                         SWP_NOZORDER | SWP_NOACTIVATE | (sizing ? 0 : SWP_NOSIZE));
        }
        if (IsRelease(m)) break;
    }
    (void)parent;
    if (GetCapture() == h) ReleaseCapture();
    if (IsWindow(h)) SendW(h, WM_EXITSIZEMOVE, 0, 0);
    if (quit) PostQuitMessage(static_cast<int>(m.wParam));
}

// Pressing a caption button: the command runs when the button is released over it.
void TrackCaptionButton(HWND h, LRESULT hit) {
    SetCapture(h);
    if (!ButtonHeldOrReleasePending()) {
        ReleaseCapture();
        return;
    }
    MSG m;
    bool quit = false, inside = true;
    while (GetCapture() == h && IsWindow(h)) {
        if (!GetMessageW(&m, /*hWnd=*/nullptr, 0, 0)) {
            quit = true;
            break;
        }
        if (IsMoveOrRelease(m)) {
            inside = SendW(h, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(m.pt.x), static_cast<WORD>(m.pt.y))) == hit;
            if (IsRelease(m)) break;
            continue;
        }
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    if (GetCapture() == h) ReleaseCapture();
    if (quit) {
        PostQuitMessage(static_cast<int>(m.wParam));
        return;
    }
    if (!inside || !IsWindow(h)) return;
    WPARAM cmd = hit == HTCLOSE ? SC_CLOSE : hit == HTMINBUTTON ? SC_MINIMIZE : IsZoomed(h) ? SC_RESTORE : SC_MAXIMIZE;
    SendW(h, WM_SYSCOMMAND, cmd, MAKELPARAM(static_cast<WORD>(m.pt.x), static_cast<WORD>(m.pt.y)));
}

// A click on a non-client scroll bar: one step, or the thumb dragged.
void TrackScrollBar(HWND h, bool vertical, POINT screen) {
    TBarParts p;
    TScrollBar sb;
    RECT winOnScreen;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return;
        TNcLayout l = Layout(w);
        sb = vertical ? w->VScroll : w->HScroll;
        p = BarParts(vertical ? l.VBar : l.HBar, sb, vertical);
        winOnScreen = WindowOnScreen(w);
    }
    if (sb.Disabled == ESB_DISABLE_BOTH) return;
    POINT pt{screen.x - winOnScreen.left, screen.y - winOnScreen.top};
    UINT msg = vertical ? WM_VSCROLL : WM_HSCROLL;
    if (!IsRectEmpty(&p.Thumb) && PtInRect(&p.Thumb, pt)) {
        int grab = vertical ? pt.y - p.Thumb.top : pt.x - p.Thumb.left;
        int track = vertical ? H(p.Track) : W(p.Track);
        int thumb = vertical ? H(p.Thumb) : W(p.Thumb);
        int span = sb.Max - sb.Min + 1 - std::max(sb.Page, 1);
        SetCapture(h);
        if (!ButtonHeldOrReleasePending()) {
            ReleaseCapture();
            return;
        }
        MSG m;
        int pos = sb.Pos;
        while (GetCapture() == h && IsWindow(h)) {
            if (!GetMessageW(&m, /*hWnd=*/nullptr, 0, 0)) {
                PostQuitMessage(static_cast<int>(m.wParam));
                break;
            }
            if (IsMoveOrRelease(m)) {
                int at = (vertical ? m.pt.y - winOnScreen.top - p.Track.top : m.pt.x - winOnScreen.left - p.Track.left) -
                         grab;
                if (track > thumb && span > 0)
                    pos = sb.Min + static_cast<int>(static_cast<int64_t>(std::clamp(at, 0, track - thumb)) * span /
                                                    (track - thumb));
                {
                    Lock lk(UserMutex());
                    if (TWnd* w = Find(h)) (vertical ? w->VScroll : w->HScroll).TrackPos = pos;
                }
                if (IsRelease(m)) {
                    SendW(h, msg, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(pos)), 0);
                    break;
                }
                SendW(h, msg, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(pos)), 0);
                continue;
            }
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        if (GetCapture() == h) ReleaseCapture();
    } else {
        WORD code;
        if (PtInRect(&p.Up, pt))
            code = SB_LINEUP;
        else if (PtInRect(&p.Down, pt))
            code = SB_LINEDOWN;
        else if (!IsRectEmpty(&p.Thumb) &&
                 (vertical ? pt.y < p.Thumb.top : pt.x < p.Thumb.left))
            code = SB_PAGEUP;
        else
            code = SB_PAGEDOWN;
        SendW(h, msg, MAKEWPARAM(code, 0), 0);
    }
    SendW(h, msg, MAKEWPARAM(SB_ENDSCROLL, 0), 0);
}

HCURSOR CursorForHit(LRESULT hit) {
    switch (hit) {
    case HTLEFT:
    case HTRIGHT: return LoadCursorA(/*hInstance=*/nullptr, IDC_SIZEWE);
    case HTTOP:
    case HTBOTTOM: return LoadCursorA(/*hInstance=*/nullptr, IDC_SIZENS);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
    case HTSIZE: return LoadCursorA(/*hInstance=*/nullptr, IDC_SIZENWSE);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return LoadCursorA(/*hInstance=*/nullptr, IDC_SIZENESW);
    default: return LoadCursorA(/*hInstance=*/nullptr, IDC_ARROW);
    }
}

HWND ParentOfChild(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    return (w && (w->Style & WS_CHILD)) ? w->Parent : nullptr;
}

}  // namespace

namespace winimpl {

void ComputeFrame(DWORD style, DWORD ex, bool menu, RECT& r) {
    TWnd tmp;
    tmp.Style = style;
    tmp.ExStyle = ex;
    tmp.Window = r;
    tmp.Menu = menu ? reinterpret_cast<HMENU>(1) : nullptr;
    tmp.VScroll.Shown = (style & WS_VSCROLL) != 0;
    tmp.HScroll.Shown = (style & WS_HSCROLL) != 0;
    TNcLayout l = Layout(&tmp);
    RECT c = l.Client;
    OffsetRect(&c, r.left, r.top);
    r = c;
}

// The client area is the one WM_NCCALCSIZE gave, so a window that sizes its
// own frame is hit-tested by it.
LRESULT DefHitTest(TWnd* w, POINT screen) {
    TNcLayout l = Layout(w);
    if (!(w->Style & WS_MINIMIZE)) {
        l.Client = w->Client;
        OffsetRect(&l.Client, -w->Window.left, -w->Window.top);
    }
    return HitTestLayout(w, l, ToWindow(w, screen));
}

MINMAXINFO AskMinMaxInfo(HWND h) {
    MINMAXINFO mmi{};
    int fx = GetSystemMetrics(SM_CXFRAME), fy = GetSystemMetrics(SM_CYFRAME);
    mmi.ptMaxSize = POINT{GDI_DESKTOP_WIDTH + 2 * fx, GDI_DESKTOP_HEIGHT + 2 * fy};
    mmi.ptMaxPosition = POINT{-fx, -fy};
    mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    SendW(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    return mmi;
}

void PaintNonClient(HWND h, HRGN) {
    bool has;
    RECT client;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w || !VisibleOnScreen(w)) return;
        TNcLayout l = Layout(w);
        client = l.Client;
        has = !EqualRect(&l.Client, &l.Window);
    }
    if (!has) return;
    RECT wr;
    GetWindowRect(h, &wr);
    HRGN cl = CreateRectRgn(wr.left + client.left, wr.top + client.top, wr.left + client.right, wr.top + client.bottom);
    HDC dc = GetDCEx(h, cl, DCX_WINDOW | DCX_EXCLUDERGN);
    DeleteObject(cl);
    if (!dc) return;
    PaintFrameInto(h, dc);
    ReleaseDC(h, dc);
}

namespace {

// The handlers of DefProc's longer messages, one per message.

LRESULT OnNcCreate(HWND h, LPARAM lp, bool unicode) {
    auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
    if (cs && cs->lpszName) {
        std::u16string t = unicode ? WideOfW(cs->lpszName)
                                   : WideOf(reinterpret_cast<const CREATESTRUCTA*>(lp)->lpszName);
        Lock lk(UserMutex());
        if (TWnd* w = Find(h)) w->Text = t;
    }
    return TRUE;
}

LRESULT OnNcCalcSize(HWND h, WPARAM wp, LPARAM lp) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !lp) return 0;
    RECT* r = wp ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : reinterpret_cast<RECT*>(lp);
    TWnd tmp;
    tmp.Style = w->Style;
    tmp.ExStyle = w->ExStyle;
    tmp.Menu = w->Menu;
    tmp.VScroll = w->VScroll;
    tmp.HScroll = w->HScroll;
    tmp.Window = *r;
    TNcLayout l = Layout(&tmp);
    RECT c = l.Client;
    OffsetRect(&c, r->left, r->top);
    if (w->Style & WS_MINIMIZE) c = RECT{r->left, r->top, r->left, r->top};
    *r = c;
    return 0;
}

LRESULT OnNcHitTest(HWND h, LPARAM lp) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return HTNOWHERE;
    return DefHitTest(w, PointFromParam(lp));
}

LRESULT OnNcActivate(HWND h, WPARAM wp) {
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return TRUE;
        w->NcActive = wp != 0;
    }
    PaintNonClient(h, /*rgn=*/nullptr);
    return TRUE;
}

LRESULT OnMouseActivate(HWND h, WPARAM wp, LPARAM lp) {
    HWND p = ParentOfChild(h);
    if (p) {
        LRESULT r = SendW(p, WM_MOUSEACTIVATE, wp, lp);
        if (r) return r;
    }
    return MA_ACTIVATE;
}

LRESULT OnSetCursor(HWND h, WPARAM wp, LPARAM lp) {
    HWND p = ParentOfChild(h);
    if (p && SendW(p, WM_SETCURSOR, wp, lp)) return TRUE;
    LRESULT hit = static_cast<SHORT>(LOWORD(lp));
    if (hit == HTERROR) {
        if (HIWORD(lp) == WM_LBUTTONDOWN || HIWORD(lp) == WM_RBUTTONDOWN) MessageBeep(0);
        return FALSE;
    }
    if (hit == HTCLIENT) {
        HCURSOR c = nullptr;
        {
            Lock lk(UserMutex());
            TWnd* w = Find(h);
            if (w && w->Class) c = w->Class->Cursor;
        }
        if (!c) return FALSE;
        SetCursor(c);
        return TRUE;
    }
    SetCursor(CursorForHit(hit));
    return TRUE;
}

LRESULT OnEraseBackground(HWND h, WPARAM wp) {
    HBRUSH b = nullptr;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (w && w->Class) b = w->Class->Background;
    }
    if (!b || !wp) return 0;
    RECT r;
    GetClientRect(h, &r);
    FillRect(reinterpret_cast<HDC>(wp), &r, b);
    return 1;
}

LRESULT OnPaint(HWND h) {
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    EndPaint(h, &ps);
    return 0;
}

// A new size of a resizable window is kept within what WM_GETMINMAXINFO allows.
LRESULT OnWindowPosChanging(HWND h, LPARAM lp) {
    auto* p = reinterpret_cast<WINDOWPOS*>(lp);
    bool resizable;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w || !p) return 0;
        resizable = ((w->Style & WS_THICKFRAME) || !(w->Style & (WS_POPUP | WS_CHILD))) &&
                    !(w->Style & (WS_MINIMIZE | WS_MAXIMIZE));
    }
    if (resizable && !(p->flags & SWP_NOSIZE)) {
        const MINMAXINFO mmi = AskMinMaxInfo(h);
        p->cx = std::clamp<int>(p->cx, std::min<int>(mmi.ptMinTrackSize.x, mmi.ptMaxTrackSize.x),
                                std::max<int>(mmi.ptMaxTrackSize.x, 0));
        p->cy = std::clamp<int>(p->cy, std::min<int>(mmi.ptMinTrackSize.y, mmi.ptMaxTrackSize.y),
                                std::max<int>(mmi.ptMaxTrackSize.y, 0));
    }
    return 0;
}

LRESULT OnWindowPosChanged(HWND h, LPARAM lp) {
    auto* p = reinterpret_cast<const WINDOWPOS*>(lp);
    if (!p) return 0;
    RECT client;
    WPARAM type;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return 0;
        client = w->Client;
        type = (w->Style & WS_MINIMIZE) ? SIZE_MINIMIZED : (w->Style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    }
    if (!(p->flags & SWP_NOCLIENTSIZE))
        SendW(h, WM_SIZE, type, MAKELPARAM(static_cast<WORD>(W(client)), static_cast<WORD>(H(client))));
    if (!(p->flags & SWP_NOCLIENTMOVE))
        SendW(h, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(client.left), static_cast<WORD>(client.top)));
    return 0;
}

LRESULT OnSetText(HWND h, LPARAM lp, bool unicode) {
    std::u16string t = !lp ? std::u16string()
                           : unicode ? WideOfW(reinterpret_cast<LPCWSTR>(lp)) : WideOf(reinterpret_cast<LPCSTR>(lp));
    bool caption;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return FALSE;
        w->Text = t;
        caption = HasCaption(w->Style);
        if (w->Surface)
            if (TScreen* s = ScreenIfOpen()) s->WindowTitle(h, Utf16ToUtf8(t));
    }
    if (caption) PaintNonClient(h, /*rgn=*/nullptr);
    return TRUE;
}

LRESULT OnGetText(HWND h, WPARAM wp, LPARAM lp, bool unicode) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !lp || wp == 0) return 0;
    if (unicode) return CopyOut(w->Text, reinterpret_cast<LPWSTR>(lp), static_cast<int>(wp));
    return CopyOutA(Utf16ToUtf8(w->Text), reinterpret_cast<LPSTR>(lp), static_cast<int>(wp));
}

LRESULT OnGetTextLength(HWND h, bool unicode) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return 0;
    return unicode ? static_cast<LRESULT>(w->Text.size()) : static_cast<LRESULT>(Utf16ToUtf8(w->Text).size());
}

LRESULT OnSysCommand(HWND h, WPARAM wp, LPARAM lp) {
    if (HasHooks(WH_CBT) && CallHooks(WH_CBT, HCBT_SYSCOMMAND, wp, lp, lp)) return 0;
    WPARAM cmd = wp & 0xFFF0;
    switch (cmd) {
    case SC_MOVE: MoveSizeLoop(h, /*sizing=*/false, 0, lp); return 0;
    case SC_SIZE: MoveSizeLoop(h, /*sizing=*/true, static_cast<int>(wp & 0x0F), lp); return 0;
    case SC_MINIMIZE:
    case SC_MAXIMIZE:
    case SC_RESTORE: {
        if (HasHooks(WH_CBT)) {
            int sw = cmd == SC_MINIMIZE ? SW_MINIMIZE : cmd == SC_MAXIMIZE ? SW_MAXIMIZE : SW_RESTORE;
            if (CallHooks(WH_CBT, HCBT_MINMAX, reinterpret_cast<WPARAM>(h), sw, sw)) return 0;
        }
        ShowWindow(h, cmd == SC_MINIMIZE ? SW_MINIMIZE : cmd == SC_MAXIMIZE ? SW_MAXIMIZE : SW_RESTORE);
        return 0;
    }
    case SC_CLOSE: {
        bool noClose;
        {
            Lock lk(UserMutex());
            TWnd* w = Find(h);
            noClose = !w || (w->Class && (w->Class->Style & CS_NOCLOSE));
        }
        if (!noClose) SendW(h, WM_CLOSE, 0, 0);
        return 0;
    }
    case SC_KEYMENU:
    case SC_MOUSEMENU:
        // The menu bar belongs to the menu code.
        if (gMenuBarTracker && GetMenu(h)) gMenuBarTracker(h, cmd, lp);
        return 0;
    default: return 0;
    }
}

// A press on the frame starts what its part does: move, size, a caption button, the menu, a scroll bar.
LRESULT OnNcLeftButtonDown(HWND h, WPARAM wp, LPARAM lp) {
    LRESULT hit = static_cast<LRESULT>(wp);
    switch (hit) {
    case HTCAPTION:
        if (!IsZoomed(h)) SendW(h, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, lp);
        return 0;
    case HTLEFT:
    case HTRIGHT:
    case HTTOP:
    case HTTOPLEFT:
    case HTTOPRIGHT:
    case HTBOTTOM:
    case HTBOTTOMLEFT:
    case HTBOTTOMRIGHT:
        SendW(h, WM_SYSCOMMAND, SC_SIZE + static_cast<WPARAM>(hit - HTLEFT + WMSZ_LEFT), lp);
        return 0;
    case HTSIZE: SendW(h, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT, lp); return 0;
    case HTCLOSE:
    case HTMINBUTTON:
    case HTMAXBUTTON: TrackCaptionButton(h, hit); return 0;
    case HTMENU: SendW(h, WM_SYSCOMMAND, SC_MOUSEMENU + HTMENU, lp); return 0;
    case HTVSCROLL: TrackScrollBar(h, /*vertical=*/true, PointFromParam(lp)); return 0;
    case HTHSCROLL: TrackScrollBar(h, /*vertical=*/false, PointFromParam(lp)); return 0;
    default: return 0;
    }
}

LRESULT OnNcLeftButtonDoubleClick(HWND h, WPARAM wp, LPARAM lp) {
    LRESULT hit = static_cast<LRESULT>(wp);
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE));
    if (hit == HTCAPTION && (style & WS_MAXIMIZEBOX))
        SendW(h, WM_SYSCOMMAND, (style & (WS_MAXIMIZE | WS_MINIMIZE)) ? SC_RESTORE : SC_MAXIMIZE, lp);
    else if (hit == HTSYSMENU)
        SendW(h, WM_SYSCOMMAND, SC_CLOSE, lp);
    return 0;
}

LRESULT OnRightButtonUp(HWND h, LPARAM lp) {
    POINT p = PointFromParam(lp);
    ClientToScreen(h, &p);
    SendW(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
    return 0;
}

LRESULT OnSetRedraw(HWND h, WPARAM wp) {
    // Drawing is off while the visible bit is off, as the old platform does it.
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return 0;
    if (wp)
        w->Style |= WS_VISIBLE;
    else
        w->Style &= ~WS_VISIBLE;
    return 0;
}

LRESULT OnGetIcon(HWND h, WPARAM wp) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return 0;
    return reinterpret_cast<LRESULT>(wp == ICON_BIG ? w->IconBig : w->IconSmall);
}

LRESULT OnSetIcon(HWND h, WPARAM wp, LPARAM lp) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return 0;
    HICON& slot = wp == ICON_BIG ? w->IconBig : w->IconSmall;
    HICON old = slot;
    slot = reinterpret_cast<HICON>(lp);
    return reinterpret_cast<LRESULT>(old);
}

LRESULT OnControlColour(UINT m, WPARAM wp) {
    HDC dc = reinterpret_cast<HDC>(wp);
    bool window = m == WM_CTLCOLOREDIT || m == WM_CTLCOLORLISTBOX;
    int bk = m == WM_CTLCOLORSCROLLBAR ? COLOR_SCROLLBAR : window ? COLOR_WINDOW : COLOR_BTNFACE;
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(bk));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(bk));
}

// The window as it would paint itself, into a DC whose origin is the window's corner.
LRESULT OnPrint(HWND h, WPARAM wp, LPARAM lp) {
    HDC dc = reinterpret_cast<HDC>(wp);
    if (!dc || ((lp & PRF_CHECKVISIBLE) && !IsWindowVisible(h))) return 0;
    RECT client, window;
    std::vector<std::pair<HWND, POINT>> kids;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return 0;
        window = w->Window;
        client = w->Client;
        for (auto it = w->Children.rbegin(); it != w->Children.rend(); ++it)
            if (TWnd* c = Find(*it); c && (c->Style & WS_VISIBLE))
                kids.emplace_back(*it, POINT{c->Window.left, c->Window.top});
    }
    int saved = SaveDC(dc);
    if (lp & PRF_NONCLIENT) PaintFrameInto(h, dc);
    OffsetViewportOrgEx(dc, client.left - window.left, client.top - window.top, /*Old=*/nullptr);
    IntersectClipRect(dc, 0, 0, W(client), H(client));
    if (lp & PRF_ERASEBKGND) SendW(h, WM_ERASEBKGND, wp, 0);
    if (lp & PRF_CLIENT) SendW(h, WM_PRINTCLIENT, wp, lp);
    if (lp & PRF_CHILDREN)
        for (auto& [c, at] : kids) {
            int inner = SaveDC(dc);
            OffsetViewportOrgEx(dc, at.x, at.y, /*Old=*/nullptr);
            SendW(c, WM_PRINT, wp, lp | PRF_NONCLIENT);
            RestoreDC(dc, inner);
        }
    RestoreDC(dc, saved);
    return 0;
}

}  // namespace

LRESULT DefProc(HWND h, UINT m, WPARAM wp, LPARAM lp, bool unicode) {
    switch (m) {
    case WM_NCCREATE: return OnNcCreate(h, lp, unicode);
    case WM_NCCALCSIZE: return OnNcCalcSize(h, wp, lp);
    case WM_NCHITTEST: return OnNcHitTest(h, lp);
    case WM_NCPAINT: PaintNonClient(h, reinterpret_cast<HRGN>(wp)); return 0;
    case WM_NCACTIVATE: return OnNcActivate(h, wp);
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE && !HIWORD(wp)) SetFocus(h);
        return 0;
    case WM_MOUSEACTIVATE: return OnMouseActivate(h, wp, lp);
    case WM_SETCURSOR: return OnSetCursor(h, wp, lp);
    case WM_ERASEBKGND: return OnEraseBackground(h, wp);
    case WM_PAINT: return OnPaint(h);
    case WM_WINDOWPOSCHANGING: return OnWindowPosChanging(h, lp);
    case WM_WINDOWPOSCHANGED: return OnWindowPosChanged(h, lp);
    case WM_SETTEXT: return OnSetText(h, lp, unicode);
    case WM_GETTEXT: return OnGetText(h, wp, lp, unicode);
    case WM_GETTEXTLENGTH: return OnGetTextLength(h, unicode);
    case WM_CLOSE: DestroyWindow(h); return 0;
    case WM_SYSCOMMAND: return OnSysCommand(h, wp, lp);
    case WM_NCLBUTTONDOWN: return OnNcLeftButtonDown(h, wp, lp);
    case WM_NCLBUTTONDBLCLK: return OnNcLeftButtonDoubleClick(h, wp, lp);
    case WM_RBUTTONUP: return OnRightButtonUp(h, lp);
    case WM_NCRBUTTONUP: SendW(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), lp); return 0;
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
    case WM_HELP: {
        HWND p = ParentOfChild(h);
        return p ? SendInternal(p, m, wp, lp, unicode) : 0;
    }
    case WM_SYSKEYDOWN:
        if (wp == VK_F4 && (HIWORD(lp) & 0x2000)) PostMessageW(GetAncestor(h, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSKEYUP:
        if (wp == VK_MENU || wp == VK_F10) SendW(GetAncestor(h, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU, 0);
        return 0;
    case WM_SYSCHAR: SendW(GetAncestor(h, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU, wp); return 0;
    case WM_SETREDRAW: return OnSetRedraw(h, wp);
    case WM_GETICON: return OnGetIcon(h, wp);
    case WM_SETICON: return OnSetIcon(h, wp, lp);
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: return OnControlColour(m, wp);
    case WM_PRINT: return OnPrint(h, wp, lp);
    case WM_CANCELMODE:
        if (GetCapture() == h) ReleaseCapture();
        return 0;
    case WM_QUERYENDSESSION:
    case WM_QUERYOPEN: return TRUE;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM: return -1;
    default: return 0;
    }
}

}  // namespace winimpl

LRESULT DefWindowProcA(HWND h, UINT m, WPARAM w, LPARAM l) { return DefProc(h, m, w, l, /*unicode=*/false); }
LRESULT DefWindowProcW(HWND h, UINT m, WPARAM w, LPARAM l) { return DefProc(h, m, w, l, /*unicode=*/true); }

void SetMenuBarPainter(TMenuBarPainter p) { gMenuBarPainter = p; }
void SetMenuBarTracker(TMenuBarTracker t) { gMenuBarTracker = t; }

HMENU GetMenu(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    return (w && !(w->Style & WS_CHILD)) ? w->Menu : nullptr;
}
BOOL SetMenu(HWND h, HMENU menu) {
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w || (w->Style & WS_CHILD)) return FALSE;
        w->Menu = menu;
    }
    SetWindowPos(h, /*hWndInsertAfter=*/nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return TRUE;
}
BOOL DrawMenuBar(HWND h) {
    if (!IsWindow(h)) return FALSE;
    PaintNonClient(h, /*rgn=*/nullptr);
    return TRUE;
}

// ---- Scroll bars ----------------------------------------------------------
static TScrollBar* BarOf(TWnd* w, int bar) {
    if (bar == SB_HORZ) return &w->HScroll;
    if (bar == SB_VERT) return &w->VScroll;
    return nullptr;
}

static void ShowBars(HWND h, int bar, bool show) {
    bool changed = false;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return;
        auto apply = [&](TScrollBar& sb, DWORD bit) {
            if (sb.Shown == show) return;
            sb.Shown = show;
            if (show)
                w->Style |= bit;
            else
                w->Style &= ~bit;
            changed = true;
        };
        if (bar == SB_HORZ || bar == SB_BOTH) apply(w->HScroll, WS_HSCROLL);
        if (bar == SB_VERT || bar == SB_BOTH) apply(w->VScroll, WS_VSCROLL);
    }
    if (changed)
        SetWindowPos(h, /*hWndInsertAfter=*/nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

int SetScrollInfo(HWND h, int bar, const SCROLLINFO* si, BOOL redraw) {
    if (!si) return 0;
    int pos;
    bool needed;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return 0;
        TScrollBar* sb = BarOf(w, bar);
        if (!sb) return 0;
        if (si->fMask & SIF_RANGE) {
            sb->Min = si->nMin;
            sb->Max = std::max(si->nMin, si->nMax);
        }
        if (si->fMask & SIF_PAGE) sb->Page = static_cast<int>(std::min<UINT>(si->nPage, 0x7FFFFFFF));
        if (si->fMask & SIF_POS) sb->Pos = si->nPos;
        int range = sb->Max - sb->Min + 1;
        if (sb->Page > range) sb->Page = range;
        int maxPos = sb->Max - std::max(sb->Page - 1, 0);
        sb->Pos = std::clamp(sb->Pos, sb->Min, std::max(sb->Min, maxPos));
        pos = sb->Pos;
        needed = sb->Max > sb->Min && (sb->Page == 0 || sb->Page < range);
        if (si->fMask & SIF_DISABLENOSCROLL) {
            sb->Disabled = needed ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH;
            needed = true;
        }
    }
    if (si->fMask & (SIF_RANGE | SIF_PAGE | SIF_DISABLENOSCROLL)) ShowBars(h, bar, needed);
    if (redraw) PaintNonClient(h, /*rgn=*/nullptr);
    return pos;
}
BOOL GetScrollInfo(HWND h, int bar, SCROLLINFO* si) {
    if (!si) return FALSE;
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return FALSE;
    TScrollBar* sb = BarOf(w, bar);
    if (!sb) return FALSE;
    if (si->fMask & SIF_RANGE) {
        si->nMin = sb->Min;
        si->nMax = sb->Max;
    }
    if (si->fMask & SIF_PAGE) si->nPage = static_cast<UINT>(sb->Page);
    if (si->fMask & SIF_POS) si->nPos = sb->Pos;
    if (si->fMask & SIF_TRACKPOS) si->nTrackPos = sb->TrackPos;
    return TRUE;
}
int SetScrollPos(HWND h, int bar, int pos, BOOL redraw) {
    int old = GetScrollPos(h, bar);
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, pos, 0};
    SetScrollInfo(h, bar, &si, redraw);
    return old;
}
int GetScrollPos(HWND h, int bar) {
    SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
    return GetScrollInfo(h, bar, &si) ? si.nPos : 0;
}
BOOL SetScrollRange(HWND h, int bar, int lo, int hi, BOOL redraw) {
    SCROLLINFO si{sizeof si, SIF_RANGE, lo, hi, 0, 0, 0};
    SetScrollInfo(h, bar, &si, redraw);
    return TRUE;
}
BOOL GetScrollRange(HWND h, int bar, int* lo, int* hi) {
    SCROLLINFO si{sizeof si, SIF_RANGE, 0, 0, 0, 0, 0};
    if (!GetScrollInfo(h, bar, &si)) return FALSE;
    if (lo) *lo = si.nMin;
    if (hi) *hi = si.nMax;
    return TRUE;
}
BOOL ShowScrollBar(HWND h, int bar, BOOL show) {
    if (!IsWindow(h)) return FALSE;
    ShowBars(h, bar, show != 0);
    return TRUE;
}
BOOL EnableScrollBar(HWND h, UINT bar, UINT arrows) {
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return FALSE;
        if (bar == SB_HORZ || bar == SB_BOTH) w->HScroll.Disabled = arrows;
        if (bar == SB_VERT || bar == SB_BOTH) w->VScroll.Disabled = arrows;
    }
    PaintNonClient(h, /*rgn=*/nullptr);
    return TRUE;
}

BOOL GetScrollBarInfo(HWND h, LONG id, SCROLLBARINFO* info) {
    if (!info) return FALSE;
    if (id == OBJID_CLIENT) return SendMessageW(h, 0x00EB /* SBM_GETSCROLLBARINFO */, 0, reinterpret_cast<LPARAM>(info)) != 0;
    if (id != OBJID_VSCROLL && id != OBJID_HSCROLL) return FALSE;
    bool vertical = id == OBJID_VSCROLL;
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return FALSE;
    TNcLayout l = Layout(w);
    const TScrollBar& sb = vertical ? w->VScroll : w->HScroll;
    RECT bar = vertical ? l.VBar : l.HBar;
    std::memset(info->rgstate, 0, sizeof info->rgstate);
    if (!sb.Shown) {
        // Where the bar would be, as the old platform reports it for a hidden bar.
        int size = vertical ? GetSystemMetrics(SM_CXVSCROLL) : GetSystemMetrics(SM_CYHSCROLL);
        bar = vertical ? RECT{l.Client.right, l.Client.top, l.Client.right + size, l.Client.bottom}
                       : RECT{l.Client.left, l.Client.bottom, l.Client.right, l.Client.bottom + size};
        info->rgstate[0] = STATE_SYSTEM_INVISIBLE;
    }
    TBarParts p = BarParts(bar, sb, vertical);
    if (sb.Disabled == ESB_DISABLE_BOTH) info->rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
    RECT on = WindowOnScreen(w);
    info->rcScrollBar = bar;
    OffsetRect(&info->rcScrollBar, on.left, on.top);
    info->dxyLineButton = vertical ? H(p.Up) : W(p.Up);
    info->xyThumbTop = IsRectEmpty(&p.Thumb) ? 0 : (vertical ? p.Thumb.top - bar.top : p.Thumb.left - bar.left);
    info->xyThumbBottom = IsRectEmpty(&p.Thumb) ? 0 : (vertical ? p.Thumb.bottom - bar.top : p.Thumb.right - bar.left);
    info->reserved = 0;
    return TRUE;
}
