#include "controls/extra/gp_controls.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"

// ---- Progress bar ---------------------------------------------------------------------
TGpCustomProgressBar::TGpCustomProgressBar(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle.Include(csOpaque);
    Font().SetColor(FBarColor);
    SetBounds(0, 0, 200, 24);
}

TGpCustomProgressBar::~TGpCustomProgressBar() {
    if (FFrameController) FFrameController->DetachControl(this);
}

void TGpCustomProgressBar::Changed() {
    if (Parent()) Repaint();
}

#define GP_SETTER(Class, Name, Type, Field, After) \
    void Class::Set##Name(Type Value) {            \
        if (Value == Field) return;                \
        Field = Value;                             \
        After;                                     \
    }

GP_SETTER(TGpCustomProgressBar, BackColor, TColor, FBackColor, Changed())
GP_SETTER(TGpCustomProgressBar, BackColorStop, TColor, FBackColorStop, Changed())
GP_SETTER(TGpCustomProgressBar, BarColorStop, TColor, FBarColorStop, Changed())
GP_SETTER(TGpCustomProgressBar, BevelWidth, int, FBevelWidth, Changed())
GP_SETTER(TGpCustomProgressBar, BorderColor, TColor, FBorderColor, Changed())
GP_SETTER(TGpCustomProgressBar, BorderInner, TFrameStyleEx, FBorderInner, Changed())
GP_SETTER(TGpCustomProgressBar, BorderOuter, TFrameStyleEx, FBorderOuter, Changed())
GP_SETTER(TGpCustomProgressBar, BorderWidth, int, FBorderWidth, Changed())
GP_SETTER(TGpCustomProgressBar, FlatColor, TColor, FFlatColor, Invalidate())
GP_SETTER(TGpCustomProgressBar, FlatColorAdjustment, int, FFlatColorAdjustment, Invalidate())
GP_SETTER(TGpCustomProgressBar, GradientDirection, TGradientDirection, FGradientDirection, Changed())
GP_SETTER(TGpCustomProgressBar, InteriorOffset, uint8_t, FInteriorOffset, Changed())
GP_SETTER(TGpCustomProgressBar, Orientation, TOrientation, FOrientation, Changed())
GP_SETTER(TGpCustomProgressBar, ShowPercent, bool, FShowPercent, Changed())
GP_SETTER(TGpCustomProgressBar, ThemeAware, bool, FThemeAware, Invalidate())

void TGpCustomProgressBar::SetBarColor(TColor Value) {
    if (Value == FBarColor) return;
    FBarColor = Value;
    Font().SetColor(Value);
    Changed();
}

void TGpCustomProgressBar::SetBarStyle(TBarStyle Value) {
    if (Value == FBarStyle) return;
    FBarStyle = Value;
    FShowPercent = Value != bsLED;
    FInteriorOffset = Value == bsLED ? 1 : 0;
    Changed();
}

void TGpCustomProgressBar::SetNumSegments(int Value) {
    Value = std::clamp(Value, 1, 100);
    if (Value == FNumSegments) return;
    FNumSegments = Value;
    Changed();
}

void TGpCustomProgressBar::SetFrameController(TGpFrameController* Value) {
    if (Value == FFrameController) return;
    if (FFrameController) {
        FFrameController->DetachControl(this);
        FFrameController->RemoveFreeNotification(this);
    }
    FFrameController = Value;
    if (Value) {
        Value->FreeNotification(this);
        Value->AttachControl(this);
    }
}

void TGpCustomProgressBar::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFrameController) FFrameController = nullptr;
}

void TGpCustomProgressBar::SetPercent(uint16_t Value) {
    if (Value == FPercent) return;
    FPercent = Value;
    Change();
    Changed();
}

void TGpCustomProgressBar::Change() {
    if (OnChange) OnChange(this, FPercent);
}

void TGpCustomProgressBar::SetTotalParts(uint32_t Value) {
    Value = std::min<uint32_t>(Value, 2147483647u);
    if (Value == FTotalParts) return;
    FTotalParts = Value;
    if (!ComponentState().Contains(csLoading)) {
        FPartsComplete = 0;
        SetPercent(0);
    }
}

void TGpCustomProgressBar::SetPartsComplete(uint32_t Value) {
    if (Value == FPartsComplete) return;
    if (Value > FTotalParts) Value = FTotalParts;
    FPartsComplete = Value;
    if (!ComponentState().Contains(csLoading) && FTotalParts != 0)
        SetPercent(static_cast<uint16_t>((uint64_t(Value) * 200 / FTotalParts + 1) / 2));
}

void TGpCustomProgressBar::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TGraphicControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    SetOrientation(Width() < Height() ? orVertical : orHorizontal);
}

void TGpCustomProgressBar::UpdateFrame(TGpFrameController& Controller, int Code) {
    (void)Code;
    if (!Controller.FrameVisible()) return;
    const auto N = FNotifications;
    if (N.Contains(fcpFrameStyle)) SetBorderOuter(Controller.FrameStyle());
    if (N.Contains(fcpFrameColor)) {
        SetFlatColor(Controller.FrameColor());
        SetFlatColorAdjustment(0);
    }
    if (N.Contains(fcpColor)) SetBackColor(Controller.Color());
    if (N.Contains(fcpParentColor)) SetParentColor(Controller.ParentColor());
    Invalidate();
}

