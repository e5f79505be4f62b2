// Resampling: every filter on tiny images against values computed here by an
// independent formula or by hand.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/processing/resample.h"
#include "testimg.h"

using testimg::G;

namespace {

// ---- Reference of the kernel engine, written from the formulas -------------------
double RefKernel(int f, double x) {
    const double a = std::fabs(x);
    auto sinc = [](double v) { return v == 0 ? 1.0 : std::sin(M_PI * v) / (M_PI * v); };
    switch (f) {
        case rfTriangle: return a < 1 ? 1 - a : 0;
        case rfHermite: return a < 1 ? 2 * a * a * a - 3 * a * a + 1 : 0;
        case rfBell: return a < 0.5 ? 0.75 - a * a : (a < 1.5 ? 0.5 * (a - 1.5) * (a - 1.5) : 0);
        case rfBSpline: return a < 1 ? a * a * a / 2 - a * a + 2.0 / 3 : (a < 2 ? std::pow(2 - a, 3) / 6 : 0);
        case rfLanczos3: return a < 3 ? sinc(x) * sinc(x / 3) : 0;
        case rfMitchell:
            return a < 1 ? (7 * a * a * a - 12 * a * a + 16.0 / 3) / 6
                         : (a < 2 ? (-7.0 / 3 * a * a * a + 12 * a * a - 20 * a + 32.0 / 3) / 6 : 0);
        case rfNearest: return (x > -0.5 && x <= 0.5) ? 1 : 0;
        case rfLinear: return (x >= -1 && x < 0) ? x + 1 : ((x >= 0 && x < 1) ? 1 - x : 0);
    }
    return 0;
}
double RefSupport(int f) {
    const double s[] = {0, 1, 1, 1.5, 2, 3, 2, 1, 1};
    return s[f];
}

// One axis: out[i] from in[], weights Round(kernel x 256) with mirrored edges.
std::vector<int> RefAxis(const std::vector<int>& in, int dN, int f) {
    const int sN = static_cast<int>(in.size());
    const double scale = (sN == 1 || dN == 1) ? double(dN) / sN : double(dN - 1) / (sN - 1);
    const double width = scale >= 1 ? RefSupport(f) : RefSupport(f) / scale;
    std::vector<int> out(static_cast<size_t>(dN));
    for (int i = 0; i < dN; ++i) {
        const double c = i / scale;
        long sum = 0, wsum = 0;
        for (int j = static_cast<int>(std::floor(c - width)); j <= static_cast<int>(std::ceil(c + width)); ++j) {
            const double k = scale >= 1 ? RefKernel(f, c - j) : RefKernel(f, (c - j) * scale);
            const long w = std::lrint(k * 256);
            int n = j < 0 ? -j : (j >= sN ? 2 * sN - 1 - j : j);
            n = std::min(std::max(n, 0), sN - 1);
            sum += w * in[static_cast<size_t>(n)];
            wsum += w;
        }
        const long v = wsum != 0 ? sum / wsum : sum / 256;
        out[static_cast<size_t>(i)] = static_cast<int>(std::min(255L, std::max(0L, v)));
    }
    return out;
}

// Separable: rows first, then columns; one channel.
std::vector<int> RefKernel2D(const std::vector<int>& img, int sW, int sH, int dW, int dH, int f) {
    std::vector<std::vector<int>> h;
    for (int y = 0; y < sH; ++y) h.push_back(RefAxis(std::vector<int>(img.begin() + y * sW, img.begin() + (y + 1) * sW), dW, f));
    std::vector<int> out(static_cast<size_t>(dW * dH));
    for (int x = 0; x < dW; ++x) {
        std::vector<int> col;
        for (int y = 0; y < sH; ++y) col.push_back(h[static_cast<size_t>(y)][static_cast<size_t>(x)]);
        const auto v = RefAxis(col, dH, f);
        for (int y = 0; y < dH; ++y) out[static_cast<size_t>(y * dW + x)] = v[static_cast<size_t>(y)];
    }
    return out;
}

std::vector<TRGB> Colour(const std::vector<int>& r, const std::vector<int>& g, const std::vector<int>& b) {
    std::vector<TRGB> px;
    for (size_t i = 0; i < r.size(); ++i)
        px.push_back(MakeRGB(static_cast<uint8_t>(r[i]), static_cast<uint8_t>(g[i]), static_cast<uint8_t>(b[i])));
    return px;
}

std::vector<TRGB> Resample(TIEBitmap* src, int dW, int dH, TResampleFilter f) {
    TIEBitmap dest;
    dest.Allocate(dW, dH, ieRGB24);
    ResampleRGB24(src, &dest, f);
    return testimg::Pixels(&dest);
}

const TResampleFilter kKernelFilters[] = {rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell, rfNearest, rfLinear};

}  // namespace

