// Packed DIBs in and out, and the YUV FourCC layouts at odd and even widths.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "imaging/processing/dibconv.h"
#include "testimg.h"

using testimg::G;

namespace {

// A packed DIB: header, table entries (b, g, r, 0), then rows as given.
std::vector<uint8_t> MakeDIB(int w, int h, int bits, uint32_t comp, const std::vector<TRGB>& table,
                             const std::vector<uint8_t>& rows, uint32_t clrUsed = 0, const std::vector<uint32_t>& masks = {}) {
    TIEBitmapInfoHeader hd{};
    hd.biSize = 40;
    hd.biWidth = w;
    hd.biHeight = h;
    hd.biPlanes = 1;
    hd.biBitCount = static_cast<uint16_t>(bits);
    hd.biCompression = comp;
    hd.biClrUsed = clrUsed;
    std::vector<uint8_t> out(40);
    std::memcpy(out.data(), &hd, 40);
    for (uint32_t m : masks)
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(m >> (8 * i)));
    for (const TRGB& c : table) out.insert(out.end(), {c.b, c.g, c.r, 0});
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

int Read(const std::vector<uint8_t>& dib, TIEBitmap& b) { return PackedDIBToIEBitmap(dib.data(), dib.size(), &b); }

}  // namespace

TEST(DIBRead, PaletteDepths) {
    std::vector<TRGB> t16;
    for (int i = 0; i < 16; ++i) t16.push_back(MakeRGB(static_cast<uint8_t>(i * 16), static_cast<uint8_t>(i), 7));
    // 4 bits, 5 pixels: three bytes per row padded to four, the last low nibble unused.
    // Bottom row first: indices 1 2 3 4 5 (row 1), then 15 14 13 12 11 (row 0).
    auto dib = MakeDIB(5, 2, 4, IE_BI_RGB, t16, {0x12, 0x34, 0x5F, 0, 0xFE, 0xDC, 0xB9, 0});
    TIEBitmap b;
    ASSERT_EQ(Read(dib, b), 4);
    EXPECT_EQ(b.PixelFormat(), ieRGB24);
    EXPECT_EQ(testimg::Pixels(&b), (std::vector<TRGB>{t16[15], t16[14], t16[13], t16[12], t16[11], t16[1], t16[2],
                                                      t16[3], t16[4], t16[5]}));
    // 8 bits with a three-entry table.
    const std::vector<TRGB> t3 = {G(0), MakeRGB(9, 8, 7), G(200)};
    auto d8 = MakeDIB(3, 1, 8, IE_BI_RGB, t3, {2, 1, 0, 0}, 3);
    ASSERT_EQ(Read(d8, b), 8);
    EXPECT_EQ(testimg::Pixels(&b), (std::vector<TRGB>{G(200), MakeRGB(9, 8, 7), G(0)}));
}

TEST(DIBRead, OneBitFollowsItsColourTable) {
    const std::vector<uint8_t> rows = {0xA0, 0, 0, 0};  // #.#.....
    TIEBitmap b;
    ASSERT_EQ(Read(MakeDIB(3, 1, 1, IE_BI_RGB, {G(0), G(255)}, rows), b), 1);
    EXPECT_EQ(b.PixelFormat(), ie1g);
    EXPECT_EQ(testimg::BWRows(&b), std::vector<std::string>{"#.#"});
    // Table white, black: bit 1 is black, so the bits are inverted (padding stays 0).
    ASSERT_EQ(Read(MakeDIB(3, 1, 1, IE_BI_RGB, {G(255), G(0)}, rows), b), 1);
    EXPECT_EQ(testimg::BWRows(&b), std::vector<std::string>{".#."});
    EXPECT_EQ(b.Scanline(0)[0] & 0x1F, 0);
}

