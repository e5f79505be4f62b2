// Skinned scroll bars: hit testing and the thumb clamp, the bar windows of a
// memo and a list view, a click on a skinned arrow going through the
// platform's scroll loop, and the drop-down list's own thumb drag.
#include <gtest/gtest.h>

#include "platform/classlib/comctrls.h"
#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/commctl/commctrl.h"
#include "skin/skin_scrollbars.h"

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

constexpr TColor Face = 0xC0C0C0, Shadow = 0x102030;
TColor FrameColor(int K) { return static_cast<TColor>(K * 10 | 0x008000); }

TEST(WScrollbar, HitTestAndThumbClampAsTables) {
    TWScrollbar B(nullptr);
    B.Vertical = true;
    B.ArrowSize = 16;
    B.BarLength = 200;
    B.ThumbStart = 60;
    B.ThumbEnd = 100;
    struct Hit {
        int y, part;
    } Hits[] = {{0, 0}, {15, 0}, {16, 2}, {59, 2}, {60, 5}, {99, 5}, {100, 3}, {183, 3}, {184, 1}, {199, 1}};
    for (const auto& H : Hits) EXPECT_EQ(B.HitTest(POINT{3, H.y}), H.part) << H.y;
    B.Vertical = false;
    EXPECT_EQ(B.HitTest(POINT{70, 0}), 5);  // the x coordinate counts across
    B.Vertical = true;
    B.PressPoint = POINT{500, 300};
    B.PressThumbStart = 60;
    struct Follow {
        int cursorY, start;
    } Follows[] = {{300, 60}, {320, 80}, {250, 16}, {200, 16}, {420, 144}, {900, 144}};
    for (const auto& F : Follows) EXPECT_EQ(B.FollowedThumbStart(POINT{500, F.cursorY}), F.start) << F.cursorY;
}

