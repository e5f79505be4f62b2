// Menu items drawn by the skin: the popup's skinned background under each
// item, the item frame from the skin's MenuItem strip, the glyph or check
// mark, the caption and the short cut; for menu objects through their item
// events, for window menus without one through WM_MEASUREITEM/WM_DRAWITEM.
#include <algorithm>

#include "platform/classlib/actnlist.h"
#include "platform/classlib/comctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/menus.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_data.h"
#include "skin/skin_frames.h"
#include "skin/skin_manager.h"
#include "skin/skin_menubar.h"
#include "skin/skin_window.h"

namespace {

bool HasPart(const TSkinData* D) { return D && D->MenuItem && D->MenuItem->Bitmap && !D->MenuItem->Bitmap->Empty(); }

TCustomImageList* ImagesOf(TMenuItem* Item) {
    TMenu* M = Item ? Item->GetParentMenu() : nullptr;
    return M ? dynamic_cast<TCustomImageList*>(M->Images) : nullptr;
}

// The popup that shows the item: its parent's sub-menu, or the menu's own handle.
HMENU MenuHandleOf(TMenuItem* Item) {
    if (!Item || !Item->Parent()) return nullptr;
    if (!Item->Parent()->Parent()) {
        TMenu* M = Item->GetParentMenu();
        return M ? M->Handle() : nullptr;
    }
    return Item->Parent()->Handle();
}

bool MenuRightToLeft(TMenuItem* Item) {
    TMenu* M = Item ? Item->GetParentMenu() : nullptr;
    auto* C = M ? dynamic_cast<TControl*>(M->Owner()) : nullptr;
    return C && C->BiDiMode() != bdLeftToRight;
}

}  // namespace

// ---- Handlers ---------------------------------------------------------------------------
void TSkinnedWindow::DefaultMeasure(TMenuItem* Item, int& Width, int& Height) {
    HDC DC = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, SkinMenuFont());
    std::u16string Text = StringToWideInCodePage(Item->Caption());
    if (Item->ShortCut()) Text += u"\t" + StringToWideInCodePage(ShortCutToText(Item->ShortCut()));
    RECT R{0, 0, 0, 0};
    if (Item->IsLine()) {
        Height = 8;
    } else {
        DrawWideText(DC, Text.empty() ? u" " : Text, &R, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
        Width = std::max(Width, static_cast<int>(R.right - R.left));
        Height = std::max({Height, static_cast<int>(R.bottom - R.top) + 4, 17});
    }
    SelectObject(DC, Old);
    DeleteDC(DC);
}

void TSkinnedWindow::MenuItemMeasure(TObject* Sender, TCanvas*, int& Width, int& Height) {
    if (!SkinData) return;
    auto* Item = dynamic_cast<TMenuItem*>(Sender);
    if (!Item) return;
    DefaultMeasure(Item, Width, Height);
    if (HasPart(SkinData)) Width += SkinData->MenuItem->LeftWidth;
    Width += ImagesOf(Item) ? 12 : 35;
}

void TSkinnedWindow::MenuItemMeasureBar(TObject* Sender, TCanvas*, int& Width, int& Height) {
    auto* Item = dynamic_cast<TMenuItem*>(Sender);
    if (!Item || !SkinData) return;
    DefaultMeasure(Item, Width, Height);
    if (HasPart(SkinData)) Width += SkinData->MenuItem->LeftWidth;
    Width += ImagesOf(Item) ? 10 : 35;
}

void TSkinnedWindow::MenuItemDraw(TObject* Sender, TCanvas* Canvas, TRect R, bool Selected) {
    auto* Item = dynamic_cast<TMenuItem*>(Sender);
    if (!Item || !Canvas || !SkinData) return;
    DrawMenuItemOn(Canvas->Handle(), Item, MenuHandleOf(Item), R, Selected, MenuRightToLeft(Item), /*Separator=*/true);
}

