// Frames and drop shadows.
#include <gtest/gtest.h>

#include "imaging/bitmaps/iedefs.h"
#include "imaging/bitmaps/iedraw.h"
#include "imaging/bitmaps/iemisc.h"
#include "platform/gdi/gdi.h"
#include "platform/classlib/graphics.h"

namespace {
TRGB At(TBitmap& b, int x, int y) {
    auto* p = static_cast<uint8_t*>(b.ScanLine(y)) + 3 * x;
    return TRGB{p[0], p[1], p[2]};
}
void White(TBitmap& b) {
    b.Canvas().Brush().SetColor(RGB(255, 255, 255));
    b.Canvas().FillRect(Rect(0, 0, b.Width(), b.Height()));
}
const TRGB Red{0, 0, 255}, Blue{255, 0, 0}, WhiteC{255, 255, 255};
}  // namespace

TEST(Draw, Frame3D) {
    TBitmap b(5, 5, pf24bit);
    White(b);
    Draw3DFrame(&b.Canvas(), 0, 0, 4, 4, RGB(255, 0, 0), RGB(0, 0, 255));
    EXPECT_EQ(At(b, 0, 0), Red);
    EXPECT_EQ(At(b, 0, 3), Red);
    EXPECT_EQ(At(b, 3, 0), Red);
    EXPECT_EQ(At(b, 0, 4), Blue);  // the bottom line starts at (X1, Y2)
    EXPECT_EQ(At(b, 3, 4), Blue);
    EXPECT_EQ(At(b, 4, 4), Blue);
    EXPECT_EQ(At(b, 4, 1), Blue);
    EXPECT_EQ(At(b, 4, 0), WhiteC);  // end points are not drawn
    EXPECT_EQ(At(b, 2, 2), WhiteC);
}

TEST(Draw, ShadowBands) {
    TBitmap b(20, 20, pf24bit);
    White(b);
    b.Canvas().Brush().SetColor(RGB(0, 0, 0));
    DrawShadowRight(&b.Canvas(), 10, 0, 0, 1, 19, 13);
    EXPECT_EQ(At(b, 10, 3), WhiteC);  // starts one thickness below the top
    EXPECT_EQ(At(b, 10, 4), (TRGB{0, 0, 0}));
    EXPECT_EQ(At(b, 14, 10), WhiteC);

    TBitmap g(30, 30, pf24bit);
    White(g);
    DrawShadowRight(&g.Canvas(), 20, 0, 0, 3, 29, 25);
    // Darker near the picture, lighter further out.
    EXPECT_LT(At(g, 20, 15).r, At(g, 25, 15).r);
    EXPECT_EQ(At(g, 20, 15).r, At(g, 20, 15).g);

    TBitmap f(30, 30, pf24bit);
    White(f);
    DrawShadowBottom(&f.Canvas(), 0, 20, RGB(200, 200, 200), 2, 25, 29);
    EXPECT_LT(At(f, 15, 20).r, At(f, 15, 25).r);
    EXPECT_EQ(At(f, 2, 20), WhiteC);  // starts one thickness in from the corner
}

TEST(Draw, DrawDibStretchesAPackedDIB) {
    struct {
        BITMAPINFOHEADER h;
        uint8_t rows[2][8];  // bottom-up, 2 pixels of 3 bytes, padded to 8
    } dib{};
    dib.h.biSize = 40;
    dib.h.biWidth = 2;
    dib.h.biHeight = 2;
    dib.h.biPlanes = 1;
    dib.h.biBitCount = 24;
    dib.h.biCompression = BI_RGB;
    dib.rows[1][2] = 255;  // top-left pixel red
    TBitmap b(4, 4, pf24bit);
    White(b);
    HANDLE h = IEDrawDibOpen();
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(IEDrawDibDraw(h, b.Canvas().Handle(), 0, 0, 4, 4, &dib.h, nullptr, 0, 0, 2, 2, 0));
    EXPECT_EQ(At(b, 1, 1), Red);
    EXPECT_EQ(At(b, 3, 3), (TRGB{0, 0, 0}));
    EXPECT_TRUE(IEDrawDibClose(h));
    EXPECT_FALSE(IsRemoteSession());
}
