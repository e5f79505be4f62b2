// Gradient progress bar, panel, animated GIF control and folder picker on a
// form, on the headless screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "controls/extra/ag_gifanimator.h"
#include "controls/extra/fp_browse.h"
#include "controls/extra/gp_controls.h"
#include "controls/golden_png.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/shlobj_dialogs.h"
#include "platform/win/winscreen.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        RegisterGpControls();
        RegisterAgGIFAnimator();
        RegisterFpBrowseForFolder();
    }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

const char* const FormText = R"(object frmExtra: TfrmExtra
  Left = 100
  Top = 100
  BorderStyle = bsSingle
  Caption = 'Extra'
  ClientHeight = 120
  ClientWidth = 300
  Color = clWhite
  object prgSize: TGpProgressBar
    Left = 10
    Top = 10
    Width = 202
    Height = 16
    BarStyle = bsGradient
    BarColorStop = 14120960
    BackColor = clWhite
    BackColorStop = clWhite
    BarColor = clWhite
    BorderColor = 4080708
    BorderOuter = fsNone
    ShowPercent = False
    ThemeAware = False
    Percent = 50
    OnChange = prgSizeChange
  end
  object lblInfo: TGpPanel
    Left = 10
    Top = 40
    Width = 120
    Height = 24
    Caption = 'Scanning'
  end
  object gifScan: TAgGIFAnimator
    Left = 150
    Top = 40
    Width = 4
    Height = 2
  end
  object FpBrowseForFolder: TFpBrowseForFolder
  end
end
)";

class TfrmExtra : public TForm {
public:
    explicit TfrmExtra(TComponent* Owner) : TForm(Owner) {
        DefineMethod("prgSizeChange", &TfrmExtra::prgSizeChange);
        DefineField("prgSize", prgSize);
        DefineField("lblInfo", lblInfo);
        DefineField("gifScan", gifScan);
        DefineField("FpBrowseForFolder", FpBrowseForFolder);
        LoadFromText(FormText, "frmExtra.frm");
    }
    void prgSizeChange(TObject*, int32_t Percent) { Changes.push_back(Percent); }
    TGpProgressBar* prgSize = nullptr;
    TGpPanel* lblInfo = nullptr;
    TAgGIFAnimator* gifScan = nullptr;
    TFpBrowseForFolder* FpBrowseForFolder = nullptr;
    std::vector<int32_t> Changes;
};

// A GIF of 4 x 2 pixels with one frame per colour list entry; each frame paints
// Rect with its colour. Codes are written at 3 bits, a clear code before each
// pixel, so no table entry is ever made.
struct TGifFrame {
    uint8_t Colour;  // index 0..3
    int X, Y, W, H;
    int Disposal;
    int Transparent;  // -1 none
};
std::vector<uint8_t> MakeGif(const std::vector<TGifFrame>& Frames) {
    std::vector<uint8_t> D = {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0, 0x81, 0, 0};
    const uint8_t Table[12] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};  // black red green blue
    D.insert(D.end(), Table, Table + 12);
    for (const auto& F : Frames) {
        D.insert(D.end(), {0x21, 0xF9, 4, static_cast<uint8_t>((F.Disposal << 2) | (F.Transparent >= 0 ? 1 : 0)), 5,
                           0, static_cast<uint8_t>(F.Transparent < 0 ? 0 : F.Transparent), 0});
        D.insert(D.end(), {0x2C, static_cast<uint8_t>(F.X), 0, static_cast<uint8_t>(F.Y), 0,
                           static_cast<uint8_t>(F.W), 0, static_cast<uint8_t>(F.H), 0, 0, 2});
        std::vector<int> Codes;
        for (int I = 0; I < F.W * F.H; ++I) {
            Codes.push_back(4);
            Codes.push_back(F.Colour);
        }
        Codes.push_back(5);
        std::vector<uint8_t> Bytes((Codes.size() * 3 + 7) / 8, 0);
        size_t Bit = 0;
        for (int C : Codes)
            for (int B = 0; B < 3; ++B, ++Bit)
                if (C & (1 << B)) Bytes[Bit / 8] |= static_cast<uint8_t>(1 << (Bit % 8));
        D.push_back(static_cast<uint8_t>(Bytes.size()));
        D.insert(D.end(), Bytes.begin(), Bytes.end());
        D.push_back(0);
    }
    D.push_back(0x3B);
    return D;
}

