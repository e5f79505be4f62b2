#include "controls/skinned/sc_image_panel.h"

#include "controls/skinned/sc_helpers.h"
#include "platform/classlib/formload.h"

TscCustomPanel::TscCustomPanel(TComponent* AOwner) : TCustomPanel(AOwner), FPicture(std::make_unique<TPicture>()) {
    FPicture->OnChange = [this](TObject*) { PictureChanged(); };
    BevelInner = bvNone;
    BevelOuter = bvNone;
    Invalidate();
}

TscCustomPanel::~TscCustomPanel() { FPicture->OnChange = nullptr; }

void TscCustomPanel::SetPicture(TGraphic* Value) {
    FPicture->Assign(Value);
    ClearPanel();
    Invalidate();
}

void TscCustomPanel::ApplyAutoSize() {
    TAlign A = Align();
    int W = Width(), H = Height();
    if (A != alTop && A != alBottom && A != alClient) W = FPicture->Width();
    if (A != alLeft && A != alRight && A != alClient) H = FPicture->Height();
    SetBounds(Left(), Top(), W, H);
}

void TscCustomPanel::PictureChanged() {
    if (PictureLoaded()) {
        if (FAutoSize) ApplyAutoSize();
        FPicture->Graphic()->Transparent = FTransparent;
    }
    ClearPanel();
    Invalidate();
}

void TscCustomPanel::SetTransparent(bool Value) {
    FTransparent = Value;
    if (PictureLoaded()) FPicture->Graphic()->Transparent = Value;
    Invalidate();
}

void TscCustomPanel::SetAutoSize(bool Value) { FAutoSize = Value; }

void TscImagePanel::SetAutoSize(bool Value) {
    FAutoSize = Value;
    if (PictureLoaded()) ApplyAutoSize();
}

void TscCustomPanel::SetDrawStyle(TscDrawStyle Value) {
    FDrawStyle = Value;
    ClearPanel();
    Invalidate();
}

void TscCustomPanel::ClearPanel() {
    // Only a panel hosted in a foreign window is filled at once; others paint.
    if (ParentWindow && HandleAllocated()) {
        HDC DC = GetDC(Handle());
        HBRUSH Brush = CreateSolidBrush(ColorToCOLORREF(Color()));
        RECT R{0, 0, Width(), Height()};
        FillRect(DC, &R, Brush);
        DeleteObject(Brush);
        ReleaseDC(Handle(), DC);
    }
}

void TscCustomPanel::Resize() {
    TCustomPanel::Resize();
    Invalidate();
}

void TscCustomPanel::TextChanged() {
    TextChangedHook();
    Invalidate();
}

void TscCustomPanel::WndProc(TMessage& M) {
    if (M.Msg == WM_ERASEBKGND) {
        M.Result = 1;
        return;
    }
    TCustomPanel::WndProc(M);
}

void TscCustomPanel::Paint() {
    int W = Width(), H = Height();
    if (W <= 0 || H <= 0) return;
    TBitmap B(W, H);
    TCanvas& C = B.Canvas();
    if (FTransparent) DrawParentBackgroundOnCanvas(C, this);
    if (PictureLoaded()) {
        TGraphic& G = *FPicture->Graphic();
        if (FDrawStyle == scStretch)
            C.StretchDraw(TRect(0, 0, W, H), G);
        else if (FDrawStyle == scTile)
            TilePicture(C, &G, TRect(0, 0, W, H));
        else
            C.Draw(0, 0, G);
    } else if (!FTransparent) {
        C.Brush().SetColor(Color());
        C.FillRect(TRect(0, 0, W, H));
    }
    C.Brush().SetStyle(bsClear);
    std::string Text = Trim(Caption());
    if (!Text.empty()) {
        C.Font().Assign(Font());
        C.TextExtent("W");  // selects the font
        RECT R{0, 0, W, H};
        UINT Align = Alignment == taLeftJustify ? DT_LEFT : Alignment == taRightJustify ? DT_RIGHT : DT_CENTER;
        std::string Raw = Caption();
        DrawTextA(C.Handle(), Raw.c_str(), static_cast<int>(Raw.size()), &R, DT_SINGLELINE | DT_VCENTER | Align);
    }
    Canvas().Draw(0, 0, B);
}

TClassInfo& TscCustomPanel::StaticClassInfo() {
    static TClassInfo CI("TscCustomPanel", &TCustomPanel::StaticClassInfo(), /*Create=*/nullptr,
                         /*DefineProperties=*/nullptr);
    return CI;
}

TClassInfo& TscImagePanel::StaticClassInfo() {
    using S = std::function<void(TscImagePanel&, const TFormValue&, TFormReader&)>;
    static TClassInfo CI(
        "TscImagePanel", &TscCustomPanel::StaticClassInfo(), CreateComponentOf<TscImagePanel>, [](TClassInfo& C) {
            C.Define<TscImagePanel>("Transparent", S([](TscImagePanel& O, const TFormValue& V, TFormReader& R) {
                                        O.SetTransparent(R.Bool(V));
                                    }));
            C.Define<TscImagePanel>("AutoSize", S([](TscImagePanel& O, const TFormValue& V, TFormReader& R) {
                                        O.SetAutoSize(R.Bool(V));
                                    }));
            C.Define<TscImagePanel>("DrawStyle", S([](TscImagePanel& O, const TFormValue& V, TFormReader& R) {
                                        O.SetDrawStyle(R.Enum<TscDrawStyle>(V, {"scNormal", "scStretch", "scTile"}));
                                    }));
        });
    return CI;
}
