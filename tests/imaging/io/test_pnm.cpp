#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/iepnm.h"
#include "imaging/io/ierawpixels.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
std::string Text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// Loads bytes through the component as the given format.
void LoadBytes(TIEImageIO& io, const std::vector<uint8_t>& data, TIOFormatCode f) {
    io.LoadFromBuffer(data.data(), static_cast<int64_t>(data.size()), f);
}

// Saves the image to a file and answers ImageMagick's decoding of it.
std::vector<uint8_t> SaveAndDecode(TIEImageIO& io, const TempDir& tmp, const std::string& name) {
    io.SaveToFile(tmp / name);
    EXPECT_FALSE(io.Aborting) << name;
    return DecodeWithConvert(tmp / name, tmp / "dec");
}

}  // namespace

TEST(PNMReader, FilesOfOtherPrograms) {
    struct Case {
        const char* file;
        TIEPixelFormat format;
        int bits, samples, tol;
    } cases[] = {
        {"pnm_p1.pbm", ie1g, 1, 1, 0},         {"pnm_p2.pgm", ieRGB24, 8, 1, 0},
        {"pnm_p3.ppm", ieRGB24, 8, 3, 0},      {"pnm_p4.pbm", ie1g, 1, 1, 0},
        {"pnm_p5.pgm", ieRGB24, 8, 1, 0},      {"pnm_p6.ppm", ieRGB24, 8, 3, 0},
        {"pnm_max15.pgm", ieRGB24, 8, 1, 0},   {"pnm_max15.ppm", ieRGB24, 8, 3, 0},
        {"pnm_max4095.ppm", ieRGB24, 16, 3, 1}, {"pnm_16.ppm", ieRGB24, 16, 3, 1},
        {"pnm_16.pgm", ieRGB24, 16, 1, 1},     {"pnm_comments.ppm", ieRGB24, 8, 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TIEImageIO io;
        io.LoadFromFile(DataDir() + c.file);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->FileType, ioPXM);
        EXPECT_EQ(io.IEBitmap()->PixelFormat(), c.format);
        EXPECT_EQ(io.Params->BitsPerSample, c.bits);
        EXPECT_EQ(io.Params->SamplesPerPixel, c.samples);
        EXPECT_EQ(io.Params->Width, 24);
        EXPECT_EQ(io.Params->DpiX, DefaultDpiX);
        EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + c.file + ".rgba"), c.tol), 0);

        // The header-only read agrees with ImageMagick's identify.
        TIEImageIO hdr;
        hdr.ParamsFromFile(DataDir() + c.file);
        EXPECT_EQ(hdr.Params->FileType, ioPXM);
        EXPECT_EQ(hdr.Params->Width, 24);
        EXPECT_EQ(hdr.Params->Height, 16);
        EXPECT_EQ(hdr.Params->BitsPerSample, c.bits);
        EXPECT_TRUE(hdr.IEBitmap()->IsEmpty());
    }
}

TEST(PNMReader, CommentsAreKeptAndWrittenBack) {
    TIEImageIO io;
    io.LoadFromFile(DataDir() + "pnm_comments.ppm");
    ASSERT_FALSE(io.Aborting);
    ASSERT_EQ(io.Params->PNMComments.Count(), 3);
    EXPECT_EQ(io.Params->PNMComments[0], "made by hand");
    EXPECT_EQ(io.Params->PNMComments[1], "width");
    EXPECT_EQ(io.Params->PNMComments[2], "height next");

    TMemoryStream ms;
    io.SaveToStreamPXM(ms);
    ASSERT_FALSE(io.Aborting);
    std::string text(static_cast<char*>(ms.Memory()), 40);
    EXPECT_EQ(text.substr(0, 4), "P6 \n");
    EXPECT_NE(text.find("# made by hand\n"), std::string::npos);
    ms.SetPosition(0);
    TIEImageIO back;
    back.LoadFromStream(ms);
    ASSERT_FALSE(back.Aborting);
    EXPECT_EQ(back.Params->PNMComments.Count(), 3);
    EXPECT_EQ(back.Params->PNMComments[2], "height next");
    EXPECT_TRUE(SameRGB(*io.IEBitmap(), *back.IEBitmap()));
}

