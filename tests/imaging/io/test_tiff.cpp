#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "imaging/bitmaps/iemask.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/ielzw.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/ietiff.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {
std::vector<uint8_t> Bytes(TMemoryStream& ms) {
    auto* p = static_cast<uint8_t*>(ms.Memory());
    return std::vector<uint8_t>(p, p + ms.Size());
}
}  // namespace

TEST(TIFFLZW, RowsRoundTripThroughWidthChangesAndClears) {
    std::mt19937 rng(3);
    for (int kind = 0; kind < 3; ++kind) {
        SCOPED_TRACE(kind);
        const int32_t rowLen = kind == 0 ? 1000 : kind == 1 ? 37 : 3000;
        const int32_t rows = kind == 2 ? 40 : 8;
        std::vector<uint8_t> img(static_cast<size_t>(rowLen) * rows);
        for (size_t i = 0; i < img.size(); ++i)
            img[i] = kind == 0 ? 7 : static_cast<uint8_t>(kind == 1 ? (i / 5) : (i % 300 < 100 ? i / 7 : rng()));
        TMemoryStream ms;
        void* st = nullptr;
        for (int32_t r = 0; r < rows; ++r) TIFFLZWCompress(img.data() + static_cast<size_t>(r) * rowLen, rowLen, ms, st);
        TIFFLZWCompress(nullptr, 0, ms, st);
        EXPECT_EQ(st, nullptr);
        auto data = Bytes(ms);
        void* ds = nullptr;
        for (int32_t r = 0; r < rows; ++r) {
            uint8_t* row = TIFFLZWDecompress(data.data(), static_cast<int32_t>(data.size()), rowLen, ds);
            ASSERT_NE(row, nullptr) << r;
            ASSERT_EQ(0, std::memcmp(row, img.data() + static_cast<size_t>(r) * rowLen, static_cast<size_t>(rowLen))) << r;
        }
        TIFFLZWDecompress(nullptr, 0, 0, ds);
    }
    // A long string in a narrow row: decoded without a fixed output room to overflow.
    std::vector<uint8_t> ones(5000, 0xFF);
    TMemoryStream ms;
    void* st = nullptr;
    TIFFLZWCompress(ones.data(), 5000, ms, st);
    TIFFLZWCompress(nullptr, 0, ms, st);
    auto data = Bytes(ms);
    void* ds = nullptr;
    for (int r = 0; r < 5000; ++r) {
        uint8_t* row = TIFFLZWDecompress(data.data(), static_cast<int32_t>(data.size()), 1, ds);
        ASSERT_NE(row, nullptr);
        ASSERT_EQ(row[0], 0xFF);
    }
    TIFFLZWDecompress(nullptr, 0, 0, ds);
    // A code past the table fails.
    std::vector<uint8_t> bad = {0x80, 0x3F, 0xF0, 0x00};  // clear (256), then 4092 at 9 bits' width
    EXPECT_EQ(TIFFLZWDecompress(bad.data(), 4, 4, ds), nullptr);
    TIFFLZWDecompress(nullptr, 0, 0, ds);
}

TEST(TIFFReader, FilesWrittenByImageMagickAndTiffcp) {
    struct Case {
        const char* file;
        int tol;
        bool alpha;
    } cases[] = {
        {"tif_rgb.tif", 0, false},     {"tif_grey8.tif", 0, false},     {"tif_grey16.tif", 1, false},
        {"tif_grey4.tif", 0, false},   {"tif_1bit.tif", 0, false},      {"tif_palette.tif", 1, false},
        {"tif_cmyk.tif", 1, false},    {"tif_rgba.tif", 0, true},       {"tif_rgb16.tif", 1, false},
        {"tif_be.tif", 0, false},      {"tif_lzw.tif", 0, false},       {"tif_lzwpred.tif", 0, false},
        {"tif_zip.tif", 0, false},     {"tif_packbits.tif", 0, false},  {"tif_jpeg.tif", 3, false},
        {"tif_ycbcrjpeg.tif", 3, false}, {"tif_planar.tif", 0, false},  {"tif_tiled.tif", 0, false},
        {"tif_palette_lzw.tif", 1, false},  // 16-bit colour maps: ImageMagick rounds, we take the high byte
        {"tif_g3.tif", 0, false},      {"tif_g4.tif", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TIEImageIO io;
        io.LoadFromFile(DataDir() + c.file);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->FileType, ioTIFF);
        EXPECT_EQ(io.IEBitmap()->Width(), 24);
        EXPECT_EQ(io.IEBitmap()->HasAlphaChannel(), c.alpha);
        EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + std::string(c.file) + ".rgba"), c.tol, c.alpha), 0);
    }
}

