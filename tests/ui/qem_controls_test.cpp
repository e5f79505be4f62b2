// The maker's button and label on a form loaded from a form file, driven by
// synthetic input on the headless screen; faces compared with golden PNGs.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/classlib/stdctrls.h"
#include "platform/classlib/testhooks.h"
#include "platform/win/winscreen.h"
#include "ui/qem_controls.h"
#include "ui/qem_windows_utils.h"

namespace {

class Env : public ::testing::Environment {
public:
    void SetUp() override {
        TestHooks::Start();
        QemGdiplusStartup();
        RegisterQemControls();
    }
    void TearDown() override {
        QemGdiplusShutdown();
        TestHooks::Stop();
    }
};
const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new Env);

const char* const FormText = R"(object frmQem: TfrmQem
  Left = 100
  Top = 100
  BorderStyle = bsSingle
  Caption = 'Qem'
  ClientHeight = 200
  ClientWidth = 320
  Color = clWhite
  Font.Name = 'Tahoma'
  Font.Size = 8
  object pnlBar: TPanel
    Left = 0
    Top = 0
    Width = 320
    Height = 60
    BevelOuter = bvNone
    Color = clWhite
    OnMouseDown = pnlBarMouseDown
    object btnFlat: TQemButton
      Left = 8
      Top = 8
      Width = 110
      Height = 27
      Caption = 'Add'
      DrawBorder = True
      ModalResult = mrOk
      OnClick = btnFlatClick
    end
    object btnNormal: TQemButton
      Left = 130
      Top = 8
      Width = 110
      Height = 27
      Caption = 'Settings'
      DrawBorder = True
      Style = QemButtonStyle_WinNormal
    end
    object lblTitle: TQemLabel
      Left = 250
      Top = 10
      Caption = 'Drag me'
    end
  end
  object btnPic: TQemButton
    Left = 8
    Top = 70
    Width = 40
    Height = 30
    TabStop = False
    Transparent = False
    BackColor = clWhite
  end
  object btnFocus: TQemButton
    Left = 60
    Top = 70
    Width = 98
    Height = 69
    Caption = 'Burn'
    DrawBorder = True
    DrawFocused = True
    Style = QemButtonStyle_WinNormal
    Font.Style = [fsBold]
  end
  object lblOnlineResources: TQemButton
    Left = 170
    Top = 110
    Width = 140
    Height = 24
    Caption = 'Online resources'
    DrawFocused = True
    TextAlign = alMiddleLeft
    Font.Color = clNavy
    Font.Style = [fsUnderline]
  end
  object btnBlank: TQemButton
    Left = 170
    Top = 70
    Width = 60
    Height = 25
    Caption = '   '
    Transparent = False
    BackColor = clWhite
  end
end
)";

class TfrmQem : public TForm {
public:
    explicit TfrmQem(TComponent* Owner) : TForm(Owner) {
        DefineMethod("btnFlatClick", &TfrmQem::btnFlatClick);
        DefineMethod("pnlBarMouseDown", &TfrmQem::pnlBarMouseDown);
        DefineField("btnFlat", btnFlat);
        DefineField("btnNormal", btnNormal);
        DefineField("btnPic", btnPic);
        DefineField("btnFocus", btnFocus);
        DefineField("btnBlank", btnBlank);
        DefineField("lblOnlineResources", lblOnlineResources);
        DefineField("lblTitle", lblTitle);
        DefineField("pnlBar", pnlBar);
        LoadFromText(FormText, "frmQem.frm");
    }
    void btnFlatClick(TObject*) { ++Clicks; }
    void pnlBarMouseDown(TObject*, TMouseButton, TShiftState, int, int) { ++PanelDowns; }
    TQemButton *btnFlat = nullptr, *btnNormal = nullptr, *btnPic = nullptr, *btnFocus = nullptr, *btnBlank = nullptr,
               *lblOnlineResources = nullptr;
    TQemLabel* lblTitle = nullptr;
    TPanel* pnlBar = nullptr;
    int Clicks = 0, PanelDowns = 0;
};

THeadlessScreen* Screen() { return WinHeadlessScreen(); }

