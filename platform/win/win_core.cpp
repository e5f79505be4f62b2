// The window table, window classes, creation and destruction, window longs,
// properties and text.
#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>
#include <atomic>
#include <cstring>

#include "platform/system/process.h"
#include "platform/win/win_internal.h"

namespace winimpl {

std::recursive_mutex& UserMutex() {
    static std::recursive_mutex m;
    return m;
}
std::condition_variable_any& UserWake() {
    static std::condition_variable_any c;
    return c;
}
namespace {
std::atomic<uint64_t> gWakes{0};
}
void WakeAll() {
    gWakes.fetch_add(1);
    UserWake().notify_all();
}
uint64_t WakeCount() { return gWakes.load(); }

// ---- Handle table ---------------------------------------------------------
// A handle is (generation << 16) | slot. A freed slot gets the next
// generation, so an old handle never finds the window that reuses its slot.
namespace {
struct TSlot {
    std::unique_ptr<TWnd> Wnd;
    uint16_t Generation = 1;
};
std::vector<TSlot>& Slots() {
    static std::vector<TSlot> s(1);  // slot 0 is never used
    return s;
}
std::vector<uint32_t>& FreeSlots() {
    static std::vector<uint32_t> f;
    return f;
}
HWND gDesktop = nullptr;
std::vector<HWND> gMessageWindows;
int gCascade = 0;

std::vector<std::unique_ptr<TClass>>& Classes() {
    static std::vector<std::unique_ptr<TClass>> c;
    return c;
}
ATOM gNextClassAtom = 0xC000;

HWND NewHandle(std::unique_ptr<TWnd> w) {
    auto& slots = Slots();
    uint32_t index;
    if (!FreeSlots().empty()) {
        index = FreeSlots().back();
        FreeSlots().pop_back();
    } else {
        if (slots.size() >= 0xFFFF) return nullptr;
        index = static_cast<uint32_t>(slots.size());
        slots.emplace_back();
    }
    HWND h = reinterpret_cast<HWND>(static_cast<uintptr_t>((static_cast<uint32_t>(slots[index].Generation) << 16) | index));
    w->Handle = h;
    slots[index].Wnd = std::move(w);
    return h;
}

void FreeHandle(HWND h) {
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    uint32_t index = v & 0xFFFF;
    auto& slots = Slots();
    if (index == 0 || index >= slots.size()) return;
    slots[index].Wnd.reset();
    slots[index].Generation = static_cast<uint16_t>(slots[index].Generation % 0x7FFF + 1);
    FreeSlots().insert(FreeSlots().begin(), index);  // reuse the oldest slot last
}
}  // namespace

TWnd* Find(HWND h) {
    uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if (v == 0 || v > 0x7FFFFFFF) return nullptr;
    uint32_t index = v & 0xFFFF;
    uint32_t gen = static_cast<uint32_t>(v >> 16);
    auto& slots = Slots();
    if (index == 0 || index >= slots.size()) return nullptr;
    auto& s = slots[index];
    if (!s.Wnd || s.Generation != gen) return nullptr;
    return s.Wnd.get();
}

static LRESULT DesktopProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

HWND DesktopHandle() {
    Lock lk(UserMutex());
    if (!gDesktop) {
        auto w = std::make_unique<TWnd>();
        w->Desktop = true;
        w->Style = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
        w->Window = RECT{0, 0, GDI_DESKTOP_WIDTH, GDI_DESKTOP_HEIGHT};
        w->Client = w->Window;
        w->Proc = DesktopProc;
        w->Unicode = true;
        w->NeedSizeMove = false;
        gDesktop = NewHandle(std::move(w));
    }
    return gDesktop;
}
TWnd* DesktopWnd() { return Find(DesktopHandle()); }

bool IsTopLevel(const TWnd* w) { return w && !w->Desktop && (w->Parent == gDesktop || w->MessageOnly); }

bool IsDescendant(HWND ancestor, HWND h) {
    TWnd* w = Find(h);
    while (w && !w->Desktop) {
        if (w->Parent == ancestor) return true;
        if (w->MessageOnly) return false;
        w = Find(w->Parent);
    }
    return false;
}

POINT ParentOrigin(const TWnd* w) {
    POINT p{0, 0};
    const TWnd* p1 = w->MessageOnly ? nullptr : Find(w->Parent);
    while (p1 && !p1->Desktop) {
        p.x += p1->Client.left;
        p.y += p1->Client.top;
        p1 = p1->MessageOnly ? nullptr : Find(p1->Parent);
    }
    return p;
}

RECT WindowOnScreen(const TWnd* w) {
    POINT o = ParentOrigin(w);
    RECT r = w->Window;
    OffsetRect(&r, o.x, o.y);
    return r;
}
RECT ClientOnScreen(const TWnd* w) {
    POINT o = ParentOrigin(w);
    RECT r = w->Client;
    OffsetRect(&r, o.x, o.y);
    return r;
}

TWnd* TopLevelOf(TWnd* w) {
    while (w && !w->Desktop && !IsTopLevel(w)) w = Find(w->Parent);
    return (w && !w->Desktop) ? w : nullptr;
}

bool VisibleOnScreen(const TWnd* w) {
    while (w && !w->Desktop) {
        if (!(w->Style & WS_VISIBLE)) return false;
        if (w->MessageOnly) return false;
        w = Find(w->Parent);
    }
    return w != nullptr;
}

static void Collect(HWND h, std::vector<HWND>& out) {
    TWnd* w = Find(h);
    if (!w) return;
    out.push_back(h);
    for (HWND c : w->Children) Collect(c, out);
}

std::vector<HWND> AllWindows() {
    std::vector<HWND> out;
    TWnd* d = DesktopWnd();
    for (HWND c : d->Children) Collect(c, out);
    for (HWND m : gMessageWindows) Collect(m, out);
    return out;
}

std::vector<HWND> TopLevels() { return DesktopWnd()->Children; }

// ---- Window procedure thunks ----------------------------------------------
// GetWindowLongPtr(GWLP_WNDPROC), GetClassInfo and GetClassLongPtr of the other
// character kind give a thunk: a real procedure that converts the text
// messages on the way, so callers may call it directly or through
// CallWindowProc, and SetWindowLongPtr/RegisterClass given one take back the
// procedure with its kind. Thunks come from a fixed set of entry points and
// live as long as the program.
namespace {
struct TProcThunk {
    WNDPROC Proc = nullptr;
    bool Unicode = false;  // the kind of Proc; callers of the thunk use the other
};
constexpr std::size_t kThunkSlots = 256;
TProcThunk gThunks[kThunkSlots];
std::size_t gThunkCount = 0;  // slots in use; a slot never changes once handed out

template <std::size_t N>
LRESULT CALLBACK ThunkEntry(HWND h, UINT m, WPARAM w, LPARAM l) {
    const TProcThunk& t = gThunks[N];
    return CallProc(t.Proc, t.Unicode, !t.Unicode, h, m, w, l);
}
template <std::size_t... I>
constexpr std::array<WNDPROC, sizeof...(I)> MakeThunkEntries(std::index_sequence<I...>) {
    return {&ThunkEntry<I>...};
}
constexpr std::array<WNDPROC, kThunkSlots> kThunkEntries = MakeThunkEntries(std::make_index_sequence<kThunkSlots>{});

// Lock held.
WNDPROC ThunkFor(WNDPROC proc, bool unicode) {
    for (std::size_t i = 0; i < gThunkCount; ++i)
        if (gThunks[i].Proc == proc && gThunks[i].Unicode == unicode) return kThunkEntries[i];
    if (gThunkCount == kThunkSlots) {
        std::fprintf(stderr, "window procedure thunks exhausted\n");
        return proc;  // unconverted rather than nothing
    }
    gThunks[gThunkCount] = TProcThunk{proc, unicode};
    return kThunkEntries[gThunkCount++];
}
const TProcThunk* AsThunk(WNDPROC p) {
    for (std::size_t i = 0; i < gThunkCount; ++i)
        if (kThunkEntries[i] == p) return &gThunks[i];
    return nullptr;
}
}  // namespace

// ---- Classes --------------------------------------------------------------
std::u16string ClassKeyA(LPCSTR name) {
    if (!name) return u"";
    if (IS_INTRESOURCE(name)) return u"#" + Utf8ToUtf16(std::to_string(reinterpret_cast<uintptr_t>(name)));
    return WideOf(name);
}
std::u16string ClassKeyW(LPCWSTR name) {
    if (!name) return u"";
    if (IS_INTRESOURCE(name)) return u"#" + Utf8ToUtf16(std::to_string(reinterpret_cast<uintptr_t>(name)));
    return WideOfW(name);
}

TClass* FindClass(const std::u16string& key) {
    if (key.size() > 1 && key[0] == u'#') {
        std::string digits = Utf16ToUtf8(key.substr(1));
        ATOM a = static_cast<ATOM>(std::strtoul(digits.c_str(), nullptr, 10));
        for (auto& c : Classes())
            if (c->Atom == a) return c.get();
    }
    for (auto& c : Classes())
        if (SameNameNoCase(c->Name, key)) return c.get();
    return nullptr;
}

static ATOM RegisterClassInternal(const std::u16string& name, UINT style, WNDPROC proc, bool unicode, int clsExtra,
                                  int wndExtra, HINSTANCE inst, HICON icon, HICON iconSm, HCURSOR cursor,
                                  HBRUSH background, const std::u16string& menuName) {
    if (name.empty() || !proc || clsExtra < 0 || wndExtra < 0 || clsExtra > 40960 || wndExtra > 40960) return 0;
    Lock lk(UserMutex());
    if (FindClass(name)) return 0;  // already registered
    // A procedure taken from a class or window of the other kind comes as a
    // thunk: the class gets the procedure itself with its own kind.
    if (const TProcThunk* t = AsThunk(proc)) {
        proc = t->Proc;
        unicode = t->Unicode;
    }
    auto c = std::make_unique<TClass>();
    c->Atom = gNextClassAtom++;
    c->Name = name;
    c->Style = style;
    c->Proc = proc;
    c->Unicode = unicode;
    c->ClsExtra = clsExtra;
    c->WndExtra = wndExtra;
    c->Instance = inst;
    c->Icon = icon;
    c->IconSm = iconSm;
    c->Cursor = cursor;
    c->Background = background;
    c->MenuName = menuName;
    c->Extra.assign(clsExtra, 0);
    ATOM a = c->Atom;
    Classes().push_back(std::move(c));
    return a;
}

static std::u16string MenuNameA(LPCSTR n) { return n ? ClassKeyA(n) : std::u16string(); }
static std::u16string MenuNameW(LPCWSTR n) { return n ? ClassKeyW(n) : std::u16string(); }

}  // namespace winimpl

