// Pixel-row conversion, Gaussian blur, soft shadow, rounded corners and
// histogram matching.
#include <gtest/gtest.h>

#include "imaging/processing/effects.h"
#include "imaging/processing/pixelrow.h"
#include "imaging/processing/quantizer.h"
#include "testimg.h"

using testimg::G;

TEST(PixelRow, EveryPair) {
    TRGB pal[256];
    for (int i = 0; i < 256; ++i) pal[i] = MakeRGB(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 9);
    std::vector<uint8_t> out(64, 0);
    const uint8_t bits[2] = {0xA5, 0x80};  // 10100101 1
    // 1 -> 24: palette entries 0 and 1; 3 x count bytes.
    ASSERT_EQ(ConvertPixelRow(bits, out.data(), 1, nullptr, pal, 9, 24), 27);
    for (int i = 0; i < 9; ++i) {
        const int b = (i == 0 || i == 2 || i == 5 || i == 7 || i == 8) ? 1 : 0;
        EXPECT_EQ(out[3 * i + 2], pal[b].r) << i;
    }
    // 1 -> 8 and 1 -> 4 (ORed into a cleared row).
    ASSERT_EQ(ConvertPixelRow(bits, out.data(), 1, nullptr, pal, 9, 8), 9);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 9), (std::vector<uint8_t>{1, 0, 1, 0, 0, 1, 0, 1, 1}));
    std::fill(out.begin(), out.end(), 0);
    ASSERT_EQ(ConvertPixelRow(bits, out.data(), 1, nullptr, pal, 9, 4), 5);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 5), (std::vector<uint8_t>{0x10, 0x10, 0x01, 0x01, 0x10}));
    // 8 -> 1 (values 0 or 1) and 1 -> 1.
    const uint8_t idx[10] = {1, 0, 0, 1, 1, 1, 0, 0, 1, 1};
    ASSERT_EQ(ConvertPixelRow(idx, out.data(), 8, nullptr, pal, 10, 1), 2);
    EXPECT_EQ(out[0], 0x9C);
    EXPECT_EQ(out[1], 0xC0);
    ASSERT_EQ(ConvertPixelRow(bits, out.data(), 1, nullptr, pal, 9, 1), 2);
    EXPECT_EQ(out[0], 0xA5);
    // 4 -> 8, 4 -> 24, 4 -> 4; 8 -> 24, 8 -> 8.
    const uint8_t nib[2] = {0x3C, 0x70};
    ASSERT_EQ(ConvertPixelRow(nib, out.data(), 4, nullptr, pal, 3, 8), 3);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 3), (std::vector<uint8_t>{3, 12, 7}));
    ASSERT_EQ(ConvertPixelRow(nib, out.data(), 4, nullptr, pal, 3, 24), 9);
    EXPECT_EQ(out[3], pal[12].b);
    EXPECT_EQ(out[5], pal[12].r);
    ASSERT_EQ(ConvertPixelRow(nib, out.data(), 4, nullptr, pal, 3, 4), 2);
    ASSERT_EQ(ConvertPixelRow(idx, out.data(), 8, nullptr, pal, 2, 24), 6);
    EXPECT_EQ(out[5], pal[0].r);
    // 32 -> 24 drops the fourth byte; 24 -> 24 copies.
    const uint8_t p32[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(ConvertPixelRow(p32, out.data(), 32, nullptr, pal, 2, 24), 6);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 6), (std::vector<uint8_t>{1, 2, 3, 5, 6, 7}));
    // 24 -> 8 and 24 -> 4 through a quantizer of the image's exact colours.
    auto img = testimg::RGB24(3, 1, {MakeRGB(200, 0, 0), MakeRGB(0, 200, 0), MakeRGB(0, 0, 200)});
    TRGB qp[16];
    TIEQuantizer q(img.get(), qp, 16);
    const uint8_t* row = img->Scanline(0);
    ASSERT_EQ(ConvertPixelRow(row, out.data(), 24, &q, qp, 3, 8), 3);
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 3), (std::vector<uint8_t>{0, 1, 2}));
    std::fill(out.begin(), out.end(), 0);
    ASSERT_EQ(ConvertPixelRow(row, out.data(), 24, &q, qp, 3, 4), 2);
    EXPECT_EQ(out[0], 0x01);
    EXPECT_EQ(out[1], 0x20);
    // A pair it does not convert.
    EXPECT_EQ(ConvertPixelRow(row, out.data(), 32, nullptr, pal, 3, 8), 0);
}

