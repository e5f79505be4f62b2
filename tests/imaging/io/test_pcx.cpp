#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/iepcx.h"
#include "imaging/io/ieioutil.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {

// A PCX header of the given geometry (RLE, 72 dpi) followed by Data.
std::vector<uint8_t> PCXFile(int bits, int planes, int xmin, int xmax, int ymin, int ymax, int bpl,
                             const std::vector<uint8_t>& data, int encoding = 1, int dpiY = 72) {
    std::vector<uint8_t> f(128, 0);
    f[0] = 10;
    f[1] = 5;
    f[2] = static_cast<uint8_t>(encoding);
    f[3] = static_cast<uint8_t>(bits);
    ieio::PutLE16(&f[4], xmin);
    ieio::PutLE16(&f[6], ymin);
    ieio::PutLE16(&f[8], xmax);
    ieio::PutLE16(&f[10], ymax);
    ieio::PutLE16(&f[12], 72);
    ieio::PutLE16(&f[14], dpiY);
    f[65] = static_cast<uint8_t>(planes);
    ieio::PutLE16(&f[66], bpl);
    f.insert(f.end(), data.begin(), data.end());
    return f;
}

std::vector<uint8_t> StreamBytes(TMemoryStream& ms) {
    auto* p = static_cast<uint8_t*>(ms.Memory());
    return std::vector<uint8_t>(p, p + ms.Size());
}

}  // namespace

TEST(PCXReader, FilesOfOtherPrograms) {
    struct Case {
        const char* file;
        TIEPixelFormat format;
        int bits, samples;
    } cases[] = {
        {"pcx24.pcx", ieRGB24, 8, 3},    {"pcx24raw.pcx", ieRGB24, 8, 3}, {"pcx8.pcx", ieRGB24, 8, 1},
        {"netpbm1.pcx", ie1g, 1, 1},     {"netpbm8.pcx", ieRGB24, 8, 1},
        {"netpbm24.pcx", ieRGB24, 8, 3}, {"netpbm4planes.pcx", ieRGB24, 4, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TIEImageIO io;
        io.LoadFromFile(DataDir() + c.file);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->FileType, ioPCX);
        EXPECT_EQ(io.IEBitmap()->PixelFormat(), c.format);
        EXPECT_EQ(io.Params->BitsPerSample, c.bits);
        EXPECT_EQ(io.Params->SamplesPerPixel, c.samples);
        EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + c.file + ".rgba"), 0), 0);

        TIEImageIO hdr;
        hdr.ParamsFromFile(DataDir() + c.file);
        EXPECT_EQ(hdr.Params->FileType, ioPCX);
        EXPECT_EQ(hdr.Params->Width, io.IEBitmap()->Width());
        EXPECT_EQ(hdr.Params->Height, io.IEBitmap()->Height());
        EXPECT_EQ(hdr.Params->BitsPerSample, c.bits);
        EXPECT_TRUE(hdr.IEBitmap()->IsEmpty());
    }
}

TEST(PCXReader, HeaderGeometryResolutionAndRuns) {
    // Xmin 10 .. Xmax 19 is ten pixels; a vertical resolution of 0 gives the default for both.
    // Line 0: run C5 20 gives five bytes, then the run E0 (32 x 0x7F) fills the red plane's
    // last 5 bytes and goes on into the green plane.
    std::vector<uint8_t> data = {0xC5, 0x20, 0xE0, 0x7F, 0xCA, 0x01, 0xC5, 0x02, 0xCA, 0x03, 0xCA, 0x04, 0xCA, 0x05};
    auto file = PCXFile(8, 3, 10, 19, 0, 1, 10, data, 1, 0);
    TIEImageIO io;
    io.LoadFromBuffer(file.data(), static_cast<int64_t>(file.size()), ioPCX);
    ASSERT_FALSE(io.Aborting);
    TIEBitmap* b = io.IEBitmap();
    ASSERT_EQ(b->Width(), 10);
    ASSERT_EQ(b->Height(), 2);
    EXPECT_EQ(io.Params->DpiX, DefaultDpiX);
    EXPECT_EQ(io.Params->DpiY, DefaultDpiY);
    // 32 bytes of 0x7F: red 5..9, green 0..9, blue 0..9, line 1 red 0..6.
    EXPECT_EQ(b->GetPixelRGB24(0, 0), (TRGB{0x7F, 0x7F, 0x20}));
    EXPECT_EQ(b->GetPixelRGB24(9, 0), (TRGB{0x7F, 0x7F, 0x7F}));
    // Line 1: red 0..6 0x7F, then CA 01 runs from red 7 into green 0..6.
    EXPECT_EQ(b->GetPixelRGB24(6, 1), (TRGB{0x03, 0x01, 0x7F}));
    EXPECT_EQ(b->GetPixelRGB24(7, 1), (TRGB{0x03, 0x02, 0x01}));
}