class ExtraControls : public ::testing::Test {
protected:
    void SetUp() override {
        F = new TfrmExtra(Application);
        F->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form to show"));
    }
    void TearDown() override {
        F->Free();
        TestHooks::PumpPending();
    }
    uint32_t ScreenPixel(TControl* C, int X, int Y) {
        TestHooks::PumpPending();
        return WinHeadlessScreen()->DesktopPixel(C->ClientToScreen(POINT{X, Y})) & 0xFFFFFF;
    }
    TfrmExtra* F = nullptr;
};

TEST_F(ExtraControls, ProgressBarKeepsAnyPercentAndReportsChanges) {
    TGpProgressBar* P = F->prgSize;
    EXPECT_EQ(P->Percent(), 50);
    EXPECT_TRUE(F->Changes.empty());  // the handler is bound after the stored percent
    // No frame: white along the top and bottom edges, the end colour in the middle
    // of the filled half, the empty rest white.
    EXPECT_EQ(ScreenPixel(P, 1, 0), 0xFFFFFFu);
    EXPECT_EQ(ScreenPixel(P, 1, 15), 0xFFFFFFu);
    EXPECT_EQ(ScreenPixel(P, 1, 8), 0x0078D7u);
    EXPECT_EQ(ScreenPixel(P, 150, 8), 0xFFFFFFu);
    P->SetPercent(150);
    P->SetPercent(150);
    P->SetPercent(0);
    EXPECT_EQ(P->Percent(), 0);
    EXPECT_EQ(F->Changes, (std::vector<int32_t>{150, 0}));
    EXPECT_EQ(ScreenPixel(P, 1, 8), 0xFFFFFFu);
    P->SetPercent(100);
    P->SetBarColorStop(clRed);
    EXPECT_EQ(P->BarColorStop(), clRed);
    EXPECT_EQ(ScreenPixel(P, 200, 8), 0xFF0000u);
    EXPECT_EQ(F->lblInfo->Caption(), "Scanning");
    P->SetPercent(50);
    TestHooks::PumpPending();
    ExpectWindowMatchesGolden(F->Handle(), "controls/extra_form.png");
}

void LoadGif(TAgGIFAnimator& A, const std::vector<uint8_t>& Gif) {
    TMemoryStream M;
    M.WriteBuffer(Gif.data(), static_cast<int64_t>(Gif.size()));
    M.SetPosition(0);
    A.Image().LoadFromStream(M);
}

TColor ComposedPixel(TAgGIFAnimator& A, int Frame, int X, int Y) {
    TColor T;
    return A.ComposeFrame(Frame, T)->Canvas().Pixel(X, Y);
}