TEST(Blur, KernelAndUniformImages) {
    int32_t w[201];
    EXPECT_EQ(GaussianKernel(0.01, w), 1);  // tiny sigma: r stays at 1
    EXPECT_EQ(w[100], 65536);
    const int r = GaussianKernel(2.0, w);
    EXPECT_GT(r, 4);
    EXPECT_LT(r, 20);
    EXPECT_EQ(w[100 + r + 1], 0);
    auto flat = testimg::RGB24(5, 4, std::vector<TRGB>(20, MakeRGB(10, 128, 250)));
    GaussianBlur(flat.get(), nullptr, nullptr, 0.01);
    GaussianBlur(flat.get(), nullptr, nullptr, 1.5);
    for (const TRGB& p : testimg::Pixels(flat.get())) EXPECT_EQ(p, MakeRGB(10, 128, 250));
    // A single bright pixel spreads symmetrically.
    std::vector<int> v(25, 0);
    v[12] = 255;
    auto g = testimg::Grey(5, 5, v);
    GaussianBlur(g.get(), nullptr, nullptr, 1.0);
    EXPECT_LT(g->GetPixel8(2, 2), 255);
    EXPECT_EQ(g->GetPixel8(1, 2), g->GetPixel8(3, 2));
    EXPECT_EQ(g->GetPixel8(2, 1), g->GetPixel8(2, 3));
    EXPECT_GT(g->GetPixel8(1, 2), g->GetPixel8(0, 2));
    // Empty bitmaps, other formats and sigma <= 0 do nothing (and do not divide by zero).
    TIEBitmap empty;
    empty.Allocate(0, 0, ieRGB24);
    GaussianBlur(&empty, nullptr, nullptr, 2);
    GaussianBlur(g.get(), nullptr, nullptr, 0);
}

TEST(SoftShadow, OpaqueImageUnchangedAndShadowAroundAShape) {
    auto img = testimg::RGB24(6, 6, std::vector<TRGB>(36, G(200)));
    img->GetAlphaChannel();
    AddSoftShadow(img.get(), 0, 0, 1.0, G(0), false);
    for (const TRGB& p : testimg::Pixels(img.get())) EXPECT_EQ(p, G(200));
    EXPECT_EQ(img->GetAlpha(0, 0), 255);
    // An opaque 2x2 square in the middle of a transparent 8x8: the shadow,
    // offset by (2, 2), colours transparent pixels below-right of it.
    auto s = testimg::RGB24(8, 8, std::vector<TRGB>(64, G(200)));
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) s->SetAlpha(x, y, (x >= 3 && x <= 4 && y >= 3 && y <= 4) ? 255 : 0);
    AddSoftShadow(s.get(), 2, 2, 0.5, MakeRGB(0, 0, 90), false);
    EXPECT_EQ(s->GetAlpha(3, 3), 255);  // the square keeps its alpha
    EXPECT_EQ(s->GetPixelRGB24(3, 3), G(200));
    EXPECT_GT(s->GetAlpha(6, 6), 0);  // shadow under (4, 4) + (2, 2)
    EXPECT_EQ(s->GetPixelRGB24(6, 6), MakeRGB(0, 0, 90));
    EXPECT_EQ(s->GetAlpha(0, 0), 0);
    EXPECT_EQ(s->GetPixelRGB24(0, 0), G(200));
    // Enlarging grows the canvas by 2 x max offset + Trunc(radius x 5).
    auto e = testimg::RGB24(4, 4, std::vector<TRGB>(16, G(200)));
    AddSoftShadow(e.get(), 1, -3, 1.0, G(0), true);
    EXPECT_EQ(e->Width(), 4 + 6 + 5);
    EXPECT_EQ(e->Height(), 4 + 6 + 5);
}

