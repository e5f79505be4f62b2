// The skinned form component: the frame it takes off and paints, its looks,
// the border styles it changes, the system menu on Alt+Space, the window
// shape, and giving the form back when it goes.
#include <gtest/gtest.h>

#include "controls/golden_png.h"
#include "platform/classlib/formload.h"
#include "platform/classlib/forms.h"
#include "platform/commctl/commctrl.h"
#include "platform/screen/headless.h"
#include "platform/win/winscreen.h"
#include "sc_test_env.h"

namespace {

// A control of another family that publishes the two properties, and one
// that publishes only the look.
class TThemedGauge : public TCustomControl {
    TESSARO_CLASSINFO
public:
    using TCustomControl::TCustomControl;
    std::string Look;
    TComponent* Theme = nullptr;
};
TClassInfo& TThemedGauge::StaticClassInfo() {
    static TClassInfo CI("TThemedGauge", &TCustomControl::StaticClassInfo(), CreateComponentOf<TThemedGauge>,
                         [](TClassInfo& C) {
                             C.Define<TThemedGauge>("UIStyle", [](TThemedGauge& G, const TFormValue& V, TFormReader& R) {
                                 G.Look = R.Ident(V);
                             });
                             C.Define<TThemedGauge>("FileTheme", [](TThemedGauge& G, const TFormValue& V, TFormReader& R) {
                                 R.Reference(V, [&G](TComponent* T) { G.Theme = T; });
                             });
                         });
    return CI;
}
class TLookOnly : public TCustomControl {
    TESSARO_CLASSINFO
public:
    using TCustomControl::TCustomControl;
    std::string Look;
};
TClassInfo& TLookOnly::StaticClassInfo() {
    static TClassInfo CI("TLookOnly", &TCustomControl::StaticClassInfo(), CreateComponentOf<TLookOnly>, [](TClassInfo& C) {
        C.Define<TLookOnly>("UIStyle", [](TLookOnly& G, const TFormValue& V, TFormReader& R) { G.Look = R.Ident(V); });
    });
    return CI;
}

const auto* const TheEnv = ::testing::AddGlobalTestEnvironment(new ScTestEnv);

class SkinnedForm : public ::testing::Test {
protected:
    TForm* MakeForm(TFormBorderStyle Style, int X = 80) {
        auto* F = new TForm(Application);
        F->SetBounds(X, 80, 320, 200);
        F->SetCaption("Skinned form");
        F->SetBorderStyle(Style);
        Forms.push_back(F);
        return F;
    }
    void ShowForm(TForm* F) {
        F->Show();
        ASSERT_TRUE(TestHooks::PumpUntil([&] { return F->Showing(); }, 2000, "the form to show"));
        TestHooks::PumpPending();
    }
    // File (Open, Save with Ctrl+S), a disabled Edit and Help, on a skinned main menu.
    TscMainMenu* MakeMenu(TForm* F) {
        auto* M = new TscMainMenu(F);
        auto Add = [&](TMenuItem* To, const char* Caption) {
            auto* I = new TMenuItem(F);
            I->SetCaption(Caption);
            I->OnClick = [this, I](TObject*) { Ran.push_back(I->Caption()); };
            To->Add(I);
            return I;
        };
        TMenuItem* File = Add(M->Items(), "&File");
        Add(File, "&Open");
        Add(File, "Save")->SetShortCut(ShortCut('S', false, true, false));
        Add(M->Items(), "Edit")->SetEnabled(false);
        Add(M->Items(), "Help");
        return M;
    }
    std::vector<std::string> Ran;
    void TearDown() override {
        for (TForm* F : Forms) F->Free();
        TestHooks::PumpPending();
    }
    std::vector<TForm*> Forms;
};

TEST_F(SkinnedForm, EveryLookDrawn) {
    TForm* F = MakeForm(bsSingle);
    auto* Skin = new TscForm(F);
    Skin->SetParent(F);
    auto* Box = new TscCheckBox(F);
    Box->SetParent(Skin);
    Box->SetBounds(20, 60, 100, 19);
    Box->SetCaption("A box");
    Skin->UIStyleAutoUpdateSub = true;
    MakeMenu(F);
    auto* Theme = new TscFileTheme(F);
    Theme->SetThemeFile(TESSARO_SC_THEME_FILE);
    ShowForm(F);
    struct TLook {
        TscUIStyle Style;
        const char* Golden;
    } Looks[] = {{MacOS, "macos"}, {WinXP, "winxp"}, {DeepBlue, "deepblue"}, {Protein, "protein"},
                 {BlueGlass, "blueglass"}, {FromThemeFile, "themefile"}};
    for (const TLook& L : Looks) {
        SCOPED_TRACE(L.Golden);
        Skin->SetFileTheme(Theme);
        Skin->SetUIStyle(L.Style);
        TestHooks::PumpPending();
        EXPECT_EQ(Box->UIStyle(), L.Style);  // the children follow
        ExpectWindowMatchesGolden(F->Handle(), std::string("controls/skinned/form_") + L.Golden + ".png");
    }
}

// A style change reaches every direct child publishing "FileTheme" and
// "UIStyle", by those properties: the theme first, then the style.
TEST_F(SkinnedForm, ChildrenFollowByTheirPublishedProperties) {
    TForm* F = MakeForm(bsSizeable);
    auto* Skin = new TscForm(F);
    Skin->SetParent(F);
    Skin->UIStyleAutoUpdateSub = true;
    auto* Gauge = new TThemedGauge(F);
    Gauge->SetParent(Skin);
    auto* LookOnly = new TLookOnly(F);
    LookOnly->SetParent(Skin);
    auto* Theme = new TscFileTheme(nullptr);  // unnamed and owned by no form
    Theme->SetThemeFile(TESSARO_SC_THEME_FILE);
    Skin->SetFileTheme(Theme);
    Skin->SetUIStyle(Protein);
    EXPECT_EQ(Gauge->Look, "Protein");
    EXPECT_EQ(Gauge->Theme, Theme);
    EXPECT_EQ(LookOnly->Look, "");
    Theme->Free();  // the form drops it and gives its children none
    EXPECT_EQ(Gauge->Theme, nullptr);
    EXPECT_EQ(Gauge->Look, "DeepBlue");
}

// The frame is taken off the client once, whatever frame the style would have had.
TEST_F(SkinnedForm, BorderStylesAndTheClientArea) {
    const struct {
        TFormBorderStyle Given, Becomes;
    } Cases[] = {{bsSingle, bsDialog}, {bsToolWindow, bsDialog}, {bsSizeable, bsSizeable}, {bsDialog, bsDialog}};
    int X = 20;
    for (const auto& C : Cases) {
        SCOPED_TRACE(int(C.Given));
        TForm* F = MakeForm(C.Given, X += 30);
        auto* Skin = new TscForm(F);
        Skin->SetParent(F);
        ShowForm(F);
        EXPECT_EQ(F->BorderStyle(), C.Becomes);
        EXPECT_EQ(GetWindowLongPtrA(F->Handle(), GWL_STYLE) & WS_CAPTION, 0);
        EXPECT_EQ(F->ClientWidth(), F->Width() - 2 * TscForm::FrameSize);
        EXPECT_EQ(F->ClientHeight(), F->Height() - 2 * TscForm::FrameSize);
        EXPECT_EQ(Skin->Width(), F->ClientWidth());
        EXPECT_EQ(Skin->TitleBar()->Top(), 0);
    }
}

// The frame's width comes from the look: a theme's border pictures (with a
// one-pixel strip inside them, in the menu bar's colour beside the bar) or
// the look's border width; the title bar is told the picture's width.
TEST_F(SkinnedForm, FrameTakenFromTheLook) {
    TForm* F = MakeForm(bsSizeable);
    auto* Skin = new TscForm(F);
    Skin->SetParent(F);
    MakeMenu(F);
    auto* Theme = new TscFileTheme(F);
    Theme->SetThemeFile(TESSARO_SC_THEME_FILE);
    ShowForm(F);
    auto Pixel = [&](int X, int Y) {
        HDC DC = GetWindowDC(F->Handle());
        COLORREF C = GetPixel(DC, X, Y);
        ReleaseDC(F->Handle(), DC);
        return TColor(C);
    };
    Skin->SetFileTheme(Theme);
    Skin->SetUIStyle(FromThemeFile);
    TestHooks::PumpPending();
    TBitmap Left, Bottom;
    Theme->GetImage(skFormLeftBorderImage, &Left);
    Theme->GetImage(skFormBottomBorderImage, &Bottom);
    const int B = Left.Width(), D = Bottom.Height(), W = F->Width(), H = F->Height();
    ASSERT_GT(B, 0);
    ASSERT_GT(D, 0);
    EXPECT_EQ(Skin->TitleBar()->FormBorderPictureWidth(), B);
    EXPECT_EQ(F->ClientWidth(), W - 2 * (B + 1));
    EXPECT_EQ(F->ClientHeight(), H - TscForm::FrameSize - (D + 1));
    int BarY = TscForm::FrameSize + Skin->MenuBar()->Top() + Skin->MenuBar()->Height() / 2;
    int Below = TscForm::FrameSize + Skin->MenuBar()->Top() + Skin->MenuBar()->Height() + 10;
    EXPECT_EQ(Pixel(B, BarY), Skin->MenuBarColor());
    EXPECT_EQ(Pixel(W - B - 1, BarY), Skin->MenuBarColor());
    EXPECT_EQ(Pixel(B, Below), Skin->Color());
    EXPECT_EQ(Pixel(W - B - 1, Below), Skin->Color());
    EXPECT_EQ(Pixel(W / 2, H - D - 1), Skin->Color());
    EXPECT_EQ(Pixel(0, Below), Left.Canvas().Pixel(0, Left.Height() / 2));
    // Without pictures: a border 6 pixels wide takes 6 pixels off each side.
    Skin->SetUIStyle(DeepBlue);
    EXPECT_EQ(Skin->TitleBar()->FormBorderPictureWidth(), 0);
    Skin->SetFrameWidth(6);
    TestHooks::PumpPending();
    EXPECT_EQ(F->ClientWidth(), W - 12);
    EXPECT_EQ(F->ClientHeight(), H - TscForm::FrameSize - 6);
    EXPECT_EQ(Pixel(5, Below), Skin->FrameColor());
    EXPECT_EQ(Pixel(W - 6, Below), Skin->FrameColor());
    EXPECT_EQ(Pixel(W / 2, H - 6), Skin->FrameColor());
    EXPECT_EQ(Skin->Width(), F->ClientWidth());
}

// The skinned form's stored values, as a form file holds them: the caption
// goes to the title bar and the form, the panel named to fill the client is
// made plain and aligned, the menu bar's height reaches each button.
TEST_F(SkinnedForm, StoredValuesAndTheFormPanel) {
    TForm* F = MakeForm(bsSizeable);
    ReadFormText(F,
                 "object frmSkin: TForm\n"
                 "  object Skin: TscForm\n"
                 "    Caption = 'Stored caption'\n"
                 "    BorderColor = clRed\n"
                 "    BorderWidth = 2\n"
                 "    MenuBarColor = clYellow\n"
                 "    MenuBarHeight = 26\n"
                 "    RoundCorner = 9\n"
                 "    FormPanel = pnlClient\n"
                 "    Version = '1.0'\n"
                 "    object pnlClient: TPanel\n"
                 "      Caption = 'Client'\n"
                 "      BevelOuter = bvRaised\n"
                 "    end\n"
                 "  end\n"
                 "end\n",
                 "skin.frm");
    auto* Skin = dynamic_cast<TscForm*>(F->FindComponent("Skin"));
    ASSERT_NE(Skin, nullptr);
    auto* Panel = dynamic_cast<TPanel*>(F->FindComponent("pnlClient"));
    EXPECT_EQ(Skin->TitleBar()->Caption(), "Stored caption");
    EXPECT_EQ(F->Caption(), "Stored caption");
    EXPECT_EQ(Skin->FrameColor(), clRed);
    EXPECT_EQ(Skin->FrameWidth(), 2);
    EXPECT_EQ(Skin->MenuBarColor(), clYellow);
    EXPECT_EQ(Skin->RoundCorner(), 9);
    EXPECT_EQ(std::string(TscForm::Version), "5.8");
    ASSERT_EQ(Skin->FormPanel(), Panel);
    EXPECT_EQ(Panel->BevelOuter, bvNone);
    EXPECT_EQ(Panel->Caption(), "");
    EXPECT_EQ(Panel->Align(), alClient);
    // Its own panel is refused with a message and changes nothing.
    TestHooks::ScriptMessageBoxes({IDOK});
    size_t Boxes = TestHooks::MessageBoxesShown().size();
    Skin->SetFormPanel(Skin);
    ASSERT_EQ(TestHooks::MessageBoxesShown().size(), Boxes + 1);
    EXPECT_EQ(TestHooks::MessageBoxesShown().back().Text, "Sorry, you can't select the Form assign to FormPanel property");
    EXPECT_EQ(Skin->FormPanel(), Panel);
    Panel->Free();
    EXPECT_EQ(Skin->FormPanel(), nullptr);
    MakeMenu(F);
    ShowForm(F);
    ASSERT_NE(Skin->MenuBar(), nullptr);
    EXPECT_EQ(Skin->MenuBar()->Height(), 26);
    EXPECT_EQ(Skin->MenuBar()->Buttons(0)->Height(), 26);
}

TEST_F(SkinnedForm, RemovingItGivesTheFormBack) {
    TForm* F = MakeForm(bsSizeable);
    auto* Skin = new TscForm(F);
    Skin->SetParent(F);
    ShowForm(F);
    int SkinnedClient = F->ClientHeight();
    Skin->Free();
    TestHooks::PumpPending();
    EXPECT_NE(GetWindowLongPtrA(F->Handle(), GWL_STYLE) & WS_CAPTION, 0);
    EXPECT_LT(F->ClientHeight(), SkinnedClient);  // the caption is back
    // The window procedure is the form's own again: its frame is the system's.
    RECT R{0, 0, 100, 100};
    F->Perform(WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&R));
    EXPECT_GT(R.top, TscForm::FrameSize);
}

