// "SysListView32": the report view (columns, sub-items, small images, single
// and multiple selection, whole-row selection, item data, sorting, hit tests,
// click and drag notifications). Other views are drawn as the report view.
#include <algorithm>
#include <cassert>

#include "platform/commctl/cc_internal.h"

namespace cc {

LRESULT CALLBACK HeaderProc(HWND h, UINT m, WPARAM wp, LPARAM lp);

namespace {

struct TColumn {
    int Fmt = LVCFMT_LEFT;
    int Cx = 60;
    std::u16string Text;
    int SubItem = 0;
    int Image = -1;
};

struct TLvItem {
    std::u16string Text;
    std::vector<std::u16string> Sub;  // sub-items 1..
    int Image = -1;
    LPARAM Param = 0;
    UINT State = 0;
    int Indent = 0;
};

struct TLvState {
    std::vector<TColumn> Columns;
    std::vector<TLvItem> Items;
    HWND Header = nullptr;
    DWORD ExStyle = 0;
    HIMAGELIST Images[3] = {nullptr, nullptr, nullptr};
    int Top = 0;
    int ScrollX = 0;
    int Mark = -1;  // selection mark (anchor of shift-selection)
    COLORREF Bk = CLR_DEFAULT, TextColor = CLR_DEFAULT, TextBk = CLR_DEFAULT;
    bool Focus = false;
    UINT CallbackMask = 0;
    // Mouse: pressed item and point, for clicks and the start of a drag.
    int Pressed = -1;
    POINT PressPt{};
    bool Dragging = false;
    bool PressedRight = false;
    bool AfterDouble = false;  // the release of a double click is no click
};

int RowHeight(HWND h, TLvState* st) {
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, FontOf(h));
    int th = TextHeight(dc);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    int ih = 0, iw = 0;
    if (st->Images[LVSIL_SMALL]) ImageList_GetIconSize(st->Images[LVSIL_SMALL], &iw, &ih);
    return std::max(th + 3, ih + 1);
}

int HeaderHeight(HWND h, TLvState* st) {
    if (!st->Header || !IsWindowVisible(st->Header)) return 0;
    RECT r;
    GetWindowRect(st->Header, &r);
    return r.bottom - r.top;
}

RECT ListRect(HWND h, TLvState* st) {
    RECT rc = ClientRect(h);
    rc.top += HeaderHeight(h, st);
    return rc;
}

int TotalWidth(TLvState* st) {
    int w = 0;
    for (auto& c : st->Columns) w += c.Cx;
    return w;
}

int PerPage(HWND h, TLvState* st) {
    RECT r = ListRect(h, st);
    return std::max(1, static_cast<int>((r.bottom - r.top) / RowHeight(h, st)));
}

void Layout(HWND h, TLvState* st) {
    if (!st->Header) return;
    RECT rc = ClientRect(h);
    bool show = (Style(h) & LVS_TYPEMASK) == LVS_REPORT && !(Style(h) & LVS_NOCOLUMNHEADER);
    WINDOWPOS wpos{};
    RECT r = rc;
    HDLAYOUT lay{&r, &wpos};
    SendMessageW(st->Header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&lay));
    int width = std::max<int>(rc.right - rc.left, TotalWidth(st) + 200);
    SetWindowPos(st->Header, /*hWndInsertAfter=*/nullptr, -st->ScrollX, 0, width + st->ScrollX, wpos.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void UpdateScroll(HWND h, TLvState* st) {
    int n = static_cast<int>(st->Items.size());
    int per = PerPage(h, st);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, std::max(n - 1, 0), static_cast<UINT>(per), st->Top, 0};
    bool needV = n > per;
    if (!needV && st->Top) st->Top = 0;
    ShowScrollBar(h, SB_VERT, needV);
    if (needV) SetScrollInfo(h, SB_VERT, &si, TRUE);
    RECT rc = ClientRect(h);
    int total = TotalWidth(st);
    bool needH = total > rc.right - rc.left && !(Style(h) & LVS_NOSCROLL);
    if (!needH) st->ScrollX = 0;
    ShowScrollBar(h, SB_HORZ, needH);
    if (needH) {
        SCROLLINFO sh{sizeof sh, SIF_RANGE | SIF_PAGE | SIF_POS, 0, total - 1, static_cast<UINT>(rc.right - rc.left), st->ScrollX, 0};
        SetScrollInfo(h, SB_HORZ, &sh, TRUE);
    }
    Layout(h, st);
}

void Redraw(HWND h) { InvalidateRect(h, /*lpRect=*/nullptr, FALSE); }

// Column left edges in client coordinates.
int ColumnLeft(TLvState* st, int col) {
    int x = -st->ScrollX;
    for (int i = 0; i < col && i < static_cast<int>(st->Columns.size()); ++i) x += st->Columns[i].Cx;
    return x;
}

RECT RowRect(HWND h, TLvState* st, int i) {
    RECT lr = ListRect(h, st);
    int rh = RowHeight(h, st);
    int y = lr.top + (i - st->Top) * rh;
    int w = st->Columns.empty() ? lr.right : TotalWidth(st);
    return RECT{-st->ScrollX, y, -st->ScrollX + w, y + rh};
}

RECT IconRect(HWND h, TLvState* st, int i) {
    RECT r = RowRect(h, st, i);
    int iw = 0, ih = 0;
    if (st->Images[LVSIL_SMALL]) ImageList_GetIconSize(st->Images[LVSIL_SMALL], &iw, &ih);
    int x = r.left + 2 + (i >= 0 && i < static_cast<int>(st->Items.size()) ? st->Items[i].Indent * iw : 0);
    return RECT{x, r.top, x + iw, r.bottom};
}

RECT LabelRect(HWND h, TLvState* st, int i) {
    RECT r = RowRect(h, st, i);
    RECT ic = IconRect(h, st, i);
    int right = st->Columns.empty() ? r.right : r.left + st->Columns[0].Cx;
    return RECT{ic.right + (ic.right > ic.left ? 2 : 0), r.top, std::max<int>(right, ic.right), r.bottom};
}

RECT SelectRect(HWND h, TLvState* st, int i) {
    if (st->ExStyle & LVS_EX_FULLROWSELECT) return RowRect(h, st, i);
    return LabelRect(h, st, i);
}

std::u16string SubText(TLvState* st, int i, int sub) {
    assert(i >= 0 && i < static_cast<int>(st->Items.size()));
    const TLvItem& it = st->Items[i];
    if (sub == 0) return it.Text;
    return sub - 1 < static_cast<int>(it.Sub.size()) ? it.Sub[sub - 1] : std::u16string();
}

void Paint(HWND h, HDC dc) {
    auto* st = State<TLvState>(h);
    RECT rc = ClientRect(h);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(h));
    COLORREF bk = st->Bk == CLR_DEFAULT ? Sys(COLOR_WINDOW) : st->Bk;
    COLORREF textColor = st->TextColor == CLR_DEFAULT ? Sys(COLOR_WINDOWTEXT) : st->TextColor;
    RECT lr = ListRect(h, st);
    if (st->Bk != CLR_NONE) FillSolid(dc, lr, bk);
    SetBkMode(dc, TRANSPARENT);
    bool enabled = IsWindowEnabled(h);
    bool full = (st->ExStyle & LVS_EX_FULLROWSELECT) != 0;
    int n = static_cast<int>(st->Items.size());
    int rh = RowHeight(h, st);
    HRGN clip = CreateRectRgn(lr.left, lr.top, lr.right, lr.bottom);
    SelectClipRgn(dc, clip);
    for (int i = st->Top; i < n; ++i) {
        RECT row = RowRect(h, st, i);
        if (row.top >= rc.bottom) break;
        const TLvItem& it = st->Items[i];
        bool sel = (it.State & LVIS_SELECTED) != 0;
        bool showSel = sel && (st->Focus || (Style(h) & LVS_SHOWSELALWAYS) || (it.State & LVIS_DROPHILITED));
        COLORREF selBk = st->Focus ? Sys(COLOR_HIGHLIGHT) : Sys(COLOR_BTNFACE);
        COLORREF selText = st->Focus ? Sys(COLOR_HIGHLIGHTTEXT) : Sys(COLOR_BTNTEXT);
        if (it.State & LVIS_DROPHILITED) {
            selBk = Sys(COLOR_HIGHLIGHT);
            selText = Sys(COLOR_HIGHLIGHTTEXT);
        }
        RECT selr = SelectRect(h, st, i);
        if (showSel) FillSolid(dc, selr, selBk);
        int cols = std::max<int>(1, static_cast<int>(st->Columns.size()));
        for (int c = 0; c < cols; ++c) {
            int left = ColumnLeft(st, c);
            int right = st->Columns.empty() ? rc.right : left + st->Columns[c].Cx;
            RECT cell{left, row.top, right, row.bottom};
            if (c == 0) {
                if (st->Images[LVSIL_SMALL] && it.Image >= 0) {
                    RECT ic = IconRect(h, st, i);
                    int iw, ih;
                    ImageList_GetIconSize(st->Images[LVSIL_SMALL], &iw, &ih);
                    ImageList_Draw(st->Images[LVSIL_SMALL], it.Image, dc, ic.left, row.top + (rh - ih) / 2,
                                   ILD_TRANSPARENT | (showSel && st->Focus ? ILD_SELECTED : 0));
                }
                cell.left = LabelRect(h, st, i).left;
            }
            RECT tr{cell.left + (c == 0 ? 2 : 6), cell.top, cell.right - 6, cell.bottom};
            int fmt = st->Columns.empty() ? LVCFMT_LEFT : st->Columns[c].Fmt & LVCFMT_JUSTIFYMASK;
            UINT align = fmt == LVCFMT_RIGHT ? DT_RIGHT : fmt == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
            bool inSel = showSel && (full || c == 0);
            SetTextColor(dc, !enabled ? Sys(COLOR_GRAYTEXT) : inSel ? selText : textColor);
            int sub = st->Columns.empty() ? 0 : st->Columns[c].SubItem;
            Text(dc, SubText(st, i, sub), tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS | align);
        }
        if (st->ExStyle & LVS_EX_GRIDLINES) {
            HLine(dc, row.left, std::max<int>(row.right, rc.right), row.bottom - 1, Sys(COLOR_BTNFACE));
        }
        if (st->Focus && (it.State & LVIS_FOCUSED)) {
            RECT f = selr;
            DrawFocusRect(dc, &f);
        }
    }
    if (st->ExStyle & LVS_EX_GRIDLINES) {
        int x = -st->ScrollX;
        for (auto& c : st->Columns) {
            x += c.Cx;
            VLine(dc, x - 1, lr.top, lr.bottom, Sys(COLOR_BTNFACE));
        }
    }
    SelectClipRgn(dc, /*Region=*/nullptr);
    DeleteObject(clip);
    SelectObject(dc, oldFont);
}