TEST(PCXReader, RefusesDamagedInput) {
    std::vector<uint8_t> some(64, 0x11);
    const auto full = PCXFile(8, 3, 0, 3, 0, 3, 4, {});
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"16 bits per pixel", PCXFile(16, 1, 0, 3, 0, 3, 8, some)},
        {"encoding 2", PCXFile(8, 3, 0, 3, 0, 3, 4, some, 2)},
        {"reversed corners", PCXFile(8, 3, 9, 3, 0, 3, 8, some)},
        {"lines shorter than the width", PCXFile(8, 3, 0, 99, 0, 3, 8, some)},
        {"huge picture, few bytes", PCXFile(8, 3, 0, 65000, 0, 65000, 65002, some)},
        {"palette picture too short for its palette", PCXFile(8, 1, 0, 3, 0, 3, 4, some)},
        {"no planes", PCXFile(8, 0, 0, 3, 0, 3, 4, some)},
        {"header cut short", std::vector<uint8_t>(full.begin(), full.begin() + 100)},
        {"lines cut short", PCXFile(8, 3, 0, 3, 0, 3, 4, {0xC8, 0x10, 0x20})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TIEImageIO io;
        io.LoadFromBuffer(c.bytes.data(), static_cast<int64_t>(c.bytes.size()), ioPCX);
        EXPECT_TRUE(io.Aborting);
        EXPECT_LT(static_cast<int64_t>(io.IEBitmap()->Width()) * io.IEBitmap()->Height(), 1000);
    }
}

