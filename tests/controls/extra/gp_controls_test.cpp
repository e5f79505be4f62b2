// The gradient progress bar, the panel and the frame controller on forms of
// the headless screen.
#include <gtest/gtest.h>

#include <memory>

#include "controls/extra/gp_controls.h"
#include "controls/golden_png.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/testhooks.h"
#include "platform/gdi/surface.h"
#include "platform/screen/headless.h"
#include "platform/win/winscreen.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        RegisterGpControls();
    }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

// A TColor as the screen gives it (red in the high byte).
uint32_t Px(TColor C) {
    const uint32_t V = static_cast<uint32_t>(ColorToRGB(C));
    return ((V & 0xFF) << 16) | (V & 0xFF00) | ((V >> 16) & 0xFF);
}
constexpr TColor Blue = 0xD87E23;  // the system's bars

class GpForm : public ::testing::Test {
protected:
    void SetUp() override {
        F = new TForm(Application);
        F->SetBounds(50, 50, 420, 320);
        F->SetColor(clWhite);
    }
    void TearDown() override {
        F->Free();
        TestHooks::PumpPending();
    }
    void Show() {
        F->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form to show"));
        TestHooks::PumpPending();
    }
    uint32_t At(TControl* C, int X, int Y) {
        TestHooks::PumpPending();
        return WinHeadlessScreen()->DesktopPixel(C->ClientToScreen(POINT{X, Y})) & 0xFFFFFF;
    }
    template <class T>
    T* Add(int L, int Top, int W, int H) {
        auto* C = new T(F);
        C->SetParent(F);
        C->SetBounds(L, Top, W, H);
        return C;
    }
    // The system's setup of every bar.
    TGpProgressBar* SystemBar(int L, int Top, int W, int H, uint16_t Percent) {
        auto* B = Add<TGpProgressBar>(L, Top, W, H);
        B->SetBarStyle(bsGradient);
        B->SetBarColor(clWhite);
        B->SetBarColorStop(Blue);
        B->SetBackColor(clWhite);
        B->SetBackColorStop(clWhite);
        B->SetBorderColor(0x3E4444);
        B->SetBorderOuter(fsGroove);
        B->SetShowPercent(false);
        B->SetThemeAware(false);
        B->SetPercent(Percent);
        return B;
    }
    TForm* F = nullptr;
};

// Counts its paints.
class TCountingBar : public TGpProgressBar {
public:
    using TGpProgressBar::TGpProgressBar;
    int Paints = 0;

protected:
    void Paint() override {
        ++Paints;
        TGpProgressBar::Paint();
    }
};

TEST_F(GpForm, PercentPartsAndStyleFollowTheirRules) {
    Show();
    auto* B = Add<TCountingBar>(10, 10, 200, 20);
    std::vector<int32_t> Seen;
    B->OnChange = [&](TObject*, int32_t P) { Seen.push_back(P); };
    TestHooks::PumpPending();
    B->SetPercent(40);
    const int Paints = B->Paints;
    EXPECT_GT(Paints, 0);  // repainted at once
    B->SetPercent(40);
    EXPECT_EQ(B->Paints, Paints);
    B->SetPercent(150);
    EXPECT_EQ(B->Percent(), 150);
    EXPECT_EQ(Seen, (std::vector<int32_t>{40, 150}));

    // TotalParts and PartsComplete lead to percents.
    Seen.clear();
    B->SetPercent(7);
    B->SetPartsComplete(5);  // no total: the percent stays
    EXPECT_EQ(B->Percent(), 7);
    EXPECT_EQ(B->PartsComplete(), 0u);  // capped at a total of 0
    struct Case {
        uint32_t Total, Done, Stored, Percent;
    } Cases[] = {{3, 1, 1, 33}, {3, 2, 2, 67}, {3, 3, 3, 100}, {3, 9, 3, 100}, {8, 1, 1, 13}, {2147483647, 2147483647, 2147483647, 100}};
    for (const auto& C : Cases) {
        B->SetTotalParts(0);
        B->SetTotalParts(C.Total);
        EXPECT_EQ(B->Percent(), 0u);  // a new total starts again
        EXPECT_EQ(B->PartsComplete(), 0u);
        B->SetPartsComplete(C.Done);
        EXPECT_EQ(B->PartsComplete(), C.Stored) << C.Total << " " << C.Done;
        EXPECT_EQ(B->Percent(), C.Percent) << C.Total << " " << C.Done;
    }
    B->SetTotalParts(4000000000u);
    EXPECT_EQ(B->TotalParts(), 2147483647u);

    // The style sets the text and the interior offset.
    B->SetInteriorOffset(3);
    B->SetBarStyle(bsLED);
    EXPECT_FALSE(B->ShowPercent());
    EXPECT_EQ(B->InteriorOffset(), 1);
    B->SetBarStyle(bsGradient);
    EXPECT_TRUE(B->ShowPercent());
    EXPECT_EQ(B->InteriorOffset(), 0);

    // The shape decides the orientation.
    B->SetBounds(10, 10, 20, 100);
    EXPECT_EQ(B->Orientation(), orVertical);
    B->SetBounds(10, 10, 100, 20);
    EXPECT_EQ(B->Orientation(), orHorizontal);
    B->SetBarColor(clRed);
    EXPECT_EQ(B->Font().Color(), clRed);
}

