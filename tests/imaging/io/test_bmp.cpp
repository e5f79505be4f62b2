#include <gtest/gtest.h>

#include <cstring>

#include "imaging/bitmaps/iemask.h"
#include "imaging/io/iebmp.h"
#include "imaging/io/ieimageio.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {

// Writes a BMP of an in-memory bitmap and reads it back.
void RoundTrip(TIEBitmap& src, TIEImageIO& out, const std::function<void(TIOParamsVals&)>& setup,
               std::vector<uint8_t>* bytes = nullptr) {
    TIEImageIO in;
    in.SetTargetBitmap(&src);
    setup(*in.Params);
    TMemoryStream ms;
    in.SaveToStreamBMP(ms);
    ASSERT_FALSE(in.Aborting);
    if (bytes) bytes->assign(static_cast<uint8_t*>(ms.Memory()), static_cast<uint8_t*>(ms.Memory()) + ms.Size());
    ms.SetPosition(0);
    out.LoadFromStream(ms);
    ASSERT_FALSE(out.Aborting);
    EXPECT_EQ(out.Params->FileType, ioBMP);
}

}  // namespace

TEST(BMPReader, FilesWrittenByImageMagick) {
    struct Case {
        const char* file;
        TIEPixelFormat format;
        int bits;
        bool alpha;
    } cases[] = {
        {"bmp24.bmp", ieRGB24, 8, false}, {"bmp8.bmp", ieRGB24, 8, false}, {"bmp8rle.bmp", ieRGB24, 8, false},
        {"bmp4.bmp", ieRGB24, 4, false},  {"bmp1.bmp", ie1g, 1, false},    {"bmp32a.bmp", ieRGB24, 8, true},
        {"bmpos2.bmp", ieRGB24, 8, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TIEImageIO io;
        io.LoadFromFile(DataDir() + c.file);
        ASSERT_FALSE(io.Aborting);
        TIEBitmap* b = io.IEBitmap();
        EXPECT_EQ(b->PixelFormat(), c.format);
        EXPECT_EQ(io.Params->BitsPerSample, c.bits);
        EXPECT_EQ(b->HasAlphaChannel(), c.alpha);
        EXPECT_EQ(CountDiffs(*b, ReadAll(DataDir() + c.file + ".rgba"), 0, c.alpha), 0);
        EXPECT_EQ(io.Params->FileName, DataDir() + c.file);
    }
}

TEST(BMPReader, OS2HeaderTakesTheDefaultResolution) {
    TIEImageIO io;
    io.Params->SetDpiX(1);
    io.LoadFromFile(DataDir() + "bmpos2.bmp");
    EXPECT_EQ(io.Params->BMPVersion, 2);
    EXPECT_EQ(io.Params->DpiX, 300);
}

TEST(BMPReader, NativePaletteKeepsIndices) {
    TIEImageIO io;
    io.SetNativePixelFormat(true);
    io.LoadFromFile(DataDir() + "bmp8.bmp");
    ASSERT_EQ(io.IEBitmap()->PixelFormat(), ie8p);
    EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + "bmp8.bmp.rgba"), 0), 0);
}

namespace {
// A 2x2 16-bit file with a 108-byte header holding 5-6-5 masks.
std::vector<uint8_t> Make565(bool masksInHeader) {
    const uint32_t hs = masksInHeader ? 108 : 40;
    std::vector<uint8_t> f(14 + hs + (masksInHeader ? 0 : 12), 0);
    f[0] = 'B', f[1] = 'M';
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&f[at], &v, 2); };
    put32(10, static_cast<uint32_t>(f.size()));
    put32(14, hs);
    put32(18, 2);
    put32(22, 2);
    put16(26, 1);
    put16(28, 16);
    put32(30, 3);
    size_t m = masksInHeader ? 14 + 40 : 14 + 40;
    put32(m, 0xF800), put32(m + 4, 0x07E0), put32(m + 8, 0x001F);
    // Rows bottom-up: bottom row pure green, pure blue; top row pure red, white.
    uint16_t px[4] = {0x07E0, 0x001F, 0xF800, 0xFFFF};
    for (uint16_t v : px) f.push_back(static_cast<uint8_t>(v)), f.push_back(static_cast<uint8_t>(v >> 8));
    put32(2, static_cast<uint32_t>(f.size()));
    return f;
}
}  // namespace