TEST(ComboListScrollBar, ThumbOffsetsBecomePositionsWithoutDividingByZero) {
    struct Case {
        int offset, track, thumb, min, max, page, want;
    } Cases[] = {
        {0, 100, 20, 0, 99, 10, 0},      {40, 100, 20, 0, 99, 10, 45},   {80, 100, 20, 0, 99, 10, 90},
        {500, 100, 20, 0, 99, 10, 90},   {-5, 100, 20, 0, 99, 10, 0},    {10, 100, 100, 0, 9, 10, 0},
        {10, 100, 120, 0, 9, 10, 0},     {50, 100, 0, 0, 100, 0, 50},    {300, 100, 0, 0, 100, 0, 100},
        {10, 0, 0, 5, 50, 0, 5},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(ComboListThumbPos(C.offset, C.track, C.thumb, C.min, C.max, C.page), C.want)
            << C.offset << " " << C.track << " " << C.thumb << " " << C.page;
}

struct TFixture {
    THost Host;
    TSkinData Data{nullptr};
    TForm* F = new TForm(Application);
    int A = GetSystemMetrics(SM_CXHSCROLL);
    TFixture() {
        Data.ColButtonFace = Face;
        Data.ColButtonShadow = Shadow;
        auto Sb = std::make_unique<TDataSkinObject>("Scrollbar");
        Sb->Bitmap = std::make_unique<TBitmap>(23 * A, A);
        for (int K = 1; K <= 23; ++K) {
            Sb->Bitmap->Canvas().Brush().SetColor(FrameColor(K));
            Sb->Bitmap->Canvas().FillRect(TRect((K - 1) * A, 0, K * A, A));
        }
        Data.Scrollbar = std::move(Sb);
        auto Track = std::make_unique<TDataSkinObject>("VertScroll");
        Track->Bitmap = std::make_unique<TBitmap>(4 * A, A);
        for (int K = 1; K <= 4; ++K) {
            Track->Bitmap->Canvas().Brush().SetColor(FrameColor(30 + K));
            Track->Bitmap->Canvas().FillRect(TRect((K - 1) * A, 0, K * A, A));
        }
        Data.VertScroll = std::move(Track);
        F->SetBounds(0, 0, 400, 300);
        F->Show();
        TestHooks::PumpPending();
    }
    ~TFixture() { F->Free(); }
    TMemo* Memo(int Lines, TBorderStyle Border = bsSingleBorder, TScrollStyle Bars = ssVertical) {
        auto* M = new TMemo(F);
        M->ScrollBars = Bars;
        M->BorderStyle = Border;
        // The text comes before the window, so the bar is needed from the start.
        for (int I = 0; I < Lines; ++I) M->Lines().Add("line " + std::to_string(I));
        M->SetParent(F);
        M->SetBounds(10, 10, 200, 120);
        TestHooks::PumpPending();
        return M;
    }
    TColor BarPixel(TWScrollbar* B, int X, int Y) {
        B->Repaint();
        HDC Dc = GetDC(B->Handle());
        auto C = static_cast<TColor>(GetPixel(Dc, X, Y));
        ReleaseDC(B->Handle(), Dc);
        return C;
    }
};

TEST(SkinScrollbar, MemoGetsBarWindowsOverItsBarsAndABorder) {
    TFixture T;
    TMemo* M = T.Memo(50);
    auto* S = new TSkinScrollbar(M);
    S->AttachScrolling(M, &T.Data, &T.Host, nullptr);
    TestHooks::PumpPending();
    ASSERT_TRUE(S->VertBar->BarVisible);
    EXPECT_FALSE(S->HorzBar->BarVisible);
    // The bar window lies over the memo's own bar.
    SCROLLBARINFO Info{};
    Info.cbSize = sizeof Info;
    GetScrollBarInfo(M->Handle(), OBJID_VSCROLL, &Info);
    RECT W;
    GetWindowRect(S->VertBar->Handle(), &W);
    EXPECT_EQ(W.left, Info.rcScrollBar.left);
    EXPECT_EQ(W.top, Info.rcScrollBar.top);
    EXPECT_EQ(W.bottom, Info.rcScrollBar.bottom);
    EXPECT_EQ(GetWindow(S->VertBar->Handle(), GW_HWNDNEXT), M->Handle());  // just above the memo
    // Arrows from the strip: up 9 at the top, down 13 at the bottom; the track between.
    int H = W.bottom - W.top;
    EXPECT_EQ(T.BarPixel(S->VertBar, 4, 2), FrameColor(9));
    EXPECT_EQ(T.BarPixel(S->VertBar, 4, H - 2), FrameColor(13));
    // Hovering the lower arrow: frame 13 + 3.
    SendMessageW(S->VertBar->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(4, H - 2));
    EXPECT_EQ(S->VertBar->HotPart, 1);
    EXPECT_EQ(T.BarPixel(S->VertBar, 4, H - 2), FrameColor(16));
    // The border: shadow outside, face one pixel in.
    M->Perform(WM_NCPAINT, 1, 0);
    HDC Dc = GetWindowDC(M->Handle());
    EXPECT_EQ(static_cast<TColor>(GetPixel(Dc, 0, 30)), Shadow);
    EXPECT_EQ(static_cast<TColor>(GetPixel(Dc, 1, 30)), Face);
    ReleaseDC(M->Handle(), Dc);
    // Hidden with the memo, placed again when it shows.
    M->SetVisible(false);
    EXPECT_FALSE(S->VertBar->BarVisible);
    EXPECT_FALSE(IsWindowVisible(S->VertBar->Handle()));
    M->SetVisible(true);
    TestHooks::PumpPending();
    EXPECT_TRUE(S->VertBar->BarVisible);
    // The native thumb dragged: the bar shows the thumb pressed.
    M->Perform(WM_VSCROLL, SB_THUMBTRACK, 0);
    EXPECT_EQ(S->VertBar->HotPart, 5);
}

TEST(SkinScrollbar, BorderlessMemoKeepsItsEdgeAndALaterBarGetsItsWindow) {
    TFixture T;
    TMemo* M = T.Memo(60, bsNoBorder, ssNone);
    auto* S = new TSkinScrollbar(M);
    S->AttachScrolling(M, &T.Data, &T.Host, nullptr);
    EXPECT_FALSE(S->Border);
    EXPECT_FALSE(S->VertBar->BarVisible);
    ShowScrollBar(M->Handle(), SB_VERT, TRUE);
    M->Repaint();
    TestHooks::PumpPending();
    EXPECT_TRUE(S->VertBar->BarVisible);
}

// The form skin's request to paint into its DC: the border of a bordered
// control there, and the private answer.
TEST(SkinScrollbar, PaintRequestOfTheFormSkinDrawsTheBorderIntoItsDc) {
    TFixture T;
    for (TBorderStyle Style : {bsSingleBorder, bsNoBorder}) {
        SCOPED_TRACE(Style == bsSingleBorder ? "border" : "no border");
        TMemo* M = T.Memo(5, Style, ssNone);
        auto* S = new TSkinScrollbar(M);
        S->AttachScrolling(M, &T.Data, &T.Host, nullptr);
        TBitmap B(200, 120);
        B.Canvas().Brush().SetColor(0x00FF00);
        B.Canvas().FillRect(TRect(0, 0, 200, 120));
        EXPECT_EQ(M->Perform(SKIN_PAINTFORM, reinterpret_cast<WPARAM>(B.Canvas().Handle()), SKIN_FORM_ANSWER),
                  SKIN_FORM_ANSWER);
        bool Framed = Style == bsSingleBorder;
        EXPECT_EQ(B.Canvas().Pixel(0, 30), Framed ? Shadow : 0x00FF00);
        EXPECT_EQ(B.Canvas().Pixel(1, 30), Framed ? Face : 0x00FF00);
        EXPECT_EQ(B.Canvas().Pixel(2, 30), 0x00FF00);
        // Without the mark the request is not the form skin's.
        TBitmap C(200, 120);
        C.Canvas().Brush().SetColor(0x00FF00);
        C.Canvas().FillRect(TRect(0, 0, 200, 120));
        EXPECT_NE(M->Perform(SKIN_PAINTFORM, reinterpret_cast<WPARAM>(C.Canvas().Handle()), 0), SKIN_FORM_ANSWER);
        EXPECT_EQ(C.Canvas().Pixel(0, 30), 0x00FF00);
        M->Free();
    }
}

TEST(SkinListView, ClickOnTheSkinnedDownArrowScrollsOneLine) {
    TFixture T;
    auto* L = new TListView(T.F);
    L->SetParent(T.F);
    L->SetBounds(10, 10, 250, 150);
    L->SetViewStyle(vsReport);
    L->Columns().Add()->SetCaption("Name");
    for (int I = 0; I < 40; ++I) L->Items().Add()->SetCaption("file " + std::to_string(I));
    TestHooks::PumpPending();
    auto* S = new TSkinListView(L);
    S->AttachScrolling(L, &T.Data, &T.Host, nullptr);
    TestHooks::PumpPending();
    ASSERT_TRUE(S->VertBar->BarVisible);
    EXPECT_EQ(SendMessageW(L->Handle(), LVM_GETTOPINDEX, 0, 0), 0);
    RECT W;
    GetWindowRect(S->VertBar->Handle(), &W);
    TestHooks::Click(POINT{(W.left + W.right) / 2, W.bottom - T.A / 2});
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return SendMessageW(L->Handle(), LVM_GETTOPINDEX, 0, 0) == 1; }, 2000,
                                     "the list scrolled one line"));
    EXPECT_FALSE(S->VertBar->Tracking);
}

