// What the single-image view puts on the screen, compared pixel for pixel with
// golden pictures: zoom and origin, every background style and wallpaper mode,
// selections with their grips and overlays, alpha over the chessboard; a paint on a
// recreated window re-targets the video graph's notifications.
#include <gtest/gtest.h>

#include <string>

#include "controls/golden_png.h"
#include "imaging/io/iedirectshow.h"
#include "imaging/views/imageview_fixture.h"

using namespace viewtest;

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

// Paints the view now and lets any delayed outline come back before the shot.
void Settle(TIEImageView* V) {
    for (int I = 0; I < 4; ++I) V->DrawSelection(false);
    V->Invalidate();
    TestHooks::PumpPending();
}

TEST(ImageViewPaint, ZoomAndOrigin) {
    struct {
        const char* Name;
        double Zoom;
        bool AtMax;
    } const Cases[] = {{"zoom25", 25, false},  {"zoom100", 100, false}, {"zoom100_max", 100, true},
                       {"zoom350", 350, false}, {"zoom350_max", 350, true}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TShownView S(64, 48);
        TIEImageView* V = S.View;
        V->SetBackground(static_cast<TColor>(0x604020));
        FillCoded(*V->IEBitmap(), 80, 60);
        V->Update();
        V->SetZoom(C.Zoom);
        if (C.AtMax) {
            int32_t MX, MY;
            V->GetMaxViewXY(MX, MY);
            V->ScrollTo(MX, MY);
            EXPECT_GT(MX, 0);
        }
        Settle(V);
        ExpectWindowMatchesGolden(V->Handle(), std::string("imaging/views/paint_") + C.Name + ".png");
    }
}

TEST(ImageViewPaint, BackgroundStyles) {
    const char* const Names[] = {"solid",      "horizontal", "vertical", "fdiagonal", "bdiagonal", "cross",
                                 "diagcross",  "chessboard", "diagonals", "cropped",  "cropshadow", "gradient"};
    for (int Style = iebsSolid; Style <= iebsGradient; ++Style) {
        SCOPED_TRACE(Names[Style]);
        TShownView S(64, 48);
        TIEImageView* V = S.View;
        V->SetBackground(static_cast<TColor>(0x3080C0));
        V->SetChessboardStyle(8, bsSolid);
        V->GradientEndColor = static_cast<TColor>(0x20A020);
        FillCoded(*V->IEBitmap(), 24, 16);
        V->SetBackgroundStyle(static_cast<TIEBackgroundStyle>(Style));
        Settle(V);
        ExpectWindowMatchesGolden(V->Handle(), std::string("imaging/views/background_") + Names[Style] + ".png");
    }
}

TEST(ImageViewPaint, WallpaperModes) {
    struct {
        const char* Name;
        TIEWallPaperStyle Style;
        int W, H;
    } const Cases[] = {{"normal", iewoNormal, 10, 6},
                       {"stretch", iewoStretch, 10, 6},
                       {"tile", iewoTile, 10, 6},
                       {"tile_empty", iewoTile, 0, 0}};  // nothing to repeat: drawn once, never stuck
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TShownView S(64, 48);
        TIEImageView* V = S.View;
        V->SetBackground(static_cast<TColor>(0xE0E0E0));
        TPicture P;
        TBitmap& B = P.Bitmap();
        B.SetPixelFormat(pf24bit);
        B.SetSize(C.W, C.H);
        if (C.W > 0) {
            B.Canvas().Brush().SetColor(static_cast<TColor>(0x2020C0));
            B.Canvas().FillRect(TRect(0, 0, C.W, C.H));
            B.Canvas().Brush().SetColor(static_cast<TColor>(0xC02020));
            B.Canvas().FillRect(TRect(0, 0, C.W / 2, C.H / 2));
        }
        V->SetWallPaper(&P);
        V->SetWallPaperStyle(C.Style);
        Settle(V);
        ExpectWindowMatchesGolden(V->Handle(), std::string("imaging/views/wallpaper_") + C.Name + ".png");
    }
}

TEST(ImageViewPaint, SelectionsWithGripsAndOverlays) {
    struct {
        const char* Name;
        TIESelectionOptions Options;
        bool Polygon;
    } const Cases[] = {{"rect_grips", {iesoSizeable, iesoMoveable}, false},
                       {"polygon", {iesoSizeable}, true},
                       {"filled", {iesoSizeable, iesoFilled}, false},
                       {"markouter", {iesoSizeable, iesoMarkOuter}, true}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        TShownView S(64, 48);
        TIEImageView* V = S.View;
        FillCoded(*V->IEBitmap(), 64, 48);
        V->Update();
        V->SetSelectionOptions(C.Options);  // not animated: the dashes keep their phase
        V->SelectionBase = iesbBitmap;
        if (C.Polygon) {
            for (POINT P : {POINT{8, 6}, POINT{52, 10}, POINT{30, 42}}) V->AddSelectionPoint(P.x, P.y);
            V->EndSelect();
        } else {
            V->Select(10, 8, 50, 38, 0);
        }
        ASSERT_TRUE(V->Selected());
        Settle(V);
        ExpectWindowMatchesGolden(V->Handle(), std::string("imaging/views/selection_") + C.Name + ".png");
    }
}