// ---- State changes with notifications ------------------------------------------------
bool SetState(HWND h, TLvState* st, int i, UINT state, UINT mask, POINT pt = POINT{-1, -1}) {
    assert(i >= 0 && i < static_cast<int>(st->Items.size()));
    TLvItem& it = st->Items[i];
    UINT next = (it.State & ~mask) | (state & mask);
    if (next == it.State) return false;
    NMLISTVIEW nm{};
    nm.iItem = i;
    nm.uNewState = next;
    nm.uOldState = it.State;
    nm.uChanged = LVIF_STATE;
    nm.ptAction = pt;
    nm.lParam = it.Param;
    if (NotifyParent(h, nm.hdr, LVN_ITEMCHANGING)) return false;
    if (i >= static_cast<int>(st->Items.size())) return false;
    st->Items[i].State = next;
    return true;
}

// Applies a state and sends LVN_ITEMCHANGED with the old and new states.
bool Change(HWND h, TLvState* st, int i, UINT state, UINT mask, POINT pt = POINT{-1, -1});
bool Change(HWND h, TLvState* st, int i, UINT state, UINT mask, POINT pt) {
    if (i < 0 || i >= static_cast<int>(st->Items.size())) return false;
    UINT old = st->Items[i].State;
    if (!SetState(h, st, i, state, mask, pt)) return false;
    UINT now = st->Items[i].State;
    // One focused item; one selected item in a single-selection list.
    if ((now & LVIS_FOCUSED) && !(old & LVIS_FOCUSED))
        for (int k = 0; k < static_cast<int>(st->Items.size()); ++k)
            if (k != i && (st->Items[k].State & LVIS_FOCUSED)) Change(h, st, k, 0, LVIS_FOCUSED, pt);
    if ((now & LVIS_SELECTED) && !(old & LVIS_SELECTED) && (Style(h) & LVS_SINGLESEL))
        for (int k = 0; k < static_cast<int>(st->Items.size()); ++k)
            if (k != i && (st->Items[k].State & LVIS_SELECTED)) Change(h, st, k, 0, LVIS_SELECTED, pt);
    // The parent may have removed items while handling the notifications above.
    if (i >= static_cast<int>(st->Items.size())) return true;
    NMLISTVIEW nm{};
    nm.iItem = i;
    nm.uNewState = now;
    nm.uOldState = old;
    nm.uChanged = LVIF_STATE;
    nm.ptAction = pt;
    nm.lParam = st->Items[i].Param;
    NotifyParent(h, nm.hdr, LVN_ITEMCHANGED);
    Redraw(h);
    return true;
}

void SelectOnly(HWND h, TLvState* st, int keep) {
    for (int k = 0; k < static_cast<int>(st->Items.size()); ++k)
        if (k != keep && (st->Items[k].State & LVIS_SELECTED)) Change(h, st, k, 0, LVIS_SELECTED);
}

void EnsureVisible(HWND h, TLvState* st, int i) {
    if (i < 0) return;
    int per = PerPage(h, st);
    if (i < st->Top) st->Top = i;
    else if (i >= st->Top + per) st->Top = i - per + 1;
    UpdateScroll(h, st);
    Redraw(h);
}

