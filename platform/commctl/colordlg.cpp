#include "platform/commctl/colordlg.h"

#include "platform/commctl/cc_internal.h"

namespace cc {
namespace {

constexpr int kSwatch = 22, kGap = 4, kCols = 8;

struct TColorDlg {
    CHOOSECOLORW* Cc;
    COLORREF Selected;
    int SelectedId = 0;
};

COLORREF SwatchColor(const TColorDlg& d, int id) {
    if (id >= IDC_CC_CUSTOM && id < IDC_CC_CUSTOM + 16) return d.Cc->lpCustColors[id - IDC_CC_CUSTOM] & 0xFFFFFF;
    return ColorDialogBasicColor(id - IDC_CC_BASIC);
}

INT_PTR CALLBACK ColorDlgProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    auto* d = static_cast<TColorDlg*>(GetPropW(h, u"TessaroColorDlg"));
    switch (m) {
        case WM_DRAWITEM: {
            auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(l);
            if (!d || !dis) return FALSE;
            const int id = static_cast<int>(dis->CtlID);
            HBRUSH b = CreateSolidBrush(SwatchColor(*d, id));
            RECT r = dis->rcItem;
            FrameRect(dis->hDC, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            InflateRect(&r, -2, -2);
            FillRect(dis->hDC, &r, b);
            DeleteObject(b);
            if (id == d->SelectedId) {
                r = dis->rcItem;
                InflateRect(&r, -1, -1);
                FrameRect(dis->hDC, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            }
            return TRUE;
        }
        case WM_COMMAND: {
            if (!d) return FALSE;
            const int id = LOWORD(w);
            if (HIWORD(w) == BN_CLICKED && id >= IDC_CC_BASIC && id < IDC_CC_CUSTOM + 16) {
                const int old = d->SelectedId;
                d->SelectedId = id;
                d->Selected = SwatchColor(*d, id);
                if (HWND o = GetDlgItem(h, old)) InvalidateRect(o, /*lpRect=*/nullptr, TRUE);
                InvalidateRect(GetDlgItem(h, id), /*lpRect=*/nullptr, TRUE);
                return TRUE;
            }
            if (id == IDOK) {
                d->Cc->rgbResult = d->Selected;
                EndDialog(h, IDOK);
                return TRUE;
            }
            if (id == IDCANCEL) {
                EndDialog(h, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        }
        default: return FALSE;
    }
}

}  // namespace
}  // namespace cc

COLORREF ColorDialogBasicColor(int Index) {
    if (Index < 0 || Index >= 48) return 0;
    // Six rows of seven hues, dark to pale, and a column of greys.
    static const int hues[7][3] = {{255, 0, 0}, {255, 128, 0}, {255, 255, 0}, {0, 255, 0},
                                   {0, 255, 255}, {0, 0, 255}, {255, 0, 255}};
    static const int greys[6] = {0, 64, 128, 160, 192, 255};
    const int row = Index / 8, col = Index % 8;
    if (col == 7) return RGB(greys[row], greys[row], greys[row]);
    // Rows 0-2 scale the hue (1/4, 1/2, 1); rows 3-5 mix it with white (1/3, 1/2, 2/3).
    int c[3];
    for (int i = 0; i < 3; ++i) {
        const int v = hues[col][i];
        switch (row) {
            case 0: c[i] = v / 4; break;
            case 1: c[i] = v / 2; break;
            case 2: c[i] = v; break;
            case 3: c[i] = v + (255 - v) / 3; break;
            case 4: c[i] = v + (255 - v) / 2; break;
            default: c[i] = v + (255 - v) * 2 / 3; break;
        }
    }
    return RGB(c[0], c[1], c[2]);
}

BOOL ChooseColorW(CHOOSECOLORW* cc) {
    using namespace cc;
    if (!cc || cc->lStructSize < sizeof(CHOOSECOLORW) || !cc->lpCustColors) return FALSE;
    CommctlStartup();
    const int gridW = kCols * (kSwatch + kGap) - kGap;
    const int clientW = 16 + gridW, clientH = 24 + 6 * (kSwatch + kGap) + 24 + 2 * (kSwatch + kGap) + 44;
    HWND h = CreateDialogWindow(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, WS_EX_DLGMODALFRAME, u"Color",
                                clientW, clientH, cc->hwndOwner, ColorDlgProc);
    if (!h) return FALSE;
    TColorDlg d{cc, (cc->Flags & CC_RGBINIT) ? cc->rgbResult & 0xFFFFFF : 0, 0};
    SetPropW(h, u"TessaroColorDlg", &d);
    HFONT font = DefaultFont();
    auto make = [&](const char16_t* cls, const char16_t* text, DWORD s, int id, int x, int y, int w, int hh) {
        HWND c = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | s, x, y, w, hh, h,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), /*hInstance=*/nullptr,
                                 /*lpParam=*/nullptr);
        SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return c;
    };
    int y = 8;
    make(u"Static", u"&Basic colors:", SS_LEFT, -1, 8, y, gridW, 14);
    y += 16;
    for (int i = 0; i < 48; ++i) {
        make(u"Button", u"", BS_OWNERDRAW | WS_TABSTOP | (i == 0 ? WS_GROUP : 0), IDC_CC_BASIC + i,
             8 + (i % kCols) * (kSwatch + kGap), y + (i / kCols) * (kSwatch + kGap), kSwatch, kSwatch);
        if (d.SelectedId == 0 && (cc->Flags & CC_RGBINIT) && ColorDialogBasicColor(i) == d.Selected)
            d.SelectedId = IDC_CC_BASIC + i;
    }
    y += 6 * (kSwatch + kGap) + 4;
    make(u"Static", u"&Custom colors:", SS_LEFT, -1, 8, y, gridW, 14);
    y += 16;
    for (int i = 0; i < 16; ++i) {
        make(u"Button", u"", BS_OWNERDRAW | WS_TABSTOP | (i == 0 ? WS_GROUP : 0), IDC_CC_CUSTOM + i,
             8 + (i % kCols) * (kSwatch + kGap), y + (i / kCols) * (kSwatch + kGap), kSwatch, kSwatch);
        if (d.SelectedId == 0 && (cc->Flags & CC_RGBINIT) && (cc->lpCustColors[i] & 0xFFFFFF) == d.Selected)
            d.SelectedId = IDC_CC_CUSTOM + i;
    }
    y += 2 * (kSwatch + kGap) + 10;
    make(u"Button", u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK, clientW - 2 * (75 + 8), y, 75, 23);
    make(u"Button", u"Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, clientW - (75 + 8), y, 75, 23);
    const INT_PTR r = RunModalDialog(h, cc->hwndOwner, MSGF_DIALOGBOX);
    return r == IDOK ? TRUE : FALSE;
}

BOOL ChooseColorA(CHOOSECOLORA* cc) { return ChooseColorW(cc); }