TEST(ImageViewPaint, AlphaOverTheChessboardWithAndWithoutTheWindowingBitmap) {
    for (bool Legacy : {true, false}) {
        SCOPED_TRACE(Legacy ? "legacy" : "memory");
        TShownView S(64, 48);
        TIEImageView* V = S.View;
        V->SetBackground(clWhite);
        V->SetBackgroundStyle(iebsChessboard);
        V->SetChessboardStyle(8, bsSolid);
        V->SetEnableAlphaChannel(true);
        V->SetLegacyBitmap(Legacy);
        TIEBitmap* B = V->IEBitmap();
        B->Allocate(48, 32, ieRGB24);
        B->Fill(0x2040E0);
        for (int Y = 0; Y < 32; ++Y)
            for (int X = 0; X < 48; ++X) B->GetAlphaChannel()->Scanline(Y)[X] = static_cast<uint8_t>(X * 255 / 47);
        B->GetAlphaChannel()->Full = false;
        V->Update();
        Settle(V);
        ExpectWindowMatchesGolden(V->Handle(), "imaging/views/alpha_chessboard.png");
    }
}

TEST(ImageViewPaint, PaintLockSkipsComposingButFiresOnPaint) {
    TShownView S(64, 48);
    TIEImageView* V = S.View;
    FillCoded(*V->IEBitmap(), 64, 48);
    V->Update();
    TestHooks::PumpPending();
    int Paints = 0;
    V->OnPaint = [&](TObject*) { ++Paints; };
    const uint32_t Before = ScreenPixel(V, 30, 20);
    V->LockPaint();
    V->IEBitmap()->Fill(0x00FF00);
    V->Update();
    TestHooks::PumpPending();
    EXPECT_GT(Paints, 0);
    EXPECT_EQ(ScreenPixel(V, 30, 20), Before);
    V->UnlockPaint();
    TestHooks::PumpPending();
    EXPECT_EQ(ScreenPixel(V, 30, 20), 0x00FF00u);
}

// Invalidates the view and waits until it has painted again.
void PaintAgain(TIEImageView* V, int& Paints) {
    const int Before = Paints;
    V->Invalidate();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Paints > Before; }, 2000, "a paint"));
}

TEST(ImageViewPaint, VideoNotificationsFollowARecreatedWindowAtTheNextPaint) {
    // The graph is made either after a paint, or before the first paint with the window recreated
    // before that paint too.
    for (const bool GraphBeforeFirstPaint : {false, true}) {
        SCOPED_TRACE(GraphBeforeFirstPaint ? "graph before the first paint" : "graph after a paint");
        TForm* F = new TForm(Application);
        F->SetBounds(40, 40, 124, 128);
        auto* V = new TIEImageView(F);
        V->SetBorderStyle(bsNoBorder);
        V->SetScrollBars(ssNone);
        V->SetParent(F);
        V->SetBounds(10, 10, 64, 48);
        FillCoded(*V->IEBitmap(), 64, 48);
        V->Update();
        int Paints = 0;
        V->OnPaint = [&](TObject*) { ++Paints; };
        TIEDirectShow* DS = nullptr;
        HWND First = nullptr;
        if (GraphBeforeFirstPaint) {
            // The paint lock keeps the view from drawing until the window has been recreated.
            V->LockPaint();
            F->Show();
            ASSERT_TRUE(TestHooks::PumpUntil([&] { return Paints > 0; }, 2000, "the locked paint"));
            DS = V->IO()->GetDShow();
            First = V->Handle();
            ASSERT_EQ(DS->NotifyWindow(), First);
            V->RecreateWnd();
            V->UnlockPaint();
            PaintAgain(V, Paints);
        } else {
            F->Show();
            ASSERT_TRUE(TestHooks::PumpUntil([&] { return Paints > 0; }, 2000, "the first paint"));
            DS = V->IO()->GetDShow();
            First = V->Handle();
            ASSERT_EQ(DS->NotifyWindow(), First);
            V->RecreateWnd();
            EXPECT_EQ(DS->NotifyWindow(), First) << "the paint re-targets, not the recreation";
            PaintAgain(V, Paints);
        }
        const HWND Second = V->Handle();
        ASSERT_NE(Second, First);
        EXPECT_EQ(DS->NotifyWindow(), Second);

        // And again: each new window is followed, not only the first change.
        V->RecreateWnd();
        PaintAgain(V, Paints);
        EXPECT_EQ(DS->NotifyWindow(), V->Handle());
        F->Free();
        TestHooks::PumpPending();
    }
}

TEST(ImageViewPaint, ARecreatedWindowPaintsWithoutAnIOComponentOrAGraph) {
    for (const bool WithIO : {false, true}) {
        SCOPED_TRACE(WithIO ? "component without a graph" : "no component");
        TShownView S(64, 48);
        TIEImageView* V = S.View;
        FillCoded(*V->IEBitmap(), 64, 48);
        V->Update();
        int Paints = 0;
        V->OnPaint = [&](TObject*) { ++Paints; };
        TIEImageIO* IO = WithIO ? V->IO() : nullptr;
        PaintAgain(V, Paints);
        const HWND First = V->Handle();
        V->RecreateWnd();
        ASSERT_NE(V->Handle(), First);
        V->IEBitmap()->Fill(0x00FF00);
        V->Update();
        PaintAgain(V, Paints);
        EXPECT_EQ(ScreenPixel(V, 30, 20), 0x00FF00u) << "the new window shows the picture";
        // A graph made later starts at the current window.
        if (IO) {
            EXPECT_EQ(IO->GetDShow()->NotifyWindow(), V->Handle());
        }
    }
}

}  // namespace
