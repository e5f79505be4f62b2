// GDI+ calls drawing into DIB sections of the drawing layer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gdi/gdi.h"
#include "platform/gdiplus/gdiplus.h"

namespace {

class GdiPlus : public ::testing::Test {
protected:
    void SetUp() override {
        GdiplusStartupInput In;
        ASSERT_EQ(GdiplusStartup(&Token, &In, nullptr), Ok);
    }
    void TearDown() override {
        if (Dc) {
            SelectObject(Dc, Old);
            DeleteDC(Dc);
            DeleteObject(Bmp);
        }
        GdiplusShutdown(Token);
    }
    // A white 32-bit DIB section, top-down or bottom-up, in a memory DC.
    void MakeDib(int W, int H, bool TopDown) {
        BITMAPINFO Bi{};
        Bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        Bi.bmiHeader.biWidth = W;
        Bi.bmiHeader.biHeight = TopDown ? -H : H;
        Bi.bmiHeader.biPlanes = 1;
        Bi.bmiHeader.biBitCount = 32;
        Bmp = CreateDIBSection(nullptr, &Bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&Bits), nullptr, 0);
        ASSERT_NE(Bmp, nullptr);
        Dc = CreateCompatibleDC(nullptr);
        Old = SelectObject(Dc, Bmp);
        PatBlt(Dc, 0, 0, W, H, WHITENESS);
        Width = W;
        Height = H;
        Top = TopDown;
    }
    uint32_t Px(int X, int Y) { return GetPixel(Dc, X, Y); }  // COLORREF
    ULONG_PTR Token = 0;
    HBITMAP Bmp = nullptr;
    HDC Dc = nullptr;
    HGDIOBJ Old = nullptr;
    uint32_t* Bits = nullptr;
    int Width = 0, Height = 0;
    bool Top = true;
};

TEST_F(GdiPlus, CallsBeforeStartupAreRefused) {
    GdiplusShutdown(Token);
    GpPen* P = nullptr;
    EXPECT_EQ(GdipCreatePen1(0xFF000000, 1, UnitPixel, &P), GdiplusNotInitialized);
    GdiplusStartupInput In;
    ASSERT_EQ(GdiplusStartup(&Token, &In, nullptr), Ok);
}

// One-pixel lines and rectangle outlines cover the designed pixels on both
// kinds of DIB, with the DC's viewport origin honoured.
TEST_F(GdiPlus, LinesAndRectanglesLandOnExactPixels) {
    for (bool TopDown : {true, false}) {
        SCOPED_TRACE(TopDown ? "top-down" : "bottom-up");
        MakeDib(20, 10, TopDown);
        GpGraphics* G = nullptr;
        ASSERT_EQ(GdipCreateFromHDC(Dc, &G), Ok);
        GpPen* Red = nullptr;
        ASSERT_EQ(GdipCreatePen1(0xFFFF0000, 1, UnitPixel, &Red), Ok);
        EXPECT_EQ(GdipDrawLineI(G, Red, 0, 0, 19, 0), Ok);          // top row, both ends
        EXPECT_EQ(GdipDrawRectangleI(G, Red, 2, 3, 4, 2), Ok);      // x 2..6, y 3..5
        GdipDeletePen(Red);
        GdipDeleteGraphics(G);
        EXPECT_EQ(Px(0, 0), RGB(255, 0, 0));
        EXPECT_EQ(Px(19, 0), RGB(255, 0, 0));
        EXPECT_EQ(Px(0, 1), RGB(255, 255, 255));
        EXPECT_EQ(Px(2, 3), RGB(255, 0, 0));
        EXPECT_EQ(Px(6, 5), RGB(255, 0, 0));
        EXPECT_EQ(Px(7, 5), RGB(255, 255, 255));
        EXPECT_EQ(Px(4, 4), RGB(255, 255, 255));  // inside stays
        EXPECT_EQ(Px(4, 6), RGB(255, 255, 255));
        SelectObject(Dc, Old);
        DeleteDC(Dc);
        DeleteObject(Bmp);
        Dc = nullptr;
    }
    MakeDib(20, 10, true);
    SetViewportOrgEx(Dc, 5, 2, nullptr);
    GpGraphics* G = nullptr;
    ASSERT_EQ(GdipCreateFromHDC(Dc, &G), Ok);
    GpSolidFill* Blue = nullptr;
    ASSERT_EQ(GdipCreateSolidFill(0xFF0000FF, &Blue), Ok);
    GdipFillRectangleI(G, Blue, 0, 0, 2, 2);
    GdipDeleteBrush(Blue);
    GdipDeleteGraphics(G);
    SetViewportOrgEx(Dc, 0, 0, nullptr);
    EXPECT_EQ(Px(5, 2), RGB(0, 0, 255));
    EXPECT_EQ(Px(6, 3), RGB(0, 0, 255));
    EXPECT_EQ(Px(4, 2), RGB(255, 255, 255));
    EXPECT_EQ(Px(7, 3), RGB(255, 255, 255));
}