class QemControls : public ::testing::Test {
protected:
    void SetUp() override {
        F = new TfrmQem(Application);
        F->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form to show"));
        // Away from every control.
        Screen()->MouseMove(POINT{1200, 1000});
        TestHooks::PumpPending();
    }
    void TearDown() override {
        Screen()->MouseMove(POINT{1200, 1000});
        TestHooks::PumpPending();
        F->Free();
        TestHooks::PumpPending();
    }
    // The window's pixels as shown (0x00RRGGBB).
    std::vector<uint32_t> Pixels(TWinControl* C, int& W, int& H) {
        TestHooks::PumpPending();
        std::string Path = std::filesystem::temp_directory_path() / "qem_shot.png";
        std::vector<uint32_t> Px;
        EXPECT_TRUE(WinSaveWindowPng(C->Handle(), Path));
        EXPECT_TRUE(LoadPixelsPng(Path, Px, W, H));
        std::remove(Path.c_str());
        return Px;
    }
    uint32_t Pixel(TWinControl* C, int X, int Y) {
        int W = 0, H = 0;
        auto Px = Pixels(C, W, H);
        return Px.at(static_cast<size_t>(Y) * W + X) & 0xFFFFFF;
    }
    // Compared with tests/data/qem/<Name>.png, written on the first run.
    void ExpectGolden(TWinControl* C, const std::string& Name) {
        std::string Golden = std::string(TESSARO_TEST_DATA) + "/qem/" + Name + ".png";
        TestHooks::PumpPending();
        if (!std::filesystem::exists(Golden)) {
            ASSERT_TRUE(WinSaveWindowPng(C->Handle(), Golden));
            GTEST_SKIP() << "golden image written: " << Golden;
        }
        int W = 0, H = 0, GW = 0, GH = 0;
        auto Px = Pixels(C, W, H);
        std::vector<uint32_t> G;
        ASSERT_TRUE(LoadPixelsPng(Golden, G, GW, GH));
        ASSERT_EQ(W, GW);
        ASSERT_EQ(H, GH);
        size_t Diff = 0;
        for (size_t I = 0; I < G.size(); ++I) Diff += (G[I] & 0xFFFFFF) != (Px[I] & 0xFFFFFF);
        EXPECT_EQ(Diff, 0u) << Name << " differs from its golden image";
    }
    POINT At(TControl* C, int X, int Y) { return C->ClientToScreen(POINT{X, Y}); }
    TfrmQem* F = nullptr;
};

constexpr uint32_t White = 0xFFFFFF, Highlight = 0xFFFFFF, Shadow = 0x716F64, MidShadow = 0xACA899,
                   Light = 0xF1EFE2;

// Both styles through idle, hovered, held down and disabled: the corners show
// which frame is drawn, and the whole face matches its golden image.
TEST_F(QemControls, BorderFollowsStyleAndState) {
    struct TCase {
        const char* State;
        uint32_t FlatTL, FlatBR, NormalTL, NormalBR;
    };
    const TCase Cases[] = {
        {"idle", White, White, Highlight, Shadow},
        {"hovered", Highlight, Shadow, Highlight, Shadow},
        {"down", Shadow, Highlight, MidShadow, MidShadow},
        {"disabled", White, White, Shadow, Highlight},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.State);
        std::string S = C.State;
        for (TQemButton* B : {F->btnFlat, F->btnNormal}) {
            bool Flat = B == F->btnFlat;
            if (S == "hovered") Screen()->MouseMove(At(B, 20, 10));
            if (S == "down") {
                Screen()->MouseMove(At(B, 20, 10));
                Screen()->MouseDown(At(B, 20, 10));
            }
            if (S == "disabled") B->SetEnabled(false);
            TestHooks::PumpPending();
            EXPECT_EQ(B->Hovered(), S == "hovered");
            EXPECT_EQ(B->Pressed(), S == "down");
            EXPECT_EQ(Pixel(B, 0, 0), Flat ? C.FlatTL : C.NormalTL);
            EXPECT_EQ(Pixel(B, B->Width() - 1, B->Height() - 1), Flat ? C.FlatBR : C.NormalBR);
            if (S != "down" || !Flat) EXPECT_NE(Pixel(B, 1, 1), Flat && S != "hovered" ? 0x000000u : 0x123456u);
            ExpectGolden(B, std::string(Flat ? "flat_" : "normal_") + S);
            if (S == "down") {
                // Away and back while held: the press stays; release outside leaves it idle.
                Screen()->MouseMove(POINT{1200, 1000});
                TestHooks::PumpPending();
                EXPECT_TRUE(B->Pressed());
                Screen()->MouseUp(POINT{1200, 1000});
                TestHooks::PumpPending();
                EXPECT_FALSE(B->Pressed());
                EXPECT_FALSE(B->Hovered());
            }
            if (S == "disabled") B->SetEnabled(true);
            Screen()->MouseMove(POINT{1200, 1000});
            TestHooks::PumpPending();
            EXPECT_FALSE(B->Hovered());
        }
    }
    EXPECT_EQ(Pixel(F->btnNormal, 1, 1), Light);
    EXPECT_EQ(F->Clicks, 0);  // released outside: no click
}

