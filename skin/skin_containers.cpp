#include "skin/skin_containers.h"

#include "platform/classlib/comctrls.h"
#include "platform/classlib/extctrls.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_control_paint.h"
#include "skin/skin_frames.h"

// ---- Group box ------------------------------------------------------------------------
void TSkinGroupBox::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas,
                                  bool ASetColor) {
    if (Attached) return;
    TSkinControl::AttachControl(ASkinForm, ASkinData, ACanvas, ASetColor);
    if (Control) Mode = 1;
}

bool TSkinGroupBox::BeforeMessage(TMessage& M) {
    if (!TSkinControl::BeforeMessage(M)) return false;
    if (Mode != 0 && M.Msg == WM_PAINT) {
        HandlePaintMessage(*this, M);
        return false;
    }
    return true;
}

void TSkinGroupBox::Draw(HDC Dc, const TRect& R) {
    if (!SkinData) return;
    Caption = GetWindowTextWide(Handle);
    if (Caption.empty() && Control) Caption = GetStrPropWide(Control, "Caption");
    if (Control) FillFace(*this, Dc, R);
    HFONT Font = reinterpret_cast<HFONT>(SendMessageW(Handle, WM_GETFONT, 0, 0));
    COLORREF OldText = GetTextColor(Dc);
    if (Control) {
        Font = Control->Font().Handle();
        SetTextColor(Dc, static_cast<COLORREF>(ColorToRGB(Control->Font().Color())));
    }
    HGDIOBJ OldFont = Font ? SelectObject(Dc, Font) : nullptr;
    SIZE Zero{};
    GetTextExtentPoint32A(Dc, "0", 1, &Zero);
    int Y = Zero.cy / 2 - 1;
    if (Mode == 0) {
        // Hides the native edge under the rounded frame.
        HBRUSH Face = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(SkinData->ColButtonFace)));
        RECT A{0, Y, R.right, R.bottom}, B{1, Y + 1, R.right - 1, R.bottom - 1};
        FrameRect(Dc, &A, Face);
        FrameRect(Dc, &B, Face);
        DeleteObject(Face);
    }
    HPEN Pen = CreatePen(PS_SOLID, 1, static_cast<COLORREF>(ColorToRGB(SkinData->ColButtonShadow)));
    HGDIOBJ OldPen = SelectObject(Dc, Pen), OldBrush = SelectObject(Dc, GetStockObject(NULL_BRUSH));
    RoundRect(Dc, 1, Y, R.right - 1, R.bottom - 1, 5, 5);
    SelectObject(Dc, OldPen);
    SelectObject(Dc, OldBrush);
    DeleteObject(Pen);
    COLORREF OldBack = SetBkColor(Dc, static_cast<COLORREF>(ColorToRGB(SkinData->ColButtonFace)));
    int OldMode = SetBkMode(Dc, OPAQUE);  // the caption hides the line behind it
    bool Right = GetWindowLongW(Handle, GWL_EXSTYLE) & WS_EX_RIGHT;
    RECT T = Right ? RECT{R.left, R.top, R.right - 8, R.bottom} : RECT{R.left + 8, R.top, R.right, R.bottom};
    DrawWideText(Dc, Caption, &T, Right ? AddRtlFlag(*this, DT_RIGHT | DT_EXPANDTABS) : DT_EXPANDTABS);
    SetBkMode(Dc, OldMode);
    SetBkColor(Dc, OldBack);
    SetTextColor(Dc, OldText);
    if (OldFont) SelectObject(Dc, OldFont);
    if (auto* W = dynamic_cast<TWinControl*>(Control); W && Mode == 1) W->PaintControls(Dc);
}

// ---- Panels -------------------------------------------------------------------------
void TSkinBox::AttachControl(TControlSkinHost* ASkinForm, TSkinData* ASkinData, TCanvas* ACanvas, bool ASetColor) {
    if (Attached) return;
    SetColor = ASetColor;
    SkinData = ASkinData;
    Canvas = ACanvas;
    Control = dynamic_cast<TControl*>(Owner());
    if (auto* W = dynamic_cast<TWinControl*>(Control)) Handle = W->Handle();
    SkinForm = ASkinForm;
    if (SkinForm) SkinForm->AddControlSkin(this);
    if (SetColor && Control && SkinData) {
        SwitchParentBackground(true);
        SavedColor = Control->Color();
        Control->SetColor(SkinData->ColButtonFace);
    }
    Attached = true;
    LifeState = 1;
}

void TSkinBox::Detach() {
    if (SetColor && Control) {
        SwitchParentBackground(false);
        Control->SetColor(SavedColor);
    }
    LifeState = 2;
}

// ---- Raw dialogs and tool bars ----------------------------------------------------------
TSkinBoxH::~TSkinBoxH() {
    if (FBrush) DeleteObject(FBrush);
}

bool TSkinBoxH::BeforeMessage(TMessage& M) {
    if (!SkinData) return TSkinControl::BeforeMessage(M);
    switch (M.Msg) {
        case WM_ERASEBKGND: {
            RECT W;
            GetWindowRect(Handle, &W);
            FillRectColor(reinterpret_cast<HDC>(M.WParam), TRect(0, 0, W.right - W.left, W.bottom - W.top),
                          SkinData->ColButtonFace);
            M.Result = 0;
            return false;
        }
        case WM_CTLCOLORSTATIC:
            CallPrevious(M);
            if (!FBrush) FBrush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(SkinData->ColButtonFace)));
            SetBkColor(reinterpret_cast<HDC>(M.WParam), static_cast<COLORREF>(ColorToRGB(SkinData->ColButtonFace)));
            M.Result = reinterpret_cast<LRESULT>(FBrush);
            return false;
        default: return TSkinControl::BeforeMessage(M);
    }
}

