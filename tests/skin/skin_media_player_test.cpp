// The media-player skin: the panel over the player, its button geometry and
// frames, the glyph copied with the olive key, and presses passed to the player.
#include <gtest/gtest.h>

#include "platform/classlib/testhooks.h"
#include "skin/skin_media_player.h"

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

// A player as another library would publish it: its button sets as text.
class TMediaPlayer : public TCustomControl {
    TESSARO_CLASSINFO
public:
    explicit TMediaPlayer(TComponent* AOwner) : TCustomControl(AOwner) {}
    std::string VisibleButtons = "[btPlay,btPause,btStop,btNext,btPrev]";
    std::string EnabledButtons = "[btPlay,btPause,btStop,btNext,btPrev]";
    std::vector<std::pair<UINT, int>> Heard;  // message, x
    void WndProc(TMessage& M) override {
        if (M.Msg == WM_LBUTTONDOWN || M.Msg == WM_LBUTTONUP)
            Heard.emplace_back(M.Msg, static_cast<int16_t>(LOWORD(M.LParam)));
        TCustomControl::WndProc(M);
    }
};
TClassInfo& TMediaPlayer::StaticClassInfo() {
    static TClassInfo CI("TMediaPlayer", &TCustomControl::StaticClassInfo(), CreateComponentOf<TMediaPlayer>,
                         [](TClassInfo& C) {
                             C.PublishString<TMediaPlayer>("VisibleButtons", [](TMediaPlayer& O) { return O.VisibleButtons; });
                             C.PublishString<TMediaPlayer>("EnabledButtons", [](TMediaPlayer& O) { return O.EnabledButtons; });
                         });
    return CI;
}

constexpr TColor Face = 0xC0C0C0;
const TColor Frames[] = {0, 0x0000FF, 0x00FF00, 0xFF0000};

struct TFixture {
    THost Host;
    TSkinData Data{nullptr};
    TForm* F = new TForm(Application);
    TMediaPlayer* P = new TMediaPlayer(F);
    TSkinMP* S = nullptr;
    TFixture() {
        Data.ColButtonFace = Face;
        auto B = std::make_unique<TDataSkinButton>("Buttons");
        B->Bitmap = std::make_unique<TBitmap>(30, 10);
        for (int K = 1; K <= 3; ++K) {
            B->Bitmap->Canvas().Brush().SetColor(Frames[K]);
            B->Bitmap->Canvas().FillRect(TRect((K - 1) * 10, 0, K * 10, 10));
        }
        B->FrameCount = 3;
        Data.Button = std::move(B);
        F->SetBounds(0, 0, 300, 200);
        P->SetParent(F);
        P->SetBounds(10, 10, 100, 24);
        F->Show();
        TestHooks::PumpPending();
        S = new TSkinMP(P);
        S->AttachControl(&Host, &Data, nullptr, false);
        TestHooks::PumpPending();
    }
    ~TFixture() { F->Free(); }
    TColor At(int X, int Y) {
        S->Panel->Repaint();
        HDC Dc = GetDC(S->Panel->Handle());
        auto C = static_cast<TColor>(GetPixel(Dc, X, Y));
        ReleaseDC(S->Panel->Handle(), Dc);
        return C;
    }
};

TEST(SkinMediaPlayer, PanelCoversThePlayerAndSplitsItAmongTheVisibleButtons) {
    TFixture T;
    ASSERT_NE(T.S->Panel, nullptr);
    EXPECT_EQ(T.S->Panel->Left(), T.P->Left());
    EXPECT_EQ(T.S->Panel->Top(), T.P->Top());
    EXPECT_EQ(T.S->Panel->Width(), T.P->Width());
    EXPECT_EQ(T.S->Panel->Height(), T.P->Height());
    EXPECT_EQ(T.S->Panel->Tag, T.Data.DisableTag);
    EXPECT_EQ(T.At(5, 12), Frames[1]);
    EXPECT_EQ(T.S->Panel->ButtonWidth, 20);
    EXPECT_EQ(T.S->Panel->HitButton(20), 0);
    EXPECT_EQ(T.S->Panel->HitButton(21), 1);
    EXPECT_EQ(T.S->Panel->HitButton(101), 9);
    // A disabled button shows frame 3 whatever the mouse does.
    T.P->EnabledButtons = "[btPlay,btStop,btNext,btPrev]";  // pause off
    EXPECT_EQ(T.At(25, 12), Frames[3]);
    SendMessageW(T.S->Panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(25, 5));
    EXPECT_EQ(T.At(25, 12), Frames[3]);
    EXPECT_EQ(T.At(5, 12), Frames[1]);
    SendMessageW(T.S->Panel->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(25, 5));
    // No visible button: only the face colour.
    T.P->VisibleButtons = "[]";
    EXPECT_EQ(T.At(5, 12), Face);
    EXPECT_EQ(T.At(95, 3), Face);
}

TEST(SkinMediaPlayer, PressedButtonIsDrawnDownAndOnlyAReleaseOverItReachesThePlayer) {
    TFixture T;
    HWND Panel = T.S->Panel->Handle();
    SendMessageW(Panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(T.At(5, 12), Frames[2]);
    EXPECT_EQ(T.At(45, 12), Frames[1]);
    SendMessageW(Panel, WM_LBUTTONUP, 0, MAKELPARAM(45, 5));  // over another button
    ASSERT_EQ(T.P->Heard.size(), 1u);
    EXPECT_EQ(T.P->Heard[0].first, static_cast<UINT>(WM_LBUTTONDOWN));
    SendMessageW(Panel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(45, 5));
    SendMessageW(Panel, WM_LBUTTONUP, 0, MAKELPARAM(46, 5));
    ASSERT_EQ(T.P->Heard.size(), 3u);
    EXPECT_EQ(T.P->Heard[2].first, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(T.At(45, 12), Frames[1]);
}

TEST(SkinMediaPlayer, GlyphIsCopiedWithOliveReplacedByTheBrush) {
    TFixture T;
    TBitmap& G = *T.S->Panel->Buttons[0].Glyphs[0];
    G.SetWidth(8);
    G.SetHeight(8);
    G.Canvas().Brush().SetColor(0x008080);
    G.Canvas().FillRect(TRect(0, 0, 8, 8));
    G.Canvas().Brush().SetColor(0x00FFFF);
    G.Canvas().FillRect(TRect(2, 2, 6, 6));
    // Centred in the first 20-pixel button: x 6..13, y 8..15.
    EXPECT_EQ(T.At(9, 11), 0x00FFFF);
    EXPECT_EQ(T.At(6, 8), Face);  // the olive corner shows the canvas brush
    EXPECT_EQ(T.At(3, 3), Frames[1]);
    // Pressed: one pixel down and right.
    SendMessageW(T.S->Panel->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(T.At(6, 8), Frames[2]);
    EXPECT_EQ(T.At(7, 9), Face);
}

}  // namespace