using namespace winimpl;

ATOM RegisterClassA(const WNDCLASSA* c) {
    if (!c) return 0;
    return RegisterClassInternal(ClassKeyA(c->lpszClassName), c->style, c->lpfnWndProc, /*unicode=*/false,
                                 c->cbClsExtra, c->cbWndExtra, c->hInstance, c->hIcon, /*iconSm=*/nullptr, c->hCursor,
                                 c->hbrBackground, MenuNameA(c->lpszMenuName));
}
ATOM RegisterClassW(const WNDCLASSW* c) {
    if (!c) return 0;
    return RegisterClassInternal(ClassKeyW(c->lpszClassName), c->style, c->lpfnWndProc, /*unicode=*/true, c->cbClsExtra,
                                 c->cbWndExtra, c->hInstance, c->hIcon, /*iconSm=*/nullptr, c->hCursor,
                                 c->hbrBackground, MenuNameW(c->lpszMenuName));
}
ATOM RegisterClassExA(const WNDCLASSEXA* c) {
    if (!c) return 0;
    return RegisterClassInternal(ClassKeyA(c->lpszClassName), c->style, c->lpfnWndProc, /*unicode=*/false,
                                 c->cbClsExtra, c->cbWndExtra, c->hInstance, c->hIcon, c->hIconSm, c->hCursor,
                                 c->hbrBackground, MenuNameA(c->lpszMenuName));
}
ATOM RegisterClassExW(const WNDCLASSEXW* c) {
    if (!c) return 0;
    return RegisterClassInternal(ClassKeyW(c->lpszClassName), c->style, c->lpfnWndProc, /*unicode=*/true, c->cbClsExtra,
                                 c->cbWndExtra, c->hInstance, c->hIcon, c->hIconSm, c->hCursor, c->hbrBackground,
                                 MenuNameW(c->lpszMenuName));
}

// Names handed out by GetClassInfoA (class, menu) stay valid while the class lives.
namespace {
std::map<const TClass*, std::pair<std::string, std::string>>& ClassNamesA() {
    static std::map<const TClass*, std::pair<std::string, std::string>> m;
    return m;
}
}  // namespace

static BOOL UnregisterKey(const std::u16string& key) {
    Lock lk(UserMutex());
    TClass* c = FindClass(key);
    if (!c || c->Windows > 0) return FALSE;
    ClassNamesA().erase(c);
    auto& v = Classes();
    v.erase(std::remove_if(v.begin(), v.end(), [c](const auto& p) { return p.get() == c; }), v.end());
    return TRUE;
}
BOOL UnregisterClassA(LPCSTR n, HINSTANCE) { return UnregisterKey(ClassKeyA(n)); }
BOOL UnregisterClassW(LPCWSTR n, HINSTANCE) { return UnregisterKey(ClassKeyW(n)); }