TEST(TIFFReader, PagesNativeFormatsAndUndecodableData) {
    TIEImageIO io;
    io.Params->TIFFImageIndex = 1;
    io.LoadFromFile(DataDir() + "tif_3pages.tif");
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(io.Params->TIFFImageCount, 3);
    EXPECT_EQ(io.Params->SamplesPerPixel, 1);
    io.Params->TIFFImageIndex = 3;
    io.LoadFromFile(DataDir() + "tif_3pages.tif");
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(io.Params->TIFFImageCount, 3);

    TIEImageIO n;
    n.SetNativePixelFormat(true);
    struct Case {
        const char* file;
        TIEPixelFormat pf;
    } cases[] = {{"tif_palette.tif", ie8p}, {"tif_grey8.tif", ie8g}, {"tif_grey16.tif", ie16g},
                 {"tif_cmyk.tif", ieCMYK},  {"tif_rgb16.tif", ieRGB48}, {"tif_1bit.tif", ie1g}};
    for (const auto& c : cases) {
        n.LoadFromFile(DataDir() + c.file);
        EXPECT_EQ(n.IEBitmap()->PixelFormat(), c.pf) << c.file;
        EXPECT_EQ(CountDiffs(*n.IEBitmap(), ReadAll(DataDir() + std::string(c.file) + ".rgba"), 1), 0) << c.file;
    }
}

namespace {
// Two directories whose links point at each other: A -> B -> A.
std::vector<uint8_t> LoopingFile() {
    std::vector<uint8_t> f = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto ifd = [&](uint32_t next) {
        auto put16 = [&](uint16_t v) { f.push_back(static_cast<uint8_t>(v)), f.push_back(static_cast<uint8_t>(v >> 8)); };
        auto put32 = [&](uint32_t v) { put16(static_cast<uint16_t>(v)), put16(static_cast<uint16_t>(v >> 16)); };
        put16(5);
        auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
            put16(tag), put16(type), put32(count), put32(value);
        };
        entry(256, 4, 1, 2);
        entry(257, 4, 1, 1);
        entry(258, 3, 1, 8);
        entry(262, 3, 1, 1);
        entry(273, 4, 1, 150);
        put32(next);
    };
    ifd(8 + 66);  // A at 8, B at 74
    ifd(8);
    f.resize(160, 0x80);
    return f;
}
}  // namespace

TEST(TIFFReader, LoopingDirectoryChainsEnd) {
    auto f = LoopingFile();
    TIEImageIO io;
    io.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), ioTIFF);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(io.Params->TIFFImageCount, 2);
    // The writer's insert walks the same chain.
    TMemoryStream ms;
    ms.WriteBuffer(f.data(), static_cast<int64_t>(f.size()));
    TIEBitmap b;
    FillPattern(b, 3, 2);
    TIOParamsVals p(nullptr);
    p.TIFFImageIndex = 9;
    std::atomic<bool> abort{false};
    TIEProgressRecord pr;
    pr.Aborting = &abort;
    EXPECT_EQ(WriteTIFFStream(ms, true, &b, pr, p), 3);
}