TRect TGpCustomProgressBar::FilledPart(const TRect& R) const {
    TRect F = R;
    if (FPercent >= 100) return F;
    if (FOrientation == orVertical)
        F.top = R.bottom - static_cast<LONG>((int64_t(R.bottom - R.top) * FPercent * 2 + 100) / 200);
    else
        F.right = R.left + static_cast<LONG>((int64_t(R.right - R.left) * FPercent * 2 + 100) / 200);
    return F;
}

void TGpCustomProgressBar::DrawPercentText(TCanvas& C, const TRect& R, const TRect& Filled, TColor FilledText,
                                           TColor EmptyText) {
    char Text[16];
    std::snprintf(Text, sizeof Text, "%u%%", static_cast<unsigned>(FPercent));
    C.Font().Assign(Font());
    C.Brush().SetStyle(bsClear);
    const int X = (R.left + R.right) / 2;
    const int Y = R.top + (R.bottom - R.top - C.TextHeight("X")) / 2;
    HDC DC = C.Handle();
    const UINT OldAlign = SetTextAlign(DC, TA_CENTER | TA_TOP);
    // The empty part: whatever of R is not filled.
    TRect Empty = R;
    if (FOrientation == orVertical)
        Empty.bottom = Filled.top;
    else
        Empty.left = Filled.right;
    for (int Pass = 0; Pass < 2; ++Pass) {
        const TRect& Clip = Pass == 0 ? Filled : Empty;
        if (Clip.right <= Clip.left || Clip.bottom <= Clip.top) continue;
        const int Saved = SaveDC(DC);
        IntersectClipRect(DC, Clip.left, Clip.top, Clip.right, Clip.bottom);
        C.Font().SetColor(Pass == 0 ? FilledText : EmptyText);
        C.TextOut(X, Y, Text);
        RestoreDC(DC, Saved);
    }
    SetTextAlign(DC, OldAlign);
}

void TGpCustomProgressBar::PaintBar(TCanvas& C) {
    TRect R(0, 0, Width(), Height());
    C.Brush().SetStyle(bsSolid);
    C.Brush().SetColor(FBorderColor);
    C.FillRect(R);
    TBorderFrameSetup F;
    F.Outer = FBorderOuter;
    F.Inner = FBorderInner;
    F.ProgressBarMode = true;
    F.ParentColor = Parent() ? Parent()->Color() : clBtnFace;
    F.Color = FBackColor;
    F.FlatColor = FFlatColor;
    F.FlatAdjustment = FFlatColorAdjustment;
    F.Shadow = clBtnShadow;
    F.Highlight = clBtnHighlight;
    F.BorderColor = FBorderColor;
    F.BevelWidth = FBevelWidth;
    F.BorderWidth = FBorderWidth;
    R = PaintBorderFrames(C, R, F);
    if (FInteriorOffset > 0) {
        C.Brush().SetColor(FBackColor);
        for (int I = 0; I < FInteriorOffset && R.right > R.left && R.bottom > R.top; ++I) {
            C.FrameRect(R);
            R = TRect(R.left + 1, R.top + 1, R.right - 1, R.bottom - 1);
        }
    }
    if (R.right <= R.left || R.bottom <= R.top) return;
    C.Brush().SetStyle(bsSolid);
    if (FBarStyle == bsLED) {
        const bool Vertical = FOrientation == orVertical;
        const int L = Vertical ? R.bottom - R.top : R.right - R.left;
        int N = FNumSegments;
        int S = L / N;
        if (L <= 80 && N > 10) {
            S = L / 10;
            N = 10;
        }
        if (S != 0) N += (L - S * N) / S;
        const int M = (L - S * N) / 2;
        C.Pen().SetStyle(psClear);
        C.Brush().SetColor(FBackColor);
        if (Vertical) {
            C.FillRect(TRect(R.left, R.top, R.right, R.top + M));
            C.FillRect(TRect(R.left, R.bottom - M, R.right, R.bottom));
        } else {
            C.FillRect(TRect(R.left, R.top, R.left + M, R.bottom));
            C.FillRect(TRect(R.right - M, R.top, R.right, R.bottom));
        }
        // Never more than N segments lit, whatever the percent.
        const int Lit = static_cast<int>(std::min<int64_t>(int64_t(FPercent) * N / 100, N));
        C.Pen().SetStyle(psSolid);
        C.Pen().SetColor(FBackColor);
        for (int K = 1; K <= N && S > 0; ++K) {
            C.Brush().SetColor(K <= Lit ? FBarColor : FBackColor);
            if (Vertical) {
                const int Top = R.top + M + (N - K) * S;
                C.Rectangle(R.left, Top, R.right, Top + S);
            } else {
                const int Left = R.left + M + (K - 1) * S;
                C.Rectangle(Left, R.top, Left + S, R.bottom);
            }
        }
        return;
    }
    const TRect Filled = FilledPart(R);
    TRect Empty = R;
    if (FOrientation == orVertical)
        Empty.bottom = Filled.top;
    else
        Empty.left = Filled.right;
    if (FBarStyle == bsGradient) {
        DrawGradientRect(C, Filled, FGradientDirection, /*StopColor=*/FBarColorStop, /*StartColor=*/FBarColor);
        DrawGradientRect(C, Empty, FGradientDirection, /*StopColor=*/FBackColorStop, /*StartColor=*/FBackColor);
    } else {
        C.Brush().SetColor(FBarColor);
        if (Filled.right > Filled.left && Filled.bottom > Filled.top) C.FillRect(Filled);
        C.Brush().SetColor(FBackColor);
        if (Empty.right > Empty.left && Empty.bottom > Empty.top) C.FillRect(Empty);
    }
    if (FShowPercent) DrawPercentText(C, R, Filled, FBackColor, FBarColor);
}

