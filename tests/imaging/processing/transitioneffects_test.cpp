// The transition effects frame by frame, without a view: contact sheets of every
// effect at five steps against goldens, and checks that do not lean on them.
#include "imaging/processing/transitioneffects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/processing/procstartup.h"
#include "imaging/processing/transitions.h"
#include "platform/rtl/sysutils.h"
#include "platform/screen/headless.h"

namespace fs = std::filesystem;

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { IEProcessingStartup(); }
    void TearDown() override { IEProcessingShutdown(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

// The from picture: blue shades with a white diagonal; the to picture: warm bands
// with a dark disc. Every pixel tells which picture it came from.
void DrawFrom(TBitmap& B, int W, int H) {
    B.SetPixelFormat(pf24bit);
    B.SetSize(W, H);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
            auto* P = static_cast<uint8_t*>(B.ScanLine(Y)) + X * 3;
            bool Line = std::abs(X * H - Y * W) < W;
            P[0] = Line ? 255 : static_cast<uint8_t>(160 + X * 90 / W);
            P[1] = Line ? 255 : static_cast<uint8_t>(40 + Y * 80 / H);
            P[2] = Line ? 255 : 20;
        }
}

void DrawTo(TBitmap& B, int W, int H) {
    B.SetPixelFormat(pf24bit);
    B.SetSize(W, H);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) {
            auto* P = static_cast<uint8_t*>(B.ScanLine(Y)) + X * 3;
            double DX = X - W / 2.0 + 0.5, DY = Y - H / 2.0 + 0.5;
            bool Disc = DX * DX + DY * DY < (H / 4.0) * (H / 4.0);
            P[0] = Disc ? 40 : 30;
            P[1] = Disc ? 30 : static_cast<uint8_t>(Y * 8 / H % 2 ? 200 : 120);
            P[2] = Disc ? 60 : 240;
        }
}

uint32_t Px(TBitmap& B, int X, int Y) {
    auto* P = static_cast<uint8_t*>(B.ScanLine(Y)) + X * 3;
    return static_cast<uint32_t>(P[2]) << 16 | P[1] << 8 | P[0];
}

bool Same(TBitmap& A, TBitmap& B) {
    for (int Y = 0; Y < A.Height(); ++Y)
        for (int X = 0; X < A.Width(); ++X)
            if (Px(A, X, Y) != Px(B, X, Y)) return false;
    return true;
}

struct Pair {
    TBitmap From, To;
    Pair(int W, int H) {
        DrawFrom(From, W, H);
        DrawTo(To, W, H);
    }
};

// The output after composing a fixed frame sequence (every 128 steps, then Step), from
// a seeded generator: push, squeeze and the random effects build on earlier frames.
TBitmap& Frame(TIETransitionEffects& P, Pair& Pics, int Type, int Step, TIEBitmap* PanSource = nullptr) {
    RandSeed = 20261211;
    int W = Pics.From.Width(), H = Pics.From.Height();
    if (Type == iettPanZoom)
        EXPECT_TRUE(P.PreparePanZoom(PanSource, TRect(-W / 4, -H / 4, W / 2, H / 2), TRect(0, 0, W, H), W, H));
    else
        EXPECT_TRUE(P.Prepare(&Pics.From, &Pics.To, static_cast<TIETransitionType>(Type), W, H));
    for (int S = 0; S < Step; S += 128) P.ComposeFrame(S);
    P.ComposeFrame(Step);
    return P.Output();
}

