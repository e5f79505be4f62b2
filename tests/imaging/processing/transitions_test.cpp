// The transition player on a single-image view of the headless screen, ticked by
// the window layer's timer, with a stepped clock and with the real one.
#include "imaging/processing/transitions.h"

#include <gtest/gtest.h>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"
#include "imaging/processing/procstartup.h"
#include "imaging/views/ieimageview.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"
#include "platform/screen/headless.h"
#include "platform/system/process.h"
#include "platform/win/winscreen.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        IEProcessingStartup();
        IEIOStartup();
        IEViewsStartup();
        RegisterImageViews();
    }
    void TearDown() override {
        IEViewsShutdown();
        IEIOShutdown();
        IEProcessingShutdown();
        TestHooks::Stop();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

const char* const FormText = R"(object frmPlay: TfrmPlay
  Left = 50
  Top = 50
  BorderStyle = bsSingle
  Caption = 'Play'
  ClientHeight = 110
  ClientWidth = 140
  object imgView: TIEImageView
    Left = 10
    Top = 10
    Width = 120
    Height = 90
    Background = clBlack
    BorderStyle = bsNone
  end
end
)";

class TfrmPlay : public TForm {
public:
    explicit TfrmPlay(TComponent* Owner) : TForm(Owner) {
        DefineField("imgView", imgView);
        LoadFromText(FormText, "frmPlay.frm");
    }
    TIEImageView* imgView = nullptr;
};

void Paint(TBitmap& B, TColor Left, TColor Right) {
    B.SetPixelFormat(pf24bit);
    B.SetSize(120, 90);
    B.Canvas().Brush().SetColor(Left);
    B.Canvas().FillRect(TRect(0, 0, 60, 90));
    B.Canvas().Brush().SetColor(Right);
    B.Canvas().FillRect(TRect(60, 0, 120, 90));
}

uint32_t At(TControl* C, int X, int Y) {
    return WinHeadlessScreen()->DesktopPixel(C->ClientToScreen(POINT{X, Y})) & 0xFFFFFF;
}

// A shown form whose view holds the to picture, as a caller sets it before playing.
struct Stage {
    TfrmPlay* Form;
    TIEImageView* View;
    TBitmap From, To;
    std::vector<TObject*> Stops;
    uint32_t Now = 5000;
    Stage() {
        Form = new TfrmPlay(Application);
        View = Form->imgView;
        Form->Show();
        EXPECT_TRUE(TestHooks::PumpUntil([&] { return Form->Showing(); }, 2000, "the form"));
        Paint(From, 0x204080, 0x802040);  // TColor: blue-ish and purple
        Paint(To, 0x00C0F0, 0x30F030);
        View->IEBitmap()->CopyFromTBitmap(&To);
        View->ImageChange();
        TestHooks::PumpPending();
        View->OnTransitionStop = [this](TObject* S) { Stops.push_back(S); };
        View->Transition().Clock = [this] { return Now; };
    }
    ~Stage() {
        Form->Free();
        TestHooks::PumpPending();
    }
    TIETransitionEffects& P() { return View->Transition(); }
    // Lets the timer tick at least once more.
    void Ticks(int N = 1) {
        int F = P().FrameCount();
        EXPECT_TRUE(TestHooks::PumpUntil([&] { return P().FrameCount() >= F + N || !P().Running(); }, 3000, "ticks"));
    }
};

TEST(TransitionPlayer, ClockCurves) {
    struct Case {
        TIETransitionTiming Timing;
        uint32_t Elapsed;
        int Step;
    };
    const Case Cases[] = {
        {iettLinear, 0, 0},          {iettLinear, 250, 256},      {iettLinear, 1000, 1024},   {iettLinear, 5000, 1024},
        {iettExponential, 0, 6},     {iettExponential, 250, 23},  {iettExponential, 500, 82}, {iettExponential, 1000, 1003},
        {iettLogarithmic, 0, 0},     {iettLogarithmic, 1, 0},     {iettLogarithmic, 6, 0},    {iettLogarithmic, 250, 744},
        {iettLogarithmic, 500, 886}, {iettLogarithmic, 1000, 1024},
    };
    for (const Case& K : Cases)
        EXPECT_EQ(TIETransitionEffects::StepAt(K.Elapsed, 1000, K.Timing), K.Step)
            << static_cast<int>(K.Timing) << " at " << K.Elapsed;
    EXPECT_EQ(TIETransitionEffects::StepAt(10, 0, iettLinear), 1024);
}

