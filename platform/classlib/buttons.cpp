#include "platform/classlib/buttons.h"

#include "platform/classlib/extctrls.h"
#include "platform/classlib/formload.h"

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;
}

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
    FWidth = 23;
    FHeight = 22;
    FColor = clBtnFace;
    FGlyph->OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetDown(bool Value) {
    if (GroupIndex == 0) Value = false;
    if (Value == FDown) return;
    if (!Value && !AllowAllUp && FParent) {
        // The last one down of a group stays down unless all may be up.
        bool Other = false;
        for (int I = 0; I < FParent->ControlCount(); ++I)
            if (auto* S = dynamic_cast<TSpeedButton*>(FParent->Controls(I)); S && S != this && S->GroupIndex == GroupIndex && S->FDown)
                Other = true;
        if (!Other) return;
    }
    FDown = Value;
    if (Value && FParent)
        for (int I = 0; I < FParent->ControlCount(); ++I)
            if (auto* S = dynamic_cast<TSpeedButton*>(FParent->Controls(I)); S && S != this && S->GroupIndex == GroupIndex) {
                S->FDown = false;
                S->Invalidate();
            }
    Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && Enabled()) {
        FPressed = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (FPressed) {
        FPressed = false;
        Invalidate();
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::Click() {
    if (GroupIndex != 0) SetDown(AllowAllUp ? !FDown : true);
    TGraphicControl::Click();
}

void TSpeedButton::Paint() {
    TCanvas& C = Canvas();
    TRect R(0, 0, Width(), Height());
    bool Sunken = FPressed || FDown;
    C.Brush().SetColor(Color());
    C.FillRect(R);
    if (!Flat || Sunken) {
        TRect F = R;
        Frame3D(C, F, Sunken ? clBtnShadow : clBtnHighlight, Sunken ? clBtnShadow : cl3DDkShadow, 1);
        if (!Flat && !Sunken) Frame3D(C, F, clBtnFace, clBtnShadow, 1);
    }
    int Off = Sunken ? 1 : 0;
    int GW = FGlyph->Empty() ? 0 : FGlyph->Width() / std::max(1, NumGlyphs), GH = FGlyph->Empty() ? 0 : FGlyph->Height();
    std::string Text = Caption();
    C.Font().Assign(Font());
    SIZE TS = Text.empty() ? SIZE{0, 0} : C.TextExtent(Text);
    int Gap = GW && TS.cx ? Spacing : 0;
    int TotalW = GW + Gap + TS.cx;
    int X = (Width() - TotalW) / 2 + Off;
    if (GW) {
        TBitmap& G = *FGlyph;
        G.Transparent = true;
        // The first of NumGlyphs images is the normal one.
        if (NumGlyphs <= 1)
            C.Draw(X, (Height() - GH) / 2 + Off, G);
        else
            C.CopyRect(Bounds(X, (Height() - GH) / 2 + Off, GW, GH), G.Canvas(), Bounds(0, 0, GW, GH));
    }
    if (TS.cx) {
        C.Brush().SetStyle(bsClear);
        if (!Enabled()) C.Font().SetColor(clGrayText);
        C.TextOut(X + GW + Gap, (Height() - TS.cy) / 2 + Off, Text);
    }
}

TClassInfo& TSpeedButton::StaticClassInfo() {
    static TClassInfo CI("TSpeedButton", &TGraphicControl::StaticClassInfo(), CreateComponentOf<TSpeedButton>, [](TClassInfo& C) {
        using S = TSetter<TSpeedButton>;
        PublishCaption(C);
        C.PublishBool<TSpeedButton>("Down", [](TSpeedButton& O) { return O.Down(); },
                                    [](TSpeedButton& O, bool V) { O.SetDown(V); });
        C.PublishBool<TSpeedButton>("Flat", [](TSpeedButton& O) { return O.Flat; },
                                    [](TSpeedButton& O, bool V) {
                                        O.Flat = V;
                                        O.Invalidate();
                                    });
        C.PublishObject<TSpeedButton>("Glyph", [](TSpeedButton& O) -> TObject* { return &O.Glyph(); });
        C.PublishInteger<TSpeedButton>("NumGlyphs", [](TSpeedButton& O) -> int64_t { return O.NumGlyphs; });
        C.PublishInteger<TSpeedButton>("Margin", [](TSpeedButton& O) -> int64_t { return O.Margin; });
        C.PublishInteger<TSpeedButton>("Spacing", [](TSpeedButton& O) -> int64_t { return O.Spacing; });
        C.PublishEnum<TSpeedButton>("Layout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"},
                                    [](TSpeedButton& O) -> int64_t { return O.Layout; });
        C.Define<TSpeedButton>("Flat", S([](TSpeedButton& O, const TFormValue& V, TFormReader& R) { O.Flat = R.Bool(V); }));
        C.Define<TSpeedButton>("GroupIndex", S([](TSpeedButton& O, const TFormValue& V, TFormReader& R) { O.GroupIndex = int(R.Int(V)); }));
        C.Define<TSpeedButton>("Down", S([](TSpeedButton& O, const TFormValue& V, TFormReader& R) { O.SetDown(R.Bool(V)); }));
        C.Define<TSpeedButton>("AllowAllUp", S([](TSpeedButton& O, const TFormValue& V, TFormReader& R) { O.AllowAllUp = R.Bool(V); }));
        C.Define<TSpeedButton>("NumGlyphs", S([](TSpeedButton& O, const TFormValue& V, TFormReader& R) { O.NumGlyphs = int(R.Int(V)); }));
        C.Define<TSpeedButton>("Spacing", S([](TSpeedButton& O, const TFormValue& V, TFormReader& R) { O.Spacing = int(R.Int(V)); }));
        C.Define<TSpeedButton>("Margin", S([](TSpeedButton& O, const TFormValue& V, TFormReader& R) { O.Margin = int(R.Int(V)); }));
        C.Define<TSpeedButton>("Layout", S([](TSpeedButton& O, const TFormValue& V, TFormReader& R) {
                                   O.Layout = R.Enum<TButtonLayout>(V, {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"});
                               }));
        C.Define<TSpeedButton>("Glyph.Data", S([](TSpeedButton& O, const TFormValue& V, TFormReader& R) {
                                   // Stored as the bitmap's size then its BMP file.
                                   const auto& D = R.Binary(V);
                                   if (D.size() < 4) return;
                                   TMemoryStream M;
                                   M.WriteBuffer(D.data() + 4, static_cast<int64_t>(D.size() - 4));
                                   M.SetPosition(0);
                                   O.Glyph().LoadFromStream(M);
                               }));
    });
    return CI;
}

void RegisterButtonsClasses() { RegisterClass(TSpeedButton::StaticClassInfo()); }

std::unique_ptr<TControlActionLink> TSpeedButton::CreateActionLink() { return std::make_unique<TSpeedButtonActionLink>(this); }
