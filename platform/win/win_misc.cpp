// Atoms, registered messages and clipboard formats, the in-process clipboard,
// system metrics and colours, and small odds and ends.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/screen/headless.h"
#include "platform/system/process.h"
#include "platform/win/win_internal.h"
#include "platform/win/winscreen.h"

using namespace winimpl;

// ---- Atoms ----------------------------------------------------------------
namespace {
struct TAtom {
    std::u16string Name;
    int Refs = 0;
    bool Pinned = false;  // registered messages and formats live forever
};
std::map<ATOM, TAtom>& Atoms() {
    static std::map<ATOM, TAtom> a;
    return a;
}
ATOM gNextAtom = 0xC000;

// "#123" names the integer atom 123.
bool IntegerAtomName(const std::u16string& s, ATOM& out) {
    if (s.size() < 2 || s[0] != u'#') return false;
    unsigned v = 0;
    for (std::size_t i = 1; i < s.size(); ++i) {
        if (s[i] < u'0' || s[i] > u'9') return false;
        v = v * 10 + (s[i] - u'0');
        if (v >= 0xC000) return false;
    }
    out = static_cast<ATOM>(v);
    return v != 0;
}

ATOM FindAtomKey(const std::u16string& s) {
    ATOM a;
    if (IntegerAtomName(s, a)) return a;
    for (auto& [k, v] : Atoms())
        if (SameNameNoCase(v.Name, s)) return k;
    return 0;
}

ATOM AddAtomKey(const std::u16string& s, bool pin) {
    if (s.empty() || s.size() > 255) return 0;
    Lock lk(UserMutex());
    ATOM a;
    if (IntegerAtomName(s, a)) return a;
    a = FindAtomKey(s);
    if (a) {
        Atoms()[a].Refs++;
        if (pin) Atoms()[a].Pinned = true;
        return a;
    }
    if (gNextAtom == 0xFFFF) return 0;
    a = gNextAtom++;
    Atoms()[a] = TAtom{s, 1, pin};
    return a;
}

std::u16string AtomKeyA(LPCSTR s) {
    if (IS_INTRESOURCE(s)) return u"#" + Utf8ToUtf16(std::to_string(reinterpret_cast<uintptr_t>(s)));
    return WideOf(s);
}
std::u16string AtomKeyW(LPCWSTR s) {
    if (IS_INTRESOURCE(s)) return u"#" + Utf8ToUtf16(std::to_string(reinterpret_cast<uintptr_t>(s)));
    return WideOfW(s);
}

bool AtomName(ATOM a, std::u16string& out) {
    Lock lk(UserMutex());
    if (a > 0 && a < 0xC000) {
        out = u"#" + Utf8ToUtf16(std::to_string(a));
        return true;
    }
    auto it = Atoms().find(a);
    if (it == Atoms().end()) return false;
    out = it->second.Name;
    return true;
}
}  // namespace

namespace winimpl {
std::u16string PropCanonical(const std::u16string& key) {
    if (key.empty() || key[0] == u'#') return key;
    Lock lk(UserMutex());
    ATOM a = FindAtomKey(key);
    if (a >= 0xC000) return u"#" + Utf8ToUtf16(std::to_string(a));
    return key;
}
}  // namespace winimpl

