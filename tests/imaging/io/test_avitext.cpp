// AVI frames through the Video for Windows route, and the image as program text.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"
#include "tests/imaging/io/iotest_util.h"

namespace {

using iotest::TempDir;

class Env : public ::testing::Environment {
public:
    void SetUp() override { IEIOStartup(); }
    void TearDown() override { IEIOShutdown(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

constexpr int W = 40, H = 30, N = 20;

struct Clips {
    TempDir Dir;
    std::string Avi, Mp4AsAvi;
    Clips() {
        std::vector<uint8_t> raw;
        for (int i = 0; i < N; ++i)
            for (int p = 0; p < W * H; ++p) {
                raw.push_back(static_cast<uint8_t>(i * 37 % 256));
                raw.push_back(static_cast<uint8_t>((p % W) * 6));
                raw.push_back(static_cast<uint8_t>(200 - i * 5));
            }
        iotest::WriteAll(Dir / "f.rgb", raw);
        Avi = Dir / "clip.avi";
        Mp4AsAvi = Dir / "mp4.avi";
        const std::string in = "ffmpeg -y -f rawvideo -pix_fmt rgb24 -s 40x30 -r 25 -i '" + Dir / "f.rgb" + "' ";
        EXPECT_EQ(iotest::Run(in + "-c:v ffv1 -pix_fmt bgr0 '" + Avi + "'"), 0);
        EXPECT_EQ(iotest::Run(in + "-c:v libx264 -f mp4 '" + Mp4AsAvi + "'"), 0);
    }
};

TEST(AVIFrames, SameFramesAsTheVideoRouteWithTheirDelay) {
    Clips c;
    TIEImageIO avi, video;
    int finished = 0;
    avi.OnFinishWork = [&](TObject*) { ++finished; };
    ASSERT_EQ(avi.OpenAVIFile(c.Avi), N);
    EXPECT_FALSE(avi.Aborting);
    EXPECT_EQ(avi.Params->AVIFrameCount, N);
    ASSERT_EQ(video.OpenVideoFile(c.Avi), N);
    for (int i : {0, 7, 19, 3}) {
        SCOPED_TRACE(i);
        avi.LoadFromAVI(i);
        video.LoadVideoFrame(i);
        EXPECT_FALSE(avi.Aborting);
        EXPECT_EQ(avi.Params->AVIFrameDelay, 40);
        EXPECT_EQ(avi.Params->BitsPerSample, 8);
        EXPECT_EQ(avi.Params->SamplesPerPixel, 3);
        TIEBitmap* a = avi.IEBitmap();
        TIEBitmap* v = video.IEBitmap();
        ASSERT_EQ(a->Width(), W);
        ASSERT_EQ(a->Height(), H);
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const TRGB p = a->GetPixelRGB(x, y), q = v->GetPixelRGB(x, y);
                ASSERT_TRUE(p.r == q.r && p.g == q.g && p.b == q.b) << x << "," << y;
            }
        EXPECT_EQ(a->GetPixelRGB(5, 5).r, i * 37 % 256);
    }
    EXPECT_EQ(finished, 4);

    // Past the end: nothing changes, the finish still comes, and it is a failure.
    avi.IEBitmap()->Allocate(3, 3, ieRGB24);
    avi.LoadFromAVI(N);
    EXPECT_EQ(avi.IEBitmap()->Width(), 3);
    EXPECT_EQ(finished, 5);
    EXPECT_TRUE(avi.Aborting);
    avi.CloseAVIFile();
    EXPECT_FALSE(avi.IsAVIFileOpen());
    avi.LoadFromAVI(0);
    EXPECT_EQ(finished, 6);
    EXPECT_TRUE(avi.Aborting);
}

TEST(AVIFrames, LoadFromFileReadsTheIndexedFrameAndRefusesOtherContainers) {
    Clips c;
    TIEImageIO io;
    int finished = 0;
    io.OnFinishWork = [&](TObject*) { ++finished; };
    io.Params->SetImageIndex(11);
    io.LoadFromFile(c.Avi);
    EXPECT_FALSE(io.Aborting);
    EXPECT_EQ(io.Params->FileType, ioAVI);
    EXPECT_EQ(io.IEBitmap()->GetPixelRGB(1, 1).r, 11 * 37 % 256);
    EXPECT_FALSE(io.IsAVIFileOpen());
    EXPECT_EQ(finished, 1);

    EXPECT_EQ(io.OpenAVIFile(c.Mp4AsAvi), 0);
    EXPECT_TRUE(io.Aborting);
    EXPECT_FALSE(io.IsAVIFileOpen());
    io.IEBitmap()->Allocate(2, 2, ieRGB24);
    io.LoadFromFile(c.Mp4AsAvi);
    EXPECT_TRUE(io.Aborting) << "an MP4 named .avi is no AVI";
    EXPECT_EQ(io.IEBitmap()->Width(), 2);
    EXPECT_EQ(io.OpenAVIFile(c.Dir / "missing.avi"), 0);
    EXPECT_TRUE(io.Aborting);
}

std::vector<std::string> Lines(const std::string& File) {
    std::ifstream f(File);
    std::vector<std::string> v;
    for (std::string l; std::getline(f, l);) v.push_back(l);
    return v;
}

// A noisy picture, so its PNG holds a few hundred bytes.
void Picture(TIEImageIO& io) {
    io.IEBitmap()->Allocate(24, 16, ieRGB24);
    uint32_t s = 7;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x) {
            s = s * 1664525u + 1013904223u;
            io.IEBitmap()->SetPixelRGB24(x, y, TRGB{uint8_t(s >> 24), uint8_t(s >> 16), uint8_t(s >> 8)});
        }
}

TEST(SaveToText, ByteArraysCompileAndHoldTheSavedImage) {
    TempDir d;
    TIEImageIO io;
    Picture(io);
    TMemoryStream png;
    io.SaveToStream(png, ioPNG);
    const auto* bytes = static_cast<const uint8_t*>(png.Memory());
    const std::vector<uint8_t> want(bytes, bytes + png.Size());
    ASSERT_GT(want.size(), 40u);

    // C: included in an array initializer.
    const std::string c = d / "pic.c-data.txt";
    io.SaveToText(c, ioPNG, 1);
    EXPECT_EQ(io.Params->FileName, c);
    auto lines = Lines(c);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "// Size=" + std::to_string(want.size()));
    for (size_t i = 1; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 75u) << i;
    const size_t lastC = want.size() - (lines.size() - 2) * 15;
    EXPECT_EQ(lines.back().size(), lastC * 5 - 1);
    std::ofstream(d / "main.c") << "#include <stdio.h>\nstatic const unsigned char data[] = {\n#include \"" << c
                                << "\"\n};\nint main(void) { fwrite(data, 1, sizeof data, stdout); return 0; }\n";
    ASSERT_EQ(iotest::Run("cc -Wall -Werror -o '" + d / "cprog" + "' '" + d / "main.c" + "'"), 0);
    ASSERT_EQ(std::system(("'" + d / "cprog" + "' > '" + d / "c.bin" + "'").c_str()), 0);
    EXPECT_EQ(iotest::ReadAll(d / "c.bin"), want);

