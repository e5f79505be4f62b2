#include <gtest/gtest.h>

#include <cstring>

#include "imaging/bitmaps/iemask.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/iepng.h"
#include "platform/classlib/graphics.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

TEST(PNGReader, FilesWrittenByImageMagick) {
    struct Case {
        const char* file;
        TIEPixelFormat format;
        int bits, spp;
        bool alpha;
    int tol = 0;  // 16-bit samples: our codec drops the low byte, ImageMagick rounds
    } cases[] = {
        {"png24.png", ieRGB24, 8, 3, false},   {"png8.png", ieRGB24, 8, 1, false},
        {"png32.png", ieRGB24, 8, 4, true},    {"png48.png", ieRGB24, 16, 3, false, 1},
        {"pnggrey4.png", ieRGB24, 4, 1, false}, {"png1pal.png", ieRGB24, 1, 1, false},
        {"pnginter.png", ieRGB24, 8, 3, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TIEImageIO io;
        io.LoadFromFile(DataDir() + c.file);
        ASSERT_FALSE(io.Aborting);
        TIEBitmap* b = io.IEBitmap();
        EXPECT_EQ(b->PixelFormat(), c.format);
        EXPECT_EQ(io.Params->BitsPerSample, c.bits);
        EXPECT_EQ(io.Params->SamplesPerPixel, c.spp);
        EXPECT_EQ(b->HasAlphaChannel(), c.alpha);
        EXPECT_EQ(CountDiffs(*b, ReadAll(DataDir() + std::string(c.file) + ".rgba"), c.tol, c.alpha), 0);
    }
}

TEST(PNGReader, NativeFormatsAndResolution) {
    TIEImageIO io;
    io.SetNativePixelFormat(true);
    io.LoadFromFile(DataDir() + "png8.png");
    ASSERT_EQ(io.IEBitmap()->PixelFormat(), ie8p);
    EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + "png8.png.rgba"), 0), 0);
    // A file without pHYs gets the default; 2835 pixels per metre are 72 dpi.
    TIEBitmap b;
    FillPattern(b, 4, 4);
    TIEImageIO w;
    w.SetTargetBitmap(&b);
    w.Params->SetDpiX(72);
    w.Params->SetDpiY(72);
    TMemoryStream ms;
    w.SaveToStreamPNG(ms);
    ms.SetPosition(0);
    TIEImageIO r;
    r.LoadFromStream(ms);
    EXPECT_EQ(r.Params->DpiX, 72);
}

TEST(PNGReader, TruncatedFileKeepsRowsAndReportsFailure) {
    // A bigger image so that the cut falls inside the image data.
    TIEBitmap b;
    FillPattern(b, 64, 64);
    TIEImageIO w;
    w.SetTargetBitmap(&b);
    w.Params->PNGCompression = 0;
    TMemoryStream ms;
    w.SaveToStreamPNG(ms);
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(ms.Memory()), static_cast<uint8_t*>(ms.Memory()) + ms.Size() / 2);
    TIEImageIO r;
    r.LoadFromBuffer(bytes.data(), static_cast<int64_t>(bytes.size()), ioPNG);
    EXPECT_TRUE(r.Aborting);
    ASSERT_EQ(r.IEBitmap()->Width(), 64);
    EXPECT_EQ(r.IEBitmap()->GetPixelRGB(5, 3), b.GetPixelRGB(5, 3));
    // Garbage after the signature.
    std::vector<uint8_t> junk = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 1, 2, 3, 4, 5, 6, 7, 8, 9};
    r.LoadFromBuffer(junk.data(), static_cast<int64_t>(junk.size()), ioPNG);
    EXPECT_TRUE(r.Aborting);
}