ATOM GlobalAddAtomA(LPCSTR s) { return AddAtomKey(AtomKeyA(s), /*pin=*/false); }
ATOM GlobalAddAtomW(LPCWSTR s) { return AddAtomKey(AtomKeyW(s), /*pin=*/false); }
ATOM GlobalFindAtomA(LPCSTR s) {
    Lock lk(UserMutex());
    return FindAtomKey(AtomKeyA(s));
}
ATOM GlobalFindAtomW(LPCWSTR s) {
    Lock lk(UserMutex());
    return FindAtomKey(AtomKeyW(s));
}
ATOM GlobalDeleteAtom(ATOM a) {
    Lock lk(UserMutex());
    if (a < 0xC000) return 0;
    auto it = Atoms().find(a);
    if (it == Atoms().end()) return a;  // failure answers the atom itself
    if (it->second.Pinned) return 0;
    if (--it->second.Refs <= 0) Atoms().erase(it);
    return 0;
}
UINT GlobalGetAtomNameW(ATOM a, LPWSTR buf, int n) {
    std::u16string s;
    if (!AtomName(a, s)) return 0;
    return static_cast<UINT>(CopyOut(s, buf, n));
}
UINT GlobalGetAtomNameA(ATOM a, LPSTR buf, int n) {
    std::u16string s;
    if (!AtomName(a, s)) return 0;
    return static_cast<UINT>(CopyOutA(Utf16ToUtf8(s), buf, n));
}
// One process: the local table is the global one.
ATOM AddAtomA(LPCSTR s) { return GlobalAddAtomA(s); }
ATOM AddAtomW(LPCWSTR s) { return GlobalAddAtomW(s); }
ATOM FindAtomA(LPCSTR s) { return GlobalFindAtomA(s); }
ATOM FindAtomW(LPCWSTR s) { return GlobalFindAtomW(s); }
ATOM DeleteAtom(ATOM a) { return GlobalDeleteAtom(a); }
UINT GetAtomNameA(ATOM a, LPSTR b, int n) { return GlobalGetAtomNameA(a, b, n); }
UINT GetAtomNameW(ATOM a, LPWSTR b, int n) { return GlobalGetAtomNameW(a, b, n); }

UINT RegisterWindowMessageA(LPCSTR s) { return s && *s ? AddAtomKey(WideOf(s), /*pin=*/true) : 0; }
UINT RegisterWindowMessageW(LPCWSTR s) { return s && *s ? AddAtomKey(WideOfW(s), /*pin=*/true) : 0; }
UINT RegisterClipboardFormatA(LPCSTR s) { return s && *s ? AddAtomKey(WideOf(s), /*pin=*/true) : 0; }
UINT RegisterClipboardFormatW(LPCWSTR s) { return s && *s ? AddAtomKey(WideOfW(s), /*pin=*/true) : 0; }
int GetClipboardFormatNameA(UINT f, LPSTR buf, int n) {
    if (f < 0xC000) return 0;
    return static_cast<int>(GlobalGetAtomNameA(static_cast<ATOM>(f), buf, n));
}

// ---- Memory blocks and the clipboard ---------------------------------------
namespace {
struct TBlock {
    std::vector<unsigned char> Data;
};
std::map<HGLOBAL, std::unique_ptr<TBlock>>& Blocks() {
    static std::map<HGLOBAL, std::unique_ptr<TBlock>> b;
    return b;
}
struct TClipboard {
    DWORD OpenedBy = 0;
    bool Open = false;
    HWND Owner = nullptr;
    HWND OpenWindow = nullptr;
    bool Changed = false;  // emptied or written since it was opened
    std::map<UINT, HANDLE> Data;
} gClip;
}  // namespace

HGLOBAL WinGlobalAlloc(std::size_t size) {
    auto b = std::make_unique<TBlock>();
    b->Data.assign(std::max<std::size_t>(size, 1), 0);
    Lock lk(UserMutex());
    HGLOBAL h = b.get();
    Blocks()[h] = std::move(b);
    return h;
}
void* WinGlobalLock(HGLOBAL m) {
    Lock lk(UserMutex());
    auto it = Blocks().find(m);
    return it == Blocks().end() ? nullptr : it->second->Data.data();
}
std::size_t WinGlobalSize(HGLOBAL m) {
    Lock lk(UserMutex());
    auto it = Blocks().find(m);
    return it == Blocks().end() ? 0 : it->second->Data.size();
}
void WinGlobalFree(HGLOBAL m) {
    Lock lk(UserMutex());
    Blocks().erase(m);
}