TEST_F(QemControls, ClicksKeysAndModalResult) {
    TQemButton* B = F->btnFlat;
    F->ModalResult = mrNone;
    TestHooks::Click(B);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Clicks == 1; }, 2000, "the click"));
    EXPECT_EQ(F->ModalResult, mrOk);
    F->ModalResult = mrNone;
    EXPECT_TRUE(B->Focused());
    EXPECT_TRUE(B->IsActive);
    EXPECT_TRUE(B->Hovered());  // released over it
    // A double click is two clicks.
    Screen()->DoubleClick(TestHooks::ControlCenter(B));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Clicks == 3; }, 2000, "two clicks"));
    // Space presses on the way down and clicks on the way up; Enter clicks the active button at once.
    Screen()->KeyDown(VK_SPACE);
    TestHooks::PumpPending();
    EXPECT_TRUE(B->Pressed());
    EXPECT_EQ(F->Clicks, 3);
    Screen()->KeyUp(VK_SPACE);
    TestHooks::PumpPending();
    EXPECT_FALSE(B->Pressed());
    EXPECT_EQ(F->Clicks, 4);
    Screen()->KeyDown(VK_RETURN);
    TestHooks::PumpPending();
    EXPECT_EQ(F->Clicks, 5);
    Screen()->KeyUp(VK_RETURN);
    TestHooks::PumpPending();
    EXPECT_EQ(F->Clicks, 5);
    // Focus elsewhere: no longer active.
    F->btnNormal->SetFocus();
    TestHooks::PumpPending();
    EXPECT_FALSE(B->IsActive);
    EXPECT_TRUE(F->btnNormal->IsActive);
    // The accelerator of the caption.
    B->SetCaption("&Add");
    EXPECT_TRUE(B->DialogChar(u'a'));
    EXPECT_FALSE(B->DialogChar(u'x'));
    B->SetEnabled(false);
    EXPECT_FALSE(B->DialogChar(u'a'));
    EXPECT_EQ(F->Clicks, 6);
    // A button without a tab stop is never focused by a click.
    TestHooks::Click(F->btnPic);
    TestHooks::PumpPending();
    EXPECT_FALSE(F->btnPic->Focused());
}

