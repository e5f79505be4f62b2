// Menus: the menu table, popup menus ("#32768") with their modal loop, and
// menu bars drawn in a window's non-client area.
#include <algorithm>
#include <cassert>
#include <map>
#include <memory>
#include <mutex>

#include "platform/commctl/cc_internal.h"

namespace cc {
namespace {

struct TMItem {
    UINT Type = MFT_STRING;
    UINT State = 0;
    UINT Id = 0;
    HMENU Sub = nullptr;
    ULONG_PTR Data = 0;
    std::u16string Text;
    HBITMAP Bmp = nullptr;
    RECT Rect{};  // popup: client coordinates; bar: window coordinates
};

struct TMenu {
    std::vector<TMItem> Items;
    bool Popup = false;
    HWND Wnd = nullptr;    // the popup window while shown
    HWND BarOf = nullptr;  // the window showing it as its menu bar while tracked
    int Hot = -1;          // highlighted item
};

std::recursive_mutex& Mx() {
    static std::recursive_mutex m;
    return m;
}
std::map<uintptr_t, std::unique_ptr<TMenu>>& Table() {
    static std::map<uintptr_t, std::unique_ptr<TMenu>> t;
    return t;
}
uintptr_t gNextMenu = 0x4D000;

TMenu* M(HMENU h) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    auto it = Table().find(reinterpret_cast<uintptr_t>(h));
    return it == Table().end() ? nullptr : it->second.get();
}

HMENU NewMenu(bool popup) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    auto m = std::make_unique<TMenu>();
    m->Popup = popup;
    uintptr_t id = gNextMenu++;
    Table()[id] = std::move(m);
    return reinterpret_cast<HMENU>(id);
}

// Finds an item by command (searching submenus) or by position.
TMenu* FindItem(HMENU h, UINT item, UINT flags, int* index) {
    TMenu* m = M(h);
    if (!m) return nullptr;
    if (flags & MF_BYPOSITION) {
        if (item >= m->Items.size()) return nullptr;
        *index = static_cast<int>(item);
        return m;
    }
    for (int i = 0; i < static_cast<int>(m->Items.size()); ++i) {
        auto& it = m->Items[i];
        if (it.Id == item && !(it.Type & MFT_SEPARATOR) && !it.Sub) {
            *index = i;
            return m;
        }
        if (it.Sub) {
            if (TMenu* sm = FindItem(it.Sub, item, flags, index)) return sm;
            if (it.Id == item) {
                *index = i;
                return m;
            }
        }
    }
    return nullptr;
}

void SetFromFlags(TMItem& it, UINT flags, UINT_PTR id, const std::u16string* text, const void* raw) {
    it.Type = flags & (MFT_MENUBARBREAK | MFT_MENUBREAK | MFT_RIGHTJUSTIFY | MF_OWNERDRAW | MF_SEPARATOR | MF_BITMAP);
    it.State = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
    if (it.State & (MF_GRAYED | MF_DISABLED)) it.State |= MFS_GRAYED;
    if (flags & MF_POPUP) {
        it.Sub = reinterpret_cast<HMENU>(id);
        it.Id = static_cast<UINT>(id);
    } else {
        it.Sub = nullptr;
        it.Id = static_cast<UINT>(id);
    }
    it.Text.clear();
    it.Data = 0;
    it.Bmp = nullptr;
    if (flags & MF_OWNERDRAW)
        it.Data = reinterpret_cast<ULONG_PTR>(raw);
    else if (flags & MF_BITMAP)
        it.Bmp = reinterpret_cast<HBITMAP>(const_cast<void*>(raw));
    else if (!(flags & MF_SEPARATOR) && text)
        it.Text = *text;
}

BOOL InsertImpl(HMENU h, UINT pos, UINT flags, UINT_PTR id, const std::u16string* text, const void* raw, bool append) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    TMenu* m = M(h);
    if (!m) return FALSE;
    TMItem it;
    SetFromFlags(it, flags, id, text, raw);
    if (append) {
        m->Items.push_back(it);
        return TRUE;
    }
    int index = static_cast<int>(m->Items.size());
    if (pos != static_cast<UINT>(-1)) {
        int found = -1;
        TMenu* owner = FindItem(h, pos, flags & MF_BYPOSITION, &found);
        if (owner) {
            owner->Items.insert(owner->Items.begin() + found, it);
            return TRUE;
        }
        if (!(flags & MF_BYPOSITION)) return FALSE;
    }
    m->Items.insert(m->Items.begin() + index, it);
    return TRUE;
}

void DestroyTree(HMENU h) {
    std::unique_ptr<TMenu> m;
    {
        std::lock_guard<std::recursive_mutex> lk(Mx());
        auto it = Table().find(reinterpret_cast<uintptr_t>(h));
        if (it == Table().end()) return;
        m = std::move(it->second);
        Table().erase(it);
    }
    for (auto& i : m->Items)
        if (i.Sub) DestroyTree(i.Sub);
}

// ---- Layout and drawing ----------------------------------------------------------
constexpr int kBorder = 3;
constexpr int kCheckWidth = 18;
constexpr int kArrowWidth = 16;

std::u16string Label(const std::u16string& t) {
    auto tab = t.find(u'\t');
    return tab == std::u16string::npos ? t : t.substr(0, tab);
}
std::u16string Accel(const std::u16string& t) {
    auto tab = t.find(u'\t');
    return tab == std::u16string::npos ? std::u16string() : t.substr(tab + 1);
}

HDC MeasureDc() {
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, DefaultFont());
    return dc;
}

