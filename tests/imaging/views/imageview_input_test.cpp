// The single-image view driven by synthetic input on the headless screen: click
// zoom, drag scrolling, the wheel, scroll-bar clicks, rectangle selection with
// grips, polygons closed by a double click and the magic wand.
#include <gtest/gtest.h>

#include "imaging/views/imageview_fixture.h"
#include "platform/classlib/stdctrls.h"

using namespace viewtest;

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

THeadlessScreen& Scr() { return *WinHeadlessScreen(); }

struct TInput : TShownView {
    explicit TInput(TIEMouseInteract Mode, TScrollStyle Bars = ssNone) : TShownView(200, 150, Bars) {
        FillCoded(*View->IEBitmap(), 400, 300);
        View->Update();
        View->SetMouseInteract(Mode);
        TestHooks::PumpPending();
    }
};

TEST(ImageViewInput, ClickZoomKeepsThePointAndDragScrolls) {
    TInput S({miZoom, miScroll});
    TIEImageView* V = S.View;
    EXPECT_EQ(V->MouseInteract(), (TIEMouseInteract{miZoom, miScroll}));
    V->ScrollTo(30, 20);
    const int BX = V->XScr2Bmp(50), BY = V->YScr2Bmp(40);
    Scr().Click(ScreenAt(V, 50, 40));
    TestHooks::PumpPending();
    EXPECT_DOUBLE_EQ(V->Zoom(), 200);
    EXPECT_NEAR(V->XScr2Bmp(50), BX, 1);
    EXPECT_NEAR(V->YScr2Bmp(40), BY, 1);
    const int BX2 = V->XScr2Bmp(50);
    Scr().Click(ScreenAt(V, 50, 40), TScreenButton::Right);
    TestHooks::PumpPending();
    EXPECT_DOUBLE_EQ(V->Zoom(), 100);
    EXPECT_NEAR(V->XScr2Bmp(50), BX2, 1);
    // A drag moves the origin by the distance dragged and zooms nothing.
    V->ScrollTo(50, 40);
    Scr().Drag(ScreenAt(V, 120, 100), ScreenAt(V, 80, 70), 5);
    TestHooks::PumpPending();
    EXPECT_DOUBLE_EQ(V->Zoom(), 100);
    EXPECT_EQ(V->ViewX(), 90);
    EXPECT_EQ(V->ViewY(), 70);
    // The wheel: away from the user zooms out by 8 %, towards the user in.
    Scr().Wheel(ScreenAt(V, 100, 75), 120);
    TestHooks::PumpPending();
    EXPECT_DOUBLE_EQ(V->Zoom(), 92);
    V->SetZoom(100);
    Scr().Wheel(ScreenAt(V, 100, 75), -120);
    TestHooks::PumpPending();
    EXPECT_DOUBLE_EQ(V->Zoom(), 108);
}

TEST(ImageViewInput, ScrollBarArrowAndPageClicks) {
    TInput S({miZoom, miScroll}, ssBoth);
    TIEImageView* V = S.View;
    V->ScrollTo(0, 0);
    RECT W;
    GetWindowRect(V->Handle(), &W);
    const int BarW = GetSystemMetrics(SM_CXVSCROLL), ArrowH = GetSystemMetrics(SM_CYVSCROLL);
    const int HBarH = GetSystemMetrics(SM_CYHSCROLL);
    const POINT Down{W.right - BarW / 2, W.bottom - HBarH - ArrowH / 2};
    const POINT Up{W.right - BarW / 2, W.top + ArrowH / 2};
    // Clicks alternate between the arrows: two at one place would make a double click.
    Scr().Click(Down);
    TestHooks::PumpPending();
    EXPECT_EQ(V->ViewY(), 1);
    Scr().Click(Up);
    TestHooks::PumpPending();
    EXPECT_EQ(V->ViewY(), 0);
    Scr().Click(Down);
    TestHooks::PumpPending();
    EXPECT_EQ(V->ViewY(), 1);
    // The trough below the thumb: a page, one draw height.
    const POINT Page{W.right - BarW / 2, W.bottom - HBarH - ArrowH - 4};
    Scr().Click(Page);
    TestHooks::PumpPending();
    EXPECT_EQ(V->ViewY(), 1 + V->GetDrawHeight());
}

