// Colour, number, bit and pixel-run routines, and the start-up tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/processing/pixelutils.h"
#include "imaging/processing/procstartup.h"
#include "platform/win/winuser.h"

TEST(PixelUtils, RoundingAndLimits) {
    EXPECT_EQ(CeilToInt(2.0), 2);
    EXPECT_EQ(CeilToInt(2.1), 3);
    EXPECT_EQ(CeilToInt(-2.1), -2);
    EXPECT_EQ(FloorToInt(-2.1), -3);
    EXPECT_EQ(FloorToInt(2.9), 2);
    EXPECT_EQ(FloorToInt(-2.0), -2);
    EXPECT_EQ(IClamp(5, 10, 0), 10);  // low wins when low > high
    EXPECT_EQ(IClamp(-3, 0, 255), 0);
    EXPECT_EQ(IClamp(300, 0, 255), 255);
    EXPECT_EQ(IClamp(7, 0, 255), 7);
    EXPECT_EQ(ClampToByte(256), 255);
    EXPECT_EQ(ClampToByte(-1), 0);
    EXPECT_EQ(IMin(3, -4), -4);
    EXPECT_EQ(IMax(3, -4), 3);
    int32_t x1 = 9, y1 = 2, x2 = 1, y2 = 5;
    OrderCorners(x1, y1, x2, y2);
    EXPECT_EQ(x1, 1);
    EXPECT_EQ(x2, 9);
    EXPECT_EQ(y1, 2);
    EXPECT_EQ(y2, 5);
}

TEST(PixelUtils, GreyAndPackedColours) {
    EXPECT_EQ(RGBToGray(MakeRGB(255, 255, 255)), 255);
    EXPECT_EQ(RGBToGray(MakeRGB(0, 255, 0)), 181);   // 71 x 255 div 100
    EXPECT_EQ(RGBToGray(MakeRGB(255, 0, 0)), 53);    // 21 x 255 = 5355
    EXPECT_EQ(RGBToGray(0x00FF0000), 53);            // packed: red in bits 16-23
    const TRGB c = MakeRGB(0x12, 0x34, 0x56);
    EXPECT_EQ(c.r, 0x12);
    EXPECT_EQ(c.b, 0x56);
    EXPECT_EQ(SwapColorRedBlue(c), 0x563412);
    EXPECT_EQ(SwapColorRedBlue(int32_t{0x123456}), 0x563412);
    EXPECT_TRUE(SameRGB(c, MakeRGB(0x12, 0x34, 0x56)));
    EXPECT_FALSE(SameRGB(c, MakeRGB(0x12, 0x34, 0x57)));
    EXPECT_TRUE(SameRGB(ColorToRGBTriple(0x563412u), c));
    // System colours come from the windowing layer's table.
    const uint32_t window = GetSysColor(5);
    EXPECT_EQ(SwapColorRedBlue(ColorToRGBTriple(0xFF000005u)), static_cast<int32_t>(window & 0xFFFFFF));
}

TEST(PixelUtils, HSLRoundTrips) {
    struct Case {
        TRGB c;
        double h, s, l;
    } cases[] = {
        {MakeRGB(128, 128, 128), 0, 0, 128 / 255.0},
        {MakeRGB(255, 0, 0), 0, 1, 0.5},
        {MakeRGB(0, 0, 255), 4.0 / 6, 1, 0.5},
        {MakeRGB(0, 255, 0), 2.0 / 6, 1, 0.5},
        {MakeRGB(255, 0, 255), 5.0 / 6, 1, 0.5},  // (R - G)/delta < 0 wraps
    };
    for (const auto& k : cases) {
        double H, S, L;
        RGBToHSL(k.c, H, S, L);
        EXPECT_NEAR(H, k.h, 1e-12);
        EXPECT_NEAR(S, k.s, 1e-12);
        EXPECT_NEAR(L, k.l, 1e-12);
        EXPECT_TRUE(SameRGB(HSLToRGB(H, S, L), k.c));
    }
    // S = 0: three equal bytes; L = 0.5 x 255 = 127.5 rounds to even 128.
    EXPECT_TRUE(SameRGB(HSLToRGB(0.3, 0, 0.5), MakeRGB(128, 128, 128)));
    // H = 1.2 is H = 0.2.
    EXPECT_TRUE(SameRGB(HSLToRGB(1.2, 0.7, 0.4), HSLToRGB(0.2, 0.7, 0.4)));
    // Out-of-range S and L are clamped.
    EXPECT_TRUE(SameRGB(HSLToRGB(0.1, 3, 2), MakeRGB(255, 255, 255)));
    TRGB v{};
    HSLToRGB(v, 0, 1, 0.5);
    EXPECT_TRUE(SameRGB(v, MakeRGB(255, 0, 0)));
}

TEST(PixelUtils, NearestPaletteIndex) {
    const TRGB pal[] = {MakeRGB(0, 0, 0), MakeRGB(10, 10, 10), MakeRGB(20, 0, 0), MakeRGB(0, 20, 0)};
    EXPECT_EQ(NearestPaletteIndex(pal, 4, MakeRGB(9, 9, 9)), 1);
    // (10, 10, 0): distance 10 to entries 1, 2 and 3; the first wins.
    EXPECT_EQ(NearestPaletteIndex(pal, 4, MakeRGB(10, 10, 0)), 1);
    EXPECT_EQ(NearestPaletteIndex(pal + 2, 2, MakeRGB(10, 10, 0)), 0);
    EXPECT_EQ(NearestPaletteIndex(pal, 0, MakeRGB(10, 10, 0)), 0);
}

