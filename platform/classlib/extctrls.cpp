#include "platform/classlib/extctrls.h"

#include <algorithm>

#include "platform/classlib/formload.h"
#include "platform/classlib/jpeg.h"
#include "platform/classlib/pngimage.h"

namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;
const char* const TimerWindowClass = "TPUtilWindow";
}  // namespace

// ---- TTimer -------------------------------------------------------------------------
TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
    WNDCLASSA WC{};
    WC.lpfnWndProc = TimerWndProc;
    WC.lpszClassName = TimerWindowClass;
    WNDCLASSA Existing{};
    if (!GetClassInfoA(/*hInstance=*/nullptr, TimerWindowClass, &Existing)) RegisterClassA(&WC);
    FWindow = CreateWindowExA(0, TimerWindowClass, "", WS_POPUP, 0, 0, 0, 0, /*hWndParent=*/nullptr, /*hMenu=*/nullptr,
                              /*hInstance=*/nullptr, /*lpParam=*/nullptr);
    SetWindowLongPtrA(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TTimer::~TTimer() {
    FEnabled = false;
    if (FRunning) KillTimer(FWindow, 1);
    if (FWindow) {
        SetWindowLongPtrA(FWindow, GWLP_USERDATA, 0);
        DestroyWindow(FWindow);
    }
}

LRESULT TTimer::TimerWndProc(HWND W, UINT Msg, WPARAM WP, LPARAM LP) {
    if (Msg == WM_TIMER) {
        auto* T = reinterpret_cast<TTimer*>(GetWindowLongPtrA(W, GWLP_USERDATA));
        if (T && T->FEnabled && T->OnTimer) {
            try {
                T->OnTimer(T);
            } catch (...) {
                if (ControlExceptionHandler) ControlExceptionHandler(std::current_exception());
            }
        }
        return 0;
    }
    return DefWindowProcA(W, Msg, WP, LP);
}

void TTimer::UpdateTimer() {
    if (FRunning) KillTimer(FWindow, 1);
    FRunning = false;
    if (ComponentState().Contains(csLoading)) return;
    if (FInterval != 0 && FEnabled && OnTimer) FRunning = SetTimer(FWindow, 1, FInterval, /*lpTimerFunc=*/nullptr) != 0;
}

void TTimer::SetEnabled(bool Value) {
    if (Value == FEnabled) return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(UINT Value) {
    if (Value == FInterval) return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
    OnTimer = std::move(Value);
    UpdateTimer();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    UpdateTimer();
}

// ---- Panels ---------------------------------------------------------------------------
void Frame3D(TCanvas& Canvas, TRect& R, TColor TopColor, TColor BottomColor, int Width) {
    R.right -= 1;
    R.bottom -= 1;
    for (int I = 0; I < Width; ++I) {
        Canvas.Pen().SetColor(TopColor);
        Canvas.Polyline({POINT{R.left, R.bottom}, POINT{R.left, R.top}, POINT{R.right, R.top}});
        Canvas.Pen().SetColor(BottomColor);
        Canvas.Polyline({POINT{R.right, R.top}, POINT{R.right, R.bottom}, POINT{R.left - 1, R.bottom}});
        R.left += 1;
        R.top += 1;
        R.right -= 1;
        R.bottom -= 1;
    }
    R.right += 1;
    R.bottom += 1;
}

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    ParentBackground = true;
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque, csDoubleClicks,
                    csCustomPaint};
    FColor = clBtnFace;
    FWidth = 185;
    FHeight = 41;
}

TRect TCustomPanel::ClientRect() {
    TRect R = TCustomControl::ClientRect();
    int B = BorderWidth + (BevelOuter != bvNone ? BevelWidth : 0) + (BevelInner != bvNone ? BevelWidth : 0);
    if (BorderStyle == bsSingleBorder) B += 1;
    R.left += B;
    R.top += B;
    R.right = std::max<LONG>(R.left, R.right - B);
    R.bottom = std::max<LONG>(R.top, R.bottom - B);
    return R;
}