SIZE LayoutPopup(HMENU h, HWND owner) {
    TMenu* m = M(h);
    SIZE sz{0, 0};
    if (!m) return sz;
    HDC dc = MeasureDc();
    int th = TextHeight(dc);
    int itemH = std::max(th + 4, 17);
    int labelW = 0, accelW = 0;
    for (auto& it : m->Items) {
        if (it.Type & (MFT_SEPARATOR | MFT_OWNERDRAW)) continue;
        SIZE s{};
        std::u16string l = Label(it.Text);
        RECT r{0, 0, 0, 0};
        DrawTextW(dc, l.c_str(), static_cast<int>(l.size()), &r, DT_SINGLELINE | DT_CALCRECT);
        labelW = std::max<int>(labelW, r.right);
        std::u16string a = Accel(it.Text);
        if (!a.empty()) {
            GetTextExtentPoint32W(dc, a.c_str(), static_cast<int>(a.size()), &s);
            accelW = std::max<int>(accelW, s.cx);
        }
    }
    int width = kCheckWidth + labelW + (accelW ? accelW + 16 : 0) + kArrowWidth;
    int y = 0;
    for (auto& it : m->Items) {
        int hgt = itemH;
        if (it.Type & MFT_SEPARATOR) hgt = 8;
        if (it.Type & MFT_OWNERDRAW) {
            MEASUREITEMSTRUCT mis{ODT_MENU, 0, it.Id, 0, static_cast<UINT>(itemH), it.Data};
            if (owner) SendMessageW(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
            hgt = static_cast<int>(mis.itemHeight);
            width = std::max<int>(width, static_cast<int>(mis.itemWidth) + kCheckWidth + kArrowWidth);
        }
        it.Rect = RECT{0, y, 0, y + hgt};  // client coordinates: the border is the non-client frame
        y += hgt;
    }
    for (auto& it : m->Items) it.Rect.right = width;
    DeleteDC(dc);
    sz.cx = width + 2 * kBorder;
    sz.cy = y + 2 * kBorder;
    return sz;
}

void DrawItemText(HDC dc, const TMItem& it, RECT r, bool hot, bool gray, bool bar) {
    SetBkMode(dc, TRANSPARENT);
    COLORREF c = gray ? Sys(COLOR_GRAYTEXT) : hot ? Sys(COLOR_HIGHLIGHTTEXT) : Sys(COLOR_MENUTEXT);
    if (gray && !hot) {
        RECT s = r;
        OffsetRect(&s, 1, 1);
        SetTextColor(dc, Sys(COLOR_BTNHIGHLIGHT));
        Text(dc, Label(it.Text), s, DT_SINGLELINE | DT_VCENTER | (bar ? DT_CENTER : DT_LEFT));
    }
    SetTextColor(dc, c);
    Text(dc, Label(it.Text), r, DT_SINGLELINE | DT_VCENTER | (bar ? DT_CENTER : DT_LEFT));
    if (!bar) {
        std::u16string a = Accel(it.Text);
        if (!a.empty()) {
            RECT ar = r;
            ar.right -= kArrowWidth;
            Text(dc, a, ar, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
        }
    }
}

void PaintPopup(HWND w, HDC dc) {
    HMENU h = static_cast<HMENU>(GetPropW(w, u"TessaroMenu"));
    TMenu* m = M(h);
    RECT rc = ClientRect(w);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_MENU));
    if (!m) return;
    HGDIOBJ oldFont = SelectObject(dc, DefaultFont());
    HWND owner = reinterpret_cast<HWND>(GetPropW(w, u"TessaroMenuOwner"));
    for (int i = 0; i < static_cast<int>(m->Items.size()); ++i) {
        const TMItem& it = m->Items[i];
        RECT r = it.Rect;
        bool hot = i == m->Hot && !(it.Type & MFT_SEPARATOR);
        bool gray = (it.State & MFS_GRAYED) != 0;
        if (it.Type & MFT_SEPARATOR) {
            RECT s{r.left + 1, (r.top + r.bottom) / 2 - 1, r.right - 1, (r.top + r.bottom) / 2 + 1};
            DrawEdge(dc, &s, EDGE_ETCHED, BF_TOP);
            continue;
        }
        if (it.Type & MFT_OWNERDRAW) {
            DRAWITEMSTRUCT dis{};
            dis.CtlType = ODT_MENU;
            dis.itemID = it.Id;
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = (hot ? ODS_SELECTED : 0) | (gray ? ODS_GRAYED : 0) | ((it.State & MFS_CHECKED) ? ODS_CHECKED : 0);
            dis.hwndItem = reinterpret_cast<HWND>(h);
            dis.hDC = dc;
            dis.rcItem = r;
            dis.itemData = it.Data;
            if (owner) SendMessageW(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
            continue;
        }
        if (hot) FillSolid(dc, r, Sys(COLOR_HIGHLIGHT));
        COLORREF ink = gray ? Sys(COLOR_GRAYTEXT) : hot ? Sys(COLOR_HIGHLIGHTTEXT) : Sys(COLOR_MENUTEXT);
        if (it.State & MFS_CHECKED) {
            RECT cr{r.left, r.top, r.left + kCheckWidth, r.bottom};
            if (it.Type & MFT_RADIOCHECK) {
                RECT d{(cr.left + cr.right) / 2 - 3, (cr.top + cr.bottom) / 2 - 3, (cr.left + cr.right) / 2 + 3, (cr.top + cr.bottom) / 2 + 3};
                FillSolid(dc, d, ink);
            } else {
                DrawCheckMark(dc, cr, ink);
            }
        }
        RECT tr{r.left + kCheckWidth, r.top, r.right, r.bottom};
        DrawItemText(dc, it, tr, hot, gray, /*bar=*/false);
        if (it.Sub) {
            RECT ar{r.right - kArrowWidth, r.top, r.right, r.bottom};
            DrawArrow(dc, ar, 3, ink);
        }
    }
    SelectObject(dc, oldFont);
}

// The popup's border, a non-client frame, into a DC whose origin is the window's corner.
void PaintPopupFrame(HWND w, HDC dc) {
    RECT wr;
    GetWindowRect(w, &wr);
    RECT r{0, 0, wr.right - wr.left, wr.bottom - wr.top};
    HBRUSH menu = GetSysColorBrush(COLOR_MENU);
    RECT bands[4] = {{r.left, r.top, r.right, r.top + kBorder},
                     {r.left, r.bottom - kBorder, r.right, r.bottom},
                     {r.left, r.top + kBorder, r.left + kBorder, r.bottom - kBorder},
                     {r.right - kBorder, r.top + kBorder, r.right, r.bottom - kBorder}};
    for (RECT& b : bands) FillRect(dc, &b, menu);
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
}

LRESULT CALLBACK PopupMenuProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_NCCALCSIZE: {
        RECT* r = wp ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : reinterpret_cast<RECT*>(lp);
        if (r) InflateRect(r, -kBorder, -kBorder);
        return 0;
    }
    case WM_NCPAINT: {
        HDC dc = GetWindowDC(h);
        if (dc) {
            PaintPopupFrame(h, dc);
            ReleaseDC(h, dc);
        }
        return 0;
    }
    case WM_PRINT: {
        HDC dc = reinterpret_cast<HDC>(wp);
        if (!dc || ((lp & PRF_CHECKVISIBLE) && !IsWindowVisible(h))) return 0;
        if (lp & PRF_NONCLIENT) PaintPopupFrame(h, dc);
        return DefWindowProcW(h, m, wp, lp & ~static_cast<LPARAM>(PRF_NONCLIENT));
    }
    case WM_PRINTCLIENT: PaintPopup(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_PAINT: PaintWith(h, PaintPopup); return 0;
    case WM_ERASEBKGND: {
        // The class brush, as the default would; the painting covers it again.
        RECT rc = ClientRect(h);
        FillRect(reinterpret_cast<HDC>(wp), &rc, GetSysColorBrush(COLOR_MENU));
        return 1;
    }
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_NCDESTROY:
        RemovePropW(h, u"TessaroMenu");
        RemovePropW(h, u"TessaroMenuOwner");
        break;
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

// ---- Menu bars -------------------------------------------------------------------
// The bar band in window coordinates: the row above the client area.
RECT BarRect(HWND w) {
    RECT wr, cr;
    GetWindowRect(w, &wr);
    GetClientRect(w, &cr);
    POINT o{0, 0};
    ClientToScreen(w, &o);
    int left = o.x - wr.left, top = o.y - wr.top;
    return RECT{left, top - GetSystemMetrics(SM_CYMENU), left + cr.right, top};
}

void LayoutBar(HWND w, TMenu* m) {
    RECT bar = BarRect(w);
    HDC dc = MeasureDc();
    int x = bar.left;
    for (auto& it : m->Items) {
        RECT r{0, 0, 0, 0};
        std::u16string l = Label(it.Text);
        DrawTextW(dc, l.c_str(), static_cast<int>(l.size()), &r, DT_SINGLELINE | DT_CALCRECT);
        int wdt = r.right + 16;
        it.Rect = RECT{x, bar.top, x + wdt, bar.bottom};
        x += wdt;
    }
    DeleteDC(dc);
}

void PaintBar(HWND w, HDC dc, const RECT& band, BOOL) {
    TMenu* m = M(GetMenu(w));
    FillSolid(dc, band, Sys(COLOR_MENU));
    if (!m) return;
    LayoutBar(w, m);
    HGDIOBJ oldFont = SelectObject(dc, DefaultFont());
    for (int i = 0; i < static_cast<int>(m->Items.size()); ++i) {
        const TMItem& it = m->Items[i];
        RECT r = it.Rect;
        r.top = band.top;
        r.bottom = band.bottom;
        bool hot = i == m->Hot && m->BarOf == w;
        if (hot) FillSolid(dc, r, Sys(COLOR_HIGHLIGHT));
        DrawItemText(dc, it, r, hot, (it.State & MFS_GRAYED) != 0, /*bar=*/true);
    }
    SelectObject(dc, oldFont);
}

// ---- The modal menu loop ------------------------------------------------------------
struct TLevel {
    HMENU Menu;
    HWND Wnd;  // nullptr for the bar
};

struct TLoop {
    HWND Owner = nullptr;
    HWND BarWnd = nullptr;  // the window whose bar is the first level
    std::vector<TLevel> Levels;
    bool Done = false;
    UINT Chosen = 0;
    UINT Flags = 0;
    bool Notify = true;
};
thread_local TLoop* tLoop = nullptr;

TMenu* LevelMenu(TLoop& L, std::size_t i) {
    assert(i < L.Levels.size());
    return M(L.Levels[i].Menu);
}

// A selection report: sent to the owner unless TPM_NONOTIFY, and always shown
// to the thread's WH_MSGFILTER hooks, which follow the loop by it.
void ReportMenuSelect(TLoop& L, WPARAM wp, LPARAM lp) {
    if (L.Notify && IsWindow(L.Owner)) SendMessageW(L.Owner, WM_MENUSELECT, wp, lp);
    MSG report{};
    report.hwnd = L.Owner;
    report.message = WM_MENUSELECT;
    report.wParam = wp;
    report.lParam = lp;
    GetCursorPos(&report.pt);
    CallMsgFilterW(&report, MSGF_MENU);
}

void MenuSelect(TLoop& L, HMENU h, int i) {
    TMenu* m = M(h);
    if (!m || i < 0 || i >= static_cast<int>(m->Items.size())) return;
    const TMItem& it = m->Items[i];
    UINT flags = MF_HILITE | (it.Sub ? MF_POPUP : 0) | (it.State & (MF_GRAYED | MF_DISABLED | MF_CHECKED)) |
                 (it.Type & (MF_OWNERDRAW | MF_SEPARATOR | MF_BITMAP));
    UINT item = it.Sub ? static_cast<UINT>(i) : it.Id;
    ReportMenuSelect(L, MAKEWPARAM(static_cast<WORD>(item), static_cast<WORD>(flags)), reinterpret_cast<LPARAM>(h));
}

void Repaint(TLoop& L, std::size_t level) {
    if (L.Levels[level].Wnd)
        InvalidateRect(L.Levels[level].Wnd, /*lpRect=*/nullptr, FALSE);
    else if (L.BarWnd)
        DrawMenuBar(L.BarWnd);
}

void Select(TLoop& L, std::size_t level, int i) {
    TMenu* m = LevelMenu(L, level);
    if (!m || m->Hot == i) return;
    m->Hot = i;
    Repaint(L, level);
    if (i >= 0) MenuSelect(L, L.Levels[level].Menu, i);
}

void CloseFrom(TLoop& L, std::size_t level) {
    while (L.Levels.size() > level) {
        TLevel lv = L.Levels.back();
        L.Levels.pop_back();
        if (TMenu* m = M(lv.Menu)) {
            m->Hot = -1;
            m->Wnd = nullptr;
            m->BarOf = nullptr;
        }
        if (lv.Wnd) DestroyWindow(lv.Wnd);
        if (L.Notify && lv.Wnd) SendMessageW(L.Owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(lv.Menu), 0);
    }
}

HWND ShowPopup(TLoop& L, HMENU h, int x, int y, const RECT* exclude, UINT align) {
    TMenu* m = M(h);
    if (!m) return nullptr;
    m->Hot = -1;
    SIZE sz = LayoutPopup(h, L.Owner);
    if (align & TPM_RIGHTALIGN) x -= sz.cx;
    else if (align & TPM_CENTERALIGN) x -= sz.cx / 2;
    if (align & TPM_BOTTOMALIGN) y -= sz.cy;
    else if (align & TPM_VCENTERALIGN) y -= sz.cy / 2;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (x + sz.cx > sw) x = exclude ? exclude->left - sz.cx : sw - sz.cx;
    if (y + sz.cy > sh) y = exclude ? std::max(0, static_cast<int>(exclude->bottom) - sz.cy) : sh - sz.cy;
    x = std::max(x, 0);
    y = std::max(y, 0);
    HWND w = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, u"#32768", u"", WS_POPUP, x, y, sz.cx, sz.cy,
                             /*hWndParent=*/nullptr,
                             /*hMenu=*/nullptr, /*hInstance=*/nullptr, /*lpParam=*/nullptr);
    if (!w) return nullptr;
    SetPropW(w, u"TessaroMenu", h);
    SetPropW(w, u"TessaroMenuOwner", L.Owner);
    m->Wnd = w;
    SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
    UpdateWindow(w);
    return w;
}

// Opens the submenu of the selected item of level (index); keyboard selects its first item.
bool OpenSub(TLoop& L, std::size_t level, bool selectFirst) {
    TMenu* m = LevelMenu(L, level);
    if (!m || m->Hot < 0) return false;
    TMItem& it = m->Items[m->Hot];
    if (!it.Sub || (it.State & MFS_GRAYED) || !M(it.Sub)) return false;
    CloseFrom(L, level + 1);
    if (L.Notify)
        SendMessageW(L.Owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(it.Sub), MAKELPARAM(static_cast<WORD>(m->Hot), 0));
    RECT r = it.Rect;
    POINT o{0, 0};
    int x, y;
    RECT ex;
    if (L.Levels[level].Wnd) {
        ClientToScreen(L.Levels[level].Wnd, &o);
        x = o.x + r.right - 2;
        y = o.y + r.top - kBorder;
        ex = RECT{o.x + r.left, o.y + r.top, o.x + r.right, o.y + r.bottom};
    } else {
        RECT wr;
        GetWindowRect(L.BarWnd, &wr);
        x = wr.left + r.left;
        y = wr.top + r.bottom;
        ex = RECT{wr.left + r.left, wr.top + r.top, wr.left + r.right, wr.top + r.bottom};
    }
    HWND w = ShowPopup(L, it.Sub, x, y, &ex, 0);
    if (!w) return false;
    L.Levels.push_back(TLevel{it.Sub, w});
    if (selectFirst) {
        TMenu* sm = M(it.Sub);
        for (int i = 0; i < static_cast<int>(sm->Items.size()); ++i)
            if (!(sm->Items[i].Type & MFT_SEPARATOR)) {
                Select(L, L.Levels.size() - 1, i);
                break;
            }
    }
    return true;
}

void Choose(TLoop& L, std::size_t level, int i) {
    TMenu* m = LevelMenu(L, level);
    if (!m || i < 0 || i >= static_cast<int>(m->Items.size())) return;
    TMItem& it = m->Items[i];
    if (it.Type & MFT_SEPARATOR) return;
    if (it.Sub) {
        Select(L, level, i);
        OpenSub(L, level, /*selectFirst=*/true);
        return;
    }
    if (it.State & MFS_GRAYED) return;
    L.Chosen = it.Id;
    L.Done = true;
}

// The level and item under a screen point; level -1 when none.
int HitTest(TLoop& L, POINT pt, int* item) {
    *item = -1;
    for (int lv = static_cast<int>(L.Levels.size()) - 1; lv >= 0; --lv) {
        TMenu* m = LevelMenu(L, static_cast<std::size_t>(lv));
        if (!m) continue;
        POINT p = pt;
        if (L.Levels[lv].Wnd) {
            RECT wr;
            GetWindowRect(L.Levels[lv].Wnd, &wr);
            if (!PtInRect(&wr, pt)) continue;
            ScreenToClient(L.Levels[lv].Wnd, &p);
        } else {
            RECT wr;
            GetWindowRect(L.BarWnd, &wr);
            p.x -= wr.left;
            p.y -= wr.top;
            RECT bar = BarRect(L.BarWnd);
            if (!PtInRect(&bar, p)) continue;
        }
        for (int i = 0; i < static_cast<int>(m->Items.size()); ++i)
            if (PtInRect(&m->Items[i].Rect, p)) {
                *item = i;
                break;
            }
        return lv;
    }
    return -1;
}

void MoveSel(TLoop& L, std::size_t level, int dir) {
    TMenu* m = LevelMenu(L, level);
    if (!m || m->Items.empty()) return;
    int n = static_cast<int>(m->Items.size());
    int i = m->Hot;
    for (int k = 0; k < n; ++k) {
        i = i < 0 ? (dir > 0 ? 0 : n - 1) : (i + dir + n) % n;
        if (!(m->Items[i].Type & MFT_SEPARATOR)) break;
    }
    Select(L, level, i);
}

// Bar level: switches to the neighbouring bar item, opening its popup.
void BarStep(TLoop& L, int dir) {
    CloseFrom(L, 1);
    MoveSel(L, 0, dir);
    OpenSub(L, 0, /*selectFirst=*/true);
}

void KeyDown(TLoop& L, WPARAM vk) {
    std::size_t deep = L.Levels.size() - 1;
    bool barLevel = !L.Levels[deep].Wnd;
    switch (vk) {
    case VK_UP:
    case VK_DOWN:
        if (barLevel)
            OpenSub(L, deep, /*selectFirst=*/true);
        else
            MoveSel(L, deep, vk == VK_DOWN ? 1 : -1);
        break;
    case VK_RIGHT:
        if (barLevel)
            MoveSel(L, 0, 1);
        else if (!OpenSub(L, deep, /*selectFirst=*/true) && L.BarWnd)
            BarStep(L, 1);
        break;
    case VK_LEFT:
        if (barLevel)
            MoveSel(L, 0, -1);
        else if (deep >= 1 && L.Levels[deep - 1].Wnd) {
            CloseFrom(L, deep);
            // The item whose submenu closed is the selection again, and is reported so.
            if (TMenu* pm = LevelMenu(L, deep - 1); pm && pm->Hot >= 0) MenuSelect(L, L.Levels[deep - 1].Menu, pm->Hot);
        }
        else if (L.BarWnd)
            BarStep(L, -1);
        break;
    case VK_RETURN: {
        TMenu* m = LevelMenu(L, deep);
        if (m && m->Hot >= 0) Choose(L, deep, m->Hot);
        break;
    }
    case VK_ESCAPE:
        if (deep == 0 || (deep == 1 && L.BarWnd))
            L.Done = true;
        else
            CloseFrom(L, deep);
        break;
    case VK_MENU:
    case VK_F10:
        L.Done = true;
        break;
    default: break;
    }
}

// A typed character chooses the item whose mnemonic (&x) it is.
void CharKey(TLoop& L, char16_t c) {
    std::size_t deep = L.Levels.size() - 1;
    TMenu* m = LevelMenu(L, deep);
    if (!m) return;
    auto lower = [](char16_t x) { return (x >= u'A' && x <= u'Z') ? static_cast<char16_t>(x + 32) : x; };
    for (int i = 0; i < static_cast<int>(m->Items.size()); ++i) {
        const std::u16string& t = m->Items[i].Text;
        auto amp = t.find(u'&');
        while (amp != std::u16string::npos && amp + 1 < t.size() && t[amp + 1] == u'&') amp = t.find(u'&', amp + 2);
        if (amp != std::u16string::npos && amp + 1 < t.size() && lower(t[amp + 1]) == lower(c)) {
            Select(L, deep, i);
            Choose(L, deep, i);
            return;
        }
    }
}

void Mouse(TLoop& L, const MSG& msg) {
    // The point the message carries, so one posted to a popup counts where it says.
    POINT pt = msg.pt;
    if (msg.hwnd && msg.message != WM_MOUSEWHEEL) {
        pt = POINT{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
        ClientToScreen(msg.hwnd, &pt);
    }
    int item;
    int lv = HitTest(L, pt, &item);
    switch (msg.message) {
    case WM_MOUSEMOVE:
        if (lv < 0 || item < 0) return;
        if (!L.Levels[lv].Wnd) {
            // Over the bar: switch popups only while one is open.
            TMenu* bm = LevelMenu(L, 0);
            if (bm->Hot != item && L.Levels.size() > 1) {
                CloseFrom(L, 1);
                Select(L, 0, item);
                OpenSub(L, 0, /*selectFirst=*/false);
            }
            return;
        }
        if (static_cast<std::size_t>(lv) + 1 < L.Levels.size()) {
            TMenu* m = LevelMenu(L, static_cast<std::size_t>(lv));
            if (m->Hot == item) return;
            CloseFrom(L, static_cast<std::size_t>(lv) + 1);
        }
        Select(L, static_cast<std::size_t>(lv), item);
        OpenSub(L, static_cast<std::size_t>(lv), /*selectFirst=*/false);
        return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (lv < 0) {
            L.Done = true;  // a press outside every menu ends the loop
            return;
        }
        if (!L.Levels[lv].Wnd && item >= 0) {
            TMenu* bm = LevelMenu(L, 0);
            if (bm->Hot == item && L.Levels.size() > 1) {
                L.Done = true;
                return;
            }
            CloseFrom(L, 1);
            Select(L, 0, item);
            OpenSub(L, 0, /*selectFirst=*/false);
        }
        return;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        if (lv >= 0 && L.Levels[lv].Wnd && item >= 0) {
            TMenu* m = LevelMenu(L, static_cast<std::size_t>(lv));
            if (!m->Items[item].Sub) Choose(L, static_cast<std::size_t>(lv), item);
        }
        return;
    default: return;
    }
}

bool IsMouse(UINT m) { return m >= WM_MOUSEFIRST && m <= WM_MOUSELAST; }
bool IsKey(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }
bool IsNcPress(UINT m) {
    return m == WM_NCLBUTTONDOWN || m == WM_NCRBUTTONDOWN || m == WM_NCMBUTTONDOWN || m == WM_NCLBUTTONDBLCLK ||
           m == WM_NCRBUTTONDBLCLK || m == WM_NCMBUTTONDBLCLK;
}
bool IsClientPress(UINT m) {
    return m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_MBUTTONDOWN || m == WM_LBUTTONDBLCLK ||
           m == WM_RBUTTONDBLCLK || m == WM_MBUTTONDBLCLK;
}

// A press that reached another window past the capture (posted there, or
// non-client) and lies outside every level ends the loop; it stays queued
// for that window, so a click elsewhere, or on another bar item of a skinned
// frame, acts once the menu is gone.
bool EndsLoopQueued(TLoop& L, const MSG& msg) {
    bool nc = IsNcPress(msg.message);
    if (!nc && !(IsClientPress(msg.message) && msg.hwnd && msg.hwnd != L.Owner)) return false;
    for (const TLevel& lv : L.Levels)
        if (lv.Wnd && msg.hwnd == lv.Wnd) return false;
    POINT pt{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
    if (!nc) ClientToScreen(msg.hwnd, &pt);
    int item;
    return HitTest(L, pt, &item) < 0;
}

// Runs the loop until a choice, a cancel, EndMenu, WM_QUIT or the owner's end.
void RunLoop(TLoop& L) {
    HWND first = L.Levels.back().Wnd ? L.Levels.back().Wnd : L.Owner;
    SetCapture(L.Owner);
    FireModalHook(first);
    MSG msg;
    while (!L.Done) {
        if (!IsWindow(L.Owner)) break;
        if (PeekMessageW(&msg, /*hWnd=*/nullptr, 0, 0, PM_NOREMOVE) && EndsLoopQueued(L, msg)) break;
        if (!PeekMessageW(&msg, /*hWnd=*/nullptr, 0, 0, PM_REMOVE)) {
            if (L.Notify && IsWindow(L.Owner)) SendMessageW(L.Owner, WM_ENTERIDLE, MSGF_MENU, reinterpret_cast<LPARAM>(first));
            if (PeekMessageW(&msg, /*hWnd=*/nullptr, 0, 0, PM_NOREMOVE)) continue;
            MsgWaitForMultipleObjects(0, /*pHandles=*/nullptr, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (CallMsgFilterW(&msg, MSGF_MENU)) continue;
        if (IsMouse(msg.message)) {
            Mouse(L, msg);
            continue;
        }
        if (IsKey(msg.message)) {
            if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) KeyDown(L, msg.wParam);
            else if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) CharKey(L, static_cast<char16_t>(msg.wParam));
            else if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) TranslateMessage(&msg);
            if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) TranslateMessage(&msg);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (GetCapture() == L.Owner) ReleaseCapture();
}

UINT Track(HMENU h, UINT flags, int x, int y, HWND owner, const RECT* exclude, HWND barWnd, int barItem) {
    if (tLoop || !owner || !IsWindow(owner)) return 0;
    CommctlStartup();
    TLoop L;
    L.Owner = owner;
    L.Flags = flags;
    L.Notify = !(flags & TPM_NONOTIFY);
    L.BarWnd = barWnd;
    tLoop = &L;
    if (L.Notify) {
        SendMessageW(owner, WM_ENTERMENULOOP, barWnd ? FALSE : TRUE, 0);
        SendMessageW(owner, WM_INITMENU, reinterpret_cast<WPARAM>(barWnd ? GetMenu(barWnd) : h), 0);
    }
    if (barWnd) {
        TMenu* bm = M(h);
        bm->BarOf = barWnd;
        L.Levels.push_back(TLevel{h, nullptr});
        LayoutBar(barWnd, bm);
        if (barItem >= 0) {
            Select(L, 0, barItem);
            OpenSub(L, 0, /*selectFirst=*/false);
        } else {
            MoveSel(L, 0, 1);
        }
    } else {
        if (L.Notify) SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(h), MAKELPARAM(0, 0));
        HWND w = ShowPopup(L, h, x, y, exclude, flags);
        if (!w) {
            tLoop = nullptr;
            return 0;
        }
        L.Levels.push_back(TLevel{h, w});
    }
    RunLoop(L);
    CloseFrom(L, 0);
    if (barWnd) DrawMenuBar(barWnd);
    tLoop = nullptr;
    ReportMenuSelect(L, MAKEWPARAM(0, 0xFFFF), 0);
    if (L.Notify && IsWindow(owner)) SendMessageW(owner, WM_EXITMENULOOP, barWnd ? FALSE : TRUE, 0);
    if (L.Chosen && !(flags & TPM_RETURNCMD) && IsWindow(owner))
        PostMessageW(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(L.Chosen), 0), 0);
    return L.Chosen;
}

// ---- Menu bars run by DefWindowProc's SC_MOUSEMENU and SC_KEYMENU ----------------
void TrackBar(HWND w, WPARAM cmd, LPARAM lp) {
    if (tLoop) return;
    TMenu* bm = M(GetMenu(w));
    if (!bm) return;
    if ((cmd & 0xFFF0) == SC_MOUSEMENU) {
        int item = MenuBarItemFromPoint(w, POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
        if (item >= 0) MenuBarTrack(w, item);
        return;
    }
    if (!lp) {
        MenuBarTrack(w, -1);
        return;
    }
    auto lower = [](char16_t x) { return (x >= u'A' && x <= u'Z') ? static_cast<char16_t>(x + 32) : x; };
    for (int i = 0; i < static_cast<int>(bm->Items.size()); ++i) {
        const std::u16string& t = bm->Items[i].Text;
        auto amp = t.find(u'&');
        if (amp != std::u16string::npos && amp + 1 < t.size() && lower(t[amp + 1]) == lower(static_cast<char16_t>(lp))) {
            MenuBarTrack(w, i);
            return;
        }
    }
}

}  // namespace

void RegisterMenuClasses() {
    RegisterCtlClass(u"#32768", PopupMenuProc, CS_SAVEBITS | CS_DBLCLKS, /*cursor=*/nullptr, COLOR_MENU);
    SetMenuBarPainter(PaintBar);
    SetMenuBarTracker(TrackBar);
}

}  // namespace cc

