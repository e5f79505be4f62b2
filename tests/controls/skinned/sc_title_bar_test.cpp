// The title bar: its looks, hover and pressed buttons, the buttons' actions,
// the system menu, dragging, caption shortening and the refused settings.
#include <gtest/gtest.h>

#include "controls/golden_png.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"
#include "platform/screen/headless.h"
#include "platform/win/winscreen.h"
#include "sc_test_env.h"

namespace {

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new ScTestEnv);

class TitleBar : public ::testing::Test {
protected:
    void SetUp() override {
        F = new TForm(Application);
        F->SetBounds(60, 60, 360, 140);
        F->SetColor(TColor(0xF0F0F0));
        Bar = new TscTitleBar(F);
        Bar->SetParent(F);
        Bar->SetCaption("A skinned title bar");
        Help = Bar->Buttons().Add();
        Help->SetButtonType(scHelp);
        F->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form to show"));
        TestHooks::PumpPending();
    }
    void TearDown() override {
        if (F) F->Free();
        TestHooks::PumpPending();
    }
    int IndexOf(TscTitleBarBtnType T) {
        for (int I = 0; I < Bar->Buttons().Count(); ++I)
            if (Bar->Buttons().Items(I)->ButtonType() == T) return I;
        return -1;
    }
    POINT Centre(TscTitleBarBtnType T) {
        TRect R = Bar->ButtonRect(IndexOf(T));
        return Bar->ClientToScreen(POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2});
    }
    TForm* F = nullptr;
    TscTitleBar* Bar = nullptr;
    TscTitleBarButton* Help = nullptr;
};

TEST_F(TitleBar, EveryLookDrawn) {
    auto* Theme = new TscFileTheme(F);
    Theme->SetThemeFile(TESSARO_SC_THEME_FILE);
    Bar->SetFileTheme(Theme);
    struct TLook {
        TscUIStyle Style;
        const char* Golden;
        int Height;
    } Looks[] = {{MacOS, "macos", 23},       {WinXP, "winxp", 29},          {DeepBlue, "deepblue", 32},
                 {Protein, "protein", 23},   {BlueGlass, "blueglass", 33}, {FromThemeFile, "themefile", 28}};
    for (const TLook& L : Looks) {
        SCOPED_TRACE(L.Golden);
        Bar->SetUIStyle(L.Style);
        TestHooks::PumpPending();
        EXPECT_EQ(Bar->Height(), L.Height);
        EXPECT_TRUE(Bar->HasThreeSectionPictures());
        ExpectWindowMatchesGolden(F->Handle(), std::string("controls/skinned/title_bar_") + L.Golden + ".png");
    }
    EXPECT_EQ(F->Constraints.MinWidth, 160);  // the theme's minimum form width
}

// The pointer over a button shows its hover frame, a press its pressed frame.
TEST_F(TitleBar, HoverAndPressedFrames) {
    Bar->SetUIStyle(WinXP);
    TestHooks::PumpPending();
    TscTitleBarButton* Close = Bar->Buttons().Items(IndexOf(scClose));
    TRect R = Bar->ButtonRect(IndexOf(scClose));
    POINT C = Centre(scClose);
    auto PictureAtCentre = [&](TPicture& P) {
        auto* B = static_cast<TBitmap*>(P.Graphic());
        return static_cast<uint32_t>(ColorToRGB(B->Canvas().Pixel(R.Width() / 2 - 1, R.Height() / 2 + 3)));
    };
    auto ScreenAtCentre = [&] {
        uint32_t P = WinHeadlessScreen()->DesktopPixel(
            Bar->ClientToScreen(POINT{R.left + R.Width() / 2 - 1, R.top + R.Height() / 2 + 3}));
        return ((P & 0xFF) << 16) | (P & 0xFF00) | (P >> 16);  // as a colour value
    };
    ASSERT_NE(PictureAtCentre(Close->PicNormal()), PictureAtCentre(Close->PicMouseOn()));
    ASSERT_NE(PictureAtCentre(Close->PicMouseOn()), PictureAtCentre(Close->PicMouseDown()));
    EXPECT_EQ(ScreenAtCentre(), PictureAtCentre(Close->PicNormal()));
    WinHeadlessScreen()->MouseMove(C);
    TestHooks::PumpPending();
    EXPECT_EQ(Bar->HotButton(), IndexOf(scClose));
    EXPECT_EQ(ScreenAtCentre(), PictureAtCentre(Close->PicMouseOn()));
    WinHeadlessScreen()->MouseDown(C);
    TestHooks::PumpPending();
    EXPECT_TRUE(Bar->ButtonPressed());
    EXPECT_EQ(ScreenAtCentre(), PictureAtCentre(Close->PicMouseDown()));
    // Released away from the button: nothing runs.
    WinHeadlessScreen()->MouseUp(Bar->ClientToScreen(POINT{150, 10}));
    TestHooks::PumpPending();
    EXPECT_TRUE(F->Visible());
    EXPECT_FALSE(Bar->ButtonPressed());
}