TEST(TransitionPlayer, SteppedClockDrivesTheFrames) {
    struct Case {
        TIETransitionTiming Timing;
        int Steps[3];  // after 0, 250 and 500 ms
    };
    for (const Case& K : {Case{iettLinear, {0, 256, 512}}, Case{iettExponential, {6, 23, 82}},
                          Case{iettLogarithmic, {0, 744, 886}}}) {
        for (bool ShowTarget : {false, true}) {
            Stage S;
            S.P().Timing = K.Timing;
            S.P().ShowTargetAtEnd = ShowTarget;
            S.P().Start(&S.From, &S.To, iettCrossDissolve);
            ASSERT_TRUE(S.P().Running());
            EXPECT_EQ(S.View->PaintLockCount(), 1);
            const uint32_t Start = S.Now;
            for (int I = 0; I < 3; ++I) {
                S.Now = Start + 250 * I;
                S.Ticks();
                EXPECT_EQ(S.P().Step(), K.Steps[I]) << static_cast<int>(K.Timing) << " tick " << I;
            }
            // The frame of the last step reached the view.
            S.Ticks();
            if (K.Timing == iettLinear) {
                // from 0x804020 and to 0xF0C000 (red, green, blue), half each
                const uint32_t Want = 0xB88010;
                EXPECT_EQ(At(S.View, 10, 10), Want) << std::hex << At(S.View, 10, 10);
            }
            S.Now = Start + 1000;
            S.Ticks();
            EXPECT_FALSE(S.P().Running());
            EXPECT_EQ(S.P().Step(), 1024);  // the last frame composed
            EXPECT_EQ(S.Stops, (std::vector<TObject*>{S.View}));
            EXPECT_EQ(S.View->PaintLockCount(), 0);
            TestHooks::PumpPending();
            EXPECT_EQ(At(S.View, 10, 10), 0xF0C000u);
            EXPECT_EQ(At(S.View, 100, 50), 0x30F030u);
            // Nothing more afterwards.
            S.Now += 5000;
            TestHooks::PumpPending();
            EXPECT_EQ(S.Stops.size(), 1u);
        }
    }
}

TEST(TransitionPlayer, StopWithoutATransitionFiresNothing) {
    Stage S;
    S.P().Stop();
    S.P().Start(&S.From, &S.To, iettNone);
    EXPECT_FALSE(S.P().Running());
    S.P().Stop();
    EXPECT_TRUE(S.Stops.empty());
    EXPECT_EQ(S.View->PaintLockCount(), 0);
}

TEST(TransitionPlayer, ResizingOrClearingTheViewStopsIt) {
    for (int How : {0, 1}) {
        Stage S;
        S.P().Start(&S.From, &S.To, iettWipeFromTopLeft);
        S.Ticks();
        ASSERT_TRUE(S.P().Running());
        if (How == 0)
            S.View->SetBounds(10, 10, 100, 80);
        else
            S.View->ClearImage();
        EXPECT_FALSE(S.P().Running()) << How;
        EXPECT_EQ(S.Stops.size(), 1u) << How;
        EXPECT_EQ(S.View->PaintLockCount(), 0);
        int Frames = S.P().FrameCount();
        TestHooks::PumpPending();
        EXPECT_EQ(S.P().FrameCount(), Frames);
    }
}

TEST(TransitionPlayer, RealClockEndsOnTime) {
    Stage S;
    S.P().Clock = [] { return static_cast<uint32_t>(GetTickCount()); };
    S.P().Duration = 300;
    uint64_t T0 = GetTickCount64();
    S.P().Start(&S.From, &S.To, iettCrossDissolve);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return !S.P().Running(); }, 5000, "the end of the transition"));
    uint64_t Took = GetTickCount64() - T0;
    EXPECT_GE(Took, 300u);
    EXPECT_LT(Took, 2000u);
    EXPECT_GE(S.P().FrameCount(), 2);
    EXPECT_EQ(S.Stops.size(), 1u);
}

}  // namespace
