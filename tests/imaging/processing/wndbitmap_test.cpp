// The windowing-bitmap helpers.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/processing/wndbitmap.h"
#include "platform/classlib/graphics.h"

TEST(WndBitmap, CopyAndDuplicate) {
    TBitmap empty;
    empty.SetPixelFormat(pf8bit);
    TBitmap dest(5, 5, pf24bit);
    CopyTBitmap(&empty, &dest);
    EXPECT_EQ(dest.Width(), 1);
    EXPECT_EQ(dest.Height(), 1);
    EXPECT_EQ(dest.PixelFormat(), pf8bit);

    TBitmap src(3, 2, pf8bit);
    std::vector<RGBQUAD> pal(256, RGBQUAD{0, 0, 0, 0});
    pal[7] = RGBQUAD{1, 2, 3, 0};
    src.SetPalette(pal);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) static_cast<uint8_t*>(src.ScanLine(y))[x] = static_cast<uint8_t>(y * 3 + x + 5);
    auto copy = DuplicateTBitmap(&src);
    ASSERT_EQ(copy->Width(), 3);
    ASSERT_EQ(copy->Height(), 2);
    EXPECT_EQ(copy->PixelFormat(), pf8bit);
    EXPECT_EQ(static_cast<uint8_t*>(copy->ScanLine(1))[2], 10);
    EXPECT_EQ(static_cast<uint8_t*>(copy->ScanLine(0))[2], 7);
    EXPECT_EQ(copy->Palette()[7].rgbRed, 3);
}

TEST(WndBitmap, ExpandOneBitRows) {
    // A 10-pixel row: one full table entry and six bytes of the next.
    TBitmap src(10, 2, pf1bit);
    auto* r0 = static_cast<uint8_t*>(src.ScanLine(0));
    auto* r1 = static_cast<uint8_t*>(src.ScanLine(1));
    r0[0] = 0xA5;
    r0[1] = 0x40;  // pixel 9 set
    r1[0] = 0x00;
    r1[1] = 0xFF;  // pixels 8, 9 set (and padding bits, not copied)
    TBitmap dest;
    TIEProgressRecord pr;
    int last = -1;
    pr.OnProgress = [&](TObject*, int p) { last = p; };
    ExpandTBitmap1To24(&src, &dest, pr);
    ASSERT_EQ(dest.PixelFormat(), pf24bit);
    ASSERT_EQ(dest.Width(), 10);
    const int bits0[10] = {1, 0, 1, 0, 0, 1, 0, 1, 0, 1};
    const int bits1[10] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1};
    for (int x = 0; x < 10; ++x) {
        EXPECT_EQ(static_cast<uint8_t*>(dest.ScanLine(0))[3 * x + 1], bits0[x] ? 255 : 0) << x;
        EXPECT_EQ(static_cast<uint8_t*>(dest.ScanLine(1))[3 * x + 2], bits1[x] ? 255 : 0) << x;
    }
    EXPECT_EQ(last, 80);  // Trunc(2 x 100 / 2.5)
}
