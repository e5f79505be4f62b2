// "Button" and "Static".
#include "platform/commctl/cc_internal.h"

namespace cc {
namespace {

constexpr UINT kImageBitmap = 0, kImageIcon = 1;  // IMAGE_BITMAP, IMAGE_ICON

struct TButtonState {
    UINT Check = BST_UNCHECKED;
    bool Pushed = false;   // drawn pressed (mouse down inside, space held, BM_SETSTATE)
    bool Tracking = false; // mouse captured after a press
    bool Focus = false;
    HANDLE Image = nullptr;
};

DWORD TypeOf(HWND h) { return Style(h) & BS_TYPEMASK; }
bool IsCheckType(DWORD t) {
    return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE ||
           t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON;
}
bool IsRadio(DWORD t) { return t == BS_RADIOBUTTON || t == BS_AUTORADIOBUTTON; }
bool IsPush(DWORD t) { return t == BS_PUSHBUTTON || t == BS_DEFPUSHBUTTON || t == BS_PUSHBOX || t == BS_USERBUTTON; }

void PaintButton(HWND h, HDC dc) {
    auto* st = State<TButtonState>(h);
    DWORD style = Style(h), type = style & BS_TYPEMASK;
    RECT rc = ClientRect(h);
    bool enabled = IsWindowEnabled(h);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(h));
    std::u16string text = TextOf(h);
    if (type == BS_OWNERDRAW) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = static_cast<UINT>(CtlId(h));
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (st->Pushed ? ODS_SELECTED : 0) | (st->Focus ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
        dis.hwndItem = h;
        dis.hDC = dc;
        dis.rcItem = rc;
        if (HWND p = Parent(h)) SendMessageW(p, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        SelectObject(dc, oldFont);
        return;
    }
    HBRUSH bk = CtlColor(h, dc, WM_CTLCOLORBTN);
    SetBkMode(dc, TRANSPARENT);
    COLORREF textColor = enabled ? GetTextColor(dc) : Sys(COLOR_GRAYTEXT);
    UINT halign = style & BS_CENTER;
    if (IsPush(type) || (style & BS_PUSHLIKE)) {
        bool down = st->Pushed || ((style & BS_PUSHLIKE) && st->Check == BST_CHECKED);
        RECT r = rc;
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        if (type == BS_DEFPUSHBUTTON) {
            FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
            InflateRect(&r, -1, -1);
        }
        if (down) {
            FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
        } else {
            DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
        }
        RECT tr = rc;
        if (down) OffsetRect(&tr, 1, 1);
        UINT fmt = DT_SINGLELINE | DT_VCENTER;
        fmt |= halign == BS_LEFT ? DT_LEFT : halign == BS_RIGHT ? DT_RIGHT : DT_CENTER;
        if (style & BS_MULTILINE) fmt = (fmt & ~(DT_SINGLELINE | DT_VCENTER)) | DT_WORDBREAK;
        if ((style & (BS_ICON | BS_BITMAP)) && st->Image) {
            // An image instead of the caption, centred.
            int iw = 0, ih = 0;
            if (style & BS_BITMAP) {
                BITMAP bm{};
                GetObjectW(st->Image, sizeof bm, &bm);
                iw = bm.bmWidth;
                ih = bm.bmHeight;
                HDC mem = CreateCompatibleDC(dc);
                HGDIOBJ old = SelectObject(mem, st->Image);
                BitBlt(dc, (tr.left + tr.right - iw) / 2, (tr.top + tr.bottom - ih) / 2, iw, ih, mem, 0, 0, SRCCOPY);
                SelectObject(mem, old);
                DeleteDC(mem);
            } else {
                iw = ih = GetSystemMetrics(SM_CXICON);
                DrawIconEx(dc, (tr.left + tr.right - iw) / 2, (tr.top + tr.bottom - ih) / 2,
                           static_cast<HICON>(st->Image), 0, 0, 0, /*hbrFlickerFreeDraw=*/nullptr, DI_NORMAL);
            }
            text.clear();
        }
        SetTextColor(dc, enabled ? Sys(COLOR_BTNTEXT) : Sys(COLOR_GRAYTEXT));
        if (!enabled) {
            RECT hr = tr;
            OffsetRect(&hr, 1, 1);
            SetTextColor(dc, Sys(COLOR_BTNHIGHLIGHT));
            Text(dc, text, hr, fmt);
            SetTextColor(dc, Sys(COLOR_GRAYTEXT));
        }
        Text(dc, text, tr, fmt);
        if (st->Focus) {
            RECT f = rc;
            InflateRect(&f, -4, -4);
            DrawFocusRect(dc, &f);
        }
    } else if (type == BS_GROUPBOX) {
        // Only the frame and caption: the controls inside show through.
        int th = TextHeight(dc);
        RECT fr = rc;
        fr.top += th / 2;
        DrawEdge(dc, &fr, EDGE_ETCHED, BF_RECT);
        if (!text.empty()) {
            RECT tr{rc.left + 8, rc.top, rc.left + 8 + TextWidth(dc, text) + 4, rc.top + th};
            FillRect(dc, &tr, bk);
            tr.left += 2;
            SetTextColor(dc, textColor);
            Text(dc, text, tr, DT_SINGLELINE | DT_LEFT | DT_TOP);
        }
    } else {
        // Check boxes and radio buttons: a 13x13 box then the text.
        FillRect(dc, &rc, bk);
        const int box = 13;
        bool leftText = (style & BS_LEFTTEXT) != 0;
        int by = (rc.top + rc.bottom - box) / 2;
        RECT br = leftText ? RECT{rc.right - box, by, rc.right, by + box} : RECT{rc.left, by, rc.left + box, by + box};
        UINT dfcs = IsRadio(type) ? DFCS_BUTTONRADIO : (type == BS_3STATE || type == BS_AUTO3STATE) && st->Check == BST_INDETERMINATE ? DFCS_BUTTON3STATE : DFCS_BUTTONCHECK;
        if (st->Check != BST_UNCHECKED) dfcs |= DFCS_CHECKED;
        if (st->Pushed) dfcs |= DFCS_PUSHED;
        if (!enabled) dfcs |= DFCS_INACTIVE;
        DrawFrameControl(dc, &br, DFC_BUTTON, dfcs);
        RECT tr = leftText ? RECT{rc.left, rc.top, br.left - 4, rc.bottom} : RECT{br.right + 4, rc.top, rc.right, rc.bottom};
        UINT fmt = DT_SINGLELINE | DT_VCENTER | (halign == BS_RIGHT ? DT_RIGHT : halign == BS_CENTER ? DT_CENTER : DT_LEFT);
        SetTextColor(dc, textColor);
        Text(dc, text, tr, fmt);
        if (st->Focus && !text.empty()) {
            RECT calc = tr;
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &calc, fmt | DT_CALCRECT);
            int hgt = calc.bottom - calc.top;
            RECT f{tr.left - 1, (tr.top + tr.bottom - hgt) / 2 - 1, tr.left + (calc.right - calc.left) + 1,
                   (tr.top + tr.bottom + hgt) / 2 + 1};
            DrawFocusRect(dc, &f);
        }
    }
    SelectObject(dc, oldFont);
}

void Redraw(HWND h) { InvalidateRect(h, /*lpRect=*/nullptr, FALSE); }

// A group box owns only its frame and caption: the window layer clips siblings
// by their regions, so the controls inside stay visible.
void ShapeGroupBox(HWND h) {
    if ((Style(h) & BS_TYPEMASK) != BS_GROUPBOX) return;
    RECT wr;
    GetWindowRect(h, &wr);
    int w = wr.right - wr.left, hh = wr.bottom - wr.top;
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, FontOf(h));
    int th = TextHeight(dc);
    std::u16string text = TextOf(h);
    int tw = text.empty() ? 0 : TextWidth(dc, text) + 4;
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    // Client and window coincide for a group box (no border styles).
    HRGN outer = CreateRectRgn(0, th / 2, w, hh);
    HRGN inner = CreateRectRgn(2, th / 2 + 2, std::max(2, w - 2), std::max(th / 2 + 2, hh - 2));
    CombineRgn(outer, outer, inner, RGN_DIFF);
    if (tw) {
        HRGN cap = CreateRectRgn(8, 0, 8 + tw, th);
        CombineRgn(outer, outer, cap, RGN_OR);
        DeleteObject(cap);
    }
    DeleteObject(inner);
    SetWindowRgn(h, outer, TRUE);  // the window owns the region now
}