TEST(KernelResample, EveryFilterMatchesTheFormula) {
    // Channels that differ so that a channel mix-up shows.
    const std::vector<int> r4 = {10, 200, 30, 250, 0, 90, 180, 60, 255, 5, 128, 77, 33, 66, 99, 222};
    std::vector<int> g4, b4;
    for (int v : r4) g4.push_back(255 - v), b4.push_back((v * 7) % 256);
    auto img4 = testimg::RGB24(4, 4, Colour(r4, g4, b4));
    const std::vector<int> r2 = {0, 255, 100, 40}, g2 = {255, 0, 60, 200}, b2 = {128, 128, 0, 255};
    auto img2 = testimg::RGB24(2, 2, Colour(r2, g2, b2));
    // A one-pixel black line on the last row, and on the last column, of white.
    std::vector<int> row(16, 255), col(16, 255);
    for (int x = 0; x < 4; ++x) row[static_cast<size_t>(12 + x)] = 0;
    for (int y = 0; y < 4; ++y) col[static_cast<size_t>(y * 4 + 3)] = 0;
    auto lineRow = testimg::RGB24(4, 4, Colour(row, row, row));
    auto lineCol = testimg::RGB24(4, 4, Colour(col, col, col));
    for (TResampleFilter f : kKernelFilters) {
        SCOPED_TRACE(int(f));
        EXPECT_EQ(Resample(img4.get(), 2, 2, f),
                  Colour(RefKernel2D(r4, 4, 4, 2, 2, f), RefKernel2D(g4, 4, 4, 2, 2, f), RefKernel2D(b4, 4, 4, 2, 2, f)));
        EXPECT_EQ(Resample(img2.get(), 5, 5, f),
                  Colour(RefKernel2D(r2, 2, 2, 5, 5, f), RefKernel2D(g2, 2, 2, 5, 5, f), RefKernel2D(b2, 2, 2, 5, 5, f)));
        const auto lr = RefKernel2D(row, 4, 4, 2, 2, f), lc = RefKernel2D(col, 4, 4, 2, 2, f);
        EXPECT_EQ(Resample(lineRow.get(), 2, 2, f), Colour(lr, lr, lr));
        EXPECT_EQ(Resample(lineCol.get(), 2, 2, f), Colour(lc, lc, lc));
        // The line reaches the last destination row or column.
        EXPECT_LT(lr[2], 255);
        EXPECT_LT(lc[1], 255);
    }
}

TEST(KernelResample, HandComputedCases) {
    // Triangle, 2 to 3: the ends stay, the middle is their average.
    auto two = testimg::RGB24(2, 1, {G(10), G(201)});
    EXPECT_EQ(Resample(two.get(), 3, 1, rfTriangle), (std::vector<TRGB>{G(10), G(105), G(201)}));
    // Box, 4 to 2: scale 1/3; column 0 takes source columns -1 (mirrored to 1),
    // 0 and 1, column 1 takes 2, 3 and 4 (mirrored to 3).
    auto four = testimg::RGB24(4, 1, {G(0), G(30), G(60), G(90)});
    EXPECT_EQ(Resample(four.get(), 2, 1, rfNearest), (std::vector<TRGB>{G(20), G(80)}));
    // A 1x1 source leaves the destination as it was.
    auto one = testimg::RGB24(1, 1, {G(7)});
    TIEBitmap dest;
    dest.Allocate(2, 2, ieRGB24);
    dest.Fill(0x332211);
    ResampleRGB24(one.get(), &dest, rfLanczos3);
    EXPECT_EQ(testimg::Pixels(&dest), std::vector<TRGB>(4, MakeRGB(0x11, 0x22, 0x33)));
    // An ie8g source leaves a 24-bit destination untouched.
    auto g8 = testimg::Grey(2, 2, {1, 2, 3, 4});
    ResampleRGB24(g8.get(), &dest, rfTriangle);
    EXPECT_EQ(testimg::Pixels(&dest), std::vector<TRGB>(4, MakeRGB(0x11, 0x22, 0x33)));
}

