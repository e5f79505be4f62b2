#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/ieioutil.h"
#include "imaging/io/ietga.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {

// An 18-byte header of a picture without colour map, then Data.
std::vector<uint8_t> TGAFile(int type, int bpp, int w, int h, int desc, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> f(18, 0);
    f[2] = static_cast<uint8_t>(type);
    ieio::PutLE16(&f[12], w);
    ieio::PutLE16(&f[14], h);
    f[16] = static_cast<uint8_t>(bpp);
    f[17] = static_cast<uint8_t>(desc);
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

std::vector<uint8_t> StreamBytes(TMemoryStream& ms, int64_t from = 0) {
    auto* p = static_cast<uint8_t*>(ms.Memory());
    return std::vector<uint8_t>(p + from, p + ms.Size());
}

void Load(TIEImageIO& io, const std::vector<uint8_t>& f) {
    io.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), ioTGA);
}

}  // namespace

TEST(TGAReader, FilesOfOtherPrograms) {
    struct Case {
        const char* file;
        TIEPixelFormat format;
        int bits, samples;
        bool alpha, compressed;
    } cases[] = {
        {"tga24.tga", ieRGB24, 8, 3, false, false},       {"tga24rle.tga", ieRGB24, 8, 3, false, true},
        {"tga32.tga", ieRGB24, 8, 4, true, false},        {"tga32rle.tga", ieRGB24, 8, 4, true, true},
        {"tga8pal.tga", ieRGB24, 8, 1, false, false},     {"tga8palrle.tga", ieRGB24, 8, 1, false, true},
        {"tgagrey.tga", ieRGB24, 8, 1, false, false},     {"tgagreyrle.tga", ieRGB24, 8, 1, false, true},
        {"tgatopleft.tga", ieRGB24, 8, 3, false, false},  {"tgatopright.tga", ieRGB24, 8, 3, false, false},
        {"netpbm_cmap.tga", ieRGB24, 8, 1, false, true},  {"netpbm_cmapraw.tga", ieRGB24, 8, 1, false, false},
        {"netpbm_mono.tga", ieRGB24, 8, 1, false, true},  {"netpbm_monoraw.tga", ieRGB24, 8, 1, false, false},
        {"netpbm_rgb.tga", ieRGB24, 8, 3, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TIEImageIO io;
        io.LoadFromFile(DataDir() + c.file);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->FileType, ioTGA);
        EXPECT_EQ(io.IEBitmap()->PixelFormat(), c.format);
        EXPECT_EQ(io.Params->BitsPerSample, c.bits);
        EXPECT_EQ(io.Params->SamplesPerPixel, c.samples);
        EXPECT_EQ(io.Params->TGACompressed, c.compressed);
        EXPECT_EQ(io.IEBitmap()->HasAlphaChannel(), c.alpha);
        EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + c.file + ".rgba"), 0, c.alpha), 0);

        TIEImageIO hdr;
        hdr.ParamsFromFile(DataDir() + c.file);
        EXPECT_EQ(hdr.Params->FileType, ioTGA);
        EXPECT_EQ(hdr.Params->Width, io.IEBitmap()->Width());
        EXPECT_EQ(hdr.Params->Height, io.IEBitmap()->Height());
        EXPECT_TRUE(hdr.IEBitmap()->IsEmpty());
    }
    TIEImageIO grey;
    grey.LoadFromFile(DataDir() + "tgagrey.tga");
    EXPECT_TRUE(grey.Params->TGAGrayLevel);
    TIEImageIO described;
    described.LoadFromFile(DataDir() + "netpbm_rgb.tga");
    EXPECT_EQ(described.Params->TGADescription.size(), 7u);
}

