// The thumbnail grid's loading: 200 pictures of five formats made by ImageMagick,
// read in the background by at most ThreadPoolSize readers while the grid is paged
// through; a stress run of clearing, deleting, inserting, scrolling and destroying
// while reads run; the keep range after a paint.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <unistd.h>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iesupport.h"
#include "imaging/io/ieformats.h"
#include "imaging/views/iemultiview.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"
#include "imaging/views/imageview_fixture.h"

namespace fs = std::filesystem;

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new viewtest::Env);

constexpr int Count = 200;
const char* const Exts[] = {".jpg", ".png", ".gif", ".bmp", ".tif"};

// Colour and size encode the index; every 23rd file is cut after its first bytes.
int R(int I) { return (I * 53 + 20) % 256; }
int G(int I) { return (I * 97 + 40) % 256; }
int B(int I) { return (I * 151 + 60) % 256; }
int Wid(int I) { return 24 + (I * 37) % 170; }
int Hei(int I) { return 18 + (I * 61) % 150; }
bool Cut(int I) { return I % 23 == 7; }

// The pictures, made once for the whole program by one ImageMagick run.
const fs::path& Pictures() {
    static fs::path Dir;
    if (!Dir.empty()) return Dir;
    Dir = fs::temp_directory_path() / ("multiview_load_" + std::to_string(::getpid()));
    fs::remove_all(Dir);
    fs::create_directories(Dir);
    std::string Cmd = "convert";
    for (int I = 0; I < Count; ++I) {
        char Colour[16];
        std::snprintf(Colour, sizeof Colour, "#%02x%02x%02x", R(I), G(I), B(I));
        const std::string Out = "'" + (Dir / (std::to_string(I) + Exts[I % 5])).string() + "'";
        Cmd += " -size " + std::to_string(Wid(I)) + "x" + std::to_string(Hei(I)) + " xc:'" + Colour + "'" +
               // Quantised to a few colours, a GIF is written at once.
               (I % 5 == 2 ? " +dither -colors 4" : "") + (I + 1 < Count ? " -write " + Out + " +delete" : " " + Out);
    }
    EXPECT_EQ(std::system(Cmd.c_str()), 0) << "ImageMagick's convert";
    for (int I = 0; I < Count; ++I)
        if (Cut(I)) fs::resize_file(Dir / (std::to_string(I) + Exts[I % 5]), 24);
    std::atexit([] { fs::remove_all(Dir); });
    return Dir;
}

int IndexOf(const std::string& FileName) { return std::atoi(fs::path(FileName).stem().string().c_str()); }

class MultiViewLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        Form = new TForm(Application);
        Form->SetBounds(50, 50, 420, 330);
        View = new TIEMultiView(Form);
        View->SetParent(Form);
        View->SetBounds(0, 0, 400, 300);
        View->StoreType = ietThumb;
        View->ThumbWidth = View->ThumbHeight = 60;
        View->GridWidth = -1;
        View->ThreadPoolSize = 5;
        View->OnAllDisplayed = [this](TObject*) { ++AllShown; };
    }
    void TearDown() override {
        if (Form) Form->Free();
        TestHooks::PumpPending();
    }
    void Show() {
        Form->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 5000, "the grid"));
    }
    // Every visible cell holds an image (read, or the placeholder), or its thumbnail as
    // drawn before (an image the keep range dropped is drawn from there).
    bool VisibleStored() {
        for (int I = 0; I < View->GetImageCount(); ++I)
            if (View->IsImageVisible(I) && !View->IsImageStored(I) && !View->IsImageCached(I)) return false;
        return true;
    }
    bool WaitVisible() {
        return bool(TestHooks::PumpUntil(
            [&] {
                Peak = std::max(Peak, View->TakePeakRunningLoads());
                return VisibleStored();
            },
            60000, "the visible thumbnails"));
    }
    // Image I shows its own file: its colour and the size scaled to the cell, or the
    // placeholder for a cut file.
    void ExpectOwnPicture(int I) {
        const int N = IndexOf(View->ImageFileName(I));
        SCOPED_TRACE(testing::Message() << "image " << I << " file " << N);
        TIEBitmap* Bmp = View->GetImageBitmap(I);
        ASSERT_NE(Bmp, nullptr);
        if (Cut(N)) {
            EXPECT_EQ(Bmp->Width(), 60);
            EXPECT_EQ(Bmp->Height(), 60);
            TRGB Corner = Bmp->GetPixelRGB24(1, 1);
            EXPECT_TRUE(Corner.r == 255 && Corner.g == 255 && Corner.b == 255);
            return;
        }
        // Scaled from what was decoded (a JPEG at a reduced scale): within a pixel.
        int32_t TW, TH;
        ScaleToFit(Wid(N), Hei(N), 60, 60, TW, TH);
        EXPECT_NEAR(Bmp->Width(), TW, 1);
        EXPECT_NEAR(Bmp->Height(), TH, 1);
        EXPECT_EQ(View->ImageSourceWidth(I), Wid(N));
        EXPECT_EQ(View->ImageSourceHeight(I), Hei(N));
        ASSERT_EQ(Bmp->PixelFormat(), ieRGB24);
        TRGB P = Bmp->GetPixelRGB24(Bmp->Width() / 2, Bmp->Height() / 2);
        EXPECT_NEAR(P.r, R(N), 12);
        EXPECT_NEAR(P.g, G(N), 12);
        EXPECT_NEAR(P.b, B(N), 12);
    }
    TForm* Form = nullptr;
    TIEMultiView* View = nullptr;
    int AllShown = 0;
    int32_t Peak = 0;
};

