// Storage in a windowing-library TBitmap: moves between storages, wrapping, copying
// from every TBitmap depth, conversion and rendering into a TBitmap.
#include <gtest/gtest.h>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iewndutil.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/graphics.h"

namespace {
void FillPattern(TIEBitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.SetPixelRGB24(x, y, TRGB{uint8_t(x), uint8_t(y), uint8_t(10 * x + y)});
}
void ExpectPattern(TIEBitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            ASSERT_EQ(b.GetPixelRGB24(x, y), (TRGB{uint8_t(x), uint8_t(y), uint8_t(10 * x + y)})) << x << "," << y;
}
}  // namespace

TEST(WndBitmap, MovesBetweenAllThreeStoragesKeepPixelsAndAlpha) {
    TIEBitmap b;
    b.MinFileSize = 0;
    b.Allocate(3, 2, ieRGB24);
    ASSERT_EQ(b.Location(), ieTempFile);
    FillPattern(b);
    b.SetAlpha(2, 1, 40);
    b.SetLocation(ieTBitmap);
    EXPECT_EQ(b.Location(), ieTBitmap);
    ExpectPattern(b);
    EXPECT_EQ(b.GetAlpha(2, 1), 40);
    TBitmap* w = b.GetWndBitmap();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->PixelFormat(), pf24bit);
    EXPECT_EQ(static_cast<uint8_t*>(w->ScanLine(1))[0], 0);  // row 1 is the second from the top
    EXPECT_EQ(static_cast<uint8_t*>(w->ScanLine(1))[1], 1);
    b.MinFileSize = 1 << 20;
    b.SetLocation(ieMemory);
    ExpectPattern(b);
    EXPECT_EQ(b.GetAlpha(2, 1), 40);
    EXPECT_EQ(b.Location(), ieMemory);
}

TEST(WndBitmap, FormatsItCanHold) {
    TIEBitmap g;
    g.SetLocation(ieTBitmap);
    g.Allocate(4, 4, ie16g);
    EXPECT_EQ(g.PixelFormat(), ie8g);  // 16-bit grey is held as 8-bit grey
    EXPECT_EQ(g.GetWndBitmap()->PixelFormat(), pf8bit);
    EXPECT_EQ(g.GetWndBitmap()->Palette()[200].rgbGreen, 200);

    TIEBitmap w;
    w.SetLocation(ieMemory);
    w.Allocate(2, 1, ie16g);
    w.SetPixel16(1, 0, 0x8000);
    w.SetLocation(ieTBitmap);
    EXPECT_EQ(w.PixelFormat(), ie8g);
    EXPECT_EQ(w.GetPixel8(1, 0), 0x80);

    TIEBitmap p;
    p.SetLocation(ieTBitmap);
    p.Allocate(2, 2, ie8p);
    p.SetPalette(7, TRGB{1, 2, 3});
    p.SetPixel8(1, 1, 7);
    EXPECT_EQ(p.GetPixelRGB(1, 1), (TRGB{1, 2, 3}));
    EXPECT_EQ(p.GetWndBitmap()->Palette()[7].rgbRed, 3);
}

TEST(WndBitmap, WrappedBitmapIsUsedInPlaceAndFollowed) {
    TBitmap tb(5, 4, pf24bit);
    TIEBitmap b;
    b.WrapTBitmap(&tb, true);
    EXPECT_EQ(b.Location(), ieTBitmap);
    EXPECT_TRUE(b.WndBitmapIsExternal());
    EXPECT_EQ(b.Width(), 5);
    b.SetPixelRGB24(4, 3, TRGB{9, 8, 7});
    EXPECT_EQ(static_cast<uint8_t*>(tb.ScanLine(3))[12], 9);
    // Drawn on through its canvas: the bitmap sees the change.
    tb.Canvas().Brush().SetColor(RGB(255, 0, 0));
    tb.Canvas().FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(b.GetPixelRGB24(1, 1), (TRGB{0, 0, 255}));
    // Resized from outside: the fields follow.
    tb.SetSize(7, 6);
    EXPECT_EQ(b.Width(), 7);
    EXPECT_EQ(b.Height(), 6);
    EXPECT_EQ(b.GetPixelRGB24(4, 3), (TRGB{9, 8, 7}));
    // Allocate on a wrapped bitmap resizes that bitmap.
    b.Allocate(3, 3, ieRGB24);
    EXPECT_EQ(tb.Width(), 3);
    b.FreeImage(true);
    EXPECT_EQ(tb.Width(), 3);  // not freed: it belongs to the caller
}