TEST(PCXWriter, OtherProgramsReadOurFiles) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick missing";
    TempDir tmp;
    TIEBitmap src;
    FillPattern(src, 23, 11);
    TIEBitmap two;
    two.Allocate(23, 11, ieRGB24);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 23; ++x)
            two.SetPixelRGB24(x, y, (x + y) % 3 ? TRGB{200, 40, 10} : TRGB{10, 200, 240});
    struct Case {
        const char* name;
        TIEBitmap* image;
        int bits, samples, compression;
        int fileBits, filePlanes;
    } cases[] = {
        {"c24.pcx", &src, 8, 3, 1, 8, 3},  {"r24.pcx", &src, 8, 3, 0, 8, 3},  {"c8.pcx", &src, 8, 1, 1, 8, 1},
        {"r8.pcx", &src, 8, 1, 0, 8, 1},   {"c4.pcx", &src, 4, 1, 1, 4, 1},   {"c1.pcx", &two, 1, 1, 1, 1, 1},
        {"odd.pcx", &src, 2, 1, 1, 8, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TIEImageIO io;
        io.SetAttachedBitmap(c.image);
        io.Params->BitsPerSample = c.bits;
        io.Params->SamplesPerPixel = c.samples;
        io.Params->PCXCompression = static_cast<uint8_t>(c.compression);
        io.SaveToFile(tmp / c.name);
        ASSERT_FALSE(io.Aborting);
        auto file = ReadAll(tmp / c.name);
        ASSERT_GT(file.size(), 128u);
        EXPECT_EQ(file[3], c.fileBits);
        EXPECT_EQ(file[65], c.filePlanes);
        EXPECT_EQ(ieio::LE16(&file[66]) % 2, 0);
        TIEImageIO back;
        back.LoadFromFile(tmp / c.name);
        ASSERT_FALSE(back.Aborting);
        auto rgba = DecodeWithConvert(tmp / c.name, tmp / "d");
        if (c.image == &two) {
            // Two colours: the header palette holds them, darker first, and the bits index it.
            EXPECT_EQ(file[16], 10);
            EXPECT_EQ(file[19], 240);
            // (ImageMagick shows 1-bit PCX pixels without the palette; netpbm applies it.)
            if (iotest::Run("pcxtoppm -version") == 0) {
                EXPECT_EQ(std::system(("pcxtoppm '" + tmp / c.name + "' > '" + tmp / "n.ppm" + "' 2>/dev/null").c_str()), 0);
                EXPECT_EQ(CountDiffs(two, DecodeWithConvert(tmp / "n.ppm", tmp / "d"), 0), 0);
            }
            for (int y = 0; y < 11; ++y)
                for (int x = 0; x < 23; ++x)
                    EXPECT_EQ(back.IEBitmap()->GetPixel1(x, y), (x + y) % 3 == 0) << x << "," << y;
            continue;
        }
        // ImageMagick reads the same pixels as we do; 24-bit pictures give the source back.
        EXPECT_EQ(CountDiffs(*back.IEBitmap(), rgba, 0), 0);
        if (c.fileBits * c.filePlanes == 24) EXPECT_EQ(CountDiffs(*c.image, rgba, 0), 0);
        // netpbm reads only run-length pictures.
        if (c.compression == 1 && iotest::Run("pcxtoppm -version") == 0) {
            EXPECT_EQ(std::system(("pcxtoppm '" + tmp / c.name + "' > '" + tmp / "n.ppm" + "' 2>/dev/null").c_str()), 0);
            EXPECT_EQ(CountDiffs(*back.IEBitmap(), DecodeWithConvert(tmp / "n.ppm", tmp / "d"), 0), 0);
        }
    }
}

TEST(PCXWriter, LineEncoding) {
    // Width 5 at 8 bits: 6 bytes per line, each compressed line ends with a 0 byte.
    TIEBitmap b;
    b.Allocate(5, 1, ieRGB24);
    const uint8_t reds[5] = {10, 200, 30, 30, 30};
    for (int x = 0; x < 5; ++x) b.SetPixelRGB24(x, 0, TRGB{7, 7, reds[x]});
    TIEImageIO io;
    io.SetAttachedBitmap(&b);
    io.Params->BitsPerSample = 8;
    io.Params->SamplesPerPixel = 3;
    io.Params->PCXCompression = 1;
    TMemoryStream ms;
    io.SaveToStreamPCX(ms);
    ASSERT_FALSE(io.Aborting);
    auto f = StreamBytes(ms);
    EXPECT_EQ(ieio::LE16(&f[66]), 6);
    const std::vector<uint8_t> expect = {0x0A, 0xC1, 0xC8, 0xC3, 0x1E, 0x00, 0xC5, 0x07, 0x00, 0xC5, 0x07, 0x00};
    EXPECT_EQ(std::vector<uint8_t>(f.begin() + 128, f.end()), expect);
}

