// Colour helpers, the colour scheme, frames and gradients of the progress bar
// and the panel, drawn on bitmaps.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "controls/extra/gp_drawing.h"
#include "platform/classlib/tregistry.h"

namespace {

uint32_t Rgb(TColor C) { return static_cast<uint32_t>(ColorToRGB(C)) & 0xFFFFFF; }

// A white bitmap of W x H to draw on.
struct TSheet {
    TBitmap Bmp;
    TSheet(int W, int H) : Bmp(W, H, pf24bit) {
        Bmp.Canvas().Brush().SetColor(clWhite);
        Bmp.Canvas().FillRect(TRect(0, 0, W, H));
    }
    TCanvas& C() { return Bmp.Canvas(); }
    uint32_t At(int X, int Y) { return Rgb(Bmp.Canvas().Pixel(X, Y)); }
};

TEST(GpColours, LightnessScaleAndItsEdges) {
    struct Case {
        TColor Colour;
        int H, S, L;
    } Cases[] = {{clRed, 0, 240, 120},  {clLime, 80, 240, 120}, {clBlue, 160, 240, 120},
                 {clBlack, 0, 0, 0},     {clWhite, 0, 0, 240},  {0x808080, 0, 0, 120}};
    for (const auto& C : Cases) {
        int H, S, L;
        ColorToHSL240(C.Colour, H, S, L);
        EXPECT_EQ(H, C.H) << std::hex << C.Colour;
        EXPECT_EQ(S, C.S) << std::hex << C.Colour;
        EXPECT_EQ(L, C.L) << std::hex << C.Colour;
        // The hue scale divides by 239, so the way back drifts by a few units.
        const uint32_t Back = Rgb(HSL240ToColor(H, S, L)), Want = Rgb(C.Colour);
        for (int Shift : {0, 8, 16})
            EXPECT_NEAR(int((Back >> Shift) & 0xFF), int((Want >> Shift) & 0xFF), 5) << std::hex << C.Colour;
    }
    // Hues 239 and 240 are red, not an undefined seventh sector.
    for (int Hue : {239, 240}) {
        const uint32_t C = Rgb(HSL240ToColor(Hue, 240, 120));
        EXPECT_EQ(C & 0xFF, 0xFFu) << Hue;            // red
        EXPECT_LE((C >> 8) & 0xFF, 8u) << Hue;        // next to no green
        EXPECT_EQ((C >> 16) & 0xFF, 0u) << Hue;       // no blue
    }
    EXPECT_EQ(Rgb(DarkenColor(clBlack, 10)), 0u);
    EXPECT_EQ(Rgb(LightenColor(clWhite, 10)), 0xFFFFFFu);
    EXPECT_EQ(Rgb(LightenColor(0x808080, 200)), 0xFFFFFFu);  // lightness beyond 240 is white
    EXPECT_EQ(AdjustColorLightness(clBtnShadow, 0), clBtnShadow);
    EXPECT_EQ(AdjustColorLightness(0x808080, -20), DarkenColor(0x808080, 20));
    EXPECT_EQ(AdjustColorLightness(0x808080, 20), LightenColor(0x808080, 20));
    int H, S, L;
    ColorToHSL240(DarkenColor(0x3366CC, 30), H, S, L);
    int H0, S0, L0;
    ColorToHSL240(0x3366CC, H0, S0, L0);
    EXPECT_NEAR(H, H0, 1);
    EXPECT_NEAR(S, S0, 2);
    EXPECT_NEAR(L, L0 - 30, 1);
}

class GpScheme : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = std::filesystem::path(::testing::TempDir()) / ("gp_scheme_" + std::to_string(getpid()));
        std::filesystem::create_directories(Dir);
        setenv("XDG_CONFIG_HOME", Dir.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(Dir);
    }
    std::filesystem::path Dir;
};

