// Shared helpers and the start-up of the control classes.
#include <mutex>
#include <set>

#include "platform/commctl/cc_internal.h"
#include "platform/system/unicode_conv.h"

namespace cc {

// One UTF-8/UTF-16 conversion for the whole platform layer.
std::u16string Utf8ToUtf16(const std::string& s) { return sysconv::Utf8ToUtf16(s); }

std::string Utf16ToUtf8(const std::u16string& s) { return sysconv::Utf16ToUtf8(s); }

// The control procedures are Unicode procedures: the window layer converts the
// text of an A call (or of an A subclass passing a message on) before it
// reaches them.
std::u16string StringArg(HWND, LPARAM l) {
    if (!l) return {};
    return std::u16string(reinterpret_cast<LPCWSTR>(l));
}

int CopyW(const std::u16string& s, LPWSTR buf, int max) {
    if (!buf || max <= 0) return 0;
    int n = static_cast<int>(std::min<std::size_t>(s.size(), static_cast<std::size_t>(max - 1)));
    if (n > 0 && n < static_cast<int>(s.size()) && s[n - 1] >= 0xD800 && s[n - 1] <= 0xDBFF) --n;
    std::memcpy(buf, s.data(), static_cast<std::size_t>(n) * 2);
    buf[n] = 0;
    return n;
}

int CopyA(const std::string& s, LPSTR buf, int max) {
    if (!buf || max <= 0) return 0;
    int n = static_cast<int>(std::min<std::size_t>(s.size(), static_cast<std::size_t>(max - 1)));
    // Never split a UTF-8 sequence.
    while (n > 0 && n < static_cast<int>(s.size()) && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    std::memcpy(buf, s.data(), static_cast<std::size_t>(n));
    buf[n] = 0;
    return n;
}

LRESULT CopyStringOut(HWND, const std::u16string& s, LPARAM buf, int max) {
    if (!buf) return -1;
    return CopyW(s, reinterpret_cast<LPWSTR>(buf), max);
}

LRESULT StringLength(HWND, const std::u16string& s) { return static_cast<LRESULT>(s.size()); }

static const char16_t kStateProp[] = u"TessaroCtlState";
static const char16_t kFontProp[] = u"TessaroCtlFont";

void* GetState(HWND h) { return GetPropW(h, kStateProp); }
void SetState(HWND h, void* p) {
    if (p)
        SetPropW(h, kStateProp, p);
    else
        RemovePropW(h, kStateProp);
}

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongPtrW(h, GWL_STYLE)); }
int CtlId(HWND h) { return static_cast<int>(GetWindowLongPtrW(h, GWLP_ID)); }
HWND Parent(HWND h) {
    HWND p = GetParent(h);
    return p;
}

void NotifyCommand(HWND h, WORD code) {
    HWND p = Parent(h);
    if (!p) return;
    SendMessageW(p, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(CtlId(h)), code), reinterpret_cast<LPARAM>(h));
}

LRESULT NotifyParent(HWND h, NMHDR& hdr, UINT code) {
    hdr.hwndFrom = h;
    hdr.idFrom = static_cast<UINT_PTR>(CtlId(h));
    hdr.code = code;
    HWND p = Parent(h);
    if (!p) return 0;
    return SendMessageW(p, WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
}

HBRUSH CtlColor(HWND h, HDC dc, UINT msg) {
    HWND p = Parent(h);
    HBRUSH b = nullptr;
    if (p) b = reinterpret_cast<HBRUSH>(SendMessageW(p, msg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)));
    if (!b) {
        bool window = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
        SetTextColor(dc, Sys(window ? COLOR_WINDOWTEXT : COLOR_BTNTEXT));
        SetBkColor(dc, Sys(window ? COLOR_WINDOW : COLOR_BTNFACE));
        b = GetSysColorBrush(window ? COLOR_WINDOW : COLOR_BTNFACE);
    }
    return b;
}

HFONT DefaultFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }
HFONT FontOf(HWND h) {
    HANDLE f = GetPropW(h, kFontProp);
    return f ? static_cast<HFONT>(f) : DefaultFont();
}
void SetFontOf(HWND h, HFONT font) {
    if (font)
        SetPropW(h, kFontProp, font);
    else
        RemovePropW(h, kFontProp);
}

std::u16string TextOf(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::u16string s(static_cast<std::size_t>(n) + 1, u'\0');
    int got = GetWindowTextW(h, s.data(), n + 1);
    s.resize(static_cast<std::size_t>(std::max(got, 0)));
    return s;
}

int TextHeight(HDC dc) {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    return tm.tmHeight;
}