// The screen is asked without the layer's lock: it may wait for another program.
BOOL OpenClipboard(HWND h) {
    std::string foreign;
    TScreen* screen = ScreenIfOpen();
    const bool desktopOwned = screen && screen->ForeignClipboardText(foreign);
    Lock lk(UserMutex());
    if (gClip.Open && gClip.OpenedBy != GetCurrentThreadId()) return FALSE;
    gClip.Open = true;
    gClip.OpenedBy = GetCurrentThreadId();
    gClip.OpenWindow = h;
    gClip.Changed = false;
    if (desktopOwned) {
        // Another program copied last: its text is the clipboard now.
        for (auto& [f, d] : gClip.Data) Blocks().erase(d);
        gClip.Data.clear();
        gClip.Owner = nullptr;
        if (!foreign.empty()) {
            const std::u16string w = Utf8ToUtf16(foreign);
            lk.unlock();
            HGLOBAL made = WinGlobalAlloc((w.size() + 1) * 2);
            std::memcpy(WinGlobalLock(made), w.c_str(), (w.size() + 1) * 2);
            lk.lock();
            gClip.Data[CF_UNICODETEXT] = made;
        }
    }
    return TRUE;
}
BOOL CloseClipboard() {
    std::string text;
    bool changed = false, hasText = false;
    {
        Lock lk(UserMutex());
        if (!gClip.Open || gClip.OpenedBy != GetCurrentThreadId()) return FALSE;
        gClip.Open = false;
        changed = gClip.Changed;
        gClip.Changed = false;
        if (changed) {
            auto u = gClip.Data.find(CF_UNICODETEXT);
            auto a = gClip.Data.find(CF_TEXT);
            if (u != gClip.Data.end() && Blocks().count(u->second)) {
                auto& src = Blocks()[u->second]->Data;
                std::u16string w(reinterpret_cast<const char16_t*>(src.data()), src.size() / 2);
                w.resize(WideLen(w.c_str()));
                text = Utf16ToUtf8(w);
                hasText = true;
            } else if (a != gClip.Data.end() && Blocks().count(a->second)) {
                auto& src = Blocks()[a->second]->Data;
                text.assign(reinterpret_cast<const char*>(src.data()),
                            strnlen(reinterpret_cast<const char*>(src.data()), src.size()));
                hasText = true;
            }
        }
    }
    // Other programs paste what the program copied, as text; anything else
    // the program copies leaves them nothing stale.
    if (changed)
        if (TScreen* screen = ScreenIfOpen()) {
            if (hasText) screen->OfferClipboardText(text);
            else screen->ReleaseClipboard();
        }
    return TRUE;
}
BOOL EmptyClipboard() {
    Lock lk(UserMutex());
    if (!gClip.Open || gClip.OpenedBy != GetCurrentThreadId()) return FALSE;
    for (auto& [f, d] : gClip.Data) Blocks().erase(d);
    gClip.Data.clear();
    gClip.Owner = gClip.OpenWindow;
    gClip.Changed = true;
    return TRUE;
}
HANDLE SetClipboardData(UINT f, HANDLE mem) {
    Lock lk(UserMutex());
    if (!gClip.Open || gClip.OpenedBy != GetCurrentThreadId() || !f) return nullptr;
    gClip.Changed = true;
    auto it = gClip.Data.find(f);
    if (it != gClip.Data.end() && it->second != mem) Blocks().erase(it->second);
    gClip.Data[f] = mem;
    return mem;
}
HANDLE GetClipboardData(UINT f) {
    Lock lk(UserMutex());
    if (!gClip.Open || gClip.OpenedBy != GetCurrentThreadId()) return nullptr;
    auto it = gClip.Data.find(f);
    if (it != gClip.Data.end()) return it->second;
    // Text is offered in both kinds, as the old platform converts between them.
    UINT other = f == CF_TEXT ? CF_UNICODETEXT : f == CF_UNICODETEXT ? CF_TEXT : 0;
    auto o = other ? gClip.Data.find(other) : gClip.Data.end();
    if (o == gClip.Data.end() || !Blocks().count(o->second)) return nullptr;
    auto& src = Blocks()[o->second]->Data;
    HGLOBAL made;
    if (f == CF_TEXT) {
        std::u16string w(reinterpret_cast<const char16_t*>(src.data()), src.size() / 2);
        w.resize(WideLen(w.c_str()));
        std::string a = Utf16ToUtf8(w);
        lk.unlock();
        made = WinGlobalAlloc(a.size() + 1);
        std::memcpy(WinGlobalLock(made), a.c_str(), a.size() + 1);
    } else {
        std::string a(reinterpret_cast<const char*>(src.data()), strnlen(reinterpret_cast<const char*>(src.data()), src.size()));
        std::u16string w = Utf8ToUtf16(a);
        lk.unlock();
        made = WinGlobalAlloc((w.size() + 1) * 2);
        std::memcpy(WinGlobalLock(made), w.c_str(), (w.size() + 1) * 2);
    }
    lk.lock();
    gClip.Data[f] = made;
    return made;
}
BOOL IsClipboardFormatAvailable(UINT f) {
    Lock lk(UserMutex());
    if (gClip.Data.count(f)) return TRUE;
    if (f == CF_TEXT) return gClip.Data.count(CF_UNICODETEXT) != 0;
    if (f == CF_UNICODETEXT) return gClip.Data.count(CF_TEXT) != 0;
    return FALSE;
}
HWND GetClipboardOwner() {
    Lock lk(UserMutex());
    return gClip.Owner;
}