void TCustomPanel::Paint() {
    TCanvas& C = Canvas();
    TRect R = TCustomControl::ClientRect();
    auto Colors = [](TBevelCut Cut, TColor& Top, TColor& Bottom) {
        Top = Cut == bvLowered ? clBtnShadow : clBtnHighlight;
        Bottom = Cut == bvLowered ? clBtnHighlight : clBtnShadow;
    };
    if (BorderStyle == bsSingleBorder) Frame3D(C, R, clWindowFrame, clWindowFrame, 1);
    TColor Top, Bottom;
    if (BevelOuter != bvNone) {
        Colors(BevelOuter, Top, Bottom);
        Frame3D(C, R, Top, Bottom, BevelWidth);
    }
    Frame3D(C, R, Color(), Color(), BorderWidth);
    if (BevelInner != bvNone) {
        Colors(BevelInner, Top, Bottom);
        Frame3D(C, R, Top, Bottom, BevelWidth);
    }
    C.Brush().SetColor(Color());
    C.FillRect(R);
    std::string Text = Caption();
    if (!Text.empty()) {
        C.Font().Assign(Font());
        C.Brush().SetStyle(bsClear);
        SIZE S = C.TextExtent(Text);
        int X = Alignment == taLeftJustify    ? R.left + 1
                : Alignment == taRightJustify ? R.right - S.cx - 1
                                              : R.left + (R.Width() - S.cx) / 2;
        int Y = R.top + (R.Height() - S.cy) / 2;
        if (!Enabled()) C.Font().SetColor(clGrayText);
        C.TextRect(R, X, Y, Text);
    }
    if (OnPaint) OnPaint(this);
}

// ---- TBevel ------------------------------------------------------------------------------
TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 50;
    FHeight = 50;
    ControlStyle.Exclude(csClickEvents);
}

void TBevel::Paint() {
    TCanvas& C = Canvas();
    TColor Top = Style == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor Bottom = Style == bsLowered ? clBtnHighlight : clBtnShadow;
    TRect R(0, 0, Width(), Height());
    auto Line = [&](TColor Col, int X1, int Y1, int X2, int Y2) {
        C.Pen().SetColor(Col);
        C.MoveTo(X1, Y1);
        C.LineTo(X2, Y2);
    };
    switch (Shape) {
        case bsBox: Frame3D(C, R, Top, Bottom, 1); break;
        case bsFrame: {
            TRect R2 = R;
            R2.left += 1;
            R2.top += 1;
            Frame3D(C, R2, Bottom, Bottom, 1);
            R.right -= 1;
            R.bottom -= 1;
            Frame3D(C, R, Top, Top, 1);
            break;
        }
        case bsTopLine:
            Line(Top, 0, 0, Width(), 0);
            Line(Bottom, 0, 1, Width(), 1);
            break;
        case bsBottomLine:
            Line(Top, 0, Height() - 2, Width(), Height() - 2);
            Line(Bottom, 0, Height() - 1, Width(), Height() - 1);
            break;
        case bsLeftLine:
            Line(Top, 0, 0, 0, Height());
            Line(Bottom, 1, 0, 1, Height());
            break;
        case bsRightLine:
            Line(Top, Width() - 2, 0, Width() - 2, Height());
            Line(Bottom, Width() - 1, 0, Width() - 1, Height());
            break;
        case bsSpacer: break;
    }
}

// ---- TImage -------------------------------------------------------------------------------
TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
    FWidth = 105;
    FHeight = 105;
    FPicture->OnChange = [this](TObject*) {
        if (AutoSize && FPicture->Width() > 0) SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
        Invalidate();
    };
}

TImage::~TImage() = default;

void TImage::Paint() {
    TGraphic* G = FPicture->Graphic();
    if (!G || G->Empty()) return;
    int W = G->Width(), H = G->Height();
    TRect R;
    if (Stretch || (Proportional && (W > Width() || H > Height()))) {
        if (Proportional) {
            double S = std::min(double(Width()) / W, double(Height()) / H);
            W = static_cast<int>(W * S);
            H = static_cast<int>(H * S);
            R = Bounds(Center ? (Width() - W) / 2 : 0, Center ? (Height() - H) / 2 : 0, W, H);
        } else {
            R = TRect(0, 0, Width(), Height());
        }
    } else {
        R = Center ? Bounds((Width() - W) / 2, (Height() - H) / 2, W, H) : Bounds(0, 0, W, H);
    }
    G->Transparent = Transparent || G->Transparent;
    if (R.Width() == G->Width() && R.Height() == G->Height())
        Canvas().Draw(R.left, R.top, *G);
    else
        Canvas().StretchDraw(R, *G);
}