void TSkinnedWindow::DrawMenuItemOn(HDC DC, TMenuItem* Item, HMENU Menu, const TRect& R, bool Selected, bool Rtl,
                                    bool Separator) {
    const int W = R.Width(), H = R.Height();
    if (W <= 0 || H <= 0) return;
    TBitmap B(W, H, pf24bit);
    TCanvas& C = B.Canvas();
    const bool Part = HasPart(SkinData);
    if (!Part) {
        C.Brush().SetColor(Selected ? SkinData->ColHilight : SkinData->ColMenu);
        C.FillRect(TRect(0, 0, W, H));
    } else {
        if (Menu && SkinManager) SkinManager->AssignMenuToNewestPopup(Menu);
        TBitmap* Back = SkinManager && Menu ? SkinManager->GetPopupBackground(Menu) : nullptr;
        if (Back && !Back->Empty()) {
            BitBlt(C.Handle(), 0, 0, W, H, Back->Canvas().Handle(), R.left + 3, R.top + 3, SRCCOPY);
        } else {
            C.Brush().SetColor(SkinData->ColMenu);
            C.FillRect(TRect(0, 0, W, H));
        }
    }
    TDataSkinObject* P = SkinData->MenuItem.get();
    if (Part && Item->IsLine() && Separator) {
        // Frame 2 of the strip, cut to the item's height from the image's bottom.
        const int FW = P->Bitmap->Width() / 5, IH = P->Bitmap->Height();
        const int Top = IH > H ? IH - H : 0;
        TBitmap S(W, H, pf24bit);
        HDC SD = S.Canvas().Handle(), PD = P->Bitmap->Canvas().Handle();
        SetStretchBltMode(SD, COLORONCOLOR);
        StretchBlt(SD, 0, 0, P->LeftWidth, H, PD, FW, Top, P->LeftWidth, IH - Top, SRCCOPY);
        StretchBlt(SD, W - P->RightWidth, 0, P->RightWidth, H, PD, 2 * FW - P->RightWidth, Top, P->RightWidth, IH - Top,
                   SRCCOPY);
        StretchBlt(SD, P->LeftWidth, 0, W - P->LeftWidth - P->RightWidth, H, PD, FW + P->LeftWidth, Top,
                   FW - P->LeftWidth - P->RightWidth, IH - Top, SRCCOPY);
        DrawBitmapTransparent(C.Handle(), TRect(0, 0, W, H), S, clFuchsia);
    } else {
        if (Part && !Item->IsLine())
            DrawSkinImage(C.Handle(), TRect(0, 0, W, H), *P->Bitmap, /*Vertical=*/false, P->Tile != 0, P->Trans != 0, 5,
                          Selected ? 4 : 1, P->Margins());
        DrawMenuItemContent(C, Item, TRect(0, 0, W, H), Selected, Rtl);
    }
    BitBlt(DC, R.left, R.top, W, H, C.Handle(), 0, 0, SRCCOPY);
}

void TSkinnedWindow::MenuItemTextPass(TCanvas& C, UINT Flags, bool Selected, TRect& R, std::u16string Text,
                                      TMenuItem* Item) {
    HDC DC = C.Handle();
    if (Flags & DT_CALCRECT) {
        if (Text.empty() || Text == u"&") Text += u" ";
    }
    if (Text != u"-") {
        SetBkMode(DC, TRANSPARENT);
        LOGFONTA LF{};
        GetObjectA(SkinMenuFont(), sizeof LF, &LF);
        if (Item->Default) LF.lfWeight = FW_BOLD;
        HFONT F = CreateFontIndirectA(&LF);
        HGDIOBJ Old = SelectObject(DC, F);
        TColor Colour = Item->Enabled() ? (Selected ? SkinData->ColHilightText : SkinData->ColMenuText)
                                        : (SkinData->ColButtonShadow == SkinData->ColMenuText ? clBtnShadow
                                                                                             : SkinData->ColButtonShadow);
        SetTextColor(DC, ColorToRGB(Colour));
        DrawWideText(DC, Text, &R, Flags);
        SelectObject(DC, Old);
        DeleteObject(F);
    } else if (!(Flags & DT_CALCRECT)) {
        RECT E = R;
        E.top += 4;
        DrawEdge(DC, &E, EDGE_ETCHED, BF_TOP);
    }
}