void TGpCustomProgressBar::Paint() {
    if (Width() <= 0 || Height() <= 0) return;
    TBitmap Off(Width(), Height(), pf24bit);
    Off.Canvas().Font().Assign(Font());
    PaintBar(Off.Canvas());
    Canvas().Draw(0, 0, Off);
}

// ---- Panel -----------------------------------------------------------------------------
TGpCustomPanel::TGpCustomPanel(TComponent* AOwner) : TCustomPanel(AOwner) {
    ControlStyle.Exclude(csSetCaption);
    ControlStyle.Include(csOpaque);
    BevelOuter = bvNone;
    BevelInner = bvNone;
}

TGpCustomPanel::~TGpCustomPanel() {
    if (FFrameController) FFrameController->DetachControl(this);
}

void TGpCustomPanel::Changed(bool Realign, bool TransparentChildren) {
    if (Realign) TWinControl::Realign();
    Invalidate();
    if (TransparentChildren) InvalidateTransparentChildren(*this);
}

GP_SETTER(TGpCustomPanel, AlignmentVertical, TAlignmentVertical, FAlignmentVertical, Changed())
GP_SETTER(TGpCustomPanel, BorderColor, TColor, FBorderColor, Changed())
GP_SETTER(TGpCustomPanel, BorderInner, TFrameStyleEx, FBorderInner, Changed(true))
GP_SETTER(TGpCustomPanel, BorderOuter, TFrameStyleEx, FBorderOuter, Changed(true))
GP_SETTER(TGpCustomPanel, BorderSides, TSides, FBorderSides, Changed(true))
GP_SETTER(TGpCustomPanel, BorderHighlight, TColor, FBorderHighlight, Changed())
GP_SETTER(TGpCustomPanel, BorderShadow, TColor, FBorderShadow, Changed())
GP_SETTER(TGpCustomPanel, FlatColor, TColor, FFlatColor, Changed())
GP_SETTER(TGpCustomPanel, FlatColorAdjustment, int, FFlatColorAdjustment, Changed())
GP_SETTER(TGpCustomPanel, GradientColorStyle, TGpGradientColorStyle, FGradientColorStyle, Changed())
GP_SETTER(TGpCustomPanel, GradientColorStart, TColor, FGradientColorStart, Changed(false, true))
GP_SETTER(TGpCustomPanel, GradientColorStop, TColor, FGradientColorStop, Changed(false, true))
GP_SETTER(TGpCustomPanel, GradientDirection, TGradientDirection, FGradientDirection, Changed(false, true))
GP_SETTER(TGpCustomPanel, GridColor, TColor, FGridColor, Changed())
GP_SETTER(TGpCustomPanel, GridStyle, TGpGridStyle, FGridStyle, Changed())
GP_SETTER(TGpCustomPanel, GridXSize, int, FGridXSize, Changed())
GP_SETTER(TGpCustomPanel, GridYSize, int, FGridYSize, Changed())
GP_SETTER(TGpCustomPanel, PaintClientArea, bool, FPaintClientArea, Changed())
GP_SETTER(TGpCustomPanel, ShowGrid, bool, FShowGrid, Changed())
GP_SETTER(TGpCustomPanel, TextMargin, int, FTextMargin, Changed())
GP_SETTER(TGpCustomPanel, TextMarginVertical, int, FTextMarginVertical, Changed())
GP_SETTER(TGpCustomPanel, WordWrap, bool, FWordWrap, Changed())
GP_SETTER(TGpCustomPanel, VisualStyle, TGpVisualStyle, FVisualStyle, Changed())

void TGpCustomPanel::SetTransparent(bool Value) {
    if (Value == FTransparent) return;
    FTransparent = Value;
    if (Value)
        ControlStyle.Exclude(csOpaque);
    else
        ControlStyle.Include(csOpaque);
    Invalidate();
    for (int I = 0; I < ControlCount(); ++I) Controls(I)->Invalidate();
}

void TGpCustomPanel::SetFrameController(TGpFrameController* Value) {
    if (Value == FFrameController) return;
    if (FFrameController) {
        FFrameController->DetachControl(this);
        FFrameController->RemoveFreeNotification(this);
    }
    FFrameController = Value;
    if (Value) {
        Value->FreeNotification(this);
        Value->AttachControl(this);
    }
}

void TGpCustomPanel::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FFrameController) FFrameController = nullptr;
    if (Operation == opRemove) {
        // A dock client going away gives its room back.
        const auto It = std::find(FDockClients.begin(), FDockClients.end(), AComponent);
        if (It != FDockClients.end()) {
            FDockRects.clear();
            FDockClients.erase(It);
        }
    }
}

void TGpCustomPanel::UpdateFrame(TGpFrameController& Controller, int Code) {
    (void)Code;
    if (!Controller.FrameVisible()) return;
    const auto N = FNotifications;
    if (N.Contains(fcpFrameStyle)) SetBorderOuter(Controller.FrameStyle());
    if (N.Contains(fcpFrameSides)) SetBorderSides(Controller.FrameSides());
    if (N.Contains(fcpFrameColor)) {
        SetFlatColor(Controller.FrameColor());
        SetFlatColorAdjustment(0);
    }
    if (N.Contains(fcpColor)) SetColor(Controller.Color());
    if (N.Contains(fcpParentColor)) SetParentColor(Controller.ParentColor());
    if (N.Contains(fcpColor)) {
        SetBorderHighlight(LightenColor(Color(), 100));
        SetBorderShadow(DarkenColor(Color(), 50));
    }
    Invalidate();
}