TEST(ImageViewInput, RectangleSelectionGripsAndAClickThatDeselects) {
    TInput S({miSelect});
    TIEImageView* V = S.View;
    int Changes = 0, Before = 0;
    V->OnSelectionChange = [&](TObject*) { ++Changes; };
    V->OnBeforeSelectionChange = [&](TObject*) { ++Before; };
    Scr().Drag(ScreenAt(V, 20, 30), ScreenAt(V, 80, 70), 6);
    TestHooks::PumpPending();
    ASSERT_TRUE(V->Selected());
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Before, 1);
    auto P = V->GetSelectionPoints();
    ASSERT_EQ(P.size(), 4u);
    EXPECT_EQ(P[0].x, 20);
    EXPECT_EQ(P[0].y, 30);
    EXPECT_EQ(P[2].x, 80);
    EXPECT_EQ(P[2].y, 70);
    // The left edge's grip dragged past the right edge becomes the right edge.
    Scr().Drag(ScreenAt(V, 20, 50), ScreenAt(V, 120, 50), 8);
    TestHooks::PumpPending();
    EXPECT_EQ(Changes, 2);
    P = V->GetSelectionPoints();
    ASSERT_EQ(P.size(), 4u);
    EXPECT_EQ(P[0].x, 80);
    EXPECT_EQ(P[2].x, 120);
    EXPECT_TRUE(V->SelectionMask()->IsPointInside(100, 50));
    EXPECT_FALSE(V->SelectionMask()->IsPointInside(60, 50));
    // Hovering: the grips' directions, the move cursor over the selection, else the default.
    V->SetSelectionOptions({iesoSizeable, iesoMoveable});
    struct {
        int X, Y;
        TCursor C;
    } const Hover[] = {{80, 50, crIESizeWE}, {100, 30, crIESizeNS}, {80, 30, crIESizeNWSE},
                       {120, 30, crIESizeNESW}, {100, 50, crIEMove}, {150, 120, crIEDefault}};
    for (const auto& H : Hover) {
        Scr().MouseMove(ScreenAt(V, H.X, H.Y));
        TestHooks::PumpPending();
        EXPECT_EQ(V->Cursor(), H.C) << H.X << "," << H.Y;
    }
    // A click without a drag removes the selection, reported once.
    Scr().Click(ScreenAt(V, 150, 120));
    TestHooks::PumpPending();
    EXPECT_FALSE(V->Selected());
    EXPECT_EQ(Changes, 3);
}

TEST(ImageViewInput, PolygonByClicksClosedByADoubleClick) {
    TInput S({miSelectPolygon});
    TIEImageView* V = S.View;
    int Changes = 0;
    V->OnSelectionChange = [&](TObject*) { ++Changes; };
    Scr().Click(ScreenAt(V, 20, 20));
    TestHooks::PumpPending();
    Scr().MouseMove(ScreenAt(V, 90, 25));  // the rubber band follows
    TestHooks::PumpPending();
    Scr().Click(ScreenAt(V, 100, 20));
    TestHooks::PumpPending();
    EXPECT_EQ(Changes, 0) << "the polygon stays open";
    Scr().DoubleClick(ScreenAt(V, 60, 90));
    TestHooks::PumpPending();
    EXPECT_EQ(Changes, 1);
    ASSERT_TRUE(V->Selected());
    const auto P = V->GetSelectionPoints();
    ASSERT_EQ(P.size(), 3u);
    EXPECT_EQ(P[0].x, 20);
    EXPECT_EQ(P[1].x, 100);
    EXPECT_EQ(P[2].x, 60);
    EXPECT_EQ(P[2].y, 90);
    EXPECT_TRUE(V->SelectionMask()->IsPointInside(60, 40));
    EXPECT_FALSE(V->SelectionMask()->IsPointInside(20, 80));
}

TEST(ImageViewInput, MagicWandClickSelectsTheRegion) {
    TInput S({miSelectMagicWand});
    TIEImageView* V = S.View;
    TIEBitmap* B = V->IEBitmap();
    B->Fill(0xFFFFFF);
    for (int Y = 30; Y < 50; ++Y)
        for (int X = 40; X < 70; ++X) {
            uint8_t* Px = B->Scanline(Y) + 3 * X;
            Px[0] = 200;
            Px[1] = 40;
            Px[2] = 20;
        }
    V->Update();
    int Changes = 0;
    V->OnSelectionChange = [&](TObject*) { ++Changes; };
    Scr().Click(ScreenAt(V, 50, 40));
    TestHooks::PumpPending();
    ASSERT_TRUE(V->Selected());
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(V->SelX1(), 40);
    EXPECT_EQ(V->SelY1(), 30);
    EXPECT_EQ(V->SelX2(), 69);
    EXPECT_EQ(V->SelY2(), 49);
    EXPECT_FALSE(V->SelectionMask()->IsPointInside(39, 40));
}

TEST(ImageViewInput, OnlyOneSelectionModeStays) {
    TShownView S(50, 40);
    TIEImageView* V = S.View;
    struct {
        TIEMouseInteract From, Set, Result;
    } const Cases[] = {
        {{}, {miZoom, miSelectPolygon}, {miSelectPolygon}},
        {{}, {miZoom, miScroll}, {miZoom, miScroll}},
        {{miZoom, miScroll}, {miZoom, miScroll, miSelect}, {miZoom, miSelect}},
        {{miSelect}, {miSelect, miSelectMagicWand}, {miSelectMagicWand}},
        {{}, {miZoom, miSelectCircle, miSelectLasso}, {miZoom, miSelectCircle}},
        {{}, {miMoveLayers, miResizeLayers}, {miMoveLayers, miResizeLayers}},
        {{miZoom}, {miZoom, miMoveLayers}, {miMoveLayers}},
        {{}, {miZoom}, {miZoom}},
    };
    for (const auto& C : Cases) {
        V->SetMouseInteract(C.From);
        V->SetMouseInteract(C.Set);
        EXPECT_EQ(V->MouseInteract(), C.Result);
    }
}

