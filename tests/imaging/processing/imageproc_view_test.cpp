// The processing component attached to views and picture controls: it follows
// the view's bitmap objects, forgets views and controls that go, and tells the
// view when the image changed.
#include <gtest/gtest.h>

#include "imaging/bitmaps/iebitmap.h"
#include "imaging/io/ieimageio.h"
#include "imaging/processing/imageproc.h"
#include "imaging/processing/procstartup.h"
#include "imaging/processing/transitions.h"
#include "imaging/views/ieimageview.h"
#include "imaging/views/iemultiview.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/forms.h"
#include "platform/classlib/testhooks.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        IEProcessingStartup();
        IEIOStartup();
        IEViewsStartup();
    }
    void TearDown() override {
        IEViewsShutdown();
        IEIOShutdown();
        IEProcessingShutdown();
        TestHooks::Stop();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

void FillRed(TIEBitmap& B, int W, int H) {
    B.Allocate(W, H, ieRGB24);
    B.Fill(0x0000FF);  // TColor red
}

TEST(ImageProcViews, ProcFollowsTheViewsBitmapChanges) {
    auto* V = new TIEImageView(nullptr);
    int Changes = 0;
    V->OnImageChange = [&](TObject*) { ++Changes; };
    TIEImageProc* P = V->Proc();
    EXPECT_EQ(P, V->Proc());
    EXPECT_EQ(P->AttachedIEView(), static_cast<TIEAttachedView*>(V));
    EXPECT_EQ(P->AttachedBitmap(), V->IEBitmap());
    // The view shows another bitmap: the component works on it.
    TIEBitmap Ext;
    FillRed(Ext, 4, 3);
    P->SetAttachedTImage(nullptr);  // no picture control: the view stays attached and followed
    V->SetExternalBitmap(&Ext);
    EXPECT_EQ(P->AttachedBitmap(), &Ext);
    Changes = 0;
    P->ConvertToGray();
    EXPECT_EQ(Ext.GetPixelRGB24(3, 2).r, 53);
    EXPECT_EQ(Changes, 1);  // the view heard of it
    // The background is the view's.
    P->SetBackground(clYellow);
    EXPECT_EQ(V->Background(), clYellow);
    V->SetExternalBitmap(nullptr);
    EXPECT_EQ(P->AttachedBitmap(), V->IEBitmap());
    // The view drops its windowing bitmap and takes one again: the component keeps
    // working on the view's pixels, never on the freed windowing bitmap.
    // Resample and Undo give the bitmap new storage.
    for (bool Legacy : {false, true}) {
        V->SetLegacyBitmap(Legacy);
        ASSERT_EQ(V->GetBitmap() != nullptr, Legacy);
        EXPECT_EQ(P->AttachedBitmap(), V->IEBitmap()) << Legacy;
        P->Resample(3, 2, rfNone);
        ASSERT_EQ(V->IEBitmap()->Width(), 3);
        V->IEBitmap()->Fill(0x0000FF);
        Changes = 0;
        P->ConvertToGray();
        EXPECT_EQ(V->IEBitmap()->GetPixelRGB24(2, 1).g, 53) << Legacy;
        EXPECT_EQ(Changes, 1) << Legacy;
        P->Undo();
        EXPECT_EQ(V->IEBitmap()->GetPixelRGB24(2, 1).r, 255) << Legacy;
        EXPECT_EQ(V->GetBitmap() != nullptr, Legacy);
    }
    // The view's progress event hears the component.
    std::vector<int> Progress;
    V->OnProgress = [&](TObject* S, int32_t Percent) {
        EXPECT_EQ(S, static_cast<TObject*>(V));
        Progress.push_back(Percent);
    };
    V->IEBitmap()->Allocate(3, 3, ieRGB24);
    P->IntensityRGBall(1, 1, 1);
    EXPECT_EQ(Progress.back(), 100);
    delete V;  // frees its component
}

TEST(ImageProcViews, ADestroyedViewIsForgotten) {
    // Freed the other way round too: the sanitizer build sees any use of the dead view.
    for (bool ViewFirst : {true, false}) {
        auto* V = new TIEImageView(nullptr);
        V->IEBitmap()->Allocate(4, 4, ieRGB24);
        auto* P = new TIEImageProc(nullptr);
        P->SetAttachedIEView(V);
        EXPECT_FALSE(P->OwnsBitmap());
        P->IntensityRGBall(10, 10, 10);
        if (ViewFirst) {
            delete V;
            EXPECT_EQ(P->AttachedIEView(), nullptr);
            EXPECT_TRUE(P->OwnsBitmap());
            P->Undo();  // the step is kept and restored into the own bitmap
            EXPECT_EQ(P->AttachedBitmap()->Width(), 4);
            P->ConvertToGray();
            P->SetBackground(clRed);
            EXPECT_EQ(P->Background(), clRed);
            delete P;
        } else {
            delete P;
            V->SetExternalBitmap(nullptr);  // calls the callbacks: none left
            delete V;
        }
    }
}

TEST(ImageProcViews, AThumbnailViewWithNothingSelectedGivesAnEmptyOwnBitmap) {
    auto* MV = new TIEMultiView(nullptr);
    ASSERT_EQ(MV->GetIEBitmap(), nullptr);
    ASSERT_EQ(MV->GetBitmap(), nullptr);
    TIEImageProc P;
    P.SetAttachedIEView(MV);
    ASSERT_NE(P.AttachedBitmap(), nullptr);
    EXPECT_TRUE(P.OwnsBitmap());
    EXPECT_TRUE(P.AttachedBitmap()->IsEmpty());
    int Finished = 0;
    P.OnFinishWork = [&](TObject*) { ++Finished; };
    P.ConvertToGray();
    P.IntensityRGBall(1, 2, 3);
    P.Resample(10, 10, rfTriangle);
    P.ConvertTo(16, ieBWThreshold);
    P.SaveUndoCaptioned("selection", ieuSelection);  // not a single-image view: nothing
    EXPECT_EQ(P.UndoCount(), 0);
    EXPECT_TRUE(P.AttachedBitmap()->IsEmpty());
    delete MV;
    EXPECT_EQ(P.AttachedIEView(), nullptr);
}

TEST(ImageProcViews, PictureControlsAndCallerBitmaps) {
    auto* Img = new TImage(nullptr);
    TBitmap& Pic = Img->Picture().Bitmap();
    Pic.SetPixelFormat(pf24bit);
    Pic.SetSize(3, 2);
    Pic.Canvas().Brush().SetColor(clRed);
    Pic.Canvas().FillRect(TRect(0, 0, 3, 2));
    TIEImageProc P;
    P.SetAttachedTImage(Img);
    EXPECT_EQ(P.AttachedTImage(), Img);
    P.ConvertToGray();
    EXPECT_EQ(Pic.Canvas().Pixel(2, 1) & 0xFFFFFF, 0x353535u);  // 53 grey in the control's own bitmap
    // The picture grows behind the component's back: the next operation sees its new size.
    Pic.SetSize(5, 4);
    Pic.Canvas().Brush().SetColor(clBlue);
    Pic.Canvas().FillRect(TRect(0, 0, 5, 4));
    P.ConvertToGray();
    EXPECT_EQ(P.AttachedBitmap()->Width(), 5);
    EXPECT_EQ(Pic.Canvas().Pixel(4, 3) & 0xFFFFFF, 0x141414u);  // blue: 255 x 8 div 100 = 20
    // Nil is ignored while a control is attached; the control's end is heard.
    P.SetAttachedBitmap(nullptr);
    EXPECT_EQ(P.AttachedTImage(), Img);
    delete Img;
    EXPECT_EQ(P.AttachedTImage(), nullptr);
    P.ConvertToGray();
    // A caller bitmap replaces every attachment and is never freed by the component.
    auto Own = std::make_unique<TIEBitmap>();
    FillRed(*Own, 2, 2);
    P.SetAttachedBitmap(Own.get());
    EXPECT_FALSE(P.OwnsBitmap());
    P.SetAttachedBitmap(nullptr);  // nothing attached: back to an own bitmap
    EXPECT_TRUE(P.OwnsBitmap());
    EXPECT_EQ(Own->Width(), 2);
}

// With a selection in the view the operation changes the selected pixels only, and a
// selection step of the undo list brings the selection back.
TEST(ImageProcViews, ASelectionRestrictsTheWorkAndIsUndone) {
    auto* V = new TIEImageView(nullptr);
    V->IEBitmap()->Allocate(12, 10, ieRGB24);
    V->IEBitmap()->Fill(0x404040);
    V->Update();
    V->SelectionBase = iesbBitmap;
    V->Select(2, 3, 6, 8, 0);  // columns 2..5, rows 3..7
    TIEImageProc* P = V->Proc();
    P->IntensityRGBall(20, 20, 20);
    for (int Y = 0; Y < 10; ++Y)
        for (int X = 0; X < 12; ++X) {
            const bool In = X >= 2 && X <= 5 && Y >= 3 && Y <= 7;
            EXPECT_EQ(V->IEBitmap()->GetPixelRGB24(X, Y).r, In ? 0x54 : 0x40) << X << "," << Y;
        }
    // A selection step: the later selection is replaced by the saved one.
    P->ClearAllUndo();
    P->SaveUndo(ieuSelection);
    V->Select(8, 1, 11, 4, 0);
    P->Undo();
    EXPECT_TRUE(V->Selected());
    EXPECT_EQ(V->SelX1(), 2);
    EXPECT_EQ(V->SelY1(), 3);
    EXPECT_EQ(V->SelX2(), 5);
    EXPECT_EQ(V->SelY2(), 7);
    // Pixels left in the mask while the view reports no selection restrict nothing.
    V->Deselect();
    for (int Y = 0; Y < 3; ++Y)
        for (int X = 0; X < 3; ++X) V->SelectionMask()->SetPixel(X, Y, 255);
    ASSERT_FALSE(V->SelectionMask()->IsEmpty());
    ASSERT_FALSE(V->Selected());
    V->IEBitmap()->Fill(0x404040);
    P->IntensityRGBall(20, 20, 20);
    for (int Y = 0; Y < 10; ++Y)
        for (int X = 0; X < 12; ++X) EXPECT_EQ(V->IEBitmap()->GetPixelRGB24(X, Y).r, 0x54) << X << "," << Y;
    delete V;
}

// The pan-and-zoom transition shows the view's background where the moving rectangle
// leaves the picture: the view's style, here its chessboard.
TEST(ImageProcViews, PanZoomPaintsTheViewsBackgroundBesideThePicture) {
    auto* F = new TForm(Application);
    F->SetBounds(50, 50, 200, 160);
    auto* V = new TIEImageView(F);
    V->SetParent(F);
    V->SetBorderStyle(bsNoBorder);
    V->SetBounds(0, 0, 64, 32);
    V->SetBackground(clWhite);
    V->SetBackgroundStyle(iebsChessboard);
    V->SetChessboardStyle(8, bsSolid);
    TIEBitmap Src;
    Src.Allocate(32, 32, ieRGB24);
    Src.Fill(0x0000FF);
    // The start rectangle reaches 32 pixels left of the picture: the left half is background.
    ASSERT_TRUE(V->Transition().PreparePanZoom(&Src, TRect(-32, 0, 32, 32), TRect(0, 0, 32, 32), 64, 32));
    V->Transition().ComposeFrame(0);
    TBitmap& Out = V->Transition().Output();
    const int32_t Comp = ColorToRGB(static_cast<TColor>(~static_cast<uint32_t>(clWhite)));
    EXPECT_EQ(ColorToRGB(Out.Canvas().Pixel(1, 1)), Comp);  // the canvas path starts with the complement
    EXPECT_EQ(ColorToRGB(Out.Canvas().Pixel(9, 1)), 0xFFFFFF);
    EXPECT_EQ(ColorToRGB(Out.Canvas().Pixel(9, 9)), Comp);
    EXPECT_EQ(ColorToRGB(Out.Canvas().Pixel(40, 10)), 0x0000FF);  // the picture
    F->Free();
    TestHooks::PumpPending();
}

}  // namespace