TEST(TIFFReader, ShortPaletteTagAndMissingOffsets) {
    // A palette page whose colour map has fewer values than 3 x 2^bits, and a page without strips.
    std::vector<uint8_t> f = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](uint16_t v) { f.push_back(static_cast<uint8_t>(v)), f.push_back(static_cast<uint8_t>(v >> 8)); };
    auto put32 = [&](uint32_t v) { put16(static_cast<uint16_t>(v)), put16(static_cast<uint16_t>(v >> 16)); };
    put16(6);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) { put16(tag), put16(type), put32(count), put32(value); };
    entry(256, 4, 1, 2);
    entry(257, 4, 1, 1);
    entry(258, 3, 1, 8);
    entry(262, 3, 1, 3);
    entry(273, 4, 1, 100);
    entry(320, 3, 6, 90);  // 6 values instead of 768
    put32(0);
    f.resize(110, 1);
    TIEImageIO io;
    io.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), ioTIFF);
    EXPECT_TRUE(io.Aborting);  // a palette page without a usable palette is not shown
    EXPECT_EQ(io.Params->PaletteCount, 0);
    auto g = LoopingFile();
    g[8 + 2 + 4 * 12] = 0x11;  // StripOffsets becomes tag 0x111 + 0x100: no strips
    g[8 + 2 + 4 * 12 + 1] = 0x02;
    io.LoadFromBuffer(g.data(), static_cast<int64_t>(g.size()), ioTIFF);
    EXPECT_TRUE(io.Aborting);
}

