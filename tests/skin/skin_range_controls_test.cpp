// Track-bar, up-down and progress-bar skins.
#include <gtest/gtest.h>

#include "platform/classlib/comctrls.h"
#include "platform/classlib/testhooks.h"
#include "skin/skin_range_controls.h"

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

constexpr TColor Face = 0xC0C0C0;
TColor FrameColor(int K) { return static_cast<TColor>((K * 20) | ((250 - K * 20) << 8)); }

std::unique_ptr<TBitmap> Strip(int N, int Fw, int H) {
    auto B = std::make_unique<TBitmap>(Fw * N, H);
    for (int K = 1; K <= N; ++K) {
        B->Canvas().Brush().SetColor(FrameColor(K));
        B->Canvas().FillRect(TRect((K - 1) * Fw, 0, K * Fw, H));
    }
    return B;
}

struct TFixture {
    THost Host;
    TSkinData Data{nullptr};
    TForm* F = new TForm(Application);
    TFixture() {
        Data.ColButtonFace = Face;
        Data.ColButtonShadow = 0x404040;
        Data.ColButtonDkShadow = 0x000000;
        F->SetBounds(0, 0, 400, 300);
        F->Show();
    }
    ~TFixture() { F->Free(); }
    template <class S>
    S* Skin(TWinControl* C, int L, int T, int W, int H) {
        C->SetParent(F);
        C->SetBounds(L, T, W, H);
        auto* X = new S(C);
        X->AttachControl(&Host, &Data, nullptr, false);
        TestHooks::PumpPending();
        return X;
    }
};

TEST(SkinProgress, FillIsTheShareOfTheRangeClampedAndEmptyWithoutARange) {
    struct Case {
        int w, pos, min, max, want;
    } Cases[] = {
        {100, 0, 0, 100, 0},    {100, 50, 0, 100, 50},   {100, 100, 0, 100, 100}, {100, 150, 0, 100, 100},
        {100, 5, 0, 0, 0},      {100, 5, 10, 10, 0},     {100, 5, 10, 2, 0},      {100, 70, 20, 120, 50},
        {100, 10, 20, 120, 0},  {100, -5, -10, 10, 25},  {0, 5, 0, 10, 0},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(ProgressFill(C.w, C.pos, C.min, C.max), C.want)
            << C.w << " " << C.pos << " " << C.min << " " << C.max;
}

TEST(SkinProgress, BarFillsFromTheLeftOrFromTheBottom) {
    TFixture T;
    auto P = std::make_unique<TDataSkinBorder>("Progress");
    P->Bitmap = Strip(2, 10, 10);
    P->FrameCount = 2;
    T.Data.Progress = std::move(P);
    struct Case {
        const char* what;
        bool vertical;
        int min, max, pos;
        // Colours at a quarter and at three quarters along the bar.
        int nearStart, nearEnd;
    } Cases[] = {
        {"at 0", false, 0, 100, 0, 1, 1},
        {"half", false, 0, 100, 50, 2, 1},
        {"full", false, 0, 100, 100, 2, 2},
        {"maximum 0", false, 0, 0, 0, 1, 1},
        {"minimum 100 of 100..300 at 200", false, 100, 300, 200, 2, 1},
        {"vertical half", true, 0, 100, 50, 2, 1},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.what);
        auto* Bar = new TProgressBar(T.F);
        if (C.vertical) Bar->Orientation = pbVertical;
        auto* S = T.Skin<TSkinProgress>(Bar, 10, 10, C.vertical ? 20 : 100, C.vertical ? 100 : 20);
        Bar->SetRange(C.min, C.max);
        Bar->SetPosition(C.pos);
        Bar->Repaint();
        TestHooks::PumpPending();
        HDC Dc = GetDC(Bar->Handle());
        auto Along = [&](int Share) {  // Share of 100 along the bar from its start
            return C.vertical ? static_cast<TColor>(GetPixel(Dc, 10, 99 - Share))
                              : static_cast<TColor>(GetPixel(Dc, Share, 10));
        };
        EXPECT_EQ(Along(25), FrameColor(C.nearStart));
        EXPECT_EQ(Along(75), FrameColor(C.nearEnd));
        ReleaseDC(Bar->Handle(), Dc);
        EXPECT_EQ(S->LifeState, 1);
        Bar->Free();
    }
}

TEST(SkinUpDown, ArrowFramesFollowTheCursorsHalfAndTheEnabledState) {
    TFixture T;
    auto Part = std::make_unique<TDataSkinBorder>("UpDown");
    Part->Bitmap = Strip(8, 6, 6);
    Part->FrameCount = 8;
    T.Data.UpDownVert = std::move(Part);
    auto* U = new TUpDown(T.F);
    auto* S = T.Skin<TSkinUpDown>(U, 50, 50, 16, 30);
    auto Frames = [&] {
        TBitmap B(16, 30);
        S->Draw(B.Canvas().Handle(), TRect(0, 0, 16, 30));
        return std::make_pair(B.Canvas().Pixel(2, 7), B.Canvas().Pixel(2, 22));  // beside the arrows
    };
    POINT Lower = U->ClientToScreen(POINT{8, 24}), Upper = U->ClientToScreen(POINT{8, 4});
    SetCursorPos(Lower.x, Lower.y);
    EXPECT_EQ(Frames(), std::make_pair(FrameColor(1), FrameColor(5)));
    S->MouseState = {msPressed};
    EXPECT_EQ(Frames(), std::make_pair(FrameColor(1), FrameColor(6)));
    SetCursorPos(Upper.x, Upper.y);
    EXPECT_EQ(Frames(), std::make_pair(FrameColor(2), FrameColor(5)));
    S->MouseState = {};
    U->SetEnabled(false);
    EXPECT_EQ(Frames(), std::make_pair(FrameColor(3), FrameColor(7)));
    // Without the part: plain buttons in the face colour, a pressed one in the shadow colour.
    T.Data.UpDownVert.reset();
    U->SetEnabled(true);
    S->MouseState = {msPressed};
    EXPECT_EQ(Frames(), std::make_pair(static_cast<TColor>(0x404040), Face));
}

