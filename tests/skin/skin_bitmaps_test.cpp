// The skin engine's bitmap and colour helpers: exact pixels and table values.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>

#include "platform/win/winuser.h"
#include "skin/skin_bitmaps.h"

namespace {

struct TRgb {
    int R, G, B;
    bool operator==(const TRgb&) const = default;
};

void PutPixel(TBitmap& Bm, int X, int Y, TRgb C) {
    auto* P = static_cast<uint8_t*>(Bm.ScanLine(Y)) + 3 * X;
    P[0] = static_cast<uint8_t>(C.B);
    P[1] = static_cast<uint8_t>(C.G);
    P[2] = static_cast<uint8_t>(C.R);
}

TRgb PixelOf(TBitmap& Bm, int X, int Y) {
    EXPECT_EQ(Bm.PixelFormat(), pf24bit);
    auto* P = static_cast<uint8_t*>(Bm.ScanLine(Y)) + 3 * X;
    return {P[2], P[1], P[0]};
}

// Every pixel of a W x H bitmap distinct, from its position.
TRgb Distinct(int X, int Y) { return {10 + X, 100 + Y, 200 + X + 3 * Y}; }

void FillDistinct(TBitmap& Bm) {
    for (int Y = 0; Y < Bm.Height(); ++Y)
        for (int X = 0; X < Bm.Width(); ++X) PutPixel(Bm, X, Y, Distinct(X, Y));
}

TRgb RgbOf(TColor C) { return {C & 0xFF, (C >> 8) & 0xFF, (C >> 16) & 0xFF}; }

TEST(SkinBitmaps, MirrorsAndQuarterTurnsMoveEveryPixel) {
    struct TCase {
        const char* Name;
        std::function<void(TBitmap&)> Op;
        int NewW, NewH;
        // The old pixel that lands at new (X, Y), for an old image 3 x 2.
        std::function<std::pair<int, int>(int X, int Y)> From;
    };
    const TCase Cases[] = {
        {"mirror left-right", MirrorBitmapHorizontally, 3, 2, [](int X, int Y) { return std::pair(2 - X, Y); }},
        {"mirror top-bottom", MirrorBitmapVertically, 3, 2, [](int X, int Y) { return std::pair(X, 1 - Y); }},
        {"turn left", RotateBitmapLeft, 2, 3, [](int X, int Y) { return std::pair(2 - Y, X); }},
        {"turn right", RotateBitmapRight, 2, 3, [](int X, int Y) { return std::pair(Y, 1 - X); }},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TBitmap Bm(3, 2, pf24bit);
        FillDistinct(Bm);
        C.Op(Bm);
        ASSERT_EQ(Bm.Width(), C.NewW);
        ASSERT_EQ(Bm.Height(), C.NewH);
        for (int Y = 0; Y < C.NewH; ++Y)
            for (int X = 0; X < C.NewW; ++X) {
                auto [Ox, Oy] = C.From(X, Y);
                EXPECT_EQ(PixelOf(Bm, X, Y), Distinct(Ox, Oy)) << X << "," << Y;
            }
    }
    // The corners named for the quarter turns of a 3 x 2 image.
    TBitmap L(3, 2, pf24bit), R(3, 2, pf24bit);
    FillDistinct(L);
    FillDistinct(R);
    RotateBitmapLeft(L);
    RotateBitmapRight(R);
    EXPECT_EQ(PixelOf(L, 0, 0), Distinct(2, 0));  // old top-right
    EXPECT_EQ(PixelOf(R, 0, 0), Distinct(0, 1));  // old bottom-left
}

TEST(SkinBitmaps, GreyAndMagentaRecolouring) {
    TBitmap Bm(4, 1, pf24bit);
    PutPixel(Bm, 0, 0, {10, 20, 31});
    PutPixel(Bm, 1, 0, {255, 0, 255});
    PutPixel(Bm, 2, 0, {254, 0, 255});
    PutPixel(Bm, 3, 0, {255, 1, 255});
    TBitmap Grey;
    Grey.Assign(Bm);
    ConvertBitmapToGray(Grey);
    EXPECT_EQ(PixelOf(Grey, 0, 0), (TRgb{20, 20, 20}));   // 61 div 3
    EXPECT_EQ(PixelOf(Grey, 1, 0), (TRgb{170, 170, 170}));

    struct TCase {
        TColor Colour;
        TRgb Expect;
    };
    const TCase Cases[] = {
        {0x123456, {0x56, 0x34, 0x12}},
        {clBtnFace, {COLOR_BTNFACE, 0, 0}},  // a system colour's low bytes, not resolved
    };
    for (const auto& C : Cases) {
        TBitmap Out;
        Out.Assign(Bm);
        ReplaceFuchsiaPixels(Out, C.Colour);
        EXPECT_EQ(PixelOf(Out, 0, 0), (TRgb{10, 20, 31}));
        EXPECT_EQ(PixelOf(Out, 1, 0), C.Expect);
        EXPECT_EQ(PixelOf(Out, 2, 0), (TRgb{254, 0, 255}));
        EXPECT_EQ(PixelOf(Out, 3, 0), (TRgb{255, 1, 255}));
    }

    // Other pixel formats become 24-bit first.
    TBitmap Pal(2, 1, pf8bit);
    Pal.Canvas().SetPixel(0, 0, clFuchsia);
    Pal.Canvas().SetPixel(1, 0, clBlue);
    ReplaceFuchsiaPixels(Pal, 0x00FF00);
    EXPECT_EQ(PixelOf(Pal, 0, 0), (TRgb{0, 255, 0}));
    EXPECT_EQ(PixelOf(Pal, 1, 0), (TRgb{0, 0, 255}));
}

TEST(SkinBitmaps, MixColorsTable) {
    struct TCase {
        TColor C1, C2;
        int W;
        TColor Expect;
    };
    const TCase Cases[] = {
        {0x000000, 0xFFFFFF, 150, 0xD9D9D9},  // 15 % of black: (255 x 850 + 500) div 1000
        {0x0000FF, 0x000000, 50, 0x000080},   // a percentage: (255 x 50 + 50) div 100
        {0x0000FF, 0x000000, 99, 0x0000FC},
        {0x0000FF, 0x000000, 100, 0x00001A},  // from 100 up per mille: (25500 + 500) div 1000
        {0x102030, 0x102030, 150, 0x102030},
        {0xABCDEF, 0xABCDEF, 37, 0xABCDEF},
        {0x0000FF, 0xFF0000, 0, 0xFF0000},
        // Above 1000 C2 gets a negative share: (255 x -1000 + 500) div 1000 = -254, low byte 2.
        {0x000000, 0x0000FF, 2000, 0x000002},
    };
    for (const auto& C : Cases) {
        EXPECT_EQ(MixColors(C.C1, C.C2, C.W), C.Expect) << std::hex << C.C1 << " " << C.C2 << " " << std::dec << C.W;
    }
    // System colours are resolved before mixing.
    TColor Face = static_cast<TColor>(GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(MixColors(clBtnFace, clBtnFace, 150), Face);
    EXPECT_EQ(MixColors(clBtnFace, 0x000000, 100), MixColors(Face, 0x000000, 100));
}

TEST(SkinBitmaps, GradientTablesAndTheirCache) {
    struct TCase {
        int Count;
        TColor Start, End;
        std::vector<TColor> Expect;
    };
    const TCase Cases[] = {
        {3, 0x000000, 0x0000FF, {0x000000, 0x000080, 0x0000FF}},
        {3, 0x0000FF, 0x000000, {0x0000FF, 0x000080, 0x000001}},  // a decreasing channel stops one short
        {1, 0x000000, 0x0000FF, {0x00007F}},
        {1, 0x0000FF, 0x000000, {0x000080}},
        {2, 0x00FF00, 0x0000FF, {0x00FF00, 0x0000FF}},
        {5, 0xFF0000, 0x00FF00, {0xFF0000, 0xC04000, 0x808000, 0x41BF00, 0x01FF00}},
    };
    for (const auto& C : Cases) {
        int Slot = GetGradientTable(C.Count, C.Start, C.End);
        ASSERT_GE(Slot, 0);
        ASSERT_LT(Slot, 16);
        EXPECT_EQ(GradientTableOf(Slot), C.Expect) << C.Count << " " << std::hex << C.Start << " " << C.End;
    }

    // A table that ends on its end colour is found again; one with a decreasing
    // channel never is, so each call takes the next slot, cycling through 16.
    int A = GetGradientTable(7, 0x102030, 0x405060);
    EXPECT_EQ(GetGradientTable(7, 0x102030, 0x405060), A);
    int First = GetGradientTable(3, 0x0000FF, 0x000000);
    for (int I = 1; I <= 16; ++I) EXPECT_EQ(GetGradientTable(3, 0x0000FF, 0x000000), (First + I) % 16);

    EXPECT_THROW(GetGradientTable(0, 0, 0xFF), EInvalidArgument);
}

TEST(SkinBitmaps, FillGradientLinesPaintsOnlyTheClippedLines) {
    struct TCase {
        const char* Name;
        bool Vertical;
        RECT Clip;  // empty: no clipping
        // Red of line k (row when vertical, column otherwise) or -1 for untouched white.
        std::vector<int> Reds;
    };
    const TCase Cases[] = {
        {"vertical", true, {}, {0, 128, 255}},
        {"horizontal", false, {}, {0, 128, 255}},
        {"vertical clipped to the middle line", true, {0, 1, 3, 2}, {-1, 128, -1}},
        {"horizontal clipped from the second column", false, {1, 0, 3, 3}, {-1, 128, 255}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TBitmap Bm(3, 3, pf24bit);  // starts white
        HDC Dc = Bm.Canvas().Handle();
        if (C.Clip.right > C.Clip.left) IntersectClipRect(Dc, C.Clip.left, C.Clip.top, C.Clip.right, C.Clip.bottom);
        FillGradientLines(Dc, RECT{0, 0, 3, 3}, 0x000000, 0x0000FF, C.Vertical);
        SelectClipRgn(Dc, nullptr);
        for (int K = 0; K < 3; ++K)
            for (int J = 0; J < 3; ++J) {
                int X = C.Vertical ? J : K, Y = C.Vertical ? K : J;
                TRgb Want = C.Reds[K] < 0 ? TRgb{255, 255, 255} : TRgb{C.Reds[K], 0, 0};
                EXPECT_EQ(PixelOf(Bm, X, Y), Want) << X << "," << Y;
            }
    }
    // System colours are resolved; an empty rectangle paints nothing.
    TBitmap Bm(2, 2, pf24bit);
    FillGradientLines(Bm.Canvas().Handle(), RECT{0, 0, 2, 0}, clBlack, clBlack, true);
    EXPECT_EQ(PixelOf(Bm, 0, 0), (TRgb{255, 255, 255}));
    FillGradientLines(Bm.Canvas().Handle(), RECT{0, 0, 2, 1}, clBtnFace, clBtnFace, true);
    EXPECT_EQ(PixelOf(Bm, 1, 0), RgbOf(static_cast<TColor>(GetSysColor(COLOR_BTNFACE))));
    EXPECT_EQ(PixelOf(Bm, 1, 1), (TRgb{255, 255, 255}));
}

TEST(SkinBitmaps, ColorSaturationLevelTable) {
    struct TCase {
        TColor Colour;
        int Expect;
    };
    const TCase Cases[] = {
        {0x0000FF, 255}, {0x808080, 200},  // no channel above 159
        {0xA0A0A0, 0},   {0x000000, 200}, {0x9F9F9F, 200}, {0x00649F, 200},
        {0x0064C8, 255},  // red 200, green 100, blue 0: min 0
        {0x3264C8, 191},  // (200 - 50) / 200 x 255 = 191.25
        {0x7070A0, 76},   // (160 - 112) / 160 x 255 = 76.5, a tie goes to the even 76
        {0x6060A0, 102},  // 64 / 160 x 255 = 102
    };
    for (const auto& C : Cases) EXPECT_EQ(ColorSaturationLevel(C.Colour), C.Expect) << std::hex << C.Colour;
}

}  // namespace