// ---- Size box ---------------------------------------------------------------------------
void TSkinSizer::Draw(HDC Dc, const TRect& R) {
    if (SkinData) FillRectColor(Dc, R, SkinData->ColButtonFace);
}

// ---- Status bar -------------------------------------------------------------------------
bool TSkinStatusBar::BeforeMessage(TMessage& M) {
    switch (M.Msg) {
        case WM_PAINT: HandlePaintMessage(*this, M); return false;
        case WM_ERASEBKGND: M.Result = 1; return false;
        default: return TSkinControl::BeforeMessage(M);
    }
}

namespace {

// Frame k (1 lowered, 2 raised, 3 none) around R.
void StatusEdge(TSkinData& Data, TCanvas& C, const TRect& R, int K) {
    TDataSkinObject* P = Data.StatusBarEdges.get();
    if (P && P->Bitmap && !P->Bitmap->Empty()) {
        auto F = RenderNineGridFrame(R, *P->Bitmap, P->Margins(), /*Vertical=*/false, P->Tile != 0, 3, K);
        if (F && !F->Empty()) BitBlt(C.Handle(), R.left, R.top, R.Width(), R.Height(), F->Canvas().Handle(), 0, 0,
                                     SRCCOPY);
        return;
    }
    TRect X = R;
    if (K == 1) Frame3D(C, X, clBtnShadow, clBtnHighlight, 1);
    if (K == 2) Frame3D(C, X, clBtnHighlight, clBtnShadow, 1);
}

}  // namespace

void TSkinStatusBar::Draw(HDC Dc, const TRect& R) {
    auto* Bar = dynamic_cast<TCustomStatusBar*>(Control);
    if (!Bar || !SkinData || R.Width() <= 0 || R.Height() <= 0) return;
    TBitmap Work(R.Width(), R.Height());
    TCanvas& C = Work.Canvas();
    TRect All(0, 0, R.Width(), R.Height());
    FillRectColor(C.Handle(), All, SkinData->ColButtonFace);
    C.Font().Assign(Bar->Font());
    C.Font().SetStyle(TFontStyles());
    if (SkinData->StatusBarEdges) C.Font().SetColor(static_cast<TColor>(ColorToRGB(SkinData->StatusBarEdges->NormalColour2)));
    auto Text = [&](const TRect& Where, std::u16string S, UINT Flag) {
        if (S.empty()) S = u" ";
        TRect T = Where;
        T.left += 2;
        T.right -= 2;
        TColor Saved = C.Font().Color();
        DrawButtonCaption(*this, C, T, Flag, /*Enabled=*/true, S);
        C.Font().SetColor(Saved);
    };
    static constexpr UINT Flags[] = {0, DT_RIGHT, DT_CENTER};  // taLeftJustify, taRightJustify, taCenter
    if (Bar->SimplePanel() || Bar->Panels().Count() == 0) {
        StatusEdge(*SkinData, C, All, 1);
        Text(All, GetStrPropWide(Bar, "simpletext"), Bar->BiDiMode() == bdRightToLeft ? DT_RIGHT : 0);
    } else {
        int N = Bar->Panels().Count();
        for (int I = 0; I < N; ++I) {
            TStatusPanel* P = Bar->Panels().Items(I);
            RECT Pr;
            if (!SendMessageW(Handle, SB_GETRECT, static_cast<WPARAM>(I), reinterpret_cast<LPARAM>(&Pr))) continue;
            TRect Pt(Pr);
            Pt.right += 2;
            if (I == N - 1) Pt.right = All.right;
            TAlignment A = P->Alignment;
            if (Bar->BiDiMode() == bdRightToLeft && A != taCenter)
                A = A == taLeftJustify ? taRightJustify : taLeftJustify;
            int K = P->Bevel == pbRaised ? 2 : P->Bevel == pbLowered ? 1 : 3;
            StatusEdge(*SkinData, C, Pt, K);
            if (P->Style == psText) Text(Pt, StringToWideInCodePage(P->Text()), Flags[A]);
        }
    }
    TDataSkinObject* Grip = SkinData->ExtraImages.get();
    if ((GetWindowLongW(Handle, GWL_STYLE) & SBARS_SIZEGRIP) && Grip && Grip->Bitmap && !Grip->Bitmap->Empty() &&
        Grip->FrameCount > 0) {
        int W = Grip->Bitmap->Width() / Grip->FrameCount, H = Grip->Bitmap->Height();
        DrawStripFrameOnDC(C.Handle(), TRect(All.right - 1 - W, All.bottom - 1 - H, All.right - 1, All.bottom - 1),
                           Grip->FrameCount, 5, *Grip->Bitmap);
    }
    BitBlt(Dc, R.left, R.top, R.Width(), R.Height(), C.Handle(), 0, 0, SRCCOPY);
    Bar->PaintControls(Dc);
}