TEST(PNMReader, SixteenBitSamplesStayWordsWhenNative) {
    auto file = ReadAll(DataDir() + "pnm_16.ppm");
    const size_t data = file.size() - 24 * 16 * 6;
    TIEImageIO io;
    io.SetNativePixelFormat(true);
    io.LoadFromFile(DataDir() + "pnm_16.ppm");
    ASSERT_FALSE(io.Aborting);
    TIEBitmap* b = io.IEBitmap();
    ASSERT_EQ(b->PixelFormat(), ieRGB48);
    int diffs = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            const uint8_t* p = &file[data + (y * 24 + x) * 6];
            TRGB48 c = b->GetPixelRGB48(x, y);
            if (c.r != (p[0] << 8 | p[1]) || c.g != (p[2] << 8 | p[3]) || c.b != (p[4] << 8 | p[5])) ++diffs;
        }
    EXPECT_EQ(diffs, 0);
}

TEST(PNMReader, AsciiBitmapsIgnoreTheirSeparators) {
    const char* variants[] = {"P1 4 2 0110 1001", "P1\n4 2\n0 1 1 0\n1 0 0 1\n", "P1 4 2\n01101001",
                              "P1 4 2\n0\t1\r\n1 0 1\n0 0 1"};
    for (const char* v : variants) {
        SCOPED_TRACE(v);
        TIEImageIO io;
        LoadBytes(io, Bytes(v), ioPXM);
        ASSERT_FALSE(io.Aborting);
        TIEBitmap* b = io.IEBitmap();
        ASSERT_EQ(b->PixelFormat(), ie1g);
        const bool white[8] = {true, false, false, true, false, true, true, false};
        for (int i = 0; i < 8; ++i) EXPECT_EQ(b->GetPixel1(i % 4, i / 4), white[i]) << i;
    }
}

TEST(PNMReader, RefusesDamagedInput) {
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"huge sizes, few bytes", "P6 100000 100000 255\n" + std::string(300, 'x')},
        {"maximum 0", "P5 4 4 0\n" + std::string(16, '\x01')},
        {"maximum above 16 bits", "P6 2 2 70000\n" + std::string(24, '\x01')},
        {"unknown kind", "P7 4 4 255\n" + std::string(48, '\x01')},
        {"zero width", "P5 0 4 255\n" + std::string(16, '\x01')},
        {"no height", "P5 4"},
        {"rows cut short", "P6 4 4 255\n" + std::string(24, '\x05')},
        {"ascii grey cut short", "P2 2 2 255\n1 2 3"},
        {"ascii bitmap cut short", "P1 3 3 0 1 1 0"},
        {"width that is no number", "P5 x4 4 255\n" + std::string(16, '\x01')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TIEImageIO io;
        LoadBytes(io, Bytes(c.bytes), ioPXM);
        EXPECT_TRUE(io.Aborting);
        // A forged size never reaches the allocator.
        EXPECT_LT(static_cast<int64_t>(io.IEBitmap()->Width()) * io.IEBitmap()->Height(), 1000);
    }
    // The header-only read refuses the bad kinds and maxima too.
    for (const char* bad : {"P5 4 4 0\n", "P7 4 4 255\n", "P6 2 2 70000\n"}) {
        TIEImageIO io;
        TIEMemStream ms(bad, static_cast<int64_t>(std::strlen(bad)));
        io.ParamsFromStreamFormat(ms, ioPXM);
        EXPECT_TRUE(io.Aborting) << bad;
        EXPECT_EQ(io.Params->FileType, 0) << bad;
    }
    // Rows read before the data ended stay.
    TIEImageIO io;
    LoadBytes(io, Bytes("P6 2 3 255\n" + std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90\xA0\xB0\xC0", 12)), ioPXM);
    EXPECT_TRUE(io.Aborting);
    ASSERT_EQ(io.IEBitmap()->Height(), 3);
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB24(1, 1), (TRGB{0xC0, 0xB0, 0xA0}));
}