TEST(DIBRead, DirectColourAndRowOrder) {
    // 24 bits, bottom-up: the first DIB row is the bitmap's last row.
    const std::vector<uint8_t> rows24 = {1, 2, 3, 4, 5, 6, 0, 0, 7, 8, 9, 10, 11, 12, 0, 0};
    TIEBitmap b;
    ASSERT_EQ(Read(MakeDIB(2, 2, 24, IE_BI_RGB, {}, rows24), b), 24);
    EXPECT_EQ(testimg::Pixels(&b), (std::vector<TRGB>{{7, 8, 9}, {10, 11, 12}, {1, 2, 3}, {4, 5, 6}}));
    // A negative height is a top-down DIB of that many rows.
    ASSERT_EQ(Read(MakeDIB(2, -2, 24, IE_BI_RGB, {}, rows24), b), 24);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(testimg::Pixels(&b), (std::vector<TRGB>{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}}));
    // 16 bits 5-5-5, and 5-6-5 bit fields.
    ASSERT_EQ(Read(MakeDIB(2, 1, 16, IE_BI_RGB, {}, {0xFF, 0x7F, 0x1F, 0x00}), b), 16);
    EXPECT_EQ(testimg::Pixels(&b), (std::vector<TRGB>{MakeRGB(0xF8, 0xF8, 0xF8), MakeRGB(0, 0, 0xF8)}));
    ASSERT_EQ(Read(MakeDIB(2, 1, 16, IE_BI_BITFIELDS, {}, {0x00, 0xF8, 0xE0, 0x07}, 0, {0xF800, 0x07E0, 0x001F}), b), 16);
    EXPECT_EQ(testimg::Pixels(&b), (std::vector<TRGB>{MakeRGB(0xF8, 0, 0), MakeRGB(0, 0xFC, 0)}));
    // 32 bits: bytes 0, 1, 2 are blue, green, red.
    ASSERT_EQ(Read(MakeDIB(1, 1, 32, IE_BI_RGB, {}, {5, 6, 7, 8}), b), 32);
    EXPECT_EQ(b.GetPixelRGB24(0, 0), (TRGB{5, 6, 7}));
}

TEST(DIBRead, RefusesWhatItCannotReadSafely) {
    TIEBitmap b;
    // Run-length data is not read as rows.
    EXPECT_EQ(Read(MakeDIB(4, 2, 8, IE_BI_RLE8, {G(0), G(1)}, {2, 0, 0, 1}, 2), b), 0);
    EXPECT_TRUE(b.IsEmpty());
    // An unsupported depth is a failure, not success with unwritten pixels.
    EXPECT_EQ(Read(MakeDIB(2, 2, 7, IE_BI_RGB, {}, std::vector<uint8_t>(8)), b), 0);
    EXPECT_TRUE(b.IsEmpty());
    // Too few bytes for the rows, a zero width, a short header.
    EXPECT_EQ(Read(MakeDIB(4, 4, 24, IE_BI_RGB, {}, std::vector<uint8_t>(47)), b), 0);
    EXPECT_EQ(Read(MakeDIB(0, 4, 24, IE_BI_RGB, {}, std::vector<uint8_t>(48)), b), 0);
    EXPECT_EQ(PackedDIBToIEBitmap(MakeDIB(1, 1, 24, 0, {}, {1, 2, 3, 0}).data(), 39, &b), 0);
    // An unknown FourCC.
    EXPECT_EQ(Read(MakeDIB(2, 2, 16, IEFourCC('X', 'Y', 'Z', 'W'), {}, std::vector<uint8_t>(64)), b), 0);
}

