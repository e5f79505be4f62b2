// Common controls: progress bar, track bar, status bar, up-down, tab control
// and a minimal date picker.
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/commctl/cc_internal.h"

namespace cc {
namespace {

template <class T>
T* Begin(HWND h, UINT m) {
    if (m == WM_NCCREATE && !State<T>(h)) return NewState<T>(h);
    return State<T>(h);
}

// ---- msctls_progress32 ------------------------------------------------------------
struct TProgress {
    int Min = 0, Max = 100, Pos = 0, Step = 10;
    COLORREF Bar = CLR_DEFAULT, Bk = CLR_DEFAULT;
};

void PaintProgress(HWND h, HDC dc) {
    auto* st = State<TProgress>(h);
    RECT rc = ClientRect(h);
    RECT r = rc;
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    FillSolid(dc, r, st->Bk == CLR_DEFAULT ? Sys(COLOR_BTNFACE) : st->Bk);
    InflateRect(&r, -1, -1);
    bool vert = (Style(h) & PBS_VERTICAL) != 0;
    int len = vert ? r.bottom - r.top : r.right - r.left;
    int range = st->Max - st->Min;
    int fill = range > 0 ? static_cast<int>(static_cast<long long>(len) * (st->Pos - st->Min) / range) : 0;
    fill = std::clamp(fill, 0, len);
    COLORREF bar = st->Bar == CLR_DEFAULT ? Sys(COLOR_HIGHLIGHT) : st->Bar;
    if (Style(h) & PBS_SMOOTH) {
        RECT b = vert ? RECT{r.left, r.bottom - fill, r.right, r.bottom} : RECT{r.left, r.top, r.left + fill, r.bottom};
        FillSolid(dc, b, bar);
        return;
    }
    // Classic blocks: two thirds of the bar's thickness wide, two pixels apart.
    int thick = vert ? r.right - r.left : r.bottom - r.top;
    int block = std::max(2, thick * 2 / 3);
    for (int at = 0; at < fill; at += block + 2) {
        int e = std::min(at + block, len);
        if (at + block > fill && at + block > len) break;
        RECT b = vert ? RECT{r.left, r.bottom - e, r.right, r.bottom - at} : RECT{r.left + at, r.top, r.left + e, r.bottom};
        FillSolid(dc, b, bar);
    }
}

LRESULT CALLBACK ProgressProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = Begin<TProgress>(h, m);
    if (!st) return DefWindowProcW(h, m, wp, lp);
    auto redraw = [h] { InvalidateRect(h, nullptr, FALSE); };
    switch (m) {
    case WM_NCDESTROY: FreeState<TProgress>(h); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, PaintProgress); return 0;
    case WM_PRINTCLIENT: PaintProgress(h, reinterpret_cast<HDC>(wp)); return 0;
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
        LRESULT old = MAKELRESULT(static_cast<WORD>(st->Min), static_cast<WORD>(st->Max));
        if (m == PBM_SETRANGE) {
            st->Min = LOWORD(lp);
            st->Max = HIWORD(lp);
        } else {
            st->Min = static_cast<int>(wp);
            st->Max = static_cast<int>(lp);
        }
        st->Pos = std::clamp(st->Pos, std::min(st->Min, st->Max), std::max(st->Min, st->Max));
        redraw();
        return old;
    }
    case PBM_GETRANGE:
        if (lp) *reinterpret_cast<PBRANGE*>(lp) = PBRANGE{st->Min, st->Max};
        return wp ? st->Min : st->Max;
    case PBM_SETPOS: {
        int old = st->Pos;
        st->Pos = std::clamp(static_cast<int>(wp), std::min(st->Min, st->Max), std::max(st->Min, st->Max));
        if (old != st->Pos) redraw();
        return old;
    }
    case PBM_DELTAPOS: {
        int old = st->Pos;
        st->Pos = std::clamp(st->Pos + static_cast<int>(wp), std::min(st->Min, st->Max), std::max(st->Min, st->Max));
        redraw();
        return old;
    }
    case PBM_GETPOS: return st->Pos;
    case PBM_SETSTEP: {
        int old = st->Step;
        st->Step = static_cast<int>(wp);
        return old;
    }
    case PBM_STEPIT: {
        int old = st->Pos;
        st->Pos += st->Step;
        // Stepping past the end starts again from the beginning.
        if (st->Pos > st->Max) st->Pos = st->Min + (st->Pos - st->Max);
        if (st->Pos < st->Min) st->Pos = st->Max - (st->Min - st->Pos);
        redraw();
        return old;
    }
    case PBM_SETBARCOLOR: {
        COLORREF old = st->Bar;
        st->Bar = static_cast<COLORREF>(lp);
        redraw();
        return old;
    }
    case PBM_SETBKCOLOR: {
        COLORREF old = st->Bk;
        st->Bk = static_cast<COLORREF>(lp);
        redraw();
        return old;
    }
    case PBM_SETMARQUEE: return TRUE;
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

// ---- msctls_trackbar32 -----------------------------------------------------------
struct TTrack {
    int Min = 0, Max = 100, Pos = 0, Line = 1, Page = 20, Freq = 1;
    int SelStart = 0, SelEnd = 0;
    int ThumbLen = 20;
    std::vector<int> Tics;
    bool Dragging = false;
    int DragOffset = 0;
    bool Focus = false;
};

bool VertTb(HWND h) { return (Style(h) & TBS_VERT) != 0; }

RECT Channel(HWND h, TTrack* st) {
    RECT rc = ClientRect(h);
    const int half = 6, margin = 2;
    if (VertTb(h)) {
        int x = rc.left + margin + st->ThumbLen / 2 - 2;
        return RECT{x, rc.top + half + margin, x + 4, rc.bottom - half - margin};
    }
    int y = rc.top + margin + st->ThumbLen / 2 - 2;
    return RECT{rc.left + half + margin, y, rc.right - half - margin, y + 4};
}

int PixelOf(HWND h, TTrack* st, int pos) {
    RECT c = Channel(h, st);
    int a = VertTb(h) ? c.top : c.left, b = VertTb(h) ? c.bottom : c.right;
    int range = st->Max - st->Min;
    if (range <= 0) return a;
    return a + static_cast<int>(static_cast<long long>(b - a - 1) * (pos - st->Min) / range);
}

int PosOfPixel(HWND h, TTrack* st, int px) {
    RECT c = Channel(h, st);
    int a = VertTb(h) ? c.top : c.left, b = VertTb(h) ? c.bottom : c.right;
    int range = st->Max - st->Min;
    if (b - a - 1 <= 0) return st->Min;
    int off = std::clamp(px - a, 0, b - a - 1);
    return st->Min + static_cast<int>((static_cast<long long>(off) * range + (b - a - 1) / 2) / (b - a - 1));
}

RECT Thumb(HWND h, TTrack* st) {
    RECT rc = ClientRect(h);
    int c = PixelOf(h, st, st->Pos);
    if (VertTb(h)) return RECT{rc.left + 2, c - 5, rc.left + 2 + st->ThumbLen, c + 6};
    return RECT{c - 5, rc.top + 2, c + 6, rc.top + 2 + st->ThumbLen};
}

// NM_CUSTOMDRAW for a stage of the track bar's painting.
LRESULT CustomDraw(HWND h, HDC dc, DWORD stage, DWORD_PTR part, const RECT& r, UINT state) {
    NMCUSTOMDRAW cd{};
    cd.dwDrawStage = stage;
    cd.hdc = dc;
    cd.rc = r;
    cd.dwItemSpec = part;
    cd.uItemState = state;
    return NotifyParent(h, cd.hdr, NM_CUSTOMDRAW);
}

void PaintChannel(HWND h, HDC dc, TTrack* st) {
    RECT ch = Channel(h, st);
    DrawEdge(dc, &ch, EDGE_SUNKEN, BF_RECT);
    if ((Style(h) & TBS_ENABLESELRANGE) && st->SelEnd > st->SelStart) {
        RECT s = ch;
        InflateRect(&s, -2, -1);
        if (VertTb(h)) {
            s.top = PixelOf(h, st, st->SelStart);
            s.bottom = PixelOf(h, st, st->SelEnd);
        } else {
            s.left = PixelOf(h, st, st->SelStart);
            s.right = PixelOf(h, st, st->SelEnd);
        }
        FillSolid(dc, s, Sys(COLOR_HIGHLIGHT));
    }
}

void PaintTics(HWND h, HDC dc, TTrack* st) {
    RECT rc = ClientRect(h);
    if (!(Style(h) & TBS_NOTICKS)) {
        std::vector<int> tics = st->Tics;
        if ((Style(h) & TBS_AUTOTICKS) && st->Freq > 0)
            for (int p = st->Min; p <= st->Max; p += st->Freq) tics.push_back(p);
        tics.push_back(st->Min);
        tics.push_back(st->Max);
        int base = (VertTb(h) ? rc.left : rc.top) + 2 + st->ThumbLen + 2;
        for (int p : tics) {
            int px = PixelOf(h, st, p);
            if (VertTb(h))
                HLine(dc, base, base + 3, px, Sys(COLOR_BTNTEXT));
            else
                VLine(dc, px, base, base + 3, Sys(COLOR_BTNTEXT));
        }
    }
}

void PaintThumb(HWND h, HDC dc, TTrack* st) {
    RECT t = Thumb(h, st);
    FillRect(dc, &t, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &t, EDGE_RAISED, BF_RECT);
}

void PaintTrack(HWND h, HDC dc) {
    auto* st = State<TTrack>(h);
    RECT rc = ClientRect(h);
    HBRUSH bk = CtlColor(h, dc, WM_CTLCOLORSTATIC);
    FillRect(dc, &rc, bk);
    // The parent (or the class library reflecting it) may draw any part itself.
    UINT state = (st->Focus ? CDIS_FOCUS : 0) | (IsWindowEnabled(h) ? 0 : CDIS_DISABLED) | (st->Dragging ? CDIS_SELECTED : 0);
    LRESULT pre = CustomDraw(h, dc, CDDS_PREPAINT, 0, rc, state);
    if (!IsWindow(h) || !State<TTrack>(h)) return;
    if (pre & CDRF_SKIPDEFAULT) return;
    bool items = (pre & CDRF_NOTIFYITEMDRAW) != 0;
    struct {
        DWORD_PTR Part;
        void (*Paint)(HWND, HDC, TTrack*);
        bool Shown;
    } parts[] = {{TBCD_TICS, PaintTics, !(Style(h) & TBS_NOTICKS)},
                 {TBCD_CHANNEL, PaintChannel, true},
                 {TBCD_THUMB, PaintThumb, !(Style(h) & TBS_NOTHUMB)}};
    for (auto& p : parts) {
        if (!p.Shown) continue;
        RECT pr = p.Part == TBCD_THUMB ? Thumb(h, st) : p.Part == TBCD_CHANNEL ? Channel(h, st) : rc;
        LRESULT r = items ? CustomDraw(h, dc, CDDS_ITEMPREPAINT, p.Part, pr, state) : CDRF_DODEFAULT;
        if (!IsWindow(h) || !State<TTrack>(h)) return;
        if (!(r & CDRF_SKIPDEFAULT)) p.Paint(h, dc, st);
        if (r & CDRF_NOTIFYPOSTPAINT) CustomDraw(h, dc, CDDS_ITEMPOSTPAINT, p.Part, pr, state);
    }
    if (pre & CDRF_NOTIFYPOSTPAINT) CustomDraw(h, dc, CDDS_POSTPAINT, 0, rc, state);
    if (st->Focus) {
        RECT f = rc;
        DrawFocusRect(dc, &f);
    }
}

void TrackNotify(HWND h, WORD code, int pos) {
    HWND p = Parent(h);
    if (!p) return;
    SendMessageW(p, VertTb(h) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(h));
}

void TrackSet(HWND h, TTrack* st, int pos) {
    pos = std::clamp(pos, st->Min, std::max(st->Min, st->Max));
    if (pos != st->Pos) {
        st->Pos = pos;
        InvalidateRect(h, nullptr, FALSE);
    }
}

LRESULT CALLBACK TrackBarProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = Begin<TTrack>(h, m);
    if (!st) return DefWindowProcW(h, m, wp, lp);
    switch (m) {
    case WM_CREATE: {
        RECT rc = ClientRect(h);
        int thick = VertTb(h) ? rc.right : rc.bottom;
        if (!(Style(h) & TBS_FIXEDLENGTH)) st->ThumbLen = std::clamp(thick - 10, 8, 20);
        return 0;
    }
    case WM_NCDESTROY: FreeState<TTrack>(h); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, PaintTrack); return 0;
    case WM_PRINTCLIENT: PaintTrack(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        st->Focus = m == WM_SETFOCUS;
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN: {
        SetFocus(h);
        POINT p = PointOf(lp);
        RECT t = Thumb(h, st);
        if (PtInRect(&t, p)) {
            st->Dragging = true;
            int c = PixelOf(h, st, st->Pos);
            st->DragOffset = (VertTb(h) ? p.y : p.x) - c;
            SetCapture(h);
            return 0;
        }
        int c = VertTb(h) ? p.y : p.x;
        int tc = PixelOf(h, st, st->Pos);
        if (c < tc) {
            TrackSet(h, st, st->Pos - st->Page);
            TrackNotify(h, TB_PAGEUP, 0);
        } else {
            TrackSet(h, st, st->Pos + st->Page);
            TrackNotify(h, TB_PAGEDOWN, 0);
        }
        TrackNotify(h, TB_ENDTRACK, 0);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (st->Dragging) {
            POINT p = PointOf(lp);
            int pos = PosOfPixel(h, st, (VertTb(h) ? p.y : p.x) - st->DragOffset);
            if (pos != st->Pos) {
                TrackSet(h, st, pos);
                TrackNotify(h, TB_THUMBTRACK, st->Pos);
            }
        }
        return 0;
    case WM_LBUTTONUP:
        if (st->Dragging) {
            st->Dragging = false;
            ReleaseCapture();
            TrackNotify(h, TB_THUMBPOSITION, st->Pos);
            TrackNotify(h, TB_ENDTRACK, 0);
        }
        return 0;
    case WM_CAPTURECHANGED: st->Dragging = false; return 0;
    case WM_KEYDOWN: {
        WORD code;
        int pos = st->Pos;
        switch (wp) {
        case VK_LEFT:
        case VK_UP: code = TB_LINEUP; pos -= st->Line; break;
        case VK_RIGHT:
        case VK_DOWN: code = TB_LINEDOWN; pos += st->Line; break;
        case VK_PRIOR: code = TB_PAGEUP; pos -= st->Page; break;
        case VK_NEXT: code = TB_PAGEDOWN; pos += st->Page; break;
        case VK_HOME: code = TB_TOP; pos = st->Min; break;
        case VK_END: code = TB_BOTTOM; pos = st->Max; break;
        default: return 0;
        }
        TrackSet(h, st, pos);
        TrackNotify(h, code, 0);
        TrackNotify(h, TB_ENDTRACK, 0);
        return 0;
    }
    case TBM_GETPOS: return st->Pos;
    case TBM_SETPOS: TrackSet(h, st, static_cast<int>(lp)); return 0;
    case TBM_GETRANGEMIN: return st->Min;
    case TBM_GETRANGEMAX: return st->Max;
    case TBM_SETRANGE:
        st->Min = static_cast<short>(LOWORD(lp));
        st->Max = static_cast<short>(HIWORD(lp));
        if (st->Page == 20 || st->Page <= 0) st->Page = std::max(1, (st->Max - st->Min) / 5);
        TrackSet(h, st, st->Pos);
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case TBM_SETRANGEMIN: st->Min = static_cast<int>(lp); TrackSet(h, st, st->Pos); InvalidateRect(h, nullptr, FALSE); return 0;
    case TBM_SETRANGEMAX: st->Max = static_cast<int>(lp); TrackSet(h, st, st->Pos); InvalidateRect(h, nullptr, FALSE); return 0;
    case TBM_SETTICFREQ: st->Freq = static_cast<int>(wp); InvalidateRect(h, nullptr, FALSE); return 0;
    case TBM_SETTIC:
        if (static_cast<int>(lp) < st->Min || static_cast<int>(lp) > st->Max) return FALSE;
        st->Tics.push_back(static_cast<int>(lp));
        InvalidateRect(h, nullptr, FALSE);
        return TRUE;
    case TBM_CLEARTICS: st->Tics.clear(); InvalidateRect(h, nullptr, FALSE); return 0;
    case TBM_GETNUMTICS: return static_cast<LRESULT>(st->Tics.size()) + 2;
    case TBM_GETTIC: return static_cast<int>(wp) < static_cast<int>(st->Tics.size()) ? st->Tics[wp] : -1;
    case TBM_SETPAGESIZE: {
        int old = st->Page;
        st->Page = static_cast<int>(lp);
        return old;
    }
    case TBM_GETPAGESIZE: return st->Page;
    case TBM_SETLINESIZE: {
        int old = st->Line;
        st->Line = static_cast<int>(lp);
        return old;
    }
    case TBM_GETLINESIZE: return st->Line;
    case TBM_SETSEL:
        st->SelStart = static_cast<short>(LOWORD(lp));
        st->SelEnd = static_cast<short>(HIWORD(lp));
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case TBM_SETSELSTART: st->SelStart = static_cast<int>(lp); InvalidateRect(h, nullptr, FALSE); return 0;
    case TBM_SETSELEND: st->SelEnd = static_cast<int>(lp); InvalidateRect(h, nullptr, FALSE); return 0;
    case TBM_GETSELSTART: return st->SelStart;
    case TBM_GETSELEND: return st->SelEnd;
    case TBM_CLEARSEL: st->SelStart = st->SelEnd = 0; InvalidateRect(h, nullptr, FALSE); return 0;
    case TBM_GETTHUMBRECT:
        if (lp) *reinterpret_cast<RECT*>(lp) = Thumb(h, st);
        return 0;
    case TBM_GETCHANNELRECT:
        if (lp) *reinterpret_cast<RECT*>(lp) = Channel(h, st);
        return 0;
    case TBM_SETTHUMBLENGTH: st->ThumbLen = std::max(4, static_cast<int>(wp)); InvalidateRect(h, nullptr, FALSE); return 0;
    case TBM_GETTHUMBLENGTH: return st->ThumbLen;
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

// ---- msctls_statusbar32 ----------------------------------------------------------
struct TPart {
    int Right = -1;
    std::u16string Text;
    UINT Flags = 0;
    LPARAM Data = 0;
    HICON Icon = nullptr;
};

struct TStatus {
    std::vector<TPart> Parts{TPart{}};
    bool Simple = false;
    TPart SimplePart;
    int MinHeight = 0;
    COLORREF Bk = CLR_DEFAULT;
};

int StatusHeight(HWND h, TStatus* st) {
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, FontOf(h));
    int th = TextHeight(dc);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return std::max(th + 7, st->MinHeight);
}

bool Grip(HWND h) {
    if (!(Style(h) & SBARS_SIZEGRIP)) return false;
    HWND top = GetAncestor(h, GA_ROOT);
    return top && !IsZoomed(top);
}

RECT PartRect(HWND h, TStatus* st, int i) {
    RECT rc = ClientRect(h);
    if (st->Simple) return RECT{rc.left, rc.top + 2, rc.right, rc.bottom};
    int left = 0;
    for (int k = 0; k < i; ++k) left = st->Parts[k].Right < 0 ? rc.right : st->Parts[k].Right + 2;
    int right = st->Parts[i].Right < 0 ? rc.right : st->Parts[i].Right;
    if (Grip(h) && right > rc.right - 16) right = rc.right - 16;
    return RECT{left, rc.top + 2, std::max(left, right), rc.bottom};
}

void Reposition(HWND h, TStatus* st) {
    HWND p = GetParent(h);
    if (!p) return;
    RECT pr = ClientRect(p);
    int hh = StatusHeight(h, st);
    SetWindowPos(h, nullptr, 0, pr.bottom - hh, pr.right, hh, SWP_NOZORDER | SWP_NOACTIVATE);
}

void PaintStatus(HWND h, HDC dc) {
    auto* st = State<TStatus>(h);
    RECT rc = ClientRect(h);
    FillSolid(dc, rc, st->Bk == CLR_DEFAULT ? Sys(COLOR_BTNFACE) : st->Bk);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(h));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Sys(COLOR_BTNTEXT));
    std::size_t count = st->Simple ? 1 : st->Parts.size();
    for (std::size_t i = 0; i < count; ++i) {
        TPart& part = st->Simple ? st->SimplePart : st->Parts[i];
        RECT r = PartRect(h, st, static_cast<int>(i));
        if (!(part.Flags & SBT_NOBORDERS)) {
            RECT e = r;
            DrawEdge(dc, &e, (part.Flags & SBT_POPOUT) ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
        }
        RECT tr = r;
        InflateRect(&tr, -3, -1);
        if (part.Flags & SBT_OWNERDRAW) {
            DRAWITEMSTRUCT dis{};
            dis.CtlID = static_cast<UINT>(CtlId(h));
            dis.itemID = static_cast<UINT>(i);
            dis.hwndItem = h;
            dis.hDC = dc;
            dis.rcItem = tr;
            dis.itemData = static_cast<ULONG_PTR>(part.Data);
            if (HWND p = Parent(h)) SendMessageW(p, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
            continue;
        }
        if (part.Icon) {
            int sz = GetSystemMetrics(SM_CXSMICON);
            DrawIconEx(dc, tr.left, (tr.top + tr.bottom - sz) / 2, part.Icon, sz, sz, 0, nullptr, DI_NORMAL);
            tr.left += sz + 2;
        }
        // Tabs split a part's text into left, centred and right pieces.
        std::u16string s = part.Text;
        std::u16string pieces[3];
        int k = 0;
        for (char16_t c : s) {
            if (c == u'\t' && k < 2 && !(part.Flags & SBT_NOTABPARSING)) {
                ++k;
                continue;
            }
            pieces[k] += c;
        }
        UINT fmt = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
        Text(dc, pieces[0], tr, fmt | DT_LEFT);
        if (!pieces[1].empty()) Text(dc, pieces[1], tr, fmt | DT_CENTER);
        if (!pieces[2].empty()) Text(dc, pieces[2], tr, fmt | DT_RIGHT);
    }
    if (Grip(h)) {
        RECT g{rc.right - 16, rc.bottom - 16, rc.right, rc.bottom};
        DrawFrameControl(dc, &g, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    }
    SelectObject(dc, oldFont);
}

template <class Ch>
LRESULT StatusSetText(HWND h, TStatus* st, WPARAM wp, const Ch* text, bool wide) {
    int part = static_cast<int>(wp & 0xFF);
    TPart* p = nullptr;
    if (part == static_cast<int>(SB_SIMPLEID))
        p = &st->SimplePart;
    else if (part < static_cast<int>(st->Parts.size()))
        p = &st->Parts[part];
    if (!p) return FALSE;
    p->Flags = static_cast<UINT>(wp & 0xFF00);
    if (p->Flags & SBT_OWNERDRAW) {
        p->Data = reinterpret_cast<LPARAM>(text);
        p->Text.clear();
    } else {
        p->Text = !text ? std::u16string() : wide ? std::u16string(reinterpret_cast<LPCWSTR>(text)) : Utf8ToUtf16(reinterpret_cast<LPCSTR>(text));
    }
    InvalidateRect(h, nullptr, FALSE);
    return TRUE;
}

LRESULT CALLBACK StatusProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = Begin<TStatus>(h, m);
    if (!st) return DefWindowProcW(h, m, wp, lp);
    switch (m) {
    case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        if (cs->lpszName) st->Parts[0].Text = cs->lpszName;
        Reposition(h, st);
        return 0;
    }
    case WM_NCDESTROY:
        FreeState<TStatus>(h);
        SetFontOf(h, nullptr);
        break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, PaintStatus); return 0;
    case WM_PRINTCLIENT: PaintStatus(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SIZE: Reposition(h, st); InvalidateRect(h, nullptr, FALSE); return 0;
    case WM_SETFONT:
        SetFontOf(h, reinterpret_cast<HFONT>(wp));
        Reposition(h, st);
        if (LOWORD(lp)) InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropW(h, u"TessaroCtlFont"));
    case WM_NCHITTEST: {
        POINT p = PointOf(lp);
        ScreenToClient(h, &p);
        RECT rc = ClientRect(h);
        if (Grip(h) && p.x >= rc.right - 16 && p.y >= rc.bottom - 16) return HTCLIENT;
        break;
    }
    case WM_SETCURSOR: {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(h, &p);
        RECT rc = ClientRect(h);
        if (Grip(h) && p.x >= rc.right - 16 && p.y >= rc.bottom - 16) {
            SetCursor(LoadCursorA(nullptr, IDC_SIZENWSE));
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONDOWN: {
        POINT p = PointOf(lp);
        RECT rc = ClientRect(h);
        if (Grip(h) && p.x >= rc.right - 16 && p.y >= rc.bottom - 16) {
            ClientToScreen(h, &p);
            SendMessageW(GetAncestor(h, GA_ROOT), WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
            return 0;
        }
        NMHDR hdr{};
        NotifyParent(h, hdr, NM_CLICK);
        return 0;
    }
    case WM_LBUTTONDBLCLK: {
        NMHDR hdr{};
        NotifyParent(h, hdr, NM_DBLCLK);
        return 0;
    }
    case WM_SETTEXT:
        DefWindowProcW(h, m, wp, lp);
        return StatusSetText(h, st, 0, reinterpret_cast<LPCWSTR>(lp), true);
    case SB_SETTEXTA: return StatusSetText(h, st, wp, reinterpret_cast<LPCSTR>(lp), false);
    case SB_SETTEXTW: return StatusSetText(h, st, wp, reinterpret_cast<LPCWSTR>(lp), true);
    case SB_GETTEXTA:
    case SB_GETTEXTW:
    case SB_GETTEXTLENGTHA:
    case SB_GETTEXTLENGTHW: {
        int part = static_cast<int>(wp);
        if (part < 0 || part >= static_cast<int>(st->Parts.size())) return 0;
        const TPart& p = st->Parts[part];
        if (p.Flags & SBT_OWNERDRAW) return p.Data;
        std::size_t len = (m == SB_GETTEXTA || m == SB_GETTEXTLENGTHA) ? Utf16ToUtf8(p.Text).size() : p.Text.size();
        if (m == SB_GETTEXTA && lp) {
            std::string a = Utf16ToUtf8(p.Text);
            std::memcpy(reinterpret_cast<char*>(lp), a.c_str(), a.size() + 1);
        } else if (m == SB_GETTEXTW && lp) {
            std::memcpy(reinterpret_cast<char16_t*>(lp), p.Text.c_str(), (p.Text.size() + 1) * 2);
        }
        return MAKELRESULT(static_cast<WORD>(len), static_cast<WORD>(p.Flags));
    }
    case SB_SETPARTS: {
        int n = static_cast<int>(wp);
        if (n < 1 || n > 256 || !lp) return FALSE;
        auto* edges = reinterpret_cast<const int*>(lp);
        st->Parts.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) st->Parts[i].Right = edges[i];
        InvalidateRect(h, nullptr, FALSE);
        return TRUE;
    }
    case SB_GETPARTS: {
        int n = static_cast<int>(st->Parts.size());
        if (lp)
            for (int i = 0; i < std::min(n, static_cast<int>(wp)); ++i) reinterpret_cast<int*>(lp)[i] = st->Parts[i].Right;
        return n;
    }
    case SB_GETRECT: {
        int i = static_cast<int>(wp);
        if (!lp || i < 0 || i >= static_cast<int>(st->Parts.size())) return FALSE;
        *reinterpret_cast<RECT*>(lp) = PartRect(h, st, i);
        return TRUE;
    }
    case SB_GETBORDERS:
        if (lp) {
            auto* b = reinterpret_cast<int*>(lp);
            b[0] = 0;
            b[1] = 2;
            b[2] = 2;
        }
        return TRUE;
    case SB_SETMINHEIGHT: st->MinHeight = static_cast<int>(wp); Reposition(h, st); return 0;
    case SB_SIMPLE: st->Simple = wp != 0; InvalidateRect(h, nullptr, FALSE); return 0;
    case SB_ISSIMPLE: return st->Simple;
    case SB_SETICON: {
        int i = static_cast<int>(wp);
        if (i < 0 || i >= static_cast<int>(st->Parts.size())) return FALSE;
        st->Parts[i].Icon = reinterpret_cast<HICON>(lp);
        InvalidateRect(h, nullptr, FALSE);
        return TRUE;
    }
    case SB_GETICON: {
        int i = static_cast<int>(wp);
        return (i >= 0 && i < static_cast<int>(st->Parts.size())) ? reinterpret_cast<LRESULT>(st->Parts[i].Icon) : 0;
    }
    case SB_SETBKCOLOR: {
        COLORREF old = st->Bk;
        st->Bk = static_cast<COLORREF>(lp);
        InvalidateRect(h, nullptr, FALSE);
        return old;
    }
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

// ---- msctls_updown32 ---------------------------------------------------------------
struct TUpDown {
    int Lower = 100, Upper = 0, Pos = 0, Base = 10;
    HWND Buddy = nullptr;
    WNDPROC BuddyProc = nullptr;
    int Pressed = 0;  // 1 up/right half, 2 down/left half
    std::vector<UDACCEL> Accel{{0, 1}};
};

bool HorzUd(HWND h) { return (Style(h) & UDS_HORZ) != 0; }

std::u16string FormatPos(HWND h, TUpDown* st) {
    char buf[32];
    if (st->Base == 16) {
        std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(st->Pos));
        return Utf8ToUtf16(buf);
    }
    std::snprintf(buf, sizeof buf, "%d", st->Pos < 0 ? -st->Pos : st->Pos);
    std::string digits = buf, out;
    bool sep = !(Style(h) & UDS_NOTHOUSANDS);
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (sep && i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    if (st->Pos < 0) out = "-" + out;
    return Utf8ToUtf16(out);
}

void UpdateBuddy(HWND h, TUpDown* st) {
    if (st->Buddy && (Style(h) & UDS_SETBUDDYINT) && IsWindow(st->Buddy)) {
        std::u16string s = FormatPos(h, st);
        SetWindowTextW(st->Buddy, s.c_str());
    }
}

// Reads the buddy's number; false when it is not one.
bool ReadBuddy(HWND h, TUpDown* st) {
    if (!st->Buddy || !(Style(h) & UDS_SETBUDDYINT)) return true;
    std::string s = Utf16ToUtf8(TextOf(st->Buddy)), clean;
    for (char c : s)
        if (c != ',') clean += c;
    if (clean.empty()) return false;
    char* end = nullptr;
    long v = std::strtol(clean.c_str(), &end, st->Base == 16 ? 16 : 10);
    if (!end || *end) return false;
    int lo = std::min(st->Lower, st->Upper), hi = std::max(st->Lower, st->Upper);
    st->Pos = std::clamp(static_cast<int>(v), lo, hi);
    return true;
}

void Step(HWND h, TUpDown* st, int dir) {
    ReadBuddy(h, st);
    int towardUpper = st->Upper >= st->Lower ? 1 : -1;
    int delta = dir * towardUpper * static_cast<int>(st->Accel.empty() ? 1 : st->Accel[0].nInc);
    NMUPDOWN nm{};
    nm.iPos = st->Pos;
    nm.iDelta = delta;
    if (NotifyParent(h, nm.hdr, UDN_DELTAPOS)) return;
    int lo = std::min(st->Lower, st->Upper), hi = std::max(st->Lower, st->Upper);
    int next = st->Pos + nm.iDelta;
    if (next > hi) next = (Style(h) & UDS_WRAP) ? lo : hi;
    if (next < lo) next = (Style(h) & UDS_WRAP) ? hi : lo;
    if (next != st->Pos) {
        st->Pos = next;
        UpdateBuddy(h, st);
    }
    if (HWND p = Parent(h))
        SendMessageW(p, HorzUd(h) ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(st->Pos)), reinterpret_cast<LPARAM>(h));
}

void PaintUpDown(HWND h, HDC dc) {
    auto* st = State<TUpDown>(h);
    RECT rc = ClientRect(h);
    bool horz = HorzUd(h);
    RECT a = horz ? RECT{rc.left, rc.top, (rc.left + rc.right) / 2, rc.bottom} : RECT{rc.left, rc.top, rc.right, (rc.top + rc.bottom) / 2};
    RECT b = horz ? RECT{a.right, rc.top, rc.right, rc.bottom} : RECT{rc.left, a.bottom, rc.right, rc.bottom};
    UINT dis = IsWindowEnabled(h) ? 0 : DFCS_INACTIVE;
    // Up (or right) is the first half vertically, the second horizontally.
    DrawFrameControl(dc, &a, DFC_SCROLL, (horz ? DFCS_SCROLLLEFT : DFCS_SCROLLUP) | dis | (st->Pressed == (horz ? 2 : 1) ? DFCS_PUSHED : 0));
    DrawFrameControl(dc, &b, DFC_SCROLL, (horz ? DFCS_SCROLLRIGHT : DFCS_SCROLLDOWN) | dis | (st->Pressed == (horz ? 1 : 2) ? DFCS_PUSHED : 0));
}

LRESULT CALLBACK UpDownBuddyProc(HWND b, UINT m, WPARAM wp, LPARAM lp) {
    HWND ud = static_cast<HWND>(GetPropW(b, u"TessaroUpDown"));
    auto* st = ud ? State<TUpDown>(ud) : nullptr;
    if (!st) return DefWindowProcW(b, m, wp, lp);
    WNDPROC base = st->BuddyProc;
    if (m == WM_KEYDOWN && (Style(ud) & UDS_ARROWKEYS) && (wp == VK_UP || wp == VK_DOWN)) {
        Step(ud, st, wp == VK_UP ? 1 : -1);
        return 0;
    }
    if (m == WM_NCDESTROY) {
        RemovePropW(b, u"TessaroUpDown");
        SetWindowLongPtrW(b, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
        st->Buddy = nullptr;
    }
    return CallWindowProcW(base, b, m, wp, lp);
}

void Attach(HWND h, TUpDown* st, HWND buddy) {
    if (st->Buddy && IsWindow(st->Buddy) && st->BuddyProc) {
        SetWindowLongPtrW(st->Buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(st->BuddyProc));
        RemovePropW(st->Buddy, u"TessaroUpDown");
    }
    st->Buddy = buddy;
    st->BuddyProc = nullptr;
    if (!buddy) return;
    SetPropW(buddy, u"TessaroUpDown", h);
    st->BuddyProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(UpDownBuddyProc)));
    DWORD s = Style(h);
    if (s & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT)) {
        // Sit against the buddy's edge, the buddy giving up the room.
        RECT br, ur;
        GetWindowRect(buddy, &br);
        GetWindowRect(h, &ur);
        HWND p = GetParent(h);
        POINT tl{br.left, br.top};
        ScreenToClient(p, &tl);
        int uw = ur.right - ur.left, bw = br.right - br.left, bh = br.bottom - br.top;
        if (uw <= 0) uw = GetSystemMetrics(SM_CXVSCROLL);
        bw = std::max(bw - uw, 0);
        if (s & UDS_ALIGNRIGHT) {
            SetWindowPos(buddy, nullptr, tl.x, tl.y, bw, bh, SWP_NOZORDER | SWP_NOACTIVATE);
            SetWindowPos(h, nullptr, tl.x + bw, tl.y, uw, bh, SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            SetWindowPos(h, nullptr, tl.x, tl.y, uw, bh, SWP_NOZORDER | SWP_NOACTIVATE);
            SetWindowPos(buddy, nullptr, tl.x + uw, tl.y, bw, bh, SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    UpdateBuddy(h, st);
}

LRESULT CALLBACK UpDownProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = Begin<TUpDown>(h, m);
    if (!st) return DefWindowProcW(h, m, wp, lp);
    switch (m) {
    case WM_CREATE:
        if (Style(h) & UDS_AUTOBUDDY) Attach(h, st, GetWindow(h, GW_HWNDPREV));
        return 0;
    case WM_DESTROY: Attach(h, st, nullptr); return 0;
    case WM_NCDESTROY: FreeState<TUpDown>(h); break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, PaintUpDown); return 0;
    case WM_PRINTCLIENT: PaintUpDown(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (!IsWindowEnabled(h)) return 0;
        POINT p = PointOf(lp);
        RECT rc = ClientRect(h);
        bool first = HorzUd(h) ? p.x < (rc.left + rc.right) / 2 : p.y < (rc.top + rc.bottom) / 2;
        // Vertically the upper half counts up; horizontally the right half does.
        int dir = HorzUd(h) ? (first ? -1 : 1) : (first ? 1 : -1);
        st->Pressed = dir > 0 ? 1 : 2;
        SetCapture(h);
        InvalidateRect(h, nullptr, FALSE);
        if (st->Buddy && IsWindow(st->Buddy)) SetFocus(st->Buddy);
        Step(h, st, dir);
        SetTimer(h, 1, 400, nullptr);  // held: repeats after a pause
        return 0;
    }
    case WM_TIMER:
        if (wp == 1) {
            if (st->Pressed)
                Step(h, st, st->Pressed == 1 ? 1 : -1), SetTimer(h, 1, 60, nullptr);
            else
                KillTimer(h, 1);
            return 0;
        }
        break;
    case WM_LBUTTONUP:
        if (st->Pressed) {
            st->Pressed = 0;
            KillTimer(h, 1);
            ReleaseCapture();
            InvalidateRect(h, nullptr, FALSE);
            if (HWND p = Parent(h))
                SendMessageW(p, HorzUd(h) ? WM_HSCROLL : WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, static_cast<WORD>(st->Pos)), reinterpret_cast<LPARAM>(h));
        }
        return 0;
    case WM_CAPTURECHANGED:
        st->Pressed = 0;
        KillTimer(h, 1);
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_UP || wp == VK_RIGHT) Step(h, st, 1);
        if (wp == VK_DOWN || wp == VK_LEFT) Step(h, st, -1);
        return 0;
    case UDM_SETRANGE:
        st->Upper = static_cast<short>(LOWORD(lp));
        st->Lower = static_cast<short>(HIWORD(lp));
        st->Pos = std::clamp(st->Pos, std::min(st->Lower, st->Upper), std::max(st->Lower, st->Upper));
        return 0;
    case UDM_GETRANGE: return MAKELRESULT(static_cast<WORD>(st->Upper), static_cast<WORD>(st->Lower));
    case UDM_SETRANGE32:
        st->Lower = static_cast<int>(wp);
        st->Upper = static_cast<int>(lp);
        st->Pos = std::clamp(st->Pos, std::min(st->Lower, st->Upper), std::max(st->Lower, st->Upper));
        return 0;
    case UDM_GETRANGE32:
        if (wp) *reinterpret_cast<int*>(wp) = st->Lower;
        if (lp) *reinterpret_cast<int*>(lp) = st->Upper;
        return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        int old = st->Pos;
        int v = m == UDM_SETPOS ? static_cast<short>(LOWORD(lp)) : static_cast<int>(lp);
        st->Pos = std::clamp(v, std::min(st->Lower, st->Upper), std::max(st->Lower, st->Upper));
        UpdateBuddy(h, st);
        return old;
    }
    case UDM_GETPOS: {
        bool ok = ReadBuddy(h, st);
        return MAKELRESULT(static_cast<WORD>(st->Pos), ok ? 0 : 1);
    }
    case UDM_GETPOS32: {
        bool ok = ReadBuddy(h, st);
        if (lp) *reinterpret_cast<BOOL*>(lp) = ok ? FALSE : TRUE;
        return st->Pos;
    }
    case UDM_SETBUDDY: {
        HWND old = st->Buddy;
        Attach(h, st, reinterpret_cast<HWND>(wp));
        return reinterpret_cast<LRESULT>(old);
    }
    case UDM_GETBUDDY: return reinterpret_cast<LRESULT>(st->Buddy);
    case UDM_SETBASE: {
        int old = st->Base;
        if (wp != 10 && wp != 16) return 0;
        st->Base = static_cast<int>(wp);
        UpdateBuddy(h, st);
        return old;
    }
    case UDM_GETBASE: return st->Base;
    case UDM_SETACCEL:
        if (!lp || !wp) return FALSE;
        st->Accel.assign(reinterpret_cast<const UDACCEL*>(lp), reinterpret_cast<const UDACCEL*>(lp) + wp);
        return TRUE;
    case UDM_GETACCEL: {
        std::size_t n = std::min<std::size_t>(st->Accel.size(), wp);
        if (lp) std::copy(st->Accel.begin(), st->Accel.begin() + static_cast<long>(n), reinterpret_cast<UDACCEL*>(lp));
        return static_cast<LRESULT>(st->Accel.size());
    }
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

// ---- SysTabControl32 --------------------------------------------------------------
struct TTab {
    std::u16string Text;
    int Image = -1;
    LPARAM Param = 0;
    DWORD State = 0;
};

struct TTabState {
    std::vector<TTab> Tabs;
    int Cur = -1;
    int FocusTab = -1;
    HIMAGELIST Images = nullptr;
    int FixedW = 0, FixedH = 0;
    bool Focus = false;
};

int TabHeight(HWND h, TTabState* st) {
    if (st->FixedH) return st->FixedH;
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, FontOf(h));
    int th = TextHeight(dc);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return th + 6;
}

// The side the tabs sit on: 0 top, 1 bottom, 2 left, 3 right.
enum { kTabTop, kTabBottom, kTabLeft, kTabRight };
int TabSide(HWND h) {
    DWORD s = Style(h);
    if (s & TCS_VERTICAL) return (s & TCS_RIGHT) ? kTabRight : kTabLeft;
    return (s & TCS_BOTTOM) ? kTabBottom : kTabTop;
}

// Tabs run along their side from 2 pixels in; a tab is as thick as a line of
// text and as long as its text and image.
RECT TabRect(HWND h, TTabState* st, int i) {
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, FontOf(h));
    int at = 2;
    RECT r{};
    int th = TabHeight(h, st);
    RECT rc = ClientRect(h);
    int side = TabSide(h);
    for (int k = 0; k <= i && k < static_cast<int>(st->Tabs.size()); ++k) {
        int w = st->FixedW ? st->FixedW : TextWidth(dc, st->Tabs[k].Text) + 12;
        if (st->Images && st->Tabs[k].Image >= 0) {
            int iw, ih;
            ImageList_GetIconSize(st->Images, &iw, &ih);
            w += (side >= kTabLeft ? ih : iw) + 4;
        }
        switch (side) {
        case kTabTop: r = RECT{at, 2, at + w, 2 + th}; break;
        case kTabBottom: r = RECT{at, rc.bottom - 2 - th, at + w, rc.bottom - 2}; break;
        case kTabLeft: r = RECT{2, at, 2 + th, at + w}; break;
        default: r = RECT{rc.right - 2 - th, at, rc.right - 2, at + w}; break;
        }
        at += w;
    }
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return r;
}