TEST(PNMWriter, OtherProgramsReadOurFiles) {
    if (!HaveConvert() || iotest::Run("pamfile --version") != 0) GTEST_SKIP() << "ImageMagick or netpbm missing";
    TempDir tmp;
    TIEBitmap src;
    FillPattern(src, 21, 9);
    struct Case {
        const char* name;
        int bits, samples;
        TIEPixelFormat format;
        const char* magic;
    } cases[] = {
        {"rgb.ppm", 8, 3, ieRGB24, "P6 "},      {"grey.pgm", 8, 1, ieRGB24, "P5 "},
        {"bw.pbm", 1, 1, ieRGB24, "P4 "},       {"bw1g.pbm", 8, 3, ie1g, "P4 "},
        {"rgb16.ppm", 16, 3, ieRGB24, "P6 "},   {"rgb48.ppm", 8, 3, ieRGB48, "P6 "},
        {"grey48.pgm", 8, 1, ieRGB48, "P5 "},   {"bw48.pbm", 1, 1, ieRGB48, "P4 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TIEBitmap b;
        b.AssignImage(&src);
        if (c.format != ieRGB24) b.ConvertTo(c.format);
        TIEImageIO io;
        io.SetAttachedBitmap(&b);
        io.Params->BitsPerSample = c.bits;
        io.Params->SamplesPerPixel = c.samples;
        auto rgba = SaveAndDecode(io, tmp, c.name);
        // The caller's image keeps its pixel format (file saves keep 48-bit colour).
        EXPECT_EQ(b.PixelFormat(), c.format);
        auto file = ReadAll(tmp / c.name);
        ASSERT_GT(file.size(), 3u);
        EXPECT_EQ(std::string(file.begin(), file.begin() + 3), c.magic);
        EXPECT_EQ(iotest::Run("pamfile '" + tmp / c.name + "'"), 0);
        ASSERT_EQ(rgba.size(), 21u * 9 * 4);
        int diffs = 0;
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 21; ++x) {
                const uint8_t* p = &rgba[(y * 21 + x) * 4];
                TRGB e = b.GetPixelRGB(x, y);
                if (std::string(c.magic) == "P5 ") {
                    TRGB s = e;
                    if (c.format == ieRGB48) {
                        TRGB48 w = b.GetPixelRGB48(x, y);
                        s = TRGB{static_cast<uint8_t>(w.b >> 8), static_cast<uint8_t>(w.g >> 8),
                                 static_cast<uint8_t>(w.r >> 8)};
                    }
                    uint8_t g = static_cast<uint8_t>((21 * s.r + 71 * s.g + 8 * s.b) / 100);
                    e = TRGB{g, g, g};
                }
                if (std::string(c.magic) == "P4 " && c.format != ie1g) {
                    // The copy went to one bit: compare with our own conversion.
                    TIEBitmap bw;
                    bw.AssignImage(&b);
                    bw.ConvertTo(ie1g);
                    e = bw.GetPixelRGB(x, y);
                }
                const int tol = c.format == ieRGB48 ? 1 : 0;
                if (std::abs(e.r - p[0]) > tol || std::abs(e.g - p[1]) > tol || std::abs(e.b - p[2]) > tol) ++diffs;
            }
        EXPECT_EQ(diffs, 0);
    }
}

