#include "controls/skinned/sc_track_bar.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "controls/skinned/sc_file_theme.h"
#include "platform/classlib/formload.h"
#include "platform/rtl/scope.h"

namespace {
constexpr LRESULT WantArrows = 1;  // the dialog code of a control that takes the arrow keys

int ClampToInt(int64_t V) { return static_cast<int>(std::clamp<int64_t>(V, INT_MIN, INT_MAX)); }
}  // namespace

TscTrackBar::TscTrackBar(TComponent* AOwner)
    : TCustomPanel(AOwner), FBarImage(std::make_unique<TPicture>()), FBarBitmap(std::make_unique<TBitmap>()) {
    ControlStyle.Exclude(csAcceptsControls);
    BevelInner = bvNone;
    BevelOuter = bvNone;
    FThumb = new TscImagePanel(this);
    FThumb->SetParent(this);
    FThumb->OnMouseDown = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) { ThumbMouseDown(S, B, Sh, X, Y); };
    FThumb->OnMouseUp = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) { ThumbMouseUp(S, B, Sh, X, Y); };
    SetParentColor(true);
    TabStop = true;
    SetUIStyle(GetOwnerUIStyle(AOwner));
    UpdatePosition();
}

TscTrackBar::~TscTrackBar() {
    StopTimer();
    if (FFileTheme) FFileTheme->RemoveFreeNotification(this);
}

void TscTrackBar::SetOrientation(TscProgressBarOrientation Value) {
    if (Value == FOrientation) return;
    FOrientation = Value;
    Relayout();
}

void TscTrackBar::SetFileTheme(TscFileTheme* Value) {
    if (FFileTheme && FFileTheme != Value) FFileTheme->RemoveFreeNotification(this);
    FFileTheme = Value;
    if (Value) Value->FreeNotification(this);
    SetUIStyle(FUIStyle);
}

void TscTrackBar::SetUIStyle(TscUIStyle Value) {
    FUIStyle = Value;
    if (Value == MacOS) FTransparent = true;
    Relayout();
}

void TscTrackBar::SetBarImage(TGraphic* Value) {
    FBarImage->Assign(Value);
    Relayout();
}

void TscTrackBar::SetSliderImage(TGraphic* Value) {
    FThumb->Picture().Assign(Value);
    Invalidate();
}

void TscTrackBar::SetMin(int Value) {
    if (Value == FMin) return;
    FMin = std::min(Value, FMax);
    if (FPosition < FMin) FPosition = FMin;
    UpdatePosition();
}

void TscTrackBar::SetMax(int Value) {
    if (Value == FMax) return;
    FMax = std::max(Value, FMin);
    if (FPosition > FMax) FPosition = FMax;
    UpdatePosition();
}

void TscTrackBar::SetPosition(int Value) {
    FPosition = std::clamp(Value, FMin, FMax);
    UpdatePosition();
}

void TscTrackBar::SetPageSize(int Value) {
    if (Value >= 0 && Value <= FMax) FPageSize = Value;
}

void TscTrackBar::SetLineSize(int Value) {
    if (Value >= 0 && Value <= FMax) FLineSize = Value;
}

void TscTrackBar::SetShowTick(bool Value) {
    FShowTick = Value;
    Invalidate();
}

void TscTrackBar::SetTransparent(bool Value) {
    FTransparent = Value;
    Invalidate();
}

void TscTrackBar::SetFrequency(int Value) {
    FFrequency = Value;
    Invalidate();
}

POINT TscTrackBar::GetThumbPosition() {
    // The product in 64 bits: (Position - Min) x travel overflows 32 bits for large ranges.
    int64_t Range = int64_t(FMax) - FMin;
    if (FOrientation == scHorizontal) {
        int Y = std::max(0, Height() - FThumb->Height()) / 2;
        int64_t X = Range == 0 ? 0 : (int64_t(FPosition) - FMin) * (Width() - FThumb->Width()) / Range;
        return POINT{static_cast<LONG>(X), Y};
    }
    int X = std::max(0, Width() - FThumb->Width()) / 2;
    int64_t Y = Range == 0 ? 0 : (int64_t(FPosition) - FMin) * (Height() - FThumb->Height()) / Range;
    return POINT{X, static_cast<LONG>(Y)};
}

