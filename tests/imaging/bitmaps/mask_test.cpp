// Selection mask: pixels, Full, polygon fills, bounding boxes, moves and copies through it.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"

namespace {
int CountSet(TIEMask& m) {
    int n = 0;
    for (int y = 0; y < m.Height; ++y)
        for (int x = 0; x < m.Width; ++x) n += m.IsPointInside(x, y);
    return n;
}
const POINT Square[] = {{10, 10}, {20, 10}, {20, 20}, {10, 20}};
}  // namespace

TEST(Mask, FullRules) {
    TIEMask m;
    m.AllocateBits(12, 3, 1);
    m.Empty();
    EXPECT_FALSE(m.Full);
    EXPECT_TRUE(m.IsEmpty());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 12; ++x) m.SetPixel(x, y, 1);
    m.SyncFull();
    EXPECT_TRUE(m.Full);  // padding bits do not count

    TIEMask e;
    e.AllocateBits(4, 4, 8);
    e.Fill(255);
    EXPECT_TRUE(e.Full);
    e.SetPixel(1, 1, 255);
    EXPECT_TRUE(e.Full);
    e.SetPixel(1, 1, 0);
    EXPECT_FALSE(e.Full);
    e.SetPixel(1, 1, 255);
    EXPECT_FALSE(e.Full);  // a write never turns Full on
    e.Fill(0);
    EXPECT_FALSE(e.Full);
    EXPECT_EQ(e.GetPixel(-1, 0), 0);
    e.SetPixel(99, 0, 1);  // ignored
}

TEST(Mask, PolygonFillsBothValuesAndDepths) {
    for (int bpp : {1, 8}) {
        TIEMask m;
        m.AllocateBits(32, 32, bpp);
        m.FillPolygon(bpp == 1 ? 1 : 255, Square, 4);
        EXPECT_EQ(CountSet(m), 100) << bpp;
        EXPECT_TRUE(m.IsPointInside(10, 10));
        EXPECT_TRUE(m.IsPointInside(19, 19));
        EXPECT_FALSE(m.IsPointInside(20, 19));
        EXPECT_EQ(m.X1, 10);
        EXPECT_EQ(m.Y1, 10);
        EXPECT_EQ(m.X2, 19);
        EXPECT_EQ(m.Y2, 19);
        // Filling with 0 deselects (also on a 1-bit mask) and keeps the box.
        const POINT inner[] = {{12, 12}, {15, 12}, {15, 15}, {12, 15}};
        m.FillPolygon(0, inner, 4);
        EXPECT_EQ(CountSet(m), 91) << bpp;
        EXPECT_FALSE(m.IsPointInside(12, 12));
        EXPECT_EQ(m.X2, 19);
    }
    // A triangle: even-odd spans, row by row.
    TIEMask t;
    t.AllocateBits(16, 16, 1);
    const POINT tri[] = {{0, 0}, {8, 8}, {0, 8}};
    t.FillPolygon(1, tri, 3);
    EXPECT_FALSE(t.IsPointInside(1, 0));
    EXPECT_TRUE(t.IsPointInside(0, 4));
    EXPECT_TRUE(t.IsPointInside(3, 4));
    EXPECT_FALSE(t.IsPointInside(5, 4));
}

TEST(Mask, PolygonsAndDegenerateOnes) {
    TIEMask m;
    m.AllocateBits(32, 32, 1);
    std::vector<POINT> pts(Square, Square + 4);
    pts.push_back(POINT{IEPolygonSeparator, 0});
    // A flat polygon after the square draws nothing and must not empty the square's box.
    pts.insert(pts.end(), {{1, 5}, {9, 5}, {4, 5}});
    m.FillPolygons(1, pts.data(), static_cast<int32_t>(pts.size()));
    EXPECT_EQ(CountSet(m), 100);
    EXPECT_FALSE(m.IsEmpty());
    EXPECT_EQ(m.X1, 10);
    EXPECT_EQ(m.X2, 19);
    // On an empty mask a flat polygon leaves the box empty.
    TIEMask e;
    e.AllocateBits(8, 8, 1);
    const POINT flat[] = {{1, 2}, {5, 2}};
    e.FillPolygon(1, flat, 2);
    EXPECT_TRUE(e.IsEmpty());
}

