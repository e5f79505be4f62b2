// The processing component on its own and on caller bitmaps: the operations against
// pixels worked out by hand and against ImageMagick, undo and redo, and the
// format preference table.
#include "imaging/processing/imageproc.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/bitmaps/iemisc.h"
#include "imaging/processing/pixelutils.h"
#include "imaging/processing/procstartup.h"
#include "testimg.h"

namespace fs = std::filesystem;

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { IEProcessingStartup(); }
    void TearDown() override { IEProcessingShutdown(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

TRGB C(uint8_t R, uint8_t G, uint8_t B) { return TRGB{B, G, R}; }
bool operator==(TRGB A, TRGB B) { return A.r == B.r && A.g == B.g && A.b == B.b; }

// A bitmap whose colours change across both axes, so that every resample differs.
std::unique_ptr<TIEBitmap> Gradient(int W, int H) {
    auto B = std::make_unique<TIEBitmap>();
    B->Allocate(W, H, ieRGB24);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            B->SetPixelRGB24(X, Y, C(static_cast<uint8_t>(X * 255 / std::max(1, W - 1)),
                                     static_cast<uint8_t>(Y * 255 / std::max(1, H - 1)),
                                     static_cast<uint8_t>((X * 7 + Y * 13) % 256)));
    return B;
}

// Smooth in every channel, without edges inside: resamplers then differ only by their arithmetic.
std::unique_ptr<TIEBitmap> Smooth(int W, int H) {
    auto B = std::make_unique<TIEBitmap>();
    B->Allocate(W, H, ieRGB24);
    for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X)
            B->SetPixelRGB24(X, Y, C(static_cast<uint8_t>(X * 255 / (W - 1)), static_cast<uint8_t>(Y * 255 / (H - 1)),
                                     static_cast<uint8_t>(128 + 100 * std::sin(X / 7.0) * std::cos(Y / 5.0))));
    return B;
}

struct Events {
    std::vector<int> Progress;
    int Finished = 0;
    void Bind(TIEImageProc& P) {
        P.OnProgress = [this](TObject*, int Percent) { Progress.push_back(Percent); };
        P.OnFinishWork = [this](TObject*) { ++Finished; };
    }
};

TEST(ImageProc, ConvertToGrayWeighsTheChannelsAndLeavesOtherFormats) {
    // (21 R + 71 G + 8 B) div 100 by hand.
    auto B = testimg::RGB24(3, 2, {C(255, 0, 0), C(0, 255, 0), C(0, 0, 255), C(100, 150, 200), C(7, 3, 250), C(255, 255, 255)});
    const uint8_t Want[6] = {53, 181, 20, 143, 23, 255};
    TIEImageProc P;
    Events E;
    E.Bind(P);
    P.SetAttachedBitmap(B.get());
    P.ConvertToGray();
    for (int I = 0; I < 6; ++I) EXPECT_EQ(B->GetPixelRGB24(I % 3, I / 3), C(Want[I], Want[I], Want[I])) << I;
    // Two rows: 40 and 80 from the rows, 100 from the finish; never above 100.
    EXPECT_EQ(E.Progress, (std::vector<int>{40, 80, 100}));
    EXPECT_EQ(E.Finished, 1);
    ASSERT_EQ(P.UndoCount(), 1);
    EXPECT_EQ(P.UndoCaptions(), (std::vector<std::string>{"ConvertToGray"}));
    // A single row reports below 100 too.
    auto Row = testimg::RGB24(2, 1, {C(1, 2, 3), C(4, 5, 6)});
    E.Progress.clear();
    P.SetAttachedBitmap(Row.get());
    P.ConvertToGray();
    EXPECT_EQ(E.Progress, (std::vector<int>{66, 100}));
    // An ie8g image is not converted and its pixels stay.
    auto G = testimg::Grey(2, 2, {10, 20, 30, 40});
    P.SetAttachedBitmap(G.get());
    P.ConvertToGray();
    EXPECT_EQ(G->PixelFormat(), ie8g);
    EXPECT_EQ(testimg::Bytes(G.get()), (std::vector<int>{10, 20, 30, 40}));
}

TEST(ImageProc, IntensityClampsEachChannel) {
    auto B = testimg::RGB24(2, 2, {C(0, 0, 0), C(10, 128, 250), C(255, 255, 255), C(200, 1, 100)});
    TIEImageProc P;
    P.SetAttachedBitmap(B.get());
    P.IntensityRGBall(300, 0, -300);
    for (TRGB Px : testimg::Pixels(B.get())) {
        EXPECT_EQ(Px.r, 255);
        EXPECT_EQ(Px.b, 0);
    }
    EXPECT_EQ(B->GetPixelRGB24(1, 0).g, 128);
    EXPECT_EQ(B->GetPixelRGB24(1, 1).g, 1);
    EXPECT_EQ(P.UndoCaptions(), (std::vector<std::string>{"IntensityRGBall 300,0,-300"}));
    // An ie8g image is made ieRGB24 first (the first of its row of the table).
    auto G = testimg::Grey(2, 2, {10, 20, 30, 40});
    P.SetAttachedBitmap(G.get());
    P.IntensityRGBall(5, 6, 7);
    ASSERT_EQ(G->PixelFormat(), ieRGB24);
    EXPECT_EQ(G->GetPixelRGB24(1, 1), C(45, 46, 47));
}

TEST(ImageProc, ConvertToReducesColours) {
    // Two colours: the threshold is the average grey; pixels above it are white.
    auto B = testimg::RGB24(2, 2, {C(10, 10, 10), C(90, 90, 90), C(110, 110, 110), C(200, 200, 200)});  // average 102
    TIEImageProc P;
    Events E;
    E.Bind(P);
    P.SetAttachedBitmap(B.get());
    P.ConvertTo(2, ieBWThreshold);
    ASSERT_EQ(B->PixelFormat(), ie1g);
    EXPECT_EQ(testimg::BWRows(B.get()), (std::vector<std::string>{"..", "##"}));
    EXPECT_EQ(P.UndoCaptions(), (std::vector<std::string>{"ConvertTo 2"}));
    EXPECT_EQ(E.Finished, 1);

    // By ordered dither: a mid grey becomes a pattern of both levels.
    auto D = std::make_unique<TIEBitmap>();
    D->Allocate(8, 8, ieRGB24);
    D->Fill(0x808080);
    P.SetAttachedBitmap(D.get());
    P.ConvertTo(2, ieBWOrderedDither);
    ASSERT_EQ(D->PixelFormat(), ie1g);
    int White = 0;
    for (const std::string& R : testimg::BWRows(D.get())) White += static_cast<int>(std::count(R.begin(), R.end(), '#'));
    EXPECT_GT(White, 16);
    EXPECT_LT(White, 48);

    // Sixteen colours at most; the bitmap stays ieRGB24.
    auto Q = Gradient(40, 30);
    P.SetAttachedBitmap(Q.get());
    P.ConvertTo(16, ieBWThreshold);
    ASSERT_EQ(Q->PixelFormat(), ieRGB24);
    std::set<uint32_t> Colours;
    for (TRGB Px : testimg::Pixels(Q.get())) Colours.insert(Px.r << 16 | Px.g << 8 | Px.b);
    EXPECT_LE(Colours.size(), 16u);
    EXPECT_GT(Colours.size(), 1u);

    // Above 1024 only the step and the events.
    auto Big = Gradient(12, 9);
    auto Before = testimg::Pixels(Big.get());
    P.SetAttachedBitmap(Big.get());
    P.ClearAllUndo();
    E = Events{};
    E.Bind(P);
    P.ConvertTo(2000, ieBWThreshold);
    EXPECT_EQ(testimg::Pixels(Big.get()), Before);
    EXPECT_EQ(P.UndoCaptions(), (std::vector<std::string>{"ConvertTo 2000"}));
    EXPECT_EQ(E.Finished, 1);
    EXPECT_EQ(E.Progress, (std::vector<int>{100}));
}

TEST(ImageProc, ConvertToPaletteFillsOnlyWhatTheCallerGave) {
    TIEImageProc P;
    auto B = testimg::RGB24(2, 2, {C(10, 10, 10), C(250, 250, 250), C(10, 10, 10), C(250, 250, 250)});
    P.SetAttachedBitmap(B.get());
    std::array<TRGB, 3> Two{C(1, 2, 3), C(1, 2, 3), C(9, 9, 9)};
    P.ConvertToPalette(2, Two, ieBWThreshold);
    EXPECT_EQ(B->PixelFormat(), ie1g);
    EXPECT_EQ(Two[0], C(0, 0, 0));
    EXPECT_EQ(Two[1], C(255, 255, 255));
    EXPECT_EQ(Two[2], C(9, 9, 9));
    EXPECT_EQ(P.UndoCaptions(), (std::vector<std::string>{"ConvertToPalette"}));

    // Three exact colours: the palette holds them. A palette shorter than the count
    // gets only its own entries (the sanitizer build sees any write past it).
    auto T = testimg::RGB24(3, 2, {C(255, 0, 0), C(0, 255, 0), C(0, 0, 255), C(255, 0, 0), C(0, 255, 0), C(0, 0, 255)});
    P.SetAttachedBitmap(T.get());
    std::vector<TRGB> Pal(3, C(7, 7, 7));
    P.ConvertToPalette(3, Pal, ieBWThreshold);
    std::set<uint32_t> Got;
    for (TRGB E : Pal) Got.insert(E.r << 16 | E.g << 8 | E.b);
    EXPECT_EQ(Got, (std::set<uint32_t>{0xFF0000, 0x00FF00, 0x0000FF}));
    auto U = Gradient(20, 20);
    P.SetAttachedBitmap(U.get());
    auto Short = std::make_unique<TRGB[]>(2);
    P.ConvertToPalette(64, std::span<TRGB>(Short.get(), 2), ieBWThreshold);
    auto Empty = std::span<TRGB>();
    P.ConvertToPalette(2, Empty, ieBWThreshold);
    // Zero colours: nothing at all.
    auto Z = Gradient(4, 4);
    auto Before = testimg::Pixels(Z.get());
    P.SetAttachedBitmap(Z.get());
    P.ClearAllUndo();
    P.ConvertToPalette(0, Pal, ieBWThreshold);
    EXPECT_EQ(testimg::Pixels(Z.get()), Before);
    EXPECT_EQ(P.UndoCount(), 0);
}

TEST(ImageProc, ResampleSizes) {
    struct Case {
        int NW, NH, W, H;  // W 0: nothing made
    };
    const Case Cases[] = {
        {-1, 100, 200, 100}, {0, 50, 400, 50}, {-5, 7, 5, 7}, {-1, 0, 1, 200}, {120, -1, 120, 60},
        {-1, -1, 0, 0},      {-3, -2, 0, 0},   {10, 0, 10, 200},
    };
    for (const Case& K : Cases) {
        auto Src = Gradient(400, 200);
        TIEImageProc P;
        Events E;
        E.Bind(P);
        P.SetAttachedBitmap(Src.get());
        TIEBitmap Dest;
        P.ResampleTo(&Dest, K.NW, K.NH, rfTriangle);
        EXPECT_EQ(Dest.Width(), K.W) << K.NW << "," << K.NH;
        EXPECT_EQ(Dest.Height(), K.H) << K.NW << "," << K.NH;
        EXPECT_EQ(P.UndoCaptions(), (std::vector<std::string>{"Resample " + std::to_string(K.NW) + "," +
                                                              std::to_string(K.NH)}));
        EXPECT_EQ(E.Finished, K.W ? 1 : 0);
        // In place: the work bitmap takes the new size; OnFinishWork fires in ResampleTo and again.
        E = Events{};
        E.Bind(P);
        P.Resample(K.NW, K.NH, rfTriangle);
        EXPECT_EQ(Src->Width(), K.W ? K.W : 400);
        EXPECT_EQ(Src->Height(), K.H ? K.H : 200);
        EXPECT_EQ(E.Finished, K.W ? 2 : 1);
    }
}

TEST(ImageProc, ResampleKeepsGreyWorkBitmapsInTheirFormat) {
    for (TIEPixelFormat F : {ie8g, ie16g}) {
        auto B = std::make_unique<TIEBitmap>();
        B->Allocate(40, 20, F);
        for (int Y = 0; Y < 20; ++Y)
            for (int X = 0; X < 40; ++X) {
                if (F == ie8g)
                    B->SetPixel8(X, Y, static_cast<uint8_t>(X * 6));
                else
                    B->SetPixel16(X, Y, static_cast<uint16_t>(X * 1600));
            }
        TIEImageProc P;
        P.SetAttachedBitmap(B.get());
        P.Resample(20, 10, rfTriangle);
        ASSERT_EQ(B->Width(), 20);
        ASSERT_EQ(B->Height(), 10);
        EXPECT_EQ(B->PixelFormat(), F);
        // The left-to-right ramp survives: each column at least as light as the one before.
        for (int X = 1; X < 20; ++X)
            EXPECT_GE(B->GetPixelRGB(X, 5).r, B->GetPixelRGB(X - 1, 5).r) << static_cast<int>(F) << " x " << X;
        EXPECT_GT(B->GetPixelRGB(19, 5).r, B->GetPixelRGB(0, 5).r + 150);
    }
}

TEST(ImageProc, ResampleOfBlackAndWhiteAndOfTheAlphaChannel) {
    // An ie1g picture stays ie1g with the nearest pixel; the smoothing filters average it
    // into grey ieRGB24 (the resampler's rule). The black left and white right halves stay.
    struct Case {
        TResampleFilter Filter;
        TIEPixelFormat Format;
    };
    for (const Case& K : {Case{rfNone, ie1g}, Case{rfTriangle, ieRGB24}, Case{rfLanczos3, ieRGB24}}) {
        auto BW = testimg::BW({"....####", "....####", "....####", "....####"});
        TIEImageProc P;
        P.SetAttachedBitmap(BW.get());
        P.Resample(16, 2, K.Filter);
        ASSERT_EQ(BW->PixelFormat(), K.Format) << static_cast<int>(K.Filter);
        ASSERT_EQ(BW->Width(), 16);
        for (int Y = 0; Y < 2; ++Y)
            for (int X : {0, 5, 10, 15})
                EXPECT_EQ(BW->GetPixelRGB(X, Y).g, X < 8 ? 0 : 255) << static_cast<int>(K.Filter) << " " << X;
    }
    // The alpha channel is resampled with the pixels: an opaque top half over a clear bottom half.
    auto B = Gradient(20, 20);
    TIEBitmap* A = B->GetAlphaChannel();
    for (int Y = 0; Y < 20; ++Y)
        for (int X = 0; X < 20; ++X) A->SetPixel8(X, Y, Y < 10 ? 255 : 0);
    TIEImageProc P;
    P.SetAttachedBitmap(B.get());
    P.Resample(10, 10, rfNone);
    ASSERT_TRUE(B->HasAlphaChannel());
    ASSERT_EQ(B->GetAlphaChannel()->Width(), 10);
    ASSERT_EQ(B->GetAlphaChannel()->Height(), 10);
    EXPECT_EQ(B->GetAlphaChannel()->GetPixel8(5, 1), 255);
    EXPECT_EQ(B->GetAlphaChannel()->GetPixel8(5, 8), 0);
}

TEST(ImageProc, PreferenceTableConvertsToTheFirstAcceptedFormat) {
    // Allowing every format but the current one picks the first entry of its row; allowing
    // none of the row picks the highest allowed format.
    struct Row {
        TIEPixelFormat Current, First;
    };
    const Row Rows[] = {{ie1g, ie8g},      {ie8p, ieRGB24},   {ie8g, ie16g},     {ie16g, ie32f},  {ieRGB24, ieCMYK},
                        {ie32f, ie16g},    {ieCMYK, ieRGB24}, {ieRGB48, ieRGB24}, {ieCIELab, ieRGB24}};
    for (const Row& R : Rows) {
        TIEPixelFormatSet All{ie1g, ie8p, ie8g, ie16g, ieRGB24, ie32f, ieCMYK, ieRGB48, ieCIELab};
        TIEBitmap B;
        B.Allocate(4, 4, R.Current);
        TIEImageProc P;
        P.SetAttachedBitmap(&B);
        EXPECT_TRUE(P.MakeConsistentBitmap(All.Exclude(R.Current)));
        EXPECT_EQ(B.PixelFormat(), R.First) << static_cast<int>(R.Current);
        const TIEFormatPreference& Pref = IEFormatPreference(R.Current);
        ASSERT_GT(Pref.Count, 0);
        EXPECT_EQ(Pref.Formats[0], R.First);
    }
    TIEBitmap B;
    B.Allocate(4, 4, ie1g);
    TIEImageProc P;
    P.SetAttachedBitmap(&B);
    EXPECT_TRUE(P.MakeConsistentBitmap({ie8p}));  // not in ie1g's row
    EXPECT_EQ(B.PixelFormat(), ie8p);
    P.AutoConvertFormat = false;
    EXPECT_FALSE(P.MakeConsistentBitmap({ieRGB24}));
    EXPECT_EQ(B.PixelFormat(), ie8p);
    EXPECT_TRUE(P.MakeConsistentBitmap({}));
    EXPECT_EQ(IEFormatPreference(ieNoFormat).Count, 0);
    EXPECT_EQ(IEFormatPreference(ieRGB24).Count, 6);
}

// ---- Undo and redo --------------------------------------------------------------------------

TEST(ImageProc, UndoLimitReadsAtLeastOne) {
    struct Case {
        int Set, Read, StepsAfterThree;
    };
    for (const Case& K : {Case{1, 1, 1}, Case{2, 2, 2}, Case{0, 1, 1}, Case{-5, 1, 1}, Case{5, 5, 3}}) {
        TIEImageProc P;
        P.SetUndoLimit(K.Set);
        EXPECT_EQ(P.UndoLimit(), K.Read) << K.Set;
        auto B = Gradient(4, 4);
        P.SetAttachedBitmap(B.get());
        for (int I = 0; I < 3; ++I) P.IntensityRGBall(I + 1, 0, 0);
        EXPECT_EQ(P.UndoCount(), K.StepsAfterThree) << K.Set;
        // The newest captions stay.
        EXPECT_EQ(P.UndoCaptions().back(), "IntensityRGBall 3,0,0");
    }
}

TEST(ImageProc, UndoRestoresTheStateBeforeTheLastOperation) {
    auto B = testimg::RGB24(2, 2, {C(10, 20, 30), C(40, 50, 60), C(70, 80, 90), C(100, 110, 120)});
    const auto Original = testimg::Pixels(B.get());
    TIEImageProc P;  // limit 1
    P.SetAttachedBitmap(B.get());
    P.IntensityRGBall(10, 0, 0);
    const auto AfterFirst = testimg::Pixels(B.get());
    P.IntensityRGBall(0, 10, 0);
    ASSERT_EQ(P.UndoCount(), 1);
    EXPECT_EQ(P.UndoCaptions(), (std::vector<std::string>{"IntensityRGBall 0,10,0"}));
    P.Undo();
    EXPECT_EQ(testimg::Pixels(B.get()), AfterFirst);
    P.IntensityRGBall(0, 0, 10);  // replaces the step
    P.Undo();
    P.Undo();  // the same step again, not an older one
    EXPECT_EQ(testimg::Pixels(B.get()), AfterFirst);
    EXPECT_EQ(P.UndoCount(), 1);
    // Out-of-range indexes are ignored.
    P.IntensityRGBall(1, 1, 1);
    const auto Now = testimg::Pixels(B.get());
    for (int I : {1, 5, -1}) {
        P.UndoAt(I);
        P.RedoAt(I);
        EXPECT_EQ(testimg::Pixels(B.get()), Now) << I;
    }
    P.Redo();  // empty redo list
    EXPECT_EQ(testimg::Pixels(B.get()), Now);
    // With a limit of 3, UndoAt counts from the newest.
    TIEImageProc Q;
    Q.SetUndoLimit(3);
    auto D = testimg::RGB24(2, 2, Original);
    Q.SetAttachedBitmap(D.get());
    Q.IntensityRGBall(10, 0, 0);
    Q.IntensityRGBall(10, 0, 0);
    Q.IntensityRGBall(10, 0, 0);
    Q.UndoAt(2);
    EXPECT_EQ(testimg::Pixels(D.get()), Original);
    Q.UndoAt(1);
    EXPECT_EQ(D->GetPixelRGB24(0, 0), C(20, 20, 30));
}

TEST(ImageProc, ConvertToSavesItsStepAfterTheFormatConversion) {
    // The step holds the ieRGB24 copy of an ie8g original: Undo gives back its pixels,
    // no longer its format.
    auto G = testimg::Grey(2, 2, {10, 20, 30, 40});
    TIEImageProc P;
    P.SetAttachedBitmap(G.get());
    P.ConvertTo(2, ieBWThreshold);
    ASSERT_EQ(G->PixelFormat(), ie1g);
    P.Undo();
    ASSERT_EQ(G->PixelFormat(), ieRGB24);
    EXPECT_EQ(G->GetPixelRGB24(1, 1), C(40, 40, 40));
    // IntensityRGBall saves before converting: Undo gives the ie8g image back.
    auto H = testimg::Grey(2, 2, {10, 20, 30, 40});
    P.SetAttachedBitmap(H.get());
    P.IntensityRGBall(1, 1, 1);
    P.Undo();
    EXPECT_EQ(H->PixelFormat(), ie8g);
    EXPECT_EQ(testimg::Bytes(H.get()), (std::vector<int>{10, 20, 30, 40}));
}

TEST(ImageProc, StepsNeedTwoByTwoAndASelectionNeedsAView) {
    TIEImageProc P;
    auto Thin = Gradient(1, 5);
    P.SetAttachedBitmap(Thin.get());
    P.IntensityRGBall(1, 1, 1);
    P.SaveUndo(ieuImage);
    P.SaveUndoCaptioned("x", ieuImage);
    EXPECT_EQ(P.UndoCount(), 0);
    auto Flat = Gradient(5, 1);
    P.SetAttachedBitmap(Flat.get());
    P.ConvertToGray();
    EXPECT_EQ(P.UndoCount(), 0);
    // Without a single-image view a selection step makes nothing and takes no caption.
    auto B = Gradient(4, 4);
    P.SetAttachedBitmap(B.get());
    P.SaveUndoCaptioned("kept", ieuImage);
    P.SaveUndoCaptioned("selection", ieuSelection);
    EXPECT_EQ(P.UndoCaptions(), (std::vector<std::string>{"kept"}));
    P.Undo();  // still the image step
    // A 2x2 image is enough.
    auto Two = Gradient(2, 2);
    P.SetAttachedBitmap(Two.get());
    P.SetUndoLimit(3);
    P.ConvertToGray();
    EXPECT_EQ(P.UndoCaptions(), (std::vector<std::string>{"kept", "ConvertToGray"}));
}

TEST(ImageProc, RedoListIsATwin) {
    auto B = testimg::RGB24(2, 2, {C(10, 20, 30), C(40, 50, 60), C(70, 80, 90), C(100, 110, 120)});
    const auto Original = testimg::Pixels(B.get());
    TIEImageProc P;
    P.SetUndoLimit(2);
    P.SetAttachedBitmap(B.get());
    P.SaveRedoCaptioned("first", ieuImage);
    P.IntensityRGBall(50, 50, 50);
    const auto Brighter = testimg::Pixels(B.get());
    P.SaveRedo(ieuImage);
    P.SaveRedo(ieuImage);  // the limit pushes "first" out
    EXPECT_EQ(P.RedoCaptions(), (std::vector<std::string>{"", ""}));
    P.ClearLastRedo();
    EXPECT_EQ(P.RedoCount(), 1);
    P.Undo();
    EXPECT_EQ(testimg::Pixels(B.get()), Original);
    P.RedoAt(0);
    EXPECT_EQ(testimg::Pixels(B.get()), Brighter);
    P.ClearLastRedo();
    P.ClearLastRedo();  // empty: nothing
    EXPECT_EQ(P.RedoCount(), 0);
    P.SaveRedoCaptioned("again", ieuImage);
    EXPECT_EQ(P.RedoCaptions(), (std::vector<std::string>{"again"}));
    P.ClearAllRedo();
    P.ClearAllUndo();
    EXPECT_EQ(P.RedoCount() + P.UndoCount(), 0);
}

TEST(ImageProc, ImageStepsLiveInTemporaryFilesThatGoWithTheComponent) {
    fs::path Dir = fs::temp_directory_path() / ("ieproc_undo_" + std::to_string(::getpid()));
    fs::create_directories(Dir);
    std::string Saved = LibraryTempFolder;
    LibraryTempFolder = Dir.string();
    auto Count = [&] { return std::distance(fs::directory_iterator(Dir), fs::directory_iterator()); };
    {
        auto B = Gradient(64, 64);
        B->SetLocation(ieMemory);
        auto Mem = testimg::Pixels(B.get());
        TIEImageProc P;
        P.SetUndoLimit(3);
        P.SetAttachedBitmap(B.get());
        P.IntensityRGBall(1, 2, 3);
        P.IntensityRGBall(1, 2, 3);
        EXPECT_EQ(Count(), 2);
        P.UndoAt(1);
        EXPECT_EQ(testimg::Pixels(B.get()), Mem);
    }
    EXPECT_EQ(Count(), 0);
    LibraryTempFolder = Saved;
    fs::remove_all(Dir);
}

// ---- Against ImageMagick ------------------------------------------------------------------------

bool HaveConvert() {
    static int Have = -1;
    if (Have < 0) Have = std::system("convert -version >/dev/null 2>&1") == 0 ? 1 : 0;
    return Have == 1;
}

void WritePPM(TIEBitmap* B, const std::string& File) {
    std::ofstream O(File, std::ios::binary);
    O << "P6\n" << B->Width() << " " << B->Height() << "\n255\n";
    for (int Y = 0; Y < B->Height(); ++Y)
        for (int X = 0; X < B->Width(); ++X) {
            TRGB P = B->GetPixelRGB24(X, Y);
            O.put(static_cast<char>(P.r)).put(static_cast<char>(P.g)).put(static_cast<char>(P.b));
        }
}

// ImageMagick's result of Ops on the picture, as a bitmap; empty when it failed.
std::unique_ptr<TIEBitmap> Magick(TIEBitmap* B, const std::string& Ops) {
    fs::path Dir = fs::temp_directory_path();
    std::string In = (Dir / ("ieproc_im_in_" + std::to_string(::getpid()) + ".ppm")).string();
    std::string Out = (Dir / ("ieproc_im_out_" + std::to_string(::getpid()) + ".ppm")).string();
    WritePPM(B, In);
    std::string Cmd = "convert " + In + " " + Ops + " -depth 8 " + Out + " >/dev/null 2>&1";
    int Rc = std::system(Cmd.c_str());
    auto R = std::make_unique<TIEBitmap>();
    std::ifstream I(Out, std::ios::binary);
    std::string Magic;
    int W = 0, H = 0, Max = 0;
    if (Rc == 0 && I >> Magic >> W >> H >> Max && Magic == "P6" && Max == 255) {
        I.get();
        R->Allocate(W, H, ieRGB24);
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X) {
                uint8_t Px[3];
                I.read(reinterpret_cast<char*>(Px), 3);
                R->SetPixelRGB24(X, Y, C(Px[0], Px[1], Px[2]));
            }
    }
    fs::remove(In);
    fs::remove(Out);
    return R;
}

