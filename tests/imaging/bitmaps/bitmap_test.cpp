// Bitmap storage: memory and temporary file, rows, palette, alpha channel, filling and copying.
#include <gtest/gtest.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/iemisc.h"

namespace {

// Each pixel of a 3x2 RGB24 image differs, so row order and columns are visible.
void FillPattern(TIEBitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            b.SetPixelRGB24(x, y, TRGB{static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(10 * x + y)});
}

void ExpectPattern(TIEBitmap& b) {
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            TRGB c = b.GetPixelRGB24(x, y);
            ASSERT_EQ(c, (TRGB{static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(10 * x + y)}))
                << x << "," << y;
        }
}

int CountTempFiles() {
    int n = 0;
    std::string dir = IETempFolder();
    // Listing through the shell-free C library: names beginning with "IMG-".
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strncmp(e->d_name, "IMG-", 4) == 0) ++n;
        closedir(d);
    }
    return n;
}

}  // namespace

TEST(Bitmap, RowLengthsAndEmptiness) {
    TIEBitmap b;
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(b.Location(), ieTempFile);
    struct {
        TIEPixelFormat f;
        int w, rowLen, bits;
    } cases[] = {{ieRGB24, 3, 12, 24}, {ie1g, 9, 4, 1}, {ie8g, 5, 8, 8},  {ie16g, 3, 8, 16}, {ie32f, 3, 12, 32},
                 {ieCMYK, 1, 4, 32},   {ieRGB48, 3, 20, 48}, {ieCIELab, 2, 8, 24}, {ie8p, 1, 4, 8}};
    for (auto c : cases) {
        b.Allocate(c.w, 2, c.f);
        EXPECT_EQ(b.RowLen(), c.rowLen) << int(c.f);
        EXPECT_EQ(b.BitCount(), c.bits);
        EXPECT_FALSE(b.IsEmpty());
    }
    EXPECT_EQ(b.GetPaletteLength(), 256);
    TRGB p = b.GetPalette(300);
    EXPECT_EQ(p, (TRGB{0, 0, 0}));
}

TEST(Bitmap, StorageChoiceFollowsMinFileSize) {
    // 3x2 RGB24 = 24 bytes.
    struct {
        int64_t min;
        TIELocation asked, got;
    } cases[] = {{25, ieTempFile, ieMemory}, {23, ieMemory, ieTempFile}, {24, ieMemory, ieMemory},
                 {24, ieTempFile, ieTempFile}, {0, ieMemory, ieTempFile}};
    for (auto c : cases) {
        TIEBitmap b;
        b.MinFileSize = c.min;
        b.SetLocation(c.asked);
        b.Allocate(3, 2, ieRGB24);
        EXPECT_EQ(b.Location(), c.got) << c.min;
        FillPattern(b);
        ExpectPattern(b);
    }
}

TEST(Bitmap, UnwritableTempFolderFallsBackToMemory) {
    std::string saved = LibraryTempFolder;
    LibraryTempFolder = "/proc/img1-no-such-folder/";
    TIEBitmap b;
    b.MinFileSize = 0;
    b.Allocate(3, 2, ieRGB24);
    EXPECT_EQ(b.Location(), ieMemory);
    FillPattern(b);
    ExpectPattern(b);
    LibraryTempFolder = saved;
}

TEST(Bitmap, RowOrderIsTopDownInEveryStorage) {
    // Memory keeps rows bottom-up, the temporary file top-down: both answer row 0 = top.
    TIEBitmap m;
    m.MinFileSize = 1 << 20;
    m.Allocate(3, 2, ieRGB24);
    ASSERT_EQ(m.Location(), ieMemory);
    FillPattern(m);
    EXPECT_EQ(m.Scanline(0), m.Scanline(1) + m.RowLen());  // row 0 lies above row 1 in memory

    TIEBitmap t;
    t.MinFileSize = 0;
    t.Allocate(3, 2, ieRGB24);
    ASSERT_EQ(t.Location(), ieTempFile);
    FillPattern(t);
    t.ReleaseMappedRows();
    // Row 0 is the first RowLen bytes of the file.
    TFileStream f(t.FileBuffer().FileName, fmOpenRead);
    uint8_t first[3];
    f.ReadBuffer(first, 3);
    EXPECT_EQ(first[0], 0);  // blue of (0,0)
    EXPECT_EQ(first[1], 0);  // green = row 0
    f.SetPosition(12);
    f.ReadBuffer(first, 3);
    EXPECT_EQ(first[1], 1);  // the second row in the file is row 1
}

