// The single-image view: the bitmap-change callbacks, the image and its layer, the
// update pass, zoom and origin, the coordinate conversions, scroll bars and wheel.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <vector>

#include "controls/golden_png.h"
#include "imaging/views/imageview_fixture.h"
#include "platform/classlib/jpeg.h"
#include "platform/commctl/commctrl.h"

using namespace viewtest;

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

const char* const FormText = R"(object frmView: TfrmView
  Left = 100
  Top = 100
  BorderStyle = bsSingle
  Caption = 'View'
  ClientHeight = 270
  ClientWidth = 317
  Color = clWhite
  object imgViewer: TIEImageView
    Left = 10
    Top = 10
    Width = 297
    Height = 250
    Background = clWhite
    AutoFit = True
    AutoStretch = True
    EnableAlphaChannel = True
    BackgroundStyle = iebsChessboard
    BorderStyle = bsNone
    IELibVersion = '2.2.2'
    OnDblClick = imgViewerDblClick
  end
end
)";

class TfrmView : public TForm {
public:
    explicit TfrmView(TComponent* Owner) : TForm(Owner) {
        DefineMethod("imgViewerDblClick", &TfrmView::imgViewerDblClick);
        DefineField("imgViewer", imgViewer);
        LoadFromText(FormText, "frmView.frm");
    }
    void imgViewerDblClick(TObject*) { ++DblClicks; }
    TIEImageView* imgViewer = nullptr;
    int DblClicks = 0;
};

// A 400 x 300 preview: four flat quadrants, saved as JPEG.
std::string MakePreview() {
    TBitmap B(400, 300, pf24bit);
    const TColor Colours[4] = {0x2040C0, 0x20A040, 0xC06020, 0x30D0D0};
    for (int Q = 0; Q < 4; ++Q) {
        B.Canvas().Brush().SetColor(Colours[Q]);
        B.Canvas().FillRect(Bounds((Q % 2) * 200, (Q / 2) * 150, 200, 150));
    }
    TJPEGImage J;
    J.Assign(B);
    std::string Path = (std::filesystem::temp_directory_path() / "ieview_preview.jpg").string();
    J.SaveToFile(Path);
    return Path;
}

bool Near(uint32_t A, uint32_t B, int Tol) {
    for (int S = 0; S < 24; S += 8)
        if (std::abs(static_cast<int>((A >> S) & 0xFF) - static_cast<int>((B >> S) & 0xFF)) > Tol) return false;
    return true;
}

TEST(ImageViews, StartupSetsTheResolutions) {
    EXPECT_EQ(DefaultDpiX, 300);
    EXPECT_EQ(DefaultDpiY, 300);
    EXPECT_EQ(ScreenDpiX, 96);
    EXPECT_EQ(ScreenDpiY, 96);
    // The cursors the view uses are drawn; a number without a picture stays empty.
    const HCURSOR Arrow = Screen->Cursors(crArrow);  // what a number without a cursor gives
    std::set<HCURSOR> Seen;
    for (int N : {1782, 1785, 1786, 1787, 1788, 1789, 1790, 1791, 1793, 1794}) {
        EXPECT_NE(Screen->Cursors(N), Arrow) << N;
        Seen.insert(Screen->Cursors(N));
    }
    EXPECT_EQ(Seen.size(), 10u);
    EXPECT_EQ(Screen->Cursors(1778), Arrow);
}