TRect TGpCustomPanel::AdjustBorderRect(TRect R, bool IncludeBorderWidth) const {
    if (IncludeBorderWidth) R = TRect(R.left + BorderWidth, R.top + BorderWidth, R.right - BorderWidth,
                                      R.bottom - BorderWidth);
    const int W = FrameStyleWidth(FBorderOuter, BevelWidth) + FrameStyleWidth(FBorderInner, BevelWidth);
    if (FBorderSides.Contains(sdLeft)) R.left += W;
    if (FBorderSides.Contains(sdTop)) R.top += W;
    if (FBorderSides.Contains(sdRight)) R.right -= W;
    if (FBorderSides.Contains(sdBottom)) R.bottom -= W;
    return R;
}

TRect TGpCustomPanel::ClientRect() {
    TRect R = AdjustBorderRect(GetPanelRect(), /*IncludeBorderWidth=*/true);
    R.right = std::max(R.left, R.right);
    R.bottom = std::max(R.top, R.bottom);
    return R;
}

void TGpCustomPanel::AlignControls(TControl* AControl, TRect& Rect) {
    Rect = AdjustBorderRect(GetPanelRect(), /*IncludeBorderWidth=*/false);
    if (!UsesDockManager()) {
        TCustomPanel::AlignControls(AControl, Rect);
        return;
    }
    // The visible dock clients share the room in equal parts.
    std::vector<TWinControl*> Shown;
    for (TWinControl* C : FDockClients)
        if (C->Visible()) Shown.push_back(C);
    FDockRects.assign(FDockClients.size(), TRect());
    const int N = static_cast<int>(Shown.size());
    const bool Across = GrabbersOnLeft();
    for (int I = 0; I < N; ++I) {
        TRect D = Rect;
        if (Across) {
            D.left = Rect.left + Rect.Width() * I / N;
            D.right = Rect.left + Rect.Width() * (I + 1) / N;
        } else {
            D.top = Rect.top + Rect.Height() * I / N;
            D.bottom = Rect.top + Rect.Height() * (I + 1) / N;
        }
        const auto Index = std::find(FDockClients.begin(), FDockClients.end(), Shown[I]) - FDockClients.begin();
        FDockRects[static_cast<size_t>(Index)] = D;
        if (Across)
            Shown[I]->SetBounds(D.left + 14, D.top, std::max<int>(0, D.Width() - 14), D.Height());
        else
            Shown[I]->SetBounds(D.left, D.top + 14, D.Width(), std::max<int>(0, D.Height() - 14));
    }
}

void TGpCustomPanel::DockClient(TWinControl* Client) {
    if (!Client || !DockSite) return;
    // Grabbers and clients repaint without flicker from here on.
    if (UseDockManager) DoubleBuffered = true;
    if (std::find(FDockClients.begin(), FDockClients.end(), Client) == FDockClients.end())
        FDockClients.push_back(Client);
    Client->FreeNotification(this);
    Client->SetAlign(alNone);
    Client->SetParent(this);
    Client->SetVisible(true);
    TWinControl::Realign();
    Invalidate();
}

void TGpCustomPanel::CloseDockClient(TWinControl* Client) {
    if (std::find(FDockClients.begin(), FDockClients.end(), Client) == FDockClients.end()) return;
    Client->SetVisible(false);
    TWinControl::Realign();
    Invalidate();
}

TRect TGpCustomPanel::DockRect(TWinControl* Client) {
    const auto It = std::find(FDockClients.begin(), FDockClients.end(), Client);
    if (It == FDockClients.end() || !Client->Visible()) return TRect();
    TWinControl::Realign();
    const auto Index = static_cast<size_t>(It - FDockClients.begin());
    return Index < FDockRects.size() ? FDockRects[Index] : TRect();
}

TRect TGpCustomPanel::CloseGlyphRect(TWinControl* Client) {
    const TRect D = DockRect(Client);
    if (D.Width() <= 0) return D;
    return GrabbersOnLeft() ? TRect(D.left + 1, D.top + 1, D.left + 12, D.top + 12)
                            : TRect(D.right - 15, D.top + 1, D.right - 2, D.top + 12);
}