void ReadPictureData(TPicture& Picture, const std::vector<unsigned char>& Data) {
    if (Data.empty()) {
        Picture.SetGraphic(nullptr);
        return;
    }
    size_t N = Data[0];
    if (1 + N > Data.size()) throw EInvalidGraphic("Picture data is cut short");
    std::string Class(reinterpret_cast<const char*>(Data.data() + 1), N);
    size_t Pos = 1 + N;
    std::unique_ptr<TGraphic> G;
    bool Sized = false;
    if (SameText(Class, "TBitmap")) {
        G = std::make_unique<TBitmap>();
        Sized = true;
    } else if (SameText(Class, "TJPEGImage")) {
        G = std::make_unique<TJPEGImage>();
        Sized = true;
    } else if (SameText(Class, "TPngImage") || SameText(Class, "TPNGObject")) {
        G = std::make_unique<TPngImage>();
    } else if (SameText(Class, "TIcon")) {
        G = std::make_unique<TIcon>();  // the .ico file data follows
    } else {
        throw EInvalidGraphic("Unknown picture class " + Class);
    }
    size_t Len = Data.size() - Pos;
    if (Sized) {
        if (Len < 4) throw EInvalidGraphic("Picture data is cut short");
        uint32_t Size = Data[Pos] | (Data[Pos + 1] << 8) | (Data[Pos + 2] << 16) | (uint32_t(Data[Pos + 3]) << 24);
        Pos += 4;
        if (Size > Data.size() - Pos) throw EInvalidGraphic("Picture data is cut short");
        Len = Size;
    }
    TMemoryStream S;
    if (Len) S.WriteBuffer(Data.data() + Pos, static_cast<int64_t>(Len));
    S.SetPosition(0);
    G->LoadFromStream(S);
    Picture.SetGraphic(std::move(G));
}

// ---- Class tables -------------------------------------------------------------------------
TClassInfo& TTimer::StaticClassInfo() {
    static TClassInfo CI("TTimer", &TComponent::StaticClassInfo(), CreateComponentOf<TTimer>, [](TClassInfo& C) {
        using S = TSetter<TTimer>;
        C.Define<TTimer>("Enabled", S([](TTimer& O, const TFormValue& V, TFormReader& R) { O.SetEnabled(R.Bool(V)); }));
        C.Define<TTimer>("Interval", S([](TTimer& O, const TFormValue& V, TFormReader& R) {
                             O.SetInterval(static_cast<UINT>(R.Int(V)));
                         }));
        C.Define<TTimer>("OnTimer", S([](TTimer& O, const TFormValue& V, TFormReader& R) {
                             O.SetOnTimer(R.Method<TNotifyEvent>(V));
                         }));
    });
    return CI;
}