TEST(WndBitmap, AssignIntoAWrappedBitmapFillsThatBitmap) {
    for (bool WithAlpha : {false, true}) {
        TBitmap tb(2, 2, pf24bit);
        TIEBitmap b;
        b.WrapTBitmap(&tb, true);
        TIEBitmap src;
        src.Allocate(6, 5, ieRGB24);
        FillPattern(src);
        if (WithAlpha) src.SetAlpha(5, 4, 33);
        b.Assign(&src);
        EXPECT_TRUE(b.WndBitmapIsExternal());
        EXPECT_EQ(b.GetWndBitmap(), &tb);
        EXPECT_EQ(tb.Width(), 6);
        EXPECT_EQ(tb.Height(), 5);
        ExpectPattern(b);
        EXPECT_EQ(static_cast<uint8_t*>(tb.ScanLine(4))[3 * 5 + 1], 4);  // the caller's bitmap holds the pixels
        EXPECT_EQ(b.HasAlphaChannel(), WithAlpha);
        if (WithAlpha) EXPECT_EQ(b.GetAlpha(5, 4), 33);
        // Independent of the source.
        src.SetPixelRGB24(5, 4, TRGB{0, 0, 0});
        EXPECT_EQ(b.GetPixelRGB24(5, 4), (TRGB{5, 4, 54}));
    }
}

TEST(WndBitmap, CopyFromEveryDepth) {
    struct {
        TPixelFormat pf;
        TIEPixelFormat want;
    } cases[] = {{pf1bit, ie1g}, {pf4bit, ie8p}, {pf8bit, ie8p}, {pf15bit, ieRGB24},
                 {pf16bit, ieRGB24}, {pf24bit, ieRGB24}, {pf32bit, ieRGB24}};
    for (auto c : cases) {
        TBitmap tb(4, 3, pf24bit);
        tb.Canvas().Brush().SetColor(RGB(255, 255, 255));
        tb.Canvas().FillRect(Rect(0, 0, 4, 3));
        tb.Canvas().Brush().SetColor(RGB(0, 0, 0));
        tb.Canvas().FillRect(Rect(0, 0, 1, 1));
        tb.SetPixelFormat(c.pf);
        TIEBitmap b;
        b.SetLocation(ieMemory);
        b.CopyFromTBitmap(&tb);
        EXPECT_EQ(b.PixelFormat(), c.want) << int(c.pf);
        EXPECT_EQ(b.GetPixelRGB(0, 0), (TRGB{0, 0, 0})) << int(c.pf);
        TRGB white = b.GetPixelRGB(3, 2);
        EXPECT_GE(white.r, 248) << int(c.pf);  // 5-bit channels come back as 248
        EXPECT_GE(white.g, 248) << int(c.pf);
    }
}