namespace {
// The procedure in the caller's kind: a class of the other kind gives a thunk,
// so CallWindowProc converts the text messages on the way (superclassing).
template <class T>
void FillCommon(const TClass* c, T* out, bool unicode) {
    out->style = c->Style;
    out->lpfnWndProc = c->Unicode == unicode ? c->Proc : ThunkFor(c->Proc, c->Unicode);
    out->cbClsExtra = c->ClsExtra;
    out->cbWndExtra = c->WndExtra;
    out->hInstance = c->Instance;
    out->hIcon = c->Icon;
    out->hCursor = c->Cursor;
    out->hbrBackground = c->Background;
}
}  // namespace

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR name, WNDCLASSEXW* out) {
    Lock lk(UserMutex());
    TClass* c = FindClass(ClassKeyW(name));
    if (!c || !out) return FALSE;
    FillCommon(c, out, /*unicode=*/true);
    out->cbSize = sizeof(WNDCLASSEXW);
    out->hIconSm = c->IconSm;
    out->lpszMenuName = c->MenuName.empty() ? nullptr : c->MenuName.c_str();
    out->lpszClassName = c->Name.c_str();
    return c->Atom;
}
BOOL GetClassInfoExA(HINSTANCE, LPCSTR name, WNDCLASSEXA* out) {
    Lock lk(UserMutex());
    TClass* c = FindClass(ClassKeyA(name));
    if (!c || !out) return FALSE;
    FillCommon(c, out, /*unicode=*/false);
    out->cbSize = sizeof(WNDCLASSEXA);
    out->hIconSm = c->IconSm;
    auto& s = ClassNamesA()[c];
    s.first = Utf16ToUtf8(c->Name);
    s.second = Utf16ToUtf8(c->MenuName);
    out->lpszClassName = s.first.c_str();
    out->lpszMenuName = c->MenuName.empty() ? nullptr : s.second.c_str();
    return c->Atom;
}
BOOL GetClassInfoW(HINSTANCE i, LPCWSTR name, WNDCLASSW* out) {
    WNDCLASSEXW ex{};
    if (!out || !GetClassInfoExW(i, name, &ex)) return FALSE;
    out->style = ex.style;
    out->lpfnWndProc = ex.lpfnWndProc;
    out->cbClsExtra = ex.cbClsExtra;
    out->cbWndExtra = ex.cbWndExtra;
    out->hInstance = ex.hInstance;
    out->hIcon = ex.hIcon;
    out->hCursor = ex.hCursor;
    out->hbrBackground = ex.hbrBackground;
    out->lpszMenuName = ex.lpszMenuName;
    out->lpszClassName = ex.lpszClassName;
    return TRUE;
}
BOOL GetClassInfoA(HINSTANCE i, LPCSTR name, WNDCLASSA* out) {
    WNDCLASSEXA ex{};
    if (!out || !GetClassInfoExA(i, name, &ex)) return FALSE;
    out->style = ex.style;
    out->lpfnWndProc = ex.lpfnWndProc;
    out->cbClsExtra = ex.cbClsExtra;
    out->cbWndExtra = ex.cbWndExtra;
    out->hInstance = ex.hInstance;
    out->hIcon = ex.hIcon;
    out->hCursor = ex.hCursor;
    out->hbrBackground = ex.hbrBackground;
    out->lpszMenuName = ex.lpszMenuName;
    out->lpszClassName = ex.lpszClassName;
    return TRUE;
}

int GetClassNameW(HWND h, LPWSTR buf, int max) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !w->Class) return 0;
    return CopyOut(w->Class->Name, buf, max);
}
int GetClassNameA(HWND h, LPSTR buf, int max) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !w->Class) return 0;
    return CopyOutA(Utf16ToUtf8(w->Class->Name), buf, max);
}

static ULONG_PTR ClassLong(HWND h, int index, bool set, LONG_PTR value, bool unicode) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || !w->Class) return 0;
    TClass* c = w->Class;
    auto swap = [&](auto& field) {
        ULONG_PTR old = (ULONG_PTR)(field);
        if (set) field = (std::remove_reference_t<decltype(field)>)(value);
        return old;
    };
    switch (index) {
    case GCLP_HBRBACKGROUND: return swap(c->Background);
    case GCLP_HCURSOR: return swap(c->Cursor);
    case GCLP_HICON: return swap(c->Icon);
    case GCLP_HICONSM: return swap(c->IconSm);
    case GCLP_HMODULE: return swap(c->Instance);
    case GCLP_WNDPROC: {
        ULONG_PTR old = c->Unicode == unicode ? reinterpret_cast<ULONG_PTR>(c->Proc)
                                              : reinterpret_cast<ULONG_PTR>(ThunkFor(c->Proc, c->Unicode));
        if (set) {
            WNDPROC p = reinterpret_cast<WNDPROC>(value);
            const TProcThunk* t = AsThunk(p);
            c->Proc = t ? t->Proc : p;
            c->Unicode = t ? t->Unicode : unicode;
        }
        return old;
    }
    case GCL_STYLE: return swap(c->Style);
    case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(c->WndExtra);
    case GCL_CBCLSEXTRA: return static_cast<ULONG_PTR>(c->ClsExtra);
    case GCW_ATOM: return c->Atom;
    default:
        if (index >= 0 && index + static_cast<int>(sizeof(LONG_PTR)) <= c->ClsExtra) {
            LONG_PTR old;
            std::memcpy(&old, c->Extra.data() + index, sizeof old);
            if (set) std::memcpy(c->Extra.data() + index, &value, sizeof value);
            return static_cast<ULONG_PTR>(old);
        }
        return 0;
    }
}
ULONG_PTR GetClassLongPtrA(HWND h, int i) { return ClassLong(h, i, /*set=*/false, 0, /*unicode=*/false); }
ULONG_PTR GetClassLongPtrW(HWND h, int i) { return ClassLong(h, i, /*set=*/false, 0, /*unicode=*/true); }
ULONG_PTR SetClassLongPtrA(HWND h, int i, LONG_PTR v) { return ClassLong(h, i, /*set=*/true, v, /*unicode=*/false); }
ULONG_PTR SetClassLongPtrW(HWND h, int i, LONG_PTR v) { return ClassLong(h, i, /*set=*/true, v, /*unicode=*/true); }
DWORD GetClassLongA(HWND h, int i) { return static_cast<DWORD>(ClassLong(h, i, /*set=*/false, 0, /*unicode=*/false)); }
DWORD GetClassLongW(HWND h, int i) { return static_cast<DWORD>(ClassLong(h, i, /*set=*/false, 0, /*unicode=*/true)); }

