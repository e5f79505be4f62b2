// Pixel-format conversion between every pair of the ten formats.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iesupport.h"

namespace {

// The six pixels of the 3x2 fixture, left to right, top row first.
const TRGB Colours[6] = {
    {0, 0, 0},        // black
    {255, 255, 255},  // white
    {10, 20, 30},     // blue 10, green 20, red 30
    {128, 128, 128},  // mid grey
    {50, 100, 200},   // red 200, green 100, blue 50
    {255, 0, 0},      // pure blue
};

uint8_t Grey(TRGB c) { return static_cast<uint8_t>((21 * c.r + 71 * c.g + 8 * c.b) / 100); }

// The fixture in a source format, built from the six colours by hand.
void MakeSource(TIEBitmap& b, TIEPixelFormat f) {
    b.Allocate(3, 2, f);
    if (f == ie8p)
        for (int i = 0; i < 6; ++i) b.SetPalette(i, Colours[i]);
    for (int i = 0; i < 6; ++i) {
        int x = i % 3, y = i / 3;
        TRGB c = Colours[i];
        uint8_t g = Grey(c);
        switch (f) {
            case ie1g: b.SetPixel1(x, y, g >= 128); break;
            case ie8p: b.SetPixel8(x, y, static_cast<uint8_t>(i)); break;
            case ie8g: b.SetPixel8(x, y, g); break;
            case ie16g: b.SetPixel16(x, y, static_cast<uint16_t>(g * 257)); break;
            case ieRGB24: b.SetPixelRGB24(x, y, c); break;
            case ie32f: b.SetPixel32f(x, y, g / 255.0f); break;
            case ieCMYK: {
                int k = std::max({c.r, c.g, c.b});
                if (k == 0) k = 1;
                b.SetPixelCMYK(x, y, TCMYK{uint8_t(c.r * 255 / k), uint8_t(c.g * 255 / k), uint8_t(c.b * 255 / k), uint8_t(k)});
                break;
            }
            case ieRGB48: b.SetPixelRGB48(x, y, TRGB48{uint16_t(c.r * 257), uint16_t(c.g * 257), uint16_t(c.b * 257)}); break;
            case ieCIELab: b.SetPixelCIELab(x, y, RGBToCIELab(c)); break;
            default: break;
        }
    }
}

const TIEPixelFormat Formats[] = {ie1g, ie8p, ie8g, ie16g, ieRGB24, ie32f, ieCMYK, ieRGB48, ieCIELab};

bool Near(TRGB a, TRGB b, int tol) {
    return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol && std::abs(a.b - b.b) <= tol;
}

}  // namespace

// Black stays black and white stays white through every pair and both black-and-white methods.
TEST(Convert, EveryPairKeepsBlackAndWhite) {
    for (TIEBWConversion bw : {ieBWThreshold, ieBWOrderedDither})
        for (TIEPixelFormat s : Formats)
            for (TIEPixelFormat d : Formats) {
                if (s == d) continue;
                TIEBitmap b;
                MakeSource(b, s);
                b.BWConversion = bw;
                b.ConvertTo(d);
                ASSERT_EQ(b.PixelFormat(), d);
                ASSERT_EQ(b.Width(), 3);
                ASSERT_EQ(b.Height(), 2);
                int tol = (s == ieCIELab || d == ieCIELab) ? 1 : 0;
                EXPECT_TRUE(Near(b.GetPixelRGB(0, 0), TRGB{0, 0, 0}, tol)) << int(s) << "->" << int(d) << " bw " << int(bw);
                EXPECT_TRUE(Near(b.GetPixelRGB(1, 0), TRGB{255, 255, 255}, tol))
                    << int(s) << "->" << int(d) << " bw " << int(bw);
            }
}

// Converting to the format a bitmap already has keeps every pixel (and the palette).
TEST(Convert, ToItsOwnFormatChangesNothing) {
    for (TIEPixelFormat f : Formats) {
        TIEBitmap want, b;
        MakeSource(want, f);
        MakeSource(b, f);
        b.ConvertTo(f);
        ASSERT_EQ(b.PixelFormat(), f);
        for (int i = 0; i < 6; ++i) {
            TRGB got = b.GetPixelRGB(i % 3, i / 3), w = want.GetPixelRGB(i % 3, i / 3);
            EXPECT_TRUE(Near(got, w, 0)) << "format " << int(f) << " pixel " << i;
        }
    }
}