TEST(Bitmap, TempFileRowPointerHoldsOnlyUntilNextRow) {
    TIEBitmap t;
    t.MinFileSize = 0;
    t.Allocate(3, 2, ie8g);
    t.Fill(0);
    uint8_t* r0 = t.Scanline(0);
    r0[0] = 77;  // kept: written before the next row request
    uint8_t* r1 = t.Scanline(1);
    r1[0] = 88;
    EXPECT_EQ(t.GetPixel8(0, 0), 77);
    EXPECT_EQ(t.GetPixel8(0, 1), 88);
}

TEST(Bitmap, StorageMovesKeepPixelsPaletteAndAlpha) {
    TIEBitmap b;
    b.MinFileSize = 1 << 20;
    b.SetLocation(ieMemory);
    b.Allocate(3, 2, ieRGB24);
    FillPattern(b);
    b.SetAlpha(1, 1, 33);
    b.MinFileSize = 0;
    b.SetLocation(ieTempFile);
    EXPECT_EQ(b.Location(), ieTempFile);
    ExpectPattern(b);
    EXPECT_EQ(b.GetAlpha(1, 1), 33);
    EXPECT_EQ(b.GetAlpha(0, 0), 255);
    b.MinFileSize = 1 << 20;
    b.SetLocation(ieMemory);
    EXPECT_EQ(b.Location(), ieMemory);
    ExpectPattern(b);
    EXPECT_EQ(b.GetAlpha(1, 1), 33);

    TIEBitmap p;
    p.MinFileSize = 0;
    p.Allocate(2, 1, ie8p);
    p.SetPalette(3, TRGB{1, 2, 3});
    p.SetPixel8(1, 0, 3);
    p.MinFileSize = 1 << 20;
    p.SetLocation(ieMemory);
    EXPECT_EQ(p.GetPixelRGB(1, 0), (TRGB{1, 2, 3}));
}

TEST(Bitmap, TempFilesAreRemoved) {
    int before = CountTempFiles();
    {
        TIEBitmap t;
        t.MinFileSize = 0;
        t.Allocate(10, 10, ieRGB24);
        EXPECT_EQ(CountTempFiles(), before + 1);
        const std::string& n = t.FileBuffer().FileName;
        EXPECT_EQ(n.substr(n.rfind('/') + 1).size(), std::string("IMG-12345678.tmp").size());
    }
    EXPECT_EQ(CountTempFiles(), before);
}

// Sizes above 2 GB are computed in 64 bits and go to a (sparse) temporary file.
TEST(Bitmap, ImagesAbove2GBAreAddressedWith64BitSizes) {
    TIEBitmap t;
    t.MinFileSize = 1 << 30;
    t.Allocate(50000, 15000, ieRGB24);  // 2,250,000,000 bytes
    ASSERT_FALSE(t.IsEmpty());
    EXPECT_EQ(t.ImageSize(), 2250000000LL);
    EXPECT_EQ(t.Location(), ieTempFile);
    EXPECT_EQ(t.FileBuffer().FileSize(), 2250000000LL);
    t.SetPixelRGB24(49999, 14999, TRGB{1, 2, 3});
    t.SetPixelRGB24(0, 0, TRGB{4, 5, 6});
    EXPECT_EQ(t.GetPixelRGB24(49999, 14999), (TRGB{1, 2, 3}));
    EXPECT_EQ(t.GetPixelRGB24(0, 0), (TRGB{4, 5, 6}));
}

TEST(Bitmap, MinFileSizeDefaultIs64Bit) {
    int64_t avail = GetAvailablePhysicalMemory();
    EXPECT_EQ(IEResolveMinFileSize(-1), avail / 2 > 0 ? avail / 2 : 33554432);
    EXPECT_EQ(IEResolveMinFileSize(1000), 1000);
}

TEST(Bitmap, WindowingStorageFailureKeepsPixels) {
    // ie32f cannot live in a windowing bitmap: the pixels stay where they were.
    TIEBitmap b;
    b.MinFileSize = 1 << 20;
    b.SetLocation(ieMemory);
    b.Allocate(2, 2, ie32f);
    b.SetPixel32f(1, 1, 0.25f);
    try {
        b.SetLocation(ieTBitmap);
        FAIL() << "no exception";
    } catch (const EIEBitmapError& e) {
        EXPECT_STREQ(e.what(), "ie32f pixel format not allowed when Location=ieTBitmap");
    }
    EXPECT_EQ(b.Location(), ieMemory);
    EXPECT_FALSE(b.IsEmpty());
    EXPECT_FLOAT_EQ(b.GetPixel32f(1, 1), 0.25f);

    // An allocation that fails leaves no size without storage.
    TIEBitmap c;
    c.SetLocation(ieTBitmap);
    EXPECT_THROW(c.Allocate(4, 4, ieCMYK), EIEBitmapError);
    EXPECT_TRUE(c.IsEmpty());
    EXPECT_EQ(c.Width(), 0);
}