void SetCheck(HWND h, UINT check) {
    auto* st = State<TButtonState>(h);
    if (st->Check != check) {
        st->Check = check;
        Redraw(h);
    }
}

// Unchecks the other auto radio buttons of h's group.
void UncheckGroup(HWND h) {
    HWND parent = GetParent(h);
    if (!parent) return;
    // Find the group start: walk back to a sibling with WS_GROUP (or the first).
    HWND start = h;
    while (!(Style(start) & WS_GROUP)) {
        HWND prev = GetWindow(start, GW_HWNDPREV);
        if (!prev) break;
        start = prev;
    }
    for (HWND w = start; w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w != start && (Style(w) & WS_GROUP)) break;
        if (w == h) continue;
        wchar_t dummy;
        (void)dummy;
        char16_t cls[16] = {};
        GetClassNameW(w, cls, 16);
        if (std::u16string(cls) != u"Button") {
            // Superclassed buttons answer DLGC_RADIOBUTTON.
            if (!(SendMessageW(w, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON)) continue;
        }
        DWORD t = Style(w) & BS_TYPEMASK;
        if (t == BS_AUTORADIOBUTTON) SendMessageW(w, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

void Click(HWND h) {
    DWORD type = TypeOf(h);
    auto* st = State<TButtonState>(h);
    switch (type) {
    case BS_AUTOCHECKBOX: SetCheck(h, st->Check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED); break;
    case BS_AUTO3STATE:
        SetCheck(h, st->Check == BST_UNCHECKED ? BST_CHECKED : st->Check == BST_CHECKED ? BST_INDETERMINATE : BST_UNCHECKED);
        break;
    case BS_AUTORADIOBUTTON:
        SetCheck(h, BST_CHECKED);
        UncheckGroup(h);
        break;
    default: break;
    }
    NotifyCommand(h, BN_CLICKED);
}

LRESULT CALLBACK ButtonProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = State<TButtonState>(h);
    if (!st && m != WM_NCCREATE) return DefWindowProcW(h, m, wp, lp);
    switch (m) {
    case WM_NCCREATE:
        NewState<TButtonState>(h);
        return DefWindowProcW(h, m, wp, lp);
    case WM_NCDESTROY:
        FreeState<TButtonState>(h);
        SetFontOf(h, /*font=*/nullptr);
        return DefWindowProcW(h, m, wp, lp);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, PaintButton); return 0;
    case WM_PRINTCLIENT: PaintButton(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcW(h, m, wp, lp);
        ShapeGroupBox(h);
        Redraw(h);
        return r;
    }
    case WM_SETFONT:
        SetFontOf(h, reinterpret_cast<HFONT>(wp));
        ShapeGroupBox(h);
        if (LOWORD(lp)) Redraw(h);
        return 0;
    case WM_CREATE:
    case WM_SIZE: ShapeGroupBox(h); return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropW(h, u"TessaroCtlFont"));
    case WM_ENABLE: Redraw(h); return 0;
    case WM_NCHITTEST:
        if (TypeOf(h) == BS_GROUPBOX) return HTTRANSPARENT;
        break;
    case WM_GETDLGCODE: {
        DWORD t = TypeOf(h);
        if (t == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (t == BS_PUSHBUTTON || t == BS_PUSHBOX || t == BS_OWNERDRAW || t == BS_USERBUTTON)
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        if (IsRadio(t)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
        if (t == BS_GROUPBOX) return DLGC_STATIC;
        return DLGC_BUTTON;
    }
    case WM_SETFOCUS:
        st->Focus = true;
        Redraw(h);
        if (Style(h) & BS_NOTIFY) NotifyCommand(h, BN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        st->Focus = false;
        if (st->Pushed && !st->Tracking) st->Pushed = false;
        Redraw(h);
        if (Style(h) & BS_NOTIFY) NotifyCommand(h, BN_KILLFOCUS);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (TypeOf(h) == BS_GROUPBOX) return 0;
        SetFocus(h);
        SetCapture(h);
        st->Tracking = true;
        st->Pushed = true;
        Redraw(h);
        if (m == WM_LBUTTONDBLCLK && (Style(h) & BS_NOTIFY)) NotifyCommand(h, BN_DOUBLECLICKED);
        return 0;
    case WM_MOUSEMOVE:
        if (st->Tracking) {
            RECT rc = ClientRect(h);
            bool in = PtInRect(&rc, PointOf(lp));
            if (in != st->Pushed) {
                st->Pushed = in;
                Redraw(h);
            }
        }
        return 0;
    case WM_LBUTTONUP:
        if (st->Tracking) {
            st->Tracking = false;
            bool in = st->Pushed;
            st->Pushed = false;
            ReleaseCapture();
            Redraw(h);
            if (in) Click(h);
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (st->Tracking) {
            st->Tracking = false;
            st->Pushed = false;
            Redraw(h);
        }
        return 0;
    case WM_KEYDOWN:
        if (wp == VK_SPACE && TypeOf(h) != BS_GROUPBOX) {
            st->Pushed = true;
            Redraw(h);
            return 0;
        }
        break;
    case WM_KEYUP:
        if (wp == VK_SPACE && st->Pushed && !st->Tracking) {
            st->Pushed = false;
            Redraw(h);
            Click(h);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wp == u' ') return 0;
        break;
    case BM_GETCHECK: return IsCheckType(TypeOf(h)) || (Style(h) & BS_PUSHLIKE) ? st->Check : 0;
    case BM_SETCHECK: {
        DWORD t = TypeOf(h);
        UINT c = static_cast<UINT>(wp);
        if (c == BST_INDETERMINATE && t != BS_3STATE && t != BS_AUTO3STATE) c = BST_CHECKED;
        if (IsCheckType(t)) SetCheck(h, c);
        return 0;
    }
    case BM_GETSTATE:
        return (st->Check & 3) | (st->Pushed ? BST_PUSHED : 0) | (st->Focus ? BST_FOCUS : 0);
    case BM_SETSTATE:
        if (st->Pushed != (wp != 0)) {
            st->Pushed = wp != 0;
            Redraw(h);
        }
        return 0;
    case BM_SETSTYLE: {
        DWORD s = Style(h);
        s = (s & ~0xFFFFu) | (static_cast<DWORD>(wp) & 0xFFFFu);
        SetWindowLongPtrW(h, GWL_STYLE, static_cast<LONG_PTR>(s));
        if (LOWORD(lp)) Redraw(h);
        return 0;
    }
    case BM_CLICK:
        if (!IsWindowEnabled(h)) return 0;
        st->Pushed = true;
        Redraw(h);
        st->Pushed = false;
        Redraw(h);
        Click(h);
        return 0;
    case BM_GETIMAGE: return reinterpret_cast<LRESULT>(st->Image);
    case BM_SETIMAGE: {
        HANDLE old = st->Image;
        st->Image = reinterpret_cast<HANDLE>(lp);
        Redraw(h);
        return reinterpret_cast<LRESULT>(old);
    }
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

// ---- Static -------------------------------------------------------------------
struct TStaticState {
    HANDLE Image = nullptr;
    UINT ImageType = kImageBitmap;
};

void PaintStatic(HWND h, HDC dc) {
    auto* st = State<TStaticState>(h);
    DWORD style = Style(h), type = style & SS_TYPEMASK;
    RECT rc = ClientRect(h);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(h));
    HBRUSH bk = CtlColor(h, dc, WM_CTLCOLORSTATIC);
    switch (type) {
    case SS_BLACKRECT: FillSolid(dc, rc, Sys(COLOR_WINDOWFRAME)); break;
    case SS_GRAYRECT: FillSolid(dc, rc, Sys(COLOR_BTNSHADOW)); break;
    case SS_WHITERECT: FillSolid(dc, rc, Sys(COLOR_BTNHIGHLIGHT)); break;
    case SS_BLACKFRAME: FrameRect(dc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME)); break;
    case SS_GRAYFRAME: FrameRect(dc, &rc, GetSysColorBrush(COLOR_BTNSHADOW)); break;
    case SS_WHITEFRAME: FrameRect(dc, &rc, GetSysColorBrush(COLOR_BTNHIGHLIGHT)); break;
    case SS_ETCHEDHORZ: {
        RECT r{rc.left, rc.top, rc.right, rc.top + 2};
        DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP);
        break;
    }
    case SS_ETCHEDVERT: {
        RECT r{rc.left, rc.top, rc.left + 2, rc.bottom};
        DrawEdge(dc, &r, EDGE_ETCHED, BF_LEFT);
        break;
    }
    case SS_ETCHEDFRAME: DrawEdge(dc, &rc, EDGE_ETCHED, BF_RECT); break;
    case SS_OWNERDRAW: {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_STATIC;
        dis.CtlID = static_cast<UINT>(CtlId(h));
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hwndItem = h;
        dis.hDC = dc;
        dis.rcItem = rc;
        if (HWND p = Parent(h)) SendMessageW(p, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        break;
    }
    case SS_ICON:
        FillRect(dc, &rc, bk);
        if (st->Image && !DrawStandardIcon(dc, rc.left, rc.top, static_cast<HICON>(st->Image))) {
            int x = rc.left, y = rc.top;
            ICONINFO ii{};
            if ((style & SS_CENTERIMAGE) && GetIconInfo(static_cast<HICON>(st->Image), &ii)) {
                BITMAP bm{};
                GetObjectW(ii.hbmColor ? ii.hbmColor : ii.hbmMask, sizeof bm, &bm);
                int ih = ii.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
                x = (rc.left + rc.right - bm.bmWidth) / 2;
                y = (rc.top + rc.bottom - ih) / 2;
            }
            if (ii.hbmColor) DeleteObject(ii.hbmColor);
            if (ii.hbmMask) DeleteObject(ii.hbmMask);
            DrawIconEx(dc, x, y, static_cast<HICON>(st->Image), 0, 0, 0, /*hbrFlickerFreeDraw=*/nullptr, DI_NORMAL);
        }
        break;
    case SS_BITMAP: {
        FillRect(dc, &rc, bk);
        if (st->Image && st->ImageType == kImageIcon) {
            DrawIconEx(dc, rc.left, rc.top, static_cast<HICON>(st->Image), 0, 0, 0, /*hbrFlickerFreeDraw=*/nullptr,
                       DI_NORMAL);
        } else if (st->Image) {
            BITMAP bm{};
            GetObjectW(st->Image, sizeof bm, &bm);
            HDC mem = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(mem, st->Image);
            int x = rc.left, y = rc.top;
            if (style & SS_CENTERIMAGE) {
                x = (rc.left + rc.right - bm.bmWidth) / 2;
                y = (rc.top + rc.bottom - bm.bmHeight) / 2;
            }
            BitBlt(dc, x, y, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
            SelectObject(mem, old);
            DeleteDC(mem);
        }
        break;
    }
    default: {
        FillRect(dc, &rc, bk);
        std::u16string text = TextOf(h);
        UINT fmt = DT_EXPANDTABS;
        if (type == SS_CENTER) fmt |= DT_CENTER | DT_WORDBREAK;
        else if (type == SS_RIGHT) fmt |= DT_RIGHT | DT_WORDBREAK;
        else if (type == SS_LEFT) fmt |= DT_LEFT | DT_WORDBREAK;
        else fmt |= DT_LEFT | DT_SINGLELINE;
        if (style & SS_NOPREFIX) fmt |= DT_NOPREFIX;
        if (style & SS_CENTERIMAGE) fmt = (fmt & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
        DWORD ell = style & SS_ELLIPSISMASK;
        if (ell == SS_ENDELLIPSIS) fmt |= DT_END_ELLIPSIS | DT_SINGLELINE;
        else if (ell == SS_PATHELLIPSIS) fmt |= DT_PATH_ELLIPSIS | DT_SINGLELINE;
        else if (ell == SS_WORDELLIPSIS) fmt |= DT_WORD_ELLIPSIS | DT_SINGLELINE;
        SetBkMode(dc, TRANSPARENT);
        if (!IsWindowEnabled(h)) SetTextColor(dc, Sys(COLOR_GRAYTEXT));
        Text(dc, text, rc, fmt);
        break;
    }
    }
    if (style & SS_SUNKEN) {
        RECT r = rc;
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    }
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK StaticProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = State<TStaticState>(h);
    if (!st && m != WM_NCCREATE) return DefWindowProcW(h, m, wp, lp);
    switch (m) {
    case WM_NCCREATE:
        NewState<TStaticState>(h);
        return DefWindowProcW(h, m, wp, lp);
    case WM_NCDESTROY:
        FreeState<TStaticState>(h);
        SetFontOf(h, /*font=*/nullptr);
        return DefWindowProcW(h, m, wp, lp);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, PaintStatic); return 0;
    case WM_PRINTCLIENT: PaintStatic(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcW(h, m, wp, lp);
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return r;
    }
    case WM_SETFONT:
        SetFontOf(h, reinterpret_cast<HFONT>(wp));
        if (LOWORD(lp)) InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropW(h, u"TessaroCtlFont"));
    case WM_ENABLE: InvalidateRect(h, /*lpRect=*/nullptr, FALSE); return 0;
    case WM_NCHITTEST: return (Style(h) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_LBUTTONDOWN:
        if (Style(h) & SS_NOTIFY) NotifyCommand(h, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (Style(h) & SS_NOTIFY) NotifyCommand(h, STN_DBLCLK);
        return 0;
    case STM_SETICON:
    case STM_SETIMAGE: {
        HANDLE old = st->Image;
        st->Image = reinterpret_cast<HANDLE>(m == STM_SETICON ? wp : static_cast<WPARAM>(lp));
        st->ImageType = m == STM_SETICON ? kImageIcon : static_cast<UINT>(wp);
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON:
    case STM_GETIMAGE: return reinterpret_cast<LRESULT>(st->Image);
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

}  // namespace

LRESULT CALLBACK EditProc(HWND h, UINT m, WPARAM wp, LPARAM lp);

void RegisterButtonClasses() {
    RegisterCtlClass(u"Button", ButtonProc, CS_DBLCLKS | CS_PARENTDC, /*cursor=*/nullptr, -1);
    RegisterCtlClass(u"Static", StaticProc, CS_DBLCLKS | CS_PARENTDC, /*cursor=*/nullptr, -1);
    RegisterCtlClass(u"Edit", EditProc, CS_DBLCLKS, LoadCursorA(/*hInstance=*/nullptr, IDC_IBEAM), -1);
}

}  // namespace cc
