// Inputs that once made a reader allocate or decode what a header claimed, or
// shift by 32 bits: each now ends at once, refused or with the abort flag.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"
#include "imaging/processing/dibconv.h"
#include "iotest_util.h"

// The readers are registered at start-up: without it every load fails, for any reason.
static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new iotest::IOStartup);

namespace {

std::string Regression(const std::string& Name) { return std::string(TESSARO_TEST_DATA) + "/imaging/regressions/" + Name; }

// Peak resident memory of this process, in MB.
long PeakMB() {
    rusage U{};
    getrusage(RUSAGE_SELF, &U);
    return U.ru_maxrss / 1024;
}

TEST(ReaderRegressions, ClaimedSizesAreNotAllocated) {
    // A tEXt chunk of 1.4 and 2.1 GB behind a 13 x 7 header; a 9229 x 55520
    // JPEG with almost no scan data.
    for (const char* File : {"png-text-chunk-1p4gb.png", "png-text-chunk-2gb.png", "jpeg-grey-9229x55520.jpg"}) {
        TIEImageIO Io;
        Io.LoadFromFile(Regression(File));
        EXPECT_TRUE(Io.Aborting) << File;
    }
    // Far below what any of the claims would take.
    EXPECT_LT(PeakMB(), 700);
}

std::string Le16(int V) { return std::string{char(V & 0xFF), char((V >> 8) & 0xFF)}; }
std::string Le32(uint32_t V) { return Le16(V & 0xFFFF) + Le16(V >> 16); }
std::string Be32(uint32_t V) { return std::string{char(V >> 24), char(V >> 16), char(V >> 8), char(V)}; }

// A little-endian TIFF of one strip claiming Width x Height, with 100 bytes of data.
std::string HugeTiff(int Compression, int Bits, int Photometric) {
    struct E {
        int Tag, Type;
        uint32_t Value;
    } Entries[] = {{256, 4, 65535}, {257, 4, 65535}, {258, 3, uint32_t(Bits)}, {259, 3, uint32_t(Compression)},
                   {262, 3, uint32_t(Photometric)}, {273, 4, 200}, {277, 3, 1}, {278, 4, 65535}, {279, 4, 100}};
    std::string D = "II*" + std::string(1, '\0') + Le32(8) + Le16(9);
    for (const E& En : Entries)
        D += Le16(En.Tag) + Le16(En.Type) + Le32(1) + (En.Type == 3 ? Le16(int(En.Value)) + Le16(0) : Le32(En.Value));
    D += Le32(0);
    D.resize(200, '\0');
    return D + std::string(100, '\x55');
}

std::string HugePng() {
    // Signature, IHDR of 65535 x 65535 RGB (its CRC is not checked before the
    // size is), then a short IDAT.
    std::string D = "\x89PNG\r\n\x1a\n";
    D += Be32(13) + "IHDR" + Be32(65535) + Be32(65535) + std::string("\x08\x02\x00\x00\x00", 5) + Be32(0);
    D += Be32(10) + "IDAT" + std::string(10, '\0') + Be32(0);
    return D + Be32(0) + "IEND" + Be32(0);
}

std::string HugeBmp() {
    std::string D = "BM" + Le32(154) + Le32(0) + Le32(54) + Le32(40) + Le32(65535) + Le32(65535) + Le16(1) + Le16(24);
    D += Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(0);
    return D + std::string(100, '\x7f');
}

std::string HugeGif() {
    std::string D = "GIF89a" + Le16(65535) + Le16(65535) + std::string("\x80\x00\x00", 3) + std::string(6, '\0');
    D += "," + Le16(0) + Le16(0) + Le16(65535) + Le16(65535) + std::string(1, '\0');
    return D + std::string("\x02\x02\x44\x01\x00;", 6);
}

std::string HugeJpeg() {
    // SOI, a grey baseline frame of 65535 x 65535, a DC table, a scan of a few bytes.
    std::string D = "\xFF\xD8";
    D += std::string("\xFF\xDB\x00\x43\x00", 5) + std::string(64, '\x01');
    D += std::string("\xFF\xC0\x00\x0B\x08\xFF\xFF\xFF\xFF\x01\x01\x11\x00", 13);
    D += std::string("\xFF\xC4\x00\x14\x00\x01", 6) + std::string(15, '\0') + std::string(1, '\0');
    D += std::string("\xFF\xC4\x00\x14\x10\x01", 6) + std::string(15, '\0') + std::string(1, '\0');
    D += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10) + std::string(20, '\0');
    return D + "\xFF\xD9";
}

TEST(ReaderRegressions, EveryReaderRefusesAHeaderOf65535Squared) {
    struct Case {
        const char* Name;
        std::string Data;
        int Format;
    } Cases[] = {
        {"TIFF raw", HugeTiff(1, 8, 1), ioTIFF},       {"TIFF LZW", HugeTiff(5, 8, 1), ioTIFF},
        {"TIFF PackBits", HugeTiff(32773, 8, 1), ioTIFF}, {"TIFF G4", HugeTiff(4, 1, 0), ioTIFF},
        {"TIFF Deflate", HugeTiff(8, 8, 1), ioTIFF},   {"PNG", HugePng(), ioPNG},
        {"BMP", HugeBmp(), ioBMP},                     {"GIF", HugeGif(), ioGIF},
        {"JPEG", HugeJpeg(), ioJPEG},
    };
    for (const auto& C : Cases) {
        TIEImageIO Io;
        Io.LoadFromBuffer(C.Data.data(), static_cast<int64_t>(C.Data.size()), C.Format);
        EXPECT_TRUE(Io.Aborting) << C.Name;
    }
    // 65535 x 65535 pixels would take gigabytes.
    EXPECT_LT(PeakMB(), 700);
}

