#include "skin/skin_tabs.h"

#include "platform/classlib/comctrls.h"
#include "platform/commctl/commctrl.h"
#include "platform/rtl/sysutils.h"
#include "skin/skin_bitmaps.h"
#include "skin/skin_control_paint.h"
#include "skin/skin_frames.h"
#include "skin/skin_range_controls.h"

namespace {

bool HasImage(const TDataSkinObject* P) { return P && P->Bitmap && !P->Bitmap->Empty(); }

POINT MessagePoint(const TMessage& M) {
    return POINT{static_cast<int16_t>(LOWORD(M.LParam)), static_cast<int16_t>(HIWORD(M.LParam))};
}

}  // namespace

// ---- Tab control ------------------------------------------------------------------------------
TSkinTab::TSkinTab(TComponent* AOwner)
    : TSkinControl(AOwner),
      TabImage(std::make_unique<TBitmap>()),
      PaneImage(std::make_unique<TBitmap>()),
      Work(std::make_unique<TBitmap>(1, 1, pf24bit)) {}

TSkinTab::~TSkinTab() = default;

void TSkinTab::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) {
    if (Attached) return;
    TSkinControl::AttachControl(ASkinForm, ASkinData, ACanvas, ASetColor);
    Enabled = !(GetWindowLongW(Handle, GWL_STYLE) & WS_DISABLED);
    CloseButtons = Control && Control->Tag == 7777 && ObjectInheritsFrom(Control, "TPageControl") &&
                   GetEnumPropName(Control, "TabPosition") == "tpTop";
    PrepareImages();
    FindUpDown();
    Active = true;
    TabsUnicode = IsWindowUnicode(Handle);
}

void TSkinTab::AttachWindow(HWND Window, TSkinData* ASkinData, TControlSkinHost* ASkinForm, TCanvas* ACanvas) {
    if (Attached) return;
    TSkinControl::AttachWindow(Window, ASkinData, ASkinForm, ACanvas);
    Focused = GetFocus() == Handle;
    Enabled = !(GetWindowLongW(Handle, GWL_STYLE) & WS_DISABLED);
    Caption = GetWindowTextWide(Handle);
    PrepareImages();
    FindUpDown();
    Active = true;
    TabsUnicode = IsWindowUnicode(Handle);
}

void TSkinTab::SkinChanged() {
    TSkinControl::SkinChanged();
    PrepareImages();
}

void TSkinTab::PrepareImages() {
    auto Style = static_cast<DWORD>(GetWindowLongW(Handle, GWL_STYLE));
    bool Vertical = Style & TCS_VERTICAL, Second = Style & TCS_BOTTOM;
    Orientation = Vertical ? (Second ? 3 : 2) : (Second ? 1 : 0);
    TDataSkinBorder* Tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    if (!Tabs) return;
    if (HasImage(Tabs)) CopyBitmapInto(*Tabs->Bitmap, *TabImage);
    if (Tabs->Style == 0 && Tabs->Bitmap2 && !Tabs->Bitmap2->Empty())
        CopyBitmapInto(*Tabs->Bitmap2, *PaneImage);
    else if (Tabs->Style == 1 && HasImage(SkinData->TabPane.get()))
        CopyBitmapInto(*SkinData->TabPane->Bitmap, *PaneImage);
    for (TBitmap* B : {TabImage.get(), PaneImage.get()})
        if (!B->Empty()) B->SetPixelFormat(pf24bit);
    if (Orientation == 1) {
        if (!TabImage->Empty()) MirrorBitmapVertically(*TabImage);
        if (!PaneImage->Empty()) MirrorBitmapVertically(*PaneImage);
    } else if (Orientation == 2 && !PaneImage->Empty()) {
        RotateBitmapLeft(*PaneImage);
    } else if (Orientation == 3 && !PaneImage->Empty()) {
        RotateBitmapRight(*PaneImage);
    }
}

bool TSkinTab::FindUpDown() {
    HWND U = FindWindowExA(Handle, /*hWndChildAfter=*/nullptr, "msctls_updown32", /*lpszWindow=*/nullptr);
    if (!U) return false;
    if (!UpDown) {
        UpDown = new TSkinUpDown(Owner());
        UpDown->AttachWindow(U, SkinData, SkinForm, Canvas);
    }
    return GetWindowLongW(U, GWL_STYLE) & WS_VISIBLE;
}

