#include "controls/skinned/sc_controls.h"

#include <algorithm>

#include "platform/classlib/formload.h"

// ---- TscCheckBox ------------------------------------------------------------------

TscCheckBox::TscCheckBox(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csCustomPaint, csSetCaption};
    TabStop = true;
    SetParentColor(true);
    SetBounds(0, 0, 97, 17);
}

void TscCheckBox::SetChecked(bool Value) {
    if (Value == FChecked) return;
    FChecked = Value;
    Invalidate();
    if (!ComponentState().Contains(csLoading) && OnClick) OnClick(this);
}

void TscCheckBox::SetEnabled(bool Value) {
    TCustomControl::SetEnabled(Value);
    Invalidate();
}

void TscCheckBox::Click() { SetChecked(!FChecked); }

void TscCheckBox::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_KEYUP:
            TCustomControl::WndProc(M);
            if (M.WParam == VK_SPACE && Enabled()) Click();
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TCustomControl::WndProc(M);
            Invalidate();
            return;
        case WM_LBUTTONDOWN:
            if (TabStop && CanFocus() && HandleAllocated()) ::SetFocus(Handle());
            break;
        default: break;
    }
    TCustomControl::WndProc(M);
}

void TscCheckBox::Paint() {
    TCanvas& C = Canvas();
    int H = Height();
    C.Brush().SetColor(Color());
    C.FillRect(TRect(0, 0, Width(), H));
    TRect Box(0, (H - 13) / 2, 13, (H - 13) / 2 + 13);
    C.Brush().SetColor(Enabled() ? clWindow : clBtnFace);
    C.Pen().SetColor(Enabled() ? TColor(0x7F9DB9) : clGrayText);
    C.Rectangle(Box);
    if (FChecked) {
        C.Pen().SetColor(Enabled() ? TColor(0x21A121) : clGrayText);
        // A check mark three pixels thick.
        for (int D = 0; D < 3; ++D) {
            C.MoveTo(Box.left + 3, Box.top + 5 + D);
            C.LineTo(Box.left + 5, Box.top + 7 + D);
            C.LineTo(Box.left + 10, Box.top + 2 + D);
        }
    }
    std::string Text = Caption();
    if (Text.empty()) return;
    C.Font().Assign(Font());
    if (!Enabled()) C.Font().SetColor(clGrayText);
    C.Brush().SetStyle(bsClear);
    SIZE S = C.TextExtent(Text);
    int TY = (H - S.cy) / 2;
    C.TextRect(TRect(17, 0, Width(), H), 18, TY, Text);
    if (HandleAllocated() && GetFocus() == Handle()) {
        TRect F(16, TY - 1, std::min<int>(Width(), 18 + S.cx + 1), TY + S.cy + 1);
        C.Brush().SetStyle(bsSolid);
        C.DrawFocusRect(F);
    }
}

// ---- TscTrackBar --------------------------------------------------------------------

namespace {
constexpr int ThumbW = 11, Edge = 8;
}

TscTrackBar::TscTrackBar(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = TControlStyle{csCaptureMouse, csCustomPaint};
    TabStop = true;
    SetParentColor(true);
    SetBounds(0, 0, 150, 45);
}

void TscTrackBar::SetMin(int Value) {
    FMin = Value;
    if (FMax < FMin) FMax = FMin;
    SetPosition(FPosition);
    Invalidate();
}

void TscTrackBar::SetMax(int Value) {
    FMax = Value;
    if (FMin > FMax) FMin = FMax;
    SetPosition(FPosition);
    Invalidate();
}

void TscTrackBar::SetPosition(int Value) {
    Value = std::clamp(Value, FMin, FMax);
    FPosition = Value;
    Invalidate();
    if (Value != FReported) {
        FReported = Value;
        if (OnChange) OnChange(this);
    }
}

TRect TscTrackBar::ThumbRect() {
    int Track = std::max(1, Width() - 2 * Edge);
    int Range = std::max(1, FMax - FMin);
    int X = Edge + static_cast<int>(static_cast<int64_t>(FPosition - FMin) * Track / Range) - ThumbW / 2;
    return TRect(X, 4, X + ThumbW, 4 + 20);
}

int TscTrackBar::PositionAt(int X) {
    int Track = std::max(1, Width() - 2 * Edge);
    int64_t Range = FMax - FMin;
    int64_t P = FMin + ((static_cast<int64_t>(X - Edge) * Range * 2 + Track) / (2 * Track));  // rounded
    return static_cast<int>(std::clamp<int64_t>(P, FMin, FMax));
}

