// Helpers of the control tests: a parent window that records the
// notifications its controls send, bounded pumping, screen points of controls.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/commctl/commctrl.h"
#include "platform/gdi/surface.h"
#include "platform/win/winscreen.h"
#include "platform/win/winuser.h"

namespace cctest {

inline bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    MSG m;
    while (!Done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
            if (Done()) return true;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

inline void Pump() {
    MSG m;
    for (int i = 0; i < 100000 && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

struct TNote {
    UINT Msg;
    WPARAM W;
    LPARAM L;
    UINT Code;  // WM_NOTIFY code, or HIWORD(wParam) of WM_COMMAND
    int Item;   // iItem of list-view notifications
    UINT NewState, OldState, Changed;
};

inline std::vector<TNote>& Notes() {
    static std::vector<TNote> n;
    return n;
}
// What the host answers WM_DRAWITEM / WM_MEASUREITEM with, and counts.
inline int& DrawItems() {
    static int n = 0;
    return n;
}
inline std::function<LRESULT(HWND, UINT, WPARAM, LPARAM, bool&)>& HostHook() {
    static std::function<LRESULT(HWND, UINT, WPARAM, LPARAM, bool&)> f;
    return f;
}

inline bool IsListView(HWND h) {
    char16_t cls[32] = {};
    GetClassNameW(h, cls, 32);
    return std::u16string(cls) == u"SysListView32";
}

inline LRESULT CALLBACK HostProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (HostHook()) {
        bool handled = false;
        LRESULT r = HostHook()(h, m, w, l, handled);
        if (handled) return r;
    }
    switch (m) {
    case WM_COMMAND: Notes().push_back(TNote{m, w, l, HIWORD(w), 0, 0, 0, 0}); return 0;
    case WM_HSCROLL:
    case WM_VSCROLL: Notes().push_back(TNote{m, w, l, LOWORD(w), 0, 0, 0, 0}); return 0;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(l);
        TNote n{m, w, l, hdr->code, -1, 0, 0, 0};
        if (hdr->code == LVN_ITEMCHANGED || hdr->code == LVN_BEGINDRAG || hdr->code == LVN_ITEMCHANGING) {
            auto* lv = reinterpret_cast<NMLISTVIEW*>(l);
            n.Item = lv->iItem;
            n.NewState = lv->uNewState;
            n.OldState = lv->uOldState;
            n.Changed = lv->uChanged;
        } else if ((hdr->code == NM_CLICK || hdr->code == NM_DBLCLK) && IsListView(hdr->hwndFrom)) {
            n.Item = reinterpret_cast<NMITEMACTIVATE*>(l)->iItem;
        }
        Notes().push_back(n);
        return 0;
    }
    case WM_DRAWITEM: ++DrawItems(); return TRUE;
    default: break;
    }
    return DefWindowProcW(h, m, w, l);
}

inline std::vector<TNote> NotesWith(UINT msg, UINT code) {
    std::vector<TNote> out;
    for (auto& n : Notes())
        if (n.Msg == msg && n.Code == code) out.push_back(n);
    return out;
}

// Runs steps one at a time from a thread timer, so that each step's input is
// handled (by whatever loop runs) before the next step injects more.
inline std::vector<std::function<void()>>& ScriptSteps() {
    static std::vector<std::function<void()>> s;
    return s;
}
// The one timer that runs the steps: a script started while an earlier one's
// timer still ticks must not get two timers taking its steps at twice the pace.
inline UINT_PTR& ScriptTimerId() {
    static UINT_PTR id = 0;
    return id;
}
inline void CALLBACK ScriptTimer(HWND, UINT, UINT_PTR id, DWORD) {
    if (id != ScriptTimerId() || ScriptSteps().empty()) {
        KillTimer(nullptr, id);
        if (id == ScriptTimerId()) ScriptTimerId() = 0;
        return;
    }
    // A step that pumps (Click, Key) can meet the next tick on a slow machine:
    // the next step must wait, or its input is taken by that pump instead of
    // the dialog's own loop.
    static bool Running = false;
    if (Running) return;
    Running = true;
    auto step = ScriptSteps().front();
    ScriptSteps().erase(ScriptSteps().begin());
    step();
    Running = false;
}
inline void Script(std::vector<std::function<void()>> steps) {
    ScriptSteps() = std::move(steps);
    if (ScriptTimerId()) KillTimer(nullptr, ScriptTimerId());
    ScriptTimerId() = SetTimer(nullptr, 0, 1, ScriptTimer);
}

class CtlTest : public ::testing::Test {
protected:
    void SetUp() override {
        WinStartup();
        CommctlStartup();
        Screen = WinHeadlessScreen();
        ASSERT_NE(Screen, nullptr);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = HostProc;
        wc.lpszClassName = u"CtlHost";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
        RegisterClassExW(&wc);
        Host = CreateWindowExW(0, u"CtlHost", u"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 500, 400, nullptr,
                               nullptr, nullptr, nullptr);
        ASSERT_NE(Host, nullptr);
        Pump();
        Notes().clear();
        DrawItems() = 0;
    }
    void TearDown() override {
        HostHook() = nullptr;
        ReleaseCapture();
        if (IsWindow(Host)) DestroyWindow(Host);
        Pump();
        Notes().clear();
    }
    HWND Make(const char16_t* cls, const char16_t* text, DWORD style, int x, int y, int w, int h, int id,
              DWORD ex = 0) {
        HWND c = CreateWindowExW(ex, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, Host,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
        Pump();
        return c;
    }
    // A point of a control's client area on the screen.
    POINT At(HWND c, int x, int y) {
        POINT p{x, y};
        ClientToScreen(c, &p);
        return p;
    }
    void Type(const std::string& s) {
        Screen->TypeText(s);
        Pump();
    }
    void Key(int vk) {
        Screen->KeyPress(vk);
        Pump();
    }
    void Click(POINT p) {
        Screen->Click(p);
        Pump();
    }
    THeadlessScreen* Screen = nullptr;
    HWND Host = nullptr;
};

// The composed desktop's pixels, read once (0x00RRGGBB).
struct TShot {
    std::vector<uint32_t> Px;
    int W = 0, H = 0;
    explicit TShot(THeadlessScreen* s) {
        TGdiSurface* d = s->ComposeDesktop();
        W = GdiSurfaceWidth(d);
        H = GdiSurfaceHeight(d);
        Px.resize(static_cast<size_t>(W) * H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) Px[static_cast<size_t>(y) * W + x] = GdiSurfacePixels(d)[y * GdiSurfaceStride(d) + x] & 0xFFFFFF;
    }
    uint32_t At(POINT p) const { return (p.x >= 0 && p.y >= 0 && p.x < W && p.y < H) ? Px[static_cast<size_t>(p.y) * W + p.x] : 0xFFFFFFFFu; }
};
// A system colour as a desktop pixel.
inline uint32_t SysPx(int i) {
    COLORREF c = GetSysColor(i);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

inline std::u16string Text(HWND h) {
    char16_t buf[1024] = {};
    GetWindowTextW(h, buf, 1024);
    return buf;
}

}  // namespace cctest
