// Group-box, panel, raw dialog, size-box and status-bar skins.
#include <gtest/gtest.h>

#include "platform/classlib/comctrls.h"
#include "platform/classlib/extctrls.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_containers.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override { TestHooks::Start(); }
    void TearDown() override { TestHooks::Stop(); }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

class THost : public TControlSkinHost {
public:
    HWND HostWindow() const override { return nullptr; }
};

constexpr TColor Face = 0xA0B0C0, Shadow = 0x203040;

struct TFixture {
    THost Host;
    TSkinData Data{nullptr};
    TForm* F = new TForm(Application);
    TFixture() {
        Data.ColButtonFace = Face;
        Data.ColButtonShadow = Shadow;
        F->SetBounds(0, 0, 400, 300);
        F->Show();
        TestHooks::PumpPending();
    }
    ~TFixture() { F->Free(); }
};

// Columns with pixels of colour C in rows Y0..Y1.
std::pair<int, int> ColumnsOf(TBitmap& B, TColor C, int Y0, int Y1) {
    int First = -1, Last = -1;
    for (int X = 0; X < B.Width(); ++X)
        for (int Y = Y0; Y <= Y1; ++Y)
            if (B.Canvas().Pixel(X, Y) == C) {
                if (First < 0) First = X;
                Last = X;
                break;
            }
    return {First, Last};
}

TEST(SkinGroupBox, CaptionSitsEightPixelsInFromItsSide) {
    TFixture T;
    auto* G = new TGroupBox(T.F);
    G->SetParent(T.F);
    G->SetBounds(10, 10, 200, 80);
    G->SetCaption("Options");
    G->Font().SetColor(0x0000FF);
    auto* S = new TSkinGroupBox(G);
    S->AttachControl(&T.Host, &T.Data, nullptr, false);
    EXPECT_EQ(S->Mode, 1);
    for (bool Right : {false, true}) {
        SCOPED_TRACE(Right ? "right" : "left");
        SetWindowLongW(G->Handle(), GWL_EXSTYLE, Right ? WS_EX_RIGHT : 0);
        TBitmap B(200, 80);
        S->Draw(B.Canvas().Handle(), TRect(0, 0, 200, 80));
        auto [First, Last] = ColumnsOf(B, 0x0000FF, 0, 16);
        ASSERT_GE(First, 0);
        if (Right) {
            EXPECT_LE(Last, 200 - 8 - 1);
            EXPECT_GE(Last, 200 - 8 - 3);
        } else {
            EXPECT_GE(First, 8);
            EXPECT_LE(First, 10);
        }
        // The rounded frame in the shadow colour on the face colour.
        EXPECT_EQ(B.Canvas().Pixel(1, 40), Shadow);
        EXPECT_EQ(B.Canvas().Pixel(198, 40), Shadow);
        EXPECT_EQ(B.Canvas().Pixel(100, 78), Shadow);
        EXPECT_EQ(B.Canvas().Pixel(100, 40), Face);
    }
}

TEST(SkinGroupBox, RawGroupBoxKeepsItsCaptionAndGetsTheRoundedFrame) {
    TFixture T;
    HWND Raw = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"Button"), reinterpret_cast<LPCWSTR>(u"Raw"),
                               WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 10, 100, 200, 80, T.F->Handle(), nullptr,
                               nullptr, nullptr);
    TComponent Holder(nullptr);
    auto* S = new TSkinGroupBox(&Holder);
    S->AttachWindow(Raw, &T.Data, &T.Host, nullptr);
    EXPECT_EQ(S->Mode, 0);
    InvalidateRect(Raw, nullptr, TRUE);
    UpdateWindow(Raw);
    HDC Dc = GetWindowDC(Raw);
    EXPECT_EQ(static_cast<TColor>(GetPixel(Dc, 1, 40)), Shadow);
    EXPECT_EQ(static_cast<TColor>(GetPixel(Dc, 0, 40)), Face);  // the native edge hidden
    ReleaseDC(Raw, Dc);
    EXPECT_EQ(S->Caption, u"Raw");
    DestroyWindow(Raw);
}