using namespace cc;

HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }
BOOL DestroyMenu(HMENU h) {
    if (!M(h)) return FALSE;
    DestroyTree(h);
    return TRUE;
}
BOOL IsMenu(HMENU h) { return M(h) != nullptr; }

BOOL AppendMenuA(HMENU h, UINT f, UINT_PTR id, LPCSTR s) {
    std::u16string t = (f & (MF_OWNERDRAW | MF_BITMAP | MF_SEPARATOR)) ? std::u16string() : WideOf(s);
    return InsertImpl(h, static_cast<UINT>(-1), f, id, &t, s, /*append=*/true);
}
BOOL AppendMenuW(HMENU h, UINT f, UINT_PTR id, LPCWSTR s) {
    std::u16string t = (f & (MF_OWNERDRAW | MF_BITMAP | MF_SEPARATOR)) ? std::u16string() : WideOfW(s);
    return InsertImpl(h, static_cast<UINT>(-1), f, id, &t, s, /*append=*/true);
}
BOOL InsertMenuA(HMENU h, UINT pos, UINT f, UINT_PTR id, LPCSTR s) {
    std::u16string t = (f & (MF_OWNERDRAW | MF_BITMAP | MF_SEPARATOR)) ? std::u16string() : WideOf(s);
    return InsertImpl(h, pos, f, id, &t, s, /*append=*/false);
}
BOOL InsertMenuW(HMENU h, UINT pos, UINT f, UINT_PTR id, LPCWSTR s) {
    std::u16string t = (f & (MF_OWNERDRAW | MF_BITMAP | MF_SEPARATOR)) ? std::u16string() : WideOfW(s);
    return InsertImpl(h, pos, f, id, &t, s, /*append=*/false);
}

