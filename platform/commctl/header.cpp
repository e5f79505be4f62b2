// "SysHeader32": column headers with click, divider dragging and sort marks.
#include <algorithm>

#include "platform/commctl/cc_internal.h"

namespace cc {
namespace {

struct THdItem {
    int Cxy = 50;
    std::u16string Text;
    int Fmt = HDF_LEFT | HDF_STRING;
    LPARAM Param = 0;
    int Image = -1;
    int Order = 0;
    unsigned Id = 0;  // stays with the item while others come and go
};

struct THeaderState {
    std::vector<THdItem> Items;
    HIMAGELIST Images = nullptr;
    int Pressed = -1;      // item pressed with the mouse
    bool PressedIn = false;
    int Tracking = -1;     // item whose divider is dragged
    int TrackStartX = 0, TrackStartW = 0;
    unsigned NextId = 0;
};

std::vector<int> OrderOf(THeaderState* st) {
    std::vector<int> idx(st->Items.size());
    for (std::size_t i = 0; i < idx.size(); ++i) idx[i] = static_cast<int>(i);
    std::stable_sort(idx.begin(), idx.end(), [st](int a, int b) { return st->Items[a].Order < st->Items[b].Order; });
    return idx;
}

RECT ItemRect(HWND h, THeaderState* st, int i) {
    RECT rc = ClientRect(h);
    int x = 0;
    for (int k : OrderOf(st)) {
        if (k == i) return RECT{x, 0, x + st->Items[k].Cxy, rc.bottom};
        x += st->Items[k].Cxy;
    }
    return RECT{0, 0, 0, 0};
}

template <class HDI>
void Notify(HWND h, UINT codeA, UINT codeW, int item, int button, const THdItem* source) {
    HWND p = Parent(h);
    if (!p) return;
    bool wide = IsWindowUnicode(p);
    NMHEADERW nw{};
    HDITEMW iw{};
    HDITEMA ia{};
    std::string a;
    if (source) {
        iw.mask = HDI_WIDTH | HDI_FORMAT | HDI_LPARAM;
        iw.cxy = source->Cxy;
        iw.fmt = source->Fmt;
        iw.lParam = source->Param;
        ia.mask = iw.mask;
        ia.cxy = iw.cxy;
        ia.fmt = iw.fmt;
        ia.lParam = iw.lParam;
    }
    nw.iItem = item;
    nw.iButton = button;
    if (wide)
        nw.pitem = source ? &iw : nullptr;
    else
        nw.pitem = source ? reinterpret_cast<HDITEMW*>(&ia) : nullptr;
    NotifyParent(h, nw.hdr, wide ? codeW : codeA);
}

void Paint(HWND h, HDC dc) {
    auto* st = State<THeaderState>(h);
    RECT rc = ClientRect(h);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ oldFont = SelectObject(dc, FontOf(h));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, Sys(COLOR_BTNTEXT));
    int right = 0;
    for (int i : OrderOf(st)) {
        const THdItem& it = st->Items[i];
        RECT r = ItemRect(h, st, i);
        right = r.right;
        RECT e = r;
        bool down = st->Pressed == i && st->PressedIn && (Style(h) & HDS_BUTTONS);
        if (down)
            FrameRect(dc, &e, GetSysColorBrush(COLOR_BTNSHADOW));
        else
            DrawEdge(dc, &e, EDGE_RAISED, BF_RECT);
        RECT tr{r.left + 6, r.top, r.right - 6, r.bottom};
        if (down) OffsetRect(&tr, 1, 1);
        if ((it.Fmt & HDF_IMAGE) && st->Images && it.Image >= 0) {
            int cx = 0, cy = 0;
            ImageList_GetIconSize(st->Images, &cx, &cy);
            ImageList_Draw(st->Images, it.Image, dc, tr.left, (r.top + r.bottom - cy) / 2, ILD_TRANSPARENT);
            tr.left += cx + 4;
        }
        if (it.Fmt & (HDF_SORTUP | HDF_SORTDOWN)) {
            RECT ar{tr.right - 10, r.top, tr.right, r.bottom};
            DrawArrow(dc, ar, (it.Fmt & HDF_SORTUP) ? 0 : 1, Sys(COLOR_BTNSHADOW));
            tr.right -= 14;
        }
        UINT align = (it.Fmt & HDF_JUSTIFYMASK) == HDF_RIGHT ? DT_RIGHT : (it.Fmt & HDF_JUSTIFYMASK) == HDF_CENTER ? DT_CENTER : DT_LEFT;
        Text(dc, it.Text, tr, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | align);
    }
    if (right < rc.right) {
        RECT rest{right, 0, rc.right, rc.bottom};
        DrawEdge(dc, &rest, EDGE_RAISED, BF_RECT);
    }
    SelectObject(dc, oldFont);
}

int DividerAt(HWND h, THeaderState* st, int x) {
    for (int i : OrderOf(st)) {
        RECT r = ItemRect(h, st, i);
        if (std::abs(x - r.right) <= 3) return i;
    }
    return -1;
}

int ItemAt(HWND h, THeaderState* st, POINT p) {
    for (std::size_t i = 0; i < st->Items.size(); ++i) {
        RECT r = ItemRect(h, st, static_cast<int>(i));
        if (PtInRect(&r, p)) return static_cast<int>(i);
    }
    return -1;
}

template <class HDI>
LRESULT SetItem(HWND h, THeaderState* st, int i, const HDI* hdi, bool wide, bool insert) {
    if (!hdi) return -1;
    int n = static_cast<int>(st->Items.size());
    if (insert) {
        i = std::clamp(i, 0, n);
        THdItem it;
        it.Order = i;
        it.Id = ++st->NextId;
        for (auto& o : st->Items)
            if (o.Order >= i) ++o.Order;
        st->Items.insert(st->Items.begin() + i, it);
        // A drag or press on a later item follows it to its new index.
        if (st->Tracking >= i) ++st->Tracking;
        if (st->Pressed >= i) ++st->Pressed;
    } else if (i < 0 || i >= n) {
        return FALSE;
    }
    THdItem& it = st->Items[i];
    if (hdi->mask & HDI_WIDTH) it.Cxy = std::max(hdi->cxy, 0);
    if (hdi->mask & HDI_TEXT)
        it.Text = !hdi->pszText ? std::u16string()
                  : wide        ? std::u16string(reinterpret_cast<LPCWSTR>(hdi->pszText))
                                : Utf8ToUtf16(reinterpret_cast<LPCSTR>(hdi->pszText));
    if (hdi->mask & HDI_FORMAT) it.Fmt = hdi->fmt;
    if (hdi->mask & HDI_LPARAM) it.Param = hdi->lParam;
    if (hdi->mask & HDI_IMAGE) it.Image = hdi->iImage;
    if ((hdi->mask & HDI_ORDER) && !insert) it.Order = hdi->iOrder;
    InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
    return insert ? i : TRUE;
}

template <class HDI>
LRESULT GetItem(THeaderState* st, int i, HDI* hdi, bool wide) {
    if (!hdi || i < 0 || i >= static_cast<int>(st->Items.size())) return FALSE;
    const THdItem& it = st->Items[i];
    if (hdi->mask & HDI_WIDTH) hdi->cxy = it.Cxy;
    if (hdi->mask & HDI_FORMAT) hdi->fmt = it.Fmt;
    if (hdi->mask & HDI_LPARAM) hdi->lParam = it.Param;
    if (hdi->mask & HDI_IMAGE) hdi->iImage = it.Image;
    if (hdi->mask & HDI_ORDER) hdi->iOrder = it.Order;
    if ((hdi->mask & HDI_TEXT) && hdi->pszText) {
        if (wide)
            CopyW(it.Text, reinterpret_cast<LPWSTR>(hdi->pszText), hdi->cchTextMax);
        else
            CopyA(Utf16ToUtf8(it.Text), reinterpret_cast<LPSTR>(hdi->pszText), hdi->cchTextMax);
    }
    return TRUE;
}

void Resize(HWND h, THeaderState* st, int i, int width, bool track) {
    if (i < 0 || i >= static_cast<int>(st->Items.size())) return;
    // The parent may delete or insert items, or destroy the header, while it
    // handles a notification: the item is looked up again after each one.
    const unsigned id = st->Items[i].Id;
    auto still = [&] {
        if (!IsWindow(h) || State<THeaderState>(h) != st) return false;
        auto at = std::find_if(st->Items.begin(), st->Items.end(), [id](const THdItem& it) { return it.Id == id; });
        i = static_cast<int>(at - st->Items.begin());
        return at != st->Items.end();
    };
    width = std::max(width, 0);
    if (st->Items[i].Cxy == width) return;
    THdItem next = st->Items[i];
    next.Cxy = width;
    if (track) Notify<HDITEMW>(h, HDN_TRACKA, HDN_TRACKW, i, 0, &next);
    if (!still()) return;
    Notify<HDITEMW>(h, HDN_ITEMCHANGINGA, HDN_ITEMCHANGINGW, i, 0, &next);
    if (!still()) return;
    st->Items[i].Cxy = width;
    InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
    Notify<HDITEMW>(h, HDN_ITEMCHANGEDA, HDN_ITEMCHANGEDW, i, 0, &st->Items[i]);
}

}  // namespace