TEST(Bitmap, FullFlagOfAlphaChannel) {
    TIEBitmap b;
    b.Allocate(4, 3, ieRGB24);
    TIEBitmap* a = b.GetAlphaChannel();
    EXPECT_TRUE(a->Full);
    EXPECT_TRUE(a->IsAlpha());
    EXPECT_EQ(a->GetAlphaChannel(), nullptr);
    a->SetPixel8(0, 0, 254);
    EXPECT_FALSE(a->Full);
    a->SyncFull();
    EXPECT_FALSE(a->Full);
    a->SetPixel8(0, 0, 255);
    a->SyncFull();
    EXPECT_TRUE(a->Full);
    // Clearing part of a full channel must not leave it marked full.
    a->FillRect(1, 1, 2, 2, 0);
    EXPECT_FALSE(a->Full);
    EXPECT_EQ(a->GetPixel8(1, 1), 0);
    EXPECT_EQ(a->GetPixel8(3, 2), 255);
    a->Fill(255);
    EXPECT_TRUE(a->Full);
    a->FillRect(0, 0, 1, 1, 255);
    EXPECT_TRUE(a->Full);
    // So must a copy of a non-full rectangle into it.
    auto other = TIEBitmap::CreateAsAlpha(2, 2, ieMemory);
    other->SetPixel8(0, 0, 10);
    other->CopyRectTo(a, 0, 0, 0, 0, 2, 2);
    EXPECT_FALSE(a->Full);
    // And moving a rectangle fills its old place.
    a->Fill(255);
    a->MoveRect(0, 0, 0, 0, 2, 2, 0);
    EXPECT_FALSE(a->Full);
}

TEST(Bitmap, FillPerFormat) {
    struct {
        TIEPixelFormat f;
        double v;
        bool full;
    } cases[] = {{ie1g, 1, true}, {ie1g, 0, false}, {ie8g, 255, true}, {ie16g, 65535, true}, {ie16g, 3, false},
                 {ie32f, 1.0, true}, {ieRGB24, 0xFFFFFF, true}, {ieRGB48, 0xFFFFFF, true}, {ieCMYK, 0x0000FF, false}};
    for (auto c : cases) {
        TIEBitmap b;
        b.Allocate(3, 2, c.f);
        b.Fill(c.v);
        EXPECT_EQ(b.Full, c.full) << int(c.f);
    }
    TIEBitmap r;
    r.Allocate(3, 2, ieRGB24);
    r.Fill(0x0000FF);  // a colour: red in the low byte
    EXPECT_EQ(r.GetPixelRGB24(2, 1), (TRGB{0, 0, 255}));
    TIEBitmap w;
    w.Allocate(3, 2, ieRGB48);
    w.Fill(0x00FF00);
    EXPECT_EQ(w.GetPixelRGB48(0, 0), (TRGB48{0, 65535, 0}));
    TIEBitmap k;
    k.Allocate(1, 1, ieCMYK);
    k.Fill(0x000080);  // red 128
    EXPECT_EQ(k.GetPixelCMYK(0, 0), (TCMYK{255, 0, 0, 128}));
    EXPECT_EQ(k.GetPixelRGB(0, 0), (TRGB{0, 0, 128}));
}

TEST(Bitmap, AssignCopiesEverythingAndTempFilesWhole) {
    TIEBitmap a;
    a.MinFileSize = 0;
    a.Allocate(3, 2, ieRGB24);
    FillPattern(a);
    a.SetAlpha(2, 1, 9);
    a.BWConversion = ieBWOrderedDither;
    TIEBitmap b;
    b.MinFileSize = 0;
    b.Assign(&a);
    EXPECT_EQ(b.Location(), ieTempFile);
    ExpectPattern(b);
    EXPECT_EQ(b.GetAlpha(2, 1), 9);
    EXPECT_EQ(b.BWConversion, ieBWOrderedDither);
    EXPECT_NE(b.FileBuffer().FileName, a.FileBuffer().FileName);
    // A source without alpha leaves none.
    TIEBitmap c;
    c.Allocate(1, 1, ie8g);
    b.Assign(&c);
    EXPECT_FALSE(b.HasAlphaChannel());
    // AssignImage keeps this bitmap's alpha channel.
    TIEBitmap d;
    d.Allocate(3, 2, ieRGB24);
    d.SetAlpha(0, 0, 1);
    d.AssignImage(&a);
    ExpectPattern(d);
    EXPECT_EQ(d.GetAlpha(0, 0), 1);
}