static BOOL ModifyImpl(HMENU h, UINT pos, UINT f, UINT_PTR id, const std::u16string& t, const void* raw) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    int i = -1;
    TMenu* m = FindItem(h, pos, f & MF_BYPOSITION, &i);
    if (!m) return FALSE;
    SetFromFlags(m->Items[i], f, id, &t, raw);
    return TRUE;
}
BOOL ModifyMenuA(HMENU h, UINT pos, UINT f, UINT_PTR id, LPCSTR s) {
    return ModifyImpl(h, pos, f, id, (f & (MF_OWNERDRAW | MF_BITMAP | MF_SEPARATOR)) ? std::u16string() : WideOf(s), s);
}
BOOL ModifyMenuW(HMENU h, UINT pos, UINT f, UINT_PTR id, LPCWSTR s) {
    return ModifyImpl(h, pos, f, id, (f & (MF_OWNERDRAW | MF_BITMAP | MF_SEPARATOR)) ? std::u16string() : WideOfW(s), s);
}

template <class MII>
static void FromInfo(TMItem& it, const MII* mi, const std::u16string& text) {
    if (mi->fMask & MIIM_TYPE) {
        it.Type = mi->fType;
        if (!(mi->fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW))) it.Text = text;
        if (mi->fType & MFT_BITMAP) it.Bmp = reinterpret_cast<HBITMAP>(mi->dwTypeData);
    }
    if (mi->fMask & MIIM_FTYPE) it.Type = mi->fType;
    if (mi->fMask & MIIM_STRING) it.Text = text;
    if (mi->fMask & MIIM_STATE) it.State = mi->fState;
    if (mi->fMask & MIIM_ID) it.Id = mi->wID;
    if (mi->fMask & MIIM_SUBMENU) it.Sub = mi->hSubMenu;
    if (mi->fMask & MIIM_DATA) it.Data = mi->dwItemData;
    if (mi->fMask & MIIM_BITMAP) it.Bmp = mi->hbmpItem;
}