namespace {
void SavePNG(TIEBitmap& b, TMemoryStream& ms, const std::function<void(TIOParamsVals&)>& setup) {
    TIEImageIO w;
    w.SetTargetBitmap(&b);
    setup(*w.Params);
    w.SaveToStreamPNG(ms);
    ASSERT_FALSE(w.Aborting);
    ms.SetPosition(0);
}
// IHDR bit depth and colour type, and whether a chunk is present.
void Inspect(TMemoryStream& ms, int& depth, int& type, bool& hasPLTE, bool& hasTRNS) {
    auto* d = static_cast<uint8_t*>(ms.Memory());
    depth = d[24];
    type = d[25];
    std::string s(reinterpret_cast<char*>(d), static_cast<size_t>(ms.Size()));
    hasPLTE = s.find("PLTE") != std::string::npos;
    hasTRNS = s.find("tRNS") != std::string::npos;
}
}  // namespace

TEST(PNGWriter, RoundTripsOfEveryWrittenLayout) {
    TIEBitmap rgb;
    FillPattern(rgb, 19, 11);
    TIEBitmap few;
    few.Allocate(19, 11, ieRGB24);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 19; ++x) few.SetPixelRGB24(x, y, TRGB{static_cast<uint8_t>((x % 4) * 80), 40, static_cast<uint8_t>((y % 3) * 100)});
    TIEBitmap four;
    four.Allocate(19, 11, ieRGB24);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 19; ++x) four.SetPixelRGB24(x, y, TRGB{static_cast<uint8_t>((x % 2) * 200), 9, static_cast<uint8_t>((y % 2) * 150)});
    TIEBitmap grey;
    grey.Allocate(19, 11, ieRGB24);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 19; ++x) {
            uint8_t g = static_cast<uint8_t>(x * 13 + y);
            grey.SetPixelRGB24(x, y, TRGB{g, g, g});
        }
    struct Case {
        const char* name;
        TIEBitmap* bitmap;
        int bits, spp;
        bool interlaced;
        int depth, type;
    } cases[] = {
        {"rgb", &rgb, 8, 3, false, 8, 2},       {"rgb interlaced", &rgb, 8, 3, true, 8, 2},
        {"palette 8", &few, 8, 1, false, 8, 3}, {"palette 4", &few, 4, 1, false, 4, 3},
        {"palette 2", &four, 2, 1, false, 2, 3}, {"grey 8", &grey, 8, 1, false, 8, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryStream ms;
        SavePNG(*c.bitmap, ms, [&](TIOParamsVals& p) {
            p.BitsPerSample = c.bits;
            p.SamplesPerPixel = c.spp;
            p.PNGInterlaced = c.interlaced;
        });
        int depth, type;
        bool plte, trns;
        Inspect(ms, depth, type, plte, trns);
        EXPECT_EQ(depth, c.depth);
        EXPECT_EQ(type, c.type);
        TIEImageIO r;
        r.LoadFromStream(ms);
        ASSERT_FALSE(r.Aborting);
        EXPECT_TRUE(SameRGB(*c.bitmap, *r.IEBitmap()));
    }
}

TEST(PNGWriter, SixteenBitGreyKeepsBothBytes) {
    TIEBitmap g16;
    g16.Allocate(5, 2, ie16g);
    for (int x = 0; x < 5; ++x) g16.SetPixel16(x, 0, static_cast<uint16_t>(0x1234 * (x + 1))), g16.SetPixel16(x, 1, 0xABCD);
    TMemoryStream ms;
    SavePNG(g16, ms, [](TIOParamsVals& p) { p.BitsPerSample = 16; p.SamplesPerPixel = 1; });
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    std::vector<uint8_t> bytes(static_cast<uint8_t*>(ms.Memory()), static_cast<uint8_t*>(ms.Memory()) + ms.Size());
    WriteAll(dir / "g16.png", bytes);
    ASSERT_EQ(iotest::Run("convert '" + (dir / "g16.png") + "' -depth 16 -endian MSB gray:'" + (dir / "g16.raw") + "'"), 0);
    auto raw = ReadAll(dir / "g16.raw");
    ASSERT_EQ(raw.size(), 20u);
    // ImageMagick writes big-endian 16-bit samples.
    EXPECT_EQ(raw[0], 0x12);
    EXPECT_EQ(raw[1], 0x34);
    EXPECT_EQ(raw[10], 0xAB);
    EXPECT_EQ(raw[11], 0xCD);
}

