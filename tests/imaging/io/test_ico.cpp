#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/bitmaps/iemask.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieico.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/ieioutil.h"
#include "imaging/processing/resample.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {

// Pixels against RGBA rows: transparent ones only by their alpha, the others by colour.
int CountIconDiffs(TIEBitmap& b, const std::vector<uint8_t>& rgba) {
    if (rgba.size() != static_cast<size_t>(b.Width()) * b.Height() * 4) return -1;
    int diffs = 0;
    for (int32_t y = 0; y < b.Height(); ++y)
        for (int32_t x = 0; x < b.Width(); ++x) {
            const uint8_t* p = &rgba[(static_cast<size_t>(y) * b.Width() + x) * 4];
            const uint8_t a = b.HasAlphaChannel() ? b.GetAlpha(x, y) : 255;
            if (a != p[3]) {
                ++diffs;
                continue;
            }
            TRGB c = b.GetPixelRGB(x, y);
            if (p[3] != 0 && (c.r != p[0] || c.g != p[1] || c.b != p[2])) ++diffs;
        }
    return diffs;
}

// An icon file as a cursor: type 2 and a hot spot in every entry.
std::vector<uint8_t> AsCursor(std::vector<uint8_t> f, int hx, int hy) {
    f[2] = 2;
    for (int i = 0; i < ieio::LE16(&f[4]); ++i) {
        ieio::PutLE16(&f[6 + i * 16 + 4], hx);
        ieio::PutLE16(&f[6 + i * 16 + 6], hy);
    }
    return f;
}

// A one-entry icon of a bitmap at Bits with the given table and index rows (bottom first).
std::vector<uint8_t> MakeIcon(int w, int h, int bits, int colours, const std::vector<uint8_t>& table,
                              const std::vector<uint8_t>& xorRows, const std::vector<uint8_t>& andRows) {
    std::vector<uint8_t> f = {0, 0, 1, 0, 1, 0};
    std::vector<uint8_t> e(16, 0);
    e[0] = static_cast<uint8_t>(w);
    e[1] = static_cast<uint8_t>(h);
    e[2] = static_cast<uint8_t>(colours);
    std::vector<uint8_t> ih(40, 0);
    ieio::PutLE32(&ih[0], 40);
    ieio::PutLE32(&ih[4], w);
    ieio::PutLE32(&ih[8], h * 2);
    ieio::PutLE16(&ih[12], 1);
    ieio::PutLE16(&ih[14], bits);
    ieio::PutLE32(&e[8], static_cast<uint32_t>(40 + table.size() + xorRows.size() + andRows.size()));
    ieio::PutLE32(&e[12], 22);
    f.insert(f.end(), e.begin(), e.end());
    f.insert(f.end(), ih.begin(), ih.end());
    f.insert(f.end(), table.begin(), table.end());
    f.insert(f.end(), xorRows.begin(), xorRows.end());
    f.insert(f.end(), andRows.begin(), andRows.end());
    return f;
}

void Load(TIEImageIO& io, const std::vector<uint8_t>& f, TIOFormatCode code) {
    io.LoadFromBuffer(f.data(), static_cast<int64_t>(f.size()), code);
}

}  // namespace

TEST(ICOReader, FilesOfOtherPrograms) {
    struct Case {
        const char* file;
        int index, size;
        const char* rgba;
    } cases[] = {
        {"ico_im.ico", 0, 256, "ico_im.ico.0.rgba"}, {"ico_im.ico", 1, 32, "ico_im.ico.1.rgba"},
        {"ico_im.ico", 2, 16, "ico_im.ico.2.rgba"},  {"ico_nb1.ico", 0, 16, "ico_nb1.ico.rgba"},
        {"ico_nb4.ico", 0, 16, "ico_nb4.ico.rgba"},  {"ico_nb8.ico", 0, 16, "ico_nb8.ico.rgba"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.index));
        TIEImageIO io;
        io.Params->ICOImageIndex = c.index;
        io.LoadFromFile(DataDir() + c.file);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->FileType, ioICO);
        EXPECT_EQ(io.IEBitmap()->Width(), c.size);
        EXPECT_EQ(CountIconDiffs(*io.IEBitmap(), ReadAll(DataDir() + c.rgba)), 0);

        TIEImageIO hdr;
        hdr.Params->ICOImageIndex = c.index;
        hdr.ParamsFromFile(DataDir() + c.file);
        EXPECT_EQ(hdr.Params->FileType, ioICO);
        EXPECT_EQ(hdr.Params->Width, c.size);
        EXPECT_EQ(hdr.Params->Height, c.size);
    }
    TIEImageIO io;
    io.LoadFromFile(DataDir() + "ico_im.ico");
    const int sizes[16] = {0, 32, 16};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(io.Params->ICOSizes[i].cx, sizes[i]) << i;
        EXPECT_EQ(io.Params->ICOBitCounts[i], i < 3 ? 32 : 0) << i;
    }
}