TEST(GifAnimator, ComposesFramesWithTheirDisposal) {
    // Red everywhere; green on the left half, then restored to the background
    // (the GIF's background colour, black); blue over column 3.
    TAgGIFAnimator A(nullptr);
    LoadGif(A, MakeGif({{1, 0, 0, 4, 2, 1, -1}, {2, 0, 0, 2, 2, 2, -1}, {3, 3, 0, 1, 2, 0, -1}}));
    EXPECT_EQ(ComposedPixel(A, 0, 0, 0), clRed);
    EXPECT_EQ(ComposedPixel(A, 1, 0, 0), clLime);
    EXPECT_EQ(ComposedPixel(A, 1, 3, 0), clRed);
    EXPECT_EQ(ComposedPixel(A, 2, 0, 0), clBlack);
    EXPECT_EQ(ComposedPixel(A, 2, 2, 0), clRed);
    EXPECT_EQ(ComposedPixel(A, 2, 3, 0), clBlue);
    EXPECT_EQ(A.FullCompositions(), 1);  // each frame built on the one before

    // Restore-to-previous leaves nothing of its frame and forces a fresh replay.
    TAgGIFAnimator B(nullptr);
    LoadGif(B, MakeGif({{1, 0, 0, 4, 2, 1, -1}, {2, 0, 0, 2, 2, 3, -1}, {3, 3, 0, 1, 2, 0, -1}}));
    EXPECT_EQ(ComposedPixel(B, 1, 0, 0), clLime);
    EXPECT_EQ(ComposedPixel(B, 2, 0, 0), clRed);
    EXPECT_EQ(ComposedPixel(B, 2, 3, 0), clBlue);
    EXPECT_EQ(B.FullCompositions(), 2);

    // A transparent index leaves what is below.
    TAgGIFAnimator C(nullptr);
    LoadGif(C, MakeGif({{1, 0, 0, 4, 2, 1, -1}, {0, 0, 0, 4, 2, 1, 0}}));
    EXPECT_EQ(ComposedPixel(C, 1, 1, 1), clRed);
}

TEST(GifAnimator, FrameDelaysAndFrameIndex) {
    TAgGIFAnimator A(nullptr);
    LoadGif(A, MakeGif({{1, 0, 0, 4, 2, 1, -1}, {2, 0, 0, 4, 2, 1, -1}, {3, 0, 0, 4, 2, 1, -1}}));
    struct Case {
        uint32_t DelayMs, Shown;
    } Cases[] = {{0, 50}, {30, 50}, {70, 70}, {20000, 10000}};
    for (const auto& C : Cases) {
        A.Image().Frames[1]->DelayMs = C.DelayMs;
        EXPECT_EQ(A.FrameDelay(1), C.Shown) << C.DelayMs;
    }
    EXPECT_EQ(A.FrameDelay(3), 0u);
    EXPECT_EQ(A.FrameDelay(-1), 0u);
    int Changes = 0;
    A.OnFrameChanged = [&](TObject*) { ++Changes; };
    for (int Bad : {-1, 3, 0}) A.SetFrameIndex(Bad);
    EXPECT_EQ(A.FrameIndex(), 0);
    EXPECT_EQ(Changes, 0);
    A.SetFrameIndex(2);
    EXPECT_EQ(A.FrameIndex(), 2);
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(A.FrameTimer().Interval(), 50u);

    // One frame: no delay, so animating never ticks.
    TAgGIFAnimator One(nullptr);
    LoadGif(One, MakeGif({{1, 0, 0, 4, 2, 1, -1}}));
    EXPECT_EQ(One.FrameDelay(0), 0u);
    One.SetAnimate(true);
    EXPECT_TRUE(One.Animate());
    EXPECT_FALSE(One.FrameTimer().TimerThread()->Active());
}

TEST_F(ExtraControls, AnimateStepsFramesOnItsTimer) {
    TAgGIFAnimator* A = F->gifScan;
    LoadGif(*A, MakeGif({{1, 0, 0, 4, 2, 1, -1}, {2, 0, 0, 4, 2, 1, -1}, {3, 0, 0, 4, 2, 1, -1}}));
    EXPECT_EQ(A->Image().GetCount(), 3);
    EXPECT_EQ(ScreenPixel(A, 1, 1), 0xFF0000u);
    A->SetAnimate(true);
    A->SetAnimate(true);  // unchanged: nothing happens
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return A->FrameIndex() == 1; }, 3000, "the second frame"));
    EXPECT_EQ(ScreenPixel(A, 1, 1), 0x00FF00u);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return A->FrameIndex() == 2; }, 3000, "the third frame"));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return A->FrameIndex() == 0; }, 3000, "wrapping to the first"));
    A->SetAnimate(false);
    int Stopped = A->FrameIndex();
    // Three frame times pass without a step.
    auto Until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    TestHooks::PumpUntil([&] { return std::chrono::steady_clock::now() > Until; }, 2000, "time to pass");
    EXPECT_EQ(A->FrameIndex(), Stopped);
    EXPECT_FALSE(A->Animate());
    TMemoryStream Bad;
    Bad.WriteBuffer("not a GIF picture", 17);
    Bad.SetPosition(0);
    EXPECT_THROW(A->Image().LoadFromStream(Bad), EInvalidGraphicOperation);
}