void TGpCustomPanel::DrawGrabbers(TCanvas& C) {
    const bool Left = GrabbersOnLeft();
    for (size_t I = 0; I < FDockClients.size() && I < FDockRects.size(); ++I) {
        TWinControl* Client = FDockClients[I];
        if (!Client->Visible()) continue;
        const TRect D = FDockRects[I];
        const TRect G = Left ? TRect(D.left, D.top, D.left + 14, D.bottom) : TRect(D.left, D.top, D.right, D.top + 14);
        if (!ShowDockClientCaptions) {
            // The plain grabber: two raised bars along the side.
            for (int K = 0; K < 2; ++K) {
                const TRect Bar = Left ? TRect(G.left + 3 + K * 4, G.top + 2, G.left + 6 + K * 4, G.bottom - 2)
                                       : TRect(G.left + 2, G.top + 3 + K * 4, G.right - 2, G.top + 6 + K * 4);
                DrawFrameSides(C, Bar, clBtnHighlight, clBtnShadow, AllSides());
            }
            continue;
        }
        const bool Active = Client->Focused();
        C.Brush().SetStyle(bsSolid);
        C.Brush().SetColor(Active ? clActiveCaption : clInactiveCaption);
        C.FillRect(G);
        C.Font().SetName("Verdana");
        C.Font().SetSize(8);
        C.Font().SetStyle({});
        C.Font().SetColor(Active ? clCaptionText : clInactiveCaptionText);
        C.Brush().SetStyle(bsClear);
        const std::string Caption = Client->Caption();
        HDC DC = C.Handle();
        if (Left) {
            HFONT Rotated = CreateRotatedFontHandle(C.Font(), 90);
            HGDIOBJ Old = SelectObject(DC, Rotated);
            const UINT OldAlign = SetTextAlign(DC, TA_BASELINE | TA_LEFT);
            SetBkMode(DC, TRANSPARENT);
            SetTextColor(DC, static_cast<COLORREF>(ColorToRGB(C.Font().Color())));
            const int Saved = SaveDC(DC);
            IntersectClipRect(DC, G.left, G.top + 14, G.right, G.bottom);
            TextOutA(DC, G.right - 2, G.bottom - 3, Caption.c_str(), static_cast<int>(Caption.size()));
            RestoreDC(DC, Saved);
            SetTextAlign(DC, OldAlign);
            SelectObject(DC, Old);
            DeleteObject(Rotated);
        } else {
            const int Saved = SaveDC(DC);
            IntersectClipRect(DC, G.left, G.top, G.right - 16, G.bottom);
            C.TextOut(G.left + 2, G.top, Caption);
            RestoreDC(DC, Saved);
        }
        // The close glyph: an x across its box (no symbol font here).
        const TRect X = CloseGlyphRect(Client);
        C.Pen().SetStyle(psSolid);
        C.Pen().SetColor(C.Font().Color());
        const int Side = std::min(X.Width(), X.Height()) - 4;
        const int X0 = X.left + (X.Width() - Side) / 2, Y0 = X.top + (X.Height() - Side) / 2;
        C.MoveTo(X0, Y0);
        C.LineTo(X0 + Side, Y0 + Side);
        C.MoveTo(X0 + Side - 1, Y0);
        C.LineTo(X0 - 1, Y0 + Side);
    }
}

void TGpCustomPanel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    // Bottom and right aligned panels keep their outer edge where it is.
    if (Align() == alBottom && AHeight != Height() && !ComponentState().Contains(csLoading))
        ATop = Top() + Height() - AHeight;
    if (Align() == alRight && AWidth != Width() && !ComponentState().Contains(csLoading))
        ALeft = Left() + Width() - AWidth;
    TCustomPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TGpCustomPanel::GetGradientColors(TColor& Start, TColor& Stop) const {
    if (FGradientColorStyle == gcsCustom) {
        Start = FGradientColorStart;
        Stop = FGradientColorStop;
    } else {
        GetGradientColorsForStyle(FGradientColorStyle, Start, Stop);
    }
}

void TGpCustomPanel::GetFlatColors(TColor& C, int& Adjustment) const {
    if (FVisualStyle == vsGradient && FGradientColorStyle != gcsCustom) {
        C = GetGradientFrameColorForStyle(FGradientColorStyle);
        Adjustment = 0;
    } else {
        C = FFlatColor;
        Adjustment = FFlatColorAdjustment;
    }
}

void TGpCustomPanel::EnabledChanged() {
    if (!Enabled()) {
        FEnabledStates.clear();
        for (int I = 0; I < ControlCount(); ++I) FEnabledStates.emplace_back(Controls(I), Controls(I)->Enabled());
        for (int I = 0; I < ControlCount(); ++I) Controls(I)->SetEnabled(false);
    } else {
        for (int I = 0; I < ControlCount(); ++I) {
            TControl* C = Controls(I);
            auto It = std::find_if(FEnabledStates.begin(), FEnabledStates.end(),
                                   [C](const auto& P) { return P.first == C; });
            C->SetEnabled(It == FEnabledStates.end() || It->second);
        }
        FEnabledStates.clear();
    }
    TCustomPanel::EnabledChanged();
    Repaint();
}

void TGpCustomPanel::WndProc(TMessage& M) {
    switch (M.Msg) {
        case WM_ERASEBKGND:
            if (DoubleBuffered && M.WParam != static_cast<WPARAM>(M.LParam)) break;  // erased in memory instead
            if (FTransparent && FPaintClientArea) {
                PaintParentIntoDC(*this, reinterpret_cast<HDC>(M.WParam), /*InvalidateParent=*/true);
                M.Result = 1;
                return;
            }
            break;
        case WM_WINDOWPOSCHANGING:
            if (HandleAllocated()) {
                RECT W;
                GetWindowRect(Handle(), &W);
                FOldWidth = W.right - W.left;
                FOldHeight = W.bottom - W.top;
            }
            break;
        case WM_WINDOWPOSCHANGED:
            if (const auto* P = reinterpret_cast<const WINDOWPOS*>(M.LParam); P && HandleAllocated()) {
                if (FullRepaint || !Caption().empty() || FOldWidth < 0) {
                    Invalidate();
                } else {
                    // The window shows the newly uncovered part itself; the old
                    // frame's strips become interior.
                    const TRect In = AdjustBorderRect(TRect(0, 0, FOldWidth, FOldHeight), /*IncludeBorderWidth=*/true);
                    if (P->cx != FOldWidth) {
                        const RECT R{In.right - 1, 0, FOldWidth, FOldHeight};
                        InvalidateRect(Handle(), &R, TRUE);
                    }
                    if (P->cy != FOldHeight) {
                        const RECT R{0, In.bottom - 1, FOldWidth, FOldHeight};
                        InvalidateRect(Handle(), &R, TRUE);
                    }
                }
            }
            break;
        case WM_COMMAND:
        case WM_MOUSEACTIVATE:
            // The active client's grabber colours may change.
            if (UsesDockManager()) Invalidate();
            break;
        case WM_THEMECHANGED:
            TCustomPanel::WndProc(M);
            RereadXPColorScheme();
            return;
        case CM_MOUSEENTER:
            TCustomPanel::WndProc(M);
            if (!ComponentState().Contains(csDesigning) && OnMouseEnter) OnMouseEnter(this);
            return;
        case CM_MOUSELEAVE:
            TCustomPanel::WndProc(M);
            if (OnMouseLeave) OnMouseLeave(this);
            return;
        default: break;
    }
    TCustomPanel::WndProc(M);
}