TEST(BMPReader, BitFieldMasksInsideLargerHeaders) {
    for (bool inHeader : {true, false}) {
        SCOPED_TRACE(inHeader);
        auto f = Make565(inHeader);
        TIEImageIO io;
        io.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), ioBMP);
        ASSERT_FALSE(io.Aborting);
        TIEBitmap* b = io.IEBitmap();
        EXPECT_EQ(b->GetPixelRGB(0, 0), (TRGB{0, 0, 248}));
        EXPECT_EQ(b->GetPixelRGB(1, 0), (TRGB{248, 252, 248}));
        EXPECT_EQ(b->GetPixelRGB(0, 1), (TRGB{0, 252, 0}));
        EXPECT_EQ(b->GetPixelRGB(1, 1), (TRGB{248, 0, 0}));
    }
}

TEST(BMPReader, TruncatedUnsupportedAndOutOfTableInput) {
    auto full = ReadAll(DataDir() + "bmp24.bmp");
    // Cut inside the pixel rows: the rows read stay and the load is reported as failed.
    std::vector<uint8_t> cut(full.begin(), full.end() - 100);
    TIEImageIO io;
    io.LoadFromBuffer(cut.data(), static_cast<int64_t>(cut.size()), ioBMP);
    EXPECT_TRUE(io.Aborting);
    EXPECT_EQ(io.IEBitmap()->Width(), 13);
    auto expect = ReadAll(DataDir() + "bmp24.bmp.rgba");
    TRGB bottomLeft = io.IEBitmap()->GetPixelRGB(0, 6);
    EXPECT_EQ(bottomLeft.r, expect[6 * 13 * 4]);

    // 16 bits with RLE compression has no decoder: reported, not left blank.
    auto f = Make565(false);
    f[30] = 1;
    io.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), ioBMP);
    EXPECT_TRUE(io.Aborting);

    // Indices beyond a 2-entry table read as black.
    std::vector<uint8_t> p(14 + 40 + 8 + 4, 0);
    p[0] = 'B', p[1] = 'M';
    uint32_t v;
    v = static_cast<uint32_t>(p.size()), std::memcpy(&p[2], &v, 4);
    v = 14 + 40 + 8, std::memcpy(&p[10], &v, 4);
    v = 40, std::memcpy(&p[14], &v, 4);
    v = 2, std::memcpy(&p[18], &v, 4);
    v = 1, std::memcpy(&p[22], &v, 4);
    p[26] = 1, p[28] = 8;
    v = 2, std::memcpy(&p[46], &v, 4);                  // colours used
    p[54] = 10, p[55] = 20, p[56] = 30;                 // entry 0
    p[62] = 0, p[63] = 200;                             // pixels: 0, 200
    io.LoadFromBuffer(p.data(), static_cast<int64_t>(p.size()), ioBMP);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB(0, 0), (TRGB{10, 20, 30}));
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB(1, 0), (TRGB{0, 0, 0}));

    // Not a bitmap.
    std::vector<uint8_t> junk(40, 'x');
    io.LoadFromBuffer(junk.data(), 40, ioBMP);
    EXPECT_TRUE(io.Aborting);
}

TEST(BMPReader, HeaderOnlyReadLeavesTheTargetAlone) {
    TIEImageIO io;
    FillPattern(*io.IEBitmap(), 3, 3);
    io.ParamsFromFile(DataDir() + "bmp8.bmp");
    EXPECT_EQ(io.Params->FileType, ioBMP);
    EXPECT_EQ(io.Params->Width, 24);
    EXPECT_EQ(io.Params->Height, 16);
    EXPECT_EQ(io.Params->BitsPerSample, 8);
    EXPECT_EQ(io.Params->PaletteCount, 256);
    EXPECT_EQ(io.IEBitmap()->Width(), 3);
}