TEST(ImageViews, PreviewFitsTheAreaOnAChessboard) {
    auto* F = new TfrmView(Application);
    F->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form"));
    TIEImageView* V = F->imgViewer;
    EXPECT_EQ(V->IELibVersion(), "0.1");  // the form's older value is ignored
    std::string Path = MakePreview();
    V->LoadFromFileIO(Path);
    std::filesystem::remove(Path);
    ASSERT_EQ(V->IEBitmap()->Width(), 400);
    ASSERT_EQ(V->IEBitmap()->Height(), 300);
    // 297 / 400 is the smaller ratio: 297 x 223 (222.75 rounded), centred vertically.
    EXPECT_DOUBLE_EQ(V->Zoom(), 74.25);
    const TRect IR = V->ImageRect();
    EXPECT_EQ(IR.left, 0);
    EXPECT_EQ(IR.top, 13);
    EXPECT_EQ(IR.right, 297);
    EXPECT_EQ(IR.bottom, 236);
    TestHooks::PumpPending();
    // Squares of 16 above the picture: the background first, then its complement, which
    // for white names system colour 0, the scroll-bar colour.
    const uint32_t Comp = static_cast<uint32_t>(ColorToRGB(clScrollBar));
    const uint32_t CompRGB = ((Comp & 0xFF) << 16) | (Comp & 0xFF00) | ((Comp >> 16) & 0xFF);
    EXPECT_EQ(ScreenPixel(V, 2, 2), 0xFFFFFFu);
    EXPECT_EQ(ScreenPixel(V, 18, 2), CompRGB);
    EXPECT_EQ(ScreenPixel(V, 2, 247), CompRGB);  // row 15 of squares starts with the complement
    EXPECT_TRUE(Near(ScreenPixel(V, 60, 60), 0xC04020, 6)) << std::hex << ScreenPixel(V, 60, 60);
    EXPECT_TRUE(Near(ScreenPixel(V, 240, 200), 0xD0D030, 6)) << std::hex << ScreenPixel(V, 240, 200);
    ExpectWindowMatchesGolden(V->Handle(), "imaging/views/preview_fit.png");
    WinHeadlessScreen()->DoubleClick(TestHooks::ControlCenter(V));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->DblClicks == 1; }, 2000, "OnDblClick"));
    // A small picture grows to fit with AutoStretch (AutoFit alone stretches too).
    TIEBitmap Small;
    Small.Allocate(30, 20, ieRGB24);
    Small.Fill(clRed);
    V->SetExternalBitmap(&Small);
    EXPECT_DOUBLE_EQ(V->Zoom(), 990.0);
    V->SetExternalBitmap(nullptr);
    EXPECT_EQ(V->IEBitmap()->Width(), 1);  // an empty image of the view's own
    F->Free();
    TestHooks::PumpPending();
}

// ---- callbacks --------------------------------------------------------------------------

TEST(ImageViews, CallbackPassesAndTheEndOfTheView) {
    auto* V = new TIEImageView(nullptr);
    std::vector<std::string> Log;
    int32_t HB = -1, HC = -1;
    const int32_t HA = V->AddBitmapChangeCallback([&](bool D) { Log.push_back(D ? "A end" : "A"); }, nullptr);
    bool Added = false;
    HB = V->AddBitmapChangeCallback(
        [&](bool D) {
            Log.push_back(D ? "B end" : "B");
            if (!D && !Added) {
                Added = true;
                V->RemoveBitmapChangeCallback(HC);  // a later entry removed during the pass
                V->AddBitmapChangeCallback([&](bool E) { Log.push_back(E ? "D end" : "D"); }, nullptr);
            }
        },
        nullptr);
    HC = V->AddBitmapChangeCallback([&](bool D) { Log.push_back(D ? "C end" : "C"); }, nullptr);
    V->CallBitmapChangeCallbacks();
    EXPECT_EQ(Log, (std::vector<std::string>{"A", "B"})) << "C was removed, D came during the pass";
    Log.clear();
    // Stale, negative and foreign handles remove nothing.
    V->RemoveBitmapChangeCallback(HC);
    V->RemoveBitmapChangeCallback(-1);
    V->RemoveBitmapChangeCallback(1000);
    V->RemoveBitmapChangeCallback(HA);
    V->RemoveBitmapChangeCallback(HA);
    V->CallBitmapChangeCallbacks();
    EXPECT_EQ(Log, (std::vector<std::string>{"B", "D"}));
    Log.clear();
    (void)HB;
    V->Free();
    EXPECT_EQ(Log, (std::vector<std::string>{"B end", "D end"})) << "once each, in registration order";
}

