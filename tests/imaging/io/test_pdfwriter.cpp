#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/iepdfwriter.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {

std::string StreamText(TMemoryStream& ms) {
    return std::string(static_cast<const char*>(ms.Memory()), static_cast<size_t>(ms.Size()));
}

bool HavePoppler() {
    static const int have = iotest::Run("pdfinfo -v") == 0;
    return have;
}

// A command's standard output and error.
std::string Capture(const std::string& cmd, const TempDir& tmp, std::string* err = nullptr) {
    const std::string out = tmp / "out.txt", e = tmp / "err.txt";
    std::system((cmd + " > '" + out + "' 2> '" + e + "'").c_str());
    auto o = ReadAll(out);
    if (err) {
        auto v = ReadAll(e);
        *err = std::string(v.begin(), v.end());
    }
    return std::string(o.begin(), o.end());
}

// The value of a "Name: value" line of pdfinfo.
std::string Field(const std::string& Info, const std::string& Name) {
    std::istringstream in(Info);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(Name + ":", 0) == 0) {
            std::string v = line.substr(Name.size() + 1);
            v.erase(0, v.find_first_not_of(' '));
            return v;
        }
    return {};
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

TEST(PDFWriter, DocumentStructure) {
    TIEBitmap src;
    FillPattern(src, 1190, 842);
    TIEImageIO io;
    io.SetAttachedBitmap(&src);
    TMemoryStream ms;
    io.SaveToStreamPDF(ms);
    ASSERT_FALSE(io.Aborting);
    const std::string t = StreamText(ms);
    EXPECT_EQ(t.rfind("%PDF-1.4\n", 0), 0u);
    EXPECT_NE(t.find("7 0 obj"), std::string::npos);
    EXPECT_EQ(t.find("8 0 obj"), std::string::npos);
    EXPECT_NE(t.find("/Size 8"), std::string::npos);
    EXPECT_NE(t.find("q\n595 0 0 421 0 421 cm\n/lm1 Do\nQ"), std::string::npos);
    EXPECT_NE(t.find("/ColorSpace /DeviceRGB"), std::string::npos);
    EXPECT_EQ(t.find("/Filter"), std::string::npos);
    // Every text empty: the information dictionary holds the creation date alone.
    const size_t info = t.find("7 0 obj");
    EXPECT_EQ(t.find("/Title", info), std::string::npos);
    EXPECT_NE(t.find("/CreationDate (D:", info), std::string::npos);
}

TEST(PDFWriter, OneBitEncodingsAndParameters) {
    struct Case {
        int compression;
        const char* expect;
        int after;
    } cases[] = {{2, "/K -1", 2}, {3, "/K 1", 3}, {4, "/K 1", 3}, {7, "/K -1", 7}, {1, "/RunLengthDecode", 1},
                 {5, "/LZWDecode", 5}, {0, "/BitsPerComponent 1", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.compression);
        TIEImageIO io;
        io.SetAttachedBitmap(&TwoTone());
        io.Params->PDFCompression = static_cast<uint8_t>(c.compression);
        TMemoryStream ms;
        io.SaveToStreamPDF(ms);
        ASSERT_FALSE(io.Aborting);
        EXPECT_NE(StreamText(ms).find(c.expect), std::string::npos);
        EXPECT_EQ(io.Params->PDFCompression, c.after);
        EXPECT_EQ(io.Params->BitsPerSample, 1);
    }
}