static BOOL InsertInfo(HMENU h, UINT item, BOOL byPos, const TMItem& it) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    TMenu* m = M(h);
    if (!m) return FALSE;
    int i = -1;
    TMenu* owner = FindItem(h, item, byPos ? MF_BYPOSITION : 0, &i);
    if (owner)
        owner->Items.insert(owner->Items.begin() + i, it);
    else if (byPos)
        m->Items.push_back(it);
    else
        return FALSE;
    return TRUE;
}

BOOL InsertMenuItemA(HMENU h, UINT item, BOOL byPos, const MENUITEMINFOA* mi) {
    if (!mi) return FALSE;
    TMItem it;
    bool hasText = (mi->fMask & MIIM_STRING) || ((mi->fMask & MIIM_TYPE) && !(mi->fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW)));
    FromInfo(it, mi, hasText ? WideOf(mi->dwTypeData) : std::u16string());
    return InsertInfo(h, item, byPos, it);
}
BOOL InsertMenuItemW(HMENU h, UINT item, BOOL byPos, const MENUITEMINFOW* mi) {
    if (!mi) return FALSE;
    TMItem it;
    bool hasText = (mi->fMask & MIIM_STRING) || ((mi->fMask & MIIM_TYPE) && !(mi->fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW)));
    FromInfo(it, mi, hasText ? WideOfW(mi->dwTypeData) : std::u16string());
    return InsertInfo(h, item, byPos, it);
}