int MaxDiff(TIEBitmap* A, TIEBitmap* B, int Border = 0) {
    int M = 0;
    for (int Y = Border; Y < A->Height() - Border; ++Y)
        for (int X = Border; X < A->Width() - Border; ++X) {
            TRGB P = A->GetPixelRGB24(X, Y), Q = B->GetPixelRGB24(X, Y);
            M = std::max({M, std::abs(P.r - Q.r), std::abs(P.g - Q.g), std::abs(P.b - Q.b)});
        }
    return M;
}

TEST(ImageProc, GreyAndIntensityMatchImageMagickExactly) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    // Both work in whole bytes here: the grey expression floors the weighted sum as our
    // integer division does, and 20 % of the range is exactly 51 byte steps, clamped alike.
    auto B = Gradient(37, 23);
    auto Grey = Magick(B.get(), "-fx \"floor((21*r+71*g+8*b)*255/100+0.000001)/255\"");
    auto Bright = Magick(B.get(), "-channel R -evaluate add 20% -channel B -evaluate subtract 20% +channel");
    ASSERT_EQ(Grey->Width(), 37);
    ASSERT_EQ(Bright->Width(), 37);
    auto G = testimg::RGB24(37, 23, testimg::Pixels(B.get()));
    TIEImageProc P;
    P.SetAttachedBitmap(G.get());
    P.ConvertToGray();
    EXPECT_EQ(MaxDiff(G.get(), Grey.get()), 0);
    P.SetAttachedBitmap(B.get());
    P.IntensityRGBall(51, 0, -51);
    EXPECT_EQ(MaxDiff(B.get(), Bright.get()), 0);
}

