// The skinned track bar: thumb arithmetic, limits, looks, paging and dragging.
#include <gtest/gtest.h>

#include <chrono>

#include "controls/golden_png.h"
#include "platform/classlib/forms.h"
#include "platform/screen/headless.h"
#include "platform/win/winscreen.h"
#include "sc_test_env.h"

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new ScTestEnv);

class TrackBar : public ::testing::Test {
protected:
    void SetUp() override {
        F = new TForm(Application);
        F->SetBounds(40, 40, 320, 200);
        F->SetColor(TColor(0xE8F4E0));
    }
    void TearDown() override {
        F->Free();
        TestHooks::PumpPending();
    }
    TscTrackBar* Add(TscUIStyle Style, int X, int Y, int W, int Min, int Max) {
        auto* T = new TscTrackBar(F);
        T->SetParent(F);
        T->SetUIStyle(Style);
        T->SetBounds(X, Y, W, T->Height());
        T->SetMax(Max);
        T->SetMin(Min);
        T->OnChange = [this, T](TObject*) {
            Changes.push_back(T->Position());
            Times.push_back(std::chrono::steady_clock::now());
        };
        return T;
    }
    void ShowForm() {
        F->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form to show"));
        TestHooks::PumpPending();
    }
    TForm* F = nullptr;
    std::vector<int> Changes;
    std::vector<std::chrono::steady_clock::time_point> Times;
};

TEST_F(TrackBar, ThumbPositionAndValueUnderAPixel) {
    TscTrackBar* T = Add(WinXP, 8, 8, 257, 64, 9600);
    struct TCase {
        int Min, Max, Position, Width, ThumbX;
    };
    // 64-bit products: the last range overflows 32 bits at the far end.
    const TCase Cases[] = {{64, 9600, 4832, 257, 123}, {64, 9600, 9600, 257, 246}, {64, 9600, 64, 257, 0},
                           {5, 5, 5, 257, 0},          {0, 2000000000, 2000000000, 257, 246}};
    for (const TCase& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Min << ".." << C.Max << " at " << C.Position);
        T->SetMin(INT_MIN);
        T->SetMax(C.Max);
        T->SetMin(C.Min);
        T->SetPosition(C.Position);
        EXPECT_EQ(T->GetThumbPosition().x, C.ThumbX);
        EXPECT_EQ(T->GetThumbPosition().y, 0);
    }
    // Value under a pixel: the thumb's centre follows the pointer; ties go to even.
    T->SetMin(0);
    T->SetMax(9600);
    T->SetMin(64);
    EXPECT_EQ(T->PositionFromPixel(5 + 123), 64 + 4768);
    EXPECT_EQ(T->PositionFromPixel(5), 64);
    EXPECT_EQ(T->PositionFromPixel(0), 64 - 194);  // not clamped
    T->SetMin(0);
    T->SetMax(492);  // 492 / 246 = 2 per pixel: x 5 + k gives 2k
    EXPECT_EQ(T->PositionFromPixel(5 + 10), 20);
    T->SetMax(123);  // half a value per pixel: 1/2 -> 0, 3/2 -> 2, 5/2 -> 2
    EXPECT_EQ(T->PositionFromPixel(6), 0);
    EXPECT_EQ(T->PositionFromPixel(8), 2);
    EXPECT_EQ(T->PositionFromPixel(10), 2);
    // A bar no longer than its thumb: 0, not Min.
    T->SetMax(100);
    T->SetMin(50);
    T->SetWidth(11);
    EXPECT_EQ(T->PositionFromPixel(3), 0);
}

