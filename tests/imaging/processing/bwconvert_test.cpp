// Thresholds, ordered dither, two-colour detection and colour reduction.
#include <gtest/gtest.h>

#include "imaging/processing/bwconvert.h"
#include "testimg.h"

using testimg::G;

namespace {

std::vector<std::string> Threshold(TIEBitmap* src, int t) {
    TIEBitmap dest;
    dest.Allocate(src->Width(), src->Height(), ie1g);
    TIEProgressRecord pr;
    ThresholdToBW(src, &dest, t, pr);
    return testimg::BWRows(&dest);
}

}  // namespace

TEST(Threshold, FixedAverageAndEntropy) {
    // Greys 0, 100, 200, 200 in one row (ie8g).
    auto g = testimg::Grey(4, 1, {0, 100, 200, 200});
    struct Case {
        int threshold;
        const char* expect;
    } cases[] = {
        {0, "####"},     // nothing is below 0
        {256, "...."},   // everything is below 256
        {100, ".###"},   // grey = threshold is white
        {101, "..##"},
        {-1, "..##"},    // average (0 + 100 + 200 + 200) div 4 = 125
        {-2, "..##"},    // entropy: t in 101..200 scores ln .25 + 2 ln 2 + 2 ln 2 ... = 0.693 > 0.636
    };
    for (const auto& k : cases) EXPECT_EQ(Threshold(g.get(), k.threshold), std::vector<std::string>{k.expect}) << k.threshold;
}

TEST(Threshold, TwoGreyLevelsStayTwoLevels) {
    // Black text on white: every entropy split scores 0, which used to leave the
    // threshold unset and the page all white.
    auto text = testimg::RGB24(4, 2, {G(0), G(255), G(255), G(255), G(255), G(0), G(0), G(255)});
    EXPECT_EQ(Threshold(text.get(), -2), (std::vector<std::string>{".###", "#..#"}));
    auto twoGreys = testimg::Grey(3, 1, {90, 91, 90});
    EXPECT_EQ(Threshold(twoGreys.get(), -2), std::vector<std::string>{".#."});
    // One colour: all white.
    auto flat = testimg::Grey(3, 1, {40, 40, 40});
    EXPECT_EQ(Threshold(flat.get(), -2), std::vector<std::string>{"###"});
    // An all-white image with the average: all white (255 is not below 255).
    auto white = testimg::RGB24(2, 1, {G(255), G(255)});
    EXPECT_EQ(Threshold(white.get(), -1), std::vector<std::string>{"##"});
}

TEST(Threshold, EveryPixelFormatReadsItsGrey) {
    // Two pixels, grey 50 and 200, threshold 128, in each format.
    std::vector<std::unique_ptr<TIEBitmap>> images;
    images.push_back(testimg::RGB24(2, 1, {G(50), G(200)}));
    images.push_back(testimg::Grey(2, 1, {50, 200}));
    auto p8 = testimg::Grey(2, 1, {3, 7}, ie8p);
    p8->SetPalette(3, G(50));
    p8->SetPalette(7, G(200));
    images.push_back(std::move(p8));
    auto g16 = std::make_unique<TIEBitmap>();
    g16->Allocate(2, 1, ie16g);
    g16->SetPixel16(0, 0, 50 * 256 + 255);
    g16->SetPixel16(1, 0, 200 * 256);
    images.push_back(std::move(g16));
    auto f32 = std::make_unique<TIEBitmap>();
    f32->Allocate(2, 1, ie32f);
    f32->SetPixel32f(0, 0, 50.5f / 255);
    f32->SetPixel32f(1, 0, 200.5f / 255);
    images.push_back(std::move(f32));
    auto rgb48 = std::make_unique<TIEBitmap>();
    rgb48->Allocate(2, 1, ieRGB48);
    rgb48->SetPixelRGB48(0, 0, TRGB48{50 * 257, 50 * 257, 50 * 257});
    rgb48->SetPixelRGB48(1, 0, TRGB48{200 * 257, 200 * 257, 200 * 257});
    images.push_back(std::move(rgb48));
    for (auto& img : images) EXPECT_EQ(Threshold(img.get(), 128), std::vector<std::string>{".#"}) << int(img->PixelFormat());
}

TEST(Threshold, OneBitSourceIsCopiedAndProgressIsReported) {
    auto bw = testimg::BW({"#.#", ".#."});
    EXPECT_EQ(Threshold(bw.get(), 200), (std::vector<std::string>{"#.#", ".#."}));
    auto g = testimg::Grey(1, 3, {1, 2, 3});
    TIEBitmap dest;
    std::vector<int> seen;
    TIEProgressRecord pr;
    pr.OnProgress = [&](TObject*, int p) { seen.push_back(p); };
    ThresholdToBW(g.get(), &dest, 2, pr);  // dest is allocated when the caller did not
    EXPECT_EQ(testimg::BWRows(&dest), (std::vector<std::string>{".", "#", "#"}));
    EXPECT_EQ(seen, (std::vector<int>{28, 57, 85}));  // Trunc((y + 1) x 100 / 3.5)
}

TEST(Threshold, ThresholdTo1BitKeepsAlpha) {
    auto img = testimg::RGB24(2, 1, {G(10), G(250)});
    img->SetAlpha(1, 0, 77);
    TIEProgressRecord pr;
    ThresholdTo1Bit(img.get(), 128, pr);
    EXPECT_EQ(img->PixelFormat(), ie1g);
    EXPECT_EQ(testimg::BWRows(img.get()), std::vector<std::string>{".#"});
    ASSERT_TRUE(img->HasAlphaChannel());
    EXPECT_EQ(img->GetAlpha(1, 0), 77);
    auto g = testimg::Grey(2, 1, {10, 250});
    ThresholdTo1Bit(g.get(), 128, pr);
    EXPECT_EQ(g->PixelFormat(), ie8g);  // other formats are left alone
}