TEST(WndBitmap, ConversionAndRenderingIntoATBitmap) {
    TIEBitmap b;
    b.SetLocation(ieTBitmap);
    b.Allocate(3, 2, ieRGB24);
    b.Fill(0x102030);
    b.ConvertTo(ie8g);
    EXPECT_EQ(b.Location(), ieTBitmap);
    EXPECT_EQ(b.PixelFormat(), ie8g);
    EXPECT_EQ(b.GetWndBitmap()->PixelFormat(), pf8bit);
    EXPECT_EQ(b.GetPixel8(0, 0), (21 * 0x30 + 71 * 0x20 + 8 * 0x10) / 100);
    EXPECT_THROW(b.ConvertTo(ieCMYK), EIEBitmapError);
    EXPECT_EQ(b.PixelFormat(), ie8g);

    TIEBitmap src;
    src.Allocate(2, 2, ieRGB24);
    src.Fill(0x0000FF);
    TBitmap dest(4, 4, pf24bit);
    EXPECT_TRUE(src.RenderToTBitmap(&dest, 0, 0, 4, 4, 0, 0, 2, 2));
    EXPECT_EQ(static_cast<uint8_t*>(dest.ScanLine(3))[3 * 3 + 2], 255);
    TBitmap mono(4, 4, pf1bit);
    EXPECT_FALSE(src.RenderToTBitmap(&mono, 0, 0, 4, 4, 0, 0, 2, 2));
}

TEST(WndBitmap, PaletteHelpers) {
    EXPECT_EQ(PixelFormatToBitCount(pf15bit), 15);
    EXPECT_EQ(PixelFormatToBitCount(pfDevice), 0);
    EXPECT_EQ(PixelFormatRowLength(3, pf24bit), 12);
    TBitmap b(2, 2, pf8bit);
    GrayPaletteToTBitmap(&b);
    EXPECT_TRUE(IsGrayPaletteTBitmap(&b));
    auto t = b.Palette();
    t[5] = RGBQUAD{1, 2, 3, 0};
    b.SetPalette(t);
    EXPECT_FALSE(IsGrayPaletteTBitmap(&b));
    TIEBitmap p;
    p.Allocate(2, 2, ie8p);
    CopyTBitmapPalette(&b, &p);
    EXPECT_EQ(p.GetPalette(5), (TRGB{1, 2, 3}));
    EXPECT_EQ(p.GetPalette(6), (TRGB{6, 6, 6}));
}

// Every storable format through memory, temporary file and windowing bitmap, with alpha.
TEST(WndBitmap, EveryFormatThroughEveryStorage) {
    for (TIEPixelFormat f : {ie1g, ie8p, ie8g, ieRGB24}) {
        TIEBitmap b;
        b.MinFileSize = 1 << 20;
        b.SetLocation(ieMemory);
        b.Allocate(5, 3, f);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                int v = 40 * y + 7 * x;
                if (f == ie1g) b.SetPixel1(x, y, (x + y) % 2);
                else if (f == ieRGB24) b.SetPixelRGB24(x, y, TRGB{uint8_t(v), uint8_t(v + 1), uint8_t(v + 2)});
                else b.SetPixel8(x, y, uint8_t(v));
            }
        if (f == ie8p)
            for (int i = 0; i < 256; ++i) b.SetPalette(i, TRGB{uint8_t(i), 0, uint8_t(255 - i)});
        b.SetAlpha(4, 2, 12);
        TIEBitmap want;
        want.Assign(&b);
        for (auto loc : {ieTempFile, ieTBitmap, ieMemory, ieTBitmap, ieTempFile}) {
            b.MinFileSize = loc == ieTempFile ? 0 : 1 << 20;
            b.SetLocation(loc);
            ASSERT_EQ(b.Location(), loc) << int(f);
            ASSERT_EQ(b.PixelFormat(), f);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 5; ++x) ASSERT_EQ(b.GetPixelRGB(x, y), want.GetPixelRGB(x, y)) << int(f) << " " << int(loc);
            ASSERT_EQ(b.GetAlpha(4, 2), 12);
        }
    }
}

TEST(WndBitmap, OwnerWindowHandle) {
    TComponent root(nullptr);
    EXPECT_EQ(FindOwnerWindowHandle(&root), nullptr);
    EXPECT_EQ(FindOwnerWindowHandle(nullptr), nullptr);
    TForm* form = new TForm(&root);
    TComponent* inner = new TComponent(form);
    EXPECT_EQ(FindOwnerWindowHandle(inner), nullptr);  // no window made yet
    HWND h = form->Handle();
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(FindOwnerWindowHandle(inner), h);
}