// Colours carried between the colour formats, and greys between the grey formats.
TEST(Convert, ColourAndGreyValuesOfEveryPair) {
    for (TIEPixelFormat s : Formats)
        for (TIEPixelFormat d : Formats) {
            if (s == d || s == ie1g) continue;
            TIEBitmap b;
            MakeSource(b, s);
            b.ConvertTo(d);
            bool sColour = s == ie8p || s == ieRGB24 || s == ieCMYK || s == ieRGB48 || s == ieCIELab;
            bool dColour = d == ie8p || d == ieRGB24 || d == ieCMYK || d == ieRGB48 || d == ieCIELab;
            for (int i = 2; i < 6; ++i) {
                TRGB got = b.GetPixelRGB(i % 3, i / 3);
                TRGB want = Colours[i];
                if (!sColour || !dColour) {
                    uint8_t g = Grey(Colours[i]);
                    want = TRGB{g, g, g};
                }
                // CMYK and CIELab keep colours within their integer rounding.
                int tol = (s == ieCMYK || d == ieCMYK) ? 2 : (s == ieCIELab || d == ieCIELab) ? 3 : 0;
                // Saturated blue lies where L*a*b* in bytes is coarsest.
                if ((s == ieCIELab || d == ieCIELab) && i == 5) tol = 15;
                // Float and 16-bit grey carry their own weights (0.0722 blue against 8 %): two levels.
                if (!sColour || !dColour) tol = std::max(tol, (s == ieCIELab || s == ieCMYK) ? 3 : 2);
                if (d == ie1g) continue;
                EXPECT_TRUE(Near(got, want, tol)) << int(s) << "->" << int(d) << " pixel " << i << " got "
                                                  << int(got.r) << "," << int(got.g) << "," << int(got.b);
            }
        }
}

TEST(Convert, DocumentedValues) {
    TIEBitmap b;
    b.Allocate(1, 1, ieRGB24);
    b.SetPixelRGB24(0, 0, TRGB{10, 20, 30});
    TIEBitmap g;
    g.Allocate(1, 1, ie8g);
    g.ConvertFrom(&b);
    EXPECT_EQ(g.GetPixel8(0, 0), 21);  // (21*30 + 71*20 + 8*10) div 100
    TIEBitmap w;
    w.Allocate(1, 1, ie16g);
    w.ConvertFrom(&b);
    EXPECT_EQ(w.GetPixel16(0, 0), 5492);  // (212*30*257 + 713*20*257 + 75*10*257) div 1000

    TIEBitmap e;
    e.Allocate(1, 1, ie8g);
    e.SetPixel8(0, 0, 128);
    TIEBitmap e16;
    e16.Allocate(1, 1, ie16g);
    e16.ConvertFrom(&e);
    EXPECT_EQ(e16.GetPixel16(0, 0), 32896);
    TIEBitmap ef;
    ef.Allocate(1, 1, ie32f);
    ef.ConvertFrom(&e);
    EXPECT_NEAR(ef.GetPixel32f(0, 0), 0.50196, 1e-5);

    struct {
        float v;
        uint8_t grey;
        uint16_t word;
    } floats[] = {{1.0f, 255, 65535}, {0.999f, 254, 65469}, {0.0f, 0, 0},
                  // Out of range values are limited instead of wrapping round.
                  {1.5f, 255, 65535}, {-0.5f, 0, 0}, {1.0039f, 255, 65535}};
    for (auto c : floats) {
        TIEBitmap f;
        f.Allocate(1, 1, ie32f);
        f.SetPixel32f(0, 0, c.v);
        TIEBitmap f8, f16;
        f8.Allocate(1, 1, ie8g);
        f16.Allocate(1, 1, ie16g);
        f8.ConvertFrom(&f);
        f16.ConvertFrom(&f);
        EXPECT_EQ(f8.GetPixel8(0, 0), c.grey) << c.v;
        EXPECT_EQ(f16.GetPixel16(0, 0), c.word) << c.v;
    }

    // 48-bit white becomes float 1.0 exactly and stays white on the way to 16-bit grey.
    TIEBitmap r48;
    r48.Allocate(1, 1, ieRGB48);
    r48.SetPixelRGB48(0, 0, TRGB48{65535, 65535, 65535});
    r48.ConvertTo(ie32f);
    EXPECT_FLOAT_EQ(r48.GetPixel32f(0, 0), 1.0f);
    r48.ConvertTo(ie16g);
    EXPECT_EQ(r48.GetPixel16(0, 0), 65535);

    // CMYK keeps black with k = 1 and white as all 255; a colour comes back within its rounding.
    TIEBitmap c;
    c.Allocate(3, 1, ieRGB24);
    c.SetPixelRGB24(0, 0, TRGB{0, 0, 0});
    c.SetPixelRGB24(1, 0, TRGB{255, 255, 255});
    c.SetPixelRGB24(2, 0, TRGB{50, 100, 200});
    c.ConvertTo(ieCMYK);
    EXPECT_EQ(c.GetPixelCMYK(0, 0), (TCMYK{0, 0, 0, 1}));
    EXPECT_EQ(c.GetPixelCMYK(1, 0), (TCMYK{255, 255, 255, 255}));
    EXPECT_EQ(c.GetPixelCMYK(2, 0), (TCMYK{255, 127, 63, 200}));
    c.ConvertTo(ieRGB24);
    EXPECT_EQ(c.GetPixelRGB24(0, 0), (TRGB{0, 0, 0}));
    EXPECT_EQ(c.GetPixelRGB24(2, 0), (TRGB{49, 99, 200}));
}