TEST(TIFFWriter, RoundTripsOfTheWrittenLayouts) {
    TIEBitmap rgb;
    FillPattern(rgb, 31, 9);
    TIEBitmap grey;
    grey.Allocate(31, 9, ieRGB24);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 31; ++x) {
            uint8_t g = static_cast<uint8_t>(x * 8 + y);
            grey.SetPixelRGB24(x, y, TRGB{g, g, g});
        }
    TIEBitmap pal;
    pal.Allocate(31, 9, ie8p);
    for (int i = 0; i < 256; ++i) pal.SetPalette(i, TRGB{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 9});
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 31; ++x) pal.SetPixel8(x, y, static_cast<uint8_t>((x * 7 + y) % 16));
    TIEBitmap smooth;
    smooth.Allocate(31, 9, ieRGB24);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 31; ++x) smooth.SetPixelRGB24(x, y, TRGB{static_cast<uint8_t>(x * 8), static_cast<uint8_t>(y * 28), 100});
    TIEBitmap bw;
    bw.Allocate(31, 9, ie1g);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 31; ++x) bw.SetPixel1(x, y, (x * y) % 3 == 0);
    struct Case {
        const char* name;
        TIEBitmap* b;
        int bits, spp, compression, photometric;
        int tol;
    } cases[] = {
        {"rgb none", &rgb, 8, 3, 0, 2, 0},       {"rgb lzw", &rgb, 8, 3, 5, 2, 0},
        {"rgb packbits", &rgb, 8, 3, 8, 2, 0},   {"rgb jpeg", &smooth, 8, 3, 7, 2, 12},
        {"cmyk", &rgb, 8, 4, 0, 5, 2},           {"grey 8", &grey, 8, 1, 5, 1, 0},
        {"palette 8", &pal, 8, 1, 5, 3, 0},      {"palette 4", &pal, 4, 1, 0, 3, 0},
        {"bilevel", &bw, 1, 1, 0, 1, 0},         {"bilevel lzw", &bw, 1, 1, 5, 1, 0},
        {"bilevel mh", &bw, 1, 1, 1, 0, 0},      {"bilevel g3", &bw, 1, 1, 2, 0, 0},
        {"bilevel g3 2d", &bw, 1, 1, 3, 0, 0},   {"bilevel g4", &bw, 1, 1, 4, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TIEImageIO w;
        w.SetTargetBitmap(c.b);
        w.Params->BitsPerSample = c.bits;
        w.Params->SamplesPerPixel = c.spp;
        w.Params->TIFFCompression = static_cast<uint8_t>(c.compression);
        w.Params->TIFFPhotometric = static_cast<uint8_t>(c.photometric);
        TMemoryStream ms;
        w.SaveToStreamTIFF(ms);
        ASSERT_FALSE(w.Aborting);
        ms.SetPosition(0);
        TIEImageIO r;
        r.LoadFromStream(ms);
        ASSERT_FALSE(r.Aborting);
        int worst = 0;
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 31; ++x) {
                TRGB a = c.b->GetPixelRGB(x, y), b = r.IEBitmap()->GetPixelRGB(x, y);
                worst = std::max({worst, std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
            }
        EXPECT_LE(worst, c.tol);
    }
    // Alpha: transparent pixels make a fourth sample, a fully opaque channel does not.
    TIEBitmap a;
    FillPattern(a, 5, 4);
    a.SetAlpha(0, 0, 255);
    TIEImageIO w;
    w.SetTargetBitmap(&a);
    TMemoryStream opaque;
    w.SaveToStreamTIFF(opaque);
    opaque.SetPosition(0);
    TIEImageIO r;
    r.LoadFromStream(opaque);
    EXPECT_EQ(r.Params->SamplesPerPixel, 3);
    a.SetAlpha(2, 1, 0);
    w.Params->TIFFCompression = 5;
    TMemoryStream transp;
    w.SaveToStreamTIFF(transp);
    transp.SetPosition(0);
    r.LoadFromStream(transp);
    EXPECT_EQ(r.Params->SamplesPerPixel, 4);
    ASSERT_TRUE(r.IEBitmap()->HasAlphaChannel());
    EXPECT_EQ(r.IEBitmap()->GetAlpha(2, 1), 0);
    EXPECT_TRUE(SameRGB(a, *r.IEBitmap()));
}

TEST(TIFFWriter, InsertPagesAndStreamHeaders) {
    TIEBitmap p0, p1, p2;
    FillPattern(p0, 4, 3);
    FillPattern(p1, 6, 5);
    FillPattern(p2, 8, 7);
    TMemoryStream ms;
    TIOParamsVals params(nullptr);
    std::atomic<bool> abort{false};
    TIEProgressRecord pr;
    pr.Aborting = &abort;
    EXPECT_EQ(WriteTIFFStream(ms, false, &p1, pr, params), 1);
    params.TIFFImageIndex = 0;
    EXPECT_EQ(WriteTIFFStream(ms, true, &p0, pr, params), 2);
    params.TIFFImageIndex = 10;
    EXPECT_EQ(WriteTIFFStream(ms, true, &p2, pr, params), 3);
    for (int i = 0; i < 3; ++i) {
        TIEImageIO r;
        r.Params->TIFFImageIndex = i;
        ms.SetPosition(0);
        r.LoadFromStream(ms);
        EXPECT_EQ(r.IEBitmap()->Width(), 4 + 2 * i);
        EXPECT_EQ(r.Params->TIFFImageCount, 3);
    }
    // Inserting needs a little-endian file.
    TMemoryStream junk;
    junk.WriteBuffer("MM\0*\0\0\0\0", 8);
    EXPECT_EQ(WriteTIFFStream(junk, true, &p0, pr, params), 0);
    EXPECT_TRUE(abort);

    // Stream headers: the load ends where the save ended.
    TIEImageIO w;
    w.StreamHeaders = true;
    w.SetTargetBitmap(&p1);
    TMemoryStream hs;
    hs.WriteBuffer("xx", 2);
    w.SaveToStreamTIFF(hs);
    const int64_t end = hs.Position();
    hs.WriteBuffer("trailing", 8);
    TIEImageIO r;
    r.StreamHeaders = true;
    hs.SetPosition(2);
    r.LoadFromStreamTIFF(hs);
    EXPECT_FALSE(r.Aborting);
    EXPECT_EQ(hs.Position(), end);
    EXPECT_TRUE(SameRGB(p1, *r.IEBitmap()));
    TMemoryStream plain;
    w.StreamHeaders = false;
    w.SaveToStreamTIFF(plain);
    plain.SetPosition(0);
    r.LoadFromStreamTIFF(plain);
    EXPECT_TRUE(r.Aborting);
}

TEST(TIFFWriter, TagsAreWellFormed) {
    TIEBitmap b;
    FillPattern(b, 6, 2);
    TIEImageIO w;
    w.SetTargetBitmap(&b);
    w.Params->IPTCInfo.AddItem(2, 5, 3, "abc");      // 8 bytes with its header: padded to whole units
    w.Params->TIFFDocumentName = "menu";              // 4 characters: inline
    w.Params->TIFFPageName = "page1";                 // 5 characters: data with its zero
    TMemoryStream ms;
    w.SaveToStreamTIFF(ms);
    ms.SetPosition(0);
    TIEImageIO r;
    r.LoadFromStream(ms);
    EXPECT_EQ(r.Params->TIFFDocumentName, "menu");
    EXPECT_EQ(r.Params->TIFFPageName, "page1");
    int found = -1;
    for (int i = 0; i < r.Params->IPTCInfo.GetCount(); ++i)
        if (r.Params->IPTCInfo.GetDataSet(i) == 5) found = i;
    ASSERT_GE(found, 0);
    EXPECT_EQ(r.Params->IPTCInfo.GetItemString(found), "abc");
    // Signed EXIF values keep their sign.
    TIOParamsVals p(nullptr);
    p.HasEXIFData = true;
    p.ExifExposureBiasValue = -1.5;
    p.ExifBrightnessValue = -0.25;
    p.ExifMake = "Cam";
    TMemoryStream ex;
    std::atomic<bool> abort{false};
    TIEProgressRecord pr;
    pr.Aborting = &abort;
    ASSERT_EQ(WriteTIFFStream(ex, false, &b, pr, p), 1);
    ex.SetPosition(0);
    TIOParamsVals q(nullptr);
    TIEBitmap out;
    std::unique_ptr<TIEMask> mask;
    int32_t n = 0;
    ReadTIFFStream(&out, ex, n, false, true, true, mask, true, pr, q);
    EXPECT_TRUE(q.HasEXIFData);
    EXPECT_DOUBLE_EQ(q.ExifExposureBiasValue, -1.5);
    EXPECT_DOUBLE_EQ(q.ExifBrightnessValue, -0.25);
    EXPECT_EQ(q.ExifMake, "Cam");
}

TEST(TIFFWriter, OtherProgramsReadWhatWeWrite) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    TIEBitmap rgb;
    FillPattern(rgb, 33, 17);
    const bool haveTiffinfo = std::system("tiffinfo >/dev/null 2>&1") != 127 * 256;
    TIEBitmap bw;
    bw.Allocate(53, 17, ie1g);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 53; ++x) bw.SetPixel1(x, y, ((x / 3) + (y / 2)) % 3 != 0 || x > 40);
    for (int compression : {0, 5, 8, 1, 2, 3, 4}) {
        SCOPED_TRACE(compression);
        TIEImageIO io;
        io.SetTargetBitmap(compression >= 1 && compression <= 4 ? &bw : &rgb);
        if (compression >= 1 && compression <= 4) io.Params->BitsPerSample = 1, io.Params->SamplesPerPixel = 1;
        io.Params->TIFFCompression = static_cast<uint8_t>(compression);
        io.SaveToFile(dir / "w.tif");
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(CountDiffs(*io.IEBitmap(), DecodeWithConvert(dir / "w.tif", dir / "t"), 0), 0);
        if (haveTiffinfo) {
            std::string cmd = "tiffinfo -D '" + (dir / "w.tif") + "' > '" + (dir / "info") + "' 2>&1";
            std::system(cmd.c_str());
            auto info = ReadAll(dir / "info");
            std::string s(info.begin(), info.end());
            EXPECT_EQ(s.find("Warning"), std::string::npos) << s;
            EXPECT_EQ(s.find("Error"), std::string::npos) << s;
        }
    }
}