TEST(PCXStreamHeaders, WrittenAndRead) {
    TIEBitmap src;
    FillPattern(src, 9, 4);
    TIEImageIO io;
    io.SetAttachedBitmap(&src);
    io.StreamHeaders = true;
    TMemoryStream ms;
    io.SaveToStreamPCX(ms);
    ASSERT_FALSE(io.Aborting);
    const char tail[] = "after";
    ms.Write(tail, 5);
    auto f = StreamBytes(ms);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "PCX2");
    EXPECT_EQ(ieio::LE32(&f[8]), f.size() - 12 - 5);
    ms.SetPosition(0);
    EXPECT_EQ(FindStreamFormat(ms), ioPCX);

    TIEImageIO back;
    back.StreamHeaders = true;
    back.LoadFromStreamPCX(ms);
    ASSERT_FALSE(back.Aborting);
    EXPECT_TRUE(SameRGB(src, *back.IEBitmap()));
    EXPECT_EQ(ms.Position(), ms.Size() - 5);

    // The older four-byte header: the picture runs to the end of the stream.
    std::vector<uint8_t> old = {'P', 'C', 'X', 0};
    old.insert(old.end(), f.begin() + 12, f.end() - 5);
    TIEMemStream os(old.data(), static_cast<int64_t>(old.size()));
    TIEImageIO older;
    older.StreamHeaders = true;
    older.LoadFromStreamPCX(os);
    ASSERT_FALSE(older.Aborting);
    EXPECT_TRUE(SameRGB(src, *older.IEBitmap()));

    // Without a header where one is expected the load stops.
    TIEMemStream bare(old.data() + 4, static_cast<int64_t>(old.size() - 4));
    TIEImageIO none;
    none.StreamHeaders = true;
    none.LoadFromStreamPCX(bare);
    EXPECT_TRUE(none.Aborting);
}

// ---- DCX -------------------------------------------------------------------------------

TEST(DCXReader, PagesOfImageMagickFile) {
    for (int page = 0; page < 3; ++page) {
        SCOPED_TRACE(page);
        TIEImageIO io;
        io.Params->DCXImageIndex = page;
        io.LoadFromFile(DataDir() + "dcx3.dcx");
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->FileType, ioDCX);
        EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + "dcx3.dcx." + std::to_string(page) + ".rgba"), 0), 0);
    }
    // An index past the pages reads the last and says so in every index.
    TIEImageIO io;
    io.Params->DCXImageIndex = 7;
    io.LoadFromFileDCX(DataDir() + "dcx3.dcx");
    ASSERT_FALSE(io.Aborting);
    EXPECT_EQ(io.Params->DCXImageIndex, 2);
    EXPECT_EQ(io.Params->ImageIndex, 2);
    EXPECT_EQ(io.Params->TIFFImageIndex, 2);
    EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + "dcx3.dcx.2.rgba"), 0), 0);

    TFileStream fs(DataDir() + "dcx3.dcx", fmOpenRead);
    EXPECT_EQ(FindStreamFormat(fs), ioDCX);
}

TEST(DCXReader, RefusesBadTables) {
    auto file = ReadAll(DataDir() + "dcx3.dcx");
    std::vector<uint8_t> pastEnd(file), noPages(file.begin(), file.begin() + 8);
    ieio::PutLE32(&pastEnd[8], static_cast<uint32_t>(file.size() + 10));
    for (auto* bytes : {&pastEnd, &noPages}) {
        TIEImageIO io;
        io.LoadFromBuffer(bytes->data(), static_cast<int64_t>(bytes->size()), ioDCX);
        EXPECT_TRUE(io.Aborting);
        TIEMemStream ms(bytes->data(), static_cast<int64_t>(bytes->size()));
        EXPECT_NE(FindStreamFormat(ms), ioDCX);
    }
}