TEST(ReaderRegressions, ResolutionsNoIntHoldsReadAsAbsent) {
    // Found by fuzzing: an EXIF block whose resolution is 4294770988 dpi.
    {
        TIEImageIO Io;
        Io.LoadFromFile(Regression("jpeg-exif-resolution-past-int.jpg"));
        EXPECT_EQ(Io.Params->DpiX, 300);  // the JFIF density stands
    }
    // A grey TIFF of one pixel whose resolutions and position are 4294967295
    // (per centimetre: larger still).
    const int Entries = 11;
    const uint32_t Values = 8 + 2 + 12 * (Entries + 1) + 4, Pixel = Values + 3 * 8;  // with the unit
    struct E {
        int Tag, Type;
        uint32_t Value;
    } Dir[Entries] = {{256, 4, 1}, {257, 4, 1}, {258, 3, 8}, {259, 3, 1}, {262, 3, 1}, {273, 4, Pixel},
                      {277, 3, 1}, {279, 4, 1}, {282, 5, Values}, {283, 5, Values + 8}, {286, 5, Values + 16}};
    for (int Unit : {2, 3}) {
        SCOPED_TRACE(Unit);
        std::string D = "II*" + std::string(1, '\0') + Le32(8) + Le16(Entries + 1);
        for (const E& En : Dir)
            D += Le16(En.Tag) + Le16(En.Type) + Le32(1) + (En.Type == 3 ? Le16(int(En.Value)) + Le16(0) : Le32(En.Value));
        D += Le16(296) + Le16(3) + Le32(1) + Le16(Unit) + Le16(0);
        D += Le32(0);
        for (int I = 0; I < 3; ++I) D += Le32(0xFFFFFFFFu) + Le32(1);
        D += std::string(1, '\x80');
        TIEImageIO Io;
        Io.LoadFromBuffer(D.data(), static_cast<int64_t>(D.size()), ioTIFF);
        ASSERT_FALSE(Io.Aborting);
        EXPECT_EQ(Io.IEBitmap()->GetPixelRGB(0, 0), (TRGB{128, 128, 128}));
        EXPECT_EQ(Io.Params->DpiX, DefaultDpiX);
        EXPECT_EQ(Io.Params->DpiY, DefaultDpiY);
        EXPECT_EQ(Io.Params->TIFFXPos, 0);
    }
}

TEST(ReaderRegressions, WideBitFieldMasksAreRefused) {
    const std::vector<uint8_t> Block = iotest::ReadAll(Regression("dib-16bit-wide-masks.dib"));
    ASSERT_FALSE(Block.empty());
    TIEBitmap Bmp;
    EXPECT_EQ(PackedDIBToIEBitmap(Block.data(), Block.size(), &Bmp), 0);
}

TEST(ReaderRegressions, DamagedFixturesEndWithTheAbortFlag) {
    // The fuzz seeds: every conformance file cut short or claiming 65535 x 65535.
    struct Kind {
        const char* Folder;
        int Format;
    } Kinds[] = {{"bmp", ioBMP}, {"png", ioPNG}, {"jpeg", ioJPEG}, {"gif", ioGIF}, {"tiff", ioTIFF},
                 {"pcx", ioPCX}, {"tga", ioTGA}, {"pnm", ioPXM}, {"ico", ioICO}, {"dcx", ioDCX}};
    // Cut in a later frame or page: the one loaded (the first) is whole.
    // An 8-bit PCX file takes its palette from its last 768 bytes without testing the
    // marker before them: cut there, it reads as whole (with other colours).
    const std::set<std::string> Whole = {"gif/anim3.gif-cut85", "gif/animprev.gif-cut85", "tiff/tif_3pages.tif-cut85",
                                         "dcx/dcx3.dcx-cut85", "pcx/pcx8.pcx-cut85"};
    int Loaded = 0;
    for (const Kind& K : Kinds) {
        const std::string Dir = std::string(TESSARO_TEST_DATA) + "/imaging/fuzzseeds/" + K.Folder;
        for (const auto& E : std::filesystem::directory_iterator(Dir)) {
            const std::string Name = E.path().filename().string();
            const bool Damaged = (Name.find("-cut") != std::string::npos || Name.find("-65535") != std::string::npos) &&
                                 !Whole.count(std::string(K.Folder) + "/" + Name);
            const std::vector<uint8_t> Data = iotest::ReadAll(E.path().string());
            TIEImageIO Io;
            Io.LoadFromBuffer(Data.data(), static_cast<int64_t>(Data.size()), K.Format);
            EXPECT_EQ(Io.Aborting, Damaged) << K.Folder << "/" << Name;
            ++Loaded;
        }
    }
    EXPECT_GT(Loaded, 100);
    EXPECT_LT(PeakMB(), 700);
}

}  // namespace