void TGpCustomPanel::Paint() {
    TCanvas& C = Canvas();
    TColor FlatC;
    int FlatAdj;
    GetFlatColors(FlatC, FlatAdj);
    TBorderFrameSetup F;
    F.Outer = FBorderOuter;
    F.Inner = FBorderInner;
    F.Sides = FBorderSides;
    F.Transparent = FTransparent;
    F.ParentColor = Parent() ? Parent()->Color() : clBtnFace;
    F.Color = Color();
    F.FlatColor = FlatC;
    F.FlatAdjustment = FlatAdj;
    F.Shadow = FBorderShadow;
    F.Highlight = FBorderHighlight;
    F.BorderColor = FBorderColor;
    F.BevelWidth = BevelWidth;
    F.BorderWidth = BorderWidth;
    const TRect R = PaintBorderFrames(C, GetPanelRect(), F);
    if (!FTransparent && FPaintClientArea && R.right > R.left && R.bottom > R.top) {
        if (FVisualStyle == vsGradient) {
            TColor Start, Stop;
            GetGradientColors(Start, Stop);
            DrawGradientRect(C, R, FGradientDirection, /*StopColor=*/Stop, /*StartColor=*/Start);
        } else {
            C.Brush().SetStyle(bsSolid);
            C.Brush().SetColor(Color());
            C.FillRect(R);
        }
    }
    if (FShowGrid) DrawGrid(C, R);
    C.Brush().SetStyle(bsClear);
    if (UsesDockManager()) {
        DrawGrabbers(C);
        if (OnPaint) OnPaint(this);
        return;
    }
    DrawCaption(C, R);
    if (OnPaint) OnPaint(this);
}

void TGpCustomPanel::DrawCaption(TCanvas& C, TRect R) {
    const std::string Text = Caption();
    if (Text.empty()) return;
    C.Font().Assign(Font());
    R = TRect(R.left + FTextMargin, R.top + FTextMarginVertical, R.right - FTextMargin, R.bottom - FTextMarginVertical);
    UINT Flags = DT_EXPANDTABS | DT_VCENTER | (FWordWrap ? DT_WORDBREAK : 0);
    Flags |= Alignment == taLeftJustify ? DT_LEFT : Alignment == taRightJustify ? DT_RIGHT : DT_CENTER;
    HDC DC = C.Handle();
    RECT Calc = R;
    DrawTextA(DC, Text.c_str(), -1, &Calc, Flags | DT_CALCRECT);
    const int TextHeight = Calc.bottom - Calc.top;
    switch (FAlignmentVertical) {
        case avTop: R.bottom = std::min<LONG>(R.bottom, R.top + TextHeight); break;
        case avCenter:
            R.top = (R.bottom + R.top - TextHeight) / 2;
            R.bottom = std::min<LONG>(R.bottom, R.top + TextHeight);
            break;
        case avBottom: R.top = std::max<LONG>(R.top, R.bottom - TextHeight - 1); break;
    }
    if (!Enabled()) C.Font().SetColor(clGrayText);
    C.Brush().SetStyle(bsClear);
    DC = C.Handle();
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, static_cast<COLORREF>(ColorToRGB(C.Font().Color())));
    DrawTextA(DC, Text.c_str(), -1, &R, Flags);
}

void TGpCustomPanel::DrawGrid(TCanvas& C, const TRect& R) {
    const int W = R.right - R.left, H = R.bottom - R.top;
    const int NX = FGridXSize > 0 ? W / FGridXSize : 0;
    const int NY = FGridYSize > 0 ? H / FGridYSize : 0;
    if (FGridStyle == gsDots) {
        for (int I = 1; I <= NX; ++I)
            for (int J = 1; J <= NY; ++J) C.SetPixel(R.left + I * FGridXSize - 1, R.top + J * FGridYSize - 1, FGridColor);
        return;
    }
    for (int I = 1; I <= NX; ++I) {
        const int X = R.left + I * FGridXSize - 1;
        if (FGridStyle == gsSolidLines) {
            C.Pen().SetStyle(psSolid);
            C.Pen().SetColor(FGridColor);
            C.MoveTo(X, R.top);
            C.LineTo(X, R.bottom);
        } else {
            for (int Y = R.top + 1; Y < R.bottom; Y += 2) C.SetPixel(X, Y, FGridColor);
        }
    }
    for (int J = 1; J <= NY; ++J) {
        const int Y = R.top + J * FGridYSize - 1;
        if (FGridStyle == gsSolidLines) {
            C.Pen().SetStyle(psSolid);
            C.Pen().SetColor(FGridColor);
            C.MoveTo(R.left, Y);
            C.LineTo(R.right, Y);
        } else {
            for (int X = R.left + 1; X < R.right; X += 2) C.SetPixel(X, Y, FGridColor);
        }
    }
}