TEST(KernelResample, StrongReductionKeepsTheLevel) {
    // 2000 to 4 pixels: a scale below 1/512, where weights of kernel x 256 x scale
    // all rounded to 0 and the result was black.
    auto wide = testimg::RGB24(2000, 1, std::vector<TRGB>(2000, MakeRGB(200, 100, 50)));
    for (TResampleFilter f : kKernelFilters)
        EXPECT_EQ(Resample(wide.get(), 4, 1, f), std::vector<TRGB>(4, MakeRGB(200, 100, 50))) << int(f);
}

TEST(KernelResample, GreyAndOneBitEngines) {
    const std::vector<int> v = {0, 50, 100, 150, 200, 250, 25, 75, 125, 175, 225, 5, 10, 20, 30, 40};
    auto g = testimg::Grey(4, 4, v);
    auto bw = testimg::BW({"#..#", ".##.", "#.#.", "...."});
    std::vector<int> bits;
    for (const auto& s : testimg::BWRows(bw.get()))
        for (char c : s) bits.push_back(c == '#' ? 255 : 0);
    for (TResampleFilter f : kKernelFilters) {
        TIEBitmap d8;
        d8.Allocate(3, 2, ie8g);
        ResampleGray8(g.get(), &d8, f);
        EXPECT_EQ(testimg::Bytes(&d8), RefKernel2D(v, 4, 4, 3, 2, f)) << int(f);
        TIEBitmap d24;
        d24.Allocate(3, 5, ieRGB24);
        ResampleBW(bw.get(), &d24, f);
        const auto ref = RefKernel2D(bits, 4, 4, 3, 5, f);
        EXPECT_EQ(testimg::Pixels(&d24), Colour(ref, ref, ref)) << int(f);
    }
}

TEST(FastLinear, CopyHalveAndEnlarge) {
    auto img = testimg::RGB24(4, 4, Colour({0, 40, 80, 120, 10, 50, 90, 130, 20, 60, 100, 140, 30, 70, 110, 150},
                                           std::vector<int>(16, 9), std::vector<int>(16, 200)));
    EXPECT_EQ(Resample(img.get(), 4, 4, rfFastLinear), testimg::Pixels(img.get()));
    // Halving: column 0 averages source columns 0..2, column 1 takes column 2
    // alone; rows likewise (rows 0..2, then row 2).
    // Work rows: y -> (mean(c0..c2), c2); dest row 0 = mean of work rows 0..2.
    // Column 0: rows (40, 50, 60) -> 50; column 1: (80, 90, 100) -> 90; row 1: (60, 100).
    EXPECT_EQ(Resample(img.get(), 2, 2, rfFastLinear),
              Colour({50, 90, 60, 100}, std::vector<int>(4, 9), std::vector<int>(4, 200)));
    // Enlarging 2 to 4: a, a + (b - a) / 2, b, b (truncated toward zero).
    auto two = testimg::RGB24(2, 1, {G(201), G(10)});
    EXPECT_EQ(Resample(two.get(), 4, 1, rfFastLinear), (std::vector<TRGB>{G(201), G(106), G(10), G(10)}));
    // A line on the last row is outside every averaged block (as designed for
    // this filter: the last row takes a single source row).
    std::vector<TRGB> px(16, G(255));
    for (int x = 0; x < 4; ++x) px[static_cast<size_t>(12 + x)] = G(0);
    auto line = testimg::RGB24(4, 4, px);
    EXPECT_EQ(Resample(line.get(), 2, 2, rfFastLinear), std::vector<TRGB>(4, G(255)));
    // The grey twin.
    auto g = testimg::Grey(2, 1, {201, 10});
    TIEBitmap d;
    d.Allocate(4, 1, ie8g);
    ResampleGray8(g.get(), &d, rfFastLinear);
    EXPECT_EQ(testimg::Bytes(&d), (std::vector<int>{201, 106, 10, 10}));
}

