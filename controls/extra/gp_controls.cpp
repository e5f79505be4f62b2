#include "controls/extra/gp_controls.h"

#include <algorithm>
#include <string>

#include "platform/classlib/formload.h"

TGpCustomProgressBar::TGpCustomProgressBar(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 150, 16);
}

void TGpCustomProgressBar::SetPercent(int16_t Value) {
    if (Value == FPercent) return;
    FPercent = Value;
    if (OnChange) OnChange(this, Value);
    Invalidate();
}

void TGpCustomProgressBar::Paint() {
    TCanvas& C = Canvas();
    int W = Width(), H = Height();
    C.Brush().SetColor(BorderColor);
    C.FrameRect(TRect(0, 0, W, H));
    C.Brush().SetColor(BackColor);
    C.FillRect(TRect(1, 1, W - 1, H - 1));
    // Percents outside 0..100 are kept as given; only the drawing is limited.
    int Shown = std::clamp<int>(FPercent, 0, 100);
    int BarW = (W - 2) * Shown / 100;
    if (BarW > 0 && H > 2) {
        COLORREF A = ColorToCOLORREF(BarColor), B = ColorToCOLORREF(FBarColorStop);
        // The gradient spans the whole inside, so the bar's end shows how far it got.
        TRIVERTEX V[2] = {{1, 1, static_cast<COLOR16>(GetRValue(A) << 8), static_cast<COLOR16>(GetGValue(A) << 8),
                           static_cast<COLOR16>(GetBValue(A) << 8), 0},
                          {W - 1, H - 1, static_cast<COLOR16>(GetRValue(B) << 8),
                           static_cast<COLOR16>(GetGValue(B) << 8), static_cast<COLOR16>(GetBValue(B) << 8), 0}};
        GRADIENT_RECT G{0, 1};
        HDC DC = C.Handle();
        int Saved = SaveDC(DC);
        IntersectClipRect(DC, 1, 1, 1 + BarW, H - 1);
        GradientFill(DC, V, 2, &G, 1, GRADIENT_FILL_RECT_H);
        RestoreDC(DC, Saved);
    }
    if (ShowText) {
        std::string Text = std::to_string(FPercent) + "%";
        C.Font().Assign(Font());
        C.Brush().SetStyle(bsClear);
        SIZE S = C.TextExtent(Text);
        C.TextOut((W - S.cx) / 2, (H - S.cy) / 2, Text);
    }
}

void TGpProgressBar::SetBarColorStop(TColor Value) {
    if (Value == FBarColorStop) return;
    FBarColorStop = Value;
    Invalidate();
}

// ---- Class tables ---------------------------------------------------------------------

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;
}

TClassInfo& TGpCustomProgressBar::StaticClassInfo() {
    static TClassInfo CI("TGpCustomProgressBar", &TGraphicControl::StaticClassInfo(), nullptr, [](TClassInfo& C) {
        using S = TSetter<TGpCustomProgressBar>;
        C.Define<TGpCustomProgressBar>("Percent", S([](TGpCustomProgressBar& O, const TFormValue& V,
                                                       TFormReader& R) {
                                           O.SetPercent(static_cast<int16_t>(R.Int(V)));
                                       }));
        C.Define<TGpCustomProgressBar>("BarColor", S([](TGpCustomProgressBar& O, const TFormValue& V,
                                                        TFormReader& R) {
                                           O.BarColor = ControlProps::ReadColor(R, V);
                                       }));
        C.Define<TGpCustomProgressBar>("BackColor", S([](TGpCustomProgressBar& O, const TFormValue& V,
                                                         TFormReader& R) {
                                           O.BackColor = ControlProps::ReadColor(R, V);
                                       }));
        C.Define<TGpCustomProgressBar>("BorderColor", S([](TGpCustomProgressBar& O, const TFormValue& V,
                                                           TFormReader& R) {
                                           O.BorderColor = ControlProps::ReadColor(R, V);
                                       }));
        C.Define<TGpCustomProgressBar>("ShowText", S([](TGpCustomProgressBar& O, const TFormValue& V,
                                                        TFormReader& R) { O.ShowText = R.Bool(V); }));
        C.Define<TGpCustomProgressBar>("OnChange", S([](TGpCustomProgressBar& O, const TFormValue& V,
                                                        TFormReader& R) {
                                           O.OnChange = R.Method<TProgressChangeEvent>(V);
                                       }));
    });
    return CI;
}

TClassInfo& TGpProgressBar::StaticClassInfo() {
    static TClassInfo CI("TGpProgressBar", &TGpCustomProgressBar::StaticClassInfo(), CreateComponentOf<TGpProgressBar>,
                         [](TClassInfo& C) {
                             C.Define<TGpProgressBar>("BarColorStop", TSetter<TGpProgressBar>([](TGpProgressBar& O,
                                                                                                 const TFormValue& V,
                                                                                                 TFormReader& R) {
                                                          O.SetBarColorStop(ControlProps::ReadColor(R, V));
                                                      }));
                         });
    return CI;
}

TClassInfo& TGpPanel::StaticClassInfo() {
    static TClassInfo CI("TGpPanel", &TCustomPanel::StaticClassInfo(), CreateComponentOf<TGpPanel>);
    return CI;
}

void RegisterGpControls() {
    RegisterClasses({&TGpProgressBar::StaticClassInfo(), &TGpPanel::StaticClassInfo()});
}