TEST(DIBWrite, HeadersPaddingAndRectangles) {
    // 10x10 ie1g, rectangle (3, 0, 10, 10): a 7-pixel 1-bit DIB starting at pixel 3.
    std::vector<std::string> rows(10, "...#.#....");
    rows[9] = "##########";
    auto bw = testimg::BW(rows);
    HGLOBAL h = BitmapToDIBHandle(bw.get(), 3, 0, 10, 10);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(IEGlobalSize(h), 40u + 4 + 8 + 10 * 4);
    const auto* p = static_cast<const uint8_t*>(IEGlobalLock(h));
    TIEBitmapInfoHeader hd;
    std::memcpy(&hd, p, 40);
    EXPECT_EQ(hd.biWidth, 7);
    EXPECT_EQ(hd.biHeight, 10);
    EXPECT_EQ(hd.biBitCount, 1);
    EXPECT_EQ(p[44], 255);  // table: black, then white
    EXPECT_EQ(p[48], 0xFE);  // bottom row first: seven set bits, the eighth clear
    EXPECT_EQ(p[52], 0xA0);  // #.#....
    EXPECT_EQ(p[53], 0);
    IEGlobalUnlock(h);
    TIEBitmap back;
    EXPECT_EQ(PackedDIBToIEBitmap(h, &back, nullptr, false), 1);
    EXPECT_EQ(testimg::BWRows(&back)[0], "#.#....");
    EXPECT_EQ(IEGlobalFree(h), nullptr);
    EXPECT_EQ(IEGlobalSize(h), 0u);  // a freed handle is refused
    EXPECT_EQ(PackedDIBToIEBitmap(h, &back, nullptr, false), 0);

    // 8-bit palette and grey, 24-bit and a converted CMYK image round-trip.
    auto p8 = testimg::Grey(3, 2, {0, 1, 2, 2, 1, 0}, ie8p);
    p8->SetPalette(1, MakeRGB(10, 20, 30));
    auto g8 = testimg::Grey(3, 2, {0, 100, 200, 50, 150, 250});
    auto rgb = testimg::RGB24(3, 2, {MakeRGB(1, 2, 3), G(4), G(5), G(6), G(7), MakeRGB(8, 9, 10)});
    for (TIEBitmap* src : {p8.get(), g8.get(), rgb.get()}) {
        HGLOBAL hh = BitmapToDIBHandle(src, 0, 0, 0, 0);
        ASSERT_NE(hh, nullptr);
        const size_t bits = src->PixelFormat() == ieRGB24 ? 24 : 8;
        EXPECT_EQ(IEGlobalSize(hh), 44 + (bits == 8 ? 1024 : 0) + 2 * (bits == 8 ? 4 : 12));
        TIEBitmap b;
        EXPECT_EQ(PackedDIBToIEBitmap(hh, &b, nullptr, false), static_cast<int>(bits));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(b.GetPixelRGB24(x, y), src->GetPixelRGB(x, y));
        IEGlobalFree(hh);
    }
    TIEBitmap cmyk;
    cmyk.Allocate(2, 1, ieCMYK);
    cmyk.SetPixelCMYK(0, 0, TCMYK{255, 255, 255, 255});
    cmyk.SetPixelCMYK(1, 0, TCMYK{255, 255, 255, 0});
    HGLOBAL hc = BitmapToDIBHandle(&cmyk, 0, 0, 0, 0);
    TIEBitmap b;
    EXPECT_EQ(PackedDIBToIEBitmap(hc, &b, nullptr, false), 24);
    EXPECT_EQ(b.GetPixelRGB24(0, 0), cmyk.GetPixelRGB(0, 0));
    EXPECT_EQ(b.GetPixelRGB24(1, 0), cmyk.GetPixelRGB(1, 0));
    IEGlobalFree(hc);
    TIEBitmap empty;
    EXPECT_EQ(BitmapToDIBHandle(&empty, 0, 0, 0, 0), nullptr);
    EXPECT_EQ(BitmapToDIBHandle(rgb.get(), 2, 0, 2, 2), nullptr);
}

TEST(YUV, Conversion) {
    TRGB c{};
    YUVToRGB(16, 128, 128, c);
    EXPECT_EQ(c, G(0));
    YUVToRGB(235, 128, 128, c);  // 1.164 x 219 = 254.9 -> 255
    EXPECT_EQ(c, G(255));
    YUVToRGB(81, 90, 240, c);  // r = 75.66 + 178.75 = 254.4; g = -0.54 -> 0; b = -1.02 -> 0
    EXPECT_EQ(c, MakeRGB(254, 0, 0));
    YUVToRGB(126, 128, 128, c);  // 1.164 x 110 = 128.04
    EXPECT_EQ(c, G(128));
}