TEST(Convert, OrderedDitherOfMidGreySetsHalf) {
    TIEBitmap b;
    b.Allocate(8, 8, ie8g);
    b.Fill(128);
    b.BWConversion = ieBWOrderedDither;
    b.ConvertTo(ie1g);
    int set = 0;
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) set += b.GetPixel1(x, y);
    EXPECT_EQ(set, 32);
    EXPECT_TRUE(b.GetPixel1(0, 0));   // matrix 0
    EXPECT_FALSE(b.GetPixel1(1, 0));  // matrix 48
}

TEST(Convert, PaletteOf1BitHasOnlyBlackAndWhite) {
    TIEBitmap b;
    b.Allocate(3, 2, ie1g);
    b.Fill(0);
    b.SetPixel1(2, 1, true);
    b.ConvertTo(ie8p);
    EXPECT_EQ(b.GetPixel8(2, 1), 1);
    EXPECT_EQ(b.GetPalette(1), (TRGB{255, 255, 255}));
    for (int i = 2; i < 256; ++i) ASSERT_EQ(b.GetPalette(i), (TRGB{0, 0, 0})) << i;
}

TEST(Convert, SourceOfConvertFromIsNotChanged) {
    TIEBitmap s;
    s.Allocate(3, 2, ie8g);
    s.Fill(77);
    s.SetAlpha(0, 0, 3);
    TIEBitmap d;
    d.Allocate(3, 2, ieCMYK);  // goes through an RGB copy
    d.ConvertFrom(&s);
    EXPECT_EQ(s.PixelFormat(), ie8g);
    EXPECT_EQ(s.GetPixel8(2, 1), 77);
    EXPECT_EQ(d.GetPixelRGB(2, 1), (TRGB{77, 77, 77}));
    EXPECT_TRUE(d.HasAlphaChannel());  // the alpha channel moves over
    EXPECT_FALSE(s.HasAlphaChannel());
}

TEST(Convert, KeepsAlphaLocationAndNothingForSameFormat) {
    TIEBitmap b;
    b.MinFileSize = 0;
    b.Allocate(3, 2, ieRGB24);
    ASSERT_EQ(b.Location(), ieTempFile);
    b.Fill(0x102030);
    b.SetAlpha(1, 1, 99);
    b.ConvertTo(ie8g);
    EXPECT_EQ(b.Location(), ieTempFile);
    EXPECT_TRUE(b.HasAlphaChannel());
    EXPECT_EQ(b.GetAlpha(1, 1), 99);
    uint8_t before = b.GetPixel8(0, 0);
    b.SetPixelFormat(ie8g);
    EXPECT_EQ(b.GetPixel8(0, 0), before);

    TIEBitmap x, y;
    x.Allocate(1, 1, ie8g);
    x.SetPixel8(0, 0, 5);
    y.Allocate(1, 1, ie8g);
    y.SetPixel8(0, 0, 9);
    y.ConvertFrom(&x);
    EXPECT_EQ(y.GetPixel8(0, 0), 9);  // equal formats: nothing converted
}

TEST(Convert, RGB24ToPaletteUsesExactColours) {
    TIEBitmap b;
    MakeSource(b, ieRGB24);
    b.ConvertTo(ie8p);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(b.GetPixelRGB(i % 3, i / 3), Colours[i]) << i;
}
