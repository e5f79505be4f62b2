// The colour dialog (ChooseColor), a "#32770" window of this folder: 48 basic
// swatches and the caller's 16 custom colours, OK and Cancel. There is no
// colour mixer: CC_FULLOPEN is accepted and ignored.
#pragma once

#include "platform/commctl/commctrl.h"

using LPCCHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct CHOOSECOLORW {
    DWORD lStructSize;
    HWND hwndOwner;
    HWND hInstance;
    COLORREF rgbResult;
    COLORREF* lpCustColors;  // 16 entries, required
    DWORD Flags;
    LPARAM lCustData;
    LPCCHOOKPROC lpfnHook;
    LPCWSTR lpTemplateName;
};
using CHOOSECOLORA = CHOOSECOLORW;

constexpr DWORD CC_RGBINIT = 0x1, CC_FULLOPEN = 0x2, CC_PREVENTFULLOPEN = 0x4, CC_SOLIDCOLOR = 0x80,
                CC_ANYCOLOR = 0x100;
// Control ids: the basic swatches, the custom ones.
constexpr int IDC_CC_BASIC = 0x2D0, IDC_CC_CUSTOM = 0x2D0 + 48;

// TRUE with rgbResult set when the user chose OK.
BOOL ChooseColorW(CHOOSECOLORW* cc);
BOOL ChooseColorA(CHOOSECOLORA* cc);
// The colour of basic swatch Index (0..47).
COLORREF ColorDialogBasicColor(int Index);
