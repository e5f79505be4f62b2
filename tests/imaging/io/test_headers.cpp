// Header-only reads of the formats beside ImageMagick's identify.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "imaging/io/ieimageio.h"
#include "iotest_util.h"

using namespace iotest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new IOStartup);

namespace {

// identify's width, height, depth and resolution of the first frame.
bool Identify(const std::string& file, const TempDir& tmp, int& w, int& h, int& depth, double& dpiX) {
    const std::string out = tmp / "id.txt";
    if (std::system(("identify -format '%w %h %z %x|' '" + file + "' > '" + out + "' 2>/dev/null").c_str()) != 0)
        return false;
    auto v = ReadAll(out);
    return std::sscanf(std::string(v.begin(), v.end()).c_str(), "%d %d %d %lf", &w, &h, &depth, &dpiX) == 4;
}

}  // namespace

TEST(HeaderReads, AgreeWithIdentify) {
    if (iotest::Run("identify -version") != 0) GTEST_SKIP() << "ImageMagick missing";
    TempDir tmp;
    struct Case {
        const char* file;
        bool depth;       // the depth is counted alike (PNM maxima, PCX planes and WBMP are not)
        bool resolution;  // the file stores one (ImageMagick's PCX files hold 0: its default shows)
    } cases[] = {
        {"pnm_p6.ppm", true, false},  {"pnm_16.ppm", true, false},   {"pnm_p4.pbm", true, false},
        {"pcx24.pcx", true, false},    {"netpbm8.pcx", true, true},   {"tga32.tga", true, false},
        {"tgagrey.tga", true, false}, {"ico_nb4.ico", true, false},  {"ico_nb8.ico", true, false},
        {"j2k_grey12.j2k", true, false}, {"j2k_rgb.jp2", true, false}, {"dcx3.dcx", true, false},
        {"pnm.wbmp", false, false},   {"netpbm24.pcx", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        int w = 0, h = 0, depth = 0;
        double dpi = 0;
        ASSERT_TRUE(Identify(DataDir() + c.file, tmp, w, h, depth, dpi));
        TIEImageIO io;
        TFileStream fs(DataDir() + c.file, fmOpenRead);
        const std::string name = c.file;
        const TIOFormatCode code = name.size() > 5 && name.substr(name.size() - 5) == ".wbmp" ? ioWBMP : FindStreamFormat(fs);
        io.ParamsFromStreamFormat(fs, code);
        ASSERT_NE(io.Params->FileType, 0);
        EXPECT_EQ(io.Params->Width, w);
        EXPECT_EQ(io.Params->Height, h);
        if (c.depth) EXPECT_EQ(io.Params->BitsPerSample, depth);
        if (c.resolution) EXPECT_EQ(io.Params->DpiX, static_cast<int>(dpi));
    }
}