TEST_F(SkinnedForm, SecondOneIsInert) {
    TForm* F = MakeForm(bsSizeable);
    auto* First = new TscForm(F);
    First->SetParent(F);
    auto* Second = new TscForm(F);
    Second->SetParent(F);
    EXPECT_NE(First->SkinnedForm(), nullptr);
    EXPECT_EQ(Second->SkinnedForm(), nullptr);
    EXPECT_EQ(Second->TitleBar(), nullptr);
    Second->SetUIStyle(WinXP);
    ShowForm(F);
    EXPECT_EQ(F->ClientWidth(), F->Width() - 2 * TscForm::FrameSize);
}

// Alt+Space opens the title bar's system menu instead of the system's.
TEST_F(SkinnedForm, AltSpaceOpensTheSkinnedSystemMenu) {
    TForm* F = MakeForm(bsSizeable);
    auto* Skin = new TscForm(F);
    Skin->SetParent(F);
    ShowForm(F);
    F->SetFocus();
    HWND Opened = nullptr;
    HMENU Shown = nullptr;
    TestHooks::OnNextModalWindow([&](HWND W) {
        Opened = W;
        RECT R;
        Shown = GetMenuItemRect(W, Skin->TitleBar()->TitleBarMenu()->Handle(), 0, &R) ? Skin->TitleBar()->TitleBarMenu()->Handle() : nullptr;
        WinHeadlessScreen()->KeyPress(VK_ESCAPE);
    });
    TestHooks::PressKey(VK_SPACE, false, false, true);
    ASSERT_TRUE(TestHooks::PumpUntil([&] { return Opened != nullptr; }, 2000, "the system menu"));
    EXPECT_NE(Shown, nullptr);
}