namespace {

int Ypx(int x, int y) { return 16 + 7 * x + 29 * y; }
int Upx(int bx, int by) { return 60 + 11 * bx + 17 * by; }
int Vpx(int bx, int by) { return 200 - 9 * bx - 13 * by; }

struct FourCCCase {
    const char* name;
    int stepPixels;  // 0 for planar
    int stepBytes;
    bool bottomUp;
    // Bytes of one step starting at pixel x of row y (packed) ...
    std::function<std::vector<uint8_t>(int x, int y, int w)> step;
    // ... and the Y, U, V expected at pixel (x, y).
    std::function<void(int x, int y, int& Y, int& U, int& V)> expect;
};

int YOr0(int x, int y, int w) { return x < w ? Ypx(x, y) : 0; }

}  // namespace

TEST(YUV, EveryFourCCAtOddAndEvenWidths) {
    auto pair = [](int x, int y, int& Y, int& U, int& V) { Y = Ypx(x, y), U = Upx(x / 2, y), V = Vpx(x / 2, y); };
    auto quad = [](int x, int y, int& Y, int& U, int& V) { Y = Ypx(x, y), U = Upx(x / 4, y), V = Vpx(x / 4, y); };
    std::vector<FourCCCase> cases = {
        {"YUY2", 2, 4, false, [](int x, int y, int w) { return std::vector<uint8_t>{uint8_t(Ypx(x, y)), uint8_t(Upx(x / 2, y)), uint8_t(YOr0(x + 1, y, w)), uint8_t(Vpx(x / 2, y))}; }, pair},
        {"YUNV", 2, 4, false, [](int x, int y, int w) { return std::vector<uint8_t>{uint8_t(Ypx(x, y)), uint8_t(Upx(x / 2, y)), uint8_t(YOr0(x + 1, y, w)), uint8_t(Vpx(x / 2, y))}; }, pair},
        {"UYVY", 2, 4, false, [](int x, int y, int w) { return std::vector<uint8_t>{uint8_t(Upx(x / 2, y)), uint8_t(Ypx(x, y)), uint8_t(Vpx(x / 2, y)), uint8_t(YOr0(x + 1, y, w))}; }, pair},
        {"UYNV", 2, 4, false, [](int x, int y, int w) { return std::vector<uint8_t>{uint8_t(Upx(x / 2, y)), uint8_t(Ypx(x, y)), uint8_t(Vpx(x / 2, y)), uint8_t(YOr0(x + 1, y, w))}; }, pair},
        {"cyuv", 2, 4, true, [](int x, int y, int w) { return std::vector<uint8_t>{uint8_t(Upx(x / 2, y)), uint8_t(Ypx(x, y)), uint8_t(Vpx(x / 2, y)), uint8_t(YOr0(x + 1, y, w))}; }, pair},
        {"YVYU", 2, 4, false, [](int x, int y, int w) { return std::vector<uint8_t>{uint8_t(Ypx(x, y)), uint8_t(Vpx(x / 2, y)), uint8_t(YOr0(x + 1, y, w)), uint8_t(Upx(x / 2, y))}; }, pair},
        {"IYU1", 4, 6, false, [](int x, int y, int w) { return std::vector<uint8_t>{uint8_t(Upx(x / 4, y)), uint8_t(Ypx(x, y)), uint8_t(YOr0(x + 1, y, w)), uint8_t(Vpx(x / 4, y)), uint8_t(YOr0(x + 2, y, w)), uint8_t(YOr0(x + 3, y, w))}; }, quad},
        {"IYU2", 1, 3, false, [](int x, int y, int) { return std::vector<uint8_t>{uint8_t(Upx(x, y)), uint8_t(Ypx(x, y)), uint8_t(Vpx(x, y))}; },
         [](int x, int y, int& Y, int& U, int& V) { Y = Ypx(x, y), U = Upx(x, y), V = Vpx(x, y); }},
        {"Y211", 4, 4, false, [](int x, int y, int w) { return std::vector<uint8_t>{uint8_t(Ypx(x, y)), uint8_t(Upx(x / 4, y)), uint8_t(YOr0(x + 2, y, w)), uint8_t(Vpx(x / 4, y))}; },
         [](int x, int y, int& Y, int& U, int& V) { Y = Ypx(x / 2 * 2, y), U = Upx(x / 4, y), V = Vpx(x / 4, y); }},
        {"Y41P", 8, 12, true, [](int x, int y, int w) {
             return std::vector<uint8_t>{uint8_t(Upx(x / 4, y)), uint8_t(Ypx(x, y)), uint8_t(Vpx(x / 4, y)), uint8_t(YOr0(x + 1, y, w)),
                                         uint8_t(Upx(x / 4 + 1, y)), uint8_t(YOr0(x + 2, y, w)), uint8_t(Vpx(x / 4 + 1, y)), uint8_t(YOr0(x + 3, y, w)),
                                         uint8_t(YOr0(x + 4, y, w)), uint8_t(YOr0(x + 5, y, w)), uint8_t(YOr0(x + 6, y, w)), uint8_t(YOr0(x + 7, y, w))}; },
         quad},
        {"CLJR", 4, 4, false, [](int x, int y, int) {
             uint32_t v = static_cast<uint32_t>((x + y) & 63) | (static_cast<uint32_t>((x * 3 + 5) & 63) << 6);
             for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>((x + i + 2 * y) & 31) << (12 + 5 * i);
             return std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; },
         [](int x, int y, int& Y, int& U, int& V) {
             const int s = x / 4 * 4, y5 = (x + 2 * y) & 31, u6 = (s * 3 + 5) & 63, v6 = (s + y) & 63;
             Y = (y5 << 3) | (y5 >> 2), U = (u6 << 2) | (u6 >> 4), V = (v6 << 2) | (v6 >> 4); }},
    };
    for (const auto& k : cases)
        for (int w : {5, 6, 8, 9}) {
            SCOPED_TRACE(std::string(k.name) + " width " + std::to_string(w));
            const int h = 3;
            std::vector<uint8_t> data;
            for (int y = 0; y < h; ++y) {
                const int row = k.bottomUp ? h - 1 - y : y;  // data row order
                for (int x = 0; x < w; x += k.stepPixels) {
                    auto s = k.step(x, row, w);
                    data.insert(data.end(), s.begin(), s.end());
                }
            }
            const std::vector<uint8_t> hdr = MakeDIB(w, h, 16, IEFourCC(k.name[0], k.name[1], k.name[2], k.name[3]), {}, {});
            // The pixel data after the header (no pointer given), and through a pointer.
            std::vector<uint8_t> whole = hdr;
            whole.insert(whole.end(), data.begin(), data.end());
            TIEBitmap a, b;
            ASSERT_EQ(PackedDIBToIEBitmap(whole.data(), whole.size(), &a), 16);
            ASSERT_EQ(PackedDIBToIEBitmap(hdr.data(), &b, data.data(), true), 16);
            ASSERT_EQ(a.Width(), w);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    int Y, U, V;
                    k.expect(x, y, Y, U, V);
                    TRGB e{};
                    YUVToRGB(Y, U, V, e);
                    ASSERT_EQ(a.GetPixelRGB24(x, y), e) << x << "," << y;
                    ASSERT_EQ(b.GetPixelRGB24(x, y), e) << x << "," << y;
                }
            // One byte short is refused (rows of whole steps).
            whole.pop_back();
            EXPECT_EQ(PackedDIBToIEBitmap(whole.data(), whole.size(), &a), 0);
        }
}

