// Helpers shared by the window layer's tests: bounded message pumping and
// windows that record the messages they get.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/winuser.h"

namespace wintest {

// Dispatches messages until Done() holds or TimeoutMs passes; true when Done held.
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
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}

// Dispatches what is there now (and paints), without waiting.
inline void PumpPending() {
    MSG m;
    for (int i = 0; i < 100000 && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); ++i) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

struct TLogEntry {
    HWND Hwnd;
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
};

// Messages seen by windows of the class "Recorder".
inline std::vector<TLogEntry>& Log() {
    static std::vector<TLogEntry> l;
    return l;
}

inline LRESULT CALLBACK RecorderProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    Log().push_back(TLogEntry{h, m, w, l});
    return DefWindowProcW(h, m, w, l);
}

inline void RegisterRecorder() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = RecorderProc;
    wc.lpszClassName = u"Recorder";
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNFACE + 1));
    wc.style = CS_DBLCLKS;
    RegisterClassExW(&wc);
}

// The logged messages of one window, in order, keeping only those in Keep.
inline std::vector<UINT> MessagesOf(HWND h, const std::vector<UINT>& Keep) {
    std::vector<UINT> out;
    for (auto& e : Log())
        if (e.Hwnd == h)
            for (UINT k : Keep)
                if (k == e.Msg) out.push_back(e.Msg);
    return out;
}

}  // namespace wintest
