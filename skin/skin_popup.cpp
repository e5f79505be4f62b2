#include "skin/skin_popup.h"

#include "skin/skin_data.h"
#include "skin/skin_frames.h"
#include "skin/skin_manager.h"

namespace {
constexpr int kPopupBorder = 3;
}

TSkinnedPopMenu::TSkinnedPopMenu() : Background(std::make_unique<TBitmap>()) {}

TSkinnedPopMenu::~TSkinnedPopMenu() { Unsubclass(); }

void TSkinnedPopMenu::Subclass(HWND AWindow, TSkinData* ASkinData, HMENU AMenu) {
    Window = AWindow;
    SkinData = ASkinData;
    Menu = AMenu;
    WndProcInstance = MakeObjectInstance(
        [this](HWND H, UINT M, WPARAM W, LPARAM L) { return WindowProc(H, M, W, L); });
    OldWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WndProcInstance)));
}

void TSkinnedPopMenu::Unsubclass() {
    if (!Subclassed()) return;
    if (IsWindow(Window) &&
        reinterpret_cast<WNDPROC>(GetWindowLongPtrA(Window, GWLP_WNDPROC)) == WndProcInstance)
        SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OldWndProc));
    FreeObjectInstance(WndProcInstance);
    WndProcInstance = nullptr;
    Background->SetSize(0, 0);
}

bool TSkinnedPopMenu::RenderBackground() {
    if (!SkinData || SkinData->SkinEmpty || !SkinData->MenuBackground || !SkinData->MenuBackground->Bitmap ||
        SkinData->MenuBackground->Bitmap->Empty())
        return false;
    RECT wr;
    GetWindowRect(Window, &wr);
    TDataSkinObject& Part = *SkinData->MenuBackground;
    auto B = RenderNineGridFrame(TRect(0, 0, wr.right - wr.left, wr.bottom - wr.top), *Part.Bitmap, Part.Margins(),
                                 /*Vertical=*/false, Part.Tile != 0, 1, 1);
    if (!B || B->Empty()) return false;
    Background = std::move(B);
    return true;
}

LRESULT TSkinnedPopMenu::WindowProc(HWND H, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto Default = [&] { return CallWindowProcA(OldWndProc, H, Msg, WParam, LParam); };
    if (Msg == SKIN_QUERY) return 1;
    if (!SkinManager || !SkinManager->SkinningOn) return Default();
    switch (Msg) {
    case WM_DESTROY: {
        WNDPROC Old = OldWndProc;
        Unsubclass();
        return CallWindowProcA(Old, H, Msg, WParam, LParam);
    }
    case WM_ERASEBKGND:
        if (!SkinData || !SkinData->Options.Contains(xoMenuBG)) Default();
        return 1;
    case WM_NCPAINT: {
        if (!RenderBackground()) return Default();
        HDC DC = GetDCEx(H, /*hrgnClip=*/nullptr, DCX_WINDOW | DCX_USESTYLE);
        if (!DC) return 0;
        const int W = Background->Width(), Ht = Background->Height();
        HDC Src = Background->Canvas().Handle();
        BitBlt(DC, 0, 0, W, kPopupBorder, Src, 0, 0, SRCCOPY);
        BitBlt(DC, 0, Ht - kPopupBorder, W, kPopupBorder, Src, 0, Ht - kPopupBorder, SRCCOPY);
        BitBlt(DC, 0, 0, kPopupBorder, Ht, Src, 0, 0, SRCCOPY);
        BitBlt(DC, W - kPopupBorder, 0, kPopupBorder, Ht, Src, W - kPopupBorder, 0, SRCCOPY);
        ReleaseDC(H, DC);
        return 0;
    }
    case WM_PRINT: {
        HDC DC = reinterpret_cast<HDC>(WParam);
        if (!DC || !RenderBackground()) return Default();
        const int W = Background->Width(), Ht = Background->Height();
        BitBlt(DC, 0, 0, W, Ht, Background->Canvas().Handle(), 0, 0, SRCCOPY);
        int Saved = SaveDC(DC);
        int OldMode = SetBkMode(DC, TRANSPARENT);
        IntersectClipRect(DC, kPopupBorder, kPopupBorder, W - kPopupBorder, Ht - kPopupBorder);
        // The items only: the background stands for the border and the erase.
        LRESULT R = CallWindowProcA(OldWndProc, H, Msg, WParam,
                                    (LParam & ~static_cast<LPARAM>(PRF_NONCLIENT | PRF_ERASEBKGND)) | PRF_CLIENT);
        SetBkMode(DC, OldMode);
        RestoreDC(DC, Saved);
        return R;
    }
    default: return Default();
    }
}