BOOL SetMenuItemInfoA(HMENU h, UINT item, BOOL byPos, const MENUITEMINFOA* mi) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    int i = -1;
    TMenu* m = FindItem(h, item, byPos ? MF_BYPOSITION : 0, &i);
    if (!m || !mi) return FALSE;
    bool hasText = (mi->fMask & MIIM_STRING) || ((mi->fMask & MIIM_TYPE) && !(mi->fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW)));
    FromInfo(m->Items[i], mi, hasText ? WideOf(mi->dwTypeData) : std::u16string());
    return TRUE;
}
BOOL SetMenuItemInfoW(HMENU h, UINT item, BOOL byPos, const MENUITEMINFOW* mi) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    int i = -1;
    TMenu* m = FindItem(h, item, byPos ? MF_BYPOSITION : 0, &i);
    if (!m || !mi) return FALSE;
    bool hasText = (mi->fMask & MIIM_STRING) || ((mi->fMask & MIIM_TYPE) && !(mi->fType & (MFT_SEPARATOR | MFT_BITMAP | MFT_OWNERDRAW)));
    FromInfo(m->Items[i], mi, hasText ? WideOfW(mi->dwTypeData) : std::u16string());
    return TRUE;
}

template <class MII, class CopyFn>
static BOOL GetInfo(HMENU h, UINT item, BOOL byPos, MII* mi, CopyFn copy) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    int i = -1;
    TMenu* m = FindItem(h, item, byPos ? MF_BYPOSITION : 0, &i);
    if (!m || !mi) return FALSE;
    const TMItem& it = m->Items[i];
    if (mi->fMask & (MIIM_TYPE | MIIM_FTYPE)) mi->fType = it.Type;
    if (mi->fMask & MIIM_STATE) mi->fState = it.State;
    if (mi->fMask & MIIM_ID) mi->wID = it.Id;
    if (mi->fMask & MIIM_SUBMENU) mi->hSubMenu = it.Sub;
    if (mi->fMask & MIIM_DATA) mi->dwItemData = it.Data;
    if (mi->fMask & MIIM_BITMAP) mi->hbmpItem = it.Bmp;
    if (mi->fMask & (MIIM_STRING | MIIM_TYPE)) {
        if (it.Type & (MFT_SEPARATOR | MFT_OWNERDRAW | MFT_BITMAP)) {
            if (mi->fMask & MIIM_TYPE) mi->cch = 0;
        } else {
            mi->cch = copy(it.Text, mi->dwTypeData, mi->cch);
        }
    }
    return TRUE;
}