// ---- Metrics and colours --------------------------------------------------
int GetSystemMetrics(int i) {
    // The real display's size once a screen is open (forms centre on it); the
    // desktop surface's size before.
    SIZE desk{GDI_DESKTOP_WIDTH, GDI_DESKTOP_HEIGHT};
    if (i == SM_CXSCREEN || i == SM_CXFULLSCREEN || i == SM_CXVIRTUALSCREEN || i == SM_CYSCREEN ||
        i == SM_CYVIRTUALSCREEN || i == SM_CYFULLSCREEN) {
        if (TScreen* s = ScreenIfOpen()) {
            SIZE d = s->DesktopSize();
            if (d.cx > 0 && d.cy > 0) desk = d;
        }
    }
    switch (i) {
    case SM_CXSCREEN: case SM_CXFULLSCREEN: case SM_CXVIRTUALSCREEN: return desk.cx;
    case SM_CYSCREEN: case SM_CYVIRTUALSCREEN: return desk.cy;
    case SM_CYFULLSCREEN: return desk.cy - 19;
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVSCROLL: case SM_CXHSCROLL: return 16;
    case SM_CYVTHUMB: case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXICONSPACING: case SM_CYICONSPACING: return 75;
    case SM_CYMENU: return 19;
    case SM_MOUSEPRESENT: case SM_MOUSEWHEELPRESENT: case SM_CMONITORS: return 1;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_CXMIN: case SM_CXMINTRACK: return 112;
    case SM_CYMIN: case SM_CYMINTRACK: return 27;
    case SM_CXSIZE: case SM_CYSIZE: return 18;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CYSMCAPTION: return 15;
    case SM_CXSMSIZE: return 12;
    case SM_CYSMSIZE: return 14;
    case SM_CXMENUSIZE: case SM_CYMENUSIZE: return 18;
    case SM_CXMINIMIZED: return 160;
    case SM_CYMINIMIZED: return 24;
    case SM_CXMAXTRACK: return GDI_DESKTOP_WIDTH + 12;
    case SM_CYMAXTRACK: return GDI_DESKTOP_HEIGHT + 12;
    case SM_CXMAXIMIZED: return GDI_DESKTOP_WIDTH + 8;
    case SM_CYMAXIMIZED: return GDI_DESKTOP_HEIGHT + 8;
    case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_CXMENUCHECK: case SM_CYMENUCHECK: return 13;
    case SM_CXFOCUSBORDER: case SM_CYFOCUSBORDER: return 1;
    default: return 0;
    }
}

DWORD GetSysColor(int i) { return GdiClassicSysColor(i); }

HBRUSH GetSysColorBrush(int i) {
    static HBRUSH brushes[31] = {};
    if (i < 0 || i > 30) return nullptr;
    Lock lk(UserMutex());
    if (!brushes[i]) brushes[i] = CreateSolidBrush(GetSysColor(i));
    return brushes[i];
}

// ---- Odds and ends --------------------------------------------------------
BOOL MessageBeep(UINT) { return TRUE; }

void OutputDebugStringA(LPCSTR s) {
    if (s && std::getenv("TESSARO_DEBUG")) std::fprintf(stderr, "%s", s);
}
void OutputDebugStringW(LPCWSTR s) {
    if (s) OutputDebugStringA(Utf16ToUtf8(s, WideLen(s)).c_str());
}