void TSkinnedWindow::DrawMenuItemContent(TCanvas& C, TMenuItem* Item, const TRect& R, bool Selected, bool Rtl) {
    const std::u16string Caption = StringToWideInCodePage(Item->Caption());
    TCustomImageList* Images = ImagesOf(Item);
    int G = Images ? Images->Width() : 16;
    if (Item->Checked() && G < 16) G = 16;
    const int Margin = HasPart(SkinData) ? SkinData->MenuItem->LeftWidth : 0;
    TRect Glyph = Rtl ? TRect(R.right - 1 - Margin - G, R.top + 1, R.right - 1 - Margin, R.top + 1 + G)
                      : TRect(R.left + 1 + Margin, R.top + 1, R.left + 1 + Margin + G, R.top + 1 + G);
    if (Caption != u"-") {
        const bool HasImage = Images && Item->ImageIndex >= 0 && Item->ImageIndex < Images->Count();
        if (HasImage) {
            if (Item->Checked()) {
                OffsetRect(&Glyph, 0, (R.Height() - 16) / 2 - (Glyph.top - R.top));
                C.Brush().SetColor(clBtnHighlight);
                C.FillRect(Glyph);
                RECT E = Glyph;
                DrawEdge(C.Handle(), &E, BDR_SUNKENOUTER, BF_RECT);
            } else {
                OffsetRect(&Glyph, 0, (R.Height() - Images->Height()) / 2 - (Glyph.top - R.top));
            }
            Images->Draw(C, Glyph.left, Glyph.top, Item->ImageIndex, Item->Enabled());
        } else if (Item->Checked()) {
            if (HBITMAP Check = LoadBitmapW(/*hInstance=*/nullptr, MAKEINTRESOURCEW(OBM_CHECK))) {
                BITMAP BM{};
                GetObjectW(Check, sizeof BM, &BM);
                TBitmap Mark(BM.bmWidth, BM.bmHeight, pf24bit);
                HDC MD = CreateCompatibleDC(nullptr);
                HGDIOBJ OldB = SelectObject(MD, Check);
                BitBlt(Mark.Canvas().Handle(), 0, 0, BM.bmWidth, BM.bmHeight, MD, 0, 0, SRCCOPY);
                SelectObject(MD, OldB);
                DeleteDC(MD);
                DeleteObject(Check);
                // The tick in the button-text colour, its white left out.
                for (int Y = 0; Y < BM.bmHeight; ++Y)
                    for (int X = 0; X < BM.bmWidth; ++X)
                        if (Mark.Canvas().Pixel(X, Y) != clWhite) Mark.Canvas().SetPixel(X, Y, ColorToRGB(clBtnText));
                const int X = Glyph.left + (Glyph.Width() - BM.bmWidth) / 2 + 1;
                const int Y = R.top + (R.Height() - BM.bmHeight) / 2 + 1;
                DrawBitmapTransparent(C.Handle(), TRect(X, Y, X + BM.bmWidth, Y + BM.bmHeight), Mark, clWhite);
            }
        }
    } else {
        Glyph.left = Glyph.right = Rtl ? R.right : 0;
    }
    TRect T = Rtl ? TRect(R.left + 1, R.top, Glyph.left - 3, R.bottom) : TRect(Glyph.right + 3, R.top, R.right - 1, R.bottom);
    const UINT Calc = Rtl ? 0x20562 : 0x560, Draw = Rtl ? 0x20062 : 0x60;
    TRect M = T;
    MenuItemTextPass(C, Calc, Selected, M, Caption, Item);
    const int TH = M.Height();
    TRect D = T;
    OffsetRect(&D, 0, (R.Height() - TH) / 2);
    MenuItemTextPass(C, Draw, Selected, D, Caption, Item);
    if (Item->ShortCut() && Caption != u"-") {
        const std::u16string S = StringToWideInCodePage(ShortCutToText(Item->ShortCut()));
        TRect SR = Rtl ? TRect(R.left + 11, D.top, M.left, D.bottom) : TRect(M.right, D.top, R.right - 11, D.bottom);
        MenuItemTextPass(C, Rtl ? (DT_SINGLELINE | DT_RTLREADING) : (DT_SINGLELINE | DT_RIGHT), Selected, SR, S, Item);
    }
}

// ---- Installing the handlers ----------------------------------------------------------------
void TSkinnedWindow::SkinMenuItemTree(TMenuItem* Item, bool On) {
    if (On) {
        Item->OnDrawItem = [this](TObject* S, TCanvas* C, TRect R, bool Sel) { MenuItemDraw(S, C, R, Sel); };
        Item->OnMeasureItem = [this](TObject* S, TCanvas* C, int& W, int& H) { MenuItemMeasureBar(S, C, W, H); };
    } else {
        Item->OnDrawItem = nullptr;
    }
    for (int I = 0; I < Item->Count(); ++I) SkinMenuItemTree(Item->Items(I), On);
}