TEST(YUV, PlanarLayouts) {
    for (const char* name : {"I420", "IYUV", "YV12", "YVU9"})
        for (int w : {5, 6}) {
            SCOPED_TRACE(std::string(name) + " width " + std::to_string(w));
            const int h = 5, div = std::string(name) == "YVU9" ? 4 : 2;
            const int cw = (w + div - 1) / div, ch = (h + div - 1) / div;
            std::vector<uint8_t> Yp, Up, Vp;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) Yp.push_back(uint8_t(Ypx(x, y)));
            for (int y = 0; y < ch; ++y)
                for (int x = 0; x < cw; ++x) Up.push_back(uint8_t(Upx(x, y))), Vp.push_back(uint8_t(Vpx(x, y)));
            std::vector<uint8_t> data = Yp;
            const bool uFirst = std::string(name) == "I420" || std::string(name) == "IYUV";
            data.insert(data.end(), (uFirst ? Up : Vp).begin(), (uFirst ? Up : Vp).end());
            data.insert(data.end(), (uFirst ? Vp : Up).begin(), (uFirst ? Vp : Up).end());
            TIEBitmap b;
            const auto hdr = MakeDIB(w, h, 12, IEFourCC(name[0], name[1], name[2], name[3]), {}, {});
            ASSERT_EQ(PackedDIBToIEBitmap(hdr.data(), &b, data.data(), true), 12);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    TRGB e{};
                    YUVToRGB(Ypx(x, y), Upx(x / div, y / div), Vpx(x / div, y / div), e);
                    ASSERT_EQ(b.GetPixelRGB24(x, y), e) << x << "," << y;
                }
        }
}

