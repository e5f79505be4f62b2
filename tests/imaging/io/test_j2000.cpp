#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieimageio.h"
#include "imaging/io/iej2000.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {

bool HaveOpenJPEGTools() {
    static const int have = iotest::Run("opj_decompress -h") == 0 || iotest::Run("which opj_decompress") == 0;
    return have;
}

// opj_decompress's decoding of a file as RGBA rows (through ImageMagick).
std::vector<uint8_t> DecodeWithOpenJPEG(const std::string& file, const TempDir& tmp, bool grey) {
    const std::string out = tmp / (grey ? "o.pgm" : "o.ppm");
    if (iotest::Run("opj_decompress -i '" + file + "' -o '" + out + "'") != 0) return {};
    return DecodeWithConvert(out, tmp / "d");
}

// The COD marker of a code stream: progression order, layers, colour transform, wavelet.
struct TCod {
    int order = -1, layers = -1, mct = -1, transform = -1;
};
TCod FindCod(const std::vector<uint8_t>& f) {
    TCod c;
    for (size_t i = 0; i + 13 < f.size(); ++i)
        if (f[i] == 0xFF && f[i + 1] == 0x52) {
            // Lcod(2) Scod(1) order(1) layers(2) mct(1) levels(1) cbw(1) cbh(1) style(1) transform(1)
            c.order = f[i + 5];
            c.layers = (f[i + 6] << 8) | f[i + 7];
            c.mct = f[i + 8];
            c.transform = f[i + 13];
            break;
        }
    return c;
}

std::vector<uint8_t> StreamBytes(TMemoryStream& ms) {
    auto* p = static_cast<uint8_t*>(ms.Memory());
    return std::vector<uint8_t>(p, p + ms.Size());
}

}  // namespace

TEST(J2000Reader, FilesOfOtherPrograms) {
    struct Case {
        const char* file;
        TIOFormatCode code;
        int bits, samples, tol;
    } cases[] = {
        {"j2k_grey.j2k", ioJ2K, 8, 1, 0},   {"j2k_rgb.jp2", ioJP2, 8, 3, 0}, {"j2k_rlcp.j2k", ioJ2K, 8, 3, 0},
        {"j2k_grey12.j2k", ioJ2K, 12, 1, 1}, {"j2k_sub.j2k", ioJ2K, 8, 3, 3}, {"j2k_im.jp2", ioJP2, 8, 3, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TIEImageIO io;
        io.LoadFromFile(DataDir() + c.file);
        ASSERT_FALSE(io.Aborting);
        EXPECT_EQ(io.Params->FileType, c.code);
        EXPECT_EQ(io.Params->BitsPerSample, c.bits);
        EXPECT_EQ(io.Params->SamplesPerPixel, c.samples);
        EXPECT_EQ(io.IEBitmap()->Width(), 24);
        EXPECT_EQ(io.IEBitmap()->Height(), 16);
        EXPECT_EQ(CountDiffs(*io.IEBitmap(), ReadAll(DataDir() + c.file + ".rgba"), c.tol), 0);

        TIEImageIO hdr;
        hdr.ParamsFromFile(DataDir() + c.file);
        EXPECT_EQ(hdr.Params->FileType, c.code);
        EXPECT_EQ(hdr.Params->Width, 24);
        EXPECT_EQ(hdr.Params->Height, 16);
        EXPECT_EQ(hdr.Params->BitsPerSample, c.bits);
        EXPECT_TRUE(hdr.IEBitmap()->IsEmpty());
        TFileStream fs(DataDir() + c.file, fmOpenRead);
        EXPECT_EQ(FindStreamFormat(fs), c.code);
    }
}

TEST(J2000Reader, RefusesDamagedInput) {
    auto good = ReadAll(DataDir() + "j2k_grey.j2k");
    // SIZ follows SOC: FF4F FF51 Lsiz(2) Rsiz(2) Xsiz(4) Ysiz(4).
    auto huge = good;
    huge[8] = huge[12] = 0x00;
    huge[9] = huge[13] = 0xF0;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"forged size", huge},
        {"cut after the main header", std::vector<uint8_t>(good.begin(), good.begin() + 60)},
        {"signature only", std::vector<uint8_t>(good.begin(), good.begin() + 4)},
        {"no signature", std::vector<uint8_t>(good.begin() + 2, good.end())},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TIEImageIO io;
        io.LoadFromBuffer(c.bytes.data(), static_cast<int64_t>(c.bytes.size()), ioJ2K);
        EXPECT_TRUE(io.Aborting);
        EXPECT_LT(static_cast<int64_t>(io.IEBitmap()->Width()) * io.IEBitmap()->Height(), 100000);
    }
}