bool TSkinTab::BeforeMessage(TMessage& M) {
    if (M.Msg == WM_PAINT) {
        HandlePaintMessage(*this, M);
        return false;
    }
    if (M.Msg == WM_LBUTTONDOWN && CloseButtons) {
        POINT P = MessagePoint(M);
        for (size_t I = 0; I < CloseRects.size(); ++I) {
            RECT C = CloseRects[I];
            if (!PtInRect(&C, P)) continue;
            HWND Form = SkinForm ? SkinForm->HostWindow() : nullptr;
            LRESULT Keep = Form ? SendMessageA(Form, SKIN_TABCLOSE, reinterpret_cast<WPARAM>(Handle),
                                               static_cast<LPARAM>(I))
                                : 0;
            if (Keep == 0)
                if (auto* Pages = dynamic_cast<TPageControl*>(Control); Pages && static_cast<int>(I) < Pages->PageCount())
                    Pages->Pages(static_cast<int>(I))->Free();
            M.Result = 0;
            return false;
        }
    }
    return TSkinControl::BeforeMessage(M);
}

void TSkinTab::Draw(HDC Dc, const TRect& R) {
    if (!SkinData) return;
    RECT Da = R;
    SendMessageW(Handle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&Da));
    InflateRect(&Da, 4, 4);
    TRect D(Da);
    switch (Orientation) {
        case 0: D.top += 1; break;
        case 1: D.bottom -= 1; break;
        case 2: D.left += 1; break;
        default: D.right -= 1; break;
    }
    int N = static_cast<int>(SendMessageW(Handle, TCM_GETITEMCOUNT, 0, 0));
    int Focus = static_cast<int>(SendMessageW(Handle, TCM_GETCURFOCUS, 0, 0));
    auto Images = reinterpret_cast<HIMAGELIST>(SendMessageW(Handle, TCM_GETIMAGELIST, 0, 0));
    CloseRects.assign(static_cast<size_t>(std::max(N, 0)), TRect());
    TDataSkinBorder* Tabs = SkinData->Tabs.get();
    if (Tabs && !TabImage->Empty()) {
        TRect S = Orientation == 0   ? TRect(R.left, R.top, R.right, D.top)
                  : Orientation == 1 ? TRect(R.left, D.bottom, R.right, R.bottom)
                  : Orientation == 2 ? TRect(R.left, R.top, D.left, R.bottom)
                                     : TRect(D.right, R.top, R.right, R.bottom);
        bool Across = Orientation <= 1;
        int L = Across ? S.Width() : S.Height(), T = Across ? S.Height() : S.Width();
        if (L > 0 && T > 0) {
            Work->SetWidth(L);
            Work->SetHeight(T);
            TCanvas& C = Work->Canvas();
            FillParentColor(*this, C.Handle(), TRect(0, 0, L, T));
            if (auto F = reinterpret_cast<HFONT>(SendMessageW(Handle, WM_GETFONT, 0, 0))) {
                LOGFONTA Lf{};
                if (GetObjectA(F, sizeof Lf, &Lf)) {
                    C.Font().SetName(Lf.lfFaceName);
                    if (Lf.lfHeight) C.Font().SetHeight(Lf.lfHeight);
                }
            }
            for (int I = 0; I < N; ++I) {
                char16_t Text[81] = {};
                TCITEMW It{};
                It.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
                It.pszText = reinterpret_cast<LPWSTR>(Text);
                It.cchTextMax = 80;
                It.iImage = -1;
                SendMessageW(Handle, TCM_GETITEMW, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&It));
                RECT Ir;
                if (!SendMessageW(Handle, TCM_GETITEMRECT, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&Ir)))
                    continue;
                TRect Tr;
                switch (Orientation) {
                    case 0: Tr = TRect(Ir.left, Ir.top + 1, Ir.right, Ir.bottom + 1); break;
                    case 1: Tr = TRect(Ir.left, Ir.top - D.bottom - 1, Ir.right, Ir.bottom - D.bottom - 1); break;
                    case 2: Tr = TRect(L - Ir.bottom, Ir.left, L - Ir.top, Ir.right); break;
                    default: Tr = TRect(Ir.top - 1, R.right - Ir.right, Ir.bottom - 1, R.right - Ir.left); break;
                }
                int Frame = I == Focus ? 2 : 1;
                DrawSkinImage(C.Handle(), Tr, *TabImage, /*Vertical=*/false, Tabs->Tile != 0, Tabs->Trans != 0,
                              Tabs->FrameCount > 0 ? Tabs->FrameCount : 1, Frame, Tabs->Margins());
                if (CloseButtons) {
                    int X1 = Tr.right - 8, Y1 = Tr.top + 2, X2 = Tr.right - 2, Y2 = Tr.top + 8;
                    C.Polyline({{X1, Y1}, {X2, Y1}, {X2, Y2}, {X1, Y2}, {X1, Y1}, {X2, Y2}});
                    C.MoveTo(X2, Y1);
                    C.LineTo(X1, Y2);
                    CloseRects[static_cast<size_t>(I)] = TRect(X1, Y1, X2, Y2);
                }
                C.Font().SetColor(static_cast<TColor>(
                    ColorToRGB(Frame == 1 ? Tabs->NormalColour2 : Tabs->MouseOverColour2)));
                DrawCaptionWithImage(*this, C, Tr, 1, Text, It.iImage, Images);
            }
            if (Orientation == 3) RotateBitmapRight(*Work);
            if (Orientation == 2) RotateBitmapLeft(*Work);
            int Saved = SaveDC(Dc);
            if (FindUpDown() && UpDown) {
                RECT U, Me;
                GetWindowRect(UpDown->Handle, &U);
                GetWindowRect(Handle, &Me);
                ExcludeClipRect(Dc, U.left - Me.left, U.top - Me.top, U.right - Me.left, U.bottom - Me.top);
            }
            BitBlt(Dc, S.left, S.top, S.Width(), S.Height(), Work->Canvas().Handle(), 0, 0, SRCCOPY);
            RestoreDC(Dc, Saved);
        }
    }
    if (!PaneImage->Empty()) {
        try {
            TRect M = Tabs && Tabs->Style != 0 && SkinData->TabPane ? SkinData->TabPane->Margins() : TRect(4, 5, 4, 4);
            DrawSkinImage(Dc, D, *PaneImage, /*Vertical=*/false, /*Tile=*/false, /*Transparent=*/false, 1, 1, M);
        } catch (...) {
        }
        if (Mode == 2)
            if (auto* W = dynamic_cast<TWinControl*>(Control)) W->PaintControls(Dc);
    }
}