TEST(TIFFReader, FourSampleRowsWithoutAlphaAndUndecodableLayouts) {
    // RGBA read with NoAlpha keeps the four-sample stride.
    TFileStream fs(DataDir() + "tif_rgba.tif", fmOpenRead);
    TIOParamsVals p(nullptr);
    TIEBitmap b;
    std::unique_ptr<TIEMask> mask;
    int32_t n = 0;
    std::atomic<bool> abort{false};
    TIEProgressRecord pr;
    pr.Aborting = &abort;
    ReadTIFFStream(&b, fs, n, false, true, true, mask, false, pr, p);
    EXPECT_FALSE(abort);
    EXPECT_EQ(mask, nullptr);
    EXPECT_EQ(CountDiffs(b, ReadAll(DataDir() + "tif_rgba.tif.rgba"), 0), 0);
    // Uncompressed YCbCr has no decoder: reported, not shown blank.
    auto f = ReadAll(DataDir() + "tif_rgb.tif");
    TIEMemStream ms(f.data(), static_cast<int64_t>(f.size()));
    TIEImageIO io;
    io.LoadFromStream(ms);
    ASSERT_FALSE(io.Aborting);
    const uint32_t ifd = f[4] | (f[5] << 8) | (f[6] << 16) | (static_cast<uint32_t>(f[7]) << 24);
    const uint16_t count = static_cast<uint16_t>(f[ifd] | (f[ifd + 1] << 8));
    for (uint16_t i = 0; i < count; ++i) {
        uint8_t* e = &f[ifd + 2 + i * 12];
        if ((e[0] | (e[1] << 8)) == 262) e[8] = 6;
    }
    io.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), ioTIFF);
    EXPECT_TRUE(io.Aborting);
}

