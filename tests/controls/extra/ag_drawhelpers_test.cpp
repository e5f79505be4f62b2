// The hand cursors, keyed stretch drawing and the locked bitmap drawing of the
// extra components.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "controls/extra/ag_drawhelpers.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"
#include "platform/rtl/resources.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

uint16_t Word(const unsigned char* P) { return static_cast<uint16_t>(P[0] | (P[1] << 8)); }

TEST(AgCursors, BothHandsAreRegisteredWithTheirHotSpotsOnTheHand) {
    ASSERT_NE(Screen, nullptr);
    const HCURSOR Arrow = Screen->Cursors(crArrow);
    EXPECT_EQ(Screen->Cursors(crAgHand), Arrow);
    RegisterAgCursors();
    const HCURSOR Hand = Screen->Cursors(crAgHand), Drag = Screen->Cursors(crAgDrag);
    EXPECT_NE(Hand, Arrow);
    EXPECT_NE(Drag, Arrow);
    EXPECT_NE(Hand, Drag);
    RegisterAgCursors();  // once only
    EXPECT_EQ(Screen->Cursors(crAgHand), Hand);

    struct Case {
        const char* Name;
        int HotX, HotY;
    } Cases[] = {{"AG_HANDCUR", 6, 16}, {"AG_DRAGCUR", 15, 16}};
    for (const auto& C : Cases) {
        TResourceData R;
        ASSERT_TRUE(FindEmbeddedResource("cursors", C.Name, R)) << C.Name;
        const unsigned char* P = R.Data;
        ASSERT_GE(R.Size, 22u + 40 + 8 + 128 + 128) << C.Name;
        EXPECT_EQ(Word(P + 2), 2) << C.Name;  // a cursor file
        EXPECT_EQ(Word(P + 4), 1) << C.Name;
        EXPECT_EQ(P[6], 32) << C.Name;
        EXPECT_EQ(P[7], 32) << C.Name;
        EXPECT_EQ(Word(P + 10), C.HotX) << C.Name;
        EXPECT_EQ(Word(P + 12), C.HotY) << C.Name;
        const unsigned char* Info = P + 22;
        EXPECT_EQ(Word(Info + 14), 1) << C.Name;  // monochrome
        // Rows bottom-up: the colour bits, then the mask (1 = clear).
        const unsigned char* Mask = Info + 40 + 8 + 128;
        auto Clear = [&](int X, int Y) { return (Mask[(31 - Y) * 4 + X / 8] & (0x80 >> (X % 8))) != 0; };
        EXPECT_FALSE(Clear(C.HotX, C.HotY)) << C.Name << ": the hot spot is on the hand";
        EXPECT_TRUE(Clear(0, 0)) << C.Name;
        EXPECT_TRUE(Clear(31, 31)) << C.Name;
        int Opaque = 0;
        for (int Y = 0; Y < 32; ++Y)
            for (int X = 0; X < 32; ++X) Opaque += !Clear(X, Y);
        EXPECT_GT(Opaque, 150) << C.Name;
        EXPECT_LT(Opaque, 600) << C.Name;
    }
}

// A 4 x 2 bitmap: the bottom-left pixel green, the rest red but for a blue one.
std::unique_ptr<TBitmap> KeyedBitmap() {
    auto B = std::make_unique<TBitmap>(4, 2, pf24bit);
    B->Canvas().Brush().SetColor(clRed);
    B->Canvas().FillRect(TRect(0, 0, 4, 2));
    B->Canvas().SetPixel(0, 1, clLime);
    B->Canvas().SetPixel(3, 0, clBlue);
    return B;
}