int ItemAtPoint(HWND h, TLvState* st, POINT p, UINT* flags, int* sub) {
    RECT lr = ListRect(h, st);
    if (flags) *flags = 0;
    if (sub) *sub = -1;
    if (p.y < lr.top) {
        if (flags) *flags = LVHT_ABOVE;
        return -1;
    }
    int rh = RowHeight(h, st);
    int i = st->Top + (p.y - lr.top) / rh;
    if (i >= static_cast<int>(st->Items.size()) || i < 0) {
        if (flags) *flags = i < 0 ? LVHT_ABOVE : LVHT_NOWHERE;
        return -1;
    }
    int x = -st->ScrollX;
    int col = -1;
    for (int c = 0; c < static_cast<int>(st->Columns.size()); ++c) {
        if (p.x >= x && p.x < x + st->Columns[c].Cx) {
            col = c;
            break;
        }
        x += st->Columns[c].Cx;
    }
    if (st->Columns.empty()) col = 0;
    if (sub) *sub = col;
    if (col < 0) {
        if (flags) *flags = LVHT_NOWHERE | (p.x < 0 ? LVHT_TOLEFT : LVHT_TORIGHT);
        return (st->ExStyle & LVS_EX_FULLROWSELECT) ? -1 : -1;
    }
    RECT ic = IconRect(h, st, i);
    UINT f;
    if (col == 0 && p.x >= ic.left && p.x < ic.right && st->Images[LVSIL_SMALL])
        f = LVHT_ONITEMICON;
    else if (col == 0 || (st->ExStyle & LVS_EX_FULLROWSELECT))
        f = LVHT_ONITEMLABEL;
    else
        f = LVHT_ONITEMLABEL;  // sub-items: on the item as far as hit tests go
    if (flags) *flags = f;
    // Without whole-row selection only the first column selects the item.
    return i;
}

int ClickableItem(HWND h, TLvState* st, POINT p) {
    int sub;
    UINT f;
    int i = ItemAtPoint(h, st, p, &f, &sub);
    if (i < 0) return -1;
    if (sub != 0 && !(st->ExStyle & LVS_EX_FULLROWSELECT)) {
        RECT lab = LabelRect(h, st, i);
        if (!PtInRect(&lab, p)) return -1;
    }
    return i;
}

void ItemActivate(HWND h, TLvState* st, UINT code, int i, POINT p) {
    NMITEMACTIVATE nm{};
    nm.iItem = i;
    nm.iSubItem = 0;
    nm.ptAction = p;
    if (i >= 0) {
        nm.uNewState = st->Items[i].State;
        nm.lParam = st->Items[i].Param;
    }
    if (GetKeyState(VK_SHIFT) < 0) nm.uKeyFlags |= 0x4;  // LVKF_SHIFT
    if (GetKeyState(VK_CONTROL) < 0) nm.uKeyFlags |= 0x2;
    NotifyParent(h, nm.hdr, code);
}

void ClickSelect(HWND h, TLvState* st, int i, bool shift, bool ctrl, POINT p) {
    bool single = (Style(h) & LVS_SINGLESEL) != 0;
    if (i < 0) {
        if (!shift && !ctrl) SelectOnly(h, st, -1);
        return;
    }
    if (shift && !single && st->Mark >= 0) {
        int a = std::min(st->Mark, i), b = std::max(st->Mark, i);
        for (int k = 0; k < static_cast<int>(st->Items.size()); ++k)
            if ((k < a || k > b) && !ctrl) Change(h, st, k, 0, LVIS_SELECTED, p);
        for (int k = a; k <= b; ++k) Change(h, st, k, LVIS_SELECTED, LVIS_SELECTED, p);
        Change(h, st, i, LVIS_FOCUSED, LVIS_FOCUSED, p);
    } else if (ctrl && !single) {
        bool on = !(st->Items[i].State & LVIS_SELECTED);
        Change(h, st, i, (on ? LVIS_SELECTED : 0) | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, p);
        st->Mark = i;
    } else {
        SelectOnly(h, st, i);
        Change(h, st, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, p);
        st->Mark = i;
    }
}

int Focused(TLvState* st) {
    for (int k = 0; k < static_cast<int>(st->Items.size()); ++k)
        if (st->Items[k].State & LVIS_FOCUSED) return k;
    return -1;
}

// ---- Items and columns from LVITEM / LVCOLUMN (A or W) -----------------------------------
template <class LVI>
std::u16string TextOfItem(const LVI* li, bool wide) {
    if (!li->pszText || reinterpret_cast<intptr_t>(li->pszText) == -1) return {};
    return wide ? std::u16string(reinterpret_cast<LPCWSTR>(li->pszText)) : Utf8ToUtf16(reinterpret_cast<LPCSTR>(li->pszText));
}

int CompareText(const std::u16string& a, const std::u16string& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x + 32);
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y + 32);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

template <class LVI>
LRESULT InsertItem(HWND h, TLvState* st, const LVI* li, bool wide) {
    if (!li || li->iSubItem != 0) return -1;
    TLvItem it;
    if (li->mask & LVIF_TEXT) it.Text = TextOfItem(li, wide);
    if (li->mask & LVIF_IMAGE) it.Image = li->iImage;
    if (li->mask & LVIF_PARAM) it.Param = li->lParam;
    if (li->mask & LVIF_INDENT) it.Indent = li->iIndent;
    UINT state = (li->mask & LVIF_STATE) ? (li->state & li->stateMask) : 0;
    int n = static_cast<int>(st->Items.size());
    int at = std::clamp(li->iItem, 0, n);
    DWORD sort = Style(h) & (LVS_SORTASCENDING | LVS_SORTDESCENDING);
    if (sort) {
        at = n;
        for (int k = 0; k < n; ++k) {
            int c = CompareText(it.Text, st->Items[k].Text);
            if ((sort & LVS_SORTASCENDING) ? c < 0 : c > 0) {
                at = k;
                break;
            }
        }
    }
    st->Items.insert(st->Items.begin() + at, it);
    if (st->Mark >= at) ++st->Mark;
    NMLISTVIEW nm{};
    nm.iItem = at;
    nm.lParam = it.Param;
    NotifyParent(h, nm.hdr, LVN_INSERTITEM);
    if (state) Change(h, st, at, state, state);
    UpdateScroll(h, st);
    Redraw(h);
    return at;
}

template <class LVI>
LRESULT SetItem(HWND h, TLvState* st, const LVI* li, bool wide) {
    if (!li || li->iItem < 0 || li->iItem >= static_cast<int>(st->Items.size())) return FALSE;
    TLvItem& it = st->Items[li->iItem];
    if (li->mask & LVIF_TEXT) {
        std::u16string t = TextOfItem(li, wide);
        if (li->iSubItem == 0)
            it.Text = t;
        else if (li->iSubItem > 0) {
            if (static_cast<int>(it.Sub.size()) < li->iSubItem) it.Sub.resize(static_cast<std::size_t>(li->iSubItem));
            it.Sub[li->iSubItem - 1] = t;
        }
    }
    if (li->iSubItem == 0) {
        if (li->mask & LVIF_IMAGE) it.Image = li->iImage;
        if (li->mask & LVIF_PARAM) it.Param = li->lParam;
        if (li->mask & LVIF_INDENT) it.Indent = li->iIndent;
        if (li->mask & LVIF_STATE) Change(h, st, li->iItem, li->state, li->stateMask);
    }
    Redraw(h);
    return TRUE;
}

template <class LVI>
LRESULT GetItem(HWND, TLvState* st, LVI* li, bool wide) {
    if (!li || li->iItem < 0 || li->iItem >= static_cast<int>(st->Items.size())) return FALSE;
    const TLvItem& it = st->Items[li->iItem];
    if ((li->mask & LVIF_TEXT) && li->pszText && li->cchTextMax > 0) {
        std::u16string t = SubText(st, li->iItem, li->iSubItem);
        if (wide)
            CopyW(t, reinterpret_cast<LPWSTR>(li->pszText), li->cchTextMax);
        else
            CopyA(Utf16ToUtf8(t), reinterpret_cast<LPSTR>(li->pszText), li->cchTextMax);
    }
    if (li->mask & LVIF_IMAGE) li->iImage = it.Image;
    if (li->mask & LVIF_PARAM) li->lParam = it.Param;
    if (li->mask & LVIF_STATE) li->state = it.State & li->stateMask;
    if (li->mask & LVIF_INDENT) li->iIndent = it.Indent;
    return TRUE;
}