TEST(PNMWriter, ShortWriteAndUnknownLayoutSetTheAbortFlag) {
    TIEBitmap b;
    FillPattern(b, 8, 8);
    TIOParamsVals params(nullptr);
    std::atomic<bool> abort{false};
    TIEProgressRecord pr;
    pr.Aborting = &abort;
    // A stream that takes nothing: a full write fails at once.
    TIEMemStream full(nullptr, 0);
    WritePNMStream(full, &b, params, pr);
    EXPECT_TRUE(abort);

    abort = false;
    TIEBitmap cmyk;
    cmyk.Allocate(4, 4, ieCMYK);
    params.BitsPerSample = 4;
    params.SamplesPerPixel = 4;
    TMemoryStream ms;
    WritePNMStream(ms, &cmyk, params, pr);
    EXPECT_TRUE(abort);
    EXPECT_EQ(ms.Size(), 0);
}

TEST(PNMDetection, ContentAndMetafileTests) {
    struct Case {
        const char* what;
        std::string bytes;
        TIOFormatCode expect;
    } cases[] = {
        {"binary pixmap", Text(ReadAll(DataDir() + "pnm_p6.ppm")), ioPXM},
        {"plain bitmap after comments", "# a\n# b\nP1 2 2 0101", ioPXM},
        // TGA and icons are tried before the JPEG marker search, and icons before TGA.
        {"TGA whose pixels hold a JPEG start", std::string("\0\0\x02", 3) + std::string(9, '\0') +
                                                   std::string("\x02\0\x01\0\x18\x20", 6) +
                                                   std::string("\xFF\xD8\xFF\x01\x02\x03", 6),
         ioTGA},
        {"icon", Text(ReadAll(DataDir() + "ico_nb4.ico")), ioICO},
        {"kind without sizes", "P6 \n", 0},
        {"metafile header", std::string("\x01\x00\x09\x00\x00\x03", 6) + std::string(10, '\x07') + std::string(4, '\0'),
         ioWMF},
        {"placeable metafile",
         std::string("\xD7\xCD\xC6\x9A", 4) + std::string(18, '\x01') + std::string("\x01\x00\x09\x00", 4) +
             std::string(12, '\x02') + std::string(2, '\0') + std::string(8, '\x03'),
         ioWMF},
        {"metafile with parameters", std::string("\x01\x00\x09\x00\x00\x03", 6) + std::string(10, '\x07') + "\x01\x00xx",
         0},
        {"enhanced metafile",
         std::string("\x01\0\0\0", 4) + std::string(36, '\x04') + std::string("\x20\x45\x4D\x46", 4) +
             std::string(60, '\x05'),
         ioEMF},
        {"enhanced metafile cut short", std::string("\x01\0\0\0", 4) + std::string(36, '\x04') + " EMF", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TIEMemStream ms(c.bytes.data(), static_cast<int64_t>(c.bytes.size()));
        ms.SetPosition(0);
        EXPECT_EQ(FindStreamFormat(ms), c.expect);
        EXPECT_EQ(ms.Position(), 0);
    }
}

// ---- WBMP ------------------------------------------------------------------------------

TEST(WBMP, ReadsNetpbmFile) {
    TIEImageIO io;
    io.LoadFromFile(DataDir() + "pnm.wbmp");
    ASSERT_FALSE(io.Aborting);
    EXPECT_EQ(io.Params->FileType, ioWBMP);
    EXPECT_EQ(io.IEBitmap()->PixelFormat(), ie1g);
    EXPECT_EQ(io.Params->BitsPerSample, 1);
    EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + "pnm.wbmp.rgba"), 0), 0);
}