LRESULT CALLBACK HeaderProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = State<THeaderState>(h);
    if (!st && m != WM_NCCREATE) return DefWindowProcW(h, m, wp, lp);
    switch (m) {
    case WM_NCCREATE:
        NewState<THeaderState>(h);
        return DefWindowProcW(h, m, wp, lp);
    case WM_NCDESTROY:
        FreeState<THeaderState>(h);
        SetFontOf(h, /*font=*/nullptr);
        return DefWindowProcW(h, m, wp, lp);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, Paint); return 0;
    case WM_PRINTCLIENT: Paint(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SETFONT:
        SetFontOf(h, reinterpret_cast<HFONT>(wp));
        if (LOWORD(lp)) InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropW(h, u"TessaroCtlFont"));
    case WM_SETCURSOR: {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(h, &p);
        if (st->Tracking >= 0 || DividerAt(h, st, p.x) >= 0) {
            SetCursor(LoadCursorA(/*hInstance=*/nullptr, IDC_SIZEWE));
            return TRUE;
        }
        break;
    }
    case WM_LBUTTONDOWN: {
        POINT p = PointOf(lp);
        int d = DividerAt(h, st, p.x);
        if (d >= 0) {
            st->Tracking = d;
            st->TrackStartX = p.x;
            st->TrackStartW = st->Items[d].Cxy;
            Notify<HDITEMW>(h, HDN_BEGINTRACKA, HDN_BEGINTRACKW, d, 0, &st->Items[d]);
            SetCapture(h);
            return 0;
        }
        int i = ItemAt(h, st, p);
        if (i >= 0 && (Style(h) & HDS_BUTTONS)) {
            st->Pressed = i;
            st->PressedIn = true;
            SetCapture(h);
            InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        }
        return 0;
    }
    case WM_MOUSEMOVE: {
        POINT p = PointOf(lp);
        if (st->Tracking >= 0) {
            Resize(h, st, st->Tracking, st->TrackStartW + p.x - st->TrackStartX, /*track=*/true);
        } else if (st->Pressed >= 0) {
            RECT r = ItemRect(h, st, st->Pressed);
            bool in = PtInRect(&r, p);
            if (in != st->PressedIn) {
                st->PressedIn = in;
                InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
            }
        }
        return 0;
    }
    case WM_LBUTTONUP:
        if (st->Tracking >= 0) {
            int i = st->Tracking;
            st->Tracking = -1;
            ReleaseCapture();
            Notify<HDITEMW>(h, HDN_ENDTRACKA, HDN_ENDTRACKW, i, 0, &st->Items[i]);
        } else if (st->Pressed >= 0) {
            int i = st->Pressed;
            bool in = st->PressedIn;
            st->Pressed = -1;
            ReleaseCapture();
            InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
            if (in) Notify<HDITEMW>(h, HDN_ITEMCLICKA, HDN_ITEMCLICKW, i, 0, /*source=*/nullptr);
        }
        return 0;
    case WM_LBUTTONDBLCLK: {
        POINT p = PointOf(lp);
        int d = DividerAt(h, st, p.x);
        if (d >= 0) Notify<HDITEMW>(h, HDN_DIVIDERDBLCLICKA, HDN_DIVIDERDBLCLICKW, d, 0, /*source=*/nullptr);
        else if (int i = ItemAt(h, st, p); i >= 0)
            Notify<HDITEMW>(h, HDN_ITEMDBLCLICKA, HDN_ITEMDBLCLICKW, i, 0, /*source=*/nullptr);
        return 0;
    }
    case WM_CAPTURECHANGED:
        st->Tracking = -1;
        if (st->Pressed >= 0) {
            st->Pressed = -1;
            InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        }
        return 0;
    case HDM_GETITEMCOUNT: return static_cast<LRESULT>(st->Items.size());
    case HDM_INSERTITEMA:
        return SetItem(h, st, static_cast<int>(wp), reinterpret_cast<const HDITEMA*>(lp), /*wide=*/false,
                       /*insert=*/true);
    case HDM_INSERTITEMW:
        return SetItem(h, st, static_cast<int>(wp), reinterpret_cast<const HDITEMW*>(lp), /*wide=*/true,
                       /*insert=*/true);
    case HDM_SETITEMA:
        return SetItem(h, st, static_cast<int>(wp), reinterpret_cast<const HDITEMA*>(lp), /*wide=*/false,
                       /*insert=*/false);
    case HDM_SETITEMW:
        return SetItem(h, st, static_cast<int>(wp), reinterpret_cast<const HDITEMW*>(lp), /*wide=*/true,
                       /*insert=*/false);
    case HDM_GETITEMA: return GetItem(st, static_cast<int>(wp), reinterpret_cast<HDITEMA*>(lp), /*wide=*/false);
    case HDM_GETITEMW: return GetItem(st, static_cast<int>(wp), reinterpret_cast<HDITEMW*>(lp), /*wide=*/true);
    case HDM_DELETEITEM: {
        int i = static_cast<int>(wp);
        if (i < 0 || i >= static_cast<int>(st->Items.size())) return FALSE;
        int order = st->Items[i].Order;
        st->Items.erase(st->Items.begin() + i);
        for (auto& o : st->Items)
            if (o.Order > order) --o.Order;
        // A drag or press on the deleted item ends; one on a later item
        // follows it to its new index.
        if (st->Tracking == i || st->Pressed == i) {
            if (st->Tracking == i) st->Tracking = -1;
            if (st->Pressed == i) st->Pressed = -1;
            if (GetCapture() == h) ReleaseCapture();
        }
        if (st->Tracking > i) --st->Tracking;
        if (st->Pressed > i) --st->Pressed;
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return TRUE;
    }
    case HDM_GETITEMRECT: {
        int i = static_cast<int>(wp);
        if (!lp || i < 0 || i >= static_cast<int>(st->Items.size())) return FALSE;
        *reinterpret_cast<RECT*>(lp) = ItemRect(h, st, i);
        return TRUE;
    }
    case HDM_HITTEST: {
        auto* ht = reinterpret_cast<HDHITTESTINFO*>(lp);
        if (!ht) return -1;
        int d = DividerAt(h, st, ht->pt.x);
        ht->iItem = d >= 0 ? d : ItemAt(h, st, ht->pt);
        ht->flags = d >= 0 ? HHT_ONDIVIDER : ht->iItem >= 0 ? HHT_ONHEADER : HHT_NOWHERE;
        return ht->iItem;
    }
    case HDM_LAYOUT: {
        auto* lay = reinterpret_cast<HDLAYOUT*>(lp);
        if (!lay || !lay->prc || !lay->pwpos) return FALSE;
        HDC dc = GetDC(h);
        HGDIOBJ old = SelectObject(dc, FontOf(h));
        int hh = (Style(h) & HDS_HIDDEN) ? 0 : TextHeight(dc) + 6;
        SelectObject(dc, old);
        ReleaseDC(h, dc);
        lay->pwpos->hwnd = h;
        lay->pwpos->hwndInsertAfter = nullptr;
        lay->pwpos->x = lay->prc->left;
        lay->pwpos->y = lay->prc->top;
        lay->pwpos->cx = lay->prc->right - lay->prc->left;
        lay->pwpos->cy = hh;
        lay->pwpos->flags = 0;
        lay->prc->top += hh;
        return TRUE;
    }
    case HDM_SETIMAGELIST: {
        HIMAGELIST old = st->Images;
        st->Images = reinterpret_cast<HIMAGELIST>(lp);
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return reinterpret_cast<LRESULT>(old);
    }
    case HDM_GETIMAGELIST: return reinterpret_cast<LRESULT>(st->Images);
    case HDM_ORDERTOINDEX: {
        auto order = OrderOf(st);
        return wp < order.size() ? order[wp] : static_cast<LRESULT>(wp);
    }
    case HDM_GETORDERARRAY: {
        auto order = OrderOf(st);
        if (!lp || wp < order.size()) return FALSE;
        std::copy(order.begin(), order.end(), reinterpret_cast<int*>(lp));
        return TRUE;
    }
    case HDM_SETORDERARRAY: {
        if (!lp || wp != st->Items.size()) return FALSE;
        auto* a = reinterpret_cast<const int*>(lp);
        for (std::size_t k = 0; k < wp; ++k)
            if (a[k] >= 0 && a[k] < static_cast<int>(st->Items.size())) st->Items[a[k]].Order = static_cast<int>(k);
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return TRUE;
    }
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

}  // namespace cc