TEST_F(TitleBar, ButtonsActOnTheForm) {
    Bar->SetUIStyle(WinXP);
    TestHooks::PumpPending();
    TscTitleBarButton* Max = Bar->Buttons().Items(IndexOf(scMax));
    auto* NormalPic = static_cast<TBitmap*>(Max->PicNormal().Graphic());
    TBitmap MaxFrame;
    MaxFrame.Assign(*NormalPic);
    TestHooks::Click(Centre(scMax));
    TestHooks::PumpPending();
    EXPECT_EQ(F->WindowState(), wsMaximized);
    TRect W;
    GetWorkAreaRect(W);
    EXPECT_EQ(F->Left(), W.left - 4);
    EXPECT_EQ(F->Top(), W.top - 4);
    EXPECT_EQ(F->Width(), W.Width() + 8);
    // Now the restore picture (frame 10), then back.
    TBitmap Restore;
    GetBuiltInStyleImage(WinXP, skTitleBarButtonImage, &Restore, 18, 10);
    auto* Now = static_cast<TBitmap*>(Max->PicNormal().Graphic());
    EXPECT_EQ(Now->Canvas().Pixel(10, 10), Restore.Canvas().Pixel(10, 10));
    EXPECT_NE(Now->Canvas().Pixel(10, 10), MaxFrame.Canvas().Pixel(10, 10));
    TestHooks::Click(Centre(scMax));
    TestHooks::PumpPending();
    EXPECT_EQ(F->WindowState(), wsNormal);
    TestHooks::Click(Centre(scMin));
    TestHooks::PumpPending();
    EXPECT_EQ(F->WindowState(), wsMinimized);
    F->SetWindowState(wsNormal);
    TestHooks::PumpPending();
    int Helped = -1;
    Bar->OnHelpBtnClick = [&](TObject*, int Index) { Helped = Index; };
    TestHooks::Click(Centre(scHelp));
    TestHooks::PumpPending();
    EXPECT_EQ(Helped, IndexOf(scHelp));
    bool Closed = false;
    F->OnClose = [&](TObject*, TCloseAction&) { Closed = true; };
    TestHooks::Click(Centre(scClose));
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Closed; }, 2000, "the form to close"));
}