TEST(WBMP, WrittenSizesAndReadBackByNetpbm) {
    TempDir tmp;
    struct Case {
        int w, h;
        int ew, eh;               // written size
        std::vector<uint8_t> head;  // type, fixed header, width, height
    } cases[] = {
        {200, 20, 200, 20, {0, 0, 0x81, 0x48, 20}},
        {300, 40, 255, 34, {0, 0, 0x81, 0x7F, 34}},
        {40, 600, 17, 255, {0, 0, 17, 0x81, 0x7F}},
        {2000, 3, 255, 1, {0, 0, 0x81, 0x7F, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.w);
        TIEBitmap b;
        b.Allocate(c.w, c.h, ie1g);
        b.Fill(1);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x)
                if ((x / 10 + y / 5) % 2) b.SetPixel1(x, y, false);
        TIEImageIO io;
        io.SetAttachedBitmap(&b);
        io.SaveToFile(tmp / "out.wbmp");
        ASSERT_FALSE(io.Aborting);
        auto file = ReadAll(tmp / "out.wbmp");
        ASSERT_EQ(file.size(), c.head.size() + static_cast<size_t>((c.ew + 7) / 8) * c.eh);
        EXPECT_TRUE(std::equal(c.head.begin(), c.head.end(), file.begin()));
        TIEImageIO back;
        back.LoadFromFileWBMP(tmp / "out.wbmp");
        ASSERT_FALSE(back.Aborting);
        EXPECT_EQ(back.IEBitmap()->Width(), c.ew);
        EXPECT_EQ(back.IEBitmap()->Height(), c.eh);
        if (c.w <= 255 && c.h <= 255) {
            EXPECT_TRUE(SameRGB(b, *back.IEBitmap()));
            if (iotest::Run("wbmptopbm -version") == 0 && HaveConvert()) {
                ASSERT_EQ(std::system(("wbmptopbm '" + tmp / "out.wbmp" + "' > '" + tmp / "out.pbm" + "' 2>/dev/null").c_str()), 0);
                EXPECT_EQ(CountDiffs(b, DecodeWithConvert(tmp / "out.pbm", tmp / "d"), 0), 0);
            }
        }
    }
}

TEST(WBMP, RefusesDamagedHeaders) {
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"type 1", std::string("\x01\x00\x04\x04", 4) + std::string(4, '\0')},
        {"fixed header set", std::string("\x00\x01\x04\x04", 4) + std::string(4, '\0')},
        {"zero width", std::string("\x00\x00\x00\x04", 4) + std::string(4, '\0')},
        {"multi-byte number past four bytes", std::string("\x00\x00\x81\x81\x81\x81\x01\x04", 8)},
        {"huge sizes", std::string("\x00\x00\x8F\xFF\x7F\x8F\xFF\x7F", 8) + std::string(64, '\0')},
        {"rows cut short", std::string("\x00\x00\x10\x10", 4) + std::string(20, '\0')},
        {"header cut short", std::string("\x00\x00\x10", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TIEImageIO io;
        LoadBytes(io, Bytes(c.bytes), ioWBMP);
        EXPECT_TRUE(io.Aborting);
        EXPECT_LT(static_cast<int64_t>(io.IEBitmap()->Width()) * io.IEBitmap()->Height(), 1000);
    }
}

// ---- Headerless raw pixels -------------------------------------------------------------

namespace {

// ImageMagick's raw dump of the test image (rgb: or gray:), top row first.
std::vector<uint8_t> ConvertRaw(const TempDir& tmp, const std::string& kind, int w, int h) {
    const std::string out = tmp / ("raw." + kind);
    if (iotest::Run("convert rose: -resize " + std::to_string(w) + "x" + std::to_string(h) + "! -depth 8 " + kind + ":'" +
            out + "'") != 0)
        return {};
    return ReadAll(out);
}

// Rows of Bytes bytes each, padded to Stored bytes, after a header of Header bytes.
std::vector<uint8_t> Layout(const std::vector<uint8_t>& rows, int h, int bytes, int stored, int header) {
    std::vector<uint8_t> out(header, 0xEE);
    for (int y = 0; y < h; ++y) {
        out.insert(out.end(), rows.begin() + y * bytes, rows.begin() + (y + 1) * bytes);
        out.insert(out.end(), stored - bytes, 0xAB);
    }
    return out;
}

}  // namespace