TEST_F(GdiPlus, TranslucentFillsBlendAndGradientsRunBetweenTheirColours) {
    MakeDib(100, 4, true);
    GpGraphics* G = nullptr;
    ASSERT_EQ(GdipCreateFromHDC(Dc, &G), Ok);
    GpSolidFill* Half = nullptr;
    GdipCreateSolidFill(0x80000000, &Half);
    GdipFillRectangleI(G, Half, 0, 0, 100, 1);
    GdipDeleteBrush(Half);
    GpRect R{0, 2, 100, 2};
    GpLineGradient* Grad = nullptr;
    ASSERT_EQ(GdipCreateLineBrushFromRectI(&R, 0xFFFFFFFF, 0xFF000000, LinearGradientModeHorizontal, WrapModeTile,
                                           &Grad),
              Ok);
    GdipFillRectangleI(G, Grad, 0, 2, 100, 2);
    GdipDeleteBrush(Grad);
    GdipDeleteGraphics(G);
    EXPECT_NEAR(GetRValue(Px(10, 0)), 127, 1);
    EXPECT_GT(GetRValue(Px(0, 2)), 250);
    EXPECT_LT(GetRValue(Px(99, 2)), 5);
    EXPECT_NEAR(GetRValue(Px(50, 3)), 127, 3);
    EXPECT_GT(GetRValue(Px(25, 2)), GetRValue(Px(75, 2)));
}

