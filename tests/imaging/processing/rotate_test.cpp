// Flips and rotations on small asymmetric images, alpha channel included.
#include <gtest/gtest.h>

#include "imaging/processing/rotate.h"
#include "testimg.h"

using testimg::G;

namespace {

// 3x2, every pixel distinct; alpha = 10 x (index + 1).
std::unique_ptr<TIEBitmap> Asym() {
    std::vector<TRGB> px;
    for (int i = 0; i < 6; ++i) px.push_back(MakeRGB(static_cast<uint8_t>(40 * i + 1), static_cast<uint8_t>(i), 99));
    auto b = testimg::RGB24(3, 2, px);
    for (int i = 0; i < 6; ++i) b->SetAlpha(i % 3, i / 3, static_cast<uint8_t>(10 * (i + 1)));
    return b;
}

// The pixel and alpha of source (sx, sy) must sit at dest (x, y).
void ExpectMapped(TIEBitmap* src, TIEBitmap* dst, int x, int y, int sx, int sy) {
    EXPECT_EQ(dst->GetPixelRGB24(x, y), src->GetPixelRGB24(sx, sy)) << x << "," << y;
    EXPECT_EQ(dst->GetAlpha(x, y), src->GetAlpha(sx, sy)) << x << "," << y;
}

}  // namespace

TEST(Rotate, QuarterTurnsWithAlpha) {
    auto src = Asym();
    struct Case {
        double angle;
        int kind;  // 1 CCW, -1 CW, 2 half
    } cases[] = {{90, 1}, {450, 1}, {-270, 1}, {-90, -1}, {270, -1}, {180, 2}, {-180, 2}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.angle);
        auto b = Asym();
        RotateBitmap(b.get(), k.angle, false, G(0));
        ASSERT_TRUE(b->HasAlphaChannel());
        if (k.kind == 2) {
            ASSERT_EQ(b->Width(), 3);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x) ExpectMapped(src.get(), b.get(), x, y, 2 - x, 1 - y);
            continue;
        }
        ASSERT_EQ(b->Width(), 2);
        ASSERT_EQ(b->Height(), 3);
        ASSERT_EQ(b->GetAlphaChannel()->Width(), 2);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 2; ++x) {
                if (k.kind == 1)
                    ExpectMapped(src.get(), b.get(), x, y, 3 - 1 - y, x);  // counter-clockwise
                else
                    ExpectMapped(src.get(), b.get(), x, y, y, 2 - 1 - x);  // clockwise
            }
    }
    // Counter-clockwise: the top-left pixel is the source's top-right one.
    auto b = Asym();
    RotateBitmap(b.get(), 90, G(0));
    EXPECT_EQ(b->GetPixelRGB24(0, 0), src->GetPixelRGB24(2, 0));
}

TEST(Rotate, WholeTurnsAndTinyAnglesLeaveThePixels) {
    // These normalise to 0 and used to make the bitmap assign itself.
    for (double a : {360.0, -720.0, 0.0004}) {
        auto b = Asym();
        RotateBitmap(b.get(), a, true, G(0));
        auto ref = Asym();
        EXPECT_EQ(testimg::Pixels(b.get()), testimg::Pixels(ref.get())) << a;
        EXPECT_EQ(b->GetAlpha(2, 1), 60);
    }
}