TEST(RawPixels, LayoutsOfImageMagickData) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick missing";
    TempDir tmp;
    const int w = 13, h = 7;
    auto rgb = ConvertRaw(tmp, "rgb", w, h);
    auto grey = ConvertRaw(tmp, "gray", w, h);
    ASSERT_EQ(rgb.size(), static_cast<size_t>(w * h * 3));
    std::vector<uint8_t> bgr(rgb), planar;
    for (size_t i = 0; i < bgr.size(); i += 3) std::swap(bgr[i], bgr[i + 2]);
    for (int p = 0; p < 3; ++p)
        for (int i = 0; i < w * h; ++i) planar.push_back(rgb[i * 3 + p]);
    std::vector<uint8_t> planarBGR;
    for (int p = 2; p >= 0; --p)
        for (int i = 0; i < w * h; ++i) planarBGR.push_back(rgb[i * 3 + p]);

    struct Case {
        const char* what;
        std::vector<uint8_t> data;
        TIEPixelFormat format;
        int align, header;
        bool bgr, planarLayout;
    } cases[] = {
        {"rgb, byte rows", Layout(rgb, h, w * 3, w * 3, 16), ieRGB24, 8, 16, false, false},
        {"bgr, byte rows", Layout(bgr, h, w * 3, w * 3, 0), ieRGB24, 8, 0, true, false},
        {"rgb, rows of 32-bit words", Layout(rgb, h, w * 3, 40, 5), ieRGB24, 32, 5, false, false},
        {"rgb, rows padded to 64 bits", Layout(rgb, h, w * 3, 40, 0), ieRGB24, 64, 0, false, false},
        {"planar rgb", planar, ieRGB24, 8, 0, false, true},
        {"planar bgr", planarBGR, ieRGB24, 8, 0, true, true},
        {"grey rows of words", Layout(grey, h, w, 16, 3), ie8g, 32, 3, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TIEImageIO io;
        io.IEBitmap()->Allocate(w, h, c.format);
        io.Params->RawDataRowAlign = c.align;
        io.Params->RawDataHeaderSize = c.header;
        io.Params->RawDataBGR = c.bgr;
        io.Params->RawDataPlanar = c.planarLayout;
        std::vector<int> reports;
        io.OnProgress = [&](TObject*, int p) { reports.push_back(p); };
        TIEMemStream ms(c.data.data(), static_cast<int64_t>(c.data.size()));
        io.LoadFromStreamRawData(ms);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->FileType, ioBMPRAW);
        int diffs = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int i = y * w + x;
                TRGB e = c.format == ie8g ? TRGB{grey[i], grey[i], grey[i]}
                                          : TRGB{rgb[i * 3 + 2], rgb[i * 3 + 1], rgb[i * 3]};
                if (!(io.IEBitmap()->GetPixelRGB(x, y) == e)) ++diffs;
            }
        EXPECT_EQ(diffs, 0);
        if (c.planarLayout) {
            // The reader's own reports (the component adds its finish).
            ASSERT_GE(reports.size(), 4u);
            EXPECT_EQ(std::vector<int>(reports.begin(), reports.begin() + 4), (std::vector<int>{0, 33, 66, 100}));
        }
    }
}

TEST(RawPixels, RefusesLayoutsItCannotRead) {
    std::vector<uint8_t> data(4 * 4 * 3 + 8, 0x55);
    struct Case {
        const char* what;
        TIEPixelFormat format;
        int align, header;
        size_t size;
    } cases[] = {
        {"no alignment", ieRGB24, 0, 0, data.size()},
        {"negative alignment", ieRGB24, -8, 0, data.size()},
        {"alignment inside a byte", ieRGB24, 4, 0, data.size()},
        {"L*a*b* pixels", ieCIELab, 8, 0, data.size()},
        {"data cut short", ieRGB24, 8, 0, 40},
        {"header past the data", ieRGB24, 8, 20, data.size()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TIEImageIO io;
        io.IEBitmap()->Allocate(4, 4, c.format);
        io.Params->RawDataRowAlign = c.align;
        io.Params->RawDataHeaderSize = c.header;
        TIEMemStream ms(data.data(), static_cast<int64_t>(c.size));
        io.LoadFromStreamRawData(ms);
        EXPECT_TRUE(io.Aborting);
    }
}