TEST(ICOReader, CursorsAreIconsWithAHotSpot) {
    TempDir tmp;
    struct Case {
        const char* file;
        int index;
        const char* rgba;
    } cases[] = {{"ico_nb1.ico", 0, "ico_nb1.ico.rgba"},
                 {"ico_nb4.ico", 0, "ico_nb4.ico.rgba"},
                 {"ico_nb8.ico", 0, "ico_nb8.ico.rgba"},
                 {"ico_im.ico", 1, "ico_im.ico.1.rgba"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        WriteAll(tmp / "x.cur", AsCursor(ReadAll(DataDir() + c.file), 5, 7));
        EXPECT_EQ(FindFileFormat(tmp / "x.cur", true), ioCUR);
        TIEImageIO io;
        io.Params->CURImageIndex = c.index;
        io.LoadFromFile(tmp / "x.cur");
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->FileType, ioCUR);
        EXPECT_EQ(io.Params->CURXHotSpot, 5);
        EXPECT_EQ(io.Params->CURYHotSpot, 7);
        EXPECT_TRUE(io.IEBitmap()->HasAlphaChannel());  // cursors always have one
        EXPECT_EQ(CountIconDiffs(*io.IEBitmap(), ReadAll(DataDir() + c.rgba)), 0);
    }
    // A 4-bit cursor that says two colours still looks up all sixteen table entries.
    std::vector<uint8_t> table(64, 0);
    table[15 * 4 + 2] = 200;  // entry 15: red 200
    auto f = AsCursor(MakeIcon(2, 1, 4, 2, table, {0xF0, 0, 0, 0}, {0, 0, 0, 0}), 0, 0);
    ieio::PutLE16(&f[6 + 6], 0);
    TIEImageIO io;
    Load(io, f, ioCUR);
    ASSERT_FALSE(io.Aborting);
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB24(0, 0), (TRGB{0, 0, 200}));
    EXPECT_EQ(io.Params->PaletteCount, 16);
}

TEST(ICOReader, BackgroundBitmapFilesAndIndices) {
    // 1-bit: the left half transparent; a white background shows it white.
    const std::vector<uint8_t> bw = {0, 0, 0, 0, 255, 255, 255, 0};
    const std::vector<uint8_t> xorRows = {0x00, 0, 0, 0};  // 8 pixels, all black
    const std::vector<uint8_t> andRows = {0xF0, 0, 0, 0};
    auto f = MakeIcon(8, 1, 1, 2, bw, xorRows, andRows);
    for (bool white : {true, false}) {
        SCOPED_TRACE(white);
        TIEImageIO io;
        io.Params->ICOBackground = white ? TRGB{255, 255, 255} : TRGB{0, 0, 255};
        Load(io, f, ioICO);
        ASSERT_FALSE(io.Aborting);
        TIEBitmap* b = io.IEBitmap();
        EXPECT_EQ(b->PixelFormat(), ie1g);
        EXPECT_EQ(b->GetPixel1(0, 0), white);
        EXPECT_FALSE(b->GetPixel1(5, 0));
        EXPECT_EQ(b->GetAlpha(0, 0), 0);
        EXPECT_EQ(b->GetAlpha(5, 0), 255);
    }
    // A file that starts with "BM" is read as a bitmap file.
    auto bmp = ReadAll(DataDir() + "bmp24.bmp");
    TIEImageIO b;
    Load(b, bmp, ioICO);
    ASSERT_FALSE(b.Aborting);
    EXPECT_EQ(CountDiffs(*b.IEBitmap(), ReadAll(DataDir() + "bmp24.bmp.rgba"), 0), 0);
    // An image that is not in the file is a failure.
    TIEImageIO missing;
    missing.Params->ICOImageIndex = 3;
    missing.LoadFromFile(DataDir() + "ico_im.ico");
    EXPECT_TRUE(missing.Aborting);
    // A 32-bit icon whose alpha is all 255 has no alpha channel.
    std::vector<uint8_t> px = {1, 2, 3, 255, 4, 5, 6, 255};
    TIEImageIO opaque;
    Load(opaque, MakeIcon(2, 1, 32, 0, {}, px, {}), ioICO);
    ASSERT_FALSE(opaque.Aborting);
    EXPECT_FALSE(opaque.IEBitmap()->HasAlphaChannel());
    EXPECT_EQ(opaque.IEBitmap()->GetPixelRGB24(1, 0), (TRGB{4, 5, 6}));
}

