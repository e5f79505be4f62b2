#include <gtest/gtest.h>

#include <cstring>

#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieformats.h"
#include "iotest_util.h"

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new iotest::IOStartup);

TEST(FormatRegistry, ExtensionLookups) {
    for (const char* e : {".jpg", "JPG", "jPeG", ".JPE", "jif"}) {
        TIEFileFormatEntry* f = FindFormatByExtension(e);
        ASSERT_NE(f, nullptr) << e;
        EXPECT_EQ(f->FileType, ioJPEG) << e;
    }
    EXPECT_EQ(FindFormatByExtension(".avi"), nullptr);
    EXPECT_EQ(FindFormatByExtension(""), nullptr);
    EXPECT_EQ(FindFileTypeByExtension(".XIF"), ioTIFF);
    EXPECT_EQ(FindFileTypeByExtension("pix"), ioTGA);
    EXPECT_EQ(GetFileExtensionCount(ioBMP), 3);
    EXPECT_EQ(GetFileExtension(ioBMP, 2), "RLE");
    EXPECT_EQ(GetFileExtension(ioBMP, 3), "");
    EXPECT_EQ(GetFileExtension(99, 0), "");
    EXPECT_TRUE(IsReadableImageFile("/a/b/preview1.JPG"));
    EXPECT_TRUE(IsReadableImageFile("x.png"));
    EXPECT_FALSE(IsReadableImageFile("x.pdf"));   // written only
    EXPECT_FALSE(IsReadableImageFile("x.avi"));
    EXPECT_FALSE(IsReadableImageFile("noext"));
    ASSERT_NE(FindFormatByType(ioPNG), nullptr);
    EXPECT_EQ(FindFormatByType(ioPNG)->DialogPage, ppPNG);
}

TEST(FormatRegistry, RegisterAndUnregisterARuntimeFormat) {
    TIEFileFormatEntry e;
    e.FileType = 40;
    e.FullName = "Test";
    e.Extensions = "TST";
    e.TryFunction = [](TStream& s, TIOFormatCode) {
        char c[4] = {};
        return s.Read(c, 4) == 4 && std::memcmp(c, "TST!", 4) == 0;
    };
    RegisterFileFormat(e);
    EXPECT_EQ(FindFileTypeByExtension("tst"), 40);
    TMemoryStream ms;
    ms.WriteBuffer("TST!....", 8);
    ms.SetPosition(0);
    EXPECT_EQ(FindStreamFormat(ms), 40);
    EXPECT_EQ(ms.Position(), 0);
    UnregisterFileFormat(40);
    EXPECT_EQ(FindFormatByType(40), nullptr);
}

namespace {
TIOFormatCode Detect(const std::vector<uint8_t>& bytes, int64_t at = 0) {
    TMemoryStream ms;
    if (!bytes.empty()) ms.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    ms.SetPosition(at);
    TIOFormatCode f = FindStreamFormat(ms);
    EXPECT_EQ(ms.Position(), at);
    return f;
}
std::vector<uint8_t> Head(const char* s, size_t total) {
    std::vector<uint8_t> v(total, 0);
    std::memcpy(v.data(), s, std::strlen(s));
    return v;
}
}  // namespace

TEST(FormatDetection, HeadersAndSignatures) {
    EXPECT_EQ(Detect({}), 0);
    EXPECT_EQ(Detect(Head("JFIF", 20)), ioJPEG);
    EXPECT_EQ(Detect(Head("GIF89a", 20)), ioGIF);
    EXPECT_EQ(Detect(Head("PCX2", 20)), ioPCX);
    EXPECT_EQ(Detect(Head("BM", 20)), ioBMP);
    EXPECT_EQ(Detect(Head("TIFF", 20)), ioTIFF);
    EXPECT_EQ(Detect(Head("II*", 20)), ioTIFF);
    EXPECT_EQ(Detect(Head("\x89PNG\r\n\x1a\n", 20)), ioPNG);
    std::vector<uint8_t> avi = Head("RIFF", 20);
    std::memcpy(&avi[8], "AVI ", 4);
    EXPECT_EQ(Detect(avi), ioAVI);
    // A JPEG start within the first 100 bytes, and one too far away.
    std::vector<uint8_t> j(200, 0x20);
    j[99] = 0xFF, j[100] = 0xD8, j[101] = 0xFF;
    EXPECT_EQ(Detect(j), ioJPEG);
    std::vector<uint8_t> far(220, 0x20);
    far[100] = 0xFF, far[101] = 0xD8, far[102] = 0xFF;
    EXPECT_EQ(Detect(far), 0);
    // Detection starts at the position, not at the start of the stream.
    std::vector<uint8_t> off = Head("xxxxBM", 40);
    EXPECT_EQ(Detect(off, 4), ioBMP);
}