// Both frames and the focus glow: the margin becomes 4 after the first paint,
// the frames sit 3, 2 and 4 pixels in.
TEST_F(QemControls, FocusFramesAndMarginWithBorder) {
    TQemButton* B = F->btnFocus;
    B->SetFocus();
    TestHooks::PumpPending();
    B->Repaint();
    TestHooks::PumpPending();
    EXPECT_EQ(B->FocusedRectMargin(), 4);
    EXPECT_EQ(Pixel(B, 0, 0), Highlight);
    // The solid glow ring at inset 3 shows between the dots; inset 2 and 4 are translucent glow.
    int W = B->Width();
    uint32_t Ring3 = Pixel(B, W / 2 + 1, 3), Ring3b = Pixel(B, W / 2, 3);
    EXPECT_TRUE(Ring3 == 0x9ACD32 || Ring3b == 0x9ACD32) << std::hex << Ring3 << " " << Ring3b;
    uint32_t Ring2 = Pixel(B, W / 2, 2);
    EXPECT_NE(Ring2, 0x9ACD32u);
    EXPECT_GT((Ring2 >> 8) & 0xFF, (Ring2 >> 16) & 0xFF);  // greenish over the face
    ExpectGolden(B, "focus_border");
    // Focus gone: no frames.
    F->btnFlat->SetFocus();
    TestHooks::PumpPending();
    EXPECT_EQ(Pixel(B, W / 2, 2), 0xFFFFFFu);
    // Without a border the glow is at 1, 0 and 2.
    B->SetDrawBorder(false);
    B->SetFocus();
    TestHooks::PumpPending();
    B->Repaint();
    TestHooks::PumpPending();
    EXPECT_EQ(B->FocusedRectMargin(), 2);
    ExpectGolden(B, "focus_noborder");
}

// Every alignment of a 6 x 4 picture in a 40 x 30 face, with and without a
// margin; right and bottom places stay inside the face.
TEST_F(QemControls, PictureAlignmentTable) {
    TQemButton* B = F->btnPic;
    TPicture Pic;
    TBitmap& Bmp = Pic.Bitmap();
    Bmp.SetSize(6, 4);
    Bmp.Canvas().Brush().SetColor(clRed);
    Bmp.Canvas().FillRect(TRect(0, 0, 6, 4));
    B->SetPicNormal(&Pic);
    B->SetPictureX(5);
    B->SetPictureY(7);
    struct TCase {
        TQemAlignment Align;
        int X, Y;  // with margin m: X + m for left/custom, X - m for right ...
        int Dx, Dy;
    };
    const int W = 40, H = 30, w = 6, h = 4;
    const TCase Cases[] = {
        {TQemAlignment::alTopLeft, 0, 0, 1, 1},
        {TQemAlignment::alTopCenter, (W - w) / 2, 0, 1, 1},
        {TQemAlignment::alTopRight, W - w, 0, -1, 1},
        {TQemAlignment::alMiddleLeft, 0, (H - h) / 2, 1, 1},
        {TQemAlignment::alMiddleCenter, (W - w) / 2, (H - h) / 2, 1, 1},
        {TQemAlignment::alMiddleRight, W - w, (H - h) / 2, -1, 1},
        {TQemAlignment::alBottomLeft, 0, H - h, 1, -1},
        {TQemAlignment::alBottomCenter, (W - w) / 2, H - h, 1, -1},
        {TQemAlignment::alBottomRight, W - w, H - h, -1, -1},
        {TQemAlignment::alCenter, (W - w) / 2, (H - h) / 2, 1, 1},
        {TQemAlignment::alLeft, 0, (H - h) / 2, 1, 1},
        {TQemAlignment::alRight, W - w, (H - h) / 2, -1, 1},
        {TQemAlignment::alCustom, 5, 7, 1, 1},
    };
    for (int m : {0, 2}) {
        // DrawFocused alone gives the margin 2 (no frames: the button has no tab stop).
        B->SetDrawFocused(m == 2);
        B->Repaint();
        TestHooks::PumpPending();
        ASSERT_EQ(B->FocusedRectMargin(), m);
        for (const TCase& C : Cases) {
            SCOPED_TRACE(testing::Message() << "align " << int(C.Align) << " margin " << m);
            B->SetPictureAlign(C.Align);
            int PW = 0, PH = 0;
            auto Px = Pixels(B, PW, PH);
            int MinX = PW, MinY = PH, MaxX = -1, MaxY = -1;
            for (int Y = 0; Y < PH; ++Y)
                for (int X = 0; X < PW; ++X)
                    if ((Px[static_cast<size_t>(Y) * PW + X] & 0xFFFFFF) == 0xFF0000) {
                        MinX = std::min(MinX, X);
                        MinY = std::min(MinY, Y);
                        MaxX = std::max(MaxX, X);
                        MaxY = std::max(MaxY, Y);
                    }
            int Mx = C.Dx * m, My = C.Dy * m;
            // Centred places add the margin as designed.
            if (C.Align == TQemAlignment::alTopCenter || C.Align == TQemAlignment::alMiddleCenter ||
                C.Align == TQemAlignment::alCenter || C.Align == TQemAlignment::alBottomCenter)
                Mx = m;
            if (C.Align == TQemAlignment::alMiddleLeft || C.Align == TQemAlignment::alMiddleCenter ||
                C.Align == TQemAlignment::alMiddleRight || C.Align == TQemAlignment::alCenter ||
                C.Align == TQemAlignment::alLeft || C.Align == TQemAlignment::alRight)
                My = m;
            EXPECT_EQ(MinX, C.X + Mx);
            EXPECT_EQ(MinY, C.Y + My);
            EXPECT_EQ(MaxX - MinX + 1, w);
            EXPECT_EQ(MaxY - MinY + 1, h);
            EXPECT_LE(MaxX, W - 1);
            EXPECT_LE(MaxY, H - 1);
        }
    }
    // Stretched: from the origin to the far margin.
    B->SetStretch(true);
    B->SetPictureAlign(TQemAlignment::alTopLeft);
    EXPECT_EQ(Pixel(B, 2, 2), 0xFF0000u);
    EXPECT_EQ(Pixel(B, W - 3, H - 3), 0xFF0000u);
    EXPECT_EQ(Pixel(B, W - 2, H - 2), 0xFFFFFFu);
    // A disabled button without its own picture shows the normal one.
    B->SetStretch(false);
    B->SetEnabled(false);
    EXPECT_EQ(Pixel(B, 2, 2), 0xFF0000u);
    // Clearing the picture clears the face.
    B->SetPicNormal(nullptr);
    EXPECT_EQ(B->PicNormal().Width(), 0);
    EXPECT_EQ(Pixel(B, 2, 2), 0xFFFFFFu);
}