TEST(ImageViews, ResolutionMessagesAndBorder) {
    TShownView S(120, 100);
    TIEImageView* V = S.View;
    EXPECT_EQ(V->DpiX(), 300);
    V->SetDpi(150, 0);
    EXPECT_EQ(V->DpiX(), 150);
    EXPECT_EQ(V->DpiY(), 300);
    int Percent = -1, Finished = 0, Changes = 0;
    V->OnProgress = [&](TObject*, int32_t P) { Percent = P; };
    V->OnFinishWork = [&](TObject*) { ++Finished; };
    V->Perform(IEM_PROGRESS, 42, 0);
    V->Perform(IEM_FINWORK, 0, 0);
    EXPECT_EQ(Percent, 42);
    EXPECT_EQ(Finished, 1);
    // 8024 runs the update pass: a change made straight to the windowing bitmap shows.
    V->OnViewChange = [&](TObject*, int32_t) { ++Changes; };
    V->SetAutoFit(true);
    V->Bitmap()->SetSize(240, 100);
    V->Perform(IEM_UPDATE, 0, 0);
    EXPECT_EQ(V->ImageWidth(), 240);
    EXPECT_DOUBLE_EQ(V->Zoom(), 50);
    EXPECT_GT(Changes, 0);
    // The border: a client edge with the 3-D look, a plain border without, none for bsNone.
    struct {
        TBorderStyle B;
        bool Ctl3D;
        DWORD Style, ExStyle;
    } const Cases[] = {{bsSingleBorder, true, 0, WS_EX_CLIENTEDGE},
                       {bsSingleBorder, false, WS_BORDER, 0},
                       {bsNoBorder, true, 0, 0}};
    for (const auto& C : Cases) {
        V->SetBorderStyle(C.B);
        V->SetCtl3D(C.Ctl3D);
        HWND H = V->Handle();
        EXPECT_EQ(GetWindowLongW(H, GWL_STYLE) & WS_BORDER, C.Style);
        EXPECT_EQ(GetWindowLongW(H, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, C.ExStyle);
        // Writing the same value keeps the window.
        V->SetBorderStyle(C.B);
        V->SetCtl3D(C.Ctl3D);
        EXPECT_EQ(V->Handle(), H);
    }
}

TEST(ImageViews, ParentCtl3DFollowsTheParent) {
    TShownView S(120, 100);
    EXPECT_TRUE(S.View->ParentCtl3D());
    S.Form->SetCtl3D(false);
    EXPECT_FALSE(S.View->Ctl3D());
    EXPECT_TRUE(S.View->ParentCtl3D());
    S.View->SetCtl3D(true);  // an own value ends the following
    EXPECT_FALSE(S.View->ParentCtl3D());
    S.Form->SetCtl3D(true);
    S.Form->SetCtl3D(false);
    EXPECT_TRUE(S.View->Ctl3D());
}

// ---- image and layer ----------------------------------------------------------------------

TEST(ImageViews, LegacyBitmapExternalBitmapAndAlpha) {
    TShownView S(60, 40);
    TIEImageView* V = S.View;
    EXPECT_TRUE(V->LegacyBitmap());
    ASSERT_NE(V->GetBitmap(), nullptr);
    EXPECT_EQ(V->LayersCount(), 1);
    EXPECT_TRUE(V->Layers(0)->Locked);
    FillCoded(*V->IEBitmap(), 9, 7);
    V->Update();
    int Calls = 0;
    V->AddBitmapChangeCallback([&](bool) { ++Calls; }, nullptr);
    auto Pixel = [&](int X, int Y) {
        const uint8_t* P = V->IEBitmap()->Scanline(Y) + 3 * X;
        return (P[2] << 16) | (P[1] << 8) | P[0];
    };
    const int Before = Pixel(8, 6);
    V->SetLegacyBitmap(false);
    EXPECT_EQ(V->GetBitmap(), nullptr);
    EXPECT_EQ(Pixel(8, 6), Before);
    V->SetLegacyBitmap(true);
    ASSERT_NE(V->GetBitmap(), nullptr);
    EXPECT_EQ(V->GetBitmap()->Width(), 9);
    EXPECT_EQ(Pixel(8, 6), Before);
    EXPECT_EQ(Calls, 2);
    // SetCurrentLayer outside the list or on the current layer does nothing.
    for (int I : {-1, 1, 0}) V->SetCurrentLayer(I);
    EXPECT_EQ(Calls, 2);

    // An external bitmap is shown and stays the caller's.
    auto Ext = std::make_unique<TIEBitmap>();
    FillCoded(*Ext, 20, 10);
    V->SetExternalBitmap(Ext.get());
    EXPECT_EQ(V->IEBitmap(), Ext.get());
    EXPECT_EQ(V->ImageWidth(), 20);
    EXPECT_EQ(Calls, 3);
    V->SetExternalBitmap(nullptr);
    EXPECT_EQ(Calls, 4);
    EXPECT_NE(V->IEBitmap(), Ext.get());
    EXPECT_EQ(Ext->Width(), 20);  // alive and unchanged
    Ext.reset();
    V->Update();  // nothing of the freed bitmap is reached (sanitizer build)

    // Merging the alpha channel: C := B + floor((C - B) * A / 256); opaque keeps its colour.
    struct {
        uint8_t C, A, Out;
    } const Merge[] = {{255, 255, 255}, {0, 255, 0}, {255, 0, 100}, {200, 128, 150}, {0, 128, 50}, {100, 1, 100}};
    V->SetBackground(static_cast<TColor>(0x646464));  // 100 in each channel
    V->IEBitmap()->Allocate(6, 1, ieRGB24);
    for (int I = 0; I < 6; ++I) {
        uint8_t* P = V->IEBitmap()->Scanline(0) + 3 * I;
        P[0] = P[1] = P[2] = Merge[I].C;
        V->IEBitmap()->GetAlphaChannel()->Scanline(0)[I] = Merge[I].A;
    }
    V->RemoveAlphaChannel(true);
    EXPECT_FALSE(V->HasAlphaChannel());
    for (int I = 0; I < 6; ++I) EXPECT_EQ(V->IEBitmap()->Scanline(0)[3 * I], Merge[I].Out) << I;
    // An 8-bit grey image only loses the channel.
    V->IEBitmap()->Allocate(2, 1, ie8g);
    V->IEBitmap()->Scanline(0)[0] = 7;
    V->IEBitmap()->GetAlphaChannel()->Scanline(0)[0] = 0;
    V->RemoveAlphaChannel(true);
    EXPECT_FALSE(V->HasAlphaChannel());
    EXPECT_EQ(V->IEBitmap()->Scanline(0)[0], 7);
}

// Assigning one view to another copies the pixels into the target's own storage,
// whichever of the two keeps its image in a windowing bitmap.
TEST(ImageViews, AssignCopiesPixelsBetweenLegacyAndPlainViews) {
    for (bool SourceLegacy : {true, false}) {
        for (bool TargetLegacy : {true, false}) {
            SCOPED_TRACE(testing::Message() << "source legacy " << SourceLegacy << ", target legacy " << TargetLegacy);
            TShownView S(60, 40), T(60, 40);
            S.View->SetLegacyBitmap(SourceLegacy);
            T.View->SetLegacyBitmap(TargetLegacy);
            FillCoded(*S.View->IEBitmap(), 23, 17);
            S.View->SetDpi(150, 75);
            S.View->Update();
            TBitmap* TargetWnd = T.View->GetBitmap();
            T.View->Assign(S.View);

            TIEBitmap* Got = T.View->IEBitmap();
            ASSERT_EQ(Got->Width(), 23);
            ASSERT_EQ(Got->Height(), 17);
            EXPECT_EQ(T.View->DpiX(), 150);
            EXPECT_EQ(T.View->DpiY(), 75);
            for (int Y : {0, 9, 16})
                EXPECT_EQ(0, memcmp(Got->Scanline(Y), S.View->IEBitmap()->Scanline(Y), 3 * 23)) << "row " << Y;
            if (TargetLegacy) {
                // The view's windowing bitmap is the one that holds the copy.
                ASSERT_EQ(T.View->GetBitmap(), TargetWnd);
                EXPECT_EQ(TargetWnd->Width(), 23);
                EXPECT_EQ(TargetWnd->Height(), 17);
                EXPECT_EQ(Got->GetWndBitmap(), TargetWnd);
                EXPECT_EQ(0, memcmp(TargetWnd->ScanLine(9), S.View->IEBitmap()->Scanline(9), 3 * 23));
            }
            // The copy is independent of the source.
            memset(S.View->IEBitmap()->Scanline(9), 0, 3 * 23);
            EXPECT_NE(Got->Scanline(9)[3 * 22 + 2], 0);
            S.View->IEBitmap()->Allocate(1, 1, ieRGB24);
            EXPECT_EQ(Got->Width(), 23);
        }
    }
}

// ---- the update pass ---------------------------------------------------------------------

TEST(ImageViewLayout, UpdatePassFitsAndCentres) {
    struct {
        int IW, IH, CW, CH;
        bool Fit, Stretch, Shrink;
        double Zoom;
        int ExtentX, ExtentY, OffsetX, OffsetY;
    } const Cases[] = {
        {640, 480, 269, 203, true, false, false, 42.03125, 269, 202, 0, 0},
        {1, 1, 269, 203, true, true, false, 100, 1, 1, 134, 101},
        {60000, 10, 269, 203, true, false, false, 1, 600, 0, 0, 101},  // below 1 % becomes 1
        {30, 20, 297, 250, false, true, false, 990, 297, 198, 0, 26},
        {30, 20, 297, 250, false, false, true, 100, 30, 20, 133, 115},  // small: shrink only keeps 100
        {400, 300, 297, 250, false, false, true, 74.25, 297, 223, 0, 13},
        {400, 300, 297, 250, false, true, false, 100, 400, 300, 0, 0},  // large: stretch only keeps 100
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.IW << "x" << C.IH << " in " << C.CW << "x" << C.CH);
        TShownView S(C.CW, C.CH);
        TIEImageView* V = S.View;
        V->SetLegacyBitmap(false);  // the layout alone; a 60000-pixel windowing bitmap is not needed
        V->SetAutoFit(C.Fit);
        V->AutoStretch = C.Stretch;
        V->AutoShrink = C.Shrink;
        V->IEBitmap()->Allocate(C.IW, C.IH, ieRGB24);
        V->Update();
        EXPECT_DOUBLE_EQ(V->ZoomX(), C.Zoom);
        EXPECT_DOUBLE_EQ(V->ZoomY(), C.Zoom);
        EXPECT_EQ(V->ExtentX(), C.ExtentX);
        EXPECT_EQ(V->ExtentY(), C.ExtentY);
        EXPECT_EQ(V->OffsetX(), C.OffsetX);
        EXPECT_EQ(V->OffsetY(), C.OffsetY);
    }
}