int TscTrackBar::PositionFromPixel(int Pixel) {
    int L = Length(), T = ThumbLength();
    if (T == L) return 0;
    double V = double(int64_t(Pixel) - T / 2) * double(int64_t(FMax) - FMin) / double(L - T);
    return ClampToInt(FMin + static_cast<int64_t>(std::nearbyint(V)));  // ties to even
}

void TscTrackBar::UpdatePosition() {
    POINT P = GetThumbPosition();
    FThumb->SetBounds(P.x, P.y, FThumb->Width(), FThumb->Height());
    Invalidate();
    if (FPosition != FLastPosition) {
        FLastPosition = FPosition;
        if (OnChange) OnChange(this);
    }
}

void TscTrackBar::Relayout() {
    if (FInRelayout) return;
    {
        rtl::TSetForScope SetInRelayout(FInRelayout, true);
        UpdateImages();
        AdjustThickness();
        UpdatePosition();
    }
    Invalidate();
}

void TscTrackBar::AdjustThickness() {
    if (FOrientation == scHorizontal)
        SetHeight(std::max(FBarImage->Height(), FThumb->Height()));
    else
        SetWidth(std::max(FBarImage->Height(), FThumb->Width()));
    Invalidate();
}

void TscTrackBar::UpdateImages() {
    if (UsesOwnImages()) return;
    TscUIStyle Effective;
    bool FromFile = TscFileTheme::ResolveUIStyle(FFileTheme, FUIStyle, Effective);
    int SliderKey = FOrientation == scHorizontal ? skTrackBarSliderImage : skTrackBarSliderVImage;
    TBitmap Bar, Slider;
    if (FromFile) {
        FFileTheme->GetImage(skTrackBarBarImage, &Bar);
        FFileTheme->GetImage(SliderKey, &Slider);
    } else {
        GetBuiltInStyleImage(Effective, skTrackBarBarImage, &Bar, 0, 0);
        GetBuiltInStyleImage(Effective, SliderKey, &Slider, 0, 0);
    }
    FBarImage->Assign(&Bar);
    int L = std::max(0, Length()), BH = Bar.Height();
    FBarBitmap->SetSize(L, BH);
    FBarBitmap->Canvas().Brush().SetColor(Color());
    FBarBitmap->Canvas().FillRect(TRect(0, 0, L, BH));
    DrawThreePartImage(&Bar, FBarBitmap->Canvas(), TRect(0, 0, L, BH), /*UsePixelColor=*/false, /*TopPixel=*/false);
    if (FOrientation == scVertical) RotateBitmapCounterClockwise(FBarBitmap.get());
    FThumb->SetTransparent(IsThumbTransparent());
    FThumb->SetAutoSize(true);
    FThumb->Picture().Assign(&Slider);
}

void TscTrackBar::Resize() {
    TCustomPanel::Resize();
    Relayout();
}