// The drop-down list's drag: each step runs inside the drag's own loop.
std::vector<std::function<void()>> Steps;
std::vector<WPARAM> Scrolls;
WNDPROC ListProc = nullptr;
constexpr UINT WM_STEP = WM_APP + 40;
LRESULT CALLBACK Recorder(HWND W, UINT M, WPARAM Wp, LPARAM Lp) {
    if (M == WM_STEP) {
        auto Step = Steps.front();
        Steps.erase(Steps.begin());
        Step();
        return 0;
    }
    if (M == WM_VSCROLL) Scrolls.push_back(Wp);
    return CallWindowProcW(ListProc, W, M, Wp, Lp);
}

TEST(ComboListScrollBar, ThumbDragTracksOnlyChangesAndEndsWithPositionAndEnd) {
    TFixture T;
    auto* C = new TComboBox(T.F);
    C->SetParent(T.F);
    C->SetBounds(10, 10, 150, 22);
    C->DropDownCount = 5;
    for (int I = 0; I < 60; ++I) C->Items().Add("item " + std::to_string(I));
    COMBOBOXINFO Ci{};
    Ci.cbSize = sizeof Ci;
    ASSERT_TRUE(GetComboBoxInfo(C->Handle(), &Ci));
    HWND List = Ci.hwndList;
    SendMessageW(C->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    // The list's bar went away while it was empty; it comes back with its range.
    ShowScrollBar(List, SB_VERT, TRUE);
    SendMessageW(List, WM_SIZE, 0, 0);
    TestHooks::PumpPending();
    ListProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(List, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Recorder)));
    TComponent Holder(nullptr);
    auto* S = new TComboxScrollBar(&Holder);
    S->AttachWindow(List, &T.Data, &T.Host, nullptr);
    SCROLLBARINFO Info{};
    Info.cbSize = sizeof Info;
    ASSERT_TRUE(GetScrollBarInfo(List, OBJID_VSCROLL, &Info));
    ASSERT_GT(Info.xyThumbBottom, Info.xyThumbTop);
    POINT Thumb{(Info.rcScrollBar.left + Info.rcScrollBar.right) / 2,
                Info.rcScrollBar.top + (Info.xyThumbTop + Info.xyThumbBottom) / 2};
    SetCursorPos(Thumb.x, Thumb.y);
    auto Move = [&](int Dy) {
        return [=] {
            SetCursorPos(Thumb.x, Thumb.y + Dy);
            PostMessageW(List, WM_MOUSEMOVE, 0, 0);
            PostMessageW(List, WM_STEP, 0, 0);
        };
    };
    Steps = {Move(0), Move(0), Move(12), Move(12), Move(30), [&] { PostMessageW(List, WM_LBUTTONUP, 0, 0); }};
    Scrolls.clear();
    PostMessageW(List, WM_STEP, 0, 0);
    SendMessageW(List, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(Thumb.x, Thumb.y));
    TestHooks::PumpPending();
    ASSERT_GE(Scrolls.size(), 4u);
    std::vector<WPARAM> Tracks;
    for (WPARAM W : Scrolls)
        if (LOWORD(W) == SB_THUMBTRACK) Tracks.push_back(W);
    ASSERT_EQ(Tracks.size(), 2u);  // two distinct positions, none for the moves that changed nothing
    EXPECT_LT(HIWORD(Tracks[0]), HIWORD(Tracks[1]));
    EXPECT_EQ(LOWORD(Scrolls[Scrolls.size() - 2]), SB_THUMBPOSITION);
    EXPECT_EQ(HIWORD(Scrolls[Scrolls.size() - 2]), HIWORD(Tracks[1]));
    EXPECT_EQ(LOWORD(Scrolls.back()), SB_ENDSCROLL);
    // A press that loses the capture ends the drag at once.
    Steps = {[&] { ReleaseCapture(); }};
    Scrolls.clear();
    PostMessageW(List, WM_STEP, 0, 0);
    SetCursorPos(Thumb.x, Thumb.y);
    GetScrollBarInfo(List, OBJID_VSCROLL, &Info);
    POINT Again{Thumb.x, Info.rcScrollBar.top + (Info.xyThumbTop + Info.xyThumbBottom) / 2};
    SendMessageW(List, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(Again.x, Again.y));
    EXPECT_TRUE(Scrolls.empty());
    SetWindowLongPtrW(List, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc));
    S->Free();
    SendMessageW(C->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
}

}  // namespace