TEST(ImageViewLayout, ZoomValuesAndAnEmptyImage) {
    TShownView S(100, 80);
    TIEImageView* V = S.View;
    V->IEBitmap()->Allocate(50, 40, ieRGB24);
    V->Update();
    std::vector<int> Changes;
    V->OnViewChange = [&](TObject*, int32_t C) { Changes.push_back(C); };
    for (double Z : {0.0, -5.0, 100.0}) V->SetZoom(Z);
    EXPECT_TRUE(Changes.empty());
    V->SetZoom(50);
    EXPECT_EQ(Changes.back(), 1);
    // An image without width leaves the zoom under AutoFit.
    V->SetAutoFit(true);
    TIEBitmap Empty;
    V->SetExternalBitmap(&Empty);
    EXPECT_DOUBLE_EQ(V->Zoom(), 50);
    V->SetExternalBitmap(nullptr);
}

TEST(ImageViewLayout, OriginClampsToItsMaximum) {
    struct {
        int IW, IH;
        double Zoom;
        int GoX, GoY, X, Y;
    } const Cases[] = {
        // 200 x 160 zoomed exceeds 120 x 100 by more than 10: one more pixel counts, 202 x 162.
        {100, 80, 200, 1000, 1000, 82, 62},
        {100, 80, 200, -10, -10, 0, 0},
        {100, 80, 200, 30, 5000, 30, 62},
        {100, 80, 100, 50, 50, 0, 0},  // not larger than the control: nothing to scroll
        {118, 95, 100, 50, 50, 0, 0},
        {300, 80, 100, 500, 500, 181, 0},  // one axis only
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.IW << "x" << C.IH << " at " << C.Zoom);
        TShownView S(120, 100);
        TIEImageView* V = S.View;
        V->IEBitmap()->Allocate(C.IW, C.IH, ieRGB24);
        V->Update();
        V->SetZoom(C.Zoom);
        V->ScrollTo(C.GoX, C.GoY);
        EXPECT_EQ(V->ViewX(), C.X);
        EXPECT_EQ(V->ViewY(), C.Y);
        int32_t MX, MY;
        V->GetMaxViewXY(MX, MY);
        V->ScrollTo(MX + 7, MY + 7);
        EXPECT_EQ(V->ViewX(), MX);
        EXPECT_EQ(V->ViewY(), MY);
    }
}