TEST(ImageViewInput, ClickZoomPresets) {
    TInput S({miZoom});
    TIEImageView* V = S.View;
    struct {
        double From;
        TScreenButton Button;
        double To;
    } const Cases[] = {{100, TScreenButton::Left, 200},  {42, TScreenButton::Left, 50},
                       {1, TScreenButton::Left, 2},      {250, TScreenButton::Right, 150},
                       {33, TScreenButton::Right, 25},   {2, TScreenButton::Right, 2},
                       {150, TScreenButton::Right, 100}, {80, TScreenButton::Right, 75}};
    for (const auto& C : Cases) {
        V->SetZoom(C.From);
        V->ScrollTo(0, 0);
        Scr().Click(ScreenAt(V, 100, 75), C.Button);
        TestHooks::PumpPending();
        EXPECT_DOUBLE_EQ(V->Zoom(), C.To) << C.From;
    }
}

TEST(ImageViewInput, SmallCircleKeepsFiftyPoints) {
    TInput S({miSelectCircle});
    TIEImageView* V = S.View;
    Scr().Drag(ScreenAt(V, 100, 75), ScreenAt(V, 103, 78), 3);
    TestHooks::PumpPending();
    ASSERT_TRUE(V->Selected());
    EXPECT_EQ(V->GetSelectionPointCount(), 50);
    EXPECT_TRUE(V->SelectionMask()->IsPointInside(100, 75));
}

// The navigation keys reach a focused view instead of the form; OnSpecialKey can
// claim another key, here Enter, which otherwise presses the default button.
TEST(ImageViewInput, SpecialKeysReachTheView) {
    TInput S({miZoom});
    TIEImageView* V = S.View;
    auto* OK = new TButton(S.Form);
    OK->SetParent(S.Form);
    OK->SetBounds(10, 170, 60, 24);
    OK->SetDefault(true);
    int Clicks = 0;
    OK->OnClick = [&](TObject*) { ++Clicks; };
    std::vector<WORD> Keys, Asked;
    V->OnKeyDown = [&](TObject*, WORD& K, TShiftState) { Keys.push_back(K); };
    V->TabStop = true;
    V->SetFocus();
    TestHooks::PumpPending();
    ASSERT_TRUE(V->Focused());
    Scr().KeyPress(VK_RIGHT);
    TestHooks::PumpPending();
    Scr().KeyPress(VK_RETURN);
    TestHooks::PumpPending();
    EXPECT_EQ(Keys, (std::vector<WORD>{VK_RIGHT}));
    EXPECT_EQ(Clicks, 1);
    V->OnSpecialKey = [&](TObject*, WORD K, bool& Handled) {
        Asked.push_back(K);
        Handled = K == VK_RETURN;
    };
    Scr().KeyPress(VK_RETURN);
    TestHooks::PumpPending();
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(Keys.back(), VK_RETURN);
    EXPECT_EQ(Asked, (std::vector<WORD>{VK_RETURN}));
}

TEST(ImageViewInput, ZoomRectangleAndLasso) {
    {
        TInput S({miSelectZoom});
        TIEImageView* V = S.View;
        // A 50 x 25 box: the uniform zoom that fits it is min(150 / 0.25, 200 / 0.5) = 400,
        // centred on the box; the selection of before comes back (none).
        Scr().Drag(ScreenAt(V, 20, 30), ScreenAt(V, 70, 55), 5);
        TestHooks::PumpPending();
        EXPECT_DOUBLE_EQ(V->Zoom(), 400);
        EXPECT_EQ(V->ViewX(), 80);
        EXPECT_EQ(V->ViewY(), 95);
        EXPECT_FALSE(V->Selected());
    }
    {
        TInput S({miSelectLasso});
        TIEImageView* V = S.View;
        int Changes = 0;
        V->OnSelectionChange = [&](TObject*) { ++Changes; };
        Scr().MouseDown(ScreenAt(V, 20, 20));
        // Moves are taken one by one, as a hand draws (pending moves merge into the last).
        for (POINT P : {POINT{60, 22}, POINT{100, 20}, POINT{100, 60}, POINT{60, 100}}) {
            Scr().MouseMove(ScreenAt(V, P.x, P.y));
            TestHooks::PumpPending();
        }
        Scr().MouseUp(ScreenAt(V, 60, 100));
        TestHooks::PumpPending();
        ASSERT_TRUE(V->Selected());
        EXPECT_EQ(Changes, 1);
        EXPECT_GE(V->GetSelectionPointCount(), 5);
        EXPECT_TRUE(V->SelectionMask()->IsPointInside(70, 50));
        EXPECT_FALSE(V->SelectionMask()->IsPointInside(25, 90));
    }
}

}  // namespace