TEST(TGAReader, ContentTest) {
    struct Case {
        const char* what;
        int type, bpp, cmap;
        size_t size;
        bool expect;
    } cases[] = {
        {"24-bit 1x1", 2, 24, 0, 18, true}, {"colour map type 2", 2, 24, 2, 18, false},
        {"15 bits per pixel", 2, 15, 0, 18, false}, {"image type 4", 4, 8, 0, 18, false},
        {"shorter than a header", 2, 24, 0, 17, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto f = TGAFile(c.type, c.bpp, 1, 1, 0, {});
        f[1] = static_cast<uint8_t>(c.cmap);
        TIEMemStream ms(f.data(), static_cast<int64_t>(c.size));
        EXPECT_EQ(IsTGAStream(ms), c.expect);
        EXPECT_EQ(ms.Position(), 0);
    }
}

TEST(TGAReader, RowOrderMirroringAndRuns) {
    // Pixels A B / C D as stored: blue, green, red.
    const std::vector<uint8_t> px = {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
    struct Case {
        int desc;
        uint8_t tl, tr, bl, br;  // blue of the pixels at the corners
    } cases[] = {{0, 3, 4, 1, 2}, {32, 1, 2, 3, 4}, {16, 4, 3, 2, 1}, {48, 2, 1, 4, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.desc);
        TIEImageIO io;
        Load(io, TGAFile(2, 24, 2, 2, c.desc, px));
        ASSERT_FALSE(io.Aborting);
        TIEBitmap* b = io.IEBitmap();
        EXPECT_EQ(b->GetPixelRGB24(0, 0).b, c.tl);
        EXPECT_EQ(b->GetPixelRGB24(1, 0).b, c.tr);
        EXPECT_EQ(b->GetPixelRGB24(0, 1).b, c.bl);
        EXPECT_EQ(b->GetPixelRGB24(1, 1).b, c.br);
    }
    // A run of 10 starting 4 pixels before a row's end goes on in the next row.
    TIEImageIO io;
    Load(io, TGAFile(11, 8, 8, 2, 32, {0x03, 1, 2, 3, 4, 0x89, 9, 0x01, 5, 6}));
    ASSERT_FALSE(io.Aborting);
    const uint8_t expect[16] = {1, 2, 3, 4, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 5, 6};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(io.IEBitmap()->GetPixelRGB24(i % 8, i / 8).r, expect[i]) << i;
    EXPECT_TRUE(io.Params->TGAGrayLevel);

    // Alpha goes with its pixel in a mirrored row; all-zero alpha gives no channel.
    TIEImageIO mirrored;
    Load(mirrored, TGAFile(2, 32, 2, 1, 16 + 8 + 32, {1, 1, 1, 10, 2, 2, 2, 200}));
    ASSERT_FALSE(mirrored.Aborting);
    ASSERT_TRUE(mirrored.IEBitmap()->HasAlphaChannel());
    EXPECT_EQ(mirrored.IEBitmap()->GetPixelRGB24(0, 0).b, 2);
    EXPECT_EQ(mirrored.IEBitmap()->GetAlpha(0, 0), 200);
    EXPECT_EQ(mirrored.IEBitmap()->GetAlpha(1, 0), 10);
    TIEImageIO clear;
    Load(clear, TGAFile(2, 32, 2, 1, 8, {1, 1, 1, 0, 2, 2, 2, 0}));
    ASSERT_FALSE(clear.Aborting);
    EXPECT_FALSE(clear.IEBitmap()->HasAlphaChannel());
}

TEST(TGAReader, ColourMapEntriesPastTheTableAreSkipped) {
    // First entry 250, ten 24-bit entries: 250..255 land, the last four are passed over.
    std::vector<uint8_t> f(18, 0);
    f[1] = 1;
    f[2] = 1;
    ieio::PutLE16(&f[3], 250);
    ieio::PutLE16(&f[5], 10);
    f[7] = 24;
    ieio::PutLE16(&f[12], 2);
    ieio::PutLE16(&f[14], 1);
    f[16] = 8;
    f[17] = 32;
    for (int i = 0; i < 10; ++i) f.insert(f.end(), {static_cast<uint8_t>(i), 0, 0});
    f.insert(f.end(), {250, 255});
    TIEImageIO io;
    Load(io, f);
    ASSERT_FALSE(io.Aborting);
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB24(0, 0).b, 0);
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB24(1, 0).b, 5);
}

TEST(TGAReader, RefusesDamagedInput) {
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"image type 4", TGAFile(4, 24, 4, 4, 0, std::vector<uint8_t>(48, 1))},
        {"zero width", TGAFile(2, 24, 0, 4, 0, std::vector<uint8_t>(48, 1))},
        {"huge sizes, few bytes", TGAFile(10, 24, 65535, 65535, 0, std::vector<uint8_t>(100, 0xFF))},
        {"rows cut short", TGAFile(2, 24, 4, 4, 0, std::vector<uint8_t>(20, 1))},
        {"packets cut short", TGAFile(10, 24, 4, 4, 0, {0x83, 1, 2, 3, 0x02})},
        {"run-length 1-bit rows", TGAFile(11, 1, 8, 2, 0, {0x81, 0xFF, 0x00})},
        {"colour map cut short", [] {
             auto f = TGAFile(1, 8, 2, 2, 0, {});
             f[1] = 1;
             f[5] = 200;
             f[7] = 24;
             f.insert(f.end(), 30, 0);
             return f;
         }()},
        {"header cut short", std::vector<uint8_t>(10, 2)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TIEImageIO io;
        Load(io, c.bytes);
        EXPECT_TRUE(io.Aborting);
        EXPECT_LT(static_cast<int64_t>(io.IEBitmap()->Width()) * io.IEBitmap()->Height(), 1000);
    }
}