void TscTrackBar::Paint() {
    TCanvas& C = Canvas();
    C.Brush().SetColor(Color());
    C.FillRect(TRect(0, 0, Width(), Height()));
    // The channel, the ticks and the thumb.
    TRect Channel(Edge, 12, Width() - Edge, 16);
    C.Brush().SetColor(clWindow);
    C.Pen().SetColor(clBtnShadow);
    C.Rectangle(Channel);
    if (Frequency > 0 && FMax > FMin) {
        int64_t Count = (static_cast<int64_t>(FMax) - FMin) / Frequency;
        int Track = Width() - 2 * Edge;
        // Ticks closer than two pixels are thinned out.
        int64_t Step = std::max<int64_t>(1, Count * 2 / std::max(1, Track));
        C.Pen().SetColor(clBtnShadow);
        for (int64_t I = 0; I <= Count; I += Step) {
            int X = Edge + static_cast<int>(I * Frequency * Track / (FMax - FMin));
            C.MoveTo(X, 28);
            C.LineTo(X, 31);
        }
    }
    TRect T = ThumbRect();
    C.Brush().SetColor(Enabled() ? clBtnFace : clWindow);
    C.Pen().SetColor(Enabled() ? clBtnText : clGrayText);
    C.Rectangle(T);
    if (HandleAllocated() && GetFocus() == Handle()) C.DrawFocusRect(TRect(1, 1, Width() - 1, Height() - 1));
}

void TscTrackBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !Enabled()) return;
    if (TabStop && CanFocus() && HandleAllocated()) ::SetFocus(Handle());
    TRect T = ThumbRect();
    if (X >= T.left && X < T.right) {
        FDragging = true;
        FDragOffset = X - (T.left + ThumbW / 2);
        if (HandleAllocated()) SetCapture(Handle());
    } else {
        SetPosition(FPosition + (X < T.left ? -PageSize : PageSize));
    }
}

void TscTrackBar::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControl::MouseMove(Shift, X, Y);
    if (FDragging) SetPosition(PositionAt(X - FDragOffset));
}

void TscTrackBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (FDragging) {
        FDragging = false;
        if (GetCapture() == Handle()) ReleaseCapture();
    }
}

void TscTrackBar::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_KEYDOWN:
            switch (M.WParam) {
                case VK_LEFT:
                case VK_UP: SetPosition(FPosition - LineSize); return;
                case VK_RIGHT:
                case VK_DOWN: SetPosition(FPosition + LineSize); return;
                case VK_PRIOR: SetPosition(FPosition - PageSize); return;
                case VK_NEXT: SetPosition(FPosition + PageSize); return;
                case VK_HOME: SetPosition(FMin); return;
                case VK_END: SetPosition(FMax); return;
                default: break;
            }
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TCustomControl::WndProc(M);
            Invalidate();
            return;
        default: break;
    }
    TCustomControl::WndProc(M);
}

// ---- Class tables ----------------------------------------------------------------------

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;
}

TClassInfo& TscCheckBox::StaticClassInfo() {
    static TClassInfo CI("TscCheckBox", &TCustomControl::StaticClassInfo(), CreateComponentOf<TscCheckBox>,
                         [](TClassInfo& C) {
                             C.Define<TscCheckBox>("Checked", TSetter<TscCheckBox>([](TscCheckBox& O,
                                                                                      const TFormValue& V,
                                                                                      TFormReader& R) {
                                                       O.SetChecked(R.Bool(V));
                                                   }));
                         });
    return CI;
}

TClassInfo& TscTrackBar::StaticClassInfo() {
    static TClassInfo CI("TscTrackBar", &TCustomControl::StaticClassInfo(), CreateComponentOf<TscTrackBar>,
                         [](TClassInfo& C) {
                             using S = TSetter<TscTrackBar>;
                             C.Define<TscTrackBar>("Min", S([](TscTrackBar& O, const TFormValue& V, TFormReader& R) {
                                                       O.SetMin(static_cast<int>(R.Int(V)));
                                                   }));
                             C.Define<TscTrackBar>("Max", S([](TscTrackBar& O, const TFormValue& V, TFormReader& R) {
                                                       O.SetMax(static_cast<int>(R.Int(V)));
                                                   }));
                             C.Define<TscTrackBar>("Position", S([](TscTrackBar& O, const TFormValue& V,
                                                                    TFormReader& R) {
                                                       O.SetPosition(static_cast<int>(R.Int(V)));
                                                   }));
                             C.Define<TscTrackBar>("PageSize", S([](TscTrackBar& O, const TFormValue& V,
                                                                    TFormReader& R) {
                                                       O.PageSize = static_cast<int>(R.Int(V));
                                                   }));
                             C.Define<TscTrackBar>("LineSize", S([](TscTrackBar& O, const TFormValue& V,
                                                                    TFormReader& R) {
                                                       O.LineSize = static_cast<int>(R.Int(V));
                                                   }));
                             C.Define<TscTrackBar>("Frequency", S([](TscTrackBar& O, const TFormValue& V,
                                                                     TFormReader& R) {
                                                       O.Frequency = static_cast<int>(R.Int(V));
                                                   }));
                             C.Define<TscTrackBar>("Style", S([](TscTrackBar& O, const TFormValue& V,
                                                                 TFormReader& R) { O.Style = R.String(V); }));
                             C.Define<TscTrackBar>("OnChange", S([](TscTrackBar& O, const TFormValue& V,
                                                                    TFormReader& R) {
                                                       O.OnChange = R.Method<TNotifyEvent>(V);
                                                   }));
                         });
    return CI;
}

void RegisterSkinnedControls() {
    RegisterClasses({&TscCheckBox::StaticClassInfo(), &TscTrackBar::StaticClassInfo()});
}
