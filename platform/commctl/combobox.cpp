// "ComboBox": drop-down list (CBS_DROPDOWNLIST) and drop-down with an edit
// (CBS_DROPDOWN; CBS_SIMPLE is shown the same way), with its list window.
#include <algorithm>

#include "platform/commctl/cc_combo.h"
#include "platform/commctl/cc_internal.h"

namespace cc {
namespace {

constexpr int kEditId = 1001;

struct TComboState {
    HWND List = nullptr;
    HWND Edit = nullptr;
    WNDPROC EditProc = nullptr;
    int Sel = -1;
    int DropHeight = 100;
    int DropWidth = 0;
    bool Dropped = false;
    bool Focus = false;
    bool ExtendedUI = false;
};

DWORD Kind(HWND h) { return Style(h) & 3; }
bool HasEdit(HWND h) { return Kind(h) == CBS_DROPDOWN || Kind(h) == CBS_SIMPLE; }

int FieldHeight(HWND h, TComboState* st) {
    int ih = st->List ? static_cast<int>(SendMessageW(st->List, LB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0)) : 16;
    return ih + 6;
}

std::u16string ItemText(TComboState* st, int i) {
    if (i < 0) return {};
    LRESULT n = SendMessageW(st->List, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (n < 0) return {};
    std::u16string s(static_cast<std::size_t>(n) + 1, u'\0');
    SendMessageW(st->List, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<std::size_t>(n));
    return s;
}

void SyncEdit(HWND h, TComboState* st) {
    if (st->Edit) {
        std::u16string s = ItemText(st, st->Sel);
        SetWindowTextW(st->Edit, s.c_str());
        SendMessageW(st->Edit, EM_SETSEL, 0, -1);
    }
    InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
}

RECT ButtonRect(HWND h) {
    RECT rc = ClientRect(h);
    int w = GetSystemMetrics(SM_CXVSCROLL);
    return RECT{rc.right - 2 - w, rc.top + 2, rc.right - 2, rc.bottom - 2};
}

void Paint(HWND h, HDC dc) {
    auto* st = State<TComboState>(h);
    RECT rc = ClientRect(h);
    HGDIOBJ oldFont = SelectObject(dc, FontOf(h));
    HBRUSH bk = CtlColor(h, dc, Kind(h) == CBS_DROPDOWNLIST ? WM_CTLCOLORLISTBOX : WM_CTLCOLOREDIT);
    COLORREF textColor = GetTextColor(dc);
    RECT r = rc;
    DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    FillRect(dc, &r, IsWindowEnabled(h) ? bk : GetSysColorBrush(COLOR_BTNFACE));
    RECT br = ButtonRect(h);
    DrawFrameControl(dc, &br, DFC_SCROLL,
                     DFCS_SCROLLCOMBOBOX | (st->Dropped ? DFCS_PUSHED | DFCS_FLAT : 0) | (IsWindowEnabled(h) ? 0 : DFCS_INACTIVE));
    if (Kind(h) == CBS_DROPDOWNLIST) {
        RECT fr{r.left + 1, r.top + 1, br.left - 1, r.bottom - 1};
        DWORD style = Style(h);
        if (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) {
            DRAWITEMSTRUCT dis{};
            dis.CtlType = ODT_COMBOBOX;
            dis.CtlID = static_cast<UINT>(CtlId(h));
            dis.itemID = static_cast<UINT>(st->Sel);
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = ODS_COMBOBOXEDIT | (st->Focus && !st->Dropped ? ODS_SELECTED | ODS_FOCUS : 0) |
                            (IsWindowEnabled(h) ? 0 : ODS_DISABLED);
            dis.hwndItem = h;
            dis.hDC = dc;
            dis.rcItem = fr;
            if (st->Sel >= 0) dis.itemData = static_cast<ULONG_PTR>(SendMessageW(st->List, LB_GETITEMDATA, static_cast<WPARAM>(st->Sel), 0));
            if (HWND p = Parent(h)) SendMessageW(p, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
        } else {
            bool hi = st->Focus && !st->Dropped;
            if (hi) FillSolid(dc, fr, Sys(COLOR_HIGHLIGHT));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, !IsWindowEnabled(h) ? Sys(COLOR_GRAYTEXT) : hi ? Sys(COLOR_HIGHLIGHTTEXT) : textColor);
            RECT tr = fr;
            tr.left += 1;
            Text(dc, ItemText(st, st->Sel), tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
            if (hi) DrawFocusRect(dc, &fr);
        }
    }
    SelectObject(dc, oldFont);
}

void CloseUp(HWND h, TComboState* st, bool accept);

void DropDown(HWND h, TComboState* st) {
    if (st->Dropped || !st->List) return;
    NotifyCommand(h, CBN_DROPDOWN);
    RECT wr;
    GetWindowRect(h, &wr);
    int n = static_cast<int>(SendMessageW(st->List, LB_GETCOUNT, 0, 0));
    int ih = static_cast<int>(SendMessageW(st->List, LB_GETITEMHEIGHT, 0, 0));
    int height = std::clamp(n * ih + 2, ih + 2, std::max(st->DropHeight, ih + 2));
    int width = std::max(st->DropWidth, static_cast<int>(wr.right - wr.left));
    int y = wr.bottom;
    int sh = GetSystemMetrics(SM_CYSCREEN);
    if (y + height > sh && wr.top - height >= 0) y = wr.top - height;
    SendMessageW(st->List, LB_SETCURSEL, static_cast<WPARAM>(st->Sel), 0);
    SetWindowPos(st->List, HWND_TOPMOST, wr.left, y, width, height, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    st->Dropped = true;
    SendMessageW(st->List, CBI_LISTSTARTTRACK, 0, 0);
    InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
}

void Choose(HWND h, TComboState* st, int i) {
    if (i == st->Sel) return;
    st->Sel = i;
    SyncEdit(h, st);
    NotifyCommand(h, CBN_SELCHANGE);
}

void CloseUp(HWND h, TComboState* st, bool accept) {
    if (!st->Dropped) return;
    st->Dropped = false;
    int cur = static_cast<int>(SendMessageW(st->List, LB_GETCURSEL, 0, 0));
    if (GetCapture() == st->List) ReleaseCapture();
    ShowWindow(st->List, SW_HIDE);
    InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
    if (accept) {
        Choose(h, st, cur);
        NotifyCommand(h, CBN_SELENDOK);
    } else {
        SendMessageW(st->List, LB_SETCURSEL, static_cast<WPARAM>(st->Sel), 0);
        NotifyCommand(h, CBN_SELENDCANCEL);
    }
    NotifyCommand(h, CBN_CLOSEUP);
}

bool Key(HWND h, TComboState* st, WPARAM vk) {
    int n = static_cast<int>(SendMessageW(st->List, LB_GETCOUNT, 0, 0));
    bool alt = GetKeyState(VK_MENU) < 0;
    if (vk == VK_F4 || (alt && (vk == VK_DOWN || vk == VK_UP))) {
        if (st->Dropped)
            CloseUp(h, st, /*accept=*/true);
        else
            DropDown(h, st);
        return true;
    }
    if (st->Dropped && (vk == VK_RETURN || vk == VK_ESCAPE)) {
        CloseUp(h, st, vk == VK_RETURN);
        return true;
    }
    int to = st->Sel;
    switch (vk) {
    case VK_UP: to = std::max(st->Sel - 1, 0); break;
    case VK_DOWN: to = std::min(st->Sel + 1, n - 1); break;
    case VK_HOME: to = 0; break;
    case VK_END: to = n - 1; break;
    case VK_PRIOR: to = std::max(st->Sel - 8, 0); break;
    case VK_NEXT: to = std::min(std::max(st->Sel, 0) + 8, n - 1); break;
    default: return false;
    }
    if (HasEdit(h) && (vk == VK_HOME || vk == VK_END) && !st->Dropped) return false;
    if (n == 0 || to < 0) return true;
    SendMessageW(st->List, LB_SETCURSEL, static_cast<WPARAM>(to), 0);
    Choose(h, st, to);
    return true;
}

LRESULT CALLBACK ComboEditProc(HWND e, UINT m, WPARAM wp, LPARAM lp) {
    HWND combo = GetParent(e);
    auto* st = combo ? State<TComboState>(combo) : nullptr;
    if (!st) return DefWindowProcW(e, m, wp, lp);
    WNDPROC base = st->EditProc;
    switch (m) {
    case WM_KEYDOWN:
        if (Key(combo, st, wp)) return 0;
        break;
    case WM_SYSKEYDOWN:
        if (wp == VK_DOWN || wp == VK_UP) {
            Key(combo, st, VK_F4);
            return 0;
        }
        break;
    case WM_SETFOCUS:
        if (!st->Focus) {
            st->Focus = true;
            NotifyCommand(combo, CBN_SETFOCUS);
        }
        break;
    case WM_KILLFOCUS: {
        LRESULT r = CallWindowProcW(base, e, m, wp, lp);
        HWND to = reinterpret_cast<HWND>(wp);
        if (to != combo && st->Focus) {
            st->Focus = false;
            if (st->Dropped) CloseUp(combo, st, /*accept=*/false);
            NotifyCommand(combo, CBN_KILLFOCUS);
        }
        return r;
    }
    default: break;
    }
    return CallWindowProcW(base, e, m, wp, lp);
}

}  // namespace

LRESULT CALLBACK ComboBoxProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = State<TComboState>(h);
    if (!st && m != WM_NCCREATE) return DefWindowProcW(h, m, wp, lp);
    switch (m) {
    case WM_NCCREATE:
        WinSetWindowKind(h, WINKIND_COMBOBOX);
        NewState<TComboState>(h);
        // Scroll bars asked of a combo box belong to its list.
        SetWindowLongPtrW(h, GWL_STYLE, static_cast<LONG_PTR>(Style(h) & ~(WS_VSCROLL | WS_HSCROLL)));
        return DefWindowProcW(h, m, wp, lp);
    case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        DWORD ls = WS_POPUP | WS_BORDER | WS_VSCROLL | LBS_COMBOBOX | LBS_NOTIFY;
        if (cs->style & CBS_SORT) ls |= LBS_SORT;
        if (cs->style & CBS_OWNERDRAWFIXED) ls |= LBS_OWNERDRAWFIXED;
        if (cs->style & CBS_OWNERDRAWVARIABLE) ls |= LBS_OWNERDRAWVARIABLE;
        if (cs->style & CBS_HASSTRINGS) ls |= LBS_HASSTRINGS;
        HWND owner = GetAncestor(h, GA_ROOT);
        st->List = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, u"ComboLBox", u"", ls, 0, 0, 10, 10, owner,
                                   /*hMenu=*/nullptr, /*hInstance=*/nullptr, h);
        if (!st->List) return -1;
        SendMessageW(st->List, CBI_LISTSETCOMBO, reinterpret_cast<WPARAM>(h), 0);
        int fh = FieldHeight(h, st);
        st->DropHeight = std::max(cs->cy - fh, 0);
        if (HasEdit(h)) {
            st->Edit = CreateWindowExW(0, u"Edit", u"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 3, 3,
                                       std::max(cs->cx - 6 - GetSystemMetrics(SM_CXVSCROLL), 1), fh - 6, h,
                                       reinterpret_cast<HMENU>(static_cast<intptr_t>(kEditId)), /*hInstance=*/nullptr,
                                       /*lpParam=*/nullptr);
            st->EditProc = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(st->Edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboEditProc)));
        }
        SetWindowPos(h, /*hWndInsertAfter=*/nullptr, 0, 0, cs->cx, fh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        return 0;
    }
    case WM_WINDOWPOSCHANGING: {
        auto* wpos = reinterpret_cast<WINDOWPOS*>(lp);
        if (!(wpos->flags & SWP_NOSIZE) && st->List) {
            int fh = FieldHeight(h, st);
            if (wpos->cy != fh) {
                st->DropHeight = std::max(wpos->cy - fh, st->DropHeight);
                wpos->cy = fh;
            }
        }
        return DefWindowProcW(h, m, wp, lp);
    }
    case WM_SIZE:
        if (st->Edit) {
            RECT rc = ClientRect(h);
            MoveWindow(st->Edit, 3, 3, std::max<int>(rc.right - 6 - GetSystemMetrics(SM_CXVSCROLL), 1), rc.bottom - 6, TRUE);
        }
        return 0;
    case WM_DESTROY:
        if (st->List && IsWindow(st->List)) DestroyWindow(st->List);
        st->List = nullptr;
        return 0;
    case WM_NCDESTROY:
        FreeState<TComboState>(h);
        SetFontOf(h, /*font=*/nullptr);
        return DefWindowProcW(h, m, wp, lp);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintWith(h, Paint); return 0;
    case WM_PRINTCLIENT: Paint(h, reinterpret_cast<HDC>(wp)); return 0;
    case WM_SETFONT:
        SetFontOf(h, reinterpret_cast<HFONT>(wp));
        if (st->List) SendMessageW(st->List, WM_SETFONT, wp, 0);
        if (st->Edit) SendMessageW(st->Edit, WM_SETFONT, wp, lp);
        {
            RECT wr;
            GetWindowRect(h, &wr);
            SetWindowPos(h, /*hWndInsertAfter=*/nullptr, 0, 0, wr.right - wr.left, FieldHeight(h, st),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (LOWORD(lp)) InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(GetPropW(h, u"TessaroCtlFont"));
    case WM_ENABLE:
        if (st->Edit) EnableWindow(st->Edit, wp != 0);
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return 0;
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (st->Dropped && lp) {
            auto* msg = reinterpret_cast<MSG*>(lp);
            if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE))
                code |= DLGC_WANTMESSAGE;
        }
        return code;
    }
    case WM_SETFOCUS:
        if (st->Edit) {
            SetFocus(st->Edit);
            SendMessageW(st->Edit, EM_SETSEL, 0, -1);
            return 0;
        }
        st->Focus = true;
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        NotifyCommand(h, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        if (st->Edit && reinterpret_cast<HWND>(wp) == st->Edit) return 0;
        if (st->Dropped) CloseUp(h, st, /*accept=*/false);
        if (st->Focus) {
            st->Focus = false;
            InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
            NotifyCommand(h, CBN_KILLFOCUS);
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (st->Edit) {
            RECT br = ButtonRect(h);
            if (!PtInRect(&br, PointOf(lp))) return 0;
        }
        SetFocus(st->Edit ? st->Edit : h);
        if (st->Dropped)
            CloseUp(h, st, /*accept=*/false);
        else
            DropDown(h, st);
        return 0;
    }
    case WM_KEYDOWN:
        if (Key(h, st, wp)) return 0;
        break;
    case WM_SYSKEYDOWN:
        if (wp == VK_DOWN || wp == VK_UP) {
            Key(h, st, VK_F4);
            return 0;
        }
        break;
    case WM_CHAR:
        if (!st->Edit && wp >= 32) {
            std::u16string s(1, static_cast<char16_t>(wp));
            int i = static_cast<int>(SendMessageW(st->List, LB_FINDSTRING, static_cast<WPARAM>(st->Sel), reinterpret_cast<LPARAM>(s.c_str())));
            if (i >= 0) {
                SendMessageW(st->List, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
                Choose(h, st, i);
            }
            return 0;
        }
        break;
    case WM_MOUSEWHEEL:
        if (!st->Dropped) Key(h, st, GET_WHEEL_DELTA_WPARAM(wp) > 0 ? VK_UP : VK_DOWN);
        return 0;
    case WM_COMMAND:
        if (st->Edit && reinterpret_cast<HWND>(lp) == st->Edit) {
            if (HIWORD(wp) == EN_CHANGE) NotifyCommand(h, CBN_EDITCHANGE);
            if (HIWORD(wp) == EN_UPDATE) NotifyCommand(h, CBN_EDITUPDATE);
        }
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
        if (HWND p = Parent(h)) return SendMessageW(p, m, wp, lp);
        break;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_COMPAREITEM:
        if (HWND p = Parent(h)) return SendMessageW(p, m, wp, lp);
        return 0;
    case CBI_LISTSELCHANGE: return 0;  // committed when the list closes
    case CBI_LISTDONE: CloseUp(h, st, wp != 0); return 0;
    case WM_SETTEXT:
        if (st->Edit) return SendMessageW(st->Edit, WM_SETTEXT, wp, lp);
        {
            std::u16string s = lp ? std::u16string(reinterpret_cast<LPCWSTR>(lp)) : std::u16string();
            int i = static_cast<int>(SendMessageW(st->List, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(s.c_str())));
            if (i < 0) return CB_ERR;
            st->Sel = i;
            SendMessageW(st->List, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
            InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
            return TRUE;
        }
    case WM_GETTEXT:
        if (st->Edit) return SendMessageW(st->Edit, WM_GETTEXT, wp, lp);
        return CopyW(ItemText(st, st->Sel), reinterpret_cast<LPWSTR>(lp), static_cast<int>(wp));
    case WM_GETTEXTLENGTH:
        if (st->Edit) return SendMessageW(st->Edit, WM_GETTEXTLENGTH, 0, 0);
        return static_cast<LRESULT>(ItemText(st, st->Sel).size());
    // ---- CB_ messages ----
    case CB_ADDSTRING:
    case CB_INSERTSTRING:
    case CB_FINDSTRING:
    case CB_FINDSTRINGEXACT:
    case CB_SELECTSTRING: {
        bool strings = !(Style(h) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) || (Style(h) & CBS_HASSTRINGS);
        std::u16string s;
        LPARAM arg = lp;
        if (strings) {
            s = StringArg(h, lp);
            arg = reinterpret_cast<LPARAM>(s.c_str());
        }
        UINT lm = m == CB_ADDSTRING ? LB_ADDSTRING : m == CB_INSERTSTRING ? LB_INSERTSTRING : m == CB_FINDSTRING ? LB_FINDSTRING : m == CB_FINDSTRINGEXACT ? LB_FINDSTRINGEXACT : LB_SELECTSTRING;
        LRESULT r = SendMessageW(st->List, lm, wp, arg);
        if (m == CB_INSERTSTRING && r >= 0 && st->Sel >= r) ++st->Sel;
        if (m == CB_ADDSTRING && r >= 0 && st->Sel >= r && (Style(h) & CBS_SORT)) ++st->Sel;
        if (m == CB_SELECTSTRING && r >= 0) {
            st->Sel = static_cast<int>(r);
            SyncEdit(h, st);
        }
        return r;
    }
    case CB_DELETESTRING: {
        LRESULT r = SendMessageW(st->List, LB_DELETESTRING, wp, 0);
        if (r >= 0) {
            int i = static_cast<int>(wp);
            if (st->Sel == i) {
                st->Sel = -1;
                SyncEdit(h, st);
            } else if (st->Sel > i)
                --st->Sel;
        }
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return r;
    }
    case CB_RESETCONTENT:
        SendMessageW(st->List, LB_RESETCONTENT, 0, 0);
        st->Sel = -1;
        if (st->Edit) SetWindowTextW(st->Edit, u"");
        InvalidateRect(h, /*lpRect=*/nullptr, FALSE);
        return CB_OKAY;
    case CB_GETCOUNT: return SendMessageW(st->List, LB_GETCOUNT, 0, 0);
    case CB_GETCURSEL: return st->Sel;
    case CB_SETCURSEL: {
        int n = static_cast<int>(SendMessageW(st->List, LB_GETCOUNT, 0, 0));
        int i = static_cast<int>(static_cast<INT_PTR>(wp));
        if (i < 0 || i >= n) i = -1;
        st->Sel = i;
        SendMessageW(st->List, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        SyncEdit(h, st);
        return i < 0 ? CB_ERR : i;
    }
    case CB_GETLBTEXT: {
        int n = static_cast<int>(SendMessageW(st->List, LB_GETCOUNT, 0, 0));
        int i = static_cast<int>(wp);
        if (i < 0 || i >= n || !lp) return CB_ERR;
        bool strings = !(Style(h) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) || (Style(h) & CBS_HASSTRINGS);
        if (!strings) return SendMessageW(st->List, LB_GETTEXT, wp, lp);
        return CopyStringOut(h, ItemText(st, i), lp);
    }
    case CB_GETLBTEXTLEN: {
        int n = static_cast<int>(SendMessageW(st->List, LB_GETCOUNT, 0, 0));
        int i = static_cast<int>(wp);
        if (i < 0 || i >= n) return CB_ERR;
        return StringLength(h, ItemText(st, i));
    }
    case CB_GETITEMDATA: return SendMessageW(st->List, LB_GETITEMDATA, wp, lp);
    case CB_SETITEMDATA: return SendMessageW(st->List, LB_SETITEMDATA, wp, lp);
    case CB_GETITEMHEIGHT:
        if (static_cast<INT_PTR>(wp) == -1) return FieldHeight(h, st) - 6;
        return SendMessageW(st->List, LB_GETITEMHEIGHT, wp, 0);
    case CB_SETITEMHEIGHT:
        if (static_cast<INT_PTR>(wp) == -1) return CB_OKAY;
        return SendMessageW(st->List, LB_SETITEMHEIGHT, wp, lp);
    case CB_GETTOPINDEX: return SendMessageW(st->List, LB_GETTOPINDEX, 0, 0);
    case CB_SETTOPINDEX: return SendMessageW(st->List, LB_SETTOPINDEX, wp, 0);
    case CB_SHOWDROPDOWN:
        if (wp)
            DropDown(h, st);
        else
            CloseUp(h, st, /*accept=*/false);
        return TRUE;
    case CB_GETDROPPEDSTATE: return st->Dropped;
    case CB_GETDROPPEDCONTROLRECT:
        if (lp) {
            RECT wr;
            GetWindowRect(h, &wr);
            wr.bottom += st->DropHeight;
            *reinterpret_cast<RECT*>(lp) = wr;
        }
        return TRUE;
    case CB_GETDROPPEDWIDTH: {
        RECT wr;
        GetWindowRect(h, &wr);
        return std::max<int>(st->DropWidth, wr.right - wr.left);
    }
    case CB_SETDROPPEDWIDTH: st->DropWidth = static_cast<int>(wp); return st->DropWidth;
    case CB_SETEXTENDEDUI: st->ExtendedUI = wp != 0; return CB_OKAY;
    case CB_GETEXTENDEDUI: return st->ExtendedUI;
    case CB_LIMITTEXT:
        if (st->Edit) SendMessageW(st->Edit, EM_LIMITTEXT, wp, 0);
        return TRUE;
    case CB_GETEDITSEL:
        if (st->Edit) return SendMessageW(st->Edit, EM_GETSEL, wp, lp);
        return CB_ERR;
    case CB_SETEDITSEL:
        if (st->Edit) {
            SendMessageW(st->Edit, EM_SETSEL, static_cast<WPARAM>(static_cast<short>(LOWORD(lp))), static_cast<short>(HIWORD(lp)));
            return TRUE;
        }
        return CB_ERR;
    case CB_INITSTORAGE: return SendMessageW(st->List, LB_GETCOUNT, 0, 0);
    case CB_GETLOCALE:
    case CB_SETLOCALE: return 0x0409;
    case CB_GETHORIZONTALEXTENT: return 0;
    case CB_SETHORIZONTALEXTENT: return 0;
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

}  // namespace cc

BOOL GetComboBoxInfo(HWND h, COMBOBOXINFO* info) {
    using namespace cc;
    auto* st = IsWindow(h) ? State<TComboState>(h) : nullptr;
    if (!st || !info || info->cbSize != sizeof(COMBOBOXINFO)) return FALSE;
    RECT rc = ClientRect(h);
    info->rcButton = ButtonRect(h);
    info->rcItem = RECT{rc.left + 3, rc.top + 3, info->rcButton.left - 1, rc.bottom - 3};
    info->stateButton = st->Dropped ? 0x8 : 0;  // STATE_SYSTEM_PRESSED
    info->hwndCombo = h;
    info->hwndItem = st->Edit ? st->Edit : h;
    info->hwndList = st->List;
    return TRUE;
}