TEST(Rotate, ThirtyDegreesWithoutAntialias) {
    // 7x4, red channel = 20 + index, alpha = the red channel: after the turn the
    // alpha must still equal the red of the same pixel.
    std::vector<TRGB> px;
    for (int i = 0; i < 28; ++i) px.push_back(MakeRGB(static_cast<uint8_t>(20 + i), 200, 1));
    auto src = testimg::RGB24(7, 4, px);
    for (int i = 0; i < 28; ++i) src->SetAlpha(i % 7, i / 7, static_cast<uint8_t>(20 + i));
    const TRGB bg = MakeRGB(0, 0, 255);
    for (double angle : {30.0, -30.0}) {
        SCOPED_TRACE(angle);
        TIEBitmap b;
        b.Assign(src.get());
        RotateBitmap(&b, angle, false, bg);
        EXPECT_GE(b.Width(), 7);
        EXPECT_GE(b.Height(), 4);
        ASSERT_EQ(b.GetAlphaChannel()->Width(), b.Width());
        ASSERT_EQ(b.GetAlphaChannel()->Height(), b.Height());
        std::vector<int> seen(28, 0);
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x) {
                const TRGB p = b.GetPixelRGB24(x, y);
                if (p == bg) {
                    EXPECT_EQ(b.GetAlpha(x, y), 0);
                    continue;
                }
                ASSERT_EQ(p.g, 200);  // an exact source pixel
                ASSERT_GE(p.r, 20);
                ASSERT_LT(p.r, 48);
                ++seen[static_cast<size_t>(p.r - 20)];
                EXPECT_EQ(b.GetAlpha(x, y), p.r);
            }
        int present = 0;
        for (int s : seen) present += s > 0;
        EXPECT_GE(present, 24);  // the shears may drop or double a few pixels
    }
}

TEST(Rotate, DirectionIsCounterClockwise) {
    // A marker at the right end of the middle row of a wide image.
    std::vector<TRGB> px(9 * 3, G(100));
    px[9 + 8] = MakeRGB(255, 0, 0);
    auto src = testimg::RGB24(9, 3, px);
    for (double angle : {30.0, -30.0}) {
        TIEBitmap b;
        b.Assign(src.get());
        RotateBitmap(&b, angle, false, G(0));
        int mx = -1, my = -1;
        for (int y = 0; y < b.Height(); ++y)
            for (int x = 0; x < b.Width(); ++x)
                if (b.GetPixelRGB24(x, y) == MakeRGB(255, 0, 0)) mx = x, my = y;
        ASSERT_GE(mx, 0);
        EXPECT_GT(mx * 2, b.Width());  // still right of the centre
        if (angle > 0)
            EXPECT_LT(my * 2 + 1, b.Height()) << "above the centre";
        else
            EXPECT_GT(my * 2 + 1, b.Height()) << "below the centre";
    }
}

TEST(Rotate, AntialiasBlendsOnlyTowardNeighbours) {
    // Blends lie between a pixel and its neighbour (or the background): a
    // uniform 200 never comes out brighter, whatever the sign of the fraction.
    for (double angle : {20.0, -20.0, 33.0, -41.0}) {
        auto src = testimg::RGB24(6, 5, std::vector<TRGB>(30, G(200)));
        RotateBitmap(src.get(), angle, true, G(0));
        int full = 0;
        for (int y = 0; y < src->Height(); ++y)
            for (int x = 0; x < src->Width(); ++x) {
                const TRGB p = src->GetPixelRGB24(x, y);
                EXPECT_LE(p.r, 200) << angle;
                full += p == G(200);
            }
        EXPECT_GE(full, 8) << angle;
    }
}

TEST(Rotate, OtherFormatsKeepTheirFormat) {
    // Quarter turns are exact for every format.
    const TIEPixelFormat formats[] = {ie8g, ie16g, ie32f, ieCMYK, ieRGB48, ieCIELab, ie8p};
    for (TIEPixelFormat pf : formats) {
        TIEBitmap b;
        b.Allocate(3, 2, pf);
        const int bpp = b.BitCount() / 8;
        for (int y = 0; y < 2; ++y)
            for (int i = 0; i < 3 * bpp; ++i) b.Scanline(y)[i] = static_cast<uint8_t>(y * 50 + i);
        RotateBitmap(&b, 90, G(0));
        ASSERT_EQ(b.PixelFormat(), pf);
        ASSERT_EQ(b.Width(), 2);
        // dest(0, 0) = source(2, 0); dest(1, 2) = source(0, 1).
        for (int k = 0; k < bpp; ++k) {
            EXPECT_EQ(b.Scanline(0)[k], 2 * bpp + k) << int(pf);
            EXPECT_EQ(b.Scanline(2)[bpp + k], 50 + k) << int(pf);
        }
    }
    // Other angles go through 24 bits and come back in the same format.
    auto g = testimg::Grey(5, 3, std::vector<int>(15, 77));
    RotateBitmap(g.get(), 30, G(0));
    EXPECT_EQ(g->PixelFormat(), ie8g);
    EXPECT_GT(g->Width(), 5);
    int grey = 0;
    for (int v : testimg::Bytes(g.get())) {
        EXPECT_TRUE(v == 0 || v == 77) << v;
        grey += v == 77;
    }
    EXPECT_GE(grey, 12);
}