template <class LVC>
LRESULT SetColumn(HWND h, TLvState* st, int i, const LVC* lc, bool wide, bool insert) {
    if (!lc) return -1;
    int n = static_cast<int>(st->Columns.size());
    if (insert) {
        i = std::clamp(i, 0, n);
        TColumn c;
        c.SubItem = i;
        st->Columns.insert(st->Columns.begin() + i, c);
    } else if (i < 0 || i >= n) {
        return FALSE;
    }
    TColumn& c = st->Columns[i];
    if (lc->mask & LVCF_FMT) c.Fmt = lc->fmt;
    if (lc->mask & LVCF_WIDTH) c.Cx = std::max(lc->cx, 0);
    if (lc->mask & LVCF_TEXT)
        c.Text = !lc->pszText ? std::u16string()
                 : wide       ? std::u16string(reinterpret_cast<LPCWSTR>(lc->pszText))
                              : Utf8ToUtf16(reinterpret_cast<LPCSTR>(lc->pszText));
    if (lc->mask & LVCF_SUBITEM) c.SubItem = lc->iSubItem;
    if (lc->mask & LVCF_IMAGE) c.Image = lc->iImage;
    if (st->Header) {
        HDITEMW hd{};
        hd.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT | HDI_LPARAM;
        hd.cxy = c.Cx;
        hd.pszText = c.Text.data();
        hd.fmt = HDF_STRING | ((c.Fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT ? HDF_RIGHT : (c.Fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER ? HDF_CENTER : HDF_LEFT);
        hd.lParam = i;
        SendMessageW(st->Header, insert ? HDM_INSERTITEMW : HDM_SETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&hd));
    }
    UpdateScroll(h, st);
    Redraw(h);
    return insert ? i : TRUE;
}

template <class LVC>
LRESULT GetColumn(TLvState* st, int i, LVC* lc, bool wide) {
    if (!lc || i < 0 || i >= static_cast<int>(st->Columns.size())) return FALSE;
    const TColumn& c = st->Columns[i];
    if (lc->mask & LVCF_FMT) lc->fmt = c.Fmt;
    if (lc->mask & LVCF_WIDTH) lc->cx = c.Cx;
    if (lc->mask & LVCF_SUBITEM) lc->iSubItem = c.SubItem;
    if (lc->mask & LVCF_IMAGE) lc->iImage = c.Image;
    if (lc->mask & LVCF_ORDER) lc->iOrder = i;
    if ((lc->mask & LVCF_TEXT) && lc->pszText) {
        if (wide)
            CopyW(c.Text, reinterpret_cast<LPWSTR>(lc->pszText), lc->cchTextMax);
        else
            CopyA(Utf16ToUtf8(c.Text), reinterpret_cast<LPSTR>(lc->pszText), lc->cchTextMax);
    }
    return TRUE;
}

void DeleteAt(HWND h, TLvState* st, int i, bool notify) {
    // The item exists on entry; only the notification may take it away.
    assert(i >= 0 && i < static_cast<int>(st->Items.size()));
    if (notify) {
        NMLISTVIEW nm{};
        nm.iItem = i;
        nm.lParam = st->Items[i].Param;
        NotifyParent(h, nm.hdr, LVN_DELETEITEM);
    }
    if (i >= static_cast<int>(st->Items.size())) return;
    st->Items.erase(st->Items.begin() + i);
    if (st->Mark == i) st->Mark = -1;
    else if (st->Mark > i) --st->Mark;
}

template <class LVF>
LRESULT FindItem(TLvState* st, int start, const LVF* fi, bool wide) {
    if (!fi) return -1;
    int n = static_cast<int>(st->Items.size());
    std::u16string s;
    if (fi->flags & (LVFI_STRING | LVFI_PARTIAL))
        s = fi->psz ? (wide ? std::u16string(reinterpret_cast<LPCWSTR>(fi->psz)) : Utf8ToUtf16(reinterpret_cast<LPCSTR>(fi->psz))) : std::u16string();
    for (int k = 0; k < n; ++k) {
        int i = start + 1 + k;
        if (i >= n) {
            if (!(fi->flags & LVFI_WRAP)) break;
            i -= n;
        }
        const TLvItem& it = st->Items[i];
        if ((fi->flags & LVFI_PARAM) && it.Param != fi->lParam) continue;
        if (fi->flags & LVFI_PARTIAL) {
            if (it.Text.size() < s.size() || CompareText(it.Text.substr(0, s.size()), s) != 0) continue;
        } else if ((fi->flags & LVFI_STRING) && CompareText(it.Text, s) != 0) {
            continue;
        }
        return i;
    }
    return -1;
}

void KeyNav(HWND h, TLvState* st, WPARAM vk) {
    NMLVKEYDOWN kd{};
    kd.wVKey = static_cast<WORD>(vk);
    NotifyParent(h, kd.hdr, LVN_KEYDOWN);
    int n = static_cast<int>(st->Items.size());
    if (n == 0) return;
    bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    int cur = Focused(st);
    int to;
    switch (vk) {
    case VK_UP: to = std::max(cur - 1, 0); break;
    case VK_DOWN: to = std::min(cur + 1, n - 1); break;
    case VK_HOME: to = 0; break;
    case VK_END: to = n - 1; break;
    case VK_PRIOR: to = std::max(cur - PerPage(h, st) + 1, 0); break;
    case VK_NEXT: to = std::min(std::max(cur, 0) + PerPage(h, st) - 1, n - 1); break;
    case VK_SPACE:
        if (cur >= 0) Change(h, st, cur, ctrl && (st->Items[cur].State & LVIS_SELECTED) ? 0 : LVIS_SELECTED, LVIS_SELECTED);
        return;
    case 'A':
        if (ctrl && !(Style(h) & LVS_SINGLESEL))
            for (int k = 0; k < n; ++k) Change(h, st, k, LVIS_SELECTED, LVIS_SELECTED);
        return;
    case VK_RETURN:
        if (cur >= 0) ItemActivate(h, st, NM_RETURN, cur, POINT{0, 0});
        return;
    default: return;
    }
    if (cur < 0) to = 0;
    if (ctrl && !(Style(h) & LVS_SINGLESEL)) {
        Change(h, st, to, LVIS_FOCUSED, LVIS_FOCUSED);
    } else {
        ClickSelect(h, st, to, shift, /*ctrl=*/false, POINT{-1, -1});
        if (!shift) st->Mark = to;
    }
    EnsureVisible(h, st, to);
}

}  // namespace