// A 2x1 PNG and a 2x2 24-bit BMP through a memory stream.
TEST_F(GdiPlus, BitmapsFromStreamsDecodeAndDraw) {
    const BYTE Png[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00, 0x00, 0x7B, 0x40, 0xE8, 0xDD, 0x00, 0x00, 0x00, 0x0F, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8, 0xCF, 0xC0, 0xC0, 0xF0, 0x9F, 0x01, 0x00, 0x07, 0xFF, 0x01, 0xFF, 0x01, 0x7F, 0x89, 0xA7, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
    IStream* S = SHCreateMemStream(Png, sizeof Png);
    ASSERT_NE(S, nullptr);
    GpBitmap* B = nullptr;
    GpStatus St = GdipCreateBitmapFromStream(S, &B);
    S->Release();
    ASSERT_EQ(St, Ok);
    UINT W = 0, H = 0;
    GdipGetImageWidth(B, &W);
    GdipGetImageHeight(B, &H);
    EXPECT_EQ(W, 2u);
    EXPECT_EQ(H, 1u);
    ARGB C0 = 0, C1 = 0;
    GdipBitmapGetPixel(B, 0, 0, &C0);
    GdipBitmapGetPixel(B, 1, 0, &C1);
    EXPECT_EQ(C0, 0xFFFF0000u);
    EXPECT_EQ(C1, 0xFF00FF00u);
    MakeDib(8, 8, false);
    GpGraphics* G = nullptr;
    GdipCreateFromHDC(Dc, &G);
    GdipDrawImageRectI(G, B, 3, 4, 2, 1);
    GdipDeleteGraphics(G);
    GdipDisposeImage(B);
    EXPECT_EQ(Px(3, 4), RGB(255, 0, 0));
    EXPECT_EQ(Px(4, 4), RGB(0, 255, 0));
    EXPECT_EQ(Px(5, 4), RGB(255, 255, 255));

    // BMP: rows bottom-up, blue green red, padded to 4 bytes.
    std::vector<BYTE> Bmp(14 + 40 + 16, 0);
    BITMAPFILEHEADER FH{0x4D42, static_cast<DWORD>(Bmp.size()), 0, 0, 54};
    BITMAPINFOHEADER IH{40, 2, 2, 1, 24, BI_RGB, 16, 0, 0, 0, 0};
    std::memcpy(Bmp.data(), &FH, 14);
    std::memcpy(Bmp.data() + 14, &IH, 40);
    const BYTE Rows[16] = {255, 0, 0, 0, 0, 0, 0, 0,  // bottom: blue, black
                           0, 0, 255, 255, 255, 255, 0, 0};  // top: red, white
    std::memcpy(Bmp.data() + 54, Rows, 16);
    S = SHCreateMemStream(Bmp.data(), static_cast<UINT>(Bmp.size()));
    ASSERT_EQ(GdipCreateBitmapFromStream(S, &B), Ok);
    S->Release();
    GdipBitmapGetPixel(B, 0, 0, &C0);
    GdipBitmapGetPixel(B, 0, 1, &C1);
    EXPECT_EQ(C0, 0xFFFF0000u);
    EXPECT_EQ(C1, 0xFF0000FFu);
    GdipDisposeImage(B);

    const BYTE Junk[] = {1, 2, 3, 4};
    S = SHCreateMemStream(Junk, sizeof Junk);
    EXPECT_EQ(GdipCreateBitmapFromStream(S, &B), UnknownImageFormat);
    EXPECT_EQ(B, nullptr);
    S->Release();
}

// Text lands inside its layout rectangle by the alignment, and trimming cuts
// at a word with an ellipsis.
TEST_F(GdiPlus, StringsAlignAndTrimInsideTheirLayout) {
    MakeDib(200, 40, true);
    GpGraphics* G = nullptr;
    ASSERT_EQ(GdipCreateFromHDC(Dc, &G), Ok);
    GpFontFamily* Fam = nullptr;
    ASSERT_EQ(GdipCreateFontFamilyFromName(u"Tahoma", nullptr, &Fam), Ok);
    GpFont* F = nullptr;
    ASSERT_EQ(GdipCreateFont(Fam, 8, FontStyleRegular, UnitPoint, &F), Ok);
    GpStringFormat* Fmt = nullptr;
    GdipCreateStringFormat(StringFormatFlagsNoWrap, LANG_NEUTRAL, &Fmt);
    GdipSetStringFormatTrimming(Fmt, StringTrimmingEllipsisWord);
    RectF Wide{0, 0, 200, 40};
    RectF Narrow{0, 0, 60, 40};
    RectF B1, B2;
    INT Chars = 0, Lines = 0;
    const char16_t* Text = u"Choose another template";
    ASSERT_EQ(GdipMeasureString(G, Text, -1, F, &Wide, Fmt, &B1, &Chars, &Lines), Ok);
    EXPECT_EQ(Chars, 23);
    EXPECT_EQ(Lines, 1);
    GdipMeasureString(G, Text, -1, F, &Narrow, Fmt, &B2, &Chars, &Lines);
    EXPECT_EQ(Chars, 7);  // "Choose" and the ellipsis
    GdipSetStringFormatAlign(Fmt, StringAlignmentFar);
    GdipSetStringFormatLineAlign(Fmt, StringAlignmentFar);
    GpSolidFill* Black = nullptr;
    GdipCreateSolidFill(0xFF000000, &Black);
    ASSERT_EQ(GdipDrawString(G, u"Go", -1, F, &Wide, Fmt, Black), Ok);
    GdipDeleteBrush(Black);
    GdipDeleteStringFormat(Fmt);
    GdipDeleteFont(F);
    GdipDeleteFontFamily(Fam);
    GdipDeleteGraphics(G);
    // Ink only in the bottom right corner.
    int MinX = 200, MinY = 40;
    for (int Y = 0; Y < 40; ++Y)
        for (int X = 0; X < 200; ++X)
            if (Px(X, Y) != RGB(255, 255, 255)) {
                MinX = std::min(MinX, X);
                MinY = std::min(MinY, Y);
            }
    EXPECT_GT(MinX, 170);
    EXPECT_GT(MinY, 20);
    EXPECT_LT(MinX, 200);
}

}  // namespace