TEST(ICOReader, RefusesDamagedInput) {
    const std::vector<uint8_t> bw = {0, 0, 0, 0, 255, 255, 255, 0};
    auto good = MakeIcon(8, 1, 1, 2, bw, {0, 0, 0, 0}, {0, 0, 0, 0});
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"data offset past the end", [&] {
             auto f = good;
             ieio::PutLE32(&f[6 + 12], 100000);
             return f;
         }()},
        {"no bit count anywhere", [&] {
             auto f = good;
             f[6 + 2] = 0;
             ieio::PutLE16(&f[22 + 14], 0);
             return f;
         }()},
        {"rows cut short", std::vector<uint8_t>(good.begin(), good.end() - 6)},
        {"directory cut short", std::vector<uint8_t>(good.begin(), good.begin() + 14)},
        {"huge header sizes, few bytes", [&] {
             auto f = good;
             f[6] = 0;
             f[7] = 0;
             ieio::PutLE32(&f[22 + 4], 60000);
             ieio::PutLE32(&f[22 + 8], 120000);
             return f;
         }()},
        {"16 bits per pixel", [&] {
             auto f = good;
             ieio::PutLE16(&f[22 + 14], 16);
             return f;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TIEImageIO io;
        Load(io, c.bytes, ioICO);
        EXPECT_TRUE(io.Aborting);
        EXPECT_LT(static_cast<int64_t>(io.IEBitmap()->Width()) * io.IEBitmap()->Height(), 100000);
    }
}

TEST(ICOWriter, OtherProgramsReadOurFiles) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick missing";
    TempDir tmp;
    TIEBitmap src;
    FillPattern(src, 40, 40);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) src.SetAlpha(x, y, x < 10 ? 0 : 255);
    TIEImageIO io;
    io.SetAttachedBitmap(&src);
    const TIOICOSize sizes[5] = {{48, 48}, {32, 32}, {16, 16}, {24, 24}, {20, 20}};
    const int bits[5] = {8, 4, 1, 24, 32};
    for (int i = 0; i < 16; ++i) {
        io.Params->ICOSizes[i] = i < 5 ? sizes[i] : TIOICOSize{};
        io.Params->ICOBitCounts[i] = i < 5 ? bits[i] : 0;
    }
    io.SaveToFile(tmp / "out.ico");
    ASSERT_FALSE(io.Aborting);
    auto f = ReadAll(tmp / "out.ico");
    ASSERT_EQ(ieio::LE16(&f[4]), 5);
    EXPECT_EQ(f[6 + 2], 255);       // 8-bit entry: colour count 255
    EXPECT_EQ(f[6 + 16 + 2], 16);   // 4-bit entry
    EXPECT_EQ(ieio::LE16(&f[6 + 48 + 6]), 24);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        TIEImageIO back;
        back.Params->ICOImageIndex = i;
        back.LoadFromFile(tmp / "out.ico");
        ASSERT_FALSE(back.Aborting);
        EXPECT_EQ(back.IEBitmap()->Width(), sizes[i].cx);
        EXPECT_EQ(back.Params->BitsPerSample * back.Params->SamplesPerPixel, bits[i]);
        auto rgba = DecodeWithConvert(tmp / "out.ico", tmp / "d", i);
        // 1-bit images: ImageMagick shows the mask's pixels black, we show the background.
        if (bits[i] != 1) EXPECT_EQ(CountIconDiffs(*back.IEBitmap(), rgba), 0);
        if (bits[i] >= 24) {
            // Lossless depths keep the resampled image: compare with our own resampling.
            TIEBitmap expect;
            expect.Allocate(sizes[i].cx, sizes[i].cy, ieRGB24);
            ResampleBitmap(&src, &expect, rfFastLinear);
            int diffs = 0;
            for (int y = 0; y < sizes[i].cy; ++y)
                for (int x = 0; x < sizes[i].cx; ++x)
                    if (!(expect.GetPixelRGB(x, y) == back.IEBitmap()->GetPixelRGB(x, y))) ++diffs;
            EXPECT_EQ(diffs, 0);
        }
    }
    if (iotest::Run("winicontopam -version") == 0)
        EXPECT_EQ(iotest::Run("winicontopam -allimages '" + tmp / "out.ico" + "'"), 0);
}