// The item's small image and label on the window colour, as an image list of
// one image; Pt gets the image's upper-left corner in client coordinates.
LRESULT CreateDragImage(HWND h, TLvState* st, int i, POINT* pt) {
    if (i < 0 || i >= static_cast<int>(st->Items.size())) return 0;
    const TLvItem& it = st->Items[static_cast<std::size_t>(i)];
    RECT row = RowRect(h, st, i);
    RECT icon = IconRect(h, st, i);
    RECT label = LabelRect(h, st, i);
    HDC screen = GetDC(h);
    HGDIOBJ oldFont = SelectObject(screen, FontOf(h));
    int textW = TextWidth(screen, it.Text);
    SelectObject(screen, oldFont);
    ReleaseDC(h, screen);
    int left = icon.left, w = std::max<int>(1, label.left + 2 + textW + 2 - left), hgt = row.bottom - row.top;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -hgt;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, /*Section=*/nullptr, 0);
    if (!bmp) {
        DeleteDC(dc);
        return 0;
    }
    HGDIOBJ oldBmp = SelectObject(dc, bmp);
    FillSolid(dc, RECT{0, 0, w, hgt}, st->Bk == CLR_DEFAULT || st->Bk == CLR_NONE ? Sys(COLOR_WINDOW) : st->Bk);
    if (st->Images[LVSIL_SMALL] && it.Image >= 0) {
        int iw = 0, ih = 0;
        ImageList_GetIconSize(st->Images[LVSIL_SMALL], &iw, &ih);
        ImageList_Draw(st->Images[LVSIL_SMALL], it.Image, dc, 0, (hgt - ih) / 2, ILD_TRANSPARENT);
    }
    oldFont = SelectObject(dc, FontOf(h));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, st->TextColor == CLR_DEFAULT ? Sys(COLOR_WINDOWTEXT) : st->TextColor);
    Text(dc, it.Text, RECT{label.left - left + 2, 0, w, hgt}, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBmp);
    DeleteDC(dc);
    HIMAGELIST list = ImageList_Create(w, hgt, ILC_COLOR32 | ILC_MASK, 1, 0);
    ImageList_Add(list, bmp, /*hbmMask=*/nullptr);
    DeleteObject(bmp);
    if (pt) *pt = POINT{left, row.top};
    return reinterpret_cast<LRESULT>(list);
}

namespace {

LRESULT OnCreate(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    st->Header =
        CreateWindowExW(0, u"SysHeader32", u"", WS_CHILD | HDS_BUTTONS | HDS_HORZ, 0, 0, 10, 10, h,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(0)), /*hInstance=*/nullptr, /*lpParam=*/nullptr);
    SendMessageW(st->Header, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(h)), FALSE);
    UpdateScroll(h, st);
    return 0;
}

LRESULT OnDestroy(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    const int n = static_cast<int>(st->Items.size());
    NMHDR hdr{};
    if (!NotifyParent(h, hdr, LVN_DELETEALLITEMS))
        for (int i = n - 1; i >= 0 && State<TLvState>(h); --i) {
            NMLISTVIEW nm{};
            nm.iItem = i;
            nm.lParam = st->Items[i].Param;
            NotifyParent(h, nm.hdr, LVN_DELETEITEM);
        }
    return 0;
}

LRESULT OnNcDestroy(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    if (!(Style(h) & LVS_SHAREIMAGELISTS))
        for (auto il : st->Images)
            if (il) ImageList_Destroy(il);
    FreeState<TLvState>(h);
    SetFontOf(h, /*font=*/nullptr);
    return DefWindowProcW(h, m, wp, lp);
}

LRESULT OnSetFont(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    SetFontOf(h, reinterpret_cast<HFONT>(wp));
    if (st->Header) SendMessageW(st->Header, WM_SETFONT, wp, lp);
    UpdateScroll(h, st);
    if (LOWORD(lp)) Redraw(h);
    return 0;
}

LRESULT OnSetFocus(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    st->Focus = true;
    Redraw(h);
    NMHDR hdr{};
    NotifyParent(h, hdr, NM_SETFOCUS);
    return 0;
}

LRESULT OnKillFocus(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    st->Focus = false;
    Redraw(h);
    NMHDR hdr{};
    NotifyParent(h, hdr, NM_KILLFOCUS);
    return 0;
}

// A press selects and may start a drag; the release finishes the click.
LRESULT OnButtonDown(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    SetFocus(h);
    POINT p = PointOf(lp);
    int i = ClickableItem(h, st, p);
    bool shift = (wp & MK_SHIFT) != 0, ctrl = (wp & MK_CONTROL) != 0;
    if (m == WM_RBUTTONDOWN) {
        if (i >= 0 && !(st->Items[i].State & LVIS_SELECTED)) ClickSelect(h, st, i, /*shift=*/false, /*ctrl=*/false, p);
        else if (i >= 0) Change(h, st, i, LVIS_FOCUSED, LVIS_FOCUSED, p);
    } else if (i >= 0 && (st->Items[i].State & LVIS_SELECTED) && !shift && !ctrl) {
        // A press on a selection may start a drag: the others stay selected until release.
        Change(h, st, i, LVIS_FOCUSED, LVIS_FOCUSED, p);
    } else {
        ClickSelect(h, st, i, shift, ctrl, p);
    }
    st->Pressed = i;
    st->PressPt = p;
    st->Dragging = false;
    st->PressedRight = m == WM_RBUTTONDOWN;
    st->AfterDouble = false;
    SetCapture(h);
    return 0;
}

LRESULT OnMouseMove(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    if (GetCapture() == h && st->Pressed >= 0 && !st->Dragging) {
        POINT p = PointOf(lp);
        if (std::abs(p.x - st->PressPt.x) > GetSystemMetrics(SM_CXDRAG) ||
            std::abs(p.y - st->PressPt.y) > GetSystemMetrics(SM_CYDRAG)) {
            st->Dragging = true;
            int i = st->Pressed;
            ReleaseCapture();
            NMLISTVIEW nm{};
            nm.iItem = i;
            nm.ptAction = st->PressPt;
            nm.lParam = st->Items[i].Param;
            NotifyParent(h, nm.hdr, st->PressedRight ? LVN_BEGINRDRAG : LVN_BEGINDRAG);
        }
    }
    return 0;
}

LRESULT OnButtonUp(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    if (GetCapture() != h) {
        st->Pressed = -1;
        return 0;
    }
    ReleaseCapture();
    POINT p = PointOf(lp);
    int i = st->Pressed;
    st->Pressed = -1;
    if (st->Dragging) return 0;
    if (st->PressedRight != (m == WM_RBUTTONUP)) return 0;
    if (m == WM_LBUTTONUP && i >= 0 && !(wp & (MK_SHIFT | MK_CONTROL))) {
        // The click on a selection ends as a plain click: only this one stays selected.
        SelectOnly(h, st, i);
        st->Mark = i;
    }
    if (st->AfterDouble) return 0;
    ItemActivate(h, st, m == WM_LBUTTONUP ? NM_CLICK : NM_RCLICK, ClickableItem(h, st, p), p);
    if (m == WM_RBUTTONUP) {
        POINT s = p;
        ClientToScreen(h, &s);
        if (HWND par = Parent(h)) SendMessageW(par, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), MAKELPARAM(static_cast<WORD>(s.x), static_cast<WORD>(s.y)));
    }
    return 0;
}

LRESULT OnDoubleClick(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    POINT p = PointOf(lp);
    int i = ClickableItem(h, st, p);
    ItemActivate(h, st, m == WM_LBUTTONDBLCLK ? NM_DBLCLK : NM_RDBLCLK, i, p);
    if (i >= 0 && m == WM_LBUTTONDBLCLK) ItemActivate(h, st, LVN_ITEMACTIVATE, i, p);
    // The second press may still start a drag.
    if (IsWindow(h) && State<TLvState>(h)) {
        st->Pressed = i;
        st->PressPt = p;
        st->Dragging = false;
        st->PressedRight = m == WM_RBUTTONDBLCLK;
        st->AfterDouble = true;
        SetCapture(h);
    }
    return 0;
}