// ---- Text conversion for procedures of the other kind ----------------------
namespace winimpl {

namespace {
struct TCreateConv {
    std::string NameA, ClassA;
    std::u16string NameW, ClassW;
};
}  // namespace

namespace {

// Control messages whose text follows the character kind of the call. Their
// numbers belong to the control classes; this layer only needs to know which
// ones carry text.
constexpr UINT kEM_REPLACESEL = 0xC2, kEM_GETLINE = 0xC4;
constexpr UINT kLB_ADDSTRING = 0x180, kLB_INSERTSTRING = 0x181, kLB_GETTEXT = 0x189, kLB_GETTEXTLEN = 0x18A,
               kLB_SELECTSTRING = 0x18C, kLB_DIR = 0x18D, kLB_FINDSTRING = 0x18F, kLB_ADDFILE = 0x196,
               kLB_FINDSTRINGEXACT = 0x1A2;
constexpr UINT kCB_ADDSTRING = 0x143, kCB_DIR = 0x145, kCB_GETLBTEXT = 0x148, kCB_GETLBTEXTLEN = 0x149,
               kCB_INSERTSTRING = 0x14A, kCB_FINDSTRING = 0x14C, kCB_SELECTSTRING = 0x14D,
               kCB_FINDSTRINGEXACT = 0x158;
constexpr DWORD kOwnerDrawFixed = 0x10, kOwnerDrawVariable = 0x20, kLBS_HASSTRINGS = 0x40, kCBS_HASSTRINGS = 0x200;

enum class TTextArg { None, In, GetText, GetLength, GetLine };

// What the text of message m is for the window h: an input string, a text to
// fetch, its length, or nothing (other messages, other kinds of window, lists
// that keep item data instead of strings).
TTextArg ControlTextArg(HWND h, UINT m, UINT& lengthMsg) {
    UINT kind;
    DWORD style;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return TTextArg::None;
        kind = w->Kind;
        style = w->Style;
    }
    bool ownerDraw = (style & (kOwnerDrawFixed | kOwnerDrawVariable)) != 0;
    switch (kind) {
    case WINKIND_EDIT:
        if (m == kEM_REPLACESEL) return TTextArg::In;
        if (m == kEM_GETLINE) return TTextArg::GetLine;
        return TTextArg::None;
    case WINKIND_LISTBOX: {
        bool strings = !ownerDraw || (style & kLBS_HASSTRINGS);
        switch (m) {
        case kLB_DIR:
        case kLB_ADDFILE: return TTextArg::In;  // file names whatever the items hold
        case kLB_ADDSTRING:
        case kLB_INSERTSTRING:
        case kLB_SELECTSTRING:
        case kLB_FINDSTRING:
        case kLB_FINDSTRINGEXACT: return strings ? TTextArg::In : TTextArg::None;
        case kLB_GETTEXT: lengthMsg = kLB_GETTEXTLEN; return strings ? TTextArg::GetText : TTextArg::None;
        case kLB_GETTEXTLEN: lengthMsg = kLB_GETTEXTLEN; return strings ? TTextArg::GetLength : TTextArg::None;
        default: return TTextArg::None;
        }
    }
    case WINKIND_COMBOBOX: {
        bool strings = !ownerDraw || (style & kCBS_HASSTRINGS);
        switch (m) {
        case kCB_DIR: return TTextArg::In;
        case kCB_ADDSTRING:
        case kCB_INSERTSTRING:
        case kCB_SELECTSTRING:
        case kCB_FINDSTRING:
        case kCB_FINDSTRINGEXACT: return strings ? TTextArg::In : TTextArg::None;
        case kCB_GETLBTEXT: lengthMsg = kCB_GETLBTEXTLEN; return strings ? TTextArg::GetText : TTextArg::None;
        case kCB_GETLBTEXTLEN: lengthMsg = kCB_GETLBTEXTLEN; return strings ? TTextArg::GetLength : TTextArg::None;
        default: return TTextArg::None;
        }
    }
    default: return TTextArg::None;
    }
}

// The item text of a list or combo box in the procedure's own kind; false for
// a missing item (the procedure's error result in err).
bool FetchItemText(WNDPROC proc, bool procUnicode, HWND h, UINT m, UINT lengthMsg, WPARAM w, std::string& a,
                   std::u16string& u, LRESULT& err) {
    LRESULT n = proc(h, lengthMsg, w, 0);
    if (n < 0) {
        err = n;
        return false;
    }
    if (procUnicode) {
        u.assign(static_cast<std::size_t>(n) + 1, u'\0');
        LRESULT got = proc(h, m, w, reinterpret_cast<LPARAM>(u.data()));
        if (got < 0) {
            err = got;
            return false;
        }
        u.resize(std::min<std::size_t>(static_cast<std::size_t>(got), WideLen(u.c_str())));
    } else {
        a.assign(static_cast<std::size_t>(n) + 1, '\0');
        LRESULT got = proc(h, m, w, reinterpret_cast<LPARAM>(a.data()));
        if (got < 0) {
            err = got;
            return false;
        }
        a.resize(std::min<std::size_t>(static_cast<std::size_t>(got), std::strlen(a.c_str())));
    }
    return true;
}

LRESULT CallControlText(TTextArg kind, UINT lengthMsg, WNDPROC proc, bool procUnicode, HWND h, UINT m, WPARAM w,
                        LPARAM l) {
    switch (kind) {
    case TTextArg::In: {
        if (!l) return proc(h, m, w, l);
        if (procUnicode) {
            std::u16string u = WideOf(reinterpret_cast<LPCSTR>(l));
            return proc(h, m, w, reinterpret_cast<LPARAM>(u.c_str()));
        }
        auto* src = reinterpret_cast<LPCWSTR>(l);
        std::string a = Utf16ToUtf8(src, WideLen(src));
        return proc(h, m, w, reinterpret_cast<LPARAM>(a.c_str()));
    }
    case TTextArg::GetText:
    case TTextArg::GetLength: {
        // The caller sized its buffer by the length in its own units, which
        // GetLength answers by measuring the converted text.
        std::string a;
        std::u16string u;
        LRESULT err = 0;
        if (!FetchItemText(proc, procUnicode, h, lengthMsg - 1 /* the text message */, lengthMsg, w, a, u, err))
            return err;
        if (procUnicode) a = Utf16ToUtf8(u);
        else u = Utf8ToUtf16(a);
        if (kind == TTextArg::GetLength) return static_cast<LRESULT>(procUnicode ? a.size() : u.size());
        if (!l) return -1;
        if (procUnicode) {
            std::memcpy(reinterpret_cast<char*>(l), a.c_str(), a.size() + 1);
            return static_cast<LRESULT>(a.size());
        }
        std::memcpy(reinterpret_cast<char16_t*>(l), u.c_str(), (u.size() + 1) * sizeof(char16_t));
        return static_cast<LRESULT>(u.size());
    }
    case TTextArg::GetLine: {
        // The buffer's first WORD is its size in the caller's units; the line
        // comes back without a terminating NUL.
        if (!l) return 0;
        WORD max;
        std::memcpy(&max, reinterpret_cast<const void*>(l), sizeof max);
        if (procUnicode) {
            std::u16string u(std::max<std::size_t>(max, 1) + 1, u'\0');
            u[0] = max;  // a line of max units never needs more than max bytes
            LRESULT n = proc(h, m, w, reinterpret_cast<LPARAM>(u.data()));
            if (n <= 0) return n;
            std::string a = Utf16ToUtf8(u.data(), std::min<std::size_t>(static_cast<std::size_t>(n), max));
            std::size_t k = std::min<std::size_t>(a.size(), max);
            while (k > 0 && k < a.size() && (static_cast<unsigned char>(a[k]) & 0xC0) == 0x80) --k;
            std::memcpy(reinterpret_cast<char*>(l), a.data(), k);
            return static_cast<LRESULT>(k);
        }
        std::size_t bytes = std::min<std::size_t>(static_cast<std::size_t>(max) * 3, 0xFFFF);
        std::string a(std::max<std::size_t>(bytes, 2) + 1, '\0');
        WORD wb = static_cast<WORD>(bytes);
        std::memcpy(a.data(), &wb, sizeof wb);
        LRESULT n = proc(h, m, w, reinterpret_cast<LPARAM>(a.data()));
        if (n <= 0) return n;
        std::u16string u = Utf8ToUtf16(a.data(), std::min<std::size_t>(static_cast<std::size_t>(n), bytes));
        std::size_t k = std::min<std::size_t>(u.size(), max);
        if (k > 0 && k < u.size() && u[k - 1] >= 0xD800 && u[k - 1] <= 0xDBFF) --k;
        std::memcpy(reinterpret_cast<char16_t*>(l), u.data(), k * sizeof(char16_t));
        return static_cast<LRESULT>(k);
    }
    case TTextArg::None: break;
    }
    return proc(h, m, w, l);
}

}  // namespace