TEST(Rotate, OneBitImages) {
    auto bw = testimg::BW({"##.", "..."});
    RotateBitmap(bw.get(), 90, G(0));
    EXPECT_EQ(testimg::BWRows(bw.get()), (std::vector<std::string>{"..", "#.", "#."}));
    auto b2 = testimg::BW({"##.", "..."});
    RotateBitmap(b2.get(), -90, G(0));
    EXPECT_EQ(testimg::BWRows(b2.get()), (std::vector<std::string>{".#", ".#", ".."}));
    auto b3 = testimg::BW({"##.", "..."});
    RotateBitmap(b3.get(), 180, G(0));
    EXPECT_EQ(testimg::BWRows(b3.get()), (std::vector<std::string>{"...", ".##"}));
    // Other angles: the corners take the background bit.
    auto all = testimg::BW({"####", "####", "####", "####"});
    RotateBitmap(all.get(), 45, G(0));
    EXPECT_FALSE(GetBit(all->Scanline(0), 0));
    EXPECT_TRUE(GetBit(all->Scanline(all->Height() / 2), static_cast<uint32_t>(all->Width() / 2)));
    auto none = testimg::BW({"....", "....", "....", "...."});
    RotateBitmap(none.get(), 45, G(255));
    EXPECT_TRUE(GetBit(none->Scanline(0), 0));
    EXPECT_FALSE(GetBit(none->Scanline(none->Height() / 2), static_cast<uint32_t>(none->Width() / 2)));
}

TEST(Flip, EveryFormatBothWays) {
    const TIEPixelFormat formats[] = {ie8p, ie8g, ie16g, ieRGB24, ie32f, ieCMYK, ieRGB48, ieCIELab};
    for (TIEPixelFormat pf : formats) {
        for (int dir : {0, 1}) {
            TIEBitmap b;
            b.Allocate(3, 2, pf);
            const int bpp = b.BitCount() / 8;
            for (int y = 0; y < 2; ++y)
                for (int i = 0; i < 3 * bpp; ++i) b.Scanline(y)[i] = static_cast<uint8_t>(y * 50 + i);
            b.SetAlpha(0, 0, 5);
            FlipBitmap(&b, dir);
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    for (int k = 0; k < bpp; ++k) {
                        const int sx = dir == 0 ? 2 - x : x, sy = dir == 0 ? y : 1 - y;
                        ASSERT_EQ(b.Scanline(y)[x * bpp + k], sy * 50 + sx * bpp + k) << int(pf) << " dir " << dir;
                    }
            EXPECT_EQ(b.GetAlpha(dir == 0 ? 2 : 0, dir == 0 ? 0 : 1), 5);
        }
    }
}

TEST(Flip, OneBitRowOfTenPixels) {
    auto bw = testimg::BW({"#..#.##...", "........##"});
    FlipBitmap(bw.get(), 0);
    EXPECT_EQ(testimg::BWRows(bw.get()), (std::vector<std::string>{"...##.#..#", "##........"}));
    // The bits after the last pixel stay 0.
    EXPECT_EQ(bw->Scanline(0)[1] & 0x3F, 0);
    EXPECT_EQ(bw->Scanline(1)[1] & 0x3F, 0);
    FlipBitmap(bw.get(), 1);
    EXPECT_EQ(testimg::BWRows(bw.get()), (std::vector<std::string>{"##........", "...##.#..#"}));
}