// Text turned a quarter for tabs on the left (reading upwards) or the right
// (reading downwards), centred in r; the image at the text's start.
void PaintVerticalTabText(HWND h, HDC dc, TTabState* st, int i, RECT r, bool left) {
    LOGFONTW lf{};
    GetObjectW(FontOf(h), sizeof lf, &lf);
    lf.lfEscapement = lf.lfOrientation = left ? 900 : 2700;
    HFONT turned = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, turned);
    const std::u16string& s = st->Tabs[i].Text;
    int tw = TextWidth(dc, s), tht = TextHeight(dc);
    int ih = 0;
    if (st->Images && st->Tabs[i].Image >= 0) {
        int iw;
        ImageList_GetIconSize(st->Images, &iw, &ih);
        int x = r.left + (r.right - r.left - iw) / 2;
        ImageList_Draw(st->Images, st->Tabs[i].Image, dc, x, left ? r.bottom - 6 - ih : r.top + 6, ILD_TRANSPARENT);
        if (left)
            r.bottom -= ih + 4;
        else
            r.top += ih + 4;
    }
    int y = left ? r.bottom - (r.bottom - r.top - tw) / 2 : r.top + (r.bottom - r.top - tw) / 2;
    int x = left ? r.left + (r.right - r.left - tht) / 2 : r.right - (r.right - r.left - tht) / 2;
    UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
    TextOutW(dc, x, y, reinterpret_cast<LPCWSTR>(s.c_str()), static_cast<int>(s.size()));
    SetTextAlign(dc, oldAlign);
    SelectObject(dc, old);
    DeleteObject(turned);
}