TEST(TGAWriter, OtherProgramsReadOurFiles) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick missing";
    TempDir tmp;
    TIEBitmap src;
    FillPattern(src, 19, 13);
    TIEBitmap withAlpha;
    withAlpha.AssignImage(&src);
    for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 19; ++x) withAlpha.SetAlpha(x, y, static_cast<uint8_t>(x * 13 + y));
    struct Case {
        const char* name;
        TIEBitmap* image;
        int bits, samples;
        bool compressed, grey;
        int type, depth, desc;
    } cases[] = {
        {"rgb.tga", &src, 8, 3, false, false, 2, 24, 32},     {"rgbrle.tga", &src, 8, 3, true, false, 10, 24, 32},
        {"alpha.tga", &withAlpha, 8, 3, true, false, 2, 32, 40}, {"pal.tga", &src, 8, 1, false, false, 1, 8, 32},
        {"palrle.tga", &src, 8, 1, true, false, 9, 8, 32},    {"grey.tga", &src, 8, 1, true, true, 11, 8, 32},
        {"pal4.tga", &src, 4, 1, true, false, 1, 4, 32},      {"bw.tga", &src, 1, 1, true, false, 3, 1, 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TIEImageIO io;
        io.SetAttachedBitmap(c.image);
        io.Params->BitsPerSample = c.bits;
        io.Params->SamplesPerPixel = c.samples;
        io.Params->TGACompressed = c.compressed;
        io.Params->TGAGrayLevel = c.grey;
        io.SaveToFile(tmp / c.name);
        ASSERT_FALSE(io.Aborting);
        auto f = ReadAll(tmp / c.name);
        ASSERT_GT(f.size(), 18u);
        EXPECT_EQ(f[2], c.type);
        EXPECT_EQ(f[16], c.depth);
        EXPECT_EQ(f[17], c.desc);
        TIEImageIO back;
        back.LoadFromFile(tmp / c.name);
        ASSERT_FALSE(back.Aborting);
        auto rgba = DecodeWithConvert(tmp / c.name, tmp / "d");
        // 1-bit and 4-bit pictures: neither ImageMagick nor netpbm reads them, so our own reading stands.
        if (c.depth >= 8) EXPECT_EQ(CountDiffs(*back.IEBitmap(), rgba, 0, c.depth == 32), 0);
        if (c.depth >= 24) EXPECT_EQ(CountDiffs(*c.image, rgba, 0, c.depth == 32), 0);
        if (c.depth == 1) {
            TIEBitmap bw;
            bw.AssignImage(&src);
            bw.ConvertTo(ie1g);
            EXPECT_TRUE(SameRGB(bw, *back.IEBitmap()));
        }
        if (c.depth == 4) {
            // Sixteen colours of the quantizer, the nearest to each pixel.
            EXPECT_EQ(io.Params->PaletteCount, 16);
            EXPECT_EQ(back.Params->PaletteCount, 16);
        }
        if (c.depth >= 8 && iotest::Run("tgatoppm -version") == 0) {
            EXPECT_EQ(std::system(("tgatoppm '" + tmp / c.name + "' > '" + tmp / "n.ppm" + "' 2>/dev/null").c_str()), 0);
            EXPECT_EQ(CountDiffs(*back.IEBitmap(), DecodeWithConvert(tmp / "n.ppm", tmp / "d"), 0), 0);
        }
    }
}

