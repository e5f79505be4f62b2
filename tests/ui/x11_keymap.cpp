// Kept apart from the tests: Xlib's names clash with the window layer's.
#include "tests/ui/x11_keymap.h"

#include <vector>

#include <X11/Xlib.h>

namespace xvfbtest {

bool BindCharactersToSpareKeys(const std::u32string& Text) {
    Display* D = XOpenDisplay(nullptr);
    if (!D) return false;
    int Min = 0, Max = 0, PerCode = 0;
    XDisplayKeycodes(D, &Min, &Max);
    KeySym* Map = XGetKeyboardMapping(D, static_cast<KeyCode>(Min), Max - Min + 1, &PerCode);
    std::vector<int> Spare;
    for (int K = Max; K >= Min; --K) {
        bool Empty = true;
        for (int I = 0; I < PerCode; ++I)
            if (Map[(K - Min) * PerCode + I] != NoSymbol) Empty = false;
        if (Empty) Spare.push_back(K);
    }
    XFree(Map);
    size_t Next = 0;
    bool Ok = true;
    for (char32_t C : Text) {
        KeySym Sym = C < 0x100 ? static_cast<KeySym>(C) : static_cast<KeySym>(0x01000000 + C);
        if (XKeysymToKeycode(D, Sym) != 0) continue;
        if (Next == Spare.size()) {
            Ok = false;
            break;
        }
        KeySym Both[2] = {Sym, Sym};
        XChangeKeyboardMapping(D, Spare[Next++], 2, Both, 1);
        XSync(D, False);
    }
    XCloseDisplay(D);
    return Ok;
}

}  // namespace xvfbtest