TEST_F(SkinnedForm, WindowShape) {
    TForm* F = MakeForm(bsSizeable);
    auto* Skin = new TscForm(F);
    Skin->SetParent(F);
    ShowForm(F);
    Skin->SetUIStyle(DeepBlue);  // corners 0 and 0
    RECT Box{};
    ASSERT_NE(GetWindowRgnBox(F->Handle(), &Box), 0);
    EXPECT_EQ(Box.right, F->Width() + 1);
    EXPECT_EQ(Box.bottom, F->Height() + 1);
    Skin->SetUIStyle(WinXP);  // round top corners of 13
    EXPECT_EQ(Skin->RoundCorner(), 13);
    HRGN R = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(F->Handle(), R), 0);
    EXPECT_FALSE(PtInRegion(R, 0, 0));
    EXPECT_TRUE(PtInRegion(R, 10, 10));
    EXPECT_TRUE(PtInRegion(R, 0, F->Height() - 1));  // the bottom stays square
    DeleteObject(R);
    Skin->SetTitleBarVisible(false);
    EXPECT_EQ(Skin->RoundCorner(), 0);
}

// Each form that started maximised counts its own size messages.
TEST_F(SkinnedForm, MaximisedStartIsCountedPerForm) {
    TscForm* Skins[2];
    for (int I = 0; I < 2; ++I) {
        TForm* F = MakeForm(bsSizeable, 40 + 20 * I);
        F->SetWindowState(wsMaximized);
        Skins[I] = new TscForm(F);
        Skins[I]->SetParent(F);
        ShowForm(F);
    }
    for (TscForm* S : Skins) {
        EXPECT_GE(S->MaximizedSizeCount(), 1);
        EXPECT_EQ(S->SkinnedForm()->WindowState(), wsMaximized);
        TRect W;
        GetWorkAreaRect(W);
        EXPECT_EQ(S->SkinnedForm()->Left(), W.left - 4);
    }
}