TEST_F(ExtraControls, WithoutLoopTheAnimationStopsBackAtTheFirstFrame) {
    TAgGIFAnimator* A = F->gifScan;
    LoadGif(*A, MakeGif({{1, 0, 0, 4, 2, 1, -1}, {2, 0, 0, 4, 2, 1, -1}, {3, 0, 0, 4, 2, 1, -1}}));
    A->Loop = false;
    std::vector<int> Shown;
    int Stops = 0;
    A->OnFrameChanged = [&](TObject*) { Shown.push_back(A->FrameIndex()); };
    A->OnStop = [&](TObject*) { ++Stops; };
    A->SetAnimate(true);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return !A->Animate(); }, 5000, "the animation to stop"));
    EXPECT_EQ(Shown, (std::vector<int>{1, 2, 0}));
    EXPECT_EQ(Stops, 1);
}

// Records whether it is painted as a copy, and whether its parent then is.
class TCopyProbe : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    std::vector<std::pair<bool, bool>> Paints;

protected:
    void Paint() override { Paints.emplace_back(PaintingCopy(), Parent()->PaintingCopy()); }
};

// A control drawn behind a transparent sibling is drawn as a copy, its parent
// too; an animator in that state does not step.
TEST_F(ExtraControls, ControlsDrawnBehindASiblingAreCopiesAndDoNotStep) {
    auto* Probe = new TCopyProbe(F);
    Probe->SetParent(F);
    Probe->SetBounds(200, 60, 40, 40);
    auto* Empty = new TAgGIFAnimator(F);  // nothing to show: the background shows through
    Empty->SetParent(F);
    Empty->SetBounds(220, 70, 40, 40);
    TestHooks::PumpPending();
    Probe->Paints.clear();
    Empty->Invalidate();
    TestHooks::PumpPending();
    EXPECT_NE(std::find(Probe->Paints.begin(), Probe->Paints.end(), std::make_pair(true, true)),
              Probe->Paints.end());  // behind the empty animator
    EXPECT_NE(std::find(Probe->Paints.begin(), Probe->Paints.end(), std::make_pair(false, false)),
              Probe->Paints.end());  // its own paint
    EXPECT_FALSE(Probe->PaintingCopy());
    EXPECT_FALSE(F->PaintingCopy());

    TAgGIFAnimator* A = F->gifScan;
    LoadGif(*A, MakeGif({{1, 0, 0, 4, 2, 1, -1}, {2, 0, 0, 4, 2, 1, -1}, {3, 0, 0, 4, 2, 1, -1}}));
    ASSERT_EQ(A->FrameIndex(), 0);
    A->BeginPaintCopy();
    A->NextFrameTick(nullptr);
    EXPECT_EQ(A->FrameIndex(), 0);
    A->EndPaintCopy();
    A->NextFrameTick(nullptr);
    EXPECT_EQ(A->FrameIndex(), 1);
}

TEST_F(ExtraControls, DestroyingARunningAnimatorLeavesNothingBehind) {
    for (bool Async : {false, true}) {
        auto* A = new TAgGIFAnimator(F);
        A->SetParent(F);
        A->SetAsyncDrawing(Async);
        LoadGif(*A, MakeGif({{1, 0, 0, 4, 2, 1, -1}, {2, 0, 0, 4, 2, 1, -1}}));
        int Steps = 0;
        A->OnFrameChanged = [&](TObject*) { ++Steps; };
        A->SetAnimate(true);
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return Steps >= 2; }, 5000, "two steps")) << Async;
        delete A;
        TestHooks::PumpPending();
    }
}