// The largest change of any channel between neighbouring pixels, across and down.
void Slopes(TIEBitmap* B, int Channel, int& SX, int& SY) {
    auto V = [&](int X, int Y) {
        TRGB P = B->GetPixelRGB24(X, Y);
        return Channel == 0 ? P.r : Channel == 1 ? P.g : P.b;
    };
    SX = SY = 0;
    for (int Y = 0; Y < B->Height(); ++Y)
        for (int X = 0; X < B->Width(); ++X) {
            if (X > 0) SX = std::max(SX, std::abs(V(X, Y) - V(X - 1, Y)));
            if (Y > 0) SY = std::max(SY, std::abs(V(X, Y) - V(X, Y - 1)));
        }
}

TEST(ImageProc, ResampleFiltersAgreeWithImageMagick) {
    if (!HaveConvert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
    // The kernels and their stretched supports are the same. Two things differ:
    // - where a destination pixel lies: our resampler puts the first and last pixels on
    //   the source's corners (pixel i at i (S - 1) / (D - 1)), ImageMagick centres them
    //   (at (i + 0.5) S / D - 0.5); the two differ by at most |0.5 S / D - 0.5| source
    //   pixels, at the ends. On this smooth picture that moves a value by at most the
    //   channel's neighbour difference times the shift, across plus down; the nearest
    //   pixel may lie half a pixel further;
    // - arithmetic: our weights are rounded to 1/256 and summed in integers, 2 levels at most.
    // The edges, where each renormalises the cut kernel over its own sample positions,
    // are left out (3 pixels).
    struct Case {
        TResampleFilter Filter;
        const char* Name;
        int W, H;
    };
    const Case Cases[] = {
        {rfTriangle, "Triangle", 29, 17}, {rfHermite, "Hermite", 29, 17}, {rfMitchell, "Mitchell", 29, 17},
        {rfLanczos3, "Lanczos", 29, 17},  {rfTriangle, "Triangle", 97, 61}, {rfHermite, "Hermite", 97, 61},
        {rfMitchell, "Mitchell", 97, 61}, {rfLanczos3, "Lanczos", 97, 61}, {rfNearest, "Point", 30, 20},
        {rfNearest, "Point", 97, 61},
    };
    for (const Case& K : Cases) {
        auto Src = Smooth(60, 40);
        double Half = K.Filter == rfNearest ? 0.5 : 0;
        double OX = std::abs(0.5 * 60 / K.W - 0.5) + Half, OY = std::abs(0.5 * 40 / K.H - 0.5) + Half;
        int Tol = 0;
        for (int Ch = 0; Ch < 3; ++Ch) {
            int SX, SY;
            Slopes(Src.get(), Ch, SX, SY);
            Tol = std::max(Tol, static_cast<int>(std::ceil(SX * OX + SY * OY)) + 2);
        }
        auto Want = Magick(Src.get(), std::string("-filter ") + K.Name + " -resize " + std::to_string(K.W) + "x" +
                                          std::to_string(K.H) + "!");
        ASSERT_EQ(Want->Width(), K.W) << K.Name;
        TIEImageProc P;
        P.SetAttachedBitmap(Src.get());
        P.Resample(K.W, K.H, K.Filter);
        ASSERT_EQ(Src->Width(), K.W);
        EXPECT_LE(MaxDiff(Src.get(), Want.get(), 3), Tol) << K.Name << " " << K.W << "x" << K.H;
    }
}

}  // namespace