// ---- Class tables ---------------------------------------------------------------------
namespace {
template <class C>
using TSetter = std::function<void(C&, const TFormValue&, TFormReader&)>;

const std::initializer_list<const char*> GradientNames = {
    "gdDiagonalUp",   "gdDiagonalDown",   "gdHorizontalEnd", "gdHorizontalCenter", "gdHorizontalBox",
    "gdVerticalEnd",  "gdVerticalCenter", "gdVerticalBox",   "gdSquareBox",        "gdBigSquareBox"};
const std::initializer_list<const char*> SideNames = {"sdLeft", "sdTop", "sdRight", "sdBottom"};

template <class O>
void DefineColour(TClassInfo& C, const char* Name, void (O::*Set)(TColor)) {
    C.Define<O>(Name, TSetter<O>([Set](O& Obj, const TFormValue& V, TFormReader& R) {
                    (Obj.*Set)(ControlProps::ReadColor(R, V));
                }));
}
template <class O>
void DefineBool(TClassInfo& C, const char* Name, void (O::*Set)(bool)) {
    C.Define<O>(Name, TSetter<O>([Set](O& Obj, const TFormValue& V, TFormReader& R) { (Obj.*Set)(R.Bool(V)); }));
}
template <class O, class T>
void DefineInt(TClassInfo& C, const char* Name, void (O::*Set)(T), int64_t Low, int64_t High) {
    C.Define<O>(Name, TSetter<O>([Set, Name, Low, High](O& Obj, const TFormValue& V, TFormReader& R) {
                    const int64_t N = R.Int(V);
                    if (N < Low || N > High) R.Error(std::string(Name) + " is out of range");
                    (Obj.*Set)(static_cast<T>(N));
                }));
}
template <class O, class E>
void DefineEnum(TClassInfo& C, const char* Name, void (O::*Set)(E), std::initializer_list<const char*> Names) {
    // The list's own array ends with this call: keep a copy.
    std::vector<std::string> Kept(Names.begin(), Names.end());
    C.Define<O>(Name, TSetter<O>([Set, Kept](O& Obj, const TFormValue& V, TFormReader& R) {
                    const std::string& Ident = R.Ident(V);
                    for (size_t I = 0; I < Kept.size(); ++I)
                        if (SameText(Ident, Kept[I])) return (Obj.*Set)(static_cast<E>(I));
                    R.Error(R.PropertyPath() + ": invalid value " + Ident);
                }));
}
template <class O>
void DefineFrameController(TClassInfo& C) {
    C.Define<O>("FrameController", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) {
                    R.Reference(V, [&Obj](TComponent* Found) {
                        Obj.SetFrameController(dynamic_cast<TGpFrameController*>(Found));
                    });
                }));
    C.Define<O>("FrameControllerNotifications", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) {
                    Obj.SetFrameControllerNotifications(
                        R.Set<TGpFrameControllerPropertyConnection>(V, FrameControllerNotificationNames));
                }));
    C.Define<O>("About", TSetter<O>([](O&, const TFormValue&, TFormReader&) {}));
}
}  // namespace

TClassInfo& TGpCustomProgressBar::StaticClassInfo() {
    static TClassInfo CI("TGpCustomProgressBar", &TGraphicControl::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        using O = TGpCustomProgressBar;
        DefineColour<O>(C, "BackColor", &O::SetBackColor);
        DefineColour<O>(C, "BackColorStop", &O::SetBackColorStop);
        DefineColour<O>(C, "BarColor", &O::SetBarColor);
        DefineColour<O>(C, "BarColorStop", &O::SetBarColorStop);
        DefineEnum<O, TBarStyle>(C, "BarStyle", &O::SetBarStyle, {"bsTraditional", "bsLED", "bsGradient"});
        DefineInt<O, int>(C, "BevelWidth", &O::SetBevelWidth, 1, 1000);
        DefineColour<O>(C, "BorderColor", &O::SetBorderColor);
        DefineEnum<O, TFrameStyleEx>(C, "BorderInner", &O::SetBorderInner, FrameStyleNames);
        DefineEnum<O, TFrameStyleEx>(C, "BorderOuter", &O::SetBorderOuter, FrameStyleNames);
        DefineInt<O, int>(C, "BorderWidth", &O::SetBorderWidth, 0, 1000);
        DefineColour<O>(C, "FlatColor", &O::SetFlatColor);
        DefineInt<O, int>(C, "FlatColorAdjustment", &O::SetFlatColorAdjustment, INT32_MIN, INT32_MAX);
        DefineFrameController<O>(C);
        DefineEnum<O, TGradientDirection>(C, "GradientDirection", &O::SetGradientDirection, GradientNames);
        DefineInt<O, uint8_t>(C, "InteriorOffset", &O::SetInteriorOffset, 0, 255);
        DefineInt<O, int>(C, "NumSegments", &O::SetNumSegments, 1, 100);
        DefineEnum<O, TOrientation>(C, "Orientation", &O::SetOrientation, {"orHorizontal", "orVertical"});
        DefineInt<O, uint32_t>(C, "PartsComplete", &O::SetPartsComplete, 0, 2147483647);
        DefineInt<O, uint16_t>(C, "Percent", &O::SetPercent, 0, 65535);
        DefineBool<O>(C, "ShowPercent", &O::SetShowPercent);
        DefineBool<O>(C, "ThemeAware", &O::SetThemeAware);
        DefineInt<O, uint32_t>(C, "TotalParts", &O::SetTotalParts, 0, 2147483647);
        C.Define<O>("OnChange", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) {
                        Obj.OnChange = R.Method<TProgressChangeEvent>(V);
                    }));
    });
    return CI;
}