TEST_F(QemControls, CaptionOfBlanksDrawsNothingAndStateFontsAreOptIn) {
    int W = 0, H = 0;
    auto Px = Pixels(F->btnBlank, W, H);
    for (uint32_t P : Px) ASSERT_EQ(P & 0xFFFFFF, 0xFFFFFFu);
    // Hovering a flat button without a border: same caption pixels unless state fonts are on.
    TQemButton* B = F->btnFlat;
    B->SetDrawBorder(false);
    auto Idle = Pixels(B, W, H);
    B->FontMouseHover().SetColor(clRed);
    Screen()->MouseMove(At(B, 5, 5));
    TestHooks::PumpPending();
    ASSERT_TRUE(B->Hovered());
    EXPECT_EQ(Pixels(B, W, H), Idle);
    B->SetEnableStatesFont(true);
    auto Red = Pixels(B, W, H);
    bool AnyRed = false;
    for (uint32_t P : Red) AnyRed |= ((P >> 16) & 0xFF) > 200 && ((P >> 8) & 0xFF) < 100 && (P & 0xFF) < 100;
    EXPECT_TRUE(AnyRed);
    // BackColor reads back as the class library's colour.
    B->SetBackColor(clNavy);
    EXPECT_EQ(B->BackColor(), clNavy);
}

// The about box's link: transparent, navy underlined text on the left, the
// glow when focused and no border.
TEST_F(QemControls, LinkStyledButton) {
    TQemButton* B = F->lblOnlineResources;
    ExpectGolden(B, "link_idle");
    B->SetFocus();
    TestHooks::PumpPending();
    B->Repaint();
    ExpectGolden(B, "link_focused");
    // Underlined navy ink near the left edge, none at the right.
    int W = 0, H = 0;
    auto Px = Pixels(B, W, H);
    int Navy = 0, RightInk = 0;
    for (int Y = 3; Y < H - 3; ++Y)
        for (int X = 3; X < W - 3; ++X) {
            uint32_t P = Px[static_cast<size_t>(Y) * W + X] & 0xFFFFFF;
            if (P == 0x000080) ++Navy;
            if (X > W - 20 && P != 0xFFFFFF) ++RightInk;
        }
    EXPECT_GT(Navy, 20);
    EXPECT_EQ(RightInk, 0);
}

