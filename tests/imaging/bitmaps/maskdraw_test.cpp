// Drawing a selection mask on a canvas and a 24-bit bitmap.
#include <gtest/gtest.h>

#include "imaging/bitmaps/iedefs.h"
#include "imaging/bitmaps/iemask.h"
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
}  // namespace

TEST(MaskDraw, InvertedUnderTheSelection) {
    TIEMask m;
    m.AllocateBits(4, 4, 1);
    m.SetPixel(1, 2, 1);
    TBitmap b(8, 8, pf24bit);
    White(b);
    m.DrawInverted(&b.Canvas(), 0, 0, 8, 8, 0, 0, 4, 4);  // zoom 2
    EXPECT_EQ(At(b, 2, 4), (TRGB{0, 0, 0}));
    EXPECT_EQ(At(b, 3, 5), (TRGB{0, 0, 0}));
    EXPECT_EQ(At(b, 1, 4), (TRGB{255, 255, 255}));
    EXPECT_EQ(At(b, 2, 3), (TRGB{255, 255, 255}));
    // An 8-bit mask draws nothing this way.
    TIEMask e;
    e.AllocateBits(4, 4, 8);
    e.SetPixel(0, 0, 255);
    TBitmap c(4, 4, pf24bit);
    White(c);
    e.DrawInverted(&c.Canvas(), 0, 0, 4, 4, 0, 0, 4, 4);
    EXPECT_EQ(At(c, 0, 0), (TRGB{255, 255, 255}));
}

TEST(MaskDraw, OutlineAndOuterShade) {
    TIEMask m;
    m.AllocateBits(8, 8, 1);
    for (int y = 2; y <= 5; ++y)
        for (int x = 2; x <= 5; ++x) m.SetPixel(x, y, 1);
    TBitmap b(8, 8, pf24bit);
    White(b);
    m.DrawOutline(&b.Canvas(), 0, 0, 8, 8, 0, 0, 8, 8, RGB(255, 0, 0), RGB(0, 0, 255), 0);
    // The border of the square is painted in one of the two colours; its inside and outside stay white.
    for (int k = 2; k <= 5; ++k) {
        EXPECT_NE(At(b, k, 2), (TRGB{255, 255, 255})) << k;
        EXPECT_NE(At(b, 2, k), (TRGB{255, 255, 255})) << k;
        EXPECT_NE(At(b, 5, k), (TRGB{255, 255, 255})) << k;
    }
    EXPECT_EQ(At(b, 3, 3), (TRGB{255, 255, 255}));
    EXPECT_EQ(At(b, 1, 1), (TRGB{255, 255, 255}));
    // Dashes of four: (x + y) and 7 of 4..7 gives colour 1 (red).
    EXPECT_EQ(At(b, 2, 2), (TRGB{0, 0, 255}));
    EXPECT_EQ(At(b, 2, 5), (TRGB{0, 0, 255}));
    EXPECT_EQ(At(b, 5, 3), (TRGB{255, 0, 0}));  // (x + y) and 7 = 0: colour 2 (blue)

    TBitmap s(8, 8, pf24bit);
    White(s);
    m.DrawOuterShade(&s, 0, 0, 8, 8, 0, 0, 8, 8);
    EXPECT_EQ(At(s, 0, 0), (TRGB{97, 97, 97}));
    EXPECT_EQ(At(s, 1, 0), (TRGB{255, 255, 255}));
    EXPECT_EQ(At(s, 2, 2), (TRGB{255, 255, 255}));  // selected: left alone
    EXPECT_EQ(At(s, 7, 7), (TRGB{97, 97, 97}));
}