TEST(TIFFWriter, NarrowFaxRowsOfEveryCoding) {
    // Widths below 8 pixels: each row's codes are longer than the row itself.
    for (int32_t w : {1, 3, 7, 9}) {
        TIEBitmap bw;
        bw.Allocate(w, 6, ie1g);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < w; ++x) bw.SetPixel1(x, y, (x + y) % 2 == 0);
        for (int c : {1, 2, 3, 4}) {
            SCOPED_TRACE(testing::Message() << "width " << w << " coding " << c);
            TIEImageIO io;
            io.SetTargetBitmap(&bw);
            io.Params->BitsPerSample = 1;
            io.Params->SamplesPerPixel = 1;
            io.Params->TIFFCompression = static_cast<uint8_t>(c);
            TMemoryStream ms;
            io.SaveToStreamTIFF(ms);
            ASSERT_FALSE(io.Aborting);
            ms.SetPosition(0);
            TIEImageIO r;
            r.LoadFromStream(ms);
            ASSERT_FALSE(r.Aborting);
            EXPECT_TRUE(SameRGB(bw, *r.IEBitmap()));
        }
    }
}

TEST(TIFFReader, JPEGStripsKeepThePageParametersAnd555Colours) {
    TIEImageIO io;
    io.LoadFromFile(DataDir() + "tif_jpeg.tif");
    ASSERT_FALSE(io.Aborting);
    EXPECT_EQ(io.Params->TIFFCompression, 7);
    EXPECT_EQ(io.Params->SamplesPerPixel, 3);
    EXPECT_EQ(io.Params->JPEGMarkers.GetCount(), 0);  // the strips' markers stay with the strips
    EXPECT_EQ(io.Params->Width, 24);

    // One 16-bit RGB sample per pixel: 5-5-5 colour, bit 15 set.
    std::vector<uint8_t> f = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](uint16_t v) { f.push_back(static_cast<uint8_t>(v)), f.push_back(static_cast<uint8_t>(v >> 8)); };
    auto put32 = [&](uint32_t v) { put16(static_cast<uint16_t>(v)), put16(static_cast<uint16_t>(v >> 16)); };
    put16(6);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) { put16(tag), put16(type), put32(count), put32(value); };
    entry(256, 4, 1, 2);
    entry(257, 4, 1, 1);
    entry(258, 3, 1, 16);
    entry(262, 3, 1, 2);
    entry(273, 4, 1, 8 + 2 + 6 * 12 + 4);
    entry(277, 3, 1, 1);
    put32(0);
    put16(0xFFFF);  // all ones, with bit 15
    put16(0x7C00);  // pure red
    TIEImageIO r;
    r.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), ioTIFF);
    ASSERT_FALSE(r.Aborting);
    EXPECT_EQ(r.IEBitmap()->GetPixelRGB(0, 0), (TRGB{248, 248, 248}));
    EXPECT_EQ(r.IEBitmap()->GetPixelRGB(1, 0), (TRGB{0, 0, 248}));
}

