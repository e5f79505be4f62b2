// Quantizer palettes and indices on images with at most and more than N colours.
#include <gtest/gtest.h>

#include <set>

#include "imaging/processing/quantizer.h"
#include "testimg.h"

using testimg::G;

namespace {

const TRGB kSentinel = MakeRGB(1, 2, 3);

std::vector<TRGB> Sentinels(int n) { return std::vector<TRGB>(static_cast<size_t>(n), kSentinel); }

// w x h image of `colours` distinct colours, cycling.
std::unique_ptr<TIEBitmap> ManyColours(int w, int h, int colours) {
    std::vector<TRGB> px;
    for (int i = 0; i < w * h; ++i) {
        const int k = i % colours;
        px.push_back(MakeRGB(static_cast<uint8_t>(k * 7 % 256), static_cast<uint8_t>(k * 13 % 256), static_cast<uint8_t>(k / 2)));
    }
    return testimg::RGB24(w, h, px);
}

}  // namespace

TEST(Quantizer, ExactColoursInOrderOfFirstAppearance) {
    const TRGB a = MakeRGB(200, 0, 0), b = MakeRGB(0, 200, 0), c = MakeRGB(0, 0, 200), d = MakeRGB(9, 9, 0),
               e = MakeRGB(250, 250, 250);
    auto bmp = testimg::RGB24(3, 3, {c, c, a, b, c, d, d, e, a});
    auto pal = Sentinels(16);
    TIEQuantizer q(bmp.get(), pal.data(), 16);
    EXPECT_EQ(q.ExactCount(), 5);
    EXPECT_FALSE(q.GrayScale());
    const std::vector<TRGB> first(pal.begin(), pal.begin() + 5);
    EXPECT_EQ(first, (std::vector<TRGB>{c, a, b, d, e}));
    for (int i = 5; i < 16; ++i) EXPECT_EQ(pal[static_cast<size_t>(i)], kSentinel);
    EXPECT_EQ(q.GetColorIndex(d), 3);
    EXPECT_EQ(q.GetColorIndex(TRGBToInt(e)), 4);
    // A colour the image does not hold maps to its nearest colour, never -1.
    EXPECT_EQ(q.GetColorIndex(MakeRGB(240, 250, 250)), 4);
    EXPECT_EQ(q.GetColorIndex(MakeRGB(190, 5, 5)), 1);
}

TEST(Quantizer, ChoiceOfEngineByColourCount) {
    struct Case {
        int colours, N, method, exact;
    } cases[] = {{200, 16, 1, 0}, {200, 256, -1, 200}, {300, 256, 0, 0}, {16, 16, -1, 16}, {17, 16, 1, 0}};
    for (const auto& k : cases) {
        auto bmp = ManyColours(40, 30, k.colours);
        auto pal = Sentinels(k.N);
        TIEQuantizer q(bmp.get(), pal.data(), k.N);
        EXPECT_EQ(q.Method(), k.method) << k.colours << "/" << k.N;
        EXPECT_EQ(q.ExactCount(), k.exact) << k.colours << "/" << k.N;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const int i = q.GetColorIndex(bmp->GetPixelRGB24(x, y));
                ASSERT_GE(i, 0);
                ASSERT_LT(i, k.N);
            }
    }
}

TEST(Quantizer, GreyImageGetsTheRamp) {
    auto bmp = testimg::RGB24(2, 2, {G(0), G(17), G(128), G(255)});
    auto pal = Sentinels(16);
    TIEQuantizer q(bmp.get(), pal.data(), 16);
    EXPECT_TRUE(q.GrayScale());
    for (int i = 0; i < 16; ++i) EXPECT_EQ(pal[static_cast<size_t>(i)], G(16 * i));
    EXPECT_EQ(q.GetColorIndex(G(255)), 15);  // 255 x 16 div 256
    EXPECT_EQ(q.GetColorIndex(G(17)), 1);
    EXPECT_EQ(q.GetColorIndex(G(15)), 0);
    // An ie8g image is grey by format.
    auto g8 = testimg::Grey(2, 1, {3, 250});
    auto pal3 = Sentinels(3);
    TIEQuantizer q3(g8.get(), pal3.data(), 3);
    EXPECT_TRUE(q3.GrayScale());
    EXPECT_EQ(pal3[1], G(85));  // Trunc(256 / 3 x 1)
    EXPECT_EQ(pal3[2], G(170));
    EXPECT_EQ(q3.GetColorIndex(G(250)), 2);
}

TEST(Quantizer, PaletteImageIndicesFollowItsOwnEntries) {
    // A grey palette that is not the identity ramp: entry i is 255 - i.
    auto bmp = std::make_unique<TIEBitmap>();
    bmp->Allocate(4, 1, ie8p);
    for (int i = 0; i < 256; ++i) bmp->SetPalette(i, G(255 - i));
    for (int x = 0; x < 4; ++x) bmp->SetPixel8(x, 0, static_cast<uint8_t>(x * 50));
    auto pal = Sentinels(256);
    TIEQuantizer q(bmp.get(), pal.data(), 256);
    EXPECT_TRUE(q.GrayScale());
    EXPECT_EQ(pal[10], G(245));
    for (int x = 0; x < 4; ++x) EXPECT_EQ(q.GetColorIndex(bmp->GetPixelRGB(x, 0)), x * 50) << x;

    // A colour palette and a colour it lacks: the nearest of the first N entries.
    for (int i = 0; i < 256; ++i) bmp->SetPalette(i, MakeRGB(static_cast<uint8_t>(i), 0, 100));
    auto pal16 = Sentinels(16);
    TIEQuantizer q16(bmp.get(), pal16.data(), 16);
    EXPECT_FALSE(q16.GrayScale());
    EXPECT_EQ(pal16[15], MakeRGB(15, 0, 100));
    EXPECT_EQ(q16.GetColorIndex(MakeRGB(7, 0, 100)), 7);
    EXPECT_EQ(q16.GetColorIndex(MakeRGB(200, 0, 100)), 15);
}