TEST(Bitmap, FileBufferCopyFailureKeepsDestination) {
    TIEFileBuffer src, dst;
    ASSERT_TRUE(src.AllocateFile("IMG", 16));
    ASSERT_TRUE(dst.AllocateFile("IMG", 32));
    auto* m = static_cast<uint8_t*>(dst.Map(iebWrite, 32, 0));
    std::memset(m, 0x5A, 32);
    dst.UnMap(m);
    // The source is shorter than asked: the copy fails and says so; Dest keeps its bytes.
    EXPECT_FALSE(src.CopyTo(dst, 32, 0));
    EXPECT_TRUE(dst.IsAllocated());
    auto* r = static_cast<uint8_t*>(dst.Map(iebRead, 32, 0));
    EXPECT_EQ(r[31], 0x5A);
    dst.UnMap(r);
    EXPECT_TRUE(src.CopyTo(dst, 16, 0));
}

TEST(Bitmap, SetWidthHeightAndResize) {
    TIEBitmap b;
    b.Allocate(3, 2, ieRGB24);
    FillPattern(b);
    b.SetAlpha(2, 1, 5);
    b.SetWidth(5);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.GetAlphaChannel()->Width(), 5);
    EXPECT_EQ(b.GetPixelRGB24(2, 1), (TRGB{2, 1, 21}));
    EXPECT_EQ(b.GetAlpha(2, 1), 5);
    b.SetHeight(1);
    EXPECT_EQ(b.Height(), 1);
    EXPECT_EQ(b.GetPixelRGB24(1, 0), (TRGB{1, 0, 10}));

    // 100x100 to 50x50 centred keeps columns and rows 25..74.
    TIEBitmap g;
    g.Allocate(100, 100, ie8g);
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x) g.SetPixel8(x, y, static_cast<uint8_t>(x + (y == 25 ? 100 : 0)));
    g.Resize(50, 50, 0, 255, 1, 1);
    EXPECT_EQ(g.Width(), 50);
    EXPECT_EQ(g.GetPixel8(0, 0), 125);  // column 25 of row 25
    EXPECT_EQ(g.GetPixel8(49, 1), 74);

    // Growing to the right and down fills the new area.
    TIEBitmap s;
    s.Allocate(2, 2, ie8g);
    s.Fill(7);
    s.Resize(4, 3, 9, 255, 2, 0);
    EXPECT_EQ(s.GetPixel8(0, 0), 9);
    EXPECT_EQ(s.GetPixel8(2, 0), 7);
    EXPECT_EQ(s.GetPixel8(3, 1), 7);
    EXPECT_EQ(s.GetPixel8(3, 2), 9);

    // A palette survives a size change.
    TIEBitmap p;
    p.Allocate(2, 2, ie8p);
    p.SetPalette(1, TRGB{9, 8, 7});
    p.SetWidth(3);
    EXPECT_EQ(p.GetPalette(1), (TRGB{9, 8, 7}));
}

TEST(Bitmap, CopyRectToClipsAndConverts1Bit) {
    TIEBitmap s;
    s.Allocate(10, 1, ie8g);
    for (int x = 0; x < 10; ++x) s.SetPixel8(x, 0, static_cast<uint8_t>(x));
    TIEBitmap d;
    d.Allocate(4, 1, ie8g);
    d.Fill(200);
    s.CopyRectTo(&d, 0, 0, -5, 0, 10, 1);  // starts reading at column 5
    EXPECT_EQ(d.GetPixel8(0, 0), 5);
    EXPECT_EQ(d.GetPixel8(3, 0), 8);

    TIEBitmap bits;
    bits.Allocate(12, 1, ie1g);
    bits.Fill(0);
    bits.SetPixel1(3, 0, true);
    bits.SetPixel1(11, 0, true);
    TIEBitmap bits2;
    bits2.Allocate(12, 1, ie1g);
    bits2.Fill(0);
    bits.CopyRectTo(&bits2, 3, 0, 5, 0, 9, 1);
    EXPECT_TRUE(bits2.GetPixel1(5, 0));
    EXPECT_FALSE(bits2.GetPixel1(4, 0));
    EXPECT_FALSE(bits2.GetPixel1(6, 0));
    TIEBitmap rgb;
    rgb.Allocate(2, 1, ieRGB24);
    rgb.Fill(0x808080);
    bits.CopyRectTo(&rgb, 2, 0, 0, 0, 2, 1);
    EXPECT_EQ(rgb.GetPixelRGB24(0, 0), (TRGB{0, 0, 0}));
    EXPECT_EQ(rgb.GetPixelRGB24(1, 0), (TRGB{255, 255, 255}));
    // Different formats copy nothing.
    TIEBitmap other;
    other.Allocate(2, 1, ie16g);
    other.Fill(3);
    s.CopyRectTo(&other, 0, 0, 0, 0, 2, 1);
    EXPECT_EQ(other.GetPixel16(0, 0), 3);
}

