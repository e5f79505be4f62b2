#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/iepostscript.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {

std::string StreamText(TMemoryStream& ms) {
    return std::string(static_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
}

bool HaveGhostscript() {
    static const int have = iotest::Run("gs --version") == 0;
    return have;
}

// Ghostscript's rendering of every page at 72 dpi on a W x H page: RGBA rows per page.
std::vector<std::vector<uint8_t>> Render(const std::string& ps, const TempDir& tmp, int w, int h, int pages) {
    const std::string out = tmp / "page%d.ppm";
    if (iotest::Run("gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=ppmraw -r72 -g" + std::to_string(w) + "x" +
                    std::to_string(h) + " -sOutputFile='" + out + "' '" + ps + "'") != 0)
        return {};
    std::vector<std::vector<uint8_t>> r;
    for (int i = 1; i <= pages; ++i) r.push_back(DecodeWithConvert(tmp / ("page" + std::to_string(i) + ".ppm"), tmp / "d"));
    return r;
}

TIEBitmap& TwoTone() {
    static TIEBitmap b;
    if (b.IsEmpty()) {
        b.Allocate(37, 21, ie1g);
        b.Fill(1);
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 37; ++x)
                if ((x * x + y * 3) % 7 < 3) b.SetPixel1(x, y, false);
    }
    return b;
}

}  // namespace

TEST(PostScriptWriter, DocumentStructure) {
    TIEBitmap src;
    FillPattern(src, 1190, 842);
    TIEImageIO io;
    io.SetAttachedBitmap(&src);
    io.Params->PSTitle = "Gr\xC3\xBC\xC3\x9F" "e";
    TMemoryStream ms;
    // What a longer earlier document left in the stream is cut away.
    std::vector<char> stale(4000000, 'x');
    ms.Write(stale.data(), static_cast<int64_t>(stale.size()));
    ms.SetPosition(0);
    io.SaveToStreamPS(ms);
    ASSERT_FALSE(io.Aborting);
    const std::string t = StreamText(ms);
    EXPECT_EQ(t.rfind("%!PS-Adobe-3.0\r\n%%Creator: IE Library by Veridane\r\n%%Title: Gr????e\r\n", 0), 0u);
    EXPECT_NE(t.find("\r\n%%DocumentData: Clean7Bit\r\n%%LanguageLevel: 2\r\n%%Pages: 1     \r\n"
                     "%%BoundingBox: 0 0 594 841\r\n%%EndComments\r\n"),
              std::string::npos);
    EXPECT_NE(t.find("\r\n0 842 translate\r\n595 -421 scale\r\n1190 842 8\r\n[ 1190 0 0 842 0 0 ]\r\n/rstr 1190 string def"),
              std::string::npos);
    EXPECT_NE(t.find("true 3\r\n%%BeginData:      "), std::string::npos);
    EXPECT_EQ(t.size() - t.rfind("%%Trailer\r\nend\r\n%%EOF\r\n"), std::string("%%Trailer\r\nend\r\n%%EOF\r\n").size());
    for (unsigned char c : t) ASSERT_TRUE(c < 128) << "not 7-bit";
    // The creation date is in English whatever the locale.
    const size_t d = t.find("%%CreationDate: ");
    ASSERT_NE(d, std::string::npos);
    const std::string day = t.substr(d + 16, 3);
    EXPECT_NE(std::string("SunMonTueWedThuFriSat").find(day), std::string::npos) << day;
}

TEST(PostScriptWriter, OneBitPicturesAndTheirParameters) {
    struct Case {
        int compression;
        const char* filter;
    } cases[] = {{0, "/RunLengthDecode filter\r\n"},
                 {1, "<< /K -1 /BlackIs1 true /Columns 37 /Rows 21 "},
                 {2, "<< /K 1 /BlackIs1 true /Columns 37 /Rows 21 "},
                 {3, "<< /K -1 /BlackIs1 true /Columns 37 /Rows 21 "}};  // JPEG has no 1-bit form
    for (const auto& c : cases) {
        SCOPED_TRACE(c.compression);
        TIEImageIO io;
        io.SetAttachedBitmap(&TwoTone());
        io.Params->BitsPerSample = 8;
        io.Params->SamplesPerPixel = 3;
        io.Params->PSCompression = static_cast<uint8_t>(c.compression);
        TMemoryStream ms;
        io.SaveToStreamPS(ms);
        ASSERT_FALSE(io.Aborting);
        const std::string t = StreamText(ms);
        EXPECT_NE(t.find("\r\n37 21 1\r\n"), std::string::npos);
        EXPECT_NE(t.find(c.filter), std::string::npos);
        EXPECT_NE(t.find("\r\nimage\r\n"), std::string::npos);
        EXPECT_EQ(io.Params->BitsPerSample, 1);
        EXPECT_EQ(io.Params->SamplesPerPixel, 1);
    }
}