TEST(QemUtils, ColourConversions) {
    EXPECT_EQ(ColorToARGB(clRed, 255), 0xFFFF0000u);
    EXPECT_EQ(ColorToARGB(0x00563412, 0x80), 0x80123456u);
    EXPECT_EQ(ARGBToColor(0x80123456u), 0x00563412);
    EXPECT_EQ(ColorToARGB(clBtnFace, 255), 0xFF000000u | ((GetSysColor(COLOR_BTNFACE) & 0xFF) << 16) |
                                               (GetSysColor(COLOR_BTNFACE) & 0xFF00) |
                                               ((GetSysColor(COLOR_BTNFACE) >> 16) & 0xFF));
    EXPECT_EQ(FontToGPFont(nullptr), nullptr);
    EXPECT_EQ(PictureToGPBitmap(nullptr), nullptr);
    TPicture Empty;
    EXPECT_EQ(PictureToGPBitmap(&Empty), nullptr);
}

// The label tells when the mouse comes over it and goes away, once each.
TEST_F(QemControls, LabelReportsMouseEnterAndLeave) {
    TQemLabel* L = F->lblTitle;
    int Enter = 0, Leave = 0;
    L->OnMouseEnter = [&](TObject*) { ++Enter; };
    L->OnMouseLeave = [&](TObject*) { ++Leave; };
    Screen()->MouseMove(At(L, 2, 2));
    TestHooks::PumpPending();
    Screen()->MouseMove(At(L, 4, 3));
    TestHooks::PumpPending();
    EXPECT_EQ(Enter, 1);
    EXPECT_EQ(Leave, 0);
    EXPECT_TRUE(L->MouseInside());
    // Onto the panel beside it.
    Screen()->MouseMove(At(L, -5, 2));
    TestHooks::PumpPending();
    EXPECT_EQ(Leave, 1);
    // Back in, then straight out of the window.
    Screen()->MouseMove(At(L, 2, 2));
    TestHooks::PumpPending();
    Screen()->MouseMove(POINT{1200, 1000});
    TestHooks::PumpPending();
    EXPECT_EQ(Enter, 2);
    EXPECT_EQ(Leave, 2);
    EXPECT_FALSE(L->MouseInside());
    // The panel's own mouse handling is untouched throughout.
    TestHooks::Click(F->pnlBar->ClientToScreen(POINT{300, 50}));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->PanelDowns == 1; }, 2000, "the panel's OnMouseDown"));
    // Destroyed while the mouse is over it: the panel's handling is given back.
    Screen()->MouseMove(At(L, 2, 2));
    TestHooks::PumpPending();
    L->OnMouseLeave = nullptr;
    L->Free();
    F->lblTitle = nullptr;
    Screen()->MouseMove(F->pnlBar->ClientToScreen(POINT{250, 12}));
    TestHooks::PumpPending();
    TestHooks::Click(F->pnlBar->ClientToScreen(POINT{300, 50}));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->PanelDowns == 2; }, 2000, "the panel's OnMouseDown again"));
}

// The label drags the form it is on, not the panel under it.
TEST_F(QemControls, LabelDragsItsForm) {
    RECT Before, After;
    GetWindowRect(F->Handle(), &Before);
    POINT From = At(F->lblTitle, 3, 3);
    Screen()->Drag(From, POINT{From.x + 40, From.y + 30}, 3);
    TestHooks::PumpPending();
    GetWindowRect(F->Handle(), &After);
    EXPECT_EQ(After.left - Before.left, 40);
    EXPECT_EQ(After.top - Before.top, 30);
    EXPECT_EQ(F->PanelDowns, 0);
    // Without the move handler it is a plain label.
    F->lblTitle->MoveHandler = false;
    From = At(F->lblTitle, 3, 3);
    Screen()->Drag(From, POINT{From.x + 40, From.y + 30}, 3);
    TestHooks::PumpPending();
    RECT Still;
    GetWindowRect(F->Handle(), &Still);
    EXPECT_EQ(Still.left, After.left);
    EXPECT_EQ(Still.top, After.top);
}

}  // namespace