    // Pascal: included in a program; the name is the file's, without its folder.
    const std::string pas = d / "my pic.v2.inc";
    io.SaveToText(pas, ioPNG, 0);
    lines = Lines(pas);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(lines[0], "const");
    EXPECT_EQ(lines[1], "  my_pic_v2_inc_Size = " + std::to_string(want.size()) + ";");
    EXPECT_EQ(lines[2], "  my_pic_v2_inc : array [0..my_pic_v2_inc_Size-1] of byte = (");
    for (size_t i = 3; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 76u) << i;
    const size_t lastP = want.size() - (lines.size() - 4) * 18;
    EXPECT_EQ(lines.back().size(), 4 + lastP * 4 - 1 + 2);
    std::ofstream(d / "prog.pas") << "program prog;\n{$I '" << pas << "'}\nvar f: file;\nbegin\n  assign(f, '"
                                  << d / "p.bin"
                                  << "');\n  rewrite(f, 1);\n  blockwrite(f, my_pic_v2_inc, my_pic_v2_inc_Size);\n"
                                     "  close(f);\nend.\n";
    ASSERT_EQ(iotest::Run("cd '" + d.path.string() + "' && fpc -o'" + d / "pprog" + "' prog.pas"), 0);
    ASSERT_EQ(iotest::Run("'" + d / "pprog" + "'"), 0);
    EXPECT_EQ(iotest::ReadAll(d / "p.bin"), want);

    // Base64: decodes back.
    const std::string b64 = d / "pic.b64";
    io.SaveToText(b64, ioPNG, 2);
    for (const std::string& l : Lines(b64)) EXPECT_LE(l.size(), 77u);
    ASSERT_EQ(iotest::Run("python3 -c \"import base64; open('" + d / "b.bin" +
                          "','wb').write(base64.b64decode(open('" + b64 + "','rb').read()))\""),
              0);
    EXPECT_EQ(iotest::ReadAll(d / "b.bin"), want);
}

TEST(SaveToText, CharactersByBrightness) {
    TempDir d;
    TIEImageIO io;
    io.IEBitmap()->Allocate(9, 3, ieRGB24);
    io.IEBitmap()->Fill(0xFFFFFF);
    io.SaveToText(d / "white.txt", ioPNG, 3);
    EXPECT_EQ(Lines(d / "white.txt"), std::vector<std::string>(3, std::string(9, ' ')));

    // One column per grey step: black is "W", white the blank.
    for (int x = 0; x < 9; ++x) {
        const uint8_t g = static_cast<uint8_t>(x * 255 / 8);
        for (int y = 0; y < 3; ++y) io.IEBitmap()->SetPixelRGB24(x, y, TRGB{g, g, g});
    }
    io.SaveToText(d / "ramp.txt", ioPNG, 3);
    auto lines = Lines(d / "ramp.txt");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].front(), 'W');
    EXPECT_EQ(lines[0].back(), ' ');

    io.Params->FileName = "before";
    io.IEBitmap()->Allocate(4, 4, ie8g);
    io.SaveToText(d / "gray.txt", ioPNG, 3);
    EXPECT_TRUE(iotest::ReadAll(d / "gray.txt").empty());
    EXPECT_EQ(io.Params->FileName, "before");
}

}  // namespace