void TSkinnedWindow::SkinPopupMenus(TComponent* Container, bool On) {
    if (!Container || KeepsOwnMenuDrawing(WindowClassName)) return;
    std::function<void(TMenuItem*)> Set = [&](TMenuItem* It) {
        if (On) {
            It->OnDrawItem = [this](TObject* S, TCanvas* C, TRect R, bool Sel) { MenuItemDraw(S, C, R, Sel); };
            if (!It->OnMeasureItem)
                It->OnMeasureItem = [this](TObject* S, TCanvas* C, int& W, int& H) { MenuItemMeasure(S, C, W, H); };
        } else {
            It->OnDrawItem = nullptr;
            It->OnMeasureItem = nullptr;
        }
        for (int I = 0; I < It->Count(); ++I) Set(It->Items(I));
    };
    for (int I = 0; I < Container->ComponentCount(); ++I) {
        TComponent* C = Container->Components(I);
        if (auto* F = dynamic_cast<TCustomForm*>(C)) {
            SkinPopupMenus(F, On);
        } else if (auto* P = dynamic_cast<TPopupMenu*>(C)) {
            if (!SkinData->SkinControls.Contains(xcPopupMenu) || P->Tag == SkinData->DisableTag) continue;
            P->OwnerDraw = On;
            for (int K = 0; K < P->Items()->Count(); ++K) Set(P->Items()->Items(K));
        }
    }
}

void TSkinnedWindow::SkinMainMenus(TComponent* Container, bool On) {
    if (!Container) return;
    std::function<void(TMenuItem*)> Set = [&](TMenuItem* It) {
        if (On) {
            if (!It->OnDrawItem) {
                It->OnDrawItem = [this](TObject* S, TCanvas* C, TRect R, bool Sel) { MenuItemDraw(S, C, R, Sel); };
                It->OnMeasureItem = [this](TObject* S, TCanvas* C, int& W, int& H) { MenuItemMeasureBar(S, C, W, H); };
            }
        } else {
            It->OnDrawItem = nullptr;
            It->OnMeasureItem = nullptr;
        }
        for (int I = 0; I < It->Count(); ++I) Set(It->Items(I));
    };
    for (int I = 0; I < Container->ComponentCount(); ++I)
        if (auto* M = dynamic_cast<TMainMenu*>(Container->Components(I))) {
            M->OwnerDraw = On;
            for (int K = 0; K < M->Items()->Count(); ++K)
                for (int J = 0; J < M->Items()->Items(K)->Count(); ++J) Set(M->Items()->Items(K)->Items(J));
        }
}

// ---- Window menus without a menu object ----------------------------------------------------------
// An item of the skinned system menu, which this window owns while it shows.
TMenuItem* TSkinnedWindow::SystemMenuItem(UINT Id) {
    return SystemMenuPopup ? SystemMenuPopup->FindItem(static_cast<WORD>(Id)) : nullptr;
}