TEST_F(GpScheme, ColourNameOfTheThemeManagerChoosesTheScheme) {
    EXPECT_EQ(ReadXPColorScheme(), xpcsBlue);  // no value at all
    struct Case {
        const char* Value;
        TXPColorScheme Scheme;
    } Cases[] = {{"metallic", xpcsSilver}, {"HomeStead", xpcsOlive}, {"NormalColor", xpcsBlue}, {"", xpcsBlue}};
    for (const auto& C : Cases) {
        TRegistry R;
        R.RootKey = HKEY_CURRENT_USER;
        ASSERT_TRUE(R.OpenKey("\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", true));
        R.WriteString("ColorName", C.Value);
        R.CloseKey();
        EXPECT_EQ(ReadXPColorScheme(), C.Scheme) << C.Value;
    }
    // No visual styles here: the office colours fall back to the system's.
    TColor Start, Stop;
    GetGradientColorsForStyle(gcsMSOffice, Start, Stop);
    EXPECT_EQ(Start, clWindow);
    EXPECT_EQ(Stop, DarkenColor(clBtnFace, 10));
    EXPECT_EQ(GetGradientFrameColorForStyle(gcsMSOffice), LightenColor(clBtnShadow, 30));
}

TEST(GpFrames, SidesBevelsAndTheirInsides) {
    TSheet S(6, 6);
    TRect In = DrawFrameSides(S.C(), TRect(0, 0, 6, 6), clNone, clRed, AllSides());
    EXPECT_EQ(In.left, 1);
    EXPECT_EQ(In.bottom, 5);
    EXPECT_EQ(S.At(0, 2), 0xFFFFFFu);  // no left side
    EXPECT_EQ(S.At(2, 0), 0xFFFFFFu);  // no top side
    EXPECT_EQ(S.At(5, 0), 0x0000FFu);
    EXPECT_EQ(S.At(0, 5), 0x0000FFu);

    TSheet B(8, 8);
    In = DrawFrameBevel(B.C(), TRect(0, 0, 8, 8), clBlue, clLime, TSides{sdLeft, sdBottom}, 2);
    EXPECT_EQ(In.left, 2);
    EXPECT_EQ(In.top, 0);
    EXPECT_EQ(In.right, 8);
    EXPECT_EQ(In.bottom, 6);
    EXPECT_EQ(B.At(1, 3), 0xFF0000u);
    EXPECT_EQ(B.At(4, 6), 0x00FF00u);
    EXPECT_EQ(B.At(4, 0), 0xFFFFFFu);
}

TEST(GpFrames, StylesDrawTheirColoursAndWidths) {
    const uint32_t Shadow = Rgb(clBtnShadow), Hi = Rgb(clBtnHighlight), Dk = Rgb(cl3DDkShadow),
                   Light = Rgb(cl3DLight), Text = Rgb(clBtnText);
    struct Case {
        TFrameStyleEx Style;
        int Width;
        uint32_t Outer, OuterLR, Inner, InnerLR;  // (0,0), (W-1,H-1), (1,1), (W-2,H-2)
    } Cases[] = {
        {fsRaised, 2, Light, Dk, Hi, Shadow},     {fsLowered, 2, Shadow, Hi, Dk, Light},
        {fsButtonUp, 2, Hi, Dk, Light, Shadow},   {fsButtonDown, 2, Text, Text, Shadow, Shadow},
        {fsGroove, 2, Shadow, Hi, Hi, Shadow},    {fsBump, 2, Hi, Shadow, Shadow, Hi},
        {fsFlatBold, 2, Shadow, Shadow, Shadow, Shadow},
    };
    for (const auto& C : Cases) {
        TSheet S(10, 8);
        TRect In = DrawFrameStyleBorder(S.C(), TRect(0, 0, 10, 8), C.Style, AllSides());
        EXPECT_EQ(In.left, C.Width) << C.Style;
        EXPECT_EQ(In.bottom, 8 - C.Width) << C.Style;
        EXPECT_EQ(FrameStyleWidth(C.Style, 5), C.Width) << C.Style;
        EXPECT_EQ(S.At(0, 0), C.Outer) << C.Style;
        EXPECT_EQ(S.At(9, 7), C.OuterLR) << C.Style;
        EXPECT_EQ(S.At(1, 1), C.Inner) << C.Style;
        EXPECT_EQ(S.At(8, 6), C.InnerLR) << C.Style;
        EXPECT_EQ(S.At(2, 2), 0xFFFFFFu) << C.Style;
    }
    // The etched corners: the top-right pixel takes the lower-right colour.
    TSheet G(10, 8);
    DrawFrameStyleBorder(G.C(), TRect(0, 0, 10, 8), fsGroove, AllSides());
    EXPECT_EQ(G.At(9, 0), Hi);
    EXPECT_EQ(G.At(0, 7), Hi);
    // Without a right side the top line runs to the corner in its own colour.
    TSheet T(10, 8);
    DrawFrameStyleBorder(T.C(), TRect(0, 0, 10, 8), fsGroove, TSides{sdLeft, sdTop, sdBottom});
    EXPECT_EQ(T.At(9, 0), Shadow);
    EXPECT_EQ(T.At(8, 6), Shadow);

    EXPECT_EQ(FrameStyleWidth(fsNone, 3), 0);
    EXPECT_EQ(FrameStyleWidth(fsFlat, 3), 1);
    EXPECT_EQ(FrameStyleWidth(fsStatus, 3), 3);
    EXPECT_EQ(FrameStyleWidth(fsPopup, 1), 1);
    EXPECT_EQ(FrameStyleWidth(fsFlatRounded, 3), 2);
}