TEST_F(TrackBar, LimitsAndSteps) {
    TscTrackBar* T = Add(DeepBlue, 8, 8, 200, 0, 10);
    T->SetMax(9600);
    T->SetMin(64);  // the position follows Min
    EXPECT_EQ(T->Position(), 64);
    EXPECT_EQ(Changes, std::vector<int>{64});
    T->SetMin(10000);  // above Max: Min = Max
    EXPECT_EQ(T->Min(), 9600);
    EXPECT_EQ(T->Position(), 9600);
    T->SetMin(0);
    T->SetMax(-5);  // below Min: Max = Min
    EXPECT_EQ(T->Max(), 0);
    EXPECT_EQ(T->Position(), 0);
    T->SetMax(9600);
    Changes.clear();
    struct TCase {
        int Set, Expect;
        bool Fires;
    };
    const TCase Positions[] = {{-5, 0, false}, {4000, 4000, true}, {4000, 4000, false}, {99999, 9600, true}};
    for (const TCase& C : Positions) {
        size_t Before = Changes.size();
        T->SetPosition(C.Set);
        EXPECT_EQ(T->Position(), C.Expect) << C.Set;
        EXPECT_EQ(Changes.size(), Before + (C.Fires ? 1 : 0)) << C.Set;
    }
    // Steps are bounded by Max, not by the range.
    const struct {
        int Value;
        bool Taken;
    } Steps[] = {{9601, false}, {-1, false}, {9600, true}, {0, true}, {7, true}};
    for (const auto& S : Steps) {
        T->SetPageSize(3);
        T->SetLineSize(3);
        T->SetPageSize(S.Value);
        T->SetLineSize(S.Value);
        EXPECT_EQ(T->PageSize(), S.Taken ? S.Value : 3) << S.Value;
        EXPECT_EQ(T->LineSize(), S.Taken ? S.Value : 3) << S.Value;
    }
    // MacOS makes the bar transparent.
    EXPECT_FALSE(T->Transparent());
    T->SetUIStyle(MacOS);
    EXPECT_TRUE(T->Transparent());
}

TEST_F(TrackBar, KeysMoveByLineAndPage) {
    TscTrackBar* T = Add(WinXP, 8, 8, 257, 64, 9600);
    T->SetPosition(4000);
    ShowForm();
    T->SetFocus();
    EXPECT_EQ(T->Perform(WM_GETDLGCODE, 0, 0), 1);
    const struct {
        int Key, Expect;
    } Keys[] = {{VK_RIGHT, 4001}, {VK_DOWN, 4002}, {VK_LEFT, 4001}, {VK_UP, 4000}, {VK_NEXT, 4002},
                {VK_PRIOR, 4000}, {VK_END, 9600},  {VK_HOME, 64},  {'A', 64}};
    for (const auto& K : Keys) {
        TestHooks::PressKey(K.Key);
        TestHooks::PumpPending();
        EXPECT_EQ(T->Position(), K.Expect) << K.Key;
    }
}

// Each look: a horizontal bar with ticks, one without, and a vertical one.
TEST_F(TrackBar, EveryLookDrawn) {
    auto* Theme = new TscFileTheme(F);
    Theme->SetThemeFile(TESSARO_SC_THEME_FILE);
    TscTrackBar* H = Add(DeepBlue, 8, 8, 200, 0, 20);
    TscTrackBar* Plain = Add(DeepBlue, 8, 60, 200, 0, 100);
    TscTrackBar* V = Add(DeepBlue, 240, 8, 30, 0, 10);
    H->SetFrequency(5);
    H->SetPosition(7);
    Plain->SetShowTick(false);
    Plain->SetPosition(100);
    Plain->SetTransparent(true);
    V->SetOrientation(scVertical);
    V->SetHeight(140);
    V->SetPosition(3);
    ShowForm();
    struct TLook {
        TscUIStyle Style;
        const char* Golden;
    } Looks[] = {{MacOS, "macos"}, {WinXP, "winxp"}, {DeepBlue, "deepblue"}, {Protein, "protein"},
                 {BlueGlass, "blueglass"}, {FromThemeFile, "themefile"}};
    for (const TLook& L : Looks) {
        SCOPED_TRACE(L.Golden);
        for (TscTrackBar* T : {H, Plain, V}) {
            T->SetFileTheme(Theme);
            T->SetUIStyle(L.Style);
        }
        TestHooks::PumpPending();
        TBitmap Slider;
        if (L.Style == FromThemeFile)
            Theme->GetImage(skTrackBarSliderVImage, &Slider);
        else
            LoadBuiltInStyleImage(L.Style, skTrackBarSliderVImage, &Slider);
        EXPECT_EQ(V->Width(), std::max(V->BarImage().Height(), Slider.Width()));
        EXPECT_EQ(V->BarBitmap().Height(), 140);
        ExpectWindowMatchesGolden(F->Handle(), std::string("controls/skinned/track_bar_") + L.Golden + ".png");
    }
    // Min = Max: the thumb at the start, no ticks.
    H->SetMax(0);
    TestHooks::PumpPending();
    EXPECT_EQ(H->Thumb()->Left(), 0);
}