TEST(ICOWriter, ColumnsDefaultDepthAndAbort) {
    // Two colours in alternate columns survive the 4-bit packing.
    TIEBitmap stripes;
    stripes.Allocate(16, 16, ieRGB24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) stripes.SetPixelRGB24(x, y, x % 2 ? TRGB{0, 0, 250} : TRGB{250, 0, 0});
    TIEImageIO io;
    io.SetAttachedBitmap(&stripes);
    io.Params->ICOSizes[0] = {16, 16};
    io.Params->ICOBitCounts[0] = 4;
    TMemoryStream ms;
    io.SaveToStreamICO(ms);
    ASSERT_FALSE(io.Aborting);
    ms.SetPosition(0);
    TIEImageIO back;
    back.LoadFromStreamICO(ms);
    ASSERT_FALSE(back.Aborting);
    EXPECT_TRUE(SameRGB(stripes, *back.IEBitmap()));

    // A 1-bit image at the default depth gives an 8-bit entry.
    TIEBitmap bw;
    bw.Allocate(16, 16, ie1g);
    bw.Fill(1);
    bw.SetPixel1(3, 3, false);
    TIEImageIO one;
    one.SetAttachedBitmap(&bw);
    TMemoryStream m1;
    one.SaveToStreamICO(m1);
    ASSERT_FALSE(one.Aborting);
    m1.SetPosition(0);
    TIEImageIO b1;
    b1.LoadFromStreamICO(m1);
    ASSERT_FALSE(b1.Aborting);
    EXPECT_EQ(b1.Params->BitsPerSample, 8);
    EXPECT_EQ(b1.IEBitmap()->Width(), 64);
    // (The quantizer's grey ramp ends at 254.)
    EXPECT_GE(b1.IEBitmap()->GetPixelRGB(0, 0).r, 254);
    EXPECT_EQ(b1.IEBitmap()->GetPixelRGB(13, 13).r, 0);

    // An abort after the first image: the header counts only what was written.
    TIEImageIO ab;
    ab.SetAttachedBitmap(&stripes);
    for (int i = 0; i < 3; ++i) {
        ab.Params->ICOSizes[i] = {16, 16};
        ab.Params->ICOBitCounts[i] = 24;
    }
    ab.OnProgress = [&](TObject*, int p) {
        if (p > 0) ab.Aborting = true;
    };
    TMemoryStream m2;
    ab.SaveToStreamICO(m2);
    EXPECT_TRUE(ab.Aborting);
    auto bytes = static_cast<uint8_t*>(m2.Memory());
    EXPECT_EQ(ieio::LE16(bytes + 4), 1);
    m2.SetPosition(0);
    TIEImageIO b2;
    b2.LoadFromStreamICO(m2);
    EXPECT_FALSE(b2.Aborting);
    EXPECT_TRUE(SameRGB(stripes, *b2.IEBitmap()));
}