TEST(FormatDetection, FileVerifiesItsExtension) {
    iotest::TempDir dir;
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 0};
    iotest::WriteAll(dir / "a.jpg", png);
    iotest::WriteAll(dir / "a.png", png);
    EXPECT_EQ(FindFileFormat(dir / "a.jpg", false), ioPNG);
    EXPECT_EQ(FindFileFormat(dir / "a.jpg", true), 0);
    EXPECT_EQ(FindFileFormat(dir / "a.png", true), ioPNG);
    EXPECT_EQ(FindFileFormat(dir / "missing.png", true), 0);
    EXPECT_EQ(FindFileFormat("", false), 0);
    iotest::WriteAll(dir / "c.cr2", iotest::ReadAll(dir / "a.png"));
    std::vector<uint8_t> tif = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0};
    iotest::WriteAll(dir / "c.cr2", tif);
    EXPECT_EQ(FindFileFormat(dir / "c.cr2", false), ioRAW);
}

TEST(ColorRows, ConversionsAndTheSourceStaysIntact) {
    uint8_t white[3] = {255, 255, 255}, red[3] = {0, 0, 255}, grey = 0;
    ASSERT_TRUE(ConvertColorRow(white, iecrBGR, &grey, nullptr, 1, iecrGray8));
    EXPECT_EQ(grey, 255);
    ASSERT_TRUE(ConvertColorRow(red, iecrBGR, &grey, nullptr, 1, iecrGray8));
    EXPECT_EQ(grey, 53);
    // CMYK ink to colour: the caller's row must not change (a second call gives the same).
    uint8_t cmyk[8] = {0, 255, 255, 0, 10, 20, 30, 40};
    const std::vector<uint8_t> before(cmyk, cmyk + 8);
    uint8_t out1[6] = {}, out2[6] = {};
    ASSERT_TRUE(ConvertColorRow(cmyk, iecrCMYK, out1, nullptr, 2, iecrBGR));
    EXPECT_EQ(std::vector<uint8_t>(cmyk, cmyk + 8), before);
    ASSERT_TRUE(ConvertColorRow(cmyk, iecrCMYK, out2, nullptr, 2, iecrBGR));
    EXPECT_EQ(0, std::memcmp(out1, out2, 6));
    EXPECT_EQ(out1[2], 255);  // no cyan ink, no black: full red
    EXPECT_EQ(out1[1], 0);
    // A pair without a conversion reports it and leaves the destination alone.
    uint8_t dest[3] = {7, 7, 7};
    EXPECT_FALSE(ConvertColorRow(white, iecrGray8, dest, nullptr, 1, iecrRGB48));
    EXPECT_EQ(dest[0], 7);
    // RGB <-> alpha colour is reversible up to rounding.
    TRGB c{40, 120, 200};
    TRGB back = AlphaColorToRGB(RGBToAlphaColor(c));
    EXPECT_NEAR(back.r, 200, 1);
    EXPECT_NEAR(back.g, 120, 1);
    EXPECT_NEAR(back.b, 40, 1);
    uint8_t rgb48[6] = {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A};
    uint8_t o[3];
    ASSERT_TRUE(ConvertColorRow(rgb48, iecrRGB48, o, nullptr, 1, iecrBGR));
    EXPECT_EQ(o[2], 0x12);
    EXPECT_EQ(o[0], 0x9A);
}

TEST(FormatDetection, AFailingTestLeavesThePositionWhereItWas) {
    TIEFileFormatEntry e;
    e.FileType = 41;
    e.FullName = "Throws";
    e.Extensions = "THR";
    e.TryFunction = [](TStream& s, TIOFormatCode) -> bool {
        char c[3];
        s.Read(c, 3);
        throw EReadError("broken");
    };
    RegisterFileFormat(e);
    TMemoryStream ms;
    ms.WriteBuffer("nothing known here at all", 25);
    ms.SetPosition(5);
    EXPECT_EQ(FindStreamFormat(ms), 0);
    EXPECT_EQ(ms.Position(), 5);
    UnregisterFileFormat(41);
}