bool TSkinnedWindow::MeasureItemMessage(LPARAM LParam, LRESULT& Result) {
    auto* MI = reinterpret_cast<MEASUREITEMSTRUCT*>(LParam);
    if (MI && MI->CtlType == ODT_MENU)
        if (TMenuItem* Item = SystemMenuItem(MI->itemID)) {
            int W = static_cast<int>(MI->itemWidth), H = static_cast<int>(MI->itemHeight);
            MenuItemMeasure(Item, /*Canvas=*/nullptr, W, H);
            MI->itemWidth = static_cast<UINT>(W);
            MI->itemHeight = static_cast<UINT>(H);
            Result = TRUE;
            return true;
        }
    if (!MI || MI->CtlType != ODT_MENU || !WindowMenu) return false;
    TMenuItem* Item = Form && MenuBar ? MenuBar->FindMenuItem(MI->itemID, /*SubMenu=*/nullptr) : nullptr;
    if (Item) {
        int W = static_cast<int>(MI->itemWidth), H = static_cast<int>(MI->itemHeight);
        MenuItemMeasureBar(Item, /*Canvas=*/nullptr, W, H);
        MI->itemWidth = static_cast<UINT>(W);
        MI->itemHeight = static_cast<UINT>(H);
        Result = TRUE;
        return true;
    }
    if (Form && MI->itemID >= 1 && MI->itemID <= 4095) return false;
    char Text[81] = {};
    GetMenuStringA(OpenSubMenu, MI->itemID, Text, 80, MF_BYCOMMAND);
    const std::u16string T = StringToWideInCodePage(Text);
    HDC DC = CreateCompatibleDC(nullptr);
    HGDIOBJ Old = SelectObject(DC, SkinMenuFont());
    RECT R{0, 0, 0, 0};
    if (!T.empty()) DrawWideText(DC, T, &R, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    SelectObject(DC, Old);
    DeleteDC(DC);
    MI->itemWidth = static_cast<UINT>(R.right - R.left + 26 + (HasPart(SkinData) ? SkinData->MenuItem->LeftWidth : 0));
    if (T.empty())
        MI->itemHeight = 8;
    else
        MI->itemHeight += 4;
    Result = TRUE;
    return true;
}

bool TSkinnedWindow::DrawItemMessage(LPARAM LParam, LRESULT& Result) {
    auto* DI = reinterpret_cast<DRAWITEMSTRUCT*>(LParam);
    if (DI && DI->CtlType == ODT_MENU)
        if (TMenuItem* Item = SystemMenuItem(DI->itemID)) {
            DrawMenuItemOn(DI->hDC, Item, reinterpret_cast<HMENU>(DI->hwndItem), TRect(DI->rcItem),
                           (DI->itemState & ODS_SELECTED) != 0, RightToLeft, /*Separator=*/true);
            Result = TRUE;
            return true;
        }
    if (!DI || DI->CtlType != ODT_MENU || !WindowMenu) return false;
    HMENU Menu = reinterpret_cast<HMENU>(DI->hwndItem);
    if (SkinManager) SkinManager->AssignMenuToNewestPopup(Menu);
    const bool Selected = (DI->itemState & ODS_SELECTED) != 0;
    if (Form) {
        if (TMenuItem* Item = MenuBar ? MenuBar->FindMenuItem(DI->itemID, /*SubMenu=*/nullptr) : nullptr) {
            DrawMenuItemOn(DI->hDC, Item, Menu, TRect(DI->rcItem), Selected, MenuRightToLeft(Item), /*Separator=*/true);
            Result = TRUE;
            return true;
        }
        if (DI->itemID >= 1 && DI->itemID <= 4095) return false;
    }
    // A raw item: a menu item made for the drawing from the menu's own data.
    char Text[81] = {};
    GetMenuStringA(Menu, DI->itemID, Text, 80, MF_BYCOMMAND);
    MENUITEMINFOA Info{};
    Info.cbSize = sizeof Info;
    Info.fMask = MIIM_STATE;
    GetMenuItemInfoA(Menu, DI->itemID, FALSE, &Info);
    TMenuItem Raw(nullptr);
    Raw.SetCaption(Text[0] ? std::string(Text) : std::string("-"));
    Raw.SetEnabled(!(Info.fState & (MFS_DISABLED | MFS_GRAYED)));
    Raw.SetChecked((Info.fState & MFS_CHECKED) != 0);
    DrawMenuItemOn(DI->hDC, &Raw, Menu, TRect(DI->rcItem), Selected, RightToLeft, /*Separator=*/false);
    Result = TRUE;
    return true;
}

// Every item of the popup and of the popups under it drawn by the owner.
void MakeMenuOwnerDrawn(HMENU Menu, int Depth) {
    if (!Menu || Depth > 8) return;
    const int N = GetMenuItemCount(Menu);
    for (int I = 0; I < N; ++I) {
        MENUITEMINFOA Info{};
        Info.cbSize = sizeof Info;
        Info.fMask = MIIM_FTYPE | MIIM_SUBMENU;
        if (!GetMenuItemInfoA(Menu, static_cast<UINT>(I), TRUE, &Info)) continue;
        if (!(Info.fType & MFT_OWNERDRAW)) {
            MENUITEMINFOA Set{};
            Set.cbSize = sizeof Set;
            Set.fMask = MIIM_FTYPE;
            Set.fType = Info.fType | MFT_OWNERDRAW;
            SetMenuItemInfoA(Menu, static_cast<UINT>(I), TRUE, &Set);
        }
        MakeMenuOwnerDrawn(Info.hSubMenu, Depth + 1);
    }
}