TEST(SkinBox, DetachingGivesColourAndParentBackgroundBack) {
    TFixture T;
    auto* P = new TPanel(T.F);
    P->SetParent(T.F);
    P->SetColor(0x112233);
    ASSERT_TRUE(P->ParentBackground);
    auto* S = new TSkinBox(P);
    S->AttachControl(&T.Host, &T.Data, nullptr, true);
    EXPECT_EQ(P->Color(), Face);
    EXPECT_FALSE(P->ParentBackground);
    EXPECT_EQ(P->Perform(SKIN_QUERY, 0, 0), 0);  // its messages are left alone
    T.Data.ColButtonFace = 0x445566;
    S->SkinChanged();
    EXPECT_EQ(P->Color(), 0x445566);
    S->Detach();
    EXPECT_EQ(P->Color(), 0x112233);
    EXPECT_TRUE(P->ParentBackground);
    EXPECT_EQ(S->LifeState, 2);
}

LRESULT CALLBACK PlainProc(HWND W, UINT M, WPARAM Wp, LPARAM Lp) {
    if (M == WM_CTLCOLORSTATIC) return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    return DefWindowProcW(W, M, Wp, Lp);
}

TEST(SkinBoxH, RawDialogWindowErasesInTheFaceColour) {
    TFixture T;
    WNDCLASSW C{};
    C.lpfnWndProc = PlainProc;
    C.lpszClassName = reinterpret_cast<LPCWSTR>(u"SkinTestDialog");
    RegisterClassW(&C);
    HWND W = CreateWindowExW(0, C.lpszClassName, nullptr, WS_CHILD | WS_VISIBLE, 10, 10, 60, 40, T.F->Handle(),
                             nullptr, nullptr, nullptr);
    TComponent Holder(nullptr);
    auto* S = new TSkinBoxH(&Holder);
    S->AttachWindow(W, &T.Data, &T.Host, nullptr);
    TBitmap B(60, 40);
    EXPECT_EQ(SendMessageW(W, WM_ERASEBKGND, reinterpret_cast<WPARAM>(B.Canvas().Handle()), 0), 0);
    EXPECT_EQ(B.Canvas().Pixel(30, 20), Face);
    auto Brush = reinterpret_cast<HBRUSH>(SendMessageW(W, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(B.Canvas().Handle()), 0));
    ASSERT_NE(Brush, nullptr);
    EXPECT_NE(Brush, GetStockObject(WHITE_BRUSH));
    RECT R{0, 0, 60, 40};
    FillRect(B.Canvas().Handle(), &R, Brush);
    EXPECT_EQ(B.Canvas().Pixel(30, 20), Face);
    DestroyWindow(W);
}

TEST(SkinSizer, RawSizeBoxIsPaintedFlat) {
    TFixture T;
    HWND Grip = CreateWindowExW(0, reinterpret_cast<LPCWSTR>(u"ScrollBar"), nullptr,
                                WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP, 100, 100, 16, 16, T.F->Handle(), nullptr,
                                nullptr, nullptr);
    TComponent Holder(nullptr);
    auto* S = new TSkinSizer(&Holder);
    S->AttachWindow(Grip, &T.Data, &T.Host, nullptr);
    InvalidateRect(Grip, nullptr, TRUE);
    UpdateWindow(Grip);
    HDC Dc = GetWindowDC(Grip);
    for (POINT P : {POINT{1, 1}, POINT{8, 8}, POINT{14, 14}}) EXPECT_EQ(static_cast<TColor>(GetPixel(Dc, P.x, P.y)), Face);
    ReleaseDC(Grip, Dc);
    DestroyWindow(Grip);
}

struct TStatusFixture : TFixture {
    TStatusBar* Bar = new TStatusBar(F);
    TSkinStatusBar* S = nullptr;
    TStatusFixture() {
        Bar->SetParent(F);
        Bar->SetAlign(alBottom);
        S = new TSkinStatusBar(Bar);
        S->AttachControl(&Host, &Data, nullptr, false);
    }
    std::unique_ptr<TBitmap> Drawn() {
        RECT R;
        GetWindowRect(Bar->Handle(), &R);
        auto B = std::make_unique<TBitmap>(R.right - R.left, R.bottom - R.top);
        S->Draw(B->Canvas().Handle(), TRect(0, 0, B->Width(), B->Height()));
        return B;
    }
};

