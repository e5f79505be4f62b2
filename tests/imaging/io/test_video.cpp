// Frames of video files: clips made here with ffmpeg (25 fps, each frame one flat
// colour coding its index) against ffmpeg's own extraction and ffprobe's count.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/iedirectshow.h"
#include "imaging/io/ieimageio.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"
#include "platform/win/winuser.h"
#include "tests/imaging/io/iotest_util.h"

namespace {

using iotest::TempDir;

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        IEIOStartup();
    }
    void TearDown() override {
        IEIOShutdown();
        TestHooks::Stop();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

constexpr int W = 64, H = 48, N = 60;

std::string Output(const std::string& Cmd) {
    std::string out;
    if (FILE* p = popen(Cmd.c_str(), "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    return out;
}

struct TClip {
    const char* Name;
    const char* Args;  // ffmpeg's output options
    int Tol;           // 0: lossless
};
const TClip Clips[] = {
    {"lossless.avi", "-c:v ffv1 -pix_fmt bgr0", 0},
    {"h264.mp4", "-c:v libx264 -pix_fmt yuv420p -g 12", 6},
    {"program.mpg", "-c:v mpeg2video -q:v 2 -g 12 -f vob", 6},
};

class Clips_ : public ::testing::Test {
protected:
    static TempDir* Dir;
    static void SetUpTestSuite() {
        Dir = new TempDir;
        std::vector<uint8_t> raw;
        for (int i = 0; i < N; ++i)
            for (int p = 0; p < W * H; ++p) {
                raw.push_back(static_cast<uint8_t>(i * 37 % 256));
                raw.push_back(static_cast<uint8_t>((i * 91 + 40) % 256));
                raw.push_back(static_cast<uint8_t>((255 - i * 13) % 256));
            }
        iotest::WriteAll(*Dir / "frames.rgb", raw);
        for (const TClip& c : Clips)
            ASSERT_EQ(iotest::Run("ffmpeg -y -f rawvideo -pix_fmt rgb24 -s 64x48 -r 25 -i '" + *Dir / "frames.rgb" +
                                  "' " + c.Args + " '" + *Dir / c.Name + "'"),
                      0)
                << c.Name;
    }
    static void TearDownTestSuite() { delete Dir; }
    static std::string Path(const TClip& C) { return *Dir / C.Name; }
};
TempDir* Clips_::Dir = nullptr;

// ffmpeg's decoding of frame Index as bottom-up-free BGR rows, top row first.
std::vector<uint8_t> FfmpegFrame(const std::string& File, int Index, const std::string& Tmp) {
    const std::string out = Tmp + ".bgr";
    std::remove(out.c_str());
    if (iotest::Run("ffmpeg -y -i '" + File + "' -vf 'select=eq(n\\," + std::to_string(Index) +
                    ")' -vsync 0 -frames:v 1 -f rawvideo -pix_fmt bgr24 '" + out + "'") != 0)
        return {};
    return iotest::ReadAll(out);
}

TEST_F(Clips_, OpenVideoFileCountsWhatFfprobeCounts) {
    for (const TClip& c : Clips) {
        SCOPED_TRACE(c.Name);
        const int counted = std::stoi(Output("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                                             "stream=nb_read_frames -of csv=p=0 '" +
                                             Path(c) + "'"));
        TIEImageIO io;
        EXPECT_EQ(io.OpenVideoFile(Path(c)), counted);
        EXPECT_FALSE(io.Aborting);
        EXPECT_TRUE(io.IsVideoFileOpen());
        EXPECT_EQ(io.Params->MediaFileFrameCount, counted);
        EXPECT_EQ(io.Params->MediaFileFrameDelay, 4);
        EXPECT_EQ(io.Params->Width, W);
        EXPECT_EQ(io.Params->Height, H);
        EXPECT_EQ(io.Params->FileName, Path(c));
        io.CloseVideoFile();
        EXPECT_FALSE(io.IsVideoFileOpen());
    }
}

TEST_F(Clips_, LoadVideoFrameGivesFfmpegsFrame) {
    for (const TClip& c : Clips) {
        SCOPED_TRACE(c.Name);
        TIEImageIO io;
        ASSERT_GT(io.OpenVideoFile(Path(c)), 0);
        for (int index : {0, 1, 13, 30, 29, 59, 5}) {
            SCOPED_TRACE(index);
            io.LoadVideoFrame(index);
            EXPECT_EQ(io.Params->MediaFileFrameDelay, 4);
            EXPECT_EQ(io.Params->ImageIndex, index);
            TIEBitmap* b = io.IEBitmap();
            ASSERT_EQ(b->PixelFormat(), ieRGB24);
            ASSERT_EQ(b->Width(), W);
            ASSERT_EQ(b->Height(), H);
            const std::vector<uint8_t> ref = FfmpegFrame(Path(c), index, *Dir / "ref");
            ASSERT_EQ(ref.size(), size_t(W * H * 3));
            int worst = 0;
            for (int y = 0; y < H; ++y) {
                const uint8_t* row = b->Scanline(y);
                for (int x = 0; x < W * 3; ++x) worst = std::max(worst, std::abs(row[x] - ref[(y * W) * 3 + x]));
            }
            EXPECT_LE(worst, c.Tol);
            // The index is recoverable from the colour, so a neighbour frame never passes.
            const TRGB p = b->GetPixelRGB(W / 2, H / 2);
            EXPECT_NEAR(p.r, index * 37 % 256, 8);
            EXPECT_NEAR(p.g, (index * 91 + 40) % 256, 8);
        }
    }
}

TEST_F(Clips_, FailuresAndClosedFiles) {
    TIEImageIO io;
    io.IEBitmap()->Allocate(5, 5, ieRGB24);
    io.LoadVideoFrame(3);  // nothing open: nothing changes
    EXPECT_EQ(io.IEBitmap()->Width(), 5);
    EXPECT_EQ(io.Params->ImageIndex, 0);
    // Not a video: no duration, the abort flag, and the graph kept until closed.
    iotest::WriteAll(*Dir / "not.avi", std::vector<uint8_t>(1000, 7));
    EXPECT_EQ(io.OpenVideoFile(*Dir / "not.avi"), 0);
    EXPECT_TRUE(io.Aborting);
    EXPECT_TRUE(io.IsVideoFileOpen());
    io.LoadVideoFrame(0);
    EXPECT_EQ(io.IEBitmap()->Width(), 5);
    io.CloseVideoFile();
    EXPECT_EQ(io.OpenVideoFile(*Dir / "missing.mp4"), 0);
    EXPECT_TRUE(io.Aborting);
}

TEST_F(Clips_, AGraphWithANotifyWindowPostsOneMessagePerFrame) {
    auto* F = new TForm(Application);
    HWND w = F->Handle();
    MSG m;
    while (PeekMessageW(&m, w, 8025, 8026, PM_REMOVE)) {
    }
    TIEDirectShow ds;
    ds.FileInput = Path(Clips[1]);
    ds.EnableSampleGrabber = true;
    ds.SetNotifyWindow(w, 8025, 8026);
    ds.BuildGraph();
    ASSERT_TRUE(ds.HasGraph());
    ds.Pause();
    ds.SetTimeFormat(1);
    EXPECT_EQ(ds.GetDuration(), N);
    for (int64_t f : {3, 9, 40}) ds.SeekTo(f);
    int frames = 0;
    while (PeekMessageW(&m, w, 8025, 8025, PM_REMOVE)) {
        EXPECT_EQ(m.lParam, reinterpret_cast<LPARAM>(&ds));
        ++frames;
    }
    EXPECT_EQ(frames, 4) << "the paused graph's first frame and three seeks";
    TIEBitmap b;
    ds.GrabFrame(&b);
    EXPECT_NEAR(b.GetPixelRGB(1, 1).r, 40 * 37 % 256, 8);
    ds.Disconnect();
    EXPECT_FALSE(ds.HasGraph());
    F->Free();
    TestHooks::PumpPending();
}

}  // namespace