// ---- Tabs in button style ----------------------------------------------------------------------
bool TSkinTabBtn::BeforeMessage(TMessage& M) {
    if (M.Msg == WM_PAINT) {
        HandlePaintMessage(*this, M);
        return false;
    }
    return TSkinControl::BeforeMessage(M);
}

void TSkinTabBtn::Draw(HDC Dc, const TRect& R) {
    if (!SkinData || !SkinData->Button || !HasImage(SkinData->Button.get())) return;
    TDataSkinButton& B = *SkinData->Button;
    Enabled = !Control || Control->Enabled();
    RECT Da = R;
    SendMessageW(Handle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&Da));
    InflateRect(&Da, 4, 4);
    TRect S(R.left, R.top, R.right, Da.top + 1);
    if (S.Width() <= 0 || S.Height() <= 0) return;
    int N = static_cast<int>(SendMessageW(Handle, TCM_GETITEMCOUNT, 0, 0));
    int Focus = static_cast<int>(SendMessageW(Handle, TCM_GETCURFOCUS, 0, 0));
    auto Images = reinterpret_cast<HIMAGELIST>(SendMessageW(Handle, TCM_GETIMAGELIST, 0, 0));
    TBitmap Strip(S.Width(), S.Height(), pf24bit);
    TCanvas& C = Strip.Canvas();
    FillRectColor(C.Handle(), TRect(0, 0, S.Width(), S.Height()), SkinData->ColButtonFace);
    if (auto F = reinterpret_cast<HFONT>(SendMessageW(Handle, WM_GETFONT, 0, 0))) {
        LOGFONTA Lf{};
        if (GetObjectA(F, sizeof Lf, &Lf)) {
            C.Font().SetName(Lf.lfFaceName);
            if (Lf.lfHeight) C.Font().SetHeight(Lf.lfHeight);
        }
    }
    for (int I = 0; I < N; ++I) {
        char16_t Text[81] = {};
        TCITEMW It{};
        It.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
        It.pszText = reinterpret_cast<LPWSTR>(Text);
        It.cchTextMax = 80;
        It.iImage = -1;
        SendMessageW(Handle, TCM_GETITEMW, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&It));
        RECT Ir;
        if (!SendMessageW(Handle, TCM_GETITEMRECT, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&Ir))) continue;
        TRect Tr(Ir.left, Ir.top + 1, Ir.right, Ir.bottom + 1);
        int Frame = I == Focus ? 2 : 1;
        DrawSkinImage(C.Handle(), Tr, *B.Bitmap, /*Vertical=*/false, B.Tile != 0, B.Trans != 0,
                      B.FrameCount > 0 ? B.FrameCount : 1, Frame, B.Margins());
        C.Font().SetColor(clBlack);
        if (Frame == 1 && B.HasNormalColour2) C.Font().SetColor(B.NormalColour2);
        if (Frame == 2 && B.HasPressedColour2) C.Font().SetColor(B.PressedColour2);
        DrawCaptionWithImage(*this, C, Tr, 1, Text, It.iImage, Images);
    }
    BitBlt(Dc, S.left, S.top, S.Width(), S.Height(), C.Handle(), 0, 0, SRCCOPY);
}