void PaintTabs(HWND h, HDC dc) {
    auto* st = State<TTabState>(h);
    RECT rc = ClientRect(h);
    HBRUSH bk = CtlColor(h, dc, WM_CTLCOLORSTATIC);
    FillRect(dc, &rc, bk);
    int th = TabHeight(h, st);
    int side = TabSide(h);
    RECT panel = rc;
    switch (side) {
    case kTabTop: panel.top += 2 + th; break;
    case kTabBottom: panel.bottom -= 2 + th; break;
    case kTabLeft: panel.left += 2 + th; break;
    default: panel.right -= 2 + th; break;
    }
    FillRect(dc, &panel, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &panel, EDGE_RAISED, BF_RECT);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(h));
    SetBkMode(dc, TRANSPARENT);
    // The selected tab grows outwards and over the panel's edge; the open side
    // of every tab faces the panel.
    static constexpr UINT Open[] = {BF_LEFT | BF_TOP | BF_RIGHT, BF_LEFT | BF_BOTTOM | BF_RIGHT,
                                    BF_LEFT | BF_TOP | BF_BOTTOM, BF_RIGHT | BF_TOP | BF_BOTTOM};
    for (int i = 0; i < static_cast<int>(st->Tabs.size()); ++i) {
        RECT r = TabRect(h, st, i);
        bool sel = i == st->Cur;
        if (sel) {
            switch (side) {
            case kTabTop: InflateRect(&r, 2, 0), r.top -= 2, r.bottom += 1; break;
            case kTabBottom: InflateRect(&r, 2, 0), r.bottom += 2, r.top -= 1; break;
            case kTabLeft: InflateRect(&r, 0, 2), r.left -= 2, r.right += 1; break;
            default: InflateRect(&r, 0, 2), r.right += 2, r.left -= 1; break;
            }
        }
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        RECT e = r;
        DrawEdge(dc, &e, EDGE_RAISED, Open[side] | BF_SOFT);
        SetTextColor(dc, IsWindowEnabled(h) ? Sys(COLOR_BTNTEXT) : Sys(COLOR_GRAYTEXT));
        if (side >= kTabLeft) {
            PaintVerticalTabText(h, dc, st, i, r, side == kTabLeft);
        } else {
            RECT tr = r;
            if (st->Images && st->Tabs[i].Image >= 0) {
                int iw, ih;
                ImageList_GetIconSize(st->Images, &iw, &ih);
                ImageList_Draw(st->Images, st->Tabs[i].Image, dc, tr.left + 6, (tr.top + tr.bottom - ih) / 2,
                               ILD_TRANSPARENT);
                tr.left += iw + 4;
            }
            Text(dc, st->Tabs[i].Text, tr, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
        }
        if (sel && st->Focus) {
            RECT f = r;
            InflateRect(&f, -3, -3);
            DrawFocusRect(dc, &f);
        }
    }
    SelectObject(dc, oldFont);
}