TEST(TransitionEffects, TableNamesAndExtents) {
    EXPECT_STREQ(IETransitionEffect(1).Name, "Cross Fade");
    EXPECT_STREQ(IETransitionEffect(30).Name, "Expand In to Center");
    EXPECT_STREQ(IETransitionEffect(130).Name, "Crisscross Wipe from Bottom Left Top Right");
    EXPECT_STREQ(IETransitionEffect(163).Name, "Rectangles from the Bottom");
    EXPECT_EQ(static_cast<int>(iettRectanglesFromTheBottom), 163);
    EXPECT_EQ(static_cast<int>(iettPanZoom), 164);
    for (int T = 1; T <= 163; ++T) EXPECT_EQ(IETransitionEffect(T).Proc != nullptr, T >= 31) << T;
    EXPECT_EQ(IETransitionEffect(0).Proc, nullptr);
    EXPECT_EQ(IETransitionEffect(164).Proc, nullptr);
    struct Case {
        int W, H, Percent, DX, DY, N;
    };
    for (const Case& K : {Case{900, 600, 50, 450, 300, 10}, Case{600, 900, 50, 300, 450, 10},
                          Case{100, 40, 33, 33, 13, 1}, Case{10, 10, 100, 10, 10, 1}, Case{10, 9000, 50, 5, 4500, 100},
                          Case{44, 30, 0, 0, 0, 1}}) {
        int W, H, DX, DY, N;
        TransitionExtents(TRect(0, 0, K.W, K.H), 1, K.Percent, W, H, DX, DY, N);
        EXPECT_EQ((std::vector<int>{W, H, DX, DY, N}), (std::vector<int>{K.W, K.H, K.DX, K.DY, K.N}))
            << K.W << "x" << K.H << " " << K.Percent;
    }
}

TEST(TransitionEffects, ContactSheetsMatchTheirGoldens) {
    const int TW = 64, TH = 48, Cols = 12, Rows = (164 + Cols - 1) / Cols;
    Pair Pics(TW, TH);
    TIEBitmap PanSource;
    PanSource.CopyFromTBitmap(&Pics.To);
    TIETransitionEffects P(nullptr);
    for (int Step : {0, 256, 512, 768, 1024}) {
        const int SW = Cols * (TW + 2), SH = Rows * (TH + 2);
        std::vector<uint32_t> Sheet(static_cast<size_t>(SW) * SH, 0x808080);
        for (int T = 1; T <= 164; ++T) {
            TBitmap& Out = Frame(P, Pics, T, Step, &PanSource);
            int OX = (T - 1) % Cols * (TW + 2) + 1, OY = (T - 1) / Cols * (TH + 2) + 1;
            for (int Y = 0; Y < TH; ++Y)
                for (int X = 0; X < TW; ++X) Sheet[static_cast<size_t>(OY + Y) * SW + OX + X] = Px(Out, X, Y);
        }
        char Name[64];
        std::snprintf(Name, sizeof Name, "imaging/processing/transitions_step%04d.png", Step);
        std::string Golden = std::string(TESSARO_TEST_DATA) + "/" + Name;
        if (!fs::exists(Golden)) {
            fs::create_directories(fs::path(Golden).parent_path());
            ASSERT_TRUE(SavePixelsPng(Golden, Sheet.data(), SW, SH, SW));
            std::printf("golden image written: %s\n", Golden.c_str());
            continue;
        }
        std::vector<uint32_t> Want;
        int GW = 0, GH = 0;
        ASSERT_TRUE(LoadPixelsPng(Golden, Want, GW, GH));
        ASSERT_EQ(GW, SW);
        ASSERT_EQ(GH, SH);
        for (int T = 1; T <= 164; ++T) {
            int OX = (T - 1) % Cols * (TW + 2) + 1, OY = (T - 1) / Cols * (TH + 2) + 1, Diff = 0;
            for (int Y = 0; Y < TH; ++Y)
                for (int X = 0; X < TW; ++X) {
                    size_t I = static_cast<size_t>(OY + Y) * SW + OX + X;
                    Diff += (Sheet[I] & 0xFFFFFF) != (Want[I] & 0xFFFFFF);
                }
            EXPECT_EQ(Diff, 0) << "effect " << T << " at step " << Step << " differs from " << Name;
        }
    }
}