TEST(PostScriptWriter, GhostscriptRendersOurPages) {
    if (!HaveGhostscript() || !HaveConvert()) GTEST_SKIP() << "Ghostscript or ImageMagick missing";
    TempDir tmp;
    TIEBitmap colour;
    FillPattern(colour, 45, 31);
    // JPEG pages are compared on a smooth picture, which the coding keeps within a few levels.
    TIEBitmap smooth;
    smooth.Allocate(45, 31, ieRGB24);
    for (int y = 0; y < 31; ++y)
        for (int x = 0; x < 45; ++x)
            smooth.SetPixelRGB24(x, y, TRGB{128, static_cast<uint8_t>(y * 8), static_cast<uint8_t>(x * 5)});
    struct Case {
        const char* name;
        TIEBitmap* image;
        int compression, jpegSpace, tol;
    } cases[] = {
        {"rle.ps", &colour, 0, 2, 0},   {"bw-rle.ps", &TwoTone(), 0, 2, 0}, {"bw-g4.ps", &TwoTone(), 1, 2, 0},
        {"bw-g3.ps", &TwoTone(), 2, 2, 0}, {"jpeg.ps", &smooth, 3, 2, 12},  {"jpeg-cmyk.ps", &smooth, 3, 3, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int w = c.image->Width(), h = c.image->Height();
        TIEImageIO io;
        io.SetAttachedBitmap(c.image);
        io.Params->PSCompression = static_cast<uint8_t>(c.compression);
        io.Params->PSPaperWidth = w;
        io.Params->PSPaperHeight = h;
        io.Params->JPEGColorSpace = static_cast<uint8_t>(c.jpegSpace);
        io.Params->JPEGQuality = 95;
        io.SaveToFile(tmp / c.name);
        ASSERT_FALSE(io.Aborting);
        auto pages = Render(tmp / c.name, tmp, w, h, 1);
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(CountDiffs(*c.image, pages[0], c.tol), 0);
    }
    // A grey JPEG page has one component.
    TIEImageIO grey;
    grey.SetAttachedBitmap(&colour);
    grey.Params->PSCompression = 3;
    grey.Params->JPEGColorSpace = 1;
    TMemoryStream ms;
    grey.SaveToStreamPS(ms);
    ASSERT_FALSE(grey.Aborting);
    EXPECT_NE(StreamText(ms).find("\r\nfalse 1\r\n"), std::string::npos);
}

TEST(PostScriptWriter, SeveralPages) {
    TempDir tmp;
    TIEBitmap a, b;
    FillPattern(a, 30, 20);
    FillPattern(b, 30, 20);
    for (int x = 0; x < 30; ++x) b.SetPixelRGB24(x, 5, TRGB{0, 0, 255});
    TIOParamsVals p(nullptr);
    p.PSPaperWidth = 30;
    p.PSPaperHeight = 20;
    TMemoryStream ms;
    TIEProgressRecord pr;
    std::atomic<bool> abort{false};
    pr.Aborting = &abort;
    auto state = OpenPSStream(ms, p);
    AddPSPage(*state, ms, &a, p, pr);
    AddPSPage(*state, ms, &TwoTone(), p, pr);
    AddPSPage(*state, ms, &b, p, pr);
    ClosePSStream(std::move(state), ms);
    ASSERT_FALSE(abort);
    const std::string t = StreamText(ms);
    EXPECT_NE(t.find("%%Pages: 3     \r\n"), std::string::npos);
    EXPECT_NE(t.find("%%Page: 3 3\r\n"), std::string::npos);
    // An empty bitmap is no page.
    TIEBitmap empty;
    auto s2 = OpenPSStream(ms, p);
    AddPSPage(*s2, ms, &empty, p, pr);
    EXPECT_TRUE(abort);
    if (!HaveGhostscript() || !HaveConvert()) return;
    WriteAll(tmp / "three.ps", std::vector<uint8_t>(t.begin(), t.end()));
    auto pages = Render(tmp / "three.ps", tmp, 30, 20, 3);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(CountDiffs(a, pages[0], 0), 0);
    EXPECT_EQ(CountDiffs(b, pages[2], 0), 0);
}