void SelectTab(HWND h, TTabState* st, int i) {
    if (i == st->Cur || i < 0 || i >= static_cast<int>(st->Tabs.size())) return;
    NMHDR hdr{};
    if (NotifyParent(h, hdr, TCN_SELCHANGING)) return;
    st->Cur = i;
    st->FocusTab = i;
    InvalidateRect(h, nullptr, FALSE);
    NMHDR hdr2{};
    NotifyParent(h, hdr2, TCN_SELCHANGE);
}

template <class TCI>
LRESULT SetTab(HWND h, TTabState* st, int i, const TCI* ti, bool wide, bool insert) {
    if (!ti) return -1;
    int n = static_cast<int>(st->Tabs.size());
    if (insert) {
        i = std::clamp(i, 0, n);
        st->Tabs.insert(st->Tabs.begin() + i, TTab{});
        if (st->Cur >= i) ++st->Cur;
        if (st->Cur < 0) st->Cur = 0;
    } else if (i < 0 || i >= n) {
        return FALSE;
    }
    TTab& t = st->Tabs[i];
    if (ti->mask & TCIF_TEXT)
        t.Text = !ti->pszText ? std::u16string() : wide ? std::u16string(reinterpret_cast<LPCWSTR>(ti->pszText)) : Utf8ToUtf16(reinterpret_cast<LPCSTR>(ti->pszText));
    if (ti->mask & TCIF_IMAGE) t.Image = ti->iImage;
    if (ti->mask & TCIF_PARAM) t.Param = ti->lParam;
    if (ti->mask & TCIF_STATE) t.State = (t.State & ~ti->dwStateMask) | (ti->dwState & ti->dwStateMask);
    InvalidateRect(h, nullptr, FALSE);
    return insert ? i : TRUE;
}