// ---- Tab set ------------------------------------------------------------------------------------
TSkinTab31::TSkinTab31(TComponent* AOwner) : TSkinControl(AOwner), TabImage(std::make_unique<TBitmap>()) {}

TSkinTab31::~TSkinTab31() = default;

void TSkinTab31::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool) {
    if (Attached) return;
    auto* W = dynamic_cast<TWinControl*>(Owner());
    if (!W) return;
    Control = W;
    Handle = W->Handle();
    TSkinControl::AttachWindow(Handle, ASkinData, ASkinForm, ACanvas);
    PrepareImage();
}

void TSkinTab31::PrepareImage() {
    TDataSkinBorder* Tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    if (!HasImage(Tabs)) return;
    CopyBitmapInto(*Tabs->Bitmap, *TabImage);
    TabImage->SetPixelFormat(pf24bit);
    MirrorBitmapVertically(*TabImage);
}

void TSkinTab31::SkinChanged() {
    TSkinControl::SkinChanged();
    PrepareImage();
}

bool TSkinTab31::BeforeMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_PAINT:
            // Painted here and, kept as the tab set is drawn, once more after
            // its own painting.
            HandlePaintMessage(*this, M);
            return true;
        case WM_ERASEBKGND: M.Result = 1; return false;
        default: return TSkinControl::BeforeMessage(M);
    }
}

void TSkinTab31::Draw(HDC Dc, const TRect& R) {
    TDataSkinBorder* Tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    if (!HasImage(Tabs) || TabImage->Empty() || R.Width() <= 0 || R.Height() <= 0) return;
    TBitmap B(R.Width(), R.Height());
    TCanvas& C = B.Canvas();
    FillRectColor(C.Handle(), TRect(0, 0, R.Width(), R.Height()), SkinData->ColButtonFace);
    if (Control) C.Font().Assign(Control->Font());
    auto* Texts = GetObjectPropByName<TStrings>(Control, "Tabs");
    int Selected = GetIntegerPropValue(Control, "TabIndex");
    int First = std::max(0, GetIntegerPropValue(Control, "FirstIndex"));
    int X = std::max(0, GetIntegerPropValue(Control, "StartMargin"));
    int Available = R.Width() - std::max(0, GetIntegerPropValue(Control, "EndMargin"));
    for (int I = First; Texts && I < Texts->Count(); ++I) {
        std::u16string Text = StringToWideInCodePage(Texts->Get(I));
        int W = C.TextWidth(Texts->Get(I));
        if (X + W + 9 > Available) continue;  // a tab that does not fit is left out
        TRect Tr(X, 0, X + W + 9, R.Height());
        int Frame = I == Selected ? 2 : 1;
        DrawSkinImage(C.Handle(), Tr, *TabImage, /*Vertical=*/false, Tabs->Tile != 0, Tabs->Trans != 0,
                      Tabs->FrameCount > 0 ? Tabs->FrameCount : 1, Frame, Tabs->Margins());
        C.Font().SetColor(static_cast<TColor>(ColorToRGB(Frame == 1 ? Tabs->NormalColour2 : Tabs->MouseOverColour2)));
        DrawButtonCaption(*this, C, Tr, DT_CENTER, /*Enabled=*/true, Text);
        X += W + 9;
    }
    BitBlt(Dc, R.left, R.top, R.Width(), R.Height(), C.Handle(), 0, 0, SRCCOPY);
}