TEST(TransitionEffects, StartAndEndPictures) {
    Pair Pics(64, 48);
    TIETransitionEffects P(nullptr);
    for (int T = 31; T <= 163; ++T) EXPECT_TRUE(Same(Frame(P, Pics, T, 0), Pics.From)) << T << " at step 0";
    // At 100 % every table effect but the sweeps and grid shreds ends on the to picture.
    // Expand in from Sides / Top and Bottom and the two Quarters to Center copy halves of
    // W div 2 (+ 1) pixels into halves one pixel wider, so their last frame is the to
    // picture stretched by a pixel on one side: near it, not equal.
    for (int T = 31; T <= 163; ++T) {
        if (T == 109 || T == 110 || T == 137 || T == 138) continue;
        if (T == 45 || T == 46 || T == 75 || T == 76) continue;
        EXPECT_TRUE(Same(Frame(P, Pics, T, 1024), Pics.To)) << T << " " << IETransitionEffect(T).Name;
    }
    // The sweep leaves its last 3.6 degrees before 12 o'clock; the first after it is revealed.
    for (int T : {137, 138}) {
        TBitmap& Out = Frame(P, Pics, T, 1024);
        int Left = T == 137 ? 30 : 33, Right = T == 137 ? 33 : 30;  // centre column 32
        EXPECT_EQ(Px(Out, Left, 1), Px(Pics.From, Left, 1)) << T;
        EXPECT_EQ(Px(Out, Right, 1), Px(Pics.To, Right, 1)) << T;
        EXPECT_EQ(Px(Out, 5, 40), Px(Pics.To, 5, 40)) << T;
    }
    // Grid shreds: with an odd n the rectangles at the grid points leave the middle open.
    for (auto [W, H, Gap] : {std::tuple{270, 180, true}, std::tuple{360, 240, false}}) {
        Pair Big(W, H);
        TBitmap& Out = Frame(P, Big, 109, 1024);
        EXPECT_EQ(Same(Out, Big.To), !Gap) << W;
        EXPECT_EQ(Px(Out, W / 2, H / 2) == Px(Big.From, W / 2, H / 2), Gap) << W;
    }
}

