// The I/O component attached to an image view, a TImage or a caller's bitmap:
// where a load lands, who repaints, resolution, and the messages of workers.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieformats.h"
#include "imaging/io/ieimageio.h"
#include "imaging/views/ieimageview.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"
#include "platform/system/process.h"
#include "platform/win/winuser.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        IEIOStartup();
        IEViewsStartup();
    }
    void TearDown() override {
        IEViewsShutdown();
        IEIOShutdown();
        TestHooks::Stop();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

constexpr int W = 40, H = 30;

TRGB Expected(int X, int Y) { return TRGB{uint8_t(X < W / 2 ? 30 : 200), uint8_t(Y < H / 2 ? 60 : 220), 120}; }

// A 40 x 30 picture of four flat quadrants, written by the component with its resolution.
std::string MakeFile(const std::string& Ext, int DpiX, int DpiY) {
    TIEImageIO IO;
    IO.IEBitmap()->Allocate(W, H, ieRGB24);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) IO.IEBitmap()->SetPixelRGB24(x, y, Expected(x, y));
    IO.Params->SetDpiX(DpiX);
    IO.Params->SetDpiY(DpiY);
    IO.Params->JPEGQuality = 95;
    std::string Path = (std::filesystem::temp_directory_path() /
                        ("ioattach_" + std::to_string(::getpid()) + Ext))
                           .string();
    IO.SaveToFile(Path);
    EXPECT_FALSE(IO.Aborting) << Path;
    return Path;
}

// Pixels of B against the quadrants; Tol covers JPEG's losses, and the points keep
// clear of the edges, where JPEG's halved colour resolution mixes two quadrants.
void ExpectQuadrants(TIEBitmap* B, int Tol) {
    ASSERT_EQ(B->Width(), W);
    ASSERT_EQ(B->Height(), H);
    for (int y : {0, 7, 22, 29})
        for (int x : {0, 9, 30, 39}) {
            TRGB p = B->GetPixelRGB(x, y), e = Expected(x, y);
            EXPECT_NEAR(p.r, e.r, Tol) << x << "," << y;
            EXPECT_NEAR(p.g, e.g, Tol) << x << "," << y;
            EXPECT_NEAR(p.b, e.b, Tol) << x << "," << y;
        }
}

struct TFileCase {
    const char* Ext;
    int DpiX, DpiY, Tol;
};
const TFileCase Files[] = {{".png", 150, 75, 0}, {".jpg", 72, 144, 6}};

struct Shown {
    TForm* F;
    TIEImageView* V;
};

Shown ShowView() {
    auto* F = new TForm(Application);
    F->SetBounds(50, 50, 200, 160);
    auto* V = new TIEImageView(F);
    V->SetParent(F);
    V->SetBounds(0, 0, 120, 100);
    F->Show();
    EXPECT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form"));
    return {F, V};
}

TEST(IOAttach, ViewShowsTheLoadWithItsResolutionAndHearsOfIt) {
    Shown S = ShowView();
    TIEImageView* V = S.V;
    int Changes = 0;
    V->OnImageChange = [&](TObject*) { ++Changes; };
    TIEImageIO* IO = V->IO();
    EXPECT_EQ(IO->AttachedIEView(), static_cast<TIEAttachedView*>(V));
    EXPECT_EQ(IO->IEBitmap(), V->GetIEBitmap());
    EXPECT_FALSE(IO->IEBitmapOwned());
    for (const auto& C : Files) {
        SCOPED_TRACE(C.Ext);
        std::string Path = MakeFile(C.Ext, C.DpiX, C.DpiY);
        const int Before = Changes;
        IO->LoadFromFile(Path);
        std::filesystem::remove(Path);
        EXPECT_FALSE(IO->Aborting);
        ExpectQuadrants(V->GetIEBitmap(), C.Tol);
        EXPECT_EQ(Changes, Before + 1);
        EXPECT_EQ(V->DpiX(), C.DpiX);
        EXPECT_EQ(V->DpiY(), C.DpiY);
    }
    // Update on the GUI thread tells the view once more.
    const int Before = Changes;
    IO->Update();
    EXPECT_EQ(Changes, Before + 1);

    // The view shows another bitmap: the component follows and takes the view's resolution.
    TIEBitmap Other;
    Other.Allocate(5, 4, ieRGB24);
    V->SetDpi(90, 45);
    V->SetExternalBitmap(&Other);
    EXPECT_EQ(IO->IEBitmap(), &Other);
    EXPECT_EQ(IO->Params->DpiX, 90);
    EXPECT_EQ(IO->Params->DpiY, 45);
    V->SetExternalBitmap(nullptr);
    EXPECT_EQ(IO->IEBitmap(), V->GetIEBitmap());

    // A nil caller's bitmap is ignored while the view is attached.
    IO->SetAttachedBitmap(nullptr);
    EXPECT_EQ(IO->AttachedIEView(), static_cast<TIEAttachedView*>(V));
    S.F->Free();
    TestHooks::PumpPending();
}