// The main menu's top items on the bar: a click opens the item's sub-menu
// below its button and the chosen item runs; shortcuts run too.
TEST_F(SkinnedForm, MenuBarOpensTheMenus) {
    TForm* F = MakeForm(bsSizeable);
    auto* Skin = new TscForm(F);
    Skin->SetParent(F);
    Skin->SetUIStyle(WinXP);
    TscMainMenu* M = MakeMenu(F);
    F->SetMenu(M);  // given to the form as well: showing takes it off again
    ShowForm(F);
    ASSERT_NE(Skin->MenuBar(), nullptr);
    EXPECT_EQ(Skin->Menu(), M);
    EXPECT_EQ(F->Menu(), nullptr);
    TscMenuBar* Bar = Skin->MenuBar();
    ASSERT_EQ(Bar->ButtonCount(), 3);
    EXPECT_EQ(Bar->Buttons(1)->Caption(), "Edit");
    EXPECT_FALSE(Bar->Buttons(1)->Enabled());
    EXPECT_EQ(Bar->Top(), Skin->TitleBar()->Height());
    EXPECT_EQ(Bar->Height(), 22);
    RECT Opened{};
    TestHooks::OnNextModalWindow([&](HWND W) {
        GetWindowRect(W, &Opened);
        RECT R;
        GetMenuItemRect(W, M->Items()->Items(0)->Handle(), 0, &R);
        WinHeadlessScreen()->Click(POINT{(R.left + R.right) / 2, (R.top + R.bottom) / 2});
    });
    TestHooks::Click(Bar->Buttons(0));
    TestHooks::PumpPending();
    POINT Below = Bar->Buttons(0)->ClientToScreen(POINT{0, Bar->Buttons(0)->Height()});
    EXPECT_EQ(Opened.left, Below.x);
    EXPECT_EQ(Opened.top, Below.y);
    EXPECT_EQ(Ran, std::vector<std::string>{"&Open"});
    F->SetFocus();
    TestHooks::PumpPending();
    TestHooks::PressKey('S', false, true);
    TestHooks::PumpPending();
    EXPECT_EQ(Ran, (std::vector<std::string>{"&Open", "Save"}));
    // Alt with a top item's hot key opens its sub-menu below its button, and
    // a hot key there runs that item; a key no button has opens nothing.
    RECT ByKey{};
    TestHooks::OnNextModalWindow([&](HWND W) {
        GetWindowRect(W, &ByKey);
        WinHeadlessScreen()->TypeText("o");
    });
    TestHooks::PressKey('F', false, false, true);
    TestHooks::PumpPending();
    EXPECT_EQ(ByKey.left, Below.x);
    EXPECT_EQ(ByKey.top, Below.y);
    EXPECT_EQ(Ran, (std::vector<std::string>{"&Open", "Save", "&Open"}));
    bool Opened2 = false;
    TestHooks::OnNextModalWindow([&](HWND) {
        Opened2 = true;
        WinHeadlessScreen()->KeyPress(VK_ESCAPE);
    });
    TestHooks::PressKey('X', false, false, true);
    TestHooks::PumpPending();
    EXPECT_FALSE(Opened2);
    TestHooks::OnNextModalWindow(nullptr);
    // A changed caption shows on its button.
    M->Items()->Items(2)->SetCaption("About");
    EXPECT_EQ(Skin->MenuBar()->Buttons(2)->Caption(), "About");
    // Without the menu the bar goes.
    Skin->SetMenu(nullptr);
    EXPECT_EQ(Skin->MenuBar(), nullptr);
}

}  // namespace