TEST(TransitionEffects, FramesAtHalfWay) {
    Pair Pics(40, 30);
    TIETransitionEffects P(nullptr);
    // Cross Fade: (from + to) / 2 rounded down in every channel.
    TBitmap& X = Frame(P, Pics, iettCrossDissolve, 512);
    for (int Y = 0; Y < 30; Y += 7)
        for (int Xx = 0; Xx < 40; Xx += 5) {
            uint32_t F = Px(Pics.From, Xx, Y), T = Px(Pics.To, Xx, Y), O = Px(X, Xx, Y);
            for (int S = 0; S < 24; S += 8)
                EXPECT_EQ((O >> S) & 0xFF, (((F >> S) & 0xFF) + ((T >> S) & 0xFF)) / 2) << Xx << "," << Y;
        }
    // Fade Out then In: without a view the background is black, reached at the middle.
    TBitmap& Mid = Frame(P, Pics, iettFadeOutIn, 512);
    for (int Y = 0; Y < 30; Y += 3) EXPECT_EQ(Px(Mid, Y, Y), 0u);
    TBitmap& Later = Frame(P, Pics, iettFadeOutIn, 768);  // the to picture fading in at half
    EXPECT_EQ(Px(Later, 0, 0) & 0xFF, (Px(Pics.To, 0, 0) & 0xFF) / 2);

    // Vertical Blinds on 900 x 600: n is 10, bands of 45 pixels every 90.
    Pair Wide(900, 600);
    TBitmap& Blinds = Frame(P, Wide, iettVerticalBlinds, 512);
    for (int X = 0; X < 900; ++X) {
        bool Revealed = X % 90 < 45;
        ASSERT_EQ(Px(Blinds, X, 300), Px(Revealed ? Wide.To : Wide.From, X, 300)) << X;
    }
    // Bars from both Sides on 100 rows at 50 %: even bands from the right, odd from the left.
    Pair Bars(80, 100);
    TBitmap& B = Frame(P, Bars, iettBarsFrombothSides, 512);
    for (int Y = 0; Y < 100; ++Y)
        for (int X : {0, 39, 40, 79}) {
            bool Even = (Y / 5) % 2 == 0;
            bool Revealed = Even ? X >= 40 : X < 40;
            EXPECT_EQ(Px(B, X, Y), Px(Revealed ? Bars.To : Bars.From, X, Y)) << X << "," << Y;
        }
    // Crisscross 130 reveals where both crisscrosses from the corners do.
    for (int Step : {256, 512, 700}) {
        Pair C(120, 90);
        TBitmap A1;
        A1.Assign(Frame(P, C, iettCrisscrossWipeFromBottomRight, Step));
        TBitmap A2;
        A2.Assign(Frame(P, C, iettCrisscrossWipeFromTopLeft, Step));
        TBitmap& Both = Frame(P, C, iettCrisscrossWipeFromBottomLeftTopRight, Step);
        int Revealed = 0;
        for (int Y = 0; Y < 90; ++Y)
            for (int X = 0; X < 120; ++X) {
                bool R = Px(A1, X, Y) == Px(C.To, X, Y) && Px(A2, X, Y) == Px(C.To, X, Y) &&
                         Px(C.To, X, Y) != Px(C.From, X, Y);
                if (Px(C.To, X, Y) == Px(C.From, X, Y)) continue;
                ASSERT_EQ(Px(Both, X, Y) == Px(C.To, X, Y), R) << Step << " " << X << "," << Y;
                Revealed += R;
            }
        EXPECT_GT(Revealed, 0) << Step;
    }
}

TEST(TransitionEffects, OddSizesFinishEveryEffect) {
    TIETransitionEffects P(nullptr);
    for (auto [W, H] : {std::pair{10, 10}, std::pair{44, 30}, std::pair{10, 9000}, std::pair{9000, 10}}) {
        Pair Pics(W, H);
        TIEBitmap PanSource;
        PanSource.CopyFromTBitmap(&Pics.To);
        for (int T = 1; T <= 164; ++T) {
            RandSeed = 7;
            if (T == iettPanZoom)
                ASSERT_TRUE(P.PreparePanZoom(&PanSource, TRect(W / 2, H / 2, W + W / 3, H + H / 3), TRect(0, 0, W, H),
                                             W, H));
            else
                ASSERT_TRUE(P.Prepare(&Pics.From, &Pics.To, static_cast<TIETransitionType>(T), W, H));
            for (int S : {0, 500, 1024}) P.ComposeFrame(S);
        }
    }
}

TEST(TransitionEffects, PanZoomClipsOnEverySide) {
    // A source rectangle reaching past the right and bottom edges is clipped there: the
    // uncovered part of the output shows the background (black without a view).
    Pair Pics(64, 48);
    TIEBitmap Source;
    Source.CopyFromTBitmap(&Pics.To);
    TIETransitionEffects P(nullptr);
    ASSERT_TRUE(P.PreparePanZoom(&Source, TRect(32, 24, 96, 72), TRect(0, 0, 64, 48), 64, 48));
    P.ComposeFrame(0);
    TBitmap& Out = P.Output();
    EXPECT_EQ(Px(Out, 63, 47), 0u);
    EXPECT_EQ(Px(Out, 40, 30), 0u);
    EXPECT_EQ(Px(Out, 0, 0), Px(Pics.To, 32, 24));
    EXPECT_EQ(Px(Out, 30, 22), Px(Pics.To, 47, 35));
    P.ComposeFrame(1024);
    EXPECT_TRUE(Same(P.Output(), Pics.To));
}

}  // namespace