BOOL GetMenuItemInfoA(HMENU h, UINT item, BOOL byPos, MENUITEMINFOA* mi) {
    return GetInfo(h, item, byPos, mi, [](const std::u16string& t, LPSTR buf, UINT cch) -> UINT {
        std::string a = Utf16ToUtf8(t);
        if (!buf || !cch) return static_cast<UINT>(a.size());
        return static_cast<UINT>(CopyA(a, buf, static_cast<int>(cch)));
    });
}
BOOL GetMenuItemInfoW(HMENU h, UINT item, BOOL byPos, MENUITEMINFOW* mi) {
    return GetInfo(h, item, byPos, mi, [](const std::u16string& t, LPWSTR buf, UINT cch) -> UINT {
        if (!buf || !cch) return static_cast<UINT>(t.size());
        return static_cast<UINT>(CopyW(t, buf, static_cast<int>(cch)));
    });
}

static BOOL RemoveImpl(HMENU h, UINT pos, UINT f, bool destroy) {
    HMENU sub = nullptr;
    {
        std::lock_guard<std::recursive_mutex> lk(Mx());
        int i = -1;
        TMenu* m = FindItem(h, pos, f & MF_BYPOSITION, &i);
        if (!m) return FALSE;
        sub = m->Items[i].Sub;
        m->Items.erase(m->Items.begin() + i);
    }
    if (destroy && sub) DestroyTree(sub);
    return TRUE;
}
BOOL DeleteMenu(HMENU h, UINT pos, UINT f) { return RemoveImpl(h, pos, f, /*destroy=*/true); }
BOOL RemoveMenu(HMENU h, UINT pos, UINT f) { return RemoveImpl(h, pos, f, /*destroy=*/false); }

int GetMenuItemCount(HMENU h) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    TMenu* m = M(h);
    return m ? static_cast<int>(m->Items.size()) : -1;
}
UINT GetMenuItemID(HMENU h, int pos) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    TMenu* m = M(h);
    if (!m || pos < 0 || pos >= static_cast<int>(m->Items.size())) return static_cast<UINT>(-1);
    return m->Items[pos].Sub ? static_cast<UINT>(-1) : m->Items[pos].Id;
}
HMENU GetSubMenu(HMENU h, int pos) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    TMenu* m = M(h);
    if (!m || pos < 0 || pos >= static_cast<int>(m->Items.size())) return nullptr;
    return m->Items[pos].Sub;
}
int GetMenuStringA(HMENU h, UINT id, LPSTR s, int max, UINT f) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    int i = -1;
    TMenu* m = FindItem(h, id, f & MF_BYPOSITION, &i);
    if (!m) return 0;
    std::string a = Utf16ToUtf8(m->Items[i].Text);
    if (!s || max <= 0) return static_cast<int>(a.size());
    return CopyA(a, s, max);
}
int GetMenuStringW(HMENU h, UINT id, LPWSTR s, int max, UINT f) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    int i = -1;
    TMenu* m = FindItem(h, id, f & MF_BYPOSITION, &i);
    if (!m) return 0;
    if (!s || max <= 0) return static_cast<int>(m->Items[i].Text.size());
    return CopyW(m->Items[i].Text, s, max);
}