TEST(AreaResample, BilinearAndBicubic) {
    // Reduction by exactly 2: plain 2x2 averages (truncated).
    auto img = testimg::RGB24(4, 2, {G(0), G(10), G(100), G(101), G(20), G(31), G(200), G(202)});
    EXPECT_EQ(Resample(img.get(), 2, 1, rfBilinear), (std::vector<TRGB>{G(15), G(150)}));
    EXPECT_EQ(Resample(img.get(), 2, 1, rfBicubic), (std::vector<TRGB>{G(15), G(150)}));
    // Enlarging 2 to 4: each cell samples at its right end inside the source pixel.
    auto two = testimg::RGB24(2, 1, {G(0), G(200)});
    EXPECT_EQ(Resample(two.get(), 4, 1, rfBilinear), (std::vector<TRGB>{G(100), G(200), G(200), G(200)}));
    // Cubic weights w(0.5) = 0.625, w(1.5) = -0.125: 200 x (0.625 + 0.625 - 0.125) = 225.
    EXPECT_EQ(Resample(two.get(), 4, 1, rfBicubic), (std::vector<TRGB>{G(100), G(200), G(225), G(200)}));
    // A line on the last row: half its weight reaches the last row.
    std::vector<TRGB> px(16, G(255));
    for (int x = 0; x < 4; ++x) px[static_cast<size_t>(12 + x)] = G(0);
    auto line = testimg::RGB24(4, 4, px);
    EXPECT_EQ(Resample(line.get(), 2, 2, rfBilinear), (std::vector<TRGB>{G(255), G(255), G(127), G(127)}));
}

TEST(Projection, ThinLinesSurviveIncludingTheLastRowAndColumn) {
    // A black line on the first column of white: blocks overlap by one source
    // column, so it shows in destination columns 0 and 1.
    std::vector<TRGB> px(36, G(255));
    for (int y = 0; y < 6; ++y) px[static_cast<size_t>(y * 6)] = G(0);
    auto img = testimg::RGB24(6, 6, px);
    TIEBitmap d;
    d.Allocate(3, 3, ieRGB24);
    ResampleRGB24(img.get(), &d, rfProjectBW);
    EXPECT_EQ(d.PixelFormat(), ie1g);
    EXPECT_EQ(testimg::BWRows(&d), (std::vector<std::string>{"..#", "..#", "..#"}));
    // Lines on the last row and the last column only: the last blocks reach the
    // source's end (they used to stop at row and column 4 and lose both).
    std::vector<TRGB> px2(36, G(255));
    for (int x = 0; x < 6; ++x) px2[static_cast<size_t>(30 + x)] = G(0);
    for (int y = 0; y < 6; ++y) px2[static_cast<size_t>(y * 6 + 5)] = G(0);
    auto img2 = testimg::RGB24(6, 6, px2);
    ResampleRGB24(img2.get(), &d, rfProjectBW);
    EXPECT_EQ(testimg::BWRows(&d), (std::vector<std::string>{"##.", "##.", "..."}));
    // White on black, 1-bit source: the twin.
    auto bw = testimg::BW({"......", "......", "......", "......", "......", "######"});
    TIEBitmap d1;
    d1.Allocate(2, 2, ie1g);
    ResampleBW(bw.get(), &d1, rfProjectWB);
    EXPECT_EQ(testimg::BWRows(&d1), (std::vector<std::string>{"..", "##"}));
    ResampleBW(bw.get(), &d1, rfProjectBW);
    EXPECT_EQ(testimg::BWRows(&d1), (std::vector<std::string>{"..", ".."}));
}

TEST(BoxAverage, OneBitRectangleToGrey) {
    auto bw = testimg::BW({"##..", "#...", "..##", "...#"});
    TIEBitmap d;
    d.Allocate(2, 2, ieRGB24);
    // cx = cy = 2: column 0 covers 0..1, column 1 covers 1..3; rows likewise.
    ResampleBWToRGB24(bw.get(), 0, 0, 3, 3, &d);
    // (0,0): rows 0..1 x cols 0..1: 3 set of 4 -> 191; (1,0): rows 0..1 x cols 1..3: 1 of 6 -> 42;
    // (0,1): rows 1..3 x cols 0..1: 1 of 6 -> 42; (1,1): rows 1..3 x cols 1..3: 3 of 9 -> 85.
    EXPECT_EQ(testimg::Pixels(&d), (std::vector<TRGB>{G(191), G(42), G(42), G(85)}));
    // Fast BW: enlarging blends bit values 0 and 255 with the 17-bit fraction.
    auto two = testimg::BW({".#"});
    TIEBitmap e;
    e.Allocate(4, 1, ieRGB24);
    ResampleBW(two.get(), &e, rfFastLinear);
    EXPECT_EQ(testimg::Pixels(&e), (std::vector<TRGB>{G(0), G(127), G(255), G(255)}));
    // Reducing both ways goes through the box average.
    TIEBitmap f;
    f.Allocate(2, 2, ieRGB24);
    ResampleBW(bw.get(), &f, rfBilinear);
    EXPECT_EQ(testimg::Pixels(&f), (std::vector<TRGB>{G(191), G(42), G(42), G(85)}));
}