TEST(IOAttach, ComponentOutlivingItsViewFallsBackToItsOwnTarget) {
    Shown S = ShowView();
    TIEImageIO IO;
    IO.SetAttachedIEView(S.V);
    ASSERT_EQ(IO.IEBitmap(), S.V->GetIEBitmap());
    S.F->Free();
    TestHooks::PumpPending();
    EXPECT_EQ(IO.AttachedIEView(), nullptr);
    ASSERT_NE(IO.IEBitmap(), nullptr);
    EXPECT_TRUE(IO.IEBitmapOwned());
    std::string Path = MakeFile(".png", 100, 100);
    IO.LoadFromFile(Path);
    std::filesystem::remove(Path);
    ExpectQuadrants(IO.IEBitmap(), 0);
}

TEST(IOAttach, TImagePictureHoldsTheLoadedBitmapAndResizes) {
    auto* Img = new TImage(nullptr);
    Img->AutoSize = true;
    TIEImageIO IO;
    IO.SetAttachedTImage(Img);
    EXPECT_EQ(IO.AttachedTImage(), Img);
    EXPECT_EQ(IO.GetBitmap(), &Img->Picture().Bitmap());
    for (const auto& C : Files) {
        SCOPED_TRACE(C.Ext);
        std::string Path = MakeFile(C.Ext, C.DpiX, C.DpiY);
        IO.LoadFromFile(Path);
        std::filesystem::remove(Path);
        EXPECT_FALSE(IO.Aborting);
        TBitmap& B = Img->Picture().Bitmap();
        ASSERT_EQ(B.Width(), W);
        ASSERT_EQ(B.Height(), H);
        // Rows of the picture itself (blue, green, red), not a copy.
        auto* Row = static_cast<const uint8_t*>(B.ScanLine(H - 1));
        TRGB e = Expected(W - 1, H - 1);
        EXPECT_NEAR(Row[3 * (W - 1) + 2], e.r, C.Tol);
        EXPECT_NEAR(Row[3 * (W - 1) + 1], e.g, C.Tol);
        EXPECT_NEAR(Row[3 * (W - 1)], e.b, C.Tol);
        // The picture's change reached the TImage: it sized itself to the picture.
        EXPECT_EQ(Img->Width(), W);
        EXPECT_EQ(Img->Height(), H);
    }
    // The picture was resized outside: the next operation sees its new size.
    Img->Picture().Bitmap().SetSize(8, 6);
    EXPECT_TRUE(IO.MakeConsistentBitmap());
    EXPECT_EQ(IO.IEBitmap()->Width(), 8);

    // The TImage goes first: the component forgets it and loads into its own target.
    Img->Free();
    EXPECT_EQ(IO.AttachedTImage(), nullptr);
    EXPECT_EQ(IO.GetBitmap(), nullptr);
    std::string Path = MakeFile(".png", 100, 100);
    IO.LoadFromFile(Path);
    std::filesystem::remove(Path);
    ExpectQuadrants(IO.IEBitmap(), 0);
}

TEST(IOAttach, TImageAttachmentDropsAlphaAndDetaches) {
    TImage Img(nullptr);
    TIEImageIO IO;
    IO.SetAttachedTImage(&Img);
    IO.IEBitmap()->Allocate(4, 4, ieRGB24);
    IO.IEBitmap()->AlphaChannel()->Fill(128);
    ASSERT_TRUE(IO.IEBitmap()->HasAlphaChannel());
    IO.Update();  // a windowing-library bitmap holds no alpha
    EXPECT_FALSE(IO.IEBitmap()->HasAlphaChannel());
    EXPECT_EQ(Img.Picture().Bitmap().Width(), 4);

    IO.SetAttachedTImage(nullptr);
    EXPECT_EQ(IO.AttachedTImage(), nullptr);
    EXPECT_TRUE(IO.IEBitmap()->IsEmpty());
    EXPECT_EQ(Img.Picture().Bitmap().Width(), 4);  // the picture keeps its pixels
}

TEST(IOAttach, CallersWrappedTBitmapGetsThePixels) {
    TBitmap Bmp;
    TIEBitmap Wrap;
    Wrap.WrapTBitmap(&Bmp, false);
    TIEImageIO IO;
    IO.SetAttachedBitmap(&Wrap);
    EXPECT_EQ(IO.IEBitmap(), &Wrap);
    EXPECT_FALSE(IO.IEBitmapOwned());
    std::string Path = MakeFile(".jpg", 72, 72);
    IO.LoadFromFile(Path);
    std::filesystem::remove(Path);
    EXPECT_FALSE(IO.Aborting);
    EXPECT_EQ(IO.GetBitmap(), &Bmp);
    ASSERT_EQ(Bmp.Width(), W);
    ASSERT_EQ(Bmp.Height(), H);
    ExpectQuadrants(&Wrap, 6);
    auto* Row = static_cast<const uint8_t*>(Bmp.ScanLine(0));
    EXPECT_NEAR(Row[2], Expected(0, 0).r, 6);
}