TEST(ImageViewLayout, ZoomAboutCenterKeepsTheCentrePoint) {
    struct {
        double From;
        int OX, OY;
        double To;
    } const Cases[] = {{200, 300, 225, 100}, {100, 50, 40, 150}, {100, 0, 0, 350}, {350, 400, 300, 250},
                       {100, 180, 140, 300}, {42.03125, 0, 0, 100}};
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.From << " -> " << C.To);
        TShownView S(200, 150);
        TIEImageView* V = S.View;
        V->IEBitmap()->Allocate(400, 300, ieRGB24);
        V->Update();
        V->SetZoom(C.From);
        V->ScrollTo(C.OX, C.OY);
        const double BX = (100 + V->ViewX() - V->OffsetX()) * 100 / V->ZoomX();
        const double BY = (75 + V->ViewY() - V->OffsetY()) * 100 / V->ZoomY();
        V->SetZoom(C.To);
        const double AX = (100 + V->ViewX() - V->OffsetX()) * 100 / V->ZoomX();
        const double AY = (75 + V->ViewY() - V->OffsetY()) * 100 / V->ZoomY();
        EXPECT_NEAR(AX, BX, 1.5);
        EXPECT_NEAR(AY, BY, 1.5);
    }
}

// Over a grid of zooms and origins: no row is read past its end, and the two
// conversions agree with each other and with what is shown.
TEST(ImageViewLayout, ConversionsOverZoomsAndOrigins) {
    TShownView S(200, 150);
    TIEImageView* V = S.View;
    V->IEBitmap()->Allocate(257, 199, ieRGB24);
    V->Update();
    for (double Z : {10.0, 25.0, 33.0, 42.03125, 74.25, 100.0, 150.0, 333.0, 350.0}) {
        V->SetZoom(Z);
        int32_t MX, MY;
        V->GetMaxViewXY(MX, MY);
        for (int Step = 0; Step <= 4; ++Step) {
            SCOPED_TRACE(testing::Message() << "zoom " << Z << " step " << Step);
            V->ScrollTo(MX * Step / 4, MY * Step / 4);
            V->UpdateVisibleArea();
            V->UpdateZoomTables();
            EXPECT_LE(V->FirstVisibleX() + V->VisibleImageWidth(), V->ImageWidth());
            EXPECT_LE(V->FirstVisibleY() + V->VisibleImageHeight(), V->ImageHeight());
            EXPECT_GE(V->FirstVisibleX(), 0);
            int Last = -1;
            for (int X = V->OffsetX(); X < V->OffsetX() + V->DisplayWidth(); ++X) {
                const int B = V->XScr2Bmp(X);
                ASSERT_GE(B, 0);
                ASSERT_LT(B, V->ImageWidth());
                ASSERT_GE(B, Last) << X;
                Last = B;
            }
            for (int BX = V->FirstVisibleX(); BX < V->FirstVisibleX() + V->VisibleImageWidth(); ++BX) {
                const int X = V->XBmp2Scr(BX);
                if (Z >= 100)
                    ASSERT_EQ(V->XScr2Bmp(X), BX) << BX;
                else
                    ASSERT_LE(V->XScr2Bmp(X), BX) << BX;
            }
            for (int BY = V->FirstVisibleY(); BY < V->FirstVisibleY() + V->VisibleImageHeight(); ++BY)
                if (Z >= 100) ASSERT_EQ(V->YScr2Bmp(V->YBmp2Scr(BY)), BY) << BY;
        }
    }
    V->SetZoom(100);
    V->ScrollTo(0, 0);
    EXPECT_EQ(V->XScr2Bmp(V->OffsetX() + 10), 10);
    EXPECT_EQ(V->XBmp2Scr(10), V->OffsetX() + 10);
}