TEST(PDFWriter, PopplerReadsOurFiles) {
    if (!HavePoppler() || !HaveConvert()) GTEST_SKIP() << "poppler-utils or ImageMagick missing";
    TempDir tmp;
    TIEBitmap colour;
    FillPattern(colour, 45, 31);
    struct Case {
        const char* name;
        TIEBitmap* image;
        int compression;
        const char* encoding;  // pdfimages -list
        bool lossless;
    } cases[] = {
        {"raw.pdf", &colour, 0, "image", true},      {"lzw.pdf", &colour, 5, "image", true},
        {"jpeg.pdf", &colour, 4, "jpeg", false},     {"bw-raw.pdf", &TwoTone(), 0, "image", true},
        {"bw-rle.pdf", &TwoTone(), 1, "image", true}, {"bw-g4.pdf", &TwoTone(), 2, "ccitt", true},
        {"bw-g3.pdf", &TwoTone(), 3, "ccitt", true}, {"bw-lzw.pdf", &TwoTone(), 5, "image", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int w = c.image->Width(), h = c.image->Height();
        TIEImageIO io;
        io.SetAttachedBitmap(c.image);
        io.Params->PDFCompression = static_cast<uint8_t>(c.compression);
        io.Params->PDFPaperWidth = w;
        io.Params->PDFPaperHeight = h;
        io.Params->PDFTitle = "Test page";
        io.Params->PDFAuthor = "Tessaro";
        io.SaveToFile(tmp / c.name);
        ASSERT_FALSE(io.Aborting);
        std::string err;
        const std::string info = Capture("pdfinfo '" + tmp / c.name + "'", tmp, &err);
        EXPECT_EQ(err, "");
        EXPECT_EQ(Field(info, "Pages"), "1") << info;
        EXPECT_EQ(Field(info, "Title"), "Test page");
        EXPECT_EQ(Field(info, "Author"), "Tessaro");
        EXPECT_EQ(Field(info, "Page size"), std::to_string(w) + " x " + std::to_string(h) + " pts");
        const std::string list = Capture("pdfimages -list '" + tmp / c.name + "'", tmp, &err);
        EXPECT_EQ(err, "");
        std::istringstream rows(list);
        std::string line, enc;
        std::getline(rows, line);
        std::getline(rows, line);
        std::getline(rows, line);
        std::istringstream cols(line);
        std::string skip;
        for (int i = 0; i < 9; ++i) cols >> skip;  // page num type width height color comp bpc enc
        enc = skip;
        EXPECT_EQ(enc, c.encoding) << list;
        // The image taken out of the file, and the page rendered at 72 dpi: by poppler (which
        // smooths images, so only its size is checked) and by Ghostscript (pixel for pixel).
        ASSERT_EQ(iotest::Run("pdfimages -png '" + tmp / c.name + "' '" + tmp / "img" + "'"), 0);
        auto extracted = DecodeWithConvert(tmp / "img-000.png", tmp / "d");
        Capture("pdftoppm -r 72 '" + tmp / c.name + "' '" + tmp / "page" + "'", tmp, &err);
        EXPECT_EQ(err, "");
        EXPECT_EQ(DecodeWithConvert(tmp / "page-1.ppm", tmp / "d").size(), static_cast<size_t>(w) * h * 4);
        if (c.lossless) {
            EXPECT_EQ(CountDiffs(*c.image, extracted, 0), 0);
        } else {
            ASSERT_EQ(extracted.size(), static_cast<size_t>(w) * h * 4);
        }
        if (iotest::Run("gs --version") == 0) {
            ASSERT_EQ(iotest::Run("gs -q -dSAFER -dNOPAUSE -dBATCH -sDEVICE=ppmraw -r72 -sOutputFile='" + tmp / "gs.ppm" +
                                  "' '" + tmp / c.name + "'"),
                      0);
            auto rendered = DecodeWithConvert(tmp / "gs.ppm", tmp / "d");
            if (c.lossless) {
                EXPECT_EQ(CountDiffs(*c.image, rendered, 0), 0);
            } else {
                // JPEG: the page shows what the extracted image holds.
                ASSERT_EQ(rendered.size(), extracted.size());
                int far = 0;
                for (size_t i = 0; i < rendered.size(); ++i) far += std::abs(rendered[i] - extracted[i]) > 3;
                EXPECT_EQ(far, 0);
            }
        }
    }
}

TEST(PDFWriter, SeveralPagesAndFailures) {
    if (!HavePoppler()) GTEST_SKIP() << "poppler-utils missing";
    TempDir tmp;
    TIEBitmap a;
    FillPattern(a, 30, 20);
    TIOParamsVals p(nullptr);
    TIEProgressRecord pr;
    std::atomic<bool> abort{false};
    pr.Aborting = &abort;
    auto state = OpenPDFStream();
    AddPDFImagePage(*state, &a, p, pr);
    AddPDFImagePage(*state, &TwoTone(), p, pr);
    AddPDFImagePage(*state, &a, p, pr);
    TMemoryStream ms;
    ClosePDFStream(std::move(state), ms, p);
    ASSERT_FALSE(abort);
    const std::string t = StreamText(ms);
    WriteAll(tmp / "three.pdf", std::vector<uint8_t>(t.begin(), t.end()));
    std::string err;
    const std::string info = Capture("pdfinfo '" + tmp / "three.pdf" + "'", tmp, &err);
    EXPECT_EQ(err, "");
    EXPECT_EQ(Field(info, "Pages"), "3") << info;
    EXPECT_NE(t.find("/lm3 Do"), std::string::npos);

    // An empty bitmap makes no page and no document.
    TIEBitmap empty;
    TMemoryStream none;
    abort = false;
    WritePDFStream(none, &empty, p, pr);
    EXPECT_TRUE(abort);
    EXPECT_EQ(none.Size(), 0);
    // Without any LZW compressor an LZW image cannot be made.
    const TTIFFLZWCompFunc saved = DefaultTIFFLZWCompressor;
    DefaultTIFFLZWCompressor = nullptr;
    p.TIFFLZWCompressor = nullptr;
    p.PDFCompression = 5;
    abort = false;
    TMemoryStream lzw;
    WritePDFStream(lzw, &a, p, pr);
    DefaultTIFFLZWCompressor = saved;
    EXPECT_TRUE(abort);
}