LRESULT CallProc(WNDPROC proc, bool procUnicode, bool argsUnicode, HWND h, UINT m, WPARAM w, LPARAM l) {
    if (!proc) return 0;
    if (procUnicode == argsUnicode) return proc(h, m, w, l);
    UINT lengthMsg = 0;
    TTextArg textArg = ControlTextArg(h, m, lengthMsg);
    if (textArg != TTextArg::None) return CallControlText(textArg, lengthMsg, proc, procUnicode, h, m, w, l);
    switch (m) {
    case WM_SETTEXT:
        if (!l) return proc(h, m, w, l);
        if (argsUnicode) {
            std::string a = Utf16ToUtf8(reinterpret_cast<LPCWSTR>(l), WideLen(reinterpret_cast<LPCWSTR>(l)));
            return proc(h, m, w, reinterpret_cast<LPARAM>(a.c_str()));
        } else {
            std::u16string u = WideOf(reinterpret_cast<LPCSTR>(l));
            return proc(h, m, w, reinterpret_cast<LPARAM>(u.c_str()));
        }
    case WM_GETTEXT: {
        int max = static_cast<int>(w);
        if (!l || max <= 0) return 0;
        if (argsUnicode) {
            // A procedure answers in UTF-8; the caller counts UTF-16 units.
            std::string buf(static_cast<std::size_t>(max) * 3 + 4, '\0');
            LRESULT n = proc(h, m, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
            buf.resize(std::min<std::size_t>(static_cast<std::size_t>(std::max<LRESULT>(n, 0)), std::strlen(buf.c_str())));
            return CopyOut(Utf8ToUtf16(buf), reinterpret_cast<LPWSTR>(l), max);
        } else {
            std::u16string buf(static_cast<std::size_t>(max) + 1, u'\0');
            LRESULT n = proc(h, m, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
            buf.resize(std::min<std::size_t>(static_cast<std::size_t>(std::max<LRESULT>(n, 0)), WideLen(buf.c_str())));
            return CopyOutA(Utf16ToUtf8(buf), reinterpret_cast<LPSTR>(l), max);
        }
    }
    case WM_GETTEXTLENGTH: {
        // Exact length in the caller's units: read the text and measure it.
        LRESULT n = proc(h, m, w, l);
        if (n <= 0) return n;
        if (argsUnicode) {
            std::string buf(static_cast<std::size_t>(n) + 1, '\0');
            LRESULT got = proc(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
            buf.resize(std::strlen(buf.c_str()));
            return got <= 0 ? 0 : static_cast<LRESULT>(Utf8ToUtf16(buf).size());
        } else {
            std::u16string buf(static_cast<std::size_t>(n) + 1, u'\0');
            LRESULT got = proc(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
            buf.resize(WideLen(buf.c_str()));
            return got <= 0 ? 0 : static_cast<LRESULT>(Utf16ToUtf8(buf).size());
        }
    }
    case WM_NCCREATE:
    case WM_CREATE: {
        if (!l) return proc(h, m, w, l);
        TCreateConv conv;
        if (argsUnicode) {
            CREATESTRUCTA cs;
            std::memcpy(&cs, reinterpret_cast<const CREATESTRUCTW*>(l), sizeof cs);
            auto* src = reinterpret_cast<const CREATESTRUCTW*>(l);
            if (src->lpszName) {
                conv.NameA = Utf16ToUtf8(src->lpszName, WideLen(src->lpszName));
                cs.lpszName = conv.NameA.c_str();
            }
            if (src->lpszClass && !IS_INTRESOURCE(src->lpszClass)) {
                conv.ClassA = Utf16ToUtf8(src->lpszClass, WideLen(src->lpszClass));
                cs.lpszClass = conv.ClassA.c_str();
            } else {
                cs.lpszClass = reinterpret_cast<LPCSTR>(src->lpszClass);
            }
            LRESULT r = proc(h, m, w, reinterpret_cast<LPARAM>(&cs));
            return r;
        } else {
            CREATESTRUCTW cs;
            std::memcpy(&cs, reinterpret_cast<const CREATESTRUCTA*>(l), sizeof cs);
            auto* src = reinterpret_cast<const CREATESTRUCTA*>(l);
            if (src->lpszName) {
                conv.NameW = WideOf(src->lpszName);
                cs.lpszName = conv.NameW.c_str();
            }
            if (src->lpszClass && !IS_INTRESOURCE(src->lpszClass)) {
                conv.ClassW = WideOf(src->lpszClass);
                cs.lpszClass = conv.ClassW.c_str();
            } else {
                cs.lpszClass = reinterpret_cast<LPCWSTR>(src->lpszClass);
            }
            return proc(h, m, w, reinterpret_cast<LPARAM>(&cs));
        }
    }
    default:
        return proc(h, m, w, l);
    }
}

}  // namespace winimpl

LRESULT CallWindowProcA(WNDPROC p, HWND h, UINT m, WPARAM w, LPARAM l) {
    const TProcThunk* t;
    {
        Lock lk(UserMutex());
        t = AsThunk(p);
    }
    if (t) return CallProc(t->Proc, t->Unicode, /*argsUnicode=*/false, h, m, w, l);
    return p ? p(h, m, w, l) : 0;
}
LRESULT CallWindowProcW(WNDPROC p, HWND h, UINT m, WPARAM w, LPARAM l) {
    const TProcThunk* t;
    {
        Lock lk(UserMutex());
        t = AsThunk(p);
    }
    if (t) return CallProc(t->Proc, t->Unicode, /*argsUnicode=*/true, h, m, w, l);
    return p ? p(h, m, w, l) : 0;
}

// ---- Creation -------------------------------------------------------------
namespace {

struct TCreateArgs {
    DWORD ExStyle;
    std::u16string ClassKey;
    DWORD Style;
    int X, Y, W, H;
    HWND Parent;
    HMENU Menu;
    HINSTANCE Instance;
    LPVOID Param;
    bool Unicode;
    LPCSTR NameA;
    LPCWSTR NameW;
    LPCSTR ClassA;
    LPCWSTR ClassW;
};

// Frees a window that never became live for callers (creation refused).
void DiscardWindow(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return;
    TWnd* p = Find(w->Parent);
    if (p) p->Children.erase(std::remove(p->Children.begin(), p->Children.end(), h), p->Children.end());
    gMessageWindows.erase(std::remove(gMessageWindows.begin(), gMessageWindows.end(), h), gMessageWindows.end());
    if (w->Class) w->Class->Windows--;
    FreeHandle(h);
}

void InsertInParent(TWnd* parent, HWND h, bool atTop) {
    auto& v = parent->Children;
    if (!atTop) {
        v.push_back(h);
        return;
    }
    TWnd* w = Find(h);
    bool topMost = w && (w->ExStyle & WS_EX_TOPMOST);
    auto it = v.begin();
    if (!topMost)
        while (it != v.end()) {
            TWnd* s = Find(*it);
            if (!s || !(s->ExStyle & WS_EX_TOPMOST)) break;
            ++it;
        }
    v.insert(it, h);
}

HWND CreateInternal(TCreateArgs a) {
    DesktopHandle();
    Lock lk(UserMutex());
    TClass* cls = FindClass(a.ClassKey);
    if (!cls) return nullptr;
    bool messageOnly = a.Parent == HWND_MESSAGE;
    HWND parent = nullptr, owner = nullptr;
    if (messageOnly) {
        parent = gDesktop;
    } else if (a.Style & WS_CHILD) {
        if (!Find(a.Parent) || a.Parent == gDesktop) return nullptr;
        parent = a.Parent;
    } else {
        parent = gDesktop;
        if (a.Parent) {
            TWnd* o = Find(a.Parent);
            if (!o) return nullptr;
            TWnd* root = TopLevelOf(o);
            owner = root ? root->Handle : nullptr;
        }
    }
    if (!(a.Style & (WS_CHILD | WS_POPUP))) {
        a.Style |= WS_CLIPSIBLINGS | WS_CAPTION;  // overlapped windows always have a caption
        a.ExStyle |= WS_EX_WINDOWEDGE;
    }
    if (!(a.Style & WS_CHILD)) {
        if (a.X == CW_USEDEFAULT) {
            int step = 26 * (gCascade++ % 8);
            a.X = step;
            a.Y = step;
        }
        if (a.W == CW_USEDEFAULT) {
            a.W = GDI_DESKTOP_WIDTH * 3 / 4;
            a.H = GDI_DESKTOP_HEIGHT * 3 / 4;
        }
    } else {
        if (a.X == CW_USEDEFAULT) a.X = a.Y = 0;
        if (a.W == CW_USEDEFAULT) a.W = a.H = 0;
    }
    if (a.W < 0) a.W = 0;
    if (a.H < 0) a.H = 0;

    auto w = std::make_unique<TWnd>();
    w->Class = cls;
    w->Style = a.Style & ~WS_VISIBLE;
    w->ExStyle = a.ExStyle;
    w->Parent = parent;
    w->Owner = owner;
    w->Proc = cls->Proc;
    w->Unicode = cls->Unicode;
    w->Instance = a.Instance;
    w->Extra.assign(cls->WndExtra, 0);
    if (a.Style & WS_CHILD)
        w->Id = reinterpret_cast<LONG_PTR>(a.Menu);
    else
        w->Menu = a.Menu;
    w->MessageOnly = messageOnly;
    w->Window = RECT{a.X, a.Y, a.X + a.W, a.Y + a.H};
    w->Client = w->Window;
    w->NormalRect = w->Window;
    w->ThreadId = GetCurrentThreadId();
    w->Queue = CurrentQueueShared();
    w->HScroll.Shown = (a.Style & WS_HSCROLL) != 0;
    w->VScroll.Shown = (a.Style & WS_VSCROLL) != 0;
    HWND h = NewHandle(std::move(w));
    if (!h) return nullptr;
    cls->Windows++;
    if (messageOnly)
        gMessageWindows.push_back(h);
    else
        InsertInParent(Find(parent), h, !(a.Style & WS_CHILD));
    lk.unlock();

    // Creation records in both kinds, for hooks and procedures of either.
    std::u16string nameW = a.Unicode ? WideOfW(a.NameW) : WideOf(a.NameA);
    std::string nameA = a.Unicode ? Utf16ToUtf8(nameW) : (a.NameA ? std::string(a.NameA) : std::string());
    std::u16string classW = cls->Name;
    std::string classA = Utf16ToUtf8(classW);
    CREATESTRUCTW csW{a.Param, a.Instance, a.Menu, owner ? owner : (a.Style & WS_CHILD ? parent : nullptr), a.H, a.W,
                      a.Y, a.X, static_cast<LONG>(a.Style), (a.NameW || a.NameA) ? nameW.c_str() : nullptr,
                      classW.c_str(), a.ExStyle};
    CREATESTRUCTA csA{a.Param, a.Instance, a.Menu, csW.hwndParent, a.H, a.W, a.Y, a.X, static_cast<LONG>(a.Style),
                      (a.NameW || a.NameA) ? nameA.c_str() : nullptr, classA.c_str(), a.ExStyle};
    if (!a.Unicode && a.NameA) csA.lpszName = a.NameA;

    if (HasHooks(WH_CBT)) {
        CBT_CREATEWNDW cbtW{&csW, HWND_TOP};
        CBT_CREATEWNDA cbtA{&csA, HWND_TOP};
        if (CallHooks(WH_CBT, HCBT_CREATEWND, reinterpret_cast<WPARAM>(h), reinterpret_cast<LPARAM>(&cbtA),
                      reinterpret_cast<LPARAM>(&cbtW))) {
            DiscardWindow(h);
            return nullptr;
        }
        // A hook may move or size the window.
        if (csA.x != a.X || csA.y != a.Y || csA.cx != a.W || csA.cy != a.H) {
            csW.x = csA.x;
            csW.y = csA.y;
            csW.cx = csA.cx;
            csW.cy = csA.cy;
        }
        lk.lock();
        if (TWnd* ww = Find(h)) {
            ww->Window = RECT{csW.x, csW.y, csW.x + csW.cx, csW.y + csW.cy};
            ww->Client = ww->Window;
            ww->NormalRect = ww->Window;
        }
        lk.unlock();
        csA.x = csW.x;
        csA.y = csW.y;
        csA.cx = csW.cx;
        csA.cy = csW.cy;
    }

    bool resizable = (a.Style & WS_THICKFRAME) || !(a.Style & (WS_POPUP | WS_CHILD));
    if (resizable) {
        const MINMAXINFO mmi = AskMinMaxInfo(h);
        lk.lock();
        if (TWnd* ww = Find(h)) {
            int cx = std::clamp<int>(ww->Window.right - ww->Window.left, 0, std::max<int>(mmi.ptMaxTrackSize.x, 0));
            int cy = std::clamp<int>(ww->Window.bottom - ww->Window.top, 0, std::max<int>(mmi.ptMaxTrackSize.y, 0));
            ww->Window.right = ww->Window.left + cx;
            ww->Window.bottom = ww->Window.top + cy;
            ww->Client = ww->Window;
            ww->NormalRect = ww->Window;
            csW.cx = csA.cx = cx;
            csW.cy = csA.cy = cy;
        }
        lk.unlock();
    }

    LPARAM csArg = a.Unicode ? reinterpret_cast<LPARAM>(&csW) : reinterpret_cast<LPARAM>(&csA);
    if (!SendInternal(h, WM_NCCREATE, 0, csArg, a.Unicode)) {
        if (IsWindow(h)) {
            SendW(h, WM_NCDESTROY, 0, 0);
            DiscardWindow(h);
        }
        return nullptr;
    }
    if (!IsWindow(h)) return nullptr;

    RECT rc;
    lk.lock();
    rc = Find(h)->Window;
    lk.unlock();
    SendW(h, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&rc));
    lk.lock();
    if (TWnd* ww = Find(h)) {
        ww->Client = rc;
        if (IsTopLevel(ww) && !ww->MessageOnly) CreateSurfaceFor(ww);
    }
    lk.unlock();

    if (SendInternal(h, WM_CREATE, 0, csArg, a.Unicode) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    if (!IsWindow(h)) return nullptr;

    if ((a.Style & WS_CHILD) && !(a.ExStyle & WS_EX_NOPARENTNOTIFY)) {
        LONG_PTR id = reinterpret_cast<LONG_PTR>(a.Menu);
        HWND p = parent;
        while (p && p != gDesktop) {
            SendW(p, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, static_cast<WORD>(id)), reinterpret_cast<LPARAM>(h));
            lk.lock();
            TWnd* pw = Find(p);
            bool goOn = pw && (pw->Style & WS_CHILD) && !(pw->ExStyle & WS_EX_NOPARENTNOTIFY);
            p = goOn ? pw->Parent : nullptr;
            lk.unlock();
        }
    }

    if (a.Style & WS_VISIBLE) {
        if (a.Style & WS_MAXIMIZE)
            ShowWindow(h, SW_SHOWMAXIMIZED);
        else if (a.Style & WS_MINIMIZE)
            ShowWindow(h, SW_SHOWMINIMIZED);
        else
            ShowWindow(h, SW_SHOW);
    }
    return IsWindow(h) ? h : nullptr;
}

}  // namespace

HWND CreateWindowExA(DWORD ex, LPCSTR cls, LPCSTR name, DWORD style, int x, int y, int w, int h, HWND parent,
                     HMENU menu, HINSTANCE inst, LPVOID param) {
    return CreateInternal(TCreateArgs{ex, ClassKeyA(cls), style, x, y, w, h, parent, menu, inst, param, false, name,
                                      nullptr, cls, nullptr});
}
HWND CreateWindowExW(DWORD ex, LPCWSTR cls, LPCWSTR name, DWORD style, int x, int y, int w, int h, HWND parent,
                     HMENU menu, HINSTANCE inst, LPVOID param) {
    return CreateInternal(TCreateArgs{ex, ClassKeyW(cls), style, x, y, w, h, parent, menu, inst, param, true, nullptr,
                                      name, nullptr, cls});
}

// ---- Destruction ----------------------------------------------------------
namespace {

void SendDestroy(HWND h) {
    SendW(h, WM_DESTROY, 0, 0);
    std::vector<HWND> kids;
    {
        Lock lk(UserMutex());
        if (TWnd* w = Find(h)) kids = w->Children;
    }
    for (HWND c : kids) SendDestroy(c);
}

void FreeWindow(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return;
    TWnd* p = Find(w->Parent);
    if (p) p->Children.erase(std::remove(p->Children.begin(), p->Children.end(), h), p->Children.end());
    gMessageWindows.erase(std::remove(gMessageWindows.begin(), gMessageWindows.end(), h), gMessageWindows.end());
    // Owned windows that outlive their owner (destroyed on another thread) lose it.
    for (HWND t : DesktopWnd()->Children)
        if (TWnd* o = Find(t); o && o->Owner == h) o->Owner = nullptr;
    PurgeWindow(h);
    WindowGoneFromInput(h);
    bool top = IsTopLevel(w) && !w->MessageOnly;
    if (top) DestroySurfaceFor(w);
    if (w->WindowRgn) DeleteObject(w->WindowRgn);
    if (w->UpdateRgn) DeleteObject(w->UpdateRgn);
    if (w->Class) w->Class->Windows--;
    FreeHandle(h);
    if (top) ScreenZOrder();
}

void SendNcDestroy(HWND h) {
    std::vector<HWND> kids;
    {
        Lock lk(UserMutex());
        if (TWnd* w = Find(h)) kids = w->Children;
    }
    for (HWND c : kids) SendNcDestroy(c);
    SendW(h, WM_NCDESTROY, 0, 0);
    FreeWindow(h);
}

void MarkDestroying(HWND h) {
    TWnd* w = Find(h);
    if (!w) return;
    w->Destroying = true;
    for (HWND c : w->Children) MarkDestroying(c);
}

}  // namespace

namespace {
void FreeSilently(HWND h) {
    std::vector<HWND> kids;
    if (TWnd* w = Find(h)) kids = w->Children;
    for (HWND c : kids) FreeSilently(c);
    FreeWindow(h);
}
}  // namespace

namespace winimpl {
// A thread that ends takes its windows along; nobody is left to answer their messages.
void DestroyThreadWindows(DWORD tid) {
    Lock lk(UserMutex());
    std::vector<HWND> roots;
    for (HWND h : AllWindows()) {
        TWnd* w = Find(h);
        if (!w || w->ThreadId != tid) continue;
        TWnd* p = Find(w->Parent);
        if (!p || p->Desktop || p->ThreadId != tid || w->MessageOnly) roots.push_back(h);
    }
    for (HWND r : roots) FreeSilently(r);
}

void DestroyWindowTree(HWND h) {
    SendDestroy(h);
    SendNcDestroy(h);
}
}  // namespace winimpl

BOOL DestroyWindow(HWND h) {
    bool child, visible;
    HWND parent;
    LONG_PTR id;
    DWORD ex;
    {
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w || w->Desktop) return FALSE;
        if (w->ThreadId != GetCurrentThreadId()) return FALSE;  // only the creating thread may
        if (w->Destroying) return TRUE;
        child = (w->Style & WS_CHILD) != 0;
        visible = (w->Style & WS_VISIBLE) != 0;
        parent = w->Parent;
        id = w->Id;
        ex = w->ExStyle;
    }
    if (HasHooks(WH_CBT) && CallHooks(WH_CBT, HCBT_DESTROYWND, reinterpret_cast<WPARAM>(h), 0, 0)) return FALSE;
    if (!IsWindow(h)) return TRUE;

    // Owned windows go first.
    if (!child) {
        std::vector<HWND> owned;
        {
            Lock lk(UserMutex());
            for (HWND t : TopLevels())
                if (TWnd* o = Find(t); o && o->Owner == h && o->ThreadId == GetCurrentThreadId()) owned.push_back(t);
        }
        for (HWND o : owned) DestroyWindow(o);
    }
    if (child && !(ex & WS_EX_NOPARENTNOTIFY))
        SendW(parent, WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, static_cast<WORD>(id)), reinterpret_cast<LPARAM>(h));
    if (!IsWindow(h)) return TRUE;
    if (visible)
        SetWindowPos(h, /*hWndInsertAfter=*/nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    {
        Lock lk(UserMutex());
        if (!Find(h)) return TRUE;
        MarkDestroying(h);
    }
    WindowGoneFromInput(h);
    DestroyWindowTree(h);
    return TRUE;
}

BOOL IsWindow(HWND h) {
    Lock lk(UserMutex());
    return Find(h) != nullptr;
}
BOOL IsWindowUnicode(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    return w && w->Unicode;
}
void WinSetWindowKind(HWND h, UINT kind) {
    Lock lk(UserMutex());
    if (TWnd* w = Find(h)) w->Kind = kind;
}
UINT WinGetWindowKind(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    return w ? w->Kind : WINKIND_NONE;
}
BOOL IsChild(HWND parent, HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    while (w && (w->Style & WS_CHILD)) {
        if (w->Parent == parent) return TRUE;
        w = Find(w->Parent);
    }
    return FALSE;
}
HWND GetDesktopWindow() { return DesktopHandle(); }

DWORD GetWindowThreadProcessId(HWND h, DWORD* pid) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return 0;
    if (pid) *pid = static_cast<DWORD>(GetCurrentProcessId());
    return w->ThreadId;
}