// ---- scroll bars and wheel -------------------------------------------------------------------

TEST(ImageViewScrolling, ScrollCodesMoveTheOrigin) {
    TShownView S(200, 150, ssBoth);
    TIEImageView* V = S.View;
    V->IEBitmap()->Allocate(400, 300, ieRGB24);
    V->Update();
    V->SetZoom(350);
    int32_t MX, MY;
    V->GetMaxViewXY(MX, MY);
    const int DW = V->GetDrawWidth();
    auto H = [&](int Code, int Pos = 0) { V->Perform(WM_HSCROLL, MAKEWPARAM(Code, Pos), 0); };
    V->ScrollTo(100, 0);
    struct {
        int Code, Pos, LineStep, PageStep;
        bool Tracking;
        int Expected;
    } const Cases[] = {
        {SB_LINERIGHT, 0, -1, -1, true, 103},  // zoom 350: 3 client pixels
        {SB_LINELEFT, 0, -1, -1, true, 97},
        {SB_LINERIGHT, 0, 5, -1, true, 115},
        {SB_PAGERIGHT, 0, -1, -1, true, 100 + DW},
        {SB_PAGELEFT, 0, -1, -1, true, 0},
        {SB_PAGERIGHT, 0, -1, 10, true, 130},
        {SB_TOP, 0, -1, -1, true, 0},
        {SB_BOTTOM, 0, -1, -1, true, MX},
        {SB_ENDSCROLL, 0, -1, -1, true, 100},
        {SB_THUMBTRACK, 30000, -1, -1, false, 100},  // ignored until released
        {SB_THUMBTRACK, 30000, -1, -1, true, static_cast<int>(30000 * V->ScrollRatioX())},
        {SB_THUMBPOSITION, 30000, -1, -1, false, static_cast<int>(30000 * V->ScrollRatioX())},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << "code " << C.Code);
        V->ScrollTo(100, 0);
        V->HScrollBarParams = TIEScrollBarParams{C.LineStep, C.PageStep, C.Tracking};
        H(C.Code, C.Pos);
        EXPECT_EQ(V->ViewX(), C.Expected);
    }
    // The ratio maps draw size plus maximum onto 65536 units; the page is one draw size.
    EXPECT_DOUBLE_EQ(V->ScrollRatioX(), (DW + MX) / 65536.0);
    SCROLLINFO SI{};
    SI.cbSize = sizeof(SI);
    SI.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(V->Handle(), SB_HORZ, &SI));
    EXPECT_EQ(SI.nMax, 65535);
    EXPECT_EQ(static_cast<int>(SI.nPage), static_cast<int>(DW / V->ScrollRatioX()));
    // At zoom 50 an arrow still moves one pixel.
    V->IEBitmap()->Allocate(1000, 800, ieRGB24);
    V->Update();
    V->SetZoom(50);
    V->ScrollTo(10, 0);
    V->HScrollBarParams = TIEScrollBarParams{};
    H(SB_LINERIGHT);
    EXPECT_EQ(V->ViewX(), 11);
    // A picture that fits hides both bars again.
    V->SetZoom(10);
    EXPECT_FALSE(GetWindowLongW(V->Handle(), GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
}

TEST(ImageViewScrolling, FlatScrollBarsAreInitialisedForTheWindow) {
    TShownView S(100, 80, ssBoth);
    S.View->SetFlatScrollBars(true);
    EXPECT_TRUE(FlatSBInitialized(S.View->Handle()));
    S.View->SetFlatScrollBars(false);
    EXPECT_FALSE(FlatSBInitialized(S.View->Handle()));
}

TEST(ImageViewScrolling, WheelZoomsOrScrolls) {
    TShownView S(200, 150);
    TIEImageView* V = S.View;
    V->IEBitmap()->Allocate(400, 300, ieRGB24);
    V->Update();
    struct {
        double From;
        int Delta;
        double To;
    } const Zooms[] = {{100, 120, 92}, {100, -120, 108}, {10, 120, 9}, {10, -120, 11}, {250, 120, 230}};
    for (const auto& C : Zooms) {
        V->SetZoom(C.From);
        V->MouseWheelAction(C.Delta, 10, 10, false);
        EXPECT_DOUBLE_EQ(V->Zoom(), C.To) << C.From << " " << C.Delta;
    }
    // OnZoomOut may change the new zoom.
    V->SetZoom(100);
    V->OnZoomOut = [](TObject*, double& Z) { Z = 60; };
    V->MouseWheelAction(120, 10, 10, false);
    EXPECT_DOUBLE_EQ(V->Zoom(), 60);
    V->OnZoomOut = nullptr;
    // Scrolling: 8 % of the draw size per notch, the vertical axis unless only X scrolls or Ctrl.
    V->MouseWheelParams.Action = 1;
    V->SetZoom(200);
    V->ScrollTo(100, 100);
    V->MouseWheelAction(-120, 0, 0, false);
    EXPECT_EQ(V->ViewY(), 112);
    V->MouseWheelAction(-120, 0, 0, true);
    EXPECT_EQ(V->ViewX(), 116);
    V->MouseWheelParams.Variation = 0;
    V->MouseWheelParams.Value = 3;
    V->MouseWheelAction(120, 0, 0, false);
    EXPECT_EQ(V->ViewY(), 106);  // 3 x trunc(zoom factor 2)
    V->IEBitmap()->Allocate(400, 60, ieRGB24);
    V->Update();
    V->ScrollTo(100, 0);
    V->MouseWheelAction(-120, 0, 0, false);
    EXPECT_EQ(V->ViewX(), 106) << "only the horizontal axis scrolls";
    // AutoFit turns the wheel off.
    V->SetAutoFit(true);
    V->Update();
    const double Z = V->Zoom();
    V->MouseWheelParams.Action = 2;
    V->MouseWheelAction(120, 0, 0, false);
    EXPECT_DOUBLE_EQ(V->Zoom(), Z);
}

}  // namespace