TEST(RoundCorners, CornersAndNarrowImages) {
    auto img = testimg::RGB24(100, 100, std::vector<TRGB>(10000, G(1)));
    RoundAlphaCorners(img.get(), 10, 10);
    EXPECT_EQ(img->GetAlpha(0, 0), 0);
    EXPECT_EQ(img->GetAlpha(99, 0), 0);
    EXPECT_EQ(img->GetAlpha(0, 99), 0);
    EXPECT_EQ(img->GetAlpha(99, 99), 0);
    EXPECT_EQ(img->GetAlpha(50, 50), 255);
    EXPECT_EQ(img->GetAlpha(50, 0), 255);
    EXPECT_EQ(img->GetAlpha(0, 50), 255);
    EXPECT_FALSE(img->GetAlphaChannel()->Full);
    // Curves larger than a wide, short image (and a tall, narrow one) stay inside it.
    auto wide = testimg::RGB24(40, 3, std::vector<TRGB>(120, G(1)));
    RoundAlphaCorners(wide.get(), 8, 12);
    EXPECT_EQ(wide->GetAlpha(0, 0), 0);
    EXPECT_EQ(wide->GetAlpha(20, 1), 255);
    auto tall = testimg::RGB24(3, 40, std::vector<TRGB>(120, G(1)));
    RoundAlphaCorners(tall.get(), 12, 8);
    EXPECT_EQ(tall->GetAlpha(0, 0), 0);
    EXPECT_EQ(tall->GetAlpha(1, 20), 255);
}

TEST(Histogram, MatchesTheReference) {
    // The target equal to the reference keeps its colours nearly unchanged.
    std::vector<TRGB> px;
    for (int i = 0; i < 64; ++i) px.push_back(MakeRGB(static_cast<uint8_t>(i * 4), static_cast<uint8_t>(255 - i * 2), static_cast<uint8_t>((i * 37) % 256)));
    auto ref = testimg::RGB24(8, 8, px);
    auto tgt = testimg::RGB24(8, 8, px);
    MatchHistogram(ref.get(), tgt.get());
    for (int i = 0; i < 64; ++i) {
        const TRGB a = tgt->GetPixelRGB24(i % 8, i / 8), b = px[static_cast<size_t>(i)];
        EXPECT_LE(std::abs(a.r - b.r), 4);
        EXPECT_LE(std::abs(a.g - b.g), 4);
        EXPECT_LE(std::abs(a.b - b.b), 4);
    }
    // A dark two-level target takes the reference's two levels, in order.
    auto r2 = testimg::RGB24(2, 1, {G(50), G(200)});
    auto t2 = testimg::RGB24(2, 1, {G(10), G(20)});
    MatchHistogram(r2.get(), t2.get());
    // Equalized: 10 -> 127, 20 -> 255; reference R(j): 127.5 for 50..199, 255 from 200.
    EXPECT_EQ(t2->GetPixelRGB24(0, 0), G(50));
    EXPECT_EQ(t2->GetPixelRGB24(1, 0), G(200));
    // 48-bit targets work on the high byte and store it x 257.
    TIEBitmap t48;
    t48.Allocate(2, 1, ieRGB48);
    t48.SetPixelRGB48(0, 0, TRGB48{10 * 257, 10 * 257, 10 * 257});
    t48.SetPixelRGB48(1, 0, TRGB48{20 * 257, 20 * 257, 20 * 257});
    MatchHistogram(r2.get(), &t48);
    EXPECT_EQ(t48.GetPixelRGB48(0, 0), (TRGB48{50 * 257, 50 * 257, 50 * 257}));
    EXPECT_EQ(t48.GetPixelRGB48(1, 0), (TRGB48{200 * 257, 200 * 257, 200 * 257}));
}