template <class TCI>
LRESULT GetTab(TTabState* st, int i, TCI* ti, bool wide) {
    if (!ti || i < 0 || i >= static_cast<int>(st->Tabs.size())) return FALSE;
    const TTab& t = st->Tabs[i];
    if ((ti->mask & TCIF_TEXT) && ti->pszText) {
        if (wide)
            CopyW(t.Text, reinterpret_cast<LPWSTR>(ti->pszText), ti->cchTextMax);
        else
            CopyA(Utf16ToUtf8(t.Text), reinterpret_cast<LPSTR>(ti->pszText), ti->cchTextMax);
    }
    if (ti->mask & TCIF_IMAGE) ti->iImage = t.Image;
    if (ti->mask & TCIF_PARAM) ti->lParam = t.Param;
    if (ti->mask & TCIF_STATE) ti->dwState = t.State & ti->dwStateMask;
    return TRUE;
}

LRESULT CALLBACK TabProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = Begin<TTabState>(h, m);
    if (!st) return DefWindowProcW(h, m, wp, lp);
    int n = static_cast<int>(st->Tabs.size());
    switch (m) {
    case WM_NCDESTROY:
        FreeState<TTabState>(h);
        SetFontOf(h, nullptr);
        break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, PaintTabs); return 0;
    case WM_PRINTCLIENT: PaintTabs(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SETFONT:
        SetFontOf(h, reinterpret_cast<HFONT>(wp));
        if (LOWORD(lp)) InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropW(h, u"TessaroCtlFont"));
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        st->Focus = m == WM_SETFOCUS;
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN: {
        POINT p = PointOf(lp);
        for (int i = 0; i < n; ++i) {
            RECT r = TabRect(h, st, i);
            if (PtInRect(&r, p)) {
                if (!(Style(h) & TCS_FOCUSNEVER)) SetFocus(h);
                NMHDR hdr{};
                NotifyParent(h, hdr, NM_CLICK);
                SelectTab(h, st, i);
                break;
            }
        }
        return 0;
    }
    case WM_KEYDOWN: {
        // Tabs standing in a column also follow Up and Down.
        bool column = Style(h) & TCS_VERTICAL;
        if ((wp == VK_LEFT || (column && wp == VK_UP)) && st->Cur > 0) SelectTab(h, st, st->Cur - 1);
        if ((wp == VK_RIGHT || (column && wp == VK_DOWN)) && st->Cur + 1 < n) SelectTab(h, st, st->Cur + 1);
        return 0;
    }
    case TCM_GETITEMCOUNT: return n;
    case TCM_INSERTITEMA: return SetTab(h, st, static_cast<int>(wp), reinterpret_cast<const TCITEMA*>(lp), false, true);
    case TCM_INSERTITEMW: return SetTab(h, st, static_cast<int>(wp), reinterpret_cast<const TCITEMW*>(lp), true, true);
    case TCM_SETITEMA: return SetTab(h, st, static_cast<int>(wp), reinterpret_cast<const TCITEMA*>(lp), false, false);
    case TCM_SETITEMW: return SetTab(h, st, static_cast<int>(wp), reinterpret_cast<const TCITEMW*>(lp), true, false);
    case TCM_GETITEMA: return GetTab(st, static_cast<int>(wp), reinterpret_cast<TCITEMA*>(lp), false);
    case TCM_GETITEMW: return GetTab(st, static_cast<int>(wp), reinterpret_cast<TCITEMW*>(lp), true);
    case TCM_DELETEITEM: {
        int i = static_cast<int>(wp);
        if (i < 0 || i >= n) return FALSE;
        st->Tabs.erase(st->Tabs.begin() + i);
        if (st->Cur == i) st->Cur = -1;
        else if (st->Cur > i) --st->Cur;
        InvalidateRect(h, nullptr, FALSE);
        return TRUE;
    }
    case TCM_DELETEALLITEMS:
        st->Tabs.clear();
        st->Cur = -1;
        InvalidateRect(h, nullptr, FALSE);
        return TRUE;
    case TCM_GETCURSEL: return st->Cur;
    case TCM_SETCURSEL: {
        int old = st->Cur;
        int i = static_cast<int>(wp);
        if (i < 0 || i >= n) return -1;
        st->Cur = i;
        InvalidateRect(h, nullptr, FALSE);
        return old;
    }
    case TCM_GETCURFOCUS: return st->FocusTab >= 0 ? st->FocusTab : st->Cur;
    case TCM_SETCURFOCUS: SelectTab(h, st, static_cast<int>(wp)); return 0;
    case TCM_GETITEMRECT: {
        int i = static_cast<int>(wp);
        if (!lp || i < 0 || i >= n) return FALSE;
        *reinterpret_cast<RECT*>(lp) = TabRect(h, st, i);
        return TRUE;
    }
    case TCM_HITTEST: {
        auto* ht = reinterpret_cast<TCHITTESTINFO*>(lp);
        if (!ht) return -1;
        for (int i = 0; i < n; ++i) {
            RECT r = TabRect(h, st, i);
            if (PtInRect(&r, ht->pt)) {
                ht->flags = TCHT_ONITEMLABEL;
                return i;
            }
        }
        ht->flags = TCHT_NOWHERE;
        return -1;
    }
    case TCM_ADJUSTRECT: {
        auto* r = reinterpret_cast<RECT*>(lp);
        if (!r) return 0;
        // The tabs' band (with the selected tab's overlap) on their side, and
        // the panel's edge all round.
        int band = (TabHeight(h, st) + 4) * (wp ? -1 : 1);
        switch (TabSide(h)) {
        case kTabTop: r->top += band; break;
        case kTabBottom: r->bottom -= band; break;
        case kTabLeft: r->left += band; break;
        default: r->right -= band; break;
        }
        InflateRect(r, wp ? 2 : -2, wp ? 2 : -2);
        return 0;
    }
    case TCM_SETITEMSIZE: {
        LRESULT old = MAKELRESULT(static_cast<WORD>(st->FixedW), static_cast<WORD>(TabHeight(h, st)));
        if (Style(h) & TCS_FIXEDWIDTH) st->FixedW = LOWORD(lp);
        st->FixedH = HIWORD(lp);
        InvalidateRect(h, nullptr, FALSE);
        return old;
    }
    case TCM_GETROWCOUNT: return 1;
    case TCM_SETIMAGELIST: {
        HIMAGELIST old = st->Images;
        st->Images = reinterpret_cast<HIMAGELIST>(lp);
        InvalidateRect(h, nullptr, FALSE);
        return reinterpret_cast<LRESULT>(old);
    }
    case TCM_GETIMAGELIST: return reinterpret_cast<LRESULT>(st->Images);
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