// A camera-raw file: some bytes, then a TIFF whose page 0 holds the EXIF fields and
// the picture and page 1 a preview. An all-zero page 0 gives way to page 1.
TEST(TIFFRawExif, FieldsAndPreviewFromATiffInsideAFile) {
    for (bool zeroFirst : {false, true}) {
        SCOPED_TRACE(zeroFirst ? "page 0 all zero" : "page 0 has pixels");
        TIEBitmap p0, p1;
        FillPattern(p0, 24, 16);
        if (zeroFirst) p0.Fill(0);
        FillPattern(p1, 12, 8);
        TIOParamsVals w(nullptr);
        w.HasEXIFData = true;
        w.ExifMake = "Raw Cam";
        w.ExifModel = "R1";
        TMemoryStream tiff;
        std::atomic<bool> abort{false};
        TIEProgressRecord pr;
        pr.Aborting = &abort;
        ASSERT_EQ(WriteTIFFStream(tiff, false, &p0, pr, w), 1);
        tiff.SetPosition(0);
        w.SetImageIndex(1);
        ASSERT_EQ(WriteTIFFStream(tiff, true, &p1, pr, w), 2);

        TMemoryStream raw;
        const char junk[100] = "not a tiff header, just the start of a camera's file";
        raw.WriteBuffer(junk, sizeof junk);
        raw.WriteBuffer(tiff.Memory(), tiff.Size());
        raw.SetPosition(sizeof junk);

        TIOParamsVals r(nullptr);
        EXPECT_TRUE(LoadEXIFFromRawStream(raw, r));
        EXPECT_EQ(raw.Position(), static_cast<int64_t>(sizeof junk));
        EXPECT_TRUE(r.HasEXIFData);
        EXPECT_EQ(r.ExifMake, "Raw Cam");
        EXPECT_EQ(r.ExifModel, "R1");
        ASSERT_TRUE(r.ExifThumbnail);
        EXPECT_EQ(r.ExifThumbnail->Width(), zeroFirst ? 12 : 24);
        EXPECT_EQ(r.ExifThumbnail->Height(), zeroFirst ? 8 : 16);
    }
}

