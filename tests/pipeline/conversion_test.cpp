#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/globals.h"
#include "pipeline/conversion.h"

namespace fs = std::filesystem;

namespace {

class Conversion : public ::testing::Test {
protected:
    void SetUp() override {
        saved = Options;
        savedProfile = ProfileDir;
        dir = fs::temp_directory_path() / ("conversion " + std::to_string(::getpid()));
        fs::create_directories(dir / "profile");
        Options.TempDir = dir.string() + "/";
        Options.ConverterFile = "/app/moxilon.dll";
        Options.VideoFormat = 0;
        Options.Quality = 6400;
        Options.VideoAspect = 0;
        Options.UseDirectShow = false;
        ProfileDir = (dir / "profile").string() + "/";
        AvsExtList = std::make_unique<TStringList>();
    }
    void TearDown() override {
        Options = saved;
        ProfileDir = savedProfile;
        AvsExtList.reset();
        fs::remove_all(dir);
    }
    std::string Read(const std::string& name) {
        std::ifstream in(dir / name, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    TOptions saved;
    std::string savedProfile;
    fs::path dir;
};

TEST_F(Conversion, BatchLinesByteForByte) {
    const std::string T = Options.TempDir;
    Options.CurrentSource = "/v/my clip.avi";
    Options.OutputNumber = 0;
    WriteConvertBatch();
    EXPECT_EQ(Read("~convert.bat"),
              "\"/app/moxilon.dll\" -p 4702385 -i \"/v/my clip.avi\" -target pal-dvd -b 6400k -aspect 4:3  \"" + T +
                  "0.mpg\"\r\n"
                  "\"/app/moxilon.dll\" -p 4702385 -i \"/v/my clip.avi\"  -y -f image2 -ss 01.000 -t 0.001 -s 150x114  \"" +
                  T + "0.jpg\"\r\n");

    struct {
        int format, aspect;
        const char* options;
    } cases[] = {{1, 1, "-target ntsc-dvd -b 6400k -aspect 16:9 "},
                 {0, 1, "-target pal-dvd -b 6400k -aspect 16:9 "},
                 {2, 5, "-b 6400k "}};
    for (const auto& c : cases) {
        Options.VideoFormat = static_cast<uint8_t>(c.format);
        Options.VideoAspect = static_cast<uint8_t>(c.aspect);
        EXPECT_EQ(ConverterOptions(), c.options);
    }
}

TEST_F(Conversion, DirectShowScriptByExtensionOrSwitch) {
    std::ofstream(dir / "profile" / "DirectShow.avs", std::ios::binary)
        << "# made for <%INPUTFILE%>\nDirectShowSource(\"<%InputFile%>\")\n";
    AvsExtList->Add(".wmv");
    struct {
        const char* source;
        bool useDirectShow;
        bool script;
    } cases[] = {{"/v/a.wmv", false, true}, {"/v/a.WMV", false, false}, {"/v/a.avi", false, false}, {"/v/a.avi", true, true}};
    for (const auto& c : cases) {
        Options.UseDirectShow = c.useDirectShow;
        EXPECT_EQ(UsesDirectShowScript(c.source), c.script) << c.source;
    }
    Options.UseDirectShow = false;
    Options.CurrentSource = "/v/a b.wmv";
    Options.OutputNumber = 3;
    WriteConvertBatch();
    EXPECT_EQ(Read("DirectShow.avs"), "# made for /v/a b.wmv\r\nDirectShowSource(\"/v/a b.wmv\")\r\n");
    EXPECT_NE(Read("~convert.bat").find("-i \"" + Options.TempDir + "DirectShow.avs\" "), std::string::npos);
    DeleteConvertFiles();
    EXPECT_FALSE(fs::exists(dir / "DirectShow.avs"));
    EXPECT_FALSE(fs::exists(dir / "~convert.bat"));

    fs::remove(dir / "profile" / "DirectShow.avs");
    EXPECT_THROW(WriteConvertBatch(), EFOpenError);
}

TEST_F(Conversion, OutputLinesDriveTheRunState) {
    Options.CurrentSource = "/v/x.avs.mp4";
    Options.DurationMs = 0;
    Options.PositionMs = 0;
    Options.FileBytes = 1000;
    Options.BatchDoneBytes = 1000;
    Options.BatchBytes = 4000;
    Options.BatchStartTime = 10.0;
    Options.FileStartTime = 10.0;
    Options.FileFailed = false;

    ParseConverterLine("Input #0, avi, from '/v/clip.avi':", "", 10.0);
    EXPECT_EQ(Options.InputName, "/v/clip.avi");
    ParseConverterLine("Input #0, avs, from '/t/DirectShow.avs':", "", 10.0);
    EXPECT_EQ(Options.InputName, Options.CurrentSource);
    ParseConverterLine("  Duration: N/A, start: 0", "", 10.0);
    EXPECT_EQ(Options.DurationMs, 0);
    auto r = ParseConverterLine("  Duration: 00:01:00.00, start: 0.000000, bitrate: 123 kb/s", "", 10.0);
    EXPECT_EQ(Options.DurationMs, 60000);
    EXPECT_FALSE(r.Progress);

    const double day = 1.0 / 86400;
    r = ParseConverterLine("frame=  750 fps=25 q=2.0 size=  1024kB time=00:00:30.00 bitrate=6400kbits/s", "",
                           10.0 + 20 * day);
    EXPECT_EQ(Options.PositionMs, 30000);
    EXPECT_TRUE(r.Progress);
    EXPECT_EQ(Options.FilePercent, 50);
    EXPECT_NEAR(r.FileRemaining, 20 * day, 1e-9);
    EXPECT_TRUE(r.BatchProgress);
    EXPECT_EQ(Options.BatchProgressBytes, 1500);
    EXPECT_EQ(Options.BatchPercent, 38);  // 37.5 rounds half to even
    EXPECT_NEAR(r.BatchEstimated, 4000 * 20 * day / 1500, 1e-9);

    ParseConverterLine("frame= 1 time=45.5 bitrate=1", "", 10.0 + 30 * day);
    EXPECT_EQ(Options.PositionMs, 45500);
    ParseConverterLine("frame= 1 time=N/A bitrate=1", "", 10.0 + 30 * day);
    EXPECT_EQ(Options.PositionMs, 45500);
    ParseConverterLine("frame= 1 time=99:00:00.00 bitrate=1", "", 10.0 + 30 * day);
    EXPECT_EQ(Options.FilePercent, 100);

    EXPECT_FALSE(Options.FileFailed);
    r = ParseConverterLine("Error while opening encoder for output stream #0:0", "", 10.0);
    EXPECT_TRUE(r.Error);
    EXPECT_TRUE(Options.FileFailed);
}

}  // namespace

namespace {
TEST_F(Conversion, AFileWithoutItsProgramStreamFailed) {
    Options.OutputNumber = 3;
    const std::string Out = Options.TempDir + "3.mpg";
    struct Case {
        const char* Name;
        int Bytes;  // -1: no file
        bool Missing;
    } Cases[] = {{"no output", -1, true}, {"empty output", 0, true}, {"a stream", 2048, false}};
    for (const auto& C : Cases) {
        std::remove(Out.c_str());
        if (C.Bytes >= 0) std::ofstream(Out, std::ios::binary) << std::string(C.Bytes, 'x');
        EXPECT_EQ(ConvertedFileMissing(), C.Missing) << C.Name;
    }
    std::remove(Out.c_str());
}
}  // namespace
