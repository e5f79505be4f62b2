// "ListBox" and the drop-down list of combo boxes ("ComboLBox").
#include <algorithm>
#include <cassert>

#include "platform/commctl/cc_internal.h"
#include "platform/commctl/cc_combo.h"

namespace cc {
namespace {

struct TItem {
    std::u16string Text;
    ULONG_PTR Data = 0;
    bool Sel = false;
    int Height = 0;
};

struct TListState {
    std::vector<TItem> Items;
    int Cur = -1;     // single selection: the selected item; else the caret
    int Anchor = -1;  // extended selection anchor
    int Top = 0;
    int ItemHeight = 0;
    bool Focus = false;
    bool Tracking = false;
    HWND Combo = nullptr;  // set for the list of a combo box
    bool NoRedraw = false;
};

bool OwnerDraw(HWND h) { return (Style(h) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0; }
bool HasStrings(HWND h) { return !OwnerDraw(h) || (Style(h) & LBS_HASSTRINGS); }
bool MultiSel(HWND h) { return (Style(h) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
bool Notify(HWND h, TListState* st) { return !st->Combo && (Style(h) & LBS_NOTIFY); }

int DefaultItemHeight(HWND h) {
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, FontOf(h));
    int th = TextHeight(dc);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return th + 1;
}

int HeightOf(HWND h, TListState* st, int i) {
    if ((Style(h) & LBS_OWNERDRAWVARIABLE) && i >= 0 && i < static_cast<int>(st->Items.size()) && st->Items[i].Height)
        return st->Items[i].Height;
    return st->ItemHeight;
}

UINT OwnerCtlId(HWND h, TListState* st) { return static_cast<UINT>(CtlId(st->Combo ? st->Combo : h)); }
HWND OwnerParent(HWND h, TListState* st) { return Parent(st->Combo ? st->Combo : h); }

// i is an item, or -1 for the height of every item.
void Measure(HWND h, TListState* st, int i) {
    assert(i >= -1 && i < static_cast<int>(st->Items.size()));
    if (!OwnerDraw(h)) return;
    MEASUREITEMSTRUCT mis{};
    mis.CtlType = st->Combo ? ODT_COMBOBOX : ODT_LISTBOX;
    mis.CtlID = OwnerCtlId(h, st);
    mis.itemID = static_cast<UINT>(i);
    mis.itemHeight = static_cast<UINT>(st->ItemHeight);
    if (i >= 0) mis.itemData = st->Items[i].Data;
    if (HWND p = OwnerParent(h, st)) SendMessageW(p, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
    if (i < 0)
        st->ItemHeight = std::max<int>(1, static_cast<int>(mis.itemHeight));
    else
        st->Items[i].Height = std::max<int>(1, static_cast<int>(mis.itemHeight));
}

int VisibleHeight(HWND h) {
    RECT r = ClientRect(h);
    return r.bottom - r.top;
}

int ItemTop(HWND h, TListState* st, int i) {
    int y = 0;
    if (i >= st->Top)
        for (int k = st->Top; k < i; ++k) y += HeightOf(h, st, k);
    else
        for (int k = i; k < st->Top; ++k) y -= HeightOf(h, st, k);
    return y;
}

int PerPage(HWND h, TListState* st) {
    int y = 0, n = 0, vh = VisibleHeight(h);
    for (int i = st->Top; i < static_cast<int>(st->Items.size()); ++i) {
        y += HeightOf(h, st, i);
        if (y > vh) break;
        ++n;
    }
    return std::max(n, 1);
}

void UpdateScroll(HWND h, TListState* st) {
    if (!(Style(h) & WS_VSCROLL)) return;
    int n = static_cast<int>(st->Items.size());
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS | ((Style(h) & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0u),
                  0, std::max(n - 1, 0), static_cast<UINT>(PerPage(h, st)), st->Top, 0};
    SetScrollInfo(h, SB_VERT, &si, TRUE);
}

void Redraw(HWND h, TListState* st) {
    if (!st->NoRedraw) InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
}

void SetTop(HWND h, TListState* st, int top) {
    int n = static_cast<int>(st->Items.size());
    // The last page stays full.
    int maxTop = n;
    int y = 0;
    for (int i = n - 1; i >= 0; --i) {
        y += HeightOf(h, st, i);
        if (y > VisibleHeight(h)) break;
        maxTop = i;
    }
    st->Top = std::clamp(top, 0, std::max(0, std::min(maxTop, n - 1)));
    UpdateScroll(h, st);
    Redraw(h, st);
}

void EnsureVisible(HWND h, TListState* st, int i) {
    if (i < 0) return;
    if (i < st->Top) {
        SetTop(h, st, i);
        return;
    }
    while (ItemTop(h, st, i) + HeightOf(h, st, i) > VisibleHeight(h) && st->Top < i) ++st->Top;
    UpdateScroll(h, st);
    Redraw(h, st);
}

void PaintList(HWND h, HDC dc) {
    auto* st = State<TListState>(h);
    RECT rc = ClientRect(h);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(h));
    HBRUSH bk = CtlColor(st->Combo ? st->Combo : h, dc, WM_CTLCOLORLISTBOX);
    COLORREF textColor = GetTextColor(dc);
    FillRect(dc, &rc, bk);
    bool enabled = IsWindowEnabled(h);
    int y = 0;
    for (int i = st->Top; i < static_cast<int>(st->Items.size()) && y < rc.bottom; ++i) {
        int ih = HeightOf(h, st, i);
        RECT ir{rc.left, y, rc.right, y + ih};
        bool sel = MultiSel(h) ? st->Items[i].Sel : i == st->Cur;
        bool focus = st->Focus && i == st->Cur && (MultiSel(h) || st->Combo == nullptr);
        if (OwnerDraw(h)) {
            DRAWITEMSTRUCT dis{};
            dis.CtlType = st->Combo ? ODT_COMBOBOX : ODT_LISTBOX;
            dis.CtlID = OwnerCtlId(h, st);
            dis.itemID = static_cast<UINT>(i);
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = (sel ? ODS_SELECTED : 0) | (focus ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
            dis.hwndItem = h;
            dis.hDC = dc;
            dis.rcItem = ir;
            dis.itemData = st->Items[i].Data;
            if (HWND p = OwnerParent(h, st)) SendMessageW(p, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        } else {
            if (sel) FillSolid(dc, ir, Sys(COLOR_HIGHLIGHT));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, !enabled ? Sys(COLOR_GRAYTEXT) : sel ? Sys(COLOR_HIGHLIGHTTEXT) : textColor);
            RECT tr = ir;
            tr.left += 2;
            UINT fmt = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
            if (Style(h) & LBS_USETABSTOPS) fmt |= DT_EXPANDTABS;
            Text(dc, st->Items[i].Text, tr, fmt);
            if (focus) DrawFocusRect(dc, &ir);
        }
        y += ih;
    }
    SelectObject(dc, oldFont);
}

int ItemAt(HWND h, TListState* st, POINT p, bool clampOutside) {
    int n = static_cast<int>(st->Items.size());
    if (n == 0) return -1;
    if (p.y < 0) return clampOutside ? std::max(st->Top - 1, 0) : -1;
    int y = 0;
    for (int i = st->Top; i < n; ++i) {
        int ih = HeightOf(h, st, i);
        if (p.y < y + ih) return i;
        y += ih;
    }
    return clampOutside ? n - 1 : -1;
}

int Compare(const std::u16string& a, const std::u16string& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

LRESULT Insert(HWND h, TListState* st, int index, LPARAM lp, bool sorted) {
    TItem it;
    if (HasStrings(h))
        it.Text = StringArg(h, lp);
    else
        it.Data = static_cast<ULONG_PTR>(lp);
    int n = static_cast<int>(st->Items.size());
    if (sorted && HasStrings(h)) {
        index = n;
        for (int i = 0; i < n; ++i)
            if (Compare(it.Text, st->Items[i].Text) < 0) {
                index = i;
                break;
            }
    } else if (index < 0 || index > n) {
        index = n;
    }
    st->Items.insert(st->Items.begin() + index, it);
    if (st->Cur >= index && n > 0 && st->Cur >= 0) ++st->Cur;
    if (Style(h) & LBS_OWNERDRAWVARIABLE) Measure(h, st, index);
    UpdateScroll(h, st);
    Redraw(h, st);
    return index;
}

void SendDelete(HWND h, TListState* st, int i) {
    if (!OwnerDraw(h) && HasStrings(h)) return;
    DELETEITEMSTRUCT dis{};
    dis.CtlType = st->Combo ? ODT_COMBOBOX : ODT_LISTBOX;
    dis.CtlID = OwnerCtlId(h, st);
    dis.itemID = static_cast<UINT>(i);
    dis.hwndItem = h;
    dis.itemData = st->Items[i].Data;
    if (HWND p = OwnerParent(h, st)) SendMessageW(p, WM_DELETEITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
}

int FindString(TListState* st, int after, const std::u16string& s, bool exact) {
    int n = static_cast<int>(st->Items.size());
    if (n == 0) return -1;
    int start = (after < -1 || after >= n) ? 0 : after + 1;
    for (int k = 0; k < n; ++k) {
        int i = (start + k) % n;
        const auto& t = st->Items[i].Text;
        if (exact ? Compare(t, s) == 0 : (t.size() >= s.size() && Compare(t.substr(0, s.size()), s) == 0)) return i;
    }
    return -1;
}

void SelChanged(HWND h, TListState* st) {
    if (st->Combo)
        SendMessageW(st->Combo, CBI_LISTSELCHANGE, 0, 0);
    else if (Notify(h, st))
        NotifyCommand(h, LBN_SELCHANGE);
}

// Selection by user input: click or keyboard move to item i.
void UserSelect(HWND h, TListState* st, int i, bool shift, bool ctrl, bool toggle) {
    if (i < 0) return;
    DWORD style = Style(h);
    if (style & LBS_NOSEL) return;
    bool changed = false;
    if (style & LBS_EXTENDEDSEL) {
        if (shift && st->Anchor >= 0) {
            int a = std::min(st->Anchor, i), b = std::max(st->Anchor, i);
            for (int k = 0; k < static_cast<int>(st->Items.size()); ++k) {
                bool want = (k >= a && k <= b) || (ctrl && st->Items[k].Sel);
                if (st->Items[k].Sel != want) changed = true;
                st->Items[k].Sel = want;
            }
        } else if (ctrl && toggle) {
            st->Items[i].Sel = !st->Items[i].Sel;
            st->Anchor = i;
            changed = true;
        } else {
            for (int k = 0; k < static_cast<int>(st->Items.size()); ++k) {
                bool want = k == i;
                if (st->Items[k].Sel != want) changed = true;
                st->Items[k].Sel = want;
            }
            st->Anchor = i;
        }
        st->Cur = i;
    } else if (style & LBS_MULTIPLESEL) {
        if (toggle) {
            st->Items[i].Sel = !st->Items[i].Sel;
            changed = true;
        }
        st->Cur = i;
    } else {
        changed = st->Cur != i;
        st->Cur = i;
    }
    EnsureVisible(h, st, i);
    Redraw(h, st);
    if (changed) SelChanged(h, st);
}

}  // namespace

LRESULT CALLBACK ListBoxProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = State<TListState>(h);
    if (!st && m != WM_NCCREATE) return DefWindowProcW(h, m, wp, lp);
    int n = st ? static_cast<int>(st->Items.size()) : 0;
    switch (m) {
    case WM_NCCREATE: {
        WinSetWindowKind(h, WINKIND_LISTBOX);
        st = NewState<TListState>(h);
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        if (cs->lpCreateParams && (cs->style & LBS_COMBOBOX)) st->Combo = static_cast<HWND>(cs->lpCreateParams);
        if (cs->style & LBS_NOREDRAW) st->NoRedraw = true;
        return DefWindowProcW(h, m, wp, lp);
    }
    case WM_CREATE:
        st->ItemHeight = DefaultItemHeight(h);
        if (OwnerDraw(h) && !(Style(h) & LBS_OWNERDRAWVARIABLE)) Measure(h, st, -1);
        UpdateScroll(h, st);
        return 0;
    case WM_NCDESTROY:
        for (int i = 0; i < n; ++i) SendDelete(h, st, i);
        FreeState<TListState>(h);
        SetFontOf(h, /*font=*/nullptr);
        return DefWindowProcW(h, m, wp, lp);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, PaintList); return 0;
    case WM_PRINTCLIENT: PaintList(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SIZE: UpdateScroll(h, st); return 0;
    case WM_SETFONT:
        SetFontOf(h, reinterpret_cast<HFONT>(wp));
        if (!OwnerDraw(h)) st->ItemHeight = DefaultItemHeight(h);
        UpdateScroll(h, st);
        if (LOWORD(lp)) Redraw(h, st);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropW(h, u"TessaroCtlFont"));
    case WM_SETREDRAW:
        st->NoRedraw = !wp;
        if (wp) InvalidateRect(h, /*lpRect=*/nullptr, TRUE);
        return 0;
    case WM_ENABLE: Redraw(h, st); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
        st->Focus = true;
        Redraw(h, st);
        if (Notify(h, st)) NotifyCommand(h, LBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        st->Focus = false;
        Redraw(h, st);
        if (Notify(h, st)) NotifyCommand(h, LBN_KILLFOCUS);
        return 0;
    case WM_MOUSEACTIVATE:
        if (st->Combo) return MA_NOACTIVATE;
        break;
    case WM_LBUTTONDOWN: {
        POINT p = PointOf(lp);
        if (st->Combo) {
            RECT rc = ClientRect(h);
            if (!PtInRect(&rc, p)) {
                // A press outside the open list closes it.
                SendMessageW(st->Combo, CBI_LISTDONE, FALSE, 0);
                return 0;
            }
            int i = ItemAt(h, st, p, /*clampOutside=*/false);
            if (i >= 0) UserSelect(h, st, i, /*shift=*/false, /*ctrl=*/false, /*toggle=*/false);
            st->Tracking = true;
            return 0;
        }
        SetFocus(h);
        int i = ItemAt(h, st, p, /*clampOutside=*/false);
        if (i < 0) return 0;
        UserSelect(h, st, i, (wp & MK_SHIFT) != 0, (wp & MK_CONTROL) != 0, /*toggle=*/true);
        st->Tracking = true;
        SetCapture(h);
        return 0;
    }
    case WM_MOUSEMOVE: {
        POINT p = PointOf(lp);
        if (st->Combo) {
            RECT rc = ClientRect(h);
            if (PtInRect(&rc, p)) {
                int i = ItemAt(h, st, p, /*clampOutside=*/false);
                if (i >= 0 && i != st->Cur) {
                    st->Cur = i;
                    Redraw(h, st);
                }
            }
            return 0;
        }
        if (st->Tracking && !(Style(h) & LBS_MULTIPLESEL)) {
            int i = ItemAt(h, st, p, /*clampOutside=*/true);
            if (i >= 0 && i != st->Cur)
                UserSelect(h, st, i, (Style(h) & LBS_EXTENDEDSEL) != 0, /*ctrl=*/false, /*toggle=*/false);
        }
        return 0;
    }
    case WM_LBUTTONUP:
        if (st->Combo) {
            RECT rc = ClientRect(h);
            POINT p = PointOf(lp);
            if (PtInRect(&rc, p) && ItemAt(h, st, p, /*clampOutside=*/false) >= 0) {
                st->Cur = ItemAt(h, st, p, /*clampOutside=*/false);
                SendMessageW(st->Combo, CBI_LISTDONE, TRUE, 0);
            }
            st->Tracking = false;
            return 0;
        }
        if (st->Tracking) {
            st->Tracking = false;
            ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (!st->Combo) st->Tracking = false;
        return 0;
    case WM_LBUTTONDBLCLK:
        if (st->Combo) return ListBoxProc(h, WM_LBUTTONDOWN, wp, lp);
        if (Notify(h, st) && ItemAt(h, st, PointOf(lp), /*clampOutside=*/false) >= 0) NotifyCommand(h, LBN_DBLCLK);
        return 0;
    case WM_MOUSEWHEEL:
        SetTop(h, st, st->Top + (GET_WHEEL_DELTA_WPARAM(wp) > 0 ? -3 : 3));
        return 0;
    case WM_VSCROLL: {
        int top;
        if (!TopFromScrollRequest(wp, st->Top, PerPage(h, st), n, top)) return 0;
        SetTop(h, st, top);
        return 0;
    }
    case WM_KEYDOWN: {
        if ((Style(h) & LBS_WANTKEYBOARDINPUT) && !st->Combo) {
            HWND p = Parent(h);
            LRESULT r = p ? SendMessageW(p, WM_VKEYTOITEM, MAKEWPARAM(static_cast<WORD>(wp), static_cast<WORD>(std::max(st->Cur, 0))), reinterpret_cast<LPARAM>(h)) : -1;
            if (r == -2) return 0;
        }
        if (n == 0) return 0;
        int cur = st->Cur < 0 ? -1 : st->Cur;
        int to = cur;
        switch (wp) {
        case VK_UP: to = cur <= 0 ? 0 : cur - 1; break;
        case VK_DOWN: to = std::min(cur + 1, n - 1); break;
        case VK_HOME: to = 0; break;
        case VK_END: to = n - 1; break;
        case VK_PRIOR: to = std::max(0, cur - PerPage(h, st) + 1); break;
        case VK_NEXT: to = std::min(n - 1, std::max(cur, 0) + PerPage(h, st) - 1); break;
        case VK_SPACE:
            if (Style(h) & LBS_MULTIPLESEL && cur >= 0)
                UserSelect(h, st, cur, /*shift=*/false, /*ctrl=*/false, /*toggle=*/true);
            return 0;
        default: return 0;
        }
        if (to < 0) return 0;
        bool shift = GetKeyState(VK_SHIFT) < 0;
        if (Style(h) & LBS_MULTIPLESEL) {
            st->Cur = to;
            EnsureVisible(h, st, to);
            Redraw(h, st);
        } else
            UserSelect(h, st, to, shift, /*ctrl=*/false, /*toggle=*/false);
        return 0;
    }
    case WM_CHAR: {
        if (wp < 32) return 0;
        std::u16string s(1, static_cast<char16_t>(wp));
        int i = FindString(st, st->Cur, s, /*exact=*/false);
        if (i >= 0) UserSelect(h, st, i, /*shift=*/false, /*ctrl=*/false, /*toggle=*/false);
        return 0;
    }
    // ---- LB_ messages ----
    case LB_ADDSTRING: return Insert(h, st, -1, lp, (Style(h) & LBS_SORT) != 0);
    case LB_INSERTSTRING: return Insert(h, st, static_cast<int>(static_cast<INT_PTR>(wp)), lp, /*sorted=*/false);
    case LB_DELETESTRING: {
        int i = static_cast<int>(wp);
        if (i < 0 || i >= n) return LB_ERR;
        SendDelete(h, st, i);
        st->Items.erase(st->Items.begin() + i);
        if (st->Cur == i) st->Cur = MultiSel(h) ? std::min(i, n - 2) : -1;
        else if (st->Cur > i) --st->Cur;
        if (st->Anchor >= static_cast<int>(st->Items.size())) st->Anchor = -1;
        SetTop(h, st, st->Top);
        return n - 1;
    }
    case LB_RESETCONTENT:
        for (int i = 0; i < n; ++i) SendDelete(h, st, i);
        st->Items.clear();
        st->Cur = st->Anchor = -1;
        st->Top = 0;
        UpdateScroll(h, st);
        Redraw(h, st);
        return 0;
    case LB_GETCOUNT: return n;
    case LB_GETTEXT: {
        int i = static_cast<int>(wp);
        if (i < 0 || i >= n || !lp) return LB_ERR;
        if (!HasStrings(h)) {
            *reinterpret_cast<ULONG_PTR*>(lp) = st->Items[i].Data;
            return sizeof(ULONG_PTR);
        }
        return CopyStringOut(h, st->Items[i].Text, lp);
    }
    case LB_GETTEXTLEN: {
        int i = static_cast<int>(wp);
        if (i < 0 || i >= n) return LB_ERR;
        return HasStrings(h) ? StringLength(h, st->Items[i].Text) : static_cast<LRESULT>(sizeof(ULONG_PTR));
    }
    case LB_GETITEMDATA: {
        int i = static_cast<int>(wp);
        if (i < 0 || i >= n) return LB_ERR;
        return static_cast<LRESULT>(st->Items[i].Data);
    }
    case LB_SETITEMDATA: {
        int i = static_cast<int>(wp);
        if (i < 0 || i >= n) return LB_ERR;
        st->Items[i].Data = static_cast<ULONG_PTR>(lp);
        return TRUE;
    }
    case LB_GETCURSEL:
        if (MultiSel(h)) return st->Cur;
        return st->Cur;
    case LB_SETCURSEL: {
        if (MultiSel(h)) return LB_ERR;
        int i = static_cast<int>(static_cast<INT_PTR>(wp));
        if (i < -1 || i >= n) {
            st->Cur = -1;
            Redraw(h, st);
            return LB_ERR;
        }
        st->Cur = i;
        if (i >= 0) EnsureVisible(h, st, i);
        Redraw(h, st);
        return i < 0 ? LB_ERR : i;
    }
    case LB_GETSEL: {
        int i = static_cast<int>(wp);
        if (i < 0 || i >= n) return LB_ERR;
        return MultiSel(h) ? (st->Items[i].Sel ? 1 : 0) : (i == st->Cur ? 1 : 0);
    }
    case LB_SETSEL: {
        if (!MultiSel(h)) return LB_ERR;
        int i = static_cast<int>(lp);
        if (i == -1) {
            for (auto& it : st->Items) it.Sel = wp != 0;
        } else {
            if (i < 0 || i >= n) return LB_ERR;
            st->Items[i].Sel = wp != 0;
            st->Cur = i;
            st->Anchor = i;
        }
        Redraw(h, st);
        return 0;
    }
    case LB_SELITEMRANGE:
    case LB_SELITEMRANGEEX: {
        if (!MultiSel(h)) return LB_ERR;
        int a, b;
        bool on;
        if (m == LB_SELITEMRANGE) {
            a = LOWORD(lp);
            b = HIWORD(lp);
            on = wp != 0;
        } else {
            a = static_cast<int>(wp);
            b = static_cast<int>(lp);
            on = a <= b;
            if (a > b) std::swap(a, b);
        }
        for (int i = std::max(a, 0); i <= std::min(b, n - 1); ++i) st->Items[i].Sel = on;
        Redraw(h, st);
        return 0;
    }
    case LB_GETSELCOUNT: {
        if (!MultiSel(h)) return LB_ERR;
        return std::count_if(st->Items.begin(), st->Items.end(), [](const TItem& it) { return it.Sel; });
    }
    case LB_GETSELITEMS: {
        if (!MultiSel(h)) return LB_ERR;
        auto* out = reinterpret_cast<int*>(lp);
        int k = 0;
        for (int i = 0; i < n && k < static_cast<int>(wp); ++i)
            if (st->Items[i].Sel) out[k++] = i;
        return k;
    }
    case LB_GETANCHORINDEX: return st->Anchor;
    case LB_SETANCHORINDEX: st->Anchor = static_cast<int>(wp); return 0;
    case LB_GETCARETINDEX: return st->Cur;
    case LB_SETCARETINDEX:
        if (static_cast<int>(wp) < 0 || static_cast<int>(wp) >= n) return LB_ERR;
        st->Cur = static_cast<int>(wp);
        EnsureVisible(h, st, st->Cur);
        return 0;
    case LB_GETTOPINDEX: return st->Top;
    case LB_SETTOPINDEX:
        if (static_cast<int>(wp) < 0 || (n && static_cast<int>(wp) >= n)) return LB_ERR;
        SetTop(h, st, static_cast<int>(wp));
        return 0;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT: {
        if (!HasStrings(h)) {
            for (int i = 0; i < n; ++i)
                if (st->Items[i].Data == static_cast<ULONG_PTR>(lp)) return i;
            return LB_ERR;
        }
        return FindString(st, static_cast<int>(static_cast<INT_PTR>(wp)), StringArg(h, lp), m == LB_FINDSTRINGEXACT);
    }
    case LB_SELECTSTRING: {
        int i = FindString(st, static_cast<int>(static_cast<INT_PTR>(wp)), StringArg(h, lp), /*exact=*/false);
        if (i < 0) return LB_ERR;
        if (MultiSel(h)) {
            st->Items[i].Sel = true;
            st->Cur = i;
        } else
            st->Cur = i;
        EnsureVisible(h, st, i);
        Redraw(h, st);
        return i;
    }
    case LB_GETITEMRECT: {
        int i = static_cast<int>(wp);
        if (i < 0 || (i >= n && !(i == 0 && n == 0)) || !lp) return LB_ERR;
        RECT rc = ClientRect(h);
        int y = ItemTop(h, st, i);
        *reinterpret_cast<RECT*>(lp) = RECT{rc.left, y, rc.right, y + HeightOf(h, st, i)};
        return 0;
    }
    case LB_ITEMFROMPOINT: {
        POINT p = PointOf(lp);
        RECT rc = ClientRect(h);
        int i = ItemAt(h, st, p, /*clampOutside=*/true);
        bool outside = !PtInRect(&rc, p) || ItemAt(h, st, p, /*clampOutside=*/false) < 0;
        return MAKELRESULT(static_cast<WORD>(std::max(i, 0)), outside ? 1 : 0);
    }
    case LB_GETITEMHEIGHT: return HeightOf(h, st, static_cast<int>(wp));
    case LB_SETITEMHEIGHT: {
        int ih = LOWORD(lp);
        if (ih <= 0 || ih > 255) return LB_ERR;
        if ((Style(h) & LBS_OWNERDRAWVARIABLE) && static_cast<int>(wp) < n)
            st->Items[wp].Height = ih;
        else
            st->ItemHeight = ih;
        UpdateScroll(h, st);
        Redraw(h, st);
        return 0;
    }
    case LB_SETCOUNT:
    case LB_INITSTORAGE: return n;
    case LB_SETTABSTOPS:
    case LB_SETCOLUMNWIDTH:
    case LB_SETHORIZONTALEXTENT: return TRUE;
    case LB_GETHORIZONTALEXTENT: return 0;
    case LB_GETLOCALE: return 0x0409;
    case LB_SETLOCALE: return 0x0409;
    // ---- internal, from the combo box ----
    case CBI_LISTSETCOMBO: st->Combo = reinterpret_cast<HWND>(wp); return 0;
    case CBI_LISTSTARTTRACK:
        st->Tracking = false;
        SetCapture(h);
        return 0;
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

LRESULT CALLBACK ComboBoxProc(HWND h, UINT m, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ScrollBarProc(HWND h, UINT m, WPARAM wp, LPARAM lp);

void RegisterListClasses() {
    RegisterCtlClass(u"ListBox", ListBoxProc, CS_DBLCLKS, /*cursor=*/nullptr, -1);
    RegisterCtlClass(u"ComboLBox", ListBoxProc, CS_DBLCLKS | CS_SAVEBITS, /*cursor=*/nullptr, -1);
    RegisterCtlClass(u"ComboBox", ComboBoxProc, CS_DBLCLKS | CS_PARENTDC, /*cursor=*/nullptr, -1);
    RegisterCtlClass(u"ScrollBar", ScrollBarProc, CS_DBLCLKS | CS_PARENTDC, /*cursor=*/nullptr, -1);
}

}  // namespace cc