LRESULT OnVScroll(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    const int n = static_cast<int>(st->Items.size());
    int top;
    if (!TopFromScrollRequest(wp, st->Top, PerPage(h, st), n, top)) return 0;
    st->Top = std::clamp(top, 0, std::max(0, n - PerPage(h, st)));
    UpdateScroll(h, st);
    Redraw(h);
    return 0;
}

LRESULT OnHScroll(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    RECT rc = ClientRect(h);
    int x = st->ScrollX, page = rc.right - rc.left;
    switch (LOWORD(wp)) {
    case SB_LINELEFT: x -= 16; break;
    case SB_LINERIGHT: x += 16; break;
    case SB_PAGELEFT: x -= page; break;
    case SB_PAGERIGHT: x += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: x = static_cast<short>(HIWORD(wp)); break;
    default: return 0;
    }
    st->ScrollX = std::clamp(x, 0, std::max(0, TotalWidth(st) - page));
    UpdateScroll(h, st);
    Redraw(h);
    return 0;
}

// The header's notifications: column widths, column clicks, passed on to the parent.
LRESULT OnNotify(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    auto* hdr = reinterpret_cast<NMHDR*>(lp);
    if (hdr && hdr->hwndFrom == st->Header) {
        UINT code = hdr->code;
        auto* nh = reinterpret_cast<NMHEADERW*>(lp);
        if (code == HDN_ITEMCHANGEDW || code == HDN_ITEMCHANGEDA || code == HDN_TRACKW || code == HDN_TRACKA) {
            if (nh->iItem >= 0 && nh->iItem < static_cast<int>(st->Columns.size()) && nh->pitem) {
                int cxy = code == HDN_ITEMCHANGEDW || code == HDN_TRACKW ? nh->pitem->cxy : reinterpret_cast<HDITEMA*>(nh->pitem)->cxy;
                st->Columns[nh->iItem].Cx = cxy;
                UpdateScroll(h, st);
                Redraw(h);
            }
        }
        if (code == HDN_ITEMCLICKW || code == HDN_ITEMCLICKA) {
            if (!(Style(h) & LVS_NOSORTHEADER)) {
                NMLISTVIEW nm{};
                nm.iItem = -1;
                nm.iSubItem = nh->iItem;
                NotifyParent(h, nm.hdr, LVN_COLUMNCLICK);
            }
        }
        // The list view's parent sees its header's notifications too.
        if (HWND par = Parent(h)) return SendMessageW(par, WM_NOTIFY, wp, lp);
    }
    return 0;
}

LRESULT OnSetItemText(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    if (!lp) return FALSE;
    if (m == LVM_SETITEMTEXTA) {
        LVITEMA li = *reinterpret_cast<const LVITEMA*>(lp);
        li.iItem = static_cast<int>(wp);
        li.mask = LVIF_TEXT;
        return SetItem(h, st, &li, /*wide=*/false);
    }
    LVITEMW li = *reinterpret_cast<const LVITEMW*>(lp);
    li.iItem = static_cast<int>(wp);
    li.mask = LVIF_TEXT;
    return SetItem(h, st, &li, /*wide=*/true);
}

LRESULT OnGetItemText(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    const int n = static_cast<int>(st->Items.size());
    int i = static_cast<int>(wp);
    if (!lp || i < 0 || i >= n) return 0;
    if (m == LVM_GETITEMTEXTA) {
        auto* li = reinterpret_cast<LVITEMA*>(lp);
        return CopyA(Utf16ToUtf8(SubText(st, i, li->iSubItem)), li->pszText, li->cchTextMax);
    }
    auto* li = reinterpret_cast<LVITEMW*>(lp);
    return CopyW(SubText(st, i, li->iSubItem), li->pszText, li->cchTextMax);
}

LRESULT OnDeleteItem(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    const int n = static_cast<int>(st->Items.size());
    int i = static_cast<int>(wp);
    if (i < 0 || i >= n) return FALSE;
    DeleteAt(h, st, i, /*notify=*/true);
    st->Top = std::clamp(st->Top, 0, std::max(0, static_cast<int>(st->Items.size()) - PerPage(h, st)));
    UpdateScroll(h, st);
    Redraw(h);
    return TRUE;
}

LRESULT OnDeleteAllItems(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    NMLISTVIEW nm{};
    nm.iItem = -1;
    bool quiet = NotifyParent(h, nm.hdr, LVN_DELETEALLITEMS) != 0;
    while (!st->Items.empty()) DeleteAt(h, st, static_cast<int>(st->Items.size()) - 1, !quiet);
    st->Top = 0;
    st->Mark = -1;
    UpdateScroll(h, st);
    Redraw(h);
    return TRUE;
}

LRESULT OnGetNextItem(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    const int n = static_cast<int>(st->Items.size());
    int start = static_cast<int>(static_cast<INT_PTR>(wp));
    UINT flags = LOWORD(lp);
    UINT stateMask = flags & (LVNI_SELECTED | LVNI_FOCUSED | LVNI_CUT | LVNI_DROPHILITED);
    auto matches = [&](int k) { return (st->Items[k].State & stateMask) == stateMask; };
    if (flags & (LVNI_ABOVE | LVNI_TOLEFT)) {
        for (int k = (start < 0 ? n : start) - 1; k >= 0; --k)
            if (matches(k)) return k;
        return -1;
    }
    for (int k = start + 1; k < n; ++k)
        if (k >= 0 && matches(k)) return k;
    return -1;
}

LRESULT OnSetItemState(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    const int n = static_cast<int>(st->Items.size());
    auto* li = reinterpret_cast<const LVITEMW*>(lp);
    if (!li) return FALSE;
    int i = static_cast<int>(static_cast<INT_PTR>(wp));
    if (i == -1) {
        for (int k = 0; k < n; ++k) Change(h, st, k, li->state, li->stateMask);
        return TRUE;
    }
    if (i < 0 || i >= n) return FALSE;
    Change(h, st, i, li->state, li->stateMask);
    if ((li->stateMask & LVIS_SELECTED) && (li->state & LVIS_SELECTED) && st->Mark < 0) st->Mark = i;
    return TRUE;
}

LRESULT OnDeleteColumn(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    int i = static_cast<int>(wp);
    if (i < 0 || i >= static_cast<int>(st->Columns.size())) return FALSE;
    st->Columns.erase(st->Columns.begin() + i);
    if (st->Header) SendMessageW(st->Header, HDM_DELETEITEM, wp, 0);
    UpdateScroll(h, st);
    Redraw(h);
    return TRUE;
}

LRESULT OnSetColumnWidth(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    const int n = static_cast<int>(st->Items.size());
    int i = static_cast<int>(wp);
    if (i < 0 || i >= static_cast<int>(st->Columns.size())) return FALSE;
    int cx = static_cast<short>(LOWORD(lp));
    if (cx == LVSCW_AUTOSIZE || cx == LVSCW_AUTOSIZE_USEHEADER) {
        HDC dc = GetDC(h);
        HGDIOBJ old = SelectObject(dc, FontOf(h));
        int w = cx == LVSCW_AUTOSIZE_USEHEADER ? TextWidth(dc, st->Columns[i].Text) + 12 : 0;
        for (int k = 0; k < n; ++k) w = std::max(w, TextWidth(dc, SubText(st, k, st->Columns[i].SubItem)) + 12);
        SelectObject(dc, old);
        ReleaseDC(h, dc);
        if (i == 0 && st->Images[LVSIL_SMALL]) {
            int iw, ih;
            ImageList_GetIconSize(st->Images[LVSIL_SMALL], &iw, &ih);
            w += iw + 4;
        }
        cx = w;
    }
    LVCOLUMNW lc{};
    lc.mask = LVCF_WIDTH;
    lc.cx = cx;
    return SetColumn(h, st, i, &lc, /*wide=*/true, /*insert=*/false);
}