// A press right of the thumb pages by at most PageSize, then by three pages
// every 100 ms until the thumb's centre is under the pointer.
TEST_F(TrackBar, HoldingTheButtonPagesTowardThePointer) {
    TscTrackBar* T = Add(WinXP, 8, 8, 257, 0, 246);  // one value per pixel
    T->SetPageSize(4);
    ShowForm();
    Changes.clear();
    Times.clear();
    POINT Target = T->ClientToScreen(POINT{5 + 60, 10});  // value 60
    auto Start = std::chrono::steady_clock::now();
    WinHeadlessScreen()->MouseDown(Target);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return T->Position() == 60; }, 5000, "the thumb to reach the pointer"));
    WinHeadlessScreen()->MouseUp(Target);
    TestHooks::PumpPending();
    EXPECT_EQ(T->Timer(), nullptr);
    // 4 at once, then 12 per tick: 16, 28, 40, 52, 60.
    EXPECT_EQ(Changes, (std::vector<int>{4, 16, 28, 40, 52, 60}));
    ASSERT_EQ(Times.size(), 6u);
    EXPECT_LT(Times[0] - Start, std::chrono::milliseconds(100));
    for (size_t I = 1; I < Times.size(); ++I) EXPECT_GE(Times[I] - Times[I - 1], std::chrono::milliseconds(90)) << I;
    EXPECT_TRUE(T->Focused());
    // A press left of the thumb pages back by one page.
    WinHeadlessScreen()->Click(T->ClientToScreen(POINT{5 + 10, 10}));
    TestHooks::PumpPending();
    EXPECT_EQ(T->Position(), 56);
}

TEST_F(TrackBar, DraggingTheThumbReportsEachChange) {
    TscTrackBar* T = Add(WinXP, 8, 8, 257, 0, 246);
    T->SetPosition(100);
    ShowForm();
    Changes.clear();
    // Each move handled before the next, as a user's are.
    WinHeadlessScreen()->MouseDown(T->ClientToScreen(POINT{T->Thumb()->Left() + 5, 10}));
    TestHooks::PumpPending();
    EXPECT_TRUE(T->Dragging());
    for (int X : {110, 120, 130, 140}) {
        WinHeadlessScreen()->MouseMove(T->ClientToScreen(POINT{5 + X, 10}));
        TestHooks::PumpPending();
    }
    WinHeadlessScreen()->MouseUp(T->ClientToScreen(POINT{5 + 140, 10}));
    TestHooks::PumpPending();
    EXPECT_EQ(T->Position(), 140);
    EXPECT_EQ(Changes, (std::vector<int>{110, 120, 130, 140}));
    EXPECT_FALSE(T->Dragging());
    EXPECT_EQ(T->Thumb()->Left(), 140);
    // Past the end: clamped.
    POINT From = T->ClientToScreen(POINT{T->Thumb()->Left() + 5, 10});
    WinHeadlessScreen()->Drag(From, T->ClientToScreen(POINT{-40, 10}), 2);
    TestHooks::PumpPending();
    EXPECT_EQ(T->Position(), 0);
}

TEST_F(TrackBar, RemovingTheThemeRevertsToDeepBlue) {
    auto* Theme = new TscFileTheme(F);
    Theme->SetThemeFile(TESSARO_SC_THEME_FILE);
    TscTrackBar* T = Add(FromThemeFile, 8, 8, 200, 0, 10);
    T->SetFileTheme(Theme);
    EXPECT_EQ(T->Thumb()->Width(), 13);  // the theme's thumb
    Theme->Free();
    EXPECT_EQ(T->UIStyle(), DeepBlue);
    EXPECT_EQ(T->FileTheme(), nullptr);
    EXPECT_EQ(T->Thumb()->Height(), 20);
}

}  // namespace