TEST(SkinStatusBar, EmptySimpleTextShowsTheLoweredEdgeOnly) {
    TStatusFixture T;
    T.Bar->SetSimplePanel(true);
    auto B = T.Drawn();
    int W = B->Width(), H = B->Height();
    EXPECT_EQ(B->Canvas().Pixel(5, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(B->Canvas().Pixel(0, 5), ColorToRGB(clBtnShadow));
    EXPECT_EQ(B->Canvas().Pixel(5, H - 1), ColorToRGB(clBtnHighlight));
    for (int X = 2; X < W - 2; ++X)
        for (int Y = 2; Y < H - 2; ++Y) ASSERT_EQ(B->Canvas().Pixel(X, Y), Face) << X << "," << Y;
}

TEST(SkinStatusBar, PanelsGetTheirBevelFramesAndTheLastReachesTheEdge) {
    TStatusFixture T;
    TStatusPanel* A = T.Bar->Panels().Add();
    A->SetWidth(60);
    A->Bevel = pbRaised;
    TStatusPanel* B = T.Bar->Panels().Add();
    B->SetWidth(60);
    B->Bevel = pbNone;
    TStatusPanel* C = T.Bar->Panels().Add();
    C->SetWidth(50);
    C->Bevel = pbLowered;
    T.Bar->UpdatePanels();
    TestHooks::PumpPending();
    {
        auto Bmp = T.Drawn();
        // Panels start two pixels down.
        EXPECT_EQ(Bmp->Canvas().Pixel(5, 2), ColorToRGB(clBtnHighlight));  // raised
        EXPECT_EQ(Bmp->Canvas().Pixel(70, 2), Face);                      // none
        EXPECT_EQ(Bmp->Canvas().Pixel(Bmp->Width() - 1, 5), ColorToRGB(clBtnHighlight));  // lowered, at the edge
    }
    // With the edge image: its frames 2, 3 and 1.
    auto Edges = std::make_unique<TDataSkinObject>("StatusBar");
    Edges->Bitmap = std::make_unique<TBitmap>(30, 10);
    const TColor Frames[] = {0x0000FF, 0x00FF00, 0xFF0000};
    for (int K = 0; K < 3; ++K) {
        Edges->Bitmap->Canvas().Brush().SetColor(Frames[K]);
        Edges->Bitmap->Canvas().FillRect(TRect(K * 10, 0, K * 10 + 10, 10));
    }
    T.Data.StatusBarEdges = std::move(Edges);
    auto Bmp = T.Drawn();
    EXPECT_EQ(Bmp->Canvas().Pixel(5, 3), Frames[1]);
    EXPECT_EQ(Bmp->Canvas().Pixel(90, 3), Frames[2]);
    EXPECT_EQ(Bmp->Canvas().Pixel(Bmp->Width() - 1, 3), Frames[0]);
    // The size grip: frame 5 of the extra images in the bottom-right corner, one pixel in.
    auto Extra = std::make_unique<TDataSkinObject>("Extra");
    Extra->Bitmap = std::make_unique<TBitmap>(30, 6);
    for (int K = 0; K < 5; ++K) {
        Extra->Bitmap->Canvas().Brush().SetColor(K == 4 ? 0x00FFFF : 0x000080);
        Extra->Bitmap->Canvas().FillRect(TRect(K * 6, 0, K * 6 + 6, 6));
    }
    Extra->FrameCount = 5;
    T.Data.ExtraImages = std::move(Extra);
    auto Gripped = T.Drawn();
    int W = Gripped->Width(), H = Gripped->Height();
    EXPECT_EQ(Gripped->Canvas().Pixel(W - 2, H - 2), 0x00FFFF);
    EXPECT_EQ(Gripped->Canvas().Pixel(W - 7, H - 7), 0x00FFFF);
    EXPECT_NE(Gripped->Canvas().Pixel(W - 1, H - 1), 0x00FFFF);
    EXPECT_NE(Gripped->Canvas().Pixel(W - 8, H - 8), 0x00FFFF);
}

}  // namespace