// ---- Another library's page control ------------------------------------------------------------
void TSkinAdvPage::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas,
                                 bool ASetColor) {
    if (Attached) return;
    TSkinControl::AttachControl(ASkinForm, ASkinData, ACanvas, ASetColor);
    HandOverTabImages();
    Attached = true;
    LifeState = 1;
}

void TSkinAdvPage::SkinChanged() { HandOverTabImages(); }

void TSkinAdvPage::HandOverTabImages() {
    TDataSkinBorder* Tabs = SkinData ? SkinData->Tabs.get() : nullptr;
    if (Variant != 4 || !HasImage(Tabs) || !Control) return;
    const char* Names[2] = {"TabBackGround", "TabBackGroundActive"};
    for (int F = 1; F <= 2; ++F) {
        auto Image = RenderNineGridFrame(TRect(0, 0, 100, 21), *Tabs->Bitmap, Tabs->Margins(), /*Vertical=*/false,
                                         Tabs->Tile != 0, Tabs->FrameCount > 0 ? Tabs->FrameCount : 1, F);
        if (auto* Target = GetObjectPropByName<TBitmap>(Control, Names[F - 1]); Target && Image) Target->Assign(*Image);
    }
}

void TSkinAdvPage::Detach() {
    for (const char* Name : {"TabBackGround", "TabBackGroundActive"})
        if (auto* Target = GetObjectPropByName<TBitmap>(Control, Name)) Target->Assign(TBitmap());
}

bool TSkinAdvPage::FindUpDown() {
    HWND U = FindWindowExA(Handle, /*hWndChildAfter=*/nullptr, "msctls_updown32", /*lpszWindow=*/nullptr);
    if (!U) return false;
    if (!UpDown) {
        UpDown = new TSkinUpDown(Owner());
        UpDown->AttachWindow(U, SkinData, SkinForm, Canvas);
    }
    return GetWindowLongW(U, GWL_STYLE) & WS_VISIBLE;
}

void TSkinAdvPage::Draw(HDC, const TRect&) { FindUpDown(); }  // the control keeps its own drawing

// ---- Tab sheet --------------------------------------------------------------------------------
bool TSkinTabSheet::BeforeMessage(TMessage& M) {
    if (!TSkinControl::BeforeMessage(M)) return false;
    switch (M.Msg) {
        case WM_PAINT:
        case WM_PRINT: HandlePaintMessage(*this, M); return false;
        case WM_ERASEBKGND: {
            RECT R;
            GetClientRect(Handle, &R);
            FillFace(*this, reinterpret_cast<HDC>(M.WParam), TRect(R));
            M.Result = 1;
            return false;
        }
        default: return true;
    }
}

void TSkinTabSheet::Draw(HDC Dc, const TRect& R) {
    FillFace(*this, Dc, R);
    if (auto* W = dynamic_cast<TWinControl*>(Control)) W->PaintControls(Dc);
}

// ---- Header ----------------------------------------------------------------------------------
void TSkinHeader::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas,
                                bool ASetColor) {
    TSkinControl::AttachControl(ASkinForm, ASkinData, ACanvas, ASetColor);
    HotItem = -1;
}

void TSkinHeader::AttachWindow(HWND Window, TSkinData* ASkinData, TControlSkinHost* ASkinForm, TCanvas* ACanvas) {
    TSkinControl::AttachWindow(Window, ASkinData, ASkinForm, ACanvas);
    HotItem = -1;
}

bool TSkinHeader::BeforeMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_PAINT: HandlePaintMessage(*this, M); return false;
        case WM_ERASEBKGND:
            if (!SkinData || !HasImage(SkinData->Headerbar.get())) return true;
            M.Result = 1;
            return false;
        default: return TSkinControl::BeforeMessage(M);
    }
}