TEST(TGAWriter, ExtensionAreaAndFooter) {
    TIEBitmap src;
    FillPattern(src, 6, 2);
    TIEImageIO io;
    io.SetAttachedBitmap(&src);
    io.Params->TGAGamma = 2.2;
    io.Params->TGAAspectRatio = 7.5;  // 75000 would not fit the 16-bit numerator
    io.Params->TGAAuthor = std::string(60, 'a');
    io.Params->TGAImageName = "job";
    io.Params->TGABackground = TRGB{3, 2, 1};
    io.Params->TGADate = EncodeDate(2024, 2, 29) + (13 * 3600 + 14 * 60 + 15) / 86400.0;
    io.Params->TGADescription = "abc";
    TMemoryStream ms;
    std::vector<uint8_t> pad(100, 0x5A);
    ms.Write(pad.data(), 100);
    io.SaveToStreamTGA(ms);
    ASSERT_FALSE(io.Aborting);
    auto f = StreamBytes(ms, 100);
    ASSERT_GE(f.size(), 26u + 495u);
    const uint8_t* foot = &f[f.size() - 26];
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(foot + 8), 17), "TRUEVISION-XFILE.");
    const uint32_t ext = ieio::LE32(foot);
    EXPECT_EQ(ext, f.size() - 26 - 495);  // counted from where the picture starts
    EXPECT_EQ(ieio::LE16(&f[ext + 478]), 22000);
    EXPECT_EQ(ieio::LE16(&f[ext + 480]), 10000);
    EXPECT_EQ(f[ext + 2 + 40], 0);
    EXPECT_EQ(f[0], 4);  // "abc" and its NUL

    ms.SetPosition(100);
    TIEImageIO back;
    back.LoadFromStreamTGA(ms);
    ASSERT_FALSE(back.Aborting);
    EXPECT_TRUE(SameRGB(src, *back.IEBitmap()));
    EXPECT_NEAR(back.Params->TGAGamma, 2.2, 1e-9);
    EXPECT_NEAR(back.Params->TGAAspectRatio, 7.5, 1e-3);
    EXPECT_EQ(back.Params->TGAAuthor, std::string(40, 'a'));
    EXPECT_EQ(back.Params->TGAImageName, "job");
    EXPECT_EQ(back.Params->TGABackground, (TRGB{3, 2, 1}));
    EXPECT_NEAR(back.Params->TGADate, io.Params->TGADate, 1.0 / 86400);
    EXPECT_EQ(back.Params->TGADescription, std::string("abc\0", 4));

    // Saving what was read adds no second NUL; an overlong description fits the length byte.
    TMemoryStream again;
    back.SaveToStreamTGA(again);
    EXPECT_EQ(static_cast<uint8_t*>(again.Memory())[0], 4);
    back.Params->TGADescription = std::string(300, 'd');
    TMemoryStream longer;
    back.SaveToStreamTGA(longer);
    ASSERT_FALSE(back.Aborting);
    EXPECT_EQ(static_cast<uint8_t*>(longer.Memory())[0], 255);
    longer.SetPosition(0);
    TIEImageIO third;
    third.LoadFromStreamTGA(longer);
    ASSERT_FALSE(third.Aborting);
    EXPECT_TRUE(SameRGB(src, *third.IEBitmap()));
}

TEST(TGAWriter, RunLengthRowsAndOtherPixelFormats) {
    TIEBitmap g;
    g.Allocate(6, 1, ieRGB24);
    const uint8_t v[6] = {5, 5, 5, 7, 8, 8};
    for (int x = 0; x < 6; ++x) g.SetPixelRGB24(x, 0, TRGB{v[x], v[x], v[x]});
    TIEImageIO io;
    io.SetAttachedBitmap(&g);
    io.Params->BitsPerSample = 8;
    io.Params->SamplesPerPixel = 1;
    io.Params->TGAGrayLevel = true;
    io.Params->TGACompressed = true;
    io.Params->TGADescription.clear();
    TMemoryStream ms;
    io.SaveToStreamTGA(ms);
    ASSERT_FALSE(io.Aborting);
    auto f = StreamBytes(ms);
    const std::vector<uint8_t> row = {130, 5, 0, 7, 129, 8};
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 19, f.begin() + 25), row);

    // A pixel format of no TGA layout is written from colour, not skipped.
    TIEBitmap grey8;
    grey8.Allocate(3, 2, ie8g);
    grey8.Fill(77);
    TIOParamsVals params(nullptr);
    std::atomic<bool> abort{false};
    TIEProgressRecord pr;
    pr.Aborting = &abort;
    TMemoryStream out;
    WriteTGAStream(out, &grey8, params, pr, nullptr);
    EXPECT_FALSE(abort);
    out.SetPosition(0);
    TIEImageIO back;
    back.LoadFromStreamTGA(out);
    ASSERT_FALSE(back.Aborting);
    EXPECT_EQ(back.IEBitmap()->GetPixelRGB24(2, 1), (TRGB{77, 77, 77}));
}

// An input the fuzzer found: colour map entries of 255 bits each (32 bytes) once overran the
// entry buffer.
TEST(TGAReader, FuzzerFindings) {
    auto data = ReadAll(DataDir() + "fuzz/tga-wide-colour-map-entries.tga");
    ASSERT_FALSE(data.empty());
    TIEImageIO io;
    int finished = 0;
    io.OnFinishWork = [&](TObject*) { ++finished; };
    io.LoadFromBuffer(data.data(), static_cast<int64_t>(data.size()), ioTGA);
    EXPECT_EQ(finished, 1);
}
