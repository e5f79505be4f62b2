// A popup-menu window ("#32768") dressed by the skin: its border and
// background come from the skin's menu background, kept as a bitmap from
// which the skinned item painter takes the piece under each item.
#pragma once

#include <memory>

#include "platform/classlib/graphics.h"
#include "platform/win/winuser.h"

class TSkinData;

class TSkinnedPopMenu {
public:
    TSkinnedPopMenu();
    ~TSkinnedPopMenu();  // unsubclasses a window still subclassed
    WNDPROC OldWndProc = nullptr;
    WNDPROC WndProcInstance = nullptr;
    HWND Window = nullptr;
    TSkinData* SkinData = nullptr;
    std::unique_ptr<TBitmap> Background;
    HMENU Menu = nullptr;

    void Subclass(HWND AWindow, TSkinData* ASkinData, HMENU AMenu);
    void Unsubclass();
    bool Subclassed() const { return WndProcInstance != nullptr; }

private:
    LRESULT WindowProc(HWND H, UINT Msg, WPARAM WParam, LPARAM LParam);
    bool RenderBackground();
};