void TSkinHeader::AfterMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_MOUSEMOVE: {
            POINT P = MessagePoint(M);
            for (size_t I = 0; I < ItemRects.size(); ++I) {
                RECT R = ItemRects[I];
                if (PtInRect(&R, P) && static_cast<int32_t>(I) != HotItem) {
                    HotItem = static_cast<int32_t>(I);
                    Redraw();
                }
            }
            TrackMouseLeave(Handle);
            break;
        }
        case WM_MOUSELEAVE:
            HotItem = -1;
            Redraw();
            break;
        default: TSkinControl::AfterMessage(M); break;
    }
}

void TSkinHeader::Draw(HDC Dc, const TRect& R) {
    if (!SkinData || !HasImage(SkinData->Headerbar.get())) return;
    TDataSkinObject& Bar = *SkinData->Headerbar;
    int Frames = Bar.FrameCount > 0 ? Bar.FrameCount : 1;
    Enabled = true;  // header texts are never greyed
    if (R.Width() <= 0 || R.Height() <= 0) return;
    TBitmap Row(R.Width(), R.Height());
    TCanvas& C = Row.Canvas();
    if (auto F = reinterpret_cast<HFONT>(SendMessageW(Handle, WM_GETFONT, 0, 0))) {
        LOGFONTA Lf{};
        if (GetObjectA(F, sizeof Lf, &Lf)) {
            C.Font().SetName(Lf.lfFaceName);
            if (Lf.lfHeight) C.Font().SetHeight(Lf.lfHeight);
        }
    }
    auto Images = reinterpret_cast<HIMAGELIST>(SendMessageW(Handle, HDM_GETIMAGELIST, 0, 0));
    int N = static_cast<int>(SendMessageW(Handle, HDM_GETITEMCOUNT, 0, 0));
    ItemRects.assign(static_cast<size_t>(std::max(N, 0)), TRect());
    int Right = 0;
    for (int I = 0; I < N; ++I) {
        RECT Ir;
        if (!SendMessageW(Handle, HDM_GETITEMRECT, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&Ir))) continue;
        TRect Item(Ir);
        if (Item.Width() <= 0 || Item.Height() <= 0) continue;
        char16_t Text[201] = {};
        HDITEMW H{};
        H.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
        H.pszText = reinterpret_cast<LPWSTR>(Text);
        H.cchTextMax = 200;
        SendMessageW(Handle, HDM_GETITEMW, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&H));
        auto Frame = RenderNineGridFrame(TRect(0, 0, Item.Width(), Item.Height()), *Bar.Bitmap, Bar.Margins(),
                                         /*Vertical=*/false, Bar.Tile != 0, Frames, I == HotItem ? 2 : 1);
        if (!Frame || Frame->Empty()) continue;
        std::u16string S(Text);
        if (!S.empty()) {
            int Image = (H.fmt & (HDF_IMAGE | 0x8000)) ? H.iImage : -1;
            int Align = (H.fmt & 3) == 1 ? 2 : (H.fmt & 3) == 2 ? 1 : 0;
            Frame->Canvas().Font().Assign(C.Font());
            DrawCaptionWithImage(*this, Frame->Canvas(), TRect(0, 0, Item.Width(), Item.Height()), Align, S, Image,
                                 Images);
        }
        BitBlt(C.Handle(), Item.left, Item.top, Item.Width(), Item.Height(), Frame->Canvas().Handle(), 0, 0, SRCCOPY);
        ItemRects[static_cast<size_t>(I)] = TRect(Item.left + 3, Item.top, Item.right - 3, Item.bottom);
        Right = std::max(Right, static_cast<int>(Item.right));
    }
    if (Right < R.right) {
        auto Rest = RenderNineGridFrame(TRect(0, 0, R.right - Right, R.Height()), *Bar.Bitmap, Bar.Margins(),
                                        /*Vertical=*/false, Bar.Tile != 0, Frames, 1);
        if (Rest && !Rest->Empty())
            BitBlt(C.Handle(), Right, 0, Rest->Width(), Rest->Height(), Rest->Canvas().Handle(), 0, 0, SRCCOPY);
    }
    BitBlt(Dc, R.left, R.top, R.Width(), R.Height(), C.Handle(), 0, 0, SRCCOPY);
}