// Paged through: each page's cells end with their own pictures or the placeholder,
// never more than five readers at once, and the pool is used to the full.
TEST_F(MultiViewLoadTest, PagedThroughEveryCellShowsItsOwnFile) {
    View->FillFromDirectory(Pictures().string());
    ASSERT_EQ(View->GetImageCount(), Count);
    View->DeselectAll();
    Show();
    int32_t MX, MY;
    View->GetMaxViewXY(MX, MY);
    ASSERT_GT(MY, 0);
    int Checked = 0;
    for (int32_t Y = 0;; Y = std::min(Y + View->ClientHeight(), MY)) {
        SCOPED_TRACE(Y);
        View->SetViewY(Y);
        ASSERT_TRUE(WaitVisible());
        for (int I = 0; I < Count; ++I)
            if (View->GetImageVisibility(I) == 2) {
                ExpectOwnPicture(I);
                ++Checked;
            }
        if (Y == MY) break;
    }
    EXPECT_GE(Checked, Count - 30);
    EXPECT_LE(Peak, 5);
    EXPECT_EQ(Peak, 5);
}

// Clearing, deleting, inserting, scrolling and bursts of requests while reads run;
// then the view is destroyed with reads still running. The images left show their
// own files, so no read landed on a renumbered entry.
TEST_F(MultiViewLoadTest, StressWhileReadsRun) {
    std::mt19937 Rnd(7);
    Show();
    for (int Round = 0; Round < 3; ++Round) {
        SCOPED_TRACE(Round);
        View->FillFromDirectory(Pictures().string());
        View->DeselectAll();
        TestHooks::PumpPending();
        for (int Step = 0; Step < 12; ++Step) {
            int32_t MX, MY;
            View->GetMaxViewXY(MX, MY);
            View->SetViewY(static_cast<int32_t>(Rnd() % (MY + 1)));
            for (int K = 0; K < 20; ++K) View->RequestLoad(static_cast<int32_t>(Rnd() % View->GetImageCount()));
            View->Update();
            View->DeleteImage(static_cast<int32_t>(Rnd() % View->GetImageCount()));
            if (Step % 3 == 0) {
                // A new image that names a file of the folder.
                const int32_t At = static_cast<int32_t>(Rnd() % View->GetImageCount());
                const int N = static_cast<int>(Rnd() % Count);
                View->InsertImage(At);
                View->SetImageFileName(At, (Pictures() / (std::to_string(N) + Exts[N % 5])).string());
            }
            TestHooks::PumpPending();
        }
        ASSERT_TRUE(WaitVisible());
        for (int I = 0; I < View->GetImageCount(); ++I)
            if (View->GetImageVisibility(I) == 2 && View->IsImageStored(I)) ExpectOwnPicture(I);
        View->Clear();
        EXPECT_EQ(View->GetImageCount(), 0);
        EXPECT_EQ(View->QueuedLoadCount(), 0);
    }
    EXPECT_LE(Peak, 5);
    // Destroyed while its reads run.
    View->FillFromDirectory(Pictures().string());
    View->DeselectAll();
    View->Update();
    // The paint queued the visible images; the pool takes five of them at a time.
    EXPECT_GT(View->QueuedLoadCount() + View->RunningLoadCount(), 5);
    Form->Free();
    Form = nullptr;
}

