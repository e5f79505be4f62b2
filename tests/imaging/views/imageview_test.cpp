// The single-image view showing a template preview JPEG loaded through its I/O
// component, fitted into the main window's preview area on a chessboard.
#include <gtest/gtest.h>

#include <filesystem>

#include "controls/golden_png.h"
#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieformats.h"
#include "imaging/views/ieimageview.h"
#include "platform/classlib/jpeg.h"
#include "platform/classlib/testhooks.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        IEIOStartup();
        IEViewsStartup();
        RegisterImageViews();
    }
    void TearDown() override {
        IEViewsShutdown();
        IEIOShutdown();
        TestHooks::Stop();
    }
};
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

uint32_t At(TControl* C, int X, int Y) {
    return WinHeadlessScreen()->DesktopPixel(C->ClientToScreen(POINT{X, Y})) & 0xFFFFFF;
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
}

TEST(ImageViews, PreviewFitsTheAreaOnAChessboard) {
    auto* F = new TfrmView(Application);
    F->Show();
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form"));
    TIEImageView* V = F->imgViewer;
    std::string Path = MakePreview();
    V->LoadFromFileIO(Path);
    std::filesystem::remove(Path);
    ASSERT_EQ(V->IEBitmap()->Width(), 400);
    ASSERT_EQ(V->IEBitmap()->Height(), 300);
    // 297 / 400 is the smaller ratio: 297 x 223, centred vertically.
    EXPECT_NEAR(V->Zoom(), 74.25, 0.001);
    TRect I = V->ImageRect();
    EXPECT_EQ(I.left, 0);
    EXPECT_EQ(I.top, 13);
    EXPECT_EQ(I.right, 297);
    EXPECT_EQ(I.bottom, 236);
    TestHooks::PumpPending();
    // Chessboard squares of 16 above the picture, alternating.
    EXPECT_EQ(At(V, 2, 2), 0xC0C0C0u);
    EXPECT_EQ(At(V, 18, 2), 0xFFFFFFu);
    EXPECT_EQ(At(V, 2, 247), 0xFFFFFFu);  // row 15 of squares starts with the background
    // The quadrants, inside the fitted rectangle.
    EXPECT_TRUE(Near(At(V, 60, 60), 0xC04020, 6)) << std::hex << At(V, 60, 60);
    EXPECT_TRUE(Near(At(V, 240, 200), 0xD0D030, 6)) << std::hex << At(V, 240, 200);
    ExpectWindowMatchesGolden(V->Handle(), "imaging/views/preview_fit.png");
    // The view's double click reaches the form.
    WinHeadlessScreen()->DoubleClick(TestHooks::ControlCenter(V));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->DblClicks == 1; }, 2000, "OnDblClick"));
    // A small picture grows to fit with AutoStretch, stays at 100% without.
    TIEBitmap Small;
    Small.Allocate(30, 20, ieRGB24);
    Small.Fill(clRed);
    V->SetExternalBitmap(&Small);
    EXPECT_NEAR(V->Zoom(), 990.0, 0.001);
    V->AutoStretch = false;
    V->ImageChange();
    EXPECT_EQ(V->Zoom(), 100);
    V->SetExternalBitmap(nullptr);
    EXPECT_EQ(V->IEBitmap()->Width(), 400);
    V->ClearImage();
    EXPECT_EQ(V->IEBitmap()->Width(), 1);
    F->Free();
    TestHooks::PumpPending();
}

TEST(ImageViews, CallbacksDpiMessagesAndZoom) {
    auto* F = new TfrmView(Application);
    TIEImageView* V = F->imgViewer;
    std::vector<bool> Calls;
    int32_t H = V->AddBitmapChangeCallback([&](bool D) { Calls.push_back(D); }, nullptr);
    TIEBitmap Ext;
    Ext.Allocate(10, 10, ieRGB24);
    V->SetExternalBitmap(&Ext);
    EXPECT_EQ(Calls, (std::vector<bool>{false}));
    V->RemoveBitmapChangeCallback(H);
    V->RemoveBitmapChangeCallback(-1);
    V->SetExternalBitmap(nullptr);
    EXPECT_EQ(Calls.size(), 1u);
    V->SetDpi(150, 0);
    EXPECT_EQ(V->DpiX(), 150);
    EXPECT_EQ(V->DpiY(), 300);
    int Percent = -1, Finished = 0;
    V->OnProgress = [&](TObject*, int32_t P) { Percent = P; };
    V->OnFinishWork = [&](TObject*) { ++Finished; };
    V->Perform(IEM_PROGRESS, 42, 0);
    V->Perform(IEM_FINWORK, 0, 0);
    EXPECT_EQ(Percent, 42);
    EXPECT_EQ(Finished, 1);
    // Zoomed past the client area, the origin scrolls within the picture.
    V->SetAutoFit(false);
    V->SetExternalBitmap(&Ext);
    std::vector<int> Changes;
    V->OnViewChange = [&](TObject*, int32_t C) { Changes.push_back(C); };
    V->SetZoom(5000);  // 500 x 500
    V->ScrollTo(1000, 1000);
    EXPECT_EQ(V->ViewX(), 500 - 297);
    EXPECT_EQ(V->ViewY(), 500 - 250);
    EXPECT_EQ(Changes, (std::vector<int>{0, 1}));
    V->Fit();
    EXPECT_NEAR(V->Zoom(), 2500, 0.001);
    std::vector<bool> Last;
    V->AddBitmapChangeCallback([&](bool D) { Last.push_back(D); }, nullptr);
    V->SetExternalBitmap(nullptr);
    F->Free();
    EXPECT_EQ(Last, (std::vector<bool>{false, true}));
}

TEST(ImageViews, ComponentsReachTheViewThroughItsInterface) {
    auto* F = new TfrmView(Application);
    TIEAttachedView* A = F->imgViewer;
    EXPECT_EQ(A->ViewComponent(), static_cast<TComponent*>(F->imgViewer));
    EXPECT_TRUE(A->IsSingleImageView());
    EXPECT_EQ(A->ViewClientWidth(), 297);
    EXPECT_EQ(A->ViewClientHeight(), 250);
    // The background painter draws the view's chessboard onto any canvas, whole client size.
    TBitmap B(297, 250, pf24bit);
    B.Canvas().Brush().SetColor(clBlack);
    B.Canvas().FillRect(TRect(0, 0, 297, 250));
    A->DrawBackgroundTo(&B.Canvas());
    EXPECT_EQ(B.Canvas().Pixel(2, 2) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(B.Canvas().Pixel(18, 2) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(B.Canvas().Pixel(296, 249) & 0xFFFFFF, 0xFFFFFFu);  // square (18, 15): odd sum, the background
    // Locks taken through the interface are released without a repaint, never below 0.
    A->LockPaint();
    A->LockPaint();
    A->UnlockPaintNoUpdate();
    EXPECT_EQ(A->PaintLockCount(), 1);
    A->UnlockPaintNoUpdate();
    A->UnlockPaintNoUpdate();
    EXPECT_EQ(A->PaintLockCount(), 0);
    F->Free();
}

}  // namespace