TEST(Mask, PolygonsReachingOutsideAreClipped) {
    TIEMask m;
    m.AllocateBits(10, 10, 8);
    // Far above and below: nothing is folded onto the first or last row, and no huge table.
    const POINT tall[] = {{2, -2000000000}, {4, -2000000000}, {4, 2000000000}, {2, 2000000000}};
    m.FillPolygon(255, tall, 4);
    EXPECT_EQ(CountSet(m), 20);
    EXPECT_EQ(m.Y1, 0);
    EXPECT_EQ(m.Y2, 9);
    // Entirely above the mask: nothing at all.
    TIEMask a;
    a.AllocateBits(10, 10, 1);
    const POINT above[] = {{0, -30}, {9, -30}, {9, -5}, {0, -5}};
    a.FillPolygon(1, above, 4);
    EXPECT_EQ(CountSet(a), 0);
    EXPECT_TRUE(a.IsEmpty());
    // A slanted edge entering from above is followed into the mask.
    TIEMask s;
    s.AllocateBits(20, 10, 1);
    const POINT slant[] = {{0, -10}, {10, -10}, {20, 10}, {0, 10}};
    s.FillPolygon(1, slant, 4);
    EXPECT_TRUE(s.IsPointInside(14, 0));
    EXPECT_FALSE(s.IsPointInside(16, 0));
}

TEST(Mask, TranslateAndResize) {
    TIEMask m;
    m.AllocateBits(10, 10, 1);
    m.SetPixel(9, 5, 1);
    int32_t dx = 5, dy = 0;
    m.Translate(dx, dy, false);
    EXPECT_EQ(dx, 0);  // the box already touches the right edge
    EXPECT_TRUE(m.IsPointInside(9, 5));
    dx = -3;
    dy = 2;
    m.Translate(dx, dy, false);
    EXPECT_TRUE(m.IsPointInside(6, 7));
    EXPECT_FALSE(m.IsPointInside(9, 5));
    EXPECT_EQ(m.X1, 6);
    EXPECT_EQ(m.Y1, 7);
    m.Resize(5, 5);
    EXPECT_EQ(m.X1, 4);
    EXPECT_EQ(m.Y1, 4);
    EXPECT_EQ(m.Width, 5);
}

TEST(Mask, CopyBitmapThroughMaskClipped) {
    TIEMask m;
    m.AllocateBits(8, 8, 1);
    m.FillPolygon(1, std::vector<POINT>{{0, 0}, {8, 0}, {8, 8}, {0, 8}}.data(), 4);
    TIEBitmap src, dst;
    src.Allocate(4, 4, ieRGB24);  // smaller than the mask's box
    src.Fill(0x0000FF);
    dst.Allocate(3, 3, ieRGB24);
    dst.Fill(0);
    m.CopyBitmap(&dst, &src, false, false, false);
    EXPECT_EQ(dst.GetPixelRGB24(2, 2), (TRGB{0, 0, 255}));

    // 8-bit mask blends: d + floor((s - d) * m / 256).
    TIEMask h;
    h.AllocateBits(2, 1, 8);
    h.SetPixel(0, 0, 128);
    h.SetPixel(1, 0, 0);
    TIEBitmap a, b;
    a.Allocate(2, 1, ie8g);
    a.Fill(255);
    b.Allocate(2, 1, ie8g);
    b.Fill(0);
    h.CopyBitmap(&b, &a, false, false, true);
    EXPECT_EQ(b.GetPixel8(0, 0), 127);
    EXPECT_EQ(b.GetPixel8(1, 0), 0);
    EXPECT_EQ(b.GetAlpha(0, 0), 128);
    EXPECT_EQ(b.GetAlpha(1, 0), 255);  // outside the box: untouched

    // Different formats copy nothing, but alpha is still written.
    TIEBitmap c;
    c.Allocate(2, 1, ieRGB24);
    c.Fill(0x010101);
    h.CopyBitmap(&c, &a, false, false, true);
    EXPECT_EQ(c.GetPixelRGB24(0, 0), (TRGB{1, 1, 1}));
    EXPECT_EQ(c.GetAlpha(0, 0), 128);
}