// The control box opens the system menu at the bar's bottom-left corner,
// its items enabled by the visible buttons.
TEST_F(TitleBar, ControlBoxMenu) {
    Bar->SetUIStyle(DeepBlue);
    Bar->Buttons().Items(IndexOf(scMin))->SetVisible(false);
    TestHooks::PumpPending();
    RECT MenuRect{};
    TestHooks::OnNextModalWindow([&](HWND W) {
        GetWindowRect(W, &MenuRect);
        WinHeadlessScreen()->KeyPress(VK_ESCAPE);
    });
    TestHooks::Click(Centre(scControlBox));
    TestHooks::PumpPending();
    POINT Expected = Bar->ClientToScreen(POINT{0, Bar->Height()});
    EXPECT_EQ(MenuRect.left, Expected.x);
    EXPECT_EQ(MenuRect.top, Expected.y);
    TMenuItem* Items = Bar->TitleBarMenu()->Items();
    EXPECT_FALSE(Items->Items(0)->Enabled());  // no minimise button
    EXPECT_TRUE(Items->Items(1)->Enabled());
    EXPECT_TRUE(Items->Items(3)->Enabled());
    EXPECT_EQ(Items->Items(1)->Caption(), "Ma&ximize/Restore");
    // Its maximise item acts as the button.
    Items->Items(1)->Click();
    EXPECT_EQ(F->WindowState(), wsMaximized);
}

// A press on the bar away from the buttons asks the window layer to move the form.
TEST_F(TitleBar, DragOnTheBarMovesTheWindow) {
    Bar->SetUIStyle(WinXP);
    TestHooks::PumpPending();
    int Moves = 0;
    auto Old = F->WindowProc;
    F->WindowProc = [&](TMessage& M) {
        if (M.Msg == WM_NCLBUTTONDOWN && M.WParam == HTCAPTION) ++Moves;
        Old(M);
    };
    WinHeadlessScreen()->Drag(Bar->ClientToScreen(POINT{200, 12}), Bar->ClientToScreen(POINT{260, 40}), 3);
    TestHooks::PumpPending();
    EXPECT_EQ(Moves, 1);
    // Not on a button.
    TestHooks::Click(Centre(scHelp));
    TestHooks::PumpPending();
    EXPECT_EQ(Moves, 1);
    F->WindowProc = Old;
}

TEST_F(TitleBar, CaptionShortensToFit) {
    Bar->SetUIStyle(DeepBlue);
    Bar->SetCaption("A caption much too long to fit between the buttons of this narrow bar");
    F->SetWidth(220);
    TestHooks::PumpPending();
    const std::string& D = Bar->DrawnCaption();
    ASSERT_GT(D.size(), 3u);
    EXPECT_EQ(D.substr(D.size() - 3), "...");
    EXPECT_EQ(Bar->Caption().compare(0, D.size() - 3, D, 0, D.size() - 3), 0);
    // Not even "..." fits: "..." alone, and painting ends.
    F->SetWidth(60);
    TestHooks::PumpPending();
    EXPECT_EQ(Bar->DrawnCaption(), "...");
}