TEST(Nearest, EveryPixelFormat) {
    // 4x2 to 2x1 takes columns 0 and 2 of row 0.
    const TIEPixelFormat formats[] = {ie8p, ie8g, ie16g, ieRGB24, ie32f, ieCMYK, ieRGB48, ieCIELab};
    for (TIEPixelFormat pf : formats) {
        TIEBitmap s;
        s.Allocate(4, 2, pf);
        const int bpp = s.BitCount() / 8;
        for (int y = 0; y < 2; ++y)
            for (int i = 0; i < 4 * bpp; ++i) s.Scanline(y)[i] = static_cast<uint8_t>(y * 100 + i);
        TIEBitmap d;
        d.Allocate(2, 1, pf);
        ResampleNearest(&s, &d);
        for (int b = 0; b < bpp; ++b) {
            EXPECT_EQ(d.Scanline(0)[b], b) << int(pf);
            EXPECT_EQ(d.Scanline(0)[bpp + b], 2 * bpp + b) << int(pf);
        }
    }
    auto bw = testimg::BW({"#.#.", "...."});
    TIEBitmap d;
    d.Allocate(3, 1, ie1g);
    ResampleNearest(bw.get(), &d);  // columns Trunc(4/3 x i) = 0, 1, 2
    EXPECT_EQ(testimg::BWRows(&d), std::vector<std::string>{"#.#"});
}

TEST(ResampleBitmapTest, AlphaAndTheSourceStaysAsItWas) {
    auto img = testimg::RGB24(2, 1, {MakeRGB(255, 0, 0), MakeRGB(0, 0, 255)});
    img->SetAlpha(0, 0, 255);
    img->SetAlpha(1, 0, 0);
    TIEBitmap d;
    d.Allocate(3, 1, ieRGB24);
    ResampleBitmap(img.get(), &d, rfTriangle);
    // The transparent pixel counted as grey 128 ...
    EXPECT_EQ(testimg::Pixels(&d), (std::vector<TRGB>{MakeRGB(255, 0, 0), MakeRGB(191, 64, 64), G(128)}));
    // ... but the caller's bitmap keeps its pixel.
    EXPECT_EQ(img->GetPixelRGB24(1, 0), MakeRGB(0, 0, 255));
    ASSERT_TRUE(d.HasAlphaChannel());
    EXPECT_EQ(d.GetAlpha(0, 0), 255);
    EXPECT_EQ(d.GetAlpha(1, 0), 127);  // (255 + 0) x 128 / 256
    EXPECT_EQ(d.GetAlpha(2, 0), 0);
    EXPECT_FALSE(d.GetAlphaChannel()->Full);
    // rfNone: nearest pixels, alpha alike.
    TIEBitmap n;
    n.Allocate(4, 1, ieRGB24);
    ResampleBitmap(img.get(), &n, rfNone);
    EXPECT_EQ(n.GetPixelRGB24(3, 0), MakeRGB(0, 0, 255));
    EXPECT_EQ(n.GetAlpha(2, 0), 0);
    EXPECT_EQ(n.GetAlpha(1, 0), 255);
}