TEST(Quantizer, VarianceSplitIntoOccupiedCellsOnly) {
    // Ten colours in three histogram cells, quantized to 8: three boxes.
    std::vector<TRGB> px = {MakeRGB(0, 0, 0),   MakeRGB(1, 1, 1),   MakeRGB(2, 2, 2),   MakeRGB(3, 3, 3),
                            MakeRGB(248, 0, 0), MakeRGB(249, 0, 0), MakeRGB(250, 0, 0), MakeRGB(0, 248, 0),
                            MakeRGB(0, 249, 0), MakeRGB(0, 250, 0)};
    auto bmp = testimg::RGB24(10, 1, px);
    auto pal = Sentinels(8);
    int32_t boxes = 0;
    std::unique_ptr<TIEVarianceQuantizer, void (*)(TIEVarianceQuantizer*)> s(
        CreateVarianceQuantizer(bmp.get(), pal.data(), 8, &boxes), FreeVarianceQuantizer);
    EXPECT_EQ(boxes, 3);
    const std::set<int> made = {TRGBToInt(pal[0]), TRGBToInt(pal[1]), TRGBToInt(pal[2])};
    EXPECT_EQ(made, (std::set<int>{TRGBToInt(MakeRGB(0, 0, 0)), TRGBToInt(MakeRGB(248, 0, 0)),
                                   TRGBToInt(MakeRGB(0, 248, 0))}));
    for (int i = 3; i < 8; ++i) EXPECT_EQ(pal[static_cast<size_t>(i)], kSentinel);
    for (const TRGB& c : px) {
        const int i = VarianceQuantizerIndex(s.get(), c);
        ASSERT_LT(i, 3);
        EXPECT_EQ(pal[static_cast<size_t>(i)], MakeRGB(static_cast<uint8_t>(c.r & 0xF8), static_cast<uint8_t>(c.g & 0xF8), 0));
    }
}

TEST(Quantizer, VarianceSplitTwoClustersByHand) {
    // Five near-black and five near-white colours: the red axis is tried first,
    // cut at bin Round((0 + 15.5) / 2) = 8, so box 0 is the dark half.
    std::vector<TRGB> px;
    for (int i = 0; i < 5; ++i) px.push_back(G(i));
    for (int i = 0; i < 5; ++i) px.push_back(G(255 - i));
    auto bmp = testimg::RGB24(5, 2, px);
    auto pal = Sentinels(2);
    TIEQuantizer q(bmp.get(), pal.data(), 2);
    EXPECT_EQ(q.Method(), -1);  // grey: the ramp, no engine
    // The same through the engine directly (grey images never reach it).
    int32_t boxes = 0;
    std::unique_ptr<TIEVarianceQuantizer, void (*)(TIEVarianceQuantizer*)> s(
        CreateVarianceQuantizer(bmp.get(), pal.data(), 2, &boxes), FreeVarianceQuantizer);
    EXPECT_EQ(boxes, 2);
    EXPECT_EQ(pal[0], G(0));
    EXPECT_EQ(pal[1], G(248));
    EXPECT_EQ(VarianceQuantizerIndex(s.get(), G(4)), 0);
    EXPECT_EQ(VarianceQuantizerIndex(s.get(), G(251)), 1);
}

TEST(Quantizer, NeuQuantSampleFactorAndQuality) {
    EXPECT_EQ(NeuQuantSampleFactor(1999, -1), 1);
    EXPECT_EQ(NeuQuantSampleFactor(150000, -1), 15);
    EXPECT_EQ(NeuQuantSampleFactor(12000000, -1), 30);
    EXPECT_EQ(NeuQuantSampleFactor(5000, 100), 1);
    EXPECT_EQ(NeuQuantSampleFactor(5000, 0), 30);
}

TEST(Quantizer, NeuQuantPaletteFollowsTheImage) {
    // 300 colours along a ramp: every pixel's palette colour lies close to it.
    std::vector<TRGB> px;
    for (int i = 0; i < 600; ++i) {
        const int k = i % 300;
        px.push_back(MakeRGB(static_cast<uint8_t>(k * 255 / 299), static_cast<uint8_t>(255 - k * 255 / 299), static_cast<uint8_t>(k % 2 ? 40 : 200)));
    }
    auto bmp = testimg::RGB24(30, 20, px);
    auto pal = Sentinels(256);
    TIEQuantizer q(bmp.get(), pal.data(), 256);
    ASSERT_EQ(q.Method(), 0);
    long total = 0;
    for (const TRGB& c : px) {
        const int i = q.GetColorIndex(c);
        ASSERT_GE(i, 0);
        ASSERT_LT(i, 256);
        const TRGB p = pal[static_cast<size_t>(i)];
        total += std::abs(p.r - c.r) + std::abs(p.g - c.g) + std::abs(p.b - c.b);
    }
    EXPECT_LT(total / static_cast<long>(px.size()), 24);
}