TEST(J2000Writer, OpenJPEGReadsOurFiles) {
    if (!HaveOpenJPEGTools() || !HaveConvert()) GTEST_SKIP() << "OpenJPEG tools or ImageMagick missing";
    TempDir tmp;
    TIEBitmap src;
    FillPattern(src, 45, 37);
    struct Case {
        const char* name;
        int colourSpace, order;
        double rate;
        int codOrder, transform, mct;
    } cases[] = {
        {"rgb.jp2", 1, 0, 1.0, 0, 1, 1},   {"rgb.j2k", 1, 1, 1.0, 1, 1, 1}, {"grey.j2k", 0, 0, 1.0, 0, 1, 0},
        {"ycc.jp2", 2, 1, 4.0, 1, 1, 1},   {"lossy.j2k", 1, 1, 0.25, 1, 0, 1}, {"default.j2k", 1, 7, 1.0, 0, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TIEImageIO io;
        io.SetAttachedBitmap(&src);
        io.Params->J2000ColorSpace = static_cast<uint8_t>(c.colourSpace);
        io.Params->J2000ProgressionOrder = static_cast<uint8_t>(c.order);
        io.Params->J2000Rate = c.rate;
        io.SaveToFile(tmp / c.name);
        ASSERT_FALSE(io.Aborting);
        auto f = ReadAll(tmp / c.name);
        TCod cod = FindCod(f);
        EXPECT_EQ(cod.order, c.codOrder);
        EXPECT_EQ(cod.layers, 1);
        EXPECT_EQ(cod.transform, c.transform);
        EXPECT_EQ(cod.mct, c.mct);
        const bool grey = c.colourSpace == 0;
        // OpenJPEG's own dump agrees on the order and the single layer.
        const std::string dump = tmp / "dump.txt";
        ASSERT_EQ(std::system(("opj_dump -i '" + tmp / c.name + "' > '" + dump + "' 2>/dev/null").c_str()), 0);
        auto d = ReadAll(dump);
        const std::string dumped(d.begin(), d.end());
        EXPECT_NE(dumped.find(c.codOrder == 0 ? "prg=0\n" : "prg=0x1\n"), std::string::npos);
        EXPECT_NE(dumped.find("numlayers=1"), std::string::npos);
        auto theirs = DecodeWithOpenJPEG(tmp / c.name, tmp, grey);
        TIEImageIO back;
        back.LoadFromFile(tmp / c.name);
        ASSERT_FALSE(back.Aborting);
        EXPECT_EQ(CountDiffs(*back.IEBitmap(), theirs, 0), 0);
        if (c.rate >= 1 && !grey) EXPECT_EQ(CountDiffs(src, theirs, 0), 0);
        if (c.rate < 1) EXPECT_LE(f.size(), 45u * 37 * 3 / 4 + 400);
        if (grey) {
            int diffs = 0;
            for (int y = 0; y < 37; ++y)
                for (int x = 0; x < 45; ++x) {
                    TRGB p = src.GetPixelRGB(x, y);
                    if (back.IEBitmap()->GetPixelRGB(x, y).r != (21 * p.r + 71 * p.g + 8 * p.b) / 100) ++diffs;
                }
            EXPECT_EQ(diffs, 0);
        }
    }
}

TEST(J2000Writer, SettingsHandedToTheEncoder) {
    TIOParamsVals p(nullptr);
    TJ2000EncodeSettings s;
    p.J2000Rate = 0.25;
    p.J2000ProgressionOrder = 1;
    ASSERT_TRUE(J2000EncodeSettingsFor(p, ieRGB24, 100, 80, s));
    EXPECT_FALSE(s.Reversible);
    EXPECT_DOUBLE_EQ(s.Ratio, 4.0);
    EXPECT_EQ(s.Order, 1);
    EXPECT_TRUE(s.ColourTransform);
    EXPECT_EQ(s.Components, 3);
    p.J2000Rate = 1;
    p.J2000ProgressionOrder = 0;
    ASSERT_TRUE(J2000EncodeSettingsFor(p, ie1g, 5, 300, s));
    EXPECT_TRUE(s.Reversible);
    EXPECT_EQ(s.Ratio, 0);
    EXPECT_EQ(s.Order, 0);
    EXPECT_EQ(s.Components, 1);
    EXPECT_EQ(s.Precision, 1);
    EXPECT_EQ(s.Resolutions, 3);  // 5 -> 2 -> 1
    for (double bad : {0.0, -1.0}) {
        p.J2000Rate = bad;
        EXPECT_FALSE(J2000EncodeSettingsFor(p, ieRGB24, 10, 10, s)) << bad;
    }
    p.J2000Rate = 1;
    p.J2000ColorSpace = 3;
    EXPECT_FALSE(J2000EncodeSettingsFor(p, ieRGB24, 10, 10, s));
}

TEST(J2000Writer, CallersRecordAndFailures) {
    TIEBitmap bw;
    bw.Allocate(20, 10, ie1g);
    bw.Fill(1);
    bw.SetPixel1(3, 4, false);
    TIEImageIO io;
    io.SetAttachedBitmap(&bw);
    TMemoryStream ms;
    io.SaveToStreamJ2K(ms);
    ASSERT_FALSE(io.Aborting);
    // A 1-bit save leaves the record as it was: the next colour save is in colour.
    EXPECT_EQ(io.Params->BitsPerSample, 8);
    EXPECT_EQ(io.Params->J2000ColorSpace, 1);
    ms.SetPosition(0);
    TIEImageIO back;
    back.LoadFromStreamJ2K(ms);
    ASSERT_FALSE(back.Aborting);
    EXPECT_EQ(back.IEBitmap()->PixelFormat(), ie1g);
    EXPECT_TRUE(SameRGB(bw, *back.IEBitmap()));

    TIEBitmap rgb;
    FillPattern(rgb, 8, 8);
    TIEImageIO c;
    c.SetAttachedBitmap(&rgb);
    c.Params->J2000ColorSpace = 3;
    TMemoryStream m1;
    c.SaveToStreamJP2(m1);
    EXPECT_TRUE(c.Aborting);
    // A stream that takes no bytes: the encoder's failure is the save's.
    c.Params->J2000ColorSpace = 1;
    TIEMemStream full(nullptr, 0);
    c.SaveToStreamJP2(full);
    EXPECT_TRUE(c.Aborting);
}

// Chroma planes at half the luma step are Cb and Cr: mid-grey luma and neutral chroma give
// grey 128 in every channel, a red-leaning Cr a red pixel.
TEST(J2000Reader, SubsampledChromaReadsAsYCbCr) {
    if (!HaveOpenJPEGTools()) GTEST_SKIP() << "OpenJPEG tools missing";
    TempDir tmp;
    struct Case {
        uint8_t cr;
        TRGB expect;
    } cases[] = {{128, TRGB{128, 128, 128}}, {200, TRGB{128, 77, 229}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cr);
        std::vector<uint8_t> planes(8 * 8, 128);
        planes.insert(planes.end(), 4 * 4, 128);
        planes.insert(planes.end(), 4 * 4, c.cr);
        WriteAll(tmp / "ycc.raw", planes);
        ASSERT_EQ(iotest::Run("opj_compress -n 2 -i '" + tmp / "ycc.raw" + "' -F 8,8,3,8,u@1x1:2x2:2x2 -o '" +
                              tmp / "ycc.j2k" + "'"),
                  0);
        TIEImageIO io;
        io.LoadFromFile(tmp / "ycc.j2k");
        ASSERT_FALSE(io.Aborting);
        const TRGB p = io.IEBitmap()->GetPixelRGB24(3, 3);
        EXPECT_NEAR(p.r, c.expect.r, 1);
        EXPECT_NEAR(p.g, c.expect.g, 1);
        EXPECT_NEAR(p.b, c.expect.b, 1);
    }
}