// ---- Window longs ---------------------------------------------------------
static LONG_PTR GetLongInternal(HWND h, int index, bool unicode) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return 0;
    switch (index) {
    case GWLP_WNDPROC:
        if (w->Unicode == unicode) return reinterpret_cast<LONG_PTR>(w->Proc);
        return reinterpret_cast<LONG_PTR>(ThunkFor(w->Proc, w->Unicode));
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->Instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>((w->Style & WS_CHILD) ? w->Parent : w->Owner);
    case GWLP_ID: return w->Id;
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->Style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->ExStyle));
    case GWLP_USERDATA: return w->UserData;
    default:
        if (index >= 0 && index + static_cast<int>(sizeof(LONG_PTR)) <= static_cast<int>(w->Extra.size())) {
            LONG_PTR v;
            std::memcpy(&v, w->Extra.data() + index, sizeof v);
            return v;
        }
        if (index >= 0 && index + 4 <= static_cast<int>(w->Extra.size())) {
            LONG v;
            std::memcpy(&v, w->Extra.data() + index, sizeof v);
            return v;
        }
        return 0;
    }
}

static LONG_PTR SetLongInternal(HWND h, int index, LONG_PTR value, bool unicode) {
    if (index == GWL_STYLE || index == GWL_EXSTYLE) {
        STYLESTRUCT ss{};
        {
            Lock lk(UserMutex());
            TWnd* w = Find(h);
            if (!w) return 0;
            ss.styleOld = index == GWL_STYLE ? w->Style : w->ExStyle;
        }
        ss.styleNew = static_cast<DWORD>(value);
        SendW(h, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
        Lock lk(UserMutex());
        TWnd* w = Find(h);
        if (!w) return 0;
        DWORD old = ss.styleOld;
        if (index == GWL_STYLE) {
            // Visibility changes only through ShowWindow/SetWindowPos.
            w->Style = (ss.styleNew & ~WS_VISIBLE) | (w->Style & WS_VISIBLE);
            w->HScroll.Shown = (w->Style & WS_HSCROLL) != 0;
            w->VScroll.Shown = (w->Style & WS_VSCROLL) != 0;
        } else {
            w->ExStyle = ss.styleNew;
        }
        lk.unlock();
        SendW(h, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
        return static_cast<LONG_PTR>(static_cast<LONG>(old));
    }
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return 0;
    LONG_PTR old = 0;
    switch (index) {
    case GWLP_WNDPROC: {
        old = (w->Unicode == unicode) ? reinterpret_cast<LONG_PTR>(w->Proc)
                                      : reinterpret_cast<LONG_PTR>(ThunkFor(w->Proc, w->Unicode));
        WNDPROC p = reinterpret_cast<WNDPROC>(value);
        if (const TProcThunk* t = AsThunk(p)) {
            w->Proc = t->Proc;
            w->Unicode = t->Unicode;
        } else {
            w->Proc = p;
            w->Unicode = unicode;
        }
        return old;
    }
    case GWLP_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->Instance);
        w->Instance = reinterpret_cast<HINSTANCE>(value);
        return old;
    case GWLP_HWNDPARENT:
        if (w->Style & WS_CHILD) return 0;
        old = reinterpret_cast<LONG_PTR>(w->Owner);
        w->Owner = reinterpret_cast<HWND>(value);
        return old;
    case GWLP_ID:
        old = w->Id;
        w->Id = value;
        return old;
    case GWLP_USERDATA:
        old = w->UserData;
        w->UserData = value;
        return old;
    default:
        if (index >= 0 && index + static_cast<int>(sizeof(LONG_PTR)) <= static_cast<int>(w->Extra.size())) {
            std::memcpy(&old, w->Extra.data() + index, sizeof old);
            std::memcpy(w->Extra.data() + index, &value, sizeof value);
            return old;
        }
        if (index >= 0 && index + 4 <= static_cast<int>(w->Extra.size())) {
            LONG o4, v4 = static_cast<LONG>(value);
            std::memcpy(&o4, w->Extra.data() + index, 4);
            std::memcpy(w->Extra.data() + index, &v4, 4);
            return o4;
        }
        return 0;
    }
}

LONG_PTR GetWindowLongPtrA(HWND h, int i) { return GetLongInternal(h, i, /*unicode=*/false); }
LONG_PTR GetWindowLongPtrW(HWND h, int i) { return GetLongInternal(h, i, /*unicode=*/true); }
LONG_PTR SetWindowLongPtrA(HWND h, int i, LONG_PTR v) { return SetLongInternal(h, i, v, /*unicode=*/false); }
LONG_PTR SetWindowLongPtrW(HWND h, int i, LONG_PTR v) { return SetLongInternal(h, i, v, /*unicode=*/true); }
LONG_PTR GetWindowLongA(HWND h, int i) { return GetLongInternal(h, i, /*unicode=*/false); }
LONG_PTR GetWindowLongW(HWND h, int i) { return GetLongInternal(h, i, /*unicode=*/true); }
LONG_PTR SetWindowLongA(HWND h, int i, LONG_PTR v) { return SetLongInternal(h, i, v, /*unicode=*/false); }
LONG_PTR SetWindowLongW(HWND h, int i, LONG_PTR v) { return SetLongInternal(h, i, v, /*unicode=*/true); }
WORD GetWindowWord(HWND h, int i) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || i < 0 || i + 2 > static_cast<int>(w->Extra.size())) return 0;
    WORD v;
    std::memcpy(&v, w->Extra.data() + i, 2);
    return v;
}
WORD SetWindowWord(HWND h, int i, WORD v) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || i < 0 || i + 2 > static_cast<int>(w->Extra.size())) return 0;
    WORD old;
    std::memcpy(&old, w->Extra.data() + i, 2);
    std::memcpy(w->Extra.data() + i, &v, 2);
    return old;
}
int GetDlgCtrlID(HWND h) {
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    return (w && (w->Style & WS_CHILD)) ? static_cast<int>(w->Id) : 0;
}
HWND GetDlgItem(HWND dlg, int id) {
    Lock lk(UserMutex());
    TWnd* w = Find(dlg);
    if (!w) return nullptr;
    for (HWND c : w->Children)
        if (TWnd* cw = Find(c); cw && static_cast<int>(cw->Id) == id) return c;
    return nullptr;
}