TEST_F(ExtraControls, FolderPickerOpensOnItsPathAndReturnsTheChoice) {
    std::filesystem::path Dir = std::filesystem::temp_directory_path() / "fp_browse_test";
    std::filesystem::create_directories(Dir / "sub");
    TFpBrowseForFolder* B = F->FpBrowseForFolder;
    B->SetTitle(u"Choose the VIDEO_TS folder");
    std::u16string Start;
    for (char C : (Dir / "sub").string()) Start += static_cast<char16_t>(C);
    B->SetPath(Start);
    std::string Seen;
    TestHooks::OnNextModalWindow([&](HWND W) {
        char Text[260] = {0};
        GetWindowTextA(GetDlgItem(W, IDC_BFF_PATH), Text, sizeof Text);
        Seen = Text;
        PostMessageA(W, WM_COMMAND, IDOK, 0);
    });
    EXPECT_TRUE(B->Execute());
    EXPECT_NE(Seen.find("fp_browse_test/sub"), std::string::npos) << Seen;
    std::string Got;
    for (char16_t C : B->GetPath()) Got += static_cast<char>(C);
    EXPECT_NE(Got.find("fp_browse_test/sub"), std::string::npos) << Got;
    TestHooks::OnNextModalWindow([](HWND W) { PostMessageA(W, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_FALSE(B->Execute());
    std::filesystem::remove_all(Dir);
}

}  // namespace

namespace {

// Steps of the animation as the GUI thread sees them, for each frame delay,
// with the threaded timer and with the window timer: no step is shorter than
// its delay. How much longer a step takes (the timer's wake-up and one round
// trip to the GUI thread) depends on the machine's load, so it is recorded
// with the test's results rather than asserted.
TEST_F(ExtraControls, PlaybackKeepsEachFramesDelay) {
    TAgGIFAnimator* A = F->gifScan;
    LoadGif(*A, MakeGif({{1, 0, 0, 4, 2, 1, -1}, {2, 0, 0, 4, 2, 1, -1}, {3, 0, 0, 4, 2, 1, -1}}));
    for (bool Threaded : {true, false}) {
        A->FrameTimer().SetThreaded(Threaded);
        for (uint32_t Hundredths : {0u, 5u, 10u, 20u}) {
            for (auto& Frame : A->Image().Frames) Frame->DelayMs = Hundredths * 10;
            const double Delay = A->FrameDelay(0);
            std::vector<std::chrono::steady_clock::time_point> Steps;
            A->OnFrameChanged = [&](TObject*) { Steps.push_back(std::chrono::steady_clock::now()); };
            A->SetAnimate(true);
            ASSERT_TRUE(TestHooks::PumpUntil([&] { return Steps.size() >= 21; }, 20000, "21 frame changes"));
            A->SetAnimate(false);
            A->OnFrameChanged = nullptr;
            double Sum = 0, Longest = 0;
            for (size_t I = 1; I < 21; ++I) {
                const double Ms = std::chrono::duration<double, std::milli>(Steps[I] - Steps[I - 1]).count();
                Sum += Ms;
                Longest = std::max(Longest, Ms);
                EXPECT_GE(Ms, Delay - 1) << (Threaded ? "thread" : "window") << " " << Hundredths << " step " << I;
            }
            const std::string Key = std::string(Threaded ? "thread_" : "window_") + std::to_string(Hundredths);
            RecordProperty(Key + "_mean_ms", std::to_string(Sum / 20));
            RecordProperty(Key + "_longest_ms", std::to_string(Longest));
        }
    }
}

}  // namespace