TEST_F(GpForm, SystemBarsFillFromTheLeftWithABlueMiddle) {
    TGpProgressBar* Bars[4];
    const uint16_t Percents[4] = {0, 33, 100, 150};
    for (int I = 0; I < 4; ++I) Bars[I] = SystemBar(10, 10 + I * 24, 204, 18, Percents[I]);
    auto* Erase = SystemBar(10, 110, 204, 16, 60);
    Erase->SetBorderOuter(fsNone);
    Erase->SetBackColor(clSilver);
    Show();
    // Inside a groove of 2 pixels: 200 x 14, rows 2..15, the middle rows 8 and 9.
    for (int I = 0; I < 4; ++I) {
        TGpProgressBar* B = Bars[I];
        const int Filled = std::min(100, static_cast<int>(Percents[I])) * 2;
        EXPECT_EQ(At(B, 0, 0), Px(clBtnShadow)) << Percents[I];
        EXPECT_EQ(At(B, 1, 1), Px(clBtnHighlight)) << Percents[I];
        EXPECT_EQ(At(B, 10, 2), 0xFFFFFFu) << Percents[I];
        EXPECT_EQ(At(B, 10, 15), 0xFFFFFFu) << Percents[I];
        if (Filled > 0) {
            EXPECT_EQ(At(B, 2, 8), Px(Blue)) << Percents[I];
            EXPECT_EQ(At(B, 2 + Filled - 1, 9), Px(Blue)) << Percents[I];
        }
        if (Filled < 200) EXPECT_EQ(At(B, 2 + Filled, 8), 0xFFFFFFu) << Percents[I];
        // Never drawn past the bar.
        EXPECT_EQ(At(B, 202, 8), Px(clBtnShadow)) << Percents[I];
        EXPECT_EQ(At(B, 203, 8), Px(clBtnHighlight)) << Percents[I];
    }
    // No frame: the gradient starts at the edge; the empty part runs from silver.
    EXPECT_EQ(At(Erase, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(At(Erase, 0, 8), Px(Blue));
    EXPECT_EQ(At(Erase, 130, 0), Px(clSilver));
    ExpectWindowMatchesGolden(F->Handle(), "controls/gp_system_bars.png");
}

TEST_F(GpForm, LedVerticalAndTraditionalBars) {
    // 62 wide, no frame, interior offset 1: a length of 60 with 20 segments is
    // 10 segments of 6.
    auto* Led = Add<TGpProgressBar>(10, 10, 62, 14);
    Led->SetThemeAware(false);
    Led->SetBarStyle(bsLED);
    Led->SetBorderOuter(fsNone);
    Led->SetBarColor(clRed);
    Led->SetBackColor(clWhite);
    Led->SetPercent(50);
    auto* Over = Add<TGpProgressBar>(10, 30, 62, 14);
    Over->SetThemeAware(false);
    Over->SetBarStyle(bsLED);
    Over->SetBorderOuter(fsNone);
    Over->SetBarColor(clRed);
    Over->SetBackColor(clWhite);
    Over->SetBorderColor(clLime);
    Over->SetPercent(250);
    auto* Vert = Add<TGpProgressBar>(100, 10, 20, 100);
    Vert->SetThemeAware(false);
    Vert->SetBorderOuter(fsNone);
    Vert->SetBarColor(clBlue);
    Vert->SetBackColor(clWhite);
    Vert->SetShowPercent(false);
    Vert->SetPercent(30);
    auto* Text = Add<TGpProgressBar>(140, 10, 120, 20);
    Text->SetThemeAware(false);
    Text->SetBorderOuter(fsFlat);
    Text->SetBarColor(clNavy);
    Text->SetBackColor(clWhite);
    Text->SetPercent(50);
    Show();
    EXPECT_EQ(Led->NumSegments(), 20);
    for (int K = 1; K <= 10; ++K) {
        const int Mid = 1 + (K - 1) * 6 + 3;
        EXPECT_EQ(At(Led, Mid, 7), K <= 5 ? 0xFF0000u : 0xFFFFFFu) << K;
        EXPECT_EQ(At(Led, 1 + (K - 1) * 6, 7), 0xFFFFFFu) << K;  // the segment's outline
    }
    // 250 percent lights all ten and nothing past the bar.
    for (int K = 1; K <= 10; ++K) EXPECT_EQ(At(Over, 1 + (K - 1) * 6 + 3, 7), 0xFF0000u) << K;
    EXPECT_EQ(At(Over, 61, 7), 0xFFFFFFu);  // the interior offset stays
    // Vertical: 30 of 100 rows filled from the bottom.
    EXPECT_EQ(Vert->Orientation(), orVertical);
    EXPECT_EQ(At(Vert, 10, 99), 0x0000FFu);
    EXPECT_EQ(At(Vert, 10, 70), 0x0000FFu);
    EXPECT_EQ(At(Vert, 10, 69), 0xFFFFFFu);
    EXPECT_EQ(At(Vert, 10, 0), 0xFFFFFFu);
    ExpectWindowMatchesGolden(F->Handle(), "controls/gp_led_vertical_text.png");
}

TEST_F(GpForm, PanelFrameStylesGradientsGridsAndCaptions) {
    for (int S = 0; S < 12; ++S) {
        auto* P = Add<TGpPanel>(4 + (S % 6) * 34, 4 + (S / 6) * 26, 30, 22);
        P->SetBorderOuter(static_cast<TFrameStyleEx>(S));
        P->SetColor(clWhite);
    }
    for (int D = 0; D < 10; ++D) {
        auto* P = Add<TGpPanel>(4 + (D % 5) * 42, 60 + (D / 5) * 34, 38, 30);
        P->SetBorderOuter(fsNone);
        P->SetVisualStyle(vsGradient);
        P->SetGradientColorStyle(gcsCustom);
        P->SetGradientColorStart(clYellow);
        P->SetGradientColorStop(clNavy);
        P->SetGradientDirection(static_cast<TGradientDirection>(D));
    }
    TGpPanel* Grids[3];
    for (int G = 0; G < 3; ++G) {
        Grids[G] = Add<TGpPanel>(220 + G * 62, 4, 58, 50);
        Grids[G]->SetBorderOuter(fsFlat);
        Grids[G]->SetColor(clWhite);
        Grids[G]->SetGridColor(clRed);
        Grids[G]->SetGridStyle(static_cast<TGpGridStyle>(G));
        Grids[G]->SetShowGrid(true);
    }
    const TAlignmentVertical Vs[3] = {avTop, avCenter, avBottom};
    const TAlignment Hs[3] = {taLeftJustify, taCenter, taRightJustify};
    for (int I = 0; I < 3; ++I) {
        auto* P = Add<TGpPanel>(4 + I * 80, 134, 76, 50);
        P->SetCaption("Hello");
        P->SetAlignmentVertical(Vs[I]);
        P->Alignment = Hs[I];
        P->SetTextMargin(3);
        P->SetBorderOuter(fsLowered);
    }
    auto* Off = Add<TGpPanel>(250, 134, 100, 50);
    Off->SetCaption("Disabled caption");
    Off->SetEnabled(false);
    auto* Wrap = Add<TGpPanel>(250, 190, 60, 60);
    Wrap->SetCaption("Words wrap onto lines");
    Wrap->SetBorderOuter(fsFlatRounded);
    Wrap->SetBorderInner(fsGroove);
    Wrap->BorderWidth = 2;
    Show();
    // Dots at each crossing, inside the one-pixel frame.
    EXPECT_EQ(At(Grids[0], 1 + 7, 1 + 7), Px(clRed));
    EXPECT_EQ(At(Grids[0], 1 + 6, 1 + 7), 0xFFFFFFu);
    EXPECT_EQ(At(Grids[1], 1 + 7, 1 + 1), Px(clRed));  // every other pixel from one in
    EXPECT_EQ(At(Grids[1], 1 + 7, 1 + 2), 0xFFFFFFu);
    EXPECT_EQ(At(Grids[2], 1 + 7, 1 + 1), Px(clRed));   // solid
    ExpectWindowMatchesGolden(F->Handle(), "controls/gp_panels.png");
}

TEST_F(GpForm, TransparentPanelShowsThePictureBehindIt) {
    auto* Img = Add<TImage>(10, 10, 100, 60);
    Img->Stretch = true;
    TBitmap& Pic = Img->Picture().Bitmap();
    Pic.SetSize(100, 60);
    Pic.Canvas().Brush().SetColor(clRed);
    Pic.Canvas().FillRect(TRect(0, 0, 100, 60));
    auto* Glass = Add<TGpPanel>(20, 20, 80, 40);
    Glass->SetBorderOuter(fsNone);
    Glass->SetTransparent(true);
    Glass->SetCaption("Scanning");
    auto* Solid = Add<TGpPanel>(120, 20, 80, 40);
    Solid->SetBorderOuter(fsNone);
    Show();
    EXPECT_EQ(At(Glass, 2, 2), 0xFF0000u);
    EXPECT_EQ(At(Solid, 2, 2), Px(clBtnFace));
    EXPECT_FALSE(Glass->ControlStyle.Contains(csOpaque));
    Glass->SetTransparent(false);
    EXPECT_EQ(At(Glass, 2, 2), Px(clBtnFace));
    Glass->SetTransparent(true);
    ExpectWindowMatchesGolden(F->Handle(), "controls/gp_transparent_panel.png");
}

TEST_F(GpForm, PanelChildrenLayoutEdgesAndEnabledStates) {
    auto* P = Add<TGpPanel>(10, 10, 100, 80);
    P->SetBorderOuter(fsRaised);
    P->SetBorderInner(fsStatus);
    P->BevelWidth = 3;
    auto* A = new TGpPanel(F);
    A->SetParent(P);
    A->SetAlign(alClient);
    auto* B = new TGpPanel(F);
    B->SetParent(P);
    B->SetEnabled(false);
    Show();
    // Children sit inside the two frames: 2 + 3 pixels.
    EXPECT_EQ(A->Left(), 5);
    EXPECT_EQ(A->Top(), 5);
    EXPECT_EQ(A->Width(), 90);
    P->SetBorderSides(TSides{sdLeft});
    EXPECT_EQ(A->Top(), 0);
    EXPECT_EQ(A->Width(), 95);
    // A disabled child stays disabled after the panel is enabled again.
    P->SetEnabled(false);
    EXPECT_FALSE(A->Enabled());
    P->SetEnabled(true);
    EXPECT_TRUE(A->Enabled());
    EXPECT_FALSE(B->Enabled());
    // Bottom-aligned panels keep their bottom edge as they grow.
    auto* Bottom = Add<TGpPanel>(0, 0, 50, 30);
    Bottom->SetAlign(alBottom);
    const int Edge = Bottom->Top() + Bottom->Height();
    Bottom->SetHeight(50);
    EXPECT_EQ(Bottom->Top() + Bottom->Height(), Edge);
}

// What a resize leaves to repaint: the whole panel, or without FullRepaint and
// caption only the strips of the old right and bottom frames (the window
// layer is told not to redraw, so the panel's own invalidation shows).
TEST_F(GpForm, ResizedPanelRepaintsWholeOrTheOldFrameStrips) {
    struct Case {
        bool FullRepaint;
        const char* Caption;
        int NewWidth, NewHeight;
        RECT Expected;
    };
    // 60 x 40, raised outer and lowered inner frames of 2 each, border width 1:
    // the old inside ends at 55 x 35.
    const Case Cases[] = {
        {false, "", 80, 40, {54, 0, 60, 40}},
        {false, "", 60, 50, {0, 34, 60, 40}},
        {false, "", 70, 45, {0, 0, 60, 40}},
        {false, "", 60, 40, {0, 0, 0, 0}},  // a move only: nothing
        {true, "", 80, 40, {0, 0, 80, 40}},
        {false, "text", 80, 40, {0, 0, 80, 40}},
    };
    std::vector<TGpPanel*> Panels;
    for (const Case& C : Cases) {
        auto* P = Add<TGpPanel>(10, 10 + 60 * static_cast<int>(Panels.size()) % 240, 60, 40);
        P->SetBorderOuter(fsRaised);
        P->SetBorderInner(fsLowered);
        P->BevelWidth = 2;
        P->BorderWidth = 1;
        P->FullRepaint = C.FullRepaint;
        P->SetCaption(C.Caption);
        Panels.push_back(P);
    }
    Show();
    for (std::size_t I = 0; I < Panels.size(); ++I) {
        const Case& C = Cases[I];
        SCOPED_TRACE(I);
        HWND H = Panels[I]->Handle();
        ValidateRect(H, nullptr);
        SetWindowPos(H, nullptr, Panels[I]->Left() + 1, Panels[I]->Top(), C.NewWidth, C.NewHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
        EXPECT_EQ(Panels[I]->Width(), C.NewWidth);
        RECT R{};
        GetUpdateRect(H, &R, FALSE);
        EXPECT_EQ(R.left, C.Expected.left);
        EXPECT_EQ(R.top, C.Expected.top);
        EXPECT_EQ(R.right, C.Expected.right);
        EXPECT_EQ(R.bottom, C.Expected.bottom);
    }
    // Repainted, a grown panel without full repaints looks like one drawn at that size.
    Panels[0]->Invalidate();
    Panels[4]->Invalidate();
    TestHooks::PumpPending();
    for (int X : {0, 1, 2, 3, 4, 5, 54, 55, 74, 75, 76, 77, 78, 79})
        EXPECT_EQ(At(Panels[0], X, 20), At(Panels[4], X, 20)) << X;
    EXPECT_EQ(At(Panels[0], 55, 20), Px(Panels[0]->Color()));
}

// A control that takes the controller's settings itself.
class TProbe : public TGraphicControl, public IGpFrameNotify {
public:
    using TGraphicControl::TGraphicControl;
    void UpdateFrame(TGpFrameController&, int Code) override { Codes.push_back(Code); }
    TGpFrameControllerNotifications FrameControllerNotifications() const override {
        return AllFrameControllerNotifications();
    }
    std::vector<int> Codes;
};

TEST(GpFrameController, AttachingBatchingAndColours) {
    TGpFrameController C(nullptr);
    TProbe P(nullptr);
    C.AttachControl(&P);
    C.AttachControl(&P);
    EXPECT_EQ(C.Controls().size(), 1u);
    EXPECT_EQ(P.Codes, (std::vector<int>{16}));
    P.Codes.clear();
    C.SetFrameStyle(fsFlat);  // unchanged
    C.SetFrameStyle(fsGroove);
    C.SetFrameVisible(true);
    EXPECT_EQ(P.Codes, (std::vector<int>{13, 14}));
    P.Codes.clear();
    C.BeginSettingsUpdate();
    C.BeginSettingsUpdate();
    C.SetFrameColor(clRed);
    C.SetFlatButtons(false);
    C.EndSettingsUpdate();
    EXPECT_TRUE(P.Codes.empty());
    C.EndSettingsUpdate();
    EXPECT_EQ(P.Codes, (std::vector<int>{16}));
    C.EndSettingsUpdate();  // below 0 counts as 0
    P.Codes.clear();
    C.SetReadOnlyColor(clRed);
    EXPECT_EQ(P.Codes, (std::vector<int>{3}));

    // FocusColor follows Color while they are equal.
    P.Codes.clear();
    EXPECT_EQ(C.FocusColor(), C.Color());
    C.SetParentColor(true);
    C.SetColor(clYellow);
    EXPECT_EQ(C.FocusColor(), clYellow);
    EXPECT_FALSE(C.ParentColor());
    EXPECT_EQ(P.Codes, (std::vector<int>{5, 0, 1}));
    C.SetFocusColor(clAqua);
    C.SetColor(clLime);
    EXPECT_EQ(C.FocusColor(), clAqua);
    // Turning hot tracking on shows the frame on all sides.
    C.SetFrameSides(TSides{sdTop});
    C.SetFrameVisible(false);
    C.SetFrameHotTrack(true);
    EXPECT_TRUE(C.FrameVisible());
    EXPECT_EQ(C.FrameSides(), AllSides());

    TGpFrameController Copy(nullptr);
    Copy.Assign(&C);
    EXPECT_EQ(Copy.Color(), clLime);
    EXPECT_EQ(Copy.FocusColor(), clAqua);
    EXPECT_EQ(Copy.FrameStyle(), fsGroove);
    EXPECT_TRUE(Copy.FrameHotTrack());
    C.DetachControl(&P);
    EXPECT_TRUE(C.Controls().empty());
}

TEST(GpFrameController, PanelsAndBarsTakeWhatTheirMaskAllows) {
    TGpFrameController C(nullptr);
    TGpPanel All(nullptr), NoColour(nullptr), Hidden(nullptr);
    TGpProgressBar Bar(nullptr);
    NoColour.SetFrameControllerNotifications(AllFrameControllerNotifications() -
                                             TGpFrameControllerNotifications{fcpColor});
    // FrameVisible False: the panel keeps its own frame.
    Hidden.SetFrameController(&C);
    C.SetFrameStyle(fsGroove);
    C.SetColor(clRed);
    EXPECT_EQ(Hidden.BorderOuter(), fsRaised);
    EXPECT_NE(Hidden.Color(), clRed);
    C.SetFrameVisible(true);
    EXPECT_EQ(Hidden.BorderOuter(), fsGroove);
    All.SetFrameController(&C);
    NoColour.SetFrameController(&C);
    Bar.SetFrameController(&C);
    EXPECT_EQ(All.Color(), clRed);
    EXPECT_EQ(All.BorderHighlight(), LightenColor(clRed, 100));
    EXPECT_EQ(All.BorderShadow(), DarkenColor(clRed, 50));
    EXPECT_NE(NoColour.Color(), clRed);
    EXPECT_EQ(NoColour.BorderOuter(), fsGroove);
    EXPECT_EQ(Bar.BackColor(), clRed);
    EXPECT_EQ(Bar.BorderOuter(), fsGroove);
    C.SetFrameColor(clBlue);
    EXPECT_EQ(All.FlatColor(), clBlue);
    EXPECT_EQ(All.FlatColorAdjustment(), 0);
    EXPECT_EQ(Bar.FlatColor(), clBlue);
    C.SetColor(clLime);
    EXPECT_EQ(All.Color(), clLime);
    EXPECT_NE(NoColour.Color(), clLime);
    // Any other control gets its published properties written.
    TPanel Plain(nullptr);
    C.AttachControl(&Plain);
    EXPECT_EQ(Plain.Color(), clLime);
    C.SetColor(clYellow);
    EXPECT_EQ(Plain.Color(), clYellow);
    C.DetachControl(&Plain);
    // A controller going away is forgotten; a control going away detaches.
    {
        TGpPanel Gone(nullptr);
        Gone.SetFrameController(&C);
        EXPECT_EQ(C.Controls().size(), 5u);
    }
    EXPECT_EQ(C.Controls().size(), 4u);
    auto* Temp = new TGpFrameController(nullptr);
    All.SetFrameController(Temp);
    EXPECT_EQ(C.Controls().size(), 3u);
    delete Temp;
    EXPECT_EQ(All.FrameController(), nullptr);
}

const char* const OldForm = R"(object frmOld: TForm
  Left = 0
  Top = 0
  Caption = 'Old'
  object Controller: TGpFrameController
    FrameFlat = True
    FrameFocusStyle = fsButtonUp
    FrameFlatStyle = fsRaised
    FrameSides = [sdLeft]
  end
  object Panel: TGpPanel
    Left = 0
    Top = 0
    Width = 50
    Height = 20
    FrameSides = [sdLeft, sdTop]
    ThemeAware = False
    UseGradients = True
    GradientDirection = gdVerticalBox
    FrameControllerNotifications = [fcpFrameStyle]
    FrameController = Controller
  end
  object Bar: TGpProgressBar
    Left = 0
    Top = 30
    Width = 60
    Height = 10
    TotalParts = 4
    PartsComplete = 1
    Percent = 90
    BarStyle = bsLED
    NumSegments = 7
  end
end
)";

class TfrmOld : public TForm {
public:
    explicit TfrmOld(TComponent* Owner) : TForm(Owner) {
        DefineField("Controller", Controller);
        DefineField("Panel", Panel);
        DefineField("Bar", Bar);
        LoadFromText(OldForm, "frmOld.frm");
    }
    TGpFrameController* Controller = nullptr;
    TGpPanel* Panel = nullptr;
    TGpProgressBar* Bar = nullptr;
};

TEST(GpFormFiles, OldPropertyNamesStillLoad) {
    auto* F = new TfrmOld(Application);
    EXPECT_TRUE(F->Controller->FrameHotTrack());
    EXPECT_TRUE(F->Controller->FrameVisible());
    EXPECT_EQ(F->Controller->FrameStyle(), fsStatus);
    EXPECT_EQ(F->Controller->FrameHotStyle(), fsButtonUp);
    EXPECT_EQ(F->Controller->FrameSides(), TSides{sdLeft});  // loading leaves the sides as stored
    EXPECT_EQ(F->Panel->VisualStyle(), vsGradient);
    EXPECT_EQ(F->Panel->GradientDirection(), gdVerticalBox);
    EXPECT_EQ(F->Panel->FrameController(), F->Controller);
    EXPECT_EQ(F->Panel->BorderOuter(), fsStatus);
    EXPECT_EQ(F->Panel->BorderSides(), AllSides());  // the mask holds only the style
    // While loading, parts do not touch the stored percent.
    EXPECT_EQ(F->Bar->Percent(), 90);
    EXPECT_EQ(F->Bar->TotalParts(), 4u);
    EXPECT_EQ(F->Bar->PartsComplete(), 1u);
    EXPECT_EQ(F->Bar->NumSegments(), 7);
    F->Free();
    // The controller's frame styles end before fsFlatRounded.
    TGpFrameController C(nullptr);
    EXPECT_TRUE(SetPropValue(&C, "FrameStyle", ParseFormValue("fsFlatBold")));
    EXPECT_EQ(C.FrameStyle(), fsFlatBold);
    EXPECT_ANY_THROW(SetPropValue(&C, "FrameStyle", ParseFormValue("fsFlatRounded")));
    EXPECT_EQ(C.FrameStyle(), fsFlatBold);
}

}  // namespace

namespace {

TEST_F(GpForm, DockedClientsGetRectanglesAndGrabbers) {
    // Aligned to the top: clients side by side, grabbers on their left.
    auto* Top = Add<TGpPanel>(0, 0, 300, 60);
    Top->SetAlign(alTop);
    Top->SetBorderOuter(fsNone);
    Top->DockSite = true;
    // Not aligned: clients one under the other, grabbers on top.
    auto* Side = Add<TGpPanel>(20, 80, 160, 180);
    Side->SetBorderOuter(fsFlat);
    Side->DockSite = true;
    TPanel* Clients[4];
    const char* Names[4] = {"Tools", "Layers", "Preview", "Log"};
    for (int I = 0; I < 4; ++I) {
        Clients[I] = new TPanel(F);
        Clients[I]->SetCaption(Names[I]);
        Clients[I]->SetColor(clWhite);
        (I < 2 ? Top : Side)->DockClient(Clients[I]);
    }
    auto* Plain = Add<TGpPanel>(200, 80, 160, 100);
    Plain->DockSite = true;
    Plain->ShowDockClientCaptions = false;
    auto* Quiet = new TPanel(F);
    Plain->DockClient(Quiet);
    Show();
    EXPECT_EQ(Top->DockClientCount(), 2);
    EXPECT_TRUE(Top->GrabbersOnLeft());
    EXPECT_FALSE(Side->GrabbersOnLeft());
    const int W = Top->Width(), Half = W / 2;  // aligned to the top: the form's width
    struct Case {
        TGpPanel* Site;
        TPanel* Client;
        TRect Dock, Bounds;
    } Cases[] = {
        {Top, Clients[0], TRect(0, 0, Half, 60), TRect(14, 0, Half, 60)},
        {Top, Clients[1], TRect(Half, 0, W, 60), TRect(Half + 14, 0, W, 60)},
        {Side, Clients[2], TRect(1, 1, 159, 90), TRect(1, 15, 159, 90)},
        {Side, Clients[3], TRect(1, 90, 159, 179), TRect(1, 104, 159, 179)},
    };
    for (const auto& C : Cases) {
        const TRect D = C.Site->DockRect(C.Client);
        EXPECT_EQ(D.left, C.Dock.left) << C.Client->Caption();
        EXPECT_EQ(D.top, C.Dock.top) << C.Client->Caption();
        EXPECT_EQ(D.right, C.Dock.right) << C.Client->Caption();
        EXPECT_EQ(D.bottom, C.Dock.bottom) << C.Client->Caption();
        EXPECT_EQ(C.Client->BoundsRect().left, C.Bounds.left) << C.Client->Caption();
        EXPECT_EQ(C.Client->BoundsRect().top, C.Bounds.top) << C.Client->Caption();
        EXPECT_EQ(C.Client->BoundsRect().right, C.Bounds.right) << C.Client->Caption();
        EXPECT_EQ(C.Client->BoundsRect().bottom, C.Bounds.bottom) << C.Client->Caption();
    }
    // The grabbers: inactive caption colour, the close glyph where it belongs.
    EXPECT_EQ(At(Top, 7, 40), Px(clInactiveCaption));
    EXPECT_EQ(At(Side, 40, 8), Px(clInactiveCaption));
    const TRect X = Side->CloseGlyphRect(Clients[2]);
    EXPECT_EQ(X.left, 159 - 15);
    EXPECT_EQ(X.top, 2);
    ExpectWindowMatchesGolden(F->Handle(), "controls/gp_dock_grabbers.png");
    // Closing a client gives its room to the other; a destroyed one leaves.
    Side->CloseDockClient(Clients[2]);
    EXPECT_EQ(Side->DockRect(Clients[2]).Width(), 0);
    EXPECT_EQ(Clients[3]->BoundsRect().top, 15);
    delete Clients[3];
    EXPECT_EQ(Side->DockClientCount(), 1);
    TestHooks::PumpPending();
}

// A panel that docks clients paints in memory: while it paints, what it drew
// is not yet on the screen, and the finished picture equals one drawn straight
// onto the window.
TEST_F(GpForm, DockingPanelsPaintThroughMemory) {
    TGpPanel* Sites[2];
    for (int I = 0; I < 2; ++I) {
        Sites[I] = Add<TGpPanel>(10 + 200 * I, 10, 160, 100);
        Sites[I]->SetBorderOuter(fsRaised);
        Sites[I]->DockSite = true;
        EXPECT_FALSE(Sites[I]->DoubleBuffered);
        auto* Client = new TPanel(F);
        Client->SetCaption("Tools");
        Sites[I]->DockClient(Client);
        EXPECT_TRUE(Sites[I]->DoubleBuffered);
    }
    Sites[1]->DoubleBuffered = false;  // the same panel drawn straight on, to compare
    TColor Mark = clWhite;
    uint32_t Seen[2] = {0, 0};
    for (int I = 0; I < 2; ++I) {
        TGpPanel* P = Sites[I];
        P->OnPaint = [&Seen, &Mark, I, P](TObject*) {
            P->Canvas().Brush().SetStyle(bsSolid);
            P->Canvas().Brush().SetColor(Mark);
            P->Canvas().FillRect(TRect(40, 4, 60, 12));  // on the grabber, beside no client
            Seen[I] = WinHeadlessScreen()->DesktopPixel(P->ClientToScreen(POINT{50, 8})) & 0xFFFFFF;
        };
    }
    Show();
    Mark = clRed;
    for (TGpPanel* P : Sites) P->Invalidate();
    TestHooks::PumpPending();
    EXPECT_EQ(Seen[0], Px(clWhite));  // the picture before, while the new one is in memory
    EXPECT_EQ(Seen[1], Px(clRed));
    TestHooks::PumpPending();
    TGdiSurface* D = WinHeadlessScreen()->ComposeDesktop();
    auto Pixel = [D](TControl* C, int X, int Y) {
        const POINT P = C->ClientToScreen(POINT{X, Y});
        return GdiSurfacePixels(D)[P.y * GdiSurfaceStride(D) + P.x] & 0xFFFFFF;
    };
    for (int Y = 0; Y < 100; ++Y)
        for (int X = 0; X < 160; ++X)
            if (Pixel(Sites[0], X, Y) != Pixel(Sites[1], X, Y)) {
                ADD_FAILURE() << "differs at " << X << "," << Y;
                return;
            }
    EXPECT_EQ(At(Sites[0], 50, 8), Px(clRed));
    // A panel without a dock client paints as before.
    auto* Plain = Add<TGpPanel>(10, 150, 50, 50);
    Plain->DockSite = true;
    EXPECT_FALSE(Plain->DoubleBuffered);
}

}  // namespace