TEST(PixelUtils, SetAndGetBit) {
    uint8_t row[2] = {0, 0};
    SetBit(row, 0, true);
    SetBit(row, 9, true);
    EXPECT_EQ(row[0], 0x80);
    EXPECT_EQ(row[1], 0x40);
    EXPECT_EQ(GetBit(row, 9), 0x40);
    EXPECT_EQ(GetBit(row, 8), 0);
    SetBit(row, 0, false);
    EXPECT_EQ(row[0], 0);
}

// Reference bit copy, one bit at a time.
static void CopyBitsSlow(uint8_t* dest, const uint8_t* src, int destBit, int srcBit, int count, int srcSize) {
    for (int i = 0; i < count; ++i) {
        const int sb = srcBit + i;
        const bool v = sb / 8 < srcSize && (src[sb / 8] & (128 >> (sb % 8)));
        SetBit(dest, static_cast<uint32_t>(destBit + i), v);
    }
}

TEST(PixelUtils, CopyBitsMatchesBitByBitCopy) {
    const uint8_t src[6] = {0xA5, 0x3C, 0xF0, 0x0F, 0x81, 0x7E};
    for (int destBit : {0, 1, 3, 7, 8, 13})
        for (int srcBit : {0, 2, 5, 8, 11})
            for (int count : {1, 5, 8, 10, 16, 21}) {
                if ((srcBit + count + 7) / 8 > 6) continue;
                uint8_t a[8], b[8];
                std::memset(a, 0x55, sizeof a);
                std::memset(b, 0x55, sizeof b);
                CopyBits(a, src, destBit, srcBit, count, 6);
                CopyBitsSlow(b, src, destBit, srcBit, count, 6);
                ASSERT_EQ(0, std::memcmp(a, b, sizeof a)) << destBit << " " << srcBit << " " << count;
            }
}

TEST(PixelUtils, CopyBitsKeepsNeighbourBitsAndStopsAtSourceSize) {
    // destBit 3, sourceBit 5, count 10: the three high bits of byte 0 and the three
    // low bits of byte 1 stay as they were.
    uint8_t dest[2] = {0xFF, 0xFF};
    const uint8_t src[2] = {0, 0};
    CopyBits(dest, src, 3, 5, 10, 2);
    EXPECT_EQ(dest[0], 0xE0);
    EXPECT_EQ(dest[1], 0x07);
    // Bytes beyond sourceSize count as zero (and are not read).
    std::vector<uint8_t> one(1, 0xFF);
    uint8_t d2[3] = {0, 0, 0};
    CopyBits(d2, one.data(), 0, 0, 24, 1);
    EXPECT_EQ(d2[0], 0xFF);
    EXPECT_EQ(d2[1], 0);
    EXPECT_EQ(d2[2], 0);
    // Nothing for a count below 1 or a negative offset.
    uint8_t d3 = 0x12;
    CopyBits(&d3, one.data(), 0, 0, 0, 1);
    CopyBits(&d3, one.data(), -1, 0, 4, 1);
    EXPECT_EQ(d3, 0x12);
}

TEST(PixelUtils, RedBlueSwaps) {
    uint8_t px[6] = {1, 2, 3, 4, 5, 6};
    SwapRedBlueBytes(px, 2);
    EXPECT_EQ(std::vector<uint8_t>(px, px + 6), (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
    SwapRedBlueBytes(px, 0);
    EXPECT_EQ(px[0], 3);
    uint8_t out[6] = {};
    CopySwapRedBlue(out, px, 2);
    EXPECT_EQ(std::vector<uint8_t>(out, out + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    TRGB t[2] = {MakeRGB(1, 2, 3), MakeRGB(4, 5, 6)};
    SwapRedBlueTriples(t, 1);
    EXPECT_TRUE(SameRGB(t[0], MakeRGB(3, 2, 1)));
    EXPECT_TRUE(SameRGB(t[1], MakeRGB(4, 5, 6)));
    uint16_t w[6] = {1, 2, 3, 0x1111, 0x2222, 0x3333};
    void* end = SwapRedBlue48(w, 2);
    EXPECT_EQ(end, static_cast<void*>(w + 6));
    EXPECT_EQ(w[0], 3);
    EXPECT_EQ(w[2], 1);
    EXPECT_EQ(w[3], 0x3333);
    EXPECT_EQ(w[5], 0x1111);
}

TEST(ProcessingStartup, TablesAndPresets) {
    IEProcessingStartup();
    EXPECT_EQ(PresetKernelCount(), 9);
    EXPECT_EQ(PresetKernelName(3), "Emboss");
    EXPECT_GE(IEClipboardFormat, 0xC000u);  // a registered format
    EXPECT_EQ(PresetKernel(8).Divisor, 16);
    EXPECT_EQ(PresetKernel(2).Values[1][1], -8);
    // 0xA5 = 10100101: white, black, white, black, black, white, black, white.
    const int expect[8] = {255, 0, 255, 0, 0, 255, 0, 255};
    for (int i = 0; i < 8; ++i)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(IEExpansionTable[0xA5][i * 3 + c], expect[i]) << i;
    IEProcessingStartup();  // counted: no second set of presets
    EXPECT_EQ(PresetKernelCount(), 9);
    IEProcessingShutdown();
    EXPECT_EQ(PresetKernelCount(), 9);
    IEProcessingShutdown();
    EXPECT_EQ(PresetKernelCount(), 0);
    TIPDialogParams p;
    EXPECT_EQ(p.UserKernel[1][1], 1);
    EXPECT_EQ(p.Size2[1], 150);
    EXPECT_DOUBLE_EQ(p.Factor, 1.7);
    EXPECT_EQ(p.Settings9[3], -1);
}