TClassInfo& TCustomPanel::StaticClassInfo() {
    static TClassInfo CI("TCustomPanel", &TCustomControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        PublishCaption(C);
        PublishParentBackground(C);
        C.PublishEnum<TCustomPanel>("Alignment", {"taLeftJustify", "taRightJustify", "taCenter"},
                                    [](TCustomPanel& O) -> int64_t { return O.Alignment; },
                                    [](TCustomPanel& O, int64_t V) {
                                        O.Alignment = static_cast<TAlignment>(V);
                                        O.Invalidate();
                                    });
        C.PublishEnum<TCustomPanel>("BorderStyle", {"bsNone", "bsSingle"},
                                    [](TCustomPanel& O) -> int64_t { return O.BorderStyle; });
        using S = TSetter<TCustomPanel>;
        const std::initializer_list<const char*> Cuts = {"bvNone", "bvLowered", "bvRaised", "bvSpace"};
        C.Define<TCustomPanel>("BevelInner", S([Cuts](TCustomPanel& O, const TFormValue& V, TFormReader& R) {
                                   O.BevelInner = R.Enum<TBevelCut>(V, {"bvNone", "bvLowered", "bvRaised", "bvSpace"});
                                   O.Invalidate();
                               }));
        C.Define<TCustomPanel>("BevelOuter", S([](TCustomPanel& O, const TFormValue& V, TFormReader& R) {
                                   O.BevelOuter = R.Enum<TBevelCut>(V, {"bvNone", "bvLowered", "bvRaised", "bvSpace"});
                                   O.Invalidate();
                               }));
        C.Define<TCustomPanel>("BevelWidth", S([](TCustomPanel& O, const TFormValue& V, TFormReader& R) {
                                   O.BevelWidth = static_cast<int>(R.Int(V));
                               }));
        C.Define<TCustomPanel>("BorderWidth", S([](TCustomPanel& O, const TFormValue& V, TFormReader& R) {
                                   O.BorderWidth = static_cast<int>(R.Int(V));
                               }));
        C.Define<TCustomPanel>("BorderStyle", S([](TCustomPanel& O, const TFormValue& V, TFormReader& R) {
                                   O.BorderStyle = R.Enum<TBorderStyle>(V, {"bsNone", "bsSingle"});
                               }));
        C.Define<TCustomPanel>("Alignment", S([](TCustomPanel& O, const TFormValue& V, TFormReader& R) {
                                   O.Alignment = R.Enum<TAlignment>(V, {"taLeftJustify", "taRightJustify", "taCenter"});
                               }));
        C.Define("FullRepaint", [](TPersistent&, const TFormValue&, TFormReader&) {});
        (void)Cuts;
    });
    return CI;
}

TClassInfo& TPanel::StaticClassInfo() {
    static TClassInfo CI("TPanel", &TCustomPanel::StaticClassInfo(), CreateComponentOf<TPanel>);
    return CI;
}

TClassInfo& TBevel::StaticClassInfo() {
    static TClassInfo CI("TBevel", &TGraphicControl::StaticClassInfo(), CreateComponentOf<TBevel>, [](TClassInfo& C) {
        using S = TSetter<TBevel>;
        C.Define<TBevel>("Shape", S([](TBevel& O, const TFormValue& V, TFormReader& R) {
                             O.Shape = R.Enum<TBevelShape>(V, {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine",
                                                               "bsLeftLine", "bsRightLine", "bsSpacer"});
                         }));
        C.Define<TBevel>("Style", S([](TBevel& O, const TFormValue& V, TFormReader& R) {
                             O.Style = R.Enum<TBevelStyle>(V, {"bsLowered", "bsRaised"});
                         }));
    });
    return CI;
}

TClassInfo& TImage::StaticClassInfo() {
    static TClassInfo CI("TImage", &TGraphicControl::StaticClassInfo(), CreateComponentOf<TImage>, [](TClassInfo& C) {
        using S = TSetter<TImage>;
        C.Define<TImage>("Stretch", S([](TImage& O, const TFormValue& V, TFormReader& R) { O.Stretch = R.Bool(V); }));
        C.Define<TImage>("Center", S([](TImage& O, const TFormValue& V, TFormReader& R) { O.Center = R.Bool(V); }));
        C.Define<TImage>("Proportional",
                         S([](TImage& O, const TFormValue& V, TFormReader& R) { O.Proportional = R.Bool(V); }));
        C.Define<TImage>("Transparent",
                         S([](TImage& O, const TFormValue& V, TFormReader& R) { O.Transparent = R.Bool(V); }));
        C.Define<TImage>("AutoSize", S([](TImage& O, const TFormValue& V, TFormReader& R) { O.AutoSize = R.Bool(V); }));
        C.Define<TImage>("Picture.Data", S([](TImage& O, const TFormValue& V, TFormReader& R) {
                             ReadPictureData(O.Picture(), R.Binary(V));
                         }));
    });
    return CI;
}

void RegisterExtCtrlsClasses() {
    RegisterClasses({&TTimer::StaticClassInfo(), &TPanel::StaticClassInfo(), &TBevel::StaticClassInfo(),
                     &TImage::StaticClassInfo()});
}