LRESULT OnSetImageList(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    int which = static_cast<int>(wp);
    if (which < 0 || which > 2) return 0;
    HIMAGELIST old = st->Images[which];
    st->Images[which] = reinterpret_cast<HIMAGELIST>(lp);
    UpdateScroll(h, st);
    Redraw(h);
    return reinterpret_cast<LRESULT>(old);
}

LRESULT OnSetExtendedStyle(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    DWORD old = st->ExStyle;
    DWORD mask = wp ? static_cast<DWORD>(wp) : 0xFFFFFFFFu;
    st->ExStyle = (st->ExStyle & ~mask) | (static_cast<DWORD>(lp) & mask);
    Redraw(h);
    return old;
}

LRESULT OnSortItems(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    const int n = static_cast<int>(st->Items.size());
    auto cmp = reinterpret_cast<PFNLVCOMPARE>(lp);
    if (!cmp) return FALSE;
    std::vector<int> idx(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) idx[k] = k;
    std::stable_sort(idx.begin(), idx.end(), [&](int a, int b) {
        return m == LVM_SORTITEMS ? cmp(st->Items[a].Param, st->Items[b].Param, static_cast<LPARAM>(wp)) < 0
                                  : cmp(a, b, static_cast<LPARAM>(wp)) < 0;
    });
    std::vector<TLvItem> sorted;
    sorted.reserve(static_cast<std::size_t>(n));
    int mark = -1;
    for (int k = 0; k < n; ++k) {
        if (idx[k] == st->Mark) mark = k;
        sorted.push_back(std::move(st->Items[idx[k]]));
    }
    st->Items = std::move(sorted);
    st->Mark = mark;
    Redraw(h);
    return TRUE;
}

LRESULT OnHitTest(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    auto* ht = reinterpret_cast<LVHITTESTINFO*>(lp);
    if (!ht) return -1;
    int sub = -1;
    UINT flags = 0;
    int i = ItemAtPoint(h, st, ht->pt, &flags, &sub);
    if (i >= 0 && m == LVM_HITTEST && sub != 0 && !(st->ExStyle & LVS_EX_FULLROWSELECT)) {
        RECT lab = LabelRect(h, st, i);
        if (!PtInRect(&lab, ht->pt)) {
            i = -1;
            flags = LVHT_NOWHERE;
        }
    }
    if (i < 0 && !flags) flags = LVHT_NOWHERE;
    ht->flags = flags;
    ht->iItem = i;
    if (m == LVM_SUBITEMHITTEST) ht->iSubItem = sub < 0 ? 0 : sub;
    return i;
}

// Item and subitem rectangles in client coordinates.
LRESULT OnGetItemRect(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    const int n = static_cast<int>(st->Items.size());
    int i = static_cast<int>(wp);
    auto* r = reinterpret_cast<RECT*>(lp);
    if (!r || i < 0 || i >= n) return FALSE;
    int code = r->left;
    if (m == LVM_GETSUBITEMRECT && r->top > 0) {
        int c = r->top;
        if (c >= static_cast<int>(st->Columns.size())) return FALSE;
        RECT row = RowRect(h, st, i);
        int left = ColumnLeft(st, c);
        *r = RECT{left, row.top, left + st->Columns[c].Cx, row.bottom};
        return TRUE;
    }
    switch (code) {
    case LVIR_ICON: *r = IconRect(h, st, i); break;
    case LVIR_LABEL: *r = LabelRect(h, st, i); break;
    case LVIR_SELECTBOUNDS: *r = SelectRect(h, st, i); break;
    default: *r = RowRect(h, st, i); break;
    }
    return TRUE;
}

LRESULT OnScroll(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    const int n = static_cast<int>(st->Items.size());
    int rows = static_cast<int>(lp) / std::max(1, RowHeight(h, st));
    st->Top = std::clamp(st->Top + rows, 0, std::max(0, n - PerPage(h, st)));
    st->ScrollX = std::clamp(st->ScrollX + static_cast<int>(wp), 0, std::max(0, TotalWidth(st)));
    UpdateScroll(h, st);
    Redraw(h);
    return TRUE;
}

LRESULT OnGetStringWidth(HWND h, TLvState* st, UINT m, WPARAM wp, LPARAM lp) {
    if (!lp) return 0;
    std::u16string s = m == LVM_GETSTRINGWIDTHW ? std::u16string(reinterpret_cast<LPCWSTR>(lp)) : Utf8ToUtf16(reinterpret_cast<LPCSTR>(lp));
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, FontOf(h));
    int w = TextWidth(dc, s);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    return w;
}
}  // namespace