bool WinSaveWindowPng(HWND h, const std::string& path) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !VisibleOnScreen(w)) return false;
    TWnd* top = TopLevelOf(w);
    if (!top || !top->Surface) return false;
    RECT a = WindowOnScreen(w), b = WindowOnScreen(top);
    RECT r{a.left - b.left, a.top - b.top, a.right - b.left, a.bottom - b.top};
    RECT all{0, 0, GdiSurfaceWidth(top->Surface), GdiSurfaceHeight(top->Surface)};
    if (!IntersectRect(&r, &r, &all)) return false;
    int stride = GdiSurfaceStride(top->Surface);
    const uint32_t* px = GdiSurfacePixels(top->Surface) + static_cast<std::ptrdiff_t>(r.top) * stride + r.left;
    return SavePixelsPng(path, px, r.right - r.left, r.bottom - r.top, stride);
}

// ---- System parameters ----------------------------------------------------
namespace {
template <class LF>
void ClassicFont(LF& f, bool bold) {
    std::memset(&f, 0, sizeof f);
    f.lfHeight = -11;  // 8 points at 96 dots per inch
    f.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    f.lfCharSet = DEFAULT_CHARSET;
    const char* face = "Tahoma";
    for (int i = 0; face[i]; ++i) f.lfFaceName[i] = static_cast<std::remove_reference_t<decltype(f.lfFaceName[0])>>(face[i]);
}

template <class NCM>
BOOL FillMetrics(NCM* m) {
    // The 340-byte form of older callers has no padded border width.
    const UINT full = sizeof(NCM), old = full - sizeof(int);
    if (!m || (m->cbSize != full && m->cbSize != old)) return FALSE;
    UINT size = m->cbSize;
    std::memset(m, 0, size);
    m->cbSize = size;
    m->iBorderWidth = 1;
    m->iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    m->iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
    m->iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
    m->iCaptionHeight = GetSystemMetrics(SM_CYSIZE);
    ClassicFont(m->lfCaptionFont, /*bold=*/true);
    m->iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
    m->iSmCaptionHeight = GetSystemMetrics(SM_CYSMSIZE);
    ClassicFont(m->lfSmCaptionFont, /*bold=*/true);
    m->iMenuWidth = GetSystemMetrics(SM_CXMENUSIZE);
    m->iMenuHeight = GetSystemMetrics(SM_CYMENUSIZE);
    ClassicFont(m->lfMenuFont, /*bold=*/false);
    ClassicFont(m->lfStatusFont, /*bold=*/false);
    ClassicFont(m->lfMessageFont, /*bold=*/false);
    return TRUE;
}

template <class NCM, class LF>
BOOL ParametersInfo(UINT action, UINT, LPVOID p) {
    if (!p) return FALSE;
    switch (action) {
    case SPI_GETNONCLIENTMETRICS: return FillMetrics(static_cast<NCM*>(p));
    case SPI_GETICONTITLELOGFONT: ClassicFont(*static_cast<LF*>(p), /*bold=*/false); return TRUE;
    case SPI_GETWORKAREA: *static_cast<RECT*>(p) = RECT{0, 0, GDI_DESKTOP_WIDTH, GDI_DESKTOP_HEIGHT}; return TRUE;
    case SPI_GETBORDER: *static_cast<int*>(p) = 1; return TRUE;
    case SPI_GETKEYBOARDDELAY: *static_cast<int*>(p) = 1; return TRUE;
    case SPI_GETWHEELSCROLLLINES: *static_cast<UINT*>(p) = 3; return TRUE;
    case SPI_GETMOUSEHOVERTIME: *static_cast<UINT*>(p) = 400; return TRUE;
    case SPI_GETMENUSHOWDELAY: *static_cast<int*>(p) = 400; return TRUE;
    case SPI_GETDRAGFULLWINDOWS: *static_cast<BOOL*>(p) = TRUE; return TRUE;
    case SPI_GETKEYBOARDCUES:
    case SPI_GETMENUANIMATION:
    case SPI_GETGRADIENTCAPTIONS:
    case SPI_GETFLATMENU: *static_cast<BOOL*>(p) = FALSE; return TRUE;
    default: return FALSE;
    }
}
}  // namespace