// A title bar as a form file stores it: its values, and its buttons and
// sections replacing the ones it starts with; a stored second control box is
// refused as when set by hand.
TEST(TitleBarStored, ValuesButtonsAndSections) {
    auto* F = new TForm(Application);
    TestHooks::ScriptMessageBoxes({IDOK});
    size_t Boxes = TestHooks::MessageBoxesShown().size();
    ReadFormText(F, R"(object frmBar: TForm
  object mnuBox: TscPopupMenu
  end
  object Bar: TscTitleBar
    Custom = True
    ButtonInterval = 4
    LeftBtnXOffset = 7
    RightBtnXOffset = -5
    RoundCorner = 6
    RoundCornerBottom = 2
    FormActive = False
    Buttons = <
      item
        ButtonType = scControlBox
        ControlBoxMenu = mnuBox
      end
      item
        ButtonType = scCustom
        Top = 5
        Visible = False
        Transparent = True
      end
      item
        ButtonType = scControlBox
      end>
    Sections = <
      item
        Width = 30
        Align = scRight
        Stretch = True
      end
      item
        Align = scClient
      end>
  end
end
)",
                 "bar.frm");
    auto* Bar = dynamic_cast<TscTitleBar*>(F->FindComponent("Bar"));
    ASSERT_NE(Bar, nullptr);
    EXPECT_EQ(Bar->ButtonInterval(), 4);
    EXPECT_EQ(Bar->LeftBtnXOffset(), 7);
    EXPECT_EQ(Bar->RightBtnXOffset(), -5);
    EXPECT_EQ(Bar->RoundCorner, 6);
    EXPECT_EQ(Bar->RoundCornerBottom, 2);
    EXPECT_FALSE(Bar->FormActive());
    ASSERT_EQ(Bar->Buttons().Count(), 3);
    EXPECT_EQ(Bar->Buttons().Items(0)->ButtonType(), scControlBox);
    EXPECT_EQ(Bar->Buttons().Items(0)->ControlBoxMenu, F->FindComponent("mnuBox"));
    TscTitleBarButton* Own = Bar->Buttons().Items(1);
    EXPECT_EQ(Own->ButtonType(), scCustom);
    EXPECT_EQ(Own->Top(), 5);
    EXPECT_FALSE(Own->Visible());
    EXPECT_TRUE(Own->Transparent());
    EXPECT_EQ(Bar->Buttons().Items(2)->ButtonType(), scCustom);  // the second control box refused
    ASSERT_EQ(TestHooks::MessageBoxesShown().size(), Boxes + 1);
    ASSERT_EQ(Bar->Sections().Count(), 2);
    EXPECT_EQ(Bar->Sections().Items(0)->Width(), 30);
    EXPECT_EQ(Bar->Sections().Items(0)->Align(), scRight);
    EXPECT_TRUE(Bar->Sections().Items(0)->Stretch());
    EXPECT_EQ(Bar->Sections().Items(1)->Align(), scClient);
    EXPECT_TRUE(Bar->Sections().Items(1)->Stretch());  // a client section always stretches
    F->Free();
}

TEST_F(TitleBar, RefusedSettingsAndKeptValues) {
    TestHooks::ScriptMessageBoxes({IDOK, IDOK});
    Help->SetButtonType(scControlBox);
    EXPECT_EQ(Help->ButtonType(), scHelp);
    Bar->Sections().Items(0)->SetAlign(scClient);
    EXPECT_EQ(Bar->Sections().Items(0)->Align(), scLeft);
    ASSERT_EQ(TestHooks::MessageBoxesShown().size(), 2u);
    EXPECT_EQ(TestHooks::MessageBoxesShown()[0].Text, "Sorry, only one button's ButtonType property can be \"scControlBox\"");
    EXPECT_EQ(TestHooks::MessageBoxesShown()[1].Text, "Sorry, only one section's Align property can be \"scClient\"");
    // A theme does not change the caption colour; a look does.
    Bar->SetUIStyle(MacOS);
    EXPECT_EQ(Bar->Font().Color(), clBlack);
    auto* Theme = new TscFileTheme(F);
    Theme->SetThemeFile(TESSARO_SC_THEME_FILE);
    Bar->SetFileTheme(Theme);
    EXPECT_EQ(Bar->Font().Color(), clBlack);
    Bar->SetUIStyle(FromThemeFile);
    EXPECT_EQ(Bar->Font().Color(), Theme->GetColor(skTitleBarFontColor));
    Bar->Font().SetColor(clRed);
    Bar->SetFileTheme(Theme);
    EXPECT_EQ(Bar->Font().Color(), clRed);
    // Custom: the look keeps its sections and metrics.
    Bar->Custom = true;
    int Top = Bar->ButtonTop();
    Bar->SetUIStyle(BlueGlass);
    EXPECT_EQ(Bar->ButtonTop(), Top);
    EXPECT_EQ(Bar->Height(), 28);
    Bar->Custom = false;
    // AutoSize off still takes the first section's height.
    Bar->SetUIStyle(WinXP);
    Bar->SetHeight(50);
    Bar->SetAutoSize(false);
    EXPECT_EQ(Bar->Height(), 29);
    // Removing the theme falls back to DeepBlue.
    Theme->Free();
    EXPECT_EQ(Bar->UIStyle(), DeepBlue);
    EXPECT_EQ(Bar->Height(), 32);
}

}  // namespace