TEST(Bitmap, MergeAlphaTakesTheMaximum) {
    TIEBitmap a, b;
    a.Allocate(2, 1, ieRGB24);
    b.Allocate(2, 1, ieRGB24);
    a.SetAlpha(0, 0, 10);
    a.SetAlpha(1, 0, 200);
    b.SetAlpha(0, 0, 50);
    b.SetAlpha(1, 0, 100);
    a.MergeAlphaRectTo(&b, 0, 0, 0, 0, 2, 1);
    EXPECT_EQ(b.GetAlpha(0, 0), 50);
    EXPECT_EQ(b.GetAlpha(1, 0), 200);
}

TEST(Bitmap, GreyTestsAndWrapMemory) {
    TIEBitmap b;
    b.Allocate(2, 1, ieRGB24);
    b.Fill(0x404040);
    EXPECT_TRUE(b.IsGrayScale());
    b.SetPixelRGB24(1, 0, TRGB{1, 2, 3});
    EXPECT_FALSE(b.IsGrayScale());
    TIEBitmap z;
    z.Allocate(2, 2, ie8g);
    z.Fill(0);
    EXPECT_TRUE(z.IsAllZero());

    // Bottom row first in the caller's buffer.
    uint8_t buf[8] = {1, 2, 0, 0, 3, 4, 0, 0};
    TIEBitmap w;
    w.WrapMemory(buf, 2, 2, ie8g, true);
    EXPECT_EQ(w.GetPixel8(0, 0), 3);
    EXPECT_EQ(w.GetPixel8(1, 1), 2);
    EXPECT_TRUE(w.MemoryIsExternal());
}

TEST(Bitmap, MaskRoundTrip) {
    TIEMask m;
    m.AllocateBits(10, 3, 1);
    m.SetPixel(9, 2, 1);
    TIEBitmap b;
    b.CopyFromTIEMask(&m);
    EXPECT_EQ(b.PixelFormat(), ie1g);
    EXPECT_TRUE(b.GetPixel1(9, 2));
    EXPECT_FALSE(b.GetPixel1(8, 2));
    TIEMask back;
    b.CopyToTIEMask(&back);
    EXPECT_EQ(back.GetPixel(9, 2), 1);
    EXPECT_EQ(back.X1, 9);
    EXPECT_EQ(back.Y2, 2);
}

TEST(Bitmap, DibBitmapRowsAndCopies) {
    TIEDibbitmap d;
    d.AllocateBits(5, 3, 24);
    ASSERT_NE(d.DC(), nullptr);
    ASSERT_NE(d.Handle(), nullptr);
    EXPECT_EQ(d.GetRowLen(), 16);
    EXPECT_EQ(d.GetPixelFormat(), ieRGB24);
    // Bottom-up: row 0 is the last block of the bits.
    EXPECT_EQ(static_cast<uint8_t*>(d.GetScanline(0)), d.Bits() + 2 * 16);
    static_cast<uint8_t*>(d.GetScanline(0))[0] = 9;
    TIEDibbitmap e;
    e.Assign(&d);
    EXPECT_EQ(static_cast<uint8_t*>(e.GetScanline(0))[0], 9);
    TIEBitmap b;
    b.CopyFromTIEDibbitmap(&d);
    EXPECT_EQ(b.PixelFormat(), ieRGB24);
    EXPECT_EQ(b.GetPixelRGB24(0, 0).b, 9);
    TIEDibbitmap one;
    one.Allocate(9, 2, ie1g);
    EXPECT_EQ(one.GetRowLen(), 4);
    one.FreeBits();
    EXPECT_EQ(one.GetWidth(), 0);

    TIEWorkBitmap w(3, 2, 24);
    EXPECT_EQ(w.RowLen, 12);
    EXPECT_EQ(static_cast<uint8_t*>(w.GetScanline(1)) + 12, static_cast<uint8_t*>(w.GetScanline(0)));
}