TEST(GpFrames, RoundedFramesAndTheProgressBarsInnerFlatFrame) {
    TSheet S(8, 8);
    TRect In = DrawRoundedFrame(S.C(), TRect(0, 0, 8, 8), clRed, AllSides());
    EXPECT_EQ(In.left, 2);
    EXPECT_EQ(In.right, 6);
    EXPECT_EQ(S.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(S.At(1, 0), 0xFFFFFFu);
    EXPECT_EQ(S.At(2, 0), 0x0000FFu);
    EXPECT_EQ(S.At(1, 1), 0x0000FFu);
    EXPECT_EQ(S.At(6, 6), 0x0000FFu);
    EXPECT_EQ(S.At(7, 7), 0xFFFFFFu);

    // The bar's inner flat frame leaves its four corners alone.
    TSheet P(8, 8);
    TBorderFrameSetup F;
    F.Inner = fsFlat;
    F.ProgressBarMode = true;
    F.FlatColor = clRed;
    F.FlatAdjustment = 0;
    In = PaintBorderFrames(P.C(), TRect(0, 0, 8, 8), F);
    EXPECT_EQ(In.left, 1);
    EXPECT_EQ(In.bottom, 7);
    EXPECT_EQ(P.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(P.At(7, 7), 0xFFFFFFu);
    EXPECT_EQ(P.At(0, 1), 0x0000FFu);
    EXPECT_EQ(P.At(7, 6), 0x0000FFu);
    // A border band and a status bevel of two pixels outside it.
    TSheet Q(12, 12);
    TBorderFrameSetup G;
    G.Outer = fsStatus;
    G.BevelWidth = 2;
    G.Shadow = clBlue;
    G.Highlight = clLime;
    G.BorderWidth = 1;
    G.BorderColor = clRed;
    In = PaintBorderFrames(Q.C(), TRect(0, 0, 12, 12), G);
    EXPECT_EQ(In.left, 3);
    EXPECT_EQ(Q.At(1, 5), 0xFF0000u);
    EXPECT_EQ(Q.At(10, 5), 0x00FF00u);
    EXPECT_EQ(Q.At(2, 5), 0x0000FFu);
}

TEST(GpGradients, DirectionsPaintFromStartToStop) {
    const uint32_t A = 0x102030, Z = 0xF0E0D0;  // as RGB: start 0x302010, stop 0xD0E0F0
    const TColor Start = 0x102030, Stop = 0xF0E0D0;
    (void)A;
    (void)Z;
    auto Sheet = [&](TGradientDirection D, int W, int H) {
        auto S = std::make_unique<TSheet>(W, H);
        DrawGradientRect(S->C(), TRect(0, 0, W, H), D, /*StopColor=*/Stop, /*StartColor=*/Start);
        return S;
    };
    const uint32_t S0 = Rgb(Start), S1 = Rgb(Stop);
    auto H = Sheet(gdHorizontalEnd, 5, 10);
    EXPECT_EQ(H->At(2, 0), S0);
    EXPECT_EQ(H->At(2, 9), S1);
    EXPECT_EQ(H->At(0, 4), H->At(4, 4));  // rows of one colour
    auto V = Sheet(gdVerticalEnd, 10, 5);
    EXPECT_EQ(V->At(0, 2), S0);
    EXPECT_EQ(V->At(9, 2), S1);
    auto HC = Sheet(gdHorizontalCenter, 4, 9);
    EXPECT_EQ(HC->At(1, 0), S0);
    EXPECT_EQ(HC->At(1, 8), S0);
    EXPECT_EQ(HC->At(1, 4), S1);
    auto VC = Sheet(gdVerticalCenter, 8, 3);
    EXPECT_EQ(VC->At(0, 1), S0);
    EXPECT_EQ(VC->At(7, 1), S0);
    EXPECT_EQ(VC->At(3, 1), S1);
    EXPECT_EQ(VC->At(4, 1), S1);
    auto DD = Sheet(gdDiagonalDown, 20, 10);
    EXPECT_EQ(DD->At(0, 0), S0);
    EXPECT_EQ(DD->At(19, 9), S1);
    auto DU = Sheet(gdDiagonalUp, 20, 10);
    EXPECT_EQ(DU->At(0, 9), S0);
    EXPECT_EQ(DU->At(19, 0), S1);
    for (TGradientDirection D : {gdSquareBox, gdHorizontalBox, gdVerticalBox, gdBigSquareBox}) {
        auto B = Sheet(D, 21, 21);
        EXPECT_EQ(B->At(0, 0), S0) << D;
        EXPECT_EQ(B->At(20, 10), S0) << D;
        EXPECT_EQ(B->At(10, 10), S1) << D;
    }
    // Too small for rings: one plain start colour.
    auto Small = Sheet(gdSquareBox, 4, 20);
    EXPECT_EQ(Small->At(2, 10), S0);
    // A single pixel is painted; a rectangle without width paints nothing.
    auto One = Sheet(gdHorizontalCenter, 1, 1);
    EXPECT_EQ(One->At(0, 0), S0);
    TSheet None(3, 10);
    DrawGradientRect(None.C(), TRect(1, 0, 1, 10), gdHorizontalEnd, Stop, Start);
    for (int Y = 0; Y < 10; ++Y) EXPECT_EQ(None.At(1, Y), 0xFFFFFFu);
    // Drawn at the rectangle's corner, nowhere else.
    TSheet Off(6, 6);
    DrawGradientRect(Off.C(), TRect(2, 2, 4, 4), gdVerticalEnd, Stop, Start);
    EXPECT_EQ(Off.At(1, 1), 0xFFFFFFu);
    EXPECT_EQ(Off.At(2, 2), S0);
    EXPECT_EQ(Off.At(3, 3), S1);
    EXPECT_EQ(Off.At(4, 4), 0xFFFFFFu);
}

TEST(GpGradients, FlipSwapsRows) {
    TSheet S(3, 2);
    S.C().SetPixel(0, 0, clRed);
    S.C().SetPixel(2, 1, clBlue);
    FlipBitmapVertically(S.Bmp);
    EXPECT_EQ(S.At(0, 1), 0x0000FFu);
    EXPECT_EQ(S.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(S.At(2, 0), 0xFF0000u);
    TSheet Three(1, 3);
    Three.C().SetPixel(0, 1, clLime);
    FlipBitmapVertically(Three.Bmp);
    EXPECT_EQ(Three.At(0, 1), 0x00FF00u);  // the middle row stays
}

}  // namespace