// ---- Properties -----------------------------------------------------------
static std::u16string PropKeyA(LPCSTR s) {
    if (IS_INTRESOURCE(s)) return u"#" + Utf8ToUtf16(std::to_string(reinterpret_cast<uintptr_t>(s)));
    return WideOf(s);
}
static std::u16string PropKeyW(LPCWSTR s) {
    if (IS_INTRESOURCE(s)) return u"#" + Utf8ToUtf16(std::to_string(reinterpret_cast<uintptr_t>(s)));
    return WideOfW(s);
}

static BOOL SetPropKey(HWND h, const std::u16string& key0, HANDLE data) {
    std::u16string key = PropCanonical(key0);
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w || key.empty()) return FALSE;
    for (auto& p : w->Props)
        if (SameNameNoCase(p.first, key)) {
            p.second = data;
            return TRUE;
        }
    w->Props.emplace_back(key, data);
    return TRUE;
}
static HANDLE GetPropKey(HWND h, const std::u16string& key0, bool remove) {
    std::u16string key = PropCanonical(key0);
    Lock lk(UserMutex());
    TWnd* w = Find(h);
    if (!w) return nullptr;
    for (auto it = w->Props.begin(); it != w->Props.end(); ++it)
        if (SameNameNoCase(it->first, key)) {
            HANDLE d = it->second;
            if (remove) w->Props.erase(it);
            return d;
        }
    return nullptr;
}
BOOL SetPropA(HWND h, LPCSTR s, HANDLE d) { return SetPropKey(h, PropKeyA(s), d); }
BOOL SetPropW(HWND h, LPCWSTR s, HANDLE d) { return SetPropKey(h, PropKeyW(s), d); }
HANDLE GetPropA(HWND h, LPCSTR s) { return GetPropKey(h, PropKeyA(s), /*remove=*/false); }
HANDLE GetPropW(HWND h, LPCWSTR s) { return GetPropKey(h, PropKeyW(s), /*remove=*/false); }
HANDLE RemovePropA(HWND h, LPCSTR s) { return GetPropKey(h, PropKeyA(s), /*remove=*/true); }
HANDLE RemovePropW(HWND h, LPCWSTR s) { return GetPropKey(h, PropKeyW(s), /*remove=*/true); }