BOOL EnableMenuItem(HMENU h, UINT id, UINT f) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    int i = -1;
    TMenu* m = FindItem(h, id, f & MF_BYPOSITION, &i);
    if (!m) return -1;
    UINT old = m->Items[i].State & (MF_GRAYED | MF_DISABLED);
    m->Items[i].State = (m->Items[i].State & ~MFS_GRAYED) | (f & (MF_GRAYED | MF_DISABLED));
    if (f & (MF_GRAYED | MF_DISABLED)) m->Items[i].State |= (f & MF_GRAYED) ? MF_GRAYED : MF_DISABLED;
    if (m->Wnd) InvalidateRect(m->Wnd, /*lpRect=*/nullptr, FALSE);
    return static_cast<BOOL>(old);
}
DWORD CheckMenuItem(HMENU h, UINT id, UINT f) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    int i = -1;
    TMenu* m = FindItem(h, id, f & MF_BYPOSITION, &i);
    if (!m) return static_cast<DWORD>(-1);
    DWORD old = m->Items[i].State & MF_CHECKED;
    m->Items[i].State = (m->Items[i].State & ~MF_CHECKED) | (f & MF_CHECKED);
    if (m->Wnd) InvalidateRect(m->Wnd, /*lpRect=*/nullptr, FALSE);
    return old;
}
BOOL CheckMenuRadioItem(HMENU h, UINT first, UINT last, UINT check, UINT f) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    bool any = false;
    for (UINT k = first; k <= last; ++k) {
        int i = -1;
        TMenu* m = FindItem(h, k, f & MF_BYPOSITION, &i);
        if (!m) continue;
        any = true;
        auto& it = m->Items[i];
        if (k == check) {
            it.State |= MFS_CHECKED;
            it.Type |= MFT_RADIOCHECK;
        } else {
            it.State &= ~MFS_CHECKED;
        }
    }
    return any;
}
UINT GetMenuState(HMENU h, UINT id, UINT f) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    int i = -1;
    TMenu* m = FindItem(h, id, f & MF_BYPOSITION, &i);
    if (!m) return static_cast<UINT>(-1);
    const TMItem& it = m->Items[i];
    UINT s = (it.State & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT)) |
             (it.Type & (MF_SEPARATOR | MF_OWNERDRAW | MF_BITMAP | MF_MENUBREAK | MF_MENUBARBREAK));
    if (it.Sub) {
        TMenu* sm = M(it.Sub);
        s = (s & 0xFF) | MF_POPUP | (sm ? static_cast<UINT>(sm->Items.size()) << 8 : 0);
    }
    return s;
}
BOOL SetMenuDefaultItem(HMENU h, UINT item, UINT byPos) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    TMenu* m = M(h);
    if (!m) return FALSE;
    for (auto& it : m->Items) it.State &= ~MFS_DEFAULT;
    if (item == static_cast<UINT>(-1)) return TRUE;
    int i = -1;
    TMenu* o = FindItem(h, item, byPos ? MF_BYPOSITION : 0, &i);
    if (o != m) return FALSE;
    m->Items[i].State |= MFS_DEFAULT;
    return TRUE;
}
BOOL HiliteMenuItem(HWND w, HMENU h, UINT item, UINT f) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    int i = -1;
    TMenu* m = FindItem(h, item, f & MF_BYPOSITION, &i);
    if (!m) return FALSE;
    if (f & MF_HILITE)
        m->Items[i].State |= MF_HILITE;
    else
        m->Items[i].State &= ~MF_HILITE;
    if (w) DrawMenuBar(w);
    return TRUE;
}

BOOL GetMenuItemRect(HWND w, HMENU h, UINT item, LPRECT r) {
    TMenu* m = M(h);
    if (!m || !r || item >= m->Items.size()) return FALSE;
    RECT ir = m->Items[item].Rect;
    if (m->Wnd) {
        POINT o{0, 0};
        ClientToScreen(m->Wnd, &o);
        OffsetRect(&ir, o.x, o.y);
    } else if (w && GetMenu(w) == h) {
        LayoutBar(w, m);
        ir = m->Items[item].Rect;
        RECT wr;
        GetWindowRect(w, &wr);
        OffsetRect(&ir, wr.left, wr.top);
    } else {
        return FALSE;
    }
    *r = ir;
    return TRUE;
}

BOOL TrackPopupMenuEx(HMENU h, UINT flags, int x, int y, HWND hwnd, const TPMPARAMS* tpm) {
    if (!M(h)) return FALSE;
    UINT r = Track(h, flags, x, y, hwnd, tpm ? &tpm->rcExclude : nullptr, /*barWnd=*/nullptr, -1);
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(r);
    return TRUE;
}
BOOL TrackPopupMenu(HMENU h, UINT flags, int x, int y, int, HWND hwnd, const RECT*) {
    return TrackPopupMenuEx(h, flags, x, y, hwnd, /*lptpm=*/nullptr);
}
BOOL EndMenu() {
    if (!tLoop) return FALSE;
    tLoop->Done = true;
    return TRUE;
}

void MenuBarTrack(HWND w, int item) {
    HMENU bar = GetMenu(w);
    if (!M(bar)) return;
    Track(bar, 0, 0, 0, w, /*exclude=*/nullptr, w, item);
}

int MenuBarItemFromPoint(HWND w, POINT pt) {
    TMenu* m = M(GetMenu(w));
    if (!m) return -1;
    LayoutBar(w, m);
    RECT wr;
    GetWindowRect(w, &wr);
    POINT p{pt.x - wr.left, pt.y - wr.top};
    for (int i = 0; i < static_cast<int>(m->Items.size()); ++i)
        if (PtInRect(&m->Items[i].Rect, p)) return i;
    return -1;
}

// ---- System menus -----------------------------------------------------------------
namespace {
std::map<HWND, HMENU>& SystemMenus() {
    static std::map<HWND, HMENU> m;
    return m;
}
// Copies of windows that are gone are freed on the next call.
void PurgeSystemMenus() {
    auto& all = SystemMenus();
    for (auto it = all.begin(); it != all.end();) {
        if (IsWindow(it->first)) {
            ++it;
            continue;
        }
        DestroyMenu(it->second);
        it = all.erase(it);
    }
}
}  // namespace

HMENU GetSystemMenu(HWND hWnd, BOOL bRevert) {
    std::lock_guard<std::recursive_mutex> lk(Mx());
    PurgeSystemMenus();
    if (!IsWindow(hWnd)) return nullptr;
    auto& all = SystemMenus();
    auto found = all.find(hWnd);
    if (bRevert) {
        if (found != all.end()) {
            DestroyMenu(found->second);
            all.erase(found);
        }
        return nullptr;
    }
    HMENU menu;
    if (found != all.end()) {
        menu = found->second;
    } else {
        menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, SC_RESTORE, u"&Restore");
        AppendMenuW(menu, MF_STRING, SC_MOVE, u"&Move");
        AppendMenuW(menu, MF_STRING, SC_SIZE, u"&Size");
        AppendMenuW(menu, MF_STRING, SC_MINIMIZE, u"Mi&nimize");
        AppendMenuW(menu, MF_STRING, SC_MAXIMIZE, u"Ma&ximize");
        AppendMenuW(menu, MF_SEPARATOR, 0, /*lpNewItem=*/nullptr);
        AppendMenuW(menu, MF_STRING, SC_CLOSE, u"&Close\tAlt+F4");
        SetMenuDefaultItem(menu, SC_CLOSE, FALSE);
        all[hWnd] = menu;
    }
    // The states follow the window as it is now.
    DWORD style = static_cast<DWORD>(GetWindowLongPtrW(hWnd, GWL_STYLE));
    bool minimized = (style & WS_MINIMIZE) != 0, maximized = (style & WS_MAXIMIZE) != 0;
    bool noClose = (GetClassLongPtrW(hWnd, GCL_STYLE) & CS_NOCLOSE) != 0;
    auto state = [](bool on) { return MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED); };
    EnableMenuItem(menu, SC_RESTORE, state(minimized || maximized));
    EnableMenuItem(menu, SC_MOVE, state(!maximized));
    EnableMenuItem(menu, SC_SIZE, state((style & WS_THICKFRAME) && !minimized && !maximized));
    EnableMenuItem(menu, SC_MINIMIZE, state((style & WS_MINIMIZEBOX) && !minimized));
    EnableMenuItem(menu, SC_MAXIMIZE, state((style & WS_MAXIMIZEBOX) && !maximized));
    EnableMenuItem(menu, SC_CLOSE, state(!noClose));
    return menu;
}