int TextWidth(HDC dc, const std::u16string& s) {
    SIZE sz{};
    GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &sz);
    return sz.cx;
}

void FillSolid(HDC dc, const RECT& r, COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

RECT ClientRect(HWND h) {
    RECT r{};
    GetClientRect(h, &r);
    return r;
}

bool TopFromScrollRequest(WPARAM wp, int Top, int PerPage, int Count, int& NewTop) {
    switch (LOWORD(wp)) {
    case SB_LINEUP: NewTop = Top - 1; return true;
    case SB_LINEDOWN: NewTop = Top + 1; return true;
    case SB_PAGEUP: NewTop = Top - PerPage; return true;
    case SB_PAGEDOWN: NewTop = Top + PerPage; return true;
    case SB_TOP: NewTop = 0; return true;
    case SB_BOTTOM: NewTop = Count; return true;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: NewTop = static_cast<short>(HIWORD(wp)); return true;
    default: return false;
    }
}

void PaintWith(HWND h, void (*paint)(HWND, HDC)) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    paint(h, dc);
    EndPaint(h, &ps);
}

POINT PointOf(LPARAM l) {
    return POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
}

void Text(HDC dc, const std::u16string& s, RECT r, UINT fmt) {
    DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &r, fmt);
}

void RegisterCtlClass(const char16_t* name, WNDPROC proc, UINT style, HCURSOR cursor, int brushSysColor) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = style | CS_GLOBALCLASS;
    wc.lpfnWndProc = proc;
    wc.hCursor = cursor ? cursor : LoadCursorA(/*hInstance=*/nullptr, IDC_ARROW);
    wc.hbrBackground =
        brushSysColor >= 0 ? reinterpret_cast<HBRUSH>(static_cast<intptr_t>(brushSysColor + 1)) : nullptr;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

void HLine(HDC dc, int x1, int x2, int y, COLORREF c) {
    RECT r{x1, y, x2, y + 1};
    FillSolid(dc, r, c);
}
void VLine(HDC dc, int x, int y1, int y2, COLORREF c) {
    RECT r{x, y1, x + 1, y2};
    FillSolid(dc, r, c);
}

void DrawCheckMark(HDC dc, const RECT& r, COLORREF c) {
    // A 7x7 tick centred in r, three pixels thick.
    int x = (r.left + r.right) / 2 - 3, y = (r.top + r.bottom) / 2 - 3;
    for (int i = 0; i < 7; ++i) {
        int yy = i < 3 ? y + 2 + i : y + 4 - (i - 2);
        RECT p{x + i, yy, x + i + 1, yy + 3};
        FillSolid(dc, p, c);
    }
}

void DrawArrow(HDC dc, const RECT& r, int dir, COLORREF c) {
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    for (int i = 0; i < 4; ++i) {
        switch (dir) {
        case 0: HLine(dc, cx - i, cx + i + 1, cy - 2 + i, c); break;
        case 1: HLine(dc, cx - 3 + i, cx + 4 - i, cy - 1 + i, c); break;
        case 2: VLine(dc, cx - 2 + i, cy - i, cy + i + 1, c); break;
        default: VLine(dc, cx - 1 + i, cy - 3 + i, cy + 4 - i, c); break;
        }
    }
}