void TscTrackBar::Paint() {
    int W = Width(), H = Height();
    if (W <= 0 || H <= 0) return;
    TBitmap B(W, H);
    TCanvas& C = B.Canvas();
    if (FTransparent) {
        DrawParentBackgroundOnCanvas(C, this);
    } else {
        C.Brush().SetColor(Color());
        C.FillRect(TRect(0, 0, W, H));
    }
    int BH = FBarImage->Height();
    TBitmap& Bar = *FBarBitmap;
    if (!Bar.Empty()) {
        if (FOrientation == scHorizontal)
            C.CopyRect(TRect(0, (H - BH) / 2, Bar.Width(), (H - BH) / 2 + Bar.Height()), Bar.Canvas(),
                       TRect(0, 0, Bar.Width(), Bar.Height()));
        else
            C.CopyRect(TRect((W - BH) / 2, 0, (W - BH) / 2 + Bar.Width(), Bar.Height()), Bar.Canvas(),
                       TRect(0, 0, Bar.Width(), Bar.Height()));
    }
    if (HandleAllocated() && Focused() && TabStop) {
        C.Brush().SetStyle(bsSolid);
        C.DrawFocusRect(TRect(0, 0, W, H));
    }
    if (FShowTick && FMax != FMin) {
        int L = Length(), T = ThumbLength();
        int64_t Range = int64_t(FMax) - FMin;
        auto Tick = [&](int64_t P) {
            int Pi = static_cast<int>(P);
            if (FOrientation == scHorizontal) {
                C.MoveTo(Pi, H - 3);
                C.LineTo(Pi, H);
            } else {
                C.MoveTo(0, Pi);
                C.LineTo(3, Pi);
                C.MoveTo(W - 3, Pi);
                C.LineTo(W, Pi);
            }
        };
        auto At = [&](int64_t V) { return (int64_t(L) - T) * (V - FMin) / Range + T / 2; };
        int64_t Count = FFrequency > 0 ? Range / FFrequency : 0;
        if (Count > std::abs(int64_t(L) - T)) {
            // More ticks than pixels: every pixel between the ends has one.
            for (int64_t P = std::min(At(FMin), At(FMax)); P <= std::max(At(FMin), At(FMax)); ++P) Tick(P);
        } else {
            for (int64_t K = 0; K <= Count; ++K) Tick(At(FMin + K * FFrequency));
            Tick(At(FMax));
        }
    }
    Canvas().Draw(0, 0, B);
}

void TscTrackBar::TakeFocus() {
    if (!FocusOnClick() || !CanFocus() || !Enabled()) return;
    try {
        SetFocus();
    } catch (const Exception&) {
    }
}

void TscTrackBar::PageToward(POINT P, int Step) {
    POINT Corner = GetThumbPosition();
    int C = FOrientation == scHorizontal ? P.x : P.y, K = FOrientation == scHorizontal ? Corner.x : Corner.y;
    if (C > K)
        SetPosition(ClampToInt(std::min<int64_t>(int64_t(FPosition) + Step, PositionFromPixel(C))));
    else if (C < K)
        SetPosition(ClampToInt(std::max<int64_t>(int64_t(FPosition) - Step, PositionFromPixel(C))));
}

void TscTrackBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    // The release comes here even when the thumb has moved under the pointer.
    if (HandleAllocated()) SetCapture(Handle());
    PageToward(POINT{X, Y}, FPageSize);
    if (!FTimer) {
        FTimer = new TTimer(nullptr);
        FTimer->SetInterval(100);
        FTimer->SetOnTimer([this](TObject* S) { TimerTick(S); });
        FTimer->SetEnabled(true);
    }
    TakeFocus();
}

void TscTrackBar::TimerTick(TObject*) {
    POINT P;
    GetCursorPos(&P);
    P = ScreenToClient(P);
    PageToward(P, FOrientation == scHorizontal ? 3 * FPageSize : FPageSize);
}

void TscTrackBar::StopTimer() {
    if (!FTimer) return;
    TTimer* T = FTimer;
    FTimer = nullptr;
    T->Free();
}

void TscTrackBar::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseMove(Shift, X, Y);
    if (FDragging) {
        FPosition = std::clamp(PositionFromPixel(FOrientation == scHorizontal ? X : Y), FMin, FMax);
        POINT P = GetThumbPosition();
        FThumb->SetBounds(P.x, P.y, FThumb->Width(), FThumb->Height());
        if (FPosition != FLastPosition) {
            if (OnChange) OnChange(this);
            FLastPosition = FPosition;
        }
        return;
    }
    if (X < 0 || X > Width() || Y < 0 || Y > Height()) StopTimer();
}

void TscTrackBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomPanel::MouseUp(Button, Shift, X, Y);
    StopTimer();
    FDragging = false;
    if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
}

void TscTrackBar::ThumbMouseDown(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button != mbLeft) return;
    FDragging = true;
    TakeFocus();
    SetCapture(Handle());
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X + FThumb->Left(), Y + FThumb->Top());
}

void TscTrackBar::ThumbMouseUp(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X + FThumb->Left(), Y + FThumb->Top());
}

void TscTrackBar::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_KEYDOWN:
            TCustomPanel::WndProc(M);
            switch (M.WParam) {
                case VK_PRIOR: SetPosition(ClampToInt(int64_t(FPosition) - FPageSize)); break;
                case VK_NEXT: SetPosition(ClampToInt(int64_t(FPosition) + FPageSize)); break;
                case VK_END: SetPosition(FMax); break;
                case VK_HOME: SetPosition(FMin); break;
                case VK_LEFT:
                case VK_UP: SetPosition(ClampToInt(int64_t(FPosition) - FLineSize)); break;
                case VK_RIGHT:
                case VK_DOWN: SetPosition(ClampToInt(int64_t(FPosition) + FLineSize)); break;
                default: break;
            }
            return;
        case WM_GETDLGCODE:
            TCustomPanel::WndProc(M);
            M.Result = WantArrows;
            return;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            TCustomPanel::WndProc(M);
            Invalidate();
            return;
        case WM_ERASEBKGND: M.Result = 1; return;
        default: break;
    }
    TCustomPanel::WndProc(M);
}

void TscTrackBar::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFileTheme) {
        FFileTheme = nullptr;
        SetUIStyle(DeepBlue);
    }
}

TClassInfo& TscTrackBar::StaticClassInfo() {
    using S = std::function<void(TscTrackBar&, const TFormValue&, TFormReader&)>;
    static TClassInfo CI(
        "TscTrackBar", &TCustomPanel::StaticClassInfo(), CreateComponentOf<TscTrackBar>, [](TClassInfo& C) {
            DefineThemeProperties<TscTrackBar>(C);
            auto Int = [](void (TscTrackBar::*Set)(int)) {
                return [Set](TscTrackBar& O, const TFormValue& V, TFormReader& R) {
                    (O.*Set)(static_cast<int>(R.Int(V)));
                };
            };
            C.Define<TscTrackBar>("Min", S(Int(&TscTrackBar::SetMin)));
            C.Define<TscTrackBar>("Max", S(Int(&TscTrackBar::SetMax)));
            C.Define<TscTrackBar>("Position", S(Int(&TscTrackBar::SetPosition)));
            C.Define<TscTrackBar>("PageSize", S(Int(&TscTrackBar::SetPageSize)));
            C.Define<TscTrackBar>("LineSize", S(Int(&TscTrackBar::SetLineSize)));
            C.Define<TscTrackBar>("Frequency", S(Int(&TscTrackBar::SetFrequency)));
            C.Define<TscTrackBar>("Orientation", S([](TscTrackBar& O, const TFormValue& V, TFormReader& R) {
                                      O.SetOrientation(R.Enum<TscProgressBarOrientation>(V, {"scHorizontal", "scVertical"}));
                                  }));
            C.Define<TscTrackBar>("ShowTick", S([](TscTrackBar& O, const TFormValue& V, TFormReader& R) {
                                      O.SetShowTick(R.Bool(V));
                                  }));
            C.Define<TscTrackBar>("Transparent", S([](TscTrackBar& O, const TFormValue& V, TFormReader& R) {
                                      O.SetTransparent(R.Bool(V));
                                  }));
            C.Define<TscTrackBar>("OnChange", S([](TscTrackBar& O, const TFormValue& V, TFormReader& R) {
                                      O.OnChange = R.Method<TNotifyEvent>(V);
                                  }));
        });
    return CI;
}