TEST(DIBRead, IntoADibBitmap) {
    TIEDibbitmap d;
    auto dib = MakeDIB(3, 1, 1, IE_BI_RGB, {G(0), G(255)}, {0x40, 0, 0, 0});
    EXPECT_EQ(PackedDIBToDibBitmap(dib.data(), &d, nullptr, true), 1);
    EXPECT_EQ(d.GetBitCount(), 1);
    EXPECT_EQ(static_cast<uint8_t*>(d.GetScanline(0))[0] & 0xE0, 0x40);
    auto d8 = MakeDIB(2, 1, 8, IE_BI_RGB, {G(3), MakeRGB(1, 2, 3)}, {1, 0, 0, 0}, 2);
    EXPECT_EQ(PackedDIBToDibBitmap(d8.data(), &d, nullptr, true), 8);
    EXPECT_EQ(d.GetBitCount(), 24);
    const uint8_t* row = static_cast<uint8_t*>(d.GetScanline(0));
    EXPECT_EQ(row[0], 3);  // blue of (1, 2, 3)
    EXPECT_EQ(row[3], 3);
}

TEST(DIBRead, DamagedBlocksAreReadSafely) {
    // Headers with random fields over short blocks: every read stays inside the
    // block (the sanitizer build checks) and a refusal leaves the bitmap empty.
    uint32_t seed = 7;
    auto rnd = [&] { return seed = seed * 1103515245u + 12345u, seed >> 8; };
    const uint32_t comps[] = {0, 1, 2, 3, IEFourCC('Y', 'U', 'Y', '2'), IEFourCC('I', '4', '2', '0'), IEFourCC('Y', '4', '1', 'P'), IEFourCC('C', 'L', 'J', 'R')};
    const int depths[] = {1, 4, 8, 16, 24, 32, 12, 0, 64};
    for (int i = 0; i < 3000; ++i) {
        const int w = static_cast<int>(rnd() % 40) - 3, h = static_cast<int>(rnd() % 40) - 20;
        std::vector<uint8_t> rows(rnd() % 600);
        for (auto& b : rows) b = static_cast<uint8_t>(rnd());
        std::vector<TRGB> table(rnd() % 20);
        auto dib = MakeDIB(w, h, depths[rnd() % 9], comps[rnd() % 8], table, rows, rnd() % 300);
        if (rnd() % 4 == 0) dib.resize(rnd() % (dib.size() + 1));
        TIEBitmap b;
        const int r = PackedDIBToIEBitmap(dib.data(), dib.size(), &b);
        if (r == 0) EXPECT_TRUE(b.IsEmpty());
    }
}