BOOL SystemParametersInfoA(UINT a, UINT u, LPVOID p, UINT) { return ParametersInfo<NONCLIENTMETRICSA, LOGFONTA>(a, u, p); }
BOOL SystemParametersInfoW(UINT a, UINT u, LPVOID p, UINT) { return ParametersInfo<NONCLIENTMETRICSW, LOGFONTW>(a, u, p); }

// ---- Keyboard layout --------------------------------------------------------
HKL GetKeyboardLayout(DWORD) { return reinterpret_cast<HKL>(static_cast<uintptr_t>(0x04090409)); }

UINT MapVirtualKeyW(UINT code, UINT type) {
    switch (type) {
    case MAPVK_VK_TO_VSC:
    case MAPVK_VSC_TO_VK: return code & 0xFF;
    case MAPVK_VK_TO_CHAR:
        if (code >= 'A' && code <= 'Z') return code;
        if (code >= '0' && code <= '9') return code;
        if (code >= VK_NUMPAD0 && code <= VK_NUMPAD9) return '0' + code - VK_NUMPAD0;
        switch (code) {
        case VK_SPACE: return ' ';
        case VK_RETURN: return '\r';
        case VK_BACK: return 8;
        case VK_TAB: return '\t';
        case VK_ESCAPE: return 27;
        case VK_MULTIPLY: return '*';
        case VK_ADD: return '+';
        case VK_SUBTRACT: return '-';
        case VK_DECIMAL: return '.';
        case VK_DIVIDE: return '/';
        case VK_OEM_1: return ';';
        case VK_OEM_PLUS: return '=';
        case VK_OEM_COMMA: return ',';
        case VK_OEM_MINUS: return '-';
        case VK_OEM_PERIOD: return '.';
        case VK_OEM_2: return '/';
        case VK_OEM_3: return '`';
        case VK_OEM_4: return '[';
        case VK_OEM_5: return '\\';
        case VK_OEM_6: return ']';
        case VK_OEM_7: return '\'';
        default: return 0;
        }
    default: return 0;
    }
}
UINT MapVirtualKeyA(UINT code, UINT type) { return MapVirtualKeyW(code, type); }

int GetKeyNameTextW(LONG l, LPWSTR buf, int n) {
    int vk = (static_cast<DWORD>(l) >> 16) & 0xFF;
    static const std::map<int, const char*> names = {
        {VK_BACK, "Backspace"}, {VK_TAB, "Tab"},        {VK_RETURN, "Enter"},   {VK_SHIFT, "Shift"},
        {VK_CONTROL, "Ctrl"},   {VK_MENU, "Alt"},       {VK_PAUSE, "Pause"},    {VK_CAPITAL, "Caps Lock"},
        {VK_ESCAPE, "Esc"},     {VK_SPACE, "Space"},    {VK_PRIOR, "Page Up"},  {VK_NEXT, "Page Down"},
        {VK_END, "End"},        {VK_HOME, "Home"},      {VK_LEFT, "Left"},      {VK_UP, "Up"},
        {VK_RIGHT, "Right"},    {VK_DOWN, "Down"},      {VK_INSERT, "Insert"},  {VK_DELETE, "Delete"},
        {VK_MULTIPLY, "Num *"}, {VK_ADD, "Num +"},      {VK_SUBTRACT, "Num -"}, {VK_DECIMAL, "Num Del"},
        {VK_DIVIDE, "Num /"},   {VK_NUMLOCK, "Num Lock"}, {VK_SCROLL, "Scroll Lock"}};
    std::string name;
    if (auto it = names.find(vk); it != names.end())
        name = it->second;
    else if (vk >= VK_F1 && vk <= VK_F12)
        name = "F" + std::to_string(vk - VK_F1 + 1);
    else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9)
        name = "Num " + std::to_string(vk - VK_NUMPAD0);
    else if (UINT c = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_CHAR); c > ' ')
        name = std::string(1, static_cast<char>(c));
    return CopyOut(Utf8ToUtf16(name), buf, n);
}
int GetKeyNameTextA(LONG l, LPSTR buf, int n) {
    char16_t w[64];
    int len = GetKeyNameTextW(l, w, 64);
    return CopyOutA(Utf16ToUtf8(w, static_cast<std::size_t>(len)), buf, n);
}
