// MessageBoxA/W and the test hooks for modal windows.
#include <algorithm>
#include <cstdio>
#include <deque>
#include <mutex>

#include "platform/commctl/cc_internal.h"
#include "platform/commctl/testhooks.h"
#include "platform/win/winscreen.h"

namespace cc {
namespace {

std::mutex& HookMx() {
    static std::mutex m;
    return m;
}
std::deque<int>& Answers() {
    static std::deque<int> a;
    return a;
}
std::vector<TMessageBoxRecord>& Log() {
    static std::vector<TMessageBoxRecord> l;
    return l;
}
TModalWindowHook& Hook() {
    static TModalWindowHook h;
    return h;
}

struct TButtonDef {
    int Id;
    const char16_t* Caption;
};

std::vector<TButtonDef> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, u"OK"}, {IDCANCEL, u"Cancel"}};
    case MB_ABORTRETRYIGNORE: return {{IDABORT, u"&Abort"}, {IDRETRY, u"&Retry"}, {IDIGNORE, u"&Ignore"}};
    case MB_YESNOCANCEL: return {{IDYES, u"&Yes"}, {IDNO, u"&No"}, {IDCANCEL, u"Cancel"}};
    case MB_YESNO: return {{IDYES, u"&Yes"}, {IDNO, u"&No"}};
    case MB_RETRYCANCEL: return {{IDRETRY, u"&Retry"}, {IDCANCEL, u"Cancel"}};
    case MB_CANCELTRYCONTINUE: return {{IDCANCEL, u"Cancel"}, {IDTRYAGAIN, u"&Try Again"}, {IDCONTINUE, u"&Continue"}};
    default: return {{IDOK, u"OK"}};
    }
}

int DefaultAnswer(UINT type) {
    auto b = ButtonsOf(type);
    std::size_t i = (type & MB_DEFMASK) >> 8;
    return b[std::min(i, b.size() - 1)].Id;
}

// Escape and the close box answer Cancel where there is one, OK for a lone OK.
int CancelAnswer(UINT type) {
    for (auto& b : ButtonsOf(type))
        if (b.Id == IDCANCEL) return IDCANCEL;
    return (type & MB_TYPEMASK) == MB_OK ? IDOK : 0;
}

constexpr int kIconId = 20, kTextId = 0xFFFF;

INT_PTR CALLBACK MsgBoxProc(HWND h, UINT m, WPARAM wp, LPARAM) {
    switch (m) {
    case WM_COMMAND: {
        int id = LOWORD(wp);
        UINT type = static_cast<UINT>(reinterpret_cast<uintptr_t>(GetPropW(h, u"TessaroMbType")));
        if (id == IDCANCEL) {
            int c = CancelAnswer(type);
            if (!c) return TRUE;  // Yes/No has no way out but its buttons
            EndDialog(h, c);
            return TRUE;
        }
        if (GetDlgItem(h, id)) EndDialog(h, id);
        return TRUE;
    }
    case WM_NCDESTROY: RemovePropW(h, u"TessaroMbType"); return FALSE;
    default: return FALSE;
    }
}

int ShowBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type) {
    auto buttons = ButtonsOf(type);
    UINT icon = type & MB_ICONMASK;
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, DefaultFont());
    RECT tr{0, 0, 420, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &tr, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
    DeleteDC(dc);
    const int margin = 12, bw = 75, bh = 23, gap = 6, iconSize = icon ? 32 : 0;
    int textX = margin + (icon ? iconSize + margin : 0);
    int contentH = std::max<int>(tr.bottom, iconSize);
    int buttonsW = static_cast<int>(buttons.size()) * bw + (static_cast<int>(buttons.size()) - 1) * gap;
    int cw = std::max(textX + tr.right + margin, buttonsW + 2 * margin);
    cw = std::max(cw, 160);
    int ch = margin + contentH + margin + bh + margin;
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    HWND dlg = CreateDialogWindow(style, WS_EX_DLGMODALFRAME | ((type & MB_TOPMOST) ? WS_EX_TOPMOST : 0),
                                  caption.empty() ? u"Error" : caption, cw, ch, owner, MsgBoxProc);
    if (!dlg) return 0;
    SetPropW(dlg, u"TessaroMbType", reinterpret_cast<HANDLE>(static_cast<uintptr_t>(type)));
    HFONT font = DefaultFont();
    if (icon) {
        static const LPCSTR ids[] = {nullptr, IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION, IDI_ASTERISK};
        HWND ic = CreateWindowExW(0, u"Static", u"", WS_CHILD | WS_VISIBLE | SS_ICON, margin, margin, 32, 32, dlg,
                                  reinterpret_cast<HMENU>(static_cast<intptr_t>(kIconId)), /*hInstance=*/nullptr,
                                  /*lpParam=*/nullptr);
        SendMessageW(ic, STM_SETICON,
                     reinterpret_cast<WPARAM>(LoadIconA(/*hInstance=*/nullptr, ids[std::min<UINT>(icon >> 4, 4)])), 0);
    }
    int ty = margin + (contentH - tr.bottom) / 2;
    HWND st = CreateWindowExW(0, u"Static", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, textX, ty,
                              tr.right + 2, tr.bottom, dlg, reinterpret_cast<HMENU>(static_cast<intptr_t>(kTextId)),
                              /*hInstance=*/nullptr, /*lpParam=*/nullptr);
    SendMessageW(st, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    int bx = (cw - buttonsW) / 2, by = ch - margin - bh;
    int def = DefaultAnswer(type);
    HWND defBtn = nullptr;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        DWORD bs = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (buttons[i].Id == def ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | (i == 0 ? WS_GROUP : 0);
        HWND b = CreateWindowExW(0, u"Button", buttons[i].Caption, bs, bx + static_cast<int>(i) * (bw + gap), by, bw,
                                 bh, dlg, reinterpret_cast<HMENU>(static_cast<intptr_t>(buttons[i].Id)),
                                 /*hInstance=*/nullptr, /*lpParam=*/nullptr);
        SendMessageW(b, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (buttons[i].Id == def) defBtn = b;
    }
    SendMessageW(dlg, DM_SETDEFID, static_cast<WPARAM>(def), 0);
    if (defBtn) SetFocus(defBtn);
    INT_PTR r = RunModalDialog(dlg, owner, MSGF_MESSAGEBOX);
    return static_cast<int>(r);
}

int MessageBoxImpl(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type) {
    CommctlStartup();
    TMessageBoxRecord rec{Utf16ToUtf8(text), Utf16ToUtf8(caption), type, 0};
    bool hooked;
    {
        std::lock_guard<std::mutex> lk(HookMx());
        if (!Answers().empty()) {
            rec.Answer = Answers().front();
            Answers().pop_front();
            Log().push_back(rec);
            return rec.Answer;
        }
        hooked = static_cast<bool>(Hook());
    }
    if (!hooked && WinHeadlessScreen()) {
        // Nobody can answer on the headless screen: never wait.
        rec.Answer = DefaultAnswer(type);
        std::fprintf(stderr, "message box answered with its default button: %s\n", rec.Text.c_str());
    } else {
        rec.Answer = ShowBox(owner, text, caption, type);
    }
    std::lock_guard<std::mutex> lk(HookMx());
    Log().push_back(rec);
    return rec.Answer;
}

}  // namespace

void FireModalHook(HWND top) {
    TModalWindowHook h;
    {
        std::lock_guard<std::mutex> lk(HookMx());
        h = Hook();
    }
    if (h) h(top);
}

}  // namespace cc

using namespace cc;

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    return MessageBoxImpl(owner, WideOfW(text), caption ? WideOfW(caption) : std::u16string(u"Error"), type);
}
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return MessageBoxImpl(owner, WideOf(text), caption ? WideOf(caption) : std::u16string(u"Error"), type);
}

void TestHookQueueMessageBoxAnswer(int answer) {
    std::lock_guard<std::mutex> lk(HookMx());
    Answers().push_back(answer);
}
void TestHookClearMessageBoxAnswers() {
    std::lock_guard<std::mutex> lk(HookMx());
    Answers().clear();
}
int TestHookPendingMessageBoxAnswers() {
    std::lock_guard<std::mutex> lk(HookMx());
    return static_cast<int>(Answers().size());
}
std::vector<TMessageBoxRecord> TestHookMessageBoxLog() {
    std::lock_guard<std::mutex> lk(HookMx());
    return Log();
}
void TestHookClearMessageBoxLog() {
    std::lock_guard<std::mutex> lk(HookMx());
    Log().clear();
}
void TestHookSetModalWindowHook(TModalWindowHook hook) {
    std::lock_guard<std::mutex> lk(HookMx());
    Hook() = std::move(hook);
}