TEST(ResampleBitmapTest, OneBitSourcesAndOtherFormats) {
    auto bw = testimg::BW({"#.", ".#"});
    TIEBitmap d;
    d.Allocate(3, 3, ie1g);
    ResampleBitmap(bw.get(), &d, rfTriangle);
    EXPECT_EQ(d.PixelFormat(), ieRGB24);
    EXPECT_EQ(d.GetPixelRGB24(0, 0), G(255));
    EXPECT_EQ(d.GetPixelRGB24(1, 1), G(127));  // (255 x 128 x 128 ...) centre of a checker
    TIEBitmap p;
    p.Allocate(1, 1, ieRGB24);
    ResampleBitmap(bw.get(), &p, rfProjectBW);
    EXPECT_EQ(p.PixelFormat(), ie1g);
    EXPECT_EQ(testimg::BWRows(&p), std::vector<std::string>{"."});
    // A grey image runs the one-channel engine; a 16-bit one takes the nearest pixel.
    auto g = testimg::Grey(2, 1, {10, 201});
    TIEBitmap dg;
    dg.Allocate(3, 1, ie8g);
    ResampleBitmap(g.get(), &dg, rfTriangle);
    EXPECT_EQ(testimg::Bytes(&dg), (std::vector<int>{10, 105, 201}));
    TIEBitmap w16, d16;
    w16.Allocate(2, 1, ie16g);
    w16.SetPixel16(0, 0, 1000);
    w16.SetPixel16(1, 0, 60000);
    d16.Allocate(4, 1, ie16g);
    ResampleBitmap(&w16, &d16, rfLanczos3);
    EXPECT_EQ(d16.GetPixel16(1, 0), 1000);
    EXPECT_EQ(d16.GetPixel16(2, 0), 60000);
}

TEST(ResampleFilters, UniformImagesKeepTheirLevel) {
    // Every filter and ratio: a flat colour stays that colour (no truncation of
    // 100.9999 to 100, no ringing at the edges).
    const int sizes[][4] = {{3, 3, 1, 1}, {9, 9, 1, 1}, {5, 5, 3, 3}, {7, 7, 2, 3}, {2, 2, 5, 5}, {4, 4, 7, 7}, {10, 10, 3, 7}, {100, 100, 33, 7}};
    for (const auto& s : sizes)
        for (int v : {1, 51, 101, 129, 254, 255}) {
            auto src = testimg::RGB24(s[0], s[1], std::vector<TRGB>(static_cast<size_t>(s[0] * s[1]), G(v)));
            for (int f = rfTriangle; f <= rfBicubic; ++f) {
                const auto px = Resample(src.get(), s[2], s[3], static_cast<TResampleFilter>(f));
                for (size_t i = 0; i < px.size(); ++i)
                    ASSERT_EQ(px[i], G(v)) << "filter " << f << " " << s[0] << "x" << s[1] << "->" << s[2] << "x" << s[3] << " pixel " << i;
            }
        }
}

TEST(ResampleFilters, TwoByTwoToFiveByFiveByHand) {
    // One row 0, 200 (the second row equal): columns by hand.
    auto src = testimg::RGB24(2, 2, {G(0), G(200), G(0), G(200)});
    struct Case {
        TResampleFilter f;
        std::vector<int> row;
    } cases[] = {
        // fx = i / 2.5: a + (b - a) x Trunc(frac x 131072) / 131072; from x = 1.2 on, b alone.
        {rfFastLinear, {0, 79, 159, 200, 200}},
        // Cells end at 0.4, 0.8 | 1.0 | 1.2, 1.6 | 2.0 of the source; each samples at its right
        // end, the pixel past the last repeating it: 80, 160, (200 x .2 + 200 x .2) / .4, 200, 200.
        {rfBilinear, {80, 160, 200, 200, 200}},
        // Cubic weights w(a) = a^3 - 2a^2 + 1 (|a| < 1), -a^3 + 5a^2 - 8a + 4 (1 <= |a| < 2).
        // t = 0.4 of (0, 0, 200, 200): 200 (w(0.6) + w(1.6)) = 200 (0.496 - 0.096) = 80;
        // t = 0.8: 200 (w(0.2) + w(1.2)) = 200 (0.928 - 0.128) = 160; column 2 averages the
        // cell at t = 1 (200) with the cell at t = 0.2 of (0, 200, 200, 200):
        // 200 (w(0.2) + w(0.8) + w(1.8)) = 200 x 1.128 = 225.6, truncated 225 -> 212.5 -> 212;
        // t = 0.6 of the same: 200 (w(0.6) + w(0.4) + w(1.4)) = 200 x 1.096 = 219.2; then 200.
        // The rows are equal and the cubic's weights sum to 1, so the columns keep them.
        {rfBicubic, {80, 160, 212, 219, 200}},
    };
    for (const auto& k : cases) {
        const auto px = Resample(src.get(), 5, 5, k.f);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(px[static_cast<size_t>(y * 5 + x)], G(k.row[static_cast<size_t>(x)])) << int(k.f) << " " << x;
    }
}