// ---- SysDateTimePick32 (text and the system time messages) ---------------------------
struct TDate {
    SYSTEMTIME Time{};
    bool Valid = true;
    bool Focus = false;
};

int DaysIn(int y, int m) {
    static const int d[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
    return d[(m - 1) % 12];
}

int DayOfWeek(int y, int m, int d) {
    std::tm t{};
    t.tm_year = y - 1900;
    t.tm_mon = m - 1;
    t.tm_mday = d;
    t.tm_hour = 12;
    std::mktime(&t);
    return t.tm_wday;
}

std::u16string DateText(HWND h, TDate* st) {
    char buf[64];
    const SYSTEMTIME& t = st->Time;
    DWORD s = Style(h);
    if ((s & DTS_TIMEFORMAT) == DTS_TIMEFORMAT) {
        int hr = t.wHour % 12 == 0 ? 12 : t.wHour % 12;
        std::snprintf(buf, sizeof buf, "%d:%02d:%02d %s", hr, t.wMinute, t.wSecond, t.wHour < 12 ? "AM" : "PM");
    } else if (s & DTS_LONGDATEFORMAT) {
        static const char* days[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
        static const char* months[] = {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October", "November", "December"};
        std::snprintf(buf, sizeof buf, "%s, %s %d, %d", days[t.wDayOfWeek % 7], months[(t.wMonth + 11) % 12], t.wDay, t.wYear);
    } else {
        std::snprintf(buf, sizeof buf, "%d/%d/%d", t.wMonth, t.wDay, t.wYear);
    }
    return Utf8ToUtf16(buf);
}

bool ValidTime(const SYSTEMTIME& t) {
    return t.wYear >= 1601 && t.wYear <= 30827 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
           t.wDay <= DaysIn(t.wYear, t.wMonth) && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

void PaintDate(HWND h, HDC dc) {
    auto* st = State<TDate>(h);
    RECT rc = ClientRect(h);
    RECT r = rc;
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillSolid(dc, r, IsWindowEnabled(h) ? Sys(COLOR_WINDOW) : Sys(COLOR_BTNFACE));
    RECT br{r.right - GetSystemMetrics(SM_CXVSCROLL), r.top, r.right, r.bottom};
    if (!(Style(h) & DTS_UPDOWN)) DrawFrameControl(dc, &br, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(h));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, st->Valid && IsWindowEnabled(h) ? Sys(COLOR_WINDOWTEXT) : Sys(COLOR_GRAYTEXT));
    RECT tr{r.left + 2, r.top, br.left - 2, r.bottom};
    Text(dc, DateText(h, st), tr, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (st->Focus) DrawFocusRect(dc, &tr);
    SelectObject(dc, oldFont);
}

void DateChanged(HWND h, TDate* st) {
    InvalidateRect(h, nullptr, FALSE);
    NMDATETIMECHANGE nm{};
    nm.dwFlags = st->Valid ? static_cast<DWORD>(GDT_VALID) : static_cast<DWORD>(GDT_NONE);
    nm.st = st->Time;
    NotifyParent(h, nm.nmhdr, DTN_DATETIMECHANGE);
}

void AddDays(SYSTEMTIME& t, int days) {
    std::tm tm{};
    tm.tm_year = t.wYear - 1900;
    tm.tm_mon = t.wMonth - 1;
    tm.tm_mday = t.wDay + days;
    tm.tm_hour = 12;
    std::mktime(&tm);
    t.wYear = static_cast<WORD>(tm.tm_year + 1900);
    t.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    t.wDay = static_cast<WORD>(tm.tm_mday);
    t.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
}

LRESULT CALLBACK DateProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = Begin<TDate>(h, m);
    if (!st) return DefWindowProcW(h, m, wp, lp);
    switch (m) {
    case WM_CREATE: {
        std::time_t now = std::time(nullptr);
        std::tm lt{};
        localtime_r(&now, &lt);
        st->Time = SYSTEMTIME{static_cast<WORD>(lt.tm_year + 1900), static_cast<WORD>(lt.tm_mon + 1), static_cast<WORD>(lt.tm_wday),
                              static_cast<WORD>(lt.tm_mday), static_cast<WORD>(lt.tm_hour), static_cast<WORD>(lt.tm_min),
                              static_cast<WORD>(lt.tm_sec), 0};
        return 0;
    }
    case WM_NCDESTROY:
        FreeState<TDate>(h);
        SetFontOf(h, nullptr);
        break;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, PaintDate); return 0;
    case WM_PRINTCLIENT: PaintDate(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SETFONT:
        SetFontOf(h, reinterpret_cast<HFONT>(wp));
        if (LOWORD(lp)) InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropW(h, u"TessaroCtlFont"));
    case WM_GETTEXT: return CopyW(DateText(h, st), reinterpret_cast<LPWSTR>(lp), static_cast<int>(wp));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(DateText(h, st).size());
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        st->Focus = m == WM_SETFOCUS;
        InvalidateRect(h, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN: SetFocus(h); return 0;
    case WM_KEYDOWN: {
        int d = wp == VK_UP ? 1 : wp == VK_DOWN ? -1 : wp == VK_PRIOR ? 30 : wp == VK_NEXT ? -30 : 0;
        if (!d) return 0;
        if ((Style(h) & DTS_TIMEFORMAT) == DTS_TIMEFORMAT) {
            int secs = (st->Time.wHour * 3600 + st->Time.wMinute * 60 + st->Time.wSecond + d + 86400) % 86400;
            st->Time.wHour = static_cast<WORD>(secs / 3600);
            st->Time.wMinute = static_cast<WORD>(secs / 60 % 60);
            st->Time.wSecond = static_cast<WORD>(secs % 60);
        } else {
            AddDays(st->Time, d);
        }
        DateChanged(h, st);
        return 0;
    }
    case DTM_GETSYSTEMTIME:
        if (!lp) return GDT_ERROR;
        if (!st->Valid) return GDT_NONE;
        *reinterpret_cast<SYSTEMTIME*>(lp) = st->Time;
        return GDT_VALID;
    case DTM_SETSYSTEMTIME:
        if (wp == static_cast<WPARAM>(GDT_NONE)) {
            if (!(Style(h) & DTS_SHOWNONE)) return FALSE;
            st->Valid = false;
            InvalidateRect(h, nullptr, FALSE);
            return TRUE;
        }
        if (!lp || !ValidTime(*reinterpret_cast<const SYSTEMTIME*>(lp))) return FALSE;
        st->Time = *reinterpret_cast<const SYSTEMTIME*>(lp);
        st->Time.wDayOfWeek = static_cast<WORD>(DayOfWeek(st->Time.wYear, st->Time.wMonth, st->Time.wDay));
        st->Valid = true;
        InvalidateRect(h, nullptr, FALSE);
        return TRUE;
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

}  // namespace

void RegisterCommonClasses() {
    RegisterCtlClass(u"msctls_progress32", ProgressProc, 0, nullptr, -1);
    RegisterCtlClass(u"msctls_trackbar32", TrackBarProc, CS_DBLCLKS, nullptr, -1);
    RegisterCtlClass(u"msctls_statusbar32", StatusProc, CS_DBLCLKS, nullptr, -1);
    RegisterCtlClass(u"msctls_updown32", UpDownProc, CS_DBLCLKS, nullptr, -1);
    RegisterCtlClass(u"SysTabControl32", TabProc, CS_DBLCLKS, nullptr, -1);
    RegisterCtlClass(u"SysDateTimePick32", DateProc, CS_DBLCLKS, nullptr, -1);
}

}  // namespace cc