// 100 images, 40 to 49 visible: after the paint only 25 to 64 keep their stored
// images; a lent bitmap (the selected image's) stays wherever it lies.
TEST_F(MultiViewLoadTest, KeepRangeAroundTheVisibleCells) {
    const std::string File = (Pictures() / "0.jpg").string();
    View->ThreadPoolSize = 0;
    View->GridWidth = 10;
    View->SetScrollBars(ssNone);
    for (int I = 0; I < 100; ++I) {
        View->InsertImage(I);
        View->SetImageFileName(I, File);
    }
    Show();
    // One row of cells in view.
    View->SetBounds(0, 0, 10 * 64 + 4, 64 + 4);
    for (int I = 0; I < 100; ++I) ASSERT_TRUE(View->LoadImageNow(I));
    View->SetSelectedImage(2);
    TIEBitmap* Lent = View->GetIEBitmap();
    ASSERT_NE(Lent, nullptr);
    View->SetViewY(4 * 64);
    View->Update();
    TestHooks::PumpPending();
    for (int I = 0; I < 100; ++I) {
        EXPECT_EQ(View->IsImageVisible(I), I >= 40 && I <= 49) << I;
        EXPECT_EQ(View->IsImageStored(I), (I >= 25 && I <= 64) || I == 2) << I;
    }
    EXPECT_EQ(View->GetIEBitmap(), Lent);
}

// A background read and a read on the calling thread make the same thumbnail, for a
// two-colour picture as for a grey and a colour one.
TEST_F(MultiViewLoadTest, BothPathsMakeTheSameThumbnails) {
    const fs::path Dir = Pictures() / "formats";
    fs::create_directories(Dir);
    ASSERT_EQ(std::system(("convert -size 97x41 pattern:checkerboard -monochrome '" + (Dir / "0.bmp").string() +
                           "' && convert -size 33x80 gradient: -colorspace Gray '" + (Dir / "1.png").string() +
                           "' && convert -size 120x90 plasma:fractal '" + (Dir / "2.tif").string() + "'")
                              .c_str()),
              0);
    View->FillFromDirectory(Dir.string());
    View->DeselectAll();
    Show();
    ASSERT_TRUE(WaitVisible());
    auto* Now = new TIEMultiView(Form);
    Now->StoreType = ietThumb;
    Now->ThumbWidth = Now->ThumbHeight = 60;
    Now->FillFromDirectory(Dir.string());
    for (int I = 0; I < 3; ++I) {
        SCOPED_TRACE(I);
        ASSERT_TRUE(View->IsImageStored(I));
        ASSERT_TRUE(Now->LoadImageNow(I));
        TIEBitmap* A = View->GetImageBitmap(I);
        TIEBitmap* B = Now->GetImageBitmap(I);
        ASSERT_EQ(A->Width(), B->Width());
        ASSERT_EQ(A->Height(), B->Height());
        ASSERT_EQ(A->PixelFormat(), B->PixelFormat());
        const size_t Bytes = (static_cast<size_t>(A->Width()) * A->BitCount() + 7) / 8;
        int Diff = 0;
        for (int Y = 0; Y < A->Height(); ++Y)
            Diff += std::memcmp(A->GetScanline(Y), B->GetScanline(Y), Bytes) != 0;
        EXPECT_EQ(Diff, 0) << "rows differ";
    }
}

// A name "file::N" shows frame N of a multi-frame file, read on the calling thread with
// the frame's delay; a missing or bad number means frame 0.
TEST_F(MultiViewLoadTest, AFrameNamedWithTwoColonsIsTheOneShown) {
    const fs::path Dir = Pictures() / "frames";
    fs::create_directories(Dir);
    const std::string Gif = (Dir / "three.gif").string();
    ASSERT_EQ(std::system(("convert -dispose none -delay 10 -size 40x30 xc:'#ff0000' -delay 25 xc:'#00ff00'"
                           " -delay 40 xc:'#0000ff' '" + Gif + "'")
                              .c_str()),
              0);
    const struct {
        const char* Suffix;
        uint32_t Colour;  // on the screen, red in the high byte
        int32_t Delay;
    } Cases[] = {{"::2", 0x0000FF, 400}, {"::0", 0xFF0000, 100}, {"::1", 0x00FF00, 250}, {"::x", 0xFF0000, 100},
                 {"::", 0xFF0000, 100}};
    View->SetScrollBars(ssNone);
    const int N = static_cast<int>(std::size(Cases));
    for (int I = 0; I < N; ++I) {
        View->InsertImage(I);
        View->SetImageFileName(I, Gif + Cases[I].Suffix);
        EXPECT_FALSE(View->RequestLoad(I)) << "a frame is never queued";
    }
    View->DeselectAll();
    Show();
    ASSERT_TRUE(WaitVisible());
    for (int I = 0; I < N; ++I) {
        SCOPED_TRACE(Cases[I].Suffix);
        EXPECT_EQ(View->ImageDelayTime(I), Cases[I].Delay);
        EXPECT_EQ(View->ImageSourceWidth(I), 40);
        const TRect R = View->ThumbRect(I);
        EXPECT_EQ(viewtest::ScreenPixel(View, (R.left + R.right) / 2, (R.top + R.bottom) / 2), Cases[I].Colour);
    }
}

}  // namespace