void DrawMessageIcon(HDC dc, int x, int y, UINT kind) {
    if (!kind) return;
    COLORREF fill = kind == MB_ICONHAND ? RGB(224, 0, 0) : kind == MB_ICONEXCLAMATION ? RGB(255, 224, 0) : RGB(0, 64, 224);
    COLORREF ink = kind == MB_ICONEXCLAMATION ? RGB(0, 0, 0) : RGB(255, 255, 255);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HBRUSH br = CreateSolidBrush(fill);
    HGDIOBJ op = SelectObject(dc, pen), ob = SelectObject(dc, br);
    if (kind == MB_ICONEXCLAMATION) {
        POINT pts[3] = {{x + 16, y + 1}, {x + 31, y + 30}, {x + 1, y + 30}};
        Polygon(dc, pts, 3);
    } else {
        Ellipse(dc, x + 1, y + 1, x + 31, y + 31);
    }
    SelectObject(dc, op);
    SelectObject(dc, ob);
    DeleteObject(pen);
    DeleteObject(br);
    const char16_t* glyph = kind == MB_ICONHAND ? u"X" : kind == MB_ICONQUESTION ? u"?" : kind == MB_ICONEXCLAMATION ? u"!" : u"i";
    HFONT f = CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
    HGDIOBJ of = SelectObject(dc, f);
    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldColor = SetTextColor(dc, ink);
    RECT r{x, y + (kind == MB_ICONEXCLAMATION ? 6 : 1), x + 32, y + 32};
    DrawTextW(dc, glyph, 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    SelectObject(dc, of);
    DeleteObject(f);
}

bool DrawStandardIcon(HDC dc, int x, int y, HICON icon) {
    if (!icon) return false;
    struct {
        LPCSTR Id;
        UINT Kind;
    } table[] = {{IDI_HAND, MB_ICONHAND}, {IDI_QUESTION, MB_ICONQUESTION}, {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                 {IDI_ASTERISK, MB_ICONASTERISK}};
    for (auto& e : table)
        if (LoadIconA(/*hInstance=*/nullptr, e.Id) == icon) {
            DrawMessageIcon(dc, x, y, e.Kind);
            return true;
        }
    if (LoadIconA(/*hInstance=*/nullptr, IDI_APPLICATION) == icon) {
        RECT r{x + 2, y + 4, x + 30, y + 28};
        FillSolid(dc, r, Sys(COLOR_WINDOW));
        FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        RECT cap{x + 3, y + 5, x + 29, y + 9};
        FillSolid(dc, cap, Sys(COLOR_ACTIVECAPTION));
        return true;
    }
    return false;
}

// The shared standard icons get the pictures message boxes show, so that
// DrawIconEx, image lists and pictures holding them draw them too.
void PaintStandardIcons() {
    const LPCSTR ids[] = {IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK, IDI_APPLICATION};
    constexpr int kSize = 32;
    constexpr uint32_t kKey = 0xFF00FF;
    for (LPCSTR id : ids) {
        HICON icon = LoadIconA(/*hInstance=*/nullptr, id);
        if (!icon) continue;
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = kSize;
        bi.bmiHeader.biHeight = -kSize;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, /*Section=*/nullptr, 0);
        if (!bmp || !bits) {
            DeleteDC(dc);
            continue;
        }
        HGDIOBJ old = SelectObject(dc, bmp);
        FillSolid(dc, RECT{0, 0, kSize, kSize}, RGB(255, 0, 255));
        bool drawn = DrawStandardIcon(dc, 0, 0, icon);
        GdiFlush();
        if (drawn) {
            std::vector<uint32_t> px(static_cast<const uint32_t*>(bits), static_cast<const uint32_t*>(bits) + kSize * kSize);
            for (auto& p : px) p = (p & 0xFFFFFF) == kKey ? 0 : (p | 0xFF000000u);
            WinSetIconPixels(icon, px.data(), kSize, kSize);
        }
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
}

}  // namespace cc

static bool gStarted = false;

void CommctlStartup() {
    static std::mutex m;
    std::lock_guard<std::mutex> lk(m);
    if (gStarted) return;
    gStarted = true;
    cc::RegisterButtonClasses();
    cc::RegisterListClasses();
    cc::RegisterMenuClasses();
    cc::RegisterDialogClasses();
    cc::RegisterCommonClasses();
    cc::RegisterListViewClasses();
    WinSetStandardIconPainter(&cc::PaintStandardIcons);
}

void CommctlShutdown() {
    static const char16_t* names[] = {u"Button",          u"Static",           u"Edit",
                                      u"ListBox",         u"ComboBox",         u"ComboLBox",
                                      u"ScrollBar",       u"SysListView32",    u"SysHeader32",
                                      u"msctls_progress32", u"msctls_trackbar32", u"msctls_statusbar32",
                                      u"msctls_updown32", u"SysTabControl32",  u"SysDateTimePick32",
                                      u"#32768",          u"#32770"};
    for (auto* n : names) UnregisterClassW(n, /*hInstance=*/nullptr);
    gStarted = false;
}

void InitCommonControls() { CommctlStartup(); }

namespace {
std::mutex FlatSBLock;
std::set<HWND>& FlatSBWindows() {
    static std::set<HWND> W;
    return W;
}
}  // namespace

BOOL InitializeFlatSB(HWND hwnd) {
    if (!IsWindow(hwnd)) return FALSE;
    std::lock_guard<std::mutex> L(FlatSBLock);
    FlatSBWindows().insert(hwnd);
    return TRUE;
}

LONG UninitializeFlatSB(HWND hwnd) {
    std::lock_guard<std::mutex> L(FlatSBLock);
    return FlatSBWindows().erase(hwnd) ? 0 : 1;
}

bool FlatSBInitialized(HWND hwnd) {
    std::lock_guard<std::mutex> L(FlatSBLock);
    return FlatSBWindows().count(hwnd) != 0;
}
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* p) {
    if (!p || p->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    CommctlStartup();
    return TRUE;
}