TEST(OrderedDither, UniformGreyAndNearWhite) {
    std::vector<TRGB> px(64, G(128));
    auto img = testimg::RGB24(8, 8, px);
    TIEProgressRecord pr;
    OrderedDitherTo1Bit(img.get(), pr);
    ASSERT_EQ(img->PixelFormat(), ie1g);
    int white = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool bit = GetBit(img->Scanline(y), static_cast<uint32_t>(x)) != 0;
            EXPECT_EQ(bit, IEOrderedDitherMatrix[x][y] < 32) << x << "," << y;
            white += bit;
        }
    EXPECT_EQ(white, 32);
    // Channels of 251 and more give d = 64: white even under matrix value 63.
    auto nearWhite = testimg::RGB24(8, 8, std::vector<TRGB>(64, G(251)));
    OrderedDitherTo1Bit(nearWhite.get(), pr);
    EXPECT_EQ(testimg::BWRows(nearWhite.get()), std::vector<std::string>(8, "########"));
    // 250: d = 250 shr 2 = 62; only matrix value 63 (x = 7, y = 0) stays black.
    auto g250 = testimg::RGB24(8, 1, std::vector<TRGB>(8, G(250)));
    OrderedDitherTo1Bit(g250.get(), pr);
    EXPECT_EQ(testimg::BWRows(g250.get()), std::vector<std::string>{"#######."});
}

TEST(TwoColours, DarkerColourGetsBitZero) {
    const TRGB white = G(255), black = G(0), red = MakeRGB(255, 0, 0);
    for (bool whiteFirst : {true, false}) {
        const TRGB a = whiteFirst ? white : black, b = whiteFirst ? black : white;
        auto img = testimg::RGB24(3, 2, {a, b, a, b, a, b});
        TRGB c0{}, c1{};
        auto bw = TryConvertTo1Bit(img.get(), c0, c1);
        ASSERT_NE(bw, nullptr);
        EXPECT_EQ(c0, black);
        EXPECT_EQ(c1, white);
        const auto rows = testimg::BWRows(bw.get());
        EXPECT_EQ(rows[0], whiteFirst ? "#.#" : ".#.");
        EXPECT_EQ(rows[1], whiteFirst ? ".#." : "#.#");
        // Padding bits after the three pixels stay clear even after the inversion.
        EXPECT_EQ(bw->Scanline(0)[0] & 0x1F, 0);
        EXPECT_EQ(bw->Scanline(0)[1], 0);
    }
    TRGB c0{}, c1{};
    auto three = testimg::RGB24(3, 1, {white, black, red});
    EXPECT_EQ(TryConvertTo1Bit(three.get(), c0, c1), nullptr);
    auto one = testimg::RGB24(2, 1, {red, red});
    EXPECT_EQ(TryConvertTo1Bit(one.get(), c0, c1), nullptr);
    // Any format: a palette image of two entries.
    auto p8 = testimg::Grey(2, 1, {5, 9}, ie8p);
    p8->SetPalette(5, MakeRGB(0, 0, 200));
    p8->SetPalette(9, MakeRGB(0, 0, 10));
    auto bw = TryConvertTo1Bit(p8.get(), c0, c1);
    ASSERT_NE(bw, nullptr);
    EXPECT_EQ(c0, MakeRGB(0, 0, 10));
    EXPECT_EQ(testimg::BWRows(bw.get()), std::vector<std::string>{"#."});
}

TEST(Quantize, FewColoursStayAndManyAreReduced) {
    const TRGB a = MakeRGB(200, 10, 10), b = MakeRGB(10, 200, 10), c = MakeRGB(10, 10, 200);
    auto img = testimg::RGB24(3, 1, {a, b, c});
    std::vector<TRGB> pal(4, G(7));
    QuantizeBitmap(img.get(), 4, pal.data(), nullptr, nullptr);
    EXPECT_EQ(testimg::Pixels(img.get()), (std::vector<TRGB>{a, b, c}));
    EXPECT_EQ(pal[0], a);
    EXPECT_EQ(pal[3], G(7));
    // Many colours to 8: every pixel becomes one of the palette's colours.
    std::vector<TRGB> px;
    for (int i = 0; i < 64; ++i) px.push_back(MakeRGB(static_cast<uint8_t>(i * 4), static_cast<uint8_t>(255 - i * 4), static_cast<uint8_t>(i * 2)));
    auto many = testimg::RGB24(8, 8, px);
    std::vector<TRGB> pal8(8, G(7));
    int last = -1;
    QuantizeBitmap(many.get(), 8, pal8.data(), nullptr, [&](TObject*, int p) { last = p; });
    EXPECT_EQ(last, 94);  // Trunc(100 / 8.5 x 8)
    for (const TRGB& p : testimg::Pixels(many.get()))
        EXPECT_NE(std::find(pal8.begin(), pal8.end(), p), pal8.end());
}

TEST(InvertBitsTest, WholeRowsIncludingPadding) {
    auto bw = testimg::BW({"#..", ".#."});
    InvertBits(bw.get());
    EXPECT_EQ(testimg::BWRows(bw.get()), (std::vector<std::string>{".##", "#.#"}));
    EXPECT_EQ(bw->Scanline(0)[0] & 0x1F, 0x1F);
}