namespace {

TEST(TIFFReader, AssociatedAlphaGivesColoursNotMultipliedByIt) {
    if (!iotest::HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    iotest::TempDir dir;
    const std::string file = dir / "assoc.tif";
    ASSERT_EQ(iotest::Run("convert -size 10x6 xc:'rgba(200,100,50,0.5)' -define tiff:alpha=associated '" + file + "'"), 0);
    TIEImageIO io;
    io.LoadFromFile(file);
    ASSERT_FALSE(io.Aborting);
    // ImageMagick divides the alpha out too; one step of rounding apart at most.
    EXPECT_EQ(iotest::CountDiffs(*io.IEBitmap(), iotest::DecodeWithConvert(file, dir / "ref"), 1, true), 0);
}

}  // namespace

namespace {

// The same little-endian TIFF of one page with its directory (and the values it
// points to) moved in front of the image data, where a cut leaves it readable.
// Answers the file and where its image data starts.
std::pair<std::vector<uint8_t>, size_t> DirectoryFirst(const std::vector<uint8_t>& f) {
    auto get = [](const std::vector<uint8_t>& b, size_t at, int n) {
        uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + i];
        return v;
    };
    auto put = [](std::vector<uint8_t>& b, size_t at, int n, uint32_t v) {
        for (int i = 0; i < n; ++i) b[at + i] = uint8_t(v >> (8 * i));
    };
    const uint32_t ifd = get(f, 4, 4);
    const uint32_t region = static_cast<uint32_t>(f.size()) - ifd;  // the writer put the directory last
    std::vector<uint8_t> d(f.begin(), f.begin() + 8);
    d.insert(d.end(), f.begin() + ifd, f.end());
    d.insert(d.end(), f.begin() + 8, f.begin() + ifd);
    put(d, 4, 4, 8);
    const uint32_t n = get(d, 8, 2);
    for (uint32_t i = 0; i < n; ++i) {
        const size_t e = 8 + 2 + 12 * i;
        const uint32_t tag = get(d, e, 2), type = get(d, e + 2, 2), count = get(d, e + 4, 4);
        const int unit = type == 3 || type == 8 ? 2 : type == 4 || type == 9 || type == 11 ? 4
                         : type == 5 || type == 10 || type == 12 ? 8 : 1;
        size_t at = e + 8;
        if (unit * count > 4) {
            EXPECT_GE(get(d, at, 4), ifd);
            put(d, at, 4, get(d, at, 4) - ifd + 8);
            at = get(d, at, 4);
        }
        if (tag == 273 || tag == 324 || tag == 513)  // offsets into the image data
            for (uint32_t k = 0; k < count; ++k) put(d, at + unit * k, unit, get(d, at + unit * k, unit) + region);
    }
    put(d, 8 + 2 + 12 * n, 4, 0);
    return {d, 8 + region};
}

TEST(TIFFReader, JPEGFilesCutInTheirDataKeepTheirRowsAndReportFailure) {
    if (!iotest::HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    iotest::TempDir dir;
    const std::string src = dir / "src.tif";
    ASSERT_EQ(iotest::Run("convert -size 96x64 gradient:'rgb(250,40,30)-rgb(20,60,240)' -depth 8 -compress none '" + src + "'"), 0);
    // ImageMagick's RGB strips, one strip or four; libtiff's subsampled YCbCr strips.
    const std::string makers[] = {
        "convert '" + src + "' -compress JPEG -quality 90 -define tiff:rows-per-strip=16",
        "convert '" + src + "' -compress JPEG -quality 90 -define tiff:rows-per-strip=64",
        "tiffcp -c jpeg:90 -r 16 '" + src + "'",
    };
    for (const std::string& make : makers) {
        SCOPED_TRACE(make);
        const std::string file = dir / "jpeg.tif";
        std::remove(file.c_str());
        ASSERT_EQ(iotest::Run(make + " '" + file + "'"), 0);
        const auto [moved, dataStart] = DirectoryFirst(iotest::ReadAll(file));
        const std::vector<uint8_t> ref = iotest::DecodeWithConvert(file, dir / "ref");
        {
            TIEImageIO io;
            io.LoadFromBuffer(moved.data(), static_cast<int64_t>(moved.size()), ioTIFF);
            ASSERT_FALSE(io.Aborting);
            ASSERT_EQ(iotest::CountDiffs(*io.IEBitmap(), ref, 3), 0);
        }
        for (int percent = 20; percent < 100; percent += 1) {
            SCOPED_TRACE(percent);
            const size_t cut = dataStart + (moved.size() - dataStart) * percent / 100;
            TIEImageIO io;
            io.LoadFromBuffer(moved.data(), static_cast<int64_t>(cut), ioTIFF);
            EXPECT_TRUE(io.Aborting);
            ASSERT_EQ(io.IEBitmap()->Width(), 96);
            ASSERT_EQ(io.IEBitmap()->Height(), 64);
            if (percent < 50) continue;
            // The first strip arrived whole and is kept as decoded.
            int diffs = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 96; ++x) {
                    const uint8_t* p = &ref[(size_t(y) * 96 + x) * 4];
                    const TRGB c = io.IEBitmap()->GetPixelRGB(x, y);
                    diffs += std::abs(c.r - p[0]) > 3 || std::abs(c.g - p[1]) > 3 || std::abs(c.b - p[2]) > 3;
                }
            EXPECT_EQ(diffs, 0);
        }
    }
}

}  // namespace