TEST(IOAttach, BackgroundGoesToTheViewOnlyWhenAllowed) {
    Shown S = ShowView();
    TIEImageIO IO;
    IO.SetAttachedIEView(S.V);
    S.V->SetBackground(0x102030);
    EXPECT_EQ(IO.GetBackground(), 0x102030);
    IO.SetBackground(0x405060);
    EXPECT_EQ(S.V->Background(), 0x102030);
    IO.ChangeBackground = true;
    IO.SetBackground(0x405060);
    EXPECT_EQ(S.V->Background(), 0x405060);
    IO.SetAttachedIEView(nullptr);
    EXPECT_TRUE(IO.IEBitmapOwned());
    S.F->Free();
    TestHooks::PumpPending();
}

TEST(IOAttach, WorkerPostsUpdateProgressAndFinishToTheViewsWindow) {
    Shown S = ShowView();
    TIEImageView* V = S.V;
    std::vector<int> ViewProgress;
    int ViewFinished = 0;
    V->OnProgress = [&](TObject* Sender, int32_t P) {
        EXPECT_EQ(Sender, V);
        ViewProgress.push_back(P);
    };
    V->OnFinishWork = [&](TObject* Sender) {
        EXPECT_EQ(Sender, V);
        ++ViewFinished;
    };
    TIEImageIO IO;
    IO.SetAttachedIEView(V);
    std::atomic<int> Direct{0};
    IO.OnProgress = [&](TObject*, int) { ++Direct; };
    IO.OnFinishWork = [&](TObject*) { ++Direct; };
    std::vector<DWORD> ChangeThreads;
    V->OnImageChange = [&](TObject*) { ChangeThreads.push_back(GetCurrentThreadId()); };
    V->SetDpi(300, 300);
    std::string Path = MakeFile(".png", 100, 120);

    IO.AsyncMode = true;
    IO.LoadFromFile(Path);
    IO.WaitThreads(false);
    // Until the GUI thread takes the messages the view is untouched.
    EXPECT_TRUE(ChangeThreads.empty());
    EXPECT_EQ(V->DpiX(), 300);
    std::filesystem::remove(Path);
    EXPECT_EQ(Direct.load(), 0) << "a worker never calls the handlers itself";
    ExpectQuadrants(V->GetIEBitmap(), 0);
    MSG M;
    for (UINT Msg : {IEIO_UPDATE, IEIO_PROGRESS, IEIO_FINWORK})
        EXPECT_TRUE(PeekMessageW(&M, V->Handle(), Msg, Msg, PM_NOREMOVE)) << Msg;
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return ViewFinished == 1; }, 2000, "the view's OnFinishWork"));
    ASSERT_FALSE(ViewProgress.empty());
    EXPECT_EQ(ViewProgress.back(), 100);
    EXPECT_EQ(V->DpiX(), 100);
    EXPECT_EQ(V->DpiY(), 120);
    ASSERT_EQ(ChangeThreads.size(), 1u);
    EXPECT_EQ(ChangeThreads[0], GetCurrentThreadId());

    // The same load on the GUI thread calls the component's handlers directly.
    IO.AsyncMode = false;
    Path = MakeFile(".png", 100, 100);
    IO.LoadFromFile(Path);
    std::filesystem::remove(Path);
    EXPECT_GT(Direct.load(), 0);
    TestHooks::PumpPending();
    EXPECT_EQ(ViewFinished, 1);
    S.F->Free();
    TestHooks::PumpPending();
}

TEST(IOAttach, VideoGraphNotificationsFollowTheViewsNewWindow) {
    Shown S = ShowView();
    TIEImageIO IO;
    IO.SetAttachedIEView(S.V);
    IO.UpdateDShowNotifyWindow();  // no graph yet: nothing to re-target
    TIEDirectShow* DS = IO.GetDShow();
    ASSERT_NE(DS, nullptr);
    EXPECT_EQ(IO.GetDShow(), DS) << "one graph object per component";
    const HWND First = S.V->Handle();
    EXPECT_EQ(DS->NotifyWindow(), First);
    IO.UpdateDShowNotifyWindow();
    EXPECT_EQ(DS->NotifyWindow(), First);

    S.V->RecreateWnd();
    const HWND Second = S.V->Handle();
    ASSERT_NE(Second, First);
    EXPECT_EQ(DS->NotifyWindow(), First) << "until the component is told";
    IO.UpdateDShowNotifyWindow();
    EXPECT_EQ(DS->NotifyWindow(), Second);

    // Without a view there is no window to follow.
    IO.SetAttachedIEView(nullptr);
    S.V->RecreateWnd();
    ASSERT_NE(S.V->Handle(), Second);
    IO.UpdateDShowNotifyWindow();
    EXPECT_EQ(DS->NotifyWindow(), Second);
    S.F->Free();
    TestHooks::PumpPending();
}

}  // namespace