TEST(DCXWriter, InsertsPagesAndRefusesWhatItCannotWrite) {
    TIEBitmap a, b;
    FillPattern(a, 7, 5);
    FillPattern(b, 12, 3);
    TIEImageIO io;
    io.SetAttachedBitmap(&a);
    TMemoryStream ms;
    // A new file: one page at offset 12 (magic, the page, the end of the table).
    io.Params->DCXImageIndex = 0;
    {
        TIEProgressRecord pr;
        std::atomic<bool> abort{false};
        pr.Aborting = &abort;
        WriteDCXStream(ms, &a, *io.Params, pr);
        ASSERT_FALSE(abort);
        auto f = StreamBytes(ms);
        EXPECT_EQ(ieio::LE32(&f[0]), 987654321u);
        EXPECT_EQ(ieio::LE32(&f[4]), 12u);
        EXPECT_EQ(ieio::LE32(&f[8]), 0u);

        // Page b goes before page 0.
        io.Params->DCXImageIndex = 0;
        WriteDCXStream(ms, &b, *io.Params, pr);
        ASSERT_FALSE(abort);
        for (int page = 0; page < 2; ++page) {
            TIEImageIO r;
            r.Params->DCXImageIndex = page;
            ms.SetPosition(0);
            r.LoadFromStreamDCX(ms);
            ASSERT_FALSE(r.Aborting);
            EXPECT_TRUE(SameRGB(page == 0 ? b : a, *r.IEBitmap())) << page;
        }
        if (HaveConvert()) {
            TempDir tmp;
            auto bytes = StreamBytes(ms);
            WriteAll(tmp / "two.dcx", bytes);
            EXPECT_EQ(CountDiffs(b, DecodeWithConvert(tmp / "two.dcx", tmp / "d", 0), 0), 0);
            EXPECT_EQ(CountDiffs(a, DecodeWithConvert(tmp / "two.dcx", tmp / "d", 1), 0), 0);
        }

        // An index past the pages: nothing to insert, the file stays as it was.
        const auto before = StreamBytes(ms);
        io.Params->DCXImageIndex = 5;
        WriteDCXStream(ms, &a, *io.Params, pr);
        EXPECT_TRUE(abort);
        EXPECT_EQ(StreamBytes(ms), before);
    }
    {
        // A table already full for readers takes no page more.
        std::vector<uint8_t> full(4 + DCXMaxPages * 4, 0);
        ieio::PutLE32(&full[0], 987654321u);
        TMemoryStream one;
        TIEImageIO w;
        w.SetAttachedBitmap(&a);
        w.SaveToStreamPCX(one);
        auto page = StreamBytes(one);
        for (int i = 0; i < DCXMaxPages; ++i) ieio::PutLE32(&full[4 + i * 4], static_cast<uint32_t>(full.size()));
        full.insert(full.end(), page.begin(), page.end());
        TMemoryStream fs;
        fs.Write(full.data(), static_cast<int64_t>(full.size()));
        TIEProgressRecord pr;
        std::atomic<bool> abort{false};
        pr.Aborting = &abort;
        io.Params->DCXImageIndex = 0;
        WriteDCXStream(fs, &a, *io.Params, pr);
        EXPECT_TRUE(abort);
        EXPECT_EQ(fs.Size(), static_cast<int64_t>(full.size()));
    }
    {
        // The component's stream save starts a file of its own.
        TMemoryStream s;
        const char junk[] = "not a dcx file at all";
        s.Write(junk, sizeof junk);
        io.Params->DCXImageIndex = 0;
        io.SaveToStreamDCX(s);
        ASSERT_FALSE(io.Aborting);
        s.SetPosition(0);
        EXPECT_EQ(FindStreamFormat(s), ioDCX);
    }
}

// Inputs the fuzzer found: a 7-bit picture of three planes once read 128 entries of the
// 16-entry header palette; an uncompressed picture without line data copied from nowhere.
TEST(PCXReader, FuzzerFindings) {
    for (const char* f : {"pcx-wide-header-palette.pcx", "pcx-no-line-data.pcx"}) {
        SCOPED_TRACE(f);
        auto data = ReadAll(DataDir() + "fuzz/" + f);
        ASSERT_FALSE(data.empty());
        TIEImageIO io;
        int finished = 0;
        io.OnFinishWork = [&](TObject*) { ++finished; };
        io.LoadFromBuffer(data.data(), static_cast<int64_t>(data.size()), ioPCX);
        EXPECT_EQ(finished, 1);
        EXPECT_LE(io.Params->PaletteCount, 256);
    }
}