TEST(PNGWriter, AlphaPaletteAndRGBA) {
    TIEBitmap few;
    few.Allocate(8, 4, ieRGB24);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            few.SetPixelRGB24(x, y, TRGB{static_cast<uint8_t>(x * 30), 90, static_cast<uint8_t>(y * 60)});
            few.SetAlpha(x, y, x == 0 ? 0 : 255);
        }
    few.AlphaChannel()->Full = false;
    TMemoryStream ms;
    SavePNG(few, ms, [](TIOParamsVals& p) { p.BitsPerSample = 8; p.SamplesPerPixel = 1; });
    int depth, type;
    bool plte, trns;
    Inspect(ms, depth, type, plte, trns);
    EXPECT_EQ(type, 3);
    EXPECT_TRUE(trns);
    TIEImageIO r;
    r.LoadFromStream(ms);
    ASSERT_TRUE(r.IEBitmap()->HasAlphaChannel());
    EXPECT_EQ(r.IEBitmap()->GetAlpha(0, 0), 0);
    EXPECT_EQ(r.IEBitmap()->GetAlpha(1, 0), 255);
    for (int x = 1; x < 8; ++x) EXPECT_EQ(r.IEBitmap()->GetPixelRGB(x, 2), few.GetPixelRGB(x, 2));

    // An ie8p image with alpha keeps its colours (the palette shifts, so do the indices).
    TIEBitmap pal;
    pal.Allocate(6, 2, ie8p);
    for (int i = 0; i < 6; ++i) pal.SetPalette(i, TRGB{static_cast<uint8_t>(i * 40), static_cast<uint8_t>(200 - i * 30), 7});
    for (int x = 0; x < 6; ++x) pal.SetPixel8(x, 0, static_cast<uint8_t>(x)), pal.SetPixel8(x, 1, static_cast<uint8_t>(5 - x));
    pal.SetAlpha(2, 1, 0);
    pal.AlphaChannel()->Full = false;
    TMemoryStream ms2;
    SavePNG(pal, ms2, [](TIOParamsVals& p) { p.BitsPerSample = 8; p.SamplesPerPixel = 1; });
    TIEImageIO r2;
    r2.LoadFromStream(ms2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x)
            if (!(x == 2 && y == 1)) {
                EXPECT_EQ(r2.IEBitmap()->GetPixelRGB(x, y), pal.GetPixelRGB(x, y)) << x << "," << y;
            }
    EXPECT_EQ(r2.IEBitmap()->GetAlpha(2, 1), 0);

    // RGBA.
    TIEBitmap rgba;
    FillPattern(rgba, 7, 3);
    for (int x = 0; x < 7; ++x) rgba.SetAlpha(x, 1, static_cast<uint8_t>(x * 30));
    rgba.AlphaChannel()->Full = false;
    TMemoryStream ms3;
    SavePNG(rgba, ms3, [](TIOParamsVals&) {});
    TIEImageIO r3;
    r3.LoadFromStream(ms3);
    EXPECT_TRUE(SameRGB(rgba, *r3.IEBitmap()));
    EXPECT_EQ(r3.IEBitmap()->GetAlpha(6, 1), 180);
}

TEST(PNGWriter, ImageMagickReadsWhatWeWrite) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    TIEBitmap rgb;
    FillPattern(rgb, 17, 9);
    for (bool interlaced : {false, true}) {
        TIEImageIO io;
        io.SetTargetBitmap(&rgb);
        io.Params->PNGInterlaced = interlaced;
        io.Params->PNGTextKeys.Add("Title");
        io.Params->PNGTextValues.Add("Menu");
        io.SaveToFile(dir / "w.png");
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(CountDiffs(rgb, DecodeWithConvert(dir / "w.png", dir / "t"), 0), 0);
        TIEImageIO back;
        back.LoadFromFile(dir / "w.png");
        ASSERT_EQ(back.Params->PNGTextKeys.Count(), 1);
        EXPECT_EQ(back.Params->PNGTextValues.Get(0), "Menu");
    }
}