TEST(BMPWriter, RoundTripsOfEveryWrittenLayout) {
    TIEBitmap rgb;
    FillPattern(rgb, 17, 9);
    // 24 bits, 40- and 64-byte headers, OS/2.
    for (int version : {1, 3, 2}) {
        SCOPED_TRACE(version);
        TIEImageIO out;
        RoundTrip(rgb, out, [&](TIOParamsVals& p) { p.BMPVersion = static_cast<uint8_t>(version); });
        EXPECT_TRUE(SameRGB(rgb, *out.IEBitmap()));
        EXPECT_EQ(out.Params->BMPVersion, version);
    }
    // Palette images at 8 and 4 bits, plain and RLE.
    TIEBitmap pal;
    pal.Allocate(23, 5, ie8p);
    for (int i = 0; i < 16; ++i) pal.SetPalette(i, TRGB{static_cast<uint8_t>(i * 16), static_cast<uint8_t>(255 - i * 9), 77});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 23; ++x) pal.SetPixel8(x, y, static_cast<uint8_t>(x < 7 ? 3 : (x * 3 + y) % 16));
    for (int bits : {8, 4})
        for (int rle : {0, 1}) {
            SCOPED_TRACE(testing::Message() << bits << " rle " << rle);
            TIEImageIO out;
            std::vector<uint8_t> bytes;
            RoundTrip(pal, out, [&](TIOParamsVals& p) {
                p.BitsPerSample = bits;
                p.SamplesPerPixel = 1;
                p.BMPCompression = static_cast<uint8_t>(rle);
            }, &bytes);
            EXPECT_TRUE(SameRGB(pal, *out.IEBitmap()));
            EXPECT_EQ(out.Params->BitsPerSample, bits);
            if (rle && bits == 8) {
                ASSERT_GE(bytes.size(), 4u);
                EXPECT_EQ(0, std::memcmp(&bytes[bytes.size() - 4], "\0\0\0\1", 4));
            }
        }
    // 1 bit, from ie1g and from a two-colour image.
    TIEBitmap bw;
    bw.Allocate(11, 3, ie1g);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 11; ++x) bw.SetPixel1(x, y, (x + y) % 3 == 0);
    TIEImageIO out1;
    RoundTrip(bw, out1, [](TIOParamsVals& p) { p.BitsPerSample = 1; });
    EXPECT_EQ(out1.IEBitmap()->PixelFormat(), ie1g);
    EXPECT_TRUE(SameRGB(bw, *out1.IEBitmap()));
    TIEBitmap two;
    two.Allocate(5, 2, ieRGB24);
    for (int x = 0; x < 5; ++x) two.SetPixelRGB24(x, 0, TRGB{200, 10, 10}), two.SetPixelRGB24(x, 1, TRGB{5, 5, 90});
    TIEImageIO out2;
    std::vector<uint8_t> twoBytes;
    RoundTrip(two, out2, [](TIOParamsVals& p) { p.BitsPerSample = 1; }, &twoBytes);
    // The file's table holds the two colours, the darker first; the reader gives black and white bits.
    EXPECT_EQ(twoBytes[56], 90);  // red of the darker colour
    EXPECT_EQ(twoBytes[58], 200);  // blue of the lighter one
    EXPECT_FALSE(out2.IEBitmap()->GetPixel1(0, 1));
    EXPECT_TRUE(out2.IEBitmap()->GetPixel1(0, 0));
    // 32 bits with alpha.
    TIEBitmap a;
    FillPattern(a, 6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) a.SetAlpha(x, y, static_cast<uint8_t>(x * 40));
    TIEImageIO out3;
    RoundTrip(a, out3, [](TIOParamsVals&) {});
    ASSERT_TRUE(out3.IEBitmap()->HasAlphaChannel());
    EXPECT_TRUE(SameRGB(a, *out3.IEBitmap()));
    EXPECT_EQ(out3.IEBitmap()->GetAlpha(5, 3), 200);
}