TEST(SkinTrackBar, CustomDrawAnswersAndDrawsChannelAndThumb) {
    TFixture T;
    auto* Bar = new TTrackBar(T.F);
    auto* S = T.Skin<TSkinTrackBar>(Bar, 10, 10, 200, 40);
    TBitmap Canvas(220, 60);
    auto Record = [&](DWORD Stage, DWORD_PTR Item) {
        NMCUSTOMDRAW D{};
        D.hdr.code = NM_CUSTOMDRAW;
        D.dwDrawStage = Stage;
        D.dwItemSpec = Item;
        D.hdc = Canvas.Canvas().Handle();
        return D;
    };
    struct Case {
        DWORD stage;
        DWORD_PTR item;
        LRESULT want;
    } Cases[] = {
        {CDDS_PREPAINT, 0, CDRF_NOTIFYITEMDRAW},       {CDDS_ITEMPREPAINT, TBCD_TICS, CDRF_DODEFAULT},
        {CDDS_ITEMPREPAINT, TBCD_THUMB, CDRF_SKIPDEFAULT}, {CDDS_ITEMPREPAINT, TBCD_CHANNEL, CDRF_SKIPDEFAULT},
        {CDDS_POSTPAINT, 0, CDRF_DODEFAULT},           {CDDS_ITEMPOSTPAINT, TBCD_THUMB, CDRF_DODEFAULT},
    };
    for (const auto& C : Cases) {
        auto D = Record(C.stage, C.item);
        EXPECT_EQ(S->CustomDraw(D), C.want) << C.stage << " " << C.item;
    }
    // Through the notification the control reflects to itself.
    auto D = Record(CDDS_PREPAINT, 0);
    EXPECT_EQ(Bar->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&D)), CDRF_NOTIFYITEMDRAW);
    RECT Ch{}, Th{};
    SendMessageW(Bar->Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&Ch));
    SendMessageW(Bar->Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&Th));
    ASSERT_GT(Ch.bottom - Ch.top, 2);
    // No parts: no channel at all, a plain thumb outlined in the shadow colour.
    Canvas.Canvas().Brush().SetColor(0xFFFFFF);
    Canvas.Canvas().FillRect(TRect(0, 0, 220, 60));
    S->DrawChannel(Canvas.Canvas().Handle());
    EXPECT_EQ(Canvas.Canvas().Pixel((Ch.left + Ch.right) / 2, Ch.top), 0xFFFFFF);
    S->DrawThumb(Canvas.Canvas().Handle());
    EXPECT_EQ(Canvas.Canvas().Pixel(Th.left, (Th.top + Th.bottom) / 2), 0x404040);
    EXPECT_EQ(Canvas.Canvas().Pixel((Th.left + Th.right) / 2, (Th.top + Th.bottom) / 2), 0xFFFFFF);
    // A track image lower than the channel starts half the channel's height down.
    auto Track = std::make_unique<TDataSkinObject>("Track");
    int Half = (Ch.bottom - Ch.top) / 2;
    Track->Bitmap = std::make_unique<TBitmap>(10, 1);
    Track->Bitmap->Canvas().Brush().SetColor(0x0000FF);
    Track->Bitmap->Canvas().FillRect(TRect(0, 0, 10, 1));
    T.Data.Track = std::move(Track);
    auto Thumb = std::make_unique<TDataSkinObject>("Thumb");
    Thumb->Bitmap = Strip(5, 8, 8);
    T.Data.TrackThumbHorz = std::move(Thumb);
    Canvas.Canvas().FillRect(TRect(0, 0, 220, 60));
    S->DrawChannel(Canvas.Canvas().Handle());
    int Mid = (Ch.left + Ch.right) / 2;
    EXPECT_EQ(Canvas.Canvas().Pixel(Mid, Ch.top + Half), 0x0000FF);
    EXPECT_EQ(Canvas.Canvas().Pixel(Mid, Ch.top + Half - 1), 0xFFFFFF);
    EXPECT_EQ(Canvas.Canvas().Pixel(Mid, Ch.top + Half + 1), 0xFFFFFF);
    S->DrawThumb(Canvas.Canvas().Handle());
    EXPECT_EQ(Canvas.Canvas().Pixel((Th.left + Th.right) / 2, (Th.top + Th.bottom) / 2), FrameColor(2));
}

}  // namespace