LRESULT CALLBACK ListViewProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = State<TLvState>(h);
    if (!st && m != WM_NCCREATE) return DefWindowProcW(h, m, wp, lp);
    int n = st ? static_cast<int>(st->Items.size()) : 0;
    switch (m) {
    case WM_NCCREATE:
        NewState<TLvState>(h);
        return DefWindowProcW(h, m, wp, lp);
    case WM_CREATE: return OnCreate(h, st, m, wp, lp);
    case WM_DESTROY: return OnDestroy(h, st, m, wp, lp);
    case WM_NCDESTROY: return OnNcDestroy(h, st, m, wp, lp);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, Paint); return 0;
    case WM_PRINTCLIENT: Paint(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SIZE: UpdateScroll(h, st); return 0;
    case WM_SETFONT: return OnSetFont(h, st, m, wp, lp);
    case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropW(h, u"TessaroCtlFont"));
    case WM_STYLECHANGED: UpdateScroll(h, st); Redraw(h); return 0;
    case WM_ENABLE: Redraw(h); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS: return OnSetFocus(h, st, m, wp, lp);
    case WM_KILLFOCUS: return OnKillFocus(h, st, m, wp, lp);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: return OnButtonDown(h, st, m, wp, lp);
    case WM_MOUSEMOVE: return OnMouseMove(h, st, m, wp, lp);
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: return OnButtonUp(h, st, m, wp, lp);
    case WM_CAPTURECHANGED: st->Pressed = -1; return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: return OnDoubleClick(h, st, m, wp, lp);
    case WM_KEYDOWN: KeyNav(h, st, wp); return 0;
    case WM_MOUSEWHEEL:
        SendMessageW(h, WM_VSCROLL, GET_WHEEL_DELTA_WPARAM(wp) > 0 ? SB_LINEUP : SB_LINEDOWN, 0);
        return 0;
    case WM_VSCROLL: return OnVScroll(h, st, m, wp, lp);
    case WM_HSCROLL: return OnHScroll(h, st, m, wp, lp);
    case WM_NOTIFY: return OnNotify(h, st, m, wp, lp);
    // ---- LVM_ ----
    case LVM_GETITEMCOUNT: return n;
    case LVM_INSERTITEMA: return InsertItem(h, st, reinterpret_cast<const LVITEMA*>(lp), /*wide=*/false);
    case LVM_INSERTITEMW: return InsertItem(h, st, reinterpret_cast<const LVITEMW*>(lp), /*wide=*/true);
    case LVM_SETITEMA: return SetItem(h, st, reinterpret_cast<const LVITEMA*>(lp), /*wide=*/false);
    case LVM_SETITEMW: return SetItem(h, st, reinterpret_cast<const LVITEMW*>(lp), /*wide=*/true);
    case LVM_GETITEMA: return GetItem(h, st, reinterpret_cast<LVITEMA*>(lp), /*wide=*/false);
    case LVM_GETITEMW: return GetItem(h, st, reinterpret_cast<LVITEMW*>(lp), /*wide=*/true);
    case LVM_SETITEMTEXTA:
    case LVM_SETITEMTEXTW: return OnSetItemText(h, st, m, wp, lp);
    case LVM_GETITEMTEXTA:
    case LVM_GETITEMTEXTW: return OnGetItemText(h, st, m, wp, lp);
    case LVM_DELETEITEM: return OnDeleteItem(h, st, m, wp, lp);
    case LVM_DELETEALLITEMS: return OnDeleteAllItems(h, st, m, wp, lp);
    case LVM_GETNEXTITEM: return OnGetNextItem(h, st, m, wp, lp);
    case LVM_GETITEMSTATE: {
        int i = static_cast<int>(wp);
        return (i >= 0 && i < n) ? static_cast<LRESULT>(st->Items[i].State & static_cast<UINT>(lp)) : 0;
    }
    case LVM_SETITEMSTATE: return OnSetItemState(h, st, m, wp, lp);
    case LVM_GETSELECTEDCOUNT:
        return std::count_if(st->Items.begin(), st->Items.end(), [](const TLvItem& it) { return (it.State & LVIS_SELECTED) != 0; });
    case LVM_GETSELECTIONMARK: return st->Mark;
    case LVM_SETSELECTIONMARK: {
        int old = st->Mark;
        st->Mark = static_cast<int>(lp);
        return old;
    }
    case LVM_INSERTCOLUMNA:
        return SetColumn(h, st, static_cast<int>(wp), reinterpret_cast<const LVCOLUMNA*>(lp), /*wide=*/false,
                         /*insert=*/true);
    case LVM_INSERTCOLUMNW:
        return SetColumn(h, st, static_cast<int>(wp), reinterpret_cast<const LVCOLUMNW*>(lp), /*wide=*/true,
                         /*insert=*/true);
    case LVM_SETCOLUMNA:
        return SetColumn(h, st, static_cast<int>(wp), reinterpret_cast<const LVCOLUMNA*>(lp), /*wide=*/false,
                         /*insert=*/false);
    case LVM_SETCOLUMNW:
        return SetColumn(h, st, static_cast<int>(wp), reinterpret_cast<const LVCOLUMNW*>(lp), /*wide=*/true,
                         /*insert=*/false);
    case LVM_GETCOLUMNA: return GetColumn(st, static_cast<int>(wp), reinterpret_cast<LVCOLUMNA*>(lp), /*wide=*/false);
    case LVM_GETCOLUMNW: return GetColumn(st, static_cast<int>(wp), reinterpret_cast<LVCOLUMNW*>(lp), /*wide=*/true);
    case LVM_DELETECOLUMN: return OnDeleteColumn(h, st, m, wp, lp);
    case LVM_GETCOLUMNWIDTH: {
        int i = static_cast<int>(wp);
        return (i >= 0 && i < static_cast<int>(st->Columns.size())) ? st->Columns[i].Cx : 0;
    }
    case LVM_SETCOLUMNWIDTH: return OnSetColumnWidth(h, st, m, wp, lp);
    case LVM_GETHEADER: return reinterpret_cast<LRESULT>(st->Header);
    case LVM_SETIMAGELIST: return OnSetImageList(h, st, m, wp, lp);
    case LVM_GETIMAGELIST: {
        int which = static_cast<int>(wp);
        return (which >= 0 && which <= 2) ? reinterpret_cast<LRESULT>(st->Images[which]) : 0;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE: return OnSetExtendedStyle(h, st, m, wp, lp);
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return st->ExStyle;
    case LVM_SORTITEMS:
    case LVM_SORTITEMSEX: return OnSortItems(h, st, m, wp, lp);
    case LVM_FINDITEMA:
        return FindItem(st, static_cast<int>(static_cast<INT_PTR>(wp)), reinterpret_cast<const LVFINDINFOA*>(lp),
                        /*wide=*/false);
    case LVM_FINDITEMW:
        return FindItem(st, static_cast<int>(static_cast<INT_PTR>(wp)), reinterpret_cast<const LVFINDINFOW*>(lp),
                        /*wide=*/true);
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: return OnHitTest(h, st, m, wp, lp);
    case LVM_GETITEMRECT:
    case LVM_GETSUBITEMRECT: return OnGetItemRect(h, st, m, wp, lp);
    case LVM_ENSUREVISIBLE: EnsureVisible(h, st, static_cast<int>(wp)); return TRUE;
    case LVM_GETTOPINDEX: return st->Top;
    case LVM_GETCOUNTPERPAGE: return PerPage(h, st);
    case LVM_SCROLL: return OnScroll(h, st, m, wp, lp);
    case LVM_GETVIEWRECT:
        if (lp) *reinterpret_cast<RECT*>(lp) = RECT{0, 0, TotalWidth(st), n * RowHeight(h, st)};
        return TRUE;
    case LVM_GETORIGIN:
        if (lp) *reinterpret_cast<POINT*>(lp) = POINT{st->ScrollX, 0};
        return TRUE;
    case LVM_SETBKCOLOR: st->Bk = static_cast<COLORREF>(lp); Redraw(h); return TRUE;
    case LVM_GETBKCOLOR: return st->Bk == CLR_DEFAULT ? Sys(COLOR_WINDOW) : st->Bk;
    case LVM_SETTEXTCOLOR: st->TextColor = static_cast<COLORREF>(lp); Redraw(h); return TRUE;
    case LVM_GETTEXTCOLOR: return st->TextColor == CLR_DEFAULT ? Sys(COLOR_WINDOWTEXT) : st->TextColor;
    case LVM_SETTEXTBKCOLOR: st->TextBk = static_cast<COLORREF>(lp); Redraw(h); return TRUE;
    case LVM_GETTEXTBKCOLOR: return st->TextBk == CLR_DEFAULT ? Sys(COLOR_WINDOW) : st->TextBk;
    case LVM_SETCALLBACKMASK: st->CallbackMask = static_cast<UINT>(wp); return TRUE;
    case LVM_GETCALLBACKMASK: return st->CallbackMask;
    case LVM_SETITEMCOUNT: return TRUE;
    case LVM_REDRAWITEMS:
    case LVM_UPDATE: Redraw(h); return TRUE;
    case LVM_ARRANGE: return TRUE;
    case LVM_GETSTRINGWIDTHA:
    case LVM_GETSTRINGWIDTHW: return OnGetStringWidth(h, st, m, wp, lp);
    case LVM_CREATEDRAGIMAGE: return CreateDragImage(h, st, static_cast<int>(wp), reinterpret_cast<POINT*>(lp));
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

void RegisterListViewClasses() {
    RegisterCtlClass(u"SysListView32", ListViewProc, CS_DBLCLKS, /*cursor=*/nullptr, -1);
    RegisterCtlClass(u"SysHeader32", HeaderProc, CS_DBLCLKS, /*cursor=*/nullptr, -1);
}

}  // namespace cc