TEST(BMPWriter, PaletteImagesWithAlphaAndWideIndices) {
    // An ie8p image with alpha goes out at 32 bits from its colours (no over-read of 1-byte rows).
    TIEBitmap pal;
    pal.Allocate(9, 3, ie8p);
    for (int i = 0; i < 256; ++i) pal.SetPalette(i, TRGB{static_cast<uint8_t>(i), 0, static_cast<uint8_t>(255 - i)});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) pal.SetPixel8(x, y, static_cast<uint8_t>(x * 30));
    pal.SetAlpha(0, 0, 10);
    TIEImageIO out;
    RoundTrip(pal, out, [](TIOParamsVals& p) { p.SamplesPerPixel = 3; p.BitsPerSample = 8; });
    EXPECT_TRUE(SameRGB(pal, *out.IEBitmap()));
    // At 4 bits, indices of 16 and more go to the nearest of the first 16 colours.
    pal.RemoveAlphaChannel();
    TIEImageIO out4;
    RoundTrip(pal, out4, [](TIOParamsVals& p) { p.BitsPerSample = 4; p.SamplesPerPixel = 1; });
    EXPECT_EQ(out4.IEBitmap()->GetPixelRGB(0, 0), pal.GetPixelRGB(0, 0));
    EXPECT_EQ(out4.IEBitmap()->GetPixelRGB(8, 2), (TRGB{15, 0, 240}));
}

TEST(BMPWriter, ImageMagickReadsWhatWeWrite) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    TIEBitmap rgb;
    FillPattern(rgb, 17, 9);
    struct Case {
        const char* name;
        int bits, spp, compression;
    } cases[] = {{"w24.bmp", 8, 3, 0}, {"w8.bmp", 8, 1, 0}, {"w8rle.bmp", 8, 1, 1}, {"w4rle.bmp", 4, 1, 1}};
    TIEBitmap few;
    few.Allocate(17, 9, ieRGB24);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 17; ++x) few.SetPixelRGB24(x, y, TRGB{static_cast<uint8_t>((x / 3) * 40), 0, static_cast<uint8_t>(y * 20)});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TIEImageIO io;
        io.SetTargetBitmap(c.spp == 1 ? &few : &rgb);
        io.Params->BitsPerSample = c.bits;
        io.Params->SamplesPerPixel = c.spp;
        io.Params->BMPCompression = static_cast<uint8_t>(c.compression);
        io.SaveToFile(dir / c.name);
        ASSERT_FALSE(io.Aborting);
        TIEImageIO back;  // quantized colours: compare two readings of the same file
        back.LoadFromFile(dir / c.name);
        EXPECT_EQ(CountDiffs(*back.IEBitmap(), DecodeWithConvert(dir / c.name, dir / "t"), 0), 0);
    }
}

namespace {

TEST(BMPReader, TwoColourFilesKeepTheirColours) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    // A 1-bit file of two colours, one of black and white, one of white and black.
    struct Case {
        const char* name;
        std::string back, fore;
    } cases[] = {{"yellow_blue.bmp", "rgb(250,220,40)", "rgb(20,40,200)"},
                 {"black_white.bmp", "black", "white"},
                 {"white_black.bmp", "white", "black"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir / c.name;
        ASSERT_EQ(iotest::Run("convert -size 33x9 xc:'" + c.back + "' -fill '" + c.fore +
                      "' -draw 'rectangle 5,2 20,6' -type Palette -colors 2 BMP3:'" + file + "'"),
                  0);
        TIEImageIO io;
        io.LoadFromFile(file);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->BitsPerSample, 1);
        EXPECT_EQ(CountDiffs(*io.IEBitmap(), DecodeWithConvert(file, dir / "ref"), 0), 0);
    }
}

TEST(BMPReader, AHeaderWithoutPixelsIsAFailure) {
    // 14 + 40 bytes: a 0 x 0 24-bit image.
    std::vector<uint8_t> f(54, 0);
    f[0] = 'B', f[1] = 'M', f[2] = 54, f[10] = 54, f[14] = 40, f[26] = 1, f[28] = 24;
    TIEImageIO io;
    io.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), ioBMP);
    EXPECT_TRUE(io.Aborting);
}

}  // namespace

namespace {

TEST(BMPReader, RunLengthFilesOfOddWidthAsImageMagickReadsThem) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    const std::string file = dir / "rle8.bmp";
    ASSERT_EQ(iotest::Run("convert -size 333x211 gradient:red-blue -colors 200 -type Palette -compress RLE BMP3:'" +
                          file + "'"),
              0);
    TIEImageIO io;
    io.LoadFromFile(file);
    ASSERT_FALSE(io.Aborting);
    EXPECT_EQ(io.Params->BMPCompression, 1);
    EXPECT_EQ(CountDiffs(*io.IEBitmap(), DecodeWithConvert(file, dir / "ref"), 0), 0);
}

}  // namespace