TEST(PNGWriter, CodecRefusalRaisesAfterTheFinishNotification) {
    TIEBitmap wide;
    wide.Allocate(1000001, 1, ieRGB24);  // beyond the codec's width limit
    wide.Fill(0);
    TIEImageIO w;
    w.SetTargetBitmap(&wide);
    int finished = 0;
    w.OnFinishWork = [&](TObject*) { ++finished; };
    TMemoryStream ms;
    EXPECT_THROW(w.SaveToStreamPNG(ms), EInvalidGraphic);
    EXPECT_EQ(finished, 1);
}

namespace {

TEST(PNGReader, TransparentColourOfGreyAndRGBFiles) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    TempDir dir;
    // A blue square made transparent, written with a tRNS chunk in each layout.
    struct Case {
        const char* name;
        std::string back, square, format;
    } cases[] = {{"rgb.png", "rgb(200,60,30)", "blue", "-define png:color-type=2 -define png:bit-depth=8 PNG24:"},
                 {"rgb16.png", "rgb(200,60,30)", "blue", "-define png:color-type=2 -define png:bit-depth=16 PNG48:"},
                 {"grey.png", "gray60", "gray20", "-define png:color-type=0 -define png:bit-depth=8 PNG:"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir / c.name;
        ASSERT_EQ(iotest::Run("convert -size 20x10 xc:'" + c.back + "' -fill " + c.square +
                              " -draw 'rectangle 0,0 9,9' -transparent " + c.square + " " + c.format + "'" + file + "'"),
                  0);
        TIEImageIO io;
        io.LoadFromFile(file);
        ASSERT_FALSE(io.Aborting);
        ASSERT_TRUE(io.IEBitmap()->HasAlphaChannel());
        EXPECT_EQ(io.IEBitmap()->AlphaChannel()->GetPixel8(0, 0), 0);
        EXPECT_EQ(io.IEBitmap()->AlphaChannel()->GetPixel8(15, 5), 255);
    }
}

}  // namespace

namespace {

TEST(TwoColourWriters, PNGAndGIFGiveBackTheColoursSaved) {
    // Yellow and blue, saved at 1 bit: both writers keep the two colours.
    TIEBitmap two;
    two.Allocate(13, 7, ieRGB24);
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 13; ++x)
            two.SetPixelRGB24(x, y, (x + y) % 3 ? TRGB{40, 220, 250} : TRGB{200, 40, 20});
    for (TIOFormatCode format : {ioPNG, ioGIF}) {
        SCOPED_TRACE(format);
        TIEImageIO out;
        out.SetTargetBitmap(&two);
        out.Params->BitsPerSample = 1;
        out.Params->SamplesPerPixel = 1;
        const std::string file = std::string(::testing::TempDir()) + "/two" + (format == ioPNG ? ".png" : ".gif");
        out.SaveToFile(file);
        ASSERT_FALSE(out.Aborting);
        TIEImageIO in;
        in.LoadFromFile(file);
        ASSERT_FALSE(in.Aborting);
        TIEBitmap* b = in.IEBitmap();
        int diffs = 0;
        for (int32_t y = 0; y < 7; ++y)
            for (int32_t x = 0; x < 13; ++x) {
                const TRGB want = (x + y) % 3 ? TRGB{40, 220, 250} : TRGB{200, 40, 20};
                const TRGB got = b->GetPixelRGB(x, y);
                diffs += got.r != want.r || got.g != want.g || got.b != want.b;
            }
        EXPECT_EQ(diffs, 0);
        std::remove(file.c_str());
    }
}

}  // namespace