TEST(AgStretchDraw, KeyColoursLeaveTheTarget) {
    struct Case {
        TColor Key;
        TColor AtBottomLeft, AtTopRight, AtRed;
    } Cases[] = {
        {clKeyNone, clLime, clBlue, clRed},          // a plain stretch
        {clKeyBottomLeft, clWhite, clBlue, clRed},   // green is the key
        {clBlue, clLime, clWhite, clRed},
        {clRed, clLime, clBlue, clWhite},
    };
    for (const auto& C : Cases) {
        TBitmap Target(8, 4, pf24bit);
        Target.Canvas().Brush().SetColor(clWhite);
        Target.Canvas().FillRect(TRect(0, 0, 8, 4));
        auto Src = KeyedBitmap();
        int Changes = 0;
        Src->OnChange = [&](TObject*) { ++Changes; };
        StretchDrawRectTransparent(Target.Canvas(), 0, 0, 8, 4, *Src, TRect(), C.Key);
        EXPECT_EQ(Target.Canvas().Pixel(0, 3), C.AtBottomLeft) << std::hex << C.Key;
        EXPECT_EQ(Target.Canvas().Pixel(7, 0), C.AtTopRight) << std::hex << C.Key;
        EXPECT_EQ(Target.Canvas().Pixel(3, 1), C.AtRed) << std::hex << C.Key;
        EXPECT_EQ(Changes, 0);
        EXPECT_TRUE(static_cast<bool>(Src->OnChange));  // given back
    }
    // A width and height below 1 take the bitmap's; a source rectangle picks a part.
    TBitmap Target(8, 4, pf24bit);
    Target.Canvas().Brush().SetColor(clWhite);
    Target.Canvas().FillRect(TRect(0, 0, 8, 4));
    auto Src = KeyedBitmap();
    StretchDrawRectTransparent(Target.Canvas(), 2, 1, 0, 0, *Src, TRect(), clKeyNone);
    EXPECT_EQ(Target.Canvas().Pixel(1, 1), clWhite);
    EXPECT_EQ(Target.Canvas().Pixel(2, 2), clLime);
    EXPECT_EQ(Target.Canvas().Pixel(5, 1), clBlue);
    EXPECT_EQ(Target.Canvas().Pixel(6, 1), clWhite);
    StretchDrawRectTransparent(Target.Canvas(), 0, 0, 2, 2, *Src, TRect(3, 0, 4, 1), clKeyNone);
    EXPECT_EQ(Target.Canvas().Pixel(1, 1), clBlue);
}

}  // namespace

namespace {

// A canvas that, when a draw first asks for its DC, records whether another
// thread could take the source bitmap's canvas lock at that moment.
class TProbeCanvas : public TCanvas {
public:
    explicit TProbeCanvas(TBitmap& Source) : FSource(Source), FTarget(4, 2, pf24bit) {}
    int Probes = 0;
    bool OtherThreadGotLock = false;

protected:
    void CreateHandle() override {
        ++Probes;
        std::thread T([this] {
            OtherThreadGotLock = FSource.Canvas().TryLock();
            if (OtherThreadGotLock) FSource.Canvas().Unlock();
        });
        T.join();
        SetHandle(FTarget.Canvas().Handle());
    }

private:
    TBitmap& FSource;
    TBitmap FTarget;
};

TEST(AgLockedDraw, TheSwitchMakesEveryBitmapDrawHoldItsCanvas) {
    TBitmap Source(4, 2, pf24bit);
    Source.Canvas().Handle();
    {
        TProbeCanvas Before(Source);
        Source.Draw(Before, TRect(0, 0, 4, 2));
        ASSERT_EQ(Before.Probes, 1);
        EXPECT_TRUE(Before.OtherThreadGotLock);  // not switched on yet
    }
    EXPECT_TRUE(InstallLockedBitmapDraw());
    EXPECT_FALSE(InstallLockedBitmapDraw());  // once per process
    EXPECT_TRUE(TBitmap::LockedDraw);
    TProbeCanvas After(Source);
    Source.Draw(After, TRect(0, 0, 4, 2));
    ASSERT_EQ(After.Probes, 1);
    EXPECT_FALSE(After.OtherThreadGotLock);
    // Released after the draw, also for the drawing thread's next draw.
    EXPECT_TRUE(Source.Canvas().TryLock());
    Source.Canvas().Unlock();
    std::thread T([&] {
        const bool Got = Source.Canvas().TryLock();
        if (Got) Source.Canvas().Unlock();
        EXPECT_TRUE(Got);
    });
    T.join();
    // An empty bitmap draws nothing and takes no lock.
    TBitmap Empty;
    TProbeCanvas None(Empty);
    Empty.Draw(None, TRect(0, 0, 4, 2));
    EXPECT_EQ(None.Probes, 0);
}

}  // namespace