// ---- Text -----------------------------------------------------------------
BOOL SetWindowTextW(HWND h, LPCWSTR s) {
    if (!IsWindow(h)) return FALSE;
    return SendW(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s)) ? TRUE : FALSE;
}
BOOL SetWindowTextA(HWND h, LPCSTR s) {
    if (!IsWindow(h)) return FALSE;
    return SendA(h, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s)) ? TRUE : FALSE;
}
int GetWindowTextW(HWND h, LPWSTR buf, int max) {
    if (!buf || max <= 0) return 0;
    buf[0] = 0;
    if (!IsWindow(h)) return 0;
    return static_cast<int>(SendW(h, WM_GETTEXT, max, reinterpret_cast<LPARAM>(buf)));
}
int GetWindowTextA(HWND h, LPSTR buf, int max) {
    if (!buf || max <= 0) return 0;
    buf[0] = 0;
    if (!IsWindow(h)) return 0;
    return static_cast<int>(SendA(h, WM_GETTEXT, max, reinterpret_cast<LPARAM>(buf)));
}
int GetWindowTextLengthW(HWND h) {
    if (!IsWindow(h)) return 0;
    return static_cast<int>(SendW(h, WM_GETTEXTLENGTH, 0, 0));
}
int GetWindowTextLengthA(HWND h) {
    if (!IsWindow(h)) return 0;
    return static_cast<int>(SendA(h, WM_GETTEXTLENGTH, 0, 0));
}