TClassInfo& TGpProgressBar::StaticClassInfo() {
    static TClassInfo CI("TGpProgressBar", &TGpCustomProgressBar::StaticClassInfo(), CreateComponentOf<TGpProgressBar>);
    return CI;
}

TClassInfo& TGpCustomPanel::StaticClassInfo() {
    static TClassInfo CI("TGpCustomPanel", &TCustomPanel::StaticClassInfo(), /*Create=*/nullptr, [](TClassInfo& C) {
        using O = TGpCustomPanel;
        DefineEnum<O, TAlignmentVertical>(C, "AlignmentVertical", &O::SetAlignmentVertical,
                                          {"avTop", "avCenter", "avBottom"});
        DefineColour<O>(C, "BorderColor", &O::SetBorderColor);
        DefineEnum<O, TFrameStyleEx>(C, "BorderInner", &O::SetBorderInner, FrameStyleNames);
        DefineEnum<O, TFrameStyleEx>(C, "BorderOuter", &O::SetBorderOuter, FrameStyleNames);
        C.Define<O>("BorderSides", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) {
                        Obj.SetBorderSides(R.Set<TSide>(V, SideNames));
                    }));
        DefineColour<O>(C, "BorderHighlight", &O::SetBorderHighlight);
        DefineColour<O>(C, "BorderShadow", &O::SetBorderShadow);
        DefineColour<O>(C, "FlatColor", &O::SetFlatColor);
        DefineInt<O, int>(C, "FlatColorAdjustment", &O::SetFlatColorAdjustment, INT32_MIN, INT32_MAX);
        DefineFrameController<O>(C);
        C.Define<O>("FullRepaint", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) {
                        Obj.FullRepaint = R.Bool(V);
                    }));
        DefineEnum<O, TGpGradientColorStyle>(C, "GradientColorStyle", &O::SetGradientColorStyle,
                                             {"gcsSystem", "gcsMSOffice", "gcsCustom"});
        DefineColour<O>(C, "GradientColorStart", &O::SetGradientColorStart);
        DefineColour<O>(C, "GradientColorStop", &O::SetGradientColorStop);
        DefineEnum<O, TGradientDirection>(C, "GradientDirection", &O::SetGradientDirection, GradientNames);
        DefineColour<O>(C, "GridColor", &O::SetGridColor);
        DefineEnum<O, TGpGridStyle>(C, "GridStyle", &O::SetGridStyle, {"gsDots", "gsDottedLines", "gsSolidLines"});
        DefineInt<O, int>(C, "GridXSize", &O::SetGridXSize, 0, 65535);
        DefineInt<O, int>(C, "GridYSize", &O::SetGridYSize, 0, 65535);
        C.Define<O>("Locked", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) { Obj.Locked = R.Bool(V); }));
        DefineBool<O>(C, "PaintClientArea", &O::SetPaintClientArea);
        C.Define<O>("ShowDockClientCaptions", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) {
                        Obj.ShowDockClientCaptions = R.Bool(V);
                    }));
        C.Define<O>("DockSite", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) { Obj.DockSite = R.Bool(V); }));
        C.Define<O>("UseDockManager", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) {
                        Obj.UseDockManager = R.Bool(V);
                    }));
        DefineBool<O>(C, "ShowGrid", &O::SetShowGrid);
        DefineInt<O, int>(C, "TextMargin", &O::SetTextMargin, INT32_MIN, INT32_MAX);
        DefineInt<O, int>(C, "TextMarginVertical", &O::SetTextMarginVertical, INT32_MIN, INT32_MAX);
        DefineBool<O>(C, "Transparent", &O::SetTransparent);
        DefineEnum<O, TGpVisualStyle>(C, "VisualStyle", &O::SetVisualStyle, {"vsClassic", "vsWinXP", "vsGradient"});
        DefineBool<O>(C, "WordWrap", &O::SetWordWrap);
        C.Define<O>("OnMouseEnter", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) {
                        Obj.OnMouseEnter = R.Method<TNotifyEvent>(V);
                    }));
        C.Define<O>("OnMouseLeave", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) {
                        Obj.OnMouseLeave = R.Method<TNotifyEvent>(V);
                    }));
        C.Define<O>("OnPaint", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) {
                        Obj.OnPaint = R.Method<TNotifyEvent>(V);
                    }));
        // Names older forms stored.
        C.Define<O>("FrameSides", TSetter<O>([](O&, const TFormValue& V, TFormReader& R) {
                        TGpOldPropReader::SkipSetValue(R, V);
                    }));
        C.Define<O>("ThemeAware", TSetter<O>([](O&, const TFormValue& V, TFormReader& R) {
                        TGpOldPropReader::SkipBooleanValue(R, V);
                    }));
        C.Define<O>("UseGradients", TSetter<O>([](O& Obj, const TFormValue& V, TFormReader& R) {
                        if (R.Bool(V)) Obj.SetVisualStyle(vsGradient);
                    }));
    });
    return CI;
}

TClassInfo& TGpPanel::StaticClassInfo() {
    static TClassInfo CI("TGpPanel", &TGpCustomPanel::StaticClassInfo(), CreateComponentOf<TGpPanel>);
    return CI;
}

void RegisterGpControls() {
    RegisterGpFrameController();
    RegisterClasses({&TGpProgressBar::StaticClassInfo(), &TGpPanel::StaticClassInfo()});
}
