// Dialog boxes ("#32770"): templates in memory, the dialog manager's keyboard
// (IsDialogMessage), default buttons, modal loops and the dialog item calls.
#include <algorithm>
#include <cstring>

#include "platform/commctl/cc_internal.h"

namespace cc {
namespace {

constexpr int kDlgExtra = 32;  // DWLP_MSGRESULT, DWLP_DLGPROC, DWLP_USER and room to spare

struct TDlgState {
    bool Ended = false;
    INT_PTR Result = 0;
    WORD DefId = IDOK;
    HWND SavedFocus = nullptr;
    HFONT Font = nullptr;  // created from the template; freed with the dialog
    int BaseX = 0, BaseY = 0;
    bool Modal = false;
};

DLGPROC ProcOf(HWND h) { return reinterpret_cast<DLGPROC>(GetWindowLongPtrW(h, DWLP_DLGPROC)); }

bool DirectResult(UINT m) {
    return m == WM_CTLCOLORMSGBOX || m == WM_CTLCOLOREDIT || m == WM_CTLCOLORLISTBOX || m == WM_CTLCOLORBTN ||
           m == WM_CTLCOLORDLG || m == WM_CTLCOLORSCROLLBAR || m == WM_CTLCOLORSTATIC || m == WM_COMPAREITEM ||
           m == WM_VKEYTOITEM || m == WM_CHARTOITEM || m == WM_QUERYDRAGICON || m == WM_INITDIALOG;
}

void BaseUnits(HFONT font, int& bx, int& by) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font ? font : DefaultFont());
    static const char16_t letters[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE sz{};
    GetTextExtentPoint32W(dc, letters, 52, &sz);
    bx = (sz.cx / 26 + 1) / 2;
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    by = tm.tmHeight;
    SelectObject(dc, old);
    DeleteDC(dc);
    if (bx <= 0) bx = 6;
    if (by <= 0) by = 13;
}

bool IsPushButton(HWND c) {
    LRESULT code = SendMessageW(c, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

// Shows which push button Enter presses: the focused one, else the default id's.
void UpdateDefButton(HWND dlg, HWND focus) {
    auto* st = State<TDlgState>(dlg);
    if (!st) return;
    HWND def = GetDlgItem(dlg, st->DefId);
    HWND want = (focus && IsChild(dlg, focus) && IsPushButton(focus)) ? focus : def;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        LRESULT code = SendMessageW(c, WM_GETDLGCODE, 0, 0);
        if ((code & DLGC_DEFPUSHBUTTON) && c != want) SendMessageW(c, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        if ((code & DLGC_UNDEFPUSHBUTTON) && c == want && (Style(c) & BS_TYPEMASK) == BS_PUSHBUTTON)
            SendMessageW(c, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    }
}

void FocusControl(HWND dlg, HWND c) {
    if (!c) return;
    SetFocus(c);
    if (SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(c, EM_SETSEL, 0, -1);
    UpdateDefButton(dlg, c);
}

bool Usable(HWND c) {
    DWORD s = Style(c);
    return (s & WS_VISIBLE) && !(s & WS_DISABLED);
}

}  // namespace

LRESULT DefDlgImpl(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* st = State<TDlgState>(h);
    if (DLGPROC proc = ProcOf(h)) {
        SetWindowLongPtrW(h, DWLP_MSGRESULT, 0);
        INT_PTR r = proc(h, m, wp, lp);
        if (!IsWindow(h)) return r;
        if (r) return DirectResult(m) ? r : GetWindowLongPtrW(h, DWLP_MSGRESULT);
        if (DirectResult(m) && m != WM_INITDIALOG && m != WM_CTLCOLORDLG && m != WM_CTLCOLORSTATIC &&
            m != WM_CTLCOLORBTN && m != WM_CTLCOLOREDIT && m != WM_CTLCOLORLISTBOX && m != WM_CTLCOLORSCROLLBAR &&
            m != WM_CTLCOLORMSGBOX)
            return 0;
    }
    switch (m) {
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wp);
        RECT rc = ClientRect(h);
        HBRUSH b = reinterpret_cast<HBRUSH>(SendMessageW(h, WM_CTLCOLORDLG, wp, reinterpret_cast<LPARAM>(h)));
        FillRect(dc, &rc, b ? b : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_CLOSE: {
        HWND cancel = GetDlgItem(h, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
            PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case DM_GETDEFID: return st ? MAKELRESULT(st->DefId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
        if (st) {
            st->DefId = static_cast<WORD>(wp);
            UpdateDefButton(h, GetFocus());
        }
        return TRUE;
    case WM_NEXTDLGCTL: {
        HWND to;
        if (LOWORD(lp))
            to = reinterpret_cast<HWND>(wp);
        else
            to = GetNextDlgTabItem(h, GetFocus(), wp != 0);
        FocusControl(h, to);
        return 0;
    }
    case WM_ACTIVATE:
        if (st && LOWORD(wp) == WA_INACTIVE) {
            HWND f = GetFocus();
            if (f && IsChild(h, f)) st->SavedFocus = f;
        }
        return DefWindowProcW(h, m, wp, lp);
    case WM_SETFOCUS:
        if (st && st->SavedFocus && IsWindow(st->SavedFocus) && IsChild(h, st->SavedFocus)) {
            SetFocus(st->SavedFocus);
        } else if (HWND first = GetNextDlgTabItem(h, /*hCtl=*/nullptr, FALSE)) {
            FocusControl(h, first);
        }
        return 0;
    case WM_SHOWWINDOW:
        if (!wp && st) {
            HWND f = GetFocus();
            if (f && IsChild(h, f)) st->SavedFocus = f;
        }
        return DefWindowProcW(h, m, wp, lp);
    case WM_GETFONT: return st ? reinterpret_cast<LRESULT>(st->Font) : 0;
    case WM_SETFONT:
        if (st) st->Font = reinterpret_cast<HFONT>(wp);
        return 0;
    case WM_NCDESTROY: {
        HFONT f = nullptr;
        if (st) {
            if (GetPropW(h, u"TessaroDlgOwnFont")) f = st->Font;
            FreeState<TDlgState>(h);
        }
        RemovePropW(h, u"TessaroDlgOwnFont");
        LRESULT r = DefWindowProcW(h, m, wp, lp);
        if (f) DeleteObject(f);
        return r;
    }
    default: break;
    }
    return DefWindowProcW(h, m, wp, lp);
}

namespace {

LRESULT CALLBACK DialogClassProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE && !State<TDlgState>(h)) NewState<TDlgState>(h);
    return DefDlgImpl(h, m, wp, lp);
}

// ---- Templates --------------------------------------------------------------------
struct TReader {
    const uint8_t* P;
    WORD Word() {
        WORD w;
        std::memcpy(&w, P, 2);
        P += 2;
        return w;
    }
    DWORD Dword() {
        DWORD d;
        std::memcpy(&d, P, 4);
        P += 4;
        return d;
    }
    // A string, or an ordinal (0xFFFF then the value) returned in Ord.
    std::u16string SzOrOrd(WORD* ord) {
        if (ord) *ord = 0;
        WORD first;
        std::memcpy(&first, P, 2);
        if (first == 0xFFFF) {
            P += 2;
            WORD v = Word();
            if (ord) *ord = v;
            return {};
        }
        std::u16string s;
        for (;;) {
            WORD c = Word();
            if (!c) break;
            s += static_cast<char16_t>(c);
        }
        return s;
    }
    void AlignDword(const uint8_t* base) {
        std::size_t off = static_cast<std::size_t>(P - base);
        P += (4 - off % 4) % 4;
    }
};

const char16_t* AtomClass(WORD ord) {
    switch (ord) {
    case 0x80: return u"Button";
    case 0x81: return u"Edit";
    case 0x82: return u"Static";
    case 0x83: return u"ListBox";
    case 0x84: return u"ScrollBar";
    case 0x85: return u"ComboBox";
    default: return nullptr;
    }
}

HWND CreateFromTemplate(const DLGTEMPLATE* t, HWND owner, DLGPROC proc, LPARAM param, bool modal) {
    CommctlStartup();
    if (!t) return nullptr;
    const uint8_t* base = reinterpret_cast<const uint8_t*>(t);
    // The extended form starts with version 1 and the signature 0xFFFF.
    WORD ver, sig;
    std::memcpy(&ver, base, 2);
    std::memcpy(&sig, base + 2, 2);
    bool ex = ver == 1 && sig == 0xFFFF;
    TReader r{base};
    DWORD style, exStyle;
    WORD count;
    short tx, ty, tcx, tcy;
    if (ex) {
        r.P += 8;  // version, signature, help id
        exStyle = r.Dword();
        style = r.Dword();
    } else {
        style = r.Dword();
        exStyle = r.Dword();
    }
    count = r.Word();
    tx = static_cast<short>(r.Word());
    ty = static_cast<short>(r.Word());
    tcx = static_cast<short>(r.Word());
    tcy = static_cast<short>(r.Word());
    WORD menuOrd = 0, classOrd = 0;
    std::u16string menu = r.SzOrOrd(&menuOrd);
    std::u16string cls = r.SzOrOrd(&classOrd);
    std::u16string title = r.SzOrOrd(nullptr);
    HFONT font = nullptr;
    if (style & DS_SETFONT) {
        WORD pt = r.Word();
        WORD weight = FW_NORMAL;
        BYTE italic = 0, charset = 0;
        if (ex) {
            weight = r.Word();
            italic = *r.P++;
            charset = *r.P++;
        }
        std::u16string face = r.SzOrOrd(nullptr);
        font = CreateFontW(-static_cast<int>((pt * 96 + 36) / 72), 0, 0, 0, weight ? weight : FW_NORMAL, italic, 0, 0,
                           charset, 0, 0, 0, 0, face.c_str());
    }
    int bx, by;
    BaseUnits(font, bx, by);
    auto dx = [&](int v) { return (v * bx + 2) / 4; };
    auto dy = [&](int v) { return (v * by + 4) / 8; };
    RECT rc{0, 0, dx(tcx), dy(tcy)};
    DWORD winStyle = style & ~(WS_VISIBLE | DS_SETFONT);
    AdjustWindowRectEx(&rc, winStyle, FALSE, exStyle);
    int w = rc.right - rc.left, hgt = rc.bottom - rc.top;
    int x, y;
    if (style & (DS_CENTER | DS_CENTERMOUSE) || !owner) {
        RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        if (owner && !(style & DS_CENTERMOUSE)) GetWindowRect(GetAncestor(owner, GA_ROOT), &area);
        x = (area.left + area.right - w) / 2;
        y = (area.top + area.bottom - hgt) / 2;
        if (!(style & (DS_CENTER | DS_CENTERMOUSE)) && !owner) {
            x = dx(tx);
            y = dy(ty);
        }
    } else {
        POINT o{0, 0};
        ClientToScreen(owner, &o);
        x = o.x + dx(tx);
        y = o.y + dy(ty);
    }
    const char16_t* className = classOrd ? nullptr : (cls.empty() ? u"#32770" : cls.c_str());
    if (!className) className = u"#32770";
    HWND dlg = CreateWindowExW(exStyle, className, title.c_str(), winStyle, x, y, w, hgt, owner, /*hMenu=*/nullptr,
                               /*hInstance=*/nullptr, /*lpParam=*/nullptr);
    if (!dlg) {
        if (font) DeleteObject(font);
        return nullptr;
    }
    auto* st = State<TDlgState>(dlg);
    if (!st) st = NewState<TDlgState>(dlg);
    st->Font = font ? font : DefaultFont();
    if (font) SetPropW(dlg, u"TessaroDlgOwnFont", reinterpret_cast<HANDLE>(1));
    st->BaseX = bx;
    st->BaseY = by;
    st->Modal = modal;
    SetWindowLongPtrW(dlg, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword(base);
        DLGITEMTEMPLATE it{};
        DWORD id = 0;
        if (ex) {
            r.P += 4;  // help id
            it.dwExtendedStyle = r.Dword();
            it.style = r.Dword();
            it.x = static_cast<short>(r.Word());
            it.y = static_cast<short>(r.Word());
            it.cx = static_cast<short>(r.Word());
            it.cy = static_cast<short>(r.Word());
            id = r.Dword();
        } else {
            std::memcpy(&it, r.P, sizeof it);
            r.P += sizeof it;
            id = it.id;
        }
        WORD ord = 0;
        std::u16string icls = r.SzOrOrd(&ord);
        std::u16string ititle = r.SzOrOrd(nullptr);
        WORD extra = r.Word();
        const void* data = extra ? r.P : nullptr;
        r.P += extra;
        const char16_t* cname = ord ? AtomClass(ord) : icls.c_str();
        if (!cname) continue;
        HWND c = CreateWindowExW(it.dwExtendedStyle | WS_EX_NOPARENTNOTIFY, cname, ititle.c_str(), it.style | WS_CHILD,
                                 dx(it.x), dy(it.y), dx(it.cx), dy(it.cy), dlg,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), /*hInstance=*/nullptr,
                                 const_cast<void*>(data));
        if (!c) {
            if (!(style & DS_NOFAILCREATE)) {
                DestroyWindow(dlg);
                return nullptr;
            }
            continue;
        }
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(st->Font), FALSE);
    }
    HWND first = GetNextDlgTabItem(dlg, /*hCtl=*/nullptr, FALSE);
    UpdateDefButton(dlg, /*focus=*/nullptr);
    LRESULT focus = SendMessageW(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
    if (!IsWindow(dlg)) return nullptr;
    if (focus && first) FocusControl(dlg, first);
    if (style & WS_VISIBLE) ShowWindow(dlg, SW_SHOW);
    return dlg;
}

}  // namespace

void RunModalLoop(HWND top, const bool* done, int code, bool dialogKeys) {
    FireModalHook(top);
    MSG msg;
    while (!*done && IsWindow(top)) {
        if (!PeekMessageW(&msg, /*hWnd=*/nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, /*pHandles=*/nullptr, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (CallMsgFilterW(&msg, code)) continue;
        if (dialogKeys && IsDialogMessageW(top, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Runs a dialog made elsewhere (message boxes, file dialogs) modally.
INT_PTR RunModalDialog(HWND dlg, HWND owner, int code) {
    auto* st = State<TDlgState>(dlg);
    if (!st) return -1;
    st->Modal = true;
    HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    bool reenable = root && IsWindowEnabled(root);
    if (reenable) EnableWindow(root, FALSE);
    ShowWindow(dlg, SW_SHOW);
    SetActiveWindow(dlg);
    if (!GetFocus() || !IsChild(dlg, GetFocus())) {
        if (HWND first = GetNextDlgTabItem(dlg, /*hCtl=*/nullptr, FALSE)) FocusControl(dlg, first);
    }
    RedrawWindow(dlg, /*lprcUpdate=*/nullptr, /*hrgnUpdate=*/nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RunModalLoop(dlg, &st->Ended, code, /*DialogKeys=*/true);
    INT_PTR result = IsWindow(dlg) && State<TDlgState>(dlg) ? State<TDlgState>(dlg)->Result : IDCANCEL;
    if (reenable && IsWindow(root)) EnableWindow(root, TRUE);
    if (IsWindow(dlg)) DestroyWindow(dlg);
    if (root && IsWindow(root)) SetActiveWindow(root);
    return result;
}

// A dialog window without a template (message boxes, file dialogs): the
// dialog manager applies; Proc is its dialog procedure.
HWND CreateDialogWindow(DWORD style, DWORD exStyle, const std::u16string& title, int clientW, int clientH, HWND owner,
                        DLGPROC proc) {
    CommctlStartup();
    RECT rc{0, 0, clientW, clientH};
    AdjustWindowRectEx(&rc, style, FALSE, exStyle);
    int w = rc.right - rc.left, h = rc.bottom - rc.top;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner) GetWindowRect(GetAncestor(owner, GA_ROOT), &area);
    int x = std::max<int>(0, (area.left + area.right - w) / 2), y = std::max<int>(0, (area.top + area.bottom - h) / 2);
    HWND dlg = CreateWindowExW(exStyle, u"#32770", title.c_str(), style & ~WS_VISIBLE, x, y, w, h, owner,
                               /*hMenu=*/nullptr, /*hInstance=*/nullptr, /*lpParam=*/nullptr);
    if (!dlg) return nullptr;
    auto* st = State<TDlgState>(dlg);
    if (!st) st = NewState<TDlgState>(dlg);
    st->Font = DefaultFont();
    BaseUnits(st->Font, st->BaseX, st->BaseY);
    SetWindowLongPtrW(dlg, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    return dlg;
}

void RegisterDialogClasses() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS | CS_SAVEBITS | CS_GLOBALCLASS;
    wc.lpfnWndProc = DialogClassProc;
    wc.cbWndExtra = kDlgExtra;
    wc.hCursor = LoadCursorA(/*hInstance=*/nullptr, IDC_ARROW);
    wc.lpszClassName = u"#32770";
    RegisterClassExW(&wc);
}

}  // namespace cc

using namespace cc;

LRESULT DefDlgProcW(HWND h, UINT m, WPARAM wp, LPARAM lp) { return DefDlgImpl(h, m, wp, lp); }
LRESULT DefDlgProcA(HWND h, UINT m, WPARAM wp, LPARAM lp) { return DefDlgImpl(h, m, wp, lp); }

HWND CreateDialogIndirectParamW(HINSTANCE, const DLGTEMPLATE* t, HWND owner, DLGPROC proc, LPARAM param) {
    return CreateFromTemplate(t, owner, proc, param, /*modal=*/false);
}
HWND CreateDialogIndirectParamA(HINSTANCE i, const DLGTEMPLATE* t, HWND owner, DLGPROC proc, LPARAM param) {
    return CreateDialogIndirectParamW(i, t, owner, proc, param);
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE, const DLGTEMPLATE* t, HWND owner, DLGPROC proc, LPARAM param) {
    if (!t) return -1;
    // Shown by the modal loop, not by the template's WS_VISIBLE.
    std::vector<uint8_t> copy;
    HWND dlg = CreateFromTemplate(t, owner, proc, param, /*modal=*/true);
    if (!dlg) return -1;
    auto* st = State<TDlgState>(dlg);
    if (st && st->Ended) {
        INT_PTR r = st->Result;
        DestroyWindow(dlg);
        return r;
    }
    return RunModalDialog(dlg, owner, MSGF_DIALOGBOX);
}
INT_PTR DialogBoxIndirectParamA(HINSTANCE i, const DLGTEMPLATE* t, HWND owner, DLGPROC proc, LPARAM param) {
    return DialogBoxIndirectParamW(i, t, owner, proc, param);
}

BOOL EndDialog(HWND h, INT_PTR result) {
    auto* st = State<TDlgState>(h);
    if (!st) return FALSE;
    st->Ended = true;
    st->Result = result;
    if (!st->Modal) ShowWindow(h, SW_HIDE);
    return TRUE;
}

HWND GetNextDlgTabItem(HWND dlg, HWND ctl, BOOL prev) {
    std::vector<HWND> items;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if ((Style(c) & WS_TABSTOP) && Usable(c)) items.push_back(c);
    if (items.empty()) return nullptr;
    // A control inside a child of the dialog counts as that child.
    while (ctl && GetParent(ctl) && GetParent(ctl) != dlg) ctl = GetParent(ctl);
    auto it = std::find(items.begin(), items.end(), ctl);
    if (it == items.end()) return prev ? items.back() : items.front();
    std::size_t i = static_cast<std::size_t>(it - items.begin());
    std::size_t n = items.size();
    return items[prev ? (i + n - 1) % n : (i + 1) % n];
}

HWND GetNextDlgGroupItem(HWND dlg, HWND ctl, BOOL prev) {
    if (!ctl || GetParent(ctl) != dlg) return GetNextDlgTabItem(dlg, ctl, prev);
    // The group: from the last WS_GROUP at or before ctl up to the next WS_GROUP.
    HWND start = ctl;
    while (!(Style(start) & WS_GROUP)) {
        HWND p = GetWindow(start, GW_HWNDPREV);
        if (!p) break;
        start = p;
    }
    std::vector<HWND> group;
    for (HWND c = start; c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (c != start && (Style(c) & WS_GROUP)) break;
        group.push_back(c);
    }
    auto it = std::find(group.begin(), group.end(), ctl);
    std::size_t n = group.size(), i = static_cast<std::size_t>(it - group.begin());
    for (std::size_t k = 1; k <= n; ++k) {
        HWND c = group[prev ? (i + n * 2 - k) % n : (i + k) % n];
        if (Usable(c)) return c;
    }
    return ctl;
}

static bool MnemonicMatches(const std::u16string& t, char16_t c) {
    auto lower = [](char16_t x) { return (x >= u'A' && x <= u'Z') ? static_cast<char16_t>(x + 32) : x; };
    for (std::size_t i = 0; i + 1 < t.size(); ++i) {
        if (t[i] != u'&') continue;
        if (t[i + 1] == u'&') {
            ++i;
            continue;
        }
        return lower(t[i + 1]) == lower(c);
    }
    return false;
}

BOOL IsDialogMessageW(HWND dlg, LPMSG msg) {
    if (!dlg || !msg || !IsWindow(dlg)) return FALSE;
    if (msg->hwnd != dlg && !IsChild(dlg, msg->hwnd)) return FALSE;
    HWND target = msg->hwnd;
    if (msg->message == WM_KEYDOWN || msg->message == WM_CHAR || msg->message == WM_SYSCHAR) {
        LRESULT code = SendMessageW(target, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
        if (code & DLGC_WANTMESSAGE) {
            TranslateMessage(msg);
            DispatchMessageW(msg);
            return TRUE;
        }
        if (msg->message == WM_KEYDOWN) {
            bool shift = GetKeyState(VK_SHIFT) < 0;
            switch (msg->wParam) {
            case VK_TAB:
                if (code & DLGC_WANTTAB) break;
                FocusControl(dlg, GetNextDlgTabItem(dlg, GetFocus(), shift));
                return TRUE;
            case VK_LEFT:
            case VK_UP:
            case VK_RIGHT:
            case VK_DOWN: {
                if (code & DLGC_WANTARROWS) break;
                HWND next = GetNextDlgGroupItem(dlg, GetFocus(), msg->wParam == VK_LEFT || msg->wParam == VK_UP);
                if (next) {
                    FocusControl(dlg, next);
                    if (SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) SendMessageW(next, BM_CLICK, 0, 0);
                }
                return TRUE;
            }
            case VK_RETURN: {
                HWND f = GetFocus();
                HWND btn = nullptr;
                int id;
                if (f && IsChild(dlg, f) && IsPushButton(f)) {
                    btn = f;
                    id = GetDlgCtrlID(f);
                } else {
                    LRESULT def = SendMessageW(dlg, DM_GETDEFID, 0, 0);
                    id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
                    btn = GetDlgItem(dlg, id);
                }
                if (!btn || IsWindowEnabled(btn))
                    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(btn));
                return TRUE;
            }
            case VK_ESCAPE: {
                HWND cancel = GetDlgItem(dlg, IDCANCEL);
                if (!cancel || IsWindowEnabled(cancel))
                    SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
                return TRUE;
            }
            default: break;
            }
        } else {
            char16_t c = static_cast<char16_t>(msg->wParam);
            if (c == u'\t' || c == u'\r' || c == 27) {
                if (!(code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) || c != u'\r') return TRUE;
            }
            bool alt = msg->message == WM_SYSCHAR;
            if (alt || !(code & DLGC_WANTCHARS)) {
                for (HWND ctl = GetWindow(dlg, GW_CHILD); ctl; ctl = GetWindow(ctl, GW_HWNDNEXT)) {
                    if (!Usable(ctl)) continue;
                    LRESULT cc2 = SendMessageW(ctl, WM_GETDLGCODE, 0, 0);
                    if (!MnemonicMatches(TextOf(ctl), c)) continue;
                    if (cc2 & DLGC_STATIC) {
                        FocusControl(dlg, GetNextDlgTabItem(dlg, ctl, FALSE));
                    } else if (cc2 & DLGC_BUTTON) {
                        FocusControl(dlg, ctl);
                        SendMessageW(ctl, BM_CLICK, 0, 0);
                    } else {
                        FocusControl(dlg, ctl);
                    }
                    return TRUE;
                }
                if (alt) return TRUE;
            }
        }
    }
    TranslateMessage(msg);
    DispatchMessageW(msg);
    return TRUE;
}
BOOL IsDialogMessageA(HWND dlg, LPMSG msg) { return IsDialogMessageW(dlg, msg); }

BOOL SetDlgItemTextA(HWND dlg, int id, LPCSTR s) { return SetWindowTextA(GetDlgItem(dlg, id), s); }
BOOL SetDlgItemTextW(HWND dlg, int id, LPCWSTR s) { return SetWindowTextW(GetDlgItem(dlg, id), s); }
UINT GetDlgItemTextA(HWND dlg, int id, LPSTR s, int max) {
    if (s && max > 0) s[0] = 0;
    return static_cast<UINT>(std::max(0, GetWindowTextA(GetDlgItem(dlg, id), s, max)));
}
UINT GetDlgItemTextW(HWND dlg, int id, LPWSTR s, int max) {
    if (s && max > 0) s[0] = 0;
    return static_cast<UINT>(std::max(0, GetWindowTextW(GetDlgItem(dlg, id), s, max)));
}
BOOL SetDlgItemInt(HWND dlg, int id, UINT v, BOOL isSigned) {
    std::string s = isSigned ? std::to_string(static_cast<int>(v)) : std::to_string(v);
    return SetDlgItemTextA(dlg, id, s.c_str());
}
UINT GetDlgItemInt(HWND dlg, int id, BOOL* ok, BOOL isSigned) {
    char buf[64] = {};
    GetDlgItemTextA(dlg, id, buf, sizeof buf);
    const char* p = buf;
    while (*p == ' ') ++p;
    bool neg = false;
    if (isSigned && *p == '-') {
        neg = true;
        ++p;
    }
    if (*p < '0' || *p > '9') {
        if (ok) *ok = FALSE;
        return 0;
    }
    unsigned long long v = 0;
    while (*p >= '0' && *p <= '9') {
        v = v * 10 + static_cast<unsigned>(*p++ - '0');
        if (v > 0xFFFFFFFFull) {
            if (ok) *ok = FALSE;
            return 0;
        }
    }
    while (*p == ' ') ++p;
    bool good = *p == 0 && (!isSigned || v <= (neg ? 0x80000000ull : 0x7FFFFFFFull));
    if (ok) *ok = good;
    if (!good) return 0;
    return neg ? static_cast<UINT>(-static_cast<long long>(v)) : static_cast<UINT>(v);
}
LRESULT SendDlgItemMessageA(HWND dlg, int id, UINT m, WPARAM wp, LPARAM lp) {
    HWND c = GetDlgItem(dlg, id);
    return c ? SendMessageA(c, m, wp, lp) : 0;
}
LRESULT SendDlgItemMessageW(HWND dlg, int id, UINT m, WPARAM wp, LPARAM lp) {
    HWND c = GetDlgItem(dlg, id);
    return c ? SendMessageW(c, m, wp, lp) : 0;
}
BOOL CheckDlgButton(HWND dlg, int id, UINT check) {
    HWND c = GetDlgItem(dlg, id);
    if (!c) return FALSE;
    SendMessageW(c, BM_SETCHECK, check, 0);
    return TRUE;
}
UINT IsDlgButtonChecked(HWND dlg, int id) {
    HWND c = GetDlgItem(dlg, id);
    return c ? static_cast<UINT>(SendMessageW(c, BM_GETCHECK, 0, 0)) : 0;
}
BOOL CheckRadioButton(HWND dlg, int first, int last, int check) {
    for (int id = first; id <= last; ++id)
        if (HWND c = GetDlgItem(dlg, id)) SendMessageW(c, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
    return TRUE;
}
BOOL MapDialogRect(HWND dlg, LPRECT r) {
    auto* st = State<TDlgState>(dlg);
    if (!st || !r) return FALSE;
    r->left = (r->left * st->BaseX + 2) / 4;
    r->right = (r->right * st->BaseX + 2) / 4;
    r->top = (r->top * st->BaseY + 4) / 8;
    r->bottom = (r->bottom * st->BaseY + 4) / 8;
    return TRUE;
}
LONG GetDialogBaseUnits() {
    int bx, by;
    BaseUnits(/*font=*/nullptr, bx, by);
    return static_cast<LONG>(MAKELONG(static_cast<WORD>(bx), static_cast<WORD>(by)));
}
